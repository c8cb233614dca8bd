#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QColor>
#include <QSignalSpy>

#include "engine/SessionView.h"
#include "support/QtApp.h"
#include "window/GridModel.h"
#include "support/RowCells.h"

namespace {

class Model : public ::testing::Test {
  protected:
    void SetUp() override { EnsureQtApp(); }
    SessionView view;
    GridModel model{view};
    QAbstractItemModelTester tester{&model, QAbstractItemModelTester::FailureReportingMode::Fatal};
};

}  // namespace

TEST_F(Model, HeaderAndRowsMirrorTheView) {
    view.SetGridRowCount(3);
    view.SetRow(1, RowOf({"1", "http://host/", "10", "10", "Complete"}));
    model.Flush();
    ASSERT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.columnCount(), 5);
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), "File");
    EXPECT_EQ(model.headerData(4, Qt::Horizontal).toString(), "State");
    EXPECT_EQ(model.data(model.index(0, 1)).toString(), "http://host/");
    EXPECT_EQ(model.data(model.index(1, 4)).toString(), "");
}

// The model alone turns a typed row into the grid's words and colours.
TEST_F(Model, StatesReadAsTheGridsWordsAndColours) {
    struct Case {
        FileRow row;
        const char* texts[5];
        QColor stateColour;  // invalid: the grid's own text colour
    } cases[] = {
        {{2, "a.gif", 900, 300, FileState::Transferring, {}},
         {"2", "a.gif", "900", "300", "Transferring.."}, QColor(0x80, 0x00, 0x80)},
        {{2, "a.gif", 0, 0, FileState::Initiated, {}}, {"2", "a.gif", "0", "0", "Initiated.."},
         QColor(0x80, 0x00, 0x80)},
        {{2, "Password protected file [p.html]", UnknownByteCount, 0, FileState::Retrieving, {}},
         {"2", "Password protected file [p.html]", "Unknown", "0", "Retrieving.."},
         QColor(0xFF, 0xFF, 0x00)},
        {{2, "a.gif", NoByteCount, 0, FileState::Retrying, {}}, {"2", "a.gif", "", "0", "Retrying.."},
         QColor()},
        {{2, "a.zip", 90000, 0, FileState::Ignored, "a.zip answered 404 Not Found"},
         {"2", "a.zip", "90000", "0", "Ignored"}, QColor(0xFF, 0x00, 0x00)},
        {{0, "EMailAddress.html", 13, 13, FileState::Complete, {}},
         {"", "EMailAddress.html", "13", "13", "Complete"}, QColor()},
        {{}, {"", "", "", "", ""}, QColor()},
    };
    view.SetGridRowCount(3);
    view.SelectRow(1);
    model.Flush();
    for (const Case& c : cases) {
        view.SetRow(2, c.row);
        for (int column = 0; column < 5; ++column)
            EXPECT_EQ(model.index(1, column).data().toString().toStdString(), c.texts[column])
                << c.texts[4] << " column " << column;
        EXPECT_EQ(model.index(1, 4).data(Qt::ForegroundRole).value<QColor>(), c.stateColour)
            << c.texts[4];
    }
}

TEST_F(Model, ABusyRunIsAnnouncedOncePerFlush) {
    view.SetGridRowCount(2);
    model.Flush();
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    // Fifty workers start and report progress many times before the views hear of it.
    for (int row = 1; row <= 50; ++row) {
        view.SetGridRowCount(row + 1);
        for (int bytes = 0; bytes < 20; ++bytes)
            view.SetRow(row, RowOf({std::to_string(row), "f" + std::to_string(row), "20",
                              std::to_string(bytes), "Transferring.."}));
    }
    EXPECT_EQ(inserted.count(), 0);
    EXPECT_EQ(changed.count(), 0);
    model.Flush();
    EXPECT_EQ(inserted.count(), 1);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(model.rowCount(), 50);
    EXPECT_EQ(model.data(model.index(49, 3)).toString(), "19");
    model.Flush();  // nothing new: nothing announced
    EXPECT_EQ(changed.count(), 1);
}

TEST_F(Model, TheTimerFlushesWithoutHelp) {
    view.SetGridRowCount(4);
    view.ChangeRow(3, [](FileRow& row) { row.State = FileState::Complete; });
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    ASSERT_TRUE(inserted.wait(5000));
    EXPECT_EQ(model.rowCount(), 3);
}

TEST_F(Model, ShrinkingAndEmptyingKeepTheModelConsistent) {
    view.SetGridRowCount(30);
    view.SetRow(29, RowOf({"29", "x", "1", "1", "Complete"}));
    model.Flush();
    // The failed start of a session: row 1 emptied, eleven rows again.
    view.SetGridRowCount(11);
    view.ClearDataRows();
    EXPECT_EQ(model.data(model.index(28, 1)).toString(), "");  // gone, not yet announced
    model.Flush();
    EXPECT_EQ(model.rowCount(), 10);
    view.SetGridRowCount(1);
    model.Flush();
    EXPECT_EQ(model.rowCount(), 0);
}
