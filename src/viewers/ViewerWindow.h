#pragma once

#include <QWidget>
#include <string>
#include <vector>

#include "widgets/PageHistory.h"

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QScrollArea;
class QToolButton;
class HtmlView;
class NeedleGauge;
class PagePane;
class ViewerDialogs;

// What the viewer reads from the main window: its two file lists (the project list and the
// local-files list, one of them visible).
class ViewerFileSource {
  public:
    virtual ~ViewerFileSource() = default;
    virtual bool FileListViewVisible() const = 0;  // otherwise the local-files list is visible
    virtual int FileListViewCount() const = 0;
    virtual int LocalFilesCount() const = 0;
    // Full path of the file the visible list's item at index stands for (the viewer shows it
    // from its own folder), and the item's display name.
    virtual std::string ItemPath(int index) const = 0;
    virtual std::string ItemDisplayName(int index) const = 0;
};

// What kind of view a file gets in the viewer, by its lower-case extension.
enum class ViewerKind { Html, Image, Other };
ViewerKind ViewerKindOf(const std::string& lowerExtension);

// A stand-alone viewer that steps through the main window's visible file list: pages and text
// files in an HTML control, with their own page history, pictures in a scrollable panel.
class ViewerWindow : public QWidget {
    Q_OBJECT
  public:
    ViewerWindow(ViewerFileSource& files, QWidget* owner = nullptr,
                    ViewerDialogs* dialogs = nullptr);
    ~ViewerWindow() override;

    int ListIndex = 0;
    PageHistory History;  // names of the pages shown, in visiting order

    // The file shown. Each viewer window keeps its own, so that its commands act on the file it
    // shows, whatever another viewer window shows meanwhile.
    std::string ViewerFileName;
    std::string ViewerFileExt;  // lower case, with the dot; empty when the name has none
    std::string ViewerFolder;   // the shown list item's folder, ending in "/"
    std::string CurrentPath() const { return ViewerFolder + ViewerFileName; }
    std::string CurrentURL() const;

    // --- Tool bar ToolBarPanel
    QFrame* ToolBarPanel = nullptr;
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
    NeedleGauge* ProgressGauge = nullptr;

    // --- The client area: a page or a picture, framed as a picture panel while it shows one
    PagePane* Pane = nullptr;
    HtmlView* PageView = nullptr;
    QScrollArea* PictureBox = nullptr;
    QLabel* PictureLabel = nullptr;

    QMenu* PageMenu = nullptr;
    QAction* OpenAction = nullptr;
    QAction* CopyAction = nullptr;
    QAction* SelectAllAction = nullptr;
    QAction* PrintSelectionAction = nullptr;

    void ShowFile();
    void EnableDisableButtons();

    void ShowPreviousFile();
    void ShowNextFile();
    // The keys' steps: like the Back and Next buttons, and nothing where those are disabled.
    void StepToPreviousFile();
    void StepToNextFile();
    void ShowDocumentSource();
    void SaveFileCopy();
    void PrintFile();
    void ChooseBackgroundColour();
    void CloseViewer();
    void PageBack();
    void PageForward();
    void ReloadPage();
    void OpenFileExternally();
    void CopySelection();
    void SelectAllText();
    void PrintSelection();
    void UpdatePageMenu();

    void OnPageRequested(const std::string& url);
    void OnPageData(std::int64_t expectedBytes, std::int64_t receivedBytes);
    void OnPageLoaded();
    void OnPageError();
    void OnPagePressed(Qt::MouseButton button, const QPoint& globalPos);

  protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    // True when ListIndex names the list item this window last stepped to (moving ListIndex
    // to it when the list has changed); false when that item is no longer in the list.
    bool FollowList();
    void BuildToolBar();
    void BuildPane();
    // The pane shows a page (or, with `picture`, a picture on its panel).
    void ShowPaneFor(bool picture);
    void BuildMenu();
    void BuildKeys();
    int VisibleCount() const;
    void SetCaptionToCurrent();
    void SetHistoryHints();
    void ShowPictureFile();
    void ShowError(const std::string& text);

    ViewerFileSource& files_;
    ViewerDialogs& dialogs_;
    std::string listItem_;  // the list item last stepped to, as the list named it
    bool listItemInProject_ = true;
};
