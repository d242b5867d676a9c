#include "vocabdb/modCompact.h"

#include <QFileInfo>

#include "platform/Error.h"
#include "platform/dao/Dao.h"
#include "vocabdb/modExit.h"

namespace modCompact {

QString TempPathFor(const QString& path) {
    // Beside the database, so the copy takes its place with one rename on
    // any file system; named after it, so two databases in one folder never
    // share a copy.
    const QFileInfo fi(path);
    return fi.absolutePath() + "/" + fi.fileName() + "." + vocabdb::CompactTempName;
}

bool CompactInPlace(const QString& path, const QString& tempPath, const QString& password) {
    try {
        return dao::CompactInPlace(path, tempPath, ";pwd=" + password);
    } catch (const wk::Error&) {
        return false;
    }
}

}  // namespace modCompact
