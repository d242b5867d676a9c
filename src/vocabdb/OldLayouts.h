#pragma once
// Layouts of the older vocabulary database kinds 0, 1 and 2 and a builder
// that writes any layout into a new file. The program never creates old
// files for users; tests and the upgrade make them to have something to
// convert.
//
// A layout is plain data (two field lists, the stored queries and the values
// of the one OPTIONS row), so a layout of another version is derived by
// editing the lists of the "3.2" layout (RemoveFields, InsertFieldsAfter,
// ReplaceField) before building.

#include <QList>
#include <QPair>
#include <QString>
#include <QVariant>

#include "platform/dao/Dao.h"
#include "vocabdb/FieldDef.h"

namespace vocabdb {

struct DatabaseLayout {
    int kind = 0;
    QString appVersion;  // default of OPTIONS.AppVersion; empty = no such column
    FieldList vok;
    FieldList options;
    QList<QueryDef> queries;
    // Values written into the OPTIONS row; every other field takes its default.
    QList<QPair<QString, QVariant>> optionsRow;
};

// The layout of kind 0, 1 or 2 at schema version appVersion ("3.2" or
// "3,2" as old programs wrote it). Throws wk::Error 5 for another kind.
DatabaseLayout OldKindLayout(int kind, const QString& appVersion = QStringLiteral("3.2"));

// Builds the tables, queries and OPTIONS row of layout into the open, empty
// database db, in one transaction.
void BuildLayout(const dao::DatabasePtr& db, const DatabaseLayout& layout);

// Creates a new file at path with layout, sets the password and closes it.
// Refuses (3204) when the file exists. The file is written beside and moved
// into place only when complete.
void CreateDatabaseFile(const QString& path, const DatabaseLayout& layout, const QString& password);

}  // namespace vocabdb
