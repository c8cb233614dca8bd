#pragma once

#include <QFrame>

class QLabel;

// The borderless wait panel shown while a session file loads ("Please Wait.",
// "Loading Session.."). It has three pictures, shown one after the other as the work advances.
class PleaseWaitPanel : public QFrame {
    Q_OBJECT
  public:
    explicit PleaseWaitPanel(QWidget* parent = nullptr);

    // Sets the two lines, centres the panel on the screen of `near` (the primary screen
    // without), shows it and paints it at once (the work that follows blocks the event loop).
    void ShowPanel(const QString& title, const QString& message, QWidget* near = nullptr);
    // Shows picture 0, 1 or 2 and paints it at once.
    void ShowPicture(int picture);
    int CurrentPicture() const { return picture_; }

    QLabel* PictureLabel;
    QLabel* TitleLabel;
    QLabel* MessageLabel;

  private:
    int picture_ = 0;
};

// The three pictures of the wait panel: an hourglass running out.
QPixmap WaitPicture(int picture, int size = 32);
