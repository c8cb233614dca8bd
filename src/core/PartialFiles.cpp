#include "core/PartialFiles.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <filesystem>
#include <optional>
#include <system_error>

namespace {

bool EndsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

bool StartsWith(std::string_view text, std::string_view start) {
    return text.size() >= start.size() && text.substr(0, start.size()) == start;
}

bool IsDigits(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

constexpr std::string_view kPrefix = ".lw#";
constexpr std::string_view kEarlierPrefix = ".lw";
constexpr std::string_view kTransferSuffix = ".lwpart";
constexpr std::string_view kRewriteSuffix = ".tmp";

// The length of the "<process>-<number>" that ends the text; 0 when it does not end so.
std::size_t NumbersAtEnd(std::string_view text) {
    const std::size_t dash = text.rfind('-');
    if (dash == std::string_view::npos || !IsDigits(text.substr(dash + 1))) return 0;
    std::size_t start = dash;
    while (start > 0 && text[start - 1] >= '0' && text[start - 1] <= '9') --start;
    return start == dash ? 0 : text.size() - start;
}

// The process of a "<process>-<number>" text; 0 when it is none or out of range.
pid_t ProcessOf(std::string_view numbers) {
    const std::string_view digits = numbers.substr(0, numbers.find('-'));
    pid_t process = 0;
    const auto [end, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), process);
    if (error != std::errc() || end != digits.data() + digits.size() || process <= 0) return 0;
    return process;
}

// The stem of a temporary name without its suffix; nullopt when it has neither.
std::optional<std::string_view> Stem(std::string_view name, bool* transfer = nullptr) {
    for (const std::string_view suffix : {kTransferSuffix, kRewriteSuffix}) {
        if (!EndsWith(name, suffix)) continue;
        if (transfer) *transfer = suffix == kTransferSuffix;
        return name.substr(0, name.size() - suffix.size());
    }
    return std::nullopt;
}

// The "<process>-<number>" of a temporary name as this version makes them; empty when the name
// is not one.
std::string_view PresentNumbers(std::string_view name) {
    const std::optional<std::string_view> stem = Stem(name);
    if (!stem || !StartsWith(*stem, kPrefix)) return {};
    const std::string_view numbers = stem->substr(kPrefix.size());
    return NumbersAtEnd(numbers) == numbers.size() ? numbers : std::string_view();
}

// The same for the names of earlier versions.
std::string_view EarlierNumbers(std::string_view name) {
    bool transfer = false;
    const std::optional<std::string_view> stem = Stem(name, &transfer);
    if (!stem) return {};
    const std::size_t length = NumbersAtEnd(*stem);
    if (length == 0) return {};
    const std::string_view head = stem->substr(0, stem->size() - length);
    // A transfer's: ".lw" or "<final name>." before the numbers; a rewrite's: ".lw", after the
    // final name when there is one.
    const bool earlier = transfer
                             ? head == kEarlierPrefix || (head.size() > 1 && head.back() == '.')
                             : EndsWith(head, kEarlierPrefix);
    return earlier ? stem->substr(head.size()) : std::string_view();
}

bool IsRunning(pid_t process) {
    // EPERM: it runs, under another account.
    return ::kill(process, 0) == 0 || errno == EPERM;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string NewTemporaryPath(const std::string& finalPath, std::string_view suffix) {
    static std::atomic<unsigned> counter{0};
    // Asked once: the program does not fork, and this runs for every file retrieved.
    static const std::string process = std::to_string(::getpid());
    std::string path = FolderOf(finalPath);
    path += kPrefix;
    path += process;
    path += '-';
    path += std::to_string(counter++);
    path += suffix;
    return path;
}

}  // namespace

std::string NewPartialPath(const std::string& finalPath) {
    return NewTemporaryPath(finalPath, kTransferSuffix);
}

std::string NewReplacementPath(const std::string& finalPath) {
    return NewTemporaryPath(finalPath, kRewriteSuffix);
}

bool IsPartialFileName(std::string_view name) {
    return !PresentNumbers(name).empty();
}

bool IsEarlierPartialFileName(std::string_view name) {
    return !EarlierNumbers(name).empty();
}

pid_t PartialFileProcess(std::string_view name) {
    std::string_view numbers = PresentNumbers(name);
    if (numbers.empty()) numbers = EarlierNumbers(name);
    return numbers.empty() ? 0 : ProcessOf(numbers);
}

namespace {

// Removes the entry when it is a temporary file of this process or of one that has ended.
bool RemoveIfLeftOver(const std::filesystem::directory_entry& entry, bool earlierNames) {
    static const pid_t self = ::getpid();
    std::error_code ec;
    const std::string name = entry.path().filename().string();
    if (!IsPartialFileName(name) && !(earlierNames && IsEarlierPartialFileName(name))) return false;
    if (!entry.is_regular_file(ec)) return false;
    const pid_t owner = PartialFileProcess(name);
    if (owner != 0 && owner != self && IsRunning(owner)) return false;
    return std::filesystem::remove(entry.path(), ec);
}

}  // namespace

int RemovePartialFiles(const std::string& folder) {
    namespace fs = std::filesystem;
    std::error_code ec;
    int removed = 0;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        removed += RemoveIfLeftOver(*it, true);
    return removed;
}

int RemovePartialFilesInTree(const std::string& folder) {
    namespace fs = std::filesystem;
    std::error_code ec;
    int removed = 0;
    // Links to folders are not followed: only what lies below the folder itself.
    for (fs::recursive_directory_iterator
             it(folder, fs::directory_options::skip_permission_denied, ec),
         end;
         !ec && it != end; it.increment(ec))
        removed += RemoveIfLeftOver(*it, false);
    return removed;
}
