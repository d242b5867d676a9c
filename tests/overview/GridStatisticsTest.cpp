// The rows of the items a test asked, shown again after it.
#include "Fakes.h"

#include "overview/GridModel.h"
#include "overview/GridStatistics.h"

#include <gtest/gtest.h>

using namespace overview;
using test::FakeHost;
using test::item;

// Each asked item's row shows the figures stored now, all read in one bulk
// read (one read lock for the file, not one per record); a record that
// cannot be read leaves its row as it was.
TEST(AskedRows, ShowTheirNewFiguresAllReadInOneBulkRead) {
    FakeHost h;
    for (const char* k : {"AA", "FQ"}) h.options.rows[0][QString("GridShow") + k] = 1;
    h.records.rows = {item("a"), item("b"), item("c")};
    frmLoading().Form_Load(h);
    ASSERT_EQ(h.grid.Rows(), 3);
    const long aa = h.grid.ColumnIndex("AA1"), fq = h.grid.ColumnIndex("FQ1");
    h.records.rows[0]["AA1"] = 3;
    h.records.rows[1]["AA1"] = 4;
    h.records.rows[2]["AA1"] = 5;
    h.records.rows[2]["FQ1"] = 50.0;
    h.records.failAt = 1;
    h.records.bulkBegun = h.records.bulkEnded = h.records.readsOutsideBulk = 0;

    RefreshStatisticsCells(h.grid, h.records, {0, 1, 2}, 1, 1);
    EXPECT_EQ(h.grid.CellText(1, aa), "3");
    EXPECT_EQ(h.grid.CellText(2, aa), "0");
    EXPECT_EQ(h.grid.CellText(3, aa), "5");
    EXPECT_EQ(h.grid.CellText(3, fq), errorRateText(50.0));
    EXPECT_GT(h.records.valueReads.size(), 0);
    EXPECT_EQ(h.records.readsOutsideBulk, 0);
    EXPECT_EQ(h.records.bulkBegun, 1);
    EXPECT_EQ(h.records.bulkEnded, 1);
}
