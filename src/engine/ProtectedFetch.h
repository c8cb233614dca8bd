#pragma once

#include <cstdint>
#include <memory>
#include <string>

// The blocking fetch of a password-protected file. A worker whose reply asks for authorization
// hands the address here and waits; everything around the fetch (the grid row, storing the body,
// link extraction, the clock catch-up, finishing the worker) is the worker's own business.
struct ProtectedFetchRequest {
    std::string URL;       // the document's address
    std::string Proxy;     // "host:port", empty for a direct connection
    std::string UserName;  // basic credentials
    std::string Password;
};

struct ProtectedFetchResult {
    std::string Body;              // the document as received
    std::int64_t ContentSize = 0;  // the length the reply announced, 0 when none
};

class ProtectedFetch {
  public:
    virtual ~ProtectedFetch() = default;
    // Fetches the document (HEAD, then GET, with basic authorization). Blocks until done.
    // Throws an exception derived from std::exception whose what() is the text shown to the
    // person when the fetch fails (connection refused, credentials still refused, ...).
    virtual ProtectedFetchResult Fetch(const ProtectedFetchRequest& request) = 0;
};

// The process's protected-fetch implementation: the program's own HTTP client unless another
// is installed. Null when null was installed (then a protected file is finished as not
// received).
ProtectedFetch* CurrentProtectedFetch();
void SetProtectedFetch(std::shared_ptr<ProtectedFetch> fetch);
