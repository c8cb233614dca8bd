#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QScrollArea>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <filesystem>
#include <set>

#include "htmlcontrol/THTML.h"
#include "shell/TSystemTreeView.h"
#include "support/PictureFixtures.h"
#include "support/QtApp.h"
#include "support/Screenshot.h"
#include "support/ScriptedPrompts.h"
#include "support/TempFolder.h"
#include "viewers/TFullScreenForm.h"
#include "window/BrowserPanel.h"
#include "window/TForm2.h"
#include "window/TMgrid.h"
#include "window/TStatusBar.h"

namespace fs = std::filesystem;

namespace {

struct QtAppFirst {
    QtAppFirst() { EnsureQtApp(); }
};

// The main window over two local folders of web files and a small project folder.
class LocalFilesView : public ::testing::Test, private QtAppFirst {
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
    void TearDown() override { delete FullScreenForm.data(); }

    std::set<std::string> Listed() {
        std::set<std::string> names;
        for (int i = 0; i < form.SystemListView1->Count(); ++i)
            names.insert(form.SystemListView1->ItemName(i).toStdString());
        return names;
    }
    void ChooseFolder(const TempFolder& folder) {
        ASSERT_TRUE(form.SystemTreeView1->SetSelectedPath(QString::fromStdString(folder.Path())));
        form.SystemTreeView1Click();
    }
    void ClickFile(const char* name) {
        form.SystemListView1->SelectItem(form.SystemListView1->FindCaption(name, 0, false));
        form.SystemListView1Click();
        EXPECT_TRUE(
            QTest::qWaitFor([this] { return !form.BrowserPanel->HTML1->Retrieving(); }, 10000));
    }
    std::string Folder(const TempFolder& folder) { return folder.Path().string(); }

    TempFolder web, more, project;
    ScriptedPrompts prompts;
    TForm2 form{prompts};
};

}  // namespace

TEST_F(LocalFilesView, OpeningForTheFirstTime) {
    form.ViewLocalFilesBtnClick();
    EXPECT_TRUE(form.ViewLocalFiles1->isChecked());
    EXPECT_EQ(form.windowTitle(), "Lanternway 1.3 - View Local HTML,GIF,JPG,BMP,ICO,WMF,EMF Files");
    EXPECT_EQ(form.StatusBar2->PanelText(0), "Local HTML,GIF,JPG,BMP,ICO,WMF,EMF Files");
    EXPECT_EQ(form.StatusBar2->PanelText(1), "Contents Of: ");
    EXPECT_FALSE(form.OpenProjectFolderBtn->isEnabled());
    EXPECT_EQ(form.OpenProjectFolderBtn->toolTip(), "Open Current Folder");
    EXPECT_FALSE(form.ViewBrowserPanelBtn->isEnabled());
    EXPECT_TRUE(form.ViewGridBtn->isEnabled());
    EXPECT_FALSE(form.SystemListView1->isHidden());
    EXPECT_TRUE(form.FileListView->isHidden());
    EXPECT_TRUE(form.Mgrid1->isHidden());
    EXPECT_FALSE(form.BrowserPanel->PanelButtons->isHidden());
    EXPECT_TRUE(form.CMessage->isHidden());
    EXPECT_FALSE(form.BrowserPanel->HTMLBackBtn->isEnabled());
}

TEST_F(LocalFilesView, AFolderIsNarrowedToWebFilesAndTheDiskIsUntouched) {
    form.ViewLocalFilesBtnClick();
    ChooseFolder(web);
    EXPECT_EQ(Listed(), (std::set<std::string>{"page.html", "other.HTM", "pic.gif"}));
    EXPECT_EQ(form.LocalFilesFolder(), web.Text());
    EXPECT_EQ(form.StatusBar2->PanelText(1).toStdString(), Folder(web));
    EXPECT_TRUE(form.OpenProjectFolderBtn->isEnabled());
    EXPECT_TRUE(form.BrowserPanel->ShowFullScreenBtn->isEnabled());  // pic.gif
    for (const char* name : {"notes.txt", "Readme", "archive.zip"})
        EXPECT_TRUE(fs::exists(web.Path() / name)) << name;
    EXPECT_TRUE(form.ScratchNames.empty());

    const auto before = Listed();
    form.SystemTreeView1->setCurrentItem(form.SystemTreeView1->topLevelItem(0));  // the root
    form.SystemTreeView1Click();
    EXPECT_EQ(Listed(), before);
}

TEST_F(LocalFilesView, PagesAndPicturesShowFromTheLocalList) {
    form.ViewLocalFilesBtnClick();
    ChooseFolder(web);
    ClickFile("pic.gif");
    EXPECT_FALSE(form.BrowserPanel->ScrollBox1->isHidden());
    EXPECT_TRUE(form.BrowserPanel->HTML1->isHidden());
    QCoreApplication::processEvents();  // lay the window out before its picture
    SaveScreenshot(form, "local-files-picture");
    ClickFile("page.html");
    EXPECT_FALSE(form.BrowserPanel->HTML1->isHidden());
    QCoreApplication::processEvents();  // lay the window out before its picture
    SaveScreenshot(form, "local-files-page");
    EXPECT_EQ(form.LocalHistory, std::vector<std::string>{web.Text() + "page.html"});
    EXPECT_TRUE(form.ProjectHistory.empty());
    EXPECT_TRUE(prompts.Messages.empty());
}

TEST_F(LocalFilesView, ComingBackShowsTheLastFolderAndItsHistory) {
    form.ViewLocalFilesBtnClick();
    ChooseFolder(web);
    ClickFile("page.html");
    emit form.BrowserPanel->HTML1->anchorClicked(QUrl("other.HTM"));
    EXPECT_TRUE(QTest::qWaitFor([this] { return !form.BrowserPanel->HTML1->Retrieving(); }, 10000));
    EXPECT_EQ(form.LocalHistoryIndex, 1);

    form.ViewGridBtnClick();
    EXPECT_FALSE(
        form.BrowserPanel->HTMLBackBtn->isEnabled());  // the grid follows the project's history
    form.ViewLocalFilesBtnClick();
    EXPECT_EQ(form.StatusBar2->PanelText(1).toStdString(), Folder(web));
    EXPECT_TRUE(form.BrowserPanel->HTMLBackBtn->isEnabled());
    EXPECT_TRUE(form.OpenProjectFolderBtn->isEnabled());
    EXPECT_EQ(form.OpenProjectFolderBtn->toolTip().toStdString(), "Open Folder - " + Folder(web));

    form.ViewLocalFiles1Click();  // the menu item leaves the view again
    EXPECT_FALSE(form.ViewLocalFiles1->isChecked());
    EXPECT_TRUE(form.SystemListView1->isHidden());
}

TEST_F(LocalFilesView, AnotherFolderEmptiesTheHistoryEvenWhenChosenByKeyboard) {
    form.ViewLocalFilesBtnClick();
    ChooseFolder(web);
    ClickFile("page.html");
    ASSERT_EQ(form.LocalHistory.size(), 1u);
    // Choosing the folder without a click (as the arrow keys do) lists and narrows it too,
    // so that its files open from where they are.
    ASSERT_TRUE(form.SystemTreeView1->SetSelectedPath(QString::fromStdString(more.Path())));
    EXPECT_TRUE(form.LocalHistory.empty());
    EXPECT_EQ(form.LocalHistoryIndex, -1);
    EXPECT_EQ(form.LocalSelectedPath, Folder(more));
    EXPECT_EQ(Listed(), std::set<std::string>{"second.htm"});
    ClickFile("second.htm");
    EXPECT_TRUE(form.BrowserPanel->HTML1->toPlainText().contains("second folder"));
}

TEST_F(LocalFilesView, TheProjectListUsesThePanelToo) {
    WriteBytes(project.Text() + "big.zip", "PK");
    WriteBytes(project.Text() + "readme.txt", "project notes");
    WriteBytes(project.Text() + "logo.gif", EncodeGif(QuadrantPicture(8, 8)));
    form.FileListView->SetFolder(QString::fromStdString(project.Path()));
    form.ViewBrowserPanelBtnClick();
    EXPECT_FALSE(form.BrowserPanel->isHidden());
    EXPECT_TRUE(form.BrowserPanel->ShowFullScreenBtn->isEnabled());

    form.FileListView->SelectItem(form.FileListView->FindCaption("big.zip", 0, false));
    form.FileListViewClick();
    EXPECT_EQ(prompts.MessageTexts(), std::vector<std::string>{"Preview Not Available!"});

    form.FileListView->SelectItem(form.FileListView->FindCaption("readme.txt", 0, false));
    form.FileListViewClick();
    EXPECT_TRUE(QTest::qWaitFor([this] { return !form.BrowserPanel->HTML1->Retrieving(); }, 10000));
    EXPECT_TRUE(form.BrowserPanel->HTML1->toPlainText().contains("project notes"));
    EXPECT_TRUE(form.BrowserPanel->DocSourceBtn->isEnabled());
    QCoreApplication::processEvents();  // lay the window out before its picture
    SaveScreenshot(form, "browser-panel-text");

    form.FileListView->SelectItem(form.FileListView->FindCaption("logo.gif", 0, false));
    form.ShowFullScreenBtnClick();
    ASSERT_FALSE(FullScreenForm.isNull());
    EXPECT_EQ(FullScreenForm->ImageRing(), std::vector<std::string>{project.Text() + "logo.gif"});

    form.ViewGridBtnClick();
    EXPECT_TRUE(form.BrowserPanel->isHidden());
    EXPECT_FALSE(form.CMessage->isHidden());
}
