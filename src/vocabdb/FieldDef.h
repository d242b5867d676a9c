#pragma once
// A table layout written down as data: every field with its type, size,
// zero-length flag and default, in creation order. The current schema, the
// user database and the older layouts are all lists of these, so one builder
// writes any of them and tests can compare a file against its list.

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include "platform/dao/Dao.h"

namespace vocabdb {

struct FieldDef {
    QString name;
    int type = dao::dbText;        // the layer's type codes
    int size = 0;                  // Text only; 0 = the engine's default size
    bool allowZeroLength = false;  // accepts ""
    QVariant defaultValue;         // invalid = no default (Null in a new row)

    bool operator==(const FieldDef&) const = default;
};

using FieldList = QList<FieldDef>;

struct QueryDef {
    QString name;
    QString sql;
};

// Small constructors so that the layouts read like the tables they copy.
inline FieldDef Text(const QString& n, int size, bool zl = true, const QVariant& def = {}) {
    return {n, dao::dbText, size, zl, def};
}
inline FieldDef Memo(const QString& n, bool zl = true) {
    return {n, dao::dbMemo, 0, zl, {}};
}
inline FieldDef Int(const QString& n, const QVariant& def = {}) {
    return {n, dao::dbInteger, 0, false, def};
}
inline FieldDef Long(const QString& n, const QVariant& def = {}) {
    return {n, dao::dbLong, 0, false, def};
}
inline FieldDef Dbl(const QString& n, const QVariant& def = {}) {
    return {n, dao::dbDouble, 0, false, def};
}
inline FieldDef Bool(const QString& n, const QVariant& def = {}) {
    return {n, dao::dbBoolean, 0, false, def};
}
inline FieldDef Date(const QString& n, const QVariant& def = {}) {
    return {n, dao::dbDate, 0, false, def};
}

// Names of a field list, in order.
QStringList FieldNames(const FieldList& fields);

// Index of the field named n (case-insensitive), -1 when absent.
int IndexOfField(const FieldList& fields, const QString& n);

// Editing helpers for deriving one layout from another: remove the named
// fields (missing names are ignored), insert fields after a named field (at
// the end when it is absent), replace a field with the same name.
void RemoveFields(FieldList& fields, const QStringList& names);
void InsertFieldsAfter(FieldList& fields, const QString& after, const FieldList& add);
void ReplaceField(FieldList& fields, const FieldDef& f);

}  // namespace vocabdb
