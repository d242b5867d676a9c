#include "testengine/Answers.h"

#include "core/modFunctions.h"
#include "platform/Error.h"

namespace testengine {

namespace {

QString field(const char* prefix, int i) {
    return QLatin1String(prefix) + QString::number(i);
}

bool filled(const QVariant& v) {
    return v.isValid() && !v.isNull() && !v.toString().isEmpty();
}

bool sameText(const QString& a, const QString& b, bool ignoreCase) {
    return ignoreCase ? FoldCase(a) == FoldCase(b) : a == b;
}

// RA<i> as the judge reads it: 1 is right, anything else (Null too) is not.
int flag(const dao::Recordset& rs, int i) {
    bool ok = false;
    const int v = rs.Value(field("RA", i)).toInt(&ok);
    return ok ? v : 0;
}

}  // namespace

QStringList SplitAnswers(const QString& s) {
    QStringList parts;
    qsizetype pos = 0;
    while (pos < s.size()) {
        const qsizetype p = s.indexOf(u';', pos);
        QString part = s.mid(pos, p < 0 ? -1 : p - pos);
        if (!parts.isEmpty()) {
            qsizetype lead = 0;
            while (lead < part.size() && part.at(lead) == u' ') ++lead;
            part.remove(0, lead);
        }
        parts << part;
        if (p < 0) break;
        pos = p + 1;
    }
    return parts;
}

QStringList BuildExpectedAnswers(const dao::Recordset& rs, bool reversed) {
    QStringList expected{QString()};
    const int m = CountAnswers(rs);
    if (reversed) {
        expected << SplitAnswers(rs.Value(QStringLiteral("Q")).toString());
    } else {
        // A Null between filled fields is an empty field: it adds nothing.
        for (int i = 1; i <= m; ++i) expected << SplitAnswers(rs.Value(field("A", i)).toString());
    }
    return expected;
}

QString FoldCase(const QString& s) {
    return modFunctions::UCase(s);
}

bool IsAcceptedAnswer(const QStringList& expected, const QString& text, bool caseSensitive) {
    for (qsizetype i = 1; i < expected.size(); ++i)
        if (sameText(text, expected.at(i), !caseSensitive)) return true;
    return false;
}

int IndexInArray(const QStringList& arr, const QString& value) {
    for (qsizetype i = 0; i < arr.size(); ++i)
        if (arr.at(i) == value) return int(i);
    return -1;
}

int CountRightAnswers(const dao::Recordset& rs) {
    int n = 0;
    for (int i = 1; i <= 9; ++i)
        if (flag(rs, i) == 1) ++n;
    return n;
}

int CountAnswers(const dao::Recordset& rs) {
    for (int i = 9; i >= 1; --i)
        if (filled(rs.Value(field("A", i)))) return i;
    return 0;
}

int MaxAnswerCount(dao::Recordset& rs) {
    int result = -1;
    const long count = rs.RecordCount();
    if (count <= 0) return -1;
    const long remembered = rs.AbsolutePosition();
    for (long p = 0; p < count && result < 9; ++p) {
        rs.SetAbsolutePosition(p);
        const int c = CountAnswers(rs);
        // A record without answers does not lift the result above -1.
        if (c > 0 && c > result) result = c;
    }
    try {
        rs.SetAbsolutePosition(remembered);
    } catch (const wk::Error&) {
    }
    return result;
}

bool AllAnswersRight(const dao::Recordset& rs, int n, const std::function<int(int)>& checkValue,
                     const std::function<bool(int)>& optionSelected) {
    const bool several = CountRightAnswers(rs) > 1;
    for (int i = 1; i <= n; ++i) {
        const int ra = flag(rs, i);
        if (several) {
            if (checkValue(i) != ra) return false;
        } else if (optionSelected(i) != (ra == 1)) {
            return false;
        }
    }
    return true;
}

BoxMatch MatchSingleBox(const QStringList& expected, const QString& box, bool ignoreCase) {
    BoxMatch m;
    if (IsAcceptedAnswer(expected, box, !ignoreCase)) {
        m.verdict = Verdict::Right;
    } else {
        m.verdict = Verdict::Wrong;
        m.failingBox = 1;
    }
    return m;
}

BoxMatch MatchAnyOrder(const QStringList& expected, const QStringList& boxes, bool ignoreCase) {
    BoxMatch m;
    const int n = int(boxes.size());
    for (int i = 1; i <= n; ++i) {
        const QString& text = boxes.at(i - 1);
        if (!IsAcceptedAnswer(expected, text, !ignoreCase)) {
            m.verdict = Verdict::Wrong;
            m.failingBox = i;
            return m;
        }
        for (int j = 1; j < i; ++j) {
            if (sameText(boxes.at(j - 1), text, ignoreCase)) {
                m.verdict = Verdict::Wrong;
                m.failingBox = i;
                return m;
            }
        }
        m.greenBoxes << i;
    }
    if (n > 0) m.verdict = Verdict::Right;
    return m;
}

BoxMatch MatchInOrder(const QStringList& expected, const QStringList& boxes, bool ignoreCase) {
    BoxMatch m;
    const int n = int(boxes.size());
    for (int i = 1; i <= n; ++i) {
        // A box beyond the last accepted answer has nothing to equal.
        if (i >= expected.size() || !sameText(boxes.at(i - 1), expected.at(i), ignoreCase)) {
            m.verdict = Verdict::Wrong;
            m.failingBox = i;
            return m;
        }
        m.greenBoxes << i;
    }
    if (n > 0) m.verdict = Verdict::Right;
    return m;
}

}  // namespace testengine
