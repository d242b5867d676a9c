// Rows read ahead in a walk keep their texts as stored and convert them when a
// field is asked for: what comes back must be what a read of the single row
// gives, whatever the stored text is.
#include "DaoTestSupport.h"

#include <sqlite3.h>

#include <QFile>

using namespace daotest;

namespace {

class WindowTest : public DaoTest {};

// Text of a column as the stock library decodes it.
QString rawText(sqlite3* db, const QByteArray& sql) {
    sqlite3_stmt* st = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr), SQLITE_OK);
    QString out;
    if (sqlite3_step(st) == SQLITE_ROW)
        out = QString(reinterpret_cast<const QChar*>(sqlite3_column_text16(st, 0)),
                      sqlite3_column_bytes16(st, 0) / 2);
    sqlite3_finalize(st);
    return out;
}

TEST_F(WindowTest, WalkAndSingleReadsGiveTheSameValuesForEveryStoredText) {
    const QString file = path("window.wkd");
    {
        auto db = freshDb("window.wkd");
        auto rs = db->OpenRecordset("VOK");
        ws.BeginTrans();
        for (int i = 0; i < 150; ++i) addItem(rs, QString("item %1").arg(i, 3, 10, QChar('0')), "a");
        ws.CommitTrans();
        // Texts where numbers and dates belong, as other programs may leave them.
        const dao::Params texts[] = {
            {QString("2026-12-07 14:03:09"), QString(" 42 "), QString("Äpfel und Birnen €𝄞"), "item 010"},
            {QString("07.12.2026"), QString("x1"), QString(""), "item 063"},
            {QString("kein Datum"), QString("-7"), QString("plain"), "item 064"},
            {QString("2026-02-30 10:00:00"), QString("1e3"), QString("ß"), "item 149"},
        };
        for (const auto& p : texts)
            db->Execute("UPDATE VOK SET ZuletztGelerntAm = ?, Punkte = ?, A1 = ? WHERE Q = ?", p);
        db->Close();
    }
    // Bytes that are not UTF-8, and a byte-order mark, written past the layer.
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(file).constData(), &raw), SQLITE_OK);
    sqlite3_exec(raw,
                 "UPDATE VOK SET A1 = CAST(X'41C328FF42' AS TEXT) WHERE Q = 'item 065';"
                 "UPDATE VOK SET A1 = CAST(X'EFBBBF4142' AS TEXT) WHERE Q = 'item 066';"
                 "UPDATE VOK SET A1 = CAST(X'EDA080' AS TEXT) WHERE Q = 'item 067';",
                 nullptr, nullptr, nullptr);
    const QString bad = rawText(raw, "SELECT A1 FROM VOK WHERE Q = 'item 065'");
    const QString bom = rawText(raw, "SELECT A1 FROM VOK WHERE Q = 'item 066'");
    const QString surrogate = rawText(raw, "SELECT A1 FROM VOK WHERE Q = 'item 067'");
    sqlite3_close(raw);

    auto db = ws.OpenDatabase(file);
    auto walk = db->OpenRecordset("SELECT * FROM VOK ORDER BY Q");
    auto single = db->OpenRecordset("SELECT * FROM VOK ORDER BY Q");
    ASSERT_EQ(walk->RecordCount(), 150);
    const int n = walk->FieldCount();
    for (long i = 0; i < 150; ++i) {
        walk->SetAbsolutePosition(i);
        // Backwards, so that each row is read by itself.
        single->SetAbsolutePosition(149 - i);
        single->SetAbsolutePosition(i);
        for (int f = 0; f < n; ++f) {
            const QVariant a = walk->Value(f), b = single->Value(f);
            ASSERT_EQ(a.typeId(), b.typeId()) << i << " " << walk->FieldName(f).toStdString();
            ASSERT_EQ(a, b) << i << " " << walk->FieldName(f).toStdString();
            ASSERT_EQ(a.isNull(), b.isNull());
        }
    }

    auto at = [&](long i, const char* field) {
        walk->SetAbsolutePosition(i);
        return walk->Value(field);
    };
    EXPECT_EQ(at(10, "ZuletztGelerntAm"), QVariant(QDateTime(QDate(2026, 12, 7), QTime(14, 3, 9))));
    EXPECT_EQ(at(10, "Punkte"), QVariant(42));
    EXPECT_EQ(at(10, "A1"), QVariant(QString("Äpfel und Birnen €𝄞")));
    EXPECT_EQ(at(63, "ZuletztGelerntAm"), QVariant(QDateTime(QDate(2026, 12, 7), QTime(0, 0))));
    EXPECT_EQ(at(63, "Punkte"), QVariant(QString("x1")));
    const QVariant empty = at(63, "A1");
    EXPECT_TRUE(empty.isValid());
    EXPECT_FALSE(empty.toString().isNull());
    EXPECT_TRUE(empty.toString().isEmpty());
    EXPECT_EQ(at(64, "ZuletztGelerntAm"), QVariant(QString("kein Datum")));
    EXPECT_EQ(at(64, "Punkte"), QVariant(-7));
    EXPECT_EQ(at(149, "ZuletztGelerntAm"), QVariant(QString("2026-02-30 10:00:00")));
    EXPECT_EQ(at(149, "Punkte"), QVariant(1000));
    EXPECT_EQ(at(65, "A1").toString(), bad);
    EXPECT_EQ(at(66, "A1").toString(), bom);
    EXPECT_EQ(at(67, "A1").toString(), surrogate);
}

// Fields are read with the rows once they were asked for; one asked for late
// in a walk, or only by its size, comes from the same rows.
TEST_F(WindowTest, FieldsAskedForLateInAWalkAreRead) {
    auto db = freshDb();
    auto rs = db->OpenRecordset("VOK");
    ws.BeginTrans();
    for (int i = 0; i < 200; ++i) {
        rs->AddNew();
        rs->SetValue("Q", QString("q%1").arg(i, 3, 10, QChar('0')));
        rs->SetValue("A1", QString("a%1").arg(i));
        rs->SetValue("Punkte", i);
        if (i % 3 == 0) rs->AppendChunk("Bild", QByteArray(i + 1, 'x'));
        rs->Update();
    }
    ws.CommitTrans();
    auto walk = db->OpenRecordset("SELECT * FROM VOK ORDER BY Q");
    for (long i = 0; i < 200; ++i) {
        walk->SetAbsolutePosition(i);
        ASSERT_EQ(walk->Value("Q").toString(), QString("q%1").arg(i, 3, 10, QChar('0')));
        if (i >= 70) {
            ASSERT_EQ(walk->Value("Punkte"), QVariant(int(i))) << i;
        }
        if (i >= 100) {
            ASSERT_EQ(walk->FieldSize("Bild"), i % 3 == 0 ? i + 1 : 0) << i;
        }
        if (i >= 130) {
            ASSERT_EQ(walk->Value("A1").toString(), QString("a%1").arg(i)) << i;
        }
        if (i == 150) {
            ASSERT_EQ(walk->Value("Bild").toByteArray(), QByteArray(151, 'x'));
        }
    }
    // Back to the start, and a change made meanwhile is seen.
    walk->MoveFirst();
    walk->Edit();
    walk->SetValue("Punkte", 999);
    walk->Update();
    walk->SetAbsolutePosition(0);
    EXPECT_EQ(walk->Value("Punkte"), QVariant(999));
    EXPECT_EQ(walk->Value("A1").toString(), QString("a0"));
    EXPECT_EQ(walk->Value("T").toString(), QString("Other"));
}

}  // namespace

// A walk that writes through its own recordset keeps reading ahead: an edited
// row reads back as written, the rows around it as stored, a row added
// meanwhile is there at the end; a write through another recordset is seen.
TEST_F(WindowTest, OwnWritesKeepTheReadAheadTrue) {
    auto db = freshDb("writes.wkd");
    auto rs = db->OpenRecordset("SELECT * FROM VOK ORDER BY Q");
    ws.BeginTrans();
    for (int i = 0; i < 600; ++i) addItem(rs, QString("item %1").arg(i, 3, 10, QChar('0')), "a");
    ws.CommitTrans();
    rs->Requery();
    auto other = db->OpenRecordset("SELECT * FROM VOK WHERE Q = 'item 300'");
    for (long p = 0; p < rs->RecordCount(); ++p) {
        rs->SetAbsolutePosition(p);
        ASSERT_EQ(rs->Value("Q").toString(), QString("item %1").arg(p, 3, 10, QChar('0')));
        ASSERT_EQ(rs->Value("A1").toString(), p < 600 ? "a" : "new") << p;
        if (p % 2 == 0 && p < 600) {
            rs->Edit();
            rs->SetValue("A1", QString("b%1").arg(p));
            rs->Update();
            EXPECT_EQ(rs->Value("A1").toString(), QString("b%1").arg(p));
        }
        if (p == 100) {
            rs->AddNew();
            rs->SetValue("Q", "item 600");
            rs->SetValue("A1", "new");
            rs->Update();
            EXPECT_EQ(rs->AbsolutePosition(), 100);
        }
        if (p == 250) {
            other->Edit();
            other->SetValue("A1", "elsewhere");
            other->Update();
        }
        if (p == 299) {
            rs->SetAbsolutePosition(300);
            EXPECT_EQ(rs->Value("A1").toString(), "elsewhere");
            other->Edit();
            other->SetValue("A1", "a");
            other->Update();
        }
    }
    EXPECT_EQ(rs->RecordCount(), 601);
    rs->SetAbsolutePosition(598);
    EXPECT_EQ(rs->Value("A1").toString(), "b598");
    rs->SetAbsolutePosition(599);
    EXPECT_EQ(rs->Value("A1").toString(), "a");
}

// Dates kept by a long walk read back as a single read gives them, whatever
// the stored text: the stored form, a day that does not exist, other forms.
TEST_F(WindowTest, DatesKeptByALongWalkReadAsSingleReads) {
    auto db = freshDb("dates.wkd");
    auto rs = db->OpenRecordset("VOK");
    ws.BeginTrans();
    for (int i = 0; i < 700; ++i) addItem(rs, QString("item %1").arg(i, 3, 10, QChar('0')));
    ws.CommitTrans();
    const char* texts[] = {"2026-12-07 14:03:09", "2026-02-30 10:00:00", "07.12.2026",
                           "kein Datum",          "2026-12-07T14:03:09", "1999-01-01 00:00:00",
                           "2026-12-7 14:03:09",  "0000-00-00 00:00:00"};
    int k = 0;
    for (const char* t : texts)
        db->Execute("UPDATE VOK SET ZuletztGelerntAm = ? WHERE Q = ?",
                    {QString(t), QString("item %1").arg(400 + k++, 3, 10, QChar('0'))});
    db->Execute("UPDATE VOK SET ZuletztGelerntAm = 46000.5 WHERE Q = 'item 420'");
    db->Execute("UPDATE VOK SET ZuletztGelerntAm = NULL WHERE Q = 'item 421'");

    auto walk = db->OpenRecordset("SELECT * FROM VOK ORDER BY Q");
    auto single = db->OpenRecordset("SELECT * FROM VOK ORDER BY Q");
    for (long i = 0; i < walk->RecordCount(); ++i) {
        walk->SetAbsolutePosition(i);
        const QVariant a = walk->Value("ZuletztGelerntAm");
        single->SetAbsolutePosition(walk->RecordCount() - 1 - i);
        single->SetAbsolutePosition(i);
        const QVariant b = single->Value("ZuletztGelerntAm");
        ASSERT_EQ(a.typeId(), b.typeId()) << i;
        ASSERT_EQ(a, b) << i;
    }
    walk->SetAbsolutePosition(400);
    EXPECT_EQ(walk->Value("ZuletztGelerntAm"), QVariant(QDateTime(QDate(2026, 12, 7), QTime(14, 3, 9))));
    walk->SetAbsolutePosition(401);
    EXPECT_EQ(walk->Value("ZuletztGelerntAm"), QVariant(QString("2026-02-30 10:00:00")));
    walk->SetAbsolutePosition(421);
    EXPECT_FALSE(walk->Value("ZuletztGelerntAm").isValid());
}
