#include "offline/FolderListing.h"

#include <dirent.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "core/Text.h"

namespace {

bool LookUp(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

// Names that are not plain entries of a folder ("a/b", "..", "") are only looked up.
bool IsPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\0", 2)) == std::string::npos;
}

}  // namespace

FolderListing::FolderListing(std::string folder) : folder_(std::move(folder)) {
    DIR* dir = ::opendir(folder_.empty() ? "." : folder_.c_str());
    if (!dir) return;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        // A link exists only when its target does; an unknown type is left to a lookup too.
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN)
            linked_.insert(name);
        else
            present_.insert(name);
        folded_.emplace(LowerCase(name), name);
    }
    ::closedir(dir);
    listed_ = true;
}

bool FolderListing::Exists(const std::string& name) const {
    if (!listed_ || !IsPlainName(name)) return LookUp(folder_ + name);
    if (present_.count(name)) return true;
    return linked_.count(name) ? LookUp(folder_ + name) : false;
}

std::string FolderListing::StoredName(const std::string& name) const {
    if (Exists(name)) return name;
    if (!listed_ || !IsPlainName(name)) return {};
    // Of several spellings, the first in byte order, so that every page gets the same one.
    std::string stored;
    const auto [first, last] = folded_.equal_range(LowerCase(name));
    for (auto it = first; it != last; ++it)
        if ((stored.empty() || it->second < stored) && Exists(it->second)) stored = it->second;
    return stored;
}

std::string StoredNameIn(const std::string& folder, const std::string& name) {
    if (LookUp(folder + name)) return name;
    if (!IsPlainName(name)) return {};
    std::string stored;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder.empty() ? "." : folder, ec), end;
         !ec && it != end; it.increment(ec)) {
        const std::string entry = it->path().filename().string();
        if (SameText(entry, name) && (stored.empty() || entry < stored) && LookUp(folder + entry))
            stored = entry;
    }
    return stored;
}
