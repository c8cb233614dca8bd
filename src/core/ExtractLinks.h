#pragma once

#include <string>
#include <string_view>

#include "core/SessionFields.h"

// Scans a retrieved page for the links the session follows and appends every accepted link to
// the queue (PendingURLs, PendingFiles, KnownFiles, QueuedCount). It is a single forward pass
// with a small tag recogniser, not an HTML parser: only IMG SRC, A HREF, FRAME SRC,
// BODY BACKGROUND and the first attribute of APPLET are looked at, and its reading rules are
// kept exactly, odd corners included, because which files a session fetches depends on them.
//
// documentURL is the page's base address (ending in "/"). Returns the number of links queued;
// the caller shows the new QueuedCount. Sets FirstPageParsed. In Search Only Current Page mode
// only the first page of a session is scanned.
int ExtractLinks(std::string_view text, std::string_view documentURL, SessionFields& session);

// True when the address lies inside SiteBase (and is not SiteBase itself), or is an FTP address.
bool IsSameSite(std::string_view address, const SessionFields& session);

// The absolute address of a link found on a page with the given base address.
std::string ResolveLink(std::string_view link, std::string_view documentURL,
                        const SessionFields& session);
