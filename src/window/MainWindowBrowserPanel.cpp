// The lower pane's browser panel (window/BrowserPanel.h) inside the main window, and the
// local-files view: a shell folder tree and file list narrowed to web files.
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QScrollArea>
#include <QSplitter>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/AppTitle.h"
#include "core/FileNames.h"
#include "core/Text.h"
#include "htmlview/ScreenCursor.h"
#include "htmlview/HtmlView.h"
#include "shell/FolderTree.h"
#include "shell/FolderWatcher.h"
#include "window/BrowserPanel.h"
#include "widgets/Hints.h"
#include "window/MainWindow.h"
#include "window/GridRules.h"
#include "window/StatusGrid.h"
#include "window/StatusBar.h"

namespace {

constexpr const char* LocalFilesTitle = "Local HTML,GIF,JPG,BMP,ICO,WMF,EMF Files";

bool IsWebRelatedName(const std::string& name) {
    const std::string ext = LowerCase(FileExtension(name));
    for (const char* web : {".html", ".htm", ".shtml", ".shtm", ".asp", ".gif", ".jpg", ".jpeg",
                            ".bmp", ".wmf", ".emf", ".ico"})
        if (ext == web) return true;
    return false;
}

// The window as the browser panel sees it.
class PanelHost : public BrowserPanelHost {
  public:
    PanelHost(MainWindow& form, std::function<void(bool)> setLowered)
        : form_(form), setLowered_(std::move(setLowered)) {}

    bool ProjectListVisible() const override { return form_.ProjectListVisible(); }
    bool LocalListVisible() const override { return form_.LocalListVisible(); }
    std::string ProjectFolder() const override { return form_.ProjectFolder(); }
    std::string LocalFilesFolder() const override { return form_.LocalFilesFolder(); }

    std::vector<std::string> VisibleListNames() const override {
        std::vector<std::string> names;
        const FolderFileList* list = VisibleList();
        for (int i = 0; list != nullptr && i < list->Count(); ++i)
            names.push_back(list->ItemName(i).toStdString());
        return names;
    }

    FullScreenShowSource FullScreenSource() const override {
        FullScreenShowSource source;
        source.ProjectListVisible = form_.ProjectListVisible();
        source.LocalListVisible = form_.LocalListVisible();
        const FolderFileList* list = VisibleList();
        if (list != nullptr) {
            for (int i = 0; i < list->Count(); ++i)
                source.ItemPaths.push_back(form_.ListItemFile(*list, i));
            if (list->Selected() >= 0)
                source.SelectedPath = form_.ListItemFile(*list, list->Selected());
        }
        const QWidget* focus = QApplication::focusWidget();
        source.LocalListHasFocus = focus != nullptr && (focus == form_.LocalFileList ||
                                                        form_.LocalFileList->isAncestorOf(focus));
        source.PanelFileCaption = form_.LowerBrowser->PanelFileLabel->text().toStdString();
        return source;
    }

    bool BrowserPanelIsLowerPane() const override {
        return !form_.ViewBrowserPanelBtn->isEnabled();
    }
    void SetLowerPaneLowered(bool lowered) override { setLowered_(lowered); }
    void SetGridSetVisible(bool visible) override {
        for (QWidget* w :
             {static_cast<QWidget*>(form_.BottomBarIcon), static_cast<QWidget*>(form_.ThreadRunningCaption),
              static_cast<QWidget*>(form_.ThreadCountLabel), static_cast<QWidget*>(form_.MessageLabel)})
            w->setVisible(visible);
    }
    std::vector<std::string>& History(bool local) override {
        return local ? form_.LocalHistory : form_.ProjectHistory;
    }
    int& HistoryIndex(bool local) override {
        return local ? form_.LocalHistoryIndex : form_.ProjectHistoryIndex;
    }
    SessionPrompts& Prompts() override { return form_.Prompts(); }
    QWidget* Owner() override { return &form_; }

  private:
    const FolderFileList* VisibleList() const {
        if (form_.LocalListVisible()) return form_.LocalFileList;
        if (form_.ProjectListVisible()) return form_.FileListView;
        return nullptr;
    }

    MainWindow& form_;
    std::function<void(bool)> setLowered_;
};

}  // namespace

void MainWindow::BuildBrowserPanel() {
    panelHost_ =
        std::make_unique<PanelHost>(*this, [this](bool lowered) { SetLowerPaneLowered(lowered); });
    LowerBrowser = new BrowserPanel(*panelHost_, LowerPane);
    LowerPane->layout()->addWidget(LowerBrowser);
    LowerBrowser->hide();
    auto* buttons = new QHBoxLayout(HTMLButtonsBar);
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->addWidget(LowerBrowser->PanelButtons);
    LowerBrowser->PanelButtons->show();

    localFolderWatcher_ = new FolderWatcher(this);
    connect(localFolderWatcher_, &FolderWatcher::FolderChanged, this,
            &MainWindow::FollowLocalFolderOnDisk);
    connect(LocalFolderTree, &FolderTree::SelectedFolderChanged, this, &MainWindow::OnLocalFolderChanged);
    connect(LocalFolderTree, &FolderTree::FolderClicked, this, &MainWindow::ListLocalFolder);
    connect(LocalFileList, &FolderFileList::Clicked, this, &MainWindow::OnLocalFileSelected);
    connect(TreeListSplitter, &QSplitter::splitterMoved, this, &MainWindow::FitUpperStatusPanel);
}

bool MainWindow::BrowserPanelShown() const {
    return Grid->isHidden();
}

void MainWindow::HideBrowserPanel() {
    LowerBrowser->PageView->hide();
    LowerBrowser->PictureLabel->hide();
    LowerBrowser->PictureBox->hide();
    LowerBrowser->hide();
}

void MainWindow::ShowBrowserPanel() {
    LowerBrowser->show();
    LowerBrowser->PageView->hide();
    LowerBrowser->PictureLabel->clear();
    LowerBrowser->PictureLabel->show();
    LowerBrowser->PanelFileLabel->clear();
}

void MainWindow::VisibleHTMLButtons(bool show) {
    HTMLButtonsBar->setVisible(show);
    LowerBrowser->VisibleHTMLButtons(show);
}

void MainWindow::EnableDisableHTMLButtons() {
    LowerBrowser->EnableDisableHTMLButtons();
}

void MainWindow::EnableDisableFullScreenBtn() {
    LowerBrowser->EnableDisableFullScreenBtn();
}

void MainWindow::EnableBackForward(bool localHistory) {
    LowerBrowser->EnableBackForward(localHistory);
}

void MainWindow::DisplayFile(bool projectList) {
    const FolderFileList* list = projectList ? FileListView : LocalFileList;
    const int item = list->Selected();
    if (item < 0) return;
    const std::string name = list->ItemName(item).toStdString();
    LowerBrowser->DisplayFile(
        projectList ? ProjectListName(*state_, list->Folder().toStdString(), name) : name,
        projectList);
}

bool MainWindow::ShowFullScreenEnabled() const {
    return LowerBrowser->ShowFullScreenBtn->isEnabled();
}

void MainWindow::StartFullScreenShow() {
    LowerBrowser->StartFullScreenShow();
}

void MainWindow::SwitchToLocalFiles() {
    ViewLocalFilesItem->setChecked(true);
    const QString caption =
        QString::fromLatin1(AppTitle) + " - View Local HTML,GIF,JPG,BMP,ICO,WMF,EMF Files";
    setWindowTitle(caption);
    EnableBackForward(true);
    ViewBrowserPanelBtn->setEnabled(false);
    ViewGridBtn->setEnabled(true);
    LocalFolderTree->show();
    LocalFileList->show();
    DirTree->hide();
    FileListView->hide();
    Grid->hide();
    SetLowerPaneLowered(true);

    ContentsText = UpperStatusBar->PanelText(1).toStdString();
    std::string folderText = LocalFilesFolder();
    if (folderText.size() > 1 && folderText.back() == '/') folderText.pop_back();
    UpperStatusBar->SetPanelText(0, LocalFilesTitle);
    UpperStatusBar->SetPanelText(
        1, QString::fromStdString(folderText.empty() ? std::string("Contents Of: ") : folderText));

    LowerBrowser->show();
    LowerBrowser->PanelFileLabel->clear();
    QuickHTMLViewerBtn->setEnabled(true);
    EnableDisableFullScreenBtn();
    EnableDisableHTMLButtons();
    LowerBrowser->PageView->hide();
    LowerBrowser->PictureLabel->clear();
    LowerBrowser->PictureLabel->show();
    VisibleHTMLButtons(true);

    const bool haveFolder = !LocalFilesFolder().empty();
    OpenProjectFolderBtn->setEnabled(haveFolder);
    SetHint(OpenProjectFolderBtn, haveFolder ? "Open Folder - " + UpperStatusBar->PanelText(1)
                                             : QStringLiteral("Open Current Folder"));
}

void MainWindow::ToggleLocalFiles() {
    if (LocalListVisible()) {
        SwitchToGrid();
        ViewLocalFilesItem->setChecked(false);
    } else {
        SwitchToLocalFiles();
    }
}

void MainWindow::OnLocalFolderChanged() {
    LocalSelectedPath = LocalFolderTree->SelectedPath().toStdString();
    UpperStatusBar->SetPanelText(1, QString::fromStdString(LocalSelectedPath));
    UpperStatusBar->repaint();
    SetHint(OpenProjectFolderBtn, "Open Folder - " + QString::fromStdString(LocalSelectedPath));
    LocalHistory.clear();
    LocalHistoryIndex = -1;
    EnableBackForward(true);
    // A folder chosen with the keyboard gets no click; list it all the same, so that the list
    // is narrowed and its files are opened from the folder they are in.
    ListLocalFolder();
}

void MainWindow::ListLocalFolder() {
    if (LocalFolderTree->RootSelected()) return;
    LowerBrowser->ShowFullScreenBtn->setEnabled(false);
    OpenProjectFolderBtn->setEnabled(true);
    prompts_.ProcessEvents();
    SetScreenCursor(Qt::WaitCursor);

    const QString folder = LocalFolderTree->SelectedPath();
    ReadLocalFiles(folder);
    LocalFileList->show();
    SetScreenCursor(Qt::ArrowCursor);

    std::string path = folder.toStdString();
    if (path.empty() || path.back() != '/') path += '/';
    SetLocalFilesFolder(path);

    SetLowerPaneLowered(true);
    LowerBrowser->PanelFileLabel->clear();
    EnableDisableFullScreenBtn();
    EnableDisableHTMLButtons();
    LowerBrowser->PageView->hide();
    LowerBrowser->PictureLabel->clear();
    LowerBrowser->PictureLabel->show();
}

void MainWindow::OnLocalFileSelected() {
    if (LocalFileList->Count() == 0 || LocalFileList->Selected() < 0) return;
    DisplayFile(false);
}

void MainWindow::FitUpperStatusPanel() {
    const QWidget* tree = !LocalFolderTree->isHidden() ? static_cast<QWidget*>(LocalFolderTree)
                          : !DirTree->isHidden()       ? static_cast<QWidget*>(DirTree)
                                                       : nullptr;
    if (tree != nullptr) UpperStatusBar->SetPanelWidth(0, tree->width() + 4);
}

void MainWindow::ReadLocalFiles(const QString& folder) {
    const FolderFileList::ViewStyle style = LocalFileList->Style();
    LocalFileList->BeginUpdate();
    LocalFileList->SetFolder(folder);  // read again, also the same folder
    for (int i = 0; i < LocalFileList->Count(); ++i) {
        const std::string name = LocalFileList->ItemName(i).toStdString();
        if (!IsWebRelatedName(name)) ScratchNames.push_back(name);
    }
    // Only the list is narrowed; the files stay where they are.
    for (const std::string& name : ScratchNames) {
        const QString wanted = QString::fromStdString(name);
        int start = 0;
        for (;;) {
            const int found = LocalFileList->FindCaption(wanted, start, false);
            if (found < 0) break;
            if (LocalFileList->ItemName(found).compare(wanted, Qt::CaseInsensitive) == 0) {
                LocalFileList->RemoveItem(found);
                break;
            }
            start = found + 1;
        }
    }
    LocalFileList->EndUpdate();
    LocalFileList->SetStyle(FolderFileList::ViewStyle::Report);
    LocalFileList->SetStyle(style);
    ScratchNames.clear();
    localFolderWatcher_->UnwatchAll();
    localFolderWatcher_->Watch(folder);
}

void MainWindow::FollowLocalFolderOnDisk(const QString& folder) {
    if (!LocalListVisible() || QDir::cleanPath(folder) != QDir::cleanPath(LocalFileList->Folder()))
        return;
    QStringList selected;
    for (int item : LocalFileList->SelectedItems()) selected << LocalFileList->ItemName(item);
    ReadLocalFiles(LocalFileList->Folder());
    for (int i = 0; i < LocalFileList->Count(); ++i)
        if (selected.contains(LocalFileList->ItemName(i))) LocalFileList->SelectItem(i, false);
}
