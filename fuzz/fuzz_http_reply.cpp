// The HTTP client's reading of a reply from the network: status line, header lines, a Location
// that moves the request, and the body. Whatever the server sends, only the client's own errors
// come out; a failure status never passes as success; a request path stays a path.

#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "FuzzChecks.h"
#include "net/HttpClient.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The first byte picks direct or proxy; the rest is the reply as the server sends it.
    if (size < 1 || size > 60000) return 0;
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, ends) != 0) return 0;
    const std::string reply(reinterpret_cast<const char*>(data + 1), size - 1);
    // A socket pair holds far more than 60,000 bytes, so the write completes before the read.
    (void)!write(ends[1], reply.data(), reply.size());
    close(ends[1]);

    HttpClient http;
    if (data[0] & 1) http.Proxy = "proxy.example:3128";
    http.URL = "http://site.example/dir/page.html";
    http.RequestPath = http.Proxy.empty() ? "/dir/page.html" : http.URL;
    http.SocketHandle = ends[0];
    http.IsConnected = true;
    const UrlParts parts = SplitURL(reply);
    FUZZ_CHECK(parts.Path.empty() || parts.Path[0] == '/');
    try {
        http.ReadReplyHeader();
        FUZZ_CHECK(http.StatusCode < 400);
        FUZZ_CHECK(!http.RequestPath.empty());
        FUZZ_CHECK(http.ContentType.find('\n') == std::string::npos);
    } catch (const TcpError&) {
    } catch (const ConvertError&) {
    }
    http.CloseConnection();
    return 0;
}
