#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QScrollArea>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <filesystem>
#include <set>

#include "htmlview/HtmlView.h"
#include "shell/FolderTree.h"
#include "support/PictureFixtures.h"
#include "support/QtApp.h"
#include "support/Screenshot.h"
#include "support/ScriptedPrompts.h"
#include "support/TempFolder.h"
#include "support/WindowParts.h"
#include "viewers/FullScreenShow.h"
#include "window/BrowserPanel.h"
#include "window/LocalFilesView.h"
#include "window/MainWindow.h"
#include "window/StatusBar.h"
#include "window/StatusGrid.h"

namespace fs = std::filesystem;

namespace {

struct QtAppFirst {
    QtAppFirst() { EnsureQtApp(); }
};

// The main window over two local folders of web files and a small project folder.
class LocalFilesWindow : public ::testing::Test, private QtAppFirst {
  protected:
    void SetUp() override {
        WriteBytes(web.Text() + "page.html", "<a href=\"other.HTM\">other</a>");
        WriteBytes(web.Text() + "other.HTM", "<p>the other page</p>");
        WriteBytes(web.Text() + "pic.gif", EncodeGif(QuadrantPicture(10, 10)));
        WriteBytes(web.Text() + "notes.txt", "notes");
        WriteBytes(web.Text() + "Readme", "no extension");
        WriteBytes(web.Text() + "archive.zip", "PK");
        fs::create_directory(web.Path() / "sub");
        WriteBytes(more.Text() + "second.htm", "<p>second folder</p>");
        WriteBytes(more.Text() + "data.csv", "1,2");
        form.State().ProjectFolder = project.Text();
        form.resize(900, 640);
        form.show();
    }
    void TearDown() override { delete CurrentFullScreenShow.data(); }

    std::set<std::string> Listed() {
        std::set<std::string> names;
        for (int i = 0; i < FindPart<FolderFileList>(form, "LocalFileList")->Count(); ++i)
            names.insert(
                FindPart<FolderFileList>(form, "LocalFileList")->ItemName(i).toStdString());
        return names;
    }
    void ChooseFolder(const TempFolder& folder) {
        ASSERT_TRUE(FindPart<FolderTree>(form, "LocalFolderTree")
                        ->SetSelectedPath(QString::fromStdString(folder.Path())));
        form.ListLocalFolder();
    }
    void ClickFile(const char* name) {
        FindPart<FolderFileList>(form, "LocalFileList")
            ->SelectItem(
                FindPart<FolderFileList>(form, "LocalFileList")->FindCaption(name, 0, false));
        form.OnLocalFileSelected();
        EXPECT_TRUE(QTest::qWaitFor(
            [this] {
                return !FindPart<BrowserPanel>(form, "BrowserPanel")->PageView->Retrieving();
            },
            10000));
    }
    std::string Folder(const TempFolder& folder) { return folder.Path().string(); }

    TempFolder web, more, project;
    ScriptedPrompts prompts;
    MainWindow form{prompts};
};

}  // namespace

TEST_F(LocalFilesWindow, OpeningForTheFirstTime) {
    form.SwitchToLocalFiles();
    EXPECT_TRUE(FindPart<QAction>(form, "ViewLocalFilesItem")->isChecked());
    EXPECT_EQ(form.windowTitle(), "Lanternway 1.3 - View Local HTML,GIF,JPG,BMP,ICO,WMF,EMF Files");
    EXPECT_EQ(FindPart<StatusBar>(form, "UpperStatusBar")->PanelText(0),
              "Local HTML,GIF,JPG,BMP,ICO,WMF,EMF Files");
    EXPECT_EQ(FindPart<StatusBar>(form, "UpperStatusBar")->PanelText(1), "Contents Of: ");
    EXPECT_FALSE(FindPart<QToolButton>(form, "OpenProjectFolderBtn")->isEnabled());
    EXPECT_EQ(FindPart<QToolButton>(form, "OpenProjectFolderBtn")->toolTip(),
              "Open Current Folder");
    EXPECT_FALSE(FindPart<QToolButton>(form, "ViewBrowserPanelBtn")->isEnabled());
    EXPECT_TRUE(FindPart<QToolButton>(form, "ViewGridBtn")->isEnabled());
    EXPECT_FALSE(FindPart<FolderFileList>(form, "LocalFileList")->isHidden());
    EXPECT_TRUE(FindPart<FolderFileList>(form, "FileListView")->isHidden());
    EXPECT_TRUE(FindPart<StatusGrid>(form, "Grid")->isHidden());
    EXPECT_FALSE(FindPart<BrowserPanel>(form, "BrowserPanel")->PanelButtons->isHidden());
    EXPECT_TRUE(FindPart<QLabel>(form, "MessageLabel")->isHidden());
    EXPECT_FALSE(FindPart<BrowserPanel>(form, "BrowserPanel")->HTMLBackBtn->isEnabled());
}

TEST_F(LocalFilesWindow, AFolderIsNarrowedToWebFilesAndTheDiskIsUntouched) {
    form.SwitchToLocalFiles();
    ChooseFolder(web);
    EXPECT_EQ(Listed(), (std::set<std::string>{"page.html", "other.HTM", "pic.gif"}));
    EXPECT_EQ(form.LocalFilesFolder(), web.Text());
    EXPECT_EQ(FindPart<StatusBar>(form, "UpperStatusBar")->PanelText(1).toStdString(), Folder(web));
    EXPECT_TRUE(FindPart<QToolButton>(form, "OpenProjectFolderBtn")->isEnabled());
    EXPECT_TRUE(
        FindPart<BrowserPanel>(form, "BrowserPanel")->ShowFullScreenBtn->isEnabled());  // pic.gif
    for (const char* name : {"notes.txt", "Readme", "archive.zip"})
        EXPECT_TRUE(fs::exists(web.Path() / name)) << name;

    const auto before = Listed();
    FindPart<FolderTree>(form, "LocalFolderTree")
        ->setCurrentItem(
            FindPart<FolderTree>(form, "LocalFolderTree")->topLevelItem(0));  // the root
    form.ListLocalFolder();
    EXPECT_EQ(Listed(), before);
}

TEST_F(LocalFilesWindow, PagesAndPicturesShowFromTheLocalList) {
    form.SwitchToLocalFiles();
    ChooseFolder(web);
    ClickFile("pic.gif");
    EXPECT_FALSE(FindPart<BrowserPanel>(form, "BrowserPanel")->PictureBox->isHidden());
    EXPECT_TRUE(FindPart<BrowserPanel>(form, "BrowserPanel")->PageView->isHidden());
    QCoreApplication::processEvents();  // lay the window out before its picture
    SaveScreenshot(form, "local-files-picture");
    ClickFile("page.html");
    EXPECT_FALSE(FindPart<BrowserPanel>(form, "BrowserPanel")->PageView->isHidden());
    QCoreApplication::processEvents();  // lay the window out before its picture
    SaveScreenshot(form, "local-files-page");
    EXPECT_EQ(FindPart<BrowserPanel>(form, "BrowserPanel")->History(true).Entries(),
              std::vector<std::string>{web.Text() + "page.html"});
    EXPECT_TRUE(FindPart<BrowserPanel>(form, "BrowserPanel")->History(false).Entries().empty());
    EXPECT_TRUE(prompts.Messages.empty());
}

TEST_F(LocalFilesWindow, ComingBackShowsTheLastFolderAndItsHistory) {
    form.SwitchToLocalFiles();
    ChooseFolder(web);
    ClickFile("page.html");
    emit FindPart<BrowserPanel>(form, "BrowserPanel")->PageView->anchorClicked(QUrl("other.HTM"));
    EXPECT_TRUE(QTest::qWaitFor(
        [this] { return !FindPart<BrowserPanel>(form, "BrowserPanel")->PageView->Retrieving(); },
        10000));
    EXPECT_EQ(FindPart<BrowserPanel>(form, "BrowserPanel")->History(true).Index(), 1);

    form.SwitchToGrid();
    EXPECT_FALSE(FindPart<BrowserPanel>(form, "BrowserPanel")
                     ->HTMLBackBtn->isEnabled());  // the grid follows the project's history
    form.SwitchToLocalFiles();
    EXPECT_EQ(FindPart<StatusBar>(form, "UpperStatusBar")->PanelText(1).toStdString(), Folder(web));
    EXPECT_TRUE(FindPart<BrowserPanel>(form, "BrowserPanel")->HTMLBackBtn->isEnabled());
    EXPECT_TRUE(FindPart<QToolButton>(form, "OpenProjectFolderBtn")->isEnabled());
    EXPECT_EQ(FindPart<QToolButton>(form, "OpenProjectFolderBtn")->toolTip().toStdString(),
              "Open Folder - " + Folder(web));

    form.ToggleLocalFiles();  // the menu item leaves the view again
    EXPECT_FALSE(FindPart<QAction>(form, "ViewLocalFilesItem")->isChecked());
    EXPECT_TRUE(FindPart<FolderFileList>(form, "LocalFileList")->isHidden());
}

TEST_F(LocalFilesWindow, AnotherFolderEmptiesTheHistoryEvenWhenChosenByKeyboard) {
    form.SwitchToLocalFiles();
    ChooseFolder(web);
    ClickFile("page.html");
    ASSERT_EQ(FindPart<BrowserPanel>(form, "BrowserPanel")->History(true).Entries().size(), 1u);
    // Choosing the folder without a click (as the arrow keys do) lists and narrows it too,
    // so that its files open from where they are.
    ASSERT_TRUE(FindPart<FolderTree>(form, "LocalFolderTree")
                    ->SetSelectedPath(QString::fromStdString(more.Path())));
    EXPECT_TRUE(FindPart<BrowserPanel>(form, "BrowserPanel")->History(true).Entries().empty());
    EXPECT_EQ(FindPart<BrowserPanel>(form, "BrowserPanel")->History(true).Index(), -1);
    EXPECT_EQ(FindPart<LocalFilesView>(form, "LocalFilesView")->SelectedPath(), Folder(more));
    EXPECT_EQ(Listed(), std::set<std::string>{"second.htm"});
    ClickFile("second.htm");
    EXPECT_TRUE(FindPart<BrowserPanel>(form, "BrowserPanel")
                    ->PageView->toPlainText()
                    .contains("second folder"));
}

TEST_F(LocalFilesWindow, TheProjectListUsesThePanelToo) {
    WriteBytes(project.Text() + "big.zip", "PK");
    WriteBytes(project.Text() + "readme.txt", "project notes");
    WriteBytes(project.Text() + "logo.gif", EncodeGif(QuadrantPicture(8, 8)));
    FindPart<FolderFileList>(form, "FileListView")
        ->SetFolder(QString::fromStdString(project.Path()));
    form.SwitchToBrowserPanel();
    EXPECT_FALSE(FindPart<BrowserPanel>(form, "BrowserPanel")->isHidden());
    EXPECT_TRUE(FindPart<BrowserPanel>(form, "BrowserPanel")->ShowFullScreenBtn->isEnabled());

    FindPart<FolderFileList>(form, "FileListView")
        ->SelectItem(
            FindPart<FolderFileList>(form, "FileListView")->FindCaption("big.zip", 0, false));
    form.OnProjectFileSelected();
    EXPECT_EQ(prompts.MessageTexts(), std::vector<std::string>{"Preview Not Available!"});

    FindPart<FolderFileList>(form, "FileListView")
        ->SelectItem(
            FindPart<FolderFileList>(form, "FileListView")->FindCaption("readme.txt", 0, false));
    form.OnProjectFileSelected();
    EXPECT_TRUE(QTest::qWaitFor(
        [this] { return !FindPart<BrowserPanel>(form, "BrowserPanel")->PageView->Retrieving(); },
        10000));
    EXPECT_TRUE(FindPart<BrowserPanel>(form, "BrowserPanel")
                    ->PageView->toPlainText()
                    .contains("project notes"));
    EXPECT_TRUE(FindPart<BrowserPanel>(form, "BrowserPanel")->DocSourceBtn->isEnabled());
    QCoreApplication::processEvents();  // lay the window out before its picture
    SaveScreenshot(form, "browser-panel-text");

    FindPart<FolderFileList>(form, "FileListView")
        ->SelectItem(
            FindPart<FolderFileList>(form, "FileListView")->FindCaption("logo.gif", 0, false));
    form.StartFullScreenShow();
    ASSERT_FALSE(CurrentFullScreenShow.isNull());
    EXPECT_EQ(CurrentFullScreenShow->ImageRing(), std::vector<std::string>{project.Text() + "logo.gif"});

    form.SwitchToGrid();
    EXPECT_TRUE(FindPart<BrowserPanel>(form, "BrowserPanel")->isHidden());
    EXPECT_FALSE(FindPart<QLabel>(form, "MessageLabel")->isHidden());
}

TEST_F(LocalFilesWindow, DeletedFilesLeaveTheListAtOnce) {
    form.SwitchToLocalFiles();
    ChooseFolder(web);
    FindPart<FolderFileList>(form, "LocalFileList")
        ->SelectItem(
            FindPart<FolderFileList>(form, "LocalFileList")->FindCaption("pic.gif", 0, false));
    prompts.Answers = {SessionPrompts::Answer::Yes};
    form.DeleteSelectedFiles();
    EXPECT_FALSE(fs::exists(web.Path() / "pic.gif"));
    EXPECT_EQ(Listed(), (std::set<std::string>{"page.html", "other.HTM"}));
    // Choosing what is left shows it, without an error.
    ClickFile("page.html");
    EXPECT_FALSE(FindPart<BrowserPanel>(form, "BrowserPanel")->PageView->isHidden());
    EXPECT_EQ(prompts.MessageTexts(),
              std::vector<std::string>{"Are you sure you want to delete file\r\"" + web.Text() +
                                       "pic.gif\"?"});
}

// Files made or removed by other programs show in the list while it is on screen; the file
// chosen in it stays chosen.
TEST_F(LocalFilesWindow, TheListFollowsTheFolderOnDisk) {
    form.SwitchToLocalFiles();
    ChooseFolder(web);
    FindPart<FolderFileList>(form, "LocalFileList")
        ->SelectItem(
            FindPart<FolderFileList>(form, "LocalFileList")->FindCaption("other.HTM", 0, false));
    WriteBytes(web.Text() + "fresh.html", "<p>new</p>");
    WriteBytes(web.Text() + "fresh.txt", "not a web file");
    EXPECT_TRUE(QTest::qWaitFor([this] { return Listed().count("fresh.html") == 1; }, 5000));
    fs::remove(web.Path() / "page.html");
    EXPECT_TRUE(QTest::qWaitFor([this] { return Listed().count("page.html") == 0; }, 5000));
    EXPECT_EQ(Listed(), (std::set<std::string>{"fresh.html", "other.HTM", "pic.gif"}));
    ASSERT_GE(FindPart<FolderFileList>(form, "LocalFileList")->Selected(), 0);
    EXPECT_EQ(FindPart<FolderFileList>(form, "LocalFileList")
                  ->ItemName(FindPart<FolderFileList>(form, "LocalFileList")->Selected()),
              "other.HTM");

    // Back on the grid the folder is no longer followed.
    form.SwitchToGrid();
    WriteBytes(web.Text() + "later.html", "<p>later</p>");
    QTest::qWait(300);
    EXPECT_EQ(Listed().count("later.html"), 0u);
}
