// Journal watch and recovery: noticing that another program removed or
// replaced this connection's -wal or its -shm index, or put another file
// under the name; keeping what a lost journal held where the main file
// proves that is safe, telling the user where it is not, starting afresh
// with a journal of its own, and leaving no journal beside a file that is
// not this connection's.
#include "platform/Error.h"
#include "platform/dao/Connection.h"
#include "platform/dao/File.h"

#include <QFile>

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>

#include <utility>

namespace dao::detail {

using Loss = JournalWatch::Loss;

namespace {

constexpr off_t kLockBytes = 512;  // SQLite's pending, reserved and shared bytes

// SQLite's exclusive lock on whatever file is under the name now, as a
// closing connection takes it before it deletes its journal: no program is
// connected to that file, and none can connect while it is held. Never
// taken where this process has that file open, nor on the file open here:
// closing the descriptor would drop SQLite's locks.
class NameGuard {
public:
    NameGuard(const QByteArray& name, const FileState& open, std::vector<int>& keptOpen) {
        if (FileLock::held(QFile::decodeName(name))) return;
        fd_ = ::open(name.constData(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd_ < 0) {
            // No file there: no one can be connected to it.
            held_ = errno == ENOENT;
            return;
        }
        if (FileState::of(fd_).sameFile(open)) {
            keptOpen.push_back(std::exchange(fd_, -1));
            return;
        }
        struct flock fl {};
        fl.l_type = F_WRLCK;
        fl.l_whence = SEEK_SET;
        fl.l_start = kLockRange;
        fl.l_len = kLockBytes;
        held_ = ::fcntl(fd_, F_SETLK, &fl) == 0;
    }
    NameGuard(const NameGuard&) = delete;
    NameGuard& operator=(const NameGuard&) = delete;
    ~NameGuard() {
        if (fd_ >= 0) ::close(fd_);
    }
    bool held() const { return held_; }

private:
    int fd_ = -1;
    bool held_ = false;
};

// After the connection is closed: its -wal and -shm under the name go,
// when they are provably its own and no program is connected to either
// file. An opener of the file there now would replay them into it.
void removeMovedJournal(const QByteArray& name, JournalWatch& w) {
    NameGuard guard(name, w.file, w.keptOpen);
    if (!guard.held()) return;
    const FileState wal = FileState::of(w.walPath);
    const FileState shm = FileState::of(w.shmPath);
    if ((wal.exists() && !wal.sameFile(w.wal)) || (shm.exists() && !shm.sameFile(w.shm))) return;
    // A program connected to the file this connection had open shares them.
    if (shm.exists() && lockedElsewhere(w.shmPath, kShmLocks, 16, false)) return;
    if (wal.exists()) ::unlink(w.walPath.constData());
    if (shm.exists()) ::unlink(w.shmPath.constData());
}

}  // namespace

int refuseCommitIntoLostJournal(void* p) {
    auto* core = static_cast<Core*>(p);
    // The change was begun a moment ago, on the journal under the name.
    if (core->justCheckedInThisAction()) {
        core->watch.justChecked = false;
        return 0;
    }
    const Loss loss = core->journalCheck();
    if (loss == Loss::None) return 0;
    if (core->watch.loss == Loss::None) core->watch.loss = loss;
    return 1;
}

QString lostJournalMessage(const QString& file, bool kept, bool change) {
    if (!change)
        return QStringLiteral(
                   "Disk or network error. The journal of '%1' was removed or replaced by another "
                   "program; changes saved shortly before may be lost.")
            .arg(file);
    if (kept)
        return QStringLiteral(
                   "Disk or network error. The journal of '%1' was removed or replaced by another "
                   "program; the change was not saved.")
            .arg(file);
    return QStringLiteral(
               "Disk or network error. The journal of '%1' was removed or replaced by another "
               "program; the change was not saved, and changes saved shortly before it may be "
               "lost.")
        .arg(file);
}

QString replacedFileMessage(const QString& file, bool change) {
    if (!change)
        return QStringLiteral(
                   "Disk or network error. Another program replaced or moved '%1' while it was open "
                   "here; changes saved shortly before may be lost.")
            .arg(file);
    return QStringLiteral(
               "Disk or network error. Another program replaced or moved '%1' while it was open "
               "here; the change was not saved. Close the file and open it again to go on working "
               "with it.")
        .arg(file);
}

void Core::recordJournal() {
    watch.wal = FileState();
    watch.shm = FileState();
    watch.file = FileState();
    watch.loss = Loss::None;
    watch.frames.close();
    if (readOnly || !db) return;
    watch.walPath = QByteArray(sqlite3_filename_wal(sqlite3_db_filename(db, "main")));
    watch.shmPath = mainName() + "-shm";
    if (lock) watch.file = FileState::of(lock->fd());
    watch.wal = watch.frames.open(watch.walPath);
    watch.shm = FileState::of(watch.shmPath);
}

bool Core::idle() const {
    return db && busy.isEmpty() && savepoints == 0 && sqlite3_get_autocommit(db);
}

bool Core::walStillOurs() const {
    return db && watch.wal.exists() && FileState::of(watch.walPath).sameFile(watch.wal);
}

Loss Core::journalCheck() const {
    if (!db) return Loss::None;
    if (watch.file.exists() && !FileState::of(mainName()).sameFile(watch.file)) return Loss::File;
    if (watch.wal.exists() && !walStillOurs()) return Loss::Journal;
    if (watch.shm.exists() && !FileState::of(watch.shmPath).sameFile(watch.shm)) return Loss::Index;
    return Loss::None;
}

bool Core::justCheckedInThisAction() const {
    return watch.justChecked && watch.checkedInAction == actionEpoch.load(std::memory_order_relaxed);
}

void Core::watchJournal() {
    watch.justChecked = false;
    if (!idle()) return;
    if (watch.loss == Loss::None) watch.loss = journalCheck();
    if (watch.loss == Loss::File) {
        // Every change from now on would go into a journal beside a file
        // that is not this connection's.
        emptyMovedJournal();
        throw wk::Error(3043, replacedFileMessage(path, true));
    }
    watch.justChecked = watch.loss == Loss::None;
    watch.checkedInAction = actionEpoch.load(std::memory_order_relaxed);
    // Mended quietly where nothing is lost. Otherwise the change goes on to
    // its commit, which is refused with the message that says what may be
    // lost.
    if (watch.loss != Loss::None && keepLostJournal()) reconnectIfJournalLost();
}

void Core::noteMainFile(int from, int last) {
    watch.proof.clear();
    if (!lock) return;
    watch.pages.clear();
    watch.frames.seek(from);
    const bool read = watch.frames.readPages(last, watch.pages);
    watch.proof.take(lock->fd(), watch.frames.pageSize());
    if (!read) watch.proof.fail();
    for (const quint32 page : watch.pages) watch.proof.remember(lock->fd(), page);
}

void Core::noteNewFrames(int last) {
    if (!lock) return;
    watch.pages.clear();
    const bool read = watch.frames.readPages(last, watch.pages);
    // The main file as it was before the first of the waiting commits: they
    // are in the journal alone.
    if (!watch.proof.taken()) watch.proof.take(lock->fd(), watch.frames.pageSize());
    if (!read) watch.proof.fail();
    for (const quint32 page : watch.pages) watch.proof.remember(lock->fd(), page);
}

bool Core::mainFileAsLeft() const {
    return lock && watch.proof.holds(lock->fd());
}

bool Core::keepLostJournal() {
    if (!checkpointer.unsaved) return true;
    if (!db || readOnly || !lock) return false;
    // Only the index was lost: the -wal under the name is still the one
    // every commit went into, and a fresh connection indexes it anew.
    if (walStillOurs()) return true;
    // The old journal is still open here, but its pages may only go into a
    // main file that no one else has written since this connection saw it,
    // and that no one else uses now: another process may have begun afresh
    // on it without them.
    if (!mainFileAsLeft()) return false;
    if (lockedByOthers(lock->fd(), kLockRange, kLockBytes)) return false;
    for (const auto& [name, mine] :
         {std::pair{watch.walPath, watch.wal}, std::pair{watch.shmPath, watch.shm}}) {
        const FileState now = FileState::of(name);
        if (now.exists() && !now.sameFile(mine)) return false;
    }
    return checkpoint();
}

void Core::reconnectIfJournalLost() {
    // A file moved away from its name is not opened again under it: the
    // recordsets hold its rows.
    if (watch.loss == Loss::None || watch.loss == Loss::File || !idle()) return;
    const bool tell = !keepLostJournal() && !watch.lossReported;
    // Commits still waiting in a -wal that stays under the name go on
    // waiting for the idle checkpoint of the fresh connection.
    const bool waiting = checkpointer.unsaved && walStillOurs();
    watch.lossReported = false;
    for (sqlite3_stmt* st : std::as_const(statements)) sqlite3_finalize(st);
    statements.clear();
    // The old connection neither checkpoints nor deletes anything on its
    // way out: the journal under that name now belongs to someone else, or
    // its index does.
    sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    sqlite3_close_v2(db);
    db = nullptr;
    // What the old journal held is in the file under the name now, or out
    // of reach.
    checkpointer.unsaved = false;
    watch.proof.clear();
    recordJournal();
    connect();
    exec(QStringLiteral("PRAGMA journal_mode=WAL"));
    exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
    invalidateCatalogue();
    loadCatalogue(true);
    recordJournal();
    if (waiting) {
        checkpointer.unsaved = true;
        noteMainFile(0, -1);
        scheduleCheckpoint(this);
    }
    if (tell) throw wk::Error(3043, lostJournalMessage(path, false, false));
}

bool Core::emptyMovedJournal() {
    if (!db || readOnly || !idle()) return false;
    // Whoever opens the file now under the name takes the journal there for
    // its own and would replay our frames into it: kept out while they go
    // into the file they belong to and the journal is emptied.
    NameGuard guard(mainName(), watch.file, watch.keptOpen);
    return guard.held() && checkpoint(true);
}

bool Core::closeConnection() {
    if (watch.loss == Loss::None) watch.loss = journalCheck();
    const QByteArray name = mainName();
    bool told = true;
    closeLoss.clear();
    if (watch.loss == Loss::File) {
        told = emptyMovedJournal() || !checkpointer.unsaved;
        if (!told) closeLoss = replacedFileMessage(path, false);
    } else if (watch.loss != Loss::None) {
        told = keepLostJournal() || watch.lossReported;
        if (!told) closeLoss = lostJournalMessage(path, false, false);
    }
    // Neither a checkpoint nor deleting the journal on the way out: the
    // journal under the name, or the file, belongs to someone else now.
    if (watch.loss != Loss::None) sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    sqlite3_close_v2(db);
    db = nullptr;
    // SQLite leaves the journal of a moved file where it is.
    if (watch.loss == Loss::File && !checkpointer.unsaved) removeMovedJournal(name, watch);
    watch.frames.close();
    for (const int fd : watch.keptOpen) ::close(fd);
    watch.keptOpen.clear();
    watch.loss = Loss::None;
    watch.lossReported = false;
    return told;
}

}  // namespace dao::detail
