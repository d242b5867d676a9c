#include "vocabdb/modCompact.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

#include "platform/Error.h"
#include "platform/dao/Dao.h"

namespace modCompact {
namespace {

bool SyncPath(const QString& path, bool directory) {
    const int fd = ::open(QFile::encodeName(path).constData(), directory ? O_RDONLY | O_DIRECTORY : O_RDONLY);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

// Removes the journal files beside a closed database when the journal holds
// nothing; false when it holds changes.
bool DropEmptyJournal(const QString& path) {
    const QFileInfo wal(path + "-wal");
    if (wal.exists() && wal.size() > 0) return false;
    QFile::remove(path + "-wal");
    QFile::remove(path + "-shm");
    return true;
}

}  // namespace

bool CompactInPlace(const QString& path, const QString& tempPath, const QString& password) {
    if (!QFileInfo::exists(path)) return false;
    if (QFileInfo::exists(tempPath) && !QFile::remove(tempPath)) return false;
    QFile::remove(tempPath + "-wal");
    QFile::remove(tempPath + "-shm");
    // A journal with content beside the original means it was not closed
    // cleanly; a copy renamed over it would meet that journal on the next open.
    if (!DropEmptyJournal(path)) return false;

    try {
        dao::DBEngine::CompactDatabase(path, tempPath, dao::dbLangGeneral, dao::dbEncrypt,
                                       ";pwd=" + password);
    } catch (const wk::Error&) {
        QFile::remove(tempPath);
        return false;
    }
    // Reading the source leaves an empty journal of it behind; it must not
    // stay beside the copy that takes the name.
    if (!DropEmptyJournal(path) || !SyncPath(tempPath, false) ||
        std::rename(QFile::encodeName(tempPath).constData(), QFile::encodeName(path).constData()) != 0) {
        QFile::remove(tempPath);
        return false;
    }
    SyncPath(QFileInfo(path).absolutePath(), true);
    return true;
}

}  // namespace modCompact
