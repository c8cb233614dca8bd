#pragma once

#include <cstdint>
#include <string>

class CompleteCopy;
class ProjectSubfolders;
class TransferWorker;

// What a transfer worker may ask of the run it belongs to, and what it tells the run of its
// file. The run control implements it; a worker sees nothing else of the run, and the run sees
// of a worker only what it is told here.
class WorkerHost {
  public:
    // --- What a worker asks --------------------------------------------------------------
    virtual CompleteCopy& Complete() = 0;
    virtual ProjectSubfolders& Subfolders() = 0;
    // A redirect to the worker's own file is followed once per address; true the first time.
    virtual bool FirstRedirectTo(const std::string& address) = 0;
    // How many redirects led to the address, and noting it for an address a redirect queued.
    virtual int RedirectHopsTo(const std::string& address) const = 0;
    virtual void SetRedirectHops(const std::string& address, int hops) = 0;
    // The start page redirected: the target becomes the start page, and the site the target's.
    virtual void MoveStartPage(const std::string& from, const std::string& target) = 0;
    // Whether the session's HTTP credentials may be sent in reply to the address's challenge.
    virtual bool SendsCredentialsTo(const std::string& address) const = 0;
    // Work that held the event loop has ended: the clock catches up with the real time.
    virtual void CatchUpClock() = 0;

    // --- What a worker tells ----------------------------------------------------------------
    // The start page arrived with bytes of its own.
    virtual void StartPageArrived() = 0;
    // The start page was refused (an error reply, or a file that could not be put in place):
    // the reason, as the completion tells it.
    virtual void StartPageFailed(const std::string& reason) = 0;
    // The start page's host could not be reached: why.
    virtual void StartPageUnreached(const std::string& reason) = 0;
    // The bytes a worker has written of a file not counted yet grew or shrank by change: the
    // disk fills as files are written, not when they end.
    virtual void CountBytesBeingWritten(std::int64_t change) = 0;
    // Whether the files received and those being written have passed the session's disk
    // budget: the reason to tell when they have (the run stops taking new work), otherwise
    // nothing.
    virtual std::string DiskBudgetPassedWhileWriting() = 0;
    // A worker has been counted into the session: further workers may start, or the session
    // complete.
    virtual void WorkerFinished() = 0;
    // A worker is done; it is released once the event it is handling has returned.
    virtual void WorkerClosed(TransferWorker& worker) = 0;

  protected:
    ~WorkerHost() = default;
};

// A redirect is followed at most this many times in a row: a server can make up a new address
// at every step, and a session that follows them all never ends.
inline constexpr int MaxRedirectHops = 20;

// The retrieval speed text of the status bar, with its unit: below 100 KB/s in KB with two
// significant digits and one decimal ("46.0 KB/s", "4.6 KB/s", "0.5 KB/s"); faster in whole KB
// below 1000 ("512 KB/s"), then the same rules in MB and GB ("6.5 MB/s", "117 MB/s").
std::string SpeedText(std::int64_t bytes, int seconds);
