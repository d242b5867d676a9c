// The condition clause over the word tables, with the values bound, run
// against a real source database.
#include "ExchangeFixture.h"

#include "exchange/WhereClause.h"

using namespace exchange;
using namespace exchangetest;

namespace {

class WhereTest : public ExchangeDB {
protected:
    void SetUp() override {
        ExchangeDB::SetUp();
        runstate::BedWhat[3] = "FQ1";
        add({"Haus", {"house", "home"}, "Verben", 60.0});
        add({"O'Brien", {"name"}, "Namen", 10.0});
        add({"laufen", {"run"}, "Verbformen", 55.5});
        add({"Baum", {"tree"}, "Nomen", 20.0});
    }
    WhereClause build(bool on, std::array<ConditionLine, 3> lines) {
        return BuildWhereClause(on, lines, runstate::BedWhat, runstate::BedAndOr, runstate::BedComp);
    }
    QStringList run(const WhereClause& w) {
        auto rs =
            db->OpenRecordset("SELECT * FROM VOK" + w.sql + " ORDER BY Q", dao::dbOpenDynaset, w.params);
        QStringList qs;
        for (long i = 0; i < rs->RecordCount(); ++i) {
            rs->SetAbsolutePosition(i);
            qs << rs->Value("Q").toString();
        }
        return qs;
    }
};

}  // namespace

TEST_F(WhereTest, OffGivesNoClauseWhateverTheLinesHold) {
    const WhereClause w = build(false, {{{0, 3, 0, "abc"}, {1, 0, 0, "x"}, {}}});
    EXPECT_TRUE(w.valid);
    EXPECT_EQ(w.sql, "");
    EXPECT_TRUE(w.params.isEmpty());
}

TEST_F(WhereTest, SingleLineBindsTheValue) {
    const WhereClause w = build(true, {{{0, 0, 0, "Haus"}, {}, {}}});
    EXPECT_EQ(w.sql, " WHERE Q = ?");
    EXPECT_EQ(w.params, dao::Params{"Haus"});
    EXPECT_EQ(run(w), QStringList{"Haus"});
}

TEST_F(WhereTest, ApostropheInAValueIsHarmless) {
    const WhereClause w = build(true, {{{0, 0, 0, "O'Brien"}, {}, {}}});
    EXPECT_EQ(run(w), QStringList{"O'Brien"});
    const WhereClause inject = build(true, {{{0, 0, 0, "x' OR '1'='1"}, {}, {}}});
    EXPECT_TRUE(run(inject).isEmpty());
}

TEST_F(WhereTest, LikeAndErrorRateJoinedByAnd) {
    const WhereClause w = build(true, {{{0, 2, 4, "Verb*"}, {1, 3, 2, "50"}, {}}});
    EXPECT_EQ(w.sql, " WHERE T LIKE ? AND FQ1 > ?");
    EXPECT_EQ(w.params, (dao::Params{"Verb*", 50.0}));
    EXPECT_EQ(run(w), (QStringList{"Haus", "laufen"}));
}

TEST_F(WhereTest, ErrorRateForSlotThreeAndDecimalValues) {
    runstate::BedWhat[3] = "FQ3";
    const WhereClause w = build(true, {{{0, 3, 1, " 25 "}, {}, {}}});
    EXPECT_EQ(w.sql, " WHERE FQ3 < ?");
    EXPECT_EQ(w.params, dao::Params{25.0});
    runstate::BedWhat[3] = "FQ1";
    EXPECT_EQ(run(build(true, {{{0, 3, 2, "55.4"}, {}, {}}})), (QStringList{"Haus", "laufen"}));
}

TEST_F(WhereTest, InvalidErrorRateStopsAtTheFirstBadLine) {
    WhereClause w = build(true, {{{0, 3, 0, ""}, {1, 3, 0, "abc"}, {}}});
    EXPECT_FALSE(w.valid);
    EXPECT_EQ(w.invalidLine, 0);
    w = build(true, {{{0, 0, 0, "x"}, {2, 3, 0, "abc"}, {1, 3, 0, "zz"}}});
    EXPECT_FALSE(w.valid);
    EXPECT_EQ(w.invalidLine, 1);
    // A line whose connective is the end entry is never examined.
    w = build(true, {{{0, 0, 0, "x"}, {0, 3, 0, "abc"}, {0, 3, 0, "zz"}}});
    EXPECT_TRUE(w.valid);
    EXPECT_EQ(w.sql, " WHERE Q = ?");
}

TEST_F(WhereTest, EmptyTextValueComparesWithEmptyText) {
    const WhereClause w = build(true, {{{0, 2, 0, ""}, {}, {}}});
    EXPECT_TRUE(w.valid);
    EXPECT_EQ(w.params, dao::Params{""});
    EXPECT_TRUE(run(w).isEmpty());
}

TEST_F(WhereTest, OrAndAndInLineOrderWithoutParentheses) {
    const WhereClause w = build(true, {{{0, 0, 0, "Baum"}, {2, 2, 0, "Namen"}, {1, 3, 1, "15"}}});
    EXPECT_EQ(w.sql, " WHERE Q = ? OR T = ? AND FQ1 < ?");
    // AND binds first: Baum, or (Namen and FQ < 15).
    EXPECT_EQ(run(w), (QStringList{"Baum", "O'Brien"}));
}

TEST_F(WhereTest, AnswerTestsEveryAnswerField) {
    EXPECT_EQ(run(build(true, {{{0, 1, 0, "home"}, {}, {}}})), QStringList{"Haus"});
    EXPECT_EQ(run(build(true, {{{0, 1, 4, "r*"}, {}, {}}})), QStringList{"laufen"});
    EXPECT_EQ(run(build(true, {{{0, 1, 3, "h*"}, {}, {}}})), (QStringList{"Baum", "laufen", "O'Brien"}));
}

TEST_F(WhereTest, AnswerComparesOnlyFilledAnswers) {
    // Answers written as the editor writes them: the unused ones hold "".
    add({"gehen", {"go", "", "", "", "", "", "", "", ""}, "Verben"});
    add({"Zahl", {"", "two"}, "Nomen"});
    EXPECT_TRUE(run(build(true, {{{0, 1, 1, "b"}, {}, {}}})).isEmpty());
    EXPECT_EQ(run(build(true, {{{0, 1, 2, "s"}, {}, {}}})), (QStringList{"Baum", "Zahl"}));
    EXPECT_EQ(run(build(true, {{{0, 1, 3, "g*"}, {}, {}}})),
              (QStringList{"Baum", "Haus", "laufen", "O'Brien", "Zahl"}));
    // The line's connective joins the whole answer test.
    EXPECT_EQ(run(build(true, {{{0, 0, 0, "Haus"}, {2, 1, 1, "b"}, {}}})), QStringList{"Haus"});
    EXPECT_EQ(run(build(true, {{{0, 1, 4, "t*"}, {1, 2, 0, "Nomen"}, {}}})), (QStringList{"Baum", "Zahl"}));
    // Typed text stays a bound value.
    const WhereClause w = build(true, {{{0, 1, 0, "x' OR ''='"}, {}, {}}});
    EXPECT_EQ(w.params.size(), 9);
    EXPECT_TRUE(run(w).isEmpty());
}

TEST_F(WhereTest, NotLikeOnText) {
    EXPECT_EQ(run(build(true, {{{0, 2, 3, "Verb*"}, {}, {}}})), (QStringList{"Baum", "O'Brien"}));
}
