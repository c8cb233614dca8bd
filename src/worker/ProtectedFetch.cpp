#include "worker/ProtectedFetch.h"

namespace {
std::shared_ptr<ProtectedFetch>& Installed() {
    static std::shared_ptr<ProtectedFetch> fetch;
    return fetch;
}
}  // namespace

ProtectedFetch* CurrentProtectedFetch() {
    return Installed().get();
}

void SetProtectedFetch(std::shared_ptr<ProtectedFetch> fetch) {
    Installed() = std::move(fetch);
}
