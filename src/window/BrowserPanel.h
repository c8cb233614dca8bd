#pragma once

#include <QColor>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "viewers/FullScreenShow.h"
#include "widgets/PageHistory.h"

class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QScrollArea;
class QToolButton;
class SessionPrompts;
class HtmlView;
class PagePane;

// What the browser panel needs from the main window that hosts it.
class BrowserPanelHost {
public:
    virtual ~BrowserPanelHost() = default;

    virtual bool ProjectListVisible() const = 0;  // FileListView
    virtual bool LocalListVisible() const = 0;    // LocalFileList
    virtual std::string ProjectFolder() const = 0;     // ends in "/"
    virtual std::string LocalFilesFolder() const = 0;  // ends in "/", or empty
    // Names of the visible list's items, in list order.
    virtual std::vector<std::string> VisibleListNames() const = 0;
    // What a full-screen show reads from the window.
    virtual FullScreenShowSource FullScreenSource() const = 0;
    // True while the panel is the lower pane (the View Browser Panel button is disabled).
    virtual bool BrowserPanelIsLowerPane() const = 0;
    // The lower pane's bevels: lowered, or removed.
    virtual void SetLowerPaneLowered(bool lowered) = 0;
    // The bottom bar's grid set (picture, thread count, message) shown or hidden.
    virtual void SetGridSetVisible(bool visible) = 0;
    virtual SessionPrompts& Prompts() = 0;
    // The window that owns the document source windows and the full-screen show.
    virtual QWidget* Owner() = 0;
};

// The lower pane's browser: a PagePane (pages and text files in the HTML control PageView,
// pictures in the image PictureLabel inside the scroll box PictureBox), each list with a page
// history of its own. The panel's buttons (PanelButtons) go into the window's bottom bar.
class BrowserPanel : public QWidget {
    Q_OBJECT
public:
    explicit BrowserPanel(BrowserPanelHost& host, QWidget* parent = nullptr);

    PagePane* Pane;
    // The pane's parts.
    HtmlView* PageView;
    QScrollArea* PictureBox;
    QLabel* PictureLabel;

    // The bottom bar's panel set, left to right.
    QWidget* PanelButtons;
    QToolButton* ColorBtn;
    QToolButton* SavePanelFileBtn;
    QToolButton* PrintBtn;
    QToolButton* ShowFullScreenBtn;
    QToolButton* DocSourceBtn;
    QToolButton* HTMLBackBtn;
    QToolButton* HTMLForwardBtn;
    QLabel* PanelFileLabel;
    QProgressBar* LoadProgress;

    QMenu* HTMLPopupMenu;
    QAction* HTMLOpen;
    QAction* HTMLCopy;
    QAction* HTMLSelectAll;
    QAction* HTMLPrintSelectedText;

    // Shows the file `name` of the project list (projectList) or of the local-files list.
    void DisplayFile(const std::string& name, bool projectList);

    void OnPageRequested(const std::string& url);
    void OnPageData();
    void OnPageLoaded();
    void OnPageError();
    void GoBack();
    void GoForward();

    void VisibleHTMLButtons(bool show);
    void EnableDisableHTMLButtons();
    void EnableDisableFullScreenBtn();
    // Back and Forward from a history: Forward when an entry follows the position, Back when
    // the position is above 0 (Parts that bring a list back use this).
    void EnableBackForward(bool local);

    void ShowDocumentSource();
    void SavePanelFileAs();
    void PrintPanelFile();
    void StartFullScreenShow();
    void ChooseBackgroundColour();

    void OnPagePressed(Qt::MouseButton button, int x, int y);
    void UpdatePageMenu();
    void OpenPanelFile();
    void CopySelection();
    void SelectAllText();
    void PrintSelection();

    void FitToPane();

    // The page history of the local-files list (local) or of the project list.
    PageHistory& History(bool local) { return local ? localHistory_ : projectHistory_; }

    // The folder of the visible list + the file label: the file the commands act on.
    std::string CurrentFilePath() const;
    // A button's whole hint ("Short|Long").
    static std::string Hint(const QWidget* widget);

    // The colour dialog, fully expanded; replaced in tests. Nothing: the person cancelled.
    std::function<std::optional<QColor>(const QColor& initial)> ChooseColor;
    // The desktop's "print" verb; gives the reason when nothing was printed. Replaced in tests.
    std::function<std::string(const std::string& path)> PrintFile;

private:
    bool LocalVisible() const;
    std::string VisibleFolder() const;
    void ShowError(const std::string& text);
    void ShowHistoryEntry(int step);

    BrowserPanelHost& host_;
    // Full paths, compared as the file systems the program came from compare them.
    PageHistory projectHistory_{true};
    PageHistory localHistory_{true};
};
