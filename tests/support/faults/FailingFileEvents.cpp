// Preloaded into a real vextral process (LD_PRELOAD), this library makes one file event fail,
// as a full disk or a failing device would, or kills the process at that event. A file event
// is a call that opens, creates, renames, links, removes or changes the mode of a path below
// one of the watched folders, or that writes, truncates, syncs or reads through a descriptor
// opened that way.
//
// Environment:
//   VX_FAULT_ROOTS  folders whose events count, separated by ':' (absolute paths)
//   VX_FAULT_AT     the event that fails, counting from 1 (unset or 0: none)
//   VX_FAULT_KILL   when set, the process is killed with SIGKILL at that event instead
//   VX_FAULT_LOG    a file that gets one line when the event failed: "N call path"
//   VX_FAULT_TRACE  a file that gets such a line for every event (to see what a run does)
//   VX_FAULT_UNLISTABLE  opendir of a path containing this text always fails (EACCES), the
//                   way a folder without read permission fails for anyone but root
//
// Calls made inside the C library (fopen's own open, say) are not seen twice: only the
// outermost public call counts.

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <sys/uio.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr int kMaxTrackedFd = 65536;

std::atomic<long> events{0};
bool tracked[kMaxTrackedFd];
thread_local int depth = 0;  // inside one of our wrappers

struct Config {
    std::string roots;  // ':'-separated, each ending without '/'
    long failAt = 0;
    bool kill = false;
    std::string log;
    std::string trace;
    std::string unlistable;
    bool ready = false;
};

Config& Settings() {
    static Config config;
    if (!config.ready) {
        config.ready = true;
        const auto get = [](const char* name) {
            const char* value = std::getenv(name);
            return std::string(value != nullptr ? value : "");
        };
        config.roots = get("VX_FAULT_ROOTS");
        config.failAt = std::atol(get("VX_FAULT_AT").c_str());
        config.kill = !get("VX_FAULT_KILL").empty();
        config.log = get("VX_FAULT_LOG");
        config.trace = get("VX_FAULT_TRACE");
        config.unlistable = get("VX_FAULT_UNLISTABLE");
    }
    return config;
}

template <typename Function>
Function Real(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

bool Watched(int dirfd, const char* path) {
    if (path == nullptr)
        return false;
    std::string full = path;
    if (full.empty() || full[0] != '/') {
        // Relative to the current folder (or to a folder descriptor we do not follow).
        if (dirfd != AT_FDCWD)
            return false;
        char cwd[4096];
        if (::getcwd(cwd, sizeof cwd) == nullptr)
            return false;
        full = std::string(cwd) + "/" + full;
    }
    const std::string& roots = Settings().roots;
    std::size_t start = 0;
    while (start < roots.size()) {
        std::size_t end = roots.find(':', start);
        if (end == std::string::npos)
            end = roots.size();
        const std::string root = roots.substr(start, end - start);
        if (!root.empty() && full.compare(0, root.size(), root) == 0 &&
            (full.size() == root.size() || full[root.size()] == '/')) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

bool TrackedFd(int fd) {
    return fd >= 0 && fd < kMaxTrackedFd && tracked[fd];
}

void Track(int fd, bool on) {
    if (fd >= 0 && fd < kMaxTrackedFd)
        tracked[fd] = on;
}

void Log(const std::string& path, long number, const char* call, const char* what) {
    if (path.empty())
        return;
    std::string line = std::to_string(number) + " " + call + " " + what + "\n";
    const int fd = static_cast<int>(
        ::syscall(SYS_openat, AT_FDCWD, path.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644));
    if (fd < 0)
        return;
    (void)::syscall(SYS_write, fd, line.data(), line.size());
    (void)::syscall(SYS_close, fd);
}

// Counts one event; true when it is the one to fail (errno is then set).
bool Fails(bool counts, const char* call, const char* what, int error) {
    if (!counts || depth > 0)
        return false;
    const long number = ++events;
    const Config& config = Settings();
    Log(config.trace, number, call, what != nullptr ? what : "");
    if (number != config.failAt)
        return false;
    Log(config.log, number, call, what != nullptr ? what : "");
    if (config.kill)
        ::raise(SIGKILL);
    errno = error;
    return true;
}

struct Inside {
    Inside() { ++depth; }
    ~Inside() { --depth; }
};

bool Creates(int flags) {
    return (flags & (O_CREAT | O_TRUNC | O_WRONLY | O_RDWR)) != 0;
}

std::string FdName(int fd) {
    return "fd " + std::to_string(fd);
}

int OpenAt(const char* call, int dirfd, const char* path, int flags, mode_t mode) {
    const bool watched = Watched(dirfd, path);
    if (Fails(watched, call, path, Creates(flags) ? ENOSPC : EIO))
        return -1;
    Inside inside;
    const int fd = Real<int (*)(int, const char*, int, ...)>("openat")(dirfd, path, flags, mode);
    if (fd >= 0)
        Track(fd, watched);
    return fd;
}

int PathCall(const char* call, int dirfd, const char* path, int error) {
    return Fails(Watched(dirfd, path), call, path, error) ? -1 : 0;
}

// A call on a path relative to a folder descriptor: counted by that path, then passed on.
template <typename... Args>
int AtCall(const char* name, int dirfd, const char* path, int error, Args... args) {
    if (PathCall(name, dirfd, path, error) != 0)
        return -1;
    Inside inside;
    return Real<int (*)(Args...)>(name)(args...);
}

}  // namespace

extern "C" {

int open(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) ? va_arg(args, mode_t) : 0;
    va_end(args);
    return OpenAt("open", AT_FDCWD, path, flags, mode);
}
int open64(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) ? va_arg(args, mode_t) : 0;
    va_end(args);
    return OpenAt("open", AT_FDCWD, path, flags, mode);
}
int __open_2(const char* path, int flags) {
    return OpenAt("open", AT_FDCWD, path, flags, 0);
}
int __open64_2(const char* path, int flags) {
    return OpenAt("open", AT_FDCWD, path, flags, 0);
}
int openat(int dirfd, const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) ? va_arg(args, mode_t) : 0;
    va_end(args);
    return OpenAt("openat", dirfd, path, flags, mode);
}
int openat64(int dirfd, const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) ? va_arg(args, mode_t) : 0;
    va_end(args);
    return OpenAt("openat", dirfd, path, flags, mode);
}
int creat(const char* path, mode_t mode) {
    return OpenAt("creat", AT_FDCWD, path, O_CREAT | O_WRONLY | O_TRUNC, mode);
}
int creat64(const char* path, mode_t mode) {
    return OpenAt("creat", AT_FDCWD, path, O_CREAT | O_WRONLY | O_TRUNC, mode);
}

FILE* fopen(const char* path, const char* mode) {
    const bool watched = Watched(AT_FDCWD, path);
    if (Fails(watched, "fopen", path, mode[0] == 'r' && mode[1] != '+' ? EIO : ENOSPC))
        return nullptr;
    Inside inside;
    FILE* file = Real<FILE* (*)(const char*, const char*)>("fopen")(path, mode);
    if (file != nullptr)
        Track(fileno(file), watched);
    return file;
}
FILE* fopen64(const char* path, const char* mode) {
    const bool watched = Watched(AT_FDCWD, path);
    if (Fails(watched, "fopen", path, mode[0] == 'r' && mode[1] != '+' ? EIO : ENOSPC))
        return nullptr;
    Inside inside;
    FILE* file = Real<FILE* (*)(const char*, const char*)>("fopen64")(path, mode);
    if (file != nullptr)
        Track(fileno(file), watched);
    return file;
}

int mkstemp(char* pattern) {
    return mkostemp(pattern, 0);
}
int mkstemp64(char* pattern) {
    return mkostemp(pattern, 0);
}
int mkostemp(char* pattern, int flags) {
    const bool watched = Watched(AT_FDCWD, pattern);
    if (Fails(watched, "mkstemp", pattern, ENOSPC))
        return -1;
    Inside inside;
    const int fd = Real<int (*)(char*, int)>("mkostemp")(pattern, flags);
    if (fd >= 0)
        Track(fd, watched);
    return fd;
}

DIR* opendir(const char* path) {
    const std::string& unlistable = Settings().unlistable;
    if (!unlistable.empty() && std::strstr(path, unlistable.c_str()) != nullptr) {
        errno = EACCES;
        return nullptr;
    }
    if (Fails(Watched(AT_FDCWD, path), "opendir", path, EIO))
        return nullptr;
    Inside inside;
    return Real<DIR* (*)(const char*)>("opendir")(path);
}

int close(int fd) {
    Track(fd, false);
    return Real<int (*)(int)>("close")(fd);
}
int fclose(FILE* file) {
    const int fd = fileno(file);
    const bool fails = Fails(TrackedFd(fd), "fclose", FdName(fd).c_str(), ENOSPC);
    Track(fd, false);
    Inside inside;
    const int result = Real<int (*)(FILE*)>("fclose")(file);
    if (fails) {
        errno = ENOSPC;
        return EOF;
    }
    return result;
}

#define VX_PATH_CALL(name, error, signature, arguments, path) \
    int name signature {                                      \
        if (PathCall(#name, AT_FDCWD, path, error) != 0)      \
            return -1;                                        \
        Inside inside;                                        \
        return Real<int(*) signature>(#name) arguments;       \
    }

VX_PATH_CALL(mkdir, ENOSPC, (const char* path, mode_t mode), (path, mode), path)
VX_PATH_CALL(rmdir, EIO, (const char* path), (path), path)
VX_PATH_CALL(unlink, EIO, (const char* path), (path), path)
VX_PATH_CALL(remove, EIO, (const char* path), (path), path)
VX_PATH_CALL(rename, EIO, (const char* from, const char* to), (from, to), from)
VX_PATH_CALL(link, ENOSPC, (const char* from, const char* to), (from, to), to)
VX_PATH_CALL(symlink, ENOSPC, (const char* target, const char* path), (target, path), path)
VX_PATH_CALL(chmod, EIO, (const char* path, mode_t mode), (path, mode), path)
VX_PATH_CALL(truncate, ENOSPC, (const char* path, off_t length), (path, length), path)

int mkdirat(int dirfd, const char* path, mode_t mode) {
    return AtCall("mkdirat", dirfd, path, ENOSPC, dirfd, path, mode);
}
int unlinkat(int dirfd, const char* path, int flags) {
    return AtCall("unlinkat", dirfd, path, EIO, dirfd, path, flags);
}
int renameat(int fromfd, const char* from, int tofd, const char* to) {
    return AtCall("renameat", fromfd, from, EIO, fromfd, from, tofd, to);
}
int renameat2(int fromfd, const char* from, int tofd, const char* to, unsigned flags) {
    return AtCall("renameat2", fromfd, from, EIO, fromfd, from, tofd, to, flags);
}
int linkat(int fromfd, const char* from, int tofd, const char* to, int flags) {
    return AtCall("linkat", tofd, to, ENOSPC, fromfd, from, tofd, to, flags);
}
int fchmodat(int dirfd, const char* path, mode_t mode, int flags) {
    return AtCall("fchmodat", dirfd, path, EIO, dirfd, path, mode, flags);
}

// renameat2 reached through syscall(), as a build without a C library wrapper does it.
long syscall(long number, ...) {
    va_list args;
    va_start(args, number);
    long a[6];
    for (long& value : a)
        value = va_arg(args, long);
    va_end(args);
    if (number == SYS_renameat2 && PathCall("renameat2", static_cast<int>(a[0]),
                                            reinterpret_cast<const char*>(a[1]), EIO) != 0) {
        return -1;
    }
    Inside inside;
    return Real<long (*)(long, ...)>("syscall")(number, a[0], a[1], a[2], a[3], a[4], a[5]);
}

#define VX_FD_CALL(result, name, error, signature, arguments, fd)   \
    result name signature {                                         \
        if (Fails(TrackedFd(fd), #name, FdName(fd).c_str(), error)) \
            return -1;                                              \
        Inside inside;                                              \
        return Real<result(*) signature>(#name) arguments;          \
    }

VX_FD_CALL(ssize_t, write, ENOSPC, (int fd, const void* data, size_t size), (fd, data, size), fd)
VX_FD_CALL(ssize_t, writev, ENOSPC, (int fd, const struct iovec* io, int count), (fd, io, count),
           fd)
VX_FD_CALL(ssize_t, pwrite, ENOSPC, (int fd, const void* data, size_t size, off_t at),
           (fd, data, size, at), fd)
VX_FD_CALL(ssize_t, pwrite64, ENOSPC, (int fd, const void* data, size_t size, off64_t at),
           (fd, data, size, at), fd)
VX_FD_CALL(ssize_t, read, EIO, (int fd, void* data, size_t size), (fd, data, size), fd)
VX_FD_CALL(ssize_t, pread, EIO, (int fd, void* data, size_t size, off_t at), (fd, data, size, at),
           fd)
VX_FD_CALL(ssize_t, pread64, EIO, (int fd, void* data, size_t size, off64_t at),
           (fd, data, size, at), fd)
VX_FD_CALL(int, ftruncate, ENOSPC, (int fd, off_t length), (fd, length), fd)
VX_FD_CALL(int, ftruncate64, ENOSPC, (int fd, off64_t length), (fd, length), fd)
VX_FD_CALL(int, fsync, EIO, (int fd), (fd), fd)
VX_FD_CALL(int, fdatasync, EIO, (int fd), (fd), fd)
VX_FD_CALL(int, fchmod, EIO, (int fd, mode_t mode), (fd, mode), fd)
VX_FD_CALL(ssize_t, copy_file_range, ENOSPC,
           (int in, off64_t* inAt, int out, off64_t* outAt, size_t size, unsigned flags),
           (in, inAt, out, outAt, size, flags), out)

size_t fwrite(const void* data, size_t size, size_t count, FILE* file) {
    if (Fails(TrackedFd(fileno(file)), "fwrite", FdName(fileno(file)).c_str(), ENOSPC))
        return 0;
    Inside inside;
    return Real<size_t (*)(const void*, size_t, size_t, FILE*)>("fwrite")(data, size, count, file);
}

}  // extern "C"
