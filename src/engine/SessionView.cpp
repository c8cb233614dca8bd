#include "engine/SessionView.h"

const FileRow& SessionView::Row(int row) const {
    static const FileRow empty;
    if (row < 1 || row >= GridRowCount()) return empty;
    return rows_[static_cast<std::size_t>(row)];
}

void SessionView::SetRow(int row, FileRow fileRow) {
    ChangeRow(row, [&fileRow](FileRow& target) { target = std::move(fileRow); });
}

void SessionView::SetRowAddress(int row, std::string address) {
    ChangeRow(row, [&address](FileRow& target) { target.Address = std::move(address); });
}

void SessionView::SetGridRowCount(int count) {
    if (count < 1) count = 1;
    if (count == GridRowCount()) return;
    rows_.resize(static_cast<std::size_t>(count));
    emit GridRowCountChanged(count);
}

void SessionView::ClearDataRows() {
    if (GridRowCount() < 2) return;
    for (std::size_t r = 1; r < rows_.size(); ++r) rows_[r] = FileRow{};
    emit GridCellsChanged(1, GridRowCount() - 1);
}

void SessionView::SetRowFailure(int row, const std::string& text) {
    if (row < 1 || row >= GridRowCount()) return;
    rows_[static_cast<std::size_t>(row)].Failure = text;
    emit GridCellsChanged(row, row);
}

void SessionView::SelectRow(int row) {
    if (row == selectedRow_) return;
    selectedRow_ = row;
    emit GridSelectionChanged(row);
}

void SessionView::SetLowerStatusBar(int panel, const std::string& text) {
    std::string& slot = lowerStatusBar_.at(static_cast<std::size_t>(panel));
    if (slot == text) return;
    slot = text;
    emit StatusTextsChanged();
}

void SessionView::SetUpperStatusBar(int panel, const std::string& text) {
    std::string& slot = upperStatusBar_.at(static_cast<std::size_t>(panel));
    if (slot == text) return;
    slot = text;
    emit StatusTextsChanged();
}

void SessionView::SetMessageLabel(const std::string& text) {
    if (message_ == text) return;
    message_ = text;
    emit MessageChanged();
}

void SessionView::SetMessageLabelRed(bool red) {
    if (messageRed_ == red) return;
    messageRed_ = red;
    emit MessageChanged();
}

void SessionView::SetThreadCountLabel(const std::string& text) {
    if (threadRunning_ == text) return;
    threadRunning_ = text;
    emit ThreadRunningChanged();
}

void SessionView::SetCaption(const std::string& text) {
    if (caption_ == text) return;
    caption_ = text;
    emit CaptionChanged();
}

void SessionView::ClearSiteTree() {
    hasRoot_ = false;
    rootText_.clear();
    children_.clear();
    emit SiteTreeChanged();
}

void SessionView::SetSiteRoot(const std::string& text) {
    hasRoot_ = true;
    rootText_ = text;
    emit SiteTreeChanged();
}

void SessionView::AddSiteChild(const std::string& text) {
    children_.push_back(text);
    emit SiteTreeChanged();
}

void SessionView::SetButtons(const ButtonStates& states) {
    if (buttons_ == states) return;
    buttons_ = states;
    emit ButtonsChanged();
}

void SessionView::EnableSaveAsBtn() {
    if (saveAsEnabled_) return;
    saveAsEnabled_ = true;
    emit ButtonsChanged();
}

void SessionView::SetListedFolder(const std::string& folder) {
    if (listedFolder_ == folder) return;
    listedFolder_ = folder;
    emit ListedFolderChanged();
}
