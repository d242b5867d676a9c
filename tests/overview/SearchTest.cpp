// The grid search: order of hits, wrapping, the hit colour and the messages.
#include "GridOptionsFixture.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTableView>

#include "../support/QtPrinters.h"
#include "../support/ScriptedInteraction.h"
#include "overview/frmSearch.h"
#include "support/Access.h"

using overview::frmSearch;
using overview::SearchCol;
using overview::SearchRow;

namespace {

using Cell = std::pair<long, long>;

class SearchTest : public dialogstest::DialogsTest {
protected:
    void SetUp() override {
        DialogsTest::SetUp();
        SearchRow = 0;
        SearchCol = 0;
        addItem("xAby", "ab", false);
        addItem("Haus", "house", false);
        addItem("kab", "abc", false);
        openItems();
        host.grid.AddColumn("A1", "Answer 1");
        for (long r = 1; r <= 3; ++r) {
            host.items->SetAbsolutePosition(r - 1);
            host.grid.SetCellText(r, 4, host.items->Value("A1").toString());
        }
        host.grid.SetCellBackColor(2, 4, 0xE0E0E0);  // rows in question order: Haus, kab, xAby
        host.grid.SetSelectedRow(2);
        host.grid.SetSelectedColumn(3);
    }

    // One Enter with `text`; the cell that carries the hit colour after it.
    Cell enter(frmSearch& f, const QString& text) {
        f.txtS->setText(text);
        EXPECT_EQ(f.txtS_KeyPress(13), 0);
        return {f.hitRow(), f.hitColumn()};
    }
    Cell current() const { return {host.grid.SelectedRow(), host.grid.SelectedColumn()}; }
};

TEST_F(SearchTest, LoadEmptiesTheTextAndTakesTheAnswerFont) {
    setOption("SchriftartA", "DejaVu Serif");
    wktest::ScriptedUi ui;
    frmSearch f(host);
    f.txtS->setText("old");
    f.Form_Load();
    EXPECT_EQ(f.windowTitle(), "Search for ...");
    EXPECT_EQ(wktest::heard(f.txtS), "text: Search text");  // named though no label shows
    EXPECT_EQ(f.txtS->text(), "");
    EXPECT_EQ(f.txtS->font().family(), QFont("DejaVu Serif").family());
    EXPECT_EQ(f.hitRow(), 0);
    // Typing stops at 40 characters.
    f.txtS->setFocus();
    for (int i = 0; i < 45; ++i) {
        QKeyEvent k(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
        QApplication::sendEvent(f.txtS, &k);
    }
    EXPECT_EQ(f.txtS->text().size(), 40);
}

TEST_F(SearchTest, HitsFollowRowsLeftToRightWithoutRegardToCaseAndWrapAfterTheLastRow) {
    wktest::ScriptedUi ui;
    frmSearch f(host);
    f.Form_Load();
    EXPECT_EQ(enter(f, "ab"), Cell(2, 3));  // kab
    EXPECT_EQ(enter(f, "AB"), Cell(2, 4));  // abc: capitals find it too, in the next cell
    // Heard where the learner types: the cell, and its row by the question.
    EXPECT_EQ(f.txtS->accessibleDescription(), "Answer 1: abc, Word/Question: kab");
    EXPECT_EQ(current(), Cell(2, 4));       // the hit is the grid's current cell
    EXPECT_EQ(enter(f, "ab"), Cell(3, 3));  // xAby
    EXPECT_EQ(current(), Cell(3, 3));
    // A hit in the last row sends the next search to the top, though (3, 4)
    // would match too.
    EXPECT_EQ(enter(f, "ab"), Cell(2, 3));
    EXPECT_EQ(ui.count(wktest::CallKind::MsgBox), 0);
    // Each hit made its row's record current through the selection handler.
    ASSERT_EQ(host.selections.size(), 4u);
    EXPECT_EQ(host.selections[2], Cell(3, 3));
    EXPECT_EQ(host.items->Value("Q").toString(), "kab");
    EXPECT_EQ(current(), Cell(2, 3));
}

TEST_F(SearchTest, TheHitIsColouredAndTheFormerHitGetsItsColourBack) {
    wktest::ScriptedUi ui;
    frmSearch f(host);
    f.Form_Load();
    const long before23 = host.grid.CellBackColor(2, 3);
    enter(f, "ab");
    EXPECT_EQ(host.grid.CellBackColor(2, 3), overview::SearchHitColour);
    enter(f, "ab");
    EXPECT_EQ(host.grid.CellBackColor(2, 3), before23);
    EXPECT_EQ(host.grid.CellBackColor(2, 4), overview::SearchHitColour);
    // Closing gives the last hit its stripe back.
    f.txtS_KeyPress(27);
    EXPECT_EQ(host.grid.CellBackColor(2, 4), 0xE0E0E0);
}

TEST_F(SearchTest, NothingFoundSaysSoEachTimeAndTheHitKeepsItsColour) {
    wktest::ScriptedUi ui;
    frmSearch f(host);
    f.Form_Load();
    enter(f, "haus");
    ASSERT_EQ(host.grid.CellBackColor(1, 3), overview::SearchHitColour);
    for (int i = 0; i < 2; ++i) {
        ui.pushMsgBox(forms::vbOK);
        enter(f, "zebra");
        const auto& m = ui.last(wktest::CallKind::MsgBox);
        EXPECT_EQ(m.prompt, "String not found !");
        EXPECT_EQ(m.style, forms::vbOKOnly | forms::vbInformation);
        EXPECT_EQ(m.title, "Wortkiste");
        EXPECT_EQ(SearchRow, 0);
        EXPECT_EQ(f.txtS->accessibleDescription(), "");  // no old hit heard after the box
    }
    EXPECT_EQ(ui.count(wktest::CallKind::MsgBox), 2);
    EXPECT_EQ(host.grid.CellBackColor(1, 3), overview::SearchHitColour);
    // After the end the search starts at the top again.
    EXPECT_EQ(enter(f, "HOUSE"), Cell(1, 4));
}

TEST_F(SearchTest, TheIconColumnIsNeverSearchedButTheHiddenNumberColumnIs) {
    host.grid.SetCellText(1, 1, "zz");
    // Room for one row: the third must be scrolled to.
    host.grid.resize(300, host.grid.view()->horizontalHeader()->height() + host.grid.RowHeight(1) + 4);
    host.grid.show();
    wktest::ScriptedUi ui;
    frmSearch f(host);
    f.Form_Load();
    EXPECT_EQ(enter(f, "2"), Cell(3, 2));  // the "no" cell of the third row
    EXPECT_EQ(current(), Cell(3, 3));      // the cursor on what the row shows
    EXPECT_EQ(f.txtS->accessibleDescription(), "Word/Question: xAby");
    QTableView* v = host.grid.view();
    EXPECT_TRUE(v->viewport()->rect().contains(v->visualRect(v->model()->index(2, 2)).center()));
    ui.pushMsgBox(forms::vbOK);
    enter(f, "zz");
    EXPECT_EQ(ui.count(wktest::CallKind::MsgBox), 1);
}

// A search that finds nothing leaves the cursor on a row that is shown:
// after a hit in the last row it starts again at row 1, and row 1 is
// brought into view, as is the row the cursor stays on otherwise.
TEST_F(SearchTest, NothingFoundLeavesTheCurrentRowInSight) {
    // Twelve rows, room for one: the others must be scrolled to, and row 1
    // is far from the middle.
    for (int i = 1; i <= 9; ++i) addItem(QString("zeile%1").arg(i), "z", false);
    openItems();
    host.grid.resize(300, host.grid.view()->horizontalHeader()->height() + host.grid.RowHeight(1) + 4);
    host.grid.show();
    QTableView* v = host.grid.view();
    const auto inSight = [&](long row) {
        const QRect cell = v->visualRect(v->model()->index(int(row - 1), 2));
        return v->viewport()->rect().contains(cell.center());
    };
    // As in the main window, a row the grid makes current makes its item current.
    QObject::connect(&host.grid, &grid::Grid::SelectionChange, &host.grid,
                     [this](long r, long c) { host.vg1_SelectionChange(r, c); });
    wktest::ScriptedUi ui;
    frmSearch f(host);
    f.Form_Load();
    const struct {
        const char* after;
        QString hit;
        long row;  // the row then current and shown
    } cases[] = {
        {"a hit in the last row", "zeile9", 1},
        {"a hit in the middle", "zeile3", 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.after);
        enter(f, c.hit);
        v->scrollToBottom();
        ui.pushMsgBox(forms::vbOK);
        enter(f, "zebra");
        EXPECT_EQ(host.grid.SelectedRow(), c.row);
        EXPECT_TRUE(inSight(c.row));
        EXPECT_EQ(host.items->Value("Q").toString(), host.grid.CellText(c.row, 3));
    }
}

TEST_F(SearchTest, TheLastHitSurvivesClosingAndANewWindowGoesOnAfterIt) {
    wktest::ScriptedUi ui;
    {
        frmSearch f(host);
        f.Form_Load();
        EXPECT_EQ(enter(f, "ab"), Cell(2, 3));
        f.Form_Unload();
    }
    frmSearch g(host);
    g.Form_Load();
    EXPECT_EQ(enter(g, "ab"), Cell(2, 4));
}

TEST_F(SearchTest, NoSelectedRowStartsAtTheTop) {
    wktest::ScriptedUi ui;
    SearchRow = 2;
    SearchCol = 4;
    host.grid.SetSelectedRow(0);
    frmSearch f(host);
    f.Form_Load();
    EXPECT_EQ(enter(f, "ab"), Cell(2, 3));
    EXPECT_EQ(current(), Cell(2, 3));
}

TEST_F(SearchTest, AnEmptyGridSaysNotFound) {
    host.grid.Clear();
    wktest::ScriptedUi ui;
    frmSearch f(host);
    f.Form_Load();
    ui.pushMsgBox(forms::vbOK);
    enter(f, "ab");
    EXPECT_EQ(ui.last(wktest::CallKind::MsgBox).prompt, "String not found !");
    EXPECT_EQ(f.hitRow(), 0);
}

TEST_F(SearchTest, EnterAndEscReachTheFormThroughTheTextBox) {
    wktest::ScriptedUi ui;
    frmSearch f(host);
    f.Form_Load();
    f.show();
    f.txtS->setText("house");
    QKeyEvent enterKey(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
    QApplication::sendEvent(f.txtS, &enterKey);
    EXPECT_EQ(host.grid.CellBackColor(1, 4), overview::SearchHitColour);
    EXPECT_EQ(f.txtS->text(), "house");
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(f.txtS, &esc);
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(host.grid.CellBackColor(1, 4), -1);
}

}  // namespace
