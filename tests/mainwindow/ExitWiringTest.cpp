// The main window's own ways into the new-database dialog, the exit and the
// TEMP clean-up.
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include "mainwindow/RoadFixture.h"
#include "support/Beside.h"
#include "support/QtPrinters.h"
#include "vocabdb/frmNewDB.h"

using namespace roadtest;
using mainwindow::MainForm;
using wktest::CallKind;

namespace {

class ExitWiring : public Road {
protected:
    QString vok;
    void startWithDatabase() {
        vok = makeVokDB("kurs.wkd");
        addItem(vok, "eins", 1);
        makeUsers({{3, "Cleo"}});
        startup::FrmBenutzer f;
        startAs(f, 3, vok);
        ASSERT_TRUE(runstate::bDBOffen);
    }
};

TEST_F(ExitWiring, ExitOfTheMainWindowStoresItsPlacementAndCompacts) {
    startWithDatabase();
    MainForm().showNormal();
    MainForm().move(100, 60);
    MainForm().resize(600, 400);
    // The outer rectangle, the window manager's frame included.
    const QRect g = MainForm().frameGeometry();
    ASSERT_EQ(g.topLeft(), QPoint(100, 60));
    EXPECT_THROW(MainForm().CompactDatabasesAndEnd(), forms::ProgramEnded);
    EXPECT_EQ(userValue(3, "R3").toInt(), g.x());
    EXPECT_EQ(userValue(3, "R4").toInt(), g.y());
    EXPECT_EQ(userValue(3, "LastWidth").toInt(), g.width());
    EXPECT_EQ(userValue(3, "LastHeight").toInt(), g.height());
    EXPECT_EQ(userValue(3, "R5").toInt(), 0);
    EXPECT_FALSE(MainForm().isVisible());
    EXPECT_FALSE(QFile::exists(home.path() + "/tempdb.$$$"));
    // Both were closed whole: no journal is left beside them.
    EXPECT_EQ(wktest::Beside(vok), QStringList());
    EXPECT_EQ(wktest::Beside(home.path() + "/USER.MDB"), QStringList());
    auto db = openVok(vok);
    EXPECT_EQ(db->OpenRecordset("VOK")->RecordCount(), 1);
    db->Close();
}

TEST_F(ExitWiring, TitleBarExitPictureEndsThroughTheExitPath) {
    startWithDatabase();
    EXPECT_THROW(emit MainForm().imgBarExit->clicked(), forms::ProgramEnded);
    EXPECT_EQ(ui.count(CallKind::EndProgram), 1);
    EXPECT_TRUE(runstate::bProgEnde);
    EXPECT_FALSE(runstate::dbVok);
}

TEST_F(ExitWiring, NewDatabasePictureShowsTheNoteDialog) {
    startWithDatabase();
    emit MainForm().imgBarNewDB->clicked();
    vocabdb::frmNewDB* dlg = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<vocabdb::frmNewDB*>(w); d && d->isVisible()) dlg = d;
    ASSERT_NE(dlg, nullptr);
    EXPECT_FALSE(MainForm().isEnabled());
    ui.pushSave(dbFolder() + "/neu.wkd");
    dlg->txtC->setText("Kurs 2");
    dlg->cmdOK_Click();
    EXPECT_TRUE(MainForm().isEnabled());
    EXPECT_EQ(runstate::VokDBPfad, dbFolder() + "/neu.wkd");
    EXPECT_EQ(optionsValue(dbFolder() + "/neu.wkd", "Copyright").toString(), "Kurs 2");
}

TEST_F(ExitWiring, CleanupTimerOfTheWindowEmptiesTemp) {
    startWithDatabase();
    const QString temp = modMain::GetTempPath();
    ASSERT_TRUE(QDir(temp).exists());
    QFile f(temp + "bild.bmp");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    MainForm().killer->start();
    QElapsedTimer t;
    t.start();
    while (MainForm().killer->isActive() && t.elapsed() < 3000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    EXPECT_FALSE(MainForm().killer->isActive());
    EXPECT_FALSE(QFile::exists(temp + "bild.bmp"));
}

}  // namespace
