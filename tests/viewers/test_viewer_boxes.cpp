// The viewer's message boxes as a person meets them: real boxes answered by a timer while their
// own event loops run.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QToolButton>
#include <filesystem>
#include <fstream>

#include "support/BoxAnswerer.h"
#include "support/PictureFixtures.h"
#include "support/QtApp.h"
#include "support/TempFolder.h"
#include "viewers/Printing.h"
#include "viewers/ViewerDialogs.h"
#include "viewers/ViewerWindow.h"

namespace fs = std::filesystem;

namespace {

struct OneList : ViewerFileSource {
    std::vector<std::string> Names;
    std::string Folder;
    bool FileListViewVisible() const override { return true; }
    int FileListViewCount() const override { return static_cast<int>(Names.size()); }
    int LocalFilesCount() const override { return 0; }
    std::string ItemPath(int i) const override { return Folder + Names.at(i); }
    std::string ItemDisplayName(int i) const override { return Names.at(i); }
};

class ViewerBoxes : public ::testing::Test {
  protected:
    void SetUp() override {
        EnsureQtApp();
        files.Folder = folder.Text();
    }
    void TearDown() override {
        delete viewer.data();
        SetPrintToFile("");
    }

    ViewerWindow& Open() {
        viewer = new ViewerWindow(files, nullptr, &dialogs);
        viewer->show();
        viewer->ShowFile();
        return *viewer;
    }

    TempFolder folder;
    OneList files;
    QtViewerDialogs dialogs;
    BoxAnswerer boxes;
    QPointer<ViewerWindow> viewer;
};

}  // namespace

TEST_F(ViewerBoxes, APictureThatCannotBeShownIsReportedAndNextStepsOn) {
    WriteBytes(folder.Text() + "bad.jpg", "\xff\xd8\xff damaged");
    WriteBytes(folder.Text() + "good.gif", EncodeGif(QuadrantPicture(8, 8)));
    files.Names = {"bad.jpg", "good.gif"};
    auto& v = Open();
    ASSERT_EQ(boxes.Texts.size(), 1u);
    EXPECT_NE(boxes.Texts[0].find("bad.jpg"), std::string::npos);
    ASSERT_TRUE(v.NextBtn->isEnabled());
    v.NextBtn->click();
    EXPECT_EQ(v.PictureLabel->pixmap().size(), QSize(8, 8));
    EXPECT_EQ(boxes.Texts.size(), 1u);
}

TEST_F(ViewerBoxes, PrintingAFileThatWentAwaySaysWhy) {
    WriteBytes(folder.Text() + "a.gif", EncodeGif(QuadrantPicture(8, 8)));
    files.Names = {"a.gif"};
    auto& v = Open();
    SetPrintToFile(folder.Text() + "out.pdf");
    fs::remove(folder.Path() / "a.gif");
    v.PrintBtn->click();
    ASSERT_EQ(boxes.Texts.size(), 1u);
    EXPECT_NE(boxes.Texts[0].find("a.gif"), std::string::npos);
    EXPECT_TRUE(v.isVisible());
}

TEST_F(ViewerBoxes, TheSourceOfAFileThatWentAwaySaysWhy) {
    std::ofstream(folder.Path() / "a.html") << "<p>page</p>";
    files.Names = {"a.html"};
    auto& v = Open();
    fs::remove(folder.Path() / "a.html");
    ASSERT_TRUE(v.SourceBtn->isEnabled());
    v.SourceBtn->click();
    ASSERT_EQ(boxes.Texts.size(), 1u);
    EXPECT_NE(boxes.Texts[0].find(folder.Text() + "a.html"), std::string::npos);
    EXPECT_TRUE(v.isVisible());
}

// A click on Exit that arrives while the viewer's box is still ending closes the viewer; it is deleted
// once the box has returned: the box lives on the stack as the viewer's child.
TEST_F(ViewerBoxes, ExitWhileItsBoxIsOpenClosesTheViewerAfterTheBox) {
    WriteBytes(folder.Text() + "bad.jpg", "\xff\xd8\xff damaged");
    WriteBytes(folder.Text() + "good.gif", EncodeGif(QuadrantPicture(8, 8)));
    files.Names = {"good.gif", "bad.jpg"};
    auto& v = Open();
    boxes.OnBox = [this](QMessageBox&) {
        if (viewer) viewer->ExitBtn->click();
    };
    v.NextBtn->click();  // the damaged picture's box; Exit is clicked while it is open
    ASSERT_EQ(boxes.Texts.size(), 1u);
    BoxAnswerer::Idle(100);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(viewer.isNull());
}
