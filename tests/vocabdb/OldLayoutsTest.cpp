// Files of the older kinds 0, 1 and 2 at "3.2": made by the builder, opened
// the ordinary way, each with its own layout.

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "LayoutCompare.h"
#include "platform/Error.h"
#include "vocabdb/OldLayouts.h"
#include "vocabdb/TableBuilder.h"
#include "vocabdb/VokSchema.h"

namespace {

struct KindCase {
    int kind;
    int vokCount;
    int optionsCount;
    // (place from 1, name) checks in each table
    QList<QPair<int, QString>> vokPlaces;
    QList<QPair<int, QString>> optPlaces;
};

const QList<KindCase>& cases() {
    static const QList<KindCase> c = {
        {0,
         62,
         62,
         {{1, "Q"},
          {2, "A"},
          {3, "T"},
          {7, "AskAllItems"},
          {9, "Known11"},
          {38, "Known56"},
          {39, "AA1"},
          {58, "FQ5"},
          {59, "R1"},
          {62, "R4"}},
         {{1, "DBType"},
          {2, "Copyright"},
          {18, "KnownWieOft"},
          {19, "GridWidthQ"},
          {20, "GridWidthA"},
          {27, "GridShowA"},
          {32, "GridShowFQ"},
          {33, "Kommentar"},
          {35, "AppVersion"},
          {37, "Abfragestil"},
          {39, "Abzufragender Begriff"},
          {45, "GK ignorieren"},
          {47, "AuswahlThema"},
          {49, "Sekunden Zeitlimit"},
          {52, "ShowPic"},
          {53, "Benutzer1"},
          {58, "R5"},
          {62, "R4"}}},
        {1,
         78,
         65,
         {{1, "Q"},
          {2, "T"},
          {3, "AnzahlAntworten"},
          {4, "A1"},
          {5, "E1"},
          {21, "E9"},
          {22, "Markiert"},
          {25, "Known11"},
          {55, "AA1"},
          {74, "FQ5"},
          {75, "R1"},
          {78, "R4"}},
         {{1, "DBType"},
          {2, "AllowMixed"},
          {3, "Copyright"},
          {19, "KnownWieOft"},
          {20, "GridWidthQ"},
          {29, "GridWidthA9"},
          {35, "GridShowQ"},
          {49, "GridShowFQ"},
          {50, "Kommentar"},
          {54, "Begriff aufloesen"},
          {55, "Nur markierte"},
          {56, "Benutzer1"},
          {61, "R5"},
          {65, "R4"}}},
        {2,
         81,
         84,
         {{1, "Q"},
          {2, "A1"},
          {3, "RA1"},
          {19, "RA9"},
          {20, "MCAA"},
          {21, "MultipleAnswers"},
          {22, "Punkte"},
          {23, "T"},
          {26, "Sound"},
          {27, "Known11"},
          {57, "AA1"},
          {77, "R5"},
          {78, "R1"},
          {81, "R4"}},
         {{1, "DBType"},       {2, "MaxPunkte"},
          {3, "ZaehlePunkte"}, {4, "Copyright"},
          {20, "KnownWieOft"}, {21, "Kommentar"},
          {24, "Stichworte"},  {25, "BigZeitlimit"},
          {27, "Mixen"},       {28, "Abzufragender Begriff"},
          {29, "Abfragestil"}, {31, "Anzahl Versuche"},
          {36, "Auswahl"},     {39, "Sekunden Zeitlimit"},
          {42, "ShowPic"},     {43, "GridWidthQ"},
          {52, "GridWidthA9"}, {58, "GridShowQ"},
          {72, "GridShowFQ"},  {73, "Benutzer1"},
          {78, "R5"},          {83, "R6"},
          {84, "R7"}}},
    };
    return c;
}

QString pwd() {
    return ";pwd=" + vocabdb::VokDBPasswort;
}

class OldLayouts : public ::testing::TestWithParam<int> {
protected:
    QTemporaryDir dir;
    dao::DatabasePtr db;
    QString path;

    void SetUp() override {
        path = dir.filePath(QString("kind%1.wkd").arg(GetParam()));
        auto layout = vocabdb::OldKindLayout(GetParam());
        layout.optionsRow = {{"Copyright", "alt"}};
        vocabdb::CreateDatabaseFile(path, layout, vocabdb::VokDBPasswort);
        db = dao::DBEngine::OpenDatabase(path, false, false, pwd());
    }
    void TearDown() override {
        if (db) db->Close();
    }
    const KindCase& kc() const { return cases()[GetParam()]; }
};

}  // namespace

TEST_P(OldLayouts, OpensWithItsOwnLayout) {
    const auto vok = vocabdb::FieldNames(vocabdb::ReadTableLayout(db, "VOK"));
    const auto opt = vocabdb::FieldNames(vocabdb::ReadTableLayout(db, "OPTIONS"));
    EXPECT_EQ(vok.size(), kc().vokCount);
    EXPECT_EQ(opt.size(), kc().optionsCount);
    for (const auto& [pos, name] : kc().vokPlaces) EXPECT_EQ(vok.value(pos - 1), name) << "VOK " << pos;
    for (const auto& [pos, name] : kc().optPlaces) EXPECT_EQ(opt.value(pos - 1), name) << "OPTIONS " << pos;
    // Columns no older kind has.
    for (const char* n : {"Kategorie", "Tip", "ZuletztGelerntAm", "Typ", "SoundTip"})
        EXPECT_FALSE(vok.contains(n));
    for (const char* n : {"ExportProtection", "TestMaxFragen", "AuswahlKategorie", "GridShowKategorie"})
        EXPECT_FALSE(opt.contains(n));
    // What the builder wrote is what the file holds.
    const auto layout = vocabdb::OldKindLayout(GetParam());
    vocabtest::expectLayout(db, "VOK", layout.vok);
    vocabtest::expectLayout(db, "OPTIONS", layout.options);
}

TEST_P(OldLayouts, StoredQueriesAndOptionsRowOpenBeforeAnyConversion) {
    auto opts = db->OpenRecordset("AllOptions");
    ASSERT_EQ(opts->RecordCount(), 1);
    EXPECT_EQ(opts->Value("DBType").toInt(), GetParam());
    EXPECT_EQ(opts->Value("AppVersion").toString(), "3.2");
    EXPECT_EQ(opts->Value("Copyright").toString(), "alt");
    EXPECT_EQ(opts->Value("KnownWieOft").toInt(), 3);
    auto alles = db->OpenRecordset("Alles");
    EXPECT_EQ(alles->RecordCount(), 0);
    db->Execute("INSERT INTO VOK (Q, T) VALUES (?, ?)", {"b", "x"});
    db->Execute("INSERT INTO VOK (Q, T) VALUES (?, ?)", {"a", "y"});
    alles = db->OpenRecordset("Alles");
    EXPECT_EQ(alles->Value("Q").toString(), "a");
}

TEST_P(OldLayouts, QuestionIsNeverEmptyAndLimitedInKinds0And1) {
    auto rs = db->OpenRecordset("VOK");
    rs->AddNew();
    EXPECT_THROW(rs->SetValue("Q", QString("")), wk::Error);
    const int limit = GetParam() == 2 ? 240 : 120;
    EXPECT_NO_THROW(rs->SetValue("Q", QString(limit, 'q')));
    try {
        rs->SetValue("Q", QString(limit + 1, 'q'));
        ADD_FAILURE() << "question of " << limit + 1 << " accepted";
    } catch (const wk::Error& e) {
        EXPECT_EQ(e.number(), wk::err::FieldTooSmall);
    }
    rs->CancelUpdate();
}

TEST_P(OldLayouts, OptionNamesWithBlanksWorkBracketed) {
    auto opts = db->OpenRecordset("SELECT [Begriff aufloesen] FROM OPTIONS");
    EXPECT_EQ(opts->Value(0).toInt(), 1);
    opts->Close();
    db->Execute("ALTER TABLE OPTIONS DROP COLUMN [Begriff aufloesen]");
    EXPECT_FALSE(db->GetTableDef("OPTIONS")->HasField("Begriff aufloesen"));
    if (GetParam() != 1) {
        auto rs = db->OpenRecordset("SELECT [Sekunden Zeitlimit], [Anzahl Versuche] FROM OPTIONS");
        EXPECT_EQ(rs->Value("Sekunden Zeitlimit").toInt(), 12);
        EXPECT_EQ(rs->FieldType("Sekunden Zeitlimit"), dao::dbLong);
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, OldLayouts, ::testing::Values(0, 1, 2));

TEST(OldLayoutBuilder, CommaVersionUnknownKindAndExistingFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("komma.wkd");
    vocabdb::CreateDatabaseFile(path, vocabdb::OldKindLayout(1, "3,2"), vocabdb::VokDBPasswort);
    auto db = dao::DBEngine::OpenDatabase(path, false, false, pwd());
    EXPECT_EQ(db->OpenRecordset("AllOptions")->Value("AppVersion").toString(), "3,2");
    db->Close();

    EXPECT_THROW(vocabdb::OldKindLayout(3), wk::Error);
    try {
        vocabdb::CreateDatabaseFile(path, vocabdb::OldKindLayout(0), vocabdb::VokDBPasswort);
        ADD_FAILURE() << "existing file overwritten";
    } catch (const wk::Error& e) {
        EXPECT_EQ(e.number(), wk::err::DatabaseExists);
    }
    // Still the kind-1 file.
    db = dao::DBEngine::OpenDatabase(path, false, false, pwd());
    EXPECT_EQ(db->OpenRecordset("AllOptions")->Value("DBType").toInt(), 1);
}

TEST(OldLayoutBuilder, DerivedLayoutWithoutVersionColumn) {
    // The upgrade derives earlier versions by editing a 3.2 layout.
    auto layout = vocabdb::OldKindLayout(0, QString());
    EXPECT_EQ(vocabdb::IndexOfField(layout.options, "AppVersion"), -1);
    vocabdb::RemoveFields(layout.vok, {"AskAllItems", "MindTheOrder", "Kein"});
    vocabdb::InsertFieldsAfter(layout.options, "KnownWieOft", {vocabdb::Int("LView0W", 0)});
    QTemporaryDir dir;
    const QString path = dir.filePath("alt.wkd");
    vocabdb::CreateDatabaseFile(path, layout, vocabdb::VokDBPasswort);
    auto db = dao::DBEngine::OpenDatabase(path, false, false, pwd());
    const auto opt = vocabdb::FieldNames(vocabdb::ReadTableLayout(db, "OPTIONS"));
    EXPECT_EQ(opt.indexOf("LView0W"), opt.indexOf("KnownWieOft") + 1);
    EXPECT_FALSE(opt.contains("AppVersion"));
    EXPECT_EQ(vocabdb::ReadTableLayout(db, "VOK").size(), 60);
}
