#pragma once
// The item editor's rules that need no window: the answer-count rule, the
// points text, the default theme, the duplicate prompt and the table of
// special characters.

#include <QString>
#include <QStringList>
#include <optional>

namespace editor {

// Background colours of the inputs (&HBBGGRR).
inline constexpr quint32 EmptyInputColor = 0xE0E0E0;
inline constexpr quint32 FilledInputColor = 0xFFFFFF;

// Longest theme or category the field takes.
inline constexpr int SubjectMaxLength = 50;

// Walks the answers in order and stops at a second filled answer, or at the
// first filled one when it holds ";". True when the walk stopped: the item
// has several answers, so "ask for all answers" makes sense.
bool HasSeveralAnswers(const QStringList& answers);

// The platform's numeric test: optional blanks, sign, digits with a decimal
// separator of this locale or ".", exponent.
bool IsNumericText(const QString& text);

// The Long the points field stores for a text: 0 for "", the whole number
// the digits give (blanks around them allowed), nothing for anything else
// (a sign, a fraction, an exponent, letters) or a number out of range.
std::optional<qint32> PointsValue(const QString& text);

// Each word's first letter upper case, the rest lower case.
QString ProperCase(const QString& text);

// The theme or category stored for a typed text: "" or a single blank
// become `other` in proper case; anything else stays as typed.
QString SubjectToStore(const QString& typed, const QString& other);

// The prompt of the duplicate question (messages 276, 277, 278 given).
QString DuplicatePrompt(const QString& m276, const QString& question, const QString& m277,
                        const QString& foundAnswer, const QString& m278);

// The character grid: 8 rows of 8 cells, each capital letter of 192..223
// beside its small letter (code + 32). Rows and columns from 1.
QChar SpecialChar(int row, int column);
// Height in twips of the character grid under box 0 (the question) or
// answer box 1..9.
int CharGridHeight(int box);

}  // namespace editor
