#pragma once

#include <charconv>
#include <concepts>
#include <optional>
#include <string>
#include <string_view>

// Whole numbers that a person types (the New Session dialog's fields, the command line's
// values) are read here once, and kept as numbers from then on.

// The number a whole text spells in decimal: an optional "+" or "-", then digits, nothing before
// or after them, and within the range of Integer. Nothing for any other text: "", "12x", " 12",
// "+-1", or "99999999999" read as an int.
template <std::integral Integer>
std::optional<Integer> ParseInteger(std::string_view text) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (text.empty() || text.front() < '0' || text.front() > '9') return std::nullopt;
    }
    Integer value{};
    const char* last = text.data() + text.size();
    const auto [end, error] = std::from_chars(text.data(), last, value);
    if (text.empty() || error != std::errc() || end != last) return std::nullopt;
    return value;
}

// What the program says of a text that should have been a whole number:
// "'x1' is not a valid integer value".
std::string NotIntegerMessage(std::string_view text);
