// The ways out of the main window all take the exit path, and the
// new-database button and key open the note dialog over a disabled window.
#include <QApplication>

#include "mainwindow/BarsFixture.h"
#include "vocabdb/frmNewDB.h"

using namespace barstest;
using wktest::CallKind;

namespace {

class TitleBarExit : public BarsTest {
protected:
    void expectEnded(mainwindow::frmMain& m) {
        EXPECT_EQ(ui.count(CallKind::EndProgram), 1);
        EXPECT_FALSE(runstate::dbVok);
        // The placement went into the user's row on the way out.
        EXPECT_EQ(userValue(1, "LastWidth").toInt(), m.frameGeometry().width());
    }
};

TEST_F(TitleBarExit, PlacementIsTheFramedWindowsOuterRectangleAndKeepsAcrossRuns) {
    makeUsers({{1, "Ben"}});
    for (const auto& [field, value] :
         {std::pair{"R3", 120}, {"R4", 90}, {"LastWidth", 700}, {"LastHeight", 520}, {"R5", 0}})
        setUserValue(1, field, value);
    path = makeVokDB("kurs.wkd");
    start = std::make_unique<startup::FrmBenutzer>();
    startAs(*start, 1, path);
    auto& m = mainwindow::MainForm();
    QApplication::processEvents();

    // The window manager frames it; the stored rectangle is the frame's.
    EXPECT_FALSE(m.windowFlags() & Qt::FramelessWindowHint);
    ASSERT_TRUE(m.isVisible());
    EXPECT_NE(m.frameGeometry().size(), m.size()) << "no frame";
    EXPECT_EQ(m.frameGeometry(), QRect(120, 90, 700, 520));

    // Moved by the user, then closed: the outer rectangle is stored, so the
    // next start neither grows nor shifts the window by its frame.
    m.move(150, 100);
    QApplication::processEvents();
    EXPECT_THROW(m.imgBarExit_Click(), forms::ProgramEnded);
    EXPECT_EQ(userValue(1, "R3").toInt(), 150);
    EXPECT_EQ(userValue(1, "R4").toInt(), 100);
    EXPECT_EQ(userValue(1, "LastWidth").toInt(), 700);
    EXPECT_EQ(userValue(1, "LastHeight").toInt(), 520);
    EXPECT_EQ(userValue(1, "R5").toInt(), 0);
}

TEST_F(TitleBarExit, CloseButtonHidesTheHintAndEnds) {
    auto& m = startMain(1);
    m.ShowBarPopup("x", 1, 3000, "");
    EXPECT_THROW(emit m.imgBarExit->clicked(), forms::ProgramEnded);
    EXPECT_FALSE(m.lblBarPopup->isVisible());
    expectEnded(m);
}

TEST_F(TitleBarExit, AltF4Ends) {
    auto& m = startMain(1);
    int key = 115;
    EXPECT_THROW(m.Form_KeyUp(key, 4), forms::ProgramEnded);
    expectEnded(m);
}

TEST_F(TitleBarExit, UnloadEnds) {
    auto& m = startMain(1);
    int cancel = 0;
    EXPECT_THROW(m.Form_Unload(cancel), forms::ProgramEnded);
    expectEnded(m);
}

vocabdb::frmNewDB* shownNewDBDialog() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<vocabdb::frmNewDB*>(w); d && d->isVisible()) return d;
    return nullptr;
}

TEST_F(TitleBarExit, NewDatabaseButtonAndKeyOpenTheNoteDialog) {
    auto& m = startMain(-1);
    m.ShowBarPopup("x", 1, 3000, "");
    emit m.imgBarNewDB->clicked();
    EXPECT_FALSE(m.lblBarPopup->isVisible());
    EXPECT_FALSE(m.isEnabled());
    auto* dlg = shownNewDBDialog();
    ASSERT_TRUE(dlg);
    dlg->cmdAbbrechen_Click();
    EXPECT_TRUE(m.isEnabled());
    EXPECT_FALSE(shownNewDBDialog());

    int key = 'N';
    m.Form_KeyUp(key, 2);
    EXPECT_FALSE(m.isEnabled());
    dlg = shownNewDBDialog();
    ASSERT_TRUE(dlg);
    dlg->cmdAbbrechen_Click();
    EXPECT_TRUE(m.isEnabled());
}

}  // namespace
