// Creating a database as a learner does it: Enter in the note goes on, and a
// name typed without an ending is stored as a vocabulary database.
#include <QApplication>
#include <QKeyEvent>

#include "mainwindow/MainHosts.h"
#include "mainwindow/RoadFixture.h"
#include "vocabdb/frmNewDB.h"

using namespace roadtest;
using mainwindow::MainForm;
using wktest::CallKind;

namespace {

vocabdb::frmNewDB* shownNewDBDialog() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<vocabdb::frmNewDB*>(w); d && d->isVisible()) return d;
    return nullptr;
}

class QaNewDB : public Road {
protected:
    void startWithDatabase() {
        const QString first = makeVokDB("first.wkd");
        makeUsers({{1, "Anna"}}, 1, {{1, 1}});
        startup::FrmBenutzer f;
        startAs(f, 1, first);
        ASSERT_TRUE(runstate::bDBOffen);
        ui.clearCalls();
    }
};

TEST_F(QaNewDB, EnterInTheNoteGoesOn) {
    startWithDatabase();
    const QString path = dbFolder() + "/kurs.wkd";
    ui.pushSave(path);
    mainwindow::ShowNewDBDialog(MainForm());
    vocabdb::frmNewDB* dlg = shownNewDBDialog();
    ASSERT_NE(dlg, nullptr);
    dlg->txtC->setText("Kurs 1");
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(dlg->txtC, &press);

    EXPECT_EQ(ui.count(CallKind::ShowSave), 1);
    EXPECT_EQ(shownNewDBDialog(), nullptr);
    EXPECT_TRUE(MainForm().isEnabled());
    EXPECT_EQ(runstate::VokDBPfad, path);
    EXPECT_EQ(optionsValue(path, "Copyright").toString(), "Kurs 1");
}

TEST_F(QaNewDB, ANameTypedWithoutEndingGetsTheDatabaseEnding) {
    startWithDatabase();
    ui.pushSave(dbFolder() + "/kurs.wkd");
    mainwindow::ShowNewDBDialog(MainForm());
    vocabdb::frmNewDB* dlg = shownNewDBDialog();
    ASSERT_NE(dlg, nullptr);
    dlg->cmdOK_Click();
    ASSERT_EQ(ui.count(CallKind::ShowSave), 1);
    // The real dialog appends it to "kurs"; the open dialog lists only *.wkd.
    EXPECT_EQ(ui.last(CallKind::ShowSave).dialog.DefaultExt, "wkd");
}

}  // namespace
