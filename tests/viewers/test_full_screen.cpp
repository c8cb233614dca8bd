#include <gtest/gtest.h>

#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

#include "support/MetafileFixtures.h"
#include "support/PictureFixtures.h"
#include "support/QtApp.h"
#include "support/Screenshot.h"
#include "support/ScriptedViewerDialogs.h"
#include "support/TempFolder.h"
#include "viewers/FullScreenShow.h"

namespace {

class FullScreenTest : public ::testing::Test {
  protected:
    FullScreenTest() { EnsureQtApp(); }

    // Writes small pictures (and other files) and returns their paths in the given order.
    std::vector<std::string> Files(const std::vector<std::string>& names) {
        std::vector<std::string> paths;
        for (const auto& name : names) {
            const std::string path = folder.Text() + name;
            const std::string lower = QString::fromStdString(name).toLower().toStdString();
            if (lower.ends_with(".gif"))
                WriteBytes(path, EncodeGif(QuadrantPicture(8, 8)));
            else if (lower.ends_with(".jpg"))
                WriteBytes(path, EncodeJpeg(QuadrantPicture(8, 8)));
            else if (lower.ends_with(".ico"))
                WriteBytes(path, EncodeWithQt(QuadrantPicture(16, 16), "ICO"));
            else
                WriteBytes(path, "<p>page</p>");
            paths.push_back(path);
        }
        return paths;
    }

    // A show over the project list with the given items, the selected one named.
    FullScreenShow* Open(const std::vector<std::string>& paths, const std::string& selected = {},
                          const std::string& caption = {}) {
        FullScreenShowSource source;
        source.ProjectListVisible = true;
        source.ItemPaths = paths;
        source.SelectedPath = selected;
        source.PanelFileCaption = caption;
        form = new FullScreenShow(source, prompts);
        form->PrintPicture = [this](const std::string& path) {
            printed.push_back(path);
            return printError;
        };
        return form;
    }

    std::string Shown() { return form->FileName->text().toStdString(); }

    // The window system activates the show when it comes up; the first picture follows.
    void Activate() {
        QEvent activate(QEvent::WindowActivate);
        QCoreApplication::sendEvent(form, &activate);
        QCoreApplication::sendPostedEvents(form, QEvent::MetaCall);
    }

    TempFolder folder;
    ScriptedViewerDialogs prompts;
    QPointer<FullScreenShow> form;
    std::vector<std::string> printed;
    std::string printError;

    ~FullScreenTest() override { delete form.data(); }
};

}  // namespace

TEST_F(FullScreenTest, TheRingHoldsTheListsPicturesInOrder) {
    const auto paths = Files({"a.html", "B.GIF", "c.jpg", "d.zip", "E.ico", "f.bmp.txt"});
    Open(paths);
    EXPECT_EQ(form->ImageRing(), (std::vector<std::string>{paths[1], paths[2], paths[4]}));

    FullScreenShowSource hidden;  // neither list visible: nothing to show
    hidden.ItemPaths = paths;
    FullScreenShow none(hidden, prompts);
    EXPECT_TRUE(none.ImageRing().empty());
    EXPECT_EQ(none.CurrentImage(), -1);
}

TEST_F(FullScreenTest, TheStartIsTheSelectedPictureWhenTheListSaysSo) {
    const auto paths = Files({"a.gif", "b.gif", "c.gif", "page.html"});
    struct Case {
        const char* Label;
        bool Local;
        bool Focus;
        std::string Selected;
        std::string Caption;
        int Start;
    };
    const Case cases[] = {
        {"project list, selected and shown", false, false, paths[2], "c.gif", 2},
        {"names compared ignoring case", false, false,
         QString::fromStdString(paths[1]).toUpper().toStdString(), "b.gif", 1},
        {"nothing shown in the panel", false, false, paths[2], "", 0},
        {"nothing selected", false, false, "", "c.gif", 0},
        {"selected item is not a picture", false, false, paths[3], "page.html", 0},
        {"local list with the focus", true, true, paths[1], "b.gif", 1},
        {"local list without the focus", true, false, paths[1], "b.gif", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Label);
        FullScreenShowSource source;
        source.ProjectListVisible = !c.Local;
        source.LocalListVisible = c.Local;
        source.LocalListHasFocus = c.Focus;
        source.ItemPaths = paths;
        source.SelectedPath = c.Selected;
        source.PanelFileCaption = c.Caption;
        FullScreenShow show(source, prompts);
        EXPECT_EQ(show.CurrentImage(), c.Start);
    }
}

TEST_F(FullScreenTest, KeysStepRoundTheRingAndShowLowerCaseNames) {
    const auto paths = Files({"One.gif", "Two.jpg", "Three.ico"});
    Open(paths, paths[2], "Three.ico");
    form->show();
    Activate();
    EXPECT_EQ(Shown(), "three.ico");
    struct Step {
        Qt::Key Key;
        const char* Then;
    };
    const Step steps[] = {{Qt::Key_PageDown, "one.gif"}, {Qt::Key_Down, "two.jpg"},
                          {Qt::Key_PageUp, "one.gif"},   {Qt::Key_Up, "three.ico"},
                          {Qt::Key_Up, "two.jpg"},       {Qt::Key_Right, "three.ico"},
                          {Qt::Key_Space, "one.gif"},    {Qt::Key_Left, "three.ico"}};
    for (const auto& s : steps) {
        QTest::keyClick(form, s.Key);
        EXPECT_EQ(Shown(), s.Then);
    }
    EXPECT_TRUE(prompts.Messages.empty());  // files with capitals in their names load too
}

TEST_F(FullScreenTest, OnePictureStaysOnEveryStep) {
    Open(Files({"only.gif", "page.htm"}));
    for (Qt::Key key : {Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_Up, Qt::Key_Down}) {
        QTest::keyClick(form, key);
        EXPECT_EQ(form->CurrentImage(), 0);
        EXPECT_EQ(Shown(), "only.gif");
    }
}

TEST_F(FullScreenTest, OtherKeysAndClicksShowTheHelpText) {
    Open(Files({"a.gif"}));
    int helps = 0;
    form->ShowHelp = [&] { ++helps; };
    for (Qt::Key key : {Qt::Key_F1, Qt::Key_Backspace, Qt::Key_Home, Qt::Key_Shift, Qt::Key_X}) {
        const int before = helps;
        QTest::keyClick(form, key);
        EXPECT_EQ(helps, before + 1) << key;
        EXPECT_EQ(form->CurrentImage(), 0);
    }
    form->show();
    QTest::mouseClick(form->PictureLabel, Qt::LeftButton);
    EXPECT_EQ(helps, 6);
    EXPECT_TRUE(prompts.Messages.empty());
    ASSERT_FALSE(form.isNull());  // neither closed the show
}

TEST_F(FullScreenTest, TheHelpTextIsEightLinesInTwoColumns) {
    const QStringList lines = QString(FullScreenShow::HelpText()).split('\n');
    ASSERT_EQ(lines.size(), 8);
    EXPECT_EQ(lines[0], "Press Key:");
    const char* commands[][2] = {
        {"Enter/Esc", "Close Window"},      {"P", "Print Image"},
        {"C", "Change Background Color"},   {"PageUp/Up/Left", "Go Previous Image"},
        {"PageDown/Down", "Go Next Image"}, {"Right/Space", "Go Next Image"}};
    const qsizetype column = lines[2].indexOf(" - ");
    for (int i = 0; i < 6; ++i) {
        const QString& line = lines[i + 2];
        EXPECT_FALSE(line.contains('\t')) << line.toStdString();
        EXPECT_EQ(line.left(column).trimmed(), commands[i][0]);
        EXPECT_EQ(line.mid(column), QString(" - ") + commands[i][1]);
    }
}

TEST_F(FullScreenTest, EnterAndEscapeCloseTheShow) {
    const auto paths = Files({"a.gif"});
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
        Open(paths);
        form->show();
        QTest::keyClick(form, key);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(form.isNull()) << key;
    }
}

TEST_F(FullScreenTest, BackgroundColourInvertsTheRedOfTheName) {
    Open(Files({"a.gif"}));
    struct Case {
        QColor Chosen;
        QColor Name;
    };
    const Case cases[] = {{Qt::black, QColor(255, 0, 0)},
                          {Qt::white, QColor(0, 255, 255)},
                          {QColor(10, 20, 30), QColor(245, 20, 30)}};
    for (const auto& c : cases) {
        form->ChooseColor = [&](const QColor&) { return std::optional<QColor>(c.Chosen); };
        QTest::keyClick(form, Qt::Key_C);
        EXPECT_EQ(form->FileName->palette().color(QPalette::WindowText), c.Name);
        EXPECT_EQ(form->FileName->palette().color(QPalette::Window), c.Chosen);
        EXPECT_EQ(form->PictureBox->palette().color(QPalette::Window), c.Chosen);
    }
    form->ChooseColor = [](const QColor&) { return std::optional<QColor>(); };  // Cancel
    QTest::keyClick(form, Qt::Key_C);
    EXPECT_EQ(form->FileName->palette().color(QPalette::Window), QColor(10, 20, 30));
    EXPECT_TRUE(prompts.Messages.empty());
}

TEST_F(FullScreenTest, PrintHandsOverTheCurrentPicture) {
    const auto paths = Files({"a.gif", "b.gif"});
    Open(paths);
    QTest::keyClick(form, Qt::Key_Down);
    QTest::keyClick(form, Qt::Key_P);
    EXPECT_EQ(printed, std::vector<std::string>{paths[1]});
    EXPECT_TRUE(prompts.Messages.empty());
    printError = "There is no default printer currently selected.";
    QTest::keyClick(form, Qt::Key_P);
    EXPECT_EQ(prompts.Messages, std::vector<std::string>{printError});
}

TEST_F(FullScreenTest, AnEmptyRingSaysSoAndIgnoresStepsAndPrint) {
    Open(Files({"a.html", "b.txt"}));
    Activate();
    EXPECT_EQ(prompts.Messages, std::vector<std::string>{"No image in current folder"});
    prompts.Messages.clear();
    for (Qt::Key key : {Qt::Key_PageUp, Qt::Key_Down, Qt::Key_P}) QTest::keyClick(form, key);
    EXPECT_TRUE(prompts.Messages.empty());
    EXPECT_TRUE(printed.empty());
    QTest::keyClick(form, Qt::Key_Return);  // and it still closes
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(form.isNull());
}

TEST_F(FullScreenTest, ABrokenPictureIsReportedAndTheNextKeyStepsOn) {
    auto paths = Files({"a.gif", "c.gif"});
    const std::string broken = folder.Text() + "b.jpg";
    WriteBytes(broken, "\xff\xd8\xff not really");
    paths.insert(paths.begin() + 1, broken);
    Open(paths);
    QTest::keyClick(form, Qt::Key_Down);
    ASSERT_EQ(prompts.Messages.size(), 1u);
    EXPECT_NE(prompts.Messages[0].find("b.jpg"), std::string::npos);
    EXPECT_EQ(form->CurrentImage(), 1);
    EXPECT_EQ(Shown(), "b.jpg");
    QTest::keyClick(form, Qt::Key_Down);
    EXPECT_EQ(Shown(), "c.gif");
}

TEST_F(FullScreenTest, ALargePictureOpensScrolledInABit) {
    const std::string path = folder.Text() + "big.gif";
    WriteBytes(path, EncodeGif(QuadrantPicture(1600, 800)));
    Open({path});
    form->resize(640, 480);
    form->DisplayImage(path);
    EXPECT_EQ(form->PictureBox->horizontalScrollBar()->value(), 100);
    EXPECT_EQ(form->PictureBox->verticalScrollBar()->value(), 100);
    EXPECT_EQ(form->PictureBox->horizontalScrollBar()->singleStep(), 4);
}

TEST_F(FullScreenTest, MetafilesAreShownAsPictures) {
    const std::string wmf = folder.Text() + "drawing.wmf";
    const std::string emf = folder.Text() + "drawing.emf";
    WriteBytes(wmf, EncodeWmf(64, 48, QuadrantBoxes(64, 48)));
    WriteBytes(emf, EncodeEmf(80, 60, QuadrantBoxes(80, 60)));
    Open({wmf, emf}, wmf, "drawing.wmf");
    form->resize(320, 240);
    form->show();
    Activate();
    for (const QSize size : {QSize(64, 48), QSize(80, 60)}) {
        SCOPED_TRACE(Shown());
        const QImage shown = form->PictureLabel->pixmap().toImage();
        EXPECT_EQ(shown.size(), size);
        EXPECT_EQ(shown.pixel(size.width() / 4, size.height() / 4), qRgb(255, 0, 0));
        EXPECT_EQ(shown.pixel(size.width() / 4, 3 * size.height() / 4), qRgb(0, 0, 255));
        SaveScreenshot(*form, QString::fromStdString("full-screen-" + Shown()));
        QTest::keyClick(form, Qt::Key_PageDown);
    }
    EXPECT_TRUE(prompts.Messages.empty());
}
