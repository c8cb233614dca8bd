#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/NginxServer.h"
#include "support/SessionHarness.h"
#include "support/TempFolder.h"
#include "support/Subprocess.h"

namespace fs = std::filesystem;

// What the server answers for the start page decides where the session goes: real nginx
// servers, one that redirects and one that has the site.
namespace {

const fs::path kSite = fs::path(LW_TEST_DATA_DIR) / "site";

// A server whose locations answer with a redirect: "location = / { return 301 ...; }".
NginxServer::Options Redirecting(const std::string& locations) {
    static TempFolder empty;
    return {.Root = empty.Path(), .ExtraServerConfig = locations};
}

std::string LocalhostUrl(const NginxServer& web, const std::string& path = "") {
    return "http://localhost:" + std::to_string(web.Port()) + "/" + path;
}

class StartPageTest : public ::testing::Test, public SessionHarness {
  protected:
    fs::path Project() { return folder.Path() / "site"; }
    NginxServer site{{.Root = kSite}};
};

struct MoveCase {
    const char* name;
    int status;
};

class StartPageRedirect : public StartPageTest, public ::testing::WithParamInterface<MoveCase> {};

// The plain address redirects to another host and port: the site there is copied.
TEST_P(StartPageRedirect, CopiesTheSiteAtTheTarget) {
    NginxServer front(Redirecting("location = / { return " + std::to_string(GetParam().status) +
                                  " " + LocalhostUrl(site) + "; }"));
    ASSERT_TRUE(Start(front.Url()));
    ASSERT_TRUE(RunUntilFinished());
    EXPECT_EQ(engine.LastOutcome(), RunControl::Outcome::Completed);
    EXPECT_EQ(state.SiteBase, LocalhostUrl(site));
    EXPECT_EQ(ReadWholeFile(Project() / "Main.html"), ReadWholeFile(kSite / "index.html"));
    for (const char* f : {"about.html", "logo.gif", "bg.gif", "guide.html", "diagram.jpg"})
        EXPECT_TRUE(fs::exists(Project() / f)) << f;
    EXPECT_EQ(Saves, 2);  // before the conversion and after it
    EXPECT_TRUE(prompts.FilesNotRetrieved.empty());
}

INSTANTIATE_TEST_SUITE_P(Engine, StartPageRedirect,
                         ::testing::Values(MoveCase{"Moved", 301}, MoveCase{"Found", 302},
                                           MoveCase{"Temporary", 307},
                                           MoveCase{"Permanent", 308}),
                         [](const auto& info) { return std::string(info.param.name); });

// In Search Only Current Page mode the target's folder is the site, and its page keeps its
// name, as for an address typed in.
TEST_F(StartPageTest, CurrentPageModeTakesTheTargetsFolder) {
    NginxServer front(Redirecting("location = /start.html { return 301 " +
                                  LocalhostUrl(site, "docs/guide.html") + "; }"));
    settings.SearchEntireSite = false;
    ASSERT_TRUE(Start(front.Url("start.html")));
    ASSERT_TRUE(RunUntilFinished());
    EXPECT_EQ(engine.LastOutcome(), RunControl::Outcome::Completed);
    EXPECT_EQ(state.SiteBase, LocalhostUrl(site, "docs/"));
    EXPECT_EQ(ReadWholeFile(Project() / "guide.html"), ReadWholeFile(kSite / "docs/guide.html"));
}

// A chain of redirects (http -> another host -> a folder of it) is followed to its end.
TEST_F(StartPageTest, ChainOfRedirects) {
    NginxServer middle(Redirecting("location = / { return 302 " + LocalhostUrl(site, "docs/") +
                                   "; }"));
    NginxServer front(Redirecting("location = / { return 301 " + middle.Url() + "; }"));
    ASSERT_TRUE(Start(front.Url()));
    ASSERT_TRUE(RunUntilFinished());
    EXPECT_EQ(state.SiteBase, LocalhostUrl(site));
    EXPECT_EQ(ReadWholeFile(Project() / "Main.html"), ReadWholeFile(kSite / "docs/index.html"));
}

// The page the redirect led to is the only file read: the session completes and is saved.
TEST_F(StartPageTest, TargetAsTheOnlyFileCompletes) {
    TempFolder lone;
    std::ofstream(lone.Path() / "index.html") << "<html>just this</html>";
    NginxServer target({.Root = lone.Path()});
    NginxServer front(Redirecting("location = / { return 301 " + LocalhostUrl(target) + "; }"));
    ASSERT_TRUE(Start(front.Url()));
    ASSERT_TRUE(RunUntilFinished());
    EXPECT_EQ(engine.LastOutcome(), RunControl::Outcome::Completed);
    EXPECT_EQ(state.FilesRead, 1);
    EXPECT_EQ(prompts.MessageTexts(), std::vector<std::string>{"Retrieval Completed"});
    EXPECT_EQ(Saves, 1);
    EXPECT_EQ(state.ProjectFolder, (Project() / "").string());
    EXPECT_EQ(ReadWholeFile(Project() / "Main.html"), "<html>just this</html>");
}

// A later file that redirects off the site is still not followed.
TEST_F(StartPageTest, LaterRedirectOffTheSiteIsNotFollowed) {
    TempFolder pages;
    std::ofstream(pages.Path() / "index.html") << "<html><a href='away.html'>away</a></html>";
    NginxServer web({.Root = pages.Path(),
                     .ExtraServerConfig = "location = /away.html { return 301 " +
                                          LocalhostUrl(site) + "; }"});
    ASSERT_TRUE(Start(web.Url()));
    ASSERT_TRUE(RunUntilFinished());
    EXPECT_EQ(state.SiteBase, web.Url());
    EXPECT_EQ(state.View.GridRowCount(), 3);  // the start page and away.html
    EXPECT_FALSE(fs::exists(Project() / "about.html"));
}

struct RecordCase {
    const char* name;
    bool complete;
    bool otherHost;  // the redirect leads to another host and port, else into the site itself
};

class StartPageRecord : public StartPageTest, public ::testing::WithParamInterface<RecordCase> {};

// What the session file takes from the session: the site copied is the root of the folders,
// listed once; a complete copy's start address is the one typed, and leads to the start page.
TEST_P(StartPageRecord, RootIsTheSiteCopiedOnce) {
    const RecordCase& c = GetParam();
    const std::string target = c.otherHost ? LocalhostUrl(site, "docs/") : "/docs/";
    NginxServer front(
        {.Root = kSite, .ExtraServerConfig = "location = /go/ { return 301 " + target + "; }"});
    const std::string root = c.otherHost ? LocalhostUrl(site) : front.Url();
    settings.CompleteCopy = c.complete;
    ASSERT_TRUE(Start(front.Url("go/")));
    ASSERT_TRUE(RunUntilFinished());
    EXPECT_EQ(engine.LastOutcome(), RunControl::Outcome::Completed);

    const std::vector<std::string>& folders = state.SiteFolders.Items();
    ASSERT_FALSE(folders.empty());
    EXPECT_EQ(folders[0], root);
    EXPECT_EQ(std::count(folders.begin(), folders.end(), root), 1);
    EXPECT_EQ(std::count(folders.begin(), folders.end(), front.Url()), c.otherHost ? 0 : 1);
    if (c.complete) {
        EXPECT_EQ(state.StartAddress, front.Url("go/"));
        ASSERT_EQ(state.MirrorFiles.count(state.StartAddress), 1u);
        EXPECT_EQ(ReadWholeFile(Project() / state.MirrorFiles.at(state.StartAddress)),
                  ReadWholeFile(kSite / "docs/index.html"));
    }
}

INSTANTIATE_TEST_SUITE_P(Engine, StartPageRecord,
                         ::testing::Values(RecordCase{"ClassicOtherHost", false, true},
                                           RecordCase{"ClassicSameSite", false, false},
                                           RecordCase{"CompleteOtherHost", true, true},
                                           RecordCase{"CompleteSameSite", true, false}),
                         [](const auto& info) { return std::string(info.param.name); });

struct FailedStartCase {
    const char* name;
    const char* path;
    const char* told;
};

class FailedStartPage : public StartPageTest,
                        public ::testing::WithParamInterface<FailedStartCase> {};

TEST_P(FailedStartPage, IsReportedWithItsStatus) {
    ASSERT_TRUE(Start(site.Url(GetParam().path)));
    ASSERT_TRUE(RunUntilFinished());
    EXPECT_EQ(engine.LastOutcome(), RunControl::Outcome::StartPageFailed);
    EXPECT_EQ(prompts.MessageTexts(),
              std::vector<std::string>{site.Url(GetParam().path) + " answered " +
                                       GetParam().told});
    EXPECT_EQ(Saves, 0);
    EXPECT_TRUE(state.ProjectFolder.empty());
    EXPECT_FALSE(fs::exists(Project() / "Main.html"));
}

INSTANTIATE_TEST_SUITE_P(
    Engine, FailedStartPage,
    ::testing::Values(FailedStartCase{"Missing", "missing/", "404 Not Found"},
                      // A folder without an index page, listing turned off.
                      FailedStartCase{"Forbidden", "images/", "403 Forbidden"}),
    [](const auto& info) { return std::string(info.param.name); });

// nginx's own error page for a missing file is not stored under the file's name.
TEST_F(StartPageTest, MissingFileOfTheSiteLeavesNoFile) {
    TempFolder pages;
    std::ofstream(pages.Path() / "index.html")
        << "<html><img src='gone.gif'><a href='here.html'>h</a></html>";
    std::ofstream(pages.Path() / "here.html") << "<html>here</html>";
    NginxServer web({.Root = pages.Path()});
    ASSERT_TRUE(Start(web.Url()));
    ASSERT_TRUE(RunUntilFinished());
    EXPECT_FALSE(fs::exists(Project() / "gone.gif"));
    EXPECT_EQ(ReadWholeFile(Project() / "here.html"), "<html>here</html>");
    EXPECT_EQ(prompts.FilesNotRetrieved,
              std::vector<std::string>{web.Url("gone.gif") + " answered 404 Not Found"});
    EXPECT_EQ(state.FilesRead, 2);
}

// A file of an earlier run is fetched again only where a redirect leads to it; a failed fetch
// leaves it as it was, and says so.
TEST_F(StartPageTest, EarlierFileThatARedirectLeadsToIsKeptWhenItsFetchFails) {
    TempFolder pages;
    std::ofstream(pages.Path() / "index.html") << "<html><a href='old.html'>o</a></html>";
    NginxServer web({.Root = pages.Path(),
                     .ExtraServerConfig = "location = /old.html { return 301 /gone.html; }"});
    fs::create_directories(Project());
    std::ofstream(Project() / "gone.html") << "from an earlier run";
    std::ofstream(Project() / "kept.html") << "from an earlier run";
    ASSERT_TRUE(Start(web.Url()));
    ASSERT_TRUE(RunUntilFinished());
    EXPECT_EQ(ReadWholeFile(Project() / "gone.html"), "from an earlier run");
    EXPECT_EQ(ReadWholeFile(Project() / "kept.html"), "from an earlier run");
    EXPECT_EQ(prompts.FilesNotRetrieved,
              std::vector<std::string>{web.Url("gone.html") +
                                       " answered 404 Not Found; kept the earlier copy"});
}

}  // namespace
