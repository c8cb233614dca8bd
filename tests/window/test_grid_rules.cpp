#include <gtest/gtest.h>

#include <fstream>

#include "core/SessionFields.h"
#include "engine/SessionView.h"
#include "support/QtApp.h"
#include "support/TempFolder.h"
#include "window/GridRules.h"
#include "support/RowCells.h"

namespace {

constexpr int None = NoColour;
constexpr int Purple = GridColours::Purple;
constexpr int Red = GridColours::Red;
constexpr int Yellow = GridColours::Yellow;
constexpr int Blue = GridColours::Blue;

struct Rows {
    Rows() {
        EnsureQtApp();
        view.SetGridRowCount(2);
    }
    SessionView view;
};

const char* const Site = "http://host/";

}  // namespace

// Which colour each column of a row gets, for a given State and selection. Columns 1-4 look
// "four to the right" outside the grid, so only their own text and the row rules count.
TEST(GridColour, StatesAndSelection) {
    struct Case {
        const char* file;
        FileState state;
        bool selected;
        int colours[5];
    } cases[] = {
        {"a.html", FileState::Complete, false, {None, None, None, None, None}},
        {"a.html", FileState::Complete, true, {Blue, Blue, Blue, Blue, Blue}},
        {"a.html", FileState::None, false, {None, None, None, None, None}},
        {"a.html", FileState::Retrying, true, {Blue, Blue, Blue, Blue, Blue}},
        {"a.html", FileState::Retrieving, true, {Yellow, Yellow, Yellow, Yellow, Yellow}},
        {"a.html", FileState::Initiated, true, {Purple, Purple, Purple, Purple, Purple}},
        {"a.html", FileState::Transferring, false, {Purple, Purple, Purple, Purple, Purple}},
        // An ignored file shows its number and its State in red; all red while selected.
        {"a.zip", FileState::Ignored, false, {Red, None, None, None, Red}},
        {"a.zip", FileState::Ignored, true, {Red, Red, Red, Red, Red}},
        // A deleted file is red whatever its state, selected or not.
        {"<FILE DELETED>***a.gif***", FileState::Complete, false, {Red, Red, Red, Red, Red}},
        {"<FILE DELETED>***a.gif***", FileState::Complete, true, {Red, Red, Red, Red, Red}},
    };
    for (const Case& c : cases) {
        Rows rows;
        rows.view.SetRow(1, FileRow{1, c.file, 10, 10, c.state, {}});
        for (int column = 0; column < 5; ++column)
            EXPECT_EQ(GridTextColour(rows.view, 1, column, c.selected ? 1 : 0), c.colours[column])
                << c.file << " state " << static_cast<int>(c.state) << " column " << column;
    }
}

TEST(GridColour, AnIgnoredTextInAnyCellIsRed) {
    Rows rows;
    rows.view.SetRow(1, FileRow{1, "Ignored", 10, 0, FileState::Complete, {}});
    EXPECT_EQ(GridTextColour(rows.view, 1, 1, 0), Red);
    EXPECT_EQ(GridTextColour(rows.view, 1, 2, 0), None);
}

TEST(GridRows, LocalNameAndAddress) {
    struct Case {
        int row;
        const char* file;
        const char* localName;
        const char* address;
    } cases[] = {
        {1, Site, "Main.html", Site},
        {1, "whatever.html", "Main.html", "http://host/whatever.html"},
        {2, "http://HOST/", "Main.html", "http://HOST/"},
        {2, "images/logo.gif", "logo.gif", "http://host/images/logo.gif"},
        {2, "/images/logo.gif", "logo.gif", "http://host/images/logo.gif"},
        {2, "ftp://files.host/pub/a.zip", "a.zip", "ftp://files.host/pub/a.zip"},
        {2, "http://other/b.gif", "b.gif", "http://other/b.gif"},
        {2, "<FILE DELETED>***docs/page.html***", "", "http://host/docs/page.html"},
        {2, "<FILE DELETED>***ftp://f/a.zip***", "", "ftp://f/a.zip"},
        {2, "", "", Site},
        {2, "https://cdn.host/a.gif", "", "https://cdn.host/a.gif"},
        {2, "HTTPS://cdn.host/a.gif", "", "HTTPS://cdn.host/a.gif"},
        {2, "<FILE DELETED>***https://cdn.host/b.gif***", "", "https://cdn.host/b.gif"},
        // Not a scheme in front of "://": a path of this site.
        {2, "cgi/go?to=http://x/", "", "http://host/cgi/go?to=http://x/"},
    };
    for (const Case& c : cases) {
        Rows rows;
        rows.view.SetGridRowCount(3);
        rows.view.SetRow(c.row, RowOf({"", c.file, "1", "1", "Complete"}));
        SessionFields s;
        s.SiteBase = Site;
        s.SessionOpenedFromFile = true;  // names as they stand
        EXPECT_EQ(RowAddress(rows.view, c.row, s), c.address) << c.file;
        if (*c.localName) {
            EXPECT_EQ(RowLocalName(rows.view, c.row, s), c.localName) << c.file;
        }
    }
}

TEST(GridRows, DeletionMarkerRoundTrip) {
    EXPECT_EQ(MarkDeleted("a/b.gif"), "<FILE DELETED>***a/b.gif***");
    EXPECT_EQ(WithoutDeletedMarker(MarkDeleted("a/b.gif")), "a/b.gif");
    EXPECT_EQ(WithoutDeletedMarker("plain.gif"), "plain.gif");
    EXPECT_EQ(WithoutDeletedMarker("<FILE DELETED>***"), "");  // too short for its closing
}

TEST(GridPopup, EnablingFollowsFileStateAndText) {
    TempFolder project;
    std::ofstream(project.Path() / "Main.html") << "x";
    std::ofstream(project.Path() / "logo.gif") << "x";
    struct Case {
        int row;
        const char* file;
        const char* state;
        bool fileItems;
        bool addressItems;
    } cases[] = {
        {1, Site, "Complete", true, true},
        {2, "images/logo.gif", "Complete", true, true},
        {2, "images/logo.gif", "complete", false, true},  // State must match exactly
        {2, "images/logo.gif", "Transferring..", false, true},
        {2, "images/gone.gif", "Complete", false, true},  // no file on disk
        {2, "<FILE DELETED>***images/logo.gif***", "Complete", false, true},
        {2, "EMailAddress.html", "Complete", false, false},
        {2, "", "", false, false},
    };
    for (const Case& c : cases) {
        Rows rows;
        rows.view.SetGridRowCount(3);
        rows.view.SetRow(c.row, RowOf({"", c.file, "1", "1", c.state}));
        SessionFields s;
        s.SiteBase = Site;
        s.ProjectFolder = project.Text();
        s.SessionOpenedFromFile = true;
        const GridPopupState enabled = GridPopupEnabling(rows.view, c.row, s);
        EXPECT_EQ(enabled.FileItems, c.fileItems) << c.file << " " << c.state;
        EXPECT_EQ(enabled.AddressItems, c.addressItems) << c.file << " " << c.state;
    }
    // The e-mail page row exists on disk too, but has no address.
    std::ofstream(project.Path() / "EMailAddress.html") << "x";
    Rows rows;
    rows.view.SetGridRowCount(3);
    rows.view.SetRow(2, RowOf({"", "EMailAddress.html", "1", "1", "Complete"}));
    SessionFields s;
    s.SiteBase = Site;
    s.ProjectFolder = project.Text();
    s.SessionOpenedFromFile = true;
    EXPECT_FALSE(GridPopupEnabling(rows.view, 2, s).AddressItems);
}

namespace {

// A finished session's grid: the start page, root files, a folder's files, odd rows.
void FillSession(SessionView& view) {
    const RowCells rows[] = {
        {"1", Site, "100", "100", "Complete"},
        {"2", "a.html", "10", "10", "Complete"},
        {"3", "images/logo.gif", "10", "10", "Complete"},
        {"4", "images/empty.gif", "0", "0", "Complete"},
        {"5", "images/big.zip", "10", "0", "Ignored"},
        {"6", "<FILE DELETED>***b.html***", "10", "10", "Complete"},
        {"7", "IMAGES/upper.gif", "10", "10", "Complete"},
        {"8", "c.html", "10", "10", "Transferring.."},
        {"9", "ftp://f.host/pub/a.zip", "10", "10", "Complete"},
        {"10", "images/nosize.gif", "10", "", "Complete"},
        {"11", "index.html", "10", "10", "Complete"},
    };
    view.SetGridRowCount(12);
    for (int r = 0; r < 11; ++r) view.SetRow(r + 1, RowOf(rows[r]));
}

}  // namespace

TEST(TreeNarrowing, WantedNamesPerNode) {
    Rows rows;
    FillSession(rows.view);
    SessionFields s;
    s.SiteBase = Site;
    s.SessionOpenedFromFile = true;
    using Names = std::vector<std::string>;
    EXPECT_EQ(WantedFileNames(rows.view, true, "", s),
              (Names{"Main.html", "a.html", "index.html", "main1.html"}));
    EXPECT_EQ(WantedFileNames(rows.view, false, "images/", s), (Names{"logo.gif", "upper.gif"}));
    EXPECT_EQ(WantedFileNames(rows.view, false, "ftp://f.host/pub/", s), (Names{"a.zip"}));
    EXPECT_EQ(WantedFileNames(rows.view, false, "nothing/", s), Names{});
}

TEST(TreeNarrowing, FileToGridRow) {
    Rows rows;
    FillSession(rows.view);
    rows.view.SetGridRowCount(13);
    rows.view.SetRow(12, RowOf({"12", "other/logo.gif", "10", "10", "Complete"}));
    SessionFields s;
    s.SiteBase = Site;
    s.SessionOpenedFromFile = true;
    EXPECT_EQ(GridRowOfFile(rows.view, "MAIN.HTML", s), 1);
    EXPECT_EQ(GridRowOfFile(rows.view, "LOGO.GIF", s), 12);  // the last matching row
    EXPECT_EQ(FirstGridRowOfFile(rows.view, "logo.gif", s), 3);
    EXPECT_EQ(GridRowOfFile(rows.view, "none.gif", s), 0);
}

TEST(GridRows, AStartPageStoredUnderItsOwnNameIsFound) {
    // Search Only Current Page with http://host/docs/guide.html keeps the name guide.html.
    TempFolder project;
    std::ofstream(project.Path() / "guide.html") << "x";
    std::ofstream(project.Path() / "chapter2.html") << "x";
    Rows rows;
    rows.view.SetGridRowCount(3);
    rows.view.SetRow(1, RowOf({"1", "guide.html", "1", "1", "Complete"}));
    rows.view.SetRow(2, RowOf({"2", "chapter2.html", "1", "1", "Complete"}));
    SessionFields s;
    s.SiteBase = "http://host/docs/";
    s.ProjectFolder = project.Text();
    s.SessionOpenedFromFile = true;
    EXPECT_EQ(RowLocalName(rows.view, 1, s), "guide.html");
    EXPECT_TRUE(GridPopupEnabling(rows.view, 1, s).FileItems);
    EXPECT_EQ(WantedFileNames(rows.view, true, "", s),
              (std::vector<std::string>{"guide.html", "chapter2.html"}));
    // With a Main.html in the folder, row 1 is Main.html as always.
    std::ofstream(project.Path() / "Main.html") << "x";
    EXPECT_EQ(RowLocalName(rows.view, 1, s), "Main.html");
}
