#include "core/ExtractLinks.h"

#include <cstring>
#include <filesystem>
#include <system_error>

#include "core/Addresses.h"
#include "core/Text.h"

namespace {

enum class Tag { None, Img, A, Frame, Body, Applet };

inline char Up(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// token equals word (given in upper case), ignoring the case of token. No allocation: this
// runs for every "<" of every page.
bool IsWord(std::string_view token, std::string_view word) {
    if (token.size() != word.size()) return false;
    for (std::size_t i = 0; i < token.size(); ++i)
        if (Up(token[i]) != word[i]) return false;
    return true;
}

Tag ExaminedTag(std::string_view name, const SessionFields& session) {
    switch (name.size()) {
        case 1:
            return IsWord(name, "A") ? Tag::A : Tag::None;
        case 3:
            return session.Settings.RetrieveImageFiles && IsWord(name, "IMG") ? Tag::Img
                                                                              : Tag::None;
        case 4:
            return session.Settings.RetrieveImageFiles && IsWord(name, "BODY") ? Tag::Body
                                                                               : Tag::None;
        case 5:
            return IsWord(name, "FRAME") ? Tag::Frame : Tag::None;
        case 6:
            return session.Settings.RetrieveJavaApplets && IsWord(name, "APPLET") ? Tag::Applet
                                                                                  : Tag::None;
        default:
            return Tag::None;
    }
}

std::string_view WantedAttribute(Tag tag) {
    switch (tag) {
        case Tag::A:
            return "HREF";
        case Tag::Body:
            return "BACKGROUND";
        case Tag::Img:
        case Tag::Frame:
            return "SRC";
        default:
            return {};
    }
}

bool IsLinkAttribute(std::string_view attr) {
    return IsWord(attr, "SRC") || IsWord(attr, "HREF") || IsWord(attr, "BACKGROUND") ||
           IsWord(attr, "CODE");
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool FileExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

// The checks every link value must pass, in order; queues the link when it passes them all.
bool QueueLink(std::string_view value, std::string_view documentURL, SessionFields& session) {
    if (value.size() < 2) return false;
    const std::string name = UrlToLocalName(value, session);
    if (name.empty()) return false;
    // Most links name a file already known: their path is built in one reused buffer.
    static thread_local std::string fullPath;
    fullPath.assign(session.ProjectFolder).append(name);
    if (session.KnownFiles.Contains(fullPath)) return false;
    // Left by an earlier run: not fetched again.
    if (session.ProjectFiles.MayHold(fullPath) && FileExists(fullPath)) return false;
    std::string address = ResolveLink(value, documentURL, session);
    if (!IsSameSite(address, session)) return false;
    if (address.find_first_of("<>=") != std::string::npos || Contains(address, "../")) return false;
    ++session.QueuedCount;
    session.KnownFiles.Add(fullPath);
    session.AppendPending(std::move(address), fullPath);
    return true;
}

}  // namespace

bool IsSameSite(std::string_view address, const SessionFields& session) {
    if (Contains(address, "ftp://")) return true;
    const std::string& base = session.SiteBase;
    return !SameText(address, base) && StartsWithText(address, base);
}

std::string ResolveLink(std::string_view link, std::string_view documentURL,
                        const SessionFields& session) {
    const std::string& base = session.SiteBase;
    std::string out;
    if (StartsWith(link, "../")) {
        // Against the site root, one level only: deeper climbs are not followed.
        out.reserve(base.size() + link.size());
        out.append(base).append(link.substr(3));
    } else if (StartsWith(link, "./")) {
        out.reserve(documentURL.size() + link.size());
        out.append(documentURL).append(link);
    } else if (StartsWith(link, "/")) {
        out.reserve(base.size() + link.size());
        out.append(std::string_view(base).substr(0, base.empty() ? 0 : base.size() - 1))
            .append(link);
    } else if (HasWebScheme(link) || Contains(link, "www.") || Contains(link, "ftp://")) {
        out.assign(link);
    } else {
        out.reserve(documentURL.size() + link.size());
        out.append(documentURL).append(link);
    }
    return out;
}

int ExtractLinks(std::string_view text, std::string_view documentURL, SessionFields& session) {
    if (!session.Settings.SearchEntireSite && session.FirstPageParsed) return 0;
    int queued = 0;
    // A stop refuses every link before anything else is looked at; nothing to scan for.
    const std::size_t n = session.StopRequested ? 0 : text.size();
    const char* t = text.data();

    // The first character never starts a tag.
    std::size_t i = 1;
    while (i < n) {
        const void* found = std::memchr(t + i, '<', n - i);
        if (!found) break;
        // The tag name runs to a space, a ">" or the end; tabs and line breaks do not end it.
        const std::size_t nameStart =
            static_cast<std::size_t>(static_cast<const char*>(found) - t) + 1;
        std::size_t k = nameStart;
        while (k < n && t[k] != ' ' && t[k] != '>') ++k;
        const Tag tag = ExaminedTag(text.substr(nameStart, k - nameStart), session);
        i = k;
        if (tag == Tag::None || k >= n || t[k] != ' ') continue;

        // The first attribute name runs to a "=" or a space; a ">" does not end it.
        const std::size_t attrStart = ++k;
        while (k < n && t[k] != '=' && t[k] != ' ') ++k;
        std::string_view attr = text.substr(attrStart, k - attrStart);
        i = k;

        if (tag != Tag::Applet) {
            const std::string_view wanted = WantedAttribute(tag);
            if (!IsWord(attr, wanted)) {
                // Step through the rest of the tag token by token; quoted values are not
                // skipped as units, their pieces simply never match.
                bool hit = false;
                while (k < n && t[k] != '>') {
                    const std::size_t tokenStart = ++k;
                    while (k < n && t[k] != '=' && t[k] != ' ' && t[k] != '>' && t[k] != '\t') ++k;
                    if (IsWord(text.substr(tokenStart, k - tokenStart), wanted)) {
                        hit = true;
                        break;
                    }
                }
                i = k;
                if (!hit) continue;
                attr = wanted;
            }
        }
        if (!IsLinkAttribute(attr)) continue;

        // The value follows the next "=" directly, after at most one opening quote, and runs
        // to the next quote of either kind (spaces and ">" included).
        std::size_t v = text.find('=', k);
        v = v == std::string_view::npos ? n : v + 1;
        if (v < n && (t[v] == '"' || t[v] == '\'')) ++v;
        std::size_t end = text.find_first_of("\"'", v);
        if (end == std::string_view::npos) end = n;
        i = end;
        if (QueueLink(text.substr(v, end - v), documentURL, session)) ++queued;
    }
    session.FirstPageParsed = true;
    return queued;
}
