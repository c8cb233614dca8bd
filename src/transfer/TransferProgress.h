#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The document object handed to OnProgress: where a transfer stands, and for a data event the
// bytes that arrived since the previous one.
struct TransferProgress {
    enum StateKind : int {
        Begin = 1,    // the reply starts (HTTP: its headers are complete; FTP: data follows)
        Headers = 2,  // the reply headers are known (HTTP only, right after Begin)
        Data = 3,     // a chunk of the document arrived; it is already in the output file
        Error = 4,    // the transfer failed; ErrorText says why. An End event follows.
        End = 5,      // the transfer is over: finished, failed or cancelled. Always the last.
    };

    int State = 0;
    // The size of the document: the announced length when the server gave one that counts
    // stored bytes (not for compressed replies), otherwise the bytes transferred so far.
    // It is never below BytesTransferred.
    std::int64_t TotalSize = 0;
    bool TotalKnown = false;  // TotalSize is the announced length
    // Bytes of the document written to the output file so far (decoded when compressed).
    std::int64_t BytesTransferred = 0;
    // Data events: the bytes of this chunk, valid only while the handler runs.
    std::string_view DataChunk;
    // Error events: a sentence for the person ("Could not connect to 127.0.0.1: ...").
    std::string ErrorText;
    // Error events: the document could not be written to its file or given its name (ErrorText
    // names the file and the system's reason), as opposed to a failure of the connection.
    bool FileFailed = false;

    std::string DataText() const { return std::string(DataChunk); }
};

// The values OnConnectionState reports. They describe the connection, not the document.
namespace TransferState {
inline constexpr short Connecting = 1;     // GetDoc started: resolving and connecting
inline constexpr short Connected = 2;      // the connection is up (new or reused)
inline constexpr short ReplyReceived = 3;  // HTTP: the reply's status line and headers are in;
                                           // FTP: the server is about to send the file
inline constexpr short Failed = 4;         // the transfer failed before or without a connection
inline constexpr short Completed = 5;      // the whole document is in the output file
inline constexpr short Closed = 6;         // the connection closed (or stalled) before the end
}  // namespace TransferState
