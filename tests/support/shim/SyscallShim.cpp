// Preloaded into a test's child (LD_PRELOAD): a system that refuses what some kernels and file systems do.
// WK_SHIM_REFUSE_OFD=1: F_OFD_* locks fail with EINVAL, as before Linux 3.15 and on some network and FUSE
// file systems. WK_SHIM_SYNC_FULL=<text>: fsync and fdatasync of a file whose path holds <text> fail with
// ENOSPC, as where the disk is found full only when the data is written out.
#include <dlfcn.h>
#include <fcntl.h>

#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <filesystem>
#include <string>

static int refused(int error) {
    errno = error;
    return -1;
}

static int syncUnlessFull(const char* name, int fd) {
    const char* text = std::getenv("WK_SHIM_SYNC_FULL");
    std::error_code gone;
    const auto path = std::filesystem::read_symlink("/proc/self/fd/" + std::to_string(fd), gone).string();
    if (text && *text && path.find(text) != std::string::npos) return refused(ENOSPC);
    return reinterpret_cast<int (*)(int)>(::dlsym(RTLD_NEXT, name))(fd);
}

extern "C" {
// The third argument is an int or a pointer; both travel in one register.
int fcntl64(int fd, int cmd, ...) {
    va_list ap;
    va_start(ap, cmd);
    void* arg = va_arg(ap, void*);
    va_end(ap);
    const bool ofd = cmd == F_OFD_GETLK || cmd == F_OFD_SETLK || cmd == F_OFD_SETLKW;
    if (ofd && std::getenv("WK_SHIM_REFUSE_OFD")) return refused(EINVAL);
    return reinterpret_cast<int (*)(int, int, ...)>(::dlsym(RTLD_NEXT, "fcntl64"))(fd, cmd, arg);
}
// Where off_t has 64 bits, the C library's fcntl is this very call.
static_assert(sizeof(off_t) == 8);
int fcntl(int fd, int cmd, ...) __attribute__((alias("fcntl64")));

int fsync(int fd) {
    return syncUnlessFull("fsync", fd);
}
int fdatasync(int fd) {
    return syncUnlessFull("fdatasync", fd);
}
}
