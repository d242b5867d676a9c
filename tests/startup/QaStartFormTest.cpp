// The start form as a learner meets it when switching the language.
#include <QApplication>
#include <QKeyEvent>

#include "mainwindow/RoadFixture.h"
#include "startup/FrmUsers.h"

using namespace roadtest;

namespace {

class QaStartForm : public Road {};

TEST_F(QaStartForm, SwitchingTheLanguageKeepsTheUsersButtonWhileUsersExist) {
    makeUsers({{1, "Anna"}});
    startup::FrmBenutzer f;
    f.Form_Load();
    ASSERT_EQ(f.cmdNeu->text(), "&Users");
    f.cboLang->setCurrentIndex(0);
    EXPECT_EQ(f.cmdNeu->text(), "&Benutzer");
    EXPECT_EQ(f.cmdOK->text(), "&Weiter >>");
    f.cboLang->setCurrentIndex(1);
    EXPECT_EQ(f.cmdNeu->text(), "&Users");
}

TEST_F(QaStartForm, SwitchingTheLanguageWithoutUsersOffersANewUser) {
    startup::FrmBenutzer f;
    f.Form_Load();
    f.cboLang->setCurrentIndex(0);
    EXPECT_EQ(f.cmdNeu->text(), "&Neuer Benutzer");
    f.cboLang->setCurrentIndex(1);
    EXPECT_EQ(f.cmdNeu->text(), "&New user");
}

TEST_F(QaStartForm, ChoosingAUserOfTheOtherLanguageKeepsTheUsersButton) {
    makeUsers({{1, "Anna"}, {2, "Ben"}});
    setUserValue(1, "LANG", 0);
    setUserValue(2, "LANG", 1);
    startup::FrmBenutzer f;
    f.Form_Load();
    f.cboBenutzer->setCurrentIndex(0);
    EXPECT_EQ(f.cmdNeu->text(), "&Benutzer");
    f.cboBenutzer->setCurrentIndex(1);
    EXPECT_EQ(f.cboLang->currentIndex(), 1);
    EXPECT_EQ(f.cmdNeu->text(), "&Users");
}

TEST_F(QaStartForm, TheFirstUserSavedTurnsNewUserIntoUsers) {
    startup::FrmBenutzer f;
    f.Form_Load();
    f.show();
    ASSERT_EQ(f.cmdNeu->text(), "&New user");
    f.cmdNeu_Click();
    startup::FrmUsers* users = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* u = qobject_cast<startup::FrmUsers*>(w); u && u->isVisible()) users = u;
    ASSERT_NE(users, nullptr);
    users->TxtN(1)->setText("Clara");
    users->cmdOK_Click();
    EXPECT_EQ(f.cboBenutzer->currentText(), "1: Clara");
    EXPECT_EQ(f.cmdNeu->text(), "&Users");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST_F(QaStartForm, EnterInTheUserListStartsLikeTheDefaultButton) {
    makeUsers({{1, "Anna"}, {2, "Ben"}});
    startup::FrmBenutzer f;
    f.Form_Load();
    f.show();
    f.cboBenutzer->setCurrentIndex(1);
    f.cboBenutzer->setFocus();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(f.cboBenutzer, &enter);
    EXPECT_EQ(runstate::BenutzerNr, 2);
    EXPECT_FALSE(f.isVisible());
}

TEST_F(QaStartForm, EnterDoesNothingWhileNoUserCanStart) {
    startup::FrmBenutzer f;
    f.Form_Load();
    f.show();
    ASSERT_FALSE(f.cmdOK->isEnabled());
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(f.cboLang, &enter);
    EXPECT_EQ(runstate::BenutzerNr, 0);
    EXPECT_TRUE(f.isVisible());
}

}  // namespace
