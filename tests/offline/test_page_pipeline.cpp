#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "offline/FolderListing.h"
#include "offline/PagePipeline.h"
#include "support/NoPermissionOverride.h"
#include "support/Subprocess.h"
#include "support/TempFolder.h"

namespace fs = std::filesystem;

namespace {

std::string Read(const fs::path& path) { return ReadWholeFile(path.string()); }
void Write(const fs::path& path, const std::string& bytes) { WriteWholeFile(path.string(), bytes); }

std::vector<std::string> Entries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

// --- FolderListing ---------------------------------------------------------------------------

TEST(FolderListing, AnswersAsAFileSystemLookupWould) {
    TempFolder folder;
    const fs::path& f = folder.Path();
    Write(f / "page.html", "x");
    Write(f / "Page.HTML", "y");
    fs::create_directory(f / "sub");
    Write(f / "sub" / "inner.html", "z");
    fs::create_symlink(f / "page.html", f / "link.html");
    fs::create_symlink(f / "gone.html", f / "dangling.html");
    fs::create_symlink(f / "sub", f / "sublink");
    const FolderListing listing(folder.Text());

    const std::vector<std::string> names = {"page.html",
                                            "Page.HTML",
                                            "PAGE.html",
                                            "sub",
                                            "sub/inner.html",
                                            "sub/none",
                                            "link.html",
                                            "dangling.html",
                                            "sublink",
                                            "sublink/inner.html",
                                            "none.html",
                                            "",
                                            ".",
                                            "..",
                                            "../" + f.filename().string() + "/page.html"};
    for (const std::string& name : names)
        EXPECT_EQ(listing.Exists(name), fs::exists(folder.Text() + name)) << "'" << name << "'";
}

// Links that differ only in letter case are one file to the run, stored under the spelling it
// met first; the conversion finds it under any spelling. The listing and the lookup without one
// give the same answers.
TEST(FolderListing, FindsTheStoredNameIgnoringCase) {
    TempFolder folder;
    const fs::path& f = folder.Path();
    Write(f / "LOGO.gif", "x");
    Write(f / "page2.html", "x");
    Write(f / "Twice.html", "x");
    Write(f / "twice.html", "x");
    Write(f / "\xC3\x9C"
              "ber.html",
          "x");
    fs::create_directory(f / "Sub");
    Write(f / "Sub" / "inner.html", "x");
    fs::create_symlink(f / "gone.html", f / "Dangling.html");
    const FolderListing listing(folder.Text());
    const std::pair<std::string, std::string> cases[] = {
        {"LOGO.gif", "LOGO.gif"},
        {"logo.gif", "LOGO.gif"},
        {"Logo.GIF", "LOGO.gif"},
        {"Page2.html", "page2.html"},
        {"page2.html", "page2.html"},
        {"twice.html", "twice.html"},  // its own spelling first
        {"TWICE.html", "Twice.html"},  // else the first in byte order
        {"\xC3\xBC"
         "ber.html",
         ""},  // only ASCII letters fold
        {"sub", "Sub"},
        {"sub/inner.html", ""},  // not an entry of the folder
        {"dangling.html", ""},
        {"none.gif", ""},
        {"", ""},
    };
    for (const auto& [name, stored] : cases) {
        EXPECT_EQ(listing.StoredName(name), stored) << "'" << name << "'";
        EXPECT_EQ(StoredNameIn(folder.Text(), name), stored) << "'" << name << "'";
    }
}

TEST(FolderListing, AFolderThatCannotBeListedIsLookedUpNameByName) {
    TempFolder folder;
    Write(folder.Path() / "a.html", "x");
    const FolderListing missing(folder.Text() + "none/");
    EXPECT_FALSE(missing.Exists("a.html"));
    const FolderListing relative("");  // the current folder
    EXPECT_EQ(relative.Exists("a.html"), fs::exists("a.html"));
}

TEST(FolderListing, KeepsTheAnswersOfTheMomentItWasMade) {
    TempFolder folder;
    Write(folder.Path() / "early.html", "x");
    const FolderListing listing(folder.Text());
    Write(folder.Path() / "late.html", "x");
    EXPECT_TRUE(listing.Exists("early.html"));
    EXPECT_FALSE(listing.Exists("late.html"));
}

// --- PagePipeline ----------------------------------------------------------------------------

std::vector<std::string_view> Views(const std::vector<std::string>& paths) {
    return {paths.begin(), paths.end()};
}

// Upper-cases "<a" so that a rewritten page differs from its input; pages without it come out
// unchanged.
PagePipeline::Converter Upcase() {
    return [](std::size_t, std::string_view page) {
        std::string out(page);
        for (std::size_t p = out.find("<a"); p != std::string::npos; p = out.find("<a", p))
            out[p + 1] = 'A';
        return out;
    };
}

class PagePipelineTest : public ::testing::TestWithParam<int> {
  protected:
    // count pages; every third one has nothing to rewrite.
    std::vector<std::string> MakePages(int count) {
        std::vector<std::string> pages;
        for (int i = 0; i < count; ++i) {
            const std::string path = folder.Text() + "p" + std::to_string(i) + ".html";
            Write(path, i % 3 == 0 ? "plain " + std::to_string(i) : "<a href=" + std::to_string(i));
            pages.push_back(path);
        }
        return pages;
    }

    TempFolder folder;
};

TEST_P(PagePipelineTest, TakesEveryPageInOrderWithItsOutcome) {
    std::vector<std::string> pages = MakePages(60);
    Write(folder.Path() / "empty.html", "");
    fs::create_directory(folder.Path() / "dir.html");
    pages.insert(pages.begin() + 7, folder.Text() + "empty.html");
    pages.insert(pages.begin() + 20, folder.Text() + "dir.html");
    pages.insert(pages.begin() + 30, folder.Text() + "never-arrived.html");
    // Larger than any real page (a page that never ended): left as it is, not read into memory.
    Write(folder.Path() / "huge.html", "<a href=x>");
    fs::resize_file(folder.Path() / "huge.html", (64 << 20) + 1);
    pages.insert(pages.begin() + 40, folder.Text() + "huge.html");
    const struct stat before = [&] {
        struct stat s {};
        ::stat(pages[0].c_str(), &s);
        return s;
    }();

    {
        PagePipeline pipeline(Views(pages), Upcase, GetParam());
        for (std::size_t i = 0; i < pages.size(); ++i) {
            const std::string name = fs::path(pages[i]).filename();
            const bool isPage = name.front() == 'p';
            ASSERT_EQ(pipeline.HasContent(i), isPage) << name;
            if (!isPage) continue;
            const int n = std::stoi(name.substr(1));
            const auto outcome = pipeline.Take(i);
            EXPECT_EQ(outcome, n % 3 == 0 ? PagePipeline::Outcome::Unchanged
                                          : PagePipeline::Outcome::Replaced)
                << name;
            EXPECT_EQ(Read(pages[i]),
                      n % 3 == 0 ? "plain " + std::to_string(n) : "<A href=" + std::to_string(n));
        }
    }
    // A page left as it was keeps its file; no temporary file stays behind.
    struct stat after {};
    ::stat(pages[0].c_str(), &after);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(Entries(folder.Path()).size(), 63u);
    EXPECT_EQ(fs::file_size(folder.Path() / "huge.html"), (64u << 20) + 1);
}

TEST_P(PagePipelineTest, AFailedPageStopsTheRunWithEveryLaterPageAsItWas) {
    const std::vector<std::string> pages = MakePages(50);
    const std::string failing = pages[10];
    std::vector<std::string> originals;
    for (const std::string& p : pages) originals.push_back(Read(p));
    const auto before = Entries(folder.Path());

    // The converter refuses page 10, as an unreadable page would be refused.
    auto makeConverter = [] {
        return PagePipeline::Converter([](std::size_t i, std::string_view page) -> std::string {
            // Told by its place in the list, which is its content's number.
            if (i == 10) throw std::runtime_error("Cannot open file \"p10\".");
            EXPECT_NE(page, "<a href=10");
            return Upcase()(i, page);
        });
    };
    {
        PagePipeline pipeline(Views(pages), makeConverter, GetParam());
        for (std::size_t i = 0; i < 10; ++i) {
            ASSERT_TRUE(pipeline.HasContent(i));
            pipeline.Take(i);
        }
        ASSERT_TRUE(pipeline.HasContent(10));
        try {
            pipeline.Take(10);
            ADD_FAILURE() << "page 10 was taken";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "Cannot open file \"p10\".");
        }
    }
    for (std::size_t i = 0; i < pages.size(); ++i) {
        if (i < 10 && i % 3 != 0)
            EXPECT_NE(Read(pages[i]), originals[i]) << i;
        else
            EXPECT_EQ(Read(pages[i]), originals[i]) << i;
    }
    EXPECT_EQ(Entries(folder.Path()), before);
}

TEST_P(PagePipelineTest, AWriteThatFailsNamesThePage) {
    const std::vector<std::string> pages = MakePages(20);
    fs::permissions(folder.Path(), fs::perms::owner_read | fs::perms::owner_exec);
    struct Restore {
        const fs::path& folder;
        ~Restore() { fs::permissions(folder, fs::perms::owner_all); }
    } restore{folder.Path()};
    NoPermissionOverride asOwner;  // before the helpers start: they take this thread's rights
    if (std::ofstream(folder.Path() / "probe")) GTEST_SKIP() << "this account can write anywhere";

    PagePipeline pipeline(Views(pages), Upcase, GetParam());
    EXPECT_TRUE(pipeline.HasContent(0));
    EXPECT_EQ(pipeline.Take(0), PagePipeline::Outcome::Unchanged);
    ASSERT_TRUE(pipeline.HasContent(1));
    try {
        pipeline.Take(1);
        ADD_FAILURE() << "page 1 was written";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Cannot create file \"" + pages[1] + "\".", 0), 0u)
            << e.what();
    }
    EXPECT_EQ(Read(pages[1]), "<a href=1");
}

// Without helpers every page is done by the caller; with them, ahead of it.
INSTANTIATE_TEST_SUITE_P(Helpers, PagePipelineTest, ::testing::Values(0, 1, 3));

}  // namespace
