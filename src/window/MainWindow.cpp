#include "window/MainWindow.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusTipEvent>
#include <QThread>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <utility>

#include "core/AppTitle.h"
#include "engine/RunControl.h"
#include "shell/FolderTree.h"
#include "widgets/Hints.h"
#include "widgets/ToolIcons.h"
#include "window/BrowserPanel.h"
#include "window/GridModel.h"
#include "window/GridRules.h"
#include "window/StatusBar.h"
#include "window/StatusGrid.h"
#include "window/ViewRefresh.h"

static void InitIconResources() {
    Q_INIT_RESOURCE(icons);
}

namespace {

// Design widths of the grid's columns and of the lower status bar's panels.
constexpr int GridColumnWidths[5] = {50, 306, 82, 74, 97};
constexpr int StatisticsBarWidths[5] = {142, 94, 150, 139, 48};
constexpr int LowerPaneHeight = 160;

// Folder pictures of the site tree: the site, a folder, and the open folder of the selected node.
QIcon TreeIcon(const char* normal) {
    QIcon icon;
    icon.addPixmap(ToolIcon(nullptr, normal).pixmap(16, 16), QIcon::Normal);
    icon.addPixmap(ToolIcon(nullptr, "open").pixmap(16, 16), QIcon::Selected);
    return icon;
}

}  // namespace

MainWindow::MainWindow(SessionPrompts& prompts, QWidget* parent)
    : QMainWindow(parent),
      prompts_(prompts),
      state_(std::make_unique<SessionState>(prompts)),
      run_(std::make_unique<RunControl>(*state_)) {
    InitIconResources();
    AskSessionSettings = [this](NewSessionSettings& settings) {
        return ShowNewSessionDialog(settings);
    };
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QString::fromLatin1(AppTitle));
    resize(DesignWidth, DesignHeight);

    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    setCentralWidget(central);

    BuildToolBar();
    column->addWidget(ToolBarFrame);
    UpperStatusBar = new StatusBar({238, 250}, central);
    UpperStatusBar->setObjectName(QStringLiteral("UpperStatusBar"));
    column->addWidget(UpperStatusBar);

    LowerPaneSplitter = new QSplitter(Qt::Vertical, central);
    LowerPaneSplitter->setObjectName(QStringLiteral("LowerPaneSplitter"));
    LowerPaneSplitter->setChildrenCollapsible(false);
    BuildBrowser();
    BuildLowerPane();
    BuildBrowserPanel();
    LowerPaneSplitter->addWidget(TreeListSplitter);
    LowerPaneSplitter->addWidget(LowerPane);
    LowerPaneSplitter->setStretchFactor(0, 1);
    LowerPaneSplitter->setStretchFactor(1, 0);
    column->addWidget(LowerPaneSplitter, 1);
    column->addWidget(BottomBar);

    LowerStatusBar = new StatusBar(
        std::vector<int>(std::begin(StatisticsBarWidths), std::end(StatisticsBarWidths)), central);
    LowerStatusBar->setObjectName(QStringLiteral("LowerStatusBar"));
    column->addWidget(LowerStatusBar);

    BuildMenus();
    BuildPopupMenus();
    ConnectView();

    // Start-up: the views reset, the design texts, the grid's 11 rows.
    ResetViews();
    SessionView& view = state_->View;
    view.SetLowerStatusBar(0, "Files Added in Queue: 0");
    view.SetLowerStatusBar(1, "Files Read: 0");
    view.SetLowerStatusBar(2, "Bytes Received: 0");
    view.SetLowerStatusBar(3, "Retrieval Speed: 0.0 KB/s");
    view.SetLowerStatusBar(4, "Time Elapsed: 00:00");
    view.SetUpperStatusBar(0, "Session Started On: ");
    view.SetUpperStatusBar(1, "Contents Of: ");
    view.SetGridRowCount(11);
    view.SetCaption(AppTitle);
    state_->FileListHasItems = [this] { return FileListView->Count() > 0; };
    GridRows->Flush();
    Grid->SetRow(view.SelectedRow());
    ApplyStatusTexts();
    ApplyMessage();
    ApplyButtons();
    // The viewer command itself says when the list is empty ("No item in list box"), so its
    // button starts enabled; a session's button states take over from then on.
    QuickHTMLViewerBtn->setEnabled(true);
    UpdateCaption();
    for (int c = 0; c < 5; ++c) Grid->setColumnWidth(c, GridColumnWidths[c]);
}

MainWindow::~MainWindow() {
    // The views go first: while they close they may still read the session they show.
    state_->View.disconnect(this);
    delete centralWidget();
    delete GridRows;
}

void MainWindow::BuildBrowser() {
    TreeListSplitter = new QSplitter(Qt::Horizontal, LowerPaneSplitter);
    TreeListSplitter->setObjectName(QStringLiteral("TreeListSplitter"));
    TreeListSplitter->setChildrenCollapsible(false);

    DirTreePanel = new QWidget(TreeListSplitter);
    DirTreePanel->setObjectName(QStringLiteral("DirTreePanel"));
    auto* treeColumn = new QVBoxLayout(DirTreePanel);
    treeColumn->setContentsMargins(0, 0, 0, 0);
    DirTree = new QTreeWidget(DirTreePanel);
    DirTree->setObjectName(QStringLiteral("DirTree"));
    DirTree->setHeaderHidden(true);
    DirTree->setIndentation(19);
    DirTree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DirTree->installEventFilter(this);
    treeColumn->addWidget(DirTree);
    LocalFolderTree = new FolderTree(DirTreePanel);
    LocalFolderTree->setObjectName(QStringLiteral("LocalFolderTree"));
    LocalFolderTree->hide();
    treeColumn->addWidget(LocalFolderTree);

    FileViewPanel = new QWidget(TreeListSplitter);
    FileViewPanel->setObjectName(QStringLiteral("FileViewPanel"));
    auto* listColumn = new QVBoxLayout(FileViewPanel);
    listColumn->setContentsMargins(0, 0, 0, 0);
    FileListView = new FolderFileList(FileViewPanel);
    FileListView->setObjectName(QStringLiteral("FileListView"));
    listColumn->addWidget(FileListView);
    LocalFileList = new FolderFileList(FileViewPanel);
    LocalFileList->setObjectName(QStringLiteral("LocalFileList"));
    LocalFileList->hide();
    listColumn->addWidget(LocalFileList);
    LocalFolderTree->SetListView(LocalFileList);

    TreeListSplitter->addWidget(DirTreePanel);
    TreeListSplitter->addWidget(FileViewPanel);
    TreeListSplitter->setStretchFactor(0, 0);
    TreeListSplitter->setStretchFactor(1, 1);
    TreeListSplitter->setSizes({238, DesignWidth - 238});

    connect(DirTree, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { ListSiteFolder(current); });
    for (FolderFileList* list : {FileListView, LocalFileList}) {
        connect(list, &FolderFileList::KeyDown, this, [this](int key) { HandleListKey(key); });
        connect(list, &FolderFileList::KeyUp, this,
                [this, list](int key) { OnListKeyReleased(*list, key); });
        connect(list, &FolderFileList::ContextMenuRequested, this, [this](QPoint at) {
            UpdateFileListMenu();
            FileListPopupMenu->popup(at);
        });
    }
    connect(FileListView, &FolderFileList::Clicked, this, &MainWindow::OnProjectFileSelected);
    connect(LocalFolderTree, &FolderTree::KeyDown, this, [this](int key) { HandleTreeKey(key); });
}

void MainWindow::BuildLowerPane() {
    LowerPane = new QFrame(LowerPaneSplitter);
    LowerPane->setObjectName(QStringLiteral("LowerPane"));
    auto* pane = new QVBoxLayout(LowerPane);
    pane->setContentsMargins(1, 1, 1, 1);
    pane->setSpacing(0);
    Grid = new StatusGrid(LowerPane);
    Grid->setObjectName(QStringLiteral("Grid"));
    // No stripes: both row colours are the window colour.
    Grid->BorderColor = QColor(0xC0, 0xC0, 0xC0);
    Grid->OddRowColor = Grid->palette().color(QPalette::Base);
    Grid->EvenRowColor = Grid->palette().color(QPalette::Base);
    Grid->UpdateBorder();
    Grid->StyleCell = [this](int r, int c, int& colour, bool& b, bool& i, bool& u) {
        StyleForCell(r, c, colour, b, i, u);
    };
    GridRows = new GridModel(state_->View, this);
    Grid->setModel(GridRows);
    Grid->setContextMenuPolicy(Qt::CustomContextMenu);
    pane->addWidget(Grid);
    SetLowerPaneLowered(true);
    LowerPane->resize(DesignWidth, 160);

    // A row's failure shows as its tool tip, on the hint line while the mouse rests on it, and
    // on the status line while the row is selected after the run.
    Grid->setMouseTracking(true);
    connect(Grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (!current.isValid()) return;
                state_->View.SelectRow(current.row() + 1);
                if (!state_->Running()) ShowRowFailure(current.row() + 1);
            });
    connect(Grid, &QTableView::clicked, this, &MainWindow::OnGridClicked);
    connect(Grid, &QWidget::customContextMenuRequested, this, &MainWindow::OpenGridMenu);

    BottomBar = new QWidget(this);
    BottomBar->setObjectName(QStringLiteral("BottomBar"));
    BottomBar->setFixedHeight(std::max(21, fontMetrics().height() + 6));
    auto* bottom = new QHBoxLayout(BottomBar);
    bottom->setContentsMargins(4, 0, 4, 0);
    bottom->setSpacing(4);
    BottomBarIcon = new QLabel(BottomBar);
    BottomBarIcon->setPixmap(ToolIcon(nullptr, "newsession").pixmap(16, 16));
    ThreadRunningCaption = new QLabel(QStringLiteral("Thread Running: "), BottomBar);
    ThreadCountLabel = new QLabel(QStringLiteral("0"), BottomBar);
    ThreadCountLabel->setObjectName(QStringLiteral("ThreadCountLabel"));
    ThreadCountLabel->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000")));
    MessageLabel = new QLabel(BottomBar);
    MessageLabel->setObjectName(QStringLiteral("MessageLabel"));
    MessageLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    MessageLabel->setTextFormat(Qt::PlainText);
    MessageLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    HTMLButtonsBar = new QWidget(BottomBar);
    HTMLButtonsBar->setObjectName(QStringLiteral("HTMLButtonsBar"));
    HTMLButtonsBar->hide();
    bottom->addWidget(BottomBarIcon);
    bottom->addWidget(ThreadRunningCaption);
    bottom->addWidget(ThreadCountLabel);
    bottom->addWidget(MessageLabel, 1);
    bottom->addWidget(HTMLButtonsBar, 1);
}

void MainWindow::ConnectView() {
    SessionView& view = state_->View;
    // A running session's labels and selection show in batches; the grid's model batches its
    // rows the same way.
    viewRefresh_ = new ViewRefresh([this] { return state_->Running(); }, this);
    auto batched = [this, &view](auto signal, std::function<void()> apply) {
        const int kind = viewRefresh_->Add(std::move(apply));
        connect(&view, signal, this, [this, kind] { viewRefresh_->Changed(kind); });
    };
    connect(run_.get(), &RunControl::SessionFinished, viewRefresh_, &ViewRefresh::Flush);
    // A window closed during the session closes now, after the completion has returned.
    connect(
        run_.get(), &RunControl::SessionFinished, this,
        [this] {
            if (!closeWhenIdle_ || !run_->Idle()) return;
            closeWhenIdle_ = false;
            // The window was off the screen already, so its close no longer ends the program
            // as the close of the last window does: that is done here (where a loop runs).
            const bool quit =
                std::exchange(quitWhenClosed_, false) || QGuiApplication::quitOnLastWindowClosed();
            close();
            if (quit && QThread::currentThread()->loopLevel() > 0) QCoreApplication::quit();
        },
        Qt::QueuedConnection);
    batched(&SessionView::StatusTextsChanged, [this] { ApplyStatusTexts(); });
    batched(&SessionView::MessageChanged, [this] { ApplyMessage(); });
    batched(&SessionView::ThreadRunningChanged, [this] {
        ThreadCountLabel->setText(QString::fromStdString(state_->View.ThreadCountLabel()));
    });
    batched(&SessionView::GridSelectionChanged, [this] {
        // The row may be new: the model learns of it first.
        GridRows->Flush();
        ShowSelectedRow(GridFollowsSelection());
    });
    connect(&view, &SessionView::CaptionChanged, this, &MainWindow::UpdateCaption);
    connect(&view, &SessionView::ButtonsChanged, this, &MainWindow::ApplyButtons);
    connect(&view, &SessionView::SiteTreeChanged, this, &MainWindow::RebuildSiteTree);
    connect(&view, &SessionView::FileListCleared, this, [this] { FileListView->Clear(); });
    connect(&view, &SessionView::SiteRootSelectionRequested, this, &MainWindow::SelectSiteRoot);
    connect(&view, &SessionView::SessionOpenStarted, this, &MainWindow::SessionOpenStarted);
    connect(&view, &SessionView::SessionOpenFinished, this, &MainWindow::SessionOpenFinished);
    connect(&view, &SessionView::BlockingWorkStarting, this, &MainWindow::ShowBeforeBlockingWork);
    // Rows the selection points at may only now have reached the grid.
    connect(GridRows, &QAbstractItemModel::rowsInserted, this,
            [this] { ShowSelectedRow(GridFollowsSelection()); });
    // A run selects each new transfer's row: the grid scrolls along with it only until the
    // person scrolls away from the bottom to read rows further up, and again once they
    // scroll back down.
    QScrollBar* gridScroll = Grid->verticalScrollBar();
    connect(gridScroll, &QAbstractSlider::actionTriggered, this, [this, gridScroll] {
        gridFollows_ = gridScroll->sliderPosition() >= gridScroll->maximum();
    });
    // Once a second while a session runs, the project list takes in the files that landed.
    connect(&state_->SessionClock, &QTimer::timeout, this, &MainWindow::FollowLandedFiles);
}

bool MainWindow::GridFollowsSelection() const {
    return !state_->Running() || gridFollows_;
}

void MainWindow::ShowSelectedRow(bool scrollToRow) {
    const int row = state_->View.SelectedRow();
    if (Grid->Row() != row) Grid->SetRow(row, scrollToRow);
    Grid->viewport()->update();
}

void MainWindow::ShowRowFailure(int row) {
    SessionView& view = state_->View;
    const std::string& failure = view.RowFailure(row);
    if (!failure.empty())
        view.SetMessageLabel(failure);
    else if (!view.MessageLabel().empty() && view.MessageLabel() == shownFailure_)
        view.SetMessageLabel("");
    shownFailure_ = failure;
}

void MainWindow::ShowBeforeBlockingWork() {
    // What the run changed so far shows now, and the window system gets to take away a box
    // just answered and to paint what lay under it; input waits for the work to end.
    viewRefresh_->Flush();
    GridRows->Flush();
    if (isVisible()) repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void MainWindow::ResetViews() {
    SessionView& view = state_->View;
    view.SetCell(0, 0, "");
    view.SetCell(0, 1, "File");
    view.SetCell(0, 2, "Total Bytes");
    view.SetCell(0, 3, "Transferred");
    view.SetCell(0, 4, "State");
    FileListView->Clear();
    view.ClearSiteTree();
    SetViewStyle(FolderFileList::ViewStyle::Report);
}

void MainWindow::AdaptToScreenWidth(int screenWidth) {
    int panelGrowth[4] = {0, 0, 0, 0};
    int columnGrowth[4] = {0, 0, 0, 0};
    if (screenWidth == 800) {
        const int p[4] = {45, 45, 60, 10}, c[4] = {90, 15, 15, 15};
        std::copy(p, p + 4, panelGrowth);
        std::copy(c, c + 4, columnGrowth);
    } else if (screenWidth > 800) {
        const int p[4] = {95, 95, 110, 60}, c[4] = {240, 40, 40, 40};
        std::copy(p, p + 4, panelGrowth);
        std::copy(c, c + 4, columnGrowth);
    }
    for (int i = 0; i < 4; ++i) {
        LowerStatusBar->SetPanelWidth(i, StatisticsBarWidths[i] + panelGrowth[i]);
        Grid->setColumnWidth(i + 1, GridColumnWidths[i + 1] + columnGrowth[i]);
    }
}

void MainWindow::SetLowerPaneLowered(bool lowered) {
    LowerPane->setFrameShape(lowered ? QFrame::Panel : QFrame::NoFrame);
    LowerPane->setFrameShadow(QFrame::Sunken);
}

void MainWindow::UpdateCaption() {
    const std::string& caption = state_->View.Caption();
    setWindowTitle(QString::fromStdString(caption.empty() ? std::string(AppTitle) : caption));
}

void MainWindow::ApplyStatusTexts() {
    const SessionView& view = state_->View;
    for (int i = 0; i < 5; ++i)
        LowerStatusBar->SetPanelText(i, QString::fromStdString(view.LowerStatusBar(i)));
    // While the local-files view is on, the upper bar shows that view's folder.
    if (LocalListVisible()) return;
    for (int i = 0; i < 2; ++i)
        UpperStatusBar->SetPanelText(i, QString::fromStdString(view.UpperStatusBar(i)));
}

void MainWindow::ApplyMessage() {
    const SessionView& view = state_->View;
    MessageLabel->setText(QString::fromStdString(view.MessageLabel()));
    QPalette p = MessageLabel->palette();
    p.setColor(QPalette::WindowText,
               view.MessageLabelRed() ? QColor(Qt::red) : palette().color(QPalette::WindowText));
    MessageLabel->setPalette(p);
}

void MainWindow::ApplyButtons() {
    const SessionView::ButtonStates& b = state_->View.Buttons();
    OpenBtn->setEnabled(b.OpenBtn);
    RetrieveBtn->setEnabled(b.RetrieveBtn);
    StopBtn->setEnabled(b.StopBtn);
    if (!LocalListVisible()) OpenProjectFolderBtn->setEnabled(b.OpenProjectFolderBtn);
    QuickHTMLViewerBtn->setEnabled(b.QuickHTMLViewerBtn);
    BrowseBtn->setEnabled(b.BrowseBtn);
    EMailBtn->setEnabled(b.EMailBtn);
    if (state_->View.SaveAsBtnEnabled()) SaveAsBtn->setEnabled(true);
    // The File menu's keys work while the menu is closed: its items follow the buttons now.
    UpdateFileMenu();
}

void MainWindow::RebuildSiteTree() {
    const SessionView& view = state_->View;
    const bool sameRoot = SiteRootNode != nullptr && view.HasSiteRoot() &&
                          SiteRootNode->text(0) == QString::fromStdString(view.SiteRootText());
    const auto& children = view.SiteChildren();
    const bool onlyAdded = sameRoot && children.size() >= treeChildren_.size() &&
                           std::equal(treeChildren_.begin(), treeChildren_.end(), children.begin());
    if (!onlyAdded) {
        const QSignalBlocker quiet(DirTree);
        DirTree->clear();
        SiteRootNode = nullptr;
        treeChildren_.clear();
        folderNodes_.clear();
        if (!view.HasSiteRoot()) return;
        SiteRootNode = new QTreeWidgetItem(DirTree, {QString::fromStdString(view.SiteRootText())});
        SiteRootNode->setIcon(0, TreeIcon("browse"));
    }
    // During a run folders only ever join the tree: add the new ones and keep the selection.
    // A node keeps its folder as the session names it; a complete copy's folders ("docs/a/")
    // nest under their parent folder's node and show their own name ("a/").
    for (std::size_t i = treeChildren_.size(); i < children.size(); ++i) {
        const std::string& folder = children[i];
        QTreeWidgetItem* parent = SiteRootNode;
        std::string label = folder;
        if (state_->CompleteCopy && folder.size() >= 2) {
            const std::size_t cut = folder.find_last_of('/', folder.size() - 2);
            const auto found = cut == std::string::npos
                                   ? folderNodes_.end()
                                   : folderNodes_.find(folder.substr(0, cut + 1));
            if (found != folderNodes_.end()) {
                parent = found->second;
                label = folder.substr(cut + 1);
            }
        }
        auto* node = new QTreeWidgetItem(parent, {QString::fromStdString(label)});
        node->setData(0, Qt::UserRole, QString::fromStdString(folder));
        node->setIcon(0, TreeIcon("projectfolder"));
        folderNodes_[folder] = node;
        treeChildren_.push_back(folder);
    }
    SiteRootNode->setExpanded(true);
}

void MainWindow::SelectSiteRoot() {
    if (!SiteRootNode) return;
    if (DirTree->currentItem() == SiteRootNode) {
        // The tree makes its first node current by itself, without showing it selected.
        SiteRootNode->setSelected(true);
        ListSiteFolder(SiteRootNode);
    } else {
        DirTree->setCurrentItem(SiteRootNode);  // runs ListSiteFolder
    }
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (paneSized_) return;
    // The lower pane starts 160 pixels high; the project browser takes the rest.
    paneSized_ = true;
    const int total = LowerPaneSplitter->height() - LowerPaneSplitter->handleWidth();
    LowerPaneSplitter->setSizes({std::max(total - LowerPaneHeight, 80), LowerPaneHeight});
}

bool MainWindow::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        ApplicationHint(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

void MainWindow::ApplicationHint(const QString& hint) {
    if (!hint.isEmpty()) {
        LowerStatusBar->SetSimpleText(hint);
        LowerStatusBar->SetSimplePanel(true);
    } else {
        LowerStatusBar->SetSimplePanel(false);
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ToolBarFrame && event->type() == QEvent::ContextMenu) {
        SystemPopupMenu->popup(static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    }
    if (watched == DirTree && event->type() == QEvent::KeyPress) {
        if (HandleTreeKey(static_cast<QKeyEvent*>(event)->key())) return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    if (HandleTreeKey(event->key())) return;
    QMainWindow::keyPressEvent(event);
}
