// The main window while a session runs: transfers played by the test (SessionHarness's way),
// the views looked at between them.
#include <gtest/gtest.h>

#include <QMessageBox>
#include <QPointer>
#include <QScrollBar>
#include <QToolButton>
#include <QTreeWidget>
#include <set>

#include "engine/TransferWorker.h"
#include "sessionfile/SessionText.h"
#include "support/BoxAnswerer.h"
#include "support/Screenshot.h"
#include "support/SessionFilePrompts.h"
#include "support/SessionHarness.h"
#include "support/Subprocess.h"
#include "support/WindowParts.h"
#include "window/GridModel.h"
#include "window/MainWindow.h"
#include "window/ProjectBrowser.h"
#include "window/StatusGrid.h"

namespace {

struct QtAppFirst {
    QtAppFirst() { EnsureQtApp(); }
};

std::string Page(const std::vector<std::string>& links) {
    std::string page = "<html><body>\n";
    for (const auto& l : links) page += "<a href=\"" + l + "\">" + l + "</a>\n";
    return page + "</body></html>\n";
}

class WindowDuringRun : public ::testing::Test, private QtAppFirst {
  protected:
    void SetUp() override {
        prompts.DefaultFileName = folder.Text() + "site.lwa";
        form.AskSessionSettings = [this](SessionSettings& chosen) {
            chosen = settings;
            chosen.MainURL = SessionHarness::Site;
            return true;
        };
        form.resize(800, 600);
        form.show();
    }
    void TearDown() override {
        if (window) window->State().SessionClock.stop();
        delete window.data();
    }

    std::vector<TransferWorker*> Running() { return SessionHarness::RunningIn(form.Engine()); }
    TransferWorker* Worker(const std::string& end) {
        return SessionHarness::WorkerIn(form.Engine(), end);
    }

    // The grid as a running session's window shows it a moment later. (The event loop is not
    // run: the played transfers would meet the real ones, which find nobody at the address.)
    void Refresh() { FindPart<GridModel>(form, "GridRows")->Flush(); }

    std::set<std::string> Listed() {
        std::set<std::string> names;
        for (int i = 0; i < FindPart<FolderFileList>(form, "FileListView")->Count(); ++i)
            names.insert(FindPart<FolderFileList>(form, "FileListView")->ItemName(i).toStdString());
        return names;
    }

    TempFolder folder;
    ScriptedPrompts prompts;
    SessionSettings settings;
    // On the heap: a test closes it for good (and then has it deleted, to see the close).
    QPointer<MainWindow> window{new MainWindow(prompts)};
    MainWindow& form = *window;
};

}  // namespace

TEST_F(WindowDuringRun, TheSiteTreeAndFileListFollowTheFilesAsTheyLand) {
    form.StartNewSession();
    ASSERT_TRUE(form.State().Running());
    FindPart<ProjectBrowser>(form, "ProjectBrowser")->FollowLandedFiles();
    EXPECT_TRUE(Listed().empty());
    SessionHarness::Deliver(Running().at(0),
                            Page({"about.html", "b.html", "pic.gif", "img/logo.gif"}));
    FindPart<ProjectBrowser>(form, "ProjectBrowser")->FollowLandedFiles();
    EXPECT_EQ(Listed(), std::set<std::string>{"Main.html"});

    SessionHarness::Deliver(Worker("about.html"), "about");
    FindPart<ProjectBrowser>(form, "ProjectBrowser")->FollowLandedFiles();
    EXPECT_EQ(Listed(), (std::set<std::string>{"Main.html", "about.html"}));
    FindPart<FolderFileList>(form, "FileListView")
        ->SelectItem(
            FindPart<FolderFileList>(form, "FileListView")->FindCaption("about.html", 0, false));

    SessionHarness::Deliver(Worker("pic.gif"), "GIF89a");
    SessionHarness::Deliver(Worker("img/logo.gif"), "GIF89a");
    FindPart<ProjectBrowser>(form, "ProjectBrowser")->FollowLandedFiles();
    Refresh();
    EXPECT_EQ(Listed(), (std::set<std::string>{"Main.html", "about.html", "pic.gif"}));
    ASSERT_GE(FindPart<FolderFileList>(form, "FileListView")->Selected(), 0);
    EXPECT_EQ(FindPart<FolderFileList>(form, "FileListView")
                  ->ItemName(FindPart<FolderFileList>(form, "FileListView")->Selected()),
              "about.html")
        << "the person's selection stays";
    ASSERT_EQ(FindPart<QTreeWidget>(form, "DirTree")->topLevelItem(0)->childCount(), 1)
        << "the folder is in the tree at once";
    EXPECT_EQ(FindPart<QTreeWidget>(form, "DirTree")->topLevelItem(0)->child(0)->text(0), "img/");
    SaveScreenshot(form, "main-window-list-during-run");
    FindPart<QTreeWidget>(form, "DirTree")
        ->setCurrentItem(FindPart<QTreeWidget>(form, "DirTree")->topLevelItem(0)->child(0));
    EXPECT_EQ(Listed(), std::set<std::string>{"logo.gif"});

    SessionHarness::Deliver(Worker("b.html"), "b");
    ASSERT_TRUE(form.State().SessionComplete);
    EXPECT_EQ(Listed(), (std::set<std::string>{"Main.html", "about.html", "b.html", "pic.gif"}))
        << "the saved session lists the site root";
}

TEST_F(WindowDuringRun, TheGridFollowsNewRowsOnlyWhileItIsAtTheBottom) {
    settings.MaximumThreads = 100;
    form.StartNewSession();
    std::vector<std::string> pages;
    for (int i = 0; i < 60; ++i) pages.push_back("p" + std::to_string(i) + ".html");
    SessionHarness::Deliver(Running().at(0), Page(pages));
    Refresh();
    QScrollBar* scroll = FindPart<StatusGrid>(form, "Grid")->verticalScrollBar();
    ASSERT_GT(scroll->maximum(), 0) << "the grid holds more rows than it shows";
    EXPECT_EQ(scroll->value(), scroll->maximum());
    EXPECT_EQ(FindPart<StatusGrid>(form, "Grid")->Row(), 61);

    // The person scrolls up to read: new rows are selected, but the grid stays where it is.
    scroll->triggerAction(QAbstractSlider::SliderToMinimum);
    SessionHarness::Deliver(Worker("p0.html"), Page({"new1.html"}));
    Refresh();
    EXPECT_EQ(FindPart<StatusGrid>(form, "Grid")->Row(), 62);
    EXPECT_EQ(scroll->value(), 0);
    SaveScreenshot(form, "main-window-grid-scrolled-up-during-run");

    // Back at the bottom, the grid follows again.
    scroll->triggerAction(QAbstractSlider::SliderToMaximum);
    SessionHarness::Deliver(Worker("p1.html"), Page({"new2.html"}));
    Refresh();
    EXPECT_EQ(FindPart<StatusGrid>(form, "Grid")->Row(), 63);
    EXPECT_EQ(scroll->value(), scroll->maximum());
}

// Closing the window during a copy (or Exit, once confirmed) asks nothing more and takes the
// window away at once; the copy stops as Stop stops it (running transfers end), its session
// file is written, and then the window closes for good. Nothing is converted: nobody is there
// to be asked.
class ClosingDuringACopy : public WindowDuringRun, public ::testing::WithParamInterface<bool> {};

TEST_P(ClosingDuringACopy, StopsItWritesItsFileAndThenCloses) {
    const bool byExit = GetParam();
    form.setAttribute(Qt::WA_DeleteOnClose);
    form.StartNewSession();
    const std::string startPage = Page({"a.html", "b.gif"});
    SessionHarness::Deliver(Running().at(0), startPage);
    if (byExit)
        form.ConfirmExit();
    else
        form.close();
    EXPECT_TRUE(form.isHidden()) << "the window goes at once";
    EXPECT_TRUE(form.State().StopRequested);
    EXPECT_EQ(Running().size(), 2u);

    SessionHarness::Deliver(Worker("a.html"), "<a href='c.html'>c</a>");
    SessionHarness::Deliver(Worker("b.gif"), "GIF89a");
    ASSERT_TRUE(form.State().SessionComplete);
    EXPECT_EQ(prompts.MessageTexts(),
              byExit ? std::vector<std::string>{"Exit Lanternway?"} : std::vector<std::string>{})
        << "nothing more was shown or asked";
    const std::string project = folder.Text() + "site/";
    const SessionRecord saved =
        ParseSessionText(UnscrambleText(ReadWholeFile(project + "site.lwa")));
    EXPECT_EQ(saved.Rows.size(), 3u);
    EXPECT_EQ(ReadWholeFile(project + "Main.html"), startPage) << "not converted";

    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull()) << "closed for good";
}

INSTANTIATE_TEST_SUITE_P(WindowDuringRun, ClosingDuringACopy, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "ByExit" : "ByClose"; });

// Stop's "Please wait" box goes when the last running transfer ends, before the completion's
// question comes: no stale box under it.
TEST(WindowDuringRunBoxes, TheStopBoxGoesWhenTheLastTransferEnds) {
    EnsureQtApp();
    TempFolder folder;
    SessionFilePrompts prompts;
    prompts.File = folder.Text() + "site.lwa";
    MainWindow form(prompts);
    prompts.SetOwner(&form);
    form.AskSessionSettings = [](SessionSettings& settings) {
        settings.MainURL = SessionHarness::Site;
        return true;
    };
    form.resize(800, 600);
    form.show();
    form.StartNewSession();
    auto running = [&] { return SessionHarness::RunningIn(form.Engine()); };
    SessionHarness::Deliver(running().at(0), Page({"a.html", "b.html"}));
    ASSERT_EQ(running().size(), 2u);

    FindPart<QToolButton>(form, "StopBtn")->click();
    const QPointer<QMessageBox> stopBox = prompts.StopWaitBox();
    ASSERT_FALSE(stopBox.isNull());
    EXPECT_TRUE(stopBox->isVisible());
    EXPECT_EQ(stopBox->text(), "Please wait.. \n2 threads still receiving data ..");
    SaveScreenshot(*stopBox, "stop-wait-box");
    SessionHarness::Deliver(running().at(0), "a");
    EXPECT_TRUE(stopBox->isVisible()) << "one thread is still receiving";

    BoxAnswerer answerer;
    bool stopBoxShownUnderTheQuestion = true;
    answerer.OnBox = [&](QMessageBox&) {
        stopBoxShownUnderTheQuestion = !stopBox.isNull() && stopBox->isVisible();
    };
    SessionHarness::Deliver(running().at(0), "b");
    ASSERT_TRUE(form.State().SessionComplete);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(stopBox.isNull());
    ASSERT_EQ(answerer.Texts.size(), 1u);
    EXPECT_EQ(answerer.Texts[0].rfind("Site Retrieval Completed.", 0), 0u);
    EXPECT_FALSE(stopBoxShownUnderTheQuestion);
}
