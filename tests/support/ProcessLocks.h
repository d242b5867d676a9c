#pragma once
// Whether this process holds a POSIX lock on a file, as SQLite's connection
// does on a database and on its -shm index: closing any descriptor of that
// file anywhere in the process drops them all.
#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

#include <sys/stat.h>
#include <unistd.h>

namespace wktest {

inline bool HoldsPosixLock(const QString& file) {
    struct stat st {};
    if (::stat(QFile::encodeName(file).constData(), &st) != 0) return false;
    QFile locks(QStringLiteral("/proc/locks"));
    if (!locks.open(QIODevice::ReadOnly)) return false;
    const QByteArray pid = QByteArray::number(qint64(::getpid()));
    const QByteArray inode = ":" + QByteArray::number(quint64(st.st_ino));
    for (const QByteArray& line : locks.readAll().split('\n')) {
        // "1: POSIX  ADVISORY  READ 1234 fe:00:5678 128 128"
        const QList<QByteArray> f = line.simplified().split(' ');
        if (f.size() >= 8 && f[1] == "POSIX" && f[4] == pid && f[5].endsWith(inode)) return true;
    }
    return false;
}

}  // namespace wktest
