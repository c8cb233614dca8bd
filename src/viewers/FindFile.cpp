#include "viewers/FindFile.h"

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

#include "about/TAboutBox.h"
#include "core/Text.h"
#include "engine/SessionState.h"
#include "htmlcontrol/ScreenCursor.h"
#include "htmlcontrol/THTML.h"
#include "imaging/Picture.h"
#include "shell/ShellContextMenu.h"
#include "shell/ShellOpen.h"
#include "shell/TPropertiesDialog.h"
#include "viewers/FinderGridModel.h"
#include "viewers/PictureView.h"
#include "viewers/TDocumentSourceForm.h"
#include "viewers/TPrintHTMLTextForm.h"
#include "viewers/ViewerDialogs.h"
#include "viewers/ViewerIcons.h"

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

TFindFileForm::TFindFileForm(QWidget* owner, ViewerDialogs* dialogs)
    : QWidget(owner, Qt::Window | Qt::WindowStaysOnTopHint),
      dialogs_(dialogs ? *dialogs : DefaultViewerDialogs()) {
    FormCreate();
}

TFindFileForm::~TFindFileForm() = default;

void TFindFileForm::FormCreate() {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString(AppTitle) + " - Find File");
    resize(585, 433);
    setWindowState(Qt::WindowMaximized);  // the size above is the restored size

    ShowAboutBox = [](QWidget* owner) {
        TAboutBox box(owner);
        box.exec();
    };
    FileSearch1 = new TFileSearch(this);
    FileSearch1->OnChangeFolder = [this](const std::string& f, const TSearchRec& r) {
        FileSearch1ChangeFolder(f, r);
    };
    FileSearch1->OnFileFind = [this](const std::string& f, const TSearchRec& r) {
        FileSearch1FileFind(f, r);
    };
    FileSearch1->OnFinish = [this](QObject* sender) { FileSearch1Finish(sender); };
    FileSearch1->ProcessMessages = [this] { PumpDuringSearch(); };

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    BuildTopBar();
    layout->addWidget(Panel2);

    Splitter1 = new QSplitter(Qt::Vertical, this);
    Splitter1->setHandleWidth(3);
    Splitter1->setChildrenCollapsible(false);
    BuildGrid();
    BuildPreview();
    Splitter1->addWidget(Panel3);
    Splitter1->addWidget(Panel1);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({221, 433 - 40 - 221 - 3});
    layout->addWidget(Splitter1, 1);
    BuildMenus();
}

void TFindFileForm::BuildTopBar() {
    Panel2 = new QFrame(this);
    Panel2->setFrameShape(QFrame::StyledPanel);
    Panel2->setFixedHeight(40);
    auto* bar = new QHBoxLayout(Panel2);
    bar->setContentsMargins(4, 2, 4, 2);
    bar->setSpacing(3);

    bar->addWidget(new QLabel("Location:", Panel2));
    Location = new QLineEdit(Panel2);
    Location->setText(QDir::homePath() + "/");
    Location->setMinimumWidth(70);
    bar->addWidget(Location, 2);
    BrowseBtn = new QToolButton(Panel2);
    BrowseBtn->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    BrowseBtn->setToolTip("Select Folder");
    BrowseBtn->setAutoRaise(true);
    bar->addWidget(BrowseBtn);
    CheckBox1 = new QCheckBox("Include SubFolders", Panel2);
    CheckBox1->setChecked(true);
    bar->addWidget(CheckBox1);
    bar->addSpacing(2);
    bar->addWidget(new QLabel("File Type:", Panel2));
    ComboBox1 = new QComboBox(Panel2);
    ComboBox1->setEditable(true);
    ComboBox1->addItems({"*.html", "*.htm", "*.shtml", "*.shtm", "*.gif", "*.jpg", "*.jpeg",
                         "*.bmp", "*.wmf", "*.emf", "*.ico"});
    ComboBox1->setCurrentText("*.html");
    ComboBox1->setMinimumWidth(64);
    ComboBox1->setMaximumWidth(120);
    bar->addWidget(ComboBox1, 1);
    bar->addSpacing(2);
    StartBtn = MakeButton(Panel2, "Start", QStyle::SP_MediaPlay, "Start|Start Search");
    StopBtn = MakeButton(Panel2, "Stop", QStyle::SP_MediaStop, "Stop|Stop Search");
    ColorBtn = MakeButton(Panel2, "Color", QStyle::SP_CustomBase,
                          "Change Color|Change background color of image panel");
    CloseBtn =
        MakeButton(Panel2, "Close", QStyle::SP_DialogCloseButton, "Close|Close active window");
    ColorBtn->setIcon(ColorSwatchIcon());
    ColorBtn->setEnabled(false);
    // Room is short in a window of the default size: the commands that explain themselves
    // by their pictures go without their words.
    ColorBtn->setToolButtonStyle(Qt::ToolButtonIconOnly);
    CloseBtn->setToolButtonStyle(Qt::ToolButtonIconOnly);
    for (QToolButton* b : {StartBtn, StopBtn, ColorBtn, CloseBtn}) bar->addWidget(b);

    connect(StartBtn, &QToolButton::clicked, this, [this] { StartBtnClick(); });
    connect(StopBtn, &QToolButton::clicked, this, [this] { StopBtnClick(); });
    connect(BrowseBtn, &QToolButton::clicked, this, [this] { BrowseBtnClick(); });
    connect(ColorBtn, &QToolButton::clicked, this, [this] { ColorBtnClick(); });
    connect(CloseBtn, &QToolButton::clicked, this, [this] { CloseBtnClick(); });
}

void TFindFileForm::BuildGrid() {
    Panel3 = new QFrame(this);
    auto* l = new QVBoxLayout(Panel3);
    l->setContentsMargins(0, 0, 0, 0);
    SGrid1 = new QTableView(Panel3);
    SGrid1Cells = new TFinderGridModel(InitialGridRows - 1, SGrid1);
    SGrid1->setModel(SGrid1Cells);
    SGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    SGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    SGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    SGrid1->setWordWrap(false);
    SGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
    // The row numbers are the grid's own fixed column 0, so the view's row header is not used;
    // it still carries the row height.
    auto* rows = SGrid1->verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setMinimumSectionSize(12);
    rows->setDefaultSectionSize(17);
    auto* columns = SGrid1->horizontalHeader();
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
    for (int c = 0; c < 5; ++c) SGrid1->setColumnWidth(c, widths[c]);
    l->addWidget(SGrid1);

    SGrid1->installEventFilter(this);
    SGrid1->viewport()->installEventFilter(this);
    connect(SGrid1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { SGrid1Click(); });
    connect(SGrid1, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        PopupMenu1Popup();
        PopupMenu1->exec(SGrid1->viewport()->mapToGlobal(p));
    });
}

void TFindFileForm::BuildPreview() {
    Panel1 = new QFrame(this);
    Panel1->setFrameShape(QFrame::StyledPanel);
    Panel1->setAutoFillBackground(true);
    auto* grid = new QGridLayout(Panel1);
    grid->setContentsMargins(0, 0, 0, 0);
    // The page and the picture share the panel; the picture's box lets the panel's colour
    // show around the picture.
    ScrollBox1 = new QScrollArea(Panel1);
    ScrollBox1->setAlignment(Qt::AlignCenter);
    ScrollBox1->setFrameShape(QFrame::NoFrame);
    ScrollBox1->setBackgroundRole(QPalette::Window);
    ScrollBox1->viewport()->setAutoFillBackground(false);
    Image1 = new QLabel;
    Image1->setAlignment(Qt::AlignCenter);
    Image1->setAutoFillBackground(false);
    ScrollBox1->setWidget(Image1);
    Image1->hide();
    HTML1 = new THTML(Panel1);
    HTML1->hide();
    grid->addWidget(ScrollBox1, 0, 0);
    grid->addWidget(HTML1, 0, 0);

    HTML1->OnDoRequestDoc = [this](const std::string&, bool&) { HTML1DoRequestDoc(); };
    HTML1->OnEndRetrieval = [this] { HTML1EndRetrieval(); };
    HTML1->OnError = [this](int, std::string&, bool&) { HTML1Error(); };
    HTML1->OnMouseDown = [this](Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y) {
        HTML1MouseDown(button, HTML1->mapToGlobal(QPoint(x, y)));
    };
}

void TFindFileForm::BuildMenus() {
    PopupMenu1 = new QMenu(this);
    DocumentSource1 =
        PopupMenu1->addAction("Do&cument Source", this, [this] { DocumentSource1Click(); });
    PopupMenu1->addSeparator();
    FindFileHTMLOpen = PopupMenu1->addAction("&Open", this, [this] { FindFileHTMLOpenClick(); });
    Delete1 = PopupMenu1->addAction("&Delete", this, [this] { Delete1Click(); });
    SaveAs1 = PopupMenu1->addAction("&Save As..", this, [this] { SaveAs1Click(); });
    Properties1 = PopupMenu1->addAction("&Properties", this, [this] { Properties1Click(); });
    PopupMenu1->addSeparator();
    ContextMenu1 = PopupMenu1->addAction("Context Menu", this, [this] { ContextMenu1Click(); });

    FindFileHTMLPopupMenu = new QMenu(this);
    FindFileHTMLCopy =
        FindFileHTMLPopupMenu->addAction("&Copy", this, [this] { FindFileHTMLCopyClick(); });
    FindFileHTMLSelectAll = FindFileHTMLPopupMenu->addAction(
        "&Select All", this, [this] { FindFileHTMLSelectAllClick(); });
    FindFileHTMLPrintSelectedText = FindFileHTMLPopupMenu->addAction(
        "&Print Selected Text", this, [this] { FindFileHTMLPrintSelectedTextClick(); });
}

// --- The grid as a string grid ---------------------------------------------------------------

int TFindFileForm::GridRowCount() const {
    return SGrid1Cells->rowCount() + 1;
}

std::string TFindFileForm::Cells(int col, int row) const {
    if (row < 1 || row >= GridRowCount() || col < 0 || col > 4) return {};
    return SGrid1Cells->Cell(row - 1, col);
}

void TFindFileForm::SetCell(int col, int row, const std::string& text) {
    SGrid1Cells->SetCell(row - 1, col, text);
}

int TFindFileForm::SelectedRow() const {
    const int r = SGrid1->currentIndex().row();
    return r < 0 ? 0 : r + 1;
}

void TFindFileForm::SelectRow(int row) {
    if (row >= 1 && row < GridRowCount()) SGrid1->selectRow(row - 1);
}

std::string TFindFileForm::SelectedPath() const {
    const std::string path = Cells(1, SelectedRow());
    // Only a full path names a file: a row that reads "File Deleted" names nothing.
    return (!path.empty() && path[0] == '/') ? path : std::string();
}

// --- Searching --------------------------------------------------------------------------------

void TFindFileForm::StartBtnClick() {
    // Start is reachable while a walk pumps events; a second walk inside the first would mix
    // their rows and totals.
    if (searching_) return;
    ColorBtn->setEnabled(false);
    NextRow = 1;
    FoundBytes = 0;
    FoundCount = 0;
    SGrid1Cells->ClearCells();
    FileSearch1->RecurseSubFolders = CheckBox1->isChecked();
    std::string folder = Location->text().toStdString();
    if (folder.empty() || folder.back() != '/') folder += '/';
    FileSearch1->SearchFile = folder + ComboBox1->currentText().toStdString();

    searching_ = true;
    StartBtn->setEnabled(false);
    SGrid1->setUpdatesEnabled(false);
    gridPaintClock_.start();
    FileSearch1->StartSearch();
    // Some locales write long dates: let the time column grow to show them whole.
    const int modifiedWidth = SGrid1->columnWidth(3);
    SGrid1->resizeColumnToContents(3);
    if (SGrid1->columnWidth(3) < modifiedWidth) SGrid1->setColumnWidth(3, modifiedWidth);
    SGrid1->setUpdatesEnabled(true);
    searching_ = false;
    StartBtn->setEnabled(true);
    if (deleteAfterSearch_) deleteLater();
}

void TFindFileForm::PumpDuringSearch() {
    // Every entry lets pending events run, so Stop and Close act at once; the grid, though,
    // is drawn only a few times a second: drawing it for each result costs more than the walk.
    if (searching_ && gridPaintClock_.elapsed() >= 80) {
        SGrid1->setUpdatesEnabled(true);
        QCoreApplication::processEvents();
        if (searching_) SGrid1->setUpdatesEnabled(false);
        gridPaintClock_.restart();
    } else {
        QCoreApplication::processEvents();
    }
}

void TFindFileForm::StopBtnClick() {
    FileSearch1->Stop = true;
    FinderClosing = false;
}

void TFindFileForm::FileSearch1ChangeFolder(const std::string& fullPath, const TSearchRec&) {
    setWindowTitle(QString::fromStdString("Folder - " + fullPath));
}

void TFindFileForm::FileSearch1FileFind(const std::string& fullPath, const TSearchRec& info) {
    const std::string modified = FinderModifiedText(info.Time, QLocale());
    FoundBytes += info.Size;
    ++FoundCount;
    const std::string size = FinderSizeText(info.Size);
    ++NextRow;
    SGrid1Cells->SetRowCount(NextRow - 1);
    const int row = NextRow - 1;
    SelectRow(row);
    SGrid1Cells->SetRow(row - 1, {std::to_string(row), fullPath + info.Name, size, modified,
                                  FinderAttrText(info.Attr)});
}

void TFindFileForm::FileSearch1Finish(QObject*) {
    if (FinderClosing) return;
    const std::string mask = ComboBox1->currentText().toStdString();
    if (GridRowCount() > 1 &&
        IsOneOf(mask, {"*.bmp", "*.gif", "*.jpg", "*.jpeg", "*.wmf", "*.emf", "*.ico"}))
        ColorBtn->setEnabled(true);
    setWindowTitle(QString::fromStdString(
        std::string(AppTitle) + " - Find File - ( Files Found: " + std::to_string(FoundCount) +
        ", Total Size: " + FinderTotalText(FoundBytes, QLocale()) + ")"));
    dialogs_.Ask(this, "Search Completed", ViewerDialogs::Kind::Information,
                 ViewerDialogs::Buttons::Ok);
}

void TFindFileForm::closeEvent(QCloseEvent* event) {
    if (searching_) {
        // The walk is still inside this window's Start handler: end it, say nothing at its
        // end, and let the handler free the window once the walk has returned.
        FileSearch1->Stop = true;
        FinderClosing = true;
        deleteAfterSearch_ = true;
        setAttribute(Qt::WA_DeleteOnClose, false);
    }
    event->accept();
}

// --- Preview ----------------------------------------------------------------------------------

void TFindFileForm::SGrid1Click() {
    const std::string path = SelectedPath();
    const std::string ext = PathExtension(path);
    const bool html = IsHtmlPreview(ext);
    const bool image = IsImagePreview(ext);
    HTML1->setVisible(html);
    Image1->setVisible(image);
    if (html) {
        ScrollBox1->hide();
        HTML1->ShowURL(THTML::LocalFileURL(path));
    } else if (image) {
        ShowPictureFile(path);
    }
}

void TFindFileForm::ShowPictureFile(const std::string& path) {
    QImage picture;
    try {
        picture = LoadPicture(path);
    } catch (const std::exception& e) {
        Image1->clear();
        Image1->adjustSize();
        ShowError(e.what());
        return;
    }
    ScrollBox1->show();
    ShowPicture(*ScrollBox1, *Image1, picture);
}

void TFindFileForm::ShowError(const std::string& text) {
    dialogs_.Ask(this, text, ViewerDialogs::Kind::Error, ViewerDialogs::Buttons::Ok);
}

// --- Commands on the selected result -----------------------------------------------------------

void TFindFileForm::PopupMenu1Popup() {
    const std::string ext = PathExtension(SelectedPath());
    const bool hasExt = !ext.empty();
    FindFileHTMLOpen->setEnabled(hasExt);
    Delete1->setEnabled(hasExt);
    SaveAs1->setEnabled(hasExt);
    Properties1->setEnabled(SaveAs1->isEnabled());
    ContextMenu1->setEnabled(SaveAs1->isEnabled());
    DocumentSource1->setEnabled(IsOneOf(ext, {".html", ".htm", ".shtml", ".shtm", ".asp"}));
}

void TFindFileForm::DocumentSource1Click() {
    const std::string path = SelectedPath();
    if (path.empty()) return;
    // ".asp" pages are not previewed, but their source is as readable as any page's.
    if (HTML1->isHidden() && PathExtension(path) != ".asp") return;
    OpenDocumentSource(this, path, dialogs_);
}

void TFindFileForm::FindFileHTMLOpenClick() {
    const std::string path = SelectedPath();
    if (path.empty()) return;
    std::string folder = path.substr(0, path.find_last_of('/') + 1);
    if (folder.size() > 1) folder.pop_back();
    ShellOpen(path, path, folder, 1);
}

void TFindFileForm::Delete1Click() {
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

void TFindFileForm::SaveAs1Click() {
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

void TFindFileForm::Properties1Click() {
    const std::string path = SelectedPath();
    if (!path.empty()) ShowProperties(QString::fromStdString(path), this);
}

void TFindFileForm::ContextMenu1Click() {
    const std::string path = SelectedPath();
    if (path.empty()) return;
    ShowShellContextMenu(QString::fromStdString(path),
                         SGrid1->viewport()->mapToGlobal(LastGridPoint), this);
}

// --- HTML preview -----------------------------------------------------------------------------

void TFindFileForm::FindFileHTMLPopupMenuPopup() {
    const bool selection = HTML1->HasSelection();
    FindFileHTMLCopy->setEnabled(selection);
    FindFileHTMLPrintSelectedText->setEnabled(selection);
}

void TFindFileForm::FindFileHTMLCopyClick() {
    QGuiApplication::clipboard()->setText(QString::fromStdString(HTML1->GetSelectedText(-1, -1)));
}

void TFindFileForm::FindFileHTMLSelectAllClick() {
    HTML1->SelectAll();
}

void TFindFileForm::FindFileHTMLPrintSelectedTextClick() {
    try {
        PrintSelectedHTMLText(*HTML1);
    } catch (const std::exception& e) {
        ShowError(e.what());
    }
}

void TFindFileForm::HTML1DoRequestDoc() {
    SetScreenCursor(Qt::WaitCursor);
}

void TFindFileForm::HTML1EndRetrieval() {
    SetScreenCursor(Qt::ArrowCursor);
}

void TFindFileForm::HTML1Error() {
    HTML1EndRetrieval();
}

void TFindFileForm::HTML1MouseDown(Qt::MouseButton button, const QPoint& globalPos) {
    if (button != Qt::RightButton) return;
    FindFileHTMLPopupMenuPopup();
    FindFileHTMLPopupMenu->popup(globalPos);
}

// --- Small commands ---------------------------------------------------------------------------

void TFindFileForm::BrowseBtnClick() {
    if (auto folder = dialogs_.ChooseFolderFor(this, "Select the folder"))
        Location->setText(QString::fromStdString(*folder));
}

void TFindFileForm::ColorBtnClick() {
    const auto colour = dialogs_.ChooseColor(this, Panel1->palette().color(QPalette::Window));
    if (!colour) return;
    if (!colour->isValid()) {
        ShowError("Color dialog failed to load.");
        return;
    }
    QPalette p = Panel1->palette();
    p.setColor(QPalette::Window, *colour);
    Panel1->setPalette(p);
}

void TFindFileForm::CloseBtnClick() {
    close();
}

void TFindFileForm::FormActivate() {
    SGrid1->viewport()->update();
}

void TFindFileForm::SGrid1MouseDown(const QPoint& point) {
    LastGridPoint = point;
}

bool TFindFileForm::SGrid1KeyDown(int key) {
    switch (key) {
        case Qt::Key_Escape:
            if (dialogs_.Ask(this, "Do you want to close Find File window?",
                             ViewerDialogs::Kind::Confirmation,
                             ViewerDialogs::Buttons::YesNo) == ViewerDialogs::Answer::Yes)
                close();
            return true;
        case Qt::Key_Delete:
            Delete1Click();
            return true;
        case Qt::Key_A:
            if (ShowAboutBox) ShowAboutBox(this);
            return true;
        case Qt::Key_C:
            DocumentSource1Click();
            return true;
        case Qt::Key_P:
            Properties1Click();
            return true;
        case Qt::Key_S:
            SaveAs1Click();
            return true;
        default:
            return false;
    }
}

bool TFindFileForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == SGrid1 && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (SGrid1KeyDown(key->key())) return true;
    } else if (watched == SGrid1->viewport() && event->type() == QEvent::MouseButtonPress) {
        SGrid1MouseDown(static_cast<QMouseEvent*>(event)->position().toPoint());
    }
    return QWidget::eventFilter(watched, event);
}

bool TFindFileForm::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) FormActivate();
    return QWidget::event(event);
}
