#pragma once

#include <curl/curl.h>

#include <poll.h>

#include <deque>
#include <functional>
#include <memory>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "transfer/CurlTransfer.h"

// The network thread: one libcurl multi handle, its sockets and timers, and the transfers'
// output files, all driven by that thread's own poll loop over the sockets libcurl names through
// its socket callback, with the timeout it asks for through its timer callback.
//
// The controls' thread hands transfers over with Submit and takes them back with Abandon; the
// network thread answers with events, kept in order per transfer, collected in an outbox that
// the controls' thread empties in batches. The function given at construction is called (on the
// network thread) whenever the outbox stops being empty.
class CurlNetwork {
  public:
    explicit CurlNetwork(std::function<void()> eventsWaiting);
    ~CurlNetwork();
    CurlNetwork(const CurlNetwork&) = delete;
    CurlNetwork& operator=(const CurlNetwork&) = delete;

    // --- called from the controls' thread ---
    // Starts the transfers (their request fields set) on the network thread, in this order.
    void Submit(std::vector<std::shared_ptr<CurlTransfer>>& transfers);
    // Stops the transfer and waits until the network thread has let go of it: on return its
    // file is closed, everything received is in it, and no further event of it is sent.
    void Abandon(const std::shared_ptr<CurlTransfer>& transfer);
    // Moves the waiting events to the end of `into`, in the order they were sent.
    void TakeEvents(std::deque<TransferEvent>& into);
    // Forgets the waiting events of one transfer.
    void DropEvents(const CurlTransfer& transfer);
    // The transfer's data has been delivered: if it was held back, it may go on.
    void Resume(const std::shared_ptr<CurlTransfer>& transfer);

  private:
    struct Command {
        enum class Kind { Begin, Abandon, Resume };
        std::shared_ptr<CurlTransfer> Job;
        Kind What = Kind::Begin;
        bool* Done = nullptr;  // Abandon: set under commandsLock_ once the transfer is let go
    };

    void Post(Command command);
    void Post(std::vector<Command>& commands);
    void WakeThread();  // brings the thread to its commands
    void Run();         // the thread's loop
    int PollTimeoutMs() const;
    bool RunCommands();  // false once the thread is to end
    void Begin(const std::shared_ptr<CurlTransfer>& t);
    void Stop(CurlTransfer& t);
    // True while the transfer's bytes not yet delivered to the control exceed `limit`: then it
    // waits, and the next delivery of its data brings it back here through Resume.
    static bool WaitsForDelivery(CurlTransfer& t, std::int64_t limit);
    // Lets a held-back transfer go on once the control's thread has caught up with it.
    void Reconsider(const std::shared_ptr<CurlTransfer>& t);

    void Act(curl_socket_t socket, int mask);
    void Kick();
    void DrainMessages();
    void Complete(CURL* easy, CURLcode result);
    // Ends a transfer that libcurl is done with: its last bytes and events.
    void Conclude(const std::shared_ptr<CurlTransfer>& t, CURLcode result);
    // Takes in bytes of the document; false (WriteError set) when the file refused them.
    bool Take(CurlTransfer& t, const char* data, std::size_t size);
    // Counts bytes just added to the document.
    bool Taken(CurlTransfer& t, std::size_t size);
    // Unpacks the compressed bytes that wait, as far as the control's thread keeps up. False
    // (WriteError set) when they do not unpack or the file refused them.
    bool Unpack(CurlTransfer& t);
    void SendPendingData();
    bool SendData(const std::shared_ptr<CurlTransfer>& t);
    void FailWrite(const std::shared_ptr<CurlTransfer>& t);
    void ReplyBegins(CurlTransfer& t);
    void Release(CurlTransfer& t);  // takes the handle out of libcurl and back to the pool
    void Settle(CurlTransfer& t);   // the transfer has nothing more to send
    CURL* AcquireHandle();

    TransferEvent MakeEvent(CurlTransfer& t, TransferEvent::Kind kind, int value);
    void Send(CurlTransfer& t, TransferEvent::Kind kind, int value);
    // The transfer's final state (Completed, Failed or Closed), then Error unless completed,
    // then End.
    void SendLast(CurlTransfer& t, short state);
    void WakeIfDue();

    static int OnSocket(CURL* easy, curl_socket_t s, int what, void* network, void* watch);
    static int OnTimer(CURLM* multi, long timeoutMs, void* network);
    static size_t OnWrite(char* data, size_t size, size_t count, void* transfer);
    static size_t OnHeader(char* data, size_t size, size_t count, void* transfer);
    static int OnPrereq(void* transfer, char*, char*, int, int);
    static int OnProgress(void* transfer, curl_off_t dltotal, curl_off_t dlnow, curl_off_t ultotal,
                          curl_off_t ulnow);

    std::function<void()> eventsWaiting_;
    std::thread thread_;
    int commandsFd_ = -1;  // an eventfd that brings the network thread to its commands

    // Shared with the controls' thread.
    std::mutex commandsLock_;
    std::vector<Command> commands_;
    std::condition_variable abandoned_;
    bool stopping_ = false;
    std::mutex outboxLock_;
    std::vector<TransferEvent> outbox_;
    std::uint64_t batch_ = 1;  // changes whenever the outbox is emptied or thinned

    // The network thread's own.
    CURLM* multi_ = nullptr;
    std::vector<pollfd> polls_;     // the commands' eventfd first, then libcurl's sockets
    std::int64_t timerDueMs_ = -1;  // when libcurl wants its timeout pass (steady clock), or -1
    std::int64_t nextKickMs_ = 0;   // the next full pass while FTP transfers run
    int ftpTransfers_ = 0;  // FTP transfers inside libcurl
    bool wakeDue_ = false;  // the outbox has filled during this pass
    std::vector<CURL*> pool_;
    std::vector<std::shared_ptr<CurlTransfer>> dirty_;  // with bytes not yet sent
    std::string unpacked_;  // unpacked bytes on their way to a file, for events without bytes
};
