// The main window for a keyboard user and for assistive tools: Tab reaches
// every button of the bars and of the shown panel, each of them can be
// pressed by the keys and by the tools, and every control has a name.
#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <functional>

#include "mainwindow/BarsFixture.h"
#include "support/Access.h"

using namespace barstest;

namespace {

class Access : public BarsTest {};

const QStringList kBars = {"imgBarNewDB",     "imgBarOpenDB", "imgBarOverview", "imgBarOptions",
                           "imgBarStartTest", "imgBarMin",    "imgBarMax",      "imgBarExit"};

TEST_F(Access, TabReachesEveryButtonOfTheBarsAndThePanel) {
    auto& m = startMain(1);
    const struct {
        const char* panel;
        std::function<void()> show;
        QStringList controls;
    } panels[] = {
        {"overview",
         [&] { m.imgBarOverview_Click(); },
         {"vg1", "cmdOverview1_New", "cmdOverview1_Delete", "cmdOverview1_Search", "cmdOverview1_Import",
          "cmdOverview1_Record", "cmdOverview1_SoundImport", "cmdOverview1_ImportPic",
          "cmdOverview1_GridOptions"}},
        {"settings", [&] { m.imgBarOptions_Click(); }, {"tvVerwaltung"}},
    };
    for (const auto& p : panels) {
        p.show();
        EXPECT_EQ(wktest::missedByTab(m.imgBarNewDB, kBars + p.controls), QStringList()) << p.panel;
        EXPECT_EQ(wktest::unnamedControls(&m), QStringList()) << p.panel;
    }
}

// The picture buttons are buttons to assistive tools, and Space, Enter and
// the tools' press action do what a click does.
TEST_F(Access, PictureButtonsArePressedByKeysAndTools) {
    auto& m = startMain(1);
    m.imgBarOverview_Click();
    const auto keyPress = [](QWidget* w, Qt::Key key) {
        w->setFocus(Qt::TabFocusReason);
        QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    };
    const auto toolPress = [](QWidget* w, Qt::Key) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        ASSERT_EQ(a->role(), QAccessible::Button) << w->objectName().toStdString();
        a->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    };
    const struct {
        const char* how;
        std::function<void(QWidget*, Qt::Key)> press;
        Qt::Key key;
    } ways[] = {
        {"Space", keyPress, Qt::Key_Space}, {"Enter", keyPress, Qt::Key_Return}, {"tool", toolPress, {}}};
    for (const auto& w : ways) {
        m.imgBarOptions_Click();
        w.press(m.imgBarOverview, w.key);
        EXPECT_TRUE(m.fraOverview1->isVisibleTo(&m)) << w.how;
        w.press(m.imgBarOptions, w.key);
        EXPECT_TRUE(m.fraVerwaltung->isVisibleTo(&m)) << w.how;
        const bool maximised = m.isMaximized();
        w.press(m.imgBarMax, w.key);
        EXPECT_NE(m.isMaximized(), maximised) << w.how;
        if (m.isMaximized()) m.imgBarMax_Click();
    }
}

}  // namespace
