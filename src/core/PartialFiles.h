#pragma once

#include <string>
#include <string_view>

// A file that is being written lives under a temporary name beside its final one and takes the
// final name only once it is complete. A file cut off by a crash, a kill or a full disk therefore
// never passes for a complete one (the link checks skip every file that exists), and what such
// a run leaves behind is recognisable by its name and can be removed.

// A new temporary name for the file at finalPath, unique in this process: finalPath +
// ".<process>-<number>.lwpart".
std::string NewPartialPath(const std::string& finalPath);

// True for the name of a temporary file of a transfer (".lwpart") or of a whole-file rewrite
// (".lw<process>-<number>.tmp").
bool IsPartialFileName(std::string_view name);

// Removes every temporary file directly inside the folder; returns how many went.
int RemovePartialFiles(const std::string& folder);
