#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "net/ByteBuffer.h"
#include "net/NetErrors.h"

// A blocking TCP stream socket with line and block receives, optionally wrapped in TLS, and a
// trace of every step. It is the base of the HTTP/1.0 client HttpClient.

// A text that should be a number is not one ("'x' is not a valid integer value").
class ConvertError : public std::runtime_error {
  public:
    explicit ConvertError(const std::string& message) : std::runtime_error(message) {}
};

// The whole text as a decimal integer (optional sign); anything else raises ConvertError.
std::int64_t StrToInt(const std::string& text);

using SocketDescriptor = int;
inline constexpr SocketDescriptor InvalidSocket = -1;

// IPv4 address in network byte order; NoAddress when a resolution failed.
using Ipv4Address = std::uint32_t;
inline constexpr Ipv4Address NoAddress = 0xFFFFFFFFu;

// 0 = a protocol line that was sent, 1 = a protocol line that was received, 2 = a socket event.
enum TraceLevel : int { TraceSent = 0, TraceReceived = 1, TraceSocket = 2 };
using TraceHandler = std::function<void(const std::string& text, TraceLevel level)>;

// A dotted IPv4 address ("127.0.0.1", also the short forms inet_aton takes) as it stands,
// otherwise the first IPv4 address the resolver gives; NoAddress for an empty name or failure.
Ipv4Address ResolveHost(const std::string& name);
// The address as four decimal numbers, most significant first.
std::string DottedAddress(Ipv4Address address);

class TlsChannel;

class TcpConnection {
  public:
    static constexpr std::size_t ReceiveBufferSize = 32512;
    // Lines longer than this are refused: a reply line without an end would otherwise grow
    // memory without bound.
    static constexpr std::size_t MaxLineLength = 64 * 1024;

    TcpConnection();
    virtual ~TcpConnection();
    TcpConnection(const TcpConnection&) = delete;
    TcpConnection& operator=(const TcpConnection&) = delete;

    std::string HostName;
    std::uint16_t Port = 0;
    SocketDescriptor SocketHandle = InvalidSocket;
    Ipv4Address HostAddress = NoAddress;
    bool IsConnected = false;
    bool PeerClosed = false;
    std::vector<char> ReceiveBuffer;
    ByteBuffer Body;
    TraceHandler OnTrace;

    // Speak TLS on the next OpenConnection (certificates checked against the system's store,
    // or SSL_CERT_FILE / SSL_CERT_DIR when set).
    bool UseTls = false;
    // Neither a connect nor any single receive waits longer than these (milliseconds); a stall
    // raises TcpError "Connection timed out".
    int ConnectTimeoutMs = 30000;
    int ReceiveTimeoutMs = 30000;

    SocketDescriptor NewSocket();
    void ConnectSocket(SocketDescriptor& socket, std::uint16_t port, Ipv4Address address);
    virtual void ConnectTo(SocketDescriptor& socket, std::uint16_t port, Ipv4Address address);
    void DropSocket(SocketDescriptor& socket);
    // 0 no socket, 1 not connected, 2 connected, 3 any other state.
    int ConnectionState(SocketDescriptor socket);
    virtual void OpenConnection();
    virtual void CloseConnection();
    void SendBuffer(SocketDescriptor socket, const char* bytes, std::size_t count);
    void SendText(SocketDescriptor socket, const std::string& text);
    virtual void SendLine(const std::string& text);
    // Receives at most size bytes; count is 0 when the connection ended. Without a buffer the
    // data is received and discarded.
    void ReceiveBlock(SocketDescriptor socket, char* buffer, std::size_t& count, std::size_t size);
    std::string ReceiveLine(SocketDescriptor socket);
    virtual bool AtEnd(SocketDescriptor socket);
    virtual void Execute();

    // Wraps the open connection in TLS, checking the certificate against serverName. Used by
    // OpenConnection when UseTls is set, and by clients that tunnel through a proxy first.
    void StartTls(const std::string& serverName);

  protected:
    void Trace(const std::string& text, TraceLevel level);

  private:
    // One receive of at most size bytes: the count, or 0 when the connection has ended (then
    // PeerClosed is set). Raises "Connection timed out" when nothing came within the time-out.
    long RawReceive(SocketDescriptor socket, char* buffer, std::size_t size);

    // The error of the last failed socket call of this component.
    int lastError_ = 0;
    std::unique_ptr<TlsChannel> tls_;
};
