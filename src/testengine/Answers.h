#pragma once
// The answer model of a test item: its accepted answers, the matching of
// typed text and ticked choices against them, and the counts of answer
// fields. Nothing here writes the database.
//
// Typed text is compared character by character and never trimmed; with
// letter case ignored both sides are upper-cased per character ("ß" stays
// "ß").

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

#include "platform/dao/Dao.h"

namespace testengine {

// The parts of a ";" list in text order. The first part is kept as it
// stands; every later part loses its leading blanks (trailing blanks stay).
// A ";" at the very end adds no part, two in a row give an empty part, and
// the empty text gives none.
QStringList SplitAnswers(const QString& s);

// The accepted answers of the current record of rs: entry 0 empty, then the
// parts of A1 .. A<CountAnswers> in field order, or the parts of Q when a
// typed item is asked reversed. Empty (or Null) fields add nothing.
QStringList BuildExpectedAnswers(const dao::Recordset& rs, bool reversed);

// Upper case per character, for comparisons that ignore letter case.
QString FoldCase(const QString& s);

// Whether text equals one of expected[1..]; entry 0 never counts.
bool IsAcceptedAnswer(const QStringList& expected, const QString& text, bool caseSensitive);

// Index of the first entry equal to value (exact), entry 0 included; -1
// when there is none.
int IndexInArray(const QStringList& arr, const QString& value);

// Number of RA1..RA9 equal to 1 in the current record.
int CountRightAnswers(const dao::Recordset& rs);

// The highest i in 1..9 whose A<i> is filled (not Null, not ""), or 0.
int CountAnswers(const dao::Recordset& rs);

// The largest CountAnswers over all records of rs, -1 when no record has a
// filled answer field (or rs is empty). The position is put back.
int MaxAnswerCount(dao::Recordset& rs);

// Judges a choice item with n choices. With more than one right answer
// (CountRightAnswers > 1) the check box values checkValue(i) must equal RA<i>;
// otherwise option i must be selected (optionSelected(i)) exactly when
// RA<i> is 1. i runs from 1 to n.
bool AllAnswersRight(const dao::Recordset& rs, int n, const std::function<int(int)>& checkValue,
                     const std::function<bool(int)>& optionSelected);

// Outcome of matching typed boxes. boxes[0] is the text of box 1.
enum class Verdict { None, Right, Wrong };

struct BoxMatch {
    Verdict verdict = Verdict::None;  // None: no box to test (n = 0)
    int failingBox = 0;               // Wrong: the box (from 1) that failed
    QList<int> greenBoxes;            // boxes found right, in the order they turned green
};

// One box: right when its whole text is an accepted answer.
BoxMatch MatchSingleBox(const QStringList& expected, const QString& box, bool ignoreCase);

// Several boxes in any order: every box must hold an accepted answer, and no
// two boxes the same one.
BoxMatch MatchAnyOrder(const QStringList& expected, const QStringList& boxes, bool ignoreCase);

// Several boxes in order: box i must hold expected[i].
BoxMatch MatchInOrder(const QStringList& expected, const QStringList& boxes, bool ignoreCase);

}  // namespace testengine
