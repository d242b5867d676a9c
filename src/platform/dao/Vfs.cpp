// The layer's VFS (Vfs.h): SQLite's own, whose files keep SQLite's methods
// behind a thin layer that notes the error number of a failed operation.
#include "platform/dao/Vfs.h"

#include "platform/dao/Dao.h"
#include "platform/dao/LeftoverJournal.h"

#include <QByteArray>

#include <sqlite3.h>

#include <sys/statvfs.h>

#include <cerrno>
#include <csignal>

namespace dao::detail {

namespace {

int failed = 0;

sqlite3_vfs* base() {
    static sqlite3_vfs* const vfs = sqlite3_vfs_find(nullptr);
    return vfs;
}

// A file of SQLite's VFS, which lies right behind it.
struct LayerFile {
    sqlite3_file file;
    sqlite3_file* real;
};

sqlite3_file* real(sqlite3_file* f) {
    return reinterpret_cast<LayerFile*>(f)->real;
}
const sqlite3_io_methods& io(sqlite3_file* f) {
    return *real(f)->pMethods;
}

// SQLite's record of the file's last error, where it made one; it holds
// none for a write the disk had no room for, which it reports as such.
int noted(sqlite3_file* f, int rc) {
    if (rc == SQLITE_OK) return rc;
    const int now = errno;
    int recorded = 0;
    io(f).xFileControl(real(f), SQLITE_FCNTL_LAST_ERRNO, &recorded);
    failed = recorded ? recorded : now;
    return rc;
}

using Offset = sqlite3_int64;

const sqlite3_io_methods layerMethods = {
    3,
    [](sqlite3_file* f) { return io(f).xClose(real(f)); },
    [](sqlite3_file* f, void* to, int n, Offset at) { return io(f).xRead(real(f), to, n, at); },
    [](sqlite3_file* f, const void* from, int n, Offset at) {
        return noted(f, io(f).xWrite(real(f), from, n, at));
    },
    [](sqlite3_file* f, Offset size) { return noted(f, io(f).xTruncate(real(f), size)); },
    [](sqlite3_file* f, int flags) { return noted(f, io(f).xSync(real(f), flags)); },
    [](sqlite3_file* f, Offset* size) { return io(f).xFileSize(real(f), size); },
    [](sqlite3_file* f, int level) { return io(f).xLock(real(f), level); },
    [](sqlite3_file* f, int level) { return io(f).xUnlock(real(f), level); },
    [](sqlite3_file* f, int* out) { return io(f).xCheckReservedLock(real(f), out); },
    [](sqlite3_file* f, int op, void* arg) { return io(f).xFileControl(real(f), op, arg); },
    [](sqlite3_file* f) { return io(f).xSectorSize(real(f)); },
    [](sqlite3_file* f) { return io(f).xDeviceCharacteristics(real(f)); },
    [](sqlite3_file* f, int region, int size, int extend, void volatile** at) {
        return io(f).xShmMap(real(f), region, size, extend, at);
    },
    [](sqlite3_file* f, int at, int n, int flags) { return io(f).xShmLock(real(f), at, n, flags); },
    [](sqlite3_file* f) { io(f).xShmBarrier(real(f)); },
    [](sqlite3_file* f, int remove) { return io(f).xShmUnmap(real(f), remove); },
    [](sqlite3_file* f, Offset at, int n, void** p) { return io(f).xFetch(real(f), at, n, p); },
    [](sqlite3_file* f, Offset at, void* p) { return io(f).xUnfetch(real(f), at, p); },
};

// Whether the folder of `path` has no block or no name left.
bool noRoomBeside(const char* path) {
    const QByteArray folder = QByteArray(path).left(QByteArray(path).lastIndexOf('/') + 1);
    struct statvfs fs {};
    return ::statvfs(folder.isEmpty() ? "." : folder.constData(), &fs) == 0 &&
           (fs.f_bavail == 0 || fs.f_favail == 0);
}

int layerOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* outFlags) {
    auto* file = reinterpret_cast<LayerFile*>(f);
    file->file.pMethods = nullptr;
    file->real = reinterpret_cast<sqlite3_file*>(file + 1);
    // Every change begins a journal: none over one the guard has kept.
    if ((flags & SQLITE_OPEN_MAIN_JOURNAL) && (flags & SQLITE_OPEN_CREATE) && name &&
        !mayCreateJournal(QByteArray(name)))
        return SQLITE_CANTOPEN;
    const int rc = base()->xOpen(base(), name, file->real, flags, outFlags);
    if (rc != SQLITE_OK) {
        failed = errno;
        // A file it could not make SQLite tries to open without making it,
        // and errno holds that try's: the file is not there.
        if (failed == ENOENT && (flags & SQLITE_OPEN_CREATE) && name && noRoomBeside(name)) failed = ENOSPC;
        return rc;
    }
    file->file.pMethods = &layerMethods;
    return SQLITE_OK;
}

int layerAccess(sqlite3_vfs*, const char* path, int flags, int* exists) {
    const int rc = base()->xAccess(base(), path, flags, exists);
    if (rc == SQLITE_OK && flags == SQLITE_ACCESS_EXISTS && *exists && !mayUseJournal(QByteArray(path)))
        *exists = 0;
    return rc;
}

}  // namespace

const char* layerVfs() {
    static const char* const name = [] {
        static sqlite3_vfs vfs = *base();
        vfs.pNext = nullptr;
        vfs.szOsFile = int(sizeof(LayerFile)) + base()->szOsFile;
        vfs.zName = "wortkiste";
        vfs.xOpen = layerOpen;
        vfs.xAccess = layerAccess;
        // The rest are SQLite's own, which do not look at the VFS they are
        // called with.
        sqlite3_vfs_register(&vfs, 0);
        return vfs.zName;
    }();
    return name;
}

int failedCallErrno() {
    return failed;
}

void forgetFailedCall() {
    failed = 0;
}

}  // namespace dao::detail

namespace dao {

void KeepRunningAtFileSizeLimit() {
    struct sigaction caught {};
    caught.sa_handler = [](int) {};
    caught.sa_flags = SA_RESTART;
    sigemptyset(&caught.sa_mask);
    ::sigaction(SIGXFSZ, &caught, nullptr);
}

}  // namespace dao
