// The layer's VFS (Vfs.h): SQLite's own, whose files keep SQLite's methods
// behind a thin layer that notes the lock SQLite holds on a database file
// and the error number of an operation that failed.
#include "platform/dao/Vfs.h"

#include "platform/dao/Dao.h"
#include "platform/dao/LeftoverJournal.h"

#include <sqlite3.h>

#include <sys/statvfs.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <mutex>
#include <vector>

namespace dao::detail {

namespace {

// The file operation that failed last since a statement began: its error
// number, and the file it failed on (empty for a temporary file).
struct Failure {
    int error = 0;
    QByteArray file;
};
Failure failed;

void fail(int error, const char* file) {
    failed.error = error;
    failed.file = file ? QByteArray(file) : QByteArray();
}

sqlite3_vfs* base() {
    static sqlite3_vfs* const vfs = sqlite3_vfs_find(nullptr);
    return vfs;
}

// A file of SQLite's VFS, which lies right behind it, with its name (valid
// until it is closed, SQLite promises), and for a database file the lock
// SQLite holds on it.
struct LayerFile {
    sqlite3_file file;
    sqlite3_file* real;
    const char* name;
    bool database;
    int lock;
};

std::mutex& databasesMutex() {
    static auto* m = new std::mutex;
    return *m;
}
// The database files open through this VFS.
std::vector<const LayerFile*>& databases() {
    static auto* d = new std::vector<const LayerFile*>;
    return *d;
}

LayerFile* layer(sqlite3_file* f) {
    return reinterpret_cast<LayerFile*>(f);
}
sqlite3_file* real(sqlite3_file* f) {
    return layer(f)->real;
}
const sqlite3_io_methods& io(sqlite3_file* f) {
    return *real(f)->pMethods;
}

// SQLite's record of the file's last error, where it made one; it holds
// none for a write the disk had no room for, which it reports as such.
int noted(sqlite3_file* f, int rc) {
    // A read past the end is no failure: SQLite reads zeros there.
    if (rc == SQLITE_OK || rc == SQLITE_IOERR_SHORT_READ) return rc;
    const int now = errno;
    int recorded = 0;
    io(f).xFileControl(real(f), SQLITE_FCNTL_LAST_ERRNO, &recorded);
    fail(recorded ? recorded : now, layer(f)->name);
    return rc;
}

using Offset = sqlite3_int64;

const sqlite3_io_methods layerMethods = {
    3,
    [](sqlite3_file* f) {
        if (layer(f)->database) {
            const std::lock_guard g(databasesMutex());
            std::erase(databases(), layer(f));
        }
        return noted(f, io(f).xClose(real(f)));
    },
    [](sqlite3_file* f, void* to, int n, Offset at) { return noted(f, io(f).xRead(real(f), to, n, at)); },
    [](sqlite3_file* f, const void* from, int n, Offset at) {
        return noted(f, io(f).xWrite(real(f), from, n, at));
    },
    [](sqlite3_file* f, Offset size) { return noted(f, io(f).xTruncate(real(f), size)); },
    [](sqlite3_file* f, int flags) { return noted(f, io(f).xSync(real(f), flags)); },
    [](sqlite3_file* f, Offset* size) { return noted(f, io(f).xFileSize(real(f), size)); },
    [](sqlite3_file* f, int level) {
        const int rc = noted(f, io(f).xLock(real(f), level));
        // SQLite's own keeps a stronger lock it already holds.
        if (rc == SQLITE_OK) layer(f)->lock = std::max(layer(f)->lock, level);
        return rc;
    },
    [](sqlite3_file* f, int level) {
        const int rc = noted(f, io(f).xUnlock(real(f), level));
        if (rc == SQLITE_OK) layer(f)->lock = level;
        return rc;
    },
    [](sqlite3_file* f, int* out) { return noted(f, io(f).xCheckReservedLock(real(f), out)); },
    [](sqlite3_file* f, int op, void* arg) { return io(f).xFileControl(real(f), op, arg); },
    [](sqlite3_file* f) { return io(f).xSectorSize(real(f)); },
    [](sqlite3_file* f) { return io(f).xDeviceCharacteristics(real(f)); },
    [](sqlite3_file* f, int region, int size, int extend, void volatile** at) {
        return noted(f, io(f).xShmMap(real(f), region, size, extend, at));
    },
    [](sqlite3_file* f, int at, int n, int flags) { return noted(f, io(f).xShmLock(real(f), at, n, flags)); },
    [](sqlite3_file* f) { io(f).xShmBarrier(real(f)); },
    [](sqlite3_file* f, int remove) { return noted(f, io(f).xShmUnmap(real(f), remove)); },
    [](sqlite3_file* f, Offset at, int n, void** p) { return noted(f, io(f).xFetch(real(f), at, n, p)); },
    [](sqlite3_file* f, Offset at, void* p) { return noted(f, io(f).xUnfetch(real(f), at, p)); },
};

// Whether the folder of `path` has no block or no name left.
bool noRoomBeside(const char* path) {
    const QByteArray folder = QByteArray(path).left(QByteArray(path).lastIndexOf('/') + 1);
    struct statvfs fs {};
    return ::statvfs(folder.isEmpty() ? "." : folder.constData(), &fs) == 0 &&
           (fs.f_bavail == 0 || fs.f_favail == 0);
}

int layerOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* outFlags) {
    LayerFile* file = layer(f);
    file->file.pMethods = nullptr;
    file->real = reinterpret_cast<sqlite3_file*>(file + 1);
    file->name = name;
    file->database = false;
    file->lock = SQLITE_LOCK_NONE;
    // Every change begins a journal: none over one the guard has kept.
    if ((flags & SQLITE_OPEN_MAIN_JOURNAL) && (flags & SQLITE_OPEN_CREATE) && name &&
        !mayCreateJournal(QByteArray(name))) {
        fail(EEXIST, name);
        return SQLITE_CANTOPEN;
    }
    const int rc = base()->xOpen(base(), name, file->real, flags, outFlags);
    if (rc != SQLITE_OK) {
        int error = errno;
        // A file it could not make SQLite tries to open without making it,
        // and errno holds that try's: the file is not there.
        if (error == ENOENT && (flags & SQLITE_OPEN_CREATE) && name && noRoomBeside(name)) error = ENOSPC;
        fail(error, name);
        return rc;
    }
    file->file.pMethods = &layerMethods;
    if ((flags & SQLITE_OPEN_MAIN_DB) && name) {
        file->database = true;
        const std::lock_guard g(databasesMutex());
        databases().push_back(file);
    }
    return SQLITE_OK;
}

int layerAccess(sqlite3_vfs*, const char* path, int flags, int* exists) {
    const int rc = base()->xAccess(base(), path, flags, exists);
    if (rc != SQLITE_OK) fail(errno, path);
    if (rc == SQLITE_OK && flags == SQLITE_ACCESS_EXISTS && *exists &&
        judgeJournal(QByteArray(path)) == JournalVerdict::Hidden)
        *exists = 0;
    return rc;
}

int layerDelete(sqlite3_vfs*, const char* path, int syncFolder) {
    const int rc = base()->xDelete(base(), path, syncFolder);
    if (rc != SQLITE_OK) fail(errno, path);
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
        vfs.xDelete = layerDelete;
        // The rest are SQLite's own, which do not look at the VFS they are
        // called with.
        sqlite3_vfs_register(&vfs, 0);
        return vfs.zName;
    }();
    return name;
}

int failedCallErrno(sqlite3* db) {
    if (failed.error == 0 || !db) return 0;
    if (failed.file.isEmpty()) return failed.error;
    const char* main = sqlite3_db_filename(db, "main");
    const qsizetype length = main ? qsizetype(std::strlen(main)) : 0;
    // The database or a file SQLite keeps beside it ("<file>-journal").
    const bool ours = length > 0 && failed.file.startsWith(QByteArrayView(main, length)) &&
                      (failed.file.size() == length || failed.file.at(length) == '-');
    return ours ? failed.error : 0;
}

void forgetFailedCall() {
    failed.error = 0;
}

int sqliteLockOn(const QByteArray& name) {
    const std::lock_guard g(databasesMutex());
    int strongest = -1;
    for (const LayerFile* f : databases())
        if (std::strcmp(f->name, name.constData()) == 0) strongest = std::max(strongest, f->lock);
    return strongest;
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
