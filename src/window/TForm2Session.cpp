// The session commands of the main window: New Session, Stop, Open Session and Save Session As.
#include <QDir>
#include <QFileInfo>
#include <QTreeWidget>

#include "engine/RunControl.h"
#include "shell/TSystemTreeView.h"
#include "window/TForm2.h"
#include "window/TMgrid.h"

void TForm2::RetrieveBtnClick() {
    NewSessionSettings settings;
    if (!NewSessionDialog || !NewSessionDialog(settings)) return;
    run_->RetrieveBtnClick(settings);
    update();
}

void TForm2::StopBtnClick() { run_->StopBtnClick(); }

void TForm2::OpenBtnClick() {
    const auto chosen = prompts_.OpenFileName("Open Existing Lanternway Session..",
                                              "Lanternway Session Files(*.lwa)|*.lwa|");
    if (!chosen || chosen->empty()) return;
    PerformFileOpen(QFileInfo(QString::fromStdString(*chosen)).absoluteFilePath().toStdString());
}

void TForm2::SaveAsBtnClick() {}

void TForm2::PerformFileOpen(const std::string& path) { (void)path; }
