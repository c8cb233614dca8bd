#include "window/MainWindow.h"

#include <QAction>
#include <QActionGroup>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QToolButton>

#include "widgets/Hints.h"
#include "widgets/ToolIcons.h"

// The window's commands: the tool bar, the main menu, the tool bar's own menu and the pop-up
// menus of the grid and the file lists.

namespace {

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

}  // namespace

void MainWindow::BuildToolBar() {
    ToolBarFrame = new QFrame(this);
    ToolBarFrame->setObjectName(QStringLiteral("ToolBarFrame"));
    ToolBarFrame->setFrameShape(QFrame::Panel);
    ToolBarFrame->setFrameShadow(QFrame::Raised);
    ToolBarFrame->setFixedHeight(33);
    ToolBarFrame->setContextMenuPolicy(Qt::DefaultContextMenu);
    ToolBarFrame->installEventFilter(this);
    auto* row = new QHBoxLayout(ToolBarFrame);
    row->setContentsMargins(3, 1, 3, 1);
    row->setSpacing(1);

    OpenBtn = MakeButton(ToolBarFrame, row, "OpenBtn", "Open Session|Open an existing session",
                         ToolIcon("document-open", "open"), true);
    SaveAsBtn = MakeButton(ToolBarFrame, row, "SaveAsBtn",
                           "Save Session As..|Save an existing session with new name",
                           ToolIcon("document-save-as", "saveas"), false);
    OpenProjectFolderBtn =
        MakeButton(ToolBarFrame, row, "OpenProjectFolderBtn", "Open Project Folder|Open folder",
                   ToolIcon(nullptr, "projectfolder"), false);
    ExitBtn = MakeButton(ToolBarFrame, row, "ExitBtn", "Exit Lanternway|Close the program",
                         ToolIcon("application-exit", "exit"), true);
    AddSeparator(ToolBarFrame, row);
    RetrieveBtn =
        MakeButton(ToolBarFrame, row, "RetrieveBtn", "New Session|Open the new project dialog box",
                   ToolIcon(nullptr, "newsession"), true);
    StopBtn = MakeButton(ToolBarFrame, row, "StopBtn", "Stop Session|Stop an ongoing download or session",
                         ToolIcon("process-stop", "stop"), false);
    AddSeparator(ToolBarFrame, row);
    ViewGridBtn = MakeButton(ToolBarFrame, row, "ViewGridBtn",
                             "View Grid|Display grid of files information in main lower window",
                             ToolIcon(nullptr, "grid"), false);
    ViewBrowserPanelBtn =
        MakeButton(ToolBarFrame, row, "ViewBrowserPanelBtn",
                   "View Browser Panel|Display embedded browser window in main lower window",
                   ToolIcon(nullptr, "panel"), true);
    AddSeparator(ToolBarFrame, row);
    ViewLargeItemBtn = MakeButton(ToolBarFrame, row, "ViewLargeItemBtn", "Large Icons|",
                                  ToolIcon(nullptr, "largeicons"), true);
    ViewSmallItemBtn = MakeButton(ToolBarFrame, row, "ViewSmallItemBtn", "Small Icons|",
                                  ToolIcon(nullptr, "smallicons"), true);
    ViewListItemBtn =
        MakeButton(ToolBarFrame, row, "ViewListItemBtn", "List|", ToolIcon(nullptr, "list"), true);
    ViewDetailsItemBtn = MakeButton(ToolBarFrame, row, "ViewDetailsItemBtn", "Details|",
                                    ToolIcon(nullptr, "details"), true);
    for (QToolButton* b : {ViewLargeItemBtn, ViewSmallItemBtn, ViewListItemBtn, ViewDetailsItemBtn})
        b->setCheckable(true);
    AddSeparator(ToolBarFrame, row);
    QuickHTMLViewerBtn = MakeButton(ToolBarFrame, row, "QuickHTMLViewerBtn",
                                    "Lanternway Viewer|Launch full screen browser",
                                    ToolIcon(nullptr, "viewer"), true);
    BrowseBtn =
        MakeButton(ToolBarFrame, row, "BrowseBtn", "Browse|Browse current session using default browser",
                   ToolIcon(nullptr, "browse"), false);
    EMailBtn =
        MakeButton(ToolBarFrame, row, "EMailBtn", "View E-Mail|View e-mail addresses found in project",
                   ToolIcon(nullptr, "email"), false);
    ViewLocalFilesBtn = MakeButton(
        ToolBarFrame, row, "ViewLocalFilesBtn",
        "Local Files|View all web related files (HTML,GIF,JPG,BMP,ICO,WMF,EMF) in local drives",
        ToolIcon(nullptr, "localfiles"), true);
    FindBtn = MakeButton(ToolBarFrame, row, "FindBtn",
                         "Find Files|Launch lanternway file finder for web related files",
                         ToolIcon("edit-find", "find"), true);
    row->addStretch(1);

    connect(OpenBtn, &QToolButton::clicked, this, &MainWindow::OpenSession);
    connect(SaveAsBtn, &QToolButton::clicked, this, &MainWindow::SaveSessionAs);
    connect(OpenProjectFolderBtn, &QToolButton::clicked, this, &MainWindow::OpenListedFolder);
    connect(ExitBtn, &QToolButton::clicked, this, &MainWindow::ConfirmExit);
    connect(RetrieveBtn, &QToolButton::clicked, this, &MainWindow::StartNewSession);
    connect(StopBtn, &QToolButton::clicked, this, &MainWindow::StopSession);
    connect(ViewGridBtn, &QToolButton::clicked, this, &MainWindow::SwitchToGrid);
    connect(ViewBrowserPanelBtn, &QToolButton::clicked, this, &MainWindow::SwitchToBrowserPanel);
    connect(ViewLargeItemBtn, &QToolButton::clicked, this, &MainWindow::ShowLargeIcons);
    connect(ViewSmallItemBtn, &QToolButton::clicked, this, &MainWindow::ShowSmallIcons);
    connect(ViewListItemBtn, &QToolButton::clicked, this, &MainWindow::ShowAsList);
    connect(ViewDetailsItemBtn, &QToolButton::clicked, this, &MainWindow::ShowDetails);
    connect(QuickHTMLViewerBtn, &QToolButton::clicked, this, &MainWindow::OpenSelectedInViewer);
    connect(BrowseBtn, &QToolButton::clicked, this, &MainWindow::BrowseProject);
    connect(EMailBtn, &QToolButton::clicked, this, &MainWindow::ShowEMailAddresses);
    connect(ViewLocalFilesBtn, &QToolButton::clicked, this, &MainWindow::SwitchToLocalFiles);
    connect(FindBtn, &QToolButton::clicked, this, &MainWindow::OpenFinder);
}

void MainWindow::BuildMenus() {
    QMenuBar* bar = menuBar();
    const auto item = [this](QMenu* menu, const QString& caption, const QString& hint,
                             void (MainWindow::*handler)()) {
        QAction* action = menu->addAction(caption);
        action->setStatusTip(hint);
        connect(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
        return action;
    };

    FileMenu = bar->addMenu(QStringLiteral("&File"));
    NewSessionItem =
        item(FileMenu, "&New Session", "Open the new project dialog box", &MainWindow::StartNewSession);
    OpenSessionItem = item(FileMenu, "&Open Session", "Open an existing session, also called project",
                 &MainWindow::OpenSession);
    SaveSessionAsItem = item(FileMenu, "&Save Session As..", "Save an existing session with new name",
                 &MainWindow::SaveSessionAs);
    // The keys every desktop program answers; on the window too, so that they still work while
    // the main menu is hidden.
    NewSessionItem->setShortcut(QKeySequence::New);
    OpenSessionItem->setShortcut(QKeySequence::Open);
    addAction(NewSessionItem);
    addAction(OpenSessionItem);
    FileMenu->addSeparator();
    ExitItem = item(FileMenu, "E&xit Lanternway", "Close the program", &MainWindow::ConfirmExit);
    connect(FileMenu, &QMenu::aboutToShow, this, &MainWindow::UpdateFileMenu);

    ProjectMenu = bar->addMenu(QStringLiteral("&Project"));
    BrowseProjectItem = item(ProjectMenu, "&Browse Project",
                          "Browse current session using default browser", &MainWindow::BrowseProject);
    ViewEMailAddressItem = item(ProjectMenu, "View E-Mail &Address",
                             "View e-mail addresses found in project", &MainWindow::ShowEMailAddresses);
    OpenProjectFolderItem =
        item(ProjectMenu, "Open Project &Folder", "Open folder", &MainWindow::OpenListedFolder);
    connect(ProjectMenu, &QMenu::aboutToShow, this, &MainWindow::UpdateProjectMenu);

    ViewMenu = bar->addMenu(QStringLiteral("&View"));
    ViewGridItem = item(ViewMenu, "&Grid", "Display grid of files information in main lower window",
                 &MainWindow::SwitchToGrid);
    ViewPanelItem = item(ViewMenu, "&Panel", "Display embedded browser window in main lower window",
                  &MainWindow::SwitchToBrowserPanel);
    ViewMenu->addSeparator();
    FileListViewMenu = ViewMenu->addMenu(QStringLiteral("&File List View"));
    auto* styles = new QActionGroup(this);
    LargeIconsItem = item(FileListViewMenu, "&Large", QString(), &MainWindow::ShowLargeIcons);
    SmallIconsItem = item(FileListViewMenu, "&Small", QString(), &MainWindow::ShowSmallIcons);
    ListStyleItem = item(FileListViewMenu, "&List", QString(), &MainWindow::ShowAsList);
    DetailsStyleItem = item(FileListViewMenu, "&Details", QString(), &MainWindow::ShowDetails);
    for (QAction* a : {LargeIconsItem, SmallIconsItem, ListStyleItem, DetailsStyleItem}) {
        a->setCheckable(true);
        styles->addAction(a);
    }

    ToolsMenu = bar->addMenu(QStringLiteral("&Tools"));
    OpenViewerItem = item(ToolsMenu, "Open Lanternway &Viewer", "Launch full screen browser",
                       &MainWindow::OpenSelectedInViewer);
    ToolsMenu->addSeparator();
    ViewLocalFilesItem =
        item(ToolsMenu, "View &Local Files",
             "View all web related files (HTML,GIF,JPG,BMP,ICO,WMF,EMF) in local drives",
             &MainWindow::ToggleLocalFiles);
    ViewLocalFilesItem->setCheckable(true);
    FindFilesItem = item(ToolsMenu, "&Find Files", "Launch lanternway file finder for web related files",
                      &MainWindow::OpenFinder);
    ToolsMenu->addSeparator();
    FullScreenShowItem = item(ToolsMenu, "Full Screen &Show", "Full screen show/slide show of image(s)",
                           &MainWindow::StartFullScreenShow);
    connect(ToolsMenu, &QMenu::aboutToShow, this, &MainWindow::UpdateToolsMenu);

    HelpMenu = bar->addMenu(QStringLiteral("&Help"));
    AboutItem = item(HelpMenu, "&About Lanternway 1.3", QString(), &MainWindow::ShowAbout);

    // The window's own menu: this platform's windows have no system menu to extend, so it
    // opens on the tool bar, where the main menu can be hidden and brought back.
    SystemPopupMenu = new QMenu(this);
    SystemPopupMenu->addSeparator();
    HideMainMenuItem =
        item(SystemPopupMenu, "Hide Main &Menu", QString(), &MainWindow::ToggleMainMenu);
    HideMainMenuItem->setCheckable(true);
    SystemPopupMenu->addSeparator();
    SystemAboutItem = item(SystemPopupMenu, "&About Lanternway 1.3", QString(), &MainWindow::ShowAbout);
}

void MainWindow::BuildFileListMenu() {
    FileListPopupMenu = new QMenu(this);
    OpenFileItem = FileListPopupMenu->addAction(QStringLiteral("&Open"));
    SaveFileAsItem = FileListPopupMenu->addAction(QStringLiteral("&Save As.."));
    DeleteFileItem = FileListPopupMenu->addAction(QStringLiteral("&Delete"));
    PropertiesItem = FileListPopupMenu->addAction(QStringLiteral("&Properties"));
    FileListPopupMenu->addSeparator();
    ContextMenuItem = FileListPopupMenu->addAction(QStringLiteral("Context Menu"));
    connect(OpenFileItem, &QAction::triggered, this, &MainWindow::OpenSelectedFile);
    connect(SaveFileAsItem, &QAction::triggered, this, &MainWindow::SaveSelectedFiles);
    connect(DeleteFileItem, &QAction::triggered, this, &MainWindow::DeleteSelectedFiles);
    connect(PropertiesItem, &QAction::triggered, this, &MainWindow::ShowSelectedProperties);
    connect(ContextMenuItem, &QAction::triggered, this, &MainWindow::ShowSelectedContextMenu);
}

void MainWindow::NameCommands() {
    // Tests and tools find the window's commands by these names.
    const std::pair<QObject*, const char*> named[] = {
        {FileMenu, "FileMenu"},
        {NewSessionItem, "NewSessionItem"},
        {OpenSessionItem, "OpenSessionItem"},
        {SaveSessionAsItem, "SaveSessionAsItem"},
        {ExitItem, "ExitItem"},
        {ProjectMenu, "ProjectMenu"},
        {BrowseProjectItem, "BrowseProjectItem"},
        {ViewEMailAddressItem, "ViewEMailAddressItem"},
        {OpenProjectFolderItem, "OpenProjectFolderItem"},
        {ViewMenu, "ViewMenu"},
        {ViewGridItem, "ViewGridItem"},
        {ViewPanelItem, "ViewPanelItem"},
        {FileListViewMenu, "FileListViewMenu"},
        {LargeIconsItem, "LargeIconsItem"},
        {SmallIconsItem, "SmallIconsItem"},
        {ListStyleItem, "ListStyleItem"},
        {DetailsStyleItem, "DetailsStyleItem"},
        {ToolsMenu, "ToolsMenu"},
        {OpenViewerItem, "OpenViewerItem"},
        {ViewLocalFilesItem, "ViewLocalFilesItem"},
        {FindFilesItem, "FindFilesItem"},
        {FullScreenShowItem, "FullScreenShowItem"},
        {HelpMenu, "HelpMenu"},
        {AboutItem, "AboutItem"},
        {SystemPopupMenu, "SystemPopupMenu"},
        {HideMainMenuItem, "HideMainMenuItem"},
        {SystemAboutItem, "SystemAboutItem"},
        {BottomBarIcon, "BottomBarIcon"},
        {ThreadRunningCaption, "ThreadRunningCaption"},
        {FileListPopupMenu, "FileListPopupMenu"},
        {OpenFileItem, "OpenFileItem"},
        {SaveFileAsItem, "SaveFileAsItem"},
        {DeleteFileItem, "DeleteFileItem"},
        {PropertiesItem, "PropertiesItem"},
        {ContextMenuItem, "ContextMenuItem"},
    };
    for (const auto& [object, name] : named) object->setObjectName(QLatin1String(name));
}
