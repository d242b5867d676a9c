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

}  // namespace

bool CompactInPlace(const QString& path, const QString& tempPath, const QString& password) {
    if (!QFileInfo::exists(path)) return false;
    if (QFileInfo::exists(tempPath) && !QFile::remove(tempPath)) return false;
    // A journal beside the original means it was not closed cleanly; a copy
    // renamed over it would meet that journal on the next open.
    if (QFileInfo::exists(path + "-wal") || QFileInfo::exists(tempPath + "-wal")) return false;

    try {
        dao::DBEngine::CompactDatabase(path, tempPath, dao::dbLangGeneral, dao::dbEncrypt,
                                       ";pwd=" + password);
    } catch (const wk::Error&) {
        QFile::remove(tempPath);
        return false;
    }
    if (!SyncPath(tempPath, false) ||
        std::rename(QFile::encodeName(tempPath).constData(), QFile::encodeName(path).constData()) != 0) {
        QFile::remove(tempPath);
        return false;
    }
    SyncPath(QFileInfo(path).absolutePath(), true);
    return true;
}

}  // namespace modCompact
