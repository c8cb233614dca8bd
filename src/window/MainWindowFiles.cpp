// The file lists' commands: locating a project file in the grid, view styles, keys and the
// lists' pop-up menu, on whichever list shows.
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QScrollBar>
#include <QToolButton>
#include <QTreeWidget>
#include <filesystem>
#include <system_error>
#include <unordered_set>

#include "core/FileBytes.h"
#include "core/FileNames.h"
#include "core/Text.h"
#include "shell/FolderTree.h"
#include "shell/PropertiesDialog.h"
#include "shell/ShellContextMenu.h"
#include "shell/ShellOpen.h"
#include "window/GridRules.h"
#include "window/LocalFilesView.h"
#include "window/MainWindow.h"
#include "window/ProjectBrowser.h"
#include "window/StatusBar.h"
#include "window/StatusGridPane.h"

namespace fs = std::filesystem;
using Kind = SessionPrompts::Kind;
using Buttons = SessionPrompts::Buttons;
using Answer = SessionPrompts::Answer;
using ViewStyle = FolderFileList::ViewStyle;

namespace {

bool IsArrowKey(int key) {
    return key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down;
}

}  // namespace

bool MainWindow::ProjectListVisible() const {
    return Project->ListShown();
}

bool MainWindow::LocalListVisible() const {
    return LocalFiles->ListShown();
}

FolderFileList* MainWindow::VisibleList() {
    if (ProjectListVisible()) return &Project->List();
    if (LocalListVisible()) return &LocalFiles->List();
    return nullptr;
}

void MainWindow::OnProjectFileSelected() {
    const FolderFileList& list = Project->List();
    const int item = list.Selected();
    if (list.Count() == 0 || item < 0) return;
    if (BrowserPanelShown()) {
        DisplayFile(true);
        return;
    }
    if (!GridPane->Shown()) return;
    const int row = GridRowOfFile(
        state_->View,
        ProjectListName(*state_, list.Folder().toStdString(), list.ItemName(item).toStdString()),
        *state_);
    if (row > 0) state_->View.SelectRow(row);
}

void MainWindow::OnListKeyReleased(FolderFileList& list, int key) {
    if (list.Count() == 0 || !IsArrowKey(key)) return;
    if (&list == &Project->List())
        OnProjectFileSelected();
    else
        DisplayFile(false);
}

bool MainWindow::HandleListKey(int key) {
    switch (key) {
        case Qt::Key_Escape:
            ConfirmExit();
            return true;
        case Qt::Key_Delete:
            DeleteSelectedFiles();
            return true;
        case Qt::Key_A:
            ShowAbout();
            return true;
        case Qt::Key_P:
            ShowSelectedProperties();
            return true;
        case Qt::Key_S:
            SaveSelectedFiles();
            return true;
        default:
            return false;
    }
}

bool MainWindow::HandleTreeKey(int key) {
    switch (key) {
        case Qt::Key_Escape:
            ConfirmExit();
            return true;
        case Qt::Key_A:
            ShowAbout();
            return true;
        default:
            return false;
    }
}

void MainWindow::SetViewStyle(ViewStyle style) {
    if (FolderFileList* list = VisibleList()) list->SetStyle(style);
    const struct {
        ViewStyle Style;
        QAction* Item;
        QToolButton* Button;
    } choices[] = {{ViewStyle::LargeIcon, LargeIconsItem, ViewLargeItemBtn},
                   {ViewStyle::SmallIcon, SmallIconsItem, ViewSmallItemBtn},
                   {ViewStyle::List, ListStyleItem, ViewListItemBtn},
                   {ViewStyle::Report, DetailsStyleItem, ViewDetailsItemBtn}};
    for (const auto& c : choices) {
        if (c.Item) c.Item->setChecked(c.Style == style);
        if (c.Button) c.Button->setChecked(c.Style == style);
    }
}

void MainWindow::ShowLargeIcons() {
    SetViewStyle(ViewStyle::LargeIcon);
}
void MainWindow::ShowSmallIcons() {
    SetViewStyle(ViewStyle::SmallIcon);
}
void MainWindow::ShowAsList() {
    SetViewStyle(ViewStyle::List);
}
void MainWindow::ShowDetails() {
    SetViewStyle(ViewStyle::Report);
}

void MainWindow::UpdateFileListMenu() {
    FolderFileList* list = VisibleList();
    const bool selected = list != nullptr && list->Selected() >= 0;
    for (QAction* a :
         {OpenFileItem, SaveFileAsItem, DeleteFileItem, PropertiesItem, ContextMenuItem})
        a->setEnabled(selected);
}

void MainWindow::OpenSelectedFile() {
    FolderFileList* list = VisibleList();
    if (list == nullptr || list->Selected() < 0) return;
    const std::string path = ListItemFile(*list, list->Selected());
    ShellOpen(path, path, fs::path(path).parent_path().string(), 1);
}

bool MainWindow::SaveThisFile(const std::string& path) {
    const std::string name = fs::path(path).filename().string();
    const std::string extension = FileExtension(name);
    const auto chosen = prompts_.SaveFileName("Lanternway Viewer - Save \"" + path + "\" As ..",
                                              "*" + extension + "|*" + extension + "|", path);
    if (!chosen || chosen->empty()) return false;
    std::string target =
        QFileInfo(QString::fromStdString(*chosen)).absoluteFilePath().toStdString();
    if (FileExtension(fs::path(target).filename().string()).empty())
        target += extension;
    std::error_code ec;
    return fs::copy_file(path, target, fs::copy_options::overwrite_existing, ec) && !ec;
}

void MainWindow::SaveSelectedFiles() {
    FolderFileList* list = VisibleList();
    if (list == nullptr || list->Count() == 0) return;
    // The paths first: the dialogs run the event loop, and the list may change meanwhile.
    std::vector<std::string> paths;
    for (int item : list->SelectedItems()) paths.push_back(ListItemFile(*list, item));
    int saved = 0;
    for (const std::string& path : paths)
        if (SaveThisFile(path)) ++saved;
    if (saved > 0)
        prompts_.Message("Total " + std::to_string(saved) + " File(s) Saved!", Kind::Information,
                         Buttons::Ok);
}

void MainWindow::DeleteSelectedFiles() {
    FolderFileList* list = VisibleList();
    if (list == nullptr || list->Count() == 0) return;
    const bool projectList = list == &Project->List();
    std::vector<std::string> paths;
    for (int item : list->SelectedItems()) paths.push_back(ListItemFile(*list, item));
    int deleted = 0;
    for (const std::string& path : paths) {
        if (prompts_.Message("Are you sure you want to delete file\r\"" + path + "\"?",
                             Kind::Confirmation, Buttons::YesNo) != Answer::Yes)
            continue;
        if (!RemoveFile(path).empty()) continue;
        ++deleted;
        if (!projectList) continue;
        const std::string name = ProjectListName(*state_, fs::path(path).parent_path().string(),
                                                 fs::path(path).filename().string());
        if (const int row = FirstGridRowOfFile(state_->View, name, *state_); row > 0)
            state_->View.SetRowAddress(row, MarkDeleted(state_->View.Row(row).Address));
    }
    if (deleted > 1)
        prompts_.Message("Total " + std::to_string(deleted) + " File(s) Deleted!",
                         Kind::Information, Buttons::Ok);
    if (deleted == 0) return;
    if (LocalListVisible()) {
        prompts_.ProcessEvents();
        LocalFiles->ChooseFolder(QString::fromStdString(LocalFiles->SelectedPath()));
        ListLocalFolder();
    } else if (projectList) {
        // The list forgets the deleted files; the rest keeps its narrowing.
        list->RemoveItemsIf(
            [](const ShellFileModel::Item& item) { return !QFileInfo::exists(item.Path); });
        ForcedSilentSave();
    }
}

void MainWindow::ShowSelectedProperties() {
    FolderFileList* list = VisibleList();
    if (list == nullptr || list->Selected() < 0) return;
    ShowProperties(QString::fromStdString(ListItemFile(*list, list->Selected())), this);
}

void MainWindow::ShowSelectedContextMenu() {
    FolderFileList* list = VisibleList();
    if (list == nullptr || list->Selected() < 0) return;
    ShowShellContextMenu(QString::fromStdString(ListItemFile(*list, list->Selected())),
                         list->LastPressPosition(), this);
}
