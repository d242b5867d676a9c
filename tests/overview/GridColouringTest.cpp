#include "Fakes.h"

#include "overview/GridColouring.h"
#include "overview/GridModel.h"

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
