// A whole retrieval session, as lanternway-get runs it, of a site whose one page is protected by
// nginx's auth_basic: the transfer finds the page refused, the worker fetches it again with the
// session's credentials through the program's own HTTP client.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>
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

namespace {

// The request paths that carried an Authorization header, from a log of
// "$request_uri $http_authorization" lines.
std::set<std::string> PathsWithCredentials(const std::string& log) {
    std::set<std::string> out;
    std::istringstream lines(log);
    std::string path, authorization;
    while (lines >> path && std::getline(lines, authorization))
        if (authorization.find("Basic ") != std::string::npos) out.insert(path);
    return out;
}

// A server protecting /private/ that logs which requests carried credentials.
struct LoggedServer {
    explicit LoggedServer(const fs::path& root, const std::string& locations = "")
        : web({.Root = root,
               .AuthLocation = "/private/",
               .AuthUser = "reader",
               .AuthPassword = "open sesame",
               .ExtraServerConfig = "access_log " + (logFolder.Path() / "auth.log").string() +
                                    " auth;\n" + locations,
               .ExtraHttpConfig = "log_format auth '$request_uri \"$http_authorization\"';"}) {}

    std::set<std::string> PathsWithCredentials() const {
        return ::PathsWithCredentials(ReadWholeFile((logFolder.Path() / "auth.log").string()));
    }

    TempFolder logFolder;  // made before the server, which writes into it
    NginxServer web;
};

// A file anywhere in the folder's tree whose content is the given text.
bool TreeHolds(const fs::path& folder, const std::string& text) {
    if (!fs::exists(folder)) return false;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file() && ReadWholeFile(entry.path().string()) == text) return true;
    return false;
}

struct CredentialCase {
    const char* name;
    bool complete;
    bool startAtOther;  // the other server's start page redirects to the site
};

class CredentialsStayWithTheSite : public ::testing::TestWithParam<CredentialCase> {};

// The site's protected page is fetched with the credentials; the other server (another port)
// never sees them, neither for a picture it serves nor for a page a redirect leads to, and
// its refusals are named like any other failure.
TEST_P(CredentialsStayWithTheSite, OtherHostsAreRefusedWithoutThem) {
    EnsureQtApp();
    const CredentialCase& c = GetParam();
    TempFolder otherRoot;
    fs::create_directories(otherRoot.Path() / "private");
    WriteWholeFile(otherRoot.Text() + "private/pic.gif", "GIF89a");
    WriteWholeFile(otherRoot.Text() + "private/page.html", "<html>elsewhere</html>");
    LoggedServer other(otherRoot.Path());
    TempFolder siteRoot;
    fs::create_directories(siteRoot.Path() / "private");
    WriteWholeFile(siteRoot.Text() + "private/secret.html", Secret);
    WriteWholeFile(siteRoot.Text() + "index.html",
                   "<html><body><a href=\"private/secret.html\">secret</a>"
                   "<a href=\"away.html\">away</a><img src=\"" +
                       other.web.Url("private/pic.gif") + "\"></body></html>\n");
    LoggedServer site(siteRoot.Path(), "location = /away.html { return 302 " +
                                           other.web.Url("private/page.html") + "; }");
    // A third server whose start page redirects to the site: the site is what is copied.
    LoggedServer front(otherRoot.Path(), "location = /go/ { return 301 " + site.web.Url() + "; }");

    TempFolder work;
    std::ostringstream out, err;
    std::vector<std::string> args = {"--quiet", "--no-convert", "--http-user=reader",
                                     "--http-password=open sesame"};
    if (c.complete) args.push_back("--complete");
    args.push_back(c.startAtOther ? front.web.Url("go/") : site.web.Url());
    args.push_back(work.Text() + "site.lwa");
    EXPECT_EQ(LanternwayGetMain(args, out, err, false), ExitDone) << err.str();

    EXPECT_TRUE(TreeHolds(work.Path() / "site", Secret)) << err.str();
    EXPECT_EQ(site.PathsWithCredentials(), std::set<std::string>{"/private/secret.html"});
    EXPECT_TRUE(other.PathsWithCredentials().empty()) << err.str();
    EXPECT_TRUE(front.PathsWithCredentials().empty()) << err.str();
    // A classic copy does not follow a redirect off the site, nor take pictures from elsewhere.
    if (c.complete) {
        for (const char* path : {"private/page.html", "private/pic.gif"})
            EXPECT_NE(err.str().find(other.web.Url(path) + " answered 401 Unauthorized\n"),
                      std::string::npos)
                << err.str();
    }
}

INSTANTIATE_TEST_SUITE_P(Session, CredentialsStayWithTheSite,
                         ::testing::Values(CredentialCase{"Classic", false, false},
                                           CredentialCase{"Complete", true, false},
                                           CredentialCase{"CompleteAfterStartRedirect", true,
                                                          true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
