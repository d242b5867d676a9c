// Values on their way in and out: conversion, limits, Null, MEMO chunks.
#include "DaoTestSupport.h"

#include <QFile>
#include <QRandomGenerator>

#include <sqlite3.h>

using namespace daotest;

namespace {

class ValueTest : public DaoTest {
protected:
    dao::DatabasePtr db;
    dao::RecordsetPtr rs;
    void SetUp() override {
        db = freshDb();
        rs = db->OpenRecordset("VOK");
        addItem(rs, "item", "answer");
        rs->MoveFirst();
        rs->Edit();
    }
};

TEST_F(ValueTest, NumbersConvertLikeTheOriginal) {
    rs->SetValue("RA1", "12");    // numeric text into a number field
    rs->SetValue("Punkte", 2.5);  // halves go to the even neighbour
    rs->SetValue("FQ1", " 33.5 ");
    rs->Update();
    EXPECT_EQ(rs->Value("RA1"), QVariant(12));
    EXPECT_EQ(rs->Value("Punkte"), QVariant(2));
    EXPECT_DOUBLE_EQ(rs->Value("FQ1").toDouble(), 33.5);

    rs->Edit();
    rs->SetValue("Punkte", 3.5);
    EXPECT_EQ(rs->Value("Punkte"), QVariant(4));
    rs->SetValue("RA1", true);
    EXPECT_EQ(rs->Value("RA1"), QVariant(-1));
}

TEST_F(ValueTest, BadValuesAreRefusedAndTheFieldKeepsItsValue) {
    rs->SetValue("RA1", 7);
    EXPECT_EQ(errorOf([&] { rs->SetValue("RA1", "seven"); }), 13);
    EXPECT_EQ(errorOf([&] { rs->SetValue("RA1", ""); }), 13);
    EXPECT_EQ(errorOf([&] { rs->SetValue("RA1", 32768); }), 6);
    EXPECT_EQ(errorOf([&] { rs->SetValue("RA1", -32769); }), 6);
    rs->SetValue("RA1", -32768);
    EXPECT_EQ(errorOf([&] { rs->SetValue("Punkte", 2147483648.0); }), 6);
    EXPECT_EQ(errorOf([&] { rs->SetValue("FQ1", "x1"); }), 13);
    EXPECT_EQ(errorOf([&] { rs->SetValue("Markiert", "maybe"); }), 13);
    EXPECT_EQ(errorOf([&] { rs->SetValue("ZuletztGelerntAm", "someday"); }), 13);
    EXPECT_EQ(errorOf([&] { rs->SetValue("T", QString(51, 'x')); }), 3163);
    rs->SetValue("T", QString(50, 'x'));
    rs->Update();
    EXPECT_EQ(rs->Value("RA1").toInt(), -32768);
    EXPECT_EQ(rs->Value("T").toString().size(), 50);
    EXPECT_EQ(rs->Value("A1").toString(), "answer");
}

TEST_F(ValueTest, NullIsNotTheEmptyText) {
    rs->SetValue("A1", QVariant());
    rs->SetValue("T", "");
    rs->Update();
    EXPECT_FALSE(rs->Value("A1").isValid());
    EXPECT_TRUE(rs->Value("T").isValid());
    EXPECT_EQ(rs->Value("T").toString(), "");
    auto nulls = db->OpenRecordset("SELECT * FROM VOK WHERE A1 IS NULL");
    EXPECT_EQ(nulls->RecordCount(), 1);
    auto empties = db->OpenRecordset("SELECT * FROM VOK WHERE T = ''");
    EXPECT_EQ(empties->RecordCount(), 1);
}

TEST_F(ValueTest, ZeroLengthTextNeedsTheFlagAndRequiredNeedsAValue) {
    auto td = db->CreateTableDef("Strict");
    auto q = td->CreateField("Q", dao::dbText, 20);
    q->SetRequired(true);
    td->Append(q);
    td->Append(td->CreateField("Note", dao::dbMemo));
    db->Append(td);
    auto s = db->OpenRecordset("Strict");
    s->AddNew();
    EXPECT_EQ(errorOf([&] { s->SetValue("Q", ""); }), 3315);
    EXPECT_EQ(errorOf([&] { s->SetValue("Note", ""); }), 3315);
    EXPECT_EQ(errorOf([&] { s->Update(); }), 3314);
    EXPECT_EQ(s->EditMode(), dao::dbEditAdd);  // a failed update keeps the buffer
    s->SetValue("Q", "ok");
    s->Update();
    EXPECT_EQ(s->RecordCount(), 1);
}

TEST_F(ValueTest, TypesComeBackAsTheProgramExpects) {
    const QDateTime when(QDate(2026, 12, 7), QTime(14, 3, 9));
    rs->SetValue("Markiert", -1);
    rs->SetValue("ZuletztGelerntAm", when);
    rs->Update();
    EXPECT_EQ(rs->Value("Markiert"), QVariant(true));
    EXPECT_EQ(rs->Value("ZuletztGelerntAm").toDateTime(), when);
    EXPECT_EQ(rs->Value("Q").typeId(), QMetaType::QString);
    EXPECT_EQ(rs->Value("RA1").typeId(), QMetaType::Int);
    EXPECT_EQ(rs->Value("Punkte").typeId(), QMetaType::Int);
    auto marked = db->OpenRecordset("SELECT * FROM VOK WHERE Markiert = True");
    EXPECT_EQ(marked->RecordCount(), 1);
    auto stored = db->OpenRecordset("SELECT * FROM VOK WHERE Markiert = -1 AND ZuletztGelerntAm = ?",
                                    dao::dbOpenDynaset, {when});
    EXPECT_EQ(stored->RecordCount(), 1);
    auto dated = db->OpenRecordset("SELECT * FROM VOK WHERE ZuletztGelerntAm > #12/6/2026#");
    EXPECT_EQ(dated->RecordCount(), 1);
}

TEST_F(ValueTest, MegabyteBlobRoundTripsInChunks) {
    QByteArray blob(1024 * 1024, '\0');
    QRandomGenerator gen(42);
    for (auto& c : blob) c = char(gen.bounded(256));
    for (qsizetype at = 0; at < blob.size(); at += 32000) rs->AppendChunk("Bild", blob.mid(at, 32000));
    EXPECT_EQ(rs->FieldSize("Bild"), blob.size());
    rs->Update();
    EXPECT_EQ(rs->FieldSize("Bild"), blob.size());
    EXPECT_EQ(rs->FieldType("Bild"), dao::dbMemo);

    QByteArray back;
    for (qint64 at = 0; at < rs->FieldSize("Bild"); at += 65536) back += rs->GetChunk("Bild", at, 65536);
    EXPECT_EQ(back, blob);
    EXPECT_EQ(rs->GetChunk("Bild", blob.size() - 10, 100), blob.right(10));
    EXPECT_EQ(rs->GetChunk("Bild", blob.size() + 10, 100), QByteArray());
    EXPECT_EQ(rs->Value("Bild").toByteArray(), blob);

    // The first chunk of a new edit replaces the old value.
    rs->Edit();
    rs->AppendChunk("Bild", "GIF8");
    rs->AppendChunk("Bild", "9a");
    rs->Update();
    EXPECT_EQ(rs->Value("Bild").toByteArray(), QByteArray("GIF89a"));

    // Cleared as the program clears media: "" is no bytes.
    rs->Edit();
    rs->SetValue("Bild", "");
    rs->Update();
    EXPECT_EQ(rs->FieldSize("Bild"), 0);
    EXPECT_EQ(errorOf([&] { rs->AppendChunk("Bild", "x"); }), 3020);
    rs->Edit();
    EXPECT_EQ(errorOf([&] { rs->AppendChunk("Punkte", "x"); }), 3259);
}

TEST_F(ValueTest, NullMemoHasNoSize) {
    rs->CancelUpdate();
    EXPECT_EQ(rs->FieldSize("Bild"), 0);
    EXPECT_EQ(rs->GetChunk("Bild", 0, 10), QByteArray());
    EXPECT_EQ(rs->FieldSize("Q"), 4);
}

}  // namespace

// Texts and dates are stored as the stock library stores them: the bytes
// of a text bound as UTF-16, a date in its one form, for any year.
TEST_F(ValueTest, TextsAndDatesAreStoredAsSqliteAndQtWriteThem) {
    rs->CancelUpdate();
    const QString texts[] = {"",
                             "plain",
                             QString::fromUtf8("Äpfel €𝄞 ß"),
                             QString(QChar(0xD800)) + "x",
                             QString("a") + QChar(0xDC00),
                             QString(QChar(0xFFFF))};
    const QDateTime dates[] = {
        QDateTime(QDate(2026, 12, 7), QTime(14, 3, 9)), QDateTime(QDate(999, 1, 2), QTime(3, 4, 5)),
        QDateTime(QDate(1, 1, 1), QTime(0, 0, 0)), QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59)),
        QDateTime(QDate(10000, 1, 1), QTime(0, 0, 0))};
    for (const QString& t : texts) db->Execute("INSERT INTO VOK (Q, A1) VALUES ('text', ?)", {t});
    for (const QDateTime& d : dates)
        db->Execute("INSERT INTO VOK (Q, ZuletztGelerntAm) VALUES ('date', ?)", {d});
    db->Close();

    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path("test.wkd")).constData(), &raw), SQLITE_OK);
    auto column = [&](const char* sql) {
        QList<QByteArray> out;
        sqlite3_stmt* st = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(raw, sql, -1, &st, nullptr), SQLITE_OK);
        while (sqlite3_step(st) == SQLITE_ROW)
            out << QByteArray(static_cast<const char*>(sqlite3_column_blob(st, 0)),
                              sqlite3_column_bytes(st, 0));
        sqlite3_finalize(st);
        return out;
    };
    const QList<QByteArray> stored =
        column("SELECT CAST(A1 AS BLOB) FROM VOK WHERE Q = 'text' ORDER BY rowid");
    ASSERT_EQ(stored.size(), std::size(texts));
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(raw, "SELECT CAST(? AS BLOB)", -1, &st, nullptr), SQLITE_OK);
    for (size_t k = 0; k < std::size(texts); ++k) {
        sqlite3_bind_text16(st, 1, texts[k].utf16(), int(texts[k].size() * 2), SQLITE_TRANSIENT);
        ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
        EXPECT_EQ(stored[qsizetype(k)], QByteArray(static_cast<const char*>(sqlite3_column_blob(st, 0)),
                                                   sqlite3_column_bytes(st, 0)))
            << k;
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    const QList<QByteArray> when = column("SELECT ZuletztGelerntAm FROM VOK WHERE Q = 'date' ORDER BY rowid");
    ASSERT_EQ(when.size(), std::size(dates));
    for (size_t k = 0; k < std::size(dates); ++k)
        EXPECT_EQ(when[qsizetype(k)], dates[k].toString("yyyy-MM-dd HH:mm:ss").toUtf8()) << k;
    sqlite3_close(raw);
}
