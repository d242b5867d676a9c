// Upkeep of database files: compaction, and writing new content into a file
// in place.
#include "platform/Error.h"
#include "platform/dao/Connection.h"
#include "platform/dao/File.h"

#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>

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
        const QByteArray sql = QByteArray("PRAGMA page_size=") + QByteArray::number(targetPage) + "; VACUUM;";
        if ((rc = sqlite3_exec(src, sql.constData(), nullptr, nullptr, nullptr)) != SQLITE_OK)
            raiseSqlite(src, sqlite3_extended_errcode(src), built);
    }
    // The file keeps its mark: a journal left by a crash in the middle of
    // this copy is then still its own (see LeftoverJournal.cpp).
    const int targetMark = pragmaNumber(dst, "PRAGMA user_version", &rc);
    if (rc != SQLITE_OK) raiseSqlite(dst, rc, target);
    if (targetMark != 0) {
        const QByteArray sql = QByteArray("PRAGMA user_version=") + QByteArray::number(targetMark);
        if (sqlite3_exec(src, sql.constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
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
        core.exec(QStringLiteral("VACUUM"));
    } catch (const wk::Error& e) {
        db->Close();
        if (e.number() == 3260) return false;
        throw;
    }
    db->Close();
    return true;
}
}  // namespace dao
