#pragma once

#include <QColor>
#include <QPixmap>
#include <QTableView>

// A grid that draws its own cells: fixed cells in BorderColor, data rows in OddRowColor or
// EvenRowColor (a pattern, when set, replaces the colour), and each cell's text in the colour its
// model gives (Qt::ForegroundRole). The selected row gets no highlight: only that colour shows it.
class StatusGrid : public QTableView {
    Q_OBJECT
  public:
    explicit StatusGrid(QWidget* parent = nullptr);

    QColor BorderColor{0xC0, 0xC0, 0xC0};
    QColor OddRowColor{0x00, 0xFF, 0xFF};
    QColor EvenRowColor{0x00, 0xFF, 0x00};
    QPixmap BorderPattern;
    QPixmap OddRowPattern;
    QPixmap EvenRowPattern;

    // Applies BorderColor/BorderPattern to the header; call after changing them.
    void UpdateBorder();

    // The grid row (header = 0) of the current selection, 0 when nothing is selected.
    int Row() const;
    // Selects grid row row (1 and up) and, unless told not to, scrolls it into view.
    void SetRow(int row, bool scrollToRow = true);

    // Background brush of a data row (grid numbering).
    QBrush RowBrush(int gridRow) const;
};
