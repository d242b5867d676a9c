// The status labels' hints, the change of user and the TEMP clean-up.
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMouseEvent>
#include <QThread>

#include "core/modMedia.h"
#include "mainwindow/MainHosts.h"
#include "mainwindow/RoadFixture.h"
#include "mainwindow/StatusLabels.h"
#include "support/QtPrinters.h"

using namespace roadtest;
using wktest::CallKind;

namespace {

// Lets the event loop run until `done` or the time is up.
template <class F>
bool waitFor(F done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

TEST(StatusErrorRate, RoundsHalvesToEven) {
    EXPECT_EQ(mainwindow::ErrorRate(0, 0), 0);
    EXPECT_EQ(mainwindow::ErrorRate(3, 1), 33);
    EXPECT_EQ(mainwindow::ErrorRate(3, 2), 67);
    EXPECT_EQ(mainwindow::ErrorRate(8, 1), 12);  // 12.5
    EXPECT_EQ(mainwindow::ErrorRate(8, 3), 38);  // 37.5
    EXPECT_EQ(mainwindow::ErrorRate(25, 3), 12);
    EXPECT_EQ(mainwindow::ErrorRate(4, 4), 100);
}

TEST(StatusLines, UserStatisticsInBothLanguages) {
    const qint32 savedBase = modMain::TextBasis;
    modMain::SetLanguage(0);
    EXPECT_EQ(mainwindow::UserStatisticsLine(25, 22, 3),
              "Fehlerquote 12%, insgesamt 25 Abfragen, davon 22 richtig");
    EXPECT_EQ(mainwindow::UserStatisticsLine(0, 0, 0),
              "Fehlerquote 0%, insgesamt 0 Abfragen, davon 0 richtig");
    EXPECT_EQ(mainwindow::UserStatisticsHint(), "Doppelklick wechselt Benutzer");
    modMain::SetLanguage(1);
    EXPECT_EQ(mainwindow::UserStatisticsLine(1, 1, 0),
              "Rate of mistake 0%, a total of 1 question, of which 1 was right");
    EXPECT_EQ(mainwindow::UserStatisticsLine(1, 0, 1),
              "Rate of mistake 100%, a total of 1 question, of which 0 were right");
    EXPECT_EQ(mainwindow::UserStatisticsLine(2, 1, 1),
              "Rate of mistake 50%, a total of 2 questions, of which 1 was right");
    EXPECT_EQ(mainwindow::UserStatisticsHint(), "Double-click to change user");
    modMain::TextBasis = savedBase;
}

TEST(StatusLines, DatabaseSizeInThousands) {
    QTemporaryDir dir;
    const QString path = dir.filePath("k.wkd");
    auto sized = [&](qint64 n) {
        QFile f(path);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(QByteArray(n, 'x'));
        f.close();
        return mainwindow::DatabaseSizeLine(true, path);
    };
    EXPECT_EQ(sized(999), "0 KB");
    EXPECT_EQ(sized(1000), "1 KB");
    EXPECT_EQ(sized(1999), "1 KB");
    EXPECT_EQ(sized(123456), "123 KB");
    EXPECT_FALSE(mainwindow::DatabaseSizeLine(false, path));
    QFile::remove(path);
    EXPECT_FALSE(mainwindow::DatabaseSizeLine(true, path));
    EXPECT_FALSE(mainwindow::DatabaseSizeLine(true, QString()));
}

TEST(StatusCleanup, TimerEmptiesTempAndStops) {
    QTemporaryDir dir;
    const QString temp = dir.filePath("TEMP");
    QDir().mkpath(temp + "/sub");
    for (const char* n : {"a.wav", "b.bmp", ".hidden"}) {
        QFile f(temp + "/" + n);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QTimer killer;
    killer.setInterval(50);
    killer.start();
    mainwindow::killer_Timer(killer, temp);
    EXPECT_TRUE(QDir(temp).entryList(QDir::Files | QDir::Hidden).isEmpty());
    EXPECT_TRUE(killer.isActive());  // it stops on the tick that finds nothing
    mainwindow::killer_Timer(killer, temp);
    EXPECT_FALSE(killer.isActive());
    EXPECT_TRUE(QDir(temp + "/sub").exists());  // folders are not its business
    // A missing folder stops it too.
    killer.start();
    mainwindow::killer_Timer(killer, dir.filePath("none"));
    EXPECT_FALSE(killer.isActive());
}

TEST(StatusCleanup, RunsOnItsTimerAndTheSoundPlayersSwitchItOnAgain) {
    QTemporaryDir dir;
    auto* killer = new QTimer;
    killer->setInterval(50);
    {
        auto* cleanup = new mainwindow::TempCleanup(killer, dir.path());
        (void)cleanup;
        QFile f(dir.filePath("x.wav"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.close();
        killer->start();
        EXPECT_TRUE(waitFor([&] { return !killer->isActive(); }, 3000));
        EXPECT_FALSE(QFile::exists(dir.filePath("x.wav")));

        ASSERT_TRUE(modMedia::EnableTempCleanup);
        QFile g(dir.filePath("y.wav"));
        ASSERT_TRUE(g.open(QIODevice::WriteOnly));
        g.close();
        modMedia::EnableTempCleanup();
        EXPECT_TRUE(killer->isActive());
        EXPECT_TRUE(waitFor([&] { return !killer->isActive(); }, 3000));
        EXPECT_FALSE(QFile::exists(dir.filePath("y.wav")));
    }
    delete killer;  // takes the clean-up with it
    EXPECT_FALSE(modMedia::EnableTempCleanup);
}

class StatusChangeUser : public Road {
protected:
    QString vok;
    void startWithDatabase() {
        vok = makeVokDB("kurs.wkd");
        addItem(vok, "eins", 1);
        makeUsers({{1, "Anna"}});
        startup::FrmBenutzer f;
        startAs(f, 1, vok);
        ASSERT_TRUE(runstate::bDBOffen);
        ui.clearCalls();
    }
};

TEST_F(StatusChangeUser, HintOfTheUserNameReadsTheUsersTotals) {
    makeUsers({{1, "Anna"}}, 1, {{1, 0}});
    setUserValue(1, "AnzFr", 25);
    setUserValue(1, "AnzR", 22);
    setUserValue(1, "AnzF", 3);
    startup::FrmBenutzer f;
    startAs(f, 1);
    EXPECT_EQ(mainwindow::UserStatisticsLine(runstate::rsBenutzer),
              "Fehlerquote 12%, insgesamt 25 Abfragen, davon 22 richtig");
}

TEST_F(StatusChangeUser, ThePointerOnTheLabelsShowsTheirHints) {
    const QString path = makeVokDB("kurs.wkd");
    addItem(path, "eins", 0);
    makeUsers({{1, "Anna"}}, 1, {{1, 1}});
    setUserValue(1, "AnzFr", 4);
    setUserValue(1, "AnzR", 3);
    setUserValue(1, "AnzF", 1);
    startup::FrmBenutzer f;
    startAs(f, 1, path);
    auto& m = mainwindow::MainForm();
    const auto hover = [](QLabel* l) {
        const QPointF p(2, 2);
        QMouseEvent move(QEvent::MouseMove, p, l->mapToGlobal(p), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(l, &move);
    };

    hover(m.lblUsername);
    EXPECT_TRUE(m.lblBarPopup->isVisibleTo(&m));
    EXPECT_EQ(m.lblBarPopup->text(), "Rate of mistake 25%, a total of 4 questions, of which 3 were right");
    EXPECT_EQ(m.lblBarPopup2->text(), "Double-click to change user");

    // The size by the file system, in thousands of bytes.
    hover(m.lblBDBName);
    EXPECT_TRUE(m.lblBarPopup->isVisibleTo(&m));
    EXPECT_EQ(m.lblBarPopup->text(), QString::number(QFileInfo(path).size() / 1000) + " KB");
    EXPECT_EQ(m.lblBarPopup2->text(), "");

    // The item count takes the hint down; without a database file no size.
    hover(m.lblBCount);
    EXPECT_FALSE(m.lblBarPopup->isVisibleTo(&m));
    runstate::VokDBPfad = home.path() + "/DB/gone.wkd";
    hover(m.lblBDBName);
    EXPECT_FALSE(m.lblBarPopup->isVisibleTo(&m));
    runstate::VokDBPfad = path;
}

TEST_F(StatusChangeUser, MarkerNewInstanceThenTheExit) {
    startWithDatabase();
    {
        QFile old(mainwindow::RestartMarkerPath());
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("stale");
    }
    bool markerWhenStarted = false;
    EXPECT_THROW(mainwindow::ChangeUser(mainwindow::MainForm(),
                                        [&] {
                                            markerWhenStarted =
                                                QFileInfo(mainwindow::RestartMarkerPath()).size() == 0;
                                            return true;
                                        }),
                 forms::ProgramEnded);
    EXPECT_TRUE(markerWhenStarted);
    EXPECT_TRUE(QFile::exists(mainwindow::RestartMarkerPath()));  // the new instance removes it
    EXPECT_EQ(ui.count(CallKind::EndProgram), 1);
    EXPECT_FALSE(runstate::dbVok);
    EXPECT_FALSE(mainwindow::MainForm().isVisible());
    EXPECT_EQ(userValue(1, "LastWidth").toInt(), mainwindow::MainForm().frameGeometry().width());
}

TEST_F(StatusChangeUser, NoNewInstanceMeansThisOneStays) {
    startWithDatabase();
    ui.pushMsgBox(forms::vbOK);
    mainwindow::ChangeUser(mainwindow::MainForm(), [] { return false; });
    EXPECT_EQ(ui.last(CallKind::MsgBox).style, forms::vbCritical);
    EXPECT_EQ(ui.count(CallKind::EndProgram), 0);
    EXPECT_FALSE(QFile::exists(mainwindow::RestartMarkerPath()));
    EXPECT_TRUE(runstate::bDBOffen);
    EXPECT_TRUE(runstate::dbVok && runstate::dbVok->IsOpen());
}

}  // namespace
