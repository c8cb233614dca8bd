#include "engine/SessionState.h"

#include <QDateTime>
#include <QLocale>
#include <filesystem>
#include <system_error>

#include "core/Addresses.h"
#include "core/AppTitle.h"
#include "core/FileNames.h"
#include "core/Text.h"

namespace fs = std::filesystem;

namespace {

const char* const SaveCaption = "Save Lanternway Session As ..";
const char* const SessionFilter = "Lanternway Session Files(*.lwa)|*.lwa|";

}  // namespace

std::int64_t FreeDiskBytes(const std::string& path) {
    std::error_code ec;
    fs::path probe = path.empty() ? fs::current_path(ec) : fs::path(path);
    while (!probe.empty()) {
        auto info = fs::space(probe, ec);
        if (!ec) return static_cast<std::int64_t>(info.available);
        if (probe == probe.parent_path()) break;
        probe = probe.parent_path();
    }
    return 0;
}

SessionState::SessionState(SessionPrompts& prompts, QObject* parent)
    : QObject(parent), prompts_(&prompts) {
    SessionClock.setInterval(1000);
}

void SessionState::UpdateCaption() {
    View.SetCaption(SessionFileName.empty() ? std::string(AppTitle)
                                            : SessionFileName + " - " + AppTitle);
}

void SessionState::ShowQueuedCount() {
    View.SetLowerStatusBar(0, "Files Added in Queue: " + std::to_string(QueuedCount));
}

void SessionState::TellNotRetrieved(int row, const std::string& reason) {
    View.SetRowFailure(row, reason);
    View.SetMessageLabel(reason);
    prompts_->FileNotRetrieved(reason);
}

bool SessionState::AskSessionFileName() {
    auto chosen = prompts_->SaveFileName(SaveCaption, SessionFilter, SessionFileName);
    if (!chosen || chosen->empty()) return false;
    std::string name = *chosen;
    if (FileExtension(name).empty()) name += ".lwa";
    SessionFileName = name;
    return true;
}

bool SessionState::InitializeVariables(const SessionSettings& settings) {
    SessionFileName.clear();
    SessionComplete = false;
    SessionOpenedFromFile = false;
    ProtectedFetchActive = false;
    FirstPageParsed = false;

    if (!AskSessionFileName() && !AskSessionFileName()) return false;

    // The project folder is the session file's name without its extension, beside it.
    fs::path chosen(SessionFileName);
    std::string stem = chosen.filename().string();
    if (auto dot = stem.rfind('.'); dot != std::string::npos) stem.erase(dot);
    if (stem.empty() || stem == "." || stem == "..") {
        // Without a name of its own the project folder would be the folder the session file
        // was put in (or the one above), and the copy would land among what is there.
        prompts_->Message("The session file \"" + SessionFileName +
                              "\" needs a name before its extension: the project folder is "
                              "named after it.",
                          SessionPrompts::Kind::Error, SessionPrompts::Buttons::Ok);
        SessionFileName.clear();
        return false;
    }
    fs::path folder = chosen.parent_path() / stem;
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec || !fs::is_directory(folder)) {
        prompts_->Message("Cannot create the project folder " + folder.string() + ": " +
                              (ec ? ec.message() : std::string("not a folder")),
                          SessionPrompts::Kind::Error, SessionPrompts::Buttons::Ok);
        SessionFileName.clear();
        return false;
    }
    ProjectFolder = folder.string();
    if (ProjectFolder.empty() || ProjectFolder.back() != '/') ProjectFolder += '/';
    SessionFileName = ProjectFolder + chosen.filename().string();
    UpdateCaption();

    Settings = settings;
    SiteBase = Settings.MainURL;
    DiskSpaceFloor =
        FreeDiskBytes(ProjectFolder) - std::int64_t{Settings.MinimumDiskSpace} * 1024000;
    MirrorFiles.clear();
    OtherFileExtensions.clear();
    if (Settings.RetrieveOtherFiles) ParseOtherFileTypes(Settings.OtherFileTypes, *this);

    FilesRead = 0;
    QueuedCount = 0;
    ElapsedSeconds = 1;
    RunningThreads = 1;
    BytesReceived = 0;
    GridRowCount = 1;
    ClockStartedAt = std::chrono::steady_clock::now();
    ClockSecondsCounted = 0;
    SessionClock.start();
    StopRequested = false;
    FirstContactPending = true;
    return true;
}

void SessionState::InitializeStringLists() {
    ClearPending();
    KnownFiles.Clear();
    // Read once: the link scan asks whether each new link's file is on disk already.
    ProjectFiles.Take(ProjectFolder);
    SiteFolders.Clear();
    DiscardedFiles.clear();
    EMailPage.clear();
    EMailPageExists = Settings.CollectEMailAddresses;
    if (Settings.CollectEMailAddresses) EMailPage.push_back("<html>");

    std::string firstFile = ProjectFolder + "Main.html";
    if (!Settings.SearchEntireSite) {
        const std::string pseudo = UrlToPseudoPath(SiteBase);
        if (!PseudoExtension(pseudo).empty()) {
            firstFile = ProjectFolder + PseudoFileName(pseudo);
            AppendPending(SiteBase, firstFile);
            KnownFiles.Add(firstFile);
            SiteBase = UrlDirectory(SiteBase) + "/";
            return;
        }
    }
    AppendPending(SiteBase, firstFile);
    KnownFiles.Add(firstFile);
}

void SessionState::InitializeMessages() {
    View.SetThreadCountLabel(std::to_string(RunningThreads));
    View.SetUpperStatusBar(1, "Contents of: ");
    ShowQueuedCount();
    View.SetLowerStatusBar(1, "Files Read: 0");
    View.SetLowerStatusBar(2, "Bytes Received: 0");
    View.SetLowerStatusBar(3, "Retrieval Speed: 0.0 KB/s");
    View.SetLowerStatusBar(4, "Time Elapsed: 00:00");
    StartedText = SessionStartedText(QDateTime::currentDateTime(), QLocale());
    View.SetUpperStatusBar(0, StartedText);
    View.ClearDataRows();
}

void SessionState::EnableDisableToolBarButtons() {
    const bool running = Running();
    std::error_code ec;
    SessionView::ButtonStates b;
    b.OpenBtn = !running;
    b.RetrieveBtn = !running;
    b.StopBtn = running;
    b.OpenProjectFolderBtn = !ProjectFolder.empty();
    b.QuickHTMLViewerBtn = running || (FileListHasItems && FileListHasItems());
    std::string startPage = "Main.html";
    if (Settings.CompleteCopy) {
        const auto start = MirrorFiles.find(StartAddress);
        startPage = start == MirrorFiles.end() ? std::string() : start->second;
    }
    b.BrowseBtn = SessionComplete && !ProjectFolder.empty() && !startPage.empty() &&
                  fs::exists(ProjectFolder + startPage, ec);
    b.EMailBtn = SessionComplete && !ProjectFolder.empty() &&
                 fs::exists(ProjectFolder + "EMailAddress.html", ec);
    View.SetButtons(b);
}

namespace {

// A time format without its time-zone fields ("t" to "tttt", outside quoted text), and without
// the separators they leave at the end.
QString WithoutTimeZone(const QString& format) {
    QString kept;
    bool quoted = false;
    for (QChar c : format) {
        if (c == u'\'') quoted = !quoted;
        if (!quoted && c == u't') continue;
        kept += c;
    }
    while (!kept.isEmpty() && (kept.back().isSpace() || kept.back() == u',')) kept.chop(1);
    return kept.trimmed();
}

}  // namespace

std::string ElapsedTimeText(std::int64_t seconds) {
    const auto twoDigitsAtLeast = [](std::int64_t n) {
        std::string text = std::to_string(n);
        if (text.size() < 2) text.insert(text.begin(), '0');
        return text;
    };
    return "Time Elapsed: " + twoDigitsAtLeast(seconds / 60) + ":" + twoDigitsAtLeast(seconds % 60);
}

std::string SessionStartedText(const QDateTime& when, const QLocale& locale) {
    const QString time =
        locale.toString(when.time(), WithoutTimeZone(locale.timeFormat(QLocale::LongFormat)));
    return "Session Started On: " +
           (locale.toString(when.date(), QLocale::ShortFormat) + " " + time).toStdString();
}
