#include "overview/GridStatistics.h"

#include <optional>

#include "overview/DaoRecordAccess.h"
#include "overview/GridModel.h"
#include "overview/GridUiRules.h"
#include "platform/Error.h"
#include "platform/grid/Grid.h"

namespace overview {

namespace {

// The record position row r shows: its "no" cell, read digit by digit (the
// locale's number parsing would cost more than all else for 100,000 rows).
long positionInRow(const grid::Grid& g, long noColumn, long row) {
    if (noColumn < 1) return row - 1;
    const QString t = g.CellText(row, noColumn);
    if (t.isEmpty()) return row - 1;
    long p = 0;
    for (const QChar c : t) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return row - 1;
        p = p * 10 + (c.unicode() - u'0');
    }
    return p;
}

// For each record position of the grid recordset, the row whose hidden "no"
// cell names it; positions no row shows are left out.
std::vector<long> rowsOfRecordPositions(const grid::Grid& g, const std::vector<long>& positions) {
    std::vector<long> rows;
    rows.reserve(positions.size());
    const long count = g.Rows();
    const long noColumn = g.ColumnExists(QStringLiteral("no")) ? g.ColumnIndex(QStringLiteral("no")) : 0;
    // Until a header sort, row r shows position r - 1: no search is needed.
    // After one, the "no" column is read once for all of them.
    std::vector<long> rowOf;
    for (const long pos : positions) {
        const long guess = pos + 1;
        if (guess >= 1 && guess <= count && positionInRow(g, noColumn, guess) == pos) {
            rows.push_back(guess);
            continue;
        }
        if (rowOf.empty()) {
            rowOf.assign(size_t(count), 0);
            for (long r = 1; r <= count; ++r) {
                const long p = positionInRow(g, noColumn, r);
                if (p >= 0 && p < count) rowOf[size_t(p)] = r;
            }
        }
        if (pos >= 0 && pos < count && rowOf[size_t(pos)] > 0) rows.push_back(rowOf[size_t(pos)]);
    }
    return rows;
}

// The source's bulk read (one read lock) for as long as it lives.
class BulkRead {
public:
    explicit BulkRead(RecordAccess& rs) : rs_(rs) { rs_.BeginBulkRead(); }
    ~BulkRead() { rs_.EndBulkRead(); }
    BulkRead(const BulkRead&) = delete;
    BulkRead& operator=(const BulkRead&) = delete;

private:
    RecordAccess& rs_;
};

}  // namespace

void RefreshStatisticsCells(grid::Grid& g, RecordAccess& rs, const std::vector<long>& positions, int user,
                            int indikatorRand) {
    if (positions.empty() || g.Rows() < 1) return;
    const QString slot = QString::number(user);
    const QString fqField = QStringLiteral("FQ") + slot;
    struct Column {
        long index;
        QString field;
        bool rate;
    };
    std::vector<Column> columns;
    for (const char* prefix : {"AA", "AR", "AF", "FQ"}) {
        const QString key = QLatin1String(prefix) + slot;
        if (g.ColumnExists(key)) columns.push_back({g.ColumnIndex(key), key, key == fqField});
    }
    // Column 1 shows the error-rate colour only where the stripes leave it.
    const bool rateColour = indikatorRand != 0 && g.ColumnExists(QStringLiteral("icon"));
    if (columns.empty() && !rateColour) return;

    const std::vector<long> rows = rowsOfRecordPositions(g, positions);
    const long noColumn = g.ColumnExists(QStringLiteral("no")) ? g.ColumnIndex(QStringLiteral("no")) : 0;
    // Read one by one, the records would each take and drop the file's
    // lock.
    std::optional<BulkRead> together;
    try {
        together.emplace(rs);
    } catch (const wk::Error&) {
        return;  // the file cannot be read: every row keeps what it showed
    }
    const long kept = rs.AbsolutePosition();
    const bool redraw = g.Redraw();
    g.SetRedraw(false);
    for (const long row : rows) {
        try {
            rs.SetAbsolutePosition(positionInRow(g, noColumn, row));
            const QVariant fq = rs.Value(fqField);
            for (const Column& c : columns) {
                const QVariant v = c.rate ? fq : rs.Value(c.field);
                g.SetCellText(
                    row, c.index,
                    c.rate ? errorRateText(v) : (v.isValid() && !v.isNull() ? v.toString() : QString()));
            }
            if (rateColour)
                g.SetCellBackColor(row, g.ColumnIndex(QStringLiteral("icon")), errorRateColour(fq));
        } catch (const wk::Error&) {
            // A record gone meanwhile: its row keeps what it showed.
        }
    }
    try {
        if (kept >= 0) rs.SetAbsolutePosition(kept);
    } catch (const wk::Error&) {
    }
    g.SetRedraw(redraw);
}

std::vector<long> recordPositionsOf(dao::Recordset& rs, const QSet<QByteArray>& bookmarks) {
    std::vector<long> positions;
    if (bookmarks.isEmpty()) return positions;
    // One pass over the set's keys for all of them: a look-up each scans
    // the keys anew.
    const std::vector<QByteArray> asked(bookmarks.begin(), bookmarks.end());
    for (const long p : rs.PositionsOfBookmarks(asked))
        if (p >= 0) positions.push_back(p);
    return positions;
}

void RefreshItemsStatistics(grid::Grid& g, const dao::RecordsetPtr& rs, const QSet<QByteArray>& bookmarks,
                            int user, int indikatorRand) {
    if (!rs || bookmarks.isEmpty() || g.Rows() < 1) return;
    std::vector<long> positions;
    try {
        positions = recordPositionsOf(*rs, bookmarks);
    } catch (const wk::Error&) {
        return;  // the recordset cannot be read: the grid stays as it was
    }
    // Without a current record there is no position to go back to, but no
    // record may be left current either: no row shows one as current.
    const bool noneCurrent = rs->AbsolutePosition() < 0;
    DaoRecordAccess records(rs);
    RefreshStatisticsCells(g, records, positions, user, indikatorRand);
    if (noneCurrent) leaveNoItemCurrent(*rs);
}

}  // namespace overview
