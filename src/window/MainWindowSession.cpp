// The session commands of the main window: New Session, Stop, Open Session and Save Session As,
// and what the window does while a session file opens.
#include <QTreeWidget>

#include "engine/RunControl.h"
#include "engine/SessionFile.h"
#include "newsession/NewSessionDialog.h"
#include "shell/FolderTree.h"
#include "window/BrowserPanel.h"
#include "window/LocalFilesView.h"
#include "window/MainWindow.h"
#include "window/ProjectBrowser.h"
#include "window/StatusGridPane.h"

bool MainWindow::ShowNewSessionDialog(SessionSettings& settings) {
    NewSessionDialog dialog(this);
    if (dialog.exec() != QDialog::Accepted) return false;
    settings = dialog.Settings();
    return true;
}

void MainWindow::StartNewSession() {
    // The button is disabled then; a menu item enabled when its menu last opened is not.
    if (!run_->Idle()) return;
    SessionSettings settings;
    if (!AskSessionSettings || !AskSessionSettings(settings)) return;
    GridPane->FollowRunFromBottom();
    if (run_->StartNewSession(settings)) {
        // The project list shows the new project folder from now on.
        std::string listed = state_->ProjectFolder;
        if (!listed.empty() && listed.back() == '/') listed.pop_back();
        state_->View.SetListedFolder(listed);
    }
    update();
}

void MainWindow::StopSession() {
    run_->StopSession();
}

void MainWindow::OpenSession() {
    if (run_->Idle()) ::OpenSession(*state_);
}

void MainWindow::SaveSessionAs() {
    SaveSessionUnderChosenName(*state_);
}

void MainWindow::ForcedSilentSave() {
    ::ForcedSilentSave(*state_);
}

void MainWindow::PerformFileOpen(const std::string& path) {
    if (run_->Idle()) ::PerformFileOpen(*state_, path);
}

void MainWindow::SessionOpenStarted() {
    SwitchToGrid();
    LowerBrowser->History(false).Clear();
    Project->SetShown(false);
    GridPane->SetShown(false);
    update();
}

void MainWindow::SessionOpenFinished() {
    GridPane->SetShown(true);
    Project->SetShown(true);
    LocalFiles->SetShown(false);
    Project->ExpandTree();
    VisibleHTMLButtons(false);
    update();
}
