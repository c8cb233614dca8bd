#include "window/StatusGrid.h"

#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>
#include <cmath>

namespace {

// Perceived lightness, 0 (black) to 1 (white).
double Lightness(const QColor& c) {
    return (0.299 * c.redF() + 0.587 * c.greenF() + 0.114 * c.blueF());
}

class CellPainter : public QStyledItemDelegate {
  public:
    explicit CellPainter(StatusGrid& grid) : QStyledItemDelegate(&grid), grid_(grid) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const int gridRow = index.row() + 1;
        painter->save();
        painter->fillRect(option.rect, grid_.RowBrush(gridRow));

        const QVariant colour = index.data(Qt::ForegroundRole);
        const QColor pen = colour.canConvert<QColor>() ? colour.value<QColor>()
                                                       : option.palette.color(QPalette::Text);
        painter->setFont(option.font);
        const QRect text = option.rect.adjusted(2, 2, -1, 0);
        const QString shown =
            option.fontMetrics.elidedText(index.data().toString(), Qt::ElideRight, text.width());
        const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine;
        // A light text colour (yellow on white) gets a dark shadow so that it stays readable.
        const QColor back = grid_.RowBrush(gridRow).color();
        if (std::abs(Lightness(pen) - Lightness(back)) < 0.35) {
            painter->setPen(pen.darker(250));
            painter->drawText(text.translated(1, 1), flags, shown);
        }
        painter->setPen(pen);
        painter->drawText(text, flags, shown);
        painter->restore();
    }

  private:
    StatusGrid& grid_;
};

}  // namespace

StatusGrid::StatusGrid(QWidget* parent) : QTableView(parent) {
    setItemDelegate(new CellPainter(*this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(16);
    verticalHeader()->setMinimumSectionSize(12);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // The State column takes what the window has to spare beyond the design widths.
    horizontalHeader()->setStretchLastSection(true);
    UpdateBorder();
}

void StatusGrid::UpdateBorder() {
    // The header is the grid's row of fixed cells: its background and black text.
    QPalette p = horizontalHeader()->palette();
    const QBrush brush = BorderPattern.isNull() ? QBrush(BorderColor) : QBrush(BorderPattern);
    p.setBrush(QPalette::Button, brush);
    p.setBrush(QPalette::Window, brush);
    p.setColor(QPalette::ButtonText, Qt::black);
    horizontalHeader()->setPalette(p);
    horizontalHeader()->setAutoFillBackground(true);
}

QBrush StatusGrid::RowBrush(int gridRow) const {
    const bool odd = gridRow % 2 != 0;
    const QPixmap& pattern = odd ? OddRowPattern : EvenRowPattern;
    if (!pattern.isNull()) return QBrush(pattern);
    return QBrush(odd ? OddRowColor : EvenRowColor);
}

int StatusGrid::Row() const {
    const QModelIndex current = selectionModel() ? selectionModel()->currentIndex() : QModelIndex();
    return current.isValid() ? current.row() + 1 : 0;
}

void StatusGrid::SetRow(int row, bool scrollToRow) {
    if (!model() || row < 1 || row > model()->rowCount()) return;
    const QModelIndex target = model()->index(row - 1, 0);
    // A new current index scrolls to itself on its own while auto-scroll is on.
    const bool autoScrolls = hasAutoScroll();
    setAutoScroll(scrollToRow);
    selectionModel()->setCurrentIndex(
        target, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    setAutoScroll(autoScrolls);
    if (scrollToRow) {
        // Rows just added are laid out lazily; the scroll range must hold them first.
        executeDelayedItemsLayout();
        scrollTo(target);
    }
    viewport()->update();
}
