#pragma once

#include <QMainWindow>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/NewSessionSettings.h"
#include "core/SessionPrompts.h"
#include "engine/SessionState.h"
#include "shell/FolderFileList.h"
#include "viewers/ViewerWindow.h"

class GridModel;
class QAction;
class QFrame;
class QLabel;
class QMenu;
class QSplitter;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class RunControl;
class BrowserPanel;
class BrowserPanelHost;
class StatusGrid;
class StatusBar;
class FolderTree;
class FolderWatcher;
class ViewRefresh;

// The main window: tool bar, menus, the two status bars, the project browser (site tree, file
// list), the lower pane with the status grid, and the bottom bar. It is a view over the
// session's SessionState: what a run changes arrives through the state's SessionView signals.
// Components and handlers carry the names the rest of the program knows them by.
class MainWindow : public QMainWindow, public ViewerFileSource {
    Q_OBJECT
  public:
    // The design size; the window opens maximised.
    static constexpr int DesignWidth = 650;
    static constexpr int DesignHeight = 460;

    // Every question the window asks goes through prompts (real dialogs, or scripted ones).
    explicit MainWindow(SessionPrompts& prompts, QWidget* parent = nullptr);
    ~MainWindow() override;

    SessionState& State() { return *state_; }
    RunControl& Engine() { return *run_; }

    // Shows the New Session dialog; true when it closed with OK, with its values in settings.
    std::function<bool(NewSessionSettings& settings)> AskSessionSettings;
    SessionPrompts& Prompts() { return prompts_; }

    // Start-up after the window is shown: opens the session file named on the command line
    // (the first argument, when it names an existing file).
    void OpenCommandLineSession(const QStringList& arguments);

    // Grows the lower status bar's panels and the grid's columns for wide screens.
    void AdaptToScreenWidth(int screenWidth);

    // --- Tool bar ToolBarFrame ----------------------------------------------------------------
    QFrame* ToolBarFrame;
    QToolButton* OpenBtn;
    QToolButton* SaveAsBtn;
    QToolButton* OpenProjectFolderBtn;
    QToolButton* ExitBtn;
    QToolButton* RetrieveBtn;
    QToolButton* StopBtn;
    QToolButton* ViewGridBtn;
    QToolButton* ViewBrowserPanelBtn;
    QToolButton* ViewLargeItemBtn;
    QToolButton* ViewSmallItemBtn;
    QToolButton* ViewListItemBtn;
    QToolButton* ViewDetailsItemBtn;
    QToolButton* QuickHTMLViewerBtn;
    QToolButton* BrowseBtn;
    QToolButton* EMailBtn;
    QToolButton* ViewLocalFilesBtn;
    QToolButton* FindBtn;

    // --- Menus ---------------------------------------------------------------------------
    QMenu* FileMenu;
    QAction* NewSessionItem;
    QAction* OpenSessionItem;
    QAction* SaveSessionAsItem;
    QAction* ExitItem;
    QMenu* ProjectMenu;
    QAction* BrowseProjectItem;
    QAction* ViewEMailAddressItem;
    QAction* OpenProjectFolderItem;
    QMenu* ViewMenu;
    QAction* ViewGridItem;
    QAction* ViewPanelItem;
    QMenu* FileListViewMenu;
    QAction* LargeIconsItem;
    QAction* SmallIconsItem;
    QAction* ListStyleItem;
    QAction* DetailsStyleItem;
    QMenu* ToolsMenu;
    QAction* OpenViewerItem;
    QAction* ViewLocalFilesItem;
    QAction* FindFilesItem;
    QAction* FullScreenShowItem;
    QMenu* HelpMenu;
    QAction* AboutItem;
    // The tool bar's context menu, which stands in for the window's system menu.
    QMenu* SystemPopupMenu;
    QAction* HideMainMenuItem;
    QAction* SystemAboutItem;

    // --- Status bars ---------------------------------------------------------------------
    StatusBar* UpperStatusBar;  // upper: "Session Started On: ", "Contents Of: "
    StatusBar* LowerStatusBar;  // lower: queue, files read, bytes, speed, time; the hint line

    // --- Project browser -----------------------------------------------------------------
    QSplitter* LowerPaneSplitter;  // between the browser and the lower pane
    QSplitter* TreeListSplitter;   // between the tree panel and the file panel
    QWidget* DirTreePanel;
    QTreeWidget* DirTree;
    QTreeWidgetItem* SiteRootNode = nullptr;
    FolderTree* LocalFolderTree;  // local-files view
    QWidget* FileViewPanel;
    FolderFileList* FileListView;
    FolderFileList* LocalFileList;  // local-files view

    // --- Lower pane LowerPane and the bottom bar BottomBar ---------------------------------------
    QFrame* LowerPane;
    StatusGrid* Grid;
    GridModel* GridRows;
    QWidget* BottomBar;
    QLabel* BottomBarIcon;
    QLabel* ThreadRunningCaption;
    QLabel* ThreadCountLabel;
    QLabel* MessageLabel;
    QWidget* HTMLButtonsBar;  // the browser panel's buttons; hidden while the grid shows

    // --- Pop-up menus --------------------------------------------------------------------
    QMenu* GridPopupMenu;
    QAction* OpenDefaultViewerItem;
    QAction* RetrieveDefaultBrowserItem;
    QAction* CopyUrlItem;
    QAction* SaveRowAsItem;
    QAction* DeleteRowItem;
    QMenu* FileListPopupMenu;
    QAction* OpenFileItem;
    QAction* SaveFileAsItem;
    QAction* DeleteFileItem;
    QAction* PropertiesItem;
    QAction* ContextMenuItem;

    // --- Page histories of the browser panel, and the local view's scratch list -----------
    std::vector<std::string> ProjectHistory;
    int ProjectHistoryIndex = -1;
    std::vector<std::string> LocalHistory;
    int LocalHistoryIndex = -1;
    std::vector<std::string> ScratchNames;
    std::string ContentsText;
    std::string LocalSelectedPath;

    // The folder of the local-files view, ending in "/" (empty until a folder was listed).
    void SetLocalFilesFolder(const std::string& folder) { localFilesFolder_ = folder; }

    // --- What the viewer window reads from the visible list ---------------------------------
    bool FileListViewVisible() const override;
    int FileListViewCount() const override;
    int LocalFilesCount() const override;
    // The file an item of a list stands for: the one resolution every view of a list item uses.
    std::string ListItemFile(const FolderFileList& list, int index) const;
    std::string ItemPath(int index) const override;
    std::string ItemDisplayName(int index) const override;
    std::string ProjectFolder() const;
    std::string LocalFilesFolder() const;

    // --- Session commands ----------------------------------------------------------------
    void StartNewSession();
    void StopSession();
    void OpenSession();
    void SaveSessionAs();
    void PerformFileOpen(const std::string& path);
    // The New Session dialog of the desktop (AskSessionSettings's default).
    bool ShowNewSessionDialog(NewSessionSettings& settings);

    // --- Window commands -----------------------------------------------------------------
    void ApplicationHint(const QString& hint);
    void UpdateFileMenu();
    void UpdateProjectMenu();
    void UpdateToolsMenu();
    void ConfirmExit();
    void BrowseProject();
    void OpenListedFolder();
    void OpenSelectedInViewer();
    void ShowEMailAddresses();
    void OpenFinder();
    void ShowAbout();
    // Opens the viewer window on the visible list's item.
    void OpenViewerWindow(int listIndex);
    void ToggleMainMenu();

    // --- Status grid ---------------------------------------------------------------------
    void StyleForCell(int ARow, int Acol, int& Fcolor, bool& Bold, bool& Italic, bool& underline);
    void OnGridClicked();
    void UpdateGridMenu();
    void OpenRowFile();
    void OpenRowAddress();
    void CopyRowAddress();
    void SaveRowFileAs();
    void DeleteRowFile();
    void SwitchToGrid();
    void SwitchToBrowserPanel();
    std::string RowLocalName();
    std::string RowAddress();

    // --- Site tree and file list ---------------------------------------------------------
    void ListSiteFolder(QTreeWidgetItem* node);
    // During a run: the project list shows the files that have landed since it was listed
    // (the site root's once the start page is there), keeping the person's selection.
    void FollowLandedFiles();
    void OnProjectFileSelected();
    void ShowLargeIcons();
    void ShowSmallIcons();
    void ShowAsList();
    void ShowDetails();
    void UpdateFileListMenu();
    void OpenSelectedFile();
    void SaveSelectedFiles();
    void DeleteSelectedFiles();
    void ShowSelectedProperties();
    void ShowSelectedContextMenu();
    bool SaveThisFile(const std::string& path);
    // Key commands of the lists, the trees and the window; true when the key was used.
    bool HandleListKey(int key);
    bool HandleTreeKey(int key);
    void OnListKeyReleased(FolderFileList& list, int key);

    // The list the commands act on: FileListView when shown, else the local-files list.
    FolderFileList* VisibleList();
    bool ProjectListVisible() const;
    bool LocalListVisible() const;

    // --- The browser panel in the lower pane (window/MainWindowBrowserPanel.cpp) --------------
    bool BrowserPanelShown() const;  // the HTML control or the image is visible
    void HideBrowserPanel();         // the grid takes the lower pane
    void ShowBrowserPanel();         // empty picture, caption and file label cleared
    void VisibleHTMLButtons(bool show);
    void EnableDisableHTMLButtons();
    void EnableDisableFullScreenBtn();
    void EnableBackForward(bool localHistory);
    void DisplayFile(bool projectList);
    void SwitchToLocalFiles();
    void ToggleLocalFiles();
    void ListLocalFolder();
    void StartFullScreenShow();
    bool ShowFullScreenEnabled() const;
    void OnLocalFolderChanged();
    // Reads the local list's folder again (its files come and go), narrowed to web files; the
    // list then follows that folder's changes on disk while it shows.
    void ReadLocalFiles(const QString& folder);
    // A change on disk in the local list's folder: the list reads it again, keeping the selection.
    void FollowLocalFolderOnDisk(const QString& folder);
    void OnLocalFileSelected();
    void FitUpperStatusPanel();
    // The browser panel's controls: PageView, the image, the panel-set buttons, the pop-up menu.
    BrowserPanel* LowerBrowser = nullptr;

  protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildToolBar();
    void BuildMenus();
    void BuildBrowser();
    void BuildLowerPane();
    void BuildPopupMenus();
    void ConnectView();
    void ResetViews();
    void BuildBrowserPanel();

    void SetViewStyle(FolderFileList::ViewStyle style);
    void SetLowerPaneLowered(bool lowered);
    void UpdateCaption();
    void ApplyStatusTexts();
    void ApplyMessage();
    void ApplyButtons();
    void RebuildSiteTree();
    void SelectSiteRoot();
    void ForcedSilentSave();
    void SessionOpenStarted();
    void SessionOpenFinished();
    // Before work that holds the event loop: shows the gathered changes and paints.
    void ShowBeforeBlockingWork();
    // The selected grid row, 0 when none.
    int GridRow() const;
    // The row the grid's commands act on: the row the pop-up menu was opened for while it is
    // open (a run selects each new transfer's row meanwhile), else the selected row.
    int CommandRow() const;
    // Opens the grid's pop-up menu for the row at the position (viewport coordinates).
    void OpenGridMenu(const QPoint& at);
    bool GridFollowsSelection() const;
    // The status line says why the row's file was not retrieved (and forgets the reason it
    // showed for another row).
    void ShowRowFailure(int row);
    void ShowSelectedRow(bool scrollToRow);
    // ListSiteFolder without the hourglass (a running session lists again once a second).
    void NarrowFileList(QTreeWidgetItem* node);

    SessionPrompts& prompts_;
    std::unique_ptr<SessionState> state_;
    std::unique_ptr<RunControl> run_;
    ViewRefresh* viewRefresh_ = nullptr;     // batches a running session's label changes
    std::vector<std::string> treeChildren_;  // the folders DirTree shows, in order
    std::unordered_map<std::string, QTreeWidgetItem*> folderNodes_;  // each folder's node
    std::string localFilesFolder_;
    std::unique_ptr<BrowserPanelHost> panelHost_;
    bool mainMenuHidden_ = false;
    int gridMenuRow_ = 0;  // the row the grid's pop-up menu was opened for, 0 when closed
    bool gridFollows_ = true;   // the person has not scrolled the grid away from its bottom
    int listedFilesRead_ = -1;  // FilesRead when the project list was last followed
    std::string shownFailure_;  // the row failure the status line shows, if any
    bool closeWhenIdle_ = false;   // closed during a session: closes when it has completed
    bool quitWhenClosed_ = false;  // Exit was chosen: the program ends with the window
    FolderWatcher* localFolderWatcher_ = nullptr;  // the folder the local list shows
    bool paneSized_ = false;
};
