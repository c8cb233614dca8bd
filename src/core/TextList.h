#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// An ordered list of texts with a constant-time membership test that ignores ASCII case.
// The session's duplicate tests (KnownFiles, SiteFolders) ask "is this path already here?"
// once per link found; a linear search would make a large site quadratic.
//
// The index is an open table of slots, each with half a text's hash and the place of its
// folded form in one block of words: a lookup reads one slot, and one short run of words only
// when the hash matches.
class FoldedTextList {
public:
    const std::vector<std::string>& Items() const { return items_; }
    std::size_t Count() const { return items_.size(); }
    bool Empty() const { return items_.empty(); }
    const std::string& operator[](std::size_t i) const { return items_[i]; }

    // Appends the text (duplicates are allowed in the list, as in the original lists).
    void Add(const std::string& text);
    bool Contains(std::string_view text) const;
    void Clear();

private:
    // The slot that holds a text of the same folded form, or the empty slot where it would go.
    std::size_t Slot(std::string_view text, std::uint32_t hash) const;
    bool SameAsFolded(std::string_view text, std::uint32_t at) const;
    void Rebuild(std::size_t slots);

    std::vector<std::string> items_;
    // The hash of the folded text in the high half, the place of its folded form in folded_ + 1
    // in the low half; 0 when empty. A power of two of them.
    std::vector<std::uint64_t> slots_;
    // Each indexed text as its length, then its folded bytes eight to a word (zero-filled).
    std::vector<std::uint64_t> folded_;
};
