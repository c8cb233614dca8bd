// The three rewriting passes on arbitrary pages. Each pass may change a page only where it
// rewrites a link's value; every other byte comes out as it went in:
//
//   JoinAnchorTags   drops nothing but white space and control characters (and writes "HREF"
//                    in capitals), so its output is the page with some of those bytes removed;
//   RewriteTagLinks  replaces attribute values (by the local name of the link, by nothing, or
//                    by "" for an unquoted value) and puts "* " and " *" around anchor texts;
//   RewriteSrcLines  replaces attribute values by their local names and ends every line with
//                    CR LF.
//
// The checks below find, for each output, a way to make it from the input by those edits alone.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "FuzzChecks.h"
#include "core/Addresses.h"
#include "offline/LinkRewriting.h"

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

// Bytes JoinAnchorTags may drop: control characters and blanks.
bool MayDrop(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 32 || u == 127 || c == ' ';
}

char Fold(char c) {
    if (c >= 'a' && c <= 'z') return static_cast<char>(c - 'a' + 'A');
    if (c == '\t' || c == '\n') return ' ';
    return c;
}

// The output of JoinAnchorTags is the input with droppable bytes removed; matched bytes are
// equal up to letter case and the kind of blank. A greedy match is exact here, because every
// byte that may be dropped only matches bytes that may be dropped too.
bool IsJoinedFrom(std::string_view in, std::string_view out) {
    std::size_t j = 0;
    std::size_t caseChanges = 0;
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (j < out.size() && Fold(in[i]) == Fold(out[j])) {
            if (in[i] != out[j] && in[i] != '\t' && in[i] != '\n') ++caseChanges;
            ++j;
        } else if (!MayDrop(in[i])) {
            return false;
        }
    }
    if (j != out.size()) return false;
    // Only the four letters of each joined "<A HREF=" may change case.
    std::size_t joined = 0;
    for (std::size_t p = out.find("<A HREF="); p != std::string_view::npos;
         p = out.find("<A HREF=", p + 1))
        ++joined;
    return caseChanges <= 4 * joined;
}

// An attribute value may start at i: after "=", blanks, and an optional quote.
bool IsValueStart(std::string_view in, std::size_t i) {
    std::size_t p = i;
    if (p > 0 && (in[p - 1] == '"' || in[p - 1] == '\'')) --p;
    while (p > 0 && IsBlank(in[p - 1])) --p;
    return p > 0 && in[p - 1] == '=';
}

// A value ends at a quote, a blank, ">" or the end of the text.
bool IsValueEnd(std::string_view in, std::size_t k) {
    return k == in.size() || in[k] == '"' || in[k] == '\'' || in[k] == '>' || IsBlank(in[k]);
}

// Whether out can be made from in by copying bytes, replacing values (by their local name, by
// nothing, or by ""), and, with markers, inserting "* " and " *".
bool IsRewrittenFrom(std::string_view in, std::string_view out, OfflineLinkMap& links,
                     bool markers) {
    const std::size_t width = out.size() + 1;
    std::unordered_set<std::uint64_t> seen;
    std::vector<std::uint64_t> work{0};
    auto push = [&](std::size_t i, std::size_t j) {
        const std::uint64_t key = static_cast<std::uint64_t>(i) * width + j;
        if (seen.insert(key).second) work.push_back(key);
    };
    while (!work.empty()) {
        const std::uint64_t key = work.back();
        work.pop_back();
        std::size_t i = static_cast<std::size_t>(key / width);
        std::size_t j = static_cast<std::size_t>(key % width);
        if (i == in.size() && j == out.size()) return true;
        if (markers && out.substr(j, 2) == "* ") push(i, j + 2);
        if (markers && out.substr(j, 2) == " *") push(i, j + 2);
        if (IsValueStart(in, i)) {
            for (std::size_t k = i + 1; k <= in.size(); ++k) {
                if (in[k - 1] == '\r' || in[k - 1] == '\n') break;
                if (!IsValueEnd(in, k)) continue;
                const OfflineLinkMap::Link& link = links.Resolve(in.substr(i, k - i));
                for (std::string_view replacement :
                     {std::string_view(link.Name), std::string_view(link.Stored),
                      std::string_view(), std::string_view("\"\"")}) {
                    if (out.substr(j, replacement.size()) == replacement)
                        push(k, j + replacement.size());
                }
            }
        }
        if (i < in.size() && j < out.size() && in[i] == out[j]) push(i + 1, j + 1);
    }
    return false;
}

// Every line ends in CR LF: CR LF, a lone CR and a lone LF each become one CR LF, and a last
// line without an end gets one.
std::string WithCrLfLines(std::string_view page) {
    std::string out;
    for (std::size_t i = 0; i < page.size(); ++i) {
        if (page[i] == '\r' || page[i] == '\n') {
            if (page[i] == '\r' && i + 1 < page.size() && page[i + 1] == '\n') ++i;
            out += "\r\n";
        } else {
            out += page[i];
        }
    }
    if (!page.empty() && page.back() != '\r' && page.back() != '\n') out += "\r\n";
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The search is quadratic at worst; pages of a few kilobytes find the same faults.
    if (size < 1 || size > 4096) return 0;
    const std::uint8_t flags = data[0];
    const std::string_view page(reinterpret_cast<const char*>(data + 1), size - 1);

    SessionFields s;
    s.SiteBase = "http://host/dir/";
    s.ProjectFolder = "/nonexistent-lanternway-fuzz/";
    s.Settings.SearchEntireSite = !(flags & 1);
    s.Settings.RetrieveImageFiles = !(flags & 2);
    s.Settings.RetrieveJavaApplets = flags & 4;
    s.Settings.RetrieveZIPEXEFiles = flags & 8;
    s.Settings.RetrieveOtherFiles = flags & 16;
    ParseOtherFileTypes(".pdf;.txt", s);
    // Which names count as retrieved: all, none, or about half of them.
    const int retrievedRule = (flags >> 5) & 3;
    auto retrieved = [retrievedRule](const std::string& name) {
        if (retrievedRule == 0) return true;
        if (retrievedRule == 1) return false;
        return name.size() % 2 == 0;
    };
    OfflineLinkMap links(s, OfflineLinkMap::ExactNames(retrieved));

    const std::string joined = JoinAnchorTags(page);
    FUZZ_CHECK(joined.size() <= page.size());
    FUZZ_CHECK(IsJoinedFrom(page, joined));

    const std::string tagged = RewriteTagLinks(page, links);
    FUZZ_CHECK(IsRewrittenFrom(page, tagged, links, true));

    const std::string lines = RewriteSrcLines(page, links);
    FUZZ_CHECK(IsRewrittenFrom(WithCrLfLines(page), lines, links, false));

    // The passes in turn, as the conversion runs them, end with CR LF lines.
    const std::string converted = ConvertPageText(page, links);
    FUZZ_CHECK(converted.empty() ||
               (converted.size() >= 2 && converted.compare(converted.size() - 2, 2, "\r\n") == 0));
    return 0;
}
