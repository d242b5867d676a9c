// What a screen reader receives over the accessibility bus on the main
// window's way through a test, and so speaks (support/ReaderBus.h); what Orca
// made of the same steps is tools/orca-test-walk.py's.
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QHash>
#include <functional>

#include "editor/frmEditVok.h"
#include "support/Access.h"
#include "support/ReaderBus.h"
#include "testengine/ScreenFixture.h"

using namespace screentest;

namespace {

// What Orca 43 says of the events, starting on the control `on`: a focus
// that moves (to another control, or to one the reader knows as a new
// object) says the control's description as last carried as words (its
// own when none was), for an entry of a list the entry only; words carried
// to the control it is on are said, an object in their place is dropped, and
// so is a check box's tick told there. Behind the program (the step's events
// queued when it reads them) it skips a focus a later one overtook, and a
// caret in the control that ends with the focus takes it there unsaid. Each
// step must be heard the same either way.
struct Reader {
    QWidget* on;
    bool behind;
    uint onId = QAccessible::uniqueId(QAccessible::queryAccessibleInterface(on));
    QHash<QWidget*, QString> carried = {};

    QString hear(const QList<wktest::BusEvent>& events) {
        QStringList said;
        for (qsizetype i = 0; i < events.size(); ++i) {
            const wktest::BusEvent& e = events[i];
            const bool here = e.control == on && e.id == onId;
            if (e.kind == "caret" && behind && e.control == QApplication::focusWidget() &&
                e.control->isVisible())
                std::tie(on, onId) = std::pair(e.control, e.id);
            if (e.kind == "description") {
                if (e.object)
                    carried.remove(e.control);
                else
                    carried[e.control] = e.words;
                if (here && !e.object && !e.words.isEmpty()) said << e.words;
            }
            if (e.kind == "ticked" && here && qobject_cast<QCheckBox*>(on)) said << e.words;
            const bool overtaken =
                behind && std::any_of(events.begin() + i + 1, events.end(),
                                      [](const auto& later) { return later.kind == "focus"; });
            if (e.kind == "focus" && !overtaken && (!here || !e.words.isEmpty())) {
                std::tie(on, onId) = std::pair(e.control, e.id);
                const QString d = carried.value(on, on ? on->accessibleDescription() : QString());
                if (e.words.isEmpty() && !d.isEmpty()) said << d;
            }
        }
        return said.join("|");
    }
};

QString nameOf(const QWidget* w) {
    for (; w; w = w->parentWidget())
        if (!w->objectName().isEmpty()) return w->objectName();
    return {};
}

// The German program's words, as Orca says them, for the English ones.
QString german(QString said) {
    const std::pair<const char*, const char*> words[] = {
        {"Right !", "Richtig !"},
        {"Wrong !", "Falsch !"},
        {"Try 2 of 2", "Versuch 2 von 2"},
        {"Solution:", "Lösung:"},
        {"right :", "richtig :"},
        {"wrong :", "falsch :"},
        {"Please choose the right answer", "Bitte wählen Sie die richtige Antwort"},
        {"Rightclick for clue", "Rechtsklick für Tipp"}};
    for (const auto& [en, de] : words) said.replace(QString(en), QString(de));
    return said;
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
        other_ = makeVokDB("other.wkd");
        addItem(other_, "sun", 0);
        open();
        m().show();
        QApplication::setActiveWindow(&m());
    }
    void key(int k, Qt::KeyboardModifiers mods = {}, const QString& text = {}) {
        ASSERT_TRUE(QApplication::focusWidget());
        wktest::keyTo(QApplication::focusWidget(), k, mods, text);
    }
    QString other_;
};

using Step = std::function<void()>;

// Each step is heard once, where it ends: the focus it brings, and the words
// said, in order. A verdict is said on the control it was given on, before
// the next question; nothing of an earlier item is said again.
TEST_P(ReaderBus, EachStepIsHeardOnceWhereItEnds) {
    if (!wktest::isBusChild()) {
        const QString missing = wktest::busToolsMissing();
        if (!missing.isEmpty()) GTEST_SKIP() << "needs " << missing.toStdString();
        QString log;
        EXPECT_EQ(wktest::runOnBus(home.path(), log), 0) << log.toStdString();
        return;
    }
    wktest::BusTool tool;
    ASSERT_TRUE(tool.ready()) << "no tool heard the program";
    const Step ctrlS = [this] { key(Qt::Key_S, Qt::ControlModifier, "\x13"); };
    const Step enter = [this] { key(Qt::Key_Return, {}, "\r"); };
    const Step right = [this] { m().txtTestA(1)->setText("Katze"); };  // goes on by itself
    const Step wrong = [this, enter] {
        m().txtTestA(1)->setText("x");
        enter();
    };
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
    // The Explanation, closed by Esc, hands the keys back only after the
    // judge went on (as the desktop may).
    const auto explainedBy = [this](Step submit) {
        return Step([this, submit] {
            ui.pushModal([](QWidget& hint) {
                QApplication::setActiveWindow(&hint);
                wktest::keyTo(QApplication::focusWidget(), Qt::Key_Escape, {}, "\x1b");
            });
            submit();
            QApplication::setActiveWindow(&m());
            QCoreApplication::sendPostedEvents();  // what the program left for right after
        });
    };
    const Step explained = explainedBy(wrong);
    const Step typed = [this] { m().txtTestA(1)->setText("x"); };
    const Step toSolve = [this] { m().imgTestBarSolve->setFocus(Qt::TabFocusReason); };
    const Step opened = [this] { m().VokDBOeffnen(other_); };
    const struct {
        const char* step;
        QString with;  // "2 tries", "solution" shown, "no text", a "choice" (of "several") asked first, an
                       // "explanation", "two" items of several answers in a row
        std::vector<Step> keys;  // the last one heard
        QString focus, said;     // in order, "|" between
    } steps[] = {
        {"Ctrl+S from the grid", "", {ctrlS}, "txtTestA(1)", "cat"},
        {"the question's text not shown", "no text", {ctrlS}, "txtTestA(1)", ""},
        {"a right answer goes on by itself", "", {ctrlS, right}, "", "Right !|dog"},
        {"a wrong answer, another try", "2 tries", {ctrlS, wrong}, "", "Wrong !, Try 2 of 2|cat"},
        {"a wrong answer resolved", "solution", {ctrlS, wrong}, "", "Wrong !, Solution: Katze|cat"},
        // No verdict for a solution shown; the item asked again is news.
        {"the solution confirmed", "solution", {ctrlS, wrong, enter}, "", "cat"},
        {"Tab away from the answer", "", {ctrlS, tab}, "chkShowUmlaute", ""},
        {"Shift+Tab back after a verdict", "", {ctrlS, right, tab, backTab}, "txtTestA(1)", "dog"},
        {"a wrong answer, then a choice", "", {ctrlS, right, wrong}, "optTestA(1)", "Wrong !|sky"},
        {"the result",
         "",
         {ctrlS, right, wrong, space, enter},  // the list, then its current entry
         "lstTestWrongWords|lstTestWrongWords/dog",
         "Right !|right : 2, wrong : 1"},
        {"a result with nothing to revise",
         "",
         {ctrlS, right, timeUp},
         "imgTestBarCancel",
         "right : 1, wrong : 0, (Esc)"},
        {"a new test over that result", "", {ctrlS, right, timeUp, ctrlS}, "txtTestA(1)", "cat"},
        {"End test in a new test", "", {ctrlS, right, timeUp, ctrlS, toCancel}, "imgTestBarCancel", "(Esc)"},
        {"Esc from the test", "", {ctrlS, esc}, "vg1", ""},
        {"the item editor closed", "", {editorClosed}, "txtQ|vg1", ""},
        {"Ctrl+S, a choice first", "choice", {ctrlS}, "optTestA(1)", "sky"},
        {"a choice wrong, the solution shown",
         "choice, solution",
         {ctrlS, down, enter},
         "optTestA(1)",
         "Wrong !, Solution: blue|sky"},
        {"a choice wrong, then a typed item", "choice", {ctrlS, down, enter}, "txtTestA(1)", "Wrong !|cat"},
        {"the Explanation closed",
         "solution, explanation",
         {ctrlS, explained},
         "|txtTestA(1)",                   // the Explanation's button, gone since
         "Wrong !, Solution: Katze|cat"},  // told once the focus is back, whenever a reader reads it
        // The verdict was the button's words for a moment only.
        {"the Explanation closed on the button, Tab away and back",
         "solution, explanation",
         {ctrlS, typed, toSolve, explainedBy(space), tab, backTab},
         "imgTestBarSolve",
         "Rightclick for clue"},
        // Heard as when the focus comes to it: with nothing chosen.
        {"a choice asked again after its solution was chosen",
         "choice, solution",
         {ctrlS, down, enter, space, enter},
         "optTestA(1)",
         "sky"},
        {"Enter with nothing chosen", "choice", {ctrlS, enter}, "", "Please choose the right answer|sky"},
        {"Enter with nothing ticked",
         "choice, several",
         {ctrlS, enter},
         "",
         "Please choose the right answer|sky"},
        {"several right answers, one ticked",
         "choice, several",
         {ctrlS, space, enter},
         "txtTestA(1)",
         "Wrong !|cat"},
        // The next item's boxes are new: none is heard cleared, its question once.
        {"two items of several answers, the first left on its first box",
         "choice, several, two",
         {ctrlS, tab, space, backTab, space, enter},
         "chkTestA(1)",
         "Right !|dog"},
        {"two items of several answers, the first left on its second box",
         "choice, several, two",
         {ctrlS, space, tab, space, enter},
         "chkTestA(1)",
         "Right !|dog"},
        {"a database opened", "", {opened}, "", ""},
    };
    for (const auto& s : steps) {
        if (m().TestActive) m().imgTestBarCancel_Click();
        // The order the test asks in (error rate, then question) stays.
        runstate::dbVok->Execute(
            QStringLiteral(
                "UPDATE VOK SET AA1 = 0, AR1 = 0, AF1 = 0, FQ1 = (Q = 'sky') * %1, RA2 = (Q = 'sky') * "
                "%2, Explanation = %3")
                .arg(s.with.contains("choice") ? 50 : 0)
                .arg(s.with.contains("several") ? 1 : 0)
                .arg(s.with.contains("explanation") ? "'a pet'" : "Null"));
        runstate::dbVok->Execute(  // "dog" of several answers too, asked next
            QStringLiteral(
                "UPDATE VOK SET Typ = %1, A2 = CASE %1 WHEN 1 THEN 'Wolf' END, RA1 = %1, RA2 = %1, "
                "FQ1 = 40 * %1 WHERE Q = 'dog'")
                .arg(s.with.contains("two") ? 1 : 0));
        setOpt("AnzahlVersuche", s.with.contains("2 tries") ? 2 : 1);
        setOpt("BegriffAufloesen", s.with.contains("solution") ? 1 : 0);
        setOpt("NochmalFragen", 1);  // the settings clear it without the solution shown
        setOpt("ShowText", s.with.contains("no text") ? 0 : 1);
        m().FocusWork();
        for (size_t k = 0; k + 1 < s.keys.size(); ++k) s.keys[k]();
        Reader keepingUp{QApplication::focusWidget(), false}, behind{QApplication::focusWidget(), true};
        tool.take();
        s.keys.back()();
        const QList<wktest::BusEvent> events = tool.take();
        QStringList focus;
        for (const auto& e : events)
            if (e.kind == "focus") focus << nameOf(e.control) + (e.words.isEmpty() ? "" : "/" + e.words);
        EXPECT_EQ(focus.join("|"), s.focus) << s.step;
        const QString said = GetParam() == 0 ? german(s.said) : s.said;
        EXPECT_EQ(keepingUp.hear(events), said) << s.step;
        EXPECT_EQ(behind.hear(events), said) << s.step << " (the reader behind)";
        // A control nobody sees tells the reader nothing to work through.
        EXPECT_EQ(
            std::count_if(events.begin(), events.end(), [](const auto& e) { return e.kind == "hidden"; }), 0)
            << s.step;
    }
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, ReaderBus, ::testing::Values(0, 1),
                         [](const auto& info) { return info.param == 0 ? "German" : "English"; });

}  // namespace
