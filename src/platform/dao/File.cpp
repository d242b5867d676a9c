// The database file: its identity, the flock() that marks it open in this
// process, and whether another process uses it.
#include "platform/dao/File.h"

#include <QFile>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <mutex>
#include <vector>

namespace dao::detail {

namespace {
// Never destroyed: a database held by a static object of the program is
// released during exit, after function-local statics made later are gone.
std::mutex& lockMutex() {
    static auto* m = new std::mutex;
    return *m;
}
std::map<QString, std::weak_ptr<FileLock>>& lockRegistry() {
    static auto* r = new std::map<QString, std::weak_ptr<FileLock>>;
    return *r;
}

QString fileKey(const struct stat& st) {
    return QStringLiteral("%1:%2").arg(quint64(st.st_dev)).arg(quint64(st.st_ino));
}
}  // namespace

FileLock::~FileLock() {
    std::lock_guard g(lockMutex());
    auto& reg = lockRegistry();
    auto it = reg.find(path_);
    if (it != reg.end() && it->second.expired()) reg.erase(it);
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
}

namespace {

// The locks of this process's open files, taken out of the registry: a
// lock let go while the registry's mutex is held would wait for it.
std::vector<std::shared_ptr<FileLock>> openLocks() {
    std::vector<std::shared_ptr<FileLock>> open;
    std::lock_guard g(lockMutex());
    for (const auto& [key, lock] : lockRegistry())
        if (auto l = lock.lock()) open.push_back(std::move(l));
    return open;
}

enum class Held { No, File, Journal };

// Whether `now` is a file of this process's open ones, or one of their
// journals under a name of its own (a link) too.
Held heldAs(const struct stat& now) {
    const QString key = fileKey(now);
    for (const auto& l : openLocks()) {
        if (l->key() == key) return Held::File;
        for (const char* suffix : {"-wal", "-shm", "-journal"}) {
            struct stat journal {};
            if (::stat((l->name() + suffix).constData(), &journal) == 0 && journal.st_dev == now.st_dev &&
                journal.st_ino == now.st_ino)
                return Held::Journal;
        }
    }
    return Held::No;
}

}  // namespace

bool FileLock::held(const QString& path) {
    struct stat now {};
    return ::stat(QFile::encodeName(path).constData(), &now) == 0 && heldAs(now) != Held::No;
}

std::shared_ptr<FileLock> FileLock::named(const QByteArray& name) {
    for (auto& l : openLocks())
        if (l->name() == name) return l;
    return nullptr;
}

std::shared_ptr<FileLock> FileLock::acquire(const QString& path, bool exclusive) {
    const QByteArray native = QFile::encodeName(path);
    // Keyed by the file itself, not its name: the same file reached by
    // another path must share the one descriptor, and a file deleted and
    // made anew under the same name is another file.
    struct stat now {};
    if (::stat(native.constData(), &now) != 0) raise(3051, path);
    // A journal of a file open here is no database to open: closing the
    // descriptor again would drop the locks on it.
    if (heldAs(now) == Held::Journal) raise(3045, path);
    std::lock_guard g(lockMutex());
    auto& reg = lockRegistry();
    const QString key = fileKey(now);
    if (auto it = reg.find(key); it != reg.end()) {
        if (auto existing = it->second.lock()) {
            if (exclusive || existing->exclusive()) raise(3051, path);
            return existing;
        }
    }
    // A pipe or a device is no database; opening it never waits, and what
    // is opened must be the file looked at.
    if (!S_ISREG(now.st_mode)) raise(3343, path);
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) raise(3051, path);
    struct stat opened {};
    if (::fstat(fd, &opened) != 0 || opened.st_dev != now.st_dev || opened.st_ino != now.st_ino) {
        ::close(fd);
        raise(3051, path);
    }
    if (::flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
        ::close(fd);
        raise(3051, path);
    }
    auto lock = std::make_shared<FileLock>(key, native, fd, exclusive);
    reg[key] = lock;
    return lock;
}

bool lockedByOthers(int fd, off_t start, off_t length) {
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = start;
    fl.l_len = length;
    return ::fcntl(fd, F_GETLK, &fl) == 0 && fl.l_type != F_UNLCK;
}

// ---- files in use ------------------------------------------------------------
// SQLite holds POSIX locks on a database (the shared range above 1 GiB)
// while a transaction is open on it, and a connection of another program in
// write-ahead mode on its -shm index (byte 120 on) while it is open. F_GETLK reports only other processes'
// locks. The descriptor opened for asking is closed again, which would drop this process's own locks on the
// file: so it is asked only about files no connection here has open.

bool lockedElsewhere(const QByteArray& file, off_t start, off_t length, bool alsoFlock) {
    const int fd = ::open(file.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    bool held = lockedByOthers(fd, start, length);
    // Another instance of this program holds its flock() on the file.
    if (!held && alsoFlock) held = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    ::close(fd);
    return held;
}

bool syncPath(const QByteArray& path, bool directory) {
    const int fd = ::open(path.constData(), (directory ? O_RDONLY | O_DIRECTORY : O_RDONLY) | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

void removeJournals(const QString& path) {
    for (const char* suffix : {"-wal", "-shm", "-journal"}) QFile::remove(path + QLatin1String(suffix));
}

void clearLeftoverJournals(const QString& path) {
    if (FileInUse(path)) raise(3045, path);
    removeJournals(path);
}

}  // namespace dao::detail

namespace dao {

using namespace detail;

bool IsOpenDatabaseFile(const QString& path) {
    // By identity first: a link to the database may have any name, one
    // that ends like a journal too.
    if (FileLock::held(path)) return true;
    for (const char* suffix : {"-wal", "-shm", "-journal"})
        if (path.endsWith(QLatin1String(suffix))) return FileLock::held(path.chopped(int(qstrlen(suffix))));
    return false;
}

bool FileInUse(const QString& path) {
    if (FileLock::held(path)) return true;
    const QByteArray native = QFile::encodeName(path);
    if (lockedElsewhere(native, kLockRange, 512, true)) return true;
    return lockedElsewhere(QFile::encodeName(path + QLatin1String("-shm")), kShmLocks, 16, false);
}
}  // namespace dao
