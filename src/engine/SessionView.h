#pragma once

#include <QObject>
#include <array>
#include <string>
#include <vector>

#include "core/FileRow.h"

// What the project window shows of a session, kept as plain data owned by the engine. Windows
// observe it through the signals; tests read it directly. Changes are announced, never pushed
// into widgets, so a busy run costs the same with or without a window.
class SessionView : public QObject {
    Q_OBJECT
public:
    // --- Status grid: one typed row per file; row 0 stands for the header, which is the views'
    int GridRowCount() const { return static_cast<int>(rows_.size()); }
    // An empty row for row 0 and for rows beyond the grid.
    const FileRow& Row(int row) const;
    void SetRow(int row, FileRow fileRow);  // the whole row, its failure included
    // Changes a row in place (change(FileRow&)) and announces it; the grid grows to hold it.
    template <typename Change>
    void ChangeRow(int row, Change&& change) {
        if (row < 1) return;
        if (row >= GridRowCount()) SetGridRowCount(row + 1);
        change(rows_[static_cast<std::size_t>(row)]);
        emit GridCellsChanged(row, row);
    }
    void SetRowAddress(int row, std::string address);
    void SetGridRowCount(int count);  // at least 1 (the header row); new rows are empty
    void ClearDataRows();             // empties every row 1.. (the count stays)
    int SelectedRow() const { return selectedRow_; }
    void SelectRow(int row);
    // Why a row's file was not retrieved or not kept (FileRow::Failure). A row set anew, or
    // gone, forgets it.
    const std::string& RowFailure(int row) const { return Row(row).Failure; }
    void SetRowFailure(int row, const std::string& text);

    // --- Status bars: LowerStatusBar (lower, 5 panels), UpperStatusBar (upper, 2 panels) -----------
    const std::string& LowerStatusBar(int panel) const { return lowerStatusBar_.at(panel); }
    const std::string& UpperStatusBar(int panel) const { return upperStatusBar_.at(panel); }
    void SetLowerStatusBar(int panel, const std::string& text);
    void SetUpperStatusBar(int panel, const std::string& text);

    // --- Labels ----------------------------------------------------------------------------
    const std::string& MessageLabel() const { return message_; }
    bool MessageLabelRed() const { return messageRed_; }
    void SetMessageLabel(const std::string& text);
    void SetMessageLabelRed(bool red);
    const std::string& ThreadCountLabel() const { return threadRunning_; }
    void SetThreadCountLabel(const std::string& text);
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& text);

    // --- Site tree DirTree: the root node (SiteRootNode) and its children, in order ---------
    bool HasSiteRoot() const { return hasRoot_; }
    const std::string& SiteRootText() const { return rootText_; }
    const std::vector<std::string>& SiteChildren() const { return children_; }
    void ClearSiteTree();
    void SetSiteRoot(const std::string& text);
    void AddSiteChild(const std::string& text);

    // --- Tool-button states ---------------------------------------------------------------
    struct ButtonStates {
        bool OpenBtn = true;
        bool RetrieveBtn = true;
        bool StopBtn = false;
        bool OpenProjectFolderBtn = false;
        bool QuickHTMLViewerBtn = false;
        bool BrowseBtn = false;
        bool EMailBtn = false;
        bool operator==(const ButtonStates&) const = default;
    };
    const ButtonStates& Buttons() const { return buttons_; }
    void SetButtons(const ButtonStates& states);

    // SaveAsBtn: disabled at start, enabled once a session file has been opened, never
    // disabled again.
    bool SaveAsBtnEnabled() const { return saveAsEnabled_; }
    void EnableSaveAsBtn();

    // The folder the project file list shows (the hidden folder tree FolderTree is pointed
    // at it), without a trailing "/".
    const std::string& ListedFolder() const { return listedFolder_; }
    void SetListedFolder(const std::string& folder);

    // Asks views to empty the project file list (FileListView).
    void RequestFileListClear() { emit FileListCleared(); }
    // Asks the project window to run its site-tree selection handler for the root node
    // (SiteRootNode) and to select the tree's top item, so the file list shows the root's files.
    void RequestSiteRootSelection() { emit SiteRootSelectionRequested(); }
    // Opening a session file: the window switches to the grid view, empties the browser panel's
    // history and hides the site tree, file list and grid while the session loads...
    void NotifySessionOpenStarted() { emit SessionOpenStarted(); }
    // ...and afterwards shows the grid and site tree again, hides the local-files view, expands
    // every node of the site tree and hides the browser-panel buttons.
    void NotifySessionOpenFinished() { emit SessionOpenFinished(); }
    // Work that holds the event loop is about to start (a protected fetch, the conversion of
    // the pages): the windows show what has changed so far before it does.
    void NotifyBlockingWork() { emit BlockingWorkStarting(); }

signals:
    void GridCellsChanged(int firstRow, int lastRow);
    void GridRowCountChanged(int count);
    void GridSelectionChanged(int row);
    void StatusTextsChanged();
    void MessageChanged();
    void ThreadRunningChanged();
    void CaptionChanged();
    void SiteTreeChanged();
    void ButtonsChanged();
    void FileListCleared();
    void ListedFolderChanged();
    void SiteRootSelectionRequested();
    void SessionOpenStarted();
    void SessionOpenFinished();
    void BlockingWorkStarting();

private:
    std::vector<FileRow> rows_{FileRow{}};
    int selectedRow_ = 1;
    std::array<std::string, 5> lowerStatusBar_;
    std::array<std::string, 2> upperStatusBar_;
    std::string message_;
    bool messageRed_ = false;
    std::string threadRunning_ = "0";
    std::string caption_;
    bool hasRoot_ = false;
    std::string rootText_;
    std::vector<std::string> children_;
    ButtonStates buttons_;
    bool saveAsEnabled_ = false;
    std::string listedFolder_;
};
