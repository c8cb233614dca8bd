#include "core/TextIndex.h"

#include <functional>

namespace {

std::uint64_t HashOf(std::string_view text) {
    return std::hash<std::string_view>{}(text);
}

}  // namespace

std::string_view TextIndex::Text(std::uint32_t number) const {
    return std::string_view(bytes_).substr(starts_[number], starts_[number + 1] - starts_[number]);
}

std::size_t TextIndex::Slot(std::string_view text, std::uint64_t hash) const {
    const std::size_t mask = slots_.size() - 1;
    const std::uint64_t high = hash >> 32;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const std::uint64_t slot = slots_[i];
        if (slot == 0) return i;
        if ((slot >> 32) == high && Text(static_cast<std::uint32_t>(slot) - 1) == text) return i;
    }
}

std::uint32_t TextIndex::Find(std::string_view text) const {
    if (slots_.empty()) return kAbsent;
    const std::uint64_t slot = slots_[Slot(text, HashOf(text))];
    return slot == 0 ? kAbsent : static_cast<std::uint32_t>(slot) - 1;
}

std::uint32_t TextIndex::Add(std::string_view text) {
    if (2 * (Count() + 1) > slots_.size()) Grow();
    const std::uint32_t number = static_cast<std::uint32_t>(Count());
    const std::uint64_t hash = HashOf(text);
    slots_[Slot(text, hash)] = (hash >> 32 << 32) | (number + 1);
    bytes_.append(text);
    starts_.push_back(static_cast<std::uint32_t>(bytes_.size()));
    return number;
}

void TextIndex::Grow() {
    std::vector<std::uint64_t> old;
    old.swap(slots_);
    slots_.assign(old.empty() ? 64 : old.size() * 2, 0);
    const std::size_t mask = slots_.size() - 1;
    for (std::uint64_t slot : old) {
        if (slot == 0) continue;
        // The hash's low half is not kept: it is worked out again from the text.
        const std::uint64_t hash = HashOf(Text(static_cast<std::uint32_t>(slot) - 1));
        std::size_t i = hash & mask;
        while (slots_[i] != 0) i = (i + 1) & mask;
        slots_[i] = slot;
    }
}
