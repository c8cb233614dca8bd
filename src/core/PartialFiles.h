#pragma once

#include <sys/types.h>
#include <string>
#include <string_view>

// A file that is being written lives under a temporary name beside its final one and takes the
// final name only once it is complete. A file cut off by a crash, a kill or a full disk therefore
// never passes for a complete one (the link checks skip every file that exists), and what such
// a run leaves behind is recognisable by its name and can be removed.
//
// The temporary name is short and of its own, not the final name with a suffix: a final name
// near the file system's limit (255 bytes) would otherwise give a temporary name that cannot
// be created at all. It names the process that writes it, so that a cleanup leaves alone what
// another process is writing into the same folder at the same time.

// A new temporary name in the folder of finalPath for a transfer, unique in this process:
// "<folder>/.lw<process>-<number>.lwpart".
std::string NewPartialPath(const std::string& finalPath);

// The same for a whole-file rewrite: "<folder>/.lw<process>-<number>.tmp".
std::string NewReplacementPath(const std::string& finalPath);

// True for the name of a temporary file of a transfer (".lwpart") or of a whole-file rewrite
// (".lw<process>-<number>.tmp"). Names of earlier versions ("<final name>.<process>-<number>
// .lwpart", "<final name>.lw<process>-<number>.tmp") count too.
bool IsPartialFileName(std::string_view name);

// The process that wrote a temporary file, from its name; 0 when the name does not tell.
pid_t PartialFileProcess(std::string_view name);

// Removes the temporary files directly inside the folder that belong to this process or to a
// process that no longer runs (or whose name does not tell); returns how many went. Those of
// another running process stay: it may be writing them right now.
int RemovePartialFiles(const std::string& folder);
// The same in the folder and in every folder below it.
int RemovePartialFilesInTree(const std::string& folder);
