#pragma once
// What a vocabulary database must hold before the program takes it into use.
// A damaged but plausible file is refused at the door with an error that
// names what it lacks, instead of failing somewhere later; nothing in the
// file is changed by the check.

#include <QString>
#include <QStringList>

#include "platform/dao/Dao.h"

namespace vocabdb {

// What every version needs: the tables VOK and OPTIONS, and the one row of
// OPTIONS. Empty when nothing is missing.
QStringList MissingInAnyVersion(const dao::DatabasePtr& db);
// What the current version needs besides: every column of VOK and OPTIONS.
QStringList MissingInCurrentVersion(const dao::DatabasePtr& db);

// Raises 3049 for the file at path, naming what is missing, when `missing`
// is not empty.
void RefuseIfMissing(const QStringList& missing, const QString& path);

}  // namespace vocabdb
