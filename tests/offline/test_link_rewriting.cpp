#include <gtest/gtest.h>

#include <set>
#include <string>

#include "core/Text.h"
#include "offline/LinkRewriting.h"

namespace {

// A site retrieved in Search Entire Site mode from http://host/ with images on; the files below
// are in the project folder.
SessionFields EntireSite() {
    SessionFields s;
    s.ProjectFolder = "/project/";
    s.SiteBase = "http://host/";
    s.Settings.SearchEntireSite = true;
    s.Settings.RetrieveImageFiles = true;
    return s;
}

// The project folder holds these names; like the folder's lookup, a name is found under its own
// spelling first, else under one that differs only in letter case.
OfflineLinkMap::StoredNameLookup Retrieved(std::set<std::string> names) {
    return [names = std::move(names)](const std::string& name) -> std::string {
        if (names.count(name)) return name;
        for (const std::string& stored : names)
            if (SameText(stored, name)) return stored;
        return {};
    };
}

const std::set<std::string> SiteFiles = {"page.html",  "products.html", "logo.gif",  "bg.gif",
                                         "my pic.gif", "main1.html",    "docs.html", "page2.html"};

struct PassCase {
    const char* what;
    std::string page;
    std::string expected;
};

TEST(JoinAnchorTags, PutsAnchorOnOneLineAndKeepsEverythingElse) {
    const PassCase cases[] = {
        {"line feed", "<A\nHREF=\"page.html\">Page</A>", "<A HREF=\"page.html\">Page</A>"},
        {"tab, and line breaks inside the tag go", "<A\tHREF=\"a.html\"\r\n TARGET=\"_top\">x</A>",
         "<A HREF=\"a.html\" TARGET=\"_top\">x</A>"},
        {"blanks before =", "<A HREF  =\"a.html\">", "<A HREF=\"a.html\">"},
        {"lower case is not joined", "<a\nhref=\"a.html\">", "<a\nhref=\"a.html\">"},
        {"CR is not joined", "<A\r\nHREF=\"a.html\">", "<A\r\nHREF=\"a.html\">"},
        {"other attribute", "<A\nNAME=\"top\">", "<A\nNAME=\"top\">"},
        {"HREF without = keeps the rest of the page",
         "<A\nHREFLANG>text</A><IMG SRC=\"x.gif\">", "<A\nHREFLANG>text</A><IMG SRC=\"x.gif\">"},
        {"non-ASCII text in the tag stays", "<A\nHREF=\"x.html\" TITLE=\"\xC3\x9C\">",
         "<A HREF=\"x.html\" TITLE=\"\xC3\x9C\">"},
        {"page without </HTML> gets no >", "<HTML><BODY>text", "<HTML><BODY>text"},
        {"unfinished tag at the end", "<A\nHREF=\"x.html\"", "<A HREF=\"x.html\""},
        {"last character and byte 26 stay", "a\x1A" "b</HTML>", "a\x1A" "b</HTML>"},
        {"second anchor after a first", "<A>x</A><A\nHREF=\"b.html\">",
         "<A>x</A><A HREF=\"b.html\">"},
    };
    for (const auto& c : cases) EXPECT_EQ(JoinAnchorTags(c.page), c.expected) << c.what;
}

TEST(RewriteTagLinks, RewritesMarksOrDropsEachLink) {
    const PassCase cases[] = {
        // Anchors.
        {"retrieved page", "<A HREF=\"http://host/dir/page.html\">Page</A>",
         "<A HREF=\"page.html\">Page</A>"},
        {"folder page", "<A HREF=\"products/\">P</A>", "<A HREF=\"products.html\">P</A>"},
        {"off-site anchor is marked", "<A HREF=\"http://other/x.html\">Other</A>",
         "<A HREF=\"http://other/x.html\">* Other *</A>"},
        {"page not retrieved is marked", "<A HREF=\"missing.html\">Gone</A> after",
         "<A HREF=\"missing.html\">* Gone *</A> after"},
        {"mark goes inside nested tags", "<A HREF=\"http://other/\"><B>Bold</B></A>",
         "<A HREF=\"http://other/\"><B>* Bold *</B></A>"},
        {"anchor without text is not marked", "<A HREF=\"http://other/\"><IMG SRC=\"x.gif\"></A> b",
         "<A HREF=\"http://other/\"><IMG SRC=\"x.gif\"></A> b"},
        {"tag after marked text is still rewritten",
         "<A HREF=\"http://other/\">x<A HREF=\"page.html\">y</A>",
         "<A HREF=\"http://other/\">* x *<A HREF=\"page.html\">y</A>"},
        {"mailto", "<A HREF=\"mailto:me@host\">Mail</A>", "<A HREF=\"mailto:me@host\">Mail</A>"},
        {"fragment", "<A HREF=\"page.html#top\">Top</A>", "<A HREF=\"page.html#top\">Top</A>"},
        {"parameters", "<A HREF=\"cgi.asp?a=1&b=2\">Q</A>", "<A HREF=\"cgi.asp?a=1&b=2\">Q</A>"},
        {"ftp", "<A HREF=\"ftp://host/x.zip\">F</A>", "<A HREF=\"ftp://host/x.zip\">F</A>"},
        {"blanks around =", "<A HREF = \"http://host/page.html\">P</A>",
         "<A HREF = \"page.html\">P</A>"},
        {"only the first attribute of A", "<A NAME=\"n\" HREF=\"http://host/page.html\">P</A>",
         "<A NAME=\"n\" HREF=\"http://host/page.html\">P</A>"},
        {"unquoted", "<A HREF=http://host/page.html>P</A>", "<A HREF=page.html>P</A>"},
        {"unquoted off-site", "<A HREF=http://other/ TARGET=_top>O</A>",
         "<A HREF=http://other/ TARGET=_top>* O *</A>"},
        {"page stored under another case", "<A HREF=\"Page2.html\">Two</A>",
         "<A HREF=\"page2.html\">Two</A>"},
        // Images and frames: SRC anywhere in the tag.
        {"retrieved image", "<IMG SRC=\"http://host/images/logo.gif\">", "<IMG SRC=\"logo.gif\">"},
        {"image stored under another case", "<IMG SRC=\"images/LOGO.GIF\">",
         "<IMG SRC=\"logo.gif\">"},
        {"missing image loses its address", "<IMG SRC=\"images/none.gif\" WIDTH=3>",
         "<IMG SRC=\"\" WIDTH=3>"},
        {"unquoted missing image", "<IMG SRC=images/none.gif WIDTH=3>", "<IMG SRC=\"\" WIDTH=3>"},
        {"single quotes stay", "<IMG SRC='images/logo.gif'>", "<IMG SRC='logo.gif'>"},
        {"SRC after other attributes", "<IMG WIDTH=64 ALT=\"a > b\" SRC=\"images/logo.gif\">",
         "<IMG WIDTH=64 ALT=\"a > b\" SRC=\"logo.gif\">"},
        {"lower-case tag", "<img src=\"images/logo.gif\">", "<img src=\"logo.gif\">"},
        {"IMG without SRC leaves the text after it", "<IMG ALT=\"x\"> set src = your file's name",
         "<IMG ALT=\"x\"> set src = your file's name"},
        {"frame", "<FRAME NAME=\"m\" SRC=\"http://host/docs/index.html\">",
         "<FRAME NAME=\"m\" SRC=\"docs.html\">"},
        {"unterminated value is left", "<IMG SRC=\"images/none.gif\nmore text",
         "<IMG SRC=\"images/none.gif\nmore text"},
        // BODY and APPLET: first attribute only.
        {"body background", "<BODY BACKGROUND=\"images/bg.gif\">", "<BODY BACKGROUND=\"bg.gif\">"},
        {"body background not first", "<BODY BGCOLOR=\"#fff\" BACKGROUND=\"images/bg.gif\">",
         "<BODY BGCOLOR=\"#fff\" BACKGROUND=\"images/bg.gif\">"},
        {"applet not retrieved", "<APPLET CODE=\"Clock.class\" WIDTH=9>",
         "<APPLET CODE=\"\" WIDTH=9>"},
        // Everything else.
        {"other tags", "<P CLASS=\"x\">a<BR>b<!-- <IMG> -->",
         "<P CLASS=\"x\">a<BR>b<!-- <IMG> -->"},
        {"script comparison", "if (a<b && c>d) x = 1;", "if (a<b && c>d) x = 1;"},
        {"page ends in a tag name", "text <IMG", "text <IMG"},
    };
    for (const auto& c : cases) {
        OfflineLinkMap links(EntireSite(), Retrieved(SiteFiles));
        EXPECT_EQ(RewriteTagLinks(c.page, links), c.expected) << c.what;
    }
}

TEST(RewriteSrcLines, MapsFirstSrcOfEachLineAndEndsLinesWithCrLf) {
    const PassCase cases[] = {
        {"image", "<IMG SRC=\"http://host/images/logo.gif\">", "<IMG SRC=\"logo.gif\">\r\n"},
        {"no existence check; a script is emptied", "<SCRIPT SRC=\"x.js\"></SCRIPT>",
         "<SCRIPT SRC=\"\"></SCRIPT>\r\n"},
        {"script assignment keeps the line", "img.src=\"a.gif\"; <IMG SRC=\"b/b.gif\">",
         "img.src=\"a.gif\"; <IMG SRC=\"b/b.gif\">\r\n"},
        {"single quotes", "<IMG SRC='images/logo.gif'>", "<IMG SRC='logo.gif'>\r\n"},
        {"blank inside a quoted value", "<IMG SRC=\"images/my pic.gif\">",
         "<IMG SRC=\"my pic.gif\">\r\n"},
        {"unquoted", "<IMG SRC=images/logo.gif WIDTH=3>", "<IMG SRC=logo.gif WIDTH=3>\r\n"},
        {"unquoted, no name", "<IMG SRC=none.txt WIDTH=3>", "<IMG SRC=\"\" WIDTH=3>\r\n"},
        {"not retrieved: the local name", "<EMBED SRC=\"images/Gone.gif\">",
         "<EMBED SRC=\"Gone.gif\">\r\n"},
        {"only the first SRC of a line", "<IMG SRC=\"i/a.gif\"><IMG SRC=\"i/b.gif\">",
         "<IMG SRC=\"a.gif\"><IMG SRC=\"i/b.gif\">\r\n"},
        {"value already rewritten", "<IMG SRC=\"logo.gif\">", "<IMG SRC=\"logo.gif\">\r\n"},
        {"unterminated quote keeps the line", "<IMG SRC=\"i/a.gif", "<IMG SRC=\"i/a.gif\r\n"},
        {"every kind of line end", "a\nb\r\nc\rd", "a\r\nb\r\nc\r\nd\r\n"},
        {"empty lines stay", "a\n\n\nb\n", "a\r\n\r\n\r\nb\r\n"},
        {"empty page", "", ""},
    };
    for (const auto& c : cases) {
        OfflineLinkMap links(EntireSite(), Retrieved({}));
        EXPECT_EQ(RewriteSrcLines(c.page, links), c.expected) << c.what;
    }
}

TEST(RewriteSrcLines, FileStoredUnderAnotherCaseGetsItsStoredName) {
    OfflineLinkMap links(EntireSite(), Retrieved(SiteFiles));
    EXPECT_EQ(RewriteSrcLines("<EMBED SRC=\"images/Logo.GIF\">\n<EMBED SRC=Page2.HTML>", links),
              "<EMBED SRC=\"logo.gif\">\r\n<EMBED SRC=page2.html>\r\n");
}

TEST(ConvertPageText, WholePageKeepsItsTextAndPointsAtLocalFiles) {
    const std::string page =
        "<HTML><HEAD><TITLE>Shop</TITLE></HEAD>\n"
        "<BODY BACKGROUND=\"images/bg.gif\">\n"
        "<A\nHREF=\"http://host/page.html\">Our page</A>\n"
        "<A HREF=\"http://elsewhere/\">Friends</A>\n"
        "<IMG WIDTH=64 SRC=\"images/logo.gif\"> <IMG SRC=\"images/gone.gif\">\n"
        "<A HREF=\"mailto:shop@host\">Write</A> \xC3\xA9t\xC3\xA9\x1A"
        "</BODY></HTML>";
    const std::string expected =
        "<HTML><HEAD><TITLE>Shop</TITLE></HEAD>\r\n"
        "<BODY BACKGROUND=\"bg.gif\">\r\n"
        "<A HREF=\"page.html\">Our page</A>\r\n"
        "<A HREF=\"http://elsewhere/\">* Friends *</A>\r\n"
        "<IMG WIDTH=64 SRC=\"logo.gif\"> <IMG SRC=\"\">\r\n"
        "<A HREF=\"mailto:shop@host\">Write</A> \xC3\xA9t\xC3\xA9\x1A"
        "</BODY></HTML>\r\n";
    OfflineLinkMap links(EntireSite(), Retrieved(SiteFiles));
    EXPECT_EQ(ConvertPageText(page, links), expected);
}

// A "Search Only Current Page" session has parsed its one page when the conversion runs; the
// links to the pages it retrieved are still rewritten and only the others are marked.
TEST(ConvertPageText, CurrentPageSessionRewritesLinksToRetrievedPages) {
    SessionFields s;
    s.ProjectFolder = "/project/";
    s.SiteBase = "http://host/dir/";
    s.Settings.SearchEntireSite = false;
    s.FirstPageParsed = true;
    s.Settings.RetrieveImageFiles = true;
    OfflineLinkMap links(s, Retrieved({"other.html"}));
    EXPECT_EQ(RewriteTagLinks("<A HREF=\"other.html\">O</A> <A HREF=\"third.html\">T</A>", links),
              "<A HREF=\"other.html\">O</A> <A HREF=\"third.html\">* T *</A>");
}

std::string Repeat(const std::string& piece, std::size_t times) {
    std::string out;
    out.reserve(piece.size() * times);
    while (times--) out += piece;
    return out;
}

// Pages built so that a scan which searched the rest of the page again for every tag would run
// for hours; each pass must get through them in one sweep and leave the text alone.
TEST(RewritePasses, HostilePagesAreLeftAsTheyAre) {
    const std::size_t times = 100000;
    const std::string pages[] = {
        Repeat("<IMG A='x> ", times),          // quotes that pair up across tags
        Repeat("<IMG SRC=\"x ", times),        // values that never close
        Repeat("<A\nHREF ", times),            // joins that never find their "="
        Repeat("<IMG WIDTH=1 HEIGHT=2 ", times),  // a tag that never ends
    };
    for (const std::string& page : pages) {
        OfflineLinkMap links(EntireSite(), Retrieved(SiteFiles));
        EXPECT_EQ(JoinAnchorTags(page), page) << page.substr(0, 12);
        EXPECT_EQ(RewriteTagLinks(page, links), page) << page.substr(0, 12);
    }
    // Lines that end in CR alone: the next LF is not looked for again on every line.
    OfflineLinkMap links(EntireSite(), Retrieved(SiteFiles));
    EXPECT_EQ(RewriteSrcLines(Repeat("<IMG SRC=i/a.gif>\r", times), links),
              Repeat("<IMG SRC=a.gif>\r\n", times));
}

TEST(OfflineLinkMap, CollectsNoEMailAddressesAndAsksOncePerName) {
    SessionFields s = EntireSite();
    s.Settings.CollectEMailAddresses = true;
    s.EMailPage = {"<html>"};
    int asked = 0;
    OfflineLinkMap links(
        s, OfflineLinkMap::ExactNames([&](const std::string&) { return ++asked, true; }));
    const std::string page = "<IMG SRC=\"images/logo.gif\"><IMG SRC=\"http://host/logo.gif\">";
    RewriteTagLinks(page + page + "<IMG SRC=\"mailto:x@y\">", links);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(s.EMailPage.size(), 1u);
}

}  // namespace
