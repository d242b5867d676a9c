// Journal watch and recovery: noticing that another program removed or
// replaced this connection's -wal or its -shm index, keeping what the lost
// journal held where the main file proves that is safe, telling the user
// where it is not, and starting afresh with a journal of its own.
#include "platform/Error.h"
#include "platform/dao/Connection.h"
#include "platform/dao/File.h"

#include <QFile>
#include <QHashFunctions>

#include <unistd.h>

#include <utility>

namespace dao::detail {

namespace {

// Identifies the main file's content, read through the descriptor the
// layer keeps open (opening another one would drop SQLite's locks). A hash
// for telling this process's own view of the file from another's write,
// not a safeguard against an attacker. Empty when it cannot be read.
QByteArray contentDigest(int fd) {
    QByteArray chunk(1 << 20, Qt::Uninitialized);
    size_t hash = 0;
    for (off_t at = 0;; at += chunk.size()) {
        const ssize_t n = ::pread(fd, chunk.data(), size_t(chunk.size()), at);
        if (n < 0) return {};
        if (n == 0) break;
        hash = qHashBits(chunk.constData(), size_t(n), hash);
    }
    return QByteArray::number(quint64(hash), 16);
}

}  // namespace

int refuseCommitIntoLostJournal(void* p) {
    auto* core = static_cast<Core*>(p);
    // The change was begun a moment ago, on the journal under the name.
    if (std::exchange(core->journalJustChecked, false)) return 0;
    const Core::Loss loss = core->journalCheck();
    if (loss == Core::Loss::None) return 0;
    if (core->loss == Core::Loss::None) core->loss = loss;
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
    journal = FileState();
    index = FileState();
    loss = Loss::None;
    if (readOnly || !db) return;
    journalPath = QByteArray(sqlite3_filename_wal(sqlite3_db_filename(db, "main")));
    indexPath = mainName() + "-shm";
    journal = FileState::of(journalPath);
    index = FileState::of(indexPath);
}

bool Core::idle() const {
    return db && busy.isEmpty() && savepoints == 0 && sqlite3_get_autocommit(db);
}

bool Core::walStillOurs() const {
    return db && journal.exists() && FileState::of(journalPath).sameFile(journal);
}

Core::Loss Core::journalCheck() const {
    if (!db) return Loss::None;
    if (journal.exists() && !walStillOurs()) return Loss::Journal;
    if (index.exists() && !FileState::of(indexPath).sameFile(index)) return Loss::Index;
    return Loss::None;
}

void Core::watchJournal() {
    journalJustChecked = false;
    if (!idle()) return;
    if (loss == Loss::None) loss = journalCheck();
    journalJustChecked = loss == Loss::None;
    // Mended quietly where nothing is lost. Otherwise the change goes on to
    // its commit, which is refused with the message that says what may be
    // lost.
    if (loss != Loss::None && keepLostJournal()) reconnectIfJournalLost();
}

void Core::noteMainFile() {
    mainFile = FileState::of(mainName());
    mainDigest = lock ? contentDigest(lock->fd()) : QByteArray();
}

bool Core::mainFileAsLeft() const {
    if (!lock || mainDigest.isEmpty() || !(FileState::of(mainName()) == mainFile)) return false;
    return contentDigest(lock->fd()) == mainDigest;
}

bool Core::keepLostJournal() {
    if (!unsaved) return true;
    if (!db || readOnly || !lock) return false;
    // Only the index was lost: the -wal under the name is still the one
    // every commit went into, and a fresh connection indexes it anew.
    if (walStillOurs()) return true;
    // The old journal is still open here, but its pages may only go into a
    // main file that no one else has written since this connection saw it,
    // and that no one else uses now: another process may have begun afresh
    // on it without them.
    if (!mainFileAsLeft()) return false;
    if (lockedByOthers(lock->fd(), kLockRange, 512)) return false;
    for (const auto& [name, mine] : {std::pair{journalPath, journal}, std::pair{indexPath, index}}) {
        const FileState now = FileState::of(name);
        if (now.exists() && !now.sameFile(mine)) return false;
    }
    return checkpoint();
}

void Core::reconnectIfJournalLost() {
    if (loss == Loss::None || !idle()) return;
    const bool tell = !keepLostJournal() && !journalLossReported;
    // Commits still waiting in a -wal that stays under the name go on
    // waiting for the idle checkpoint of the fresh connection.
    const bool waiting = unsaved && walStillOurs();
    journalLossReported = false;
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
    unsaved = false;
    mainDigest.clear();
    journal = FileState();
    index = FileState();
    loss = Loss::None;
    connect();
    exec(QStringLiteral("PRAGMA journal_mode=WAL"));
    exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
    invalidateCatalogue();
    loadCatalogue(true);
    recordJournal();
    if (waiting) {
        unsaved = true;
        noteMainFile();
        scheduleCheckpoint(this);
    }
    if (tell) throw wk::Error(3043, lostJournalMessage(path, false, false));
}

}  // namespace dao::detail
