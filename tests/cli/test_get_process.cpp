#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "support/NginxServer.h"
#include "support/ScriptedServer.h"
#include "support/Subprocess.h"
#include "support/TempFolder.h"

namespace fs = std::filesystem;

// lanternway-get run as the program it is.
namespace {

const std::string kProgram = std::string(LW_BINARY_DIR) + "/lanternway-get";
const fs::path kSite = fs::path(LW_TEST_DATA_DIR) / "site";

// Waits for the condition, polling; false when a generous limit passed first (a hang guard,
// not a measurement).
bool WaitFor(const std::function<bool()>& done, int limitMs = 60000) {
    for (int waited = 0; waited < limitMs; waited += 20) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return done();
}

int ExitCode(int status) {
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(GetProcess, RetrievesASiteAndSaysSo) {
    NginxServer web({.Root = kSite});
    TempFolder out;
    std::string output;
    const int code =
        RunCommand({kProgram, "--email", web.Url(), (out.Path() / "copy").string()}, &output);
    EXPECT_EQ(code, 0) << output;
    EXPECT_EQ(
        output,
        "Site Retrieval Completed. Now Lanternway will update HTML links of all files for off "
        "line browsing.\n");
    for (const char* f :
         {"Main.html", "about.html", "logo.gif", "diagram.jpg", "EMailAddress.html"})
        EXPECT_TRUE(fs::exists(out.Path() / "copy" / f)) << f;
}

// A file that arrived but could not be given its name is said on stderr, with the system's
// reason, as a message box would be.
TEST(GetProcess, FileThatCannotBePutInPlaceIsReported) {
    TempFolder site;
    WriteWholeFile(site.Text() + "index.html", "<html><img src='moved.gif'></html>");
    WriteWholeFile(site.Text() + "taken.gif", "GIF89a");
    NginxServer web({.Root = site.Path(),
                     .ExtraServerConfig = "location = /moved.gif { return 301 /taken.gif; }"});
    TempFolder out;
    const fs::path taken = out.Path() / "copy" / "taken.gif";
    fs::create_directories(taken);
    WriteWholeFile((taken / "keep").string(), "x");
    std::string output;
    EXPECT_EQ(RunCommand({kProgram, web.Url(), (out.Path() / "copy").string()}, &output), 0)
        << output;
    EXPECT_EQ(output,
              "Cannot create file " + taken.string() + ": Is a directory\nRetrieval Completed\n");
}

TEST(GetProcess, ExitStatusOfFailures) {
    NginxServer web({.Root = kSite});
    TempFolder out;
    std::ofstream(out.Path() / "file") << "in the way";
    struct Case {
        std::vector<std::string> args;
        int code;
        std::string firstLine;
    };
    const Case cases[] = {
        {{"http://127.0.0.1:9/", (out.Path() / "none").string()},
         3,
         "Lanternway is unable to connect with host \"127.0.0.1 \""},
        {{"--threads=ten", "http://127.0.0.1:9/", "x"},
         2,
         "lanternway-get: 'ten' is not a valid integer value"},
        {{"http://127.0.0.1:9/"},
         2,
         "lanternway-get: missing argument: ADDRESS and SESSION-FILE are needed"},
        {{"http://127.0.0.1:9/", (out.Path() / "file" / "s.lwa").string()},
         1,
         "Cannot create the project folder "},
        // A session file without a name of its own would put the copy among the folder's files.
        {{"--quiet", web.Url(), out.Text()}, 1, "The session file \""},
        {{"http://127.0.0.1:9/", out.Text() + "..lwa"}, 1, "The session file \""},
        // More free space asked for than any disk has: not even the start page is kept.
        {{"--quiet", "--min-disk=999999999", web.Url(), (out.Path() / "full").string()},
         1,
         web.Url() + " failed: Drive "},
    };
    for (const auto& c : cases) {
        std::vector<std::string> argv{kProgram};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        std::string output;
        EXPECT_EQ(RunCommand(argv, &output), c.code) << output;
        EXPECT_EQ(output.rfind(c.firstLine, 0), 0u) << output;
    }
    EXPECT_FALSE(fs::exists(out.Path() / ".lwa"));
    EXPECT_FALSE(fs::exists(out.Path() / "Main.html"));
}

// The plain address answers with a redirect to another host and port, as most sites do today.
TEST(GetProcess, FollowsARedirectedStartPage) {
    NginxServer site({.Root = kSite});
    const std::string target = "http://localhost:" + std::to_string(site.Port()) + "/";
    TempFolder empty;
    NginxServer front({.Root = empty.Path(),
                       .ExtraServerConfig = "location = / { return 301 " + target + "; }"});
    TempFolder out;
    std::string output;
    const int code = RunCommand({kProgram, front.Url(), (out.Path() / "x.lwa").string()}, &output);
    EXPECT_EQ(code, 0) << output;
    for (const char* f : {"Main.html", "about.html", "logo.gif", "diagram.jpg"})
        EXPECT_TRUE(fs::exists(out.Path() / "x" / f)) << f;
    EXPECT_TRUE(fs::exists(out.Path() / "x" / "x.lwa"));
}

TEST(GetProcess, NamesTheFilesThatFailed) {
    TempFolder pages;
    std::ofstream(pages.Path() / "index.html")
        << "<html><img src='gone.gif'><a href='here.html'>h</a></html>";
    std::ofstream(pages.Path() / "here.html") << "<html>here</html>";
    NginxServer web({.Root = pages.Path()});
    TempFolder out;
    std::string output;
    EXPECT_EQ(RunCommand({kProgram, "--quiet", web.Url(), (out.Path() / "copy").string()}, &output),
              0);
    EXPECT_EQ(output, web.Url("gone.gif") + " answered 404 Not Found\n");
    EXPECT_FALSE(fs::exists(out.Path() / "copy" / "gone.gif"));
}

TEST(GetProcess, StartPageAnsweredWithAnError) {
    NginxServer web({.Root = kSite});
    TempFolder out;
    std::string output;
    EXPECT_EQ(RunCommand({kProgram, web.Url("missing/"), (out.Path() / "copy").string()}, &output),
              1);
    EXPECT_EQ(output, web.Url("missing/") + " answered 404 Not Found\n");
}

class Interrupt : public ::testing::Test {
  protected:
    // A start page with two images; the first one stalls after its header until the server
    // goes away.
    void StartStalled() {
        server = std::make_unique<ScriptedServer>(std::vector<ScriptedServer::Script>{
            ScriptedServer::Reply(
                "HTTP/1.0 200 OK\r\n\r\n<html><img src='a.gif'><img src='b.gif'></html>"),
            {ScriptedServer::Read(),
             ScriptedServer::Send("HTTP/1.1 200 OK\r\nContent-Length: 900\r\n\r\nGIF"),
             ScriptedServer::Stall()},
            ScriptedServer::Reply("HTTP/1.0 200 OK\r\n\r\nGIF89a")});
        log = (out.Path() / "stderr").string();
        process = std::make_unique<Subprocess>(
            std::vector<std::string>{kProgram, "--threads=1", server->Url(),
                                     (out.Path() / "copy").string()},
            Subprocess::Options{.OutputFile = log});
        ASSERT_TRUE(WaitFor([&] { return server->Requests().size() == 2; }));
    }
    std::string Log() { return ReadWholeFile(log); }

    TempFolder out;
    std::string log;
    std::unique_ptr<ScriptedServer> server;
    std::unique_ptr<Subprocess> process;
};

TEST_F(Interrupt, FirstCtrlCStopsAndTheSessionCompletes) {
    StartStalled();
    kill(process->Pid(), SIGINT);
    ASSERT_TRUE(WaitFor([&] { return Log().find("still receiving") != std::string::npos; }));
    const std::string aAddress = server->Url("a.gif");
    server.reset();  // the stalled transfer breaks off; nothing else is started
    ASSERT_TRUE(WaitFor([&] { return !process->Running(); }));
    EXPECT_EQ(ExitCode(process->Stop(0)), 0);
    // The transfer that broke off is named: its file is not in the copy.
    EXPECT_EQ(Log(), "Please wait.. \r\n1 thread still receiving data ..\n" + aAddress +
                         " failed: transfer closed with 897 bytes remaining to read\n"
                         "Retrieval Completed\n");
    EXPECT_TRUE(fs::exists(out.Path() / "copy" / "Main.html"));
    EXPECT_FALSE(fs::exists(out.Path() / "copy" / "a.gif"));
    EXPECT_FALSE(fs::exists(out.Path() / "copy" / "b.gif"));
}

// The second Ctrl-C does not wait for the stop's grace: the transfer is cancelled at once, and
// the session is still saved (without conversion) before the program ends.
TEST_F(Interrupt, SecondCtrlCEndsAtOnceAndSavesTheSession) {
    StartStalled();
    kill(process->Pid(), SIGINT);
    ASSERT_TRUE(WaitFor([&] { return Log().find("still receiving") != std::string::npos; }));
    kill(process->Pid(), SIGINT);
    ASSERT_TRUE(WaitFor([&] { return !process->Running(); }));
    EXPECT_EQ(ExitCode(process->Stop(0)), 130);
    EXPECT_EQ(Log(), "Please wait.. \r\n1 thread still receiving data ..\n" + server->Url("a.gif") +
                         " failed: cancelled when the session was stopped\n"
                         "Retrieval Completed\n");
    const std::string saved = ReadWholeFile((out.Path() / "copy" / "copy.lwa").string());
    EXPECT_FALSE(saved.empty()) << "no session file";
    EXPECT_TRUE(fs::exists(out.Path() / "copy" / "Main.html"));
    EXPECT_FALSE(fs::exists(out.Path() / "copy" / "a.gif"));
}

}  // namespace
