#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Numbers texts in the order they are added and finds a text's number again. The index is an
// open table of slots, each with half a text's hash and its number, over one block holding all
// the texts' bytes: a lookup reads one slot, and the text's bytes only when the hash matches.
// Made for tables of many short texts that are looked up far more often than added.
class TextIndex {
  public:
    static constexpr std::uint32_t kAbsent = 0xffffffffu;

    // The text's number, or kAbsent.
    std::uint32_t Find(std::string_view text) const;
    // Gives an absent text the next number (the count before the call) and returns it.
    std::uint32_t Add(std::string_view text);
    std::size_t Count() const { return starts_.size() - 1; }

  private:
    std::size_t Slot(std::string_view text, std::uint64_t hash) const;
    std::string_view Text(std::uint32_t number) const;
    void Grow();

    // The hash's high half in the high half, the number + 1 in the low half; 0 when empty.
    // A power of two of them, at most half in use.
    std::vector<std::uint64_t> slots_;
    std::string bytes_;                         // every text, one after the other
    std::vector<std::uint32_t> starts_ = {0};  // text i is bytes_[starts_[i], starts_[i + 1])
};
