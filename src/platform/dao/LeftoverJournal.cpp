// A journal left beside a file that no running program holds. The next
// connection reads through it and its first checkpoint writes its pages
// into the file. A crash leaves a journal that belongs to the file; a
// backup or sync restore may leave one of another database, or of another
// copy of this one, whose pages would break the file's content. So it is
// looked through first, under an exclusive lock, with its index in memory
// and no checkpoint at close: nothing is written anywhere until it is
// known to give a sound file of ours. (An old journal of this file whose
// pages still fit it gives one too; nothing in the two files tells it from
// a crash's.)
#include "platform/dao/LeftoverJournal.h"
#include "platform/dao/Connection.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <stdio.h>
#include <cerrno>

namespace dao::detail {

namespace {

// A -wal without a frame past its header replays nothing.
constexpr qint64 kWalHeaderSize = 32;

enum class Journal { Belongs, Stray, InUse, Unreadable };

QString firstText(sqlite3* db, const char* sql, int* rc) {
    sqlite3_stmt* st = nullptr;
    QString text;
    *rc = sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
    if (*rc == SQLITE_OK) {
        *rc = sqlite3_step(st);
        if (*rc == SQLITE_ROW) {
            text = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
            *rc = SQLITE_OK;
        }
    }
    sqlite3_finalize(st);
    return text;
}

// What a failed read says about the journal. A disk or memory failure says
// nothing: then nothing may be touched either way.
Journal failed(int rc) {
    switch (rc & 0xff) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return Journal::InUse;
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
            return Journal::Stray;
        default:
            return Journal::Unreadable;
    }
}

// What the file reads as through its journal. The first read takes the
// exclusive lock, so a program that has the file open (or opens it now)
// keeps its journal, and none can begin on it while this one looks.
Journal look(sqlite3* db, int* rc) {
    *rc = sqlite3_exec(db, "PRAGMA locking_mode=EXCLUSIVE", nullptr, nullptr, nullptr);
    if (*rc != SQLITE_OK) return Journal::Unreadable;
    const QString check = firstText(db, "PRAGMA quick_check(1)", rc);
    if (*rc != SQLITE_OK) return failed(*rc);
    if (check != QLatin1String("ok")) return Journal::Stray;
    const QString tables = firstText(db,
                                     "SELECT count(*) FROM sqlite_schema WHERE type = 'table' AND name IN "
                                     "('wk_meta', 'wk_fields', 'wk_tables', 'wk_queries')",
                                     rc);
    if (*rc != SQLITE_OK) return failed(*rc);
    if (tables != QLatin1String("4")) return Journal::Stray;
    const QString format = firstText(db, "SELECT value FROM wk_meta WHERE key = 'format'", rc);
    if (*rc != SQLITE_OK) return failed(*rc);
    return format == QLatin1String(kFormat) ? Journal::Belongs : Journal::Stray;
}

// "<file>-wal.set-aside", or with a number when that name is taken: a
// name no SQLite opener takes for a journal, and nothing is overwritten.
QString moveAside(const QString& wal) {
    const QByteArray from = QFile::encodeName(wal);
    for (int n = 1; n < 1000; ++n) {
        QString to = wal + QLatin1String(".set-aside");
        if (n > 1) to += QLatin1Char('.') + QString::number(n);
        if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, QFile::encodeName(to).constData(),
                        RENAME_NOREPLACE) == 0)
            return to;
        if (errno != EEXIST) break;
    }
    return {};
}

}  // namespace

QString setAsideStrayJournal(const QString& path) {
    const QString wal = path + QLatin1String("-wal");
    if (QFileInfo(wal).size() <= kWalHeaderSize) return {};
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    Journal found = Journal::Unreadable;
    QString aside;
    if (rc == SQLITE_OK) {
        // The look leaves the journal where it is, whatever it holds.
        sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
        found = look(db, &rc);
    }
    if (found == Journal::Stray) {
        // Still under the exclusive lock: nobody has begun on it.
        aside = moveAside(wal);
        if (!aside.isEmpty()) QFile::remove(path + QLatin1String("-shm"));
    }
    sqlite3_close_v2(db);
    if (found == Journal::Unreadable) raiseSqlite(nullptr, rc, path);
    if (found == Journal::Stray && aside.isEmpty()) raise(3051, path);
    return aside;
}

}  // namespace dao::detail
