#include "Fakes.h"

#include "overview/GridColouring.h"
#include "overview/GridModel.h"
#include "overview/GridUiRules.h"

#include <QImage>
#include <QTableView>

#include <gtest/gtest.h>

using namespace overview;
using test::FakeHost;
using test::item;

namespace {

// A built grid of n rows with answer columns A1 and A2; rows listed in
// `right` have RA1 = 1.
void buildRows(FakeHost& h, int n, std::initializer_list<int> right = {}) {
    h.options.rows[0]["GridShowA1"] = 1;
    h.options.rows[0]["GridShowA2"] = 1;
    for (int i = 0; i < n; ++i) h.records.rows.push_back(item(QString("q%1").arg(i), QString("a%1").arg(i)));
    for (int r : right) h.records.rows[size_t(r - 1)]["RA1"] = 1;
    frmLoading w;
    w.Form_Load(h);
}

long back(FakeHost& h, long r, long c) {
    return h.grid.CellBackColor(r, c);
}

}  // namespace

TEST(GridColouring, IndikatorRandDecidesWhetherTheStripesCoverTheIconColumn) {
    FakeHost h;
    h.indikatorRand = 1;
    buildRows(h, 4);
    for (long r = 1; r <= 4; ++r) EXPECT_EQ(back(h, r, 1), colour::LightGreen) << r;
    EXPECT_EQ(back(h, 1, 3), colour::Stripe);
    EXPECT_EQ(back(h, 2, 3), colour::Default);
    EXPECT_EQ(back(h, 3, 4), colour::Stripe);

    VGridColorEverySecondCell(h.grid, h.records, 0, false);
    EXPECT_EQ(back(h, 1, 1), colour::Stripe);
    EXPECT_EQ(back(h, 3, 1), colour::Stripe);
    EXPECT_EQ(back(h, 2, 1), colour::Default);
    EXPECT_EQ(back(h, 4, 1), colour::Default);  // the last row too
}

TEST(GridColouring, ResetAfterASortStripesTheNewOrderAndKeepsRightAnswersGreen) {
    FakeHost h;
    h.indikatorRand = 1;
    buildRows(h, 5, {2});
    h.grid.SetSortColumn(1, 3);
    h.grid.SetSortOrder(1, grid::SortDescending);
    h.grid.Sort();  // q4 q3 q2 q1 q0: the right answer of q1 is now in row 4
    h.records.positionsSet.clear();
    VGridColorEverySecondCell(h.grid, h.records, 1, true);
    // The flags are read in the records' own order, not the rows' new one,
    // so that a dynaset reads ahead instead of fetching record by record.
    ASSERT_GE(h.records.positionsSet.size(), 5u);
    EXPECT_EQ(std::vector<long>(h.records.positionsSet.begin(), h.records.positionsSet.begin() + 5),
              (std::vector<long>{0, 1, 2, 3, 4}));
    const long a1 = h.grid.ColumnIndex("A1");
    EXPECT_EQ(back(h, 1, 3), colour::Stripe);
    EXPECT_EQ(back(h, 2, 3), colour::Default);
    EXPECT_EQ(h.grid.CellText(4, 3), "q1");
    EXPECT_EQ(back(h, 4, a1), colour::LightGreen);
    EXPECT_EQ(back(h, 2, a1), colour::Default);
    EXPECT_EQ(back(h, 5, a1), colour::Stripe);
}

TEST(GridColouring, EveryRightSkipsDashesAndPutsTheSelectedRecordBack) {
    FakeHost h;
    buildRows(h, 4, {1, 2, 3});
    const long a1 = h.grid.ColumnIndex("A1");
    h.grid.SetCellText(2, a1, "-");
    h.grid.SetCellBackColor(2, a1, colour::Default);
    h.grid.SetCellBackColor(1, a1, colour::Default);
    h.grid.SetSelectedRow(3);
    h.records.pos = 0;
    RMC_VGridColorEveryRight(h.grid, h.records);
    EXPECT_EQ(back(h, 1, a1), colour::LightGreen);
    EXPECT_EQ(back(h, 2, a1), colour::Default);
    EXPECT_EQ(h.records.pos, 2);  // the selected row's record
    EXPECT_EQ(h.grid.SelectedRow(), 3);
}

TEST(GridColouring, OneRowTakesTheQuestionCellsColourForItsOtherAnswers) {
    FakeHost h;
    buildRows(h, 3, {2});
    const long a1 = h.grid.ColumnIndex("A1"), a2 = h.grid.ColumnIndex("A2");
    for (long c = 1; c <= h.grid.Columns(); ++c) h.grid.SetCellBackColor(2, c, colour::Highlight);
    h.records.pos = 0;
    long row = 2;
    RMC_VGridColorEveryRightInRow(h.grid, h.records, row);
    EXPECT_EQ(back(h, 2, a1), colour::LightGreen);
    EXPECT_EQ(back(h, 2, a2), colour::Highlight);
    EXPECT_EQ(h.records.pos, 0);

    h.records.rows[1]["RA1"] = 0;
    RMC_VGridColorEveryRightInRow(h.grid, h.records, row);
    EXPECT_EQ(back(h, 2, a1), colour::Highlight);
}

TEST(GridColouring, RestripeAfterARemovedRowContinuesTheRemovedRowsStripe) {
    FakeHost h;
    buildRows(h, 7);
    // Row 4 (even: default) after row 3 ... delete grey row 3 instead.
    const long removedColour = back(h, 3, 2);
    ASSERT_EQ(removedColour, colour::Stripe);
    const long before1 = back(h, 1, 3), before2 = back(h, 2, 3);
    h.grid.RemoveRow(3);
    h.records.rows.erase(h.records.rows.begin() + 2);
    for (long r = 3; r <= h.grid.Rows(); ++r) h.grid.SetCellText(r, 2, QString::number(r - 1));
    VGridRestripeFromRow(h.grid, h.records, 3, removedColour);
    EXPECT_EQ(back(h, 1, 3), before1);
    EXPECT_EQ(back(h, 2, 3), before2);
    EXPECT_EQ(back(h, 3, 3), colour::Stripe);
    EXPECT_EQ(back(h, 4, 3), colour::Default);
    EXPECT_EQ(back(h, 5, 3), colour::Stripe);
    EXPECT_EQ(back(h, 6, 3), colour::Default);
    EXPECT_EQ(back(h, 4, 1), colour::LightGreen);  // column 1 untouched
    EXPECT_TRUE(h.grid.Redraw());

    // A single remaining row: nothing but the right answers changes.
    FakeHost one;
    buildRows(one, 1, {1});
    const long a1 = one.grid.ColumnIndex("A1");
    one.grid.SetCellBackColor(1, a1, colour::Default);
    VGridRestripeFromRow(one.grid, one.records, 2, colour::Stripe);
    EXPECT_EQ(back(one, 1, a1), colour::LightGreen);
    EXPECT_EQ(back(one, 1, 3), colour::Stripe);
}

namespace {

using Colours = std::vector<std::vector<long>>;  // [row - 1][column - 1]

// The colour each shown cell is painted with, read from the drawn grid
// (-1 where it shows the view's own background).
Colours painted(grid::Grid& g) {
    g.ClearSelection();
    QTableView* v = g.view();
    const QImage img = v->viewport()->grab().toImage();
    const QColor base = v->palette().color(QPalette::Base);
    Colours out(size_t(g.Rows()), std::vector<long>(size_t(g.Columns()), -1));
    for (long r = 1; r <= g.Rows(); ++r)
        for (long c = 1; c <= g.Columns(); ++c) {
            if (v->isColumnHidden(int(c - 1))) continue;
            const QRect rc = v->visualRect(v->model()->index(int(r - 1), int(c - 1)));
            const QColor px = img.pixelColor(rc.topLeft() + QPoint(1, 1));
            out[size_t(r - 1)][size_t(c - 1)] =
                px == base ? -1 : long(px.red() | px.green() << 8 | px.blue() << 16);
        }
    return out;
}

// The colours as they were once kept: one stored value per cell, laid by
// writing every cell (the reference the striping rule must look like).
struct StoredWay {
    Colours cells;
    long start;

    void set(long r, long c, long colour) { cells[size_t(r - 1)][size_t(c - 1)] = colour; }
    Colours shown(const grid::Grid& g) const {
        Colours out = cells;
        for (long c = 1; c <= g.Columns(); ++c)
            if (g.view()->isColumnHidden(int(c - 1)))
                for (auto& row : out) row[size_t(c - 1)] = -1;
        return out;
    }
    void rightAnswers(const grid::Grid& g, const test::FakeRecords& rs) {
        for (long r = 1; r <= g.Rows(); ++r)
            for (long c = 2; c <= g.Columns(); ++c) {
                const QString key = g.ColumnKey(c);
                if (!isAnswerKey(key) || g.CellText(r, c) == "-") continue;
                const auto& rec = rs.rows[size_t(recordPositionOfRow(g, r))];
                if (rec.value("R" + key).toInt() == 1) set(r, c, colour::LightGreen);
            }
    }
    void stripeAll(const grid::Grid& g, const test::FakeRecords& rs) {
        for (long r = 1; r <= g.Rows(); ++r)
            for (long c = start; c <= g.Columns(); ++c) set(r, c, r % 2 ? colour::Stripe : colour::Default);
        rightAnswers(g, rs);
    }
    void restripeFrom(const grid::Grid& g, const test::FakeRecords& rs, long row, long colour) {
        for (long r = row; r <= g.Rows(); ++r)
            for (long c = 2; c <= g.Columns(); ++c)
                set(r, c,
                    ((r - row) % 2 == 0) == (colour == colour::Stripe) ? colour::Stripe : colour::Default);
        rightAnswers(g, rs);
    }
};

}  // namespace

// Stripes are a rule of the row number, the other colours kept per cell:
// after a build, a highlight, a sort and a removed row the grid must be
// painted as when every cell kept its colour.
TEST(GridColouring, StripesByRowLookAsColoursKeptInEveryCell) {
    for (const int indikatorRand : {0, 1}) {
        SCOPED_TRACE(indikatorRand);
        FakeHost h;
        h.indikatorRand = indikatorRand;
        h.options.rows[0]["GridShowA1"] = 1;
        h.options.rows[0]["GridShowA2"] = 1;
        const double rates[] = {0, 90, 50, 10, 85, 40, 0, 95};
        for (int i = 0; i < 8; ++i) {
            auto rec = test::item(QString("q%1").arg((i * 5) % 8), QString("a%1").arg(i), rates[i]);
            rec["A2"] = i == 6 ? "-" : QString("b%1").arg(i);
            rec["RA1"] = int(i % 3 == 0);
            rec["RA2"] = int(i % 2 == 0);
            h.records.rows.push_back(rec);
        }
        frmLoading w;
        w.Form_Load(h);
        grid::Grid& g = h.grid;
        g.resize(1600, 900);
        g.show();
        const long start = indikatorRand == 0 ? 1 : 2;
        // Built: the icon cells hold the error-rate colours, the answer
        // cells the right answers' green, then the stripes go over them.
        StoredWay ref{Colours(8, std::vector<long>(size_t(g.Columns()), -1)), start};
        for (long r = 1; r <= 8; ++r)
            ref.set(r, 1, errorRateColour(h.records.rows[size_t(recordPositionOfRow(g, r))]["FQ1"]));
        ref.stripeAll(g, h.records);
        EXPECT_EQ(painted(g), ref.shown(g));

        // A highlighted row, a cell given the default in a striped row.
        for (long c = start; c <= g.Columns(); ++c) {
            g.SetCellBackColor(3, c, colour::Highlight);
            ref.set(3, c, colour::Highlight);
        }
        g.SetCellBackColor(5, 3, colour::Default);
        ref.set(5, 3, colour::Default);
        EXPECT_EQ(painted(g), ref.shown(g));
        EXPECT_EQ(g.CellBackColor(5, 3), colour::Default);
        EXPECT_EQ(g.CellBackColor(7, 3), colour::Stripe);

        // A header sort: the kept colours go with their rows, then the
        // stripes are laid anew.
        Colours before = ref.cells;
        g.SetSortColumn(1, g.ColumnIndex("Q"));
        g.SetSortOrder(1, grid::SortDescending);
        g.Sort();
        for (long r = 1; r <= 8; ++r) ref.cells[size_t(r - 1)] = before[size_t(recordPositionOfRow(g, r))];
        ref.stripeAll(g, h.records);
        VGridColorEverySecondCell(g, h.records, indikatorRand, true);
        EXPECT_EQ(painted(g), ref.shown(g));

        // The highlighted row removed: the stripes below start with its
        // colour, as the removed row's column-2 colour says.
        for (long c = start; c <= g.Columns(); ++c) {
            g.SetCellBackColor(3, c, colour::Highlight);
            ref.set(3, c, colour::Highlight);
        }
        const long removed = g.CellBackColor(3, 2), pos = recordPositionOfRow(g, 3);
        g.RemoveRow(3);
        ref.cells.erase(ref.cells.begin() + 2);
        h.records.rows.erase(h.records.rows.begin() + pos);
        lowerPositionsAfter(g, pos);
        ref.restripeFrom(g, h.records, 3, removed);
        VGridRestripeFromRow(g, h.records, 3, removed);
        EXPECT_EQ(painted(g), ref.shown(g));
    }
}
