// Upkeep of the main file: the checkpoint after commits and when idle, so
// that the file alone holds every saved change; compaction; and writing new
// content into a file in place.
#include "platform/Error.h"
#include "platform/dao/Connection.h"
#include "platform/dao/File.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace dao::detail {

namespace {

// SQLite's own rule for writing the journal back during a long run of
// changes, kept when the layer takes over the commit notice.
constexpr int kAutoCheckpointFrames = 1000;

}  // namespace

int afterCommit(void* p, sqlite3*, const char*, int frames) {
    auto* core = static_cast<Core*>(p);
    core->checkpointer.unsaved = true;
    if (frames >= kAutoCheckpointFrames) core->checkpoint();
    if (!core->checkpointer.unsaved) return SQLITE_OK;
    // Commits the main file does not hold: should the journal be lost, they
    // may be written back only into the main file as it is now.
    core->noteNewFrames(frames);
    scheduleCheckpoint(core);
    return SQLITE_OK;
}

bool Core::checkpoint(bool empty) {
    if (!db || readOnly) return true;
    int log = -1, copied = -1;
    if (sqlite3_wal_checkpoint_v2(db, "main", SQLITE_CHECKPOINT_PASSIVE, &log, &copied) != SQLITE_OK)
        return false;
    // A reader of an older state keeps the rest of the journal from the
    // main file: done only when every frame went in.
    Checkpointer& c = checkpointer;
    if (log == copied) {
        c.unsaved = false;
        watch.proof.clear();
        watch.frames.seek(log);
    } else if (copied != c.backfilled) {
        // Pages of our own went into the main file: the proof starts again
        // from it, for the frames still waiting.
        noteMainFile(copied, log);
    }
    c.backfilled = copied;
    if (c.unsaved) return false;
    if (!empty || watch.frames.empty()) return true;
    // Emptied without waiting for a reader of another program: it is asked
    // again at the next idle checkpoint.
    sqlite3_busy_timeout(db, 0);
    const int rc = sqlite3_wal_checkpoint_v2(db, "main", SQLITE_CHECKPOINT_TRUNCATE, &log, &copied);
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    if (rc != SQLITE_OK) return false;
    c.backfilled = 0;
    return true;
}

bool Core::saveToMainFile() {
    if (!db) return true;
    // A statement or transaction of this connection holds the journal; the
    // timer comes back.
    if (!idle()) return false;
    if (watch.loss == JournalWatch::Loss::None) watch.loss = journalCheck();
    if (watch.loss == JournalWatch::Loss::File) {
        // What can be done for the file moved away is done now; its next
        // use is refused, and Close tries again.
        emptyMovedJournal();
        return true;
    }
    if (watch.loss != JournalWatch::Loss::None) {
        // Lost while the program sat idle: what can be kept goes into the
        // main file now, before anyone else writes it, and the connection
        // starts afresh. What cannot be kept is reported to the next use.
        if (keepLostJournal()) reconnectIfJournalLost();
        return true;
    }
    return checkpoint(true);
}

// ---- the idle checkpoint -------------------------------------------------------
// One single-shot timer for the whole process, in the application's thread.
// It fires a second after a commit finds it idle, so the main file is never
// much more than a second behind, and empties the journal then; a
// checkpoint that another reader keeps from finishing is tried again a
// second later.

namespace {

constexpr int kIdleCheckpointMs = 1000;

struct CheckpointTimer {
    QPointer<QTimer> timer;
    std::vector<Core*> pending;
};

CheckpointTimer& checkpointTimer() {
    static auto* t = new CheckpointTimer;
    return *t;
}

void runPendingCheckpoints() {
    auto& t = checkpointTimer();
    std::vector<Core*> cores;
    cores.swap(t.pending);
    for (Core* core : cores) {
        core->checkpointer.scheduled = false;
        bool done = false;
        try {
            done = core->saveToMainFile();
        } catch (const wk::Error&) {
            // A connection that could not start afresh: its next use
            // reports that.
            done = true;
        }
        if (!done && !core->checkpointer.scheduled) {
            core->checkpointer.scheduled = true;
            t.pending.push_back(core);
        }
    }
    if (!t.pending.empty() && t.timer) t.timer->start(kIdleCheckpointMs);
}

}  // namespace

void scheduleCheckpoint(Core* core) {
    // Already waiting for the timer, which runs while anything waits: the
    // usual case in a run of commits, so nothing else is asked.
    if (core->checkpointer.scheduled) return;
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread()) return;
    auto& t = checkpointTimer();
    core->checkpointer.scheduled = true;
    t.pending.push_back(core);
    if (!t.timer) {
        t.timer = new QTimer(app);
        t.timer->setObjectName(QStringLiteral("wk_idle_checkpoint"));
        t.timer->setSingleShot(true);
        QObject::connect(t.timer, &QTimer::timeout, app, &runPendingCheckpoints);
    }
    if (!t.timer->isActive()) t.timer->start(kIdleCheckpointMs);
}

void forgetCheckpoint(Core* core) {
    if (!core->checkpointer.scheduled) return;
    core->checkpointer.scheduled = false;
    std::erase(checkpointTimer().pending, core);
}
}  // namespace dao::detail

namespace dao {

using namespace detail;

void Workspace::CompactDatabase(const QString& source, const QString& target, const QString& locale,
                                int options, const QString& connect) {
    Q_UNUSED(locale);
    Q_UNUSED(options);
    if (target.isEmpty()) raise(3044, target);
    if (QFileInfo::exists(target)) raise(3204);
    if (!folderExists(target)) raise(3044, target);
    Workspace own;
    DatabasePtr db = own.OpenDatabase(source, false, true, connect);
    const QString canonicalSource = QFileInfo(source).canonicalFilePath();
    const QString canonicalTarget = QFileInfo(QFileInfo(target).absolutePath()).canonicalFilePath() +
                                    QLatin1Char('/') + QFileInfo(target).fileName();
    if (canonicalSource == canonicalTarget) raise(3204);
    try {
        StatementUse q(db->impl()->use(), QStringLiteral("VACUUM INTO ?"));
        bindValue(q, 1, target);
        q.step();
    } catch (...) {
        db->Close();
        QFile::remove(target);
        throw;
    }
    db->Close();
    // The caller deletes the source next; the copy must be on disk first.
    const int fd = ::open(QFile::encodeName(target).constData(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// ---- replacing and compacting files in place ------------------------------------
// Other programs may have a file open without holding any lock yet; they
// write through the file they opened. So a file is never swapped by a rename
// under them: new content goes into the file itself, under SQLite's locks,
// and every other connection either waits or sees the whole new content.

namespace {

bool hasSqliteHeader(const QByteArray& path) {
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    char header[16] = {};
    const bool ok = ::pread(fd, header, sizeof header, 0) == ssize_t(sizeof header) &&
                    memcmp(header, "SQLite format 3", 16) == 0;
    ::close(fd);
    return ok;
}

int pragmaNumber(sqlite3* db, const char* sql, int* rc) {
    sqlite3_stmt* st = nullptr;
    int value = 0;
    *rc = sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
    if (*rc == SQLITE_OK) {
        *rc = sqlite3_step(st);
        if (*rc == SQLITE_ROW) {
            value = sqlite3_column_int(st, 0);
            *rc = SQLITE_OK;
        }
    }
    sqlite3_finalize(st);
    return value;
}

// Copies the closed database `built` into the database file `target` with
// SQLite's backup, under its locks. False, with nothing changed, when target
// is no database SQLite can read.
bool writeInto(const QString& built, const QString& target) {
    sqlite3* src = nullptr;
    sqlite3* dst = nullptr;
    struct Closer {
        sqlite3*& a;
        sqlite3*& b;
        ~Closer() {
            sqlite3_close_v2(a);
            sqlite3_close_v2(b);
        }
    } closer{src, dst};
    if (sqlite3_open_v2(QFile::encodeName(built).constData(), &src, SQLITE_OPEN_READWRITE, nullptr) !=
        SQLITE_OK)
        raiseSqlite(src, sqlite3_extended_errcode(src), built);
    sqlite3_extended_result_codes(src, 1);
    if (sqlite3_open_v2(QFile::encodeName(target).constData(), &dst, SQLITE_OPEN_READWRITE, nullptr) !=
        SQLITE_OK)
        raise(3051, target);
    sqlite3_extended_result_codes(dst, 1);
    sqlite3_busy_timeout(dst, 3000);

    int rc = SQLITE_OK;
    const int targetPage = pragmaNumber(dst, "PRAGMA page_size", &rc);
    if ((rc & 0xff) == SQLITE_NOTADB || (rc & 0xff) == SQLITE_CORRUPT) return false;
    if (rc != SQLITE_OK) raiseSqlite(dst, rc, target);
    const int builtPage = pragmaNumber(src, "PRAGMA page_size", &rc);
    if (rc != SQLITE_OK) raiseSqlite(src, rc, built);
    // A journal file keeps its page size: the copy takes the target's.
    if (targetPage != builtPage) {
        const QByteArray sql = QByteArray("PRAGMA journal_mode=DELETE; PRAGMA page_size=") +
                               QByteArray::number(targetPage) + "; VACUUM; PRAGMA journal_mode=WAL;";
        if ((rc = sqlite3_exec(src, sql.constData(), nullptr, nullptr, nullptr)) != SQLITE_OK)
            raiseSqlite(src, sqlite3_extended_errcode(src), built);
    }

    sqlite3_backup* backup = sqlite3_backup_init(dst, "main", src, "main");
    if (!backup) raiseSqlite(dst, sqlite3_extended_errcode(dst), target);
    rc = sqlite3_backup_step(backup, -1);
    sqlite3_backup_finish(backup);
    switch (rc & 0xff) {
        case SQLITE_DONE:
            break;
        case SQLITE_NOTADB:
        case SQLITE_CORRUPT:
            return false;
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            raise(3045, target);
        default:
            raiseSqlite(dst, rc, target);
    }
    // The new content in the file itself, not only in its journal.
    sqlite3_wal_checkpoint_v2(dst, "main", SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
    return true;
}

}  // namespace

void ReplaceFile(const QString& built, const QString& target) {
    if (!QFileInfo::exists(built)) raise(3024, built);
    if (FileInUse(target)) raise(3045, target);
    const QByteArray from = QFile::encodeName(built);
    const QByteArray to = QFile::encodeName(target);
    if (!syncPath(from, false)) raise(3043);
    struct stat st {};
    const bool present = ::stat(to.constData(), &st) == 0;
    if (present && S_ISREG(st.st_mode) && hasSqliteHeader(to) && writeInto(built, target)) {
        QFile::remove(built);
        removeJournals(built);
        return;
    }
    // No database under the name (or none SQLite can read): no connection
    // can be at work on it, and the complete file takes its place.
    clearLeftoverJournals(target);
    if (present) {
        if (::rename(from.constData(), to.constData()) != 0) raise(3051, target);
    } else if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) != 0) {
        // Another program made a file under the name meanwhile.
        if (errno == EEXIST) raise(3045, target);
        if (errno != EINVAL || ::rename(from.constData(), to.constData()) != 0) raise(3051, target);
    }
    syncPath(QFile::encodeName(QFileInfo(target).absolutePath()), true);
}

bool CompactInPlace(const QString& path, const QString& connect) {
    if (!QFileInfo::exists(path)) raise(3024, path);
    // A file another program is at work on is left to it: the VACUUM would
    // keep its writes waiting and grow its journal to the size of the file.
    if (FileInUse(path)) return false;
    Workspace own;
    DatabasePtr db;
    try {
        db = own.OpenDatabase(path, false, false, connect);
    } catch (const wk::Error& e) {
        if (e.number() == 3051 || e.number() == 3260) return false;
        throw;
    }
    Core& core = db->impl()->use();
    try {
        // Everything in the journal goes along: VACUUM reads through it. It
        // rewrites every page; held in memory it would cost the size of the
        // file, and no other program uses the file now.
        core.exec(QStringLiteral("PRAGMA cache_spill=ON"));
        core.exec(QStringLiteral("VACUUM"));
        core.exec(QStringLiteral("PRAGMA cache_spill=OFF"));
    } catch (const wk::Error& e) {
        db->Close();
        if (e.number() == 3260) return false;
        throw;
    }
    // The file shrinks once its journal is written back.
    core.checkpoint();
    db->Close();
    return true;
}
}  // namespace dao
