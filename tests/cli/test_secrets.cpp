// Passwords: taken from the environment so that they need not stand on the command line, and
// never written to a file of the project or shown in a message.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/GetOptions.h"
#include "cli/GetSession.h"
#include "sessionfile/SessionText.h"
#include "support/FtpServer.h"
#include "support/NginxServer.h"
#include "support/QtApp.h"
#include "support/Subprocess.h"
#include "support/TempFolder.h"

namespace fs = std::filesystem;

namespace {

// Sets the two password variables for the life of the object (null: unset).
class PasswordEnvironment {
  public:
    PasswordEnvironment(const char* http, const char* ftp) {
        Set("LANTERNWAY_HTTP_PASSWORD", http);
        Set("LANTERNWAY_FTP_PASSWORD", ftp);
    }
    ~PasswordEnvironment() {
        unsetenv("LANTERNWAY_HTTP_PASSWORD");
        unsetenv("LANTERNWAY_FTP_PASSWORD");
    }

  private:
    static void Set(const char* name, const char* value) {
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
};

TEST(Secrets, PasswordsFromTheEnvironment) {
    struct Case {
        std::vector<std::string> args;
        const char* httpEnv;
        const char* ftpEnv;
        bool httpOn;
        std::string httpUser, httpPassword, ftpUser, ftpPassword;
    };
    const std::vector<Case> cases = {
        {{"--http-user=ann"}, "from-env", nullptr, true, "ann", "from-env", "", ""},
        {{"--http-user=ann", "--http-password=typed"},
         "from-env",
         nullptr,
         true,
         "ann",
         "typed",
         "",
         ""},
        {{"--http-password="}, "from-env", nullptr, true, "", "", "", ""},
        {{}, "from-env", "ftp-env", false, "", "", "", ""},
        {{"--ftp=bob"}, nullptr, "ftp-env", false, "", "", "bob", "ftp-env"},
        {{"--ftp=bob:typed"}, nullptr, "ftp-env", false, "", "", "bob", "typed"},
        {{"--ftp=bob"}, nullptr, nullptr, false, "", "", "bob", ""},
        {{"--ftp"}, nullptr, "ftp-env", false, "", "", "", ""},
    };
    for (const Case& c : cases) {
        PasswordEnvironment env(c.httpEnv, c.ftpEnv);
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"http://h/", "out"});
        const GetOptionsResult r = ParseGetOptions(args);
        ASSERT_EQ(r.Error, "");
        const SessionSettings& s = r.Options.Settings;
        const std::string trace = c.args.empty() ? "(none)" : c.args[0];
        EXPECT_EQ(s.UseHTTPAuthentication, c.httpOn) << trace;
        EXPECT_EQ(s.HTTPUserName, c.httpUser) << trace;
        EXPECT_EQ(s.HTTPPassword, c.httpPassword) << trace;
        EXPECT_EQ(s.FTPUserName, c.ftpUser) << trace;
        EXPECT_EQ(s.FTPPassword, c.ftpPassword) << trace;
    }
    // A mistyped option is named in the error without its value, which may be a password.
    for (const std::string typo : {"--http-pasword=typed-secret", "-p=typed-secret"}) {
        const GetOptionsResult r = ParseGetOptions({typo, "http://h/", "out"});
        EXPECT_EQ(r.Error, "unknown option '" + typo.substr(0, typo.find('=')) + "'");
    }

    const std::string usage = GetUsage();
    EXPECT_NE(usage.find("LANTERNWAY_HTTP_PASSWORD"), std::string::npos);
    EXPECT_NE(usage.find("LANTERNWAY_FTP_PASSWORD"), std::string::npos);
}

// Every file under the folder, read as it is and (for session files) unscrambled.
std::vector<std::pair<std::string, std::string>> FileTexts(const fs::path& folder) {
    std::vector<std::pair<std::string, std::string>> texts;
    for (const auto& e : fs::recursive_directory_iterator(folder)) {
        if (!e.is_regular_file()) continue;
        const std::string bytes = ReadWholeFile(e.path().string());
        texts.emplace_back(e.path().string(), bytes);
        if (e.path().extension() == ".lwa")
            texts.emplace_back(e.path().string() + " (unscrambled)", UnscrambleText(bytes));
    }
    return texts;
}

// A session with a protected page and a file behind FTP credentials, the passwords given
// through the environment: both files arrive, and neither password is in any file of the
// project, the session file included, nor in anything the program printed, also when the
// servers refuse the passwords.
TEST(Secrets, PasswordsAreNeverWrittenOrShown) {
    EnsureQtApp();
    const std::string httpPassword = "Hq7-door-4711";
    const std::string ftpPassword = "Fz9-vault-0815";
    TempFolder site, ftpRoot;
    fs::create_directories(site.Path() / "private");
    WriteWholeFile(ftpRoot.Text() + "tool.zip", "PK tool");
    FtpServer ftp({.Root = ftpRoot.Path(), .User = "bob", .Password = ftpPassword});
    WriteWholeFile(site.Text() + "index.html",
                   "<html><a href=\"private/secret.html\">secret</a><a href=\"" +
                       ftp.Url("tool.zip") + "\">tool</a></html>\n");
    WriteWholeFile(site.Text() + "private/secret.html", "<html>members only</html>\n");
    NginxServer web({.Root = site.Path(),
                     .AuthLocation = "/private/",
                     .AuthUser = "reader",
                     .AuthPassword = httpPassword});

    for (const bool right : {true, false}) {
        SCOPED_TRACE(right ? "right passwords" : "wrong passwords");
        const std::string givenHttp = right ? httpPassword : httpPassword + "x";
        const std::string givenFtp = right ? ftpPassword : ftpPassword + "x";
        PasswordEnvironment env(givenHttp.c_str(), givenFtp.c_str());
        TempFolder work;
        std::ostringstream out, err;
        const int status = LanternwayGetMain(
            {"--http-user=reader", "--ftp=bob", web.Url(), work.Text() + "s.lwa"}, out, err, false);
        EXPECT_EQ(status, ExitDone) << err.str();
        const fs::path project = work.Path() / "s";
        EXPECT_EQ(fs::exists(project / "secret.html"), right) << err.str();
        EXPECT_EQ(fs::exists(project / "tool.zip"), right) << err.str();
        EXPECT_TRUE(fs::exists(project / "s.lwa"));
        for (const auto& [name, text] : FileTexts(work.Path())) {
            EXPECT_EQ(text.find(givenHttp), std::string::npos) << name;
            EXPECT_EQ(text.find(givenFtp), std::string::npos) << name;
        }
        for (const std::string& shown : {out.str(), err.str()}) {
            EXPECT_EQ(shown.find(givenHttp), std::string::npos) << shown;
            EXPECT_EQ(shown.find(givenFtp), std::string::npos) << shown;
        }
    }
}

}  // namespace
