#include "testengine/Judge.h"

#include <algorithm>
#include <vector>

#include "core/modMain.h"
#include "platform/Error.h"
#include "platform/forms/Interaction.h"
#include "testengine/Selection.h"
#include "testengine/Statistics.h"

namespace testengine {

namespace {

// The writes of one judgement are one transaction, so that its commit is
// paid once. A step that fails is reported and the judge goes on, so a
// failed write leaves the other counters as they are; the reports wait for
// the commit, so that no write is pending while a box waits for the user.
class Steps {
public:
    Steps() : ws_(dao::DBEngine::Workspaces(0)) {
        run([&] {
            ws_.BeginTrans();
            open_ = true;
        });
    }
    ~Steps() {
        if (!open_) return;
        try {
            ws_.Rollback();
        } catch (const wk::Error&) {
        }
    }
    Steps(const Steps&) = delete;
    Steps& operator=(const Steps&) = delete;

    template <typename Fn>
    void run(Fn&& fn) {
        try {
            fn();
        } catch (const wk::Error& e) {
            failed_.push_back(e);
        }
    }

    // Commits what the steps wrote, then reports what failed.
    void finish() {
        if (open_) {
            open_ = false;
            try {
                ws_.CommitTrans();
            } catch (const wk::Error& e) {
                failed_.push_back(e);
                try {
                    ws_.Rollback();
                } catch (const wk::Error&) {
                }
            }
        }
        // Steps refused for one cause (another program's lock on the file)
        // are told once.
        std::vector<const wk::Error*> told;
        for (const wk::Error& e : failed_) {
            const auto same = [&](const wk::Error* t) {
                return t->number() == e.number() && t->description() == e.description();
            };
            if (std::any_of(told.begin(), told.end(), same)) continue;
            told.push_back(&e);
            modMain::ShowError(e.number(), e.description(), QStringLiteral("re51"));
        }
        failed_.clear();
    }

private:
    dao::Workspace& ws_;
    bool open_ = false;
    std::vector<wk::Error> failed_;
};

QString text(const QVariant& v) {
    return v.isValid() && !v.isNull() ? v.toString() : QString();
}

struct Run {
    Steps& steps;
    TestState& st;
    dao::Recordset& item;
    dao::Recordset* user;
    int u;
    const JudgeOptions& opt;
    const JudgeInput& in;
    Judgement j;

    bool countable() const { return !st.RepeatPass && !st.AnsweredWrong; }

    template <typename Fn>
    void step(Fn&& fn) {
        steps.run(std::forward<Fn>(fn));
    }

    void countRight() {
        step([&] { st.PointsScored += item.Value(QStringLiteral("Punkte")).toLongLong(); });
        j.playRightSound = true;
        ++st.RightCount;
        step([&] { ItemRight(item, u); });
        if (user) step([&] { UserRight(*user); });
    }

    void countWrong() {
        if (IndexInArray(st.WrongQuestions, in.questionCaption) < 0) st.WrongQuestions << in.questionCaption;
        ++st.WrongCount;
        step([&] { ItemWrong(item, u); });
        if (user) step([&] { UserWrong(*user); });
    }

    void known(int value) {
        step([&] { UpdateKnown(item, u, value); });
    }

    void complete() {
        step([&] { UpdateErrorRate(item, u); });
        j.testErrorPercent = ErrorPercent(st.AskedCount, st.WrongCount);
        j.step = JudgeStep::Completed;
    }

    void right(bool singleBox, bool anyOrder) {
        j.verdict = Verdict::Right;
        const int value = (st.IsAskAgain || st.WasResolved) ? 0 : 1;
        if (singleBox) {
            if (countable()) countRight();
            known(value);
            if (!st.WasResolved) st.IsAskAgain = false;
        } else {
            known(value);
            if (countable()) {
                countRight();
                if (anyOrder) st.IsAskAgain = false;
            } else if (st.IsAskAgain) {
                st.IsAskAgain = false;
            } else if (st.WasResolved && opt.NochmalFragen && opt.BegriffAufloesen) {
                // The same item comes next.
                --st.CurrentIndex;
                st.IsAskAgain = true;
            }
        }
        st.WasResolved = false;
        complete();
    }

    void wrong(int failing, bool singleBox) {
        j.verdict = Verdict::Wrong;
        j.failingBox = failing;
        j.playWrongSound = true;
        if (countable()) countWrong();
        known(0);
        // An item without any answer has no solution to show and nothing to
        // try again: resolving or retrying it would keep it open for good.
        const bool answerable = st.ItemTyp != 0 || st.ExpectedAnswers.size() > 1;
        if (!answerable) {
            complete();
        } else if (opt.BegriffAufloesen) {
            resolve(singleBox);
        } else if (st.MaxTries > st.TryNumber) {
            st.AnsweredWrong = true;
            ++st.TryNumber;
            reopen();
            j.step = JudgeStep::Retry;
        } else {
            complete();
        }
    }

    void resolve(bool singleBox) {
        // A second resolve of the same presentation (the filled-in answer
        // changed to a wrong one) must not step back a second time.
        const bool firstResolve = !st.WasResolved;
        st.WasResolved = true;
        step([&] { j.explanation = text(item.Value(QStringLiteral("Explanation"))); });
        st.AnsweredWrong = true;
        if (singleBox && opt.NochmalFragen && firstResolve) {
            --st.CurrentIndex;
            st.IsAskAgain = true;
        }
        reopen();
        j.step = JudgeStep::Resolved;
    }

    void reopen() {
        st.QuestionOpen = true;
        st.ItemSecondsLeft = opt.SekundenZeitlimit;
    }
};

}  // namespace

JudgeOptions ReadJudgeOptions(const dao::Recordset& rsOptions) {
    JudgeOptions o;
    o.GKignorieren = OptionInt(rsOptions, QStringLiteral("GKignorieren")) == 1;
    o.BegriffAufloesen = OptionInt(rsOptions, QStringLiteral("BegriffAufloesen")) == 1;
    o.NochmalFragen = OptionInt(rsOptions, QStringLiteral("NochmalFragen")) == 1;
    o.SekundenZeitlimit = OptionInt(rsOptions, QStringLiteral("SekundenZeitlimit"));
    return o;
}

Judgement Judge(TestState& st, dao::Recordset& item, dao::Recordset* user, int u, const JudgeOptions& opt,
                const JudgeInput& in, const QDateTime& now) {
    if (st.TestFinished) return {};
    Steps steps;
    Run r{steps, st, item, user, u, opt, in, {}};

    st.QuestionOpen = false;
    if (r.countable()) {
        r.j.counted = true;
        ++st.AskedCount;
        const QDateTime stamp = now.isValid() ? now : forms::ui().Now();
        r.step([&] { ItemAsked(item, u, stamp); });
        if (user) r.step([&] { UserAsked(*user); });
    }

    const int n = st.Test_WievieleAntwortFelder;
    const bool ignoreCase = opt.GKignorieren;
    BoxMatch m;
    bool singleBox = false;
    bool anyOrder = false;
    if (st.ItemTyp == 0) {
        // Boxes the form did not pass are empty.
        QStringList boxes;
        for (int i = 0; i < n; ++i) boxes << in.boxes.value(i);
        if (n == 1) {
            singleBox = true;
            m = MatchSingleBox(st.ExpectedAnswers, boxes.value(0), ignoreCase);
        } else {
            int order = 0;
            r.step([&] { order = OptionInt(item, QStringLiteral("MindTheOrder")); });
            anyOrder = order == 0;
            m = anyOrder ? MatchAnyOrder(st.ExpectedAnswers, boxes, ignoreCase)
                         : MatchInOrder(st.ExpectedAnswers, boxes, ignoreCase);
        }
    } else if (st.ItemTyp == 1) {
        const std::function<int(int)> unticked = [](int) { return 0; };
        const std::function<bool(int)> unselected = [](int) { return false; };
        bool allRight = false;
        r.step([&] {
            allRight = AllAnswersRight(item, n, in.checkValue ? in.checkValue : unticked,
                                       in.optionSelected ? in.optionSelected : unselected);
        });
        m.verdict = allRight ? Verdict::Right : Verdict::Wrong;
        if (!allRight) m.failingBox = 1;
    }
    r.j.greenBoxes = m.greenBoxes;

    switch (m.verdict) {
        case Verdict::Right:
            r.right(singleBox, anyOrder);
            break;
        case Verdict::Wrong:
            r.wrong(m.failingBox, singleBox);
            break;
        case Verdict::None:
            r.complete();
            break;
    }
    steps.finish();
    return r.j;
}

QString SolutionText(const QStringList& expected) {
    return expected.mid(1).join(QStringLiteral(", "));
}

bool ShowSolutionList(const QStringList& expected) {
    return SolutionText(expected).size() > expected.value(1).size();
}

TipText ItemTip(const dao::Recordset& item) {
    const QString tip = text(item.Value(QStringLiteral("Tip")));
    if (tip.isEmpty()) return {modMain::GetText(710), false};
    return {tip, true};
}

}  // namespace testengine
