#include "core/ProjectSubfolders.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>

namespace {

std::string WithSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

// The path's real path (links resolved), empty when it cannot be had.
std::string RealPath(const std::string& path) {
    const std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr),
                                                           &std::free);
    return real ? std::string(real.get()) : std::string();
}

bool Exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

}  // namespace

void ProjectSubfolders::Begin(const std::string& projectFolder) {
    project_ = WithSlash(projectFolder);
    const std::string real = RealPath(project_);
    resolvedProject_ = real.empty() ? project_ : WithSlash(real);
    made_.clear();
}

bool ProjectSubfolders::Inside(const std::string& path, std::string& resolved) const {
    resolved = RealPath(path);
    if (resolved.empty()) return true;  // nothing there to lead anywhere
    return WithSlash(resolved).compare(0, resolvedProject_.size(), resolvedProject_) == 0;
}

std::string ProjectSubfolders::Prepare(const std::string& file) {
    const std::size_t slash = file.rfind('/');
    if (slash == std::string::npos || project_.empty() ||
        file.compare(0, project_.size(), project_) != 0 || slash + 1 <= project_.size())
        return {};  // directly in the project folder (or not below it at all): nothing to make
    // The deepest folder of the file's path that exists, and those below it that do not.
    std::string existing = file.substr(0, slash);
    std::vector<std::string> missing;
    while (existing.size() >= project_.size() && !Exists(existing)) {
        missing.push_back(existing);
        existing.erase(existing.rfind('/'));
    }
    // Every link on the way to the file is in the existing part: where it leads is where the
    // file would be.
    std::string resolved;
    if (existing.size() >= project_.size() && !Inside(existing, resolved))
        return "Cannot create file " + file + ": its folder " + existing +
               " leads outside the project folder, to " + resolved;
    for (auto folder = missing.rbegin(); folder != missing.rend(); ++folder) {
        // A name that exists after all (a link that leads nowhere) is not followed by mkdir;
        // the file's own creation then says what is in the way.
        if (::mkdir(folder->c_str(), 0777) != 0) break;
        made_.push_back(*folder);
    }
    return {};
}

int ProjectSubfolders::RemoveEmpty() {
    int removed = 0;
    std::string resolved;
    for (auto folder = made_.rbegin(); folder != made_.rend(); ++folder) {
        const std::string parent = folder->substr(0, folder->rfind('/'));
        // Only an empty folder goes; one that something else has filled since stays.
        if (Inside(parent, resolved) && ::rmdir(folder->c_str()) == 0) ++removed;
    }
    made_.clear();
    return removed;
}
