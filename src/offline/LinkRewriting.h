#pragma once

#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "core/SessionFields.h"
#include "core/TextIndex.h"

// Rewriting of a retrieved page's links for offline browsing. Three passes, run in this order:
//
//   JoinAnchorTags   puts each "<A" + white space + "HREF=" tag on one line in the form
//                    "<A HREF=...>", so that the next pass finds its address;
//   RewriteTagLinks  rewrites the address of IMG, FRAME (their SRC), A, BODY and APPLET (their
//                    first attribute, when it is HREF, SRC, BACKGROUND or CODE) to the name the
//                    retrieved file is stored under; an anchor whose file was not retrieved gets
//                    "* " and " *" around its text, an embedded file that was not retrieved loses
//                    its address;
//   RewriteSrcLines  maps the first SRC= value of every line to the name its file is stored
//                    under (its local name when it was not retrieved) and ends every line with
//                    CR LF.
//
// A run takes links that differ only in letter case for one file ("LOGO.gif", "logo.gif"),
// stored under the spelling met first; so a retrieved file is looked for ignoring case, and
// every spelling of the link is rewritten to the stored name.
//
// Each pass is a function from a page's bytes to the new bytes. Text outside the rewritten
// values is copied as it stands; each pass runs in one linear scan.

// The address-to-file knowledge the passes need: the local name of a link, whether it is
// off-site and under which name its file was retrieved into the project folder. Answers are
// cached for the whole conversion, since a site's pages repeat the same links.
class OfflineLinkMap {
public:
    // The name under which a local name's file is stored, empty when it was not retrieved; by
    // default the name itself when ProjectFolder + name exists, else an entry of ProjectFolder
    // that differs from it only in letter case.
    using StoredNameLookup = std::function<std::string(const std::string& name)>;
    // A lookup from a yes/no test: a retrieved file is stored under its own name.
    static StoredNameLookup ExactNames(std::function<bool(const std::string& name)> retrieved);

    // Takes a copy of the settings the address mapping reads. Links are mapped as the scan of
    // the start page mapped them (before any page had been parsed), so that a "Search Only
    // Current Page" session still rewrites the links to the pages it retrieved; e-mail
    // addresses are not collected again.
    // Stored names are kept per name unless cacheStored is false (for a lookup that is itself a
    // table lookup, which a second table would only duplicate).
    explicit OfflineLinkMap(const SessionFields& session, StoredNameLookup stored = {},
                            bool cacheStored = true);

    // What a link becomes: its local file name (empty: none), whether it leads off the site,
    // and the name its file is stored under (empty when it was not retrieved or has no local
    // name). Worked out once per link text; the project folder is taken not to change meanwhile.
    struct Link {
        std::string Name;
        bool OffSite = false;
        std::string Stored;
    };
    const Link& Resolve(std::string_view link);

private:
    SessionFields mapping_;
    StoredNameLookup stored_;
    TextIndex linkTexts_;
    std::deque<Link> links_;  // by the link text's number in linkTexts_
    // The folder is asked once per name: many link texts lead to the same file.
    bool cacheStored_ = true;
    std::unordered_map<std::string, std::string> storedNames_;
};

std::string JoinAnchorTags(std::string_view page);
std::string RewriteTagLinks(std::string_view page, OfflineLinkMap& links);
std::string RewriteSrcLines(std::string_view page, OfflineLinkMap& links);

// The three passes over one page in memory.
std::string ConvertPageText(std::string_view page, OfflineLinkMap& links);

// File forms: read the page, run the pass(es), replace the file. Failures throw
// std::runtime_error naming the file; a file that cannot be written keeps its old bytes.
void JoinAnchorTagsFile(const std::string& path);
void RewriteTagLinksFile(const std::string& path, OfflineLinkMap& links);
void RewriteSrcLinesFile(const std::string& path, OfflineLinkMap& links);
void ConvertPageFile(const std::string& path, OfflineLinkMap& links);
