#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "core/Addresses.h"
#include "support/TempFolder.h"

namespace {

// The settings of the mapping's reference examples: entire site on http://host/, images, ZIP/EXE
// and other files on, no FTP, no applets.
SessionFields ExampleSession() {
    SessionFields s;
    s.SiteBase = "http://host/";
    s.Settings.SearchEntireSite = true;
    s.Settings.RetrieveImageFiles = true;
    s.Settings.RetrieveZIPEXEFiles = true;
    s.Settings.RetrieveOtherFiles = true;
    s.OtherFileExtensions = {".AU", ".PDF", ".ASP", ".TXT"};
    return s;
}

struct NameCase {
    const char* link;
    const char* expected;
};

class EntireSiteNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(EntireSiteNames, MapsLinkToFlatName) {
    SessionFields s = ExampleSession();
    EXPECT_EQ(UrlToLocalName(GetParam().link, s), GetParam().expected) << GetParam().link;
}

INSTANTIATE_TEST_SUITE_P(
    Examples, EntireSiteNames,
    ::testing::Values(
        NameCase{"images/logo.gif", "logo.gif"},
        NameCase{"http://host/a/b/photo.jpeg", "photo.jpeg"},
        NameCase{"http://other/pic.gif", ""},
        NameCase{"page.html", "page.html"},
        NameCase{"http://other/page.html", ""},
        NameCase{"main.html", "main1.html"},
        NameCase{"Main.html", "main1.html"},
        NameCase{"Index.html", "main1.html"},
        NameCase{"INDEX.HTML", "main1.html"},
        NameCase{"http://host/index.html", "main1.html"},
        NameCase{"http://host/docs/index.html", "docs.html"},
        NameCase{"docs/index.htm", "docs.html"},
        NameCase{"a/b/index.html", "ab.html"},
        NameCase{"./index.html", ".html"},
        NameCase{"products/", "products.html"},
        NameCase{"about", "about.html"},
        NameCase{"http://host/sub", "sub.html"},
        NameCase{"http://host/", "main1.html"},
        NameCase{"HTTP://HOST/", "main1.html"},
        NameCase{"/", "main1.html"},
        NameCase{"http://host.q", ""},
        NameCase{"old.report.pdf", "oldreport.pdf"},
        NameCase{"script.asp?id=3", "script.asp"},
        NameCase{"page.html#top", ""},
        NameCase{"cgi.asp?a=1&b=2", ""},
        NameCase{"", ""},
        NameCase{"javascript:open()", ""},
        NameCase{"ftp://ftphost/pub/tool.zip", ""},
        NameCase{"setup.exe", "setup.exe"},
        NameCase{"applet.class", ""},
        NameCase{"none", ""},
        NameCase{"NONE", ""},
        NameCase{"notes.shtm", ""},       // not an HTML extension, not an other type
        NameCase{"x.shtml", "x.shtml"},
        NameCase{"readme.TXT", "readme.TXT"},
        NameCase{"http://host/dir/a*b.gif", "ab.gif"},
        NameCase{"http://host/x/y/", "y.html"}));

TEST(UrlToLocalName, HttpsCountsAsWebAddressForOffSite) {
    // An https address counts as a web address: outside the site it is off-site.
    SessionFields s = ExampleSession();
    EXPECT_TRUE(IsOffSite("https://other/a.gif", s));
    s.SiteBase = "https://host/";
    EXPECT_FALSE(IsOffSite("https://host/a.gif", s));
    EXPECT_EQ(UrlToLocalName("https://host/pics/a.gif", s), "a.gif");
}

TEST(UrlToLocalName, FtpAndAppletsFollowTheirOptions) {
    SessionFields s = ExampleSession();
    s.Settings.RetrieveFromFTP = true;
    s.Settings.RetrieveJavaApplets = true;
    EXPECT_EQ(UrlToLocalName("ftp://ftphost/pub/tool.zip", s), "tool.zip");
    EXPECT_EQ(UrlToLocalName("applet.class", s), "applet.class");
    EXPECT_EQ(UrlToLocalName("http://other/applet.class", s), "");
    s.Settings.RetrieveZIPEXEFiles = false;
    EXPECT_EQ(UrlToLocalName("setup.exe", s), "");
}

TEST(UrlToLocalName, CollectsMailAddressesOnlyWhenAsked) {
    SessionFields s = ExampleSession();
    s.EMailPage = {"<html>"};
    EXPECT_EQ(UrlToLocalName("mailto:ann@example.org", s), "");
    EXPECT_EQ(s.EMailPage.size(), 1u);
    s.Settings.CollectEMailAddresses = true;
    EXPECT_EQ(UrlToLocalName("mailto:ann@example.org", s), "");
    EXPECT_EQ(UrlToLocalName("MAILTO:bob@example.org", s), "");  // colon at 7: not e-mail
    ASSERT_EQ(s.EMailPage.size(), 2u);
    EXPECT_EQ(s.EMailPage[1], "ann@example.org");
}

TEST(UrlToLocalName, CurrentPageModeTakesPagesUntilFirstParse) {
    SessionFields s = ExampleSession();
    s.Settings.SearchEntireSite = false;
    s.SiteBase = "http://host/dir/";
    EXPECT_EQ(UrlToLocalName("other.html", s), "other.html");
    EXPECT_EQ(UrlToLocalName("pic.gif", s), "pic.gif");
    EXPECT_EQ(UrlToLocalName("sub/", s), "");
    EXPECT_EQ(UrlToLocalName("about", s), "");
    s.FirstPageParsed = true;
    EXPECT_EQ(UrlToLocalName("other.html", s), "");
    EXPECT_EQ(UrlToLocalName("http://elsewhere/pic.gif", s), "pic.gif");  // nothing off-site
}

TEST(UrlToLocalName, OpenedSessionsTakeNamesAsTheyStand) {
    SessionFields s = ExampleSession();
    s.SessionOpenedFromFile = true;
    s.Settings.RetrieveImageFiles = false;
    EXPECT_EQ(UrlToLocalName("http://other/x.gif", s), "x.gif");
    EXPECT_EQ(UrlToLocalName("http://other/y.unknown", s), "y.unknown");
}

TEST(UrlToLocalName, NamesTheFileSystemCannotHoldAreNoNames) {
    SessionFields s = ExampleSession();
    EXPECT_EQ(UrlToLocalName(std::string("a\x01b.gif"), s), "");
    EXPECT_EQ(UrlToLocalName(std::string("a\0b.gif", 7), s), "");
    EXPECT_EQ(UrlToLocalName(std::string("a\tb.gif"), s), "");
    EXPECT_EQ(UrlToLocalName(std::string(251, 'x') + ".gif", s), std::string(251, 'x') + ".gif");
    EXPECT_EQ(UrlToLocalName(std::string(252, 'x') + ".gif", s), "");
}

TEST(UrlToLocalName, NeverYieldsPathSeparatorsOrDotNames) {
    SessionFields s = ExampleSession();
    // "." as an other file type, or an opened session, lets ".." reach the final form, whose
    // base "." is removed: the name would be "." itself.
    s.OtherFileExtensions.push_back(".");
    EXPECT_EQ(UrlToLocalName("..", s), "");
    s.SessionOpenedFromFile = true;
    EXPECT_EQ(UrlToLocalName("http://host/..", s), "");
    for (const char* link : {"../../etc/passwd.txt", "..\\..\\x.gif", "a/../b/..", "..",
                             "http://host/../", "%2e%2e/x.gif", "./.", "/..\\..\\.html"}) {
        const std::string name = UrlToLocalName(link, s);
        EXPECT_EQ(name.find('/'), std::string::npos) << link;
        EXPECT_EQ(name.find('\\'), std::string::npos) << link;
        EXPECT_NE(name, ".") << link;
        EXPECT_NE(name, "..") << link;
    }
}

struct DirectoryCase {
    const char* address;
    const char* directory;
    const char* base;  // BaseAddress with SiteBase http://host/
};

TEST(AddressOperations, DirectoryAndBase) {
    const std::vector<DirectoryCase> cases = {
        {"http://h/dir/a.html", "http://h/dir", "http://h/dir/"},
        {"http://h/dir/", "http://h/dir", "http://h/dir/"},
        {"http://h/a.html", "http://h", "http://h/"},
        {"http://h", "http://", "http://"},
        {"a.html", "", "/"},
        {"http://host/dir/page.html", "http://host/dir", "http://host/dir/"},
        {"http://host/dir/sub/", "http://host/dir/sub", "http://host/dir/sub/"},
        {"http://host/dir/sub", "http://host/dir", "http://host/dir/"},
        {"HTTP://HOST/", "HTTP://HOST", "HTTP://HOST/"},
        {"http://host/q?x=/y/z", "http://host", "http://host/"},
    };
    SessionFields s = ExampleSession();
    for (const auto& c : cases) {
        EXPECT_EQ(UrlDirectory(c.address), c.directory) << c.address;
        EXPECT_EQ(BaseAddress(c.address, s), c.base) << c.address;
    }
    s.SiteBase = "http://h";
    EXPECT_EQ(BaseAddress("http://h", s), "http://h/");
}

TEST(AddressOperations, PseudoPathNameAndExtension) {
    const std::string p = UrlToPseudoPath("http://host/dir/a.html?x=1");
    EXPECT_EQ(p, "c:\\http:\\\\host\\dir\\a.html");
    EXPECT_EQ(PseudoFileName(p), "a.html");
    EXPECT_EQ(PseudoExtension(p), ".html");
    EXPECT_EQ(PseudoExtension(UrlToPseudoPath("http://host.q")), ".q");
    EXPECT_EQ(PseudoExtension(UrlToPseudoPath("http://a.b/dir")), "");
    EXPECT_EQ(PseudoFileName("name"), "name");
}

TEST(AddressOperations, OffSiteRules) {
    SessionFields s = ExampleSession();
    EXPECT_FALSE(IsOffSite("", s));
    EXPECT_FALSE(IsOffSite("/", s));
    EXPECT_FALSE(IsOffSite("page.html", s));
    EXPECT_FALSE(IsOffSite("HTTP://HOST/a.gif", s));  // "http://" is case-sensitive
    EXPECT_FALSE(IsOffSite("http://HOST/a.gif", s));
    EXPECT_TRUE(IsOffSite("http://other/a.gif", s));
    EXPECT_TRUE(IsOffSite("http://h", s));  // shorter than SiteBase
    s.Settings.SearchEntireSite = false;
    EXPECT_FALSE(IsOffSite("http://other/a.gif", s));
}

TEST(AddressOperations, OtherFileTypesAndSpecialLinks) {
    const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
        {".au;.pdf;.asp;.txt", {".AU", ".PDF", ".ASP", ".TXT"}},
        {"pdf;.txt", {".TXT"}},
        {"", {}},
        {".a.b;x;.c", {".A.B", ".C"}},
        {";;.zz;", {".ZZ"}},
    };
    for (const auto& [text, expected] : cases) {
        SessionFields s;
        s.OtherFileExtensions = {"stale"};
        ParseOtherFileTypes(text, s);
        EXPECT_EQ(s.OtherFileExtensions, expected) << text;
    }
    for (const char* link : {"mailto:x@y", "a&b", "p.html#x", "ftp://h/f.zip"})
        EXPECT_TRUE(IsSpecialLink(link)) << link;
    for (const char* link : {"page.html", "MAILTO:x", "http://h/"})
        EXPECT_FALSE(IsSpecialLink(link)) << link;
}

TEST(AddressOperations, LocalFileSize) {
    TempFolder folder;
    const std::string path = folder.Text() + "f.bin";
    EXPECT_EQ(LocalFileSize(path), -1);
    std::ofstream(path, std::ios::binary) << std::string(1234, 'x');
    EXPECT_EQ(LocalFileSize(path), 1234);
}

}  // namespace
