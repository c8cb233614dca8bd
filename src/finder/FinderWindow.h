#pragma once

#include <QElapsedTimer>
#include <QPoint>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>

#include "finder/FileSearch.h"
#include "finder/FinderTexts.h"

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QLocale;
class QMenu;
class QScrollArea;
class QSplitter;
class QTableView;
class FinderGridModel;
class QToolButton;
class HtmlView;
class PagePane;
class ViewerDialogs;

// The file finder: searches a folder tree for files matching a mask, lists them with size,
// time and attributes, previews the selected page or picture and offers file commands on it.
class FinderWindow : public QWidget {
    Q_OBJECT
  public:
    explicit FinderWindow(QWidget* owner = nullptr, ViewerDialogs* dialogs = nullptr);
    ~FinderWindow() override;

    // Commands the finder borrows from the main window.
    std::function<void(QWidget* owner)> ShowAboutBox;

    // --- Top bar SearchBar
    QFrame* SearchBar = nullptr;
    QLineEdit* Location = nullptr;
    QToolButton* BrowseBtn = nullptr;
    QCheckBox* SubfoldersCheck = nullptr;
    QComboBox* MaskBox = nullptr;
    QToolButton* StartBtn = nullptr;
    QToolButton* StopBtn = nullptr;
    QToolButton* ColorBtn = nullptr;
    QToolButton* CloseBtn = nullptr;

    // --- Results and preview
    QFrame* ResultsPanel = nullptr;
    QTableView* ResultsGrid = nullptr;
    FinderGridModel* ResultsModel = nullptr;
    QSplitter* PreviewSplitter = nullptr;
    PagePane* PreviewPanel = nullptr;
    HtmlView* PageView = nullptr;
    QScrollArea* PictureBox = nullptr;
    QLabel* PictureLabel = nullptr;

    QMenu* ResultMenu = nullptr;
    QAction* DocumentSourceAction = nullptr;
    QAction* OpenAction = nullptr;
    QAction* DeleteAction = nullptr;
    QAction* SaveAsAction = nullptr;
    QAction* PropertiesAction = nullptr;
    QAction* ContextMenuAction = nullptr;

    QMenu* PageMenu = nullptr;
    QAction* CopyAction = nullptr;
    QAction* SelectAllAction = nullptr;
    QAction* PrintSelectionAction = nullptr;

    FileSearch* Searcher = nullptr;

    int FoundCount = 0;
    std::int64_t FoundBytes = 0;  // 64-bit: a search may well find more than 2 GB
    int NextRow = 1;
    bool FinderClosing = false;
    QPoint LastGridPoint;

    // The grid as a string grid: row 0 is the header row, column 0 the row numbers.
    int GridRowCount() const;
    std::string Cells(int col, int row) const;
    int SelectedRow() const;  // 1.. or 0 when none
    void SelectRow(int row);
    std::string SelectedPath() const;

    // Handlers.
    void StartSearch();
    void StopSearch();
    void ChooseStartFolder();
    void ChooseBackgroundColour();
    void CloseFinder();
    void OnFolderEntered(const std::string& fullPath, const FoundFile& info);
    void OnFileFound(const std::string& fullPath, const FoundFile& info);
    void OnSearchFinished(QObject* sender);
    void PreviewSelectedFile();
    bool HandleGridKey(int key);  // true when the key was a finder command
    void OnGridMousePressed(const QPoint& point);
    void UpdateResultMenu();
    void ShowDocumentSource();
    void OpenFileExternally();
    void DeleteSelectedFile();
    void SaveFileCopy();
    void ShowFileProperties();
    void ShowFileContextMenu();
    void UpdatePageMenu();
    void CopySelection();
    void SelectAllText();
    void PrintSelection();
    void OnPageRequested();
    void OnPageLoaded();
    void OnPageError();
    void OnPagePressed(Qt::MouseButton button, const QPoint& globalPos);
    void OnActivated();

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;

  private:
    void BuildWindow();
    void BuildTopBar();
    void BuildGrid();
    void BuildPreview();
    void BuildMenus();
    void SetCell(int col, int row, const std::string& text);
    void ShowPictureFile(const std::string& path);
    void ShowError(const std::string& text);
    void PumpDuringSearch();

    ViewerDialogs& dialogs_;
    bool searching_ = false;
    bool previewHeld_ = false;  // during a walk: rows are previewed once it has ended
    bool deleteAfterSearch_ = false;
    QElapsedTimer gridPaintClock_;
};
