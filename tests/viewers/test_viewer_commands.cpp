#include <gtest/gtest.h>

#include <QToolButton>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>

#include "engine/SessionState.h"
#include "finder/FinderWindow.h"
#include "shell/FolderFileList.h"
#include "support/PictureFixtures.h"
#include "support/QtApp.h"
#include "support/ScriptedPrompts.h"
#include "support/TempFolder.h"
#include "support/WindowParts.h"
#include "viewers/ViewerWindow.h"
#include "widgets/PagePane.h"
#include "window/GridModel.h"
#include "window/MainWindow.h"
#include "support/RowCells.h"

namespace {

struct QtAppFirst {
    QtAppFirst() { EnsureQtApp(); }
};

// The viewer and the finder as the main window opens them, over a finished project.
class ViewerCommands : public ::testing::Test, private QtAppFirst {
  protected:
    void SetUp() override {
        std::ofstream(project.Path() / "Main.html") << "<p>main</p>";
        WriteBytes(project.Text() + "logo.gif", EncodeGif(QuadrantPicture(16, 16)));
        SessionState& s = form.State();
        s.ProjectFolder = project.Text();
        s.SessionFileName = project.Text() + "site.lwa";
        s.SiteBase = "http://host/";
        s.SessionComplete = true;
        s.SessionOpenedFromFile = true;
        s.View.SetGridRowCount(3);
        s.View.SetRow(1, RowOf({"1", "http://host/", "9", "9", "Complete"}));
        s.View.SetRow(2, RowOf({"2", "logo.gif", "9", "9", "Complete"}));
        s.View.SetSiteRoot("http://host/");
        FindPart<GridModel>(form, "GridRows")->Flush();
        form.show();
        FindPart<QTreeWidget>(form, "DirTree")
            ->setCurrentItem(FindPart<QTreeWidget>(form, "DirTree")->topLevelItem(0));
    }

    template <typename T>
    QList<T*> Opened() {
        return form.findChildren<T*>(QString(), Qt::FindDirectChildrenOnly);
    }

    TempFolder project;
    ScriptedPrompts prompts;
    MainWindow form{prompts};
};

}  // namespace

TEST_F(ViewerCommands, TheViewerOpensOnTheSelectedItemAndStepsThroughTheList) {
    ASSERT_EQ(FindPart<FolderFileList>(form, "FileListView")->Count(), 2);
    const int logo =
        FindPart<FolderFileList>(form, "FileListView")->FindCaption("logo.gif", 0, false);
    FindPart<FolderFileList>(form, "FileListView")->SelectItem(logo);
    FindPart<QToolButton>(form, "QuickHTMLViewerBtn")->click();
    FindPart<QToolButton>(form, "QuickHTMLViewerBtn")
        ->click();  // each request opens a further window
    const auto viewers = Opened<ViewerWindow>();
    ASSERT_EQ(viewers.size(), 2);
    ViewerWindow& v = *viewers[0];
    EXPECT_EQ(v.ListIndex, logo);
    EXPECT_EQ(v.ViewerFileName, "logo.gif");
    EXPECT_EQ(v.ViewerFolder, project.Text());
    EXPECT_TRUE(v.Pane->PictureShown());
    EXPECT_TRUE(prompts.Messages.empty());

    (logo == 0 ? v.NextBtn : v.BackBtn)->click();
    EXPECT_EQ(v.ViewerFileName, "Main.html");
    EXPECT_TRUE(v.Pane->PageShown());
}

TEST_F(ViewerCommands, FindFilesOpensAFinderEachTime) {
    form.OpenFinder();
    form.OpenFinder();
    const auto finders = Opened<FinderWindow>();
    ASSERT_EQ(finders.size(), 2);
    EXPECT_EQ(finders[0]->windowTitle(), "Lanternway 1.3 - Find File");
    EXPECT_TRUE(finders[0]->isVisible());
}
