#include "testengine/Statistics.h"

#include "platform/Error.h"

namespace testengine {

namespace {

QString slotField(const char* prefix, int u) {
    if (u < 1 || u > 5)
        throw wk::Error(wk::err::SubscriptOutOfRange, QStringLiteral("No such user slot: %1").arg(u));
    return QLatin1String(prefix) + QString::number(u);
}

// One edit of the current record; a failure leaves it out of edit mode.
template <typename Fn>
void editRecord(dao::Recordset& rs, Fn&& fn) {
    rs.Edit();
    try {
        fn();
        rs.Update();
    } catch (...) {
        try {
            if (rs.EditMode() != dao::dbEditNone) rs.CancelUpdate();
        } catch (...) {
        }
        throw;
    }
}

qint64 number(const dao::Recordset& rs, const QString& field) {
    return rs.Value(field).toLongLong();
}

void addOne(dao::Recordset& rs, const QString& field) {
    editRecord(rs, [&] { rs.SetValue(field, number(rs, field) + 1); });
}

}  // namespace

void ItemAsked(dao::Recordset& item, int u, const QDateTime& now) {
    const QString aa = slotField("AA", u);
    editRecord(item, [&] {
        item.SetValue(aa, number(item, aa) + 1);
        item.SetValue(QStringLiteral("ZuletztGelerntAm"), now);
    });
}

void ItemRight(dao::Recordset& item, int u) {
    addOne(item, slotField("AR", u));
}

void ItemWrong(dao::Recordset& item, int u) {
    addOne(item, slotField("AF", u));
}

void UserAsked(dao::Recordset& user) {
    addOne(user, QStringLiteral("AnzFr"));
}

void UserRight(dao::Recordset& user) {
    addOne(user, QStringLiteral("AnzR"));
}

void UserWrong(dao::Recordset& user) {
    addOne(user, QStringLiteral("AnzF"));
}

void UpdateKnown(dao::Recordset& item, int u, int value) {
    const QString known = slotField("Known", u);
    editRecord(item, [&] {
        for (int k = 6; k >= 2; --k)
            item.SetValue(known + QString::number(k), item.Value(known + QString::number(k - 1)));
        item.SetValue(known + QLatin1Char('1'), value);
    });
}

void UpdateErrorRate(dao::Recordset& item, int u) {
    const QString fq = slotField("FQ", u);
    const qint64 aa = number(item, slotField("AA", u));
    // An item never counted has no rate; a 0 would move it behind the items
    // answered right in "least known first".
    if (aa == 0) return;
    const qint64 af = number(item, slotField("AF", u));
    editRecord(item, [&] { item.SetValue(fq, ErrorPercent(aa, af)); });
}

double ErrorPercent(qint64 asked, qint64 wrong) {
    if (asked == 0) return 0.0;
    return 100.0 / double(asked) * double(wrong);
}

}  // namespace testengine
