// The local-files view: a shell folder tree and file list narrowed to web files.
#include "window/LocalFilesView.h"

#include <QDir>
#include <QLayout>
#include <vector>

#include "core/FileNames.h"
#include "core/Text.h"
#include "shell/FolderFileList.h"
#include "shell/FolderTree.h"
#include "shell/FolderWatcher.h"

namespace {

bool IsWebRelatedName(const std::string& name) {
    const std::string ext = LowerCase(FileExtension(name));
    for (const char* web : {".html", ".htm", ".shtml", ".shtm", ".asp", ".gif", ".jpg", ".jpeg",
                            ".bmp", ".wmf", ".emf", ".ico"})
        if (ext == web) return true;
    return false;
}

}  // namespace

LocalFilesView::LocalFilesView(QWidget& treePanel, QWidget& listPanel, QObject* parent)
    : QObject(parent) {
    setObjectName(QStringLiteral("LocalFilesView"));
    tree_ = new FolderTree(&treePanel);
    tree_->setObjectName(QStringLiteral("LocalFolderTree"));
    tree_->hide();
    treePanel.layout()->addWidget(tree_);
    list_ = new FolderFileList(&listPanel);
    list_->setObjectName(QStringLiteral("LocalFileList"));
    list_->hide();
    listPanel.layout()->addWidget(list_);
    tree_->SetListView(list_);

    watcher_ = new FolderWatcher(this);
    connect(watcher_, &FolderWatcher::FolderChanged, this, &LocalFilesView::FollowFolderOnDisk);
    connect(tree_, &FolderTree::SelectedFolderChanged, this, &LocalFilesView::FolderChosen);
    connect(tree_, &FolderTree::FolderClicked, this, &LocalFilesView::FolderClicked);
    connect(list_, &FolderFileList::Clicked, this, &LocalFilesView::FileClicked);
    connect(tree_, &FolderTree::KeyDown, this, [this](int key) {
        if (TreeKey) TreeKey(key);
    });
}

void LocalFilesView::SetShown(bool shown) {
    tree_->setVisible(shown);
    list_->setVisible(shown);
}

bool LocalFilesView::ListShown() const {
    return !list_->isHidden();
}

void LocalFilesView::ShowList() {
    list_->show();
}

int LocalFilesView::ShownTreeWidth() const {
    return tree_->isHidden() ? -1 : tree_->width();
}

QString LocalFilesView::ChosenFolder() const {
    return tree_->SelectedPath();
}

bool LocalFilesView::RootChosen() const {
    return tree_->RootSelected();
}

bool LocalFilesView::ChooseFolder(const QString& path) {
    return tree_->SetSelectedPath(path);
}

void LocalFilesView::StopFollowing() {
    watcher_->UnwatchAll();
}

void LocalFilesView::ReadFiles(const QString& folder) {
    const FolderFileList::ViewStyle style = list_->Style();
    list_->BeginUpdate();
    list_->SetFolder(folder);  // read again, also the same folder
    std::vector<std::string> otherNames;
    for (int i = 0; i < list_->Count(); ++i) {
        const std::string name = list_->ItemName(i).toStdString();
        if (!IsWebRelatedName(name)) otherNames.push_back(name);
    }
    // Only the list is narrowed; the files stay where they are.
    for (const std::string& name : otherNames) {
        const QString wanted = QString::fromStdString(name);
        int start = 0;
        for (;;) {
            const int found = list_->FindCaption(wanted, start, false);
            if (found < 0) break;
            if (list_->ItemName(found).compare(wanted, Qt::CaseInsensitive) == 0) {
                list_->RemoveItem(found);
                break;
            }
            start = found + 1;
        }
    }
    list_->EndUpdate();
    list_->SetStyle(FolderFileList::ViewStyle::Report);
    list_->SetStyle(style);
    watcher_->UnwatchAll();
    watcher_->Watch(folder);
}

void LocalFilesView::FollowFolderOnDisk(const QString& folder) {
    if (!ListShown() || QDir::cleanPath(folder) != QDir::cleanPath(list_->Folder())) return;
    QStringList selected;
    for (int item : list_->SelectedItems()) selected << list_->ItemName(item);
    ReadFiles(list_->Folder());
    for (int i = 0; i < list_->Count(); ++i)
        if (selected.contains(list_->ItemName(i))) list_->SelectItem(i, false);
}
