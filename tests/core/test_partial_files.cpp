#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <set>

#include "core/Addresses.h"
#include "core/FileBytes.h"
#include "core/PartialFiles.h"
#include "core/SessionFields.h"
#include "mirror/MirrorLayout.h"
#include "support/Subprocess.h"
#include "support/TempFolder.h"

namespace fs = std::filesystem;

namespace {

// A process number that no process holds right now: a child that has ended and been reaped.
pid_t EndedProcess() {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return child;
}

std::set<std::string> FilesUnder(const fs::path& folder) {
    std::set<std::string> left;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        if (e.is_regular_file()) left.insert(fs::relative(e.path(), folder).string());
    return left;
}

// The cleanup after a killed run deletes by name, so the names it takes must be exactly the
// temporary ones: a retrieved file that merely looks similar stays. The names of earlier
// versions are told apart, since only a classic copy's folder is cleared of them.
TEST(PartialFiles, OnlyTemporaryNamesAreRecognised) {
    struct Case {
        const char* name;
        bool present;
        bool earlier;
    };
    const Case cases[] = {
        {".lw#4711-3.lwpart", true, false},
        {".lw#1-2.tmp", true, false},
        {".lw4711-3.lwpart", false, true},
        {"cut.gif.4711-3.lwpart", false, true},
        {"Main.html.lw4711-12.tmp", false, true},
        {".lw1-2.tmp", false, true},
        {"x.lwpart", false, false},
        {"Main.html", false, false},
        {"notes.tmp", false, false},
        {".lw#4711.lwpart", false, false},
        {".lw#x-1.tmp", false, false},
        {".lw#-1.tmp", false, false},
        {"a.lw#1-2.tmp", false, false},
        {"Main.html.lw4711.tmp", false, false},
        {"Main.html.lw-3.tmp", false, false},
        {"Main.html.lw12-.tmp", false, false},
        {"Main.html.lwx-3.tmp", false, false},
        {"archive.lwpart.zip", false, false},
        {"page.LWPART", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsPartialFileName(c.name), c.present) << c.name;
        EXPECT_EQ(IsEarlierPartialFileName(c.name), c.earlier) << c.name;
    }
}

TEST(PartialFiles, TheWritingProcessIsReadFromTheName) {
    const std::pair<const char*, pid_t> cases[] = {
        {".lw#4711-3.lwpart", 4711},
        {".lw#52-0.tmp", 52},
        {".lw4711-3.lwpart", 4711},
        {".lw4711-12.tmp", 4711},
        {"cut.gif.4711-3.lwpart", 4711},
        {"Main.html.lw52-0.tmp", 52},
        {"x.lwpart", 0},
        {"x-3.lwpart", 0},
        {".lw#0-3.lwpart", 0},
        {".lw#99999999999999999999-1.lwpart", 0},
        {"Main.html", 0},
        {"Main.html.lw12.tmp", 0},
    };
    for (const auto& [name, process] : cases) EXPECT_EQ(PartialFileProcess(name), process) << name;
}

// No address a site can hold is given a temporary file's name, by either mapping: a later run
// would take the file for a leftover and remove it.
TEST(PartialFiles, NoAddressIsGivenATemporaryName) {
    const std::string names[] = {
        ".lw%23123-4.lwpart", ".lw#123-4.lwpart", ".lw%23123-4.tmp",      "%2Elw%23123-4%2Elwpart",
        ".lw123-4.lwpart",    "x.lwpart",         "cut.gif.123-4.lwpart", ".lw123-4.tmp",
        "a.html.lw1-2.tmp",   "a.lw%231-2.tmp",
    };
    const mirror::MirrorLayout layout("http://site/");
    SessionFields classic;
    classic.SiteBase = "http://site/";
    classic.Settings.SearchEntireSite = true;
    classic.Settings.RetrieveOtherFiles = true;
    classic.OtherFileExtensions = {".LWPART", ".TMP"};
    for (const std::string& name : names) {
        for (const std::string& address :
             {"http://site/" + name, "http://site/" + name + "?q=" + name,
              "http://site/" + name + "/x.png", "http://other:81/" + name,
              "http://site/dir/" + name + "#" + name}) {
            const std::string path = layout.LocalPath(address);
            for (std::size_t begin = 0; begin <= path.size();) {
                const std::size_t slash = std::min(path.find('/', begin), path.size());
                const std::string segment = path.substr(begin, slash - begin);
                EXPECT_FALSE(IsPartialFileName(segment)) << address << " -> " << path;
                begin = slash + 1;
            }
        }
        for (const std::string& link : {name, "http://site/" + name, "dir/" + name}) {
            const std::string local = UrlToLocalName(link, classic);
            EXPECT_FALSE(IsPartialFileName(local)) << link << " -> " << local;
            EXPECT_FALSE(IsEarlierPartialFileName(local)) << link << " -> " << local;
        }
    }
}

// A final name near the file system's limit still gets a temporary name that can be created.
TEST(PartialFiles, TemporaryNamesAreShortWhateverTheFinalName) {
    TempFolder folder;
    const std::string longName = std::string(250, 'n') + ".gif";
    for (const std::string& made :
         {NewPartialPath(folder.Text() + longName), NewReplacementPath(folder.Text() + longName)}) {
        EXPECT_EQ(fs::path(made).parent_path(), folder.Path()) << "beside the final file";
        const std::string name = fs::path(made).filename().string();
        EXPECT_LT(name.size(), 40u) << name;
        EXPECT_TRUE(IsPartialFileName(name)) << name;
        EXPECT_EQ(PartialFileProcess(name), ::getpid()) << name;
    }
    EXPECT_NE(NewPartialPath("/p/a.gif"), NewPartialPath("/p/a.gif"))
        << "each transfer gets a name of its own";

    // A whole-file rewrite under such a name goes through.
    ReplaceFileBytes(folder.Text() + longName, "old");
    ReplaceFileBytes(folder.Text() + longName, "new");
    EXPECT_EQ(ReadWholeFile(folder.Text() + longName), "new");
    EXPECT_EQ(FilesUnder(folder.Path()), std::set<std::string>{longName});
}

TEST(PartialFiles, RemovalTakesOnlyTemporaryFilesOfTheFolder) {
    TempFolder folder;
    fs::create_directories(folder.Path() / "sub");
    const std::string self = std::to_string(::getpid());
    const std::vector<std::string> present = {".lw#" + self + "-1.lwpart",
                                              ".lw#" + self + "-2.tmp"};
    const std::vector<std::string> earlier = {"a.gif." + self + "-1.lwpart",
                                              "Main.html.lw" + self + "-2.tmp",
                                              ".lw" + self + "-3.lwpart"};
    const std::string kept[] = {"a.gif", "Main.html", "notes.tmp", "x.lwpart"};
    for (const auto* names : {&present, &earlier})
        for (const std::string& name : *names) {
            WriteWholeFile(folder.Text() + name, "x");
            WriteWholeFile(folder.Text() + "sub/" + name, "x");
        }
    for (const std::string& name : kept) WriteWholeFile(folder.Text() + name, "x");
    const std::set<std::string> before = FilesUnder(folder.Path());

    // A classic copy's folder: both forms, in the folder itself only.
    EXPECT_EQ(RemovePartialFiles(folder.Text()), 5);
    std::set<std::string> left = before;
    for (const auto* names : {&present, &earlier})
        for (const std::string& name : *names) left.erase(name);
    EXPECT_EQ(FilesUnder(folder.Path()), left);
    EXPECT_EQ(RemovePartialFiles(folder.Text() + "missing/"), 0);

    // A complete copy's tree: the present form, in every folder; a site may have files named
    // like the earlier forms.
    EXPECT_EQ(RemovePartialFilesInTree(folder.Text()), 2);
    for (const std::string& name : present) left.erase("sub/" + name);
    EXPECT_EQ(FilesUnder(folder.Path()), left);
    EXPECT_EQ(RemovePartialFilesInTree(folder.Text() + "missing/"), 0);
}

// Two processes may work on one project folder at once: the cleanup of one must not take the
// file another is writing at that moment, but it does take what a process left that has ended.
TEST(PartialFiles, RemovalLeavesTheFilesOfAnotherRunningProcess) {
    TempFolder folder;
    Subprocess other({"/bin/sleep", "30"}, {});
    const std::string self = std::to_string(::getpid());
    const std::string running = std::to_string(other.Pid());
    const std::string ended = std::to_string(EndedProcess());
    const std::string mine[] = {".lw#" + self + "-1.lwpart", ".lw#" + self + "-2.tmp"};
    const std::string theirs[] = {".lw#" + running + "-1.lwpart", "a.gif." + running + "-2.lwpart",
                                  "Main.html.lw" + running + "-3.tmp"};
    const std::string leftOver[] = {".lw#" + ended + "-1.lwpart", "b.gif." + ended + "-1.lwpart",
                                    ".lw" + ended + "-2.tmp", ".lw#" + ended + "-3.tmp"};
    for (const std::string& name : mine) WriteWholeFile(folder.Text() + name, "x");
    for (const std::string& name : theirs) WriteWholeFile(folder.Text() + name, "x");
    for (const std::string& name : leftOver) WriteWholeFile(folder.Text() + name, "x");

    EXPECT_EQ(RemovePartialFiles(folder.Text()), 6);
    EXPECT_EQ(FilesUnder(folder.Path()),
              std::set<std::string>(std::begin(theirs), std::end(theirs)));

    // Once the other process has ended, its files go too.
    other.Stop();
    EXPECT_EQ(RemovePartialFiles(folder.Text()), 3);
    EXPECT_TRUE(fs::is_empty(folder.Path()));
}

}  // namespace

// Whole-file reads stop at the end however the size falls against the read sizes, and a file
// whose stat tells no size (the kernel's own files) is still read to its end.
TEST(FileBytes, ReadsWholeFilesOfEverySize) {
    TempFolder folder;
    for (const std::size_t size : {0u, 1u, 4095u, 4096u, 4097u, 65536u, 65537u, 300001u}) {
        std::string bytes(size, '\0');
        for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>('a' + i % 23);
        const std::string path = folder.Text() + "f" + std::to_string(size);
        ReplaceFileBytes(path, bytes);
        EXPECT_EQ(ReadFileBytes(path), bytes) << size << " bytes";
    }
    const std::string cmdline = ReadFileBytes("/proc/self/cmdline");
    EXPECT_FALSE(cmdline.empty());
    EXPECT_EQ(cmdline, ReadWholeFile("/proc/self/cmdline"));
    EXPECT_THROW(ReadFileBytes(folder.Text() + "missing"), std::runtime_error);
}

// A replacement takes the permission bits of the file it replaces, or the ones its caller
// already read from it.
TEST(FileBytes, ReplacementKeepsOrTakesThePermissionBits) {
    TempFolder folder;
    const std::string path = folder.Text() + "page.html";
    ReplaceFileBytes(path, "old");
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const auto modeOf = [](const std::string& p) { return fs::status(p).permissions(); };

    const std::string kept = WriteReplacement(path, "new");
    EXPECT_EQ(modeOf(kept), modeOf(path));
    CommitReplacement(kept, path);
    const std::string given = WriteReplacement(path, "newer", false, 0600u);
    EXPECT_EQ(modeOf(given), fs::perms::owner_read | fs::perms::owner_write);
    CommitReplacement(given, path);
    EXPECT_EQ(ReadFileBytes(path), "newer");
    EXPECT_EQ(FilesUnder(folder.Path()), std::set<std::string>{"page.html"});

    // Whatever bits the process's creation mask would take away (group and other write, under
    // the usual masks).
    for (const unsigned mode : {0400u, 0444u, 0600u, 0640u, 0644u, 0664u, 0666u, 0755u, 0777u}) {
        SCOPED_TRACE(mode);
        fs::permissions(path, static_cast<fs::perms>(mode));
        ReplaceFileBytes(path, "newest");
        EXPECT_EQ(modeOf(path), static_cast<fs::perms>(mode));
        CommitReplacement(WriteReplacement(path, "again", false, mode), path);
        EXPECT_EQ(modeOf(path), static_cast<fs::perms>(mode));
    }
    fs::permissions(path, fs::perms::owner_all);
}

// A deletion takes a file, or a link without what it leads to, and never a folder: a folder
// may stand where a list or a grid row named a file.
TEST(FileBytes, RemoveFileTakesFilesOnlyAndSaysWhyNot) {
    TempFolder folder;
    const fs::path root = folder.Path();
    ReplaceFileBytes((root / "page.html").string(), "x");
    ReplaceFileBytes((root / "target.gif").string(), "y");
    fs::create_symlink(root / "target.gif", root / "link.gif");
    fs::create_directory(root / "empty.html");
    struct Case {
        const char* name;
        bool removed;
    };
    for (const Case& c : {Case{"page.html", true}, Case{"link.gif", true},
                          Case{"missing.html", false}, Case{"empty.html", false}}) {
        SCOPED_TRACE(c.name);
        const std::string reason = RemoveFile((root / c.name).string());
        EXPECT_EQ(reason.empty(), c.removed) << reason;
    }
    EXPECT_FALSE(fs::exists(root / "page.html"));
    EXPECT_FALSE(fs::is_symlink(root / "link.gif"));
    EXPECT_TRUE(fs::exists(root / "target.gif"));
    EXPECT_TRUE(fs::is_directory(root / "empty.html"));
}
