#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/ScriptedServer.h"
#include "support/SessionHarness.h"
#include "support/Subprocess.h"
#include "transfer/Transfer.h"
#include "engine/ProtectedFetch.h"
#include "support/RowCells.h"

namespace fs = std::filesystem;

// Replies that real servers do not give on demand, played by a scripted loopback server to a
// whole session. One worker at a time, and every reply closes its connection, so connection i
// serves the i-th file of the session.
namespace {

using Script = ScriptedServer::Script;

std::string Ok(const std::string& body) {
    return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

class RepliesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Transfer::SetTimeouts({.ConnectMs = 10000, .StallSeconds = 1});
    }
    void TearDown() override { Transfer::SetTimeouts({}); }

    // Runs a session of one worker at a time against the scripts.
    void Run(std::vector<Script> scripts) {
        server = std::make_unique<ScriptedServer>(std::move(scripts));
        h.settings.MaximumThreads = 1;
        ASSERT_TRUE(h.Start(server->Url()));
        ASSERT_TRUE(h.RunUntilFinished());
    }
    RowCells Row(int r) { return Cells(h.state.View.Row(r)); }
    fs::path Project() { return h.folder.Path() / "site"; }

    SessionHarness h;
    std::unique_ptr<ScriptedServer> server;
};

struct RedirectCase {
    const char* name;
    const char* statusLine;
};

class RedirectReplies : public RepliesTest, public ::testing::WithParamInterface<RedirectCase> {};

TEST_P(RedirectReplies, LocationIsQueuedAndTheBodyIsNotThePage) {
    const std::string body = "<!DOCTYPE \"html\"><a href=\"elsewhere.html\">moved</a>";
    Run({ScriptedServer::Reply(Ok("<html><a href='old.html'>x</a></html>")),
         ScriptedServer::Reply(
             std::string(GetParam().statusLine) +
             "\r\nLocation: /new/page.html\r\nContent-Length: " + std::to_string(body.size()) +
             "\r\nConnection: close\r\n\r\n" + body),
         ScriptedServer::Reply(Ok("<html>the page<img src='a.gif'></html>")),
         ScriptedServer::Reply(Ok("GIF89a"))});
    const auto requests = server->Requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[2].rfind("GET /new/page.html ", 0), 0u);
    EXPECT_EQ(requests[3].rfind("GET /new/a.gif ", 0), 0u);  // relative to the new address
    EXPECT_EQ(Row(2)[1], "old.html");
    EXPECT_EQ(Row(2)[3], "0");
    EXPECT_EQ(Row(2)[4], "Complete");
    EXPECT_EQ(Row(3), (RowCells{"3", "new/page.html", "38", "38", "Complete"}));
    EXPECT_EQ(ReadWholeFile(Project() / "page.html"), "<html>the page<img src='a.gif'></html>");
    EXPECT_FALSE(fs::exists(Project() / "elsewhere.html"));
    EXPECT_EQ(h.state.FilesRead, 3);
}

INSTANTIATE_TEST_SUITE_P(
    Worker, RedirectReplies,
    ::testing::Values(RedirectCase{"Moved", "HTTP/1.1 301 Moved Permanently"},
                      RedirectCase{"Found", "HTTP/1.1 302 Found"},
                      RedirectCase{"SeeOther", "HTTP/1.1 303 See Other"},
                      RedirectCase{"Temporary", "HTTP/1.1 307 Temporary Redirect"},
                      RedirectCase{"Permanent", "HTTP/1.1 308 Permanent Redirect"},
                      RedirectCase{"NoReason", "HTTP/1.1 301 "}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RepliesTest, RedirectWithoutLocationTakesTheFirstQuotedText) {
    const std::string body = "<a href=\"/moved.html\">here</a>";
    Run({ScriptedServer::Reply(Ok("<html><a href='old.html'>x</a><a href='b.html'>b</a></html>")),
         ScriptedServer::Reply("HTTP/1.0 301 Moved Permanently\r\n\r\n" + body),
         ScriptedServer::Reply(Ok("b")), ScriptedServer::Reply(Ok("moved"))});
    const auto requests = server->Requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[3].rfind("GET /moved.html ", 0), 0u);
    EXPECT_EQ(ReadWholeFile(Project() / "moved.html"), "moved");
}

TEST_F(RepliesTest, PageRedirectingToItselfIsFetchedOnce) {
    Run({ScriptedServer::Reply(Ok("<html><a href='loop.html'>x</a></html>")),
         ScriptedServer::Reply(
             "HTTP/1.1 301 Moved Permanently\r\nLocation: /loop.html\r\nContent-Length: 0\r\n"
             "Connection: close\r\n\r\n")});
    EXPECT_EQ(server->Requests().size(), 2u);
    EXPECT_EQ(h.state.View.GridRowCount(), 3);
}

TEST_F(RepliesTest, FolderWithoutSlashRedirectsOnceToTheSameFile) {
    Run({ScriptedServer::Reply(Ok("<html><a href='docs'>x</a></html>")),
         ScriptedServer::Reply("HTTP/1.1 301 Moved Permanently\r\nLocation: /docs/\r\n"
                               "Content-Length: 0\r\nConnection: close\r\n\r\n"),
         ScriptedServer::Reply(Ok("<html>docs</html>")),
         ScriptedServer::Reply("HTTP/1.1 301 Moved Permanently\r\nLocation: /docs\r\n"
                               "Content-Length: 0\r\nConnection: close\r\n\r\n")});
    EXPECT_EQ(server->Requests().size(), 3u);
    EXPECT_EQ(ReadWholeFile(Project() / "docs.html"), "<html>docs</html>");
}

TEST_F(RepliesTest, UnauthorizedWithoutCredentialsIsNotKept) {
    Run({ScriptedServer::Reply(
             Ok("<html><a href='secret.html'>x</a><a href='b.html'>b</a></html>")),
         ScriptedServer::Reply("HTTP/1.1 401 Unauthorized\r\nContent-Length: 6\r\n"
                               "Connection: close\r\n\r\ndenied"),
         ScriptedServer::Reply(Ok("b"))});
    EXPECT_FALSE(fs::exists(Project() / "secret.html"));
    EXPECT_EQ(Row(2)[3], "0");
    EXPECT_EQ(Row(2)[4], "Ignored");
    EXPECT_EQ(h.prompts.FilesNotRetrieved,
              std::vector<std::string>{server->Url("secret.html") + " answered 401 Unauthorized"});
}

class RecordingFetch : public ProtectedFetch {
  public:
    std::vector<std::string> Urls;
    ProtectedFetchResult Fetch(const ProtectedFetchRequest& request) override {
        Urls.push_back(request.URL);
        return {"<html>the secret</html>", 23};
    }
};

TEST_F(RepliesTest, UnauthorizedWithCredentialsIsFetchedProtected) {
    auto fetch = std::make_shared<RecordingFetch>();
    SetProtectedFetch(fetch);
    h.settings.UseHTTPAuthentication = true;
    h.settings.HTTPUserName = "ann";
    Run({ScriptedServer::Reply(
             Ok("<html><a href='secret.html'>x</a><a href='b.html'>b</a></html>")),
         ScriptedServer::Reply("HTTP/1.1 401 Unauthorized\r\nContent-Length: 6\r\n"
                               "Connection: close\r\n\r\ndenied"),
         ScriptedServer::Reply(Ok("b"))});
    SetProtectedFetch(nullptr);
    EXPECT_EQ(fetch->Urls, std::vector<std::string>{server->Url("secret.html")});
    EXPECT_EQ(ReadWholeFile(Project() / "secret.html"), "<html>the secret</html>");
    EXPECT_EQ(Row(2), (RowCells{"2", "secret.html", "23", "23", "Complete"}));
    EXPECT_EQ(h.state.FilesRead, 3);
}

TEST_F(RepliesTest, DocumentInManyChunks) {
    std::string body(50000, 'c');
    Run({ScriptedServer::Reply(Ok("<html><img src='a.gif'></html>")),
         {ScriptedServer::Read(), ScriptedServer::SendInChunks(Ok(body), 50, 2),
          ScriptedServer::Close()}});
    EXPECT_EQ(Row(2), (RowCells{"2", "a.gif", "50000", "50000", "Complete"}));
    EXPECT_EQ(ReadWholeFile(Project() / "a.gif"), body);
}

TEST_F(RepliesTest, ReplyWithoutContentLength) {
    Run({ScriptedServer::Reply(Ok("<html><img src='a.gif'></html>")),
         ScriptedServer::Reply("HTTP/1.0 200 OK\r\n\r\n" + std::string(7000, 'n'))});
    EXPECT_EQ(Row(2), (RowCells{"2", "a.gif", "7000", "7000", "Complete"}));
    EXPECT_EQ(h.state.BytesReceived, 30 + 7000);
}

struct CutCase {
    const char* name;
    Script reply;
};

class CutOffReplies : public RepliesTest, public ::testing::WithParamInterface<CutCase> {};

// A transfer that does not reach its end leaves no file and is not counted.
TEST_P(CutOffReplies, AreIgnored) {
    Run({ScriptedServer::Reply(Ok("<html><img src='a.gif'><img src='b.gif'></html>")),
         GetParam().reply, ScriptedServer::Reply(Ok("bbb"))});
    EXPECT_EQ(Row(2)[1], "a.gif");
    EXPECT_EQ(Row(2)[3], "0");
    EXPECT_EQ(Row(2)[4], "Ignored");
    EXPECT_EQ(Row(3), (RowCells{"3", "b.gif", "3", "3", "Complete"}));
    EXPECT_FALSE(fs::exists(Project() / "a.gif"));
    EXPECT_EQ(h.state.FilesRead, 2);
}

INSTANTIATE_TEST_SUITE_P(
    Worker, CutOffReplies,
    ::testing::Values(
        CutCase{"StallAfterHeader",
                {ScriptedServer::Read(),
                 ScriptedServer::Send("HTTP/1.1 200 OK\r\nContent-Length: 900\r\n\r\n"),
                 ScriptedServer::Stall()}},
        CutCase{"ClosedMidBody",
                {ScriptedServer::Read(),
                 ScriptedServer::Send("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n" +
                                      std::string(400, 'x')),
                 ScriptedServer::Close()}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RepliesTest, ChunkedReplyOverItsSizeLimit) {
    h.settings.FileSizeLimits = {{".gif", 10}};
    std::string chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    for (int i = 0; i < 30; ++i) chunked += "400\r\n" + std::string(1024, 'g') + "\r\n";
    chunked += "0\r\n\r\n";
    Run({ScriptedServer::Reply(Ok("<html><img src='a.gif'><img src='b.gif'></html>")),
         {ScriptedServer::Read(), ScriptedServer::SendInChunks(chunked, 30, 1),
          ScriptedServer::Close()},
         ScriptedServer::Reply(Ok("b"))});
    EXPECT_EQ(Row(2)[3], "0");
    EXPECT_EQ(Row(2)[4], "Ignored");
    EXPECT_FALSE(fs::exists(Project() / "a.gif"));
    EXPECT_EQ(Row(3)[4], "Complete");
}

}  // namespace
