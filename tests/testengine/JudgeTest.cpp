// Judging and the statistics it writes, over a real vocabulary database and
// a real USER.MDB.

#include <sqlite3.h>
#include <QFile>
#include <QProcess>
#include <cmath>

#include "EngineFixture.h"
#include "core/modMain.h"
#include "testengine/Judge.h"
#include "testengine/Presenting.h"
#include "testengine/Selection.h"
#include "testengine/Statistics.h"

using namespace testengine;

namespace {

class Judging : public enginetest::EngineDB {
protected:
    TestState st;
    JudgeOptions opt;
    dao::RecordsetPtr rs;
    int slot = 1;

    void SetUp() override {
        EngineDB::SetUp();
        st.TestFinished = false;
        st.TestActive = true;
        st.MaxTries = 1;
        opt.SekundenZeitlimit = 12;
    }

    // Puts the item on screen as presenting does.
    void present(const QString& q, bool reversed = false) {
        rs = item(q);
        st.ItemTyp = rs->Value("Typ").toInt();
        if (!st.IsAskAgain) st.AnsweredWrong = false;
        PrepareItem(st, *rs, reversed);
    }

    Judgement answer(const QStringList& boxes, dao::Recordset* usr = nullptr) {
        JudgeInput in;
        in.boxes = boxes;
        in.questionCaption = rs->Value("Q").toString();
        return Judge(st, *rs, usr ? usr : user.get(), slot, opt, in);
    }

    Judgement choose(std::function<int(int)> ticks, std::function<bool(int)> picks) {
        JudgeInput in;
        in.checkValue = std::move(ticks);
        in.optionSelected = std::move(picks);
        in.questionCaption = rs->Value("Q").toString();
        return Judge(st, *rs, user.get(), slot, opt, in);
    }

    QList<int> known(const QString& q, int u = 1) {
        auto r = item(q);
        QList<int> k;
        for (int i = 1; i <= 6; ++i) k << r->Value(QString("Known%1%2").arg(u).arg(i)).toInt();
        return k;
    }
    qint64 num(const QString& q, const QString& field) { return value(q, field).toLongLong(); }
};

}  // namespace

TEST_F(Judging, RightAtTheFirstTryCountsEverything) {
    add("Hund", {{"A1", "dog"},
                 {"Punkte", 4},
                 {"Known11", 0},
                 {"Known12", 1},
                 {"Known13", 0},
                 {"Known14", 1},
                 {"Known15", 0},
                 {"Known16", 1}});
    present("Hund");
    auto j = answer({"dog"});
    EXPECT_EQ(j.step, JudgeStep::Completed);
    EXPECT_EQ(j.verdict, Verdict::Right);
    EXPECT_TRUE(j.counted);
    EXPECT_TRUE(j.playRightSound);
    EXPECT_FALSE(j.playWrongSound);
    EXPECT_EQ(st.AskedCount, 1);
    EXPECT_EQ(st.RightCount, 1);
    EXPECT_EQ(st.WrongCount, 0);
    EXPECT_EQ(st.PointsScored, 4);
    EXPECT_FALSE(st.QuestionOpen);

    EXPECT_EQ(num("Hund", "AA1"), 1);
    EXPECT_EQ(num("Hund", "AR1"), 1);
    EXPECT_EQ(num("Hund", "AF1"), 0);
    EXPECT_EQ(value("Hund", "FQ1").toDouble(), 0.0);
    EXPECT_EQ(value("Hund", "ZuletztGelerntAm").toDateTime(), QDateTime(QDate(2026, 12, 7), QTime(10, 30)));
    // The history moves one place older; Known16 is lost.
    EXPECT_EQ(known("Hund"), (QList<int>{1, 0, 1, 0, 1, 0}));
    EXPECT_EQ(userTotal("AnzFr"), 1);
    EXPECT_EQ(userTotal("AnzR"), 1);
    EXPECT_EQ(userTotal("AnzF"), 0);
}

TEST_F(Judging, TwoWrongTriesThenRightCountOnceAsWrong) {
    add("Katze", {{"A1", "cat"}, {"Punkte", 2}});
    st.MaxTries = 3;
    present("Katze");
    auto j = answer({"Cat"});
    EXPECT_EQ(j.step, JudgeStep::Retry);
    EXPECT_TRUE(j.playWrongSound);
    EXPECT_EQ(j.failingBox, 1);
    EXPECT_TRUE(j.counted);
    EXPECT_EQ(st.TryNumber, 2);
    EXPECT_TRUE(st.AnsweredWrong);
    EXPECT_TRUE(st.QuestionOpen);
    EXPECT_EQ(st.ItemSecondsLeft, 12);
    j = answer({" cat"});
    EXPECT_EQ(j.step, JudgeStep::Retry);
    EXPECT_TRUE(j.playWrongSound);
    EXPECT_FALSE(j.counted);
    EXPECT_EQ(st.TryNumber, 3);
    j = answer({"cat"});
    EXPECT_EQ(j.step, JudgeStep::Completed);
    EXPECT_EQ(j.verdict, Verdict::Right);
    EXPECT_FALSE(j.playRightSound);  // a right answer that is not counted plays nothing

    EXPECT_EQ(st.AskedCount, 1);
    EXPECT_EQ(st.WrongCount, 1);
    EXPECT_EQ(st.RightCount, 0);
    EXPECT_EQ(st.PointsScored, 0);
    EXPECT_EQ(st.WrongQuestions, (QStringList{QString(), "Katze"}));
    EXPECT_EQ(num("Katze", "AA1"), 1);
    EXPECT_EQ(num("Katze", "AF1"), 1);
    EXPECT_EQ(num("Katze", "AR1"), 0);
    EXPECT_EQ(value("Katze", "FQ1").toDouble(), 100.0);
    EXPECT_EQ(known("Katze").mid(0, 3), (QList<int>{1, 0, 0}));
    EXPECT_EQ(userTotal("AnzFr"), 1);
    EXPECT_EQ(userTotal("AnzF"), 1);
    EXPECT_EQ(userTotal("AnzR"), 0);
    EXPECT_EQ(j.testErrorPercent, 100.0);
}

TEST_F(Judging, OutOfTriesCompletesWrong) {
    add("Maus", {{"A1", "mouse"}, {"Known11", 1}});
    st.MaxTries = 3;
    present("Maus");
    int wrongSounds = 0;
    JudgeStep last{};
    for (int t = 0; t < 3; ++t) {
        auto j = answer({"mice"});
        wrongSounds += j.playWrongSound;
        last = j.step;
    }
    EXPECT_EQ(last, JudgeStep::Completed);
    EXPECT_EQ(wrongSounds, 3);
    EXPECT_EQ(known("Maus").mid(0, 4), (QList<int>{0, 0, 0, 1}));
    EXPECT_EQ(num("Maus", "AA1"), 1);
    EXPECT_EQ(num("Maus", "AF1"), 1);
    // The caption is listed once however often it is wrong.
    EXPECT_EQ(st.WrongQuestions.count("Maus"), 1);
}

TEST_F(Judging, RepeatPassCountsNothingButHistoryAndRate) {
    add("Pferd", {{"A1", "horse"}, {"AA1", 4}, {"AF1", 1}, {"FQ1", 12.5}, {"Punkte", 3}});
    const QDateTime before = value("Pferd", "ZuletztGelerntAm").toDateTime();
    st.RepeatPass = true;
    st.AskedCount = 5;
    st.WrongCount = 1;
    present("Pferd");
    auto j = answer({"horse"});
    EXPECT_EQ(j.step, JudgeStep::Completed);
    EXPECT_FALSE(j.counted);
    EXPECT_FALSE(j.playRightSound);
    EXPECT_EQ(st.AskedCount, 5);
    EXPECT_EQ(st.RightCount, 0);
    EXPECT_EQ(st.PointsScored, 0);
    EXPECT_EQ(num("Pferd", "AA1"), 4);
    EXPECT_EQ(num("Pferd", "AR1"), 0);
    EXPECT_EQ(value("Pferd", "ZuletztGelerntAm").toDateTime(), before);
    EXPECT_EQ(value("Pferd", "FQ1").toDouble(), 25.0);  // rewritten from the counters
    EXPECT_EQ(known("Pferd")[0], 1);
    EXPECT_EQ(userTotal("AnzFr"), 0);
    EXPECT_EQ(j.testErrorPercent, 20.0);

    present("Pferd");
    j = answer({"pony"});
    EXPECT_TRUE(j.playWrongSound);  // the wrong sound plays in the repeat pass too
    EXPECT_EQ(num("Pferd", "AF1"), 1);
    EXPECT_EQ(known("Pferd").mid(0, 2), (QList<int>{0, 1}));
    EXPECT_EQ(st.WrongCount, 1);
    EXPECT_EQ(userTotal("AnzF"), 0);
}

TEST_F(Judging, OnlyTheCurrentSlotIsWritten) {
    add("Vogel", {{"A1", "bird"}, {"Known11", 1}, {"FQ1", 40.0}});
    slot = 2;
    present("Vogel");
    answer({"birds"});
    EXPECT_EQ(num("Vogel", "AA2"), 1);
    EXPECT_EQ(num("Vogel", "AF2"), 1);
    EXPECT_EQ(value("Vogel", "FQ2").toDouble(), 100.0);
    EXPECT_EQ(known("Vogel", 2)[0], 0);
    for (int u : {1, 3, 4, 5}) {
        EXPECT_EQ(num("Vogel", QString("AA%1").arg(u)), 0) << u;
        EXPECT_EQ(num("Vogel", QString("AF%1").arg(u)), 0) << u;
    }
    EXPECT_EQ(known("Vogel", 1), (QList<int>{1, 0, 0, 0, 0, 0}));
    EXPECT_EQ(value("Vogel", "FQ1").toDouble(), 40.0);
}

TEST_F(Judging, ErrorRateNeverDividesByZeroAndNullCountersStartAtZero) {
    add("nie", {{"A1", "never"}});
    add("null",
        {{"A1", "x"}, {"AA1", QVariant()}, {"AF1", QVariant()}, {"AR1", QVariant()}, {"Punkte", QVariant()}});
    // Judged only in a repeat pass: AA1 stays 0.
    st.RepeatPass = true;
    present("nie");
    answer({"never"});
    EXPECT_EQ(value("nie", "FQ1").toDouble(), 0.0);
    EXPECT_FALSE(std::isnan(value("nie", "FQ1").toDouble()));
    // A rate of an item never counted is left as it stands, so that the item
    // keeps its place in "least known first".
    add("zehn", {{"A1", "ten"}, {"FQ1", 10.0}});
    add("leer", {{"A1", "empty"}, {"FQ1", 10.0}, {"AA1", QVariant()}});
    for (const char* q : {"zehn", "leer"}) {
        present(q);
        answer({q == QString("zehn") ? "ten" : "empty"});
        EXPECT_EQ(value(q, "FQ1").toDouble(), 10.0) << q;
    }

    st.RepeatPass = false;
    present("null");
    auto j = answer({"x"});
    EXPECT_EQ(j.verdict, Verdict::Right);
    EXPECT_EQ(num("null", "AA1"), 1);
    EXPECT_EQ(num("null", "AR1"), 1);
    EXPECT_EQ(value("null", "FQ1").toDouble(), 0.0);
    EXPECT_EQ(st.PointsScored, 0);  // no points, and no error box

    EXPECT_EQ(ErrorPercent(0, 0), 0.0);
    EXPECT_EQ(ErrorPercent(2, 1), 50.0);
    EXPECT_EQ(int(ErrorPercent(97, 97)), 99);  // divided first, as the result panel does
}

TEST_F(Judging, AFailedWriteIsReportedAndTheJudgeGoesOn) {
    add("Fisch", {{"A1", "fish"}});
    // A user record with no current row: every write to it fails, each for
    // the same reason, which is told once.
    auto noUser = users.dbUser->OpenRecordset("SELECT * FROM Benutzer WHERE ID = -1");
    ui.pushMsgBox(forms::vbOK);
    present("Fisch");
    auto j = answer({"fish"}, noUser.get());
    EXPECT_EQ(j.step, JudgeStep::Completed);
    EXPECT_EQ(ui.count(wktest::CallKind::MsgBox), 1);
    EXPECT_EQ(ui.last(wktest::CallKind::MsgBox).title, "re51");
    EXPECT_TRUE(ui.last(wktest::CallKind::MsgBox).prompt.contains("3021"));
    EXPECT_EQ(num("Fisch", "AA1"), 1);
    EXPECT_EQ(num("Fisch", "AR1"), 1);
    EXPECT_EQ(known("Fisch")[0], 1);
    EXPECT_EQ(st.RightCount, 1);
    EXPECT_EQ(noUser->EditMode(), dao::dbEditNone);
}

namespace {

// A value as another program reads it: what is committed, nothing pending.
qint64 committed(const QString& path, const char* sql) {
    sqlite3* other = nullptr;
    qint64 v = -1;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &other, SQLITE_OPEN_READONLY, nullptr) ==
        SQLITE_OK) {
        sqlite3_busy_timeout(other, 5000);
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(other, sql, -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
            v = sqlite3_column_int64(st, 0);
        sqlite3_finalize(st);
    }
    sqlite3_close(other);
    return v;
}

}  // namespace

// A judgement's writes to the item and to the user's totals are one
// transaction, its commit paid once: midway another program sees none of
// them, afterwards all.
TEST_F(Judging, AJudgementReachesTheFilesAsAWhole) {
    add("eine", {{"Typ", 1}, {"A1", "a"}, {"A2", "b"}, {"RA2", 1}});
    present("eine");
    qint64 itemMidway = -1, userMidway = -1;
    const auto j = choose({}, [&](int i) {
        if (i == 1) {
            itemMidway = committed(db->Name(), "SELECT AA1 FROM VOK WHERE Q = 'eine'");
            userMidway = committed(users.dbUser->Name(), "SELECT AnzFr FROM Benutzer WHERE ID = 1");
        }
        return i == 2;
    });
    EXPECT_EQ(j.verdict, Verdict::Right);
    EXPECT_EQ(itemMidway, 0);
    EXPECT_EQ(userMidway, 0);
    EXPECT_EQ(committed(db->Name(), "SELECT AA1 + AR1 + Known11 FROM VOK WHERE Q = 'eine'"), 3);
    EXPECT_EQ(committed(users.dbUser->Name(), "SELECT AnzFr + AnzR FROM Benutzer WHERE ID = 1"), 2);
    EXPECT_EQ(dao::DBEngine::Workspaces(0).TransactionDepth(), 0);
}

// Another program holds the vocabulary file for writing when an answer is
// judged, and commits new counts while the judge waits for the file: the
// judge counts on from those. Alone, in a repeat pass of an item without
// answer controls, the error rate is all it writes.
TEST_F(Judging, CountsGoOnFromWhatAnotherProgramCommittedWhileTheJudgeWaited) {
    for (const bool repeatPass : {true, false}) {
        SCOPED_TRACE(repeatPass ? "the error rate alone" : "an answer counted");
        const QString q = "Bild " + QString::number(repeatPass);
        add(q, {{"Typ", 7}, {"A1", "x"}, {"AA1", 2}, {"AF1", 1}});
        present(q);
        st.RepeatPass = repeatPass;
        EXPECT_EQ(rs->Value("AA1").toInt(), 2);
        QProcess other;
        other.start("sqlite3", {"-cmd", ".timeout 20000", db->Name()});
        other.write("BEGIN IMMEDIATE; UPDATE VOK SET AA1 = 4, AF1 = 3 WHERE Q = '" + q.toUtf8() +
                    "'; SELECT 'ready';\n.shell sleep 1\nCOMMIT;\n.quit\n");
        ASSERT_TRUE(other.waitForReadyRead(20000));
        EXPECT_EQ(answer({"x"}).step, JudgeStep::Completed);
        ASSERT_TRUE(other.state() == QProcess::NotRunning || other.waitForFinished(20000));
        EXPECT_EQ(QString("%1 %2 %3").arg(num(q, "AA1")).arg(num(q, "AF1")).arg(value(q, "FQ1").toDouble()),
                  repeatPass ? "4 3 75" : "5 3 60");  // AA1 AF1 FQ1
        EXPECT_EQ(ui.count(wktest::CallKind::MsgBox), 0);
    }
}

TEST_F(Judging, AFinishedTestJudgesNothing) {
    add("Ende", {{"A1", "end"}});
    present("Ende");
    st.TestFinished = true;
    auto j = answer({"end"});
    EXPECT_EQ(j.step, JudgeStep::Ignored);
    EXPECT_EQ(st.AskedCount, 0);
    EXPECT_TRUE(st.QuestionOpen);
    EXPECT_EQ(num("Ende", "AA1"), 0);
    EXPECT_EQ(known("Ende")[0], 0);
}

TEST_F(Judging, ItemsWithoutAnswerControlsCompleteUnjudged) {
    add("Bild", {{"Typ", 7}, {"A1", "x"}});
    add("leer", {{"AskAllItems", 1}});
    for (const char* q : {"Bild", "leer"}) {
        present(q);
        auto j = answer({"x"});
        EXPECT_EQ(j.step, JudgeStep::Completed) << q;
        EXPECT_EQ(j.verdict, Verdict::None) << q;
        EXPECT_FALSE(j.playRightSound || j.playWrongSound);
        EXPECT_EQ(num(q, "AA1"), 1) << q;
        EXPECT_EQ(known(q)[0], 0) << q;  // no history without a verdict
    }
    EXPECT_EQ(st.Test_WievieleAntwortFelder, 0);
    EXPECT_EQ(st.AskedCount, 2);
    EXPECT_EQ(st.RightCount + st.WrongCount, 0);
}

TEST_F(Judging, SingleBoxWithoutAcceptedAnswerIsAlwaysWrong) {
    add("nichts");
    present("nichts");
    EXPECT_EQ(answer({""}).verdict, Verdict::Wrong);
}

TEST_F(Judging, AnItemWithoutAnswerIsNeitherResolvedNorRetried) {
    // Nothing could ever be right: the judgement ends the item, whatever the
    // options say about wrong answers.
    add("nichts");
    for (const bool resolve : {true, false}) {
        SCOPED_TRACE(resolve);
        opt.BegriffAufloesen = resolve;
        st.MaxTries = 3;
        present("nichts");
        const auto j = answer({""});
        EXPECT_EQ(j.verdict, Verdict::Wrong);
        EXPECT_EQ(j.step, JudgeStep::Completed);
        EXPECT_FALSE(st.QuestionOpen);
        EXPECT_FALSE(st.WasResolved);
        EXPECT_FALSE(st.IsAskAgain);
    }
}

TEST_F(Judging, CaseIsIgnoredOnlyWhenAsked) {
    add("Straße", {{"A1", "street;Straße"}});
    present("Straße");
    opt.GKignorieren = false;
    st.MaxTries = 2;
    EXPECT_EQ(answer({"STREET"}).verdict, Verdict::Wrong);
    opt.GKignorieren = true;
    EXPECT_EQ(answer({"STREET"}).verdict, Verdict::Right);
    present("Straße");
    EXPECT_EQ(answer({"STRASSE"}).verdict, Verdict::Wrong);
}

TEST_F(Judging, SeveralBoxesAnyOrderAndInOrder) {
    add("Farben", {{"A1", "rot"}, {"A2", "grün"}, {"A3", "blau"}, {"AskAllItems", 1}});
    add("Zahlen", {{"A1", "eins"}, {"A2", "zwei"}, {"AskAllItems", 1}, {"MindTheOrder", 1}});
    st.MaxTries = 2;
    opt.GKignorieren = true;
    present("Farben");
    EXPECT_EQ(st.Test_WievieleAntwortFelder, 3);
    auto j = answer({"blau", "ROT", "Blau"});
    EXPECT_EQ(j.step, JudgeStep::Retry);
    EXPECT_EQ(j.failingBox, 3);
    EXPECT_EQ(j.greenBoxes, (QList<int>{1, 2}));
    j = answer({"blau", "ROT", "grün"});
    EXPECT_EQ(j.verdict, Verdict::Right);

    present("Zahlen");
    j = answer({"zwei", "eins"});
    EXPECT_EQ(j.failingBox, 1);
    j = answer({"EINS", "zwei"});
    EXPECT_EQ(j.verdict, Verdict::Right);
    EXPECT_EQ(j.greenBoxes, (QList<int>{1, 2}));
}

TEST_F(Judging, ChoiceItems) {
    add("eine", {{"Typ", 1}, {"A1", "a"}, {"A2", "b"}, {"RA2", 1}, {"Punkte", 2}});
    add("zwei", {{"Typ", 1}, {"A1", "a"}, {"A2", "b"}, {"A3", "c"}, {"RA1", 1}, {"RA3", 1}});
    st.MaxTries = 2;
    present("eine");
    auto j = choose({}, [](int i) { return i == 1; });
    EXPECT_EQ(j.step, JudgeStep::Retry);
    EXPECT_EQ(j.failingBox, 1);
    j = choose({}, [](int i) { return i == 2; });
    EXPECT_EQ(j.verdict, Verdict::Right);
    EXPECT_EQ(st.PointsScored, 0);  // right only at the second try

    present("zwei");
    EXPECT_EQ(st.Test_WievieleAntwortFelder, 3);
    j = choose([](int i) { return i == 1 || i == 3 ? 1 : 0; }, {});
    EXPECT_EQ(j.verdict, Verdict::Right);
    EXPECT_TRUE(j.playRightSound);
    EXPECT_EQ(known("zwei")[0], 1);
}

// A whole test driven as the form drives it: select, present, judge.
class JudgingTest : public Judging {
protected:
    dao::RecordsetPtr dataTest;

    void start() {
        SelectionOptions o;
        o.Abfragereihenfolge = 1;
        ASSERT_EQ(SelectTestItems(st, *db, *rsOptions, o, 1, false, dataTest), SelectOutcome::Ready);
        st.TestFinished = false;
    }
    // Presents the next item; false at the end of the test.
    bool next() {
        if (!AdvanceToNextItem(st, *dataTest, false)) return false;
        rs = dataTest;
        PrepareItem(st, *rs, false);
        return true;
    }
    QString shown() { return rs->Value("Q").toString(); }
};

TEST_F(JudgingTest, ResolvedSingleBoxIsAskedAgainAndCountedOnce) {
    add("a", {{
                  "A1",
                  "eins",
              },
              {"Explanation", "Zahl"},
              {"FQ1", 50.0},
              {"Punkte", 5}});
    add("b", {{"A1", "zwei"}});
    setOption("AnzahlVersuche", 3);
    opt.BegriffAufloesen = true;
    opt.NochmalFragen = true;
    start();
    ASSERT_TRUE(next());
    ASSERT_EQ(shown(), "a");

    auto j = answer({"one"});
    EXPECT_EQ(j.step, JudgeStep::Resolved);  // at once, whatever the tries
    EXPECT_EQ(j.explanation, "Zahl");
    EXPECT_TRUE(st.WasResolved && st.AnsweredWrong && st.IsAskAgain && st.QuestionOpen);
    EXPECT_EQ(st.CurrentIndex, -1);
    EXPECT_EQ(SolutionText(st.ExpectedAnswers), "eins");
    EXPECT_FALSE(ShowSolutionList(st.ExpectedAnswers));

    // The user changes the filled-in answer to a wrong one: resolved again,
    // but the order steps back only once.
    j = answer({"eins?"});
    EXPECT_EQ(j.step, JudgeStep::Resolved);
    EXPECT_FALSE(j.counted);
    EXPECT_EQ(st.CurrentIndex, -1);

    // Confirming the filled-in answer: no sound, no points, a 0 in the history.
    j = answer({st.ExpectedAnswers[1]});
    EXPECT_EQ(j.step, JudgeStep::Completed);
    EXPECT_FALSE(j.playRightSound);
    EXPECT_FALSE(st.WasResolved);
    EXPECT_TRUE(st.IsAskAgain);

    // The same item comes again and counts nothing.
    ASSERT_TRUE(next());
    EXPECT_EQ(shown(), "a");
    EXPECT_TRUE(st.AnsweredWrong);
    j = answer({"eins"});
    EXPECT_EQ(j.verdict, Verdict::Right);
    EXPECT_FALSE(j.counted);
    EXPECT_FALSE(st.IsAskAgain);

    ASSERT_TRUE(next());
    EXPECT_EQ(shown(), "b");
    EXPECT_FALSE(st.AnsweredWrong);
    j = answer({"zwei"});
    EXPECT_TRUE(j.counted);
    EXPECT_FALSE(next());
    EXPECT_EQ(st.CurrentIndex, 1);

    EXPECT_EQ(st.AskedCount, 2);
    EXPECT_EQ(st.WrongCount, 1);
    EXPECT_EQ(st.RightCount, 1);
    EXPECT_EQ(st.PointsScored, 0);
    EXPECT_EQ(st.SetPoints, 5);
    EXPECT_EQ(num("a", "AA1"), 1);
    EXPECT_EQ(num("a", "AF1"), 1);
    EXPECT_EQ(num("a", "AR1"), 0);
    // Wrong, wrong again, confirmation, right when asked again: 0 0 0 0.
    EXPECT_EQ(known("a").mid(0, 4), (QList<int>{0, 0, 0, 0}));
    EXPECT_EQ(value("a", "FQ1").toDouble(), 100.0);
    EXPECT_EQ(known("b")[0], 1);
    EXPECT_EQ(value("b", "FQ1").toDouble(), 0.0);
}

TEST_F(JudgingTest, ResolvedBoxesStepBackAtTheConfirmation) {
    add("a", {{"A1", "x"}, {"A2", "y"}, {"AskAllItems", 1}});
    add("b", {{"A1", "z"}});
    opt.BegriffAufloesen = true;
    opt.NochmalFragen = true;
    start();
    ASSERT_TRUE(next());
    auto j = answer({"x", "x"});
    EXPECT_EQ(j.step, JudgeStep::Resolved);
    EXPECT_EQ(j.failingBox, 2);
    EXPECT_EQ(j.explanation, "");
    EXPECT_EQ(st.CurrentIndex, 0);
    j = answer({"x", "y"});
    EXPECT_EQ(j.step, JudgeStep::Completed);
    EXPECT_EQ(st.CurrentIndex, -1);
    EXPECT_TRUE(st.IsAskAgain);
    ASSERT_TRUE(next());
    EXPECT_EQ(shown(), "a");
    j = answer({"y", "x"});
    EXPECT_EQ(j.verdict, Verdict::Right);
    EXPECT_FALSE(st.IsAskAgain);
    EXPECT_EQ(st.CurrentIndex, 0);
    ASSERT_TRUE(next());
    EXPECT_EQ(shown(), "b");

    // Without NochmalFragen a resolved item is not asked again.
    opt.NochmalFragen = false;
    j = answer({"?"});
    EXPECT_EQ(j.step, JudgeStep::Resolved);
    EXPECT_EQ(st.CurrentIndex, 1);
    j = answer({"z"});
    EXPECT_FALSE(st.IsAskAgain);
    EXPECT_FALSE(next());
}

TEST_F(JudgingTest, SolutionListAndTip) {
    add("a", {{"A1", "eins; one"}, {"A2", "1"}, {"Tip", "Zahl"}});
    add("b", {{"A1", "zwei"}});
    start();
    ASSERT_TRUE(next());
    EXPECT_EQ(SolutionText(st.ExpectedAnswers), "eins, one, 1");
    EXPECT_TRUE(ShowSolutionList(st.ExpectedAnswers));
    auto tip = ItemTip(*rs);
    EXPECT_EQ(tip.text, "Zahl");
    EXPECT_TRUE(tip.enabled);
    ASSERT_TRUE(next());
    tip = ItemTip(*rs);
    EXPECT_EQ(tip.text, modMain::GetText(710));
    EXPECT_FALSE(tip.enabled);
}

TEST_F(JudgingTest, StopEndsTheTestAtOnce) {
    add("a", {{"A1", "x"}});
    add("b", {{"A1", "y"}});
    start();
    ASSERT_TRUE(next());
    EXPECT_FALSE(AdvanceToNextItem(st, *dataTest, true));
    EXPECT_EQ(st.CurrentIndex, 0);
}

TEST_F(Judging, OptionsAreReadAsFlags) {
    setOption("GKignorieren", 1);
    setOption("BegriffAufloesen", 2);
    setOption("NochmalFragen", 1);
    setOption("SekundenZeitlimit", 9);
    auto o = ReadJudgeOptions(*rsOptions);
    EXPECT_TRUE(o.GKignorieren);
    EXPECT_FALSE(o.BegriffAufloesen);
    EXPECT_TRUE(o.NochmalFragen);
    EXPECT_EQ(o.SekundenZeitlimit, 9);
    setOption("GKignorieren", QVariant());
    EXPECT_FALSE(ReadJudgeOptions(*rsOptions).GKignorieren);
}
