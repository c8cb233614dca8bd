#pragma once

#include <QAbstractTableModel>
#include <QTimer>

#include "core/FileRow.h"

class SessionView;

// What a cell of the status grid reads: the row's number, address, byte counts and state in
// the words the grid has always shown ("Transferring..", "Unknown").
QString GridCellText(const FileRow& row, int column);

// The status grid's rows as a table model over the engine's SessionView. Model row r is grid
// row r + 1 (the grid's row 0 is the header). The model alone turns the typed rows into what
// the grid shows: the words (DisplayRole), the text colours of the grid's rules
// (ForegroundRole) and a failed file's reason (ToolTipRole, StatusTipRole). A busy run changes rows many times a second, so
// changes are gathered and announced together at most every FlushInterval milliseconds (as
// often as the window's labels refresh).
class GridModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    static constexpr int FlushInterval = 200;

    explicit GridModel(SessionView& view, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    SessionView& View() { return view_; }

    // Announces every change gathered so far at once (the timer calls it; tests may too).
    void Flush();

  private:
    void NoteCells(int firstRow, int lastRow);
    void NoteRowCount();
    void Schedule();

    SessionView& view_;
    int shownRows_ = 0;  // data rows the attached views know of
    int dirtyFirst_ = -1;
    int dirtyLast_ = -1;
    bool headerDirty_ = false;
    QTimer flushTimer_;
};
