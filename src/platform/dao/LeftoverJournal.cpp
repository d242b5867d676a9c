// The journal guard: SQLite's own VFS, asked first whenever SQLite looks
// for a journal beside a file the layer has open. SQLite asks when a read
// begins, under its shared lock on the file, and replays what it finds.
// The guard answers "none" for a journal that is not this file's:
//   - the name no longer reaches the file open here (another program
//     renamed a new file over it, or moved ours away): what lies beside the
//     name is the new file's, and is left to it;
//   - a rollback journal whose page 1 does not fit the file's (restored
//     beside a newer file, or a crash journal beside a restored backup),
//     and any write-ahead journal with frames that no program is using:
//     this program writes none, and nothing in the two files tells whether
//     its frames fit. Those are set aside under a name of their own and the
//     file is read as it is.
// A journal of another program at work on the file (it holds SQLite's
// reserved lock, or uses the write-ahead index) is its own business.
#include "platform/dao/LeftoverJournal.h"
#include "platform/dao/File.h"

#include <QFile>
#include <QtEndian>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <map>
#include <mutex>

namespace dao::detail {

namespace {

// SQLite's rollback journal: a header per segment (magic, record count,
// checksum seed, original page count, sector size, page size), padded to
// the sector size; then records of page number, page and checksum.
constexpr uchar kMagic[8] = {0xd9, 0xd5, 0x05, 0xf9, 0x20, 0xa1, 0x63, 0xd7};
constexpr int kHeaderFields = 28;
// In a database header: the change counter, bumped by every commit, and the
// user version, in which the layer marks each file it makes.
constexpr int kCounter = 24;
constexpr int kFileMark = 60;
// A write-ahead journal's header, before its first frame.
constexpr qint64 kWalHeader = 32;

quint32 be32(const uchar* p) {
    return qFromBigEndian<quint32>(p);
}

// The page size a database header gives (1 stands for 65536).
int pageSizeOf(const QByteArray& header) {
    const int size = qFromBigEndian<quint16>(reinterpret_cast<const uchar*>(header.constData()) + 16);
    return size == 1 ? 65536 : size;
}

bool readAt(int fd, void* into, size_t size, qint64 at) {
    return ::pread(fd, into, size, off_t(at)) == ssize_t(size);
}

// The header of page 1 as the journal holds it, read as SQLite replays the
// journal (in pages of the size its header gives): false when no intact
// record of page 1 is in the part SQLite replays, or its pages are not the
// file's size.
bool originalHeader(int fd, qint64 journalSize, int filePageSize, QByteArray* header) {
    uchar h[kHeaderFields];
    if (!readAt(fd, h, sizeof h, 0)) return false;
    const quint32 sector = be32(h + 20);
    const int pageSize = int(be32(h + 24));
    if (sector < 512 || sector > 65536 || (sector & (sector - 1)) != 0) return false;
    // A page is never shorter than the header read from it below, whatever
    // a damaged file and its journal may say.
    if (pageSize < 512 || pageSize > 65536 || (pageSize & (pageSize - 1)) != 0) return false;
    if (pageSize != filePageSize) return false;
    const qint64 record = qint64(pageSize) + 8;
    QByteArray page(pageSize, Qt::Uninitialized);
    for (qint64 segment = 0; segment + sector <= journalSize;) {
        if (!readAt(fd, h, sizeof h, segment) || memcmp(h, kMagic, sizeof kMagic) != 0) return false;
        quint32 records = be32(h + 8);
        const quint32 seed = be32(h + 12);
        const qint64 first = segment + sector;
        // Not synced records counted: as many as the journal holds.
        if (records == 0xffffffff) records = quint32((journalSize - first) / record);
        qint64 at = first;
        for (quint32 i = 0; i < records && at + record <= journalSize; ++i, at += record) {
            uchar number[4];
            if (!readAt(fd, number, 4, at)) return false;
            if (be32(number) != 1) continue;
            uchar sum[4];
            if (!readAt(fd, page.data(), size_t(pageSize), at + 4) || !readAt(fd, sum, 4, at + 4 + pageSize))
                return false;
            quint32 expected = seed;
            for (int k = pageSize - 200; k > 0; k -= 200) expected += uchar(page[k]);
            // A torn record ends what SQLite replays.
            if (expected != be32(sum)) return false;
            *header = page.left(100);
            return true;
        }
        // The next segment begins at the next sector.
        segment = (at + sector - 1) / sector * sector;
    }
    return false;
}

}  // namespace

JournalVerdict judgeRollbackJournal(const QByteArray& fileHeader, const QByteArray& journal) {
    const int fd = ::open(journal.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return JournalVerdict::Stray;
    struct stat st {};
    uchar first = 0;
    JournalVerdict verdict = JournalVerdict::Stray;
    QByteArray original;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        verdict = JournalVerdict::Stray;
    } else if (!readAt(fd, &first, 1, 0) || first == 0) {
        // SQLite writes the header's magic only once the journal is synced,
        // before it writes into the file: without it the file is untouched.
        verdict = JournalVerdict::NotHot;
    } else if (fileHeader.size() >= 100 &&
               originalHeader(fd, st.st_size, pageSizeOf(fileHeader), &original)) {
        auto field = [](const QByteArray& header, int at) {
            return be32(reinterpret_cast<const uchar*>(header.constData()) + at);
        };
        // The same file (the mark this layer gives each file it makes), and
        // its change counter unchanged, or one on as the commit the journal
        // was for wrote it.
        const quint32 now = field(fileHeader, kCounter), then = field(original, kCounter);
        if (field(fileHeader, kFileMark) == field(original, kFileMark) && (now == then || now == then + 1))
            verdict = JournalVerdict::Belongs;
    }
    ::close(fd);
    return verdict;
}

QString moveAside(const QByteArray& journal) {
    const QByteArray base = journal + ".set-aside";
    for (int n = 1; n < 1000; ++n) {
        const QByteArray to = n == 1 ? base : base + '.' + QByteArray::number(n);
        if (::renameat2(AT_FDCWD, journal.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
            return QFile::decodeName(to);
        if (errno != EEXIST) break;
    }
    return {};
}

namespace {

std::mutex& asideMutex() {
    static auto* m = new std::mutex;
    return *m;
}
std::map<QByteArray, QString>& asideByFile() {
    static auto* m = new std::map<QByteArray, QString>;
    return *m;
}

sqlite3_vfs* base() {
    static sqlite3_vfs* const vfs = sqlite3_vfs_find(nullptr);
    return vfs;
}

enum class Kind { Rollback, WriteAhead };

// What the guard makes of a journal that exists beside `name`: whether
// SQLite may see it.
bool mayReplay(const QByteArray& name, const QByteArray& journal, Kind kind) {
    const std::shared_ptr<FileLock> lock = FileLock::named(name);
    // Not a file the layer opened (or no longer open): SQLite decides.
    if (!lock) return true;
    struct stat open {};
    struct stat there {};
    if (::fstat(lock->fd(), &open) != 0) return true;
    if (::stat(name.constData(), &there) != 0 || there.st_dev != open.st_dev || there.st_ino != open.st_ino)
        return false;
    // Another program writes the file now, with this journal.
    if (lockedByOthers(lock->fd(), kLockRange + 1, 1)) return true;
    QByteArray header(100, '\0');
    const bool read = readAt(lock->fd(), header.data(), size_t(header.size()), 0);
    if (!read) header.clear();
    if (kind == Kind::Rollback) {
        const JournalVerdict verdict = judgeRollbackJournal(header, journal);
        if (verdict != JournalVerdict::Stray) return true;
    } else {
        // A write-ahead journal another program is connected to is its own.
        if (lockedElsewhere(name + "-shm", kShmLocks, 16, false)) return true;
        struct stat wal {};
        if (::stat(journal.constData(), &wal) != 0) return true;
        if (wal.st_size <= kWalHeader) {
            // Without a frame it holds nothing.
            ::unlink(journal.constData());
            ::unlink((name + "-shm").constData());
            return false;
        }
    }
    const QString aside = moveAside(journal);
    // Kept where it is when it cannot be moved: still not replayed.
    if (aside.isEmpty()) return false;
    if (kind == Kind::WriteAhead) ::unlink((name + "-shm").constData());
    std::lock_guard g(asideMutex());
    asideByFile()[name] = aside;
    return false;
}

int guardedAccess(sqlite3_vfs*, const char* path, int flags, int* exists) {
    const int rc = base()->xAccess(base(), path, flags, exists);
    if (rc != SQLITE_OK || flags != SQLITE_ACCESS_EXISTS || !*exists) return rc;
    const QByteArray p(path);
    for (const auto& [suffix, kind] :
         {std::pair{"-journal", Kind::Rollback}, std::pair{"-wal", Kind::WriteAhead}})
        if (p.endsWith(suffix)) {
            if (!mayReplay(p.chopped(int(qstrlen(suffix))), p, kind)) *exists = 0;
            break;
        }
    return rc;
}

int forwardOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags) {
    return base()->xOpen(base(), name, file, flags, outFlags);
}
int forwardDelete(sqlite3_vfs*, const char* name, int syncDir) {
    return base()->xDelete(base(), name, syncDir);
}
int forwardFullPathname(sqlite3_vfs*, const char* name, int size, char* out) {
    return base()->xFullPathname(base(), name, size, out);
}
int forwardRandomness(sqlite3_vfs*, int size, char* out) {
    return base()->xRandomness(base(), size, out);
}
int forwardSleep(sqlite3_vfs*, int micro) {
    return base()->xSleep(base(), micro);
}
int forwardCurrentTime(sqlite3_vfs*, double* now) {
    return base()->xCurrentTime(base(), now);
}
int forwardGetLastError(sqlite3_vfs*, int size, char* out) {
    return base()->xGetLastError(base(), size, out);
}
int forwardCurrentTimeInt64(sqlite3_vfs*, sqlite3_int64* now) {
    return base()->xCurrentTimeInt64(base(), now);
}

}  // namespace

const char* journalGuardVfs() {
    static const char* const name = [] {
        // Files are opened by SQLite's own VFS and keep its methods; only
        // the questions about names come here first.
        static sqlite3_vfs guard{};
        sqlite3_vfs* own = base();
        guard.iVersion = 2;
        guard.szOsFile = own->szOsFile;
        guard.mxPathname = own->mxPathname;
        guard.zName = "wortkiste-journal-guard";
        guard.xOpen = forwardOpen;
        guard.xDelete = forwardDelete;
        guard.xAccess = guardedAccess;
        guard.xFullPathname = forwardFullPathname;
        guard.xRandomness = forwardRandomness;
        guard.xSleep = forwardSleep;
        guard.xCurrentTime = forwardCurrentTime;
        guard.xGetLastError = forwardGetLastError;
        guard.xCurrentTimeInt64 = forwardCurrentTimeInt64;
        sqlite3_vfs_register(&guard, 0);
        return guard.zName;
    }();
    return name;
}

QString takeSetAside(const QByteArray& name) {
    std::lock_guard g(asideMutex());
    auto& map = asideByFile();
    const auto it = map.find(name);
    if (it == map.end()) return {};
    QString aside = it->second;
    map.erase(it);
    return aside;
}

}  // namespace dao::detail
