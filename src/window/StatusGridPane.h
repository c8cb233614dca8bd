#pragma once

#include <QObject>
#include <string>

class GridModel;
class QAction;
class QMenu;
class QPoint;
class QWidget;
class SessionPrompts;
class SessionState;
class StatusGrid;

// The lower pane's status grid: one row per file of the session, its colours, its pop-up menu
// and the commands on a row's file and address. It shows the session's rows and follows the
// session's selected row; the person's clicks select rows in the session.
class StatusGridPane : public QObject {
    Q_OBJECT
  public:
    // Builds the grid into `pane` (whose layout takes it) and its pop-up menu into `window`.
    StatusGridPane(SessionState& state, SessionPrompts& prompts, QWidget& pane, QWidget& window);
    ~StatusGridPane() override;

    // The grid shown, or hidden while the browser panel or the local-files view takes the pane.
    void SetShown(bool shown);
    bool Shown() const;
    void SetColumnWidth(int column, int width);
    // What the rows changed so far reaches the grid now.
    void FlushRows();
    // The grid takes the session's selected row; it scrolls along while it follows the run.
    void FollowSelection();
    // A new run: the grid scrolls along with its rows again.
    void FollowRunFromBottom() { gridFollows_ = true; }

    // The selected row, 0 when none.
    int GridRow() const;
    // The status line says why the row's file was not retrieved (and forgets the reason it
    // showed for another row).
    void ShowRowFailure(int row);

    // --- The pop-up menu's commands on the row ---------------------------------------------------
    void UpdateGridMenu();
    void OpenRowFile();
    void OpenRowAddress();
    void CopyRowAddress();
    void SaveRowFileAs();
    void DeleteRowFile();
    std::string RowLocalName();
    std::string RowAddress();

  signals:
    // A row's file was deleted: the session records it.
    void RowFileDeleted();

  private:
    void BuildPopupMenu(QWidget& window);
    // The row the grid's commands act on: the row the pop-up menu was opened for while it is
    // open (a run selects each new transfer's row meanwhile), else the selected row.
    int CommandRow() const;
    // Opens the grid's pop-up menu for the row at the position (viewport coordinates).
    void OpenGridMenu(const QPoint& at);
    bool GridFollowsSelection() const;
    void ShowSelectedRow(bool scrollToRow);

    SessionState& state_;
    SessionPrompts& prompts_;
    StatusGrid* grid_;
    GridModel* rows_;
    QMenu* popupMenu_ = nullptr;
    QAction* openDefaultViewerItem_ = nullptr;
    QAction* retrieveDefaultBrowserItem_ = nullptr;
    QAction* copyUrlItem_ = nullptr;
    QAction* saveRowAsItem_ = nullptr;
    QAction* deleteRowItem_ = nullptr;
    int gridMenuRow_ = 0;       // the row the pop-up menu was opened for, 0 when closed
    bool gridFollows_ = true;   // the person has not scrolled the grid away from its bottom
    std::string shownFailure_;  // the row failure the status line shows, if any
};
