#include "viewers/HtmlViewer.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QScrollArea>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <filesystem>

#include "core/Text.h"
#include "engine/SessionState.h"
#include "htmlcontrol/ScreenCursor.h"
#include "htmlcontrol/THTML.h"
#include "imaging/Picture.h"
#include "shell/ShellOpen.h"
#include "viewers/NeedleGauge.h"
#include "viewers/PictureView.h"
#include "viewers/Printing.h"
#include "viewers/TDocumentSourceForm.h"
#include "viewers/TPrintHTMLTextForm.h"
#include "viewers/ViewerDialogs.h"
#include "viewers/ViewerIcons.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* ViewerCaption = "Lanternway Viewer";

// Lower-case extension of a file name, dot included; empty when it has none.
std::string NameExtension(const std::string& name) {
    const auto dot = name.find_last_of('.');
    return dot == std::string::npos ? std::string() : LowerCase(name.substr(dot));
}

std::string NamePart(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool IsFile(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

// Tool tip before the bar, status text after it.
void SetHint(QToolButton* button, const std::string& hint) {
    const QString text = QString::fromStdString(hint);
    const auto bar = text.indexOf('|');
    button->setToolTip(bar < 0 ? text : text.left(bar));
    button->setStatusTip(bar < 0 ? text : text.mid(bar + 1));
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

THtmlViewerForm::THtmlViewerForm(ViewerFileSource& files, QWidget* owner, ViewerDialogs* dialogs)
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
    BuildPanels();
    BuildMenu();
    layout->addWidget(Panel1);
    layout->addWidget(HTMLPanel, 1);
    layout->addWidget(JPEGPanel, 1);
}

THtmlViewerForm::~THtmlViewerForm() {
    // A page still loading would leave the hourglass behind.
    if (HTML1 && HTML1->Retrieving()) SetScreenCursor(Qt::ArrowCursor);
}

void THtmlViewerForm::BuildToolBar() {
    Panel1 = new QFrame(this);
    Panel1->setFrameShape(QFrame::StyledPanel);
    Panel1->setFixedHeight(34);
    auto* bar = new QHBoxLayout(Panel1);
    bar->setContentsMargins(3, 1, 3, 1);
    bar->setSpacing(1);
    QStyle* s = style();
    BackBtn = ToolButton(Panel1, s->standardIcon(QStyle::SP_MediaSkipBackward));
    NextBtn = ToolButton(Panel1, s->standardIcon(QStyle::SP_MediaSkipForward));
    PrintBtn = ToolButton(Panel1, PrinterIcon());
    SourceBtn = ToolButton(Panel1, DocumentSourceIcon());
    SaveAsBtn = ToolButton(Panel1, s->standardIcon(QStyle::SP_DialogSaveButton));
    ColorBtn = ToolButton(Panel1, ColorSwatchIcon());
    ExitBtn = ToolButton(Panel1, s->standardIcon(QStyle::SP_DialogCloseButton));
    HTMLBackBtn = ToolButton(Panel1, s->standardIcon(QStyle::SP_ArrowBack));
    HTMLForwardBtn = ToolButton(Panel1, s->standardIcon(QStyle::SP_ArrowForward));
    ReloadBtn = ToolButton(Panel1, s->standardIcon(QStyle::SP_BrowserReload));
    for (QToolButton* b : {BackBtn, NextBtn, PrintBtn, SourceBtn, SaveAsBtn, ColorBtn, ExitBtn})
        bar->addWidget(b);
    bar->addSpacing(16);
    for (QToolButton* b : {HTMLBackBtn, HTMLForwardBtn, ReloadBtn}) bar->addWidget(b);
    bar->addStretch(1);
    Gauge1 = new TNeedleGauge(Panel1);
    Gauge1->setFixedSize(56, 30);
    bar->addWidget(Gauge1);

    SetHint(ExitBtn, "Close|Close active window");
    SetHint(ColorBtn, "Change Color|Change background color of image panel");
    SetHint(HTMLBackBtn, "Back");
    SetHint(HTMLForwardBtn, "Forward");
    SetHint(ReloadBtn, "Reload");
    for (QToolButton* b : {BackBtn, NextBtn, PrintBtn, SourceBtn, SaveAsBtn, ColorBtn, HTMLBackBtn,
                           HTMLForwardBtn, ReloadBtn})
        b->setEnabled(false);

    connect(BackBtn, &QToolButton::clicked, this, [this] { BackBtnClick(); });
    connect(NextBtn, &QToolButton::clicked, this, [this] { NextBtnClick(); });
    connect(PrintBtn, &QToolButton::clicked, this, [this] { PrintBtnClick(); });
    connect(SourceBtn, &QToolButton::clicked, this, [this] { SourceBtnClick(); });
    connect(SaveAsBtn, &QToolButton::clicked, this, [this] { SaveAsBtnClick(); });
    connect(ColorBtn, &QToolButton::clicked, this, [this] { ColorBtnClick(); });
    connect(ExitBtn, &QToolButton::clicked, this, [this] { ExitBtnClick(); });
    connect(HTMLBackBtn, &QToolButton::clicked, this, [this] { HTMLBackBtnClick(); });
    connect(HTMLForwardBtn, &QToolButton::clicked, this, [this] { HTMLForwardBtnClick(); });
    connect(ReloadBtn, &QToolButton::clicked, this, [this] { ReloadBtnClick(); });
}

void THtmlViewerForm::BuildPanels() {
    HTMLPanel = new QWidget(this);
    auto* h = new QVBoxLayout(HTMLPanel);
    h->setContentsMargins(0, 0, 0, 0);
    HTML1 = new THTML(HTMLPanel);
    h->addWidget(HTML1);
    HTMLPanel->hide();

    JPEGPanel = new QFrame(this);
    JPEGPanel->setFrameShape(QFrame::StyledPanel);
    JPEGPanel->setAutoFillBackground(true);
    auto* j = new QVBoxLayout(JPEGPanel);
    j->setContentsMargins(0, 0, 0, 0);
    ScrollBox1 = new QScrollArea(JPEGPanel);
    ScrollBox1->setAlignment(Qt::AlignCenter);
    ScrollBox1->setFrameShape(QFrame::NoFrame);
    ScrollBox1->setBackgroundRole(QPalette::Window);
    ScrollBox1->viewport()->setAutoFillBackground(false);
    Image1 = new QLabel;
    Image1->setAlignment(Qt::AlignCenter);
    ScrollBox1->setWidget(Image1);
    j->addWidget(ScrollBox1);
    JPEGPanel->hide();

    HTML1->OnDoRequestDoc = [this](const std::string& url, bool&) { HTML1DoRequestDoc(url); };
    HTML1->OnDocInput = [this](const TDocInput& input) {
        HTML1DocInput(input.ExpectedBytes, input.ReceivedBytes);
    };
    HTML1->OnEndRetrieval = [this] { HTML1EndRetrieval(); };
    HTML1->OnError = [this](int, std::string&, bool&) { HTML1Error(); };
    HTML1->OnMouseDown = [this](Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y) {
        HTML1MouseDown(button, HTML1->mapToGlobal(QPoint(x, y)));
    };
}

void THtmlViewerForm::BuildMenu() {
    HTMLViewerPopupMenu = new QMenu(this);
    HTMLViewerOpen =
        HTMLViewerPopupMenu->addAction("&Open", this, [this] { HTMLViewerOpenClick(); });
    HTMLViewerCopy =
        HTMLViewerPopupMenu->addAction("&Copy", this, [this] { HTMLViewerCopyClick(); });
    HTMLViewerSelectAll =
        HTMLViewerPopupMenu->addAction("&Select All", this, [this] { HTMLViewerSelectAllClick(); });
    HTMLViewerPrintSelectedText = HTMLViewerPopupMenu->addAction(
        "&Print Selected Text", this, [this] { HTMLViewerPrintSelectedTextClick(); });
    connect(HTMLViewerPopupMenu, &QMenu::aboutToShow, this, [this] { HTMLViewerPopupMenuPopup(); });
}

std::string THtmlViewerForm::CurrentURL() const {
    return THTML::LocalFileURL(CurrentPath());
}

int THtmlViewerForm::VisibleCount() const {
    return files_.FileListViewVisible() ? files_.FileListViewCount()
                                        : files_.SystemListView1Count();
}

void THtmlViewerForm::SetCaptionToCurrent() {
    setWindowTitle(QString::fromStdString(std::string(AppTitle) + " - " + CurrentPath()));
}

// --- Showing the list's files -----------------------------------------------------------------

void THtmlViewerForm::ShowFile() {
    if (files_.SystemListView1Count() == 0 && files_.FileListViewCount() == 0) return;
    // The list may have shrunk since this window stepped to its position.
    if (ListIndex < 0 || ListIndex >= VisibleCount()) return;
    const bool projectList = files_.FileListViewVisible();
    ViewerFileName = NamePart(files_.ItemPath(ListIndex));
    ViewerFolder = projectList ? files_.ProjectFolder() : files_.LocalFilesFolder();
    if (!ViewerFolder.empty() && ViewerFolder.back() != '/') ViewerFolder += '/';
    ViewerFileExt = NameExtension(ViewerFileName);
    const ViewerKind kind = ViewerKindOf(ViewerFileExt);
    HTMLPanel->setVisible(kind == ViewerKind::Html);
    JPEGPanel->setVisible(kind == ViewerKind::Image);
    SetCaptionToCurrent();
    if (kind == ViewerKind::Image) {
        ShowPictureFile();
    } else if (kind == ViewerKind::Html) {
        Image1->hide();
        ScrollBox1->hide();
        HTML1->ShowURL(CurrentURL());
    }
    // Also after a picture that could not be shown: Back and Next must still step on.
    EnableDisableButtons();
}

void THtmlViewerForm::ShowPictureFile() {
    ScrollBox1->show();
    Image1->show();
    QImage picture;
    try {
        picture = LoadPicture(CurrentPath());
    } catch (const std::exception& e) {
        Image1->clear();
        Image1->adjustSize();
        ShowError(e.what());
        return;
    }
    ShowPicture(*ScrollBox1, *Image1, picture);
}

void THtmlViewerForm::EnableDisableButtons() {
    const int count = VisibleCount();
    BackBtn->setEnabled(ListIndex > 0);
    NextBtn->setEnabled(ListIndex < count - 1);
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

void THtmlViewerForm::BackBtnClick() {
    --ListIndex;
    ShowFile();
}

void THtmlViewerForm::NextBtnClick() {
    ++ListIndex;
    ShowFile();
}

// --- The page history ------------------------------------------------------------------------

void THtmlViewerForm::HTML1DoRequestDoc(const std::string& url) {
    SetScreenCursor(Qt::WaitCursor);
    HTML1->viewport()->setCursor(Qt::WaitCursor);
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
    const auto known = std::find(History.begin(), History.end(), name);
    if (known != History.end()) {
        HistoryIndex = static_cast<int>(known - History.begin());
    } else {
        History.resize(static_cast<std::size_t>(HistoryIndex + 1));
        History.push_back(name);
        HistoryIndex = static_cast<int>(History.size()) - 1;
    }
    HTMLForwardBtn->setEnabled(HistoryIndex < static_cast<int>(History.size()) - 1);
    HTMLBackBtn->setEnabled(HistoryIndex > 0);
    ViewerFileExt = NameExtension(name);
    EnableDisableButtons();
    SetHistoryHints();
}

void THtmlViewerForm::SetHistoryHints() {
    SetHint(HTMLBackBtn, HTMLBackBtn->isEnabled() && HistoryIndex > 0
                             ? History[static_cast<std::size_t>(HistoryIndex - 1)]
                             : "Back");
    const bool next = HTMLForwardBtn->isEnabled() && HistoryIndex >= 0 &&
                      HistoryIndex + 1 < static_cast<int>(History.size());
    SetHint(HTMLForwardBtn,
            next ? History[static_cast<std::size_t>(HistoryIndex + 1)] : std::string("Forward"));
}

void THtmlViewerForm::HTMLBackBtnClick() {
    if (HistoryIndex <= 0 || HistoryIndex > static_cast<int>(History.size())) return;
    JPEGPanel->hide();
    Image1->hide();
    ScrollBox1->hide();
    HTMLPanel->show();
    ViewerFileName = History[static_cast<std::size_t>(HistoryIndex - 1)];
    SetCaptionToCurrent();
    HTML1->ShowURL(CurrentURL());
    SetHistoryHints();
}

void THtmlViewerForm::HTMLForwardBtnClick() {
    if (HistoryIndex < -1 || HistoryIndex + 1 >= static_cast<int>(History.size())) return;
    JPEGPanel->hide();
    Image1->hide();
    ScrollBox1->hide();
    HTMLPanel->show();
    ViewerFileName = History[static_cast<std::size_t>(HistoryIndex + 1)];
    SetCaptionToCurrent();
    HTML1->ShowURL(CurrentURL());
}

void THtmlViewerForm::ReloadBtnClick() {
    HTML1->ShowURL(CurrentURL());
}

void THtmlViewerForm::HTML1EndRetrieval() {
    SetScreenCursor(Qt::ArrowCursor);
    HTML1->viewport()->setCursor(Qt::ArrowCursor);
}

void THtmlViewerForm::HTML1Error() {
    HTML1EndRetrieval();
}

void THtmlViewerForm::HTML1DocInput(std::int64_t expectedBytes, std::int64_t receivedBytes) {
    Gauge1->SetMaxValue(expectedBytes);
    Gauge1->SetProgress(receivedBytes);
}

// --- Commands on the shown file ----------------------------------------------------------------

void THtmlViewerForm::SourceBtnClick() {
    OpenDocumentSource(this, CurrentPath(), dialogs_);
}

void THtmlViewerForm::SaveAsBtnClick() {
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
    if (NameExtension(NamePart(target)).empty()) {
        const auto dot = ViewerFileName.find_last_of('.');
        if (dot != std::string::npos) target += ViewerFileName.substr(dot);
    }
    // copy_file refuses to copy a file onto itself, so nothing is lost that way.
    fs::copy_file(path, target, fs::copy_options::overwrite_existing, ec);
}

void THtmlViewerForm::PrintBtnClick() {
    // Nothing printed (no printer, a file that cannot be read) is said, not passed over.
    const std::string reason = ShellPrint(CurrentPath());
    if (!reason.empty()) ShowError(reason);
}

void THtmlViewerForm::ColorBtnClick() {
    const auto colour = dialogs_.ChooseColor(this, JPEGPanel->palette().color(QPalette::Window));
    if (!colour) return;
    if (!colour->isValid()) {
        ShowError("Color dialog failed to load.");
        return;
    }
    QPalette p = JPEGPanel->palette();
    p.setColor(QPalette::Window, *colour);
    JPEGPanel->setPalette(p);
}

void THtmlViewerForm::ExitBtnClick() {
    close();
}

// --- The page's pop-up menu ------------------------------------------------------------------

void THtmlViewerForm::HTML1MouseDown(Qt::MouseButton button, const QPoint& globalPos) {
    if (button != Qt::RightButton) return;
    HTMLViewerPopupMenu->popup(globalPos);
}

void THtmlViewerForm::HTMLViewerPopupMenuPopup() {
    const bool selection = HTML1->HasSelection();
    HTMLViewerCopy->setEnabled(selection);
    HTMLViewerPrintSelectedText->setEnabled(selection);
}

void THtmlViewerForm::HTMLViewerOpenClick() {
    ShellOpen(CurrentPath(), CurrentPath(), ViewerFolder, 1);
}

void THtmlViewerForm::HTMLViewerCopyClick() {
    QGuiApplication::clipboard()->setText(QString::fromStdString(HTML1->GetSelectedText(-1, -1)));
}

void THtmlViewerForm::HTMLViewerSelectAllClick() {
    HTML1->SelectAll();
}

void THtmlViewerForm::HTMLViewerPrintSelectedTextClick() {
    try {
        PrintSelectedHTMLText(*HTML1);
    } catch (const std::exception& e) {
        ShowError(e.what());
    }
}

void THtmlViewerForm::ShowError(const std::string& text) {
    dialogs_.Ask(this, text, ViewerDialogs::Kind::Error, ViewerDialogs::Buttons::Ok);
}
