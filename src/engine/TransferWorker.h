#pragma once

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <optional>
#include <string>

#include "core/FileRow.h"
#include "engine/ReplyKinds.h"
#include "transfer/FtpTransfer.h"
#include "transfer/HttpTransfer.h"

class SessionState;
class WorkerHost;

// What a worker is to fetch, fixed for its life.
struct TransferRequest {
    std::string Address;
    std::string LocalFile;  // full path of the file to write
    bool IsFtp = false;
    // The session's start page (or the page a redirect of it led to): its redirect moves the
    // site, and the session's outcome is judged by whether it arrived.
    bool IsStartPage = false;
    std::optional<std::int64_t> SizeLimit;  // bytes; a larger file is abandoned
};

// A download worker: fetches exactly one file of the session's queue into the project folder,
// writes its own row of the status grid, hands HTML pages to link extraction, counts itself into
// the session statistics, tells its run what became of it and then closes. What the person sees
// as a "thread" is one of these; they all run on the event loop's thread.
class TransferWorker : public QObject {
    Q_OBJECT
  public:
    // Where a worker stands. It changes in SetState alone, which traces the change and runs the
    // new state's entry action.
    enum class State {
        Created,         // not started
        Transferring,    // row added, request started
        Redirected,      // a redirect was queued and the transfer cancelled; its end still comes
        ProtectedFetch,  // being fetched again with credentials, synchronously
        WaitingToRetry,  // a busy server or a failed connection: asked again after a pause
        Ended,           // the document reached its end
        Ignored,         // abandoned: over its size limit, an error reply, a connection closed
                         // early, or a failure that trying again did not mend
        Finished,        // counted into the session; nothing it receives matters any more
        Closed,          // its release is scheduled
    };

    TransferWorker(SessionState& session, WorkerHost& host, TransferRequest request,
                   QObject* parent = nullptr);
    ~TransferWorker() override;

    State CurrentState() const { return state_; }
    // Counted into the session: nothing it still receives changes anything.
    bool Finished() const { return state_ == State::Finished || state_ == State::Closed; }
    // The file written; a complete copy may rename a page that arrives.
    const std::string& LocalFile() const { return localFile_; }
    bool IsFtp() const { return request_.IsFtp; }
    const std::optional<std::int64_t>& SizeLimit() const { return request_.SizeLimit; }
    // The address as requested (DocumentURL becomes the base address for HTTP).
    const std::string& RequestURL() const { return request_.Address; }
    // What the page's links resolve against: for HTTP the base address once started.
    const std::string& DocumentURL() const { return documentURL_; }
    // This worker's row of the status grid (0 before the start).
    int GridRow() const { return gridRow_; }
    const FtpTransfer& Ftp() const { return ftp_; }

    void Start();

    // The transfer controls' events.
    void OnHttpProgress(const TransferProgress& doc);
    void OnHttpConnectionState(short state);
    void OnFtpProgress(const TransferProgress& doc);
    void OnFtpConnectionState(short state);

    // Ends a pause before the next try at once: the file is given up as failed. No effect on a
    // worker that is not waiting.
    void EndRetryWait();
    // The session was stopped and its transfers may not go on: a transfer still under way is
    // cancelled, its file dropped as cut off for the reason given.
    void CancelAfterStop(const std::string& reason);
    // Fetches the file again, synchronously, with the session's HTTP credentials.
    void FetchProtectedFile(const std::string& address);

  private:
    void SetState(State next);

    // --- The work of each state --------------------------------------------------------------
    // Either protocol's document events, for a worker that is transferring or was redirected.
    void OnTransferProgress(const TransferProgress& doc);
    void OnBegin(const TransferProgress& doc);
    void OnData(const TransferProgress& doc);
    void OnEnd(const TransferProgress& doc);
    void OnError(const TransferProgress& doc);
    // WaitingToRetry: the failed try is over once its end has come; only then may the next one
    // start on the same control.
    void AwaitRetry(const TransferProgress& doc);
    void StartHttpTransfer();  // one try of the request
    void StartFtpTransfer();   // one try of an FTP file
    void MarkIgnored();        // row "0", "Ignored"; the transfer is abandoned
    // Queues the new location of a redirect reply.
    void FollowRedirect();
    // Counts the worker, updates the statistics and the site tree, tells the run, and closes.
    void FinishTransfer();

    // --- Failures -----------------------------------------------------------------------------
    // A reply of 400 or more, or a connection refused, reset or timed out before any reply:
    // tried again when that may help and tries are left, otherwise given up.
    void ReplyFailed(int status);
    void ConnectionFailed();
    bool TryAgainLater(const std::string& failure, const std::string& retryAfter);
    void TryAgainNow();
    // The file is not retrieved: its row ends "Ignored", the failure is told, and the worker is
    // counted. `answered` tells a reply with an error status from a failed connection.
    void GiveUp(const std::string& failure, bool answered);
    // The start page failed: the run's completion tells it; the row keeps it as well.
    void TellStartPageFailure(const std::string& told);
    // At the End event: a transfer that failed after bytes had come is finished as ignored.
    bool EndedCutOff(const TransferProgress& doc);
    // A transfer that broke off after its reply began: the cut-off file is not kept, its row
    // ends "Ignored", and the failure is told to answerers without a window.
    void DropCutOff(const std::string& reason);
    // A chain of redirects longer than MaxRedirectHops ends here, and is told.
    void EndRedirectChain();
    // A redirect to an address that is not http or https: the file is given up, and told.
    void RefuseRedirect(const std::string& target);
    // At the End event: a document that could not be written to its file or given its name is
    // finished as ignored, and the reason is reported.
    bool EndedWithoutDocument(const TransferProgress& doc);
    bool EndedFileFailure();
    // A file that may not be written where it would go fails before any request: its row ends
    // "Ignored" and the reason is told.
    void RefuseFile(const std::string& reason);
    // What a failure's report adds when the file of an earlier run stays in its place.
    const char* KeptNote() const;
    bool FtpTriesAgain(const TransferProgress& doc);
    // Counts the bytes written so far against the session's disk budget. False when they pass
    // it: the file is dropped (cut off) and the session stops as when the budget runs out
    // between files.
    bool WithinDiskBudget(std::int64_t written);
    // Once the transfer's file is counted into BytesReceived or dropped.
    void ForgetBytesBeingWritten();

    void AddSiteFolder(bool ignored);
    bool IsScannedPage() const;
    // The worker's row: its state and both byte counts, or its state with nothing transferred.
    void ShowRow(FileState state, std::int64_t total, std::int64_t transferred);
    void ShowRowState(FileState state);

    SessionState& session_;
    WorkerHost& host_;
    const TransferRequest request_;
    HttpTransfer http_;
    FtpTransfer ftp_;
    State state_ = State::Created;
    std::string localFile_;
    std::string documentURL_;  // the address; for HTTP its base address once started
    int gridRow_ = 0;
    std::string documentText_;  // the page received so far, kept only for pages that are scanned
    std::int64_t bytesTransferred_ = 0;
    bool scanPage_ = false;
    bool redirectFromBody_ = false;  // a redirect without Location: followed at the end
    bool transferFailed_ = false;    // an Error event came: the document did not arrive whole
    std::string transferError_;      // what the last Error event said
    int tries_ = 0;                  // requests made for this file
    QTimer retryTimer_;              // the pause before the next try
    int pauseMs_ = 0;
    std::string failure_;            // why the last try failed
    bool failureAnswered_ = false;   // ... and whether the server answered it with a status
    std::string fileFailure_;        // why the document could not be put in place, if so
    bool earlierCopy_ = false;       // a file of an earlier run stood under LocalFile at the start
    std::int64_t bytesBeingWritten_ = 0;  // this try's bytes, counted in the engine's sum
};
