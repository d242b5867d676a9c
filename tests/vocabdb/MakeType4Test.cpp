// The file MakeType4 writes: both tables field by field, the stored queries,
// the options row, the defaults new items get, and the password.

#include <QProcess>
#include <QStandardPaths>

#include "LayoutCompare.h"
#include "VocabFixture.h"
#include "core/modMain.h"
#include "platform/Error.h"
#include "vocabdb/TableBuilder.h"

using namespace vocabtest;
using vocabdb::FieldDef;

namespace {

QStringList names(const vocabdb::FieldList& f) {
    return vocabdb::FieldNames(f);
}

// The VOK field names as the file format lists them.
QStringList expectedVokNames() {
    QStringList n{"Q"};
    for (int i = 1; i <= 9; ++i) n << QString("A%1").arg(i) << QString("RA%1").arg(i);
    n << QString(
             "T Kategorie Tip Explanation Markiert ZuletztGelerntAm Bild Sound SoundTip SoundRichtig "
             "SoundFalsch AskAllItems MindTheOrder MultipleAnswers Typ MCAA Punkte")
             .split(' ');
    for (int u = 1; u <= 5; ++u)
        for (int k = 1; k <= 6; ++k) n << QString("Known%1%2").arg(u).arg(k);
    for (int u = 1; u <= 5; ++u) n << QString("AA%1 AR%1 AF%1 FQ%1").arg(u).split(' ');
    return n;
}

const FieldDef& field(const vocabdb::FieldList& f, const QString& name) {
    const int i = vocabdb::IndexOfField(f, name);
    if (i < 0) throw std::runtime_error(("no field " + name).toStdString());
    return f[i];
}

}  // namespace

using MakeType4 = VocabDB;

TEST_F(MakeType4, VokHasItsFieldsInOrderWithTypesSizesAndFlags) {
    const auto vok = vocabdb::ReadTableLayout(db, "VOK");
    ASSERT_EQ(vok.size(), 86);
    EXPECT_EQ(names(vok), expectedVokNames());

    struct Want {
        const char* name;
        int type;
        int size;
        QVariant def;
    };
    const Want wants[] = {
        {"Q", dao::dbText, 240, {}},
        {"A9", dao::dbText, 240, {}},
        {"RA4", dao::dbInteger, 0, 0},
        {"T", dao::dbText, 50, "Other"},
        {"Kategorie", dao::dbText, 50, "Other"},
        {"Tip", dao::dbText, 240, {}},
        {"Explanation", dao::dbText, 240, {}},
        {"Markiert", dao::dbBoolean, 0, false},
        {"Bild", dao::dbMemo, 0, {}},
        {"SoundFalsch", dao::dbMemo, 0, {}},
        {"Typ", dao::dbInteger, 0, 0},
        {"MCAA", dao::dbInteger, 0, 3},
        {"Punkte", dao::dbLong, 0, 0},
        {"Known56", dao::dbInteger, 0, 0},
        {"AA2", dao::dbLong, 0, {}},
        {"AF5", dao::dbLong, 0, {}},
        {"FQ3", dao::dbDouble, 0, {}},
    };
    for (const auto& w : wants) {
        SCOPED_TRACE(w.name);
        const auto& f = field(vok, w.name);
        EXPECT_EQ(f.type, w.type);
        if (w.type == dao::dbText) {
            EXPECT_EQ(f.size, w.size);
        }
        EXPECT_EQ(f.defaultValue.isValid(), w.def.isValid());
        if (w.def.isValid()) {
            EXPECT_TRUE(vocabtest::sameDefault(w.type, f.defaultValue, w.def));
        }
    }
    // Zero length is allowed on exactly the text and memo fields.
    for (const auto& f : vok) {
        SCOPED_TRACE(f.name.toStdString());
        EXPECT_EQ(f.allowZeroLength, f.type == dao::dbText || f.type == dao::dbMemo);
    }
    EXPECT_EQ(field(vok, "ZuletztGelerntAm").type, dao::dbDate);
    EXPECT_TRUE(field(vok, "ZuletztGelerntAm").defaultValue.isValid());
}

TEST_F(MakeType4, FileHoldsEveryPropertyOfTheLayout) {
    const QDateTime created(QDate(2025, 1, 2), QTime(3, 4, 5));
    make("n", "Andere", created);
    expectLayout(db, "VOK", vocabdb::VokFields("Andere", created));
    expectLayout(db, "OPTIONS", vocabdb::OptionsFields());
}

TEST_F(MakeType4, OptionsHasItsFieldsInOrderWithDefaults) {
    const auto opt = vocabdb::ReadTableLayout(db, "OPTIONS");
    ASSERT_EQ(opt.size(), 113);
    const QStringList n = names(opt);
    // Places in creation order, counted from 1 as the file format numbers them.
    const QList<QPair<int, QString>> places = {
        {1, "DBType"},
        {2, "Copyright"},
        {3, "Schriftart"},
        {10, "SchriftgroesseRest"},
        {11, "WriteProtection"},
        {19, "ShowBewertung"},
        {20, "TestMaxFragen"},
        {23, "Punktebewertung"},
        {24, "Bewertung1"},
        {32, "Bewertung9"},
        {33, "BewertungP2"},
        {39, "BewertungP8"},
        {40, "ZeilenumbruchQ"},
        {47, "KnownWieOft"},
        {48, "GridWidthQ"},
        {57, "GridWidthA9"},
        {58, "GridWidthT"},
        {66, "GridWidthFQ"},
        {67, "GridShowQ"},
        {76, "GridShowA9"},
        {78, "GridShowKategorie"},
        {81, "GridShowPunkte"},
        {85, "GridShowFQ"},
        {86, "Kommentar"},
        {88, "AppVersion"},
        {89, "Stichworte"},
        {90, "Abfragestil"},
        {99, "Auswahl"},
        {101, "AuswahlKategorie"},
        {104, "SekundenZeitlimit"},
        {105, "BigZeitlimitM"},
        {108, "ShowPic"},
        {109, "Benutzer1"},
        {113, "Benutzer5"},
    };
    for (const auto& [pos, name] : places) EXPECT_EQ(n.value(pos - 1), name) << "place " << pos;
    EXPECT_FALSE(n.contains("BewertungP1"));
    EXPECT_FALSE(n.contains("BewertungP9"));

    EXPECT_EQ(field(opt, "Schriftart").size, 40);
    EXPECT_EQ(field(opt, "Schriftgroesse").size, 3);
    EXPECT_EQ(field(opt, "Benutzer3").size, 21);
    EXPECT_EQ(field(opt, "Copyright").size, 100);
    EXPECT_EQ(field(opt, "BewertungP5").type, dao::dbLong);
    EXPECT_EQ(field(opt, "Kommentar").type, dao::dbMemo);
    EXPECT_EQ(field(opt, "SekundenZeitlimit").type, dao::dbInteger);
    for (const auto& f : opt) {
        SCOPED_TRACE(f.name.toStdString());
        EXPECT_EQ(f.allowZeroLength, f.type == dao::dbText || f.type == dao::dbMemo);
    }
}

TEST_F(MakeType4, OptionsRowHoldsNoteVersionAndDefaults) {
    auto rs = db->OpenRecordset("AllOptions");
    ASSERT_EQ(rs->RecordCount(), 1);
    EXPECT_EQ(rs->Value("DBType").toInt(), 4);
    EXPECT_EQ(rs->Value("AppVersion").toString(), "4.3");
    EXPECT_EQ(rs->Value("Copyright").toString(), "Notiz");
    EXPECT_EQ(rs->Value("TestMaxFragen").toInt(), 50);
    EXPECT_EQ(rs->Value("KnownWieOft").toInt(), 3);
    EXPECT_EQ(rs->Value("SekundenZeitlimit").toInt(), 12);
    EXPECT_EQ(rs->Value("BigZeitlimitM").toInt(), 30);
    EXPECT_EQ(rs->Value("Abfragereihenfolge").toInt(), 1);
    EXPECT_EQ(rs->Value("DontAskTheKnown").toInt(), 0);
    EXPECT_EQ(rs->Value("GridShowTip").toInt(), 0);
    EXPECT_EQ(rs->Value("GridShowA7").toInt(), 1);
    EXPECT_EQ(rs->Value("Schriftart").toString(), "MS Sans Serif");
    EXPECT_EQ(rs->Value("SchriftgroesseRest").toString(), "8");
    for (const char* nullField : {"Benutzer1", "Benutzer5", "Bewertung1", "Bewertung9", "Kommentar",
                                  "Version", "Stichworte", "AuswahlThema", "AuswahlKategorie"})
        EXPECT_TRUE(rs->Value(nullField).isNull()) << nullField;

    auto vok = db->OpenRecordset("VOK");
    EXPECT_EQ(vok->RecordCount(), 0);
}

TEST_F(MakeType4, NoteIsKeptExactlyAlsoWhenEmptyOrFull) {
    const QString full(100, QChar(0x00e4));  // 100 x "ä"
    for (const QString& note : {QString(""), full, QString("  Rand  ")}) {
        make(note);
        auto rs = db->OpenRecordset("AllOptions");
        EXPECT_FALSE(rs->Value("Copyright").isNull());
        EXPECT_EQ(rs->Value("Copyright").toString(), note);
        rs->Close();
        db->Close();
    }
}

TEST_F(MakeType4, StoredQueries) {
    EXPECT_EQ(db->GetQueryDef("Alles")->SQL(), "SELECT * FROM VOK ORDER BY Q, T");
    EXPECT_EQ(db->GetQueryDef("AllesNichtSortiert")->SQL(), "SELECT * FROM VOK");
    EXPECT_EQ(db->GetQueryDef("AllOptions")->SQL(), "SELECT * FROM OPTIONS");
    addItem("b");
    addItem("a");
    auto alles = db->OpenRecordset("Alles");
    ASSERT_EQ(alles->RecordCount(), 2);
    EXPECT_EQ(alles->Value("Q").toString(), "a");
}

TEST_F(MakeType4, NewItemGetsThemeCategoryAndDateDefaults) {
    const QDateTime created(QDate(2026, 3, 14), QTime(9, 26, 53, 589));
    make("x", "Other", created);
    addItem("Hund");
    auto rs = db->OpenRecordset("VOK");
    EXPECT_EQ(rs->Value("T").toString(), "Other");
    EXPECT_EQ(rs->Value("Kategorie").toString(), "Other");
    EXPECT_EQ(rs->Value("ZuletztGelerntAm").toDateTime(), QDateTime(QDate(2026, 3, 14), QTime(9, 26, 53)));
    EXPECT_EQ(rs->Value("MCAA").toInt(), 3);
    EXPECT_EQ(rs->Value("Markiert").toBool(), false);
    EXPECT_TRUE(rs->Value("Tip").isNull());
    rs->Close();

    // Only Q given, nothing else: the counters stay Null, the defaults apply.
    db->Execute("INSERT INTO VOK (Q) VALUES (?)", {"Katze"});
    rs = db->OpenRecordset("SELECT * FROM VOK WHERE Q='Katze'");
    EXPECT_EQ(rs->Value("T").toString(), "Other");
    EXPECT_TRUE(rs->Value("AA1").isNull());
    EXPECT_EQ(rs->Value("Known34").toInt(), 0);
}

TEST_F(MakeType4, GermanFileKeepsGermanDefault) {
    make("x", "Andere");
    addItem("Hund");
    auto rs = db->OpenRecordset("VOK");
    EXPECT_EQ(rs->Value("T").toString(), "Andere");
    EXPECT_EQ(rs->Value("Kategorie").toString(), "Andere");
    // A theme given replaces the default; the category keeps it.
    addItem("Maus", "Tiere");
    rs = db->OpenRecordset("SELECT * FROM VOK WHERE Q='Maus'");
    EXPECT_EQ(rs->Value("T").toString(), "Tiere");
    EXPECT_EQ(rs->Value("Kategorie").toString(), "Andere");
}

TEST_F(MakeType4, DefaultThemeFollowsTheInterfaceLanguage) {
    for (const auto& [lang, text] : {std::pair<int, QString>{0, "Andere"}, {1, "Other"}}) {
        modMain::SetLanguage(lang);
        const QString p = dir.filePath(QString("lang%1.wkd").arg(lang));
        vocabdb::MakeType4(dao::DBEngine::CreateDatabase(p, vocabdb::VokDBLocale, 34), "n");
        auto d = dao::DBEngine::OpenDatabase(p, false, false, pwd());
        d->Execute("INSERT INTO VOK (Q) VALUES ('x')");
        // Switching the language later changes nothing in the file.
        modMain::SetLanguage(1 - lang);
        auto rs = d->OpenRecordset("VOK");
        EXPECT_EQ(rs->Value("T").toString(), text);
        EXPECT_EQ(rs->Value("Kategorie").toString(), text);
        d->Close();
    }
    modMain::SetLanguage(1);
}

TEST_F(MakeType4, FileNeedsThePassword) {
    db->Close();
    for (const QString& connect : {QString(), QString(";pwd="), QString(";pwd=falsch")}) {
        try {
            dao::DBEngine::OpenDatabase(path, false, false, connect);
            ADD_FAILURE() << "opened with '" << connect.toStdString() << "'";
        } catch (const wk::Error& e) {
            EXPECT_EQ(e.number(), wk::err::NotValidPassword);
        }
    }
    db = dao::DBEngine::OpenDatabase(path, false, false, pwd());
    EXPECT_TRUE(db->HasTable("VOK"));
}

TEST_F(MakeType4, LeavesTheDatabaseClosed) {
    const QString p = dir.filePath("closed.wkd");
    auto fresh = dao::DBEngine::CreateDatabase(p, vocabdb::VokDBLocale, 34);
    vocabdb::MakeType4(fresh, "n");
    EXPECT_FALSE(fresh->IsOpen());
}

TEST_F(MakeType4, StockShellReadsTablesByTheirOwnNames) {
    const QString shell = QStandardPaths::findExecutable("sqlite3");
    if (shell.isEmpty()) GTEST_SKIP() << "sqlite3 shell not installed";
    addItem("Hund", "Tiere", "Nomen");
    db->Close();
    QProcess p;
    p.start(shell,
            {"-readonly", path,
             "SELECT name FROM pragma_table_info('VOK'); SELECT '--'; "
             "SELECT count(*) FROM pragma_table_info('OPTIONS'); "
             "SELECT Q || '|' || T || '|' || Kategorie FROM VOK; SELECT DBType, AppVersion FROM OPTIONS;"});
    ASSERT_TRUE(p.waitForFinished(20000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    const QStringList lines = QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    const int sep = lines.indexOf("--");
    ASSERT_GT(sep, 0);
    EXPECT_EQ(lines.mid(0, sep), expectedVokNames());
    EXPECT_EQ(lines.value(sep + 1), "113");
    EXPECT_EQ(lines.value(sep + 2), "Hund|Tiere|Nomen");
    EXPECT_EQ(lines.value(sep + 3), "4|4.3");
}
