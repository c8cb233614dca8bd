#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "net/MemoryStream.h"

// A blocking TCP stream socket with line and block receives, optionally wrapped in TLS, and a
// trace of every step. It is the base of the HTTP/1.0 client T_HTTP.

class ETcpIpError : public std::runtime_error {
  public:
    explicit ETcpIpError(const std::string& message) : std::runtime_error(message) {}
};

// Socket creation or connection failed; ErrorNumber is the system's error code (errno).
class ESocketError : public ETcpIpError {
  public:
    explicit ESocketError(int errorNumber)
        : ETcpIpError("Error creating socket"), ErrorNumber(errorNumber) {}
    int ErrorNumber;
};

// The server answered with a failure status; the message is the server's status text.
class EProtocolError : public ETcpIpError {
  public:
    EProtocolError(std::string protocol, int errorNumber, const std::string& message)
        : ETcpIpError(message), ErrorNumber(errorNumber), Protocol(std::move(protocol)) {}
    int ErrorNumber;
    std::string Protocol;
};

// A text that should be a number is not one ("'x' is not a valid integer value").
class EConvertError : public std::runtime_error {
  public:
    explicit EConvertError(const std::string& message) : std::runtime_error(message) {}
};

// The whole text as a decimal integer (optional sign); anything else raises EConvertError.
std::int64_t StrToInt(const std::string& text);

using TSocket = int;
inline constexpr TSocket InvalidSocket = -1;

// IPv4 address in network byte order; NoAddress when a resolution failed.
using TAddress = std::uint32_t;
inline constexpr TAddress NoAddress = 0xFFFFFFFFu;

// 0 = a protocol line that was sent, 1 = a protocol line that was received, 2 = a socket event.
enum TTraceLevel : int { TraceSent = 0, TraceReceived = 1, TraceSocket = 2 };
using TTraceProc = std::function<void(const std::string& text, TTraceLevel level)>;

// A dotted IPv4 address ("127.0.0.1", also the short forms inet_aton takes) as it stands,
// otherwise the first IPv4 address the resolver gives; NoAddress for an empty name or failure.
TAddress ResolveHost(const std::string& name);
// The address as four decimal numbers, most significant first.
std::string DottedAddress(TAddress address);

class TlsChannel;

class T_TcpIp {
  public:
    static constexpr std::size_t ReceiveBufferSize = 32512;
    // Lines longer than this are refused: a reply line without an end would otherwise grow
    // memory without bound.
    static constexpr std::size_t MaxLineLength = 64 * 1024;

    T_TcpIp();
    virtual ~T_TcpIp();
    T_TcpIp(const T_TcpIp&) = delete;
    T_TcpIp& operator=(const T_TcpIp&) = delete;

    std::string HostName;
    std::uint16_t Port = 0;
    TSocket SocketHandle = InvalidSocket;
    TAddress HostAddress = NoAddress;
    bool IsConnected = false;
    bool PeerClosed = false;
    std::vector<char> ReceiveBuffer;
    TMemoryStream Body;
    TTraceProc OnTrace;

    // Speak TLS on the next OpenConnection (certificates checked against the system's store,
    // or SSL_CERT_FILE / SSL_CERT_DIR when set).
    bool UseTls = false;
    // Neither a connect nor any single receive waits longer than these (milliseconds); a stall
    // raises ETcpIpError "Connection timed out".
    int ConnectTimeoutMs = 30000;
    int ReceiveTimeoutMs = 30000;

    TSocket NewSocket();
    void ConnectSocket(TSocket& socket, std::uint16_t port, TAddress address);
    virtual void ConnectTo(TSocket& socket, std::uint16_t port, TAddress address);
    void DropSocket(TSocket& socket);
    // 0 no socket, 1 not connected, 2 connected, 3 any other state.
    int ConnectionState(TSocket socket);
    virtual void OpenConnection();
    virtual void CloseConnection();
    void SendBuffer(TSocket socket, const char* bytes, std::size_t count);
    void SendText(TSocket socket, const std::string& text);
    virtual void SendLine(const std::string& text);
    // Receives at most size bytes; count is 0 when the connection ended. Without a buffer the
    // data is received and discarded.
    void ReceiveBlock(TSocket socket, char* buffer, std::size_t& count, std::size_t size);
    std::string ReceiveLine(TSocket socket);
    virtual bool AtEnd(TSocket socket);
    virtual void Execute();

    // Wraps the open connection in TLS, checking the certificate against serverName. Used by
    // OpenConnection when UseTls is set, and by clients that tunnel through a proxy first.
    void StartTls(const std::string& serverName);

  protected:
    void Trace(const std::string& text, TTraceLevel level);

  private:
    // One receive of at most size bytes: the count, or 0 when the connection has ended (then
    // PeerClosed is set). Raises "Connection timed out" when nothing came within the time-out.
    long RawReceive(TSocket socket, char* buffer, std::size_t size);

    // The error of the last failed socket call of this component.
    int lastError_ = 0;
    std::unique_ptr<TlsChannel> tls_;
};
