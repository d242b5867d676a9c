#pragma once
// The condition clause of the database import: up to three lines of item
// part, comparison and value, joined by AND / OR in line order. The words
// come from the run state's word tables; every typed value is bound as a
// parameter, never pasted into the SQL.

#include <QString>
#include <QStringList>
#include <array>

#include "platform/dao/Dao.h"

namespace exchange {

struct ConditionLine {
    int andOr = 0;  // index into BedAndOr; 0 is the end entry (line 0 has none)
    int what = 0;   // index into BedWhat
    int comp = 0;   // index into BedComp
    QString value;  // as typed
};

struct WhereClause {
    bool valid = true;     // BedValid
    int invalidLine = -1;  // the first line whose value failed its check
    QString sql;           // " WHERE ..." or ""
    dao::Params params;    // one value per '?' in sql
};

// Whether the text reads as a number in the user's locale (or with a point),
// blanks around it allowed; the number goes to *out.
bool IsNumericText(const QString& text, double* out = nullptr);

// Builds the clause. With enabled false the clause is empty and valid. An
// error-rate value (a BedWhat word beginning "FQ") must be numeric and is
// bound as a number; other values are bound as text. The item part "A"
// tests the filled answer fields (Null and "" are no answers): any of them
// for =, <, >, LIKE, none of them for NOT LIKE; the test stands in
// parentheses, so the line's AND / OR joins all of it.
WhereClause BuildWhereClause(bool enabled, const std::array<ConditionLine, 3>& lines,
                             const QStringList& bedWhat, const QStringList& bedAndOr,
                             const QStringList& bedComp);

}  // namespace exchange
