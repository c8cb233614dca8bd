#pragma once

#include <QMessageBox>
#include <QObject>
#include <QTimer>
#include <deque>
#include <functional>
#include <string>
#include <vector>

// Answers the real message boxes as a person would: it looks among the top-level widgets for a
// shown QMessageBox a few times a second, notes its text and clicks a button. A box runs its own
// event loop, so whatever goes wrong inside that loop happens here as it would on a desktop.
class BoxAnswerer : public QObject {
  public:
    BoxAnswerer();

    // Answers for the next boxes, in order; a box without one gets its default button.
    std::deque<QMessageBox::StandardButton> Answers;
    // Runs for each box before it is answered (to look at it or at the windows behind it).
    std::function<void(QMessageBox&)> OnBox;
    // What each box said, with CR LF and CR turned into LF, in order.
    std::vector<std::string> Texts;

    // Lets events run until `count` boxes have been answered or `ms` milliseconds have passed.
    bool WaitForBoxes(std::size_t count, int ms = 3000);
    // Lets events run for `ms` milliseconds (to see that no further box comes).
    static void Idle(int ms);

  private:
    void Look();
    QTimer timer_;
};
