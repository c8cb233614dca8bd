#pragma once

#include <QMainWindow>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/NewSessionSettings.h"
#include "core/SessionPrompts.h"
#include "engine/SessionState.h"
#include "shell/TSystemListView.h"
#include "viewers/HtmlViewer.h"

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
class TBrowserPanel;
class TBrowserPanelHost;
class TMgrid;
class TStatusBar;
class TSystemTreeView;
class ViewRefresh;

// The main window: tool bar, menus, the two status bars, the project browser (site tree, file
// list), the lower pane with the status grid, and the bottom bar. It is a view over the
// session's SessionState: what a run changes arrives through the state's SessionView signals.
// Components and handlers carry the names the rest of the program knows them by.
class TForm2 : public QMainWindow, public ViewerFileSource {
    Q_OBJECT
  public:
    // The design size; the window opens maximised.
    static constexpr int DesignWidth = 650;
    static constexpr int DesignHeight = 460;

    // Every question the window asks goes through prompts (real dialogs, or scripted ones).
    explicit TForm2(SessionPrompts& prompts, QWidget* parent = nullptr);
    ~TForm2() override;

    SessionState& State() { return *state_; }
    RunControl& Engine() { return *run_; }

    // Shows the New Session dialog; true when it closed with OK, with its values in settings.
    std::function<bool(NewSessionSettings& settings)> NewSessionDialog;
    SessionPrompts& Prompts() { return prompts_; }

    // Start-up after the window is shown: opens the session file named on the command line
    // (the first argument, when it names an existing file).
    void OpenCommandLineSession(const QStringList& arguments);

    // Grows the lower status bar's panels and the grid's columns for wide screens.
    void AdaptToScreenWidth(int screenWidth);

    // --- Tool bar Panel2 ----------------------------------------------------------------
    QFrame* Panel2;
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
    QMenu* File1;
    QAction* New1;
    QAction* Open1;
    QAction* Save1;
    QAction* Exit1;
    QMenu* Project1;
    QAction* BrowseProject1;
    QAction* ViewEMailAddress1;
    QAction* OpenProjectFolder1;
    QMenu* View1;
    QAction* Grid1;
    QAction* Panel4;
    QMenu* FileListView1;
    QAction* LargeItem1;
    QAction* SmallItem1;
    QAction* ListItem1;
    QAction* DetailsItem1;
    QMenu* Tools1;
    QAction* OpenViewer1;
    QAction* ViewLocalFiles1;
    QAction* FindFiles1;
    QAction* FullScreenShow1;
    QMenu* Help1;
    QAction* About1;
    // The tool bar's context menu, which stands in for the window's system menu.
    QMenu* SystemPopupMenu;
    QAction* ShowMainMenu1;
    QAction* About2;

    // --- Status bars ---------------------------------------------------------------------
    TStatusBar* StatusBar2;  // upper: "Session Started On: ", "Contents Of: "
    TStatusBar* StatusBar1;  // lower: queue, files read, bytes, speed, time; the hint line

    // --- Project browser -----------------------------------------------------------------
    QSplitter* Splitter2;  // between the browser and the lower pane
    QSplitter* Splitter1;  // between the tree panel and the file panel
    QWidget* DirTreePanel;
    QTreeWidget* DirTree;
    QTreeWidgetItem* SiteRootNode = nullptr;
    TSystemTreeView* SystemTreeView1;  // local-files view
    QWidget* FileViewPanel;
    TSystemListView* FileListView;
    TSystemListView* SystemListView1;  // local-files view

    // --- Lower pane Panel1 and the bottom bar Panel3 ---------------------------------------
    QFrame* Panel1;
    TMgrid* Mgrid1;
    GridModel* Mgrid1Model;
    QWidget* Panel3;
    QLabel* Image2;
    QLabel* Label3;
    QLabel* CThreadRunning;
    QLabel* CMessage;
    QWidget* HTMLButtonsBar;  // the browser panel's buttons; hidden while the grid shows

    // --- Pop-up menus --------------------------------------------------------------------
    QMenu* StringGrid1PopupMenu;
    QAction* OpenDefaultViewer1;
    QAction* RetrieveDefaultBrowser1;
    QAction* CopyURL1;
    QAction* SaveAs1;
    QAction* Delete1;
    QMenu* PopupMenu1;
    QAction* Open2;
    QAction* Save2;
    QAction* Delete2;
    QAction* Properties1;
    QAction* ContextMenu1;

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
    int SystemListView1Count() const override;
    std::string ItemPath(int index) const override;
    std::string ItemDisplayName(int index) const override;
    std::string ProjectFolder() const override;
    std::string LocalFilesFolder() const override;

    // --- Session commands ----------------------------------------------------------------
    void RetrieveBtnClick();
    void StopBtnClick();
    void OpenBtnClick();
    void SaveAsBtnClick();
    void PerformFileOpen(const std::string& path);
    // The New Session dialog of the desktop (NewSessionDialog's default).
    bool ShowNewSessionDialog(NewSessionSettings& settings);

    // --- Window commands -----------------------------------------------------------------
    void ApplicationHint(const QString& hint);
    void File1Click();
    void Project1Click();
    void Tools1Click();
    void ExitBtnClick();
    void BrowseBtnClick();
    void OpenProjectFolderBtnClick();
    void QuickHTMLViewerBtnClick();
    void EMailBtnClick();
    void FindBtnClick();
    void AboutBtnClick();
    // Opens the viewer window on the visible list's item.
    void OpenViewerWindow(int listIndex);
    void ShowMainMenu1Click();

    // --- Status grid ---------------------------------------------------------------------
    void Mgrid1Setting(int ARow, int Acol, int& Fcolor, bool& Bold, bool& Italic, bool& underline);
    void Mgrid1Click();
    void StringGrid1PopupMenuPopup();
    void OpenDefaultViewer1Click();
    void RetrieveDefaultBrowser1Click();
    void CopyURL1Click();
    void SaveAs1Click();
    void Delete1Click();
    void ViewGridBtnClick();
    void ViewBrowserPanelBtnClick();
    std::string RowLocalName();
    std::string RowAddress();

    // --- Site tree and file list ---------------------------------------------------------
    void DirTreeChange(QTreeWidgetItem* node);
    void FileListViewClick();
    void ViewLargeItemBtnClick();
    void ViewSmallItemBtnClick();
    void ViewListItemBtnClick();
    void ViewDetailsItemBtnClick();
    void PopupMenu1Popup();
    void Open2Click();
    void SaveClick();
    void DeleteClick();
    void PropertiesClick();
    void ContextMenuClick();
    bool SaveThisFile(const std::string& path);
    // Key commands of the lists, the trees and the window; true when the key was used.
    bool ListKeyDown(int key);
    bool TreeKeyDown(int key);
    void ListKeyUp(TSystemListView& list, int key);

    // The list the commands act on: FileListView when shown, else the local-files list.
    TSystemListView* VisibleList();
    bool ProjectListVisible() const;
    bool LocalListVisible() const;

    // --- The browser panel in the lower pane (window/TForm2BrowserPanel.cpp) --------------
    bool BrowserPanelShown() const;  // the HTML control or the image is visible
    void HideBrowserPanel();         // the grid takes the lower pane
    void ShowBrowserPanel();         // empty picture, caption and file label cleared
    void VisibleHTMLButtons(bool show);
    void EnableDisableHTMLButtons();
    void EnableDisableFullScreenBtn();
    void EnableBackForward(bool localHistory);
    void DisplayFile(bool projectList);
    void ViewLocalFilesBtnClick();
    void ViewLocalFiles1Click();
    void SystemTreeView1Click();
    void ShowFullScreenBtnClick();
    bool ShowFullScreenEnabled() const;
    void SystemTreeView1Change();
    void SystemListView1Click();
    void Splitter1Moved();
    // The browser panel's controls: HTML1, the image, the panel-set buttons, the pop-up menu.
    TBrowserPanel* BrowserPanel = nullptr;

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
    void InitializeDirTreeAndListViewAndStringGrid1();
    void BuildBrowserPanel();

    void SetViewStyle(TSystemListView::ViewStyle style);
    void SetPanel1Lowered(bool lowered);
    void UpdateCaption();
    void ApplyStatusTexts();
    void ApplyMessage();
    void ApplyButtons();
    void RebuildSiteTree();
    void SelectSiteRoot();
    // Deletes one file; on failure the file system's reason, otherwise empty.
    std::string DeleteLocalFile(const std::string& path);
    void ForcedSilentSave();
    void SessionOpenStarted();
    void SessionOpenFinished();
    // The selected grid row after the pop-up opened, 0 when none.
    int GridRow() const;

    SessionPrompts& prompts_;
    std::unique_ptr<SessionState> state_;
    std::unique_ptr<RunControl> run_;
    ViewRefresh* viewRefresh_ = nullptr;     // batches a running session's label changes
    std::vector<std::string> treeChildren_;  // the children DirTree shows, in order
    std::string localFilesFolder_;
    std::unique_ptr<TBrowserPanelHost> panelHost_;
    bool mainMenuHidden_ = false;
    bool paneSized_ = false;
};
