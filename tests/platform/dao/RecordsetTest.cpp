// Dynaset behaviour: positions, changes, keys fixed at open.
#include "DaoTestSupport.h"

#include <map>
#include <numeric>

using namespace daotest;

namespace {

class RecordsetTest : public DaoTest {};

TEST_F(RecordsetTest, EmptySetHasNoCurrentRecord) {
    auto db = freshDb();
    auto rs = db->OpenRecordset("SELECT * FROM VOK", dao::dbOpenDynaset);
    EXPECT_TRUE(rs->Eof());
    EXPECT_TRUE(rs->Bof());
    EXPECT_EQ(rs->RecordCount(), 0);
    EXPECT_EQ(rs->AbsolutePosition(), -1);
    EXPECT_EQ(errorOf([&] { rs->MoveLast(); }), 3021);
    EXPECT_EQ(errorOf([&] { rs->MoveFirst(); }), 3021);
    EXPECT_EQ(errorOf([&] { rs->MoveNext(); }), 3021);
    EXPECT_EQ(errorOf([&] { rs->Value("Q"); }), 3021);
    EXPECT_EQ(errorOf([&] { rs->Edit(); }), 3021);
    EXPECT_EQ(errorOf([&] { rs->Delete(); }), 3021);
    EXPECT_EQ(errorOf([&] { rs->SetAbsolutePosition(0); }), 3001);
}

TEST_F(RecordsetTest, WalkForwardAndBack) {
    auto db = freshDb();
    auto rs = db->OpenRecordset("VOK");
    for (QString q : {"a", "b", "c"}) addItem(rs, q);
    rs->Requery();
    EXPECT_EQ(rs->RecordCount(), 3);
    EXPECT_EQ(rs->Value("Q").toString(), "a");
    rs->MoveNext();
    rs->MoveNext();
    EXPECT_EQ(rs->AbsolutePosition(), 2);
    rs->MoveNext();
    EXPECT_TRUE(rs->Eof());
    EXPECT_FALSE(rs->Bof());
    EXPECT_EQ(rs->AbsolutePosition(), -1);
    EXPECT_EQ(errorOf([&] { rs->MoveNext(); }), 3021);
    rs->MovePrevious();
    EXPECT_EQ(rs->Value("Q").toString(), "c");
    rs->MoveFirst();
    rs->MovePrevious();
    EXPECT_TRUE(rs->Bof());
    EXPECT_EQ(errorOf([&] { rs->MovePrevious(); }), 3021);
    rs->MoveLast();
    rs->Move(-2);
    EXPECT_EQ(rs->Value("Q").toString(), "a");
    rs->Move(5);
    EXPECT_TRUE(rs->Eof());
    EXPECT_EQ(errorOf([&] { rs->SetAbsolutePosition(3); }), 3001);
    EXPECT_EQ(errorOf([&] { rs->SetAbsolutePosition(-1); }), 3001);
}

TEST_F(RecordsetTest, AddNewAppendsAtEndAndKeepsCurrentRecord) {
    auto db = freshDb();
    auto rs = db->OpenRecordset("SELECT * FROM VOK ORDER BY Q");
    for (QString q : {"m", "b"}) addItem(rs, q);
    rs->Requery();
    EXPECT_EQ(column(rs, "Q"), QStringList({"b", "m"}));
    rs->SetAbsolutePosition(0);
    addItem(rs, "a");  // sorts first, but a dynaset shows it at its end
    EXPECT_EQ(rs->Value("Q").toString(), "b");
    EXPECT_EQ(rs->AbsolutePosition(), 0);
    EXPECT_EQ(column(rs, "Q"), QStringList({"b", "m", "a"}));
    rs->SetBookmark(rs->LastModified());
    EXPECT_EQ(rs->Value("Q").toString(), "a");
    rs->Requery();
    EXPECT_EQ(column(rs, "Q"), QStringList({"a", "b", "m"}));
}

TEST_F(RecordsetTest, AddNewFillsDefaultsAndCancelDiscards) {
    auto db = freshDb();
    auto rs = db->OpenRecordset("VOK");
    rs->AddNew();
    EXPECT_EQ(rs->EditMode(), dao::dbEditAdd);
    EXPECT_EQ(rs->Value("T").toString(), "Other");
    EXPECT_FALSE(rs->Value("Q").isValid());
    rs->SetValue("Q", "x");
    rs->CancelUpdate();
    EXPECT_EQ(rs->EditMode(), dao::dbEditNone);
    EXPECT_EQ(errorOf([&] { rs->Update(); }), 3020);
    EXPECT_EQ(errorOf([&] { rs->CancelUpdate(); }), 3020);
    EXPECT_EQ(rs->RecordCount(), 0);
    rs->AddNew();
    rs->Update();
    rs->MoveFirst();
    EXPECT_EQ(rs->Value("T").toString(), "Other");
    EXPECT_EQ(rs->Value("Markiert").toBool(), false);
    EXPECT_EQ(rs->Value("Markiert").typeId(), QMetaType::Bool);
    EXPECT_EQ(rs->Value("Punkte").toInt(), 0);
    EXPECT_FALSE(rs->Value("Q").isValid());
}

TEST_F(RecordsetTest, EditWithoutEditModeIsRefused) {
    auto db = freshDb();
    auto rs = db->OpenRecordset("VOK");
    addItem(rs, "a");
    rs->MoveFirst();
    EXPECT_EQ(errorOf([&] { rs->SetValue("Q", "b"); }), 3020);
    rs->Edit();
    rs->SetValue("Q", "b");
    EXPECT_EQ(rs->Value("Q").toString(), "b");
    rs->MoveFirst();  // moving drops the pending change
    EXPECT_EQ(rs->Value("Q").toString(), "a");
}

TEST_F(RecordsetTest, KeysStayFixedWhileRowsChange) {
    auto db = freshDb();
    auto writer = db->OpenRecordset("VOK");
    for (QString q : {"a", "b", "c", "d"}) addItem(writer, q);
    auto rs = db->OpenRecordset("SELECT * FROM VOK WHERE Punkte = 0 ORDER BY Q");
    ASSERT_EQ(rs->RecordCount(), 4);

    // A change that takes a row out of the filter keeps it in the set.
    rs->SetAbsolutePosition(1);
    rs->Edit();
    rs->SetValue("Punkte", 5);
    rs->Update();
    EXPECT_EQ(rs->Value("Punkte").toInt(), 5);
    EXPECT_EQ(column(rs, "Q"), QStringList({"a", "b", "c", "d"}));

    // Another recordset sees the change and its own edits show here.
    auto other = db->OpenRecordset("SELECT * FROM VOK ORDER BY Q");
    other->SetAbsolutePosition(2);
    EXPECT_EQ(other->Value("Q").toString(), "c");
    other->Edit();
    other->SetValue("A1", "changed");
    other->Update();
    rs->SetAbsolutePosition(2);
    EXPECT_EQ(rs->Value("A1").toString(), "changed");
    other->SetAbsolutePosition(1);
    EXPECT_EQ(other->Value("Punkte").toInt(), 5);

    // Rows inserted elsewhere do not join an open set.
    addItem(writer, "e");
    EXPECT_EQ(rs->RecordCount(), 4);

    // A row deleted elsewhere is reported, the others keep their places.
    other->SetAbsolutePosition(0);
    other->Delete();
    rs->SetAbsolutePosition(0);
    EXPECT_EQ(errorOf([&] { rs->Value("Q"); }), 3167);
    rs->SetAbsolutePosition(3);
    EXPECT_EQ(rs->Value("Q").toString(), "d");
    rs->SetAbsolutePosition(0);
    rs->Edit();
    rs->SetValue("A1", "lost");
    EXPECT_EQ(errorOf([&] { rs->Update(); }), 3167);
    EXPECT_EQ(db->OpenRecordset("SELECT * FROM VOK WHERE A1 = 'lost'")->RecordCount(), 0);
}

TEST_F(RecordsetTest, ForwardWalkSeesChangesMadeMeanwhile) {
    auto db = freshDb();
    auto writer = db->OpenRecordset("VOK");
    for (int i = 0; i < 200; ++i) addItem(writer, QString::number(i));
    auto rs = db->OpenRecordset("VOK");
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(rs->Value("Q").toString(), QString::number(i));
        rs->MoveNext();
    }
    writer->SetAbsolutePosition(11);
    writer->Edit();
    writer->SetValue("Q", "changed");
    writer->Update();
    writer->SetAbsolutePosition(12);
    writer->Delete();
    // Another handle of the same file changes a row further on.
    auto db2 = ws.OpenDatabase(db->Name());
    db2->Execute("UPDATE VOK SET A1 = 'elsewhere' WHERE Q = '13'");
    db2->Close();
    EXPECT_EQ(rs->Value("Q").toString(), "10");
    rs->MoveNext();
    EXPECT_EQ(rs->Value("Q").toString(), "changed");
    rs->MoveNext();
    EXPECT_EQ(errorOf([&] { rs->Value("Q"); }), 3167);
    rs->MoveNext();
    EXPECT_EQ(rs->Value("A1").toString(), "elsewhere");
    int seen = 0;
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
        if (rs->AbsolutePosition() != 12) seen += rs->Value("Q").isValid();
    }
    EXPECT_EQ(seen, 199);
}

TEST_F(RecordsetTest, DeleteThenMoveNextGoesToFollowingRow) {
    auto db = freshDb();
    auto rs = db->OpenRecordset("VOK");
    for (QString q : {"a", "b", "c"}) addItem(rs, q);
    rs->Requery();
    rs->MoveNext();
    rs->Delete();
    EXPECT_EQ(rs->AbsolutePosition(), -1);
    EXPECT_EQ(errorOf([&] { rs->Value("Q"); }), 3021);
    rs->MoveNext();
    EXPECT_EQ(rs->Value("Q").toString(), "c");
    EXPECT_EQ(rs->RecordCount(), 2);
    EXPECT_EQ(column(rs, "Q"), QStringList({"a", "c"}));
}

// Several rows at once, in a set long enough that its values are kept from
// a walk: the positions close up as after that many Deletes, and the kept
// values still belong to their rows.
TEST_F(RecordsetTest, DeletePositionsClosesUpTheSetOnce) {
    auto db = freshDb();
    auto rs = db->OpenRecordset("VOK");
    for (int i = 0; i < 600; ++i) addItem(rs, QString("q%1").arg(i, 3, 10, QChar('0')));
    rs->Requery();
    EXPECT_EQ(column(rs, "Q").size(), 600);  // a walk: the values are kept
    EXPECT_EQ(errorOf([&] { rs->DeletePositions({5, 3}); }), 3001);
    EXPECT_EQ(errorOf([&] { rs->DeletePositions({3, 600}); }), 3001);
    EXPECT_EQ(rs->RecordCount(), 600);

    rs->DeletePositions({0, 1, 299, 597});
    EXPECT_EQ(rs->AbsolutePosition(), -1);
    rs->MoveNext();  // the row after the last one deleted
    EXPECT_EQ(rs->Value("Q").toString(), "q598");
    EXPECT_EQ(rs->RecordCount(), 596);
    const QStringList left = column(rs, "Q");
    EXPECT_EQ(left.first(), "q002");
    EXPECT_EQ(left.at(296), "q298");
    EXPECT_EQ(left.at(297), "q300");
    EXPECT_EQ(left.last(), "q599");
    auto other = db->OpenRecordset("SELECT Q FROM VOK WHERE Q IN ('q000', 'q299', 'q597', 'q598')");
    EXPECT_EQ(column(other, "Q"), QStringList{"q598"});

    // A row gone meanwhile: the rows before it are deleted and leave the set.
    db->Execute("DELETE FROM VOK WHERE Q = 'q010'");
    EXPECT_EQ(errorOf([&] { rs->DeletePositions({2, 8, 9}); }), 3167);
    EXPECT_EQ(rs->RecordCount(), 595);
    QStringList front;
    for (long p = 0; p < 7; ++p) {
        rs->SetAbsolutePosition(p);
        front << rs->Value("Q").toString();
    }
    EXPECT_EQ(front, QStringList({"q002", "q003", "q005", "q006", "q007", "q008", "q009"}));
}

// The values of a few fields for every record of a filtered, sorted set:
// each by its position in the set, read now, a row gone meanwhile left out;
// a read-only set answers from what it holds.
TEST_F(RecordsetTest, ForEachRecordHandsEveryRecordByItsPosition) {
    auto db = freshDb();
    auto rs = db->OpenRecordset("VOK");
    for (QString q : {"d", "b", "x", "a", "c"}) addItem(rs, q, q.toUpper(), q == "x" ? "other" : "T");
    auto set = db->OpenRecordset("SELECT * FROM VOK WHERE T = ? ORDER BY Q DESC", dao::dbOpenDynaset, {"T"});
    ASSERT_EQ(set->RecordCount(), 4);
    db->Execute("UPDATE VOK SET A1 = 'new' WHERE Q = 'b'");
    db->Execute("DELETE FROM VOK WHERE Q = 'c'");
    std::map<long, QStringList> seen;
    set->ForEachRecord({"A1", "Q"}, [&](long p, const QVariantList& v) {
        seen[p] = QStringList{v.at(0).toString(), v.at(1).toString()};
    });
    EXPECT_EQ(seen, (std::map<long, QStringList>{{0, {"D", "d"}}, {2, {"new", "b"}}, {3, {"A", "a"}}}));
    EXPECT_EQ(errorOf([&] { set->ForEachRecord({"Nope"}, [](long, const QVariantList&) {}); }), 3265);

    auto fixed = db->OpenRecordset("SELECT DISTINCT Q FROM VOK ORDER BY Q");
    std::map<long, QString> held;
    fixed->ForEachRecord({"Q"}, [&](long p, const QVariantList& v) { held[p] = v.at(0).toString(); });
    EXPECT_EQ(held, (std::map<long, QString>{{0, "a"}, {1, "b"}, {2, "d"}, {3, "x"}}));
}

TEST_F(RecordsetTest, FieldsByNameAndIndex) {
    auto db = freshDb();
    auto rs = db->OpenRecordset("SELECT * FROM VOK");
    addItem(rs, "a", "b");
    rs->Requery();
    ASSERT_EQ(rs->FieldCount(), 9);
    EXPECT_EQ(rs->FieldName(0), "Q");
    EXPECT_EQ(rs->FieldName(8), "ZuletztGelerntAm");
    EXPECT_EQ(rs->Value(1).toString(), "b");
    EXPECT_EQ(rs->Value("a1").toString(), "b");  // names match regardless of case
    EXPECT_EQ(rs->FieldType("Punkte"), dao::dbLong);
    EXPECT_EQ(rs->FieldType(5), dao::dbInteger);
    EXPECT_EQ(rs->FieldDefinedSize("T"), 50);
    EXPECT_EQ(rs->FieldIndex("nope"), -1);
    EXPECT_EQ(errorOf([&] { rs->Value("nope"); }), 3265);
    EXPECT_EQ(errorOf([&] { rs->Value(9); }), 3265);
    EXPECT_EQ(errorOf([&] { rs->FieldName(-1); }), 3265);

    auto two = db->OpenRecordset("SELECT Q, [T] FROM VOK");
    EXPECT_EQ(two->FieldCount(), 2);
    EXPECT_EQ(two->Value("T").toString(), "Other");
    EXPECT_EQ(errorOf([&] { two->Value("A1"); }), 3265);
}

TEST_F(RecordsetTest, ClosedRecordsetsAndDatabasesAreInvalid) {
    auto db = freshDb();
    auto rs = db->OpenRecordset("VOK");
    auto rs2 = db->OpenRecordset("VOK");
    rs->Close();
    EXPECT_FALSE(rs->IsOpen());
    EXPECT_EQ(errorOf([&] { rs->Eof(); }), 3420);
    EXPECT_EQ(errorOf([&] { rs->Close(); }), 3420);
    db->Close();
    EXPECT_FALSE(rs2->IsOpen());
    EXPECT_EQ(errorOf([&] { rs2->MoveFirst(); }), 3420);
    EXPECT_EQ(errorOf([&] { db->Execute("DELETE FROM VOK"); }), 3420);
    EXPECT_EQ(errorOf([&] { db->Close(); }), 3420);
}

TEST_F(RecordsetTest, RecordsetOutlivesReleasedDatabase) {
    dao::RecordsetPtr rs;
    {
        auto db = freshDb();
        rs = db->OpenRecordset("VOK");
        addItem(rs, "kept");
    }
    rs->MoveFirst();
    EXPECT_EQ(rs->Value("Q").toString(), "kept");
}

TEST_F(RecordsetTest, StaticResultsAreReadOnly) {
    auto db = freshDb();
    auto rs = db->OpenRecordset("VOK");
    for (QString t : {"x", "y", "x"}) addItem(rs, "q", {}, t);
    auto count = db->OpenRecordset("SELECT T, COUNT(*) AS n FROM VOK GROUP BY T ORDER BY T");
    ASSERT_EQ(count->RecordCount(), 2);
    EXPECT_EQ(count->Value("T").toString(), "x");
    EXPECT_EQ(count->Value("n").toInt(), 2);
    EXPECT_EQ(errorOf([&] { count->Edit(); }), 3027);
    auto snap = db->OpenRecordset("VOK", dao::dbOpenSnapshot);
    EXPECT_EQ(errorOf([&] { snap->AddNew(); }), 3027);
}

TEST_F(RecordsetTest, FindFirstAndNext) {
    auto db = freshDb();
    auto rs = db->OpenRecordset("VOK");
    for (QString q : {"Haus", "Baum", "Hund"}) addItem(rs, q);
    rs->Requery();
    rs->FindFirst("Q LIKE ?", {"H*"});
    ASSERT_FALSE(rs->NoMatch());
    EXPECT_EQ(rs->Value("Q").toString(), "Haus");
    rs->FindNext("Q LIKE ?", {"H*"});
    EXPECT_EQ(rs->Value("Q").toString(), "Hund");
    rs->FindNext("Q LIKE ?", {"H*"});
    EXPECT_TRUE(rs->NoMatch());
    EXPECT_EQ(rs->Value("Q").toString(), "Hund");
}

TEST_F(RecordsetTest, TopLimitsTheSet) {
    auto db = freshDb();
    auto rs = db->OpenRecordset("VOK");
    for (int i = 0; i < 10; ++i) addItem(rs, QString::number(i));
    auto top = db->OpenRecordset("SELECT TOP 3 * FROM VOK WHERE Markiert = False ORDER BY Q DESC");
    EXPECT_EQ(column(top, "Q"), QStringList({"9", "8", "7"}));
}

// Long walks read their values in one pass and keep them; every case below
// reads a row, lets something change it, and reads it again.
class LongWalkTest : public daotest::DaoTest {
protected:
    static constexpr int kRows = 1200;
    dao::DatabasePtr db;

    void SetUp() override {
        db = freshDb();
        auto rs = db->OpenRecordset("VOK");
        ws.BeginTrans();
        for (int i = 0; i < kRows; ++i) {
            rs->AddNew();
            rs->SetValue("Q", QString("q%1").arg(i, 4, 10, QChar('0')));
            rs->SetValue("A1", i % 3 ? QVariant(QString("a%1").arg(i)) : QVariant(QString("")));
            rs->SetValue("Markiert", i % 2 == 0);
            rs->SetValue("Punkte", i);
            rs->SetValue("FQ1", i + 0.5);
            if (i % 5 == 0) rs->AppendChunk("Bild", QByteArray(100 + i, 'x'));
            if (i % 7 == 0) rs->SetValue("ZuletztGelerntAm", QDateTime(QDate(2026, 1, 1), QTime(8, 30)));
            rs->Update();
        }
        ws.CommitTrans();
    }
    // Walks rs forward to the row at position `to`, reading the fields a
    // grid row reads, so that the walk goes past its first block.
    static void walkTo(const dao::RecordsetPtr& rs, long to) {
        for (long i = 0; i <= to; ++i) {
            rs->SetAbsolutePosition(i);
            rs->Value("Q");
            rs->Value("A1");
            rs->Value("Punkte");
            rs->FieldSize("Bild");
        }
    }
    static QString q(long i) { return QString("q%1").arg(i, 4, 10, QChar('0')); }
};

TEST_F(LongWalkTest, ValuesOfAWalkAreThoseOfSingleReads) {
    auto rs =
        db->OpenRecordset("SELECT * FROM VOK WHERE Punkte >= ? ORDER BY Q DESC", dao::dbOpenDynaset, {100});
    ASSERT_EQ(rs->RecordCount(), kRows - 100);
    // A text in a number field and bytes in a text field on its way.
    db->Execute("UPDATE VOK SET Punkte = 'x7' WHERE Q = ?", {q(900)});
    db->Execute("UPDATE VOK SET A1 = ? WHERE Q = ?", {QByteArray("a\xff"), q(901)});
    const int n = rs->FieldCount();
    for (long i = 0; i < rs->RecordCount(); ++i) {
        rs->SetAbsolutePosition(i);
        for (int f = 0; f < n; ++f) rs->Value(f);
        rs->FieldSize("Bild");
    }
    for (long i = 0; i < rs->RecordCount(); ++i) {
        rs->SetAbsolutePosition(i);
        auto one = db->OpenRecordset("SELECT * FROM VOK WHERE Q = ?", dao::dbOpenDynaset, {rs->Value("Q")});
        ASSERT_EQ(one->RecordCount(), 1);
        for (int f = 0; f < n; ++f) {
            const QVariant a = rs->Value(f), b = one->Value(f);
            ASSERT_EQ(a, b) << "row " << i << " field " << rs->FieldName(f).toStdString();
            ASSERT_EQ(a.typeId(), b.typeId()) << "row " << i << " field " << rs->FieldName(f).toStdString();
            ASSERT_EQ(a.isNull(), b.isNull()) << "row " << i;
        }
        ASSERT_EQ(rs->FieldSize("Bild"), one->FieldSize("Bild")) << "row " << i;
    }
    rs->SetAbsolutePosition(0);
    EXPECT_EQ(rs->Value("Q").toString(), q(kRows - 1));
    EXPECT_EQ(rs->FieldSize("Bild"), 0);
    rs->SetAbsolutePosition(4);  // q1195
    EXPECT_EQ(rs->FieldSize("Bild"), 100 + 1195);
    EXPECT_EQ(rs->GetChunk("Bild", 1290, 100), QByteArray(5, 'x'));
}

// Fields kept with the keys read as a set without them does, at every
// position, and give way to every write: elsewhere, the set's own, one
// rolled back.
TEST_F(LongWalkTest, FieldsKeptWithTheKeys) {
    const QString sql = "SELECT TOP 900 * FROM VOK WHERE Punkte >= ? ORDER BY Markiert, Q DESC";
    auto plain = db->OpenRecordset(sql, dao::dbOpenDynaset, {100});
    auto kept =
        db->OpenRecordset(sql, dao::dbOpenDynaset, {100},
                          {"punkte", "A1", "Bild", "ZuletztGelerntAm", "FQ1", "Markiert", "NoSuchField"});
    ASSERT_EQ(kept->RecordCount(), 900);
    const int n = kept->FieldCount();
    for (long i = 0; i < kept->RecordCount(); ++i) {
        kept->SetAbsolutePosition(i);
        plain->SetAbsolutePosition(i);
        for (int f = 0; f < n; ++f) {
            const QVariant a = kept->Value(f), b = plain->Value(f);
            ASSERT_EQ(a, b) << "row " << i << " field " << kept->FieldName(f).toStdString();
            ASSERT_EQ(a.typeId(), b.typeId()) << "row " << i << " field " << kept->FieldName(f).toStdString();
        }
        ASSERT_EQ(kept->FieldSize("Bild"), plain->FieldSize("Bild")) << "row " << i;
    }
    EXPECT_EQ(errorOf([&] { kept->Value("NoSuchField"); }), 3265);

    kept->SetAbsolutePosition(5);
    const QString fifth = kept->Value("Q").toString();
    db->Execute("UPDATE VOK SET Punkte = -1, A1 = 'elsewhere' WHERE Q = ?", {fifth});
    EXPECT_EQ(kept->Value("Punkte").toInt(), -1);
    EXPECT_EQ(kept->Value("A1").toString(), "elsewhere");
    kept->SetAbsolutePosition(6);
    kept->Edit();
    kept->SetValue("Punkte", 77);
    kept->Update();
    EXPECT_EQ(kept->Value("Punkte").toInt(), 77);

    // Kept inside a transaction, then rolled back.
    ws.BeginTrans();
    db->Execute("UPDATE VOK SET Punkte = Punkte + 5000");
    kept->Requery();
    EXPECT_GE(kept->Value("Punkte").toInt(), 5000);
    ws.Rollback();
    EXPECT_LT(kept->Value("Punkte").toInt(), 5000);
}

TEST_F(LongWalkTest, TopAndFilterKeepTheirRowsInAWalk) {
    auto rs = db->OpenRecordset("SELECT TOP 700 Q, Punkte FROM VOK WHERE Punkte >= ? ORDER BY Q",
                                dao::dbOpenDynaset, {300});
    ASSERT_EQ(rs->RecordCount(), 700);
    for (long i = 0; i < rs->RecordCount(); ++i) {
        rs->SetAbsolutePosition(i);
        ASSERT_EQ(rs->Value("Q").toString(), q(300 + i));
        ASSERT_EQ(rs->Value("Punkte").toInt(), 300 + i);
    }
    EXPECT_EQ(errorOf([&] { rs->Value("A1"); }), 3265);
}

TEST_F(LongWalkTest, WritesElsewhereAreSeenOnTheNextRead) {
    auto rs = db->OpenRecordset("Select * FROM VOK ORDER BY Q");
    auto other = db->OpenRecordset("VOK");
    walkTo(rs, 700);
    EXPECT_EQ(rs->Value("A1").toString(), "a700");

    // Another recordset changes the current row and one further on.
    other->SetAbsolutePosition(700);
    other->Edit();
    other->SetValue("A1", "other");
    other->Update();
    other->SetAbsolutePosition(900);
    other->Edit();
    other->SetValue("Punkte", -9);
    other->Update();
    EXPECT_EQ(rs->Value("A1").toString(), "other");
    rs->SetAbsolutePosition(900);
    EXPECT_EQ(rs->Value("Punkte").toInt(), -9);

    // So does a statement, on a row read before.
    db->Execute("UPDATE VOK SET A1 = 'executed' WHERE Q = ?", {q(650)});
    rs->SetAbsolutePosition(650);
    EXPECT_EQ(rs->Value("A1").toString(), "executed");
    walkTo(rs, 1100);
    rs->SetAbsolutePosition(650);
    EXPECT_EQ(rs->Value("A1").toString(), "executed");

    // A row deleted elsewhere raises, its neighbours keep their values.
    db->Execute("DELETE FROM VOK WHERE Q = ?", {q(800)});
    rs->SetAbsolutePosition(800);
    EXPECT_EQ(errorOf([&] { rs->Value("Q"); }), 3167);
    EXPECT_EQ(errorOf([&] { rs->FieldSize("Bild"); }), 3167);
    rs->SetAbsolutePosition(801);
    EXPECT_EQ(rs->Value("Q").toString(), q(801));
}

TEST_F(LongWalkTest, RollbackBringsBackTheValuesReadInTheTransaction) {
    auto rs = db->OpenRecordset("SELECT * FROM VOK ORDER BY Q");
    ws.BeginTrans();
    db->Execute("UPDATE VOK SET A1 = 'pending', Punkte = 0 WHERE Q = ?", {q(901)});
    walkTo(rs, 1000);
    rs->SetAbsolutePosition(901);
    EXPECT_EQ(rs->Value("A1").toString(), "pending");
    ws.Rollback();
    EXPECT_EQ(rs->Value("A1").toString(), "a901");
    EXPECT_EQ(rs->Value("Punkte").toInt(), 901);
}

TEST_F(LongWalkTest, OwnWritesDuringAWalk) {
    auto rs = db->OpenRecordset("SELECT * FROM VOK ORDER BY Q");
    walkTo(rs, 600);
    rs->Edit();
    rs->SetValue("A1", "mine");
    rs->SetValue("Bild", QByteArray("tiny"));
    rs->Update();
    EXPECT_EQ(rs->Value("A1").toString(), "mine");
    EXPECT_EQ(rs->FieldSize("Bild"), 4);

    // Deleting shifts the rows after it by one, values stay with their keys.
    rs->SetAbsolutePosition(601);
    rs->Delete();
    rs->MoveNext();
    EXPECT_EQ(rs->AbsolutePosition(), 601);
    EXPECT_EQ(rs->Value("Q").toString(), q(602));
    EXPECT_EQ(rs->Value("Punkte").toInt(), 602);
    rs->SetAbsolutePosition(1000);
    EXPECT_EQ(rs->Value("Q").toString(), q(1001));
    EXPECT_EQ(rs->FieldSize("Bild"), 0);
    rs->SetAbsolutePosition(1004);
    EXPECT_EQ(rs->FieldSize("Bild"), 100 + 1005);

    // A row added here comes at the end, with its own values.
    rs->AddNew();
    rs->SetValue("Q", "added");
    rs->SetValue("Punkte", 5);
    rs->Update();
    rs->MoveLast();
    EXPECT_EQ(rs->Value("Q").toString(), "added");
    EXPECT_EQ(rs->Value("Punkte").toInt(), 5);
    EXPECT_EQ(rs->RecordCount(), kRows);

    // And the rest of the walk still reads what is stored.
    long sum = 0;
    for (long i = 0; i < rs->RecordCount(); ++i) {
        rs->SetAbsolutePosition(i);
        sum += rs->Value("Punkte").toInt();
    }
    EXPECT_EQ(sum, long(kRows) * (kRows - 1) / 2 - 601 + 5);
}

}  // namespace

// A visit of every record in the file's order meets each position once, on
// that record, with the values a read by position gives; a record that no
// longer matches the filter is visited too; the position comes back.
class ForEachRecordTest : public DaoTest, public ::testing::WithParamInterface<bool> {};

TEST_P(ForEachRecordTest, VisitsEveryRecordOnceAtItsPosition) {
    const bool sparse = GetParam();
    auto db = freshDb();
    auto add = db->OpenRecordset("VOK");
    ws.BeginTrans();
    for (int i = 0; i < 300; ++i) {
        add->AddNew();
        add->SetValue("Q", QString("%1 Wort").arg((i * 7919) % 300, 3, 10, QChar('0')));
        add->SetValue("A1", i % 5 == 0   ? QString()
                            : i % 5 == 1 ? QString("Äpfel €𝄞 %1").arg(i)
                            : i % 5 == 2 ? QString("a plain text longer than sixteen characters %1").arg(i)
                                         : QString("a"));
        add->SetValue("Punkte", i);
        if (i % 4 == 0) add->AppendChunk("Bild", QByteArray(i + 1, 'p'));
        add->Update();
    }
    ws.CommitTrans();
    // Keys far apart, as after many deletions and additions.
    if (sparse) db->Execute("UPDATE VOK SET rowid = rowid * 100003");
    db->Execute("UPDATE VOK SET A1 = NULL WHERE Punkte IN (17, 18)");
    auto rs = db->OpenRecordset("SELECT * FROM VOK WHERE Punkte >= 10 ORDER BY Q DESC");
    ASSERT_EQ(rs->RecordCount(), 290);
    db->Execute("UPDATE VOK SET Punkte = 1, A1 = 'moved' WHERE Punkte = 150");
    rs->SetAbsolutePosition(42);

    const int q = rs->FieldIndex("Q"), a1 = rs->FieldIndex("A1"), punkte = rs->FieldIndex("Punkte"),
              bild = rs->FieldIndex("Bild");
    std::vector<int> visits(290, 0);
    std::vector<QStringList> seen(290);
    QVariant text = QString();
    rs->ForEachRecord({q, a1, bild}, [&](long p) {
        ++visits[size_t(p)];
        EXPECT_EQ(rs->AbsolutePosition(), p);
        rs->ReadValue(a1, text);
        seen[size_t(p)] << rs->Value(q).toString() << text.toString() << QString::number(text.isNull())
                        << QString::number(rs->FieldSize(bild)) << rs->Value(punkte).toString();
    });
    EXPECT_EQ(rs->AbsolutePosition(), 42);
    for (long p = 0; p < 290; ++p) {
        ASSERT_EQ(visits[size_t(p)], 1) << p;
        rs->SetAbsolutePosition(p);
        const QVariant a = rs->Value(a1);
        const QStringList byPosition{rs->Value(q).toString(), a.toString(), QString::number(a.isNull()),
                                     QString::number(rs->FieldSize(bild)), rs->Value(punkte).toString()};
        EXPECT_EQ(seen[size_t(p)], byPosition) << p;
    }
    EXPECT_TRUE(std::any_of(seen.begin(), seen.end(), [](const QStringList& s) { return s[1] == "moved"; }));
}

INSTANTIATE_TEST_SUITE_P(Keys, ForEachRecordTest, ::testing::Values(false, true));

// The plain values a pass hands out are exactly the values a read gives;
// whatever would need converting is left to the read.
TEST_F(RecordsetTest, PassValuesAreTheValuesAReadGives) {
    auto db = freshDb();
    auto add = db->OpenRecordset("VOK");
    const QStringList texts{"plain", "", QString::fromUtf8("Äpfel"), QString::fromUtf8("€ 𝄞 ж"),
                            "a text longer than sixteen bytes"};
    for (int i = 0; i < 14; ++i) {
        add->AddNew();
        add->SetValue("Q", QString("q%1").arg(i, 2, 10, QChar('0')));
        if (i < texts.size()) add->SetValue("A1", texts[i]);
        add->SetValue("Markiert", i % 2 == 0);
        add->SetValue("Punkte", i * 1000 - 3000);
        add->SetValue("FQ1", i + 0.25);
        if (i % 3 == 0) add->AppendChunk("Bild", QByteArray(10 + i, 'b'));
        add->Update();
    }
    // Values stored as no program of ours stores them.
    const QString asText = "UPDATE VOK SET A1 = CAST(? AS TEXT) WHERE Q = ?";
    db->Execute(asText, {QByteArray("a\xff"
                                    "b"),
                         "q05"});  // not UTF-8
    db->Execute(asText, {QByteArray("\xef\xbb\xbf"
                                    "A"),
                         "q06"});                                                  // byte-order mark
    db->Execute(asText, {QByteArray("a\0b", 3), "q07"});                           // a NUL inside
    db->Execute("UPDATE VOK SET A1 = 5, Punkte = 'x7' WHERE Q = 'q08'");           // text / number
    db->Execute("UPDATE VOK SET Punkte = 2.75, FQ1 = 3 WHERE Q = 'q09'");          // real / whole
    db->Execute("UPDATE VOK SET Punkte = 4294967301, FQ1 = 'n' WHERE Q = 'q10'");  // beyond 32 bits
    db->Execute("UPDATE VOK SET Markiert = NULL, Bild = NULL WHERE Q = 'q11'");
    db->Execute("UPDATE VOK SET Markiert = 7 WHERE Q = 'q12'");

    auto rs = db->OpenRecordset("SELECT * FROM VOK ORDER BY Q DESC");
    std::vector<int> all(size_t(rs->FieldCount()));
    std::iota(all.begin(), all.end(), 0);
    std::vector<dao::PassValue> values(all.size());
    // Outside a visit nothing is plain.
    rs->SetAbsolutePosition(0);
    rs->ReadPassValues(all.data(), all.size(), values.data());
    for (const auto& v : values) EXPECT_EQ(v.kind, dao::PassValue::Other);

    std::map<QString, std::map<QString, dao::PassValue::Kind>> kinds;  // Q -> field -> kind
    rs->ForEachRecord(all, [&](long) {
        rs->ReadPassValues(all.data(), all.size(), values.data());
        const QString q = rs->Value("Q").toString();
        for (size_t k = 0; k < all.size(); ++k) {
            const dao::PassValue& v = values[k];
            const QString name = rs->FieldName(all[k]);
            kinds[q][name] = v.kind;
            const QVariant read = rs->Value(all[k]);
            switch (v.kind) {
                case dao::PassValue::Null:
                    EXPECT_FALSE(read.isValid()) << q.toStdString() << " " << name.toStdString();
                    break;
                case dao::PassValue::Integer:
                    EXPECT_EQ(read.typeId(), QMetaType::Int) << q.toStdString() << " " << name.toStdString();
                    EXPECT_EQ(read.toLongLong(), v.integer) << q.toStdString() << " " << name.toStdString();
                    break;
                case dao::PassValue::Boolean:
                    EXPECT_EQ(read.typeId(), QMetaType::Bool) << q.toStdString();
                    EXPECT_EQ(read.toBool(), v.integer != 0) << q.toStdString();
                    EXPECT_TRUE(v.integer == 0 || v.integer == 1) << q.toStdString();
                    break;
                case dao::PassValue::Real:
                    EXPECT_EQ(read.typeId(), QMetaType::Double)
                        << q.toStdString() << " " << name.toStdString();
                    EXPECT_EQ(read.toDouble(), v.real) << q.toStdString() << " " << name.toStdString();
                    break;
                case dao::PassValue::Text: {
                    EXPECT_EQ(read.typeId(), QMetaType::QString)
                        << q.toStdString() << " " << name.toStdString();
                    const QString decoded = QString::fromUtf8(v.text);
                    EXPECT_EQ(read.toString(), decoded) << q.toStdString() << " " << name.toStdString();
                    EXPECT_FALSE(decoded.isNull());
                    EXPECT_EQ(v.ascii,
                              std::all_of(v.text.begin(), v.text.end(), [](char c) { return c > 0; }))
                        << q.toStdString();
                    break;
                }
                case dao::PassValue::Length:
                    EXPECT_EQ(rs->FieldSize(all[k]), v.integer)
                        << q.toStdString() << " " << name.toStdString();
                    break;
                case dao::PassValue::Other:
                    break;
            }
        }
    });
    using K = dao::PassValue;
    ASSERT_EQ(kinds.size(), 14u);
    EXPECT_EQ(kinds["q00"]["A1"], K::Text);
    EXPECT_EQ(kinds["q01"]["A1"], K::Text);  // empty
    EXPECT_EQ(kinds["q02"]["A1"], K::Text);
    EXPECT_EQ(kinds["q03"]["A1"], K::Text);
    EXPECT_EQ(kinds["q13"]["A1"], K::Null);
    for (const char* odd : {"q05", "q06", "q07"}) EXPECT_EQ(kinds[odd]["A1"], K::Other) << odd;
    EXPECT_EQ(kinds["q08"]["A1"], K::Text);  // the column keeps a number as its text
    EXPECT_EQ(kinds["q00"]["Punkte"], K::Integer);
    EXPECT_EQ(kinds["q10"]["Punkte"], K::Integer);
    EXPECT_EQ(kinds["q08"]["Punkte"], K::Other);
    EXPECT_EQ(kinds["q09"]["Punkte"], K::Other);
    EXPECT_EQ(kinds["q00"]["FQ1"], K::Real);
    EXPECT_EQ(kinds["q09"]["FQ1"], K::Real);
    EXPECT_EQ(kinds["q10"]["FQ1"], K::Other);
    EXPECT_EQ(kinds["q12"]["Markiert"], K::Boolean);
    EXPECT_EQ(kinds["q11"]["Markiert"], K::Null);
    EXPECT_EQ(kinds["q03"]["Bild"], K::Length);
    EXPECT_EQ(kinds["q11"]["Bild"], K::Length);
    EXPECT_EQ(kinds["q00"]["ZuletztGelerntAm"], K::Null);
}
