#include "widgets/PageHistory.h"

#include "core/Text.h"

void PageHistory::Visit(const std::string& page) {
    for (std::size_t i = 0; i < entries_.size(); ++i)
        if (ignoreCase_ ? SameText(entries_[i], page) : entries_[i] == page) {
            index_ = static_cast<int>(i);
            return;
        }
    if (index_ < static_cast<int>(entries_.size()) - 1)
        entries_.resize(static_cast<std::size_t>(index_ + 1));
    entries_.push_back(page);
    index_ = static_cast<int>(entries_.size()) - 1;
}

void PageHistory::Clear() {
    entries_.clear();
    index_ = -1;
}

std::string PageHistory::At(int step) const {
    const int at = index_ + step;
    return at >= 0 && at < static_cast<int>(entries_.size())
               ? entries_[static_cast<std::size_t>(at)]
               : std::string();
}
