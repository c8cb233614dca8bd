#pragma once

#include "core/FileRow.h"
#include "sessionfile/SessionRows.h"

// A grid row as the five texts the session file keeps for it ("2", "a.gif", "6", "6",
// "Complete"): tests state and check whole rows in one line that way.
using RowCells = SessionRowCells;

inline RowCells Cells(const FileRow& row) {
    return SessionRowText(row);
}

inline FileRow RowOf(const RowCells& cells) {
    return SessionRowFromText(cells);
}
