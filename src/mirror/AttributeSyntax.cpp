#include "mirror/AttributeSyntax.h"

#include <string>

#include "mirror/TextBytes.h"

namespace mirror {

namespace {

bool IsNonNegativeInteger(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text)
        if (!IsDigit(c)) return false;
    return true;
}

bool IsZeroInteger(std::string_view digits) {
    return digits.find_first_not_of('0') == std::string_view::npos;
}

// -?(digits(.digits)?|.digits)([eE][+-]?digits)?
bool IsFloatingPointNumber(std::string_view text) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    auto digits = [&] {
        const std::size_t start = i;
        while (i < n && IsDigit(text[i])) ++i;
        return i > start;
    };
    if (i < n && text[i] == '-') ++i;
    const bool whole = digits();
    if (i < n && text[i] == '.') {
        ++i;
        if (!digits()) return false;
    } else if (!whole) {
        return false;
    }
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
        if (!digits()) return false;
    }
    return i == n;
}

// The descriptor rules of an image candidate: at most one of a width ("480w", not zero) and a
// density ("1.5x", not negative), and a height ("300h", not zero) only beside a width.
bool ValidDescriptors(const std::vector<std::string_view>& descriptors) {
    bool width = false, density = false, height = false;
    for (std::string_view d : descriptors) {
        const char unit = d.empty() ? '\0' : d.back();
        const std::string_view number = d.substr(0, d.empty() ? 0 : d.size() - 1);
        if (unit == 'w' && IsNonNegativeInteger(number)) {
            if (width || density || IsZeroInteger(number)) return false;
            width = true;
        } else if (unit == 'x' && IsFloatingPointNumber(number)) {
            if (width || density || height || number.front() == '-') return false;
            density = true;
        } else if (unit == 'h' && IsNonNegativeInteger(number)) {
            if (height || density || IsZeroInteger(number)) return false;
            height = true;
        } else {
            return false;
        }
    }
    return !height || width;
}

}  // namespace

std::vector<ValueRange> SrcsetAddresses(std::string_view value) {
    std::vector<ValueRange> out;
    std::vector<std::string_view> descriptors;
    const std::size_t n = value.size();
    std::size_t i = 0;
    for (;;) {
        while (i < n && (IsAsciiSpace(value[i]) || value[i] == ',')) ++i;
        if (i >= n) return out;
        ValueRange url{i, i};
        while (i < n && !IsAsciiSpace(value[i])) ++i;
        url.end = i;
        descriptors.clear();
        if (value[url.end - 1] == ',') {
            while (url.end > url.begin && value[url.end - 1] == ',') --url.end;
        } else {
            // The descriptor tokenizer: white space separates descriptors, a comma ends the
            // candidate unless it stands inside parentheses.
            while (i < n && IsAsciiSpace(value[i])) ++i;
            std::size_t start = i;
            bool inParens = false;
            for (;; ++i) {
                if (i >= n) {
                    if (i > start) descriptors.push_back(value.substr(start, i - start));
                    break;
                }
                const char c = value[i];
                if (inParens) {
                    if (c == ')') inParens = false;
                } else if (IsAsciiSpace(c)) {
                    if (i > start) descriptors.push_back(value.substr(start, i - start));
                    while (i + 1 < n && IsAsciiSpace(value[i + 1])) ++i;
                    start = i + 1;
                } else if (c == ',') {
                    if (i > start) descriptors.push_back(value.substr(start, i - start));
                    ++i;
                    break;
                } else if (c == '(') {
                    inParens = true;
                }
            }
        }
        if (url.end > url.begin && ValidDescriptors(descriptors)) out.push_back(url);
    }
}

bool RefreshAddress(std::string_view content, ValueRange& address) {
    const std::size_t n = content.size();
    std::size_t i = 0;
    while (i < n && IsAsciiSpace(content[i])) ++i;
    const std::size_t timeStart = i;
    while (i < n && IsDigit(content[i])) ++i;
    if (i == timeStart && (i >= n || content[i] != '.')) return false;
    while (i < n && (IsDigit(content[i]) || content[i] == '.')) ++i;
    if (i >= n) return false;
    if (content[i] != ';' && content[i] != ',' && !IsAsciiSpace(content[i])) return false;
    while (i < n && IsAsciiSpace(content[i])) ++i;
    if (i < n && (content[i] == ';' || content[i] == ',')) ++i;
    while (i < n && IsAsciiSpace(content[i])) ++i;
    if (i >= n) return false;
    std::size_t urlStart = i;
    char quote = 0;
    auto lower = [&](std::size_t k) {
        return k < n && content[k] >= 'A' && content[k] <= 'Z' ? static_cast<char>(content[k] + 32)
                                                               : (k < n ? content[k] : '\0');
    };
    if (lower(i) == 'u' && lower(i + 1) == 'r' && lower(i + 2) == 'l') {
        std::size_t k = i + 3;
        while (k < n && IsAsciiSpace(content[k])) ++k;
        if (k < n && content[k] == '=') {
            ++k;
            while (k < n && IsAsciiSpace(content[k])) ++k;
            if (k < n && (content[k] == '"' || content[k] == '\'')) quote = content[k++];
            urlStart = k;
        }
    } else if (content[i] == '"' || content[i] == '\'') {
        quote = content[i];
        urlStart = i + 1;
    }
    std::size_t urlEnd = n;
    if (quote) {
        const std::size_t close = content.find(quote, urlStart);
        if (close != std::string_view::npos) urlEnd = close;
    }
    const ValueRange trimmed = TrimmedAddress(content.substr(urlStart, urlEnd - urlStart));
    address = {urlStart + trimmed.begin, urlStart + trimmed.end};
    return true;
}

ValueRange TrimmedAddress(std::string_view value) {
    std::size_t begin = 0;
    std::size_t end = value.size();
    while (begin < end && static_cast<unsigned char>(value[begin]) <= 0x20) ++begin;
    while (end > begin && static_cast<unsigned char>(value[end - 1]) <= 0x20) --end;
    return {begin, end};
}

}  // namespace mirror
