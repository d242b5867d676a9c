// Shortcuts and buttons whose commands belong to other parts of the window
// (the test, the overview's tools) reach those commands.
#include "editor/frmEditVok.h"
#include "mainwindow/BarsFixture.h"
#include "overview/frmGridOptions.h"

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
    ui.answerAllMsgBoxes(forms::vbOK);
    up(m, 'S', Ctrl);
    EXPECT_TRUE(m.TestActive) << "Ctrl+S starts a test";
    EXPECT_TRUE(m.fraAbfrage->isVisibleTo(&m));
    m.imgTestBarCancel_Click();
    m.vg1->SetSelectedRow(1);
    const int boxes = ui.count(wktest::CallKind::MsgBox);
    up(m, 'r', Ctrl);  // the letter counts upper-cased
    // Recording starts, or without a sound device says why it cannot.
    EXPECT_TRUE(m.IsRecordingItem() || ui.count(wktest::CallKind::MsgBox) > boxes);
    if (m.IsRecordingItem()) m.RecordCurrentItem();
}

TEST_F(KeysPending, F4AddsAnItemOnlyInTheOverviewAndIsSwallowed) {
    auto& m = startMain(1);
    ASSERT_TRUE(m.fraOverview1->isVisibleTo(&m));
    ui.pushModal([](QWidget& w) {
        auto& e = dynamic_cast<editor::frmEditVok&>(w);
        EXPECT_TRUE(e.NEWVOK) << "F4 opens the editor to add an item";
        e.cmdCancel_Click();
    });
    EXPECT_EQ(up(m, F4, 0), 0);
    EXPECT_EQ(ui.count(wktest::CallKind::ShowModal), 1);
    m.imgBarOptions_Click();
    EXPECT_EQ(up(m, F4, 0), F4);
    EXPECT_EQ(ui.count(wktest::CallKind::ShowModal), 1);
}

TEST_F(KeysPending, F6AndF7NeedASelectedRowF8DoesNot) {
    auto& m = startMain(2);
    m.vg1->SetSelectedRow(0);
    up(m, F6, 0);
    up(m, F7, 0);
    EXPECT_EQ(ui.count(wktest::CallKind::ShowOpen), 0);
    ui.pushModal([](QWidget& w) {
        EXPECT_NE(dynamic_cast<overview::frmGridOptions*>(&w), nullptr) << "F8 opens the grid options";
        w.close();
    });
    up(m, F8, 0);
    EXPECT_EQ(ui.count(wktest::CallKind::ShowModal), 1);
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
}

TEST_F(KeysPending, F1JudgesOnlyAnOpenQuestion) {
    auto& m = startMain(1);
    m.TestActive = true;
    const auto before = ui.calls().size();
    up(m, F1, 0);  // no item waits for its answer
    EXPECT_EQ(ui.calls().size(), before);
    m.TestActive = false;
}

TEST_F(KeysPending, EscLeavesARunningTest) {
    auto& m = startMain(1);
    m.TestActive = true;
    int esc = 27;
    m.Form_KeyPress(esc);
    EXPECT_EQ(esc, 0);
    EXPECT_FALSE(m.TestActive) << "Esc left the test";
    EXPECT_TRUE(m.fraMainBar->isVisibleTo(&m));
}

}  // namespace
