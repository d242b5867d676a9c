// A journal left beside a database file: recovered as plain SQLite recovers a
// copy of the same files, unless the file contradicts the journal; then the
// journal is set aside, the file read as it is, and the user told.
#include "SecondProcessSupport.h"

#include <QtEndian>

#include <fcntl.h>
#include <signal.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "platform/dao/File.h"
#include "platform/dao/UserAction.h"
#include "support/ChildTest.h"
#include "support/FrozenDisk.h"
#include "support/StaleJournal.h"

using namespace daotest;

namespace {

QStringList beside(const QString& file) {
    QStringList names = QDir(QFileInfo(file).path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    names.removeAll(QFileInfo(file).fileName());
    return names;
}

// Plain SQLite's answer to sql on the file: the first column of its rows,
// then its error should it fail.
QStringList plain(const QString& file, const QByteArray& sql) {
    sqlite3* db = nullptr;
    QStringList rows;
    sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    const auto row = [](void* to, int, char** values, char**) {
        static_cast<QStringList*>(to)->append(QString::fromUtf8(values[0]));
        return 0;
    };
    if (sqlite3_exec(db, sql.constData(), row, &rows, nullptr) != SQLITE_OK) rows << sqlite3_errmsg(db);
    sqlite3_close(db);
    return rows;
}
void change(const QString& file, const QByteArray& sql) {
    EXPECT_EQ(plain(file, sql), QStringList()) << sql.constData();
}

// The files a program killed in the middle of `sql` leaves: a cache of two
// pages puts its changes into the file before its commit; the disk freezes
// after `writes` writes into the file (0: once sql has run).
QString killedIn(const QString& file, const QByteArray& sql, int writes = 1) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READWRITE,
                    wktest::FrozenDiskVfs(writes > 0 ? writes : -1));
    EXPECT_EQ(sqlite3_exec(db, "PRAGMA cache_size=2;" + sql, nullptr, nullptr, nullptr), SQLITE_OK)
        << sqlite3_errmsg(db);
    if (writes == 0) wktest::FrozenDiskVfs(0);
    EXPECT_TRUE(wktest::DiskFrozen()) << "the kill must come before the work is done";
    sqlite3_close(db);
    wktest::FrozenDiskVfs(-1);
    return file;
}

// Where a rollback journal holds page 1: its part and its record there, as
// SQLite walks it (parts begin at a sector; a part counts its records); -1
// where it holds none.
std::pair<int, int> pageOneIn(const QByteArray& journal) {
    const auto at = [&](qint64 offset) { return qFromBigEndian<quint32>(journal.constData() + offset); };
    const qint64 sector = at(20), record = qint64(at(24)) + 8;
    qint64 part = 0;
    for (int p = 0; part + sector <= journal.size(); ++p) {
        qint64 offset = part + sector;
        for (quint32 r = 0; r < at(part + 8) && offset + record <= journal.size(); ++r, offset += record)
            if (at(offset) == 1) return {p, int(r)};
        part = (offset + sector - 1) / sector * sector;
    }
    return {-1, -1};
}

// Its items, whether its pages hold together, and what lies beside it.
struct Reading {
    QStringList items;
    QString integrity;
    QStringList beside;
};
Reading reading(const QString& file, const QStringList& items) {
    return {items, plain(file, "PRAGMA integrity_check").join(' '), beside(file)};
}
Reading bySqlite(const QString& file) {
    return reading(file,
                   plain(file,
                         "SELECT Q || ':' || coalesce(A1, '') || ':' || coalesce(substr(Bild, 1, 1), '') || "
                         "length(coalesce(Bild, '')) FROM VOK ORDER BY rowid"));
}

// This program killed in the middle of changing every item of its file: the
// files as it left them, the file before and once the change was committed.
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

class Recovery : public SecondProcess {
protected:
    // A vocabulary database of `rows` items of 600 bytes, in a folder of its own.
    QString made(const QString& name, int rows = 400) {
        const QString file = path(name) + "/kurs.wkd";
        EXPECT_TRUE(QDir().mkpath(path(name)));
        makeVok(ws.CreateDatabase(file));
        change(file,
               "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                   QByteArray::number(rows) +
                   ") INSERT INTO VOK (Q, A1, Bild) SELECT 'item ' || i, 'a', printf('%.600c', 'a') FROM n;");
        return file;
    }
    // A journal another program left beside its own file, page 1 in it.
    QByteArray foreignJournal(const QString& name, const char* before = nullptr) {
        const QString file = made(name);
        if (before) change(file, before);
        return bytesOf(
            killedIn(file, "BEGIN; CREATE TABLE x (a); UPDATE VOK SET A1 = 'o' WHERE rowid % 2 = 0; COMMIT;",
                     6) +
            "-journal");
    }
    // In a transaction that reads first, or in one statement; `unmarked`: the
    // change that gives the file its mark.
    Midway ours(const QString& name, bool inTransaction, bool unmarked = false) {
        Midway m{made(name), {}, {}, {}, {}};
        m.backup = bytesOf(m.file);
        if (unmarked) change(m.file, "PRAGMA user_version = 0;");
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
    }
    Reading byLayer(const QString& file, std::optional<dao::JournalSetAside>* aside) {
        dao::DatabasePtr db;
        try {
            db = ws.OpenDatabase(file);
        } catch (const wk::Error& e) {
            return {{}, QString("error %1: %2").arg(e.number()).arg(e.description()), {}};
        }
        *aside = db->SetAside();
        auto rs = db->OpenRecordset("VOK");
        const QStringList q = column(rs, "Q"), a = column(rs, "A1"), b = column(rs, "Bild");
        QStringList items;
        for (int i = 0; i < q.size(); ++i)
            items << q[i] + ":" + a[i] + ":" + b[i].left(1) + QString::number(b[i].size());
        db->Close();
        return reading(file, items);
    }
    // A folder of its own with the file and the journal.
    QString pair(const QByteArray& file, const QByteArray& journal) {
        const QString folder = path(QString("pair%1").arg(n++));
        EXPECT_TRUE(QDir().mkpath(folder));
        put(folder + "/kurs.wkd", file);
        put(folder + "/kurs.wkd-journal", journal);
        return folder + "/kurs.wkd";
    }
    QString withJournal(const QString& name, const char* sql, const QByteArray& journal,
                        const QString& suffix = "-journal") {
        const QString file = made(name);
        if (sql) change(file, sql);
        put(file + suffix, journal);
        if (suffix == "-wal") put(file + "-shm", QByteArray(32768, '\0'));
        return file;
    }

    // AsSqliteAtTheLimit: as SQLite, whatever it makes of it, where the
    // rule cannot tell (another file's journal one commit behind).
    enum Expect { AsSqlite, AsSqliteAtTheLimit, RefusedAsBySqlite, SetAside };
    // The layer's reading of the file and its journal against plain SQLite's
    // of a copy of the same files, and of a copy of the file alone.
    void recovers(const char* name, const QString& file, Expect expect) {
        SCOPED_TRACE(name);
        const QString journal = QFile::exists(file + "-wal") ? file + "-wal" : file + "-journal";
        ASSERT_TRUE(QFileInfo(journal).exists() || QFileInfo(journal).isSymLink());
        const QString copy = path(QString("sqlite%1").arg(n++));
        ASSERT_EQ(QProcess::execute("cp", {"-a", QFileInfo(file).path(), copy}), 0);
        ASSERT_TRUE(QDir().mkpath(copy + "-alone"));
        ASSERT_TRUE(QFile::copy(file, copy + "-alone/kurs.wkd"));
        const Reading sqlite = bySqlite(copy + "/kurs.wkd");
        const Reading fileAlone = bySqlite(copy + "-alone/kurs.wkd");
        const QByteArray journalBytes = bytesOf(journal), fileBytes = bytesOf(file);

        std::optional<dao::JournalSetAside> aside;
        const Reading ours = byLayer(file, &aside);
        if (expect == RefusedAsBySqlite) {
            EXPECT_EQ(sqlite.integrity, "unable to open database file");
            EXPECT_TRUE(ours.integrity.startsWith("error 3051: ") && ours.integrity.contains("is a link"))
                << ours.integrity.toStdString();
            EXPECT_EQ(bytesOf(file), fileBytes);
            EXPECT_EQ(bytesOf(journal), journalBytes);
        } else if (expect == AsSqlite || expect == AsSqliteAtTheLimit) {
            if (expect == AsSqlite) {
                EXPECT_EQ(sqlite.integrity, "ok");
            }
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
    int n = 0;
};

TEST_F(Recovery, GivesWhatSqliteGivesUnlessTheFileContradictsTheJournal) {
    if (qEnvironmentVariableIsSet("WK_SHIM_REFUSE_OFD")) {  // run so by the test after this one
        QFile probe(path("probe"));
        ASSERT_TRUE(probe.open(QIODevice::ReadWrite));
        struct flock fl {};
        fl.l_type = F_WRLCK;
        EXPECT_EQ(::fcntl(probe.handle(), F_OFD_GETLK, &fl), -1) << "the shim is not in place";
    }
    // Another program killed before its commit; changed in place, its journal holds no page 1.
    recovers("another program changing items in place",
             killedIn(made("in-place"),
                      "BEGIN; UPDATE VOK SET Bild = printf('%.600c', 'y') WHERE rowid % 4 = 0; COMMIT;"),
             AsSqlite);
    recovers("another page size, killed as its commit wrote page 1",
             killedIn(made("page-size"), "PRAGMA page_size=8192; VACUUM;"), AsSqlite);
    const QByteArray halves = "BEGIN; UPDATE VOK SET A1 = 'y' WHERE rowid % 2 = 0; COMMIT;";
    QString file = killedIn(made("torn-tail"), halves);
    QFile tail(file + "-journal");
    ASSERT_TRUE(tail.open(QIODevice::Append));
    tail.write(QByteArray::fromHex("00000007") + QByteArray(1000, 'q'));
    tail.close();
    recovers("the journal followed by the start of a record being written", file, AsSqlite);
    file = killedIn(made("linked"), halves);
    ASSERT_TRUE(QFile::rename(file + "-journal", file + ".saved"));
    ASSERT_EQ(::symlink("kurs.wkd.saved", QFile::encodeName(file + "-journal").constData()), 0);
    recovers("a journal reached by a link", file, RefusedAsBySqlite);
    const QByteArray wal = "PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0;";
    recovers("a write-ahead file with committed work in its journal",
             killedIn(made("wal-committed"), wal + "UPDATE VOK SET A1 = 'w' WHERE rowid <= 100;", 0),
             AsSqlite);
    file = killedIn(made("wal-checkpoint", 200),
                    wal +
                        "DELETE FROM VOK WHERE rowid % 2 = 0; INSERT INTO VOK (Q, A1) SELECT 'more ' || "
                        "rowid, 'm' FROM VOK;",
                    0);
    killedIn(file, "PRAGMA wal_checkpoint;", 5);
    recovers("a write-ahead file whose checkpoint was cut short", file, AsSqlite);

    const Midway inTransaction = ours("ours-transaction", true);
    const Midway inStatement = ours("ours-statement", false);
    const Midway marking = ours("ours-marking", true, true);
    recovers("this program killed in a transaction", pair(inTransaction.atKill, inTransaction.journal),
             AsSqlite);
    recovers("this program killed in one statement", pair(inStatement.atKill, inStatement.journal), AsSqlite);
    // Page 1 as the commit wrote it, the rest as the kill left it.
    auto commitWrotePageOne = [&](const Midway& m) {
        return pair(m.committed.left(4096) + m.atKill.mid(4096), m.journal);
    };
    recovers("this program killed as its commit wrote page 1", commitWrotePageOne(inTransaction), AsSqlite);
    recovers("this program killed as the commit that gave the file its mark wrote page 1",
             commitWrotePageOne(marking), AsSqlite);

    file = made("replaced");
    const QString built = QFileInfo(file).path() + "/built.wkd";
    auto db = ws.CreateDatabase(built);
    makeVok(db);
    addItem(db->OpenRecordset("VOK"), "new");
    db->Close();
    // Its own connections go through SQLite's default VFS.
    sqlite3_vfs_register(sqlite3_vfs_find(wktest::FrozenDiskVfs(1, "/kurs.wkd")), 1);
    dao::ReplaceFile(built, file);
    sqlite3_vfs_register(sqlite3_vfs_find("unix"), 1);
    EXPECT_TRUE(wktest::DiskFrozen());
    wktest::FrozenDiskVfs(-1);
    recovers("this program's replacement of the file killed as it wrote page 1", file, AsSqlite);

    // An old journal restored from a backup beside the file, which has moved on since.
    auto newerBy = [&](int commits) {
        file = pair(inTransaction.atKill, inTransaction.journal);
        ws.OpenDatabase(file)->Close();  // replayed
        db = ws.OpenDatabase(file);
        for (int i = 0; i < commits; ++i)
            db->Execute(QString("UPDATE VOK SET A1 = 'n%1' WHERE rowid <= 50").arg(i));
        db->Close();
        put(file + "-journal", inTransaction.journal);
        return file;
    };
    recovers("an old journal exactly one commit behind the file", newerBy(1), AsSqlite);
    recovers("an old journal two commits behind the file", newerBy(2), SetAside);
    recovers("an old journal beside newer work", newerBy(3), SetAside);
    recovers("a crash journal beside a restored older backup",
             pair(inTransaction.backup, inTransaction.journal), SetAside);

    QByteArray torn = foreignJournal("torn");
    torn[512 + 4 + 4096 - 200] = char(torn[512 + 4 + 4096 - 200] ^ 0x5a);  // a byte its checksum counts
    recovers("a journal of another file whose record of page 1 is torn",
             withJournal("torn-ours", nullptr, torn), AsSqlite);
    recovers("a journal of another file, both marked, the counters alike",
             withJournal("alike", "UPDATE VOK SET A1 = 'm';",
                         foreignJournal("alike-other", "UPDATE VOK SET A1 = 'z';")),
             SetAside);
    recovers("a journal of another file one commit behind it",
             withJournal("ahead", "UPDATE VOK SET A1 = 'h'; UPDATE VOK SET A1 = 'i';",
                         foreignJournal("behind-other", "UPDATE VOK SET A1 = 'z';")),
             AsSqliteAtTheLimit);
    recovers("a journal of another file many commits behind",
             pair(inTransaction.committed, foreignJournal("other-marked")), SetAside);
    recovers("a journal of an unmarked file beside a marked one, the counters alike",
             withJournal("marked", "PRAGMA user_version = 123456; UPDATE VOK SET A1 = 'k';",
                         foreignJournal("unmarked", "PRAGMA user_version = 0; UPDATE VOK SET A1 = 'u';")),
             SetAside);
    recovers("a journal of another file in another page size",
             withJournal("page-size-ours", nullptr,
                         foreignJournal("page-size-other", "PRAGMA page_size=8192; VACUUM;")),
             SetAside);
    // Another program's transaction that changed the file's mark, killed
    // as it wrote page 1 with the new one: its own crash, whatever the marks.
    file = killedIn(made("new-mark"), "BEGIN; PRAGMA user_version = 77; COMMIT;");
    ASSERT_EQ(qFromBigEndian<quint32>(bytesOf(file).constData() + 60), 77u);
    recovers("another program killed as it wrote page 1 with a new mark", file, AsSqlite);

    // Both files given their marks by this program, at their first change.
    auto markedHere = [&](const QString& name, const QString& answer) {
        const QString f = made(name);
        change(f, "PRAGMA user_version = 0;");
        auto here = ws.OpenDatabase(f);
        here->Execute("UPDATE VOK SET A1 = ?", {answer});
        here->Close();
        return f;
    };
    file = markedHere("marked-here", "l");
    const QString markedThere = markedHere("marked-here-other", "q");
    ASSERT_EQ(bytesOf(file).mid(24, 4), bytesOf(markedThere).mid(24, 4));
    killedIn(markedThere, "BEGIN; CREATE TABLE x (a); UPDATE VOK SET A1 = 'o' WHERE rowid % 2 = 0; COMMIT;",
             6);
    put(file + "-journal", bytesOf(markedThere + "-journal"));
    recovers("a journal of another file, both marked here, the counters alike", file, SetAside);

    // Page 1 where the walk must find it: after other records, and in a
    // later part of a journal of several.
    const struct {
        const char* name;
        QByteArray sql;
        int writes;
        bool laterPart;
    } late[] = {
        {"a journal of another file, its page 1 after other records",
         "PRAGMA cache_size=100; BEGIN; UPDATE VOK SET A1 = 'o' WHERE rowid = 3; CREATE TABLE x (a); COMMIT;",
         1, false},
        {"a journal of another file, its page 1 in a later part",
         "PRAGMA cache_size=20; BEGIN; UPDATE VOK SET A1 = 'o' WHERE rowid <= 200; CREATE TABLE x (a); "
         "UPDATE VOK SET A1 = 'p' WHERE rowid > 200;",
         0, true},
    };
    for (const auto& l : late) {
        const QByteArray journal = bytesOf(killedIn(made(l.name), l.sql, l.writes) + "-journal");
        const std::pair<int, int> at = pageOneIn(journal);
        ASSERT_TRUE(l.laterPart ? at.first > 0 : at.first == 0 && at.second > 0)
            << l.name << ": part " << at.first << ", record " << at.second;
        recovers(l.name, pair(inTransaction.committed, journal), SetAside);
    }

    recovers("a write-ahead journal without a frame beside a file kept with the rollback journal",
             withJournal("wal-empty", nullptr, wktest::JournalWithFrames().left(32), "-wal"), AsSqlite);
    recovers("a write-ahead journal beside a file kept with the rollback journal",
             withJournal("wal-foreign", nullptr, wktest::JournalWithFrames(), "-wal"), SetAside);
}

// The table above again where the system refuses locks of the open file
// description: the guard still judges, by the lock it saw SQLite take.
TEST_F(Recovery, AJournalIsJudgedWhereTheSystemRefusesOfdLocks) {
    QProcess child;
    wktest::StartChildTest(child, "Recovery.GivesWhatSqliteGivesUnlessTheFileContradictsTheJournal",
                           "WK_SHIM_REFUSE_OFD", "1", true);
    ASSERT_TRUE(child.waitForFinished(120000));
    const QString out = QString::fromUtf8(child.readAllStandardOutput() + child.readAllStandardError());
    EXPECT_TRUE(child.exitCode() == 0 && out.contains("[  PASSED  ] 1 test")) << out.toStdString();
}

// The child side of the test below: opens the file as the program does,
// and tells how many items of the transaction that was never committed it
// reads.
TEST_F(Recovery, DISABLED_ChildOpensAndReads) {
    const QString file = qEnvironmentVariable("WK_RECOVERED_FILE");
    if (file.isEmpty()) GTEST_SKIP() << "child of the test below only";
    auto db = ws.OpenDatabase(file);
    auto rs = db->OpenRecordset("SELECT count(*) AS n FROM VOK WHERE A1 = 'uncommitted'");
    std::printf("read %d\n", rs->Value("n").toInt());
    db->Close();
}

// Another program reads and writes at each moment of this program's
// recovery, timed by the locks this program holds on the file: it never
// reads a transaction that was not committed, nor keeps one, which is what
// SQLite alone makes of a copy.
TEST_F(Recovery, AnotherProgramAtEachMomentOfTheRecoveryNeverSeesHalfATransaction) {
    // Killed midway through changing every item: a journal of some 26 MB.
    const QString file = made("live", 40000);
    killedIn(file, "PRAGMA cache_size=500; PRAGMA synchronous=OFF; BEGIN; UPDATE VOK SET A1 = 'uncommitted';",
             0);
    const QString copy = path("live-copy");
    ASSERT_EQ(QProcess::execute("cp", {"-a", QFileInfo(file).path(), copy}), 0);
    const QByteArray uncommitted = "SELECT count(*) FROM VOK WHERE A1 = 'uncommitted'";
    EXPECT_EQ(plain(copy + "/kurs.wkd", uncommitted), QStringList{"0"});

    // The other program does not wait for a lock: it reads or writes now, or not at all.
    const auto now = [&](const QString& sql) {
        QProcess p;
        p.start("sqlite3", {"-cmd", ".timeout 0", file, sql});
        EXPECT_TRUE(p.waitForFinished(30000));
        return p.exitCode() == 0 ? QString::fromUtf8(p.readAllStandardOutput()).trimmed()
                                 : QString("refused");
    };
    QProcess child;
    wktest::StartChildTest(child, "Recovery.DISABLED_ChildOpensAndReads", "WK_RECOVERED_FILE", file);
    ASSERT_TRUE(child.waitForStarted());
    const QByteArray pid = QByteArray::number(child.processId());
    const QByteArray ino = ":" + QByteArray::number(quint64(inode(file)));
    QSet<QByteArray> moments;
    QStringList read;
    int written = 0;
    while (!child.waitForFinished(1)) {
        QFile locks("/proc/locks");
        if (!locks.open(QIODevice::ReadOnly)) break;
        QByteArrayList held;
        for (const QByteArray& line : locks.readAll().split('\n')) {
            // "1: POSIX ADVISORY READ pid maj:min:inode start end"
            const QList<QByteArray> f = line.simplified().split(' ');
            if (f.size() >= 8 && f[1] == "POSIX" && f[4] == pid && f[5].endsWith(ino))
                held << f[3] + " " + f[6] + "-" + f[7];
        }
        std::sort(held.begin(), held.end());
        const QByteArray moment = held.join(", ");
        if (held.isEmpty() || moments.contains(moment)) continue;
        moments << moment;
        ::kill(pid_t(child.processId()), SIGSTOP);
        read << now(uncommitted + ";");
        if (now("INSERT INTO VOK (Q) VALUES ('other');") != "refused") ++written;
        ::kill(pid_t(child.processId()), SIGCONT);
    }
    EXPECT_EQ(child.exitCode(), 0);
    EXPECT_TRUE(QString::fromUtf8(child.readAllStandardOutput()).contains("read 0"));
    EXPECT_TRUE(std::any_of(moments.begin(), moments.end(), [](const QByteArray& m) {
        return m.contains("WRITE");
    })) << "the recovery was not met";
    for (const QString& r : read) EXPECT_TRUE(r == "0" || r == "refused") << r.toStdString();
    EXPECT_EQ(plain(file, uncommitted), QStringList{"0"});
    EXPECT_EQ(plain(file, "SELECT count(*) FROM VOK"), QStringList{QString::number(40000 + written)});
    EXPECT_EQ(plain(file, "PRAGMA integrity_check"), QStringList{"ok"});
}

// A journal met at the opening or at a later read is set aside under a name
// no one has taken and told once; one that cannot be set aside is neither
// deleted nor written over, and no change is saved while it lies there.
TEST_F(Recovery, AJournalIsSetAsideUnderAFreeNameOrKeptWhereItLies) {
    std::vector<dao::JournalSetAside> told;
    dao::OnJournalSetAside([&](const dao::JournalSetAside& j) { told.push_back(j); });
    const QByteArray journal = foreignJournal("foreign");
    const struct {
        const char* name;
        QString stem;        // of the file's name
        int taken;           // set-aside names taken
        bool whileOpen;      // the journal put there while the file is open
        const char* keptAs;  // the name it is set aside under; none: kept where it lies
    } cases[] = {
        {"met later, the first name taken", "kurs", 1, true, "-journal.set-aside.2"},
        {"every name taken, at the opening", "kurs", 999, false, nullptr},
        {"every name taken, while it is open", "kurs", 999, true, nullptr},
        {"a name too long for another one", QString(240, 'k'), 0, false, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        told.clear();
        const QString folder = QFileInfo(made(QString("kept%1").arg(n++))).path();
        const QString file = folder + "/" + c.stem + ".wkd";
        if (c.stem != "kurs") {
            ASSERT_TRUE(QFile::rename(folder + "/kurs.wkd", file));
        }
        for (int k = 1; k <= c.taken; ++k)
            put(file + "-journal.set-aside" + (k == 1 ? QString() : "." + QString::number(k)), "taken");
        const bool kept = !c.keptAs;
        const QString keptAs = kept ? QString() : file + c.keptAs;
        const qsizetype besideBefore = beside(file).size() + 1;
        const QByteArray fileBytes = bytesOf(file);
        if (!c.whileOpen) put(file + "-journal", journal);
        auto db = ws.OpenDatabase(file);
        if (c.whileOpen) put(file + "-journal", journal);
        for (int k = 0; k < 3; ++k) {
            dao::NewAction();
            EXPECT_EQ(db->OpenRecordset("VOK")->RecordCount(), 400);
            QCoreApplication::processEvents();
        }
        ASSERT_EQ(told.size(), c.whileOpen ? 1u : 0u);
        const dao::JournalSetAside aside =
            c.whileOpen ? told[0] : db->SetAside().value_or(dao::JournalSetAside{});
        EXPECT_EQ(aside.database, file);
        EXPECT_EQ(aside.keptAs, keptAs);
        auto rs = db->OpenRecordset("VOK");
        for (int k = 0; k < 2; ++k) {
            dao::NewAction();
            QString refusal;
            try {
                addItem(rs, "new");
            } catch (const wk::Error& e) {
                refusal = QString("%1 %2").arg(e.number()).arg(e.description());
            }
            EXPECT_EQ(refusal.startsWith("3051 ") && refusal.contains("cannot be saved"), kept)
                << refusal.toStdString();
        }
        QCoreApplication::processEvents();
        db->Close();
        EXPECT_EQ(told.size(), c.whileOpen ? 1u : 0u);
        EXPECT_EQ(bytesOf(kept ? file + "-journal" : keptAs), journal);
        EXPECT_EQ(QFile::exists(file + "-journal"), kept);
        if (kept) {
            EXPECT_EQ(bytesOf(file), fileBytes);
        }
        if (c.taken) {
            EXPECT_EQ(bytesOf(file + "-journal.set-aside"), "taken");
        }
        EXPECT_EQ(beside(file).size(), besideBefore);
        // Moved away by the user: the file is the program's again.
        if (kept) {
            ASSERT_TRUE(QFile::rename(file + "-journal", folder + "/moved"));
        }
        db = ws.OpenDatabase(file);
        EXPECT_FALSE(db->SetAside().has_value());
        addItem(db->OpenRecordset("VOK"), "saved");
        EXPECT_EQ(db->OpenRecordset("VOK")->RecordCount(), kept ? 401 : 403);
        db->Close();
    }
    dao::OnJournalSetAside({});
}

// Every file carries a mark from its first change on, by which a journal of
// another file is told from its own; a replacement keeps the replaced one's.
TEST_F(Recovery, EveryFileCarriesAMarkFromItsFirstChange) {
    auto mark = [](const QString& file) { return plain(file, "PRAGMA user_version").value(0).toLongLong(); };
    const struct {
        const char* name;
        std::function<void(const dao::DatabasePtr&)> change;
    } cases[] = {
        {"an item added", [&](const dao::DatabasePtr& db) { addItem(db->OpenRecordset("VOK"), "new"); }},
        {"a statement", [&](const dao::DatabasePtr& db) { db->Execute("UPDATE VOK SET A1 = 'x'"); }},
        {"a transaction that reads first",
         [&](const dao::DatabasePtr& db) {
             ws.BeginTrans();
             EXPECT_GE(db->OpenRecordset("VOK")->RecordCount(), 400);
             addItem(db->OpenRecordset("VOK"), "new");
             ws.CommitTrans();
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = made(QString("unmarked%1").arg(n++));
        change(file, "PRAGMA user_version = 0;");
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
    const QString built = QFileInfo(target).path() + "/built.wkd";
    makeVok(ws.CreateDatabase(built));
    const qint64 own = mark(target);
    ASSERT_NE(mark(built), own);
    dao::ReplaceFile(built, target);
    EXPECT_EQ(mark(target), own);
}

}  // namespace
