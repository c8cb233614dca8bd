#include "mirror/CharacterReferences.h"

#include <algorithm>
#include <iterator>

#include "mirror/TextBytes.h"

namespace mirror {

namespace {

struct NamedReference {
    std::string_view name;
    std::string_view text;
};

constexpr NamedReference kNamedReferences[] = {
#include "mirror/NamedCharacterReferences.inc"
};

// The longest name is 32 bytes with its ";"; the old names without ";" are at most 6.
constexpr std::size_t kLongestName = 32;
constexpr std::size_t kLongestOldName = 6;

const NamedReference* FindNamed(std::string_view name) {
    const auto* end = std::end(kNamedReferences);
    const auto* it = std::lower_bound(
        std::begin(kNamedReferences), end, name,
        [](const NamedReference& entry, std::string_view key) { return entry.name < key; });
    return it != end && it->name == name ? it : nullptr;
}

// Numeric references to the C1 controls 0x80-0x9F stand for the characters of windows-1252,
// as the pages that wrote them meant; 0 means the code point is kept.
constexpr std::uint16_t kC1Replacements[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

std::uint32_t NumericReferenceCode(std::uint32_t value) {
    if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0xFFFD;
    if (value >= 0x80 && value <= 0x9F && kC1Replacements[value - 0x80] != 0)
        return kC1Replacements[value - 0x80];
    return value;
}

// Reads the reference that starts with the "&" at raw[at]. Appends its text and returns the
// number of bytes it took, or 0 when there is no reference there (the "&" stands for itself).
std::size_t DecodeReferenceAt(std::string_view raw, std::size_t at, ReferenceContext context,
                              std::string& out) {
    const std::size_t n = raw.size();
    std::size_t p = at + 1;
    if (p < n && raw[p] == '#') {
        ++p;
        const bool hex = p < n && (raw[p] == 'x' || raw[p] == 'X');
        if (hex) ++p;
        const std::size_t digits = p;
        std::uint32_t value = 0;
        for (; p < n; ++p) {
            const int d =
                hex ? HexValue(raw[p]) : (raw[p] >= '0' && raw[p] <= '9' ? raw[p] - '0' : -1);
            if (d < 0) break;
            // Past the last code point the exact value no longer matters.
            value = std::min<std::uint32_t>(value * (hex ? 16 : 10) + static_cast<std::uint32_t>(d),
                                            0x110000);
        }
        if (p == digits) return 0;
        if (p < n && raw[p] == ';') ++p;
        AppendUtf8(NumericReferenceCode(value), out);
        return p - at;
    }
    std::size_t run = 0;
    while (p + run < n && run <= kLongestName && IsAsciiAlphanumeric(raw[p + run])) ++run;
    if (run == 0) return 0;
    if (run < kLongestName && p + run < n && raw[p + run] == ';') {
        // The names with ";" are looked up with it; a small buffer keeps this allocation-free.
        char name[kLongestName + 1];
        raw.copy(name, run, p);
        name[run] = ';';
        if (const NamedReference* found = FindNamed(std::string_view(name, run + 1))) {
            out += found->text;
            return run + 2;
        }
    }
    for (std::size_t length = std::min(run, kLongestOldName); length >= 2; --length) {
        const NamedReference* found = FindNamed(raw.substr(p, length));
        if (!found) continue;
        const std::size_t next = p + length;
        if (context == ReferenceContext::Attribute && next < n &&
            (raw[next] == '=' || IsAsciiAlphanumeric(raw[next])))
            return 0;
        out += found->text;
        return length + 1;
    }
    return 0;
}

template <bool kOffsets>
void Decode(std::string_view raw, ReferenceContext context, std::string& out,
            std::vector<std::uint32_t>* offsets) {
    const std::size_t n = raw.size();
    auto mark = [&](std::size_t from, std::size_t count) {
        if constexpr (kOffsets)
            offsets->insert(offsets->end(), count, static_cast<std::uint32_t>(from));
    };
    std::size_t i = 0;
    while (i < n) {
        std::size_t j = i;
        while (j < n && raw[j] != '&' && raw[j] != '\r' && raw[j] != '\0') ++j;
        out.append(raw.data() + i, j - i);
        if constexpr (kOffsets)
            for (std::size_t k = i; k < j; ++k) offsets->push_back(static_cast<std::uint32_t>(k));
        if (j == n) break;
        const std::size_t before = out.size();
        if (raw[j] == '\r') {
            out += '\n';
            i = j + (j + 1 < n && raw[j + 1] == '\n' ? 2 : 1);
        } else if (raw[j] == '\0') {
            out += "\xEF\xBF\xBD";
            i = j + 1;
        } else {
            const std::size_t taken = DecodeReferenceAt(raw, j, context, out);
            if (taken == 0) out += '&';
            i = j + (taken == 0 ? 1 : taken);
        }
        mark(j, out.size() - before);
    }
    if constexpr (kOffsets) offsets->push_back(static_cast<std::uint32_t>(n));
}

}  // namespace

bool NeedsDecoding(std::string_view raw) {
    for (const char c : raw)
        if (c == '&' || c == '\r' || c == '\0') return true;
    return false;
}

void AppendDecoded(std::string_view raw, ReferenceContext context, std::string& out) {
    Decode<false>(raw, context, out, nullptr);
}

std::string DecodeCharacterReferences(std::string_view raw, ReferenceContext context) {
    std::string out;
    out.reserve(raw.size());
    Decode<false>(raw, context, out, nullptr);
    return out;
}

void DecodeWithOffsets(std::string_view raw, ReferenceContext context, std::string& decoded,
                       std::vector<std::uint32_t>& rawOffsets) {
    decoded.clear();
    rawOffsets.clear();
    decoded.reserve(raw.size());
    rawOffsets.reserve(raw.size() + 1);
    Decode<true>(raw, context, decoded, &rawOffsets);
}

}  // namespace mirror
