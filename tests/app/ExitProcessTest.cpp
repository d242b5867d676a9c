// The built program itself, started on a file and ended again: the whole way
// out, static objects included, must run clean under the sanitizers.
#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cstdio>

#include <unistd.h>

#include "mainwindow/RoadFixture.h"
#include "support/Beside.h"
#include "support/VirtualDisplay.h"
#include "upgrade/OldKinds.h"

using namespace roadtest;

namespace {

class BuiltProgram : public Road {
protected:
    struct Run {
        int exitCode = -1;
        bool crashed = false;
        QString log;
    };

    // Starts the program on `file` with the test driver as its user: it
    // starts as the preselected user, answers every message with its
    // default button and closes the main window once it shows. Qt's
    // options go around the file, in the place of "FILE" among them; a
    // platform among them takes the place of the environment's. The
    // program starts in the file's folder.
    Run run(const QString& file, bool quit = false, QStringList qtOptions = {"FILE"}) {
        QTemporaryDir runtime;
        QProcess p;
        p.setProcessEnvironment(environment(runtime.path(), quit, !qtOptions.contains("-platform")));
        p.setWorkingDirectory(QFileInfo(file).absolutePath());
        qtOptions.replaceInStrings(QRegularExpression("^FILE$"), file);
        p.start(QCoreApplication::applicationDirPath() + "/wortkiste", qtOptions);
        return finish(p);
    }

    // The same with the file named by its bytes, as a terminal passes them,
    // relative to the folder the program starts in.
    Run runNamed(const QByteArray& name, const QString& folder) {
        QTemporaryDir runtime;
        QProcess p;
        p.setProcessEnvironment(environment(runtime.path(), false, true));
        p.setWorkingDirectory(folder);
        QString octal;
        for (const char c : name)
            octal += QStringLiteral("\\0%1").arg(uint(uchar(c)), 3, 8, QLatin1Char('0'));
        p.start("/bin/sh", {"-c", "exec \"$0\" \"$(printf '%b' \"$1\")\"",
                            QCoreApplication::applicationDirPath() + "/wortkiste", octal});
        return finish(p);
    }

    QProcessEnvironment environment(const QString& runtime, bool quit, bool offscreen) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("WORTKISTE_HOME", home.path());
        if (offscreen) env.insert("QT_QPA_PLATFORM", "offscreen");
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        env.insert("QT_PLUGIN_PATH", QCoreApplication::applicationDirPath() + "/plugins");
        env.insert("QT_QPA_GENERIC_PLUGINS", "wkexitdriver");
        env.insert("XDG_RUNTIME_DIR", runtime);
        env.insert("XDG_DATA_HOME", runtime + "/data");
        env.insert("XDG_CONFIG_HOME", runtime + "/config");
        if (quit) env.insert("WK_DRIVER_QUIT", "1");
        return env;
    }

    static Run finish(QProcess& p) {
        Run r;
        if (!p.waitForStarted(10000)) return r;
        if (!p.waitForFinished(60000)) {
            p.kill();
            p.waitForFinished();
            r.log = "did not end\n";
        }
        r.crashed = p.exitStatus() == QProcess::CrashExit;
        r.exitCode = p.exitCode();
        r.log += QString::fromLocal8Bit(p.readAllStandardError());
        return r;
    }
};

// AppVersion texts that select no upgrade step on a file of the 4.2 layout.
TEST_F(BuiltProgram, VersionTextsWithoutAStepEndCleanly) {
    makeUsers({{1, "Anna"}}, 1);
    QDir().mkpath(dbFolder());
    for (const QString& version : {QStringLiteral(" 4.2"), QStringLiteral("2.10"), QStringLiteral("4.25")}) {
        SCOPED_TRACE(version.toStdString());
        const QString file = dbFolder() + QStringLiteral("/v%1.wkd").arg(QString(version).remove(' '));
        upgrade::CreateOldDatabase(file, upgrade::OldDatabaseLayout(4, "4.2", version),
                                   vocabdb::VokDBPasswort);
        const Run r = run(file);
        EXPECT_FALSE(r.crashed) << r.log.toStdString();
        EXPECT_EQ(r.exitCode, 0) << r.log.toStdString();
        EXPECT_FALSE(r.log.contains("Sanitizer")) << r.log.toStdString();
        EXPECT_FALSE(r.log.contains("runtime error")) << r.log.toStdString();
        EXPECT_FALSE(r.log.contains("double free")) << r.log.toStdString();
        EXPECT_TRUE(r.log.contains("driver: start")) << r.log.toStdString();
        // The program goes on after the message, until it is ended.
        EXPECT_TRUE(r.log.contains("driver: close main window")) << r.log.toStdString();
        // The files are whole and alone after the end.
        EXPECT_EQ(wktest::Beside(file), QStringList());
        EXPECT_EQ(wktest::Beside(home.path() + "/USER.MDB"), QStringList());
    }
}

// A current file: the program starts, shows its window and ends through its
// own exit path.
TEST_F(BuiltProgram, CurrentFileEndsThroughTheExitPath) {
    makeUsers({{1, "Anna"}}, 1);
    const QString file = makeVokDB("kurs.wkd");
    const Run r = run(file);
    EXPECT_FALSE(r.crashed) << r.log.toStdString();
    EXPECT_EQ(r.exitCode, 0) << r.log.toStdString();
    EXPECT_TRUE(r.log.contains("driver: close main window")) << r.log.toStdString();
    EXPECT_FALSE(r.log.contains("driver: message")) << r.log.toStdString();
    EXPECT_FALSE(r.log.contains("Sanitizer")) << r.log.toStdString();
    EXPECT_EQ(wktest::Beside(file), QStringList());
}

// Quitting the application with both databases open (the desktop session
// ends): the databases close before the program's static objects go.
TEST_F(BuiltProgram, QuitWithOpenDatabasesEndsCleanly) {
    makeUsers({{1, "Anna"}}, 1);
    const QString file = makeVokDB("kurs.wkd");
    const Run r = run(file, true);
    EXPECT_FALSE(r.crashed) << r.log.toStdString();
    EXPECT_EQ(r.exitCode, 0) << r.log.toStdString();
    EXPECT_TRUE(r.log.contains("driver: quit")) << r.log.toStdString();
    EXPECT_FALSE(r.log.contains("Sanitizer")) << r.log.toStdString();
    EXPECT_EQ(wktest::Beside(file), QStringList());
    EXPECT_EQ(wktest::Beside(home.path() + "/USER.MDB"), QStringList());
}

// Qt's own options, the session manager's restart command among them, are
// Qt's: the program starts and opens the file named beside them. Past "--"
// a file named as one of them is a file; a display named by "-display"
// is used without DISPLAY.
TEST_F(BuiltProgram, QtOptionsAreQtsAndTheFileBesideThemOpens) {
    makeUsers({{1, "Anna"}}, 1);
    const QString file = makeVokDB("kurs.wkd");
    const QString dashed = makeVokDB("-reverse");
    wktest::VirtualDisplay display;
    const struct {
        QStringList options;
        QString opened;
    } cases[] = {
        {{"-session", "1234abcd", "-style", "Fusion", "FILE", "-reverse"}, file},
        {{"-platform", "offscreen", "--style=Fusion", "FILE"}, file},
        {{"--", "-reverse"}, dashed},
        {{"-platform", "xcb", "-display", display.name(), "FILE"}, file},
    };
    if (display.installed()) {
        ASSERT_FALSE(display.name().isEmpty()) << "Xvfb named no display";
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options.join(' ').toStdString());
        if (c.options.contains("-display") && !display.installed()) continue;  // no Xvfb here
        setUserValue(1, "LastDB", QString());
        const Run r = run(c.opened, false, c.options);
        EXPECT_EQ(r.exitCode, 0) << r.log.toStdString();
        EXPECT_TRUE(r.log.contains("driver: close main window")) << r.log.toStdString();
        EXPECT_EQ(userValue(1, "LastDB").toString(), c.opened);
    }
}

// A file named on the command line by bytes that are not UTF-8, relative to
// where the program starts: the user is told that its name cannot be read,
// with the whole path, and the program goes on.
TEST_F(BuiltProgram, ANameThatCannotBeReadIsSaidSoWithItsPath) {
    makeUsers({{1, "Anna"}}, 1);
    const QString made = makeVokDB("made.wkd");
    const QByteArray name = "k\xe4rs.wkd";
    const QByteArray bytes = QFile::encodeName(dbFolder()) + "/" + name;
    ASSERT_EQ(::rename(QFile::encodeName(made).constData(), bytes.constData()), 0);
    // Qt cannot name it to remove it with the test's folder.
    const struct Gone {
        const QByteArray& path;
        ~Gone() { ::unlink(path.constData()); }
    } gone{bytes};
    const Run r = runNamed(name, dbFolder());
    EXPECT_EQ(r.exitCode, 0) << r.log.toStdString();
    EXPECT_TRUE(r.log.contains(
        "driver: message File cannot be opened: " +
        QFile::decodeName(QFile::encodeName(dbFolder()) + "/" + name) +
        " Its name, or the name of a folder on its path, holds characters that cannot be read"))
        << r.log.toStdString();
    EXPECT_TRUE(r.log.contains("driver: close main window")) << r.log.toStdString();
}

}  // namespace
