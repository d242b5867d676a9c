#pragma once
// Compacting a database file in place at exit.

#include <QString>

namespace modCompact {

// Compacts the database at `path` in the file itself, under SQLite's locks,
// so that another program that opens it at any moment sees either the whole
// old or the whole new content. While another process is at work on the
// file nothing is done. On any failure the file keeps its content and false
// is returned.
bool CompactInPlace(const QString& path, const QString& password);

}  // namespace modCompact
