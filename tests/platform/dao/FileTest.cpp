// Files: creating, opening, passwords, locks, damage, compaction, and what
// the stock sqlite3 library sees in them.
#include "DaoTestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>

#include <sqlite3.h>

#include "support/FileSizeLimit.h"
#include "support/StaleJournal.h"
#include "support/StuckPipe.h"

using namespace daotest;

namespace {

const QString kVokPwd = QStringLiteral("abcdef123456");
const QString kUserPwd = QStringLiteral("xyz987654");

class FileTest : public DaoTest {
protected:
    QByteArray bytes(const QString& file) {
        QFile f(file);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    }
    void write(const QString& file, const QByteArray& data) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(data);
    }
    // A closed file with a password and three items.
    QString filledFile(const QString& name = QStringLiteral("items.wkd"), const QString& pwd = kVokPwd) {
        auto db = freshDb(name);
        auto rs = db->OpenRecordset("VOK");
        for (QString q : {"eins", "zwei", "drei"}) addItem(rs, q, q + "-a");
        db->CreateQueryDef("Alles", "SELECT * FROM VOK ORDER BY Q, T");
        if (!pwd.isEmpty()) db->NewPassword("", pwd);
        db->Close();
        return path(name);
    }
};

TEST_F(FileTest, CreateRefusesExistingFileAndMissingFolder) {
    const QString file = filledFile();
    const QByteArray before = bytes(file);
    EXPECT_EQ(errorOf([&] { ws.CreateDatabase(file); }), 3204);
    EXPECT_EQ(bytes(file), before);
    EXPECT_EQ(errorOf([&] { ws.CreateDatabase(path("no/such/dir/x.wkd")); }), 3044);
}

TEST_F(FileTest, OpenReportsMissingFileAndFolder) {
    EXPECT_EQ(errorOf([&] { ws.OpenDatabase(path("missing.wkd")); }), 3024);
    EXPECT_EQ(errorOf([&] { ws.OpenDatabase(path("nodir/missing.wkd")); }), 3044);
    EXPECT_EQ(errorOf([&] { ws.OpenDatabase(QString()); }), 3024);
    EXPECT_FALSE(QFile::exists(path("missing.wkd")));
}

// A pipe named like a database is refused at once; nothing waits for a
// writer that never comes.
TEST_F(FileTest, APipeIsNoDatabaseAndIsNeverWaitedOn) {
    wktest::StuckPipe pipe(path("x.wkd"));
    ASSERT_TRUE(pipe.made());
    EXPECT_EQ(errorOf([&] { ws.OpenDatabase(pipe.path(), false, true, ";pwd=" + kVokPwd); }), 3343);
    EXPECT_EQ(errorOf([&] { ws.OpenDatabase(pipe.path()); }), 3343);
    EXPECT_FALSE(dao::FileInUse(pipe.path()));
    EXPECT_FALSE(pipe.waited());
}

TEST_F(FileTest, PasswordsAreChecked) {
    const QString file = filledFile();
    EXPECT_EQ(errorOf([&] { ws.OpenDatabase(file); }), 3031);
    EXPECT_EQ(errorOf([&] { ws.OpenDatabase(file, false, false, ";pwd=" + kUserPwd); }), 3031);
    EXPECT_EQ(errorOf([&] { ws.OpenDatabase(file, false, false, ";pwd="); }), 3031);
    EXPECT_EQ(errorOf([&] { ws.OpenDatabase(file, false, false, ";pwd=" + kVokPwd.toUpper()); }), 3031);
    auto db = ws.OpenDatabase(file, false, false, ";pwd=" + kVokPwd);
    EXPECT_EQ(db->OpenRecordset("Alles")->RecordCount(), 3);

    // Changing needs the old password; removing it opens the file to all.
    EXPECT_EQ(errorOf([&] { db->NewPassword("wrong", kUserPwd); }), 3031);
    db->NewPassword(kVokPwd, kUserPwd);
    db->Close();
    EXPECT_EQ(errorOf([&] { ws.OpenDatabase(file, false, false, ";pwd=" + kVokPwd); }), 3031);
    db = ws.OpenDatabase(file, false, false, "MS Access;PWD=" + kUserPwd);
    db->NewPassword(kUserPwd, "");
    db->Close();
    ws.OpenDatabase(file)->Close();
}

TEST_F(FileTest, PasswordIsNotStoredInTheFile) {
    const QString file = filledFile();
    EXPECT_FALSE(bytes(file).contains(kVokPwd.toUtf8()));
}

TEST_F(FileTest, ExclusiveOpenLocksOthersOut) {
    const QString file = filledFile("lock.wkd", {});
    {
        auto shared = ws.OpenDatabase(file);
        auto second = ws.OpenDatabase(file);  // shared opens coexist
        EXPECT_EQ(errorOf([&] { ws.OpenDatabase(file, true); }), 3051);
    }
    {
        auto exclusive = ws.OpenDatabase(file, true);
        dao::Workspace other;
        EXPECT_EQ(errorOf([&] { other.OpenDatabase(file); }), 3051);
    }
    ws.OpenDatabase(file, true)->Close();  // free again once closed
}

TEST_F(FileTest, FileHeldByAnotherProgramIsRefused) {
    const QString file = filledFile("held.wkd", {});
    QProcess holder;
    holder.start("flock", {"--no-fork", "-x", file, "sleep", "20"});
    ASSERT_TRUE(holder.waitForStarted());
    int rc = 0;
    for (int i = 0; i < 50 && rc != 3051; ++i) {
        QThread::msleep(50);
        rc = errorOf([&] { ws.OpenDatabase(file)->Close(); });
    }
    holder.kill();
    holder.waitForFinished();
    EXPECT_EQ(rc, 3051);
    ws.OpenDatabase(file)->Close();
}

TEST_F(FileTest, FileReplacedWhileAnOldRecordsetLivesOpensAnew) {
    const QString file = filledFile("USER.MDB", {});
    auto db = ws.OpenDatabase(file);
    auto stale = db->OpenRecordset("VOK");  // keeps the old connection alive
    db.reset();
    ASSERT_TRUE(QFile::remove(file));
    auto fresh = ws.CreateDatabase(file);
    makeVok(fresh, "Benutzer");
    fresh->Close();
    auto reopened = ws.OpenDatabase(file);
    EXPECT_TRUE(reopened->HasTable("Benutzer"));
    EXPECT_FALSE(reopened->HasTable("VOK"));
    EXPECT_EQ(stale->RecordCount(), 3);
}

TEST_F(FileTest, ForeignAndDamagedFilesGiveEngineErrors) {
    write(path("text.wkd"), "this is not a database\n");
    EXPECT_EQ(errorOf([&] { ws.OpenDatabase(path("text.wkd")); }), 3343);
    write(path("empty.wkd"), {});
    EXPECT_EQ(errorOf([&] { ws.OpenDatabase(path("empty.wkd")); }), 3343);

    // A valid SQLite file that the layer did not make.
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path("foreign.db")).constData(), &raw), SQLITE_OK);
    sqlite3_exec(raw, "CREATE TABLE x (a); INSERT INTO x VALUES (1);", nullptr, nullptr, nullptr);
    sqlite3_close(raw);
    const QByteArray foreign = bytes(path("foreign.db"));
    EXPECT_EQ(errorOf([&] { ws.OpenDatabase(path("foreign.db")); }), 3343);
    EXPECT_EQ(bytes(path("foreign.db")), foreign);

    // Our file with its pages overwritten after the header.
    const QString file = filledFile("damaged.wkd", {});
    QByteArray data = bytes(file);
    ASSERT_GT(data.size(), 4096);
    for (qsizetype i = 100; i < data.size(); ++i) data[i] = char(0xA5 ^ (i * 7));
    write(file, data);
    const int rc = errorOf([&] {
        auto db = ws.OpenDatabase(file);
        auto rs = db->OpenRecordset("VOK");
        rs->MoveLast();
    });
    EXPECT_EQ(rc, 3049);

    // Only the data pages damaged: the catalogue opens, the rows do not.
    const QString second = filledFile("damaged2.wkd", {});
    data = bytes(second);
    {
        auto db = ws.OpenDatabase(second);
        db->Close();
    }
    const qsizetype page = 4096;
    ASSERT_GT(data.size(), 3 * page);
    for (qsizetype i = data.size() - page; i < data.size(); ++i) data[i] = char(0x5A ^ (i * 13));
    write(second, data);
    const int rc2 = errorOf([&] {
        auto db = ws.OpenDatabase(second);
        auto rs = db->OpenRecordset("SELECT * FROM VOK ORDER BY Q");
        for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) rs->Value("A1");
    });
    EXPECT_EQ(rc2, 3049);
}

TEST_F(FileTest, ClosedDatabaseLeavesOneFile) {
    const QString file = filledFile("one.wkd");
    EXPECT_FALSE(QFile::exists(file + "-wal"));
    EXPECT_FALSE(QFile::exists(file + "-shm"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"one.wkd"}));
}

TEST_F(FileTest, ChangesAreInTheFileWhenUpdateReturns) {
    auto db = freshDb("durable.wkd");
    auto rs = db->OpenRecordset("VOK");
    addItem(rs, "saved");
    // A second, independent connection (as another process would) sees it.
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open_v2(QFile::encodeName(path("durable.wkd")).constData(), &raw, SQLITE_OPEN_READONLY,
                              nullptr),
              SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(raw, "SELECT Q FROM VOK", -1, &st, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)), "saved");
    sqlite3_finalize(st);
    sqlite3_close(raw);
}

TEST_F(FileTest, StockSqliteReadsTheTablesByName) {
    {
        auto db = freshDb("plain.wkd");
        auto rs = db->OpenRecordset("VOK");
        rs->AddNew();
        rs->SetValue("Q", QString::fromUtf8("Äpfel"));
        rs->SetValue("A1", "apples");
        rs->SetValue("Markiert", true);
        rs->SetValue("RA1", 1);
        rs->SetValue("ZuletztGelerntAm", QDateTime(QDate(2026, 12, 7), QTime(14, 3)));
        rs->Update();
        addItem(rs, "Birne", "pear");
        db->NewPassword("", kVokPwd);
        db->Close();
    }
    // No collation or function of ours is installed here.
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open_v2(QFile::encodeName(path("plain.wkd")).constData(), &raw, SQLITE_OPEN_READWRITE,
                              nullptr),
              SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(raw,
                                 "SELECT Q, A1, T, Markiert, RA1, ZuletztGelerntAm, typeof(Q) FROM VOK "
                                 "ORDER BY Q",
                                 -1, &st, nullptr),
              SQLITE_OK)
        << sqlite3_errmsg(raw);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)), "Birne");
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    EXPECT_EQ(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))),
              QString::fromUtf8("Äpfel"));
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)), "apples");
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 2)), "Other");
    EXPECT_EQ(sqlite3_column_int(st, 3), -1);
    EXPECT_EQ(sqlite3_column_int(st, 4), 1);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 5)), "2026-12-07 14:03:00");
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 6)), "text");
    sqlite3_finalize(st);
    // The stock engine finds the file sound and keeps its rules.
    ASSERT_EQ(sqlite3_prepare_v2(raw, "PRAGMA integrity_check", -1, &st, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)), "ok");
    sqlite3_finalize(st);
    EXPECT_NE(sqlite3_exec(raw, "UPDATE VOK SET T = 'this text is far longer than fifty characters, really'",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(raw);
}

TEST_F(FileTest, StockShellListsRowsByColumnName) {
    if (QStandardPaths::findExecutable("sqlite3").isEmpty()) GTEST_SKIP() << "no sqlite3 shell";
    const QString file = filledFile("shell.wkd");
    QProcess shell;
    shell.start("sqlite3", {"-readonly", file, "SELECT Q, A1, T FROM VOK ORDER BY Q;"});
    ASSERT_TRUE(shell.waitForFinished(10000));
    EXPECT_EQ(shell.exitCode(), 0) << shell.readAllStandardError().toStdString();
    EXPECT_EQ(QString::fromUtf8(shell.readAllStandardOutput()),
              "drei|drei-a|Other\neins|eins-a|Other\nzwei|zwei-a|Other\n");
}

TEST_F(FileTest, CompactionCopiesAndKeepsThePassword) {
    const QString file = filledFile();
    {
        // Deleted rows leave free pages behind.
        auto db = ws.OpenDatabase(file, false, false, ";pwd=" + kVokPwd);
        auto rs = db->OpenRecordset("VOK");
        for (int i = 0; i < 300; ++i) {
            rs->AddNew();
            rs->SetValue("Q", QString(200, QChar('x')));
            rs->AppendChunk("Bild", QByteArray(2000, 'p'));
            rs->Update();
        }
        db->Execute("DELETE FROM VOK WHERE Q LIKE 'x*'");
        EXPECT_EQ(db->RecordsAffected(), 300);
        db->Close();
    }
    const QByteArray source = bytes(file);
    const QString target = path("tempdb.$$$");
    ws.CompactDatabase(file, target, dao::dbLangGeneral, dao::dbEncrypt, ";pwd=" + kVokPwd);
    EXPECT_EQ(bytes(file), source);
    EXPECT_LT(QFileInfo(target).size(), QFileInfo(file).size());

    EXPECT_EQ(errorOf([&] { ws.OpenDatabase(target); }), 3031);
    auto db = ws.OpenDatabase(target, false, false, ";pwd=" + kVokPwd);
    auto rs = db->OpenRecordset("Alles");
    EXPECT_EQ(column(rs, "Q"), QStringList({"drei", "eins", "zwei"}));
    EXPECT_EQ(db->GetTableDef("VOK")->GetField("T")->DefaultValue().toString(), "Other");
    db->Close();
}

TEST_F(FileTest, CompactionFailuresTouchNothing) {
    const QString file = filledFile();
    const QByteArray source = bytes(file);
    const QString target = path("tempdb.$$$");
    write(target, "left over");
    EXPECT_EQ(errorOf([&] { ws.CompactDatabase(file, target, dao::dbLangGeneral, 2, ";pwd=" + kVokPwd); }),
              3204);
    EXPECT_EQ(bytes(target), QByteArray("left over"));
    QFile::remove(target);
    EXPECT_EQ(errorOf([&] { ws.CompactDatabase(file, target, dao::dbLangGeneral, 2, ";pwd=wrong"); }), 3031);
    EXPECT_FALSE(QFile::exists(target));
    EXPECT_EQ(errorOf([&] { ws.CompactDatabase(path("gone.wkd"), target); }), 3024);
    EXPECT_EQ(errorOf([&] { ws.CompactDatabase(file, file, dao::dbLangGeneral, 2, ";pwd=" + kVokPwd); }),
              3204);
    EXPECT_EQ(bytes(file), source);
}

TEST_F(FileTest, TransactionsCommitAndRollBack) {
    auto db = freshDb();
    auto rs = db->OpenRecordset("VOK");
    ws.BeginTrans();
    addItem(rs, "kept");
    ws.CommitTrans();
    ws.BeginTrans();
    addItem(rs, "dropped");
    db->Execute("UPDATE VOK SET A1 = 'x'");
    ws.BeginTrans();  // nested
    db->Execute("ALTER TABLE VOK ADD COLUMN Extra TEXT(10)");
    ws.CommitTrans();
    ws.Rollback();
    EXPECT_EQ(ws.TransactionDepth(), 0);
    auto check = db->OpenRecordset("VOK");
    EXPECT_EQ(column(check, "Q"), QStringList({"kept"}));
    EXPECT_TRUE(check->Value("A1").isNull() || !check->Value("A1").isValid());
    EXPECT_FALSE(db->GetTableDef("VOK")->HasField("Extra"));
    EXPECT_EQ(errorOf([&] { ws.CommitTrans(); }), 3034);
    EXPECT_EQ(errorOf([&] { ws.Rollback(); }), 3034);
}

// Users copy, back up and sync the file while the program runs: shortly
// after the last change the file alone holds every saved change, though a
// recordset stays open in the middle of a walk.
TEST_F(FileTest, ShortlyAfterTheLastChangeTheFileAloneHoldsIt) {
    auto db = freshDb("kurs.wkd");
    auto rs = db->OpenRecordset("VOK");
    ws.BeginTrans();  // an import
    for (int i = 0; i < 1186; ++i) addItem(rs, QString("import %1").arg(i));
    ws.CommitTrans();
    for (int i = 0; i < 10; ++i) addItem(rs, QString("typed %1").arg(i));
    auto walk = db->OpenRecordset("SELECT * FROM VOK ORDER BY Q");
    walk->MoveFirst();
    walk->MoveNext();
    const QString file = path("kurs.wkd");
    EXPECT_TRUE(waitFor([&] { return itemsInCopyOf(file) == 1196; })) << itemsInCopyOf(file);

    walk->Delete();
    EXPECT_TRUE(waitFor([&] { return itemsInCopyOf(file) == 1195; })) << itemsInCopyOf(file);
    db->Close();
}

// One file is one connection in this process, whatever the path; each
// handle keeps its own name, password check, read-only flag and recordsets.
TEST_F(FileTest, HandlesOfOneFileShareItButNotTheirRules) {
    const QString file = filledFile("shared.wkd");
    auto writer = ws.OpenDatabase(file, false, false, ";pwd=" + kVokPwd);
    auto mine = writer->OpenRecordset("VOK");
    const QString spelled = dir.path() + "/./shared.wkd";
    EXPECT_EQ(errorOf([&] { ws.OpenDatabase(spelled, false, true, ";pwd=wrong"); }), 3031);
    EXPECT_EQ(errorOf([&] { ws.OpenDatabase(spelled, true, false, ";pwd=" + kVokPwd); }), 3051);
    auto reader = ws.OpenDatabase(spelled, false, true, ";pwd=" + kVokPwd);
    EXPECT_EQ(reader->Name(), spelled);
    EXPECT_EQ(writer->Name(), file);

    auto theirs = reader->OpenRecordset("VOK");
    theirs->MoveFirst();
    EXPECT_EQ(errorOf([&] { theirs->Edit(); }), 3027);
    EXPECT_EQ(errorOf([&] { reader->Execute("DELETE FROM VOK"); }), 3027);
    EXPECT_EQ(errorOf([&] { reader->NewPassword(kVokPwd, ""); }), 3027);
    addItem(mine, "vier");
    theirs->Requery();
    EXPECT_EQ(theirs->RecordCount(), 4);

    reader->Close();
    EXPECT_EQ(errorOf([&] { theirs->MoveFirst(); }), 3420);
    EXPECT_EQ(errorOf([&] { reader->OpenRecordset("VOK"); }), 3420);
    EXPECT_TRUE(writer->IsOpen());
    addItem(mine, "fünf");
    EXPECT_EQ(mine->RecordCount(), 5);
    writer->Close();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"shared.wkd"}));
}

TEST_F(FileTest, AFullDiskIsReportedAsSuchAndNeverAsDamage) {
    const QString file = filledFile();
    const QByteArray before = bytes(file);
    {
        // No room for SQLite's index of the journal.
        wktest::FileSizeLimit full(16 * 1024);
        ASSERT_TRUE(full.ok());
        EXPECT_EQ(errorOf([&] { ws.OpenDatabase(file, false, false, ";pwd=" + kVokPwd); }), 3026);
    }
    EXPECT_EQ(bytes(file), before);
    ws.OpenDatabase(file, false, false, ";pwd=" + kVokPwd)->Close();
}

// A transaction's pages wait in memory for its commit, and the disk fills
// up there. Nothing of it is committed, CommitTrans goes on reporting the
// full disk, and the transaction count stays right for Rollback.
TEST_F(FileTest, AFullDiskInATransactionTakesItBackWhole) {
    auto db = freshDb("full.wkd");
    auto rs = db->OpenRecordset("VOK");
    addItem(rs, "before");
    {
        wktest::FileSizeLimit full(1024 * 1024);
        ASSERT_TRUE(full.ok());
        ws.BeginTrans();
        addItem(rs, "first of the step");
        rs->AddNew();
        rs->SetValue("Q", "picture");
        rs->AppendChunk("Bild", QByteArray(6 * 1024 * 1024, 'p'));
        EXPECT_EQ(errorOf([&] { rs->Update(); }), 0);
        addItem(rs, "after the picture");
        EXPECT_EQ(errorOf([&] { ws.CommitTrans(); }), 3026);
        EXPECT_EQ(ws.TransactionDepth(), 1);
        EXPECT_EQ(errorOf([&] { ws.CommitTrans(); }), 3026);
    }
    ws.Rollback();
    EXPECT_EQ(ws.TransactionDepth(), 0);
    EXPECT_EQ(column(db->OpenRecordset("SELECT Q FROM VOK ORDER BY Q"), "Q"), QStringList{"before"});
    // The disk has room again: a later transaction is the caller's own.
    ws.BeginTrans();
    addItem(rs, "later");
    EXPECT_EQ(errorOf([&] { ws.CommitTrans(); }), 0);
    db->Close();
    db = ws.OpenDatabase(path("full.wkd"));
    EXPECT_EQ(column(db->OpenRecordset("SELECT Q FROM VOK ORDER BY Q"), "Q"),
              QStringList({"before", "later"}));
}

// A disk that is really full says ENOSPC, not the size limit's EFBIG: a
// file system of its own, with no room for SQLite's index of the journal.
TEST_F(FileTest, AFullFileSystemIsReportedAsAFullDisk) {
    const QString file = filledFile();
    const QString small = path("small");
    ASSERT_TRUE(QDir().mkdir(small));
    QProcess mount;
    mount.start("mount",
                {"-t", "tmpfs", "-o", QString("size=%1").arg(QFileInfo(file).size() + 4096), "tmpfs", small});
    if (!mount.waitForFinished() || mount.exitCode() != 0) GTEST_SKIP() << "no tmpfs of our own here";
    struct Unmount {
        QString at;
        ~Unmount() { QProcess::execute("umount", {at}); }
    } unmount{small};
    ASSERT_TRUE(QFile::copy(file, small + "/items.wkd"));
    EXPECT_EQ(errorOf([&] { ws.OpenDatabase(small + "/items.wkd", false, false, ";pwd=" + kVokPwd); }), 3026);
}

// Flipped bytes in the stored password verifier are damage, not a wrong
// password; a wrong password on an intact file stays 3031.
TEST_F(FileTest, DamagedPasswordVerifierIsReportedAsDamage) {
    const QString file = filledFile();
    QByteArray data = bytes(file);
    const QRegularExpressionMatch hex =
        QRegularExpression("[0-9a-f]{64}").match(QString::fromLatin1(data.constData(), data.size()));
    ASSERT_TRUE(hex.hasMatch());
    for (qsizetype i = hex.capturedStart() + 20; i < hex.capturedStart() + 24; ++i) data[i] = char(~data[i]);
    write(file, data);
    EXPECT_EQ(errorOf([&] { ws.OpenDatabase(file, false, false, ";pwd=" + kVokPwd); }), 3049);

    const QString intact = filledFile("intact.wkd");
    EXPECT_EQ(errorOf([&] { ws.OpenDatabase(intact, false, false, ";pwd=" + kUserPwd); }), 3031);
}

// Compaction in place takes along what the journal holds (here rows another
// program committed and left in it), and works for any name a file can
// have with its journal beside it.
TEST_F(FileTest, CompactionInPlaceKeepsTheJournalAndTakesLongNames) {
    const QString name = QString(240, QChar('w')) + ".wkd";
    const QString file = filledFile(name);
    {
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open(QFile::encodeName(file).constData(), &raw), SQLITE_OK);
        sqlite3_exec(raw,
                     "PRAGMA wal_autocheckpoint=0;"
                     "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 500) "
                     "INSERT INTO VOK (Q, Bild) SELECT 'from the journal ' || i, zeroblob(4000) FROM n;"
                     "DELETE FROM VOK WHERE Q LIKE 'from the journal %0';",
                     nullptr, nullptr, nullptr);
        sqlite3_db_config(raw, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
        sqlite3_close(raw);
    }
    ASSERT_GT(QFileInfo(file + "-wal").size(), 1000000);
    const qint64 size = QFileInfo(file).size() + QFileInfo(file + "-wal").size();
    ASSERT_TRUE(dao::CompactInPlace(file, ";pwd=" + kVokPwd));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{name});
    EXPECT_LT(QFileInfo(file).size(), size);
    auto db = ws.OpenDatabase(file, false, false, ";pwd=" + kVokPwd);
    EXPECT_EQ(db->OpenRecordset("VOK")->RecordCount(), 3 + 450);
    db->Close();
}

// A new database over an old name: written into a database that is there
// (whatever its page size, smaller or larger), put in place of anything
// else.
TEST_F(FileTest, ReplacementPutsTheWholeNewDatabaseInPlace) {
    auto makeNew = [&](const QString& name) {
        auto db = ws.CreateDatabase(path(name));
        makeVok(db, "Neu");
        addItem(db->OpenRecordset("Neu"), "new");
        db->NewPassword("", kUserPwd);
        db->Close();
        return path(name);
    };
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path("small.db")).constData(), &raw), SQLITE_OK);
    sqlite3_exec(raw, "PRAGMA page_size=1024; PRAGMA journal_mode=WAL; CREATE TABLE old (a);", nullptr,
                 nullptr, nullptr);
    sqlite3_close(raw);
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path("large.db")).constData(), &raw), SQLITE_OK);
    sqlite3_exec(raw, "PRAGMA page_size=16384; PRAGMA journal_mode=WAL; CREATE TABLE old (a);", nullptr,
                 nullptr, nullptr);
    sqlite3_close(raw);
    write(path("notes.wkd"), "some text, no database\n");
    const QString ours = filledFile("ours.wkd");

    for (const QString& target :
         {path("small.db"), path("large.db"), path("notes.wkd"), ours, path("fresh.wkd")}) {
        SCOPED_TRACE(target.toStdString());
        const QString built = makeNew(".building");
        dao::ReplaceFile(built, target);
        EXPECT_FALSE(QFile::exists(built));
        EXPECT_EQ(errorOf([&] { ws.OpenDatabase(target, false, false, ";pwd=" + kVokPwd); }), 3031);
        auto db = ws.OpenDatabase(target, false, false, ";pwd=" + kUserPwd);
        EXPECT_EQ(column(db->OpenRecordset("Neu"), "Q"), QStringList{"new"});
        EXPECT_FALSE(db->HasTable("VOK"));
        EXPECT_FALSE(db->HasTable("old"));
        db->Close();
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files),
              QStringList({"fresh.wkd", "large.db", "notes.wkd", "ours.wkd", "small.db"}));
}

// A journal left beside a file that nobody has open: one that a crash left
// is the file's and goes into it; one of another database, or of an older
// copy of the file (a restore brought back the file alone), would replace
// the file's content: it is set aside under a name no opener takes, and the
// file opens exactly as it is.
TEST_F(FileTest, ALeftoverJournalGoesOnlyIntoTheFileItBelongsTo) {
    // A session of another connection that ends without writing its
    // journal back, as a killed program leaves it; the journal's bytes.
    auto leaveJournal = [&](const QString& file, const char* sql) {
        sqlite3* raw = nullptr;
        EXPECT_EQ(sqlite3_open(QFile::encodeName(file).constData(), &raw), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(raw, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(raw);
        sqlite3_db_config(raw, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
        sqlite3_close(raw);
        return bytes(file + "-wal");
    };
    const char* addTen =
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 10) "
        "INSERT INTO VOK (Q) SELECT 'after ' || i FROM n;";
    const char* addMany =
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300) "
        "INSERT INTO VOK (Q, A1) SELECT 'after ' || i, printf('%.200c', 'y') FROM n;";
    auto withItems = [&](const QString& name, int n) {
        auto db = freshDb(name);
        ws.BeginTrans();
        auto rs = db->OpenRecordset("VOK");
        for (int i = 0; i < n; ++i) addItem(rs, QString("item %1").arg(i), "answer");
        ws.CommitTrans();
        db->Close();
        return path(name);
    };
    // A journal another program still writes in is its own. One of the
    // same file from before a restore brought back an older or a newer
    // copy of it, or one of another database (its set-aside name taken).
    enum Kind { Crash, InUse, NewerFile, OlderFile, Foreign };
    for (const Kind kind : {Crash, InUse, NewerFile, OlderFile, Foreign}) {
        SCOPED_TRACE(kind);
        const QString file = withItems(QString("kurs%1.wkd").arg(kind), 2000);
        long expected = 2000;
        QByteArray journal;
        const QByteArray backup = bytes(file);
        auto goOn = [&] {
            auto db = ws.OpenDatabase(file);
            db->Execute("DELETE FROM VOK WHERE Q LIKE '*5'");
            auto rs = db->OpenRecordset("VOK");
            ws.BeginTrans();
            for (int i = 0; i < 1000; ++i) addItem(rs, QString("later %1").arg(i), QString(200, 'x'));
            ws.CommitTrans();
            const long n = rs->RecordCount();
            db->Close();
            return n;
        };
        sqlite3* other = nullptr;
        const bool belongs = kind == Crash || kind == InUse;
        if (kind == Crash) {
            leaveJournal(file, addTen);
            expected = 2010;
        } else if (kind == InUse) {
            ASSERT_EQ(sqlite3_open(QFile::encodeName(file).constData(), &other), SQLITE_OK);
            sqlite3_exec(other, "PRAGMA wal_autocheckpoint=0", nullptr, nullptr, nullptr);
            ASSERT_EQ(sqlite3_exec(other, addTen, nullptr, nullptr, nullptr), SQLITE_OK);
            expected = 2010;
        } else if (kind == NewerFile) {
            journal = leaveJournal(file, addTen);
            expected = goOn();
        } else if (kind == OlderFile) {
            goOn();
            journal = leaveJournal(file, addMany);
            write(file, backup);
        } else {
            journal = wktest::JournalWithFrames();
            write(file + "-wal.set-aside", "someone else's");
        }
        const QString aside = file + (kind == Foreign ? "-wal.set-aside.2" : "-wal.set-aside");
        if (!journal.isEmpty()) {
            write(file + "-wal", journal);
            write(file + "-shm", QByteArray(32768, '\0'));
        }
        const QByteArray before = bytes(file);

        dao::DatabasePtr db;
        EXPECT_EQ(errorOf([&] { db = ws.OpenDatabase(file); }), 0);
        if (!db) continue;
        EXPECT_EQ(db->SetAsideJournal(), belongs ? QString() : aside);
        if (!belongs) {
            EXPECT_EQ(bytes(file), before);
            EXPECT_EQ(bytes(aside), journal);
        }
        long items = -1;
        errorOf([&] { items = db->OpenRecordset("VOK")->RecordCount(); });
        EXPECT_EQ(items, expected);
        sqlite3_close(other);
        db->Close();
        if (kind == Foreign) {
            EXPECT_EQ(bytes(file + "-wal.set-aside"), QByteArray("someone else's"));
        }
        EXPECT_FALSE(QFile::exists(file + "-wal"));
    }
}

TEST_F(FileTest, DefaultWorkspaceIsOne) {
    EXPECT_EQ(&dao::DBEngine::Workspaces(0), &dao::DBEngine::DefaultWorkspace());
    EXPECT_EQ(errorOf([] { dao::DBEngine::Workspaces(1); }), 3265);
}

}  // namespace
