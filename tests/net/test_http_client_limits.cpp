#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/HttpClient.h"
#include "support/ScriptedServer.h"

using S = ScriptedServer;

namespace {

struct LimitCase {
    const char* what;
    ScriptedServer::Script headReply;
    std::int64_t maxBody;
    std::string error;  // the message of the TcpError the fetch ends with
};

// A server may send a header without end, one endless line, or far more body than wanted: the
// client gives up with its own error instead of growing memory for as long as the server sends.
TEST(HttpLimits, HostileRepliesEndInTheClientsOwnError) {
    const std::string challenge = "WWW-Authenticate: Basic realm=\"r\"\r\n";
    std::string manyLines = "HTTP/1.0 200 OK\r\n";
    while (manyLines.size() < 300 * 1024) manyLines += challenge;
    const std::string oneLine = "HTTP/1.0 200 OK\r\nX-Long: " + std::string(1024 * 1024, 'a');
    const std::string body = "HTTP/1.0 200 OK\r\n\r\n" + std::string(100 * 1024, 'b');
    const std::vector<LimitCase> cases = {
        {"endless header",
         {S::Read(), S::Send(manyLines), S::Close()},
         -1,
         "Reply header longer than 262144 bytes"},
        {"1 MB header line",
         {S::Read(), S::Send(oneLine), S::Close()},
         -1,
         "Reply line longer than 65536 bytes"},
        {"body over the limit",
         {S::Read(), S::Send(body), S::Close()},
         64 * 1024,
         "Reply body larger than 65536 bytes"},
    };
    for (const LimitCase& c : cases) {
        ScriptedServer server({c.headReply});
        HttpClient http;
        http.ConnectTimeoutMs = 5000;
        http.ReceiveTimeoutMs = 5000;
        http.MaxBodyBytes = c.maxBody;
        http.URL = server.Url("file.html");
        try {
            http.Execute();
            ADD_FAILURE() << c.what << ": no error";
        } catch (const TcpError& e) {
            EXPECT_EQ(e.what(), c.error) << c.what;
        }
        EXPECT_LE(http.Body.Size(), 64 * 1024) << c.what;
        EXPECT_LE(http.AuthChallenges.size(), 256u * 1024 / challenge.size()) << c.what;
    }
}

// The same bound holds for a proxy's answer to a tunnel request.
TEST(HttpLimits, EndlessTunnelAnswerIsRefused) {
    std::string lines = "HTTP/1.0 200 Connection established\r\n";
    while (lines.size() < 300 * 1024) lines += "X-Filler: " + std::string(60, 'f') + "\r\n";
    ScriptedServer proxy({{S::Read(), S::Send(lines), S::Close()}});
    HttpClient http;
    http.ConnectTimeoutMs = 5000;
    http.ReceiveTimeoutMs = 5000;
    http.Proxy = "127.0.0.1:" + std::to_string(proxy.Port());
    http.URL = "https://site.invalid/file.html";
    try {
        http.Execute();
        ADD_FAILURE() << "no error";
    } catch (const TcpError& e) {
        EXPECT_EQ(std::string(e.what()), "Reply header longer than 262144 bytes");
    }
}

}  // namespace
