#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <system_error>

#include "support/FtpServer.h"
#include "support/NginxServer.h"
#include "support/ScriptedServer.h"
#include "support/SessionHarness.h"
#include "engine/TransferRetries.h"
#include "support/Subprocess.h"
#include "support/RowCells.h"

namespace fs = std::filesystem;

namespace {

const fs::path kSite = fs::path(LW_TEST_DATA_DIR) / "site";

std::set<std::string> FilesIn(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.insert(e.path().filename().string());
    return names;
}

// File column -> the other columns of every data row, whatever order the workers ran in.
std::map<std::string, std::vector<std::string>> RowsByFile(const SessionView& view) {
    std::map<std::string, std::vector<std::string>> rows;
    for (int r = 1; r < view.GridRowCount(); ++r) {
        const auto& row = Cells(view.Row(r));
        rows[row[1]] = {row[2], row[3], row[4]};
    }
    return rows;
}

std::vector<std::string> Complete(const fs::path& file) {
    const std::string size = std::to_string(fs::file_size(file));
    return {size, size, "Complete"};
}

class RetrievalTest : public ::testing::Test, public SessionHarness {
  protected:
    NginxServer web{{.Root = kSite}};
};

TEST_F(RetrievalTest, EntireSite) {
    settings.CollectEMailAddresses = true;
    ASSERT_TRUE(Start(web.Url()));
    ASSERT_TRUE(RunUntilFinished());
    const fs::path project = folder.Path() / "site";

    EXPECT_EQ(FilesIn(project),
              (std::set<std::string>{"Main.html", "bg.gif", "logo.gif", "about.html", "guide.html",
                                     "docs.html", "diagram.jpg", "chapter2.html", "extra.html",
                                     "EMailAddress.html", "main1.html"}));
    EXPECT_EQ(ReadWholeFile(project / "logo.gif"), ReadWholeFile(kSite / "images/logo.gif"));
    EXPECT_EQ(ReadWholeFile(project / "diagram.jpg"), ReadWholeFile(kSite / "docs/pics/diagram.jpg"));
    // "docs" was redirected to "docs/", whose page has the same local name.
    EXPECT_EQ(ReadWholeFile(project / "docs.html"), ReadWholeFile(kSite / "docs/index.html"));

    auto rows = RowsByFile(state.View);
    EXPECT_EQ(rows.size(), 12u);
    // A link to index.html is not the start page: it gets a name of its own.
    EXPECT_EQ(rows["index.html"], Complete(kSite / "index.html"));
    EXPECT_EQ(rows[web.Url()], Complete(kSite / "index.html"));
    EXPECT_EQ(rows["images/bg.gif"], Complete(kSite / "images/bg.gif"));
    EXPECT_EQ(rows["docs/pics/diagram.jpg"], Complete(kSite / "docs/pics/diagram.jpg"));
    EXPECT_EQ(rows["docs/./extra.html"], Complete(kSite / "docs/extra.html"));
    EXPECT_EQ(rows["docs/"], Complete(kSite / "docs/index.html"));
    EXPECT_EQ(rows["docs"].at(1), "0");  // the redirect itself is not a document
    EXPECT_EQ(rows["EMailAddress.html"], Complete(project / "EMailAddress.html"));
    EXPECT_EQ(state.View.GridRowCount(), 13);

    EXPECT_EQ(state.FilesRead, 10);
    EXPECT_EQ(state.BytesReceived, 4815);
    EXPECT_EQ(state.View.LowerStatusBar(0), "Files Added in Queue: 0");
    EXPECT_EQ(state.View.LowerStatusBar(1), "Files Read: 10");
    EXPECT_EQ(state.View.LowerStatusBar(2), "Bytes Received: 4815");
    EXPECT_EQ(state.View.LowerStatusBar(3).rfind("Retrieval Speed: ", 0), 0u);
    EXPECT_EQ(state.View.LowerStatusBar(4).rfind("Time Elapsed: ", 0), 0u);
    EXPECT_EQ(state.View.ThreadCountLabel(), "0");
    EXPECT_EQ(state.View.MessageLabel(), "");
    EXPECT_EQ(state.ContactHost, "127.0.0.1");
    EXPECT_EQ(state.SiteBase, web.Url());
    EXPECT_EQ(state.View.SiteRootText(), web.Url());
    const auto& children = state.View.SiteChildren();
    EXPECT_EQ(std::set<std::string>(children.begin(), children.end()),
              (std::set<std::string>{"images/", "docs/"}));
    EXPECT_EQ(ReadWholeFile(project / "EMailAddress.html"),
              "<HTML>\r\n"
              "<p><a href=\"mailto:info@site.invalid\">info@site.invalid</a></p>\r\n\r\n"
              "<p><a href=\"mailto:sales@site.invalid\">sales@site.invalid</a></p>\r\n\r\n"
              "</HTML>\r\n");
    EXPECT_EQ(prompts.MessageTexts(),
              std::vector<std::string>{"Site Retrieval Completed. Now Lanternway will update HTML "
                                       "links of all files for off line browsing."});
    EXPECT_EQ(engine.LastOutcome(), RunControl::Outcome::Completed);
    EXPECT_EQ(engine.LiveWorkers(), 0);
}

TEST_F(RetrievalTest, CurrentPageOnly) {
    settings.SearchEntireSite = false;
    ASSERT_TRUE(Start(web.Url("docs/guide.html")));
    ASSERT_TRUE(RunUntilFinished());
    const fs::path project = folder.Path() / "site";
    EXPECT_EQ(FilesIn(project),
              (std::set<std::string>{"guide.html", "diagram.jpg", "chapter2.html"}));
    auto rows = RowsByFile(state.View);
    EXPECT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows["guide.html"], Complete(kSite / "docs/guide.html"));
    EXPECT_EQ(rows["pics/diagram.jpg"], Complete(kSite / "docs/pics/diagram.jpg"));
    EXPECT_EQ(rows["chapter2.html"], Complete(kSite / "docs/chapter2.html"));
    EXPECT_EQ(state.FilesRead, 3);
    EXPECT_EQ(state.View.LowerStatusBar(2), "Bytes Received: 3322");
    EXPECT_EQ(state.SiteBase, web.Url("docs/"));
    EXPECT_EQ(state.View.SiteChildren(), std::vector<std::string>{"pics/"});
}

TEST_F(RetrievalTest, OneThreadFetchesInQueueOrder) {
    settings.MaximumThreads = 1;
    ASSERT_TRUE(Start(web.Url()));
    ASSERT_TRUE(RunUntilFinished());
    std::vector<std::string> files;
    for (int r = 1; r < state.View.GridRowCount(); ++r) files.push_back(state.View.Row(r).Address);
    EXPECT_EQ(files, (std::vector<std::string>{
                         web.Url(), "images/bg.gif", "images/logo.gif", "about.html",
                         "docs/guide.html", "docs", "index.html", "docs/pics/diagram.jpg",
                         "docs/chapter2.html", "docs/", "docs/./extra.html"}));
}

// The box names the host and the port, and the system's reason.
TEST_F(RetrievalTest, HostThatRefusesIsReported) {
    ASSERT_TRUE(Start("http://127.0.0.1:9/"));
    ASSERT_TRUE(RunUntilFinished());
    ASSERT_EQ(prompts.MessageTexts().size(), 1u);
    const std::string told = prompts.MessageTexts()[0];
    EXPECT_EQ(told.rfind("Lanternway is unable to connect with host \"127.0.0.1 \": ", 0), 0u)
        << told;
    EXPECT_NE(told.find("127.0.0.1 port 9 "), std::string::npos) << told;
    const std::string reason = ": " + std::generic_category().message(ECONNREFUSED);
    EXPECT_EQ(told.substr(told.size() - std::min(told.size(), reason.size())), reason) << told;
    EXPECT_EQ(engine.LastOutcome(), RunControl::Outcome::NotConnected);
    EXPECT_EQ(state.ProjectFolder, "");
}

TEST(LargeSite, EveryFileOnceWithTenWorkers) {
    // 20 folders of 10 pages, each page linking the next one of its folder, the first page of
    // the next folder and two pictures shared across folders: 200 pages and 100 pictures.
    TempFolder root;
    std::int64_t bytes = 0;
    auto write = [&](const fs::path& path, const std::string& text) {
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << text;
        bytes += static_cast<std::int64_t>(text.size());
    };
    std::string index = "<html>";
    for (int f = 0; f < 20; ++f)
        index += "<a href=\"f" + std::to_string(f) + "/p" + std::to_string(f) + "_0.html\">x</a>";
    write(root.Path() / "index.html", index + "</html>");
    for (int f = 0; f < 20; ++f) {
        for (int p = 0; p < 10; ++p) {
            const std::string id = std::to_string(f) + "_" + std::to_string(p);
            std::string page = "<html><body>\n<h1>" + id + "</h1>";
            const int g = (f + 1) % 20;
            page += "<a href=\"p" + std::to_string(f) + "_" + std::to_string((p + 1) % 10) +
                    ".html\">next</a>";
            page +=
                "<a href=\"/f" + std::to_string(g) + "/p" + std::to_string(g) + "_0.html\">x</a>";
            page += "<IMG SRC=\"/img/i" + std::to_string((f * 10 + p) % 100) + ".gif\">";
            page += "<IMG SRC=\"/img/i" + std::to_string((f * 10 + p + 50) % 100) + ".gif\">";
            write(root.Path() / ("f" + std::to_string(f)) / ("p" + id + ".html"),
                  page + std::string(100 + f * 10 + p, ' ') + "</body></html>");
        }
    }
    for (int i = 0; i < 100; ++i)
        write(root.Path() / "img" / ("i" + std::to_string(i) + ".gif"), std::string(500 + i, 'g'));
    NginxServer web({.Root = root.Path()});

    SessionHarness h;
    ASSERT_TRUE(h.Start(web.Url()));
    ASSERT_TRUE(h.RunUntilFinished());
    EXPECT_EQ(h.state.FilesRead, 301);
    EXPECT_EQ(h.state.View.GridRowCount(), 1 + 301);
    for (int r = 1; r < h.state.View.GridRowCount(); ++r) {
        EXPECT_EQ(h.state.View.Row(r).State, FileState::Complete) << r;
        EXPECT_EQ(h.state.View.Row(r).Total, h.state.View.Row(r).Transferred) << r;
    }
    EXPECT_EQ(h.state.RunningThreads, 0);
    EXPECT_EQ(h.state.PendingCount(), 0u);
    EXPECT_EQ(h.engine.LiveWorkers(), 0);
    EXPECT_EQ(h.state.BytesReceived, bytes);
    EXPECT_EQ(h.state.View.LowerStatusBar(1), "Files Read: 301");
    EXPECT_EQ(h.state.View.SiteChildren().size(), 21u);  // f0/ .. f19/ and img/
}

TEST(LinkSpelling, SpacesAndLettersOutsideAsciiAreSentEncoded) {
    // Links as pages write them: a browser sends the space as %20 and the letters outside ASCII
    // as their UTF-8 bytes in %XX. The rows and the local names keep the link's own spelling.
    TempFolder root;
    std::ofstream(root.Path() / "index.html")
        << "<html><a href=\"my file.html\">a</a> <a href=\"caf\xC3\xA9.html\">b</a>"
           "<img src=\"two  spaces.gif\"></html>";
    std::ofstream(root.Path() / "my file.html") << "<html>space</html>";
    std::ofstream(root.Path() / "caf\xC3\xA9.html") << "<html>accent</html>";
    std::ofstream(root.Path() / "two  spaces.gif") << "GIF89a";
    NginxServer web({.Root = root.Path()});

    SessionHarness h;
    ASSERT_TRUE(h.Start(web.Url()));
    ASSERT_TRUE(h.RunUntilFinished());
    const auto rows = RowsByFile(h.state.View);
    for (const char* name : {"my file.html", "caf\xC3\xA9.html", "two  spaces.gif"}) {
        ASSERT_TRUE(rows.count(name)) << name;
        EXPECT_EQ(rows.at(name), Complete(root.Path() / name)) << name;
        EXPECT_EQ(ReadWholeFile(h.folder.Path() / "site" / name), ReadWholeFile(root.Path() / name))
            << name;
    }
    EXPECT_EQ(h.state.FilesRead, 4);
}

// The session's proxy, its port a number from the settings on: the transfer asks it for the
// whole address of a host that no name server knows, so only the proxy can have answered.
TEST(ProxyRetrieval, TheStartPageComesThroughTheProxy) {
    ScriptedServer proxy(
        {ScriptedServer::Reply("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n"
                               "Content-Length: 20\r\n\r\n<html>proxied</html>")});
    SessionHarness h;
    h.settings.UseProxy = true;
    h.settings.ProxyAddress = "127.0.0.1";
    h.settings.ProxyPort = proxy.Port();
    ASSERT_TRUE(h.Start("http://site.invalid/"));
    ASSERT_TRUE(h.RunUntilFinished());
    ASSERT_EQ(proxy.Requests().size(), 1u);
    EXPECT_EQ(proxy.Requests()[0].rfind("GET http://site.invalid/ HTTP/1.1\r\n", 0), 0u)
        << proxy.Requests()[0];
    EXPECT_EQ(ReadWholeFile(h.folder.Path() / "site" / "Main.html"), "<html>proxied</html>");
}

TEST(FtpRetrieval, ZipFileWithCredentials) {
    TempFolder ftpRoot, webRoot;
    fs::copy_file(kSite / "files/tool.zip", ftpRoot.Path() / "tool.zip");
    std::ofstream(ftpRoot.Path() / "big.zip") << std::string(200 * 1024, 'b');
    FtpServer ftp({.Root = ftpRoot.Path(), .User = "lw", .Password = "secret"});
    std::ofstream(webRoot.Path() / "index.html")
        << "<html><a href=\"" << ftp.Url("tool.zip") << "\">tool</a>"
        << "<a href=\"" << ftp.Url("big.zip") << "\">big</a>"
        << "<a href=\"" << ftp.Url("none.zip") << "\">gone</a></html>";
    NginxServer web({.Root = webRoot.Path()});

    SessionHarness h;
    h.settings.RetrieveZIPEXEFiles = true;
    h.settings.RetrieveFromFTP = true;
    h.settings.FTPUserName = "lw";
    h.settings.FTPPassword = "secret";
    h.settings.FileSizeLimits = {{".zip", 100}};
    ASSERT_TRUE(h.Start(web.Url()));
    ASSERT_TRUE(h.RunUntilFinished());
    const fs::path project = h.folder.Path() / "site";
    EXPECT_EQ(ReadWholeFile(project / "tool.zip"), ReadWholeFile(kSite / "files/tool.zip"));
    auto rows = RowsByFile(h.state.View);
    EXPECT_EQ(rows[ftp.Url("tool.zip")], Complete(kSite / "files/tool.zip"));
    EXPECT_EQ(rows[ftp.Url("big.zip")].at(1), "0");
    EXPECT_EQ(rows[ftp.Url("big.zip")].at(2), "Ignored");
    EXPECT_FALSE(fs::exists(project / "big.zip"));
    // No such file on the server: nothing retrieved, and the row says so.
    EXPECT_EQ(rows[ftp.Url("none.zip")].at(1), "0");
    EXPECT_EQ(rows[ftp.Url("none.zip")].at(2), "Ignored");
    EXPECT_EQ(h.state.FilesRead, 2);
    const auto& children = h.state.View.SiteChildren();
    EXPECT_EQ(children, std::vector<std::string>{ftp.Url()});
}

// A server that lets each client hold two connections answers a third with "421 Too many
// connections": the files it turned away are asked for again until they arrive.
TEST(FtpRetrieval, ServerAtItsConnectionLimitIsAskedAgain) {
    TempFolder ftpRoot, webRoot;
    std::ofstream page(webRoot.Path() / "index.html");
    page << "<html>\n";
    FtpServer ftp({.Root = ftpRoot.Path(), .User = "lw", .Password = "secret",
                   .MaxConnectionsPerClient = 2});
    for (int i = 0; i < 8; ++i) {
        const std::string name = "part" + std::to_string(i) + ".zip";
        std::ofstream(ftpRoot.Path() / name) << std::string(20000 + i, 'a' + i);
        page << "<a href=\"" << ftp.Url(name) << "\">" << name << "</a>\n";
    }
    page.close();
    NginxServer web({.Root = webRoot.Path()});
    const RetryPolicy before = CurrentRetryPolicy();
    SetRetryPolicy({.Tries = 20, .FirstPauseMs = 50, .LaterPauseMs = 100});

    SessionHarness h;
    h.settings.MaximumThreads = 8;
    h.settings.RetrieveZIPEXEFiles = true;
    h.settings.RetrieveFromFTP = true;
    h.settings.FTPUserName = "lw";
    h.settings.FTPPassword = "secret";
    ASSERT_TRUE(h.Start(web.Url()));
    ASSERT_TRUE(h.RunUntilFinished());
    SetRetryPolicy(before);
    const fs::path project = h.folder.Path() / "site";
    for (int i = 0; i < 8; ++i) {
        const std::string name = "part" + std::to_string(i) + ".zip";
        EXPECT_TRUE(ReadWholeFile(project / name) == std::string(20000 + i, 'a' + i)) << name;
    }
    EXPECT_EQ(h.state.FilesRead, 9);
}

}  // namespace
