#pragma once

#include <stdexcept>
#include <string>
#include <utility>

// What the own HTTP client and its connection raise.

class TcpError : public std::runtime_error {
  public:
    explicit TcpError(const std::string& message) : std::runtime_error(message) {}
};

// Socket creation or connection failed; ErrorNumber is the system's error code (errno).
class SocketError : public TcpError {
  public:
    explicit SocketError(int errorNumber)
        : TcpError("Error creating socket"), ErrorNumber(errorNumber) {}
    int ErrorNumber;
};

// The server answered with a failure status; the message is the server's status text.
class ProtocolError : public TcpError {
  public:
    ProtocolError(std::string protocol, int errorNumber, const std::string& message)
        : TcpError(message), ErrorNumber(errorNumber), Protocol(std::move(protocol)) {}
    int ErrorNumber;
    std::string Protocol;
};
