#pragma once
// The database file itself: its lock, whether others use it, and the
// journals beside it. Shared by the layer's sources.

#include "platform/dao/Internal.h"

#include <sys/types.h>

#include <memory>

namespace dao::detail {

// ---- file locks -------------------------------------------------------------
// The original refused a file that another program held exclusively. SQLite
// has no such notion, so the layer takes a flock() on the file: shared for a
// normal open, exclusive for an exclusive one. One descriptor per file and
// process, closed only after the last connection to the file, because closing
// any descriptor of a file drops the process's POSIX locks that SQLite holds.

class FileLock {
public:
    FileLock(QString path, QByteArray name, int fd, bool exclusive)
        : path_(std::move(path)), name_(std::move(name)), fd_(fd), exclusive_(exclusive) {}
    ~FileLock();
    int fd() const { return fd_; }
    const QString& key() const { return path_; }
    const QByteArray& name() const { return name_; }
    bool exclusive() const { return exclusive_; }
    static std::shared_ptr<FileLock> acquire(const QString& path, bool exclusive);
    // Whether a connection of this process has the file, or a journal of
    // it, open: by identity, whatever name reaches it.
    static bool held(const QString& path);
    // The lock of the file this process opened under `name` (its name in
    // the file system, as SQLite has it), while it is open.
    static std::shared_ptr<FileLock> named(const QByteArray& name);
    // The connection of this process to the file, once it is open: a second
    // opening shares it instead of opening another one.
    std::weak_ptr<Core> core;

private:
    QString path_;     // the registry key: device and inode
    QByteArray name_;  // where its journals are
    int fd_;
    bool exclusive_;
};

constexpr off_t kLockRange = 0x40000000;  // SQLite's pending byte
constexpr off_t kShmLocks = 120;          // first lock byte of a -shm index

// Whether another process holds one of SQLite's locks in the range; asked
// through a descriptor that stays open, so this process's locks stay too.
bool lockedByOthers(int fd, off_t start, off_t length);
// The same for a file no connection of this process has open, asked
// through a descriptor opened for it (and, with alsoFlock, whether another
// instance of this program holds its flock() on it).
bool lockedElsewhere(const QByteArray& file, off_t start, off_t length, bool alsoFlock);

bool syncPath(const QByteArray& path, bool directory);
void removeJournals(const QString& path);
// Journals beside a name that gets a new file belong to the file that was
// there (or is gone): applied to the new one they would damage it. When
// someone still uses them nothing may be touched.
void clearLeftoverJournals(const QString& path);

}  // namespace dao::detail
