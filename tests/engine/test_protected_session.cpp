// A whole retrieval session, as lanternway-get runs it, of a site whose one page is protected by
// nginx's auth_basic: the transfer finds the page refused, the worker fetches it again with the
// session's credentials through the program's own HTTP client.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/GetSession.h"
#include "support/NginxServer.h"
#include "support/QtApp.h"
#include "support/Subprocess.h"
#include "support/TempFolder.h"

namespace fs = std::filesystem;

namespace {

const std::string Secret = "<html><body>members only: the door code is 4711</body></html>\n";

// The files of the project folder whose content is the given text.
std::vector<std::string> FilesHolding(const fs::path& folder, const std::string& text) {
    std::vector<std::string> out;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.is_regular_file() && ReadWholeFile(entry.path().string()) == text)
            out.push_back(entry.path().filename().string());
    return out;
}

}  // namespace

TEST(ProtectedSession, RightCredentialsRetrieveWrongOnesAreReported) {
    EnsureQtApp();
    TempFolder site;
    fs::create_directories(site.Path() / "private");
    WriteWholeFile(site.Text() + "index.html",
                   "<html><body><a href=\"private/secret.html\">secret</a></body></html>\n");
    WriteWholeFile(site.Text() + "private/secret.html", Secret);

    struct Case {
        bool https;
        const char* password;
        bool retrieved;
    };
    for (const Case& c : {Case{false, "open sesame", true}, Case{false, "guess", false},
                          Case{true, "open sesame", true}, Case{true, "guess", false}}) {
        SCOPED_TRACE(std::string(c.https ? "https " : "http ") + c.password);
        NginxServer web({.Root = site.Path(),
                         .AuthLocation = "/private/",
                         .AuthUser = "reader",
                         .AuthPassword = "open sesame",
                         .Https = c.https});
        if (c.https) setenv("SSL_CERT_FILE", web.CaFile().c_str(), 1);
        TempFolder work;
        std::ostringstream out, err;
        const int status = LanternwayGetMain(
            {"--quiet", "--no-convert", "--http-user=reader",
             std::string("--http-password=") + c.password, web.Url(), work.Text() + "site.lwa"},
            out, err, false);
        unsetenv("SSL_CERT_FILE");
        // The session completes either way.
        EXPECT_EQ(status, ExitDone) << err.str();
        const fs::path project = work.Path() / "site";
        ASSERT_TRUE(fs::exists(project / "Main.html")) << err.str();
        if (c.retrieved) {
            EXPECT_EQ(FilesHolding(project, Secret).size(), 1u) << err.str();
            EXPECT_EQ(err.str().find("Unauthorized"), std::string::npos) << err.str();
        } else {
            EXPECT_TRUE(FilesHolding(project, Secret).empty());
            EXPECT_NE(err.str().find("Unauthorized\n"), std::string::npos) << err.str();
        }
    }
}
