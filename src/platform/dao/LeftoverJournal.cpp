// The journal guard, asked by the layer's VFS whenever SQLite looks for a
// journal beside a file the layer has open. SQLite looks when a read
// begins, holding its shared lock on the file; finding a rollback journal
// no writer holds, it takes the file's exclusive lock and looks again, then
// plays the journal back. The guard lets it, as SQLite alone would, except
// where the file itself contradicts the journal. That is one rule for each
// kind:
//   - a rollback journal whose record of page 1 (as SQLite would write it
//     back) carries a change counter that is neither the file's nor the one
//     before it, or the file's with another file's mark;
//   - a write-ahead journal beside a file whose own header says that it is
//     kept with the rollback journal.
// Such a journal was written for another file or another state of this one
// (restored by a backup, brought by a sync tool); replayed, it would break
// the file. It is set aside under a name of its own, the file is read as it
// is, and the user is told. One that cannot be set aside stays where it is,
// and nothing of SQLite's may be written in its place: the file is read
// only until it is gone.
// The guard looks only where SQLite holds the file for itself: a rollback
// journal under SQLite's exclusive lock (its second look), a write-ahead one
// with every connection to it shut out. Which lock SQLite holds it learns
// from the layer's VFS, which sees SQLite take each one; where that cannot
// be told, the journal is kept where it lies and told, never replayed
// unjudged. It takes no lock another program would read as a live writer,
// which would make that program read the half-written file instead of
// recovering it.
// Beside a name that no longer reaches the file open here (another program
// renamed a new file over it) every journal is the new file's, left to it.
#include "platform/dao/LeftoverJournal.h"
#include "platform/dao/File.h"
#include "platform/dao/Vfs.h"

#include <QCoreApplication>
#include <QFile>
#include <QtEndian>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <algorithm>
#include <functional>
#include <map>
#include <mutex>
#include <vector>

namespace dao::detail {

namespace {

constexpr uchar kMagic[8] = {0xd9, 0xd5, 0x05, 0xf9, 0x20, 0xa1, 0x63, 0xd7};
// In a database header: the page size, the change counter (every commit
// moves it on by one), the journal kind of the file's writers and readers (2
// for write-ahead) and the user version, which holds the layer's mark of
// each file.
constexpr int kPageSize = 16;
constexpr int kCounter = 24;
constexpr int kFileMark = 60;
// A write-ahead journal's header, before its first frame.
constexpr qint64 kWalHeader = 32;
// The byte of a -shm index that every connection in write-ahead mode holds.
constexpr off_t kShmOpenByte = kShmLocks + 8;

quint32 be32(const uchar* p) {
    return qFromBigEndian<quint32>(p);
}

bool readAt(int fd, void* into, size_t size, qint64 at) {
    return ::pread(fd, into, size, off_t(at)) == ssize_t(size);
}

bool powerOfTwoIn(quint32 v, quint32 low, quint32 high) {
    return v >= low && v <= high && (v & (v - 1)) == 0;
}

// What page 1 says of the file: its change counter and its mark.
struct PageOne {
    quint32 counter = 0;
    quint32 mark = 0;
};

PageOne pageOneOf(const uchar* header) {
    return {be32(header + kCounter), be32(header + kFileMark)};
}

// The record of page 1 that SQLite's recovery would write back into the
// file, read as SQLite reads the journal: in the journal's own page and
// sector size, part by part, up to where SQLite stops (a record cut short or
// torn, a page number it takes for the end). None when SQLite would write no
// page 1 back.
std::optional<PageOne> replayedPageOne(int fd, qint64 size, quint32 filePageSize) {
    uchar h[28];
    // No header is read with less than SQLite's smallest sector behind it.
    if (size < 512 || !readAt(fd, h, sizeof h, 0) || memcmp(h, kMagic, sizeof kMagic) != 0) return {};
    const quint32 sector = be32(h + 20);
    // Journals of SQLite before 3.5.8 leave it out: the file's.
    const quint32 pageSize = be32(h + 24) ? be32(h + 24) : filePageSize;
    if (!powerOfTwoIn(pageSize, 512, 65536) || !powerOfTwoIn(sector, 32, 65536)) return {};
    const quint32 pagesBefore = be32(h + 16);  // the file's pages when the transaction began
    const quint32 lockPage = quint32(kLockRange / pageSize) + 1;
    const qint64 record = qint64(pageSize) + 8;
    QByteArray page(int(pageSize), Qt::Uninitialized);
    for (qint64 part = 0;;) {
        if (part > 0 &&
            (part + sector > size || !readAt(fd, h, sizeof h, part) || memcmp(h, kMagic, sizeof kMagic) != 0))
            return {};
        quint32 records = be32(h + 8);
        const quint32 seed = be32(h + 12);
        // Written without syncing: as many as the journal holds.
        if (records == 0xffffffff) records = quint32((size - sector) / record);
        qint64 at = part + sector;
        for (quint32 i = 0; i < records; ++i, at += record) {
            uchar number[4];
            uchar sum[4];
            if (!readAt(fd, number, 4, at) || !readAt(fd, page.data(), pageSize, at + 4)) return {};
            const quint32 pageNumber = be32(number);
            if (pageNumber == 0 || pageNumber == lockPage) return {};
            if (pageNumber > pagesBefore) continue;
            if (!readAt(fd, sum, 4, at + 4 + pageSize)) return {};
            quint32 expected = seed;
            for (int k = int(pageSize) - 200; k > 0; k -= 200) expected += uchar(page[k]);
            if (expected != be32(sum)) return {};
            // A transaction puts each page into its journal once.
            if (pageNumber == 1) return pageOneOf(reinterpret_cast<const uchar*>(page.constData()));
        }
        // The next part begins at the next sector.
        part = (at + sector - 1) / sector * sector;
    }
}

// The rule for a rollback journal. The journal holds page 1 as it was when
// its transaction began; the file holds it unchanged, or as that
// transaction's commit wrote it, its counter one on. The commit that gave an
// unmarked file its mark wrote the mark with it.
// A transaction that changed the mark wrote the new one with that page 1,
// so one commit on the mark tells nothing.
bool contradicts(const PageOne& journal, const PageOne& file) {
    if (file.counter == journal.counter) return file.mark != journal.mark;
    return file.counter != journal.counter + 1;
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// A lock on one byte, taken without waiting and given back when it goes out
// of scope; it leaves this process's other locks on the file as they are.
class ByteLock {
public:
    ByteLock(int fd, off_t at, short type) : fd_(fd), at_(at) { held_ = fd >= 0 && set(type); }
    ~ByteLock() {
        if (held_) set(F_UNLCK);
    }
    ByteLock(const ByteLock&) = delete;
    ByteLock& operator=(const ByteLock&) = delete;
    bool held() const { return held_; }

private:
    bool set(short type) {
        struct flock fl {};
        fl.l_type = type;
        fl.l_whence = SEEK_SET;
        fl.l_start = at_;
        fl.l_len = 1;
        return ::fcntl(fd_, F_SETLK, &fl) == 0;
    }
    int fd_;
    off_t at_;
    bool held_ = false;
};

// A descriptor closed when it goes out of scope.
struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
};

// What the guard set aside, until the opening takes it or the handler has
// been told; and the journals it could not set aside, as they were then,
// while they lie there.
struct Registry {
    std::mutex mutex;
    std::vector<JournalSetAside> told;
    std::map<QByteArray, struct stat> kept;
    std::function<void(const JournalSetAside&)> handler;
};

Registry& registry() {
    static auto* r = new Registry;
    return *r;
}

// Hands what the openings did not take to the handler, from the event loop:
// the guard itself runs inside SQLite.
void deliver() {
    std::vector<JournalSetAside> pending;
    std::function<void(const JournalSetAside&)> handler;
    {
        std::lock_guard g(registry().mutex);
        pending.swap(registry().told);
        handler = registry().handler;
    }
    if (handler)
        for (const JournalSetAside& j : pending) handler(j);
}

void tell(const QByteArray& name, const QByteArray& journal, const QString& keptAs) {
    {
        std::lock_guard g(registry().mutex);
        registry().told.push_back({QFile::decodeName(name), QFile::decodeName(journal), keptAs});
    }
    if (QCoreApplication* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(app, deliver, Qt::QueuedConnection);
}

// "<journal>.set-aside", or with a number when that name is taken; empty
// when it could not be moved. Nothing is overwritten: where the file system
// cannot rename without replacing, a second link is made and the first
// removed.
QString moveAside(const QByteArray& journal) {
    const QByteArray base = journal + ".set-aside";
    for (int n = 1; n < 1000; ++n) {
        const QByteArray to = n == 1 ? base : base + '.' + QByteArray::number(n);
        if (::renameat2(AT_FDCWD, journal.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
            return QFile::decodeName(to);
        if (errno == EINVAL || errno == ENOSYS) {
            if (::link(journal.constData(), to.constData()) == 0) {
                if (::unlink(journal.constData()) == 0) return QFile::decodeName(to);
                ::unlink(to.constData());
                return {};
            }
        }
        if (errno != EEXIST) return {};
    }
    return {};
}

enum class Kind { Rollback, WriteAhead };

// The journal is hidden from SQLite from here on: set aside (and told), or,
// where that cannot be done or is not to be done, kept where it is (told
// once) and guarded against being written over. Runs where SQLite holds
// the file for itself (see judge).
void putAside(const QByteArray& name, const QByteArray& journal, Kind kind, bool move = true) {
    const QString aside = move ? moveAside(journal) : QString();
    // A -shm index belongs to its write-ahead journal, and no one uses it.
    if (!aside.isEmpty() && kind == Kind::WriteAhead) ::unlink((name + "-shm").constData());
    if (aside.isEmpty()) {
        struct stat was {};
        if (::stat(journal.constData(), &was) != 0) return;
        std::lock_guard g(registry().mutex);
        registry().kept[journal] = was;
    }
    tell(name, journal, aside);
}

// Whether the journal is one the guard could not set aside, unchanged since.
bool stillKept(const QByteArray& journal, const struct stat& now) {
    std::lock_guard g(registry().mutex);
    const auto it = registry().kept.find(journal);
    return it != registry().kept.end() && sameFile(it->second, now) && it->second.st_size == now.st_size &&
           it->second.st_mtim.tv_sec == now.st_mtim.tv_sec &&
           it->second.st_mtim.tv_nsec == now.st_mtim.tv_nsec;
}

// Judges the journal that lies beside `name` (see judgeJournal).
JournalVerdict judge(const QByteArray& name, const QByteArray& journal, Kind kind) {
    const std::shared_ptr<FileLock> lock = FileLock::named(name);
    // Not a file the layer opened (or no longer open): SQLite decides.
    if (!lock) return JournalVerdict::Seen;
    struct stat open {};
    struct stat there {};
    struct stat found {};
    if (::fstat(lock->fd(), &open) != 0 || ::stat(journal.constData(), &found) != 0)
        return JournalVerdict::Seen;
    if (::stat(name.constData(), &there) != 0 || !sameFile(there, open)) return JournalVerdict::Hidden;
    if (stillKept(journal, found)) return JournalVerdict::Hidden;
    uchar header[100];
    // A file shorter than its header: SQLite finds out what is wrong.
    if (!readAt(lock->fd(), header, sizeof header, 0)) return JournalVerdict::Seen;
    if (kind == Kind::Rollback) {
        // SQLite's first look, under its shared lock: it tells a live
        // writer's journal from a hot one itself. Its second look comes
        // under its exclusive lock, where no other program can be writing
        // the journal, nor reading the file. Where the lock cannot be told,
        // the journal is not replayed unjudged: it stays where it lies.
        const int held = sqliteLockOn(name);
        if (held < 0) {
            putAside(name, journal, kind, false);
            return JournalVerdict::Hidden;
        }
        if (held != SQLITE_LOCK_EXCLUSIVE) return JournalVerdict::Seen;
        // Opened as SQLite opens it, not through a link; a journal that
        // cannot be read is SQLite's to report.
        const Descriptor read{::open(journal.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW)};
        struct stat st {};
        if (read.fd < 0 || ::fstat(read.fd, &st) != 0 || !S_ISREG(st.st_mode)) return JournalVerdict::Seen;
        const quint32 pageSize = qFromBigEndian<quint16>(header + kPageSize);
        const std::optional<PageOne> recorded =
            replayedPageOne(read.fd, st.st_size, pageSize == 1 ? 65536 : pageSize);
        if (!recorded || !contradicts(*recorded, pageOneOf(header))) return JournalVerdict::Seen;
        putAside(name, journal, kind);
        return JournalVerdict::Hidden;
    }
    // A file kept with a write-ahead journal: it is the file's.
    if (header[18] == 2 || header[19] == 2) return JournalVerdict::Seen;
    // Every connection to a write-ahead journal holds this byte of its index:
    // taken here, none is connected and none can connect.
    const Descriptor shm{::open((name + "-shm").constData(), O_RDWR | O_CLOEXEC | O_NONBLOCK)};
    if (shm.fd < 0 && errno != ENOENT) return JournalVerdict::Seen;
    const ByteLock connected(shm.fd, kShmOpenByte, F_WRLCK);
    if (shm.fd >= 0 && !connected.held()) return JournalVerdict::Seen;
    if (found.st_size <= kWalHeader) {
        // Without a frame it holds nothing, and SQLite would remove it too.
        ::unlink(journal.constData());
        ::unlink((name + "-shm").constData());
    } else {
        putAside(name, journal, kind);
    }
    return JournalVerdict::Hidden;
}

}  // namespace

JournalVerdict judgeJournal(const QByteArray& path) {
    for (const auto& [suffix, kind] :
         {std::pair{"-journal", Kind::Rollback}, std::pair{"-wal", Kind::WriteAhead}})
        if (path.endsWith(suffix)) return judge(path.chopped(int(qstrlen(suffix))), path, kind);
    return JournalVerdict::Seen;
}

bool mayCreateJournal(const QByteArray& path) {
    return !path.endsWith("-journal") || keptJournal(path.chopped(int(qstrlen("-journal")))).isEmpty();
}

std::optional<JournalSetAside> takeSetAside(const QByteArray& name) {
    const QString database = QFile::decodeName(name);
    std::lock_guard g(registry().mutex);
    auto& told = registry().told;
    const auto it =
        std::find_if(told.begin(), told.end(), [&](const auto& j) { return j.database == database; });
    if (it == told.end()) return std::nullopt;
    JournalSetAside j = std::move(*it);
    told.erase(it);
    return j;
}

QString keptJournal(const QByteArray& name) {
    std::lock_guard g(registry().mutex);
    auto& kept = registry().kept;
    for (const char* suffix : {"-journal", "-wal"}) {
        const QByteArray journal = name + suffix;
        const auto it = kept.find(journal);
        if (it == kept.end()) continue;
        struct stat now {};
        if (::stat(journal.constData(), &now) == 0 && sameFile(now, it->second))
            return QFile::decodeName(journal);
        kept.erase(it);
    }
    return {};
}

QString keptJournalMessage(const QString& file, const QString& journal) {
    return QStringLiteral(
               "Changes to '%1' cannot be saved while the journal file '%2' lies beside it: it was not "
               "written for the database as it is now, and it could not be moved aside. Move that file "
               "elsewhere, then open the database again.")
        .arg(file, journal);
}

}  // namespace dao::detail

namespace dao {

void OnJournalSetAside(std::function<void(const JournalSetAside&)> handler) {
    std::lock_guard g(detail::registry().mutex);
    detail::registry().handler = std::move(handler);
}

}  // namespace dao
