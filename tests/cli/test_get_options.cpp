#include <gtest/gtest.h>

#include <sstream>

#include "cli/GetOptions.h"
#include "cli/GetSession.h"

namespace {

GetOptionsResult Parse(std::vector<std::string> args) {
    return ParseGetOptions(args);
}

struct DepthCase {
    std::vector<std::string> args;
    const char* address;  // as the session receives it
    bool entireSite;
};

TEST(GetOptions, AddressRuleAndTrailingSlash) {
    const DepthCase cases[] = {
        {{"http://h/dir", "s"}, "http://h/dir/", true},
        {{"http://h/", "s"}, "http://h/", true},
        {{"http://h/page.html", "s"}, "http://h/page.html", false},
        {{"http://h/page.htm", "s"}, "http://h/page.htm", false},
        {{"http://h/PAGE.HTML", "s"}, "http://h/PAGE.HTML/", true},  // the rule is case-sensitive
        {{"--entire-site", "http://h/page.html", "s"}, "http://h/page.html/", true},
        {{"--current-page", "http://h/dir", "s"}, "http://h/dir", false},
        {{"http://h/dir", "--current-page", "s"}, "http://h/dir", false},
        // Pasted with the line end, or quoted with spaces.
        {{" http://h/dir\n", "s"}, "http://h/dir/", true},
        {{"\thttp://h/page.html ", "s"}, "http://h/page.html", false},
        {{"HTTPS://h/", "s"}, "HTTPS://h/", true},
        // Taken as http (a complete copy of "h:8080/" took its start page alone).
        {{"h:8080", "s"}, "http://h:8080/", true},
        {{"127.0.0.1:8080/a", "s"}, "http://127.0.0.1:8080/a/", true},
        {{"www.h.org/a.html", "s"}, "http://www.h.org/a.html", false},
    };
    for (const auto& c : cases) {
        const auto r = Parse(c.args);
        ASSERT_EQ(r.Error, "") << c.args[0];
        EXPECT_EQ(r.Options.Settings.MainURL, c.address);
        EXPECT_EQ(r.Options.Settings.SearchEntireSite, c.entireSite) << c.address;
        EXPECT_EQ(r.Options.SessionFile, "s");
    }
}

TEST(GetOptions, DefaultsAreTheDialogs) {
    const auto r = Parse({"http://h/", "s.lwa"});
    ASSERT_EQ(r.Error, "");
    SessionSettings dialogs;
    dialogs.MainURL = "http://h/";
    EXPECT_EQ(r.Options.Settings, dialogs);
    EXPECT_FALSE(r.Options.NoConvert);
    EXPECT_EQ(r.Options.Tries, 3);
}

TEST(GetOptions, Tries) {
    const struct {
        const char* arg;
        int tries;
    } cases[] = {{"--tries=1", 1}, {"--tries=5", 5}, {"--tries=100", 100}};
    for (const auto& c : cases) {
        const auto r = Parse({c.arg, "http://h/", "s"});
        EXPECT_EQ(r.Error, "") << c.arg;
        EXPECT_EQ(r.Options.Tries, c.tries) << c.arg;
    }
}

TEST(GetOptions, EveryControl) {
    const auto r =
        Parse({"--no-html", "--no-images", "--java", "--other=.pdf;.doc", "--email",
               "--proxy=proxy.q:3128", "--threads=4", "--min-disk=7", "--size-limit=.ZIP:500",
               "--size-limit=.gif:20", "--http-user=ann", "--http-password=p:w", "--ftp=bob:x:y",
               "--no-convert", "--quiet", "http://h/", "out"});
    ASSERT_EQ(r.Error, "");
    const SessionSettings& s = r.Options.Settings;
    EXPECT_FALSE(s.RetrieveHTMLFiles);
    EXPECT_FALSE(s.RetrieveImageFiles);
    EXPECT_TRUE(s.RetrieveJavaApplets);
    EXPECT_TRUE(s.RetrieveOtherFiles);
    EXPECT_EQ(s.OtherFileTypes, ".pdf;.doc");
    EXPECT_TRUE(s.CollectEMailAddresses);
    EXPECT_TRUE(s.UseProxy);
    EXPECT_EQ(s.ProxyAddress, "proxy.q");
    EXPECT_EQ(s.ProxyPort, 3128);
    EXPECT_EQ(s.MaximumThreads, 4);
    EXPECT_EQ(s.MinimumDiskSpace, 7);
    EXPECT_EQ(s.FileSizeLimits, (std::vector<FileSizeLimit>{{".zip", 500}, {".gif", 20}}));
    EXPECT_TRUE(s.UseHTTPAuthentication);
    EXPECT_EQ(s.HTTPUserName, "ann");
    EXPECT_EQ(s.HTTPPassword, "p:w");
    EXPECT_TRUE(s.RetrieveZIPEXEFiles);  // the FTP option is part of ZIP/EXE retrieval
    EXPECT_TRUE(s.RetrieveFromFTP);
    EXPECT_EQ(s.FTPUserName, "bob");
    EXPECT_EQ(s.FTPPassword, "x:y");
    EXPECT_TRUE(r.Options.NoConvert);
    EXPECT_TRUE(r.Options.Quiet);

    const auto plain = Parse({"--ftp", "--other", "http://h/", "out"});
    EXPECT_TRUE(plain.Options.Settings.RetrieveFromFTP);
    EXPECT_EQ(plain.Options.Settings.FTPUserName, "");
    EXPECT_EQ(plain.Options.Settings.OtherFileTypes, ".au;.pdf;.asp;.txt");
}

TEST(GetOptions, UsageErrors) {
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{"--threads=x1", "http://h/", "s"}, "'x1' is not a valid integer value"},
        {{"--threads=", "http://h/", "s"}, "'' is not a valid integer value"},
        {{"--min-disk=5MB", "http://h/", "s"}, "'5MB' is not a valid integer value"},
        {{"--size-limit=.zip:big", "http://h/", "s"}, "'big' is not a valid integer value"},
        {{"--proxy=p:80x", "http://h/", "s"}, "'80x' is not a valid integer value"},
        {{"--threads=99999999999", "http://h/", "s"}, "'99999999999' is not a valid integer value"},
        {{"--frobnicate", "http://h/", "s"}, "unknown option '--frobnicate'"},
        {{"-x", "http://h/", "s"}, "unknown option '-x'"},
        {{"--quiet=1", "http://h/", "s"}, "option '--quiet' takes no value"},
        {{"--entire-site=x", "http://h/", "s"}, "option '--entire-site' takes no value"},
        {{"--help=x"}, "option '--help' takes no value"},
        {{"http://h/", "s", "--show", "t"}, "--show takes one session file and nothing else"},
        {{"--show"}, "--show takes one session file and nothing else"},
        {{"--show=s", "t"}, "--show takes one session file and nothing else"},
        {{"http://h/"}, "missing argument: ADDRESS and SESSION-FILE are needed"},
        {{"http://h/", "s", "t"}, "unexpected argument 't'"},
        {{"--proxy", "http://h/", "s"}, "option '--proxy' needs HOST:PORT"},
        {{"--threads", "http://h/", "s"}, "option '--threads' needs a number"},
        {{"--tries", "http://h/", "s"}, "option '--tries' needs a number"},
        {{"--tries=two", "http://h/", "s"}, "'two' is not a valid integer value"},
        {{"--tries=0", "http://h/", "s"}, "option '--tries' needs a number from 1 to 100"},
        {{"--tries=-2", "http://h/", "s"}, "option '--tries' needs a number from 1 to 100"},
        {{"--tries=101", "http://h/", "s"}, "option '--tries' needs a number from 1 to 100"},
        {{" \n", "s"}, "missing argument: ADDRESS is empty"},
        {{"file:///etc/passwd", "s"}, "'file:///etc/passwd' is not an http or https address"},
        {{"gopher://h/", "s"}, "'gopher://h/' is not an http or https address"},
        {{"javascript:alert(1)", "s"}, "'javascript:alert(1)' is not an http or https address"},
        {{"mailto:a@h", "s"}, "'mailto:a@h' is not an http or https address"},
        {{"htp://127.0.0.1:8081/", "s"}, "'htp://127.0.0.1:8081/' is not an http or https address"},
        // Without a host the start page went to "unable to connect with host \" \"".
        {{"https://", "s"}, "'https://' names no host"},
        {{"http:/h/", "s"}, "'http:/h/' names no host"},
        {{"http://user@:80/", "s"}, "'http://user@:80/' names no host"},
        // The start page is always fetched over HTTP; an FTP address failed as "unable to
        // connect with host" without a connection being tried.
        {{"Ftp://h/pub/", "s"},
         "'Ftp://h/pub/' is not an http or https address: a copy starts from a web page, and "
         "takes the files of FTP sites from its links (with --ftp)"},
    };
    for (const auto& [args, message] : cases) EXPECT_EQ(Parse(args).Error, message) << args[0];
}

// The help and the parser read one table: every option --help names is one the parser knows.
TEST(GetOptions, EveryOptionOfTheHelpIsKnown) {
    std::istringstream help(GetUsage());
    std::size_t listed = 0;
    for (std::string line; std::getline(help, line);) {
        if (line.rfind("  --", 0) != 0) continue;
        ++listed;
        const std::string name = line.substr(2, line.find_first_of("=[ ", 2) - 2);
        EXPECT_NE(Parse({name, "http://h/", "s"}).Error, "unknown option '" + name + "'") << line;
    }
    EXPECT_EQ(listed, 22u);
}

// The defaults --help names are the ones a session starts with.
TEST(GetOptions, HelpNamesTheDefaults) {
    const std::string help = GetUsage();
    const SessionSettings defaults;
    for (const std::string& named :
         {"threads (default " + std::to_string(defaults.MaximumThreads) + ")",
          "disk space (default " + std::to_string(defaults.MinimumDiskSpace) + ")",
          "(default types \"" + defaults.OtherFileTypes + "\")",
          "(default " + std::to_string(GetOptions().Tries) + "; 1 turns retrying off)"})
        EXPECT_NE(help.find(named), std::string::npos) << named;
}

TEST(GetMain, HelpVersionAndUsageExitStatus) {
    std::ostringstream out, err;
    EXPECT_EQ(LanternwayGetMain({"--version"}, out, err, false), ExitDone);
    EXPECT_EQ(out.str(), "lanternway-get 1.3\n");
    out.str("");
    EXPECT_EQ(LanternwayGetMain({"--help"}, out, err, false), ExitDone);
    EXPECT_NE(out.str().find("Usage: lanternway-get [OPTIONS] ADDRESS SESSION-FILE"),
              std::string::npos);
    EXPECT_NE(out.str().find("\n  --tries=N "), std::string::npos);
    EXPECT_EQ(err.str(), "");
    EXPECT_EQ(LanternwayGetMain({"--threads=abc", "http://h/", "s"}, out, err, false), ExitUsage);
    EXPECT_EQ(err.str(),
              "lanternway-get: 'abc' is not a valid integer value\n"
              "Try 'lanternway-get --help' for more information.\n");
}

}  // namespace
