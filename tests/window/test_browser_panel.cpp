#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QLineEdit>
#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>
#include <filesystem>
#include <fstream>

#include "htmlview/ScreenCursor.h"
#include "htmlview/HtmlView.h"
#include "support/BoxAnswerer.h"
#include "support/MetafileFixtures.h"
#include "support/PictureFixtures.h"
#include "support/Screenshot.h"
#include "support/QtApp.h"
#include "support/ScriptedPrompts.h"
#include "support/TempFolder.h"
#include "window/BrowserPanel.h"
#include "window/GuiPrompts.h"

namespace {

// The main window as the panel sees it: two folders, which list shows, the histories.
class FakeHost : public BrowserPanelHost {
  public:
    bool ProjectVisible = true;
    bool LocalVisible = false;
    std::string Project, Local;
    std::vector<std::string> Names;
    bool LowerPane = true;
    bool Lowered = true;
    bool GridSet = true;
    ScriptedPrompts Asked;
    SessionPrompts* RealPrompts = nullptr;  // when set, asked instead of Asked
    QWidget Window;

    bool ProjectListVisible() const override { return ProjectVisible; }
    bool LocalListVisible() const override { return LocalVisible; }
    std::string ProjectFolder() const override { return Project; }
    std::string LocalFilesFolder() const override { return Local; }
    std::vector<std::string> VisibleListNames() const override { return Names; }
    FullScreenShowSource FullScreenSource() const override { return {}; }
    bool BrowserPanelIsLowerPane() const override { return LowerPane; }
    void SetLowerPaneLowered(bool lowered) override { Lowered = lowered; }
    void SetGridSetVisible(bool visible) override { GridSet = visible; }
    SessionPrompts& Prompts() override { return RealPrompts ? *RealPrompts : Asked; }
    QWidget* Owner() override { return &Window; }
};

class BrowserPanelTest : public ::testing::Test {
  protected:
    BrowserPanelTest() {
        EnsureQtApp();
        host = std::make_unique<FakeHost>();
        host->Project = project.Text();
        host->Local = local.Text();
        panel = std::make_unique<BrowserPanel>(*host);
        panel->resize(500, 300);
        // As the window shows it: the lower pane holds the panel, the image is visible.
        panel->PictureLabel->show();
    }
    ~BrowserPanelTest() override { SetScreenCursor(Qt::ArrowCursor); }

    std::string Page(const std::string& name, const std::string& body = "<p>page</p>") {
        WriteBytes(project.Text() + name, body);
        return project.Text() + name;
    }
    void Wait() {
        if (!QTest::qWaitFor([this] { return !panel->PageView->Retrieving(); }, 10000))
            ADD_FAILURE() << "the page is still loading";
    }
    // What the panel does when the control reports a request for this project file.
    void Reported(const std::string& name) {
        panel->OnPageRequested(HtmlView::LocalFileURL(project.Text() + name));
    }
    const std::vector<std::string>& Entries(bool local) { return panel->History(local).Entries(); }
    int Index(bool local) { return panel->History(local).Index(); }
    std::vector<std::string> Paths(std::initializer_list<const char*> names) {
        std::vector<std::string> out;
        for (const char* n : names) out.push_back(project.Text() + n);
        return out;
    }

    TempFolder project, local;
    std::unique_ptr<FakeHost> host;
    std::unique_ptr<BrowserPanel> panel;
};

}  // namespace

TEST_F(BrowserPanelTest, ReportedRequestsKeepTheHistory) {
    for (const char* n : {"a.html", "b.html", "c.html", "d.html", "A.HTML"}) Page(n);
    struct Case {
        const char* Label;
        std::vector<std::string> Before;
        int Index;
        std::string Url;  // reported; relative names are project files
        std::vector<std::string> After;
        int IndexAfter;
        bool Back, Forward;
        const char *BackHint, *ForwardHint;
    };
    const Case cases[] = {
        {"a link from the middle cuts what followed", Paths({"a.html", "b.html", "c.html"}), 1,
         "d.html", Paths({"a.html", "b.html", "d.html"}), 2, true, false, "b.html|", "Forward|"},
        {"a page already there: the position moves", Paths({"a.html", "b.html", "c.html"}), 2,
         "a.html", Paths({"a.html", "b.html", "c.html"}), 0, false, true, "Back|", "b.html|"},
        {"the first page",
         {},
         -1,
         "a.html",
         Paths({"a.html"}),
         0,
         false,
         false,
         "Back|",
         "Forward|"},
        {"the same page in other letters: the position moves", Paths({"a.html", "b.html"}), 1,
         "A.HTML", Paths({"a.html", "b.html"}), 0, false, true, "Back|", "b.html|"},
        {"at the end: appended", Paths({"a.html", "b.html"}), 1, "c.html",
         Paths({"a.html", "b.html", "c.html"}), 2, true, false, "b.html|", "Forward|"},
        {"a web address never enters", Paths({"a.html"}), 0, "http://host/d.html",
         Paths({"a.html"}), 0, false, false, "Back|", "Forward|"},
        {"a file that is not there", Paths({"a.html"}), 0, "gone.html", Paths({"a.html"}), 0, false,
         false, "Back|", "Forward|"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Label);
        PageHistory& history = panel->History(false);
        history.Clear();
        for (const std::string& page : c.Before) history.Visit(page);
        if (c.Index >= 0) history.Visit(c.Before[static_cast<std::size_t>(c.Index)]);
        panel->EnableBackForward(false);
        if (c.Url.starts_with("http"))
            panel->OnPageRequested(c.Url);
        else
            Reported(c.Url);
        EXPECT_EQ(Entries(false), c.After);
        EXPECT_EQ(Index(false), c.IndexAfter);
        EXPECT_EQ(panel->HTMLBackBtn->isEnabled(), c.Back);
        EXPECT_EQ(panel->HTMLForwardBtn->isEnabled(), c.Forward);
        EXPECT_EQ(BrowserPanel::Hint(panel->HTMLBackBtn), c.BackHint);
        EXPECT_EQ(BrowserPanel::Hint(panel->HTMLForwardBtn), c.ForwardHint);
        EXPECT_EQ(ScreenCursor(), Qt::WaitCursor);
    }
    EXPECT_TRUE(Entries(true).empty());  // the local history is another list
}

TEST_F(BrowserPanelTest, RequestsGoToTheVisibleListsHistory) {
    WriteBytes(local.Text() + "x.htm", "<p>x</p>");
    host->ProjectVisible = false;
    host->LocalVisible = true;
    panel->OnPageRequested(HtmlView::LocalFileURL(local.Text() + "x.htm"));
    EXPECT_EQ(Entries(true), std::vector<std::string>{local.Text() + "x.htm"});
    EXPECT_TRUE(Entries(false).empty());
    EXPECT_EQ(panel->PanelFileLabel->text(), "x.htm");

    host->LocalVisible = false;  // neither list: nothing is kept
    panel->OnPageRequested(HtmlView::LocalFileURL(local.Text() + "x.htm"));
    EXPECT_EQ(Entries(true).size(), 1u);
}

TEST_F(BrowserPanelTest, BrowsingBackAndForwardThroughFollowedLinks) {
    Page("Main.html", "<a href=\"second.html\">on</a>");
    Page("second.html", "<p>second page</p>");
    panel->DisplayFile("Main.html", true);
    Wait();
    emit panel->PageView->anchorClicked(QUrl("second.html"));
    Wait();
    EXPECT_EQ(Entries(false), Paths({"Main.html", "second.html"}));
    EXPECT_EQ(panel->PanelFileLabel->text(), "second.html");
    EXPECT_EQ(BrowserPanel::Hint(panel->HTMLBackBtn), "Main.html|");

    QTest::mouseClick(panel->HTMLBackBtn, Qt::LeftButton);
    Wait();
    EXPECT_EQ(Index(false), 0);
    EXPECT_EQ(panel->PanelFileLabel->text(), "Main.html");
    EXPECT_FALSE(panel->HTMLBackBtn->isEnabled());
    EXPECT_TRUE(panel->HTMLForwardBtn->isEnabled());
    EXPECT_EQ(BrowserPanel::Hint(panel->HTMLForwardBtn), "second.html|");

    panel->GoForward();
    Wait();
    EXPECT_EQ(Index(false), 1);
    EXPECT_TRUE(panel->PageView->toPlainText().contains("second page"));
    EXPECT_EQ(Entries(false).size(), 2u);
    EXPECT_EQ(ScreenCursor(), Qt::ArrowCursor);  // the hourglass ended with the page
    EXPECT_EQ(panel->LoadProgress->value(), 0);
}

TEST_F(BrowserPanelTest, FilesShowByKindInTheirList) {
    Page("page.htm");
    Page("notes.txt", "some notes");
    Page("archive.zip", "PK");
    WriteBytes(project.Text() + "pic.gif", EncodeGif(QuadrantPicture(20, 10)));
    WriteBytes(local.Text() + "notes.txt", "local notes");
    WriteBytes(local.Text() + "pic.gif", EncodeGif(QuadrantPicture(20, 10)));
    struct Case {
        const char* Name;
        bool Project;
        bool Html, Image, Box;
        bool DocSource;
        std::vector<std::string> Messages;
    };
    const Case cases[] = {
        {"page.htm", true, true, false, false, true, {}},
        {"notes.txt", true, true, false, false, true, {}},
        {"archive.zip", true, false, true, false, false, {"Preview Not Available!"}},
        {"pic.gif", true, false, true, true, false, {}},
        {"notes.txt", false, false, true, false, false, {}},  // no text pages from local files
        {"pic.gif", false, false, true, true, false, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.Name) + (c.Project ? " from the project" : " from local"));
        host->ProjectVisible = c.Project;
        host->LocalVisible = !c.Project;
        host->Asked.Messages.clear();
        panel->DisplayFile(c.Name, c.Project);
        Wait();
        EXPECT_EQ(!panel->PageView->isHidden(), c.Html);
        EXPECT_EQ(!panel->PictureLabel->isHidden(), c.Image);
        EXPECT_EQ(!panel->PictureBox->isHidden(), c.Box);
        EXPECT_EQ(panel->DocSourceBtn->isEnabled(), c.DocSource);
        EXPECT_EQ(host->Asked.MessageTexts(), c.Messages);
        EXPECT_EQ(host->Lowered, c.Box);  // bevels lowered for a picture only
    }
}

TEST_F(BrowserPanelTest, NothingHappensWhileTheGridHasTheProjectPane) {
    Page("page.htm");
    panel->PictureLabel->hide();  // neither the control nor the image shows
    panel->DisplayFile("page.htm", true);
    EXPECT_TRUE(panel->PanelFileLabel->text().isEmpty());
    EXPECT_FALSE(panel->PageView->Retrieving());
}

TEST_F(BrowserPanelTest, PicturesOpenScrolledInAndBrokenOnesAreReported) {
    WriteBytes(project.Text() + "wide.gif", EncodeGif(QuadrantPicture(1600, 800)));
    panel->DisplayFile("wide.gif", true);
    EXPECT_EQ(panel->PictureBox->horizontalScrollBar()->value(), 100);
    EXPECT_EQ(panel->PictureBox->verticalScrollBar()->value(), 100);
    EXPECT_EQ(panel->PictureBox->verticalScrollBar()->singleStep(), 4);

    panel->PictureBox->hide();
    WriteBytes(project.Text() + "vector.wmf", std::string("\xD7\xCD\xC6\x9A", 4) + "rest");
    panel->DisplayFile("vector.wmf", true);
    ASSERT_EQ(host->Asked.Messages.size(), 1u);
    EXPECT_NE(host->Asked.Messages[0].Text.find("vector.wmf"), std::string::npos);
    EXPECT_TRUE(panel->PictureBox->isHidden());  // the display stopped at the load
}

TEST_F(BrowserPanelTest, ButtonsFollowTheFileName) {
    struct Case {
        const char* Name;
        bool Source, Save;
        const char *SourceHint, *SaveHint, *PrintHint;
    };
    const Case cases[] = {
        {"Main.html", true, true, "Document source of \"Main.html\"|", "Save \"Main.html\" as ..|",
         "Print \"Main.html\"|"},
        {"notes.TXT", true, true, "Document source of \"notes.TXT\"|", "Save \"notes.TXT\" as ..|",
         "Print \"notes.TXT\"|"},
        {"pic.gif", false, true, "Document Source|", "Save \"pic.gif\" as ..|",
         "Print \"pic.gif\"|"},
        {"README", false, false, "Document Source|", "Save|", "Print|"},
        {"", false, false, "Document Source|", "Save|", "Print|"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        panel->PanelFileLabel->setText(c.Name);
        panel->EnableDisableHTMLButtons();
        EXPECT_EQ(panel->DocSourceBtn->isEnabled(), c.Source);
        EXPECT_EQ(panel->SavePanelFileBtn->isEnabled(), c.Save);
        EXPECT_EQ(panel->PrintBtn->isEnabled(), c.Save);
        EXPECT_EQ(BrowserPanel::Hint(panel->DocSourceBtn), c.SourceHint);
        EXPECT_EQ(BrowserPanel::Hint(panel->SavePanelFileBtn), c.SaveHint);
        EXPECT_EQ(BrowserPanel::Hint(panel->PrintBtn), c.PrintHint);
    }
}

TEST_F(BrowserPanelTest, FullScreenShowNeedsAPictureInTheVisibleList) {
    struct Case {
        std::vector<std::string> Names;
        bool Enabled;
    };
    const Case cases[] = {
        {{"a.html", "b.ico"}, true},
        {{"a.html", "b.htm", "c.txt"}, false},
        {{}, false},
        {{"PHOTO.JPEG"}, true},
        {{"x.emf", "y.zip"}, true},
    };
    for (const auto& c : cases) {
        host->Names = c.Names;
        panel->ShowFullScreenBtn->setEnabled(!c.Enabled);
        panel->EnableDisableFullScreenBtn();
        EXPECT_EQ(panel->ShowFullScreenBtn->isEnabled(), c.Enabled) << c.Names.size();
    }
}

TEST_F(BrowserPanelTest, SaveAsCopiesTheFileAndAddsItsExtension) {
    const std::string source = Page("Main.html", "<p>the page</p>");
    panel->PanelFileLabel->setText("Main.html");
    TempFolder out;
    WriteBytes(out.Text() + "old.html", "old text");
    struct Case {
        std::optional<std::string> Chosen;
        std::string Written;  // empty: nothing written
    };
    const Case cases[] = {
        {out.Text() + "copy", out.Text() + "copy.html"},
        {out.Text() + "copy.htm", out.Text() + "copy.htm"},
        {out.Text() + "old.html", out.Text() + "old.html"},  // replaced
        {std::nullopt, ""},
        {source, source},  // onto itself: the file stays whole
    };
    for (const auto& c : cases) {
        host->Asked.FileNames.push_back(c.Chosen);
        panel->SavePanelFileAs();
        if (!c.Written.empty()) {
            std::ifstream in(c.Written);
            std::string text((std::istreambuf_iterator<char>(in)), {});
            EXPECT_EQ(text, "<p>the page</p>") << c.Written;
        }
    }
    EXPECT_EQ(host->Asked.FileDialogCaptions.front(),
              "Lanternway Viewer - Save \"" + source + "\" As ..");
    EXPECT_TRUE(host->Asked.Messages.empty());
}

// With the real file dialog: a name typed without its extension gets it before the dialog asks
// whether an existing file may be replaced, so the question is about the file really written.
TEST_F(BrowserPanelTest, SaveAsAsksBeforeReplacingTheFileWithTheExtension) {
    Page("Main.html", "<p>the page</p>");
    panel->PanelFileLabel->setText("Main.html");
    TempFolder out;
    WriteBytes(out.Text() + "copy.html", "keep me");
    GuiPrompts real(&host->Window);
    host->RealPrompts = &real;
    BoxAnswerer answers;
    answers.Answers = {QMessageBox::No};
    bool typed = false;
    // Types "copy" and presses Save; after the question (answered No) the dialog is cancelled.
    QTimer::singleShot(0, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<QFileDialog*>(w);
            if (!dialog || !dialog->isVisible()) continue;
            dialog->setDirectory(QString::fromStdString(out.Text()));
            dialog->selectFile(QStringLiteral("copy"));
            typed = true;
            QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);
            answers.WaitForBoxes(1, 2000);
            if (dialog->isVisible()) dialog->reject();
        }
    });
    panel->SavePanelFileAs();
    host->RealPrompts = nullptr;
    ASSERT_TRUE(typed);
    ASSERT_EQ(answers.Texts.size(), 1u);
    EXPECT_NE(answers.Texts[0].find("copy.html"), std::string::npos) << answers.Texts[0];
    std::ifstream in(out.Text() + "copy.html");
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), {}), "keep me");
}

// The colour is the picture area's: a page on show keeps the whole pane, the next picture
// shows on the colour.
TEST_F(BrowserPanelTest, ColourLeavesAShownPageWhole) {
    panel->show();
    Page("a.html", "<p>a page</p>");
    panel->DisplayFile("a.html", true);
    Wait();
    ASSERT_FALSE(panel->PageView->isHidden());
    panel->ChooseColor = [](const QColor&) { return std::optional<QColor>(QColor(0, 128, 0)); };
    panel->ChooseBackgroundColour();
    QApplication::processEvents();
    SaveScreenshot(*panel, QStringLiteral("browser-panel-page-after-colour"));
    EXPECT_TRUE(panel->PictureBox->isHidden());
    EXPECT_FALSE(panel->PageView->isHidden());
    EXPECT_EQ(panel->PageView->height(), panel->PageView->parentWidget()->height() -
                                             panel->PageView->y() * 2);

    WriteBytes(project.Text() + "small.gif", EncodeGif(QuadrantPicture(40, 40)));
    panel->DisplayFile("small.gif", true);
    QApplication::processEvents();
    SaveScreenshot(*panel, QStringLiteral("browser-panel-picture-after-colour"));
    EXPECT_FALSE(panel->PictureBox->isHidden());
    EXPECT_EQ(panel->PictureBox->viewport()->palette().color(QPalette::Window), QColor(0, 128, 0));
}

TEST_F(BrowserPanelTest, CopiedTextHasNoMarksWherePicturesWere) {
    WriteBytes(project.Text() + "dot.gif", EncodeGif(QuadrantPicture(4, 4)));
    Page("pics.html", "<p>before <img src=\"dot.gif\"> after</p>");
    panel->DisplayFile("pics.html", true);
    Wait();
    panel->SelectAllText();
    panel->CopySelection();
    EXPECT_EQ(QApplication::clipboard()->text(), "before  after");
}

TEST_F(BrowserPanelTest, PopupMenuFollowsTheSelection) {
    Page("sel.html", "<p>select me</p>");
    panel->DisplayFile("sel.html", true);
    Wait();
    panel->UpdatePageMenu();
    EXPECT_FALSE(panel->HTMLCopy->isEnabled());
    EXPECT_FALSE(panel->HTMLPrintSelectedText->isEnabled());
    EXPECT_TRUE(panel->HTMLOpen->isEnabled());
    EXPECT_TRUE(panel->HTMLSelectAll->isEnabled());
    panel->SelectAllText();
    panel->UpdatePageMenu();
    EXPECT_TRUE(panel->HTMLCopy->isEnabled());
    EXPECT_TRUE(panel->HTMLPrintSelectedText->isEnabled());
    panel->CopySelection();
    EXPECT_EQ(QApplication::clipboard()->text(), "select me");
}

TEST_F(BrowserPanelTest, PrintAndColourCommands) {
    Page("a.html");
    panel->PanelFileLabel->setText("a.html");
    std::vector<std::string> printed;
    panel->PrintFile = [&](const std::string& path) {
        printed.push_back(path);
        return std::string("There is no default printer currently selected.");
    };
    panel->PrintPanelFile();
    EXPECT_EQ(printed, std::vector<std::string>{project.Text() + "a.html"});
    EXPECT_EQ(host->Asked.MessageTexts(),
              std::vector<std::string>{"There is no default printer currently selected."});

    panel->ChooseColor = [](const QColor&) { return std::optional<QColor>(QColor(0, 128, 0)); };
    panel->ChooseBackgroundColour();
    EXPECT_FALSE(panel->PictureBox->isHidden());
    EXPECT_EQ(panel->PictureBox->palette().color(QPalette::Window), QColor(0, 128, 0));
}

TEST_F(BrowserPanelTest, TheBottomBarSwitchesBetweenItsSets) {
    panel->VisibleHTMLButtons(true);
    EXPECT_FALSE(panel->PanelButtons->isHidden());
    EXPECT_FALSE(host->GridSet);
    EXPECT_TRUE(panel->ColorBtn->isEnabled());
    EXPECT_FALSE(panel->DocSourceBtn->isEnabled());
    panel->VisibleHTMLButtons(false);
    EXPECT_TRUE(panel->PanelButtons->isHidden());
    EXPECT_TRUE(host->GridSet);
}

TEST_F(BrowserPanelTest, MetafilesAreShownAsPictures) {
    WriteBytes(project.Text() + "drawing.wmf", EncodeWmf(64, 48, QuadrantBoxes(64, 48)));
    WriteBytes(project.Text() + "drawing.emf", EncodeEmf(80, 60, QuadrantBoxes(80, 60)));
    for (const auto& [name, size] :
         {std::pair{"drawing.wmf", QSize(64, 48)}, std::pair{"drawing.emf", QSize(80, 60)}}) {
        SCOPED_TRACE(name);
        panel->DisplayFile(name, true);
        const QImage shown = panel->PictureLabel->pixmap().toImage();
        EXPECT_EQ(shown.size(), size);
        EXPECT_EQ(shown.pixel(size.width() / 4, size.height() / 4), qRgb(255, 0, 0));
        EXPECT_EQ(shown.pixel(3 * size.width() / 4, size.height() / 4), qRgb(0, 255, 0));
        SaveScreenshot(*panel, QStringLiteral("browser-panel-") + QString::fromLatin1(name));
    }
    EXPECT_TRUE(host->Asked.Messages.empty());
}
