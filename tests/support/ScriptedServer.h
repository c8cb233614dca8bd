#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A loopback TCP server that answers each connection from a script, for replies real servers
// do not give on demand: a header followed by a stall, a body cut off, a reply in many small
// pieces. Connection i follows scripts[i], the last script for all further connections. It
// records every request it read.
//
//   ScriptedServer server({ScriptedServer::Reply("HTTP/1.0 200 OK\r\n\r\nhello")});
class ScriptedServer {
  public:
    struct Step {
        enum Kind { ReadRequest, Send, SendInChunks, Sleep, Stall, Close, Reset } What;
        std::string Bytes;
        int Count = 0;    // SendInChunks: number of pieces
        int DelayMs = 0;  // Sleep; SendInChunks: pause between pieces
    };
    using Script = std::vector<Step>;

    // Reads one request: its head up to the empty line, and its body by Content-Length.
    static Step Read() { return {Step::ReadRequest, {}, 0, 0}; }
    static Step Send(std::string bytes) { return {Step::Send, std::move(bytes), 0, 0}; }
    static Step SendInChunks(std::string bytes, int count, int delayMs = 0) {
        return {Step::SendInChunks, std::move(bytes), count, delayMs};
    }
    static Step Sleep(int ms) { return {Step::Sleep, {}, 0, ms}; }
    // Keeps the connection open, sending nothing, until the server is destroyed.
    static Step Stall() { return {Step::Stall, {}, 0, 0}; }
    static Step Close() { return {Step::Close, {}, 0, 0}; }
    // Closes with a TCP reset instead of an orderly close.
    static Step Reset() { return {Step::Reset, {}, 0, 0}; }
    // Read the request, send the bytes, close.
    static Script Reply(std::string bytes) { return {Read(), Send(std::move(bytes)), Close()}; }

    explicit ScriptedServer(std::vector<Script> scripts);
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    int Port() const { return port_; }
    // "http://127.0.0.1:PORT/" + path.
    std::string Url(const std::string& path = "") const;
    std::vector<std::string> Requests() const;
    int Connections() const { return connections_; }

  private:
    void AcceptLoop();
    void Serve(int fd, const Script& script);
    bool WaitReadable(int fd, int timeoutMs);  // false when the server is stopping
    bool SleepMs(int ms);                      // false when the server is stopping
    bool SendAll(int fd, const std::string& bytes);
    bool ReadOneRequest(int fd, std::string& pending);

    std::vector<Script> scripts_;
    int listenFd_ = -1;
    int wakePipe_[2] = {-1, -1};
    int port_ = 0;
    std::atomic<int> connections_{0};
    std::atomic<bool> stopping_{false};
    std::thread acceptThread_;
    std::mutex mutex_;
    std::vector<std::thread> connectionThreads_;
    std::vector<std::string> requests_;
};
