#include "soak/SoakGuards.h"

#include <arpa/inet.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <limits.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sched.h>
#include <spawn.h>
#include <stdarg.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>

#if defined(__SANITIZE_ADDRESS__) && __has_include(<sanitizer/common_interface_defs.h>)
#include <sanitizer/common_interface_defs.h>
#define LW_SOAK_STACKS 1
#endif

// The C library declares some of these paths never null; a caller may still pass one.
#pragma GCC diagnostic ignored "-Wnonnull-compare"

namespace {

std::atomic<bool> armed{false};
char allowed[PATH_MAX];  // ends in "/"
std::mutex refusalsMutex;
std::vector<std::string>& Refusals() {
    static auto* list = new std::vector<std::string>;  // outlives every static destructor
    return *list;
}

template <typename F>
F Next(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

void Refuse(const char* what, const std::string& detail) {
    char line[PATH_MAX + 64];
    const int n = std::snprintf(line, sizeof line, "soak: refused %s %s\n", what, detail.c_str());
    if (n > 0) (void)!::write(2, line, static_cast<size_t>(std::min<int>(n, sizeof line - 1)));
    std::lock_guard lock(refusalsMutex);
    Refusals().push_back(std::string(what) + " " + detail);
}

// The absolute form of `path` seen from `dirFd`, without resolving links (a link inside the
// folder pointing out is the folder's own business: nothing makes one).
std::string Absolute(int dirFd, const char* path) {
    if (!path) return {};
    if (path[0] == '/') return path;
    char base[PATH_MAX] = {};
    if (dirFd == AT_FDCWD) {
        if (!getcwd(base, sizeof base)) return path;
    } else {
        char link[64];
        std::snprintf(link, sizeof link, "/proc/self/fd/%d", dirFd);
        const ssize_t n = readlink(link, base, sizeof base - 1);
        if (n <= 0) return path;
        base[n] = 0;
    }
    return std::string(base) + "/" + path;
}

bool Inside(const std::string& absolute) {
    // ".." could climb out: refuse anything holding it, the program never writes such a path.
    if (absolute.find("/../") != std::string::npos ||
        (absolute.size() >= 3 && absolute.compare(absolute.size() - 3, 3, "/..") == 0))
        return false;
    const size_t n = std::strlen(allowed);
    if (absolute.compare(0, n, allowed) == 0) return true;
    if (absolute + "/" == allowed) return true;
    return absolute == "/dev/null" || absolute.rfind("/dev/shm/", 0) == 0 ||
           absolute.rfind("/proc/self/", 0) == 0;
}

// True when the call may go on; otherwise errno is EACCES.
bool MayWrite(const char* what, int dirFd, const char* path) {
    if (!armed.load()) return true;
    const std::string absolute = Absolute(dirFd, path);
    if (Inside(absolute)) return true;
    Refuse(what, absolute);
#ifdef LW_SOAK_STACKS
    __sanitizer_print_stack_trace();  // a write is the program's own doing: say whose
#endif
    errno = EACCES;
    return false;
}

bool Writes(int flags) {
    return (flags & (O_WRONLY | O_RDWR | O_CREAT | O_TRUNC | O_APPEND)) != 0;
}

bool WritesMode(const char* mode) {
    return mode && (std::strpbrk(mode, "wa+") != nullptr);
}

}  // namespace

void ArmSoakGuards(const std::string& allowedFolder) {
    std::string folder = allowedFolder;
    if (folder.empty() || folder.back() != '/') folder += '/';
    std::snprintf(allowed, sizeof allowed, "%s", folder.c_str());
    armed = true;
}

void DisarmSoakGuards() {
    armed = false;
}

std::vector<std::string> SoakGuardRefusals() {
    std::lock_guard lock(refusalsMutex);
    return Refusals();
}

bool IsolateNetwork() {
    if (unshare(CLONE_NEWNET) != 0) return false;
    const int s = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (s < 0) return false;
    ifreq request{};
    std::snprintf(request.ifr_name, sizeof request.ifr_name, "lo");
    bool up = ioctl(s, SIOCGIFFLAGS, &request) == 0;
    request.ifr_flags = static_cast<short>(request.ifr_flags | IFF_UP);
    up = up && ioctl(s, SIOCSIFFLAGS, &request) == 0;
    ::close(s);
    return up;
}

// --- The C library's functions, guarded ----------------------------------------------------

extern "C" {

int open(const char* path, int flags, ...) {
    mode_t mode = 0;
    if (flags & (O_CREAT | O_TMPFILE)) {
        va_list args;
        va_start(args, flags);
        mode = va_arg(args, mode_t);
        va_end(args);
    }
    if (Writes(flags) && !MayWrite("open", AT_FDCWD, path)) return -1;
    static auto real = Next<int (*)(const char*, int, ...)>("open");
    return real(path, flags, mode);
}

int open64(const char* path, int flags, ...) {
    mode_t mode = 0;
    if (flags & (O_CREAT | O_TMPFILE)) {
        va_list args;
        va_start(args, flags);
        mode = va_arg(args, mode_t);
        va_end(args);
    }
    if (Writes(flags) && !MayWrite("open64", AT_FDCWD, path)) return -1;
    static auto real = Next<int (*)(const char*, int, ...)>("open64");
    return real(path, flags, mode);
}

int openat(int dirFd, const char* path, int flags, ...) {
    mode_t mode = 0;
    if (flags & (O_CREAT | O_TMPFILE)) {
        va_list args;
        va_start(args, flags);
        mode = va_arg(args, mode_t);
        va_end(args);
    }
    if (Writes(flags) && !MayWrite("openat", dirFd, path)) return -1;
    static auto real = Next<int (*)(int, const char*, int, ...)>("openat");
    return real(dirFd, path, flags, mode);
}

int openat64(int dirFd, const char* path, int flags, ...) {
    mode_t mode = 0;
    if (flags & (O_CREAT | O_TMPFILE)) {
        va_list args;
        va_start(args, flags);
        mode = va_arg(args, mode_t);
        va_end(args);
    }
    if (Writes(flags) && !MayWrite("openat64", dirFd, path)) return -1;
    static auto real = Next<int (*)(int, const char*, int, ...)>("openat64");
    return real(dirFd, path, flags, mode);
}

int creat(const char* path, mode_t mode) {
    if (!MayWrite("creat", AT_FDCWD, path)) return -1;
    static auto real = Next<int (*)(const char*, mode_t)>("creat");
    return real(path, mode);
}

FILE* fopen(const char* path, const char* mode) {
    if (WritesMode(mode) && !MayWrite("fopen", AT_FDCWD, path)) return nullptr;
    static auto real = Next<FILE* (*)(const char*, const char*)>("fopen");
    return real(path, mode);
}

FILE* fopen64(const char* path, const char* mode) {
    if (WritesMode(mode) && !MayWrite("fopen64", AT_FDCWD, path)) return nullptr;
    static auto real = Next<FILE* (*)(const char*, const char*)>("fopen64");
    return real(path, mode);
}

int unlink(const char* path) {
    if (!MayWrite("unlink", AT_FDCWD, path)) return -1;
    static auto real = Next<int (*)(const char*)>("unlink");
    return real(path);
}

int unlinkat(int dirFd, const char* path, int flags) {
    if (!MayWrite("unlinkat", dirFd, path)) return -1;
    static auto real = Next<int (*)(int, const char*, int)>("unlinkat");
    return real(dirFd, path, flags);
}

int remove(const char* path) {
    if (!MayWrite("remove", AT_FDCWD, path)) return -1;
    static auto real = Next<int (*)(const char*)>("remove");
    return real(path);
}

int rmdir(const char* path) {
    if (!MayWrite("rmdir", AT_FDCWD, path)) return -1;
    static auto real = Next<int (*)(const char*)>("rmdir");
    return real(path);
}

int mkdir(const char* path, mode_t mode) {
    if (!MayWrite("mkdir", AT_FDCWD, path)) return -1;
    static auto real = Next<int (*)(const char*, mode_t)>("mkdir");
    return real(path, mode);
}

int mkdirat(int dirFd, const char* path, mode_t mode) {
    if (!MayWrite("mkdirat", dirFd, path)) return -1;
    static auto real = Next<int (*)(int, const char*, mode_t)>("mkdirat");
    return real(dirFd, path, mode);
}

int rename(const char* from, const char* to) {
    if (!MayWrite("rename", AT_FDCWD, from) || !MayWrite("rename", AT_FDCWD, to)) return -1;
    static auto real = Next<int (*)(const char*, const char*)>("rename");
    return real(from, to);
}

int renameat(int fromFd, const char* from, int toFd, const char* to) {
    if (!MayWrite("renameat", fromFd, from) || !MayWrite("renameat", toFd, to)) return -1;
    static auto real = Next<int (*)(int, const char*, int, const char*)>("renameat");
    return real(fromFd, from, toFd, to);
}

int renameat2(int fromFd, const char* from, int toFd, const char* to, unsigned flags) {
    if (!MayWrite("renameat2", fromFd, from) || !MayWrite("renameat2", toFd, to)) return -1;
    static auto real = Next<int (*)(int, const char*, int, const char*, unsigned)>("renameat2");
    return real(fromFd, from, toFd, to, flags);
}

int link(const char* from, const char* to) {
    if (!MayWrite("link", AT_FDCWD, to)) return -1;
    static auto real = Next<int (*)(const char*, const char*)>("link");
    return real(from, to);
}

int linkat(int fromFd, const char* from, int toFd, const char* to, int flags) {
    if (!MayWrite("linkat", toFd, to)) return -1;
    static auto real = Next<int (*)(int, const char*, int, const char*, int)>("linkat");
    return real(fromFd, from, toFd, to, flags);
}

int symlink(const char* target, const char* path) {
    if (!MayWrite("symlink", AT_FDCWD, path)) return -1;
    static auto real = Next<int (*)(const char*, const char*)>("symlink");
    return real(target, path);
}

int chmod(const char* path, mode_t mode) {
    if (!MayWrite("chmod", AT_FDCWD, path)) return -1;
    static auto real = Next<int (*)(const char*, mode_t)>("chmod");
    return real(path, mode);
}

int truncate(const char* path, off_t length) {
    if (!MayWrite("truncate", AT_FDCWD, path)) return -1;
    static auto real = Next<int (*)(const char*, off_t)>("truncate");
    return real(path, length);
}

int utimensat(int dirFd, const char* path, const struct timespec times[2], int flags) {
    if (path && !MayWrite("utimensat", dirFd, path)) return -1;
    static auto real =
        Next<int (*)(int, const char*, const struct timespec*, int)>("utimensat");
    return real(dirFd, path, times, flags);
}

int connect(int fd, const struct sockaddr* address, socklen_t length) {
    if (armed.load() && address) {
        bool local = true;
        char text[INET6_ADDRSTRLEN] = "?";
        if (address->sa_family == AF_INET) {
            const auto* in = reinterpret_cast<const sockaddr_in*>(address);
            local = (ntohl(in->sin_addr.s_addr) >> 24) == 127;
            inet_ntop(AF_INET, &in->sin_addr, text, sizeof text);
        } else if (address->sa_family == AF_INET6) {
            const auto* in6 = reinterpret_cast<const sockaddr_in6*>(address);
            local = IN6_IS_ADDR_LOOPBACK(&in6->sin6_addr);
            inet_ntop(AF_INET6, &in6->sin6_addr, text, sizeof text);
        }
        if (!local) {
            Refuse("connect", text);
            errno = EACCES;
            return -1;
        }
    }
    static auto real = Next<int (*)(int, const struct sockaddr*, socklen_t)>("connect");
    return real(fd, address, length);
}

int getaddrinfo(const char* node, const char* service, const struct addrinfo* hints,
                struct addrinfo** result) {
    if (armed.load() && node) {
        const bool local = std::strcmp(node, "localhost") == 0 ||
                           std::strncmp(node, "127.", 4) == 0 || std::strcmp(node, "::1") == 0;
        if (!local) {
            Refuse("getaddrinfo", node);
            return EAI_NONAME;
        }
    }
    static auto real =
        Next<int (*)(const char*, const char*, const struct addrinfo*, struct addrinfo**)>(
            "getaddrinfo");
    return real(node, service, hints, result);
}

int execve(const char* path, char* const argv[], char* const envp[]) {
    if (armed.load()) {
        Refuse("execve", path ? path : "");
        errno = EACCES;
        return -1;
    }
    static auto real = Next<int (*)(const char*, char* const*, char* const*)>("execve");
    return real(path, argv, envp);
}

int execv(const char* path, char* const argv[]) {
    return execve(path, argv, environ);
}

int execvp(const char* file, char* const argv[]) {
    if (armed.load()) return execve(file, argv, environ);
    static auto real = Next<int (*)(const char*, char* const*)>("execvp");
    return real(file, argv);
}

int posix_spawn(pid_t* pid, const char* path, const posix_spawn_file_actions_t* actions,
                const posix_spawnattr_t* attributes, char* const argv[], char* const envp[]) {
    if (armed.load()) {
        Refuse("posix_spawn", path ? path : "");
        return EACCES;
    }
    static auto real = Next<int (*)(pid_t*, const char*, const posix_spawn_file_actions_t*,
                                    const posix_spawnattr_t*, char* const*, char* const*)>(
        "posix_spawn");
    return real(pid, path, actions, attributes, argv, envp);
}

int posix_spawnp(pid_t* pid, const char* file, const posix_spawn_file_actions_t* actions,
                 const posix_spawnattr_t* attributes, char* const argv[], char* const envp[]) {
    if (armed.load()) {
        Refuse("posix_spawnp", file ? file : "");
        return EACCES;
    }
    static auto real = Next<int (*)(pid_t*, const char*, const posix_spawn_file_actions_t*,
                                    const posix_spawnattr_t*, char* const*, char* const*)>(
        "posix_spawnp");
    return real(pid, file, actions, attributes, argv, envp);
}

}  // extern "C"
