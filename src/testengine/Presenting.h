#pragma once
// The window-free steps of presenting the next test item: moving to it in
// the test's order, the side that is asked, its accepted answers and the
// number of answer controls. ShowNextQuestion of the main window calls them
// around its own layout work:
//
//   stop both timers, hide and reset the answer controls;
//   if (!testengine::AdvanceToNextItem(state, *dataTest, bStop)) { end of test; return; }
//   lblTestXvonX = (state.CurrentIndex + 1) & " / " & dataTest->RecordCount();
//   picture ...;
//   bool reversed = testengine::ChooseReversed(AbzufragenderBegriff, state.ItemTyp);
//   question label, fonts, sound ...;
//   testengine::PrepareItem(state, *dataTest, reversed);
//   layout, learning mode, countdowns, try label (TryNumber is 1), first letter

#include "platform/dao/Dao.h"
#include "testengine/TestState.h"

namespace testengine {

// CurrentIndex + 1; false (CurrentIndex put back) when the order is
// exhausted or bStop is set: the test ends. Otherwise clears AnsweredWrong
// unless the item is asked again, moves rs to the item's record, adds it to
// TestItems in a first pass and sets ItemTyp from its Typ.
bool AdvanceToNextItem(TestState& st, dao::Recordset& rs, bool bStop);

// Whether the item is asked reversed (answer shown, question expected):
// AbzufragenderBegriff 1, or 2 with modMain::RandomInt(0, 1) = 1; never a
// choice item.
bool ChooseReversed(int abzufragenderBegriff, int itemTyp);

// ExpectedAnswers, Test_WievieleAntwortFelder (typed: the number of
// accepted answers up to 9 when AskAllItems is set, else 1; choice: the
// number of answer fields; other types: unchanged), TryNumber := 1 and
// QuestionOpen := True.
void PrepareItem(TestState& st, const dao::Recordset& rs, bool reversed);

}  // namespace testengine
