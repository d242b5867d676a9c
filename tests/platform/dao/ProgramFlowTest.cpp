// The ways the program drives the layer end to end: building a user file,
// reopening a file again and again during an upgrade, read-only use.
#include "DaoTestSupport.h"

using namespace daotest;

namespace {

class ProgramFlowTest : public DaoTest {};

TEST_F(ProgramFlowTest, UserFileIsBuiltClosedAndReopenedWithItsPassword) {
    const QString file = path("USER.MDB");
    const QString pwd = "abc123xyz";
    auto db = dao::DBEngine::CreateDatabase(file, dao::dbLangGeneral, dao::dbVersion30 | dao::dbEncrypt);
    auto td = db->CreateTableDef("Benutzer");
    td->Append(td->CreateField("ID", dao::dbInteger));
    auto name = td->CreateField("Name", dao::dbText, 20);
    name->SetAllowZeroLength(true);
    td->Append(name);
    auto last = td->CreateField("LastDB", dao::dbText);
    last->SetAllowZeroLength(true);
    td->Append(last);
    auto lang = td->CreateField("LANG", dao::dbInteger);
    lang->SetDefaultValue(1);
    td->Append(lang);
    db->Append(td);
    auto opt = db->CreateTableDef("Options");
    auto lastUser = opt->CreateField("LastUser", dao::dbInteger);
    lastUser->SetDefaultValue(0);
    opt->Append(lastUser);
    db->Append(opt);
    for (int n = 1; n <= 5; ++n)
        db->CreateQueryDef("USER" + QString::number(n),
                           "SELECT * FROM Benutzer WHERE ID=" + QString::number(n));
    db->CreateQueryDef("Optionen", "SELECT * FROM Options");
    db->NewPassword("", pwd);
    db->Close();

    db = dao::DBEngine::OpenDatabase(file, false, false, ";pwd=" + pwd);
    auto options = db->OpenRecordset("Optionen", dao::dbOpenDynaset);
    options->AddNew();
    options->Update();
    options->SetAbsolutePosition(0);
    EXPECT_EQ(options->Value("LastUser").toInt(), 0);
    auto users = db->OpenRecordset("SELECT * FROM Benutzer ORDER BY ID", dao::dbOpenDynaset);
    for (int n = 1; n <= 5; ++n) {
        users->AddNew();
        users->SetValue("ID", n);
        users->SetValue("Name", "");
        users->Update();
    }
    users->SetAbsolutePosition(2);
    EXPECT_EQ(users->Value("ID").toInt(), 3);
    EXPECT_EQ(users->Value("LANG").toInt(), 1);
    EXPECT_FALSE(users->Value("LastDB").isValid());
    users->Edit();
    users->SetValue("LastDB", QString(200, 'p'));  // a long path fits
    users->Update();
    // The version probe of an old layout: a missing field is 3265.
    EXPECT_EQ(errorOf([&] { options->Value("MaxStart"); }), 3265);
    auto one = db->OpenRecordset("USER3");
    EXPECT_EQ(one->RecordCount(), 1);
    EXPECT_EQ(one->Value("LastDB").toString().size(), 200);
    db->Close();
    EXPECT_EQ(errorOf([&] { dao::DBEngine::OpenDatabase(file, false, false, ";pwd=wrongpassword"); }), 3031);
}

TEST_F(ProgramFlowTest, NestedReopeningsCanChangeTheSchema) {
    auto outer = freshDb();
    auto data = outer->OpenRecordset("SELECT * FROM VOK ORDER BY Q");
    addItem(data, "a");
    data->Close();
    // An upgrade step opens the same file again while the outer handle lives.
    auto inner = ws.OpenDatabase(outer->Name());
    inner->Execute("ALTER TABLE VOK ADD COLUMN Kategorie TEXT(50)");
    inner->Execute("UPDATE VOK SET Kategorie = ''");
    auto deeper = ws.OpenDatabase(outer->Name());
    deeper->Execute("ALTER TABLE VOK DROP COLUMN A1");
    outer.reset();
    inner.reset();
    auto rs = deeper->OpenRecordset("VOK");
    EXPECT_EQ(rs->Value("Kategorie").toString(), "");
    EXPECT_EQ(rs->FieldIndex("A1"), -1);
    EXPECT_EQ(deeper->GetTableDef("VOK")->Fields().back()->Name(), "Kategorie");
}

TEST_F(ProgramFlowTest, ReadOnlyDatabaseRefusesChanges) {
    {
        auto db = freshDb("ro.wkd");
        addItem(db->OpenRecordset("VOK"), "a");
        db->Close();
    }
    auto db = ws.OpenDatabase(path("ro.wkd"), false, true);
    auto rs = db->OpenRecordset("VOK");
    EXPECT_EQ(rs->Value("Q").toString(), "a");
    EXPECT_EQ(errorOf([&] { rs->Edit(); }), 3027);
    EXPECT_EQ(errorOf([&] { db->Execute("UPDATE VOK SET Q = 'b'"); }), 3027);
    EXPECT_EQ(errorOf([&] { db->NewPassword("", "x"); }), 3027);
    EXPECT_EQ(db->OpenRecordset("VOK")->Value("Q").toString(), "a");
}

}  // namespace
