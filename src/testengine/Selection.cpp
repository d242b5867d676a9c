#include "testengine/Selection.h"

#include <algorithm>

#include "core/modMain.h"
#include "platform/Error.h"
#include "platform/forms/Interaction.h"

namespace testengine {

int OptionInt(const dao::Recordset& rs, const QString& field) {
    bool ok = false;
    const int v = rs.Value(field).toInt(&ok);
    return ok ? v : 0;
}

SelectionOptions ReadSelectionOptions(const dao::Recordset& rsOptions) {
    SelectionOptions o;
    o.Auswahl = OptionInt(rsOptions, QStringLiteral("Auswahl"));
    o.AuswahlThema = rsOptions.Value(QStringLiteral("AuswahlThema")).toString();
    o.AuswahlKategorie = rsOptions.Value(QStringLiteral("AuswahlKategorie")).toString();
    o.DontAskTheKnown = OptionInt(rsOptions, QStringLiteral("DontAskTheKnown")) == 1;
    o.KnownWieOft = OptionInt(rsOptions, QStringLiteral("KnownWieOft"));
    o.Abfragereihenfolge = OptionInt(rsOptions, QStringLiteral("Abfragereihenfolge"));
    o.bTestMaxFragen = OptionInt(rsOptions, QStringLiteral("bTestMaxFragen")) == 1;
    o.TestMaxFragen = OptionInt(rsOptions, QStringLiteral("TestMaxFragen"));
    return o;
}

SelectionQuery BuildSelectionQuery(const SelectionOptions& opt, int u, bool bRepeat) {
    if (u < 1 || u > 5)
        throw wk::Error(wk::err::SubscriptOutOfRange, QStringLiteral("No such user slot: %1").arg(u));
    const QString n = QString::number(u);
    SelectionQuery q;
    QString w;
    if (opt.Auswahl == 2) {
        w = QStringLiteral(" WHERE T=?");
        q.params << opt.AuswahlThema;
    } else if (opt.Auswahl == 3) {
        w = QStringLiteral(" WHERE Kategorie=?");
        q.params << opt.AuswahlKategorie;
    } else if (opt.Auswahl == 1) {
        w = QStringLiteral(" WHERE Markiert = True");
    }

    if (bRepeat)
        w += (w.isEmpty() ? QStringLiteral(" WHERE Known") : QStringLiteral(" AND Known")) + n + "1 = 0";

    if (opt.DontAskTheKnown) {
        // Only the history's six columns exist; anything else would leave
        // the bracket open or name a missing column.
        const int k = std::clamp(opt.KnownWieOft, 1, 6);
        w += w.isEmpty() ? QStringLiteral(" WHERE (") : QStringLiteral(" AND (");
        w += "Known" + n + "1 = 0";
        for (int i = 2; i <= k; ++i) w += " OR Known" + n + QString::number(i) + " =0";
        w += ')';
    }

    const QString o = opt.Abfragereihenfolge == 0 ? QString() : " ORDER BY FQ" + n + " DESC, Q";

    // A repeat pass is limited to the items of the test (see
    // SelectTestItems), which the limit already bounds; a TOP here could cut
    // off asked items in favour of ones the test never asked.
    if (opt.bTestMaxFragen && !bRepeat)
        // A negative count would mean "no limit" further down; none is none.
        q.sql = "SELECT TOP " + QString::number(std::max(opt.TestMaxFragen, 0)) + " * FROM VOK" + w + o;
    else
        q.sql = "SELECT * FROM VOK" + w + o;
    return q;
}

std::vector<int> BuildQuestionOrder(int n, bool sequential) {
    std::vector<int> order(std::max(n, 0));
    for (int k = 0; k < n; ++k) order[k] = k;
    if (sequential) return order;
    // Fisher-Yates: every order equally likely with n - 1 draws, where
    // drawing free slots until one hits takes about n ln n.
    for (int i = n - 1; i > 0; --i) std::swap(order[i], order[modMain::RandomInt(0, i)]);
    return order;
}

qint64 SumPunkte(dao::Recordset& rs) {
    const long remembered = rs.AbsolutePosition();
    qint64 sum = 0;
    const long count = rs.RecordCount();
    // Looked up once; a set without the field still raises on the first read.
    const int punkte = rs.FieldIndex(QStringLiteral("Punkte"));
    for (long i = 0; i < count; ++i) {
        rs.SetAbsolutePosition(i);
        // A Long reads as an int, which toLongLong would take through Qt's
        // general conversion.
        const QVariant v = rs.Value(punkte);
        sum += v.typeId() == QMetaType::Int ? v.toInt() : v.toLongLong();
    }
    try {
        rs.SetAbsolutePosition(remembered);
    } catch (const wk::Error&) {
        // An empty set has no position to go back to.
    }
    return sum;
}

// A limit of 0 is no limit: a countdown from 0 would never run out.
bool WholeTestTimerOn(const dao::Recordset& rsOptions) {
    return OptionInt(rsOptions, QStringLiteral("BigZeitlimit")) == 1 &&
           OptionInt(rsOptions, QStringLiteral("BigZeitlimitM")) > 0;
}

bool ItemTimerOn(const dao::Recordset& rsOptions) {
    return OptionInt(rsOptions, QStringLiteral("Zeitlimit")) == 1 &&
           OptionInt(rsOptions, QStringLiteral("SekundenZeitlimit")) > 0;
}

void ReportEmptySelection() {
    forms::ui().MsgBox(modMain::GetText(5035), forms::vbOKOnly | forms::vbInformation, modMain::GetText(40));
}

SelectOutcome SelectTestItems(TestState& st, dao::Database& db, const dao::Recordset& rsOptions,
                              const SelectionOptions& opt, int u, bool bRepeat, dao::RecordsetPtr& dataTest) {
    st.IsAskAgain = false;
    st.WasResolved = false;
    st.QuestionOpen = false;
    st.AnsweredWrong = false;
    if (!bRepeat) {
        st.WrongQuestions = QStringList{QString()};
        st.PointsScored = 0;
        st.TestItems.clear();
    }

    SelectionQuery q;
    try {
        q = BuildSelectionQuery(opt, u, bRepeat);
        // A new test's points come with the keys: summing them then reads
        // memory, not the same rows a second time.
        dataTest = db.OpenRecordset(q.sql, dao::dbOpenDynaset, q.params,
                                    bRepeat ? QStringList() : QStringList{QStringLiteral("Punkte")});
        dataTest->MoveLast();
        dataTest->MoveFirst();
    } catch (const wk::Error& e) {
        if (e.number() == wk::err::NoCurrentRecord) {
            st.SetReady = false;
            return SelectOutcome::Empty;
        }
        modMain::ShowError(e.number(), e.description(), QStringLiteral("TKC1"));
        // A set left over from the last test must not be started again.
        st.SetReady = false;
        return SelectOutcome::Failed;
    }

    const int n = int(dataTest->RecordCount());
    if (!bRepeat) {
        st.QuestionOrder = BuildQuestionOrder(n, opt.Abfragereihenfolge != 0);
    } else {
        // Only items of this test whose latest judgement is wrong.
        std::vector<int> positions;
        for (int i = 0; i < n; ++i) {
            dataTest->SetAbsolutePosition(i);
            if (st.TestItems.contains(dataTest->Bookmark())) positions.push_back(i);
        }
        if (positions.empty()) {
            st.SetReady = false;
            return SelectOutcome::Empty;
        }
        st.QuestionOrder = BuildQuestionOrder(int(positions.size()), opt.Abfragereihenfolge != 0);
        for (int& k : st.QuestionOrder) k = positions[std::size_t(k)];
    }
    dataTest->MoveFirst();

    st.MaxTries = OptionInt(rsOptions, QStringLiteral("AnzahlVersuche"));
    st.TestMinutes = OptionInt(rsOptions, QStringLiteral("BigZeitlimitM"));
    st.TestSecondsLeft = st.TestMinutes * 60;

    if (!bRepeat) {
        st.RepeatPass = false;
        st.AskedCount = 0;
        st.WrongCount = 0;
        st.RightCount = 0;
    }
    st.CurrentIndex = -1;
    if (!bRepeat) st.SetPoints = SumPunkte(*dataTest);
    st.SetReady = true;
    return SelectOutcome::Ready;
}

}  // namespace testengine
