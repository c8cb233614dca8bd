#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "mirror/CssReferences.h"

namespace {

// Each reference as "value[raw]" with its syntax (u for url(), the quote for a string) and
// "import" or "font" when it is one; references separated by " | ".
std::string References(std::string_view css) {
    std::string out;
    for (const auto& r : mirror::FindCssReferences(css)) {
        if (!out.empty()) out += " | ";
        out += r.value + "[" + std::string(css.substr(r.begin, r.end - r.begin)) + "]";
        out += r.syntax == mirror::CssValueSyntax::Url ? std::string("u") : std::string(1, r.quote);
        if (r.import) out += " import";
        if (r.fontFace) out += " font";
    }
    return out;
}

struct CssCase {
    const char* what;
    std::string css;
    std::string references;
};

void PrintTo(const CssCase& c, std::ostream* os) {
    *os << c.what;
}

class CssScan : public ::testing::TestWithParam<CssCase> {};

TEST_P(CssScan, FindsTheAddresses) {
    EXPECT_EQ(References(GetParam().css), GetParam().references);
}

const CssCase kCssCases[] = {
    {"unquoted", "a{background:url(a.png)}", "a.png[a.png]u"},
    {"spaces inside", "a{background:url(  a.png\t)}", "a.png[a.png]u"},
    {"double-quoted", "a{background:url(\"a b.png\")}", "a b.png[a b.png]\""},
    {"single-quoted after spaces", "a{background:url( 'a.png' )}", "a.png[a.png]'"},
    {"function name in any case", "a{background:URL(a.png)}", "a.png[a.png]u"},
    {"escaped letter in the name", "a{background:u\\72 l(a.png)}", "a.png[a.png]u"},
    {"escaped ) in the address", "a{b:url(a\\).png)}", "a).png[a\\).png]u"},
    {"hex escape", "a{b:url(\\61 .png)}", "a.png[\\61 .png]u"},
    {"address at the end", "a{b:url(a.png", "a.png[a.png]u"},
    {"two in one value", "a{b:url(a.png),url(b.png)}", "a.png[a.png]u | b.png[b.png]u"},
    {"other function names", "a{b:myurl(a.png);c:-url(b.png)}", ""},
    {"a hash or a dimension is no function", "a{b:#url(a.png) 10url(b.png)}", ""},
    {"comments", "/* url(a.png) */a{b:url(/*x*/b.png)}", "/*x*/b.png[/*x*/b.png]u"},
    {"strings are not addresses", "a:after{content:\"url(a.png)\"}", ""},
    {"a space inside an unquoted address spoils it", "a{b:url(a b.png) url(c.png)}",
     "c.png[c.png]u"},
    {"a quote inside an unquoted address spoils it", "a{b:url(a\"b.png) url(c.png)}",
     "c.png[c.png]u"},
    {"@import with a string", "@import \"x.css\";", "x.css[x.css]\" import"},
    {"@import with url() and a media list", "@import url(x.css) screen;", "x.css[x.css]u import"},
    {"@import in capitals after a comment", "@IMPORT /* c */ 'x.css';", "x.css[x.css]' import"},
    {"only the first string of @import", "@import 'x.css' supports('y');", "x.css[x.css]' import"},
    {"escaped newline in a string", "@import 'a\\\nb.css';", "ab.css[a\\\nb.css]' import"},
    {"string cut by a newline", "@import 'x.css\n;", ""},
    {"image-set strings", "a{b:image-set(\"a.png\" 1x, 'b.png' 2x)}",
     "a.png[a.png]\" | b.png[b.png]'"},
    {"image-set type() is no address", "a{b:image-set(\"a.avif\" type(\"image/avif\"))}",
     "a.avif[a.avif]\""},
    {"prefixed image-set with url()", "a{b:-webkit-image-set(url(a.png) 1x)}", "a.png[a.png]u"},
    {"font-face", "@font-face{src:url(f.woff2) format('woff2')}a{b:url(c.png)}",
     "f.woff2[f.woff2]u font | c.png[c.png]u"},
    {"fragment", "a{filter:url(#f)}", "#f[#f]u"},
};

INSTANTIATE_TEST_SUITE_P(StyleSheets, CssScan, ::testing::ValuesIn(kCssCases));

TEST(CssReferences, EscapesWhatWouldEndAValue) {
    using mirror::CssValueSyntax;
    EXPECT_EQ(mirror::EscapeCssValue("a(1).png", CssValueSyntax::Url, 0), "a\\(1\\).png");
    EXPECT_EQ(mirror::EscapeCssValue("a b", CssValueSyntax::Url, 0), "a\\20 b");
    EXPECT_EQ(mirror::EscapeCssValue("it's \"x\"", CssValueSyntax::String, '\''), "it\\'s \"x\"");
    EXPECT_EQ(mirror::EscapeCssValue("a\nb\\", CssValueSyntax::String, '"'), "a\\a b\\\\");
}

TEST(CssReferences, EscapedValuesReadBackAsTheSameAddress) {
    using mirror::CssValueSyntax;
    for (const std::string address : {"a(1).png", "x y\tz", "q'\"\\", "caf\xC3\xA9.png"}) {
        const std::string unquoted =
            "a{b:url(" + mirror::EscapeCssValue(address, CssValueSyntax::Url, 0) + ")}";
        const std::string quoted =
            "a{b:url('" + mirror::EscapeCssValue(address, CssValueSyntax::String, '\'') + "')}";
        for (const std::string& css : {unquoted, quoted}) {
            const auto found = mirror::FindCssReferences(css);
            ASSERT_EQ(found.size(), 1u) << css;
            EXPECT_EQ(found[0].value, address) << css;
        }
    }
}

}  // namespace
