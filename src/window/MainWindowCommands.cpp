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

#include "engine/RunControl.h"
#include "shell/ShellOpen.h"
#include "window/GridRules.h"
#include "window/LocalFilesView.h"
#include "window/MainWindow.h"
#include "window/ProjectBrowser.h"

using Kind = SessionPrompts::Kind;
using Buttons = SessionPrompts::Buttons;
using Answer = SessionPrompts::Answer;

void MainWindow::OpenCommandLineSession(const QStringList& arguments) {
    // arguments[0] is the program; only the first argument after it counts.
    if (arguments.size() < 2) return;
    const QString path = arguments.at(1);
    if (!QFileInfo(path).isFile()) return;
    PerformFileOpen(path.toStdString());
}

void MainWindow::UpdateFileMenu() {
    NewSessionItem->setEnabled(RetrieveBtn->isEnabled());
    OpenSessionItem->setEnabled(OpenBtn->isEnabled());
    SaveSessionAsItem->setEnabled(SaveAsBtn->isEnabled());
}

void MainWindow::UpdateProjectMenu() {
    BrowseProjectItem->setEnabled(BrowseBtn->isEnabled());
    ViewEMailAddressItem->setEnabled(EMailBtn->isEnabled());
    OpenProjectFolderItem->setEnabled(OpenProjectFolderBtn->isEnabled());
}

void MainWindow::UpdateToolsMenu() {
    ViewLocalFilesItem->setEnabled(ViewLocalFilesBtn->isEnabled());
    FindFilesItem->setEnabled(FindBtn->isEnabled());
    FullScreenShowItem->setEnabled(ShowFullScreenEnabled());
}

void MainWindow::ConfirmExit() {
    if (prompts_.Message("Exit Lanternway?", Kind::Confirmation, Buttons::YesNo) != Answer::Yes)
        return;
    close();
    // A running session is stopped and recorded first; the program ends when it has completed.
    if (run_->Idle())
        QCoreApplication::quit();
    else
        quitWhenClosed_ = true;
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Closing asks nothing. A session that is still running is stopped as Stop stops it, and
    // the window closes for good once the session has completed and its file is written; the
    // window goes from the screen at once.
    if (!run_->Idle()) {
        event->ignore();
        hide();
        closeWhenIdle_ = true;
        run_->StopForClosing();
        return;
    }
    event->accept();
}

void MainWindow::BrowseProject() {
    const std::string start = ProjectFilePath(
        *state_,
        state_->Settings.CompleteCopy ? StartPageLocalName(state_->View, *state_) : "Main.html");
    ShellOpen(start, start, {}, 1);
}

void MainWindow::OpenListedFolder() {
    if (ProjectListVisible()) {
        ShellOpen(state_->ProjectFolder, state_->ProjectFolder, {}, 1);
    } else if (LocalListVisible()) {
        const std::string& folder = LocalFiles->Folder();
        ShellOpen(folder, folder, {}, 1);
    }
}

void MainWindow::OpenSelectedInViewer() {
    FolderFileList* list = VisibleList();
    if (list == nullptr || list->Count() == 0) {
        prompts_.Message("No item in list box", Kind::Information, Buttons::Ok);
        return;
    }
    const int selected = list->Selected();
    OpenViewerWindow(selected < 0 ? 0 : selected);
}

void MainWindow::ShowEMailAddresses() {
    if (LocalListVisible()) SwitchToGrid();
    Project->ListSiteRoot();
    FolderFileList& list = Project->List();
    list.CurrentView()->setFocus();
    const int found = list.FindCaption(QStringLiteral("EMailAddress"), 1, true);
    if (found >= 0) list.SelectItem(found);
    SwitchToBrowserPanel();
}

void MainWindow::ToggleMainMenu() {
    mainMenuHidden_ = !mainMenuHidden_;
    menuBar()->setVisible(!mainMenuHidden_);
    HideMainMenuItem->setChecked(mainMenuHidden_);
}
