// USER.MDB: a new file with its five slots and options row, opening with the
// version probe, and the replacement of a file of an older layout.

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "platform/Error.h"
#include "startup/modUserDB.h"
#include "support/StaleJournal.h"
#include "vocabdb/LayoutCompare.h"
#include "vocabdb/VokSchema.h"

namespace {

class UserDBTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path;
    modUserDB::UserDB u;

    void SetUp() override { path = dir.filePath("USER.MDB"); }
    void TearDown() override { modUserDB::Close(u); }

    // A user database built from edited field lists, as older versions of
    // the program left it.
    void makeOld(const QStringList& dropBenutzer, const QStringList& dropOptions) {
        auto b = modUserDB::BenutzerFields();
        auto o = modUserDB::OptionsFields();
        vocabdb::RemoveFields(b, dropBenutzer);
        vocabdb::RemoveFields(o, dropOptions);
        auto db = dao::DBEngine::CreateDatabase(path, dao::dbLangGeneral, 34);
        vocabdb::AppendTable(db, "Benutzer", b);
        vocabdb::AppendTable(db, "Options", o);
        vocabdb::CreateQueries(db, modUserDB::UserQueries());
        db->Execute("INSERT INTO Options (LastUser) VALUES (2)");
        db->Execute("INSERT INTO Benutzer (ID, Name, AnzFr, AnzR, AnzF) VALUES (1, 'Anna', 10, 7, 3)");
        db->Execute("INSERT INTO Benutzer (ID, Name, AnzFr, AnzR, AnzF) VALUES (2, 'Ben', 0, 0, 0)");
        db->NewPassword("", modUserDB::UserDBPasswort);
        db->Close();
    }

    int optionsInt(const char* f) { return u.rsUserOptionen->Value(f).toInt(); }
};

}  // namespace

TEST_F(UserDBTest, NewFileHasFiveEmptySlotsAndTheOptionsRow) {
    u = modUserDB::OpenOrCreateUserDB(path);
    ASSERT_TRUE(QFile::exists(path));
    EXPECT_FALSE(QFile::exists(path + ".new"));

    ASSERT_EQ(u.rsBenutzer->RecordCount(), 5);
    EXPECT_EQ(u.rsBenutzer->FieldCount(), 45);
    for (int n = 1; n <= 5; ++n) {
        SCOPED_TRACE(n);
        u.rsBenutzer->SetAbsolutePosition(n - 1);
        EXPECT_EQ(u.rsBenutzer->Value("ID").toInt(), n);
        EXPECT_FALSE(u.rsBenutzer->Value("Name").isNull());
        EXPECT_EQ(u.rsBenutzer->Value("Name").toString(), "");
        for (const char* f : {"AnzFr", "AnzR", "AnzF"}) {
            EXPECT_FALSE(u.rsBenutzer->Value(f).isNull()) << f;
            EXPECT_EQ(u.rsBenutzer->Value(f).toInt(), 0) << f;
        }
        EXPECT_EQ(u.rsBenutzer->Value("LANG").toInt(), 1);
        EXPECT_EQ(u.rsBenutzer->Value("LastWidth").toInt(), 0);
        EXPECT_EQ(u.rsBenutzer->Value("RI15").toInt(), 0);
        EXPECT_EQ(u.rsBenutzer->Value("R5").toInt(), 0);
        for (const char* f : {"LastDB", "R1A", "R1B", "RT1", "RT15"})
            EXPECT_TRUE(u.rsBenutzer->Value(f).isNull()) << f;
    }

    ASSERT_EQ(u.rsUserOptionen->RecordCount(), 1);
    EXPECT_EQ(u.rsUserOptionen->AbsolutePosition(), 0);
    EXPECT_EQ(u.rsUserOptionen->FieldCount(), 39);
    EXPECT_EQ(optionsInt("LastUser"), 0);
    EXPECT_EQ(optionsInt("PlayRight"), 1);
    EXPECT_EQ(optionsInt("PlayWrong"), 1);
    EXPECT_EQ(optionsInt("RegFileType"), 1);
    EXPECT_EQ(optionsInt("ListIcon"), 1);
    EXPECT_EQ(optionsInt("MaxStart"), 0);
    EXPECT_EQ(optionsInt("HighlightActiveRow"), 0);
    EXPECT_EQ(optionsInt("IndikatorRand"), 1);
    EXPECT_EQ(optionsInt("Gridlines"), 0);
    EXPECT_EQ(optionsInt("RI1"), 0);
    EXPECT_TRUE(u.rsUserOptionen->Value("RT7").isNull());
}

TEST_F(UserDBTest, NewFileHasItsLayoutAndQueries) {
    u = modUserDB::CreateUserDB(path);
    vocabtest::expectLayout(u.dbUser, "Benutzer", modUserDB::BenutzerFields());
    vocabtest::expectLayout(u.dbUser, "Options", modUserDB::OptionsFields());
    const auto b = vocabdb::ReadTableLayout(u.dbUser, "Benutzer");
    EXPECT_EQ(b[1].name, "Name");
    EXPECT_EQ(b[1].size, 20);
    EXPECT_TRUE(b[1].allowZeroLength);
    EXPECT_EQ(b[0].type, dao::dbInteger);
    EXPECT_EQ(b[2].type, dao::dbLong);
    EXPECT_EQ(b[44].name, "R5");

    for (int n = 1; n <= 5; ++n) {
        const auto q = u.dbUser->GetQueryDef(QString("USER%1").arg(n));
        EXPECT_EQ(q->SQL(), QString("SELECT * FROM Benutzer WHERE ID=%1").arg(n));
    }
    EXPECT_EQ(u.dbUser->GetQueryDef("Optionen")->SQL(), "SELECT * FROM Options");
    EXPECT_EQ(u.dbUser->GetQueryDef("AlleBenutzer")->SQL(), "SELECT * FROM Benutzer");
    auto user3 = u.dbUser->OpenRecordset("USER3");
    ASSERT_EQ(user3->RecordCount(), 1);
    EXPECT_EQ(user3->Value("ID").toInt(), 3);
}

TEST_F(UserDBTest, RefusesToOpenWithoutItsPassword) {
    u = modUserDB::CreateUserDB(path);
    modUserDB::Close(u);
    for (const QString& connect : {QString(), ";pwd=" + vocabdb::VokDBPasswort, QString(";pwd=u8n3xq7r")}) {
        try {
            dao::DBEngine::OpenDatabase(path, false, false, connect);
            ADD_FAILURE() << "opened with '" << connect.toStdString() << "'";
        } catch (const wk::Error& e) {
            EXPECT_EQ(e.number(), wk::err::NotValidPassword);
        }
    }
    EXPECT_THROW(modUserDB::OpenUserDB(path, "falsch"), wk::Error);
}

TEST_F(UserDBTest, ExistingCurrentFileIsOpenedAndKept) {
    u = modUserDB::CreateUserDB(path);
    u.rsBenutzer->SetAbsolutePosition(1);
    u.rsBenutzer->Edit();
    u.rsBenutzer->SetValue("Name", "Anna");
    u.rsBenutzer->Update();
    u.rsUserOptionen->Edit();
    u.rsUserOptionen->SetValue("LastUser", 2);
    u.rsUserOptionen->Update();
    modUserDB::Close(u);

    u = modUserDB::OpenOrCreateUserDB(path);
    u.rsBenutzer->SetAbsolutePosition(1);
    EXPECT_EQ(u.rsBenutzer->Value("Name").toString(), "Anna");
    EXPECT_EQ(optionsInt("LastUser"), 2);
    modUserDB::Close(u);
    EXPECT_THROW(modUserDB::CreateUserDB(path), wk::Error);
}

TEST_F(UserDBTest, FileLackingACurrentFieldIsReplaced) {
    for (const auto& [benutzer, options] : {std::pair<QStringList, QStringList>{{}, {"MaxStart"}},
                                            std::pair<QStringList, QStringList>{{"LastWidth"}, {}}}) {
        SCOPED_TRACE((benutzer + options).join(",").toStdString());
        makeOld(benutzer, options);
        {
            modUserDB::UserDB old = modUserDB::OpenUserDB(path);
            try {
                modUserDB::ProbeUserDB(old);
                ADD_FAILURE() << "probe passed";
            } catch (const wk::Error& e) {
                EXPECT_EQ(e.number(), wk::err::ItemNotFound);
            }
            modUserDB::Close(old);
        }
        u = modUserDB::OpenOrCreateUserDB(path);
        EXPECT_NO_THROW(modUserDB::ProbeUserDB(u));
        EXPECT_EQ(u.rsBenutzer->RecordCount(), 5);
        EXPECT_EQ(u.rsBenutzer->Value("Name").toString(), "");  // Anna is gone
        EXPECT_EQ(optionsInt("LastUser"), 0);
        EXPECT_EQ(u.rsUserOptionen->FieldCount(), 39);
        EXPECT_FALSE(QFile::exists(path + ".new"));
        modUserDB::Close(u);
        QFile::remove(path);
    }
}

TEST_F(UserDBTest, NullInTheProbeIsReportedAndTheFileKept) {
    makeOld({}, {});
    {
        auto db = dao::DBEngine::OpenDatabase(path, false, false, ";pwd=" + modUserDB::UserDBPasswort);
        db->Execute("UPDATE Options SET MaxStart = Null");
        db->Close();
    }
    try {
        u = modUserDB::OpenOrCreateUserDB(path);
        ADD_FAILURE() << "opened";
    } catch (const wk::Error& e) {
        EXPECT_EQ(e.number(), 94);
    }
    // Not replaced: Anna is still there.
    u = modUserDB::OpenUserDB(path);
    EXPECT_EQ(u.rsBenutzer->Value("Name").toString(), "Anna");
}

TEST_F(UserDBTest, DamagedFileIsNeitherOpenedNorReplaced) {
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, 'x'));
    }
    EXPECT_THROW(modUserDB::OpenOrCreateUserDB(path), wk::Error);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray(4096, 'x'));
}

// A user database made where a killed writer left its journal: the old
// frames never reach the new file.
TEST_F(UserDBTest, NewFileBesideAStaleJournalOpensWhole) {
    ASSERT_TRUE(wktest::LeaveStaleJournal(path));
    u = modUserDB::CreateUserDB(path);
    u.rsBenutzer->MoveLast();
    EXPECT_EQ(u.rsBenutzer->Value("ID").toInt(), 5);
    modUserDB::Close(u);
    auto db = dao::DBEngine::OpenDatabase(path, false, false, ";pwd=" + modUserDB::UserDBPasswort);
    EXPECT_FALSE(db->HasTable("scratch"));
    EXPECT_EQ(db->OpenRecordset("SELECT * FROM Benutzer")->RecordCount(), 5);
    db->Close();
    EXPECT_FALSE(QFile::exists(path + "-wal"));
}
