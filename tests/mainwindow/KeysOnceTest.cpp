// One key, one action: each shortcut of the main window, pressed as a person
// presses it at the control with the focus, runs its command once, also when
// the command opens a dialog that takes the focus away (as the window
// manager does) before Qt hands the ignored key on to the parents.
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTreeWidget>

#include "editor/frmEditVok.h"
#include "mainwindow/BarsFixture.h"
#include "mainwindow/SettingsPanel.h"
#include "overview/frmGridOptions.h"
#include "vocabdb/frmNewDB.h"

using namespace barstest;
using wktest::CallKind;

namespace {

// Counts how often a widget is shown.
class ShowCounter : public QObject {
public:
    explicit ShowCounter(QWidget* w) { w->installEventFilter(this); }
    int shows = 0;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Show) ++shows;
        return false;
    }
};

class KeysOnce : public BarsTest {
protected:
    mainwindow::frmMain* m = nullptr;

    void SetUp() override {
        BarsTest::SetUp();
        m = &startMain(3);
        // A dialog takes the activation; the window gets it back later.
        ui.setWhileAsking([] {
            if (QWidget* f = QApplication::focusWidget()) f->clearFocus();
        });
        ui.answerAllMsgBoxes(forms::vbOK);
    }

    // The places a user may have left the focus in, each on its panel.
    struct Place {
        const char* name;
        std::function<QWidget*()> prepare;
    };
    std::vector<Place> places() {
        auto* panel = m->fraVerwaltung;
        return {
            {"grid",
             [this] {
                 m->imgBarOverview_Click();
                 return static_cast<QWidget*>(m->vg1->view());
             }},
            {"tree",
             [this, panel] {
                 m->imgBarOptions_Click();
                 return static_cast<QWidget*>(panel->tvVerwaltung);
             }},
            {"text box",
             [this, panel] {
                 m->imgBarOptions_Click();
                 const auto found = panel->tvVerwaltung->findItems(modMain::GetText(582), Qt::MatchExactly);
                 panel->tvVerwaltung_NodeClick(found.value(0));
                 return static_cast<QWidget*>(panel->txtKommentar);
             }},
            {"button",
             [this] {
                 m->imgBarOverview_Click();
                 return static_cast<QWidget*>(m->cmdOverview1_New);
             }},
        };
    }

    // Puts the focus on `w` in the active window.
    void focus(QWidget* w) {
        // Window-system events still pending (a form shown and hidden)
        // would move the activation afterwards.
        QApplication::processEvents();
        QApplication::setActiveWindow(m);
        w->setFocus();
        ASSERT_TRUE(w->hasFocus()) << w->objectName().toStdString();
    }

    // Presses and releases a key as a person does: both go to the control
    // that has the focus at that moment.
    void key(int k, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = {}) {
        auto target = [this]() -> QWidget* {
            QWidget* f = QApplication::focusWidget();
            return f ? f : m;
        };
        QKeyEvent press(QEvent::KeyPress, k, mods, text);
        QApplication::sendEvent(target(), &press);
        QKeyEvent release(QEvent::KeyRelease, k, mods, text);
        QApplication::sendEvent(target(), &release);
    }
};

TEST_F(KeysOnce, CtrlShortcutsActOnceWhereverTheFocusIs) {
    for (const Place& place : places()) {
        SCOPED_TRACE(place.name);

        // A second dialog would be unexpected and fail the test.
        ui.pushOpenCancel();
        focus(place.prepare());
        const int opens = ui.count(CallKind::ShowOpen);
        key(Qt::Key_O, Qt::ControlModifier, "\x0f");
        EXPECT_EQ(ui.count(CallKind::ShowOpen), opens + 1) << "Ctrl+O";

        focus(place.prepare());
        key(Qt::Key_N, Qt::ControlModifier, "\x0e");
        int dialogs = 0;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (qobject_cast<vocabdb::frmNewDB*>(w) && w->isVisible()) {
                ++dialogs;
                w->close();
                w->deleteLater();
            }
        }
        QApplication::processEvents();
        m->setEnabled(true);
        EXPECT_EQ(dialogs, 1) << "Ctrl+N";

        // The panel switches: a second run would show the panel again.
        for (const auto& [k, text, panel] :
             {std::tuple{Qt::Key_D, "\x04", static_cast<QWidget*>(m->fraOverview1)},
              std::tuple{Qt::Key_E, "\x05", static_cast<QWidget*>(m->fraVerwaltung)}}) {
            focus(place.prepare());
            ShowCounter counter(panel);
            key(k, Qt::ControlModifier, text);
            EXPECT_TRUE(panel->isVisibleTo(m)) << text;
            EXPECT_LE(counter.shows, 1) << "Ctrl+" << char('@' + text[0]);
        }

        focus(place.prepare());
        ShowCounter testPanel(m->fraAbfrage);
        key(Qt::Key_S, Qt::ControlModifier, "\x13");
        EXPECT_TRUE(m->TestActive) << "Ctrl+S";
        EXPECT_EQ(testPanel.shows, 1) << "Ctrl+S";
        EXPECT_EQ(m->lblTestXvonX->text(), "1 / 3");
        m->imgTestBarCancel_Click();

        // Ctrl+R starts a recording (a second run would stop it again), or
        // says why it cannot, once.
        focus(place.prepare());
        m->vg1->SetSelectedRow(1);
        const int boxes = ui.count(CallKind::MsgBox);
        key(Qt::Key_R, Qt::ControlModifier, "\x12");
        if (m->IsRecordingItem())
            m->RecordCurrentItem();
        else
            EXPECT_EQ(ui.count(CallKind::MsgBox), boxes + 1) << "Ctrl+R";
    }
}

TEST_F(KeysOnce, OverviewKeysActOnceFromTheGridAndTheToolbar) {
    for (const Place& place : places()) {
        if (std::string(place.name) == "tree" || std::string(place.name) == "text box") continue;
        SCOPED_TRACE(place.name);
        QApplication::setActiveWindow(m);

        ui.pushModal([](QWidget& w) { dynamic_cast<editor::frmEditVok&>(w).cmdCancel_Click(); });
        focus(place.prepare());
        int modals = ui.count(CallKind::ShowModal);
        key(Qt::Key_F4);
        EXPECT_EQ(ui.count(CallKind::ShowModal), modals + 1) << "F4";
        EXPECT_EQ(ui.last(CallKind::ShowModal).formName, "frmEditVok");

        ui.pushModal([](QWidget& w) { w.close(); });
        focus(place.prepare());
        modals = ui.count(CallKind::ShowModal);
        key(Qt::Key_F8);
        EXPECT_EQ(ui.count(CallKind::ShowModal), modals + 1) << "F8";

        for (const int k : {Qt::Key_F6, Qt::Key_F7}) {
            ui.pushOpenCancel();
            focus(place.prepare());
            m->vg1->SetSelectedRow(1);
            const int opens = ui.count(CallKind::ShowOpen);
            key(k);
            EXPECT_EQ(ui.count(CallKind::ShowOpen), opens + 1) << (k == Qt::Key_F6 ? "F6" : "F7");
        }
    }
}

TEST_F(KeysOnce, AltShortcutsActOnce) {
    for (const Place& place : places()) {
        SCOPED_TRACE(place.name);
        focus(place.prepare());
        key(Qt::Key_Return, Qt::AltModifier);
        EXPECT_TRUE(m->windowState() & Qt::WindowMaximized) << "Alt+Enter";
        EXPECT_EQ(userValue(1, "R5").toInt(), 1);
        focus(place.prepare());
        key(Qt::Key_Return, Qt::AltModifier);
        EXPECT_FALSE(m->windowState() & Qt::WindowMaximized) << "Alt+Enter again";
        EXPECT_EQ(userValue(1, "R5").toInt(), 0);
    }
    focus(m->vg1->view());
    key(Qt::Key_F5, Qt::AltModifier);
    EXPECT_TRUE(m->windowState() & Qt::WindowMinimized) << "Alt+F5";
    m->setWindowState(Qt::WindowNoState);
    focus(m->vg1->view());
    EXPECT_THROW(key(Qt::Key_F4, Qt::AltModifier), forms::ProgramEnded);
}

// While a test is on screen, on a question or on its result, the keys of the
// hidden main bar do nothing: the window keeps its test bar, and Esc leads
// back to the main bar, where the keys work again.
TEST_F(KeysOnce, MainBarKeysWaitWhileATestIsOnScreen) {
    const std::tuple<Qt::Key, const char*, const char*> mainBarKeys[] = {
        {Qt::Key_D, "\x04", "Ctrl+D"},
        {Qt::Key_E, "\x05", "Ctrl+E"},
        {Qt::Key_O, "\x0f", "Ctrl+O"},  // an open dialog would be unexpected
        {Qt::Key_N, "\x0e", "Ctrl+N"},
    };
    // No repeat pass: the third item ends the test on its result.
    runstate::rsOptions->Edit();
    runstate::rsOptions->SetValue("FalscheNochmal", 0);
    runstate::rsOptions->Update();
    m->imgBarStartTest_Click();
    ASSERT_TRUE(m->TestActive);
    for (const char* stage : {"question", "result"}) {
        SCOPED_TRACE(stage);
        if (std::string(stage) == "result") {
            for (int i = 0; i < 3; ++i) key(Qt::Key_Return, Qt::NoModifier, "\r");
            ASSERT_TRUE(m->fraTestBewertung->isVisibleTo(m));
        }
        for (const auto& [k, text, name] : mainBarKeys) {
            focus(m->txtTestA(1)->isVisible() ? static_cast<QWidget*>(m->txtTestA(1)) : m->fraAbfrage);
            key(k, Qt::ControlModifier, text);
            EXPECT_TRUE(m->fraTestBar->isVisibleTo(m)) << name;
            EXPECT_TRUE(m->fraAbfrage->isVisibleTo(m)) << name;
            EXPECT_FALSE(m->fraOverview1->isVisibleTo(m)) << name;
            EXPECT_FALSE(m->fraVerwaltung->isVisibleTo(m)) << name;
            EXPECT_TRUE(m->TestActive) << name;
            for (QWidget* w : QApplication::topLevelWidgets())
                EXPECT_FALSE(qobject_cast<vocabdb::frmNewDB*>(w) && w->isVisible()) << name;
        }
    }
    key(Qt::Key_Escape, Qt::NoModifier, "\x1b");
    ASSERT_TRUE(m->fraMainBar->isVisibleTo(m));
    focus(m->vg1->view());
    key(Qt::Key_E, Qt::ControlModifier, "\x05");
    EXPECT_TRUE(m->fraVerwaltung->isVisibleTo(m));
}

// Items without answer fields: Enter, Space and F1 each go on by one item,
// and so does a click on the test bar's judge picture.
TEST_F(KeysOnce, TestKeysMoveOnByOneItem) {
    const auto start = [this] {
        m->imgBarStartTest_Click();
        EXPECT_EQ(m->lblTestXvonX->text(), "1 / 3");
        QWidget* box = m->txtTestA(1);
        focus(box->isVisible() ? box : static_cast<QWidget*>(m->fraAbfrage));
    };
    for (const auto& [k, text] :
         {std::pair{Qt::Key_Return, "\r"}, std::pair{Qt::Key_Space, " "}, std::pair{Qt::Key_F1, ""}}) {
        SCOPED_TRACE(text);
        start();
        key(k, Qt::NoModifier, text);
        EXPECT_EQ(m->lblTestXvonX->text(), "2 / 3");
        EXPECT_EQ(m->txtTestA(1)->text(), "") << "the key did not reach the next item";
        key(k, Qt::NoModifier, text);
        EXPECT_EQ(m->lblTestXvonX->text(), "3 / 3");
        m->imgTestBarCancel_Click();
    }

    start();
    const QPoint c = m->imgTestBarSolve->rect().center();
    QMouseEvent down(QEvent::MouseButtonPress, c, m->imgTestBarSolve->mapToGlobal(c), Qt::LeftButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m->imgTestBarSolve, &down);
    QMouseEvent up(QEvent::MouseButtonRelease, c, m->imgTestBarSolve->mapToGlobal(c), Qt::LeftButton,
                   Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(m->imgTestBarSolve, &up);
    EXPECT_EQ(m->lblTestXvonX->text(), "2 / 3") << "a click on the judge picture";

    // Esc leaves the test, once.
    key(Qt::Key_Escape, Qt::NoModifier, "\x1b");
    EXPECT_FALSE(m->TestActive);
    EXPECT_TRUE(m->fraMainBar->isVisibleTo(m));
}

}  // namespace
