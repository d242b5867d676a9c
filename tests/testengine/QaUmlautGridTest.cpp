// The special-character grid as the learner sees it: every character whole.
#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QTableView>

#include "mainwindow/TestScreen.h"
#include "support/Access.h"
#include "testengine/ScreenFixture.h"

using namespace screentest;

namespace {

class QaUmlautGrid : public Screen {};

TEST_F(QaUmlautGrid, ARowOfCharactersIsShownWholeAndTheGridStaysInThePanel) {
    item("Ente", {{"A1", "duck"}});
    open();
    m().resize(575, 435);  // the size the window first opens with
    m().show();
    QApplication::processEvents();
    m().imgBarStartTest_Click();
    m().chkShowUmlaute->setChecked(true);
    QApplication::processEvents();
    auto* g = m().vgUmlaute;
    ASSERT_TRUE(g->isVisible());

    QFont f = m().txtTestA(1)->font();
    f.setPointSize(12);
    const int line = QFontMetrics(f).height();
    EXPECT_GE(g->RowHeight(1), line);
    // No ink on the first or last pixel row of what the grid shows, in the
    // cells of À and Ç: the accent and the cedilla are not cut off.
    const QImage shown = g->view()->viewport()->grab().toImage();
    for (int col : {0, 14}) {
        if (col >= g->Columns()) continue;
        const QRect cell = g->view()->visualRect(g->view()->model()->index(0, col));
        for (int y : {0, shown.height() - 1})
            for (int x = cell.left() + 1; x < cell.right(); ++x)
                EXPECT_GT(qGray(shown.pixel(x, y)), 100) << "column " << col << " x " << x << " y " << y;
    }
    // The first row lies wholly inside what the grid shows: a cedilla or an
    // accent is not cut off.
    QTableView* view = g->view();
    const QRect cell = view->visualRect(view->model()->index(0, 0));
    EXPECT_GE(cell.top(), 0);
    EXPECT_LE(cell.bottom(), view->viewport()->rect().bottom());
    EXPECT_LE(g->y() + g->height(), m().fraAbfrage->height());

    // A resize lays the grid out again, and it stays whole.
    m().resize(1000, 760);
    QApplication::processEvents();
    const QRect again = view->visualRect(view->model()->index(0, 0));
    EXPECT_LE(again.bottom(), view->viewport()->rect().bottom());
    EXPECT_LE(g->y() + g->height(), m().fraAbfrage->height());
}

// A learner without the accented keys picks a sign with Enter or Space as
// with a double click: it goes in at the answer's caret, and the answer has
// the focus again.
TEST_F(QaUmlautGrid, EnterAndSpaceInsertTheCurrentSign) {
    item("Kaffee", {{"A1", "cafe au lait"}});
    open();
    m().show();
    QApplication::setActiveWindow(&m());
    m().imgBarStartTest_Click();
    m().chkShowUmlaute->setChecked(true);
    const struct {
        Qt::Key key;
        const char* text;
    } keys[] = {{Qt::Key_Return, "\r"}, {Qt::Key_Space, " "}};
    for (const auto& k : keys) {
        m().txtTestA(1)->setText("caf");
        grid::Grid* g = m().vgUmlaute;
        g->setFocus();
        for (long r = 1; r <= g->Rows(); ++r)
            for (long c = 1; c <= g->Columns(); ++c)
                if (g->CellText(r, c) == QStringLiteral("\u00e9")) {
                    g->SetSelectedRow(r);
                    g->SetSelectedColumn(c);
                }
        wktest::keyTo(QApplication::focusWidget(), k.key, Qt::NoModifier, QString::fromLatin1(k.text));
        EXPECT_EQ(m().txtTestA(1)->text(), QStringLiteral("caf\u00e9")) << k.text;
        EXPECT_EQ(QApplication::focusWidget(), m().txtTestA(1)) << k.text;
    }
}

}  // namespace
