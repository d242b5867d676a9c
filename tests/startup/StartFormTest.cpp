// The start form: single instance, program folder, user database, the user
// and language lists, and the confirmation.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include "mainwindow/RoadFixture.h"
#include "support/Access.h"
#include "support/StaleJournal.h"

using namespace roadtest;
using wktest::CallKind;

namespace {

class StartForm : public Road {
protected:
    // A second process of this program that holds the first pass's lock for
    // holdMs milliseconds.
    pid_t holdLockInOtherProcess(int holdMs) {
        int fds[2];
        if (pipe(fds) != 0) return -1;
        const pid_t pid = fork();
        if (pid == 0) {
            close(fds[0]);
            const char c = shell::AcquireInstanceLock(kFirstLock) ? '1' : '0';
            if (write(fds[1], &c, 1) != 1) _exit(2);
            usleep(useconds_t(holdMs) * 1000);
            _exit(0);
        }
        close(fds[1]);
        char c = 0;
        const bool ok = read(fds[0], &c, 1) == 1 && c == '1';
        close(fds[0]);
        EXPECT_TRUE(ok) << "the other process could not take the lock";
        return pid;
    }
    void endOtherProcess(pid_t pid) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    QByteArray fileBytes(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

TEST_F(StartForm, NewInstallationOffersNoUserInEnglish) {
    startup::FrmBenutzer f;
    f.Form_Load();
    EXPECT_TRUE(QDir(home.path() + "/DB").exists());
    EXPECT_TRUE(QDir(home.path() + "/TEMP").exists());
    EXPECT_TRUE(QFile::exists(home.path() + "/USER.MDB"));
    EXPECT_EQ(f.cboBenutzer->count(), 0);
    EXPECT_FALSE(f.cboBenutzer->isEnabled());
    EXPECT_FALSE(f.cmdOK->isEnabled());
    EXPECT_EQ(f.cmdNeu->text(), "&New user");
    EXPECT_EQ(f.cmdOK->text(), "&Start >>");
    EXPECT_EQ(f.LblBenutzer->text(), "User:");
    EXPECT_EQ(f.lblBLang->text(), "Language:");
    EXPECT_EQ(f.cboLang->currentText(), "English");
    EXPECT_EQ(f.lblVersion->text(), "version 4.3");
    EXPECT_EQ(f.imgEnd->toolTip(), "Exit Wortkiste");
    EXPECT_EQ(f.imgEnd->accessibleName(), "Exit Wortkiste");
    EXPECT_TRUE(f.imgWWW->accessibleName().contains("example.org"));
    EXPECT_EQ(runstate::BedComp, (QStringList{" = ", " < ", " > ", " NOT LIKE ", " LIKE "}));
    EXPECT_EQ(runstate::BedAndOr, (QStringList{"<Ende>", " AND ", " OR "}));
    EXPECT_EQ(runstate::BedWhat, (QStringList{"Q", "A", "T", "FQ"}));
    EXPECT_EQ(runstate::ProgName, "Wortkiste");
    EXPECT_EQ(f.heldLocks, QStringList{kFirstLock});
    EXPECT_EQ(ui.count(CallKind::MsgBox), 0);
}

// Pictures and sounds of the user are extracted to TEMP: no other local
// user may read them, also where an older version left the folder open.
TEST_F(StartForm, TempFolderAndItsFilesAreTheOwnersAlone) {
    const QString temp = home.path() + "/TEMP";
    ASSERT_TRUE(QDir().mkpath(temp));
    ASSERT_EQ(::chmod(QFile::encodeName(temp).constData(), 0755), 0);
    const mode_t mask = ::umask(022);
    startup::FrmBenutzer f;
    f.Form_Load();
    const QString file = shell::CreateTempFile(modMain::GetTempPath());
    ::umask(mask);
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(temp).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u);
    ASSERT_FALSE(file.isEmpty());
    ASSERT_EQ(::stat(QFile::encodeName(file).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
}

TEST_F(StartForm, LastUserThreePreselectsSlotThreeInItsLanguage) {
    makeUsers({{1, "Anna"}, {3, "Carl"}, {4, "Dora"}}, 3, {{1, 1}, {3, 0}, {4, 1}});
    startup::FrmBenutzer f;
    f.Form_Load();
    EXPECT_EQ(f.cboBenutzer->count(), 3);
    EXPECT_EQ(f.cboBenutzer->currentText(), "3: Carl");
    EXPECT_EQ(f.cboLang->currentIndex(), 0);
    EXPECT_EQ(f.LblBenutzer->text(), "Benutzer:");
    EXPECT_EQ(f.cmdNeu->text(), "&Benutzer");
    EXPECT_EQ(f.imgEnd->toolTip(), "Wortkiste beenden");
    EXPECT_EQ(f.imgEnd->accessibleName(), "Wortkiste beenden");
    EXPECT_TRUE(f.cmdOK->isEnabled());
    EXPECT_TRUE(f.cboBenutzer->isEnabled());
}

// The focus starts on the choice of user (on making the first one while
// there is none); Tab goes through the choice and ends at the exit picture.
TEST_F(StartForm, FocusStartsOnTheChoiceAndTabEndsAtTheExit) {
    const struct {
        std::map<int, QString> users;
        QString focus;
        QStringList walk;  // from the users' button on
    } cases[] = {
        {{{1, "Anna"}}, "cboBenutzer", {"cmdNeu", "cmdOK", "imgWWW", "imgEnd", "cboBenutzer", "cboLang"}},
        {{}, "cmdNeu", {"cmdNeu", "imgWWW", "imgEnd", "cboLang"}}};
    for (const auto& c : cases) {
        makeUsers(c.users, 1);
        startup::FrmBenutzer f;
        f.Form_Load();
        f.show();
        EXPECT_EQ(wktest::focusedControl(&f), c.focus);
        EXPECT_EQ(wktest::tabWalk(f.cmdNeu), c.walk);
        EXPECT_EQ(wktest::unnamedControls(&f), QStringList());
        resetRunState();
    }
}

// Assistive tools hear each box by its label, without the colon, and in the
// language just chosen, never by the entry it shows.
TEST_F(StartForm, BoxesAreHeardInTheLanguageChosen) {
    makeUsers({{1, "Anna"}}, 1, {{1, 1}});
    startup::FrmBenutzer f;
    f.Form_Load();
    const struct {
        QWidget* w;
        QString en, de;
    } cases[] = {
        {f.cboBenutzer, "list box: User", "list box: Benutzer"},
        {f.cboLang, "list box: Language", "list box: Sprache"},
        {f.imgEnd, "button: Exit Wortkiste", "button: Wortkiste beenden"},
    };
    for (int lang : {1, 0, 1}) {
        f.cboLang->setCurrentIndex(lang);
        for (const auto& c : cases)
            EXPECT_EQ(wktest::heard(c.w), lang == 0 ? c.de : c.en) << c.w->objectName().toStdString();
    }
}

// A reader hears which user the test will be charged to and which
// language: each box with its entry, the new entry as an arrow changes it,
// and nothing of a box set while the focus is elsewhere.
TEST_F(StartForm, BoxesAreHeardWithTheirEntries) {
    makeUsers({{1, "Anna"}, {2, "Bert"}}, 1, {{1, 1}, {2, 1}});
    startup::FrmBenutzer f;
    f.Form_Load();
    f.show();
    QApplication::setActiveWindow(&f);
    const struct {
        QComboBox* box;
        QString entry;
        int key;
        QString carried;
    } cases[] = {
        {f.cboBenutzer, "1: Anna", Qt::Key_Down, "focus: entry '2: Bert'"},
        {f.cboLang, "English", Qt::Key_Up, "focus: entry 'Deutsch'"},
    };
    for (const auto& c : cases) {
        c.box->setFocus(Qt::TabFocusReason);
        QAccessibleTextInterface* read = QAccessible::queryAccessibleInterface(c.box)->textInterface();
        ASSERT_NE(read, nullptr) << c.box->objectName().toStdString();
        EXPECT_EQ(read->text(0, read->characterCount()), c.entry);
        wktest::ReaderLog log;
        wktest::keyTo(c.box, c.key);
        EXPECT_EQ(log.carried(), QStringList{c.carried}) << c.box->objectName().toStdString();
    }
    f.cmdNeu->setFocus();
    wktest::ReaderLog log;
    f.cboBenutzer->setCurrentIndex(0);  // the language follows the user
    EXPECT_EQ(log.carried(), QStringList());
}

TEST_F(StartForm, LastUserNoLongerInUseLeavesTheFirstEntry) {
    makeUsers({{2, "Ben"}, {4, "Dora"}}, 3);
    startup::FrmBenutzer f;
    f.Form_Load();
    EXPECT_EQ(f.cboBenutzer->currentText(), "2: Ben");
}

TEST_F(StartForm, RateOfMistakeRoundsHalfToEven) {
    makeUsers({{1, "Anna"}, {2, "Ben"}, {3, "Carl"}});
    setUserValue(1, "AnzFr", 8);
    setUserValue(1, "AnzF", 3);
    setUserValue(2, "AnzFr", 8);
    setUserValue(2, "AnzF", 1);
    setUserValue(3, "AnzFr", 0);
    setUserValue(3, "AnzF", 5);
    startup::FrmBenutzer f;
    f.Form_Load();
    f.cboBenutzer->setCurrentIndex(0);
    EXPECT_EQ(f.LblUserStat->text(), "Rate of mistake: 38 %");
    f.cboBenutzer->setCurrentIndex(1);
    EXPECT_EQ(f.LblUserStat->text(), "Rate of mistake: 12 %");
    f.cboBenutzer->setCurrentIndex(2);
    EXPECT_EQ(f.LblUserStat->text(), "Rate of mistake: 0 %");
}

TEST_F(StartForm, LanguageChosenWithoutUsersIsKeptForTheNextStart) {
    {
        startup::FrmBenutzer f;
        f.Form_Load();
        f.cboLang->setCurrentIndex(0);
        EXPECT_EQ(f.cmdNeu->text(), "&Neuer Benutzer");
    }
    resetRunState();
    startup::FrmBenutzer g;
    g.Form_Load();
    EXPECT_EQ(g.cboLang->currentText(), "Deutsch");
    EXPECT_EQ(g.LblBenutzer->text(), "Benutzer:");
}

TEST_F(StartForm, ConfirmationMakesTheSlotCurrent) {
    makeUsers({{1, "Anna"}, {4, "Dora"}});
    startup::FrmBenutzer f;
    startAs(f, 4);
    EXPECT_EQ(runstate::BenutzerNr, 4);
    EXPECT_EQ(runstate::BenutzerName, "Dora");
    EXPECT_EQ(runstate::rsBenutzer->RecordCount(), 1);
    EXPECT_EQ(runstate::rsBenutzer->Value("ID").toInt(), 4);
    runstate::rsBenutzer->Edit();  // the current user's row is writable
    runstate::rsBenutzer->SetValue("R2", 1);
    runstate::rsBenutzer->Update();
    EXPECT_EQ(userValue(4, "R2").toInt(), 1);

    resetRunState();
    startup::FrmBenutzer g;
    g.Form_Load();
    EXPECT_EQ(g.cboBenutzer->currentText(), "4: Dora");
}

TEST_F(StartForm, SecondInstanceIsToldAndEnds) {
    const pid_t other = holdLockInOtherProcess(30000);
    startup::FrmBenutzer f;
    ui.pushMsgBox(forms::vbOK);
    EXPECT_THROW(f.Form_Load(), forms::ProgramEnded);
    endOtherProcess(other);
    const auto box = ui.last(CallKind::MsgBox);
    EXPECT_EQ(box.prompt, "Wortkiste is already running");
    EXPECT_EQ(box.style, forms::vbOKOnly);
    EXPECT_EQ(ui.count(CallKind::EndProgram), 1);
    // Nothing of the program folder was touched.
    EXPECT_FALSE(QFile::exists(home.path() + "/USER.MDB"));
}

// The tick count of the real clock, so that the start-up's waits take time.
struct RealClockUi : wktest::ScriptedInteraction {
    QElapsedTimer clock;
    RealClockUi() { clock.start(); }
    qint64 TickCount() override { return clock.elapsed(); }
};

TEST_F(StartForm, RestartMarkerWaitsForTheEndingInstance) {
    QFile marker(home.path() + "/restart");
    ASSERT_TRUE(marker.open(QIODevice::WriteOnly));
    marker.close();
    const pid_t other = holdLockInOtherProcess(700);
    RealClockUi clockUi;
    wktest::InteractionGuard guard(clockUi);
    startup::FrmBenutzer f;
    QElapsedTimer waited;
    waited.start();
    f.Form_Load();
    waitpid(other, nullptr, 0);
    EXPECT_GE(waited.elapsed(), 500);
    EXPECT_EQ(clockUi.count(CallKind::MsgBox), 0);
    EXPECT_FALSE(QFile::exists(home.path() + "/restart"));
    EXPECT_TRUE(QFile::exists(home.path() + "/USER.MDB"));
}

TEST_F(StartForm, RestartMarkerGivesUpSilentlyAfterAHundredTries) {
    QFile marker(home.path() + "/restart");
    ASSERT_TRUE(marker.open(QIODevice::WriteOnly));
    marker.close();
    const pid_t other = holdLockInOtherProcess(30000);
    startup::FrmBenutzer f;
    EXPECT_THROW(f.Form_Load(), forms::ProgramEnded);
    endOtherProcess(other);
    EXPECT_EQ(ui.count(CallKind::MsgBox), 0);
    // 100 waits of 200 ms on the scripted clock, 10 ms per turn of the loop.
    EXPECT_EQ(ui.doEventsCount(), 100 * 20);
    EXPECT_TRUE(QFile::exists(home.path() + "/restart"));
}

TEST_F(StartForm, StaleRestartMarkerIsDeletedAtOnce) {
    QFile marker(home.path() + "/restart");
    ASSERT_TRUE(marker.open(QIODevice::WriteOnly));
    marker.close();
    startup::FrmBenutzer f;
    f.Form_Load();
    EXPECT_FALSE(QFile::exists(home.path() + "/restart"));
    EXPECT_EQ(ui.doEventsCount(), 0);
}

TEST_F(StartForm, DamagedUserDatabaseIsNamedAndLeftAlone) {
    const QString path = home.path() + "/USER.MDB";
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("SQLite format 3") + QByteArray(5000, '\x7f'));
    }
    const QByteArray before = fileBytes(path);
    ui.pushMsgBox(forms::vbOK);
    startup::FrmBenutzer f;
    EXPECT_THROW(f.Form_Load(), forms::ProgramEnded);
    const auto box = ui.last(CallKind::MsgBox);
    EXPECT_TRUE(box.prompt.contains(path)) << box.prompt.toStdString();
    EXPECT_TRUE(box.prompt.contains("damaged")) << box.prompt.toStdString();
    EXPECT_EQ(box.style, forms::vbCritical);
    EXPECT_EQ(fileBytes(path), before);
}

TEST_F(StartForm, ForeignUserDatabaseIsNamedAndLeftAlone) {
    const QString path = home.path() + "/USER.MDB";
    {
        auto db = dao::DBEngine::CreateDatabase(path);
        auto td = db->CreateTableDef("Benutzer");
        td->Append(td->CreateField("ID", dao::dbInteger));
        db->Append(td);
        db->NewPassword("", "another");
        db->Close();
    }
    const QByteArray before = fileBytes(path);
    ui.pushMsgBox(forms::vbOK);
    startup::FrmBenutzer f;
    EXPECT_THROW(f.Form_Load(), forms::ProgramEnded);
    const auto box = ui.last(CallKind::MsgBox);
    EXPECT_TRUE(box.prompt.contains(path));
    EXPECT_TRUE(box.prompt.contains("not this program's user database"));
    EXPECT_TRUE(box.prompt.contains("has left the file as it is."));
    EXPECT_EQ(fileBytes(path), before);
}

// A journal beside an unusable user database that SQLite applies as it
// opens it, as it would for any program: the write-ahead journal of another
// file beside a file another program keeps in write-ahead mode, or the
// rollback journal of a crash, whose playback leaves the size as it was.
// The box names that journal, and no longer says the file was left as it was.
TEST_F(StartForm, AJournalAppliedToAnUnusableUserDatabaseIsNamed) {
    const QString path = home.path() + "/USER.MDB";
    for (const char* suffix : {"-wal", "-journal"}) {
        SCOPED_TRACE(suffix);
        QFile::remove(path);
        if (QString(suffix) == "-wal") {
            makeUsers({{1, "Ben"}});
            ASSERT_EQ(QProcess::execute("sqlite3", {path, "PRAGMA journal_mode=WAL;"}), 0);
            ASSERT_TRUE(wktest::LeaveStaleJournal(path));
        } else {  // a table of many rows, killed midway through a change of them all
            dao::DBEngine::CreateDatabase(path)->Close();
            QProcess crash;
            crash.start("sqlite3", {path});
            crash.write(
                "CREATE TABLE Benutzer (ID INTEGER); WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT "
                "i + 1 FROM n WHERE i < 3000) INSERT INTO Benutzer SELECT i FROM n; PRAGMA cache_size=2; "
                "BEGIN; UPDATE Benutzer SET ID = -ID; SELECT 'midway';\n");
            ASSERT_TRUE(crash.waitForReadyRead(20000));
            crash.kill();
            crash.waitForFinished();
        }
        const QByteArray before = fileBytes(path);
        ui.pushMsgBox(forms::vbOK);
        startup::FrmBenutzer f;
        EXPECT_THROW(f.Form_Load(), forms::ProgramEnded);
        const QString box = ui.last(CallKind::MsgBox).prompt;
        EXPECT_NE(fileBytes(path), before) << "SQLite applied the journal";
        EXPECT_FALSE(box.contains("left the file as it is")) << box.toStdString();
        EXPECT_TRUE(box.contains("applied the journal that lay beside the file (" + path + suffix + ")"));
        roadtest::resetRunState();
    }
}

// A journal beside it that was not its own and cannot be moved aside (every
// name for it taken): start-up ends before it writes anything.
TEST_F(StartForm, UserDatabaseBesideAJournalThatCannotBeSetAsideIsLeftAlone) {
    makeUsers({{1, "Ben"}});
    const QString path = home.path() + "/USER.MDB";
    const QByteArray before = fileBytes(path);
    ASSERT_TRUE(wktest::LeaveJournalThatCannotBeSetAside(path));
    ui.pushMsgBox(forms::vbOK);
    startup::FrmBenutzer f;
    EXPECT_THROW(f.Form_Load(), forms::ProgramEnded);
    const auto box = ui.last(CallKind::MsgBox);
    EXPECT_TRUE(box.prompt.contains("could not move it aside")) << box.prompt.toStdString();
    EXPECT_TRUE(box.prompt.contains("has not been opened."));
    EXPECT_TRUE(box.prompt.contains(path + "-wal"));
    EXPECT_EQ(fileBytes(path), before);
    EXPECT_TRUE(QFile::exists(path + "-wal"));
}

TEST_F(StartForm, ProgramFolderThatCannotBeWrittenIsReported) {
    if (geteuid() == 0) GTEST_SKIP() << "root writes everywhere";
    QFile::setPermissions(home.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    ui.pushMsgBox(forms::vbOK);
    startup::FrmBenutzer f;
    EXPECT_THROW(f.Form_Load(), forms::ProgramEnded);
    QFile::setPermissions(home.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_TRUE(ui.last(CallKind::MsgBox).prompt.contains(home.path() + "/USER.MDB"));
    EXPECT_FALSE(QFile::exists(home.path() + "/USER.MDB"));
}

TEST_F(StartForm, ProgramFolderThatCannotBeMadeIsReported) {
    // A file stands where the program folder should be.
    const QString blocker = home.path() + "/blocker";
    {
        QFile f(blocker);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    qputenv("WORTKISTE_HOME", (blocker + "/Wortkiste").toUtf8());
    ui.pushMsgBox(forms::vbOK);
    startup::FrmBenutzer f;
    EXPECT_THROW(f.Form_Load(), forms::ProgramEnded);
    const auto box = ui.last(CallKind::MsgBox);
    EXPECT_TRUE(box.prompt.contains(blocker + "/Wortkiste/USER.MDB")) << box.prompt.toStdString();
    EXPECT_TRUE(box.prompt.contains("cannot be created")) << box.prompt.toStdString();
    EXPECT_EQ(fileBytes(blocker), QByteArray());
}

TEST_F(StartForm, UserDatabaseOfAnOlderLayoutIsReplacedAndStartUpRunsAgain) {
    const QString path = home.path() + "/USER.MDB";
    {
        auto db = dao::DBEngine::CreateDatabase(path);
        auto b = db->CreateTableDef("Benutzer");
        b->Append(b->CreateField("ID", dao::dbInteger));
        auto name = b->CreateField("Name", dao::dbText, 20);
        name->SetAllowZeroLength(true);
        b->Append(name);
        b->Append(b->CreateField("LastWidth", dao::dbInteger));
        db->Append(b);
        auto o = db->CreateTableDef("Options");
        o->Append(o->CreateField("LastUser", dao::dbInteger));
        db->Append(o);
        db->CreateQueryDef("Optionen", "SELECT * FROM Options");
        db->Execute("INSERT INTO Options (LastUser) VALUES (1)");
        for (int n = 1; n <= 5; ++n)
            db->Execute("INSERT INTO Benutzer (ID, Name, LastWidth) VALUES (?, ?, 0)",
                        {n, n == 1 ? "Alt" : ""});
        db->NewPassword("", modUserDB::UserDBPasswort);
        db->Close();
    }
    startup::FrmBenutzer f;
    f.Form_Load();
    EXPECT_EQ(ui.count(CallKind::MsgBox), 0);
    EXPECT_EQ(f.cboBenutzer->count(), 0);
    EXPECT_EQ(userValue(1, "Name").toString(), "");
    EXPECT_EQ(f.heldLocks, (QStringList{kFirstLock, "Wortkiste 4.3_APPLICATION_MUTEX"}));
}

TEST_F(StartForm, UserManagementButtonHoldsTheConfirmation) {
    makeUsers({{1, "Anna"}});
    startup::FrmBenutzer f;
    f.Form_Load();
    ASSERT_TRUE(f.cmdOK->isEnabled());
    int shown = 0;
    startup::FrmBenutzer::ShowUserManagement = [&](startup::FrmBenutzer&) { ++shown; };
    f.cmdNeu_Click();
    startup::FrmBenutzer::ShowUserManagement = nullptr;
    EXPECT_EQ(shown, 1);
    EXPECT_FALSE(f.cmdOK->isEnabled());
}

TEST_F(StartForm, ExitImageEndsWithoutTouchingTheLastUser) {
    makeUsers({{1, "Anna"}, {2, "Ben"}}, 1);
    startup::FrmBenutzer f;
    f.Form_Load();
    f.cboBenutzer->setCurrentIndex(1);
    EXPECT_THROW(f.imgEnd_Click(), forms::ProgramEnded);
    resetRunState();
    startup::FrmBenutzer g;
    g.Form_Load();
    EXPECT_EQ(g.cboBenutzer->currentText(), "1: Anna");
}

TEST_F(StartForm, DraggingTheStripKeepsTheGrabbedPointUnderThePointer) {
    startup::FrmBenutzer f;
    f.Form_Load();
    f.move(100, 100);
    f.imgMove_MouseDown(1, 0, 150, 75);  // 10 x 5 pixels into the strip
    runstate::CursorPos = QPoint(-1, -1);
    f.imgMove_MouseMove(1, 0, 150, 75);
    const QPoint p = QCursor::pos();
    EXPECT_EQ(f.pos(), p - QPoint(10, 5));
    f.imgMove_MouseUp(1, 0, 0, 0);
    f.move(100, 100);
    runstate::CursorPos = QPoint(-1, -1);
    f.imgMove_MouseMove(0, 0, 0, 0);
    EXPECT_EQ(f.pos(), QPoint(100, 100));
}

TEST_F(StartForm, FileTypeIsRegisteredOnlyWhileTheOptionIsOn) {
    const QByteArray savedData = qgetenv("XDG_DATA_HOME");
    const QString data = home.path() + "/xdg";
    qputenv("XDG_DATA_HOME", data.toUtf8());
    const QString entry = data + "/applications/wortkiste.desktop";
    const QString mime = data + "/mime/packages/wortkiste.xml";
    {
        startup::FrmBenutzer f;
        f.Form_Load();  // a new USER.MDB has RegFileType 1
    }
    EXPECT_TRUE(QFile::exists(entry));
    EXPECT_TRUE(QFile::exists(mime));
    const QByteArray first = fileBytes(entry);

    resetRunState();
    {
        startup::FrmBenutzer f;
        f.Form_Load();
    }
    EXPECT_EQ(fileBytes(entry), first);

    runstate::rsUserOptionen->Edit();
    runstate::rsUserOptionen->SetValue("RegFileType", 0);
    runstate::rsUserOptionen->Update();
    resetRunState();
    QFile::remove(entry);
    {
        startup::FrmBenutzer f;
        f.Form_Load();
    }
    EXPECT_FALSE(QFile::exists(entry));
    qputenv("XDG_DATA_HOME", savedData);
}

TEST_F(StartForm, HighlightLastsWhileThePointerRests) {
    startup::FrmBenutzer f;
    f.Form_Load();
    QCursor::setPos(50, 50);
    if (QCursor::pos() != QPoint(50, 50)) GTEST_SKIP() << "this platform does not move the pointer";
    f.imgEnd_MouseMove(0, 0, 0, 0);
    EXPECT_EQ(f.imgEnd->pictureKey(), f.imgEnd_Hi->pictureKey());
    EXPECT_TRUE(f.tmr->isActive());
    f.tmr_Timer();  // the pointer has not moved: the highlight stays
    EXPECT_EQ(f.imgEnd->pictureKey(), f.imgEnd_Hi->pictureKey());

    f.imgWWW_MouseMove(0, 0, 0, 0);
    EXPECT_TRUE(f.lHi->isVisibleTo(&f));
    QCursor::setPos(60, 70);
    f.tmr_Timer();
    EXPECT_EQ(f.imgEnd->pictureKey(), f.imgEnd_Lo->pictureKey());
    EXPECT_FALSE(f.lHi->isVisibleTo(&f));
    EXPECT_FALSE(f.tmr->isActive());
}

TEST_F(StartForm, DisplayOfEightBitsIsRefused) {
    for (int depth : {1, 4, 8, 16, 24, 32}) {
        resetRunState();
        startup::FrmBenutzer::ColorDepth = [depth] { return depth; };
        startup::FrmBenutzer f;
        const bool refused = depth <= 8;
        if (refused) {
            ui.pushMsgBox(forms::vbOK);
            EXPECT_THROW(f.Form_Load(), forms::ProgramEnded) << depth;
            const auto box = ui.last(CallKind::MsgBox);
            EXPECT_EQ(box.style, forms::vbExclamation);
            EXPECT_EQ(box.prompt, modMain::GetText(5053) + "\r\n\r\n" + modMain::GetText(5054));
            EXPECT_TRUE(box.prompt.contains("\"High Color (16 bit)\""));
        } else {
            EXPECT_NO_THROW(f.Form_Load()) << depth;
        }
        startup::FrmBenutzer::ColorDepth = nullptr;
    }
    EXPECT_EQ(ui.count(CallKind::EndProgram), 3);
}

}  // namespace
