// The main window's shortcuts that lead to its own commands: panels, the
// open dialog, maximise and minimise; keys that are not shortcuts pass.
#include <QApplication>
#include <QKeyEvent>

#include "mainwindow/BarsFixture.h"
#include "platform/forms/Keys.h"

using namespace barstest;
using wktest::CallKind;

namespace {

class Keys : public BarsTest {
protected:
    static constexpr int Shift = 1, Ctrl = 2, Alt = 4;
    static constexpr int F4 = 115, F5 = 116;

    // A key as the window sees it when it is released.
    static int up(mainwindow::frmMain& m, int code, int shift) {
        m.Form_KeyUp(code, shift);
        return code;
    }
};

TEST_F(Keys, CtrlLettersSwitchPanels) {
    auto& m = startMain(1);
    up(m, 'E', Ctrl);
    EXPECT_TRUE(m.fraVerwaltung->isVisibleTo(&m));
    EXPECT_FALSE(m.fraOverview1->isVisibleTo(&m));
    up(m, 'D', Ctrl);
    EXPECT_TRUE(m.fraOverview1->isVisibleTo(&m));
    EXPECT_FALSE(m.fraVerwaltung->isVisibleTo(&m));
    // With Shift as well the combination is not a shortcut.
    up(m, 'E', Ctrl + Shift);
    EXPECT_TRUE(m.fraOverview1->isVisibleTo(&m));
    // Nor is the plain letter.
    up(m, 'E', 0);
    EXPECT_TRUE(m.fraOverview1->isVisibleTo(&m));
}

TEST_F(Keys, PanelKeysReachTheWindowFromAFocusedControl) {
    auto& m = startMain(1);
    m.activateWindow();
    m.vg1->setFocus();
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &m;
    QKeyEvent press(QEvent::KeyPress, Qt::Key_E, Qt::ControlModifier, "\x05");
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_E, Qt::ControlModifier, "\x05");
    QApplication::sendEvent(target, &press);
    QApplication::sendEvent(target, &release);
    EXPECT_TRUE(m.fraVerwaltung->isVisibleTo(&m));
}

TEST_F(Keys, CtrlOAsksForAFileWithOrWithoutADatabase) {
    auto& m = startMain(-1);
    ui.pushOpenCancel();
    up(m, 'O', Ctrl);
    EXPECT_EQ(ui.count(CallKind::ShowOpen), 1);
    // Ctrl+Shift+O is not taken: no dialog (an unexpected one would fail).
    up(m, 'O', Ctrl + Shift);
    EXPECT_EQ(ui.count(CallKind::ShowOpen), 1);
    EXPECT_FALSE(runstate::bDBOffen);
}

TEST_F(Keys, AltEnterTogglesMaximisedAndAltF5Minimises) {
    auto& m = startMain(1);
    const int left = up(m, forms::vbKeyReturn, Alt);
    EXPECT_EQ(left, forms::vbKeyReturn);  // passed on
    EXPECT_TRUE(m.windowState() & Qt::WindowMaximized);
    EXPECT_EQ(userValue(1, "R5").toInt(), 1);
    up(m, forms::vbKeyReturn, Alt);
    EXPECT_FALSE(m.windowState() & Qt::WindowMaximized);
    EXPECT_EQ(userValue(1, "R5").toInt(), 0);
    // Alt with another key does nothing here.
    up(m, 'D', Alt);
    up(m, F5 + 1, Alt);
    EXPECT_FALSE(m.windowState() & (Qt::WindowMaximized | Qt::WindowMinimized));
    up(m, F5, Alt);
    EXPECT_TRUE(m.windowState() & Qt::WindowMinimized);
}

TEST_F(Keys, EscOutsideATestIsSwallowed) {
    auto& m = startMain(1);
    int esc = 27;
    m.Form_KeyPress(esc);
    EXPECT_EQ(esc, 0);
    int a = 'a';
    m.Form_KeyPress(a);
    EXPECT_EQ(a, 'a');
    int enter = 13;
    m.Form_KeyPress(enter);
    EXPECT_EQ(enter, 13);
}

TEST_F(Keys, OverviewKeysNeedAnOpenDatabase) {
    auto& m = startMain(-1);
    // F4 is only the overview's while a database is open.
    EXPECT_EQ(up(m, F4, 0), F4);
}

}  // namespace
