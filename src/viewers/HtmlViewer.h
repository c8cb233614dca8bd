#pragma once

#include <QWidget>
#include <string>
#include <vector>

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QScrollArea;
class QToolButton;
class THTML;
class TNeedleGauge;
class ViewerDialogs;

// What the viewer reads from the main window: its two file lists (the project list and the
// local-files list, one of them visible), and the folders they show.
class ViewerFileSource {
  public:
    virtual ~ViewerFileSource() = default;
    virtual bool FileListViewVisible() const = 0;  // otherwise the local-files list is visible
    virtual int FileListViewCount() const = 0;
    virtual int SystemListView1Count() const = 0;
    // Full path and display name of the visible list's item at index.
    virtual std::string ItemPath(int index) const = 0;
    virtual std::string ItemDisplayName(int index) const = 0;
    virtual std::string ProjectFolder() const = 0;     // ends in "/"
    virtual std::string LocalFilesFolder() const = 0;  // ends in "/"
};

// What kind of view a file gets in the viewer, by its lower-case extension.
enum class ViewerKind { Html, Image, Other };
ViewerKind ViewerKindOf(const std::string& lowerExtension);

// A stand-alone viewer that steps through the main window's visible file list: pages and text
// files in an HTML control, with their own page history, pictures in a scrollable panel.
class THtmlViewerForm : public QWidget {
    Q_OBJECT
  public:
    THtmlViewerForm(ViewerFileSource& files, QWidget* owner = nullptr,
                    ViewerDialogs* dialogs = nullptr);
    ~THtmlViewerForm() override;

    int ListIndex = 0;
    std::vector<std::string> History;  // names of the pages shown, in visiting order
    int HistoryIndex = -1;

    // The file shown. Each viewer window keeps its own, so that its commands act on the file it
    // shows, whatever another viewer window shows meanwhile.
    std::string ViewerFileName;
    std::string ViewerFileExt;  // lower case, with the dot; empty when the name has none
    std::string ViewerFolder;   // ends in "/"
    std::string CurrentPath() const { return ViewerFolder + ViewerFileName; }
    std::string CurrentURL() const;

    // --- Tool bar Panel1
    QFrame* Panel1 = nullptr;
    QToolButton* BackBtn = nullptr;
    QToolButton* NextBtn = nullptr;
    QToolButton* PrintBtn = nullptr;
    QToolButton* SourceBtn = nullptr;
    QToolButton* SaveAsBtn = nullptr;
    QToolButton* ColorBtn = nullptr;
    QToolButton* ExitBtn = nullptr;
    QToolButton* HTMLBackBtn = nullptr;
    QToolButton* HTMLForwardBtn = nullptr;
    QToolButton* ReloadBtn = nullptr;
    TNeedleGauge* Gauge1 = nullptr;

    // --- The two panels sharing the client area
    QWidget* HTMLPanel = nullptr;
    THTML* HTML1 = nullptr;
    QFrame* JPEGPanel = nullptr;
    QScrollArea* ScrollBox1 = nullptr;
    QLabel* Image1 = nullptr;

    QMenu* HTMLViewerPopupMenu = nullptr;
    QAction* HTMLViewerOpen = nullptr;
    QAction* HTMLViewerCopy = nullptr;
    QAction* HTMLViewerSelectAll = nullptr;
    QAction* HTMLViewerPrintSelectedText = nullptr;

    void ShowFile();
    void EnableDisableButtons();

    void BackBtnClick();
    void NextBtnClick();
    void SourceBtnClick();
    void SaveAsBtnClick();
    void PrintBtnClick();
    void ColorBtnClick();
    void ExitBtnClick();
    void HTMLBackBtnClick();
    void HTMLForwardBtnClick();
    void ReloadBtnClick();
    void HTMLViewerOpenClick();
    void HTMLViewerCopyClick();
    void HTMLViewerSelectAllClick();
    void HTMLViewerPrintSelectedTextClick();
    void HTMLViewerPopupMenuPopup();

    void HTML1DoRequestDoc(const std::string& url);
    void HTML1DocInput(std::int64_t expectedBytes, std::int64_t receivedBytes);
    void HTML1EndRetrieval();
    void HTML1Error();
    void HTML1MouseDown(Qt::MouseButton button, const QPoint& globalPos);

  private:
    void BuildToolBar();
    void BuildPanels();
    void BuildMenu();
    int VisibleCount() const;
    void SetCaptionToCurrent();
    void SetHistoryHints();
    void ShowPictureFile();
    void ShowError(const std::string& text);

    ViewerFileSource& files_;
    ViewerDialogs& dialogs_;
};
