#include <gtest/gtest.h>

#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include "DialogTestSupport.h"
#include "support/BoxAnswerer.h"
#include "newsession/FileSizeLimitsDialog.h"
#include "support/GuiTestApp.h"

namespace {

class FileSizeDialog : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { EnsureGuiApplication(); }
    void SetUp() override {
        dialog.show();
        dialog.LimitSizesCheck->click();
    }

    // Opens the cell's editor (as a click would) and types into it.
    void TypeIntoCell(int row, int column, const QString& keys) {
        QTableWidgetItem* item = dialog.LimitsGrid->item(row, column);
        dialog.LimitsGrid->setCurrentItem(item);  // opens the editor, as the grid always shows it
        if (!dialog.LimitsGrid->indexWidget(dialog.LimitsGrid->indexFromItem(item)))
            dialog.LimitsGrid->editItem(item);  // it was current already: a click opens it
        auto* editor = qobject_cast<QLineEdit*>(
            dialog.LimitsGrid->indexWidget(dialog.LimitsGrid->indexFromItem(item)));
        ASSERT_NE(editor, nullptr);
        editor->selectAll();
        QTest::keyClicks(editor, keys);
        lastEditorText = editor->text();
        QCoreApplication::processEvents();  // the box about a refused text follows the keystroke
        if (closeEditor) QTest::keyClick(editor, Qt::Key_Return);
    }

    bool closeEditor = true;

    RecordedDialogMessages messages;
    FileSizeLimitsDialog dialog;
    QString lastEditorText;
};

struct CellCase {
    int column;
    const char* typed;
    const char* kept;
    int messageCount;
};

TEST_F(FileSizeDialog, SizeCellsTakeDigitsOnly) {
    const CellCase cases[] = {
        {1, "12", "12", 0},           {1, "12a", "200", 1},  // one message, then the cell reads 200
        {1, "x", "200", 1},           {1, "1 ", "200", 1},
        {0, ".tar.gz", ".tar.gz", 0},  // types are not examined
        {0, "1a", "1a", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        messages.Texts.clear();
        TypeIntoCell(2, c.column, c.typed);
        EXPECT_EQ(dialog.LimitsGrid->item(2, c.column)->text(), c.kept);
        EXPECT_EQ(lastEditorText, c.kept);
        EXPECT_EQ(messages.Texts.size(), c.messageCount);
        if (c.messageCount) {
            EXPECT_EQ(messages.Texts.front(), "Value must be integer");
        }
    }
}

TEST_F(FileSizeDialog, AnEmptiedSizeCellIsAccepted) {
    closeEditor = false;
    TypeIntoCell(0, 1, "5");
    QTableWidgetItem* item = dialog.LimitsGrid->item(0, 1);
    QTest::keyClick(dialog.LimitsGrid->indexWidget(dialog.LimitsGrid->indexFromItem(item)),
                    Qt::Key_Backspace);
    EXPECT_EQ(dialog.LimitsGrid->item(0, 1)->text(), "");
    EXPECT_TRUE(messages.Texts.isEmpty());
    EXPECT_EQ(dialog.Limits()[0], (FileSizeLimit{".html", std::nullopt}));
}

TEST_F(FileSizeDialog, CheckAppliesToTheSizeColumnWhereverItWasDragged) {
    dialog.LimitsGrid->horizontalHeader()->moveSection(1, 0);  // sizes now on the left
    TypeIntoCell(0, 0, "1a");  // logical type column, now second on screen
    EXPECT_EQ(messages.Texts.size(), 1);
    EXPECT_EQ(dialog.LimitsGrid->item(0, 0)->text(), "200");
    messages.Texts.clear();
    TypeIntoCell(0, 1, "abc");  // logical size column, now first on screen
    EXPECT_TRUE(messages.Texts.isEmpty());
}

TEST_F(FileSizeDialog, RowsAreReadInScreenOrder) {
    dialog.LimitsGrid->verticalHeader()->moveSection(2, 0);    // .gif row to the top
    dialog.LimitsGrid->horizontalHeader()->moveSection(1, 0);  // sizes shown first
    const std::vector<FileSizeLimit> limits = dialog.Limits();
    ASSERT_EQ(limits.size(), 9u);
    // The first column on screen is taken as the type (and lower-cased), the second as the size.
    EXPECT_EQ(std::vector<FileSizeLimit>(limits.begin(), limits.begin() + 3),
              (std::vector<FileSizeLimit>{
                  {"500", std::nullopt}, {"200", std::nullopt}, {"200", std::nullopt}}));
    dialog.LimitsGrid->horizontalHeader()->moveSection(0, 1);  // sizes back on the right
    EXPECT_EQ(dialog.Limits()[0], (FileSizeLimit{".gif", 500}));
}

TEST_F(FileSizeDialog, NewTypeAddsAnEmptyRowAtTheBottom) {
    dialog.NewTypeBtn->click();
    dialog.NewTypeBtn->click();
    ASSERT_EQ(dialog.LimitsGrid->rowCount(), 11);
    TypeIntoCell(10, 0, ".PDF");
    TypeIntoCell(10, 1, "100");
    const std::vector<FileSizeLimit> limits = dialog.Limits();
    ASSERT_EQ(limits.size(), 11u);
    EXPECT_EQ(limits[9], (FileSizeLimit{"", std::nullopt}));
    EXPECT_EQ(limits[10], (FileSizeLimit{".pdf", 100}));
}

TEST_F(FileSizeDialog, UncheckingDisablesOkAgain) {
    EXPECT_TRUE(dialog.OkBtn->isEnabled());
    dialog.LimitSizesCheck->click();
    EXPECT_FALSE(dialog.OkBtn->isEnabled() || dialog.NewTypeBtn->isEnabled() ||
                 dialog.LimitsGrid->isEnabled());
    dialog.OkBtn->click();
    EXPECT_NE(dialog.result(), QDialog::Accepted);
}

struct CaretCase {
    const char* start;
    int caret;
    const char* typed;
    const char* result;
};

// Typing in the middle of a number inserts there, as in any text field, and can be undone.
TEST_F(FileSizeDialog, TypingInsideANumberKeepsTheCaretAndTheUndoSteps) {
    const CaretCase cases[] = {
        {"5000", 1, "12", "512000"},
        {"5000", 0, "9", "95000"},
        {"200", 3, "0", "2000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.result);
        QTableWidgetItem* item = dialog.LimitsGrid->item(4, 1);
        item->setText(c.start);
        dialog.LimitsGrid->setCurrentItem(item);
        auto* editor = qobject_cast<QLineEdit*>(
            dialog.LimitsGrid->indexWidget(dialog.LimitsGrid->indexFromItem(item)));
        ASSERT_NE(editor, nullptr);
        editor->setCursorPosition(c.caret);
        QTest::keyClicks(editor, c.typed);
        EXPECT_EQ(editor->text(), c.result);
        EXPECT_EQ(item->text(), c.result);
        EXPECT_EQ(editor->cursorPosition(), c.caret + int(qstrlen(c.typed)));
        EXPECT_TRUE(editor->isUndoAvailable());
        QTest::keyClick(editor, Qt::Key_Return);
        EXPECT_EQ(item->text(), c.result);
    }
    EXPECT_TRUE(messages.Texts.isEmpty());
}

// The real box, answered by a person: it takes the focus, and the grid closes the cell's editor
// while the box is open.
class FileSizeDialogWithRealBox : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { EnsureGuiApplication(); }
};

TEST_F(FileSizeDialogWithRealBox, ALetterInASizeCellIsAnsweredAndTheCellKeeps200) {
    FileSizeLimitsDialog dialog;
    dialog.show();
    dialog.activateWindow();
    dialog.LimitSizesCheck->click();
    BoxAnswerer answers;
    for (const char* typed : {"7a", "x"}) {
        SCOPED_TRACE(typed);
        QTableWidgetItem* item = dialog.LimitsGrid->item(1, 1);
        dialog.LimitsGrid->setCurrentItem(nullptr);
        dialog.LimitsGrid->setCurrentItem(item);
        QPointer<QLineEdit> editor = qobject_cast<QLineEdit*>(
            dialog.LimitsGrid->indexWidget(dialog.LimitsGrid->indexFromItem(item)));
        ASSERT_FALSE(editor.isNull());
        editor->setFocus();
        editor->selectAll();
        const std::size_t before = answers.Texts.size();
        QTest::keyClicks(editor, typed);
        ASSERT_TRUE(answers.WaitForBoxes(before + 1));
        EXPECT_EQ(answers.Texts.back(), "Value must be integer");
        EXPECT_EQ(item->text(), "200");
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(answers.Texts.size(), 2u);
    EXPECT_EQ(dialog.Limits()[1].Kilobytes, 200);
    // The grid still takes input after the boxes.
    QTableWidgetItem* item = dialog.LimitsGrid->item(0, 1);
    dialog.LimitsGrid->setCurrentItem(item);
    auto* editor = qobject_cast<QLineEdit*>(
        dialog.LimitsGrid->indexWidget(dialog.LimitsGrid->indexFromItem(item)));
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClicks(editor, "64");
    EXPECT_EQ(item->text(), "64");
}

}  // namespace
