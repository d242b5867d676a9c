#include "vocabdb/TableBuilder.h"

namespace vocabdb {

void AppendTable(const dao::DatabasePtr& db, const QString& name, const FieldList& fields) {
    auto td = db->CreateTableDef(name);
    for (const auto& f : fields) {
        auto fld = td->CreateField(f.name, f.type, f.type == dao::dbText ? f.size : 0);
        if (f.type == dao::dbText || f.type == dao::dbMemo) fld->SetAllowZeroLength(f.allowZeroLength);
        if (f.defaultValue.isValid()) fld->SetDefaultValue(f.defaultValue);
        td->Append(fld);
    }
    db->Append(td);
}

void CreateQueries(const dao::DatabasePtr& db, const QList<QueryDef>& queries) {
    for (const auto& q : queries) db->CreateQueryDef(q.name, q.sql);
}

FieldList ReadTableLayout(const dao::DatabasePtr& db, const QString& table) {
    FieldList out;
    const auto td = db->GetTableDef(table);
    for (const auto& f : td->Fields()) {
        out << FieldDef{f->Name(), f->Type(), f->Type() == dao::dbText ? f->Size() : 0, f->AllowZeroLength(),
                        f->DefaultValue()};
    }
    return out;
}

FieldList AsStored(FieldList fields) {
    for (auto& f : fields) {
        if (f.type == dao::dbText && f.size == 0) f.size = dao::DefaultTextSize;
        if (f.type != dao::dbText) f.size = 0;
    }
    return fields;
}

}  // namespace vocabdb
