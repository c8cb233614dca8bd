#pragma once

#include <string>
#include <unordered_map>
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

    // The name under which the file is in the folder: the name itself when it exists, else an
    // existing name that differs from it only in the case of ASCII letters (the run treats
    // such names as one file, stored under the spelling it met first); empty when none.
    std::string StoredName(const std::string& name) const;

  private:
    std::string folder_;
    bool listed_ = false;
    std::unordered_set<std::string> present_;  // entries whose existence is certain
    std::unordered_set<std::string> linked_;   // links and entries of unknown type: looked up
    // Lower-case name -> the entries with that name in any case, in no particular order.
    std::unordered_multimap<std::string, std::string> folded_;
};

// StoredName without a listing: a lookup of the name, and only when it is not there a read of
// the folder.
std::string StoredNameIn(const std::string& folder, const std::string& name);
