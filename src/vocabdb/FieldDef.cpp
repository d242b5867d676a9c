#include "vocabdb/FieldDef.h"

namespace vocabdb {

QStringList FieldNames(const FieldList& fields) {
    QStringList names;
    names.reserve(fields.size());
    for (const auto& f : fields) names << f.name;
    return names;
}

int IndexOfField(const FieldList& fields, const QString& n) {
    for (int i = 0; i < fields.size(); ++i)
        if (fields[i].name.compare(n, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

void RemoveFields(FieldList& fields, const QStringList& names) {
    for (const auto& n : names) {
        const int i = IndexOfField(fields, n);
        if (i >= 0) fields.removeAt(i);
    }
}

void InsertFieldsAfter(FieldList& fields, const QString& after, const FieldList& add) {
    int at = IndexOfField(fields, after);
    at = at < 0 ? fields.size() : at + 1;
    for (const auto& f : add) fields.insert(at++, f);
}

void ReplaceField(FieldList& fields, const FieldDef& f) {
    const int i = IndexOfField(fields, f.name);
    if (i >= 0) fields[i] = f;
}

}  // namespace vocabdb
