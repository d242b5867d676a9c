#pragma once
// A fresh program folder, a clean run state and a scripted interaction for
// every test of the road from the start form to the main window, with
// helpers that make vocabulary databases and users through the program's
// own code.

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "core/RunState.h"
#include "core/RunStateDb.h"
#include "core/modMain.h"
#include "mainwindow/frmMain.h"
#include "platform/dao/Dao.h"
#include "platform/shell/Shell.h"
#include "startup/FrmBenutzer.h"
#include "startup/modUserDB.h"
#include "support/ScriptedInteraction.h"
#include "vocabdb/VokSchema.h"

namespace roadtest {

inline const QString kFirstLock = QStringLiteral(" 4.3_APPLICATION_MUTEX");

inline void resetRunState() {
    mainwindow::UnloadMainForm();
    runstate::ResetDatabaseHandles();
    runstate::ProgName = QStringLiteral("Wortkiste");
    runstate::BenutzerNr = 0;
    runstate::BenutzerName.clear();
    runstate::bDBOffen = false;
    runstate::VokDBPfad.clear();
    runstate::VokDBDatei.clear();
    runstate::VokDBName.clear();
    runstate::DBTypeAktuell = 0;
    runstate::VokDBPasswort = vocabdb::VokDBPasswort;
    modMain::TextBasis = 0;
    shell::ReleaseInstanceLock(kFirstLock);
    shell::ReleaseInstanceLock(QStringLiteral("Wortkiste 4.3_APPLICATION_MUTEX"));
}

class Road : public ::testing::Test {
protected:
    QTemporaryDir home;
    QByteArray savedHome;
    wktest::ScriptedUi ui;

    void SetUp() override {
        savedHome = qgetenv("WORTKISTE_HOME");
        qputenv("WORTKISTE_HOME", home.path().toUtf8());
        resetRunState();
    }
    void TearDown() override {
        resetRunState();
        qputenv("WORTKISTE_HOME", savedHome);
    }

    QString dbFolder() const { return home.path() + "/DB"; }

    // A new vocabulary database as the program makes one.
    QString makeVokDB(const QString& fileName, const QString& appVersion = QStringLiteral("4.3")) {
        QDir().mkpath(dbFolder());
        const QString path = dbFolder() + "/" + fileName;
        auto fresh =
            dao::DBEngine::CreateDatabase(path, vocabdb::VokDBLocale, dao::dbVersion30 + dao::dbEncrypt);
        vocabdb::MakeType4Options opt;
        opt.otherText = "Other";
        opt.progVersion = appVersion;
        vocabdb::MakeType4(fresh, "note", opt);
        return path;
    }

    dao::DatabasePtr openVok(const QString& path) {
        return dao::DBEngine::OpenDatabase(path, false, false, ";pwd=" + vocabdb::VokDBPasswort);
    }

    // Adds an item whose statistics in every slot are `stat` (slot n gets
    // stat * n, so the slots can be told apart).
    void addItem(const QString& path, const QString& q, int stat) {
        auto db = openVok(path);
        auto rs = db->OpenRecordset("VOK");
        rs->AddNew();
        rs->SetValue("Q", q);
        for (int u = 1; u <= 5; ++u) {
            for (const char* p : {"AA", "AR", "AF"}) rs->SetValue(p + QString::number(u), stat * u);
            rs->SetValue("FQ" + QString::number(u), stat ? 50.0 : 0.0);
            for (int k = 1; k <= 6; ++k)
                rs->SetValue(QStringLiteral("Known%1%2").arg(u).arg(k), stat ? 1 : 0);
        }
        rs->Update();
        db->Close();
    }

    QVariant optionsValue(const QString& path, const QString& field) {
        auto db = openVok(path);
        auto rs = db->OpenRecordset("OPTIONS");
        const QVariant v = rs->Value(field);
        db->Close();
        return v;
    }

    void setOption(const QString& path, const QString& field, const QVariant& value) {
        auto db = openVok(path);
        auto rs = db->OpenRecordset("OPTIONS");
        rs->Edit();
        rs->SetValue(field, value);
        rs->Update();
        db->Close();
    }

    // Starts the program once so that USER.MDB exists, then writes the given
    // users (slot -> name) and program options into it, and leaves the run
    // state as before the start.
    void makeUsers(const std::map<int, QString>& users, int lastUser = 0,
                   const std::map<int, int>& lang = {}) {
        {
            startup::FrmBenutzer f;
            f.Form_Load();
        }
        for (int n = 1; n <= 5; ++n) {
            runstate::rsBenutzer->SetAbsolutePosition(n - 1);
            runstate::rsBenutzer->Edit();
            auto it = users.find(n);
            runstate::rsBenutzer->SetValue("Name", it == users.end() ? QString() : it->second);
            auto l = lang.find(n);
            if (l != lang.end()) runstate::rsBenutzer->SetValue("LANG", l->second);
            runstate::rsBenutzer->Update();
        }
        runstate::rsUserOptionen->Edit();
        runstate::rsUserOptionen->SetValue("LastUser", lastUser);
        runstate::rsUserOptionen->Update();
        resetRunState();
    }

    // A value of a user's row, read straight from USER.MDB.
    QVariant userValue(int slot, const QString& field) {
        auto db = dao::DBEngine::OpenDatabase(home.path() + "/USER.MDB", false, false,
                                              ";pwd=" + modUserDB::UserDBPasswort);
        auto rs = db->OpenRecordset(QStringLiteral("SELECT * FROM Benutzer WHERE ID=%1").arg(slot));
        const QVariant v = rs->Value(field);
        db->Close();
        return v;
    }

    void setUserValue(int slot, const QString& field, const QVariant& value) {
        auto db = dao::DBEngine::OpenDatabase(home.path() + "/USER.MDB", false, false,
                                              ";pwd=" + modUserDB::UserDBPasswort);
        auto rs = db->OpenRecordset(QStringLiteral("SELECT * FROM Benutzer WHERE ID=%1").arg(slot));
        rs->Edit();
        rs->SetValue(field, value);
        rs->Update();
        db->Close();
    }

    // Shows the start form, picks the entry of `slot` and confirms.
    void startAs(startup::FrmBenutzer& f, int slot, const QString& commandLine = {}) {
        f.CommandLine = commandLine;
        f.Form_Load();
        const int k = f.cboBenutzer->findText(QString::number(slot) + ":", Qt::MatchStartsWith);
        ASSERT_GE(k, 0);
        f.cboBenutzer->setCurrentIndex(k);
        f.cmdOK_Click();
    }
};

}  // namespace roadtest
