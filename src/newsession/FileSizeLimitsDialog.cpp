#include "newsession/FileSizeLimitsDialog.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/IntegerText.h"
#include "core/Text.h"
#include "newsession/DialogMessage.h"

namespace {
const char* const DefaultRows[][2] = {{".html", "200"}, {".htm", "200"},  {".gif", "500"},
                                      {".jpg", "500"},  {".zip", "5000"}, {".exe", "5000"}};
constexpr int DataRows = 9;  // ten rows with the header

bool AllDigits(const QString& text) {
    for (QChar c : text)
        if (c < u'0' || c > u'9') return false;
    return true;
}
}  // namespace

// Cell editor that reports every keystroke to the dialog and stores the text in the cell at once,
// so that the grid always holds what is on screen, also while an editor is open.
class SizeCellDelegate : public QStyledItemDelegate {
  public:
    explicit SizeCellDelegate(FileSizeLimitsDialog* form)
        : QStyledItemDelegate(form->LimitsGrid), form_(form) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        auto* editor = new QLineEdit(parent);
        editor->setFrame(false);
        (void)option;
        QPersistentModelIndex cell(index);
        QObject::connect(editor, &QLineEdit::textEdited, editor,
                         [this, editor, cell](const QString& text) {
                             if (!cell.isValid()) return;
                             const QString kept = form_->AcceptedCellText(cell, text);
                             if (kept != text) editor->setText(kept);
                         });
        return editor;
    }

    // The cell changes with every keystroke, and the view hands each change back to the open
    // editor: putting the same text again would move the caret to the end and drop the undo
    // steps, so the editor is only written when the cell says something else.
    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        auto* line = qobject_cast<QLineEdit*>(editor);
        if (line && line->text() == index.data(Qt::EditRole).toString()) return;
        QStyledItemDelegate::setEditorData(editor, index);
    }

  private:
    FileSizeLimitsDialog* form_;
};

FileSizeLimitsDialog::FileSizeLimitsDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("SpecifyFileSize");
    setWindowTitle("Specify File Size");

    LimitSizesCheck = new QCheckBox("Retrieve following files if size less than listed below", this);
    LimitSizesCheck->setObjectName("LimitSizesCheck");

    LimitsGrid = new QTableWidget(DataRows, 2, this);
    LimitsGrid->setObjectName("LimitsGrid");
    LimitsGrid->setHorizontalHeaderLabels({"Type", "File Size (in KiloBytes)"});
    LimitsGrid->setEditTriggers(QAbstractItemView::AllEditTriggers);
    LimitsGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    LimitsGrid->setItemDelegate(new SizeCellDelegate(this));
    auto* columns = LimitsGrid->horizontalHeader();
    columns->setSectionsMovable(true);
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->setHighlightSections(false);
    // The design widths are 92 and 114; the size column grows to show its caption whole.
    const int sizeWidth =
        qMax(114, columns->fontMetrics().horizontalAdvance("File Size (in KiloBytes)") + 20);
    LimitsGrid->setColumnWidth(0, 92);
    LimitsGrid->setColumnWidth(1, sizeWidth);
    columns->setStretchLastSection(true);
    auto* rows = LimitsGrid->verticalHeader();
    rows->setSectionsMovable(true);
    rows->setSectionResizeMode(QHeaderView::Interactive);
    rows->setDefaultSectionSize(RowHeight);
    rows->setMinimumSectionSize(12);
    // Room for three-digit row numbers, so that rows added later do not narrow the columns.
    rows->setFixedWidth(rows->fontMetrics().horizontalAdvance("999") + 10);
    LimitsGrid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    LimitsGrid->setEnabled(false);
    // Ten rows visible, header included; more rows (New Type) scroll.
    LimitsGrid->setFixedHeight(columns->sizeHint().height() + DataRows * RowHeight +
                                2 * LimitsGrid->frameWidth());
    LimitsGrid->setFixedWidth(rows->width() + 92 + sizeWidth + 2 * LimitsGrid->frameWidth() +
                               LimitsGrid->verticalScrollBar()->sizeHint().width());

    SizeUnitLabel = new QLabel("File Size in KB. (1 KB = 1024 Bytes)", this);
    SizeUnitLabel->setObjectName("SizeUnitLabel");

    NewTypeBtn = new QPushButton("New Type", this);
    NewTypeBtn->setObjectName("NewTypeBtn");
    NewTypeBtn->setEnabled(false);
    OkBtn = new QPushButton("OK", this);
    OkBtn->setObjectName("OkBtn");
    OkBtn->setEnabled(false);
    CancelBtn = new QPushButton("Cancel", this);
    CancelBtn->setObjectName("CancelBtn");

    connect(LimitSizesCheck, &QCheckBox::toggled, this, &FileSizeLimitsDialog::OnLimitSizesToggled);
    connect(NewTypeBtn, &QPushButton::clicked, this, &FileSizeLimitsDialog::AddTypeRow);
    connect(OkBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    auto* gridColumn = new QVBoxLayout;
    gridColumn->addWidget(LimitsGrid);
    gridColumn->addWidget(SizeUnitLabel);
    auto* buttonColumn = new QVBoxLayout;
    buttonColumn->addWidget(OkBtn);
    buttonColumn->addWidget(CancelBtn);
    buttonColumn->addStretch();
    buttonColumn->addWidget(NewTypeBtn);
    buttonColumn->addSpacing(SizeUnitLabel->sizeHint().height() + 6);
    auto* body = new QHBoxLayout;
    body->addLayout(gridColumn);
    body->addSpacing(8);
    body->addLayout(buttonColumn);
    auto* main = new QVBoxLayout(this);
    main->addWidget(LimitSizesCheck);
    main->addLayout(body);
    main->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(CancelBtn, LimitSizesCheck);
    setTabOrder(LimitSizesCheck, LimitsGrid);
    setTabOrder(LimitsGrid, NewTypeBtn);
    setTabOrder(NewTypeBtn, OkBtn);
    CancelBtn->setFocus();

    FillDefaultRows();
}

void FileSizeLimitsDialog::FillDefaultRows() {
    for (int row = 0; row < LimitsGrid->rowCount(); ++row)
        for (int column = 0; column < 2; ++column)
            LimitsGrid->setItem(row, column, new QTableWidgetItem);
    int row = 0;
    for (const auto& defaults : DefaultRows) {
        LimitsGrid->item(row, 0)->setText(defaults[0]);
        LimitsGrid->item(row, 1)->setText(defaults[1]);
        ++row;
    }
}

void FileSizeLimitsDialog::OnLimitSizesToggled(bool checked) {
    LimitsGrid->setEnabled(checked);
    NewTypeBtn->setEnabled(checked);
    OkBtn->setEnabled(checked);
}

void FileSizeLimitsDialog::AddTypeRow() {
    int row = LimitsGrid->rowCount();
    LimitsGrid->insertRow(row);
    LimitsGrid->setItem(row, 0, new QTableWidgetItem);
    LimitsGrid->setItem(row, 1, new QTableWidgetItem);
    LimitsGrid->scrollToItem(LimitsGrid->item(row, 0));
    LimitsGrid->viewport()->update();
}

QString FileSizeLimitsDialog::AcceptedCellText(const QModelIndex& index, const QString& text) {
    QString kept = text;
    // Type cells take anything; a size cell may be emptied, but may hold digits only.
    bool isTypeColumn = LimitsGrid->horizontalHeader()->visualIndex(index.column()) == 0;
    const bool refused = !isTypeColumn && !text.isEmpty() && !AllDigits(text);
    if (refused) kept = QStringLiteral("200");
    if (auto* item = LimitsGrid->item(index.row(), index.column())) item->setText(kept);
    // The box takes the focus, and the grid closes (deletes) the cell editor when it loses it:
    // the keystroke's handling must be over before the box opens.
    if (refused)
        QMetaObject::invokeMethod(
            this, [this] { ShowDialogMessage(this, ValueMustBeInteger); }, Qt::QueuedConnection);
    return kept;
}

QString FileSizeLimitsDialog::CellText(int visualRow, int visualColumn) const {
    int row = LimitsGrid->verticalHeader()->logicalIndex(visualRow);
    int column = LimitsGrid->horizontalHeader()->logicalIndex(visualColumn);
    const QTableWidgetItem* item = LimitsGrid->item(row, column);
    return item ? item->text() : QString();
}

std::vector<FileSizeLimit> FileSizeLimitsDialog::Limits() const {
    std::vector<FileSizeLimit> limits;
    for (int row = 0; row < LimitsGrid->rowCount(); ++row)
        limits.push_back({LowerCase(CellText(row, 0).toStdString()),
                          ParseInteger<std::int64_t>(CellText(row, 1).toStdString())});
    return limits;
}
