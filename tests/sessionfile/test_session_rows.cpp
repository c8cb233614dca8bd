#include <gtest/gtest.h>

#include "sessionfile/SessionRows.h"

namespace {

struct RowCase {
    SessionRowCells cells;
    FileRow row;
};

// Every word and number the program writes into a row's five lines, and the typed row it is.
const RowCase RowCases[] = {
    {{"1", "http://host/", "900", "900", "Complete"},
     {1, "http://host/", 900, 900, FileState::Complete, {}}},
    {{"2", "<FILE DELETED>***a.gif***", "10", "10", "Complete"},
     {2, "<FILE DELETED>***a.gif***", 10, 10, FileState::Complete, {}}},
    {{"3", "big.zip", "90000", "0", "Ignored"}, {3, "big.zip", 90000, 0, FileState::Ignored, {}}},
    {{"4", "b.gif", "0", "0", "Initiated.."}, {4, "b.gif", 0, 0, FileState::Initiated, {}}},
    {{"5", "c.gif", "900", "300", "Transferring.."},
     {5, "c.gif", 900, 300, FileState::Transferring, {}}},
    {{"6", "d.gif", "", "0", "Retrying.."}, {6, "d.gif", NoByteCount, 0, FileState::Retrying, {}}},
    {{"7", "Password protected file [p.html]", "Unknown", "0", "Retrieving.."},
     {7, "Password protected file [p.html]", UnknownByteCount, 0, FileState::Retrieving, {}}},
    {{"", "EMailAddress.html", "13", "13", "Complete"},
     {0, "EMailAddress.html", 13, 13, FileState::Complete, {}}},
    {{"", "", "", "", ""}, {}},
    // Counts beyond 32 bits stay whole.
    {{"8", "dvd.iso", "8589934592", "8589934592", "Complete"},
     {8, "dvd.iso", 8589934592, 8589934592, FileState::Complete, {}}},
};

class SessionRows : public ::testing::TestWithParam<RowCase> {};

}  // namespace

TEST_P(SessionRows, ReadIntoTheTypedRowAndWrittenBackUnchanged) {
    const RowCase& c = GetParam();
    EXPECT_EQ(SessionRowFromText(c.cells), c.row);
    EXPECT_EQ(SessionRowText(c.row), c.cells);
}

INSTANTIATE_TEST_SUITE_P(Words, SessionRows, ::testing::ValuesIn(RowCases));

// Texts the program never writes (a hand-edited file) read as empty cells; the address is kept
// as it stands, and the failure is never part of the file.
TEST(SessionRowsOther, UnknownTextsReadAsEmpty) {
    const FileRow row = SessionRowFromText({"x", "a b", "-5", "12kB", "complete"});
    EXPECT_EQ(row, (FileRow{0, "a b", NoByteCount, NoByteCount, FileState::None, {}}));
    FileRow failed{2, "a.gif", 0, 0, FileState::Ignored, "a.gif answered 404 Not Found"};
    EXPECT_EQ(SessionRowText(failed), (SessionRowCells{"2", "a.gif", "0", "0", "Ignored"}));
}
