#include "core/PartialFiles.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <filesystem>
#include <system_error>

namespace {

bool EndsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

bool IsDigits(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

// "<process>-<number>" at the end of the text: the process, or 0 when the text does not end so.
pid_t ProcessOfTail(std::string_view text) {
    const std::size_t dash = text.rfind('-');
    if (dash == std::string_view::npos || !IsDigits(text.substr(dash + 1))) return 0;
    const std::string_view head = text.substr(0, dash);
    std::size_t start = head.size();
    while (start > 0 && head[start - 1] >= '0' && head[start - 1] <= '9') --start;
    pid_t process = 0;
    const auto [end, error] =
        std::from_chars(head.data() + start, head.data() + head.size(), process);
    if (error != std::errc() || end != head.data() + head.size() || process <= 0) return 0;
    return process;
}

// The part of the name between the ".lw" and ".tmp" of a rewrite's temporary file; empty when
// the name is not one.
std::string_view RewriteNumbers(std::string_view name) {
    if (!EndsWith(name, ".tmp")) return {};
    const std::string_view stem = name.substr(0, name.size() - 4);
    const std::size_t lw = stem.rfind(".lw");
    if (lw == std::string_view::npos) return {};
    return stem.substr(lw + 3);
}

bool IsRunning(pid_t process) {
    // EPERM: it runs, under another account.
    return ::kill(process, 0) == 0 || errno == EPERM;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string NewTemporaryPath(const std::string& finalPath, const char* suffix) {
    static std::atomic<unsigned> counter{0};
    // Asked once: the program does not fork, and this runs for every file retrieved.
    static const std::string process = std::to_string(::getpid());
    return FolderOf(finalPath) + ".lw" + process + "-" + std::to_string(counter++) + suffix;
}

}  // namespace

std::string NewPartialPath(const std::string& finalPath) {
    return NewTemporaryPath(finalPath, ".lwpart");
}

std::string NewReplacementPath(const std::string& finalPath) {
    return NewTemporaryPath(finalPath, ".tmp");
}

bool IsPartialFileName(std::string_view name) {
    if (EndsWith(name, ".lwpart")) return true;
    // ".lw" + process + "-" + number + ".tmp"
    const std::string_view numbers = RewriteNumbers(name);
    const std::size_t dash = numbers.find('-');
    return dash != std::string_view::npos && IsDigits(numbers.substr(0, dash)) &&
           IsDigits(numbers.substr(dash + 1));
}

pid_t PartialFileProcess(std::string_view name) {
    if (!IsPartialFileName(name)) return 0;
    if (EndsWith(name, ".lwpart")) return ProcessOfTail(name.substr(0, name.size() - 7));
    return ProcessOfTail(RewriteNumbers(name));
}

namespace {

// Removes the entry when it is a temporary file of this process or of one that has ended.
bool RemoveIfLeftOver(const std::filesystem::directory_entry& entry) {
    static const pid_t self = ::getpid();
    std::error_code ec;
    const std::string name = entry.path().filename().string();
    if (!entry.is_regular_file(ec) || !IsPartialFileName(name)) return false;
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
        removed += RemoveIfLeftOver(*it);
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
        removed += RemoveIfLeftOver(*it);
    return removed;
}
