#include "offline/LinkRewriting.h"

#include <algorithm>
#include <cstring>

#include "core/Addresses.h"
#include "core/FileBytes.h"
#include "offline/FolderListing.h"

namespace {

constexpr std::size_t npos = std::string_view::npos;

char Up(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

// True when text, folded to upper case, equals the upper-case word.
bool IsWord(std::string_view text, std::string_view word) {
    if (text.size() != word.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (Up(text[i]) != word[i]) return false;
    return true;
}

std::size_t SkipSpaces(std::string_view page, std::size_t p) {
    while (p < page.size() && IsSpace(page[p])) ++p;
    return p;
}

// ------------------------------------------------------------------------------------------
// Pass 2: one tag at a time. The scan keeps a "copied up to" mark: bytes before it are already
// in the output, bytes from it on are copied in one piece at the next change or at the end.

enum class TagKind { Other, Img, Frame, A, Body, Applet };

TagKind KindOf(std::string_view name) {
    if (IsWord(name, "IMG")) return TagKind::Img;
    if (IsWord(name, "A")) return TagKind::A;
    if (IsWord(name, "FRAME")) return TagKind::Frame;
    if (IsWord(name, "BODY")) return TagKind::Body;
    if (IsWord(name, "APPLET")) return TagKind::Applet;
    return TagKind::Other;
}

class TagRewriter {
public:
    TagRewriter(std::string_view page, OfflineLinkMap& links, std::string& out)
        : page_(page), n_(page.size()), links_(links), out_(out) {}

    void Run() {
        std::size_t scan = 0;
        while (scan < n_) {
            const std::size_t lt = page_.find('<', scan);
            if (lt == npos) break;
            scan = Tag(lt);
        }
        out_.append(page_.substr(copied_));
    }

private:
    // Copies the page up to p and then the replacement; the page goes on from resume.
    void Replace(std::size_t p, std::string_view replacement, std::size_t resume) {
        out_.append(page_.substr(copied_, p - copied_));
        out_.append(replacement);
        copied_ = resume;
    }

    // Examines the tag at "<" and returns where the scan goes on.
    std::size_t Tag(std::size_t lt) {
        // The name runs to the first blank or ">"; its first character is taken even if ">".
        std::size_t j = lt + 1;
        if (j < n_ && page_[j] != ' ') ++j;
        while (j < n_ && page_[j] != ' ' && page_[j] != '>') ++j;
        if (j >= n_) return n_;
        if (page_[j] == '>') return j + 1;
        const TagKind kind = KindOf(page_.substr(lt + 1, j - lt - 1));
        if (kind == TagKind::Other) return j + 1;

        // The first attribute's name.
        const std::size_t a = j + 1;
        std::size_t e = a;
        while (e < n_ && !IsSpace(page_[e]) && page_[e] != '=' && page_[e] != '>') ++e;
        std::string_view attribute = page_.substr(a, e - a);
        if ((kind == TagKind::Img || kind == TagKind::Frame) && !IsWord(attribute, "SRC")) {
            if (!FindSrc(e)) return e;
            attribute = "SRC";
        }
        const bool href = IsWord(attribute, "HREF");
        if (!href && !IsWord(attribute, "SRC") && !IsWord(attribute, "BACKGROUND") &&
            !IsWord(attribute, "CODE"))
            return e;

        // "=", then the value, quoted or not.
        std::size_t k = SkipSpaces(page_, e);
        if (k >= n_ || page_[k] != '=') return k;
        k = SkipSpaces(page_, k + 1);
        if (k >= n_) return n_;
        std::size_t start, end, after;
        const char quote = page_[k];
        const bool quoted = quote == '"' || quote == '\'';
        if (quoted) {
            start = k + 1;
            end = start;
            // An address holds no line break and no "<": without its closing quote before
            // one of them the value is left alone.
            while (end < n_ && page_[end] != quote && page_[end] != '\n' && page_[end] != '\r' &&
                   page_[end] != '<')
                ++end;
            if (end >= n_ || page_[end] != quote) return start;  // unterminated: leave it
            after = end + 1;
        } else {
            start = k;
            end = start;
            while (end < n_ && !IsSpace(page_[end]) && page_[end] != '>') ++end;
            after = end;
        }
        const std::string_view value = page_.substr(start, end - start);
        if (IsSpecialLink(value)) return after;

        const OfflineLinkMap::Link& link = links_.Resolve(value);
        if (!link.Name.empty() && !link.OffSite && !link.Stored.empty()) {
            Replace(start, link.Stored, end);
            return after;
        }
        if (href) return MarkText(after);
        // An embedded file that is not in the project loses its address; an unquoted value
        // becomes "" so that the next attribute does not turn into this one's value.
        if (end > start) Replace(start, quoted ? "" : "\"\"", end);
        return after;
    }

    // Looks for a SRC attribute in the rest of the tag, from p on; values of other attributes
    // are stepped over. Returns true with p at the end of the word "SRC", or false with p where
    // the scan goes on: after the tag's ">", or at a "<" that comes first (a tag never runs into
    // the next one, so no part of the page is searched twice).
    bool FindSrc(std::size_t& p) const {
        for (;;) {
            p = SkipSpaces(page_, p);
            if (p >= n_) return false;
            if (page_[p] == '>') {
                ++p;
                return false;
            }
            if (page_[p] == '<') return false;
            if (page_[p] == '=') {
                p = SkipSpaces(page_, p + 1);
                if (p >= n_) return false;
                if (page_[p] == '"' || page_[p] == '\'') {
                    const char quote = page_[p++];
                    while (p < n_ && page_[p] != quote && page_[p] != '<') ++p;
                    if (p >= n_ || page_[p] == '<') return false;
                    ++p;
                } else {
                    while (p < n_ && !IsSpace(page_[p]) && page_[p] != '>' && page_[p] != '<') ++p;
                }
                continue;
            }
            const std::size_t word = p;
            while (p < n_ && !IsSpace(page_[p]) && page_[p] != '=' && page_[p] != '>' &&
                   page_[p] != '<')
                ++p;
            if (IsWord(page_.substr(word, p - word), "SRC")) return true;
        }
    }

    bool ClosesAnchor(std::size_t lt) const {
        return lt + 3 < n_ && page_[lt + 1] == '/' && Up(page_[lt + 2]) == 'A' &&
               (page_[lt + 3] == '>' || IsSpace(page_[lt + 3]));
    }

    // An anchor that cannot be followed offline: "* " before its text and " *" after it. The
    // text is what follows the anchor's tag and any tags directly after it, up to the next "<".
    std::size_t MarkText(std::size_t p) {
        std::size_t gt = page_.find('>', p);
        if (gt == npos) return n_;
        std::size_t text = gt + 1;
        while (text < n_ && page_[text] == '<') {
            if (ClosesAnchor(text)) return text;  // an anchor without text: nothing to mark
            gt = page_.find('>', text);
            if (gt == npos) return n_;
            text = gt + 1;
        }
        if (text >= n_) return n_;
        const std::size_t end = page_.find('<', text);
        if (end == npos) return n_;
        out_.append(page_.substr(copied_, text - copied_));
        out_.append("* ");
        out_.append(page_.substr(text, end - text));
        out_.append(" *");
        copied_ = end;
        return end;
    }

    std::string_view page_;
    std::size_t n_;
    OfflineLinkMap& links_;
    std::string& out_;
    std::size_t copied_ = 0;
};

// ------------------------------------------------------------------------------------------
// Pass 3: one line at a time.

void RewriteSrcLine(std::string_view line, OfflineLinkMap& links, std::string& out) {
    // The first "SRC=" of the line; a line with ".SRC=" anywhere (a script setting an image
    // object's source) stays as it is.
    // "=" is rarer than "s" in text, so the search goes from one "=" to the next.
    std::size_t first = npos;
    for (std::size_t eq = line.find('='); eq != npos; eq = line.find('=', eq + 1)) {
        if (eq < 3 || Up(line[eq - 3]) != 'S' || Up(line[eq - 2]) != 'R' || Up(line[eq - 1]) != 'C')
            continue;
        const std::size_t p = eq - 3;
        if (p > 0 && line[p - 1] == '.') {
            out.append(line);
            return;
        }
        if (first == npos) first = p;
    }
    if (first == npos || first + 4 >= line.size()) {
        out.append(line);
        return;
    }
    std::size_t start = first + 4, end;
    const char quote = line[start];
    const bool quoted = quote == '"' || quote == '\'';
    if (quoted) {
        ++start;
        end = line.find(quote, start);
        if (end == npos) {
            out.append(line);
            return;
        }
    } else {
        end = start;
        while (end < line.size() && !IsSpace(line[end]) && line[end] != '>') ++end;
    }
    const OfflineLinkMap::Link& link = links.Resolve(line.substr(start, end - start));
    out.append(line.substr(0, start));
    if (link.Name.empty()) {
        if (!quoted && end > start) out.append("\"\"");
    } else {
        out.append(link.Stored.empty() ? link.Name : link.Stored);
    }
    out.append(line.substr(end));
}

// Finds line breaks with memchr. The next LF is remembered, so that a page whose lines end in
// CR alone is not searched to its end for an LF once per line.
class LineBreaks {
public:
    explicit LineBreaks(std::string_view page) : page_(page) {}

    // The first CR or LF from i on (the end of the page when none).
    std::size_t From(std::size_t i) {
        const char* const begin = page_.data();
        if (lf_ == npos || lf_ < i) {
            const void* found = std::memchr(begin + i, '\n', page_.size() - i);
            lf_ = found ? static_cast<std::size_t>(static_cast<const char*>(found) - begin)
                        : page_.size();
        }
        const void* cr = std::memchr(begin + i, '\r', lf_ - i);
        return cr ? static_cast<std::size_t>(static_cast<const char*>(cr) - begin) : lf_;
    }

private:
    std::string_view page_;
    std::size_t lf_ = npos;  // not searched yet
};

}  // namespace

// ------------------------------------------------------------------------------------------

OfflineLinkMap::StoredNameLookup OfflineLinkMap::ExactNames(
    std::function<bool(const std::string& name)> retrieved) {
    return [retrieved = std::move(retrieved)](const std::string& name) {
        return retrieved(name) ? name : std::string();
    };
}

OfflineLinkMap::OfflineLinkMap(const SessionFields& session, StoredNameLookup stored,
                               bool cacheStored)
    : stored_(std::move(stored)), cacheStored_(cacheStored) {
    mapping_.ProjectFolder = session.ProjectFolder;
    mapping_.SiteBase = session.SiteBase;
    mapping_.Settings = session.Settings;
    mapping_.Settings.CollectEMailAddresses = false;
    mapping_.FirstPageParsed = false;
    mapping_.OtherFileExtensions = session.OtherFileExtensions;
    mapping_.SessionOpenedFromFile = session.SessionOpenedFromFile;
    if (!stored_) {
        stored_ = [folder = session.ProjectFolder](const std::string& name) {
            return StoredNameIn(folder, name);
        };
    }
}

const OfflineLinkMap::Link& OfflineLinkMap::Resolve(std::string_view link) {
    if (const std::uint32_t known = linkTexts_.Find(link); known != TextIndex::kAbsent)
        return links_[known];
    Link resolved;
    resolved.Name = UrlToLocalName(link, mapping_);
    if (!resolved.Name.empty()) {
        resolved.OffSite = IsOffSite(link, mapping_);
        if (!cacheStored_) {
            resolved.Stored = stored_(resolved.Name);
        } else {
            auto stored = storedNames_.find(resolved.Name);
            if (stored == storedNames_.end())
                stored = storedNames_.emplace(resolved.Name, stored_(resolved.Name)).first;
            resolved.Stored = stored->second;
        }
    }
    linkTexts_.Add(link);
    return links_.emplace_back(std::move(resolved));
}

std::string JoinAnchorTags(std::string_view page) {
    std::string out;
    out.reserve(page.size());  // the joined form is never longer
    const std::size_t n = page.size();
    std::size_t i = 0;
    while (i < n) {
        const std::size_t lt = page.find('<', i);
        if (lt == npos) {
            out.append(page.substr(i));
            break;
        }
        out.append(page.substr(i, lt + 1 - i));
        i = lt + 1;
        if (i >= n) break;
        // The character after "<" goes with it and never starts a tag itself.
        const char next = page[i++];
        out += next;
        if (next != 'A') continue;
        // "<A", one blank, tab or line feed, "HREF", maybe white space, "=".
        if (i + 5 > n || (page[i] != ' ' && page[i] != '\t' && page[i] != '\n') ||
            !IsWord(page.substr(i + 1, 4), "HREF"))
            continue;
        const std::size_t eq = SkipSpaces(page, i + 5);
        if (eq >= n || page[eq] != '=') continue;
        out.append(" HREF=");
        // The rest of the tag, on this line: control characters (line breaks, tabs) go.
        const std::size_t gt = page.find('>', eq + 1);
        const std::size_t end = gt == npos ? n : gt + 1;
        for (std::size_t p = eq + 1; p < end; ++p) {
            const auto c = static_cast<unsigned char>(page[p]);
            if (c >= 32 && c != 127) out += static_cast<char>(c);
        }
        i = end;
    }
    return out;
}

std::string RewriteTagLinks(std::string_view page, OfflineLinkMap& links) {
    std::string out;
    out.reserve(page.size() + page.size() / 8 + 16);
    TagRewriter(page, links, out).Run();
    return out;
}

std::string RewriteSrcLines(std::string_view page, OfflineLinkMap& links) {
    std::string out;
    out.reserve(page.size() + page.size() / 16 + 16);
    const std::size_t n = page.size();
    std::size_t i = 0;
    LineBreaks breaks(page);
    while (i < n) {
        const std::size_t eol = breaks.From(i);
        RewriteSrcLine(page.substr(i, eol - i), links, out);
        out.append("\r\n");
        if (eol >= n) break;
        i = eol + ((page[eol] == '\r' && eol + 1 < n && page[eol + 1] == '\n') ? 2 : 1);
    }
    return out;
}

std::string ConvertPageText(std::string_view page, OfflineLinkMap& links) {
    const std::string joined = JoinAnchorTags(page);
    const std::string linked = RewriteTagLinks(joined, links);
    return RewriteSrcLines(linked, links);
}

namespace {

// A page that comes out as it went in is not written again.
template <typename Pass>
void RewriteFile(const std::string& path, Pass pass) {
    const std::string page = ReadFileBytes(path);
    const std::string converted = pass(page);
    if (converted != page) ReplaceFileBytes(path, converted);
}

}  // namespace

void JoinAnchorTagsFile(const std::string& path) {
    RewriteFile(path, [](std::string_view page) { return JoinAnchorTags(page); });
}

void RewriteTagLinksFile(const std::string& path, OfflineLinkMap& links) {
    RewriteFile(path, [&](std::string_view page) { return RewriteTagLinks(page, links); });
}

void RewriteSrcLinesFile(const std::string& path, OfflineLinkMap& links) {
    RewriteFile(path, [&](std::string_view page) { return RewriteSrcLines(page, links); });
}

void ConvertPageFile(const std::string& path, OfflineLinkMap& links) {
    RewriteFile(path, [&](std::string_view page) { return ConvertPageText(page, links); });
}
