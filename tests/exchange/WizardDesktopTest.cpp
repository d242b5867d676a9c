// The borderless wizard on a real display under a window manager: opened
// and cancelled again and again, it is each time where assistive tools are
// told it is. Needs Xvfb and openbox, which ./wk installs.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include "support/VirtualDisplay.h"

namespace {

struct Running {
    QProcess p;
    ~Running() {
        if (p.state() != QProcess::NotRunning) {
            p.terminate();
            if (!p.waitForFinished(5000)) p.kill();
            p.waitForFinished();
        }
    }
};

TEST(WizardOnADesktop, EveryOpeningIsWhereAssistiveToolsAreToldItIs) {
    const QString wm = QStandardPaths::findExecutable("openbox");
    if (wm.isEmpty()) GTEST_SKIP() << "needs Xvfb and openbox";
    wktest::VirtualDisplay display;
    if (!display.installed()) GTEST_SKIP() << "needs Xvfb and openbox";
    ASSERT_FALSE(display.name().isEmpty()) << "Xvfb named no display";
    QTemporaryDir runtime;
    ASSERT_TRUE(runtime.isValid());

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", display.name());
    env.remove("WAYLAND_DISPLAY");
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert("XDG_RUNTIME_DIR", runtime.path());
    env.insert("XDG_CONFIG_HOME", runtime.path() + "/config");
    env.insert("XDG_DATA_HOME", runtime.path() + "/data");
    env.insert("XDG_CACHE_HOME", runtime.path() + "/cache");
    env.insert("HOME", runtime.path());
    env.insert("WORTKISTE_HOME", runtime.path() + "/home");

    Running manager;
    manager.p.setProcessEnvironment(env);
    manager.p.start(wm, {});
    ASSERT_TRUE(manager.p.waitForStarted(10000));

    QProcess probe;
    probe.setProcessEnvironment(env);
    probe.setProcessChannelMode(QProcess::MergedChannels);
    probe.start(QCoreApplication::applicationDirPath() + "/wk_wizardprobe", {"15"});
    ASSERT_TRUE(probe.waitForStarted(10000));
    const bool ended = probe.waitForFinished(280000);
    if (!ended) probe.kill();
    const QString log = QString::fromLocal8Bit(probe.readAll());
    ASSERT_TRUE(ended) << log.toStdString();
    EXPECT_EQ(probe.exitStatus(), QProcess::NormalExit) << log.toStdString();
    EXPECT_EQ(probe.exitCode(), 0) << log.toStdString();
    EXPECT_EQ(log.count("opening "), 15) << log.toStdString();
}

}  // namespace
