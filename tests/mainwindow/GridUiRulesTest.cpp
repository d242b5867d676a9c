// The window-free rules of working on the grid.
#include <gtest/gtest.h>

#include "overview/GridUiRules.h"
#include "platform/grid/Grid.h"

using namespace overview;

TEST(GridUiRules, WidthFieldsPerUserColumnsShareOneFieldAndOtherSlotsStoreNothing) {
    EXPECT_EQ(widthFieldForKey("FQ3", 3), "GridWidthFQ");
    EXPECT_EQ(widthFieldForKey("AA1", 1), "GridWidthAA");
    EXPECT_EQ(widthFieldForKey("AA1", 2), "");  // another slot's column
    EXPECT_EQ(widthFieldForKey("Kategorie", 1), "GridWidthKategorie");
    EXPECT_EQ(widthFieldForKey("A9", 1), "GridWidthA9");
    EXPECT_EQ(widthFieldForKey("icon", 1), "");
    EXPECT_EQ(widthFieldForKey("no", 1), "");
}

TEST(GridUiRules, ReadOnlyColumnsAndLimits) {
    for (const char* k : {"icon", "no", "AA4", "AR4", "AF4", "FQ4"}) EXPECT_TRUE(isReadOnlyKey(k, 4)) << k;
    for (const char* k : {"Q", "A1", "T", "Kategorie", "Punkte", "Tip"})
        EXPECT_FALSE(isReadOnlyKey(k, 4)) << k;
    EXPECT_EQ(editLimitForKey("Q"), 240);
    EXPECT_EQ(editLimitForKey("A7"), 240);
    EXPECT_EQ(editLimitForKey("Explanation"), 240);
    EXPECT_EQ(editLimitForKey("Punkte"), 6);
    EXPECT_EQ(editLimitForKey("T"), 0);
    EXPECT_EQ(fieldLengthForKey("T"), 50);
    EXPECT_EQ(fieldLengthForKey("Kategorie"), 50);
}

TEST(GridUiRules, DashRulesForEmptiedFields) {
    EXPECT_EQ(textToStore("Q", "", 0, 0), "-");
    EXPECT_EQ(textToStore("Q", "\r\n", 1, 0), "-");
    EXPECT_EQ(textToStore("A1", "", 0, 0), "-");
    EXPECT_EQ(textToStore("A1", "", 1, 1), "");
    EXPECT_EQ(textToStore("A1", "", 1, 2), "-");
    EXPECT_EQ(textToStore("A2", "", 0, 3), "-");
    EXPECT_EQ(textToStore("A3", "", 0, 3), "");
    EXPECT_EQ(textToStore("Tip", "", 0, 9), "");
    EXPECT_EQ(textToStore("A2", "a\r\nb\nc", 0, 0), "abc");
}

TEST(GridUiRules, ProperCase) {
    EXPECT_EQ(properCase("ANDERE"), "Andere");
    EXPECT_EQ(properCase("other things"), "Other Things");
    EXPECT_EQ(properCase(""), "");
}

TEST(GridUiRules, PositionsBelowADeletedRecordMoveUp) {
    grid::Grid g;
    g.AddColumn("icon");
    g.AddColumn("no", {}, grid::AlignLeft, -1, -1, false);
    g.AddColumn("Q");
    g.SetRows(4);
    const long positions[] = {3, 0, 2, 1};  // rows after a sort
    for (long r = 1; r <= 4; ++r) g.SetCellText(r, 2, QString::number(positions[r - 1]));
    EXPECT_EQ(rowOfRecordPosition(g, 2), 3);
    EXPECT_EQ(rowOfRecordPosition(g, 7), 0);
    g.RemoveRow(3);  // the record at position 2
    lowerPositionsAfter(g, 2);
    EXPECT_EQ(g.CellText(1, 2), "2");
    EXPECT_EQ(g.CellText(2, 2), "0");
    EXPECT_EQ(g.CellText(3, 2), "1");
}
