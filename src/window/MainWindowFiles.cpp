// The site tree and the file lists: narrowing the project list to a site folder, locating a
// file in the grid, view styles, keys and the lists' pop-up menu.
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
#include "window/MainWindow.h"
#include "window/StatusBar.h"
#include "window/StatusGrid.h"

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
    return !FileListView->isHidden();
}

bool MainWindow::LocalListVisible() const {
    return !LocalFileList->isHidden();
}

FolderFileList* MainWindow::VisibleList() {
    if (ProjectListVisible()) return FileListView;
    if (LocalListVisible()) return LocalFileList;
    return nullptr;
}

void MainWindow::ListSiteFolder(QTreeWidgetItem* node) {
    SessionState& s = *state_;
    if (node == nullptr || s.SessionLoading || s.View.Cell(1, 4) != "Complete") return;
    const BusyCursor busy(prompts_);
    NarrowFileList(node);
}

void MainWindow::FollowLandedFiles() {
    if (state_->FilesRead == listedFilesRead_ || !ProjectListVisible() || SiteRootNode == nullptr)
        return;
    listedFilesRead_ = state_->FilesRead;
    QTreeWidgetItem* node = DirTree->currentItem();
    if (node == nullptr || !node->isSelected()) {
        SelectSiteRoot();  // nothing chosen yet: the site root's files
        return;
    }
    SessionState& s = *state_;
    if (s.SessionLoading || s.View.Cell(1, 4) != "Complete") return;
    QStringList selected;
    for (int item : FileListView->SelectedItems()) selected << FileListView->ItemName(item);
    QScrollBar* scroll = FileListView->CurrentView()->verticalScrollBar();
    const int position = scroll->value();
    NarrowFileList(node);
    for (int i = 0; i < FileListView->Count(); ++i)
        if (selected.contains(FileListView->ItemName(i))) FileListView->SelectItem(i, false);
    scroll->setValue(position);
}

void MainWindow::NarrowFileList(QTreeWidgetItem* node) {
    SessionState& s = *state_;
    // The folder the list was pointed at; after a moved project folder was chosen it stays the
    // one named in the session file until the session is saved and opened again.
    const std::string& listed = s.View.ListedFolder();
    std::string shownFolder = listed.empty() ? s.ProjectFolder : listed;
    // A complete copy keeps the site's folders: a folder node lists its own folder.
    const std::string folder = node->data(0, Qt::UserRole).toString().toStdString();
    if (s.CompleteCopy && node != SiteRootNode && !s.ProjectFolder.empty())
        shownFolder = s.ProjectFolder + folder;
    FileListView->SetFolder(QString::fromStdString(shownFolder));
    const ViewStyle style = FileListView->Style();
    FileListView->BeginUpdate();

    std::string key;
    if (node == SiteRootNode) {
        s.View.SetUpperStatusBar(1, "Contents Of: " + s.SiteBase);
        key = s.SiteBase;
    } else if (Contains(folder, "ftp://")) {
        s.View.SetUpperStatusBar(1, "Contents Of: " + folder);
        key = folder;
    } else {
        s.View.SetUpperStatusBar(1, "Contents Of: " + SiteRootNode->text(0).toStdString() + folder);
        key = folder;
    }

    std::unordered_set<std::string> wanted;
    for (const std::string& name : WantedFileNames(s.View, node == SiteRootNode, key, s))
        wanted.insert(LowerCase(name));
    FileListView->RemoveItemsIf([&](const ShellFileModel::Item& item) {
        return !wanted.contains(LowerCase(item.Name.toStdString()));
    });

    FileListView->EndUpdate();
    FileListView->SetStyle(ViewStyle::Report);
    FileListView->SetStyle(style);
    QuickHTMLViewerBtn->setEnabled(FileListView->Count() > 0);
    FileListView->show();
    EnableDisableFullScreenBtn();
}

void MainWindow::OnProjectFileSelected() {
    const int item = FileListView->Selected();
    if (FileListView->Count() == 0 || item < 0) return;
    if (BrowserPanelShown()) {
        DisplayFile(true);
        return;
    }
    if (Grid->isHidden()) return;
    const int row = GridRowOfFile(state_->View,
                                  ProjectListName(*state_, FileListView->Folder().toStdString(),
                                                  FileListView->ItemName(item).toStdString()),
                                  *state_);
    if (row > 0) state_->View.SelectRow(row);
}

void MainWindow::OnListKeyReleased(FolderFileList& list, int key) {
    if (list.Count() == 0 || !IsArrowKey(key)) return;
    if (&list == FileListView)
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
    const bool projectList = list == FileListView;
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
            state_->View.SetCell(row, 1, MarkDeleted(state_->View.Cell(row, 1)));
    }
    if (deleted > 1)
        prompts_.Message("Total " + std::to_string(deleted) + " File(s) Deleted!",
                         Kind::Information, Buttons::Ok);
    if (deleted == 0) return;
    if (LocalListVisible()) {
        prompts_.ProcessEvents();
        LocalFolderTree->SetSelectedPath(QString::fromStdString(LocalSelectedPath));
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
