#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "support/TempFolder.h"

class Subprocess;

// Debian's nginx serving a folder on a free 127.0.0.1 port, with its own configuration,
// logs and temporary files in a private folder; stopped by the destructor. Works as root and
// as a normal user, and several may run at once.
//
//   NginxServer web({.Root = site.Path(), .Gzip = true});
//   fetch(web.Url("index.html"));
class NginxServer {
  public:
    struct Options {
        std::filesystem::path Root{};  // the folder served at "/"
        bool KeepAlive = true;
        bool Gzip = false;  // compress text replies (also HTML) for clients that accept it
        // A location that requires basic authentication with this user and password.
        std::string AuthLocation{};  // e.g. "/private/"; empty: none
        std::string AuthUser{};
        std::string AuthPassword{};
        // https with a certificate for 127.0.0.1 and localhost, signed by a private CA made for
        // this server (CaFile(); trust it with SSL_CERT_FILE).
        bool Https = false;
        bool Http2 = false;  // offer HTTP/2 (with Https)
        // Log every request as "<connection> <request on it> <status> <request line>".
        bool AccessLog = false;
        std::string ExtraServerConfig{};  // raw lines inside server { }
        std::string ExtraHttpConfig{};    // raw lines inside http { }
    };

    explicit NginxServer(const Options& options);  // throws std::runtime_error with the log
    ~NginxServer();
    NginxServer(const NginxServer&) = delete;
    NginxServer& operator=(const NginxServer&) = delete;

    int Port() const { return port_; }
    // "http://127.0.0.1:PORT/" + path (https:// with Https).
    std::string Url(const std::string& path = "") const;
    const std::string& CaFile() const { return caFile_; }
    std::string AccessLogText() const;
    std::string ErrorLogText() const;

  private:
    void MakeCertificates();
    std::string Config(int port) const;

    Options options_;
    TempFolder prefix_;
    std::unique_ptr<Subprocess> process_;
    int port_ = 0;
    std::string caFile_{};
};
