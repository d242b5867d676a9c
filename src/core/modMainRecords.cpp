// Kept apart from modMain.cpp so that code which only needs message texts
// does not pull in the database layer.
#include "core/modMain.h"
#include "platform/dao/Dao.h"

namespace modMain {

namespace {

bool isNumber(const QVariant& v) {
    switch (v.typeId()) {
        case QMetaType::Bool:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Double:
        case QMetaType::Float:
            return true;
        default:
            return false;
    }
}

// The runtime's equality of two variants: Null equals nothing, texts compare
// exactly, numbers by value, a number never equals a text.
bool variantEquals(const QVariant& a, const QVariant& b) {
    if (!a.isValid() || a.isNull() || !b.isValid() || b.isNull()) return false;
    const bool aText = a.typeId() == QMetaType::QString;
    const bool bText = b.typeId() == QMetaType::QString;
    if (aText && bText) return a.toString() == b.toString();
    if (isNumber(a) && isNumber(b)) return a.toDouble() == b.toDouble();
    if (aText || bText || isNumber(a) || isNumber(b)) return false;
    return a == b;
}

void restorePosition(dao::Recordset& rs, long position) {
    try {
        rs.SetAbsolutePosition(position);
    } catch (...) {
        // No current record before the call, or the set shrank meanwhile.
    }
}

}  // namespace

bool FindRecordByField(const QString& fieldName, dao::Recordset& rs, const QVariant& value) {
    const long remembered = rs.AbsolutePosition();
    const long count = rs.RecordCount();
    try {
        for (long p = 0; p < count; ++p) {
            rs.SetAbsolutePosition(p);
            if (variantEquals(rs.Value(fieldName), value)) {
                GefundenA1 = rs.Value(QStringLiteral("A1"));
                restorePosition(rs, remembered);
                return true;
            }
        }
    } catch (...) {
        // The error belongs to the caller, but the caller's record stays current.
        restorePosition(rs, remembered);
        throw;
    }
    restorePosition(rs, remembered);
    GefundenA1 = QString();
    return false;
}

bool FindRecordByField(const QString& fieldName, const std::shared_ptr<dao::Recordset>& rs,
                       const QVariant& value) {
    return FindRecordByField(fieldName, *rs, value);
}

RecordFinder::RecordFinder(QString fieldName, dao::Recordset& rs) : field_(std::move(fieldName)), rs_(rs) {
    catchUp();
}

void RecordFinder::catchUp() {
    const long count = rs_.RecordCount();
    if (count == seen_) return;
    if (count < seen_) {
        first_.clear();
        seen_ = 0;
    }
    const long remembered = rs_.AbsolutePosition();
    try {
        first_.reserve(qsizetype(count));
        for (long p = seen_; p < count; ++p) {
            rs_.SetAbsolutePosition(p);
            // By index once the name is known to exist; a missing one raises.
            const int i = rs_.FieldIndex(field_);
            const QVariant v = i >= 0 ? rs_.Value(i) : rs_.Value(field_);
            // Only texts can equal the texts looked for; Null never matches.
            if (v.typeId() != QMetaType::QString || v.isNull()) continue;
            const QString text = v.toString();
            if (!first_.contains(text)) first_.insert(text, p);
        }
    } catch (...) {
        restorePosition(rs_, remembered);
        first_.clear();
        seen_ = 0;
        throw;
    }
    seen_ = count;
    restorePosition(rs_, remembered);
}

void RecordFinder::Appended(const QVariant& value) {
    if (rs_.RecordCount() != seen_ + 1) return;
    // As catchUp takes a value read back: texts only, the first position kept.
    if (value.typeId() == QMetaType::QString && !value.isNull()) {
        const QString text = value.toString();
        if (!first_.contains(text)) first_.insert(text, seen_);
    }
    ++seen_;
}

bool RecordFinder::Find(const QVariant& value) {
    if (value.typeId() != QMetaType::QString) return FindRecordByField(field_, rs_, value);
    catchUp();
    const auto it = first_.constFind(value.toString());
    if (it == first_.constEnd() || value.isNull()) {
        GefundenA1 = QString();
        return false;
    }
    const long remembered = rs_.AbsolutePosition();
    try {
        rs_.SetAbsolutePosition(*it);
        GefundenA1 = rs_.Value(QStringLiteral("A1"));
    } catch (...) {
        restorePosition(rs_, remembered);
        throw;
    }
    restorePosition(rs_, remembered);
    return true;
}

}  // namespace modMain
