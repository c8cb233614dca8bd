#pragma once

#include <QDialog>
#include <QTimer>
#include <vector>

#include "imaging/PictureDecoders.h"

class QLabel;
class QPushButton;

// The About box: the program's title, the animated lantern, the operating system and the memory
// of this machine, read when the box is made.
class AboutDialog : public QDialog {
    Q_OBJECT
  public:
    explicit AboutDialog(QWidget* parent = nullptr);

    QLabel* ProgramIcon;
    QLabel* ProductName;
    QLabel* Copyright;
    QLabel* OSName;
    QLabel* OSVersion;
    QLabel* PhysMem;
    QLabel* MemoryInUse;
    QPushButton* OKButton;

    // The lantern's frames, decoded through the program's GIF decoder, and the frame shown.
    const std::vector<GifFrame>& PictureFrames() const { return frames_; }
    int CurrentFrame() const { return frame_; }
    void ShowFrame(int index);

private:
    std::vector<GifFrame> frames_;
    int frame_ = 0;
    QTimer animation_;
};
