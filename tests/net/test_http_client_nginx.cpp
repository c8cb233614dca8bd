// The HTTP/1.0 client against a real server: nginx protecting a folder with basic
// authentication, over http and https, directly and through a tunnelling proxy.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "net/HttpClient.h"
#include "support/NginxServer.h"
#include "support/Subprocess.h"
#include "support/TempFolder.h"

namespace {

// A proxy that understands CONNECT only: it records the request head, connects to the port it
// was made for (whatever host the request names), answers 200 and relays bytes both ways.
class TunnelProxy {
  public:
    explicit TunnelProxy(int targetPort) : target_(targetPort) {
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof a;
        bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        listen(listener_, 8);
        getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &length);
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~TunnelProxy() {
        stop_ = true;
        shutdown(listener_, SHUT_RDWR);
        thread_.join();
        close(listener_);
    }
    int Port() const { return port_; }
    std::vector<std::string> Requests() {
        std::lock_guard lock(mutex_);
        return requests_;
    }

  private:
    void Serve() {
        while (!stop_) {
            int client = accept(listener_, nullptr, nullptr);
            if (client < 0) return;
            std::string head;
            char c;
            while (head.find("\r\n\r\n") == std::string::npos && recv(client, &c, 1, 0) == 1)
                head += c;
            {
                std::lock_guard lock(mutex_);
                requests_.push_back(head);
            }
            int upstream = socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in a{};
            a.sin_family = AF_INET;
            a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            a.sin_port = htons(static_cast<std::uint16_t>(target_));
            if (connect(upstream, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
                const std::string ok = "HTTP/1.0 200 Connection established\r\n\r\n";
                send(client, ok.data(), ok.size(), MSG_NOSIGNAL);
                Relay(client, upstream);
            }
            close(upstream);
            close(client);
        }
    }
    static void Relay(int a, int b) {
        char buffer[16384];
        for (;;) {
            pollfd fds[2] = {{a, POLLIN, 0}, {b, POLLIN, 0}};
            if (poll(fds, 2, 10000) <= 0) return;
            for (int i = 0; i < 2; ++i) {
                if (!fds[i].revents) continue;
                ssize_t n = recv(fds[i].fd, buffer, sizeof buffer, 0);
                if (n <= 0) return;
                send(fds[1 - i].fd, buffer, static_cast<std::size_t>(n), MSG_NOSIGNAL);
            }
        }
    }

    int target_;
    int listener_;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

struct ProtectedSite {
    explicit ProtectedSite(bool https) {
        std::filesystem::create_directories(root.Path() / "private");
        WriteWholeFile(root.Text() + "private/secret.html", Page);
        web = std::make_unique<NginxServer>(NginxServer::Options{.Root = root.Path(),
                                                                 .KeepAlive = false,
                                                                 .AuthLocation = "/private/",
                                                                 .AuthUser = "reader",
                                                                 .AuthPassword = "open sesame",
                                                                 .Https = https});
    }
    static inline const std::string Page =
        "<html><body><a href=\"other.html\">members only</a></body></html>\n";
    TempFolder root;
    std::unique_ptr<NginxServer> web;
};

void Fetch(HttpClient& http, const std::string& url, const std::string& password) {
    http.ConnectTimeoutMs = http.ReceiveTimeoutMs = 10000;
    http.URL = url;
    http.SetBasicCredentials("reader", password);
    http.Execute();
}

}  // namespace

TEST(HttpNginx, ProtectedFileWithRightAndWrongCredentials) {
    ProtectedSite site(false);
    HttpClient http;
    Fetch(http, site.web->Url("private/secret.html"), "open sesame");
    EXPECT_EQ(http.Body.Data(), ProtectedSite::Page);
    EXPECT_EQ(http.ContentSize, static_cast<std::int64_t>(ProtectedSite::Page.size()));
    EXPECT_EQ(http.ContentType, "text/html");
    EXPECT_EQ(http.StatusCode, 200);

    HttpClient refused;
    try {
        Fetch(refused, site.web->Url("private/secret.html"), "guess");
        FAIL() << "wrong credentials were accepted";
    } catch (const ProtocolError& e) {
        EXPECT_EQ(e.ErrorNumber, 401);
        EXPECT_STREQ(e.what(), "Unauthorized");
    }
    EXPECT_EQ(refused.AuthChallenges, std::vector<std::string>{"Basic realm=\"Protected\""});
}

TEST(HttpNginx, HttpsWithPrivateAuthority) {
    ProtectedSite site(true);
    TempFolder emptyStore;
    const std::string url = site.web->Url("private/secret.html");

    // Nothing trusted: the certificate is refused before any request is sent.
    setenv("SSL_CERT_FILE", (emptyStore.Text() + "none.pem").c_str(), 1);
    setenv("SSL_CERT_DIR", emptyStore.Text().c_str(), 1);
    HttpClient untrusted;
    try {
        Fetch(untrusted, url, "open sesame");
        FAIL() << "an untrusted certificate was accepted";
    } catch (const TcpError& e) {
        EXPECT_NE(std::string(e.what()).find("certificate verify failed"), std::string::npos)
            << e.what();
    }

    setenv("SSL_CERT_FILE", site.web->CaFile().c_str(), 1);
    HttpClient http;
    Fetch(http, url, "open sesame");
    EXPECT_EQ(http.Body.Data(), ProtectedSite::Page);
    EXPECT_TRUE(http.UseTls);
    EXPECT_EQ(http.Port, site.web->Port());

    // The name in the address must be one the certificate carries.
    HttpClient byName;
    Fetch(byName, "https://localhost:" + std::to_string(site.web->Port()) + "/private/secret.html",
          "open sesame");
    EXPECT_EQ(byName.Body.Data(), ProtectedSite::Page);

    HttpClient refused;
    EXPECT_THROW(Fetch(refused, url, "guess"), ProtocolError);

    // Through a proxy: a tunnel for each request, TLS inside it.
    TunnelProxy proxy(site.web->Port());
    HttpClient proxied;
    proxied.Proxy = "127.0.0.1:" + std::to_string(proxy.Port());
    Fetch(proxied, url, "open sesame");
    EXPECT_EQ(proxied.Body.Data(), ProtectedSite::Page);
    const std::string connect =
        "CONNECT 127.0.0.1:" + std::to_string(site.web->Port()) + " HTTP/1.0\r\n\r\n";
    EXPECT_EQ(proxy.Requests(), (std::vector<std::string>{connect, connect}));
    unsetenv("SSL_CERT_FILE");
    unsetenv("SSL_CERT_DIR");
}
