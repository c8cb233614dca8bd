#pragma once

#include <QElapsedTimer>
#include <QPoint>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>

#include "viewers/FileFind.h"

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
class TFinderGridModel;
class QToolButton;
class THTML;
class ViewerDialogs;

// Texts of the result grid and the caption.
std::string FinderSizeText(std::int64_t size);                           // "1" for under 1 KB
std::string FinderTotalText(std::int64_t bytes, const QLocale& locale);  // "1000 KB", "0.98 MB"
std::string FinderAttrText(int attr);                                    // "R, A, H"; "" for others
std::string FinderModifiedText(std::int64_t time, const QLocale& locale);

// The file finder: searches a folder tree for files matching a mask, lists them with size,
// time and attributes, previews the selected page or picture and offers file commands on it.
class TFindFileForm : public QWidget {
    Q_OBJECT
  public:
    explicit TFindFileForm(QWidget* owner = nullptr, ViewerDialogs* dialogs = nullptr);
    ~TFindFileForm() override;

    // Commands the finder borrows from the main window.
    std::function<void(QWidget* owner)> ShowAboutBox;

    // --- Top bar Panel2
    QFrame* Panel2 = nullptr;
    QLineEdit* Location = nullptr;
    QToolButton* BrowseBtn = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QToolButton* StartBtn = nullptr;
    QToolButton* StopBtn = nullptr;
    QToolButton* ColorBtn = nullptr;
    QToolButton* CloseBtn = nullptr;

    // --- Results and preview
    QFrame* Panel3 = nullptr;
    QTableView* SGrid1 = nullptr;
    TFinderGridModel* SGrid1Cells = nullptr;
    QSplitter* Splitter1 = nullptr;
    QFrame* Panel1 = nullptr;
    THTML* HTML1 = nullptr;
    QScrollArea* ScrollBox1 = nullptr;
    QLabel* Image1 = nullptr;

    QMenu* PopupMenu1 = nullptr;
    QAction* DocumentSource1 = nullptr;
    QAction* FindFileHTMLOpen = nullptr;
    QAction* Delete1 = nullptr;
    QAction* SaveAs1 = nullptr;
    QAction* Properties1 = nullptr;
    QAction* ContextMenu1 = nullptr;

    QMenu* FindFileHTMLPopupMenu = nullptr;
    QAction* FindFileHTMLCopy = nullptr;
    QAction* FindFileHTMLSelectAll = nullptr;
    QAction* FindFileHTMLPrintSelectedText = nullptr;

    TFileSearch* FileSearch1 = nullptr;

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
    void StartBtnClick();
    void StopBtnClick();
    void BrowseBtnClick();
    void ColorBtnClick();
    void CloseBtnClick();
    void FileSearch1ChangeFolder(const std::string& fullPath, const TSearchRec& info);
    void FileSearch1FileFind(const std::string& fullPath, const TSearchRec& info);
    void FileSearch1Finish(QObject* sender);
    void SGrid1Click();
    bool SGrid1KeyDown(int key);  // true when the key was a finder command
    void SGrid1MouseDown(const QPoint& point);
    void PopupMenu1Popup();
    void DocumentSource1Click();
    void FindFileHTMLOpenClick();
    void Delete1Click();
    void SaveAs1Click();
    void Properties1Click();
    void ContextMenu1Click();
    void FindFileHTMLPopupMenuPopup();
    void FindFileHTMLCopyClick();
    void FindFileHTMLSelectAllClick();
    void FindFileHTMLPrintSelectedTextClick();
    void HTML1DoRequestDoc();
    void HTML1EndRetrieval();
    void HTML1Error();
    void HTML1MouseDown(Qt::MouseButton button, const QPoint& globalPos);
    void FormActivate();

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;

  private:
    void FormCreate();
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
    bool deleteAfterSearch_ = false;
    QElapsedTimer gridPaintClock_;
};
