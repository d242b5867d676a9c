// Steps whose data move fails: the step fails whole, the file keeps every
// byte of what it held, and the driver reports it as it reports any step.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include "UpgradeHarness.h"
#include "support/FileSizeLimit.h"
#include "upgrade/Steps.h"

using namespace upgradetest;
using upgrade::UpgradeResult;

namespace {

// What another program could have left in a file: SQL run on it directly,
// past the layer's own checks.
void RunRaw(const QString& path, const char* sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
    char* err = nullptr;
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, &err);
    EXPECT_EQ(rc, SQLITE_OK) << (err ? err : "");
    sqlite3_free(err);
    sqlite3_close(db);
}

void ExpectFailedAndUnchanged(const QString& path, const QString& before) {
    Opening o;
    EXPECT_FALSE(o.VokDBOeffnen(path));
    EXPECT_EQ(o.results, std::vector<UpgradeResult>{UpgradeResult::Failed});
    ASSERT_EQ(o.errors.size(), 1u);
    EXPECT_EQ(o.errors[0].location, "Ui37G");
    EXPECT_FALSE(o.dbVok);
    EXPECT_EQ(Snapshot(path), before);
}

}  // namespace

TEST(StepErrors, Kind0AnswerThatCannotBeCopiedFailsTheStepAndKeepsTheFile) {
    Files files;
    const QString path = files.Make(0, "3.2");
    {
        auto db = dao::DBEngine::OpenDatabase(path, false, false, QStringLiteral(";pwd=") + Password());
        db->Execute(QStringLiteral("INSERT INTO VOK (Q, A, T) VALUES ('Baum', 'tree', 'Natur')"));
        db->Close();
    }
    {
        auto db = dao::DBEngine::OpenDatabase(path, false, false, QStringLiteral(";pwd=") + Password());
        db->Execute(QStringLiteral("INSERT INTO VOK (Q, A, T) VALUES ('Haus', 'unkopierbar', 'Natur')"));
        db->Close();
    }
    // A rule another program put into the file refuses this answer in A1.
    RunRaw(path,
           "CREATE TRIGGER refuse BEFORE UPDATE OF A1 ON VOK WHEN NEW.A1 = 'unkopierbar' "
           "BEGIN SELECT RAISE(ABORT, 'refused'); END;");
    const QString before = Snapshot(path);
    ASSERT_TRUE(before.contains("unkopierbar"));
    ExpectFailedAndUnchanged(path, before);
}

TEST(StepErrors, Kind2AnswerColumnsSkipOnlyColumnsThatExist) {
    Files files;
    auto layout = upgrade::OldDatabaseLayout(2, "2.1");
    vocabdb::RemoveFields(layout.vok, {"A9", "RA9"});
    layout.optionsRow << QPair<QString, QVariant>{"MCAA", 4} << QPair<QString, QVariant>{"InnerType", 1};
    const QString path = files.Make(layout);
    {
        auto db = dao::DBEngine::OpenDatabase(path, false, false, QStringLiteral(";pwd=") + Password());
        db->Execute(QStringLiteral("INSERT INTO VOK (Q, T) VALUES ('Baum', 'Natur')"));
        db->Close();
    }
    // Adding A9 fails, and not because the column exists.
    RunRaw(path,
           "CREATE TRIGGER noA9 BEFORE INSERT ON wk_fields WHEN NEW.name = 'A9' "
           "BEGIN SELECT RAISE(ABORT, 'disk trouble'); END;");
    ExpectFailedAndUnchanged(path, Snapshot(path));

    // With room for them, A1 to A8 exist and are skipped, A9 and RA9 come in.
    auto roomy = upgrade::OldDatabaseLayout(2, "2.1");
    vocabdb::RemoveFields(roomy.vok, {"A9", "RA9"});
    roomy.optionsRow << QPair<QString, QVariant>{"MCAA", 4} << QPair<QString, QVariant>{"InnerType", 1};
    const QString fine = files.Make(roomy);
    {
        auto db = dao::DBEngine::OpenDatabase(fine, false, false, QStringLiteral(";pwd=") + Password());
        db->Execute(QStringLiteral("INSERT INTO VOK (Q, T) VALUES ('Baum', 'Natur')"));
        db->Close();
    }
    Opening o;
    ASSERT_TRUE(o.VokDBOeffnen(fine));
    o.Close();
    auto db = dao::DBEngine::OpenDatabase(fine, false, false, QStringLiteral(";pwd=") + Password());
    EXPECT_NO_THROW(db->GetTableDef("VOK")->GetField("A9"));
    db->Close();
}

namespace {

// Only the step from 2.2 on the file: the nested opening is left out.
void RunStepFrom22(const QString& path, Opening& o) {
    o.dbVok = dao::DBEngine::OpenDatabase(path, false, false, QStringLiteral(";pwd=") + Password());
    upgrade::UpgradeHost host;
    host.path = path;
    host.password = Password();
    host.dbType = 2;
    host.maxUsers = 5;
    host.db = &o.dbVok;
    host.rsOptions = &o.rsOptions;
    host.data = &o.data;
    host.reopen = [](const QString&) { return true; };
    host.showError = [&](int n, const QString& d, const QString& l) { o.errors.push_back({n, d, l}); };
    EXPECT_EQ(upgrade::RunStep(host, upgrade::Step::From22, upgrade::StepFor(upgrade::Step::From22)),
              UpgradeResult::Upgraded);
    EXPECT_TRUE(o.errors.empty());
    o.Close();
}

}  // namespace

// A row that takes every value is written once, not once per value: forty
// writes a row made a large file take minutes.
TEST(StepErrors, From22WritesARowThatTakesEveryValueOnce) {
    Files files;
    const QString path = files.Make(2, "2.2");
    {
        auto db = dao::DBEngine::OpenDatabase(path, false, false, QStringLiteral(";pwd=") + Password());
        for (const char* q : {"Baum", "Haus", "Maus"})
            db->Execute(QStringLiteral("INSERT INTO VOK (Q, A1, T) VALUES ('%1', 'x', NULL)").arg(q));
        db->Close();
    }
    RunRaw(path,
           "CREATE TABLE writes (n INTEGER); INSERT INTO writes VALUES (0);"
           "CREATE TRIGGER countWrites AFTER UPDATE ON VOK BEGIN UPDATE writes SET n = n + 1; END;");
    Opening o;
    RunStepFrom22(path, o);

    auto db = dao::DBEngine::OpenDatabase(path, false, false, QStringLiteral(";pwd=") + Password());
    auto rs = db->OpenRecordset(QStringLiteral("SELECT * FROM VOK"));
    for (long p = 0; p < 3; ++p) {
        rs->SetAbsolutePosition(p);
        EXPECT_EQ(rs->Value("A1").toString(), "x");
        EXPECT_EQ(rs->Value("A9").toString(), "");
        EXPECT_EQ(rs->Value("T").toString(), "-");
        EXPECT_EQ(rs->Value("Known56").toInt(), 0);
        EXPECT_TRUE(rs->Value("Known56").isValid());
    }
    db->Close();
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &raw), SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(raw, "SELECT n FROM writes", -1, &st, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(st, 0), 3);
    sqlite3_finalize(st);
    sqlite3_close(raw);
}

TEST(StepErrors, From22EachWriteOfTheRowPassStandsAlone) {
    Files files;
    const QString path = files.Make(2, "2.2");
    {
        auto db = dao::DBEngine::OpenDatabase(path, false, false, QStringLiteral(";pwd=") + Password());
        db->Execute(QStringLiteral("INSERT INTO VOK (Q, A1) VALUES ('Baum', 'tree')"));
        db->Close();
    }
    // The third answer of this file cannot be changed.
    RunRaw(path,
           "CREATE TRIGGER keepA3 BEFORE UPDATE OF A3 ON VOK "
           "BEGIN SELECT RAISE(ABORT, 'A3 is kept'); END;");

    Opening o;
    RunStepFrom22(path, o);

    // The refused answer costs only itself: the theme and the history of
    // the same row are written.
    auto db = dao::DBEngine::OpenDatabase(path, false, false, QStringLiteral(";pwd=") + Password());
    auto rs = db->OpenRecordset(QStringLiteral("SELECT * FROM VOK"));
    EXPECT_FALSE(rs->Value("A3").isValid());
    EXPECT_EQ(rs->Value("A2").toString(), "");
    EXPECT_EQ(rs->Value("A1").toString(), "tree");
    EXPECT_EQ(rs->Value("T").toString(), "-");
    EXPECT_EQ(rs->Value("Known11").toInt(), 0);
    EXPECT_TRUE(rs->Value("Known56").isValid());
    db->Close();
}

// The disk fills up while a step converts the items (each item's own error
// is passed over, as the step does): in every kind the step stops and fails
// with the full disk, not with what a later write meets after SQLite took
// the whole step back, and the file keeps what it held. The items are more
// than SQLite's page cache holds, so the step's writes reach the disk
// before its commit.
TEST(StepErrors, AFullDiskFailsTheStepAsSuchAndKeepsTheFile) {
    for (const int kind : {0, 1, 2}) {
        SCOPED_TRACE(kind);
        Files files;
        const QString path = files.Make(kind, "3.2");
        {
            auto db = dao::DBEngine::OpenDatabase(path, false, false, QStringLiteral(";pwd=") + Password());
            dao::DBEngine::DefaultWorkspace().BeginTrans();
            for (int i = 0; i < 300; ++i)
                db->Execute(QStringLiteral("INSERT INTO VOK (Q, T, Sound) VALUES (?, 'Thema', ?)"),
                            {QStringLiteral("Frage %1").arg(i), QByteArray(32000, char('a' + i % 26))});
            dao::DBEngine::DefaultWorkspace().CommitTrans();
            db->Close();
        }
        const QString before = Snapshot(path);
        ASSERT_GT(QFileInfo(path).size(), 256 * 1024);

        Opening o;
        {
            wktest::FileSizeLimit full(128 * 1024);
            ASSERT_TRUE(full.ok());
            EXPECT_FALSE(o.VokDBOeffnen(path));
        }
        ASSERT_EQ(o.errors.size(), 1u);
        EXPECT_EQ(o.errors[0].number, 3026) << o.errors[0].description.toStdString();
        EXPECT_EQ(o.errors[0].location, "Ui37G");
        EXPECT_EQ(Snapshot(path), before);
    }
}
