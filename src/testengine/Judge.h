#pragma once
// The judging of the shown test item, as a state machine over TestState
// that a form drives. The judge decides right or wrong, counts the first
// judgement of an item in the main pass, writes the item's history and error
// rate, and says what the screen must do next: another try, the solution
// shown, or the next item. The form does the showing.
//
// The Solve button's handler (left button, or any caller passing Button 1):
//
//   if (state.TestFinished) return;
//   testengine::JudgeInput in;
//   in.boxes = texts of txtTestA(1..Test_WievieleAntwortFelder);
//   in.checkValue = [&](int i) { return chkTestA(i).value; };
//   in.optionSelected = [&](int i) { return optTestA(i).isChecked(); };
//   in.questionCaption = lblTestQ.text();
//   auto j = testengine::Judge(state, *dataTest->Recordset, userRecord,
//                              runstate::BenutzerNr,
//                              testengine::ReadJudgeOptions(*rsOptions), in);
//   colour j.greenBoxes light green;
//   if (j.playWrongSound) PlaySoundFalsch(rs); if (j.playRightSound) PlaySoundRichtig(rs);
//   switch (j.step) {
//   case Retry:     ShowTryCount(); reset the controls (j.failingBox); restart tmrTestVok
//   case Resolved:  show j.explanation in frmHint (caption 708) when not empty;
//                   fill in the solution (SolutionText for txtTestA(2) of a
//                   single box, ExpectedAnswers for boxes, RA<k> for choices);
//                   restart tmrTestVok
//   case Completed: move cmdBar by j.testErrorPercent; ShowNextQuestion(false)
//   case Ignored:   nothing
//   }

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

#include "platform/dao/Dao.h"
#include "testengine/Answers.h"
#include "testengine/TestState.h"

namespace testengine {

// The options the judge reads at every judgement (a flag is on only when 1).
struct JudgeOptions {
    bool GKignorieren = false;      // ignore letter case
    bool BegriffAufloesen = false;  // resolve a wrong item
    bool NochmalFragen = false;     // ask a resolved item again
    int SekundenZeitlimit = 0;      // the per-item countdown restarts from here
};

JudgeOptions ReadJudgeOptions(const dao::Recordset& rsOptions);

// What the user entered for the shown item.
struct JudgeInput {
    QStringList boxes;                        // txtTestA(1..n); boxes[0] is box 1
    std::function<int(int)> checkValue;       // chkTestA(i) value (0 or 1), i from 1
    std::function<bool(int)> optionSelected;  // optTestA(i) selected, i from 1
    QString questionCaption;                  // lblTestQ, for the wrong-question list
};

enum class JudgeStep {
    Ignored,    // the test has finished: nothing happened
    Retry,      // wrong, another try: empty the failing control
    Resolved,   // wrong, the right answer is shown and waits for confirmation
    Completed,  // the item is done: present the next one
};

struct Judgement {
    JudgeStep step = JudgeStep::Ignored;
    Verdict verdict = Verdict::None;  // None: an item without answer controls
    int failingBox = 0;               // Wrong: the control that failed (1 for one box or a choice)
    QList<int> greenBoxes;            // boxes found right while matching
    bool counted = false;             // the judgement counted (first one, main pass)
    bool playRightSound = false;
    bool playWrongSound = false;
    QString explanation;          // Resolved: the item's explanation, "" for none
    double testErrorPercent = 0;  // Completed: 100 / AskedCount * WrongCount
};

// Judges the current record of item against st.ExpectedAnswers. user is the
// current user's record in USER.MDB, that is the Benutzer recordset on row
// BenutzerNr - 1 (may be null: no totals are written).
// Errors of the statistics writes are reported with code "re51" and the
// judge goes on with its next step. now stamps ZuletztGelerntAm (defaults to
// forms::ui().Now()).
Judgement Judge(TestState& st, dao::Recordset& item, dao::Recordset* user, int u, const JudgeOptions& opt,
                const JudgeInput& in, const QDateTime& now = {});

// The text of the second box of a resolved single-box item: the accepted
// answers joined with ", ". It is shown only when there are several, that is
// when it is longer than ExpectedAnswers(1).
QString SolutionText(const QStringList& expected);
bool ShowSolutionList(const QStringList& expected);

// The tip of the item for the right mouse button: its Tip, or message 710
// shown disabled when there is none.
struct TipText {
    QString text;
    bool enabled = true;
};
TipText ItemTip(const dao::Recordset& item);

}  // namespace testengine
