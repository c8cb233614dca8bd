#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A loopback HTTP stand-in that answers each connection, in the order they arrive, with the
// next scripted reply, and keeps every byte each connection sent. For replies a real server
// will not give on demand: split into small pieces, odd line ends, silence.
class RecordingServer {
  public:
    struct Reply {
        std::string Bytes;           // sent once the request's empty line has arrived
        bool WaitForRequest = true;  // false: send Bytes as soon as the connection is accepted
        std::size_t PieceSize = 0;   // > 0: sent in pieces of this many bytes, one send each
        bool Silent = false;         // never answer; hold the connection until the server stops
        bool HangUp = false;         // close right after the reply, not when the client does
        std::uint16_t TunnelTo = 0;  // > 0: send Bytes, then relay both ways to this local port
    };

    explicit RecordingServer(std::vector<Reply> replies);
    ~RecordingServer();
    RecordingServer(const RecordingServer&) = delete;
    RecordingServer& operator=(const RecordingServer&) = delete;

    std::uint16_t Port() const { return port_; }
    // What each connection sent up to the end of its request header (all of it for tunnels and
    // connections closed early), one entry per connection, in order.
    std::vector<std::string> Requests() const;

  private:
    void Serve();
    void Answer(int client, const Reply& reply);
    void Relay(int client, std::uint16_t port);

    std::vector<Reply> replies_;
    int listener_ = -1;
    int stopPipe_[2] = {-1, -1};
    std::uint16_t port_ = 0;
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    std::thread thread_;
};
