// Single-instance lock. A named mutex of the old platform lived as long as
// the process; a QLockFile in the runtime folder does the same: the file
// carries the holder's process id and an flock(), so a lock of a process
// that ended (or was killed) is recognised as stale and taken over.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>

#include <map>
#include <memory>

#include "platform/shell/Shell.h"

namespace shell {
namespace {

// The locks this process holds, by name, kept until the process ends.
std::map<QString, std::unique_ptr<QLockFile>>& heldLocks() {
    static std::map<QString, std::unique_ptr<QLockFile>> locks;
    return locks;
}

// The mutex name may hold blanks (" 4.3_APPLICATION_MUTEX"); only the
// characters a file name cannot carry are replaced.
QString lockFileName(const QString& name) {
    QString file = name;
    file.replace(QLatin1Char('/'), QLatin1Char('_'));
    file.replace(QChar(0), QLatin1Char('_'));
    if (file.isEmpty() || file == QLatin1String(".") || file == QLatin1String(".."))
        file.prepend(QLatin1Char('_'));
    return file + QStringLiteral(".lock");
}

}  // namespace

QString LockFolder() {
    // The session's runtime folder; made when it is named but missing (a
    // test gives every process its own), private to the user as it must be.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime)) {
        if (QFileInfo(runtime).isDir() ||
            (QDir().mkpath(runtime) &&
             QFile::setPermissions(runtime,
                                   QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner)))
            return runtime;
    }
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty() || !QDir().mkpath(dir)) dir = QDir::tempPath();
    return dir;
}

bool AcquireInstanceLock(const QString& name) {
    auto& locks = heldLocks();
    if (locks.count(name)) return true;

    auto lock = std::make_unique<QLockFile>(LockFolder() + QLatin1Char('/') + lockFileName(name));
    // A live holder's lock never goes stale by age: the program may run for days.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)) {
        locks.emplace(name, std::move(lock));
        return true;
    }
    // Only another live holder refuses the start; a folder we cannot write
    // must not keep the program from running.
    return lock->error() != QLockFile::LockFailedError;
}

void ReleaseInstanceLock(const QString& name) {
    heldLocks().erase(name);
}

}  // namespace shell
