// The two countdowns of a test, driven tick by tick.
#include "mainwindow/TestScreen.h"
#include "testengine/ScreenFixture.h"

using namespace screentest;
using wktest::CallKind;

namespace {

class TimerScreen : public Screen {};

TEST(FormatSeconds, MinutesAndSeconds) {
    using mainwindow::FormatSeconds;
    EXPECT_EQ(FormatSeconds(-5), "00:00");
    EXPECT_EQ(FormatSeconds(0), "00:00");
    EXPECT_EQ(FormatSeconds(7), "00:07");
    EXPECT_EQ(FormatSeconds(42), "00:42");
    EXPECT_EQ(FormatSeconds(65), "01:05");
    EXPECT_EQ(FormatSeconds(600), "10:00");
    EXPECT_EQ(FormatSeconds(3599), "59:59");
    EXPECT_EQ(FormatSeconds(30000), "500:00");
}

TEST_F(TimerScreen, ItemCountdownBeepsAtThreeTwoOneAndSubmitsAtZero) {
    item("Haus", {{"A1", "house"}});
    item("Hund", {{"A1", "dog"}});
    option("Zeitlimit", 1);
    option("SekundenZeitlimit", 5);
    option("BegriffAufloesen", 0);
    option("FalscheNochmal", 0);
    open();
    m().imgBarStartTest_Click();
    ASSERT_TRUE(m().tmrTestVok->Enabled());
    EXPECT_EQ(m().tmrTestVok->Interval(), 1000);
    EXPECT_EQ(st().ItemSecondsLeft, 5);

    type(1, "hous");
    m().tmrTestVok_Timer();
    EXPECT_EQ(ui.count(CallKind::Beep), 0);
    for (int k = 0; k < 3; ++k) m().tmrTestVok_Timer();
    EXPECT_EQ(ui.count(CallKind::Beep), 3);
    EXPECT_EQ(question(), "Haus");

    m().tmrTestVok_Timer();  // 0: what is entered is judged
    EXPECT_EQ(ui.count(CallKind::Beep), 3);
    EXPECT_EQ(st().WrongCount, 1);
    EXPECT_EQ(question(), "Hund");
    // The next item starts its own countdown.
    EXPECT_EQ(st().ItemSecondsLeft, 5);
    EXPECT_TRUE(m().tmrTestVok->Enabled());
}

TEST_F(TimerScreen, WholeTestCountdownShowsTheTimeAndEndsTheTest) {
    item("Haus", {{"A1", "house"}});
    item("Hund", {{"A1", "dog"}});
    option("BigZeitlimit", 1);
    option("BigZeitlimitM", 1);
    option("ZaehlePunkte", 1);
    open();  // repeat passes on (the defaults): the limit must not start one
    m().imgBarStartTest_Click();
    ASSERT_TRUE(m().tmrTest->Enabled());
    EXPECT_EQ(st().TestSecondsLeft, 60);

    m().tmrTest_Timer();
    EXPECT_EQ(m().lblBDBName->text(), "00:59");
    type(1, "hous");  // an item is open when the time is up
    for (int k = 0; k < 56; ++k) m().tmrTest_Timer();
    EXPECT_EQ(m().lblBDBName->text(), "00:03");
    EXPECT_EQ(ui.count(CallKind::Beep), 1);
    m().tmrTest_Timer();
    m().tmrTest_Timer();
    EXPECT_EQ(m().lblBDBName->text(), "00:01");
    EXPECT_EQ(ui.count(CallKind::Beep), 3);
    EXPECT_FALSE(st().TestFinished);

    m().tmrTest_Timer();
    EXPECT_EQ(m().lblBDBName->text(), "00:00");
    EXPECT_TRUE(st().TestFinished);
    EXPECT_FALSE(st().RepeatPass);
    EXPECT_FALSE(m().tmrTest->Enabled());
    EXPECT_FALSE(m().tmrTestVok->Enabled());
    EXPECT_TRUE(m().fraTestBewertung->isVisibleTo(&m()));
    EXPECT_EQ(st().AskedCount, 0);
}

TEST_F(TimerScreen, LimitRunningOutBeforeAnyJudgementShowsNoRatePicture) {
    item("Haus", {{"A1", "house"}});
    option("BigZeitlimit", 1);
    option("BigZeitlimitM", 1);
    open();
    m().imgBarStartTest_Click();
    for (int k = 0; k < 60; ++k) m().tmrTest_Timer();
    ASSERT_TRUE(st().TestFinished);
    EXPECT_EQ(st().AskedCount, 0);
    EXPECT_EQ(m().imgS->pictureKey(), "");
    EXPECT_EQ(m().lblTestBF->text(), "0");
}

TEST_F(TimerScreen, ALimitOfZeroIsNoLimit) {
    item("Haus", {{"A1", "house"}});
    item("Hund", {{"A1", "dog"}});
    option("Zeitlimit", 1);
    option("SekundenZeitlimit", 0);
    option("BigZeitlimit", 1);
    option("BigZeitlimitM", 0);
    option("BegriffAufloesen", 0);
    option("FalscheNochmal", 0);
    open();
    m().imgBarStartTest_Click();
    EXPECT_FALSE(m().tmrTest->Enabled());
    EXPECT_FALSE(m().tmrTestVok->Enabled());
    EXPECT_EQ(m().lblBDBName->text(), "");
    type(1, "x");
    solve();  // a wrong answer starts the item's countdown again, if any
    EXPECT_FALSE(m().tmrTestVok->Enabled());
    EXPECT_EQ(question(), "Hund");
    EXPECT_FALSE(m().tmrTest->Enabled());
    EXPECT_EQ(m().lblBDBName->text(), "");
}

}  // namespace
