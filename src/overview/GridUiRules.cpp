#include "overview/GridUiRules.h"

#include "core/modFunctions.h"
#include "overview/GridModel.h"
#include "platform/Error.h"
#include "platform/dao/Dao.h"
#include "platform/grid/Grid.h"

namespace overview {

namespace {
const QString kNo = QStringLiteral("no");
}

bool isStatisticsKey(const QString& key, int user) {
    const QString slot = QString::number(user);
    for (const char* p : {"AA", "AR", "AF", "FQ"})
        if (key == QLatin1String(p) + slot) return true;
    return false;
}

QString widthFieldForKey(const QString& key, int user) {
    if (isStatisticsKey(key, user)) return QStringLiteral("GridWidth") + key.left(2);
    static const char* const plain[] = {"Q",  "A1", "A2", "A3",        "A4",          "A5",  "A6",    "A7",
                                        "A8", "A9", "T",  "Kategorie", "Explanation", "Tip", "Punkte"};
    for (const char* k : plain)
        if (key == QLatin1String(k)) return QStringLiteral("GridWidth") + key;
    return {};
}

bool isReadOnlyKey(const QString& key, int user) {
    return key == QLatin1String("icon") || key == kNo || isStatisticsKey(key, user);
}

int editLimitForKey(const QString& key) {
    if (key == QLatin1String("Q") || key.startsWith(QLatin1Char('A')) ||
        key == QLatin1String("Explanation") || key == QLatin1String("Tip"))
        return 240;
    if (key == QLatin1String("Punkte")) return 6;
    return 0;
}

int fieldLengthForKey(const QString& key) {
    if (key == QLatin1String("Q") || isAnswerKey(key) || key == QLatin1String("Explanation") ||
        key == QLatin1String("Tip"))
        return 240;
    if (key == QLatin1String("T") || key == QLatin1String("Kategorie")) return 50;
    return 0;
}

QString textToStore(const QString& key, const QString& typed, int typ, int storedAnswerCount) {
    QString t = modFunctions::RemoveString(modFunctions::RemoveString(typed, QStringLiteral("\r")),
                                           QStringLiteral("\n"));
    if (t.isEmpty() && (key == QLatin1String("Q") || (key == QLatin1String("A1") && typ == 0)))
        t = QStringLiteral("-");
    if (t.isEmpty() && isAnswerKey(key) && storedAnswerCount > key.right(1).toInt()) t = QStringLiteral("-");
    return t;
}

QString properCase(const QString& text) {
    QString out = text.toLower();
    bool start = true;
    for (QChar& c : out) {
        if (c.isLetterOrNumber()) {
            if (start) c = c.toUpper();
            start = false;
        } else {
            start = c.isSpace();
        }
    }
    return out;
}

void lowerPositionsAfter(grid::Grid& g, long deletedPosition) {
    if (!g.ColumnExists(kNo)) return;
    const long c = g.ColumnIndex(kNo);
    for (long r = 1; r <= g.Rows(); ++r) {
        bool ok = false;
        const long p = g.CellText(r, c).toLong(&ok);
        if (ok && p > deletedPosition) g.SetCellText(r, c, QString::number(p - 1));
    }
}

long rowOfRecordPosition(const grid::Grid& g, long position) {
    for (long r = 1; r <= g.Rows(); ++r)
        if (recordPositionOfRow(g, r) == position) return r;
    return 0;
}

void leaveNoItemCurrent(dao::Recordset& rs) {
    try {
        if (rs.RecordCount() > 0) {
            rs.MoveLast();
            rs.MoveNext();
        }
    } catch (const wk::Error&) {
    }
}

}  // namespace overview
