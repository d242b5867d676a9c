// Journal watch and recovery: noticing that another program removed or
// replaced this connection's -wal or its -shm index, keeping what the lost
// journal held where the main file proves that is safe, telling the user
// where it is not, and starting afresh with a journal of its own.
#include "platform/Error.h"
#include "platform/dao/Connection.h"
#include "platform/dao/File.h"

#include <utility>

namespace dao::detail {

using Loss = JournalWatch::Loss;

namespace {

constexpr off_t kLockBytes = 512;  // SQLite's pending, reserved and shared bytes

}  // namespace

int refuseCommitIntoLostJournal(void* p) {
    auto* core = static_cast<Core*>(p);
    // The change was begun a moment ago, on the journal under the name.
    if (std::exchange(core->watch.justChecked, false)) return 0;
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

void Core::recordJournal() {
    watch.wal = FileState();
    watch.shm = FileState();
    watch.loss = Loss::None;
    watch.frames.close();
    if (readOnly || !db) return;
    watch.walPath = QByteArray(sqlite3_filename_wal(sqlite3_db_filename(db, "main")));
    watch.shmPath = mainName() + "-shm";
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
    if (watch.wal.exists() && !walStillOurs()) return Loss::Journal;
    if (watch.shm.exists() && !FileState::of(watch.shmPath).sameFile(watch.shm)) return Loss::Index;
    return Loss::None;
}

void Core::watchJournal() {
    watch.justChecked = false;
    if (!idle()) return;
    if (watch.loss == Loss::None) watch.loss = journalCheck();
    watch.justChecked = watch.loss == Loss::None;
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
    if (watch.loss == Loss::None || !idle()) return;
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

bool Core::closeConnection() {
    if (watch.loss == Loss::None) watch.loss = journalCheck();
    bool told = true;
    closeLoss.clear();
    if (watch.loss != Loss::None) {
        told = keepLostJournal() || watch.lossReported;
        if (!told) closeLoss = lostJournalMessage(path, false, false);
        // Neither a checkpoint nor deleting the journal on the way out: the
        // journal under the name, or its index, belongs to someone else now.
        sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    }
    sqlite3_close_v2(db);
    db = nullptr;
    watch.frames.close();
    watch.loss = Loss::None;
    watch.lossReported = false;
    return told;
}

}  // namespace dao::detail
