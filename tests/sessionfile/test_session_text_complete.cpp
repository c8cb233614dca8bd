#include <gtest/gtest.h>

#include <string>

#include "sessionfile/SessionText.h"

// The complete copy's lines after the classic record: written only for a complete copy, read
// back whole, and a file without them (every file written before) read as a classic copy.
namespace {

const char* const ClassicText =
    "{AUTO GENERATED FILE. DO NOT MODIFY THIS FILE.}\r\n"
    "/sites/shop/\r\n"
    "1\r\n"
    "http://host/\r\n"
    "1\r\n"
    "1\r\nhttp://host/\r\n900\r\n900\r\nComplete\r\n"
    "Session Started On: 12/03/2024 10:15:02\r\n"
    "Files Read: 1\r\n"
    "Bytes Received: 900\r\n"
    "Retrieval Speed: 0.2 KB/s\r\n"
    "Time Elapsed: 00:07\r\n";

SessionRecord CompleteRecord() {
    SessionRecord r = ParseSessionText(ClassicText);
    r.Settings.CompleteCopy = true;
    r.StartAddress = "http://host/docs/";
    r.MirrorFiles = {{"http://host/docs/", "docs/index.html"},
                     {"http://host/a/page.html", "a/page.html"},
                     {"http://host/b/page.html", "b/page.html"},
                     {"http://cdn.test/x.js?v=1", "_hosts/http/cdn.test/x.js@v=1"}};
    return r;
}

TEST(SessionTextComplete, ClassicRecordIsWrittenAsBeforeAndReadAsClassic) {
    const SessionRecord classic = ParseSessionText(ClassicText);
    EXPECT_FALSE(classic.Settings.CompleteCopy);
    EXPECT_TRUE(classic.MirrorFiles.empty());
    EXPECT_EQ(FormatSessionText(classic), ClassicText);
}

TEST(SessionTextComplete, CompleteCopyReadsBackWhatItWrote) {
    const SessionRecord written = CompleteRecord();
    const std::string text = FormatSessionText(written);
    // The classic lines come first, unchanged: a reader of those alone stops before the rest.
    EXPECT_EQ(text.substr(0, std::string(ClassicText).size()), ClassicText);
    EXPECT_EQ(text.substr(std::string(ClassicText).size(), 37),
              "Complete copy\r\nhttp://host/docs/\r\n4\r\n");
    const SessionRecord read = ParseSessionText(text);
    EXPECT_TRUE(read.Settings.CompleteCopy);
    EXPECT_EQ(read.StartAddress, written.StartAddress);
    EXPECT_EQ(read.MirrorFiles, written.MirrorFiles);
    EXPECT_EQ(read.Rows, written.Rows);
    EXPECT_EQ(FormatSessionText(read), text);
    const SessionRecord unscrambled = ParseSessionText(UnscrambleText(ScrambleText(text)));
    EXPECT_EQ(unscrambled.MirrorFiles, written.MirrorFiles);
}

struct Damaged {
    const char* tail;  // after the classic record
    bool complete;     // read as a complete copy
    bool error;
};

class SessionTextCompleteTail : public ::testing::TestWithParam<Damaged> {};

TEST_P(SessionTextCompleteTail, IsReadOrRefused) {
    const std::string text = std::string(ClassicText) + GetParam().tail;
    if (GetParam().error) {
        EXPECT_THROW(ParseSessionText(text), SessionFileError);
        return;
    }
    EXPECT_EQ(ParseSessionText(text).Settings.CompleteCopy, GetParam().complete);
}

INSTANTIATE_TEST_SUITE_P(
    Tails, SessionTextCompleteTail,
    ::testing::Values(Damaged{"", false, false},
                      // Text after the record that is not the mark stays ignored, as before.
                      Damaged{"something else\r\n", false, false},
                      Damaged{"Complete copy\r\nhttp://h/\r\n0\r\n", true, false},
                      Damaged{"Complete copy\r\nhttp://h/\r\n1\r\nhttp://h/\r\nindex.html", true,
                              false},
                      // A count that is not one, or files cut off, is a damaged file.
                      Damaged{"Complete copy\r\nhttp://h/\r\nx\r\n", false, true},
                      Damaged{"Complete copy\r\nhttp://h/\r\n2\r\nhttp://h/\r\nindex.html\r\n",
                              false, true},
                      Damaged{"Complete copy\r\n", false, true}));

// The windows open, save and delete the files a record names: a record whose paths would take
// them outside the project folder is refused as damaged, naming the line.
enum class PathLine { ProjectFolder, SiteFolder, MirrorFile };

struct HostilePath {
    const char* label;
    PathLine kind;
    const char* path;
    int refusedAtLine;  // 0: read
};

class SessionTextPaths : public ::testing::TestWithParam<HostilePath> {};

TEST_P(SessionTextPaths, PathOutsideTheProjectIsRefused) {
    const HostilePath& c = GetParam();
    SessionRecord r = CompleteRecord();
    switch (c.kind) {
        case PathLine::ProjectFolder:
            r.ProjectFolder = c.path;
            break;
        case PathLine::SiteFolder:
            r.SiteFolders.push_back(c.path);
            break;
        case PathLine::MirrorFile:
            r.MirrorFiles.insert(r.MirrorFiles.begin() + 1, {"http://host/x", c.path});
            break;
    }
    const std::string text = FormatSessionText(r);
    if (c.refusedAtLine == 0) {
        EXPECT_EQ(FormatSessionText(ParseSessionText(text)), text);
        return;
    }
    try {
        ParseSessionText(text);
        ADD_FAILURE() << "read";
    } catch (const SessionFileError& e) {
        const std::string start =
            "line " + std::to_string(c.refusedAtLine) + " names '" + c.path + "'";
        EXPECT_EQ(std::string(e.what()).rfind(start, 0), 0u) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Paths, SessionTextPaths,
    ::testing::Values(
        HostilePath{"ProjectRoot", PathLine::ProjectFolder, "/", 2},
        HostilePath{"ProjectDoubleSlash", PathLine::ProjectFolder, "//", 2},
        HostilePath{"ProjectClimbsToRoot", PathLine::ProjectFolder, "/sites/../", 2},
        HostilePath{"ProjectDotted", PathLine::ProjectFolder, "/./", 2},
        HostilePath{"ProjectElsewhere", PathLine::ProjectFolder, "/sites/../shop/", 0},
        HostilePath{"ProjectFromWindows", PathLine::ProjectFolder, "C:\\Sites\\shop\\", 0},
        HostilePath{"ProjectNone", PathLine::ProjectFolder, "", 0},
        HostilePath{"FolderUp", PathLine::SiteFolder, "../", 5},
        HostilePath{"FolderFromRoot", PathLine::SiteFolder, "/etc/", 5},
        HostilePath{"FolderUpInside", PathLine::SiteFolder, "docs/../../", 5},
        HostilePath{"FolderNested", PathLine::SiteFolder, "docs/a/", 0},
        HostilePath{"FileUp", PathLine::MirrorFile, "../../etc/passwd", 22},
        HostilePath{"FileFromRoot", PathLine::MirrorFile, "/etc/passwd", 22},
        HostilePath{"FileUpInside", PathLine::MirrorFile, "docs/../../x.html", 22},
        HostilePath{"FileDotDot", PathLine::MirrorFile, "..", 22},
        HostilePath{"FileDot", PathLine::MirrorFile, "docs/./x.html", 22},
        HostilePath{"FileEmptySegment", PathLine::MirrorFile, "docs//x.html", 22},
        HostilePath{"FileIsAFolder", PathLine::MirrorFile, "docs/", 22},
        HostilePath{"FileNone", PathLine::MirrorFile, "", 22},
        HostilePath{"FileEscapedDots", PathLine::MirrorFile, "%2E%2E/x.html", 0},
        HostilePath{"FileDotsInNames", PathLine::MirrorFile, "..a/b..html", 0},
        HostilePath{"FileOfAnotherHost", PathLine::MirrorFile, "_hosts/http/h@81/x.js", 0}),
    [](const auto& info) { return std::string(info.param.label); });

// A classic copy's site folders are names in the tree, never paths: they are read as they are.
TEST(SessionTextComplete, ClassicSiteFoldersAreNotPaths) {
    SessionRecord r = ParseSessionText(ClassicText);
    r.SiteFolders.push_back("../");
    EXPECT_EQ(ParseSessionText(FormatSessionText(r)).SiteFolders, r.SiteFolders);
}

}  // namespace
