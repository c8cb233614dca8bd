// The finder's message boxes and folder browser as a person meets them: the real dialogs,
// answered by a timer while their own event loops run.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <filesystem>
#include <fstream>

#include "finder/FinderGridModel.h"
#include "finder/FinderWindow.h"
#include "support/BoxAnswerer.h"
#include "support/PictureFixtures.h"
#include "support/QtApp.h"
#include "support/Screenshot.h"
#include "support/TempFolder.h"
#include "viewers/ViewerDialogs.h"

namespace fs = std::filesystem;

namespace {

class FinderBoxes : public ::testing::Test {
  protected:
    void SetUp() override {
        EnsureQtApp();
        form = new FinderWindow(nullptr, &dialogs);
        form->show();
    }
    void TearDown() override { delete form.data(); }

    void Search(const std::string& mask) {
        form->Location->setText(QString::fromStdString(tmp.Text()));
        form->MaskBox->setCurrentText(QString::fromStdString(mask));
        form->StartBtn->click();
    }

    QtViewerDialogs dialogs;
    BoxAnswerer boxes;
    QPointer<FinderWindow> form;
    TempFolder tmp;
};

}  // namespace

TEST_F(FinderBoxes, TheGridShowsEveryResultWhenTheCompletionBoxComes) {
    for (int i = 0; i < 30; ++i) std::ofstream(tmp.Path() / ("f" + std::to_string(i) + ".txt"));
    bool drawn = false;
    std::string caption;
    boxes.OnBox = [&](QMessageBox&) {
        drawn = form->ResultsGrid->updatesEnabled();
        caption = form->windowTitle().toStdString();
        SaveScreenshot(*form, "finder-search-completed");
    };
    Search("*.txt");
    EXPECT_EQ(boxes.Texts, std::vector<std::string>{"Search Completed"});
    EXPECT_TRUE(drawn);
    EXPECT_NE(caption.find("Files Found: 30"), std::string::npos);
    EXPECT_EQ(form->GridRowCount(), 31);
}

TEST_F(FinderBoxes, ADamagedPictureIsReportedAndTheSearchStillCompletes) {
    WriteBytes(tmp.Text() + "bad.gif", "GIF89a broken");
    Search("*.gif");
    ASSERT_EQ(boxes.Texts.size(), 2u);
    EXPECT_NE(boxes.Texts[0].find("bad.gif"), std::string::npos);
    EXPECT_EQ(boxes.Texts[1], "Search Completed");
    EXPECT_TRUE(form->PictureLabel->pixmap().isNull());
}

TEST_F(FinderBoxes, EscapeAsksBeforeClosing) {
    struct Case {
        QMessageBox::StandardButton Answer;
        bool Closed;
    };
    for (const Case& c : {Case{QMessageBox::No, false}, Case{QMessageBox::Yes, true}}) {
        SCOPED_TRACE(c.Closed);
        boxes.Texts.clear();
        boxes.Answers = {c.Answer};
        QTest::keyClick(form->ResultsGrid, Qt::Key_Escape);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(boxes.Texts, std::vector<std::string>{"Do you want to close Find File window?"});
        EXPECT_EQ(form.isNull(), c.Closed);
    }
}

TEST_F(FinderBoxes, DeleteAsksAndReportsAFileThatCouldNotGo) {
    std::ofstream(tmp.Path() / "a.html");
    std::ofstream(tmp.Path() / "b.html");
    Search("*.html");
    boxes.Texts.clear();

    // No keeps the file; Yes deletes it.
    form->SelectRow(1);
    boxes.Answers = {QMessageBox::No};
    QTest::keyClick(form->ResultsGrid, Qt::Key_Delete);
    EXPECT_TRUE(fs::exists(tmp.Path() / "a.html"));
    boxes.Answers = {QMessageBox::Yes};
    QTest::keyClick(form->ResultsGrid, Qt::Key_Delete);
    EXPECT_FALSE(fs::exists(tmp.Path() / "a.html"));
    EXPECT_EQ(form->Cells(1, 1), "File Deleted");
    ASSERT_EQ(boxes.Texts.size(), 2u);
    EXPECT_EQ(boxes.Texts[1], "Are you sure you want to delete file\n\"" + tmp.Text() + "a.html\"?");

    // A file already gone: the question, then the reason.
    form->SelectRow(2);
    fs::remove(tmp.Path() / "b.html");
    boxes.Answers = {QMessageBox::Yes, QMessageBox::Ok};
    QTest::keyClick(form->ResultsGrid, Qt::Key_Delete);
    ASSERT_EQ(boxes.Texts.size(), 4u);
    EXPECT_NE(boxes.Texts[3].find("No such file"), std::string::npos);
    EXPECT_EQ(form->Cells(1, 2), tmp.Text() + "b.html");
}

TEST_F(FinderBoxes, TheFolderBrowserOpensAtTheTypedLocation) {
    fs::create_directories(tmp.Path() / "typed");
    form->Location->setText(QString::fromStdString(tmp.Text() + "typed/"));
    QString opened;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<QFileDialog*>(w); d && d->isVisible()) {
                opened = d->directory().absolutePath();
                d->reject();
            }
    });
    look.start(20);
    form->BrowseBtn->click();
    EXPECT_EQ(opened.toStdString() + "/", tmp.Text() + "typed/");
    EXPECT_EQ(form->Location->text().toStdString(), tmp.Text() + "typed/");  // cancelled
}

TEST_F(FinderBoxes, TheSourceOfAFileThatWentAwaySaysWhy) {
    std::ofstream(tmp.Path() / "a.html") << "<p>page</p>";
    Search("*.html");
    fs::remove(tmp.Path() / "a.html");
    QTest::keyClick(form->ResultsGrid, Qt::Key_C);
    ASSERT_EQ(boxes.Texts.size(), 2u);
    EXPECT_NE(boxes.Texts[1].find(tmp.Text() + "a.html"), std::string::npos);
    EXPECT_FALSE(form.isNull());
}
