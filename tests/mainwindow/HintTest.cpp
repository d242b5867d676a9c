// Placement, colour and lifetime of the two-line hint, and the title bar's
// hover pictures and hints.
#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTableView>

#include "mainwindow/BarsFixture.h"

using namespace barstest;
using mainwindow::px;
using mainwindow::twips;

namespace {

class Hint : public BarsTest {};

double leftOf(const QWidget* w) {
    return twips(w->x());
}

TEST_F(Hint, MainBarHintNeverCoversTheDatabaseName) {
    auto& m = startMain(1);
    // New database: centre 2160 + 120 + 285 lies left of the name's right edge + 200.
    emit m.imgBarNewDB->mouseMove(0, 0, 1, 1);
    const double nameRight = leftOf(m.lblBDBName) + twips(m.lblBDBName->width()) + 200;
    EXPECT_EQ(m.lblBarPopup->x(), px(nameRight));
    // x = 1 goes as far left as allowed: the same place.
    m.HideBarPopup();
    m.ShowBarPopup("Status", 1, 1, "");
    EXPECT_EQ(m.lblBarPopup->x(), px(nameRight));
}

TEST_F(Hint, CentredOnTheButtonWhenThereIsRoom) {
    auto& m = startMain(1);
    emit m.imgBarStartTest->mouseMove(0, 0, 1, 1);
    const double centre = twips(m.fraMainBar->x()) + twips(m.imgBarStartTest->x()) + 285;
    const double W = twips(m.lblBarPopup->width());
    EXPECT_NEAR(leftOf(m.lblBarPopup), centre - W / 2, 15);
    // The second line is centred under the first.
    const double mid1 = leftOf(m.lblBarPopup) + W / 2;
    const double mid2 = leftOf(m.lblBarPopup2) + twips(m.lblBarPopup2->width()) / 2;
    EXPECT_NEAR(mid1, mid2, 15);
    EXPECT_TRUE(m.lblBarPopup->isVisible());
    EXPECT_TRUE(m.lblBarPopup2->isVisible());
}

TEST_F(Hint, NearTheRightEdgeItEndsTwoHundredTwipsInside) {
    auto& m = startMain(1);
    m.ShowBarPopup("A rather long hint text near the edge", 1, long(twips(m.width())) - 100, "(x)");
    const double W = twips(m.lblBarPopup->width());
    EXPECT_NEAR(leftOf(m.lblBarPopup) + W, twips(m.width()) - 200, 15);
}

TEST_F(Hint, NeverLeftOfTheFloor) {
    auto& m = startMain(1);
    // With the name label out of the way nothing but the floor holds it.
    m.lblBDBName->setGeometry(0, m.lblBDBName->y(), 2, m.lblBDBName->height());
    m.ShowBarPopup("Left", 1, 1, "");
    EXPECT_EQ(m.lblBarPopup->x(), px(2040));
    // On a narrow window the right-edge rule may compute less; the floor wins.
    m.HideBarPopup();
    m.ShowBarPopup(QString(200, 'W'), 1, 8000, "");
    EXPECT_EQ(m.lblBarPopup->x(), px(2040));
}

TEST_F(Hint, SameFirstLineKeepsPlaceColourAndSecondLine) {
    auto& m = startMain(1);
    m.ShowBarPopup("Same", 1, 5000, "first");
    const QPoint at = m.lblBarPopup->pos();
    m.ShowBarPopup("Same", 0, 3000, "second");
    EXPECT_EQ(m.lblBarPopup->pos(), at);
    EXPECT_EQ(m.lblBarPopup2->text(), "first");
    EXPECT_EQ(forms::foreColor(m.lblBarPopup), 0x000000u);
    // Once hidden, the new call shows in full.
    m.HideBarPopup();
    m.ShowBarPopup("Same", 0, 3000, "second");
    EXPECT_EQ(m.lblBarPopup2->text(), "second");
    EXPECT_EQ(forms::foreColor(m.lblBarPopup), 0x808080u);
    EXPECT_EQ(forms::foreColor(m.lblBarPopup2), 0x808080u);
    // True (-1) counts as enabled.
    m.ShowBarPopup("Other", -1, 3000, "");
    EXPECT_EQ(forms::foreColor(m.lblBarPopup), 0x000000u);
}

TEST_F(Hint, TimerWaitsUntilThePointerMoves) {
    auto& m = startMain(1);
    emit m.imgBarExit->mouseMove(0, 0, 1, 1);
    EXPECT_EQ(m.imgBarExit->pictureKey(), m.imgBarExit_Hi->pictureKey());
    m.tmrBar_Timer();
    EXPECT_TRUE(m.lblBarPopup->isVisible());
    EXPECT_EQ(m.imgBarExit->pictureKey(), m.imgBarExit_Hi->pictureKey());
    cursor.rx() += 1;
    m.tmrBar_Timer();
    EXPECT_FALSE(m.lblBarPopup->isVisible());
    EXPECT_EQ(m.imgBarExit->pictureKey(), m.imgBarExit_Lo->pictureKey());
    EXPECT_FALSE(m.tmrBar->isActive());
}

TEST_F(Hint, TimerRunsByItself) {
    auto& m = startMain(1);
    emit m.imgBarOpenDB->mouseMove(0, 0, 1, 1);
    cursor.ry() += 5;
    QElapsedTimer clock;
    clock.start();
    while (m.lblBarPopup->isVisible() && clock.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_FALSE(m.lblBarPopup->isVisible());
    EXPECT_EQ(m.imgBarOpenDB->pictureKey(), pictureOf(m, m.imgBarOpenDB, "Lo"));
}

TEST_F(Hint, TitleBarButtonsLightOneAtATime) {
    auto& m = startMain(1);
    m.imgBarExit_MouseMove(0, 0, 0, 0);
    EXPECT_EQ(m.lblBarPopup->text(), "Exit Wortkiste");
    EXPECT_EQ(m.lblBarPopup2->text(), "(Alt-F4)");
    m.imgBarMin_MouseMove(0, 0, 0, 0);
    EXPECT_EQ(m.lblBarPopup->text(), "Minimize window");
    EXPECT_EQ(m.lblBarPopup2->text(), "(Alt-F5)");
    EXPECT_EQ(m.imgBarMin->pictureKey(), m.imgBarMin_Hi->pictureKey());
    EXPECT_EQ(m.imgBarExit->pictureKey(), m.imgBarExit_Lo->pictureKey());
    m.imgBarMax_MouseMove(0, 0, 0, 0);
    EXPECT_EQ(m.lblBarPopup->text(), "Maximize window");
    EXPECT_EQ(m.lblBarPopup2->text(), "(Alt-Enter)");
    EXPECT_EQ(m.imgBarMax->pictureKey(), m.imgBarMax_Hi->pictureKey());
    EXPECT_EQ(m.imgBarMin->pictureKey(), m.imgBarMin_Lo->pictureKey());
    EXPECT_EQ(forms::foreColor(m.lblBarPopup), 0x000000u);
}

TEST_F(Hint, MaximisedWindowGetsTheRestorePictureAndHint) {
    auto& m = startMain(1);
    m.imgBarMax_Click();
    ASSERT_TRUE(m.windowState() & Qt::WindowMaximized);
    m.imgBarMax_MouseMove(0, 0, 0, 0);
    EXPECT_EQ(m.lblBarPopup->text(), "Restore window");
    EXPECT_EQ(m.imgBarMax->pictureKey(), m.imgBarRestore_Hi->pictureKey());
    cursor.rx() += 3;
    m.tmrBar_Timer();
    EXPECT_EQ(m.imgBarMax->pictureKey(), m.imgBarRestore_Lo->pictureKey());
}

TEST_F(Hint, BackgroundAndOverviewMovesTakeTheHintDown) {
    auto& m = startMain(1);
    m.ShowBarPopup("x", 1, 3000, "y");
    m.Form_MouseMove(0, 0, 10, 10);
    EXPECT_FALSE(m.lblBarPopup->isVisible());
    m.ShowBarPopup("x", 1, 3000, "y");
    m.fraOverview1_MouseMove(0, 0, 10, 10);
    EXPECT_FALSE(m.lblBarPopup->isVisible());
    EXPECT_FALSE(m.lblBarPopup2->isVisible());
}

// A hint goes when what it speaks of has ended or is covered, though the
// pointer has not moved.
TEST_F(Hint, GoesWithTheCellEditAndUnderAWindowOverTheMainWindow) {
    auto& m = startMain(1);
    m.imgBarOverview_Click();
    QApplication::setActiveWindow(&m);
    grid::Grid& g = *m.vg1;
    const long q = g.ColumnIndex("Q");
    g.SetSelectedRow(1);
    g.SetSelectedColumn(q);
    g.view()->setFocus();
    auto key = [](int k, const QString& text) {
        for (auto type : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QKeyEvent e(type, k, Qt::NoModifier, text);
            QApplication::sendEvent(QApplication::focusWidget(), &e);
        }
    };
    key(Qt::Key_F2, {});
    ASSERT_TRUE(m.txtEdit->hasFocus());
    key(Qt::Key_X, "x");
    ASSERT_TRUE(m.lblBarPopup->isVisible());
    ASSERT_EQ(m.lblBarPopup->text(), "Confirm with <Enter>");
    key(Qt::Key_Escape, "\x1b");
    ASSERT_TRUE(m.txtEdit->isHidden());
    EXPECT_FALSE(m.lblBarPopup->isVisible());

    m.cmdOverview1_MouseMove("Import");
    ASSERT_TRUE(m.lblBarPopup->isVisible());
    bool shown = false;
    ui.pushModal([&](QWidget& wizard) {
        QApplication::setActiveWindow(&wizard);
        m.tmrBar_Timer();  // its 50 ms tick while the wizard is up
        shown = m.lblBarPopup->isVisible();
        wizard.hide();
    });
    m.cmdOverview1_Import->click();
    EXPECT_EQ(ui.count(wktest::CallKind::ShowModal), 1);
    EXPECT_FALSE(shown);
}

}  // namespace
