#pragma once
// Compares the layout a file holds with the one it was meant to have, field
// by field, so a failure names the field and the property that differ.

#include <gtest/gtest.h>

#include "vocabdb/FieldDef.h"
#include "vocabdb/TableBuilder.h"

namespace vocabtest {

inline bool sameDefault(int type, const QVariant& a, const QVariant& b) {
    if (a.isValid() != b.isValid()) return false;
    if (!a.isValid()) return true;
    switch (type) {
        case dao::dbBoolean:
            return a.toBool() == b.toBool();
        case dao::dbDate:
            return a.toDateTime() == b.toDateTime();
        case dao::dbText:
        case dao::dbMemo:
            return a.toString() == b.toString();
        default:
            return a.toDouble() == b.toDouble();
    }
}

inline void expectLayout(const dao::DatabasePtr& db, const QString& table, const vocabdb::FieldList& want) {
    const auto got = vocabdb::ReadTableLayout(db, table);
    const auto w = vocabdb::AsStored(want);
    ASSERT_EQ(vocabdb::FieldNames(got), vocabdb::FieldNames(w)) << table.toStdString();
    for (int i = 0; i < w.size(); ++i) {
        SCOPED_TRACE((table + "." + w[i].name).toStdString());
        EXPECT_EQ(got[i].type, w[i].type);
        EXPECT_EQ(got[i].size, w[i].size);
        EXPECT_EQ(got[i].allowZeroLength, w[i].allowZeroLength);
        EXPECT_TRUE(sameDefault(w[i].type, got[i].defaultValue, w[i].defaultValue))
            << got[i].defaultValue.toString().toStdString() << " vs "
            << w[i].defaultValue.toString().toStdString();
    }
}

}  // namespace vocabtest
