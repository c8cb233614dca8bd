#include "window/GridModel.h"

#include <algorithm>

#include "engine/SessionView.h"

GridModel::GridModel(SessionView& view, QObject* parent)
    : QAbstractTableModel(parent), view_(view), shownRows_(view.GridRowCount() - 1) {
    flushTimer_.setSingleShot(true);
    flushTimer_.setInterval(FlushInterval);
    connect(&flushTimer_, &QTimer::timeout, this, &GridModel::Flush);
    connect(&view_, &SessionView::GridCellsChanged, this, &GridModel::NoteCells);
    connect(&view_, &SessionView::GridRowCountChanged, this, &GridModel::NoteRowCount);
}

int GridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : shownRows_;
}

int GridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 5;
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= shownRows_) return {};
    if (role == Qt::ToolTipRole || role == Qt::StatusTipRole) {
        // A file that was not retrieved says why, wherever the mouse rests on its row.
        const std::string& failure = view_.RowFailure(index.row() + 1);
        if (!failure.empty()) return QString::fromStdString(failure);
        if (role == Qt::StatusTipRole) return QString();
    } else if (role != Qt::DisplayRole) {
        return {};
    }
    // Rows announced but since removed by the engine read as empty until the next flush.
    return QString::fromStdString(view_.Cell(index.row() + 1, index.column()));
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 || section > 4)
        return QAbstractTableModel::headerData(section, orientation, role);
    return QString::fromStdString(view_.Cell(0, section));
}

void GridModel::NoteCells(int firstRow, int lastRow) {
    if (firstRow <= 0) headerDirty_ = true;
    firstRow = std::max(firstRow, 1);
    if (lastRow < firstRow) {
        Schedule();
        return;
    }
    dirtyFirst_ = dirtyFirst_ < 0 ? firstRow : std::min(dirtyFirst_, firstRow);
    dirtyLast_ = std::max(dirtyLast_, lastRow);
    Schedule();
}

void GridModel::NoteRowCount() {
    Schedule();
}

void GridModel::Schedule() {
    if (!flushTimer_.isActive()) flushTimer_.start();
}

void GridModel::Flush() {
    flushTimer_.stop();
    const int wanted = view_.GridRowCount() - 1;
    if (wanted > shownRows_) {
        beginInsertRows({}, shownRows_, wanted - 1);
        shownRows_ = wanted;
        endInsertRows();
    } else if (wanted < shownRows_) {
        beginRemoveRows({}, wanted, shownRows_ - 1);
        shownRows_ = wanted;
        endRemoveRows();
    }
    if (headerDirty_) {
        headerDirty_ = false;
        emit headerDataChanged(Qt::Horizontal, 0, 4);
    }
    if (dirtyFirst_ >= 1) {
        // Grid rows to model rows, clipped to what the views know.
        const int first = dirtyFirst_ - 1;
        const int last = std::min(dirtyLast_ - 1, shownRows_ - 1);
        dirtyFirst_ = dirtyLast_ = -1;
        if (first <= last) emit dataChanged(index(first, 0), index(last, 4), {Qt::DisplayRole});
    }
}
