#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QWindow>
#include <fstream>
#include <functional>

#include "window/PleaseWaitPanel.h"
#include "support/GuiTestApp.h"
#include "support/Screenshot.h"
#include "support/TempFolder.h"
#include "window/GuiPrompts.h"
#include "window/ConversionProgress.h"

namespace {

using Kind = SessionPrompts::Kind;
using Buttons = SessionPrompts::Buttons;
using Answer = SessionPrompts::Answer;

// Runs `act` on the modal window of type W as soon as it is open.
template <typename W>
void WhenOpen(std::function<void(W&)> act) {
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [act, poll] {
        if (auto* w = qobject_cast<W*>(QApplication::activeModalWidget())) {
            act(*w);
            *poll = nullptr;  // break the cycle
            return;
        }
        QTimer::singleShot(10, *poll);
    };
    QTimer::singleShot(0, *poll);
}

class GuiPromptsTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { EnsureGuiApplication(); }
    GuiPrompts prompts;
};

TEST(QtFileFilter, PipeSeparatedFiltersBecomeDialogFilters) {
    struct Case {
        const char* filter;
        const char* qt;
        const char* suffix;
    };
    const Case cases[] = {
        {"Lanternway Session Files(*.lwa)|*.lwa|", "Lanternway Session Files (*.lwa)", "lwa"},
        {"Web Pages|*.htm;*.html|All Files (*.*)|*.*", "Web Pages (*.htm *.html);;All Files (*.*)",
         "htm"},
        {"All Files|*.*|", "All Files (*.*)", ""},
        {"|*.txt|", "*.txt", "txt"},
        {"Nothing|", "", ""},
        {"Empty|;|Text|*.txt", "Text (*.txt)", "txt"},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.filter);
        EXPECT_EQ(QtFileFilter(c.filter), c.qt);
        EXPECT_EQ(DefaultSuffix(c.filter), c.suffix);
    }
}

TEST_F(GuiPromptsTest, MessageBoxesHaveTheirButtonsAndIcons) {
    struct Case {
        Kind kind;
        Buttons buttons;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons set;
        QMessageBox::StandardButton press;  // NoButton: Escape
        Answer answer;
    };
    const Case cases[] = {
        {Kind::Plain, Buttons::Ok, QMessageBox::NoIcon, QMessageBox::Ok, QMessageBox::Ok,
         Answer::Ok},
        {Kind::Information, Buttons::Ok, QMessageBox::Information, QMessageBox::Ok,
         QMessageBox::NoButton, Answer::Ok},
        {Kind::Warning, Buttons::OkCancel, QMessageBox::Warning,
         QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel, Answer::Cancel},
        {Kind::Warning, Buttons::OkCancel, QMessageBox::Warning,
         QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::NoButton, Answer::Cancel},
        {Kind::Confirmation, Buttons::OkCancel, QMessageBox::Question,
         QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok, Answer::Ok},
        {Kind::Confirmation, Buttons::YesNo, QMessageBox::Question,
         QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes, Answer::Yes},
        {Kind::Confirmation, Buttons::YesNo, QMessageBox::Question,
         QMessageBox::Yes | QMessageBox::No, QMessageBox::NoButton, Answer::No},
        {Kind::Error, Buttons::Ok, QMessageBox::Critical, QMessageBox::Ok, QMessageBox::Ok,
         Answer::Ok},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(&c - cases));
        QMessageBox::Icon icon{};
        QMessageBox::StandardButtons set{};
        QString text;
        Qt::TextFormat format{};
        WhenOpen<QMessageBox>([&](QMessageBox& box) {
            icon = box.icon();
            set = box.standardButtons();
            text = box.text();
            format = box.textFormat();
            if (c.press == QMessageBox::NoButton)
                QTest::keyClick(&box, Qt::Key_Escape);
            else
                box.button(c.press)->click();
        });
        Answer answer = prompts.Message("Source directory \"/p/<x>\" does not exist.\r\nSelect.",
                                        c.kind, c.buttons);
        EXPECT_EQ(answer, c.answer);
        EXPECT_EQ(icon, c.icon);
        EXPECT_EQ(set, c.set);
        // Paths are shown as they are: never read as markup, line breaks kept.
        EXPECT_EQ(text, "Source directory \"/p/<x>\" does not exist.\nSelect.");
        EXPECT_EQ(format, Qt::PlainText);
    }
}

TEST_F(GuiPromptsTest, ABareCarriageReturnBreaksTheLine) {
    QString text;
    WhenOpen<QMessageBox>([&](QMessageBox& box) {
        text = box.text();
        box.button(QMessageBox::No)->click();
    });
    prompts.Message("Are you sure you want to delete file\r\"/p/a.html\"?", Kind::Confirmation,
                    Buttons::YesNo);
    EXPECT_EQ(text, "Are you sure you want to delete file\n\"/p/a.html\"?");
}

TEST_F(GuiPromptsTest, SaveDialogAddsTheExtensionBeforeAskingAboutOverwriting) {
    TempFolder folder;
    const std::string filter = "Lanternway Session Files(*.lwa)|*.lwa|";
    QStringList filters;
    WhenOpen<QFileDialog>([&](QFileDialog& dialog) {
        filters = dialog.nameFilters();
        dialog.selectFile(QString::fromStdString(folder.Text() + "site"));
        static_cast<QDialog&>(dialog).accept();  // as the Save button does
    });
    auto chosen = prompts.SaveFileName("Save Lanternway Session As ..", filter, "");
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(*chosen, folder.Text() + "site.lwa");
    EXPECT_EQ(filters, QStringList{"Lanternway Session Files (*.lwa)"});

    // "site" now means the existing site.lwa: the person is asked, and may say No.
    std::ofstream(folder.Text() + "site.lwa") << "x";
    bool asked = false;
    WhenOpen<QFileDialog>([&](QFileDialog& dialog) {
        WhenOpen<QMessageBox>([&](QMessageBox& box) {
            asked = true;
            box.button(QMessageBox::No)->click();
            QTimer::singleShot(0, &dialog, &QFileDialog::reject);
        });
        dialog.selectFile(QString::fromStdString(folder.Text() + "site"));
        static_cast<QDialog&>(dialog).accept();  // as the Save button does
    });
    EXPECT_FALSE(prompts.SaveFileName("Save Lanternway Session As ..", filter, "").has_value());
    EXPECT_TRUE(asked);
}

TEST_F(GuiPromptsTest, OpenDialogCancelGivesNothing) {
    WhenOpen<QFileDialog>([](QFileDialog& dialog) { dialog.reject(); });
    EXPECT_FALSE(prompts.OpenFileName("Open", "Lanternway Session Files(*.lwa)|*.lwa|"));
}

TEST_F(GuiPromptsTest, ConversionWindowFollowsTheRun) {
    prompts.ConversionShow();
    ConversionProgress* window = prompts.ConversionWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->size(), QSize(366, 94));
    EXPECT_TRUE(window->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(window->StepLabel->text(), "Updating HTML links for off line browsing..");
    EXPECT_NE(QApplication::overrideCursor(), nullptr);

    prompts.ConversionUpdate("Deleting HTML Files..", "/p/Main.html", 50);
    EXPECT_EQ(window->StepLabel->text(), "Deleting HTML Files..");
    EXPECT_EQ(window->CurrentFileLabel->text(), "/p/Main.html");
    EXPECT_TRUE(window->CurrentFileLabel->isVisibleTo(window));
    EXPECT_EQ(window->ProgressGauge->PercentDone(), 50);

    prompts.ConversionUpdate("Updating Complete!", "", 100);
    EXPECT_FALSE(window->CurrentFileLabel->isVisibleTo(window));
    EXPECT_EQ(window->ProgressGauge->PercentDone(), 100);

    prompts.ConversionClose();
    EXPECT_EQ(prompts.ConversionWindow(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    prompts.ConversionClose();  // a second close is harmless
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// The conversion holds the event loop between its updates (as the real one does, busy with the
// pages): the window is on screen when ConversionShow returns, and each due update paints it.
TEST_F(GuiPromptsTest, ConversionWindowPaintsThoughTheLoopIsHeld) {
    struct PaintCounter : QObject {
        int Paints = 0;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint) ++Paints;
            return false;
        }
    } counter;
    prompts.ConversionShow();
    ConversionProgress* window = prompts.ConversionWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_NE(window->windowHandle(), nullptr);
    EXPECT_TRUE(window->windowHandle()->isExposed());
    window->ProgressGauge->installEventFilter(&counter);
    for (int step = 1; step <= 5; ++step) {
        QThread::msleep(ConversionProgress::PaintInterval + 5);  // converting, no events
        prompts.ConversionUpdate("Updating HTML links for off line browsing..",
                                 "/p/page" + std::to_string(step) + ".html", step * 15);
    }
    EXPECT_GE(counter.Paints, 5);
    SaveScreenshot(*window, QStringLiteral("conversion-progress-75"));
    prompts.ConversionClose();
}

TEST_F(GuiPromptsTest, LongFileNamesAreShortenedInTheMiddle) {
    prompts.ConversionShow();
    const std::string name = "/home/someone/" + std::string(200, 'x') + "/Main.html";
    prompts.ConversionUpdate("Updating HTML links for off line browsing..", name, 0);
    ConversionProgress* window = prompts.ConversionWindow();
    EXPECT_EQ(window->CurrentFileName().toStdString(), name);
    EXPECT_TRUE(window->CurrentFileLabel->text().startsWith("/home/"));
    EXPECT_TRUE(window->CurrentFileLabel->text().endsWith("Main.html"));
    EXPECT_LE(window->CurrentFileLabel->sizeHint().width(), window->CurrentFileLabel->width());
    prompts.ConversionClose();
}

TEST_F(GuiPromptsTest, PauseLetsTimersAndTransfersGoOn) {
    bool fired = false;
    QTimer::singleShot(10, [&] { fired = true; });
    prompts.Pause(200);
    EXPECT_TRUE(fired);
}

TEST_F(GuiPromptsTest, WaitPanelAndBusyCursorNest) {
    prompts.SetBusyCursor(true);
    prompts.WaitShow("Please Wait.", "Loading Session..");
    ASSERT_NE(prompts.WaitPanel(), nullptr);
    EXPECT_EQ(prompts.WaitPanel()->MessageLabel->text(), "Loading Session..");
    prompts.WaitPicture(1);
    EXPECT_EQ(prompts.WaitPanel()->CurrentPicture(), 1);
    prompts.WaitClose();
    EXPECT_EQ(prompts.WaitPanel(), nullptr);
    EXPECT_NE(QApplication::overrideCursor(), nullptr);  // the outer busy span goes on
    prompts.SetBusyCursor(false);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    prompts.SetBusyCursor(false);  // unmatched: ignored
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
