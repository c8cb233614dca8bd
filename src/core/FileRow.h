#pragma once

#include <cstdint>
#include <string>

// Where one file of a session stands, as the engine keeps it. What the person reads for it
// (words, colours) is decided by the views; the session file has its own words for it.
enum class FileState {
    None,          // nothing said yet (a row just added, or a row of the empty grid)
    Initiated,     // the request is out, no byte of the document has come
    Transferring,  // bytes of the document are arriving
    Retrying,      // the last try failed; the file is asked for again after a pause
    Retrieving,    // fetched again, synchronously, with the session's credentials
    Complete,      // the transfer ended (for a protected fetch that failed: it ended, too)
    Ignored,       // abandoned: not retrieved, or not kept
};

// Byte counts of a row that are not numbers yet.
inline constexpr std::int64_t NoByteCount = -1;       // nothing known: the cell is empty
inline constexpr std::int64_t UnknownByteCount = -2;  // a protected fetch learns it at its end

// One row of the status grid: one file the session asked for.
struct FileRow {
    int Number = 0;       // the row's number as shown; 0 for a row without one (the e-mail page)
    std::string Address;  // the File column: the address, relative to the site when it is on it
    std::int64_t Total = NoByteCount;
    std::int64_t Transferred = NoByteCount;
    FileState State = FileState::None;
    // Why the file was not retrieved or not kept, in the words lanternway-get prints; empty for
    // the other rows. Not part of the session file.
    std::string Failure;

    bool operator==(const FileRow&) const = default;
};

// The grid's columns, in the order they are shown and stored.
enum class GridColumn { Number, File, Total, Transferred, State };
inline constexpr int GridColumnCount = 5;
