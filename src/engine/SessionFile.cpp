#include "engine/SessionFile.h"

#include <QCoreApplication>
#include <algorithm>
#include <exception>
#include <filesystem>
#include <optional>
#include <set>
#include <system_error>

#include "core/FileBytes.h"
#include "engine/SessionState.h"
#include "sessionfile/SessionRows.h"
#include "sessionfile/SessionText.h"

namespace fs = std::filesystem;

namespace {

const char* const OpenCaption = "Open Existing Lanternway Session..";
const char* const SessionFilter = "Lanternway Session Files(*.lwa)|*.lwa|";
const char* const FolderCaption = "Select the directory where session files have been moved";

void ShowError(SessionPrompts& prompts, const std::string& text) {
    prompts.Message(text, SessionPrompts::Kind::Error, SessionPrompts::Buttons::Ok);
}

// The folder with its trailing "/". No folder stays no folder: it must not turn into the root.
std::string WithSlash(std::string folder) {
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder;
}

// The folder of the program's executable, with its trailing "/".
std::string ProgramFolder() {
    if (QCoreApplication::instance())
        return WithSlash(QCoreApplication::applicationDirPath().toStdString());
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return WithSlash(ec ? fs::current_path(ec).string() : exe.parent_path().string());
}

// The record without its grid rows: the writer reads those from the view (see SessionText).
SessionRecord RecordOf(const SessionState& session) {
    SessionRecord record;
    record.ProjectFolder = session.ProjectFolder;
    record.SiteFolders = session.SiteFolders.Items();
    record.StartedText = session.View.UpperStatusBar(0);
    for (int panel = 1; panel <= 4; ++panel)
        record.Statistics[static_cast<std::size_t>(panel - 1)] = session.View.LowerStatusBar(panel);
    record.Settings = session.Settings;
    if (session.Settings.CompleteCopy) {
        record.StartAddress = session.StartAddress;
        record.MirrorFiles.assign(session.MirrorFiles.begin(), session.MirrorFiles.end());
        // One order for one copy: the file does not change with the table's hashing.
        std::sort(record.MirrorFiles.begin(), record.MirrorFiles.end());
    }
    return record;
}

// The project folder named in the file is gone: ask where the project has been moved to.
void LocateMovedProjectFolder(SessionState& session) {
    SessionPrompts& prompts = session.Prompts();
    std::error_code ec;
    if (fs::is_directory(session.ProjectFolder, ec)) return;
    const auto answer = prompts.Message(
        "Source directory \"" + session.ProjectFolder +
            "\" does not exist. Please select the directory where session files have been moved.",
        SessionPrompts::Kind::Warning, SessionPrompts::Buttons::OkCancel);
    if (answer != SessionPrompts::Answer::Ok) return;
    // The choice starts in the program's folder; no choice leaves the folder as read, so that
    // a later run never writes the project's files among the program's own.
    const auto chosen = prompts.ChooseFolderFrom(FolderCaption, ProgramFolder());
    if (chosen && !chosen->empty()) {
        session.ProjectFolder = WithSlash(*chosen);
        prompts.Message("Source Directory Changed!\r\nPlease save this session in directory \"" +
                            session.ProjectFolder + "\" and re-open this session.",
                        SessionPrompts::Kind::Information, SessionPrompts::Buttons::Ok);
    }
    session.ProjectFolder = WithSlash(session.ProjectFolder);
}

// Rebuilds the session's state and views from a record that has been read whole.
void ApplyRecord(SessionState& session, const std::string& path, SessionRecord record) {
    SessionView& view = session.View;
    session.SessionLoading = true;
    view.RequestFileListClear();
    view.ClearSiteTree();
    session.SessionOpenedFromFile = true;

    session.SiteFolders.Clear();
    session.SessionFileName = path;
    session.UpdateCaption();

    session.ProjectFolder = record.ProjectFolder;
    std::string listed = session.ProjectFolder;
    if (!listed.empty() && listed.back() == '/') listed.pop_back();
    view.SetListedFolder(listed);

    const std::string& root = record.SiteFolders.front();
    session.SiteFolders.Add(root);
    view.SetSiteRoot(root);
    session.SiteBase = SiteBaseFromRoot(root);
    for (std::size_t i = 1; i < record.SiteFolders.size(); ++i) {
        session.SiteFolders.Add(record.SiteFolders[i]);
        view.AddSiteChild(record.SiteFolders[i]);
    }

    const int rows = static_cast<int>(record.Rows.size());
    view.SetGridRowCount(rows + 1);
    for (int r = 0; r < rows; ++r)
        view.SetRow(r + 1, SessionRowFromText(record.Rows[static_cast<std::size_t>(r)]));
    session.GridRowCount = rows + 1;

    view.SetUpperStatusBar(0, record.StartedText);
    for (int panel = 1; panel <= 4; ++panel)
        view.SetLowerStatusBar(panel, record.Statistics[static_cast<std::size_t>(panel - 1)]);

    // What the file keeps; the other settings are their defaults, so the session counts as a
    // copy of the entire site whatever the run chose.
    session.Settings = std::move(record.Settings);
    session.StartAddress = std::move(record.StartAddress);
    session.MirrorFiles.clear();
    for (auto& [address, localPath] : record.MirrorFiles)
        session.MirrorFiles.emplace(std::move(address), std::move(localPath));

    LocateMovedProjectFolder(session);

    session.SessionComplete = true;
    session.EnableDisableToolBarButtons();
    session.SessionLoading = false;
}

// Writes the session file under SessionFileName, whole or not at all; the reason when it was
// not written, otherwise empty (and the project list shows the site root's files).
std::string WriteSessionFile(SessionState& session) {
    SessionPrompts& prompts = session.Prompts();
    {
        BusyCursor busy(prompts);
        try {
            const SessionView& view = session.View;
            SessionRowCells cells;
            std::string text = FormatSessionText(
                RecordOf(session), static_cast<std::size_t>(view.GridRowCount() - 1),
                [&view, &cells](std::size_t row) -> const SessionRowCells& {
                    cells = SessionRowText(view.Row(static_cast<int>(row) + 1));
                    return cells;
                });
            ScrambleInPlace(text);
            // The rename would replace a read-only file all the same.
            RequireWritableTarget(session.SessionFileName);
            ReplaceFileBytes(session.SessionFileName, text, true);
        } catch (const std::exception& e) {
            return e.what();
        }
    }
    session.View.SetMessageLabel("");
    prompts.ProcessEvents();
    session.View.RequestSiteRootSelection();
    return {};
}

// The chosen session file name made absolute.
bool AskAbsoluteSessionFileName(SessionState& session) {
    if (!session.AskSessionFileName()) return false;
    std::error_code ec;
    const fs::path absolute = fs::absolute(session.SessionFileName, ec);
    if (!ec) session.SessionFileName = absolute.string();
    return true;
}

bool SaveSession(SessionState& session, bool askName) {
    if (askName && !AskAbsoluteSessionFileName(session)) return false;
    if (!session.SessionComplete) return true;
    const std::string failure = WriteSessionFile(session);
    if (failure.empty()) return true;
    ShowError(session.Prompts(), failure);
    return false;
}

}  // namespace

bool SaveSessionAs(SessionState& session) {
    return SaveSession(session, !session.SessionComplete || session.SessionOpenedFromFile);
}

bool SaveSessionUnderChosenName(SessionState& session) {
    return SaveSession(session, true);
}

bool SaveSessionRecord(SessionState& session) {
    if (!session.SessionComplete) return false;
    SessionPrompts& prompts = session.Prompts();
    std::set<std::string> failedNames;
    for (;;) {
        const std::string failure = WriteSessionFile(session);
        if (failure.empty()) return true;
        // A place that failed already is tried once more (room may have been made meanwhile),
        // and then the person has been told enough.
        if (!failedNames.insert(session.SessionFileName).second) {
            ShowError(prompts, failure);
            return false;
        }
        const auto answer = prompts.Message(
            failure + "\r\n\r\nThe session file is not saved. Save it in another place?",
            SessionPrompts::Kind::Error, SessionPrompts::Buttons::OkCancel);
        if (answer != SessionPrompts::Answer::Ok || !AskAbsoluteSessionFileName(session))
            return false;
    }
}

bool ForcedSilentSave(SessionState& session) {
    // A deletion during a run: the record is not final yet, and turning SessionOpenedFromFile on
    // would change how the rest of the run maps its links.
    if (!session.SessionComplete) return false;
    const bool saved = SaveSessionRecord(session);
    session.SessionOpenedFromFile = true;
    return saved;
}

bool OpenSession(SessionState& session) {
    const auto chosen = session.Prompts().OpenFileName(OpenCaption, SessionFilter);
    if (!chosen || chosen->empty()) return false;
    std::error_code ec;
    const fs::path absolute = fs::absolute(*chosen, ec);
    return PerformFileOpen(session, ec ? *chosen : absolute.string());
}

bool PerformFileOpen(SessionState& session, const std::string& path) {
    SessionPrompts& prompts = session.Prompts();
    SessionView& view = session.View;
    view.NotifySessionOpenStarted();
    std::optional<BusyCursor> busy(std::in_place, prompts);
    prompts.WaitShow("Please Wait.", "Loading Session..");
    prompts.WaitPicture(0);

    // The file is unscrambled in memory and read whole before anything of the current session
    // is replaced: a damaged file changes neither the session nor the file.
    SessionRecord record;
    std::string failure;
    try {
        record = ParseSessionText(UnscrambleText(ReadFileBytes(path)));
    } catch (const SessionFileError& e) {
        failure = "\"" + path + "\" is not a readable session file: " + e.what() + ".";
    } catch (const std::exception& e) {
        failure = e.what();
    }

    if (failure.empty()) {
        view.SetUpperStatusBar(0, "Session Started On: ");
        view.SetUpperStatusBar(1, "Contents Of: ");
        ApplyRecord(session, path, std::move(record));
        prompts.WaitPicture(1);
        prompts.Pause(100);
        prompts.WaitPicture(2);
        prompts.Pause(250);
        view.EnableSaveAsBtn();
    }

    prompts.WaitClose();
    view.NotifySessionOpenFinished();
    session.StartedText = view.UpperStatusBar(0);
    prompts.ProcessEvents();
    view.RequestSiteRootSelection();
    view.SelectRow(1);
    busy.reset();
    if (!failure.empty()) {
        ShowError(prompts, failure);
        return false;
    }
    return true;
}
