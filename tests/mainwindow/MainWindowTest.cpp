// The main window's start: captions in the chosen language, placement from
// the user's row, and the switch between welcome panel and data view.
#include "mainwindow/RoadFixture.h"
#include "platform/grid/Grid.h"

using namespace roadtest;
using mainwindow::MainForm;

namespace {

class MainWindow : public Road {};

TEST_F(MainWindow, LanguageChosenOnTheStartFormLabelsTheMainWindow) {
    makeUsers({{1, "Ben"}});
    startup::FrmBenutzer f;
    f.Form_Load();
    f.cboLang->setCurrentIndex(0);  // Deutsch
    EXPECT_EQ(f.LblBenutzer->text(), "Benutzer:");
    EXPECT_EQ(f.cmdOK->text(), "&Weiter >>");
    f.cmdOK_Click();

    auto& m = MainForm();
    EXPECT_EQ(m.lblBDBName->text(), "- Keine Datenbank geöffnet -");
    EXPECT_EQ(m.menuItem("mnuDatei")->text(), "&Datei");
    EXPECT_EQ(m.menuItem("mnuVGrid_Alle_Tausche")->text(), "&Vertausche Begriff und Bedeutung");
    EXPECT_EQ(m.menuItem("mnuVGrid_Ansicht_FQ")->text(), "Fehlerquote");

    EXPECT_EQ(m.fraVerwaltung->lblBOpt_Einstellungen->text(), "Einstellungen");
    // Untagged items keep their design captions.
    EXPECT_EQ(m.menuItem("mnuVGrid_Multimedia")->text(), "M&ultimedia");
    EXPECT_EQ(m.menuItem("mnuVGrid_Ansicht_Begriff_3")->text(), "&3");
    EXPECT_EQ(m.windowTitle(), "Wortkiste 4.3");
    EXPECT_EQ(m.lblUsername->text(), "Ben");
    // The choice is the user's from now on.
    EXPECT_EQ(userValue(1, "LANG").toInt(), 0);
}

TEST_F(MainWindow, EnglishUserGetsEnglishCaptions) {
    makeUsers({{1, "Ben"}});
    startup::FrmBenutzer f;
    startAs(f, 1);
    EXPECT_EQ(MainForm().menuItem("mnuDatei")->text(), "&File");
    EXPECT_EQ(MainForm().lblBDBName->text(), "- No database selected -");
}

TEST_F(MainWindow, NeverClosedWindowIsCentredAtTheMinimumSize) {
    makeUsers({{1, "Ben"}});
    startup::FrmBenutzer f;
    startAs(f, 1);
    auto& m = MainForm();
    EXPECT_EQ(m.frameGeometry().size(), QSize(8640 / 15, 6510 / 15));
    EXPECT_FALSE(m.isMaximized());
}

TEST_F(MainWindow, StoredPlacementIsTakenInPixels) {
    makeUsers({{1, "Ben"}, {2, "Eva"}});
    setUserValue(1, "R3", 40);
    setUserValue(1, "R4", 30);
    setUserValue(1, "LastWidth", 700);
    setUserValue(1, "LastHeight", 500);
    setUserValue(2, "LastWidth", 575);
    setUserValue(2, "LastHeight", 433);
    startup::FrmBenutzer f;
    startAs(f, 1);
    EXPECT_EQ(MainForm().pos(), QPoint(40, 30));
    EXPECT_EQ(MainForm().frameGeometry().size(), QSize(700, 500));

    resetRunState();
    startup::FrmBenutzer g;
    startAs(g, 2);
    // The least size is the outer one too, frame included.
    auto& m = MainForm();
    ASSERT_NE(m.frameGeometry().size(), m.size()) << "no frame";
    EXPECT_EQ(m.frameGeometry().size(), QSize(576, 434));
    m.resize(300, 200);
    EXPECT_EQ(m.frameGeometry().size(), QSize(576, 434));
}

TEST_F(MainWindow, MaximisedUserGetsTheRestorePicture) {
    makeUsers({{1, "Ben"}});
    setUserValue(1, "R5", 1);
    startup::FrmBenutzer f;
    startAs(f, 1);
    EXPECT_TRUE(MainForm().windowState() & Qt::WindowMaximized);
    EXPECT_EQ(MainForm().imgBarMax->pictureKey(), MainForm().imgBarRestore_Lo->pictureKey());
}

TEST_F(MainWindow, DataViewAndWelcomePanelTakeTurns) {
    const QString path = makeVokDB("a.wkd");
    makeUsers({{1, "Ben"}});
    startup::FrmBenutzer f;
    startAs(f, 1, path);
    auto& m = MainForm();
    EXPECT_TRUE(runstate::bDBOffen);
    EXPECT_FALSE(m.fraWelcome->isVisibleTo(&m));
    EXPECT_TRUE(m.vg1->isVisibleTo(&m));
    EXPECT_TRUE(m.lblBCount->isVisibleTo(&m));
    EXPECT_TRUE(m.fraMainBar->isVisibleTo(&m));

    m.DisableDataView();
    EXPECT_FALSE(runstate::bDBOffen);
    EXPECT_TRUE(m.fraWelcome->isVisibleTo(&m));
    EXPECT_FALSE(m.vg1->isVisibleTo(&m));
    EXPECT_FALSE(m.lblBCount->isVisibleTo(&m));
    EXPECT_EQ(m.lblBDBName->text(), "- No database selected -");

    m.EnableDataView();
    EXPECT_TRUE(runstate::bDBOffen);
    EXPECT_TRUE(m.lblBCount->text().isEmpty());
    EXPECT_TRUE(m.lblBCount->isVisibleTo(&m));
}

TEST_F(MainWindow, ItemCountFollowsTheGridRowsInTheUsersLanguage) {
    const QString path = makeVokDB("a.wkd");
    makeUsers({{1, "Ben"}});
    startup::FrmBenutzer f;
    startAs(f, 1, path);
    auto& m = MainForm();
    m.vg1->Clear(true);
    m.UpdateWindow("lblbcount");
    EXPECT_EQ(m.lblBCount->text(), "0 Questions");
    m.vg1->AddRow();
    m.UpdateWindow("lblbcount");
    EXPECT_EQ(m.lblBCount->text(), "1 Question");
    m.vg1->AddRow();
    modMain::SetLanguage(0);
    m.UpdateWindow("lblbcount");
    EXPECT_EQ(m.lblBCount->text(), "2 Fragen");

    // Other spellings are no keys.
    m.lblBCount->setText("x");
    m.UpdateWindow("LBLBCOUNT");
    m.UpdateWindow("Themen");
    EXPECT_EQ(m.lblBCount->text(), "x");

    m.DisableDataView();
    m.lblBCount->show();
    m.UpdateWindow("lblbcount");
    EXPECT_TRUE(m.lblBCount->text().isEmpty());
    EXPECT_FALSE(m.lblBCount->isVisibleTo(&m));
}

TEST_F(MainWindow, PanelsShareOneRectangleBelowTheBars) {
    makeUsers({{1, "Ben"}});
    startup::FrmBenutzer f;
    startAs(f, 1);
    auto& m = MainForm();
    m.resize(8640 / 15, 6510 / 15);
    const QRect panel = m.fraOverview1->geometry();
    EXPECT_EQ(m.fraWelcome->geometry(), panel);
    EXPECT_EQ(m.fraVerwaltung->geometry(), panel);
    EXPECT_EQ(m.fraAbfrage->geometry(), panel);
    EXPECT_GE(panel.top(), m.lblBCount->geometry().bottom());
    EXPECT_LE(panel.bottom(), m.imgBottom->geometry().top());
    // The title-bar pictures stay inside the window at its smallest.
    EXPECT_LE(m.imgBarExit->geometry().right(), m.width());
    EXPECT_FALSE(m.imgBarExit->geometry().intersects(m.imgBarMax->geometry()));
    EXPECT_FALSE(m.fraMainBar->geometry().intersects(m.imgBarMin->geometry()));
    EXPECT_GE(m.fraMainBar->height(), m.imgBarNewDB->geometry().bottom());
}

}  // namespace
