#include "sessionfile/SessionRows.h"

#include <charconv>
#include <string_view>
#include <utility>

namespace {

// The state words of the file; they never change, whatever the views show.
constexpr std::pair<FileState, std::string_view> StateWords[] = {
    {FileState::None, ""},
    {FileState::Initiated, "Initiated.."},
    {FileState::Transferring, "Transferring.."},
    {FileState::Retrying, "Retrying.."},
    {FileState::Retrieving, "Retrieving.."},
    {FileState::Complete, "Complete"},
    {FileState::Ignored, "Ignored"},
};

constexpr std::string_view UnknownCountWord = "Unknown";

std::string CountText(std::int64_t count) {
    if (count == NoByteCount) return {};
    if (count == UnknownByteCount) return std::string(UnknownCountWord);
    return std::to_string(count);
}

// A whole non-negative number, or nothing.
template <typename Number>
bool ParseCount(const std::string& text, Number& value) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && value >= 0;
}

std::int64_t CountFromText(const std::string& text) {
    if (text == UnknownCountWord) return UnknownByteCount;
    std::int64_t value = 0;
    return ParseCount(text, value) ? value : NoByteCount;
}

}  // namespace

SessionRowCells SessionRowText(const FileRow& row) {
    std::string state;
    for (const auto& [known, word] : StateWords)
        if (known == row.State) state = word;
    return {row.Number > 0 ? std::to_string(row.Number) : std::string(), row.Address,
            CountText(row.Total), CountText(row.Transferred), std::move(state)};
}

FileRow SessionRowFromText(const SessionRowCells& cells) {
    FileRow row;
    int number = 0;
    if (ParseCount(cells[0], number)) row.Number = number;
    row.Address = cells[1];
    row.Total = CountFromText(cells[2]);
    row.Transferred = CountFromText(cells[3]);
    for (const auto& [known, word] : StateWords)
        if (word == cells[4]) row.State = known;
    return row;
}
