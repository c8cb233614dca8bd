// The session-file reader on arbitrary bytes. Opening a file gives either an error, with the
// current session left exactly as it was, or a session whose grid, site folders and statistics
// are the file's record; either way the file's bytes are unchanged. A record that was read
// writes back to a text that reads as the same record.

#include <unistd.h>

#include <QCoreApplication>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "FuzzChecks.h"
#include "core/SessionPrompts.h"
#include "engine/SessionFile.h"
#include "engine/SessionState.h"
#include "sessionfile/SessionRows.h"
#include "sessionfile/SessionText.h"

namespace {

// Answers every box with its first button but never picks another project folder.
class QuietPrompts : public SessionPrompts {
  public:
    Answer Message(const std::string&, Kind, Buttons buttons) override {
        ++Messages;
        return buttons == Buttons::OkCancel ? Answer::Cancel : Answer::Ok;
    }
    std::optional<std::string> SaveFileName(const std::string&, const std::string&,
                                            const std::string&) override {
        return std::nullopt;
    }
    int Messages = 0;
};

bool operator==(const SessionRecord& a, const SessionRecord& b) {
    return a.ProjectFolder == b.ProjectFolder && a.SiteFolders == b.SiteFolders &&
           a.Rows == b.Rows && a.StartedText == b.StartedText && a.Statistics == b.Statistics;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A folder of this process for the file, in memory when the system offers it (a disk would set
// the pace), removed at exit.
struct FuzzFolder {
    FuzzFolder()
        : Path((std::filesystem::is_directory("/dev/shm")
                    ? std::filesystem::path("/dev/shm")
                    : std::filesystem::temp_directory_path()) /
               ("lanternway-fuzz-" + std::to_string(getpid()))) {
        std::filesystem::create_directories(Path);
    }
    ~FuzzFolder() {
        std::error_code ec;
        std::filesystem::remove_all(Path, ec);
    }
    std::filesystem::path Path;
};

const std::string& FilePath() {
    static const FuzzFolder folder;
    static const std::string path = (folder.Path / "session.lwa").string();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static int argc = 1;
    static char name[] = "fuzz_session_file";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);

    const std::string bytes(reinterpret_cast<const char*>(data), size);
    FUZZ_CHECK(ScrambleText(UnscrambleText(bytes)) == bytes);

    // The text level: a record, or the reader's own error.
    bool readable = false;
    SessionRecord record;
    try {
        record = ParseSessionText(UnscrambleText(bytes));
        readable = true;
    } catch (const SessionFileError&) {
    }
    if (readable) {
        FUZZ_CHECK(!record.SiteFolders.empty());
        FUZZ_CHECK(ParseSessionText(FormatSessionText(record)) == record);
    }

    // The file level, over a session that already shows something.
    const std::string& path = FilePath();
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    QuietPrompts prompts;
    SessionState session(prompts);
    session.ProjectFolder = "/earlier/project/";
    session.SiteFolders.Add("http://earlier.example/");
    session.View.SetGridRowCount(3);
    session.View.SetRow(1, FileRow{1, "a.html", 10, 10, FileState::Complete, {}});
    session.View.SetRow(2, FileRow{2, "b.gif", 20, 20, FileState::Complete, {}});
    session.View.SetLowerStatusBar(1, "Files Read: 2");

    const bool opened = PerformFileOpen(session, path);
    FUZZ_CHECK(ReadAll(path) == bytes);
    FUZZ_CHECK(opened == readable);
    if (!opened) {
        FUZZ_CHECK(prompts.Messages == 1);
        FUZZ_CHECK(session.ProjectFolder == "/earlier/project/");
        FUZZ_CHECK(session.SiteFolders.Count() == 1);
        FUZZ_CHECK(session.View.GridRowCount() == 3);
        FUZZ_CHECK(session.View.Row(2).Address == "b.gif");
        FUZZ_CHECK(session.View.LowerStatusBar(1) == "Files Read: 2");
        return 0;
    }
    FUZZ_CHECK(session.View.GridRowCount() == static_cast<int>(record.Rows.size()) + 1);
    for (std::size_t r = 0; r < record.Rows.size(); ++r) {
        // Each row reads into its typed form, and writes back as the texts it reads from.
        const FileRow& row = session.View.Row(static_cast<int>(r) + 1);
        FUZZ_CHECK(row == SessionRowFromText(record.Rows[r]));
        FUZZ_CHECK(SessionRowFromText(SessionRowText(row)) == row);
    }
    FUZZ_CHECK(session.View.LowerStatusBar(1) == record.Statistics[0]);
    FUZZ_CHECK(session.View.SiteRootText() == record.SiteFolders.front());
    FUZZ_CHECK(session.SessionComplete);
    return 0;
}
