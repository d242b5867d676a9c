// The test screen's geometry, the special-character grid and the test bar
// buttons.
#include <QApplication>
#include <QBuffer>
#include <QPixmap>

#include "mainwindow/TestScreen.h"
#include "testengine/ScreenFixture.h"

using namespace screentest;
using namespace mainwindow::tsgeo;
using mainwindow::px;
using wktest::CallKind;

namespace {

class LayoutScreen : public Screen {};

TEST_F(LayoutScreen, SetBestTextWidthKeepsBetweenMinAndMax) {
    open();
    QLineEdit* t = m().txtTestA(5);
    t->setText(QString());
    m().SetBestTextWidth(t, 2000, 600, 9000);
    EXPECT_EQ(t->width(), px(2000));
    m().SetBestTextWidth(t, 0, 600, 9000);
    EXPECT_EQ(t->width(), px(600));
    m().SetBestTextWidth(t, 5000, 600, 3000);  // MAX wins over min
    EXPECT_EQ(t->width(), px(3000));
    t->setText(QString(60, 'W'));
    m().SetBestTextWidth(t, 2000, 600, 100000);
    EXPECT_EQ(t->width(), px(std::round(TextWidth(t->font(), t->text()) + 600)));
    m().SetBestTextWidth(t, 2000, 600, 4000);
    EXPECT_EQ(t->width(), px(4000));
}

TEST_F(LayoutScreen, QuestionTopFollowsTheNumberOfBoxes) {
    item("A drei", {{"A1", "a"}, {"A2", "b"}, {"A3", "c"}, {"AskAllItems", 1}});
    item("B vier", {{"A1", "a"}, {"A2", "b"}, {"A3", "c"}, {"A4", "d"}, {"AskAllItems", 1}});
    option("FalscheNochmal", 0);
    open();
    m().resize(900, 700);
    QApplication::processEvents();
    m().imgBarStartTest_Click();
    const double FH = Height(m().fraAbfrage);
    const double FW = Width(m().fraAbfrage);
    ASSERT_EQ(st().Test_WievieleAntwortFelder, 3);
    EXPECT_EQ(m().lblTestQ->y(), px(std::round(FH / 6)));
    // The boxes stack under the question, centred in the panel.
    for (int i = 1; i <= 3; ++i) {
        QLineEdit* t = m().txtTestA(i);
        EXPECT_NEAR(t->x() + t->width() / 2.0, px(FW / 2), 1.0);
        if (i > 1) {
            EXPECT_EQ(t->y(), m().txtTestA(i - 1)->y() + m().txtTestA(i - 1)->height() + px(30));
        }
    }
    EXPECT_GE(m().txtTestA(1)->y(), m().lblTestQ->y() + m().lblTestQ->height());
    m().fraAbfrage_MouseUp(1);  // has answers: a click does not continue
    EXPECT_EQ(question(), "A drei");
    for (const char* a : {"a", "b", "c"}) m().txtTestA(QString(a)[0].unicode() - 'a' + 1)->setText(a);
    ASSERT_EQ(question(), "B vier");
    EXPECT_EQ(m().lblTestQ->y(), px(FH / 8));

    // A resize lays the shown item out again.
    m().resize(1100, 800);
    QApplication::processEvents();
    m().Form_Resize();
    EXPECT_NEAR(m().txtTestA(1)->x() + m().txtTestA(1)->width() / 2.0, m().fraAbfrage->width() / 2.0, 1.0);
}

TEST_F(LayoutScreen, TypedItemWithoutAnswersInLearningModeNeedsNoBox) {
    item("Leer", {{"AskAllItems", 1}});
    option("Lernmodus", 1);
    option("FalscheNochmal", 0);
    open();
    m().imgBarStartTest_Click();  // no error box: the scripted interaction would fail on one
    ASSERT_EQ(st().Test_WievieleAntwortFelder, 0);
    EXPECT_EQ(m().lblTestQ->y(), px(std::round(Height(m().fraAbfrage) / 3)));
    EXPECT_FALSE(m().txtTestA(2)->isVisibleTo(&m()));
    // The solution box stands under the question, empty.
    EXPECT_TRUE(m().txtTestA(1)->isVisibleTo(&m()));
    EXPECT_TRUE(m().txtTestA(1)->isReadOnly());
    EXPECT_EQ(m().txtTestA(1)->text(), "");
    EXPECT_GE(m().txtTestA(1)->y(), m().lblTestQ->y() + m().lblTestQ->height());
    m().imgTest_MouseUp(1);  // continued by a click
    EXPECT_TRUE(st().TestFinished);
    EXPECT_EQ(ui.count(CallKind::MsgBox), 0);
}

TEST_F(LayoutScreen, LongQuestionWrapsAtThreeQuartersOfTheWindow) {
    item(QString(200, 'x'), {{"A1", "a"}});
    open();
    m().imgBarStartTest_Click();
    const double W = Width(&m());
    const double A = W * 6 / 8;
    EXPECT_EQ(m().lblTestQ->width(), px(A + 700));
    const double th = TextHeight(m().lblTestQ->font(), "x");
    const double t = std::round(TextWidth(m().lblTestQ->font(), question()) + 500);
    EXPECT_EQ(m().lblTestQ->height(), px(th * std::ceil(t / A) + 80));
    EXPECT_NEAR(m().lblTestQ->x() + m().lblTestQ->width() / 2.0, px(W / 2), 1.0);
}

QByteArray pngOfSize(int w, int h) {
    QPixmap p(w, h);
    p.fill(Qt::darkGreen);
    QByteArray b;
    QBuffer buf(&b);
    buf.open(QIODevice::WriteOnly);
    p.save(&buf, "PNG");
    return b;
}

TEST_F(LayoutScreen, PictureGoesUnderTheBoxAndALargeOneIsShownSmaller) {
    item("Baum", {{"A1", "tree"}, {"Bild", pngOfSize(1200, 1000)}});
    item("Blatt", {{"A1", "leaf"}, {"Bild", pngOfSize(60, 40)}});
    item("Wald", {{"A1", "forest"}, {"Bild", pngOfSize(60, 40)}});
    option("FalscheNochmal", 0);
    open();
    m().imgBarStartTest_Click();
    ASSERT_EQ(question(), "Baum");
    QWidget* img = m().imgTest;
    QWidget* panel = m().fraAbfrage;
    EXPECT_TRUE(img->isVisibleTo(&m()));
    EXPECT_LE(img->width(), panel->width());
    EXPECT_LE(img->height(), panel->height() / 2);
    EXPECT_NEAR(double(img->width()) / img->height(), 1.2, 0.02);
    EXPECT_EQ(img->y(), m().txtTestA(1)->y() + m().txtTestA(1)->height() + px(100));
    EXPECT_NEAR(img->x() + img->width() / 2.0, panel->width() / 2.0, 1.0);
    // With a picture the question moves up to an eighth of the panel.
    EXPECT_EQ(m().lblTestQ->y(), px(Height(panel) / 8));

    type(1, "tree");
    ASSERT_EQ(question(), "Blatt");
    EXPECT_EQ(img->size(), QSize(60, 40));

    // Without pictures in the options none is shown.
    setOpt("ShowPic", 0);
    type(1, "leaf");
    ASSERT_EQ(question(), "Wald");
    EXPECT_FALSE(img->isVisibleTo(&m()));
}

TEST_F(LayoutScreen, LongChoiceWrapsAndSharesTheLeftEdge) {
    const QString longText = QString("lang ").repeated(40).trimmed();
    item("Wahl", {{"Typ", 1}, {"A1", "kurz"}, {"A2", longText}, {"RA1", 1}});
    open();
    m().imgBarStartTest_Click();
    const double A = Width(&m()) * 6 / 8;
    QAbstractButton* a = m().optTestA(1);
    QAbstractButton* b = m().optTestA(2);
    EXPECT_EQ(b->width(), px(A + 700));
    EXPECT_EQ(a->x(), b->x());
    EXPECT_EQ(a->x(), px(Width(m().fraAbfrage) / 2 - Width(b) / 2));
    const int lines = b->text().count('\n') + 1;
    EXPECT_GE(lines, 2);
    EXPECT_GE(b->height(), px(TextHeight(b->font(), "x") * lines));
    EXPECT_EQ(b->text().simplified(), longText);
    EXPECT_EQ(b->y(), a->y() + a->height() + px(100));
}

TEST_F(LayoutScreen, ResultPanelStaysCentredAfterTheTest) {
    item("Haus", {{"A1", "house"}});
    option("FalscheNochmal", 0);
    open();
    m().imgBarStartTest_Click();
    type(1, "house");
    ASSERT_TRUE(m().fraTestBewertung->isVisibleTo(&m()));
    m().resize(1000, 760);
    QApplication::processEvents();
    m().Form_Resize();
    QWidget* r = m().fraTestBewertung;
    EXPECT_NEAR(r->x() + r->width() / 2.0, m().fraAbfrage->width() / 2.0, 1.0);
    EXPECT_EQ(r->y(), 0);
    // Inside the panel, not cut.
    EXPECT_GE(r->x(), 0);
    EXPECT_LE(r->x() + r->width(), m().fraAbfrage->width());
}

TEST_F(LayoutScreen, UmlautGridColumnsFollowItsWidth) {
    open();
    auto* g = m().vgUmlaute;
    g->resize(32 + 8 * 17, g->height());
    m().FillUmlauteGrid();
    ASSERT_EQ(g->Columns(), 8);
    EXPECT_EQ(g->Rows(), 8);
    EXPECT_EQ(g->CellText(1, 1), QString::fromUtf8("À"));
    EXPECT_EQ(g->CellText(1, 8), QString::fromUtf8("ã"));
    EXPECT_EQ(g->CellText(8, 8), QString::fromUtf8("ÿ"));
    EXPECT_EQ(g->CellText(6, 7), QString::fromUtf8("×"));
    EXPECT_EQ(g->CellText(6, 8), QString::fromUtf8("÷"));
    EXPECT_EQ(g->ColumnWidth("1"), 17);

    g->resize(32 + 7 * 17, g->height());
    m().FillUmlauteGrid();
    ASSERT_EQ(g->Columns(), 7);
    EXPECT_EQ(g->Rows(), 10);
    EXPECT_EQ(g->CellText(1, 7), QString::fromUtf8("Ã"));
    EXPECT_EQ(g->CellText(2, 1), QString::fromUtf8("ã"));
    EXPECT_EQ(g->CellText(10, 1), QString::fromUtf8("ÿ"));
    EXPECT_EQ(g->CellText(10, 2), "");

    g->resize(32 + 17 * 64 + 40, g->height());
    m().FillUmlauteGrid();
    EXPECT_EQ(g->Rows(), 1);
    EXPECT_GE(g->Columns(), 64);

    g->resize(20, g->height());  // narrower than a column: still one
    m().FillUmlauteGrid();
    EXPECT_EQ(g->Columns(), 1);
    EXPECT_EQ(g->Rows(), 64);
}

TEST_F(LayoutScreen, DoubleClickTypesIntoTheLastFocusedBox) {
    item("Wut", {{"A1", "Zorn"}, {"A2", QString::fromUtf8("Ärger")}, {"AskAllItems", 1}});
    open();
    m().imgBarStartTest_Click();
    ASSERT_EQ(st().Test_WievieleAntwortFelder, 2);
    auto* g = m().vgUmlaute;
    long row = 0, col = 0;
    for (long r = 1; r <= g->Rows() && !row; ++r)
        for (long c = 1; c <= g->Columns(); ++c)
            if (g->CellText(r, c) == QString::fromUtf8("Ä")) {
                row = r;
                col = c;
                break;
            }
    ASSERT_GT(row, 0);
    QLineEdit* box = m().txtTestA(2);
    box->setText("rger");
    box->setCursorPosition(0);
    m().txtTestA_GotFocus(2);
    m().vgUmlaute_DblClick(row, col);
    EXPECT_EQ(box->text(), QString::fromUtf8("Ärger"));
    // The box's change handling ran: the answer is accepted.
    EXPECT_EQ(colour(box), 0x80FF80u);
    EXPECT_EQ(ui.count(CallKind::SendKeys), 0);

    // The toggle shows and hides the grid.
    m().chkShowUmlaute->setChecked(true);
    EXPECT_TRUE(g->isVisibleTo(&m()));
    m().chkShowUmlaute->setChecked(false);
    EXPECT_FALSE(g->isVisibleTo(&m()));
}

TEST_F(LayoutScreen, TestBarButtonsSwapTheirPictures) {
    item("Hund", {{"A1", "dog"}});
    option("NochmalFragen", 0);
    option("FalscheNochmal", 0);
    open();
    m().imgBarStartTest_Click();
    auto key = [](mainwindow::ImageBox* b) { return b->pictureKey(); };
    EXPECT_EQ(key(m().imgTestBarSolve), ":/testengine/testbar_solve_lo.png");

    m().imgTestBarSolve_MouseMove(0, 0, 1, 1);
    EXPECT_EQ(key(m().imgTestBarSolve), ":/testengine/testbar_solve_hi.png");
    EXPECT_EQ(m().lblBarPopup->text(), "Correct/continue");
    EXPECT_EQ(m().lblBarPopup2->text(), "Rightclick for clue");
    m().imgTestBarSolve_MouseDown(1, 0, 1, 1);
    EXPECT_TRUE(m().bSolveDown);
    EXPECT_EQ(key(m().imgTestBarSolve), ":/testengine/testbar_solve_down.png");
    m().imgTestBarSolve_MouseMove(1, 0, 1, 1);  // held down: nothing changes
    EXPECT_EQ(key(m().imgTestBarSolve), ":/testengine/testbar_solve_down.png");

    // Moving to Cancel puts Solve back at once.
    m().imgTestBarCancel_MouseMove(0, 0, 1, 1);
    EXPECT_EQ(key(m().imgTestBarSolve), ":/testengine/testbar_solve_lo.png");
    EXPECT_EQ(key(m().imgTestBarCancel), ":/testengine/testbar_cancel_hi.png");
    EXPECT_EQ(m().lblBarPopup->text(), "End test");

    // An item without a sound: grey hint, no picture change, no press.
    m().imgTestBarSound_MouseMove(0, 0, 1, 1);
    EXPECT_EQ(m().lblBarPopup->text(), "Play sound");
    EXPECT_EQ(forms::foreColor(m().lblBarPopup), 0x808080u);
    EXPECT_EQ(key(m().imgTestBarSound), ":/testengine/testbar_sound_lo.png");
    m().imgTestBarSound_MouseDown(1, 0, 1, 1);
    EXPECT_FALSE(m().bSoundDown);

    // Solve released: the judge runs and the button shows its hover picture.
    m().imgTestBarSolve_MouseDown(1, 0, 1, 1);
    m().txtTestA(1)->setText("do");
    m().imgTestBarSolve_MouseUp(1, 0, 1, 1);
    EXPECT_FALSE(m().bSolveDown);
    EXPECT_EQ(key(m().imgTestBarSolve), ":/testengine/testbar_solve_hi.png");
    EXPECT_EQ(st().AskedCount, 1);
    EXPECT_TRUE(st().WasResolved);

    // After the end, Solve shows no hint; Cancel still does.
    m().imgTestBarSolve_MouseUp(1, 0, 1, 1);
    ASSERT_TRUE(st().TestFinished);
    m().HideBarPopup();
    m().imgTestBarSolve_MouseMove(0, 0, 1, 1);
    EXPECT_FALSE(m().lblBarPopup->isVisibleTo(&m()));
    m().imgTestBarCancel_MouseMove(0, 0, 1, 1);
    EXPECT_EQ(m().lblBarPopup->text(), "End test");
}

}  // namespace
