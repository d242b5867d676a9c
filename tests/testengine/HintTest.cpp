// The tip window: its own captions, and the tip shown for the right button
// on the Solve button with both countdowns held.
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
