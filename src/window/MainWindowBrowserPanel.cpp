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
#include "core/Text.h"
#include "htmlview/HtmlView.h"
#include "htmlview/ScreenCursor.h"
#include "widgets/Hints.h"
#include "window/BrowserPanel.h"
#include "window/GridRules.h"
#include "window/LocalFilesView.h"
#include "window/MainWindow.h"
#include "window/ProjectBrowser.h"
#include "window/StatusBar.h"
#include "window/StatusGridPane.h"

namespace {

constexpr const char* LocalFilesTitle = "Local HTML,GIF,JPG,BMP,ICO,WMF,EMF Files";

}  // namespace

// The window as the browser panel sees it.
class MainWindow::PanelHost : public BrowserPanelHost {
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
        const FolderFileList& local = form_.LocalFiles->List();
        source.LocalListHasFocus =
            focus != nullptr && (focus == &local || local.isAncestorOf(focus));
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
    SessionPrompts& Prompts() override { return form_.Prompts(); }
    QWidget* Owner() override { return &form_; }

  private:
    const FolderFileList* VisibleList() const {
        if (form_.LocalListVisible()) return &form_.LocalFiles->List();
        if (form_.ProjectListVisible()) return &form_.Project->List();
        return nullptr;
    }

    MainWindow& form_;
    std::function<void(bool)> setLowered_;
};

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

    connect(LocalFiles, &LocalFilesView::FolderChosen, this, &MainWindow::OnLocalFolderChanged);
    connect(LocalFiles, &LocalFilesView::FolderClicked, this, &MainWindow::ListLocalFolder);
    connect(LocalFiles, &LocalFilesView::FileClicked, this, &MainWindow::OnLocalFileSelected);
    connect(TreeListSplitter, &QSplitter::splitterMoved, this, &MainWindow::FitUpperStatusPanel);
}

void MainWindow::SwitchToGrid() {
    const bool leavingLocalView = LocalListVisible();
    ViewLocalFilesItem->setChecked(false);
    GridPane->SetShown(true);
    VisibleHTMLButtons(false);
    EnableBackForward(false);
    UpdateCaption();
    SetLowerPaneLowered(true);
    HideBrowserPanel();
    ViewBrowserPanelBtn->setEnabled(true);
    ViewGridBtn->setEnabled(false);
    LocalFiles->SetShown(false);
    Project->SetShown(true);
    if (leavingLocalView) {
        LocalFiles->StopFollowing();
        // The upper bar shows the project again, as it was before the local view opened.
        const std::string& started = state_->StartedText;
        state_->View.SetUpperStatusBar(
            0, started.empty() ? std::string("Session Started On: ") : started);
        state_->View.SetUpperStatusBar(1, ContentsText);
        ApplyStatusTexts();
    }
    OpenProjectFolderBtn->setEnabled(!state_->ProjectFolder.empty());
    SetHint(OpenProjectFolderBtn, QStringLiteral("Open Project Folder"));
}

void MainWindow::SwitchToBrowserPanel() {
    GridPane->SetShown(false);
    ViewGridBtn->setEnabled(true);
    ViewBrowserPanelBtn->setEnabled(false);
    SetLowerPaneLowered(true);
    ShowBrowserPanel();
    VisibleHTMLButtons(true);
    EnableDisableFullScreenBtn();
    EnableDisableHTMLButtons();
    OnProjectFileSelected();
}

bool MainWindow::BrowserPanelShown() const {
    return !GridPane->Shown();
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
    const FolderFileList* list = projectList ? &Project->List() : &LocalFiles->List();
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
    LocalFiles->SetShown(true);
    Project->SetShown(false);
    GridPane->SetShown(false);
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
    LocalFiles->RememberSelectedPath();
    const QString chosen = QString::fromStdString(LocalFiles->SelectedPath());
    UpperStatusBar->SetPanelText(1, chosen);
    UpperStatusBar->repaint();
    SetHint(OpenProjectFolderBtn, "Open Folder - " + chosen);
    LowerBrowser->History(true).Clear();
    EnableBackForward(true);
    // A folder chosen with the keyboard gets no click; list it all the same, so that the list
    // is narrowed and its files are opened from the folder they are in.
    ListLocalFolder();
}

void MainWindow::ListLocalFolder() {
    if (LocalFiles->RootChosen()) return;
    LowerBrowser->ShowFullScreenBtn->setEnabled(false);
    OpenProjectFolderBtn->setEnabled(true);
    prompts_.ProcessEvents();
    SetScreenCursor(Qt::WaitCursor);

    const QString folder = LocalFiles->ChosenFolder();
    LocalFiles->ReadFiles(folder);
    LocalFiles->ShowList();
    SetScreenCursor(Qt::ArrowCursor);

    std::string path = folder.toStdString();
    if (path.empty() || path.back() != '/') path += '/';
    LocalFiles->SetFolder(path);

    SetLowerPaneLowered(true);
    LowerBrowser->PanelFileLabel->clear();
    EnableDisableFullScreenBtn();
    EnableDisableHTMLButtons();
    LowerBrowser->PageView->hide();
    LowerBrowser->PictureLabel->clear();
    LowerBrowser->PictureLabel->show();
}

void MainWindow::OnLocalFileSelected() {
    if (LocalFiles->List().Count() == 0 || LocalFiles->List().Selected() < 0) return;
    DisplayFile(false);
}

void MainWindow::FitUpperStatusPanel() {
    const int localWidth = LocalFiles->ShownTreeWidth();
    const int width = localWidth >= 0 ? localWidth : Project->ShownTreeWidth();
    if (width >= 0) UpperStatusBar->SetPanelWidth(0, width + 4);
}
