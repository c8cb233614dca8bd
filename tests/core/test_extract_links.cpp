#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "core/Addresses.h"
#include "support/TempFolder.h"
#include "core/ExtractLinks.h"

namespace {

struct Options {
    bool images = true;
    bool java = false;
    bool zip = false;
    bool ftp = false;
    bool entireSite = true;
    const char* otherTypes = "";
    const char* siteBase = "http://host/";
    const char* documentURL = "http://host/dir/";
};

struct ScanCase {
    const char* name;
    const char* page;
    Options options;
    // Every link queued, in order: the absolute address and the local file name.
    std::vector<std::pair<std::string, std::string>> queued;
};

Options Images(bool on) {
    Options o;
    o.images = on;
    return o;
}

Options Java() {
    Options o;
    o.java = true;
    return o;
}

Options Zip(bool ftp) {
    Options o;
    o.zip = true;
    o.ftp = ftp;
    return o;
}

Options Deep() {
    Options o;
    o.documentURL = "http://host/a/b/";
    return o;
}

Options Other(const char* types) {
    Options o;
    o.otherTypes = types;
    return o;
}

Options Https() {
    Options o;
    o.siteBase = "https://host/";
    o.documentURL = "https://host/dir/";
    return o;
}

const ScanCase kCases[] = {
    {"SingleQuotedHref", "x<A HREF='page.html'>", {}, {{"http://host/dir/page.html", "page.html"}}},
    {"DoubleQuotedHref",
     "x<A HREF=\"page.html\">",
     {},
     {{"http://host/dir/page.html", "page.html"}}},
    {"LowerCaseTagAndAttribute",
     "x<a href=\"page.html\">",
     {},
     {{"http://host/dir/page.html", "page.html"}}},
    {"ImgStepsPastAlt",
     "x<IMG ALT='logo' SRC='img/logo.gif'>",
     {},
     {{"http://host/dir/img/logo.gif", "logo.gif"}}},
    {"ImgNotExaminedWithImagesOff", "x<IMG SRC='logo.gif'><A HREF='logo2.gif'>", Images(false), {}},
    {"BodyBackground",
     "x<BODY BGCOLOR='#ffffff' BACKGROUND='bg.gif'>",
     {},
     {{"http://host/dir/bg.gif", "bg.gif"}}},
    {"BodyIgnoredWithImagesOff", "x<BODY BACKGROUND='bg.gif'>", Images(false), {}},
    {"FrameSrc",
     "x<FRAME NAME=\"main\" SRC=\"frame.html\">",
     {},
     {{"http://host/dir/frame.html", "frame.html"}}},
    {"AnchorWithoutHref", "x<A NAME='top'>", {}, {}},
    {"TagWithoutAttributes", "x<A>page.html</A>", {}, {}},
    {"TabAfterTagName", "x<A\tHREF='page.html'>", {}, {}},
    {"LineBreakAfterTagName", "x<A\nHREF='page.html'>", {}, {}},
    {"SpacesAroundEquals", "x<A HREF = 'x.html'>", {}, {}},
    {"UnquotedValueRunsToNextQuote",
     "x<A HREF=page.html> <IMG SRC='a.gif'> <A HREF='b.html'>",
     {},
     {{"http://host/dir/b.html", "b.html"}}},
    {"FirstAttributeRunsPastClosingBracket",
     "x<A HREF>text <IMG SRC='a.gif'> <A HREF='b.html'>",
     {},
     {{"http://host/dir/b.html", "b.html"}}},
    {"TwoLinksInOrder",
     "x<A HREF='one.html'><IMG SRC='two.gif'>",
     {},
     {{"http://host/dir/one.html", "one.html"}, {"http://host/dir/two.gif", "two.gif"}}},
    {"FirstCharacterNeverStartsATag", "<A HREF='page.html'>", {}, {}},
    {"ParentLinkResolvesAgainstSiteRoot",
     "x<IMG SRC='../pics/a.gif'>",
     Deep(),
     {{"http://host/pics/a.gif", "a.gif"}}},
    {"DotSlashStaysInAddress",
     "x<A HREF='./p.html'>",
     {},
     {{"http://host/dir/./p.html", "p.html"}}},
    {"RootRelativeLink", "x<A HREF='/about.html'>", {}, {{"http://host/about.html", "about.html"}}},
    {"AbsoluteLinkInsideSite",
     "x<A HREF='http://host/x/y.html'>",
     {},
     {{"http://host/x/y.html", "y.html"}}},
    {"OffSiteLinkDropped", "x<A HREF='http://other/y.html'><IMG SRC='http://other/i.gif'>", {}, {}},
    {"SiteBaseItselfNotQueued", "x<A HREF='http://host/'>", {}, {}},
    {"FtpZipWithFtpOption",
     "x<A HREF='ftp://other/pub/tool.zip'>",
     Zip(true),
     {{"ftp://other/pub/tool.zip", "tool.zip"}}},
    {"FtpZipWithoutFtpOption", "x<A HREF='ftp://other/pub/tool.zip'>", Zip(false), {}},
    {"HttpZip", "x<A HREF='tool.zip'>", Zip(false), {{"http://host/dir/tool.zip", "tool.zip"}}},
    {"ZipOffByDefault", "x<A HREF='tool.zip'>", {}, {}},
    {"SameLocalNameOnlyOnce",
     "x<IMG SRC='a/logo.gif'><IMG SRC='b/logo.gif'>",
     {},
     {{"http://host/dir/a/logo.gif", "logo.gif"}}},
    {"SameNameIgnoringCaseOnlyOnce",
     "x<A HREF='Page.html'><A HREF='PAGE.HTML'>",
     {},
     {{"http://host/dir/Page.html", "Page.html"}}},
    {"QueryDroppedByEqualsTest", "x<A HREF='page.asp?id=3'>", Other(".asp"), {}},
    {"OtherFileType",
     "x<A HREF='doc.pdf'>",
     Other(".pdf;.txt"),
     {{"http://host/dir/doc.pdf", "doc.pdf"}}},
    {"OneCharacterValue", "x<A HREF='a'>", {}, {}},
    {"AppletCodeFirst",
     "x<APPLET CODE='Clock.class' WIDTH='10'>",
     Java(),
     {{"http://host/dir/Clock.class", "Clock.class"}}},
    {"AppletCodeNotFirst", "x<APPLET WIDTH='10' CODE='Clock.class'>", Java(), {}},
    {"AppletOffWithoutJava", "x<APPLET CODE='Clock.class'>", {}, {}},
    {"ValueRunsToEndOfText",
     "x<A HREF='page.html",
     {},
     {{"http://host/dir/page.html", "page.html"}}},
    {"TruncatedTags", "x<A HREF", {}, {}},
    {"LoneBracketAtEnd", "x<", {}, {}},
    {"NestedBracketSkipsInnerTag", "x<<A HREF='page.html'>", {}, {}},
    {"ExtensionlessLinkGetsHtml",
     "x<A HREF='news/'>",
     {},
     {{"http://host/dir/news/", "news.html"}}},
    {"HttpsSiteLinks",
     "x<A HREF='https://host/p.html'><A HREF='q.html'>",
     Https(),
     {{"https://host/p.html", "p.html"}, {"https://host/dir/q.html", "q.html"}}},
    {"MailtoIsNotQueued", "x<A HREF='mailto:a@b.c'>", {}, {}},
};

class ExtractLinksTable : public ::testing::TestWithParam<ScanCase> {};

TEST_P(ExtractLinksTable, QueuesExactlyTheExpectedLinks) {
    const ScanCase& c = GetParam();
    TempFolder folder;
    SessionFields s;
    s.ProjectFolder = folder.Text();
    s.SiteBase = c.options.siteBase;
    s.Settings.SearchEntireSite = c.options.entireSite;
    s.Settings.RetrieveImageFiles = c.options.images;
    s.Settings.RetrieveJavaApplets = c.options.java;
    s.Settings.RetrieveZIPEXEFiles = c.options.zip;
    s.Settings.RetrieveFromFTP = c.options.ftp;
    s.Settings.RetrieveOtherFiles = *c.options.otherTypes != 0;
    ParseOtherFileTypes(c.options.otherTypes, s);
    s.KnownFiles.Add(s.ProjectFolder + "Main.html");

    const int queued = ExtractLinks(c.page, c.options.documentURL, s);

    std::vector<std::pair<std::string, std::string>> got;
    for (std::size_t i = 0; i < s.PendingCount(); ++i)
        got.emplace_back(s.PendingURL(i), s.PendingFile(i).substr(s.ProjectFolder.size()));
    EXPECT_EQ(got, c.queued);
    EXPECT_EQ(queued, static_cast<int>(c.queued.size()));
    EXPECT_EQ(s.QueuedCount, queued);
    EXPECT_EQ(s.KnownFiles.Count(), 1 + c.queued.size());
    EXPECT_TRUE(s.FirstPageParsed);
}

INSTANTIATE_TEST_SUITE_P(Scanner, ExtractLinksTable, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct SameSiteCase {
    const char* address;
    bool expected;
};

TEST(IsSameSite, InsideSiteBaseOrFtp) {
    SessionFields s;
    s.SiteBase = "http://host/";
    const SameSiteCase cases[] = {
        {"http://host/a.html", true},   {"HTTP://HOST/a.html", true},
        {"http://host/", false},        {"HTTP://Host/", false},
        {"http://other/a.html", false}, {"http://host", false},
        {"ftp://other/t.zip", true},    {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsSameSite(c.address, s), c.expected) << c.address;
}

class ExtractLinksSession : public ::testing::Test {
  protected:
    TempFolder folder;
    SessionFields s;
    void SetUp() override {
        s.ProjectFolder = folder.Text();
        s.SiteBase = "http://host/";
    }
};

TEST_F(ExtractLinksSession, FileLeftByEarlierRunIsNotFetchedAgain) {
    std::ofstream(s.ProjectFolder + "old.html") << "x";
    EXPECT_EQ(ExtractLinks("x<A HREF='old.html'><A HREF='new.html'>", "http://host/", s), 1);
    ASSERT_EQ(s.PendingCount(), 1u);
    EXPECT_EQ(s.PendingURL(0), "http://host/new.html");
}

TEST_F(ExtractLinksSession, FileLeftByEarlierRunIsNotFetchedAgainWhenTheFolderWasRead) {
    std::ofstream(s.ProjectFolder + "old.html") << "x";
    s.ProjectFiles.Take(s.ProjectFolder);
    EXPECT_EQ(ExtractLinks("x<A HREF='old.html'><A HREF='new.html'><A HREF='New.html'>",
                           "http://host/", s),
              1);
    ASSERT_EQ(s.PendingCount(), 1u);
    EXPECT_EQ(s.PendingURL(0), "http://host/new.html");
    EXPECT_EQ(s.PendingFile(0), s.ProjectFolder + "new.html");
}

TEST_F(ExtractLinksSession, NothingIsQueuedOrCollectedAfterStop) {
    s.Settings.CollectEMailAddresses = true;
    s.EMailPage = {"<html>"};
    s.StopRequested = true;
    EXPECT_EQ(ExtractLinks("x<A HREF='a.html'><A HREF='mailto:me@host'>", "http://host/", s), 0);
    EXPECT_EQ(s.PendingCount(), 0u);
    EXPECT_EQ(s.EMailPage.size(), 1u);
}

TEST_F(ExtractLinksSession, MailtoLinksAreCollectedWithDuplicates) {
    s.Settings.CollectEMailAddresses = true;
    s.EMailPage = {"<html>"};
    ExtractLinks("x<A HREF='mailto:a@h'><A HREF='mailto:b@h'><A HREF='mailto:a@h'>", "http://host/",
                 s);
    EXPECT_EQ(s.EMailPage, (std::vector<std::string>{"<html>", "a@h", "b@h", "a@h"}));
    EXPECT_EQ(s.PendingCount(), 0u);
}

TEST_F(ExtractLinksSession, CurrentPageModeScansOnlyTheFirstPage) {
    s.Settings.SearchEntireSite = false;
    s.SiteBase = "http://host/dir/";
    EXPECT_EQ(ExtractLinks("x<A HREF='a.html'><IMG SRC='i.gif'>", "http://host/dir/", s), 2);
    EXPECT_EQ(ExtractLinks("x<A HREF='b.html'><IMG SRC='j.gif'>", "http://host/dir/", s), 0);
    EXPECT_EQ(s.PendingCount(), 2u);
}

TEST_F(ExtractLinksSession, CurrentPageModeSkipsExtensionlessLinks) {
    s.Settings.SearchEntireSite = false;
    EXPECT_EQ(ExtractLinks("x<A HREF='news/'><A HREF='a.htm'>", "http://host/", s), 1);
    EXPECT_EQ(s.PendingURL(0), "http://host/a.htm");
}

TEST_F(ExtractLinksSession, LinksAcrossPagesAreQueuedOnce) {
    ExtractLinks("x<A HREF='a.html'><A HREF='b.html'>", "http://host/", s);
    ExtractLinks("x<A HREF='b.html'><A HREF='c.html'>", "http://host/", s);
    std::vector<std::string> urls;
    for (std::size_t i = 0; i < s.PendingCount(); ++i) urls.push_back(s.PendingURL(i));
    EXPECT_EQ(urls, (std::vector<std::string>{"http://host/a.html", "http://host/b.html",
                                              "http://host/c.html"}));
    EXPECT_EQ(s.QueuedCount, 3);
}

TEST_F(ExtractLinksSession, LargePageWithManyLinksIsScannedCompletely) {
    std::string page = "<html>";
    for (int i = 0; i < 5000; ++i)
        page += "<p><A HREF='p" + std::to_string(i) + ".html'>x</A><IMG SRC=\"i" +
                std::to_string(i % 100) + ".gif\">\n";
    EXPECT_EQ(ExtractLinks(page, "http://host/", s), 5100);
}

}  // namespace
