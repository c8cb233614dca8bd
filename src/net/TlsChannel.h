#pragma once

#include <cstddef>
#include <string>

typedef struct ssl_st SSL;
typedef struct ssl_ctx_st SSL_CTX;

// TLS over a connected, blocking socket. The socket's own receive and send time-outs bound
// every read and write; sends never raise SIGPIPE when the peer has gone.
class TlsChannel {
  public:
    // Runs the handshake, verifying the peer's certificate and its name (a DNS name or an IP
    // address) against the system's trusted certificates, or against SSL_CERT_FILE and
    // SSL_CERT_DIR when they are set. Raises TcpError with OpenSSL's reason on failure.
    TlsChannel(int socket, const std::string& serverName);
    ~TlsChannel();
    TlsChannel(const TlsChannel&) = delete;
    TlsChannel& operator=(const TlsChannel&) = delete;

    struct Result {
        long Count = 0;           // bytes moved; < 1 when nothing was
        bool WouldBlock = false;  // nothing moved because the socket's time-out ran out
    };
    Result Read(char* buffer, std::size_t size);
    Result Write(const char* bytes, std::size_t count);
    // Sends the closing alert without waiting for the peer's.
    void Shutdown();
    // "TLSv1.3" and the like.
    std::string Version() const;

  private:
    SSL_CTX* context_ = nullptr;
    SSL* ssl_ = nullptr;
};
