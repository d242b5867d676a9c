// The rows of the items a test asked, shown again after it.
#include "Fakes.h"

#include "overview/GridModel.h"
#include "overview/GridStatistics.h"

#include <gtest/gtest.h>

using namespace overview;
using test::FakeHost;
using test::item;

// Each asked item's row shows the figures stored now, read under one read
// lock for the file; a record that cannot be read leaves its row as it was.
TEST(AskedRows, ShowTheirNewFiguresAllReadInOneBulkRead) {
    FakeHost h;
    for (const char* k : {"AA", "FQ"}) h.options.rows[0][QString("GridShow") + k] = 1;
    h.records.rows = {item("a"), item("b"), item("c")};
    frmLoading().Form_Load(h);
    for (int r = 0; r < 3; ++r) h.records.rows[r]["AA1"] = r + 3;
    h.records.rows[2]["FQ1"] = 50.0;
    h.records.failAt = 1;
    h.records.bulkBegun = h.records.bulkEnded = h.records.readsOutsideBulk = 0;

    RefreshStatisticsCells(h.grid, h.records, {0, 1, 2}, 1, 1);
    const long aa = h.grid.ColumnIndex("AA1");
    EXPECT_EQ(QStringList({h.grid.CellText(1, aa), h.grid.CellText(2, aa), h.grid.CellText(3, aa)}),
              QStringList({"3", "0", "5"}));
    EXPECT_EQ(h.grid.CellText(3, h.grid.ColumnIndex("FQ1")), errorRateText(50.0));
    EXPECT_EQ(h.records.readsOutsideBulk, 0);
    EXPECT_EQ(h.records.bulkBegun, 1);
    EXPECT_EQ(h.records.bulkEnded, 1);
}
