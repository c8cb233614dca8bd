#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "core/PartialFiles.h"
#include "engine/SessionFile.h"
#include "engine/SessionState.h"
#include "sessionfile/SessionText.h"
#include "support/NoPermissionOverride.h"
#include "support/QtApp.h"
#include "support/ScriptedPrompts.h"
#include "support/Subprocess.h"
#include "support/TempFolder.h"
#include "support/RowCells.h"

namespace fs = std::filesystem;

namespace {

std::string Read(const fs::path& path) { return ReadWholeFile(path.string()); }
void Write(const fs::path& path, const std::string& bytes) { WriteWholeFile(path.string(), bytes); }

std::string Plain(const fs::path& path) { return UnscrambleText(Read(path)); }

class SessionFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureQtApp();
        project = folder.Text() + "shop/";
        fs::create_directories(project);
    }

    // A session that has just completed in this process: site root, one folder, three rows
    // (the last one never filled).
    void CompleteRun(SessionState& s) {
        s.ProjectFolder = project;
        s.SessionFileName = project + "shop.lwa";
        s.Settings.SearchEntireSite = false;
        s.SiteFolders.Add("http://host/");
        s.SiteFolders.Add("images/");
        s.View.SetGridRowCount(4);
        s.View.SetRow(1, RowOf({"1", "http://host/", "900", "900", "Complete"}));
        s.View.SetRow(2, RowOf({"2", "<FILE DELETED>***images/logo.gif***", "300", "300", "Complete"}));
        s.View.SetUpperStatusBar(0, "Session Started On: 12/03/2024 10:15:02");
        s.View.SetLowerStatusBar(0, "Files Added in Queue: 0");
        s.View.SetLowerStatusBar(1, "Files Read: 2");
        s.View.SetLowerStatusBar(2, "Bytes Received: 1200");
        s.View.SetLowerStatusBar(3, "Retrieval Speed: 0.2 KB/s");
        s.View.SetLowerStatusBar(4, "Time Elapsed: 00:07");
        s.SessionComplete = true;
    }

    std::string SavedRun() {
        CompleteRun(run);
        EXPECT_TRUE(SaveSessionAs(run));
        return run.SessionFileName;
    }

    TempFolder folder;
    std::string project;
    ScriptedPrompts runPrompts;
    SessionState run{runPrompts};
    ScriptedPrompts prompts;
    SessionState opened{prompts};
};

const char* const ExpectedPlain =
    "{AUTO GENERATED FILE. DO NOT MODIFY THIS FILE.}\r\n"
    "%PROJECT%\r\n"
    "2\r\nhttp://host/\r\nimages/\r\n"
    "3\r\n"
    "1\r\nhttp://host/\r\n900\r\n900\r\nComplete\r\n"
    "2\r\n<FILE DELETED>***images/logo.gif***\r\n300\r\n300\r\nComplete\r\n"
    "\r\n\r\n\r\n\r\n\r\n"
    "Session Started On: 12/03/2024 10:15:02\r\n"
    "Files Read: 2\r\nBytes Received: 1200\r\nRetrieval Speed: 0.2 KB/s\r\nTime Elapsed: 00:07\r\n";

std::string Expected(const std::string& project) {
    std::string text = ExpectedPlain;
    return text.replace(text.find("%PROJECT%"), 9, project);
}

TEST_F(SessionFileTest, CompletedRunIsSavedSilentlyAndScrambled) {
    const std::string file = SavedRun();
    EXPECT_TRUE(runPrompts.FileDialogCaptions.empty());
    EXPECT_EQ(Plain(file), Expected(project));
    EXPECT_EQ(Read(file).size(), Expected(project).size());
    EXPECT_EQ(Read(file).find("AUTO"), std::string::npos);
    EXPECT_EQ(fs::directory_iterator(project)->path().filename(), "shop.lwa")
        << "no temporary file is left beside it";
}

TEST_F(SessionFileTest, WriteOpenAndSaveUnderAnotherNameGiveTheSamePlainText) {
    const std::string file = SavedRun();
    const std::string bytes = Read(file);
    ASSERT_TRUE(PerformFileOpen(opened, file));
    EXPECT_EQ(Read(file), bytes) << "opening never rewrites the file";

    prompts.FileNames.push_back(folder.Text() + "copy");
    ASSERT_TRUE(SaveSessionAs(opened));
    EXPECT_EQ(prompts.FileDialogCaptions, std::vector<std::string>{"Save Lanternway Session As .."});
    EXPECT_EQ(opened.SessionFileName, folder.Text() + "copy.lwa");
    EXPECT_EQ(Plain(folder.Path() / "copy.lwa"), Plain(file));
    EXPECT_EQ(opened.View.Caption(), file + " - Lanternway 1.3") << "the caption keeps the old name";
}

TEST_F(SessionFileTest, OpenRebuildsGridTreeStatisticsAndFlags) {
    const std::string file = SavedRun();
    opened.View.SetLowerStatusBar(0, "Files Added in Queue: 17");
    // An earlier session of this process ran with other settings.
    opened.Settings.SearchEntireSite = false;
    opened.Settings.CompleteCopy = true;
    opened.Settings.HTTPPassword = "earlier";
    prompts.FileNames.push_back(file);
    ASSERT_TRUE(OpenSession(opened));
    EXPECT_EQ(prompts.FileDialogCaptions,
              std::vector<std::string>{"Open Existing Lanternway Session.."});

    const SessionView& v = opened.View;
    ASSERT_EQ(v.GridRowCount(), 4);
    for (int r = 1; r < 4; ++r) EXPECT_EQ(v.Row(r), run.View.Row(r)) << r;
    EXPECT_EQ(opened.GridRowCount, 4);
    EXPECT_EQ(v.SiteRootText(), "http://host/");
    EXPECT_EQ(v.SiteChildren(), std::vector<std::string>{"images/"});
    EXPECT_EQ(opened.SiteFolders.Items(), run.SiteFolders.Items());
    EXPECT_EQ(v.UpperStatusBar(0), "Session Started On: 12/03/2024 10:15:02");
    EXPECT_EQ(v.UpperStatusBar(1), "Contents Of: ");
    for (int panel = 1; panel <= 4; ++panel) EXPECT_EQ(v.LowerStatusBar(panel), run.View.LowerStatusBar(panel));
    EXPECT_EQ(v.LowerStatusBar(0), "Files Added in Queue: 17") << "the first panel is not stored";
    EXPECT_EQ(opened.StartedText, v.UpperStatusBar(0));
    EXPECT_EQ(v.Caption(), file + " - Lanternway 1.3");
    EXPECT_EQ(v.ListedFolder(), project.substr(0, project.size() - 1));
    EXPECT_EQ(opened.ProjectFolder, project);
    EXPECT_EQ(opened.SiteBase, "http://host/");
    // A classic file keeps no settings: they are the defaults (the entire site among them),
    // whatever this run or the earlier one used.
    EXPECT_EQ(opened.Settings, SessionSettings());
    EXPECT_TRUE(opened.SessionComplete);
    EXPECT_TRUE(opened.SessionOpenedFromFile);
    EXPECT_FALSE(opened.SessionLoading);
    EXPECT_TRUE(v.SaveAsBtnEnabled());
    EXPECT_EQ(v.SelectedRow(), 1);
    EXPECT_EQ(prompts.WaitTexts, std::vector<std::string>{"Please Wait.|Loading Session.."});
    EXPECT_TRUE(prompts.Messages.empty());
}

TEST_F(SessionFileTest, SiteBaseComesFromTheRootEntry) {
    const std::pair<const char*, const char*> cases[] = {
        {"http://host/dir/sub/", "http://host/"},
        {"http://host", "http://"},
        {"https://secure.host/shop/", "https://secure.host/"},
    };
    for (const auto& [root, base] : cases) {
        SessionRecord r;
        r.ProjectFolder = project;
        r.SiteFolders = {root};
        Write(folder.Path() / "root.lwa", ScrambleText(FormatSessionText(r)));
        ASSERT_TRUE(PerformFileOpen(opened, folder.Text() + "root.lwa")) << root;
        EXPECT_EQ(opened.SiteBase, base) << root;
        EXPECT_EQ(opened.View.SiteRootText(), root);
        EXPECT_TRUE(opened.View.SiteChildren().empty());
        EXPECT_EQ(opened.View.GridRowCount(), 1);
    }
}

TEST_F(SessionFileTest, DamagedOrForeignFileIsReportedAndLeftAsItWas) {
    const std::string file = SavedRun();
    std::string plain = Plain(file);
    plain.replace(plain.find("\r\n3\r\n") + 2, 1, "x3");  // the row count
    const std::string damaged = ScrambleText(plain);
    Write(file, damaged);
    const std::string text = folder.Text() + "notes.txt";
    Write(text, "Just a text file.\r\nSecond line.\r\n");

    CompleteRun(opened);  // the session that is showing stays as it is
    const auto before = Cells(opened.View.Row(2));
    std::vector<std::string> reported;
    for (const std::string& path : {file, text}) {
        const std::string bytes = Read(path);
        prompts.Messages.clear();
        EXPECT_FALSE(PerformFileOpen(opened, path));
        EXPECT_EQ(Read(path), bytes) << path;
        ASSERT_EQ(prompts.Messages.size(), 1u) << path;
        EXPECT_EQ(prompts.Messages[0].IconKind, SessionPrompts::Kind::Error);
        reported.push_back(prompts.Messages[0].Text);
        EXPECT_NE(reported.back().find("is not a readable session file"), std::string::npos);
        EXPECT_EQ(opened.SessionFileName, project + "shop.lwa");
        EXPECT_EQ(Cells(opened.View.Row(2)), before);
        EXPECT_FALSE(opened.SessionOpenedFromFile);
    }
    EXPECT_NE(reported[0].find("'x3' is not a valid integer value"), std::string::npos)
        << reported[0];
}

// A record whose file paths lead out of the project folder is refused whole, with the line and
// the path named, before the windows could act on such a file.
TEST_F(SessionFileTest, PathOutsideTheProjectIsRefusedAsDamaged) {
    SessionRecord r;
    r.ProjectFolder = project;
    r.SiteFolders = {"http://host/"};
    r.Settings.CompleteCopy = true;
    r.StartAddress = "http://host/";
    r.MirrorFiles = {{"http://host/", "index.html"}, {"http://host/x", "../../etc/passwd"}};
    const std::string file = folder.Text() + "hostile.lwa";
    Write(file, ScrambleText(FormatSessionText(r)));
    CompleteRun(opened);
    const auto before = Cells(opened.View.Row(2));

    EXPECT_FALSE(PerformFileOpen(opened, file));
    EXPECT_EQ(prompts.MessageTexts(),
              std::vector<std::string>{"\"" + file +
                                       "\" is not a readable session file: line 17 names "
                                       "'../../etc/passwd', which is not a file inside the "
                                       "project folder."});
    EXPECT_EQ(Cells(opened.View.Row(2)), before);
    EXPECT_TRUE(opened.MirrorFiles.empty());
    EXPECT_FALSE(opened.SessionOpenedFromFile);
}

TEST_F(SessionFileTest, MovedProjectFolderIsAskedFor) {
    const std::string file = SavedRun();
    const std::string moved = folder.Text() + "moved";
    fs::rename(project, moved);
    const std::string movedFile = moved + "/shop.lwa";
    const std::string warning = "Source directory \"" + project +
                                "\" does not exist. Please select the directory where session "
                                "files have been moved.";

    // Cancel: the folder stays as read.
    prompts.Answers = {SessionPrompts::Answer::Cancel};
    ASSERT_TRUE(PerformFileOpen(opened, movedFile));
    EXPECT_EQ(prompts.MessageTexts(), std::vector<std::string>{warning});
    EXPECT_EQ(opened.ProjectFolder, project);

    // OK, then a folder: the new folder, and the advice to save and open again.
    prompts.Messages.clear();
    prompts.Folders = {moved};
    ASSERT_TRUE(PerformFileOpen(opened, movedFile));
    EXPECT_EQ(opened.ProjectFolder, moved + "/");
    EXPECT_EQ(prompts.MessageTexts(),
              (std::vector<std::string>{warning, "Source Directory Changed!\r\nPlease save this "
                                                 "session in directory \"" +
                                                     moved + "/\" and re-open this session."}));
    EXPECT_EQ(prompts.Messages[1].IconKind, SessionPrompts::Kind::Information);
    EXPECT_EQ(opened.View.ListedFolder(), project.substr(0, project.size() - 1))
        << "the file list keeps the folder read until the session is opened again";

    // Saving writes the new folder into the file.
    prompts.FileNames.push_back(movedFile);
    ASSERT_TRUE(SaveSessionAs(opened));
    EXPECT_EQ(ParseSessionText(Plain(movedFile)).ProjectFolder, moved + "/");

    // OK, then no folder: the folder as read, never the program's own folder, where a later
    // run would write the project's files.
    prompts.Messages.clear();
    fs::rename(moved, folder.Text() + "moved-again");
    ASSERT_TRUE(PerformFileOpen(opened, folder.Text() + "moved-again/shop.lwa"));
    EXPECT_EQ(prompts.Messages.size(), 1u);
    EXPECT_EQ(opened.ProjectFolder, moved + "/");
}

// A session saved after its start page failed names no project folder. Opened again, it still
// has none: the root folder, where a later write would go, is not one.
TEST_F(SessionFileTest, SessionWithoutProjectFolderStaysWithout) {
    SessionRecord r;
    r.SiteFolders = {"http://host/"};
    Write(folder.Path() / "none.lwa", ScrambleText(FormatSessionText(r)));
    // Asked where the folder went: cancelled, or OK and then no folder chosen.
    for (const auto answer : {SessionPrompts::Answer::Cancel, SessionPrompts::Answer::Ok}) {
        prompts.Answers = {answer};
        ASSERT_TRUE(PerformFileOpen(opened, folder.Text() + "none.lwa"));
        EXPECT_EQ(opened.ProjectFolder, "");
    }
    prompts.FileNames.push_back(folder.Text() + "again.lwa");
    ASSERT_TRUE(SaveSessionAs(opened));
    EXPECT_EQ(ParseSessionText(Plain(folder.Text() + "again.lwa")).ProjectFolder, "");
}

TEST_F(SessionFileTest, SaveDialogNamesTheFile) {
    struct NameCase {
        std::optional<std::string> typed;
        bool complete;
        std::string expectedName;  // relative to the temporary folder; empty: unchanged
        bool written;
    };
    const NameCase cases[] = {
        {"plain", true, "plain.lwa", true},
        {"notes.txt", true, "notes.txt", true},
        {std::nullopt, true, "", false},
        {"early", false, "early.lwa", false},  // a new session: the name only
    };
    for (const auto& c : cases) {
        SessionState s{prompts};
        CompleteRun(s);
        s.SessionOpenedFromFile = true;
        s.SessionComplete = c.complete;
        prompts.FileNames = {c.typed ? std::optional(folder.Text() + *c.typed) : std::nullopt};
        const std::string before = s.SessionFileName;
        SaveSessionAs(s);
        const std::string expected = c.expectedName.empty() ? before : folder.Text() + c.expectedName;
        EXPECT_EQ(s.SessionFileName, expected);
        EXPECT_EQ(fs::exists(expected), c.written) << expected;
    }
}

TEST_F(SessionFileTest, ForcedSilentSave) {
    // During a run: nothing is written and the run's flags stay.
    CompleteRun(run);
    run.SessionComplete = false;
    EXPECT_FALSE(ForcedSilentSave(run));
    EXPECT_FALSE(run.SessionOpenedFromFile);
    EXPECT_FALSE(fs::exists(run.SessionFileName));
    EXPECT_TRUE(runPrompts.FileDialogCaptions.empty());

    // After an open: written under its own name without a dialog.
    const std::string file = SavedRun();
    ASSERT_TRUE(PerformFileOpen(opened, file));
    opened.View.SetRowAddress(1, "<FILE DELETED>***http://host/***");
    EXPECT_TRUE(ForcedSilentSave(opened));
    EXPECT_TRUE(prompts.FileDialogCaptions.empty());
    EXPECT_TRUE(opened.SessionOpenedFromFile);
    EXPECT_EQ(ParseSessionText(Plain(file)).Rows[0][1], "<FILE DELETED>***http://host/***");
}

TEST_F(SessionFileTest, FailedSaveKeepsThePreviousFile) {
    const std::string file = SavedRun();
    const std::string bytes = Read(file);
    run.View.ChangeRow(1, [](FileRow& row) { row.State = FileState::Ignored; });
    fs::permissions(project, fs::perms::owner_read | fs::perms::owner_exec);
    {
        NoPermissionOverride asOwner;
        const std::string probe = project + "probe";
        const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        if (fd >= 0) {
            ::close(fd);
            ::unlink(probe.c_str());
            GTEST_SKIP() << "this account can write anywhere";
        }
        EXPECT_FALSE(SaveSessionAs(run));
    }
    fs::permissions(project, fs::perms::owner_all);
    ASSERT_EQ(runPrompts.Messages.size(), 1u);
    EXPECT_EQ(runPrompts.Messages[0].Text,
              "Cannot create file \"" + file + "\". Permission denied");
    EXPECT_EQ(Read(file), bytes);
}

// A save onto a session file that may not be written fails with the system's message and
// leaves the file as it was, bits included: the rename that puts a save in place would replace
// it all the same. A file whose bits let nobody write it is refused also to an account that may
// override the bits.
struct ProtectedFileCase {
    const char* Label;
    fs::perms Mode;
    bool Saved;
    bool AsOwner;  // judged by the owner's bits alone (an overriding account gives them up)
};

class ProtectedSessionFile : public SessionFileTest,
                             public ::testing::WithParamInterface<ProtectedFileCase> {};

TEST_P(ProtectedSessionFile, SaveFollowsTheFilesPermission) {
    const ProtectedFileCase& c = GetParam();
    const std::string file = SavedRun();
    const std::string bytes = Read(file);
    run.View.ChangeRow(1, [](FileRow& row) { row.State = FileState::Ignored; });
    fs::permissions(file, c.Mode);
    bool saved = false;
    {
        std::optional<NoPermissionOverride> owner;
        if (c.AsOwner) {
            owner.emplace();
            // Written only where the bits are really held to (not as root with the override).
            const int fd = ::open(file.c_str(), O_WRONLY);
            if (fd >= 0) {
                ::close(fd);
                fs::permissions(file, fs::perms::owner_all);
                GTEST_SKIP() << "this account can write any file";
            }
        }
        saved = SaveSessionAs(run);
    }
    EXPECT_EQ(fs::status(file).permissions(), c.Mode) << "the file keeps its bits";
    fs::permissions(file, fs::perms::owner_all);
    EXPECT_EQ(saved, c.Saved);
    if (c.Saved) {
        EXPECT_TRUE(runPrompts.Messages.empty());
        EXPECT_EQ(ParseSessionText(Plain(file)).Rows[0][4], "Ignored");
    } else {
        ASSERT_EQ(runPrompts.Messages.size(), 1u);
        EXPECT_EQ(runPrompts.Messages[0].Text,
                  "Cannot write file \"" + file + "\". Permission denied");
        EXPECT_EQ(runPrompts.Messages[0].IconKind, SessionPrompts::Kind::Error);
        EXPECT_EQ(Read(file), bytes);
    }
    for (const auto& e : fs::directory_iterator(project))
        EXPECT_FALSE(IsPartialFileName(e.path().filename().string())) << e.path();
}

using fs::perms;
INSTANTIATE_TEST_SUITE_P(
    SessionFile, ProtectedSessionFile,
    ::testing::Values(
        ProtectedFileCase{"ReadOnlyForAll",
                          perms::owner_read | perms::group_read | perms::others_read, false, false},
        ProtectedFileCase{"OwnerOnlyReads", perms::owner_read, false, false},
        ProtectedFileCase{"OthersMayWriteButNotTheOwner",
                          perms::owner_read | perms::group_write | perms::others_write, false,
                          true},
        ProtectedFileCase{"OwnerWrites", perms::owner_read | perms::owner_write, true, false},
        ProtectedFileCase{
            "Usual",
            perms::owner_read | perms::owner_write | perms::group_read | perms::others_read, true,
            false}),
    [](const auto& info) { return std::string(info.param.Label); });

// Save Session As is the person's choice of a name: asked for also right after a run, whose
// file is otherwise written without a question; the run's own file stays as it was.
TEST_F(SessionFileTest, SaveSessionAsAlwaysAsksForTheName) {
    const std::string file = SavedRun();
    const std::string bytes = Read(file);
    runPrompts.FileNames = {std::nullopt, folder.Text() + "chosen"};
    EXPECT_FALSE(SaveSessionUnderChosenName(run)) << "cancelled";
    EXPECT_EQ(run.SessionFileName, file);
    EXPECT_TRUE(SaveSessionUnderChosenName(run));
    EXPECT_EQ(runPrompts.FileDialogCaptions.size(), 2u);
    EXPECT_EQ(run.SessionFileName, folder.Text() + "chosen.lwa");
    EXPECT_EQ(Plain(folder.Path() / "chosen.lwa"), Plain(file));
    EXPECT_EQ(Read(file), bytes);
}

// The run's own save of a record that cannot be written where it belongs: the person is told
// why and asked for another place, and the record goes there, or the failure stands.
struct RecordPlaceCase {
    const char* Label;
    SessionPrompts::Answer Answer;  // to "Save it in another place?"
    const char* Chosen;             // the name given in the save dialog; null: cancelled
    bool Saved;
    std::size_t Boxes;
};

class UnwritableRecord : public SessionFileTest,
                         public ::testing::WithParamInterface<RecordPlaceCase> {};

TEST_P(UnwritableRecord, ThePersonIsAskedWhereToSaveIt) {
    const RecordPlaceCase& c = GetParam();
    CompleteRun(run);
    const std::string blocked = run.SessionFileName;
    const std::string elsewhere = folder.Text() + "elsewhere.lwa";
    runPrompts.Answers = {c.Answer};
    if (c.Chosen == nullptr)
        runPrompts.FileNames = {std::nullopt};
    else
        runPrompts.FileNames = {std::string(c.Chosen) == "same" ? blocked : elsewhere};
    fs::permissions(project, fs::perms::owner_read | fs::perms::owner_exec);
    bool saved = false;
    {
        NoPermissionOverride asOwner;
        const int fd = ::open(blocked.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        if (fd >= 0) {
            ::close(fd);
            ::unlink(blocked.c_str());
            fs::permissions(project, fs::perms::owner_all);
            GTEST_SKIP() << "this account can write anywhere";
        }
        saved = SaveSessionRecord(run);
    }
    fs::permissions(project, fs::perms::owner_all);
    EXPECT_EQ(saved, c.Saved);
    EXPECT_FALSE(fs::exists(blocked));
    ASSERT_EQ(runPrompts.Messages.size(), c.Boxes);
    const std::string why = "Cannot create file \"" + blocked + "\". Permission denied";
    EXPECT_EQ(runPrompts.Messages[0].Text,
              why + "\r\n\r\nThe session file is not saved. Save it in another place?");
    EXPECT_EQ(runPrompts.Messages[0].IconKind, SessionPrompts::Kind::Error);
    EXPECT_EQ(runPrompts.Messages[0].ButtonSet, SessionPrompts::Buttons::OkCancel);
    if (c.Boxes > 1) {
        EXPECT_EQ(runPrompts.Messages[1].Text, why);  // the same place again
    }
    EXPECT_EQ(fs::exists(elsewhere), c.Saved);
    if (c.Saved) {
        EXPECT_EQ(run.SessionFileName, elsewhere);
        EXPECT_EQ(Plain(elsewhere), Expected(project));
    }
}

INSTANTIATE_TEST_SUITE_P(
    SessionFile, UnwritableRecord,
    ::testing::Values(
        RecordPlaceCase{"AnotherPlace", SessionPrompts::Answer::Ok, "elsewhere", true, 1},
        RecordPlaceCase{"Declined", SessionPrompts::Answer::Cancel, "elsewhere", false, 1},
        RecordPlaceCase{"NoNameGiven", SessionPrompts::Answer::Ok, nullptr, false, 1},
        RecordPlaceCase{"TheSamePlaceAgain", SessionPrompts::Answer::Ok, "same", false, 2}),
    [](const auto& info) { return std::string(info.param.Label); });

}  // namespace
