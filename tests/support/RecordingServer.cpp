#include "support/RecordingServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

RecordingServer::RecordingServer(std::vector<Reply> replies) : replies_(std::move(replies)) {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    int yes = 1;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener_, 16) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        pipe(stopPipe_) != 0)
        throw std::runtime_error("RecordingServer: cannot listen on the loopback");
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
}

RecordingServer::~RecordingServer() {
    char stop = 's';
    (void)!write(stopPipe_[1], &stop, 1);
    thread_.join();
    close(listener_);
    close(stopPipe_[0]);
    close(stopPipe_[1]);
}

std::vector<std::string> RecordingServer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

void RecordingServer::Serve() {
    for (std::size_t next = 0;; ++next) {
        pollfd fds[2] = {{listener_, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
        if (poll(fds, 2, -1) < 0 || (fds[1].revents & POLLIN)) return;
        int client = accept(listener_, nullptr, nullptr);
        if (client < 0) return;
        int yes = 1;
        setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
        Answer(client, next < replies_.size() ? replies_[next] : Reply{});
        close(client);
    }
}

void RecordingServer::Answer(int client, const Reply& reply) {
    std::size_t index;
    {
        std::lock_guard lock(mutex_);
        index = requests_.size();
        requests_.emplace_back();
    }
    // Read up to the empty line that ends the request header.
    std::string received;
    char buffer[4096];
    while (reply.WaitForRequest && received.find("\r\n\r\n") == std::string::npos) {
        pollfd fds[2] = {{client, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
        if (poll(fds, 2, -1) < 0 || (fds[1].revents & POLLIN)) break;
        ssize_t n = recv(client, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        received.append(buffer, static_cast<std::size_t>(n));
        std::lock_guard lock(mutex_);
        requests_[index] = received;
    }
    if (reply.Silent) {
        pollfd stop{stopPipe_[0], POLLIN, 0};
        poll(&stop, 1, -1);
        return;
    }
    std::size_t piece = reply.PieceSize ? reply.PieceSize : reply.Bytes.size();
    for (std::size_t sent = 0; sent < reply.Bytes.size(); sent += piece) {
        send(client, reply.Bytes.data() + sent, std::min(piece, reply.Bytes.size() - sent),
             MSG_NOSIGNAL);
        // Lets each piece leave as a segment of its own.
        if (reply.PieceSize) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (reply.TunnelTo) Relay(client, reply.TunnelTo);
    shutdown(client, SHUT_WR);
    if (reply.HangUp) return;
    // Wait for the client to close, so that it sees the whole reply before the reset.
    pollfd fds[2] = {{client, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
    while (poll(fds, 2, 5000) > 0 && !(fds[1].revents & POLLIN)) {
        ssize_t n = recv(client, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        std::lock_guard lock(mutex_);
        requests_[index].append(buffer, static_cast<std::size_t>(n));
    }
}

void RecordingServer::Relay(int client, std::uint16_t port) {
    int upstream = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (connect(upstream, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(upstream);
        return;
    }
    char buffer[16384];
    bool clientOpen = true;
    for (;;) {
        pollfd fds[3] = {{client, static_cast<short>(clientOpen ? POLLIN : 0), 0},
                         {upstream, POLLIN, 0},
                         {stopPipe_[0], POLLIN, 0}};
        if (poll(fds, 3, -1) < 0 || (fds[2].revents & POLLIN)) break;
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            ssize_t n = recv(client, buffer, sizeof buffer, 0);
            if (n <= 0) {
                clientOpen = false;
                shutdown(upstream, SHUT_WR);
            } else {
                send(upstream, buffer, static_cast<std::size_t>(n), MSG_NOSIGNAL);
            }
        }
        if (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) {
            ssize_t n = recv(upstream, buffer, sizeof buffer, 0);
            if (n <= 0) break;
            send(client, buffer, static_cast<std::size_t>(n), MSG_NOSIGNAL);
        }
    }
    close(upstream);
}
