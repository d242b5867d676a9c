// Theme and category lists, the statistics reset of one slot, and the font
// getters, on files made by MakeType4.

#include <QComboBox>

#include "VocabFixture.h"
#include "platform/Error.h"
#include "vocabdb/DelStat.h"
#include "vocabdb/FontSettings.h"
#include "vocabdb/ThemeLists.h"

using namespace vocabtest;

using ThemeLists = VocabDB;

TEST_F(ThemeLists, DistinctWithoutCaseFirstSpellingInRecordOrder) {
    // Alles orders by Q, so the Q values fix the walking order.
    addItem("1", "Tiere", "Nomen");
    addItem("2", "Farben", "nomen");
    addItem("3", "tiere", "Verb");
    addItem("4", "TIERE", "NOMEN");
    addItem("5", "Farben", "Verb");
    auto data = db->OpenRecordset("Alles");
    const auto lists = vocabdb::CollectSubjects(data);
    EXPECT_EQ(lists.themen, QStringList({"Tiere", "Farben"}));
    EXPECT_EQ(lists.kategorien, QStringList({"Nomen", "Verb"}));
}

TEST_F(ThemeLists, ListsFollowTheRecordOrderNotTheOrderTheItemsWereAdded) {
    addItem("5", "Verben", "b");
    addItem("4", "Tiere", "a");
    addItem("3", "tiere", "b");
    addItem("2", "Farben", "B");
    addItem("1", "verben", "c");
    auto data = db->OpenRecordset("Alles");
    const auto lists = vocabdb::CollectSubjects(data);
    EXPECT_EQ(lists.themen, QStringList({"verben", "Farben", "tiere"}));
    EXPECT_EQ(lists.kategorien, QStringList({"c", "B", "a"}));
}

TEST_F(ThemeLists, EmptyAndNullCountAsNoEntry) {
    addItem("1", "", "");
    addItem("2", "Haus", "Ort");
    addItem("3");  // defaults "Other"
    addItem("4", "x", "y");
    db->Execute("UPDATE VOK SET T = Null, Kategorie = Null WHERE Q = ?", {"4"});
    auto data = db->OpenRecordset("Alles");
    const auto lists = vocabdb::CollectSubjects(data);
    EXPECT_EQ(lists.themen, QStringList({"Haus", "Other"}));
    EXPECT_EQ(lists.kategorien, QStringList({"Ort", "Other"}));
}

TEST_F(ThemeLists, UpperCasingIsPerCharacter) {
    addItem("1", "Straße");
    addItem("2", "STRASSE");
    addItem("3", "STRAßE");
    addItem("4", "Ärger");
    addItem("5", "ärger");
    auto data = db->OpenRecordset("Alles");
    EXPECT_EQ(vocabdb::CollectSubjects(data).themen, QStringList({"Straße", "STRASSE", "Ärger"}));
}

// Texts the file holds as UTF-8 and values read otherwise (bytes that are
// no UTF-8, numbers) are one list, by their first position either way.
TEST_F(ThemeLists, TextsAsStoredAndAsReadShareOneOrder) {
    addItem("1", "placeholder", "Nomen");
    addItem("2", "Baum", "Verb");
    addItem("3", QString::fromUtf8("a\xef\xbf\xbd"), "nomen");  // "a" and U+FFFD, as UTF-8
    addItem("4", "Zahl", "x");
    db->Execute("UPDATE VOK SET T = CAST(? AS TEXT) WHERE Q = '1'",
                {QByteArray("a\xff")});  // reads as "a" U+FFFD
    db->Execute("UPDATE VOK SET Kategorie = 12 WHERE Q = '4'");
    db->Execute("UPDATE VOK SET Kategorie = CAST(? AS TEXT) WHERE Q = '2'", {QByteArray("V\xe4rb")});
    auto data = db->OpenRecordset("Alles");
    const auto lists = vocabdb::CollectSubjects(data);
    EXPECT_EQ(lists.themen, QStringList({QString::fromUtf8("a\xef\xbf\xbd"), "Baum", "Zahl"}));
    EXPECT_EQ(lists.kategorien, QStringList({"Nomen", QString::fromUtf8("V\xef\xbf\xbdrb"), "12"}));
}

TEST_F(ThemeLists, PositionIsRestored) {
    for (const char* q : {"a", "b", "c", "d"}) addItem(q, QString("T") + q);
    auto data = db->OpenRecordset("Alles");
    data->SetAbsolutePosition(1);
    vocabdb::CollectSubjects(data);
    EXPECT_EQ(data->AbsolutePosition(), 1);
    EXPECT_EQ(data->Value("Q").toString(), "b");
}

TEST_F(ThemeLists, EmptyDatabaseGivesEmptyListsAndOneEmptyElement) {
    auto data = db->OpenRecordset("Alles");
    QComboBox themen, kategorien;
    themen.addItem("stale");
    kategorien.addItem("stale");
    vocabdb::FillCombo(data, &themen, &kategorien);
    EXPECT_EQ(themen.count(), 0);
    EXPECT_EQ(kategorien.count(), 0);
    QStringList arrThemen{"old", "older"}, arrKategorien;
    vocabdb::ErstelleThemenListe(&themen, arrThemen);
    vocabdb::ErstelleKategorienListe(&kategorien, arrKategorien);
    ASSERT_EQ(arrThemen.size(), 1);
    EXPECT_TRUE(arrThemen[0].isEmpty());
    ASSERT_EQ(arrKategorien.size(), 1);
    EXPECT_TRUE(arrKategorien[0].isEmpty());
}

TEST_F(ThemeLists, ComboBoxesAndArraysFollowTheRecords) {
    addItem("1", "Tiere", "Nomen");
    addItem("2", "Farben", "Adjektiv");
    auto data = db->OpenRecordset("Alles");
    QComboBox themen, kategorien;
    vocabdb::FillCombo(data, &themen, &kategorien);
    ASSERT_EQ(themen.count(), 2);
    EXPECT_EQ(themen.itemText(1), "Farben");
    EXPECT_EQ(themen.currentIndex(), 0);
    EXPECT_EQ(kategorien.currentText(), "Nomen");
    QStringList arrThemen, arrKategorien;
    vocabdb::ErstelleThemenListe(&themen, arrThemen);
    vocabdb::ErstelleKategorienListe(&kategorien, arrKategorien);
    EXPECT_EQ(arrThemen, QStringList({"Tiere", "Farben"}));
    EXPECT_EQ(arrKategorien, QStringList({"Nomen", "Adjektiv"}));

    // The last item of a category goes: the list drops it, the array keeps
    // it until copied again.
    db->Execute("DELETE FROM VOK WHERE Q = ?", {"2"});
    data->Requery();
    vocabdb::FillCombo(data, &themen, &kategorien);
    EXPECT_EQ(kategorien.count(), 1);
    EXPECT_EQ(arrKategorien.size(), 2);
    vocabdb::ErstelleKategorienListe(&kategorien, arrKategorien);
    EXPECT_EQ(arrKategorien, QStringList({"Nomen"}));
}

class DelStatTest : public VocabDB {
protected:
    // Every per-slot field of every item gets a value from its slot and item.
    void fill(int items) {
        for (int i = 0; i < items; ++i) addItem(QString("q%1").arg(i, 3, 10, QChar('0')), "T", "K");
        auto rs = db->OpenRecordset("VOK");
        for (long p = 0; p < rs->RecordCount(); ++p) {
            rs->SetAbsolutePosition(p);
            rs->Edit();
            for (int u = 1; u <= 5; ++u) {
                const QString n = QString::number(u);
                rs->SetValue("AA" + n, int(10 * u + p));
                rs->SetValue("AR" + n, u);
                rs->SetValue("AF" + n, u + 1);
                // Slot 3 of the first item has a Null error rate.
                rs->SetValue("FQ" + n, u == 3 && p == 0 ? QVariant() : QVariant(12.5 * u));
                for (int k = 1; k <= 6; ++k) rs->SetValue("Known" + n + QString::number(k), k % 2);
            }
            rs->SetValue("Markiert", true);
            rs->Update();
        }
    }
    void expectSlot(const dao::RecordsetPtr& rs, int u, bool cleared) {
        const QString n = QString::number(u);
        // The item's number is in its question, whatever its position now.
        const int p = rs->Value("Q").toString().mid(1).toInt();
        SCOPED_TRACE(QString("slot %1 item %2").arg(u).arg(p).toStdString());
        if (cleared) {
            for (const char* f : {"AA", "AR", "AF", "FQ"}) {
                EXPECT_FALSE(rs->Value(f + n).isNull()) << f;
                EXPECT_EQ(rs->Value(f + n).toDouble(), 0.0) << f;
            }
            for (int k = 1; k <= 6; ++k) EXPECT_EQ(rs->Value("Known" + n + QString::number(k)).toInt(), 0);
        } else {
            EXPECT_EQ(rs->Value("AA" + n).toInt(), 10 * u + p);
            EXPECT_EQ(rs->Value("AF" + n).toInt(), u + 1);
            EXPECT_EQ(rs->Value("FQ" + n).toDouble(), 12.5 * u);
            EXPECT_EQ(rs->Value("Known" + n + "1").toInt(), 1);
        }
    }
};

TEST_F(DelStatTest, ClearsExactlyTheSlotGiven) {
    fill(4);
    auto data = db->OpenRecordset("Alles");
    data->SetAbsolutePosition(2);
    vocabdb::DelStat(data, 3);
    EXPECT_EQ(data->AbsolutePosition(), 2);
    EXPECT_EQ(data->Value("Q").toString(), "q002");

    auto check = db->OpenRecordset("Alles");
    for (long p = 0; p < check->RecordCount(); ++p) {
        check->SetAbsolutePosition(p);
        for (int u = 1; u <= 5; ++u) expectSlot(check, u, u == 3);
        EXPECT_TRUE(check->Value("Markiert").toBool());
        EXPECT_EQ(check->Value("T").toString(), "T");
    }
}

TEST_F(DelStatTest, EmptyDatabaseAndBadSlot) {
    auto data = db->OpenRecordset("Alles");
    EXPECT_NO_THROW(vocabdb::DelStat(data, 1));
    EXPECT_EQ(data->RecordCount(), 0);
    for (int bad : {0, 6, -1}) {
        try {
            vocabdb::DelStat(data, bad);
            ADD_FAILURE() << "slot " << bad;
        } catch (const wk::Error& e) {
            EXPECT_EQ(e.number(), wk::err::SubscriptOutOfRange);
        }
    }
}

TEST_F(DelStatTest, FailureLeavesEveryRecordAsItWas) {
    fill(5);
    auto data = db->OpenRecordset("Alles");
    // A record deleted under the dynaset makes the walk fail part way.
    db->Execute("DELETE FROM VOK WHERE Q = ?", {"q003"});
    EXPECT_THROW(vocabdb::DelStat(data, 2), wk::Error);
    auto check = db->OpenRecordset("Alles");
    ASSERT_EQ(check->RecordCount(), 4);
    for (long p = 0; p < check->RecordCount(); ++p) {
        check->SetAbsolutePosition(p);
        expectSlot(check, 2, false);
    }
}

using FontSettings = VocabDB;

TEST_F(FontSettings, DefaultsNullsAndNoRecord) {
    auto rsOptions = db->OpenRecordset("AllOptions");
    EXPECT_EQ(vocabdb::GetSchriftart(rsOptions), "MS Sans Serif");
    EXPECT_EQ(vocabdb::GetSchriftgroesse(rsOptions), "8");
    EXPECT_EQ(vocabdb::GetSchriftartT(rsOptions), "MS Sans Serif");
    EXPECT_EQ(vocabdb::GetSchriftgroesseRest(rsOptions), "8");

    rsOptions->Edit();
    rsOptions->SetValue("SchriftartRest", QVariant());
    rsOptions->SetValue("SchriftartA", "DejaVu Sans");
    rsOptions->SetValue("SchriftgroesseA", "12");
    rsOptions->Update();
    EXPECT_EQ(vocabdb::GetSchriftartRest(rsOptions), "");
    EXPECT_EQ(vocabdb::GetSchriftartA(rsOptions), "DejaVu Sans");
    EXPECT_EQ(vocabdb::GetSchriftgroesseA(rsOptions), "12");

    // A record without the fields, a closed one, none at all.
    auto vok = db->OpenRecordset("VOK");
    EXPECT_EQ(vocabdb::GetSchriftart(vok), "");
    rsOptions->Close();
    EXPECT_EQ(vocabdb::GetSchriftgroesseT(rsOptions), "");
    EXPECT_EQ(vocabdb::GetSchriftart(nullptr), "");
}
