#include "support/Subprocess.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "support/TempFolder.h"

extern char** environ;

Subprocess::Subprocess(const std::vector<std::string>& argv, const Options& options) {
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const std::string out = options.OutputFile.empty() ? "/dev/null" : options.OutputFile;
    int outFd = open(out.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (outFd < 0) throw std::runtime_error("cannot open " + out);
    int pipeFds[2] = {-1, -1};
    if (options.CaptureStdout && pipe2(pipeFds, O_CLOEXEC) != 0) {
        close(outFd);
        throw std::runtime_error("pipe failed");
    }
    const pid_t parent = getpid();
    pid_ = fork();
    if (pid_ == 0) {
        // Only async-signal-safe calls from here to exec.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(127);
        setpgid(0, 0);
        int devNull = open("/dev/null", O_RDONLY);
        if (devNull >= 0) dup2(devNull, 0);
        dup2(options.CaptureStdout ? pipeFds[1] : outFd, 1);
        dup2(outFd, 2);
        if (!options.WorkingFolder.empty() && chdir(options.WorkingFolder.c_str()) != 0) _exit(127);
        execve(args[0], args.data(), environ);
        _exit(127);
    }
    close(outFd);
    if (options.CaptureStdout) {
        close(pipeFds[1]);
        stdoutFd_ = pipeFds[0];
    }
    if (pid_ < 0) throw std::runtime_error("fork failed");
}

Subprocess::~Subprocess() {
    Stop();
    if (stdoutFd_ >= 0) close(stdoutFd_);
}

bool Subprocess::Running() {
    if (pid_ < 0) return false;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
        status_ = status;
        pid_ = -1;
        return false;
    }
    return true;
}

bool Subprocess::ReadLine(std::string& line, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        auto nl = buffered_.find('\n');
        if (nl != std::string::npos) {
            line = buffered_.substr(0, nl);
            buffered_.erase(0, nl + 1);
            return true;
        }
        if (stdoutFd_ < 0) return false;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
        if (left <= 0) return false;
        pollfd p{stdoutFd_, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
        char buf[4096];
        ssize_t n = read(stdoutFd_, buf, sizeof buf);
        if (n <= 0) return false;
        buffered_.append(buf, static_cast<size_t>(n));
    }
}

int Subprocess::Stop(int signal) {
    if (pid_ < 0) return status_;
    kill(pid_, signal);
    for (int i = 0; i < 500; ++i) {
        if (!Running()) return status_;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid_, SIGKILL);
    int status = 0;
    waitpid(pid_, &status, 0);
    status_ = status;
    pid_ = -1;
    return status_;
}

int RunCommand(const std::vector<std::string>& argv, std::string* output) {
    TempFolder scratch;
    const std::string out = scratch.Text() + "output";
    int status;
    {
        Subprocess p(argv, {.OutputFile = out});
        while (p.Running()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        status = p.Stop();
    }
    if (output) *output = ReadWholeFile(out);
    if (status < 0 || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status) == 127 ? -1 : WEXITSTATUS(status);
}

int FreeLoopbackPort() {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof addr;
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        if (fd >= 0) close(fd);
        throw std::runtime_error("no free port on 127.0.0.1");
    }
    close(fd);
    return ntohs(addr.sin_port);
}

bool CanConnect(int port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    bool ok = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    close(fd);
    return ok;
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteWholeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}
