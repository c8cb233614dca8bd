#include "window/TParseFile.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>

TGauge::TGauge(QWidget* parent) : QWidget(parent) {
    setObjectName("Gauge1");
    QFont bold = font();
    bold.setBold(true);
    setFont(bold);
}

void TGauge::SetProgress(int progress) {
    progress = qBound(0, progress, maxValue_);
    if (progress == progress_) return;
    progress_ = progress;
    update();
}

void TGauge::SetMaxValue(int maxValue) {
    maxValue_ = qMax(1, maxValue);
    progress_ = qMin(progress_, maxValue_);
    update();
}

int TGauge::PercentDone() const {
    return static_cast<int>(static_cast<long long>(progress_) * 100 / maxValue_);
}

void TGauge::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect all = rect();
    const QRect inner = all.adjusted(1, 1, -1, -1);
    p.fillRect(all, palette().color(QPalette::Mid));
    p.fillRect(inner, BackColor);
    QRect done = inner;
    done.setWidth(inner.width() * PercentDone() / 100);
    p.fillRect(done, ForeColor);

    const QString text = QString::number(PercentDone()) + QLatin1Char('%');
    p.setPen(ForeColor);
    p.setClipRect(inner.adjusted(done.width(), 0, 0, 0));
    p.drawText(inner, Qt::AlignCenter, text);
    p.setPen(BackColor);
    p.setClipRect(done);
    p.drawText(inner, Qt::AlignCenter, text);
}

TParseFile::TParseFile(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName("ParseFile");
    setWindowTitle("Updating HTML links");
    setFixedSize(366, 94);
    setAutoFillBackground(true);

    // The panel fills the window: a lowered bevel of 2 inside a border of 2.
    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    Panel1->setGeometry(0, 0, 366, 94);
    Panel1->setFrameShape(QFrame::Panel);
    Panel1->setFrameShadow(QFrame::Sunken);
    Panel1->setLineWidth(2);

    Label2 = new QLabel("Updating HTML links for off line browsing..", Panel1);
    Label2->setObjectName("Label2");
    Label2->setGeometry(8, 8, 349, 18);
    QFont bold = Label2->font();
    bold.setBold(true);
    Label2->setFont(bold);

    Label1 = new QLabel("File:", Panel1);
    Label1->setObjectName("Label1");
    const int fileLabelWidth = Label1->fontMetrics().horizontalAdvance("File:") + 6;
    Label1->setGeometry(8, 32, fileLabelWidth, 18);
    CCurrentFile = new QLabel(Panel1);
    CCurrentFile->setObjectName("CCurrentFile");
    // 321 pixels wide at the design font; it takes what is left when "File:" needs more.
    CCurrentFile->setGeometry(8 + fileLabelWidth, 32, qMin(321, 349 - fileLabelWidth), 18);

    Gauge1 = new TGauge(Panel1);
    Gauge1->setGeometry(8, 60, 349, 25);
}

void TParseFile::ShowCentred(QWidget* near) {
    QScreen* screen = near ? near->screen() : QApplication::primaryScreen();
    if (screen) move(screen->availableGeometry().center() - rect().center());
    show();
    raise();
    repaint();
}

void TParseFile::SetProgress(const QString& label, const QString& currentFile, int percent) {
    const bool labelChanged = Label2->text() != label;
    if (labelChanged) Label2->setText(label);
    const bool fileChanged = currentFile != currentFile_;
    currentFile_ = currentFile;
    CCurrentFile->setVisible(!currentFile.isEmpty());
    Gauge1->SetProgress(percent);
    // A fast conversion passes thousands of files a second; painting (and shortening) every
    // name would take longer than the conversion, so the window follows a few times a second.
    const bool due = labelChanged || !painted_.isValid() || painted_.elapsed() >= PaintInterval;
    if (fileChanged) fileShown_ = false;
    if (!due) return;
    if (!fileShown_) {
        CCurrentFile->setText(CCurrentFile->fontMetrics().elidedText(currentFile_, Qt::ElideMiddle,
                                                                     CCurrentFile->width()));
        CCurrentFile->setToolTip(currentFile_);
        fileShown_ = true;
    }
    if (isVisible()) repaint();
    painted_.start();
}
