// What a screen reader receives over the accessibility bus on the main
// window's way through a test, and so speaks: the controls the focus comes
// to, and the words (the question, the verdict, the solution, the result's
// figures). Checked on a bus of the test's own (support/ReaderBus.h); what
// the real reader made of the same steps is tools/orca-test-walk.py's.
#include <QApplication>
#include <QHash>
#include <functional>

#include "editor/frmEditVok.h"
#include "support/Access.h"
#include "support/ReaderBus.h"
#include "testengine/ScreenFixture.h"

using namespace screentest;

namespace {

// What Orca 43 makes of what reaches it, starting on the control `on`:
// - the focus coming to a control: it goes there and says the control's
//   description as last carried to it (the control's own when none was);
//   coming to an entry of a list or table, it says the entry, not the
//   list's description;
// - a description carried as words: said when it is the control it is on;
//   one carried as an object it drops ("bad content sent to speak()").
// Orca reads the bus when it can. Behind the program (the step's events
// all queued when it reads them) it skips a focus that a later one in
// another control has overtaken, and a caret moved in the control that ends
// with the focus takes it there unsaid, the focus then being no news. Each
// step must be heard the same either way.
struct Reader {
    QWidget* on = nullptr;
    QHash<QWidget*, QString> carried;
    bool behind = false;

    QStringList hear(const QList<wktest::BusEvent>& events) {
        QStringList said;
        for (qsizetype i = 0; i < events.size(); ++i) {
            const wktest::BusEvent& e = events[i];
            if (e.kind == "caret" && behind && e.control == QApplication::focusWidget() &&
                e.control->isVisible())
                on = e.control;
            if (e.kind == "description") {
                if (e.object)
                    carried.remove(e.control);
                else
                    carried[e.control] = e.words;
                if (e.control == on && !e.object && !e.words.isEmpty()) said << e.words;
            }
            const bool overtaken =
                behind && std::any_of(events.begin() + i + 1, events.end(),
                                      [](const auto& later) { return later.kind == "focus"; });
            if (e.kind == "focus" && !overtaken && (e.control != on || !e.words.isEmpty())) {
                on = e.control;
                const QString d = carried.value(on, on ? on->accessibleDescription() : QString());
                if (e.words.isEmpty() && !d.isEmpty()) said << d;
            }
        }
        return said;
    }
};

QString nameOf(const QWidget* w) {
    for (; w; w = w->parentWidget())
        if (!w->objectName().isEmpty()) return w->objectName();
    return {};
}

class ReaderBus : public Screen, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override {
        Screen::SetUp();
        if (!wktest::isBusChild()) return;  // the copy on the bus runs the steps
        language_ = {{1, GetParam()}};
        item("cat", {{"A1", "Katze"}});
        item("dog", {{"A1", "Hund"}});
        item("sky", {{"Typ", 1}, {"A1", "blue"}, {"A2", "red"}, {"RA1", 1}});
        option("ZeigeBewertung", 1);
        open();
        m().show();
        QApplication::setActiveWindow(&m());
    }
    void key(int k, Qt::KeyboardModifiers mods = {}, const QString& text = {}) {
        ASSERT_TRUE(QApplication::focusWidget());
        wktest::keyTo(QApplication::focusWidget(), k, mods, text);
    }
    // A right typed answer goes on by itself, a wrong one with Enter.
    void give(const QString& answer) {
        m().txtTestA(1)->setText(answer);
        if (answer != "Katze") key(Qt::Key_Return, {}, "\r");
    }
};

using Step = std::function<void()>;

// Each step is heard once, where it ends: the focus it brings, and the words
// said, in order. A verdict is said on the control it was given on, before
// the next question; nothing of an earlier item is said again.
TEST_P(ReaderBus, EachStepIsHeardOnceWhereItEnds) {
    if (!wktest::isBusChild()) {
        wktest::AccessBus bus(home.path());
        if (!bus.missing().isEmpty()) GTEST_SKIP() << "needs " << bus.missing().toStdString();
        ASSERT_FALSE(bus.address().isEmpty()) << "the bus did not start";
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        QString log;
        EXPECT_EQ(bus.runChild(QString(test->test_suite_name()) + "." + test->name(), log), 0)
            << log.toStdString();
        return;
    }
    wktest::BusTool tool;
    ASSERT_TRUE(tool.ready()) << "no tool heard the program";
    const bool de = GetParam() == 0;
    const Step ctrlS = [this] { key(Qt::Key_S, Qt::ControlModifier, "\x13"); };
    const Step right = [this] { give("Katze"); };
    const Step wrong = [this] { give("x"); };
    const Step enter = [this] { key(Qt::Key_Return, {}, "\r"); };
    const Step tab = [this] { key(Qt::Key_Tab, {}, "\t"); };
    const Step backTab = [this] { key(Qt::Key_Backtab, Qt::ShiftModifier, "\t"); };
    const Step down = [this] { key(Qt::Key_Down); };
    const Step space = [this] { key(Qt::Key_Space, {}, " "); };
    const Step timeUp = [this] { m().ShowNextQuestion(true); };
    const Step esc = [this] { key(Qt::Key_Escape, {}, "\x1b"); };
    const Step toCancel = [this] { m().imgTestBarCancel->setFocus(Qt::TabFocusReason); };
    const Step editorClosed = [this] {
        ui.pushModal([](QWidget& f) {
            auto& e = static_cast<editor::frmEditVok&>(f);
            QApplication::setActiveWindow(&e);
            wktest::keyTo(e.txtQ, Qt::Key_Escape, {}, "\x1b");
        });
        key(Qt::Key_F4);
        m().activateWindow();  // the desktop hands the keys back
        QApplication::processEvents();
    };
    const struct {
        const char* step;
        QVariantMap options;  // besides one try, no solution shown, cat asked first
        std::vector<Step> before;
        Step act;
        QStringList focus, said;
        QStringList saidDe = {};  // where the German words differ
    } steps[] = {
        {"Ctrl+S from the grid", {}, {}, ctrlS, {"txtTestA(1)"}, {"cat"}},
        {"the question's text not shown", {{"ShowText", 0}}, {}, ctrlS, {"txtTestA(1)"}, {}},
        {"a right answer goes on by itself",
         {},
         {ctrlS},
         right,
         {},
         {"Right !", "dog"},
         {"Richtig !", "dog"}},
        {"a wrong answer, another try",
         {{"AnzahlVersuche", 2}},
         {ctrlS},
         wrong,
         {},
         {"Wrong !, Try 2 of 2", "cat"},
         {"Falsch !, Versuch 2 von 2", "cat"}},
        {"a wrong answer resolved",
         {{"BegriffAufloesen", 1}},
         {ctrlS},
         wrong,
         {},
         {"Wrong !, Solution: Katze", "cat"},
         {"Falsch !, Lösung: Katze", "cat"}},
        // The solution shown is confirmed: no verdict, none counted or
        // sounded. The item is asked again at once, with the same words:
        // news too.
        {"the solution confirmed", {{"BegriffAufloesen", 1}}, {ctrlS, wrong}, enter, {}, {"cat"}},
        {"Tab away from the answer", {}, {ctrlS}, tab, {"chkShowUmlaute"}, {}},
        {"Shift+Tab back after a verdict", {}, {ctrlS, right, tab}, backTab, {"txtTestA(1)"}, {"dog"}},
        {"a wrong answer, then a choice",
         {},
         {ctrlS, right},
         wrong,
         {"optTestA(1)"},
         {"Wrong !", "sky"},
         {"Falsch !", "sky"}},
        {"the result",
         {},
         {ctrlS, right, wrong, space},
         enter,
         {"lstTestWrongWords", "lstTestWrongWords/dog"},  // the list, then its current entry
         {"Right !", "right : 2, wrong : 1"},
         {"Richtig !", "richtig : 2, falsch : 1"}},
        {"a result with nothing to revise",
         {},
         {ctrlS, right},
         timeUp,
         {"imgTestBarCancel"},
         {"right : 1, wrong : 0, (Esc)"},
         {"richtig : 1, falsch : 0, (Esc)"}},
        {"a new test over that result", {}, {ctrlS, right, timeUp}, ctrlS, {"txtTestA(1)"}, {"cat"}},
        {"End test in that new test",
         {},
         {ctrlS, right, timeUp, ctrlS},
         toCancel,
         {"imgTestBarCancel"},
         {"(Esc)"}},
        {"Esc from the test", {}, {ctrlS}, esc, {"vg1"}, {}},
        {"the item editor closed", {}, {}, editorClosed, {"txtQ", "vg1"}, {}},
        {"Ctrl+S, a choice first", {{"sky", 50}}, {}, ctrlS, {"optTestA(1)"}, {"sky"}},
        {"a choice wrong, the solution shown",
         {{"sky", 50}, {"BegriffAufloesen", 1}},
         {ctrlS, down},
         enter,
         {"optTestA(1)"},
         {"Wrong !, Solution: blue", "sky"},
         {"Falsch !, Lösung: blue", "sky"}},
        {"a choice wrong, then a typed item",
         {{"sky", 50}},
         {ctrlS, down},
         enter,
         {"txtTestA(1)"},
         {"Wrong !", "cat"},
         {"Falsch !", "cat"}},
    };
    for (const auto& s : steps) {
        if (m().TestActive) m().imgTestBarCancel_Click();
        // The order the test asks in (error rate, then question) stays.
        runstate::dbVok->Execute("UPDATE VOK SET AA1 = 0, AR1 = 0, AF1 = 0, FQ1 = 0");
        runstate::dbVok->Execute(
            QStringLiteral("UPDATE VOK SET FQ1 = %1 WHERE Q = 'sky'").arg(s.options.value("sky").toInt()));
        const QVariantMap plain{{"AnzahlVersuche", 1}, {"BegriffAufloesen", 0}, {"ShowText", 1}};
        for (auto o = plain.begin(); o != plain.end(); ++o)
            setOpt(o.key(), s.options.value(o.key(), o.value()));
        m().FocusWork();
        for (const Step& b : s.before) b();
        Reader keepingUp, behind;
        behind.behind = true;
        for (Reader* r : {&keepingUp, &behind}) r->on = QApplication::focusWidget();
        tool.take();
        s.act();
        const QList<wktest::BusEvent> events = tool.take();
        QStringList focus;
        for (const auto& e : events)
            if (e.kind == "focus") focus << nameOf(e.control) + (e.words.isEmpty() ? "" : "/" + e.words);
        EXPECT_EQ(focus, s.focus) << s.step;
        const QStringList said = de && !s.saidDe.isEmpty() ? s.saidDe : s.said;
        EXPECT_EQ(keepingUp.hear(events), said) << s.step;
        EXPECT_EQ(behind.hear(events), said) << s.step << " (the reader behind)";
    }
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, ReaderBus, ::testing::Values(0, 1),
                         [](const auto& info) { return info.param == 0 ? "German" : "English"; });

}  // namespace
