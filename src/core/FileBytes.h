#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

// Whole-file reads and writes for the passes that rework a file in memory (page rewriting,
// session-file scrambling). Failures throw std::runtime_error with a message that names the file
// and the system's reason.

// The file's bytes.
std::string ReadFileBytes(const std::string& path);

// The permission bits of a regular file (links followed) with at least one byte and at most
// maxBytes; nothing for a missing, empty or larger file, a folder or a device.
std::optional<unsigned> ModeOfFileWithContent(
    const std::string& path, std::int64_t maxBytes = std::numeric_limits<std::int64_t>::max());

// Replaces the file's bytes: the new bytes go to a temporary file beside it, which is then
// renamed over the old one, so a failed write leaves the previous file as it was. An existing
// file keeps its permission bits. With durable, the data reach the disk before the rename.
void ReplaceFileBytes(const std::string& path, std::string_view bytes, bool durable = false);

// The two halves of ReplaceFileBytes, for callers that prepare several files before putting any
// of them in place. WriteReplacement writes the bytes to a new temporary file beside path (with
// path's permission bits when it exists, or mode when the caller already has them) and returns
// the temporary file's name; nothing is left behind when it fails. CommitReplacement renames it
// over path; on failure it removes the temporary file, and path keeps its old bytes.
std::string WriteReplacement(const std::string& path, std::string_view bytes, bool durable = false,
                             std::optional<unsigned> mode = std::nullopt);
void CommitReplacement(const std::string& temp, const std::string& path);

// Throws as a failed write does ("Cannot write file ...". and the system's reason) when path
// names an existing file that may not be written: one whose permission bits let nobody write it
// (such a file is refused to every account, also to one that may override the bits), or one
// the system does not let this account write. A rename over the file asks only the folder, so
// a save that replaces files whole must ask this first. Nothing happens for a path that does
// not exist yet.
void RequireWritableTarget(const std::string& path);

// Deletes a file; a folder is never removed, even an empty one. Gives "" when the file is gone,
// otherwise the system's reason ("No such file or directory", "Is a directory", ...).
std::string RemoveFile(const std::string& path);
