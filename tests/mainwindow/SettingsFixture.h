#pragma once
// A vocabulary database and a USER.MDB made by the program's own code in a
// temporary folder, bound into the run state the way opening a database
// binds them, and a settings panel over them.

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <memory>

#include "core/RunState.h"
#include "core/RunStateDb.h"
#include "core/modMain.h"
#include "mainwindow/SettingsPanel.h"
#include "platform/dao/Dao.h"
#include "startup/modUserDB.h"
#include "support/ScriptedInteraction.h"
#include "vocabdb/VokSchema.h"

namespace settingstest {

class SettingsFixture : public ::testing::Test {
protected:
    QTemporaryDir dir;
    wktest::ScriptedUi ui;
    QString vokPath, userPath;
    modUserDB::UserDB user;
    dao::DatabasePtr db;
    dao::RecordsetPtr data;  // the grid's working recordset (query Alles)
    std::unique_ptr<mainwindow::SettingsPanel> panel;

    void SetUp() override {
        modMain::TextBasis = 20000;  // English
        runstate::ResetDatabaseHandles();
        vokPath = dir.path() + "/kurs.wkd";
        userPath = dir.path() + "/USER.MDB";
        auto fresh =
            dao::DBEngine::CreateDatabase(vokPath, vocabdb::VokDBLocale, dao::dbVersion30 + dao::dbEncrypt);
        vocabdb::MakeType4Options opt;
        opt.otherText = "Other";
        vocabdb::MakeType4(fresh, "note", opt);
        user = modUserDB::CreateUserDB(userPath);
        runstate::dbUser = user.dbUser;
        runstate::rsUserOptionen = user.rsUserOptionen;
        runstate::rsBenutzer = user.dbUser->OpenRecordset("USER1", dao::dbOpenDynaset);
        runstate::arrThemen = QStringList{QString()};
        runstate::arrKategorien = QStringList{QString()};
        openVok();
    }

    void TearDown() override {
        panel.reset();
        closeVok();
        runstate::ResetDatabaseHandles();
        user = {};
        runstate::arrThemen.clear();
        runstate::arrKategorien.clear();
    }

    // Opens the file as VokDBOeffnen binds it.
    void openVok() {
        db = dao::DBEngine::OpenDatabase(vokPath, false, false, ";pwd=" + vocabdb::VokDBPasswort);
        runstate::dbVok = db;
        runstate::rsOptions = db->OpenRecordset("AllOptions", dao::dbOpenDynaset);
        data = db->OpenRecordset("Alles", dao::dbOpenDynaset);
    }
    void closeVok() {
        runstate::rsOptions.reset();
        data.reset();
        runstate::dbVok.reset();
        if (db && db->IsOpen()) db->Close();
        db.reset();
    }

    // A new panel, loaded from the stored values.
    mainwindow::SettingsPanel& load() {
        if (!panel) {
            panel = std::make_unique<mainwindow::SettingsPanel>();
            panel->gridRecordset = [this] { return data; };
            panel->ApplyCaptions();
        }
        panel->InitOptionTab();
        return *panel;
    }

    // Values as the file holds them, read through a connection of their own.
    QVariant stored(const QString& field) {
        auto other = dao::DBEngine::OpenDatabase(vokPath, false, false, ";pwd=" + vocabdb::VokDBPasswort);
        auto rs = other->OpenRecordset("OPTIONS");
        const QVariant v = rs->Value(field);
        other->Close();
        return v;
    }
    int storedInt(const QString& field) { return stored(field).toInt(); }

    QVariant storedProgram(const QString& field) {
        auto other = dao::DBEngine::OpenDatabase(userPath, false, false, ";pwd=" + modUserDB::UserDBPasswort);
        auto rs = other->OpenRecordset("Options");
        const QVariant v = rs->Value(field);
        other->Close();
        return v;
    }

    // Sets stored options before the panel loads them.
    void setStored(const QString& field, const QVariant& value) {
        auto& rs = runstate::rsOptions;
        rs->Edit();
        rs->SetValue(field, value);
        rs->Update();
    }

    void addItem(const QString& q, const QVariant& punkte) {
        data->AddNew();
        data->SetValue("Q", q);
        data->SetValue("Punkte", punkte);
        data->Update();
    }

    // The whole OPTIONS row, field by field.
    QVariantMap optionsRow() {
        QVariantMap m;
        auto other = dao::DBEngine::OpenDatabase(vokPath, false, false, ";pwd=" + vocabdb::VokDBPasswort);
        auto rs = other->OpenRecordset("OPTIONS");
        for (int i = 0; i < rs->FieldCount(); ++i) m.insert(rs->FieldName(i), rs->Value(i));
        other->Close();
        return m;
    }
};

}  // namespace settingstest
