// The window's layout for its size: the minimum, the panels' rectangle and
// the maximised flag in the user's row.
#include <vector>

#include "mainwindow/BarsFixture.h"
#include "mainwindow/LeastSize.h"

using namespace barstest;
using mainwindow::px;

namespace {

class Layout : public BarsTest {};

TEST_F(Layout, MinimumSizeLaysOutAsDesigned) {
    auto& m = startMain(1);
    m.resize(px(8640), px(6510));
    m.Form_Resize();
    EXPECT_EQ(m.imgBottom->geometry(), QRect(0, px(5860), px(8640), px(300)));
    EXPECT_EQ(m.fraOverview1->geometry(), QRect(px(20), px(1200), px(8470), px(4600)));
    EXPECT_EQ(m.fraOverview1_1->x(), px(600));
    EXPECT_EQ(m.fraOverview1_1->size(), QSize(px(7750), px(4570)));
    EXPECT_EQ(m.vg1->x(), px(30));
    EXPECT_EQ(m.vg1->size(), QSize(px(7690), px(4420)));
    // All panels share the overview's rectangle.
    for (QWidget* p : std::initializer_list<QWidget*>{m.fraWelcome, m.fraAbfrage, m.fraVerwaltung})
        EXPECT_EQ(p->geometry(), m.fraOverview1->geometry()) << p->objectName().toStdString();
    EXPECT_EQ(m.fraTestBar->pos(), QPoint(px(2160), 0));
}

TEST_F(Layout, ResizingBelowTheMinimumIsHeldAtTheMinimum) {
    auto& m = startMain(1);
    // The minimum is the outer size, frame included, as the stored size is.
    ASSERT_NE(m.frameGeometry().size(), m.size()) << "no frame";
    m.resize(px(8000), px(6000));
    EXPECT_EQ(m.frameGeometry().size(), QSize(px(8640), px(6510)));
    m.resize(px(9000), px(6000));
    EXPECT_EQ(m.width(), px(9000));
    EXPECT_EQ(m.frameGeometry().height(), px(6510));
    m.resize(px(8000), px(7000));
    EXPECT_EQ(m.frameGeometry().width(), px(8640));
    EXPECT_EQ(m.height(), px(7000));
}

TEST_F(Layout, LargerWindowGrowsThePanelsAndKeepsTheTitleBarInside) {
    auto& m = startMain(1);
    m.resize(900, 700);
    EXPECT_EQ(m.fraOverview1->width(), 900 - px(170));
    EXPECT_EQ(m.fraOverview1->geometry().bottom() + 1, px(mainwindow::twips(700) - 300 - 10 - 400));
    EXPECT_EQ(m.imgBottom->width(), 900);
    for (QWidget* w : {m.imgBarExit, m.imgBarMax, m.imgBarMin, m.imgSizeArrow})
        EXPECT_TRUE(m.rect().contains(w->geometry())) << w->objectName().toStdString();
    // The three title pictures keep their order and spacing.
    EXPECT_LT(m.imgBarMin->x(), m.imgBarMax->x());
    EXPECT_LT(m.imgBarMax->x(), m.imgBarExit->x());
    EXPECT_FALSE(m.imgBarMin->geometry().intersects(m.fraMainBar->geometry()));
}

// Under openbox the least window's client is 574x409: the side toolbar
// closes up so that its last button stays in the panel, above the strip.
TEST_F(Layout, SideToolbarFitsThePanelAtTheLeastSizeUnderAFrame) {
    auto& m = startMain(1);
    m.hide();  // the offscreen frame is not openbox's: no least size of its own
    m.setMinimumSize(0, 0);
    m.resize(574, 409);
    ASSERT_EQ(m.size(), QSize(574, 409));
    m.Form_Resize();
    QPushButton* const bar[] = {m.cmdOverview1_New,       m.cmdOverview1_Delete,
                                m.cmdOverview1_Search,    m.cmdOverview1_Import,
                                m.cmdOverview1_Record,    m.cmdOverview1_SoundImport,
                                m.cmdOverview1_ImportPic, m.cmdOverview1_GridOptions};
    for (size_t i = 0; i < std::size(bar); ++i) {
        const QRect r = bar[i]->geometry();
        EXPECT_TRUE(m.fraOverview1->rect().contains(r)) << bar[i]->objectName().toStdString();
        EXPECT_LE(m.fraOverview1->mapTo(&m, r.bottomLeft()).y(), m.imgBottom->y());
        if (i > 0) {
            EXPECT_FALSE(r.intersects(bar[i - 1]->geometry())) << bar[i]->objectName().toStdString();
        }
    }
}

TEST_F(Layout, MaximisingWritesROneAndRestoringZero) {
    auto& m = startMain(1);
    m.imgBarMax_Click();
    EXPECT_TRUE(m.windowState() & Qt::WindowMaximized);
    EXPECT_EQ(userValue(1, "R5").toInt(), 1);
    EXPECT_EQ(m.imgBarMax->pictureKey(), m.imgBarRestore_Lo->pictureKey());
    EXPECT_EQ(m.fraOverview1->width(), m.width() - px(170));
    // The strip sits at the very bottom after the button, 350 higher after a resize.
    EXPECT_EQ(m.imgBottom->y(), m.height() - m.imgBottom->height());
    EXPECT_TRUE(m.imgBottom->isVisible());
    EXPECT_TRUE(m.imgSizeArrow->isVisible());

    m.imgBarMax_Click();
    EXPECT_FALSE(m.windowState() & Qt::WindowMaximized);
    EXPECT_EQ(userValue(1, "R5").toInt(), 0);
    EXPECT_EQ(m.imgBarMax->pictureKey(), m.imgBarMax_Lo->pictureKey());
    m.resize(m.width() + 15, m.height());
    EXPECT_EQ(m.imgBottom->y(), px(mainwindow::twips(m.height()) - 300 - 350));
}

TEST_F(Layout, MinimisingWritesZeroAndMovesNothing) {
    auto& m = startMain(1);
    setUserValue(1, "R5", 1);
    const QRect panel = m.fraOverview1->geometry();
    m.imgBarMin_Click();
    EXPECT_TRUE(m.windowState() & Qt::WindowMinimized);
    m.Form_Resize();
    EXPECT_EQ(m.fraOverview1->geometry(), panel);
    EXPECT_EQ(userValue(1, "R5").toInt(), 0);
}

TEST_F(Layout, StripStaysPutWhileTheGripIsDragged) {
    auto& m = startMain(1);
    const QRect strip = m.imgBottom->geometry();
    m.bSizeGripDrag = true;
    m.resize(m.width() + 60, m.height() + 45);
    EXPECT_EQ(m.imgBottom->geometry(), strip);
    EXPECT_EQ(m.fraOverview1->width(), m.width() - px(170));
    m.bSizeGripDrag = false;
}

// Frames as openbox draws them: 1,1,20,5 around a normal window, 0,0,19,0
// around a maximised one. A state and its frame may arrive in either order.
TEST(LeastSize, ComesFromTheNormalFrameOnly) {
    using S = Qt::WindowState;
    const QSize normal(2, 25), maximised(0, 19);
    struct Seen {
        QSize frame;
        Qt::WindowStates state;
    };
    const struct {
        const char* what;
        std::vector<Seen> seen;
        QSize least;
    } cases[] = {
        {"normal", {{normal, S::WindowNoState}}, {574, 409}},
        {"maximised after normal", {{normal, S::WindowNoState}, {maximised, S::WindowMaximized}}, {574, 409}},
        {"restored, frame not yet",
         {{normal, S::WindowNoState}, {maximised, S::WindowMaximized}, {maximised, S::WindowNoState}},
         {574, 409}},
        {"full screen", {{normal, S::WindowNoState}, {{0, 0}, S::WindowFullScreen}}, {574, 409}},
        {"started maximised", {{maximised, S::WindowMaximized}}, {}},
        {"no frame yet", {{{0, 0}, S::WindowNoState}}, {}},
    };
    for (const auto& c : cases) {
        mainwindow::LeastClientSize least(QSize(576, 434));
        for (const Seen& s : c.seen) least.see(s.frame, s.state);
        EXPECT_EQ(least.client(), c.least) << c.what;
    }
}

}  // namespace
