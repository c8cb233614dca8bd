#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QToolButton>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>
#include <set>

#include "engine/SessionState.h"
#include "sessionfile/SessionText.h"
#include "shell/ShellOpen.h"
#include "support/QtApp.h"
#include "support/ScriptedPrompts.h"
#include "support/TempFolder.h"
#include "support/WindowParts.h"
#include "window/GridModel.h"
#include "window/MainWindow.h"
#include "window/StatusBar.h"
#include "window/StatusGrid.h"
#include "window/StatusGridPane.h"
#include "support/RowCells.h"

namespace fs = std::filesystem;
using Answer = SessionPrompts::Answer;

namespace {

const char* const Site = "http://host/";

struct QtAppFirst {
    QtAppFirst() { EnsureQtApp(); }
};

// A finished session of six files in a project folder, shown in the main window.
class ProjectBrowserWindow : public ::testing::Test, private QtAppFirst {
  protected:
    void SetUp() override {
        EnsureQtApp();
        SetShellOpenHandler(
            [this](const std::string& target, const std::string&, const std::string&, int mode) {
                launched.push_back(target + "|" + std::to_string(mode));
            });
        for (const char* name : {"Main.html", "a.html", "logo.gif", "photo.jpg", "notes.txt"})
            std::ofstream(project.Path() / name) << name;
        SessionState& s = form.State();
        s.ProjectFolder = project.Text();
        s.SessionFileName = project.Text() + "site.lwa";
        s.SiteBase = Site;
        s.SessionComplete = true;
        s.SessionOpenedFromFile = true;
        const RowCells rows[] = {
            {"1", Site, "9", "9", "Complete"},
            {"2", "a.html", "6", "6", "Complete"},
            {"3", "images/logo.gif", "8", "8", "Complete"},
            {"4", "images/photo.jpg", "9", "9", "Complete"},
            {"5", "images/big.zip", "9", "0", "Ignored"},
            {"6", "notes.txt", "9", "0", "Complete"},
        };
        s.View.SetGridRowCount(7);
        for (int r = 0; r < 6; ++r) s.View.SetRow(r + 1, RowOf(rows[r]));
        s.View.SetSiteRoot(Site);
        s.View.AddSiteChild("images/");
        FindPart<GridModel>(form, "GridRows")->Flush();
        form.show();
    }
    void TearDown() override { SetShellOpenHandler({}); }

    std::set<std::string> Listed() {
        std::set<std::string> names;
        for (int i = 0; i < FindPart<FolderFileList>(form, "FileListView")->Count(); ++i)
            names.insert(FindPart<FolderFileList>(form, "FileListView")->ItemName(i).toStdString());
        return names;
    }

    void SelectNode(int child) {
        QTreeWidgetItem* node =
            child < 0 ? FindPart<QTreeWidget>(form, "DirTree")->topLevelItem(0)
                      : FindPart<QTreeWidget>(form, "DirTree")->topLevelItem(0)->child(child);
        FindPart<QTreeWidget>(form, "DirTree")->setCurrentItem(node);
    }

    void SelectFiles(std::initializer_list<const char*> names) {
        FindPart<FolderFileList>(form, "FileListView")->ClearSelection();
        for (const char* name : names)
            FindPart<FolderFileList>(form, "FileListView")
                ->SelectItem(
                    FindPart<FolderFileList>(form, "FileListView")->FindCaption(name, 0, false),
                    false);
    }

    // The File text of a grid row as the session file on disk has it.
    std::string SavedFileText(int row) {
        std::ifstream in(form.State().SessionFileName, std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in), {}};
        if (bytes.empty()) return "(no session file)";
        const SessionRecord record = ParseSessionText(UnscrambleText(bytes));
        return record.Rows.at(static_cast<std::size_t>(row - 1))[1];
    }

    TempFolder project;
    ScriptedPrompts prompts;
    MainWindow form{prompts};
    std::vector<std::string> launched;
};

}  // namespace

TEST_F(ProjectBrowserWindow, SiteNodesNarrowTheFileList) {
    SelectNode(-1);
    EXPECT_EQ(Listed(), (std::set<std::string>{"Main.html", "a.html"}));
    EXPECT_EQ(FindPart<StatusBar>(form, "UpperStatusBar")->PanelText(1),
              "Contents Of: http://host/");
    EXPECT_TRUE(FindPart<QToolButton>(form, "QuickHTMLViewerBtn")->isEnabled());
    SelectNode(0);
    EXPECT_EQ(Listed(), (std::set<std::string>{"logo.gif", "photo.jpg"}));
    EXPECT_EQ(FindPart<StatusBar>(form, "UpperStatusBar")->PanelText(1),
              "Contents Of: http://host/images/");
}

TEST_F(ProjectBrowserWindow, NothingNarrowsBeforeTheStartPageIsComplete) {
    form.State().View.ChangeRow(1, [](FileRow& row) { row.State = FileState::Transferring; });
    SelectNode(0);
    EXPECT_EQ(FindPart<FolderFileList>(form, "FileListView")->Count(), 0);
    form.State().View.ChangeRow(1, [](FileRow& row) { row.State = FileState::Complete; });
    form.State().SessionLoading = true;
    SelectNode(-1);
    EXPECT_EQ(FindPart<FolderFileList>(form, "FileListView")->Count(), 0);
}

TEST_F(ProjectBrowserWindow, AFileSelectsItsGridRow) {
    SelectNode(0);
    SelectFiles({"photo.jpg"});
    form.OnProjectFileSelected();
    EXPECT_EQ(form.State().View.SelectedRow(), 4);
    EXPECT_EQ(FindPart<StatusGrid>(form, "Grid")->Row(), 4);
    SelectNode(-1);
    SelectFiles({"Main.html"});
    form.OnProjectFileSelected();
    EXPECT_EQ(form.State().View.SelectedRow(), 1);
}

TEST_F(ProjectBrowserWindow, GridPopupActsOnTheSelectedRow) {
    form.State().View.SelectRow(3);
    FindPart<StatusGridPane>(form, "StatusGridPane")->UpdateGridMenu();
    EXPECT_TRUE(FindPart<QAction>(form, "OpenDefaultViewerItem")->isEnabled());
    EXPECT_TRUE(FindPart<QAction>(form, "CopyUrlItem")->isEnabled());
    FindPart<StatusGridPane>(form, "StatusGridPane")->OpenRowFile();
    FindPart<StatusGridPane>(form, "StatusGridPane")->OpenRowAddress();
    FindPart<StatusGridPane>(form, "StatusGridPane")->CopyRowAddress();
    EXPECT_EQ(launched, (std::vector<std::string>{project.Text() + "logo.gif|1",
                                                  "http://host/images/logo.gif|2"}));
    EXPECT_EQ(QApplication::clipboard()->text(), "http://host/images/logo.gif");
    form.State().View.SelectRow(5);  // ignored: no file
    FindPart<StatusGridPane>(form, "StatusGridPane")->UpdateGridMenu();
    EXPECT_FALSE(FindPart<QAction>(form, "SaveRowAsItem")->isEnabled());
    EXPECT_TRUE(FindPart<QAction>(form, "RetrieveDefaultBrowserItem")->isEnabled());
}

// A run selects each new transfer's row while the menu is open: the commands still act on the
// row the menu was opened for, and only while it is open.
TEST_F(ProjectBrowserWindow, GridPopupActsOnTheRowItWasOpenedFor) {
    QApplication::processEvents();
    const QRect logoRow =
        FindPart<StatusGrid>(form, "Grid")
            ->visualRect(FindPart<GridModel>(form, "GridRows")->index(2, 1));  // row 3
    ASSERT_TRUE(logoRow.isValid());
    emit FindPart<StatusGrid>(form, "Grid")->customContextMenuRequested(logoRow.center());
    EXPECT_EQ(form.State().View.SelectedRow(), 3);
    EXPECT_TRUE(FindPart<QAction>(form, "OpenDefaultViewerItem")->isEnabled());
    form.State().View.SelectRow(6);  // meanwhile a transfer selects its own row
    FindPart<QAction>(form, "CopyUrlItem")->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), "http://host/images/logo.gif");
    form.State().View.SelectRow(4);
    FindPart<QAction>(form, "OpenDefaultViewerItem")->trigger();
    FindPart<QAction>(form, "RetrieveDefaultBrowserItem")->trigger();
    EXPECT_EQ(launched, (std::vector<std::string>{project.Text() + "logo.gif|1",
                                                  "http://host/images/logo.gif|2"}));
    FindPart<QMenu>(form, "GridPopupMenu")->hide();
    QApplication::processEvents();
    FindPart<StatusGridPane>(form, "StatusGridPane")
        ->CopyRowAddress();  // closed: the selected row again
    EXPECT_EQ(QApplication::clipboard()->text(), "http://host/images/photo.jpg");
}

TEST_F(ProjectBrowserWindow, GridSaveAsGivesTheCopyTheFilesExtension) {
    TempFolder elsewhere;
    form.State().View.SelectRow(3);
    prompts.FileNames.push_back((elsewhere.Path() / "copy").string());
    FindPart<StatusGridPane>(form, "StatusGridPane")->SaveRowFileAs();
    ASSERT_EQ(prompts.FileDialogCaptions.size(), 1u);
    EXPECT_EQ(prompts.FileDialogCaptions[0], "Save \"" + project.Text() + "logo.gif\" As ..");
    EXPECT_TRUE(fs::exists(elsewhere.Path() / "copy.gif"));
    EXPECT_TRUE(fs::exists(project.Path() / "logo.gif"));
}

TEST_F(ProjectBrowserWindow, GridDeleteMarksOnlyWhatWasDeleted) {
    form.State().View.SelectRow(4);
    prompts.Answers = {Answer::No};
    FindPart<StatusGridPane>(form, "StatusGridPane")->DeleteRowFile();
    EXPECT_TRUE(fs::exists(project.Path() / "photo.jpg"));
    EXPECT_EQ(form.State().View.Row(4).Address, "images/photo.jpg");

    FindPart<StatusGridPane>(form, "StatusGridPane")->DeleteRowFile();  // answered Yes
    EXPECT_FALSE(fs::exists(project.Path() / "photo.jpg"));
    EXPECT_EQ(form.State().View.Row(4).Address, "<FILE DELETED>***images/photo.jpg***");
    EXPECT_EQ(SavedFileText(4), "<FILE DELETED>***images/photo.jpg***");  // saved at once
    EXPECT_TRUE(form.State().SessionOpenedFromFile);
    EXPECT_EQ(prompts.Messages.back().Text,
              "Are you sure you want to delete \"" + project.Text() + "photo.jpg\"?");
    FindPart<StatusGridPane>(form, "StatusGridPane")->UpdateGridMenu();
    EXPECT_FALSE(FindPart<QAction>(form, "DeleteRowItem")->isEnabled());
    EXPECT_TRUE(FindPart<QAction>(form, "CopyUrlItem")->isEnabled());
    FindPart<StatusGridPane>(form, "StatusGridPane")->CopyRowAddress();
    EXPECT_EQ(QApplication::clipboard()->text(), "http://host/images/photo.jpg");

    // A file that cannot be deleted keeps its row and says why.
    form.State().View.SelectRow(3);
    fs::remove(project.Path() / "logo.gif");
    fs::create_directory(project.Path() / "logo.gif");
    std::ofstream(project.Path() / "logo.gif" / "inside") << "x";
    const std::size_t before = prompts.Messages.size();
    FindPart<StatusGridPane>(form, "StatusGridPane")->DeleteRowFile();
    ASSERT_EQ(prompts.Messages.size(), before + 2);
    EXPECT_EQ(prompts.Messages.back().IconKind, SessionPrompts::Kind::Error);
    EXPECT_NE(prompts.Messages.back().Text.find("Cannot delete"), std::string::npos);
    EXPECT_EQ(form.State().View.Row(3).Address, "images/logo.gif");
}

TEST_F(ProjectBrowserWindow, ListDeleteCountsAndMarksTheGrid) {
    SelectNode(-1);
    SelectFiles({"a.html"});
    form.DeleteSelectedFiles();
    EXPECT_EQ(prompts.MessageTexts(),
              std::vector<std::string>{"Are you sure you want to delete file\r\"" + project.Text() +
                                       "a.html\"?"});
    EXPECT_EQ(form.State().View.Row(2).Address, "<FILE DELETED>***a.html***");
    EXPECT_EQ(SavedFileText(2), "<FILE DELETED>***a.html***");

    SelectNode(0);
    std::ofstream(project.Path() / "extra.gif") << "x";
    ASSERT_EQ(FindPart<FolderFileList>(form, "FileListView")->Count(), 2);
    SelectFiles({"logo.gif", "photo.jpg"});
    prompts.Messages.clear();
    form.DeleteSelectedFiles();
    ASSERT_EQ(prompts.Messages.size(), 3u);
    EXPECT_EQ(prompts.Messages[2].Text, "Total 2 File(s) Deleted!");
    EXPECT_EQ(form.State().View.Row(3).Address, "<FILE DELETED>***images/logo.gif***");
    EXPECT_EQ(form.State().View.Row(4).Address, "<FILE DELETED>***images/photo.jpg***");
    EXPECT_TRUE(fs::exists(project.Path() / "extra.gif"));
}

TEST_F(ProjectBrowserWindow, ListDeleteSkipsRefusedFiles) {
    SelectNode(0);
    SelectFiles({"logo.gif", "photo.jpg"});
    prompts.Answers = {Answer::No, Answer::Yes};
    form.DeleteSelectedFiles();
    EXPECT_EQ(prompts.Messages.size(), 2u);  // one deletion: no total
    EXPECT_TRUE(fs::exists(project.Path() / "logo.gif"));
    EXPECT_FALSE(fs::exists(project.Path() / "photo.jpg"));
    EXPECT_EQ(form.State().View.Row(3).Address, "images/logo.gif");
}

TEST_F(ProjectBrowserWindow, DeletingDuringARunWritesNoSessionFile) {
    form.State().SessionComplete = false;
    form.State().View.SelectRow(3);
    FindPart<StatusGridPane>(form, "StatusGridPane")->DeleteRowFile();
    EXPECT_EQ(form.State().View.Row(3).Address, "<FILE DELETED>***images/logo.gif***");
    EXPECT_EQ(SavedFileText(3), "(no session file)");
    EXPECT_TRUE(prompts.FileDialogCaptions.empty());
}

TEST_F(ProjectBrowserWindow, ListSaveAsCountsTheCopiesMade) {
    TempFolder elsewhere;
    SelectNode(0);
    SelectFiles({"logo.gif", "photo.jpg"});
    prompts.FileNames = {(elsewhere.Path() / "one").string(), (elsewhere.Path() / "two").string()};
    form.SaveSelectedFiles();
    EXPECT_TRUE(fs::exists(elsewhere.Path() / "one.gif"));
    EXPECT_TRUE(fs::exists(elsewhere.Path() / "two.jpg"));
    EXPECT_EQ(prompts.MessageTexts(), std::vector<std::string>{"Total 2 File(s) Saved!"});
    EXPECT_EQ(prompts.FileDialogCaptions[0],
              "Lanternway Viewer - Save \"" + project.Text() + "logo.gif\" As ..");

    // A cancelled dialog and a copy into a missing folder save nothing: no message.
    prompts.Messages.clear();
    prompts.FileNames = {std::nullopt, (elsewhere.Path() / "missing" / "x.jpg").string()};
    form.SaveSelectedFiles();
    EXPECT_TRUE(prompts.Messages.empty());
}

TEST_F(ProjectBrowserWindow, ListKeysRunTheirCommands) {
    SelectNode(-1);
    SelectFiles({"a.html"});
    prompts.Answers = {Answer::No};
    form.HandleListKey(Qt::Key_Delete);
    EXPECT_EQ(prompts.Messages.size(), 1u);
    prompts.FileNames = {std::nullopt};
    form.HandleListKey(Qt::Key_S);
    EXPECT_EQ(prompts.FileDialogCaptions.size(), 1u);
    form.UpdateFileListMenu();
    EXPECT_TRUE(FindPart<QAction>(form, "OpenFileItem")->isEnabled());
    form.OpenSelectedFile();
    EXPECT_EQ(launched, std::vector<std::string>{project.Text() + "a.html|1"});
    FindPart<FolderFileList>(form, "FileListView")->ClearSelection();
    form.UpdateFileListMenu();
    EXPECT_FALSE(FindPart<QAction>(form, "ContextMenuItem")->isEnabled());
}

TEST_F(ProjectBrowserWindow, TheEMailCommandFindsTheEMailPage) {
    std::ofstream(project.Path() / "EMailAddress.html") << "<HTML></HTML>";
    form.State().View.SetGridRowCount(8);
    form.State().View.SetRow(7, RowOf({"", "EMailAddress.html", "13", "13", "Complete"}));
    form.ShowEMailAddresses();
    ASSERT_GE(FindPart<FolderFileList>(form, "FileListView")->Selected(), 0);
    EXPECT_EQ(FindPart<FolderFileList>(form, "FileListView")
                  ->ItemName(FindPart<FolderFileList>(form, "FileListView")->Selected()),
              "EMailAddress.html");
    EXPECT_TRUE(FindPart<StatusGrid>(form, "Grid")->isHidden());  // the browser panel shows it
}
