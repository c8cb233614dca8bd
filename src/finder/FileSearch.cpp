#include "finder/FileSearch.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <algorithm>
#include <filesystem>
#include <vector>

#include "core/Text.h"

namespace fs = std::filesystem;

namespace {

std::string WithoutTrailingSlash(const std::string& path) {
    std::string p = path;
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    return p;
}

std::string NamePart(const std::string& path) {
    const std::string p = WithoutTrailingSlash(path);
    const auto slash = p.find_last_of('/');
    return slash == std::string::npos ? p : p.substr(slash + 1);
}

// A folder's entries without "." and "..", in the order of their case-folded names, so that a
// walk reports the same order on every file system.
std::vector<FoundFile> ListFolder(const std::string& folder) {
    std::vector<FoundFile> entries;
    std::error_code ec;
    fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name == "." || name == "..") continue;
        FoundFile rec;
        if (!ReadFoundFile(folder + name, rec)) continue;
        entries.push_back(std::move(rec));
    }
    std::sort(entries.begin(), entries.end(), [](const FoundFile& a, const FoundFile& b) {
        const std::string fa = LowerCase(a.Name), fb = LowerCase(b.Name);
        return fa != fb ? fa < fb : a.Name < b.Name;
    });
    return entries;
}

bool IsRealFolder(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

bool ReadFoundFile(const std::string& path, FoundFile& rec) {
    const std::string p = WithoutTrailingSlash(path);
    struct stat st {};
    // A link reports what it points at; a dangling link reports itself.
    if (::stat(p.c_str(), &st) != 0 && ::lstat(p.c_str(), &st) != 0) return false;
    rec = FoundFile{};
    rec.Name = NamePart(p);
    rec.Time = static_cast<std::int64_t>(st.st_mtime);
    if (S_ISDIR(st.st_mode)) {
        rec.Attr |= faDirectory;
    } else {
        rec.Size = static_cast<std::int64_t>(st.st_size);
    }
    if ((st.st_mode & 0222) == 0 || ::access(p.c_str(), W_OK) != 0) rec.Attr |= faReadOnly;
    if (!rec.Name.empty() && rec.Name[0] == '.') rec.Attr |= faHidden;
    return true;
}

bool MatchesMask(std::string_view name, std::string_view mask) {
    if (mask == "*.*" || mask == "*") return true;
    auto fold = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
    // Iterative wildcard match with one back-tracking point for the last "*".
    std::size_t n = 0, m = 0, starM = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == '?' || fold(mask[m]) == fold(name[n]))) {
            ++n;
            ++m;
        } else if (m < mask.size() && mask[m] == '*') {
            starM = m++;
            starN = n;
        } else if (starM != std::string_view::npos) {
            m = starM + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*') ++m;
    return m == mask.size();
}

FileSearch::FileSearch(QObject* owner) : QObject(owner) {
    ProcessMessages = [] { QCoreApplication::processEvents(); };
}

void FileSearch::Pump() {
    if (ProcessMessages) ProcessMessages();
}

void FileSearch::StartSearch() {
    Stop = false;
    running_ = true;
    const auto slash = SearchFile.find_last_of('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : SearchFile.substr(0, slash + 1);
    const std::string mask = slash == std::string::npos ? SearchFile : SearchFile.substr(slash + 1);
    FoundFile rec;
    if (!ReadFoundFile(folder.empty() ? std::string(".") : folder, rec))
        rec.Name = NamePart(folder);
    Walk(folder, rec, mask);
    running_ = false;
    if (OnFinish) OnFinish(this);
}

void FileSearch::Walk(const std::string& folder, const FoundFile& rec, const std::string& mask) {
    if (OnChangeFolder) OnChangeFolder(folder, rec);
    const std::vector<FoundFile> entries = ListFolder(folder.empty() ? std::string("./") : folder);
    for (const FoundFile& entry : entries) {
        if (Stop) return;
        if (!MatchesMask(entry.Name, mask)) continue;
        if (OnFileFind) OnFileFind(folder, entry);
        Pump();
    }
    for (const FoundFile& entry : entries) {
        if (Stop) return;
        Pump();
        // Linked folders are not entered: a link back up the tree would never end.
        if ((entry.Attr & faDirectory) && RecurseSubFolders && IsRealFolder(folder + entry.Name))
            Walk(folder + entry.Name + "/", entry, mask);
        Pump();
    }
}
