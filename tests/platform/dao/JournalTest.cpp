// What lies beside an open database file, and what other programs do to it
// while it is open here: between commits the file stands alone; a copy
// written over it in place is read and written as the new content; a
// journal goes only into the state of the file it was written for; a file
// renamed over the name is left to its own.
#include "SecondProcessSupport.h"

#include <QDir>
#include <QFile>
#include <QtEndian>

#include <sqlite3.h>
#include <unistd.h>

#include "platform/dao/File.h"
#include "platform/dao/LeftoverJournal.h"
#include "platform/dao/UserAction.h"
#include "support/StaleJournal.h"

using namespace daotest;
using dao::detail::JournalVerdict;

namespace {

QByteArray bytesOf(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void put(const QString& file, const QByteArray& data) {
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(data), data.size());
}

quint32 counterOf(const QByteArray& file) {
    return qFromBigEndian<quint32>(reinterpret_cast<const uchar*>(file.constData()) + 24);
}

QByteArray withCounter(QByteArray file, quint32 counter) {
    qToBigEndian(counter, reinterpret_cast<uchar*>(file.data()) + 24);
    return file;
}

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

// A journal is judged by page 1 as it holds it, against the file's.
TEST(JournalVerdict, TheFileMustBeTheStateTheJournalWasWrittenFor) {
    QTemporaryDir dir;
    int n = 0;
    auto image = [&](const char* change) {
        return rawCrashImage(dir.filePath(QString("f%1.db").arg(n++)), kRows, change);
    };
    // Page 1 first (as the layer writes), or only when the change grows
    // the file, or in the second part of the journal (after a first spill
    // without it), or never (changed in place only).
    const CrashImage first = image("PRAGMA user_version=0; UPDATE t SET b = printf('%.100c', 'y');");
    const CrashImage grows = image("INSERT INTO t SELECT a + 400, b FROM t;");
    const CrashImage later = image(
        "UPDATE t SET b = printf('%.100c', 'y') WHERE a <= 200; INSERT INTO t SELECT a + 400, b FROM t;"
        "UPDATE t SET b = printf('%.100c', 'z');");
    const CrashImage inPlace = image("UPDATE t SET b = printf('%.100c', 'y');");
    const CrashImage unsynced = rawCrashImage(
        dir.filePath("u.db"), kRows, "PRAGMA cache_size=2000; UPDATE t SET b = 'short' WHERE a = 1;");
    for (const CrashImage* i : {&first, &grows, &later, &inPlace, &unsynced})
        ASSERT_FALSE(i->file.isEmpty() || i->journal.isEmpty());
    const quint32 c = counterOf(first.file);

    QByteArray torn = first.journal;
    // A byte the checksum of the first record (page 1) counts; the records
    // begin at the journal's sector size.
    const int record = int(qFromBigEndian<quint32>(reinterpret_cast<const uchar*>(torn.constData()) + 20));
    torn[record + 4 + 1024 - 200] = char(torn[record + 4 + 1024 - 200] ^ 0x5a);
    QByteArray foreignSize = first.file;
    foreignSize[16] = 0x10;  // a page size of 4096
    // A damaged file and a journal that agree on pages of 4 bytes, with an
    // intact record of page 1: shorter than the header read from it.
    QByteArray tinyPages = first.file;
    tinyPages[16] = 0;
    tinyPages[17] = 4;
    QByteArray tinyJournal(512 + 12, '\0');
    tinyJournal.replace(0, 8, QByteArray::fromHex("d9d505f920a163d7"));
    tinyJournal.replace(8, 4, QByteArray::fromHex("00000001"));    // one record
    tinyJournal.replace(20, 4, QByteArray::fromHex("00000200"));   // sectors of 512
    tinyJournal.replace(24, 4, QByteArray::fromHex("00000004"));   // pages of 4
    tinyJournal.replace(512, 4, QByteArray::fromHex("00000001"));  // page 1; checksum = seed = 0
    QByteArray otherMark = first.file;
    otherMark[63] = char(otherMark[63] ^ 1);  // the user version

    struct Case {
        const char* name;
        QByteArray file;
        QByteArray journal;
        JournalVerdict verdict;
    };
    const Case cases[] = {
        {"crash before the commit", first.file, first.journal, JournalVerdict::Belongs},
        {"crash while the commit wrote the file", withCounter(first.file, c + 1), first.journal,
         JournalVerdict::Belongs},
        {"file two commits newer", withCounter(first.file, c + 2), first.journal, JournalVerdict::Stray},
        {"file older than the journal", withCounter(first.file, c - 1), first.journal, JournalVerdict::Stray},
        {"page 1 written when the file grew", grows.file, grows.journal, JournalVerdict::Belongs},
        {"page 1 in the second part", later.file, later.journal, JournalVerdict::Belongs},
        {"page 1 in the second part, file newer", withCounter(later.file, counterOf(later.file) + 5),
         later.journal, JournalVerdict::Stray},
        {"no page 1 at all", inPlace.file, inPlace.journal, JournalVerdict::Stray},
        {"page 1 torn", first.file, torn, JournalVerdict::Stray},
        {"another page size", foreignSize, first.journal, JournalVerdict::Stray},
        {"pages shorter than a header", tinyPages, tinyJournal, JournalVerdict::Stray},
        {"another file, the counters alike", otherMark, first.journal, JournalVerdict::Stray},
        {"never synced", unsynced.file, unsynced.journal, JournalVerdict::NotHot},
        {"not a journal", first.file, QByteArray(3000, 'j'), JournalVerdict::Stray},
        {"file shorter than its header", first.file.left(50), first.journal, JournalVerdict::Stray},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        const QString journal = dir.filePath("judged-journal");
        put(journal, k.journal);
        EXPECT_EQ(dao::detail::judgeRollbackJournal(k.file.left(100), QFile::encodeName(journal)), k.verdict);
    }
}

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
// later changes go into it. Nothing is damaged.
TEST_F(BesideTheFile, ACopyWrittenOverTheOpenFileIsReadAndWrittenAsTheNewContent) {
    struct Case {
        const char* name;
        bool older;     // a backup of the same file, not another database
        bool truncate;  // cp truncates first; rsync --inplace writes over
    };
    const Case cases[] = {{"cp of another database", false, true},
                          {"rsync --inplace of another database", false, false},
                          {"an older backup restored", true, true}};
    int round = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString name = QString("kurs%1.wkd").arg(round++);
        const QString file = path(name);
        const QString source = path("source-" + name);
        openHolder(name);
        written = 0;
        write(c.older ? 20 : 5);
        if (c.older) {
            ASSERT_EQ(QProcess::execute("cp", {file, source}), 0);
            write(30);  // 50 in the file, 20 in the backup
        } else {
            auto other = freshDb("source-" + name);
            auto rs = other->OpenRecordset("VOK");
            ws.BeginTrans();
            for (int i = 0; i < 300; ++i) addItem(rs, QString("copied %1").arg(i), QString(200, 'c'));
            ws.CommitTrans();
            other->Close();
        }
        const long expected = c.older ? 20 : 300;
        // The cache of the open connection holds pages of the old content.
        EXPECT_EQ(count(holder), c.older ? 50 : 5);
        if (c.truncate) {
            ASSERT_EQ(QProcess::execute("cp", {source, file}), 0);
        } else {
            ASSERT_EQ(QProcess::execute("dd", {"if=" + source, "of=" + file, "conv=notrunc", "status=none"}),
                      0);
            ASSERT_EQ(::truncate(QFile::encodeName(file).constData(), QFileInfo(source).size()), 0);
        }
        dao::NewAction();
        EXPECT_EQ(count(holder), expected);
        auto rs = holder->OpenRecordset("VOK");
        addItem(rs, "after the copy");
        holder->Close();
        EXPECT_EQ(shell(file, "PRAGMA integrity_check;"), "ok");
        EXPECT_EQ(countInOtherProcess(file), expected + 1);
        EXPECT_EQ(shell(file, "SELECT count(*) FROM VOK WHERE Q = 'after the copy';"), "1");
    }
}

// c. A rollback journal found beside the file is replayed when it was
// written for the file as it is, and set aside (kept, named, the file read
// as it is) when it was not; so is a write-ahead journal, which this
// program never writes. Asked at every read, not only at the opening.
TEST_F(BesideTheFile, ALeftoverJournalGoesOnlyIntoTheStateItWasWrittenFor) {
    // A crash of this program in the middle of changing every item of a
    // large file, in a transaction or in one statement: its pages are in the
    // file already, the journal holds what they were. A table of its own
    // lies in the file too, and a backup taken three changes before.
    struct Midway {
        QString file;
        CrashImage image;
        static void at(sqlite3_context* ctx, int, sqlite3_value** argv) {
            auto* m = static_cast<Midway*>(sqlite3_user_data(ctx));
            if (sqlite3_value_int(argv[0]) == 4000) m->image = copyBoth(m->file);
            sqlite3_result_int(ctx, 1);
        }
    };
    QByteArray backup;
    int extraPage = 0;
    auto crash = [&](const QString& name, bool transaction) {
        Midway midway{filled(name, 5000), {}};
        {
            auto db = ws.OpenDatabase(midway.file);
            db->Execute("CREATE TABLE Extra (X TEXT(10))");
            db->Execute("INSERT INTO Extra (X) VALUES ('x')");
            auto rs = db->OpenRecordset("SELECT rootpage FROM sqlite_schema WHERE name = 'Extra'");
            extraPage = rs->Value("rootpage").toInt();
            backup = bytesOf(midway.file);
            for (int i = 0; i < 3; ++i) db->Execute("UPDATE VOK SET T = 'step' WHERE Q = 'item 1'");
            db->Close();
        }
        auto db = ws.OpenDatabase(midway.file);
        // Called for each row the change goes through: copies the files at
        // row 4000, when most of the change is in the file.
        sqlite3_create_function(db->impl()->use().db, "midway", 1, SQLITE_UTF8, &midway, &Midway::at, nullptr,
                                nullptr);
        if (transaction) {
            // It reads before it writes, as an import does.
            ws.BeginTrans();
            EXPECT_EQ(count(db), 5000);
        }
        db->Execute("UPDATE VOK SET Bild = printf('%.600c', 'b') WHERE midway(rowid) = 1");
        if (transaction) ws.Rollback();
        db->Close();
        return midway.image;
    };
    // The one in a transaction last: its backup and table are the ones kept.
    const CrashImage inStatement = crash("statement.wkd", false);
    const CrashImage inTransaction = crash("ours.wkd", true);
    for (const CrashImage* i : {&inTransaction, &inStatement}) {
        ASSERT_FALSE(i->journal.isEmpty());
        ASSERT_NE(i->journal.at(0), '\0') << "the crash must have written into the file";
    }
    const CrashImage& ours = inTransaction;

    enum Expect { Replayed, SetAside };
    // The file and the rollback journal put beside it; then what happens.
    struct Case {
        const char* name;
        QByteArray file, journal;
        std::function<void(const QString& file)> then;
        Expect expect;
        long items;
    };
    QByteArray flawed = ours.file;
    // A table the change never touched: its page of another kind.
    flawed[(extraPage - 1) * 4096] = '\x7f';
    const auto replayedThen = [&](const std::function<void(const QString&)>& more) {
        return [&, more](const QString& f) {
            ws.OpenDatabase(f)->Close();
            more(f);
        };
    };
    const Case cases[] = {
        {"a crash of this program in a transaction", ours.file, ours.journal, {}, Replayed, 5000},
        {"a crash of this program in one statement",
         inStatement.file,
         inStatement.journal,
         {},
         Replayed,
         5000},
        {"a crash, the file flawed elsewhere already", flawed, ours.journal, {}, Replayed, 5000},
        {"an old journal beside a newer file", ours.file, ours.journal,
         [&](const QString& f) {
             auto db = ws.OpenDatabase(f);  // replayed
             auto rs = db->OpenRecordset("VOK");
             for (int i = 0; i < 7; ++i) addItem(rs, QString("newer %1").arg(i));
             db->Close();
             put(f + "-journal", ours.journal);  // restored from a backup
         },
         SetAside, 5007},
        {"a crash journal beside a restored older backup", backup, ours.journal, {}, SetAside, 5000},
        {"a crash journal of another file",
         bytesOf(filled("other.wkd", 5000)),
         ours.journal,
         {},
         SetAside,
         5000},
        {"a write-ahead journal without a frame", ours.file, ours.journal,
         replayedThen([&](const QString& f) {
             put(f + "-wal", wktest::JournalWithFrames().left(32));
             put(f + "-shm", QByteArray(32768, '\0'));
         }),
         Replayed, 5000},
        {"a write-ahead journal of another program", ours.file, ours.journal,
         replayedThen([&](const QString& f) {
             put(f + "-wal", wktest::JournalWithFrames());
             put(f + "-shm", QByteArray(32768, '\0'));
         }),
         SetAside, 5000},
    };
    int round = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = path(QString("kurs%1.wkd").arg(round++));
        put(file, c.file);
        put(file + "-journal", c.journal);
        if (c.then) c.then(file);
        const QString journal = QFile::exists(file + "-wal") ? file + "-wal" : file + "-journal";
        const QByteArray journalBytes = bytesOf(journal);
        const QByteArray fileBytes = bytesOf(file);
        dao::DatabasePtr db;
        ASSERT_EQ(errorOf([&] { db = ws.OpenDatabase(file); }), 0);
        EXPECT_EQ(db->SetAsideJournal(), c.expect == SetAside ? journal + ".set-aside" : QString());
        EXPECT_EQ(count(db), c.items);
        if (c.expect == SetAside) {
            EXPECT_EQ(bytesOf(journal + ".set-aside"), journalBytes);
            EXPECT_EQ(bytesOf(file), fileBytes);
        } else {
            EXPECT_EQ(shell(file, "SELECT count(*) FROM VOK WHERE Bild LIKE 'b%';"), "0");
        }
        db->Close();
        EXPECT_EQ(
            entries(dir.path()).filter(QFileInfo(file).fileName() + "-"),
            c.expect == SetAside ? QStringList{QFileInfo(journal).fileName() + ".set-aside"} : QStringList());
    }

    // A journal put beside the file while it is open is asked about at the
    // next read; its set-aside name is never one that is taken.
    const QString file = path("open.wkd");
    put(file, bytesOf(filled("open-base.wkd", 4000)));
    auto db = ws.OpenDatabase(file);
    put(file + "-journal.set-aside", "someone's");
    put(file + "-journal", ours.journal);
    EXPECT_EQ(count(db), 4000);
    EXPECT_FALSE(QFile::exists(file + "-journal"));
    EXPECT_EQ(bytesOf(file + "-journal.set-aside.2"), ours.journal);
    EXPECT_EQ(bytesOf(file + "-journal.set-aside"), QByteArray("someone's"));

    // With every set-aside name taken it stays where it is, still not read.
    for (int n = 3; n < 1000; ++n) put(file + "-journal.set-aside." + QString::number(n), "taken");
    put(file + "-journal", ours.journal);
    dao::NewAction();
    EXPECT_EQ(count(db), 4000);
    EXPECT_EQ(bytesOf(file + "-journal"), ours.journal);
    db->Close();
}

// A journal of another program at work on the file (it holds SQLite's
// reserved lock) is its own, whatever it holds: it stays where it is while
// this program reads, and that program's commit lands.
TEST_F(BesideTheFile, TheJournalOfAProgramAtWorkIsLeftToIt) {
    const QString file = filled("kurs.wkd", 200);
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
    auto db = ws.OpenDatabase(file);
    EXPECT_EQ(count(db), 200);
    EXPECT_TRUE(db->SetAsideJournal().isEmpty());
    EXPECT_EQ(bytesOf(file + "-journal"), journal);
    finish(other, "UPDATE VOK SET T = 'theirs'; COMMIT;");
    dao::NewAction();
    auto rs = db->OpenRecordset("SELECT count(*) AS n FROM VOK WHERE T = 'theirs'");
    EXPECT_EQ(rs->Value("n").toInt(), 200);
    db->Close();
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
