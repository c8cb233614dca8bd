#pragma once

#include <string>

#include "transfer/Transfer.h"

// The FTP transfer control. Usage:
//
//   Ftp.OnProgress = [this](const TransferProgress& d) { OnFtpProgress(d); };
//   Ftp.OnConnectionState = [this](short s) { OnFtpConnectionState(s); };
//   Ftp.UserId = "user"; Ftp.Password = "secret";
//   if (Ftp.Busy()) Ftp.Cancel();
//   Ftp.Authenticate(Ftp.UserId, Ftp.Password);
//   Ftp.GetDoc("ftp://host/file.zip", "", localFile);
//
// Documents Begin, Data..., End (no Headers event). When the control connection or the data
// connection breaks or stalls before the whole file is in, OnConnectionState reports
// TransferState::Closed (6) before the Error and End events. A refused login, a missing file or
// no connection at all report TransferState::Failed (4) instead.
class FtpTransfer : public Transfer {
  public:
    FtpTransfer() : Transfer(true) {}

    std::string UserId;
    std::string Password;

    // The credentials the next GetDoc logs in with (empty user id: anonymous).
    void Authenticate(const std::string& userId, const std::string& password) {
        user_ = userId;
        password_ = password;
    }
};
