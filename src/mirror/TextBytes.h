#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Byte-level text helpers the page, style sheet and address readers share. Pages and style
// sheets compare their keywords without regard to ASCII case, and never by the locale.
namespace mirror {

constexpr bool IsAsciiSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}
constexpr bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
constexpr bool IsAsciiAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
constexpr bool IsAsciiAlphanumeric(char c) {
    return IsDigit(c) || IsAsciiAlpha(c);
}
constexpr char ToLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}
// The value of a hexadecimal digit, or -1.
constexpr int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// `lower` is in lower case already.
constexpr bool EqualsFolded(std::string_view text, std::string_view lower) {
    if (text.size() != lower.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (ToLower(text[i]) != lower[i]) return false;
    return true;
}
constexpr bool EndsWithFolded(std::string_view text, std::string_view lower) {
    return text.size() >= lower.size() &&
           EqualsFolded(text.substr(text.size() - lower.size()), lower);
}
constexpr bool StartsWithFolded(std::string_view text, std::size_t at, std::string_view lower) {
    return at <= text.size() && text.size() - at >= lower.size() &&
           EqualsFolded(text.substr(at, lower.size()), lower);
}

// A byte written as "%XX", upper-case hexadecimal as addresses are normalised.
inline void AppendPercentEscape(unsigned char byte, std::string& out) {
    constexpr char kHex[] = "0123456789ABCDEF";
    out += '%';
    out += kHex[byte >> 4];
    out += kHex[byte & 15];
}

inline void AppendUtf8(std::uint32_t code, std::string& out) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

}  // namespace mirror
