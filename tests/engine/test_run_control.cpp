#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/PartialFiles.h"
#include "support/SessionHarness.h"
#include "support/Subprocess.h"
#include "support/RowCells.h"

namespace fs = std::filesystem;

namespace {

std::string Page(const std::vector<std::string>& links) {
    std::string page = "<html><body>\n";
    for (const auto& l : links) page += "<a href=\"" + l + "\">" + l + "</a>\n";
    return page + "</body></html>\n";
}

class RunControlTest : public ::testing::Test, public SessionHarness {};

TEST_F(RunControlTest, OneThreadFetchesStrictlyInQueueOrder) {
    settings.MaximumThreads = 1;
    ASSERT_TRUE(Start());
    Deliver(Running().at(0), Page({"c.html", "a.gif", "b.html"}));
    std::vector<std::string> order;
    while (!Running().empty()) {
        ASSERT_EQ(Running().size(), 1u);
        order.push_back(Running()[0]->RequestURL());
        Deliver(Running()[0], "<html>x</html>");
        ReleaseClosed();
    }
    EXPECT_EQ(order,
              (std::vector<std::string>{std::string(Site) + "c.html", std::string(Site) + "a.gif",
                                        std::string(Site) + "b.html"}));
    EXPECT_EQ(engine.LastOutcome(), RunControl::Outcome::Completed);
    EXPECT_EQ(engine.LiveWorkers(), 0);
}

TEST_F(RunControlTest, MaximumThreadsZeroCountsAsOne) {
    settings.MaximumThreads = 0;
    ASSERT_TRUE(Start());
    Deliver(Running().at(0), Page({"a.html", "b.html"}));
    ASSERT_EQ(Running().size(), 1u);
    Deliver(Running()[0], "a");
    Deliver(Running().at(0), "b");
    EXPECT_TRUE(state.SessionComplete);
    EXPECT_EQ(state.FilesRead, 3);
}

// The completion's boxes and conversion window run event loops, in which a menu command or a
// timer could ask for another session: none starts until the completion is over.
TEST_F(RunControlTest, NoSessionStartsWhileTheLastOneCompletes) {
    ASSERT_TRUE(Start());
    EXPECT_FALSE(engine.Idle());
    bool startedMeanwhile = true;
    bool idleMeanwhile = true;
    engine.ConvertFiles = [&](SessionState&) {
        SessionSettings other = settings;
        startedMeanwhile = engine.StartNewSession(other);
        idleMeanwhile = engine.Idle();
        return true;
    };
    Deliver(Running().at(0), Page({"a.html"}));
    Deliver(Running().at(0), "a");
    ASSERT_TRUE(state.SessionComplete);
    EXPECT_FALSE(startedMeanwhile);
    EXPECT_FALSE(idleMeanwhile);
    EXPECT_EQ(state.FilesRead, 2) << "the session that was completing is untouched";
    EXPECT_TRUE(engine.Idle());
    EXPECT_TRUE(Start());
}

TEST_F(RunControlTest, StartPageWithoutLinksCompletesAtOnce) {
    ASSERT_TRUE(Start());
    Deliver(Running().at(0), "<html>nothing here</html>");
    EXPECT_TRUE(state.SessionComplete);
    EXPECT_FALSE(state.Running());
    EXPECT_EQ(prompts.MessageTexts(), std::vector<std::string>{"Retrieval Completed"});
    EXPECT_EQ(Saves, 1);
    EXPECT_EQ(Conversions, 0);
    EXPECT_EQ(engine.LastOutcome(), RunControl::Outcome::Completed);
    const auto& b = state.View.Buttons();
    EXPECT_TRUE(b.RetrieveBtn && b.OpenBtn && b.BrowseBtn);
    EXPECT_FALSE(b.StopBtn);
}

TEST_F(RunControlTest, StopWhileThreeRunLetsThemFinishThenCompletes) {
    ASSERT_TRUE(Start());
    Deliver(Running().at(0), Page({"a.html", "b.html", "c.html", "d.html", "e.html"}));
    ASSERT_EQ(Running().size(), 5u);
    // Two finish before the stop; three are left running.
    Deliver(Running()[0], "a");
    Deliver(Running()[0], "b");
    ASSERT_EQ(Running().size(), 3u);
    // More work is waiting in the queue when the stop comes.
    state.AppendPending(std::string(Site) + "late.html", state.ProjectFolder + "late.html");
    ++state.QueuedCount;

    engine.StopSession();
    EXPECT_EQ(prompts.MessageTexts().back(), "Please wait.. \r\n3 threads still receiving data ..");
    EXPECT_EQ(state.QueuedCount, 0);
    EXPECT_EQ(state.View.LowerStatusBar(0), "Files Added in Queue: 0");
    engine.StopSession();  // a second press does nothing
    EXPECT_EQ(prompts.Messages.size(), 1u);

    Deliver(Running()[0], "<html><a href='x.html'>x</a></html>");  // not scanned any more
    Deliver(Running()[0], "d");
    EXPECT_FALSE(state.SessionComplete);
    EXPECT_EQ(Running().size(), 1u);
    Deliver(Running()[0], "e");
    EXPECT_TRUE(state.SessionComplete);
    EXPECT_EQ(state.PendingCount(), 0u);
    EXPECT_FALSE(state.KnownFiles.Contains(state.ProjectFolder + "x.html"));
    EXPECT_EQ(state.FilesRead, 6);
    EXPECT_EQ(
        prompts.MessageTexts().back(),
        "Site Retrieval Completed. Now Lanternway will update HTML links of all files for off "
        "line browsing.");
}

TEST_F(RunControlTest, StopWithOneThreadSaysOneThread) {
    ASSERT_TRUE(Start());
    engine.StopSession();
    EXPECT_EQ(prompts.MessageTexts(),
              std::vector<std::string>{"Please wait.. \r\n1 thread still receiving data .."});
    EXPECT_FALSE(state.SessionComplete);
    Deliver(Running().at(0), Page({"a.html"}));
    EXPECT_TRUE(state.SessionComplete);
    EXPECT_EQ(state.PendingCount(), 0u);
}

// The start page alone passes the budget as it is written: it is dropped, and the completion
// says why (not that the host could not be reached).
TEST_F(RunControlTest, StartPageThatPassesTheDiskBudgetIsDroppedAndSaysWhy) {
    ASSERT_TRUE(Start());
    state.DiskSpaceFloor = 10;
    Deliver(Running().at(0), Page({"a.html", "b.html"}), 4);
    EXPECT_TRUE(state.SessionComplete);
    EXPECT_EQ(engine.LastOutcome(), RunControl::Outcome::StartPageFailed);
    EXPECT_TRUE(Running().empty());
    ASSERT_EQ(prompts.MessageTexts().size(), 1u);
    EXPECT_EQ(prompts.MessageTexts()[0].rfind(std::string(Site) + " failed: Drive ", 0), 0u)
        << prompts.MessageTexts()[0];
    EXPECT_NE(prompts.MessageTexts()[0].find(" MB free space."), std::string::npos);
    EXPECT_EQ(Saves, 0);
}

// A file that passes the budget as it is written is dropped there, not when it ends: one
// endless reply would otherwise fill the disk. The run stops; the others go on within the
// budget.
TEST_F(RunControlTest, FileThatPassesTheDiskBudgetAsItIsWrittenIsDropped) {
    ASSERT_TRUE(Start());
    Deliver(Running().at(0), Page({"a.html", "b.html", "c.html"}));
    ASSERT_EQ(Running().size(), 3u);
    state.DiskSpaceFloor = state.BytesReceived + 1000;
    TransferWorker* big = Worker("a.html");
    const int bigRow = big->GridRow();
    Deliver(big, std::string(5000, 'x'), 10);
    EXPECT_EQ(Row(bigRow, 3), "0");
    EXPECT_EQ(Row(bigRow, 4), "Ignored");
    ASSERT_EQ(prompts.FilesNotRetrieved.size(), 1u);
    EXPECT_EQ(prompts.FilesNotRetrieved[0].rfind(std::string(Site) + "a.html failed: Drive ", 0),
              0u)
        << prompts.FilesNotRetrieved[0];
    EXPECT_TRUE(state.StopRequested);
    EXPECT_EQ(prompts.MessageTexts().back(), "Please wait.. \r\n2 threads still receiving data ..");
    Deliver(Worker("b.html"), "b");
    Deliver(Worker("c.html"), "c");
    EXPECT_TRUE(state.SessionComplete);
    EXPECT_TRUE(engine.StoppedForDiskSpace());
    EXPECT_EQ(state.FilesRead, 3);
    EXPECT_LE(state.BytesReceived, state.DiskSpaceFloor);
}

TEST_F(RunControlTest, DiskBudgetStopsNewWorkersWithTheRedMessage) {
    ASSERT_TRUE(Start());
    Deliver(Running().at(0), Page({"a.html", "b.html", "c.html"}));
    ASSERT_EQ(Running().size(), 3u);
    state.DiskSpaceFloor = state.BytesReceived;  // the next byte passes the budget
    bool sawRed = false;
    QObject::connect(&state.View, &SessionView::MessageChanged, [&] {
        if (state.View.MessageLabelRed()) sawRed = true;
    });
    Deliver(Running()[0], "a");
    EXPECT_TRUE(sawRed);
    EXPECT_NE(state.View.MessageLabel().find("Unable to create additional threads. Drive "),
              std::string::npos);
    EXPECT_NE(state.View.MessageLabel().find(" MB free space."), std::string::npos);
    EXPECT_FALSE(state.View.MessageLabelRed());
    EXPECT_EQ(prompts.MessageTexts().back(), "Please wait.. \r\n2 threads still receiving data ..");
    Deliver(Running().at(0), "b");
    Deliver(Running().at(0), "c");
    EXPECT_TRUE(state.SessionComplete);
    EXPECT_TRUE(engine.StoppedForDiskSpace());
    const auto texts = prompts.MessageTexts();
    ASSERT_GE(texts.size(), 2u);
    EXPECT_EQ(texts[texts.size() - 2].rfind("Unable to create additional threads. Drive ", 0), 0u);

    // The next session starts with a clean slate.
    ASSERT_TRUE(Start());
    EXPECT_FALSE(engine.StoppedForDiskSpace());
}

TEST_F(RunControlTest, ClockTicks) {
    struct Case {
        std::int64_t counted;
        const char* shown;
    };
    const Case cases[] = {
        {0, "Time Elapsed: 00:01"},           {58, "Time Elapsed: 00:59"},
        {59, "Time Elapsed: 01:00"},          {60 + 9, "Time Elapsed: 01:10"},
        {9 * 60 + 59, "Time Elapsed: 10:00"}, {124 * 60 + 59, "Time Elapsed: 125:00"},
    };
    for (const auto& c : cases) {
        state.ClockSecondsCounted = c.counted;
        const int before = state.ElapsedSeconds;
        engine.TickClock();
        EXPECT_EQ(state.View.LowerStatusBar(4), c.shown);
        EXPECT_EQ(state.ClockSecondsCounted, c.counted + 1);
        EXPECT_EQ(state.ElapsedSeconds, before + 1);
    }
}

TEST_F(RunControlTest, EMailPageListsEachAddressOnceAndGetsAnUnnumberedRow) {
    settings.CollectEMailAddresses = true;
    ASSERT_TRUE(Start());
    Deliver(Running().at(0), Page({"mailto:ann@host.q", "mailto:bob@host.q", "mailto:ANN@host.q"}));
    ASSERT_TRUE(state.SessionComplete);
    const std::string path = folder.Text() + "site/EMailAddress.html";
    EXPECT_EQ(ReadWholeFile(path),
              "<HTML>\r\n"
              "<p><a href=\"mailto:ann@host.q\">ann@host.q</a></p>\r\n\r\n"
              "<p><a href=\"mailto:bob@host.q\">bob@host.q</a></p>\r\n\r\n"
              "</HTML>\r\n");
    const int last = state.View.GridRowCount() - 1;
    EXPECT_EQ(last, 2);
    EXPECT_EQ(Cells(state.View.Row(last)),
              (RowCells{"", "EMailAddress.html", std::to_string(fs::file_size(path)),
                                    std::to_string(fs::file_size(path)), "Complete"}));
    EXPECT_EQ(state.View.SelectedRow(), last);
    EXPECT_TRUE(state.View.Buttons().EMailBtn);
}

TEST_F(RunControlTest, EMailPageThatCannotBeWrittenIsReported) {
    settings.CollectEMailAddresses = true;
    ASSERT_TRUE(Start());
    // A folder with a file in it holds the page's name: the page cannot take it.
    const std::string path = folder.Text() + "site/EMailAddress.html";
    fs::create_directories(path);
    std::ofstream(path + "/keep") << "x";
    Deliver(Running().at(0), Page({"mailto:ann@host.q"}));
    ASSERT_TRUE(state.SessionComplete);
    const std::vector<std::string>& reported = prompts.FilesNotRetrieved;

    ASSERT_EQ(reported.size(), 1u);
    EXPECT_NE(reported[0].find(path), std::string::npos) << reported[0];
    EXPECT_NE(reported[0].find("Is a directory"), std::string::npos) << reported[0];
    EXPECT_EQ(state.View.MessageLabel(), reported[0]);
    const int last = state.View.GridRowCount() - 1;
    EXPECT_EQ(state.View.Row(last).Address, "EMailAddress.html");
    EXPECT_EQ(Cells(state.View.Row(last))[3], "0");
    EXPECT_EQ(Cells(state.View.Row(last))[4], "Ignored");
    EXPECT_TRUE(fs::exists(path + "/keep"));
    for (const auto& e : fs::directory_iterator(folder.Path() / "site"))
        EXPECT_FALSE(IsPartialFileName(e.path().filename().string())) << e.path();
}

TEST_F(RunControlTest, StartPageNeverArrivingResetsTheProject) {
    ASSERT_TRUE(Start());
    state.ContactHost = "host";  // as the worker recorded it
    Fail(Running().at(0));
    EXPECT_EQ(prompts.MessageTexts(),
              std::vector<std::string>{
                  "Lanternway is unable to connect with host \"host \": Could not connect"});
    EXPECT_EQ(prompts.Messages[0].IconKind, SessionPrompts::Kind::Error);
    EXPECT_EQ(engine.LastOutcome(), RunControl::Outcome::NotConnected);
    EXPECT_EQ(state.ProjectFolder, "");
    EXPECT_EQ(state.View.GridRowCount(), 11);
    EXPECT_EQ(Cells(state.View.Row(1)), RowCells{});
    EXPECT_EQ(state.View.LowerStatusBar(4), "Time Elapsed: 00:00");
    EXPECT_EQ(state.View.UpperStatusBar(0), "Session Started On:");
    EXPECT_FALSE(state.View.HasSiteRoot());
    EXPECT_EQ(Saves, 0);
    EXPECT_FALSE(state.View.Buttons().OpenProjectFolderBtn);
}

TEST_F(RunControlTest, CompletionQuestionDependsOnHtmlOptionAndAnswer) {
    struct Case {
        bool html;
        SessionPrompts::Answer answer;
        const char* question;
        int conversions;
    };
    const Case cases[] = {
        {true, SessionPrompts::Answer::Ok,
         "Site Retrieval Completed. Now Lanternway will update HTML links of all files for off "
         "line browsing.",
         1},
        {false, SessionPrompts::Answer::Ok,
         "Site Retrieval Completed. Now Lanternway will delete all HTML files that have been "
         "retrieved to get embedded file information.",
         1},
        {false, SessionPrompts::Answer::Cancel,
         "Site Retrieval Completed. Now Lanternway will delete all HTML files that have been "
         "retrieved to get embedded file information.",
         0},
    };
    for (const auto& c : cases) {
        SessionHarness h;
        h.settings.RetrieveHTMLFiles = c.html;
        h.prompts.Answers.push_back(c.answer);
        ASSERT_TRUE(h.Start());
        Deliver(h.Running().at(0), "<html><img src='a.gif'></html>");
        Deliver(h.Running().at(0), "GIF89a");
        ASSERT_TRUE(h.state.SessionComplete);
        EXPECT_EQ(h.prompts.MessageTexts(), std::vector<std::string>{c.question});
        EXPECT_EQ(h.prompts.Messages[0].ButtonSet, SessionPrompts::Buttons::OkCancel);
        EXPECT_EQ(h.Conversions, c.conversions);
        // The session file is written either way: before the conversion, and again after it.
        EXPECT_EQ(h.Saves, 1 + c.conversions);
    }
}

// A file that is not retrieved says why on its row (the window's tool tip) and on the status
// line, in the words lanternway-get prints.
struct NotRetrievedCase {
    const char* Label;
    std::int64_t BytesBeforeTheError;
    bool FileFailed;  // the disk refused the bytes, not the connection
    const char* Error;
    bool NamedWithTheAddress;  // the reason is "ADDRESS failed: " + Error
};

class NotRetrievedFile : public RunControlTest,
                         public ::testing::WithParamInterface<NotRetrievedCase> {};

TEST_P(NotRetrievedFile, ItsRowSaysWhy) {
    const NotRetrievedCase& c = GetParam();
    ASSERT_TRUE(Start());
    Deliver(Running().at(0), Page({"a.gif", "b.gif"}));
    TransferWorker* w = Worker("a.gif");
    ASSERT_NE(w, nullptr);
    const int row = w->GridRow();
    TransferProgress d;
    d.State = TransferProgress::Begin;
    w->OnHttpProgress(d);
    if (c.BytesBeforeTheError > 0) {
        d.State = TransferProgress::Data;
        d.BytesTransferred = d.TotalSize = c.BytesBeforeTheError;
        w->OnHttpProgress(d);
    }
    d.State = TransferProgress::Error;
    d.ErrorText = c.Error;
    d.FileFailed = c.FileFailed;
    w->OnHttpProgress(d);
    d.State = TransferProgress::End;
    w->OnHttpProgress(d);

    const std::string reason = c.NamedWithTheAddress
                                   ? std::string(SessionHarness::Site) + "a.gif failed: " + c.Error
                                   : std::string(c.Error);
    EXPECT_EQ(Row(row, 4), "Ignored");
    EXPECT_EQ(state.View.RowFailure(row), reason);
    EXPECT_EQ(state.View.MessageLabel(), reason);
    EXPECT_EQ(prompts.FilesNotRetrieved, std::vector<std::string>{reason});
    EXPECT_EQ(state.View.RowFailure(row + 1), "") << "the other rows say nothing";
    // A row set anew forgets it (an opened session file holds no reasons).
    state.View.SetRow(row, RowOf({"9", "c.gif", "1", "1", "Complete"}));
    EXPECT_EQ(state.View.RowFailure(row), "");
}

INSTANTIATE_TEST_SUITE_P(
    RunControl, NotRetrievedFile,
    ::testing::Values(NotRetrievedCase{"DiskFull", 300, true,
                                       "Cannot write file /p/site/a.gif: No space left on device",
                                       false},
                      NotRetrievedCase{"CutOff", 300, false, "Connection reset by peer", true},
                      NotRetrievedCase{"NothingArrived", 0, false, "Could not connect", true}),
    [](const auto& info) { return std::string(info.param.Label); });

// A start page that arrives but cannot be written (a full disk) is said as such, not as a host
// that could not be reached.
TEST_F(RunControlTest, AStartPageThatCannotBeWrittenSaysWhy) {
    ASSERT_TRUE(Start());
    TransferWorker* w = Running().at(0);
    const std::string why = "Cannot write file " + w->LocalFile() + ": No space left on device";
    for (const int state : {TransferProgress::Begin, TransferProgress::Data,
                            TransferProgress::Error, TransferProgress::End}) {
        TransferProgress d;
        d.State = state;
        d.BytesTransferred = d.TotalSize = state == TransferProgress::Begin ? 0 : 100;
        d.ErrorText = state == TransferProgress::Error ? why : "";
        d.FileFailed = state == TransferProgress::Error;
        w->OnHttpProgress(d);
    }
    ASSERT_TRUE(state.SessionComplete);
    EXPECT_EQ(prompts.MessageTexts(), std::vector<std::string>{why});
    EXPECT_EQ(engine.LastOutcome(), RunControl::Outcome::StartPageFailed);
}

TEST_F(RunControlTest, FileOverItsSizeLimitLeavesNoPartialFile) {
    settings.RetrieveZIPEXEFiles = true;
    settings.FileSizeLimits = {{".zip", 100}};
    ASSERT_TRUE(Start());
    Deliver(Running().at(0), Page({"big.zip", "small.zip"}));
    TransferWorker* big = Worker("big.zip");
    ASSERT_NE(big, nullptr);
    EXPECT_EQ(big->SizeLimit(), 100 * 1024);
    const int bigRow = big->GridRow();
    Deliver(big, std::string(200 * 1024, 'z'), 4);
    EXPECT_EQ(Row(bigRow, 3), "0");
    EXPECT_EQ(Row(bigRow, 4), "Ignored");
    EXPECT_TRUE(fs::exists(state.ProjectFolder + "big.zip"));
    Deliver(Worker("small.zip"), std::string(1000, 's'));
    ASSERT_TRUE(state.SessionComplete);
    EXPECT_FALSE(fs::exists(folder.Text() + "site/big.zip"));
    EXPECT_TRUE(fs::exists(folder.Text() + "site/small.zip"));
    EXPECT_EQ(state.FilesRead, 2);
    EXPECT_TRUE(state.Settings.FileSizeLimits.empty());
}

TEST_F(RunControlTest, FailedConversionKeepsTheRecordAndFinishesTheCompletion) {
    engine.ConvertFiles = [](SessionState&) { return false; };
    settings.RetrieveZIPEXEFiles = true;
    settings.FileSizeLimits = {{".zip", 1}};
    ASSERT_TRUE(Start());
    Deliver(Running().at(0), Page({"big.zip", "a.html"}));
    Deliver(Worker("big.zip"), std::string(5000, 'z'));
    Deliver(Worker("a.html"), "a");
    ASSERT_TRUE(state.SessionComplete);
    EXPECT_EQ(Saves, 2) << "written before the conversion and again after it";
    EXPECT_TRUE(engine.ConversionFailed());
    EXPECT_FALSE(fs::exists(folder.Text() + "site/big.zip"));
    EXPECT_TRUE(state.View.Buttons().RetrieveBtn);
    EXPECT_EQ(engine.LastOutcome(), RunControl::Outcome::Completed);
}

TEST_F(RunControlTest, SizeLimitLookupTakesTheFirstEntryOfAType) {
    settings.RetrieveZIPEXEFiles = true;
    settings.FileSizeLimits = {
        {".zip", std::nullopt}, {".zip", 1}, {".gif", -5}, {".exe", 7}, {".EXE", 9}};
    ASSERT_TRUE(Start());
    Deliver(Running().at(0), Page({"a.zip", "b.gif", "c.EXE", "d.html"}));
    EXPECT_FALSE(Worker("a.zip")->SizeLimit());  // an empty size is no limit
    EXPECT_FALSE(Worker("b.gif")->SizeLimit());  // nor is a negative one
    EXPECT_FALSE(Worker("d.html")->SizeLimit());
    ASSERT_TRUE(Worker("c.EXE")->SizeLimit());
    EXPECT_EQ(*Worker("c.EXE")->SizeLimit(), 7 * 1024);
}

TEST_F(RunControlTest, StartPageIsFetchedAnewAndSiteTreeRooted) {
    fs::create_directories(folder.Text() + "site");
    std::ofstream(folder.Text() + "site/Main.html") << "old";
    std::ofstream(folder.Text() + "site/kept.html") << "old";
    ASSERT_TRUE(Start("https://127.0.0.1:9/dir/"));
    // The earlier page stays until the new one has arrived whole.
    EXPECT_EQ(ReadWholeFile(folder.Text() + "site/Main.html"), "old");
    EXPECT_EQ(state.SiteBase, "https://127.0.0.1:9/");
    EXPECT_EQ(state.SiteFolders[0], "https://127.0.0.1:9/");
    EXPECT_EQ(state.View.SiteRootText(), "https://127.0.0.1:9/");
    // The first page's base still comes from the address as typed.
    EXPECT_EQ(Running().at(0)->DocumentURL(), "https://127.0.0.1:9/dir/");
    Deliver(Running()[0], Page({"/kept.html", "/new.html"}));
    EXPECT_EQ(Running().size(), 1u);
    EXPECT_EQ(Running()[0]->RequestURL(), "https://127.0.0.1:9/new.html");
}

TEST(SiteRoot, KeepsTheScheme) {
    const std::pair<const char*, const char*> cases[] = {
        {"http://host/dir/page.html", "http://host/"},
        {"https://host/dir/", "https://host/"},
        {"http://host", "http://host/"},
        {"HTTP://Host:8080/a", "HTTP://Host:8080/"},
        {"host/dir/", "http://host/"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(SiteRoot(in), out) << in;
}

TEST(SpeedText, PlainNumbersWithTheirUnit) {
    struct Case {
        std::int64_t bytes;
        int seconds;
        const char* text;
    };
    const Case cases[] = {
        // Below 100 KB/s: two significant digits, one decimal.
        {4000, 10, "0.4 KB/s"},
        {47104, 1, "46.0 KB/s"},
        {4710, 1, "4.6 KB/s"},
        {512, 1, "0.5 KB/s"},
        {0, 5, "0.0 KB/s"},
        {47700, 1, "47.0 KB/s"},
        {10189, 1, "10.0 KB/s"},  // 9.95 rounds up a digit
        {52, 1, "0.1 KB/s"},
        {7, 7, "0.0 KB/s"},
        {100, 0, "0.0 KB/s"},
        // From 100: whole numbers below 1000, then the next unit.
        {102348, 1, "100 KB/s"},  // 99.95 rounds up to 100
        {101990, 1, "100 KB/s"},
        {524288, 1, "512 KB/s"},
        {1022976, 1, "999 KB/s"},
        {1023500, 1, "1.0 MB/s"},
        {6860800, 1, "6.5 MB/s"},  // what showed as 6.7E+03 KB/s
        {122683392, 1, "117 MB/s"},
        {3000000000LL, 1, "2.8 GB/s"},
    };
    for (const auto& c : cases) EXPECT_EQ(SpeedText(c.bytes, c.seconds), c.text) << c.bytes;
}

}  // namespace
