#pragma once

#include <curl/curl.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "transfer/ReplyDecoder.h"

class Transfer;
class CurlTransfer;
class CurlNetwork;

// One event of a transfer on its way from the network thread to the control's thread, with
// what the control's view of the transfer becomes when it is delivered.
struct TransferEvent {
    enum class Kind { State, Doc };
    std::shared_ptr<CurlTransfer> Job;
    Kind What = Kind::State;
    int Value = 0;
    bool FromNetwork = true;  // carries a view; events made on the control's side do not
    int Status = 0;
    std::int64_t Received = 0;
    std::int64_t Announced = -1;
    std::string Reason;
    bool CarriesReply = false;  // Headers and OutputPath are set
    std::string Headers;
    std::string OutputPath;
    std::string ErrorText;  // failure events
    bool FailedTransiently = false;
    bool FileFailed = false;  // the output file could not be created, written or named
    std::string Chunk;      // data events: the bytes since the previous data event
};

// One transfer of a control. The network thread owns the fields under "network side" from the
// moment the transfer is handed to it until it has sent the End event or acknowledged a cancel;
// from then on they belong to the control's thread (which only discards the file). The control's
// thread alone touches the fields under "control side".
class CurlTransfer : public std::enable_shared_from_this<CurlTransfer> {
  public:
    // --- control side ---
    Transfer* Owner = nullptr;  // null once the control is destroyed
    int LaneIndex = 0;          // which network thread has it
    bool InLane = false;        // counted among that thread's busy transfers
    bool Active = false;        // the control's Busy()
    // What the delivered events have told about the transfer.
    struct View {
        int Status = 0;
        std::string Reason;
        std::string Headers;
        std::string ErrorText;
        std::string OutputPath;
        std::int64_t Received = 0;
        std::int64_t Announced = -1;
        bool FailedTransiently = false;
        bool FileFailed = false;
    } Shown;

    // --- set before the hand-over, read-only afterwards ---
    bool IsFtp = false;
    std::string Url;
    std::string FilePath;
    std::string RequestHeaderText;  // "Name: value" lines separated by CR LF
    std::string Proxy;              // "http://host:port", or empty for a direct connection
    std::string User;
    std::string Password;
    int ConnectMs = 30000;
    int StallSeconds = 60;
    int LowSpeedBytes = 100;   // slower than this many bytes a second...
    int LowSpeedSeconds = 60;  // ...for this long fails (0: no such limit)
    bool KeepBytes = true;  // data events carry the received bytes, not only their count
    bool FileMayExist = true;  // something may stand under FilePath already

    // --- shared by both threads ---
    // The bytes of the document that the data events delivered so far have reported. The
    // network thread holds the transfer back while it is too far ahead of them, so that a reply
    // arriving faster than its handlers take it (a compressed one unpacks a thousandfold) is
    // not piled up in memory.
    std::atomic<std::int64_t> Delivered{0};
    // Set by the network thread while it holds the transfer back; the delivery that clears it
    // asks the network thread to look again.
    std::atomic<bool> AwaitsDelivery{false};

    // --- network side ---
    CurlNetwork* Network = nullptr;
    std::shared_ptr<CurlTransfer> Hold;  // keeps the transfer alive while libcurl has it
    CURL* Easy = nullptr;                // while libcurl works on it
    bool Counted = false;                // counted in the FTP transfers
    // The bytes go to a temporary file beside FilePath, which takes the final name only when the
    // transfer has ended well (Kept); otherwise it is removed once the End event has been
    // delivered, so that the handlers can still read what arrived.
    std::string PartPath;
    bool Kept = false;
    bool KeepOnDelivery = false;  // complete, to be renamed when the completion is delivered
    std::FILE* File = nullptr;
    // Bytes received since the last data event; [0, Flushed) of it are already in the file.
    // Without KeepBytes the bytes go straight to the file and this stays empty.
    std::string Pending;
    std::size_t Flushed = 0;
    bool Dirty = false;        // has bytes not yet sent in a data event
    bool ReplySent = false;    // an event has carried the reply's headers and output file
    std::uint64_t DataBatch = 0;  // the outgoing batch holding this transfer's last data event
    std::size_t DataSlot = 0;     // and its place there
    std::int64_t Received = 0;    // bytes of the document accepted so far

    bool Paused = false;  // held back until the control's thread has caught up
    bool Connected = false;
    bool Stalled = false;             // ended for receiving nothing for too long
    std::int64_t LastActivityMs = 0;  // steady clock of the last byte that moved
    curl_off_t LastDownloaded = 0;
    bool Begun = false;
    bool HeadersDone = false;
    bool Encoded = false;         // the body came compressed (its length is not ours)
    std::string ContentEncoding;  // the reply's Content-Encoding values, joined by commas
    std::unique_ptr<ReplyDecoder> Decoder;  // unpacks a compressed body as it is taken
    bool Draining = false;        // all is in, but compressed bytes still wait to be unpacked
    std::int64_t Announced = -1;  // the announced length, -1 when none
    int Status = 0;
    std::string Reason;
    std::string Headers;  // the header lines of the reply being read
    std::string ErrorText;
    std::string WriteError;  // why the output file could not be written
    bool FileFailed = false;  // the output file could not be created, written or named
    bool Transient = false;  // failed before any reply in a way that trying again may mend
    long OsErrno = 0;        // the system's error number of a failed connect, 0 when none
    curl_slist* RequestHeaders = nullptr;
    char ErrorBuffer[CURL_ERROR_SIZE] = {};

    ~CurlTransfer();
    // Creates the output file when the reply begins. False (and WriteError set) on failure.
    bool OpenFile();
    // Writes what the file has not had yet. False (and WriteError set) on failure.
    bool FlushToFile();
    // Writes bytes that no event is to carry straight to the file. False (and WriteError set)
    // on failure.
    bool WriteThrough(const char* data, std::size_t size);
    void CloseFile();
    // Gives the complete file its final name. False (and WriteError set) on failure.
    bool KeepFile();
    // Removes the temporary file: the file of a transfer that did not end well.
    void DiscardFile();
    // Where the received bytes are: the temporary file, or the final one once kept.
    const std::string& OutputPath() const { return Kept ? FilePath : PartPath; }

    // Sets the handle's options for this transfer (on the network thread).
    void Configure(CURL* easy);
    // Takes in one reply header line (libcurl's header callback). False when the reply is to
    // be abandoned (WriteError set). Sets *replyStarts when the headers of the final reply
    // are complete.
    bool TakeHeaderLine(const char* data, std::size_t bytes, bool* replyStarts);
    // Why the transfer failed, for the person.
    void SetFailureText(CURLcode result);
    // A failure after the connection was up in which the peer went away or fell silent.
    bool BrokeOff(CURLcode result) const;
    // Failed by libcurl's speed check: slower than LowSpeedBytes a second for LowSpeedSeconds.
    bool TooSlow(CURLcode result) const;
    // A failure before any reply because the connection was refused, reset or timed out.
    bool FailedTransiently(CURLcode result) const;
};
