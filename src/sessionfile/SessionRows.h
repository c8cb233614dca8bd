#pragma once

#include <array>
#include <string>

#include "core/FileRow.h"

// The session file stores each grid row as five texts, in the words the program has always
// written ("3", "images/logo.gif", "300", "300", "Complete"). These two turn a row into those
// texts and back, so that a file read and written again is the same file byte for byte. A cell
// that holds none of the words or numbers the program writes reads as an empty one.
using SessionRowCells = std::array<std::string, GridColumnCount>;

SessionRowCells SessionRowText(const FileRow& row);
FileRow SessionRowFromText(const SessionRowCells& cells);
