#pragma once

#include <string>

#include "transfer/TransferControl.h"

// The FTP transfer control. Usage:
//
//   FTP1.OnDocOutput = [this](const TDocOutput& d) { FTP1DocOutput(d); };
//   FTP1.OnStateChanged = [this](short s) { FTP1StateChanged(s); };
//   FTP1.UserId = "user"; FTP1.Password = "secret";
//   if (FTP1.Busy()) FTP1.Cancel();
//   FTP1.Authenticate(FTP1.UserId, FTP1.Password);
//   FTP1.GetDoc("ftp://host/file.zip", "", localFile);
//
// Documents Begin, Data..., End (no Headers event). When the control connection or the data
// connection breaks or stalls before the whole file is in, OnStateChanged reports
// TransferState::Closed (6) before the Error and End events. A refused login, a missing file or
// no connection at all report TransferState::Failed (4) instead.
class TFTP : public TTransferControl {
  public:
    TFTP() : TTransferControl(true) {}

    std::string UserId;
    std::string Password;

    // The credentials the next GetDoc logs in with (empty user id: anonymous).
    void Authenticate(const std::string& userId, const std::string& password) {
        user_ = userId;
        password_ = password;
    }
};
