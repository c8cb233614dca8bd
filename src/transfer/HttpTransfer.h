#pragma once

#include <string>

#include "transfer/Transfer.h"

// The HTTP (and https) transfer control. Usage:
//
//   Http.OnProgress = [this](const TransferProgress& d) { OnHttpProgress(d); };
//   Http.OnConnectionState = [this](short s) { OnHttpConnectionState(s); };
//   if (Http.Busy()) Http.Cancel();
//   Http.URL = base;                        // RemoteHost() now names its host
//   Http.ProxyHost = ...; Http.ProxyPort = ...;   // or leave empty for a direct connection
//   Http.Document = address;
//   Http.GetDoc(address, "", localFile);
//
// A normal transfer reports: state Connecting, Connected, ReplyReceived; documents Begin,
// Headers, Data..., then state Completed and document End. A failure reports state Failed (or
// Closed when the connection broke or stalled after connecting), document Error, document End.
// Redirects are not followed: a 301 arrives like any reply (StatusCode, ReplyText,
// ReplyHeader("Location")), its body stored in the file.
class HttpTransfer : public Transfer {
  public:
    HttpTransfer() : Transfer(false) {}

    // The base address; RemoteHost() is the host name of it (empty when it has none).
    std::string URL;
    std::string RemoteHost() const;
};
