#include "window/PleaseWaitPanel.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QVBoxLayout>

QPixmap WaitPicture(int picture, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);

    const QColor frame(70, 60, 50);
    const QColor glass(225, 238, 248);
    const QColor sand(222, 170, 60);
    // Frame plates.
    p.setPen(Qt::NoPen);
    p.setBrush(frame);
    p.drawRoundedRect(QRectF(5, 2, 22, 3), 1, 1);
    p.drawRoundedRect(QRectF(5, 27, 22, 3), 1, 1);

    QPainterPath top;
    top.moveTo(8, 5);
    top.lineTo(24, 5);
    top.cubicTo(24, 11, 17, 14, 17, 16);
    top.lineTo(15, 16);
    top.cubicTo(15, 14, 8, 11, 8, 5);
    QPainterPath bottom;
    bottom.moveTo(15, 16);
    bottom.lineTo(17, 16);
    bottom.cubicTo(17, 18, 24, 21, 24, 27);
    bottom.lineTo(8, 27);
    bottom.cubicTo(8, 21, 15, 18, 15, 16);
    p.setBrush(glass);
    p.drawPath(top);
    p.drawPath(bottom);

    // Sand: full on top, then half and half, then all below.
    const double topLevel[] = {6.5, 10.5, 16};
    const double bottomLevel[] = {27, 22, 15.5};
    const int index = picture < 0 ? 0 : (picture > 2 ? 2 : picture);
    p.setBrush(sand);
    p.save();
    p.setClipPath(top);
    p.drawRect(QRectF(0, topLevel[index], 32, 16 - topLevel[index]));
    p.restore();
    p.save();
    p.setClipPath(bottom);
    p.drawRect(QRectF(0, bottomLevel[index], 32, 27 - bottomLevel[index]));
    if (index == 1) p.drawRect(QRectF(15.5, 16, 1, 6));  // the running thread of sand
    p.restore();

    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(frame, 1.2));
    p.drawPath(top);
    p.drawPath(bottom);
    return pixmap;
}

PleaseWaitPanel::PleaseWaitPanel(QWidget* parent)
    : QFrame(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName("MessageForm");
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
    setLineWidth(2);
    setAutoFillBackground(true);

    PictureLabel = new QLabel(this);
    PictureLabel->setObjectName("PictureLabel");
    PictureLabel->setFixedSize(32, 32);
    TitleLabel = new QLabel(this);
    TitleLabel->setObjectName("TitleLabel");
    QFont bold = TitleLabel->font();
    bold.setBold(true);
    TitleLabel->setFont(bold);
    MessageLabel = new QLabel(this);
    MessageLabel->setObjectName("MessageLabel");

    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(TitleLabel);
    texts->addWidget(MessageLabel);
    auto* main = new QHBoxLayout(this);
    main->setContentsMargins(16, 12, 24, 12);
    main->setSpacing(14);
    main->addWidget(PictureLabel);
    main->addLayout(texts);
    ShowPicture(0);
}

void PleaseWaitPanel::ShowPanel(const QString& title, const QString& message, QWidget* near) {
    TitleLabel->setText(title);
    MessageLabel->setText(message);
    ShowPicture(0);
    adjustSize();
    resize(qMax(width(), 240), height());
    QScreen* screen = near ? near->screen() : QApplication::primaryScreen();
    if (screen) move(screen->availableGeometry().center() - rect().center());
    show();
    raise();
    repaint();
}

void PleaseWaitPanel::ShowPicture(int picture) {
    picture_ = picture < 0 ? 0 : (picture > 2 ? 2 : picture);
    PictureLabel->setPixmap(WaitPicture(picture_));
    if (isVisible()) PictureLabel->repaint();
}
