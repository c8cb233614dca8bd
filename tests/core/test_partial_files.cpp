#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "core/PartialFiles.h"
#include "support/Subprocess.h"
#include "support/TempFolder.h"

namespace fs = std::filesystem;

namespace {

// The cleanup after a killed run deletes by name, so the names it takes must be exactly the
// temporary ones: a retrieved file that merely looks similar stays.
TEST(PartialFiles, OnlyTemporaryNamesAreRecognised) {
    const std::pair<const char*, bool> cases[] = {
        {"cut.gif.4711-3.lwpart", true},
        {"x.lwpart", true},
        {"Main.html.lw4711-12.tmp", true},
        {".lw1-2.tmp", true},
        {"Main.html", false},
        {"notes.tmp", false},
        {"Main.html.lw4711.tmp", false},
        {"Main.html.lw-3.tmp", false},
        {"Main.html.lw12-.tmp", false},
        {"Main.html.lwx-3.tmp", false},
        {"archive.lwpart.zip", false},
        {"page.LWPART", false},
    };
    for (const auto& [name, partial] : cases) EXPECT_EQ(IsPartialFileName(name), partial) << name;

    const std::string made = NewPartialPath("/p/a.gif");
    EXPECT_EQ(made.rfind("/p/a.gif.", 0), 0u);
    EXPECT_TRUE(IsPartialFileName(fs::path(made).filename().string()));
    EXPECT_NE(NewPartialPath("/p/a.gif"), made) << "each transfer gets a name of its own";
}

TEST(PartialFiles, RemovalTakesOnlyTemporaryFilesOfTheFolder) {
    TempFolder folder;
    fs::create_directories(folder.Path() / "sub");
    for (const char* name : {"a.gif", "a.gif.1-1.lwpart", "Main.html", "Main.html.lw1-2.tmp",
                             "notes.tmp", "sub/b.gif.1-3.lwpart"})
        WriteWholeFile(folder.Text() + name, "x");
    EXPECT_EQ(RemovePartialFiles(folder.Text()), 2);
    std::set<std::string> left;
    for (const auto& e : fs::recursive_directory_iterator(folder.Path()))
        if (e.is_regular_file()) left.insert(fs::relative(e.path(), folder.Path()).string());
    EXPECT_EQ(left, (std::set<std::string>{"a.gif", "Main.html", "notes.tmp",
                                           "sub/b.gif.1-3.lwpart"}));
    EXPECT_EQ(RemovePartialFiles(folder.Text() + "missing/"), 0);
}

}  // namespace
