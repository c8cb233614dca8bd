#pragma once

class QImage;
class QLabel;
class QScrollArea;
class QWidget;

// Puts a picture into a scroll box's image and scrolls to where a picture opens: one sixteenth
// of its width across and one eighth of its height down (as far as the box can scroll), with
// steps of 4 pixels on both bars.
void ShowPicture(QScrollArea& box, QLabel& image, const QImage& picture);

// A frameless scroll box for a picture panel: the picture centred on the panel's own colour.
// Sets `image` to the label the picture goes into.
QScrollArea* NewPictureBox(QWidget* panel, QLabel*& image);
