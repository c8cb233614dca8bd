#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <QDateTime>
#include <QLocale>
#include <QTimeZone>

#include "core/Addresses.h"
#include "engine/SessionState.h"
#include "support/QtApp.h"
#include "support/ScriptedPrompts.h"
#include "support/TempFolder.h"

namespace fs = std::filesystem;

namespace {

struct StartedCase {
    const char* locale;
    const char* text;
};

// The start time shows as the person's clock reads, without a time zone: the same text goes
// into the session file, where a zone name would only mislead when it is read elsewhere.
TEST(SessionStartedText, DateAndTimeWithoutTheZone) {
    const QDateTime when(QDate(2026, 12, 8), QTime(0, 7, 22), QTimeZone::utc());
    const StartedCase cases[] = {
        {"en_US", "Session Started On: 12/8/26 12:07:22 AM"},
        {"de_DE", "Session Started On: 08.12.26 00:07:22"},
        {"en_GB", "Session Started On: 08/12/2026 00:07:22"},
    };
    for (const auto& c : cases) {
        const std::string text = SessionStartedText(when, QLocale(QString::fromLatin1(c.locale)));
        EXPECT_EQ(text, c.text) << c.locale;
        EXPECT_EQ(text.find("UTC"), std::string::npos) << c.locale;
    }
}

class SessionStateTest : public ::testing::Test {
  protected:
    void SetUp() override { EnsureQtApp(); }

    // Starts a session the way the New Session command does, up to the first worker.
    bool Start(const std::string& address, bool entireSite,
               const std::string& sessionName = "shop.lwa") {
        settings.MainURL = address;
        settings.SearchEntireSite = entireSite;
        prompts.FileNames.push_back(folder.Text() + sessionName);
        if (!state.InitializeVariables(settings)) return false;
        state.InitializeStringLists();
        state.InitializeMessages();
        state.EnableDisableToolBarButtons();
        return true;
    }

    TempFolder folder;
    ScriptedPrompts prompts;
    SessionSettings settings;
    SessionState state{prompts};
};

struct FirstFileCase {
    const char* address;
    bool entireSite;
    const char* firstFile;
    const char* siteBase;
};

TEST_F(SessionStateTest, FirstFileAndSiteBaseInBothModes) {
    const FirstFileCase cases[] = {
        {"http://host/dir/page.html", true, "Main.html", "http://host/dir/page.html"},
        {"http://host/dir/page.html", false, "page.html", "http://host/dir/"},
        {"http://host/dir/", false, "Main.html", "http://host/dir/"},
        {"http://site.q", false, "site.q", "http:///"},
        {"http://host/a.html?x=1", false, "a.html", "http://host/"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(Start(c.address, c.entireSite)) << c.address;
        ASSERT_EQ(state.PendingCount(), 1u);
        EXPECT_EQ(state.PendingURL(0), c.address);
        EXPECT_EQ(state.PendingFile(0), state.ProjectFolder + c.firstFile) << c.address;
        EXPECT_TRUE(state.KnownFiles.Contains(state.ProjectFolder + c.firstFile));
        EXPECT_EQ(state.SiteBase, c.siteBase) << c.address;
        state.SessionClock.stop();
    }
}

TEST_F(SessionStateTest, ProjectFolderAndSessionFileComeFromTheChosenName) {
    const std::pair<const char*, const char*> cases[] = {
        {"shop.lwa", "shop"},
        {"shop", "shop"},                // ".lwa" appended, folder "shop"
        {"my.site.lwa", "my.site"},      // only the last extension goes
        {"archive.session", "archive"},  // any extension, not four characters
    };
    for (const auto& [chosen, stem] : cases) {
        ASSERT_TRUE(Start("http://host/", true, chosen));
        const std::string expectedFolder = folder.Text() + stem + "/";
        EXPECT_EQ(state.ProjectFolder, expectedFolder) << chosen;
        EXPECT_TRUE(fs::is_directory(expectedFolder));
        std::string fileName = chosen;
        if (fileName.find('.') == std::string::npos) fileName += ".lwa";
        EXPECT_EQ(state.SessionFileName, expectedFolder + fileName);
        EXPECT_EQ(state.View.Caption(), state.SessionFileName + " - Lanternway 1.3");
        state.SessionClock.stop();
    }
}

TEST_F(SessionStateTest, NoNameAfterTwoOffersStartsNothing) {
    prompts.FileNames = {std::nullopt, std::nullopt};
    settings.MainURL = "http://host/";
    EXPECT_FALSE(state.InitializeVariables(settings));
    EXPECT_EQ(prompts.FileDialogCaptions.size(), 2u);
    EXPECT_FALSE(state.Running());
    EXPECT_EQ(prompts.FileDialogCaptions[0], "Save Lanternway Session As ..");
}

TEST_F(SessionStateTest, SecondOfferIsTaken) {
    prompts.FileNames = {std::nullopt, folder.Text() + "late.lwa"};
    settings.MainURL = "http://host/";
    EXPECT_TRUE(state.InitializeVariables(settings));
    EXPECT_EQ(state.ProjectFolder, folder.Text() + "late/");
    state.SessionClock.stop();
}

TEST_F(SessionStateTest, UnwritableProjectFolderIsReported) {
    // A plain file stands where the folder would go.
    std::ofstream(folder.Text() + "blocked") << "x";
    prompts.FileNames.push_back(folder.Text() + "blocked/inner.lwa");
    settings.MainURL = "http://host/";
    EXPECT_FALSE(state.InitializeVariables(settings));
    ASSERT_EQ(prompts.Messages.size(), 1u);
    EXPECT_NE(prompts.Messages[0].Text.find("project folder"), std::string::npos);
    EXPECT_FALSE(state.Running());
}

TEST_F(SessionStateTest, DiskFloorIsSixtyFourBit) {
    ASSERT_TRUE(Start("http://host/", true));
    const std::int64_t free = FreeDiskBytes(state.ProjectFolder);
    // The floor is the free space less 50 x 1,024,000; on any disk with more than 2 GB free a
    // 32-bit floor would have wrapped and stopped the session at once.
    EXPECT_NEAR(static_cast<double>(state.DiskSpaceFloor),
                static_cast<double>(free - 50 * 1024000LL), 64.0 * 1024 * 1024);
}

TEST_F(SessionStateTest, ReserveLargerThanFreeSpaceMakesNegativeFloor) {
    settings.MinimumDiskSpace = 999999999;
    ASSERT_TRUE(Start("http://host/", true));
    EXPECT_LT(state.DiskSpaceFloor, 0);
}

TEST_F(SessionStateTest, OtherFileTypesAreReadOnlyWhenWanted) {
    settings.OtherFileTypes = "pdf;.txt";
    settings.CollectEMailAddresses = true;
    ASSERT_TRUE(Start("http://host/", true));
    EXPECT_TRUE(state.OtherFileExtensions.empty());
    state.SessionClock.stop();

    settings.RetrieveOtherFiles = true;
    ASSERT_TRUE(Start("http://host/", true));
    EXPECT_EQ(state.OtherFileExtensions, std::vector<std::string>{".TXT"});
    ASSERT_EQ(state.EMailPage.size(), 1u);
    EXPECT_EQ(state.EMailPage[0], "<html>");
}

TEST_F(SessionStateTest, CountersMessagesAndButtonsAtStart) {
    ASSERT_TRUE(Start("http://host/", true));
    EXPECT_EQ(state.RunningThreads, 1);
    EXPECT_EQ(state.QueuedCount, 0);
    EXPECT_EQ(state.ElapsedSeconds, 1);
    EXPECT_EQ(state.GridRowCount, 1);
    EXPECT_TRUE(state.FirstContactPending);
    EXPECT_TRUE(state.Running());
    EXPECT_EQ(state.View.LowerStatusBar(0), "Files Added in Queue: 0");
    EXPECT_EQ(state.View.LowerStatusBar(1), "Files Read: 0");
    EXPECT_EQ(state.View.LowerStatusBar(2), "Bytes Received: 0");
    EXPECT_EQ(state.View.LowerStatusBar(3), "Retrieval Speed: 0.0 KB/s");
    EXPECT_EQ(state.View.LowerStatusBar(4), "Time Elapsed: 00:00");
    EXPECT_EQ(state.View.UpperStatusBar(1), "Contents of: ");
    EXPECT_EQ(state.View.UpperStatusBar(0).rfind("Session Started On: ", 0), 0u);
    EXPECT_EQ(state.StartedText, state.View.UpperStatusBar(0));
    EXPECT_EQ(state.View.ThreadCountLabel(), "1");
    const auto& b = state.View.Buttons();
    EXPECT_FALSE(b.OpenBtn);
    EXPECT_FALSE(b.RetrieveBtn);
    EXPECT_TRUE(b.StopBtn);
    EXPECT_TRUE(b.OpenProjectFolderBtn);
    EXPECT_TRUE(b.QuickHTMLViewerBtn);
    EXPECT_FALSE(b.BrowseBtn);

    // Completed with a start page on disk: Browse and Open come back, Stop goes.
    state.SessionClock.stop();
    state.SessionComplete = true;
    std::ofstream(state.ProjectFolder + "Main.html") << "<html></html>";
    state.EnableDisableToolBarButtons();
    EXPECT_TRUE(state.View.Buttons().BrowseBtn);
    EXPECT_FALSE(state.View.Buttons().EMailBtn);
    EXPECT_TRUE(state.View.Buttons().RetrieveBtn);
    EXPECT_FALSE(state.View.Buttons().StopBtn);
}

TEST_F(SessionStateTest, QueueStaysFirstInFirstOut) {
    ASSERT_TRUE(Start("http://host/", true));
    for (int i = 0; i < 5; ++i)
        state.AppendPending("http://host/p" + std::to_string(i), "f" + std::to_string(i));
    state.RemoveFirstPending();  // the start entry
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(state.PendingCount(), static_cast<std::size_t>(5 - i));
        EXPECT_EQ(state.PendingURL(0), "http://host/p" + std::to_string(i));
        EXPECT_EQ(state.PendingFile(0), "f" + std::to_string(i));
        state.RemoveFirstPending();
    }
    EXPECT_EQ(state.PendingCount(), 0u);
    state.AppendPending("u", "f");
    EXPECT_EQ(state.PendingURL(0), "u");
}

// A long crawl takes entries while it adds others: the order holds across the dropping of the
// entries taken, and the lists hold little more than what is pending.
TEST(PendingQueue, StaysInOrderAndSmallOverALongSession) {
    SessionFields s;
    int added = 0, taken = 0;
    for (int round = 0; round < 400; ++round) {
        for (int i = 0; i < 30; ++i, ++added)
            s.AppendPending("u" + std::to_string(added), "f" + std::to_string(added));
        for (int i = 0; i < (round < 200 ? 25 : 35) && s.PendingCount() > 0; ++i, ++taken) {
            ASSERT_EQ(s.PendingURL(0), "u" + std::to_string(taken));
            ASSERT_EQ(s.PendingFile(0), "f" + std::to_string(taken));
            s.RemoveFirstPending();
        }
        ASSERT_EQ(s.PendingCount(), static_cast<std::size_t>(added - taken));
        EXPECT_LE(s.PendingURLs.size(), 2 * s.PendingCount() + 1024);
        EXPECT_EQ(s.PendingURLs.size(), s.PendingFiles.size());
    }
    EXPECT_EQ(taken, added) << "the queue ran dry in the end";
}

}  // namespace
