#include "core/TextList.h"

#include <cstdint>

#include "core/Text.h"

namespace {

unsigned char Up(unsigned char c) {
    return (c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c;
}

}  // namespace

std::size_t FoldedTextList::FoldedHash::operator()(std::string_view text) const {
    // FNV-1a over the upper-case bytes.
    std::uint64_t h = 14695981039346656037ull;
    for (char c : text) {
        h ^= Up(static_cast<unsigned char>(c));
        h *= 1099511628211ull;
    }
    return static_cast<std::size_t>(h);
}

bool FoldedTextList::FoldedEqual::operator()(std::string_view a, std::string_view b) const {
    return SameText(a, b);
}

void FoldedTextList::Add(const std::string& text) {
    items_.push_back(text);
    folded_.insert(text);
}

bool FoldedTextList::Contains(std::string_view text) const {
    return folded_.find(text) != folded_.end();
}

void FoldedTextList::Clear() {
    items_.clear();
    folded_.clear();
}
