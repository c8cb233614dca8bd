#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include "engine/SessionView.h"
#include "support/QtApp.h"
#include "window/GridModel.h"

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
    view.SetRow(1, {"1", "http://host/", "10", "10", "Complete"});
    model.Flush();
    ASSERT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.columnCount(), 5);
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), "File");
    EXPECT_EQ(model.headerData(4, Qt::Horizontal).toString(), "State");
    EXPECT_EQ(model.data(model.index(0, 1)).toString(), "http://host/");
    EXPECT_EQ(model.data(model.index(1, 4)).toString(), "");
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
            view.SetRow(row, {std::to_string(row), "f" + std::to_string(row), "20",
                              std::to_string(bytes), "Transferring.."});
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
    view.SetCell(3, 4, "Complete");
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    ASSERT_TRUE(inserted.wait(5000));
    EXPECT_EQ(model.rowCount(), 3);
}

TEST_F(Model, ShrinkingAndEmptyingKeepTheModelConsistent) {
    view.SetGridRowCount(30);
    view.SetRow(29, {"29", "x", "1", "1", "Complete"});
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
