#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QLocale>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/TempFolder.h"
#include "finder/FileSearch.h"
#include "finder/FinderWindow.h"

namespace fs = std::filesystem;

namespace {

void WriteFile(const fs::path& path, std::size_t size = 0) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << std::string(size, 'x');
}

// Runs a walk and writes down its events: "folder <path>", "file <path>", "finish".
std::vector<std::string> Walk(const std::string& searchFile, bool recurse = true) {
    std::vector<std::string> events;
    FileSearch search;
    search.ProcessMessages = nullptr;
    search.SearchFile = searchFile;
    search.RecurseSubFolders = recurse;
    search.OnChangeFolder = [&](const std::string& f, const FoundFile&) {
        events.push_back("folder " + f);
    };
    search.OnFileFind = [&](const std::string& f, const FoundFile& r) {
        events.push_back("file " + f + r.Name);
    };
    search.OnFinish = [&](QObject*) { events.push_back("finish"); };
    search.StartSearch();
    return events;
}

}  // namespace

TEST(FileSearch, EachFolderReportsItsMatchesBeforeItsSubfoldersDepthFirst) {
    TempFolder tmp;
    const std::string r = tmp.Text();
    for (const char* name : {"b.html", "A.HTML", "c.txt", "sub2/x.html", "sub1/y.html",
                             "sub1/deep/z.html", "sub1/deep/w.gif", "Sub0/v.html"})
        WriteFile(tmp.Path() / name);
    fs::create_directories(tmp.Path() / "empty");

    const std::vector<std::string> expected = {
        "folder " + r,
        "file " + r + "A.HTML",
        "file " + r + "b.html",
        "folder " + r + "empty/",
        "folder " + r + "Sub0/",
        "file " + r + "Sub0/v.html",
        "folder " + r + "sub1/",
        "file " + r + "sub1/y.html",
        "folder " + r + "sub1/deep/",
        "file " + r + "sub1/deep/z.html",
        "folder " + r + "sub2/",
        "file " + r + "sub2/x.html",
        "finish",
    };
    EXPECT_EQ(Walk(r + "*.html"), expected);

    const std::vector<std::string> flat = {"folder " + r, "file " + r + "A.HTML",
                                           "file " + r + "b.html", "finish"};
    EXPECT_EQ(Walk(r + "*.html", false), flat);
}

TEST(FileSearch, FolderMatchingTheMaskIsReportedAndEntered) {
    TempFolder tmp;
    const std::string r = tmp.Text();
    WriteFile(tmp.Path() / "x.html" / "inner.html");
    FoundFile folderRec;
    std::vector<std::string> events;
    FileSearch search;
    search.ProcessMessages = nullptr;
    search.SearchFile = r + "*.html";
    search.OnFileFind = [&](const std::string& f, const FoundFile& rec) {
        events.push_back(f + rec.Name);
        if (rec.Name == "x.html") folderRec = rec;
    };
    search.StartSearch();
    EXPECT_EQ(events, (std::vector<std::string>{r + "x.html", r + "x.html/inner.html"}));
    EXPECT_EQ(folderRec.Attr & faDirectory, faDirectory);
}

TEST(FileSearch, MissingFolderStillFinishes) {
    TempFolder tmp;
    const std::string missing = tmp.Text() + "nowhere/";
    EXPECT_EQ(Walk(missing + "*.html"), (std::vector<std::string>{"folder " + missing, "finish"}));
}

TEST(FileSearch, LinkedFoldersAreNotEntered) {
    TempFolder tmp;
    const std::string r = tmp.Text();
    WriteFile(tmp.Path() / "a" / "p.html");
    fs::create_directory_symlink(tmp.Path(), tmp.Path() / "a" / "loop");
    EXPECT_EQ(Walk(r + "*.html"), (std::vector<std::string>{"folder " + r, "folder " + r + "a/",
                                                            "file " + r + "a/p.html", "finish"}));
}

TEST(FileSearch, StopEndsTheWalkAndFinishStillRuns) {
    TempFolder tmp;
    for (int i = 0; i < 20; ++i) WriteFile(tmp.Path() / ("f" + std::to_string(i) + ".html"));
    FileSearch search;
    int found = 0;
    bool finished = false;
    search.SearchFile = tmp.Text() + "*.html";
    search.OnFileFind = [&](const std::string&, const FoundFile&) { ++found; };
    search.OnFinish = [&](QObject*) { finished = true; };
    // What the person does while the walk hands out events: press Stop after the fifth file.
    search.ProcessMessages = [&] {
        if (found == 5) search.Stop = true;
    };
    search.StartSearch();
    EXPECT_EQ(found, 5);
    EXPECT_TRUE(finished);
}

TEST(FileSearch, SearchRecordAttributes) {
    TempFolder tmp;
    WriteFile(tmp.Path() / "plain.html", 10);
    WriteFile(tmp.Path() / ".hidden.html");
    WriteFile(tmp.Path() / "locked.html");
    fs::permissions(tmp.Path() / "locked.html", fs::perms::owner_read | fs::perms::group_read);
    struct Case {
        const char* name;
        int attr;
    } cases[] = {{"plain.html", 0}, {".hidden.html", faHidden}, {"locked.html", faReadOnly}};
    for (const Case& c : cases) {
        FoundFile rec;
        ASSERT_TRUE(ReadFoundFile(tmp.Text() + c.name, rec)) << c.name;
        EXPECT_EQ(rec.Attr, c.attr) << c.name;
        EXPECT_EQ(rec.Name, c.name);
    }
    FoundFile rec;
    ASSERT_TRUE(ReadFoundFile(tmp.Text() + "plain.html", rec));
    EXPECT_EQ(rec.Size, 10);
    EXPECT_FALSE(ReadFoundFile(tmp.Text() + "none.html", rec));
}

TEST(FileSearch, MaskMatching) {
    struct Case {
        const char* name;
        const char* mask;
        bool match;
    } cases[] = {
        {"a.html", "*.html", true},
        {"A.HTML", "*.html", true},
        {"a.jpg", "*.JPG", true},
        {"a.htm", "*.html", false},
        {"a.html.bak", "*.html", false},
        {"a.htmlx", "*.html", false},
        {"noext", "*.*", true},
        {".html", "*.html", true},
        {"ab.gif", "a?.gif", true},
        {"abc.gif", "a?.gif", false},
        {"x", "*", true},
        {"page.html", "p*e.h*", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MatchesMask(c.name, c.mask), c.match) << c.name << " " << c.mask;
}

TEST(FinderTexts, SizeInKilobytes) {
    struct Case {
        std::int64_t size;
        const char* text;
    } cases[] = {{0, "1"},    {1023, "1"}, {1024, "1"},
                 {2047, "1"}, {2048, "2"}, {5LL * 1024 * 1024 * 1024, "5242880"}};
    for (const Case& c : cases) EXPECT_EQ(FinderSizeText(c.size), c.text) << c.size;
}

TEST(FinderTexts, TotalSwitchesToMegabytesAbove1000K) {
    const QLocale c(QLocale::C), german(QLocale::German, QLocale::Germany);
    struct Case {
        std::int64_t bytes;
        const QLocale* locale;
        const char* text;
    } cases[] = {
        {0, &c, "0 KB"},
        {1023, &c, "0 KB"},
        {1024000, &c, "1000 KB"},
        {1025023, &c, "1000 KB"},
        {1025024, &c, "0.98 MB"},
        {1025024, &german, "0,98 MB"},
        // Past 2 GB and past 4 GB: the total is 64-bit and has no thousands separator.
        {3LL * 1024 * 1024 * 1024, &german, "3072,00 MB"},
        {5LL * 1024 * 1024 * 1024, &c, "5120.00 MB"},
    };
    for (const Case& k : cases) EXPECT_EQ(FinderTotalText(k.bytes, *k.locale), k.text) << k.bytes;
}

TEST(FinderTexts, AttributeColumn) {
    struct Case {
        int attr;
        const char* text;
    } cases[] = {
        {0, ""},
        {faReadOnly, "R"},
        {faHidden, "H"},
        {faReadOnly | faHidden, "R, H"},
        {faArchive, "A"},
        {faReadOnly | faArchive, "R, A"},
        {faHidden | faArchive, "A, H"},
        {faReadOnly | faHidden | faArchive, "R, A, H"},
        {faDirectory, ""},
        {faDirectory | faHidden, ""},
        {faSysFile | faReadOnly, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(FinderAttrText(c.attr), c.text) << c.attr;
}
