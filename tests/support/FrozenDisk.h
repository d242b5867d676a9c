#pragma once
// What a program killed at a chosen moment of its work leaves on disk,
// made with plain SQLite: a VFS over SQLite's own that, once a given number
// of writes into a database file have been made, drops every later write,
// truncation, sync and deletion. The files then stay as they were at that
// moment, whatever the connection does next (its commit, its close).
#include <sqlite3.h>

#include <cstring>
#include <string>

namespace wktest {

namespace frozen {

struct File {
    sqlite3_file base;
    sqlite3_file* real;
    bool counted;
};

inline sqlite3_vfs* own() {
    static sqlite3_vfs* const vfs = sqlite3_vfs_find("unix");
    return vfs;
}

// Writes into database files still to be made; below zero: never frozen.
inline int& writesLeft() {
    static int left = -1;
    return left;
}
// Only the writes into a database file of this name count; all when empty.
inline std::string& countedFile() {
    static std::string name;
    return name;
}
inline bool& frozen() {
    static bool is = false;
    return is;
}

inline sqlite3_file* real(sqlite3_file* f) {
    return reinterpret_cast<File*>(f)->real;
}

inline int close(sqlite3_file* f) {
    const int rc = real(f)->pMethods->xClose(real(f));
    sqlite3_free(real(f));
    return rc;
}
inline int read(sqlite3_file* f, void* into, int n, sqlite3_int64 at) {
    return real(f)->pMethods->xRead(real(f), into, n, at);
}
inline int write(sqlite3_file* f, const void* from, int n, sqlite3_int64 at) {
    if (frozen()) return SQLITE_OK;
    const int rc = real(f)->pMethods->xWrite(real(f), from, n, at);
    if (reinterpret_cast<File*>(f)->counted && writesLeft() > 0 && --writesLeft() == 0) frozen() = true;
    return rc;
}
inline int truncate(sqlite3_file* f, sqlite3_int64 size) {
    return frozen() ? SQLITE_OK : real(f)->pMethods->xTruncate(real(f), size);
}
inline int sync(sqlite3_file* f, int flags) {
    return frozen() ? SQLITE_OK : real(f)->pMethods->xSync(real(f), flags);
}
inline int fileSize(sqlite3_file* f, sqlite3_int64* size) {
    return real(f)->pMethods->xFileSize(real(f), size);
}
inline int lock(sqlite3_file* f, int level) {
    return real(f)->pMethods->xLock(real(f), level);
}
inline int unlock(sqlite3_file* f, int level) {
    return real(f)->pMethods->xUnlock(real(f), level);
}
inline int checkReserved(sqlite3_file* f, int* out) {
    return real(f)->pMethods->xCheckReservedLock(real(f), out);
}
inline int fileControl(sqlite3_file* f, int op, void* arg) {
    return real(f)->pMethods->xFileControl(real(f), op, arg);
}
inline int sectorSize(sqlite3_file* f) {
    return real(f)->pMethods->xSectorSize(real(f));
}
inline int characteristics(sqlite3_file* f) {
    return real(f)->pMethods->xDeviceCharacteristics(real(f));
}
inline int shmMap(sqlite3_file* f, int region, int size, int extend, void volatile** at) {
    return real(f)->pMethods->xShmMap(real(f), region, size, extend, at);
}
inline int shmLock(sqlite3_file* f, int offset, int n, int flags) {
    return real(f)->pMethods->xShmLock(real(f), offset, n, flags);
}
inline void shmBarrier(sqlite3_file* f) {
    real(f)->pMethods->xShmBarrier(real(f));
}
inline int shmUnmap(sqlite3_file* f, int deleteFlag) {
    return real(f)->pMethods->xShmUnmap(real(f), frozen() ? 0 : deleteFlag);
}

inline const sqlite3_io_methods* methods() {
    static const sqlite3_io_methods m = {
        2,        close,         read,        write,      truncate,        sync,   fileSize, lock,
        unlock,   checkReserved, fileControl, sectorSize, characteristics, shmMap, shmLock,  shmBarrier,
        shmUnmap, nullptr,       nullptr,
    };
    return &m;
}

inline int open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* outFlags) {
    auto* file = reinterpret_cast<File*>(f);
    file->base.pMethods = nullptr;
    file->real = static_cast<sqlite3_file*>(sqlite3_malloc(own()->szOsFile));
    if (!file->real) return SQLITE_NOMEM;
    std::memset(file->real, 0, size_t(own()->szOsFile));
    const int rc = own()->xOpen(own(), name, file->real, flags, outFlags);
    if (rc != SQLITE_OK || !file->real->pMethods) {
        sqlite3_free(file->real);
        return rc != SQLITE_OK ? rc : SQLITE_CANTOPEN;
    }
    const std::string n = name ? name : "";
    const std::string& only = countedFile();
    file->counted = (flags & SQLITE_OPEN_MAIN_DB) != 0 &&
                    (only.empty() ||
                     (n.size() >= only.size() && n.compare(n.size() - only.size(), only.size(), only) == 0));
    file->base.pMethods = methods();
    return SQLITE_OK;
}
inline int remove(sqlite3_vfs*, const char* name, int syncDir) {
    return frozen() ? SQLITE_OK : own()->xDelete(own(), name, syncDir);
}
inline int access(sqlite3_vfs*, const char* name, int flags, int* out) {
    return own()->xAccess(own(), name, flags, out);
}
inline int fullPathname(sqlite3_vfs*, const char* name, int size, char* out) {
    return own()->xFullPathname(own(), name, size, out);
}

}  // namespace frozen

// The VFS's name; `writes`: how many writes into a database file (named
// `only`, or any) are made before the disk freezes (below zero: none
// freezes it).
inline const char* FrozenDiskVfs(int writes, const std::string& only = {}) {
    static const char* const name = [] {
        static sqlite3_vfs vfs = *frozen::own();
        vfs.pNext = nullptr;
        vfs.szOsFile = int(sizeof(frozen::File));
        vfs.zName = "wortkiste-test-frozen-disk";
        vfs.pAppData = nullptr;
        vfs.xOpen = frozen::open;
        vfs.xDelete = frozen::remove;
        vfs.xAccess = frozen::access;
        vfs.xFullPathname = frozen::fullPathname;
        sqlite3_vfs_register(&vfs, 0);
        return vfs.zName;
    }();
    frozen::writesLeft() = writes;
    frozen::countedFile() = only;
    frozen::frozen() = writes == 0;
    return name;
}

inline bool DiskFrozen() {
    return frozen::frozen();
}

}  // namespace wktest
