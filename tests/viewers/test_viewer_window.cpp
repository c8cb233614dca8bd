#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLayout>
#include <QPointer>
#include <QScrollArea>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>
#include <filesystem>
#include <fstream>

#include "htmlview/HtmlView.h"
#include "htmlview/ScreenCursor.h"
#include "support/MetafileFixtures.h"
#include "support/PictureFixtures.h"
#include "support/QtApp.h"
#include "support/Screenshot.h"
#include "support/ScriptedViewerDialogs.h"
#include "support/TempFolder.h"
#include "viewers/DocumentSourceWindow.h"
#include "viewers/NeedleGauge.h"
#include "viewers/Printing.h"
#include "viewers/ViewerWindow.h"
#include "widgets/PagePane.h"

namespace fs = std::filesystem;

namespace {

// The main window's two lists, as plain names in two folders.
struct ListSource : ViewerFileSource {
    bool ProjectVisible = true;
    std::vector<std::string> Project, Local;
    std::string ProjectDir, LocalDir;

    const std::vector<std::string>& Visible() const { return ProjectVisible ? Project : Local; }
    bool FileListViewVisible() const override { return ProjectVisible; }
    int FileListViewCount() const override { return static_cast<int>(Project.size()); }
    int LocalFilesCount() const override { return static_cast<int>(Local.size()); }
    std::string ItemPath(int i) const override {
        return (ProjectVisible ? ProjectDir : LocalDir) + Visible().at(i);
    }
    std::string ItemDisplayName(int i) const override { return Visible().at(i); }
};

void WaitUntilIdle(HtmlView& html) {
    for (int i = 0; i < 200 && html.Retrieving(); ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QCoreApplication::processEvents();
}

class HtmlViewer : public ::testing::Test {
  protected:
    void SetUp() override {
        EnsureQtApp();
        files.ProjectDir = project.Text();
        files.LocalDir = local.Text();
    }
    void TearDown() override {
        for (auto& v : viewers) delete v.data();
        SetPrintToFile("");
    }

    void Write(const std::string& name, const std::string& bytes, TempFolder* where = nullptr) {
        const fs::path path = (where ? *where : project).Path() / name;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
    }

    // Opens a viewer the way the main window does: at a list position, shown, showing.
    ViewerWindow& Open(int index = 0) {
        auto* v = new ViewerWindow(files, nullptr, &dialogs);
        viewers.emplace_back(v);
        v->ListIndex = index;
        v->show();
        v->ShowFile();
        WaitUntilIdle(*v->PageView);
        return *v;
    }

    // Follows a link on the shown page as a click on it would.
    static void Follow(ViewerWindow& v, const char* link) {
        emit v.PageView->anchorClicked(QUrl(link));
        WaitUntilIdle(*v.PageView);
    }

    static std::string Caption(const QWidget& w) { return w.windowTitle().toStdString(); }

    TempFolder project, local;
    ListSource files;
    ScriptedViewerDialogs dialogs;
    std::vector<QPointer<ViewerWindow>> viewers;
};

}  // namespace

TEST(ViewerKinds, ByExtension) {
    struct Case {
        const char* ext;
        ViewerKind kind;
    } cases[] = {
        {".html", ViewerKind::Html}, {".htm", ViewerKind::Html},   {".shtml", ViewerKind::Html},
        {".shtm", ViewerKind::Html}, {".asp", ViewerKind::Html},   {".txt", ViewerKind::Html},
        {".jpg", ViewerKind::Image}, {".jpeg", ViewerKind::Image}, {".gif", ViewerKind::Image},
        {".bmp", ViewerKind::Image}, {".ico", ViewerKind::Image},  {".wmf", ViewerKind::Image},
        {".emf", ViewerKind::Image}, {".png", ViewerKind::Other},  {".pdf", ViewerKind::Other},
        {"", ViewerKind::Other}};
    for (const Case& c : cases) EXPECT_EQ(ViewerKindOf(c.ext), c.kind) << c.ext;
}

TEST_F(HtmlViewer, StartsEmptyAndIgnoresEmptyLists) {
    auto& v = Open();
    EXPECT_EQ(Caption(v), "Lanternway Viewer");
    EXPECT_TRUE(v.ExitBtn->isEnabled());
    for (QToolButton* b : {v.BackBtn, v.NextBtn, v.PrintBtn, v.SourceBtn, v.SaveAsBtn, v.ColorBtn,
                           v.HTMLBackBtn, v.HTMLForwardBtn, v.ReloadBtn})
        EXPECT_FALSE(b->isEnabled());
    EXPECT_EQ(v.ExitBtn->toolTip(), "Close");
    EXPECT_EQ(v.ExitBtn->statusTip(), "Close active window");
}

TEST_F(HtmlViewer, OtherKindsShowNothingButStillStep) {
    files.Project = {"a.pdf", "b.zip", "README"};
    for (const auto& n : files.Project) Write(n, "data");
    auto& v = Open();
    struct Step {
        const char* name;
        bool back, next, saveAndColor;
    } steps[] = {
        {"a.pdf", false, true, true}, {"b.zip", true, true, true}, {"README", true, false, false}};
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        EXPECT_EQ(Caption(v), "Lanternway 1.3 - " + project.Text() + s.name);
        EXPECT_FALSE(v.Pane->PageShown());
        EXPECT_FALSE(v.Pane->PictureShown());
        EXPECT_EQ(v.BackBtn->isEnabled(), s.back);
        EXPECT_EQ(v.NextBtn->isEnabled(), s.next);
        EXPECT_EQ(v.SaveAsBtn->isEnabled(), s.saveAndColor);
        EXPECT_EQ(v.PrintBtn->isEnabled(), s.saveAndColor);
        EXPECT_EQ(v.ColorBtn->isEnabled(), s.saveAndColor);
        EXPECT_FALSE(v.SourceBtn->isEnabled());
        if (v.NextBtn->isEnabled()) v.NextBtn->click();
    }
    v.BackBtn->click();
    EXPECT_EQ(v.ViewerFileName, "b.zip");
    EXPECT_EQ(v.BackBtn->toolTip(), "a.pdf");
    EXPECT_EQ(v.NextBtn->toolTip(), "README");
}

TEST_F(HtmlViewer, ButtonsAndHintsByKind) {
    files.Project = {"page.HTML", "notes.txt", "pic.gif"};
    Write("page.HTML", "<p>page</p>");
    Write("notes.txt", "notes");
    Write("pic.gif", EncodeGif(QuadrantPicture(40, 20)));
    auto& v = Open();
    const std::string page = project.Text() + "page.HTML";
    EXPECT_EQ(v.ViewerFileExt, ".html");
    EXPECT_TRUE(v.Pane->PageShown());
    EXPECT_TRUE(v.SourceBtn->isEnabled());
    EXPECT_TRUE(v.ReloadBtn->isEnabled());
    EXPECT_FALSE(v.ColorBtn->isEnabled());
    EXPECT_EQ(v.SourceBtn->toolTip().toStdString(), "Document source of \"" + page + "\"");
    EXPECT_EQ(v.SaveAsBtn->toolTip().toStdString(), "Save \"" + page + "\" as ..");
    EXPECT_EQ(v.PrintBtn->toolTip().toStdString(), "Print \"" + page + "\"");
    EXPECT_EQ(v.BackBtn->toolTip(), "");
    EXPECT_EQ(v.NextBtn->toolTip(), "notes.txt");
    EXPECT_TRUE(v.PageView->toPlainText().contains("page"));

    v.NextBtn->click();
    WaitUntilIdle(*v.PageView);
    EXPECT_TRUE(v.SourceBtn->isEnabled());
    EXPECT_FALSE(v.ColorBtn->isEnabled());
    EXPECT_TRUE(v.PageView->toPlainText().contains("notes"));

    v.NextBtn->click();
    EXPECT_FALSE(v.Pane->PageShown());
    EXPECT_TRUE(v.Pane->PictureShown());
    EXPECT_EQ(v.PictureLabel->pixmap().size(), QSize(40, 20));
    EXPECT_FALSE(v.SourceBtn->isEnabled());
    EXPECT_FALSE(v.ReloadBtn->isEnabled());
    EXPECT_TRUE(v.ColorBtn->isEnabled());
    EXPECT_EQ(v.SourceBtn->toolTip(), "");
}

TEST_F(HtmlViewer, LocalFilesListUsesItsFolder) {
    files.ProjectVisible = false;
    files.Local = {"x.html"};
    Write("x.html", "<p>local</p>", &local);
    auto& v = Open();
    EXPECT_EQ(v.ViewerFolder, local.Text());
    EXPECT_EQ(v.PageView->URL(), "file://" + local.Text() + "x.html");
}

TEST_F(HtmlViewer, FollowedLinksMakeTheHistory) {
    for (const char* n : {"a", "b", "c", "d"})
        Write(std::string(n) + ".html", std::string("<p>page ") + n + "</p>");
    files.Project = {"a.html"};
    auto& v = Open();
    EXPECT_EQ(v.History.Entries(), std::vector<std::string>{"a.html"});
    EXPECT_FALSE(v.HTMLBackBtn->isEnabled());

    Follow(v, "b.html");
    Follow(v, "c.html");
    EXPECT_EQ(v.History.Entries(), (std::vector<std::string>{"a.html", "b.html", "c.html"}));
    EXPECT_EQ(v.History.Index(), 2);
    EXPECT_EQ(v.HTMLBackBtn->toolTip(), "b.html");
    EXPECT_EQ(v.HTMLForwardBtn->toolTip(), "Forward");

    v.HTMLBackBtn->click();
    WaitUntilIdle(*v.PageView);
    EXPECT_EQ(v.History.Index(), 1);
    EXPECT_EQ(Caption(v), "Lanternway 1.3 - " + project.Text() + "b.html");
    EXPECT_TRUE(v.HTMLForwardBtn->isEnabled());
    EXPECT_EQ(v.HTMLForwardBtn->toolTip(), "c.html");
    EXPECT_EQ(v.HTMLBackBtn->toolTip(), "a.html");
    EXPECT_TRUE(v.PageView->toPlainText().contains("page b"));

    // A new page from the middle of the history drops what lay ahead.
    Follow(v, "d.html");
    EXPECT_EQ(v.History.Entries(), (std::vector<std::string>{"a.html", "b.html", "d.html"}));
    EXPECT_EQ(v.History.Index(), 2);
    EXPECT_FALSE(v.HTMLForwardBtn->isEnabled());
    EXPECT_EQ(v.HTMLForwardBtn->toolTip(), "Forward");

    // Revisiting a page moves to it and leaves the list alone.
    Follow(v, "a.html");
    EXPECT_EQ(v.History.Entries(), (std::vector<std::string>{"a.html", "b.html", "d.html"}));
    EXPECT_EQ(v.History.Index(), 0);
    EXPECT_FALSE(v.HTMLBackBtn->isEnabled());
    EXPECT_EQ(v.HTMLBackBtn->toolTip(), "Back");

    v.HTMLForwardBtn->click();
    WaitUntilIdle(*v.PageView);
    EXPECT_EQ(v.History.Index(), 1);
    EXPECT_EQ(v.ViewerFileName, "b.html");
}

TEST_F(HtmlViewer, LinksOutsideTheFolderChangeNothing) {
    Write("a.html", "<p>a</p>");
    Write("b.html", "<p id=part>b</p>");
    Write("sub/b.html", "<p>deeper b</p>");
    Write("sub/only.html", "<p>only in sub</p>");
    files.Project = {"a.html"};
    auto& v = Open();
    const std::string caption = Caption(v);
    struct Case {
        const char* link;
        const char* shown;
    } cases[] = {{"sub/only.html", "only in sub"},
                 {"sub/b.html", "deeper b"},  // same name as a page of the folder
                 {"b.html#part", "b"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.link);
        v.PageView->ShowURL("file://" + project.Text() + "a.html");
        WaitUntilIdle(*v.PageView);
        Follow(v, c.link);
        EXPECT_TRUE(v.PageView->toPlainText().contains(c.shown));
        EXPECT_EQ(v.History.Entries(), std::vector<std::string>{"a.html"});
        EXPECT_EQ(Caption(v), caption);
        EXPECT_EQ(v.ViewerFileName, "a.html");
    }
    v.OnPageRequested("http://127.0.0.1/b.html");
    v.OnPageLoaded();
    EXPECT_EQ(v.History.Entries(), std::vector<std::string>{"a.html"});
    EXPECT_EQ(ScreenCursor(), Qt::ArrowCursor);
}

TEST_F(HtmlViewer, SaveAsAppendsTheExtension) {
    const std::string jpeg = EncodeJpeg(QuadrantPicture(32, 32));
    Write("photo.jpg", jpeg);
    files.Project = {"photo.jpg"};
    auto& v = Open();
    dialogs.FileNames = {project.Text() + "copy", project.Text() + "named.bin"};
    v.SaveAsBtn->click();
    ASSERT_EQ(dialogs.Saves.size(), 1u);
    EXPECT_EQ(dialogs.Saves[0].Title,
              "Lanternway Viewer - Save \"" + project.Text() + "photo.jpg\" As ..");
    EXPECT_EQ(dialogs.Saves[0].Filter, "*.jpg|");
    EXPECT_EQ(dialogs.Saves[0].ProposedName, "photo.jpg");
    EXPECT_TRUE(dialogs.Saves[0].Options.ConfirmOverwrite);
    EXPECT_EQ(fs::file_size(project.Path() / "copy.jpg"), jpeg.size());

    v.SaveFileCopy();  // a name with its own extension is kept as it is
    EXPECT_TRUE(fs::exists(project.Path() / "named.bin"));
    v.SaveFileCopy();  // cancelled
    EXPECT_EQ(dialogs.Saves.size(), 3u);
}

TEST_F(HtmlViewer, EachViewerActsOnItsOwnFile) {
    Write("a.html", "<p>a</p>");
    Write("b.gif", EncodeGif(QuadrantPicture(8, 8)));
    files.Project = {"a.html", "b.gif"};
    auto& first = Open(0);
    auto& second = Open(1);
    EXPECT_EQ(second.ViewerFileName, "b.gif");
    first.SaveFileCopy();
    ASSERT_EQ(dialogs.Saves.size(), 1u);
    EXPECT_EQ(dialogs.Saves[0].ProposedName, "a.html");
    EXPECT_EQ(first.SourceBtn->toolTip().toStdString(),
              "Document source of \"" + project.Text() + "a.html\"");
}

TEST_F(HtmlViewer, APictureThatCannotBeShownIsReportedAndSteppingGoesOn) {
    Write("bad.jpg", "not a jpeg");
    Write("good.gif", EncodeGif(QuadrantPicture(8, 8)));
    files.Project = {"bad.jpg", "good.gif"};
    auto& v = Open();
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_EQ(dialogs.MessageKinds[0], ViewerDialogs::Kind::Error);
    EXPECT_TRUE(v.isVisible());
    EXPECT_TRUE(v.NextBtn->isEnabled());
    v.NextBtn->click();
    EXPECT_EQ(v.PictureLabel->pixmap().size(), QSize(8, 8));
}

TEST_F(HtmlViewer, ColourOfThePicturePanel) {
    Write("p.gif", EncodeGif(QuadrantPicture(8, 8)));
    files.Project = {"p.gif"};
    auto& v = Open();
    dialogs.Colors = {QColor(Qt::red), std::nullopt};
    v.ColorBtn->click();
    EXPECT_EQ(v.Pane->PictureBackground(), QColor(Qt::red));
    v.ChooseBackgroundColour();  // cancelled
    EXPECT_EQ(v.Pane->PictureBackground(), QColor(Qt::red));
}

TEST_F(HtmlViewer, PopupMenuCopiesTheSelection) {
    Write("a.html", "<p>copy me</p>");
    files.Project = {"a.html"};
    auto& v = Open();
    v.UpdatePageMenu();
    EXPECT_FALSE(v.CopyAction->isEnabled());
    EXPECT_FALSE(v.PrintSelectionAction->isEnabled());
    EXPECT_TRUE(v.OpenAction->isEnabled());
    v.SelectAllText();
    v.UpdatePageMenu();
    EXPECT_TRUE(v.CopyAction->isEnabled());
    v.CopySelection();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "copy me");
}

TEST_F(HtmlViewer, SourceWindowsBelongToTheViewer) {
    Write("a.html", "<p>the source</p>");
    files.Project = {"a.html"};
    auto& v = Open();
    v.SourceBtn->click();
    v.SourceBtn->click();
    const auto sources = v.findChildren<DocumentSourceWindow*>();
    ASSERT_EQ(sources.size(), 2);
    EXPECT_EQ(sources[0]->windowTitle().toStdString(),
              "Document Source - " + project.Text() + "a.html");
    EXPECT_EQ(sources[0]->SourceText->toPlainText(), "<p>the source</p>");
    QPointer<DocumentSourceWindow> source = sources[1];
    v.ExitBtn->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(source);
}

TEST_F(HtmlViewer, PrintingGoesToThePrinterOrSaysWhyNot) {
    Write("a.html", "<p>print me</p>");
    files.Project = {"a.html"};
    auto& v = Open();
    const std::string pdf = project.Text() + "out.pdf";
    SetPrintToFile(pdf);
    v.PrintBtn->click();
    ASSERT_TRUE(fs::exists(pdf));
    EXPECT_GT(fs::file_size(pdf), 0u);
    EXPECT_TRUE(dialogs.Messages.empty());

    fs::remove(pdf);
    v.SelectAllText();
    v.PrintSelection();
    EXPECT_TRUE(fs::exists(pdf));

    // The file went away after it was shown: nothing is printed, and the person is told.
    fs::remove(project.Path() / "a.html");
    v.PrintFile();
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_NE(dialogs.Messages[0].find("a.html"), std::string::npos);
}

TEST_F(HtmlViewer, TheToolBarStaysAtTheTopForEveryKindOfFile) {
    Write("a.html", "<p>page</p>");
    Write("b.gif", EncodeGif(QuadrantPicture(8, 8)));
    Write("c.zip", "data");
    files.Project = {"a.html", "b.gif", "c.zip"};
    auto& v = Open();
    v.setWindowState(Qt::WindowNoState);
    v.resize(560, 418);
    for (const char* name : {"a.html", "b.gif", "c.zip"}) {
        SCOPED_TRACE(name);
        ASSERT_EQ(v.ViewerFileName, name);
        v.layout()->activate();
        EXPECT_EQ(v.ToolBarPanel->geometry(), QRect(0, 0, 560, 34));
        SaveScreenshot(v, QString("viewer-") + name);
        if (v.NextBtn->isEnabled()) v.NextBtn->click();
        WaitUntilIdle(*v.PageView);
    }
}

TEST_F(HtmlViewer, AViewerWhoseListChangedKeepsToItsOwnFile) {
    for (const char* name : {"a.html", "b.html", "c.html", "d.html", "x.html"}) Write(name, name);
    struct Case {
        const char* Label;
        std::vector<std::string> NewList;
        bool Back, Next;
        const char* AfterBack;  // the file Back shows, when it is enabled
    };
    const Case cases[] = {
        {"another session's list", {"x.html"}, false, false, nullptr},
        {"the file moved up the list", {"x.html", "d.html", "a.html"}, true, true, "x.html"},
        {"the list emptied", {}, false, false, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Label);
        files.Project = {"a.html", "b.html", "c.html", "d.html"};
        auto& v = Open(3);
        ASSERT_EQ(v.ViewerFileName, "d.html");
        files.Project = c.NewList;
        QEvent activate(QEvent::WindowActivate);
        QCoreApplication::sendEvent(&v, &activate);
        EXPECT_EQ(v.BackBtn->isEnabled(), c.Back);
        EXPECT_EQ(v.NextBtn->isEnabled(), c.Next);
        // Its own file stays shown and its commands still act on it.
        EXPECT_EQ(v.CurrentPath(), project.Text() + "d.html");
        EXPECT_TRUE(v.SaveAsBtn->isEnabled());
        v.ShowPreviousFile();  // even when called with the button off
        WaitUntilIdle(*v.PageView);
        EXPECT_EQ(v.ViewerFileName, c.AfterBack ? c.AfterBack : "d.html");
        EXPECT_TRUE(dialogs.Messages.empty());
    }
}

// Right and Space step on, Left back (nothing past either end), whichever panel has the focus;
// Esc closes the viewer.
TEST_F(HtmlViewer, ArrowsAndSpaceStepThroughTheListAndEscapeCloses) {
    files.Project = {"a.html", "b.html", "c.gif"};
    Write("a.html", "<p>a</p>");
    Write("b.html", "<p>b</p>");
    Write("c.gif", EncodeGif(QuadrantPicture(8, 8)));
    auto& v = Open();
    v.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&v));
    v.PageView->setFocus();
    const struct {
        Qt::Key Key;
        const char* Shown;
    } steps[] = {{Qt::Key_Right, "b.html"}, {Qt::Key_Space, "c.gif"}, {Qt::Key_Right, "c.gif"},
                 {Qt::Key_Left, "b.html"},  {Qt::Key_Left, "a.html"}, {Qt::Key_Left, "a.html"}};
    for (const auto& step : steps) {
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus ? focus : &v, step.Key);
        WaitUntilIdle(*v.PageView);
        EXPECT_EQ(v.ViewerFileName, step.Shown) << step.Key;
    }
    EXPECT_EQ(v.ListIndex, 0);
    QTest::keyClick(&v, Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(viewers.back().isNull());
}

TEST(NeedleGauge, PercentDone) {
    EnsureQtApp();
    NeedleGauge gauge;
    struct Case {
        std::int64_t max, progress;
        int percent;
    } cases[] = {{100, 0, 0},
                 {100, 50, 50},
                 {200, 50, 25},
                 {0, 10, 0},
                 {-1, 10, 0},
                 {100, 150, 100},
                 {10, -5, 0},
                 {INT64_MAX, INT64_MAX, 100},
                 {1LL << 62, 1LL << 61, 50}};
    for (const Case& c : cases) {
        gauge.SetMaxValue(c.max);
        gauge.SetProgress(c.progress);
        EXPECT_EQ(gauge.PercentDone(), c.percent) << c.max << " " << c.progress;
    }
}

TEST_F(HtmlViewer, MetafilesAreShownAsPictures) {
    Write("drawing.wmf", EncodeWmf(64, 48, QuadrantBoxes(64, 48)));
    Write("drawing.emf", EncodeEmf(80, 60, QuadrantBoxes(80, 60)));
    files.Project = {"drawing.wmf", "drawing.emf"};
    auto& v = Open();
    for (const QSize size : {QSize(64, 48), QSize(80, 60)}) {
        SCOPED_TRACE(size.width());
        const QImage shown = v.PictureLabel->pixmap().toImage();
        EXPECT_EQ(shown.size(), size);
        EXPECT_EQ(shown.pixel(3 * size.width() / 4, size.height() / 4), qRgb(0, 255, 0));
        EXPECT_EQ(shown.pixel(size.width() / 4, 3 * size.height() / 4), qRgb(0, 0, 255));
        SaveScreenshot(v, QStringLiteral("viewer-%1").arg(size.width()));
        v.NextBtn->click();
    }
    EXPECT_TRUE(dialogs.Messages.empty());
}
