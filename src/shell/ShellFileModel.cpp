#include "shell/ShellFileModel.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QLocale>
#include <QMimeDatabase>
#include <algorithm>

ShellFileModel::ShellFileModel(QObject* parent) : QAbstractTableModel(parent) {}

namespace {

// By the name alone: the file is not read.
QString TypeText(const QString& name) {
    static const QMimeDatabase mimes;
    // A name the database does not know gets its default type ("unknown"): say the extension.
    const QMimeType type = mimes.mimeTypeForFile(name, QMimeDatabase::MatchExtension);
    if (!type.isDefault() && !type.comment().isEmpty()) return type.comment();
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString suffix = dot < 0 ? QString() : name.mid(dot + 1).toUpper();
    return suffix.isEmpty() ? QStringLiteral("File") : suffix + QStringLiteral(" File");
}

}  // namespace

void ShellFileModel::Read(const QString& folder) {
    beginResetModel();
    folder_ = folder;
    items_.clear();
    if (!folder.isEmpty()) {
        // The names come from one reading of the folder (its entries' kinds with them); nothing
        // else is looked up until a row is shown.
        QDirIterator entries(folder, QDir::Files | QDir::System);
        while (entries.hasNext()) {
            entries.next();
            Item item;
            item.Name = entries.fileName();
            item.Path = entries.filePath();
            items_.push_back(std::move(item));
        }
        std::sort(items_.begin(), items_.end(), [](const Item& a, const Item& b) {
            const int order = a.Name.compare(b.Name, Qt::CaseInsensitive);
            return order != 0 ? order < 0 : a.Name < b.Name;
        });
    }
    endResetModel();
}

const ShellFileModel::Item& ShellFileModel::Stated(const Item& item) {
    if (!item.Stated) {
        const QFileInfo info(item.Path);
        item.Size = info.size();
        item.Modified = info.lastModified();
        item.Stated = true;
    }
    return item;
}

void ShellFileModel::Clear() {
    beginResetModel();
    items_.clear();
    endResetModel();
}

void ShellFileModel::Remove(int row) {
    if (row < 0 || row >= Count()) return;
    beginRemoveRows({}, row, row);
    items_.erase(items_.begin() + row);
    endRemoveRows();
}

int ShellFileModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Count();
}

int ShellFileModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 4;
}

QString ShellFileModel::SizeText(qint64 bytes) {
    const qint64 kb = (bytes + 1023) / 1024;
    return QLocale().toString(kb) + QStringLiteral(" KB");
}

QVariant ShellFileModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= Count()) return {};
    const Item& item = At(index.row());
    switch (role) {
        case Qt::DisplayRole:
            switch (index.column()) {
                case NameColumn:
                    return item.Name;
                case SizeColumn:
                    return SizeText(Stated(item).Size);
                case TypeColumn:
                    if (item.Type.isNull()) item.Type = TypeText(item.Name);
                    return item.Type;
                case ModifiedColumn:
                    return QLocale().toString(Stated(item).Modified, QLocale::ShortFormat);
            }
            return {};
        case Qt::DecorationRole:
            if (index.column() == NameColumn) return icons_.icon(QFileInfo(item.Path));
            return {};
        case Qt::TextAlignmentRole:
            if (index.column() == SizeColumn)
                return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
            return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
        case Qt::ToolTipRole:
            return item.Path;
        default:
            return {};
    }
}

QVariant ShellFileModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal) return {};
    if (role == Qt::TextAlignmentRole && section == SizeColumn)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole) return {};
    switch (section) {
        case NameColumn:
            return QStringLiteral("Name");
        case SizeColumn:
            return QStringLiteral("Size");
        case TypeColumn:
            return QStringLiteral("Type");
        case ModifiedColumn:
            return QStringLiteral("Modified");
    }
    return {};
}
