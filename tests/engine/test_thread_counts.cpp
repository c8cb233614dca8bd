#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "support/NginxServer.h"
#include "support/SessionHarness.h"
#include "support/TempFolder.h"
#include "support/RowCells.h"

// The same site copied with one worker and with ten must give the same session: the same rows
// (in whatever order the workers finished), the same counters and the same files. The transfers
// run on a network thread while the rows, the queue and the counters stay with the engine, so a
// fault in handing events between them shows up as a difference here.

namespace fs = std::filesystem;

namespace {

// What a finished session leaves: rows by file column, counters, files with their contents.
struct SessionOutcome {
    std::map<std::string, std::vector<std::string>> Rows;
    int RowCount = 0;
    int FilesRead = 0;
    std::int64_t BytesReceived = 0;
    std::string FilesReadText;
    std::map<std::string, std::string> Files;  // relative path -> contents
};

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// A site with pages that link each other, shared pictures, a folder address
// that redirects, a missing page and archives, some over the size limit.
void WriteSite(const fs::path& root) {
    auto write = [&](const fs::path& path, const std::string& text) {
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << text;
    };
    std::string index = "<html><a href=\"gone.html\">gone</a><a href=\"arch\">archives</a>";
    index += "<a href=\"pages/p0_0.html\">x</a>";
    write(root / "index.html", index + "</html>");
    std::string archives = "<html>";
    for (int z = 0; z < 4; ++z) {
        archives += "<a href=\"z" + std::to_string(z) + ".zip\">z</a>";
        // Two of them are over the 2 KB limit: large enough to arrive in several pieces.
        write(root / "arch" / ("z" + std::to_string(z) + ".zip"),
              std::string(z < 2 ? 1500 : 300 * 1024 + z, static_cast<char>('a' + z)));
    }
    write(root / "arch" / "index.html", archives + "</html>");
    auto pageName = [](int f, int p) {
        return "p" + std::to_string(f % 6) + "_" + std::to_string(p % 8) + ".html";
    };
    for (int f = 0; f < 6; ++f) {
        for (int p = 0; p < 8; ++p) {
            std::string page = "<html><body><h1>" + std::to_string(f) + "." + std::to_string(p) +
                               "</h1><a href=\"" + pageName(f, p + 1) + "\">n</a><a href=\"" +
                               pageName(f + 1, p) + "\">x</a><img src=\"/img/i" +
                               std::to_string((f * 8 + p) % 20) + ".gif\">";
            // Some pages are big enough to arrive in several pieces.
            page += std::string(p == 3 ? 200000 : 100 + f * 10 + p, ' ') + "</body></html>";
            write(root / "pages" / pageName(f, p), page);
        }
    }
    for (int i = 0; i < 20; ++i)
        write(root / "img" / ("i" + std::to_string(i) + ".gif"), std::string(400 + i * 37, 'g'));
}

SessionOutcome Copy(const std::string& url, int threads) {
    SessionHarness h;
    h.settings.MaximumThreads = threads;
    h.settings.RetrieveZIPEXEFiles = true;
    h.settings.FileSizeLimits = {{".zip", 2}};
    EXPECT_TRUE(h.Start(url));
    EXPECT_TRUE(h.RunUntilFinished());
    SessionOutcome out;
    const SessionView& view = h.state.View;
    out.RowCount = view.GridRowCount();
    for (int r = 1; r < view.GridRowCount(); ++r) {
        const auto& row = Cells(view.Row(r));
        out.Rows[row[1]] = {row[2], row[3], row[4]};
    }
    out.FilesRead = h.state.FilesRead;
    out.BytesReceived = h.state.BytesReceived;
    out.FilesReadText = view.LowerStatusBar(1);
    EXPECT_EQ(h.state.RunningThreads, 0);
    EXPECT_EQ(h.engine.LiveWorkers(), 0);
    const fs::path project = fs::path(h.state.ProjectFolder);
    for (const auto& e : fs::recursive_directory_iterator(project)) {
        if (!e.is_regular_file()) continue;
        const std::string name = fs::relative(e.path(), project).string();
        // The session file records when it was made.
        if (e.path().extension() == ".lwa") continue;
        out.Files[name] = ReadAll(e.path());
    }
    return out;
}

TEST(ThreadCounts, OneAndTenWorkersGiveTheSameSession) {
    TempFolder root;
    WriteSite(root.Path());
    NginxServer web({.Root = root.Path()});

    const SessionOutcome one = Copy(web.Url(), 1);
    const SessionOutcome ten = Copy(web.Url(), 10);

    // The start page, the archive folder's page, two archives within the limit, 48 pages and 20
    // pictures; the missing page's 404, a redirect row and two archives over the limit are not
    // counted.
    EXPECT_EQ(one.FilesRead, 72);
    EXPECT_EQ(one.Rows.at("arch/z3.zip").at(2), "Ignored");
    EXPECT_EQ(one.Rows.at("arch/z0.zip").at(2), "Complete");

    EXPECT_EQ(ten.RowCount, one.RowCount);
    EXPECT_EQ(ten.Rows, one.Rows);
    EXPECT_EQ(ten.FilesRead, one.FilesRead);
    EXPECT_EQ(ten.BytesReceived, one.BytesReceived);
    EXPECT_EQ(ten.FilesReadText, one.FilesReadText);
    EXPECT_EQ(ten.Files.size(), one.Files.size());
    for (const auto& [name, text] : one.Files) {
        auto it = ten.Files.find(name);
        ASSERT_NE(it, ten.Files.end()) << name;
        EXPECT_TRUE(it->second == text) << name;
    }
}

}  // namespace
