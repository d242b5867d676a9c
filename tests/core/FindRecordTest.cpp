// The duplicate search over a recordset.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "core/modMain.h"
#include "platform/Error.h"
#include "platform/dao/Dao.h"

using modMain::FindRecordByField;
using modMain::GefundenA1;

namespace {

class FindRecord : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        db = dao::DBEngine::CreateDatabase(dir.path() + "/find.wkd");
        auto t = db->CreateTableDef("VOK");
        auto q = t->CreateField("Q", dao::dbText, 240);
        q->SetAllowZeroLength(true);
        t->Append(q);
        t->Append(t->CreateField("A1", dao::dbText, 240));
        t->Append(t->CreateField("Punkte", dao::dbLong));
        db->Append(t);
    }
    void TearDown() override {
        if (db) db->Close();
    }
    void add(const QVariant& q, const QVariant& a1, const QVariant& punkte) {
        db->Execute("INSERT INTO VOK (Q, A1, Punkte) VALUES (?, ?, ?)", {q, a1, punkte});
    }
    dao::RecordsetPtr open() { return db->OpenRecordset("SELECT * FROM VOK"); }

    QTemporaryDir dir;
    dao::DatabasePtr db;
};

}  // namespace

TEST_F(FindRecord, EmptyRecordsetFindsNothing) {
    GefundenA1 = "stale";
    auto rs = open();
    EXPECT_FALSE(FindRecordByField("Q", rs, "Haus"));
    EXPECT_EQ(GefundenA1.toString(), "");
}

TEST_F(FindRecord, FindsFirstExactMatchAndKeepsPosition) {
    add("Haus", "house", 1);
    add("Baum", "tree", 2);
    add("haus", "home", 3);
    add("Baum", "wood", 4);
    auto rs = open();
    rs->SetAbsolutePosition(2);

    EXPECT_TRUE(FindRecordByField("Q", rs, "Baum"));
    EXPECT_EQ(GefundenA1.toString(), "tree");
    EXPECT_EQ(rs->AbsolutePosition(), 2);

    EXPECT_TRUE(FindRecordByField("Q", rs, "haus"));  // case counts
    EXPECT_EQ(GefundenA1.toString(), "home");
    EXPECT_EQ(rs->AbsolutePosition(), 2);

    EXPECT_FALSE(FindRecordByField("Q", rs, "HAUS"));
    EXPECT_EQ(GefundenA1.toString(), "");
    EXPECT_EQ(rs->AbsolutePosition(), 2);

    EXPECT_TRUE(FindRecordByField("Punkte", rs, 4));
    EXPECT_EQ(GefundenA1.toString(), "wood");
    EXPECT_FALSE(FindRecordByField("Punkte", rs, "4"));  // a text never equals a number
}

TEST_F(FindRecord, NullNeverMatches) {
    add(QVariant(), "none", 1);
    add("x", QVariant(), 2);
    auto rs = open();
    EXPECT_FALSE(FindRecordByField("Q", rs, QVariant()));
    EXPECT_TRUE(FindRecordByField("Q", rs, "x"));
    EXPECT_FALSE(GefundenA1.isValid());  // A1 of the match is Null
}

TEST_F(FindRecord, MissingFieldRaisesAndKeepsPosition) {
    add("Haus", "house", 1);
    add("Baum", "tree", 2);
    auto rs = open();
    rs->SetAbsolutePosition(1);
    try {
        FindRecordByField("Nope", rs, "Haus");
        ADD_FAILURE();
    } catch (const wk::Error& e) {
        EXPECT_EQ(e.number(), wk::err::ItemNotFound);
    }
    EXPECT_EQ(rs->AbsolutePosition(), 1);
}

// The finder an import keeps for its run answers every look-up as the walk
// does, GefundenA1 included, also for rows added or deleted through the
// recordset between look-ups.
TEST_F(FindRecord, FinderAnswersAsTheWalkDoes) {
    add("Haus", "house", 1);
    add("Baum", "tree", 2);
    add("haus", "home", 3);
    add("Baum", "wood", 4);
    add(QVariant(), "none", 5);
    add("", "empty", 6);
    add("Rad ", "bike", 7);
    auto rs = open();
    rs->SetAbsolutePosition(3);
    modMain::RecordFinder finder("Q", *rs);
    auto same = [&](const QVariant& v) {
        const bool byFinder = finder.Find(v);
        const QVariant a1 = GefundenA1;
        EXPECT_EQ(rs->AbsolutePosition(), 3) << v.toString().toStdString();
        EXPECT_EQ(byFinder, FindRecordByField("Q", rs, v)) << v.toString().toStdString();
        EXPECT_EQ(a1, GefundenA1) << v.toString().toStdString();
    };
    for (const QVariant& v :
         {QVariant("Baum"), QVariant("haus"), QVariant("HAUS"), QVariant("Rad"), QVariant("Rad "),
          QVariant(""), QVariant(QString()), QVariant(), QVariant("Ha\u0308us"), QVariant(7)})
        same(v);
    EXPECT_TRUE(finder.Find("Baum"));
    EXPECT_EQ(GefundenA1.toString(), "tree");

    // A row added through the recordset counts from the next look-up on.
    rs->AddNew();
    rs->SetValue("Q", "HAUS");
    rs->SetValue("A1", "big house");
    rs->Update();
    rs->AddNew();
    rs->SetValue("Q", "Baum");
    rs->SetValue("A1", "later tree");
    rs->Update();
    same("HAUS");
    same("Baum");

    // A set that shrank is read again.
    rs->SetAbsolutePosition(1);
    rs->Delete();
    rs->SetAbsolutePosition(3);
    same("Baum");
    EXPECT_EQ(GefundenA1.toString(), "wood");
}
