#include "vocabdb/modCompact.h"

#include "platform/Error.h"
#include "platform/dao/Dao.h"

namespace modCompact {

bool CompactInPlace(const QString& path, const QString& password) {
    try {
        return dao::CompactInPlace(path, ";pwd=" + password);
    } catch (const wk::Error&) {
        return false;
    }
}

}  // namespace modCompact
