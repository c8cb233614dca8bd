#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/GetSession.h"
#include "cli/ShowSession.h"
#include "sessionfile/SessionText.h"
#include "support/TempFolder.h"

namespace {

std::string Read(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

struct ShowCase {
    const char* what;
    std::string bytes;  // the file as stored
    int result;
    std::string out;
    const char* error;  // part of the error output
};

TEST(ShowSessionFile, PrintsStoredLinesOrTheErrorAndNeverChangesTheFile) {
    SessionRecord r;
    r.ProjectFolder = "/sites/shop/";
    r.SiteFolders = {"http://host/", "images/"};
    r.Rows = {{"1", "http://host/", "900", "900", "Complete"}};
    r.StartedText = "Session Started On: 12/03/2024 10:15:02";
    r.Statistics = {"Files Read: 1", "Bytes Received: 900", "Retrieval Speed: 0.1 KB/s",
                    "Time Elapsed: 00:03"};
    const std::string plain = FormatSessionText(r);
    std::string damaged = plain;
    damaged.replace(damaged.find("\r\n2\r\n") + 2, 1, "two");

    const ShowCase cases[] = {
        {"session", ScrambleText(plain), 0,
         "{AUTO GENERATED FILE. DO NOT MODIFY THIS FILE.}\n/sites/shop/\n2\nhttp://host/\n"
         "images/\n1\n1\nhttp://host/\n900\n900\nComplete\n"
         "Session Started On: 12/03/2024 10:15:02\nFiles Read: 1\nBytes Received: 900\n"
         "Retrieval Speed: 0.1 KB/s\nTime Elapsed: 00:03\n",
         ""},
        {"damaged count", ScrambleText(damaged), 1, "",
         "is not a readable session file: line 3 should hold a count, but 'two' is not a valid "
         "integer value."},
        {"never scrambled", plain, 1, "", "is not a readable session file"},
    };
    TempFolder folder;
    for (const auto& c : cases) {
        const std::string path = folder.Text() + "s.lwa";
        std::ofstream(path, std::ios::binary) << c.bytes;
        std::ostringstream out, err;
        EXPECT_EQ(ShowSessionFile(path, out, err), c.result) << c.what;
        EXPECT_EQ(out.str(), c.out) << c.what;
        EXPECT_NE(err.str().find(c.error), std::string::npos) << c.what << ": " << err.str();
        EXPECT_EQ(Read(path), c.bytes) << c.what;
    }

    std::ostringstream out, err;
    EXPECT_EQ(ShowSessionFile(folder.Text() + "absent.lwa", out, err), 1);
    EXPECT_NE(err.str().find("Cannot open file"), std::string::npos) << err.str();
}

TEST(ShowSessionFile, CommandLine) {
    TempFolder folder;
    const std::string path = folder.Text() + "s.lwa";
    SessionRecord r;
    r.SiteFolders = {"http://host/"};
    std::ofstream(path, std::ios::binary) << ScrambleText(FormatSessionText(r));
    struct Line {
        std::vector<std::string> args;
        int status;
    };
    const Line lines[] = {
        {{"--show", path}, ExitDone},
        {{"--show=" + path}, ExitDone},
        {{"--show", folder.Text() + "absent.lwa"}, ExitFailure},
        {{"--show"}, ExitUsage},
        {{"--show", path, "more"}, ExitUsage},
    };
    for (const auto& line : lines) {
        std::ostringstream out, err;
        EXPECT_EQ(LanternwayGetMain(line.args, out, err, false), line.status) << line.args.size();
        if (line.status == ExitDone) {
            EXPECT_EQ(out.str().rfind("{AUTO GENERATED", 0), 0u);
        }
    }
}

}  // namespace
