// The session commands of the main window: New Session, Stop, Open Session and Save Session As,
// and what the window does while a session file opens.
#include <QTreeWidget>

#include "engine/RunControl.h"
#include "sessionfile/SessionFile.h"
#include "settings/TInitialForm.h"
#include "shell/TSystemTreeView.h"
#include "window/TForm2.h"
#include "window/TMgrid.h"

bool TForm2::ShowNewSessionDialog(NewSessionSettings& settings) {
    TInitialForm dialog(this);
    if (dialog.exec() != QDialog::Accepted) return false;
    settings = dialog.Settings();
    return true;
}

void TForm2::RetrieveBtnClick() {
    NewSessionSettings settings;
    if (!NewSessionDialog || !NewSessionDialog(settings)) return;
    if (run_->RetrieveBtnClick(settings)) {
        // The project list shows the new project folder from now on.
        std::string listed = state_->ProjectFolder;
        if (!listed.empty() && listed.back() == '/') listed.pop_back();
        state_->View.SetListedFolder(listed);
    }
    update();
}

void TForm2::StopBtnClick() {
    run_->StopBtnClick();
}

void TForm2::OpenBtnClick() {
    ::OpenBtnClick(*state_);
}

void TForm2::SaveAsBtnClick() {
    ::SaveAsBtnClick(*state_);
}

void TForm2::ForcedSilentSave() {
    ::ForcedSilentSave(*state_);
}

void TForm2::PerformFileOpen(const std::string& path) {
    ::PerformFileOpen(*state_, path);
}

void TForm2::SessionOpenStarted() {
    ViewGridBtnClick();
    ProjectHistory.clear();
    ProjectHistoryIndex = -1;
    DirTree->hide();
    FileListView->hide();
    Mgrid1->hide();
    update();
}

void TForm2::SessionOpenFinished() {
    Mgrid1->show();
    DirTree->show();
    FileListView->show();
    SystemTreeView1->hide();
    SystemListView1->hide();
    DirTree->expandAll();
    VisibleHTMLButtons(false);
    update();
}
