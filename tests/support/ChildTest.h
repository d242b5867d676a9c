#pragma once
// A test of this program run in a process of its own (a second copy of the
// program, one to kill), given what it works on in one environment
// variable; its DISABLED_ name keeps it out of the suite's own run.
#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>

namespace wktest {

inline void StartChildTest(QProcess& child, const QString& test, const QString& variable,
                           const QString& value, bool onShim = false) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(variable, value);
    if (onShim) {  // a system that refuses some calls (shim/SyscallShim.cpp), as `variable` may ask
        env.insert("LD_PRELOAD", QCoreApplication::applicationDirPath() + "/shims/libwksyscallshim.so");
        // The sanitizers' runtime need not come first then.
        env.insert("ASAN_OPTIONS", env.value("ASAN_OPTIONS") + ":verify_asan_link_order=0");
    }
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_filter=" + test, QStringLiteral("--gtest_also_run_disabled_tests")});
}

}  // namespace wktest
