#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/SessionFields.h"
#include "mirror/MirrorLayout.h"
#include "mirror/PageConversion.h"
#include "mirror/PageReferences.h"

// The engine's side of a complete copy: which references of a retrieved page or style sheet are
// queued, where each file goes in the project folder, and the conversion of the copy for
// offline browsing.
//
// Local paths come from mirror::MirrorLayout; what the mapping cannot settle itself (two
// addresses giving one name, a file where a folder is needed) is settled here, by the order in
// which files are queued: the first keeps its name, a later one gets "~2", "~3"... The duplicate
// test of the queue is the full address, compared exactly (paths are case-sensitive).
class CompleteCopy {
  public:
    explicit CompleteCopy(SessionFields& session) : session_(session), layout_("http://x/") {}

    // A new run from startAddress: forgets everything of the last one. Returns the start page's
    // full local path.
    std::string Begin(const std::string& startAddress);
    const std::string& StartAddress() const { return start_; }
    // The start page redirected and the copy began anew from its target: the address typed
    // stays the session's start address, and leads to the target's file.
    void StartMovedFrom(const std::string& typedAddress);

    // Whether a transfer of the address keeps its bytes in memory to be scanned when it lands.
    bool KeepsText(const std::string& address) const;

    // A file has arrived whole at localFile. A page served as HTML without an HTML name is
    // renamed (localFile is changed); pages and style sheets are scanned and their references
    // queued. Returns the number of files queued.
    int Landed(const std::string& address, std::string& localFile, std::string_view contentType,
               std::string_view text);

    // The address failed, and the file an earlier run retrieved from it stays at localFile:
    // it is the copy's file of that address, for the conversion and the session's record.
    void KeptEarlier(const std::string& address, const std::string& localFile);

    // A redirect from one address to another: the target is queued like the address it
    // replaces, and references to the old address lead to the target's file. False when the
    // target was queued before (only the link is noted).
    bool Redirected(const std::string& from, const std::string& to);

    // Told of the file just done and of the share of all done (0 to 100).
    using ConversionProgress = std::function<void(const std::string& file, int gauge)>;
    // Rewrites every retrieved page and style sheet for offline browsing, on helper threads.
    // Returns what to tell the person of the files that could not be rewritten; empty when there
    // were none.
    std::string ConvertAll(const ConversionProgress& progress = {});

    // The local path (relative to the project folder) of the file retrieved from an address,
    // following redirects; nullopt when none was.
    std::optional<std::string> LocalPathOf(std::string_view address) const;

  private:
    enum class Scan : std::uint8_t { None, Page, StyleSheet };
    bool Queue(const std::string& address, Scan scan);
    void QueueReferences(const mirror::PageReferences& refs, bool followPages);
    bool Wanted(const mirror::Reference& ref, bool followPages) const;
    bool IsSiteAddress(std::string_view address) const;
    // A free local path for the address, taken in the registry.
    std::string Register(const std::string& address, std::string path);
    bool PathTaken(const std::string& path) const;
    void TakePath(const std::string& path);

    SessionFields& session_;
    mirror::MirrorLayout layout_;
    std::string start_;
    std::string siteOrigin_;  // "scheme://host[:port]/" of the start address
    std::unordered_map<std::string, Scan> queued_;            // address -> how it is scanned
    std::unordered_map<std::string, std::string> planned_;    // address -> registered path
    std::unordered_map<std::string, std::string> redirects_;  // address -> address it moved to
    std::unordered_set<std::string> files_;                   // registered file paths
    std::unordered_set<std::string> folders_;                 // folders those paths need

    struct Scanned {
        std::string address;
        std::string path;
        bool page = true;
        // From the scan as the file landed; the conversion scans again when the file's bytes
        // are no longer the ones scanned.
        std::optional<mirror::ConversionPlan> plan;
        std::size_t bytes = 0;
        std::size_t digest = 0;
        // Whether the plan was made from these bytes.
        bool PlannedFrom(std::string_view text) const {
            return plan && text.size() == bytes && std::hash<std::string_view>{}(text) == digest;
        }
    };
    // Keeps the plan of a file that landed as text with the references refs.
    void Plan(Scanned& file, const mirror::PageReferences& refs, std::string_view text);
    // The texts of the conversion plans (addresses and fragments), each kept once, by number.
    std::uint32_t Keep(std::string_view text);

    std::vector<Scanned> scanned_;  // pages and style sheets to convert
    std::vector<std::string_view> planTexts_;  // by number: queued addresses or ownTexts_
    std::unordered_map<std::string_view, std::uint32_t> planNumbers_;
    std::deque<std::string> ownTexts_;  // the plans' texts that are not queued addresses
};
