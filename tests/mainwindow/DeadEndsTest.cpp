// Keys that led nowhere, or somewhere unasked: each window, key and place of
// the focus, and what the user then meets.
#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QTableView>
#include <QTreeWidget>
#include <functional>

#include "core/RunStateDb.h"
#include "mainwindow/BarsFixture.h"
#include "mainwindow/SettingsPanel.h"
#include "support/Access.h"
#include "vocabdb/frmNewDB.h"

using namespace barstest;
using mainwindow::frmMain;
using wktest::CallKind;

namespace {

class DeadEnds : public BarsTest {
protected:
    frmMain& shown(int items) {
        frmMain& m = startMain(items);
        m.show();
        QApplication::setActiveWindow(&m);
        QApplication::processEvents();
        return m;
    }
    // A test of the two items answered wrongly once, then stopped: the
    // result shows.
    static void toTheResult(frmMain& m) {
        runstate::dbVok->Execute("UPDATE VOK SET A1 = 'antwort'");
        m.imgBarStartTest_Click();
        m.chkShowUmlaute->setChecked(true);
        m.txtTestA(1)->setText("falsch");
        m.imgTestBarSolve_MouseUp(1, 0, 1, 1);
        m.ShowNextQuestion(true);
    }
    static vocabdb::frmNewDB* newDatabaseNote() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<vocabdb::frmNewDB*>(w); d && d->isVisible()) return d;
        return nullptr;
    }
};

TEST_F(DeadEnds, EachKeyGoesWhereTheUserMeantIt) {
    const struct {
        const char* where;
        std::function<bool()> met;  // plays the keys; whether the user met what is meant
    } cases[] = {
        {"start window, keypad Enter in the user box: the main window starts",
         [this] {
             makeUsers({{1, "Ben"}});
             startup::FrmBenutzer f;
             f.Form_Load();
             f.show();
             QApplication::setActiveWindow(&f);
             f.cboBenutzer->setFocus();
             wktest::keyTo(f.cboBenutzer, Qt::Key_Enter, Qt::KeypadModifier, "\r");
             return f.isHidden() && runstate::BenutzerNr == 1 && mainwindow::MainForm().isVisible();
         }},
        {"new-database note, Esc in the note: closed, nothing asked, the main window back",
         [this] {
             frmMain& m = shown(1);
             m.imgBarNewDB_Click();
             vocabdb::frmNewDB* note = newDatabaseNote();
             if (!note) return false;
             note->txtC->setFocus();
             wktest::keyTo(note->txtC, Qt::Key_Escape, {}, "\x1b");
             return !newDatabaseNote() && m.isEnabled() && ui.count(CallKind::ShowSave) == 0;
         }},
        {"settings, Tab from the tree into the order the database holds (the second option): on it",
         [this] {
             frmMain& m = shown(1);
             mainwindow::SettingsPanel& p = *m.fraVerwaltung;
             m.imgBarOptions_Click();
             QTreeWidgetItem* order = p.tvVerwaltung->topLevelItem(0)->child(2);
             p.tvVerwaltung->setCurrentItem(order);
             p.tvVerwaltung_NodeClick(order);
             p.tvVerwaltung->setFocus(Qt::TabFocusReason);
             wktest::keyTo(p.tvVerwaltung, Qt::Key_Tab);
             return QApplication::focusWidget() == p.optSortieren[1];
         }},
        {"result, after the special signs were shown: they are gone, and Return in them types nothing",
         [this] {
             frmMain& m = shown(2);
             toTheResult(m);
             const QString answer = m.txtTestA(1)->text();
             m.vgUmlaute->SetSelectedRow(1);
             m.vgUmlaute->SetSelectedColumn(1);
             wktest::keyTo(m.vgUmlaute->view(), Qt::Key_Return, {}, "\r");
             return !m.chkShowUmlaute->isVisibleTo(&m) && !m.vgUmlaute->isVisibleTo(&m) &&
                    m.txtTestA(1)->text() == answer;
         }},
        {"test, the special signs' box ticked: they show, and the keys go back to the answer",
         [this] {
             frmMain& m = shown(2);
             m.imgBarStartTest_Click();
             m.chkShowUmlaute->setFocus(Qt::TabFocusReason);
             m.chkShowUmlaute->click();
             return m.vgUmlaute->isVisibleTo(&m) && QApplication::focusWidget() == m.txtTestA(1);
         }},
        {"the next test after a result, Space on Correct/continue: the answer is judged",
         [this] {
             frmMain& m = shown(2);
             toTheResult(m);
             m.imgTestBarCancel_Click();
             m.imgBarStartTest_Click();
             m.txtTestA(1)->setText("falsch");
             m.imgTestBarSolve->setFocus(Qt::TabFocusReason);
             wktest::keyTo(m.imgTestBarSolve, Qt::Key_Space, {}, " ");
             return m.txtTestA(1)->text() == "antwort";  // the solution shown
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.where);
        EXPECT_TRUE(c.met());
        roadtest::resetRunState();
        start.reset();
        QFile::remove(dbFolder() + "/kurs.wkd");
        ui.clearCalls();
    }
}

}  // namespace
