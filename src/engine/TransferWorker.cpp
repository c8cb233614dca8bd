#include "engine/TransferWorker.h"

#include <QLoggingCategory>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <system_error>

#include "core/Addresses.h"
#include "core/ExtractLinks.h"
#include "core/FileBytes.h"
#include "core/FileNames.h"
#include "core/ProjectSubfolders.h"
#include "core/Text.h"
#include "engine/CompleteCopy.h"
#include "engine/ProtectedFetch.h"
#include "engine/SessionState.h"
#include "engine/TransferRetries.h"
#include "engine/WorkerHost.h"

Q_LOGGING_CATEGORY(lcWorker, "lanternway.worker", QtWarningMsg)

namespace {

const char* StateName(TransferWorker::State s) {
    switch (s) {
        case TransferWorker::State::Created:
            return "created";
        case TransferWorker::State::Transferring:
            return "transferring";
        case TransferWorker::State::Redirected:
            return "redirected";
        case TransferWorker::State::ProtectedFetch:
            return "protected fetch";
        case TransferWorker::State::WaitingToRetry:
            return "waiting to retry";
        case TransferWorker::State::Ended:
            return "ended";
        case TransferWorker::State::Ignored:
            return "ignored";
        case TransferWorker::State::Finished:
            return "finished";
        case TransferWorker::State::Closed:
            return "closed";
    }
    return "?";
}

bool FileExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

bool IsRegularFile(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

// The most a page's announced length reserves for its text before the bytes arrive.
constexpr std::int64_t kAnnouncedPageReserve = 4 << 20;
// The most of one page kept for the link scanner; what comes after goes to the file only.
// Real pages are far smaller, but a server that never stops sending a page would otherwise
// have it held in memory until there is none left.
constexpr std::size_t kMaxScannedPageBytes = 32 << 20;

}  // namespace

TransferWorker::TransferWorker(SessionState& session, WorkerHost& host, TransferRequest request,
                               QObject* parent)
    : QObject(parent),
      session_(session),
      host_(host),
      request_(std::move(request)),
      localFile_(request_.LocalFile),
      documentURL_(request_.Address) {
    http_.OnProgress = [this](const TransferProgress& d) { OnHttpProgress(d); };
    http_.OnConnectionState = [this](short s) { OnHttpConnectionState(s); };
    ftp_.OnProgress = [this](const TransferProgress& d) { OnFtpProgress(d); };
    ftp_.OnConnectionState = [this](short s) { OnFtpConnectionState(s); };
    retryTimer_.setSingleShot(true);
    // A server that says when to come back is not asked earlier (a coarse timer may fire a
    // little early).
    retryTimer_.setTimerType(Qt::PreciseTimer);
    connect(&retryTimer_, &QTimer::timeout, this, &TransferWorker::TryAgainNow);
}

TransferWorker::~TransferWorker() = default;

void TransferWorker::SetState(State next) {
    if (state_ == State::Closed || next == state_) return;
    qCDebug(lcWorker) << localFile_.c_str() << StateName(state_) << "->" << StateName(next);
    state_ = next;
    switch (next) {
        case State::ProtectedFetch:
            session_.ProtectedFetchActive = true;
            break;
        case State::Finished:
            retryTimer_.stop();
            break;
        case State::Closed:
            // Runs inside this worker's own event: the release waits until the handler returns.
            host_.WorkerClosed(*this);
            break;
        case State::Created:
        case State::Transferring:
        case State::Redirected:
        case State::WaitingToRetry:
        case State::Ended:
        case State::Ignored:
            break;
    }
}

bool TransferWorker::IsScannedPage() const {
    const std::string ext = UpperCase(FileExtension(localFile_));
    return ext == ".HTML" || ext == ".HTM" || ext == ".SHTML" || ext == ".SHTM";
}

void TransferWorker::ShowRow(FileState state, std::int64_t total, std::int64_t transferred) {
    session_.View.ChangeRow(gridRow_, [&](FileRow& row) {
        row.State = state;
        row.Total = total;
        row.Transferred = transferred;
    });
}

void TransferWorker::ShowRowState(FileState state) {
    // What was counted so far does not stay: the file is not there (yet).
    session_.View.ChangeRow(gridRow_, [state](FileRow& row) {
        row.State = state;
        row.Transferred = 0;
    });
}

void TransferWorker::Start() {
    SessionState& s = session_;
    gridRow_ = s.GridRowCount++;
    SetState(State::Transferring);

    s.View.SetGridRowCount(s.GridRowCount);
    s.View.SelectRow(gridRow_);
    std::string shown = request_.Address;
    if (StartsWithText(shown, s.SiteBase)) shown.erase(0, s.SiteBase.size());
    if (shown.empty()) shown = s.SiteBase;
    s.View.ChangeRow(gridRow_, [&](FileRow& row) {
        row.Number = gridRow_;
        row.Address = shown;
    });

    earlierCopy_ = false;
    if (s.Settings.CompleteCopy) {
        // The site's own folders: the file's folder may not exist yet.
        const std::string refused = host_.Subfolders().Prepare(localFile_);
        if (!refused.empty()) {
            RefuseFile(refused);
            return;
        }
    }
    // A file of an earlier run stays until this one has arrived whole, and stays for good when
    // it does not arrive.
    earlierCopy_ = s.ProjectFiles.MayHold(localFile_) && IsRegularFile(localFile_);

    if (request_.IsFtp) {
        ShowRow(FileState::Initiated, 0, 0);
        if (s.Settings.RetrieveFromFTP) {
            if (!s.Settings.FTPUserName.empty()) ftp_.UserId = s.Settings.FTPUserName;
            if (!s.Settings.FTPPassword.empty()) ftp_.Password = s.Settings.FTPPassword;
        }
        tries_ = 0;
        StartFtpTransfer();
        return;
    }

    // Only pages that will be scanned keep their text in memory.
    if (s.Settings.CompleteCopy) {
        scanPage_ = host_.Complete().KeepsText(request_.Address);
    } else {
        scanPage_ = IsScannedPage() && (s.Settings.SearchEntireSite || !s.FirstPageParsed);
    }
    tries_ = 0;
    StartHttpTransfer();
}

void TransferWorker::StartHttpTransfer() {
    SessionState& s = session_;
    ++tries_;
    ForgetBytesBeingWritten();  // what an earlier try wrote is removed
    redirectFromBody_ = false;
    transferFailed_ = false;
    const std::string address = request_.Address;
    // A complete copy resolves references against the page's own address.
    documentURL_ = s.Settings.CompleteCopy ? address : BaseAddress(address, s);
    if (http_.Busy()) http_.Cancel();
    http_.URL = documentURL_;
    if (s.Settings.UseProxy) {
        http_.ProxyHost = s.Settings.ProxyAddress;
        http_.ProxyPort = s.Settings.ProxyPort;  // 0: the transfer layer's default proxy port
    } else {
        http_.ProxyHost.clear();
        http_.ProxyPort = 0;
    }
    if (s.FirstContactPending) {
        const std::string host = LowerCase(http_.RemoteHost());
        s.View.SetMessageLabel("Contacting Remote Host " + host);
        s.ContactHost = host;
    }
    http_.Document = address;
    http_.DeliverData = scanPage_;
    // The first try of a file that was not in the folder when the session began, and that no
    // redirect led to, has nothing under its name for the transfer to look at.
    http_.LocalFileMayExist =
        tries_ > 1 || s.ProjectFiles.MayHold(localFile_) || host_.RedirectHopsTo(address) > 0;
    http_.GetDoc(address, "", localFile_);
}

void TransferWorker::StartFtpTransfer() {
    ++tries_;
    ForgetBytesBeingWritten();
    transferFailed_ = false;
    if (ftp_.Busy()) ftp_.Cancel();
    ftp_.Authenticate(ftp_.UserId, ftp_.Password);
    ftp_.GetDoc(documentURL_, "", localFile_);
}

void TransferWorker::MarkIgnored() {
    SetState(State::Ignored);
    if (http_.Busy()) http_.Cancel();
    if (ftp_.Busy()) ftp_.Cancel();
    ShowRowState(FileState::Ignored);
}

void TransferWorker::OnHttpProgress(const TransferProgress& doc) {
    // While a protected fetch blocks, cancelled HTTP transfers' events do not count.
    if (session_.ProtectedFetchActive && state_ != State::WaitingToRetry) return;
    // Every event of the document shows it begun first; Data and End then say more.
    if (state_ == State::Transferring || state_ == State::Redirected)
        ShowRow(FileState::Initiated, doc.TotalSize, 0);
    OnTransferProgress(doc);
}

void TransferWorker::OnFtpProgress(const TransferProgress& doc) {
    if ((state_ == State::Transferring || state_ == State::Redirected) &&
        doc.State == TransferProgress::Begin)
        ShowRow(FileState::Initiated, doc.TotalSize, 0);
    OnTransferProgress(doc);
}

void TransferWorker::OnTransferProgress(const TransferProgress& doc) {
    switch (state_) {
        case State::WaitingToRetry:
            AwaitRetry(doc);
            return;
        case State::Transferring:
        case State::Redirected:
        case State::Ended:
        case State::Ignored:
            break;
        case State::Created:
        case State::ProtectedFetch:
        case State::Finished:
        case State::Closed:
            // Once the worker is counted, nothing it still receives may change its row.
            return;
    }
    switch (doc.State) {
        case TransferProgress::Begin:
            OnBegin(doc);
            break;
        case TransferProgress::Data:
            OnData(doc);
            break;
        case TransferProgress::End:
            OnEnd(doc);
            break;
        case TransferProgress::Error:
            OnError(doc);
            break;
        default:
            break;
    }
}

void TransferWorker::AwaitRetry(const TransferProgress& doc) {
    if (doc.State == TransferProgress::End && !retryTimer_.isActive()) retryTimer_.start(pauseMs_);
}

void TransferWorker::OnBegin(const TransferProgress& doc) {
    documentText_.clear();
    // One allocation for the page as announced (within reason: the number is the server's
    // word).
    if (scanPage_ && doc.TotalKnown)
        documentText_.reserve(
            static_cast<std::size_t>(std::min<std::int64_t>(doc.TotalSize, kAnnouncedPageReserve)));
}

void TransferWorker::OnData(const TransferProgress& doc) {
    if (scanPage_ && documentText_.size() < kMaxScannedPageBytes)
        documentText_.append(doc.DataChunk.substr(0, kMaxScannedPageBytes - documentText_.size()));
    ShowRow(FileState::Transferring, doc.TotalSize, doc.BytesTransferred);
    if (session_.FirstContactPending) {
        session_.View.SetMessageLabel(
            "Connection to server is established. Data is being transferred..");
        session_.FirstContactPending = false;
    }
    if (!WithinDiskBudget(doc.BytesTransferred)) return;
    // TotalSize is never below the bytes received, so an unannounced length is caught as soon
    // as the bytes pass the limit.
    if (request_.SizeLimit && doc.TotalSize > *request_.SizeLimit) {
        MarkIgnored();
        FinishTransfer();
    }
}

void TransferWorker::OnError(const TransferProgress& doc) {
    transferFailed_ = true;
    transferError_ = doc.ErrorText;
    if (doc.FileFailed) fileFailure_ = doc.ErrorText;
}

void TransferWorker::OnEnd(const TransferProgress& doc) {
    if (state_ == State::Ignored || EndedFileFailure() || EndedCutOff(doc) ||
        (request_.IsFtp && FtpTriesAgain(doc)) || EndedWithoutDocument(doc))
        return;
    // A redirect's body is not the document: it is neither counted nor scanned.
    const bool redirected = state_ == State::Redirected;
    bytesTransferred_ = redirected ? 0 : doc.BytesTransferred;
    ShowRow(FileState::Complete, doc.TotalSize, bytesTransferred_);
    SetState(State::Ended);
    if (!request_.IsFtp) {
        if (redirectFromBody_) {
            redirectFromBody_ = false;
            if (!session_.StopRequested) FollowRedirect();
        }
        if (session_.Settings.CompleteCopy && !redirected && http_.StatusCode() < 400) {
            // Recorded even after a stop: the conversion still links to what arrived.
            const std::string_view text =
                session_.StopRequested ? std::string_view() : std::string_view(documentText_);
            if (host_.Complete().Landed(request_.Address, localFile_,
                                        http_.ReplyHeader("Content-Type"), text) > 0)
                session_.ShowQueuedCount();
        } else if (!session_.Settings.CompleteCopy && !session_.StopRequested && scanPage_ &&
                   !redirected) {
            if (ExtractLinks(documentText_, documentURL_, session_) > 0) session_.ShowQueuedCount();
        }
        std::string().swap(documentText_);
    }
    FinishTransfer();
}

bool TransferWorker::EndedCutOff(const TransferProgress& doc) {
    // Bytes came but the transfer failed (the disk refused them, say): the document was not
    // kept, so it is not counted as retrieved.
    if (!transferFailed_ || doc.BytesTransferred <= 0 || state_ == State::Redirected) return false;
    DropCutOff(transferError_);
    return true;
}

void TransferWorker::DropCutOff(const std::string& reason) {
    MarkIgnored();
    session_.TellNotRetrieved(gridRow_, request_.Address + " failed: " +
                                            (reason.empty() ? "the transfer broke off" : reason) +
                                            KeptNote());
    FinishTransfer();
}

const char* TransferWorker::KeptNote() const {
    return earlierCopy_ ? "; kept the earlier copy" : "";
}

void TransferWorker::RefuseFile(const std::string& reason) {
    fileFailure_ = reason;
    // Workers are started from inside the loop that starts them (the first one from inside the
    // session's start): like a transfer's failure, this one is told from the event loop.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (Finished()) return;
            if (!request_.IsStartPage) {
                EndedFileFailure();
                return;
            }
            // The session's completion says what became of its start page.
            MarkIgnored();
            TellStartPageFailure(fileFailure_);
            FinishTransfer();
        },
        Qt::QueuedConnection);
}

void TransferWorker::TellStartPageFailure(const std::string& told) {
    host_.StartPageFailed(told);
    session_.View.SetRowFailure(gridRow_, told);
}

void TransferWorker::EndRedirectChain() {
    session_.TellNotRetrieved(gridRow_, request_.Address + " redirects more than " +
                                            std::to_string(MaxRedirectHops) + " times in a row");
}

bool TransferWorker::EndedWithoutDocument(const TransferProgress& doc) {
    // Failed before any byte of the document, for a reason a later try would not change (a
    // certificate refused, a reply that is no HTTP, no such file on the FTP server): nothing
    // was retrieved, and the row must not say it was.
    if (!transferFailed_ || doc.BytesTransferred > 0 || state_ == State::Redirected ||
        session_.StopRequested)
        return false;
    GiveUp(request_.Address + " failed: " + transferError_, false);
    return true;
}

bool TransferWorker::EndedFileFailure() {
    // Whatever arrived, the file is not there: "Complete" would be a lie.
    if (fileFailure_.empty()) return false;
    MarkIgnored();
    const std::string told = fileFailure_ + KeptNote();
    if (request_.IsStartPage) {
        // The completion says it, rather than that the host could not be reached.
        TellStartPageFailure(told);
    } else {
        session_.TellNotRetrieved(gridRow_, told);
    }
    FinishTransfer();
    return true;
}

void TransferWorker::OnHttpConnectionState(short state) {
    if (Finished() || session_.ProtectedFetchActive) return;
    SessionState& s = session_;
    const int status = http_.StatusCode();
    if (state_ != State::Redirected && !s.StopRequested &&
        IsRedirectReply(status, http_.ReplyText())) {
        SetState(State::Redirected);
        if (http_.ReplyHeader("Location").empty()) {
            // The address is in the body, which is still arriving: read it at the end.
            redirectFromBody_ = true;
        } else {
            http_.Cancel();
            FollowRedirect();
        }
        return;
    }
    // Another host that asks for credentials gets none: its refusal is a failure like others.
    if (s.Settings.UseHTTPAuthentication && state_ != State::ProtectedFetch && !s.StopRequested &&
        IsAuthorizationReply(status, http_.ReplyText()) &&
        host_.SendsCredentialsTo(http_.Document)) {
        SetState(State::ProtectedFetch);
        http_.Cancel();
        FetchProtectedFile(http_.Document);
        return;
    }
    if (state_ != State::Transferring) return;
    // An error page is not the document: it is neither kept nor counted nor scanned.
    if (status >= 400) {
        ReplyFailed(status);
        return;
    }
    if ((state == TransferState::Failed || state == TransferState::Closed) &&
        http_.FailedTransiently()) {
        ConnectionFailed();
        return;
    }
    // A connection that breaks or stalls before the end leaves a cut-off file: like an FTP
    // transfer closed early, it is not counted and its file is removed at completion.
    if (state == TransferState::Closed) DropCutOff(http_.ErrorText());
}

void TransferWorker::ReplyFailed(int status) {
    const std::string failure =
        request_.Address + " answered " + StatusText(status, http_.ReplyText());
    failureAnswered_ = true;
    if (IsTransientStatus(status) && TryAgainLater(failure, http_.ReplyHeader("Retry-After")))
        return;
    GiveUp(failure, true);
}

void TransferWorker::ConnectionFailed() {
    const std::string failure = request_.Address + " failed: " + http_.ErrorText();
    failureAnswered_ = false;
    if (TryAgainLater(failure, {})) return;
    GiveUp(failure, false);
}

bool TransferWorker::TryAgainLater(const std::string& failure, const std::string& retryAfter) {
    const RetryPolicy policy = CurrentRetryPolicy();
    if (tries_ >= policy.Tries || session_.StopRequested) return false;
    failure_ = failure;
    pauseMs_ = RetryPauseMs(policy, tries_ + 1, retryAfter);
    SetState(State::WaitingToRetry);
    ShowRowState(FileState::Retrying);
    // The pause starts when the cancelled try has ended (its End event still comes).
    if (http_.Busy()) http_.Cancel();
    if (ftp_.Busy()) ftp_.Cancel();
    return true;
}

void TransferWorker::TryAgainNow() {
    if (state_ != State::WaitingToRetry) return;
    if (session_.StopRequested) {
        GiveUp(failure_, failureAnswered_);
        return;
    }
    SetState(State::Transferring);
    if (request_.IsFtp)
        StartFtpTransfer();
    else
        StartHttpTransfer();
}

void TransferWorker::EndRetryWait() {
    if (state_ != State::WaitingToRetry) return;
    retryTimer_.stop();
    GiveUp(failure_, failureAnswered_);
}

void TransferWorker::GiveUp(const std::string& failure, bool answered) {
    MarkIgnored();
    // No document began, so no size was shown.
    session_.View.ChangeRow(gridRow_, [](FileRow& row) {
        if (row.Total == NoByteCount) row.Total = 0;
    });
    const std::string told = failure + KeptNote();
    if (request_.IsStartPage) {
        // The session's completion tells what became of its start page, and that the earlier
        // copy stays.
        if (answered) {
            TellStartPageFailure(told);
        } else {
            const std::string failed = request_.Address + " failed: ";
            host_.StartPageUnreached(
                (StartsWithText(failure, failed) ? failure.substr(failed.size()) : failure) +
                KeptNote());
            session_.View.SetRowFailure(gridRow_, told);
        }
    } else {
        session_.TellNotRetrieved(gridRow_, told);
    }
    FinishTransfer();
}

bool TransferWorker::FtpTriesAgain(const TransferProgress& doc) {
    // Refused, cut or timed out before the file began, or a "not now" reply (a server that
    // takes only so many connections answers 421): the file is asked for again after a pause.
    if (!transferFailed_ || doc.BytesTransferred > 0 || !ftp_.FailedTransiently() ||
        !TryAgainLater(request_.Address + " failed: " + transferError_, {}))
        return false;
    retryTimer_.start(pauseMs_);  // this try has ended already
    return true;
}

void TransferWorker::OnFtpConnectionState(short state) {
    if (Finished() || state_ == State::WaitingToRetry) return;
    // A connection that broke before the file began may be tried again: its End decides.
    const bool ended = state_ == State::Ended || state_ == State::Ignored;
    if (!ended && state == TransferState::Closed && !ftp_.FailedTransiently())
        DropCutOff(ftp_.ErrorText());
}

void TransferWorker::FollowRedirect() {
    SessionState& s = session_;
    // The body is read where the transfer is writing it (it takes the local file's name only
    // when it has arrived whole).
    const std::string& body = http_.OutputFile().empty() ? localFile_ : http_.OutputFile();
    const std::string target =
        RedirectTarget(http_.ReplyHeader("Location"), request_.Address, body);
    if (!target.empty() && !StartsWithText(target, "http://") &&
        !StartsWithText(target, "https://")) {
        RefuseRedirect(target);
        return;
    }
    if (request_.IsStartPage) {
        // Most sites answer their plain address with a redirect to another scheme or host: the
        // session follows it as if the target had been typed.
        host_.MoveStartPage(request_.Address, target);
        return;
    }
    if (s.Settings.CompleteCopy) {
        const int hops = host_.RedirectHopsTo(request_.Address) + 1;
        if (target.empty()) return;
        if (hops > MaxRedirectHops) {
            EndRedirectChain();
            return;
        }
        if (host_.Complete().Redirected(request_.Address, target)) {
            host_.SetRedirectHops(s.PendingURLs.back(), hops);
            s.ShowQueuedCount();
        }
        return;
    }
    const std::string name = UrlToLocalName(target, s);
    if (name.empty()) return;
    const int hops = host_.RedirectHopsTo(request_.Address) + 1;
    if (hops > MaxRedirectHops) {
        EndRedirectChain();
        return;
    }
    std::string file = s.ProjectFolder + name;
    if (s.KnownFiles.Contains(file)) {
        // Only a redirect to this worker's own file with another address is followed (once):
        // "dir" -> "dir/" keeps the local name; a page redirecting to itself would loop.
        const bool sameFileOtherAddress =
            SameText(file, localFile_) && !SameText(target, request_.Address);
        if (!sameFileOtherAddress || !host_.FirstRedirectTo(target)) return;
    } else {
        s.KnownFiles.Add(file);
    }
    host_.SetRedirectHops(target, hops);
    ++s.QueuedCount;
    s.AppendPending(target, std::move(file));
    s.ShowQueuedCount();
}

void TransferWorker::RefuseRedirect(const std::string& target) {
    // A web file's redirect stays on the web: a file: address would copy a local file into
    // the project, an ftp: one would send a request to any host and port the reply names, and
    // a data: one has nothing to fetch. The file is not retrieved, and that is said.
    constexpr std::size_t kShownLength = 200;  // a data: address can be a whole document
    const std::string shown =
        target.size() > kShownLength ? target.substr(0, kShownLength) + "..." : target;
    GiveUp(request_.Address + " redirects to " + shown + ", which is not an http or https address",
           true);
}

void TransferWorker::AddSiteFolder(bool ignored) {
    SessionState& s = session_;
    if (s.Settings.CompleteCopy) {
        // The project's real folders, each one level of the file's local path, also for a file
        // of an earlier run that this one kept.
        const bool inCopy = ignored ? earlierCopy_ : bytesTransferred_ > 0;
        if (!inCopy || !StartsWithText(localFile_, s.ProjectFolder)) return;
        const std::string path = localFile_.substr(s.ProjectFolder.size());
        for (std::size_t slash = path.find('/'); slash != std::string::npos;
             slash = path.find('/', slash + 1)) {
            const std::string folder = path.substr(0, slash + 1);
            if (s.SiteFolders.Contains(folder)) continue;
            s.SiteFolders.Add(folder);
            s.View.AddSiteChild(folder);
        }
        return;
    }
    if (ignored || SameText(documentURL_, s.SiteBase) || bytesTransferred_ <= 0) return;
    std::string folder;
    if (Contains(documentURL_, "ftp://")) {
        const std::size_t k = UrlToLocalName(documentURL_, s).size();
        if (k < documentURL_.size()) folder = documentURL_.substr(0, documentURL_.size() - k);
    } else if (StartsWithText(documentURL_, s.SiteBase)) {
        folder = documentURL_.substr(s.SiteBase.size());
        const std::size_t slash = folder.find('/');
        if (slash != std::string::npos) folder.erase(slash + 1);
    }
    // The file-system lookup last: only a folder not in the tree yet needs it.
    if (folder.size() > 2 && !s.SiteFolders.Contains(folder) && FileExists(localFile_)) {
        s.SiteFolders.Add(folder);
        s.View.AddSiteChild(folder);
    }
}

void TransferWorker::FinishTransfer() {
    SessionState& s = session_;
    if (Finished()) {
        SetState(State::Closed);
        return;
    }
    ForgetBytesBeingWritten();
    const bool ignored = state_ == State::Ignored;
    if (ignored && earlierCopy_ && s.Settings.CompleteCopy)
        host_.Complete().KeptEarlier(request_.Address, localFile_);
    else if (ignored && !earlierCopy_)
        s.DiscardedFiles.push_back(localFile_);
    else if (bytesTransferred_ > 0)
        ++s.FilesRead;
    if (request_.IsStartPage && !ignored && bytesTransferred_ > 0) host_.StartPageArrived();
    s.BytesReceived += bytesTransferred_;
    s.View.SetLowerStatusBar(1, "Files Read: " + std::to_string(s.FilesRead));
    s.View.SetLowerStatusBar(2, "Bytes Received: " + std::to_string(s.BytesReceived));
    if (s.ElapsedSeconds > 0)
        s.View.SetLowerStatusBar(
            3, "Retrieval Speed: " + SpeedText(s.BytesReceived, s.ElapsedSeconds));
    AddSiteFolder(ignored);
    const bool counted = s.RunningThreads >= 1;
    SetState(State::Finished);
    if (counted) {
        --s.RunningThreads;
        s.View.SetThreadCountLabel(std::to_string(s.RunningThreads));
        host_.WorkerFinished();
    }
    SetState(State::Closed);
}
