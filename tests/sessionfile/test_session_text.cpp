#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "sessionfile/SessionText.h"

namespace {

// The finished session of the worked example: project C:\Sites\shop\, the site root and one
// child folder, two retrieved files.
SessionRecord WorkedExample() {
    SessionRecord r;
    r.ProjectFolder = "C:\\Sites\\shop\\";
    r.SiteFolders = {"http://host/", "images/"};
    r.Rows = {{"1", "http://host/", "900", "900", "Complete"},
              {"2", "images/logo.gif", "300", "300", "Complete"}};
    r.StartedText = "Session Started On: 12/03/2024 10:15:02";
    r.Statistics = {"Files Read: 2", "Bytes Received: 1200", "Retrieval Speed: 0.2 KB/s",
                    "Time Elapsed: 00:07"};
    return r;
}

const char* const WorkedExampleText =
    "{AUTO GENERATED FILE. DO NOT MODIFY THIS FILE.}\r\n"
    "C:\\Sites\\shop\\\r\n"
    "2\r\n"
    "http://host/\r\n"
    "images/\r\n"
    "2\r\n"
    "1\r\nhttp://host/\r\n900\r\n900\r\nComplete\r\n"
    "2\r\nimages/logo.gif\r\n300\r\n300\r\nComplete\r\n"
    "Session Started On: 12/03/2024 10:15:02\r\n"
    "Files Read: 2\r\n"
    "Bytes Received: 1200\r\n"
    "Retrieval Speed: 0.2 KB/s\r\n"
    "Time Elapsed: 00:07\r\n";

std::size_t CrLfCount(const std::string& text) {
    std::size_t n = 0;
    for (std::size_t p = text.find("\r\n"); p != std::string::npos; p = text.find("\r\n", p + 2))
        ++n;
    return n;
}

TEST(SessionText, WorkedExampleIsItsTwentyOneLines) {
    const std::string text = FormatSessionText(WorkedExample());
    EXPECT_EQ(text, WorkedExampleText);
    EXPECT_EQ(CrLfCount(text), 21u);
}

TEST(SessionText, HasSPlus5RPlus9LinesAndKeepsItsLengthScrambled) {
    struct Shape {
        std::size_t folders, rows;
    };
    for (const Shape shape : {Shape{1, 0}, Shape{1, 1}, Shape{3, 7}, Shape{12, 40}}) {
        SessionRecord r = WorkedExample();
        r.SiteFolders.resize(shape.folders, "folder/");
        r.Rows.resize(shape.rows);  // rows the run never filled: five empty cells each
        const std::string text = FormatSessionText(r);
        EXPECT_EQ(CrLfCount(text), shape.folders + 5 * shape.rows + 9);
        EXPECT_EQ(ScrambleText(text).size(), text.size());
        const SessionRecord back = ParseSessionText(text);
        EXPECT_EQ(back.SiteFolders, r.SiteFolders);
        EXPECT_EQ(back.Rows, r.Rows);
        EXPECT_EQ(back.Statistics, r.Statistics);
    }
}

TEST(SessionText, ReadsBackWhatItWrote) {
    SessionRecord r = WorkedExample();
    r.Rows.push_back({"3", "<FILE DELETED>***images/old.gif***", "10", "10", "Complete"});
    r.Rows.push_back({"", "", "", "", ""});
    const SessionRecord back = ParseSessionText(FormatSessionText(r));
    EXPECT_EQ(back.ProjectFolder, r.ProjectFolder);
    EXPECT_EQ(back.SiteFolders, r.SiteFolders);
    EXPECT_EQ(back.Rows, r.Rows);
    EXPECT_EQ(back.StartedText, r.StartedText);
    EXPECT_EQ(back.Statistics, r.Statistics);
}

// Every text must stay on its own line, or every line after it would be read as the wrong field.
TEST(SessionText, TextsWithLineBreaksAndAnEmptyFolderListStayReadable) {
    SessionRecord r = WorkedExample();
    r.SiteFolders.clear();
    r.Rows[0][1] = "http://host/a\r\nb\rc\nd";
    const SessionRecord back = ParseSessionText(FormatSessionText(r));
    EXPECT_EQ(back.SiteFolders, std::vector<std::string>{""});
    EXPECT_EQ(back.Rows[0][1], "http://host/a  b c d");
    EXPECT_EQ(back.Rows[1], r.Rows[1]);
    EXPECT_EQ(back.Statistics, r.Statistics);
}

TEST(SessionText, ReaderTakesTheRootEntryWhateverTheCountSaysAndAnyLineEnd) {
    const SessionRecord zero = ParseSessionText(
        "header\nC:\\p\\\n0\nhttp://h/\n1\n1\nhttp://h/\n5\n5\nComplete\nS\nF\nB\nR\nT\n");
    EXPECT_EQ(zero.SiteFolders, std::vector<std::string>{"http://h/"});
    ASSERT_EQ(zero.Rows.size(), 1u);
    EXPECT_EQ(zero.Rows[0][4], "Complete");
    EXPECT_EQ(zero.Statistics[3], "T");

    const SessionRecord mixed = ParseSessionText(
        "h\rp\r\n1\nroot\r0\r\nstarted\n\nb\rs\r\nt");  // no line end after the last line
    EXPECT_EQ(mixed.ProjectFolder, "p");
    EXPECT_EQ(mixed.StartedText, "started");
    EXPECT_EQ(mixed.Statistics, (std::array<std::string, 4>{"", "b", "s", "t"}));
}

TEST(SessionText, DamagedCountOrShortFileIsAnError) {
    const std::string good = WorkedExampleText;
    struct Damage {
        const char* what;
        std::string text;
        const char* message;
    };
    auto withFolderCount = [&](const std::string& count) {
        std::string t = good;
        return t.replace(t.find("\r\n2\r\n") + 2, 1, count);
    };
    const Damage cases[] = {
        {"letters", withFolderCount("two"), "line 3 should hold a count, but 'two' is not a valid"},
        {"empty", withFolderCount(""), "line 3 should hold a count, but '' is not"},
        {"sign", withFolderCount("+2"), "'+2' is not a valid integer value"},
        {"negative", withFolderCount("-2"), "'-2' is not"},
        {"trailing text", withFolderCount("2x"), "'2x' is not"},
        {"too large", withFolderCount("99999999999999999999999"), "is not a valid"},
        {"huge row count", withFolderCount("2").replace(good.find("\r\n2\r\n1\r\n") + 2, 1, "900000000"),
         "the file ends at line 22"},
        {"cut short", good.substr(0, good.find("Files Read")), "the file ends at line 18"},
        {"empty file", "", "the file ends at line 1"},
        // Another kind of file: its bytes are quoted short and printable.
        {"binary count", withFolderCount(std::string("\x89PNG\x1a\x00", 6) + std::string(300, 'z')),
         "but '\\x89PNG\\x1A\\x00zzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzz...' is not a valid"},
    };
    for (const auto& c : cases) {
        try {
            ParseSessionText(c.text);
            ADD_FAILURE() << c.what << ": no error";
        } catch (const SessionFileError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos)
                << c.what << ": " << e.what();
        }
    }
}

TEST(Scrambling, FollowsTheRunningKey) {
    // The key starts at 0x2A71 and is fed with each scrambled byte.
    EXPECT_EQ(ScrambleText("{AUTO"), std::string("\x51\xC7\xB0\x41\xA9"));
    EXPECT_EQ(UnscrambleText("\x51\xC7\xB0\x41\xA9"), "{AUTO");
}

TEST(Scrambling, PassesAreExactInversesForAnyBytes) {
    std::mt19937 random(7);
    std::string bytes;
    for (int i = 0; i < 4096; ++i) bytes += static_cast<char>(random() & 0xFF);
    for (int c = 0; c < 256; ++c) bytes += static_cast<char>(c);
    const std::string scrambled = ScrambleText(bytes);
    EXPECT_EQ(scrambled.size(), bytes.size());
    EXPECT_NE(scrambled, bytes);
    EXPECT_EQ(UnscrambleText(scrambled), bytes);
    EXPECT_EQ(ScrambleText(UnscrambleText(bytes)), bytes);
    const std::string text = FormatSessionText(WorkedExample());
    EXPECT_EQ(ScrambleText(text).find("AUTO GENERATED"), std::string::npos);
}

TEST(SiteBaseFromRoot, KeepsSchemeAndHost) {
    const std::pair<const char*, const char*> cases[] = {
        {"http://host/", "http://host/"},
        {"http://host/dir/sub/", "http://host/"},
        {"http://host", "http://"},
        {"http://", "http://"},
        {"", "http://"},
        {"https://host/", "https://host/"},
        {"HTTPS://Host:8443/a/", "https://Host:8443/"},
        {"https://host", "https://"},
        {"ftp://x/y/", "http:///"},  // not a web root: its 8th character on, as ever
    };
    for (const auto& [root, base] : cases) EXPECT_EQ(SiteBaseFromRoot(root), base) << root;
}

}  // namespace
