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
#include <QVBoxLayout>
#include <utility>

#include "core/AppTitle.h"
#include "engine/RunControl.h"
#include "widgets/Hints.h"
#include "widgets/ToolIcons.h"
#include "window/BrowserPanel.h"
#include "window/LocalFilesView.h"
#include "window/ProjectBrowser.h"
#include "window/StatusBar.h"
#include "window/StatusGridPane.h"
#include "window/ViewRefresh.h"

static void InitIconResources() {
    Q_INIT_RESOURCE(icons);
}

namespace {

// Design widths of the grid's columns and of the lower status bar's panels.
constexpr int GridColumnWidths[5] = {50, 306, 82, 74, 97};
constexpr int StatisticsBarWidths[5] = {142, 94, 150, 139, 48};
constexpr int LowerPaneHeight = 160;

}  // namespace

MainWindow::MainWindow(SessionPrompts& prompts, QWidget* parent)
    : QMainWindow(parent),
      prompts_(prompts),
      state_(std::make_unique<SessionState>(prompts)),
      run_(std::make_unique<RunControl>(*state_)) {
    InitIconResources();
    AskSessionSettings = [this](SessionSettings& settings) {
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
    BuildFileListMenu();
    NameCommands();
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
    state_->FileListHasItems = [this] { return Project->List().Count() > 0; };
    GridPane->FlushRows();
    GridPane->FollowSelection();
    ApplyStatusTexts();
    ApplyMessage();
    ApplyButtons();
    // The viewer command itself says when the list is empty ("No item in list box"), so its
    // button starts enabled; a session's button states take over from then on.
    QuickHTMLViewerBtn->setEnabled(true);
    UpdateCaption();
    for (int c = 0; c < 5; ++c) GridPane->SetColumnWidth(c, GridColumnWidths[c]);
}

MainWindow::~MainWindow() {
    // The views go first: while they close they may still read the session they show.
    state_->View.disconnect(this);
    delete centralWidget();
    delete GridPane;
}

void MainWindow::BuildBrowser() {
    TreeListSplitter = new QSplitter(Qt::Horizontal, LowerPaneSplitter);
    TreeListSplitter->setObjectName(QStringLiteral("TreeListSplitter"));
    TreeListSplitter->setChildrenCollapsible(false);

    DirTreePanel = new QWidget(TreeListSplitter);
    DirTreePanel->setObjectName(QStringLiteral("DirTreePanel"));
    auto* treeColumn = new QVBoxLayout(DirTreePanel);
    treeColumn->setContentsMargins(0, 0, 0, 0);
    FileViewPanel = new QWidget(TreeListSplitter);
    FileViewPanel->setObjectName(QStringLiteral("FileViewPanel"));
    auto* listColumn = new QVBoxLayout(FileViewPanel);
    listColumn->setContentsMargins(0, 0, 0, 0);
    Project = new ProjectBrowser(*state_, prompts_, *DirTreePanel, *FileViewPanel, this);
    LocalFiles = new LocalFilesView(*DirTreePanel, *FileViewPanel, this);
    Project->TreeKey = [this](int key) { return HandleTreeKey(key); };
    LocalFiles->TreeKey = [this](int key) { return HandleTreeKey(key); };

    TreeListSplitter->addWidget(DirTreePanel);
    TreeListSplitter->addWidget(FileViewPanel);
    TreeListSplitter->setStretchFactor(0, 0);
    TreeListSplitter->setStretchFactor(1, 1);
    TreeListSplitter->setSizes({238, DesignWidth - 238});

    connect(Project, &ProjectBrowser::FolderListed, this, [this] {
        QuickHTMLViewerBtn->setEnabled(Project->List().Count() > 0);
        EnableDisableFullScreenBtn();
    });
    for (FolderFileList* list : {&Project->List(), &LocalFiles->List()}) {
        connect(list, &FolderFileList::KeyDown, this, [this](int key) { HandleListKey(key); });
        connect(list, &FolderFileList::KeyUp, this,
                [this, list](int key) { OnListKeyReleased(*list, key); });
        connect(list, &FolderFileList::ContextMenuRequested, this, [this](QPoint at) {
            UpdateFileListMenu();
            FileListPopupMenu->popup(at);
        });
    }
    connect(&Project->List(), &FolderFileList::Clicked, this, &MainWindow::OnProjectFileSelected);
}

void MainWindow::BuildLowerPane() {
    LowerPane = new QFrame(LowerPaneSplitter);
    LowerPane->setObjectName(QStringLiteral("LowerPane"));
    auto* pane = new QVBoxLayout(LowerPane);
    pane->setContentsMargins(1, 1, 1, 1);
    pane->setSpacing(0);
    GridPane = new StatusGridPane(*state_, prompts_, *LowerPane, *this);
    connect(GridPane, &StatusGridPane::RowFileDeleted, this, &MainWindow::ForcedSilentSave);
    SetLowerPaneLowered(true);
    LowerPane->resize(DesignWidth, 160);

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
    batched(&SessionView::GridSelectionChanged, [this] { GridPane->FollowSelection(); });
    connect(&view, &SessionView::CaptionChanged, this, &MainWindow::UpdateCaption);
    connect(&view, &SessionView::ButtonsChanged, this, &MainWindow::ApplyButtons);
    connect(&view, &SessionView::SiteTreeChanged, Project, &ProjectBrowser::RebuildSiteTree);
    connect(&view, &SessionView::FileListCleared, this, [this] { Project->List().Clear(); });
    connect(&view, &SessionView::SiteRootSelectionRequested, Project,
            &ProjectBrowser::SelectSiteRoot);
    connect(&view, &SessionView::SessionOpenStarted, this, &MainWindow::SessionOpenStarted);
    connect(&view, &SessionView::SessionOpenFinished, this, &MainWindow::SessionOpenFinished);
    connect(&view, &SessionView::BlockingWorkStarting, this, &MainWindow::ShowBeforeBlockingWork);
    // Once a second while a session runs, the project list takes in the files that landed.
    connect(&state_->SessionClock, &QTimer::timeout, Project, &ProjectBrowser::FollowLandedFiles);
}

void MainWindow::ShowBeforeBlockingWork() {
    // What the run changed so far shows now, and the window system gets to take away a box
    // just answered and to paint what lay under it; input waits for the work to end.
    viewRefresh_->Flush();
    GridPane->FlushRows();
    if (isVisible()) repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void MainWindow::ResetViews() {
    Project->List().Clear();
    state_->View.ClearSiteTree();
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
        GridPane->SetColumnWidth(i + 1, GridColumnWidths[i + 1] + columnGrowth[i]);
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
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    if (HandleTreeKey(event->key())) return;
    QMainWindow::keyPressEvent(event);
}
