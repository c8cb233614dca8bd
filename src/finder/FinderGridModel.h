#pragma once

#include <QAbstractTableModel>
#include <array>
#include <string>
#include <vector>

// The finder's result grid as plain rows of five texts. Column 0 holds the row numbers and is
// drawn like a fixed column: never selected, in the colour of buttons.
class FinderGridModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    using Row = std::array<std::string, 5>;

    explicit FinderGridModel(int rows, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    const std::string& Cell(int row, int col) const { return rows_.at(row)[col]; }
    void SetCell(int row, int col, const std::string& text);
    void SetRow(int row, const Row& cells);
    void SetRowCount(int rows);
    void ClearCells();

  private:
    std::vector<Row> rows_;
};
