#pragma once
// What a vocabulary database must hold before the program takes it into use.
// A damaged, foreign or unknown-version file is refused at the door with a
// plain message that names the file and what it lacks, instead of failing
// somewhere later; nothing in the file is changed by the check.

#include <QList>
#include <QString>

#include "platform/dao/Dao.h"

namespace vocabdb {

// One thing a file lacks: a table ("VOK"), a column ("VOK.A1") or the row
// of a table ("OPTIONS").
struct MissingPart {
    enum Kind { Table, Column, Row } kind;
    QString name;
};
using MissingParts = QList<MissingPart>;

// What every version needs: the tables VOK and OPTIONS, and the one row of
// OPTIONS. Empty when nothing is missing.
MissingParts MissingInAnyVersion(const dao::DatabasePtr& db);
// What the current version needs besides: every column of VOK and OPTIONS.
MissingParts MissingInCurrentVersion(const dao::DatabasePtr& db);

// "column VOK.A1, the row of table OPTIONS" in the interface language; a
// long list names its first few and ends in "...".
QString DescribeMissing(const MissingParts& missing);

// The message for a file the program cannot use: which file, and what it
// lacks.
QString UnusableFileText(const QString& path, const MissingParts& missing);

// Shows that message (a plain notice, not an error report): the file is
// the user's situation, not a fault of the program.
void TellUnusable(const QString& path, const MissingParts& missing);

}  // namespace vocabdb
