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
//
// The cleanup removes files by their names alone, so a temporary name must be one that no
// site's file can have: it holds a "#", which neither address-to-name mapping ever lets into a
// name (the flat one gives no name to an address with a "#", the complete copy's layout
// percent-encodes it), and two dots, which the flat mapping never leaves in a name.

// A new temporary name in the folder of finalPath for a transfer, unique in this process:
// "<folder>/.lw#<process>-<number>.lwpart".
std::string NewPartialPath(const std::string& finalPath);

// The same for a whole-file rewrite: "<folder>/.lw#<process>-<number>.tmp".
std::string NewReplacementPath(const std::string& finalPath);

// True for the name of a temporary file as this program makes them.
bool IsPartialFileName(std::string_view name);

// True for the temporary names of earlier versions: ".lw<process>-<number>.lwpart",
// "<final name>.<process>-<number>.lwpart", ".lw<process>-<number>.tmp" and
// "<final name>.lw<process>-<number>.tmp". A complete copy's site may have files of such names;
// the flat mapping of a classic copy never gives them (they have two dots).
bool IsEarlierPartialFileName(std::string_view name);

// The process that wrote a temporary file (of either form), from its name; 0 when the name
// does not tell.
pid_t PartialFileProcess(std::string_view name);

// Removes the temporary files directly inside a classic copy's project folder that belong to
// this process or to a process that no longer runs (or whose name does not tell); returns how
// many went. Those of another running process stay: it may be writing them right now. The
// earlier versions' names are taken too, since no file of the copy has one.
int RemovePartialFiles(const std::string& folder);
// The same in a complete copy's folder and in every folder below it, for the present names
// only: a site may hold a file named like an earlier version's temporary file.
int RemovePartialFilesInTree(const std::string& folder);
