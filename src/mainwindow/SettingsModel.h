#pragma once
// What the settings panel decides without a window: the write rule of the
// option records, the runtime's number test, the rules of the option text
// fields, and the layout of the grading scale against the total points.

#include <QString>
#include <QVariant>
#include <array>
#include <optional>
#include <utility>
#include <vector>

#include "platform/dao/Dao.h"

namespace settings {

// Writes one field the moment its control changes: edit, set, update. On an
// error the edit is cancelled, so the record is left as it was, and the
// error passes on.
void WriteField(const dao::RecordsetPtr& rs, const QString& field, const QVariant& value);

// A field of a record as a whole number; Null (and anything that is no
// number) counts as 0.
qint64 IntValue(const dao::RecordsetPtr& rs, const QString& field);
// A field as text; Null gives "".
QString TextValue(const dao::RecordsetPtr& rs, const QString& field);

// The runtime's number test: blanks around, an optional sign, digits with at
// most one decimal point, an optional exponent. The empty text fails.
bool IsNumeric(const QString& text);
// The value of a numeric text (0 for one that is not).
double NumericValue(const QString& text);
// A numeric text made a whole number the way the database stores it (halves
// to even); 0 for a text that is not numeric.
qint64 WholeValue(const QString& text);

// Maximum number of items: the text to store while typing, or nothing when
// it is empty, not numeric, has a whole part below 1, or does not fit the
// Integer field.
std::optional<QString> MaxFragenToStore(const QString& text);

// Minutes for the whole test: 500 for a value above 500, else the text.
inline constexpr int MaxBigZeitlimitM = 500;
QVariant BigZeitlimitToStore(const QString& text);

// Sum of Punkte over every record (the test engine's SumPunkte); the
// current record is put back. No recordset gives 0; a sum beyond a Long
// raises 6.
qint32 SumPunkte(const dao::RecordsetPtr& rs);

// --- the grading scale ---

inline constexpr int GradeRows = 8;

struct GradeRow {
    bool on = false;
    QString upperEnd;    // text of txtPunkteBis
    QString lowerLabel;  // caption of lblPunkteBis ("" for a row that is off)
};

struct ScalePlan {
    std::array<GradeRow, GradeRows + 1> rows;  // rows[1..8]
    // Upper ends to store before the rows are shown: (field number k + 1, value).
    std::vector<std::pair<int, qint32>> writes;
};

// The refill with the switch on: storedP[i] is BewertungP<i> for i = 2..8
// (Null as 0), total the points of all items, to the text of message 701.
ScalePlan PlanScale(qint32 total, const std::array<qint64, 9>& storedP, const QString& to);

// The upper end of row `index` as it is kept when its box is left: a text
// that is not numeric (or beyond a Long) becomes the total, a value above the
// total the total, and from row 2 on a value not above the previous row's
// upper end that end plus 1.
QString CorrectUpperEnd(const QString& text, int index, const QString& previousText, qint32 total);

}  // namespace settings
