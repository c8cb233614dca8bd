// The lower pane's browser panel (window/BrowserPanel.h) inside the main window, and the
// local-files view: a shell folder tree and file list narrowed to web files.
#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScrollArea>
#include <QSplitter>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/Text.h"
#include "htmlcontrol/ScreenCursor.h"
#include "htmlcontrol/THTML.h"
#include "shell/TSystemTreeView.h"
#include "window/BrowserPanel.h"
#include "window/Hints.h"
#include "window/TForm2.h"
#include "window/TMgrid.h"
#include "window/TStatusBar.h"

namespace {

constexpr const char* LocalFilesTitle = "Local HTML,GIF,JPG,BMP,ICO,WMF,EMF Files";

bool IsWebRelatedName(const std::string& name) {
    const auto dot = name.rfind('.');
    if (dot == std::string::npos) return false;
    const std::string ext = LowerCase(name.substr(dot));
    for (const char* web : {".html", ".htm", ".shtml", ".shtm", ".asp", ".gif", ".jpg", ".jpeg",
                            ".bmp", ".wmf", ".emf", ".ico"})
        if (ext == web) return true;
    return false;
}

// The window as the browser panel sees it.
class PanelHost : public TBrowserPanelHost {
  public:
    PanelHost(TForm2& form, std::function<void(bool)> setLowered)
        : form_(form), setLowered_(std::move(setLowered)) {}

    bool ProjectListVisible() const override { return form_.ProjectListVisible(); }
    bool LocalListVisible() const override { return form_.LocalListVisible(); }
    std::string ProjectFolder() const override { return form_.ProjectFolder(); }
    std::string LocalFilesFolder() const override { return form_.LocalFilesFolder(); }

    std::vector<std::string> VisibleListNames() const override {
        std::vector<std::string> names;
        const TSystemListView* list = VisibleList();
        for (int i = 0; list != nullptr && i < list->Count(); ++i)
            names.push_back(list->ItemName(i).toStdString());
        return names;
    }

    TFullScreenSource FullScreenSource() const override {
        TFullScreenSource source;
        source.ProjectListVisible = form_.ProjectListVisible();
        source.LocalListVisible = form_.LocalListVisible();
        const TSystemListView* list = VisibleList();
        if (list != nullptr) {
            for (int i = 0; i < list->Count(); ++i)
                source.ItemPaths.push_back(list->ItemPath(i).toStdString());
            if (list->Selected() >= 0)
                source.SelectedPath = list->ItemPath(list->Selected()).toStdString();
        }
        const QWidget* focus = QApplication::focusWidget();
        source.LocalListHasFocus = focus != nullptr && (focus == form_.SystemListView1 ||
                                                        form_.SystemListView1->isAncestorOf(focus));
        source.PanelFileCaption = form_.BrowserPanel->CBrowserPanelFile->text().toStdString();
        return source;
    }

    bool BrowserPanelIsLowerPane() const override {
        return !form_.ViewBrowserPanelBtn->isEnabled();
    }
    void SetLowerPaneLowered(bool lowered) override { setLowered_(lowered); }
    void SetGridSetVisible(bool visible) override {
        for (QWidget* w :
             {static_cast<QWidget*>(form_.Image2), static_cast<QWidget*>(form_.Label3),
              static_cast<QWidget*>(form_.CThreadRunning), static_cast<QWidget*>(form_.CMessage)})
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
    const TSystemListView* VisibleList() const {
        if (form_.LocalListVisible()) return form_.SystemListView1;
        if (form_.ProjectListVisible()) return form_.FileListView;
        return nullptr;
    }

    TForm2& form_;
    std::function<void(bool)> setLowered_;
};

}  // namespace

void TForm2::BuildBrowserPanel() {
    panelHost_ =
        std::make_unique<PanelHost>(*this, [this](bool lowered) { SetPanel1Lowered(lowered); });
    BrowserPanel = new TBrowserPanel(*panelHost_, Panel1);
    Panel1->layout()->addWidget(BrowserPanel);
    BrowserPanel->hide();
    auto* buttons = new QHBoxLayout(HTMLButtonsBar);
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->addWidget(BrowserPanel->PanelButtons);
    BrowserPanel->PanelButtons->show();

    connect(SystemTreeView1, &TSystemTreeView::OnChange, this, &TForm2::SystemTreeView1Change);
    connect(SystemTreeView1, &TSystemTreeView::OnClick, this, &TForm2::SystemTreeView1Click);
    connect(SystemListView1, &TSystemListView::Clicked, this, &TForm2::SystemListView1Click);
    connect(Splitter1, &QSplitter::splitterMoved, this, &TForm2::Splitter1Moved);
}

bool TForm2::BrowserPanelShown() const {
    return Mgrid1->isHidden();
}

void TForm2::HideBrowserPanel() {
    BrowserPanel->HTML1->hide();
    BrowserPanel->JpegImage->hide();
    BrowserPanel->ScrollBox1->hide();
    BrowserPanel->hide();
}

void TForm2::ShowBrowserPanel() {
    BrowserPanel->show();
    BrowserPanel->HTML1->hide();
    BrowserPanel->JpegImage->clear();
    BrowserPanel->JpegImage->show();
    BrowserPanel->CBrowserPanelFile->clear();
}

void TForm2::VisibleHTMLButtons(bool show) {
    HTMLButtonsBar->setVisible(show);
    BrowserPanel->VisibleHTMLButtons(show);
}

void TForm2::EnableDisableHTMLButtons() {
    BrowserPanel->EnableDisableHTMLButtons();
}

void TForm2::EnableDisableFullScreenBtn() {
    BrowserPanel->EnableDisableFullScreenBtn();
}

void TForm2::EnableBackForward(bool localHistory) {
    BrowserPanel->EnableBackForward(localHistory);
}

void TForm2::DisplayFile(bool projectList) {
    const TSystemListView* list = projectList ? FileListView : SystemListView1;
    const int item = list->Selected();
    if (item < 0) return;
    BrowserPanel->DisplayFile(list->ItemName(item).toStdString(), projectList);
}

bool TForm2::ShowFullScreenEnabled() const {
    return BrowserPanel->ShowFullScreenBtn->isEnabled();
}

void TForm2::ShowFullScreenBtnClick() {
    BrowserPanel->ShowFullScreenBtnClick();
}

void TForm2::ViewLocalFilesBtnClick() {
    ViewLocalFiles1->setChecked(true);
    const QString caption =
        QString::fromLatin1(AppTitle) + " - View Local HTML,GIF,JPG,BMP,ICO,WMF,EMF Files";
    setWindowTitle(caption);
    EnableBackForward(true);
    ViewBrowserPanelBtn->setEnabled(false);
    ViewGridBtn->setEnabled(true);
    SystemTreeView1->show();
    SystemListView1->show();
    DirTree->hide();
    FileListView->hide();
    Mgrid1->hide();
    SetPanel1Lowered(true);

    ContentsText = StatusBar2->PanelText(1).toStdString();
    std::string folderText = LocalFilesFolder();
    if (folderText.size() > 1 && folderText.back() == '/') folderText.pop_back();
    StatusBar2->SetPanelText(0, LocalFilesTitle);
    StatusBar2->SetPanelText(
        1, QString::fromStdString(folderText.empty() ? std::string("Contents Of: ") : folderText));

    BrowserPanel->show();
    BrowserPanel->CBrowserPanelFile->clear();
    QuickHTMLViewerBtn->setEnabled(true);
    EnableDisableFullScreenBtn();
    EnableDisableHTMLButtons();
    BrowserPanel->HTML1->hide();
    BrowserPanel->JpegImage->clear();
    BrowserPanel->JpegImage->show();
    VisibleHTMLButtons(true);

    const bool haveFolder = !LocalFilesFolder().empty();
    OpenProjectFolderBtn->setEnabled(haveFolder);
    SetHint(OpenProjectFolderBtn, haveFolder ? "Open Folder - " + StatusBar2->PanelText(1)
                                             : QStringLiteral("Open Current Folder"));
}

void TForm2::ViewLocalFiles1Click() {
    if (LocalListVisible()) {
        ViewGridBtnClick();
        ViewLocalFiles1->setChecked(false);
    } else {
        ViewLocalFilesBtnClick();
    }
}

void TForm2::SystemTreeView1Change() {
    LocalSelectedPath = SystemTreeView1->SelectedPath().toStdString();
    StatusBar2->SetPanelText(1, QString::fromStdString(LocalSelectedPath));
    StatusBar2->repaint();
    SetHint(OpenProjectFolderBtn, "Open Folder - " + QString::fromStdString(LocalSelectedPath));
    LocalHistory.clear();
    LocalHistoryIndex = -1;
    EnableBackForward(true);
    // A folder chosen with the keyboard gets no click; list it all the same, so that the list
    // is narrowed and its files are opened from the folder they are in.
    SystemTreeView1Click();
}

void TForm2::SystemTreeView1Click() {
    if (SystemTreeView1->RootSelected()) return;
    BrowserPanel->ShowFullScreenBtn->setEnabled(false);
    OpenProjectFolderBtn->setEnabled(true);
    prompts_.ProcessEvents();
    SetScreenCursor(Qt::WaitCursor);

    const QString folder = SystemTreeView1->SelectedPath();
    const TSystemListView::ViewStyle style = SystemListView1->Style();
    SystemListView1->BeginUpdate();
    if (SystemListView1->Folder() != folder) SystemListView1->SetFolder(folder);
    for (int i = 0; i < SystemListView1->Count(); ++i) {
        const std::string name = SystemListView1->ItemName(i).toStdString();
        if (!IsWebRelatedName(name)) ScratchNames.push_back(name);
    }
    // Only the list is narrowed; the files stay where they are.
    for (const std::string& name : ScratchNames) {
        const QString wanted = QString::fromStdString(name);
        int start = 0;
        for (;;) {
            const int found = SystemListView1->FindCaption(wanted, start, false);
            if (found < 0) break;
            if (SystemListView1->ItemName(found).compare(wanted, Qt::CaseInsensitive) == 0) {
                SystemListView1->RemoveItem(found);
                break;
            }
            start = found + 1;
        }
    }
    SystemListView1->EndUpdate();
    SystemListView1->SetStyle(TSystemListView::ViewStyle::Report);
    SystemListView1->SetStyle(style);
    SystemListView1->show();
    SetScreenCursor(Qt::ArrowCursor);

    std::string path = folder.toStdString();
    if (path.empty() || path.back() != '/') path += '/';
    SetLocalFilesFolder(path);

    SetPanel1Lowered(true);
    BrowserPanel->CBrowserPanelFile->clear();
    EnableDisableFullScreenBtn();
    EnableDisableHTMLButtons();
    BrowserPanel->HTML1->hide();
    BrowserPanel->JpegImage->clear();
    BrowserPanel->JpegImage->show();
    ScratchNames.clear();
}

void TForm2::SystemListView1Click() {
    if (SystemListView1->Count() == 0 || SystemListView1->Selected() < 0) return;
    DisplayFile(false);
}

void TForm2::Splitter1Moved() {
    const QWidget* tree = !SystemTreeView1->isHidden() ? static_cast<QWidget*>(SystemTreeView1)
                          : !DirTree->isHidden()       ? static_cast<QWidget*>(DirTree)
                                                       : nullptr;
    if (tree != nullptr) StatusBar2->SetPanelWidth(0, tree->width() + 4);
}
