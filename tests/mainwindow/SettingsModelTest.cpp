// The settings rules that need no window: the number test, the text-field
// rules, the points sum and the layout of the grading scale.
#include <gtest/gtest.h>

#include "SettingsFixture.h"
#include "mainwindow/SettingsModel.h"

namespace settingstest {
namespace {

using namespace settings;

TEST(SettingsNumberTest, AcceptsWhatTheRuntimeCallsANumber) {
    for (const char* t : {"12", "-3", "+2.5", ".5", "5.", "1e3", "1E-2", " 7 ", "0"})
        EXPECT_TRUE(IsNumeric(t)) << t;
    for (const char* t : {"", " ", "x", "1.2.3", "+", "-", ".", "1e", "e3", "1,000", "--1", "12a", "1e999"})
        EXPECT_FALSE(IsNumeric(t)) << t;
    EXPECT_EQ(WholeValue("2.5"), 2);
    EXPECT_EQ(WholeValue("3.5"), 4);
    EXPECT_EQ(WholeValue("abc"), 0);
}

TEST(SettingsNumberTest, MaxQuestionsStoresOnlyAPositiveCountTheFieldHolds) {
    EXPECT_FALSE(MaxFragenToStore(""));
    EXPECT_FALSE(MaxFragenToStore("abc"));
    EXPECT_FALSE(MaxFragenToStore("0"));
    EXPECT_FALSE(MaxFragenToStore("0.9"));
    EXPECT_FALSE(MaxFragenToStore("-4"));
    EXPECT_FALSE(MaxFragenToStore("9e99"));
    EXPECT_EQ(MaxFragenToStore("120").value_or(""), "120");
    EXPECT_EQ(MaxFragenToStore("2.5").value_or(""), "2.5");
    EXPECT_EQ(MaxFragenToStore("9999").value_or(""), "9999");
}

TEST(SettingsNumberTest, WholeTestMinutesAreCapped) {
    EXPECT_EQ(BigZeitlimitToStore("750").toInt(), 500);
    EXPECT_EQ(BigZeitlimitToStore("500.5").toInt(), 500);
    EXPECT_EQ(BigZeitlimitToStore("500").toString(), "500");
    EXPECT_EQ(BigZeitlimitToStore("45").toString(), "45");
    EXPECT_EQ(BigZeitlimitToStore("-5").toString(), "-5");
}

std::array<qint64, 9> ends(std::initializer_list<qint64> p2to8) {
    std::array<qint64, 9> a{};
    int i = 2;
    for (qint64 v : p2to8) a[std::size_t(i++)] = v;
    return a;
}

QStringList onRows(const ScalePlan& plan) {
    QStringList rows;
    for (int k = 1; k <= GradeRows; ++k)
        if (plan.rows[std::size_t(k)].on)
            rows << plan.rows[std::size_t(k)].lowerLabel + " " + plan.rows[std::size_t(k)].upperEnd;
    return rows;
}

TEST(GradingScaleTest, ANewDatabaseHasOneRowFromZeroToTheTotal) {
    const ScalePlan plan = PlanScale(37, ends({}), "to");
    EXPECT_EQ(onRows(plan), QStringList{"0 to 37"});
    EXPECT_TRUE(plan.writes.empty());
    for (int k = 2; k <= 8; ++k) EXPECT_EQ(plan.rows[std::size_t(k)].lowerLabel, "");
}

TEST(GradingScaleTest, StoredUpperEndsMakeConsecutiveRows) {
    const ScalePlan plan = PlanScale(100, ends({10, 20, 30}), "bis");
    EXPECT_EQ(onRows(plan), (QStringList{"0 bis 10", "11 bis 20", "21 bis 30", "31 bis 100"}));
    EXPECT_TRUE(plan.writes.empty());
}

TEST(GradingScaleTest, NoPointsRewritesEveryUpperEndAsZero) {
    const ScalePlan plan = PlanScale(0, ends({0, 5}), "to");
    EXPECT_EQ(onRows(plan), QStringList{"0 to 0"});
    std::vector<std::pair<int, qint32>> expected;
    for (int i = 3; i <= 8; ++i) expected.emplace_back(i, 0);
    EXPECT_EQ(plan.writes, expected);
    // A negative end is below the total and stays.
    EXPECT_TRUE(PlanScale(0, ends({0, -3, -2, -1, -1, -1, -1}), "to").writes.empty());
}

TEST(GradingScaleTest, AnEndNotAboveTheLastMakesTheLastRow) {
    // 40 after 50: row 2 runs to the total, though the field keeps 40.
    const ScalePlan plan = PlanScale(100, ends({50, 40, 70}), "to");
    EXPECT_EQ(onRows(plan), (QStringList{"0 to 50", "51 to 100"}));
    EXPECT_TRUE(plan.writes.empty());
}

TEST(GradingScaleTest, EndsAboveTheTotalAreLoweredToIt) {
    const ScalePlan plan = PlanScale(50, ends({10, 80, 90}), "to");
    EXPECT_EQ(onRows(plan), (QStringList{"0 to 10", "11 to 50"}));
    EXPECT_EQ(plan.writes, (std::vector<std::pair<int, qint32>>{{3, 50}, {4, 50}}));
    // Row 1 at or above the total is the only row.
    EXPECT_EQ(onRows(PlanScale(50, ends({60, 70}), "to")), QStringList{"0 to 50"});
}

TEST(GradingScaleTest, AllEightRows) {
    const ScalePlan plan = PlanScale(80, ends({10, 20, 30, 40, 50, 60, 70}), "to");
    EXPECT_EQ(onRows(plan).size(), 8);
    EXPECT_EQ(plan.rows[8].lowerLabel, "71 to");
    EXPECT_EQ(plan.rows[8].upperEnd, "80");
}

TEST(GradingScaleTest, UpperEndsAreCorrectedWhenLeft) {
    EXPECT_EQ(CorrectUpperEnd("abc", 3, "20", 100), "100");
    EXPECT_EQ(CorrectUpperEnd("", 1, "", 100), "100");
    EXPECT_EQ(CorrectUpperEnd("500", 2, "10", 100), "100");
    EXPECT_EQ(CorrectUpperEnd("100", 2, "10", 100), "100");
    EXPECT_EQ(CorrectUpperEnd("5", 2, "10", 100), "11");
    EXPECT_EQ(CorrectUpperEnd("10", 2, "10", 100), "11");
    // Not above a previous end at the total: above the total, lowered by the refill.
    EXPECT_EQ(CorrectUpperEnd("100", 3, "100", 100), "101");
    EXPECT_EQ(CorrectUpperEnd("7", 1, "", 100), "7");
    // Beyond what the Long field holds counts as no number.
    EXPECT_EQ(CorrectUpperEnd("-1e300", 1, "", 100), "100");
}

class SumPunkteTest : public SettingsFixture {};

TEST_F(SumPunkteTest, SumsEveryItemAndKeepsThePosition) {
    EXPECT_EQ(SumPunkte(data), 0);
    EXPECT_EQ(SumPunkte(nullptr), 0);
    addItem("a", 3);
    addItem("b", QVariant());
    addItem("c", 4);
    data->SetAbsolutePosition(1);
    EXPECT_EQ(SumPunkte(data), 7);
    EXPECT_EQ(data->AbsolutePosition(), 1);
}

TEST_F(SumPunkteTest, WriteFieldLeavesTheRecordAsItWasOnError) {
    const auto& rs = runstate::rsOptions;
    EXPECT_THROW(WriteField(rs, "Version", "far too long for ten"), wk::Error);
    // The edit was cancelled: the next write works.
    WriteField(rs, "Version", "1.0");
    EXPECT_EQ(stored("Version").toString(), "1.0");
    EXPECT_THROW(WriteField(rs, "SekundenZeitlimit", "40000"), wk::Error);
    EXPECT_EQ(storedInt("SekundenZeitlimit"), 12);
}

}  // namespace
}  // namespace settingstest
