// The command line as the terminal sees it: help and version answer and
// end, an unknown option is refused, and without a display the program says
// so and ends; none of them starts the program or needs a display. Qt's own
// options are Qt's.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

namespace {

struct Answer {
    bool ended = false;
    int exitCode = -1;  // -1: it crashed
    QString out, err;
};

// platform: QT_QPA_PLATFORM, unset when empty; display: DISPLAY, unset when
// empty (WAYLAND_DISPLAY always unset).
Answer runWith(const QStringList& args, const QString& home, const QString& platform,
               const QString& display) {
    QTemporaryDir runtime;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("WORTKISTE_HOME", home);
    env.insert("XDG_RUNTIME_DIR", runtime.path());
    env.insert("XDG_DATA_HOME", runtime.path() + "/data");
    env.insert("XDG_CONFIG_HOME", runtime.path() + "/config");
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    if (!platform.isEmpty()) env.insert("QT_QPA_PLATFORM", platform);
    if (!display.isEmpty()) env.insert("DISPLAY", display);
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QCoreApplication::applicationDirPath() + "/wortkiste", args);
    Answer a;
    if (!p.waitForStarted(10000)) return a;
    a.ended = p.waitForFinished(60000);
    if (!a.ended) {
        p.kill();
        p.waitForFinished();
    }
    a.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    a.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    a.err = QString::fromLocal8Bit(p.readAllStandardError());
    return a;
}

const QString kUsage = "Usage: wortkiste [DATABASE]\n";
const QString kNoDisplay = "wortkiste: no display to open a window on";

TEST(CommandLine, OptionsAndAMissingDisplayEndWithTheirStatusAndText) {
    struct Case {
        QStringList args;
        QString platform, display;
        int status;
        QString outStart, errPart;
    };
    const Case cases[] = {
        {{"--help"}, "xcb", "", 0, kUsage, ""},
        {{"-h"}, "xcb", "", 0, kUsage, ""},
        {{"x.wkd", "--help"}, "xcb", "", 0, kUsage, ""},
        {{"--version"}, "xcb", "", 0, "Wortkiste 4.3\n", ""},
        {{"--bogus"}, "xcb", "", 2, "", "wortkiste: unknown option --bogus\n\n" + kUsage},
        {{"-x", "x.wkd"}, "", "", 2, "", "wortkiste: unknown option -x\n"},
        // Past "--" a leading "-" is part of the database's name.
        {{"--", "-x.wkd"}, "", "", 1, "", kNoDisplay},
        {{"x.wkd"}, "", "", 1, "", kNoDisplay},
        {{}, "wayland", "", 1, "", kNoDisplay},
        // A display named but not there: Qt's platform fails to start.
        {{"x.wkd"}, "xcb", ":87654", 1, "", kNoDisplay},
        {{"-display", ":87654", "x.wkd"}, "xcb", "", 1, "", kNoDisplay},
        // Qt's own options pass to Qt (the session manager restarts with
        // "-session <id>"); one without its value is not Qt's.
        {{"-session", "1234abcd", "-style", "Fusion", "-reverse", "x.wkd"}, "", "", 1, "", kNoDisplay},
        {{"--style=Fusion", "-stylesheet", "a.qss", "--reverse"}, "", "", 1, "", kNoDisplay},
        {{"x.wkd", "-session"}, "", "", 2, "", "wortkiste: unknown option -session\n"},
        {{"-platform=offscreen"}, "", "", 2, "", "wortkiste: unknown option -platform=offscreen\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.args.join(' ') + " / " + c.platform + " / " + c.display).toStdString());
        QTemporaryDir home;
        const Answer a = runWith(c.args, home.path(), c.platform, c.display);
        ASSERT_TRUE(a.ended);
        EXPECT_EQ(a.exitCode, c.status);
        if (c.outStart.isEmpty())
            EXPECT_EQ(a.out, "");
        else
            EXPECT_TRUE(a.out.startsWith(c.outStart)) << a.out.toStdString();
        if (c.errPart.isEmpty())
            EXPECT_EQ(a.err, "");
        else
            EXPECT_TRUE(a.err.contains(c.errPart)) << a.err.toStdString();
        // Nothing started: the program folder was not even made.
        EXPECT_TRUE(QDir(home.path()).isEmpty());
    }
}

}  // namespace
