// The rebuild over a real vocabulary database made by MakeType4.
#include "Fakes.h"

#include "overview/DaoRecordAccess.h"
#include "overview/GridColouring.h"
#include "platform/dao/Dao.h"
#include "vocabdb/VokSchema.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <algorithm>
#include <set>

#include "overview/GridStatistics.h"

using namespace overview;

namespace {

class DaoHost : public test::FakeHost {
public:
    DaoHost(dao::RecordsetPtr items, dao::RecordsetPtr opts)
        : items_(std::move(items)), opts_(std::move(opts)) {}
    RecordAccess& gridRecordset() override { return items_; }
    RecordAccess& optionsRecord() override { return opts_; }
    DaoRecordAccess items_;
    DaoRecordAccess opts_;
};

// The same, but every value of the grid recordset read as a value.
class ValuesOnly : public DaoRecordAccess {
public:
    using DaoRecordAccess::DaoRecordAccess;
    bool ReadPassValues(const int*, size_t, dao::PassValue*) const override { return false; }
};
class ValuesHost : public test::FakeHost {
public:
    ValuesHost(dao::RecordsetPtr items, dao::RecordsetPtr opts)
        : items_(std::move(items)), opts_(std::move(opts)) {}
    RecordAccess& gridRecordset() override { return items_; }
    RecordAccess& optionsRecord() override { return opts_; }
    ValuesOnly items_;
    DaoRecordAccess opts_;
};

class GridOverDatabase : public ::testing::Test {
protected:
    QTemporaryDir dir;
    dao::DatabasePtr db;

    void SetUp() override {
        const QString path = dir.filePath("words.wkd");
        auto fresh = dao::DBEngine::CreateDatabase(path, vocabdb::VokDBLocale);
        vocabdb::MakeType4(fresh, "");
        db = dao::DBEngine::OpenDatabase(path, false, false, ";pwd=" + vocabdb::VokDBPasswort);
    }
    void TearDown() override {
        if (db && db->IsOpen()) db->Close();
    }

    void add(const QString& q, const QString& a1, double fq, bool marked, const QByteArray& bild = {},
             const QByteArray& soundRichtig = {}, int ra1 = 0) {
        auto rs = db->OpenRecordset("VOK");
        rs->AddNew();
        rs->SetValue("Q", q);
        rs->SetValue("A1", a1);
        rs->SetValue("RA1", ra1);
        rs->SetValue("Markiert", marked);
        for (int u = 1; u <= 5; ++u)
            for (const char* p : {"AA", "AR", "AF", "FQ"}) rs->SetValue(p + QString::number(u), 0);
        rs->SetValue("FQ1", fq);
        if (!bild.isEmpty()) rs->AppendChunk("Bild", bild);
        if (!soundRichtig.isEmpty()) rs->AppendChunk("SoundRichtig", soundRichtig);
        rs->Update();
        rs->Close();
    }
};

}  // namespace

TEST_F(GridOverDatabase, RebuildShowsTheItemsInQuestionOrderWithIconsAndColours) {
    add("Zebra", "", 10, false, {}, {}, 1);
    add("Baum", "tree", 36, true, QByteArray(5000, 'p'));
    add("Apfel", "apple", 80.6, false, {}, QByteArray(300, 's'));
    db->Execute("UPDATE OPTIONS SET GridShowA1 = 1, GridShowFQ = 1, GridWidthA1 = 120");

    auto items = db->OpenRecordset("Alles");
    auto opts = db->OpenRecordset("AllOptions");
    items->SetAbsolutePosition(1);
    DaoHost h(items, opts);
    h.listIcon = 1;
    h.indikatorRand = 1;
    FillVG1(h);

    ASSERT_TRUE(h.errors.empty()) << h.errors.front().second.toStdString();
    grid::Grid& g = h.grid;
    ASSERT_EQ(g.Rows(), 3);
    const long q = g.ColumnIndex("Q"), a1 = g.ColumnIndex("A1"), fq = g.ColumnIndex("FQ1");
    EXPECT_EQ(g.CellText(1, q), "Apfel");
    EXPECT_EQ(g.CellText(2, q), "Baum");
    EXPECT_EQ(g.CellText(3, q), "Zebra");
    for (long r = 1; r <= 3; ++r) EXPECT_EQ(g.CellText(r, 2), QString::number(r - 1));
    EXPECT_EQ(h.images.ItemKey(g.CellIcon(1, 1)), "Sound");
    EXPECT_EQ(h.images.ItemKey(g.CellIcon(2, 1)), "CheckedPic");
    EXPECT_EQ(h.images.ItemKey(g.CellIcon(3, 1)), "Empty");
    EXPECT_EQ(g.CellBackColor(1, 1), colour::LightRed);
    EXPECT_EQ(g.CellBackColor(2, 1), colour::LightYellow);
    EXPECT_EQ(g.CellBackColor(3, 1), colour::LightGreen);
    EXPECT_EQ(g.CellText(1, fq), "80");
    EXPECT_EQ(g.CellBackColor(3, a1), colour::LightGreen);  // right answer, empty text
    EXPECT_EQ(g.ColumnWidth("A1"), 120);
    EXPECT_EQ(g.ColumnWidth("Q"), 150);
    EXPECT_EQ(items->AbsolutePosition(), 1);  // the current record is kept
    EXPECT_TRUE(g.ShowData());
    EXPECT_TRUE(h.enabled);
}

// The rebuild takes a record's plain values as the file holds them and
// reads the rest as values: the grid is the one a build reading every value
// makes, whatever the file holds.
TEST_F(GridOverDatabase, PlainValuesBuildAndSortTheGridEveryValueDoes) {
    // Only 1 is a right answer; True (-1) and 2 are not.
    constexpr int kRightFlags[] = {0, 1, -1, 2};
    auto& ws = dao::DBEngine::Workspaces(0);
    ws.BeginTrans();
    const QStringList texts{"plain",
                            "",
                            QString::fromUtf8("Äpfel und Bäume"),
                            QString::fromUtf8("Жук 𝄞 €"),
                            "a question longer than sixteen characters",
                            QString()};
    for (int i = 0; i < 60; ++i) {
        const QString t = texts[i % texts.size()];
        add(t.isNull() ? QString("q%1").arg(i) : t + QString::number(i % 7), texts[(i + 1) % texts.size()],
            i * 1.75, i % 3 == 0, i % 5 == 0 ? QByteArray(10, 'p') : QByteArray(),
            i % 4 == 0 ? QByteArray(20, 's') : QByteArray(), kRightFlags[i % 4]);
    }
    ws.CommitTrans();
    db->Execute("UPDATE VOK SET T = A1, Kategorie = Q, Explanation = 'mehr', A2 = Q, RA2 = 1 WHERE FQ1 > 50");
    // What no program of ours stores: bytes that are no UTF-8, a leading
    // byte-order mark, numbers as text and text as numbers, Nulls.
    const QString asText = "UPDATE VOK SET A1 = CAST(? AS TEXT) WHERE FQ1 = ?";
    db->Execute(asText, {QByteArray("a\xff"
                                    "b"),
                         3 * 1.75});
    db->Execute(asText, {QByteArray("\xef\xbb\xbf"
                                    "bom"),
                         4 * 1.75});
    db->Execute(asText, {QByteArray("x\0y", 3), 5 * 1.75});
    db->Execute("UPDATE VOK SET Punkte = 'x7', AA1 = 2.5, RA1 = 'ja', FQ1 = NULL WHERE Q LIKE 'plain*'");
    db->Execute("UPDATE VOK SET Markiert = NULL, AR1 = 4294967301, T = 12 WHERE Q LIKE '*3'");
    db->Execute("UPDATE VOK SET RA1 = 1.0, FQ1 = 'n' WHERE Q LIKE '*5'");
    db->Execute(
        "UPDATE OPTIONS SET GridShowA1 = 1, GridShowA2 = 1, GridShowT = 1, GridShowKategorie = 1, "
        "GridShowExplanation = 1, GridShowTip = 1, GridShowPunkte = 1, GridShowAA = 1, GridShowAR = 1, "
        "GridShowAF = 1, GridShowFQ = 1");

    DaoHost plain(db->OpenRecordset("Alles"), db->OpenRecordset("AllOptions"));
    ValuesHost values(db->OpenRecordset("Alles"), db->OpenRecordset("AllOptions"));
    for (test::FakeHost* h : {static_cast<test::FakeHost*>(&plain), static_cast<test::FakeHost*>(&values)}) {
        h->listIcon = 1;
        FillVG1(*h);
        ASSERT_TRUE(h->errors.empty()) << h->errors.front().second.toStdString();
    }
    const grid::Grid &a = plain.grid, &b = values.grid;
    ASSERT_EQ(a.Rows(), 60);
    ASSERT_EQ(a.Rows(), b.Rows());
    ASSERT_EQ(a.Columns(), b.Columns());
    EXPECT_GE(a.Columns(), 17);
    int nonAscii = 0, empty = 0, none = 0;
    for (long c = 1; c <= a.Columns(); ++c) {
        ASSERT_EQ(a.ColumnKey(c), b.ColumnKey(c));
        EXPECT_EQ(a.ColumnWidth(a.ColumnKey(c)), b.ColumnWidth(b.ColumnKey(c))) << c;
        for (long r = 1; r <= a.Rows(); ++r) {
            const QString ta = a.CellText(r, c), tb = b.CellText(r, c);
            ASSERT_EQ(ta, tb) << r << " " << a.ColumnKey(c).toStdString();
            ASSERT_EQ(ta.isNull(), tb.isNull()) << r << " " << a.ColumnKey(c).toStdString();
            EXPECT_EQ(a.CellBackColor(r, c), b.CellBackColor(r, c)) << r << " " << c;
            EXPECT_EQ(a.CellIcon(r, c), b.CellIcon(r, c)) << r << " " << c;
            nonAscii += std::any_of(ta.begin(), ta.end(), [](QChar ch) { return ch.unicode() > 0x7F; });
            empty += ta.isEmpty() && !ta.isNull();
            none += ta.isNull();
        }
    }
    for (long r = 1; r <= a.Rows(); ++r) EXPECT_EQ(a.RowHeight(r), b.RowHeight(r)) << r;
    // The answer cells painted green, by record and column key.
    const auto greenAnswers = [](const grid::Grid& g) {
        std::set<std::pair<long, QString>> out;
        for (long r = 1; r <= g.Rows(); ++r)
            for (long c = 2; c <= g.Columns(); ++c)
                if (isAnswerKey(g.ColumnKey(c)) && g.CellBackColor(r, c) == colour::LightGreen)
                    out.emplace(recordPositionOfRow(g, r), g.ColumnKey(c));
        return out;
    };
    const auto builtGreen = greenAnswers(a);
    // A header sort paints the right answers again, from the pass's whole
    // numbers on one side and from values on the other, as the build did.
    for (test::FakeHost* h : {static_cast<test::FakeHost*>(&plain), static_cast<test::FakeHost*>(&values)}) {
        h->grid.SetSortColumn(1, h->grid.ColumnIndex("A1"));
        h->grid.SetSortOrder(1, grid::SortDescending);
        h->grid.Sort();
        VGridColorEverySecondCell(h->grid, h->gridRecordset(), 1, true);
    }
    int green = 0;
    for (long r = 1; r <= a.Rows(); ++r)
        for (long c = 1; c <= a.Columns(); ++c) {
            EXPECT_EQ(a.CellBackColor(r, c), b.CellBackColor(r, c)) << r << " " << c;
            green += c > 1 && a.CellBackColor(r, c) == colour::LightGreen;
        }
    EXPECT_GT(green, 5);
    EXPECT_EQ(greenAnswers(a), builtGreen);
    EXPECT_EQ(greenAnswers(b), builtGreen);
    // The sample holds what it is meant to.
    EXPECT_GT(nonAscii, 30);
    EXPECT_GT(empty, 10);
    EXPECT_GT(none, 100);
    const long a1 = a.ColumnIndex("A1");
    bool odd = false;
    for (long r = 1; r <= a.Rows(); ++r) odd = odd || a.CellText(r, a1).contains(QChar(0xFFFD));
    EXPECT_TRUE(odd);
}

TEST_F(GridOverDatabase, AnEmptyDatabaseGivesAnEmptyHiddenGrid) {
    DaoHost h(db->OpenRecordset("Alles"), db->OpenRecordset("AllOptions"));
    FillVG1(h);
    EXPECT_TRUE(h.errors.empty());
    EXPECT_EQ(h.grid.Rows(), 0);
    EXPECT_EQ(h.grid.ColumnKey(3), "Q");
    EXPECT_FALSE(h.grid.ShowData());
}

// A test's items are found in the grid's recordset by their bookmarks, few
// or many; an item deleted meanwhile is left out.
TEST_F(GridOverDatabase, AskedItemsAreFoundByTheirBookmarksFewOrMany) {
    constexpr int kItems = 4200;
    auto& ws = dao::DBEngine::Workspaces(0);
    ws.BeginTrans();
    for (int i = kItems - 1; i >= 0; --i)
        db->Execute("INSERT INTO VOK (Q) VALUES (?)", {QString("F%1").arg(i, 5, 10, QLatin1Char('0'))});
    ws.CommitTrans();
    auto grid = db->OpenRecordset("Alles");  // by question: F00000 at 0
    auto test = db->OpenRecordset("SELECT * FROM VOK");
    grid->SetAbsolutePosition(7);
    for (const int many : {3, 4100}) {
        SCOPED_TRACE(many);
        QSet<QByteArray> asked;
        std::vector<long> expected;
        for (int k = 0; k < many; ++k) {
            test->SetAbsolutePosition(k);
            asked.insert(test->Bookmark());
            expected.push_back(test->Value("Q").toString().mid(1).toLong());
        }
        if (many > 3) {
            // The last by question is gone from the table (and from a grid
            // recordset opened since) after the test asked it.
            test->SetAbsolutePosition(0);
            ASSERT_EQ(test->Value("Q").toString(), "F04199");
            db->Execute("DELETE FROM VOK WHERE Q = 'F04199'");
            expected.erase(std::find(expected.begin(), expected.end(), 4199L));
            grid = db->OpenRecordset("Alles");
            grid->SetAbsolutePosition(7);
        }
        std::vector<long> found = recordPositionsOf(*grid, asked);
        std::sort(found.begin(), found.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(found, expected);
        EXPECT_EQ(grid->AbsolutePosition(), 7);
    }
}
