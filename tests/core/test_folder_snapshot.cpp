#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "core/FolderSnapshot.h"
#include "support/TempFolder.h"

namespace {

struct HoldCase {
    const char* path;  // after the folder, or absolute when it starts with "/"
    bool mayHold;
};

class FolderSnapshotHold : public ::testing::TestWithParam<HoldCase> {};

TEST_P(FolderSnapshotHold, AnswersFromTheNamesReadOnce) {
    TempFolder folder;
    std::ofstream(folder.Text() + "old.html") << "x";
    std::filesystem::create_directory(folder.Text() + "sub");
    FolderSnapshot snapshot;
    snapshot.Take(folder.Text());
    const std::string path =
        GetParam().path[0] == '/' ? std::string(GetParam().path) : folder.Text() + GetParam().path;
    EXPECT_EQ(snapshot.MayHold(path), GetParam().mayHold) << path;
}

INSTANTIATE_TEST_SUITE_P(
    Paths, FolderSnapshotHold,
    ::testing::Values(HoldCase{"old.html", true},        // there at the snapshot
                      HoldCase{"new.html", false},       // not there: no need to ask the disk
                      HoldCase{"OLD.html", false},       // names are compared as the disk does
                      HoldCase{"sub", true},             // a folder is an entry too
                      HoldCase{"sub/new.html", true},    // deeper: the snapshot cannot tell
                      HoldCase{"/elsewhere/new.html", true},  // another folder
                      HoldCase{"", true}));              // the folder itself

TEST(FolderSnapshot, UnknownUntilTakenAndAfterClear) {
    TempFolder folder;
    FolderSnapshot snapshot;
    EXPECT_TRUE(snapshot.MayHold(folder.Text() + "new.html"));
    snapshot.Take(folder.Text());
    EXPECT_FALSE(snapshot.MayHold(folder.Text() + "new.html"));
    snapshot.Clear();
    EXPECT_TRUE(snapshot.MayHold(folder.Text() + "new.html"));
}

TEST(FolderSnapshot, FolderThatCannotBeReadTellsNothing) {
    TempFolder folder;
    FolderSnapshot snapshot;
    snapshot.Take(folder.Text() + "missing/");
    EXPECT_TRUE(snapshot.MayHold(folder.Text() + "missing/new.html"));
}

}  // namespace
