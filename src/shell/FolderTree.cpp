#include "shell/FolderTree.h"

#include <QDir>

#include <QFileIconProvider>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <algorithm>

#include "shell/FolderWatcher.h"
#include "shell/FolderFileList.h"

namespace {

constexpr int PathRole = Qt::UserRole;
constexpr int ReadRole = Qt::UserRole + 1;  // the folder's children have been read

QString Clean(const QString& path) {
    QString clean = QDir::cleanPath(path);
    return clean.isEmpty() ? path : clean;
}

// Whether the folder has a subfolder worth an expander (hidden folders are not shown).
bool HasSubfolders(const QString& path) {
    return !QDir(path).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::NoSort).isEmpty();
}

}  // namespace

FolderTree::FolderTree(QWidget* parent) : QTreeWidget(parent) {
    watcher_ = new FolderWatcher(this);
    setHeaderHidden(true);
    setColumnCount(1);
    setIndentation(19);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QTreeWidget::itemExpanded, this, &FolderTree::Populate);
    connect(this, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem*) {
                if (list_ && current && current != root_) list_->SetFolder(PathOf(current));
                emit SelectedFolderChanged();
            });
    connect(this, &QTreeWidget::itemClicked, this, [this] { emit FolderClicked(); });
    connect(watcher_, &FolderWatcher::FolderChanged, this, &FolderTree::Refresh);
    Reload();
}

FolderTree::~FolderTree() = default;

QString FolderTree::PathOf(const QTreeWidgetItem* item) {
    return item ? item->data(0, PathRole).toString() : QString();
}

void FolderTree::Reload() {
    watcher_->UnwatchAll();
    clear();
    QFileIconProvider icons;
    root_ = new QTreeWidgetItem(this, {QStringLiteral("Computer")});
    root_->setIcon(0, icons.icon(QFileIconProvider::Computer));
    root_->setData(0, ReadRole, true);
    AddFolder(root_, QStringLiteral("Home"), QDir::homePath());
    AddFolder(root_, QStringLiteral("File System"), QDir::rootPath());
    root_->setExpanded(true);
    setCurrentItem(root_);
}

QTreeWidgetItem* FolderTree::AddFolder(QTreeWidgetItem* parent, const QString& name,
                                            const QString& path) {
    static const QFileIconProvider icons;
    auto* item = new QTreeWidgetItem(parent, {name});
    item->setData(0, PathRole, Clean(path));
    item->setIcon(0, icons.icon(QFileIconProvider::Folder));
    item->setChildIndicatorPolicy(HasSubfolders(path) ? QTreeWidgetItem::ShowIndicator
                                                      : QTreeWidgetItem::DontShowIndicator);
    return item;
}

void FolderTree::Populate(QTreeWidgetItem* item) {
    if (!item || item->data(0, ReadRole).toBool()) return;
    item->setData(0, ReadRole, true);
    const QString path = PathOf(item);
    const QFileInfoList folders =
        QDir(path).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& folder : folders) AddFolder(item, folder.fileName(), folder.filePath());
    if (folders.isEmpty()) item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
    watcher_->Watch(path);
}

void FolderTree::Refresh(const QString& folder) {
    QTreeWidgetItem* item = FindItem(Clean(folder));
    if (!item || !item->data(0, ReadRole).toBool()) return;
    if (!QFileInfo(folder).isDir()) {
        // The folder itself went away: its parent's listing tells the rest.
        watcher_->Unwatch(folder);
        if (item->parent() && item->parent() != root_) Refresh(PathOf(item->parent()));
        return;
    }
    const QFileInfoList folders = QDir(folder).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot,
                                                             QDir::Name | QDir::IgnoreCase);
    // Drop the children that are gone, add the new ones in order; kept nodes keep their state.
    for (int i = item->childCount() - 1; i >= 0; --i) {
        const QString childPath = PathOf(item->child(i));
        const bool kept = std::any_of(folders.begin(), folders.end(), [&](const QFileInfo& f) {
            return Clean(f.filePath()) == childPath;
        });
        if (!kept) delete item->takeChild(i);
    }
    int position = 0;
    for (const QFileInfo& f : folders) {
        QTreeWidgetItem* existing = FindChildFolder(item, Clean(f.filePath()));
        if (!existing) {
            QTreeWidgetItem* added = AddFolder(item, f.fileName(), f.filePath());
            item->removeChild(added);
            item->insertChild(position, added);
        }
        ++position;
    }
    item->setChildIndicatorPolicy(item->childCount() > 0 ? QTreeWidgetItem::ShowIndicator
                                                         : QTreeWidgetItem::DontShowIndicator);
}

QTreeWidgetItem* FolderTree::FindChildFolder(QTreeWidgetItem* parent,
                                                  const QString& path) const {
    for (int i = 0; i < parent->childCount(); ++i)
        if (PathOf(parent->child(i)) == path) return parent->child(i);
    return nullptr;
}

QTreeWidgetItem* FolderTree::FindItem(const QString& path) const {
    // Breadth-first over the folders read so far.
    QList<QTreeWidgetItem*> queue{root_};
    while (!queue.isEmpty()) {
        QTreeWidgetItem* item = queue.takeFirst();
        if (item != root_ && PathOf(item) == path) return item;
        for (int i = 0; i < item->childCount(); ++i) queue.append(item->child(i));
    }
    return nullptr;
}

QString FolderTree::SelectedPath() const {
    QTreeWidgetItem* item = currentItem();
    return item == root_ ? QString() : PathOf(item);
}

bool FolderTree::RootSelected() const {
    return currentItem() == root_ || !currentItem();
}

bool FolderTree::SetSelectedPath(const QString& path) {
    const QFileInfo info(path);
    if (!info.isDir()) return false;
    const QString target = Clean(info.absoluteFilePath());
    // Walk down from the file-system root, reading each folder on the way.
    QTreeWidgetItem* item = nullptr;
    const QString home = Clean(QDir::homePath());
    QTreeWidgetItem* start = FindChildFolder(root_, home);
    if (start && (target == home || target.startsWith(home + '/'))) {
        item = start;
    } else {
        item = FindChildFolder(root_, Clean(QDir::rootPath()));
    }
    while (item && PathOf(item) != target) {
        Populate(item);
        QTreeWidgetItem* next = nullptr;
        for (int i = 0; i < item->childCount() && !next; ++i) {
            const QString child = PathOf(item->child(i));
            if (target == child || target.startsWith(child.endsWith('/') ? child : child + '/'))
                next = item->child(i);
        }
        if (!next) {
            // A hidden folder on the way is not listed; add it so that the path can be shown.
            const QString rest =
                target.mid(PathOf(item).size()).section('/', 0, 0, QString::SectionSkipEmpty);
            if (rest.isEmpty()) break;
            const QString childPath = Clean(PathOf(item) + '/' + rest);
            next = AddFolder(item, rest, childPath);
        }
        item->setExpanded(true);
        item = next;
    }
    if (!item) return false;
    setCurrentItem(item);
    scrollToItem(item);
    return true;
}

void FolderTree::keyPressEvent(QKeyEvent* event) {
    emit KeyDown(event->key(), event->modifiers());
    if (event->key() == Qt::Key_Escape) return;
    QTreeWidget::keyPressEvent(event);
}
