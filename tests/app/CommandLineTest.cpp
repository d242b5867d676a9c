// --help and --version answer on the terminal and end without a display,
// and without starting the program.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

namespace {

struct Answer {
    bool ended = false;
    int exitCode = -1;
    QString out;
};

Answer runWith(const QString& arg, const QString& home) {
    QTemporaryDir runtime;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("WORTKISTE_HOME", home);
    env.insert("XDG_RUNTIME_DIR", runtime.path());
    env.insert("XDG_DATA_HOME", runtime.path() + "/data");
    env.insert("XDG_CONFIG_HOME", runtime.path() + "/config");
    // No display at all: a program that started anyway fails at once
    // instead of waiting on a start form nobody answers.
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.insert("QT_QPA_PLATFORM", "xcb");
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QCoreApplication::applicationDirPath() + "/wortkiste", {arg});
    Answer a;
    if (!p.waitForStarted(10000)) return a;
    a.ended = p.waitForFinished(60000);
    if (!a.ended) {
        p.kill();
        p.waitForFinished();
    }
    a.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    a.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    return a;
}

TEST(CommandLine, HelpAndVersionPrintAndEnd) {
    QTemporaryDir home;
    const Answer help = runWith("--help", home.path());
    ASSERT_TRUE(help.ended);
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith("Usage: wortkiste [DATABASE]\n")) << help.out.toStdString();
    EXPECT_TRUE(help.out.contains("--version")) << help.out.toStdString();

    const Answer version = runWith("--version", home.path());
    ASSERT_TRUE(version.ended);
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "Wortkiste 4.3\n");

    // Nothing started: the program folder was not even made.
    EXPECT_TRUE(QDir(home.path()).isEmpty());
}

}  // namespace
