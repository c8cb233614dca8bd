#include <gtest/gtest.h>

#include <chrono>
#include <ostream>
#include <string>

#include "mirror/CharacterReferences.h"
#include "mirror/HtmlTokenizer.h"

namespace {

using mirror::HtmlTextKind;
using mirror::HtmlTokenizer;
using mirror::HtmlTokenType;

// The tokens of a source in a compact form: <name a="v" b> for a start tag (/> when
// self-closing), </name>, <!--text-->, <!DOCTYPE name>, <![CDATA[text]]>, and text as the
// browser reads it (character references decoded where markup text decodes them); adjacent
// texts are joined, as a browser joins them.
std::string Tokens(std::string_view source) {
    HtmlTokenizer tokenizer(source);
    std::string out;
    bool lastWasText = false;
    while (tokenizer.Next()) {
        const auto& t = tokenizer.Token();
        if (t.type == HtmlTokenType::Text) {
            const bool decodes =
                t.textKind == HtmlTextKind::Data || t.textKind == HtmlTextKind::RcData;
            if (!lastWasText) out += "|";
            out += decodes
                       ? mirror::DecodeCharacterReferences(t.text, mirror::ReferenceContext::Text)
                       : std::string(t.text);
            lastWasText = true;
            continue;
        }
        lastWasText = false;
        out += "|";
        switch (t.type) {
            case HtmlTokenType::StartTag:
                out += "<" + std::string(t.name);
                for (const auto& a : t.attributes) {
                    out += " " + std::string(a.name);
                    if (a.hasValue) out += "=\"" + std::string(a.value) + "\"";
                }
                out += t.selfClosing ? "/>" : ">";
                break;
            case HtmlTokenType::EndTag:
                out += "</" + std::string(t.name) + ">";
                break;
            case HtmlTokenType::Comment:
                out += "<!--" + std::string(t.text) + "-->";
                break;
            case HtmlTokenType::Doctype:
                out += "<!DOCTYPE " + std::string(t.name) + ">";
                break;
            case HtmlTokenType::CData:
                out += "<![CDATA[" + std::string(t.text) + "]]>";
                break;
            default:
                break;
        }
    }
    return out;
}

struct TokenCase {
    const char* what;
    std::string source;
    std::string tokens;
};

void PrintTo(const TokenCase& c, std::ostream* os) {
    *os << c.what;
}

class Tokenization : public ::testing::TestWithParam<TokenCase> {};

TEST_P(Tokenization, ReadsTokensAsABrowser) {
    EXPECT_EQ(Tokens(GetParam().source), GetParam().tokens) << GetParam().what;
}

// The hard cases of the HTML standard's tokenizer: how names, values, comments and raw text end,
// and what a browser makes of broken markup.
const TokenCase kTokenCases[] = {
    {"doctype in any case", "<!DOCTYPE html><!doctype HtMl>", "|<!DOCTYPE html>|<!DOCTYPE html>"},
    {"doctype without space before name", "<!DOCTYPEhtml>", "|<!DOCTYPE html>"},
    {"doctype ends at > even in a quoted identifier", "<!DOCTYPE html PUBLIC \">x",
     "|<!DOCTYPE html>|x"},
    {"truncated doctype is a bogus comment", "<!DOC>", "|<!--DOC-->"},
    {"start and end tag", "<h></h>", "|<h>|</h>"},
    {"tag and attribute names are lower-cased", "<X Y=1 Z></X>", "|<x y=\"1\" z>|</x>"},
    {"names keep odd bytes", "<x@AZ[`az{ @AZ[`az{>", "|<x@az[`az{ @az[`az{>"},
    {"< in a tag name", "<a<b>", "|<a<b>"},
    {"single, double and unquoted values", "<h a='b' c=\"d\" e=f>", "|<h a=\"b\" c=\"d\" e=\"f\">"},
    {"no white space after a quoted value", "<h a='b'c='d'>", "|<h a=\"b\" c=\"d\">"},
    {"white space around =", "<h a = 'b'  c\n=\td>", "|<h a=\"b\" c=\"d\">"},
    {"the first of repeated attributes counts", "<x x=1 x=2 X=3>", "|<x x=\"1\">"},
    {"= as the first byte of a name", "<z =>", "|<z =>"},
    {"=== makes a name and a value", "<z ===>", "|<z ==\"=\">"},
    {"= inside an unquoted value", "<z z=z=z>", "|<z z=\"z=z\">"},
    {"quotes and < inside an unquoted value", "<foo a=b'c\"d<e>", "|<foo a=\"b'c\"d<e\">"},
    {"quote inside a name", "<foo a\"b='bar'>", "|<foo a\"b=\"bar\">"},
    {"missing value", "<h a=>x", "|<h a=\"\">|x"},
    {"value ends at >", "<a a=f<>", "|<a a=\"f<\">"},
    {"self-closing", "<br/><h a='b'/><xr/>", "|<br/>|<h a=\"b\"/>|<xr/>"},
    {"slash between attributes", "<h/a='b'>", "|<h a=\"b\">"},
    {"slash and digit", "<z/0  <>", "|<z 0 <>"},
    {"end tag attributes are dropped", "<h></h a='b'>", "|<h>|</h>"},
    {"empty end tag is dropped", "a</>bc", "|abc"},
    {"end tag starting with a digit is a comment", "</1>", "|<!--1-->"},
    {"<> is text", "<>", "|<>"},
    {"< space is text", "foo < bar", "|foo < bar"},
    {"</ at the end is text", "</", "|</"},
    {"tag cut off by the end gives nothing", "x<a href='y", "|x"},
    {"tag cut off after a name", "<z\r", ""},
    {"simple comment", "<!--comment-->", "|<!--comment-->"},
    {"comment with a central dash", "<!----->", "|<!----->"},
    {"comment with two central dashes", "<!-- --comment -->", "|<!-- --comment -->"},
    {"short comment", "<!-->x", "|<!---->|x"},
    {"short comment two", "<!--->x", "|<!---->|x"},
    {"short comment three", "<!---->x", "|<!---->|x"},
    {"--!> ends a comment", "<!--a--!>b", "|<!--a-->|b"},
    {"nested comment opener", "<!-- <!--test-->", "|<!-- <!--test-->"},
    {"comment cut off by the end", "<!--comment", "|<!--comment-->"},
    {"comment cut off after dashes", "<!-- --", "|<!-- -->"},
    {"<!- is a bogus comment", "<!-", "|<!----->"},
    {"<? is a bogus comment", "<?xml version='1.0'?>a", "|<!--?xml version='1.0'?-->|a"},
    {"CDATA in HTML is a bogus comment", "<![CDATA[foo]]>", "|<!--[CDATA[foo]]-->"},
    {"CDATA in SVG", "<svg><![CDATA[a<b>]]></svg>", "|<svg>|<![CDATA[a<b>]]>|</svg>"},
    {"character references in text", "I'm &notit; &amp; &#x3f;&#0036;", "|I'm \xC2\xACit; & ?$"},
    {"title is RCDATA", "<title>a<b>&amp;</title>", "|<title>|a<b>&|</title>"},
    {"textarea end tag in any case", "<textarea>x</TEXTAREA>", "|<textarea>|x|</textarea>"},
    {"style is raw text", "<style>a<b>&amp;</style>", "|<style>|a<b>&amp;|</style>"},
    {"raw text ends only at its own end tag", "<style></foo>bar</stylex></style>",
     "|<style>|</foo>bar</stylex>|</style>"},
    {"raw text end tag needs a following space, / or >", "<xmp>foo</xmp</xmp>",
     "|<xmp>|foo</xmp|</xmp>"},
    {"raw text end tag cut off by the end", "<xmp>foo</xmp ", "|<xmp>|foo"},
    {"commented end tag in raw text still ends it", "<xmp>foo<!--</xmp>-->",
     "|<xmp>|foo<!--|</xmp>|-->"},
    {"iframe content is raw text", "<iframe><a href=x></iframe>", "|<iframe>|<a href=x>|</iframe>"},
    {"script is not markup", "<script>if (a<b) s='<a href=\"x\">';</script><b>",
     "|<script>|if (a<b) s='<a href=\"x\">';|</script>|<b>"},
    {"script escaped by <!-- still ends at </script>", "<script><!--x</script>y",
     "|<script>|<!--x|</script>|y"},
    {"script doubly escaped", "<script><!--<script></script>--></script>z",
     "|<script>|<!--<script></script>-->|</script>|z"},
    {"double escape ended by </script>", "<script><!--<script></script></script>q",
     "|<script>|<!--<script></script>|</script>|q"},
    {"--> leaves the escape", "<script><!--a--><script></script>b",
     "|<script>|<!--a--><script>|</script>|b"},
    {"<!--> in script", "<script><!--></script>x", "|<script>|<!-->|</script>|x"},
    {"script end tag in any case", "<script>a</SCRIPT >b", "|<script>|a|</script>|b"},
    {"plaintext runs to the end", "<plaintext><a></plaintext>", "|<plaintext>|<a></plaintext>"},
    {"svg title is markup", "<svg><title><a href=x>t</a></title></svg>",
     "|<svg>|<title>|<a href=\"x\">|t|</a>|</title>|</svg>"},
    {"foreignObject holds HTML", "<svg><foreignObject><style><b></style></foreignObject></svg>",
     "|<svg>|<foreignobject>|<style>|<b>|</style>|</foreignobject>|</svg>"},
    {"a breakout tag ends foreign content", "<svg><p><![CDATA[x]]>",
     "|<svg>|<p>|<!--[CDATA[x]]-->"},
    {"NUL in a tag name", std::string("<a\0b>", 5),
     "|<a\xEF\xBF\xBD"
     "b>"},
};

INSTANTIATE_TEST_SUITE_P(HardCases, Tokenization, ::testing::ValuesIn(kTokenCases));

struct ValueCase {
    const char* what;
    std::string source;  // one tag with an attribute "a"
    std::string value;
};

void PrintTo(const ValueCase& c, std::ostream* os) {
    *os << c.what;
}

class AttributeValues : public ::testing::TestWithParam<ValueCase> {};

TEST_P(AttributeValues, DecodesReferencesAsInAnAttribute) {
    HtmlTokenizer tokenizer(GetParam().source);
    ASSERT_TRUE(tokenizer.Next());
    const auto* a = tokenizer.Token().Attribute("a");
    ASSERT_NE(a, nullptr) << GetParam().what;
    EXPECT_EQ(a->value, GetParam().value) << GetParam().what;
}

const ValueCase kValueCases[] = {
    {"&amp;", "<h a='x&amp;y'>", "x&y"},
    {"hexadecimal", "<h a='&#x3f;'>", "?"},
    {"old name followed by a letter stays", "<h a='&notx'>", "&notx"},
    {"old name followed by a digit stays", "<h a='&not1'>", "&not1"},
    {"old name followed by = stays", "<h a='?x=1&copy=2'>", "?x=1&copy=2"},
    {"old name at the end is decoded", "<h a='&COPY'>", "\xC2\xA9"},
    {"old name followed by other text is decoded", "<h a='&amp-'>", "&-"},
    {"unknown name with ; stays", "<h a='&noti;'>", "&noti;"},
    {"name followed by = stays", "<h a='&lang='>", "&lang="},
    {"unknown name", "<z a='&xlink_xmlns;'>", "&xlink_xmlns;"},
    {"name of two code points", "<p a=\"&NotEqualTilde;\">", "\xE2\x89\x82\xCC\xB8"},
    {"lone &", "<h a='&'>", "&"},
    {"& before a quote", "<z a=\"&'\">", "&'"},
    {"unquoted value ending in &", "<s a=&>", "&"},
    {"decimal without ;", "<h a='&#97a'>", "aa"},
    {"zero", "<h a='&#0;'>", "\xEF\xBF\xBD"},
    {"past the last code point", "<h a='&#x110000;'>", "\xEF\xBF\xBD"},
    {"huge", "<h a='&#18446744073709551681;'>", "\xEF\xBF\xBD"},
    {"surrogate", "<h a='&#xD800;'>", "\xEF\xBF\xBD"},
    {"windows-1252 euro", "<h a='&#128;'>", "\xE2\x82\xAC"},
    {"unmapped C1 stays", "<h a='&#x81;'>", "\xC2\x81"},
    {"empty numeric reference stays", "<h a='&#x &#; &#'>", "&#x &#; &#"},
    {"zero-prefixed", "<h a='&#x0000000041;'>", "A"},
    {"CR LF and CR become LF", "<h a='x\r\ny\rz'>", "x\ny\nz"},
    {"NUL", std::string("<h a='x\0y'>", 11), "x\xEF\xBF\xBDy"},
};

INSTANTIATE_TEST_SUITE_P(References, AttributeValues, ::testing::ValuesIn(kValueCases));

TEST(HtmlTokenizer, GivesTheRawPlaceOfEveryAttributeValue) {
    const std::string page = "<img SRC = \"a.png\" alt=x&amp;y title='t' hidden data-x=>";
    HtmlTokenizer tokenizer(page);
    ASSERT_TRUE(tokenizer.Next());
    const auto& tag = tokenizer.Token();
    ASSERT_EQ(tag.attributes.size(), 5u);
    auto raw = [&](const mirror::HtmlAttribute& a) {
        return page.substr(a.valueBegin, a.valueEnd - a.valueBegin);
    };
    EXPECT_EQ(raw(tag.attributes[0]), "a.png");
    EXPECT_EQ(tag.attributes[0].quote, '"');
    EXPECT_EQ(page.substr(tag.attributes[0].nameBegin, 3), "SRC");
    EXPECT_EQ(page[tag.attributes[0].end - 1], '"');
    EXPECT_EQ(raw(tag.attributes[1]), "x&amp;y");
    EXPECT_EQ(tag.attributes[1].value, "x&y");
    EXPECT_TRUE(tag.attributes[1].decoded);
    EXPECT_EQ(tag.attributes[1].quote, 0);
    EXPECT_EQ(raw(tag.attributes[2]), "t");
    EXPECT_FALSE(tag.attributes[3].hasValue);
    EXPECT_TRUE(tag.attributes[4].hasValue);
    EXPECT_EQ(raw(tag.attributes[4]), "");
    EXPECT_EQ(tag.begin, 0u);
    EXPECT_EQ(tag.end, page.size());
}

TEST(HtmlTokenizer, TokensCoverTheSourceInOrder) {
    const std::string page =
        "<!DOCTYPE html>\n<html><head><title>T&amp;</title><style>p{}</style>"
        "<script>x</script></head><body><!-- c --><p a=b>text</p></body></html>";
    HtmlTokenizer tokenizer(page);
    std::size_t at = 0;
    while (tokenizer.Next()) {
        EXPECT_EQ(tokenizer.Token().begin, at);
        at = tokenizer.Token().end;
    }
    EXPECT_EQ(at, page.size());
}

// Inputs that make a careless tokenizer quadratic: each must be read in a time that grows
// with its length only.
TEST(HtmlTokenizer, ReadsPathologicalInputsInLinearTime) {
    const std::size_t size = 1 << 20;
    auto repeat = [&](std::string_view piece) {
        std::string s;
        while (s.size() < size) s += piece;
        return s;
    };
    const std::string inputs[] = {
        repeat("<a "),
        repeat("<a b"),
        repeat("<!--"),
        repeat("<script><!--<script>"),
        "<style>" + repeat("</styl"),
        "<x " + repeat("a=1 "),
        "<x " + repeat("a "),
        repeat("&#"),
        "<a b='" + repeat("&amp"),
        "<svg>" + repeat("<![CDATA["),
        "<textarea>" + repeat("</textare"),
        repeat("<!DOCTYPE"),
        "<x " + repeat("k=v ") + ">",
    };
    for (const std::string& input : inputs) {
        const auto start = std::chrono::steady_clock::now();
        HtmlTokenizer tokenizer(input);
        std::size_t tokens = 0;
        while (tokenizer.Next()) ++tokens;
        const auto seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_LT(seconds, 2.0) << input.substr(0, 24) << " (" << tokens << " tokens)";
    }
}

TEST(HtmlTokenizer, DistinctAttributeNamesBeyondTheSmallTagCase) {
    std::string tag = "<x";
    for (int k = 0; k < 40; ++k) tag += " a" + std::to_string(k % 20) + "=" + std::to_string(k);
    tag += ">";
    HtmlTokenizer tokenizer(tag);
    ASSERT_TRUE(tokenizer.Next());
    ASSERT_EQ(tokenizer.Token().attributes.size(), 20u);
    EXPECT_EQ(tokenizer.Token().Attribute("a7")->value, "7");
}

}  // namespace
