#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "core/SessionSettings.h"

class QCheckBox;
class QLabel;
class QModelIndex;
class QPushButton;
class QTableWidget;

// "Specify File Size": a largest size in kilobytes per file type. The grid opens with the same six
// rows every time; the caller reads the rows only when the dialog closes with OK, which is
// possible only while LimitSizesCheck is checked.
class FileSizeLimitsDialog : public QDialog {
    Q_OBJECT
  public:
    explicit FileSizeLimitsDialog(QWidget* parent = nullptr);

    // The rows as the person sees them, top to bottom (whatever was dragged where): the type in
    // lower case and the size, none where its cell is empty. An empty row gives an empty type.
    std::vector<FileSizeLimit> Limits() const;

    // The text of a cell by its position on screen (row 0 is the first row under the header).
    QString CellText(int visualRow, int visualColumn) const;

    QCheckBox* LimitSizesCheck;
    QTableWidget* LimitsGrid;
    QPushButton* NewTypeBtn;
    QPushButton* OkBtn;
    QPushButton* CancelBtn;
    QLabel* SizeUnitLabel;

    static constexpr int RowHeight = 22;

  private:
    void FillDefaultRows();
    void OnLimitSizesToggled(bool checked);
    void AddTypeRow();
    // Runs on every keystroke in a cell editor; returns the text the cell keeps. A refused text
    // is answered by a box shown after the keystroke, when the editor may already be gone.
    QString AcceptedCellText(const QModelIndex& index, const QString& text);

    friend class SizeCellDelegate;
};
