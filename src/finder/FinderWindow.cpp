#include "finder/FinderWindow.h"

#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollArea>
#include <QSplitter>
#include <QStyle>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "about/AboutDialog.h"
#include "core/Text.h"
#include "engine/SessionState.h"
#include "htmlview/ScreenCursor.h"
#include "htmlview/HtmlView.h"
#include "imaging/Picture.h"
#include "shell/ShellContextMenu.h"
#include "shell/ShellOpen.h"
#include "shell/PropertiesDialog.h"
#include "finder/FinderGridModel.h"
#include "viewers/PictureView.h"
#include "viewers/DocumentSourceWindow.h"
#include "viewers/SelectionPrinter.h"
#include "viewers/ViewerDialogs.h"
#include "widgets/ViewerIcons.h"

namespace {

constexpr int InitialGridRows = 11;  // header row included

// Lower-case extension of the last name in a path, dot included; empty when it has none.
std::string PathExtension(const std::string& path) {
    const auto slash = path.find_last_of('/');
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    return LowerCase(path.substr(dot));
}

bool IsOneOf(const std::string& text, std::initializer_list<const char*> list) {
    for (const char* item : list)
        if (text == item) return true;
    return false;
}

bool IsHtmlPreview(const std::string& ext) {
    return IsOneOf(ext, {".html", ".htm", ".shtml", ".shtm"});
}

bool IsImagePreview(const std::string& ext) {
    return IsOneOf(ext, {".jpg", ".jpeg", ".gif", ".wmf", ".emf", ".ico", ".bmp"});
}

QToolButton* MakeButton(QWidget* parent, const QString& text, QStyle::StandardPixmap icon,
                        const QString& hint) {
    auto* b = new QToolButton(parent);
    b->setText(text);
    if (icon != QStyle::SP_CustomBase) b->setIcon(parent->style()->standardIcon(icon));
    b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    b->setAutoRaise(true);
    const auto bar = hint.indexOf('|');
    b->setToolTip(bar < 0 ? hint : hint.left(bar));
    b->setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
    return b;
}

}  // namespace

std::string FinderSizeText(std::int64_t size) {
    const std::int64_t k = size / 1024;
    return k == 0 ? std::string("1") : std::to_string(k);
}

std::string FinderTotalText(std::int64_t bytes, const QLocale& locale) {
    const std::int64_t k = bytes / 1024;
    if (k <= 1000) return std::to_string(k) + " KB";
    QLocale plain = locale;
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    return plain.toString(static_cast<double>(k) / 1024.0, 'f', 2).toStdString() + " MB";
}

std::string FinderAttrText(int attr) {
    switch (attr) {
        case faReadOnly:
            return "R";
        case faHidden:
            return "H";
        case faReadOnly | faHidden:
            return "R, H";
        case faArchive:
            return "A";
        case faReadOnly | faArchive:
            return "R, A";
        case faHidden | faArchive:
            return "A, H";
        case faReadOnly | faHidden | faArchive:
            return "R, A, H";
        default:
            return {};
    }
}

std::string FinderModifiedText(std::int64_t time, const QLocale& locale) {
    const QDateTime when = QDateTime::fromSecsSinceEpoch(time).toLocalTime();
    // The long time format carries the seconds; the zone name that some locales add is noise in
    // a column of local times.
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    timeFormat.remove(QLatin1String(" t")).remove(QLatin1String("t "));
    return (locale.toString(when.date(), QLocale::ShortFormat) + " " +
            locale.toString(when.time(), timeFormat))
        .toStdString();
}

FinderWindow::FinderWindow(QWidget* owner, ViewerDialogs* dialogs)
    : QWidget(owner, Qt::Window | Qt::WindowStaysOnTopHint),
      dialogs_(dialogs ? *dialogs : DefaultViewerDialogs()) {
    BuildWindow();
}

FinderWindow::~FinderWindow() = default;

void FinderWindow::BuildWindow() {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString(AppTitle) + " - Find File");
    resize(585, 433);
    setWindowState(Qt::WindowMaximized);  // the size above is the restored size

    ShowAboutBox = [](QWidget* owner) {
        AboutDialog box(owner);
        box.exec();
    };
    Searcher = new FileSearch(this);
    Searcher->OnChangeFolder = [this](const std::string& f, const FoundFile& r) {
        OnFolderEntered(f, r);
    };
    Searcher->OnFileFind = [this](const std::string& f, const FoundFile& r) {
        OnFileFound(f, r);
    };
    Searcher->OnFinish = [this](QObject* sender) { OnSearchFinished(sender); };
    Searcher->ProcessMessages = [this] { PumpDuringSearch(); };

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    BuildTopBar();
    layout->addWidget(SearchBar);

    PreviewSplitter = new QSplitter(Qt::Vertical, this);
    PreviewSplitter->setHandleWidth(3);
    PreviewSplitter->setChildrenCollapsible(false);
    BuildGrid();
    BuildPreview();
    PreviewSplitter->addWidget(ResultsPanel);
    PreviewSplitter->addWidget(PreviewPanel);
    PreviewSplitter->setStretchFactor(0, 0);
    PreviewSplitter->setStretchFactor(1, 1);
    PreviewSplitter->setSizes({221, 433 - 40 - 221 - 3});
    layout->addWidget(PreviewSplitter, 1);
    BuildMenus();
}

void FinderWindow::BuildTopBar() {
    SearchBar = new QFrame(this);
    SearchBar->setFrameShape(QFrame::StyledPanel);
    SearchBar->setFixedHeight(40);
    auto* bar = new QHBoxLayout(SearchBar);
    bar->setContentsMargins(4, 2, 4, 2);
    bar->setSpacing(3);

    bar->addWidget(new QLabel("Location:", SearchBar));
    Location = new QLineEdit(SearchBar);
    Location->setText(QDir::homePath() + "/");
    Location->setMinimumWidth(70);
    bar->addWidget(Location, 2);
    BrowseBtn = new QToolButton(SearchBar);
    BrowseBtn->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    BrowseBtn->setToolTip("Select Folder");
    BrowseBtn->setAutoRaise(true);
    bar->addWidget(BrowseBtn);
    SubfoldersCheck = new QCheckBox("Include SubFolders", SearchBar);
    SubfoldersCheck->setChecked(true);
    bar->addWidget(SubfoldersCheck);
    bar->addSpacing(2);
    bar->addWidget(new QLabel("File Type:", SearchBar));
    MaskBox = new QComboBox(SearchBar);
    MaskBox->setEditable(true);
    MaskBox->addItems({"*.html", "*.htm", "*.shtml", "*.shtm", "*.gif", "*.jpg", "*.jpeg",
                         "*.bmp", "*.wmf", "*.emf", "*.ico"});
    MaskBox->setCurrentText("*.html");
    MaskBox->setMinimumWidth(64);
    MaskBox->setMaximumWidth(120);
    bar->addWidget(MaskBox, 1);
    bar->addSpacing(2);
    StartBtn = MakeButton(SearchBar, "Start", QStyle::SP_MediaPlay, "Start|Start Search");
    StopBtn = MakeButton(SearchBar, "Stop", QStyle::SP_MediaStop, "Stop|Stop Search");
    ColorBtn = MakeButton(SearchBar, "Color", QStyle::SP_CustomBase,
                          "Change Color|Change background color of image panel");
    CloseBtn =
        MakeButton(SearchBar, "Close", QStyle::SP_DialogCloseButton, "Close|Close active window");
    ColorBtn->setIcon(ColorSwatchIcon());
    ColorBtn->setEnabled(false);
    // Room is short in a window of the default size: the commands that explain themselves
    // by their pictures go without their words.
    ColorBtn->setToolButtonStyle(Qt::ToolButtonIconOnly);
    CloseBtn->setToolButtonStyle(Qt::ToolButtonIconOnly);
    for (QToolButton* b : {StartBtn, StopBtn, ColorBtn, CloseBtn}) bar->addWidget(b);

    connect(StartBtn, &QToolButton::clicked, this, [this] { StartSearch(); });
    connect(StopBtn, &QToolButton::clicked, this, [this] { StopSearch(); });
    connect(BrowseBtn, &QToolButton::clicked, this, [this] { ChooseStartFolder(); });
    connect(ColorBtn, &QToolButton::clicked, this, [this] { ChooseBackgroundColour(); });
    connect(CloseBtn, &QToolButton::clicked, this, [this] { CloseFinder(); });
}

void FinderWindow::BuildGrid() {
    ResultsPanel = new QFrame(this);
    auto* l = new QVBoxLayout(ResultsPanel);
    l->setContentsMargins(0, 0, 0, 0);
    ResultsGrid = new QTableView(ResultsPanel);
    ResultsModel = new FinderGridModel(InitialGridRows - 1, ResultsGrid);
    ResultsGrid->setModel(ResultsModel);
    ResultsGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    ResultsGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    ResultsGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ResultsGrid->setWordWrap(false);
    ResultsGrid->setContextMenuPolicy(Qt::CustomContextMenu);
    // The row numbers are the grid's own fixed column 0, so the view's row header is not used;
    // it still carries the row height.
    auto* rows = ResultsGrid->verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setMinimumSectionSize(12);
    rows->setDefaultSectionSize(17);
    auto* columns = ResultsGrid->horizontalHeader();
    columns->setSectionsMovable(true);
    columns->setHighlightSections(false);
    columns->setFixedHeight(19);
    int widths[] = {44, 351, 48, 117, 48};
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int screenWidth = screen ? screen->size().width() : 0;
    if (screenWidth == 800) {
        widths[1] += 110, widths[2] += 20, widths[3] += 15;
    } else if (screenWidth > 800) {
        widths[1] += 294, widths[2] += 35, widths[3] += 30;
    }
    for (int c = 0; c < 5; ++c) ResultsGrid->setColumnWidth(c, widths[c]);
    l->addWidget(ResultsGrid);

    ResultsGrid->installEventFilter(this);
    ResultsGrid->viewport()->installEventFilter(this);
    connect(ResultsGrid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { PreviewSelectedFile(); });
    connect(ResultsGrid, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        UpdateResultMenu();
        ResultMenu->exec(ResultsGrid->viewport()->mapToGlobal(p));
    });
}

void FinderWindow::BuildPreview() {
    PreviewPanel = new QFrame(this);
    PreviewPanel->setFrameShape(QFrame::StyledPanel);
    PreviewPanel->setAutoFillBackground(true);
    auto* grid = new QGridLayout(PreviewPanel);
    grid->setContentsMargins(0, 0, 0, 0);
    // The page and the picture share the panel; the picture's box lets the panel's colour
    // show around the picture.
    PictureBox = new QScrollArea(PreviewPanel);
    PictureBox->setAlignment(Qt::AlignCenter);
    PictureBox->setFrameShape(QFrame::NoFrame);
    PictureBox->setBackgroundRole(QPalette::Window);
    PictureBox->viewport()->setAutoFillBackground(false);
    PictureLabel = new QLabel;
    PictureLabel->setAlignment(Qt::AlignCenter);
    PictureLabel->setAutoFillBackground(false);
    PictureBox->setWidget(PictureLabel);
    PictureLabel->hide();
    PageView = new HtmlView(PreviewPanel);
    PageView->hide();
    grid->addWidget(PictureBox, 0, 0);
    grid->addWidget(PageView, 0, 0);

    PageView->OnDoRequestDoc = [this](const std::string&, bool&) { OnPageRequested(); };
    PageView->OnEndRetrieval = [this] { OnPageLoaded(); };
    PageView->OnError = [this](int, std::string&, bool&) { OnPageError(); };
    PageView->OnMousePressed = [this](Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y) {
        OnPagePressed(button, PageView->mapToGlobal(QPoint(x, y)));
    };
}

void FinderWindow::BuildMenus() {
    ResultMenu = new QMenu(this);
    DocumentSourceAction =
        ResultMenu->addAction("Do&cument Source", this, [this] { ShowDocumentSource(); });
    ResultMenu->addSeparator();
    OpenAction = ResultMenu->addAction("&Open", this, [this] { OpenFileExternally(); });
    DeleteAction = ResultMenu->addAction("&Delete", this, [this] { DeleteSelectedFile(); });
    SaveAsAction = ResultMenu->addAction("&Save As..", this, [this] { SaveFileCopy(); });
    PropertiesAction = ResultMenu->addAction("&Properties", this, [this] { ShowFileProperties(); });
    ResultMenu->addSeparator();
    ContextMenuAction = ResultMenu->addAction("Context Menu", this, [this] { ShowFileContextMenu(); });

    PageMenu = new QMenu(this);
    CopyAction =
        PageMenu->addAction("&Copy", this, [this] { CopySelection(); });
    SelectAllAction = PageMenu->addAction(
        "&Select All", this, [this] { SelectAllText(); });
    PrintSelectionAction = PageMenu->addAction(
        "&Print Selected Text", this, [this] { PrintSelection(); });
}

// --- The grid as a string grid ---------------------------------------------------------------

int FinderWindow::GridRowCount() const {
    return ResultsModel->rowCount() + 1;
}

std::string FinderWindow::Cells(int col, int row) const {
    if (row < 1 || row >= GridRowCount() || col < 0 || col > 4) return {};
    return ResultsModel->Cell(row - 1, col);
}

void FinderWindow::SetCell(int col, int row, const std::string& text) {
    ResultsModel->SetCell(row - 1, col, text);
}

int FinderWindow::SelectedRow() const {
    const int r = ResultsGrid->currentIndex().row();
    return r < 0 ? 0 : r + 1;
}

void FinderWindow::SelectRow(int row) {
    if (row >= 1 && row < GridRowCount()) ResultsGrid->selectRow(row - 1);
}

std::string FinderWindow::SelectedPath() const {
    const std::string path = Cells(1, SelectedRow());
    // Only a full path names a file: a row that reads "File Deleted" names nothing.
    return (!path.empty() && path[0] == '/') ? path : std::string();
}

// --- Searching --------------------------------------------------------------------------------

void FinderWindow::StartSearch() {
    // Start is reachable while a walk pumps events; a second walk inside the first would mix
    // their rows and totals.
    if (searching_) return;
    ColorBtn->setEnabled(false);
    NextRow = 1;
    FoundBytes = 0;
    FoundCount = 0;
    ResultsModel->ClearCells();
    Searcher->RecurseSubFolders = SubfoldersCheck->isChecked();
    std::string folder = Location->text().toStdString();
    if (folder.empty() || folder.back() != '/') folder += '/';
    Searcher->SearchFile = folder + MaskBox->currentText().toStdString();

    searching_ = true;
    StartBtn->setEnabled(false);
    ResultsGrid->setUpdatesEnabled(false);
    gridPaintClock_.start();
    Searcher->StartSearch();
    // Some locales write long dates: let the time column grow to show them whole.
    const int modifiedWidth = ResultsGrid->columnWidth(3);
    ResultsGrid->resizeColumnToContents(3);
    if (ResultsGrid->columnWidth(3) < modifiedWidth) ResultsGrid->setColumnWidth(3, modifiedWidth);
    ResultsGrid->setUpdatesEnabled(true);
    searching_ = false;
    StartBtn->setEnabled(true);
    if (deleteAfterSearch_) deleteLater();
}

void FinderWindow::PumpDuringSearch() {
    // Every entry lets pending events run, so Stop and Close act at once; the grid, though,
    // is drawn only a few times a second: drawing it for each result costs more than the walk.
    if (searching_ && gridPaintClock_.elapsed() >= 80) {
        ResultsGrid->setUpdatesEnabled(true);
        QCoreApplication::processEvents();
        if (searching_) ResultsGrid->setUpdatesEnabled(false);
        gridPaintClock_.restart();
    } else {
        QCoreApplication::processEvents();
    }
}

void FinderWindow::StopSearch() {
    Searcher->Stop = true;
    FinderClosing = false;
}

void FinderWindow::OnFolderEntered(const std::string& fullPath, const FoundFile&) {
    setWindowTitle(QString::fromStdString("Folder - " + fullPath));
}

void FinderWindow::OnFileFound(const std::string& fullPath, const FoundFile& info) {
    const std::string modified = FinderModifiedText(info.Time, QLocale());
    FoundBytes += info.Size;
    ++FoundCount;
    const std::string size = FinderSizeText(info.Size);
    ++NextRow;
    ResultsModel->SetRowCount(NextRow - 1);
    const int row = NextRow - 1;
    SelectRow(row);
    ResultsModel->SetRow(row - 1, {std::to_string(row), fullPath + info.Name, size, modified,
                                  FinderAttrText(info.Attr)});
}

void FinderWindow::OnSearchFinished(QObject*) {
    if (FinderClosing) return;
    const std::string mask = MaskBox->currentText().toStdString();
    if (GridRowCount() > 1 &&
        IsOneOf(mask, {"*.bmp", "*.gif", "*.jpg", "*.jpeg", "*.wmf", "*.emf", "*.ico"}))
        ColorBtn->setEnabled(true);
    setWindowTitle(QString::fromStdString(
        std::string(AppTitle) + " - Find File - ( Files Found: " + std::to_string(FoundCount) +
        ", Total Size: " + FinderTotalText(FoundBytes, QLocale()) + ")"));
    dialogs_.Ask(this, "Search Completed", ViewerDialogs::Kind::Information,
                 ViewerDialogs::Buttons::Ok);
}

void FinderWindow::closeEvent(QCloseEvent* event) {
    if (searching_) {
        // The walk is still inside this window's Start handler: end it, say nothing at its
        // end, and let the handler free the window once the walk has returned.
        Searcher->Stop = true;
        FinderClosing = true;
        deleteAfterSearch_ = true;
        setAttribute(Qt::WA_DeleteOnClose, false);
    }
    event->accept();
}

// --- Preview ----------------------------------------------------------------------------------

void FinderWindow::PreviewSelectedFile() {
    const std::string path = SelectedPath();
    const std::string ext = PathExtension(path);
    const bool html = IsHtmlPreview(ext);
    const bool image = IsImagePreview(ext);
    PageView->setVisible(html);
    PictureLabel->setVisible(image);
    if (html) {
        PictureBox->hide();
        PageView->ShowURL(HtmlView::LocalFileURL(path));
    } else if (image) {
        ShowPictureFile(path);
    }
}

void FinderWindow::ShowPictureFile(const std::string& path) {
    QImage picture;
    try {
        picture = LoadPicture(path);
    } catch (const std::exception& e) {
        PictureLabel->clear();
        PictureLabel->adjustSize();
        ShowError(e.what());
        return;
    }
    PictureBox->show();
    ShowPicture(*PictureBox, *PictureLabel, picture);
}

void FinderWindow::ShowError(const std::string& text) {
    dialogs_.Ask(this, text, ViewerDialogs::Kind::Error, ViewerDialogs::Buttons::Ok);
}

// --- Commands on the selected result -----------------------------------------------------------

void FinderWindow::UpdateResultMenu() {
    const std::string ext = PathExtension(SelectedPath());
    const bool hasExt = !ext.empty();
    OpenAction->setEnabled(hasExt);
    DeleteAction->setEnabled(hasExt);
    SaveAsAction->setEnabled(hasExt);
    PropertiesAction->setEnabled(SaveAsAction->isEnabled());
    ContextMenuAction->setEnabled(SaveAsAction->isEnabled());
    DocumentSourceAction->setEnabled(IsOneOf(ext, {".html", ".htm", ".shtml", ".shtm", ".asp"}));
}

void FinderWindow::ShowDocumentSource() {
    const std::string path = SelectedPath();
    if (path.empty()) return;
    // ".asp" pages are not previewed, but their source is as readable as any page's.
    if (PageView->isHidden() && PathExtension(path) != ".asp") return;
    OpenDocumentSource(this, path, dialogs_);
}

void FinderWindow::OpenFileExternally() {
    const std::string path = SelectedPath();
    if (path.empty()) return;
    std::string folder = path.substr(0, path.find_last_of('/') + 1);
    if (folder.size() > 1) folder.pop_back();
    ShellOpen(path, path, folder, 1);
}

void FinderWindow::DeleteSelectedFile() {
    const std::string path = SelectedPath();
    if (path.empty()) return;
    const int row = SelectedRow();
    if (dialogs_.Ask(this, "Are you sure you want to delete file\r\n\"" + path + "\"?",
                     ViewerDialogs::Kind::Confirmation,
                     ViewerDialogs::Buttons::YesNo) != ViewerDialogs::Answer::Yes)
        return;
    // unlink, not remove: a folder that matched the mask is not a file to delete.
    if (::unlink(path.c_str()) == 0) {
        SetCell(1, row, "File Deleted");
    } else {
        const int error = errno;
        ShowError("Could not delete \"" + path + "\": " + std::strerror(error));
    }
}

void FinderWindow::SaveFileCopy() {
    const std::string path = SelectedPath();
    if (path.empty()) return;
    const std::string ext = PathExtension(path);
    const std::string name = path.substr(path.find_last_of('/') + 1);
    ViewerDialogs::SaveOptions options;
    options.ConfirmOverwrite = false;
    const auto chosen = dialogs_.SaveCopyName(
        this, "Lanternway Find File - Save \"" + path + "\" As ..", "*" + ext + "|", name, options);
    if (!chosen || chosen->empty()) return;
    namespace fs = std::filesystem;
    std::error_code ec;
    std::string target = fs::absolute(fs::path(*chosen), ec).string();
    if (ec) return;
    if (PathExtension(target).empty()) {
        // Keep the source's own extension, in its own case.
        const auto dot = path.find_last_of('.');
        target += path.substr(dot);
    }
    // copy_file refuses to copy a file onto itself, so nothing is lost that way.
    fs::copy_file(path, target, fs::copy_options::overwrite_existing, ec);
}

void FinderWindow::ShowFileProperties() {
    const std::string path = SelectedPath();
    if (!path.empty()) ShowProperties(QString::fromStdString(path), this);
}

void FinderWindow::ShowFileContextMenu() {
    const std::string path = SelectedPath();
    if (path.empty()) return;
    ShowShellContextMenu(QString::fromStdString(path),
                         ResultsGrid->viewport()->mapToGlobal(LastGridPoint), this);
}

// --- HTML preview -----------------------------------------------------------------------------

void FinderWindow::UpdatePageMenu() {
    const bool selection = PageView->HasSelection();
    CopyAction->setEnabled(selection);
    PrintSelectionAction->setEnabled(selection);
}

void FinderWindow::CopySelection() {
    QGuiApplication::clipboard()->setText(QString::fromStdString(PageView->GetSelectedText(-1, -1)));
}

void FinderWindow::SelectAllText() {
    PageView->SelectAll();
}

void FinderWindow::PrintSelection() {
    try {
        PrintSelectedHTMLText(*PageView);
    } catch (const std::exception& e) {
        ShowError(e.what());
    }
}

void FinderWindow::OnPageRequested() {
    SetScreenCursor(Qt::WaitCursor);
}

void FinderWindow::OnPageLoaded() {
    SetScreenCursor(Qt::ArrowCursor);
}

void FinderWindow::OnPageError() {
    OnPageLoaded();
}

void FinderWindow::OnPagePressed(Qt::MouseButton button, const QPoint& globalPos) {
    if (button != Qt::RightButton) return;
    UpdatePageMenu();
    PageMenu->popup(globalPos);
}

// --- Small commands ---------------------------------------------------------------------------

void FinderWindow::ChooseStartFolder() {
    if (auto folder = dialogs_.ChooseFolderFor(this, "Select the folder"))
        Location->setText(QString::fromStdString(*folder));
}

void FinderWindow::ChooseBackgroundColour() {
    const auto colour = dialogs_.ChooseColor(this, PreviewPanel->palette().color(QPalette::Window));
    if (!colour) return;
    if (!colour->isValid()) {
        ShowError("Color dialog failed to load.");
        return;
    }
    QPalette p = PreviewPanel->palette();
    p.setColor(QPalette::Window, *colour);
    PreviewPanel->setPalette(p);
}

void FinderWindow::CloseFinder() {
    close();
}

void FinderWindow::OnActivated() {
    ResultsGrid->viewport()->update();
}

void FinderWindow::OnGridMousePressed(const QPoint& point) {
    LastGridPoint = point;
}

bool FinderWindow::HandleGridKey(int key) {
    switch (key) {
        case Qt::Key_Escape:
            if (dialogs_.Ask(this, "Do you want to close Find File window?",
                             ViewerDialogs::Kind::Confirmation,
                             ViewerDialogs::Buttons::YesNo) == ViewerDialogs::Answer::Yes)
                close();
            return true;
        case Qt::Key_Delete:
            DeleteSelectedFile();
            return true;
        case Qt::Key_A:
            if (ShowAboutBox) ShowAboutBox(this);
            return true;
        case Qt::Key_C:
            ShowDocumentSource();
            return true;
        case Qt::Key_P:
            ShowFileProperties();
            return true;
        case Qt::Key_S:
            SaveFileCopy();
            return true;
        default:
            return false;
    }
}

bool FinderWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ResultsGrid && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (HandleGridKey(key->key())) return true;
    } else if (watched == ResultsGrid->viewport() && event->type() == QEvent::MouseButtonPress) {
        OnGridMousePressed(static_cast<QMouseEvent*>(event)->position().toPoint());
    }
    return QWidget::eventFilter(watched, event);
}

bool FinderWindow::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) OnActivated();
    return QWidget::event(event);
}
