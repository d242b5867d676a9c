// Another process on the same file, as the stock sqlite3 shell, a script or
// a second instance of the program in another session would be: what one
// process has acknowledged must never be lost to the other.
#include "SecondProcessSupport.h"
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

#include "platform/forms/FileDialogs.h"

using namespace daotest;

namespace {

// In the middle of a transaction, SQLite's locks on the file are this
// process's: a dialog that opened the file to sniff its type would drop
// them when it closed it again.
TEST_F(SecondProcess, FileDialogOverTheFolderLeavesTheDatabaseToTheLayer) {
    // A name without a known type: a dialog that sniffed content would read it.
    const QString file = path("kurs.vok");
    openHolder("kurs.vok");
    ws.BeginTrans();
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
    ws.CommitTrans();
    EXPECT_EQ(countInOtherProcess(file), 5);
    holder->Close();
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
    // The other process is at work on the file, in a transaction.
    QProcess other;
    other.start("sqlite3", {"-cmd", ".timeout 5000", file});
    ASSERT_TRUE(other.waitForStarted());
    other.write("BEGIN; SELECT count(*) FROM VOK;\n");
    ASSERT_TRUE(other.waitForReadyRead(10000));
    EXPECT_EQ(other.readAllStandardOutput().trimmed(), "89");

    const qint64 before = QFileInfo(file).size();
    EXPECT_TRUE(dao::FileInUse(file));
    EXPECT_FALSE(dao::CompactInPlace(file));
    EXPECT_EQ(QFileInfo(file).size(), before);

    // The holder's writes after the skipped compaction are all there.
    for (int i = 0; i < 10; ++i)
        other.write(QString("INSERT INTO VOK (Q) VALUES ('h%1');\n").arg(i).toUtf8());
    other.write("COMMIT; SELECT count(*) FROM VOK;\n.quit\n");
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
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"kurs.wkd"});
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
