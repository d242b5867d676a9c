// Another process on the same file, as the stock sqlite3 shell, a script or
// a second instance of the program in another session would be: what one
// process has acknowledged must never be lost to the other.
#include "DaoTestSupport.h"
#include "platform/dao/UserAction.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/dao/File.h"
#include "platform/forms/FileDialogs.h"

using namespace daotest;

namespace {

class SecondProcess : public DaoTest {
protected:
    void SetUp() override {
        if (QStandardPaths::findExecutable("sqlite3").isEmpty()) GTEST_SKIP() << "no sqlite3 shell";
    }

    // The other process: opens the file, runs sql, closes it and ends.
    static QString shell(const QString& file, const QString& sql) {
        QProcess p;
        p.start("sqlite3", {"-cmd", ".timeout 5000", file, sql});
        EXPECT_TRUE(p.waitForFinished(15000));
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }
    static int countInOtherProcess(const QString& file) {
        return shell(file, "SELECT count(*) FROM VOK;").toInt();
    }

    static ino_t inode(const QString& file) {
        struct stat st {};
        return ::stat(QFile::encodeName(file).constData(), &st) == 0 ? st.st_ino : 0;
    }

    // Whether this process still holds SQLite's shared lock on the file.
    static bool holdsSharedLock(const QString& file) {
        QFile locks("/proc/locks");
        if (!locks.open(QIODevice::ReadOnly)) return false;
        const QByteArray pid = QByteArray::number(qint64(::getpid()));
        const QByteArray ino = ":" + QByteArray::number(quint64(inode(file)));
        for (const QByteArray& line : locks.readAll().split('\n')) {
            const QList<QByteArray> f = line.simplified().split(' ');
            // "1: POSIX ADVISORY READ pid maj:min:inode start end"
            if (f.size() >= 8 && f[1] == "POSIX" && f[4] == pid && f[5].endsWith(ino) && f[6] == "1073741826")
                return true;
        }
        return false;
    }

    dao::DatabasePtr holder;
    dao::RecordsetPtr items;
    int written = 0;

    void openHolder(const QString& name) {
        auto db = freshDb(name);
        db->Close();
        holder = ws.OpenDatabase(path(name));
        items = holder->OpenRecordset("VOK");
    }
    void write(int n) {
        for (int i = 0; i < n; ++i) addItem(items, QString("item %1").arg(written++));
    }

    // The other program: has opened the file, but not read it yet, so it
    // holds no lock that anyone could see.
    static bool startHavingOpened(QProcess& other, const QString& file) {
        other.start("sqlite3", {"-cmd", ".timeout 5000", file});
        if (!other.waitForStarted()) return false;
        const QString target = QFileInfo(file).canonicalFilePath();
        const QString fds = QString("/proc/%1/fd").arg(other.processId());
        return waitFor([&] {
            for (const QString& fd :
                 QDir(fds).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System))
                if (QFileInfo(fds + "/" + fd).symLinkTarget() == target) return true;
            return false;
        });
    }
    // Runs sql in it, then lets it end; its output.
    static QString finish(QProcess& other, const QString& sql) {
        other.write((sql + "\n.quit\n").toUtf8());
        other.closeWriteChannel();
        EXPECT_TRUE(other.waitForFinished(30000));
        EXPECT_EQ(other.exitCode(), 0) << other.readAllStandardError().toStdString();
        return QString::fromUtf8(other.readAllStandardOutput()).trimmed();
    }
    // Removes the journal and its index, as a cleaning tool or a careless
    // user would, without opening anything.
    static void removeJournal(const QString& file) {
        ASSERT_TRUE(QFile::remove(file + "-wal"));
        QFile::remove(file + "-shm");
    }
    static QString messageOf(const std::function<void()>& fn) {
        try {
            fn();
        } catch (const wk::Error& e) {
            return e.description();
        }
        return {};
    }
};

TEST_F(SecondProcess, FileDialogOverTheFolderLeavesTheDatabaseToTheLayer) {
    // A name without a known type: a dialog that sniffed content would read it.
    const QString file = path("kurs.vok");
    openHolder("kurs.vok");
    write(5);
    ASSERT_TRUE(holdsSharedLock(file));

    QFileDialog dlg;
    forms::FileDialog fields;
    fields.InitDir = dir.path();
    fields.Filter = "All files (*.*)|*.*";
    dialogs::prepareFileDialog(dlg, fields, dialogs::Mode::Open);
    dlg.setViewMode(QFileDialog::Detail);
    dlg.show();
    auto* model = dlg.findChild<QFileSystemModel*>();
    ASSERT_NE(model, nullptr);
    QElapsedTimer t;
    t.start();
    QModelIndex entry;
    while (t.elapsed() < 5000) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
        entry = model->index(file);
        // The type column is filled in by the model's own thread.
        if (entry.isValid() && !model->data(entry.siblingAtColumn(2)).toString().isEmpty()) break;
    }
    ASSERT_TRUE(entry.isValid());
    EXPECT_FALSE(model->data(entry.siblingAtColumn(2)).toString().isEmpty());
    QApplication::processEvents(QEventLoop::AllEvents, 200);
    dlg.hide();
    EXPECT_TRUE(holdsSharedLock(file)) << "the dialog dropped the connection's locks";

    // The other process reads and closes: the journal must stay, since this
    // process still uses it.
    const ino_t wal = inode(file + "-wal");
    EXPECT_EQ(countInOtherProcess(file), 5);
    EXPECT_EQ(inode(file + "-wal"), wal);
    write(10);
    // What a killed holder leaves is what the other process finds now.
    EXPECT_EQ(countInOtherProcess(file), 15);
    holder->Close();
    EXPECT_FALSE(QFile::exists(file + "-wal"));
}

TEST_F(SecondProcess, RemovedJournalRefusesTheNextWriteAndLosesNothing) {
    const QString file = path("kurs.wkd");
    openHolder("kurs.wkd");
    write(5);
    // Something in this process opens and closes the file, as careless code
    // would: the connection's locks are gone, and the other process, thinking
    // itself the last user, checkpoints and deletes the journal.
    {
        QFile foreign(file);
        ASSERT_TRUE(foreign.open(QIODevice::ReadOnly));
        foreign.read(16);
    }
    EXPECT_EQ(countInOtherProcess(file), 5);
    ASSERT_FALSE(QFile::exists(file + "-wal"));

    const int refused = errorOf([&] { write(1); });
    EXPECT_EQ(refused, 3043);
    try {
        addItem(items, "refused");
    } catch (const wk::Error& e) {
        ADD_FAILURE() << "a second write was refused too: " << e.description().toStdString();
    }
    // The next write goes into a journal of its own and is durable again.
    write(2);
    EXPECT_EQ(countInOtherProcess(file), 5 + 3);
    EXPECT_EQ(shell(file, "SELECT count(*) FROM VOK WHERE Q = 'item 5';").toInt(), 0);
    // A statement of SQL and a transaction are refused and then work alike.
    {
        QFile foreign(file);
        ASSERT_TRUE(foreign.open(QIODevice::ReadOnly));
    }
    countInOtherProcess(file);
    ws.BeginTrans();
    holder->Execute("DELETE FROM VOK");
    EXPECT_EQ(errorOf([&] { ws.CommitTrans(); }), 3043);
    ws.Rollback();
    EXPECT_EQ(countInOtherProcess(file), 8);
    holder->Execute("DELETE FROM VOK WHERE Q = 'refused'");
    EXPECT_EQ(countInOtherProcess(file), 7);
    holder->Close();
    EXPECT_EQ(countInOtherProcess(file), 7);
}

// A refused commit is rolled back: what a recordset read of its own edit
// inside the transaction must not outlive it.
TEST_F(SecondProcess, ARefusedCommitLeavesNoReadOfTheRolledBackEdit) {
    const QString file = path("kurs.wkd");
    openHolder("kurs.wkd");
    write(3);
    items->MoveFirst();
    ws.BeginTrans();
    items->Edit();
    items->SetValue("Q", "changed");
    items->Update();
    EXPECT_EQ(items->Value("Q").toString(), "changed");
    {
        QFile foreign(file);
        ASSERT_TRUE(foreign.open(QIODevice::ReadOnly));
    }
    countInOtherProcess(file);
    ASSERT_FALSE(QFile::exists(file + "-wal"));
    EXPECT_EQ(errorOf([&] { ws.CommitTrans(); }), 3043);
    EXPECT_EQ(items->Value("Q").toString(), "item 0");
    ws.Rollback();
    EXPECT_EQ(items->Value("Q").toString(), "item 0");
    EXPECT_EQ(shell(file, "SELECT count(*) FROM VOK WHERE Q = 'changed';").toInt(), 0);
}

TEST_F(SecondProcess, CompactionWhileAnotherProcessHoldsTheFileIsSkipped) {
    const QString file = path("kurs.wkd");
    {
        auto db = freshDb("kurs.wkd");
        auto rs = db->OpenRecordset("VOK");
        for (int i = 0; i < 100; ++i) addItem(rs, QString("w%1").arg(i));
        db->Execute("DELETE FROM VOK WHERE Q LIKE 'w5*'");
        db->Close();
    }
    // The other process keeps the file open between its statements.
    QProcess other;
    other.start("sqlite3", {"-cmd", ".timeout 5000", file});
    ASSERT_TRUE(other.waitForStarted());
    other.write("SELECT count(*) FROM VOK;\n");
    ASSERT_TRUE(other.waitForReadyRead(10000));
    EXPECT_EQ(other.readAllStandardOutput().trimmed(), "89");

    const qint64 before = QFileInfo(file).size();
    EXPECT_TRUE(dao::FileInUse(file));
    EXPECT_FALSE(dao::CompactInPlace(file));
    EXPECT_EQ(QFileInfo(file).size(), before);
    EXPECT_TRUE(QFile::exists(file + "-wal"));

    // The holder's writes after the skipped compaction are all there.
    for (int i = 0; i < 10; ++i)
        other.write(QString("INSERT INTO VOK (Q) VALUES ('h%1');\n").arg(i).toUtf8());
    other.write("SELECT count(*) FROM VOK;\n.quit\n");
    other.closeWriteChannel();
    ASSERT_TRUE(other.waitForFinished(10000));
    EXPECT_EQ(other.readAllStandardOutput().trimmed(), "99");
    EXPECT_FALSE(dao::FileInUse(file));
    auto db = ws.OpenDatabase(file);
    EXPECT_EQ(db->OpenRecordset("VOK")->RecordCount(), 99);
    db->Close();

    // Held by another instance of this program (its lock only).
    QProcess instance;
    instance.start("flock", {"--no-fork", "-s", file, "sleep", "20"});
    ASSERT_TRUE(instance.waitForStarted());
    QElapsedTimer t;
    t.start();
    while (!dao::FileInUse(file) && t.elapsed() < 5000) QThread::msleep(20);
    EXPECT_FALSE(dao::CompactInPlace(file));
    instance.kill();
    instance.waitForFinished();

    // Nobody else: compacted, one file left.
    ASSERT_TRUE(dao::CompactInPlace(file));
    for (const char* s : {"-wal", "-shm"}) EXPECT_FALSE(QFile::exists(file + s)) << s;
    EXPECT_EQ(countInOtherProcess(file), 99);
}

// A program that opened the file before the compaction, and writes after
// it, writes into the compacted file: nothing it was told is saved goes.
TEST_F(SecondProcess, CompactionReachesAProgramThatOpenedTheFileBefore) {
    const QString file = path("kurs.wkd");
    {
        auto db = freshDb("kurs.wkd");
        auto rs = db->OpenRecordset("VOK");
        for (int i = 0; i < 400; ++i) addItem(rs, QString("w%1").arg(i), QString(200, 'a'));
        db->Execute("DELETE FROM VOK WHERE Q LIKE 'w1*'");
        db->Close();
    }
    QProcess other;
    ASSERT_TRUE(startHavingOpened(other, file));
    const qint64 size = QFileInfo(file).size();
    ASSERT_TRUE(dao::CompactInPlace(file));
    EXPECT_LT(QFileInfo(file).size(), size);
    EXPECT_EQ(finish(other, "INSERT INTO VOK (Q) VALUES ('late'); SELECT count(*) FROM VOK;"), "290");
    EXPECT_EQ(shell(file, "PRAGMA integrity_check;"), "ok");
    EXPECT_EQ(shell(file, "SELECT count(*) FROM VOK WHERE Q = 'late';"), "1");
    EXPECT_EQ(countInOtherProcess(file), 290);
}

// The same for a new database put over an existing one: the program that
// had the old one open writes into the new content.
TEST_F(SecondProcess, ReplacementReachesAProgramThatOpenedTheFileBefore) {
    const QString file = path("kurs.wkd");
    {
        auto db = freshDb("kurs.wkd");
        auto rs = db->OpenRecordset("VOK");
        for (int i = 0; i < 50; ++i) addItem(rs, QString("old %1").arg(i));
        db->Close();
    }
    freshDb("new.wkd")->Close();
    QProcess other;
    ASSERT_TRUE(startHavingOpened(other, file));
    dao::ReplaceFile(path("new.wkd"), file);
    EXPECT_EQ(finish(other, "INSERT INTO VOK (Q) VALUES ('late'); SELECT count(*) FROM VOK;"), "1");
    EXPECT_FALSE(QFile::exists(path("new.wkd")));
    EXPECT_EQ(shell(file, "PRAGMA integrity_check;"), "ok");
    EXPECT_EQ(shell(file, "SELECT Q FROM VOK;"), "late");
}

// Two handles of one file in this process are one connection: a lost
// journal is mended once, and both write on.
TEST_F(SecondProcess, TwoHandlesOfOneFileWriteOnAfterALostJournal) {
    const QString file = path("kurs.wkd");
    openHolder("kurs.wkd");
    write(5);
    auto second = ws.OpenDatabase(dir.path() + "/./kurs.wkd");
    auto secondItems = second->OpenRecordset("VOK");
    {
        QFile foreign(file);
        ASSERT_TRUE(foreign.open(QIODevice::ReadOnly));
    }
    EXPECT_EQ(countInOtherProcess(file), 5);
    ASSERT_FALSE(QFile::exists(file + "-wal"));
    EXPECT_EQ(errorOf([&] { write(1); }), 3043);

    EXPECT_EQ(errorOf([&] { addItem(secondItems, "through the second"); }), 0);
    EXPECT_EQ(errorOf([&] { second->Execute("UPDATE VOK SET A1 = 'x' WHERE Q = 'item 0'"); }), 0);
    EXPECT_EQ(errorOf([&] { write(2); }), 0);
    EXPECT_EQ(countInOtherProcess(file), 8);
    second->Close();
    EXPECT_EQ(errorOf([&] { write(1); }), 0);
    holder->Close();
    EXPECT_EQ(countInOtherProcess(file), 9);
    EXPECT_EQ(shell(file, "SELECT A1 FROM VOK WHERE Q = 'item 0';"), "x");
}

// A journal removed from outside while it held saved changes: they are
// written back through the journal still open here, and the change being
// made goes into a journal of its own.
TEST_F(SecondProcess, RemovedJournalKeepsWhatWasSaved) {
    const QString file = path("kurs.wkd");
    openHolder("kurs.wkd");
    write(5);
    removeJournal(file);
    EXPECT_EQ(errorOf([&] { write(1); }), 0);
    EXPECT_EQ(countInOtherProcess(file), 6);
    write(2);
    EXPECT_EQ(countInOtherProcess(file), 8);
    EXPECT_EQ(shell(file, "PRAGMA integrity_check;"), "ok");
}

// When another program has begun afresh on the file meanwhile, the old
// journal may not be written back over its work: the message says that
// saved changes may be lost, and the other program's work is whole.
// The same when the program sat idle meanwhile: the next use reports it.
TEST_F(SecondProcess, RemovedJournalThatCannotBeKeptIsReportedAsSuch) {
    for (const bool idle : {false, true}) {
        SCOPED_TRACE(idle);
        const QString file = path(idle ? "idle.wkd" : "kurs.wkd");
        openHolder(QFileInfo(file).fileName());
        write(5);
        removeJournal(file);
        shell(file, "INSERT INTO VOK (Q) VALUES ('other');");
        if (idle) {
            // Long enough for the layer's timer on any machine that is not
            // stalled; the outcome is the same either way.
            QElapsedTimer t;
            t.start();
            while (t.elapsed() < 2500) QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
        }
        const QString refused = messageOf([&] { write(1); });
        EXPECT_TRUE(refused.contains("may be lost")) << refused.toStdString();
        EXPECT_EQ(errorOf([&] { write(1); }), 0);
        holder->Close();
        EXPECT_EQ(shell(file, "PRAGMA integrity_check;"), "ok");
        EXPECT_EQ(shell(file, "SELECT count(*) FROM VOK WHERE Q = 'other';"), "1");
    }
}

// A journal replaced (not only removed) is noticed, and so is the next
// one after the connection started afresh.
TEST_F(SecondProcess, ReplacedJournalIsNoticedEachTime) {
    const QString file = path("kurs.wkd");
    openHolder("kurs.wkd");
    auto replaceJournal = [&] {
        QFile fresh(path("fresh-wal"));
        ASSERT_TRUE(fresh.open(QIODevice::WriteOnly));
        fresh.close();
        ASSERT_EQ(::rename(QFile::encodeName(fresh.fileName()).constData(),
                           QFile::encodeName(file + "-wal").constData()),
                  0);
    };
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        write(3);
        ASSERT_TRUE(waitFor([&] { return itemsInCopyOf(file) == written; }));
        replaceJournal();
        // Everything was saved: the change goes quietly into the journal
        // under the name, where the other program finds it.
        EXPECT_EQ(errorOf([&] { write(1); }), 0);
        EXPECT_EQ(countInOtherProcess(file), written);
    }
    holder->Close();
    EXPECT_EQ(countInOtherProcess(file), 8);
    EXPECT_EQ(shell(file, "PRAGMA integrity_check;"), "ok");
}

// Removed while the program sat idle, before or after the idle checkpoint
// saved everything: the saved changes are in the file, and the next change
// is saved without a fuss.
TEST_F(SecondProcess, JournalRemovedWhileIdleIsMendedQuietly) {
    for (const bool savedFirst : {false, true}) {
        SCOPED_TRACE(savedFirst);
        const QString file = path(savedFirst ? "saved.wkd" : "kurs.wkd");
        openHolder(QFileInfo(file).fileName());
        written = 0;
        write(5);
        if (savedFirst) {
            ASSERT_TRUE(waitFor([&] { return itemsInCopyOf(file) == 5; }));
        }
        removeJournal(file);
        EXPECT_TRUE(waitFor([&] { return itemsInCopyOf(file) == 5; }));
        EXPECT_EQ(errorOf([&] { write(1); }), 0);
        holder->Close();
        EXPECT_EQ(countInOtherProcess(file), 6);
    }
}

// The -shm index removed (by a clean-up tool): another program that comes
// along builds a new one and commits beside this process's journal. Neither
// a change begun afterwards nor one begun before may write over its commit.
TEST_F(SecondProcess, RemovedIndexLosesNoOtherProgramsCommit) {
    for (const bool inTransaction : {false, true}) {
        SCOPED_TRACE(inTransaction);
        const QString file = path(inTransaction ? "trans.wkd" : "kurs.wkd");
        openHolder(QFileInfo(file).fileName());
        written = 0;
        write(5);
        if (inTransaction) {
            ws.BeginTrans();
            write(1);
        }
        ASSERT_TRUE(QFile::remove(file + "-shm"));
        EXPECT_EQ(shell(file, "INSERT INTO VOK (Q) VALUES ('other'); SELECT changes();"), "1");
        if (inTransaction) {
            const QString refused = messageOf([&] { ws.CommitTrans(); });
            EXPECT_TRUE(refused.contains("the change was not saved.")) << refused.toStdString();
            ws.Rollback();
            --written;
        }
        EXPECT_EQ(errorOf([&] { write(3); }), 0);
        holder->Close();
        EXPECT_EQ(shell(file, "SELECT count(*) FROM VOK WHERE Q = 'other';"), "1");
        EXPECT_EQ(countInOtherProcess(file), 9);
        EXPECT_EQ(shell(file, "PRAGMA integrity_check;"), "ok");
    }
}

// A journal lost with saved changes in it, and another program that has
// been at the file meanwhile: Close reports what may be lost, as a write
// would, and the handle is closed all the same.
TEST_F(SecondProcess, ALostJournalIsReportedAtClose) {
    const QString file = path("kurs.wkd");
    openHolder("kurs.wkd");
    write(5);
    removeJournal(file);
    EXPECT_EQ(countInOtherProcess(file), 0);
    const QString reported = messageOf([&] { holder->Close(); });
    EXPECT_TRUE(reported.contains("may be lost")) << reported.toStdString();
    EXPECT_FALSE(holder->IsOpen());
}

// On a file system whose timestamps do not show a quick write, the main
// file must prove by its content that no one wrote it before a lost
// journal is written back into it.
TEST_F(SecondProcess, ALostJournalIsNotWrittenBackOverAnotherProgramsWrite) {
    struct CoarseTimestamps {
        CoarseTimestamps() { dao::detail::timestampsTellNothing = true; }
        ~CoarseTimestamps() { dao::detail::timestampsTellNothing = false; }
    } coarse;
    const QString file = path("kurs.wkd");
    openHolder("kurs.wkd");
    write(5);
    ASSERT_TRUE(waitFor([&] { return itemsInCopyOf(file) == 5; }));
    write(5);
    removeJournal(file);
    shell(file, "UPDATE VOK SET A1 = 'other' WHERE Q = 'item 0'; PRAGMA wal_checkpoint(TRUNCATE);");
    removeJournal(file);
    const QString refused = messageOf([&] { write(1); });
    EXPECT_TRUE(refused.contains("may be lost")) << refused.toStdString();
    holder->Close();
    EXPECT_EQ(shell(file, "SELECT A1 FROM VOK WHERE Q = 'item 0';"), "other");
    EXPECT_EQ(shell(file, "PRAGMA integrity_check;"), "ok");
}

// The idle checkpoint, driven by hand: it waits about a second, comes back
// while a reader of an older state keeps part of the journal from the main
// file, and finishes once the reader is gone.
TEST_F(SecondProcess, TheIdleCheckpointComesBackUntilTheFileHoldsEverything) {
    const QString file = path("kurs.wkd");
    openHolder("kurs.wkd");
    QProcess reader;
    reader.start("sqlite3", {"-cmd", ".timeout 5000", file});
    ASSERT_TRUE(reader.waitForStarted());
    reader.write("BEGIN; SELECT count(*) FROM VOK;\n");
    ASSERT_TRUE(reader.waitForReadyRead(10000));
    ASSERT_EQ(reader.readAllStandardOutput().trimmed(), "0");
    write(10);

    auto* idle = QCoreApplication::instance()->findChild<QTimer*>("wk_idle_checkpoint");
    ASSERT_NE(idle, nullptr);
    auto fire = [&] {
        ASSERT_TRUE(idle->isActive());
        EXPECT_LE(idle->interval(), 2000);
        idle->stop();
        QMetaObject::invokeMethod(idle, "timeout");
    };
    fire();
    EXPECT_EQ(itemsInCopyOf(file), 0);
    finish(reader, "COMMIT;");
    fire();
    EXPECT_EQ(itemsInCopyOf(file), 10);
    EXPECT_FALSE(idle->isActive());
}

// Values a walk kept (the rows read ahead, the one pass over a long walk)
// are not served once another program has committed: the program reads
// and edits the row as stored, not the value it read before.
TEST_F(SecondProcess, AWalkedRecordsetServesAnotherProgramsCommit) {
    const QString file = path("kurs.wkd");
    openHolder("kurs.wkd");
    ws.BeginTrans();
    write(700);
    ws.CommitTrans();
    items->Requery();
    long sum = 0;
    for (long p = 0; p < items->RecordCount(); ++p) {
        items->SetAbsolutePosition(p);
        sum += items->Value("Punkte").toInt() + items->Value("Q").toString().size();
    }
    EXPECT_GT(sum, 0);

    shell(file, "UPDATE VOK SET Punkte = 7 WHERE Q = 'item 300'; DELETE FROM VOK WHERE Q = 'item 400';");
    dao::NewAction();  // what the user does next
    items->SetAbsolutePosition(300);
    ASSERT_EQ(items->Value("Q").toString(), "item 300");
    EXPECT_EQ(items->Value("Punkte").toInt(), 7);
    items->Edit();
    items->SetValue("Punkte", items->Value("Punkte").toInt() + 1);
    items->Update();
    EXPECT_EQ(shell(file, "SELECT Punkte FROM VOK WHERE Q = 'item 300';"), "8");
    // A row the other program deleted is gone for this one too.
    items->SetAbsolutePosition(400);
    EXPECT_EQ(errorOf([&] { items->Value("Punkte"); }), 3167);
    items->SetAbsolutePosition(401);
    EXPECT_EQ(items->Value("Q").toString(), "item 401");
}

// Fields a set kept with its keys give way to another program's commit.
TEST_F(SecondProcess, FieldsKeptWithTheKeysGiveWayToAnotherProgramsCommit) {
    const QString file = path("kurs.wkd");
    openHolder("kurs.wkd");
    write(5);
    auto rs = holder->OpenRecordset("SELECT * FROM VOK ORDER BY Q", dao::dbOpenDynaset, {}, {"Punkte"});
    rs->SetAbsolutePosition(2);
    EXPECT_EQ(rs->Value("Punkte").toInt(), 0);
    shell(file, "UPDATE VOK SET Punkte = 7 WHERE Q = 'item 2'; DELETE FROM VOK WHERE Q = 'item 3';");
    dao::NewAction();
    EXPECT_EQ(rs->Value("Punkte").toInt(), 7);
    rs->SetAbsolutePosition(3);
    EXPECT_EQ(errorOf([&] { rs->Value("Punkte"); }), 3167);
}

// The current record read again without a move in the next action, and an
// edit begun without one, start from the row as stored.
TEST_F(SecondProcess, TheCurrentRecordIsReadAgainAfterAnotherProgramsCommit) {
    const QString file = path("kurs.wkd");
    openHolder("kurs.wkd");
    write(5);
    items->MoveFirst();
    EXPECT_EQ(items->Value("Punkte").toInt(), 0);
    EXPECT_EQ(items->Value("Q").toString(), "item 0");

    shell(file, "UPDATE VOK SET Punkte = 7, A1 = 'outside' WHERE Q = 'item 0';");
    dao::NewAction();
    EXPECT_EQ(items->Value("Punkte").toInt(), 7);
    EXPECT_EQ(items->Value("A1").toString(), "outside");

    shell(file, "UPDATE VOK SET Punkte = 9 WHERE Q = 'item 0';");
    items->Edit();
    items->SetValue("Punkte", items->Value("Punkte").toInt() + 1);
    items->Update();
    EXPECT_EQ(shell(file, "SELECT Punkte FROM VOK WHERE Q = 'item 0';"), "10");
    EXPECT_EQ(items->Value("Punkte").toInt(), 10);
    // Its own write does not hide the next commit of the other program.
    shell(file, "UPDATE VOK SET Punkte = 11 WHERE Q = 'item 0';");
    dao::NewAction();
    EXPECT_EQ(items->Value("Punkte").toInt(), 11);
}

}  // namespace
