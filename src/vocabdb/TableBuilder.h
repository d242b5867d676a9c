#pragma once
// Writes field lists into a database as tables and reads a stored table back
// as a field list, so that a file can be compared with the layout it should
// have.

#include "platform/dao/Dao.h"
#include "vocabdb/FieldDef.h"

namespace vocabdb {

// Creates table name with fields in their order: each field with its type
// and (Text) size, the zero-length flag, then its default.
void AppendTable(const dao::DatabasePtr& db, const QString& name, const FieldList& fields);

void CreateQueries(const dao::DatabasePtr& db, const QList<QueryDef>& queries);

// The stored fields of table as a field list. Sizes are given for Text only
// (the engine's default size where none was asked for).
FieldList ReadTableLayout(const dao::DatabasePtr& db, const QString& table);

// fields with the sizes the engine gives them, for comparing with
// ReadTableLayout.
FieldList AsStored(FieldList fields);

}  // namespace vocabdb
