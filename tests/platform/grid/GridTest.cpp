#include "platform/Error.h"
#include "platform/grid/Grid.h"
#include "platform/grid/GridStore.h"
#include "platform/grid/ImageList.h"
#include "support/Access.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QCollator>
#include <QHeaderView>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTextDocument>
#include <QVBoxLayout>
#include <functional>
#include <iterator>
#include <limits>
#include <set>

using grid::Grid;

namespace {

// Records the arguments of every emission of a signal.
struct Calls {
    std::vector<QVariantList> v;
    int count() const { return int(v.size()); }
    const QVariantList& at(int i) const { return v.at(size_t(i)); }
    const QVariantList& last() const { return v.back(); }
};
template <class Sender, class... Args>
std::shared_ptr<Calls> spyOn(Sender* s, void (Sender::*sig)(Args...)) {
    auto c = std::make_shared<Calls>();
    QObject::connect(s, sig, [c](Args... a) { c->v.push_back(QVariantList{QVariant::fromValue(a)...}); });
    return c;
}
template <class Signal>
std::shared_ptr<Calls> countOf(QAbstractItemModel* s, Signal signal) {
    auto c = std::make_shared<Calls>();
    QObject::connect(s, signal, s, [c]() { c->v.push_back({}); });
    return c;
}

// A grid of three columns and n rows whose "n" column holds the given texts.
void fillRows(Grid& g, const QStringList& texts) {
    g.AddColumn("icon", {}, grid::AlignLeft, -1, 20, true, true, {}, false);
    g.AddColumn("n", "Name");
    g.AddColumn("v", "Value");
    g.SetRows(texts.size());
    for (int i = 0; i < texts.size(); ++i) {
        g.CellDetails(i + 1, 2, texts[i]);
        g.CellDetails(i + 1, 3, QString::number(i + 1), grid::FormatSingleLine, i,
                      0x112233 * (i + 1) & 0xFFFFFF);
    }
}

QStringList column(const Grid& g, long c) {
    QStringList out;
    for (long r = 1; r <= g.Rows(); ++r) out << g.CellText(r, c);
    return out;
}

void click(Grid& g, long row, long col, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTableView* v = g.view();
    const QRect rc = v->visualRect(v->model()->index(int(row - 1), int(col - 1)));
    const QPointF at = rc.center();
    QMouseEvent press(QEvent::MouseButtonPress, at, v->viewport()->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, mods);
    QApplication::sendEvent(v->viewport(), &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, v->viewport()->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, mods);
    QApplication::sendEvent(v->viewport(), &release);
}

void key(Grid& g, int k, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = {}) {
    QKeyEvent e(QEvent::KeyPress, k, mods, text);
    QApplication::sendEvent(g.view(), &e);
}

}  // namespace

TEST(GridColumns, KeysIndexesAndSettingsAreKeptPerColumn) {
    Grid g;
    g.AddColumn("icon", {}, grid::AlignLeft, -1, 20, true, true, {}, false);
    g.AddColumn("no", {}, grid::AlignLeft, -1, -1, false, true, {}, false);
    g.AddColumn("Q", "Word");
    g.AddColumn("T", "Subject", grid::AlignLeft, -1, -1, true, false, "Q");  // inserted before Q
    EXPECT_EQ(g.Columns(), 4);
    EXPECT_EQ(g.ColumnKey(3), "T");
    EXPECT_EQ(g.ColumnIndex("Q"), 4);
    EXPECT_EQ(g.ColumnWidth("icon"), 20);
    EXPECT_TRUE(g.ColumnFixedWidth("icon"));
    EXPECT_FALSE(g.ColumnIncludeInSelect("icon"));
    EXPECT_FALSE(g.ColumnVisible("no"));
    EXPECT_EQ(g.ColumnWidth("no"), g.DefaultColumnWidth());
    EXPECT_TRUE(g.view()->isColumnHidden(1));
    EXPECT_EQ(g.view()->horizontalHeader()->sectionSize(0), 20);
    EXPECT_EQ(g.ColumnHeader("T"), "Subject");

    try {
        g.ColumnIndex("A1");
        FAIL() << "a missing key must fail";
    } catch (const wk::Error& e) {
        EXPECT_EQ(e.number(), wk::err::SubscriptOutOfRange);
    }
    EXPECT_THROW(g.AddColumn("Q"), wk::Error);
    EXPECT_THROW(g.ColumnKey(5), wk::Error);

    g.Clear(true);
    EXPECT_EQ(g.Columns(), 0);
    EXPECT_FALSE(g.ColumnExists("Q"));
}

TEST(GridCells, TextColourIconFontAndFormatReadBack) {
    Grid g;
    fillRows(g, {"a", "b"});
    // -1 is the default colour and reads back as -1.
    EXPECT_EQ(g.CellBackColor(1, 2), -1);
    g.SetCellBackColor(1, 2, 0xE0E0E0);
    EXPECT_EQ(g.CellBackColor(1, 2), 0xE0E0E0);
    EXPECT_EQ(g.CellBackColor(2, 3), (0x112233 * 2) & 0xFFFFFF);
    EXPECT_EQ(g.CellIcon(2, 3), 1);
    EXPECT_EQ(g.CellIcon(2, 2), -1);

    // An omitted text leaves the cell without text.
    g.CellDetails(1, 2, QVariant(), grid::FormatWordWrap, -1, 0x80FF80);
    EXPECT_EQ(g.CellText(1, 2), "");
    EXPECT_EQ(g.CellBackColor(1, 2), 0x80FF80);
    // Numbers come in as values and read back as text and as value.
    g.CellDetails(2, 2, 80.5);
    EXPECT_EQ(g.CellText(2, 2), "80.5");
    EXPECT_EQ(g.CellValue(2, 2).toDouble(), 80.5);
    g.SetCellText(2, 2, "12");
    EXPECT_EQ(g.CellValue(2, 2).toLongLong(), 12);

    // Fonts, formats and indents apply to the whole column.
    QFont f("DejaVu Serif", 14);
    g.CellDetails(1, 3, "x", grid::FormatWordWrap, -1, -1, -1, &f, 5);
    EXPECT_EQ(g.CellFont(2, 3).pointSize(), 14);
    EXPECT_EQ(g.CellFormat(2, 3), grid::FormatWordWrap);
    EXPECT_EQ(g.CellIndent(2, 3), 5);
    EXPECT_EQ(g.CellFormat(1, 2), grid::FormatSingleLine);

    EXPECT_THROW(g.CellText(3, 1), wk::Error);
    EXPECT_THROW(g.CellText(1, 4), wk::Error);
    EXPECT_THROW(g.SetCellBackColor(0, 1, 1), wk::Error);

    EXPECT_EQ(grid::colourFromBGR(0xAAAAFF), QColor(0xFF, 0xAA, 0xAA));
    EXPECT_EQ(grid::colourFromBGR(0x80FF80), QColor(0x80, 0xFF, 0x80));
}

TEST(GridRows, AddRemoveAndResizeKeepCellsAndSelectionInStep) {
    Grid g;
    fillRows(g, {"a", "b", "c"});
    g.SetSelectedRow(3);
    g.AddRow(1);  // before row 1
    EXPECT_EQ(g.Rows(), 4);
    EXPECT_EQ(column(g, 2), QStringList({"", "a", "b", "c"}));
    EXPECT_EQ(g.CellBackColor(1, 3), -1);
    EXPECT_EQ(g.SelectedRow(), 4);  // the selection follows its row
    g.RemoveRow(2);
    EXPECT_EQ(column(g, 2), QStringList({"", "b", "c"}));
    EXPECT_EQ(g.SelectedRow(), 3);
    EXPECT_EQ(g.view()->model()->rowCount(), 3);
    g.RemoveRow(3);  // the selected row goes: nothing is selected
    EXPECT_EQ(g.SelectedRow(), 0);
    g.AddRow(-1, "k");
    EXPECT_EQ(g.RowKey(3), "k");
    EXPECT_EQ(g.RowKey(1), "");
    g.SetRows(1);
    EXPECT_EQ(column(g, 2), QStringList({""}));
    g.Clear();
    EXPECT_EQ(g.Rows(), 0);
    EXPECT_EQ(g.Columns(), 3);
    EXPECT_THROW(g.RemoveRow(1), wk::Error);
}

// Texts are kept by column in one buffer: overwriting them longer and
// shorter, inserting and removing rows and sorting must leave every cell
// as a plain list of texts would, null and empty texts apart.
TEST(GridCells, WholeNumbersReadAsQStringWritesThem) {
    Grid g;
    g.AddColumn("n");
    const qint64 values[] = {
        0, 7, -7, 1234567890123, std::numeric_limits<qint64>::max(), std::numeric_limits<qint64>::min()};
    g.SetRows(long(std::size(values)));
    for (long r = 0; r < long(std::size(values)); ++r) {
        char digits[24];
        g.CellDetailsText(r + 1, 1, grid::DecimalText(values[r], digits));
    }
    for (long r = 0; r < long(std::size(values)); ++r)
        EXPECT_EQ(g.CellText(r + 1, 1), QString::number(values[r]));
    g.CellDetails(1, 1, QVariant(std::numeric_limits<qlonglong>::min()));
    EXPECT_EQ(g.CellText(1, 1), QString::number(std::numeric_limits<qlonglong>::min()));
}

TEST(GridCells, TextsSurviveOverwritesInsertsRemovalsAndSorts) {
    Grid g;
    g.AddColumn("t");
    std::vector<QString> want(300);
    g.SetRows(long(want.size()));
    quint32 seed = 11;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7FFF;
    };
    // Enough rounds that the space of replaced texts is given back several times.
    for (int round = 0; round < 60; ++round) {
        for (size_t r = 0; r < want.size(); ++r) {
            if (next() % 3 == 0) continue;
            const quint32 k = next() % 10;
            QString t = k == 0   ? QString()
                        : k == 1 ? QString("")
                                 : QString(int(next() % 40) + 1, QChar(u'a' + k));
            if (r % 2) {
                g.SetCellText(long(r) + 1, 1, t);
            } else {
                g.CellDetails(long(r) + 1, 1, t.isNull() ? QVariant() : QVariant(t));
                if (t.isNull()) t = QString();
            }
            want[r] = t;
        }
        if (round % 7 == 3) {
            g.AddRow(long(round % 5) + 1);
            want.insert(want.begin() + round % 5, QString());
            g.RemoveRow(long(want.size()));
            want.pop_back();
        }
    }
    for (size_t r = 0; r < want.size(); ++r) {
        const QString got = g.CellText(long(r) + 1, 1);
        ASSERT_EQ(got, want[r]) << r;
        EXPECT_EQ(got.isNull(), want[r].isNull()) << r;
        EXPECT_EQ(g.view()->model()->index(int(r), 0).data().toString(), want[r]);
    }
    // Values other than texts read as their own text.
    const QVariantList values{0, -1234, 2147483647, qlonglong(-9223372036854775807LL - 1), true, 2.5, 1e-7};
    for (int i = 0; i < values.size(); ++i) g.CellDetails(i + 1, 1, values[i]);
    for (int i = 0; i < values.size(); ++i) {
        EXPECT_EQ(g.CellText(i + 1, 1), values[i].toString());
        want[size_t(i)] = values[i].toString();
    }
    g.SetSortColumn(1, 1);
    g.SetSortOrder(1, grid::SortAscending);
    g.SetSortType(1, grid::SortString);
    g.Sort();
    std::vector<QString> sorted;
    for (long r = 1; r <= g.Rows(); ++r) sorted.push_back(g.CellText(r, 1));
    std::sort(want.begin(), want.end());
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, want);  // the same texts, moved with their rows
}

TEST(GridSelection, RowsAreNumberedFromOneAndUserClicksReportCells) {
    Grid g;
    g.resize(400, 300);
    g.show();
    fillRows(g, {"a", "b", "c", "d"});
    EXPECT_EQ(g.SelectedRow(), 0);
    EXPECT_EQ(g.SelectedColumn(), 0);

    auto spy = spyOn(&g, &Grid::SelectionChange);
    click(g, 2, 3);
    ASSERT_EQ(spy->count(), 1);
    EXPECT_EQ(spy->at(0).at(0).toLongLong(), 2);
    EXPECT_EQ(spy->at(0).at(1).toLongLong(), 3);
    EXPECT_EQ(g.SelectedRow(), 2);
    EXPECT_EQ(g.SelectedColumn(), 3);
    EXPECT_TRUE(g.CellSelected(2, 1));
    EXPECT_FALSE(g.CellSelected(1, 1));

    key(g, Qt::Key_Down);
    EXPECT_EQ(g.SelectedRow(), 3);
    EXPECT_EQ(spy->count(), 2);

    // Code moves the selection as well and reports it.
    g.SetSelectedColumn(2);
    EXPECT_EQ(spy->count(), 3);
    EXPECT_EQ(spy->last().at(1).toLongLong(), 2);

    // Several rows: Ctrl adds, Shift spans.
    g.SetMultiSelect(true);
    click(g, 1, 2);
    click(g, 4, 2, Qt::ControlModifier);
    EXPECT_EQ(g.SelectedRows(), (std::vector<long>{1, 4}));
    click(g, 2, 2, Qt::ShiftModifier);
    EXPECT_EQ(g.SelectedRows(), (std::vector<long>{2, 3, 4}));
    EXPECT_EQ(g.SelectionCount(), 3);

    g.ClearSelection();
    EXPECT_EQ(g.SelectedRow(), 0);
    EXPECT_EQ(g.SelectionCount(), 0);
    EXPECT_THROW(g.SetSelectedRow(5), wk::Error);
}

TEST(GridSort, OrdersRowsWithTheirCellsAndKeepsTheSelection) {
    Grid g;
    fillRows(g, {"Zebra", "apfel", "Äpfel", "10", "9", "birne"});
    g.SetSelectedRow(1);  // "Zebra"
    g.SetSortColumn(1, 2);
    g.SetSortOrder(1, grid::SortAscending);
    g.SetSortType(1, grid::SortAuto);
    g.Sort();
    // Numbers first and by value, then text without regard to case, "Ä" beside "A".
    const QStringList asc = column(g, 2);
    EXPECT_EQ(asc.mid(0, 2), QStringList({"9", "10"}));
    EXPECT_EQ(asc.last(), "Zebra");
    EXPECT_EQ(asc.at(4), "birne");
    EXPECT_TRUE(asc.indexOf("apfel") < asc.indexOf("birne") && asc.indexOf("Äpfel") < asc.indexOf("birne"));
    // Cells of the other columns moved with their rows.
    for (long r = 1; r <= g.Rows(); ++r) {
        const int original = g.CellText(r, 3).toInt();
        EXPECT_EQ(g.CellIcon(r, 3), original - 1);
        EXPECT_EQ(g.CellBackColor(r, 3), (0x112233 * original) & 0xFFFFFF);
    }
    EXPECT_EQ(g.SelectedRow(), 6);
    EXPECT_EQ(g.CellText(g.SelectedRow(), 2), "Zebra");

    g.SetSortOrder(1, grid::SortDescending);
    g.Sort();
    EXPECT_EQ(column(g, 2).first(), "Zebra");
    EXPECT_EQ(column(g, 2).last(), "9");
    EXPECT_EQ(g.SelectedRow(), 1);

    // Numeric sort of the value column, and a stable second key.
    g.SetSortColumn(1, 3);
    g.SetSortOrder(1, grid::SortAscending);
    g.SetSortType(1, grid::SortNumeric);
    g.Sort();
    EXPECT_EQ(column(g, 3), QStringList({"1", "2", "3", "4", "5", "6"}));
    EXPECT_EQ(g.SortColumn(1), 3);
    EXPECT_EQ(g.SortOrder(1), grid::SortAscending);
    EXPECT_EQ(g.SortColumn(2), 0);
}

// The automatic sort type: numbers by value (a leading blank or a comma
// still makes a number), then dates by time, then every other text by
// collation, also texts that start with a digit or look like a word.
TEST(GridSort, AutoTypeOrdersNumbersThenDatesThenTexts) {
    Grid g;
    fillRows(g, {"Zebra", "2026-01-05", "01.02.2025", "7", " 12", "1a", "2,5", "birne", "Ärger"});
    g.SetSortColumn(1, 2);
    g.SetSortOrder(1, grid::SortAscending);
    g.SetSortType(1, grid::SortAuto);
    g.Sort();
    EXPECT_EQ(column(g, 2),
              QStringList({"2,5", "7", " 12", "01.02.2025", "2026-01-05", "1a", "Ärger", "birne", "Zebra"}));
    g.SetSortOrder(1, grid::SortDescending);
    g.Sort();
    EXPECT_EQ(column(g, 2).first(), "Zebra");
    EXPECT_EQ(column(g, 2).last(), "2,5");
}

TEST(GridRedraw, OffBatchesEveryChangeIntoOneUpdate) {
    Grid g;
    g.resize(400, 300);
    g.show();
    fillRows(g, {"a"});
    QAbstractItemModel* m = g.view()->model();
    auto resets = countOf(m, &QAbstractItemModel::modelReset);
    auto inserts = countOf(m, &QAbstractItemModel::rowsInserted);
    g.SetRedraw(false);
    g.SetRows(1000);
    for (long r = 1; r <= 1000; ++r) g.CellDetails(r, 2, QString::number(r));
    g.AddRow();
    g.AddColumn("x");
    g.RemoveRow(1);
    EXPECT_EQ(resets->count(), 0);
    EXPECT_EQ(inserts->count(), 0);
    EXPECT_EQ(m->rowCount(), 1);  // the view still sees the old grid
    EXPECT_FALSE(g.view()->updatesEnabled());
    g.SetRedraw(true);
    EXPECT_EQ(resets->count(), 1);
    EXPECT_EQ(m->rowCount(), 1000);
    EXPECT_EQ(m->columnCount(), 4);
    EXPECT_EQ(m->data(m->index(0, 1)).toString(), "2");
    EXPECT_TRUE(g.view()->updatesEnabled());

    // Widths, visibility and heights set while redraw is off reach the view
    // when it is switched on, also without any change of rows or columns.
    g.SetRedraw(false);
    g.SetColumnWidth("n", 77);
    g.SetColumnVisible("v", false);
    g.SetRowHeight(2, 40);
    EXPECT_NE(g.view()->horizontalHeader()->sectionSize(1), 77);
    g.SetRedraw(true);
    EXPECT_EQ(resets->count(), 1);
    EXPECT_EQ(g.view()->horizontalHeader()->sectionSize(1), 77);
    EXPECT_TRUE(g.view()->isColumnHidden(2));
    EXPECT_EQ(g.view()->rowHeight(1), 40);

    // With redraw on, adding a row is announced as an insert, not a reset.
    g.AddRow();
    EXPECT_EQ(inserts->count(), 1);
    EXPECT_EQ(resets->count(), 1);
}

// Row heights that reach the view when redraw comes back on lay it out as
// heights set one by one with redraw on do: the same scroll range and
// position (also from the end of the grid), rows in the same places.
TEST(GridSizes, HeightsSetWhileRedrawIsOffLayTheViewOutAsOneByOne) {
    const int rows = 300;
    auto height = [](int r) { return r % 7 == 0 ? 44 : r % 3 == 0 ? 31 : 18; };
    auto make = [&](Grid& g) {
        g.resize(300, 200);
        g.show();
        g.AddColumn("q");
        g.SetRows(rows);
        for (int r = 1; r <= rows; ++r) g.SetCellText(r, 1, QString::number(r));
        QApplication::processEvents();
    };
    for (const bool atEnd : {false, true}) {
        Grid byOne, together;
        make(byOne);
        make(together);
        if (atEnd) {
            for (Grid* g : {&byOne, &together})
                g->view()->verticalScrollBar()->setValue(g->view()->verticalScrollBar()->maximum());
        }
        for (int r = 1; r <= rows; ++r) byOne.SetRowHeight(r, height(r));
        together.SetRedraw(false);
        for (int r = 1; r <= rows; ++r) together.SetRowHeight(r, height(r));
        together.SetRedraw(true);
        QApplication::processEvents();
        const QScrollBar* a = byOne.view()->verticalScrollBar();
        const QScrollBar* b = together.view()->verticalScrollBar();
        EXPECT_EQ(b->maximum(), a->maximum()) << atEnd;
        EXPECT_EQ(b->value(), a->value()) << atEnd;
        for (int r : {0, 1, 6, 20, 150, rows - 1}) {
            EXPECT_EQ(together.view()->rowHeight(r), height(r + 1));
            EXPECT_EQ(together.view()->rowViewportPosition(r), byOne.view()->rowViewportPosition(r)) << r;
        }
    }
}

TEST(GridSizes, AutoWidthAndHeightFitTheContents) {
    Grid g;
    g.resize(600, 300);
    g.show();
    g.AddColumn("w", "W", grid::AlignLeft, -1, 60);
    g.AddColumn("s", "S", grid::AlignLeft, -1, 60);
    g.SetRows(2);
    const QString longText = "a rather long text that will not fit into sixty pixels at all";
    g.CellDetails(1, 1, longText, grid::FormatWordWrap);
    g.CellDetails(2, 2, longText, grid::FormatSingleLine);
    g.AutoHeightRow(1);
    g.AutoHeightRow(2);
    EXPECT_GT(g.RowHeight(1), 2 * g.RowHeight(2));  // wrapped over several lines
    EXPECT_EQ(g.view()->rowHeight(0), g.RowHeight(1));
    g.AutoWidthColumn("s");
    EXPECT_GE(g.ColumnWidth("s"), QFontMetrics(g.CellFont(2, 2)).horizontalAdvance(longText));
    EXPECT_EQ(g.view()->horizontalHeader()->sectionSize(1), g.ColumnWidth("s"));
    EXPECT_THROW(g.AutoHeightRow(3), wk::Error);
}

// Texts that differ only in their digits may share one measure; the width
// must still be that of the widest text measured by itself.
TEST(GridSizes, AutoWidthOfNumberedTextsIsThatOfTheWidest) {
    quint32 seed = 3;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7FFF;
    };
    const QStringList shapes{"Erklaerung %1", "%1", "(%1)", "Nr.%1/%1", "Tee%1Wasser", "%1 Äpfel", "AV%1VA"};
    for (const QFont& f : {QFont("DejaVu Sans", 9), QFont("DejaVu Serif", 13, QFont::Bold), QFont()}) {
        Grid g;
        g.AddColumn("all");
        g.AddColumn("widest");
        g.SetColumnFont("all", f);
        g.SetColumnFont("widest", f);
        const int rows = 3000;
        g.SetRows(rows);
        const QFontMetrics fm(f);
        QString widest;
        int most = -1;
        for (int r = 1; r <= rows; ++r) {
            const QString t = shapes[int(next() % shapes.size())].arg(next() % 100000);
            g.SetCellText(r, 1, t);
            if (fm.horizontalAdvance(t) > most) {
                most = fm.horizontalAdvance(t);
                widest = t;
            }
        }
        g.SetCellText(1, 2, widest);
        g.AutoWidthColumn("all");
        g.AutoWidthColumn("widest");
        EXPECT_EQ(g.ColumnWidth("all"), g.ColumnWidth("widest")) << widest.toStdString();
    }
}

TEST(GridEvents, WidthChangesCanBeRefusedAndKeysCarryTheirCodes) {
    Grid g;
    g.resize(400, 300);
    g.show();
    fillRows(g, {"a", "b"});
    QObject::connect(&g, &Grid::ColumnWidthChanging, [](long column, int, bool& cancel) {
        if (column == 2) cancel = true;
    });
    auto changed = spyOn(&g, &Grid::ColumnWidthChanged);
    g.view()->horizontalHeader()->resizeSection(1, 200);  // as the user's drag would
    EXPECT_EQ(g.view()->horizontalHeader()->sectionSize(1), g.ColumnWidth("n"));
    EXPECT_NE(g.ColumnWidth("n"), 200);
    g.view()->horizontalHeader()->resizeSection(2, 150);
    EXPECT_EQ(g.ColumnWidth("v"), 150);
    ASSERT_EQ(changed->count(), 1);
    EXPECT_EQ(changed->at(0).at(0).toLongLong(), 3);

    auto keys = spyOn(&g, &Grid::KeyDown);
    auto presses = spyOn(&g, &Grid::KeyPress);
    key(g, Qt::Key_Delete);
    key(g, Qt::Key_F2);
    key(g, Qt::Key_F, Qt::ControlModifier, "\x06");
    key(g, Qt::Key_Space, Qt::NoModifier, " ");
    key(g, Qt::Key_Period, Qt::NoModifier, ".");  // a character, not a key of the table (46 is Delete)
    key(g, Qt::Key_5, Qt::KeypadModifier, "5");
    ASSERT_EQ(keys->count(), 6);
    EXPECT_EQ(keys->at(4).at(0).toInt(), 190);  // the key's own code
    EXPECT_EQ(keys->at(5).at(0).toInt(), 101);  // the keypad's own
    EXPECT_EQ(keys->at(0).at(0).toInt(), 46);
    EXPECT_EQ(keys->at(1).at(0).toInt(), 113);
    EXPECT_EQ(keys->at(2).at(0).toInt(), 70);
    EXPECT_EQ(keys->at(2).at(1).toInt(), 2);
    EXPECT_EQ(keys->at(3).at(0).toInt(), 32);
    ASSERT_EQ(presses->count(), 3);
    EXPECT_EQ(presses->at(0).at(0).toInt(), 32);
    EXPECT_EQ(presses->at(1).at(0).toInt(), 46);

    // F2 asks for an edit only when the grid is editable.
    auto edits = spyOn(&g, &Grid::RequestEdit);
    g.SetSelectedRow(1);
    key(g, Qt::Key_F2);
    EXPECT_EQ(edits->count(), 0);
    g.SetEditable(true);
    key(g, Qt::Key_F2);
    ASSERT_EQ(edits->count(), 1);
    EXPECT_EQ(edits->at(0).at(2).toInt(), 113);
    EXPECT_TRUE(g.InEditMode());
    g.EndEdit();
    EXPECT_FALSE(g.InEditMode());

    const QSize before = g.sizeHint();
    g.SetShowData(false);
    EXPECT_FALSE(g.view()->isVisible());
    EXPECT_EQ(g.sizeHint(), before);  // an empty grid keeps its place
    EXPECT_GT(g.minimumSizeHint().height(), 0);
    g.SetShowData(true);
    EXPECT_TRUE(g.view()->isVisible());
}

TEST(GridImages, OverviewListHoldsEveryKeyWithAPicture) {
    grid::ImageList il;
    grid::fillOverviewImages(il);
    for (const char* k : {"CheckedSoundPic", "CheckedSound", "CheckedPic", "Checked", "SoundPic", "Sound",
                          "Pic", "Empty", "sort_asc", "sort_desc", "Recordd", "Recorde", "ImportPicd",
                          "ImportPice", "ImportSoundd", "ImportSounde", "Stop"}) {
        ASSERT_TRUE(il.KeyExists(k)) << k;
        EXPECT_EQ(il.Picture(k).size(), QSize(16, 16)) << k;
        EXPECT_EQ(il.ItemKey(il.ItemIndex(k)), k);
    }
    EXPECT_EQ(il.ListCount(), 17);
    // Distinct pictures for distinct row states.
    EXPECT_NE(il.Picture("Checked").toImage(), il.Picture("Empty").toImage());
    EXPECT_NE(il.Picture("SoundPic").toImage(), il.Picture("CheckedSoundPic").toImage());
    EXPECT_THROW(il.ItemIndex("Nothing"), wk::Error);
    EXPECT_TRUE(il.PictureAt(99).isNull());
}

// A cell's tip shows the cell's text as it stands, also when it looks like
// markup.
TEST(GridView, CellTipsShowTheTextAsItStands) {
    Grid g;
    const QStringList texts{"<b>bold</b> tag\n  second line", "a < b & c", "plain"};
    fillRows(g, texts);
    for (int r = 0; r < texts.size(); ++r) {
        const QString tip =
            g.view()->model()->data(g.view()->model()->index(r, 1), Qt::ToolTipRole).toString();
        QString shown = tip;
        if (Qt::mightBeRichText(tip)) {
            QTextDocument doc;
            doc.setHtml(tip);
            shown = doc.toPlainText();
        }
        EXPECT_EQ(shown, texts[r]);
    }
}

TEST(GridView, HeaderIconsAndCellBoundsComeFromTheModel) {
    grid::ImageList il;
    grid::fillOverviewImages(il);
    Grid g;
    g.resize(300, 200);
    g.show();
    g.SetImageList(&il);
    QStringList many;
    for (int i = 0; i < 200; ++i) many << QString::number(i);
    fillRows(g, many);
    g.SetColumnHeaderIcon("n", il.ItemIndex("sort_asc"));
    const QVariant deco = g.view()->model()->headerData(1, Qt::Horizontal, Qt::DecorationRole);
    EXPECT_EQ(deco.value<QPixmap>().cacheKey(), il.Picture("sort_asc").cacheKey());
    EXPECT_FALSE(g.view()->model()->headerData(2, Qt::Horizontal, Qt::DecorationRole).isValid());

    // A row far below is out of sight until it is brought into view.
    EXPECT_FALSE(g.CellBoundary(150, 2).intersects(g.rect()));
    g.EnsureVisible(150, 2);
    const QRect r = g.CellBoundary(150, 2);
    EXPECT_TRUE(g.rect().contains(r.center()));
    EXPECT_NEAR(r.height(), g.RowHeight(150), 1);  // less the grid line
    // A cell of a hidden column brings its row into view, the columns
    // staying where they are.
    g.SetColumnVisible("n", false);
    const int across = g.view()->horizontalScrollBar()->value();
    g.EnsureVisible(10, 2);
    EXPECT_TRUE(g.rect().contains(g.CellBoundary(10, 3).center()));
    EXPECT_EQ(g.view()->horizontalScrollBar()->value(), across);
}

TEST(GridSizes, WordByWordWrapAgreesWithTheTextLayout) {
    Grid g;
    g.AddColumn("w");
    g.SetColumnFont("w", QFont("DejaVu Sans", 9));
    const QStringList words{
        "der", "Haus",   "Baumkrone", "ein",    "schöne", "Übung",   "a",      "Verständnisfrage",
        "mit", "Äpfeln", "und",       "Birnen", "zum",    "Kochen,", "lesen.", "WWWWWW",
        "iiii"};
    quint32 seed = 7;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7FFF;
    };
    int compared = 0;
    for (int i = 0; i < 400; ++i) {
        QStringList t;
        const int n = 1 + int(next() % 14);
        for (int k = 0; k < n; ++k) t << words[int(next() % words.size())];
        const QString text = t.join(' ');
        const int width = 40 + int(next() % 200);
        const int fast = g.fastWrapHeight("w", text, width);
        ASSERT_NE(fast, -1) << text.toStdString();
        EXPECT_EQ(fast, g.layoutHeight("w", text, width)) << text.toStdString() << " in " << width;
        ++compared;
    }
    EXPECT_EQ(compared, 400);
    // Break rules beyond the blank go to the full layout.
    EXPECT_EQ(g.fastWrapHeight("w", "well-known", 30), -1);
    EXPECT_EQ(g.fastWrapHeight("w", "two  blanks", 30), -1);
    EXPECT_EQ(g.fastWrapHeight("w", QString::fromUtf8("日本語"), 30), -1);
}

// Numbers are added up from their digits instead of shaped; the heights must
// still be those of the text layout, in any font.
TEST(GridSizes, WrappedNumbersAgreeWithTheTextLayout) {
    quint32 seed = 11;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7FFF;
    };
    int compared = 0;
    for (const QFont& f : {QFont("DejaVu Sans", 9), QFont("DejaVu Serif", 13, QFont::Bold), QFont()}) {
        Grid g;
        g.AddColumn("w");
        g.SetColumnFont("w", f);
        for (int i = 0; i < 200; ++i) {
            QStringList t;
            const int n = 1 + int(next() % 8);
            for (int k = 0; k < n; ++k) {
                const int kind = int(next() % 3);
                t << (kind == 0   ? QString::number(next() * 37 % 10000000)
                      : kind == 1 ? QStringLiteral("Frage")
                                  : QStringLiteral("1%1").arg(next() % 10));
            }
            const QString text = t.join(' ');
            const int width = 20 + int(next() % 200);
            const int fast = g.fastWrapHeight("w", text, width);
            ASSERT_NE(fast, -1) << text.toStdString();
            EXPECT_EQ(fast, g.layoutHeight("w", text, width)) << text.toStdString() << " in " << width;
            ++compared;
        }
    }
    EXPECT_EQ(compared, 600);
}

// A rebuild fits every row at once, column by column: the heights must be
// those of fitting each row by itself, with wrapped, long, repeated and
// empty texts, icons, fonts and hidden columns.
TEST(GridSizes, FittingAllRowsAgreesWithFittingEachRow) {
    quint32 seed = 5;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7FFF;
    };
    const QStringList words{"ein", "Haus", "Verständnisfrage", "mit", "well-known", "Zeile\nzwei",
                            "17",  "WWWW"};
    Grid a, b;
    for (Grid* g : {&a, &b}) {
        g->AddColumn("icon", {}, grid::AlignLeft, -1, 20, true, true, {}, false);
        g->AddColumn("q", "Q", grid::AlignLeft, -1, 90);
        g->AddColumn("t", "T", grid::AlignLeft, -1, 60);
        g->AddColumn("hidden", "H", grid::AlignLeft, -1, 30, false);
        g->AddColumn("big", "B", grid::AlignLeft, -1, 120);
        g->SetRows(500);
    }
    const QFont large("DejaVu Serif", 15);
    for (long r = 1; r <= 500; ++r) {
        QStringList q;
        for (int k = int(next() % 12); k > 0; --k) q << words[int(next() % words.size())];
        const QString topic = QStringLiteral("Thema %1 und mehr").arg(next() % 5);
        const QString hidden = QStringLiteral("x\ny\nz\nw");
        const int icon = next() % 4 == 0 ? 1 : -1;
        const QVariant t = next() % 3 ? QVariant(topic) : QVariant();
        for (Grid* g : {&a, &b}) {
            g->CellDetails(r, 1, QVariant(), grid::FormatSingleLine, icon);
            g->CellDetails(r, 2, q.join(' '), grid::FormatWordWrap);
            g->CellDetails(r, 3, t, grid::FormatWordWrap);
            g->CellDetails(r, 4, hidden, grid::FormatWordWrap);
            g->CellDetails(r, 5, QString::number(r), grid::FormatSingleLine, -1, -1, -1,
                           r % 7 == 0 ? &large : nullptr);
        }
    }
    a.AutoHeightRows();
    for (long r = 1; r <= 500; ++r) b.AutoHeightRow(r);
    std::set<int> distinct;
    for (long r = 1; r <= 500; ++r) {
        ASSERT_EQ(a.RowHeight(r), b.RowHeight(r)) << r;
        distinct.insert(a.RowHeight(r));
    }
    EXPECT_GE(distinct.size(), 3u);  // the sample has rows of one, several and many lines
}

// Cells keep a text of Latin-1 characters byte by byte and any other as
// UTF-16: texts of every script, given every way a cell takes them, read
// back as given through overwrites of the other width, inserts, removals
// and sorts.
TEST(GridCells, TextsOfEveryScriptSurviveEveryWayIn) {
    quint32 seed = 29;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7FFF;
    };
    const QStringList pool{QString(),
                           QString(""),
                           "abc",
                           "Zebra mit etwas mehr Text als sechzehn",
                           QString::fromUtf8("Äpfel und Bäume"),
                           QString::fromUtf8("ÿß"),
                           QString::fromUtf8("€uro"),
                           QString::fromUtf8("Жук и пчела"),
                           QString::fromUtf8("𝄞 Notenschlüssel"),
                           QString(QChar(0xD800)) + "lone",
                           QString::fromLatin1("a\0b", 3)};
    Grid g;
    g.AddColumn("t");
    std::vector<QString> want(250);
    g.SetRows(long(want.size()));
    for (int round = 0; round < 40; ++round) {
        for (size_t r = 0; r < want.size(); ++r) {
            if (next() % 3 == 0) continue;
            QString t = pool[int(next() % pool.size())];
            if (!t.isEmpty() && next() % 2) t += QString(int(next() % 30), QChar(u'x'));
            const long row = long(r) + 1;
            const bool latin1 = std::all_of(t.begin(), t.end(), [](QChar c) { return c.unicode() < 0x100; });
            const bool utf8 = !t.contains(QChar(0xD800));  // a lone surrogate has no UTF-8
            const QByteArray l1 = t.toLatin1(), u8 = t.toUtf8();
            switch (next() % 5) {
                case 0:
                    g.SetCellText(row, 1, t);
                    break;
                case 1:
                    g.CellDetails(row, 1, t.isNull() ? QVariant() : QVariant(t));
                    break;
                case 2:
                    g.CellDetailsText(row, 1, QStringView(t));
                    break;
                case 3:
                    if (!latin1) continue;
                    g.CellDetailsText(row, 1, t.isNull() ? QLatin1StringView() : QLatin1StringView(l1));
                    break;
                default:
                    if (!utf8) continue;
                    g.CellDetailsText(row, 1, t.isNull() ? QUtf8StringView() : QUtf8StringView(u8));
                    break;
            }
            want[r] = t;
        }
        if (round % 6 == 2) {
            g.AddRow(long(round % 9) + 1);
            want.insert(want.begin() + round % 9, QString());
            g.RemoveRow(long(want.size()) - long(round % 4));
            want.erase(want.end() - 1 - round % 4);
        }
        if (round % 10 == 9) {
            // A sort keeps each text with its row; rows are told apart by order.
            g.SetSortColumn(1, 1);
            g.SetSortOrder(1, grid::SortDescending);
            g.SetSortType(1, grid::SortString);
            g.Sort();
            for (size_t r = 0; r < want.size(); ++r) want[r] = g.CellText(long(r) + 1, 1);
        }
    }
    for (size_t r = 0; r < want.size(); ++r) {
        const QString got = g.CellText(long(r) + 1, 1);
        ASSERT_EQ(got, want[r]) << r;
        EXPECT_EQ(got.isNull(), want[r].isNull()) << r;
        EXPECT_EQ(g.view()->model()->index(int(r), 0).data().toString(), want[r]) << r;
    }
    // Every kind of text is still there.
    for (const QString& p : pool) {
        if (p.isEmpty()) continue;
        EXPECT_TRUE(std::any_of(want.begin(), want.end(), [&](const QString& t) { return t.startsWith(p); }))
            << p.toStdString();
    }
}

// UTF-8 is read as QString::fromUtf8 reads it, byte-order marks, invalid,
// cut and overlong sequences and NUL included.
TEST(GridCells, Utf8TextsReadAsFromUtf8ReadsThem) {
    QList<QByteArray> cases{"",
                            "plain",
                            "\xc3\xa4pfel",
                            "\xef\xbb\xbf"
                            "bom",
                            "a\xff"
                            "b",
                            "cut \xc3",
                            "cut \xe2\x82",
                            "\xed\xa0\x80 surrogate",
                            "\xf0\x9f\x98\x80 smile",
                            "\xc0\xaf overlong",
                            QByteArray("nul\0inside", 10),
                            "\xf4\x90\x80\x80 beyond",
                            "\xe2\x82\xac\xe2\x82\xac long enough to take the wide path twice over"};
    quint32 seed = 41;
    for (int i = 0; i < 300; ++i) {
        QByteArray b;
        for (int k = int(i % 23); k > 0; --k) {
            seed = seed * 1103515245u + 12345u;
            b += char((seed >> 16) & 0xFF);
        }
        cases << b;
    }
    Grid g;
    g.AddColumn("t");
    g.SetRows(cases.size());
    for (int i = 0; i < cases.size(); ++i) g.CellDetailsText(i + 1, 1, QUtf8StringView(cases[i]));
    for (int i = 0; i < cases.size(); ++i) {
        const QString got = g.CellText(i + 1, 1), expected = QString::fromUtf8(cases[i]);
        ASSERT_EQ(got, expected) << i << ": " << cases[i].toHex().toStdString();
        EXPECT_EQ(got.isNull(), cases[i].isNull()) << i;
    }
    g.CellDetailsText(1, 1, QUtf8StringView());
    EXPECT_TRUE(g.CellText(1, 1).isNull());
}

// Sorting and fitting read the texts as they are, however they are kept.
TEST(GridSort, TextsOfEveryScriptSortAsTheirStrings) {
    const QStringList words{"apfel",
                            QString::fromUtf8("Äpfel"),
                            "Zebra",
                            QString::fromUtf8("zürich"),
                            QString::fromUtf8("Жук"),
                            QString::fromUtf8("жаба"),
                            QString::fromUtf8("€uro"),
                            "euro",
                            QString::fromUtf8("ß"),
                            "ss",
                            QString::fromUtf8("𝄞"),
                            "12",
                            "3"};
    QStringList texts;
    for (int i = 0; i < 120; ++i) texts << words[(i * 7) % words.size()] + QString(" %1").arg(i % 5);
    Grid g;
    fillRows(g, texts);
    g.SetSortColumn(1, 2);
    g.SetSortOrder(1, grid::SortAscending);
    g.SetSortType(1, grid::SortStringNoCase);
    g.Sort();
    QCollator noCase{QLocale(QLocale::German, QLocale::Germany)};
    noCase.setCaseSensitivity(Qt::CaseInsensitive);
    QStringList expected = texts;
    std::stable_sort(expected.begin(), expected.end(),
                     [&](const QString& a, const QString& b) { return noCase.compare(a, b) < 0; });
    EXPECT_EQ(column(g, 2), expected);
    // Widths are those of the widest text, measured as a string.
    g.AutoWidthColumn("n");
    const QFontMetrics fm(g.ColumnFont("n"));
    int widest = 0;
    for (const QString& t : texts) widest = std::max(widest, fm.horizontalAdvance(t));
    EXPECT_GE(g.ColumnWidth("n"), widest);
    EXPECT_LE(g.ColumnWidth("n"), widest + 4 * grid::kCellMargin + 2 + grid::kIconSize);
}

// A column keeps no colours or icons until a row has one: rows added,
// removed, resized and sorted before and after the first keep theirs.
TEST(GridCells, ColoursAndIconsStayWithTheirRowsFromTheFirstOneOn) {
    quint32 seed = 17;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7FFF;
    };
    Grid g;
    g.AddColumn("a");
    g.AddColumn("b");
    struct Row {
        long back[2] = {-1, -1};
        int icon[2] = {-1, -1};
        QString key;
    };
    std::vector<Row> want(40);
    g.SetRows(long(want.size()));
    for (size_t r = 0; r < want.size(); ++r) {
        want[r].key = QString::number(r);
        g.SetCellText(long(r) + 1, 1, want[r].key);
    }
    auto check = [&](int round) {
        ASSERT_EQ(g.Rows(), long(want.size())) << round;
        for (size_t r = 0; r < want.size(); ++r)
            for (int c = 0; c < 2; ++c) {
                ASSERT_EQ(g.CellBackColor(long(r) + 1, c + 1), want[r].back[c])
                    << round << " " << r << " " << c;
                ASSERT_EQ(g.CellIcon(long(r) + 1, c + 1), want[r].icon[c]) << round << " " << r << " " << c;
            }
    };
    for (int round = 0; round < 30; ++round) {
        // Column a stays plain for the first rounds, then gets a colour now and then.
        const int c = round < 10 ? 1 : int(next() % 2);
        const size_t r = next() % want.size();
        const long back = next() % 3 == 0 ? -1 : long(next() * 977 % 0xFFFFFF);
        const int icon = next() % 3 == 0 ? -1 : int(next() % 5);
        if (next() % 2) {
            g.CellDetails(long(r) + 1, c + 1, want[r].key, grid::FormatSingleLine, icon, back);
        } else {
            g.SetCellBackColor(long(r) + 1, c + 1, back);
            g.SetCellIcon(long(r) + 1, c + 1, icon);
        }
        want[r].back[c] = back;
        want[r].icon[c] = icon;
        switch (round % 4) {
            case 0: {
                const size_t at = next() % want.size();
                g.AddRow(long(at) + 1, {});
                want.insert(want.begin() + long(at), Row{});
                want[at].key = QString("new %1").arg(round);
                g.SetCellText(long(at) + 1, 1, want[at].key);
                break;
            }
            case 1: {
                const size_t at = next() % want.size();
                g.RemoveRow(long(at) + 1);
                want.erase(want.begin() + long(at));
                break;
            }
            case 2:
                g.SetRows(long(want.size()) + 2);
                want.resize(want.size() + 2);
                g.SetRows(long(want.size()) - 1);
                want.pop_back();
                want.back().key = QString("more %1").arg(round);
                g.SetCellText(long(want.size()), 1, want.back().key);
                break;
            default: {
                g.SetSortColumn(1, 1);
                g.SetSortOrder(1, round % 8 == 3 ? grid::SortAscending : grid::SortDescending);
                g.SetSortType(1, grid::SortString);
                g.Sort();
                std::vector<Row> sorted;
                for (long k = 1; k <= g.Rows(); ++k) {
                    auto it = std::find_if(want.begin(), want.end(),
                                           [&](const Row& w) { return w.key == g.CellText(k, 1); });
                    ASSERT_NE(it, want.end());
                    sorted.push_back(*it);
                    want.erase(it);
                }
                want = sorted;
                break;
            }
        }
        check(round);
    }
}

// Texts that differ only in their digits may share one measure of their
// wrapped height: each row must still be as high as the text layout makes
// its own text.
TEST(GridSizes, NumberedTextsWrapAsTheyWouldAlone) {
    quint32 seed = 23;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7FFF;
    };
    const QStringList shapes{
        "Frage %1 mit etwas Text", "%1.%2 Antwort", "T%1 und W%2 mit AV%1", "(%1) Verständnisfrage",
        "Nr.%1/%2 zwei Wörter",    "%1%2%1 %2",     "well-known %1",        "Thema %1",
        "7%1 Äpfel, 1%2 Birnen"};
    auto number = [&] { return QString::number(next() % 10000000 / (1u << (next() % 20))); };
    // The last font, where it is installed, has digits of different widths.
    for (const QFont& f :
         {QFont("DejaVu Sans", 9), QFont("DejaVu Serif", 13, QFont::Bold), QFont(), QFont("D050000L", 10)}) {
        // Where the digits differ in width, a width between those of two
        // texts that differ only in their digits wraps one and not the other.
        const QFontMetrics fm(f);
        const QString narrow = "1111111111 111", wide = "8888888888 888";
        const int between = (fm.horizontalAdvance(narrow) + fm.horizontalAdvance(wide)) / 2;
        Grid all;
        all.AddColumn("q", "Q", grid::AlignLeft, -1,
                      fm.horizontalAdvance(narrow) != fm.horizontalAdvance(wide)
                          ? between + 1 + 2 * grid::kCellMargin
                          : 70 + int(next() % 60));
        all.SetColumnFont("q", f);
        const int rows = 60;
        all.SetRows(rows);
        QStringList texts;
        for (int r = 1; r <= rows; ++r) {
            texts << (r == 7   ? narrow
                      : r == 8 ? wide
                               : shapes[int(next() % shapes.size())].arg(number(), number()));
            all.CellDetails(r, 1, texts.last(), grid::FormatWordWrap);
        }
        all.AutoHeightRows();
        // The text's own area: the cell less its margins and grid line.
        const int area = all.ColumnWidth("q") - 1 - 2 * grid::kCellMargin;
        std::set<int> distinct;
        for (int r = 1; r <= rows; ++r) {
            const int own = std::max(fm.height(), all.layoutHeight("q", texts[r - 1], area));
            ASSERT_EQ(all.RowHeight(r), own + 2 * grid::kCellMargin + 2) << texts[r - 1].toStdString();
            distinct.insert(all.RowHeight(r));
        }
        EXPECT_GE(distinct.size(), 2u);  // one line and several
    }
}

// Tab stops at a grid only while it shows its cells, and at its header only
// when the grid asks for that; it always goes on from there.
TEST(GridFocus, TabPassesHiddenCellsAndReachesTheHeaderWhenAsked) {
    QWidget w;
    auto* lay = new QVBoxLayout(&w);
    auto* a = new QPushButton("a", &w);
    auto* g = new Grid(&w);
    auto* b = new QPushButton("b", &w);
    a->setObjectName("a");
    g->setObjectName("g");
    b->setObjectName("b");
    for (QWidget* c : {static_cast<QWidget*>(a), static_cast<QWidget*>(g), static_cast<QWidget*>(b)})
        lay->addWidget(c);
    fillRows(*g, {"x", "y"});
    const struct {
        bool cells, header;
        QStringList walk;
    } cases[] = {
        {false, false, {"a", "b"}},
        {true, false, {"a", "g", "b"}},
        {true, true, {"a", "g", "g.header", "b"}},
        {false, true, {"a", "b"}},
    };
    for (const auto& c : cases) {
        g->SetShowData(c.cells);
        g->SetHeaderTakesFocus(c.header);
        EXPECT_EQ(wktest::tabWalk(a), c.walk) << c.cells << c.header;
    }
}

// In the header the arrows choose among the shown columns, starting at the
// current cell's; Space and Enter click the one chosen. The cells' own keys
// stay with the cells.
TEST(GridFocus, HeaderKeysChooseAShownColumnAndClickIt) {
    Grid g;
    g.resize(500, 200);
    fillRows(g, {"x", "y"});
    g.AddColumn("w", "Weight");
    g.SetColumnVisible("v", false);
    g.SetHeaderTakesFocus(true);
    g.show();
    QApplication::setActiveWindow(&g);
    g.SetSelectedRow(1);
    g.SetSelectedColumn(4);
    QHeaderView* h = g.view()->horizontalHeader();
    auto clicks = spyOn(&g, &Grid::ColumnClick);
    auto cellKeys = spyOn(&g, &Grid::KeyDown);
    const QImage unfocused = h->grab().toImage();
    h->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(h->accessibleName(), "Weight");
    EXPECT_NE(h->grab().toImage(), unfocused);  // the frame is seen
    const struct {
        int key;
        Qt::KeyboardModifiers modifiers;
        QList<long> clicked;  // every column clicked so far
    } steps[] = {
        {Qt::Key_Space, Qt::NoModifier, {4}},
        {Qt::Key_Left, Qt::NoModifier, {4}},  // over the hidden "v"
        {Qt::Key_Return, Qt::NoModifier, {4, 2}},
        {Qt::Key_Home, Qt::NoModifier, {4, 2}},
        {Qt::Key_Left, Qt::NoModifier, {4, 2}},  // the untitled picture column is passed by
        {Qt::Key_Enter, Qt::KeypadModifier, {4, 2, 2}},
        {Qt::Key_Right, Qt::ControlModifier, {4, 2, 2}},
        {Qt::Key_End, Qt::NoModifier, {4, 2, 2}},
        {Qt::Key_Space, Qt::ControlModifier, {4, 2, 2}},
        {Qt::Key_Delete, Qt::NoModifier, {4, 2, 2}},
        {Qt::Key_Space, Qt::NoModifier, {4, 2, 2, 4}},
    };
    for (const auto& s : steps) {
        wktest::keyTo(h, s.key, s.modifiers, s.key == Qt::Key_Space ? QStringLiteral(" ") : QString());
        QList<long> clicked;
        for (int i = 0; i < clicks->count(); ++i) clicked << clicks->at(i).at(0).toLongLong();
        EXPECT_EQ(clicked, s.clicked) << QKeySequence(s.key | s.modifiers).toString().toStdString();
    }
    EXPECT_EQ(cellKeys->count(), 0);
    EXPECT_EQ(g.SelectedColumn(), 4);
}

// With the focus and no current cell the table shows a frame, so the user
// sees where the keys go; a current cell shows its own and no frame.
TEST(GridFocus, FocusWithoutACurrentCellIsSeen) {
    QWidget w;
    auto* lay = new QVBoxLayout(&w);
    auto* other = new QPushButton("other", &w);
    auto* g = new Grid(&w);
    lay->addWidget(other);
    lay->addWidget(g);
    fillRows(*g, {"x", "y"});
    w.resize(400, 300);
    w.show();
    QApplication::setActiveWindow(&w);
    const auto look = [&] { return g->view()->viewport()->grab().toImage(); };
    other->setFocus();
    const QImage away = look();
    g->setFocus(Qt::TabFocusReason);
    ASSERT_EQ(g->SelectedRow(), 0);
    EXPECT_NE(look(), away);
    g->SetSelectedRow(1);
    const QImage onCell = look();
    g->ClearSelection();
    other->setFocus();
    g->SetSelectedRow(1);
    g->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(look(), onCell);  // focus-in left the current cell alone
}
