#include <gtest/gtest.h>

#include <QDateTime>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine/TransferRetries.h"
#include "support/ScriptedServer.h"
#include "support/SessionHarness.h"
#include "support/Subprocess.h"
#include "transfer/Transfer.h"
#include "support/RowCells.h"

namespace fs = std::filesystem;

// Error replies and failed connections, played by a scripted loopback server to whole sessions
// of one worker at a time; every reply closes its connection, so connection i serves the i-th
// request of the session.
namespace {

using Script = ScriptedServer::Script;
using Clock = std::chrono::steady_clock;

std::string Reply(const std::string& statusLine, const std::string& body,
                  const std::string& extraHeaders = "") {
    return "HTTP/1.1 " + statusLine + "\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\n" + extraHeaders + "Connection: close\r\n\r\n" + body;
}

std::string Ok(const std::string& body) {
    return Reply("200 OK", body);
}

// The requests for one path ("GET /a.gif ...").
int RequestsFor(const ScriptedServer& server, const std::string& path) {
    int n = 0;
    for (const std::string& r : server.Requests())
        if (r.rfind("GET " + path + " ", 0) == 0) ++n;
    return n;
}

class ErrorRepliesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Transfer::SetTimeouts({.ConnectMs = 10000, .StallSeconds = 1});
        SetRetryPolicy({.Tries = 3, .FirstPauseMs = 10, .LaterPauseMs = 20});
    }
    void TearDown() override {
        Transfer::SetTimeouts({});
        SetRetryPolicy({});
    }

    void Run(std::vector<Script> scripts) {
        server = std::make_unique<ScriptedServer>(std::move(scripts));
        h.settings.MaximumThreads = 1;
        ASSERT_TRUE(h.Start(server->Url()));
        ASSERT_TRUE(h.RunUntilFinished(60000));
    }
    RowCells Row(int r) { return Cells(h.state.View.Row(r)); }
    fs::path Project() { return h.folder.Path() / "site"; }

    SessionHarness h;
    std::unique_ptr<ScriptedServer> server;
};

const std::string kTwoImages = "<html><img src='a.gif'><img src='b.gif'></html>";

struct ErrorCase {
    const char* name;
    const char* statusLine;
    const char* told;  // how the failure is told after the address
};

class ErrorReplies : public ErrorRepliesTest, public ::testing::WithParamInterface<ErrorCase> {};

// The error page is neither kept nor counted nor scanned, and the failure is named.
TEST_P(ErrorReplies, EndTheRowIgnoredAndAreNamed) {
    Run({ScriptedServer::Reply(Ok(kTwoImages)),
         ScriptedServer::Reply(Reply(GetParam().statusLine,
                                     "<html>error<img src='from-error-page.gif'></html>")),
         ScriptedServer::Reply(Ok("GIF89a"))});
    EXPECT_EQ(Row(2), (RowCells{"2", "a.gif", "0", "0", "Ignored"}));
    EXPECT_EQ(Row(3), (RowCells{"3", "b.gif", "6", "6", "Complete"}));
    EXPECT_FALSE(fs::exists(Project() / "a.gif"));
    EXPECT_EQ(RequestsFor(*server, "/a.gif"), 1);  // not a transient status: asked once
    EXPECT_EQ(server->Requests().size(), 3u);
    EXPECT_EQ(h.state.FilesRead, 2);
    EXPECT_EQ(h.state.BytesReceived, static_cast<std::int64_t>(kTwoImages.size()) + 6);
    EXPECT_EQ(h.prompts.FilesNotRetrieved,
              std::vector<std::string>{server->Url("a.gif") + " answered " + GetParam().told});
    EXPECT_EQ(h.engine.LastOutcome(), RunControl::Outcome::Completed);
}

INSTANTIATE_TEST_SUITE_P(
    Worker, ErrorReplies,
    ::testing::Values(ErrorCase{"BadRequest", "400 Bad Request", "400 Bad Request"},
                      ErrorCase{"Forbidden", "403 Forbidden", "403 Forbidden"},
                      ErrorCase{"NotFound", "404 Not Found", "404 Not Found"},
                      ErrorCase{"NotFoundWithoutReason", "404 ", "404 Not Found"},
                      ErrorCase{"OwnReason", "410 Long Gone", "410 Long Gone"},
                      ErrorCase{"ServerError", "500 Internal Server Error",
                                "500 Internal Server Error"},
                      ErrorCase{"Unknown", "599 ", "599"}),
    [](const auto& info) { return std::string(info.param.name); });

struct TransientCase {
    const char* name;
    Script failure;
};

class TransientFailures : public ErrorRepliesTest,
                          public ::testing::WithParamInterface<TransientCase> {};

TEST_P(TransientFailures, AreTriedAgain) {
    Run({ScriptedServer::Reply(Ok(kTwoImages)), GetParam().failure,
         ScriptedServer::Reply(Ok("AAAA")), ScriptedServer::Reply(Ok("GIF89a"))});
    EXPECT_EQ(RequestsFor(*server, "/a.gif"), 2);
    EXPECT_EQ(Row(2), (RowCells{"2", "a.gif", "4", "4", "Complete"}));
    EXPECT_EQ(ReadWholeFile(Project() / "a.gif"), "AAAA");
    EXPECT_EQ(Row(3), (RowCells{"3", "b.gif", "6", "6", "Complete"}));
    EXPECT_EQ(h.state.FilesRead, 3);
    EXPECT_TRUE(h.prompts.FilesNotRetrieved.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Worker, TransientFailures,
    ::testing::Values(
        TransientCase{"TooManyRequests", ScriptedServer::Reply(Reply("429 Too Many Requests", "x"))},
        TransientCase{"BadGateway", ScriptedServer::Reply(Reply("502 Bad Gateway", "x"))},
        TransientCase{"Unavailable", ScriptedServer::Reply(Reply("503 Service Unavailable", "x"))},
        TransientCase{"GatewayTimeout", ScriptedServer::Reply(Reply("504 Gateway Timeout", "x"))},
        TransientCase{"ResetBeforeReply", {ScriptedServer::Read(), ScriptedServer::Reset()}},
        TransientCase{"ClosedWithoutReply", {ScriptedServer::Read(), ScriptedServer::Close()}},
        TransientCase{"SilentBeforeReply", {ScriptedServer::Read(), ScriptedServer::Stall()}}),
    [](const auto& info) { return std::string(info.param.name); });

// The server's account of a site whose files fail in several ways: the missing ones are named,
// the busy ones come on their second try, and no error page is kept.
TEST_F(ErrorRepliesTest, SiteWithMissingAndBusyFiles) {
    const std::string busy = Reply("503 Service Unavailable", "<html>busy</html>");
    const std::string missing = Reply("404 Not Found", "<html>not here</html>");
    Run({ScriptedServer::Reply(Ok("<html><img src='a.gif'><img src='b.gif'><a href='c.html'>c</a>"
                                  "<img src='d.gif'></html>")),
         ScriptedServer::Reply(missing),        // a.gif
         ScriptedServer::Reply(busy),           // b.gif
         ScriptedServer::Reply(Ok("BBB")),      // b.gif again
         ScriptedServer::Reply(busy),           // c.html
         ScriptedServer::Reply(Ok("<html>c</html>")),
         ScriptedServer::Reply(missing)});      // d.gif
    EXPECT_FALSE(fs::exists(Project() / "a.gif"));
    EXPECT_FALSE(fs::exists(Project() / "d.gif"));
    EXPECT_EQ(ReadWholeFile(Project() / "b.gif"), "BBB");
    EXPECT_EQ(ReadWholeFile(Project() / "c.html"), "<html>c</html>");
    EXPECT_EQ(h.prompts.FilesNotRetrieved,
              (std::vector<std::string>{server->Url("a.gif") + " answered 404 Not Found",
                                        server->Url("d.gif") + " answered 404 Not Found"}));
    EXPECT_EQ(h.state.FilesRead, 3);
    for (const auto& entry : fs::directory_iterator(Project()))
        EXPECT_EQ(ReadWholeFile(entry.path()).find("busy"), std::string::npos) << entry.path();
}

TEST_F(ErrorRepliesTest, GivesUpAfterTheLastTry) {
    const Script busy = ScriptedServer::Reply(Reply("503 Service Unavailable", "busy"));
    Run({ScriptedServer::Reply(Ok(kTwoImages)), busy, busy, busy,
         ScriptedServer::Reply(Ok("GIF89a"))});
    EXPECT_EQ(RequestsFor(*server, "/a.gif"), 3);
    EXPECT_EQ(Row(2)[3], "0");
    EXPECT_EQ(Row(2)[4], "Ignored");
    EXPECT_FALSE(fs::exists(Project() / "a.gif"));
    EXPECT_EQ(h.prompts.FilesNotRetrieved,
              std::vector<std::string>{server->Url("a.gif") + " answered 503 Service Unavailable"});
}

TEST_F(ErrorRepliesTest, OneTryTurnsRetryingOff) {
    SetRetryPolicy({.Tries = 1, .FirstPauseMs = 10, .LaterPauseMs = 20});
    Run({ScriptedServer::Reply(Ok(kTwoImages)),
         {ScriptedServer::Read(), ScriptedServer::Reset()},
         ScriptedServer::Reply(Ok("GIF89a"))});
    EXPECT_EQ(RequestsFor(*server, "/a.gif"), 1);
    EXPECT_EQ(Row(2)[4], "Ignored");
    ASSERT_EQ(h.prompts.FilesNotRetrieved.size(), 1u);
    EXPECT_EQ(h.prompts.FilesNotRetrieved[0].rfind(server->Url("a.gif") + " failed: ", 0), 0u);
    EXPECT_EQ(Row(3)[4], "Complete");
}

// A reply cut off after its first bytes is not asked again: what came may already have cost
// the server its work, and the same request would fail the same way.
TEST_F(ErrorRepliesTest, ConnectionBrokenAfterTheReplyBeganIsNotTriedAgain) {
    Run({ScriptedServer::Reply(Ok(kTwoImages)),
         {ScriptedServer::Read(),
          ScriptedServer::Send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nGIF"),
          ScriptedServer::Reset()},
         ScriptedServer::Reply(Ok("GIF89a"))});
    EXPECT_EQ(RequestsFor(*server, "/a.gif"), 1);
    EXPECT_EQ(Row(2)[4], "Ignored");
    // Not kept, and named with the reason, as a file that failed before its first byte.
    EXPECT_FALSE(fs::exists(Project() / "a.gif"));
    ASSERT_EQ(h.prompts.FilesNotRetrieved.size(), 1u);
    EXPECT_EQ(h.prompts.FilesNotRetrieved[0].rfind(server->Url("a.gif") + " failed: ", 0), 0u);
}

struct RetryAfterCase {
    const char* name;
    const char* header;
    int atLeastMs;
    int belowMs;
};

class RetryAfter : public ErrorRepliesTest, public ::testing::WithParamInterface<RetryAfterCase> {};

TEST_P(RetryAfter, DecidesThePause) {
    const auto started = Clock::now();
    Run({ScriptedServer::Reply(Ok(kTwoImages)),
         ScriptedServer::Reply(Reply("503 Service Unavailable", "busy", GetParam().header)),
         ScriptedServer::Reply(Ok("AAAA")), ScriptedServer::Reply(Ok("GIF89a"))});
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started).count();
    EXPECT_EQ(ReadWholeFile(Project() / "a.gif"), "AAAA");
    EXPECT_GE(ms, GetParam().atLeastMs);
    EXPECT_LT(ms, GetParam().belowMs);
}

INSTANTIATE_TEST_SUITE_P(
    Worker, RetryAfter,
    ::testing::Values(
        RetryAfterCase{"Seconds", "Retry-After: 2\r\n", 2000, 20000},
        // Longer than anyone waits for a file: the usual pause applies.
        RetryAfterCase{"TooLong", "Retry-After: 31\r\n", 0, 20000},
        RetryAfterCase{"Unreadable", "Retry-After: soon\r\n", 0, 20000}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ErrorRepliesTest, StopEndsThePauseAtOnce) {
    SetRetryPolicy({.Tries = 3, .FirstPauseMs = 120000, .LaterPauseMs = 120000});
    server = std::make_unique<ScriptedServer>(std::vector<Script>{
        ScriptedServer::Reply(Ok(kTwoImages)),
        ScriptedServer::Reply(Reply("503 Service Unavailable", "busy"))});
    h.settings.MaximumThreads = 1;
    ASSERT_TRUE(h.Start(server->Url()));
    QTimer watch;
    watch.setInterval(10);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (h.state.View.GridRowCount() > 2 && h.state.View.Row(2).State == FileState::Retrying) {
            watch.stop();
            h.engine.StopSession();
        }
    });
    watch.start();
    const auto started = Clock::now();
    ASSERT_TRUE(h.RunUntilFinished(20000));
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(20));
    EXPECT_EQ(RequestsFor(*server, "/a.gif"), 1);
    EXPECT_EQ(Row(2)[4], "Ignored");
    EXPECT_EQ(h.state.View.GridRowCount(), 3);  // b.gif was not started
    EXPECT_EQ(h.engine.LastOutcome(), RunControl::Outcome::Completed);
}

TEST_F(ErrorRepliesTest, StartPageThatCannotBeReachedIsTriedAgain) {
    SetRetryPolicy({.Tries = 3, .FirstPauseMs = 300, .LaterPauseMs = 300});
    const auto started = Clock::now();
    ASSERT_TRUE(h.Start(SessionHarness::Site));  // nobody listens there
    ASSERT_TRUE(h.RunUntilFinished(60000));
    // Two pauses (timers may fire a little early).
    EXPECT_GE(Clock::now() - started, std::chrono::milliseconds(500));
    EXPECT_EQ(h.engine.LastOutcome(), RunControl::Outcome::NotConnected);
    ASSERT_EQ(h.prompts.MessageTexts().size(), 1u);
    EXPECT_EQ(h.prompts.MessageTexts()[0].rfind(
                  "Lanternway is unable to connect with host \"127.0.0.1 \": Failed to connect", 0),
              0u)
        << h.prompts.MessageTexts()[0];
}

TEST(RetryPause, FollowsThePolicy) {
    const RetryPolicy policy{.Tries = 3, .FirstPauseMs = 1000, .LaterPauseMs = 4000};
    EXPECT_EQ(RetryPauseMs(policy, 2, ""), 1000);
    EXPECT_EQ(RetryPauseMs(policy, 3, ""), 4000);
    EXPECT_EQ(RetryPauseMs(policy, 2, " 30 "), 30000);
    EXPECT_EQ(RetryPauseMs(policy, 2, "0"), 0);
    EXPECT_EQ(RetryPauseMs(policy, 3, "31"), 4000);
    EXPECT_EQ(RetryPauseMs(policy, 2, "Wed, 21 Oct 2015 07:28:00 GMT"), 0);  // in the past
    EXPECT_EQ(RetryPauseMs(policy, 2, "-5"), 1000);
    const std::string soon = QDateTime::currentDateTimeUtc()
                                 .addSecs(10)
                                 .toString("ddd, dd MMM yyyy hh:mm:ss 'GMT'")
                                 .toStdString();
    EXPECT_NEAR(RetryPauseMs(policy, 2, soon), 10000, 1500);
}

}  // namespace
