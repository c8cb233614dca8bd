#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "engine/CompleteCopy.h"
#include "engine/ConvertProjectFiles.h"
#include "engine/SessionState.h"
#include "support/NoPermissionOverride.h"
#include "support/QtApp.h"
#include "support/ScriptedPrompts.h"
#include "support/Subprocess.h"
#include "support/TempFolder.h"

namespace fs = std::filesystem;

namespace {

std::string Read(const fs::path& path) { return ReadWholeFile(path.string()); }
void Write(const fs::path& path, const std::string& bytes) { WriteWholeFile(path.string(), bytes); }

const std::string MainPage =
    "<HTML><BODY>\n<A HREF=\"http://host/page.html\">Page</A>\n"
    "<IMG SRC=\"images/logo.gif\"></BODY></HTML>\n";
const std::string MainConverted =
    "<HTML><BODY>\r\n<A HREF=\"page.html\">Page</A>\r\n"
    "<IMG SRC=\"logo.gif\"></BODY></HTML>\r\n";
const std::string OtherPage = "<A HREF=\"http://host/\">Home</A>\n";

class ConvertProjectFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureQtApp();
        state.ProjectFolder = folder.Text();
        state.SiteBase = "http://host/";
        state.Settings.SearchEntireSite = true;
        state.Settings.RetrieveImageFiles = true;
        files = {{"Main.html", MainPage},   {"page.html", OtherPage},
                 {"logo.gif", "GIF89a<A\nHREF=\"x\">"}, {"extra.shtml", OtherPage},
                 {"old.HTM", OtherPage},    {"empty.html", ""}};
        for (const auto& [name, bytes] : files) {
            Write(folder.Path() / name, bytes);
            state.KnownFiles.Add(folder.Text() + name);
        }
        state.KnownFiles.Add(folder.Text() + "never-arrived.html");
    }

    TempFolder folder;
    ScriptedPrompts prompts;
    SessionState state{prompts};
    std::map<std::string, std::string> files;
};

TEST_F(ConvertProjectFilesTest, RewritesOnlyHtmlPagesWithContent) {
    ASSERT_TRUE(ConvertProjectFiles(state));
    EXPECT_EQ(Read(folder.Path() / "Main.html"), MainConverted);
    // The site root's local name is main1.html, which this project does not hold.
    EXPECT_EQ(Read(folder.Path() / "page.html"), "<A HREF=\"http://host/\">* Home *</A>\r\n");
    EXPECT_EQ(Read(folder.Path() / "old.HTM"), "<A HREF=\"http://host/\">* Home *</A>\r\n");
    for (const char* untouched : {"logo.gif", "extra.shtml", "empty.html"})
        EXPECT_EQ(Read(folder.Path() / untouched), files[untouched]) << untouched;
    EXPECT_FALSE(fs::exists(folder.Path() / "never-arrived.html"));
    EXPECT_TRUE(state.KnownFiles.Empty());
    EXPECT_EQ(prompts.ConversionLabels,
              (std::vector<std::string>{"Updating HTML links for off line browsing..",
                                        "Updating Complete!"}));
    EXPECT_EQ(prompts.LastGauge, 100);
    EXPECT_EQ(prompts.ConversionShows, 1);
    EXPECT_EQ(prompts.ConversionCloses, 1);
    EXPECT_TRUE(prompts.Messages.empty());
}

TEST_F(ConvertProjectFilesTest, DeletingModeRemovesEveryPageTheStartPageIncluded) {
    state.Settings.RetrieveHTMLFiles = false;
    ASSERT_TRUE(ConvertProjectFiles(state));
    for (const char* gone : {"Main.html", "page.html", "old.HTM"})
        EXPECT_FALSE(fs::exists(folder.Path() / gone)) << gone;
    for (const char* kept : {"logo.gif", "extra.shtml", "empty.html"})
        EXPECT_EQ(Read(folder.Path() / kept), files[kept]) << kept;
    EXPECT_EQ(prompts.ConversionLabels,
              (std::vector<std::string>{"Deleting HTML Files..", "Updating Complete!"}));
    EXPECT_TRUE(state.KnownFiles.Empty());
}

TEST_F(ConvertProjectFilesTest, UnreadablePageEndsTheRunWithItsMessage) {
    // Known files in order: Main.html, page.html, ..., then the locked page, then a last page.
    const fs::path locked = folder.Path() / "locked.html";
    Write(locked, OtherPage);
    Write(folder.Path() / "last.html", OtherPage);
    state.KnownFiles.Add(locked.string());
    state.KnownFiles.Add(folder.Text() + "last.html");
    const std::size_t known = state.KnownFiles.Count();
    fs::permissions(locked, fs::perms::none);

    NoPermissionOverride asOwner;
    if (ReadableDespitePermissions(locked.c_str()))
        GTEST_SKIP() << "this account can read any file";
    EXPECT_FALSE(ConvertProjectFiles(state));

    ASSERT_EQ(prompts.Messages.size(), 1u);
    EXPECT_EQ(prompts.Messages[0].Text,
              "Cannot open file \"" + locked.string() + "\". Permission denied");
    EXPECT_EQ(prompts.Messages[0].IconKind, SessionPrompts::Kind::Error);
    EXPECT_EQ(Read(folder.Path() / "Main.html"), MainConverted) << "done before the failure";
    EXPECT_EQ(Read(folder.Path() / "last.html"), OtherPage) << "left as it was";
    EXPECT_EQ(state.KnownFiles.Count(), known);
    EXPECT_EQ(prompts.ConversionCloses, 1);
    EXPECT_EQ(prompts.ConversionLabels,
              std::vector<std::string>{"Updating HTML links for off line browsing.."});
}

TEST_F(ConvertProjectFilesTest, ALargeProjectStopsAtItsFirstUnreadablePage) {
    // Enough pages for the conversion to run ahead on helper threads.
    std::vector<fs::path> pages;
    for (int i = 0; i < 80; ++i) {
        pages.push_back(folder.Path() / ("p" + std::to_string(i) + ".html"));
        Write(pages.back(), MainPage);
        state.KnownFiles.Add(pages.back().string());
    }
    fs::permissions(pages[40], fs::perms::none);
    NoPermissionOverride asOwner;
    if (ReadableDespitePermissions(pages[40].c_str()))
        GTEST_SKIP() << "this account can read any file";
    std::set<std::string> before;
    for (const auto& e : fs::directory_iterator(folder.Path())) before.insert(e.path().filename());

    EXPECT_FALSE(ConvertProjectFiles(state));

    ASSERT_EQ(prompts.Messages.size(), 1u);
    EXPECT_EQ(prompts.Messages[0].Text,
              "Cannot open file \"" + pages[40].string() + "\". Permission denied");
    for (int i = 0; i < 80; ++i) {
        if (i == 40) continue;
        EXPECT_EQ(Read(pages[i]), i < 40 ? MainConverted : MainPage) << i;
    }
    std::set<std::string> after;
    for (const auto& e : fs::directory_iterator(folder.Path())) after.insert(e.path().filename());
    EXPECT_EQ(after, before) << "no temporary file stays behind";
    // The window followed every page up to the failing one, and no further.
    EXPECT_EQ(prompts.LastConversionFile, pages[40].string());
}

// The complete copy's conversion in the same window: a file that cannot be rewritten is said
// once the window has closed, after every other file was converted.
TEST(ConvertCompleteCopy, SaysTheFileThatCouldNotBeRewrittenAfterTheWindowCloses) {
    EnsureQtApp();
    TempFolder folder;
    ScriptedPrompts prompts;
    SessionState state{prompts};
    state.ProjectFolder = folder.Text();
    CompleteCopy copy(state);
    const std::string start = copy.Begin("http://host/");
    const std::string page = "<a href=a.html>a</a> <a href=gone.html>g</a>";
    Write(start, page);
    std::string file = start;
    copy.Landed("http://host/", file, "text/html", page);
    std::string locked = folder.Text() + "a.html";
    Write(locked, page);
    copy.Landed("http://host/a.html", locked, "text/html", page);
    fs::permissions(locked, fs::perms::none);
    NoPermissionOverride asOwner;
    if (ReadableDespitePermissions(locked.c_str()))
        GTEST_SKIP() << "this account can read any file";

    EXPECT_FALSE(ConvertCompleteCopy(state, copy));
    EXPECT_EQ(Read(start), "<a href=a.html>a</a> <a href=http://host/gone.html>g</a>");
    EXPECT_EQ(prompts.ConversionShows, 1);
    EXPECT_EQ(prompts.ConversionCloses, 1);
    ASSERT_EQ(prompts.Messages.size(), 1u);
    EXPECT_EQ(prompts.Messages[0].Text, "Cannot open file \"" + locked + "\". Permission denied");
    EXPECT_EQ(prompts.Messages[0].IconKind, SessionPrompts::Kind::Error);
    EXPECT_EQ(prompts.ConversionLabels,
              std::vector<std::string>{"Updating HTML links for off line browsing.."});
}

}  // namespace
