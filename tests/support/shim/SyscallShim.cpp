// Preloaded into a test's child process (LD_PRELOAD): a system that refuses
// what some kernels and file systems refuse, chosen by the environment.
//   WK_SHIM_REFUSE_OFD=1        open-file-description locks (F_OFD_*) fail
//                               with EINVAL, as before Linux 3.15 and on some
//                               network and FUSE file systems
//   WK_SHIM_SYNC_FULL=<text>    fsync and fdatasync of a file whose path
//                               contains <text> fail with ENOSPC, as on a
//                               file system that finds the disk full only
//                               when it writes the data out
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool refusedLock(int cmd) {
    return std::getenv("WK_SHIM_REFUSE_OFD") &&
           (cmd == F_OFD_GETLK || cmd == F_OFD_SETLK || cmd == F_OFD_SETLKW);
}

bool syncFindsDiskFull(int fd) {
    const char* text = std::getenv("WK_SHIM_SYNC_FULL");
    if (!text || !*text) return false;
    char link[64];
    char target[4096];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = ::readlink(link, target, sizeof target - 1);
    if (n <= 0) return false;
    target[n] = '\0';
    return std::strstr(target, text) != nullptr;
}

template <class F>
F next(const char* name) {
    return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

using Fcntl = int (*)(int, int, ...);
using Sync = int (*)(int);

int passFcntl(const char* name, int fd, int cmd, void* arg) {
    if (refusedLock(cmd)) {
        errno = EINVAL;
        return -1;
    }
    static Fcntl plain = next<Fcntl>("fcntl");
    static Fcntl wide = next<Fcntl>("fcntl64");
    const Fcntl real = std::strcmp(name, "fcntl") == 0 ? plain : wide;
    return real(fd, cmd, arg);
}

int passSync(const char* name, int fd) {
    if (syncFindsDiskFull(fd)) {
        errno = ENOSPC;
        return -1;
    }
    return next<Sync>(name)(fd);
}

}  // namespace

extern "C" {

// The third argument is an int or a pointer; both travel in one register.
int fcntl(int fd, int cmd, ...) {
    va_list ap;
    va_start(ap, cmd);
    void* arg = va_arg(ap, void*);
    va_end(ap);
    return passFcntl("fcntl", fd, cmd, arg);
}

int fcntl64(int fd, int cmd, ...) {
    va_list ap;
    va_start(ap, cmd);
    void* arg = va_arg(ap, void*);
    va_end(ap);
    return passFcntl("fcntl64", fd, cmd, arg);
}

int fsync(int fd) {
    return passSync("fsync", fd);
}

int fdatasync(int fd) {
    return passSync("fdatasync", fd);
}
}
