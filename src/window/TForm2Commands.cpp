// The main window's own commands: start-up, the hint line, menus, Exit, Browse, the project
// folder, the viewer, the e-mail page and hiding the main menu.
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QToolButton>
#include <QTreeWidget>

#include "shell/ShellOpen.h"
#include "window/TForm2.h"
#include "window/TMgrid.h"

using Kind = SessionPrompts::Kind;
using Buttons = SessionPrompts::Buttons;
using Answer = SessionPrompts::Answer;

void TForm2::OpenCommandLineSession(const QStringList& arguments) {
    // arguments[0] is the program; only the first argument after it counts.
    if (arguments.size() < 2) return;
    const QString path = arguments.at(1);
    if (!QFileInfo(path).isFile()) return;
    PerformFileOpen(path.toStdString());
}

void TForm2::File1Click() {
    New1->setEnabled(RetrieveBtn->isEnabled());
    Open1->setEnabled(OpenBtn->isEnabled());
    Save1->setEnabled(SaveAsBtn->isEnabled());
}

void TForm2::Project1Click() {
    BrowseProject1->setEnabled(BrowseBtn->isEnabled());
    ViewEMailAddress1->setEnabled(EMailBtn->isEnabled());
    OpenProjectFolder1->setEnabled(OpenProjectFolderBtn->isEnabled());
}

void TForm2::Tools1Click() {
    ViewLocalFiles1->setEnabled(ViewLocalFilesBtn->isEnabled());
    FindFiles1->setEnabled(FindBtn->isEnabled());
    FullScreenShow1->setEnabled(ShowFullScreenEnabled());
}

void TForm2::ExitBtnClick() {
    if (prompts_.Message("Exit Lanternway?", Kind::Confirmation, Buttons::YesNo) != Answer::Yes)
        return;
    close();
    QCoreApplication::quit();
}

void TForm2::closeEvent(QCloseEvent* event) {
    // Closing asks nothing and does not wait for running transfers.
    event->accept();
}

void TForm2::BrowseBtnClick() {
    const std::string start = state_->ProjectFolder + "Main.html";
    ShellOpen(start, start, {}, 1);
}

void TForm2::OpenProjectFolderBtnClick() {
    if (ProjectListVisible()) {
        ShellOpen(state_->ProjectFolder, state_->ProjectFolder, {}, 1);
    } else if (LocalListVisible()) {
        ShellOpen(localFilesFolder_, localFilesFolder_, {}, 1);
    }
}

void TForm2::QuickHTMLViewerBtnClick() {
    TSystemListView* list = VisibleList();
    if (list == nullptr || list->Count() == 0) {
        prompts_.Message("No item in list box", Kind::Information, Buttons::Ok);
        return;
    }
    const int selected = list->Selected();
    OpenViewerWindow(selected < 0 ? 0 : selected);
}

void TForm2::EMailBtnClick() {
    if (LocalListVisible()) ViewGridBtnClick();
    if (SiteRootNode != nullptr) {
        DirTreeChange(SiteRootNode);
        const QSignalBlocker quiet(DirTree);
        DirTree->setCurrentItem(DirTree->topLevelItem(0));
    }
    FileListView->CurrentView()->setFocus();
    const int found = FileListView->FindCaption(QStringLiteral("EMailAddress"), 1, true);
    if (found >= 0) FileListView->SelectItem(found);
    ViewBrowserPanelBtnClick();
}

void TForm2::ShowMainMenu1Click() {
    mainMenuHidden_ = !mainMenuHidden_;
    menuBar()->setVisible(!mainMenuHidden_);
    ShowMainMenu1->setChecked(mainMenuHidden_);
}
