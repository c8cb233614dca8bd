#include "net/TlsChannel.h"

#include <arpa/inet.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <sys/socket.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>

#include "net/NetErrors.h"

namespace {

// OpenSSL's own socket BIO writes with write(2), which raises SIGPIPE when the peer has closed
// the connection; this one sends with MSG_NOSIGNAL instead, so a vanished server is an error
// return and never ends the program.
int SocketOf(BIO* bio) {
    return static_cast<int>(reinterpret_cast<std::intptr_t>(BIO_get_data(bio)));
}

int SocketWrite(BIO* bio, const char* data, int length) {
    BIO_clear_retry_flags(bio);
    ssize_t n;
    do {
        n = send(SocketOf(bio), data, static_cast<std::size_t>(length), MSG_NOSIGNAL);
    } while (n < 0 && errno == EINTR);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) BIO_set_retry_write(bio);
    return static_cast<int>(n);
}

int SocketRead(BIO* bio, char* buffer, int size) {
    BIO_clear_retry_flags(bio);
    ssize_t n;
    do {
        n = recv(SocketOf(bio), buffer, static_cast<std::size_t>(size), 0);
    } while (n < 0 && errno == EINTR);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) BIO_set_retry_read(bio);
    return static_cast<int>(n);
}

long SocketControl(BIO*, int command, long, void*) {
    return command == BIO_CTRL_FLUSH ? 1 : 0;
}

int SocketCreate(BIO* bio) {
    BIO_set_init(bio, 1);
    return 1;
}

int SocketDestroy(BIO*) {
    return 1;
}  // the socket belongs to TcpConnection

BIO_METHOD* SocketMethod() {
    static BIO_METHOD* method = [] {
        BIO_METHOD* m = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "socket");
        BIO_meth_set_write(m, SocketWrite);
        BIO_meth_set_read(m, SocketRead);
        BIO_meth_set_ctrl(m, SocketControl);
        BIO_meth_set_create(m, SocketCreate);
        BIO_meth_set_destroy(m, SocketDestroy);
        return m;
    }();
    return method;
}

bool IsIpAddress(const std::string& name) {
    unsigned char buffer[16];
    return inet_pton(AF_INET, name.c_str(), buffer) == 1 ||
           inet_pton(AF_INET6, name.c_str(), buffer) == 1;
}

int ClampedSize(std::size_t size) {
    return size > INT_MAX ? INT_MAX : static_cast<int>(size);
}

}  // namespace

TlsChannel::TlsChannel(int socket, const std::string& serverName) {
    auto fail = [&](const std::string& reason) {
        throw TcpError("Secure connection to " + serverName + " failed: " + reason);
    };
    ERR_clear_error();
    context_ = SSL_CTX_new(TLS_client_method());
    if (!context_) fail("cannot create a TLS context");
    SSL_CTX_set_min_proto_version(context_, TLS1_2_VERSION);
    SSL_CTX_set_verify(context_, SSL_VERIFY_PEER, nullptr);
    // Reads SSL_CERT_FILE and SSL_CERT_DIR when they are set, the system's store otherwise.
    SSL_CTX_set_default_verify_paths(context_);

    ssl_ = SSL_new(context_);
    if (!ssl_) {
        SSL_CTX_free(context_);
        fail("cannot create a TLS session");
    }
    BIO* bio = BIO_new(SocketMethod());
    BIO_set_data(bio, reinterpret_cast<void*>(static_cast<std::intptr_t>(socket)));
    SSL_set_bio(ssl_, bio, bio);
    if (IsIpAddress(serverName)) {
        X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl_), serverName.c_str());
    } else {
        SSL_set_tlsext_host_name(ssl_, serverName.c_str());
        SSL_set1_host(ssl_, serverName.c_str());
    }

    int rc = SSL_connect(ssl_);
    if (rc == 1) return;

    std::string reason;
    bool timedOut = false;
    int error = SSL_get_error(ssl_, rc);
    long verify = SSL_get_verify_result(ssl_);
    if (verify != X509_V_OK) {
        reason = std::string("certificate verify failed (") +
                 X509_verify_cert_error_string(verify) + ")";
    } else if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) {
        timedOut = true;
    } else if (unsigned long code = ERR_peek_last_error(); code != 0) {
        const char* text = ERR_reason_error_string(code);
        char buffer[256];
        if (!text) text = ERR_error_string(code, buffer);
        reason = text;
    } else if (error == SSL_ERROR_SYSCALL && errno != 0) {
        reason = std::strerror(errno);
    } else {
        reason = "the server closed the connection during the handshake";
    }
    SSL_free(ssl_);
    SSL_CTX_free(context_);
    ERR_clear_error();
    if (timedOut) throw TcpError("Connection timed out");
    fail(reason);
}

TlsChannel::~TlsChannel() {
    SSL_free(ssl_);
    SSL_CTX_free(context_);
}

TlsChannel::Result TlsChannel::Read(char* buffer, std::size_t size) {
    ERR_clear_error();
    int n = SSL_read(ssl_, buffer, ClampedSize(size));
    if (n > 0) return {n, false};
    int error = SSL_get_error(ssl_, n);
    ERR_clear_error();
    if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) return {0, true};
    return {error == SSL_ERROR_ZERO_RETURN ? 0 : -1, false};
}

TlsChannel::Result TlsChannel::Write(const char* bytes, std::size_t count) {
    ERR_clear_error();
    int n = SSL_write(ssl_, bytes, ClampedSize(count));
    if (n > 0) return {n, false};
    int error = SSL_get_error(ssl_, n);
    ERR_clear_error();
    return {-1, error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE};
}

void TlsChannel::Shutdown() {
    ERR_clear_error();
    SSL_shutdown(ssl_);
    ERR_clear_error();
}

std::string TlsChannel::Version() const {
    return SSL_get_version(ssl_);
}
