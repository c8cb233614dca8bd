#include "core/FileBytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "core/PartialFiles.h"

namespace {

[[noreturn]] void Fail(const char* what, const std::string& path, int error) {
    throw std::runtime_error(std::string(what) + " \"" + path + "\". " + std::strerror(error));
}

// Closes the descriptor when the scope ends (also when a read or write throws).
struct Descriptor {
    int fd = -1;
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
};

// The process's file-creation mask, as the kernel reports it; nothing when it cannot be read.
// (umask() itself would have to change the mask to read it, under the other threads' feet.)
std::optional<unsigned> CreationMask() {
    static const std::optional<unsigned> mask = []() -> std::optional<unsigned> {
        std::FILE* status = std::fopen("/proc/self/status", "re");
        if (!status) return std::nullopt;
        std::optional<unsigned> found;
        char line[256];
        unsigned value = 0;
        while (std::fgets(line, sizeof line, status))
            if (std::sscanf(line, "Umask: %o", &value) == 1) {
                found = value;
                break;
            }
        std::fclose(status);
        return found;
    }();
    return mask;
}

}  // namespace

std::string ReadFileBytes(const std::string& path) {
    Descriptor file;
    do file.fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    while (file.fd < 0 && errno == EINTR);
    if (file.fd < 0) Fail("Cannot open file", path, errno);

    // Straight into the string, a byte more than the file had when asked: a read that comes back
    // short after all of them is the end, without a further read to see it.
    struct stat info {};
    const std::size_t expected = ::fstat(file.fd, &info) == 0 && info.st_size > 0
                                     ? static_cast<std::size_t>(info.st_size)
                                     : 0;
    std::string bytes;
    std::size_t have = 0;
    for (;;) {
        if (bytes.size() == have)
            bytes.resize(std::max({have * 2, expected + 1, std::size_t{4096}}));
        const ssize_t got = ::read(file.fd, bytes.data() + have, bytes.size() - have);
        if (got < 0) {
            if (errno == EINTR) continue;
            Fail("Cannot read file", path, errno);
        }
        if (got == 0) break;
        const std::size_t asked = bytes.size() - have;
        have += static_cast<std::size_t>(got);
        if (static_cast<std::size_t>(got) < asked && have >= expected) break;
    }
    bytes.resize(have);
    return bytes;
}

std::optional<unsigned> ModeOfFileWithContent(const std::string& path, std::int64_t maxBytes) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0 ||
        info.st_size > maxBytes)
        return std::nullopt;
    return info.st_mode & 07777;
}

std::string WriteReplacement(const std::string& path, std::string_view bytes, bool durable,
                             std::optional<unsigned> mode) {
    if (!mode) {
        struct stat old {};
        if (::stat(path.c_str(), &old) == 0) mode = old.st_mode & 07777;
    }

    // A unique name in the same folder, so that the rename stays on one file system. It is
    // unique among this process's files; a clash with a file of another process is caught by
    // O_EXCL.
    std::string temp;
    Descriptor file;
    for (int attempt = 0; file.fd < 0; ++attempt) {
        temp = NewReplacementPath(path);
        file.fd =
            ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode.value_or(0666));
        if (file.fd < 0 && (errno != EEXIST || attempt > 100)) Fail("Cannot create file", path, errno);
    }

    auto abandon = [&](const char* what, int error) {
        ::close(file.fd);
        file.fd = -1;
        ::unlink(temp.c_str());
        Fail(what, path, error);
    };
    // The creation mask may have taken bits away; most often it leaves the old file's bits be.
    const std::optional<unsigned> mask = CreationMask();
    if (mode && (!mask || (*mode & *mask) != 0)) ::fchmod(file.fd, *mode);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::write(file.fd, bytes.data() + done, bytes.size() - done);
        if (put < 0) {
            if (errno == EINTR) continue;
            abandon("Cannot write file", errno);
        }
        done += static_cast<std::size_t>(put);
    }
    if (durable && ::fsync(file.fd) != 0) abandon("Cannot write file", errno);
    const int fd = file.fd;
    file.fd = -1;
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        Fail("Cannot write file", path, error);
    }
    return temp;
}

void CommitReplacement(const std::string& temp, const std::string& path) {
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        Fail("Cannot write file", path, error);
    }
}

void ReplaceFileBytes(const std::string& path, std::string_view bytes, bool durable) {
    CommitReplacement(WriteReplacement(path, bytes, durable), path);
}

void RequireWritableTarget(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) return;
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        Fail("Cannot write file", path, EACCES);
    // The effective account, as an open for writing would be judged.
    if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0)
        Fail("Cannot write file", path, errno);
}

std::string RemoveFile(const std::string& path) {
    if (::unlink(path.c_str()) == 0) return {};
    return std::strerror(errno);
}
