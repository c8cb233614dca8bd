#include "shell/FolderFileList.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QListView>
#include <QMouseEvent>
#include <QDateTime>
#include <QLocale>
#include <QStackedLayout>
#include <QStyledItemDelegate>
#include <QTreeView>
#include <algorithm>

namespace {

// Lines of a name under a large icon before the rest is elided.
constexpr int LargeIconTextLines = 3;

// Keeps each item of the icon views inside its grid cell: a long name is elided in its cell
// (middle out, so that the end and the extension stay) instead of running over its neighbours.
class GridCellDelegate : public QStyledItemDelegate {
  public:
    explicit GridCellDelegate(QListView* view) : QStyledItemDelegate(view), view_(view) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        const QSize grid = view_->gridSize();
        if (grid.isValid()) size = size.boundedTo(grid);
        return size;
    }

  private:
    QListView* view_;
};

}  // namespace

FolderFileList::FolderFileList(QWidget* parent) : QWidget(parent) {
    model_ = new ShellFileModel(this);
    stack_ = new QStackedLayout(this);
    stack_->setContentsMargins(0, 0, 0, 0);

    details_ = new QTreeView(this);
    details_->setModel(model_);
    details_->setRootIsDecorated(false);
    details_->setItemsExpandable(false);
    details_->setUniformRowHeights(true);
    details_->setAllColumnsShowFocus(true);
    details_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    details_->setSelectionBehavior(QAbstractItemView::SelectRows);
    details_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    details_->header()->setStretchLastSection(false);
    details_->header()->resizeSection(ShellFileModel::NameColumn, 208);
    details_->header()->resizeSection(ShellFileModel::SizeColumn, 84);
    details_->header()->resizeSection(ShellFileModel::TypeColumn, 120);
    // The Modified column is as wide as the longest date and time this locale writes.
    const QString widestDate = QLocale().toString(
        QDateTime(QDate(2026, 12, 28), QTime(23, 58, 58)), QLocale::ShortFormat);
    details_->header()->resizeSection(
        ShellFileModel::ModifiedColumn,
        std::max(120, details_->fontMetrics().horizontalAdvance(widestDate) + 24));

    icons_ = new QListView(this);
    icons_->setModel(model_);
    icons_->setSelectionModel(details_->selectionModel());
    icons_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    icons_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    icons_->setResizeMode(QListView::Adjust);
    icons_->setMovement(QListView::Static);
    icons_->setItemDelegate(new GridCellDelegate(icons_));
    icons_->setTextElideMode(Qt::ElideMiddle);

    stack_->addWidget(details_);
    stack_->addWidget(icons_);
    Watch(details_);
    Watch(icons_);
    SetStyle(ViewStyle::Report);
}

void FolderFileList::Watch(QAbstractItemView* view) {
    view->installEventFilter(this);
    view->viewport()->installEventFilter(this);
    connect(view, &QAbstractItemView::clicked, this, [this] { emit Clicked(); });
}

bool FolderFileList::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress: {
            auto* key = static_cast<QKeyEvent*>(event);
            emit KeyDown(key->key(), key->modifiers());
            // Letter commands belong to the window, not to the list's type-ahead search.
            if (key->key() >= Qt::Key_A && key->key() <= Qt::Key_Z &&
                !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
                return true;
            if (key->key() == Qt::Key_Escape || key->key() == Qt::Key_Delete) return true;
            break;
        }
        case QEvent::KeyRelease:
            if (!static_cast<QKeyEvent*>(event)->isAutoRepeat())
                emit KeyUp(static_cast<QKeyEvent*>(event)->key());
            break;
        case QEvent::MouseButtonPress: {
            const QPoint global = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
            lastMouseDown_ = global;
            emit MouseDown(global);
            break;
        }
        case QEvent::ContextMenu:
            if (watched == details_->viewport() || watched == icons_->viewport()) {
                emit ContextMenuRequested(static_cast<QContextMenuEvent*>(event)->globalPos());
                return true;
            }
            break;
        default:
            break;
    }
    return QWidget::eventFilter(watched, event);
}

void FolderFileList::SetFolder(const QString& folder) {
    model_->Read(folder);
}

void FolderFileList::Clear() {
    model_->Clear();
}

int FolderFileList::Selected() const {
    const std::vector<int> all = SelectedItems();
    return all.empty() ? -1 : all.front();
}

std::vector<int> FolderFileList::SelectedItems() const {
    std::vector<int> rows;
    for (const QModelIndex& index : details_->selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void FolderFileList::SelectItem(int index, bool onlyThis) {
    if (index < 0 || index >= Count()) return;
    auto flags = QItemSelectionModel::Select | QItemSelectionModel::Rows;
    if (onlyThis) flags |= QItemSelectionModel::Clear;
    const QModelIndex target = model_->index(index, 0);
    details_->selectionModel()->setCurrentIndex(target, flags);
    CurrentView()->scrollTo(target);
}

void FolderFileList::ClearSelection() {
    details_->selectionModel()->clear();
}

int FolderFileList::FindCaption(const QString& prefix, int start, bool wrap) const {
    const int count = Count();
    if (count == 0) return -1;
    start = std::clamp(start, 0, count);
    for (int i = start; i < count; ++i)
        if (ItemName(i).startsWith(prefix, Qt::CaseInsensitive)) return i;
    if (wrap)
        for (int i = 0; i < start; ++i)
            if (ItemName(i).startsWith(prefix, Qt::CaseInsensitive)) return i;
    return -1;
}

void FolderFileList::RemoveItem(int index) {
    model_->Remove(index);
}

void FolderFileList::BeginUpdate() {
    if (updateDepth_++ == 0) setUpdatesEnabled(false);
}

void FolderFileList::EndUpdate() {
    if (updateDepth_ == 0) return;
    if (--updateDepth_ == 0) setUpdatesEnabled(true);
}

QAbstractItemView* FolderFileList::CurrentView() const {
    return style_ == ViewStyle::Report ? static_cast<QAbstractItemView*>(details_) : icons_;
}

void FolderFileList::SetStyle(ViewStyle style) {
    style_ = style;
    const int small = style_ == ViewStyle::LargeIcon ? 32 : 16;
    switch (style) {
        case ViewStyle::LargeIcon:
            icons_->setViewMode(QListView::IconMode);
            icons_->setFlow(QListView::LeftToRight);
            icons_->setWrapping(true);
            icons_->setIconSize(QSize(32, 32));
            // Room for a few lines of the name, so that names alike in their start differ.
            icons_->setGridSize(
                QSize(112, 32 + 10 + LargeIconTextLines * icons_->fontMetrics().lineSpacing()));
            icons_->setWordWrap(true);
            break;
        case ViewStyle::SmallIcon:
            icons_->setViewMode(QListView::ListMode);
            icons_->setFlow(QListView::LeftToRight);
            icons_->setWrapping(true);
            icons_->setIconSize(QSize(small, small));
            icons_->setGridSize(QSize(180, std::max(20, icons_->fontMetrics().height() + 4)));
            icons_->setWordWrap(false);
            break;
        case ViewStyle::List:
            icons_->setViewMode(QListView::ListMode);
            icons_->setFlow(QListView::TopToBottom);
            icons_->setWrapping(true);
            icons_->setIconSize(QSize(small, small));
            icons_->setGridSize(QSize(180, std::max(20, icons_->fontMetrics().height() + 4)));
            icons_->setWordWrap(false);
            break;
        case ViewStyle::Report:
            break;
    }
    QWidget* shown = stack_->currentWidget();
    const bool hadFocus = shown != nullptr && shown->hasFocus();
    stack_->setCurrentWidget(style == ViewStyle::Report ? static_cast<QWidget*>(details_) : icons_);
    if (hadFocus) CurrentView()->setFocus();
    // Resetting the layout re-arranges the items for the new style.
    icons_->doItemsLayout();
}
