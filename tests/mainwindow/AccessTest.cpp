// The main window for a keyboard user and for assistive tools: where the
// focus starts, the Tab order of each screen, what the keys do on each kind
// of control, and that every control has a name.
#include <QAccessible>
#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QKeyEvent>
#include <QTableView>
#include <functional>

#include "mainwindow/BarsFixture.h"
#include "startup/FrmUsers.h"
#include "support/Access.h"
#include "vocabdb/frmNewDB.h"

using namespace barstest;
using mainwindow::frmMain;
using wktest::CallKind;

namespace {

class Access : public BarsTest {
protected:
    // A new start, as the user "Ben", with a database of `items` items
    // (none with items < 0); the window shown and active.
    frmMain& restart(int items) {
        roadtest::resetRunState();
        start.reset();
        QFile::remove(dbFolder() + "/kurs.wkd");
        frmMain& m = startMain(items);
        m.show();
        m.activateWindow();
        QApplication::setActiveWindow(&m);
        QApplication::processEvents();
        return m;
    }
};

const QStringList kMainBar = {"imgBarNewDB", "imgBarOpenDB", "imgBarOverview", "imgBarOptions",
                              "imgBarStartTest"};
// Without items: "Start test" is locked, the grid shows nothing.
const QStringList kEmptyOverview = {
    "imgBarNewDB",      "imgBarOpenDB",        "imgBarOverview",          "imgBarOptions",
    "cmdOverview1_New", "cmdOverview1_Import", "cmdOverview1_GridOptions"};

// Each screen has its own Tab order: the work first, then the bars; Tab
// and Shift+Tab leave every control, an empty grid too, and never rest on
// the title-bar pictures or on a locked bar button.
TEST_F(Access, TabOrderOfEachScreen) {
    const struct {
        const char* screen;
        int items;
        std::function<QWidget*(frmMain&)> show;  // gives the control the walk starts at
        QStringList order;
    } screens[] = {
        {"overview", 2, [](frmMain& m) { return m.imgBarNewDB; },
         kMainBar + QStringList{"cmdOverview1_New", "cmdOverview1_Search", "cmdOverview1_Import",
                                "cmdOverview1_GridOptions", "vg1", "vg1.header"}},
        {"overview of an empty database", 0, [](frmMain& m) { return m.imgBarNewDB; }, kEmptyOverview},
        {"overview after the last item went by the Delete key", 1,
         [this](frmMain& m) {
             m.vg1->SetSelectedRow(1);
             ui.pushMsgBox(forms::vbYes);
             wktest::keyTo(m.vg1->view(), Qt::Key_Delete);
             return m.imgBarNewDB;
         },
         kEmptyOverview},
        {"overview after the last item went by the menu", 1,
         [this](frmMain& m) {
             m.vg1->SetSelectedRow(1);
             ui.pushMsgBox(forms::vbYes);
             m.mnuVGrid_Del_Click();
             return m.imgBarNewDB;
         },
         kEmptyOverview},
        {"no database", -1, [](frmMain& m) { return m.imgBarNewDB; }, {"imgBarNewDB", "imgBarOpenDB"}},
        {"test",
         2,
         [](frmMain& m) {
             m.imgBarStartTest_Click();
             return m.txtTestA(1);
         },
         {"txtTestA(1)", "chkShowUmlaute", "imgTestBarSolve", "imgTestBarSound", "imgTestBarCancel"}},
        // Nothing is left to correct or to play: those two take no keys; the
        // special signs belong to an answer, not to the result.
        {"result",
         2,
         [](frmMain& m) {
             runstate::dbVok->Execute("UPDATE VOK SET A1 = 'antwort'");
             m.imgBarStartTest_Click();
             m.txtTestA(1)->setText("falsch");
             m.imgTestBarSolve_MouseUp(1, 0, 1, 1);
             m.ShowNextQuestion(true);
             return m.lstTestWrongWords;
         },
         {"lstTestWrongWords", "imgTestBarCancel"}},
        {"test with the special signs shown",
         2,
         [](frmMain& m) {
             m.imgBarStartTest_Click();
             m.chkShowUmlaute->setChecked(true);
             return m.txtTestA(1);
         },
         {"txtTestA(1)", "chkShowUmlaute", "vgUmlaute", "imgTestBarSolve", "imgTestBarSound",
          "imgTestBarCancel"}},
        {"result with the special signs shown",
         2,
         [](frmMain& m) {
             m.imgBarStartTest_Click();
             m.chkShowUmlaute->setChecked(true);
             m.ShowNextQuestion(true);
             return m.imgTestBarCancel;
         },
         {"imgTestBarCancel"}},
    };
    for (const auto& s : screens) {
        frmMain& m = restart(s.items);
        QWidget* first = s.show(m);
        EXPECT_EQ(wktest::tabWalk(first), s.order) << s.screen;
        EXPECT_EQ(wktest::unnamedControls(&m), QStringList()) << s.screen;
    }
}

// The focus starts, and comes back, where the window's work is: never on a
// title-bar picture, and always on a shown control.
TEST_F(Access, FocusStartsWhereTheWorkIs) {
    const auto answerWrongThenStop = [](frmMain& m) {
        runstate::dbVok->Execute("UPDATE VOK SET A1 = 'antwort'");
        m.imgBarStartTest_Click();
        m.txtTestA(1)->setText("falsch");
        m.imgTestBarSolve_MouseUp(1, 0, 1, 1);
        m.ShowNextQuestion(true);  // the whole test's time is up
    };
    const auto escape = [](frmMain& m) { wktest::keyTo(m.focusWidget(), Qt::Key_Escape, {}, "\x1b"); };
    const auto deleteLastItem = [this](frmMain& m, bool byKey) {
        m.vg1->SetSelectedRow(1);
        m.vg1_SelectionChange(1, 3);
        ui.pushMsgBox(forms::vbYes);
        byKey ? wktest::keyTo(m.vg1->view(), Qt::Key_Delete) : m.mnuVGrid_Del_Click();
    };
    // Ctrl+N, then OK (with a file name) or Cancel in the note dialog.
    const auto newDatabase = [this](frmMain& m, wktest::ScriptedUi& ui, bool ok) {
        wktest::keyTo(m.focusWidget(), Qt::Key_N, Qt::ControlModifier, "\x0e");
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<vocabdb::frmNewDB*>(w); d && d->isVisible()) {
                if (ok) ui.pushSave(dbFolder() + "/neu.wkd");
                (ok ? d->cmdOK : d->cmdAbbrechen)->click();
            }
    };
    const struct {
        const char* when;
        int items;
        std::function<void(frmMain&, wktest::ScriptedUi&)> act;
        QString focus;
        bool active = true;  // the offscreen platform activates no window after the loading window
    } cases[] = {
        {"start with a database", 2, {}, "vg1"},
        {"start with an empty database", 0, {}, "cmdOverview1_New"},
        {"start without a database", -1, {}, "imgBarNewDB"},
        {"test", 2, [](frmMain& m, auto&) { m.imgBarStartTest_Click(); }, "txtTestA(1)"},
        {"result with questions to revise", 2, [&](frmMain& m, auto&) { answerWrongThenStop(m); },
         "lstTestWrongWords"},
        {"result with none", 2,
         [](frmMain& m, auto&) {
             m.imgBarStartTest_Click();
             m.ShowNextQuestion(true);
         },
         "imgTestBarCancel"},
        {"Esc from the test", 2,
         [&](frmMain& m, auto&) {
             m.imgBarStartTest_Click();
             escape(m);
         },
         "vg1"},
        {"Esc from the result", 2,
         [&](frmMain& m, auto&) {
             answerWrongThenStop(m);
             escape(m);
         },
         "vg1"},
        {"settings", 2, [](frmMain& m, auto&) { m.imgBarOptions_Click(); }, "tvVerwaltung"},
        {"overview from the settings", 2,
         [](frmMain& m, auto&) {
             m.imgBarOptions_Click();
             m.imgBarOverview_Click();
         },
         "vg1"},
        {"settings locked", 2,
         [](frmMain& m, wktest::ScriptedUi& ui) {
             m.imgBarOptions_Click();
             ui.pushMsgBox(forms::vbYes);
             m.cmdDBHideOptions_Click();
         },
         "vg1"},
        {"last item deleted by the Delete key", 1, [&](frmMain& m, auto&) { deleteLastItem(m, true); },
         "cmdOverview1_New"},
        {"last item deleted by the menu", 1, [&](frmMain& m, auto&) { deleteLastItem(m, false); },
         "cmdOverview1_New"},
        {"all items checked (the grid rebuilt)", 2, [](frmMain& m, auto&) { m.mnuVGrid_CheckAll_Click(); },
         "vg1", false},
        {"database made by Ctrl+N", -1, [&](frmMain& m, auto& ui) { newDatabase(m, ui, true); },
         "cmdOverview1_New"},
        {"Ctrl+N cancelled", 2, [&](frmMain& m, auto& ui) { newDatabase(m, ui, false); }, "vg1"},
        // Shown while another window has the keys, the work has the focus
        // once the desktop gives the window the keys back.
        {"overview shown while another window is active", 2,
         [](frmMain& m, auto&) {
             QWidget other;
             other.show();
             other.activateWindow();
             QApplication::processEvents();
             m.imgBarOverview_Click();
             other.hide();
             m.activateWindow();
             QApplication::processEvents();
         },
         "vg1"},
    };
    for (const auto& c : cases) {
        frmMain& m = restart(c.items);
        // On its way the focus does not call at the main bar.
        QStringList passing;
        const QMetaObject::Connection watch =
            QObject::connect(qApp, &QApplication::focusChanged, [&](QWidget*, QWidget* now) {
                if (now && kMainBar.contains(now->objectName())) passing << now->objectName();
            });
        if (c.act) c.act(m, ui);
        QApplication::processEvents();
        QObject::disconnect(watch);
        EXPECT_EQ(passing, QStringList()) << c.when;
        EXPECT_EQ(wktest::focusedControl(&m), c.focus) << c.when;
        // The keys go there, and its frame shows.
        if (c.active) {
            EXPECT_EQ(QApplication::focusWidget(), m.focusWidget()) << c.when;
        }
    }
}

// The picture buttons are buttons to assistive tools, and Space, Enter and
// the tools' press action do what a click does.
TEST_F(Access, PictureButtonsArePressedByKeysAndTools) {
    auto& m = startMain(1);
    m.imgBarOverview_Click();
    const auto keyPress = [](QWidget* w, Qt::Key key) {
        w->setFocus(Qt::TabFocusReason);
        QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    };
    const auto toolPress = [](QWidget* w, Qt::Key) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        ASSERT_EQ(a->role(), QAccessible::Button) << w->objectName().toStdString();
        a->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    };
    const struct {
        const char* how;
        std::function<void(QWidget*, Qt::Key)> press;
        Qt::Key key;
    } ways[] = {
        {"Space", keyPress, Qt::Key_Space}, {"Enter", keyPress, Qt::Key_Return}, {"tool", toolPress, {}}};
    for (const auto& w : ways) {
        m.imgBarOptions_Click();
        w.press(m.imgBarOverview, w.key);
        EXPECT_TRUE(m.fraOverview1->isVisibleTo(&m)) << w.how;
        w.press(m.imgBarOptions, w.key);
        EXPECT_TRUE(m.fraVerwaltung->isVisibleTo(&m)) << w.how;
        const bool maximised = m.isMaximized();
        w.press(m.imgBarMax, w.key);
        EXPECT_NE(m.isMaximized(), maximised) << w.how;
        if (m.isMaximized()) m.imgBarMax_Click();
    }
}

// Enter, on the main keys and on the keypad, presses the focused push
// button in the windows that are no dialogs too, where Qt leaves Enter to
// the window.
TEST_F(Access, EnterPressesTheButtonWithTheFocusInEveryWindow) {
    auto& m = startMain(1);
    struct Key {
        const char* name;
        int key;
        Qt::KeyboardModifiers modifiers;
    };
    const Key keys[] = {{"Return", Qt::Key_Return, Qt::NoModifier},
                        {"keypad Enter", Qt::Key_Enter, Qt::KeypadModifier}};
    const Key* key = nullptr;
    const auto enterOn = [&](QPushButton* b) {
        b->setFocus(Qt::TabFocusReason);
        wktest::keyTo(b, key->key, key->modifiers, "\r");
    };
    const auto newDatabaseNote = [&]() -> vocabdb::frmNewDB* {
        m.imgBarNewDB_Click();
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<vocabdb::frmNewDB*>(w); d && d->isVisible()) return d;
        return nullptr;
    };
    // Each lock asks first; No leaves it open.
    const auto lock = [&](QPushButton*(mainwindow::SettingsPanel::*button)) {
        m.imgBarOptions_Click();
        ui.pushMsgBox(forms::vbNo);
        enterOn(m.fraVerwaltung->*button);
        return ui.count(CallKind::MsgBox) == 1;
    };
    const struct {
        const char* button;
        std::function<bool()> pressed;  // presses Enter, tells whether the button acted
    } cases[] = {
        {"overview's toolbar: search",
         [&] {
             m.imgBarOverview_Click();
             ui.pushModal([](QWidget& f) { f.close(); });
             enterOn(m.cmdOverview1_Search);
             return ui.count(CallKind::ShowModal) == 1;
         }},
        {"start window: users",
         [&] {
             int shown = 0;
             startup::FrmBenutzer::ShowUserManagement = [&](startup::FrmBenutzer&) { ++shown; };
             enterOn(start->cmdNeu);
             startup::FrmBenutzer::ShowUserManagement = nullptr;
             return shown == 1;
         }},
        {"user management: cancel",
         [&] {
             startup::ShowFrmUsers(*start);
             startup::FrmUsers* users = nullptr;
             for (QWidget* w : QApplication::topLevelWidgets())
                 if (auto* u = qobject_cast<startup::FrmUsers*>(w); u && u->isVisible()) users = u;
             if (!users) return false;
             enterOn(users->cmdAbbruch);
             return start->isEnabled();
         }},
        {"new database: cancel",
         [&] {
             if (auto* d = newDatabaseNote()) enterOn(d->cmdAbbrechen);
             return m.isEnabled();
         }},
        {"new database: OK",
         [&] {
             auto* d = newDatabaseNote();
             if (!d) return false;
             ui.pushSaveCancel();
             enterOn(d->cmdOK);
             return ui.count(CallKind::ShowSave) == 1 && m.isEnabled();
         }},
        {"new database: OK, from the note",
         [&] {
             auto* d = newDatabaseNote();
             if (!d) return false;
             ui.pushSaveCancel();
             d->txtC->setFocus(Qt::TabFocusReason);
             wktest::keyTo(d->txtC, key->key, key->modifiers, "\r");
             return ui.count(CallKind::ShowSave) == 1 && m.isEnabled();
         }},
        {"editor: cancel",
         [&] {
             bool closed = false;
             ui.pushModal([&](QWidget& f) {
                 enterOn(f.findChild<QPushButton*>("cmdCancel"));
                 closed = !f.isVisible();
             });
             m.OpenItemEditor(true);
             return closed;
         }},
        {"settings: first lock", [&] { return lock(&mainwindow::SettingsPanel::cmdDBHideOverview); }},
        {"settings: second lock", [&] { return lock(&mainwindow::SettingsPanel::cmdDBHideOptions); }},
        {"settings: third lock", [&] { return lock(&mainwindow::SettingsPanel::cmdDBHideImportExport); }},
    };
    for (const Key& k : keys) {
        key = &k;
        for (const auto& c : cases) {
            EXPECT_TRUE(c.pressed()) << c.button << ", " << k.name;
            ui.clearCalls();
            // A note Enter failed to close goes, as Cancel, before the next case.
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* d = qobject_cast<vocabdb::frmNewDB*>(w); d && d->isVisible()) d->close();
        }
    }
}

// Ctrl+F searches from the grid and also from the bars' buttons and the
// grid's header while the overview shows.
TEST_F(Access, CtrlFSearchesFromEveryButtonOfTheOverview) {
    auto& m = startMain(2);
    for (QWidget* w : std::initializer_list<QWidget*>{m.vg1->view(), m.imgBarOverview, m.cmdOverview1_New,
                                                      m.vg1->view()->horizontalHeader()}) {
        w->setFocus(Qt::TabFocusReason);
        ui.pushModal([](QWidget& f) { f.close(); });
        wktest::keyTo(w, Qt::Key_F, Qt::ControlModifier, "\x06");
        EXPECT_EQ(ui.count(CallKind::ShowModal), 1) << wktest::focusedControl(&m).toStdString();
        ui.clearCalls();
    }
}

}  // namespace
