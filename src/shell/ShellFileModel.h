#pragma once

#include <QAbstractTableModel>
#include <QDateTime>
#include <QFileIconProvider>
#include <QString>
#include <vector>

// The files of one folder as rows of a list: name, size, type and modification time. Folders
// and hidden files are left out. Items can be removed from the list without touching the disk.
class ShellFileModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    // A folder of the copy may hold tens of thousands of files: a row's size, date and type are
    // looked up when it is first shown.
    struct Item {
        QString Name;
        QString Path;
        mutable QString Type;  // the type's name
        mutable bool Stated = false;
        mutable qint64 Size = 0;
        mutable QDateTime Modified;
    };

    enum Column { NameColumn, SizeColumn, TypeColumn, ModifiedColumn };

    explicit ShellFileModel(QObject* parent = nullptr);

    // Lists the folder's files anew, sorted by name ignoring case. An empty or missing folder
    // gives an empty list.
    void Read(const QString& folder);
    void Clear();
    const QString& Folder() const { return folder_; }

    int Count() const { return static_cast<int>(items_.size()); }
    const Item& At(int row) const { return items_.at(static_cast<std::size_t>(row)); }
    void Remove(int row);
    // Removes the rows for which remove(item) is true, in one reset.
    template <typename Predicate>
    void RemoveIf(Predicate remove) {
        beginResetModel();
        std::erase_if(items_, remove);
        endResetModel();
    }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // "12 KB" the way file lists show sizes: whole kilobytes, rounded up, with separators.
    static QString SizeText(qint64 bytes);

  private:
    static const Item& Stated(const Item& item);

    QString folder_;
    std::vector<Item> items_;
    QFileIconProvider icons_;
};
