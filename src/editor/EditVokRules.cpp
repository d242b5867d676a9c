#include "editor/EditVokRules.h"

#include <QLocale>
#include <QRegularExpression>
#include <cmath>
#include <limits>

namespace editor {

bool HasSeveralAnswers(const QStringList& answers) {
    int filled = 0;
    for (const QString& a : answers) {
        if (a.isEmpty()) continue;
        ++filled;
        if (filled == 2) return true;
        if (a.contains(QLatin1Char(';'))) return true;
    }
    return false;
}

namespace {

std::optional<double> parseNumber(const QString& text) {
    QString t = text.trimmed();
    if (t.isEmpty()) return std::nullopt;
    // The decimal separator of this locale, or ".".
    t.replace(QLocale().decimalPoint(), QStringLiteral("."));
    static const QRegularExpression re(QStringLiteral("^[+-]?(\\d+(\\.\\d*)?|\\.\\d+)([eE][+-]?\\d+)?$"));
    if (!re.match(t).hasMatch()) return std::nullopt;
    bool ok = false;
    const double v = QLocale::c().toDouble(t, &ok);
    if (!ok || !std::isfinite(v)) return std::nullopt;
    return v;
}

}  // namespace

bool IsNumericText(const QString& text) {
    return parseNumber(text).has_value();
}

std::optional<qint32> PointsValue(const QString& text) {
    if (text.isEmpty()) return 0;
    // Points are counted, so only whole numbers from 0 up, as message 572
    // asks for; blanks around the digits are allowed.
    static const QRegularExpression re(QStringLiteral("^\\s*\\d+\\s*$"));
    if (!re.match(text).hasMatch()) return std::nullopt;
    bool ok = false;
    const qint64 v = text.trimmed().toLongLong(&ok);
    if (!ok || v > std::numeric_limits<qint32>::max()) return std::nullopt;
    return qint32(v);
}

QString ProperCase(const QString& text) {
    QString out = text.toLower();
    bool start = true;
    for (QChar& c : out) {
        if (c.isLetter()) {
            if (start) c = c.toUpper();
            start = false;
        } else if (c.isSpace()) {
            start = true;
        }
    }
    return out;
}

QString SubjectToStore(const QString& typed, const QString& other) {
    if (typed.isEmpty() || typed == QStringLiteral(" ")) return ProperCase(other);
    return typed;
}

QString DuplicatePrompt(const QString& m276, const QString& question, const QString& m277,
                        const QString& foundAnswer, const QString& m278) {
    const QString crcr = QStringLiteral("\r\r");
    return m276 + QLatin1Char('"') + question + QLatin1Char('"') + m277 + crcr + foundAnswer + crcr + m278;
}

QChar SpecialChar(int row, int column) {
    if (row < 1 || row > 8 || column < 1 || column > 8) return {};
    const int pair = (row - 1) * 4 + (column - 1) / 2;
    const int code = 192 + pair + ((column - 1) % 2 == 1 ? 32 : 0);
    return QChar(char16_t(code));  // Latin-1 and code page 1252 agree here
}

int CharGridHeight(int box) {
    switch (box) {
        case 6:
            return 2150;
        case 7:
            return 1850;
        case 8:
            return 1550;
        case 9:
            return 1250;
        default:
            return 2500;
    }
}

}  // namespace editor
