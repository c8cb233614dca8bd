#pragma once

#include <QDialog>

class QLabel;
class QMovie;
class QPushButton;

// The About box: the program's title, the animated lantern, the operating system and the memory
// of this machine, read when the box is made.
class TAboutBox : public QDialog {
    Q_OBJECT
  public:
    explicit TAboutBox(QWidget* parent = nullptr);

    QLabel* ProgramIcon;
    QLabel* ProductName;
    QLabel* Copyright;
    QLabel* OSName;
    QLabel* OSVersion;
    QLabel* PhysMem;
    QLabel* MemoryInUse;
    QPushButton* OKButton;
    QMovie* Picture;
};
