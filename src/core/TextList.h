#pragma once

#include <cstddef>
#include <string>
#include <string_view>
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
    bool Contains(std::string_view text) const;
    void Clear();

private:
  // Hashing and comparing with the case folded on the fly: a lookup copies nothing.
  struct FoldedHash {
      using is_transparent = void;
      std::size_t operator()(std::string_view text) const;
  };
  struct FoldedEqual {
      using is_transparent = void;
      bool operator()(std::string_view a, std::string_view b) const;
  };

    std::vector<std::string> items_;
    std::unordered_set<std::string, FoldedHash, FoldedEqual> folded_;  // one text per folded form
};
