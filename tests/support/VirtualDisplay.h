#pragma once
// An X server of the test's own (Xvfb), for a test that starts the program on
// a real display. Xvfb picks a free display and names it; the server ends
// with the object. A test skips where Xvfb is not installed (./wk installs
// it) and fails where it is but gave no display.

#include <QProcess>
#include <QStandardPaths>
#include <QString>

namespace wktest {

class VirtualDisplay {
public:
    VirtualDisplay() {
        const QString xvfb = QStandardPaths::findExecutable("Xvfb");
        installed_ = !xvfb.isEmpty();
        if (!installed_) return;
        server_.setProgram("/bin/sh");
        server_.setArguments({"-c", "exec \"$0\" -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp", xvfb});
        server_.start();
        if (!server_.waitForStarted(10000)) return;
        QByteArray number;
        while (!number.contains('\n') && server_.waitForReadyRead(30000))
            number += server_.readAllStandardOutput();
        number = number.trimmed();
        if (!number.isEmpty()) name_ = ":" + QString::fromLatin1(number);
    }
    ~VirtualDisplay() {
        if (server_.state() == QProcess::NotRunning) return;
        server_.terminate();
        if (!server_.waitForFinished(5000)) server_.kill();
        server_.waitForFinished();
    }
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    bool installed() const { return installed_; }
    // ":N", or "" when no server could be started.
    const QString& name() const { return name_; }

private:
    QProcess server_;
    bool installed_ = false;
    QString name_;
};

}  // namespace wktest
