#include "core/PartialFiles.h"

#include <unistd.h>

#include <atomic>
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

}  // namespace

std::string NewPartialPath(const std::string& finalPath) {
    static std::atomic<unsigned> counter{0};
    // Asked once: the program does not fork, and this runs for every file retrieved.
    static const std::string process = std::to_string(::getpid());
    return finalPath + "." + process + "-" + std::to_string(counter++) + ".lwpart";
}

bool IsPartialFileName(std::string_view name) {
    if (EndsWith(name, ".lwpart")) return true;
    // ".lw" + process + "-" + number + ".tmp"
    if (!EndsWith(name, ".tmp")) return false;
    const std::string_view stem = name.substr(0, name.size() - 4);
    const std::size_t lw = stem.rfind(".lw");
    if (lw == std::string_view::npos) return false;
    const std::string_view numbers = stem.substr(lw + 3);
    const std::size_t dash = numbers.find('-');
    return dash != std::string_view::npos && IsDigits(numbers.substr(0, dash)) &&
           IsDigits(numbers.substr(dash + 1));
}

int RemovePartialFiles(const std::string& folder) {
    namespace fs = std::filesystem;
    std::error_code ec;
    int removed = 0;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file(ec) || !IsPartialFileName(it->path().filename().string()))
            continue;
        std::error_code gone;
        if (fs::remove(it->path(), gone)) ++removed;
    }
    return removed;
}
