#pragma once

#include <QPoint>
#include <QWidget>
#include <vector>

#include "shell/ShellFileModel.h"

class QAbstractItemView;
class QListView;
class QStackedLayout;
class QTreeView;

// A file list of one folder in four view styles (large icons, small icons, list, details).
// It lists files only, allows several selected items, is read-only, and removes items from the
// list without touching the disk. Keys, clicks and mouse presses are reported as signals so that
// the window can run its own commands on them.
class FolderFileList : public QWidget {
    Q_OBJECT
  public:
    enum class ViewStyle { LargeIcon, SmallIcon, List, Report };

    explicit FolderFileList(QWidget* parent = nullptr);

    // Lists the folder (re-reading it from disk, also when it is the same folder).
    void SetFolder(const QString& folder);
    void Refresh() { SetFolder(Folder()); }
    void Clear();
    QString Folder() const { return model_->Folder(); }

    int Count() const { return model_->Count(); }
    QString ItemName(int index) const { return model_->At(index).Name; }
    QString ItemPath(int index) const { return model_->At(index).Path; }

    // The first selected item in list order, or -1; all selected items in list order.
    int Selected() const;
    std::vector<int> SelectedItems() const;
    void SelectItem(int index, bool onlyThis = true);
    void ClearSelection();

    // The first item at or after start whose name begins with prefix (ignoring case), searching
    // on from the top when wrap is set; -1 when there is none.
    int FindCaption(const QString& prefix, int start, bool wrap) const;

    void RemoveItem(int index);
    template <typename Predicate>
    void RemoveItemsIf(Predicate remove) {
        model_->RemoveIf(remove);
    }

    // Stops repainting while many items change; EndUpdate repaints once.
    void BeginUpdate();
    void EndUpdate();

    ViewStyle Style() const { return style_; }
    void SetStyle(ViewStyle style);

    // The view that currently shows the items (for focus and tests).
    QAbstractItemView* CurrentView() const;
    QTreeView* DetailsView() const { return details_; }
    QListView* IconView() const { return icons_; }

    // Where the mouse last went down in the list, in screen coordinates.
    QPoint LastPressPosition() const { return lastMouseDown_; }

  signals:
    void Clicked();
    void KeyDown(int key, Qt::KeyboardModifiers modifiers);
    void KeyUp(int key);
    void MouseDown(QPoint globalPos);
    void ContextMenuRequested(QPoint globalPos);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Watch(QAbstractItemView* view);

    ShellFileModel* model_;
    QStackedLayout* stack_;
    QListView* icons_;
    QTreeView* details_;
    ViewStyle style_ = ViewStyle::Report;
    QPoint lastMouseDown_;
    int updateDepth_ = 0;
};
