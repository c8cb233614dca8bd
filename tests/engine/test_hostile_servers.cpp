// Whole sessions against servers that misbehave on purpose. Whatever the server does, the
// session completes, its counters agree with each other, nothing is written outside the project
// folder, and the event loop keeps turning while the transfers go on.
#include <gtest/gtest.h>

#include <QTimer>
#include <filesystem>
#include <functional>
#include <random>

#include "core/PartialFiles.h"
#include "engine/RunControl.h"
#include "engine/TransferRetries.h"
#include "support/ScriptedServer.h"
#include "support/SessionHarness.h"
#include "support/Subprocess.h"
#include "support/TransferRecorder.h"
#include "transfer/HttpTransfer.h"
#include "support/RowCells.h"

namespace fs = std::filesystem;
using S = ScriptedServer;

namespace {

std::string Reply(const std::string& type, const std::string& body) {
    return "HTTP/1.0 200 OK\r\nContent-Type: " + type +
           "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

S::Script Page(const std::string& html) {
    return S::Reply(Reply("text/html", html));
}

S::Script Redirect(const std::string& to) {
    return S::Reply("HTTP/1.0 301 Moved Permanently\r\nLocation: " + to +
                    "\r\nContent-Length: 0\r\n\r\n");
}

std::string Bytes(std::size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(gen());
    return s;
}

struct Scenario {
    const char* Name;
    std::vector<S::Script> Scripts;  // connection by connection; the last one for all others
    int Threads = 10;
    std::function<void(SessionSettings&)> Settings = {};
    // Runs after the session: the files of the project folder, the rows by file column.
    std::function<void(const fs::path& project, const std::map<std::string, std::string>& states,
                       const ScriptedServer& server, SessionHarness& h)>
        Check = {};
};

class HostileServers : public ::testing::Test {
  protected:
    void SetUp() override {
        EnsureQtApp();
        Transfer::SetTimeouts({.ConnectMs = 5000, .StallSeconds = 1});
        SetRetryPolicy({.Tries = 3, .FirstPauseMs = 10, .LaterPauseMs = 10});
    }
    void TearDown() override {
        Transfer::SetTimeouts({});
        SetRetryPolicy({});
    }

    void Run(const Scenario& sc) {
        SCOPED_TRACE(sc.Name);
        ScriptedServer server(sc.Scripts);
        SessionHarness h;
        h.settings.MaximumThreads = sc.Threads;
        if (sc.Settings) sc.Settings(h.settings);

        // Counts the turns of the event loop taken while a transfer was under way.
        int turnsWhileRunning = 0;
        QTimer heartbeat;
        QObject::connect(&heartbeat, &QTimer::timeout, [&] {
            if (h.state.RunningThreads > 0 && !h.state.SessionComplete) ++turnsWhileRunning;
        });
        heartbeat.start(0);
        ASSERT_TRUE(h.Start(server.Url()));
        ASSERT_TRUE(h.RunUntilFinished()) << "the session did not complete";
        heartbeat.stop();
        EXPECT_GT(turnsWhileRunning, 0);

        // Counters and rows agree.
        const SessionState& s = h.state;
        EXPECT_EQ(s.RunningThreads, 0);
        EXPECT_EQ(s.QueuedCount, 0);
        EXPECT_EQ(s.PendingCount(), 0u);
        EXPECT_EQ(h.engine.LiveWorkers(), 0);
        EXPECT_EQ(s.View.ThreadCountLabel(), "0");
        EXPECT_FALSE(s.Running());
        std::map<std::string, std::string> states;
        int counted = 0;
        std::int64_t bytes = 0;
        for (int r = 1; r < s.View.GridRowCount(); ++r) {
            const auto& row = Cells(s.View.Row(r));
            if (row[1].empty()) continue;
            states[row[1]] = row[4];
            EXPECT_TRUE(row[4] == "Complete" || row[4] == "Ignored") << row[1] << ": " << row[4];
            if (row[4] == "Complete" && row[3] != "0") {
                ++counted;
                bytes += std::stoll(row[3]);
            }
        }
        EXPECT_EQ(s.FilesRead, counted);
        EXPECT_EQ(s.BytesReceived, bytes);

        // Every file is a plain file directly in the project folder; no temporary file is left.
        const fs::path project = h.folder.Path() / "site";
        for (const auto& e : fs::recursive_directory_iterator(h.folder.Path())) {
            if (e.is_directory() && e.path() == project) continue;
            EXPECT_TRUE(e.is_regular_file()) << e.path();
            EXPECT_EQ(e.path().parent_path(), project) << e.path();
            EXPECT_FALSE(IsPartialFileName(e.path().filename().string())) << e.path();
        }
        if (sc.Check) sc.Check(project, states, server, h);
    }
};

TEST_F(HostileServers, BrokenAndStalledTransfers) {
    const std::string page = "<html><img src=\"a.gif\"><img src=\"b.gif\"></html>";
    const std::string picture = Bytes(10000, 1);
    const std::string head =
        "HTTP/1.0 200 OK\r\nContent-Type: image/gif\r\nContent-Length: 10000\r\n\r\n";
    auto onlyBIsKept = [&](const fs::path& project, const std::map<std::string, std::string>& st,
                           const ScriptedServer&, SessionHarness& h) {
        EXPECT_FALSE(fs::exists(project / "a.gif"));
        EXPECT_TRUE(ReadWholeFile((project / "b.gif").string()) == picture);
        EXPECT_EQ(h.state.FilesRead, 2);
        EXPECT_EQ(st.at("b.gif"), "Complete");
    };
    const std::vector<Scenario> scenarios = {
        {"connection reset mid-body",
         {Page(page),
          {S::Read(), S::Send(head + picture.substr(0, 4000)), S::Reset()},
          S::Reply(head + picture)},
         1,
         {},
         onlyBIsKept},
        // Silence before any reply may be a moment's trouble: the file is asked for again.
        {"accepts and does not answer the first time",
         {Page(page), {S::Read(), S::Stall()}, S::Reply(head + picture)},
         1,
         {},
         [&](const fs::path& project, const std::map<std::string, std::string>& st,
             const ScriptedServer& server, SessionHarness& h) {
             EXPECT_TRUE(ReadWholeFile((project / "a.gif").string()) == picture);
             EXPECT_TRUE(ReadWholeFile((project / "b.gif").string()) == picture);
             EXPECT_EQ(st.at("a.gif"), "Complete");
             EXPECT_EQ(server.Requests().size(), 4u);
             EXPECT_EQ(h.state.FilesRead, 3);
         }},
        {"accepts and never answers",
         {Page(page), {S::Read(), S::Stall()}, {S::Read(), S::Stall()}, {S::Read(), S::Stall()},
          S::Reply(head + picture)},
         1,
         {},
         onlyBIsKept},
        {"header that never ends",
         {Page(page),
          {S::Read(), S::Send("HTTP/1.0 200 OK\r\n"),
           S::SendInChunks(
               [] {
                   std::string lines;
                   while (lines.size() < 2 * 1024 * 1024)
                       lines += "X-Filler: " + std::string(100, 'f') + "\r\n";
                   return lines;
               }(),
               64),
           S::Stall()},
          S::Reply(head + picture)},
         1,
         {},
         onlyBIsKept},
        {"1 MB header line",
         {Page(page),
          S::Reply("HTTP/1.0 200 OK\r\nX-Big: " + std::string(1024 * 1024, 'a') +
                   "\r\nContent-Length: 5\r\n\r\nhello"),
          S::Reply(head + picture)},
         1,
         {},
         onlyBIsKept},
        // A reply that is no HTTP at all is a failure, not a file retrieved empty.
        {"answers with no HTTP at all",
         {Page(page), S::Reply("this is not a reply\r\n\r\n"), S::Reply(head + picture)},
         1,
         {},
         [&](const fs::path& project, const std::map<std::string, std::string>& st,
             const ScriptedServer& server, SessionHarness& h) {
             onlyBIsKept(project, st, server, h);
             EXPECT_EQ(st.at("a.gif"), "Ignored");
         }},
        {"the page never answers",
         {{S::Read(), S::Stall()}},
         10,
         {},
         [](const fs::path&, const std::map<std::string, std::string>&, const ScriptedServer&,
            SessionHarness& h) {
             EXPECT_EQ(h.engine.LastOutcome(), RunControl::Outcome::NotConnected);
         }},
    };
    for (const Scenario& sc : scenarios) Run(sc);
}

TEST_F(HostileServers, RedirectChainsAndLoops) {
    // r0 -> r1 -> ... -> r59 -> r60 -> r60 ...: a chain longer than any site needs.
    std::vector<S::Script> chain{Page("<html><a href=\"r0.html\">start</a></html>")};
    for (int i = 0; i <= 60; ++i) chain.push_back(Redirect("r" + std::to_string(i + 1) + ".html"));
    // a -> b -> a, and c -> c.
    const std::vector<Scenario> scenarios = {
        {"endless redirect chain",
         chain,
         1,
         {},
         [](const fs::path&, const std::map<std::string, std::string>&,
            const ScriptedServer& server, SessionHarness& h) {
             EXPECT_LE(server.Connections(), 2 + MaxRedirectHops);
             EXPECT_GE(server.Connections(), 2 + MaxRedirectHops);
             // The end of the chain is named, as any file that could not be retrieved.
             ASSERT_EQ(h.prompts.FilesNotRetrieved.size(), 1u);
             EXPECT_EQ(h.prompts.FilesNotRetrieved[0],
                       server.Url("r20.html") + " redirects more than 20 times in a row");
         }},
        {"redirect loop",
         {Page("<html><a href=\"a.html\">a</a><a href=\"c.html\">c</a></html>"), Redirect("b.html"),
          Redirect("c.html"), Redirect("a.html")},
         1,
         {},
         [](const fs::path&, const std::map<std::string, std::string>& st,
            const ScriptedServer& server, SessionHarness&) {
             // The page, a, c, b: neither the loop back to a nor c's own address is followed.
             EXPECT_EQ(server.Connections(), 4);
             EXPECT_EQ(st.size(), 4u);
         }},
        // The address is read from the body where the transfer wrote it, also when the
        // connection broke after it.
        {"redirect body cut off",
         {Page("<html><a href=\"a.html\">a</a></html>"),
          {S::Read(),
           S::Send("HTTP/1.0 301 Moved Permanently\r\nContent-Length: 100\r\n\r\n"
                   "<a href=\"/moved.html\">here</a>"),
           S::Reset()},
          Page("<html>moved</html>")},
         1,
         {},
         [](const fs::path& project, const std::map<std::string, std::string>&,
            const ScriptedServer& server, SessionHarness&) {
             EXPECT_EQ(server.Connections(), 3);
             EXPECT_EQ(ReadWholeFile((project / "moved.html").string()), "<html>moved</html>");
             EXPECT_FALSE(fs::exists(project / "a.html"));
         }},
    };
    for (const Scenario& sc : scenarios) Run(sc);
}

TEST_F(HostileServers, PagesThatAreNotWhatTheySay) {
    // 100 000 links: a thousand distinct pages, the rest repeats and other sites.
    std::string many = "<html>";
    for (int i = 0; i < 100000; ++i) {
        if (i < 1000)
            many += "<a href=\"p" + std::to_string(i) + ".html\">p</a>\n";
        else if (i % 2)
            many += "<a href=\"p" + std::to_string(i % 1000) + ".html\">again</a>\n";
        else
            many += "<a href=\"http://elsewhere.invalid/q" + std::to_string(i) + ".html\">x</a>\n";
    }
    many += "</html>";
    const std::string binary = Bytes(256 * 1024, 7);
    const std::string zip = Bytes(8192, 9);
    const std::vector<Scenario> scenarios = {
        {"a page of 100 000 links",
         {Page(many), Page("<html>leaf</html>")},
         10,
         {},
         [](const fs::path& project, const std::map<std::string, std::string>&,
            const ScriptedServer& server, SessionHarness& h) {
             EXPECT_EQ(server.Connections(), 1001);
             EXPECT_EQ(h.state.FilesRead, 1001);
             EXPECT_TRUE(fs::exists(project / "p999.html"));
         }},
        {"binary bytes served as HTML",
         {Page(binary)},
         10,
         {},
         [&](const fs::path& project, const std::map<std::string, std::string>&,
             const ScriptedServer&, SessionHarness& h) {
             EXPECT_TRUE(ReadWholeFile((project / "Main.html").string()) == binary);
             EXPECT_EQ(h.state.FilesRead, 1);
         }},
        {"slow drip under a size limit",
         {Page("<html><a href=\"big.zip\">zip</a></html>"),
          {S::Read(), S::Send("HTTP/1.0 200 OK\r\nContent-Type: application/zip\r\n\r\n"),
           S::SendInChunks(zip, 512, 10), S::Close()}},
         10,
         [](SessionSettings& s) {
             s.RetrieveZIPEXEFiles = true;
             s.FileSizeLimits = {{".zip", 1}};
         },
         [](const fs::path& project, const std::map<std::string, std::string>& st,
            const ScriptedServer&, SessionHarness&) {
             EXPECT_EQ(st.at("big.zip"), "Ignored");
             EXPECT_FALSE(fs::exists(project / "big.zip"));
         }},
    };
    for (const Scenario& sc : scenarios) Run(sc);
}

// Stop while a server drips a picture: the transfer may go on for the stop's grace, then it is
// cancelled and its file dropped, and the session completes with its record. Ending the grace
// at once cancels it on the spot.
TEST_F(HostileServers, StopEndsADrippingTransferAfterItsGrace) {
    // The drip would go on for minutes: only the stop can end it here.
    Transfer::SetTimeouts({.ConnectMs = 5000, .StallSeconds = 60, .LowSpeedSeconds = 0});
    struct Case {
        const char* Name;
        bool AtOnce;
        std::string Reason;
    } cases[] = {
        {"after the grace", false, "cancelled 1 seconds after the session was stopped"},
        {"at once", true, "cancelled when the session was stopped"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        ScriptedServer server(
            {Page("<html><img src=\"drip.gif\"></html>"),
             {S::Read(), S::Send("HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\nGIF"),
              S::SendInChunks(std::string(997, 'x'), 997, 1000), S::Close()}});
        SessionHarness h;
        h.engine.StopGraceMs = 300;
        ASSERT_TRUE(h.Start(server.Url()));
        ASSERT_TRUE(RunUntil([&] { return h.Row(2, 4) == "Transferring.."; }));
        if (c.AtOnce)
            h.engine.EndTransfersNow();
        else
            h.engine.StopSession();
        ASSERT_TRUE(h.RunUntilFinished()) << "the stop did not end the transfer";
        EXPECT_EQ(h.Row(2, 4), "Ignored");
        EXPECT_EQ(h.prompts.FilesNotRetrieved,
                  std::vector<std::string>{server.Url("drip.gif") + " failed: " + c.Reason});
        EXPECT_EQ(h.engine.LastOutcome(), RunControl::Outcome::Completed);
        EXPECT_EQ(h.Saves, 1);
        EXPECT_EQ(h.engine.LiveWorkers(), 0);
        EXPECT_FALSE(fs::exists(h.folder.Path() / "site" / "drip.gif"));
        EXPECT_EQ(PartialFilesIn(h.folder.Text() + "site"), 0);
    }
}

// The transfer itself: a header that goes on and on, or one line of it that does, is given up
// early with a reason that says so (not "Out of memory"), instead of being kept for as long as
// the server sends.
TEST(HostileReplies, HeaderWithoutEndIsCutShort) {
    EnsureQtApp();
    std::string lines = "HTTP/1.0 200 OK\r\n";
    while (lines.size() < 4 * 1024 * 1024) lines += "X-Filler: " + std::string(100, 'f') + "\r\n";
    const std::string oneLine =
        "HTTP/1.0 200 OK\r\nX-Filler: " + std::string(1024 * 1024, 'f') + "\r\n\r\nbody";
    struct Case {
        const char* Name;
        std::string Reply;
        std::string Error;
    } cases[] = {
        {"many lines", lines, "Reply header longer than 262144 bytes from "},
        {"one line of a megabyte", oneLine, "Reply header line longer than 102400 bytes from "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        ScriptedServer server({{S::Read(), S::SendInChunks(c.Reply, 256), S::Close()}});
        TempFolder out;
        HttpTransfer http;
        TransferRecorder rec(http);
        http.GetDoc(server.Url("a.html"), "", out.Text() + "a.html");
        ASSERT_TRUE(RunUntil([&] { return rec.Ended; }));
        EXPECT_EQ(rec.Outline(), "s1 s2 s4 d4 d5");
        EXPECT_EQ(http.ErrorText(), c.Error + server.Url("a.html"));
        EXPECT_LE(http.ReplyHeaders().size(), 256u * 1024);
        EXPECT_FALSE(fs::exists(out.Text() + "a.html"));
    }
}

}  // namespace
