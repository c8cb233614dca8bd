#include "window/TForm2.h"

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
#include <QSplitter>
#include <QStatusTipEvent>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "engine/RunControl.h"
#include "shell/TSystemTreeView.h"
#include "window/BrowserPanel.h"
#include "window/GridModel.h"
#include "window/GridRules.h"
#include "window/Hints.h"
#include "window/TMgrid.h"
#include "window/TStatusBar.h"
#include "window/ToolIcons.h"
#include "window/ViewRefresh.h"

static void InitIconResources() {
    Q_INIT_RESOURCE(icons);
}

namespace {

// Design widths of the grid's columns and of the lower status bar's panels.
constexpr int GridColumnWidths[5] = {50, 306, 82, 74, 97};
constexpr int StatusBar1Widths[5] = {142, 94, 150, 139, 48};
constexpr int LowerPaneHeight = 160;

QToolButton* MakeButton(QWidget* parent, QHBoxLayout* layout, const char* name, const QString& hint,
                        const QIcon& icon, bool enabled) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setIcon(icon);
    button->setIconSize(QSize(22, 22));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setEnabled(enabled);
    SetHint(button, hint);
    layout->addWidget(button);
    return button;
}

void AddSeparator(QWidget* parent, QHBoxLayout* layout) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);
    layout->addSpacing(2);
    layout->addWidget(line);
    layout->addSpacing(2);
}

// Folder pictures of the site tree: the site, a folder, and the open folder of the selected node.
QIcon TreeIcon(const char* normal) {
    QIcon icon;
    icon.addPixmap(ToolIcon(nullptr, normal).pixmap(16, 16), QIcon::Normal);
    icon.addPixmap(ToolIcon(nullptr, "open").pixmap(16, 16), QIcon::Selected);
    return icon;
}

}  // namespace

TForm2::TForm2(SessionPrompts& prompts, QWidget* parent)
    : QMainWindow(parent),
      prompts_(prompts),
      state_(std::make_unique<SessionState>(prompts)),
      run_(std::make_unique<RunControl>(*state_)) {
    InitIconResources();
    NewSessionDialog = [this](NewSessionSettings& settings) {
        return ShowNewSessionDialog(settings);
    };
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QString::fromLatin1(AppTitle));
    resize(DesignWidth, DesignHeight);

    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    setCentralWidget(central);

    BuildToolBar();
    column->addWidget(Panel2);
    StatusBar2 = new TStatusBar({238, 250}, central);
    StatusBar2->setObjectName(QStringLiteral("StatusBar2"));
    column->addWidget(StatusBar2);

    Splitter2 = new QSplitter(Qt::Vertical, central);
    Splitter2->setObjectName(QStringLiteral("Splitter2"));
    Splitter2->setChildrenCollapsible(false);
    BuildBrowser();
    BuildLowerPane();
    BuildBrowserPanel();
    Splitter2->addWidget(Splitter1);
    Splitter2->addWidget(Panel1);
    Splitter2->setStretchFactor(0, 1);
    Splitter2->setStretchFactor(1, 0);
    column->addWidget(Splitter2, 1);
    column->addWidget(Panel3);

    StatusBar1 = new TStatusBar(
        std::vector<int>(std::begin(StatusBar1Widths), std::end(StatusBar1Widths)), central);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    column->addWidget(StatusBar1);

    BuildMenus();
    BuildPopupMenus();
    ConnectView();

    // Start-up: the views reset, the design texts, the grid's 11 rows.
    InitializeDirTreeAndListViewAndStringGrid1();
    SessionView& view = state_->View;
    view.SetStatusBar1(0, "Files Added in Queue: 0");
    view.SetStatusBar1(1, "Files Read: 0");
    view.SetStatusBar1(2, "Bytes Received: 0");
    view.SetStatusBar1(3, "Retrieval Speed: 0.0 KB/s");
    view.SetStatusBar1(4, "Time Elapsed: 00:00");
    view.SetStatusBar2(0, "Session Started On: ");
    view.SetStatusBar2(1, "Contents Of: ");
    view.SetGridRowCount(11);
    view.SetCaption(AppTitle);
    state_->FileListHasItems = [this] { return FileListView->Count() > 0; };
    Mgrid1Model->Flush();
    Mgrid1->SetRow(view.SelectedRow());
    ApplyStatusTexts();
    ApplyMessage();
    ApplyButtons();
    UpdateCaption();
    for (int c = 0; c < 5; ++c) Mgrid1->setColumnWidth(c, GridColumnWidths[c]);
}

TForm2::~TForm2() {
    // The views go first: while they close they may still read the session they show.
    state_->View.disconnect(this);
    delete centralWidget();
    delete Mgrid1Model;
}

void TForm2::BuildToolBar() {
    Panel2 = new QFrame(this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFrameShape(QFrame::Panel);
    Panel2->setFrameShadow(QFrame::Raised);
    Panel2->setFixedHeight(33);
    Panel2->setContextMenuPolicy(Qt::DefaultContextMenu);
    Panel2->installEventFilter(this);
    auto* row = new QHBoxLayout(Panel2);
    row->setContentsMargins(3, 1, 3, 1);
    row->setSpacing(1);

    OpenBtn = MakeButton(Panel2, row, "OpenBtn", "Open Session|Open an existing session",
                         ToolIcon("document-open", "open"), true);
    SaveAsBtn = MakeButton(Panel2, row, "SaveAsBtn",
                           "Save Session As..|Save an existing session with new name",
                           ToolIcon("document-save-as", "saveas"), false);
    OpenProjectFolderBtn =
        MakeButton(Panel2, row, "OpenProjectFolderBtn", "Open Project Folder|Open folder",
                   ToolIcon(nullptr, "projectfolder"), false);
    ExitBtn = MakeButton(Panel2, row, "ExitBtn", "Exit Lanternway|Close the program",
                         ToolIcon("application-exit", "exit"), true);
    AddSeparator(Panel2, row);
    RetrieveBtn =
        MakeButton(Panel2, row, "RetrieveBtn", "New Session|Open the new project dialog box",
                   ToolIcon(nullptr, "newsession"), true);
    StopBtn = MakeButton(Panel2, row, "StopBtn", "Stop Session|Stop an ongoing download or session",
                         ToolIcon("process-stop", "stop"), false);
    AddSeparator(Panel2, row);
    ViewGridBtn = MakeButton(Panel2, row, "ViewGridBtn",
                             "View Grid|Display grid of files information in main lower window",
                             ToolIcon(nullptr, "grid"), false);
    ViewBrowserPanelBtn =
        MakeButton(Panel2, row, "ViewBrowserPanelBtn",
                   "View Browser Panel|Display embedded browser window in main lower window",
                   ToolIcon(nullptr, "panel"), true);
    AddSeparator(Panel2, row);
    ViewLargeItemBtn = MakeButton(Panel2, row, "ViewLargeItemBtn", "Large Icons|",
                                  ToolIcon(nullptr, "largeicons"), true);
    ViewSmallItemBtn = MakeButton(Panel2, row, "ViewSmallItemBtn", "Small Icons|",
                                  ToolIcon(nullptr, "smallicons"), true);
    ViewListItemBtn =
        MakeButton(Panel2, row, "ViewListItemBtn", "List|", ToolIcon(nullptr, "list"), true);
    ViewDetailsItemBtn = MakeButton(Panel2, row, "ViewDetailsItemBtn", "Details|",
                                    ToolIcon(nullptr, "details"), true);
    for (QToolButton* b : {ViewLargeItemBtn, ViewSmallItemBtn, ViewListItemBtn, ViewDetailsItemBtn})
        b->setCheckable(true);
    AddSeparator(Panel2, row);
    QuickHTMLViewerBtn = MakeButton(Panel2, row, "QuickHTMLViewerBtn",
                                    "Lanternway Viewer|Launch full screen browser",
                                    ToolIcon(nullptr, "viewer"), true);
    BrowseBtn =
        MakeButton(Panel2, row, "BrowseBtn", "Browse|Browse current session using default browser",
                   ToolIcon(nullptr, "browse"), false);
    EMailBtn =
        MakeButton(Panel2, row, "EMailBtn", "View E-Mail|View e-mail addresses found in project",
                   ToolIcon(nullptr, "email"), false);
    ViewLocalFilesBtn = MakeButton(
        Panel2, row, "ViewLocalFilesBtn",
        "Local Files|View all web related files (HTML,GIF,JPG,BMP,ICO,WMF,EMF) in local drives",
        ToolIcon(nullptr, "localfiles"), true);
    FindBtn = MakeButton(Panel2, row, "FindBtn",
                         "Find Files|Launch lanternway file finder for web related files",
                         ToolIcon("edit-find", "find"), true);
    row->addStretch(1);

    connect(OpenBtn, &QToolButton::clicked, this, &TForm2::OpenBtnClick);
    connect(SaveAsBtn, &QToolButton::clicked, this, &TForm2::SaveAsBtnClick);
    connect(OpenProjectFolderBtn, &QToolButton::clicked, this, &TForm2::OpenProjectFolderBtnClick);
    connect(ExitBtn, &QToolButton::clicked, this, &TForm2::ExitBtnClick);
    connect(RetrieveBtn, &QToolButton::clicked, this, &TForm2::RetrieveBtnClick);
    connect(StopBtn, &QToolButton::clicked, this, &TForm2::StopBtnClick);
    connect(ViewGridBtn, &QToolButton::clicked, this, &TForm2::ViewGridBtnClick);
    connect(ViewBrowserPanelBtn, &QToolButton::clicked, this, &TForm2::ViewBrowserPanelBtnClick);
    connect(ViewLargeItemBtn, &QToolButton::clicked, this, &TForm2::ViewLargeItemBtnClick);
    connect(ViewSmallItemBtn, &QToolButton::clicked, this, &TForm2::ViewSmallItemBtnClick);
    connect(ViewListItemBtn, &QToolButton::clicked, this, &TForm2::ViewListItemBtnClick);
    connect(ViewDetailsItemBtn, &QToolButton::clicked, this, &TForm2::ViewDetailsItemBtnClick);
    connect(QuickHTMLViewerBtn, &QToolButton::clicked, this, &TForm2::QuickHTMLViewerBtnClick);
    connect(BrowseBtn, &QToolButton::clicked, this, &TForm2::BrowseBtnClick);
    connect(EMailBtn, &QToolButton::clicked, this, &TForm2::EMailBtnClick);
    connect(ViewLocalFilesBtn, &QToolButton::clicked, this, &TForm2::ViewLocalFilesBtnClick);
    connect(FindBtn, &QToolButton::clicked, this, &TForm2::FindBtnClick);
}

void TForm2::BuildMenus() {
    QMenuBar* bar = menuBar();
    const auto item = [this](QMenu* menu, const QString& caption, const QString& hint,
                             void (TForm2::*handler)()) {
        QAction* action = menu->addAction(caption);
        action->setStatusTip(hint);
        connect(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
        return action;
    };

    File1 = bar->addMenu(QStringLiteral("&File"));
    New1 =
        item(File1, "&New Session", "Open the new project dialog box", &TForm2::RetrieveBtnClick);
    Open1 = item(File1, "&Open Session", "Open an existing session, also called project",
                 &TForm2::OpenBtnClick);
    Save1 = item(File1, "&Save Session As..", "Save an existing session with new name",
                 &TForm2::SaveAsBtnClick);
    File1->addSeparator();
    Exit1 = item(File1, "E&xit Lanternway", "Close the program", &TForm2::ExitBtnClick);
    connect(File1, &QMenu::aboutToShow, this, &TForm2::File1Click);

    Project1 = bar->addMenu(QStringLiteral("&Project"));
    BrowseProject1 = item(Project1, "&Browse Project",
                          "Browse current session using default browser", &TForm2::BrowseBtnClick);
    ViewEMailAddress1 = item(Project1, "View E-Mail &Address",
                             "View e-mail addresses found in project", &TForm2::EMailBtnClick);
    OpenProjectFolder1 =
        item(Project1, "Open Project &Folder", "Open folder", &TForm2::OpenProjectFolderBtnClick);
    connect(Project1, &QMenu::aboutToShow, this, &TForm2::Project1Click);

    View1 = bar->addMenu(QStringLiteral("&View"));
    Grid1 = item(View1, "&Grid", "Display grid of files information in main lower window",
                 &TForm2::ViewGridBtnClick);
    Panel4 = item(View1, "&Panel", "Display embedded browser window in main lower window",
                  &TForm2::ViewBrowserPanelBtnClick);
    View1->addSeparator();
    FileListView1 = View1->addMenu(QStringLiteral("&File List View"));
    auto* styles = new QActionGroup(this);
    LargeItem1 = item(FileListView1, "&Large", QString(), &TForm2::ViewLargeItemBtnClick);
    SmallItem1 = item(FileListView1, "&Small", QString(), &TForm2::ViewSmallItemBtnClick);
    ListItem1 = item(FileListView1, "&List", QString(), &TForm2::ViewListItemBtnClick);
    DetailsItem1 = item(FileListView1, "&Details", QString(), &TForm2::ViewDetailsItemBtnClick);
    for (QAction* a : {LargeItem1, SmallItem1, ListItem1, DetailsItem1}) {
        a->setCheckable(true);
        styles->addAction(a);
    }

    Tools1 = bar->addMenu(QStringLiteral("&Tools"));
    OpenViewer1 = item(Tools1, "Open Lanternway &Viewer", "Launch full screen browser",
                       &TForm2::QuickHTMLViewerBtnClick);
    Tools1->addSeparator();
    ViewLocalFiles1 =
        item(Tools1, "View &Local Files",
             "View all web related files (HTML,GIF,JPG,BMP,ICO,WMF,EMF) in local drives",
             &TForm2::ViewLocalFiles1Click);
    ViewLocalFiles1->setCheckable(true);
    FindFiles1 = item(Tools1, "&Find Files", "Launch lanternway file finder for web related files",
                      &TForm2::FindBtnClick);
    Tools1->addSeparator();
    FullScreenShow1 = item(Tools1, "Full Screen &Show", "Full screen show/slide show of image(s)",
                           &TForm2::ShowFullScreenBtnClick);
    connect(Tools1, &QMenu::aboutToShow, this, &TForm2::Tools1Click);

    Help1 = bar->addMenu(QStringLiteral("&Help"));
    About1 = item(Help1, "&About Lanternway 1.3", QString(), &TForm2::AboutBtnClick);

    // The window's own menu: this platform's windows have no system menu to extend, so it
    // opens on the tool bar, where the main menu can be hidden and brought back.
    SystemPopupMenu = new QMenu(this);
    SystemPopupMenu->addSeparator();
    ShowMainMenu1 =
        item(SystemPopupMenu, "Hide Main &Menu", QString(), &TForm2::ShowMainMenu1Click);
    ShowMainMenu1->setCheckable(true);
    SystemPopupMenu->addSeparator();
    About2 = item(SystemPopupMenu, "&About Lanternway 1.3", QString(), &TForm2::AboutBtnClick);
}

void TForm2::BuildBrowser() {
    Splitter1 = new QSplitter(Qt::Horizontal, Splitter2);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setChildrenCollapsible(false);

    DirTreePanel = new QWidget(Splitter1);
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
    SystemTreeView1 = new TSystemTreeView(DirTreePanel);
    SystemTreeView1->setObjectName(QStringLiteral("SystemTreeView1"));
    SystemTreeView1->hide();
    treeColumn->addWidget(SystemTreeView1);

    FileViewPanel = new QWidget(Splitter1);
    FileViewPanel->setObjectName(QStringLiteral("FileViewPanel"));
    auto* listColumn = new QVBoxLayout(FileViewPanel);
    listColumn->setContentsMargins(0, 0, 0, 0);
    FileListView = new TSystemListView(FileViewPanel);
    FileListView->setObjectName(QStringLiteral("FileListView"));
    listColumn->addWidget(FileListView);
    SystemListView1 = new TSystemListView(FileViewPanel);
    SystemListView1->setObjectName(QStringLiteral("SystemListView1"));
    SystemListView1->hide();
    listColumn->addWidget(SystemListView1);
    SystemTreeView1->SetListView(SystemListView1);

    Splitter1->addWidget(DirTreePanel);
    Splitter1->addWidget(FileViewPanel);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({238, DesignWidth - 238});

    connect(DirTree, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { DirTreeChange(current); });
    for (TSystemListView* list : {FileListView, SystemListView1}) {
        connect(list, &TSystemListView::KeyDown, this, [this](int key) { ListKeyDown(key); });
        connect(list, &TSystemListView::KeyUp, this,
                [this, list](int key) { ListKeyUp(*list, key); });
        connect(list, &TSystemListView::ContextMenuRequested, this, [this](QPoint at) {
            PopupMenu1Popup();
            PopupMenu1->popup(at);
        });
    }
    connect(FileListView, &TSystemListView::Clicked, this, &TForm2::FileListViewClick);
    connect(SystemTreeView1, &TSystemTreeView::KeyDown, this,
            [this](int key) { TreeKeyDown(key); });
}

void TForm2::BuildLowerPane() {
    Panel1 = new QFrame(Splitter2);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    auto* pane = new QVBoxLayout(Panel1);
    pane->setContentsMargins(1, 1, 1, 1);
    pane->setSpacing(0);
    Mgrid1 = new TMgrid(Panel1);
    Mgrid1->setObjectName(QStringLiteral("Mgrid1"));
    // No stripes: both row colours are the window colour.
    Mgrid1->BorderColor = QColor(0xC0, 0xC0, 0xC0);
    Mgrid1->OddRowColor = Mgrid1->palette().color(QPalette::Base);
    Mgrid1->EvenRowColor = Mgrid1->palette().color(QPalette::Base);
    Mgrid1->UpdateBorder();
    Mgrid1->OnSetting = [this](int r, int c, int& colour, bool& b, bool& i, bool& u) {
        Mgrid1Setting(r, c, colour, b, i, u);
    };
    Mgrid1Model = new GridModel(state_->View, this);
    Mgrid1->setModel(Mgrid1Model);
    Mgrid1->setContextMenuPolicy(Qt::CustomContextMenu);
    pane->addWidget(Mgrid1);
    SetPanel1Lowered(true);
    Panel1->resize(DesignWidth, 160);

    connect(Mgrid1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid()) state_->View.SelectRow(current.row() + 1);
            });
    connect(Mgrid1, &QTableView::clicked, this, &TForm2::Mgrid1Click);
    connect(Mgrid1, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        StringGrid1PopupMenuPopup();
        StringGrid1PopupMenu->popup(Mgrid1->viewport()->mapToGlobal(at));
    });

    Panel3 = new QWidget(this);
    Panel3->setObjectName(QStringLiteral("Panel3"));
    Panel3->setFixedHeight(std::max(21, fontMetrics().height() + 6));
    auto* bottom = new QHBoxLayout(Panel3);
    bottom->setContentsMargins(4, 0, 4, 0);
    bottom->setSpacing(4);
    Image2 = new QLabel(Panel3);
    Image2->setPixmap(ToolIcon(nullptr, "newsession").pixmap(16, 16));
    Label3 = new QLabel(QStringLiteral("Thread Running: "), Panel3);
    CThreadRunning = new QLabel(QStringLiteral("0"), Panel3);
    CThreadRunning->setObjectName(QStringLiteral("CThreadRunning"));
    CThreadRunning->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000")));
    CMessage = new QLabel(Panel3);
    CMessage->setObjectName(QStringLiteral("CMessage"));
    CMessage->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    CMessage->setTextFormat(Qt::PlainText);
    CMessage->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    HTMLButtonsBar = new QWidget(Panel3);
    HTMLButtonsBar->setObjectName(QStringLiteral("HTMLButtonsBar"));
    HTMLButtonsBar->hide();
    bottom->addWidget(Image2);
    bottom->addWidget(Label3);
    bottom->addWidget(CThreadRunning);
    bottom->addWidget(CMessage, 1);
    bottom->addWidget(HTMLButtonsBar, 1);
}

void TForm2::BuildPopupMenus() {
    StringGrid1PopupMenu = new QMenu(this);
    OpenDefaultViewer1 = StringGrid1PopupMenu->addAction(QStringLiteral("Open - Default Viewer"));
    RetrieveDefaultBrowser1 =
        StringGrid1PopupMenu->addAction(QStringLiteral("Retrieve - Default Browser"));
    StringGrid1PopupMenu->addSeparator();
    CopyURL1 = StringGrid1PopupMenu->addAction(QStringLiteral("Copy URL"));
    StringGrid1PopupMenu->addSeparator();
    SaveAs1 = StringGrid1PopupMenu->addAction(QStringLiteral("Save As.."));
    Delete1 = StringGrid1PopupMenu->addAction(QStringLiteral("Delete"));
    for (QAction* a : {OpenDefaultViewer1, RetrieveDefaultBrowser1, CopyURL1, SaveAs1, Delete1})
        a->setEnabled(false);
    connect(OpenDefaultViewer1, &QAction::triggered, this, &TForm2::OpenDefaultViewer1Click);
    connect(RetrieveDefaultBrowser1, &QAction::triggered, this,
            &TForm2::RetrieveDefaultBrowser1Click);
    connect(CopyURL1, &QAction::triggered, this, &TForm2::CopyURL1Click);
    connect(SaveAs1, &QAction::triggered, this, &TForm2::SaveAs1Click);
    connect(Delete1, &QAction::triggered, this, &TForm2::Delete1Click);

    PopupMenu1 = new QMenu(this);
    Open2 = PopupMenu1->addAction(QStringLiteral("&Open"));
    Save2 = PopupMenu1->addAction(QStringLiteral("&Save As.."));
    Delete2 = PopupMenu1->addAction(QStringLiteral("&Delete"));
    Properties1 = PopupMenu1->addAction(QStringLiteral("&Properties"));
    PopupMenu1->addSeparator();
    ContextMenu1 = PopupMenu1->addAction(QStringLiteral("Context Menu"));
    connect(Open2, &QAction::triggered, this, &TForm2::Open2Click);
    connect(Save2, &QAction::triggered, this, &TForm2::SaveClick);
    connect(Delete2, &QAction::triggered, this, &TForm2::DeleteClick);
    connect(Properties1, &QAction::triggered, this, &TForm2::PropertiesClick);
    connect(ContextMenu1, &QAction::triggered, this, &TForm2::ContextMenuClick);
}

void TForm2::ConnectView() {
    SessionView& view = state_->View;
    // A running session's labels and selection show in batches; the grid's model batches its
    // rows the same way.
    viewRefresh_ = new ViewRefresh([this] { return state_->Running(); }, this);
    auto batched = [this, &view](auto signal, std::function<void()> apply) {
        const int kind = viewRefresh_->Add(std::move(apply));
        connect(&view, signal, this, [this, kind] { viewRefresh_->Changed(kind); });
    };
    connect(run_.get(), &RunControl::SessionFinished, viewRefresh_, &ViewRefresh::Flush);
    batched(&SessionView::StatusTextsChanged, [this] { ApplyStatusTexts(); });
    batched(&SessionView::MessageChanged, [this] { ApplyMessage(); });
    batched(&SessionView::ThreadRunningChanged, [this] {
        CThreadRunning->setText(QString::fromStdString(state_->View.CThreadRunning()));
    });
    batched(&SessionView::GridSelectionChanged, [this] {
        // The row may be new: the model learns of it first.
        const int row = state_->View.SelectedRow();
        Mgrid1Model->Flush();
        if (Mgrid1->Row() != row) Mgrid1->SetRow(row);
        Mgrid1->viewport()->update();
    });
    connect(&view, &SessionView::CaptionChanged, this, &TForm2::UpdateCaption);
    connect(&view, &SessionView::ButtonsChanged, this, &TForm2::ApplyButtons);
    connect(&view, &SessionView::SiteTreeChanged, this, &TForm2::RebuildSiteTree);
    connect(&view, &SessionView::FileListCleared, this, [this] { FileListView->Clear(); });
    connect(&view, &SessionView::SiteRootSelectionRequested, this, &TForm2::SelectSiteRoot);
    connect(&view, &SessionView::SessionOpenStarted, this, &TForm2::SessionOpenStarted);
    connect(&view, &SessionView::SessionOpenFinished, this, &TForm2::SessionOpenFinished);
    // Rows the selection points at may only now have reached the grid.
    connect(Mgrid1Model, &QAbstractItemModel::rowsInserted, this, [this] {
        const int row = state_->View.SelectedRow();
        if (Mgrid1->Row() != row) Mgrid1->SetRow(row);
    });
}

void TForm2::InitializeDirTreeAndListViewAndStringGrid1() {
    SessionView& view = state_->View;
    view.SetCell(0, 0, "");
    view.SetCell(0, 1, "File");
    view.SetCell(0, 2, "Total Bytes");
    view.SetCell(0, 3, "Transferred");
    view.SetCell(0, 4, "State");
    FileListView->Clear();
    view.ClearSiteTree();
    SetViewStyle(TSystemListView::ViewStyle::Report);
}

void TForm2::AdaptToScreenWidth(int screenWidth) {
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
        StatusBar1->SetPanelWidth(i, StatusBar1Widths[i] + panelGrowth[i]);
        Mgrid1->setColumnWidth(i + 1, GridColumnWidths[i + 1] + columnGrowth[i]);
    }
}

void TForm2::SetPanel1Lowered(bool lowered) {
    Panel1->setFrameShape(lowered ? QFrame::Panel : QFrame::NoFrame);
    Panel1->setFrameShadow(QFrame::Sunken);
}

void TForm2::UpdateCaption() {
    const std::string& caption = state_->View.Caption();
    setWindowTitle(QString::fromStdString(caption.empty() ? std::string(AppTitle) : caption));
}

void TForm2::ApplyStatusTexts() {
    const SessionView& view = state_->View;
    for (int i = 0; i < 5; ++i)
        StatusBar1->SetPanelText(i, QString::fromStdString(view.StatusBar1(i)));
    // While the local-files view is on, the upper bar shows that view's folder.
    if (LocalListVisible()) return;
    for (int i = 0; i < 2; ++i)
        StatusBar2->SetPanelText(i, QString::fromStdString(view.StatusBar2(i)));
}

void TForm2::ApplyMessage() {
    const SessionView& view = state_->View;
    CMessage->setText(QString::fromStdString(view.CMessage()));
    QPalette p = CMessage->palette();
    p.setColor(QPalette::WindowText,
               view.CMessageRed() ? QColor(Qt::red) : palette().color(QPalette::WindowText));
    CMessage->setPalette(p);
}

void TForm2::ApplyButtons() {
    const SessionView::ButtonStates& b = state_->View.Buttons();
    OpenBtn->setEnabled(b.OpenBtn);
    RetrieveBtn->setEnabled(b.RetrieveBtn);
    StopBtn->setEnabled(b.StopBtn);
    if (!LocalListVisible()) OpenProjectFolderBtn->setEnabled(b.OpenProjectFolderBtn);
    QuickHTMLViewerBtn->setEnabled(b.QuickHTMLViewerBtn);
    BrowseBtn->setEnabled(b.BrowseBtn);
    EMailBtn->setEnabled(b.EMailBtn);
    if (state_->View.SaveAsBtnEnabled()) SaveAsBtn->setEnabled(true);
}

void TForm2::RebuildSiteTree() {
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
        if (!view.HasSiteRoot()) return;
        SiteRootNode = new QTreeWidgetItem(DirTree, {QString::fromStdString(view.SiteRootText())});
        SiteRootNode->setIcon(0, TreeIcon("browse"));
    }
    // During a run folders only ever join the tree: add the new ones and keep the selection.
    for (std::size_t i = treeChildren_.size(); i < children.size(); ++i) {
        auto* node = new QTreeWidgetItem(SiteRootNode, {QString::fromStdString(children[i])});
        node->setIcon(0, TreeIcon("projectfolder"));
        treeChildren_.push_back(children[i]);
    }
    SiteRootNode->setExpanded(true);
}

void TForm2::SelectSiteRoot() {
    if (!SiteRootNode) return;
    if (DirTree->currentItem() == SiteRootNode)
        DirTreeChange(SiteRootNode);
    else
        DirTree->setCurrentItem(SiteRootNode);  // runs DirTreeChange
}

void TForm2::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (paneSized_) return;
    // The lower pane starts 160 pixels high; the project browser takes the rest.
    paneSized_ = true;
    const int total = Splitter2->height() - Splitter2->handleWidth();
    Splitter2->setSizes({std::max(total - LowerPaneHeight, 80), LowerPaneHeight});
}

bool TForm2::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        ApplicationHint(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

void TForm2::ApplicationHint(const QString& hint) {
    if (!hint.isEmpty()) {
        StatusBar1->SetSimpleText(hint);
        StatusBar1->SetSimplePanel(true);
    } else {
        StatusBar1->SetSimplePanel(false);
    }
}

bool TForm2::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Panel2 && event->type() == QEvent::ContextMenu) {
        SystemPopupMenu->popup(static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    }
    if (watched == DirTree && event->type() == QEvent::KeyPress) {
        if (TreeKeyDown(static_cast<QKeyEvent*>(event)->key())) return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TForm2::keyPressEvent(QKeyEvent* event) {
    if (TreeKeyDown(event->key())) return;
    QMainWindow::keyPressEvent(event);
}
