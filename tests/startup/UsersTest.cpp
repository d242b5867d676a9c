// User management over the start form: naming, renaming and freeing slots,
// the question before a name with statistics goes, and the start form given
// back by every way out.
#include <QApplication>
#include <QCloseEvent>
#include <QPointer>
#include <functional>

#include "mainwindow/RoadFixture.h"
#include "platform/forms/Colors.h"
#include "platform/forms/Controls.h"
#include "startup/FrmUsers.h"
#include "support/Access.h"
#include "support/QtPrinters.h"

using namespace roadtest;
using wktest::CallKind;

namespace {

class Users : public Road {
protected:
    std::unique_ptr<startup::FrmBenutzer> start;
    QPointer<startup::FrmUsers> form;

    void TearDown() override {
        // A form a test left open must not be found by the next one.
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* u = qobject_cast<startup::FrmUsers*>(w)) u->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        Road::TearDown();
    }

    // Slots 1 Dora and 2 Anna, both with statistics and a last database;
    // German when german is set.
    void openForm(bool german = false) {
        makeUsers({{1, "Dora"}, {2, "Anna"}}, 2, {{1, german ? 0 : 1}, {2, german ? 0 : 1}});
        for (int slot : {1, 2}) {
            setUserValue(slot, "AnzFr", 25);
            setUserValue(slot, "AnzR", 22);
            setUserValue(slot, "AnzF", 3);
            setUserValue(slot, "LastDB", "/somewhere/kurs.wkd");
        }
        start = std::make_unique<startup::FrmBenutzer>();
        start->Form_Load();
        start->show();
        form = fromStartForm();
        ASSERT_TRUE(form);
    }

    // The start form's button opens the form.
    startup::FrmUsers* fromStartForm() {
        start->cmdNeu_Click();
        EXPECT_FALSE(start->cmdOK->isEnabled());
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* u = qobject_cast<startup::FrmUsers*>(w); u && u->isVisible()) return u;
        return nullptr;
    }

    QStringList startList() const {
        QStringList out;
        for (int i = 0; i < start->cboBenutzer->count(); ++i) out << start->cboBenutzer->itemText(i);
        return out;
    }

    void expectFormGone() {
        EXPECT_TRUE(start->isEnabled());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_FALSE(form);
    }
};

TEST_F(Users, FormShowsTheSlotsAndDisablesTheStartForm) {
    openForm();
    EXPECT_FALSE(start->isEnabled());
    EXPECT_EQ(form->windowTitle(), "Users:");
    EXPECT_EQ(form->LblBVerwaltung->text(), "User management");
    EXPECT_EQ(form->LblUser(5)->text(), "User 5:");
    EXPECT_EQ(form->cmdDel(3)->text(), "Delete");
    EXPECT_EQ(form->cmdOK->text(), "&Save");
    EXPECT_EQ(form->TxtN(1)->text(), "Dora");
    EXPECT_EQ(form->TxtN(2)->text(), "Anna");
    EXPECT_EQ(form->TxtO(2)->text(), "Anna");
    EXPECT_EQ(form->TxtN(3)->text(), QString());
    EXPECT_FALSE(form->TxtO(1)->isVisibleTo(form));
    EXPECT_EQ(forms::textLengthLimit(form->TxtN(4)), 20);
    EXPECT_EQ(forms::backColor(form), 0xEFC0A0u);
    EXPECT_EQ(forms::backColor(form->cmdDel(5)), 0xEFC0A0u);
}

TEST_F(Users, RenameWithYesResetsTheTotalsAndTheLastDatabase) {
    openForm();
    form->TxtN(2)->setText("Ben");
    ui.pushMsgBox(forms::vbYes);
    form->cmdOK_Click();

    const auto box = ui.last(CallKind::MsgBox);
    EXPECT_EQ(box.prompt,
              "When deleting/changing the existing name, all statistics of the user Anna will be lost "
              "!\r\rContinue ?");
    EXPECT_EQ(box.style, forms::vbYesNo);
    EXPECT_EQ(box.title, "Warning:");
    EXPECT_EQ(ui.count(CallKind::MsgBox), 1);
    EXPECT_EQ(userValue(2, "Name").toString(), "Ben");
    for (const char* f : {"AnzFr", "AnzR", "AnzF"}) EXPECT_EQ(userValue(2, f).toInt(), 0) << f;
    EXPECT_EQ(userValue(2, "LastDB").toString(), QString());
    // The other slot is untouched.
    EXPECT_EQ(userValue(1, "AnzFr").toInt(), 25);
    EXPECT_EQ(startList(), QStringList({"1: Dora", "2: Ben"}));
    EXPECT_EQ(start->cboBenutzer->currentIndex(), 0);
    EXPECT_TRUE(start->cmdOK->isEnabled());  // the selection handler ran
    EXPECT_TRUE(start->cboBenutzer->isEnabled());
    expectFormGone();
}

TEST_F(Users, QuestionIsAskedInGerman) {
    openForm(true);
    form->cmdDel_Click(1);
    EXPECT_EQ(form->TxtN(1)->text(), QString());
    ui.pushMsgBox(forms::vbYes);
    form->cmdOK_Click();
    const auto box = ui.last(CallKind::MsgBox);
    EXPECT_EQ(
        box.prompt,
        QString("Durch das Löschen bzw. Ändern des Namens gehen sämtliche Statistikdaten des Benutzers Dora "
                "verloren !\r\rTrotzdem fortfahren ?"));
    EXPECT_EQ(box.title, "Achtung:");
    EXPECT_EQ(userValue(1, "Name").toString(), QString());
    EXPECT_EQ(startList(), QStringList({"2: Anna"}));
}

TEST_F(Users, NoKeepsThatRowWhileOtherChangedSlotsAreSaved) {
    openForm();
    form->TxtN(1)->setText("Dorothea");  // asked, Yes
    form->TxtN(2)->setText("Ben");       // asked, No
    form->TxtN(4)->setText("Cleo");      // a free slot: not asked
    ui.pushMsgBox(forms::vbYes);
    ui.pushMsgBox(forms::vbNo);
    form->cmdOK_Click();

    EXPECT_EQ(ui.count(CallKind::MsgBox), 2);
    EXPECT_EQ(userValue(1, "Name").toString(), "Dorothea");
    EXPECT_EQ(userValue(1, "AnzFr").toInt(), 0);
    EXPECT_EQ(userValue(2, "Name").toString(), "Anna");
    EXPECT_EQ(userValue(2, "AnzFr").toInt(), 25);
    EXPECT_EQ(userValue(2, "LastDB").toString(), "/somewhere/kurs.wkd");
    EXPECT_EQ(userValue(4, "Name").toString(), "Cleo");
    EXPECT_EQ(startList(), QStringList({"1: Dorothea", "2: Anna", "4: Cleo"}));
}

// Cancel, the close box and Esc (wherever the focus is) write nothing and
// give the start form back.
TEST_F(Users, CancelTheCloseBoxAndEscWriteNothingAndGiveTheStartFormBack) {
    openForm();
    const auto escOn = [this](QWidget* w) {
        form->show();
        QApplication::setActiveWindow(form);
        w->setFocus(Qt::TabFocusReason);
        wktest::keyTo(w, Qt::Key_Escape, Qt::NoModifier, "\x1b");
    };
    const struct {
        const char* how;
        std::function<void()> leave;
    } ways[] = {
        {"Cancel", [this] { form->cmdAbbruch_Click(); }},
        {"close box", [this] { form->close(); }},
        {"Esc in a name", [&] { escOn(form->TxtN(2)); }},
        {"Esc on a Delete button", [&] { escOn(form->cmdDel(4)); }},
    };
    for (const auto& w : ways) {
        SCOPED_TRACE(w.how);
        if (!form) form = fromStartForm();
        ASSERT_TRUE(form);
        EXPECT_FALSE(start->isEnabled());
        form->TxtN(2)->setText("Ben");
        form->TxtN(5)->setText("Emil");
        w.leave();
        EXPECT_EQ(ui.count(CallKind::MsgBox), 0);
        EXPECT_EQ(userValue(2, "Name").toString(), "Anna");
        EXPECT_EQ(userValue(5, "Name").toString(), QString());
        EXPECT_EQ(startList(), QStringList({"1: Dora", "2: Anna"}));
        expectFormGone();
    }
}

// Whichever way the window closes, the focus goes back to the start
// window's work: the user list, or the users' button while there is none
// (never to the window's own exit picture).
TEST_F(Users, TheFocusGoesBackToTheStartWindowsWork) {
    const struct {
        bool users;
        bool save;
        const char* focus;
    } cases[] = {
        {true, false, "cboBenutzer"},
        {true, true, "cboBenutzer"},
        {false, false, "cmdNeu"},
    };
    for (const auto& c : cases) {
        makeUsers(c.users ? std::map<int, QString>{{1, "Dora"}} : std::map<int, QString>{}, c.users ? 1 : 0);
        start = std::make_unique<startup::FrmBenutzer>();
        start->Form_Load();
        start->show();
        QApplication::setActiveWindow(start.get());
        form = fromStartForm();
        ASSERT_TRUE(form);
        QApplication::setActiveWindow(form);
        c.save ? form->cmdOK_Click() : form->cmdAbbruch_Click();
        expectFormGone();
        QApplication::setActiveWindow(start.get());
        const QWidget* focus = QApplication::focusWidget();
        EXPECT_EQ(focus ? focus->objectName() : QString(), c.focus) << c.users << c.save;
    }
}

// Each "Delete" is heard with the slot it frees.
TEST_F(Users, EveryControlIsReachedByTabAndNamed) {
    for (bool german : {false, true}) {
        openForm(german);
        const QStringList walk = wktest::tabWalk(form->TxtN(1));
        EXPECT_EQ(walk.count("TxtN"), 5) << walk.join(' ').toStdString();
        EXPECT_EQ(walk.count("cmdDel"), 5) << walk.join(' ').toStdString();
        EXPECT_TRUE(walk.contains("cmdOK") && walk.contains("cmdAbbruch")) << walk.join(' ').toStdString();
        EXPECT_EQ(wktest::unnamedControls(form), QStringList());
        for (int i = 1; i <= 5; ++i) {
            const char* heard = german ? "button: Löschen Benutzer %1" : "button: Delete User %1";
            EXPECT_EQ(wktest::heard(form->cmdDel(i)), QString(heard).arg(i));
        }
        // Space on a Delete: the name removed is heard there, until the focus leaves.
        QApplication::setActiveWindow(form);
        form->cmdDel(2)->setFocus();
        wktest::keyTo(form->cmdDel(2), Qt::Key_Space, {}, " ");
        EXPECT_EQ(form->cmdDel(2)->accessibleDescription(),
                  german ? "Benutzer 2 Anna entfernt" : "User 2 Anna removed");
        form->cmdDel(3)->setFocus();  // a free slot: nothing removed, nothing said
        wktest::keyTo(form->cmdDel(3), Qt::Key_Space, {}, " ");
        EXPECT_EQ(form->cmdDel(2)->accessibleDescription() + form->cmdDel(3)->accessibleDescription(), "");
        form->cmdAbbruch_Click();
        roadtest::resetRunState();
    }
}

TEST_F(Users, EnterMovesToTheNextNameAndFromTheLastToSave) {
    openForm();
    form->activateWindow();
    QApplication::setActiveWindow(form);
    int key = 13;
    form->TxtN_KeyPress(2, key);
    EXPECT_EQ(key, 0);
    EXPECT_EQ(QApplication::focusWidget(), form->TxtN(3));
    key = 13;
    form->TxtN_KeyPress(5, key);
    EXPECT_EQ(QApplication::focusWidget(), form->cmdOK);
    key = 'a';
    form->TxtN_KeyPress(1, key);
    EXPECT_EQ(key, 'a');

    // Through the keyboard: the key is swallowed, the text stays.
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
    form->TxtN(1)->setFocus();
    QApplication::sendEvent(form->TxtN(1), &enter);
    EXPECT_EQ(QApplication::focusWidget(), form->TxtN(2));
    EXPECT_EQ(form->TxtN(1)->text(), "Dora");
    form->cmdAbbruch_Click();
}

TEST_F(Users, AllNamesEmptiedLeaveAnEmptyEnabledWhiteList) {
    openForm();
    form->cmdDel_Click(1);
    form->cmdDel_Click(2);
    ui.pushMsgBox(forms::vbYes);
    ui.pushMsgBox(forms::vbYes);
    form->cmdOK_Click();
    EXPECT_EQ(start->cboBenutzer->count(), 0);
    EXPECT_TRUE(start->cboBenutzer->isEnabled());
    EXPECT_TRUE(start->cboBenutzer->styleSheet().contains("#FFFFFF"));
    expectFormGone();
}

TEST_F(Users, RefusedSaveIsReportedAndTheStartFormComesBack) {
    openForm();
    form->TxtN(4)->setText("Cleo");
    // The user database goes away under the form.
    runstate::dbUser->Close();
    ui.pushMsgBox(forms::vbOK);
    form->cmdOK_Click();
    EXPECT_EQ(ui.last(CallKind::MsgBox).style, forms::vbCritical);
    EXPECT_EQ(startList(), QStringList());
    expectFormGone();
}

}  // namespace
