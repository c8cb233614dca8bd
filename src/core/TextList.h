#pragma once

#include <cstddef>
#include <string>
#include <unordered_set>
#include <vector>

// An ordered list of texts with a constant-time membership test that ignores ASCII case.
// The session's duplicate tests (KnownFiles, SiteFolders) ask "is this path already here?"
// once per link found; a linear search would make a large site quadratic.
class FoldedTextList {
public:
    const std::vector<std::string>& Items() const { return items_; }
    std::size_t Count() const { return items_.size(); }
    bool Empty() const { return items_.empty(); }
    const std::string& operator[](std::size_t i) const { return items_[i]; }

    // Appends the text (duplicates are allowed in the list, as in the original lists).
    void Add(const std::string& text);
    bool Contains(const std::string& text) const;
    void Clear();

private:
    std::vector<std::string> items_;
    std::unordered_set<std::string> folded_;
};
