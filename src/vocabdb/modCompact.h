#pragma once
// Compacting a database file in place at exit.

#include <QString>

namespace modCompact {

// Where the compact copy of the database at `path` is written: its own
// folder, a name of its own.
QString TempPathFor(const QString& path);

// Writes a compact copy of the database at `path` into `tempPath` (in the
// same folder) and puts the copy in the original's place with one rename, so
// that at every moment either the old or the new complete file carries the
// name. A file left at `tempPath` by an earlier run is removed first. While
// another process has the file open nothing is done. On any failure the
// original stays untouched, the temporary file is removed and false is
// returned.
bool CompactInPlace(const QString& path, const QString& tempPath, const QString& password);

}  // namespace modCompact
