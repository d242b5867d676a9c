// Whole tests run through the main window's handlers over real databases:
// start, presenting, the answer inputs, the judge's form side, cancel.
#include <QAbstractButton>
#include <QApplication>
#include <QKeySequence>
#include <QListWidget>
#include <QMouseEvent>
#include <QProcess>
#include <QTextDocument>

#include "mainwindow/TestScreen.h"
#include "support/Access.h"
#include "testengine/ScreenFixture.h"
#include "vocabdb/modExit.h"

using namespace screentest;
using wktest::CallKind;

namespace {

constexpr quint32 kGreen = 0x80FF80;
constexpr quint32 kWhite = 0xFFFFFF;
constexpr quint32 kRed = 0xAAAAFF;

class TestScreen : public Screen {
protected:
    void answerWhileHeld(bool atUsers, const char* hold, const char* items, const char* totals);
};

TEST_F(TestScreen, EmptySelectionShows5035AndLeavesTheTestScreen) {
    item("Haus", {{"A1", "house"}});
    item("Hund", {{"A1", "dog"}});
    option("Auswahl", 1);  // marked items only; none is marked
    open();
    ui.pushMsgBox(forms::vbOK);
    m().imgBarStartTest_Click();

    const auto& box = ui.last(CallKind::MsgBox);
    EXPECT_EQ(box.prompt, "With the current settings no words are selected.");
    EXPECT_EQ(box.style, forms::vbOKOnly | forms::vbInformation);
    EXPECT_FALSE(m().TestActive);
    EXPECT_TRUE(st().TestFinished);
    EXPECT_TRUE(m().fraMainBar->isVisibleTo(&m()));
    EXPECT_FALSE(m().fraAbfrage->isVisibleTo(&m()));
    EXPECT_FALSE(m().fraTestBar->isVisibleTo(&m()));
    EXPECT_EQ(m().lblBCount->text(), "2 Questions");
}

TEST_F(TestScreen, EveryControlIsReachedByTabAndNamed) {
    item("Haus", {{"A1", "house"}});
    open();
    m().imgBarStartTest_Click();
    ASSERT_TRUE(m().TestActive);
    EXPECT_EQ(wktest::missedByTab(m().txtTestA(1), {"imgTestBarSolve", "imgTestBarSound", "imgTestBarCancel",
                                                    "chkShowUmlaute"}),
              QStringList());
    EXPECT_EQ(wktest::unnamedControls(&m()), QStringList());
}

TEST_F(TestScreen, StartNeedsAnOpenDatabaseWithItems) {
    open();  // no items
    m().imgBarStartTest_Click();
    EXPECT_EQ(ui.count(CallKind::MsgBox), 0);
    EXPECT_FALSE(m().TestActive);
    EXPECT_FALSE(m().fraAbfrage->isVisibleTo(&m()));
}

TEST_F(TestScreen, TypedTestEndsOnTheResultWithPointsAndGrade) {
    item("Haus", {{"A1", "house"}, {"Punkte", 3}});
    item("Hund", {{"A1", "dog"}, {"Punkte", 2}});
    item("Katze", {{"A1", "cat"}, {"Punkte", 5}});
    option("BegriffAufloesen", 0);
    option("AnzahlVersuche", 2);
    option("FalscheNochmal", 0);
    option("ZaehlePunkte", 1);
    option("Punktebewertung", 1);
    option("BewertungP2", 2);
    option("BewertungP3", 5);
    for (int j = 4; j <= 8; ++j) option("BewertungP" + QString::number(j), 100 + j);
    option("Bewertung1", "poor");
    option("Bewertung2", "fair");
    option("Bewertung3", "good");
    open();
    m().imgBarStartTest_Click();

    ASSERT_TRUE(m().TestActive);
    EXPECT_FALSE(m().fraMainBar->isVisibleTo(&m()));
    EXPECT_TRUE(m().fraAbfrage->isVisibleTo(&m()));
    EXPECT_TRUE(m().fraTestBar->isVisibleTo(&m()));
    EXPECT_EQ(question(), "Haus");
    EXPECT_EQ(m().lblTestXvonX->text(), "1 / 3");
    EXPECT_EQ(m().lblBCount->text(), "Try 1 of 2");
    EXPECT_TRUE(m().txtTestA(1)->isVisibleTo(&m()));
    EXPECT_FALSE(m().txtTestA(2)->isVisibleTo(&m()));

    // Letter case is ignored by default; the live check submits by itself.
    type(1, "HOUSE");
    EXPECT_EQ(question(), "Hund");
    EXPECT_EQ(st().RightCount, 1);

    // A wrong try, then the right answer: counted once, as wrong.
    type(1, "dgo");
    EXPECT_EQ(question(), "Hund");
    solve();
    EXPECT_EQ(question(), "Hund");
    EXPECT_EQ(st().TryNumber, 2);
    EXPECT_EQ(m().lblBCount->text(), "Try 2 of 2");
    EXPECT_EQ(m().txtTestA(1)->text(), "");
    EXPECT_EQ(colour(m().txtTestA(1)), kWhite);
    EXPECT_TRUE(st().QuestionOpen);
    type(1, "dog");
    EXPECT_EQ(question(), "Katze");
    EXPECT_EQ(m().lblTestXvonX->text(), "3 / 3");

    // Two wrong tries end the item.
    type(1, "x");
    solve();
    type(1, "y");
    solve();

    EXPECT_TRUE(st().TestFinished);
    EXPECT_TRUE(m().TestActive);
    EXPECT_TRUE(m().fraTestBewertung->isVisibleTo(&m()));
    EXPECT_EQ(m().lblTestBR->text(), "1");
    EXPECT_EQ(m().lblTestBF->text(), "2");
    EXPECT_EQ(m().lblTestBPunktzahl->text(), "3 of 10");
    EXPECT_TRUE(m().lblTestBPunktzahl->isVisibleTo(&m()));
    EXPECT_EQ(m().lblTestBBewertung->text(), "fair");
    EXPECT_TRUE(m().lblTestBBewertung->isVisibleTo(&m()));
    ASSERT_EQ(m().lstTestWrongWords->count(), 2);
    EXPECT_EQ(m().lstTestWrongWords->item(0)->text(), "Hund");
    EXPECT_EQ(m().lstTestWrongWords->item(1)->text(), "Katze");
    EXPECT_TRUE(m().lstTestWrongWords->isEnabled());
    // 100 / 3 * 2 = 66 per cent.
    EXPECT_EQ(m().imgS->property("GradeKey").toString(), "Five");
    EXPECT_EQ(m().imgS->pictureKey(), ":/testengine/grade_five.png");

    // The statistics were written item by item.
    EXPECT_EQ(stored("Hund", "AA1").toInt(), 1);
    EXPECT_EQ(stored("Hund", "AF1").toInt(), 1);
    EXPECT_EQ(stored("Haus", "AR1").toInt(), 1);
    EXPECT_EQ(stored("Katze", "AF1").toInt(), 1);

    // Once finished, the Solve button and the panel clicks do nothing.
    solve();
    EXPECT_EQ(st().AskedCount, 3);

    // Esc or Cancel still leaves the result.
    m().imgTestBarCancel_Click();
    EXPECT_FALSE(m().TestActive);
    EXPECT_TRUE(m().fraMainBar->isVisibleTo(&m()));
    EXPECT_EQ(m().lblBDBName->text(), "TEST");
    EXPECT_EQ(m().lblBCount->text(), "3 Questions");
}

TEST_F(TestScreen, GradeIsLeftOutWhenTheTestCoveredOnlySomeItems) {
    item("Haus", {{"A1", "house"}, {"Punkte", 3}, {"Markiert", true}});
    item("Hund", {{"A1", "dog"}, {"Punkte", 2}});
    option("Auswahl", 1);
    option("Punktebewertung", 1);
    option("ZaehlePunkte", 0);
    option("Bewertung1", "poor");
    option("FalscheNochmal", 0);
    open();
    m().imgBarStartTest_Click();
    type(1, "house");
    ASSERT_TRUE(st().TestFinished);
    EXPECT_FALSE(m().lblTestBBewertung->isVisibleTo(&m()));
    EXPECT_FALSE(m().lblTestBPunktzahl->isVisibleTo(&m()));
    EXPECT_EQ(m().lblTestBWrongWords->y(), mainwindow::px(1200));
    EXPECT_EQ(m().lstTestWrongWords->y(), mainwindow::px(1440));
    EXPECT_EQ(m().lstTestWrongWords->count(), 0);
    EXPECT_FALSE(m().lstTestWrongWords->isEnabled());
    EXPECT_EQ(colour(m().lstTestWrongWords), 0xE0E0E0u);
    EXPECT_EQ(m().imgS->property("GradeKey").toString(), "Best");
}

TEST_F(TestScreen, WithoutResultTheScreenIsLeftAtOnce) {
    item("Haus", {{"A1", "house"}});
    option("ZeigeBewertung", 0);
    open();
    m().imgBarStartTest_Click();
    type(1, "house");
    EXPECT_FALSE(m().TestActive);
    EXPECT_TRUE(st().TestFinished);
    EXPECT_TRUE(m().fraMainBar->isVisibleTo(&m()));
    EXPECT_TRUE(m().fraOverview1->isVisibleTo(&m()));
}

TEST_F(TestScreen, WrongAnswerShowsTheSolutionAndTheExplanation) {
    item("Hund", {{"A1", "dog; hound"}, {"Explanation", "a pet"}, {"Punkte", 4}});
    item("Katze", {{"A1", "cat"}});
    option("NochmalFragen", 0);
    option("FalscheNochmal", 0);
    open();
    m().imgBarStartTest_Click();

    ui.pushModal([](QWidget& w) {
        auto& hint = static_cast<testengine::frmHint&>(w);
        EXPECT_EQ(hint.windowTitle(), "Explanation");
        EXPECT_EQ(hint.Label1->text(), "a pet");
        EXPECT_TRUE(hint.Label1->isEnabled());
        EXPECT_EQ(hint.cmdOK->text(), "&Close");
        hint.cmdOK->click();
    });
    type(1, "cat");
    solve();

    EXPECT_EQ(question(), "Hund");
    EXPECT_TRUE(st().WasResolved);
    EXPECT_TRUE(st().QuestionOpen);
    EXPECT_EQ(m().txtTestA(1)->text(), "dog");
    EXPECT_EQ(colour(m().txtTestA(1)), kGreen);
    EXPECT_EQ(m().txtTestA(2)->text(), "dog, hound");
    EXPECT_TRUE(m().txtTestA(2)->isVisibleTo(&m()));
    EXPECT_TRUE(m().txtTestA(2)->isReadOnly());
    EXPECT_GT(m().txtTestA(2)->y(), m().txtTestA(1)->y());

    // Confirming the filled-in answer moves on without points.
    solve();
    EXPECT_EQ(question(), "Katze");
    EXPECT_FALSE(m().txtTestA(2)->isVisibleTo(&m()));
    EXPECT_EQ(st().WrongCount, 1);
    EXPECT_EQ(st().RightCount, 0);
    EXPECT_EQ(st().PointsScored, 0);
    EXPECT_EQ(stored("Hund", "Known11").toInt(), 0);
}

TEST_F(TestScreen, SeveralBoxesInAnyOrderAreCheckedWhileTyped) {
    item("Farben", {{"A1", "red"}, {"A2", "blue"}, {"A3", "green"}, {"AskAllItems", 1}});
    option("BegriffAufloesen", 0);
    option("AnzahlVersuche", 2);
    open();
    m().imgBarStartTest_Click();
    ASSERT_EQ(st().Test_WievieleAntwortFelder, 3);
    for (int i = 1; i <= 3; ++i) EXPECT_TRUE(m().txtTestA(i)->isVisibleTo(&m()));

    type(1, "blue");
    EXPECT_EQ(colour(m().txtTestA(1)), kGreen);
    type(2, "blue");  // the same answer twice stays white
    EXPECT_EQ(colour(m().txtTestA(2)), kWhite);
    EXPECT_FALSE(st().TestFinished);

    // A wrong box fails the judgement: only that box turns red and empties.
    type(3, "pink");
    solve();
    EXPECT_EQ(st().TryNumber, 2);
    EXPECT_EQ(m().txtTestA(2)->text(), "");
    EXPECT_EQ(colour(m().txtTestA(2)), kRed);
    EXPECT_EQ(m().txtTestA(1)->text(), "blue");
    EXPECT_EQ(m().txtTestA(3)->text(), "pink");

    type(3, "red");
    EXPECT_FALSE(st().TestFinished);  // box 2 is still open
    type(2, "green");
    EXPECT_FALSE(st().TestFinished);  // box 3 was completed before
    int key = 13;
    m().txtTestA_KeyPress(2, key);
    EXPECT_EQ(key, 0);
    EXPECT_FALSE(st().TestFinished);  // Enter in box 2 of 3 only moves on
    m().txtTestA_KeyPress(3, key = 13);
    EXPECT_TRUE(st().TestFinished);
    EXPECT_EQ(st().WrongCount, 1);
}

// The user's own text is shown as it stands, never as markup: the question
// under its theme, the choices, the tip, the grade text, the list of wrong
// questions and the database's name.
TEST_F(TestScreen, UserTextIsShownAsItStands) {
    const auto asItStands = [](const QLabel* l) {
        return l->textFormat() == Qt::PlainText ||
               (l->textFormat() == Qt::AutoText && !Qt::mightBeRichText(l->text()));
    };
    item("<b>bold</b> tag", {{"Typ", 1},
                             {"A1", "salt & pepper"},
                             {"A2", "<i>no</i>"},
                             {"RA1", 1},
                             {"T", "<u>Küche</u>"},
                             {"Tip", "<i>think</i>"},
                             {"Punkte", 3}});
    option("ZeigeThemaBeiAbfrage", 1);
    option("BegriffAufloesen", 0);
    option("FalscheNochmal", 0);
    option("ZaehlePunkte", 1);
    option("Punktebewertung", 1);
    option("BewertungP2", 2);
    for (int j = 3; j <= 8; ++j) option("BewertungP" + QString::number(j), 100 + j);
    option("Bewertung1", "<b>poor</b>");
    open("<b>kurs.wkd");
    EXPECT_EQ(m().lblBDBName->text(), "<B>KURS");
    EXPECT_TRUE(asItStands(m().lblBDBName));

    m().imgBarStartTest_Click();
    EXPECT_EQ(question(), "<u>Küche</u>\n\n<b>bold</b> tag");
    EXPECT_TRUE(asItStands(m().lblTestQ));
    const QAbstractButton* choice = m().optTestA(1);
    EXPECT_TRUE(QKeySequence::mnemonic(choice->text()).isEmpty()) << "\"&\" is no shortcut here";
    EXPECT_EQ(QString(choice->text()).replace("&&", "&"), "salt & pepper");

    ui.pushModal([&](QWidget& w) {
        auto& hint = static_cast<testengine::frmHint&>(w);
        EXPECT_EQ(hint.Label1->text(), "<i>think</i>");
        EXPECT_TRUE(asItStands(hint.Label1));
        hint.cmdOK->click();
    });
    m().imgTestBarSolve_MouseUp(2, 0, 1, 1);  // the right button asks for the tip

    m().optTestA(2)->setChecked(true);
    solve();  // wrong, and the only try
    ASSERT_TRUE(st().TestFinished);
    EXPECT_EQ(m().lblTestBBewertung->text(), "<b>poor</b>");
    EXPECT_TRUE(asItStands(m().lblTestBBewertung));
    ASSERT_EQ(m().lstTestWrongWords->count(), 1);
    EXPECT_EQ(m().lstTestWrongWords->item(0)->text(), "<u>Küche</u>: <b>bold</b> tag");

    m().imgTestBarCancel_Click();
    EXPECT_EQ(m().lblBDBName->text(), "<B>KURS");
    EXPECT_TRUE(asItStands(m().lblBDBName));
}

// Leaving a test, the overview's rows of the items it asked show what it
// stored: the statistics columns and the error-rate colour at the left
// edge, changed in place (the grid keeps its order and everything else).
TEST_F(TestScreen, LeavingATestShowsWhatItStoredInTheOverview) {
    item("Baum", {{"A1", "tree"}});
    item("Haus", {{"A1", "house"}});
    item("Hund", {{"A1", "dog"}});
    for (const char* shown : {"GridShowAA", "GridShowAR", "GridShowAF", "GridShowFQ"}) option(shown, 1);
    option("BegriffAufloesen", 0);
    option("FalscheNochmal", 0);
    option("bTestMaxFragen", 1);
    option("TestMaxFragen", 2);  // Baum and Haus; Hund is not asked
    open();
    grid::Grid& g = *m().vg1;
    const auto rowOf = [&](const QString& q) {
        for (long r = 1; r <= g.Rows(); ++r)
            if (g.CellText(r, g.ColumnIndex("Q")) == q) return r;
        return 0L;
    };
    const auto cell = [&](const QString& q, const QString& key) {
        return g.CellText(rowOf(q), g.ColumnIndex(key));
    };
    // Sorted by question, last first: rows no longer follow the records.
    while (rowOf("Baum") != 3) m().vg1_ColumnClick(g.ColumnIndex("Q"));
    const long hundColour = g.CellBackColor(rowOf("Hund"), 1);
    g.SetCellBackColor(rowOf("Hund"), g.ColumnIndex("Q"), 0x123456);  // a rebuild would not keep it

    m().imgBarStartTest_Click();
    ASSERT_EQ(question(), "Baum");
    type(1, "wood");
    solve();
    ASSERT_EQ(question(), "Haus");
    type(1, "house");
    ASSERT_TRUE(st().TestFinished);
    // On the result the overview is hidden; leaving shows it.
    m().imgTestBarCancel_Click();

    EXPECT_EQ(rowOf("Baum"), 3);
    EXPECT_EQ(cell("Baum", "AA1"), "1");
    EXPECT_EQ(cell("Baum", "AR1"), "0");
    EXPECT_EQ(cell("Baum", "AF1"), "1");
    EXPECT_EQ(cell("Baum", "FQ1"), "100");
    EXPECT_EQ(g.CellBackColor(rowOf("Baum"), 1), 0xAAAAFF);
    EXPECT_EQ(cell("Haus", "AA1"), "1");
    EXPECT_EQ(cell("Haus", "AR1"), "1");
    EXPECT_EQ(cell("Haus", "AF1"), "0");
    EXPECT_EQ(cell("Haus", "FQ1"), "0");
    EXPECT_EQ(g.CellBackColor(rowOf("Haus"), 1), 0x80FF80);
    EXPECT_EQ(cell("Hund", "AA1"), "0");
    EXPECT_EQ(g.CellBackColor(rowOf("Hund"), 1), hundColour);
    EXPECT_EQ(g.CellBackColor(rowOf("Hund"), g.ColumnIndex("Q")), 0x123456) << "the grid was rebuilt";

    // A test started over the last one's result (Ctrl+S) brings the last
    // one's figures into the grid as well.
    m().imgBarStartTest_Click();
    ASSERT_EQ(question(), "Baum");
    type(1, "tree");
    type(1, "house");
    ASSERT_TRUE(st().TestFinished);
    m().imgBarStartTest_Click();
    EXPECT_EQ(cell("Baum", "AA1"), "2");
    EXPECT_EQ(cell("Baum", "AR1"), "1");
    EXPECT_EQ(cell("Baum", "FQ1"), "50");
    EXPECT_EQ(g.CellBackColor(rowOf("Baum"), 1), 0xAAFFFF);
    EXPECT_EQ(cell("Haus", "AA1"), "2");
    EXPECT_EQ(cell("Haus", "AR1"), "2");
    m().imgTestBarCancel_Click();
}

// One answer is judged while another program writes the vocabulary file for
// longer than the program waits for it: the item's figures are refused and
// told once, and every later answer is saved. After the exit the files hold
// what the screen counted.
// So too when it only reads the file, or holds USER.MDB instead: the box
// names the file held, and what goes to the other file is saved.
TEST_F(TestScreen, AnAnswerRefusedByAnotherProgramLosesNoLaterOne) {
    // USER.MDB's totals of answers and right answers go on from row to row.
    answerWhileHeld(false, "BEGIN IMMEDIATE; SELECT 'writing';", "Baum00 Haus11 Hund11 Katze11", "4 4");
    answerWhileHeld(false, "BEGIN; SELECT count(*) FROM VOK;", "Baum00 Haus11 Hund11 Katze11", "8 8");
    answerWhileHeld(true, "BEGIN IMMEDIATE; SELECT 'writing';", "Baum11 Haus11 Hund11 Katze11", "11 11");
    answerWhileHeld(true, "BEGIN; SELECT count(*) FROM Benutzer;", "Baum11 Haus11 Hund11 Katze11", "14 14");
}

void TestScreen::answerWhileHeld(bool atUsers, const char* hold, const char* items, const char* totals) {
    SCOPED_TRACE(QString("%1 at %2").arg(hold, atUsers ? "USER.MDB" : "the vocabulary file").toStdString());
    items_.clear();
    ui.clearCalls();
    roadtest::resetRunState();
    QFile::remove(dbFolder() + "/test.wkd");
    for (const char* q : {"Baum", "Haus", "Hund", "Katze"}) item(q, {{"A1", QString(q).toLower()}});
    option("FalscheNochmal", 0);
    open();
    const auto asAnotherProgramReads = [](const QString& file, const QString& sql) {
        QProcess p;
        p.start("sqlite3", {"-cmd", ".timeout 5000", file, sql});
        EXPECT_TRUE(p.waitForFinished(15000));
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    };
    QProcess other;
    other.start("sqlite3", {atUsers ? runstate::UserDBPfad : path});
    ASSERT_TRUE(other.waitForStarted());
    other.write(QByteArray(hold) + "\n");
    ASSERT_TRUE(other.waitForReadyRead(20000));
    ui.pushMsgBox(forms::vbOK);

    m().imgBarStartTest_Click();
    ASSERT_EQ(question(), "Baum");
    type(1, "baum");
    ASSERT_EQ(ui.count(CallKind::MsgBox), 1);
    EXPECT_TRUE(ui.last(CallKind::MsgBox).prompt.contains("another program"));
    EXPECT_TRUE(ui.last(CallKind::MsgBox).prompt.contains(atUsers ? "USER.MDB" : "test.wkd"));
    EXPECT_FALSE(ui.last(CallKind::MsgBox).prompt.contains(atUsers ? "test.wkd" : "USER.MDB"));
    other.write("COMMIT;\n.quit\n");
    ASSERT_TRUE(other.waitForFinished(20000));
    for (const char* a : {"haus", "hund", "katze"}) {
        ASSERT_EQ(question().toLower(), a);
        type(1, a);
    }
    ASSERT_TRUE(st().TestFinished);
    EXPECT_EQ(st().RightCount, 4);
    EXPECT_EQ(ui.count(CallKind::MsgBox), 1);
    m().imgTestBarCancel_Click();
    const QString users = runstate::UserDBPfad;
    vocabdb::CloseAndCompactDatabases();
    EXPECT_EQ(asAnotherProgramReads(path,
                                    "SELECT group_concat(Q || AA1 || AR1, ' ') FROM "
                                    "(SELECT * FROM VOK ORDER BY Q);"),
              items);
    EXPECT_EQ(asAnotherProgramReads(users, "SELECT AnzFr || ' ' || AnzR FROM Benutzer WHERE ID = 1"), totals);
}

TEST_F(TestScreen, ChoiceItemsAreJudged) {
    item("Farbe des Himmels", {{"Typ", 1}, {"A1", "green"}, {"A2", "blue"}, {"A3", "red"}, {"RA2", 1}});
    item("Primzahlen", {{"Typ", 1}, {"A1", "2"}, {"A2", "4"}, {"A3", "7"}, {"RA1", 1}, {"RA3", 1}});
    option("BegriffAufloesen", 0);
    option("FalscheNochmal", 0);
    open();
    m().imgBarStartTest_Click();

    ASSERT_EQ(question(), "Farbe des Himmels");
    EXPECT_FALSE(m().chkShowUmlaute->isVisibleTo(&m()));
    for (int i = 1; i <= 3; ++i) {
        EXPECT_TRUE(m().optTestA(i)->isVisibleTo(&m()));
        EXPECT_FALSE(m().chkTestA(i)->isVisibleTo(&m()));
        EXPECT_FALSE(m().txtTestA(i)->isVisibleTo(&m()));
        EXPECT_EQ(m().optTestA(i)->x(), m().optTestA(1)->x());  // one left edge
    }
    EXPECT_EQ(m().optTestA(2)->text(), "blue");
    EXPECT_GT(m().optTestA(2)->y(), m().optTestA(1)->y());
    m().optTestA_MouseMove(1);
    EXPECT_EQ(m().lblBarPopup->text(), "Doubleclick to correct/continue");
    m().optTestA(2)->setChecked(true);
    m().optTestA_MouseUp(2, 1);  // the left button only selects
    EXPECT_EQ(question(), "Farbe des Himmels");
    m().optTestA_MouseUp(2, 2);  // the right button submits
    EXPECT_EQ(st().RightCount, 1);

    ASSERT_EQ(question(), "Primzahlen");
    for (int i = 1; i <= 3; ++i) {
        EXPECT_TRUE(m().chkTestA(i)->isVisibleTo(&m()));
        EXPECT_FALSE(m().optTestA(i)->isVisibleTo(&m()));
    }
    // Hovering a check box tells how to submit it.
    m().HideBarPopup();
    EXPECT_TRUE(m().chkTestA(2)->hasMouseTracking());
    const QPointF p(3, 3);
    QMouseEvent move(QEvent::MouseMove, p, m().chkTestA(2)->mapToGlobal(p), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(m().chkTestA(2), &move);
    EXPECT_TRUE(m().lblBarPopup->isVisibleTo(&m()));
    EXPECT_EQ(m().lblBarPopup->text(), "Rightclick to correct/continue");
    m().chkTestA(1)->setChecked(true);
    solve();
    EXPECT_EQ(st().WrongCount, 1);
    EXPECT_TRUE(st().TestFinished);
}

TEST_F(TestScreen, ResolvedChoiceShowsTheRightAnswersInGreen) {
    item("Primzahlen", {{"Typ", 1}, {"A1", "2"}, {"A2", "4"}, {"A3", "7"}, {"RA1", 1}, {"RA3", 1}});
    option("NochmalFragen", 0);
    option("FalscheNochmal", 0);
    open();
    m().imgBarStartTest_Click();
    m().chkTestA(2)->setChecked(true);
    m().chkTestA_MouseUp(2, 2);
    EXPECT_TRUE(st().WasResolved);
    EXPECT_EQ(colour(m().chkTestA(1)), kGreen);
    EXPECT_EQ(colour(m().chkTestA(3)), kGreen);
    EXPECT_NE(colour(m().chkTestA(2)), kGreen);
    EXPECT_TRUE(m().chkTestA(2)->isChecked());  // the selection is the user's
}

TEST_F(TestScreen, RepeatPassAsksTheWrongItemsAgain) {
    item("Haus", {{"A1", "house"}, {"Punkte", 1}});
    item("Hund", {{"A1", "dog"}, {"Punkte", 1}});
    option("NochmalFragen", 0);
    open();
    m().imgBarStartTest_Click();
    type(1, "house");
    type(1, "cat");
    solve();  // resolved
    solve();  // confirmed: the main pass is over

    ASSERT_TRUE(st().RepeatPass);
    EXPECT_FALSE(st().TestFinished);
    EXPECT_EQ(question(), "Hund");
    EXPECT_EQ(m().lblTestXvonX->text(), "1 / 1");
    EXPECT_EQ(st().RightCount, 1);
    EXPECT_EQ(st().WrongCount, 1);

    type(1, "dog");  // right now: nothing is counted, no points
    EXPECT_TRUE(st().TestFinished);
    EXPECT_EQ(ui.count(CallKind::MsgBox), 0);
    EXPECT_EQ(m().lblTestBR->text(), "1");
    EXPECT_EQ(m().lblTestBF->text(), "1");
    EXPECT_EQ(st().PointsScored, 1);
    EXPECT_EQ(stored("Hund", "AA1").toInt(), 1);
    EXPECT_EQ(stored("Hund", "Known11").toInt(), 1);
}

// Four items, a limit of two questions, least known first: the two with the
// highest error rate are the test.
class LimitedRepeat : public Screen {
protected:
    void SetUp() override {
        Screen::SetUp();
        item("Apfel", {{"A1", "apple"}, {"FQ1", 50.0}, {"AA1", 2}, {"AF1", 1}});
        item("Birne", {{"A1", "pear"}, {"FQ1", 40.0}, {"AA1", 5}, {"AF1", 2}});
        item("Kirsche", {{"A1", "cherry"}, {"FQ1", 10.0}});
        item("Pflaume", {{"A1", "plum"}, {"FQ1", 10.0}});
        option("bTestMaxFragen", 1);
        option("TestMaxFragen", 2);
        option("NochmalFragen", 0);
        open();
    }
    // The items the test did not ask keep their statistics.
    void untouched() {
        for (const char* q : {"Kirsche", "Pflaume"}) {
            EXPECT_EQ(stored(q, "Known11").toInt(), 0) << q;
            EXPECT_EQ(stored(q, "AA1").toInt(), 0) << q;
            EXPECT_EQ(stored(q, "FQ1").toDouble(), 10.0) << q;
        }
    }
};

TEST_F(LimitedRepeat, AllRightAsksNothingMore) {
    m().imgBarStartTest_Click();
    EXPECT_EQ(question(), "Apfel");
    type(1, "apple");
    EXPECT_EQ(question(), "Birne");
    type(1, "pear");
    EXPECT_TRUE(st().TestFinished);
    EXPECT_FALSE(st().RepeatPass);
    EXPECT_EQ(st().AskedCount, 2);
    untouched();
}

TEST_F(LimitedRepeat, TheRepeatPassAsksOnlyTheWrongItemsOfTheTest) {
    m().imgBarStartTest_Click();
    type(1, "x");
    solve();  // resolved
    solve();  // confirmed
    EXPECT_EQ(question(), "Birne");
    type(1, "pear");
    ASSERT_TRUE(st().RepeatPass);
    EXPECT_EQ(question(), "Apfel");
    EXPECT_EQ(m().lblTestXvonX->text(), "1 / 1");
    type(1, "apple");
    EXPECT_TRUE(st().TestFinished);
    EXPECT_EQ(st().AskedCount, 2);
    EXPECT_EQ(stored("Apfel", "Known11").toInt(), 1);
    untouched();
}

TEST_F(TestScreen, GradeIsTheRowThatHoldsThePointsWithUnusedRowsStoredAsZero) {
    item("Haus", {{"A1", "house"}, {"Punkte", 1}});
    item("Hund", {{"A1", "dog"}, {"Punkte", 1}});
    option("FalscheNochmal", 0);
    option("ZaehlePunkte", 1);
    option("Punktebewertung", 1);
    option("BewertungP2", 1);
    for (int j = 3; j <= 8; ++j) option("BewertungP" + QString::number(j), 0);
    option("Bewertung1", "Try again");
    option("Bewertung2", "Well done");
    open();
    m().imgBarStartTest_Click();
    type(1, "house");
    type(1, "dog");
    ASSERT_TRUE(st().TestFinished);
    EXPECT_EQ(m().lblTestBPunktzahl->text(), "2 of 2");
    EXPECT_TRUE(m().lblTestBBewertung->isVisibleTo(&m()));
    EXPECT_EQ(m().lblTestBBewertung->text(), "Well done");
}

TEST(GradeRow, TheRowOfTheScaleAsTheSettingsShowIt) {
    using mainwindow::GradeRow;
    std::array<qint64, 9> p{};
    p[2] = 1;  // 0 to 1, 2 to 2; the rest unused
    EXPECT_EQ(GradeRow(0, 2, p), 1);
    EXPECT_EQ(GradeRow(1, 2, p), 1);
    EXPECT_EQ(GradeRow(2, 2, p), 2);
    p = {0, 0, 10, 20, 30, 40, 50, 60, 70};
    EXPECT_EQ(GradeRow(10, 100, p), 1);
    EXPECT_EQ(GradeRow(11, 100, p), 2);
    EXPECT_EQ(GradeRow(21, 100, p), 3);
    EXPECT_EQ(GradeRow(71, 100, p), 8);
    EXPECT_EQ(GradeRow(100, 100, p), 8);
    // Bounds at the total end the scale there.
    p = {0, 0, 10, 100, 0, 0, 0, 0, 0};
    EXPECT_EQ(GradeRow(50, 40, p), 2);
    // No upper end for row 1: one row from 0 to the total.
    p = {};
    EXPECT_EQ(GradeRow(7, 9, p), 1);
}

TEST_F(TestScreen, TryLabelAndAnswerHintLeaveWithTheItem) {
    item("Haus", {{"A1", "house"}});
    option("BegriffAufloesen", 0);
    option("AnzahlVersuche", 3);
    option("FalscheNochmal", 0);
    open();
    m().imgBarStartTest_Click();
    m().optTestA_MouseMove(1);
    EXPECT_TRUE(m().lblBarPopup->isVisibleTo(&m()));
    for (const char* wrong : {"a", "b", "c"}) {
        type(1, wrong);
        solve();
    }
    ASSERT_TRUE(st().TestFinished);
    EXPECT_TRUE(m().fraTestBewertung->isVisibleTo(&m()));
    EXPECT_FALSE(m().lblBCount->isVisibleTo(&m()));
    EXPECT_FALSE(m().lblBarPopup->isVisibleTo(&m()));
    m().optTestA_MouseMove(1);
    EXPECT_FALSE(m().lblBarPopup->isVisibleTo(&m()));
    // Leaving the result brings the item count back.
    m().imgTestBarCancel_Click();
    EXPECT_TRUE(m().lblBCount->isVisibleTo(&m()));
    EXPECT_EQ(m().lblBCount->text(), "1 Question");
}

TEST_F(TestScreen, ItemWithoutAnswersIsContinuedByAClick) {
    // Items of a kind without answer controls.
    item("Nur lesen", {{"Typ", 2}});
    item("Zweites", {{"Typ", 2}});
    option("FalscheNochmal", 0);
    open();
    m().imgBarStartTest_Click();
    EXPECT_EQ(st().Test_WievieleAntwortFelder, 0);
    m().lblTestQ_MouseMove();
    EXPECT_EQ(m().lblBarPopup->text(), "Click to continue");
    EXPECT_TRUE(m().lblBarPopup->isVisibleTo(&m()));
    m().fraAbfrage_MouseUp(2);
    EXPECT_EQ(question(), "Nur lesen");
    m().lblTestQ_MouseUp(1);
    EXPECT_EQ(question(), "Zweites");
    m().fraAbfrage_MouseUp(1);
    EXPECT_TRUE(st().TestFinished);
    EXPECT_EQ(st().AskedCount, 2);
    EXPECT_EQ(st().RightCount + st().WrongCount, 0);
    m().fraAbfrage_MouseUp(1);
    EXPECT_EQ(st().AskedCount, 2);
}

TEST_F(TestScreen, LearningModeShowsTheSolutionBelowTheBox) {
    item("Hund", {{"A1", "dog; hound"}});
    option("Lernmodus", 1);
    open();
    m().imgBarStartTest_Click();
    QLineEdit* b = m().txtTestA(2);
    EXPECT_TRUE(b->isVisibleTo(&m()));
    EXPECT_EQ(b->text(), "dog, hound");
    EXPECT_TRUE(b->isReadOnly());
    EXPECT_EQ(colour(b), forms::vbInfoBackground);
    EXPECT_GE(b->y(), m().txtTestA(1)->y() + m().txtTestA(1)->height());
    EXPECT_FALSE(st().TestFinished);  // filling it did not judge
}

TEST_F(TestScreen, ReversedItemAsksTheQuestionForTheAnswer) {
    item("Hund", {{"A1", "dog"}, {"T", "Tiere"}});
    option("AbzufragenderBegriff", 1);
    option("ZeigeThemaBeiAbfrage", 1);
    open();
    m().imgBarStartTest_Click();
    EXPECT_EQ(question(), "Tiere\n\ndog");
    EXPECT_EQ(st().ExpectedAnswers, QStringList({QString(), "Hund"}));
    type(1, "Hund");
    EXPECT_EQ(st().RightCount, 1);
}

TEST_F(TestScreen, FirstLetterIsGivenWithoutSubmitting) {
    item("Ich", {{"A1", "I"}});
    option("ShowFirstLetter", 1);
    open();
    m().imgBarStartTest_Click();
    // Even where the letter is the whole answer, it is not taken as typed.
    EXPECT_EQ(m().txtTestA(1)->text(), "I");
    EXPECT_FALSE(st().TestFinished);
    EXPECT_EQ(st().AskedCount, 0);
    EXPECT_TRUE(st().QuestionOpen);
    solve();
    EXPECT_EQ(st().RightCount, 1);
}

TEST_F(TestScreen, BoxesInOrderTakeTheFocusToTheFirstOpenOne) {
    item("Zahlen", {{"A1", "eins"}, {"A2", "zwei"}, {"AskAllItems", 1}, {"MindTheOrder", 1}});
    option("FalscheNochmal", 0);
    open();
    m().show();
    m().imgBarStartTest_Click();
    QApplication::processEvents();
    type(2, "eins");  // right answer, wrong place
    EXPECT_EQ(colour(m().txtTestA(2)), kWhite);
    type(2, "zwei");
    EXPECT_EQ(colour(m().txtTestA(2)), kGreen);
    EXPECT_TRUE(m().txtTestA(1)->hasFocus());
    EXPECT_FALSE(st().TestFinished);
    type(1, "EINS");  // letter case is ignored by default
    EXPECT_TRUE(st().TestFinished);
    EXPECT_EQ(st().RightCount, 1);
}

TEST_F(TestScreen, LockedBoxPassesTheFocusToTheFirstBox) {
    item("Hund", {{"A1", "dog; hound"}});
    option("Lernmodus", 1);
    open();
    m().show();
    m().imgBarStartTest_Click();
    QApplication::processEvents();
    m().txtTestA(2)->setFocus();
    QApplication::processEvents();
    EXPECT_TRUE(m().txtTestA(1)->hasFocus());
    EXPECT_EQ(m().FocusedAnswerBox, m().txtTestA(1));
}

TEST_F(TestScreen, TimeRunningOutDuringTheExplanationLeavesTheResultAlone) {
    item("Hund", {{"A1", "dog"}, {"Explanation", "a pet"}});
    option("BigZeitlimit", 1);
    option("BigZeitlimitM", 1);
    open();
    m().imgBarStartTest_Click();
    st().TestSecondsLeft = 1;
    ui.pushModal([this](QWidget& w) {
        m().tmrTest_Timer();  // the whole-test countdown runs on behind the window
        static_cast<testengine::frmHint&>(w).cmdOK->click();
    });
    type(1, "cat");
    solve();
    EXPECT_TRUE(st().TestFinished);
    EXPECT_FALSE(st().QuestionOpen);
    EXPECT_FALSE(m().tmrTestVok->Enabled());
    EXPECT_TRUE(m().fraTestBewertung->isVisibleTo(&m()));
    EXPECT_EQ(m().lblTestBF->text(), "1");
}

TEST_F(TestScreen, NoLiveCheckForAUserWhoSwitchedItOff) {
    item("Hund", {{"A1", "dog"}});
    open();
    runstate::rsBenutzer->Edit();
    runstate::rsBenutzer->SetValue("R2", 1);
    runstate::rsBenutzer->Update();
    m().imgBarStartTest_Click();
    type(1, "dog");
    EXPECT_FALSE(st().TestFinished);
    int key = 13;
    m().txtTestA_KeyPress(1, key);
    EXPECT_TRUE(st().TestFinished);
    EXPECT_EQ(st().RightCount, 1);
}

TEST_F(TestScreen, CancelLeavesTheTestScreenAndStopsTheTimers) {
    item("Hund", {{"A1", "dog"}});
    option("Zeitlimit", 1);
    option("BigZeitlimit", 1);
    open("a_rather_long_database_name.wkd");
    m().imgBarStartTest_Click();
    ASSERT_TRUE(m().TestActive);
    EXPECT_TRUE(m().tmrTest->Enabled());
    EXPECT_TRUE(m().tmrTestVok->Enabled());

    m().imgTestBarCancel_Click();
    EXPECT_FALSE(m().TestActive);
    EXPECT_TRUE(st().TestFinished);
    EXPECT_FALSE(st().QuestionOpen);
    EXPECT_FALSE(m().tmrTest->Enabled());
    EXPECT_FALSE(m().tmrTestVok->Enabled());
    EXPECT_FALSE(m().fraAbfrage->isVisibleTo(&m()));
    EXPECT_FALSE(m().fraTestBar->isVisibleTo(&m()));
    EXPECT_TRUE(m().fraMainBar->isVisibleTo(&m()));
    EXPECT_TRUE(m().fraOverview1->isVisibleTo(&m()));
    // 27 characters: 22 and "...".
    EXPECT_EQ(runstate::VokDBName, "A_RATHER_LONG_DATABASE_NAME");
    EXPECT_EQ(m().lblBDBName->text(), "A_RATHER_LONG_DATABASE...");
    EXPECT_EQ(m().lblBCount->text(), "1 Question");
    EXPECT_TRUE(m().lblBCount->isVisibleTo(&m()));
}

TEST_F(TestScreen, StartDuringATestBeginsAfresh) {
    item("Haus", {{"A1", "house"}});
    item("Hund", {{"A1", "dog"}});
    open();
    m().imgBarStartTest_Click();
    type(1, "house");
    ASSERT_EQ(st().RightCount, 1);
    m().imgBarStartTest_Click();
    EXPECT_EQ(st().RightCount, 0);
    EXPECT_EQ(question(), "Haus");
}

}  // namespace
