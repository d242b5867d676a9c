// Unique temporary files, as the old platform's GetTempFileName made them:
// a short prefix, a hexadecimal number and ".tmp", the file created empty so
// that the name is ours the moment it is returned, and no one else's to
// read.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include "platform/shell/Shell.h"

namespace shell {

QString CreateTempFile(const QString& folder, const QString& prefix) {
    const QFileInfo dir(folder);
    if (folder.isEmpty() || !dir.isDir()) return {};
    const QString base = QDir(dir.absoluteFilePath()).absolutePath() + QLatin1Char('/') + prefix.left(3);

    auto* rng = QRandomGenerator::global();
    quint32 number = rng->bounded(0x10000u);
    for (int attempt = 0; attempt < 2000; ++attempt) {
        // Four digits as the original; a crowded folder moves on to eight.
        const bool wide = attempt >= 64;
        const quint32 n = wide ? rng->generate() : (number + attempt) & 0xFFFF;
        const QString path = base +
                             QStringLiteral("%1").arg(n, wide ? 8 : 4, 16, QLatin1Char('0')).toUpper() +
                             QStringLiteral(".tmp");
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                      QFileDevice::ReadOwner | QFileDevice::WriteOwner))
            return path;
        if (!file.exists()) return {};  // not a name clash: the folder refuses files
    }
    return {};
}

bool MakePrivateFolder(const QString& folder) {
    if (folder.isEmpty() || !QDir().mkpath(folder)) return false;
    return QFile::setPermissions(folder,
                                 QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

}  // namespace shell
