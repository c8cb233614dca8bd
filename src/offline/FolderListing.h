#pragma once

#include <string>
#include <unordered_set>

// The names in one folder, read once. The conversion asks "was this file retrieved?" for every
// distinct link of a site; one listing of the (flat) project folder answers that far more
// cheaply than a file-system lookup per name.
class FolderListing {
  public:
    // Lists the folder (a path ending in "/"). A folder that cannot be listed answers every
    // question with a lookup.
    explicit FolderListing(std::string folder);

    // The same answer as std::filesystem::exists(folder + name) at the time of the listing.
    bool Exists(const std::string& name) const;

  private:
    std::string folder_;
    bool listed_ = false;
    std::unordered_set<std::string> present_;  // entries whose existence is certain
    std::unordered_set<std::string> linked_;   // links and entries of unknown type: looked up
};
