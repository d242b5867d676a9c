#include "Fakes.h"

#include "overview/GridColouring.h"
#include "overview/GridFiller.h"
#include "overview/GridModel.h"

#include <gtest/gtest.h>

#include <QFontMetrics>

using namespace overview;
using test::FakeHost;
using test::item;

namespace {

QStringList keysOf(const grid::Grid& g) {
    QStringList k;
    for (long c = 1; c <= g.Columns(); ++c) k << g.ColumnKey(c);
    return k;
}

void build(FakeHost& h) {
    frmLoading w;
    w.Form_Load(h);
}

}  // namespace

TEST(GridColumnsBuild, OnlySwitchedOnColumnsInTheirOrderWithKeysAndHeaders) {
    FakeHost h;
    h.records.rows = {item("Haus", "house")};
    build(h);
    EXPECT_EQ(keysOf(h.grid), QStringList({"icon", "no", "Q"}));  // GridShowQ is not consulted either way
    EXPECT_FALSE(h.grid.ColumnVisible("no"));
    EXPECT_TRUE(h.grid.ColumnFixedWidth("icon"));
    EXPECT_FALSE(h.grid.ColumnIncludeInSelect("icon"));
    EXPECT_EQ(h.grid.ColumnWidth("icon"), 20);
    EXPECT_EQ(h.grid.ColumnHeader("Q"), "Word/Question");

    auto& o = h.options.rows[0];
    o["GridShowQ"] = 0;
    o["GridShowA1"] = 1;
    o["GridShowA3"] = -1;
    o["GridShowTip"] = 1;
    o["GridShowT"] = 1;
    o["GridShowFQ"] = 1;
    o["GridShowAA"] = 1;
    build(h);
    EXPECT_EQ(keysOf(h.grid), QStringList({"icon", "no", "Q", "A1", "A3", "T", "Tip", "AA1", "FQ1"}));
    EXPECT_EQ(h.grid.ColumnHeader("A1"), "Answer 1");
    EXPECT_EQ(h.grid.ColumnHeader("A3"), "Answer 3");
    EXPECT_EQ(h.grid.ColumnHeader("Tip"), "Hint");
    EXPECT_EQ(h.grid.ColumnHeader("FQ1"), "Rate of Mistake");
}

TEST(GridColumnsBuild, StatisticsColumnsCarryTheUserSlotAndShareTheirStoredWidths) {
    test::FakeRecords o = test::optionsRecord();
    auto& r = o.rows[0];
    for (const char* k : {"AA", "AR", "AF", "FQ"}) r[QString("GridShow") + k] = 1;
    r["GridWidthAR"] = 77;
    const auto opts = GridOptions::read(o);
    const auto cols = gridColumns(opts, 2, test::englishText);
    QStringList keys;
    for (const auto& c : cols) keys << c.key;
    EXPECT_EQ(keys, QStringList({"icon", "no", "Q", "AA2", "AR2", "AF2", "FQ2"}));
    EXPECT_EQ(cols[4].storedWidth, 77);
    EXPECT_EQ(cols[4].field, "AR2");
    EXPECT_EQ(cols[6].cell, CellRule::ErrorRate);

    FakeHost h;
    h.options = o;
    h.user = 2;
    h.records.rows = {item("a")};
    h.records.rows[0]["AR2"] = 4;
    h.records.rows[0]["FQ2"] = 12.9;
    build(h);
    EXPECT_EQ(h.grid.ColumnWidth("AR2"), 77);
    EXPECT_EQ(h.grid.CellText(1, h.grid.ColumnIndex("AR2")), "4");
    EXPECT_EQ(h.grid.CellText(1, h.grid.ColumnIndex("FQ2")), "12");
    EXPECT_THROW(h.grid.ColumnIndex("FQ1"), wk::Error);
}

TEST(GridCellsBuild, ErrorRatesColourTheIconCellRoundedAndShowCutDown) {
    FakeHost h;
    h.indikatorRand = 1;  // column 1 keeps its colour under the stripes
    h.options.rows[0]["GridShowFQ"] = 1;
    const std::vector<double> rates{80, 80.5, 80.6, 35, 35.5, 36};
    for (double fq : rates) h.records.rows.push_back(item("q", "", fq));
    build(h);
    const long fq = h.grid.ColumnIndex("FQ1");
    const std::vector<long> colours{colour::LightYellow, colour::LightYellow, colour::LightRed,
                                    colour::LightGreen,  colour::LightYellow, colour::LightYellow};
    const QStringList texts{"80", "80", "80", "35", "35", "36"};
    for (long r = 1; r <= 6; ++r) {
        EXPECT_EQ(h.grid.CellBackColor(r, 1), colours[size_t(r - 1)]) << "rate " << rates[size_t(r - 1)];
        EXPECT_EQ(h.grid.CellText(r, fq), texts[int(r - 1)]);
    }
    // A Null rate (a row from an old file) is shown empty and counts as 0.
    EXPECT_EQ(errorRateColour(QVariant()), colour::LightGreen);
    EXPECT_EQ(errorRateText(QVariant()), "");
    EXPECT_EQ(roundedErrorRate(2.5), 2);
    EXPECT_EQ(roundedErrorRate(3.5), 4);
    EXPECT_THROW(roundedErrorRate(1e6), wk::Error);
}

TEST(GridCellsBuild, RowsFollowTheRecordsAndTheHiddenNoCellHoldsThePosition) {
    FakeHost h;
    for (int i = 0; i < 5; ++i) h.records.rows.push_back(item(QString("q%1").arg(i)));
    h.records.pos = 3;  // the current record before the build
    build(h);
    ASSERT_EQ(h.grid.Rows(), 5);
    for (long r = 1; r <= 5; ++r) {
        EXPECT_EQ(h.grid.CellText(r, 2), QString::number(r - 1));
        EXPECT_EQ(h.grid.CellText(r, 3), QString("q%1").arg(r - 1));
    }
    EXPECT_EQ(h.records.pos, 3);
    EXPECT_EQ(h.grid.SelectedRow(), 0);
    EXPECT_TRUE(h.grid.ShowData());
    EXPECT_TRUE(h.grid.Redraw());
    // After a sort a row still finds its record through "no".
    h.grid.SetSortColumn(1, 3);
    h.grid.SetSortOrder(1, grid::SortDescending);
    h.grid.Sort();
    EXPECT_EQ(h.grid.CellText(1, 3), "q4");
    EXPECT_EQ(recordPositionOfRow(h.grid, 1), 4);
}

TEST(GridCellsBuild, RowIconsOnlyWithListIconOneAndFromFieldSizesAlone) {
    FakeHost h;
    h.records.rows = {item("plain"), item("marked"), item("tip sound"), item("all"), item("picture")};
    h.records.rows[1]["Markiert"] = true;
    h.records.rows[2]["SoundTip"] = QByteArray("RIFF");
    h.records.rows[3]["Markiert"] = true;
    h.records.rows[3]["SoundFalsch"] = QByteArray("RIFF");
    h.records.rows[3]["Bild"] = QByteArray("GIF8");
    h.records.rows[4]["Bild"] = QByteArray("GIF8");
    h.records.rows[4]["Sound"] = QByteArray();  // an empty field counts as none

    h.listIcon = 0;
    build(h);
    for (long r = 1; r <= 5; ++r) EXPECT_EQ(h.grid.CellIcon(r, 1), -1) << r;

    h.listIcon = 1;
    h.records.valueReads.clear();
    build(h);
    const QStringList expect{"Empty", "Checked", "Sound", "CheckedSoundPic", "Pic"};
    for (long r = 1; r <= 5; ++r) EXPECT_EQ(h.images.ItemKey(h.grid.CellIcon(r, 1)), expect[int(r - 1)]) << r;
    for (const char* media : {"Bild", "Sound", "SoundTip", "SoundRichtig", "SoundFalsch"})
        EXPECT_FALSE(h.records.valueReads.contains(media)) << media << " was loaded";

    // A single row's refresh takes the icon by the mark alone with ListIcon 0.
    h.records.pos = 3;
    EXPECT_EQ(gridIconKeyName(h.records, 0), "Checked");
    h.records.pos = 4;
    EXPECT_EQ(gridIconKeyName(h.records, 0), "Empty");
    EXPECT_EQ(GridIconKey(h.records, 1, h.images), h.images.ItemIndex("Pic"));
}

TEST(GridCellsBuild, RightAnswersAreGreenEvenWhenEmptyButNeverOnADash) {
    FakeHost h;
    h.indikatorRand = 0;
    h.options.rows[0]["GridShowA1"] = 1;
    h.options.rows[0]["GridShowA2"] = 1;
    h.records.rows = {item("q1", ""), item("q2", ""), item("q3", "-"), item("q4", "x")};
    h.records.rows[0]["RA1"] = 1;  // odd row, empty answer
    h.records.rows[1]["RA1"] = 1;  // even row, empty answer
    h.records.rows[2]["RA1"] = 1;  // odd row showing "-"
    h.records.rows[3]["RA1"] = 2;  // only 1 means right
    h.records.rows[0]["A2"] = "y";
    build(h);
    const long a1 = h.grid.ColumnIndex("A1"), a2 = h.grid.ColumnIndex("A2");
    EXPECT_EQ(h.grid.CellBackColor(1, a1), colour::LightGreen);
    EXPECT_EQ(h.grid.CellBackColor(2, a1), colour::LightGreen);
    EXPECT_EQ(h.grid.CellBackColor(3, a1), colour::Stripe);
    EXPECT_EQ(h.grid.CellBackColor(4, a1), colour::Default);
    EXPECT_EQ(h.grid.CellBackColor(1, a2), colour::Stripe);
    // IndikatorRand 0: stripes from column 1, even rows default there.
    EXPECT_EQ(h.grid.CellBackColor(1, 1), colour::Stripe);
    EXPECT_EQ(h.grid.CellBackColor(4, 1), colour::Default);
}

TEST(GridCellsBuild, WidthsFontsAndFormatsFollowTheOptions) {
    FakeHost h;
    auto& o = h.options.rows[0];
    o["GridShowA1"] = 1;
    o["GridShowT"] = 1;
    o["GridShowKategorie"] = 1;
    o["GridShowTip"] = 1;
    o["GridShowPunkte"] = 1;
    o["GridWidthA1"] = 210;
    o["GridWidthKategorie"] = 90;
    o["ZeilenumbruchQ"] = 2;  // only exactly 1 wraps the question
    o["ZeilenumbruchA"] = 2;  // any other value than 0 wraps the answers
    o["ZeilenumbruchT"] = 0;
    o["Schriftart"] = "DejaVu Serif";
    o["Schriftgroesse"] = "14";
    o["SchriftartRest"] = "DejaVu Sans";
    o["SchriftgroesseRest"] = "8";
    h.records.rows = {item("Haus", "house")};
    h.records.rows[0]["Tip"] = "a rather long hint for this item";
    h.records.rows[0]["Punkte"] = 7;
    build(h);
    const grid::Grid& g = h.grid;
    EXPECT_EQ(g.ColumnWidth("Q"), 150);
    EXPECT_EQ(g.ColumnWidth("A1"), 210);
    EXPECT_EQ(g.ColumnWidth("T"), g.DefaultColumnWidth());
    EXPECT_EQ(g.ColumnWidth("Kategorie"), 90);
    const QFont rest = g.CellFont(1, g.ColumnIndex("Tip"));
    EXPECT_GE(g.ColumnWidth("Tip"), QFontMetrics(rest).horizontalAdvance("a rather long hint for this item"));
    EXPECT_EQ(g.CellText(1, g.ColumnIndex("Punkte")), "7");

    EXPECT_EQ(g.CellFormat(1, 3), grid::FormatSingleLine);
    EXPECT_EQ(g.CellIndent(1, 3), QuestionIndent);
    EXPECT_EQ(g.CellFont(1, 3).family(), "DejaVu Serif");
    EXPECT_EQ(g.CellFont(1, 3).pointSize(), 14);
    EXPECT_EQ(g.CellFormat(1, g.ColumnIndex("A1")), grid::FormatWordWrap);
    EXPECT_EQ(g.CellFormat(1, g.ColumnIndex("T")), grid::FormatSingleLine);
    EXPECT_EQ(rest.pointSize(), 8);
    EXPECT_TRUE(g.ColumnSortable("Q"));
}

TEST(LoadingWindow, ProgressIsShownOncePerPercentFigure) {
    FakeHost h;
    for (int i = 0; i < 3; ++i) h.records.rows.push_back(item("q"));
    frmLoading w;
    w.Form_Load(h);
    EXPECT_EQ(w.progressShown(), QStringList({"33%", "66%", "100%"}));
    EXPECT_DOUBLE_EQ(w.barWidth(), 975.0);
    EXPECT_FALSE(w.isVisible());

    FakeHost big;
    for (int i = 0; i < 1000; ++i) big.records.rows.push_back(item(QString::number(i)));
    frmLoading w2;
    w2.Form_Load(big);
    ASSERT_EQ(w2.progressShown().size(), 101);
    EXPECT_EQ(w2.progressShown().first(), "0%");
    EXPECT_EQ(w2.progressShown().last(), "100%");
    EXPECT_EQ(GridFiller::percentOf(6, 7), 100);
    EXPECT_EQ(GridFiller::percentOf(0, 3), 33);
    EXPECT_EQ(GridFiller::percentOf(1, 3), 66);
}

TEST(LoadingWindow, AfterABuildTheButtonsTheLabelsAndTheMainWindowAreRestored) {
    FakeHost h;
    h.records.rows = {item("a"), item("b")};
    build(h);
    EXPECT_TRUE(h.enabled);
    EXPECT_EQ(h.caption, "MYWORDS");
    EXPECT_TRUE(h.log.contains("progress"));
    EXPECT_EQ(h.log.first(), "disabled");
    EXPECT_EQ(h.log.last(), "enabled");
    EXPECT_EQ(h.initOptionTabCalls, 1);
    EXPECT_EQ(h.updateWindowCalls, QStringList({"lblbcount"}));
    using B = LoadingHost::Button;
    EXPECT_TRUE(h.buttons[B::Search]);
    EXPECT_FALSE(h.buttons[B::Delete]);
    EXPECT_FALSE(h.buttons[B::Record]);
    EXPECT_EQ(h.pictures[B::Record], h.images.Picture("Recordd").cacheKey());
    EXPECT_EQ(h.pictures[B::SoundImport], h.images.Picture("ImportSoundd").cacheKey());
    EXPECT_EQ(h.pictures[B::ImportPic], h.images.Picture("ImportPicd").cacheKey());
    EXPECT_EQ(h.pointers.back(), 0);
    EXPECT_TRUE(h.errors.empty());
}

TEST(LoadingWindow, AnEmptyDatabaseHidesTheGridAndKeepsNoPosition) {
    FakeHost h;
    build(h);
    EXPECT_EQ(h.grid.Rows(), 0);
    EXPECT_FALSE(h.grid.ShowData());
    using B = LoadingHost::Button;
    EXPECT_FALSE(h.buttons[B::Search]);
    EXPECT_FALSE(h.buttons[B::Delete]);
    EXPECT_EQ(h.updateWindowCalls, QStringList({"lblbcount"}));
    EXPECT_TRUE(h.enabled);
    EXPECT_TRUE(h.records.positionsSet.empty());  // -1 is not put back
    EXPECT_TRUE(h.errors.empty());
}

TEST(LoadingWindow, NoBuildDuringAnUpgradeAndNoneWithoutADatabase) {
    FakeHost h;
    h.records.rows = {item("a")};
    h.grid.AddColumn("old");
    h.upgradeDepth = 1;
    h.enabled = false;
    build(h);
    EXPECT_EQ(keysOf(h.grid), QStringList({"old"}));
    EXPECT_EQ(h.caption, "MYWORDS");
    EXPECT_EQ(h.initOptionTabCalls, 0);
    EXPECT_TRUE(h.enabled);
    EXPECT_EQ(h.pointers, std::vector<int>({0}));

    FakeHost closed;
    closed.open = false;
    FillVG1(closed);
    EXPECT_TRUE(closed.pointers.empty());
    EXPECT_EQ(closed.initOptionTabCalls, 0);

    FakeHost ok;
    ok.records.rows = {item("a")};
    FillVG1(ok);
    EXPECT_EQ(ok.pointers.front(), 11);
    EXPECT_EQ(ok.pointers.back(), 0);
    EXPECT_EQ(ok.grid.Rows(), 1);
}

TEST(LoadingWindow, AFailingBuildRestoresEverythingAndReportsTheError) {
    FakeHost h;
    for (int i = 0; i < 10; ++i) h.records.rows.push_back(item("q"));
    h.records.failAt = 4;
    h.buttons[LoadingHost::Button::Delete] = true;  // an item was selected before
    build(h);
    ASSERT_EQ(h.errors.size(), 1u);
    EXPECT_EQ(h.errors[0].first, 3021);
    EXPECT_TRUE(h.enabled);
    EXPECT_TRUE(h.grid.Redraw());
    EXPECT_TRUE(h.grid.ShowData());
    EXPECT_EQ(h.caption, "MYWORDS");
    EXPECT_EQ(h.pointers.back(), 0);
    EXPECT_EQ(h.log.last(), "enabled");
    using B = LoadingHost::Button;
    EXPECT_FALSE(h.buttons[B::Delete]);
    EXPECT_FALSE(h.buttons[B::Record]);
    EXPECT_EQ(h.pictures[B::Record], h.images.Picture("Recordd").cacheKey());
    EXPECT_EQ(h.updateWindowCalls, QStringList({"lblbcount"}));
    EXPECT_EQ(h.records.bulkBegun, 1);
    EXPECT_EQ(h.records.bulkEnded, 1);  // the read transaction is not left open

    // A missing options field fails before any row is filled: the empty
    // grid shows no data, and so takes no focus.
    FakeHost bad;
    bad.records.rows = {item("a")};
    bad.options.rows[0].remove("GridShowTip");
    build(bad);
    ASSERT_EQ(bad.errors.size(), 1u);
    EXPECT_EQ(bad.errors[0].first, 3265);
    EXPECT_TRUE(bad.enabled);
    EXPECT_TRUE(bad.grid.Redraw());
    EXPECT_EQ(bad.grid.Rows(), 0);
    EXPECT_FALSE(bad.grid.ShowData());
}
