#include "offline/FolderListing.h"

#include <dirent.h>

#include <filesystem>
#include <system_error>

namespace {

bool LookUp(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
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
    }
    ::closedir(dir);
    listed_ = true;
}

bool FolderListing::Exists(const std::string& name) const {
    // Names that are not plain entries of this folder ("a/b", "..", "") take the long way.
    const bool plain = !name.empty() && name != "." && name != ".." &&
                       name.find_first_of(std::string_view("/\0", 2)) == std::string::npos;
    if (!listed_ || !plain) return LookUp(folder_ + name);
    if (present_.count(name)) return true;
    return linked_.count(name) ? LookUp(folder_ + name) : false;
}
