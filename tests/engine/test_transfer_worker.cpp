#include <gtest/gtest.h>

#include <chrono>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "core/Addresses.h"
#include "engine/ProtectedFetch.h"
#include "support/ScriptedServer.h"
#include "support/SessionHarness.h"
#include "support/Subprocess.h"
#include "support/RowCells.h"

namespace fs = std::filesystem;

namespace {

TransferProgress Doc(int state, std::int64_t done, std::int64_t total, std::string_view chunk = {}) {
    TransferProgress d;
    d.State = state;
    d.BytesTransferred = done;
    d.TotalSize = total;
    d.DataChunk = chunk;
    return d;
}

class WorkerTest : public ::testing::Test, public SessionHarness {
  protected:
    // Starts a session whose start page links to the given files; returns after the start
    // page has been received, with the linked files' workers running.
    void StartWith(const std::string& links) {
        ASSERT_TRUE(Start());
        Deliver(Running().at(0), "<html>" + links + "</html>");
    }
    RowCells RowOf(TransferWorker* w) { return Cells(state.View.Row(w->GridRow())); }
};

TEST_F(WorkerTest, DocumentInChunksEndsComplete) {
    ASSERT_TRUE(Start());
    TransferWorker* w = Running().at(0);
    EXPECT_EQ(RowOf(w), (RowCells{"1", std::string(Site), "", "", ""}));
    const int row = w->GridRow();
    Deliver(w, std::string(5000, 'x'), 7);
    EXPECT_EQ(Cells(state.View.Row(row)), (RowCells{"1", Site, "5000", "5000", "Complete"}));
    EXPECT_EQ(state.FilesRead, 1);
    EXPECT_EQ(state.BytesReceived, 5000);
    EXPECT_EQ(state.View.LowerStatusBar(1), "Files Read: 1");
    EXPECT_EQ(state.View.LowerStatusBar(2), "Bytes Received: 5000");
    EXPECT_EQ(state.View.ThreadCountLabel(), "0");
}

// A page that does not stop (a server sending one without end, a page of gigabytes) is
// scanned for its first 32 MB only: the rest goes to the file, not into memory.
TEST_F(WorkerTest, OnlyTheStartOfAnEndlessPageIsScanned) {
    ASSERT_TRUE(Start());
    TransferWorker* w = Running().at(0);
    std::string page = "<html><img src='early.gif'>";
    page.resize((32 << 20) - 8, ' ');
    page += "<img src='late.gif'><img src='after.gif'></html>";  // across the limit and past it
    Deliver(w, page, 64);
    EXPECT_EQ(Cells(state.View.Row(w->GridRow()))[4], "Complete");
    EXPECT_EQ(LocalFileSize(w->LocalFile()), static_cast<std::int64_t>(page.size()));
    std::vector<std::string> queued;
    for (std::size_t i = 0; i < state.PendingCount(); ++i) queued.push_back(state.PendingURL(i));
    for (TransferWorker* r : Running()) queued.push_back(r->RequestURL());
    EXPECT_EQ(queued, std::vector<std::string>{std::string(Site) + "early.gif"});
}

TEST_F(WorkerTest, EmptyDocumentIsCompleteButNotCounted) {
    StartWith("<img src='a.gif'><img src='b.gif'>");
    TransferWorker* w = Worker("a.gif");
    const int row = w->GridRow();
    Deliver(w, "");
    EXPECT_EQ(Cells(state.View.Row(row)), (RowCells{"2", "a.gif", "0", "0", "Complete"}));
    EXPECT_EQ(state.FilesRead, 1);
}

TEST_F(WorkerTest, HeadersEventWritesInitiatedThenDataWritesTransferring) {
    ASSERT_TRUE(Start());
    TransferWorker* w = Running().at(0);
    w->OnHttpProgress(Doc(TransferProgress::Begin, 0, 900));
    EXPECT_EQ(RowOf(w)[4], "Initiated..");
    w->OnHttpProgress(Doc(TransferProgress::Data, 300, 900, std::string(300, 'a')));
    EXPECT_EQ(RowOf(w), (RowCells{"1", Site, "900", "300", "Transferring.."}));
    EXPECT_EQ(state.View.MessageLabel(),
              "Connection to server is established. Data is being transferred..");
    EXPECT_FALSE(state.FirstContactPending);
    w->OnHttpProgress(Doc(TransferProgress::Headers, 300, 900));
    EXPECT_EQ(RowOf(w), (RowCells{"1", Site, "900", "0", "Initiated.."}));
    w->OnHttpProgress(Doc(TransferProgress::Data, 600, 900, std::string(300, 'a')));
    EXPECT_EQ(RowOf(w), (RowCells{"1", Site, "900", "600", "Transferring.."}));
}

struct LimitCase {
    const char* name;
    bool lengthAnnounced;
    int bytes;
    bool ignored;
};

class SizeLimit : public ::testing::TestWithParam<LimitCase> {};

TEST_P(SizeLimit, CutsOffAtTheFirstDataPastTheLimit) {
    const LimitCase& c = GetParam();
    SessionHarness h;
    h.settings.RetrieveZIPEXEFiles = true;
    h.settings.FileSizeLimits = {{".zip", 100}};
    ASSERT_TRUE(h.Start());
    SessionHarness::Deliver(h.Running().at(0), "<html><a href='f.zip'></html>");
    TransferWorker* w = h.Worker("f.zip");
    ASSERT_NE(w, nullptr);
    const int row = w->GridRow();
    SessionHarness::Deliver(w, std::string(c.bytes, 'z'), c.bytes / 4096 + 1, c.lengthAnnounced);
    EXPECT_EQ(h.Row(row, 3), c.ignored ? "0" : std::to_string(c.bytes));
    EXPECT_EQ(h.Row(row, 4), c.ignored ? "Ignored" : "Complete");
    EXPECT_EQ(h.state.FilesRead, c.ignored ? 1 : 2);
    EXPECT_TRUE(h.state.SessionComplete);
    EXPECT_EQ(fs::exists(h.folder.Text() + "site/f.zip"), !c.ignored);
}

INSTANTIATE_TEST_SUITE_P(Worker, SizeLimit,
                         ::testing::Values(LimitCase{"AnnouncedOver", true, 200 * 1024, true},
                                           LimitCase{"UnannouncedOver", false, 200 * 1024, true},
                                           LimitCase{"ExactlyAtLimit", false, 100 * 1024, false},
                                           LimitCase{"Under", true, 1000, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(WorkerTest, AnnouncedSizeOverLimitIsCutAtFirstData) {
    settings.RetrieveZIPEXEFiles = true;
    settings.FileSizeLimits = {{".zip", 100}};
    StartWith("<a href='f.zip'><a href='g.html'>");
    TransferWorker* w = Worker("f.zip");
    w->OnHttpProgress(Doc(TransferProgress::Begin, 0, 200 * 1024));
    w->OnHttpProgress(Doc(TransferProgress::Data, 10, 200 * 1024, "0123456789"));
    EXPECT_TRUE(w->Finished());
    EXPECT_EQ(w->CurrentState(), TransferWorker::State::Closed);
    EXPECT_EQ(state.View.Row(w->GridRow()).State, FileState::Ignored);
    // The cancelled transfer's end changes nothing any more.
    w->OnHttpProgress(Doc(TransferProgress::End, 10, 200 * 1024));
    EXPECT_EQ(RowOf(w)[3], "0");
    EXPECT_EQ(RowOf(w)[4], "Ignored");
    EXPECT_EQ(state.RunningThreads, 1);
}

TEST_F(WorkerTest, TwoWorkersGiveBytesAndSpeed) {
    StartWith("<img src='a.gif'><img src='b.gif'><img src='c.gif'>");
    const std::int64_t start = state.BytesReceived;
    state.BytesReceived = 0;
    state.ElapsedSeconds = 10;
    Deliver(Worker("a.gif"), std::string(1000, 'a'));
    Deliver(Worker("b.gif"), std::string(3000, 'b'));
    EXPECT_EQ(state.View.LowerStatusBar(2), "Bytes Received: 4000");
    EXPECT_EQ(state.View.LowerStatusBar(3), "Retrieval Speed: 0.4 KB/s");
    EXPECT_GT(start, 0);
}

TEST_F(WorkerTest, SiteFoldersAreTheFirstFolderBelowTheRoot) {
    StartWith(
        "<img src='dir/sub/a.gif'><img src='dir/b.gif'><img src='x.gif'><img src='Dir/c.gif'>"
        "<img src='other/d.gif'>");
    for (const char* f : {"a.gif", "b.gif", "x.gif", "c.gif", "d.gif"}) Deliver(Worker(f), "GIF");
    EXPECT_EQ(state.View.SiteChildren(), (std::vector<std::string>{"dir/", "other/"}));
    EXPECT_EQ(state.SiteFolders.Items(), (std::vector<std::string>{Site, "dir/", "other/"}));
}

TEST_F(WorkerTest, FtpCloseBeforeTheEndIsIgnoredAfterItNothing) {
    settings.RetrieveZIPEXEFiles = true;
    settings.RetrieveFromFTP = true;
    settings.FTPUserName = "lw";
    settings.FTPPassword = "pw";
    StartWith(
        "<a href='ftp://127.0.0.1:9/a.zip'><a href='ftp://127.0.0.1:9/pub/b.zip'>"
        "<a href='c.html'>");
    TransferWorker* a = Worker("a.zip");
    TransferWorker* b = Worker("b.zip");
    ASSERT_TRUE(a && b && a->IsFtp() && b->IsFtp());
    EXPECT_EQ(a->Ftp().UserId, "lw");
    EXPECT_EQ(a->Ftp().Password, "pw");
    EXPECT_EQ(RowOf(a)[4], "Initiated..");

    a->OnFtpProgress(Doc(TransferProgress::Begin, 0, 500));
    a->OnFtpProgress(Doc(TransferProgress::Data, 100, 500));
    a->OnFtpConnectionState(TransferState::Closed);
    EXPECT_EQ(RowOf(a)[3], "0");
    EXPECT_EQ(RowOf(a)[4], "Ignored");
    EXPECT_TRUE(a->Finished());

    b->OnFtpProgress(Doc(TransferProgress::Begin, 0, 500));
    b->OnFtpProgress(Doc(TransferProgress::Data, 500, 500));
    b->OnFtpProgress(Doc(TransferProgress::End, 500, 500));
    std::ofstream(b->LocalFile()) << "zip";
    b->OnFtpConnectionState(TransferState::Closed);
    EXPECT_EQ(RowOf(b)[4], "Complete");
    EXPECT_EQ(state.DiscardedFiles, std::vector<std::string>{a->LocalFile()});
    EXPECT_EQ(state.FilesRead, 2);
}

// A document that could not be written or given its name: whether bytes had come or not, the
// row ends "Ignored", nothing is counted, and the reason is reported once.
struct FileFailureCase {
    bool Ftp;
    std::int64_t BytesBefore;  // received before the file failed
};

class FileFailure : public WorkerTest, public ::testing::WithParamInterface<FileFailureCase> {};

TEST_P(FileFailure, EndsTheRowIgnoredAndReportsTheReason) {
    const FileFailureCase& c = GetParam();
    settings.RetrieveZIPEXEFiles = true;
    settings.RetrieveFromFTP = true;
    StartWith(c.Ftp ? "<a href='ftp://127.0.0.1:9/a.zip'>" : "<img src='a.gif'>");
    TransferWorker* w = Worker(c.Ftp ? "a.zip" : "a.gif");
    ASSERT_NE(w, nullptr);
    std::vector<std::string> statusLine;
    QObject::connect(&state.View, &SessionView::MessageChanged,
                     [&] { statusLine.push_back(state.View.MessageLabel()); });
    auto send = [&](const TransferProgress& d) {
        if (c.Ftp)
            w->OnFtpProgress(d);
        else
            w->OnHttpProgress(d);
    };
    if (c.BytesBefore > 0) {
        send(Doc(TransferProgress::Begin, 0, 900));
        send(Doc(TransferProgress::Data, c.BytesBefore, 900));
    }
    const std::string reason = "Cannot create file " + w->LocalFile() + ": File name too long";
    TransferProgress error = Doc(TransferProgress::Error, c.BytesBefore, 900);
    error.ErrorText = reason;
    error.FileFailed = true;
    send(error);
    send(Doc(TransferProgress::End, c.BytesBefore, 900));

    EXPECT_EQ(RowOf(w)[3], "0");
    EXPECT_EQ(RowOf(w)[4], "Ignored");
    EXPECT_TRUE(w->Finished());
    EXPECT_EQ(state.FilesRead, 1) << "only the start page";
    EXPECT_EQ(prompts.FilesNotRetrieved, std::vector<std::string>{reason});
    EXPECT_NE(std::find(statusLine.begin(), statusLine.end(), reason), statusLine.end())
        << "on the status line";
    EXPECT_TRUE(state.SessionComplete);
}

INSTANTIATE_TEST_SUITE_P(Worker, FileFailure,
                         ::testing::Values(FileFailureCase{false, 0}, FileFailureCase{false, 300},
                                           FileFailureCase{true, 0}, FileFailureCase{true, 300}),
                         [](const auto& info) {
                             return std::string(info.param.Ftp ? "Ftp" : "Http") +
                                    (info.param.BytesBefore ? "AfterData" : "BeforeData");
                         });

// A transfer that fails before any byte retrieved nothing: the row says so, and the failure is
// told with the address and the transfer's own reason (not as a file-system failure).
TEST_F(WorkerTest, ConnectionFailureBeforeAnyByteEndsTheRowIgnored) {
    StartWith("<img src='a.gif'>");
    TransferWorker* w = Worker("a.gif");
    Fail(w);
    EXPECT_EQ(RowOf(w)[3], "0");
    EXPECT_EQ(RowOf(w)[4], "Ignored");
    ASSERT_EQ(prompts.FilesNotRetrieved.size(), 1u);
    const std::string& told = prompts.FilesNotRetrieved[0];
    EXPECT_NE(told.find("a.gif failed: Could not connect"), std::string::npos) << told;
}

TEST_F(WorkerTest, FirstFileIsNamedSiteBase) {
    ASSERT_TRUE(Start("http://127.0.0.1:9/dir/"));
    EXPECT_EQ(RowOf(Running().at(0))[1], "http://127.0.0.1:9/dir/");
    EXPECT_EQ(state.View.MessageLabel().rfind("Contacting Remote Host ", 0), 0u);
}

TEST(RedirectReplies, StatusAndReasonText) {
    struct Case {
        int status;
        const char* reason;
        bool redirect;
        bool authorization;
    };
    const Case cases[] = {
        {301, "Moved Permanently", true, false},
        {302, "Found", true, false},
        {303, "", true, false},
        {307, "", true, false},
        {308, "Permanent Redirect", true, false},
        {200, "OK", false, false},
        {304, "Not Modified", false, false},
        {0, "Moved Permanently", true, false},
        {401, "Unauthorized", false, true},
        {401, "", false, true},
        {0, "Authorization Required", false, true},
        {403, "Forbidden", false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsRedirectReply(c.status, c.reason), c.redirect) << c.status << c.reason;
        EXPECT_EQ(IsAuthorizationReply(c.status, c.reason), c.authorization) << c.status;
    }
}

TEST(RedirectReplies, TargetFromLocationOrBody) {
    TempFolder folder;
    const std::string body = folder.Text() + "body.html";
    struct Case {
        const char* location;
        const char* bodyText;
        const char* target;
    };
    const Case cases[] = {
        {"http://other/x.html", "", "http://other/x.html"},
        {"/new/", "", "http://h/new/"},
        {"b.html", "", "http://h/d/b.html"},
        {"../up.html", "", "http://h/up.html"},
        {"//cdn/p.gif", "", "http://cdn/p.gif"},
        {"", "<!DOCTYPE \"x\"><a href=\"y.html\">", "http://h/d/x"},
        {"", "<a href=\"/moved.html\">here</a>", "http://h/moved.html"},
        {"", "<a href=\"http://h/moved.html\">here</a>", "http://h/moved.html"},
        {"", "<a href=\"http://h/m.html>here</a>", "http://h/m.html"},
        {"", "no quote at all", ""},
    };
    for (const auto& c : cases) {
        std::ofstream(body, std::ios::trunc) << c.bodyText;
        EXPECT_EQ(RedirectTarget(c.location, "http://h/d/a.html", body), c.target) << c.location;
    }
}

// A protected fetch that answers from the test, and shows what the row said meanwhile.
class FakeFetch : public ProtectedFetch {
  public:
    std::string Body;
    std::int64_t Announced = 0;
    const char* Error = nullptr;
    int SleepMs = 0;
    std::function<void()> During;
    ProtectedFetchRequest Seen;

    ProtectedFetchResult Fetch(const ProtectedFetchRequest& request) override {
        Seen = request;
        if (During) During();
        if (SleepMs) std::this_thread::sleep_for(std::chrono::milliseconds(SleepMs));
        if (Error) throw std::runtime_error(Error);
        return {Body, Announced};
    }
};

class ProtectedFetchTest : public WorkerTest {
  protected:
    void SetUp() override {
        fake = std::make_shared<FakeFetch>();
        SetProtectedFetch(fake);
        settings.UseHTTPAuthentication = true;
        settings.HTTPUserName = "ann";
        settings.HTTPPassword = "pw";
    }
    void TearDown() override { SetProtectedFetch(nullptr); }
    std::shared_ptr<FakeFetch> fake;
};

TEST_F(ProtectedFetchTest, RowWhileFetchingAndAfter) {
    StartWith("<a href='private/p.html'><a href='q.html'>");
    TransferWorker* w = Worker("p.html");
    const int row = w->GridRow();
    RowCells during;
    fake->During = [&] { during = Cells(state.View.Row(row)); };
    fake->Body = "<html>\r\n<img src='\r\nin.gif'>";
    fake->Body.resize(3000, ' ');
    fake->Announced = 3000;
    w->FetchProtectedFile(w->RequestURL());

    EXPECT_EQ(during, (RowCells{"2", "Password protected file [private/p.html]",
                                            "Unknown", "0", "Retrieving.."}));
    EXPECT_EQ(Cells(state.View.Row(row)),
              (RowCells{"2", "private/p.html", "3000", "3000", "Complete"}));
    EXPECT_EQ(fake->Seen.URL, std::string(Site) + "private/p.html");
    EXPECT_EQ(fake->Seen.UserName, "ann");
    EXPECT_EQ(fake->Seen.Password, "pw");
    EXPECT_EQ(fake->Seen.Proxy, "");
    EXPECT_EQ(fs::file_size(w->LocalFile()), 3000u);
    // The page's lines are joined before the scan, so the link broken over two lines counts.
    EXPECT_NE(Worker("in.gif"), nullptr);
    EXPECT_EQ(Worker("in.gif")->RequestURL(), std::string(Site) + "private/in.gif");
    EXPECT_FALSE(state.ProtectedFetchActive);
    EXPECT_EQ(state.FilesRead, 2);
}

struct ProxyCase {
    int port;
    const char* given;  // as the protected fetch is given it
};

class ProtectedFetchProxy : public ProtectedFetchTest,
                            public ::testing::WithParamInterface<ProxyCase> {};

// The client of protected files takes the proxy as text: the port after the host, or none, so
// that the client's own default applies. (Nothing listens on the loopback proxy.)
TEST_P(ProtectedFetchProxy, HasThePortAfterTheHostOrNone) {
    settings.UseProxy = true;
    settings.ProxyAddress = "127.0.0.1";
    settings.ProxyPort = GetParam().port;
    StartWith("<a href='p.html'><a href='q.html'>");
    TransferWorker* w = Worker("p.html");
    fake->Body = "x";
    w->FetchProtectedFile(w->RequestURL());
    EXPECT_EQ(fake->Seen.Proxy, GetParam().given);
}

INSTANTIATE_TEST_SUITE_P(Worker, ProtectedFetchProxy,
                         ::testing::Values(ProxyCase{9, "127.0.0.1:9"}, ProxyCase{0, "127.0.0.1"}));

TEST_F(ProtectedFetchTest, ClockCatchesUpAfterABlockingFetch) {
    StartWith("<a href='p.html'><a href='q.html'>");
    const int before = state.ElapsedSeconds;
    fake->SleepMs = 2100;
    fake->Body = "x";
    Worker("p.html")->FetchProtectedFile(std::string(Site) + "p.html");
    EXPECT_GE(state.ElapsedSeconds - before, 2);
    EXPECT_LE(state.ElapsedSeconds - before, 3);
    EXPECT_TRUE(state.SessionClock.isActive());
}

// An error box that stays open for a while, running the event loop as a real one does.
class ErrorBoxOpenFor : public ScriptedPrompts {
  public:
    explicit ErrorBoxOpenFor(int ms) : ms_(ms) {}
    Answer Message(const std::string& text, Kind kind, Buttons buttons) override {
        if (kind == Kind::Error) {
            QEventLoop loop;
            QTimer::singleShot(ms_, &loop, &QEventLoop::quit);
            loop.exec();
        }
        return ScriptedPrompts::Message(text, kind, buttons);
    }

  private:
    int ms_;
};

// The clock ticks behind an open box; the time it stayed open must not be added again when the
// fetch is over. The session's clock shows the real time it ran, to the second.
TEST_F(ProtectedFetchTest, ClockCountsRealTimeOnceWhileAnErrorBoxIsOpen) {
    ScriptedServer server(
        {ScriptedServer::Reply("HTTP/1.0 200 OK\r\n\r\n<html><a href='p.html'>p</a>"),
         ScriptedServer::Reply("HTTP/1.0 401 Unauthorized\r\n\r\nno")});
    ErrorBoxOpenFor box(2300);
    box.DefaultFileName = prompts.DefaultFileName;
    state.SetPrompts(box);
    fake->SleepMs = 1200;
    fake->Error = "Authorization failed";
    const auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(Start(server.Url()));
    ASSERT_TRUE(RunUntilFinished());
    const std::int64_t tookMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                                    std::chrono::steady_clock::now() - started)
                                    .count();
    state.SetPrompts(prompts);
    ASSERT_EQ(box.MessageTexts(),
              (std::vector<std::string>{"Authorization failed", "Retrieval Completed"}));
    EXPECT_GE(tookMs, 3400);
    const int counted = state.ElapsedSeconds - 1;
    EXPECT_GE(counted, tookMs / 1000 - 1) << tookMs << " ms";
    EXPECT_LE(counted, (tookMs + 500) / 1000) << tookMs << " ms";
    EXPECT_EQ(state.View.LowerStatusBar(4), "Time Elapsed: 00:0" + std::to_string(counted));
}

TEST_F(ProtectedFetchTest, FailureIsShownAndTheWorkerStillFinishes) {
    StartWith("<a href='p.html'>");
    TransferWorker* w = Worker("p.html");
    std::ofstream(w->LocalFile()) << "401 page";
    fake->Error = "Authorization failed";
    w->FetchProtectedFile(w->RequestURL());
    EXPECT_EQ(prompts.MessageTexts().at(0), "Authorization failed");
    EXPECT_EQ(Cells(state.View.Row(w->GridRow())), (RowCells{"2", "p.html", "0", "0", "Complete"}));
    EXPECT_FALSE(fs::exists(w->LocalFile()));
    EXPECT_EQ(state.RunningThreads, 0);
    EXPECT_TRUE(state.SessionComplete);
    EXPECT_FALSE(state.ProtectedFetchActive);
}

// A complete copy asks again for every file: one that an earlier run retrieved stays when the
// protected fetch fails.
TEST_F(ProtectedFetchTest, FailureKeepsTheFileOfAnEarlierRun) {
    settings.CompleteCopy = true;
    fs::create_directories(folder.Path() / "site");
    std::ofstream(folder.Path() / "site/p.html") << "from an earlier run";
    StartWith("<a href='p.html'>");
    TransferWorker* w = Worker("p.html");
    ASSERT_EQ(w->LocalFile(), (folder.Path() / "site/p.html").string());
    fake->Error = "Authorization failed";
    w->FetchProtectedFile(w->RequestURL());
    EXPECT_EQ(prompts.MessageTexts().at(0), "Authorization failed");
    EXPECT_EQ(ReadWholeFile(w->LocalFile()), "from an earlier run");
    EXPECT_TRUE(state.SessionComplete);
}

TEST_F(ProtectedFetchTest, FileThatCannotBePutInPlaceIsIgnored) {
    StartWith("<a href='p.html'>");
    TransferWorker* w = Worker("p.html");
    // A folder with a file in it holds the name: the rename onto it fails.
    fs::create_directories(w->LocalFile());
    std::ofstream(w->LocalFile() + "/keep") << "x";
    fake->Body = "<html>secret</html>";
    w->FetchProtectedFile(w->RequestURL());
    ASSERT_EQ(prompts.MessageTexts().size(), 2u);
    const std::string reason = prompts.MessageTexts()[0];
    EXPECT_NE(reason.find(w->LocalFile()), std::string::npos) << reason;
    EXPECT_NE(reason.find("Is a directory"), std::string::npos) << reason;
    EXPECT_EQ(Cells(state.View.Row(w->GridRow())), (RowCells{"2", "p.html", "0", "0", "Ignored"}));
    EXPECT_EQ(state.FilesRead, 1);
    EXPECT_TRUE(state.SessionComplete);
    EXPECT_TRUE(fs::exists(w->LocalFile() + "/keep"));
}

TEST_F(ProtectedFetchTest, WithoutAnImplementationTheFileIsNotReceived) {
    SetProtectedFetch(nullptr);
    StartWith("<a href='p.html'>");
    TransferWorker* w = Worker("p.html");
    w->FetchProtectedFile(w->RequestURL());
    EXPECT_EQ(Cells(state.View.Row(w->GridRow()))[3], "0");
    EXPECT_EQ(state.FilesRead, 1);
    EXPECT_TRUE(state.SessionComplete);
    EXPECT_EQ(prompts.MessageTexts(), std::vector<std::string>{"Retrieval Completed"});
}

}  // namespace
