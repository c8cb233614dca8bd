#include "transfer/ThreadWake.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cstdint>
#include <stdexcept>

ThreadWake::ThreadWake(std::function<void()> woken, QObject* parent)
    : QObject(parent), woken_(std::move(woken)) {
    fd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (fd_ < 0) throw std::runtime_error("eventfd failed");
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &ThreadWake::Woken);
}

ThreadWake::~ThreadWake() {
    delete notifier_;
    ::close(fd_);
}

void ThreadWake::Wake() {
    const std::uint64_t one = 1;
    // Only a full counter refuses, and then a wake-up is pending anyway.
    [[maybe_unused]] const auto n = ::write(fd_, &one, sizeof one);
}

void ThreadWake::Woken() {
    std::uint64_t count = 0;
    // Reset before the work: a wake-up given while it runs brings the loop round again.
    [[maybe_unused]] const auto n = ::read(fd_, &count, sizeof count);
    woken_();
}
