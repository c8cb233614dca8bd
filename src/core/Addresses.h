#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/SessionFields.h"

// How an address or link becomes a flat file name in the project folder. The mapping is also
// the program's file-kind filter: an empty name means "this link is not retrieved". Every
// operation reads the current session fields (FirstPageParsed and SiteBase change during a run).

// The file name (no folder) for a link or address, or empty. May append an e-mail address to
// the session's EMailPage.
std::string UrlToLocalName(std::string_view link, SessionFields& session);

// "c:\" + the address up to its first "?", with "/" turned into "\".
std::string UrlToPseudoPath(std::string_view address);

// The directory of an address, "/"-separated, without a trailing "/".
std::string UrlDirectory(std::string_view address);

// The base against which a page's relative links are resolved; always ends in "/".
std::string BaseAddress(std::string_view address, const SessionFields& session);

// True for an absolute web address outside SiteBase in Search Entire Site mode.
bool IsOffSite(std::string_view address, const SessionFields& session);

// Fills session.OtherFileExtensions from the Other Files text (".au;.pdf" gives ".AU", ".PDF").
void ParseOtherFileTypes(std::string_view text, SessionFields& session);

// True when the link contains "mailto:", "&", "#" or "ftp://" (left alone by the rewriting).
bool IsSpecialLink(std::string_view link);

// Size in bytes of the file at the full path, -1 when there is none.
std::int64_t LocalFileSize(const std::string& path);

// The file name of a pseudo path: the text after its last "\" or ":".
std::string PseudoFileName(std::string_view path);
// The extension of a pseudo path: from the last "." after the last "\" and ":", dot included.
std::string PseudoExtension(std::string_view path);

// True when the address is a web address ("http://" or "https://" anywhere in it).
bool HasWebScheme(std::string_view address);

// The address as it goes into a request: white space, controls and bytes outside ASCII
// percent-encoded, as a browser sends them (a link or a server's Location may hold any).
std::string RequestTarget(std::string_view address);
