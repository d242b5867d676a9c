// The test programs themselves: a child that a test starts and kills
// leaves nothing in the temporary folder.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>

#include "support/ChildTest.h"
#include "support/QtPrinters.h"

namespace {

// Run only as the child of the test below: it dies as the kill tests'
// children do, before any clean-up of its own.
TEST(TestProgram, DISABLED_KilledChild) {
    std::raise(SIGKILL);
}

TEST(TestProgram, AKilledChildLeavesNothingInTheTemporaryFolder) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    QProcess child;
    wktest::StartChildTest(child, "TestProgram.DISABLED_KilledChild", "TMPDIR", tmp.path());
    ASSERT_TRUE(child.waitForFinished(60000));
    ASSERT_EQ(child.exitStatus(), QProcess::CrashExit);
    EXPECT_EQ(
        QDir(tmp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System),
        QStringList());
}

}  // namespace
