// The tip window: its own captions, and the tip shown for the right button
// on the Solve button with both countdowns held.
#include <QAccessible>
#include <QApplication>

#include "support/Access.h"
#include "testengine/ScreenFixture.h"

using namespace screentest;
using wktest::CallKind;

namespace {

class HintScreen : public Screen {};

TEST_F(HintScreen, TipIsShownWithTheCountdownsHeld) {
    item("Hund", {{"A1", "dog"}, {"Tip", "barks"}});
    item("Katze", {{"A1", "cat"}});
    option("Zeitlimit", 1);
    option("BigZeitlimit", 1);
    option("FalscheNochmal", 0);
    open();
    m().imgBarStartTest_Click();

    bool timersHeld = false;
    ui.pushModal([&](QWidget& w) {
        auto& hint = static_cast<testengine::frmHint&>(w);
        EXPECT_EQ(hint.windowTitle(), "Clue");
        EXPECT_EQ(hint.Label1->text(), "barks");
        EXPECT_TRUE(hint.Label1->isEnabled());
        timersHeld = !m().tmrTest->Enabled() && !m().tmrTestVok->Enabled();
        hint.cmdOK->click();
    });
    m().imgTestBarSolve_MouseUp(2, 0, 10, 10);
    EXPECT_EQ(ui.last(CallKind::ShowModal).formName, "frmHint");
    EXPECT_TRUE(timersHeld);
    EXPECT_TRUE(m().tmrTest->Enabled());
    EXPECT_TRUE(m().tmrTestVok->Enabled());
    // Nothing was judged.
    EXPECT_EQ(st().AskedCount, 0);
    EXPECT_EQ(question(), "Hund");

    type(1, "dog");
    ASSERT_EQ(question(), "Katze");
    ui.pushModal([](QWidget& w) {
        auto& hint = static_cast<testengine::frmHint&>(w);
        EXPECT_EQ(hint.Label1->text(), "No clue was entered for this question");
        EXPECT_FALSE(hint.Label1->isEnabled());
        hint.cmdOK->click();
    });
    m().imgTestBarSolve_MouseUp(2, 0, 10, 10);

    // After the end the right button does nothing.
    type(1, "cat");
    ASSERT_TRUE(st().TestFinished);
    m().imgTestBarSolve_MouseUp(2, 0, 10, 10);
    EXPECT_EQ(ui.count(CallKind::ShowModal), 2);
}

// The menu key and Shift+F10 on the focused Solve button open the clue as
// the right button does, judging nothing.
TEST_F(HintScreen, TheMenuKeyOpensTheClue) {
    item("Hund", {{"A1", "dog"}, {"Tip", "barks"}});
    open();
    m().imgBarStartTest_Click();
    m().show();
    QApplication::setActiveWindow(&m());
    const std::pair<int, Qt::KeyboardModifiers> keys[] = {{Qt::Key_Menu, {}},
                                                          {Qt::Key_F10, Qt::ShiftModifier}};
    for (const auto& [key, modifiers] : keys) {
        m().imgTestBarSolve->setFocus(Qt::TabFocusReason);
        QString shown;
        ui.pushModal([&](QWidget& w) {
            auto& hint = static_cast<testengine::frmHint&>(w);
            shown = hint.Label1->text();
            hint.cmdOK->click();
        });
        wktest::keyTo(m().imgTestBarSolve, key, modifiers);
        EXPECT_EQ(shown, "barks") << key;
    }
    EXPECT_EQ(st().AskedCount, 0);
}

// A reader reads a message's text however short (a dialog's from three
// words on); Esc closes the window as its button does.
TEST(frmHint, IsReadAsAMessageAndEscClosesIt) {
    wktest::ScriptedUi ui;
    testengine::frmHint h;
    h.Load();
    h.Label1->setText("a house");
    h.Show(forms::vbModeless);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(&h)->role(), QAccessible::AlertMessage);
    wktest::keyTo(h.cmdOK, Qt::Key_Escape);  // where the focus is
    EXPECT_FALSE(h.isVisible());
    EXPECT_FALSE(h.isLoaded());
}

TEST(frmHint, ButtonCaptionFollowsTheLanguage) {
    wktest::ScriptedUi ui;
    const int saved = modMain::TextBasis;
    modMain::TextBasis = 10000;
    {
        testengine::frmHint h;
        h.Load();
        EXPECT_EQ(h.cmdOK->text(), "&Schließen");
    }
    modMain::TextBasis = 20000;
    {
        testengine::frmHint h;
        h.Load();
        EXPECT_EQ(h.cmdOK->text(), "&Close");
        h.Show(forms::vbModeless);
        h.cmdOK->click();
        EXPECT_FALSE(h.isVisible());
        EXPECT_FALSE(h.isLoaded());
    }
    modMain::TextBasis = saved;
}

}  // namespace
