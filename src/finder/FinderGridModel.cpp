#include "finder/FinderGridModel.h"

#include <QApplication>
#include <QPalette>

FinderGridModel::FinderGridModel(int rows, QObject* parent)
    : QAbstractTableModel(parent), rows_(static_cast<std::size_t>(rows)) {}

int FinderGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int FinderGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 5;
}

QVariant FinderGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const int col = index.column();
    switch (role) {
        case Qt::DisplayRole:
            return QString::fromStdString(rows_[static_cast<std::size_t>(index.row())][col]);
        case Qt::TextAlignmentRole:
            if (col == 0) return int(Qt::AlignCenter);
            if (col == 2) return int(Qt::AlignRight | Qt::AlignVCenter);
            return int(Qt::AlignLeft | Qt::AlignVCenter);
        case Qt::BackgroundRole:
            if (col == 0) return QApplication::palette().button();
            return {};
        default:
            return {};
    }
}

QVariant FinderGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    static const char* const titles[] = {"", "File", "Size (KB)", "Modified", "Attr."};
    if (orientation != Qt::Horizontal || section < 0 || section > 4) return {};
    if (role == Qt::DisplayRole) return QString(titles[section]);
    return {};
}

Qt::ItemFlags FinderGridModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    if (index.column() == 0) return Qt::ItemIsEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void FinderGridModel::SetCell(int row, int col, const std::string& text) {
    if (row < 0 || row >= rowCount() || col < 0 || col > 4) return;
    auto& cell = rows_[static_cast<std::size_t>(row)][col];
    if (cell == text) return;
    cell = text;
    const QModelIndex i = index(row, col);
    emit dataChanged(i, i, {Qt::DisplayRole});
}

void FinderGridModel::SetRow(int row, const Row& cells) {
    if (row < 0 || row >= rowCount()) return;
    rows_[static_cast<std::size_t>(row)] = cells;
    emit dataChanged(index(row, 0), index(row, 4), {Qt::DisplayRole});
}

void FinderGridModel::SetRowCount(int rows) {
    rows = std::max(rows, 0);
    const int now = rowCount();
    if (rows > now) {
        beginInsertRows({}, now, rows - 1);
        rows_.resize(static_cast<std::size_t>(rows));
        endInsertRows();
    } else if (rows < now) {
        beginRemoveRows({}, rows, now - 1);
        rows_.resize(static_cast<std::size_t>(rows));
        endRemoveRows();
    }
}

void FinderGridModel::ClearCells() {
    if (rows_.empty()) return;
    for (auto& r : rows_) r = Row{};
    emit dataChanged(index(0, 0), index(rowCount() - 1, 4), {Qt::DisplayRole});
}
