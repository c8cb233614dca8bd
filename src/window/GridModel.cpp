#include "window/GridModel.h"

#include <QColor>
#include <algorithm>

#include "engine/SessionView.h"
#include "window/GridRules.h"

namespace {

const char* const HeaderWords[GridColumnCount] = {"", "File", "Total Bytes", "Transferred",
                                                  "State"};

const char* StateWord(FileState state) {
    switch (state) {
        case FileState::None:
            return "";
        case FileState::Initiated:
            return "Initiated..";
        case FileState::Transferring:
            return "Transferring..";
        case FileState::Retrying:
            return "Retrying..";
        case FileState::Retrieving:
            return "Retrieving..";
        case FileState::Complete:
            return "Complete";
        case FileState::Ignored:
            return "Ignored";
    }
    return "";
}

QString CountText(std::int64_t count) {
    if (count == NoByteCount) return {};
    if (count == UnknownByteCount) return QStringLiteral("Unknown");
    return QString::number(count);
}

}  // namespace

QString GridCellText(const FileRow& row, int column) {
    switch (static_cast<GridColumn>(column)) {
        case GridColumn::Number:
            return row.Number > 0 ? QString::number(row.Number) : QString();
        case GridColumn::File:
            return QString::fromStdString(row.Address);
        case GridColumn::Total:
            return CountText(row.Total);
        case GridColumn::Transferred:
            return CountText(row.Transferred);
        case GridColumn::State:
            return QString::fromLatin1(StateWord(row.State));
    }
    return {};
}

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
    return parent.isValid() ? 0 : GridColumnCount;
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= shownRows_) return {};
    const int gridRow = index.row() + 1;
    switch (role) {
        case Qt::DisplayRole:
            // Rows announced but since removed by the engine read as empty until the next flush.
            return GridCellText(view_.Row(gridRow), index.column());
        case Qt::ForegroundRole: {
            const int colour =
                GridTextColour(view_, gridRow, index.column(), view_.SelectedRow());
            if (colour == NoColour) return {};
            return QColor::fromRgb(static_cast<QRgb>(colour));
        }
        case Qt::ToolTipRole:
        case Qt::StatusTipRole: {
            // A file that was not retrieved says why, wherever the mouse rests on its row.
            const std::string& failure = view_.RowFailure(gridRow);
            if (!failure.empty()) return QString::fromStdString(failure);
            if (role == Qt::StatusTipRole) return QString();
            return GridCellText(view_.Row(gridRow), index.column());
        }
        default:
            return {};
    }
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
        section >= GridColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    return QString::fromLatin1(HeaderWords[section]);
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
        emit headerDataChanged(Qt::Horizontal, 0, GridColumnCount - 1);
    }
    if (dirtyFirst_ >= 1) {
        // Grid rows to model rows, clipped to what the views know.
        const int first = dirtyFirst_ - 1;
        const int last = std::min(dirtyLast_ - 1, shownRows_ - 1);
        dirtyFirst_ = dirtyLast_ = -1;
        if (first <= last)
            emit dataChanged(index(first, 0), index(last, GridColumnCount - 1),
                             {Qt::DisplayRole, Qt::ForegroundRole, Qt::ToolTipRole});
    }
}
