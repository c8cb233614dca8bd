#include "engine/RunControl.h"

#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <exception>
#include <filesystem>
#include <limits>
#include <optional>
#include <system_error>

#include "core/Addresses.h"
#include "core/FileBytes.h"
#include "core/FileNames.h"
#include "core/PartialFiles.h"
#include "core/Text.h"
#include "engine/ConvertProjectFiles.h"
#include "engine/SessionFile.h"
#include "engine/TransferWorker.h"
#include "mirror/AddressResolver.h"

namespace fs = std::filesystem;

namespace {

// "scheme://host[:port]" of a web address, normalised (lower case, no default port); empty for
// an address of another scheme. An address without a scheme is taken as http.
std::string WebOrigin(const std::string& address) {
    const std::optional<std::string> normal =
        mirror::NormalizeAddress(Contains(address, "://") ? address : "http://" + address);
    if (!normal) return {};
    return normal->substr(0, normal->find('/', normal->find("://") + 3));
}

}  // namespace

std::string SiteRoot(const std::string& address) {
    std::string text = address;
    if (text.empty() || text.back() != '/') text += '/';
    std::string scheme = "http://";
    const std::size_t sep = text.find("://");
    if (sep != std::string::npos && text.find('/') == sep + 1) {
        scheme = text.substr(0, sep + 3);
        text.erase(0, sep + 3);
    }
    text.erase(text.find('/') + 1);
    return scheme + text;
}

namespace {

// A rate rounded to two significant digits, written with one decimal when that is below 100;
// nothing when it rounds to 100 or more.
std::optional<std::string> TwoDigitRate(double value) {
    // to_chars rounds as printf does, without its locale and stream set-up (this runs for every
    // file).
    char buffer[64];
    char* end =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 1).ptr;
    double rounded = 0;
    std::from_chars(buffer, end, rounded);
    if (rounded >= 100.0) return std::nullopt;
    end = std::to_chars(buffer, buffer + sizeof buffer, rounded, std::chars_format::fixed, 1).ptr;
    return std::string(buffer, end);
}

}  // namespace

std::string SpeedText(std::int64_t bytes, int seconds) {
    if (seconds <= 0) return "0.0 KB/s";
    // Read at a glance: a plain number below 1000 in the largest unit that allows it.
    double value = static_cast<double>(bytes) / seconds / 1024.0;
    for (const char* unit : {" KB/s", " MB/s", " GB/s"}) {
        if (auto text = TwoDigitRate(value)) return *text + unit;
        const double whole = std::round(value);
        if (whole < 1000.0) return std::to_string(static_cast<std::int64_t>(whole)) + unit;
        value /= 1024.0;
    }
    return std::to_string(static_cast<std::int64_t>(std::round(value))) + " TB/s";
}

RunControl::RunControl(SessionState& session, QObject* parent)
    : QObject(parent),
      ConvertFiles(ConvertProjectFiles),
      SaveSession(SaveSessionRecord),
      session_(session),
      complete_(session) {
    connect(&session_.SessionClock, &QTimer::timeout, this, &RunControl::CatchUpClock);
    stopGrace_.setSingleShot(true);
    connect(&stopGrace_, &QTimer::timeout, this, [this] {
        EndTransfers("cancelled " + std::to_string((StopGraceMs + 999) / 1000) +
                     " seconds after the session was stopped");
    });
}

RunControl::~RunControl() {
    // Workers still alive refer to this object: release them first.
    delete retired_.data();
    for (TransferWorker* worker : findChildren<TransferWorker*>(Qt::FindDirectChildrenOnly)) delete worker;
}

void RunControl::WorkerClosed(TransferWorker& worker) {
    // Every deferred delete wakes the event loop once: the workers closed in one pass of the
    // loop share one.
    if (!retired_) {
        retired_ = new QObject(this);
        retired_->deleteLater();
    }
    worker.setParent(retired_);
}

int RunControl::EffectiveMaximumThreads() const {
    // The dialog accepts "0"; with no room for a second worker a session whose first page
    // queued anything would never complete.
    return session_.Settings.MaximumThreads < 1 ? 1 : session_.Settings.MaximumThreads;
}

bool RunControl::FirstRedirectTo(const std::string& address) {
    return redirectTargets_.insert(UpperCase(address)).second;
}

int RunControl::RedirectHopsTo(const std::string& address) const {
    if (redirectHops_.empty()) return 0;  // asked for every file; most sessions redirect little
    const auto it = redirectHops_.find(UpperCase(address));
    return it == redirectHops_.end() ? 0 : it->second;
}

void RunControl::SetRedirectHops(const std::string& address, int hops) {
    redirectHops_[UpperCase(address)] = hops;
}

void RunControl::MoveStartPage(const std::string& from, const std::string& target) {
    SessionState& s = session_;
    if (!HasWebScheme(target)) return;
    const int hops = RedirectHopsTo(from) + 1;
    if (hops > MaxRedirectHops) return;
    SetRedirectHops(target, hops);
    credentialsOrigin_ = WebOrigin(target);

    // Where the page is stored and what the site is, exactly as for an address typed in.
    std::string file = s.ProjectFolder + "Main.html";
    std::string base = target;
    if (s.Settings.SearchEntireSite) {
        base = SiteRoot(target);
    } else {
        const std::string pseudo = UrlToPseudoPath(target);
        if (!PseudoExtension(pseudo).empty()) {
            file = s.ProjectFolder + PseudoFileName(pseudo);
            base = UrlDirectory(target) + "/";
        }
    }
    std::string address = target;
    if (s.Settings.CompleteCopy) {
        // The target is the site now: its own paths decide where files go.
        const std::string typed = s.StartAddress;
        file = complete_.Begin(target);
        address = complete_.StartAddress();
        complete_.StartMovedFrom(typed);
    }
    s.SiteBase = base;
    s.KnownFiles.Add(file);
    // The site copied is the target's: the root of the tree and of the session file, once.
    s.SiteFolders.Clear();
    s.SiteFolders.Add(base);
    s.View.ClearSiteTree();
    s.View.SetSiteRoot(base);
    s.FirstContactPending = true;  // the target's host is contacted anew
    startPageAddress_ = address;
    ++s.QueuedCount;
    s.AppendPending(address, file);
    s.ShowQueuedCount();
}

bool RunControl::SendsCredentialsTo(const std::string& address) const {
    return !credentialsOrigin_.empty() && WebOrigin(address) == credentialsOrigin_;
}

bool RunControl::StartNewSession(const SessionSettings& settings) {
    SessionState& s = session_;
    if (!Idle()) return false;
    if (!s.InitializeVariables(settings)) return false;
    s.InitializeStringLists();
    s.InitializeMessages();
    s.EnableDisableToolBarButtons();
    outcome_ = Outcome::None;
    redirectTargets_.clear();
    redirectHops_.clear();
    startPageAddress_.clear();
    startPageArrived_ = false;
    startPageFailure_.clear();
    startPageUnreached_.clear();
    diskSpaceStop_.clear();
    bytesBeingWritten_ = 0;
    budgetPassedWhileWriting_ = false;
    conversionFailed_ = false;
    unattended_ = false;

    // Size limits by extension. The first entry of an extension decides; one without a size
    // (or with a negative one) means no limit.
    sizeLimits_.clear();
    for (const FileSizeLimit& limit : s.Settings.FileSizeLimits) {
        std::int64_t bytes = -1;
        if (limit.Kilobytes && *limit.Kilobytes >= 0)
            bytes = *limit.Kilobytes > std::numeric_limits<std::int64_t>::max() / 1024
                        ? std::numeric_limits<std::int64_t>::max()
                        : *limit.Kilobytes * 1024;
        sizeLimits_.emplace(LowerCase(limit.Extension), bytes);
    }

    subfolders_.Begin(s.ProjectFolder);

    // The start page is always fetched anew; like every file, it replaces an earlier run's only
    // once it has arrived whole, so a run that fails keeps the earlier copy.
    std::string url = s.PendingURL(0);
    std::string file = s.PendingFile(0);
    s.RemoveFirstPending();
    if (s.Settings.CompleteCopy) {
        // The start page lies where the site's own path puts it.
        s.KnownFiles.Clear();
        file = complete_.Begin(url);
        url = complete_.StartAddress();
    }
    credentialsOrigin_ = WebOrigin(url);
    StartWorker(url, file, true);  // RunningThreads is already 1

    // After the first worker has started, so that its base address comes from the address as
    // typed.
    if (s.Settings.SearchEntireSite) s.SiteBase = SiteRoot(s.SiteBase);
    s.SiteFolders.Add(s.SiteBase);
    s.View.RequestFileListClear();
    s.View.ClearSiteTree();
    s.View.SetSiteRoot(s.SiteBase);
    return true;
}

void RunControl::StartWorker(const std::string& url, const std::string& file, bool first) {
    TransferRequest request;
    request.Address = url;
    request.LocalFile = file;
    request.IsStartPage = first;
    if (!first) {
        request.IsFtp = Contains(url, "ftp://");
        auto it = sizeLimits_.find(LowerCase(FileExtension(file)));
        if (it != sizeLimits_.end() && it->second >= 0) request.SizeLimit = it->second;
    }
    // Owned by this object; closes itself, and is released by WorkerClosed.
    auto* worker = new TransferWorker(session_, *this, std::move(request), this);
    ++liveWorkers_;
    connect(worker, &QObject::destroyed, this, [this] { --liveWorkers_; });
    worker->Start();
}

void RunControl::StartWorkers() {
    SessionState& s = session_;
    if (s.QueuedCount == 0 && s.RunningThreads <= 0) {
        FinishSession();
        return;
    }
    if (DiskBudgetUsedUp()) {
        StopSession();
        return;
    }
    const int maximum = EffectiveMaximumThreads();
    if (s.RunningThreads >= maximum || s.StopRequested || s.ProtectedFetchActive) return;
    for (int n = maximum - s.RunningThreads; n > 0 && s.QueuedCount != 0 && s.PendingCount() > 0;
         --n) {
        const std::string url = s.PendingURL(0);
        const std::string file = s.PendingFile(0);
        s.RemoveFirstPending();
        ++s.RunningThreads;
        s.View.SetThreadCountLabel(std::to_string(s.RunningThreads));
        --s.QueuedCount;
        s.ShowQueuedCount();
        const bool startPage = !startPageAddress_.empty() && url == startPageAddress_;
        if (startPage) startPageAddress_.clear();
        StartWorker(url, file, startPage);
    }
}

std::string RunControl::DriveOf(const std::string& path) const {
    // The mount point of the file system that holds the path.
    std::error_code ec;
    fs::path p = fs::absolute(path, ec);
    while (!p.empty() && !fs::exists(p, ec) && p != p.parent_path()) p = p.parent_path();
    struct stat st {};
    if (stat(p.c_str(), &st) != 0) return p.string();
    const dev_t device = st.st_dev;
    while (p.has_parent_path() && p != p.parent_path()) {
        struct stat up {};
        if (stat(p.parent_path().c_str(), &up) != 0 || up.st_dev != device) break;
        p = p.parent_path();
    }
    return p.string();
}

bool RunControl::DiskBudgetUsedUp() const {
    return budgetPassedWhileWriting_ ||
           session_.BytesReceived + bytesBeingWritten_ > session_.DiskSpaceFloor;
}

std::string RunControl::DiskBudgetPassedWhileWriting() {
    if (session_.BytesReceived + bytesBeingWritten_ <= session_.DiskSpaceFloor) return {};
    budgetPassedWhileWriting_ = true;
    return FreeSpaceText();
}

std::string RunControl::FreeSpaceText() const {
    return "Drive " + DriveOf(session_.SessionFileName) + " has only " +
           std::to_string(FreeDiskBytes(session_.ProjectFolder) / 1024000) + " MB free space.";
}

void RunControl::StopSession() {
    SessionState& s = session_;
    if (s.StopRequested) return;
    if (DiskBudgetUsedUp()) {
        diskSpaceStop_ = "Unable to create additional threads. " + FreeSpaceText();
        s.View.SetMessageLabelRed(true);
        s.View.SetMessageLabel(diskSpaceStop_);
    }
    s.StopRequested = true;
    s.QueuedCount = 0;
    s.View.SetLowerStatusBar(0, "Files Added in Queue: 0");
    // A worker pausing before its next try gives up at once. The last of them may complete
    // the session.
    for (TransferWorker* worker : findChildren<TransferWorker*>(Qt::FindDirectChildrenOnly))
        worker->EndRetryWait();
    // The transfers still running get the grace, then they are cancelled.
    if (s.RunningThreads > 0) stopGrace_.start(StopGraceMs);
    // The box goes when the last of them has ended (FinishSession). A program that is closing
    // shows none.
    if (s.RunningThreads == 1 && !unattended_)
        s.Prompts().StopWaitShow("Please wait.. \r\n1 thread still receiving data ..");
    else if (s.RunningThreads > 1 && !unattended_)
        s.Prompts().StopWaitShow("Please wait.. \r\n" + std::to_string(s.RunningThreads) +
                                 " threads still receiving data ..");
    s.View.SetMessageLabelRed(false);
    // With no worker left to finish, nothing would ever complete the session.
    if (s.RunningThreads <= 0 && s.Running()) FinishSession();
}

void RunControl::StopForClosing() {
    unattended_ = true;
    if (session_.Running()) StopSession();
}

void RunControl::EndTransfersNow() {
    if (!session_.StopRequested) StopSession();
    EndTransfers("cancelled when the session was stopped");
}

void RunControl::EndTransfers(const std::string& reason) {
    stopGrace_.stop();
    // The last one to end completes the session, whose boxes run event loops: the others are
    // held by guarded pointers.
    std::vector<QPointer<TransferWorker>> workers;
    for (TransferWorker* worker : findChildren<TransferWorker*>(Qt::FindDirectChildrenOnly))
        workers.emplace_back(worker);
    for (const QPointer<TransferWorker>& worker : workers)
        if (worker) worker->CancelAfterStop(reason);
}

void RunControl::CatchUpClock() {
    SessionState& s = session_;
    const auto passed = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - s.ClockStartedAt)
                            .count();
    // To the nearest second: a timer that fires a little early still counts its second.
    const std::int64_t due = (passed + 500) / 1000;
    while (s.ClockSecondsCounted < due) TickClock();
}

void RunControl::TickClock() {
    SessionState& s = session_;
    ++s.ClockSecondsCounted;
    ++s.ElapsedSeconds;
    s.View.SetLowerStatusBar(4, ElapsedTimeText(s.ClockSecondsCounted));
}

void RunControl::WriteEMailPage() {
    SessionState& s = session_;
    std::vector<std::string> addresses;
    std::unordered_set<std::string> seen;
    for (std::size_t i = 1; i < s.EMailPage.size(); ++i)
        if (seen.insert(UpperCase(s.EMailPage[i])).second) addresses.push_back(s.EMailPage[i]);

    const std::string path = s.ProjectFolder + "EMailAddress.html";
    std::string page = "<HTML>\r\n";
    for (const std::string& a : addresses)
        page += "<p><a href=\"mailto:" + a + "\">" + a + "</a></p>\r\n\r\n";
    page += "</HTML>\r\n";
    // Whole or not at all, like every other file of the project; a page that could not be
    // written is said, as any file of the run that could not be put in place.
    std::string failure;
    try {
        ReplaceFileBytes(path, page);
    } catch (const std::exception& e) {
        failure = e.what();
    }
    s.EMailPage.clear();
    s.EMailPageExists = false;

    const int row = ++s.GridRowCount;
    s.View.SetGridRowCount(row);
    s.View.SelectRow(row - 1);
    FileRow written;
    written.Address = "EMailAddress.html";
    written.Total = static_cast<std::int64_t>(page.size());
    written.Transferred = failure.empty() ? written.Total : 0;
    written.State = failure.empty() ? FileState::Complete : FileState::Ignored;
    s.View.SetRow(row - 1, std::move(written));
    if (!failure.empty()) s.TellNotRetrieved(row - 1, failure);
}

void RunControl::FinishSession() {
    SessionState& s = session_;
    // The completion's boxes and conversion window run event loops; until it is over, nothing
    // may start another session in the middle of it.
    completing_ = true;
    s.Prompts().StopWaitClose();  // no thread is receiving any more
    stopGrace_.stop();
    const std::string projectFolder = s.ProjectFolder;
    s.View.SetMessageLabel("");
    s.View.SetThreadCountLabel(std::to_string(s.RunningThreads));
    s.ClearPending();
    // What the folder held at the start says nothing once the session has written to it.
    s.ProjectFiles.Clear();
    s.SessionClock.stop();
    s.SessionComplete = true;

    if (s.Settings.CollectEMailAddresses && s.EMailPage.size() > 1 && s.BytesReceived > 0)
        WriteEMailPage();

    // The label that said why new work stopped has just been emptied, often in the same turn of
    // the event loop that filled it: the copy is incomplete, and the person is told so before
    // hearing that the retrieval completed.
    if (!diskSpaceStop_.empty() && !unattended_)
        s.Prompts().Message(diskSpaceStop_, SessionPrompts::Kind::Error,
                            SessionPrompts::Buttons::Ok);

    if (s.FilesRead >= 2) {
        // The record of what was retrieved is written before the conversion, which a full
        // disk or a file that cannot be rewritten may stop, and again after it (redirects
        // then lead to their targets' files).
        const bool recorded = SaveSession && SaveSession(s);
        const std::string question =
            s.Settings.RetrieveHTMLFiles
                ? "Site Retrieval Completed. Now Lanternway will update HTML links of all files "
                  "for off line browsing."
                : "Site Retrieval Completed. Now Lanternway will delete all HTML files that have "
                  "been retrieved to get embedded file information.";
        // A program that is closing asks nothing and leaves the files as retrieved.
        const bool convert =
            !unattended_ &&
            s.Prompts().Message(question, SessionPrompts::Kind::Confirmation,
                                SessionPrompts::Buttons::OkCancel) == SessionPrompts::Answer::Ok;
        // A file that could not be rewritten is said in an error box (the page-by-page
        // conversion stops there, the complete copy's converts the rest); the rest of the
        // completion still runs.
        if (convert) s.View.NotifyBlockingWork();  // the answered box leaves the screen first
        bool converted = true;
        if (convert && s.Settings.CompleteCopy)
            converted = ConvertCompleteCopy(s, complete_);
        else if (convert && ConvertFiles)
            converted = ConvertFiles(s);
        conversionFailed_ = !converted;
        if (convert && recorded) SaveSession(s);
        outcome_ = Outcome::Completed;
    } else {
        // Judged by the start page, or the page its redirect led to, not by row 1: a redirect's
        // own row shows nothing transferred.
        if (startPageArrived_) {
            if (!unattended_)
                s.Prompts().Message("Retrieval Completed", SessionPrompts::Kind::Information,
                                    SessionPrompts::Buttons::Ok);
            if (SaveSession) SaveSession(s);
            outcome_ = Outcome::Completed;
        } else {
            s.ProjectFolder.clear();
            s.View.SetRow(1, {});
            s.View.SetGridRowCount(11);
            s.ClockSecondsCounted = 0;
            s.View.SetUpperStatusBar(0, "Session Started On:");
            s.View.SetLowerStatusBar(4, "Time Elapsed: 00:00");
            s.View.RequestFileListClear();
            s.View.ClearSiteTree();
            if (!startPageFailure_.empty()) {
                // The host answered: say what it answered.
                if (!unattended_)
                    s.Prompts().Message(startPageFailure_, SessionPrompts::Kind::Error,
                                        SessionPrompts::Buttons::Ok);
                outcome_ = Outcome::StartPageFailed;
            } else {
                // The system's reason, and the host and port it was given for, follow.
                std::string text =
                    "Lanternway is unable to connect with host \"" + s.ContactHost + " \"";
                if (!startPageUnreached_.empty()) text += ": " + startPageUnreached_;
                if (!unattended_)
                    s.Prompts().Message(text, SessionPrompts::Kind::Error,
                                        SessionPrompts::Buttons::Ok);
                outcome_ = Outcome::NotConnected;
            }
        }
    }

    for (const std::string& file : s.DiscardedFiles) RemoveFile(file);
    s.DiscardedFiles.clear();
    // What an earlier run cut off (killed, or the machine went down) is still under its
    // temporary name; this run has fetched those files again. A complete copy's files lie in the
    // site's own folders, the others in the project folder itself.
    if (!projectFolder.empty()) {
        if (s.Settings.CompleteCopy)
            RemovePartialFilesInTree(projectFolder);
        else
            RemovePartialFiles(projectFolder);
    }
    // Folders made for files that all failed (a missing page, a host that never answered)
    // would stand empty in the copy.
    subfolders_.RemoveEmpty();
    s.Settings.FileSizeLimits.clear();
    completing_ = false;
    s.EnableDisableToolBarButtons();
    emit SessionFinished();
}
