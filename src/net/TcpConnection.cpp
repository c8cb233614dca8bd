#include "net/TcpConnection.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <limits>

#include "net/TlsChannel.h"

std::int64_t StrToInt(const std::string& text) {
    auto fail = [&]() -> std::int64_t {
        throw ConvertError("'" + text + "' is not a valid integer value");
    };
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == text.size()) return fail();
    std::uint64_t value = 0;
    const std::uint64_t limit = std::uint64_t(std::numeric_limits<std::int64_t>::max()) + 1;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c < '0' || c > '9') return fail();
        value = value * 10 + std::uint64_t(c - '0');
        if (value > limit || (value == limit && !negative)) return fail();
    }
    return negative ? static_cast<std::int64_t>(0 - value) : static_cast<std::int64_t>(value);
}

Ipv4Address ResolveHost(const std::string& name) {
    if (name.empty()) return NoAddress;
    in_addr dotted{};
    if (inet_aton(name.c_str(), &dotted) != 0) return dotted.s_addr;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0 || !found) return NoAddress;
    Ipv4Address result = NoAddress;
    if (found->ai_addr && found->ai_addrlen >= sizeof(sockaddr_in))
        result = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
    freeaddrinfo(found);
    return result;
}

std::string DottedAddress(Ipv4Address address) {
    std::uint32_t host = ntohl(address);
    return std::to_string((host >> 24) & 0xFF) + "." + std::to_string((host >> 16) & 0xFF) + "." +
           std::to_string((host >> 8) & 0xFF) + "." + std::to_string(host & 0xFF);
}

namespace {

// Connects a blocking socket, waiting at most timeoutMs. Returns 0 or the error number.
int ConnectWithin(SocketDescriptor socket, const sockaddr_in& address, int timeoutMs) {
    int flags = fcntl(socket, F_GETFL, 0);
    if (flags < 0 || fcntl(socket, F_SETFL, flags | O_NONBLOCK) < 0) return errno;
    int error = 0;
    if (connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        error = errno;
        if (error == EINPROGRESS || error == EINTR) {
            pollfd p{socket, POLLOUT, 0};
            int ready;
            do {
                ready = poll(&p, 1, timeoutMs);
            } while (ready < 0 && errno == EINTR);
            socklen_t length = sizeof error;
            if (ready == 0)
                error = ETIMEDOUT;
            else if (ready < 0)
                error = errno;
            else if (getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
                error = errno;
        }
    }
    fcntl(socket, F_SETFL, flags);
    return error;
}

void SetTimeout(SocketDescriptor socket, int option, int timeoutMs) {
    timeval tv{};
    tv.tv_sec = timeoutMs / 1000;
    tv.tv_usec = (timeoutMs % 1000) * 1000;
    setsockopt(socket, SOL_SOCKET, option, &tv, sizeof tv);
}

}  // namespace

TcpConnection::TcpConnection() : ReceiveBuffer(ReceiveBufferSize) {}

TcpConnection::~TcpConnection() {
    OnTrace = nullptr;
    if (SocketHandle != InvalidSocket) CloseConnection();
}

void TcpConnection::Trace(const std::string& text, TraceLevel level) {
    if (OnTrace) OnTrace(text, level);
}

SocketDescriptor TcpConnection::NewSocket() {
    SocketDescriptor s = socket(AF_INET, SOCK_STREAM, 0);
    if (s < 0) {
        lastError_ = errno;
        return InvalidSocket;
    }
    return s;
}

void TcpConnection::ConnectSocket(SocketDescriptor& socket, std::uint16_t port, Ipv4Address address) {
    const std::string where = std::to_string(port) + " to host " + DottedAddress(address);
    int error = EBADF;
    if (socket != InvalidSocket) {
        sockaddr_in target{};
        target.sin_family = AF_INET;
        target.sin_port = htons(port);
        target.sin_addr.s_addr = address;
        error = ConnectWithin(socket, target, ConnectTimeoutMs);
    } else if (lastError_ != 0) {
        error = lastError_;
    }
    if (error != 0) {
        lastError_ = error;
        DropSocket(socket);
        Trace("Failed to open output socket " + where, TraceSocket);
        return;
    }
    Trace("Opened output socket " + where + " successfully; ID " + std::to_string(socket),
          TraceSocket);
}

void TcpConnection::ConnectTo(SocketDescriptor& socket, std::uint16_t port, Ipv4Address address) {
    DropSocket(socket);
    lastError_ = 0;
    socket = NewSocket();
    ConnectSocket(socket, port, address);
}

void TcpConnection::DropSocket(SocketDescriptor& socket) {
    if (socket == InvalidSocket) return;
    if (&socket == &SocketHandle) tls_.reset();
    close(socket);
    Trace("Closed socket ID " + std::to_string(socket), TraceSocket);
    socket = InvalidSocket;
}

int TcpConnection::ConnectionState(SocketDescriptor socket) {
    if (socket == InvalidSocket) return 0;
    sockaddr_storage peer{};
    socklen_t length = sizeof peer;
    if (getpeername(socket, reinterpret_cast<sockaddr*>(&peer), &length) == 0) return 2;
    return errno == ENOTCONN ? 1 : 3;
}

void TcpConnection::OpenConnection() {
    if (IsConnected) CloseConnection();
    HostAddress = ResolveHost(HostName);
    if (HostAddress == NoAddress)
        throw TcpError("Couldn't Resolve HostName \"" + HostName + "\"");
    ConnectTo(SocketHandle, Port, HostAddress);
    if (SocketHandle == InvalidSocket) {
        if (lastError_ == ETIMEDOUT) throw TcpError("Connection timed out");
        throw SocketError(lastError_);
    }
    // Every later send and receive on this socket gives up after the time-out.
    SetTimeout(SocketHandle, SO_RCVTIMEO, ReceiveTimeoutMs);
    SetTimeout(SocketHandle, SO_SNDTIMEO, ReceiveTimeoutMs);
    PeerClosed = false;
    IsConnected = true;
    if (UseTls) StartTls(HostName);
}

void TcpConnection::StartTls(const std::string& serverName) {
    try {
        tls_ = std::make_unique<TlsChannel>(SocketHandle, serverName);
    } catch (...) {
        CloseConnection();
        throw;
    }
    Trace("Secure connection with " + serverName + " (" + tls_->Version() + ")", TraceSocket);
}

void TcpConnection::CloseConnection() {
    if (tls_ && !PeerClosed) tls_->Shutdown();
    DropSocket(SocketHandle);
    IsConnected = false;
}

void TcpConnection::SendBuffer(SocketDescriptor socket, const char* bytes, std::size_t count) {
    bool viaTls = tls_ && socket == SocketHandle;
    std::size_t sent = 0;
    while (sent < count) {
        long n;
        if (viaTls) {
            n = tls_->Write(bytes + sent, count - sent).Count;
        } else {
            n = send(socket, bytes + sent, count - sent, MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR) continue;
        }
        if (n < 1) return;  // the receive that follows finds the connection gone
        sent += static_cast<std::size_t>(n);
    }
    Trace("Sent " + std::to_string(count) + " bytes on socket ID " + std::to_string(socket),
          TraceSocket);
}

void TcpConnection::SendText(SocketDescriptor socket, const std::string& text) {
    SendBuffer(socket, text.data(), text.size());
}

void TcpConnection::SendLine(const std::string& text) {
    SendText(SocketHandle, text + "\r\n");
    Trace(text, TraceSent);
}

long TcpConnection::RawReceive(SocketDescriptor socket, char* buffer, std::size_t size) {
    for (;;) {
        long n;
        bool wouldBlock;
        if (tls_ && socket == SocketHandle) {
            TlsChannel::Result r = tls_->Read(buffer, size);
            n = r.Count;
            wouldBlock = r.WouldBlock;
        } else {
            n = recv(socket, buffer, size, 0);
            if (n < 0 && errno == EINTR) continue;
            wouldBlock = n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
        }
        if (n > 0) return n;
        if (wouldBlock) throw TcpError("Connection timed out");
        PeerClosed = true;
        return 0;
    }
}

void TcpConnection::ReceiveBlock(SocketDescriptor socket, char* buffer, std::size_t& count, std::size_t size) {
    std::vector<char> discard;
    if (!buffer) {
        discard.resize(size);
        buffer = discard.data();
    }
    long n = RawReceive(socket, buffer, size);
    count = static_cast<std::size_t>(n);
    if (n > 0)
        Trace("Received " + std::to_string(n) + " bytes on socket ID " + std::to_string(socket),
              TraceSocket);
}

std::string TcpConnection::ReceiveLine(SocketDescriptor socket) {
    std::string line;
    while (!AtEnd(socket)) {
        char c;
        if (RawReceive(socket, &c, 1) == 0) break;
        if (c == '\r') continue;
        if (c == '\n') break;
        if (line.size() >= MaxLineLength)
            throw TcpError("Reply line longer than " + std::to_string(MaxLineLength) + " bytes");
        line += c;
    }
    return line;
}

bool TcpConnection::AtEnd(SocketDescriptor socket) {
    return PeerClosed || ConnectionState(socket) != 2;
}

void TcpConnection::Execute() {
    OpenConnection();
    Body.Clear();
    while (!AtEnd(SocketHandle)) {
        std::size_t count = 0;
        ReceiveBlock(SocketHandle, ReceiveBuffer.data(), count, ReceiveBuffer.size());
        Body.Write(ReceiveBuffer.data(), count);
    }
    Body.SetPosition(0);
}
