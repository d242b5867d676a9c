#include "mainwindow/SettingsModel.h"

#include <QLocale>
#include <QRegularExpression>
#include <cmath>
#include <limits>

#include "platform/Error.h"
#include "testengine/Selection.h"

namespace settings {

void WriteField(const dao::RecordsetPtr& rs, const QString& field, const QVariant& value) {
    if (!rs) throw wk::Error(91, QStringLiteral("Object variable or With block variable not set"));
    rs->Edit();
    try {
        rs->SetValue(field, value);
        rs->Update();
    } catch (...) {
        try {
            rs->CancelUpdate();
        } catch (...) {
        }
        throw;
    }
}

qint64 IntValue(const dao::RecordsetPtr& rs, const QString& field) {
    const QVariant v = rs->Value(field);
    if (!v.isValid() || v.isNull()) return 0;
    bool ok = false;
    const double d = v.toDouble(&ok);
    if (!ok || !std::isfinite(d)) return 0;
    return qint64(std::nearbyint(d));
}

QString TextValue(const dao::RecordsetPtr& rs, const QString& field) {
    const QVariant v = rs->Value(field);
    if (!v.isValid() || v.isNull()) return QString();
    return v.toString();
}

namespace {

// Digits with the C point; a locale's own decimal separator is taken too.
QString normalised(const QString& text) {
    QString t = text.trimmed();
    const QString point = QLocale().decimalPoint();
    if (point != QLatin1String(".") && !point.isEmpty()) t.replace(point, QStringLiteral("."));
    return t;
}

}  // namespace

bool IsNumeric(const QString& text) {
    static const QRegularExpression number(QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?$"));
    const QString t = normalised(text);
    if (t.isEmpty() || !number.match(t).hasMatch()) return false;
    bool ok = false;
    const double d = QLocale::c().toDouble(t, &ok);
    // An exponent beyond the double range is no number the runtime can hold.
    return ok && std::isfinite(d);
}

double NumericValue(const QString& text) {
    if (!IsNumeric(text)) return 0.0;
    return QLocale::c().toDouble(normalised(text));
}

qint64 WholeValue(const QString& text) {
    const double d = std::nearbyint(NumericValue(text));
    if (d >= double(std::numeric_limits<qint64>::max()) || d <= double(std::numeric_limits<qint64>::min()))
        return d > 0 ? std::numeric_limits<qint64>::max() : std::numeric_limits<qint64>::min();
    return qint64(d);
}

std::optional<QString> MaxFragenToStore(const QString& text) {
    if (text.isEmpty() || !IsNumeric(text)) return std::nullopt;
    const double v = NumericValue(text);
    if (std::floor(v) <= 0) return std::nullopt;
    // A count the Integer field cannot hold (1e9) is not stored either.
    if (std::nearbyint(v) > 32767.0) return std::nullopt;
    return text;
}

QVariant BigZeitlimitToStore(const QString& text) {
    if (NumericValue(text) > MaxBigZeitlimitM) return MaxBigZeitlimitM;
    return text;
}

qint32 SumPunkte(const dao::RecordsetPtr& rs) {
    if (!rs) return 0;
    // The test engine's walk, held to the Long the scale works in.
    const qint64 sum = testengine::SumPunkte(*rs);
    if (sum > std::numeric_limits<qint32>::max() || sum < std::numeric_limits<qint32>::min())
        throw wk::Error(wk::err::Overflow, QStringLiteral("Overflow"));
    return qint32(sum);
}

ScalePlan PlanScale(qint32 total, const std::array<qint64, 9>& storedP, const QString& to) {
    ScalePlan plan;
    auto& rows = plan.rows;
    const QString totalText = QString::number(total);
    auto label = [&](qint64 lower) { return QString::number(lower) + QLatin1Char(' ') + to; };
    // Switches rows from k to 8 off; their texts stay.
    auto disableFrom = [&](int k) {
        for (int j = k; j <= GradeRows; ++j) {
            rows[j].on = false;
            rows[j].lowerLabel.clear();
        }
    };

    for (int k = 1; k <= GradeRows; ++k) {
        if (k == 1) {
            rows[1].lowerLabel = label(0);
            rows[1].on = true;
            const qint64 p = storedP[2];
            if (p == 0 || p >= total) {
                rows[1].upperEnd = totalText;
                disableFrom(2);
            } else {
                rows[1].upperEnd = QString::number(p);
            }
            continue;
        }
        if (k <= 7) {
            qint64 p = storedP[k + 1];
            if (p >= total) {
                plan.writes.emplace_back(k + 1, total);
                p = total;
            }
            rows[k].upperEnd = QString::number(p);
        } else {
            rows[k].upperEnd = totalText;
        }
        const qint64 cur = rows[k].upperEnd.toLongLong();
        const qint64 prev = rows[k - 1].upperEnd.toLongLong();
        const bool prevOn = rows[k - 1].on;
        if (cur <= prev) {
            if (!prevOn || prev == total) {
                disableFrom(k);
            } else {
                rows[k].upperEnd = totalText;
                rows[k].lowerLabel = label(prev + 1);
                rows[k].on = true;
            }
        } else if (prev < total && prevOn) {
            rows[k].lowerLabel = label(prev + 1);
            if (cur == 0) rows[k].upperEnd = totalText;
            rows[k].on = true;
        } else {
            disableFrom(k);
        }
    }
    return plan;
}

QString CorrectUpperEnd(const QString& text, int index, const QString& previousText, qint32 total) {
    QString t = text;
    const double v = NumericValue(t);
    if (!IsNumeric(t) || v < double(std::numeric_limits<qint32>::min()) ||
        v > double(std::numeric_limits<qint32>::max()))
        t = QString::number(total);
    if (NumericValue(t) > total) t = QString::number(total);
    if (index > 1) {
        const qint64 prev = WholeValue(previousText);
        if (WholeValue(t) <= prev) t = QString::number(prev + 1);
    }
    return t;
}

}  // namespace settings
