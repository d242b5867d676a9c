// Shortcuts and buttons whose commands belong to other parts of the window
// (the test, the overview's tools) reach those commands.
#include "mainwindow/BarsFixture.h"

using namespace barstest;

namespace {

class KeysPending : public BarsTest {
protected:
    static constexpr int Ctrl = 2;
    static constexpr int F1 = 112, F4 = 115, F6 = 117, F7 = 118, F8 = 119;
    static int up(mainwindow::frmMain& m, int code, int shift) {
        m.Form_KeyUp(code, shift);
        return code;
    }
};

TEST_F(KeysPending, CtrlKeysReachTheirCommands) {
    auto& m = startMain(1);
    up(m, 'S', Ctrl);
    up(m, 'r', Ctrl);  // the letter counts upper-cased
    EXPECT_EQ(m.pendingCalls, (QStringList{"imgBarStartTest_Click", "cmdOverview1_Record_Click"}));
}

TEST_F(KeysPending, F4AddsAnItemOnlyInTheOverviewAndIsSwallowed) {
    auto& m = startMain(1);
    ASSERT_TRUE(m.fraOverview1->isVisibleTo(&m));
    EXPECT_EQ(up(m, F4, 0), 0);
    EXPECT_EQ(m.pendingCalls, QStringList{"cmdOverview1_New_Click"});
    m.imgBarOptions_Click();
    m.pendingCalls.clear();
    EXPECT_EQ(up(m, F4, 0), F4);
    EXPECT_TRUE(m.pendingCalls.isEmpty());
}

TEST_F(KeysPending, F6AndF7NeedASelectedRowF8DoesNot) {
    auto& m = startMain(2);
    m.vg1->SetSelectedRow(0);
    up(m, F6, 0);
    up(m, F7, 0);
    EXPECT_TRUE(m.pendingCalls.isEmpty());
    up(m, F8, 0);
    EXPECT_EQ(m.pendingCalls, QStringList{"cmdOverview1_GridOptions_Click"});
    m.pendingCalls.clear();
    m.vg1->SetSelectedRow(1);
    // The sound and picture imports ask for their files.
    ui.pushOpenCancel();
    ui.pushOpenCancel();
    EXPECT_EQ(up(m, F6, 0), F6);
    up(m, F7, 1);  // Shift is no modifier branch of its own
    const auto opens = ui.calls(wktest::CallKind::ShowOpen);
    ASSERT_EQ(opens.size(), 2u);
    EXPECT_EQ(opens[0].dialog.DialogTitle, modMain::GetText(113));
    EXPECT_EQ(opens[1].dialog.DialogTitle, modMain::GetText(118));
    EXPECT_TRUE(m.pendingCalls.isEmpty());
}

TEST_F(KeysPending, F1JudgesOnlyAnOpenQuestion) {
    auto& m = startMain(1);
    m.TestActive = true;
    up(m, F1, 0);  // no item waits for its answer
    EXPECT_TRUE(m.pendingCalls.isEmpty());
}

TEST_F(KeysPending, EscLeavesARunningTest) {
    auto& m = startMain(1);
    m.TestActive = true;
    int esc = 27;
    m.Form_KeyPress(esc);
    EXPECT_EQ(esc, 0);
    EXPECT_EQ(m.pendingCalls, QStringList{"imgTestBarCancel_Click"});
    m.TestActive = false;
}

}  // namespace
