#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QStatusTipEvent>
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
#include "window/GridModel.h"
#include "window/TForm2.h"
#include "window/TMgrid.h"
#include "window/TStatusBar.h"

namespace fs = std::filesystem;
using Answer = SessionPrompts::Answer;

namespace {

class MainWindow : public ::testing::Test {
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

TEST_F(MainWindow, RendersAtDesignAndScreenWidths) {
    for (int width : {TForm2::DesignWidth, 1024, 1920}) {
        TForm2 form(prompts);
        form.AdaptToScreenWidth(width);
        form.resize(width, width == TForm2::DesignWidth ? TForm2::DesignHeight : width * 9 / 16);
        form.show();
        QApplication::processEvents();
        SaveScreenshot(form, QStringLiteral("main-window-%1").arg(width));
        EXPECT_EQ(form.windowTitle(), "Lanternway 1.3");
    }
}

TEST_F(MainWindow, WideScreensWidenPanelsAndColumns) {
    struct Case {
        int screen;
        int fileColumn;
        int firstPanel;
    } cases[] = {{640, 306, 142}, {800, 396, 187}, {1024, 546, 237}, {1920, 546, 237}};
    for (const Case& c : cases) {
        TForm2 form(prompts);
        form.AdaptToScreenWidth(c.screen);
        EXPECT_EQ(form.Mgrid1->columnWidth(1), c.fileColumn) << c.screen;
        EXPECT_EQ(form.Mgrid1->columnWidth(0), 50) << c.screen;
        EXPECT_EQ(form.StatusBar1->PanelWidth(0), c.firstPanel) << c.screen;
    }
}

TEST_F(MainWindow, StartsWithTheDesignStates) {
    TForm2 form(prompts);
    EXPECT_TRUE(form.OpenBtn->isEnabled());
    EXPECT_FALSE(form.SaveAsBtn->isEnabled());
    EXPECT_FALSE(form.StopBtn->isEnabled());
    EXPECT_FALSE(form.ViewGridBtn->isEnabled());
    EXPECT_TRUE(form.ViewBrowserPanelBtn->isEnabled());
    EXPECT_TRUE(form.ViewDetailsItemBtn->isChecked());
    EXPECT_TRUE(form.DetailsItem1->isChecked());
    EXPECT_EQ(form.Mgrid1Model->rowCount(), 10);  // 11 rows with the header
    EXPECT_EQ(form.StatusBar1->PanelText(0), "Files Added in Queue: 0");
    EXPECT_EQ(form.StatusBar1->PanelText(4), "Time Elapsed: 00:00");
    EXPECT_EQ(form.StatusBar2->PanelText(0), "Session Started On: ");
    EXPECT_EQ(form.OpenBtn->toolTip(), "Open Session");
}

TEST_F(MainWindow, TheHintLineReplacesThePanelsWhileAHintShows) {
    TForm2 form(prompts);
    QStatusTipEvent hint(form.RetrieveBtn->statusTip());
    QApplication::sendEvent(&form, &hint);
    EXPECT_TRUE(form.StatusBar1->SimplePanel());
    EXPECT_EQ(form.StatusBar1->SimpleText(), "Open the new project dialog box");
    QStatusTipEvent none{QString()};
    QApplication::sendEvent(&form, &none);
    EXPECT_FALSE(form.StatusBar1->SimplePanel());
    // "Large Icons|" has no long part: no hint line.
    EXPECT_EQ(form.ViewLargeItemBtn->statusTip(), "");
}

TEST_F(MainWindow, HidingTheMainMenuTogglesItAndItsMark) {
    TForm2 form(prompts);
    form.show();
    form.ShowMainMenu1->trigger();
    EXPECT_TRUE(form.menuBar()->isHidden());
    EXPECT_TRUE(form.ShowMainMenu1->isChecked());
    EXPECT_EQ(form.ShowMainMenu1->text(), "Hide Main &Menu");
    form.ShowMainMenu1->trigger();
    EXPECT_FALSE(form.menuBar()->isHidden());
    EXPECT_FALSE(form.ShowMainMenu1->isChecked());
}

TEST_F(MainWindow, EscapeInTheSiteTreeAsksBeforeExiting) {
    TForm2 form(prompts);
    form.show();
    prompts.Answers.push_back(Answer::No);
    Press(form.DirTree, Qt::Key_Escape);
    ASSERT_EQ(prompts.MessageTexts(), std::vector<std::string>{"Exit Lanternway?"});
    EXPECT_EQ(prompts.Messages[0].ButtonSet, SessionPrompts::Buttons::YesNo);
    EXPECT_TRUE(form.isVisible());
    prompts.Answers.push_back(Answer::Yes);
    Press(form.DirTree, Qt::Key_Escape);
    EXPECT_FALSE(form.isVisible());
}

TEST_F(MainWindow, TheViewerRefusesAnEmptyList) {
    TForm2 form(prompts);
    form.QuickHTMLViewerBtnClick();
    EXPECT_EQ(prompts.MessageTexts(), std::vector<std::string>{"No item in list box"});
}

TEST_F(MainWindow, ViewStylesMarkOneItemAndOneButton) {
    TForm2 form(prompts);
    form.ViewListItemBtn->click();
    EXPECT_EQ(form.FileListView->Style(), TSystemListView::ViewStyle::List);
    EXPECT_TRUE(form.ListItem1->isChecked());
    EXPECT_FALSE(form.DetailsItem1->isChecked());
    EXPECT_TRUE(form.ViewListItemBtn->isChecked());
    EXPECT_FALSE(form.ViewDetailsItemBtn->isChecked());
    form.LargeItem1->trigger();
    EXPECT_EQ(form.FileListView->Style(), TSystemListView::ViewStyle::LargeIcon);
    EXPECT_TRUE(form.ViewLargeItemBtn->isChecked());
    EXPECT_FALSE(form.ViewListItemBtn->isChecked());
}

TEST_F(MainWindow, MenusTakeTheStatesOfTheirButtons) {
    TForm2 form(prompts);
    form.File1Click();
    EXPECT_TRUE(form.New1->isEnabled());
    EXPECT_FALSE(form.Save1->isEnabled());
    form.BrowseBtn->setEnabled(true);
    form.Project1Click();
    EXPECT_TRUE(form.BrowseProject1->isEnabled());
    EXPECT_FALSE(form.ViewEMailAddress1->isEnabled());
}

TEST_F(MainWindow, GridAndBrowserPanelSwitchTheLowerPane) {
    TForm2 form(prompts);
    form.show();
    form.ViewBrowserPanelBtnClick();
    EXPECT_TRUE(form.Mgrid1->isHidden());
    EXPECT_TRUE(form.ViewGridBtn->isEnabled());
    EXPECT_FALSE(form.ViewBrowserPanelBtn->isEnabled());
    EXPECT_FALSE(form.HTMLButtonsBar->isHidden());
    EXPECT_TRUE(form.CMessage->isHidden());
    form.ViewGridBtnClick();
    EXPECT_FALSE(form.Mgrid1->isHidden());
    EXPECT_FALSE(form.ViewGridBtn->isEnabled());
    EXPECT_TRUE(form.ViewBrowserPanelBtn->isEnabled());
    EXPECT_TRUE(form.HTMLButtonsBar->isHidden());
    EXPECT_FALSE(form.OpenProjectFolderBtn->isEnabled());  // no project yet
}

TEST_F(MainWindow, GridColoursAsAPersonSeesThem) {
    TForm2 form(prompts);
    SessionView& view = form.State().View;
    const SessionView::GridRow rows[] = {
        {"1", "http://host/", "900", "900", "Complete"},
        {"2", "images/logo.gif", "300", "120", "Transferring.."},
        {"3", "Password protected file [private/a.html]", "Unknown", "0", "Retrieving.."},
        {"4", "files/big.zip", "90000", "0", "Ignored"},
        {"5", "<FILE DELETED>***about.html***", "263", "263", "Complete"},
        {"6", "docs/guide.html", "0", "0", "Initiated.."},
    };
    for (int r = 0; r < 6; ++r) view.SetRow(r + 1, rows[r]);
    view.SelectRow(1);
    form.Mgrid1Model->Flush();
    form.resize(TForm2::DesignWidth, TForm2::DesignHeight);
    form.show();
    QApplication::processEvents();
    SaveScreenshot(*form.Mgrid1, QStringLiteral("status-grid-colours"));
    EXPECT_EQ(form.Mgrid1->Row(), 1);
}
