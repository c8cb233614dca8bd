#pragma once

#include <curl/curl.h>

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "transfer/Transfer.h"

// One transfer of a control: its libcurl handle, output file and what libcurl's callbacks
// reported. Shared between the control and queued events, so that an event whose control is
// gone can be recognised and dropped.
class CurlTransfer : public std::enable_shared_from_this<CurlTransfer> {
  public:
    Transfer* Owner = nullptr;  // null once the control is destroyed
    CURL* Easy = nullptr;               // while libcurl works on it
    bool IsFtp = false;
    bool Counted = false;  // counted in the driver's FTP transfers
    bool Active = false;   // the control's Busy()
    bool EndQueued = false;

    std::string Url;
    std::string FilePath;
    // The bytes go to a temporary file beside FilePath, which takes the final name only when the
    // transfer has ended well (Kept); otherwise it is removed once the End event has been
    // delivered, so that the handlers can still read what arrived.
    std::string PartPath;
    bool Kept = false;
    std::FILE* File = nullptr;
    // Bytes received since the last data event; [0, Flushed) of it are already in the file.
    std::string Pending;
    std::size_t Flushed = 0;
    bool DataQueued = false;
    std::int64_t Received = 0;  // bytes of the document accepted so far

    bool Connected = false;
    bool Stalled = false;             // ended for receiving nothing for too long
    std::int64_t LastActivityMs = 0;  // steady clock of the last byte that moved
    curl_off_t LastDownloaded = 0;
    int StallMs = 0;
    bool Begun = false;
    bool HeadersDone = false;
    bool Encoded = false;         // the body came compressed (its length is not ours)
    std::int64_t Announced = -1;  // the announced length, -1 when none
    int Status = 0;
    std::string Reason;
    std::string Headers;  // the header lines of the reply being read
    std::string ErrorText;
    std::string WriteError;  // why the output file could not be written
    CURLcode Result = CURLE_OK;  // how libcurl ended the transfer
    bool FileFailed = false;  // the output file could not be created, written or renamed
    curl_slist* RequestHeaders = nullptr;
    char ErrorBuffer[CURL_ERROR_SIZE] = {};

    ~CurlTransfer();
    // Creates the output file when the reply begins. False (and WriteError set) on failure.
    bool OpenFile();
    // Writes what the file has not had yet. False (and WriteError set) on failure.
    bool FlushToFile();
    void CloseFile();
    // Gives the complete file its final name. False (and WriteError set) on failure.
    bool KeepFile();
    // Removes the temporary file of a transfer that did not end well.
    void DiscardFile();
    // Where the received bytes are: the temporary file, or the final one once kept.
    const std::string& OutputPath() const { return Kept ? FilePath : PartPath; }
};

// The process's libcurl multi handle, driven by the Qt event loop: a QSocketNotifier per socket
// direction and a single-shot QTimer, as libcurl asks through its socket and timer callbacks.
// libcurl's own callbacks only record what happened; the controls' events are delivered from
// a queue once curl_multi_socket_action has returned, so that handlers may call back into
// libcurl (cancel, start transfers) and may run nested event loops.
class CurlDriver : public QObject {
  public:
    static CurlDriver& Instance();

    void Start(Transfer& control, const std::string& url, const std::string& headers,
               const std::string& localFile);
    void Cancel(CurlTransfer& transfer);
    // The control is going away: stop its transfer quietly, drop its events.
    void Detach(CurlTransfer& transfer);

    Transfer::Timeouts Timeouts;

  private:
    enum class EventKind { State, Doc };
    struct Event {
        std::shared_ptr<CurlTransfer> CurlJob;
        EventKind Kind;
        int Value;
    };
    struct SocketWatch;

    CurlDriver();
    ~CurlDriver() override;

    void Queue(const std::shared_ptr<CurlTransfer>& t, EventKind kind, int value);
    void QueueFailure(const std::shared_ptr<CurlTransfer>& t, short state);
    void DropEvents(const CurlTransfer& t);
    void ScheduleDelivery();
    void Deliver();
    void DeliverOne(Event& e);

    void Drive(curl_socket_t socket, int mask);
    void DrainMessages();
    void Complete(CURL* easy, CURLcode result);
    void Release(CurlTransfer& t);  // takes the handle out of libcurl and back to the pool
    void ReleaseBuffer(std::string buffer);  // keeps a receive buffer for a later transfer
    CURL* AcquireHandle();
    void Configure(CurlTransfer& t, const Transfer& control, const std::string& url,
                   const std::string& headers);

    static int OnSocket(CURL* easy, curl_socket_t s, int what, void* driver, void* watch);
    static int OnTimer(CURLM* multi, long timeoutMs, void* driver);
    static size_t OnWrite(char* data, size_t size, size_t count, void* transfer);
    static size_t OnHeader(char* data, size_t size, size_t count, void* transfer);
    static int OnPrereq(void* transfer, char*, char*, int, int);
    static int OnProgress(void* transfer, curl_off_t dltotal, curl_off_t dlnow, curl_off_t ultotal,
                          curl_off_t ulnow);

    CURLM* multi_ = nullptr;
    QTimer timer_;
    QTimer ftpKick_;
    int ftpTransfers_ = 0;  // FTP transfers inside libcurl
    std::deque<Event> queue_;
    QTimer deliveryTimer_;  // delivers events queued outside libcurl's work (GetDoc, Cancel)
    std::vector<CURL*> pool_;
    std::vector<std::string> buffers_;  // empty receive buffers with their capacity
};
