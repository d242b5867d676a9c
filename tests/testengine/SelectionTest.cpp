// Selecting the items of a test over a real vocabulary database.

#include <QFile>
#include <algorithm>
#include <functional>
#include <map>
#include <utility>

#include "EngineFixture.h"
#include "core/modMain.h"
#include "platform/Error.h"
#include "testengine/Presenting.h"
#include "testengine/Selection.h"

using namespace testengine;

namespace {

class Selection : public enginetest::EngineDB {
protected:
    TestState st;
    dao::RecordsetPtr dataTest;

    SelectOutcome select(const SelectionOptions& opt, int u = 1, bool repeat = false) {
        return SelectTestItems(st, *db, *rsOptions, opt, u, repeat, dataTest);
    }
    SelectionOptions sequential() {
        SelectionOptions o;
        o.Abfragereihenfolge = 1;
        return o;
    }
    QStringList selected(const SelectionOptions& opt, int u = 1, bool repeat = false) {
        EXPECT_EQ(select(opt, u, repeat), SelectOutcome::Ready);
        return asked(st, *dataTest);
    }
};

// Bytes this process has read from files so far.
qint64 bytesRead() {
    QFile io("/proc/self/io");
    if (!io.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : io.readAll().split('\n'))
        if (line.startsWith("rchar:")) return line.mid(6).trimmed().toLongLong();
    return -1;
}

}  // namespace

TEST(SelectionQuery, TextFollowsTheOptions) {
    SelectionOptions o;
    o.Abfragereihenfolge = 0;
    auto q = BuildSelectionQuery(o, 1, false);
    EXPECT_EQ(q.sql, "SELECT * FROM VOK");
    EXPECT_TRUE(q.params.isEmpty());

    o.Auswahl = 2;
    o.AuswahlThema = "Tiere";
    o.DontAskTheKnown = true;
    o.KnownWieOft = 3;
    o.Abfragereihenfolge = 1;
    q = BuildSelectionQuery(o, 2, false);
    EXPECT_EQ(
        q.sql,
        "SELECT * FROM VOK WHERE T=? AND (Known21 = 0 OR Known22 =0 OR Known23 =0) ORDER BY FQ2 DESC, Q");
    EXPECT_EQ(q.params, dao::Params{"Tiere"});

    o = {};
    o.Abfragereihenfolge = 0;
    o.DontAskTheKnown = true;
    o.KnownWieOft = 1;
    EXPECT_EQ(BuildSelectionQuery(o, 1, false).sql, "SELECT * FROM VOK WHERE (Known11 = 0)");
    // Out-of-range counts stay inside the six history columns.
    o.KnownWieOft = 0;
    EXPECT_EQ(BuildSelectionQuery(o, 1, false).sql, "SELECT * FROM VOK WHERE (Known11 = 0)");
    o.KnownWieOft = 9;
    EXPECT_TRUE(BuildSelectionQuery(o, 1, false).sql.endsWith("OR Known16 =0)"));

    o = {};
    o.Abfragereihenfolge = 0;
    o.Auswahl = 1;
    o.bTestMaxFragen = true;
    o.TestMaxFragen = 7;
    // A repeat pass is bounded by the test's own items, not by TOP.
    EXPECT_EQ(BuildSelectionQuery(o, 3, true).sql, "SELECT * FROM VOK WHERE Markiert = True AND Known31 = 0");
    o.Auswahl = 0;
    EXPECT_EQ(BuildSelectionQuery(o, 3, true).sql, "SELECT * FROM VOK WHERE Known31 = 0");

    o.Auswahl = 3;
    o.AuswahlKategorie = "Verben";
    q = BuildSelectionQuery(o, 1, false);
    EXPECT_EQ(q.sql, "SELECT TOP 7 * FROM VOK WHERE Kategorie=?");
    EXPECT_EQ(q.params, dao::Params{"Verben"});

    EXPECT_THROW(BuildSelectionQuery(o, 0, false), wk::Error);
    EXPECT_THROW(BuildSelectionQuery(o, 6, false), wk::Error);
}

TEST_F(Selection, OptionsAreReadFromTheOptionsRecord) {
    setOption("Auswahl", 2);
    setOption("AuswahlThema", "Tiere");
    setOption("DontAskTheKnown", 1);
    setOption("KnownWieOft", 5);
    setOption("Abfragereihenfolge", 0);
    setOption("bTestMaxFragen", 1);
    setOption("TestMaxFragen", 12);
    auto o = ReadSelectionOptions(*rsOptions);
    EXPECT_EQ(o.Auswahl, 2);
    EXPECT_EQ(o.AuswahlThema, "Tiere");
    EXPECT_TRUE(o.DontAskTheKnown);
    EXPECT_EQ(o.KnownWieOft, 5);
    EXPECT_EQ(o.Abfragereihenfolge, 0);
    EXPECT_TRUE(o.bTestMaxFragen);
    EXPECT_EQ(o.TestMaxFragen, 12);
    // A flag is on only when it is 1.
    setOption("DontAskTheKnown", 2);
    setOption("bTestMaxFragen", -1);
    o = ReadSelectionOptions(*rsOptions);
    EXPECT_FALSE(o.DontAskTheKnown);
    EXPECT_FALSE(o.bTestMaxFragen);
}

TEST_F(Selection, EachSelectionMode) {
    add("Hund", {{"T", "Tiere"}, {"Kategorie", "Nomen"}, {"Markiert", true}});
    add("laufen", {{"T", "Sport"}, {"Kategorie", "Verben"}});
    add("Katze", {{"T", "Tiere"}, {"Kategorie", "Nomen"}});
    add("springen", {{"T", "tiere"}, {"Kategorie", "Verben"}, {"Markiert", true}});

    auto o = sequential();
    EXPECT_EQ(selected(o), (QStringList{"Hund", "Katze", "laufen", "springen"}));
    o.Auswahl = 1;
    EXPECT_EQ(selected(o), (QStringList{"Hund", "springen"}));
    o.Auswahl = 2;
    o.AuswahlThema = "Tiere";
    // Themes compare without regard to case, as the database does.
    EXPECT_EQ(selected(o), (QStringList{"Hund", "Katze", "springen"}));
    o.Auswahl = 3;
    o.AuswahlKategorie = "Verben";
    EXPECT_EQ(selected(o), (QStringList{"laufen", "springen"}));
    EXPECT_TRUE(st.SetReady);
}

TEST_F(Selection, QuotesInAThemeAreBoundNotPasted) {
    add("one", {{"T", "O'Neil's"}});
    add("two", {{"T", "Tiere"}});
    auto o = sequential();
    o.Auswahl = 2;
    o.AuswahlThema = "O'Neil's";
    EXPECT_EQ(selected(o), QStringList{"one"});

    o.AuswahlThema = "x' OR '1'='1";
    EXPECT_EQ(select(o), SelectOutcome::Empty);
    o.Auswahl = 3;
    o.AuswahlKategorie = "\" OR 1=1 --";
    EXPECT_EQ(select(o), SelectOutcome::Empty);
    EXPECT_FALSE(st.SetReady);
}

TEST_F(Selection, LeavesOutTheItemsKnownKTimes) {
    // Known11 is the newest judgement.
    add("never");  // all 0: never judged
    add("once", {{"Known11", 1}});
    add("twice", {{"Known11", 1}, {"Known12", 1}});
    add("thrice", {{"Known11", 1}, {"Known12", 1}, {"Known13", 1}});
    add("gap", {{"Known11", 1}, {"Known12", 0}, {"Known13", 1}});
    add("other slot", {{"Known21", 1}, {"Known22", 1}, {"Known23", 1}});

    auto o = sequential();
    o.DontAskTheKnown = true;
    o.KnownWieOft = 1;
    EXPECT_EQ(selected(o), (QStringList{"never", "other slot"}));
    o.KnownWieOft = 2;
    EXPECT_EQ(selected(o), (QStringList{"gap", "never", "once", "other slot"}));
    o.KnownWieOft = 3;
    EXPECT_EQ(selected(o), (QStringList{"gap", "never", "once", "other slot", "twice"}));
    // Slot 2 reads its own history.
    EXPECT_EQ(selected(o, 2), (QStringList{"gap", "never", "once", "thrice", "twice"}));
}

TEST_F(Selection, SortsByTheSlotsErrorRateThenQuestion) {
    add("b", {{"FQ1", 50.0}, {"FQ2", 0.0}});
    add("a", {{"FQ1", 50.0}, {"FQ2", 90.0}});
    add("c", {{"FQ1", 99.5}});
    add("d", {{"FQ1", 0.0}, {"FQ2", 10.0}});
    auto o = sequential();
    EXPECT_EQ(selected(o), (QStringList{"c", "a", "b", "d"}));
    EXPECT_EQ(st.QuestionOrder, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(selected(o, 2), (QStringList{"a", "d", "b", "c"}));

    o.bTestMaxFragen = true;
    o.TestMaxFragen = 2;
    EXPECT_EQ(selected(o), (QStringList{"c", "a"}));
    EXPECT_EQ(dataTest->RecordCount(), 2);
}

TEST_F(Selection, MixedOrderShufflesTheTablesOwnOrder) {
    for (const char* q : {"z", "y", "x", "w"}) add(q);
    SelectionOptions o;
    o.Abfragereihenfolge = 0;
    o.bTestMaxFragen = true;
    o.TestMaxFragen = 3;
    // Records z, y, x (no ORDER BY), shuffled with two draws: slot 2 swaps
    // with slot Int(3 * 0.5) = 1, then slot 1 with slot Int(2 * 0.1) = 0.
    for (double r : {0.5, 0.1}) ui.pushRnd(r);
    EXPECT_EQ(selected(o), (QStringList{"x", "z", "y"}));
    EXPECT_EQ(st.QuestionOrder, (std::vector<int>{2, 0, 1}));
}

TEST(QuestionOrder, SequentialAndRandomArePermutations) {
    wktest::ScriptedUi ui;
    EXPECT_EQ(BuildQuestionOrder(4, true), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_TRUE(BuildQuestionOrder(0, false).empty());
    EXPECT_EQ(BuildQuestionOrder(1, false), std::vector<int>{0});

    ui.seedRnd(7);
    auto order = BuildQuestionOrder(200, false);
    std::vector<int> sorted = order;
    std::sort(sorted.begin(), sorted.end());
    for (int k = 0; k < 200; ++k) ASSERT_EQ(sorted[k], k);
    std::vector<int> identity(200);
    for (int k = 0; k < 200; ++k) identity[k] = k;
    EXPECT_NE(order, identity);
}

// Each of the six orders of three items comes up about as often as the
// others, and the first item is not kept in its place more than by chance.
TEST(QuestionOrder, EveryOrderIsEquallyLikely) {
    wktest::ScriptedUi ui;
    ui.seedRnd(11);
    std::map<std::vector<int>, int> seen;
    const int runs = 6000;
    for (int i = 0; i < runs; ++i) ++seen[BuildQuestionOrder(3, false)];
    ASSERT_EQ(seen.size(), 6u);
    for (const auto& [order, count] : seen) EXPECT_NEAR(count, runs / 6, 150);
    int firstStays = 0;
    for (int i = 0; i < runs; ++i) firstStays += BuildQuestionOrder(40, false)[0] == 0;
    EXPECT_LT(firstStays, runs / 40 * 2);
}

TEST(QuestionOrder, AGeneratorStuckOnOneValueDoesNotHang) {
    wktest::ScriptedUi ui;
    for (int i = 0; i < 1200; ++i) ui.pushRnd(0.0);
    // Each entry from the last down swaps with the first.
    EXPECT_EQ(BuildQuestionOrder(5, false), (std::vector<int>{1, 2, 3, 4, 0}));
}

// A test that ends before it asked every item (the whole-test limit, Esc)
// repeats only what it asked, never a wrong item it did not reach.
TEST_F(Selection, RepeatPassTakesOnlyWhatTheTestAsked) {
    add("a", {{"Known11", 0}});
    add("b", {{"Known11", 0}});
    add("c", {{"Known11", 0}});
    auto o = sequential();
    o.Abfragereihenfolge = 0;
    ASSERT_EQ(select(o), SelectOutcome::Ready);
    ASSERT_TRUE(AdvanceToNextItem(st, *dataTest, false));
    const QString first = dataTest->Value("Q").toString();
    st.RepeatPass = true;
    EXPECT_EQ(selected(o, 1, true), QStringList{first});
    // Items asked in a repeat pass add nothing new to the test's own.
    ASSERT_TRUE(AdvanceToNextItem(st, *dataTest, false));
    EXPECT_EQ(st.TestItems.size(), 1);
}

// A new test starts without the items the last one asked: after a test that
// asked three wrong items and was left before its repeat pass, a test of one
// item repeats that one alone.
TEST_F(Selection, ANewTestRepeatsNoneOfTheLastTestsItems) {
    for (const char* q : {"a", "b", "c"}) add(q, {{"Known11", 0}});
    auto o = sequential();
    o.Abfragereihenfolge = 0;
    ASSERT_EQ(select(o), SelectOutcome::Ready);
    while (AdvanceToNextItem(st, *dataTest, false)) {
    }
    o.bTestMaxFragen = true;
    o.TestMaxFragen = 1;
    ASSERT_EQ(select(o), SelectOutcome::Ready);
    ASSERT_TRUE(AdvanceToNextItem(st, *dataTest, false));
    const QString asked = dataTest->Value("Q").toString();
    st.RepeatPass = true;
    EXPECT_EQ(selected(o, 1, true), QStringList{asked});
}

TEST_F(Selection, NewTestResetsRepeatPassKeepsAndSelectsTheWrongOnes) {
    add("right", {{"Known11", 1}, {"Punkte", 3}});
    add("wrong", {{"Known11", 0}, {"Known12", 1}, {"Punkte", 5}});
    add("nopoints", {{"Known11", 0}, {"Punkte", QVariant()}});
    setOption("AnzahlVersuche", 3);
    setOption("BigZeitlimitM", 2);

    st.AskedCount = 9;
    st.RightCount = 4;
    st.WrongCount = 5;
    st.PointsScored = 11;
    st.WrongQuestions << "old";
    st.RepeatPass = true;
    st.IsAskAgain = st.WasResolved = st.QuestionOpen = st.AnsweredWrong = true;
    st.CurrentIndex = 4;
    auto o = sequential();
    o.Abfragereihenfolge = 0;
    ASSERT_EQ(select(o), SelectOutcome::Ready);
    EXPECT_EQ(st.AskedCount, 0);
    EXPECT_EQ(st.RightCount, 0);
    EXPECT_EQ(st.WrongCount, 0);
    EXPECT_EQ(st.PointsScored, 0);
    EXPECT_EQ(st.WrongQuestions, QStringList{QString()});
    EXPECT_FALSE(st.RepeatPass);
    EXPECT_FALSE(st.IsAskAgain || st.WasResolved || st.QuestionOpen || st.AnsweredWrong);
    EXPECT_EQ(st.CurrentIndex, -1);
    EXPECT_EQ(st.SetPoints, 8);  // Null points count as 0
    EXPECT_EQ(st.MaxTries, 3);
    EXPECT_EQ(st.TestMinutes, 2);
    EXPECT_EQ(st.TestSecondsLeft, 120);
    // The test asks each of its items in turn.
    while (AdvanceToNextItem(st, *dataTest, false)) {
    }

    // A repeat pass keeps the test's counters and takes the wrong ones only.
    st.AskedCount = 3;
    st.WrongCount = 2;
    st.RightCount = 1;
    st.PointsScored = 3;
    st.SetPoints = 8;
    st.WrongQuestions << "wrong";
    st.RepeatPass = true;
    st.CurrentIndex = 2;
    setOption("BigZeitlimitM", 1);
    o.Abfragereihenfolge = 1;
    EXPECT_EQ(selected(o, 1, true), (QStringList{"nopoints", "wrong"}));
    EXPECT_EQ(st.AskedCount, 3);
    EXPECT_EQ(st.WrongCount, 2);
    EXPECT_EQ(st.RightCount, 1);
    EXPECT_EQ(st.PointsScored, 3);
    EXPECT_EQ(st.SetPoints, 8);
    EXPECT_EQ(st.WrongQuestions, (QStringList{QString(), "wrong"}));
    EXPECT_TRUE(st.RepeatPass);
    EXPECT_EQ(st.CurrentIndex, -1);
    EXPECT_EQ(st.TestSecondsLeft, 60);
}

TEST_F(Selection, EmptySelectionIsReportedByTheCaller) {
    add("known", {{"Known11", 1}});
    st.SetReady = true;
    auto o = sequential();
    o.Auswahl = 1;
    EXPECT_EQ(select(o), SelectOutcome::Empty);
    EXPECT_FALSE(st.SetReady);

    ui.pushMsgBox(forms::vbOK);
    ReportEmptySelection();
    const auto& box = ui.last(wktest::CallKind::MsgBox);
    EXPECT_EQ(box.prompt, modMain::GetText(5035));
    EXPECT_EQ(box.title, modMain::GetText(40));
    EXPECT_EQ(box.style, forms::vbOKOnly | forms::vbInformation);

    // A repeat pass with nothing wrong left is just as empty.
    EXPECT_EQ(select(sequential(), 1, true), SelectOutcome::Empty);
    // A limit of 0 (or below) selects nothing rather than everything.
    o = sequential();
    o.bTestMaxFragen = true;
    o.TestMaxFragen = -5;
    EXPECT_EQ(select(o), SelectOutcome::Empty);
}

TEST_F(Selection, AFailingQueryIsReportedAndDoesNotStart) {
    add("a");
    ASSERT_EQ(select(sequential()), SelectOutcome::Ready);
    db->Execute("ALTER TABLE VOK DROP COLUMN FQ1");
    ui.pushMsgBox(forms::vbOK);
    EXPECT_EQ(select(sequential()), SelectOutcome::Failed);
    EXPECT_EQ(ui.last(wktest::CallKind::MsgBox).title, "TKC1");
    EXPECT_FALSE(st.SetReady);
}

TEST_F(Selection, SumPunkteKeepsThePosition) {
    auto rs = db->OpenRecordset("SELECT * FROM VOK");
    EXPECT_EQ(SumPunkte(*rs), 0);
    add("a", {{"Punkte", 4}});
    add("b", {{"Punkte", 2000000000}});
    add("c", {{"Punkte", 2000000000}});
    rs = db->OpenRecordset("SELECT * FROM VOK");
    rs->SetAbsolutePosition(1);
    EXPECT_EQ(SumPunkte(*rs), 4000000004LL);
    EXPECT_EQ(rs->AbsolutePosition(), 1);
}

// The points of the set are those of exactly the records selected, for every
// choice, order, filter and limit: Null points count as 0, equal questions
// each count, a theme with a quote is bound like any other.
TEST_F(Selection, SetPointsAreThoseOfTheSelectedRecordsForEveryOption) {
    add("Hund", {{"T", "Tiere"}, {"Punkte", 3}, {"Known11", 0}, {"FQ1", 50.0}, {"Markiert", true}});
    add("Hund", {{"T", "Tiere"}, {"Punkte", 4}, {"Known11", 1}, {"Known12", 0}, {"FQ1", 50.0}});
    add("Katze", {{"T", "tiere"}, {"Punkte", QVariant()}, {"Known11", 0}, {"Kategorie", "Nomen"}});
    add("rot", {{"T", "Far'ben"}, {"Punkte", 7}, {"Known11", 1}, {"Known12", 1}, {"Markiert", true}});
    add("gehen", {{"T", "Verben"}, {"Punkte", 11}, {"Kategorie", "Verb"}, {"FQ1", 10.0}});
    for (int auswahl = 0; auswahl <= 3; ++auswahl)
        for (int order = 0; order <= 1; ++order)
            for (int known = 0; known <= 1; ++known)
                for (int limit : {0, 1, 3}) {
                    SelectionOptions o;
                    o.Auswahl = auswahl;
                    o.AuswahlThema = auswahl == 2 && order == 1 ? "Far'ben" : "Tiere";
                    o.AuswahlKategorie = "Nomen";
                    o.Abfragereihenfolge = order;
                    o.DontAskTheKnown = known == 1;
                    o.KnownWieOft = 2;
                    o.bTestMaxFragen = limit > 0;
                    o.TestMaxFragen = limit;
                    const SelectOutcome out = select(o);
                    if (out != SelectOutcome::Ready) continue;
                    EXPECT_EQ(st.SetPoints, SumPunkte(*dataTest))
                        << auswahl << " " << order << " " << known << " " << limit;
                }
    SelectionOptions all;
    ASSERT_EQ(select(all), SelectOutcome::Ready);
    EXPECT_EQ(st.SetPoints, 3 + 4 + 7 + 11);
}

// A selection reads its items once: the points come with them, not from a
// second pass over the same rows.
TEST_F(Selection, ASelectionReadsTheItemsOnce) {
    if (bytesRead() < 0) GTEST_SKIP() << "no /proc/self/io";
    // Far more rows than SQLite keeps in memory, so that every pass reads
    // the file again.
    add("first", {{"T", "Tiere"}, {"Markiert", true}, {"Punkte", 3}});
    for (int i = 1; i <= 9; ++i)
        db->Execute(QString("UPDATE VOK SET A%1 = ?").arg(i), {QString(200, QChar('a' + i))});
    for (int doubling = 0; doubling < 12; ++doubling)
        db->Execute(
            "INSERT INTO VOK (Q, A1, A2, A3, A4, A5, A6, A7, A8, A9, T, Markiert, Punkte, FQ1) "
            "SELECT Q, A1, A2, A3, A4, A5, A6, A7, A8, A9, IIF(rowid % 3 = 0, 'Sport', T), "
            "rowid % 2 = 0, Punkte + rowid % 5, rowid % 101 FROM VOK");
    ASSERT_EQ(db->OpenRecordset("VOK")->RecordCount(), 4096);
    SelectionOptions all;
    all.Abfragereihenfolge = 0;
    SelectionOptions theme = all;
    theme.Auswahl = 2;
    theme.AuswahlThema = "tiere";
    SelectionOptions marked = sequential();
    marked.Auswahl = 1;
    for (const SelectionOptions& o : {all, theme, marked}) {
        ASSERT_EQ(select(o), SelectOutcome::Ready);
        const SelectionQuery q = BuildSelectionQuery(o, 1, false);
        qint64 start = bytesRead();
        db->OpenRecordset(q.sql, dao::dbOpenDynaset, q.params);
        const qint64 onePass = bytesRead() - start;
        ASSERT_GT(onePass, 2'000'000) << q.sql.toStdString();
        start = bytesRead();
        ASSERT_EQ(select(o), SelectOutcome::Ready);
        EXPECT_LT(bytesRead() - start, onePass * 3 / 2) << q.sql.toStdString();
    }
}

// The points are those of the items the test asks, even when another writer
// adds an item or changes points while the selection runs (here while it
// shuffles).
TEST_F(Selection, PointsAreThoseOfTheSelectedItemsWhenTheTableChangesMeanwhile) {
    add("a", {{"Punkte", 1}});
    add("b", {{"Punkte", 2}});
    struct WritingWhileShuffling : wktest::ScriptedInteraction {
        std::function<void()> write;
        double Rnd() override {
            if (write) std::exchange(write, {})();
            return ScriptedInteraction::Rnd();
        }
    } writer;
    writer.write = [&] {
        add("late", {{"Punkte", 50}});
        db->Execute("UPDATE VOK SET Punkte = 10 WHERE Q = 'a'");
    };
    wktest::InteractionGuard guard(writer);
    SelectionOptions o;
    o.Abfragereihenfolge = 0;
    ASSERT_EQ(select(o), SelectOutcome::Ready);
    EXPECT_FALSE(writer.write);
    EXPECT_EQ(dataTest->RecordCount(), 2);
    EXPECT_EQ(st.SetPoints, 12);
}
