#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <string>

class FolderFileList;
class FolderTree;
class FolderWatcher;
class QWidget;

// The local-files view: the computer's folders in a shell folder tree and the chosen folder's
// web files (pages and pictures) in a list that follows the folder's changes on disk.
class LocalFilesView : public QObject {
    Q_OBJECT
  public:
    // Builds the tree into `treePanel` and the list into `listPanel`; both start hidden.
    LocalFilesView(QWidget& treePanel, QWidget& listPanel, QObject* parent);

    void SetShown(bool shown);
    bool ListShown() const;
    void ShowList();
    FolderFileList& List() { return *list_; }
    const FolderFileList& List() const { return *list_; }
    // The tree's width when it shows, else -1.
    int ShownTreeWidth() const;
    // Keys pressed in the tree; true when the key was used.
    std::function<bool(int key)> TreeKey;

    // The folder chosen in the tree, and whether that is the tree's root (which has no files).
    QString ChosenFolder() const;
    bool RootChosen() const;
    bool ChooseFolder(const QString& path);
    // The folder the list shows, ending in "/" (empty until a folder was listed).
    const std::string& Folder() const { return folder_; }
    void SetFolder(const std::string& folder) { folder_ = folder; }
    // The folder the person last chose in the tree, as the tree names it.
    const std::string& SelectedPath() const { return selectedPath_; }
    void RememberSelectedPath() { selectedPath_ = ChosenFolder().toStdString(); }

    // Reads the list's folder again (its files come and go), narrowed to web files; the list
    // then follows that folder's changes on disk while it shows.
    void ReadFiles(const QString& folder);
    // The list no longer follows a folder on disk.
    void StopFollowing();

  signals:
    void FolderChosen();   // another folder became the tree's selected one
    void FolderClicked();  // a folder of the tree was clicked
    void FileClicked();    // a file of the list was clicked

  private:
    // A change on disk in the list's folder: the list reads it again, keeping the selection.
    void FollowFolderOnDisk(const QString& folder);

    FolderTree* tree_;
    FolderFileList* list_;
    FolderWatcher* watcher_;
    std::string folder_;
    std::string selectedPath_;
};
