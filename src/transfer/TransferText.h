#pragma once

#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

// Small text and clock helpers shared by the transfer layer's files.

inline bool StartsWithNoCase(std::string_view s, const char* prefix) {
    const std::size_t n = std::strlen(prefix);
    if (s.size() < n) return false;
    for (std::size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(s[i])) != prefix[i]) return false;
    return true;
}

// The line without its line break and trailing spaces.
inline std::string_view LineWithoutEnd(std::string_view s) {
    while (!s.empty() && (s.back() == '\r' || s.back() == '\n' || s.back() == ' '))
        s.remove_suffix(1);
    return s;
}

inline std::string TrimLineEnd(std::string_view s) {
    return std::string(LineWithoutEnd(s));
}

inline std::int64_t SteadyNowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
