#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "engine/CompleteCopy.h"
#include "mirror/PageConversion.h"
#include "support/NoPermissionOverride.h"
#include "support/TempFolder.h"

namespace fs = std::filesystem;

// The complete copy's queue and file registry on their own: what a page queues, where each
// file goes, and how names the layout gives twice are settled.
namespace {

const char* const kStartPage =
    "<html><head><link rel=stylesheet href=s.css><link rel=stylesheet href='t.css?v=2'>"
    "<script src='http://cdn.test/j.js'></script></head><body>"
    "<a href=a.html>1</a> <a class=x href=a>2</a> <a href=x>3</a> <a href=x/y.html>4</a>"
    "<a href=a.html>again</a> <a href='http://other.test/page.html'>away</a>"
    "<img src=P.png><img src=p.png srcset='p.png 1x, p2.png 2x'>"
    "</body></html>";

class CompleteCopyRegistry : public ::testing::Test {
  protected:
    void SetUp() override {
        session.ProjectFolder = project.Text();
        start = copy.Begin("http://h/");
    }

    // The queue as address -> local path.
    std::map<std::string, std::string> Queued() const {
        std::map<std::string, std::string> queued;
        for (std::size_t i = 0; i < session.PendingCount(); ++i)
            queued[session.PendingURL(i)] = session.PendingFile(i).substr(project.Text().size());
        return queued;
    }

    // A queued file arrives: its bytes are written where the queue put it.
    std::string Land(const std::string& address, const std::string& contentType,
                     const std::string& text = "") {
        std::string file = project.Text() + Queued().at(address);
        fs::create_directories(fs::path(file).parent_path());
        std::ofstream(file) << text;
        copy.Landed(address, file, contentType, text);
        return file.substr(project.Text().size());
    }

    TempFolder project;
    SessionFields session;
    CompleteCopy copy{session};
    std::string start;
};

TEST_F(CompleteCopyRegistry, APageQueuesEachReferenceOnceWithItsPlace) {
    EXPECT_EQ(start, project.Text() + "index.html");
    std::string file = start;
    std::ofstream(file) << kStartPage;
    EXPECT_EQ(copy.Landed("http://h/", file, "text/html", kStartPage), 10);
    const std::map<std::string, std::string> expected = {
        {"http://h/s.css", "s.css"},
        // Named as a style sheet still, for a browser reading the copy from disk.
        {"http://h/t.css?v=2", "t.css@v=2.css"},
        {"http://cdn.test/j.js", "_hosts/http/cdn.test/j.js"},
        {"http://h/a.html", "a.html"},
        {"http://h/a", "a"},
        {"http://h/x", "x"},
        // The folder "x" is the file "x" already.
        {"http://h/x/y.html", "x~2/y.html"},
        // Paths are case-sensitive, like addresses.
        {"http://h/P.png", "P.png"},
        {"http://h/p.png", "p.png"},
        {"http://h/p2.png", "p2.png"},
    };
    EXPECT_EQ(Queued(), expected);
    EXPECT_EQ(copy.LocalPathOf("http://h/"), "index.html");
}

// After a query only a short plain extension is given again: a long one would make a name the
// file system cannot hold, and the file could not be written.
TEST_F(CompleteCopyRegistry, AQueryGetsOnlyAShortPlainExtensionAgain) {
    const std::string longExtension(300, 'x');
    const std::string page = "<img src='p.png?v=1'><img src='q." + longExtension +
                             "?v=1'><img src='r.p-g?v=1'><img src='s." + longExtension + "'>";
    std::ofstream(start) << page;
    std::string file = start;
    copy.Landed("http://h/", file, "text/html", page);
    const auto queued = Queued();
    EXPECT_EQ(queued.at("http://h/p.png?v=1"), "p.png@v=1.png");
    EXPECT_EQ(queued.at("http://h/r.p-g?v=1"), "r.p-g@v=1");
    ASSERT_EQ(queued.size(), 4u);
    for (const auto& [address, path] : queued) {
        SCOPED_TRACE(address);
        EXPECT_LE(path.size(), 255u);
        // The folder can hold it.
        EXPECT_TRUE(std::ofstream(project.Text() + path).good());
    }
}

TEST_F(CompleteCopyRegistry, APageWithoutHtmlNameIsRenamedToAFreeName) {
    std::ofstream(start) << kStartPage;
    std::string file = start;
    copy.Landed("http://h/", file, "text/html", kStartPage);
    EXPECT_EQ(Land("http://h/a.html", "text/html"), "a.html");
    // "/a" served as HTML would be a.html, which "/a.html" holds.
    Land("http://h/a", "text/html");
    EXPECT_EQ(copy.LocalPathOf("http://h/a"), "a~2.html");
    EXPECT_TRUE(fs::is_regular_file(project.Path() / "a~2.html"));
    EXPECT_FALSE(fs::exists(project.Path() / "a"));
    // Served as something else, "/x" keeps its name.
    Land("http://h/x", "application/octet-stream");
    EXPECT_EQ(copy.LocalPathOf("http://h/x"), "x");
    EXPECT_EQ(copy.LocalPathOf("http://h/never.html"), std::nullopt);
}

// A file that cannot be read back or replaced (its permissions changed meanwhile, the disk
// filled up) is said, and does not keep the others from being converted.
TEST_F(CompleteCopyRegistry, AFileThatCannotBeConvertedIsSaidAndTheRestConverted) {
    const std::string page = "<a href=a.html>a</a> <a href=b.html>b</a> <a href=gone.html>c</a>";
    std::ofstream(start) << page;
    std::string file = start;
    copy.Landed("http://h/", file, "text/html", page);
    for (const char* name : {"a.html", "b.html"}) {
        const std::string landed = Land(std::string("http://h/") + name, "text/html", page);
        fs::permissions(project.Path() / landed, fs::perms::none);
    }
    NoPermissionOverride asOwner;
    if (ReadableDespitePermissions((project.Path() / "a.html").c_str()))
        GTEST_SKIP() << "this account can read any file";
    std::vector<int> gauges;
    const std::string said =
        copy.ConvertAll([&](const std::string&, int gauge) { gauges.push_back(gauge); });
    EXPECT_EQ(gauges, (std::vector<int>{33, 66, 100}));
    EXPECT_EQ(said.rfind("Cannot open file ", 0), 0u) << said;
    EXPECT_NE(said.find(project.Text() + "a.html"), std::string::npos) << said;
    EXPECT_EQ(said.substr(said.find('\n')), "\n1 more files were not converted either.");
    std::ifstream in(start);
    const std::string converted((std::istreambuf_iterator<char>(in)), {});
    EXPECT_NE(converted.find("href=http://h/gone.html>"), std::string::npos) << converted;

    // Nothing left to convert, nothing to say.
    EXPECT_EQ(copy.ConvertAll(), "");
}

// Enough files for helper threads: each comes out as converting it on its own gives.
TEST_F(CompleteCopyRegistry, ManyFilesConvertOnHelpersAsOneByOne) {
    std::string page;
    for (int n = 0; n < 40; ++n) page += "<a href=p" + std::to_string(n) + ".html>p</a>";
    page += "<a href=gone.html>x</a><link rel=stylesheet href=s.css>";
    std::ofstream(start) << page;
    std::string file = start;
    copy.Landed("http://h/", file, "text/html", page);
    std::map<std::string, std::string> expected;  // local path -> converted bytes
    const mirror::LocalPathLookup lookup = [this](std::string_view address) {
        return copy.LocalPathOf(address);
    };
    for (int n = 0; n < 40; ++n) {
        const std::string address = "http://h/p" + std::to_string(n) + ".html";
        const std::string text = "<a href=p" + std::to_string((n + 1) % 40) +
                                 ".html>next</a><a href=/gone.html>x</a><img src=s.css>";
        const std::string landed = Land(address, "text/html", text);
        expected[landed] = text;
    }
    const std::string css = "body{background:url(p0.html)} @import 'gone.css';";
    expected[Land("http://h/s.css", "text/css", css)] = css;
    for (auto& [path, text] : expected) {
        const std::string address = "http://h/" + path;
        text = path == "s.css" ? mirror::ConvertStyleSheet(text, address, path, lookup)
                               : mirror::ConvertPage(text, address, path, lookup);
    }
    expected["index.html"] = mirror::ConvertPage(page, "http://h/", "index.html", lookup);

    EXPECT_EQ(copy.ConvertAll(), "");
    for (const auto& [path, text] : expected) {
        std::ifstream in(project.Path() / path);
        EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), {}), text) << path;
    }
}

// A file is converted by the scan made as it landed only while it holds the bytes scanned then;
// otherwise (changed on disk since, or recorded after a stop without its bytes) it is scanned
// again, and its links are rewritten where they now stand.
TEST_F(CompleteCopyRegistry, AFileChangedSinceItLandedIsConvertedAsItIsNow) {
    const std::string page =
        "<a href=a.html>a</a><a href=b.html>b</a><a href=c.html>c</a>"
        "<a href=d.html>d</a>";
    std::ofstream(start) << page;
    std::string file = start;
    copy.Landed("http://h/", file, "text/html", page);
    const mirror::LocalPathLookup lookup = [this](std::string_view address) {
        return copy.LocalPathOf(address);
    };
    struct Case {
        const char* name;
        std::string landed;  // the bytes as they arrived ("" after a stop)
        std::string onDisk;  // the bytes when the conversion comes
    };
    const Case cases[] = {
        {"a.html", "<a href=b.html>x</a>", "<a href=c.html>y</a>"},  // same length
        {"b.html", "<a href=a.html>x</a>", "<p><a href=gone.html>moved</a>"},
        {"c.html", "<p>  <a href=a.html>x</a>", "<a href=b.html>x</a>"},
        {"d.html", "", "<a href=a.html>stopped</a>"},
    };
    for (const Case& c : cases) {
        const std::string address = std::string("http://h/") + c.name;
        std::string landed = project.Text() + c.name;
        std::ofstream(landed) << c.landed;
        copy.Landed(address, landed, "text/html", c.landed);
    }
    for (const Case& c : cases) std::ofstream(project.Text() + c.name) << c.onDisk;

    EXPECT_EQ(copy.ConvertAll(), "");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::ifstream in(project.Path() / c.name);
        EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), {}),
                  mirror::ConvertPage(c.onDisk, std::string("http://h/") + c.name, c.name, lookup));
    }
}

struct BoxCase {
    const char* name;
    bool images;
    bool entireSite;
    std::vector<std::string> queued;
};

class CompleteCopyBoxes : public CompleteCopyRegistry, public ::testing::WithParamInterface<BoxCase> {};

TEST_P(CompleteCopyBoxes, FollowTheFileKindsAndTheDepth) {
    session.Settings.RetrieveImageFiles = GetParam().images;
    session.Settings.SearchEntireSite = GetParam().entireSite;
    const std::string page =
        "<a href=next.html>n</a><img src=i.png><link rel=stylesheet href=s.css>"
        "<script src=j.js></script><a href=f.zip>z</a><form action=find.html></form>";
    std::string file = start;
    std::ofstream(file) << page;
    copy.Landed("http://h/", file, "text/html", page);
    std::vector<std::string> queued;
    for (std::size_t i = 0; i < session.PendingCount(); ++i) queued.push_back(session.PendingURL(i));
    EXPECT_EQ(queued, GetParam().queued);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, CompleteCopyBoxes,
    ::testing::Values(
        BoxCase{"all",
                true,
                true,
                {"http://h/next.html", "http://h/i.png", "http://h/s.css", "http://h/j.js"}},
        // Style sheets and scripts are taken whatever the boxes say; a form's target never.
        BoxCase{"noImages", false, true, {"http://h/next.html", "http://h/s.css", "http://h/j.js"}},
        // The current page alone: no further pages, its requisites still.
        BoxCase{"currentPage", true, false, {"http://h/i.png", "http://h/s.css", "http://h/j.js"}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
