// Dragging the window by its background and bars, the size grip, and the
// title bar's close, maximise and minimise. The window manager's frame lies
// around the client area, in which the pointer grabs.
#include "mainwindow/BarsFixture.h"

using namespace barstest;
using mainwindow::px;
using mainwindow::twips;

namespace {

class TitleBar : public BarsTest {
protected:
    // The client area's top left on the screen, and its offset in the frame.
    static QPoint client(const QWidget& m) { return m.geometry().topLeft(); }
    static QPoint frame(const QWidget& m) { return m.geometry().topLeft() - m.frameGeometry().topLeft(); }
};

TEST_F(TitleBar, DragKeepsTheGrabbedPointUnderThePointer) {
    auto& m = startMain(1);
    m.move(10, 10);
    cursor = {120, 80};
    m.Form_MouseDown(1, 0, 300, 200);
    m.Form_MouseMove(1, 0, 300, 200);
    EXPECT_EQ(client(m), QPoint(px(120 * 15 - 300), px(80 * 15 - 200)));
    cursor = {130, 85};
    m.Form_MouseMove(1, 0, 300, 200);
    EXPECT_EQ(client(m), QPoint(px(1650), px(1075)));
    // The pressed point (20, 13.3 pixels into the window) is where the pointer is.
    EXPECT_EQ(client(m) + QPoint(px(300), px(200)), cursor);
    // Where the window (its frame) stood before the step is in the user's row.
    EXPECT_EQ(userValue(1, "R3").toInt(), px(1500) - frame(m).x());
    EXPECT_EQ(userValue(1, "R4").toInt(), px(1000) - frame(m).y());

    // A move event without pointer movement changes nothing but the row.
    const QPoint at = m.pos();
    m.Form_MouseMove(1, 0, 300, 200);
    EXPECT_EQ(m.pos(), at);
    EXPECT_EQ(userValue(1, "R3").toInt(), at.x());
    EXPECT_EQ(userValue(1, "R4").toInt(), at.y());

    m.Form_MouseUp(1, 0, 300, 200);
    cursor = {300, 300};
    m.Form_MouseMove(0, 0, 300, 200);
    EXPECT_EQ(m.pos(), at);
}

TEST_F(TitleBar, BarDragIsRelativeToTheBar) {
    auto& m = startMain(1);
    cursor = {400, 300};
    m.fraMainBar_MouseDown(1, 0, 300, 200);
    m.fraMainBar_MouseMove(1, 0, 300, 200);
    const QPoint byBar = client(m);
    EXPECT_EQ(byBar, QPoint(px(400 * 15 - 300 - 2160), px(300 * 15 - 200)));
    m.fraMainBar_MouseUp(1, 0, 0, 0);
    EXPECT_FALSE(m.bWindowDrag);

    m.fraTestBar_MouseDown(1, 0, 300, 200);
    cursor = {410, 300};
    m.fraTestBar_MouseMove(1, 0, 300, 200);
    EXPECT_EQ(client(m), QPoint(px(410 * 15 - 300 - 2160), byBar.y()));
    m.fraTestBar_MouseUp(1, 0, 0, 0);
}

TEST_F(TitleBar, NoDragWhileMaximised) {
    auto& m = startMain(1);
    m.imgBarMax_Click();
    const QPoint at = m.pos();
    cursor = {333, 222};
    m.Form_MouseDown(1, 0, 10, 10);
    m.Form_MouseMove(1, 0, 10, 10);
    EXPECT_EQ(m.pos(), at);
    // The grip does nothing either.
    const QSize size = m.size();
    m.imgSizeArrow_MouseDown(1, 0, 10, 10);
    cursor = {50, 50};
    m.imgSizeArrow_MouseMove(1, 0, 10, 10);
    EXPECT_EQ(m.size(), size);
}

TEST_F(TitleBar, GripFollowsThePointerAndStopsAtItsMinimum) {
    auto& m = startMain(1);
    m.move(100, 100);
    m.imgSizeArrow_MouseDown(1, 0, 105, 90);
    cursor = {800, 600};
    m.imgSizeArrow_MouseMove(1, 0, 105, 90);
    EXPECT_FALSE(m.imgBottom->isVisible());
    // From the frame's top left to the grip's far corner, less the frame's
    // left border and caption.
    EXPECT_EQ(m.width(), px(800 * 15 - 105 - 1500 + 240) - frame(m).x());
    EXPECT_EQ(m.height(), px(600 * 15 - 90 - 1500 + 240) - frame(m).y());
    // The grip stays at the lower right, under the pointer.
    EXPECT_EQ(m.imgSizeArrow->geometry().bottomRight(), m.rect().bottomRight());

    // Far too small: the grip asks for 8500 and the window holds its
    // minimum, which is the outer size, frame included.
    cursor = {150, 150};
    m.imgSizeArrow_MouseMove(1, 0, 105, 90);
    EXPECT_EQ(m.frameGeometry().size(), QSize(px(8640), px(6510)));

    m.imgSizeArrow_MouseUp(1, 0, 105, 90);
    EXPECT_FALSE(m.bSizeGripDrag);
    EXPECT_TRUE(m.imgBottom->isVisible());
    EXPECT_EQ(m.imgBottom->geometry(),
              QRect(0, m.height() - m.imgBottom->height(), m.width(), m.imgBottom->height()));
    // Released, the pointer no longer resizes.
    cursor = {900, 700};
    m.imgSizeArrow_MouseMove(0, 0, 105, 90);
    EXPECT_EQ(m.frameGeometry().size(), QSize(px(8640), px(6510)));
}

TEST_F(TitleBar, MinimiseHidesTheHint) {
    auto& m = startMain(1);
    m.ShowBarPopup("x", 1, 3000, "");
    m.imgBarMin_Click();
    EXPECT_TRUE(m.windowState() & Qt::WindowMinimized);
    EXPECT_FALSE(m.lblBarPopup->isVisible());
}

}  // namespace
