#include "overview/BulkOps.h"

#include <QHash>

#include <algorithm>
#include <vector>

#include "core/modMedia.h"
#include "platform/Error.h"

namespace overview::bulk {

namespace {

// Runs a walk as one transaction; a failure puts every record back.
template <class F>
void inTransaction(dao::Recordset& rs, dao::Workspace& ws, F&& walk) {
    ws.BeginTrans();
    try {
        walk();
        ws.CommitTrans();
    } catch (...) {
        try {
            if (rs.EditMode() != dao::dbEditNone) rs.CancelUpdate();
        } catch (...) {
        }
        ws.Rollback();
        // Deleted rows come back only with fresh keys.
        try {
            rs.Requery();
        } catch (...) {
        }
        throw;
    }
}

bool markedValue(const QVariant& v) {
    return v.isValid() && v.toInt() != 0;
}

// The positions of the marked records, ascending. The marks are read in one
// pass: the grid's recordset has read dozens of fields of every record, and
// reading them all again record by record costs many times the walk.
std::vector<long> markedPositions(dao::Recordset& rs) {
    std::vector<long> marked;
    rs.ForEachRecord({QStringLiteral("Markiert")}, [&](long p, const QVariantList& v) {
        if (markedValue(v.at(0))) marked.push_back(p);
    });
    std::sort(marked.begin(), marked.end());
    return marked;
}

// Every position, in the order the file holds the records: a change of
// every item then writes each page of the table once, where grid order
// (sorted by question) came back to pages the transaction had already
// written out of SQLite's cache.
std::vector<long> positionsInFileOrder(dao::Recordset& rs) {
    std::vector<long> order;
    order.reserve(size_t(std::max(0L, rs.RecordCount())));
    rs.ForEachRecord(std::vector<int>{}, [&](long p) { order.push_back(p); });
    return order;
}

// Visits every position (the count read once), or the marked items only;
// the walk ends on the last position as a walk over all in grid order
// would. With stopOnMiss a position that cannot be reached ends the walk
// quietly.
template <class F>
void walk(dao::Recordset& rs, Items items, bool stopOnMiss, F&& act) {
    const long n = rs.RecordCount();
    auto moveTo = [&](long p) {
        if (!stopOnMiss) {
            rs.SetAbsolutePosition(p);
            return true;
        }
        try {
            rs.SetAbsolutePosition(p);
            return true;
        } catch (const wk::Error&) {
            return false;
        }
    };
    if (items == Items::Marked) {
        for (const long p : markedPositions(rs)) {
            if (p >= n || !moveTo(p)) return;
            act();
        }
        if (n > 0) moveTo(n - 1);
        return;
    }
    for (const long p : positionsInFileOrder(rs)) {
        if (p >= n || !moveTo(p)) return;
        act();
    }
    if (n > 0) moveTo(n - 1);
}

QString textOf(const QVariant& v) {
    return v.isValid() ? v.toString() : QString();
}

}  // namespace

bool isMarked(dao::Recordset& rs) {
    return markedValue(rs.Value(QStringLiteral("Markiert")));
}

void SetMarks(dao::Recordset& rs, dao::Workspace& ws, bool on) {
    inTransaction(rs, ws, [&] {
        walk(rs, Items::All, false, [&] {
            rs.Edit();
            rs.SetValue(QStringLiteral("Markiert"), on);
            rs.Update();
        });
    });
}

void ClearSounds(dao::Recordset& rs, dao::Workspace& ws, Items items) {
    inTransaction(rs, ws,
                  [&] { walk(rs, items, items == Items::Marked, [&] { modMedia::ClearSound(rs); }); });
}

void ClearPictures(dao::Recordset& rs, dao::Workspace& ws, Items items) {
    inTransaction(rs, ws, [&] {
        walk(rs, items, items == Items::Marked, [&] {
            if (modMedia::HasPicture(rs)) modMedia::ClearPicture(rs);
        });
    });
}

void ClearMarkedStatistics(dao::Recordset& rs, dao::Workspace& ws, int u) {
    const QString s = QString::number(u);
    inTransaction(rs, ws, [&] {
        walk(rs, Items::Marked, true, [&] {
            rs.Edit();
            for (const char* f : {"AA", "AR", "AF", "FQ"}) rs.SetValue(QLatin1String(f) + s, 0);
            for (int k = 1; k <= 6; ++k) rs.SetValue(QStringLiteral("Known") + s + QString::number(k), 0);
            rs.Update();
        });
    });
}

void RenameTheme(dao::Recordset& rs, dao::Workspace& ws, Items items, const QString& theme) {
    inTransaction(rs, ws, [&] {
        walk(rs, items, false, [&] {
            rs.Edit();
            rs.SetValue(QStringLiteral("T"), theme);
            rs.Update();
        });
    });
}

void ExchangeQuestionAnswer(dao::Recordset& rs, dao::Workspace& ws, Items items) {
    inTransaction(rs, ws, [&] {
        walk(rs, items, false, [&] {
            const QString q = textOf(rs.Value(QStringLiteral("Q")));
            const QVariant a1 = rs.Value(QStringLiteral("A1"));
            rs.Edit();
            if (items == Items::Marked)
                rs.SetValue(QStringLiteral("Q"), textOf(a1).isEmpty() ? QStringLiteral("-") : a1);
            else
                rs.SetValue(QStringLiteral("Q"), a1.isValid() ? a1 : QVariant(QString()));
            rs.SetValue(QStringLiteral("A1"), q);
            rs.Update();
        });
    });
}

QString TrimBlanks(const QString& text) {
    qsizetype b = 0, e = text.size();
    while (b < e && text.at(b) == QLatin1Char(' ')) ++b;
    while (e > b && text.at(e - 1) == QLatin1Char(' ')) --e;
    return text.mid(b, e - b);
}

void DeleteSpaces(dao::Recordset& rs, dao::Workspace& ws) {
    QStringList fields{QStringLiteral("Q")};
    for (int i = 1; i <= 9; ++i) fields << QStringLiteral("A%1").arg(i);
    inTransaction(rs, ws, [&] {
        walk(rs, Items::All, false, [&] {
            rs.Edit();
            for (const QString& f : fields) {
                const QVariant v = rs.Value(f);
                if (v.isValid()) rs.SetValue(f, TrimBlanks(v.toString()));
            }
            rs.Update();
        });
    });
}

long CountMarked(dao::Recordset& rs) {
    return long(markedPositions(rs).size());
}

long DeleteMarked(dao::Recordset& rs, dao::Workspace& ws) {
    long deleted = 0;
    inTransaction(rs, ws, [&] {
        // The marked records go in the order of their positions: the same
        // records in the same order as a walk that starts again at the first
        // record after each deletion, without walking k times over n.
        const std::vector<long> marked = markedPositions(rs);
        rs.DeletePositions(marked);
        deleted = long(marked.size());
        // The last record walked stays current.
        if (rs.RecordCount() > 0) rs.MoveLast();
    });
    return deleted;
}

long FindDuplicate(const QStringList& texts) {
    // Case folded keys: the first index whose key occurs twice anywhere.
    QHash<QString, int> seen;
    QStringList keys;
    keys.reserve(texts.size());
    for (const QString& t : texts) {
        const QString k = t.toCaseFolded();
        keys << k;
        ++seen[k];
    }
    for (qsizetype i = 0; i < keys.size(); ++i)
        if (seen.value(keys.at(i)) > 1) return static_cast<long>(i);
    return -1;
}

}  // namespace overview::bulk
