// The journal watch: another program or a clean-up tool removes or replaces
// the -wal or its -shm index, or renames another file over the name, while
// the file is open here; and the idle checkpoint that brings the main file
// up to date.
#include "SecondProcessSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <unistd.h>

#include <functional>

#include "platform/dao/File.h"

using namespace daotest;

namespace {

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
// saved everything, or only the index removed: the saved changes are in the
// file, and the next change is saved without a fuss.
TEST_F(SecondProcess, JournalRemovedWhileIdleIsMendedQuietly) {
    struct Case {
        const char* name;
        bool savedFirst;
        bool indexOnly;
    };
    for (const Case& c :
         {Case{"kurs", false, false}, Case{"saved", true, false}, Case{"index", false, true}}) {
        SCOPED_TRACE(c.name);
        const QString file = path(QString(c.name) + ".wkd");
        openHolder(QFileInfo(file).fileName());
        written = 0;
        write(5);
        if (c.savedFirst) {
            ASSERT_TRUE(waitFor([&] { return itemsInCopyOf(file) == 5; }));
        }
        if (c.indexOnly)
            ASSERT_TRUE(QFile::remove(file + "-shm"));
        else
            removeJournal(file);
        // Commits still waiting in a journal the fresh connection took over
        // go on waiting for the idle checkpoint.
        EXPECT_TRUE(waitFor([&] { return itemsInCopyOf(file) == 5; }));
        EXPECT_EQ(errorOf([&] { write(1); }), 0);
        holder->Close();
        EXPECT_EQ(countInOtherProcess(file), 6);
    }
}

// The -shm index removed (by a clean-up tool): another program that comes
// along builds a new one and commits beside this process's journal. No
// change of this one may write over its commit: not one begun afterwards,
// nor a transaction begun before (even one so large that SQLite writes
// pages into the journal before its commit), nor an edit that read the
// value before.
TEST_F(SecondProcess, RemovedIndexLosesNoOtherProgramsCommit) {
    const QString longText(240, QChar('x'));
    auto writeLong = [&](int n) {
        for (int i = 0; i < n; ++i) addItem(items, longText, longText);
    };
    struct Case {
        const char* name;
        std::function<void()> before, after;
        int points;  // of item 0 at the end
    };
    const Case kCases[] = {
        {"a change begun after", [] {}, [] {}, 7},
        {"a transaction begun before",
         [&] {
             ws.BeginTrans();
             write(1);
         },
         [&] {
             const QString refused = messageOf([&] { ws.CommitTrans(); });
             EXPECT_TRUE(refused.contains("the change was not saved.")) << refused.toStdString();
             ws.Rollback();
             --written;
         },
         7},
        {"a transaction large enough to spill",
         [&] {
             ws.BeginTrans();
             writeLong(3000);
         },
         [&] {
             writeLong(3000);
             EXPECT_EQ(errorOf([&] { ws.CommitTrans(); }), 3043);
             ws.Rollback();
         },
         7},
        {"a read, then an edit",
         [&] {
             items->MoveFirst();
             EXPECT_EQ(items->Value("Punkte").toInt(), 0);
         },
         [&] {
             items->Edit();
             items->SetValue("Punkte", items->Value("Punkte").toInt() + 1);
             items->Update();
         },
         8},
    };
    int round = 0;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const QString file = path(QString("index%1.wkd").arg(round++));
        openHolder(QFileInfo(file).fileName());
        written = 0;
        write(5);
        c.before();
        ASSERT_TRUE(QFile::remove(file + "-shm"));
        EXPECT_EQ(shell(file,
                        "INSERT INTO VOK (Q) VALUES ('other'); UPDATE VOK SET Punkte = 7 WHERE Q = 'item 0'; "
                        "SELECT changes();"),
                  "1");
        c.after();
        EXPECT_EQ(errorOf([&] { write(3); }), 0);
        holder->Close();
        EXPECT_EQ(shell(file, "SELECT count(*) FROM VOK WHERE Q = 'other';"), "1");
        EXPECT_EQ(shell(file, "SELECT Punkte FROM VOK WHERE Q = 'item 0';").toInt(), c.points);
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
// journal is written back into it: wherever in the file the other
// program's write lands on a page the journal holds. A write elsewhere
// the write-back leaves as it is, and both programs' changes are kept.
TEST_F(SecondProcess, ALostJournalIsNotWrittenBackOverAnotherProgramsWrite) {
    struct CoarseTimestamps {
        CoarseTimestamps() { dao::detail::timestampsTellNothing = true; }
        ~CoarseTimestamps() { dao::detail::timestampsTellNothing = false; }
    } coarse;
    struct Case {
        const char* name;
        int longRows;  // before the items
        const char* otherRow;
        bool ours;  // the write-back keeps this program's change too
    };
    const Case kCases[] = {
        {"the same page", 0, "item 0", false},
        {"the same page, past the first megabyte", 4500, "item 0", false},
        {"another page", 4500, "long 0", true},
    };
    const QString longText(240, QChar('x'));
    int round = 0;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const QString file = path(QString("kurs%1.wkd").arg(round++));
        openHolder(QFileInfo(file).fileName());
        written = 0;
        ws.BeginTrans();
        for (int i = 0; i < c.longRows; ++i) addItem(items, QString("long %1").arg(i), longText);
        ws.CommitTrans();
        write(5);
        ASSERT_TRUE(waitFor([&] { return itemsInCopyOf(file) == c.longRows + 5; }));
        if (c.longRows > 0) {
            ASSERT_GT(QFileInfo(file).size(), 1 << 20);
        }
        holder->Execute("UPDATE VOK SET A1 = 'ours' WHERE Q = 'item 0'");
        removeJournal(file);
        shell(file, QString("UPDATE VOK SET A1 = 'other' WHERE Q = '%1'; PRAGMA wal_checkpoint(TRUNCATE);")
                        .arg(c.otherRow));
        removeJournal(file);
        const QString refused = messageOf([&] { write(1); });
        if (c.ours)
            EXPECT_EQ(refused, "");
        else
            EXPECT_TRUE(refused.contains("may be lost")) << refused.toStdString();
        holder->Close();
        EXPECT_EQ(shell(file, QString("SELECT A1 FROM VOK WHERE Q = '%1';").arg(c.otherRow)), "other");
        EXPECT_EQ(shell(file, "SELECT A1 FROM VOK WHERE Q = 'item 0';") == "ours", c.ours);
        EXPECT_EQ(shell(file, "PRAGMA integrity_check;"), "ok");
    }
}

// A reader of an older state keeps the idle checkpoint from finishing. What
// it put into the main file is this connection's own: a journal lost after
// it is still written back, quietly, and nothing is lost.
TEST_F(SecondProcess, APartlyCheckpointedJournalIsStillWrittenBack) {
    const QString file = path("kurs.wkd");
    openHolder("kurs.wkd");
    const QString longText(240, QChar('x'));
    ws.BeginTrans();
    for (int i = 0; i < 40; ++i) addItem(items, longText, longText);
    ws.CommitTrans();
    QProcess reader;
    reader.start("sqlite3", {"-cmd", ".timeout 5000", file});
    ASSERT_TRUE(reader.waitForStarted());
    reader.write("BEGIN; SELECT count(*) FROM VOK;\n");
    ASSERT_TRUE(reader.waitForReadyRead(10000));
    ASSERT_EQ(reader.readAllStandardOutput().trimmed(), "40");
    write(5);
    const qint64 before = QFileInfo(file).size();
    auto* idle = QCoreApplication::instance()->findChild<QTimer*>("wk_idle_checkpoint");
    ASSERT_NE(idle, nullptr);
    ASSERT_TRUE(idle->isActive());
    idle->stop();
    QMetaObject::invokeMethod(idle, "timeout");
    // The pages the reader no longer needs from the journal went in.
    ASSERT_GT(QFileInfo(file).size(), before);
    finish(reader, "COMMIT;");
    removeJournal(file);
    EXPECT_EQ(errorOf([&] { write(1); }), 0);
    holder->Close();
    EXPECT_EQ(countInOtherProcess(file), 46);
}

// A sync tool or rsync delivers a new version as a copy renamed over the
// name while the file is open here. Every change after that is refused
// with a message that says why; the new file keeps its content, whoever
// opens it, and the old one (here kept by a second name) every change it
// was told is saved.
TEST_F(SecondProcess, AFileReplacedByRenameKeepsItsContent) {
    struct Case {
        const char* name;
        int changes;
        bool reader;  // another program reads the new file after the first
    };
    const Case kCases[] = {
        {"no change after the rename", 0, false},
        {"changes after it", 3, false},
        {"a reader between them", 3, true},
    };
    int round = 0;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const QString name = QString("kurs%1.wkd").arg(round++);
        const QString file = path(name), old = path("old-" + name), fresh = path("new-" + name);
        {
            auto db = freshDb("new-" + name);
            auto rs = db->OpenRecordset("VOK");
            ws.BeginTrans();
            for (int i = 0; i < 40; ++i) addItem(rs, QString("new %1").arg(i));
            ws.CommitTrans();
            db->Close();
        }
        openHolder(name);
        written = 0;
        write(5);
        ASSERT_EQ(::link(QFile::encodeName(file).constData(), QFile::encodeName(old).constData()), 0);
        ASSERT_EQ(::rename(QFile::encodeName(fresh).constData(), QFile::encodeName(file).constData()), 0);
        for (int i = 0; i < c.changes; ++i) {
            const QString refused = messageOf([&] { write(1); });
            EXPECT_TRUE(refused.contains("replaced")) << refused.toStdString();
            if (c.reader && i == 0) {
                EXPECT_EQ(countInOtherProcess(file), 40);
            }
        }
        EXPECT_EQ(errorOf([&] { holder->Close(); }), 0);
        // The new file is one file, as it was delivered.
        for (const char* suffix : {"-wal", "-shm"}) EXPECT_FALSE(QFile::exists(file + suffix)) << suffix;
        for (const auto& [f, n] : {std::pair{file, 40}, std::pair{old, 5}}) {
            EXPECT_EQ(shell(f, "PRAGMA integrity_check;"), "ok") << f.toStdString();
            EXPECT_EQ(countInOtherProcess(f), n) << f.toStdString();
        }
        auto reopened = ws.OpenDatabase(file);
        EXPECT_EQ(reopened->OpenRecordset("VOK")->RecordCount(), 40);
        reopened->Close();
    }
}

// The idle checkpoint, driven by hand: it waits about a second, comes back
// while a reader of an older state keeps part of the journal from the main
// file, and finishes once the reader is gone, with the journal emptied.
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
    // Emptied, too: a file another program renames over the name later
    // finds no frames of this one beside it.
    EXPECT_EQ(QFileInfo(file + "-wal").size(), 0);
}

}  // namespace
