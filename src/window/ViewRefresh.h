#pragma once

#include <QObject>
#include <QTimer>
#include <functional>
#include <vector>

// Shows what a running session changes in the window's labels and selection at most every
// Interval milliseconds: a busy run changes the status texts and the selected row several times
// per file, and laying out and painting each change would cost more than the transfer itself.
// Five times a second reads as live; each refresh lays out and paints a good part of the window
// (a few milliseconds), which at ten a second took a tenth of a fast copy's time. While nothing
// runs, every change shows at once.
class ViewRefresh : public QObject {
  public:
    static constexpr int Interval = 200;

    // deferring: whether changes are gathered now (a session is running).
    explicit ViewRefresh(std::function<bool()> deferring, QObject* parent = nullptr);

    // Registers what shows one kind of change; returns its number for Changed.
    int Add(std::function<void()> apply);
    // The kind's view data changed: shown now, or at the next flush while deferring.
    void Changed(int kind);
    // Shows every change gathered so far (the timer calls it, and the end of a session).
    void Flush();

  private:
    std::function<bool()> deferring_;
    std::vector<std::function<void()>> appliers_;
    std::vector<bool> pending_;
    QTimer timer_;
};
