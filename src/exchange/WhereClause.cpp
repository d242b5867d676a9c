#include "exchange/WhereClause.h"

#include <QLocale>

namespace exchange {

bool IsNumericText(const QString& text, double* out) {
    const QString t = text.trimmed();
    if (t.isEmpty()) return false;
    bool ok = false;
    double v = QLocale().toDouble(t, &ok);
    if (!ok) v = QLocale::c().toDouble(t, &ok);
    if (ok && out) *out = v;
    return ok;
}

namespace {

QString word(const QStringList& table, int index) {
    return (index >= 0 && index < table.size()) ? table.at(index) : QString();
}

}  // namespace

WhereClause BuildWhereClause(bool enabled, const std::array<ConditionLine, 3>& lines,
                             const QStringList& bedWhat, const QStringList& bedAndOr,
                             const QStringList& bedComp) {
    WhereClause result;
    if (!enabled) return result;

    QString sql = QStringLiteral(" WHERE ");
    for (int i = 0; i < 3; ++i) {
        const ConditionLine& line = lines[std::size_t(i)];
        if (i > 0) {
            if (line.andOr <= 0) continue;  // the end entry: line not in use
            sql += word(bedAndOr, line.andOr);
        }
        const QString what = word(bedWhat, line.what);
        const QString comp = word(bedComp, line.comp);
        if (what.startsWith(QLatin1String("FQ"))) {
            double number = 0;
            if (!IsNumericText(line.value, &number)) {
                result.valid = false;
                result.invalidLine = i;
                result.sql.clear();
                result.params.clear();
                return result;
            }
            sql += what + comp + QLatin1Char('?');
            result.params << number;
        } else if (what == QLatin1String("A")) {
            // No field "A": the condition asks about the filled answers among
            // the nine. An empty answer field is no answer: "" < "b" must not
            // list an item.
            const bool negated = comp.trimmed().startsWith(QLatin1String("NOT"), Qt::CaseInsensitive);
            QStringList parts;
            for (int a = 1; a <= 9; ++a) {
                const QString f = QStringLiteral("A%1").arg(a);
                parts << (negated ? QStringLiteral("(%1 IS NULL OR %1 = '' OR %1%2?)").arg(f, comp)
                                  : QStringLiteral("(%1 <> '' AND %1%2?)").arg(f, comp));
                result.params << line.value;
            }
            sql += QLatin1Char('(') + parts.join(negated ? QStringLiteral(" AND ") : QStringLiteral(" OR ")) +
                   QLatin1Char(')');
        } else {
            sql += what + comp + QLatin1Char('?');
            result.params << line.value;
        }
    }
    result.sql = sql;
    return result;
}

}  // namespace exchange
