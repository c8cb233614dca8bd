#pragma once

#include <string>

#include "transfer/TransferControl.h"

// The HTTP (and https) transfer control. Usage:
//
//   HTTP1.OnDocOutput = [this](const TDocOutput& d) { HTTP1DocOutput(d); };
//   HTTP1.OnStateChanged = [this](short s) { HTTP1StateChanged(s); };
//   if (HTTP1.Busy()) HTTP1.Cancel();
//   HTTP1.URL = base;                        // RemoteHost() now names its host
//   HTTP1.ProxyHost = ...; HTTP1.ProxyPort = ...;   // or leave empty for a direct connection
//   HTTP1.Document = address;
//   HTTP1.GetDoc(address, "", localFile);
//
// A normal transfer reports: state Connecting, Connected, ReplyReceived; documents Begin,
// Headers, Data..., then state Completed and document End. A failure reports state Failed (or
// Closed when the connection broke or stalled after connecting), document Error, document End.
// Redirects are not followed: a 301 arrives like any reply (StatusCode, ReplyText,
// ReplyHeader("Location")), its body stored in the file.
class THTTP : public TTransferControl {
  public:
    THTTP() : TTransferControl(false) {}

    // The base address; RemoteHost() is the host name of it (empty when it has none).
    std::string URL;
    std::string RemoteHost() const;
};
