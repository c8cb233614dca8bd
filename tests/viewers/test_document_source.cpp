#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QPointer>
#include <QTextEdit>

#include "support/QtApp.h"
#include "support/ScriptedViewerDialogs.h"
#include "support/TempFolder.h"
#include "viewers/DocumentSourceWindow.h"
#include "viewers/Printing.h"

namespace {

class DocumentSourceTest : public ::testing::Test {
  protected:
    DocumentSourceTest() {
        EnsureQtApp();
        owner = new QWidget;
    }
    ~DocumentSourceTest() override {
        delete owner.data();
        SetPrintToFile("");
    }
    std::string Write(const std::string& name, const std::string& text) {
        const std::string path = folder.Text() + name;
        FILE* f = fopen(path.c_str(), "wb");
        fwrite(text.data(), 1, text.size(), f);
        fclose(f);
        return path;
    }

    TempFolder folder;
    ScriptedViewerDialogs prompts;
    QPointer<QWidget> owner;
};

}  // namespace

TEST_F(DocumentSourceTest, ShowsTheFilesRawTextUnderItsPath) {
    const std::string path = Write("Main.html", "<html>\r\n<b>bold</b>\r\n</html>");
    DocumentSourceWindow* form = OpenDocumentSource(owner, path, prompts);
    EXPECT_EQ(form->windowTitle().toStdString(), "Document Source - " + path);
    EXPECT_EQ(form->SourceText->toPlainText(), "<html>\n<b>bold</b>\n</html>");
    EXPECT_TRUE(form->SourceText->isReadOnly());
    EXPECT_EQ(form->size(), QSize(435, 300));
    EXPECT_TRUE(form->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(prompts.Messages.empty());
}

TEST_F(DocumentSourceTest, AnUnreadableFileIsReportedAndTheWindowStaysEmpty) {
    const std::string path = folder.Text() + "missing.html";
    QPointer<DocumentSourceWindow> form = OpenDocumentSource(owner, path, prompts);
    ASSERT_EQ(prompts.Messages.size(), 1u);
    EXPECT_NE(prompts.Messages[0].find(path), std::string::npos);
    EXPECT_EQ(prompts.MessageKinds[0], SessionPrompts::Kind::Error);
    ASSERT_FALSE(form.isNull());
    EXPECT_EQ(prompts.MessageOwners[0], form.data()) << "the window stays on top: its own box";
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->SourceText->toPlainText().isEmpty());
}

TEST_F(DocumentSourceTest, WordWrapTogglesAndTheBoxStaysReadOnly) {
    DocumentSourceWindow* form = OpenDocumentSource(owner, Write("a.txt", "text"), prompts);
    EXPECT_TRUE(form->WordWrapAction->isChecked());
    EXPECT_EQ(form->SourceText->lineWrapMode(), QTextEdit::WidgetWidth);
    form->ToggleWordWrap();
    EXPECT_FALSE(form->WordWrapAction->isChecked());
    EXPECT_EQ(form->SourceText->lineWrapMode(), QTextEdit::NoWrap);
    form->WordWrapAction->trigger();  // the menu item does the same
    EXPECT_TRUE(form->WordWrapAction->isChecked());
    EXPECT_EQ(form->SourceText->lineWrapMode(), QTextEdit::WidgetWidth);
    EXPECT_TRUE(form->SourceText->isReadOnly());
}

TEST_F(DocumentSourceTest, MenuItemsCarryTheirCaptionsShortcutsAndHints) {
    DocumentSourceWindow form(owner, prompts);
    struct Item {
        QAction* Action;
        const char* Caption;
        const char* Shortcut;
        const char* Hint;
    };
    const Item items[] = {
        {form.CopyAction, "&Copy", "Ctrl+C", "Copy selected item to clipboard"},
        {form.SelectAllAction, "Select A&ll", "Ctrl+A", "Select all items"},
        {form.WordWrapAction, "&Word Wrap", "", "Word Wrap"},
        {form.FontAction, "&Font...", "Alt+F", "Select font properties"},
        {form.PrintAction, "&Print", "Ctrl+P", "Print current document"},
        {form.CloseAction, "&Close", "Alt+X", "Close active window"},
    };
    for (const auto& item : items) {
        SCOPED_TRACE(item.Caption);
        EXPECT_EQ(item.Action->text(), item.Caption);
        EXPECT_EQ(item.Action->shortcut(), QKeySequence(item.Shortcut));
        EXPECT_EQ(item.Action->statusTip(), item.Hint);
    }
    EXPECT_EQ(form.SourceMenu->actions().size(), 8);  // with the two separators
}

TEST_F(DocumentSourceTest, CopySelectAllAndFont) {
    DocumentSourceWindow* form = OpenDocumentSource(owner, Write("a.txt", "alpha beta"), prompts);
    form->SelectAllText();
    form->CopySelection();
    EXPECT_EQ(QApplication::clipboard()->text(), "alpha beta");

    QFont chosen("DejaVu Serif");
    chosen.setPointSize(17);
    form->ChooseFont = [&](const QFont&) { return std::optional<QFont>(chosen); };
    form->SourceText->moveCursor(QTextCursor::End);
    form->ChooseSourceFont();
    QTextCursor start(form->SourceText->document());
    start.movePosition(QTextCursor::NextCharacter);
    EXPECT_EQ(start.charFormat().font().pointSize(), 17);  // all text, not only at the caret

    form->ChooseFont = [](const QFont&) { return std::optional<QFont>(); };  // Cancel
    form->SourceText->moveCursor(QTextCursor::Start);
    form->ChooseSourceFont();
    EXPECT_EQ(start.charFormat().font().pointSize(), 17);
}

TEST_F(DocumentSourceTest, WindowsAreIndependentAndCloseWithTheirOpener) {
    QPointer<DocumentSourceWindow> first = OpenDocumentSource(owner, Write("a.txt", "A"), prompts);
    QPointer<DocumentSourceWindow> second = OpenDocumentSource(owner, Write("b.txt", "B"), prompts);
    ASSERT_NE(first.data(), second.data());
    first->CloseSource();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());
    ASSERT_FALSE(second.isNull());
    EXPECT_EQ(second->SourceText->toPlainText(), "B");
    delete owner.data();
    EXPECT_TRUE(second.isNull());
}

TEST_F(DocumentSourceTest, PrintsTheWholeTextAsOneJob) {
    const std::string pdf = folder.Text() + "out.pdf";
    SetPrintToFile(pdf);
    DocumentSourceWindow* form = OpenDocumentSource(owner, Write("a.txt", "printed text"), prompts);
    form->PrintSource();
    EXPECT_TRUE(prompts.Messages.empty());
    FILE* f = fopen(pdf.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    char head[5] = {};
    EXPECT_EQ(fread(head, 1, 4, f), 4u);
    fclose(f);
    EXPECT_STREQ(head, "%PDF");
}
