#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPointer>
#include <QScrollArea>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <filesystem>
#include <fstream>
#include <functional>

#include "htmlview/ScreenCursor.h"
#include "htmlview/HtmlView.h"
#include "support/PictureFixtures.h"
#include "support/QtApp.h"
#include "support/ScriptedViewerDialogs.h"
#include "support/TempFolder.h"
#include "finder/FinderGridModel.h"
#include "finder/FinderWindow.h"
#include "viewers/DocumentSourceWindow.h"

namespace fs = std::filesystem;

namespace {

void WaitUntilIdle(HtmlView& html) {
    for (int i = 0; i < 200 && html.Retrieving(); ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QCoreApplication::processEvents();
}

void WriteFile(const fs::path& path, std::uintmax_t size = 0) {
    fs::create_directories(path.parent_path());
    if (size <= 4u << 20) {
        // Readable text: the last result found is previewed, and a page is laid out as text.
        std::string text;
        while (text.size() < size) text += "words ";
        text.resize(size);
        std::ofstream(path, std::ios::binary) << text;
        return;
    }
    std::ofstream(path, std::ios::binary).close();
    fs::resize_file(path, size);  // sparse: big sizes cost no disk
}

class FinderWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        EnsureQtApp();
        QLocale::setDefault(QLocale::c());
        form = new FinderWindow(nullptr, &dialogs);
        form->show();
    }
    void TearDown() override { delete form.data(); }

    void Search(const std::string& folder, const std::string& mask, bool subFolders = true) {
        form->Location->setText(QString::fromStdString(folder));
        form->MaskBox->setCurrentText(QString::fromStdString(mask));
        form->SubfoldersCheck->setChecked(subFolders);
        form->StartBtn->click();
    }

    std::vector<std::string> Column(int col) {
        std::vector<std::string> out;
        for (int r = 1; r < form->GridRowCount(); ++r) out.push_back(form->Cells(col, r));
        return out;
    }

    // Runs `action` from the event loop once the walk has handed out `pumps` turns.
    void AfterPumps(int pumps, std::function<void()> action) {
        auto count = std::make_shared<int>(0);
        auto tick = std::make_shared<std::function<void()>>();
        *tick = [=] {
            if (++*count == pumps) return action();
            QMetaObject::invokeMethod(qApp, *tick, Qt::QueuedConnection);
        };
        QMetaObject::invokeMethod(qApp, *tick, Qt::QueuedConnection);
    }

    ScriptedViewerDialogs dialogs;
    QPointer<FinderWindow> form;
    TempFolder tmp;
};

}  // namespace

TEST_F(FinderWindowTest, StartsWithItsDefaults) {
    EXPECT_EQ(form->windowTitle(), "Lanternway 1.3 - Find File");
    EXPECT_EQ(form->MaskBox->currentText(), "*.html");
    EXPECT_EQ(form->MaskBox->count(), 11);
    EXPECT_TRUE(form->SubfoldersCheck->isChecked());
    EXPECT_FALSE(form->ColorBtn->isEnabled());
    EXPECT_EQ(form->GridRowCount(), 11);
    EXPECT_EQ(form->ResultsGrid->model()->headerData(2, Qt::Horizontal).toString(), "Size (KB)");
}

TEST_F(FinderWindowTest, ResultRowsSizesAndCaptionTotals) {
    WriteFile(tmp.Path() / "a.html", 1023);
    WriteFile(tmp.Path() / "b.html", 0);
    WriteFile(tmp.Path() / "c.html", 2048);
    WriteFile(tmp.Path() / "sub" / "d.html", 1024000 - 1023 - 2048);
    Search(tmp.Text(), "*.html");

    const std::string r = tmp.Text();
    EXPECT_EQ(Column(0), (std::vector<std::string>{"1", "2", "3", "4"}));
    EXPECT_EQ(Column(1), (std::vector<std::string>{r + "a.html", r + "b.html", r + "c.html",
                                                   r + "sub/d.html"}));
    EXPECT_EQ(Column(2), (std::vector<std::string>{"1", "1", "2", "997"}));
    EXPECT_EQ(form->FoundCount, 4);
    EXPECT_EQ(form->windowTitle(),
              "Lanternway 1.3 - Find File - ( Files Found: 4, Total Size: 1000 KB)");
    EXPECT_EQ(dialogs.Messages, std::vector<std::string>{"Search Completed"});
    EXPECT_EQ(form->SelectedRow(), 4);
    EXPECT_FALSE(form->Cells(3, 1).empty());

    // One kilobyte more passes 1000 KB and the total turns to megabytes.
    WriteFile(tmp.Path() / "e.html", 1024);
    Search(tmp.Text(), "*.html");
    EXPECT_EQ(form->windowTitle(),
              "Lanternway 1.3 - Find File - ( Files Found: 5, Total Size: 0.98 MB)");
    // With subfolders off only the start folder is listed.
    Search(tmp.Text(), "*.html", false);
    EXPECT_EQ(Column(1),
              (std::vector<std::string>{r + "a.html", r + "b.html", r + "c.html", r + "e.html"}));
}

TEST_F(FinderWindowTest, TotalsPast4GBAreRight) {
    // Archives: the totals are the point, not a preview of a gigabyte.
    for (const char* name : {"a.zip", "b.zip", "c.zip", "d.zip", "e.zip"})
        WriteFile(tmp.Path() / name, 1024ull * 1024 * 1024);
    Search(tmp.Text(), "*.zip");
    EXPECT_EQ(form->FoundBytes, 5LL * 1024 * 1024 * 1024);
    EXPECT_EQ(form->windowTitle(),
              "Lanternway 1.3 - Find File - ( Files Found: 5, Total Size: 5120.00 MB)");
}

TEST_F(FinderWindowTest, AttributeCellsAndAMatchingFolder) {
    WriteFile(tmp.Path() / "a.html");
    WriteFile(tmp.Path() / ".b.html");
    WriteFile(tmp.Path() / "c.html");
    fs::permissions(tmp.Path() / "c.html", fs::perms::owner_read);
    fs::create_directory(tmp.Path() / "x.html");
    Search(tmp.Text(), "*.html", false);
    const std::string r = tmp.Text();
    EXPECT_EQ(Column(1),
              (std::vector<std::string>{r + ".b.html", r + "a.html", r + "c.html", r + "x.html"}));
    EXPECT_EQ(Column(4), (std::vector<std::string>{"H", "", "R", ""}));
}

TEST_F(FinderWindowTest, ColorButtonOnlyForAnExactImageMaskWithResults) {
    WriteFile(tmp.Path() / "p.jpg", 10);
    struct Case {
        const char* mask;
        bool enabled;
    } cases[] = {{"*.jpg", true}, {"*.JPG", false}, {"*.html", false}, {"*.gif", true}};
    for (const Case& c : cases) {
        Search(tmp.Text(), c.mask);
        EXPECT_EQ(form->ColorBtn->isEnabled(), c.enabled) << c.mask;
    }
    // "*.JPG" still finds the picture; only the button stays off.
    Search(tmp.Text(), "*.JPG");
    EXPECT_EQ(form->FoundCount, 1);
}

TEST_F(FinderWindowTest, MissingFolderShowsZeroFiles) {
    Search(tmp.Text() + "nowhere", "*.html");
    EXPECT_EQ(form->windowTitle(),
              "Lanternway 1.3 - Find File - ( Files Found: 0, Total Size: 0 KB)");
    EXPECT_EQ(dialogs.Messages, std::vector<std::string>{"Search Completed"});
}

TEST_F(FinderWindowTest, EscapeAnsweredNoKeepsWindowAndResults) {
    WriteFile(tmp.Path() / "a.html");
    Search(tmp.Text(), "*.html");
    dialogs.Answers = {ViewerDialogs::Answer::No};
    QTest::keyClick(form->ResultsGrid, Qt::Key_Escape);
    ASSERT_TRUE(form);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(dialogs.Messages.back(), "Do you want to close Find File window?");
    EXPECT_EQ(form->Cells(1, 1), tmp.Text() + "a.html");

    dialogs.Answers = {ViewerDialogs::Answer::Yes};
    QTest::keyClick(form->ResultsGrid, Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(form);
}

TEST_F(FinderWindowTest, DeleteMarksTheRowOnlyWhenTheFileWentAway) {
    WriteFile(tmp.Path() / "a.html");
    WriteFile(tmp.Path() / "b.html");
    fs::create_directory(tmp.Path() / "c.html");
    Search(tmp.Text(), "*.html");
    const std::string r = tmp.Text();

    form->SelectRow(1);
    dialogs.Answers = {ViewerDialogs::Answer::No};
    QTest::keyClick(form->ResultsGrid, Qt::Key_Delete);
    EXPECT_EQ(dialogs.Messages.back(),
              "Are you sure you want to delete file\r\n\"" + r + "a.html\"?");
    EXPECT_TRUE(fs::exists(tmp.Path() / "a.html"));
    EXPECT_EQ(form->Cells(1, 1), r + "a.html");

    form->DeleteSelectedFile();  // answered Yes
    EXPECT_FALSE(fs::exists(tmp.Path() / "a.html"));
    EXPECT_EQ(form->Cells(1, 1), "File Deleted");

    // A file already gone and a folder are not deleted: the row keeps its path and the
    // reason is shown.
    form->SelectRow(2);
    fs::remove(tmp.Path() / "b.html");
    const auto before = dialogs.Messages.size();
    form->DeleteSelectedFile();
    EXPECT_EQ(form->Cells(1, 2), r + "b.html");
    ASSERT_EQ(dialogs.Messages.size(), before + 2);
    EXPECT_NE(dialogs.Messages.back().find("No such file"), std::string::npos);
    EXPECT_EQ(dialogs.MessageKinds.back(), ViewerDialogs::Kind::Error);

    form->SelectRow(3);
    form->DeleteSelectedFile();
    EXPECT_TRUE(fs::is_directory(tmp.Path() / "c.html"));
    EXPECT_EQ(form->Cells(1, 3), r + "c.html");

    // The marked row names no file any more.
    form->SelectRow(1);
    const auto count = dialogs.Messages.size();
    form->DeleteSelectedFile();
    EXPECT_EQ(dialogs.Messages.size(), count);
}

TEST_F(FinderWindowTest, SaveAsAppendsTheExtensionAndOverwrites) {
    WriteFile(tmp.Path() / "src" / "p.JPG");
    std::ofstream(tmp.Path() / "src" / "p.JPG") << "picture";
    std::ofstream(tmp.Path() / "copy.JPG") << "old";
    Search(tmp.Text() + "src", "*.jpg");
    form->SelectRow(1);

    dialogs.FileNames = {tmp.Text() + "copy"};
    QTest::keyClick(form->ResultsGrid, Qt::Key_S);
    ASSERT_EQ(dialogs.Saves.size(), 1u);
    const auto& asked = dialogs.Saves[0];
    EXPECT_EQ(asked.Title, "Lanternway Find File - Save \"" + tmp.Text() + "src/p.JPG\" As ..");
    EXPECT_EQ(asked.Filter, "*.jpg|");
    EXPECT_EQ(asked.ProposedName, "p.JPG");
    EXPECT_FALSE(asked.Options.ConfirmOverwrite);
    std::ifstream in(tmp.Path() / "copy.JPG");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "picture");

    // Saving a file onto itself leaves it whole.
    dialogs.FileNames = {tmp.Text() + "src/p.JPG"};
    form->SaveFileCopy();
    EXPECT_EQ(fs::file_size(tmp.Path() / "src" / "p.JPG"), 7u);
}

TEST_F(FinderWindowTest, PopupEnablingFollowsTheSelectedPath) {
    WriteFile(tmp.Path() / "a.html");
    WriteFile(tmp.Path() / "b.asp");
    WriteFile(tmp.Path() / "c.gif");
    WriteFile(tmp.Path() / "noext");
    Search(tmp.Text(), "*");
    struct Case {
        int row;
        bool open, source;
    } cases[] = {{1, true, true}, {2, true, true}, {3, true, false}, {4, false, false}};
    for (const Case& c : cases) {
        form->SelectRow(c.row);
        form->UpdateResultMenu();
        EXPECT_EQ(form->OpenAction->isEnabled(), c.open) << c.row;
        EXPECT_EQ(form->DeleteAction->isEnabled(), c.open) << c.row;
        EXPECT_EQ(form->SaveAsAction->isEnabled(), c.open) << c.row;
        EXPECT_EQ(form->PropertiesAction->isEnabled(), c.open) << c.row;
        EXPECT_EQ(form->ContextMenuAction->isEnabled(), c.open) << c.row;
        EXPECT_EQ(form->DocumentSourceAction->isEnabled(), c.source) << c.row;
    }
}

TEST_F(FinderWindowTest, PreviewFollowsTheSelectedRow) {
    std::ofstream(tmp.Path() / "a.html") << "<html><body><p>Hello finder</p></body></html>";
    WriteBytes(tmp.Text() + "b.gif", EncodeGif(QuadrantPicture(64, 32)));
    WriteBytes(tmp.Text() + "c.jpg", "not a picture");
    std::ofstream(tmp.Path() / "d.txt") << "text";
    Search(tmp.Text(), "*.*");
    ASSERT_EQ(form->FoundCount, 4);

    form->SelectRow(1);
    EXPECT_EQ(ScreenCursor(), Qt::WaitCursor);
    WaitUntilIdle(*form->PageView);
    EXPECT_EQ(ScreenCursor(), Qt::ArrowCursor);
    EXPECT_FALSE(form->PageView->isHidden());
    EXPECT_TRUE(form->PictureBox->isHidden());
    EXPECT_EQ(form->PageView->URL(), "file://" + tmp.Text() + "a.html");
    EXPECT_TRUE(form->PageView->toPlainText().contains("Hello finder"));

    form->SelectRow(2);
    EXPECT_TRUE(form->PageView->isHidden());
    EXPECT_FALSE(form->PictureBox->isHidden());
    EXPECT_FALSE(form->PictureLabel->isHidden());
    EXPECT_EQ(form->PictureLabel->pixmap().size(), QSize(64, 32));

    // A damaged picture is reported, and the last picture is not left standing for it.
    const auto before = dialogs.Messages.size();
    form->SelectRow(3);
    ASSERT_EQ(dialogs.Messages.size(), before + 1);
    EXPECT_EQ(dialogs.MessageKinds.back(), ViewerDialogs::Kind::Error);
    EXPECT_TRUE(form->PictureLabel->pixmap().isNull());

    form->SelectRow(4);
    EXPECT_TRUE(form->PageView->isHidden());
    EXPECT_TRUE(form->PictureLabel->isHidden());
}

TEST_F(FinderWindowTest, DocumentSourceForPagesOnly) {
    std::ofstream(tmp.Path() / "a.html") << "<p>a</p>";
    std::ofstream(tmp.Path() / "b.asp") << "<% asp %>";
    WriteBytes(tmp.Text() + "c.gif", EncodeGif(QuadrantPicture(8, 8)));
    Search(tmp.Text(), "*.*");
    struct Case {
        int row;
        const char* source;  // the text shown, or nullptr for no window
    } cases[] = {{1, "<p>a</p>"}, {2, "<% asp %>"}, {3, nullptr}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        form->SelectRow(c.row);
        WaitUntilIdle(*form->PageView);
        const auto before = form->findChildren<DocumentSourceWindow*>().size();
        QTest::keyClick(form->ResultsGrid, Qt::Key_C);
        const auto after = form->findChildren<DocumentSourceWindow*>();
        ASSERT_EQ(after.size(), before + (c.source ? 1 : 0));
        if (c.source) {
            EXPECT_EQ(after.back()->SourceText->toPlainText().toStdString(), c.source);
            EXPECT_EQ(after.back()->windowTitle().toStdString(),
                      "Document Source - " + form->SelectedPath());
        }
    }
}

TEST_F(FinderWindowTest, BrowsePutsTheChosenFolderIntoLocation) {
    dialogs.Folders = {std::string("/srv/site")};
    form->BrowseBtn->click();
    EXPECT_EQ(form->Location->text(), "/srv/site");
    EXPECT_EQ(dialogs.FolderTitles, std::vector<std::string>{"Select the folder"});
    form->ChooseStartFolder();  // cancelled
    EXPECT_EQ(form->Location->text(), "/srv/site");
}

// A tree large enough that the walk is still running when the person acts.
class FinderWindowLargeTreeTest : public FinderWindowTest {
  protected:
    void SetUp() override {
        FinderWindowTest::SetUp();
        for (int d = 0; d < 20; ++d)
            for (int f = 0; f < 50; ++f)
                WriteFile(tmp.Path() / ("d" + std::to_string(d)) /
                          ("p" + std::to_string(f) + ".html"));
    }
    static constexpr int Total = 20 * 50;
};

TEST_F(FinderWindowLargeTreeTest, StopEndsTheWalkAndShowsTheSummary) {
    AfterPumps(100, [this] { form->StopBtn->click(); });
    Search(tmp.Text(), "*.html");
    EXPECT_GT(form->FoundCount, 0);
    EXPECT_LT(form->FoundCount, Total);
    EXPECT_EQ(form->GridRowCount(), form->FoundCount + 1);
    EXPECT_EQ(form->windowTitle().toStdString(),
              "Lanternway 1.3 - Find File - ( Files Found: " + std::to_string(form->FoundCount) +
                  ", Total Size: 0 KB)");
    EXPECT_EQ(dialogs.Messages, std::vector<std::string>{"Search Completed"});
    // The next Start walks the whole tree again.
    Search(tmp.Text(), "*.html");
    EXPECT_EQ(form->FoundCount, Total);
}

TEST_F(FinderWindowLargeTreeTest, ClosingDuringTheWalkEndsItQuietly) {
    AfterPumps(100, [this] { form->close(); });
    Search(tmp.Text(), "*.html");
    EXPECT_TRUE(dialogs.Messages.empty());
    EXPECT_LT(form->FoundCount, Total);  // the window lives until its walk has returned
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(form);
}

TEST_F(FinderWindowLargeTreeTest, StartDuringTheWalkDoesNotStartASecondOne) {
    AfterPumps(50, [this] { form->StartSearch(); });
    Search(tmp.Text(), "*.html");
    EXPECT_EQ(form->FoundCount, Total);
    EXPECT_EQ(form->GridRowCount(), Total + 1);
    EXPECT_EQ(form->Cells(0, Total), std::to_string(Total));
    EXPECT_EQ(dialogs.Messages.size(), 1u);
}

TEST_F(FinderWindowTest, SaveAsTakesTheExtensionFromTheFileNameOnly) {
    struct Case {
        const char* Label;
        std::string Folder, Name, Chosen, Written;
    };
    const Case cases[] = {
        {"a name without extension", "www.site.com", "README", "copy", "copy"},
        {"a dot in a folder of the target", "plain", "README", "a.b/copy", "a.b/copy"},
        {"an extension of its own", "www.site.com", "page.Html", "copy", "copy.Html"},
        {"the chosen name has one", "www.site.com", "README", "copy.txt", "copy.txt"},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Label);
        const fs::path base = tmp.Path() / std::to_string(++n);
        fs::create_directories(base / "out" / "a.b");
        fs::create_directories(base / c.Folder);
        std::ofstream(base / c.Folder / c.Name) << "content";
        Search((base / c.Folder).string() + "/", "*");
        ASSERT_EQ(form->FoundCount, 1);
        form->SelectRow(1);
        dialogs.FileNames = {(base / "out" / c.Chosen).string()};
        QTest::keyClick(form->ResultsGrid, Qt::Key_S);
        ASSERT_TRUE(fs::exists(base / "out" / c.Written));
        std::ifstream in(base / "out" / c.Written);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "content");
        std::size_t entries = 0;
        for (const auto& e : fs::recursive_directory_iterator(base / "out"))
            entries += e.is_regular_file() ? 1 : 0;
        EXPECT_EQ(entries, 1u);  // nothing written under another name
    }
}

TEST_F(FinderWindowTest, TheLastResultIsPreviewedAndItsSourceOpens) {
    std::ofstream(tmp.Path() / "only.html") << "<p>The only result</p>";
    Search(tmp.Text(), "*.html");
    WaitUntilIdle(*form->PageView);
    ASSERT_EQ(form->SelectedRow(), 1);
    EXPECT_FALSE(form->PageView->isHidden());
    EXPECT_TRUE(form->PageView->toPlainText().contains("The only result"));
    QTest::keyClick(form->ResultsGrid, Qt::Key_C);
    EXPECT_EQ(form->findChildren<DocumentSourceWindow*>().size(), 1);
}

TEST_F(FinderWindowTest, AClickOnTheSelectedRowPreviewsItAgain) {
    // A picture still being written when it was found: its preview fails; once it is whole,
    // a click on its row shows it.
    WriteBytes(tmp.Text() + "late.gif", "GIF8");
    Search(tmp.Text(), "*.gif");
    ASSERT_EQ(dialogs.Messages.size(), 2u);  // the damaged picture, then the completion
    EXPECT_EQ(dialogs.MessageKinds[0], ViewerDialogs::Kind::Error);
    EXPECT_TRUE(form->PictureLabel->pixmap().isNull());
    WriteBytes(tmp.Text() + "late.gif", EncodeGif(QuadrantPicture(40, 20)));
    const QRect cell = form->ResultsGrid->visualRect(form->ResultsModel->index(0, 1));
    QTest::mouseClick(form->ResultsGrid->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(form->PictureLabel->pixmap().size(), QSize(40, 20));
    EXPECT_EQ(dialogs.Messages.size(), 2u);
}

TEST_F(FinderWindowTest, TheFolderBrowserOpensAtTheTypedLocation) {
    form->Location->setText(QString::fromStdString(tmp.Text() + "typed/"));
    form->BrowseBtn->click();
    EXPECT_EQ(dialogs.FolderStarts, std::vector<std::string>{tmp.Text() + "typed/"});
}
