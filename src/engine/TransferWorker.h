#pragma once

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <string>

#include "core/FileRow.h"
#include "engine/ReplyKinds.h"
#include "transfer/FtpTransfer.h"
#include "transfer/HttpTransfer.h"

class RunControl;
class SessionState;

// A download worker: fetches exactly one file of the session's queue into the project folder,
// writes its own row of the status grid, hands HTML pages to link extraction, counts itself into
// the session statistics, asks the engine for further workers and then deletes itself. What the
// person sees as a "thread" is one of these; they all run on the event loop's thread.
class TransferWorker : public QObject {
    Q_OBJECT
  public:
    // Where a worker stands. Every change goes through SetState, which keeps the flags below in
    // step with it.
    enum class State {
        Created,         // fields set by the engine, not started
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

    TransferWorker(SessionState& session, RunControl& engine);
    ~TransferWorker() override;

    // Set by the creator before Start.
    std::string DocumentURL;  // the address; for HTTP replaced by its base address at the start
    std::string LocalFile;    // full path of the file to write
    bool IsFTP = false;
    // The session's start page (or the page a redirect of it led to): its redirect moves the
    // site, and the session's outcome is judged by whether it arrived.
    bool IsStartPage = false;
    bool SizeLimitOn = false;
    std::int64_t SizeLimitBytes = 0;

    int GridRow = 0;           // this worker's row count value; its grid row is GridRow - 1
    std::string DocumentText;  // the page received so far, kept only for pages that are scanned
    std::int64_t BytesTransferred = 0;
    bool Ignored = false;
    bool Finished = false;
    bool TransferEnded = false;
    bool RedirectHandled = false;
    bool ProtectedFetchStarted = false;

    HttpTransfer Http;
    FtpTransfer Ftp;

    State CurrentState() const { return state_; }
    // The address as requested (DocumentURL becomes the base address for HTTP).
    const std::string& RequestURL() const { return requestURL_; }

    void Start();
    // Writes a progress state (1 begin, 3 data, 5 end) into the worker's row.
    void ShowProgress(int kind, std::int64_t transferred, std::int64_t total);

    void OnHttpProgress(const TransferProgress& doc);
    void OnHttpConnectionState(short state);
    void OnFtpProgress(const TransferProgress& doc);
    void OnFtpConnectionState(short state);

    // Queues the new location of a redirect reply.
    void FollowRedirect();
    // Ends a pause before the next try at once: the file is given up as failed. No effect on a
    // worker that is not waiting.
    void EndRetryWait();
    // The session was stopped and its transfers may not go on: a transfer still under way is
    // cancelled, its file dropped as cut off for the reason given.
    void CancelAfterStop(const std::string& reason);
    // Fetches the file again, synchronously, with the session's HTTP credentials.
    void FetchProtectedFile(const std::string& address);
    // Counts the worker, updates the statistics and the site tree, lets the engine start further
    // workers, and closes the worker.
    void FinishTransfer();

  private:
    void SetState(State next);
    void StartHttpTransfer();  // one try of the request
    void StartFtpTransfer();   // one try of an FTP file
    void MarkIgnored();  // row "0", "Ignored"; the transfer is abandoned
    // A reply of 400 or more, or a connection refused, reset or timed out before any reply:
    // tried again when that may help and tries are left, otherwise given up.
    void ReplyFailed(int status);
    void ConnectionFailed();
    bool TryAgainLater(const std::string& failure, const std::string& retryAfter);
    void TryAgainNow();
    // The file is not retrieved: its row ends "Ignored", the failure is told, and the worker is
    // counted. `answered` tells a reply with an error status from a failed connection.
    void GiveUp(const std::string& failure, bool answered);
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
    void AddSiteFolder();
    bool IsScannedPage() const;
    // The worker's row: its state and both byte counts, or its state with nothing transferred.
    void ShowRow(FileState state, std::int64_t total, std::int64_t transferred);
    void ShowRowState(FileState state);

    SessionState& session_;
    RunControl& engine_;
    State state_ = State::Created;
    std::string requestURL_;
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
