#pragma once
// What a program killed at a chosen moment of its work leaves on disk, made
// with plain SQLite: a VFS over SQLite's own that, once a given number of
// writes into a database file have been made, drops every later write,
// truncation, sync and deletion, whatever the connection does next.
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

struct State {
    int writesLeft = -1;  // into counted files, before the freeze; below zero: never
    std::string only;     // the name a counted database file ends with; any when empty
    bool frozen = false;
};

inline State& state() {
    static State s;
    return s;
}
inline sqlite3_vfs* own() {
    static sqlite3_vfs* const vfs = sqlite3_vfs_find("unix");
    return vfs;
}
inline sqlite3_file* real(sqlite3_file* f) {
    return reinterpret_cast<File*>(f)->real;
}
inline const sqlite3_io_methods& io(sqlite3_file* f) {
    return *real(f)->pMethods;
}

inline const sqlite3_io_methods* methods() {
    using I = sqlite3_int64;
    static const sqlite3_io_methods m = {
        2,
        [](sqlite3_file* f) {
            const int rc = io(f).xClose(real(f));
            sqlite3_free(real(f));
            return rc;
        },
        [](sqlite3_file* f, void* to, int n, I at) { return io(f).xRead(real(f), to, n, at); },
        [](sqlite3_file* f, const void* from, int n, I at) {
            State& s = state();
            if (s.frozen) return SQLITE_OK;
            const int rc = io(f).xWrite(real(f), from, n, at);
            if (reinterpret_cast<File*>(f)->counted && s.writesLeft > 0 && --s.writesLeft == 0)
                s.frozen = true;
            return rc;
        },
        [](sqlite3_file* f, I size) { return state().frozen ? SQLITE_OK : io(f).xTruncate(real(f), size); },
        [](sqlite3_file* f, int flags) { return state().frozen ? SQLITE_OK : io(f).xSync(real(f), flags); },
        [](sqlite3_file* f, I* size) { return io(f).xFileSize(real(f), size); },
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
        [](sqlite3_file* f, int del) { return io(f).xShmUnmap(real(f), state().frozen ? 0 : del); },
        nullptr,
        nullptr,
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
    const std::string n = name ? name : "", &only = state().only;
    file->counted = (flags & SQLITE_OPEN_MAIN_DB) != 0 && n.size() >= only.size() &&
                    n.compare(n.size() - only.size(), only.size(), only) == 0;
    file->base.pMethods = methods();
    return SQLITE_OK;
}

}  // namespace frozen

// The VFS's name; `writes`: how many writes into a database file (whose name
// ends with `only`, or any) are made before the disk freezes (0: frozen now;
// below zero: never).
inline const char* FrozenDiskVfs(int writes, const std::string& only = {}) {
    static const char* const name = [] {
        static sqlite3_vfs vfs = *frozen::own();
        vfs.pNext = nullptr;
        vfs.szOsFile = int(sizeof(frozen::File));
        vfs.zName = "wortkiste-test-frozen-disk";
        vfs.pAppData = nullptr;
        vfs.xOpen = frozen::open;
        vfs.xDelete = [](sqlite3_vfs*, const char* name, int syncDir) {
            return frozen::state().frozen ? SQLITE_OK : frozen::own()->xDelete(frozen::own(), name, syncDir);
        };
        vfs.xAccess = [](sqlite3_vfs*, const char* name, int flags, int* out) {
            return frozen::own()->xAccess(frozen::own(), name, flags, out);
        };
        vfs.xFullPathname = [](sqlite3_vfs*, const char* name, int size, char* out) {
            return frozen::own()->xFullPathname(frozen::own(), name, size, out);
        };
        sqlite3_vfs_register(&vfs, 0);
        return vfs.zName;
    }();
    frozen::state() = {writes, only, writes == 0};
    return name;
}

inline bool DiskFrozen() {
    return frozen::state().frozen;
}

}  // namespace wktest
