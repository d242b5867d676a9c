#include "testengine/Presenting.h"

#include <algorithm>

#include "core/modMain.h"
#include "testengine/Answers.h"
#include "testengine/Selection.h"

namespace testengine {

bool AdvanceToNextItem(TestState& st, dao::Recordset& rs, bool bStop) {
    ++st.CurrentIndex;
    const long last = std::min<long>(rs.RecordCount(), long(st.QuestionOrder.size())) - 1;
    if (st.CurrentIndex > last || bStop) {
        --st.CurrentIndex;
        return false;
    }
    if (!st.IsAskAgain) st.AnsweredWrong = false;
    rs.SetAbsolutePosition(st.QuestionOrder.at(st.CurrentIndex));
    // Kept as it is asked, so that a repeat pass asks only what this test
    // asked (and costs nothing for a large set that is never repeated).
    if (!st.RepeatPass) st.TestItems.insert(rs.Bookmark());
    st.ItemTyp = OptionInt(rs, QStringLiteral("Typ"));
    return true;
}

bool ChooseReversed(int abzufragenderBegriff, int itemTyp) {
    int s = abzufragenderBegriff;
    if (s == 2) s = modMain::RandomInt(0, 1);
    return s != 0 && itemTyp != 1;
}

void PrepareItem(TestState& st, const dao::Recordset& rs, bool reversed) {
    st.ExpectedAnswers = BuildExpectedAnswers(rs, reversed && st.ItemTyp != 1);
    if (st.ItemTyp == 0) {
        st.Test_WievieleAntwortFelder = OptionInt(rs, QStringLiteral("AskAllItems")) != 0
                                            ? std::min<int>(st.ExpectedAnswers.size() - 1, 9)
                                            : 1;
    } else if (st.ItemTyp == 1) {
        st.Test_WievieleAntwortFelder = CountAnswers(rs);
    }
    st.TryNumber = 1;
    st.QuestionOpen = true;
}

}  // namespace testengine
