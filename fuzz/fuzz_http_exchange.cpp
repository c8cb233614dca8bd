// The HTTP client's whole exchange (HEAD, a new location, GET, the body) against a scripted
// peer that answers each connection with bytes from the input, optionally followed by one piece
// repeated many times (a header or body that goes on and on). Whatever the peer sends:
//   - the fetch ends with a reply or with one of the client's own errors;
//   - what the client keeps stays bounded: the header's texts by MaxHeaderBytes, the body by
//     MaxBodyBytes;
//   - a reply that passes has a status below 400;
//   - the credentials go to the site they were given for and nowhere else.
// No real connection is ever made: every connection is a socket pair inside the process.

#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "FuzzChecks.h"
#include "core/Text.h"
#include "net/HttpClient.h"

namespace {

// The far end of one connection: sends the reply, then reads what the client sent until the
// client closes.
struct Peer {
    std::string Reply;
    std::string Request;
    std::thread Thread;
    std::string HostName;
    std::uint16_t Port = 0;
    bool Tls = false;
};

void Serve(int fd, Peer* peer) {
    const std::string& out = peer->Reply;
    std::size_t sent = 0;
    while (sent < out.size()) {
        const ssize_t n = send(fd, out.data() + sent, out.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) break;
        sent += static_cast<std::size_t>(n);
    }
    shutdown(fd, SHUT_WR);
    char buffer[4096];
    for (;;) {
        const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        if (peer->Request.size() < 65536) peer->Request.append(buffer, static_cast<std::size_t>(n));
    }
    close(fd);
}

class ScriptedHttp : public HttpClient {
  public:
    std::vector<std::string> Replies;  // one per connection, in order
    std::vector<std::unique_ptr<Peer>> Peers;

    void OpenConnection() override {
        if (IsConnected) CloseConnection();
        int ends[2];
        if (socketpair(AF_UNIX, SOCK_STREAM, 0, ends) != 0) throw TcpError("no socket pair");
        auto peer = std::make_unique<Peer>();
        peer->Reply = Peers.size() < Replies.size() ? Replies[Peers.size()] : std::string();
        peer->HostName = HostName;
        peer->Port = Port;
        peer->Tls = UseTls;
        peer->Thread = std::thread(Serve, ends[1], peer.get());
        Peers.push_back(std::move(peer));
        SocketHandle = ends[0];
        PeerClosed = false;
        IsConnected = true;
        if (UseTls) StartTls(HostName);
    }

    void JoinPeers() {
        CloseConnection();
        for (auto& p : Peers)
            if (p->Thread.joinable()) p->Thread.join();
    }
};

// The bytes after the split, optionally with a piece repeated.
std::string Expand(std::string_view text, std::uint8_t repeat) {
    std::string out(text);
    if (repeat == 0 || text.empty()) return out;
    const std::string_view piece =
        text.substr(text.size() - std::min<std::size_t>(text.size(), 40));
    for (int i = 0; i < repeat * 16; ++i) out.append(piece);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // flags, split, repeat of the first reply, repeat of the second reply, then the replies.
    if (size < 4 || size > 20000) return 0;
    const std::uint8_t flags = data[0];
    const std::string_view rest(reinterpret_cast<const char*>(data + 4), size - 4);
    const std::size_t split = std::min<std::size_t>(rest.size(), std::size_t(data[1]) * 8);

    ScriptedHttp http;
    http.MaxHeaderBytes = 16 * 1024;
    http.MaxBodyBytes = 32 * 1024;
    http.ReceiveTimeoutMs = 5000;
    http.Replies = {Expand(rest.substr(0, split), data[2]), Expand(rest.substr(split), data[3]),
                    std::string(rest)};
    if (flags & 1) http.Proxy = "proxy.invalid:3128";
    http.URL = (flags & 2) ? "site.example/dir/page.html" : "http://site.example/dir/page.html";
    http.SetBasicCredentials("user", "secret");

    bool replied = false;
    try {
        http.Execute();
        replied = true;
    } catch (const TcpError&) {
    } catch (const ConvertError&) {
    }
    http.JoinPeers();

    FUZZ_CHECK(http.Peers.size() <= 3);
    std::size_t kept = http.ContentType.size() + http.StatusText.size();
    for (const std::string& c : http.AuthChallenges) kept += c.size();
    FUZZ_CHECK(kept <= http.MaxHeaderBytes);
    FUZZ_CHECK(http.Body.Size() <= http.MaxBodyBytes);
    if (replied) FUZZ_CHECK(http.StatusCode < 400);

    // Credentials only to the site named by URL, over the same kind of connection.
    for (const auto& peer : http.Peers) {
        if (!Contains(peer->Request, "Authorization:")) continue;
        if (!http.Proxy.empty()) {
            // Through a proxy the request line names the whole address.
            const std::size_t from = peer->Request.find(' ') + 1;
            const std::size_t to = peer->Request.find(' ', from);
            const UrlParts target = SplitURL(peer->Request.substr(from, to - from));
            FUZZ_CHECK(SameText(target.Protocol, "http"));
            FUZZ_CHECK(SameText(target.Host, "site.example"));
            FUZZ_CHECK(target.Port.empty() || StrToInt(target.Port) == 80);
        } else {
            FUZZ_CHECK(SameText(peer->HostName, "site.example"));
            FUZZ_CHECK(peer->Port == 80 && !peer->Tls);
        }
    }
    return 0;
}
