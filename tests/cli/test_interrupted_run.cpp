// A run of lanternway-get killed in the middle of a transfer, then started again.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <thread>

#include "core/PartialFiles.h"
#include "support/ScriptedServer.h"
#include "support/Subprocess.h"
#include "support/TempFolder.h"

namespace fs = std::filesystem;
using S = ScriptedServer;

namespace {

const std::string kProgram = std::string(LW_BINARY_DIR) + "/lanternway-get";

bool WaitFor(const std::function<bool()>& done, int limitMs = 60000) {
    for (int waited = 0; waited < limitMs; waited += 20) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return done();
}

// The temporary files in the folder and their sizes.
std::vector<std::pair<std::string, std::uintmax_t>> PartialFiles(const fs::path& folder) {
    std::vector<std::pair<std::string, std::uintmax_t>> found;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec))
        if (IsPartialFileName(e.path().filename().string()))
            found.emplace_back(e.path().filename().string(), e.file_size(ec));
    return found;
}

std::string Reply(const std::string& type, const std::string& body) {
    return "HTTP/1.0 200 OK\r\nContent-Type: " + type +
           "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

// A file cut off by a killed run stays under a temporary name, so the next run does not take it
// for retrieved: it fetches it again and clears the temporary file away. A file that the killed
// run did finish is kept and not fetched again.
TEST(InterruptedRun, KilledRunIsCompletedByTheNextOne) {
    const std::string page = "<html><img src=\"done.gif\"><img src=\"cut.gif\"></html>";
    std::string picture(200 * 1024, '\0');
    for (std::size_t i = 0; i < picture.size(); ++i) picture[i] = static_cast<char>(i * 31 + 7);
    const std::string head = "HTTP/1.0 200 OK\r\nContent-Type: image/gif\r\nContent-Length: " +
                             std::to_string(picture.size()) + "\r\n\r\n";
    TempFolder out;
    const fs::path project = out.Path() / "copy";
    const std::string session = (out.Path() / "copy.lwa").string();

    {
        // One worker at a time, so that the connections come in the page's order: the page,
        // done.gif whole, then cut.gif, which stops in the middle and never goes on.
        ScriptedServer server({S::Reply(Reply("text/html", page)),
                               S::Reply(Reply("image/gif", picture)),
                               {S::Read(), S::Send(head + picture.substr(0, 70000)), S::Stall()}});
        Subprocess run({kProgram, "--quiet", "--threads=1", "--no-convert", server.Url(), session},
                       {.OutputFile = (out.Path() / "run1.txt").string()});
        // Killed once the 70 000 bytes that came are on disk, under whatever name.
        ASSERT_TRUE(WaitFor([&] {
            std::error_code ec;
            for (const auto& e : fs::directory_iterator(project, ec))
                if (e.path().filename().string() != "done.gif" && e.file_size(ec) == 70000)
                    return true;
            return false;
        })) << ReadWholeFile((out.Path() / "run1.txt").string());
        run.Stop(SIGKILL);
    }
    EXPECT_TRUE(ReadWholeFile((project / "done.gif").string()) == picture);
    EXPECT_FALSE(fs::exists(project / "cut.gif")) << "a cut-off file must not pass for retrieved";
    ASSERT_EQ(PartialFiles(project).size(), 1u);
    EXPECT_EQ(PartialFiles(project)[0].second, 70000u) << PartialFiles(project)[0].first;

    ScriptedServer again(
        {S::Reply(Reply("text/html", page)), S::Reply(Reply("image/gif", picture))});
    std::string output;
    EXPECT_EQ(RunCommand({kProgram, "--quiet", "--threads=1", "--no-convert", again.Url(), session},
                         &output),
              0)
        << output;
    EXPECT_TRUE(ReadWholeFile((project / "cut.gif").string()) == picture);
    EXPECT_TRUE(ReadWholeFile((project / "done.gif").string()) == picture);
    EXPECT_TRUE(PartialFiles(project).empty());
    const auto requests = again.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].rfind("GET /cut.gif ", 0), 0u) << requests[1];
}

// The same in a complete copy, whose files lie in the site's own folders: the file cut off in
// a subfolder is fetched again and its temporary file cleared away there too.
TEST(InterruptedRun, KilledCompleteCopyIsCompletedByTheNextOne) {
    const std::string page = "<html><img src=\"done.gif\"><img src=\"img/cut.gif\"></html>";
    const std::string picture(100 * 1024, 'p');
    const std::string head = "HTTP/1.0 200 OK\r\nContent-Type: image/gif\r\nContent-Length: " +
                             std::to_string(picture.size()) + "\r\n\r\n";
    TempFolder out;
    const fs::path project = out.Path() / "copy";
    const std::string session = (out.Path() / "copy.lwa").string();
    const std::vector<std::string> args{kProgram, "--quiet", "--complete", "--threads=1",
                                        "--no-convert"};
    {
        ScriptedServer server({S::Reply(Reply("text/html", page)),
                               S::Reply(Reply("image/gif", picture)),
                               {S::Read(), S::Send(head + picture.substr(0, 30000)), S::Stall()}});
        std::vector<std::string> argv = args;
        argv.insert(argv.end(), {server.Url(), session});
        Subprocess run(argv, {.OutputFile = (out.Path() / "run1.txt").string()});
        ASSERT_TRUE(WaitFor([&] {
            const auto partial = PartialFiles(project / "img");
            return partial.size() == 1 && partial[0].second == 30000;
        })) << ReadWholeFile((out.Path() / "run1.txt").string());
        run.Stop(SIGKILL);
    }
    EXPECT_FALSE(fs::exists(project / "img" / "cut.gif"));

    ScriptedServer again({S::Reply(Reply("text/html", page)), S::Reply(Reply("image/gif", picture)),
                          S::Reply(Reply("image/gif", picture))});
    std::vector<std::string> argv = args;
    argv.insert(argv.end(), {again.Url(), session});
    std::string output;
    EXPECT_EQ(RunCommand(argv, &output), 0) << output;
    EXPECT_TRUE(ReadWholeFile((project / "img" / "cut.gif").string()) == picture);
    EXPECT_TRUE(PartialFiles(project / "img").empty());
    EXPECT_TRUE(PartialFiles(project).empty());
}

}  // namespace
