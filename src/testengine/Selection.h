#pragma once
// Choosing the items of a test: the query built from the test options, the
// order in which the items are asked, and the reset of the test state for a
// new test or a repeat pass over the wrongly answered items.
//
// The main window's start command calls it like this:
//
//   auto opt = testengine::ReadSelectionOptions(*rsOptions);
//   auto out = testengine::SelectTestItems(state, *dbVok, *rsOptions, opt,
//                                          runstate::BenutzerNr, false, dataTest);
//   // hide fraTestBewertung (and cmdBar for a new test) before or after
//   if (out == testengine::SelectOutcome::Empty && !state.TestActive) {
//       testengine::ReportEmptySelection();
//       imgTestBarCancel_Click();
//   }
//   tmrTest.setEnabled(state.SetReady && testengine::WholeTestTimerOn(*rsOptions));
//   lblTestF = state.WrongCount; lblTestR = state.RightCount; focus txtTestA(1)

#include <QString>
#include <vector>

#include "platform/dao/Dao.h"
#include "testengine/TestState.h"

namespace testengine {

// The test options that decide the selection, as the settings panel shows
// them (each mirrors its field of the options record).
struct SelectionOptions {
    int Auswahl = 0;  // 0 all items, 1 marked, 2 one theme, 3 one category
    QString AuswahlThema;
    QString AuswahlKategorie;
    bool DontAskTheKnown = false;  // leave out the items known K times in a row
    int KnownWieOft = 3;           // K, 1 to 6
    int Abfragereihenfolge = 1;    // 0 mixed order, otherwise least known first
    bool bTestMaxFragen = false;   // limit the number of items
    int TestMaxFragen = 50;
};

// Reads the fields of the options record; a flag is on only when it is 1.
SelectionOptions ReadSelectionOptions(const dao::Recordset& rsOptions);

// The query text in the program's dialect and the values bound to its '?'.
struct SelectionQuery {
    QString sql;
    dao::Params params;
};

// The query over VOK for user slot u (1 to 5). bRepeat keeps only the items
// whose latest judgement was wrong and drops the TOP limit (the repeat pass
// is bounded by the test's own items). Theme and category are bound, never
// pasted into the text.
SelectionQuery BuildSelectionQuery(const SelectionOptions& opt, int u, bool bRepeat);

// The order array for n items: entry k is the record position asked k-th.
// Sequential gives 0..n-1; otherwise a shuffle in which every order is
// equally likely, drawn with modMain::RandomInt (forms::ui().Rnd()): for
// i = n-1 down to 1, entry i swaps with entry RandomInt(0, i).
std::vector<int> BuildQuestionOrder(int n, bool sequential);

// Sum of Punkte over all records of rs, visited by absolute position; the
// position is put back. Null counts as 0. An empty recordset gives 0.
qint64 SumPunkte(dao::Recordset& rs);

enum class SelectOutcome {
    Ready,   // the set holds at least one item; state is reset for it
    Empty,   // nothing selected; SetReady is False
    Failed,  // the query failed; reported with code "TKC1", SetReady is False
};

// Selects the items for a new test (bRepeat False) or a repeat pass (True)
// and resets the test state. dataTest receives the opened set. A new test
// resets counters, points, WrongQuestions and TestItems (filled as items are
// asked); a repeat pass keeps them and rebuilds the set, the order (over the
// items of TestItems only), CurrentIndex and the countdown.
// A repeat set holds every wrong item of the filter; QuestionOrder names
// the ones asked. Reads
// AnzahlVersuche and BigZeitlimitM from rsOptions.
SelectOutcome SelectTestItems(TestState& st, dao::Database& db, const dao::Recordset& rsOptions,
                              const SelectionOptions& opt, int u, bool bRepeat, dao::RecordsetPtr& dataTest);

// The notice for an empty selection of a new test: message 5035 under the
// title of message 40, OK button, information icon.
void ReportEmptySelection();

// The whole-test countdown runs (OPTIONS.BigZeitlimit = 1 with a limit
// BigZeitlimitM above 0).
bool WholeTestTimerOn(const dao::Recordset& rsOptions);
// The per-item countdown runs (OPTIONS.Zeitlimit = 1 with a limit
// SekundenZeitlimit above 0).
bool ItemTimerOn(const dao::Recordset& rsOptions);

// An Integer option field as the program reads it: Null (or not a number) is 0.
int OptionInt(const dao::Recordset& rs, const QString& field);

}  // namespace testengine
