#pragma once

#include <array>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/SessionSettings.h"

// The session file: a short text of CR LF-ended lines, scrambled byte by byte.
//
//   {AUTO GENERATED FILE. DO NOT MODIFY THIS FILE.}
//   project folder
//   S                      number of site folders
//   S lines                the site root, then the site folders under it
//   R                      number of status-grid data rows
//   5 x R lines            each row's five cells
//   5 lines                "Session Started On: ..." and the four statistics texts
//
// so S + 5R + 9 lines in all. A complete copy adds, after them:
//
//   "Complete copy"        the mode's mark (a file without it is a classic copy)
//   start address          the address the copy started from
//   F                      number of retrieved files
//   2 x F lines            each file's address, then its path in the project folder
//
// Readers that know only the classic record stop before these lines, so either kind of file
// opens in either.

inline constexpr const char* SessionFileHeader = "{AUTO GENERATED FILE. DO NOT MODIFY THIS FILE.}";

struct SessionRecord {
    std::string ProjectFolder;
    std::vector<std::string> SiteFolders;  // entry 0 is the site root
    std::vector<std::array<std::string, 5>> Rows;
    std::string StartedText;                // upper status bar, first panel
    std::array<std::string, 4> Statistics;  // lower status bar, panels 1 to 4
    // The session's settings. The file keeps only Settings.CompleteCopy (as the mark of a
    // complete copy); read back, the others are their defaults.
    SessionSettings Settings;
    std::string StartAddress;  // complete copy only
    std::vector<std::pair<std::string, std::string>> MirrorFiles;  // address, local path
};

inline constexpr const char* CompleteCopyMark = "Complete copy";

// A session file that cannot be read as one.
class SessionFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The plain text of a record. A text holding a line break is stored with blanks in its place, so
// that every text stays one line; a record without site folders gets an empty root line, since
// the reader always reads one.
std::string FormatSessionText(const SessionRecord& record);
// The same text with the grid rows read through rowAt(0 .. rowCount - 1) rather than from
// record.Rows, so that a large session's rows need not be copied into a record first.
std::string FormatSessionText(
    const SessionRecord& record, std::size_t rowCount,
    const std::function<const std::array<std::string, 5>&(std::size_t row)>& rowAt);

// Reads the plain text back. Lines may end in CR LF, LF or CR; the header line is not compared
// with anything; text after the last statistics line is ignored. Throws SessionFileError for a
// count line that is not a number or a text that ends before the record does.
SessionRecord ParseSessionText(std::string_view text);

// The stored lines of a plain text, without their line ends.
std::vector<std::string_view> SessionTextLines(std::string_view text);

// The scrambling of the stored bytes: a running 16-bit key fed with each scrambled byte, so the
// two passes are exact inverses and the length does not change.
std::string ScrambleText(std::string_view plain);
// ScrambleText in place: the same bytes without a second copy of the text.
void ScrambleInPlace(std::string& text);
std::string UnscrambleText(std::string_view scrambled);

// The same passes over a whole file, in place (through a temporary file and a rename).
void ScrambleFile(const std::string& path);
void UnscrambleFile(const std::string& path);

// The site root address of a site tree's root entry: its scheme ("http://", or "https://" when
// the entry has it) followed by the entry's host part up to and including the first "/" after
// the scheme; the bare scheme when no "/" follows.
std::string SiteBaseFromRoot(std::string_view root);
