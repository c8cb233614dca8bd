#include "engine/ProtectedFetch.h"

#include "engine/HttpProtectedFetch.h"

namespace {
std::shared_ptr<ProtectedFetch>& Installed() {
    static std::shared_ptr<ProtectedFetch> fetch = std::make_shared<HttpProtectedFetch>();
    return fetch;
}
}  // namespace

ProtectedFetch* CurrentProtectedFetch() {
    return Installed().get();
}

void SetProtectedFetch(std::shared_ptr<ProtectedFetch> fetch) {
    Installed() = std::move(fetch);
}
