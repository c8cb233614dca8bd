#pragma once

#include <string>
#include <vector>

// The folders a run makes inside the project folder for the files it retrieves (a complete
// copy keeps the site's folders).
//
// A file is put only where its folder stays inside the project folder: a link in the project
// that leads elsewhere, planted by another program or a careless hand, would otherwise have the
// site's files written through it. Links that stay inside the project folder are followed.
//
// The folders made are remembered, so that those left empty at the end (every file meant for
// them failed) are removed again; a folder that was there before the run is never touched.
class ProjectSubfolders {
  public:
    // A new run in the project folder (its path, with or without the final "/"): forgets the
    // folders of the last one.
    void Begin(const std::string& projectFolder);

    // Makes the folders the file (a full path) needs. Empty when the file may be written; else
    // why not, naming the file. A folder that cannot be made is not a reason here: writing the
    // file then fails and says why.
    std::string Prepare(const std::string& file);

    // Removes the folders this run made that are empty now, the deepest first; returns how many
    // went. Each is still checked to lie inside the project folder.
    int RemoveEmpty();

  private:
    // Whether an existing path, links resolved, lies inside the project folder; its real path
    // is put in resolved.
    bool Inside(const std::string& path, std::string& resolved) const;

    std::string project_;            // with its "/"
    std::string resolvedProject_;    // its real path, with "/"
    std::vector<std::string> made_;  // in the order made: a folder before those inside it
};
