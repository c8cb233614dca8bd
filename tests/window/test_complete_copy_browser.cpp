#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTreeWidgetItemIterator>

#include <QToolButton>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>
#include <set>

#include "engine/SessionState.h"
#include "htmlview/HtmlView.h"
#include "shell/ShellOpen.h"
#include "support/QtApp.h"
#include "support/Screenshot.h"
#include "support/ScriptedPrompts.h"
#include "support/TempFolder.h"
#include "support/WindowParts.h"
#include "viewers/ViewerWindow.h"
#include "window/GridModel.h"
#include "window/GridRules.h"
#include "window/MainWindow.h"
#include "window/StatusBar.h"
#include "window/StatusGridPane.h"
#include "support/RowCells.h"

namespace fs = std::filesystem;

// A finished complete copy shown in the main window: the site tree holds the project's real
// folders, the file list the chosen folder's files, and rows find their files through the
// copy's table of retrieved files.
namespace {

const char* const Site = "http://host/";

struct QtAppFirst {
    QtAppFirst() { EnsureQtApp(); }
};

struct CopiedFile {
    const char* shown;    // the grid's File text
    const char* address;  // the address it was retrieved from
    const char* path;     // where it lies in the project folder
};

const CopiedFile kFiles[] = {
    {Site, "http://host/", "index.html"},
    {"docs/a/page.html", "http://host/docs/a/page.html", "docs/a/page.html"},
    {"docs/b/page.html", "http://host/docs/b/page.html", "docs/b/page.html"},
    {"list.html?page=2", "http://host/list.html?page=2", "list.html@page=2.html"},
    {"about", "http://host/about", "about.html"},
    {"http://cdn.test:8080/x.js", "http://cdn.test:8080/x.js", "_hosts/http/cdn.test@8080/x.js"},
};

class CompleteCopyBrowser : public ::testing::Test, private QtAppFirst {
  protected:
    void SetUp() override {
        SetShellOpenHandler([this](const std::string& target, const std::string&,
                                   const std::string&, int) { launched.push_back(target); });
        SessionState& s = form.State();
        s.ProjectFolder = project.Text();
        s.SessionFileName = project.Text() + "site.lwa";
        s.SiteBase = Site;
        s.SessionComplete = true;
        s.SessionOpenedFromFile = true;
        s.Settings.CompleteCopy = true;
        s.StartAddress = Site;
        s.View.SetGridRowCount(static_cast<int>(std::size(kFiles)) + 1);
        int row = 1;
        for (const CopiedFile& file : kFiles) {
            fs::create_directories((project.Path() / file.path).parent_path());
            std::ofstream(project.Path() / file.path) << file.path;
            s.MirrorFiles[file.address] = file.path;
            s.View.SetRow(row, RowOf({std::to_string(row), file.shown, "9", "9", "Complete"}));
            ++row;
        }
        s.View.SetSiteRoot(Site);
        for (const char* folder : {"docs/", "docs/a/", "docs/b/", "_hosts/", "_hosts/http/",
                                   "_hosts/http/cdn.test@8080/"})
            s.View.AddSiteChild(folder);
        FindPart<GridModel>(form, "GridRows")->Flush();
        form.show();
    }
    void TearDown() override { SetShellOpenHandler({}); }

    std::set<std::string> ListedIn(const QString& folder) {
        QTreeWidgetItem* node = FindPart<QTreeWidget>(form, "DirTree")->topLevelItem(0);
        for (QTreeWidgetItemIterator it(FindPart<QTreeWidget>(form, "DirTree")->topLevelItem(0));
             !folder.isEmpty() && *it; ++it)
            if ((*it)->data(0, Qt::UserRole).toString() == folder) node = *it;
        FindPart<QTreeWidget>(form, "DirTree")->setCurrentItem(node);
        std::set<std::string> names;
        for (int i = 0; i < FindPart<FolderFileList>(form, "FileListView")->Count(); ++i)
            names.insert(FindPart<FolderFileList>(form, "FileListView")->ItemName(i).toStdString());
        return names;
    }

    // The tree under a node, one line per node: its label, indented by its depth.
    static std::vector<std::string> Outline(QTreeWidgetItem* node, const std::string& indent = "") {
        std::vector<std::string> lines;
        for (int i = 0; i < node->childCount(); ++i) {
            lines.push_back(indent + node->child(i)->text(0).toStdString());
            for (const std::string& line : Outline(node->child(i), indent + "  "))
                lines.push_back(line);
        }
        return lines;
    }

    TempFolder project;
    ScriptedPrompts prompts;
    MainWindow form{prompts};
    std::vector<std::string> launched;
};

}  // namespace

TEST_F(CompleteCopyBrowser, SiteTreeShowsTheProjectsFoldersAndTheirFiles) {
    EXPECT_EQ(Outline(FindPart<QTreeWidget>(form, "DirTree")->topLevelItem(0)),
              (std::vector<std::string>{"docs/", "  a/", "  b/", "_hosts/", "  http/",
                                        "    cdn.test@8080/"}));
    EXPECT_EQ(ListedIn(""),
              (std::set<std::string>{"index.html", "list.html@page=2.html", "about.html"}));
    // Two pages of one name, each in its own folder.
    EXPECT_EQ(ListedIn("docs/a/"), (std::set<std::string>{"page.html"}));
    SaveScreenshot(form, "complete-copy-site-tree");
    EXPECT_EQ(FindPart<StatusBar>(form, "UpperStatusBar")->PanelText(1).toStdString(),
              "Contents Of: " + std::string(Site) + "docs/a/");
    EXPECT_EQ(ListedIn("docs/b/"), (std::set<std::string>{"page.html"}));
    EXPECT_EQ(ListedIn("docs/"), (std::set<std::string>{}));
    EXPECT_EQ(ListedIn("_hosts/http/cdn.test@8080/"), (std::set<std::string>{"x.js"}));
}

TEST_F(CompleteCopyBrowser, AListedFileSelectsItsOwnRow) {
    ListedIn("docs/b/");
    FindPart<FolderFileList>(form, "FileListView")
        ->SelectItem(
            FindPart<FolderFileList>(form, "FileListView")->FindCaption("page.html", 0, false),
            false);
    form.OnProjectFileSelected();
    EXPECT_EQ(form.State().View.SelectedRow(), 3);
}

TEST_F(CompleteCopyBrowser, EveryRowFindsItsFile) {
    SessionState& s = form.State();
    for (int row = 1; row <= static_cast<int>(std::size(kFiles)); ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(RowLocalName(s.View, row, s), kFiles[row - 1].path);
        EXPECT_TRUE(GridPopupEnabling(s.View, row, s).FileItems);
        EXPECT_EQ(GridRowOfFile(s.View, kFiles[row - 1].path, s), row);
    }
}

TEST_F(CompleteCopyBrowser, BrowseOpensTheStartPagesFile) {
    form.BrowseProject();
    ASSERT_EQ(launched.size(), 1u);
    EXPECT_EQ(launched[0], project.Text() + "index.html");
}

// A file in a folder of the copy is the same file for every view: the viewer, the list's Open
// and the grid row's Open.
TEST_F(CompleteCopyBrowser, EveryViewOfAFileInAFolderOpensThatFile) {
    const std::string file = project.Text() + "docs/a/page.html";
    ListedIn("docs/a/");
    ASSERT_EQ(FindPart<FolderFileList>(form, "FileListView")->Count(), 1);
    FindPart<FolderFileList>(form, "FileListView")->SelectItem(0);
    FindPart<QToolButton>(form, "QuickHTMLViewerBtn")->click();
    const auto viewers = form.findChildren<ViewerWindow*>(QString(), Qt::FindDirectChildrenOnly);
    ASSERT_EQ(viewers.size(), 1);
    ViewerWindow& viewer = *viewers[0];
    EXPECT_EQ(viewer.CurrentPath(), file);
    for (int i = 0; i < 200 && viewer.PageView->Retrieving(); ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_TRUE(viewer.PageView->toPlainText().contains("docs/a/page.html"));
    SaveScreenshot(viewer, "viewer-file-in-a-folder");
    EXPECT_TRUE(prompts.Messages.empty());

    form.OpenSelectedFile();
    form.State().View.SelectRow(2);
    FindPart<StatusGridPane>(form, "StatusGridPane")->OpenRowFile();
    EXPECT_EQ(launched, (std::vector<std::string>{file, file}));
    delete &viewer;
}
