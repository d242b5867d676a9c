#pragma once
// Compacting a database file in place at exit.

#include <QString>

namespace modCompact {

// Writes a compact copy of the database at `path` into `tempPath` and puts
// the copy in the original's place with one rename, so that at every moment
// either the old or the new complete file carries the name. A file left at
// `tempPath` by an earlier run is removed first. On any failure the original
// stays untouched, the temporary file is removed and false is returned.
bool CompactInPlace(const QString& path, const QString& tempPath, const QString& password);

}  // namespace modCompact
