// Definitions, stored queries and the SQL dialect the program writes,
// including comparison and LIKE as the original sorted and matched text.
#include "DaoTestSupport.h"

#include <QCollator>

#include <random>

#include <sqlite3.h>

using namespace daotest;

namespace {

class SqlTest : public DaoTest {
protected:
    dao::DatabasePtr db;
    void SetUp() override { db = freshDb(); }
    void items(const QStringList& qs) {
        auto rs = db->OpenRecordset("VOK");
        for (const QString& q : qs) addItem(rs, q);
    }
    QStringList select(const QString& sql, const dao::Params& params = {}) {
        return column(db->OpenRecordset(sql, dao::dbOpenDynaset, params), "Q");
    }
    // Matches in code point order, so that equal keys cannot swap places.
    QStringList matches(const QString& pattern, const QString& sql = "SELECT * FROM VOK WHERE Q LIKE ?") {
        QStringList out = select(sql, {pattern});
        out.sort();
        return out;
    }
    static QStringList sorted(QStringList l) {
        l.sort();
        return l;
    }
    // The order the layer's text comparison must give: the collator's,
    // case ignored.
    static QCollator orderCollator() {
        QCollator collator(QLocale(QLocale::English, QLocale::UnitedStates));
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        return collator;
    }
    // Stores texts and reads them back sorted: each no later than the next.
    void expectStoredInCollatorOrder(const QStringList& texts) {
        items(texts);
        const QStringList sorted = select("SELECT * FROM VOK ORDER BY Q");
        ASSERT_EQ(sorted.size(), texts.size());
        const QCollator collator = orderCollator();
        for (qsizetype i = 1; i < sorted.size(); ++i)
            EXPECT_LE(collator.compare(sorted[i - 1], sorted[i]), 0)
                << sorted[i - 1].toUtf8().toPercentEncoding().toStdString() << " before "
                << sorted[i].toUtf8().toPercentEncoding().toStdString();
    }
};

TEST_F(SqlTest, TableAndFieldDefinitionsReadBackInOrder) {
    auto td = db->CreateTableDef();
    td->SetName("Options");
    for (int i = 1; i <= 3; ++i) {
        auto f = td->CreateField("RT" + QString::number(i), dao::dbText);
        f->SetAllowZeroLength(true);
        td->Append(f);
    }
    auto lang = td->CreateField("LANG", dao::dbInteger);
    lang->SetDefaultValue(1);
    td->Append(lang);
    EXPECT_EQ(errorOf([&] { td->Append(td->CreateField("lang", dao::dbLong)); }), 3191);
    db->Append(td);
    EXPECT_EQ(errorOf([&] { db->Append(db->CreateTableDef("options")); }), 3264);
    auto dup = db->CreateTableDef("OPTIONS");
    dup->Append(dup->CreateField("x", dao::dbLong));
    EXPECT_EQ(errorOf([&] { db->Append(dup); }), 3010);

    auto defs = db->TableDefs();
    ASSERT_EQ(defs.size(), 2u);
    EXPECT_EQ(defs[0]->Name(), "VOK");
    EXPECT_EQ(defs[1]->Name(), "Options");
    auto opt = db->GetTableDef("OPTIONS");
    ASSERT_EQ(opt->FieldCount(), 4);
    EXPECT_EQ(opt->Fields()[0]->Name(), "RT1");
    EXPECT_EQ(opt->Fields()[0]->Size(), dao::DefaultTextSize);
    EXPECT_TRUE(opt->Fields()[0]->AllowZeroLength());
    EXPECT_EQ(opt->Fields()[3]->Type(), dao::dbInteger);
    EXPECT_EQ(opt->Fields()[3]->Size(), 2);
    EXPECT_EQ(opt->Fields()[3]->DefaultValue().toInt(), 1);
    EXPECT_FALSE(opt->Fields()[3]->AllowZeroLength());
    auto vok = db->GetTableDef("vok");
    EXPECT_EQ(vok->GetField("T")->Size(), 50);
    EXPECT_EQ(vok->GetField("Markiert")->Type(), dao::dbBoolean);
    EXPECT_EQ(vok->GetField("Bild")->Type(), dao::dbMemo);
    EXPECT_EQ(errorOf([&] { vok->GetField("nope"); }), 3265);
    EXPECT_EQ(errorOf([&] { db->GetTableDef("nope"); }), 3265);

    // Defaults reach rows added by SQL too.
    db->Execute("INSERT INTO Options (RT1) VALUES ('x')");
    EXPECT_EQ(db->OpenRecordset("Options")->Value("LANG").toInt(), 1);
}

TEST_F(SqlTest, DateDefaultIsOneFixedValue) {
    auto td = db->CreateTableDef("D");
    auto f = td->CreateField("When", dao::dbDate);
    const QDateTime fixed(QDate(2020, 1, 2), QTime(3, 4, 5));
    f->SetDefaultValue(fixed);
    td->Append(f);
    db->Append(td);
    auto rs = db->OpenRecordset("D");
    rs->AddNew();
    rs->Update();
    rs->MoveFirst();
    EXPECT_EQ(rs->Value("When").toDateTime(), fixed);
    EXPECT_EQ(db->GetTableDef("D")->GetField("When")->DefaultValue().toDateTime(), fixed);
}

TEST_F(SqlTest, StoredQueriesOpenByName) {
    items({"b", "a"});
    db->CreateQueryDef("Alles", "SELECT * FROM VOK ORDER BY Q, T");
    db->CreateQueryDef("USER1", "SELECT * FROM VOK WHERE Q=\"b\"");
    EXPECT_EQ(errorOf([&] { db->CreateQueryDef("alles", "SELECT * FROM VOK"); }), 3012);
    EXPECT_NE(errorOf([&] { db->CreateQueryDef("Bad", "SELECT * FROM"); }), 0);
    auto qs = db->QueryDefs();
    ASSERT_EQ(qs.size(), 2u);
    EXPECT_EQ(qs[0]->Name(), "Alles");
    EXPECT_EQ(qs[1]->SQL(), "SELECT * FROM VOK WHERE Q=\"b\"");
    EXPECT_EQ(column(db->OpenRecordset("alles"), "Q"), QStringList({"a", "b"}));
    EXPECT_EQ(column(db->OpenRecordset("USER1"), "Q"), QStringList({"b"}));
    EXPECT_EQ(errorOf([&] { db->OpenRecordset("Nothing"); }), 3078);
    EXPECT_EQ(errorOf([&] { db->OpenRecordset("SELECT * FROM Nothing"); }), 3078);
    EXPECT_EQ(errorOf([&] { db->OpenRecordset("SELECT * FROM Missing"); }), 3078);
}

TEST_F(SqlTest, AlterTableAddsAndDropsColumns) {
    items({"a"});
    db->Execute("ALTER TABLE Vok ADD COLUMN Tip TEXT(240)");
    db->Execute("ALTER TABLE VOK ADD COLUMN Typ INTEGER");
    db->Execute("ALTER TABLE VOK ADD COLUMN Punkte2 LONG");
    db->Execute("ALTER TABLE VOK ADD COLUMN SoundTip MEMO");
    db->Execute("ALTER TABLE VOK ADD COLUMN Seen DATETIME");
    db->Execute("ALTER TABLE VOK ADD COLUMN [Anzahl Versuche] INTEGER");
    EXPECT_NE(errorOf([&] { db->Execute("ALTER TABLE VOK ADD COLUMN tip TEXT(10)"); }), 0);
    auto vok = db->GetTableDef("VOK");
    const auto& f = vok->Fields();
    ASSERT_EQ(f.size(), 15u);
    EXPECT_EQ(f[9]->Name(), "Tip");
    EXPECT_EQ(f[9]->Size(), 240);
    EXPECT_EQ(f[10]->Type(), dao::dbLong);  // INTEGER in SQL is 32-bit
    EXPECT_EQ(f[11]->Type(), dao::dbLong);
    EXPECT_EQ(f[12]->Type(), dao::dbMemo);
    EXPECT_EQ(f[13]->Type(), dao::dbDate);
    EXPECT_EQ(f[14]->Name(), "Anzahl Versuche");

    // Added text columns take the empty text, as the upgrade writes it.
    auto rs = db->OpenRecordset("VOK");
    rs->Edit();
    rs->SetValue("Tip", "");
    rs->SetValue("Typ", 100000);
    rs->SetValue("Anzahl Versuche", 3);
    rs->Update();
    EXPECT_EQ(rs->Value("Typ").toInt(), 100000);

    db->Execute("ALTER TABLE VOK DROP COLUMN [Anzahl Versuche]");
    db->Execute("ALTER TABLE Vok DROP COLUMN a1");
    EXPECT_EQ(errorOf([&] { db->Execute("ALTER TABLE VOK DROP COLUMN A1"); }), 3265);
    vok = db->GetTableDef("VOK");
    EXPECT_FALSE(vok->HasField("A1"));
    EXPECT_FALSE(vok->HasField("Anzahl Versuche"));
    EXPECT_EQ(vok->FieldCount(), 13);
    EXPECT_EQ(vok->Fields()[1]->Name(), "T");
    auto after = db->OpenRecordset("VOK");
    EXPECT_EQ(errorOf([&] { after->Value("A1"); }), 3265);
    EXPECT_EQ(after->Value("Tip").toString(), "");
}

// Several columns dropped at once leave the table as dropping them one by
// one does: the same fields with the same rules, the same rows under the
// same keys; a name the table lacks drops nothing.
TEST_F(SqlTest, DropColumnsAtOnceLeavesWhatDroppingEachLeaves) {
    auto other = ws.CreateDatabase(path("other.wkd"), dao::dbLangGeneral, dao::dbVersion30 | dao::dbEncrypt);
    makeVok(other);
    for (const auto& d : {db, other}) {
        auto rs = d->OpenRecordset("VOK");
        for (const char* q : {"eins", "zwei", "drei", "vier"}) addItem(rs, q, QString(q) + "-a", "Thema");
        rs->SetAbsolutePosition(1);
        rs->Delete();  // a gap in the keys, which both must keep
        rs->MoveFirst();
        rs->Edit();
        rs->SetValue("Punkte", 7);
        rs->SetValue("ZuletztGelerntAm", QDateTime(QDate(2026, 12, 7), QTime(14, 3)));
        rs->Update();
    }
    const QStringList gone{"A1", "markiert", "RA1", "Bild"};
    EXPECT_EQ(errorOf([&] { db->DropColumns("VOK", gone + QStringList{"Missing"}); }), 3265);
    EXPECT_EQ(db->GetTableDef("VOK")->FieldCount(), 9) << "a missing name drops nothing";

    db->DropColumns("vok", gone + QStringList{"Missing"}, true);
    for (const QString& c : gone) other->Execute("ALTER TABLE VOK DROP COLUMN " + c);

    const auto a = db->GetTableDef("VOK")->Fields();
    const auto b = other->GetTableDef("VOK")->Fields();
    ASSERT_EQ(a.size(), 5u);
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
        SCOPED_TRACE(a[i]->Name().toStdString());
        EXPECT_EQ(a[i]->Name(), b[i]->Name());
        EXPECT_EQ(a[i]->Type(), b[i]->Type());
        EXPECT_EQ(a[i]->Size(), b[i]->Size());
        EXPECT_EQ(a[i]->AllowZeroLength(), b[i]->AllowZeroLength());
        EXPECT_EQ(a[i]->DefaultValue(), b[i]->DefaultValue());
    }
    const QString rows = "SELECT rowid AS k, Q, T, Punkte, FQ1, ZuletztGelerntAm FROM VOK ORDER BY rowid";
    for (const char* f : {"k", "Q", "T", "Punkte", "ZuletztGelerntAm"})
        EXPECT_EQ(column(db->OpenRecordset(rows), f), column(other->OpenRecordset(rows), f)) << f;

    // The rules of the kept fields still hold, for SQL as for recordsets,
    // and new rows come after the old ones.
    EXPECT_EQ(errorOf([&] { db->Execute("UPDATE VOK SET T = ?", {QString(51, 'x')}); }), 3163);
    auto rs = db->OpenRecordset("VOK");
    addItem(rs, "fuenf");
    EXPECT_EQ(column(db->OpenRecordset("SELECT T FROM VOK WHERE Q = 'fuenf'"), "T"), QStringList({"Other"}));
    EXPECT_EQ(column(db->OpenRecordset("VOK"), "Q"), QStringList({"eins", "drei", "vier", "fuenf"}));
}

// Where the table cannot simply be built anew (an index on it), the columns
// are dropped one by one and the index stays.
TEST_F(SqlTest, DropColumnsKeepsAnIndexOnTheTable) {
    items({"b", "a"});
    db->Execute("CREATE INDEX ByQ ON VOK (Q)");
    db->DropColumns("VOK", {"A1", "RA1"});
    EXPECT_EQ(db->GetTableDef("VOK")->FieldCount(), 7);
    EXPECT_EQ(column(db->OpenRecordset("SELECT Q FROM VOK WHERE Q = 'a'"), "Q"), QStringList({"a"}));
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open_v2(path("test.wkd").toUtf8().constData(), &raw, SQLITE_OPEN_READONLY, nullptr),
              SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(raw, "SELECT count(*) FROM sqlite_schema WHERE type = 'index' AND name = 'ByQ'", -1,
                       &st, nullptr);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(st, 0), 1);
    sqlite3_finalize(st);
    sqlite3_close(raw);
}

TEST_F(SqlTest, DropColumnWorksWhileStoredQueriesExist) {
    db->CreateQueryDef("Alles", "SELECT * FROM VOK ORDER BY Q, T");
    db->Execute("ALTER TABLE VOK DROP COLUMN Punkte");
    EXPECT_EQ(db->OpenRecordset("Alles")->FieldCount(), 8);
}

TEST_F(SqlTest, FailingStatementChangesNothing) {
    items({"a", "b"});
    db->Execute("UPDATE VOK SET RA1 = 1");
    EXPECT_EQ(db->RecordsAffected(), 2);
    // Fails on a value of the second row: the first keeps its value too.
    auto td = db->CreateTableDef("U");
    auto k = td->CreateField("K", dao::dbLong);
    k->SetRequired(true);
    td->Append(k);
    db->Append(td);
    db->Execute("INSERT INTO U (K) VALUES (1)");
    EXPECT_NE(errorOf([&] { db->Execute("INSERT INTO U (K) SELECT CASE WHEN Q = 'a' THEN 5 END FROM VOK"); }),
              0);
    EXPECT_EQ(db->OpenRecordset("U")->RecordCount(), 1);
    EXPECT_EQ(errorOf([&] { db->Execute("UPDATE VOK SET T = ?", {QString(51, 'x')}); }), 3163);
    EXPECT_EQ(db->OpenRecordset("SELECT * FROM VOK WHERE T = 'Other'")->RecordCount(), 2);
    auto s = db->CreateTableDef("S");
    auto sq = s->CreateField("Q", dao::dbText, 5);
    sq->SetRequired(true);
    s->Append(sq);
    db->Append(s);
    EXPECT_EQ(errorOf([&] { db->Execute("INSERT INTO S (Q) VALUES ('')"); }), 3315);
    EXPECT_EQ(errorOf([&] { db->Execute("INSERT INTO S (Q) VALUES (NULL)"); }), 3314);
    db->Execute("INSERT INTO S (Q) VALUES ('12345')");
    EXPECT_EQ(errorOf([&] { db->Execute("UPDATE Nope SET x = 1"); }), 3078);
    EXPECT_EQ(errorOf([&] { db->Execute("UPDATE VOK SET Nope = 1"); }), 3061);
    EXPECT_EQ(errorOf([&] { db->Execute("SELECT * FROM VOK"); }), 3065);
    EXPECT_EQ(errorOf([&] { db->Execute("DELETE FROM VOK; DROP TABLE U"); }), 3142);
    EXPECT_EQ(db->OpenRecordset("VOK")->RecordCount(), 2);
    EXPECT_EQ(errorOf([&] { db->Execute(""); }), 3129);
    db->Execute("UPDATE VOK SET RA1 = 2;");
    EXPECT_EQ(db->RecordsAffected(), 2);
    EXPECT_EQ(errorOf([&] { db->Execute("UPDATE VOK SET Q = ? WHERE T = ?", {"x"}); }), 3061);
}

TEST_F(SqlTest, DialectLiteralsAndParameters) {
    items({"it's", "say \"hi\"", "plain"});
    EXPECT_EQ(select("SELECT * FROM VOK WHERE Q = \"it's\""), QStringList({"it's"}));
    EXPECT_EQ(select("SELECT * FROM VOK WHERE Q = 'say \"hi\"'"), QStringList({"say \"hi\""}));
    EXPECT_EQ(select("SELECT * FROM VOK WHERE [Q] = ?", {"it's"}), QStringList({"it's"}));
    // Bound user text is never read as SQL.
    EXPECT_EQ(select("SELECT * FROM VOK WHERE Q = ?", {"' OR 1=1 --"}), QStringList());
    EXPECT_EQ(select("SELECT * FROM VOK WHERE Markiert = False AND Q = 'plain'"), QStringList({"plain"}));
    db->Execute("UPDATE VOK SET Markiert = True WHERE Q = ?", {"plain"});
    EXPECT_EQ(select("SELECT * FROM VOK WHERE Markiert = True"), QStringList({"plain"}));
    EXPECT_EQ(select("select top 1 * from vok order by q desc"), QStringList({"say \"hi\""}));
    auto qualified = db->OpenRecordset("SELECT VOK.* FROM VOK WHERE VOK.Q = 'plain'");
    qualified->Edit();  // still an updatable dynaset
    qualified->SetValue("A1", "x");
    qualified->Update();
    EXPECT_EQ(qualified->FieldCount(), 9);
}

TEST_F(SqlTest, TextComparesWithoutCaseButWithAccents) {
    items({QString::fromUtf8("äpfel"), "Apfel", "Birne", "apfel", "zebra", QString::fromUtf8("Äpfel")});
    EXPECT_EQ(select("SELECT * FROM VOK WHERE Q = ?", {QString::fromUtf8("ÄPFEL")}).size(), 2);
    EXPECT_EQ(select("SELECT * FROM VOK WHERE Q = 'APFEL'"), QStringList({"Apfel", "apfel"}));
    EXPECT_TRUE(select("SELECT * FROM VOK WHERE Q = ?", {QString::fromUtf8("Äpfel")})
                    .filter("Apfel", Qt::CaseSensitive)
                    .isEmpty());
    const QStringList sorted = select("SELECT * FROM VOK ORDER BY Q");
    ASSERT_EQ(sorted.size(), 6);
    // "ä" sorts beside "a": all four apple spellings come before Birne.
    EXPECT_EQ(sorted[4], "Birne");
    EXPECT_EQ(sorted[5], "zebra");
    EXPECT_EQ(select("SELECT * FROM VOK WHERE Q < 'b' ORDER BY Q").size(), 4);
}

TEST_F(SqlTest, LikeTakesTheOriginalWildcards) {
    items({"Haus", "haus", "Maus", "Hausboot", "H1", "H12", "Hx", QString::fromUtf8("Häuser"), "a*b", "50%"});
    EXPECT_EQ(matches("H*"),
              sorted({"H1", "H12", "Haus", "haus", "Hausboot", QString::fromUtf8("Häuser"), "Hx"}));
    EXPECT_EQ(matches("?aus"), sorted({"Haus", "haus", "Maus"}));
    EXPECT_EQ(matches("H#"), QStringList({"H1"}));
    EXPECT_EQ(matches("H##"), QStringList({"H12"}));
    EXPECT_EQ(matches("[HM]aus"), sorted({"Haus", "haus", "Maus"}));
    EXPECT_EQ(matches("[!H]aus"), QStringList({"Maus"}));
    EXPECT_EQ(matches("[a-l]aus"), sorted({"Haus", "haus"}));
    EXPECT_EQ(matches("a[*]b"), QStringList({"a*b"}));
    EXPECT_EQ(matches("50%"), QStringList({"50%"}));  // % is no wildcard here
    EXPECT_EQ(matches("HAUS"), sorted({"Haus", "haus"}));
    EXPECT_EQ(matches("Hau*"), sorted({"Haus", "haus", "Hausboot"}));  // accents count
    EXPECT_EQ(matches("*a*", "SELECT * FROM VOK WHERE Q NOT LIKE ?"),
              sorted({"50%", "H1", "H12", QString::fromUtf8("Häuser"), "Hx"}));
    EXPECT_EQ(select("SELECT * FROM VOK WHERE T LIKE 'Oth*' AND Q LIKE 'M*'"), QStringList({"Maus"}));
}

TEST_F(SqlTest, NamesThatSqliteReservesStillWork) {
    db->Execute("CREATE TABLE Action (Key TEXT(10), [Order] INTEGER, Nothing LONG)");
    db->Execute("INSERT INTO Action (Key, [Order], Nothing) VALUES ('k', 1, 2)");
    auto rs = db->OpenRecordset("SELECT Key, Nothing FROM Action WHERE Key = 'k' ORDER BY Nothing");
    ASSERT_EQ(rs->RecordCount(), 1);
    EXPECT_EQ(rs->Value("Nothing").toInt(), 2);
    db->Execute("ALTER TABLE Action DROP COLUMN Nothing");
    EXPECT_EQ(db->GetTableDef("Action")->FieldCount(), 2);
}

TEST_F(SqlTest, CreateAndDropTableBySql) {
    db->Execute("CREATE TABLE Extra (Name TEXT(20) NOT NULL, N INTEGER, [With Blank] MEMO)");
    auto td = db->GetTableDef("extra");
    ASSERT_EQ(td->FieldCount(), 3);
    EXPECT_EQ(td->Fields()[0]->Size(), 20);
    EXPECT_TRUE(td->Fields()[0]->Required());
    EXPECT_EQ(td->Fields()[1]->Type(), dao::dbLong);
    db->Execute("DROP TABLE Extra");
    EXPECT_FALSE(db->HasTable("Extra"));
    EXPECT_EQ(errorOf([&] { db->Execute("DROP TABLE Extra"); }), 3376);
}

}  // namespace

// The order of the case-insensitive collation is the collator's own, for
// plain ASCII texts (punctuation, digits, blanks, either case) as for
// accented ones, and for the two mixed.
TEST_F(SqlTest, CollationOrderIsTheCollatorsForEveryKindOfText) {
    QStringList texts{"Haus",  "haus",  "HAUS", "Hausboot", "Haus boot", "Haus-boot", "Haus_boot",
                      "Haus.", "H1",    "H12",  "H2",       "h10",       "a",         "A",
                      "",      " ",     "  a",  "!",        "#1",        "a-b",       "ab",
                      "a b",   "co-op", "coop", "Co op",    "zebra",     "Zebra!",    "~",
                      "{x}",   "a@b",   "50%",  "5",        "x'y"};
    texts << QString::fromUtf8("Häuser") << QString::fromUtf8("häuser") << QString::fromUtf8("Äpfel")
          << QString::fromUtf8("apfel") << QString::fromUtf8("Apfel ä") << QString::fromUtf8("Öl")
          << QString::fromUtf8("ol") << QString::fromUtf8("Straße") << QString::fromUtf8("Strasse")
          << QString::fromUtf8("é") << QString::fromUtf8("e") << QString::fromUtf8("E");
    expectStoredInCollatorOrder(texts);
    const QCollator collator = orderCollator();
    // Equal without regard to case, different with regard to accents.
    for (const QString& t : texts) {
        const QStringList same = select("SELECT * FROM VOK WHERE Q = ?", {t});
        for (const QString& u : texts)
            EXPECT_EQ(same.contains(u), collator.compare(t, u) == 0)
                << t.toStdString() << " = " << u.toStdString();
    }
}

// Long texts that share a start of 16 characters and more, differing in
// case, digits or punctuation at every place, some with an accent or a
// control character before or after the first difference: the order and
// the equality are still the collator's.
TEST_F(SqlTest, LongTextsWithACommonStartSortAsTheCollatorSays) {
    std::mt19937 random(7);
    auto pick = [&](int n) { return int(random() % unsigned(n)); };
    const QString printable = QStringLiteral(" !#(),-.0123456789:?ABCXYZ_abcxyz~");
    const QStringList starts{"", "Frage 12 mit etw", "Frage 12 mit etwa", "frage 12 mit etwas Text und ",
                             "FRAGE 12 MIT ETWAS TEXT UND MEHR"};
    const QStringList odd{QString::fromUtf8("ä"), QString::fromUtf8("é"), QString(QChar(1)), "\t"};
    QStringList texts;
    for (int i = 0; i < 240; ++i) {
        QString t = starts[pick(int(starts.size()))];
        const int extra = pick(24);
        for (int k = 0; k < extra; ++k) t += printable[pick(int(printable.size()))];
        if (pick(6) == 0) t.insert(pick(int(t.size()) + 1), odd[pick(int(odd.size()))]);
        texts << t;
    }
    expectStoredInCollatorOrder(texts);
    const QCollator collator = orderCollator();
    for (qsizetype i = 0; i < texts.size(); i += 6) {
        const QStringList same = select("SELECT * FROM VOK WHERE Q = ?", {texts[i]});
        EXPECT_EQ(same.size(),
                  std::count_if(texts.begin(), texts.end(),
                                [&](const QString& u) { return collator.compare(texts[i], u) == 0; }))
            << texts[i].toStdString();
    }
}

// Control characters in a text (a tab pasted with a word, a stray
// character from an old file) weigh what the collator gives them: they
// must not make a text sort before one it follows.
TEST_F(SqlTest, ControlCharactersSortAsTheCollatorWeighsThem) {
    const QStringList texts{QString("a") + QChar(1) + "z", "aa",  "az",  QString("a\tz"),
                            QString("a") + QChar(0x1f),    "a",   "ab",  QString("\x01"),
                            QString("a") + QChar(0x7f),    "a z", "A Z", QString("a\nb")};
    expectStoredInCollatorOrder(texts);
    const QCollator collator = orderCollator();
    EXPECT_EQ(select("SELECT * FROM VOK WHERE Q < 'aa'").size(),
              std::count_if(texts.begin(), texts.end(),
                            [&](const QString& t) { return collator.compare(t, "aa") < 0; }));
}
