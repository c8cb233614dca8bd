// lanternway-get run again over a good copy while the site fails: whatever fails, every file of
// the earlier run stays as it was, and the run says which files it kept.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <sstream>

#include "sessionfile/SessionText.h"
#include "support/NginxServer.h"
#include "support/ScriptedServer.h"
#include "support/Subprocess.h"
#include "support/TempFolder.h"

namespace fs = std::filesystem;

namespace {

const std::string kProgram = std::string(LW_BINARY_DIR) + "/lanternway-get";

// A page, a style sheet and a picture under the start page; a complete copy also takes two
// pictures whose names look like temporary files.
const char* const kIndex =
    "<html><head><link rel=\"stylesheet\" href=\"style.css\"></head><body>"
    "<a href=\"page.html\">page</a><img src=\"pic.gif\">"
    "<img src=\"shot.lwpart\"><img src=\".lw999999999-1.lwpart\"></body></html>";

void WriteSite(const TempFolder& site) {
    WriteWholeFile(site.Text() + "index.html", kIndex);
    WriteWholeFile(site.Text() + "page.html",
                   "<html><body><img src=\"pic.gif\">page</body></html>");
    WriteWholeFile(site.Text() + "style.css", "body { color: black }");
    WriteWholeFile(site.Text() + "pic.gif", "GIF89a picture");
    WriteWholeFile(site.Text() + "shot.lwpart", "GIF89a shot");
    WriteWholeFile(site.Text() + ".lw999999999-1.lwpart", "GIF89a dotted");
}

// Every file under the folder, by its path inside it.
std::map<std::string, std::string> FilesUnder(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        if (e.is_regular_file())
            files[fs::relative(e.path(), folder).generic_string()] = ReadWholeFile(e.path());
    return files;
}

enum class Failure {
    ErrorReply,      // every file but the start page answers 503
    BrokenTransfer,  // every file but the start page breaks off after a few bytes
    ServerDown,      // nobody answers, not even for the start page
    StartPageError,  // the start page answers 503 too
};

struct RerunCase {
    const char* Label;
    bool Complete;
    Failure Kind;
};

class Rerun : public ::testing::TestWithParam<RerunCase> {
  protected:
    std::vector<std::string> Args(const std::string& address) const {
        std::vector<std::string> argv{kProgram, "--quiet", "--tries=1"};
        if (GetParam().Complete) argv.push_back("--complete");
        argv.push_back(address);
        argv.push_back((out_.Path() / "copy").string());
        return argv;
    }

    TempFolder site_;
    TempFolder out_;
};

TEST_P(Rerun, FailedFilesKeepTheEarlierCopy) {
    const RerunCase& c = GetParam();
    WriteSite(site_);
    const fs::path project = out_.Path() / "copy";
    std::string output;
    auto good = std::make_unique<NginxServer>(NginxServer::Options{.Root = site_.Path()});
    ASSERT_EQ(RunCommand(Args(good->Url()), &output), 0) << output;
    const std::map<std::string, std::string> earlier = FilesUnder(project);
    const std::string startPage = c.Complete ? "index.html" : "Main.html";
    for (const std::string& name :
         {startPage, std::string("page.html"), std::string("pic.gif"), std::string("copy.lwa")})
        ASSERT_TRUE(earlier.count(name)) << name;
    if (c.Complete) {
        // Site files named like temporary files are the site's, not leftovers to clear away.
        EXPECT_EQ(earlier.count("shot.lwpart"), 1u);
        EXPECT_EQ(earlier.count(".lw999999999-1.lwpart"), 1u);
    }

    std::unique_ptr<NginxServer> busy;
    std::unique_ptr<ScriptedServer> broken;
    std::string address = good->Url();
    switch (c.Kind) {
        case Failure::ErrorReply:
            busy = std::make_unique<NginxServer>(NginxServer::Options{
                .Root = site_.Path(),
                .ExtraServerConfig = "location = / { } location = /index.html { } "
                                     "location / { return 503; }"});
            address = busy->Url();
            break;
        case Failure::BrokenTransfer:
            broken = std::make_unique<ScriptedServer>(std::vector<ScriptedServer::Script>{
                ScriptedServer::Reply("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n" +
                                      std::string(kIndex)),
                {ScriptedServer::Read(),
                 ScriptedServer::Send("HTTP/1.1 200 OK\r\nContent-Length: 900\r\n\r\nGIF"),
                 ScriptedServer::Close()}});
            address = broken->Url();
            break;
        case Failure::StartPageError:
            busy = std::make_unique<NginxServer>(NginxServer::Options{
                .Root = site_.Path(), .ExtraServerConfig = "location / { return 503; }"});
            address = busy->Url();
            break;
        case Failure::ServerDown:
            break;
    }
    good.reset();
    const int code = RunCommand(Args(address), &output);

    std::map<std::string, std::string> now = FilesUnder(project);
    std::map<std::string, std::string> expected = earlier;
    const bool startPageFailed = c.Kind == Failure::ServerDown || c.Kind == Failure::StartPageError;
    if (startPageFailed) {
        EXPECT_EQ(code, c.Kind == Failure::ServerDown ? 3 : 1) << output;
    } else {
        // The start page arrived: it and the session's record are this run's.
        EXPECT_EQ(code, 0) << output;
        for (const std::string& mine : {startPage, std::string("copy.lwa")}) {
            EXPECT_EQ(now.count(mine), 1u) << mine;
            now.erase(mine);
            expected.erase(mine);
        }
    }
    EXPECT_EQ(now, expected) << output;

    // Every file that failed is named, with the words that say its earlier copy stayed.
    std::istringstream lines(output);
    int kept = 0;
    for (std::string line; std::getline(lines, line);) {
        if (line.find(" failed: ") == std::string::npos &&
            line.find(" answered ") == std::string::npos &&
            line.find("unable to connect") == std::string::npos)
            continue;
        EXPECT_TRUE(line.ends_with("; kept the earlier copy")) << line;
        ++kept;
    }
    EXPECT_GE(kept, startPageFailed ? 1 : 5) << output;

    if (c.Complete && !startPageFailed) {
        // The record still lists the kept files as the copy's.
        const SessionRecord record =
            ParseSessionText(UnscrambleText(ReadWholeFile(project / "copy.lwa")));
        std::map<std::string, std::string> paths;
        for (const auto& [file, path] : record.MirrorFiles) paths[path] = file;
        for (const char* path : {"index.html", "page.html", "style.css", "pic.gif", "shot.lwpart"})
            EXPECT_EQ(paths.count(path), 1u) << path;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rerun, Rerun,
    ::testing::Values(RerunCase{"CompleteErrorReply", true, Failure::ErrorReply},
                      RerunCase{"CompleteBrokenTransfer", true, Failure::BrokenTransfer},
                      RerunCase{"CompleteServerDown", true, Failure::ServerDown},
                      RerunCase{"CompleteStartPageError", true, Failure::StartPageError},
                      RerunCase{"ClassicServerDown", false, Failure::ServerDown},
                      RerunCase{"ClassicStartPageError", false, Failure::StartPageError}),
    [](const auto& info) { return std::string(info.param.Label); });

}  // namespace
