#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "transfer/TransferProgress.h"

class CurlTransfer;

// What the HTTP and FTP transfer controls have in common: one asynchronous transfer at a time
// from an address into a local file, reported through two events.
//
// Events are plain callbacks, bound by assignment (Http.OnProgress = ...). They are always
// delivered from the Qt event loop of the thread that made the control (which must have a
// QCoreApplication), never from inside GetDoc or Cancel, and only after libcurl has returned
// from its own work. A handler may therefore do anything: cancel this or any other control,
// start new transfers, run a nested event loop (a modal box; transfers go on behind it), or
// destroy this control (then no further events of it arrive).
//
// Every GetDoc ends with exactly one OnProgress event in state End: after success, after a
// failure (preceded by an Error event), and after Cancel. At every event the output file
// (OutputFile) holds at least everything the events so far have reported, so that a handler may
// read the reply body from it.
//
// The transfers run on two network threads (https ones all on the first, so that they can share
// one HTTP/2 connection), and their events reach the control's thread in order. The transfers of
// one network thread share a libcurl multi handle: connections are kept alive and reused across
// controls, HTTP/2 is used over TLS when the server offers it, compressed replies
// are decoded, redirects are never followed, certificates are verified against SSL_CERT_FILE /
// SSL_CERT_DIR when those are set (as OpenSSL programs do), else the system's store.
class Transfer {
  public:
    virtual ~Transfer();
    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;

    // Progress of the document (see TransferProgress).
    std::function<void(const TransferProgress& doc)> OnProgress;
    // Connection state changes (see TransferState).
    std::function<void(short state)> OnConnectionState;

    // True from GetDoc until its End event has been delivered, or until Cancel.
    bool Busy() const;

    // Abandons the current transfer; the output file keeps what arrived until the End event
    // (with the bytes transferred so far), which still follows from the event loop, has been
    // handled. A document that arrived whole but whose completion had not been delivered yet is
    // not kept either. Waits (briefly) until the network thread has let go of the transfer.
    // No effect when not busy.
    void Cancel();

    // Starts fetching the address into the local file. The output file is created when the
    // reply begins and replaces the local file when the document has arrived whole, so a
    // transfer that fails leaves the local file as it was. Extra request
    // header lines ("Name: value", separated by CR LF) may be given; usually empty. A busy
    // control cancels its current transfer first. A file that cannot be created or written ends
    // the transfer with an Error event that names the file.
    void GetDoc(const std::string& url, const std::string& headers, const std::string& localFile);

    // The address of the last GetDoc.
    std::string Document;

    // Proxy for the next GetDoc: an HTTP proxy at ProxyHost:ProxyPort. Empty host: direct,
    // whatever the environment says.
    std::string ProxyHost;
    int ProxyPort = 0;
    // Whether the next GetDoc's data events carry the received bytes (DataChunk). Off, they
    // only count them, and the bytes go straight to the output file.
    bool DeliverData = true;
    // False when the caller knows that nothing stands under the local file's name: the next
    // GetDoc then does not look there for a device or pipe to write into.
    bool LocalFileMayExist = true;

    // The status code of the final reply (HTTP status, or the FTP server's last reply code), 0
    // before any reply.
    int StatusCode() const;
    // The reason text of the final reply ("Moved Permanently", "Not Found"; empty for HTTP/2),
    // or the text of the FTP server's last reply line.
    const std::string& ReplyText() const;
    // The final reply's header lines as received (HTTP), each ending in CR LF.
    const std::string& ReplyHeaders() const;
    // The value of one reply header (the name ignores case), empty when absent.
    std::string ReplyHeader(const std::string& name) const;
    // Why the last transfer failed (empty when it did not).
    const std::string& ErrorText() const;
    // True when the last transfer failed before any reply arrived because the connection was
    // refused, reset or timed out, or, over FTP, before the file began, for those reasons or a
    // 4xx reply: the same request may well succeed a little later. False for failures that
    // trying again does not mend (no such host or file, a login refused, a certificate
    // refused, a local file that cannot be written).
    bool FailedTransiently() const;
    // Where the bytes of the current (or last) transfer are being written. The document is
    // written under a temporary name beside the local file and takes the local file's name only
    // when it has arrived whole, so a file cut off (a broken connection, a cancel, a killed
    // program) never stands under the final name. A transfer that did not end well loses its
    // temporary file after its End event. Empty before the reply has begun.
    const std::string& OutputFile() const;

    // Limits for transfers started from now on. A transfer that has not connected within
    // ConnectMs, that receives nothing for StallSeconds, or that receives fewer than
    // LowSpeedBytes a second for LowSpeedSeconds on end (a server that drips), fails (the
    // connection counts as closed before the end). LowSpeedSeconds 0 turns the last one off.
    // No real link is that slow for a minute; a transfer held back because its events are
    // not taken yet is not slow.
    struct Timeouts {
        int ConnectMs = 30000;
        int StallSeconds = 60;
        int LowSpeedBytes = 100;
        int LowSpeedSeconds = 60;
    };
    static void SetTimeouts(const Timeouts& timeouts);
    static Timeouts CurrentTimeouts();

  protected:
    explicit Transfer(bool isFtp);

    // Credentials sent with the next GetDoc (empty user: anonymous FTP / none).
    std::string user_;
    std::string password_;

  private:
    friend class CurlTransfer;
    friend class CurlDriver;
    bool isFtp_;
    std::shared_ptr<CurlTransfer> transfer_;  // the current (or last) transfer
};
