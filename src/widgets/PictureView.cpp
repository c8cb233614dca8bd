#include "widgets/PictureView.h"

#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QScrollArea>
#include <QScrollBar>
#include <algorithm>

void ShowPicture(QScrollArea& box, QLabel& image, const QImage& picture) {
    image.setPixmap(QPixmap::fromImage(picture));
    image.resize(picture.size());
    QScrollBar& across = *box.horizontalScrollBar();
    QScrollBar& down = *box.verticalScrollBar();
    across.setSingleStep(4);
    down.setSingleStep(4);
    // The box learns the new size only when the image's resize event arrives, which for a
    // hidden box is later; the ranges are set here so that the start positions hold now.
    const QSize view = box.viewport()->size();
    across.setRange(0, std::max(0, picture.width() - view.width()));
    down.setRange(0, std::max(0, picture.height() - view.height()));
    across.setValue(picture.width() / 16);
    down.setValue(picture.height() / 8);
}

QScrollArea* NewPictureBox(QWidget* panel, QLabel*& image) {
    auto* box = new QScrollArea(panel);
    box->setAlignment(Qt::AlignCenter);
    box->setFrameShape(QFrame::NoFrame);
    box->setBackgroundRole(QPalette::Window);
    box->viewport()->setAutoFillBackground(false);
    image = new QLabel;
    image->setAlignment(Qt::AlignCenter);
    box->setWidget(image);
    return box;
}
