#include <gtest/gtest.h>

#include "core/FileNames.h"

struct ExtensionCase {
    const char* path;
    const char* extension;
};

class FileExtensionOf : public ::testing::TestWithParam<ExtensionCase> {};

TEST_P(FileExtensionOf, TakesTheLastDotOfTheLastName) {
    EXPECT_EQ(FileExtension(GetParam().path), GetParam().extension) << GetParam().path;
}

INSTANTIATE_TEST_SUITE_P(Table, FileExtensionOf,
                         ::testing::Values(
                             // A name as a list shows it, and a whole path.
                             ExtensionCase{"Main.html", ".html"},
                             ExtensionCase{"/p/site/logo.GIF", ".GIF"},
                             ExtensionCase{"archive.tar.gz", ".gz"}, ExtensionCase{"README", ""},
                             ExtensionCase{"", ""}, ExtensionCase{"name.", "."},
                             // A dot in a folder's name is no extension of the file in it.
                             ExtensionCase{"/p/v1.2/README", ""}, ExtensionCase{"dir.d/", ""},
                             ExtensionCase{"/p/v1.2/notes.txt", ".txt"},
                             // A name that is only its extension.
                             ExtensionCase{".profile", ".profile"},
                             ExtensionCase{"/home/a/.lwa", ".lwa"},
                             // "\" and ":" are a name's own bytes on this system, not separators.
                             ExtensionCase{"a\\b.c", ".c"}, ExtensionCase{"page.htm\\x", ".htm\\x"},
                             ExtensionCase{"c:session", ""}, ExtensionCase{"v.2:copy", ".2:copy"},
                             // Bytes outside ASCII pass through.
                             ExtensionCase{"caf\xc3\xa9.\xc3\xa9t\xc3\xa9", ".\xc3\xa9t\xc3\xa9"}));

TEST(IsHtmlPath, OnlyHtmlAndHtmInAnyCase) {
    EXPECT_TRUE(IsHtmlPath("/p/Main.html"));
    EXPECT_TRUE(IsHtmlPath("INDEX.HTM"));
    EXPECT_FALSE(IsHtmlPath("page.shtml"));
    EXPECT_FALSE(IsHtmlPath("/p/old.html/notes"));
    EXPECT_FALSE(IsHtmlPath("html"));
}
