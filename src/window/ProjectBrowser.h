#pragma once

#include <QObject>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

class FolderFileList;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;
class SessionPrompts;
class SessionState;

// The project browser: the site tree (the site root and its folders, as the session names
// them) and the project list, which shows the files of the folder chosen in the tree.
class ProjectBrowser : public QObject {
    Q_OBJECT
  public:
    // Builds the tree into `treePanel` and the list into `listPanel` (their layouts take them).
    ProjectBrowser(SessionState& state, SessionPrompts& prompts, QWidget& treePanel,
                   QWidget& listPanel, QObject* parent);

    // The tree and the list shown, or hidden while the local-files view takes their place.
    void SetShown(bool shown);
    void SetTreeShown(bool shown);
    void SetListShown(bool shown);
    bool ListShown() const;
    void ExpandTree();
    FolderFileList& List() { return *list_; }
    const FolderFileList& List() const { return *list_; }
    // The tree's width when it shows, else -1.
    int ShownTreeWidth() const;
    // Keys pressed in the tree; true when the key was used.
    std::function<bool(int key)> TreeKey;

    // The tree again from the session's folders; during a run folders only join it.
    void RebuildSiteTree();
    // Selects the site root, listing its files.
    void SelectSiteRoot();
    // Lists the site root's files and makes its node current without listing again.
    void ListSiteRoot();
    void ListSiteFolder(QTreeWidgetItem* node);
    // During a run: the project list shows the files that have landed since it was listed
    // (the site root's once the start page is there), keeping the person's selection.
    void FollowLandedFiles();

  signals:
    // The list was narrowed to a folder's files.
    void FolderListed();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // ListSiteFolder without the hourglass (a running session lists again once a second).
    void NarrowFileList(QTreeWidgetItem* node);

    SessionState& state_;
    SessionPrompts& prompts_;
    QTreeWidget* tree_;
    FolderFileList* list_;
    QTreeWidgetItem* siteRootNode_ = nullptr;
    std::vector<std::string> treeChildren_;  // the folders the tree shows, in order
    std::unordered_map<std::string, QTreeWidgetItem*> folderNodes_;  // each folder's node
    int listedFilesRead_ = -1;  // FilesRead when the project list was last followed
};
