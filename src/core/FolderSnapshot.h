#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>

// The names a folder held at one moment, read in one pass. The link scan asks for every new
// link whether its file is already on disk; in a folder that held nothing of that name when the
// session began, and that only the session itself writes to, the answer is known without asking
// the disk (the session's own files are in its list of known files, which is asked first).
class FolderSnapshot {
  public:
    // Reads the names directly inside the folder ("/" at the end or not). A folder that cannot
    // be read leaves the snapshot unknown.
    void Take(const std::string& folder);
    // Forgets the snapshot: every question goes to the disk again.
    void Clear();
    // False only when the path lies directly inside the folder and no entry of that name was
    // there when the snapshot was taken; true when it was, or when the snapshot cannot tell.
    bool MayHold(std::string_view path) const;

  private:
    struct NameHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view name) const {
            return std::hash<std::string_view>{}(name);
        }
    };

    bool taken_ = false;
    std::string folder_;  // with its "/"
    std::unordered_set<std::string, NameHash, std::equal_to<>> names_;
};
