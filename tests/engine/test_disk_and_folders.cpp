// Sessions on a small file system: the disk budget reached during a run, a disk that fills up
// in the middle of a transfer, and a project location that cannot be written. Whatever
// happens, the session ends cleanly, with a clear message, and no file is left half-written.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "core/Addresses.h"
#include "core/PartialFiles.h"
#include "engine/ConvertProjectFiles.h"
#include "engine/SessionFile.h"
#include "engine/TransferRetries.h"
#include "sessionfile/SessionText.h"
#include "support/NginxServer.h"
#include "support/SessionHarness.h"
#include "support/Subprocess.h"
#include "support/RowCells.h"

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
    h.engine.SaveSession = SaveSessionRecord;
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
        const auto& row = Cells(h.state.View.Row(r));
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
    h.settings.MaximumThreads = 1;
    h.settings.MinimumDiskSpace = 2;  // leaves about 2 MB of the 4 for the session
    ASSERT_TRUE(h.Start(web.Url()));
    ASSERT_TRUE(h.RunUntilFinished());

    const SessionState& s = h.state;
    EXPECT_TRUE(h.engine.StoppedForDiskSpace());
    // The picture that passed the budget as it was written was dropped.
    EXPECT_LE(s.BytesReceived, s.DiskSpaceFloor);
    ASSERT_EQ(h.prompts.FilesNotRetrieved.size(), 1u);
    EXPECT_NE(h.prompts.FilesNotRetrieved[0].find(" failed: Drive "), std::string::npos);
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

// One reply larger than the room the session may use (a server can send without end) is
// dropped when it passes the budget, before the disk is full, and the run stops there.
TEST(DiskAndFolders, ReplyLargerThanTheBudgetIsDroppedBeforeTheDiskFills) {
    SmallDisk disk("size=16m");
    REQUIRE_SMALL_DISK(disk);
    PictureSite site(1, 1000);
    WriteWholeFile(site.Root.Text() + "endless.gif", "");
    fs::resize_file(site.Root.Path() / "endless.gif", 64 << 20);  // sparse: no disk of its own
    WriteWholeFile(site.Root.Text() + "index.html",
                   "<html><img src=\"endless.gif\"><img src=\"p0.gif\"></html>");
    NginxServer web({.Root = site.Root.Path()});
    SessionHarness h;
    UseRealCompletion(h);
    h.prompts.DefaultFileName = disk.Text() + "site.lwa";
    h.settings.MaximumThreads = 1;
    h.settings.MinimumDiskSpace = 14;  // leaves about 2 MB of the 16 for the session
    ASSERT_TRUE(h.Start(web.Url()));
    ASSERT_TRUE(h.RunUntilFinished());

    const fs::path project = disk.Path() / "site";
    EXPECT_TRUE(h.engine.StoppedForDiskSpace());
    ASSERT_EQ(h.prompts.FilesNotRetrieved.size(), 1u);
    EXPECT_EQ(h.prompts.FilesNotRetrieved[0].rfind(web.Url("endless.gif") + " failed: Drive ", 0),
              0u)
        << h.prompts.FilesNotRetrieved[0];
    EXPECT_EQ(h.Row(2, 4), "Ignored");
    EXPECT_FALSE(fs::exists(project / "endless.gif"));
    EXPECT_FALSE(fs::exists(project / "p0.gif")) << "the run stopped";
    EXPECT_TRUE(fs::exists(project / "site.lwa")) << "the session was saved: the disk had room";
    ExpectNothingHalfWritten(h, project, site);
}

TEST(DiskAndFolders, DiskFullInTheMiddleOfATransfer) {
    SmallDisk disk("size=2m");
    REQUIRE_SMALL_DISK(disk);
    PictureSite site(4, 700 * 1024);
    NginxServer web({.Root = site.Root.Path()});
    SessionHarness h;
    UseRealCompletion(h);
    h.prompts.DefaultFileName = disk.Text() + "site.lwa";
    h.settings.MaximumThreads = 1;
    h.settings.MinimumDiskSpace = 0;
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

// The file system turns read-only during the conversion: the conversion and the save after it
// fail with a message that names the file, the person is asked for another place for the
// session file, and every file keeps the bytes it had, the record written before the
// conversion included.
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
        first.settings.MinimumDiskSpace = 0;
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
    h.settings.MinimumDiskSpace = 0;
    std::string pageAsServed;
    std::string recordBeforeConversion;
    h.engine.ConvertFiles = [&](SessionState& s) {
        pageAsServed = ReadWholeFile((project / "Main.html").string());
        recordBeforeConversion = ReadWholeFile(sessionFile);
        EXPECT_TRUE(disk.Remount("ro"));
        return ConvertProjectFiles(s);
    };
    ASSERT_TRUE(h.Start(web.Url()));
    ASSERT_TRUE(h.RunUntilFinished());
    disk.Remount("rw");

    EXPECT_EQ(ReadWholeFile((project / "Main.html").string()), pageAsServed);
    EXPECT_NE(pageAsServed, earlierMain) << "the earlier run converted its page";
    EXPECT_NE(recordBeforeConversion, earlierSession) << "this run's record came first";
    EXPECT_EQ(ReadWholeFile(sessionFile), recordBeforeConversion);
    const auto asked =
        std::count_if(h.prompts.Messages.begin(), h.prompts.Messages.end(), [](const auto& m) {
            return m.Text.find("Save it in another place?") != std::string::npos;
        });
    EXPECT_GE(asked, 1);
    ASSERT_FALSE(h.prompts.Messages.empty());
    const auto& last = h.prompts.Messages.back();
    EXPECT_EQ(last.IconKind, SessionPrompts::Kind::Error);
    EXPECT_NE(last.Text.find(project.string()), std::string::npos) << last.Text;
    for (const auto& e : fs::directory_iterator(project))
        EXPECT_FALSE(IsPartialFileName(e.path().filename().string())) << e.path();
}

// Names as long as the file system allows are retrieved like any other: the file is written
// under a temporary name of its own and then takes its name.
class NameLength : public ::testing::TestWithParam<std::size_t> {};

TEST_P(NameLength, FileWithANameNearTheLimitIsRetrieved) {
    const std::string name = std::string(GetParam() - 4, 'n') + ".gif";
    TempFolder site;
    WriteWholeFile(site.Text() + name, Bytes(5000, 7));
    WriteWholeFile(site.Text() + "index.html", "<html><img src=\"" + name + "\"></html>");
    NginxServer web({.Root = site.Path()});
    SessionHarness h;
    ASSERT_TRUE(h.Start(web.Url()));
    ASSERT_TRUE(h.RunUntilFinished());

    const fs::path project = h.folder.Path() / "site";
    EXPECT_TRUE(ReadWholeFile((project / name).string()) == Bytes(5000, 7));
    ASSERT_EQ(h.state.View.GridRowCount(), 3);
    EXPECT_EQ(Cells(h.state.View.Row(2)), (RowCells{"2", name, "5000", "5000", "Complete"}));
    EXPECT_EQ(h.state.FilesRead, 2);
    EXPECT_EQ(h.state.View.MessageLabel(), "");
    for (const auto& e : fs::directory_iterator(project))
        EXPECT_FALSE(IsPartialFileName(e.path().filename().string())) << e.path();
}

INSTANTIATE_TEST_SUITE_P(DiskAndFolders, NameLength, ::testing::Values(200, 242, 250, 255));

// A document that arrived but cannot be given its name in the project folder: the row ends
// "Ignored" with nothing counted, the system's reason is on the status line, and the session
// goes on to complete.
enum class Obstacle {
    FolderAtTheName,  // a redirect leads to a name that a folder with a file in it holds
    PathTooLong,      // the project folder is so deep that the file's path passes the limit
};

struct PlacementCase {
    const char* Label;
    Obstacle Kind;
    const char* Reason;  // the system's words
};

class FilePlacement : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(FilePlacement, FailureEndsTheRowIgnoredWithTheReason) {
    const PlacementCase& c = GetParam();
    const std::string name =
        c.Kind == Obstacle::FolderAtTheName ? "taken.gif" : std::string(220, 'n') + ".gif";
    TempFolder site;
    WriteWholeFile(site.Text() + name, Bytes(3000, 3));
    WriteWholeFile(site.Text() + "ok.gif", Bytes(2000, 2));
    const std::string link = c.Kind == Obstacle::FolderAtTheName ? "moved.gif" : name;
    const std::string page = "<html><img src=\"" + link + "\"><img src=\"ok.gif\"></html>";
    WriteWholeFile(site.Text() + "index.html", page);
    NginxServer web({.Root = site.Path(),
                     .ExtraServerConfig = "location = /moved.gif { return 301 /taken.gif; }"});

    SessionHarness h;
    h.settings.MaximumThreads = 1;
    fs::path parent = h.folder.Path();
    if (c.Kind == Obstacle::PathTooLong) {
        // Deep enough that the project folder's own files still fit and the long name does not.
        while (parent.string().size() < 3900) parent /= std::string(200, 'd');
        fs::create_directories(parent);
        h.prompts.DefaultFileName = parent.string() + "/site.lwa";
    }
    const fs::path project = parent / "site";
    if (c.Kind == Obstacle::FolderAtTheName) {
        fs::create_directories(project / name);
        WriteWholeFile((project / name / "keep").string(), "x");
    }
    std::vector<std::string> statusLine;
    QObject::connect(&h.state.View, &SessionView::MessageChanged,
                     [&] { statusLine.push_back(h.state.View.MessageLabel()); });
    ASSERT_TRUE(h.Start(web.Url()));
    ASSERT_TRUE(h.RunUntilFinished());
    const std::vector<std::string>& reported = h.prompts.FilesNotRetrieved;

    std::map<std::string, RowCells> rows;
    for (int r = 1; r < h.state.View.GridRowCount(); ++r) rows[h.Row(r, 1)] = Cells(h.state.View.Row(r));
    EXPECT_EQ(rows[name][3], "0");
    EXPECT_EQ(rows[name][4], "Ignored");
    EXPECT_EQ(rows["ok.gif"][3], "2000");
    EXPECT_EQ(rows["ok.gif"][4], "Complete");
    EXPECT_EQ(h.state.FilesRead, 2) << "the start page and ok.gif";
    EXPECT_EQ(h.state.BytesReceived, static_cast<std::int64_t>(page.size()) + 2000);
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_NE(reported[0].find(c.Reason), std::string::npos) << reported[0];
    EXPECT_NE(reported[0].find(name), std::string::npos) << reported[0];
    EXPECT_NE(std::find(statusLine.begin(), statusLine.end(), reported[0]), statusLine.end())
        << "on the status line";
    EXPECT_EQ(h.engine.LastOutcome(), RunControl::Outcome::Completed);
    if (c.Kind == Obstacle::FolderAtTheName) {
        EXPECT_EQ(ReadWholeFile((project / name / "keep").string()), "x");
    }
    for (const auto& e : fs::directory_iterator(project))
        EXPECT_FALSE(IsPartialFileName(e.path().filename().string())) << e.path();
}

INSTANTIATE_TEST_SUITE_P(
    DiskAndFolders, FilePlacement,
    ::testing::Values(PlacementCase{"FolderAtTheName", Obstacle::FolderAtTheName, "Is a directory"},
                      PlacementCase{"PathTooLong", Obstacle::PathTooLong, "File name too long"}),
    [](const auto& info) { return std::string(info.param.Label); });

// A complete copy makes the site's folders as its files need them; those whose files all
// failed (a missing page, a host that never answers) do not stay behind empty. A folder that
// was there before the run stays, empty or not.
TEST(DiskAndFolders, FoldersLeftEmptyByFailedFilesAreRemoved) {
    TempFolder site;
    fs::create_directories(site.Path() / "img");
    WriteWholeFile(site.Text() + "img/ok.png", Bytes(500, 1));
    const std::string nobody = "http://127.0.0.1:" + std::to_string(FreeLoopbackPort()) + "/";
    WriteWholeFile(site.Text() + "index.html",
                   "<html><img src=\"img/ok.png\"><img src=\"img/sub/gone.png\">"
                   "<img src=\"missing/deep/a.png\"><img src=\"keep/gone.png\">"
                   "<script src=\"" +
                       nobody + "lib/x.js\"></script></html>");
    NginxServer web({.Root = site.Path()});
    const RetryPolicy retries = CurrentRetryPolicy();
    SetRetryPolicy({.Tries = 1});
    SessionHarness h;
    h.settings.CompleteCopy = true;
    const fs::path project = h.folder.Path() / "site";
    fs::create_directories(project / "keep");
    ASSERT_TRUE(h.Start(web.Url()));
    ASSERT_TRUE(h.RunUntilFinished());
    SetRetryPolicy(retries);

    EXPECT_EQ(h.prompts.FilesNotRetrieved.size(), 4u);
    EXPECT_TRUE(fs::is_regular_file(project / "img/ok.png"));
    EXPECT_TRUE(fs::is_directory(project / "keep"));
    for (const char* gone : {"img/sub", "missing", "_hosts"})
        EXPECT_FALSE(fs::exists(project / gone)) << gone;
}

// A folder of the project that is a link: followed while it stays inside the project folder;
// one that leads elsewhere (planted by another program, say) is never written through, and
// each file meant for it fails with the reason.
struct LinkCase {
    const char* Label;
    const char* Link;  // the link in the project folder
    bool Outside;      // where it leads: a folder outside the project, or "styles/" inside it
    const char* File;  // the site's file under the link
};

class LinkedFolder : public ::testing::TestWithParam<LinkCase> {};

TEST_P(LinkedFolder, OnlyLinksInsideTheProjectAreWrittenThrough) {
    const LinkCase& c = GetParam();
    TempFolder site;
    WriteWholeFile(site.Text() + "ok.gif", Bytes(300, 2));
    fs::create_directories((site.Path() / c.File).parent_path());
    WriteWholeFile(site.Text() + c.File, "body { color: black }");
    WriteWholeFile(site.Text() + "index.html",
                   std::string("<html><link rel=\"stylesheet\" href=\"") + c.File +
                       "\"><img src=\"ok.gif\"></html>");
    NginxServer web({.Root = site.Path()});
    SessionHarness h;
    h.settings.CompleteCopy = true;
    const fs::path project = h.folder.Path() / "site";
    TempFolder elsewhere;
    const fs::path target = c.Outside ? elsewhere.Path() : project / "styles";
    fs::create_directories(target);
    fs::create_directories(project);
    fs::create_directory_symlink(target, project / c.Link);
    ASSERT_TRUE(h.Start(web.Url()));
    ASSERT_TRUE(h.RunUntilFinished());

    EXPECT_TRUE(fs::is_regular_file(project / "ok.gif"));
    EXPECT_EQ(h.engine.LastOutcome(), RunControl::Outcome::Completed);
    if (!c.Outside) {
        EXPECT_TRUE(h.prompts.FilesNotRetrieved.empty());
        EXPECT_EQ(ReadWholeFile((project / c.File).string()), "body { color: black }");
        return;
    }
    EXPECT_TRUE(fs::is_empty(elsewhere.Path())) << "nothing made or written outside";
    const std::string link = (project / c.Link).string();
    ASSERT_EQ(h.prompts.FilesNotRetrieved.size(), 1u);
    EXPECT_EQ(h.prompts.FilesNotRetrieved[0],
              "Cannot create file " + (project / c.File).string() + ": its folder " + link +
                  " leads outside the project folder, to " + elsewhere.Path().string());
    int row = 1;
    while (row < h.state.View.GridRowCount() && h.Row(row, 1) != c.File) ++row;
    ASSERT_LT(row, h.state.View.GridRowCount());
    EXPECT_EQ(h.Row(row, 3), "0");
    EXPECT_EQ(h.Row(row, 4), "Ignored");
}

INSTANTIATE_TEST_SUITE_P(DiskAndFolders, LinkedFolder,
                         ::testing::Values(LinkCase{"LeadsOutside", "css", true, "css/main.css"},
                                           LinkCase{"LeadsOutsideAboveAMissingFolder", "css", true,
                                                    "css/deep/main.css"},
                                           LinkCase{"StaysInside", "css", false, "css/main.css"}),
                         [](const auto& info) { return std::string(info.param.Label); });

}  // namespace
