#include "support/NginxServer.h"

#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <thread>

#include "support/Subprocess.h"

namespace {

void Openssl(const std::vector<std::string>& args) {
    std::vector<std::string> argv{"/usr/bin/openssl"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::string output;
    if (RunCommand(argv, &output) != 0)
        throw std::runtime_error("openssl " + args.front() + " failed: " + output);
}

std::string Trim(std::string s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
    return s;
}

}  // namespace

NginxServer::NginxServer(const Options& options) : options_(options) {
    if (options_.Https) MakeCertificates();
    if (!options_.AuthLocation.empty()) {
        std::string hash;
        if (RunCommand({"/usr/bin/openssl", "passwd", "-apr1", options_.AuthPassword}, &hash) != 0)
            throw std::runtime_error("openssl passwd failed: " + hash);
        WriteWholeFile(prefix_.Text() + "htpasswd", options_.AuthUser + ":" + Trim(hash) + "\n");
    }
    std::string lastLog;
    // The port was free when chosen; another process may take it before nginx binds it, so
    // try a few.
    for (int attempt = 0; attempt < 5; ++attempt) {
        const int port = FreeLoopbackPort();
        WriteWholeFile(prefix_.Text() + "nginx.conf", Config(port));
        std::filesystem::remove(prefix_.Path() / "nginx.pid");
        process_ = std::make_unique<Subprocess>(
            std::vector<std::string>{"/usr/sbin/nginx", "-p", prefix_.Text(), "-c",
                                     prefix_.Text() + "nginx.conf", "-e",
                                     prefix_.Text() + "error.log"},
            Subprocess::Options{.OutputFile = prefix_.Text() + "output.log"});
        // nginx writes its pid file once its sockets are bound.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (process_->Running() && std::chrono::steady_clock::now() < deadline) {
            if (std::filesystem::exists(prefix_.Path() / "nginx.pid") && CanConnect(port)) {
                port_ = port;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        process_->Stop(9);
        lastLog = ErrorLogText() + ReadWholeFile(prefix_.Text() + "output.log");
        if (lastLog.find("Address already in use") == std::string::npos) break;
    }
    throw std::runtime_error("nginx did not start: " + lastLog);
}

NginxServer::~NginxServer() {
    if (process_) process_->Stop(15);
}

std::string NginxServer::Url(const std::string& path) const {
    return (options_.Https ? "https://127.0.0.1:" : "http://127.0.0.1:") + std::to_string(port_) +
           "/" + path;
}

std::string NginxServer::AccessLogText() const {
    return ReadWholeFile(prefix_.Text() + "access.log");
}
std::string NginxServer::ErrorLogText() const {
    return ReadWholeFile(prefix_.Text() + "error.log");
}

void NginxServer::MakeCertificates() {
    const std::string p = prefix_.Text();
    const std::vector<std::string> ecKey{"-newkey", "ec", "-pkeyopt",
                                         "ec_paramgen_curve:prime256v1", "-nodes"};
    std::vector<std::string> ca{"req", "-x509"};
    ca.insert(ca.end(), ecKey.begin(), ecKey.end());
    ca.insert(ca.end(), {"-keyout", p + "ca.key", "-out", p + "ca.crt", "-days", "2", "-subj",
                         "/CN=Lanternway Test CA", "-addext", "basicConstraints=critical,CA:TRUE",
                         "-addext", "keyUsage=critical,keyCertSign,cRLSign"});
    Openssl(ca);
    std::vector<std::string> req{"req"};
    req.insert(req.end(), ecKey.begin(), ecKey.end());
    req.insert(req.end(),
               {"-keyout", p + "server.key", "-out", p + "server.csr", "-subj", "/CN=localhost"});
    Openssl(req);
    WriteWholeFile(p + "server.ext",
                   "basicConstraints=CA:FALSE\n"
                   "keyUsage=critical,digitalSignature\n"
                   "extendedKeyUsage=serverAuth\n"
                   "subjectAltName=IP:127.0.0.1,DNS:localhost\n");
    Openssl({"x509", "-req", "-in", p + "server.csr", "-CA", p + "ca.crt", "-CAkey", p + "ca.key",
             "-CAcreateserial", "-out", p + "server.crt", "-days", "2", "-extfile",
             p + "server.ext"});
    caFile_ = p + "ca.crt";
}

std::string NginxServer::Config(int port) const {
    const std::string p = prefix_.Text();
    std::string c;
    // One process, no privilege switch: as root it reads the private test folders like the
    // test itself, and nothing is left behind when it stops.
    c += "daemon off;\nmaster_process off;\nworker_processes 1;\n";
    c += "error_log " + p + "error.log warn;\npid " + p + "nginx.pid;\n";
    c += "events { worker_connections 512; }\n";
    c += "http {\n";
    c += "  include /etc/nginx/mime.types;\n  default_type application/octet-stream;\n";
    for (const char* kind : {"client_body", "proxy", "fastcgi", "uwsgi", "scgi"})
        c += std::string("  ") + kind + "_temp_path " + p + kind + "_temp;\n";
    if (options_.AccessLog) {
        c += "  log_format lw '$connection $connection_requests $status \"$request\"';\n";
        c += "  access_log " + p + "access.log lw;\n";
    } else {
        c += "  access_log off;\n";
    }
    c += options_.KeepAlive ? "  keepalive_timeout 65;\n  keepalive_requests 100000;\n"
                            : "  keepalive_timeout 0;\n";
    if (options_.Gzip) {
        c += "  gzip on;\n  gzip_min_length 0;\n  gzip_proxied any;\n";
        c += "  gzip_types text/plain text/css application/javascript application/json;\n";
    }
    c += options_.ExtraHttpConfig + "\n";
    c += "  server {\n";
    c += "    listen 127.0.0.1:" + std::to_string(port);
    if (options_.Https) c += " ssl";
    if (options_.Https && options_.Http2) c += " http2";
    c += ";\n    server_name localhost;\n";
    if (options_.Https) {
        c += "    ssl_certificate " + p + "server.crt;\n";
        c += "    ssl_certificate_key " + p + "server.key;\n";
    }
    c += "    root " + options_.Root.string() + ";\n";
    if (!options_.AuthLocation.empty()) {
        c += "    location " + options_.AuthLocation + " {\n";
        c += "      auth_basic \"Protected\";\n      auth_basic_user_file " + p + "htpasswd;\n";
        c += "    }\n";
    }
    c += options_.ExtraServerConfig + "\n";
    c += "  }\n}\n";
    return c;
}
