#pragma once

class QImage;
class QLabel;
class QScrollArea;

// Puts a picture into a scroll box's image and scrolls to where a picture opens: one sixteenth
// of its width across and one eighth of its height down (as far as the box can scroll), with
// steps of 4 pixels on both bars.
void ShowPicture(QScrollArea& box, QLabel& image, const QImage& picture);
