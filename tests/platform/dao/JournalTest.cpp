// What lies beside an open database file, and what other programs do to it
// while it is open here: between commits the file stands alone; a copy
// written over it in place is read and written as the new content; a
// journal of a program at work on the file is its own; a file renamed over
// the name is left to its own.
#include "SecondProcessSupport.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>

#include <sqlite3.h>
#include <unistd.h>

#include "platform/dao/File.h"
#include "platform/dao/UserAction.h"

using namespace daotest;

namespace {

// A database file and the rollback journal beside it as a program killed in
// the middle of a transaction leaves them: both copied by another process
// while the transaction is open (a copy here would drop this process's
// locks), then the transaction is taken back.
struct CrashImage {
    QByteArray file;
    QByteArray journal;
};

CrashImage copyBoth(const QString& file) {
    QTemporaryDir elsewhere;
    const QString copy = elsewhere.filePath("copy");
    CrashImage image;
    if (QProcess::execute("cp", {file, copy}) == 0) image.file = bytesOf(copy);
    if (QProcess::execute("cp", {file + "-journal", copy + "-journal"}) == 0)
        image.journal = bytesOf(copy + "-journal");
    return image;
}

// The same through a plain SQLite connection, as another program writes:
// `setup` once, then `change` in a transaction with a cache of two pages,
// so that its pages go into the file before its commit.
CrashImage rawCrashImage(const QString& file, const char* setup, const char* change) {
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open(QFile::encodeName(file).constData(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, setup, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    EXPECT_EQ(sqlite3_exec(db, "PRAGMA cache_size=2; BEGIN;", nullptr, nullptr, nullptr), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, change, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    CrashImage image = copyBoth(file);
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return image;
}

const char* const kRows =
    "PRAGMA page_size=1024; CREATE TABLE t (a, b);"
    "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 400) "
    "INSERT INTO t SELECT i, printf('%.100c', 'x') FROM n;";

class BesideTheFile : public SecondProcess {
protected:
    // A vocabulary database of `rows` items filled by a plain connection,
    // big enough that changing every item goes into the file before the
    // commit.
    QString filled(const QString& name, int rows) {
        freshDb(name)->Close();
        const QString file = path(name);
        sqlite3* db = nullptr;
        EXPECT_EQ(sqlite3_open(QFile::encodeName(file).constData(), &db), SQLITE_OK);
        const QByteArray sql =
            QByteArray("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ") +
            QByteArray::number(rows) +
            ") INSERT INTO VOK (Q, Bild) SELECT 'item ' || i, printf('%.600c', 'a') FROM n;";
        EXPECT_EQ(sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
        return file;
    }
    static long count(const dao::DatabasePtr& db) {
        auto rs = db->OpenRecordset("SELECT count(*) AS n FROM VOK");
        return rs->Value("n").toInt();
    }
    static QStringList entries(const QString& folder) {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    }
    void programAtWork(bool ownWriteBefore);
};

// a. Whatever the program writes, once the call returns nothing of it lies
// beside the file: a copy of the file alone is the database.
TEST_F(BesideTheFile, BetweenCommitsTheFileStandsAlone) {
    auto db = freshDb("kurs.wkd");
    auto rs = db->OpenRecordset("VOK");
    addItem(rs, "first");
    struct Write {
        const char* name;
        std::function<void()> run;
    };
    const Write writes[] = {
        {"an item added", [&] { addItem(rs, "second"); }},
        {"an item changed",
         [&] {
             rs->MoveFirst();
             rs->Edit();
             rs->SetValue("A1", "changed");
             rs->Update();
         }},
        {"a statement", [&] { db->Execute("UPDATE VOK SET T = 'Thema'"); }},
        {"a transaction",
         [&] {
             ws.BeginTrans();
             for (int i = 0; i < 50; ++i) addItem(rs, QString("bulk %1").arg(i));
             ws.CommitTrans();
         }},
        {"a table made", [&] { db->Execute("CREATE TABLE Extra (X TEXT(10))"); }},
        {"a write refused", [&] { EXPECT_EQ(errorOf([&] { addItem(rs, QString(300, 'q')); }), 3163); }},
        {"a transaction taken back",
         [&] {
             ws.BeginTrans();
             addItem(rs, "gone");
             ws.Rollback();
         }},
        {"an item deleted",
         [&] {
             rs->MoveFirst();
             rs->Delete();
         }},
    };
    for (const Write& w : writes) {
        SCOPED_TRACE(w.name);
        w.run();
        EXPECT_EQ(entries(dir.path()), QStringList{"kurs.wkd"});
    }
    EXPECT_EQ(shell(path("kurs.wkd"), "SELECT count(*) FROM VOK;"), "51");
    db->Close();
}

// b. Another program writes a copy over the open file in place (cp, rsync
// --inplace, a backup restored): the next read is the copy's content, and
// later changes go into it. Nothing is damaged, and the two never mix, even
// where SQLite's change counter cannot tell them apart.
TEST_F(BesideTheFile, ACopyWrittenOverTheOpenFileIsReadAndWrittenAsTheNewContent) {
    enum Source { Other, Older, Twin };
    struct Case {
        const char* name;
        Source source;
        bool truncate;              // cp truncates first; rsync --inplace writes over
        bool afterRefusal = false;  // a write of this program refused just before
    };
    const Case cases[] = {{"cp of another database", Other, true},
                          {"another database with the same counter, after a refused write", Twin, true, true},
                          {"rsync --inplace of another database", Other, false},
                          {"an older backup restored", Older, true},
                          {"another database with the same change counter, size and free list", Twin, true}};
    int round = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString name = QString("kurs%1.wkd").arg(round++);
        const QString file = path(name);
        const QString source = path("source-" + name);
        openHolder(name);
        written = 0;
        write(c.source == Older ? 20 : 5);
        long expected = 0;
        if (c.source == Older) {
            ASSERT_EQ(QProcess::execute("cp", {file, source}), 0);
            write(30);  // 50 in the file, 20 in the backup
            expected = 20;
        } else if (c.source == Twin) {
            // Made as the open one was, with other items of the same size.
            freshDb("source-" + name)->Close();
            auto other = ws.OpenDatabase(source);
            auto rs = other->OpenRecordset("VOK");
            for (int i = 0; i < 5; ++i) addItem(rs, QString("twin %1").arg(i));
            other->Close();
            ASSERT_EQ(bytesOf(source).mid(24, 16), bytesOf(file).mid(24, 16));
            expected = 5;
        } else {
            auto other = freshDb("source-" + name);
            auto rs = other->OpenRecordset("VOK");
            ws.BeginTrans();
            for (int i = 0; i < 300; ++i) addItem(rs, QString("copied %1").arg(i), QString(200, 'c'));
            ws.CommitTrans();
            other->Close();
            expected = 300;
        }
        // The cache of the open connection holds pages of the old content,
        // and a set its items as it read them.
        EXPECT_EQ(count(holder), c.source == Older ? 50 : 5);
        const auto kept =
            holder->OpenRecordset("SELECT * FROM VOK ORDER BY Q", dao::dbOpenDynaset, {}, {"Q"});
        EXPECT_EQ(kept->Value("Q").toString(), "item 0");
        if (c.afterRefusal) {
            QProcess other;
            other.start("sqlite3", {file});
            other.write("BEGIN IMMEDIATE; SELECT 'writing';\n");
            ASSERT_TRUE(other.waitForReadyRead(20000));
            ws.BeginTrans();
            EXPECT_EQ(errorOf([&] { addItem(items, "refused"); }), 3260);
            items->CancelUpdate();
            ws.Rollback();
            finish(other, "COMMIT;");
        }
        if (c.truncate) {
            ASSERT_EQ(QProcess::execute("cp", {source, file}), 0);
        } else {
            ASSERT_EQ(QProcess::execute("dd", {"if=" + source, "of=" + file, "conv=notrunc", "status=none"}),
                      0);
            ASSERT_EQ(::truncate(QFile::encodeName(file).constData(), QFileInfo(source).size()), 0);
        }
        dao::NewAction();
        EXPECT_EQ(count(holder), expected);
        if (c.source == Twin) {
            EXPECT_EQ(kept->Value("Q").toString(), "twin 0");
        }
        auto rs = holder->OpenRecordset("VOK");
        addItem(rs, "after the copy");
        holder->Close();
        EXPECT_EQ(shell(file, "PRAGMA integrity_check;"), "ok");
        EXPECT_EQ(countInOtherProcess(file), expected + 1);
        EXPECT_EQ(shell(file, "SELECT count(*) FROM VOK WHERE Q = 'after the copy';"), "1");
        if (c.source == Twin) {
            EXPECT_EQ(shell(file, "SELECT count(*) FROM VOK WHERE Q LIKE 'twin %';"), "5");
        }
    }
}

// A journal of another program at work on the file (it holds SQLite's
// reserved lock) is its own, whatever it holds: it stays where it is while
// this program reads, and that program's commit lands.
// Opened when the journal lies there already, or open here before and
// written (this program's own locks taken and given back).
void BesideTheFile::programAtWork(bool ownWriteBefore) {
    const QString file = filled("kurs.wkd", 200);
    dao::DatabasePtr db;
    if (ownWriteBefore) {
        db = ws.OpenDatabase(file);
        db->Execute("UPDATE VOK SET T = 'mine' WHERE rowid = 1");
    }
    QProcess other;
    other.start("sqlite3", {"-cmd", ".timeout 5000", file});
    ASSERT_TRUE(other.waitForStarted());
    other.write("BEGIN IMMEDIATE; SELECT 'begun';\n");
    ASSERT_TRUE(other.waitForReadyRead(20000));
    // Its journal, as far as anyone can tell from outside: one that is not
    // the file's.
    const QByteArray journal =
        rawCrashImage(path("scratch.db"), kRows, "PRAGMA user_version=0; UPDATE t SET b = 'y';").journal;
    put(file + "-journal", journal);
    dao::NewAction();
    if (!db) db = ws.OpenDatabase(file);
    EXPECT_EQ(count(db), 200);
    EXPECT_FALSE(db->SetAside().has_value());
    EXPECT_EQ(bytesOf(file + "-journal"), journal);
    finish(other, "UPDATE VOK SET T = 'theirs'; COMMIT;");
    dao::NewAction();
    auto rs = db->OpenRecordset("SELECT count(*) AS n FROM VOK WHERE T = 'theirs'");
    EXPECT_EQ(rs->Value("n").toInt(), 200);
    db->Close();
}
TEST_F(BesideTheFile, TheJournalOfAProgramAtWorkIsLeftToIt) {
    programAtWork(false);
}
TEST_F(BesideTheFile, TheJournalOfAProgramAtWorkIsLeftToItWhereThisProgramWroteTheFileBefore) {
    programAtWork(true);
}

// A journal beside a file on a disk that cannot be written: SQLite can
// neither play it back nor read past it, whoever's it is, and says the
// file is read-only. The program names the journal.
TEST_F(BesideTheFile, AJournalBesideAFileThatCannotBeWrittenIsNamed) {
    const QString file = filled("kurs.wkd", 200);
    const CrashImage own = rawCrashImage(file, "", "UPDATE VOK SET A1 = 'half';");
    const CrashImage foreign =
        rawCrashImage(path("scratch.db"), kRows, "PRAGMA user_version=0; UPDATE t SET b = 'y';");
    for (const QByteArray& journal : {own.journal, foreign.journal}) {
        const QString disk = path(QString("ro%1").arg(journal == own.journal));
        ASSERT_TRUE(QDir().mkdir(disk));
        if (QProcess::execute("mount", {"-t", "tmpfs", "tmpfs", disk}))
            GTEST_SKIP() << "no tmpfs of our own here";
        const auto unmount = qScopeGuard([&] { QProcess::execute("umount", {disk}); });
        put(disk + "/kurs.wkd", own.file);
        put(disk + "/kurs.wkd-journal", journal);
        ASSERT_EQ(QProcess::execute("mount", {"-o", "remount,ro", disk}), 0);
        QProcess plain;
        plain.start("sqlite3", {disk + "/kurs.wkd", "SELECT count(*) FROM VOK;"});
        ASSERT_TRUE(plain.waitForFinished(20000));
        EXPECT_TRUE(plain.readAllStandardError().contains("readonly")) << "plain SQLite refuses it so";
        const QString refusal = messageOf([&] { ws.OpenDatabase(disk + "/kurs.wkd", false, true); });
        EXPECT_TRUE(refusal.contains(disk + "/kurs.wkd-journal")) << refusal.toStdString();
        EXPECT_EQ(errorOf([&] { ws.OpenDatabase(disk + "/kurs.wkd", false, true); }), 3051);
        EXPECT_EQ(bytesOf(disk + "/kurs.wkd-journal"), journal);
    }
}

// A file an earlier version left in write-ahead mode changes to the
// rollback journal at its opening, unless another program keeps it in
// that mode: then it is in use.
TEST_F(BesideTheFile, AWriteAheadFileChangesToTheJournalThatLeavesNothingBeside) {
    const QString file = filled("kurs.wkd", 20);
    EXPECT_EQ(shell(file, "PRAGMA journal_mode=WAL;"), "wal");
    // Connected, with a commit in its journal.
    QProcess other;
    other.start("sqlite3", {"-cmd", ".timeout 5000", file});
    ASSERT_TRUE(other.waitForStarted());
    other.write("INSERT INTO VOK (Q) VALUES ('theirs'); SELECT count(*) FROM VOK;\n");
    ASSERT_TRUE(other.waitForReadyRead(20000));
    const QByteArray theirs = bytesOf(file + "-wal");
    ASSERT_GT(theirs.size(), 32);
    EXPECT_EQ(errorOf([&] { ws.OpenDatabase(file); }), 3045);
    EXPECT_EQ(bytesOf(file + "-wal"), theirs);
    finish(other, "SELECT 1;");

    auto db = ws.OpenDatabase(file);
    addItem(db->OpenRecordset("VOK"), "ours");
    EXPECT_EQ(entries(dir.path()), QStringList{"kurs.wkd"});
    EXPECT_EQ(count(db), 22);
    db->Close();
    EXPECT_EQ(shell(file, "PRAGMA journal_mode;"), "delete");
}

// d. Another program renames a new file over the name: it opens that file
// normally whatever this program does meanwhile, nothing of this
// program's lands in it and nothing of its own in the old one, and every
// change here is refused with a message that says why.
TEST_F(BesideTheFile, AFileRenamedOverTheNameIsLeftToItsOwn) {
    struct Case {
        const char* name;
        int changes;
        bool reader;  // another program reads the new file between them
        bool writer;  // another program is changing it while this one reads
    };
    const Case cases[] = {
        {"no change after the rename", 0, false, false},
        {"changes after it", 3, false, false},
        {"a reader between them", 3, true, false},
        {"its writer at work while this one reads", 1, false, true},
    };
    int round = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString name = QString("kurs%1.wkd").arg(round++);
        const QString file = path(name), old = path("old-" + name);
        const QString fresh = filled("new-" + name, 2000);
        openHolder(name);
        written = 0;
        write(5);
        ASSERT_EQ(::link(QFile::encodeName(file).constData(), QFile::encodeName(old).constData()), 0);
        ASSERT_EQ(::rename(QFile::encodeName(fresh).constData(), QFile::encodeName(file).constData()), 0);
        QProcess writer;
        if (c.writer) {
            writer.start("sqlite3", {"-cmd", ".timeout 5000", file});
            ASSERT_TRUE(writer.waitForStarted());
            writer.write("PRAGMA cache_size=2; BEGIN; UPDATE VOK SET T = 'theirs'; SELECT 'begun';\n");
            ASSERT_TRUE(writer.waitForReadyRead(20000));
            ASSERT_TRUE(QFile::exists(file + "-journal"));
            dao::NewAction();
            EXPECT_EQ(count(holder), 5);
            EXPECT_TRUE(QFile::exists(file + "-journal"));
        }
        for (int i = 0; i < c.changes; ++i) {
            const QString refused = messageOf([&] { write(1); });
            EXPECT_TRUE(refused.contains("replaced or moved")) << refused.toStdString();
            // So is the first change of a transaction.
            ws.BeginTrans();
            EXPECT_TRUE(messageOf([&] { write(1); }).contains("replaced or moved"));
            ws.Rollback();
            if (c.reader) {
                EXPECT_EQ(countInOtherProcess(file), 2000);
            }
        }
        if (c.writer) finish(writer, "COMMIT;");
        EXPECT_EQ(errorOf([&] { holder->Close(); }), 0);
        EXPECT_EQ(entries(dir.path()).filter(name + "-"), QStringList());
        for (const auto& [f, n] : {std::pair{file, 2000}, std::pair{old, 5}}) {
            EXPECT_EQ(shell(f, "PRAGMA integrity_check;"), "ok") << f.toStdString();
            EXPECT_EQ(countInOtherProcess(f), n) << f.toStdString();
        }
        EXPECT_EQ(shell(file, "SELECT count(*) FROM VOK WHERE T = 'theirs';"), c.writer ? "2000" : "0");
        auto reopened = ws.OpenDatabase(file);
        EXPECT_EQ(count(reopened), 2000);
        reopened->Close();
    }
}

}  // namespace
