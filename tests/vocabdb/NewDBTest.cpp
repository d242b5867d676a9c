// Creating a new vocabulary database from the main window: the note dialog,
// the save dialog, the question before a file is replaced, and what stays
// open when something fails.
#include <unistd.h>

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>

#include "mainwindow/MainHosts.h"
#include "mainwindow/RoadFixture.h"
#include "platform/Error.h"
#include "platform/forms/Controls.h"
#include "support/Access.h"
#include "support/QtPrinters.h"
#include "support/StaleJournal.h"
#include "vocabdb/frmNewDB.h"

using namespace roadtest;
using mainwindow::MainForm;
using wktest::CallKind;

namespace {

QByteArray Digest(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

vocabdb::frmNewDB* shownDialog() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<vocabdb::frmNewDB*>(w); d && d->isVisible()) return d;
    return nullptr;
}

class NewDB : public Road {
protected:
    QString first;

    // Anna (slot 2, English) works with first.wkd, which has two items.
    void startWithDatabase() {
        first = makeVokDB("first.wkd");
        addItem(first, "eins", 1);
        addItem(first, "zwei", 1);
        makeUsers({{2, "Anna"}}, 2, {{2, 1}});
        startup::FrmBenutzer f;
        startAs(f, 2, first);
        ASSERT_TRUE(runstate::bDBOffen);
        ui.clearCalls();
    }

    // Runs the new-database command with `note`, up to the dialog's OK.
    void createThroughDialog(const QString& note) {
        mainwindow::ShowNewDBDialog(MainForm());
        EXPECT_FALSE(MainForm().isEnabled());
        vocabdb::frmNewDB* dlg = shownDialog();
        ASSERT_NE(dlg, nullptr);
        dlg->txtC->setText(note);
        dlg->cmdOK_Click();
        EXPECT_TRUE(MainForm().isEnabled());
        EXPECT_EQ(shownDialog(), nullptr);
    }

    // Files in DB apart from the journals of open databases.
    QStringList dbFiles() const {
        QStringList out;
        for (const QString& f : QDir(dbFolder()).entryList(QDir::Files | QDir::Hidden))
            if (!f.endsWith("-wal") && !f.endsWith("-shm")) out << f;
        return out;
    }

    long items(const QString& path) {
        auto db = openVok(path);
        const long n = db->OpenRecordset("SELECT * FROM VOK")->RecordCount();
        db->Close();
        return n;
    }

    void expectStillOpen(const QString& path) {
        EXPECT_TRUE(runstate::bDBOffen);
        EXPECT_EQ(runstate::VokDBPfad, path);
        EXPECT_TRUE(vocabdb::IsOpenDatabaseFile(path));
        // Usable: the options record still reads.
        EXPECT_NO_THROW(runstate::rsOptions->Value("Copyright"));
    }
};

// The note's caption shows whole in both languages ("Unlöschbarer Vermerk :"
// is wider than the design's label), and the controls are reached and named.
TEST_F(NewDB, NoteCaptionShowsWholeAndTheControlsAreReachedAndNamed) {
    for (int basis : {10000, 20000}) {
        modMain::TextBasis = basis;
        vocabdb::frmNewDB dlg(nullptr, {});
        const QLabel* caption = dlg.lblBC;
        EXPECT_LE(caption->fontMetrics().horizontalAdvance(caption->text()), caption->width())
            << caption->text().toStdString();
        EXPECT_FALSE(caption->geometry().intersects(dlg.txtC->geometry()));
        EXPECT_TRUE(dlg.rect().contains(dlg.txtC->geometry()));
        EXPECT_EQ(wktest::missedByTab(dlg.txtC, {"cmdOK", "cmdAbbrechen"}), QStringList());
        EXPECT_EQ(wktest::unnamedControls(&dlg), QStringList()) << basis;
    }
}

TEST_F(NewDB, NewDatabaseInEnglishCarriesItsNoteAndBecomesTheOpenOne) {
    startWithDatabase();
    const QString path = dbFolder() + "/kurs.wkd";
    ui.pushSave(path);
    createThroughDialog("Kurs 1");

    const auto& save = ui.last(CallKind::ShowSave).dialog;
    EXPECT_EQ(save.DialogTitle, "Save the new database as...");
    EXPECT_EQ(save.Filter, "Vocabulary database (*.wkd)|*.wkd");
    EXPECT_EQ(save.InitDir, modMain::GetDBPath());
    EXPECT_EQ(save.Flags, 8196);
    EXPECT_EQ(save.FileName, QString());

    EXPECT_EQ(optionsValue(path, "Copyright").toString(), "Kurs 1");
    EXPECT_EQ(optionsValue(path, "AppVersion").toString(), "4.3");
    EXPECT_EQ(items(path), 0);
    expectStillOpen(path);
    EXPECT_EQ(runstate::NeuDBCopyright, "Kurs 1");
    EXPECT_EQ(userValue(2, "LastDB").toString(), path);
    EXPECT_EQ(items(first), 2);
    EXPECT_EQ(ui.count(CallKind::MsgBox), 0);
    // Nothing but the two databases is left in the folder.
    EXPECT_EQ(dbFiles().size(), 2);
}

TEST_F(NewDB, NoteOfHundredCharactersIsStoredWholeAndTheBoxTakesNoMore) {
    startWithDatabase();
    const QString note(100, QChar(u'ä'));
    ui.pushSave(dbFolder() + "/lang.wkd");
    mainwindow::ShowNewDBDialog(MainForm());
    vocabdb::frmNewDB* dlg = shownDialog();
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(forms::textLengthLimit(dlg->txtC), 100);
    EXPECT_EQ(dlg->windowTitle(), "New database");
    EXPECT_EQ(dlg->lblBC->text(), "Unerasable notice :");
    EXPECT_EQ(dlg->cmdOK->text(), "&Start >>");
    dlg->txtC->setText(note);
    dlg->cmdOK_Click();
    EXPECT_EQ(optionsValue(dbFolder() + "/lang.wkd", "Copyright").toString(), note);
}

TEST_F(NewDB, NoToTheOverwriteQuestionLeavesTheFileAndShowsTheDialogAgain) {
    startWithDatabase();
    const QString other = makeVokDB("other.wkd");
    addItem(other, "drei", 1);
    const QByteArray before = Digest(other);
    ui.pushSave(other);
    ui.pushMsgBox(forms::vbNo);
    ui.pushSaveCancel();
    createThroughDialog("neu");

    const auto box = ui.last(CallKind::MsgBox);
    EXPECT_EQ(box.prompt, "There is already a file named other.wkd !\r\rOverwrite this file ?");
    EXPECT_EQ(box.style, forms::vbYesNo);
    EXPECT_EQ(box.title, "Warning:");
    ASSERT_EQ(ui.count(CallKind::ShowSave), 2);
    EXPECT_EQ(ui.last(CallKind::ShowSave).dialog.FileName, QString());
    EXPECT_EQ(Digest(other), before);
    expectStillOpen(first);
}

TEST_F(NewDB, YesReplacesAnotherFileWithoutClosingTheOpenOneFirst) {
    startWithDatabase();
    const QString other = makeVokDB("other.wkd");
    addItem(other, "drei", 1);
    ui.pushSave(other);
    ui.pushMsgBox(forms::vbYes);
    // The open database must still be open when the new file is opened.
    bool firstOpenThen = false;
    vocabdb::NewDBHost host = mainwindow::NewDBHostFor(MainForm());
    auto open = host.openDatabase;
    host.closeOpenDatabase = [&] { ADD_FAILURE() << "the open database was closed"; };
    host.openDatabase = [&](const QString& p) {
        firstOpenThen = vocabdb::IsOpenDatabaseFile(first);
        return open(p);
    };
    runstate::NeuDBCopyright = "ersetzt";
    vocabdb::VokDBNeu(host);
    EXPECT_TRUE(firstOpenThen);
    EXPECT_EQ(items(other), 0);
    EXPECT_EQ(optionsValue(other, "Copyright").toString(), "ersetzt");
    expectStillOpen(other);
    EXPECT_EQ(items(first), 2);
}

TEST_F(NewDB, YesReplacesTheOpenDatabaseItself) {
    startWithDatabase();
    ui.pushSave(first);
    ui.pushMsgBox(forms::vbYes);
    createThroughDialog("frisch");
    EXPECT_EQ(items(first), 0);
    EXPECT_EQ(optionsValue(first, "Copyright").toString(), "frisch");
    expectStillOpen(first);
    EXPECT_FALSE(MainForm().fraWelcome->isVisibleTo(&MainForm()));
}

// The open database may be replaced (it is closed first); USER.MDB and the
// journals are refused by whatever name they are reached, and the dialog
// comes back.
TEST_F(NewDB, UserDatabaseAndJournalsAreRefused) {
    startWithDatabase();
    const QString users = home.path() + "/USER.MDB";
    const QString usersLinked = dbFolder() + "/users.wkd";
    ASSERT_EQ(::link(QFile::encodeName(users).constData(), QFile::encodeName(usersLinked).constData()), 0);
    const QStringList refused{users, usersLinked, first + "-wal", first + "-shm", users + "-wal"};
    for (const QString& name : refused) {
        ui.pushSave(name);
        ui.pushMsgBox(forms::vbOK);
    }
    ui.pushSaveCancel();
    createThroughDialog("neu");

    const auto boxes = ui.calls(CallKind::MsgBox);
    ASSERT_EQ(boxes.size(), size_t(refused.size()));
    for (int i = 0; i < refused.size(); ++i) {
        EXPECT_TRUE(boxes[size_t(i)].prompt.startsWith("The file cannot be written:\r" + refused[i] +
                                                       "\r\rWortkiste is using this file:"))
            << boxes[size_t(i)].prompt.toStdString();
        EXPECT_EQ(boxes[size_t(i)].title, "Warning:");
    }
    EXPECT_EQ(ui.count(CallKind::ShowSave), int(refused.size()) + 1);
    expectStillOpen(first);
    EXPECT_EQ(items(first), 2);
    EXPECT_EQ(userValue(2, "Name").toString(), "Anna");
}

TEST_F(NewDB, ReplacedOpenDatabaseThatThenFailsToOpenLeavesTheNoDatabaseState) {
    startWithDatabase();
    ui.pushSave(first);
    ui.pushMsgBox(forms::vbYes);
    vocabdb::NewDBHost host = mainwindow::NewDBHostFor(MainForm());
    host.openDatabase = [](const QString&) { return false; };
    vocabdb::VokDBNeu(host);
    EXPECT_FALSE(runstate::bDBOffen);
    EXPECT_FALSE(runstate::dbVok);
    EXPECT_EQ(runstate::VokDBPfad, QString());
    EXPECT_EQ(MainForm().lblBDBName->text(), "- No database selected -");
    EXPECT_TRUE(MainForm().fraWelcome->isVisibleTo(&MainForm()));
    EXPECT_EQ(items(first), 0);  // the new file is in place all the same
}

TEST_F(NewDB, FailedReplacementKeepsThePreviousDatabaseOpenAndUsable) {
    startWithDatabase();
    // A folder of that name cannot be replaced by a file.
    const QString blocked = dbFolder() + "/ordner.wkd";
    ASSERT_TRUE(QDir().mkpath(blocked + "/inhalt"));
    ui.pushSave(blocked);
    ui.pushMsgBox(forms::vbYes);
    ui.pushMsgBox(forms::vbOK);  // the error report
    createThroughDialog("x");
    EXPECT_EQ(ui.last(CallKind::MsgBox).title, "348");
    EXPECT_TRUE(QFileInfo(blocked).isDir());
    expectStillOpen(first);
    EXPECT_EQ(dbFiles().size(), 1);  // first.wkd only
}

TEST_F(NewDB, CreationThatFailsIsReportedAndLeavesNothingBehind) {
    startWithDatabase();
    ui.pushSave(dbFolder() + "/fehlt/neu.wkd");
    ui.pushMsgBox(forms::vbOK);
    createThroughDialog("x");
    const auto box = ui.last(CallKind::MsgBox);
    EXPECT_EQ(box.title, "348");
    EXPECT_EQ(box.style, forms::vbCritical);
    EXPECT_FALSE(QDir(dbFolder() + "/fehlt").exists());
    expectStillOpen(first);
    EXPECT_EQ(runstate::VokDBPfad, first);
}

TEST_F(NewDB, CancelInTheSaveDialogCreatesNothing) {
    startWithDatabase();
    ui.pushSaveCancel();
    createThroughDialog("x");
    expectStillOpen(first);
    EXPECT_EQ(dbFiles().size(), 1);
}

TEST_F(NewDB, CancelAndTheCloseBoxGiveTheMainWindowBack) {
    startWithDatabase();
    mainwindow::ShowNewDBDialog(MainForm());
    QPointer<vocabdb::frmNewDB> dlg = shownDialog();
    ASSERT_TRUE(dlg);
    dlg->cmdAbbrechen_Click();
    EXPECT_TRUE(MainForm().isEnabled());
    EXPECT_FALSE(dlg && dlg->isVisible());

    mainwindow::ShowNewDBDialog(MainForm());
    dlg = shownDialog();
    ASSERT_TRUE(dlg);
    EXPECT_FALSE(MainForm().isEnabled());
    dlg->close();
    EXPECT_TRUE(MainForm().isEnabled());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(dlg);
    expectStillOpen(first);
    EXPECT_EQ(ui.count(CallKind::ShowSave), 0);
}

TEST_F(NewDB, WithoutAnOpenDatabaseTheNewOneOpens) {
    makeUsers({{1, "Ben"}});
    startup::FrmBenutzer f;
    startAs(f, 1);
    ASSERT_FALSE(runstate::bDBOffen);
    QDir().mkpath(dbFolder());
    ui.pushSave(dbFolder() + "/erste.wkd");
    createThroughDialog("");
    EXPECT_EQ(optionsValue(dbFolder() + "/erste.wkd", "Copyright").toString(), QString());
    expectStillOpen(dbFolder() + "/erste.wkd");
}

}  // namespace

namespace {

TEST_F(NewDB, JournalLeftBesideTheReplacedFileIsNotAppliedToTheNewOne) {
    startWithDatabase();
    const QString other = makeVokDB("other.wkd");
    addItem(other, "drei", 1);
    ASSERT_TRUE(wktest::LeaveStaleJournal(other));
    ui.pushSave(other);
    ui.pushMsgBox(forms::vbYes);
    createThroughDialog("neu");
    EXPECT_EQ(ui.count(CallKind::MsgBox), 1);  // the question only
    expectStillOpen(other);
    EXPECT_EQ(items(other), 0);
    EXPECT_EQ(optionsValue(other, "Copyright").toString(), "neu");
    EXPECT_FALSE(runstate::dbVok->HasTable("scratch"));
}

TEST_F(NewDB, FileAnotherProgramHoldsIsNotReplaced) {
    if (QStandardPaths::findExecutable("sqlite3").isEmpty()) GTEST_SKIP() << "no sqlite3 shell";
    startWithDatabase();
    const QString other = makeVokDB("other.wkd");
    addItem(other, "drei", 1);
    const QByteArray before = Digest(other);
    // At work on it, in a transaction.
    QProcess holder;
    holder.start("sqlite3", {other});
    ASSERT_TRUE(holder.waitForStarted());
    holder.write("BEGIN; SELECT count(*) FROM VOK;\n");
    ASSERT_TRUE(holder.waitForReadyRead(10000));

    ui.pushSave(other);
    ui.pushMsgBox(forms::vbYes);
    ui.pushMsgBox(forms::vbOK);  // the error report
    createThroughDialog("x");
    const auto box = ui.last(CallKind::MsgBox);
    EXPECT_EQ(box.title, "348");
    EXPECT_TRUE(box.prompt.contains("3045")) << box.prompt.toStdString();
    EXPECT_TRUE(box.prompt.contains("already in use")) << box.prompt.toStdString();
    expectStillOpen(first);
    EXPECT_EQ(dbFiles(), (QStringList{"first.wkd", "other.wkd"}));

    holder.write("COMMIT;\n.quit\n");
    holder.closeWriteChannel();
    ASSERT_TRUE(holder.waitForFinished(10000));
    EXPECT_EQ(Digest(other), before);
    EXPECT_EQ(items(other), 1);
}

}  // namespace
