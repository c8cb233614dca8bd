#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

// Wakes the event loop of the thread that owns this object, from any thread: an eventfd watched
// by a socket notifier. Wake-ups given before the loop has come round are taken as one. Unlike a
// queued call it allocates nothing per wake-up, and the write and the read of the descriptor
// order the two threads in a way that ThreadSanitizer sees (the mutex inside a queued call is in
// a library it does not instrument). Move it to its thread before the first wake-up is awaited.
class ThreadWake : public QObject {
  public:
    // `woken` runs on the owning thread, from its event loop.
    explicit ThreadWake(std::function<void()> woken, QObject* parent = nullptr);
    ~ThreadWake() override;
    ThreadWake(const ThreadWake&) = delete;
    ThreadWake& operator=(const ThreadWake&) = delete;

    void Wake();

  private:
    void Woken();

    std::function<void()> woken_;
    int fd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
};
