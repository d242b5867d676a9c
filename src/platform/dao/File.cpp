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

bool FileLock::held(const QString& path) {
    struct stat now {};
    if (::stat(QFile::encodeName(path).constData(), &now) != 0) return false;
    std::vector<std::shared_ptr<FileLock>> open;
    {
        std::lock_guard g(lockMutex());
        const auto it = lockRegistry().find(fileKey(now));
        if (it != lockRegistry().end() && !it->second.expired()) return true;
        for (const auto& [key, lock] : lockRegistry())
            if (auto l = lock.lock()) open.push_back(std::move(l));
    }
    // Reading the -shm index elsewhere in the process would drop the locks
    // on it, under a name of its own (a link) too.
    for (const auto& l : open)
        for (const char* suffix : {"-wal", "-shm", "-journal"}) {
            struct stat journal {};
            if (::stat((l->name_ + suffix).constData(), &journal) == 0 && journal.st_dev == now.st_dev &&
                journal.st_ino == now.st_ino)
                return true;
        }
    return false;
}

std::shared_ptr<FileLock> FileLock::acquire(const QString& path, bool exclusive) {
    std::lock_guard g(lockMutex());
    auto& reg = lockRegistry();
    const QByteArray native = QFile::encodeName(path);
    // Keyed by the file itself, not its name: the same file reached by
    // another path must share the one descriptor, and a file deleted and
    // made anew under the same name is another file.
    struct stat now {};
    if (::stat(native.constData(), &now) != 0) raise(3051, path);
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

bool timestampsTellNothing = false;

namespace {
FileState stateOf(const struct stat& st) {
    FileState f;
    f.dev = quint64(st.st_dev);
    f.ino = quint64(st.st_ino);
    f.size = qint64(st.st_size);
    f.mtimeNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    f.ctimeNs = qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    if (timestampsTellNothing) f.mtimeNs = f.ctimeNs = 0;
    return f;
}
}  // namespace

FileState FileState::of(const QByteArray& path) {
    struct stat st {};
    if (path.isEmpty() || ::stat(path.constData(), &st) != 0) return {};
    return stateOf(st);
}

FileState FileState::of(int fd) {
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) return {};
    return stateOf(st);
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
// SQLite holds POSIX locks on a database (the shared range above 1 GiB) and
// on its -shm index (byte 120 on) for as long as a connection in WAL mode is
// open. F_GETLK reports only other processes' locks. The descriptor opened
// for asking is closed again, which would drop this process's own locks on
// the file: so it is asked only about files no connection here has open.

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
    QString base = path;
    for (const char* suffix : {"-wal", "-shm", "-journal"})
        if (base.endsWith(QLatin1String(suffix))) base.chop(int(qstrlen(suffix)));
    return FileLock::held(base);
}

bool FileInUse(const QString& path) {
    if (FileLock::held(path)) return true;
    const QByteArray native = QFile::encodeName(path);
    if (lockedElsewhere(native, kLockRange, 512, true)) return true;
    return lockedElsewhere(QFile::encodeName(path + QLatin1String("-shm")), kShmLocks, 16, false);
}
}  // namespace dao
