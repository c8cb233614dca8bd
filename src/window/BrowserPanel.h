#pragma once

#include <QColor>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "viewers/TFullScreenForm.h"

class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QScrollArea;
class QToolButton;
class SessionPrompts;
class THTML;

// What the browser panel needs from the main window that hosts it.
class TBrowserPanelHost {
public:
    virtual ~TBrowserPanelHost() = default;

    virtual bool ProjectListVisible() const = 0;  // FileListView
    virtual bool LocalListVisible() const = 0;    // SystemListView1
    virtual std::string ProjectFolder() const = 0;     // ends in "/"
    virtual std::string LocalFilesFolder() const = 0;  // ends in "/", or empty
    // Names of the visible list's items, in list order.
    virtual std::vector<std::string> VisibleListNames() const = 0;
    // What a full-screen show reads from the window.
    virtual TFullScreenSource FullScreenSource() const = 0;
    // True while the panel is the lower pane (the View Browser Panel button is disabled).
    virtual bool BrowserPanelIsLowerPane() const = 0;
    // The lower pane's bevels: lowered, or removed.
    virtual void SetLowerPaneLowered(bool lowered) = 0;
    // The bottom bar's grid set (picture, thread count, message) shown or hidden.
    virtual void SetGridSetVisible(bool visible) = 0;
    // The page histories: the project list's and the local-files list's.
    virtual std::vector<std::string>& History(bool local) = 0;
    virtual int& HistoryIndex(bool local) = 0;
    virtual SessionPrompts& Prompts() = 0;
    // The window that owns the document source windows and the full-screen show.
    virtual QWidget* Owner() = 0;
};

// The lower pane's browser: pages and text files in the HTML control HTML1, pictures in the
// image JpegImage inside the scroll box ScrollBox1, each list with a page history of its own.
// The panel's buttons (PanelButtons) go into the window's bottom bar.
class TBrowserPanel : public QWidget {
    Q_OBJECT
public:
    explicit TBrowserPanel(TBrowserPanelHost& host, QWidget* parent = nullptr);

    THTML* HTML1;
    QScrollArea* ScrollBox1;
    QLabel* JpegImage;

    // The bottom bar's panel set, left to right.
    QWidget* PanelButtons;
    QToolButton* ColorBtn;
    QToolButton* SavePanelFileBtn;
    QToolButton* PrintBtn;
    QToolButton* ShowFullScreenBtn;
    QToolButton* DocSourceBtn;
    QToolButton* HTMLBackBtn;
    QToolButton* HTMLForwardBtn;
    QLabel* CBrowserPanelFile;
    QProgressBar* ProgressBar1;

    QMenu* HTMLPopupMenu;
    QAction* HTMLOpen;
    QAction* HTMLCopy;
    QAction* HTMLSelectAll;
    QAction* HTMLPrintSelectedText;

    // Shows the file `name` of the project list (projectList) or of the local-files list.
    void DisplayFile(const std::string& name, bool projectList);

    void HTML1DoRequestDoc(const std::string& url);
    void HTML1DocInput();
    void HTML1EndRetrieval();
    void HTML1Error();
    void HTMLBackBtnClick();
    void HTMLForwardBtnClick();

    void VisibleHTMLButtons(bool show);
    void EnableDisableHTMLButtons();
    void EnableDisableFullScreenBtn();
    // Back and Forward from a history: Forward when an entry follows the position, Back when
    // the position is above 0 (Parts that bring a list back use this).
    void EnableBackForward(bool local);

    void DocSourceBtnClick();
    void SavePanelFileBtnClick();
    void PrintBtnClick();
    void ShowFullScreenBtnClick();
    void ColorBtnClick();

    void HTML1MouseDown(Qt::MouseButton button, int x, int y);
    void HTMLPopupMenuPopup();
    void HTMLOpenClick();
    void HTMLCopyClick();
    void HTMLSelectAllClick();
    void HTMLPrintSelectedTextClick();

    void Panel1Resize();

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

    TBrowserPanelHost& host_;
};
