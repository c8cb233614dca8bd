#pragma once

#include <QMainWindow>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/SessionPrompts.h"
#include "core/SessionSettings.h"
#include "engine/SessionState.h"
#include "shell/FolderFileList.h"
#include "viewers/ViewerWindow.h"

class LocalFilesView;
class ProjectBrowser;
class StatusGridPane;
class QAction;
class QFrame;
class QLabel;
class QMenu;
class QSplitter;
class QToolButton;
class RunControl;
class BrowserPanel;
class BrowserPanelHost;
class StatusBar;
class ViewRefresh;

// The main window: tool bar, menus, the two status bars, the project browser (site tree, file
// list) or the local-files view, the lower pane with the status grid or the browser panel, and
// the bottom bar. It composes the panes (ProjectBrowser, LocalFilesView, StatusGridPane,
// BrowserPanel) and is a view over the session's SessionState: what a run changes arrives
// through the state's SessionView signals. Its widgets are its own; tests find them by their
// object names.
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
    std::function<bool(SessionSettings& settings)> AskSessionSettings;
    SessionPrompts& Prompts() { return prompts_; }

    // Start-up after the window is shown: opens the session file named on the command line
    // (the first argument, when it names an existing file).
    void OpenCommandLineSession(const QStringList& arguments);

    // Grows the lower status bar's panels and the grid's columns for wide screens.
    void AdaptToScreenWidth(int screenWidth);

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
    bool ShowNewSessionDialog(SessionSettings& settings);

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

    // --- The lower pane: the status grid or the browser panel -----------------------------
    void SwitchToGrid();
    void SwitchToBrowserPanel();

    // --- The file lists (the project list, or the local-files list while that view shows) ----
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
    void OnLocalFileSelected();
    void FitUpperStatusPanel();

  protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    class PanelHost;

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

    // --- The panes: the project browser or the local-files view above, the grid below ------
    QSplitter* LowerPaneSplitter;  // between the browser and the lower pane
    QSplitter* TreeListSplitter;   // between the tree panel and the file panel
    QWidget* DirTreePanel;         // the site tree, or the local folder tree
    QWidget* FileViewPanel;        // the project list, or the local-files list
    ProjectBrowser* Project = nullptr;
    LocalFilesView* LocalFiles = nullptr;
    StatusGridPane* GridPane = nullptr;
    // The browser panel's controls: PageView, the image, the panel-set buttons, the pop-up menu.
    BrowserPanel* LowerBrowser = nullptr;

    // --- Lower pane LowerPane and the bottom bar BottomBar ---------------------------------------
    QFrame* LowerPane;
    QWidget* BottomBar;
    QLabel* BottomBarIcon;
    QLabel* ThreadRunningCaption;
    QLabel* ThreadCountLabel;
    QLabel* MessageLabel;
    QWidget* HTMLButtonsBar;  // the browser panel's buttons; hidden while the grid shows

    // --- The file lists' pop-up menu -----------------------------------------------------
    QMenu* FileListPopupMenu;
    QAction* OpenFileItem;
    QAction* SaveFileAsItem;
    QAction* DeleteFileItem;
    QAction* PropertiesItem;
    QAction* ContextMenuItem;

    // The upper bar's "Contents Of" text while the local-files view shows in its place.
    std::string ContentsText;

    void BuildToolBar();
    void BuildMenus();
    void BuildBrowser();
    void BuildLowerPane();
    void BuildFileListMenu();
    void NameCommands();
    void ConnectView();
    void ResetViews();
    void BuildBrowserPanel();

    void SetViewStyle(FolderFileList::ViewStyle style);
    void SetLowerPaneLowered(bool lowered);
    void UpdateCaption();
    void ApplyStatusTexts();
    void ApplyMessage();
    void ApplyButtons();
    void ForcedSilentSave();
    void SessionOpenStarted();
    void SessionOpenFinished();
    // Before work that holds the event loop: shows the gathered changes and paints.
    void ShowBeforeBlockingWork();

    SessionPrompts& prompts_;
    std::unique_ptr<SessionState> state_;
    std::unique_ptr<RunControl> run_;
    ViewRefresh* viewRefresh_ = nullptr;  // batches a running session's label changes
    std::unique_ptr<BrowserPanelHost> panelHost_;
    bool mainMenuHidden_ = false;
    bool closeWhenIdle_ = false;   // closed during a session: closes when it has completed
    bool quitWhenClosed_ = false;  // Exit was chosen: the program ends with the window
    bool paneSized_ = false;
};
