#include "core/Text.h"

namespace {
char FoldUp(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
char FoldDown(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
}  // namespace

std::string UpperCase(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = FoldUp(c);
    return out;
}

std::string LowerCase(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = FoldDown(c);
    return out;
}

bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (FoldUp(a[i]) != FoldUp(b[i])) return false;
    return true;
}

bool StartsWithText(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && SameText(text.substr(0, prefix.size()), prefix);
}

bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

std::string ReplaceChar(std::string_view text, char a, char b) {
    std::string out(text);
    for (char& c : out)
        if (c == a) c = b;
    return out;
}

std::string ToBackslashes(std::string_view text) { return ReplaceChar(text, '/', '\\'); }
std::string ToForwardSlashes(std::string_view text) { return ReplaceChar(text, '\\', '/'); }
