#include <gtest/gtest.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <filesystem>
#include <set>

#include "engine/RunControl.h"
#include "engine/SessionState.h"
#include "shell/ShellOpen.h"
#include "support/BoxAnswerer.h"
#include "support/NginxServer.h"
#include "support/QtApp.h"
#include "support/RowCells.h"
#include "support/Screenshot.h"
#include "support/ScriptedPrompts.h"
#include "support/SessionFilePrompts.h"
#include "support/Subprocess.h"
#include "support/TempFolder.h"
#include "support/WindowParts.h"
#include "window/GridModel.h"
#include "window/MainWindow.h"
#include "window/StatusBar.h"
#include "window/StatusGrid.h"

namespace fs = std::filesystem;

namespace {

const fs::path kSite = fs::path(LW_TEST_DATA_DIR) / "site";

struct QtAppFirst {
    QtAppFirst() { EnsureQtApp(); }
};

// A whole session run from the main window against nginx serving the fixture site.
class WindowSession : public ::testing::Test, private QtAppFirst {
  protected:
    void SetUp() override {
        SetShellOpenHandler([](const std::string&, const std::string&, const std::string&, int) {});
        prompts.DefaultFileName = folder.Text() + "site.lwa";
        form.AskSessionSettings = [this](SessionSettings& settings) {
            settings.MainURL = web.Url();
            settings.CollectEMailAddresses = true;
            return true;
        };
        form.show();
    }
    void TearDown() override { SetShellOpenHandler({}); }

    bool RunUntilFinished(MainWindow& window) {
        QEventLoop loop;
        QTimer limit;
        limit.setSingleShot(true);
        QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
        QObject::connect(&window.Engine(), &RunControl::SessionFinished, &loop, &QEventLoop::quit);
        limit.start(120000);
        if (!window.State().SessionComplete) loop.exec();
        QApplication::processEvents();
        FindPart<GridModel>(window, "GridRows")->Flush();
        return window.State().SessionComplete;
    }

    static std::set<std::string> Listed(MainWindow& window) {
        std::set<std::string> names;
        for (int i = 0; i < FindPart<FolderFileList>(window, "FileListView")->Count(); ++i)
            names.insert(
                FindPart<FolderFileList>(window, "FileListView")->ItemName(i).toStdString());
        return names;
    }

    static std::vector<RowCells> Rows(MainWindow& window) {
        std::vector<RowCells> rows;
        const SessionView& view = window.State().View;
        for (int r = 1; r < view.GridRowCount(); ++r) rows.push_back(Cells(view.Row(r)));
        return rows;
    }

    NginxServer web{{.Root = kSite}};
    TempFolder folder;
    ScriptedPrompts prompts;
    MainWindow form{prompts};
};

}  // namespace

TEST_F(WindowSession, RunsASiteAndReopensItsSessionFile) {
    FindPart<QToolButton>(form, "RetrieveBtn")->click();
    EXPECT_FALSE(FindPart<QToolButton>(form, "RetrieveBtn")->isEnabled());
    EXPECT_TRUE(FindPart<QToolButton>(form, "StopBtn")->isEnabled());
    ASSERT_TRUE(RunUntilFinished(form));
    SaveScreenshot(form, QStringLiteral("main-window-after-run"));

    const std::string sessionFile = folder.Text() + "site/site.lwa";
    ASSERT_TRUE(fs::exists(sessionFile));
    EXPECT_EQ(form.windowTitle().toStdString(), sessionFile + " - Lanternway 1.3");
    EXPECT_TRUE(FindPart<QToolButton>(form, "RetrieveBtn")->isEnabled());
    EXPECT_FALSE(FindPart<QToolButton>(form, "StopBtn")->isEnabled());
    EXPECT_TRUE(FindPart<QToolButton>(form, "BrowseBtn")->isEnabled());
    EXPECT_TRUE(FindPart<QToolButton>(form, "EMailBtn")->isEnabled());
    EXPECT_EQ(FindPart<StatusBar>(form, "LowerStatusBar")->PanelText(1), "Files Read: 10");

    // The grid shows every row the engine wrote, the tree the site's folders, and the file list
    // the root's files (the completion's save selects the root).
    const auto rows = Rows(form);
    ASSERT_EQ(FindPart<GridModel>(form, "GridRows")->rowCount(), static_cast<int>(rows.size()));
    EXPECT_EQ(FindPart<GridModel>(form, "GridRows")
                  ->data(FindPart<GridModel>(form, "GridRows")->index(0, 1))
                  .toString()
                  .toStdString(),
              web.Url());
    ASSERT_NE(FindPart<QTreeWidget>(form, "DirTree")->topLevelItem(0), nullptr);
    EXPECT_EQ(FindPart<QTreeWidget>(form, "DirTree")->topLevelItem(0)->text(0).toStdString(),
              web.Url());
    EXPECT_EQ(FindPart<QTreeWidget>(form, "DirTree")->topLevelItem(0)->childCount(), 2);
    EXPECT_EQ(Listed(form), (std::set<std::string>{"Main.html", "about.html", "main1.html",
                                                   "EMailAddress.html"}));
    FindPart<QTreeWidget>(form, "DirTree")
        ->setCurrentItem(FindPart<QTreeWidget>(form, "DirTree")->topLevelItem(0)->child(0));
    EXPECT_FALSE(Listed(form).empty());

    // The browser panel shows the selected file in the lower pane.
    FindPart<QTreeWidget>(form, "DirTree")
        ->setCurrentItem(FindPart<QTreeWidget>(form, "DirTree")->topLevelItem(0));
    FindPart<FolderFileList>(form, "FileListView")
        ->SelectItem(
            FindPart<FolderFileList>(form, "FileListView")->FindCaption("Main.html", 0, false));
    form.SwitchToBrowserPanel();
    EXPECT_TRUE(FindPart<StatusGrid>(form, "Grid")->isHidden());
    for (int i = 0; i < 20; ++i) QApplication::processEvents();
    SaveScreenshot(form, QStringLiteral("main-window-browser-panel"));
    form.SwitchToGrid();

    // A second window opens the file named on its command line; a second argument is ignored.
    ScriptedPrompts otherPrompts;
    MainWindow reopened(otherPrompts);
    reopened.show();
    reopened.OpenCommandLineSession(
        {"lanternway", QString::fromStdString(sessionFile), "ignored.lwa"});
    FindPart<GridModel>(reopened, "GridRows")->Flush();
    EXPECT_TRUE(otherPrompts.Messages.empty());
    EXPECT_EQ(Rows(reopened), rows);
    EXPECT_EQ(FindPart<StatusBar>(reopened, "LowerStatusBar")->PanelText(1), "Files Read: 10");
    EXPECT_TRUE(FindPart<QToolButton>(reopened, "SaveAsBtn")->isEnabled());
    EXPECT_EQ(reopened.State().View.SelectedRow(), 1);
    ASSERT_NE(FindPart<QTreeWidget>(reopened, "DirTree")->topLevelItem(0), nullptr);
    EXPECT_EQ(FindPart<QTreeWidget>(reopened, "DirTree")->topLevelItem(0)->childCount(), 2);
    EXPECT_EQ(Listed(reopened), (std::set<std::string>{"Main.html", "about.html", "main1.html",
                                                       "EMailAddress.html"}));
    EXPECT_FALSE(FindPart<StatusGrid>(reopened, "Grid")->isHidden());
    SaveScreenshot(reopened, QStringLiteral("main-window-reopened"));
}

TEST_F(WindowSession, ACommandLineWithoutAnExistingFileOpensNothing) {
    form.OpenCommandLineSession({"lanternway", QString::fromStdString(folder.Text() + "none.lwa")});
    form.OpenCommandLineSession({"lanternway"});
    EXPECT_TRUE(prompts.Messages.empty());
    EXPECT_EQ(form.windowTitle(), "Lanternway 1.3");
    EXPECT_FALSE(FindPart<QToolButton>(form, "SaveAsBtn")->isEnabled());
}

// The real boxes, answered as a person would, when the disk budget stops a complete copy: the
// box that says why comes first, then the completion's own, and the conversion still runs.
TEST(WindowSessionBoxes, ACopyStoppedByTheDiskBudgetSaysSoInABox) {
    EnsureQtApp();
    SetShellOpenHandler([](const std::string&, const std::string&, const std::string&, int) {});
    NginxServer web{{.Root = kSite}};
    TempFolder folder;
    SessionFilePrompts prompts;
    prompts.File = folder.Text() + "site.lwa";
    MainWindow form(prompts);
    prompts.SetOwner(&form);
    form.AskSessionSettings = [&](SessionSettings& settings) {
        settings.MainURL = web.Url();
        settings.CompleteCopy = true;
        settings.MaximumThreads = 1;
        return true;
    };
    form.show();
    BoxAnswerer answerer;
    QEventLoop loop;
    QObject::connect(&form.Engine(), &RunControl::SessionFinished, &loop, &QEventLoop::quit);
    FindPart<QToolButton>(form, "RetrieveBtn")->click();
    // The start page and the first of its two pictures (49 and 43 bytes) fit the budget; the
    // second passes it as it is written, and is dropped.
    form.State().DiskSpaceFloor =
        static_cast<std::int64_t>(fs::file_size(kSite / "index.html")) + 49;
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    if (!form.State().SessionComplete) loop.exec();
    SetShellOpenHandler({});

    ASSERT_TRUE(form.State().SessionComplete);
    EXPECT_EQ(form.State().FilesRead, 2);
    ASSERT_EQ(answerer.Texts.size(), 2u);
    EXPECT_EQ(answerer.Texts[0].rfind("Unable to create additional threads. Drive ", 0), 0u);
    EXPECT_EQ(answerer.Texts[1],
              "Site Retrieval Completed. Now Lanternway will update HTML links of all files for "
              "off line browsing.");
    EXPECT_TRUE(form.Engine().StoppedForDiskSpace());
    EXPECT_FALSE(form.Engine().ConversionFailed());
    EXPECT_TRUE(fs::exists(folder.Path() / "site" / "site.lwa"));
    // Converted: a link to a file the stop left out now leads online.
    EXPECT_NE(ReadWholeFile(folder.Text() + "site/index.html").find(web.Url()), std::string::npos);
}

// A session file named only ".lwa" would make the folder it lies in the project folder: the
// real error box says so, and nothing starts or is written.
TEST(WindowSessionBoxes, ASessionFileWithoutANameIsRefusedInABox) {
    EnsureQtApp();
    TempFolder folder;
    SessionFilePrompts prompts;
    prompts.File = folder.Text() + ".lwa";
    MainWindow form(prompts);
    prompts.SetOwner(&form);
    form.AskSessionSettings = [](SessionSettings& settings) {
        settings.MainURL = "http://127.0.0.1:9/";
        return true;
    };
    form.show();
    BoxAnswerer answerer;
    FindPart<QToolButton>(form, "RetrieveBtn")->click();
    ASSERT_TRUE(answerer.WaitForBoxes(1));
    EXPECT_EQ(answerer.Texts[0], "The session file \"" + folder.Text() +
                                     ".lwa\" needs a name before its extension: the project "
                                     "folder is named after it.");
    BoxAnswerer::Idle(300);
    EXPECT_EQ(answerer.Texts.size(), 1u);
    EXPECT_FALSE(form.State().Running());
    EXPECT_TRUE(form.Engine().Idle());
    EXPECT_TRUE(FindPart<QToolButton>(form, "RetrieveBtn")->isEnabled());
    EXPECT_TRUE(fs::is_empty(folder.Path()));
}
