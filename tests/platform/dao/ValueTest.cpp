// Values on their way in and out: conversion, limits, Null, MEMO chunks.
#include "DaoTestSupport.h"

#include <QRandomGenerator>

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
