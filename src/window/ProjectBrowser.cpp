// The site tree and the project list: narrowing the list to a site folder, and following the
// files that land during a run.
#include "window/ProjectBrowser.h"

#include <QKeyEvent>
#include <QLayout>
#include <QScrollBar>
#include <QTreeWidget>
#include <unordered_set>

#include "core/Text.h"
#include "engine/SessionState.h"
#include "shell/FolderFileList.h"
#include "widgets/ToolIcons.h"
#include "window/GridRules.h"

using ViewStyle = FolderFileList::ViewStyle;

namespace {

// Folder pictures of the site tree: the site, a folder, and the open folder of the selected node.
QIcon TreeIcon(const char* normal) {
    QIcon icon;
    icon.addPixmap(ToolIcon(nullptr, normal).pixmap(16, 16), QIcon::Normal);
    icon.addPixmap(ToolIcon(nullptr, "open").pixmap(16, 16), QIcon::Selected);
    return icon;
}

}  // namespace

ProjectBrowser::ProjectBrowser(SessionState& state, SessionPrompts& prompts, QWidget& treePanel,
                               QWidget& listPanel, QObject* parent)
    : QObject(parent), state_(state), prompts_(prompts) {
    setObjectName(QStringLiteral("ProjectBrowser"));
    tree_ = new QTreeWidget(&treePanel);
    tree_->setObjectName(QStringLiteral("DirTree"));
    tree_->setHeaderHidden(true);
    tree_->setIndentation(19);
    tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree_->installEventFilter(this);
    treePanel.layout()->addWidget(tree_);
    list_ = new FolderFileList(&listPanel);
    list_->setObjectName(QStringLiteral("FileListView"));
    listPanel.layout()->addWidget(list_);
    connect(tree_, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { ListSiteFolder(current); });
}

bool ProjectBrowser::eventFilter(QObject* watched, QEvent* event) {
    if (watched == tree_ && event->type() == QEvent::KeyPress && TreeKey &&
        TreeKey(static_cast<QKeyEvent*>(event)->key()))
        return true;
    return QObject::eventFilter(watched, event);
}

void ProjectBrowser::SetShown(bool shown) {
    tree_->setVisible(shown);
    list_->setVisible(shown);
}

void ProjectBrowser::SetTreeShown(bool shown) {
    tree_->setVisible(shown);
}

void ProjectBrowser::SetListShown(bool shown) {
    list_->setVisible(shown);
}

bool ProjectBrowser::ListShown() const {
    return !list_->isHidden();
}

void ProjectBrowser::ExpandTree() {
    tree_->expandAll();
}

int ProjectBrowser::ShownTreeWidth() const {
    return tree_->isHidden() ? -1 : tree_->width();
}

void ProjectBrowser::RebuildSiteTree() {
    const SessionView& view = state_.View;
    const bool sameRoot = siteRootNode_ != nullptr && view.HasSiteRoot() &&
                          siteRootNode_->text(0) == QString::fromStdString(view.SiteRootText());
    const auto& children = view.SiteChildren();
    const bool onlyAdded = sameRoot && children.size() >= treeChildren_.size() &&
                           std::equal(treeChildren_.begin(), treeChildren_.end(), children.begin());
    if (!onlyAdded) {
        const QSignalBlocker quiet(tree_);
        tree_->clear();
        siteRootNode_ = nullptr;
        treeChildren_.clear();
        folderNodes_.clear();
        if (!view.HasSiteRoot()) return;
        siteRootNode_ = new QTreeWidgetItem(tree_, {QString::fromStdString(view.SiteRootText())});
        siteRootNode_->setIcon(0, TreeIcon("browse"));
    }
    // During a run folders only ever join the tree: add the new ones and keep the selection.
    // A node keeps its folder as the session names it; a complete copy's folders ("docs/a/")
    // nest under their parent folder's node and show their own name ("a/").
    for (std::size_t i = treeChildren_.size(); i < children.size(); ++i) {
        const std::string& folder = children[i];
        QTreeWidgetItem* parent = siteRootNode_;
        std::string label = folder;
        if (state_.Settings.CompleteCopy && folder.size() >= 2) {
            const std::size_t cut = folder.find_last_of('/', folder.size() - 2);
            const auto found = cut == std::string::npos
                                   ? folderNodes_.end()
                                   : folderNodes_.find(folder.substr(0, cut + 1));
            if (found != folderNodes_.end()) {
                parent = found->second;
                label = folder.substr(cut + 1);
            }
        }
        auto* node = new QTreeWidgetItem(parent, {QString::fromStdString(label)});
        node->setData(0, Qt::UserRole, QString::fromStdString(folder));
        node->setIcon(0, TreeIcon("projectfolder"));
        folderNodes_[folder] = node;
        treeChildren_.push_back(folder);
    }
    siteRootNode_->setExpanded(true);
}

void ProjectBrowser::SelectSiteRoot() {
    if (!siteRootNode_) return;
    if (tree_->currentItem() == siteRootNode_) {
        // The tree makes its first node current by itself, without showing it selected.
        siteRootNode_->setSelected(true);
        ListSiteFolder(siteRootNode_);
    } else {
        tree_->setCurrentItem(siteRootNode_);  // runs ListSiteFolder
    }
}

void ProjectBrowser::ListSiteRoot() {
    if (siteRootNode_ == nullptr) return;
    ListSiteFolder(siteRootNode_);
    const QSignalBlocker quiet(tree_);
    tree_->setCurrentItem(tree_->topLevelItem(0));
}

void ProjectBrowser::ListSiteFolder(QTreeWidgetItem* node) {
    SessionState& s = state_;
    if (node == nullptr || s.SessionLoading || s.View.Row(1).State != FileState::Complete) return;
    const BusyCursor busy(prompts_);
    NarrowFileList(node);
}

void ProjectBrowser::FollowLandedFiles() {
    if (state_.FilesRead == listedFilesRead_ || !ListShown() || siteRootNode_ == nullptr) return;
    listedFilesRead_ = state_.FilesRead;
    QTreeWidgetItem* node = tree_->currentItem();
    if (node == nullptr || !node->isSelected()) {
        SelectSiteRoot();  // nothing chosen yet: the site root's files
        return;
    }
    SessionState& s = state_;
    if (s.SessionLoading || s.View.Row(1).State != FileState::Complete) return;
    QStringList selected;
    for (int item : list_->SelectedItems()) selected << list_->ItemName(item);
    QScrollBar* scroll = list_->CurrentView()->verticalScrollBar();
    const int position = scroll->value();
    NarrowFileList(node);
    for (int i = 0; i < list_->Count(); ++i)
        if (selected.contains(list_->ItemName(i))) list_->SelectItem(i, false);
    scroll->setValue(position);
}

void ProjectBrowser::NarrowFileList(QTreeWidgetItem* node) {
    SessionState& s = state_;
    // The folder the list was pointed at; after a moved project folder was chosen it stays the
    // one named in the session file until the session is saved and opened again.
    const std::string& listed = s.View.ListedFolder();
    std::string shownFolder = listed.empty() ? s.ProjectFolder : listed;
    // A complete copy keeps the site's folders: a folder node lists its own folder.
    const std::string folder = node->data(0, Qt::UserRole).toString().toStdString();
    if (s.Settings.CompleteCopy && node != siteRootNode_ && !s.ProjectFolder.empty())
        shownFolder = s.ProjectFolder + folder;
    list_->SetFolder(QString::fromStdString(shownFolder));
    const ViewStyle style = list_->Style();
    list_->BeginUpdate();

    std::string key;
    if (node == siteRootNode_) {
        s.View.SetUpperStatusBar(1, "Contents Of: " + s.SiteBase);
        key = s.SiteBase;
    } else if (Contains(folder, "ftp://")) {
        s.View.SetUpperStatusBar(1, "Contents Of: " + folder);
        key = folder;
    } else {
        s.View.SetUpperStatusBar(1,
                                 "Contents Of: " + siteRootNode_->text(0).toStdString() + folder);
        key = folder;
    }

    std::unordered_set<std::string> wanted;
    for (const std::string& name : WantedFileNames(s.View, node == siteRootNode_, key, s))
        wanted.insert(LowerCase(name));
    list_->RemoveItemsIf([&](const ShellFileModel::Item& item) {
        return !wanted.contains(LowerCase(item.Name.toStdString()));
    });

    list_->EndUpdate();
    list_->SetStyle(ViewStyle::Report);
    list_->SetStyle(style);
    list_->show();
    emit FolderListed();
}
