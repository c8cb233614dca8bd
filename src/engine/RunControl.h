#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "core/ProjectSubfolders.h"
#include "core/SessionSettings.h"
#include "engine/CompleteCopy.h"
#include "engine/SessionState.h"
#include "engine/WorkerHost.h"

// Drives one retrieval session from the New Session command to its completion: starts the first
// worker, keeps up to MaximumThreads workers busy while the queue holds entries, keeps the clock,
// stops on request or when the disk budget is used up, and completes the session (e-mail page,
// completion messages, offline conversion, session file).
//
// Stopping: the Stop command and the disk budget stop new work; the session completes when the
// running workers have finished (at once when none runs). Workers still transferring when the
// stop's grace (StopGraceMs) has passed are cancelled, their files dropped as cut off, so that
// a server that drips cannot hold the session open.
class RunControl : public QObject, public WorkerHost {
    Q_OBJECT
  public:
    enum class Outcome {
        None,          // no session has completed yet
        Completed,     // completed with its start page received
        NotConnected,  // the start page never arrived ("unable to connect with host")
        StartPageFailed,  // the server answered the start page with an error status
    };

    explicit RunControl(SessionState& session, QObject* parent = nullptr);
    ~RunControl() override;

    SessionState& Session() { return session_; }

    // The New Session dialog closed with OK (or lanternway-get read its command line) and these
    // are the settings: initialise the session and start the first worker. False when the
    // session did not start (no session file name, or the project folder could not be made).
    bool StartNewSession(const SessionSettings& settings);
    // Called by every finishing worker: completes the session or starts further workers.
    void StartWorkers();
    // The Stop command. The session completes (SessionFinished, its record written) once the
    // running workers have finished, at the latest about StopGraceMs later.
    void StopSession();
    // The program is closing while a session runs or completes: it stops as Stop stops it,
    // but nothing is shown or asked any more (no wait box, no completion boxes, no
    // conversion); the session file is still written when the session completes.
    void StopForClosing();
    // Ends the stop's grace now: stops the session if it was not stopped, and cancels every
    // transfer still under way (their files are dropped as cut off).
    void EndTransfersNow();
    // How long transfers may go on after a stop.
    int StopGraceMs = 10000;
    // One tick of the elapsed-time clock: one second more.
    void TickClock();
    // Brings the clock to the real time passed since the session started (to the nearest
    // second): as many ticks as it is behind, none when it is not.
    void CatchUpClock() override;
    void FinishSession();

    // The complete copy's queue, file registry and conversion (used when the session is one).
    CompleteCopy& Complete() override { return complete_; }
    // The folders the run makes in the project folder for its files.
    ProjectSubfolders& Subfolders() override { return subfolders_; }

    Outcome LastOutcome() const { return outcome_; }
    // Neither running nor completing: the only state in which a new session may start or a
    // session file be opened.
    bool Idle() const { return !session_.Running() && !completing_; }
    // The last session stopped taking new work because the disk budget was used up: the copy
    // is incomplete.
    bool StoppedForDiskSpace() const { return !diskSpaceStop_.empty(); }
    // The files received and those still being written together have passed the disk budget,
    // now or when a file was dropped for it.
    bool DiskBudgetUsedUp() const;
    // The last session's offline conversion failed (an error box said why); its session file
    // holds what was retrieved all the same.
    bool ConversionFailed() const { return conversionFailed_; }
    // Workers created and not yet destroyed.
    int LiveWorkers() const { return liveWorkers_; }

    // The completion sequence's offline conversion and silent save. Set by default to the
    // program's own; tests may replace them.
    std::function<bool(SessionState&)> ConvertFiles;
    std::function<bool(SessionState&)> SaveSession;

    // A redirect to the worker's own file is followed once per address: a folder address without
    // its final "/" redirects to the same local name, while a page that redirects to itself must
    // not queue forever. True when the address had not been followed before.
    bool FirstRedirectTo(const std::string& address) override;
    // How many redirects led to the address (0 for an address found as a link), and noting it
    // for an address a redirect queued.
    int RedirectHopsTo(const std::string& address) const override;
    void SetRedirectHops(const std::string& address, int hops) override;

    // The start page redirected to the target: the target becomes the start page, and the site
    // becomes the target's, reduced as a typed start address is.
    void MoveStartPage(const std::string& from, const std::string& target) override;

    // Whether a reply of the address that asks for credentials is answered with the session's
    // HTTP user name and password: only the site copied (the scheme, host and port of the start
    // page, or of the page its redirect led to) is given them.
    bool SendsCredentialsTo(const std::string& address) const override;

  signals:
    // The session has completed (FinishSession has run to its end).
    void SessionFinished();

  private:
    void StartWorker(const std::string& url, const std::string& file, bool first);
    void ReduceSiteBaseToRoot();
    void WriteEMailPage();
    std::string DriveOf(const std::string& path) const;
    // "Drive D has only N MB free space."
    std::string FreeSpaceText() const;
    // Cancels the transfers still under way, saying why.
    void EndTransfers(const std::string& reason);
    int EffectiveMaximumThreads() const;
    // What the workers tell (WorkerHost).
    void StartPageArrived() override { startPageArrived_ = true; }
    void StartPageFailed(const std::string& reason) override { startPageFailure_ = reason; }
    void StartPageUnreached(const std::string& reason) override { startPageUnreached_ = reason; }
    void WorkerFinished() override { StartWorkers(); }
    void CountBytesBeingWritten(std::int64_t change) override { bytesBeingWritten_ += change; }
    std::string DiskBudgetPassedWhileWriting() override;
    // Deletes a closed worker once its own event has been handled.
    void WorkerClosed(TransferWorker& worker) override;

    SessionState& session_;
    CompleteCopy complete_;
    ProjectSubfolders subfolders_;
    Outcome outcome_ = Outcome::None;
    int liveWorkers_ = 0;
    // Workers closed since the event loop last deleted this bin (one deferred delete for all).
    QPointer<QObject> retired_;
    std::unordered_map<std::string, std::int64_t> sizeLimits_;  // lower-case extension -> bytes
    std::unordered_set<std::string> redirectTargets_;           // upper-case addresses
    std::unordered_map<std::string, int> redirectHops_;         // upper-case address -> hops
    std::string startPageAddress_;  // queued by a redirect of the start page, not yet started
    std::string credentialsOrigin_;  // "scheme://host[:port]" of the site copied
    bool startPageArrived_ = false;
    std::string startPageFailure_;  // the error reply that ended the start page
    std::string startPageUnreached_;  // why the start page's host could not be reached
    std::string diskSpaceStop_;     // the message of a stop by the disk budget
    // Bytes written so far by the workers still transferring: BytesReceived counts a file only
    // once it has ended, but the disk fills as it is written.
    std::int64_t bytesBeingWritten_ = 0;
    bool budgetPassedWhileWriting_ = false;  // a file was dropped for it
    QTimer stopGrace_;
    bool conversionFailed_ = false;
    bool completing_ = false;  // FinishSession is under way (its boxes run event loops)
    bool unattended_ = false;  // the program is closing: nobody is asked anything
};

// The site root of an address, keeping its scheme: https://host/dir/page.html gives
// https://host/. An address without a scheme is taken as http.
std::string SiteRoot(const std::string& address);
