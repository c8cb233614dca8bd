// Sessions on a small file system: the disk budget reached during a run, a disk that fills up
// in the middle of a transfer, and a project location that cannot be written. Whatever
// happens, the session ends cleanly, with a clear message, and no file is left half-written.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "core/Addresses.h"
#include "core/PartialFiles.h"
#include "offline/ConvertProjectFiles.h"
#include "sessionfile/SessionFile.h"
#include "sessionfile/SessionText.h"
#include "support/NginxServer.h"
#include "support/SessionHarness.h"
#include "support/Subprocess.h"

namespace fs = std::filesystem;

namespace {

// A tmpfs of a few megabytes mounted on a fresh folder, unmounted at the end. Mounting needs
// root; where it is refused the test is skipped.
class SmallDisk {
  public:
    explicit SmallDisk(const std::string& options) {
        mounted_ = RunCommand({"/usr/bin/mount", "-t", "tmpfs", "-o", options, "tmpfs",
                               folder_.Path().string()},
                              &why_) == 0;
    }
    ~SmallDisk() {
        if (mounted_) RunCommand({"/usr/bin/umount", "-l", folder_.Path().string()});
    }
    bool Mounted() const { return mounted_; }
    const std::string& Why() const { return why_; }
    std::string Text() const { return folder_.Text(); }
    fs::path Path() const { return folder_.Path(); }
    bool Remount(const std::string& options) {
        return RunCommand(
                   {"/usr/bin/mount", "-o", "remount," + options, folder_.Path().string()}) == 0;
    }

  private:
    TempFolder folder_;
    bool mounted_ = false;
    std::string why_;
};

#define REQUIRE_SMALL_DISK(disk)                                                         \
    if (!(disk).Mounted())                                                               \
    GTEST_SKIP() << "a small tmpfs could not be mounted (needs root and mount rights): " \
                 << (disk).Why()

std::string Bytes(std::size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(gen());
    return s;
}

// A site of one page with `count` pictures of `size` bytes each, p0.gif, p1.gif, ...
struct PictureSite {
    PictureSite(int count, std::size_t size) {
        std::string page = "<html>";
        for (int i = 0; i < count; ++i) {
            const std::string name = "p" + std::to_string(i) + ".gif";
            Pictures[name] = Bytes(size, static_cast<unsigned>(i + 1));
            WriteWholeFile(Root.Text() + name, Pictures[name]);
            page += "<img src=\"" + name + "\">";
        }
        WriteWholeFile(Root.Text() + "index.html", page + "</html>");
    }
    TempFolder Root;
    std::map<std::string, std::string> Pictures;
};

// The session's own conversion and save, as the program runs them.
void UseRealCompletion(SessionHarness& h) {
    h.engine.ConvertFiles = ConvertProjectFiles;
    h.engine.SaveSession = SaveSessionAs;
}

// Every file of the project is whole: a retrieved picture equals the site's, no temporary file
// is left, and every row counted as received has its file with the bytes the row shows.
void ExpectNothingHalfWritten(SessionHarness& h, const fs::path& project, const PictureSite& site) {
    for (const auto& e : fs::directory_iterator(project)) {
        const std::string name = e.path().filename().string();
        EXPECT_FALSE(IsPartialFileName(name)) << name;
        const auto picture = site.Pictures.find(name);
        if (picture != site.Pictures.end()) {
            EXPECT_TRUE(ReadWholeFile(e.path().string()) == picture->second) << name;
        }
    }
    int counted = 0;
    for (int r = 1; r < h.state.View.GridRowCount(); ++r) {
        const auto& row = h.state.View.Row(r);
        if (row[4] != "Complete" || row[3] == "0") continue;
        ++counted;
        if (row[1].size() > 4 && row[1].substr(row[1].size() - 4) == ".gif") {
            EXPECT_EQ(std::to_string(LocalFileSize((project / row[1]).string())), row[3]) << row[1];
        }
    }
    EXPECT_EQ(counted, h.state.FilesRead);
}

TEST(DiskAndFolders, DiskBudgetReachedMidRunStopsNewWork) {
    SmallDisk disk("size=4m");
    REQUIRE_SMALL_DISK(disk);
    PictureSite site(9, 400 * 1024);
    NginxServer web({.Root = site.Root.Path()});
    SessionHarness h;
    UseRealCompletion(h);
    h.prompts.DefaultFileName = disk.Text() + "site.lwa";
    h.settings.MaximumThreads = "1";
    h.settings.MinimumDiskSpace = "2";  // leaves about 2 MB of the 4 for the session
    ASSERT_TRUE(h.Start(web.Url()));
    ASSERT_TRUE(h.RunUntilFinished());

    const SessionState& s = h.state;
    EXPECT_GT(s.BytesReceived, s.DiskSpaceFloor) << "the budget was reached";
    EXPECT_GT(s.FilesRead, 2);
    EXPECT_LT(s.FilesRead, 10) << "new work stopped";
    EXPECT_EQ(s.RunningThreads, 0);
    EXPECT_EQ(h.engine.LiveWorkers(), 0);
    EXPECT_EQ(h.engine.LastOutcome(), RunControl::Outcome::Completed);
    const fs::path project = disk.Path() / "site";
    ExpectNothingHalfWritten(h, project, site);
    // Completed cleanly: converted and saved.
    const SessionRecord saved =
        ParseSessionText(UnscrambleText(ReadWholeFile((project / "site.lwa").string())));
    EXPECT_EQ(static_cast<int>(saved.Rows.size()), s.View.GridRowCount() - 1);
}

TEST(DiskAndFolders, DiskFullInTheMiddleOfATransfer) {
    SmallDisk disk("size=2m");
    REQUIRE_SMALL_DISK(disk);
    PictureSite site(4, 700 * 1024);
    NginxServer web({.Root = site.Root.Path()});
    SessionHarness h;
    UseRealCompletion(h);
    h.prompts.DefaultFileName = disk.Text() + "site.lwa";
    h.settings.MaximumThreads = "1";
    h.settings.MinimumDiskSpace = "0";
    ASSERT_TRUE(h.Start(web.Url()));
    ASSERT_TRUE(h.RunUntilFinished());

    const fs::path project = disk.Path() / "site";
    ExpectNothingHalfWritten(h, project, site);
    // Two pictures fit; the third is cut off by the full disk and is not counted.
    EXPECT_TRUE(fs::exists(project / "p0.gif"));
    EXPECT_TRUE(fs::exists(project / "p1.gif"));
    EXPECT_FALSE(fs::exists(project / "p2.gif"));
    EXPECT_EQ(h.state.FilesRead, 3);
    EXPECT_EQ(h.state.RunningThreads, 0);
    EXPECT_EQ(h.engine.LastOutcome(), RunControl::Outcome::Completed);
}

TEST(DiskAndFolders, ProjectFolderThatCannotBeMade) {
    SmallDisk disk("size=1m,ro");
    REQUIRE_SMALL_DISK(disk);
    SessionHarness h;
    h.prompts.DefaultFileName = disk.Text() + "site.lwa";
    EXPECT_FALSE(h.Start("http://127.0.0.1:9/"));
    ASSERT_EQ(h.prompts.Messages.size(), 1u);
    EXPECT_EQ(h.prompts.Messages[0].Text.rfind(
                  "Cannot create the project folder " + disk.Text() + "site", 0),
              0u)
        << h.prompts.Messages[0].Text;
    EXPECT_EQ(h.prompts.Messages[0].IconKind, SessionPrompts::Kind::Error);
    EXPECT_FALSE(h.state.Running());
    EXPECT_TRUE(fs::is_empty(disk.Path()));
}

// The file system turns read-only before the completion: the conversion and the save fail with
// a message that names the file, and every file keeps the bytes it had, the session file of an
// earlier run included.
TEST(DiskAndFolders, ProjectThatBecomesReadOnlyKeepsItsFiles) {
    SmallDisk disk("size=4m");
    REQUIRE_SMALL_DISK(disk);
    PictureSite site(2, 1000);
    NginxServer web({.Root = site.Root.Path()});
    const fs::path project = disk.Path() / "site";
    const std::string sessionFile = (project / "site.lwa").string();
    {
        SessionHarness first;
        UseRealCompletion(first);
        first.prompts.DefaultFileName = disk.Text() + "site.lwa";
        first.settings.MinimumDiskSpace = "0";
        ASSERT_TRUE(first.Start(web.Url()));
        ASSERT_TRUE(first.RunUntilFinished());
        ASSERT_EQ(first.state.FilesRead, 3);
        ASSERT_TRUE(fs::exists(sessionFile));
    }
    // The next run fetches the page and this picture again, and so has pages to convert.
    fs::remove(project / "p0.gif");
    const std::string earlierSession = ReadWholeFile(sessionFile);
    const std::string earlierMain = ReadWholeFile((project / "Main.html").string());

    SessionHarness h;
    UseRealCompletion(h);
    h.prompts.DefaultFileName = disk.Text() + "site.lwa";
    h.settings.MinimumDiskSpace = "0";
    std::string pageAsServed;
    h.engine.ConvertFiles = [&](SessionState& s) {
        pageAsServed = ReadWholeFile((project / "Main.html").string());
        EXPECT_TRUE(disk.Remount("ro"));
        return ConvertProjectFiles(s);
    };
    ASSERT_TRUE(h.Start(web.Url()));
    ASSERT_TRUE(h.RunUntilFinished());
    disk.Remount("rw");

    EXPECT_EQ(ReadWholeFile((project / "Main.html").string()), pageAsServed);
    EXPECT_NE(pageAsServed, earlierMain) << "the earlier run converted its page";
    EXPECT_EQ(ReadWholeFile(sessionFile), earlierSession);
    ASSERT_FALSE(h.prompts.Messages.empty());
    const auto& last = h.prompts.Messages.back();
    EXPECT_EQ(last.IconKind, SessionPrompts::Kind::Error);
    EXPECT_NE(last.Text.find(project.string()), std::string::npos) << last.Text;
    for (const auto& e : fs::directory_iterator(project))
        EXPECT_FALSE(IsPartialFileName(e.path().filename().string())) << e.path();
}

}  // namespace
