// Import from another vocabulary database: opening and refusing sources,
// conditions, the duplicate question answered Yes and No, zeroed statistics,
// media copied whole, and the mixed mark.
#include "ExchangeFixture.h"

#include <QProcess>

#include <sqlite3.h>

#include "exchange/DbImport.h"
#include "exchange/WhereClause.h"

using namespace exchange;
using namespace exchangetest;

namespace {

class DbImportTest : public ExchangeDB {
protected:
    QString srcPath;
    void SetUp() override {
        ExchangeDB::SetUp();
        srcPath = makeFile(dir.filePath("src.wkd"), "Quelle");
        auto s = dao::DBEngine::OpenDatabase(srcPath, false, false, pwd());
        addTo(s, {"Haus", {"house"}, "Nomen"});
        addTo(s, {"Baum", {"tree"}, "Nomen"});
        addTo(s, {"gehen", {"go"}, "Verben"});
        // Statistics, defaults and media that must not or must arrive.
        auto rs = s->OpenRecordset("SELECT * FROM VOK WHERE Q = ?", dao::dbOpenDynaset, {"Haus"});
        rs->Edit();
        rs->SetValue("AA2", 7);
        rs->SetValue("AF2", 3);
        rs->SetValue("FQ2", 42.5);
        rs->SetValue("Known21", 1);
        rs->SetValue("MCAA", 5);
        rs->SetValue("MultipleAnswers", 1);
        rs->SetValue("Markiert", true);
        rs->SetValue("Punkte", 4);
        rs->SetValue("RA1", 1);
        rs->SetValue("Typ", 1);
        rs->SetValue("Bild", QByteArray("\x89PNG\0\x01\x02", 7));
        rs->Update();
        s->Close();
    }
    void setSourceOption(const QString& field, const QVariant& v) { setOptionOf(srcPath, field, v); }
    QVariant mainValue(const QString& q, const QString& field, int nth = 0) {
        auto rs = db->OpenRecordset("SELECT * FROM VOK WHERE Q = ?", dao::dbOpenDynaset, {q});
        rs->SetAbsolutePosition(nth);
        return rs->Value(field);
    }
    // Positions of the source items with these questions, as the item list
    // holds them when each of their entries is chosen.
    static QList<long> chosen(dao::Recordset& vok, const QStringList& questions) {
        QList<long> out;
        for (const SourceItem& item : SourceItems(vok))
            if (questions.contains(item.question)) out << item.position;
        return out;
    }
    long countQ(const QString& q) {
        return db->OpenRecordset("SELECT * FROM VOK WHERE Q = ?", dao::dbOpenDynaset, {q})->RecordCount();
    }
};

}  // namespace

TEST_F(DbImportTest, OpensWithAndWithoutConditions) {
    ImportSource src = OpenImportSource(srcPath, "", {});
    EXPECT_EQ(CheckImportSource(src), SourceCheck::Ok);
    EXPECT_EQ(SourceQuestions(*src.vok), (QStringList{"Baum", "gehen", "Haus"}));
    src.Close();

    runstate::BedWhat[3] = "FQ1";
    const WhereClause w = BuildWhereClause(true, {{{0, 2, 0, "Nomen"}, {}, {}}}, runstate::BedWhat,
                                           runstate::BedAndOr, runstate::BedComp);
    src = OpenImportSource(srcPath, w.sql, w.params);
    EXPECT_EQ(SourceQuestions(*src.vok), (QStringList{"Baum", "Haus"}));
    src.Close();

    const WhereClause none = BuildWhereClause(true, {{{0, 0, 0, "nix"}, {}, {}}}, runstate::BedWhat,
                                              runstate::BedAndOr, runstate::BedComp);
    src = OpenImportSource(srcPath, none.sql, none.params);
    EXPECT_TRUE(SourceQuestions(*src.vok).isEmpty());
    src.Close();
}

TEST_F(DbImportTest, RefusesOldSchemaBeforeLockAndOnlyLockOne) {
    setSourceOption("ExportProtection", -1);
    ImportSource src = OpenImportSource(srcPath, "", {});
    EXPECT_EQ(CheckImportSource(src), SourceCheck::Ok);
    src.Close();
    setSourceOption("ExportProtection", 1);
    src = OpenImportSource(srcPath, "", {});
    EXPECT_EQ(CheckImportSource(src), SourceCheck::Locked);
    src.Close();
    setSourceOption("DBType", 3);
    src = OpenImportSource(srcPath, "", {});
    EXPECT_EQ(CheckImportSource(src), SourceCheck::OldSchema);
    src.Close();
}

TEST_F(DbImportTest, EngineErrorsReachTheCaller) {
    try {
        OpenImportSource(dir.filePath("none.wkd"), "", {});
        FAIL();
    } catch (const wk::Error& e) {
        EXPECT_EQ(e.number(), wk::err::FileNotFound);
    }
    writeFile(dir.filePath("junk.wkd"), "this is no database at all, only text");
    EXPECT_THROW(OpenImportSource(dir.filePath("junk.wkd"), "", {}), wk::Error);
}

TEST_F(DbImportTest, CopiesFieldsZeroesStatisticsKeepsDefaults) {
    ImportSource src = OpenImportSource(srcPath, "", {});
    wktest::ScriptedUi ui;
    int themes = 0;
    const DbImportResult r =
        ImportFromDB(*src.vok, chosen(*src.vok, {"Haus"}), *data, 5, {nullptr, [&] { ++themes; }, nullptr});
    EXPECT_EQ(r.written, 1);
    EXPECT_EQ(r.skipped, 0);
    EXPECT_EQ(themes, 1);
    EXPECT_EQ(mainValue("Haus", "A1").toString(), "house");
    EXPECT_EQ(mainValue("Haus", "T").toString(), "Nomen");
    EXPECT_EQ(mainValue("Haus", "Typ").toInt(), 1);
    EXPECT_EQ(mainValue("Haus", "RA1").toInt(), 1);
    EXPECT_EQ(mainValue("Haus", "Punkte").toInt(), 4);
    EXPECT_TRUE(mainValue("Haus", "Markiert").toBool());
    EXPECT_EQ(mainValue("Haus", "Bild").toByteArray(), QByteArray("\x89PNG\0\x01\x02", 7));
    for (int u = 1; u <= 5; ++u)
        for (const char* p : {"AA", "AR", "AF", "FQ"}) {
            const QVariant v = mainValue("Haus", p + QString::number(u));
            EXPECT_TRUE(v.isValid() && !v.isNull()) << p << u;
            EXPECT_EQ(v.toDouble(), 0.0) << p << u;
        }
    EXPECT_EQ(mainValue("Haus", "Known21").toInt(), 0);
    EXPECT_EQ(mainValue("Haus", "MCAA").toInt(), 3);
    EXPECT_EQ(mainValue("Haus", "MultipleAnswers").toInt(), 0);
    src.Close();
}

TEST_F(DbImportTest, DuplicateQuestionAnsweredYesAndNo) {
    add({"Haus", {"Gebäude"}});
    add({"Baum", {"Eiche"}});
    ImportSource src = OpenImportSource(srcPath, "", {});
    wktest::ScriptedUi ui;
    ui.pushMsgBox(forms::vbNo);   // Baum
    ui.pushMsgBox(forms::vbYes);  // Haus
    const DbImportResult r =
        ImportFromDB(*src.vok, chosen(*src.vok, {"Haus", "Baum", "gehen"}), *data, 5, {});
    EXPECT_EQ(r.written, 2);
    EXPECT_EQ(r.skipped, 1);
    const auto boxes = ui.calls(wktest::CallKind::MsgBox);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(
        boxes[0].prompt,
        "The word/question \"Baum\" already exists and has the following answer:\r\rEiche\r\rContinue ?");
    EXPECT_EQ(boxes[0].title, "Duplicate question");
    EXPECT_EQ(boxes[0].style, forms::vbYesNo);
    EXPECT_EQ(countQ("Baum"), 1);
    EXPECT_EQ(countQ("Haus"), 2);
    EXPECT_EQ(countQ("gehen"), 1);
    src.Close();
}

// An empty question is a question: when the open database has one, it asks.
TEST_F(DbImportTest, AnEmptyQuestionMeetsTheDuplicateQuestionToo) {
    auto s = dao::DBEngine::OpenDatabase(srcPath, false, false, pwd());
    addTo(s, {"", {"leer"}});
    s->Close();
    add({"", {"nichts"}});
    ImportSource src = OpenImportSource(srcPath, "", {});
    wktest::ScriptedUi ui;
    ui.pushMsgBox(forms::vbNo);
    const DbImportResult r = ImportFromDB(*src.vok, chosen(*src.vok, {""}), *data, 5, {});
    EXPECT_EQ(r.written, 0);
    EXPECT_EQ(r.skipped, 1);
    EXPECT_EQ(ui.last(wktest::CallKind::MsgBox).prompt,
              "The word/question \"\" already exists and has the following answer:\r\rnichts\r\rContinue ?");
    src.Close();
}

TEST_F(DbImportTest, TwoSourceItemsWithOneQuestionAskAtTheSecond) {
    auto s = dao::DBEngine::OpenDatabase(srcPath, false, false, pwd());
    addTo(s, {"gehen", {"walk"}});
    s->Close();
    ImportSource src = OpenImportSource(srcPath, "", {});
    wktest::ScriptedUi ui;
    ui.pushMsgBox(forms::vbYes);
    // Both entries "gehen" chosen: each item once, not each item per equal entry.
    const QList<long> both = chosen(*src.vok, {"gehen"});
    ASSERT_EQ(both.size(), 2);
    const DbImportResult r = ImportFromDB(*src.vok, both, *data, 5, {});
    EXPECT_EQ(r.written, 2);
    EXPECT_EQ(countQ("gehen"), 2);
    EXPECT_EQ(mainValue("gehen", "A1", 0).toString(), "go");
    EXPECT_EQ(mainValue("gehen", "A1", 1).toString(), "walk");
    EXPECT_EQ(ui.count(wktest::CallKind::MsgBox), 1);
    EXPECT_EQ(ui.calls(wktest::CallKind::MsgBox)[0].prompt.count("\r\rgo\r\r"), 1);
    src.Close();

    // Only the chosen one of two equal questions.
    src = OpenImportSource(srcPath, "", {});
    ui.pushMsgBox(forms::vbYes);
    const DbImportResult one = ImportFromDB(*src.vok, {both[1]}, *data, 5, {});
    EXPECT_EQ(one.written, 1);
    EXPECT_EQ(mainValue("gehen", "A1", 2).toString(), "walk");
    src.Close();
}

TEST_F(DbImportTest, ProgressStartsAtZeroAndNeverReachesHundred) {
    ImportSource src = OpenImportSource(srcPath, "", {});
    wktest::ScriptedUi ui;
    std::vector<int> seen;
    ImportFromDB(*src.vok, {}, *data, 5, {[&](int p) { seen.push_back(p); }, nullptr, nullptr});
    EXPECT_EQ(seen, (std::vector<int>{0, 33, 66}));
    src.Close();
}

// Another program commits version after version of the source while the
// import reads it: the import copies one state of it, as one SELECT of
// plain SQLite would, and the other program's commits wait meanwhile.
TEST_F(DbImportTest, AnImportCopiesOneStateOfItsSource) {
    const char* items =
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
        "WHERE i < 3000) INSERT INTO VOK (Q, A1) SELECT 'item ' || i, 'v0' FROM n;";
    ASSERT_EQ(QProcess::execute("sqlite3", {srcPath, items}), 0);
    QByteArray versions = "UPDATE VOK SET A1 = 'v1' WHERE Q LIKE 'item %';\nSELECT 'committing';\n";
    for (int v = 2; v < 20000; ++v)
        versions += "UPDATE VOK SET A1 = 'v" + QByteArray::number(v) + "' WHERE Q LIKE 'item %';\n";
    writeFile(dir.filePath("versions.sql"), versions);
    wktest::ScriptedUi ui;
    ImportSource src = OpenImportSource(srcPath, "", {});
    QList<long> all;
    for (const SourceItem& item : SourceItems(*src.vok)) all << item.position;
    QProcess other;
    other.start("sqlite3", {"-cmd", ".timeout 20000", srcPath, ".read " + dir.filePath("versions.sql")});
    ASSERT_TRUE(other.waitForReadyRead(20000));
    EXPECT_EQ(ImportFromDB(*src.vok, all, *data, 5, {}).written, 3003);
    other.kill();
    other.waitForFinished();
    src.Close();
    auto copied = db->OpenRecordset(
        "SELECT count(*) AS n, count(DISTINCT A1) AS states FROM VOK WHERE Q LIKE 'item *'");
    EXPECT_EQ(copied->Value("n").toInt(), 3000);
    EXPECT_EQ(copied->Value("states").toInt(), 1);
}

// The items and the mark are one transaction: until its end another
// program sees none of them; a note too long for the mark keeps the items;
// a database failing at the mark takes back the items and the mark.
TEST_F(DbImportTest, ItemsAndMarkAreOneTransaction) {
    auto opt = db->OpenRecordset("AllOptions");
    opt->MoveFirst();
    const auto committedItems = [&] {
        sqlite3* raw = nullptr;
        long n = -1;
        if (sqlite3_open_v2(QFile::encodeName(db->Name()).constData(), &raw, SQLITE_OPEN_READONLY, nullptr) ==
            SQLITE_OK) {
            sqlite3_stmt* st = nullptr;
            if (sqlite3_prepare_v2(raw, "SELECT count(*) FROM VOK", -1, &st, nullptr) == SQLITE_OK &&
                sqlite3_step(st) == SQLITE_ROW)
                n = long(sqlite3_column_int64(st, 0));
            sqlite3_finalize(st);
        }
        sqlite3_close(raw);
        return n;
    };
    wktest::ScriptedUi ui;
    ImportSource src = OpenImportSource(srcPath, "", {});
    const QList<long> all = chosen(*src.vok, {"Baum", "gehen", "Haus"});
    long atMark = -1;
    DbImportHooks hooks{nullptr, nullptr, [&] {
                            MixedMark(*opt);
                            atMark = committedItems();
                        }};
    // Another program writes the source meanwhile: the import only reads it.
    QProcess other;
    other.start("sqlite3", {srcPath});
    other.write("BEGIN IMMEDIATE; INSERT INTO VOK (Q) VALUES ('neu'); SELECT 'writing';\n");
    ASSERT_TRUE(other.waitForReadyRead(20000));
    DbImportResult r = ImportFromDB(*src.vok, all, *data, 5, hooks);
    other.write("COMMIT;\n.quit\n");
    ASSERT_TRUE(other.waitForFinished(20000));
    EXPECT_EQ(other.exitCode(), 0);
    EXPECT_EQ(atMark, 0);
    EXPECT_EQ(committedItems(), 3);
    EXPECT_EQ(r.markError.number(), 0);
    EXPECT_EQ(opt->Value("Copyright").toString(), "![mixed] Notiz");

    const QString full(100, QChar('x'));
    opt->Edit();
    opt->SetValue("Copyright", full);
    opt->Update();
    ui.pushMsgBox(forms::vbYes);
    r = ImportFromDB(*src.vok, chosen(*src.vok, {"gehen"}), *data, 5, hooks);
    EXPECT_EQ(r.written, 1);
    EXPECT_EQ(r.markError.number(), wk::err::FieldTooSmall);
    EXPECT_EQ(committedItems(), 4);

    opt->Edit();
    opt->SetValue("Copyright", "Notiz");
    opt->Update();
    hooks.mark = [&] {
        MixedMark(*opt);
        dao::Raise(3051);
    };
    for (int i = 0; i < 3; ++i) ui.pushMsgBox(forms::vbYes);
    EXPECT_THROW(ImportFromDB(*src.vok, all, *data, 5, hooks), wk::Error);
    EXPECT_EQ(committedItems(), 4);
    EXPECT_EQ(data->RecordCount(), 4);
    EXPECT_EQ(db->OpenRecordset("AllOptions")->Value("Copyright").toString(), "Notiz");
    src.Close();
}

TEST_F(DbImportTest, MixedMarkOnceAndForEmptyOrTooLongNotes) {
    auto opt = db->OpenRecordset("AllOptions");
    opt->MoveFirst();
    MixedMark(*opt);
    EXPECT_EQ(opt->Value("Copyright").toString(), "![mixed] Notiz");
    MixedMark(*opt);
    EXPECT_EQ(opt->Value("Copyright").toString(), "![mixed] Notiz");

    opt->Edit();
    opt->SetValue("Copyright", QVariant());
    opt->Update();
    MixedMark(*opt);
    EXPECT_EQ(opt->Value("Copyright").toString(), "![mixed] ");

    opt->Edit();
    opt->SetValue("Copyright", "vorn ![mixed] hinten");
    opt->Update();
    MixedMark(*opt);
    EXPECT_EQ(opt->Value("Copyright").toString(), "vorn ![mixed] hinten");

    const QString full(100, QChar('x'));
    opt->Edit();
    opt->SetValue("Copyright", full);
    opt->Update();
    try {
        MixedMark(*opt);
        FAIL();
    } catch (const wk::Error& e) {
        EXPECT_EQ(e.number(), wk::err::FieldTooSmall);
    }
    EXPECT_EQ(opt->Value("Copyright").toString(), full);
    EXPECT_EQ(opt->EditMode(), dao::dbEditNone);
}
