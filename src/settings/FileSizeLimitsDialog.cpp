#include "settings/FileSizeLimitsDialog.h"

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

#include "core/Text.h"
#include "settings/DialogMessage.h"

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
    explicit SizeCellDelegate(TSpecifyFileSize* form)
        : QStyledItemDelegate(form->StringGrid1), form_(form) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        auto* editor = new QLineEdit(parent);
        editor->setFrame(false);
        (void)option;
        QPersistentModelIndex cell(index);
        QObject::connect(editor, &QLineEdit::textEdited, editor,
                         [this, editor, cell](QString text) {
                             if (!cell.isValid()) return;
                             QString kept = form_->StringGrid1SetEditText(cell, text);
                             if (kept != text) editor->setText(kept);
                         });
        return editor;
    }

  private:
    TSpecifyFileSize* form_;
};

TSpecifyFileSize::TSpecifyFileSize(QWidget* parent) : QDialog(parent) {
    setObjectName("SpecifyFileSize");
    setWindowTitle("Specify File Size");

    CheckBox1 = new QCheckBox("Retrieve following files if size less than listed below", this);
    CheckBox1->setObjectName("CheckBox1");

    StringGrid1 = new QTableWidget(DataRows, 2, this);
    StringGrid1->setObjectName("StringGrid1");
    StringGrid1->setHorizontalHeaderLabels({"Type", "File Size (in KiloBytes)"});
    StringGrid1->setEditTriggers(QAbstractItemView::AllEditTriggers);
    StringGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    StringGrid1->setItemDelegate(new SizeCellDelegate(this));
    auto* columns = StringGrid1->horizontalHeader();
    columns->setSectionsMovable(true);
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->setHighlightSections(false);
    // The design widths are 92 and 114; the size column grows to show its caption whole.
    const int sizeWidth =
        qMax(114, columns->fontMetrics().horizontalAdvance("File Size (in KiloBytes)") + 20);
    StringGrid1->setColumnWidth(0, 92);
    StringGrid1->setColumnWidth(1, sizeWidth);
    columns->setStretchLastSection(true);
    auto* rows = StringGrid1->verticalHeader();
    rows->setSectionsMovable(true);
    rows->setSectionResizeMode(QHeaderView::Interactive);
    rows->setDefaultSectionSize(RowHeight);
    rows->setMinimumSectionSize(12);
    // Room for three-digit row numbers, so that rows added later do not narrow the columns.
    rows->setFixedWidth(rows->fontMetrics().horizontalAdvance("999") + 10);
    StringGrid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    StringGrid1->setEnabled(false);
    // Ten rows visible, header included; more rows (New Type) scroll.
    StringGrid1->setFixedHeight(columns->sizeHint().height() + DataRows * RowHeight +
                                2 * StringGrid1->frameWidth());
    StringGrid1->setFixedWidth(rows->width() + 92 + sizeWidth + 2 * StringGrid1->frameWidth() +
                               StringGrid1->verticalScrollBar()->sizeHint().width());

    Label1 = new QLabel("File Size in KB. (1 KB = 1024 Bytes)", this);
    Label1->setObjectName("Label1");

    NewTypeBtn = new QPushButton("New Type", this);
    NewTypeBtn->setObjectName("NewTypeBtn");
    NewTypeBtn->setEnabled(false);
    OkBtn = new QPushButton("OK", this);
    OkBtn->setObjectName("OkBtn");
    OkBtn->setEnabled(false);
    CancelBtn = new QPushButton("Cancel", this);
    CancelBtn->setObjectName("CancelBtn");

    connect(CheckBox1, &QCheckBox::toggled, this, &TSpecifyFileSize::CheckBox1Click);
    connect(NewTypeBtn, &QPushButton::clicked, this, &TSpecifyFileSize::NewTypeBtnClick);
    connect(OkBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    auto* gridColumn = new QVBoxLayout;
    gridColumn->addWidget(StringGrid1);
    gridColumn->addWidget(Label1);
    auto* buttonColumn = new QVBoxLayout;
    buttonColumn->addWidget(OkBtn);
    buttonColumn->addWidget(CancelBtn);
    buttonColumn->addStretch();
    buttonColumn->addWidget(NewTypeBtn);
    buttonColumn->addSpacing(Label1->sizeHint().height() + 6);
    auto* body = new QHBoxLayout;
    body->addLayout(gridColumn);
    body->addSpacing(8);
    body->addLayout(buttonColumn);
    auto* main = new QVBoxLayout(this);
    main->addWidget(CheckBox1);
    main->addLayout(body);
    main->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(CancelBtn, CheckBox1);
    setTabOrder(CheckBox1, StringGrid1);
    setTabOrder(StringGrid1, NewTypeBtn);
    setTabOrder(NewTypeBtn, OkBtn);
    CancelBtn->setFocus();

    FormShow();
}

void TSpecifyFileSize::FormShow() {
    for (int row = 0; row < StringGrid1->rowCount(); ++row)
        for (int column = 0; column < 2; ++column)
            StringGrid1->setItem(row, column, new QTableWidgetItem);
    int row = 0;
    for (const auto& defaults : DefaultRows) {
        StringGrid1->item(row, 0)->setText(defaults[0]);
        StringGrid1->item(row, 1)->setText(defaults[1]);
        ++row;
    }
}

void TSpecifyFileSize::CheckBox1Click(bool checked) {
    StringGrid1->setEnabled(checked);
    NewTypeBtn->setEnabled(checked);
    OkBtn->setEnabled(checked);
}

void TSpecifyFileSize::NewTypeBtnClick() {
    int row = StringGrid1->rowCount();
    StringGrid1->insertRow(row);
    StringGrid1->setItem(row, 0, new QTableWidgetItem);
    StringGrid1->setItem(row, 1, new QTableWidgetItem);
    StringGrid1->scrollToItem(StringGrid1->item(row, 0));
    StringGrid1->viewport()->update();
}

QString TSpecifyFileSize::StringGrid1SetEditText(const QModelIndex& index, const QString& text) {
    QString kept = text;
    // Type cells take anything; a size cell may be emptied, but may hold digits only.
    bool isTypeColumn = StringGrid1->horizontalHeader()->visualIndex(index.column()) == 0;
    if (!isTypeColumn && !text.isEmpty() && !AllDigits(text)) {
        ShowDialogMessage(this, ValueMustBeInteger);
        kept = QStringLiteral("200");
    }
    if (auto* item = StringGrid1->item(index.row(), index.column())) item->setText(kept);
    return kept;
}

QString TSpecifyFileSize::CellText(int visualRow, int visualColumn) const {
    int row = StringGrid1->verticalHeader()->logicalIndex(visualRow);
    int column = StringGrid1->horizontalHeader()->logicalIndex(visualColumn);
    const QTableWidgetItem* item = StringGrid1->item(row, column);
    return item ? item->text() : QString();
}

std::vector<std::string> TSpecifyFileSize::LimitLines() const {
    std::vector<std::string> lines;
    for (int row = 0; row < StringGrid1->rowCount(); ++row) {
        lines.push_back(LowerCase(CellText(row, 0).toStdString()));
        lines.push_back(CellText(row, 1).toStdString());
    }
    return lines;
}
