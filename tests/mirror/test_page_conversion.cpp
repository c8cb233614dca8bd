#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "mirror/PageConversion.h"

namespace {

// The files retrieved by the copy, by address.
const std::map<std::string, std::string, std::less<>> kRetrieved = {
    {"http://site.test/docs/page.html", "docs/page.html"},
    {"http://site.test/docs/a.html", "docs/a.html"},
    {"http://site.test/img/x.png", "img/x.png"},
    {"http://site.test/style.css", "style.css"},
    {"https://cdn.test/s.js", "_hosts/https/cdn.test/s.js"},
    {"http://site.test/q.php?a=1&b=2", "q.php@a=1&b=2.html"},
    {"http://site.test/docs/my%20file.html", "docs/my%20file.html"},
};

std::optional<std::string> Lookup(std::string_view address) {
    const auto it = kRetrieved.find(address);
    if (it == kRetrieved.end()) return std::nullopt;
    return it->second;
}

struct ConversionCase {
    const char* what;
    std::string page;
    std::string converted;
};

void PrintTo(const ConversionCase& c, std::ostream* os) {
    *os << c.what;
}

class Conversion : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(Conversion, RewritesEveryReference) {
    EXPECT_EQ(mirror::ConvertPage(GetParam().page, "http://site.test/docs/page.html",
                                  "docs/page.html", Lookup),
              GetParam().converted);
}

// The plan kept from a page's scan, its texts numbered apart (as a copy keeps them while its
// other pages arrive), rewrites it to the same bytes.
TEST_P(Conversion, APlanOfTheScanRewritesTheSame) {
    const std::string& page = GetParam().page;
    std::vector<std::string> texts;
    std::optional<mirror::ConversionPlan> plan;
    {
        const auto references =
            mirror::ExtractPageReferences(page, "http://site.test/docs/page.html");
        plan = mirror::PlanConversion(references, [&](std::string_view text) {
            texts.emplace_back(text);
            return static_cast<std::uint32_t>(texts.size() - 1);
        });
    }  // nothing of the scan is left to read
    ASSERT_TRUE(plan);
    const mirror::KeptText kept = [&](std::uint32_t n) { return std::string_view(texts[n]); };
    EXPECT_EQ(mirror::ApplyEdits(
                  page, mirror::ConversionEdits(page, *plan, kept, "docs/page.html", Lookup)),
              GetParam().converted);
}

const ConversionCase kConversionCases[] = {
    {"already the right relative path", "<a href=\"a.html\">", "<a href=\"a.html\">"},
    {"absolute path to a retrieved page, fragment kept", "<a href=\"/docs/a.html#s\">",
     "<a href=\"a.html#s\">"},
    {"absolute address to a retrieved picture", "<img src=\"http://site.test/img/x.png\" alt=x>",
     "<img src=\"../img/x.png\" alt=x>"},
    {"not retrieved becomes the address online", "<a href='missing.html#m'>",
     "<a href='http://site.test/docs/missing.html#m'>"},
    {"unquoted", "<a href=/docs/a.html>x</a>", "<a href=a.html>x</a>"},
    {"query file name with its & escaped", "<a href=\"/q.php?a=1&amp;b=2\">",
     "<a href=\"../q.php@a=1&amp;b=2.html\">"},
    {"escape in a local name", "<a href=\"my%20file.html\">", "<a href=\"my%2520file.html\">"},
    {"another host, integrity and crossorigin taken out",
     "<script src=\"https://cdn.test/s.js\" integrity=\"sha384-x\" "
     "crossorigin=\"anonymous\"></script>",
     "<script src=\"../_hosts/https/cdn.test/s.js\" data-integrity=\"sha384-x\" "
     "data-crossorigin=\"anonymous\"></script>"},
    {"integrity kept for a file left online",
     "<script src=\"https://other.test/t.js\" integrity=\"sha384-x\"></script>",
     "<script src=\"https://other.test/t.js\" integrity=\"sha384-x\"></script>"},
    {"srcset item by item", "<img srcset=\"/img/x.png 1x, y.png 2x\">",
     "<img srcset=\"../img/x.png 1x, http://site.test/docs/y.png 2x\">"},
    {"style attribute", "<div style=\"background:url(/img/x.png)\">",
     "<div style=\"background:url(../img/x.png)\">"},
    {"style block", "<style>@import \"/style.css\"; p{background:url('nope.png')}</style>",
     "<style>@import \"../style.css\"; "
     "p{background:url('http://site.test/docs/nope.png')}</style>"},
    {"form targets: to the copy's page, or online",
     "<form action=\"/docs/a.html\"><button formaction=\"/cgi/go\">",
     "<form action=\"a.html\"><button formaction=\"http://site.test/cgi/go\">"},
    {"refresh", "<meta http-equiv=\"refresh\" content=\"0; url=/docs/a.html\">",
     "<meta http-equiv=\"refresh\" content=\"0; url=a.html\">"},
    {"base taken out, links resolved against it",
     "<base href=\"http://site.test/\" target=\"_blank\"><a href=\"docs/a.html\">",
     "<base data-href=\"http://site.test/\" target=\"_blank\"><a href=\"a.html\">"},
    {"repeated attributes go with the first",
     "<base href=/ HREF=/docs/><script src=/style.css integrity=a crossorigin "
     "integrity=b></script>",
     "<base data-href=/ data-HREF=/docs/><script src=../style.css data-integrity=a "
     "data-crossorigin "
     "data-integrity=b></script>"},
    {"base without a target", "<base href=\"/\"><img src=img/x.png>",
     "<base data-href=\"/\"><img src=../img/x.png>"},
    {"same-document and other schemes stay",
     "<a href=\"#top\"><a href=\"mailto:a@b.test\"><a href=\"javascript:go()\">",
     "<a href=\"#top\"><a href=\"mailto:a@b.test\"><a href=\"javascript:go()\">"},
    {"nothing else changes",
     "<!DOCTYPE html>\r\n<P CLASS=x>Text &amp; more<!-- <a href=\"/docs/a.html\"> --></P>"
     "<script>var s = '<img src=\"/img/x.png\">';</script><textarea><a href=x></textarea>",
     "<!DOCTYPE html>\r\n<P CLASS=x>Text &amp; more<!-- <a href=\"/docs/a.html\"> --></P>"
     "<script>var s = '<img src=\"/img/x.png\">';</script><textarea><a href=x></textarea>"},
};

INSTANTIATE_TEST_SUITE_P(Pages, Conversion, ::testing::ValuesIn(kConversionCases));

// Cutting the attribute out would give the "=" that follows it to the attribute before it.
TEST(PageConversion, TakingAnAttributeOutLeavesItsNeighboursAsTheyWere) {
    EXPECT_EQ(mirror::ConvertPage("<link rel=stylesheet href=/style.css x integrity=\"h\"=\"y\">",
                                  "http://site.test/", "index.html", Lookup),
              "<link rel=stylesheet href=style.css x data-integrity=\"h\"=\"y\">");
}

TEST(PageConversion, StyleSheetsAreRewrittenInPlace) {
    const std::string css =
        "@import url(/style.css);\n.a{background:url(\"../img/x.png\")}\n.b{background:url(n.png)}";
    EXPECT_EQ(
        mirror::ConvertStyleSheet(css, "http://site.test/css/main.css", "css/main.css", Lookup),
        "@import url(../style.css);\n.a{background:url(\"../img/x.png\")}\n"
        ".b{background:url(http://site.test/css/n.png)}");
}

TEST(PageConversion, AddressesThatWouldBreakTheirPlaceAreEscaped) {
    const auto lookup = [](std::string_view address) -> std::optional<std::string> {
        if (address == "http://site.test/p%281%29.png") return "p(1).png";
        return std::nullopt;
    };
    EXPECT_EQ(
        mirror::ConvertPage("<p style='background:url(/p%281%29.png)'><a href=\"x y'.html\">",
                            "http://site.test/", "index.html", lookup),
        "<p style='background:url(p\\(1\\).png)'><a href=\"http://site.test/x%20y%27.html\">");
}

TEST(PageConversion, ConvertsFromReferencesExtractedBefore) {
    const std::string page = "<a href=/docs/a.html><img src=/img/x.png>";
    const auto references = mirror::ExtractPageReferences(page, "http://site.test/docs/page.html");
    EXPECT_EQ(
        mirror::ConvertPage(page, references, "docs/page.html", Lookup),
        mirror::ConvertPage(page, "http://site.test/docs/page.html", "docs/page.html", Lookup));
}

TEST(PageConversion, EditsAreSortedAndDisjoint) {
    const std::string page =
        "<img srcset=\"b.png 2x\" src=a.png style=\"x:url(c.png)\"><base href=/>";
    const auto references = mirror::ExtractPageReferences(page, "http://site.test/");
    const auto edits = mirror::ConversionEdits(page, references, "index.html", Lookup);
    ASSERT_EQ(edits.size(), 4u);
    for (std::size_t k = 1; k < edits.size(); ++k) EXPECT_LE(edits[k - 1].end, edits[k].begin);
    EXPECT_EQ(edits.back().begin, edits.back().end);
    EXPECT_EQ(edits.back().replacement, "data-");
}

}  // namespace
