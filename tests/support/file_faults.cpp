// The C library's file calls, each looked at against the rule before it is
// passed on to the real one. Plain C++ and the C library only: this runs
// inside every call Qt makes, on any thread.

// Our own definitions of open and its kin stand in for the fortified ones.
#undef _FORTIFY_SOURCE

#include "file_faults.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Rule {
    std::string prefix;    // as given
    std::string canonical; // with the links of its existing part resolved
    unsigned steps = 0;
    int error = 0;
    int skip = 0;
    int times = 0;
    int matched = 0;
    int failed = 0;
};

std::mutex &ruleLock()
{
    static std::mutex lock;
    return lock;
}

Rule &rule()
{
    static Rule r;
    return r;
}

std::atomic<bool> g_active{false};

bool under(const std::string &path, const std::string &prefix)
{
    return !prefix.empty() && path.compare(0, prefix.size(), prefix) == 0;
}

// The prefix with the links of the part of it that exists resolved, as the
// kernel names an open file's path.
std::string canonicalPrefix(const std::string &prefix)
{
    std::string head = prefix;
    std::string tail;
    while (!head.empty()) {
        char resolved[PATH_MAX];
        if (::realpath(head.c_str(), resolved))
            return std::string(resolved) + tail;
        const std::size_t slash = head.find_last_of('/');
        if (slash == std::string::npos)
            break;
        tail = head.substr(slash) + tail;
        head.resize(slash);
    }
    return prefix;
}

std::string fdPath(int fd)
{
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    char target[PATH_MAX];
    const ssize_t size = ::readlink(link, target, sizeof target - 1);
    return size > 0 ? std::string(target, std::size_t(size)) : std::string();
}

// Whether a step fails; errno is set when it does.
bool fails(unsigned step, const char *path, const char *other = nullptr, int fd = -1)
{
    if (!g_active.load(std::memory_order_acquire))
        return false;
    const int saved = errno;
    std::lock_guard<std::mutex> guard(ruleLock());
    Rule &r = rule();
    if (!(r.steps & step)) {
        errno = saved;
        return false;
    }
    const std::string fdName = fd >= 0 ? fdPath(fd) : std::string();
    const auto matches = [&](const char *p) {
        return p && (under(p, r.prefix) || under(p, r.canonical));
    };
    if (!(matches(path) || matches(other) || (!fdName.empty() && matches(fdName.c_str())))) {
        errno = saved;
        return false;
    }
    ++r.matched;
    if (r.skip > 0) {
        --r.skip;
        errno = saved;
        return false;
    }
    if (r.times == 0) {
        errno = saved;
        return false;
    }
    if (r.times > 0)
        --r.times;
    ++r.failed;
    errno = r.error;
    return true;
}

template <typename F>
F real(const char *name)
{
    return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

unsigned openStep(int flags)
{
    return (flags & (O_WRONLY | O_RDWR | O_CREAT | O_TRUNC)) ? FileFaults::Create : FileFaults::Read;
}

mode_t modeOf(int flags, va_list args)
{
    return (flags & (O_CREAT | O_TMPFILE)) ? mode_t(va_arg(args, int)) : mode_t(0);
}

bool absoluteOrHere(int dirfd, const char *path)
{
    return dirfd == AT_FDCWD || (path && path[0] == '/');
}

} // namespace

namespace FileFaults {

void failUnderPath(const std::string &prefix, unsigned steps, int error, int skip, int times)
{
    const std::string canonical = canonicalPrefix(prefix);
    std::lock_guard<std::mutex> guard(ruleLock());
    rule() = Rule{prefix, canonical, steps, error, skip, times, 0, 0};
    g_active.store(true, std::memory_order_release);
}

void clear()
{
    std::lock_guard<std::mutex> guard(ruleLock());
    g_active.store(false, std::memory_order_release);
    rule().steps = 0;
}

int matched()
{
    std::lock_guard<std::mutex> guard(ruleLock());
    return rule().matched;
}

int failed()
{
    std::lock_guard<std::mutex> guard(ruleLock());
    return rule().failed;
}

} // namespace FileFaults

extern "C" {

#define PELLORAN_OPEN(name)                                                                                           \
    int name(const char *path, int flags, ...)                                                                        \
    {                                                                                                                 \
        va_list args;                                                                                                 \
        va_start(args, flags);                                                                                        \
        const mode_t mode = modeOf(flags, args);                                                                      \
        va_end(args);                                                                                                 \
        if (fails(openStep(flags), path))                                                                             \
            return -1;                                                                                                \
        static const auto next = real<int (*)(const char *, int, ...)>(#name);                                        \
        return next(path, flags, mode);                                                                               \
    }
PELLORAN_OPEN(open)
PELLORAN_OPEN(open64)

#define PELLORAN_OPENAT(name)                                                                                         \
    int name(int dirfd, const char *path, int flags, ...)                                                             \
    {                                                                                                                 \
        va_list args;                                                                                                 \
        va_start(args, flags);                                                                                        \
        const mode_t mode = modeOf(flags, args);                                                                      \
        va_end(args);                                                                                                 \
        if (absoluteOrHere(dirfd, path) && fails(openStep(flags), path))                                              \
            return -1;                                                                                                \
        static const auto next = real<int (*)(int, const char *, int, ...)>(#name);                                   \
        return next(dirfd, path, flags, mode);                                                                        \
    }
PELLORAN_OPENAT(openat)
PELLORAN_OPENAT(openat64)

int __open_2(const char *path, int flags)
{
    if (fails(openStep(flags), path))
        return -1;
    static const auto next = real<int (*)(const char *, int)>("__open_2");
    return next(path, flags);
}

int __open64_2(const char *path, int flags)
{
    if (fails(openStep(flags), path))
        return -1;
    static const auto next = real<int (*)(const char *, int)>("__open64_2");
    return next(path, flags);
}

ssize_t write(int fd, const void *data, size_t size)
{
    // The standard streams are never a file of the program's.
    if (fd > 2 && fails(FileFaults::Write, nullptr, nullptr, fd))
        return -1;
    static const auto next = real<ssize_t (*)(int, const void *, size_t)>("write");
    return next(fd, data, size);
}

int fsync(int fd)
{
    if (fails(FileFaults::Sync, nullptr, nullptr, fd))
        return -1;
    static const auto next = real<int (*)(int)>("fsync");
    return next(fd);
}

int fdatasync(int fd)
{
    if (fails(FileFaults::Sync, nullptr, nullptr, fd))
        return -1;
    static const auto next = real<int (*)(int)>("fdatasync");
    return next(fd);
}

int rename(const char *from, const char *to)
{
    if (fails(FileFaults::Rename, from, to))
        return -1;
    static const auto next = real<int (*)(const char *, const char *)>("rename");
    return next(from, to);
}

int renameat(int fromDir, const char *from, int toDir, const char *to)
{
    if (absoluteOrHere(fromDir, from) && absoluteOrHere(toDir, to) && fails(FileFaults::Rename, from, to))
        return -1;
    static const auto next = real<int (*)(int, const char *, int, const char *)>("renameat");
    return next(fromDir, from, toDir, to);
}

int renameat2(int fromDir, const char *from, int toDir, const char *to, unsigned flags)
{
    if (absoluteOrHere(fromDir, from) && absoluteOrHere(toDir, to) && fails(FileFaults::Rename, from, to))
        return -1;
    static const auto next = real<int (*)(int, const char *, int, const char *, unsigned)>("renameat2");
    return next(fromDir, from, toDir, to, flags);
}

int unlink(const char *path)
{
    if (fails(FileFaults::Remove, path))
        return -1;
    static const auto next = real<int (*)(const char *)>("unlink");
    return next(path);
}

int unlinkat(int dirfd, const char *path, int flags)
{
    if (absoluteOrHere(dirfd, path) && fails(FileFaults::Remove, path))
        return -1;
    static const auto next = real<int (*)(int, const char *, int)>("unlinkat");
    return next(dirfd, path, flags);
}

int rmdir(const char *path)
{
    if (fails(FileFaults::Remove, path))
        return -1;
    static const auto next = real<int (*)(const char *)>("rmdir");
    return next(path);
}

int mkdir(const char *path, mode_t mode)
{
    if (fails(FileFaults::MakeFolder, path))
        return -1;
    static const auto next = real<int (*)(const char *, mode_t)>("mkdir");
    return next(path, mode);
}

DIR *opendir(const char *path)
{
    if (fails(FileFaults::ReadFolder, path))
        return nullptr;
    static const auto next = real<DIR *(*)(const char *)>("opendir");
    return next(path);
}

} // extern "C"
