#include "engine/TransferWorker.h"

#include <QLoggingCategory>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <system_error>

#include "core/Addresses.h"
#include "core/FileBytes.h"
#include "core/FileNames.h"
#include "core/Text.h"
#include "engine/RunControl.h"
#include "engine/SessionState.h"
#include "core/ExtractLinks.h"
#include "engine/ProtectedFetch.h"
#include "engine/TransferRetries.h"

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

TransferWorker::TransferWorker(SessionState& session, RunControl& engine)
    : QObject(&engine), session_(session), engine_(engine) {
    ++engine_.liveWorkers_;
    Http.OnProgress = [this](const TransferProgress& d) { OnHttpProgress(d); };
    Http.OnConnectionState = [this](short s) { OnHttpConnectionState(s); };
    Ftp.OnProgress = [this](const TransferProgress& d) { OnFtpProgress(d); };
    Ftp.OnConnectionState = [this](short s) { OnFtpConnectionState(s); };
    retryTimer_.setSingleShot(true);
    // A server that says when to come back is not asked earlier (a coarse timer may fire a
    // little early).
    retryTimer_.setTimerType(Qt::PreciseTimer);
    connect(&retryTimer_, &QTimer::timeout, this, &TransferWorker::TryAgainNow);
}

TransferWorker::~TransferWorker() {
    --engine_.liveWorkers_;
}

void TransferWorker::SetState(State next) {
    if (state_ == State::Closed || next == state_) return;
    qCDebug(lcWorker) << LocalFile.c_str() << StateName(state_) << "->" << StateName(next);
    state_ = next;
    switch (next) {
        case State::Redirected:
            RedirectHandled = true;
            break;
        case State::ProtectedFetch:
            ProtectedFetchStarted = true;
            session_.ProtectedFetchActive = true;
            break;
        case State::Ended:
            TransferEnded = true;
            break;
        case State::Ignored:
            // A later close of the connection changes nothing any more.
            Ignored = true;
            TransferEnded = true;
            break;
        case State::Finished:
            Finished = true;
            retryTimer_.stop();
            break;
        case State::Closed:
            // Runs inside this worker's own event: the release waits until the handler returns.
            engine_.Retire(this);
            break;
        case State::Created:
        case State::Transferring:
        case State::WaitingToRetry:
            break;
    }
}

bool TransferWorker::IsScannedPage() const {
    const std::string ext = UpperCase(FileExtension(LocalFile));
    return ext == ".HTML" || ext == ".HTM" || ext == ".SHTML" || ext == ".SHTM";
}

void TransferWorker::ShowRow(FileState state, std::int64_t total, std::int64_t transferred) {
    session_.View.ChangeRow(GridRow - 1, [&](FileRow& row) {
        row.State = state;
        row.Total = total;
        row.Transferred = transferred;
    });
}

void TransferWorker::ShowRowState(FileState state) {
    // What was counted so far does not stay: the file is not there (yet).
    session_.View.ChangeRow(GridRow - 1, [state](FileRow& row) {
        row.State = state;
        row.Transferred = 0;
    });
}

void TransferWorker::Start() {
    SessionState& s = session_;
    BytesTransferred = 0;
    TransferEnded = false;
    Finished = false;
    Ignored = false;
    GridRow = ++s.GridRowCount;
    SetState(State::Transferring);

    s.View.SetGridRowCount(GridRow);
    s.View.SelectRow(GridRow - 1);
    std::string shown = DocumentURL;
    if (StartsWithText(DocumentURL, s.SiteBase)) shown.erase(0, s.SiteBase.size());
    if (shown.empty()) shown = s.SiteBase;
    s.View.ChangeRow(GridRow - 1, [&](FileRow& row) {
        row.Number = GridRow - 1;
        row.Address = shown;
    });
    requestURL_ = DocumentURL;

    earlierCopy_ = false;
    if (s.CompleteCopy) {
        // The site's own folders: the file's folder may not exist yet.
        const std::string refused = engine_.Subfolders().Prepare(LocalFile);
        if (!refused.empty()) {
            RefuseFile(refused);
            return;
        }
    }
    // A file of an earlier run stays until this one has arrived whole, and stays for good when
    // it does not arrive.
    earlierCopy_ = s.ProjectFiles.MayHold(LocalFile) && IsRegularFile(LocalFile);

    if (IsFTP) {
        ShowRow(FileState::Initiated, 0, 0);
        if (s.RetrieveFromFTP) {
            if (!s.FTPUserName.empty()) Ftp.UserId = s.FTPUserName;
            if (!s.FTPPassword.empty()) Ftp.Password = s.FTPPassword;
        }
        tries_ = 0;
        StartFtpTransfer();
        return;
    }

    // Only pages that will be scanned keep their text in memory.
    if (s.CompleteCopy) {
        scanPage_ = engine_.Complete().KeepsText(requestURL_);
    } else {
        scanPage_ = IsScannedPage() && (s.SearchEntireSite || !s.FirstPageParsed);
    }
    tries_ = 0;
    StartHttpTransfer();
}

void TransferWorker::StartHttpTransfer() {
    SessionState& s = session_;
    ++tries_;
    ForgetBytesBeingWritten();  // what an earlier try wrote is removed
    RedirectHandled = false;
    ProtectedFetchStarted = false;
    redirectFromBody_ = false;
    transferFailed_ = false;
    const std::string address = requestURL_;
    // A complete copy resolves references against the page's own address.
    DocumentURL = s.CompleteCopy ? address : BaseAddress(address, s);
    if (Http.Busy()) Http.Cancel();
    Http.URL = DocumentURL;
    if (s.UseProxy) {
        Http.ProxyHost = s.ProxyAddress;
        try {
            Http.ProxyPort = std::stoi(s.ProxyPort);
        } catch (...) {
            Http.ProxyPort = 0;  // the transfer layer's default proxy port
        }
    } else {
        Http.ProxyHost.clear();
        Http.ProxyPort = 0;
    }
    if (s.FirstContactPending) {
        const std::string host = LowerCase(Http.RemoteHost());
        s.View.SetMessageLabel("Contacting Remote Host " + host);
        s.ContactHost = host;
    }
    Http.Document = address;
    Http.DeliverData = scanPage_;
    // The first try of a file that was not in the folder when the session began, and that no
    // redirect led to, has nothing under its name for the transfer to look at.
    Http.LocalFileMayExist =
        tries_ > 1 || s.ProjectFiles.MayHold(LocalFile) || engine_.RedirectHopsTo(address) > 0;
    Http.GetDoc(address, "", LocalFile);
}

void TransferWorker::StartFtpTransfer() {
    ++tries_;
    ForgetBytesBeingWritten();
    transferFailed_ = false;
    if (Ftp.Busy()) Ftp.Cancel();
    Ftp.Authenticate(Ftp.UserId, Ftp.Password);
    Ftp.GetDoc(DocumentURL, "", LocalFile);
}

void TransferWorker::ShowProgress(int kind, std::int64_t transferred, std::int64_t total) {
    switch (kind) {
        case 1:
            ShowRow(FileState::Initiated, total, 0);
            break;
        case 3:
            ShowRow(FileState::Transferring, total, transferred);
            if (session_.FirstContactPending) {
                session_.View.SetMessageLabel(
                    "Connection to server is established. Data is being transferred..");
                session_.FirstContactPending = false;
            }
            break;
        case 5:
            ShowRow(FileState::Complete, total, transferred);
            BytesTransferred = transferred;
            break;
        default:
            break;
    }
}

void TransferWorker::MarkIgnored() {
    SetState(State::Ignored);
    if (Http.Busy()) Http.Cancel();
    if (Ftp.Busy()) Ftp.Cancel();
    ShowRowState(FileState::Ignored);
}

void TransferWorker::OnHttpProgress(const TransferProgress& doc) {
    if (state_ == State::WaitingToRetry) {
        // The failed try is over once its end has come: only then may the next one start on
        // this control.
        if (doc.State == TransferProgress::End && !retryTimer_.isActive())
            retryTimer_.start(pauseMs_);
        return;
    }
    // While a protected fetch blocks, the cancelled transfer's events do not count; once the
    // worker is counted, nothing it still receives may change its row.
    if (session_.ProtectedFetchActive || Finished || state_ == State::Closed) return;
    ShowProgress(1, doc.BytesTransferred, doc.TotalSize);
    switch (doc.State) {
        case TransferProgress::Begin:
            DocumentText.clear();
            // One allocation for the page as announced (within reason: the number is the
            // server's word).
            if (scanPage_ && doc.TotalKnown)
                DocumentText.reserve(static_cast<std::size_t>(
                    std::min<std::int64_t>(doc.TotalSize, kAnnouncedPageReserve)));
            break;
        case TransferProgress::Data:
            if (scanPage_ && DocumentText.size() < kMaxScannedPageBytes)
                DocumentText.append(
                    doc.DataChunk.substr(0, kMaxScannedPageBytes - DocumentText.size()));
            ShowProgress(3, doc.BytesTransferred, doc.TotalSize);
            if (!WithinDiskBudget(doc.BytesTransferred)) break;
            // TotalSize is never below the bytes received, so an unannounced length is caught
            // as soon as the bytes pass the limit.
            if (SizeLimitOn && doc.TotalSize > SizeLimitBytes) {
                MarkIgnored();
                FinishTransfer();
            }
            break;
        case TransferProgress::End:
            if (Ignored || EndedFileFailure() || EndedCutOff(doc) ||
                EndedWithoutDocument(doc))
                break;
            // A redirect's body is not the document: it is neither counted nor scanned.
            ShowProgress(5, RedirectHandled ? 0 : doc.BytesTransferred, doc.TotalSize);
            SetState(State::Ended);
            if (redirectFromBody_) {
                redirectFromBody_ = false;
                if (!session_.StopRequested) FollowRedirect();
            }
            if (session_.CompleteCopy && !RedirectHandled && Http.StatusCode() < 400) {
                // Recorded even after a stop: the conversion still links to what arrived.
                const std::string_view text =
                    session_.StopRequested ? std::string_view() : std::string_view(DocumentText);
                if (engine_.Complete().Landed(requestURL_, LocalFile,
                                              Http.ReplyHeader("Content-Type"), text) > 0)
                    session_.ShowQueuedCount();
            } else if (!session_.CompleteCopy && !session_.StopRequested && scanPage_ &&
                       !RedirectHandled) {
                if (ExtractLinks(DocumentText, DocumentURL, session_) > 0)
                    session_.ShowQueuedCount();
            }
            std::string().swap(DocumentText);
            if (!ProtectedFetchStarted) FinishTransfer();
            break;
        case TransferProgress::Error:
            transferFailed_ = true;
            transferError_ = doc.ErrorText;
            if (doc.FileFailed) fileFailure_ = doc.ErrorText;
            break;
        default:
            break;
    }
}

bool TransferWorker::EndedCutOff(const TransferProgress& doc) {
    // Bytes came but the transfer failed (the disk refused them, say): the document was not
    // kept, so it is not counted as retrieved.
    if (!transferFailed_ || doc.BytesTransferred <= 0 || RedirectHandled) return false;
    DropCutOff(transferError_);
    return true;
}

void TransferWorker::DropCutOff(const std::string& reason) {
    MarkIgnored();
    session_.TellNotRetrieved(
        GridRow - 1, requestURL_ + " failed: " +
                         (reason.empty() ? "the transfer broke off" : reason) + KeptNote());
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
            if (Finished || state_ == State::Closed) return;
            if (!IsStartPage) {
                EndedFileFailure();
                return;
            }
            // The session's completion says what became of its start page.
            MarkIgnored();
            engine_.startPageFailure_ = fileFailure_;
            session_.View.SetRowFailure(GridRow - 1, fileFailure_);
            FinishTransfer();
        },
        Qt::QueuedConnection);
}

void TransferWorker::EndRedirectChain() {
    session_.TellNotRetrieved(GridRow - 1, requestURL_ + " redirects more than " +
                                               std::to_string(MaxRedirectHops) + " times in a row");
}

bool TransferWorker::EndedWithoutDocument(const TransferProgress& doc) {
    // Failed before any byte of the document, for a reason a later try would not change (a
    // certificate refused, a reply that is no HTTP, no such file on the FTP server): nothing
    // was retrieved, and the row must not say it was.
    if (!transferFailed_ || doc.BytesTransferred > 0 || RedirectHandled || session_.StopRequested)
        return false;
    GiveUp(requestURL_ + " failed: " + transferError_, false);
    return true;
}

bool TransferWorker::EndedFileFailure() {
    // Whatever arrived, the file is not there: "Complete" would be a lie.
    if (fileFailure_.empty()) return false;
    MarkIgnored();
    const std::string told = fileFailure_ + KeptNote();
    if (IsStartPage) {
        // The completion says it, rather than that the host could not be reached.
        engine_.startPageFailure_ = told;
        session_.View.SetRowFailure(GridRow - 1, told);
    } else {
        session_.TellNotRetrieved(GridRow - 1, told);
    }
    FinishTransfer();
    return true;
}

void TransferWorker::OnHttpConnectionState(short state) {
    if (Finished || state_ == State::Closed || session_.ProtectedFetchActive) return;
    SessionState& s = session_;
    const int status = Http.StatusCode();
    if (!RedirectHandled && !s.StopRequested && IsRedirectReply(status, Http.ReplyText())) {
        SetState(State::Redirected);
        if (Http.ReplyHeader("Location").empty()) {
            // The address is in the body, which is still arriving: read it at the end.
            redirectFromBody_ = true;
        } else {
            Http.Cancel();
            FollowRedirect();
        }
        return;
    }
    // Another host that asks for credentials gets none: its refusal is a failure like others.
    if (s.UseHTTPAuthentication && !ProtectedFetchStarted && !s.StopRequested &&
        IsAuthorizationReply(status, Http.ReplyText()) &&
        engine_.SendsCredentialsTo(Http.Document)) {
        SetState(State::ProtectedFetch);
        Http.Cancel();
        FetchProtectedFile(Http.Document);
        return;
    }
    if (state_ != State::Transferring) return;
    // An error page is not the document: it is neither kept nor counted nor scanned.
    if (status >= 400) {
        ReplyFailed(status);
        return;
    }
    if ((state == TransferState::Failed || state == TransferState::Closed) &&
        Http.FailedTransiently()) {
        ConnectionFailed();
        return;
    }
    // A connection that breaks or stalls before the end leaves a cut-off file: like an FTP
    // transfer closed early, it is not counted and its file is removed at completion.
    if (state == TransferState::Closed && !TransferEnded && !RedirectHandled &&
        !ProtectedFetchStarted)
        DropCutOff(Http.ErrorText());
}

void TransferWorker::ReplyFailed(int status) {
    const std::string failure = requestURL_ + " answered " + StatusText(status, Http.ReplyText());
    failureAnswered_ = true;
    if (IsTransientStatus(status) && TryAgainLater(failure, Http.ReplyHeader("Retry-After")))
        return;
    GiveUp(failure, true);
}

void TransferWorker::ConnectionFailed() {
    const std::string failure = requestURL_ + " failed: " + Http.ErrorText();
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
    if (Http.Busy()) Http.Cancel();
    if (Ftp.Busy()) Ftp.Cancel();
    return true;
}

void TransferWorker::TryAgainNow() {
    if (state_ != State::WaitingToRetry) return;
    if (session_.StopRequested) {
        GiveUp(failure_, failureAnswered_);
        return;
    }
    SetState(State::Transferring);
    if (IsFTP)
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
    session_.View.ChangeRow(GridRow - 1, [](FileRow& row) {
        if (row.Total == NoByteCount) row.Total = 0;
    });
    const std::string told = failure + KeptNote();
    if (IsStartPage) {
        // The session's completion tells what became of its start page, and that the earlier
        // copy stays.
        if (answered) {
            engine_.startPageFailure_ = told;
        } else {
            const std::string failed = requestURL_ + " failed: ";
            engine_.startPageUnreached_ =
                (StartsWithText(failure, failed) ? failure.substr(failed.size()) : failure) +
                KeptNote();
        }
        session_.View.SetRowFailure(GridRow - 1, told);
    } else {
        session_.TellNotRetrieved(GridRow - 1, told);
    }
    FinishTransfer();
}

void TransferWorker::OnFtpProgress(const TransferProgress& doc) {
    if (Finished || state_ == State::Closed) return;
    if (state_ == State::WaitingToRetry) {
        if (doc.State == TransferProgress::End && !retryTimer_.isActive())
            retryTimer_.start(pauseMs_);
        return;
    }
    switch (doc.State) {
        case TransferProgress::Begin:
            ShowProgress(1, doc.BytesTransferred, doc.TotalSize);
            break;
        case TransferProgress::Data:
            ShowProgress(3, doc.BytesTransferred, doc.TotalSize);
            if (!WithinDiskBudget(doc.BytesTransferred)) break;
            if (SizeLimitOn && doc.TotalSize > SizeLimitBytes) {
                MarkIgnored();
                FinishTransfer();
            }
            break;
        case TransferProgress::End:
            if (Ignored || EndedFileFailure() || EndedCutOff(doc) || FtpTriesAgain(doc) ||
                EndedWithoutDocument(doc))
                break;
            SetState(State::Ended);
            ShowProgress(5, doc.BytesTransferred, doc.TotalSize);
            FinishTransfer();
            break;
        case TransferProgress::Error:
            transferFailed_ = true;
            transferError_ = doc.ErrorText;
            if (doc.FileFailed) fileFailure_ = doc.ErrorText;
            break;
        default:
            break;
    }
}

bool TransferWorker::FtpTriesAgain(const TransferProgress& doc) {
    // Refused, cut or timed out before the file began, or a "not now" reply (a server that
    // takes only so many connections answers 421): the file is asked for again after a pause.
    if (!transferFailed_ || doc.BytesTransferred > 0 || !Ftp.FailedTransiently() ||
        !TryAgainLater(requestURL_ + " failed: " + transferError_, {}))
        return false;
    retryTimer_.start(pauseMs_);  // this try has ended already
    return true;
}

void TransferWorker::OnFtpConnectionState(short state) {
    if (Finished || state_ == State::Closed || state_ == State::WaitingToRetry) return;
    // A connection that broke before the file began may be tried again: its End decides.
    if (!TransferEnded && state == TransferState::Closed && !Ftp.FailedTransiently())
        DropCutOff(Ftp.ErrorText());
}

void TransferWorker::FollowRedirect() {
    SessionState& s = session_;
    // The body is read where the transfer is writing it (it takes the local file's name only
    // when it has arrived whole).
    const std::string& body = Http.OutputFile().empty() ? LocalFile : Http.OutputFile();
    const std::string target = RedirectTarget(Http.ReplyHeader("Location"), requestURL_, body);
    if (!target.empty() && !StartsWithText(target, "http://") &&
        !StartsWithText(target, "https://")) {
        RefuseRedirect(target);
        return;
    }
    if (IsStartPage) {
        // Most sites answer their plain address with a redirect to another scheme or host: the
        // session follows it as if the target had been typed.
        engine_.MoveStartPage(requestURL_, target);
        return;
    }
    if (s.CompleteCopy) {
        const int hops = engine_.RedirectHopsTo(requestURL_) + 1;
        if (target.empty()) return;
        if (hops > MaxRedirectHops) {
            EndRedirectChain();
            return;
        }
        if (engine_.Complete().Redirected(requestURL_, target)) {
            engine_.SetRedirectHops(s.PendingURLs.back(), hops);
            s.ShowQueuedCount();
        }
        return;
    }
    const std::string name = UrlToLocalName(target, s);
    if (name.empty()) return;
    const int hops = engine_.RedirectHopsTo(requestURL_) + 1;
    if (hops > MaxRedirectHops) {
        EndRedirectChain();
        return;
    }
    std::string file = s.ProjectFolder + name;
    if (s.KnownFiles.Contains(file)) {
        // Only a redirect to this worker's own file with another address is followed (once):
        // "dir" -> "dir/" keeps the local name; a page redirecting to itself would loop.
        const bool sameFileOtherAddress =
            SameText(file, LocalFile) && !SameText(target, requestURL_);
        if (!sameFileOtherAddress || !engine_.FirstRedirectTo(target)) return;
    } else {
        s.KnownFiles.Add(file);
    }
    engine_.SetRedirectHops(target, hops);
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
    GiveUp(requestURL_ + " redirects to " + shown + ", which is not an http or https address",
           true);
}

void TransferWorker::AddSiteFolder() {
    SessionState& s = session_;
    if (s.CompleteCopy) {
        // The project's real folders, each one level of the file's local path, also for a file
        // of an earlier run that this one kept.
        const bool inCopy = Ignored ? earlierCopy_ : BytesTransferred > 0;
        if (!inCopy || !StartsWithText(LocalFile, s.ProjectFolder)) return;
        const std::string path = LocalFile.substr(s.ProjectFolder.size());
        for (std::size_t slash = path.find('/'); slash != std::string::npos;
             slash = path.find('/', slash + 1)) {
            const std::string folder = path.substr(0, slash + 1);
            if (s.SiteFolders.Contains(folder)) continue;
            s.SiteFolders.Add(folder);
            s.View.AddSiteChild(folder);
        }
        return;
    }
    if (Ignored || SameText(DocumentURL, s.SiteBase) || BytesTransferred <= 0) return;
    std::string folder;
    if (Contains(DocumentURL, "ftp://")) {
        const std::size_t k = UrlToLocalName(DocumentURL, s).size();
        if (k < DocumentURL.size()) folder = DocumentURL.substr(0, DocumentURL.size() - k);
    } else if (StartsWithText(DocumentURL, s.SiteBase)) {
        folder = DocumentURL.substr(s.SiteBase.size());
        const std::size_t slash = folder.find('/');
        if (slash != std::string::npos) folder.erase(slash + 1);
    }
    // The file-system lookup last: only a folder not in the tree yet needs it.
    if (folder.size() > 2 && !s.SiteFolders.Contains(folder) && FileExists(LocalFile)) {
        s.SiteFolders.Add(folder);
        s.View.AddSiteChild(folder);
    }
}

void TransferWorker::FinishTransfer() {
    SessionState& s = session_;
    if (Finished) {
        SetState(State::Closed);
        return;
    }
    ForgetBytesBeingWritten();
    if (Ignored && earlierCopy_ && s.CompleteCopy)
        engine_.Complete().KeptEarlier(requestURL_, LocalFile);
    else if (Ignored && !earlierCopy_)
        s.DiscardedFiles.push_back(LocalFile);
    else if (BytesTransferred > 0)
        ++s.FilesRead;
    if (IsStartPage && !Ignored && BytesTransferred > 0) engine_.startPageArrived_ = true;
    s.BytesReceived += BytesTransferred;
    s.View.SetLowerStatusBar(1, "Files Read: " + std::to_string(s.FilesRead));
    s.View.SetLowerStatusBar(2, "Bytes Received: " + std::to_string(s.BytesReceived));
    if (s.ElapsedSeconds > 0)
        s.View.SetLowerStatusBar(
            3, "Retrieval Speed: " + SpeedText(s.BytesReceived, s.ElapsedSeconds));
    AddSiteFolder();
    const bool counted = s.RunningThreads >= 1;
    SetState(State::Finished);
    if (counted) {
        --s.RunningThreads;
        s.View.SetThreadCountLabel(std::to_string(s.RunningThreads));
        engine_.StartWorkers();
    }
    SetState(State::Closed);
}
