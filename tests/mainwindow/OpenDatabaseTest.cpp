// Opening vocabulary databases from the start form and the main window.
#include <QCoreApplication>
#include <QFile>

#include <cstdio>

#include <sys/stat.h>
#include <unistd.h>

#include "core/UserFiles.h"
#include "mainwindow/RoadFixture.h"
#include "platform/dao/UserAction.h"
#include "platform/grid/Grid.h"
#include "support/StaleJournal.h"
#include "support/StuckPipe.h"
#include "upgrade/OldKinds.h"
#include "vocabdb/OldLayouts.h"

using namespace roadtest;
using mainwindow::MainForm;
using wktest::CallKind;

namespace {

class OpenDatabase : public Road {};

TEST_F(OpenDatabase, NewDatabaseOpenedBySlotTwoBecomesTheUsersLastAndOwnsTheSlot) {
    const QString path = makeVokDB("englisch.wkd");
    makeUsers({{1, "Anna"}, {2, "Ben"}});
    startup::FrmBenutzer f;
    startAs(f, 2, "\"" + path + "\"");

    EXPECT_EQ(optionsValue(path, "Benutzer2").toString(), "Ben");
    EXPECT_FALSE(optionsValue(path, "Benutzer1").isValid() &&
                 !optionsValue(path, "Benutzer1").toString().isEmpty());
    EXPECT_EQ(userValue(2, "LastDB").toString(), path);
    EXPECT_EQ(userValue(1, "LastDB").toString(), QString());
    EXPECT_EQ(userValue(0 + 1, "Name").toString(), "Anna");
    EXPECT_TRUE(runstate::bDBOffen);
    EXPECT_EQ(runstate::BenutzerNr, 2);
    EXPECT_EQ(runstate::VokDBDatei, "ENGLISCH.WKD");
    EXPECT_EQ(runstate::VokDBName, "ENGLISCH");
    EXPECT_EQ(MainForm().lblBDBName->text(), "ENGLISCH");
    EXPECT_FALSE(MainForm().fraWelcome->isVisibleTo(&MainForm()));
    EXPECT_TRUE(MainForm().isVisible());
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(ui.count(CallKind::MsgBox), 0);
}

TEST_F(OpenDatabase, SlotOfAnotherNameIsClearedOnlyInThatSlot) {
    const QString path = makeVokDB("stats.wkd");
    addItem(path, "eins", 2);
    addItem(path, "zwei", 3);
    setOption(path, "Benutzer3", "Anna");
    makeUsers({{3, "Ben"}});
    startup::FrmBenutzer f;
    startAs(f, 3, path);

    EXPECT_EQ(optionsValue(path, "Benutzer3").toString(), "Ben");
    auto db = openVok(path);
    auto rs = db->OpenRecordset("SELECT * FROM VOK ORDER BY Q");
    int rows = 0;
    for (; !rs->Eof(); rs->MoveNext(), ++rows) {
        const int stat = rs->Value("Q").toString() == "eins" ? 2 : 3;
        for (const char* p : {"AA", "AR", "AF", "FQ"})
            EXPECT_EQ(rs->Value(QString(p) + "3").toDouble(), 0.0) << p;
        for (int k = 1; k <= 6; ++k) EXPECT_EQ(rs->Value(QStringLiteral("Known3%1").arg(k)).toInt(), 0);
        for (int u : {1, 2, 4, 5}) {
            EXPECT_EQ(rs->Value(QStringLiteral("AA%1").arg(u)).toInt(), stat * u);
            EXPECT_EQ(rs->Value(QStringLiteral("Known%1").arg(u) + "1").toInt(), 1);
        }
    }
    EXPECT_EQ(rows, 2);
    db->Close();
}

TEST_F(OpenDatabase, SlotOwnedByTheSameNameKeepsItsStatistics) {
    const QString path = makeVokDB("mine.wkd");
    addItem(path, "eins", 2);
    setOption(path, "Benutzer3", "Ben");
    makeUsers({{3, "Ben"}});
    startup::FrmBenutzer f;
    startAs(f, 3, path);
    auto db = openVok(path);
    auto rs = db->OpenRecordset("VOK");
    EXPECT_EQ(rs->Value("AA3").toInt(), 6);
    db->Close();
}

TEST_F(OpenDatabase, NewerVersionIsRefusedAndChangesNothing) {
    const QString first = makeVokDB("first.wkd");
    addItem(first, "eins", 0);
    const QString newer = makeVokDB("newer.wkd", "4.4");
    setOption(newer, "Benutzer1", "Anna");
    makeUsers({{1, "Ben"}});
    startup::FrmBenutzer f;
    startAs(f, 1, first);
    ASSERT_TRUE(runstate::bDBOffen);
    const dao::DatabasePtr before = runstate::dbVok;

    ui.pushMsgBox(forms::vbOK);
    MainForm().VokDBOeffnen(newer);

    const auto box = ui.last(CallKind::MsgBox);
    EXPECT_TRUE(box.prompt.startsWith(modMain::GetText(5015) + "4.4" + modMain::GetText(5016) + "4.3."));
    EXPECT_EQ(box.style, forms::vbCritical);
    EXPECT_EQ(box.title, modMain::GetText(5001));
    // The first database is still the open one, fully usable.
    EXPECT_EQ(runstate::dbVok, before);
    EXPECT_TRUE(runstate::dbVok->IsOpen());
    EXPECT_EQ(runstate::VokDBPfad, first);
    EXPECT_EQ(runstate::VokDBName, "FIRST");
    EXPECT_TRUE(runstate::bDBOffen);
    EXPECT_EQ(MainForm().data->RecordCount(), 1);
    EXPECT_EQ(runstate::rsOptions->Value("Benutzer1").toString(), "Ben");
    EXPECT_EQ(MainForm().lblBDBName->text(), "FIRST");
    // Nothing was written to the refused file or the user's row.
    EXPECT_EQ(optionsValue(newer, "Benutzer1").toString(), "Anna");
    EXPECT_EQ(userValue(1, "LastDB").toString(), first);
}

TEST_F(OpenDatabase, NewerVersionWithoutAnOpenDatabaseLeavesTheWelcomePanel) {
    const QString newer = makeVokDB("newer.wkd", "5.0");
    makeUsers({{1, "Ben"}});
    ui.pushMsgBox(forms::vbOK);
    startup::FrmBenutzer f;
    startAs(f, 1, newer);
    EXPECT_EQ(ui.count(CallKind::MsgBox), 1);
    EXPECT_FALSE(runstate::bDBOffen);
    EXPECT_FALSE(runstate::dbVok);
    EXPECT_TRUE(runstate::VokDBPfad.isEmpty());
    EXPECT_TRUE(MainForm().fraWelcome->isVisibleTo(&MainForm()));
    EXPECT_TRUE(userValue(1, "LastDB").toString().isEmpty());
}

TEST_F(OpenDatabase, VersionTenIsNotNewerAsText) {
    const QString path = makeVokDB("ten.wkd", "10.0");
    makeUsers({{1, "Ben"}});
    startup::FrmBenutzer f;
    startAs(f, 1, path);
    EXPECT_EQ(ui.count(CallKind::MsgBox), 0);
    EXPECT_TRUE(runstate::bDBOffen);
}

TEST_F(OpenDatabase, MissingLastDatabaseStartsWithoutADatabase) {
    makeUsers({{1, "Ben"}});
    setUserValue(1, "LastDB", dbFolder() + "/gone.wkd");
    startup::FrmBenutzer f;
    startAs(f, 1, dbFolder() + "/also-gone.wkd");
    EXPECT_EQ(ui.count(CallKind::MsgBox), 0);
    EXPECT_FALSE(runstate::bDBOffen);
    EXPECT_TRUE(MainForm().isVisible());
    EXPECT_TRUE(MainForm().fraWelcome->isVisibleTo(&MainForm()));
    EXPECT_FALSE(MainForm().vg1->isVisibleTo(&MainForm()));
    EXPECT_FALSE(MainForm().lblBCount->isVisibleTo(&MainForm()));
    EXPECT_EQ(MainForm().lblBDBName->text(), "- No database selected -");
}

TEST_F(OpenDatabase, MissingCommandLineFileFallsBackToTheLastDatabase) {
    const QString last = makeVokDB("last.wkd");
    makeUsers({{1, "Ben"}});
    setUserValue(1, "LastDB", last);
    startup::FrmBenutzer f;
    startAs(f, 1, "\"" + dbFolder() + "/gone.wkd\"");
    EXPECT_EQ(runstate::VokDBPfad, last);
}

// A pipe named like a database, on the command line or in the open dialog,
// is said to be no file; nothing waits for it and nothing changes.
TEST_F(OpenDatabase, APipeIsNamedAndNeverWaitedOn) {
    const QString last = makeVokDB("last.wkd");
    makeUsers({{1, "Ben"}});
    setUserValue(1, "LastDB", last);
    wktest::StuckPipe pipe(dbFolder() + "/x.wkd");
    ASSERT_TRUE(pipe.made());
    const QString said = "File cannot be opened:\r" + pipe.path() +
                         "\r\rThis is not a regular file but a folder, a pipe or a device.";
    ui.pushMsgBox(forms::vbOK);
    startup::FrmBenutzer f;
    startAs(f, 1, "\"" + pipe.path() + "\"");
    EXPECT_EQ(ui.last(CallKind::MsgBox).prompt, said);
    EXPECT_EQ(runstate::VokDBPfad, last);  // the last database, as for a missing file

    ui.pushOpen(pipe.path());
    ui.pushMsgBox(forms::vbOK);
    MainForm().VokDBOeffnen(QString());
    EXPECT_EQ(ui.last(CallKind::MsgBox).prompt, said);
    EXPECT_EQ(ui.last(CallKind::MsgBox).style, forms::vbExclamation);
    EXPECT_EQ(runstate::VokDBPfad, last);
    EXPECT_TRUE(runstate::dbVok->IsOpen());
    EXPECT_EQ(userValue(1, "LastDB").toString(), last);
    EXPECT_FALSE(pipe.waited());
}

// A journal of another database beside USER.MDB or the last database (a
// restore brought the file back alone): each opens as it is, the journal
// is kept under another name, and the user hears so, about USER.MDB in
// English since no language is chosen yet.
TEST_F(OpenDatabase, AJournalNotItsOwnIsSetAsideAndSaid) {
    const QString last = makeVokDB("last.wkd");
    addItem(last, "Katze", 0);
    makeUsers({{1, "Ben"}}, 0, {{1, 0}});
    setUserValue(1, "LastDB", last);
    const QString users = home.path() + "/USER.MDB";
    for (const QString& file : {users, last}) ASSERT_TRUE(wktest::LeaveStaleJournal(file));
    ui.pushMsgBox(forms::vbOK);
    ui.pushMsgBox(forms::vbOK);
    startup::FrmBenutzer f;
    startAs(f, 1);
    const auto boxes = ui.calls(CallKind::MsgBox);
    ASSERT_EQ(boxes.size(), 2);
    EXPECT_EQ(boxes[0].prompt, "The database has been opened as it is:\r" + users +
                                   "\r\rA journal file lay beside it that was not written for it as it is "
                                   "now (left by a restore or a sync, for example). Applied, it would have "
                                   "damaged the database. Wortkiste has not applied it but kept it as:\r" +
                                   users + "-wal.set-aside");
    const QString german = QString::fromUtf8(
        "Die Datenbank wurde so geöffnet, wie sie ist:\r%1\r\rDaneben lag eine Journaldatei, die nicht für "
        "sie in ihrem jetzigen Stand geschrieben wurde (etwa nach einer Wiederherstellung oder "
        "Synchronisation). Angewendet hätte sie die Datenbank beschädigt. Wortkiste hat sie nicht "
        "angewendet, sondern aufbewahrt als:\r%2");
    EXPECT_EQ(boxes[1].prompt, german.arg(last, last + "-wal.set-aside"));
    for (const auto& box : boxes) EXPECT_EQ(box.style, forms::vbExclamation);
    EXPECT_TRUE(runstate::bDBOffen);
    EXPECT_EQ(MainForm().data->RecordCount(), 1);
    EXPECT_EQ(userValue(1, "Name").toString(), "Ben");

    // Later in the session, once each: one set aside, and one that cannot
    // be, which leaves the database read only while it lies there.
    ASSERT_TRUE(wktest::LeaveStaleJournal(last));
    auto read = [] {
        dao::NewAction();
        runstate::dbVok->OpenRecordset("SELECT count(*) AS n FROM VOK")->Value("n");
        QCoreApplication::processEvents();
    };
    ui.pushMsgBox(forms::vbOK);
    ui.pushMsgBox(forms::vbOK);
    read();
    ASSERT_TRUE(wktest::LeaveStaleJournal(last));
    for (int n = 3; n < 1000; ++n)
        QFile(last + "-wal.set-aside." + QString::number(n)).open(QIODevice::WriteOnly);
    read();
    read();
    const auto later = ui.calls(CallKind::MsgBox);
    ASSERT_EQ(later.size(), 4);
    EXPECT_EQ(later[2].prompt, german.arg(last, last + "-wal.set-aside.2"));
    EXPECT_EQ(
        later[3].prompt,
        QString::fromUtf8("Die Datenbank wurde so geöffnet, wie sie ist:\r%1\r\rDaneben liegt eine "
                          "Journaldatei, die nicht für sie in ihrem jetzigen Stand geschrieben wurde, und "
                          "Wortkiste konnte sie nicht beiseitelegen. Damit sie weder angewendet noch "
                          "überschrieben wird, ist die Datenbank nur zum Lesen geöffnet: Änderungen lassen "
                          "sich nicht speichern, solange sie dort liegt. Verschieben Sie sie an einen "
                          "anderen Ort und öffnen Sie die Datenbank dann erneut. Die Journaldatei:\r%2")
            .arg(last, last + "-wal"));

    // Met as another database opens, such a journal keeps it from opening:
    // nothing is written to it, and the open one stays.
    const QString other = makeVokDB("other.wkd");
    QFile otherFile(other);
    ASSERT_TRUE(otherFile.open(QIODevice::ReadOnly));
    const QByteArray otherBytes = otherFile.readAll();
    otherFile.close();
    ASSERT_TRUE(wktest::LeaveJournalThatCannotBeSetAside(other));
    ui.pushMsgBox(forms::vbOK);
    MainForm().VokDBOeffnen(other);
    const auto refused = ui.calls(CallKind::MsgBox);
    ASSERT_EQ(refused.size(), 5);
    EXPECT_EQ(
        refused[4].prompt,
        QString::fromUtf8("Fehler beim Öffnen der Datei:\r%1\r\rDaneben liegt eine Journaldatei, die nicht "
                          "für sie in ihrem jetzigen Stand geschrieben wurde, und Wortkiste konnte sie nicht "
                          "beiseitelegen. Damit sie weder angewendet noch überschrieben wird, wurde die "
                          "Datenbank nicht geöffnet. Verschieben Sie die Journaldatei an einen anderen Ort "
                          "und öffnen Sie die Datenbank dann erneut. Die Journaldatei:\r%2")
            .arg(other, other + "-wal"));
    EXPECT_EQ(runstate::VokDBPfad, last);
    ASSERT_TRUE(otherFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(otherFile.readAll(), otherBytes);
}

// A damaged file at start-up gets the error report, titled with the
// location code of the step that met it: the opening ("209") or the
// user's confirmation ("189"); the program starts without a database.
TEST_F(OpenDatabase, DamagedFileAtStartUpIsReportedUnderItsLocationCode) {
    struct Case {
        const char* what;
        double noiseFrom;  // share of the file from where on it is overwritten
        qint64 keep;       // bytes it is cut to, or -1
        int number;
        const char* title;
    };
    const Case cases[] = {
        {"no database at all", 0, 4096, 3343, "209"},
        {"cut off after its header", 1, 1000, 3049, "209"},
        {"its items' pages overwritten", 0.5, -1, 3049, "189"},
    };
    makeUsers({{1, "Ben"}});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString path = makeVokDB(QStringLiteral("damaged.wkd"));
        {
            auto db = openVok(path);
            for (int i = 0; i < 40; ++i)
                db->Execute("INSERT INTO VOK (Q, Sound) VALUES (?, ?)",
                            {QStringLiteral("Frage %1").arg(i), QByteArray(3000, char('a' + i % 26))});
            db->Close();
        }
        {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::ReadWrite));
            const qint64 from = qint64(double(f.size()) * c.noiseFrom);
            ASSERT_TRUE(f.seek(from));
            for (qint64 i = from; i < f.size(); ++i) f.putChar(char(i * 7919 % 251));
            if (c.keep >= 0) f.resize(c.keep);
        }
        ui.clearCalls();
        ui.pushMsgBox(forms::vbOK);
        startup::FrmBenutzer f;
        startAs(f, 1, path);
        ASSERT_EQ(ui.count(CallKind::MsgBox), 1);
        const auto box = ui.last(CallKind::MsgBox);
        EXPECT_EQ(box.title, c.title);
        EXPECT_EQ(box.style, forms::vbCritical | forms::vbOKOnly);
        EXPECT_TRUE(box.prompt.startsWith(QStringLiteral("Error %1: ").arg(c.number)))
            << box.prompt.toStdString();
        EXPECT_TRUE(box.prompt.endsWith("\r\r" + modMain::GetText(5009))) << box.prompt.toStdString();
        EXPECT_EQ(ui.count(CallKind::EndProgram), 0);
        EXPECT_FALSE(runstate::bDBOffen);
        EXPECT_TRUE(MainForm().isVisible());
        MainForm().hide();
        resetRunState();
        ASSERT_TRUE(QFile::remove(path));
    }
    // The chosen user's query missing from the user database: met at the confirmation.
    auto users = dao::DBEngine::OpenDatabase(home.path() + "/USER.MDB", false, false,
                                             ";pwd=" + modUserDB::UserDBPasswort);
    users->DeleteQueryDef("USER1");
    users->Close();
    ui.clearCalls();
    ui.pushMsgBox(forms::vbOK);
    startup::FrmBenutzer f;
    startAs(f, 1);
    ASSERT_EQ(ui.count(CallKind::MsgBox), 1);
    const auto box = ui.last(CallKind::MsgBox);
    EXPECT_EQ(box.title, "189");
    EXPECT_TRUE(box.prompt.startsWith("Error 3078: ")) << box.prompt.toStdString();
}

// A file the layer will not use (3051) is write-protected or in use, unless
// the layer says what else it is (the name too long to save changes beside
// it): then the user reads that, at the open as in the error boxes (see
// ARefusalGetsAPlainBoxAFaultTheErrorReport) and the USER.MDB message.
TEST_F(OpenDatabase, AFileTheLayerWillNotUseIsExplainedByItsOwnDescription) {
    const QString file = dbFolder() + "/kurs.wkd";
    const QString locked = dao::ErrorDescription(3051).replace('|', file);
    const QString tooLong = "The name '" + file + "' is too long to save changes beside it.";
    const QString inUse =
        "\r\n\r\nThis file is either write-protected or another program/user is currently "
        "working with this file.\r\n\r\nTo open this file, please make sure that this file is "
        "not write-protected and no other program/user is accessing this file.";
    struct Case {
        int number;
        QString description;
        int language;
        QString notice;  // when the file is opened
        QString userDb;  // when it is USER.MDB
    };
    const Case cases[] = {
        {3051, locked, 1, "File cannot be opened:" + inUse,
         "It is write-protected or in use by another program (3051: " + locked + ")."},
        {3051, tooLong, 1, "File cannot be opened:\r\n\r\n" + tooLong, tooLong},
        {3051, tooLong, 0, QString::fromUtf8("Fehler beim Öffnen der Datei:\r\n\r\n") + tooLong, tooLong},
        // The full disk is no damage.
        {3026, "Not enough space on disk.", 1, QString(), "Not enough space on disk."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.description.toStdString());
        const wk::Error e(c.number, c.description);
        modMain::SetLanguage(qint16(c.language));
        if (!c.notice.isEmpty()) {
            EXPECT_EQ(userfiles::CannotOpenDatabaseText(e), c.notice);
        }
        EXPECT_EQ(modUserDB::WhyUnusable(e), c.userDb);
    }
}

// A name whose bytes are not UTF-8 (made on another system, unpacked from an
// old archive) comes to the program as Qt reads it, with U+FFFD for each
// such byte, and that text reaches no file: the user is told so and asked to
// rename it, whether the name came on the command line or to the open
// command. A name that really holds U+FFFD is no such name.
TEST_F(OpenDatabase, ANameThatCannotBeReadIsSaidSoWhereverItComes) {
    struct Case {
        const char* what;
        QByteArray file;   // the bytes of the name under DB/
        QByteArray named;  // what the user named, under DB/
        bool atStart;      // on the command line, else to the open command
        bool told;
    };
    const QByteArray replacement = "\xef\xbf\xbd";  // U+FFFD in UTF-8
    const Case cases[] = {
        {"a file name not in UTF-8", "k\xe4rs.wkd", "k\xe4rs.wkd", true, true},
        {"a folder name not in UTF-8", "\xc4gypten/kurs.wkd", "\xc4gypten/kurs.wkd", true, true},
        {"opened from the program", "k\xe4rs.wkd", "k\xe4rs.wkd", false, true},
        {"a name that really holds U+FFFD", "k" + replacement + "rs.wkd", "k" + replacement + "rs.wkd", true,
         false},
        {"a missing name with U+FFFD", "kurs.wkd", "k" + replacement + "rs.wkd", true, false},
    };
    makeUsers({{1, "Ben"}});
    const QString last = makeVokDB("last.wkd");
    const QByteArray db = QFile::encodeName(dbFolder()) + "/";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        setUserValue(1, "LastDB", last);
        const qsizetype slash = c.file.lastIndexOf('/');
        const QByteArray folder = slash < 0 ? QByteArray() : db + c.file.left(slash);
        if (!folder.isEmpty()) {
            ASSERT_EQ(::mkdir(folder.constData(), 0700), 0);
        }
        const QString made = makeVokDB("made.wkd");
        ASSERT_EQ(::rename(QFile::encodeName(made).constData(), (db + c.file).constData()), 0);
        const QString named = QFile::decodeName(db + c.named);

        ui.clearCalls();
        ui.answerAllMsgBoxes(forms::vbOK);
        startup::FrmBenutzer f;
        if (c.atStart) {
            startAs(f, 1, named);
        } else {
            startAs(f, 1);
            MainForm().VokDBOeffnen(named);
        }
        const QStringList boxes = ui.msgBoxPrompts();
        if (c.told) {
            ASSERT_EQ(boxes.size(), 1);
            EXPECT_EQ(boxes[0],
                      "File cannot be opened:\r" + named +
                          "\r\rIts name, or the name of a folder on its path, holds characters that "
                          "cannot be read (they are not written in UTF-8). Please rename it, then open "
                          "the file again.");
            EXPECT_EQ(ui.last(CallKind::MsgBox).style, forms::vbExclamation);
            EXPECT_EQ(ui.last(CallKind::MsgBox).title, "Wortkiste");
            // The program goes on as for a file that is not there: with the
            // user's last database.
            EXPECT_EQ(runstate::VokDBPfad, last);
        } else {
            EXPECT_TRUE(boxes.isEmpty()) << boxes.join("|").toStdString();
            EXPECT_EQ(runstate::VokDBPfad, QFile::exists(named) ? named : last);
        }
        EXPECT_TRUE(runstate::bDBOffen);
        resetRunState();
        ASSERT_EQ(::unlink((db + c.file).constData()), 0);
        if (!folder.isEmpty()) {
            ASSERT_EQ(::rmdir(folder.constData()), 0);
        }
    }
}

TEST_F(OpenDatabase, DatabaseWithoutTheVocabularyQueriesIsReportedAndNothingChanges) {
    // A file with the right password but none of the vocabulary tables.
    QDir().mkpath(dbFolder());
    const QString foreign = dbFolder() + "/foreign.wkd";
    {
        auto db = dao::DBEngine::CreateDatabase(foreign);
        auto td = db->CreateTableDef("Other");
        td->Append(td->CreateField("X", dao::dbLong));
        db->Append(td);
        db->NewPassword("", vocabdb::VokDBPasswort);
        db->Close();
    }
    makeUsers({{1, "Ben"}});
    ui.pushMsgBox(forms::vbOK);
    startup::FrmBenutzer f;
    startAs(f, 1, foreign);
    // A foreign file is the user's situation, not a fault: a plain notice.
    EXPECT_EQ(ui.last(CallKind::MsgBox).prompt, "Wortkiste cannot use this file:\r" + foreign +
                                                    "\r\rIt is not a vocabulary database this version of "
                                                    "Wortkiste can open or upgrade. It lacks: table VOK, "
                                                    "table OPTIONS.");
    EXPECT_EQ(ui.last(CallKind::MsgBox).style, forms::vbExclamation);
    EXPECT_EQ(ui.count(CallKind::EndProgram), 0);
    EXPECT_FALSE(runstate::bDBOffen);
    EXPECT_TRUE(runstate::VokDBPfad.isEmpty());
    EXPECT_FALSE(runstate::dbVok);
    EXPECT_TRUE(MainForm().isVisible());
    EXPECT_TRUE(userValue(1, "LastDB").toString().isEmpty());
}

TEST_F(OpenDatabase, SecondFileClosesTheFirst) {
    const QString a = makeVokDB("a.wkd");
    const QString b = makeVokDB("b.wkd");
    makeUsers({{1, "Ben"}});
    startup::FrmBenutzer f;
    startAs(f, 1, a);
    const dao::DatabasePtr first = runstate::dbVok;
    const dao::RecordsetPtr firstOptions = runstate::rsOptions;
    ASSERT_TRUE(first && first->IsOpen());

    ui.pushOpen(b);
    MainForm().VokDBOeffnen(QString());

    EXPECT_FALSE(first->IsOpen());
    EXPECT_FALSE(firstOptions->IsOpen());
    EXPECT_NE(runstate::dbVok, first);
    EXPECT_EQ(runstate::VokDBPfad, b);
    EXPECT_EQ(userValue(1, "LastDB").toString(), b);
    const auto dlg = ui.last(CallKind::ShowOpen).dialog;
    EXPECT_EQ(dlg.InitDir, modMain::GetDBPath());
    EXPECT_EQ(dlg.Flags, 4100);
    EXPECT_EQ(dlg.Filter, "Vocabulary database (*.wkd)|*.wkd");
    EXPECT_EQ(dlg.DialogTitle, "Open database");
}

TEST_F(OpenDatabase, CancelledDialogChangesNothing) {
    const QString a = makeVokDB("a.wkd");
    makeUsers({{1, "Ben"}});
    startup::FrmBenutzer f;
    startAs(f, 1, a);
    const dao::DatabasePtr first = runstate::dbVok;
    ui.pushOpenCancel();
    MainForm().VokDBOeffnen(QString());
    EXPECT_EQ(runstate::dbVok, first);
    EXPECT_TRUE(first->IsOpen());
    EXPECT_EQ(runstate::VokDBPfad, a);
    EXPECT_EQ(runstate::VokDBName, "A");
}

TEST_F(OpenDatabase, FileWithoutWkdOrFolderIsNamedAfterItsFileName) {
    EXPECT_EQ(mainwindow::DisplayNameFor("ENGLISCH.WKD"), "ENGLISCH");
    EXPECT_EQ(mainwindow::DisplayNameFor("KURS.WKD.WKD"), "KURS");
    EXPECT_EQ(mainwindow::DisplayNameFor("KURS.DB"), "KURS");
    EXPECT_EQ(mainwindow::DisplayNameFor("KURS"), "KURS");
    EXPECT_EQ(mainwindow::DisplayNameFor("MY.WKD.BAK"), "MY.WKD");
    EXPECT_EQ(mainwindow::FileNameOfPath("kurs.wkd"), "kurs.wkd");
    EXPECT_EQ(mainwindow::FileNameOfPath("/a/b/kurs.wkd"), "kurs.wkd");

    const QString made = makeVokDB("made.wkd");
    const QString renamed = dbFolder() + "/Vokabeln.Kurs";
    ASSERT_TRUE(QFile::rename(made, renamed));
    makeUsers({{1, "Ben"}});
    startup::FrmBenutzer f;
    startAs(f, 1, renamed);
    EXPECT_TRUE(runstate::bDBOffen);
    EXPECT_EQ(runstate::VokDBDatei, "VOKABELN.KURS");
    EXPECT_EQ(runstate::VokDBName, "VOKABELN");

    // A path without a folder, relative to the program folder.
    const QString local = makeVokDB("local.wkd");
    ASSERT_TRUE(QFile::rename(local, home.path() + "/nahe.wkd"));
    QDir::setCurrent(home.path());
    MainForm().VokDBOeffnen("nahe.wkd");
    EXPECT_EQ(runstate::VokDBName, "NAHE");
    EXPECT_EQ(runstate::VokDBPfad, "nahe.wkd");
}

TEST_F(OpenDatabase, LongDisplayNamesAreCutForTheLabel) {
    const QString exact = makeVokDB(QString(25, 'a') + ".wkd");
    const QString longer = makeVokDB(QString(26, 'b') + ".wkd");
    makeUsers({{1, "Ben"}});
    startup::FrmBenutzer f;
    startAs(f, 1, exact);
    EXPECT_EQ(MainForm().lblBDBName->text(), QString(25, 'A'));
    MainForm().VokDBOeffnen(longer);
    EXPECT_EQ(MainForm().lblBDBName->text(), QString(22, 'B') + "...");
}

TEST_F(OpenDatabase, LockedFileGivesTheThreePartMessageAndKeepsThePrevious) {
    const QString a = makeVokDB("a.wkd");
    const QString held = makeVokDB("held.wkd");
    makeUsers({{1, "Ben"}});
    startup::FrmBenutzer f;
    startAs(f, 1, a);
    // Another program has the file open exclusively.
    auto holder = dao::DBEngine::OpenDatabase(held, true, false, ";pwd=" + vocabdb::VokDBPasswort);
    ui.pushMsgBox(forms::vbOK);
    MainForm().VokDBOeffnen(held);
    holder->Close();
    const auto box = ui.last(CallKind::MsgBox);
    EXPECT_EQ(box.style, forms::vbInformation);
    EXPECT_EQ(box.title, modMain::GetText(40));
    EXPECT_EQ(box.prompt, modMain::GetText(5050) + "\r\n\r\n" + modMain::GetText(5051) + "\r\n\r\n" +
                              modMain::GetText(5052));
    EXPECT_EQ(runstate::VokDBPfad, a);
    EXPECT_EQ(runstate::VokDBName, "A");
    EXPECT_TRUE(runstate::dbVok->IsOpen());
    EXPECT_EQ(userValue(1, "LastDB").toString(), a);
}

TEST_F(OpenDatabase, OldFileIsUpgradedThroughNestedOpeningsAndFilledOnce) {
    QDir().mkpath(dbFolder());
    const QString old = dbFolder() + "/alt.wkd";
    vocabdb::CreateDatabaseFile(old, vocabdb::OldKindLayout(2, "3.2"), vocabdb::VokDBPasswort);
    {
        auto db = openVok(old);
        auto rs = db->OpenRecordset("VOK");
        rs->AddNew();
        rs->SetValue("Q", "alt");
        rs->Update();
        db->Close();
    }
    makeUsers({{2, "Ben"}});
    startup::FrmBenutzer f;
    startAs(f, 2, old);

    EXPECT_EQ(ui.count(CallKind::MsgBox), 0) << ui.msgBoxPrompts().join("|").toStdString();
    EXPECT_TRUE(runstate::bDBOffen);
    EXPECT_EQ(runstate::VokDBPfad, old);
    EXPECT_EQ(MainForm().Check_Depth, 0);
    EXPECT_EQ(runstate::rsOptions->Value("AppVersion").toString(), "4.3");
    EXPECT_EQ(runstate::rsOptions->Value("Benutzer2").toString(), "Ben");
    EXPECT_EQ(MainForm().vg1->Rows(), 1);
    EXPECT_EQ(MainForm().lblBCount->text(), "1 Question");
    EXPECT_EQ(userValue(2, "LastDB").toString(), old);
}

TEST_F(OpenDatabase, FileTheUpgradeRefusesLeavesThePreviousDatabaseInUse) {
    const QString a = makeVokDB("a.wkd");
    addItem(a, "eins", 1);
    const QString broken = makeVokDB("broken.wkd");
    setOption(broken, "AppVersion", QVariant());
    makeUsers({{1, "Ben"}});
    startup::FrmBenutzer f;
    startAs(f, 1, a);
    const dao::DatabasePtr first = runstate::dbVok;
    ASSERT_EQ(MainForm().vg1->Rows(), 1);

    ui.pushMsgBox(forms::vbOK);
    MainForm().VokDBOeffnen(broken);

    EXPECT_EQ(ui.last(CallKind::MsgBox).title, "Ui37G");
    EXPECT_EQ(runstate::dbVok, first);
    EXPECT_EQ(runstate::VokDBPfad, a);
    EXPECT_EQ(runstate::VokDBDatei, "A.WKD");
    EXPECT_TRUE(runstate::bDBOffen);
    EXPECT_EQ(MainForm().data->RecordCount(), 1);
    EXPECT_EQ(runstate::rsOptions->Value("Benutzer1").toString(), "Ben");
    EXPECT_EQ(MainForm().lblBDBName->text(), "A");
    EXPECT_EQ(MainForm().vg1->Rows(), 1);
    EXPECT_EQ(userValue(1, "LastDB").toString(), a);
    EXPECT_FALSE(optionsValue(broken, "Benutzer1").isValid());
}

}  // namespace

namespace {

QByteArray FileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class OpenCheck : public Road {
protected:
    // Opens `broken` over an open sound database; the sound one must stay
    // open and the broken file keep every byte.
    // language: the user's LANG, 0 German, 1 English.
    wktest::InteractionCall refuse(const QString& broken, int language = 1) {
        const QString first = makeVokDB("first.wkd");
        makeUsers({{1, "Ben"}}, 0, {{1, language}});
        startup::FrmBenutzer f;
        startAs(f, 1, first);
        EXPECT_TRUE(runstate::bDBOffen);
        const QByteArray before = FileBytes(broken);
        ui.pushMsgBox(forms::vbOK);
        try {
            MainForm().VokDBOeffnen(broken);
        } catch (const wk::Error& e) {
            modMain::ShowError(e.number(), e.description(), QStringLiteral("189"));
        }
        EXPECT_EQ(runstate::VokDBPfad, first);
        EXPECT_TRUE(runstate::dbVok && runstate::dbVok->IsOpen());
        EXPECT_EQ(userValue(1, "LastDB").toString(), first);
        EXPECT_EQ(FileBytes(broken), before);
        EXPECT_EQ(ui.count(CallKind::MsgBox), 1);
        return ui.last(CallKind::MsgBox);
    }
};

TEST_F(OpenCheck, ItemTableWithoutAnAnswerColumnIsRefusedByName) {
    const QString path = makeVokDB("ohneA1.wkd");
    {
        auto db = openVok(path);
        db->Execute("ALTER TABLE VOK DROP COLUMN A1");
        db->Close();
    }
    const auto box = refuse(path);
    EXPECT_EQ(box.prompt, "Wortkiste cannot use this file:\r" + path +
                              "\r\rIt is not a vocabulary database this version of Wortkiste can open or "
                              "upgrade. It lacks: column VOK.A1.");
    EXPECT_EQ(box.title, "Warning:");
    EXPECT_EQ(box.style, forms::vbExclamation);
}

TEST_F(OpenCheck, OptionsWithoutTheirRowAreRefusedByName) {
    const QString path = makeVokDB("ohneZeile.wkd");
    {
        auto db = openVok(path);
        db->Execute("DELETE FROM OPTIONS");
        db->Close();
    }
    const auto box = refuse(path);
    EXPECT_TRUE(box.prompt.endsWith("It lacks: the row of table OPTIONS.")) << box.prompt.toStdString();
    EXPECT_FALSE(box.prompt.contains("3001")) << box.prompt.toStdString();
}

TEST_F(OpenCheck, OlderLayoutWithAVersionTextOfNoStepIsRefused) {
    QDir().mkpath(dbFolder());
    const QString path = dbFolder() + "/blank42.wkd";
    upgrade::CreateOldDatabase(path, upgrade::OldDatabaseLayout(4, "4.2", " 4.2"), vocabdb::VokDBPasswort);
    // Not the error report: the file is named and what it lacks, in the
    // user's language.
    const auto box = refuse(path, 0);
    EXPECT_TRUE(box.prompt.startsWith("Wortkiste kann diese Datei nicht verwenden:\r" + path + "\r\r"))
        << box.prompt.toStdString();
    EXPECT_TRUE(box.prompt.contains(". Es fehlt: Spalte OPTIONS.")) << box.prompt.toStdString();
    EXPECT_TRUE(box.prompt.contains(", Spalte OPTIONS.ShowFirstLetter,")) << box.prompt.toStdString();
    EXPECT_FALSE(box.prompt.contains(modMain::GetText(5009))) << box.prompt.toStdString();
    EXPECT_EQ(box.title, "Hinweis:");
    EXPECT_EQ(box.style, forms::vbExclamation);
}

}  // namespace
