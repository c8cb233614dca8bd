#include "core/FolderSnapshot.h"

#include <dirent.h>

void FolderSnapshot::Take(const std::string& folder) {
    Clear();
    if (folder.empty()) return;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    while (const dirent* entry = ::readdir(dir)) names_.emplace(entry->d_name);
    ::closedir(dir);
    folder_ = folder;
    if (folder_.back() != '/') folder_ += '/';
    taken_ = true;
}

void FolderSnapshot::Clear() {
    taken_ = false;
    folder_.clear();
    names_.clear();
}

bool FolderSnapshot::MayHold(std::string_view path) const {
    if (!taken_ || path.size() <= folder_.size() || path.substr(0, folder_.size()) != folder_)
        return true;
    const std::string_view name = path.substr(folder_.size());
    if (name.find('/') != std::string_view::npos) return true;
    return names_.find(name) != names_.end();
}
