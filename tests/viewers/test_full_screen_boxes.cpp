// The full-screen show's boxes as a person meets them: real message boxes answered by a timer
// while their own event loops run, the show activated again when each box goes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QPointer>
#include <QTest>
#include <functional>

#include "support/BoxAnswerer.h"
#include "support/PictureFixtures.h"
#include "support/QtApp.h"
#include "support/Screenshot.h"
#include "support/TempFolder.h"
#include "viewers/FullScreenShow.h"
#include "viewers/ViewerDialogs.h"

namespace {

class FullScreenBoxes : public ::testing::Test {
  protected:
    FullScreenBoxes() { EnsureQtApp(); }
    ~FullScreenBoxes() override { delete form.data(); }

    FullScreenShow* Open(const std::vector<std::string>& names) {
        FullScreenShowSource source;
        source.ProjectListVisible = true;
        for (const auto& name : names) {
            const std::string path = folder.Text() + name;
            WriteBytes(path, name.starts_with("bad") ? std::string("GIF89a damaged")
                                                     : EncodeGif(QuadrantPicture(8, 8)));
            source.ItemPaths.push_back(path);
        }
        form = new FullScreenShow(source, prompts);
        form->PrintPicture = [this](const std::string&) { return printError; };
        form->show();
        return form;
    }

    // The window system activates the show when it comes up and each time a box over it goes.
    void Activate() {
        QEvent activate(QEvent::WindowActivate);
        QCoreApplication::sendEvent(form, &activate);
        QCoreApplication::sendPostedEvents(form, QEvent::MetaCall);  // the first picture follows
    }

    std::string Shown() { return form->FileName->text().toStdString(); }

    TempFolder folder;
    QtViewerDialogs prompts;
    BoxAnswerer boxes;
    QPointer<FullScreenShow> form;
    std::string printError;
};

// Whether any family of this machine is really fixed-pitch: without one, nothing can line the
// help's columns up.
bool MachineHasAFixedPitchFont() {
    for (const QString& family : QFontDatabase::families()) {
        QFont font;
        font.setFamilies({family});
        if (QFontInfo(font).fixedPitch()) return true;
    }
    return false;
}

}  // namespace

TEST_F(FullScreenBoxes, APictureThatCannotBeShownIsReportedOnceAndTheNextKeyStepsOn) {
    Open({"bad.gif", "good.gif"});
    Activate();
    ASSERT_EQ(boxes.Texts.size(), 1u);
    EXPECT_NE(boxes.Texts[0].find("bad.gif"), std::string::npos);
    Activate();  // as the end of the box does
    BoxAnswerer::Idle(200);
    EXPECT_EQ(boxes.Texts.size(), 1u);
    QTest::keyClick(form, Qt::Key_Down);
    EXPECT_EQ(Shown(), "good.gif");
    Activate();
    QTest::keyClick(form, Qt::Key_Return);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(form.isNull());
    EXPECT_EQ(boxes.Texts.size(), 1u);
}

TEST_F(FullScreenBoxes, TheEmptyShowSaysSoOnceAndEnterCloses) {
    Open({});
    Activate();
    Activate();
    BoxAnswerer::Idle(100);
    EXPECT_EQ(boxes.Texts, std::vector<std::string>{"No image in current folder"});
    QTest::keyClick(form, Qt::Key_Return);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(form.isNull());
}

TEST_F(FullScreenBoxes, TheKeyHelpIsEightUnwrappedLinesInAFixedWidthFont) {
    Open({"a.gif"});
    Activate();
    bool fixed = false;
    bool fits = false;
    int lines = 0;
    boxes.OnBox = [&](QMessageBox& box) {
        auto* label = box.findChild<QLabel*>("qt_msgbox_label");
        ASSERT_NE(label, nullptr);
        fixed = QFontInfo(label->font()).fixedPitch();
        lines = static_cast<int>(label->text().split('\n').size());
        // One text line per line: the label is as wide as the longest one.
        const QFontMetrics metrics(label->font());
        fits = !label->wordWrap() &&
               label->width() >=
                   metrics.horizontalAdvance("C                  - Change Background Color");
        SaveScreenshot(box, "full-screen-help");
    };
    QTest::keyClick(form, Qt::Key_X);
    ASSERT_EQ(boxes.Texts.size(), 1u);
    // Whatever the desktop's fixed font turns out to be (some map it to a family with wider
    // symbols), a family that is really fixed-pitch is used when the machine has one.
    if (MachineHasAFixedPitchFont()) {
        EXPECT_TRUE(fixed);
    }
    EXPECT_TRUE(fits);
    EXPECT_EQ(lines, 8);
    QTest::keyClick(form, Qt::Key_Down);  // the show goes on after the help
    EXPECT_EQ(Shown(), "a.gif");
}

TEST_F(FullScreenBoxes, AFailedPrintSaysWhy) {
    Open({"a.gif"});
    Activate();
    printError = "There is no default printer currently selected.";
    QTest::keyClick(form, Qt::Key_P);
    EXPECT_EQ(boxes.Texts, std::vector<std::string>{printError});
}

// The window that had the focus is told it lost it after the show has been told it got it:
// a box raised inside the show's activation would let that window close and go first.
TEST_F(FullScreenBoxes, TheWindowBehindMayCloseWhileTheFirstBoxIsUp) {
    QPointer<QWidget> behind = new QWidget;
    behind->setAttribute(Qt::WA_DeleteOnClose);
    behind->show();
    behind->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(behind));
    boxes.OnBox = [&](QMessageBox&) {
        if (!behind) return;
        behind->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    Open({});
    form->activateWindow();
    ASSERT_TRUE(boxes.WaitForBoxes(1));
    EXPECT_EQ(boxes.Texts, std::vector<std::string>{"No image in current folder"});
    EXPECT_TRUE(behind.isNull());
}

// A show closed while one of its boxes is up (by a timer, the end of a session) goes once the
// box has: the box is the show's own, so the handler that raised it returns into a live show,
// and the box opens over the full-screen window rather than behind it.
TEST_F(FullScreenBoxes, AShowClosedUnderItsBoxGoesAfterTheBox) {
    struct Case {
        const char* Name;
        std::vector<std::string> Pictures;
        std::function<void(FullScreenShow&)> raiseBox;
    };
    const Case cases[] = {
        {"first picture cannot be shown", {"bad.gif"}, [this](FullScreenShow&) { Activate(); }},
        {"no picture at all", {}, [this](FullScreenShow&) { Activate(); }},
        {"failed print", {"a.gif"},
         [this](FullScreenShow& show) {
             Activate();
             printError = "There is no default printer currently selected.";
             QTest::keyClick(&show, Qt::Key_P);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        boxes.Texts.clear();
        printError.clear();
        Open(c.Pictures);
        bool ownedByShow = false;
        boxes.OnBox = [&](QMessageBox& box) {
            ownedByShow = box.parentWidget() == form.data();
            if (!form) return;
            form->close();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            EXPECT_FALSE(form.isNull()) << "deleted under its own box";
        };
        c.raiseBox(*form);
        ASSERT_EQ(boxes.Texts.size(), 1u);
        EXPECT_TRUE(ownedByShow);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(form.isNull()) << "gone once the box has";
        boxes.OnBox = nullptr;
    }
}
