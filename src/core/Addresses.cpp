#include "core/Addresses.h"

#include <filesystem>
#include <system_error>

#include "core/Text.h"

namespace {

// Characters removed from the base part of every local name.
bool IsRemovedNameChar(char c) {
    switch (c) {
        case '"': case '*': case '.': case '/': case ':':
        case '<': case '>': case '\\': case '|':
            return true;
        default:
            return false;
    }
}

bool EndsWith(std::string_view text, char c) { return !text.empty() && text.back() == c; }

// Position of the last "\" or ":" (npos when neither occurs).
std::size_t LastSeparator(std::string_view path) {
    // A plain loop: find_last_of searches its set once per character, for every link scanned.
    for (std::size_t i = path.size(); i-- > 0;)
        if (path[i] == '\\' || path[i] == ':') return i;
    return std::string_view::npos;
}

// A name the file system can hold as a plain file: no byte below 32, at most 255 bytes, and not
// one of the folder names "." and "..".
bool Storable(const std::string& name) {
    if (name.size() > 255 || name == "." || name == "..") return false;
    for (unsigned char c : name)
        if (c < 32) return false;
    return true;
}

// The final form of a candidate: the base without the removed characters, the extension as it
// stands, and "main.html" renamed, since Main.html belongs to the session's first file only.
std::string FinalName(std::string_view candidate) {
    if (candidate.empty()) return {};
    const std::string ext = PseudoExtension(candidate);
    const std::string_view base = candidate.substr(0, candidate.size() - ext.size());
    std::string name;
    name.reserve(candidate.size());
    for (char c : base)
        if (!IsRemovedNameChar(c)) name += c;
    name += ext;
    if (SameText(name, "main.html")) name = "main1.html";
    if (!Storable(name)) return {};
    return name;
}

}  // namespace

bool HasWebScheme(std::string_view address) {
    return Contains(address, "http://") || Contains(address, "https://");
}

std::string PseudoFileName(std::string_view path) {
    const std::size_t sep = LastSeparator(path);
    return std::string(sep == std::string_view::npos ? path : path.substr(sep + 1));
}

std::string PseudoExtension(std::string_view path) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos) return {};
    const std::size_t sep = LastSeparator(path);
    if (sep != std::string_view::npos && sep > dot) return {};
    return std::string(path.substr(dot));
}

std::string UrlToPseudoPath(std::string_view address) {
    const std::size_t query = address.find('?');
    if (query != std::string_view::npos) address = address.substr(0, query);
    return "c:\\" + ToBackslashes(address);
}

std::string UrlDirectory(std::string_view address) {
    std::string p = UrlToPseudoPath(address);
    const std::size_t sep = LastSeparator(p);  // always found: the "c:" in front
    // 0-based sep > 0 is the 1-based "position above 1".
    if (p[sep] == '\\' && sep > 0 && p[sep - 1] != '\\' && p[sep - 1] != ':')
        p.erase(sep);
    else
        p.erase(sep + 1);
    p = ToForwardSlashes(p);
    return p.size() > 3 ? p.substr(3) : std::string();
}

std::string BaseAddress(std::string_view address, const SessionFields& session) {
    std::string base = SameText(address, session.SiteBase) ? std::string(address)
                                                           : UrlDirectory(address);
    if (!EndsWith(base, '/')) base += '/';
    return base;
}

bool IsOffSite(std::string_view address, const SessionFields& session) {
    if (address.empty() || address == "/" || !HasWebScheme(address) ||
        !session.Settings.SearchEntireSite)
        return false;
    const std::size_t n = session.SiteBase.size();
    return !(address.size() >= n && SameText(address.substr(0, n), session.SiteBase));
}

void ParseOtherFileTypes(std::string_view text, SessionFields& session) {
    session.OtherFileExtensions.clear();
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] != '.') {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < text.size() && text[end] != ';') ++end;
        session.OtherFileExtensions.push_back(UpperCase(text.substr(i, end - i)));
        i = end;
    }
}

bool IsSpecialLink(std::string_view link) {
    return Contains(link, "mailto:") || Contains(link, "&") || Contains(link, "#") ||
           Contains(link, "ftp://");
}

std::int64_t LocalFileSize(const std::string& path) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (ec || !std::filesystem::exists(status)) return -1;
    if (std::filesystem::is_directory(status)) return 0;
    const auto size = std::filesystem::file_size(path, ec);
    return ec ? -1 : static_cast<std::int64_t>(size);
}

std::string UrlToLocalName(std::string_view link, SessionFields& session) {
    // 1. Links with parameters or fragments are never retrieved.
    if (link.empty() || Contains(link, "&") || Contains(link, "#")) return {};
    // 2. A link to the index page is the start page.
    if (SameText(link, "Index.htm") || SameText(link, "Index.html")) return FinalName("Main.html");
    // 3. E-mail links are collected, never retrieved.
    if (Contains(link, "mailto:")) {
        if (session.Settings.CollectEMailAddresses) {
            session.EMailPageExists = true;
            session.EMailPage.emplace_back(link.size() > 7 ? link.substr(7) : std::string_view());
        }
        return {};
    }
    // 4. Schemes longer than "https" (javascript:, news: with a long host...) are not fetched.
    const std::size_t colon = link.find(':');
    if (colon != std::string_view::npos && colon + 1 > 6) return {};

    // 5. The pseudo path, its file name and its extension.
    const std::string p = UrlToPseudoPath(link);
    const std::string n = PseudoFileName(p);
    const std::string e = UpperCase(PseudoExtension(p));

    // 6.
    if (SameText(link, "none")) return {};

    // 7. Index pages are named after their folder.
    const bool offSite = IsOffSite(link, session);
    if (Contains(link, "/") && (SameText(n, "Index.html") || SameText(n, "Index.htm")) &&
        !offSite) {
        std::string t;
        const std::size_t k = n.size();
        if (Contains(link, session.SiteBase)) {
            const std::size_t skip = session.SiteBase.size();
            if (link.size() >= skip + k) t = std::string(link.substr(skip, link.size() - skip - k));
        } else if (link.size() >= k + 1) {
            t = std::string(link.substr(0, link.size() - k - 1));
        }
        return FinalName(t.empty() ? std::string("Main.html") : t + ".html");
    }

    // 8. Names with an extension: the file-kind filter.
    if (!e.empty()) {
        if (session.SessionOpenedFromFile) return FinalName(n);
        if (e == ".GIF" || e == ".JPG" || e == ".JPEG")
            return session.Settings.RetrieveImageFiles && !offSite ? FinalName(n) : std::string();
        if (e == ".HTML" || e == ".HTM" || e == ".SHTML") {
            const bool take = (session.Settings.SearchEntireSite && !offSite) ||
                              (!session.Settings.SearchEntireSite && !session.FirstPageParsed);
            return take ? FinalName(n) : std::string();
        }
        if (e == ".CLASS")
            return session.Settings.RetrieveJavaApplets && !offSite ? FinalName(n) : std::string();
        if (e == ".ZIP" || e == ".EXE") {
            if (!session.Settings.RetrieveZIPEXEFiles) return {};
            if (!Contains(link, "ftp://")) return FinalName(n);
            return session.Settings.RetrieveFromFTP ? FinalName(n) : std::string();
        }
        if (session.Settings.RetrieveOtherFiles)
            for (const std::string& type : session.OtherFileExtensions)
                if (SameText(type, e)) return FinalName(n);
        return {};
    }

    // 9. Names without an extension: folders and extension-less pages.
    if (link == "/" || SameText(link, session.SiteBase)) return FinalName("Main.html");
    if (!session.Settings.SearchEntireSite) return {};
    if (offSite) return {};
    if (!EndsWith(link, '/')) return FinalName(n + ".html");
    // "The file name of P without its last character": P ends in "\", so its file name is
    // empty; the last folder name is the file name of P with that "\" removed.
    return FinalName(PseudoFileName(std::string_view(p).substr(0, p.size() - 1)) + ".html");
}

std::string RequestTarget(std::string_view address) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(address.size());
    for (const char c : address) {
        const auto u = static_cast<unsigned char>(c);
        if (u > 0x20 && u < 0x7F) {
            out += c;
            continue;
        }
        out += '%';
        out += hex[u >> 4];
        out += hex[u & 15];
    }
    return out;
}
