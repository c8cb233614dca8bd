#pragma once

#include <QString>
#include <QTreeWidget>

class FolderWatcher;
class FolderFileList;

// A folder tree over the file system. Its root node stands for the whole namespace and holds
// the home folder and the file-system root; folders are read when they are first opened and
// read again when the change watcher reports that their entries changed. A bound file list
// shows the files of the selected folder.
class FolderTree : public QTreeWidget {
    Q_OBJECT
  public:
    explicit FolderTree(QWidget* parent = nullptr);
    ~FolderTree() override;

    void SetListView(FolderFileList* list) { list_ = list; }

    // The selected folder, empty while the root node (or nothing) is selected.
    QString SelectedPath() const;
    bool RootSelected() const;
    // Opens the tree down to the folder and selects it; false when it is not a folder.
    bool SetSelectedPath(const QString& path);
    // Forgets every folder read so far and starts again from the root.
    void Reload();

    static QString PathOf(const QTreeWidgetItem* item);

  signals:
    void SelectedFolderChanged();  // another node became the selected one
    void FolderClicked();   // a node was clicked
    void KeyDown(int key, Qt::KeyboardModifiers modifiers);

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void Populate(QTreeWidgetItem* item);
    void Refresh(const QString& folder);
    QTreeWidgetItem* AddFolder(QTreeWidgetItem* parent, const QString& name, const QString& path);
    QTreeWidgetItem* FindChildFolder(QTreeWidgetItem* parent, const QString& path) const;
    QTreeWidgetItem* FindItem(const QString& path) const;

    QTreeWidgetItem* root_ = nullptr;
    FolderFileList* list_ = nullptr;
    FolderWatcher* watcher_;
};
