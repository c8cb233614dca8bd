#include "window/ViewRefresh.h"

ViewRefresh::ViewRefresh(std::function<bool()> deferring, QObject* parent)
    : QObject(parent), deferring_(std::move(deferring)) {
    timer_.setSingleShot(true);
    timer_.setInterval(Interval);
    connect(&timer_, &QTimer::timeout, this, &ViewRefresh::Flush);
}

int ViewRefresh::Add(std::function<void()> apply) {
    appliers_.push_back(std::move(apply));
    pending_.push_back(false);
    return static_cast<int>(appliers_.size()) - 1;
}

void ViewRefresh::Changed(int kind) {
    const auto k = static_cast<std::size_t>(kind);
    if (deferring_ && deferring_()) {
        pending_[k] = true;
        if (!timer_.isActive()) timer_.start();
        return;
    }
    pending_[k] = false;
    appliers_[k]();
}

void ViewRefresh::Flush() {
    timer_.stop();
    // In registration order, so that a kind may rely on an earlier one being shown.
    for (std::size_t k = 0; k < appliers_.size(); ++k) {
        if (!pending_[k]) continue;
        pending_[k] = false;
        appliers_[k]();
    }
}
