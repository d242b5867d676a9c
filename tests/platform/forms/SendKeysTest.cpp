// The key strings the program sends, parsed and delivered to the focus.
#include <gtest/gtest.h>

#include "support/QtPrinters.h"

#include <QApplication>
#include <QLineEdit>
#include <QVBoxLayout>

#include "platform/Error.h"
#include "platform/forms/Interaction.h"
#include "platform/forms/SendKeys.h"

using namespace forms;

TEST(SendKeys, ParsesNamesCharactersModifiersAndCounts) {
    using KS = KeyStroke;
    EXPECT_EQ(parseSendKeys("{TAB}"), (std::vector<KS>{{Qt::Key_Tab, Qt::NoModifier, "\t"}}));
    EXPECT_EQ(parseSendKeys("+{TAB}"), (std::vector<KS>{{Qt::Key_Tab, Qt::ShiftModifier, "\t"}}));
    EXPECT_EQ(parseSendKeys("{bs 2}"), (std::vector<KS>(2, KS{Qt::Key_Backspace, Qt::NoModifier, "\b"})));
    EXPECT_EQ(parseSendKeys("a~"),
              (std::vector<KS>{{Qt::Key_A, Qt::NoModifier, "a"}, {Qt::Key_Return, Qt::NoModifier, "\r"}}));
    EXPECT_EQ(parseSendKeys("^c"), (std::vector<KS>{{Qt::Key_C, Qt::ControlModifier, ""}}));
    EXPECT_EQ(parseSendKeys("{+}{}}{{}"),
              (std::vector<KS>{
                  {'+', Qt::NoModifier, "+"}, {'}', Qt::NoModifier, "}"}, {'{', Qt::NoModifier, "{"}}));
    // A modifier holds for the next key only, or for a whole group.
    const auto group = parseSendKeys("+(ab)c");
    ASSERT_EQ(group.size(), 3u);
    EXPECT_EQ(group[0].text, "A");
    EXPECT_EQ(group[1].text, "B");
    EXPECT_EQ(group[2].modifiers, Qt::NoModifier);
    EXPECT_EQ(parseSendKeys("ß¡é").size(), 3u);
    EXPECT_EQ(parseSendKeys("¡")[0].text, "¡");
}

TEST(SendKeys, MalformedStringsRaiseError5) {
    for (const char* bad : {"{TAB", "{NOKEY}", "(ab", "ab)", "}", "{TAB x}"}) {
        try {
            parseSendKeys(QString::fromUtf8(bad));
            ADD_FAILURE() << bad << " accepted";
        } catch (const wk::Error& e) {
            EXPECT_EQ(e.number(), 5) << bad;
        }
    }
}

TEST(SendKeys, ArriveAfterTheCallerAtTheFocusThatHoldsThen) {
    QWidget form;
    auto* layout = new QVBoxLayout(&form);
    auto* first = new QLineEdit;
    auto* second = new QLineEdit;
    layout->addWidget(first);
    layout->addWidget(second);
    form.show();
    QApplication::setActiveWindow(&form);
    first->setFocus();
    QApplication::processEvents();
    ASSERT_EQ(QApplication::focusWidget(), first);

    first->setText("Hund");
    first->selectAll();
    qtInteraction().SendKeys("K{BACKSPACE}¡{TAB}xy");
    EXPECT_EQ(first->text(), "Hund");  // posted, not yet there
    QApplication::processEvents();
    EXPECT_EQ(first->text(), "¡");
    EXPECT_EQ(second->text(), "xy");
}
