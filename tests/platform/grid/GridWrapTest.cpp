// Rows fitted to wrapped text must show all of it, whatever the text's own
// line breaks.
#include "overview/GridModel.h"
#include "platform/grid/Grid.h"
#include "platform/grid/GridStore.h"

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QImage>
#include <QTableView>

using grid::Grid;

namespace {

// Fits row 1 to text in the column keyed key, then draws the row far taller
// and tells whether anything is drawn below the text area the fitted row has.
bool cutInFittedRow(Grid& g, const QString& key, const QString& text, int indent = 0) {
    const long col = g.ColumnIndex(key);
    g.CellDetails(1, col, text, grid::FormatWordWrap, -1, -1, -1, nullptr, indent);
    g.AutoHeightRows();
    const int fitted = g.RowHeight(1);
    g.SetRowHeight(1, 400);
    QTableView* v = g.view();
    const QRect cell = v->visualRect(v->model()->index(0, int(col - 1)));
    const QImage drawn = v->viewport()->grab(cell).toImage();
    g.AutoHeightRows();
    // The text area of the fitted row ends a margin above its grid line.
    const int end = fitted - 1 - grid::kCellMargin;
    const QRgb back = drawn.pixel(drawn.width() - 1, drawn.height() - 1);
    for (int y = end; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x)
            if (drawn.pixel(x, y) != back) return true;
    return false;
}

struct WrapGrid : ::testing::Test {
    Grid g;
    void SetUp() override {
        g.resize(400, 460);
        g.AddColumn("q", "Q", grid::AlignLeft, -1, 90);
        g.SetColumnFont("q", QFont("DejaVu Sans", 9));
        g.SetRows(1);
        g.show();
    }
};

TEST_F(WrapGrid, RowsHoldTextThatBreaksOtherThanAtBlanks) {
    const QString cases[] = {
        "der|die|das|Haus|Baum|Katze|Hund|Maus",    QString::fromUtf8("ฉันชอบกินข้าวผัดกับไข่ดาวทุกวัน"),
        "Haus)Baum]Katze}Hund)Maus]Wald}Feld}Berg", QString::fromUtf8("abc´def´ghi´jkl´mno´pqr´stu"),
        "eins/zwei/drei/vier/fünf-sechs-sieben",
    };
    for (const QString& t : cases) {
        EXPECT_FALSE(cutInFittedRow(g, "q", t)) << t.toStdString();
        EXPECT_GT(g.RowHeight(1), 2 * QFontMetrics(g.ColumnFont("q")).height()) << t.toStdString();
    }
    // Drawn by a fallback font, which brings its own line height.
    g.SetColumnFont("q", QFont("DejaVu Serif", 9));
    EXPECT_FALSE(cutInFittedRow(g, "q", QString::fromUtf8("שלום עולם ספר בית ילד ילדה מורה")));
}

// The question column is drawn indented: its text wraps in less room.
TEST_F(WrapGrid, IndentNarrowsTheRoomTextWrapsIn) {
    const QString text = "Haus Baum";
    const int advance = QFontMetrics(g.ColumnFont("q")).horizontalAdvance(text);
    // Room for the text on one line without the indent, not with it.
    static_assert(overview::QuestionIndent > 3);
    g.SetColumnWidth("q", advance + 1 + 2 * grid::kCellMargin + 3);
    EXPECT_FALSE(cutInFittedRow(g, "q", text, overview::QuestionIndent));
    const int twoLines = g.RowHeight(1);
    EXPECT_FALSE(cutInFittedRow(g, "q", text, 0));
    EXPECT_LT(g.RowHeight(1), twoLines);
}

// Where the word-by-word measure answers, it must break where the text
// layout does (width 1 puts every piece the layout keeps together on a line
// of its own) and fill lines as it does.
TEST(GridSizes, WordByWordBreaksWhereTheTextLayoutBreaks) {
    const QString common = QString::fromUtf8("aZäßжωאبअ́ª0.,:;'\"([)]#&*<=>@^_`~");
    quint32 seed = 3;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7FFF;
    };
    int compared = 0;
    for (const QFont& f : {QFont("DejaVu Sans", 9), QFont("DejaVu Serif", 13)}) {
        Grid g;
        g.AddColumn("w");
        g.SetColumnFont("w", f);
        for (int i = 0; i < 20000; ++i) {
            QString t;
            for (int k = 1 + int(next() % 12); k > 0; --k) {
                const int r = int(next() % 10);
                t += r < 2   ? QChar(u' ')
                     : r < 8 ? common[int(next() % common.size())]
                             : QChar(char16_t(0x21 + (next() * 32768u + next()) % (0x1100 - 0x21)));
            }
            const int fast = g.fastWrapHeight("w", t, 1);
            if (fast < 0) continue;
            ASSERT_EQ(fast, g.layoutHeight("w", t, 1)) << t.toStdString();
            const int width = 10 + int(next() % 120);
            ASSERT_EQ(g.fastWrapHeight("w", t, width), g.layoutHeight("w", t, width))
                << t.toStdString() << " in " << width;
            ++compared;
        }
    }
    EXPECT_GT(compared, 5000);
    // Left to the layout: no break after an opening bracket and its blank,
    // none before a closing one, decimals that break after their comma.
    Grid g;
    g.AddColumn("w");
    for (const char* t : {"Haus ( Baum", "Haus ) Baum", "Haus , Baum", "1,5 m", "x' (y)"})
        EXPECT_EQ(g.fastWrapHeight("w", t, 30), -1) << t;
    EXPECT_NE(g.fastWrapHeight("w", "Haus (n) Baum, der", 30), -1);
}

}  // namespace
