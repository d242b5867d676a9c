#pragma once
// A test of this program run in a process of its own (a second copy of the
// program, one to kill), given what it works on in one environment
// variable; its DISABLED_ name keeps it out of the suite's own run.
#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>

namespace wktest {

inline void StartChildTest(QProcess& child, const QString& test, const QString& variable,
                           const QString& value) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(variable, value);
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_filter=" + test, QStringLiteral("--gtest_also_run_disabled_tests")});
}

// The same on a system that refuses some calls (tests/support/shim): each
// of `settings` ("NAME=value") set for the child, which preloads the shim.
inline void StartChildTestOnShim(QProcess& child, const QString& test, const QStringList& settings) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& s : settings)
        env.insert(s.section(QLatin1Char('='), 0, 0), s.section(QLatin1Char('='), 1));
    env.insert(QStringLiteral("LD_PRELOAD"),
               QCoreApplication::applicationDirPath() + QStringLiteral("/shims/libwksyscallshim.so"));
    // The sanitizers' runtime need not come first then.
    env.insert(QStringLiteral("ASAN_OPTIONS"),
               env.value(QStringLiteral("ASAN_OPTIONS")) + QStringLiteral(":verify_asan_link_order=0"));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_filter=" + test, QStringLiteral("--gtest_also_run_disabled_tests")});
}

}  // namespace wktest
