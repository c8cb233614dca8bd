#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine/ConvertProjectFiles.h"
#include "engine/SessionFile.h"
#include "sessionfile/SessionText.h"
#include "support/SessionHarness.h"
#include "support/RowCells.h"

namespace fs = std::filesystem;

namespace {

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// A whole session with the program's own conversion and session file: the transfers are played
// by the test, everything after them is real.
class CompletedSessionTest : public ::testing::Test, public SessionHarness {
protected:
    void SetUp() override {
        engine.ConvertFiles = ConvertProjectFiles;
        engine.SaveSession = SaveSessionRecord;
    }

    // Main.html links a page, an image in a folder, a page that never arrives and another site.
    void Run() {
        ASSERT_TRUE(Start());
        Deliver(Running().at(0),
                "<HTML><BODY BACKGROUND=\"images/bg.gif\">\n"
                "<A HREF=\"http://127.0.0.1:9/about.html\"\n   TITLE=\"About\">About us</A>\n"
                "<A HREF=\"lost.html\">Lost</A> <A HREF=\"http://elsewhere.example/\">Friends</A>\n"
                "<IMG WIDTH=10 SRC=\"images/logo.gif\"></BODY></HTML>");
        ASSERT_TRUE(Worker("about.html") && Worker("bg.gif") && Worker("logo.gif") &&
                    Worker("lost.html"));
        Deliver(Worker("about.html"), "<A HREF=\"/\">Home</A> <IMG SRC='images/logo.gif'>\n");
        Deliver(Worker("bg.gif"), "GIF89a-bg");
        Deliver(Worker("logo.gif"), "GIF89a-logo");
        Fail(Worker("lost.html"));
        ReleaseClosed();
    }

    std::string Project() const { return state.ProjectFolder; }
};

TEST_F(CompletedSessionTest, PagesPointAtRetrievedFilesAndTheSessionOpensAgain) {
    Run();
    ASSERT_TRUE(state.SessionComplete);
    EXPECT_EQ(Read(Project() + "Main.html"),
              "<HTML><BODY BACKGROUND=\"bg.gif\">\r\n"
              "<A HREF=\"about.html\"   TITLE=\"About\">About us</A>\r\n"
              "<A HREF=\"lost.html\">* Lost *</A> <A HREF=\"http://elsewhere.example/\">* Friends *</A>\r\n"
              "<IMG WIDTH=10 SRC=\"logo.gif\"></BODY></HTML>\r\n");
    EXPECT_EQ(Read(Project() + "about.html"),
              "<A HREF=\"/\">* Home *</A> <IMG SRC='logo.gif'>\r\n")
        << "the site root's own name, main1.html, was never retrieved";
    EXPECT_EQ(Read(Project() + "logo.gif"), "GIF89a-logo");
    EXPECT_TRUE(state.KnownFiles.Empty());

    // The session file was written silently, and opens with the same grid, tree and statistics.
    EXPECT_TRUE(prompts.FileDialogCaptions.size() == 1) << "only the name at the start";
    const std::string file = state.SessionFileName;
    ASSERT_TRUE(fs::exists(file));
    const std::string bytes = Read(file);
    ScriptedPrompts openPrompts;
    SessionState opened{openPrompts};
    ASSERT_TRUE(PerformFileOpen(opened, file));
    EXPECT_EQ(Read(file), bytes);
    ASSERT_EQ(opened.View.GridRowCount(), state.View.GridRowCount());
    for (int r = 0; r < state.View.GridRowCount(); ++r)
        EXPECT_EQ(Cells(opened.View.Row(r)), Cells(state.View.Row(r))) << r;
    EXPECT_EQ(opened.View.SiteRootText(), state.View.SiteRootText());
    EXPECT_EQ(opened.View.SiteChildren(), state.View.SiteChildren());
    EXPECT_EQ(opened.View.SiteChildren(), std::vector<std::string>{"images/"});
    EXPECT_EQ(opened.View.UpperStatusBar(0), state.View.UpperStatusBar(0));
    for (int panel = 1; panel <= 4; ++panel)
        EXPECT_EQ(opened.View.LowerStatusBar(panel), state.View.LowerStatusBar(panel)) << panel;
    EXPECT_EQ(opened.ProjectFolder, state.ProjectFolder);
    EXPECT_EQ(opened.SiteBase, "http://127.0.0.1:9/");
}

// Links that differ only in letter case are one file to the run, stored under the spelling met
// first; every spelling of them points at that file after the conversion, on the page that
// names them and on the pages retrieved later.
TEST_F(CompletedSessionTest, LinksSpelledInAnotherCasePointAtTheStoredFile) {
    ASSERT_TRUE(Start());
    Deliver(Running().at(0),
            "<HTML><IMG SRC=\"LOGO.gif\"> <IMG SRC=\"logo.gif\">\n"
            "<A HREF=\"page2.html\">Two</A> <A HREF=\"Page2.html\">Again</A>\n"
            "<EMBED SRC=\"Logo.GIF\"></HTML>");
    ASSERT_EQ(Running().size(), 2u) << "one worker per file, whatever the case";
    ASSERT_TRUE(Worker("LOGO.gif") && Worker("page2.html"));
    Deliver(Worker("LOGO.gif"), "GIF89a-logo");
    Deliver(Worker("page2.html"), "<A HREF=\"PAGE2.HTML\">Self</A><IMG SRC=\"logo.GIF\">");
    ReleaseClosed();
    ASSERT_TRUE(state.SessionComplete);

    EXPECT_EQ(Read(Project() + "Main.html"),
              "<HTML><IMG SRC=\"LOGO.gif\"> <IMG SRC=\"LOGO.gif\">\r\n"
              "<A HREF=\"page2.html\">Two</A> <A HREF=\"page2.html\">Again</A>\r\n"
              "<EMBED SRC=\"LOGO.gif\"></HTML>\r\n");
    EXPECT_EQ(Read(Project() + "page2.html"),
              "<A HREF=\"page2.html\">Self</A><IMG SRC=\"LOGO.gif\">\r\n");
}

TEST_F(CompletedSessionTest, ConversionThatFailsStillLeavesTheSessionFile) {
    engine.ConvertFiles = [](SessionState& s) {
        s.Prompts().Message("Cannot open file \"x\". Permission denied",
                            SessionPrompts::Kind::Error, SessionPrompts::Buttons::Ok);
        return false;
    };
    Run();
    ASSERT_TRUE(state.SessionComplete);
    // What was retrieved is on record, written before the conversion began.
    const SessionRecord saved = ParseSessionText(UnscrambleText(Read(state.SessionFileName)));
    EXPECT_EQ(static_cast<int>(saved.Rows.size()), state.View.GridRowCount() - 1);
    EXPECT_TRUE(state.View.Buttons().RetrieveBtn) << "a new session can still be started";
    EXPECT_TRUE(state.View.Buttons().OpenBtn);
    EXPECT_FALSE(state.View.Buttons().StopBtn);
}

}  // namespace
