// Old files of every kind climbing the whole chain, and what each step
// leaves in their items and options.
#include <gtest/gtest.h>

#include <QSet>

#include "UpgradeHarness.h"
#include "vocabdb/VokSchema.h"

using namespace upgradetest;

namespace {

using Row = QList<QPair<QString, QVariant>>;

void AddRow(const QString& path, const Row& values) {
    auto db = dao::DBEngine::OpenDatabase(path, false, false, QStringLiteral(";pwd=") + Password());
    auto rs = db->OpenRecordset(QStringLiteral("SELECT * FROM VOK"));
    rs->AddNew();
    for (const auto& [f, v] : values) rs->SetValue(f, v);
    rs->Update();
    db->Close();
}

// Every row of VOK, ordered by question, as field -> value maps.
std::vector<QVariantMap> Rows(const QString& path) {
    auto db = dao::DBEngine::OpenDatabase(path, false, false, QStringLiteral(";pwd=") + Password());
    auto rs = db->OpenRecordset(QStringLiteral("SELECT * FROM VOK ORDER BY Q"), dao::dbOpenSnapshot);
    std::vector<QVariantMap> out;
    while (!rs->Eof()) {
        QVariantMap m;
        for (int i = 0; i < rs->FieldCount(); ++i) m[rs->FieldName(i).toLower()] = rs->Value(i);
        out.push_back(m);
        rs->MoveNext();
    }
    db->Close();
    return out;
}

QSet<QString> Lower(const QStringList& names) {
    QSet<QString> s;
    for (const auto& n : names) s.insert(n.toLower());
    return s;
}

QSet<QString> Columns(const QString& path, const QString& table) {
    auto db = dao::DBEngine::OpenDatabase(path, false, false, QStringLiteral(";pwd=") + Password());
    QStringList names;
    const auto def = db->GetTableDef(table);
    for (const auto& f : def->Fields()) names << f->Name();
    db->Close();
    return Lower(names);
}

QSet<QString> NewFileColumns(const QString& table) {
    return Lower(vocabdb::FieldNames(table == "VOK"
                                         ? vocabdb::VokFields("Other", QDateTime::currentDateTime())
                                         : vocabdb::OptionsFields()));
}

}  // namespace

class WholeChain : public ::testing::TestWithParam<std::tuple<int, const char*>> {};

TEST_P(WholeChain, AnOldFileEndsAsTheCurrentKindWithTheColumnsOfANewFile) {
    const auto [kind, version] = GetParam();
    Files files;
    const QString path = files.Make(kind, QString::fromLatin1(version));
    Row item{{"Q", "Haus"}, {"T", "Wohnen"}};
    if (kind == 0) item.append(qMakePair(QStringLiteral("A"), QVariant("house")));
    if (kind != 0) item.append(qMakePair(QStringLiteral("A1"), QVariant("house")));
    AddRow(path, item);

    Opening o;
    ASSERT_TRUE(o.VokDBOeffnen(path)) << (o.errors.empty() ? "" : o.errors[0].description.toStdString());
    o.Close();
    const int steps = QStringList{"", "2.1", "2.2", "3.0", "3.2"}.indexOf(version) >= 0
                          ? 8 - QStringList{"", "2.1", "2.2", "3.0", "3.2"}.indexOf(version)
                          : 0;
    EXPECT_EQ(o.upgradeCalls, steps + 1);
    EXPECT_EQ(o.deepest, steps);
    EXPECT_EQ(o.filledAt, QStringList{"4.3"});
    EXPECT_TRUE(o.errors.empty());

    EXPECT_EQ(OptionValue(path, "AppVersion").toString(), "4.3");
    EXPECT_EQ(OptionValue(path, "DBType").toInt(), 4);
    EXPECT_EQ(Columns(path, "VOK"), NewFileColumns("VOK"));
    EXPECT_EQ(Columns(path, "OPTIONS"), NewFileColumns("OPTIONS"));

    const auto rows = Rows(path);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0]["q"].toString(), "Haus");
    EXPECT_EQ(rows[0]["a1"].toString(), "house");
    EXPECT_EQ(rows[0]["kategorie"].toString(), "Other");
    EXPECT_EQ(rows[0]["typ"].toInt(), kind == 2 ? 1 : 0);
    EXPECT_EQ(rows[0]["tip"].toString(), "");
    EXPECT_TRUE(rows[0]["zuletztgelerntam"].isValid());
    EXPECT_EQ(rows[0]["t"].toString(), "Wohnen");
    EXPECT_EQ(rows[0]["askallitems"].toInt(), kind == 1 ? 1 : 0);
    EXPECT_EQ(rows[0]["known56"], QVariant(0));

    // Opened again, nothing changes.
    const QString before = Snapshot(path);
    Opening again;
    ASSERT_TRUE(again.VokDBOeffnen(path));
    EXPECT_EQ(again.upgradeCalls, 1);
    again.Close();
    EXPECT_EQ(Snapshot(path), before);
}

INSTANTIATE_TEST_SUITE_P(Upgrade, WholeChain,
                         ::testing::Combine(::testing::Values(0, 1, 2),
                                            ::testing::Values("", "2.1", "2.2", "3.0", "3.2")));

TEST(UpgradeSteps, Kind0CarriesItsAnswerAndTestSettingsOver) {
    Files files;
    const QString path = files.Make(0, "3.2", "3,2",
                                    {{"Sekunden Zeitlimit", 20},
                                     {"GK ignorieren", 0},
                                     {"Anzahl Versuche", 3},
                                     {"GridWidthA", 1500},
                                     {"GridShowA", 0},
                                     {"HighlightActiveRow", 1}});
    AddRow(path, {{"Q", "Baum"}, {"A", "tree"}, {"T", "Natur"}, {"AskAllItems", 1}});
    Opening o;
    ASSERT_TRUE(o.VokDBOeffnen(path));
    o.Close();

    EXPECT_EQ(OptionValue(path, "SekundenZeitlimit").toInt(), 20);
    EXPECT_EQ(OptionValue(path, "GKignorieren").toInt(), 0);
    EXPECT_EQ(OptionValue(path, "AnzahlVersuche").toInt(), 3);
    EXPECT_EQ(OptionValue(path, "GridWidthA1").toInt(), 1500);
    EXPECT_EQ(OptionValue(path, "GridShowA1").toInt(), 0);
    EXPECT_EQ(OptionValue(path, "GridShowA2").toInt(), 0);
    EXPECT_EQ(OptionValue(path, "HighlightActiveRow").toInt(), 0);
    EXPECT_EQ(OptionValue(path, "Bewertung5").toString(), "");
    EXPECT_TRUE(OptionValue(path, "Bewertung5").isValid());
    EXPECT_EQ(OptionValue(path, "BigZeitlimitM").toInt(), 30);

    const auto rows = Rows(path);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0]["a1"].toString(), "tree");
    EXPECT_EQ(rows[0]["a9"].toString(), "");
    EXPECT_FALSE(rows[0]["ra1"].isValid());
    EXPECT_EQ(rows[0]["askallitems"].toInt(), 1);
    EXPECT_EQ(rows[0]["mcaa"].toInt(), 3);
    EXPECT_FALSE(rows[0].contains("a"));
}

TEST(UpgradeSteps, Kind1AsksAllAnswersAndKeepsOnlyTheResolveSetting) {
    Files files;
    const QString path = files.Make(1, "3.2", {}, {{"Begriff aufloesen", 0}, {"AllowMixed", 1}});
    AddRow(path, {{"Q", "Tisch"}, {"A1", "table"}, {"A2", "desk"}, {"E1", true}, {"AnzahlAntworten", 2}});
    Opening o;
    ASSERT_TRUE(o.VokDBOeffnen(path));
    o.Close();

    EXPECT_EQ(OptionValue(path, "BegriffAufloesen").toInt(), 0);
    EXPECT_EQ(OptionValue(path, "DontAskTheKnown").toInt(), 1);
    EXPECT_EQ(OptionValue(path, "SekundenZeitlimit").toInt(), 12);
    EXPECT_EQ(OptionValue(path, "Abfragereihenfolge").toInt(), 1);
    EXPECT_EQ(OptionValue(path, "AuswahlThema").toString(), "");
    EXPECT_EQ(OptionValue(path, "GridShowKategorie").toInt(), 0);
    // Added under the 4.0 spelling; the current spelling reaches it all the same.
    EXPECT_TRUE(OptionColumns(path).contains("AbfrageStil"));
    EXPECT_EQ(OptionValue(path, "Abfragestil"), QVariant(0));
    EXPECT_EQ(OptionValue(path, "abfragereihenfolge"), QVariant(1));
    const auto cols = Columns(path, "OPTIONS");
    EXPECT_FALSE(cols.contains("allowmixed"));
    EXPECT_FALSE(cols.contains("begriff aufloesen"));

    const auto rows = Rows(path);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0]["a2"].toString(), "desk");
    EXPECT_EQ(rows[0]["askallitems"].toInt(), 1);
    EXPECT_EQ(rows[0]["mindtheorder"].toInt(), 0);
    EXPECT_FALSE(rows[0].contains("e1"));
    EXPECT_FALSE(rows[0].contains("anzahlantworten"));
}

TEST(UpgradeSteps, Kind2ItemsBecomeMultipleChoiceAndKeepTheirAnswerSettings) {
    Files files;
    const QString path = files.Make(2, "2.1", {}, {{"MCAA", 4}, {"InnerType", 1}, {"Mixen", 1}});
    AddRow(path, {{"Q", "Frage"}, {"A1", "eins"}, {"RA1", 1}});
    AddRow(path, {{"Q", "Zweite"}, {"A3", QVariant()}});
    Opening o;
    ASSERT_TRUE(o.VokDBOeffnen(path));
    o.Close();

    const auto rows = Rows(path);
    ASSERT_EQ(rows.size(), 2u);
    for (const auto& r : rows) {
        EXPECT_EQ(r["mcaa"].toInt(), 4);
        EXPECT_EQ(r["multipleanswers"].toInt(), 1);
        EXPECT_EQ(r["typ"].toInt(), 1);
        EXPECT_EQ(r["t"].toString(), "-");  // an empty theme became "-" at 3.0
        EXPECT_EQ(r["known34"].toInt(), 0);
        EXPECT_EQ(r["a3"].toString(), "");
        EXPECT_TRUE(r["a3"].isValid());
    }
    EXPECT_EQ(rows[0]["ra1"].toInt(), 1);
    const auto cols = Columns(path, "OPTIONS");
    for (const char* gone : {"mcaa", "innertype", "mixen", "maxpunkte", "r7", "lview0w"})
        EXPECT_FALSE(cols.contains(gone)) << gone;
    EXPECT_EQ(OptionValue(path, "GKignorieren").toInt(), 1);
    EXPECT_EQ(OptionValue(path, "Schriftart").toString(), "MS Sans Serif");
    EXPECT_EQ(OptionValue(path, "SchriftgroesseRest").toString(), "8");
    EXPECT_EQ(OptionValue(path, "ZeilenumbruchQ").toInt(), 0);
    EXPECT_EQ(OptionValue(path, "KnownWieOft").toInt(), 3);
}

TEST(UpgradeSteps, AFileOfAnotherKindAt32OnlyBecomesKind4) {
    Files files;
    auto layout = upgrade::OldDatabaseLayout(0, "3.2");
    layout.optionsRow << QPair<QString, QVariant>{"DBType", 3};
    const QString path = files.Make(layout);
    // Stop the chain at 4.0 to see the 3.2 step alone.
    Opening o;
    o.throwAtOpening = 2;
    const QSet<QString> before = Columns(path, "VOK");
    EXPECT_FALSE(o.VokDBOeffnen(path));
    EXPECT_EQ(OptionValue(path, "AppVersion").toString(), "4.0");
    EXPECT_EQ(OptionValue(path, "DBType").toInt(), 4);
    EXPECT_EQ(Columns(path, "VOK"), before);
}

TEST(UpgradeSteps, AnOldKind2FileWithAnUnreadableAnswerSettingIsNotTouched) {
    Files files;
    const QString path = files.Make(2, "2.1", {}, {{"MCAA", QVariant()}});
    AddRow(path, {{"Q", "Frage"}});
    const QString before = Snapshot(path);
    Opening o;
    EXPECT_FALSE(o.VokDBOeffnen(path));
    ASSERT_EQ(o.errors.size(), 1u);
    EXPECT_EQ(o.errors[0].number, upgrade::kInvalidUseOfNull);
    EXPECT_EQ(Snapshot(path), before);
}

TEST(UpgradeSteps, AFileWhoseLayoutDepartsFailsWithoutAChange) {
    Files files;
    // A kind-0 file at 2.2 without one of the list-view columns the step drops.
    auto layout = upgrade::OldDatabaseLayout(0, "2.2");
    vocabdb::RemoveFields(layout.options, {"LView3"});
    const QString path = files.Make(layout);
    AddRow(path, {{"Q", "Haus"}, {"A", "house"}});
    const QString before = Snapshot(path);
    Opening o;
    EXPECT_FALSE(o.VokDBOeffnen(path));
    EXPECT_EQ(o.errors.size(), 1u);
    EXPECT_EQ(Snapshot(path), before);
}

TEST(UpgradeSteps, EmptyTablesPassEveryStep) {
    Files files;
    for (int kind : {0, 1, 2}) {
        const QString path = files.Make(kind, "");
        Opening o;
        EXPECT_TRUE(o.VokDBOeffnen(path)) << kind;
        o.Close();
        EXPECT_EQ(OptionValue(path, "AppVersion").toString(), "4.3");
    }
}

TEST(UpgradeSteps, AFileOfAnotherKindTakesOnlyTheStatementsEveryKindRuns) {
    Files files;
    // A kind-0 layout at 2.2 whose DBType says 4: the 3.0 step adds fonts,
    // settings and the known history and drops the statistics, but no grid
    // column and no list-view drop; no later step has a branch for it.
    auto layout = upgrade::OldDatabaseLayout(0, "2.2");
    layout.optionsRow << QPair<QString, QVariant>{"DBType", 4};
    const QString path = files.Make(layout);
    AddRow(path, {{"Q", "Haus"}, {"A", "house"}});

    Opening o;
    ASSERT_TRUE(o.VokDBOeffnen(path));
    o.Close();
    EXPECT_EQ(o.upgradeCalls, 7);
    EXPECT_EQ(OptionValue(path, "AppVersion").toString(), "4.3");
    const auto opts = Columns(path, "OPTIONS");
    EXPECT_TRUE(opts.contains("schriftartrest"));
    EXPECT_TRUE(opts.contains("lernmodus"));
    EXPECT_TRUE(opts.contains("lview0w"));
    EXPECT_FALSE(opts.contains("gridwidthq"));
    EXPECT_FALSE(opts.contains("writeprotection"));
    EXPECT_TRUE(opts.contains("showoverview"));
    const auto vok = Columns(path, "VOK");
    EXPECT_FALSE(vok.contains("stata1"));
    EXPECT_TRUE(vok.contains("known11"));
    EXPECT_FALSE(vok.contains("askallitems"));
    EXPECT_TRUE(vok.contains("a"));
    const auto rows = Rows(path);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0]["t"].toString(), "-");
    EXPECT_EQ(rows[0]["known11"], QVariant(0));
}
