#include "sessionfile/SessionText.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <system_error>

#include "core/Text.h"
#include "core/FileBytes.h"

namespace {

constexpr std::uint16_t FirstKey = 0x2A71;

std::uint16_t NextKey(std::uint16_t key, unsigned char scrambled) {
    return static_cast<std::uint16_t>((key + scrambled) * 0x9D43u + 0x5C1Bu);
}

void AppendLine(std::string& out, std::string_view text) {
    const std::size_t start = out.size();
    out.append(text);
    for (std::size_t i = start; i < out.size(); ++i)
        if (out[i] == '\r' || out[i] == '\n') out[i] = ' ';
    out.append("\r\n");
}

// The position after the line break at p: CR LF, LF or CR.
std::size_t LineEnd(std::string_view text, std::size_t p) {
    if (p >= text.size()) return p;
    if (text[p++] == '\n') return p;
    if (p < text.size() && text[p] == '\n') ++p;  // the LF of CR LF
    return p;
}

// A line as an error message may quote it: any file can be offered as a session file, so the line
// may be long and hold any bytes. The first 40 bytes at most, unprintable ones as \xNN.
std::string PrintableExcerpt(std::string_view line) {
    constexpr std::size_t Longest = 40;
    static const char* const Hex = "0123456789ABCDEF";
    std::string out;
    for (std::size_t i = 0; i < line.size() && i < Longest; ++i) {
        const auto c = static_cast<unsigned char>(line[i]);
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            out += "\\x";
            out += Hex[c >> 4];
            out += Hex[c & 15];
        }
    }
    if (line.size() > Longest) out += "...";
    return out;
}

// Hands out the stored lines one by one; running out is a damaged file.
class LineReader {
public:
    explicit LineReader(std::string_view text) : text_(text) {}

    std::string Next() {
        if (pos_ >= text_.size())
            throw SessionFileError("the file ends at line " + std::to_string(line_) +
                                    ", before the session's record is complete");
        std::size_t end = pos_;
        while (end < text_.size() && text_[end] != '\r' && text_[end] != '\n') ++end;
        std::string line(text_.substr(pos_, end - pos_));
        pos_ = LineEnd(text_, end);
        ++line_;
        return line;
    }

    bool AtEnd() const { return pos_ >= text_.size(); }
    // The number of the line Next hands out next.
    std::size_t LineNumber() const { return line_; }
    // The next line without taking it.
    std::string_view Peek() const {
        std::size_t end = pos_;
        while (end < text_.size() && text_[end] != '\r' && text_[end] != '\n') ++end;
        return text_.substr(pos_, end - pos_);
    }

    std::size_t Count() {
        const std::size_t at = line_;
        const std::string text = Next();
        std::size_t value = 0;
        const char* first = text.data();
        const char* last = first + text.size();
        const auto result = std::from_chars(first, last, value);
        if (text.empty() || result.ec != std::errc() || result.ptr != last || text[0] == '+' ||
            text[0] == '-')
            throw SessionFileError("line " + std::to_string(at) + " should hold a count, but '" +
                                    PrintableExcerpt(text) + "' is not a valid integer value");
        return value;
    }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
    std::size_t line_ = 1;
};

// Whether a path read from the file, relative to the project folder, stays inside it. The
// windows open, save and delete what such a path names, and a file that came from elsewhere
// must not lead them to the system's files. The copy itself never writes an empty segment
// other than a folder's last, a "." or ".." segment (its layout spells those "%2E"), or a path
// from the root.
bool StaysInProject(std::string_view path, bool folder) {
    if (path.empty() || path.front() == '/' || path.find('\0') != std::string_view::npos)
        return false;
    for (std::size_t begin = 0; begin <= path.size();) {
        const std::size_t slash = std::min(path.find('/', begin), path.size());
        const std::string_view segment = path.substr(begin, slash - begin);
        if (segment == "." || segment == "..") return false;
        if (segment.empty() && !(folder && slash == path.size())) return false;
        begin = slash + 1;
    }
    return true;
}

void RequireInProject(std::string_view path, bool folder, std::size_t line) {
    if (StaysInProject(path, folder)) return;
    throw SessionFileError("line " + std::to_string(line) + " names '" + PrintableExcerpt(path) +
                           "', which is not a " + (folder ? "folder" : "file") +
                           " inside the project folder");
}

// A project folder that is the root of the file system would make every row's file one of the
// system's.
void RequireProjectFolder(const std::string& folder) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path absolute = fs::absolute(fs::path(folder), ec);
    if (folder.empty() || ec) return;
    const fs::path normal = absolute.lexically_normal();
    if (normal != normal.root_path()) return;
    throw SessionFileError("line 2 names '" + PrintableExcerpt(folder) +
                           "' as the project folder, the root of the file system");
}

}  // namespace

std::string FormatSessionText(const SessionRecord& record) {
    return FormatSessionText(record, record.Rows.size(),
                             [&record](std::size_t row) -> const std::array<std::string, 5>& {
                                 return record.Rows[row];
                             });
}

std::string FormatSessionText(
    const SessionRecord& record, std::size_t rowCount,
    const std::function<const std::array<std::string, 5>&(std::size_t row)>& rowAt) {
    std::string out;
    out.reserve(256 + rowCount * 64);
    AppendLine(out, SessionFileHeader);
    AppendLine(out, record.ProjectFolder);
    if (record.SiteFolders.empty()) {
        AppendLine(out, "1");
        AppendLine(out, "");
    } else {
        AppendLine(out, std::to_string(record.SiteFolders.size()));
        for (const std::string& folder : record.SiteFolders) AppendLine(out, folder);
    }
    AppendLine(out, std::to_string(rowCount));
    for (std::size_t r = 0; r < rowCount; ++r)
        for (const std::string& cell : rowAt(r)) AppendLine(out, cell);
    AppendLine(out, record.StartedText);
    for (const std::string& text : record.Statistics) AppendLine(out, text);
    if (record.Settings.CompleteCopy) {
        AppendLine(out, CompleteCopyMark);
        AppendLine(out, record.StartAddress);
        AppendLine(out, std::to_string(record.MirrorFiles.size()));
        for (const auto& [address, path] : record.MirrorFiles) {
            AppendLine(out, address);
            AppendLine(out, path);
        }
    }
    return out;
}

SessionRecord ParseSessionText(std::string_view text) {
    LineReader lines(text);
    SessionRecord record;
    lines.Next();  // the header
    record.ProjectFolder = lines.Next();
    RequireProjectFolder(record.ProjectFolder);
    const std::size_t folders = lines.Count();
    record.SiteFolders.push_back(lines.Next());  // the root is read whatever the count says
    for (std::size_t i = 1; i < folders; ++i) record.SiteFolders.push_back(lines.Next());
    const std::size_t rows = lines.Count();
    for (std::size_t r = 0; r < rows; ++r) {
        std::array<std::string, 5> row;
        for (std::string& cell : row) cell = lines.Next();
        record.Rows.push_back(std::move(row));
    }
    record.StartedText = lines.Next();
    for (std::string& statistic : record.Statistics) statistic = lines.Next();
    if (lines.AtEnd() || lines.Peek() != CompleteCopyMark) return record;
    lines.Next();
    record.Settings.CompleteCopy = true;
    // A complete copy's site folders are folders of the project (the first is the site root).
    constexpr std::size_t FirstSiteFolderLine = 4;
    for (std::size_t i = 1; i < record.SiteFolders.size(); ++i)
        RequireInProject(record.SiteFolders[i], true, FirstSiteFolderLine + i);
    record.StartAddress = lines.Next();
    const std::size_t files = lines.Count();
    for (std::size_t f = 0; f < files; ++f) {
        std::string address = lines.Next();
        const std::size_t line = lines.LineNumber();
        std::string path = lines.Next();
        RequireInProject(path, false, line);
        record.MirrorFiles.emplace_back(std::move(address), std::move(path));
    }
    return record;
}

std::vector<std::string_view> SessionTextLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = pos;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
        lines.push_back(text.substr(pos, end - pos));
        pos = LineEnd(text, end);
    }
    return lines;
}

std::string ScrambleText(std::string_view plain) {
    std::string out(plain);
    ScrambleInPlace(out);
    return out;
}

void ScrambleInPlace(std::string& text) {
    std::uint16_t key = FirstKey;
    for (char& byte : text) {
        const auto c = static_cast<unsigned char>(static_cast<unsigned char>(byte) ^ (key >> 8));
        byte = static_cast<char>(c);
        key = NextKey(key, c);
    }
}

std::string UnscrambleText(std::string_view scrambled) {
    std::string out(scrambled.size(), '\0');
    std::uint16_t key = FirstKey;
    for (std::size_t i = 0; i < scrambled.size(); ++i) {
        const auto c = static_cast<unsigned char>(scrambled[i]);
        out[i] = static_cast<char>(c ^ (key >> 8));
        key = NextKey(key, c);
    }
    return out;
}

void ScrambleFile(const std::string& path) {
    ReplaceFileBytes(path, ScrambleText(ReadFileBytes(path)), true);
}

void UnscrambleFile(const std::string& path) {
    ReplaceFileBytes(path, UnscrambleText(ReadFileBytes(path)), true);
}

std::string SiteBaseFromRoot(std::string_view root) {
    const std::string_view scheme = StartsWithText(root, "https://") ? "https://" : "http://";
    std::string base(scheme);
    if (root.size() <= scheme.size()) return base;
    const std::size_t slash = root.find('/', scheme.size());
    if (slash == std::string_view::npos) return base;
    base.append(root.substr(scheme.size(), slash + 1 - scheme.size()));
    return base;
}
