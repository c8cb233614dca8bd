#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// A child process of a test: started with an argument list, its standard output and error
// going to a file (or, with CaptureStdout, stdout to a pipe the test can read lines from). The
// child is killed when the test process dies, so that a crashed test leaves no server behind.
class Subprocess {
  public:
    struct Options {
        std::string OutputFile{};    // stdout and stderr (default: /dev/null)
        bool CaptureStdout = false;  // stdout to a pipe instead, read with ReadLine
        std::string WorkingFolder{};
    };
    Subprocess(const std::vector<std::string>& argv, const Options& options);
    ~Subprocess();  // Stop()
    Subprocess(const Subprocess&) = delete;
    Subprocess& operator=(const Subprocess&) = delete;

    pid_t Pid() const { return pid_; }
    // True while the child has not exited.
    bool Running();
    // One line of the child's stdout (CaptureStdout), without its newline; false at the end of
    // the output or when no line came within timeoutMs.
    bool ReadLine(std::string& line, int timeoutMs);
    // Sends the signal and waits for the child; SIGKILL when it has not gone after 5 s. Returns
    // the exit status as from waitpid (or -1 when it had already been reaped).
    int Stop(int signal = 15);

  private:
    pid_t pid_ = -1;
    int status_ = -1;
    int stdoutFd_ = -1;
    std::string buffered_{};
};

// Runs a command to its end; returns its exit code (-1 when it could not run) and its combined
// output in `output`.
int RunCommand(const std::vector<std::string>& argv, std::string* output = nullptr);

// A TCP port on 127.0.0.1 that was free a moment ago.
int FreeLoopbackPort();

// True when something accepts connections on 127.0.0.1:port.
bool CanConnect(int port);

std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& bytes);
