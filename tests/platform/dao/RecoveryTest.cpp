// A journal left beside a database file: the program recovers the file as
// plain SQLite recovers a copy of the same files, unless the file itself
// contradicts the journal (another file's mark on its page 1, a change
// counter the file has moved past, a write-ahead journal beside a file kept
// with the rollback journal); then the journal is set aside, the file read
// as it is, and the user told.
#include "SecondProcessSupport.h"

#include <QDir>
#include <QFile>

#include <sqlite3.h>
#include <unistd.h>

#include "platform/dao/File.h"
#include "platform/dao/UserAction.h"
#include "support/FrozenDisk.h"
#include "support/QtPrinters.h"
#include "support/StaleJournal.h"

using namespace daotest;

namespace {

QStringList beside(const QString& file) {
    QStringList names = QDir(QFileInfo(file).path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    names.removeAll(QFileInfo(file).fileName());
    return names;
}

// Runs sql on a plain SQLite connection (SQLite's own VFS, or the named one).
void plain(const QString& file, const char* sql, const char* vfs = nullptr) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READWRITE, vfs),
              SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

QStringList plainRows(const QString& file, const char* sql) {
    sqlite3* db = nullptr;
    QStringList rows;
    if (sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) ==
        SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK) rows << sqlite3_errmsg(db);
        int rc = SQLITE_ROW;
        while (st && (rc = sqlite3_step(st)) == SQLITE_ROW)
            rows << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        if (st && rc != SQLITE_DONE) rows << sqlite3_errmsg(db);
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return rows;
}

// What a reading of the file makes of it: its items, whether its pages hold
// together, and what lies beside it afterwards.
struct Reading {
    QStringList items;
    QString integrity;
    QStringList beside;
};

const char* const kItems =
    "SELECT Q || ':' || coalesce(substr(A1, 1, 1) || substr(Bild, 1, 1) || length(Bild), '') FROM VOK "
    "ORDER BY rowid";

// Plain SQLite on the file and whatever lies beside it.
Reading bySqlite(const QString& file) {
    Reading r;
    r.items = plainRows(file, kItems);
    r.integrity = plainRows(file, "PRAGMA integrity_check").join(' ');
    r.beside = beside(file);
    return r;
}

// The files a program killed in the middle of `sql` leaves: SQLite's own
// connection with a cache of two pages, so that its changes go into the
// file before its commit; the disk freezes after `writes` writes into the
// file (0: at once, once sql has run).
void killedIn(const QString& file, const QByteArray& sql, int writes) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READWRITE,
                              wktest::FrozenDiskVfs(writes > 0 ? writes : -1)),
              SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, "PRAGMA cache_size=2;" + sql, nullptr, nullptr, nullptr), SQLITE_OK)
        << sqlite3_errmsg(db);
    if (writes == 0) wktest::FrozenDiskVfs(0);
    EXPECT_TRUE(wktest::DiskFrozen()) << "the kill must come before the work is done";
    sqlite3_close(db);
    wktest::FrozenDiskVfs(-1);
}

class Recovery : public SecondProcess {
protected:
    // A vocabulary database of `rows` items, 600 bytes each, made by the
    // program in a folder of its own.
    QString made(const QString& name, int rows = 400) {
        const QString folder = path(name);
        EXPECT_TRUE(QDir().mkpath(folder));
        const QString file = folder + "/kurs.wkd";
        auto db = ws.CreateDatabase(file);
        makeVok(db);
        db->Close();
        const QByteArray sql =
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
            QByteArray::number(rows) +
            ") INSERT INTO VOK (Q, A1, Bild) SELECT 'item ' || i, 'a', printf('%.600c', 'a') FROM n;";
        plain(file, sql.constData());
        return file;
    }
    // A journal another program left beside its own file: a table made
    // first, so that page 1 (with that file's mark) is in it.
    QByteArray foreignJournal(const QString& name, const char* before = nullptr) {
        const QString file = made(name);
        if (before) plain(file, before);
        killedIn(file, "BEGIN; CREATE TABLE x (a); UPDATE VOK SET A1 = 'o' WHERE rowid % 2 = 0; COMMIT;", 6);
        return bytesOf(file + "-journal");
    }
    // The program's reading: its items, read through the layer.
    Reading byLayer(const QString& file, std::optional<dao::JournalSetAside>* aside) {
        Reading r;
        dao::DatabasePtr db;
        try {
            db = ws.OpenDatabase(file);
        } catch (const wk::Error& e) {
            r.integrity = QString("error %1: %2").arg(e.number()).arg(e.description());
            return r;
        }
        *aside = db->SetAside();
        auto rs = db->OpenRecordset("VOK");
        for (long i = 0; i < rs->RecordCount(); ++i) {
            rs->SetAbsolutePosition(i);
            const QString a = rs->Value("A1").toString();
            const QVariant bild = rs->Value("Bild");
            const QString b = bild.toString();
            r.items << rs->Value("Q").toString() + ":" +
                           (a.isEmpty() || bild.isNull() ? QString()
                                                         : a.left(1) + b.left(1) + QString::number(b.size()));
        }
        db->Close();
        r.integrity = plainRows(file, "PRAGMA integrity_check").join(' ');
        r.beside = beside(file);
        return r;
    }
};

TEST_F(Recovery, GivesWhatSqliteGivesUnlessTheFileContradictsTheJournal) {
    enum Expect { AsSqlite, RefusedAsBySqlite, SetAside };
    struct Case {
        const char* name;
        std::function<QString()> make;  // the folder's database, its journal beside it
        Expect expect;
    };
    // This program killed in the middle of changing every item of its file,
    // in a transaction that read first: its pages are in the file already.
    // The files as it left them, and the file once that change was committed.
    struct Midway {
        QString file;
        QByteArray backup, atKill, journal, committed;
        static void at(sqlite3_context* ctx, int, sqlite3_value** argv) {
            auto* m = static_cast<Midway*>(sqlite3_user_data(ctx));
            if (sqlite3_value_int(argv[0]) == 300) {
                // Copied by another process: a copy here would drop the locks.
                QTemporaryDir elsewhere;
                QProcess::execute("cp", {m->file, m->file + "-journal", elsewhere.path()});
                m->atKill = bytesOf(elsewhere.filePath("kurs.wkd"));
                m->journal = bytesOf(elsewhere.filePath("kurs.wkd-journal"));
            }
            sqlite3_result_int(ctx, 1);
        }
    };
    auto ours = [&](const QString& name, bool inTransaction, bool unmarked = false) {
        Midway m{made(name), {}, {}, {}, {}};
        m.backup = bytesOf(m.file);
        if (unmarked) plain(m.file, "PRAGMA user_version = 0;");
        auto db = ws.OpenDatabase(m.file);
        for (int i = 1; i <= 3 && !unmarked; ++i)
            db->Execute(QString("UPDATE VOK SET A1 = 's' WHERE rowid = %1").arg(i));
        sqlite3* connection = db->impl()->use().db;
        // A small cache, as a large change of a large file fills any.
        sqlite3_exec(connection, "PRAGMA cache_size=2", nullptr, nullptr, nullptr);
        sqlite3_create_function(connection, "midway", 1, SQLITE_UTF8, &m, &Midway::at, nullptr, nullptr);
        if (inTransaction) {
            ws.BeginTrans();
            EXPECT_EQ(db->OpenRecordset("VOK")->RecordCount(), 400);
        }
        db->Execute("UPDATE VOK SET Bild = printf('%.600c', 'b') WHERE midway(rowid) = 1");
        if (inTransaction) ws.CommitTrans();
        db->Close();
        m.committed = bytesOf(m.file);
        EXPECT_NE(m.journal.size(), 0);
        return m;
    };
    const Midway inTransaction = ours("ours-transaction", true);
    const Midway inStatement = ours("ours-statement", false);
    // Its first change of a file without a mark, which gives it one.
    const Midway marking = ours("ours-marking", true, true);
    // Put beside a file: a folder of its own with these two.
    int n = 0;
    auto pair = [&](const QByteArray& file, const QByteArray& journal, const char* suffix = "-journal") {
        const QString folder = path(QString("pair%1").arg(n++));
        EXPECT_TRUE(QDir().mkpath(folder));
        put(folder + "/kurs.wkd", file);
        put(folder + "/kurs.wkd" + suffix, journal);
        return folder + "/kurs.wkd";
    };
    // Another program killed before its commit: it changed items in place,
    // so its journal holds no page 1.
    auto otherKilled = [&](const QString& name, const QByteArray& sql, int writes = 1) {
        const QString file = made(name);
        killedIn(file, "BEGIN;" + sql + "COMMIT;", writes);
        return file;
    };
    // The journal of a file that has moved on by `commits` since.
    auto withNewerWork = [&](int commits) {
        const QString file = pair(inTransaction.atKill, inTransaction.journal);
        ws.OpenDatabase(file)->Close();  // replayed
        const QByteArray journal = inTransaction.journal;
        auto db = ws.OpenDatabase(file);
        for (int i = 0; i < commits; ++i)
            db->Execute(QString("UPDATE VOK SET A1 = 'n%1' WHERE rowid <= 50").arg(i));
        db->Close();
        put(file + "-journal", journal);  // restored from a backup
        return file;
    };
    const Case cases[] = {
        {"another program changing items in place, killed before its commit",
         [&] {
             return otherKilled("in-place",
                                "UPDATE VOK SET Bild = printf('%.600c', 'y') WHERE rowid % 4 = 0;");
         },
         AsSqlite},
        {"another program deleting items, killed before its commit",
         [&] { return otherKilled("deletes", "DELETE FROM VOK WHERE rowid % 3 = 0;"); }, AsSqlite},
        {"another page size, killed as its commit wrote page 1",
         [&] {
             const QString file = made("page-size");
             killedIn(file, "PRAGMA page_size=8192; VACUUM;", 1);
             return file;
         },
         AsSqlite},
        {"the journal followed by the start of a record being written",
         [&] {
             const QString file = otherKilled("torn-tail", "UPDATE VOK SET A1 = 'y' WHERE rowid % 2 = 0;");
             QFile j(file + "-journal");
             EXPECT_TRUE(j.open(QIODevice::Append));
             j.write(QByteArray::fromHex("00000007") + QByteArray(1000, 'q'));
             return file;
         },
         AsSqlite},
        {"a journal reached by a link",
         [&] {
             const QString file = otherKilled("linked", "UPDATE VOK SET A1 = 'y' WHERE rowid % 2 = 0;");
             EXPECT_TRUE(QFile::rename(file + "-journal", file + ".saved"));
             EXPECT_EQ(::symlink("kurs.wkd.saved", QFile::encodeName(file + "-journal").constData()), 0);
             return file;
         },
         RefusedAsBySqlite},
        {"a write-ahead file with committed work in its journal",
         [&] {
             const QString file = made("wal-committed");
             plain(file, "PRAGMA journal_mode=WAL;");
             killedIn(file, "PRAGMA wal_autocheckpoint=0; UPDATE VOK SET A1 = 'w' WHERE rowid <= 100;", 0);
             return file;
         },
         AsSqlite},
        {"a write-ahead file whose checkpoint was cut short",
         [&] {
             const QString file = made("wal-checkpoint", 200);
             plain(file, "PRAGMA journal_mode=WAL;");
             killedIn(file,
                      "PRAGMA wal_autocheckpoint=0; DELETE FROM VOK WHERE rowid % 2 = 0;"
                      "INSERT INTO VOK (Q, A1) SELECT 'more ' || rowid, 'm' FROM VOK;",
                      0);
             killedIn(file, "PRAGMA wal_checkpoint;", 5);
             return file;
         },
         AsSqlite},
        {"this program killed in a transaction",
         [&] { return pair(inTransaction.atKill, inTransaction.journal); }, AsSqlite},
        {"this program killed in one statement",
         [&] { return pair(inStatement.atKill, inStatement.journal); }, AsSqlite},
        {"this program killed as its commit wrote page 1",
         [&] {
             QByteArray file = inTransaction.atKill;
             file.replace(0, 4096, inTransaction.committed.left(4096));
             return pair(file, inTransaction.journal);
         },
         AsSqlite},
        {"this program killed as the commit that gave the file its mark wrote page 1",
         [&] {
             QByteArray file = marking.atKill;
             file.replace(0, 4096, marking.committed.left(4096));
             return pair(file, marking.journal);
         },
         AsSqlite},
        {"this program's replacement of the file killed as it wrote page 1",
         [&] {
             const QString file = made("replaced");
             const QString built = QFileInfo(file).path() + "/built.wkd";
             auto db = ws.CreateDatabase(built);
             makeVok(db);
             addItem(db->OpenRecordset("VOK"), "new");
             db->Close();
             // Its own connections are SQLite's, through SQLite's default VFS.
             sqlite3_vfs_register(sqlite3_vfs_find(wktest::FrozenDiskVfs(1, "/kurs.wkd")), 1);
             dao::ReplaceFile(built, file);
             sqlite3_vfs_register(sqlite3_vfs_find("unix"), 1);
             EXPECT_TRUE(wktest::DiskFrozen());
             wktest::FrozenDiskVfs(-1);
             return file;
         },
         AsSqlite},
        {"an old journal exactly one commit behind the file", [&] { return withNewerWork(1); }, AsSqlite},
        {"an old journal beside newer work", [&] { return withNewerWork(3); }, SetAside},
        {"a crash journal beside a restored older backup",
         [&] { return pair(inTransaction.backup, inTransaction.journal); }, SetAside},
        {"a journal of another file whose record of page 1 is torn",
         [&] {
             QByteArray journal = foreignJournal("torn");
             journal[512 + 4 + 4096 - 200] =
                 char(journal[512 + 4 + 4096 - 200] ^ 0x5a);  // counted by its sum
             const QString file = made("torn-ours");
             put(file + "-journal", journal);
             return file;
         },
         AsSqlite},
        {"a journal of another file, both marked, the counters alike",
         [&] {
             const QString file = made("alike");
             plain(file, "UPDATE VOK SET A1 = 'm';");
             put(file + "-journal", foreignJournal("alike-other", "UPDATE VOK SET A1 = 'z';"));
             return file;
         },
         SetAside},
        {"a journal of another file one commit behind it",
         [&] {
             const QString file = made("ahead");
             plain(file, "UPDATE VOK SET A1 = 'h'; UPDATE VOK SET A1 = 'i';");
             put(file + "-journal", foreignJournal("behind-other", "UPDATE VOK SET A1 = 'z';"));
             return file;
         },
         SetAside},
        {"a journal of another file many commits behind",
         [&] { return pair(inTransaction.committed, foreignJournal("other-marked")); }, SetAside},
        {"a journal of an unmarked file beside a marked one, the counters alike",
         [&] {
             const QString file = made("unmarked");
             plain(file, "PRAGMA user_version = 0; UPDATE VOK SET A1 = 'u';");
             const QString ours = made("marked");
             plain(ours, "PRAGMA user_version = 123456; UPDATE VOK SET A1 = 'k';");  // as many commits
             killedIn(file, "BEGIN; CREATE TABLE x (a); UPDATE VOK SET A1 = 'o' WHERE rowid % 2 = 0; COMMIT;",
                      6);
             put(ours + "-journal", bytesOf(file + "-journal"));
             return ours;
         },
         SetAside},
        {"a write-ahead journal without a frame beside a file kept with the rollback journal",
         [&] {
             const QString file = made("wal-empty");
             put(file + "-wal", wktest::JournalWithFrames().left(32));
             put(file + "-shm", QByteArray(32768, '\0'));
             return file;
         },
         AsSqlite},
        {"a journal of another file in another page size",
         [&] {
             const QString file = made("page-size-other");
             put(file + "-journal", foreignJournal("page-size-foreign", "PRAGMA page_size=8192; VACUUM;"));
             return file;
         },
         SetAside},
        {"a write-ahead journal beside a file kept with the rollback journal",
         [&] {
             const QString file = made("wal-foreign");
             put(file + "-wal", wktest::JournalWithFrames());
             put(file + "-shm", QByteArray(32768, '\0'));
             return file;
         },
         SetAside},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = c.make();
        const QString journal = QFile::exists(file + "-wal") ? file + "-wal" : file + "-journal";
        ASSERT_TRUE(QFileInfo(journal).exists() || QFileInfo(journal).isSymLink());
        // Plain SQLite on a copy of the same files, and on a copy of the file
        // alone.
        const QString copy = path(QString("sqlite%1").arg(n++));
        const QString alone = copy + "-alone";
        ASSERT_EQ(QProcess::execute("cp", {"-a", QFileInfo(file).path(), copy}), 0);
        ASSERT_TRUE(QDir().mkpath(alone));
        ASSERT_TRUE(QFile::copy(file, alone + "/kurs.wkd"));
        const Reading sqlite = bySqlite(copy + "/kurs.wkd");
        const Reading fileAlone = bySqlite(alone + "/kurs.wkd");
        const QByteArray journalBytes = bytesOf(journal);
        const QByteArray fileBytes = bytesOf(file);

        std::optional<dao::JournalSetAside> aside;
        const Reading ours = byLayer(file, &aside);
        if (c.expect == RefusedAsBySqlite) {
            EXPECT_EQ(sqlite.integrity, "unable to open database file");
            EXPECT_TRUE(ours.integrity.startsWith("error 3051: ")) << ours.integrity.toStdString();
            EXPECT_TRUE(ours.integrity.contains("is a link")) << ours.integrity.toStdString();
            EXPECT_EQ(bytesOf(file), fileBytes);
            EXPECT_EQ(bytesOf(journal), journalBytes);
        } else if (c.expect == AsSqlite) {
            EXPECT_EQ(sqlite.integrity, "ok");
            EXPECT_EQ(ours.items, sqlite.items);
            EXPECT_EQ(ours.integrity, sqlite.integrity);
            EXPECT_EQ(ours.beside, sqlite.beside);
            EXPECT_FALSE(aside.has_value());
        } else {
            // Where SQLite alone would have applied it, to no good.
            EXPECT_TRUE(sqlite.items != fileAlone.items || sqlite.integrity != "ok");
            EXPECT_EQ(ours.items, fileAlone.items);
            EXPECT_EQ(ours.integrity, "ok");
            ASSERT_TRUE(aside.has_value());
            EXPECT_EQ(aside->journal, journal);
            EXPECT_EQ(aside->keptAs, journal + ".set-aside");
            EXPECT_EQ(bytesOf(aside->keptAs), journalBytes);
            EXPECT_EQ(ours.beside, QStringList{QFileInfo(journal).fileName() + ".set-aside"});
        }
    }
}

// Met when a read begins later in the session: set aside under a name no
// one has taken, and told once, from the event loop.
TEST_F(Recovery, AJournalMetLaterIsSetAsideAndToldOnce) {
    std::vector<dao::JournalSetAside> told;
    dao::OnJournalSetAside([&](const dao::JournalSetAside& j) { told.push_back(j); });
    const QString file = made("later");
    auto db = ws.OpenDatabase(file);
    put(file + "-journal.set-aside", "someone's");
    const QByteArray journal = foreignJournal("foreign");
    put(file + "-journal", journal);
    for (int i = 0; i < 3; ++i) {
        dao::NewAction();
        EXPECT_EQ(db->OpenRecordset("VOK")->RecordCount(), 400);
        QCoreApplication::processEvents();
    }
    db->Close();
    dao::OnJournalSetAside({});
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].database, file);
    EXPECT_EQ(told[0].keptAs, file + "-journal.set-aside.2");
    EXPECT_EQ(bytesOf(told[0].keptAs), journal);
    EXPECT_EQ(bytesOf(file + "-journal.set-aside"), "someone's");
    EXPECT_FALSE(QFile::exists(file + "-journal"));
}

// A journal that cannot be set aside (every name taken, or the name too
// long for another) is neither deleted nor written over: the file is read
// as it is, and no change is saved while the journal lies there.
TEST_F(Recovery, AJournalThatCannotBeSetAsideIsNeitherDeletedNorWrittenOver) {
    std::vector<dao::JournalSetAside> told;
    dao::OnJournalSetAside([&](const dao::JournalSetAside& j) { told.push_back(j); });
    const QByteArray journal = foreignJournal("foreign");
    struct Case {
        const char* name;
        QString stem;    // of the file's name
        bool takeNames;  // every set-aside name taken
        bool whileOpen;  // put there while the file is open
    };
    const Case cases[] = {
        {"every name taken, at the opening", "kurs", true, false},
        {"every name taken, while it is open", "kurs", true, true},
        {"a name too long for another one", QString(240, 'k'), false, false},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        told.clear();
        const QString folder = QFileInfo(made(QString("kept%1").arg(n++))).path();
        const QString file = folder + "/" + c.stem + ".wkd";
        if (c.stem != "kurs") {
            ASSERT_TRUE(QFile::rename(folder + "/kurs.wkd", file));
        }
        if (c.takeNames)
            for (int k = 1; k < 1000; ++k)
                put(file + "-journal.set-aside" + (k == 1 ? QString() : "." + QString::number(k)), "taken");
        const QStringList before = beside(file) << QFileInfo(file).fileName() + "-journal";
        const QByteArray fileBytes = bytesOf(file);
        dao::DatabasePtr db;
        if (c.whileOpen) {
            db = ws.OpenDatabase(file);
            put(file + "-journal", journal);
            dao::NewAction();
        } else {
            put(file + "-journal", journal);
            db = ws.OpenDatabase(file);
            ASSERT_TRUE(db->SetAside().has_value());
            EXPECT_EQ(db->SetAside()->keptAs, QString());
        }
        EXPECT_EQ(db->OpenRecordset("VOK")->RecordCount(), 400);
        auto rs = db->OpenRecordset("VOK");
        for (int k = 0; k < 2; ++k) {
            dao::NewAction();
            try {
                addItem(rs, "refused");
                ADD_FAILURE() << "a change was saved";
            } catch (const wk::Error& e) {
                EXPECT_EQ(e.number(), 3051);
                EXPECT_TRUE(e.description().contains("cannot be saved")) << e.description().toStdString();
            }
        }
        QCoreApplication::processEvents();
        db->Close();
        EXPECT_EQ(bytesOf(file + "-journal"), journal);
        EXPECT_EQ(bytesOf(file), fileBytes);
        QStringList now = beside(file);
        EXPECT_EQ(now.size(), before.size());
        ASSERT_EQ(told.size(), c.whileOpen ? 1u : 0u);
        if (c.whileOpen) {
            EXPECT_EQ(told[0].keptAs, QString());
        }
        // Moved away by the user: the file is the program's again.
        ASSERT_TRUE(QFile::rename(file + "-journal", folder + "/moved"));
        db = ws.OpenDatabase(file);
        EXPECT_FALSE(db->SetAside().has_value());
        addItem(db->OpenRecordset("VOK"), "saved");
        EXPECT_EQ(db->OpenRecordset("VOK")->RecordCount(), 401);
        db->Close();
    }
    dao::OnJournalSetAside({});
}

// Every file carries a mark from its first change on, by which a journal
// of another file is told from one of its own; a replacement keeps the
// mark of the file it replaces.
TEST_F(Recovery, EveryFileCarriesAMarkFromItsFirstChange) {
    auto mark = [](const QString& file) {
        return plainRows(file, "PRAGMA user_version").value(0).toLongLong();
    };
    struct Case {
        const char* name;
        std::function<void(const dao::DatabasePtr&)> change;
    };
    const Case cases[] = {
        {"an item added", [&](const dao::DatabasePtr& db) { addItem(db->OpenRecordset("VOK"), "new"); }},
        {"a statement", [&](const dao::DatabasePtr& db) { db->Execute("UPDATE VOK SET A1 = 'x'"); }},
        {"a transaction",
         [&](const dao::DatabasePtr& db) {
             ws.BeginTrans();
             EXPECT_GE(db->OpenRecordset("VOK")->RecordCount(), 400);  // read first
             addItem(db->OpenRecordset("VOK"), "new");
             ws.CommitTrans();
         }},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = made(QString("unmarked%1").arg(n++));
        plain(file, "PRAGMA user_version = 0;");
        auto db = ws.OpenDatabase(file);
        EXPECT_EQ(db->OpenRecordset("VOK")->RecordCount(), 400);
        EXPECT_EQ(mark(file), 0) << "reading alone changes nothing";
        c.change(db);
        const qint64 given = mark(file);
        EXPECT_NE(given, 0);
        c.change(db);
        EXPECT_EQ(mark(file), given);
        db->Close();
    }
    const QString target = made("target");
    const qint64 own = mark(target);
    const QString built = QFileInfo(target).path() + "/built.wkd";
    makeVok(ws.CreateDatabase(built));
    ASSERT_NE(mark(built), own);
    dao::ReplaceFile(built, target);
    EXPECT_EQ(mark(target), own);
}

}  // namespace
