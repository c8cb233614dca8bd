// Where a web file's redirect may lead: real nginx redirects to addresses of other schemes, in
// both kinds of copy.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/NginxServer.h"
#include "support/ScriptedServer.h"
#include "support/SessionHarness.h"
#include "support/TempFolder.h"

namespace fs = std::filesystem;

namespace {

struct ForeignTarget {
    const char* name;
    bool complete;
    const char* target;  // "PORT" stands for a loopback port that notes every connection
};

class RedirectToOtherScheme : public ::testing::TestWithParam<ForeignTarget>,
                              public SessionHarness {};

// The page and the picture that redirect are given up and named, with their rows "Ignored";
// nothing is asked of the address they name, and the rest of the site is copied.
TEST_P(RedirectToOtherScheme, IsNamedAndNotFollowed) {
    ScriptedServer ftp({{ScriptedServer::Close()}});
    std::string target = GetParam().target;
    if (const std::size_t port = target.find("PORT"); port != std::string::npos)
        target.replace(port, 4, std::to_string(ftp.Port()));
    TempFolder pages;
    std::ofstream(pages.Path() / "index.html")
        << "<html><a href='r.html'>r</a><a href='ok.html'>ok</a><img src='r.gif'></html>";
    std::ofstream(pages.Path() / "ok.html") << "<html>fine</html>";
    NginxServer web({.Root = pages.Path(),
                     .ExtraServerConfig = "location ~ ^/r\\. { return 302 \"" + target + "\"; }"});
    settings.CompleteCopy = GetParam().complete;
    ASSERT_TRUE(Start(web.Url()));
    ASSERT_TRUE(RunUntilFinished());

    EXPECT_EQ(engine.LastOutcome(), RunControl::Outcome::Completed);
    EXPECT_EQ(ftp.Connections(), 0);
    std::vector<std::string> told = prompts.FilesNotRetrieved;
    std::sort(told.begin(), told.end());
    const std::string refused = ", which is not an http or https address";
    EXPECT_EQ(told,
              (std::vector<std::string>{web.Url("r.gif") + " redirects to " + target + refused,
                                        web.Url("r.html") + " redirects to " + target + refused}));
    int ignored = 0;
    for (int row = 1; row < state.View.GridRowCount(); ++row) {
        const std::string file = Row(row, 1);
        if (file == "r.html" || file == "r.gif") {
            EXPECT_EQ(Row(row, 4), "Ignored") << file;
            ++ignored;
        } else {
            EXPECT_EQ(Row(row, 4), "Complete") << file;
        }
    }
    EXPECT_EQ(ignored, 2);
    EXPECT_EQ(state.FilesRead, 2);  // the start page and ok.html
}

INSTANTIATE_TEST_SUITE_P(
    Engine, RedirectToOtherScheme,
    ::testing::Values(ForeignTarget{"ClassicFile", false, "file:///etc/passwd"},
                      ForeignTarget{"ClassicData", false, "data:text/html,hello"},
                      ForeignTarget{"ClassicFtp", false, "ftp://127.0.0.1:PORT/r.html"},
                      ForeignTarget{"CompleteFile", true, "file:///etc/passwd"},
                      ForeignTarget{"CompleteData", true, "data:text/html,hello"},
                      ForeignTarget{"CompleteFtp", true, "ftp://127.0.0.1:PORT/r.html"}),
    [](const auto& info) { return std::string(info.param.name); });

// A start page that redirects so is the session's failure, told as such (it was taken for a
// host that could not be reached).
TEST(StartPageRedirectToOtherScheme, FailsTheSessionWithTheReason) {
    SessionHarness h;
    ScriptedServer ftp({{ScriptedServer::Close()}});
    const std::string target = "ftp://127.0.0.1:" + std::to_string(ftp.Port()) + "/";
    TempFolder pages;
    NginxServer web(
        {.Root = pages.Path(), .ExtraServerConfig = "location = / { return 301 " + target + "; }"});
    ASSERT_TRUE(h.Start(web.Url()));
    ASSERT_TRUE(h.RunUntilFinished());
    EXPECT_EQ(h.engine.LastOutcome(), RunControl::Outcome::StartPageFailed);
    EXPECT_EQ(h.prompts.MessageTexts(),
              std::vector<std::string>{web.Url() + " redirects to " + target +
                                       ", which is not an http or https address"});
    EXPECT_EQ(ftp.Connections(), 0);
}

}  // namespace
