// A multiple-choice test taken with the keyboard alone, key events sent to
// whatever has the focus on the real test screen, up to the result screen.
#include <QApplication>
#include <QKeyEvent>

#include "testengine/ScreenFixture.h"

using namespace screentest;

namespace {

class ChoiceKeys : public Screen {
protected:
    void key(int k, const QString& text = {}) {
        for (auto type : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QKeyEvent e(type, k, Qt::NoModifier, text);
            ASSERT_TRUE(QApplication::focusWidget());
            QApplication::sendEvent(QApplication::focusWidget(), &e);
        }
    }
    // The option buttons or check boxes that are on, in order.
    QList<int> on() {
        QList<int> t;
        for (int i = 1; i <= 9; ++i)
            if (m().optTestA(i)->isChecked() || m().chkTestA(i)->isChecked()) t << i;
        return t;
    }
};

TEST_F(ChoiceKeys, AWholeTestToTheResultScreen) {
    for (auto [q, right] : {std::pair{"A", "RA2"}, {"B", "RA3"}, {"C", "RA1"}}) {
        QVariantMap f{{"Typ", 1}, {"A1", "rot"}, {"A2", "gelb"}, {"A3", "blau"}, {right, 1}};
        if (QString(q) == "C") f["RA3"] = 1;  // two right: check boxes
        item(q, f);
    }
    open();
    QApplication::setActiveWindow(&m());
    m().imgBarStartTest_Click();
    const QString enter = "\r";

    ASSERT_EQ(question(), "A");
    key(Qt::Key_Down);
    key(Qt::Key_Down);
    EXPECT_EQ(on(), QList<int>{3});
    key(Qt::Key_Up);
    EXPECT_EQ(on(), QList<int>{2});
    key(Qt::Key_Return, enter);
    EXPECT_EQ(st().RightCount, 1);

    // A wrong choice shows the right one; choosing it goes on.
    ASSERT_EQ(question(), "B");
    key(Qt::Key_Up);  // round the end
    key(Qt::Key_Up);
    EXPECT_EQ(on(), QList<int>{2});
    key(Qt::Key_Return, enter);
    ASSERT_EQ(question(), "B");
    ASSERT_TRUE(m().optTestA(3)->hasFocus());
    key(Qt::Key_Space, " ");
    EXPECT_EQ(on(), QList<int>{3});
    key(Qt::Key_Return, enter);
    ASSERT_EQ(question(), "B");  // asked once more at once
    key(Qt::Key_Up);
    key(Qt::Key_Return, enter);

    ASSERT_EQ(question(), "C");
    key(Qt::Key_Space, " ");
    key(Qt::Key_Tab);
    key(Qt::Key_Tab);
    key(Qt::Key_Space, " ");
    EXPECT_EQ(on(), QList<int>({1, 3}));
    key(Qt::Key_Return, enter);

    ASSERT_TRUE(st().RepeatPass);
    ASSERT_EQ(question(), "B");
    key(Qt::Key_Up);
    key(Qt::Key_Return, enter);
    EXPECT_TRUE(m().fraTestBewertung->isVisible());
    EXPECT_EQ(m().lblTestBR->text(), "2");
    EXPECT_EQ(m().lblTestBF->text(), "1");
}

// Enter judges only what the learner chose: on a choice with nothing chosen
// (the focus resting on the first, not chosen) it records nothing, neither
// a mistake nor the item asked, and the item stays; with a choice made it
// judges that.
TEST_F(ChoiceKeys, EnterWithNothingChosenJudgesNothing) {
    item("A", {{"Typ", 1}, {"A1", "rot"}, {"A2", "gelb"}, {"RA1", 1}});
    item("B", {{"Typ", 1}, {"A1", "rot"}, {"A2", "gelb"}, {"A3", "blau"}, {"RA1", 1}, {"RA3", 1}});
    option("Abfragereihenfolge", 1);
    option("ZeigeBewertung", 1);
    open();
    m().show();
    QApplication::setActiveWindow(&m());
    const struct {
        const char* item;
        QWidget* first;
    } cases[] = {{"A", m().optTestA(1)}, {"B", m().chkTestA(1)}};
    for (const auto& c : cases) {
        m().imgBarStartTest_Click();
        for (int i = 0; i < 2 && question() != c.item; ++i) m().ShowNextQuestion(false);
        ASSERT_EQ(QApplication::focusWidget(), c.first) << c.item;
        ASSERT_EQ(on(), QList<int>()) << c.item;
        key(Qt::Key_Return, "\r");
        key(Qt::Key_Enter, "\r");
        EXPECT_EQ(question(), c.item);
        EXPECT_EQ(stored(c.item, "AA1").toInt(), 0) << c.item;
        // Chosen, it is judged.
        key(Qt::Key_Space, " ");
        key(Qt::Key_Return, "\r");
        EXPECT_EQ(stored(c.item, "AA1").toInt(), 1) << c.item;
        m().imgTestBarCancel_Click();
    }
}

}  // namespace
