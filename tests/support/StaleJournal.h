#pragma once
// A journal as a writer that was killed leaves it: a -wal file with valid
// committed frames, of another database than the one that will meet it.
#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>

namespace wktest {

inline QByteArray JournalWithFrames() {
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath("scratch.db"));
    sqlite3* db = nullptr;
    if (sqlite3_open(path.constData(), &db) != SQLITE_OK) return {};
    sqlite3_exec(db,
                 "PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0;"
                 "CREATE TABLE scratch (a, b); CREATE TABLE other (c);"
                 "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 200) "
                 "INSERT INTO scratch SELECT i, printf('%.100c', 'x') FROM n;",
                 nullptr, nullptr, nullptr);
    QFile wal(dir.filePath("scratch.db-wal"));
    const QByteArray frames = wal.open(QIODevice::ReadOnly) ? wal.readAll() : QByteArray();
    sqlite3_close(db);
    return frames;
}

// Leaves such a journal beside path.
inline bool LeaveStaleJournal(const QString& path) {
    const QByteArray frames = JournalWithFrames();
    QFile wal(path + "-wal");
    return frames.size() > 32 && wal.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           wal.write(frames) == frames.size();
}

// Leaves such a journal beside path with every name to set it aside under
// taken: it cannot be set aside.
inline bool LeaveJournalThatCannotBeSetAside(const QString& path) {
    for (int n = 1; n < 1000; ++n)
        QFile(path + "-wal.set-aside" + (n == 1 ? QString() : "." + QString::number(n)))
            .open(QIODevice::WriteOnly);
    return LeaveStaleJournal(path);
}

}  // namespace wktest
