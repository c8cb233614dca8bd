#include "support/ScriptedServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

ScriptedServer::ScriptedServer(std::vector<Script> scripts) : scripts_(std::move(scripts)) {
    if (scripts_.empty()) throw std::invalid_argument("ScriptedServer needs a script");
    if (pipe2(wakePipe_, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (listenFd_ < 0 || bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        listen(listenFd_, 64) != 0 ||
        getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
        throw std::runtime_error("cannot listen on 127.0.0.1");
    port_ = ntohs(addr.sin_port);
    acceptThread_ = std::thread([this] { AcceptLoop(); });
}

ScriptedServer::~ScriptedServer() {
    stopping_ = true;
    char b = 1;
    (void)!write(wakePipe_[1], &b, 1);  // stays readable: wakes every waiting thread
    acceptThread_.join();
    std::vector<std::thread> threads;
    {
        std::lock_guard lock(mutex_);
        threads.swap(connectionThreads_);
    }
    for (auto& t : threads) t.join();
    close(listenFd_);
    close(wakePipe_[0]);
    close(wakePipe_[1]);
}

std::string ScriptedServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/" + path;
}

std::vector<std::string> ScriptedServer::Requests() const {
    std::lock_guard lock(const_cast<std::mutex&>(mutex_));
    return requests_;
}

void ScriptedServer::AcceptLoop() {
    for (;;) {
        if (!WaitReadable(listenFd_, -1)) return;
        int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        const int index = connections_++;
        const Script& script = scripts_[std::min<size_t>(index, scripts_.size() - 1)];
        std::lock_guard lock(mutex_);
        connectionThreads_.emplace_back([this, fd, &script] { Serve(fd, script); });
    }
}

bool ScriptedServer::WaitReadable(int fd, int timeoutMs) {
    pollfd p[2] = {{fd, POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};
    for (;;) {
        if (stopping_) return false;
        int n = poll(p, 2, timeoutMs);
        if (n < 0 && errno == EINTR) continue;
        if (stopping_ || (p[1].revents & POLLIN)) return false;
        return n > 0;
    }
}

bool ScriptedServer::SleepMs(int ms) {
    pollfd p{wakePipe_[0], POLLIN, 0};
    return poll(&p, 1, ms) == 0 && !stopping_;
}

bool ScriptedServer::SendAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool ScriptedServer::ReadOneRequest(int fd, std::string& pending) {
    auto headEnd = std::string::npos;
    size_t need = 0;
    for (;;) {
        if (headEnd == std::string::npos) {
            headEnd = pending.find("\r\n\r\n");
            if (headEnd != std::string::npos) {
                need = headEnd + 4;
                std::string head = pending.substr(0, headEnd);
                std::string lower = head;
                std::transform(lower.begin(), lower.end(), lower.begin(),
                               [](unsigned char c) { return std::tolower(c); });
                auto cl = lower.find("\r\ncontent-length:");
                if (cl != std::string::npos) need += std::stoul(head.substr(cl + 17));
            }
        }
        if (headEnd != std::string::npos && pending.size() >= need) {
            std::lock_guard lock(mutex_);
            requests_.push_back(pending.substr(0, need));
            pending.erase(0, need);
            return true;
        }
        if (!WaitReadable(fd, -1)) return false;
        char buf[4096];
        ssize_t n = recv(fd, buf, sizeof buf, 0);
        if (n <= 0) return false;
        pending.append(buf, static_cast<size_t>(n));
    }
}

void ScriptedServer::Serve(int fd, const Script& script) {
    std::string pending;
    bool reset = false;
    for (const Step& step : script) {
        bool ok = true;
        switch (step.What) {
            case Step::ReadRequest:
                ok = ReadOneRequest(fd, pending);
                break;
            case Step::Send:
                ok = SendAll(fd, step.Bytes);
                break;
            case Step::SendInChunks: {
                const size_t count = std::max(1, step.Count);
                const size_t size = (step.Bytes.size() + count - 1) / count;
                for (size_t at = 0; ok && at < step.Bytes.size(); at += size) {
                    if (at > 0 && step.DelayMs > 0) ok = SleepMs(step.DelayMs);
                    if (ok) ok = SendAll(fd, step.Bytes.substr(at, size));
                }
                break;
            }
            case Step::Sleep:
                ok = SleepMs(step.DelayMs);
                break;
            case Step::Stall:
                WaitReadable(wakePipe_[0], -1);
                ok = false;
                break;
            case Step::Close:
                ok = false;
                break;
            case Step::Reset:
                reset = true;
                ok = false;
                break;
        }
        if (!ok) break;
    }
    if (reset) {
        linger l{1, 0};
        setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    }
    close(fd);
}
