// The timer's Interval/Enabled rules, run on the real event loop.
#include <gtest/gtest.h>

#include "support/QtPrinters.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include "platform/Error.h"
#include "platform/forms/Timer.h"

namespace {

// Runs the event loop for `ms` milliseconds.
void runFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs the event loop until `done` or `limitMs` passed; true when done.
template <class F>
bool runUntil(F done, int limitMs = 5000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < limitMs) runFor(5);
    return done();
}

}  // namespace

TEST(Timer, DefaultsAreEnabledWithIntervalZeroAndSilent) {
    forms::Timer t;
    EXPECT_TRUE(t.Enabled());
    EXPECT_EQ(t.Interval(), 0);
    EXPECT_FALSE(t.isRunning());
    int fired = 0;
    t.onTimer = [&] { ++fired; };
    runFor(30);
    EXPECT_EQ(fired, 0);
}

TEST(Timer, FiresRepeatedlyWhileEnabled) {
    forms::Timer t(nullptr, 10, true);
    int byHandler = 0, bySignal = 0;
    t.onTimer = [&] { ++byHandler; };
    QObject::connect(&t, &forms::Timer::fired, [&] { ++bySignal; });
    EXPECT_TRUE(runUntil([&] { return byHandler >= 3; }));
    EXPECT_EQ(bySignal, byHandler);
}

TEST(Timer, DisabledOrIntervalZeroStops) {
    forms::Timer t(nullptr, 10, false);
    int fired = 0;
    t.onTimer = [&] {
        ++fired;
        t.setEnabled(false);  // a handler that switches its own timer off
    };
    runFor(40);
    EXPECT_EQ(fired, 0);
    t.setEnabled(true);
    EXPECT_TRUE(runUntil([&] { return fired == 1; }));
    runFor(40);
    EXPECT_EQ(fired, 1);

    // Interval 0 stops it but leaves Enabled; a new interval starts it again.
    t.onTimer = [&] { ++fired; };
    t.setEnabled(true);
    t.setInterval(0);
    EXPECT_TRUE(t.Enabled());
    EXPECT_FALSE(t.isRunning());
    runFor(40);
    EXPECT_EQ(fired, 1);
    t.setInterval(10);
    EXPECT_TRUE(runUntil([&] { return fired >= 2; }));
}

TEST(Timer, SettingEnabledAgainRestartsTheCount) {
    forms::Timer t(nullptr, 200, true);
    int fired = 0;
    t.onTimer = [&] { ++fired; };
    // Kept being re-enabled more often than its interval, it never fires.
    for (int i = 0; i < 8; ++i) {
        runFor(50);
        t.setEnabled(true);
    }
    EXPECT_EQ(fired, 0);
    EXPECT_TRUE(runUntil([&] { return fired == 1; }));
}

TEST(Timer, NegativeIntervalIsRefused) {
    forms::Timer t(nullptr, 50, true);
    try {
        t.setInterval(-1);
        ADD_FAILURE() << "accepted";
    } catch (const wk::Error& e) {
        EXPECT_EQ(e.number(), 380);
    }
    EXPECT_EQ(t.Interval(), 50);
}
