// The HTTP transfer control against nginx and a scripted server on loopback.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <vector>

#include "support/NginxServer.h"
#include "support/QtApp.h"
#include "support/ScriptedServer.h"
#include "support/Subprocess.h"
#include "support/TempFolder.h"
#include "support/TransferRecorder.h"
#include "transfer/HttpTransfer.h"

namespace {

using S = ScriptedServer;

std::string RandomBytes(std::size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (auto& c : s) c = static_cast<char>(gen());
    return s;
}

class HttpTransferTest : public ::testing::Test {
  protected:
    void SetUp() override {
        EnsureQtApp();
        Transfer::SetTimeouts({});
        unsetenv("SSL_CERT_FILE");
        unsetenv("SSL_CERT_DIR");
    }
    void TearDown() override { Transfer::SetTimeouts({}); }

    // Fetches the address into a fresh file and waits for the End event.
    void Fetch(HttpTransfer& http, TransferRecorder& rec, const std::string& url) {
        std::filesystem::remove(File());
        http.URL = url;
        http.GetDoc(url, "", File());
        EXPECT_TRUE(rec.Events.empty()) << "no event may arrive inside GetDoc";
        ASSERT_TRUE(RunUntil([&] { return rec.Ended; }));
    }
    std::string File() const { return out.Text() + "doc"; }
    std::string Stored() const { return ReadWholeFile(File()); }

    TempFolder out;
};

TEST_F(HttpTransferTest, BigFileArrivesIntactWithOrderedEvents) {
    TempFolder site;
    const std::string body = RandomBytes(3 * 1024 * 1024 + 17, 1);
    WriteWholeFile(site.Text() + "big.bin", body);
    NginxServer web({.Root = site.Path()});
    // With the bytes delivered in the events, and with the events only counting them.
    for (const bool deliverData : {true, false}) {
        SCOPED_TRACE(deliverData ? "bytes delivered" : "bytes counted only");
        HttpTransfer http;
        http.DeliverData = deliverData;
        TransferRecorder rec(http);
        std::int64_t lastBytes = 0;
        bool fileKeptUp = true;
        rec.AlsoOnDoc = [&](const TransferProgress& d) {
            EXPECT_GE(d.BytesTransferred, lastBytes);
            lastBytes = d.BytesTransferred;
            // The network thread may have written more since; never less.
            if (std::filesystem::file_size(http.OutputFile()) <
                static_cast<std::uintmax_t>(d.BytesTransferred))
                fileKeptUp = false;
        };
        Fetch(http, rec, web.Url("big.bin"));

        EXPECT_EQ(rec.Outline(), "s1 s2 s3 d1 d2 d3 s5 d5");
        EXPECT_TRUE(fileKeptUp) << "the file must hold everything received at every event";
        EXPECT_TRUE(Stored() == body);
        EXPECT_TRUE(rec.Data == (deliverData ? body : std::string()));
        EXPECT_EQ(rec.Docs[1].TotalSize, static_cast<std::int64_t>(body.size()));  // Headers
        EXPECT_EQ(rec.Last().TotalSize, static_cast<std::int64_t>(body.size()));
        EXPECT_EQ(rec.Last().BytesTransferred, static_cast<std::int64_t>(body.size()));
        EXPECT_TRUE(rec.Last().TotalKnown);
        EXPECT_FALSE(http.Busy());
        EXPECT_EQ(http.StatusCode(), 200);
        EXPECT_EQ(http.ReplyText(), "OK");
    }
}

// What the control makes of replies nginx will not give on demand.
TEST_F(HttpTransferTest, ScriptedReplies) {
    const std::string body1000(1000, 'x');
    struct Case {
        const char* Name;
        S::Script Script;
        std::string Outline;
        std::string Stored;
        std::int64_t Total;
        bool TotalKnown;
        int Status;
        std::string Reason;
        std::string Location;
    } cases[] = {
        {"moved, not followed",
         S::Reply("HTTP/1.1 301 Moved Permanently\r\nLocation: /new.html\r\nContent-Length: "
                  "31\r\n\r\n<a href=\"/new.html\">moved</a>\r\n"),
         "s1 s2 s3 d1 d2 d3 s5 d5", "<a href=\"/new.html\">moved</a>\r\n", 31, true, 301,
         "Moved Permanently", "/new.html"},
        {"not found", S::Reply("HTTP/1.1 404 Not Found\r\nContent-Length: 4\r\n\r\ngone"),
         "s1 s2 s3 d1 d2 d3 s5 d5", "gone", 4, true, 404, "Not Found", ""},
        {"no length: ends at close",
         S::Reply("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n" + body1000),
         "s1 s2 s3 d1 d2 d3 s5 d5", body1000, 1000, false, 200, "OK", ""},
        {"many small chunks",
         {S::Read(), S::Send("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n"),
          S::SendInChunks(body1000, 20, 20), S::Close()},
         "s1 s2 s3 d1 d2 d3 s5 d5",
         body1000,
         1000,
         true,
         200,
         "OK",
         ""},
        {"interim reply first",
         S::Reply("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"),
         "s1 s2 s3 d1 d2 d3 s5 d5", "ok", 2, true, 200, "OK", ""},
        {"status line without reason text",
         S::Reply("HTTP/1.1 200\r\nContent-Length: 2\r\n\r\nok"), "s1 s2 s3 d1 d2 d3 s5 d5", "ok",
         2, true, 200, "", ""},
        {"empty document", S::Reply("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"),
         "s1 s2 s3 d1 d2 s5 d5", "", 0, true, 200, "OK", ""},
        {"closed mid-body",
         {S::Read(),
          S::Send("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n" + body1000.substr(0, 400)),
          S::Close()},
         "s1 s2 s3 d1 d2 d3 s6 d4 d5",
         body1000.substr(0, 400),
         1000,
         true,
         200,
         "OK",
         ""},
        {"nothing at all", {S::Read(), S::Close()}, "s1 s2 s6 d4 d5", "", 0, false, 0, "", ""},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.Name);
        ScriptedServer server({c.Script});
        HttpTransfer http;
        TransferRecorder rec(http);
        Fetch(http, rec, server.Url("page.html"));
        EXPECT_EQ(rec.Outline(), c.Outline);
        // A cut-off reply is readable at its End event but never takes the file's name.
        const bool failed = rec.Outline().find("d4") != std::string::npos;
        EXPECT_EQ(rec.EndBytes, c.Stored);
        EXPECT_EQ(std::filesystem::exists(File()), !failed);
        EXPECT_EQ(Stored(), failed ? "" : c.Stored);
        EXPECT_EQ(PartialFilesIn(out.Text()), 0);
        EXPECT_EQ(rec.Data, c.Stored);
        EXPECT_EQ(rec.Last().BytesTransferred, static_cast<std::int64_t>(c.Stored.size()));
        EXPECT_EQ(rec.Last().TotalSize, c.Total);
        EXPECT_EQ(rec.Last().TotalKnown, c.TotalKnown);
        EXPECT_EQ(http.StatusCode(), c.Status);
        EXPECT_EQ(http.ReplyText(), c.Reason);
        EXPECT_EQ(http.ReplyHeader("location"), c.Location);
        EXPECT_EQ(server.Requests().size(), 1u) << "one request, no redirect followed";
        if (rec.Outline().find("d4") != std::string::npos) {
            EXPECT_FALSE(http.ErrorText().empty());
            EXPECT_EQ(rec.Docs[rec.Docs.size() - 2].ErrorText, http.ErrorText());
        }
    }
}

TEST_F(HttpTransferTest, ManyChunksGiveManyDataEvents) {
    const std::string body = RandomBytes(5000, 2);
    ScriptedServer server({{S::Read(), S::Send("HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\n"),
                            S::SendInChunks(body, 10, 50), S::Close()}});
    HttpTransfer http;
    TransferRecorder rec(http);
    Fetch(http, rec, server.Url("a.gif"));
    EXPECT_GT(rec.DataEvents, 1);
    EXPECT_TRUE(rec.Data == body);
}

TEST_F(HttpTransferTest, StalledReplyFailsAfterTheStallTime) {
    Transfer::SetTimeouts({.ConnectMs = 30000, .StallSeconds = 1});
    struct Case {
        const char* Name;
        S::Script Script;
        std::string Outline;
        std::string Stored;
    } cases[] = {
        {"silent after the request", {S::Read(), S::Stall()}, "s1 s2 s6 d4 d5", ""},
        {"silent mid-body",
         {S::Read(), S::Send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nfirst bytes"),
          S::Stall()},
         "s1 s2 s3 d1 d2 d3 s6 d4 d5",
         "first bytes"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        ScriptedServer server({c.Script});
        HttpTransfer http;
        TransferRecorder rec(http);
        Fetch(http, rec, server.Url("slow.html"));
        EXPECT_EQ(rec.Outline(), c.Outline);
        EXPECT_EQ(rec.EndBytes, c.Stored);
        EXPECT_FALSE(std::filesystem::exists(File()));
        EXPECT_EQ(PartialFilesIn(out.Text()), 0);
        EXPECT_EQ(rec.Last().BytesTransferred, static_cast<std::int64_t>(c.Stored.size()));
        EXPECT_NE(http.ErrorText().find("No data received for 1 seconds"), std::string::npos)
            << http.ErrorText();
    }
}

// A server that drips a byte a second never falls silent for the stall time: the low-speed
// limit ends it, as a connection that broke off.
TEST_F(HttpTransferTest, DrippingReplyFailsAfterTheLowSpeedTime) {
    Transfer::SetTimeouts({.StallSeconds = 60, .LowSpeedBytes = 100, .LowSpeedSeconds = 2});
    ScriptedServer server({{S::Read(), S::Send("HTTP/1.1 200 OK\r\nContent-Length: 600\r\n\r\n"),
                            S::SendInChunks(std::string(600, 'x'), 600, 1000), S::Close()}});
    HttpTransfer http;
    TransferRecorder rec(http);
    Fetch(http, rec, server.Url("drip.html"));
    EXPECT_EQ(rec.Outline(), "s1 s2 s3 d1 d2 d3 s6 d4 d5");
    EXPECT_EQ(http.ErrorText(),
              "Less than 100 bytes a second for 2 seconds from " + server.Url("drip.html"));
    EXPECT_FALSE(std::filesystem::exists(File()));
    EXPECT_EQ(PartialFilesIn(out.Text()), 0);
}

// A listener that never accepts, its queue filled: the kernel drops further connection
// attempts, so a connect neither succeeds nor is refused.
TEST_F(HttpTransferTest, NoConnectionWithinTheConnectTimeFails) {
    Transfer::SetTimeouts({.ConnectMs = 500, .StallSeconds = 60});
    int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(listen(listener, 0), 0);
    ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len), 0);
    std::vector<int> fillers;
    for (int i = 0; i < 3; ++i) {
        int f = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        connect(f, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        fillers.push_back(f);
    }
    HttpTransfer http;
    TransferRecorder rec(http);
    Fetch(http, rec, "http://127.0.0.1:" + std::to_string(ntohs(addr.sin_port)) + "/");
    EXPECT_EQ(rec.Outline(), "s1 s4 d4 d5");
    EXPECT_NE(http.ErrorText().find("Failed to connect"), std::string::npos) << http.ErrorText();
    for (int f : fillers) close(f);
    close(listener);
}

TEST_F(HttpTransferTest, FailuresEndWithErrorThenEnd) {
    ScriptedServer server({S::Reply("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello")});
    const int closedPort = FreeLoopbackPort();
    struct Case {
        const char* Name;
        std::string Url;
        std::string LocalFile;
        std::string ErrorMentions;
        bool DeliverData = true;
    } cases[] = {
        {"nobody listening", "http://127.0.0.1:" + std::to_string(closedPort) + "/", File(),
         "127.0.0.1"},
        {"folder missing", server.Url("a.html"), out.Text() + "no/such/folder/a.html",
         out.Text() + "no/such/folder/a.html"},
        {"disk full", server.Url("a.html"), "/dev/full", "/dev/full"},
        {"disk full, bytes counted only", server.Url("a.html"), "/dev/full", "/dev/full", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        HttpTransfer http;
        http.DeliverData = c.DeliverData;
        TransferRecorder rec(http);
        http.GetDoc(c.Url, "", c.LocalFile);
        ASSERT_TRUE(RunUntil([&] { return rec.Ended; }));
        ASSERT_GE(rec.Docs.size(), 2u);
        EXPECT_EQ(rec.Events[rec.Events.size() - 3], "s4");
        EXPECT_EQ(rec.Docs[rec.Docs.size() - 2].State, TransferProgress::Error);
        EXPECT_NE(http.ErrorText().find(c.ErrorMentions), std::string::npos) << http.ErrorText();
        EXPECT_FALSE(http.Busy());
    }
    EXPECT_FALSE(std::filesystem::exists(File())) << "no reply, no file";
}

TEST_F(HttpTransferTest, CompressedReplyIsStoredDecoded) {
    TempFolder site;
    std::string text;
    for (int i = 0; i < 2000; ++i) text += "<p>line " + std::to_string(i) + "</p>\n";
    WriteWholeFile(site.Text() + "page.html", text);
    NginxServer web({.Root = site.Path(), .Gzip = true, .ExtraHttpConfig = "gzip_types *;"});
    HttpTransfer http;
    TransferRecorder rec(http);
    Fetch(http, rec, web.Url("page.html"));
    EXPECT_EQ(http.ReplyHeader("Content-Encoding"), "gzip");
    EXPECT_EQ(Stored(), text);
    EXPECT_EQ(rec.Data, text);
    EXPECT_EQ(rec.Last().BytesTransferred, static_cast<std::int64_t>(text.size()));
    EXPECT_EQ(rec.Last().TotalSize, static_cast<std::int64_t>(text.size()));
}

// Compressed HTTP/2 replies of about one TLS record each, one after the other on one
// connection (a session with one thread). With libcurl's default receive buffer some of them
// had their last bytes delivered a pass late and their end never noticed: they failed after the
// stall time although every byte had arrived.
TEST_F(HttpTransferTest, CompressedHttp2RepliesOfAboutOneRecordEachAllEnd) {
    Transfer::SetTimeouts({.StallSeconds = 2});
    TempFolder site;
    std::mt19937 gen(11);
    const std::string letters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 \n";
    // Text that compresses to about three quarters: these give 16 to 16.8 KB of gzip.
    std::vector<std::string> bodies;
    for (std::size_t length = 20800; length < 21900; length += 3) {
        std::string body = "<html><body><pre>";
        for (std::size_t i = 0; i < length; ++i) body += letters[gen() % letters.size()];
        body += "</pre></body></html>\n";
        WriteWholeFile(site.Text() + "g" + std::to_string(bodies.size()) + ".html", body);
        bodies.push_back(std::move(body));
    }
    NginxServer web({.Root = site.Path(), .Gzip = true, .Https = true, .Http2 = true});
    setenv("SSL_CERT_FILE", web.CaFile().c_str(), 1);
    // One control after the other, as one worker takes file after file: the connection stays.
    std::vector<std::size_t> failed;
    for (std::size_t i = 0; i < bodies.size(); ++i) {
        HttpTransfer http;
        TransferRecorder rec(http);
        Fetch(http, rec, web.Url("g" + std::to_string(i) + ".html"));
        if (http.ReplyHeader("Content-Encoding") != "gzip" || Stored() != bodies[i] ||
            rec.Outline().find("s5") == std::string::npos)
            failed.push_back(i);
    }
    unsetenv("SSL_CERT_FILE");
    EXPECT_TRUE(failed.empty()) << failed.size() << " of " << bodies.size()
                                << " replies did not end whole, the first g"
                                << (failed.empty() ? 0 : failed[0]);
}

TEST_F(HttpTransferTest, HttpsTrustsTheAuthorityNamedBySslCertFile) {
    TempFolder site;
    WriteWholeFile(site.Text() + "index.html", "<html>secure</html>");
    NginxServer web({.Root = site.Path(), .Https = true, .Http2 = true});
    {
        HttpTransfer http;
        TransferRecorder rec(http);
        Fetch(http, rec, web.Url("index.html"));
        EXPECT_EQ(rec.Outline(), "s1 s4 d4 d5") << "an unknown authority is refused";
        EXPECT_NE(http.ErrorText().find("certificate"), std::string::npos) << http.ErrorText();
    }
    for (const char* variable : {"SSL_CERT_FILE", "SSL_CERT_DIR"}) {
        SCOPED_TRACE(variable);
        TempFolder certs;
        if (std::string(variable) == "SSL_CERT_FILE") {
            setenv(variable, web.CaFile().c_str(), 1);
        } else {
            // A hashed certificate folder, as c_rehash makes it.
            std::string hash;
            ASSERT_EQ(
                RunCommand({"/usr/bin/openssl", "x509", "-hash", "-noout", "-in", web.CaFile()},
                           &hash),
                0);
            hash.erase(hash.find_last_not_of("\r\n") + 1);
            std::filesystem::copy_file(web.CaFile(), certs.Path() / (hash + ".0"));
            setenv(variable, certs.Path().c_str(), 1);
        }
        HttpTransfer http;
        TransferRecorder rec(http);
        Fetch(http, rec, web.Url("index.html"));
        unsetenv(variable);
        EXPECT_EQ(rec.Outline(), "s1 s2 s3 d1 d2 d3 s5 d5") << http.ErrorText();
        EXPECT_EQ(Stored(), "<html>secure</html>");
        EXPECT_EQ(http.StatusCode(), 200);
        EXPECT_EQ(http.ReplyText(), "") << "HTTP/2 replies carry no reason text";
    }
}

TEST_F(HttpTransferTest, ProxyReceivesTheWholeAddress) {
    ScriptedServer proxy({S::Reply("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok")});
    HttpTransfer http;
    TransferRecorder rec(http);
    http.ProxyHost = "127.0.0.1";
    http.ProxyPort = proxy.Port();
    Fetch(http, rec, "http://site.invalid/dir/page.html");
    EXPECT_EQ(Stored(), "ok");
    ASSERT_EQ(proxy.Requests().size(), 1u);
    EXPECT_EQ(proxy.Requests()[0].rfind("GET http://site.invalid/dir/page.html HTTP/1.1\r\n", 0),
              0u);
}

// As workers do: every transfer has its own control, the next ones start from the End event
// of the last, and one handler holds a nested event loop (a modal box) while the others go on.
// The connections stay open and are used again; over HTTP/2 the transfers share one.
TEST_F(HttpTransferTest, ConcurrentTransfersReuseConnections) {
    constexpr int kFiles = 30, kParallel = 10;
    TempFolder site;
    std::vector<std::string> bodies;
    for (int i = 0; i < kFiles; ++i) {
        bodies.push_back(RandomBytes(20000 + i * 1000, 10 + i));
        WriteWholeFile(site.Text() + "f" + std::to_string(i) + ".bin", bodies.back());
    }
    struct Mode {
        const char* Name;
        bool Https;
        std::size_t MaxConnections;
    } modes[] = {{"HTTP/1.1", false, kParallel}, {"HTTP/2", true, 1}};
    for (const auto& mode : modes) {
        SCOPED_TRACE(mode.Name);
        NginxServer web(
            {.Root = site.Path(), .Https = mode.Https, .Http2 = mode.Https, .AccessLog = true});
        if (mode.Https) setenv("SSL_CERT_FILE", web.CaFile().c_str(), 1);
        TempFolder into;
        std::vector<std::unique_ptr<HttpTransfer>> controls;
        std::vector<int> ends(kFiles, 0);
        int next = 0, finished = 0, finishedInNestedLoop = 0;
        std::function<void()> startNext = [&] {
            const int i = next++;
            auto http = std::make_unique<HttpTransfer>();
            http->OnProgress = [&, i](const TransferProgress& d) {
                if (d.State != TransferProgress::End) return;
                ++ends[i];
                ++finished;
                if (next < kFiles) startNext();
                if (i == 5) {
                    const int before = finished;
                    RunUntil([&] { return finished >= std::min(before + 3, kFiles); });
                    finishedInNestedLoop = finished - before;
                }
            };
            http->GetDoc(web.Url("f" + std::to_string(i) + ".bin"), "",
                         into.Text() + std::to_string(i));
            controls.push_back(std::move(http));
        };
        for (int w = 0; w < kParallel; ++w) startNext();
        ASSERT_TRUE(RunUntil([&] { return finished == kFiles; }));
        unsetenv("SSL_CERT_FILE");
        EXPECT_GE(finishedInNestedLoop, 3);
        for (int i = 0; i < kFiles; ++i) {
            EXPECT_EQ(ends[i], 1) << i;
            EXPECT_TRUE(ReadWholeFile(into.Text() + std::to_string(i)) == bodies[i]) << i;
        }
        std::istringstream log(web.AccessLogText());
        std::set<std::string> connections;
        std::string line;
        int requests = 0;
        while (std::getline(log, line)) {
            connections.insert(line.substr(0, line.find(' ')));
            ++requests;
        }
        EXPECT_EQ(requests, kFiles);
        EXPECT_LE(connections.size(), mode.MaxConnections);
    }
}

TEST_F(HttpTransferTest, CancelInsideAHandler) {
    TempFolder site;
    const std::string body = RandomBytes(4 * 1024 * 1024, 3);
    WriteWholeFile(site.Text() + "big.zip", body);
    NginxServer web({.Root = site.Path()});

    // As the size limit does: cancel at the first data event; the End event still follows,
    // once, and nothing else.
    HttpTransfer http;
    TransferRecorder rec(http);
    bool busyAfterCancel = true;
    rec.AlsoOnDoc = [&](const TransferProgress& d) {
        if (d.State == TransferProgress::Data && rec.DataEvents == 1) {
            http.Cancel();
            busyAfterCancel = http.Busy();
        }
    };
    Fetch(http, rec, web.Url("big.zip"));
    EXPECT_FALSE(busyAfterCancel);
    EXPECT_EQ(rec.Outline(), "s1 s2 s3 d1 d2 d3 d5");
    EXPECT_EQ(rec.DataEvents, 1);
    const std::string stored = rec.EndBytes;
    EXPECT_EQ(static_cast<std::int64_t>(stored.size()), rec.Last().BytesTransferred);
    EXPECT_TRUE(stored == body.substr(0, stored.size()));
    EXPECT_FALSE(std::filesystem::exists(File())) << "a cancelled document is not kept";
    EXPECT_EQ(PartialFilesIn(out.Text()), 0);
    RunUntil([] { return false; }, 200);
    EXPECT_EQ(rec.Docs.back().State, TransferProgress::End) << "no event after the End event";

    // A handler that destroys its own control: no further events, no crash.
    auto owned = std::make_unique<HttpTransfer>();
    int eventsAfter = 0;
    bool destroyed = false;
    owned->OnConnectionState = [&](short) { eventsAfter += destroyed; };
    owned->OnProgress = [&](const TransferProgress& d) {
        eventsAfter += destroyed;
        if (d.State == TransferProgress::Data) {
            destroyed = true;
            owned.reset();
        }
    };
    owned->GetDoc(web.Url("big.zip"), "", out.Text() + "second");
    ASSERT_TRUE(RunUntil([&] { return destroyed; }));
    RunUntil([] { return false; }, 300);
    EXPECT_EQ(eventsAfter, 0);
}

TEST(RemoteHost, IsTheHostOfTheUrl) {
    const std::pair<std::string, std::string> cases[] = {
        {"http://www.Example.com/dir/", "www.Example.com"},
        {"https://127.0.0.1:8443/a.html", "127.0.0.1"},
        {"http://user:pw@host.test:81", "host.test"},
        {"www.site.test/x", "www.site.test"},
        {"", ""},
    };
    for (const auto& [url, host] : cases) {
        HttpTransfer http;
        http.URL = url;
        EXPECT_EQ(http.RemoteHost(), host) << url;
    }
}

}  // namespace
