// Journal watch and recovery: noticing that another program removed or
// replaced this connection's -wal, keeping what it held where that is safe,
// and starting afresh with a journal of its own.
#include "platform/Error.h"
#include "platform/dao/Connection.h"
#include "platform/dao/File.h"

#include <QFile>

namespace dao::detail {

int refuseCommitIntoLostJournal(void* p) {
    auto* core = static_cast<Core*>(p);
    if (core->journalIntact()) return 0;
    core->journalLost = true;
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
    journalLost = false;
    if (readOnly || !db) return;
    const QByteArray main = mainName();
    journal = FileState::of(QByteArray(sqlite3_filename_wal(sqlite3_db_filename(db, "main"))));
    index = FileState::of(main + "-shm");
    mainFile = FileState::of(main);
}

bool Core::journalIntact() const {
    if (!journal.exists() || !db) return true;
    return FileState::of(QByteArray(sqlite3_filename_wal(sqlite3_db_filename(db, "main")))).sameFile(journal);
}

bool Core::keepLostJournal() {
    if (!unsaved) return true;
    if (!db || readOnly || !lock) return false;
    // The old journal is still open here, but its pages may only go into a
    // main file that no one else has written since this connection did, and
    // that no one else uses now: another process may have begun afresh on
    // it without them.
    const QByteArray main = mainName();
    if (!(FileState::of(main) == mainFile)) return false;
    if (lockedByOthers(lock->fd(), kLockRange, 512)) return false;
    for (const auto& [name, mine] : {std::pair{main + "-wal", journal}, std::pair{main + "-shm", index}}) {
        const FileState now = FileState::of(name);
        if (now.exists() && !now.sameFile(mine)) return false;
    }
    return checkpoint();
}

void Core::reconnectIfJournalLost() {
    if (!journalLost || !db || !busy.isEmpty() || savepoints > 0) return;
    const bool tell = !keepLostJournal() && !journalLossReported;
    journalLossReported = false;
    for (sqlite3_stmt* st : std::as_const(statements)) sqlite3_finalize(st);
    statements.clear();
    // The old connection neither checkpoints nor deletes anything on its
    // way out: the journal under that name now belongs to someone else.
    sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    sqlite3_close_v2(db);
    db = nullptr;
    journalLost = false;
    // What the old journal held is in the main file now, or out of reach.
    unsaved = false;
    connect();
    exec(QStringLiteral("PRAGMA journal_mode=WAL"));
    exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
    invalidateCatalogue();
    loadCatalogue(true);
    recordJournal();
    if (tell) throw wk::Error(3043, lostJournalMessage(path, false, false));
}

}  // namespace dao::detail
