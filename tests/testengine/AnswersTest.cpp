// Accepted answers, matching and answer-field counts.

#include "EngineFixture.h"
#include "testengine/Answers.h"
#include "testengine/Presenting.h"

using namespace testengine;

namespace {

class Answers : public enginetest::EngineDB {};

QStringList exp(std::initializer_list<QString> answers) {
    QStringList e{QString()};
    for (const auto& a : answers) e << a;
    return e;
}

}  // namespace

TEST(SplitAnswers, BlanksAndSeparators) {
    EXPECT_EQ(SplitAnswers(" house;  home ; building"), (QStringList{" house", "home ", "building"}));
    EXPECT_EQ(SplitAnswers("a;"), QStringList{"a"});
    EXPECT_EQ(SplitAnswers("a;;b"), (QStringList{"a", "", "b"}));
    EXPECT_EQ(SplitAnswers(";a"), (QStringList{"", "a"}));
    EXPECT_EQ(SplitAnswers(";"), QStringList{""});
    EXPECT_TRUE(SplitAnswers("").isEmpty());
    // Only blanks are taken off, not tabs.
    EXPECT_EQ(SplitAnswers("a;\tb"), (QStringList{"a", "\tb"}));
}

TEST(IsAcceptedAnswer, CaseAndBlanks) {
    const QStringList e = exp({"Straße", "home"});
    EXPECT_TRUE(IsAcceptedAnswer(e, "Straße", true));
    EXPECT_FALSE(IsAcceptedAnswer(e, "straße", true));
    EXPECT_TRUE(IsAcceptedAnswer(e, "STRAßE", false));
    // Upper-casing goes character by character: ß does not become SS.
    EXPECT_FALSE(IsAcceptedAnswer(e, "STRASSE", false));
    EXPECT_TRUE(IsAcceptedAnswer(e, "HoMe", false));
    EXPECT_FALSE(IsAcceptedAnswer(e, " home", false));
    EXPECT_FALSE(IsAcceptedAnswer(e, "home ", false));
    EXPECT_FALSE(IsAcceptedAnswer(e, "Straße;home", false));
    // Entry 0 is never an answer.
    EXPECT_FALSE(IsAcceptedAnswer(exp({}), "", true));
    EXPECT_FALSE(IsAcceptedAnswer(exp({}), "", false));
    EXPECT_TRUE(IsAcceptedAnswer(exp({""}), "", true));
    EXPECT_EQ(FoldCase("straße ä"), "STRAßE Ä");
}

TEST(IndexInArray, FirstMatchEntryZeroIncluded) {
    const QStringList a{QString(), "x", "y", "x"};
    EXPECT_EQ(IndexInArray(a, "x"), 1);
    EXPECT_EQ(IndexInArray(a, "X"), -1);
    EXPECT_EQ(IndexInArray(a, ""), 0);
}

TEST(MatchBoxes, SingleAnyOrderAndInOrder) {
    const QStringList e = exp({"rot", "grün", "blau"});
    EXPECT_EQ(MatchSingleBox(e, "ROT", true).verdict, Verdict::Right);
    auto m = MatchSingleBox(e, "ROT", false);
    EXPECT_EQ(m.verdict, Verdict::Wrong);
    EXPECT_EQ(m.failingBox, 1);

    m = MatchAnyOrder(e, {"blau", "rot"}, false);
    EXPECT_EQ(m.verdict, Verdict::Right);
    EXPECT_EQ(m.greenBoxes, (QList<int>{1, 2}));
    // The same answer twice fails at the second box, case-folded when asked.
    m = MatchAnyOrder(e, {"rot", "grün", "ROT"}, true);
    EXPECT_EQ(m.verdict, Verdict::Wrong);
    EXPECT_EQ(m.failingBox, 3);
    EXPECT_EQ(m.greenBoxes, (QList<int>{1, 2}));
    m = MatchAnyOrder(e, {"rot", "blau", "ROT"}, false);
    EXPECT_EQ(m.failingBox, 3);  // not accepted at all
    m = MatchAnyOrder(e, {"blau", "gelb"}, true);
    EXPECT_EQ(m.failingBox, 2);
    EXPECT_EQ(MatchAnyOrder(e, {}, true).verdict, Verdict::None);

    EXPECT_EQ(MatchInOrder(e, {"ROT", "GRÜN", "blau"}, true).verdict, Verdict::Right);
    m = MatchInOrder(e, {"rot", "blau", "grün"}, true);
    EXPECT_EQ(m.verdict, Verdict::Wrong);
    EXPECT_EQ(m.failingBox, 2);
    EXPECT_EQ(m.greenBoxes, QList<int>{1});
    EXPECT_EQ(MatchInOrder(e, {"ROT"}, false).failingBox, 1);
    EXPECT_EQ(MatchInOrder(e, {"rot", "grün", "blau", "rot"}, false).failingBox, 4);
    EXPECT_EQ(MatchInOrder(e, {}, false).verdict, Verdict::None);
}

TEST_F(Answers, ExpectedAnswersFromTheRecord) {
    add("Haus; Gebäude", {{"A1", "house;  home"}, {"A2", ""}, {"A3", "building;"}});
    add("leer");
    add("gap", {{"A1", "x"}, {"A2", QVariant()}, {"A4", "y"}});
    EXPECT_EQ(BuildExpectedAnswers(*item("Haus; Gebäude"), false), exp({"house", "home", "building"}));
    EXPECT_EQ(BuildExpectedAnswers(*item("Haus; Gebäude"), true), exp({"Haus", "Gebäude"}));
    EXPECT_EQ(BuildExpectedAnswers(*item("leer"), false), exp({}));
    EXPECT_EQ(BuildExpectedAnswers(*item("gap"), false), exp({"x", "y"}));

    // The second answer is accepted without its blank only.
    const QStringList e = BuildExpectedAnswers(*item("Haus; Gebäude"), false);
    EXPECT_TRUE(IsAcceptedAnswer(e, "home", true));
    EXPECT_FALSE(IsAcceptedAnswer(e, "  home", true));
}

TEST_F(Answers, CountsOfAnswerFields) {
    auto rs = db->OpenRecordset("SELECT * FROM VOK ORDER BY Q");
    EXPECT_EQ(MaxAnswerCount(*rs), -1);

    add("a five", {{"A1", "1"}, {"A5", "5"}, {"RA1", 1}, {"RA5", 1}});
    add("b two", {{"A1", "1"}, {"A2", "2"}, {"RA2", 1}});
    add("c nine", {{"A9", "9"}, {"RA9", QVariant()}});
    add("d none");
    EXPECT_EQ(CountAnswers(*item("a five")), 5);
    EXPECT_EQ(CountAnswers(*item("c nine")), 9);
    EXPECT_EQ(CountAnswers(*item("d none")), 0);
    EXPECT_EQ(CountRightAnswers(*item("a five")), 2);
    EXPECT_EQ(CountRightAnswers(*item("c nine")), 0);

    rs = db->OpenRecordset("SELECT * FROM VOK WHERE Q <> 'c nine' ORDER BY Q");
    rs->SetAbsolutePosition(2);
    EXPECT_EQ(MaxAnswerCount(*rs), 5);
    EXPECT_EQ(rs->AbsolutePosition(), 2);
    rs = db->OpenRecordset("SELECT * FROM VOK WHERE Q='d none'");
    EXPECT_EQ(MaxAnswerCount(*rs), -1);
    rs = db->OpenRecordset("SELECT * FROM VOK ORDER BY Q");
    EXPECT_EQ(MaxAnswerCount(*rs), 9);
}

TEST_F(Answers, ChoiceItems) {
    add("multi", {{"Typ", 1}, {"A1", "a"}, {"A2", "b"}, {"A3", "c"}, {"RA1", 1}, {"RA3", 1}});
    add("single", {{"Typ", 1}, {"A1", "a"}, {"A2", "b"}, {"A3", "c"}, {"RA2", 1}});
    auto ticks = [](QList<int> on) { return [on](int i) { return on.contains(i) ? 1 : 0; }; };
    auto picks = [](int chosen) { return [chosen](int i) { return i == chosen; }; };
    auto none = [](int) { return false; };
    auto zero = [](int) { return 0; };

    auto multi = item("multi");
    EXPECT_TRUE(AllAnswersRight(*multi, 3, ticks({1, 3}), none));
    EXPECT_FALSE(AllAnswersRight(*multi, 3, ticks({1}), none));
    EXPECT_FALSE(AllAnswersRight(*multi, 3, ticks({1, 2, 3}), none));

    auto single = item("single");
    EXPECT_TRUE(AllAnswersRight(*single, 3, zero, picks(2)));
    EXPECT_FALSE(AllAnswersRight(*single, 3, zero, picks(1)));
    EXPECT_FALSE(AllAnswersRight(*single, 3, zero, none));
}

TEST_F(Answers, PreparingAnItem) {
    add("typed", {{"A1", "a;b;c"}, {"A2", "d"}});
    add("all", {{"A1", "1;2;3;4;5;6"}, {"A2", "7;8;9;10;11;12"}, {"AskAllItems", 1}});
    add("choice", {{"Typ", 1}, {"A1", "x"}, {"A3", "z"}});
    add("other", {{"Typ", 5}, {"A1", "x"}});
    TestState st;
    st.ItemTyp = 0;
    PrepareItem(st, *item("typed"), false);
    EXPECT_EQ(st.ExpectedAnswers, exp({"a", "b", "c", "d"}));
    EXPECT_EQ(st.Test_WievieleAntwortFelder, 1);
    EXPECT_EQ(st.TryNumber, 1);
    EXPECT_TRUE(st.QuestionOpen);
    PrepareItem(st, *item("all"), false);
    EXPECT_EQ(st.Test_WievieleAntwortFelder, 9);
    EXPECT_EQ(st.ExpectedAnswers.size(), 13);
    PrepareItem(st, *item("all"), true);
    EXPECT_EQ(st.ExpectedAnswers, exp({"all"}));
    EXPECT_EQ(st.Test_WievieleAntwortFelder, 1);

    st.ItemTyp = 1;
    PrepareItem(st, *item("choice"), true);  // choices are never reversed
    EXPECT_EQ(st.ExpectedAnswers, exp({"x", "z"}));
    EXPECT_EQ(st.Test_WievieleAntwortFelder, 3);
    st.ItemTyp = 5;
    PrepareItem(st, *item("other"), false);
    EXPECT_EQ(st.Test_WievieleAntwortFelder, 3);  // unchanged

    EXPECT_FALSE(ChooseReversed(0, 0));
    EXPECT_TRUE(ChooseReversed(1, 0));
    EXPECT_FALSE(ChooseReversed(1, 1));
    ui.pushRnd(0.7);
    EXPECT_TRUE(ChooseReversed(2, 0));
    ui.pushRnd(0.2);
    EXPECT_FALSE(ChooseReversed(2, 0));
}
