#pragma once

#include <string>

#include "core/SessionFields.h"
#include "engine/SessionView.h"

// The status grid's rules, kept free of widgets so that they can be checked on plain rows.
// Grid rows are numbered as the grid shows them: row 0 is the header, row 1 the start page.

inline constexpr const char* DeletedMarker = "<FILE DELETED>***";
inline constexpr int NoColour = -1;

// Text colours (0xRRGGBB) the grid uses for its states.
namespace GridColours {
inline constexpr int Purple = 0x800080;
inline constexpr int Red = 0xFF0000;
inline constexpr int Yellow = 0xFFFF00;
inline constexpr int Blue = 0x0000FF;
}  // namespace GridColours

// The text colour of a cell, or NoColour for the grid's own font colour. The first rule that
// applies wins: running transfers purple, ignored and deleted files red, a protected fetch
// yellow, the selected row blue.
int GridTextColour(const SessionView& view, int row, int column, int selectedRow);

// The marked File text of a deleted file, and the reverse (texts without the marker pass).
std::string MarkDeleted(const std::string& fileText);
std::string WithoutDeletedMarker(const std::string& fileText);

// The local file name of the start page: "Main.html", or, when a run that searched only the
// current page stored its start page under the page's own name, that name.
std::string StartPageLocalName(const SessionView& view, const SessionFields& session);

// In a complete copy names are paths relative to the project folder ("docs/a/page.html"),
// looked up in the copy's table of retrieved files; the functions below take and give those.

// The local path of the file retrieved from an address in a complete copy ("" when none was).
std::string CompleteCopyPath(const SessionFields& session, const std::string& address);

// The name the rules above use for an item of the project file list showing listFolder: in a
// complete copy the item's path relative to the project folder, otherwise its name.
std::string ProjectListName(const SessionFields& session, const std::string& listFolder,
                            const std::string& itemName);

// The local file name of a grid row: the start page's for row 1 or a File text equal to
// SiteBase, otherwise the address mapped to its local name.
std::string RowLocalName(const SessionView& view, int row, SessionFields& session);

// Where a file the names above give lies: every view that opens, saves, deletes or shows a
// project file finds it here, so that a file in a folder of the copy is the same file for all.
std::string ProjectFilePath(const SessionFields& session, const std::string& localName);
// The file of a grid row, and the file of an item of the project list showing listFolder.
std::string RowLocalPath(const SessionView& view, int row, SessionFields& session);
std::string ProjectListPath(const SessionFields& session, const std::string& listFolder,
                            const std::string& itemName);

// The web address of a grid row: the File text without a deletion marker, completed with
// SiteBase when it is relative.
std::string RowAddress(const SessionView& view, int row, const SessionFields& session);

// Which items of the grid's pop-up menu can be used on a row.
struct GridPopupState {
    bool FileItems = false;     // "Open - Default Viewer", "Save As..", "Delete"
    bool AddressItems = false;  // "Retrieve - Default Browser", "Copy URL"
};
GridPopupState GridPopupEnabling(const SessionView& view, int row, SessionFields& session);

// The file names the project list keeps for a site-tree node: the root node (folderKey ignored)
// or a child whose folder key is folderKey. Names are compared ignoring case by the caller.
std::vector<std::string> WantedFileNames(const SessionView& view, bool rootNode,
                                         const std::string& folderKey, SessionFields& session);

// In a complete copy, the names of the files lying directly in the folder folderKey
// ("docs/a/"; the root node: the top of the project folder).

// The grid row of a project file: row 1 for "Main.html", otherwise the last row whose address
// maps to the name; 0 when no row matches.
int GridRowOfFile(const SessionView& view, const std::string& fileName, SessionFields& session);

// The first grid row (from row 1 on) whose address maps to the name; 0 when none does.
int FirstGridRowOfFile(const SessionView& view, const std::string& fileName,
                       SessionFields& session);
