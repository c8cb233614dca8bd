#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QStatusTipEvent>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>

#include "engine/SessionState.h"
#include "shell/ShellOpen.h"
#include "support/QtApp.h"
#include "support/Screenshot.h"
#include "support/ScriptedPrompts.h"
#include "support/TempFolder.h"
#include "support/WindowParts.h"
#include "window/GridModel.h"
#include "window/MainWindow.h"
#include "window/StatusBar.h"
#include "window/StatusGrid.h"
#include "support/RowCells.h"

namespace fs = std::filesystem;
using Answer = SessionPrompts::Answer;

namespace {

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        EnsureQtApp();
        // No test hands anything to the desktop: the launches are recorded instead.
        SetShellOpenHandler(
            [this](const std::string& target, const std::string&, const std::string&, int mode) {
                launched.push_back(target + "|" + std::to_string(mode));
            });
    }
    void TearDown() override { SetShellOpenHandler({}); }

    ScriptedPrompts prompts;
    std::vector<std::string> launched;
};

void Press(QWidget* target, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
}

}  // namespace

TEST_F(MainWindowTest, RendersAtDesignAndScreenWidths) {
    for (int width : {MainWindow::DesignWidth, 1024, 1920}) {
        MainWindow form(prompts);
        form.AdaptToScreenWidth(width);
        form.resize(width, width == MainWindow::DesignWidth ? MainWindow::DesignHeight : width * 9 / 16);
        form.show();
        QApplication::processEvents();
        SaveScreenshot(form, QStringLiteral("main-window-%1").arg(width));
        EXPECT_EQ(form.windowTitle(), "Lanternway 1.3");
    }
}

TEST_F(MainWindowTest, WideScreensWidenPanelsAndColumns) {
    struct Case {
        int screen;
        int fileColumn;
        int firstPanel;
    } cases[] = {{640, 306, 142}, {800, 396, 187}, {1024, 546, 237}, {1920, 546, 237}};
    for (const Case& c : cases) {
        MainWindow form(prompts);
        form.AdaptToScreenWidth(c.screen);
        EXPECT_EQ(FindPart<StatusGrid>(form, "Grid")->columnWidth(1), c.fileColumn) << c.screen;
        EXPECT_EQ(FindPart<StatusGrid>(form, "Grid")->columnWidth(0), 50) << c.screen;
        EXPECT_EQ(FindPart<StatusBar>(form, "LowerStatusBar")->PanelWidth(0), c.firstPanel)
            << c.screen;
    }
}

TEST_F(MainWindowTest, StartsWithTheDesignStates) {
    MainWindow form(prompts);
    EXPECT_TRUE(FindPart<QToolButton>(form, "OpenBtn")->isEnabled());
    EXPECT_FALSE(FindPart<QToolButton>(form, "SaveAsBtn")->isEnabled());
    EXPECT_FALSE(FindPart<QToolButton>(form, "StopBtn")->isEnabled());
    EXPECT_FALSE(FindPart<QToolButton>(form, "ViewGridBtn")->isEnabled());
    EXPECT_TRUE(FindPart<QToolButton>(form, "ViewBrowserPanelBtn")->isEnabled());
    EXPECT_TRUE(FindPart<QToolButton>(form, "ViewDetailsItemBtn")->isChecked());
    EXPECT_TRUE(FindPart<QAction>(form, "DetailsStyleItem")->isChecked());
    EXPECT_EQ(FindPart<GridModel>(form, "GridRows")->rowCount(), 10);  // 11 rows with the header
    EXPECT_EQ(FindPart<StatusBar>(form, "LowerStatusBar")->PanelText(0), "Files Added in Queue: 0");
    EXPECT_EQ(FindPart<StatusBar>(form, "LowerStatusBar")->PanelText(4), "Time Elapsed: 00:00");
    EXPECT_EQ(FindPart<StatusBar>(form, "UpperStatusBar")->PanelText(0), "Session Started On: ");
    EXPECT_EQ(FindPart<QToolButton>(form, "OpenBtn")->toolTip(), "Open Session");
}

TEST_F(MainWindowTest, TheViewerButtonStartsEnabledAndSaysWhenThereIsNothingToShow) {
    MainWindow form(prompts);
    form.show();
    QApplication::processEvents();
    ASSERT_TRUE(FindPart<QToolButton>(form, "QuickHTMLViewerBtn")->isEnabled());
    FindPart<QToolButton>(form, "QuickHTMLViewerBtn")->click();
    ASSERT_EQ(prompts.MessageTexts(), std::vector<std::string>{"No item in list box"});
}

// A running session's changes show in batches; work that holds the event loop (a protected
// fetch, the conversion) shows them first, so that the window does not keep the previous ones.
TEST_F(MainWindowTest, BlockingWorkShowsTheChangesGatheredSoFar) {
    MainWindow form(prompts);
    form.show();
    QApplication::processEvents();
    SessionState& state = form.State();
    state.SessionClock.start();  // running: changes are gathered
    state.View.SetLowerStatusBar(1, "Files Read: 7");
    state.View.SetUpperStatusBar(0, "Session Started On: today");
    state.View.SetGridRowCount(3);
    state.View.SetRow(2, RowOf({"2", "protected.html", "Unknown", "0", "Retrieving.."}));
    ASSERT_NE(FindPart<StatusBar>(form, "LowerStatusBar")->PanelText(1),
              "Files Read: 7");  // not shown yet
    state.View.NotifyBlockingWork();
    EXPECT_EQ(FindPart<StatusBar>(form, "LowerStatusBar")->PanelText(1), "Files Read: 7");
    EXPECT_EQ(FindPart<StatusBar>(form, "UpperStatusBar")->PanelText(0),
              "Session Started On: today");
    EXPECT_EQ(FindPart<GridModel>(form, "GridRows")->index(1, 1).data().toString(),
              "protected.html");
    state.SessionClock.stop();
}

TEST_F(MainWindowTest, TheHintLineReplacesThePanelsWhileAHintShows) {
    MainWindow form(prompts);
    QStatusTipEvent hint(FindPart<QToolButton>(form, "RetrieveBtn")->statusTip());
    QApplication::sendEvent(&form, &hint);
    EXPECT_TRUE(FindPart<StatusBar>(form, "LowerStatusBar")->SimplePanel());
    EXPECT_EQ(FindPart<StatusBar>(form, "LowerStatusBar")->SimpleText(),
              "Open the new project dialog box");
    QStatusTipEvent none{QString()};
    QApplication::sendEvent(&form, &none);
    EXPECT_FALSE(FindPart<StatusBar>(form, "LowerStatusBar")->SimplePanel());
    // "Large Icons|" has no long part: no hint line.
    EXPECT_EQ(FindPart<QToolButton>(form, "ViewLargeItemBtn")->statusTip(), "");
}

TEST_F(MainWindowTest, HidingTheMainMenuTogglesItAndItsMark) {
    MainWindow form(prompts);
    form.show();
    FindPart<QAction>(form, "HideMainMenuItem")->trigger();
    EXPECT_TRUE(form.menuBar()->isHidden());
    EXPECT_TRUE(FindPart<QAction>(form, "HideMainMenuItem")->isChecked());
    EXPECT_EQ(FindPart<QAction>(form, "HideMainMenuItem")->text(), "Hide Main &Menu");
    FindPart<QAction>(form, "HideMainMenuItem")->trigger();
    EXPECT_FALSE(form.menuBar()->isHidden());
    EXPECT_FALSE(FindPart<QAction>(form, "HideMainMenuItem")->isChecked());
}

TEST_F(MainWindowTest, EscapeInTheSiteTreeAsksBeforeExiting) {
    MainWindow form(prompts);
    form.show();
    prompts.Answers.push_back(Answer::No);
    Press(FindPart<QTreeWidget>(form, "DirTree"), Qt::Key_Escape);
    ASSERT_EQ(prompts.MessageTexts(), std::vector<std::string>{"Exit Lanternway?"});
    EXPECT_EQ(prompts.Messages[0].ButtonSet, SessionPrompts::Buttons::YesNo);
    EXPECT_TRUE(form.isVisible());
    prompts.Answers.push_back(Answer::Yes);
    Press(FindPart<QTreeWidget>(form, "DirTree"), Qt::Key_Escape);
    EXPECT_FALSE(form.isVisible());
}

TEST_F(MainWindowTest, TheViewerRefusesAnEmptyList) {
    MainWindow form(prompts);
    form.OpenSelectedInViewer();
    EXPECT_EQ(prompts.MessageTexts(), std::vector<std::string>{"No item in list box"});
}

TEST_F(MainWindowTest, ViewStylesMarkOneItemAndOneButton) {
    MainWindow form(prompts);
    FindPart<QToolButton>(form, "ViewListItemBtn")->click();
    EXPECT_EQ(FindPart<FolderFileList>(form, "FileListView")->Style(),
              FolderFileList::ViewStyle::List);
    EXPECT_TRUE(FindPart<QAction>(form, "ListStyleItem")->isChecked());
    EXPECT_FALSE(FindPart<QAction>(form, "DetailsStyleItem")->isChecked());
    EXPECT_TRUE(FindPart<QToolButton>(form, "ViewListItemBtn")->isChecked());
    EXPECT_FALSE(FindPart<QToolButton>(form, "ViewDetailsItemBtn")->isChecked());
    FindPart<QAction>(form, "LargeIconsItem")->trigger();
    EXPECT_EQ(FindPart<FolderFileList>(form, "FileListView")->Style(),
              FolderFileList::ViewStyle::LargeIcon);
    EXPECT_TRUE(FindPart<QToolButton>(form, "ViewLargeItemBtn")->isChecked());
    EXPECT_FALSE(FindPart<QToolButton>(form, "ViewListItemBtn")->isChecked());
}

TEST_F(MainWindowTest, MenusTakeTheStatesOfTheirButtons) {
    MainWindow form(prompts);
    form.UpdateFileMenu();
    EXPECT_TRUE(FindPart<QAction>(form, "NewSessionItem")->isEnabled());
    EXPECT_FALSE(FindPart<QAction>(form, "SaveSessionAsItem")->isEnabled());
    FindPart<QToolButton>(form, "BrowseBtn")->setEnabled(true);
    form.UpdateProjectMenu();
    EXPECT_TRUE(FindPart<QAction>(form, "BrowseProjectItem")->isEnabled());
    EXPECT_FALSE(FindPart<QAction>(form, "ViewEMailAddressItem")->isEnabled());
}

TEST_F(MainWindowTest, GridAndBrowserPanelSwitchTheLowerPane) {
    MainWindow form(prompts);
    form.show();
    form.SwitchToBrowserPanel();
    EXPECT_TRUE(FindPart<StatusGrid>(form, "Grid")->isHidden());
    EXPECT_TRUE(FindPart<QToolButton>(form, "ViewGridBtn")->isEnabled());
    EXPECT_FALSE(FindPart<QToolButton>(form, "ViewBrowserPanelBtn")->isEnabled());
    EXPECT_FALSE(FindPart<QWidget>(form, "HTMLButtonsBar")->isHidden());
    EXPECT_TRUE(FindPart<QLabel>(form, "MessageLabel")->isHidden());
    form.SwitchToGrid();
    EXPECT_FALSE(FindPart<StatusGrid>(form, "Grid")->isHidden());
    EXPECT_FALSE(FindPart<QToolButton>(form, "ViewGridBtn")->isEnabled());
    EXPECT_TRUE(FindPart<QToolButton>(form, "ViewBrowserPanelBtn")->isEnabled());
    EXPECT_TRUE(FindPart<QWidget>(form, "HTMLButtonsBar")->isHidden());
    EXPECT_FALSE(
        FindPart<QToolButton>(form, "OpenProjectFolderBtn")->isEnabled());  // no project yet
}

TEST_F(MainWindowTest, GridColoursAsAPersonSeesThem) {
    MainWindow form(prompts);
    SessionView& view = form.State().View;
    const RowCells rows[] = {
        {"1", "http://host/", "900", "900", "Complete"},
        {"2", "images/logo.gif", "300", "120", "Transferring.."},
        {"3", "Password protected file [private/a.html]", "Unknown", "0", "Retrieving.."},
        {"4", "files/big.zip", "90000", "0", "Ignored"},
        {"5", "<FILE DELETED>***about.html***", "263", "263", "Complete"},
        {"6", "docs/guide.html", "0", "0", "Initiated.."},
    };
    for (int r = 0; r < 6; ++r) view.SetRow(r + 1, RowOf(rows[r]));
    view.SelectRow(1);
    FindPart<GridModel>(form, "GridRows")->Flush();
    form.resize(MainWindow::DesignWidth, MainWindow::DesignHeight);
    form.show();
    QApplication::processEvents();
    SaveScreenshot(*FindPart<StatusGrid>(form, "Grid"), QStringLiteral("status-grid-colours"));
    EXPECT_EQ(FindPart<StatusGrid>(form, "Grid")->Row(), 1);
}

// Ctrl+N and Ctrl+O start the File menu's commands, also while the main menu is hidden, and
// follow the buttons' states without the menu having been opened.
TEST_F(MainWindowTest, CtrlNAndCtrlOStartNewAndOpenSession) {
    MainWindow form(prompts);
    int asked = 0;
    form.AskSessionSettings = [&](SessionSettings&) {
        ++asked;
        return false;
    };
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    for (const bool menuHidden : {false, true}) {
        SCOPED_TRACE(menuHidden);
        if (menuHidden) form.ToggleMainMenu();
        const int before = asked;
        prompts.FileDialogCaptions.clear();
        QTest::keyClick(&form, Qt::Key_N, Qt::ControlModifier);
        QTest::keyClick(&form, Qt::Key_O, Qt::ControlModifier);
        EXPECT_EQ(asked, before + 1);
        EXPECT_EQ(prompts.FileDialogCaptions,
                  std::vector<std::string>{"Open Existing Lanternway Session.."});
    }
    // A running session disables New and Open; the keys follow at once.
    SessionView::ButtonStates running;
    running.OpenBtn = running.RetrieveBtn = false;
    form.State().View.SetButtons(running);
    EXPECT_FALSE(FindPart<QAction>(form, "NewSessionItem")->isEnabled());
    EXPECT_FALSE(FindPart<QAction>(form, "OpenSessionItem")->isEnabled());
}

// After a run, selecting a row whose file was not retrieved puts the reason on the status
// line, and resting the mouse on it puts it on the hint line.
TEST_F(MainWindowTest, AFailedRowSaysWhyOnTheStatusAndHintLines) {
    MainWindow form(prompts);
    SessionView& view = form.State().View;
    view.SetGridRowCount(4);
    view.SetRow(1, RowOf({"1", "http://host/", "9", "9", "Complete"}));
    view.SetRow(2, RowOf({"2", "a.gif", "700", "0", "Ignored"}));
    view.SetRow(3, RowOf({"3", "b.gif", "9", "9", "Complete"}));
    const std::string why = "Cannot write file /p/a.gif: No space left on device";
    view.SetRowFailure(2, why);
    FindPart<GridModel>(form, "GridRows")->Flush();
    form.resize(800, 600);
    form.show();
    QApplication::processEvents();

    FindPart<StatusGrid>(form, "Grid")->SetRow(2);
    EXPECT_EQ(FindPart<QLabel>(form, "MessageLabel")->text().toStdString(), why);
    SaveScreenshot(form, "main-window-failed-row-selected");
    FindPart<StatusGrid>(form, "Grid")->SetRow(3);
    EXPECT_EQ(FindPart<QLabel>(form, "MessageLabel")->text(), "") << "the reason goes with its row";

    // Its tool tip, wherever the mouse rests on the row; other rows show their cell's text.
    for (int column = 0; column < 5; ++column)
        EXPECT_EQ(FindPart<GridModel>(form, "GridRows")
                      ->index(1, column)
                      .data(Qt::ToolTipRole)
                      .toString()
                      .toStdString(),
                  why);
    EXPECT_EQ(FindPart<GridModel>(form, "GridRows")->index(2, 1).data(Qt::ToolTipRole).toString(),
              "b.gif");
    const QRect failed = FindPart<StatusGrid>(form, "Grid")
                             ->visualRect(FindPart<GridModel>(form, "GridRows")->index(1, 1));
    QTest::mouseMove(FindPart<StatusGrid>(form, "Grid")->viewport(), failed.center());
    EXPECT_EQ(FindPart<StatusBar>(form, "LowerStatusBar")->SimpleText().toStdString(), why);
    EXPECT_TRUE(FindPart<StatusBar>(form, "LowerStatusBar")->SimplePanel());
    const QRect fine = FindPart<StatusGrid>(form, "Grid")
                           ->visualRect(FindPart<GridModel>(form, "GridRows")->index(2, 1));
    QTest::mouseMove(FindPart<StatusGrid>(form, "Grid")->viewport(), fine.center());
    EXPECT_FALSE(FindPart<StatusBar>(form, "LowerStatusBar")->SimplePanel())
        << "the panels come back";
}
