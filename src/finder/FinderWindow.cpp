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
#include "core/AppTitle.h"
#include "core/Text.h"
#include "htmlview/ScreenCursor.h"
#include "finder/FinderGridModel.h"
#include "finder/FinderTexts.h"
#include "htmlview/HtmlView.h"
#include "imaging/Picture.h"
#include "shell/PropertiesDialog.h"
#include "shell/ShellContextMenu.h"
#include "shell/ShellOpen.h"
#include "viewers/DocumentSourceWindow.h"
#include "viewers/SelectionPrinter.h"
#include "viewers/ViewerDialogs.h"
#include "widgets/DeleteAfterBoxes.h"
#include "widgets/PagePane.h"
#include "widgets/ViewerIcons.h"

namespace {

constexpr int InitialGridRows = 11;  // header row included

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
    // A click on the row already selected shows it too (after a failed preview, say).
    connect(ResultsGrid, &QAbstractItemView::clicked, this, [this] { PreviewSelectedFile(); });
    connect(ResultsGrid, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        UpdateResultMenu();
        ResultMenu->exec(ResultsGrid->viewport()->mapToGlobal(p));
    });
}

void FinderWindow::BuildPreview() {
    // The page and the picture share the panel; the picture's box lets the panel's colour
    // show around the picture.
    PreviewPanel = new PagePane(PagePane::PictureArea::OnPane, this);
    PreviewPanel->setFrameShape(QFrame::StyledPanel);
    PageView = PreviewPanel->PageView();
    PictureBox = PreviewPanel->PictureBox();
    PictureLabel = PreviewPanel->PictureLabel();
    PictureLabel->hide();
    PageView->hide();

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
    if (HoldDeletionUnderBoxes(this, event)) return true;
    if (event->type() == QEvent::WindowActivate) OnActivated();
    return QWidget::event(event);
}
