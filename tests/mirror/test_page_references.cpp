#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "mirror/PageReferences.h"

namespace {

using mirror::ReferenceKind;
using mirror::ResourceType;

const char kPageAddress[] = "http://site.test/dir/page.html";

char TypeLetter(ResourceType type) {
    switch (type) {
        case ResourceType::Image:
            return 'I';
        case ResourceType::StyleSheet:
            return 'S';
        case ResourceType::Script:
            return 'J';
        case ResourceType::Font:
            return 'F';
        case ResourceType::Other:
            return 'O';
    }
    return '?';
}

// Each reference as "P" (page), "R" (requisite) or "T" (form target), its type letter, its address
// and, in brackets, the raw bytes of the page it stands on.
std::vector<std::string> Describe(std::string_view page, const mirror::PageReferences& found) {
    std::vector<std::string> out;
    for (const auto& r : found.references) {
        const char* kind = r.kind == ReferenceKind::Page        ? "P"
                           : r.kind == ReferenceKind::Requisite ? "R"
                                                                : "T";
        out.push_back(kind + std::string(1, TypeLetter(r.type)) + " " + r.address + " [" +
                      std::string(page.substr(r.begin, r.end - r.begin)) + "]");
    }
    return out;
}

struct ExtractCase {
    const char* what;
    std::string page;
    std::vector<std::string> references;
};

void PrintTo(const ExtractCase& c, std::ostream* os) {
    *os << c.what;
}

class Extraction : public ::testing::TestWithParam<ExtractCase> {};

TEST_P(Extraction, FindsEachReference) {
    const auto found = mirror::ExtractPageReferences(GetParam().page, kPageAddress);
    EXPECT_EQ(Describe(GetParam().page, found), GetParam().references);
}

const ExtractCase kExtractCases[] = {
    {"a href", "<a href=\"x.html\">x</a>", {"PO http://site.test/dir/x.html [x.html]"}},
    {"area href, other host",
     "<area href='http://other.test/'>",
     {"PO http://other.test/ [http://other.test/]"}},
    {"tag and attribute in capitals, unquoted",
     "<A HREF=X.html>",
     {"PO http://site.test/dir/X.html [X.html]"}},
    {"white space around the address",
     "<a href=\"  x.html\n\">",
     {"PO http://site.test/dir/x.html [x.html]"}},
    {"character references",
     "<a href=\"q.php?a=1&amp;b=2\">",
     {"PO http://site.test/dir/q.php?a=1&b=2 [q.php?a=1&amp;b=2]"}},
    {"fragment kept in the raw range",
     "<a href=\"x.html#s\">",
     {"PO http://site.test/dir/x.html [x.html#s]"}},
    {"same-document, mail, script and data references",
     "<a href='#top'><a href=''><a href='mailto:a@b.test'>"
     "<a href='javascript:go()'><img src='data:image/gif;base64,R0lG'>",
     {}},
    {"parent folder", "<a href=\"../up.html\">", {"PO http://site.test/up.html [../up.html]"}},
    {"protocol-relative",
     "<script src=\"//cdn.test/x.js\"></script>",
     {"RJ http://cdn.test/x.js [//cdn.test/x.js]"}},
    {"query only", "<a href=\"?p=2\">", {"PO http://site.test/dir/page.html?p=2 [?p=2]"}},
    {"frames",
     "<frame src=f.html><iframe src=\"i.html\"></iframe>",
     {"PO http://site.test/dir/f.html [f.html]", "PO http://site.test/dir/i.html [i.html]"}},
    {"refresh",
     "<meta http-equiv=\"Refresh\" content=\"5; url=next.html\">",
     {"PO http://site.test/dir/next.html [next.html]"}},
    {"refresh of the page itself", "<meta http-equiv=refresh content=30>", {}},
    {"other meta", "<meta name=x content=\"0; url=no.html\">", {}},
    {"img src and srcset",
     "<img src=a.png srcset=\"b.png 1x, /c.png 2x\">",
     {"RI http://site.test/dir/a.png [a.png]", "RI http://site.test/dir/b.png [b.png]",
      "RI http://site.test/c.png [/c.png]"}},
    {"picture",
     "<picture><source srcset=\"w.webp 100w\"><img src=f.jpg></picture>",
     {"RI http://site.test/dir/w.webp [w.webp]", "RI http://site.test/dir/f.jpg [f.jpg]"}},
    {"video, audio, source and track",
     "<video src=v.mp4 poster=p.jpg><source src=v.webm><track src=t.vtt></video><audio src=a.ogg>",
     {"RO http://site.test/dir/v.mp4 [v.mp4]", "RI http://site.test/dir/p.jpg [p.jpg]",
      "RO http://site.test/dir/v.webm [v.webm]", "RO http://site.test/dir/t.vtt [t.vtt]",
      "RO http://site.test/dir/a.ogg [a.ogg]"}},
    {"input type=image only",
     "<input type=IMAGE src=go.png><input type=text src=no.png>",
     {"RI http://site.test/dir/go.png [go.png]"}},
    {"link rels",
     "<link rel=stylesheet href=s.css><link rel=\"shortcut icon\" href=f.ico>"
     "<link rel=apple-touch-icon href=t.png><link rel=preload as=font href=f.woff2>"
     "<link rel=preload as=style href=p.css><link rel=modulepreload href=m.js>"
     "<link rel=manifest href=m.json><link rel=canonical href=c.html>"
     "<link rel=\"Alternate StyleSheet\" href=alt.css>",
     {"RS http://site.test/dir/s.css [s.css]", "RI http://site.test/dir/f.ico [f.ico]",
      "RI http://site.test/dir/t.png [t.png]", "RF http://site.test/dir/f.woff2 [f.woff2]",
      "RS http://site.test/dir/p.css [p.css]", "RJ http://site.test/dir/m.js [m.js]",
      "RO http://site.test/dir/m.json [m.json]", "PO http://site.test/dir/c.html [c.html]",
      "RS http://site.test/dir/alt.css [alt.css]"}},
    {"preload of pictures by srcset",
     "<link rel=preload as=image imagesrcset=\"a.png 1x, b.png 2x\">",
     {"RI http://site.test/dir/a.png [a.png]", "RI http://site.test/dir/b.png [b.png]"}},
    {"object and embed",
     "<object data=o.swf></object><embed src=e.svg>",
     {"RO http://site.test/dir/o.swf [o.swf]", "RO http://site.test/dir/e.svg [e.svg]"}},
    {"form targets",
     "<form action=\"/search\"><input type=submit formaction=s2.php>"
     "<button formaction=\"?q=1\">b</button><input type=image src=go.png formaction=g>"
     "</form><form action=\"\"><form action=#x>",
     {"TO http://site.test/search [/search]", "TO http://site.test/dir/s2.php [s2.php]",
      "TO http://site.test/dir/page.html?q=1 [?q=1]", "RI http://site.test/dir/go.png [go.png]",
      "TO http://site.test/dir/g [g]"}},
    {"backgrounds",
     "<body background=b.gif><table background=t.gif><tr><td background=c.gif>",
     {"RI http://site.test/dir/b.gif [b.gif]", "RI http://site.test/dir/t.gif [t.gif]",
      "RI http://site.test/dir/c.gif [c.gif]"}},
    {"svg image and use",
     "<svg><image href=i.png /><use xlink:href=\"s.svg#icon\"/><use href=#local /></svg>",
     {"RI http://site.test/dir/i.png [i.png]", "RI http://site.test/dir/s.svg [s.svg#icon]"}},
    {"style attribute",
     "<div style=\"background:url('bg.png')\">",
     {"RI http://site.test/dir/bg.png [bg.png]"}},
    {"style attribute with character references",
     "<p style=\"b:url(&quot;x&amp;y.png&quot;)\">",
     {"RI http://site.test/dir/x&y.png [x&amp;y.png]"}},
    {"style block",
     "<style>@import 'a.css'; body{background:url(b.png)} @font-face{src:url(f.ttf)}</style>",
     {"RS http://site.test/dir/a.css [a.css]", "RI http://site.test/dir/b.png [b.png]",
      "RF http://site.test/dir/f.ttf [f.ttf]"}},
    {"base href",
     "<base href=\"http://cdn.test/base/\"><img src=\"i.png\">",
     {"RI http://cdn.test/base/i.png [i.png]"}},
    {"the first base counts, wherever it stands",
     "<img src=i.png><base href=/b/><base href=/c/>",
     {"RI http://site.test/b/i.png [i.png]"}},
    {"script and comments are not read",
     "<script>document.write('<img src=no.png>')</script><!-- <img src=no2.png> -->",
     {}},
    {"noscript is read",
     "<noscript><img src=n.png></noscript>",
     {"RI http://site.test/dir/n.png [n.png]"}},
    {"the first of repeated attributes",
     "<img src=a.png src=b.png>",
     {"RI http://site.test/dir/a.png [a.png]"}},
    {"backslashes and spaces",
     "<a href=\"a\\b c.html\">",
     {"PO http://site.test/dir/a/b%20c.html [a\\b c.html]"}},
    {"non-ASCII",
     "<a href=\"caf\xC3\xA9.html\">",
     {"PO http://site.test/dir/caf%C3%A9.html [caf\xC3\xA9.html]"}},
};

INSTANTIATE_TEST_SUITE_P(Constructs, Extraction, ::testing::ValuesIn(kExtractCases));

TEST(PageReferences, StyleSheetImportsFontsAndPictures) {
    const std::string css =
        "@import url(\"print.css\") print;\n.a{background:url(../img/a.png)}\n"
        "@font-face{font-family:x;src:url(/fonts/f.woff2) format('woff2'),url(f.ttf)}\n"
        ".b{cursor:url(c.cur),auto}";
    const auto found = mirror::ExtractStyleSheetReferences(css, "http://site.test/css/main.css");
    EXPECT_EQ(Describe(css, found),
              (std::vector<std::string>{"RS http://site.test/css/print.css [print.css]",
                                        "RI http://site.test/img/a.png [../img/a.png]",
                                        "RF http://site.test/fonts/f.woff2 [/fonts/f.woff2]",
                                        "RF http://site.test/css/f.ttf [f.ttf]",
                                        "RI http://site.test/css/c.cur [c.cur]"}));
}

TEST(PageReferences, RecordsBaseHrefsAndIntegrityForTheConversion) {
    const std::string page =
        "<base href=\"/x/\" target=_top><script src=s.js INTEGRITY=\"sha384-a\"  "
        "crossorigin></script>"
        "<div integrity=x></div>";
    const auto found = mirror::ExtractPageReferences(page, kPageAddress);
    ASSERT_EQ(found.baseHrefs.size(), 1u);
    EXPECT_EQ(page.substr(found.baseHrefs[0].nameBegin, 5), "href=");
    EXPECT_EQ(found.baseAddress, "http://site.test/x/");
    ASSERT_EQ(found.integrityAttributes.size(), 2u);
    EXPECT_EQ(page.substr(found.integrityAttributes[0].nameBegin, 10), "INTEGRITY=");
    EXPECT_EQ(page.substr(found.integrityAttributes[1].nameBegin, 12), "crossorigin>");
    EXPECT_EQ(found.integrityAttributes[0].tagBegin, found.references.at(0).tagBegin);
}

}  // namespace
