#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "support/TempFolder.h"

class Subprocess;

// An FTP server (Debian's pyftpdlib under /usr/bin/python3) serving a folder read-only on a
// free 127.0.0.1 port, with one user; stopped by the destructor.
class FtpServer {
  public:
    struct Options {
        std::filesystem::path Root{};
        std::string User = "lw";
        std::string Password = "secret";
        bool Anonymous = false;  // also let "anonymous" in
        // Break the data and control connections after this many bytes of a file have been
        // sent (-1: never), for transfers cut off before their end.
        long long DropAfterBytes = -1;
        // Control connections one client may hold at once (0: any number); one more is
        // answered "421 Too many connections" and closed, as busy servers do.
        int MaxConnectionsPerClient = 0;
    };

    explicit FtpServer(const Options& options);  // throws std::runtime_error with the log
    ~FtpServer();
    FtpServer(const FtpServer&) = delete;
    FtpServer& operator=(const FtpServer&) = delete;

    int Port() const { return port_; }
    // "ftp://127.0.0.1:PORT/" + path.
    std::string Url(const std::string& path = "") const;
    std::string LogText() const;

  private:
    TempFolder scratch_;
    std::unique_ptr<Subprocess> process_;
    int port_ = 0;
};
