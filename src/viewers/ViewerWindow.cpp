#include "viewers/ViewerWindow.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QCursor>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QScrollArea>
#include <QShortcut>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <filesystem>

#include "core/AppTitle.h"
#include "core/FileNames.h"
#include "core/Text.h"
#include "htmlview/ScreenCursor.h"
#include "htmlview/HtmlView.h"
#include "shell/ShellOpen.h"
#include "viewers/DocumentSourceWindow.h"
#include "viewers/NeedleGauge.h"
#include "viewers/Printing.h"
#include "viewers/SelectionPrinter.h"
#include "viewers/ViewerDialogs.h"
#include "widgets/DeleteAfterBoxes.h"
#include "widgets/Hints.h"
#include "widgets/PagePane.h"
#include "widgets/ViewerIcons.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* ViewerCaption = "Lanternway Viewer";

std::string NamePart(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool IsFile(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

QToolButton* ToolButton(QWidget* parent, const QIcon& icon) {
    auto* b = new QToolButton(parent);
    b->setIcon(icon);
    b->setIconSize(QSize(20, 20));
    b->setAutoRaise(true);
    b->setFixedSize(30, 30);
    return b;
}

}  // namespace

ViewerKind ViewerKindOf(const std::string& ext) {
    for (const char* e : {".html", ".htm", ".shtml", ".shtm", ".asp", ".txt"})
        if (ext == e) return ViewerKind::Html;
    for (const char* e : {".jpg", ".jpeg", ".gif", ".bmp", ".ico", ".wmf", ".emf"})
        if (ext == e) return ViewerKind::Image;
    return ViewerKind::Other;
}

ViewerWindow::ViewerWindow(ViewerFileSource& files, QWidget* owner, ViewerDialogs* dialogs)
    : QWidget(owner, Qt::Window | Qt::WindowStaysOnTopHint),
      files_(files),
      dialogs_(dialogs ? *dialogs : DefaultViewerDialogs()) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(ViewerCaption);
    resize(560, 418);
    setWindowState(Qt::WindowMaximized);  // the size above is the restored size
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    BuildToolBar();
    BuildPane();
    BuildMenu();
    BuildKeys();
    // Held at the top: with both panels hidden (a file that is neither page nor picture) the
    // layout would otherwise centre the bar in the empty window.
    layout->addWidget(ToolBarPanel, 0, Qt::AlignTop);
    layout->addWidget(Pane, 1);
}

ViewerWindow::~ViewerWindow() {
    // A page still loading would leave the hourglass behind.
    if (PageView && PageView->Retrieving()) SetScreenCursor(Qt::ArrowCursor);
}

void ViewerWindow::BuildToolBar() {
    ToolBarPanel = new QFrame(this);
    ToolBarPanel->setFrameShape(QFrame::StyledPanel);
    ToolBarPanel->setFixedHeight(34);
    auto* bar = new QHBoxLayout(ToolBarPanel);
    bar->setContentsMargins(3, 1, 3, 1);
    bar->setSpacing(1);
    QStyle* s = style();
    BackBtn = ToolButton(ToolBarPanel, s->standardIcon(QStyle::SP_MediaSkipBackward));
    NextBtn = ToolButton(ToolBarPanel, s->standardIcon(QStyle::SP_MediaSkipForward));
    PrintBtn = ToolButton(ToolBarPanel, PrinterIcon());
    SourceBtn = ToolButton(ToolBarPanel, DocumentSourceIcon());
    SaveAsBtn = ToolButton(ToolBarPanel, s->standardIcon(QStyle::SP_DialogSaveButton));
    ColorBtn = ToolButton(ToolBarPanel, ColorSwatchIcon());
    ExitBtn = ToolButton(ToolBarPanel, s->standardIcon(QStyle::SP_DialogCloseButton));
    HTMLBackBtn = ToolButton(ToolBarPanel, s->standardIcon(QStyle::SP_ArrowBack));
    HTMLForwardBtn = ToolButton(ToolBarPanel, s->standardIcon(QStyle::SP_ArrowForward));
    ReloadBtn = ToolButton(ToolBarPanel, s->standardIcon(QStyle::SP_BrowserReload));
    for (QToolButton* b : {BackBtn, NextBtn, PrintBtn, SourceBtn, SaveAsBtn, ColorBtn, ExitBtn})
        bar->addWidget(b);
    bar->addSpacing(16);
    for (QToolButton* b : {HTMLBackBtn, HTMLForwardBtn, ReloadBtn}) bar->addWidget(b);
    bar->addStretch(1);
    ProgressGauge = new NeedleGauge(ToolBarPanel);
    ProgressGauge->setFixedSize(56, 30);
    bar->addWidget(ProgressGauge);

    SetHint(ExitBtn, QStringLiteral("Close|Close active window"));
    SetHint(ColorBtn, QStringLiteral("Change Color|Change background color of image panel"));
    SetHint(HTMLBackBtn, QStringLiteral("Back"));
    SetHint(HTMLForwardBtn, QStringLiteral("Forward"));
    SetHint(ReloadBtn, QStringLiteral("Reload"));
    for (QToolButton* b : {BackBtn, NextBtn, PrintBtn, SourceBtn, SaveAsBtn, ColorBtn, HTMLBackBtn,
                           HTMLForwardBtn, ReloadBtn})
        b->setEnabled(false);

    connect(BackBtn, &QToolButton::clicked, this, [this] { ShowPreviousFile(); });
    connect(NextBtn, &QToolButton::clicked, this, [this] { ShowNextFile(); });
    connect(PrintBtn, &QToolButton::clicked, this, [this] { PrintFile(); });
    connect(SourceBtn, &QToolButton::clicked, this, [this] { ShowDocumentSource(); });
    connect(SaveAsBtn, &QToolButton::clicked, this, [this] { SaveFileCopy(); });
    connect(ColorBtn, &QToolButton::clicked, this, [this] { ChooseBackgroundColour(); });
    connect(ExitBtn, &QToolButton::clicked, this, [this] { CloseViewer(); });
    connect(HTMLBackBtn, &QToolButton::clicked, this, [this] { PageBack(); });
    connect(HTMLForwardBtn, &QToolButton::clicked, this, [this] { PageForward(); });
    connect(ReloadBtn, &QToolButton::clicked, this, [this] { ReloadPage(); });
}

void ViewerWindow::BuildPane() {
    Pane = new PagePane(PagePane::PictureArea::OnPane, this);
    Pane->KeepPageColours();
    PageView = Pane->PageView();
    PictureBox = Pane->PictureBox();
    PictureLabel = Pane->PictureLabel();
    Pane->hide();

    PageView->OnDoRequestDoc = [this](const std::string& url, bool&) { OnPageRequested(url); };
    PageView->OnDocInput = [this](const DocumentProgress& input) {
        OnPageData(input.ExpectedBytes, input.ReceivedBytes);
    };
    PageView->OnEndRetrieval = [this] { OnPageLoaded(); };
    PageView->OnError = [this](int, std::string&, bool&) { OnPageError(); };
    PageView->OnMousePressed = [this](Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y) {
        OnPagePressed(button, PageView->mapToGlobal(QPoint(x, y)));
    };
}

void ViewerWindow::BuildMenu() {
    PageMenu = new QMenu(this);
    OpenAction =
        PageMenu->addAction("&Open", this, [this] { OpenFileExternally(); });
    CopyAction =
        PageMenu->addAction("&Copy", this, [this] { CopySelection(); });
    SelectAllAction =
        PageMenu->addAction("&Select All", this, [this] { SelectAllText(); });
    PrintSelectionAction = PageMenu->addAction(
        "&Print Selected Text", this, [this] { PrintSelection(); });
    connect(PageMenu, &QMenu::aboutToShow, this, [this] { UpdatePageMenu(); });
}

void ViewerWindow::BuildKeys() {
    // The keys people expect of a viewer, whichever panel has the focus: the arrows and Space
    // step through the list (before the page would scroll with them), Esc closes.
    const struct {
        Qt::Key Key;
        void (ViewerWindow::*Command)();
    } keys[] = {{Qt::Key_Right, &ViewerWindow::StepToNextFile},
                {Qt::Key_Space, &ViewerWindow::StepToNextFile},
                {Qt::Key_Left, &ViewerWindow::StepToPreviousFile},
                {Qt::Key_Escape, &ViewerWindow::CloseViewer}};
    for (const auto& key : keys) {
        auto* shortcut = new QShortcut(QKeySequence(key.Key), this);
        connect(shortcut, &QShortcut::activated, this, key.Command);
    }
}

std::string ViewerWindow::CurrentURL() const {
    return HtmlView::LocalFileURL(CurrentPath());
}

int ViewerWindow::VisibleCount() const {
    return files_.FileListViewVisible() ? files_.FileListViewCount()
                                        : files_.LocalFilesCount();
}

void ViewerWindow::SetCaptionToCurrent() {
    setWindowTitle(QString::fromStdString(std::string(AppTitle) + " - " + CurrentPath()));
}

// --- Showing the list's files -----------------------------------------------------------------

void ViewerWindow::ShowFile() {
    if (files_.LocalFilesCount() == 0 && files_.FileListViewCount() == 0) return;
    // The list may have shrunk since this window stepped to its position.
    if (ListIndex < 0 || ListIndex >= VisibleCount()) return;
    listItem_ = files_.ItemPath(ListIndex);
    listItemInProject_ = files_.FileListViewVisible();
    // The item's own folder: in a complete copy a listed file may lie in a folder of the site.
    ViewerFileName = NamePart(listItem_);
    ViewerFolder = listItem_.substr(0, listItem_.size() - ViewerFileName.size());
    ViewerFileExt = LowerCase(FileExtension(ViewerFileName));
    const ViewerKind kind = ViewerKindOf(ViewerFileExt);
    Pane->setVisible(kind != ViewerKind::Other);
    SetCaptionToCurrent();
    if (kind == ViewerKind::Image) {
        ShowPaneFor(true);
        ShowPictureFile();
    } else if (kind == ViewerKind::Html) {
        ShowPaneFor(false);
        PageView->ShowURL(CurrentURL());
    }
    // Also after a picture that could not be shown: Back and Next must still step on.
    EnableDisableButtons();
}

void ViewerWindow::ShowPaneFor(bool picture) {
    // A picture lies on a framed panel of its own colour; a page takes the whole area.
    Pane->setFrameShape(picture ? QFrame::StyledPanel : QFrame::NoFrame);
    PictureLabel->setVisible(picture);
    if (picture)
        Pane->ShowPictureArea();
    else
        Pane->ShowPageArea();
    Pane->show();
}

void ViewerWindow::ShowPictureFile() {
    const std::string failure = Pane->ShowPictureFile(CurrentPath());
    if (!failure.empty()) ShowError(failure);
}

bool ViewerWindow::FollowList() {
    if (listItem_.empty()) return true;  // nothing shown from the list yet
    const int count = VisibleCount();
    const bool sameList = files_.FileListViewVisible() == listItemInProject_;
    if (sameList && ListIndex >= 0 && ListIndex < count && files_.ItemPath(ListIndex) == listItem_)
        return true;
    // The list changed under this window (another session opened, files deleted, the other
    // list shown): find its file again, or stop stepping and keep showing that file.
    if (sameList)
        for (int i = 0; i < count; ++i)
            if (files_.ItemPath(i) == listItem_) {
                ListIndex = i;
                return true;
            }
    return false;
}

void ViewerWindow::EnableDisableButtons() {
    const int count = VisibleCount();
    const bool inList = FollowList();
    BackBtn->setEnabled(inList && ListIndex > 0);
    NextBtn->setEnabled(inList && ListIndex < count - 1);
    SourceBtn->setEnabled(ViewerKindOf(ViewerFileExt) == ViewerKind::Html);
    ReloadBtn->setEnabled(SourceBtn->isEnabled());
    SaveAsBtn->setEnabled(!ViewerFileExt.empty());
    PrintBtn->setEnabled(!ViewerFileExt.empty());
    ColorBtn->setEnabled(!SourceBtn->isEnabled() && SaveAsBtn->isEnabled());

    const std::string path = CurrentPath();
    auto item = [&](int i) {
        return (i >= 0 && i < count) ? files_.ItemDisplayName(i) : std::string();
    };
    SetHint(BackBtn, BackBtn->isEnabled() ? item(ListIndex - 1) : "");
    SetHint(NextBtn, NextBtn->isEnabled() ? item(ListIndex + 1) : "");
    SetHint(SourceBtn, SourceBtn->isEnabled() ? "Document source of \"" + path + "\"" : "");
    SetHint(SaveAsBtn, SaveAsBtn->isEnabled() ? "Save \"" + path + "\" as .." : "");
    SetHint(PrintBtn, PrintBtn->isEnabled() ? "Print \"" + path + "\"" : "");
}

void ViewerWindow::ShowPreviousFile() {
    if (!FollowList()) return EnableDisableButtons();
    --ListIndex;
    ShowFile();
}

void ViewerWindow::ShowNextFile() {
    if (!FollowList()) return EnableDisableButtons();
    ++ListIndex;
    ShowFile();
}

void ViewerWindow::StepToNextFile() {
    EnableDisableButtons();
    if (NextBtn->isEnabled()) ShowNextFile();
}

void ViewerWindow::StepToPreviousFile() {
    EnableDisableButtons();
    if (BackBtn->isEnabled()) ShowPreviousFile();
}

bool ViewerWindow::event(QEvent* event) {
    if (HoldDeletionUnderBoxes(this, event)) return true;
    // Coming back to this window after the main window changed its list: the steps follow.
    if (event->type() == QEvent::WindowActivate) EnableDisableButtons();
    return QWidget::event(event);
}

// --- The page history ------------------------------------------------------------------------

void ViewerWindow::OnPageRequested(const std::string& url) {
    SetScreenCursor(Qt::WaitCursor);
    PageView->viewport()->setCursor(Qt::WaitCursor);
    // Only pages of the viewer's own folder enter the history; web pages, pages in other
    // folders and jumps to a "#" mark are shown by the control and change nothing here.
    if (!StartsWithText(url, "file:")) return;
    std::string path = url.substr(5);
    while (path.size() > 1 && path[0] == '/' && path[1] == '/') path.erase(0, 1);
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return;
    const std::string folder = path.substr(0, slash + 1);
    const std::string name = path.substr(slash + 1);
    if (name.empty() || folder != ViewerFolder || !IsFile(ViewerFolder + name)) return;

    ViewerFileName = name;
    SetCaptionToCurrent();
    History.Visit(name);
    HTMLForwardBtn->setEnabled(History.CanGoForward());
    HTMLBackBtn->setEnabled(History.CanGoBack());
    ViewerFileExt = LowerCase(FileExtension(name));
    EnableDisableButtons();
    SetHistoryHints();
}

void ViewerWindow::SetHistoryHints() {
    SetHint(HTMLBackBtn, HTMLBackBtn->isEnabled() && History.CanGoBack() ? History.At(-1) : "Back");
    const bool next = HTMLForwardBtn->isEnabled() && History.Index() >= 0 && History.CanGoForward();
    SetHint(HTMLForwardBtn, next ? History.At(1) : std::string("Forward"));
}

void ViewerWindow::PageBack() {
    if (!History.CanGoBack()) return;
    ShowPaneFor(false);
    ViewerFileName = History.At(-1);
    SetCaptionToCurrent();
    PageView->ShowURL(CurrentURL());
    SetHistoryHints();
}

void ViewerWindow::PageForward() {
    if (!History.CanGoForward()) return;
    ShowPaneFor(false);
    ViewerFileName = History.At(1);
    SetCaptionToCurrent();
    PageView->ShowURL(CurrentURL());
}

void ViewerWindow::ReloadPage() {
    PageView->ShowURL(CurrentURL());
}

void ViewerWindow::OnPageLoaded() {
    SetScreenCursor(Qt::ArrowCursor);
    PageView->viewport()->setCursor(Qt::ArrowCursor);
}

void ViewerWindow::OnPageError() {
    OnPageLoaded();
}

void ViewerWindow::OnPageData(std::int64_t expectedBytes, std::int64_t receivedBytes) {
    ProgressGauge->SetMaxValue(expectedBytes);
    ProgressGauge->SetProgress(receivedBytes);
}

// --- Commands on the shown file ----------------------------------------------------------------

void ViewerWindow::ShowDocumentSource() {
    OpenDocumentSource(this, CurrentPath(), dialogs_);
}

void ViewerWindow::SaveFileCopy() {
    const std::string path = CurrentPath();
    ViewerDialogs::SaveOptions options;
    options.ConfirmOverwrite = true;
    options.MustExistFolder = true;
    const auto chosen =
        dialogs_.SaveCopyName(this, "Lanternway Viewer - Save \"" + path + "\" As ..",
                              "*" + ViewerFileExt + "|", ViewerFileName, options);
    if (!chosen || chosen->empty()) return;
    std::error_code ec;
    std::string target = fs::absolute(fs::path(*chosen), ec).string();
    if (ec) return;
    if (FileExtension(target).empty()) target += FileExtension(ViewerFileName);
    // copy_file refuses to copy a file onto itself, so nothing is lost that way.
    fs::copy_file(path, target, fs::copy_options::overwrite_existing, ec);
}

void ViewerWindow::PrintFile() {
    // Nothing printed (no printer, a file that cannot be read) is said, not passed over.
    const std::string reason = ShellPrint(CurrentPath());
    if (!reason.empty()) ShowError(reason);
}

void ViewerWindow::ChooseBackgroundColour() {
    Pane->ChooseBackground(
        [this](const QColor& initial) { return dialogs_.ChooseColor(this, initial); },
        [this](const std::string& text) { ShowError(text); });
}

void ViewerWindow::CloseViewer() {
    close();
}

void ViewerWindow::closeEvent(QCloseEvent* event) {
    DeleteAfterBoxes(this);
    QWidget::closeEvent(event);
}

// --- The page's pop-up menu ------------------------------------------------------------------

void ViewerWindow::OnPagePressed(Qt::MouseButton button, const QPoint& globalPos) {
    if (button != Qt::RightButton) return;
    PageMenu->popup(globalPos);
}

void ViewerWindow::UpdatePageMenu() {
    const bool selection = PageView->HasSelection();
    CopyAction->setEnabled(selection);
    PrintSelectionAction->setEnabled(selection);
}

void ViewerWindow::OpenFileExternally() {
    ShellOpen(CurrentPath(), CurrentPath(), ViewerFolder, 1);
}

void ViewerWindow::CopySelection() {
    QGuiApplication::clipboard()->setText(QString::fromStdString(PageView->GetSelectedText(-1, -1)));
}

void ViewerWindow::SelectAllText() {
    PageView->SelectAll();
}

void ViewerWindow::PrintSelection() {
    try {
        PrintSelectedHTMLText(*PageView);
    } catch (const std::exception& e) {
        ShowError(e.what());
    }
}

void ViewerWindow::ShowError(const std::string& text) {
    dialogs_.Ask(this, text, ViewerDialogs::Kind::Error, ViewerDialogs::Buttons::Ok);
}
