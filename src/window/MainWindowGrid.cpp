// The status grid: its colours, its pop-up menu and the switch of the lower pane between the
// grid and the browser panel.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QToolButton>
#include <QTreeWidget>
#include <filesystem>
#include <system_error>

#include "core/FileBytes.h"
#include "core/FileNames.h"
#include "shell/ShellOpen.h"
#include "shell/FolderTree.h"
#include "shell/FolderWatcher.h"
#include "window/GridModel.h"
#include "window/GridRules.h"
#include "widgets/Hints.h"
#include "window/MainWindow.h"
#include "window/StatusGrid.h"
#include "window/StatusBar.h"

namespace fs = std::filesystem;
using Kind = SessionPrompts::Kind;
using Buttons = SessionPrompts::Buttons;
using Answer = SessionPrompts::Answer;

namespace {

// A Save dialog answer made absolute, with the file's own extension when it has none.
std::string CompleteSaveName(const std::string& chosen, const std::string& ownExtension) {
    std::string name = QFileInfo(QString::fromStdString(chosen)).absoluteFilePath().toStdString();
    if (FileExtension(fs::path(name).filename().string()).empty()) name += ownExtension;
    return name;
}

}  // namespace

int MainWindow::GridRow() const {
    const int row = state_->View.SelectedRow();
    return row >= 1 && row < state_->View.GridRowCount() ? row : 0;
}

int MainWindow::CommandRow() const {
    if (gridMenuRow_ >= 1 && gridMenuRow_ < state_->View.GridRowCount()) return gridMenuRow_;
    return GridRow();
}

void MainWindow::OpenGridMenu(const QPoint& at) {
    const QModelIndex index = Grid->indexAt(at);
    if (index.isValid()) state_->View.SelectRow(index.row() + 1);
    gridMenuRow_ = GridRow();
    UpdateGridMenu();
    GridPopupMenu->popup(Grid->viewport()->mapToGlobal(at));
}

std::string MainWindow::RowLocalName() {
    return ::RowLocalName(state_->View, CommandRow(), *state_);
}

std::string MainWindow::RowAddress() {
    return ::RowAddress(state_->View, CommandRow(), *state_);
}

void MainWindow::StyleForCell(int ARow, int Acol, int& Fcolor, bool& Bold, bool& Italic,
                           bool& underline) {
    (void)Bold;
    (void)Italic;
    (void)underline;
    const int colour = GridTextColour(state_->View, ARow, Acol, state_->View.SelectedRow());
    if (colour != NoColour) Fcolor = colour;
}

void MainWindow::OnGridClicked() {
    Grid->viewport()->update();
}

void MainWindow::UpdateGridMenu() {
    const GridPopupState enabling = GridPopupEnabling(state_->View, CommandRow(), *state_);
    OpenDefaultViewerItem->setEnabled(enabling.FileItems);
    SaveRowAsItem->setEnabled(enabling.FileItems);
    DeleteRowItem->setEnabled(enabling.FileItems);
    RetrieveDefaultBrowserItem->setEnabled(enabling.AddressItems);
    CopyUrlItem->setEnabled(enabling.AddressItems);
}

void MainWindow::OpenRowFile() {
    const std::string path = RowLocalPath(state_->View, CommandRow(), *state_);
    ShellOpen(path, path, {}, 1);
}

void MainWindow::OpenRowAddress() {
    const std::string address = RowAddress();
    ShellOpen(address, address, {}, 2);
}

void MainWindow::CopyRowAddress() {
    QApplication::clipboard()->setText(QString::fromStdString(RowAddress()));
}

void MainWindow::SaveRowFileAs() {
    const std::string name = RowLocalName();
    const std::string source = ProjectFilePath(*state_, name);
    const std::string extension = FileExtension(name);
    // The dialog opens in the project folder.
    if (!state_->ProjectFolder.empty())
        QDir::setCurrent(QString::fromStdString(state_->ProjectFolder));
    const auto chosen = prompts_.SaveFileName("Save \"" + source + "\" As ..",
                                              extension + "|*" + extension + "|", source);
    if (!chosen || chosen->empty()) return;
    std::error_code ec;
    fs::copy_file(source, CompleteSaveName(*chosen, extension),
                  fs::copy_options::overwrite_existing, ec);
}

void MainWindow::DeleteRowFile() {
    const int row = CommandRow();
    if (row == 0) return;
    const std::string path = RowLocalPath(state_->View, row, *state_);
    if (prompts_.Message("Are you sure you want to delete \"" + path + "\"?", Kind::Confirmation,
                         Buttons::YesNo) != Answer::Yes)
        return;
    // A row is marked deleted only when its file is really gone; otherwise the reason is shown.
    const std::string failure = RemoveFile(path);
    if (!failure.empty()) {
        prompts_.Message("Cannot delete \"" + path + "\": " + failure, Kind::Error, Buttons::Ok);
        return;
    }
    state_->View.SetCell(row, 1, MarkDeleted(state_->View.Cell(row, 1)));
    ForcedSilentSave();
}

void MainWindow::SwitchToGrid() {
    const bool leavingLocalView = LocalListVisible();
    ViewLocalFilesItem->setChecked(false);
    Grid->show();
    VisibleHTMLButtons(false);
    EnableBackForward(false);
    UpdateCaption();
    SetLowerPaneLowered(true);
    HideBrowserPanel();
    ViewBrowserPanelBtn->setEnabled(true);
    ViewGridBtn->setEnabled(false);
    LocalFolderTree->hide();
    LocalFileList->hide();
    DirTree->show();
    FileListView->show();
    if (leavingLocalView) {
        localFolderWatcher_->UnwatchAll();
        // The upper bar shows the project again, as it was before the local view opened.
        const std::string& started = state_->StartedText;
        state_->View.SetUpperStatusBar(0,
                                   started.empty() ? std::string("Session Started On: ") : started);
        state_->View.SetUpperStatusBar(1, ContentsText);
        ApplyStatusTexts();
    }
    OpenProjectFolderBtn->setEnabled(!state_->ProjectFolder.empty());
    SetHint(OpenProjectFolderBtn, QStringLiteral("Open Project Folder"));
}

void MainWindow::SwitchToBrowserPanel() {
    Grid->hide();
    ViewGridBtn->setEnabled(true);
    ViewBrowserPanelBtn->setEnabled(false);
    SetLowerPaneLowered(true);
    ShowBrowserPanel();
    VisibleHTMLButtons(true);
    EnableDisableFullScreenBtn();
    EnableDisableHTMLButtons();
    OnProjectFileSelected();
}
