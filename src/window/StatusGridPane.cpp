// The status grid: its colours, its pop-up menu and the commands on a row.
#include "window/StatusGridPane.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QLayout>
#include <QMenu>
#include <QScrollBar>
#include <filesystem>
#include <system_error>

#include "core/FileBytes.h"
#include "core/FileNames.h"
#include "core/SessionPrompts.h"
#include "engine/SessionState.h"
#include "shell/ShellOpen.h"
#include "window/GridModel.h"
#include "window/GridRules.h"
#include "window/StatusGrid.h"

namespace fs = std::filesystem;
using Kind = SessionPrompts::Kind;
using Buttons = SessionPrompts::Buttons;
using Answer = SessionPrompts::Answer;

namespace {

// A Save dialog answer made absolute, with the file's own extension when it has none.
std::string CompleteSaveName(const std::string& chosen, const std::string& ownExtension) {
    std::string name = QFileInfo(QString::fromStdString(chosen)).absoluteFilePath().toStdString();
    if (FileExtension(fs::path(name).filename().string()).empty()) name += ownExtension;
    return name;
}

}  // namespace

StatusGridPane::StatusGridPane(SessionState& state, SessionPrompts& prompts, QWidget& pane,
                               QWidget& window)
    : QObject(&window), state_(state), prompts_(prompts) {
    setObjectName(QStringLiteral("StatusGridPane"));
    grid_ = new StatusGrid(&pane);
    grid_->setObjectName(QStringLiteral("Grid"));
    // No stripes: both row colours are the window colour.
    grid_->BorderColor = QColor(0xC0, 0xC0, 0xC0);
    grid_->OddRowColor = grid_->palette().color(QPalette::Base);
    grid_->EvenRowColor = grid_->palette().color(QPalette::Base);
    grid_->UpdateBorder();
    rows_ = new GridModel(state_.View, this);
    rows_->setObjectName(QStringLiteral("GridRows"));
    grid_->setModel(rows_);
    grid_->setContextMenuPolicy(Qt::CustomContextMenu);
    pane.layout()->addWidget(grid_);

    // A row's failure shows as its tool tip, on the hint line while the mouse rests on it, and
    // on the status line while the row is selected after the run.
    grid_->setMouseTracking(true);
    connect(grid_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (!current.isValid()) return;
                state_.View.SelectRow(current.row() + 1);
                if (!state_.Running()) ShowRowFailure(current.row() + 1);
            });
    connect(grid_, &QTableView::clicked, this, [this] { grid_->viewport()->update(); });
    connect(grid_, &QWidget::customContextMenuRequested, this, &StatusGridPane::OpenGridMenu);
    // Rows the selection points at may only now have reached the grid.
    connect(rows_, &QAbstractItemModel::rowsInserted, this,
            [this] { ShowSelectedRow(GridFollowsSelection()); });
    // A run selects each new transfer's row: the grid scrolls along with it only until the
    // person scrolls away from the bottom to read rows further up, and again once they
    // scroll back down.
    QScrollBar* gridScroll = grid_->verticalScrollBar();
    connect(gridScroll, &QAbstractSlider::actionTriggered, this, [this, gridScroll] {
        gridFollows_ = gridScroll->sliderPosition() >= gridScroll->maximum();
    });
    BuildPopupMenu(window);
}

StatusGridPane::~StatusGridPane() = default;

void StatusGridPane::BuildPopupMenu(QWidget& window) {
    popupMenu_ = new QMenu(&window);
    popupMenu_->setObjectName(QStringLiteral("GridPopupMenu"));
    auto item = [this](const char* name, const char* text, void (StatusGridPane::*command)()) {
        QAction* action = popupMenu_->addAction(QString::fromLatin1(text));
        action->setObjectName(QLatin1String(name));
        action->setEnabled(false);
        connect(action, &QAction::triggered, this, command);
        return action;
    };
    openDefaultViewerItem_ =
        item("OpenDefaultViewerItem", "Open - Default Viewer", &StatusGridPane::OpenRowFile);
    retrieveDefaultBrowserItem_ = item("RetrieveDefaultBrowserItem", "Retrieve - Default Browser",
                                       &StatusGridPane::OpenRowAddress);
    popupMenu_->addSeparator();
    copyUrlItem_ = item("CopyUrlItem", "Copy URL", &StatusGridPane::CopyRowAddress);
    popupMenu_->addSeparator();
    saveRowAsItem_ = item("SaveRowAsItem", "Save As..", &StatusGridPane::SaveRowFileAs);
    deleteRowItem_ = item("DeleteRowItem", "Delete", &StatusGridPane::DeleteRowFile);
    // The menu hides before its item's command runs: the row is let go only after that.
    connect(
        popupMenu_, &QMenu::aboutToHide, this, [this] { gridMenuRow_ = 0; }, Qt::QueuedConnection);
}

void StatusGridPane::SetShown(bool shown) {
    grid_->setVisible(shown);
}

bool StatusGridPane::Shown() const {
    return !grid_->isHidden();
}

void StatusGridPane::SetColumnWidth(int column, int width) {
    grid_->setColumnWidth(column, width);
}

void StatusGridPane::FlushRows() {
    rows_->Flush();
}

void StatusGridPane::FollowSelection() {
    // The row may be new: the model learns of it first.
    rows_->Flush();
    ShowSelectedRow(GridFollowsSelection());
}

bool StatusGridPane::GridFollowsSelection() const {
    return !state_.Running() || gridFollows_;
}

void StatusGridPane::ShowSelectedRow(bool scrollToRow) {
    const int row = state_.View.SelectedRow();
    if (grid_->Row() != row) grid_->SetRow(row, scrollToRow);
    grid_->viewport()->update();
}

void StatusGridPane::ShowRowFailure(int row) {
    SessionView& view = state_.View;
    const std::string& failure = view.RowFailure(row);
    if (!failure.empty())
        view.SetMessageLabel(failure);
    else if (!view.MessageLabel().empty() && view.MessageLabel() == shownFailure_)
        view.SetMessageLabel("");
    shownFailure_ = failure;
}

int StatusGridPane::GridRow() const {
    const int row = state_.View.SelectedRow();
    return row >= 1 && row < state_.View.GridRowCount() ? row : 0;
}

int StatusGridPane::CommandRow() const {
    if (gridMenuRow_ >= 1 && gridMenuRow_ < state_.View.GridRowCount()) return gridMenuRow_;
    return GridRow();
}

void StatusGridPane::OpenGridMenu(const QPoint& at) {
    const QModelIndex index = grid_->indexAt(at);
    if (index.isValid()) state_.View.SelectRow(index.row() + 1);
    gridMenuRow_ = GridRow();
    UpdateGridMenu();
    popupMenu_->popup(grid_->viewport()->mapToGlobal(at));
}

std::string StatusGridPane::RowLocalName() {
    return ::RowLocalName(state_.View, CommandRow(), state_);
}

std::string StatusGridPane::RowAddress() {
    return ::RowAddress(state_.View, CommandRow(), state_);
}

void StatusGridPane::UpdateGridMenu() {
    const GridPopupState enabling = GridPopupEnabling(state_.View, CommandRow(), state_);
    openDefaultViewerItem_->setEnabled(enabling.FileItems);
    saveRowAsItem_->setEnabled(enabling.FileItems);
    deleteRowItem_->setEnabled(enabling.FileItems);
    retrieveDefaultBrowserItem_->setEnabled(enabling.AddressItems);
    copyUrlItem_->setEnabled(enabling.AddressItems);
}

void StatusGridPane::OpenRowFile() {
    const std::string path = RowLocalPath(state_.View, CommandRow(), state_);
    ShellOpen(path, path, {}, 1);
}

void StatusGridPane::OpenRowAddress() {
    const std::string address = RowAddress();
    ShellOpen(address, address, {}, 2);
}

void StatusGridPane::CopyRowAddress() {
    QApplication::clipboard()->setText(QString::fromStdString(RowAddress()));
}

void StatusGridPane::SaveRowFileAs() {
    const std::string name = RowLocalName();
    const std::string source = ProjectFilePath(state_, name);
    const std::string extension = FileExtension(name);
    // The dialog opens in the project folder.
    if (!state_.ProjectFolder.empty())
        QDir::setCurrent(QString::fromStdString(state_.ProjectFolder));
    const auto chosen = prompts_.SaveFileName("Save \"" + source + "\" As ..",
                                              extension + "|*" + extension + "|", source);
    if (!chosen || chosen->empty()) return;
    std::error_code ec;
    fs::copy_file(source, CompleteSaveName(*chosen, extension),
                  fs::copy_options::overwrite_existing, ec);
}

void StatusGridPane::DeleteRowFile() {
    const int row = CommandRow();
    if (row == 0) return;
    const std::string path = RowLocalPath(state_.View, row, state_);
    if (prompts_.Message("Are you sure you want to delete \"" + path + "\"?", Kind::Confirmation,
                         Buttons::YesNo) != Answer::Yes)
        return;
    // A row is marked deleted only when its file is really gone; otherwise the reason is shown.
    const std::string failure = RemoveFile(path);
    if (!failure.empty()) {
        prompts_.Message("Cannot delete \"" + path + "\": " + failure, Kind::Error, Buttons::Ok);
        return;
    }
    state_.View.SetRowAddress(row, MarkDeleted(state_.View.Row(row).Address));
    emit RowFileDeleted();
}
