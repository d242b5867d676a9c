#pragma once
// The files the upgrade meets: vocabulary databases of the old kinds 0, 1
// and 2 at every version from the one without a version column up to "3.2",
// and files of the current kind 4 at "4.0" to "4.2". Each layout is derived
// from the "3.2" layouts of the old kinds (or from the current schema) by
// taking away what later steps brought and putting back what they removed.
// The program never writes such files for users; tests build them to have
// something to upgrade.

#include <QString>

#include "vocabdb/OldLayouts.h"

namespace upgrade {

// kind 0, 1, 2 with version "", "2.1", "2.2", "3.0", "3.2"; kind 4 with
// "4.0", "4.1", "4.2", "4.3". An empty version means no AppVersion column.
// The version is the schema the file has; the text stored in AppVersion is
// the same unless storedVersion says otherwise (e.g. "4,0", "3").
// Raises 9 for a kind or version that never existed.
vocabdb::DatabaseLayout OldDatabaseLayout(int kind, const QString& version,
                                          const QString& storedVersion = {});

// Builds the layout into a new file at path, protected by password.
void CreateOldDatabase(const QString& path, const vocabdb::DatabaseLayout& layout, const QString& password);

}  // namespace upgrade
