#include "core/TextList.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

constexpr std::uint64_t kBytes = 0x0101010101010101ull;
constexpr std::uint64_t kHighBits = 0x8080808080808080ull;

// Eight bytes with their ASCII lower-case letters made upper-case, all at once: the paths
// looked up are long, and a byte at a time the hash was the scan's largest cost.
std::uint64_t FoldWord(std::uint64_t w) {
    const std::uint64_t low7 = w & ~kHighBits;
    const std::uint64_t atLeastA = low7 + (0x80 - 'a') * kBytes;  // high bit: byte >= 'a'
    const std::uint64_t aboveZ = low7 + (0x80 - 'z' - 1) * kBytes;  // high bit: byte > 'z'
    const std::uint64_t lower = atLeastA & ~aboveZ & ~w & kHighBits;
    return w ^ (lower >> 2);  // 0x80 >> 2 is the case bit 0x20
}

// Word i of the text, the bytes past its end read as zero.
std::uint64_t WordAt(std::string_view text, std::size_t i) {
    std::uint64_t w = 0;
    if (text.size() - i >= 8)
        std::memcpy(&w, text.data() + i, 8);
    else
        std::memcpy(&w, text.data() + i, text.size() - i);
    return w;
}

// The hash of the folded text.
std::uint32_t FoldedHash(std::string_view text) {
    std::uint64_t h = 0x9E3779B97F4A7C15ull ^ text.size();
    for (std::size_t i = 0; i < text.size(); i += 8) {
        h = (h ^ FoldWord(WordAt(text, i))) * 0xBF58476D1CE4E5B9ull;
        h ^= h >> 31;
    }
    h *= 0x94D049BB133111EBull;
    return static_cast<std::uint32_t>(h >> 32);
}

}  // namespace

bool FoldedTextList::SameAsFolded(std::string_view text, std::uint32_t at) const {
    const std::uint64_t* entry = folded_.data() + at;
    if (entry[0] != text.size()) return false;
    for (std::size_t i = 0; i < text.size(); i += 8)
        if (entry[1 + i / 8] != FoldWord(WordAt(text, i))) return false;
    return true;
}

std::size_t FoldedTextList::Slot(std::string_view text, std::uint32_t hash) const {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const std::uint64_t slot = slots_[i];
        if (slot == 0) return i;
        if (static_cast<std::uint32_t>(slot >> 32) == hash &&
            SameAsFolded(text, static_cast<std::uint32_t>(slot) - 1))
            return i;
    }
}

void FoldedTextList::Rebuild(std::size_t slots) {
    std::vector<std::uint64_t> old(slots, 0);
    old.swap(slots_);
    const std::size_t mask = slots - 1;
    for (const std::uint64_t slot : old) {
        if (slot == 0) continue;
        // Every indexed text has another folded form: it only needs a free slot.
        std::size_t i = (slot >> 32) & mask;
        while (slots_[i] != 0) i = (i + 1) & mask;
        slots_[i] = slot;
    }
}

void FoldedTextList::Add(const std::string& text) {
    const std::uint32_t hash = FoldedHash(text);
    items_.push_back(text);
    // At most half the slots in use keeps the probes short.
    if (2 * items_.size() > slots_.size()) Rebuild(slots_.empty() ? 16 : 2 * slots_.size());
    const std::size_t slot = Slot(text, hash);
    // A text whose folded form is indexed already stays out: the first one answers.
    if (slots_[slot] != 0) return;
    const std::size_t at = folded_.size();
    folded_.push_back(text.size());
    for (std::size_t i = 0; i < text.size(); i += 8) folded_.push_back(FoldWord(WordAt(text, i)));
    slots_[slot] = (std::uint64_t{hash} << 32) | static_cast<std::uint32_t>(at + 1);
}

bool FoldedTextList::Contains(std::string_view text) const {
    if (slots_.empty()) return false;
    return slots_[Slot(text, FoldedHash(text))] != 0;
}

void FoldedTextList::Clear() {
    items_.clear();
    slots_.clear();
    folded_.clear();
}
