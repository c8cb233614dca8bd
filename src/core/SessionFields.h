#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/FolderSnapshot.h"
#include "core/SessionSettings.h"
#include "core/TextList.h"

// The plain data of the current retrieval session: settings, queue lists, counters and flags.
// It holds no Qt types so that the address mapping, link scanning and the session-file format
// can be used and tested without an event loop. The engine's SessionState adds the clock, the
// view data and the change notifications on top of it.
struct SessionFields {
    // --- Settings (set by InitializeVariables, then read-only) ---------------------------
    SessionSettings Settings;     // as the session was started with (or its file keeps)
    std::string SessionFileName;  // full path of the session file, inside ProjectFolder
    std::string ProjectFolder;    // receives every retrieved file; ends in "/" (empty: none)
    std::string SiteBase;         // start address, later reduced to the site root
    std::int64_t DiskSpaceFloor = 0;  // bytes the session may receive (may be negative)
    // Upper-case extensions with their dot (".PDF") from Settings.OtherFileTypes; empty unless
    // Settings.RetrieveOtherFiles.
    std::vector<std::string> OtherFileExtensions;
    std::string StartAddress;  // complete copy: the address the copy started from

    // --- Queue lists -------------------------------------------------------------------
    // PendingURLs and PendingFiles are parallel and first in, first out. The vectors are
    // consumed from QueueHead on, so taking entry 0 costs nothing; use the helpers below.
    std::vector<std::string> PendingURLs;
    std::vector<std::string> PendingFiles;
    std::size_t QueueHead = 0;
    FoldedTextList KnownFiles;   // every full path queued in the session (duplicate test)
    FolderSnapshot ProjectFiles;  // the project folder's names when the retrieval began
    FoldedTextList SiteFolders;  // entry 0: the site root; then the site folders
    std::vector<std::string> DiscardedFiles;  // full paths of transfers that ended "Ignored"
    // Complete copy: the local path (relative to ProjectFolder, "/"-separated) of every file
    // retrieved, by its full address; a redirecting address names its target's file.
    std::unordered_map<std::string, std::string> MirrorFiles;
    std::vector<std::string> EMailPage;       // "<html>" then every address found
    bool EMailPageExists = false;             // the list exists only with e-mail collection

    // --- Counters ------------------------------------------------------------------------
    int RunningThreads = 0;
    int QueuedCount = 0;
    int FilesRead = 0;
    std::int64_t BytesReceived = 0;
    int ElapsedSeconds = 1;
    int GridRowCount = 1;

    // --- Flags and other fields ------------------------------------------------------------
    bool StopRequested = false;
    bool FirstContactPending = true;
    std::string ContactHost;
    bool FirstPageParsed = false;
    bool ProtectedFetchActive = false;
    bool SessionComplete = false;
    bool SessionOpenedFromFile = false;
    bool SessionLoading = false;
    std::string StartedText;

    // --- Queue helpers (keep the pending lists in step) -----------------------------------
    std::size_t PendingCount() const { return PendingURLs.size() - QueueHead; }
    const std::string& PendingURL(std::size_t i) const { return PendingURLs[QueueHead + i]; }
    const std::string& PendingFile(std::size_t i) const { return PendingFiles[QueueHead + i]; }
    void AppendPending(std::string url, std::string file) {
        PendingURLs.push_back(std::move(url));
        PendingFiles.push_back(std::move(file));
    }
    // Removes entry 0 of both lists. The entries taken are dropped in batches, once they are
    // half of the lists, so that a long session's queue holds only what is still pending.
    void RemoveFirstPending() {
        ++QueueHead;
        if (QueueHead == PendingURLs.size()) {
            ClearPending();
        } else if (QueueHead >= 1024 && 2 * QueueHead >= PendingURLs.size()) {
            const auto taken = static_cast<std::ptrdiff_t>(QueueHead);
            PendingURLs.erase(PendingURLs.begin(), PendingURLs.begin() + taken);
            PendingFiles.erase(PendingFiles.begin(), PendingFiles.begin() + taken);
            QueueHead = 0;
        }
    }
    void ClearPending() {
        PendingURLs.clear();
        PendingFiles.clear();
        QueueHead = 0;
    }
};
