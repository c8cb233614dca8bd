#pragma once

#include "engine/ProtectedFetch.h"

// The protected fetch through the program's own HTTP/1.0 client: HEAD, then GET, with Basic
// credentials, over TLS for https addresses. Failures arrive as the client's exceptions, whose
// messages are what the person is shown ("Unauthorized", "Connection timed out", ...).
class HttpProtectedFetch : public ProtectedFetch {
  public:
    ProtectedFetchResult Fetch(const ProtectedFetchRequest& request) override;
};
