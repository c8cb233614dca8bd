#include "core/TextList.h"

#include "core/Text.h"

void FoldedTextList::Add(const std::string& text) {
    items_.push_back(text);
    folded_.insert(UpperCase(text));
}

bool FoldedTextList::Contains(const std::string& text) const {
    return folded_.count(UpperCase(text)) != 0;
}

void FoldedTextList::Clear() {
    items_.clear();
    folded_.clear();
}
