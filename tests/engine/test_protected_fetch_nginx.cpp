// A password-protected page of a real server (nginx with auth_basic) fetched by a session's
// worker through the program's own HTTP client, over http and https.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "support/NginxServer.h"
#include "support/SessionHarness.h"
#include "support/Subprocess.h"
#include "engine/ProtectedFetch.h"
#include "support/RowCells.h"

namespace fs = std::filesystem;

namespace {

const std::string Page =
    "<html>\r\n<body><a href=\"inner.html\">members</a>\r\n<img src=\"pic.gif\"></body></html>\r\n";

struct Case {
    const char* name;
    bool https;
    const char* password;
};

class ProtectedFetchNginx : public ::testing::TestWithParam<Case>, public SessionHarness {
  protected:
    void SetUp() override {
        fs::create_directories(site.Path() / "private");
        WriteWholeFile(site.Text() + "private/secret.html", Page);
        web = std::make_unique<NginxServer>(NginxServer::Options{.Root = site.Path(),
                                                                 .KeepAlive = false,
                                                                 .AuthLocation = "/private/",
                                                                 .AuthUser = "reader",
                                                                 .AuthPassword = "open sesame",
                                                                 .Https = GetParam().https});
        if (GetParam().https) setenv("SSL_CERT_FILE", web->CaFile().c_str(), 1);
        settings.UseHTTPAuthentication = true;
        settings.HTTPUserName = "reader";
        settings.HTTPPassword = GetParam().password;
    }
    void TearDown() override { unsetenv("SSL_CERT_FILE"); }

    TempFolder site;
    std::unique_ptr<NginxServer> web;
};

}  // namespace

TEST_P(ProtectedFetchNginx, FetchesOrReportsTheRefusal) {
    const bool rightPassword = std::string(GetParam().password) == "open sesame";
    ASSERT_TRUE(Start(web->Url()));
    // The start page arrives; its only link is the protected page.
    Deliver(Running().at(0), "<html><a href=\"private/secret.html\">secret</a></html>");
    TransferWorker* w = Worker("private/secret.html");
    ASSERT_NE(w, nullptr);
    const int row = w->GridRow();
    const std::string file = w->LocalFile();
    w->FetchProtectedFile(w->RequestURL());

    const std::string size = std::to_string(Page.size());
    if (rightPassword) {
        EXPECT_EQ(Cells(state.View.Row(row)),
                  (RowCells{"2", "private/secret.html", size, size, "Complete"}));
        EXPECT_EQ(ReadWholeFile(file), Page);
        EXPECT_TRUE(prompts.Messages.empty());
        // The protected page's links were followed.
        EXPECT_NE(Worker("private/inner.html"), nullptr);
        EXPECT_NE(Worker("private/pic.gif"), nullptr);
        EXPECT_EQ(state.FilesRead, 2);
    } else {
        ASSERT_FALSE(prompts.Messages.empty());
        EXPECT_EQ(prompts.Messages.front().Text, "Unauthorized");
        EXPECT_EQ(Cells(state.View.Row(row)),
                  (RowCells{"2", "private/secret.html", "0", "0", "Complete"}));
        EXPECT_FALSE(fs::exists(file));
        EXPECT_EQ(state.FilesRead, 1);
        // Nothing else was queued: the session has completed without the page.
        EXPECT_EQ(state.RunningThreads, 0);
        EXPECT_TRUE(state.SessionComplete);
    }
    EXPECT_FALSE(state.ProtectedFetchActive);
}

INSTANTIATE_TEST_SUITE_P(Sites, ProtectedFetchNginx,
                         ::testing::Values(Case{"http", false, "open sesame"},
                                           Case{"http_wrong", false, "guess"},
                                           Case{"https", true, "open sesame"},
                                           Case{"https_wrong", true, "guess"}),
                         [](const auto& info) { return std::string(info.param.name); });
