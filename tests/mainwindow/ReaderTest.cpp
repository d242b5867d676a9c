// What a screen reader hears on the main window's way through a test: the
// controls Qt tells it take the focus, and the words that describe the
// control the focus ends on (the question, the verdict, the solution, the
// result's figures).
#include <QApplication>
#include <functional>

#include "editor/frmEditVok.h"
#include "support/Access.h"
#include "testengine/ScreenFixture.h"

using namespace screentest;

namespace {

class Reader : public Screen {
protected:
    void SetUp() override {
        Screen::SetUp();
        item("cat", {{"A1", "Katze"}});
        item("dog", {{"A1", "Hund"}});
        item("sky", {{"Typ", 1}, {"A1", "blue"}, {"A2", "red"}, {"RA1", 1}});
        option("Abfragereihenfolge", 1);  // cat, dog, sky
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

// Each step tells of one focus at most, on the control the focus ends on,
// shown; the words describing that control carry what the screen shows
// beside it.
TEST_F(Reader, EachStepIsHeardOnceWhereItEnds) {
    const std::function<void()> ctrlS = [this] { key(Qt::Key_S, Qt::ControlModifier, "\x13"); };
    const std::function<void()> right = [this] { give("Katze"); };
    const std::function<void()> wrong = [this] { give("x"); };
    const std::function<void()> confirm = [this] { key(Qt::Key_Return, {}, "\r"); };
    const std::function<void()> choose = [this] {
        key(Qt::Key_Space, {}, " ");
        key(Qt::Key_Return, {}, "\r");
    };
    const std::function<void()> timeUp = [this] { m().ShowNextQuestion(true); };
    const std::function<void()> esc = [this] { key(Qt::Key_Escape, {}, "\x1b"); };
    // Asked by sound or picture only, the question's text is not heard.
    const std::function<void()> textHidden = [this] {
        setOpt("ShowText", 0);
        m().imgBarStartTest_Click();
        setOpt("ShowText", 1);
    };
    // An item asked once more with the same words: they are news again.
    const std::function<void()> sameAgain = [this] { m().tellAnswerControls(QString()); };
    const std::function<void()> editorClosed = [this] {
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
        int tries;
        bool resolve, started;
        QStringList answers;  // given before the step
        const std::function<void()>& act;
        QStringList focus;
        QString said;  // of the control with the focus afterwards
    } steps[] = {
        {"Ctrl+S from the grid", 1, false, false, {}, ctrlS, {"txtTestA(1)"}, "cat"},
        {"the question's text not shown", 1, false, false, {}, textHidden, {"txtTestA(1)"}, ""},
        {"a right answer goes on by itself", 1, false, true, {}, right, {}, "Right !, dog"},
        {"a wrong answer, another try", 2, false, true, {}, wrong, {}, "Wrong !, Try 2 of 2, cat"},
        {"a wrong answer resolved", 1, true, true, {}, wrong, {}, "Wrong !, Solution: Katze, cat"},
        // The solution shown is confirmed: no verdict, none counted or sounded.
        {"the solution confirmed", 1, true, true, {"x"}, confirm, {}, "cat"},
        {"the same words once more", 1, false, true, {}, sameAgain, {}, "cat"},
        {"a wrong answer, then a choice", 1, false, true, {"Katze"}, wrong, {"optTestA(1)"}, "Wrong !, sky"},
        {"the result",
         1,
         false,
         true,
         {"Katze", "x"},
         choose,
         {"lstTestWrongWords", "lstTestWrongWords/cell"},  // the list, then its current entry
         "Right !, right : 2, wrong : 1"},
        {"a result with nothing to revise",
         1,
         false,
         true,
         {"Katze"},
         timeUp,
         {"imgTestBarCancel"},
         "right : 1, wrong : 0, (Esc)"},
        {"Esc from the test", 1, false, true, {}, esc, {"vg1"}, ""},
        {"the item editor closed", 1, false, false, {}, editorClosed, {"txtQ", "vg1"}, ""},
    };
    for (const auto& s : steps) {
        if (m().TestActive) m().imgTestBarCancel_Click();
        // The order the test asks in (error rate, then question) stays.
        runstate::dbVok->Execute("UPDATE VOK SET AA1 = 0, AR1 = 0, AF1 = 0, FQ1 = 0");
        setOpt("AnzahlVersuche", s.tries);
        setOpt("BegriffAufloesen", s.resolve ? 1 : 0);
        m().FocusWork();
        if (s.started) m().imgBarStartTest_Click();
        for (const QString& a : s.answers) give(a);
        wktest::ReaderLog log;
        s.act();
        EXPECT_EQ(log.focus(), s.focus) << s.step;
        QWidget* f = QApplication::focusWidget();
        ASSERT_NE(f, nullptr) << s.step;
        EXPECT_EQ(f->accessibleDescription(), s.said) << s.step;
        // Words are heard as they change on the control with the focus.
        if (!s.said.isEmpty()) {
            EXPECT_TRUE(log.told().contains(wktest::focusedControl(&m()))) << s.step;
        }
    }
}

}  // namespace
