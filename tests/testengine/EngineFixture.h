#pragma once
// A real vocabulary database (MakeType4) and a real USER.MDB in a temporary
// folder, with helpers to add items and set test options.

#include <gtest/gtest.h>

#include <QVariantMap>

#include "platform/dao/Dao.h"
#include "startup/modUserDB.h"
#include "support/ScriptedInteraction.h"
#include "testengine/TestState.h"
#include "vocabdb/VocabFixture.h"

namespace enginetest {

class EngineDB : public vocabtest::VocabDB {
protected:
    wktest::ScriptedUi ui;
    dao::RecordsetPtr rsOptions;
    modUserDB::UserDB users;
    dao::RecordsetPtr user;  // slot 1's row of Benutzer

    void SetUp() override {
        VocabDB::SetUp();
        ui.setNow(QDateTime(QDate(2026, 12, 7), QTime(10, 30, 0)));
        rsOptions = db->OpenRecordset("AllOptions");
        users = modUserDB::CreateUserDB(dir.filePath("USER.MDB"));
        user = users.rsBenutzer;
        user->MoveFirst();
    }
    void TearDown() override {
        modUserDB::Close(users);
        VocabDB::TearDown();
    }

    void setOption(const QString& field, const QVariant& value) {
        rsOptions->Edit();
        rsOptions->SetValue(field, value);
        rsOptions->Update();
    }

    // Adds an item with the per-slot counters at 0 and the given fields.
    void add(const QString& q, const QVariantMap& fields = {}) {
        auto rs = db->OpenRecordset("VOK");
        rs->AddNew();
        rs->SetValue("Q", q);
        for (int u = 1; u <= 5; ++u)
            for (const char* p : {"AA", "AR", "AF", "FQ"}) rs->SetValue(p + QString::number(u), 0);
        for (auto it = fields.begin(); it != fields.end(); ++it) rs->SetValue(it.key(), it.value());
        rs->Update();
        rs->Close();
    }

    // The record of the item whose question is q, in a recordset of its own.
    dao::RecordsetPtr item(const QString& q) {
        auto rs = db->OpenRecordset("SELECT * FROM VOK WHERE Q=?", dao::dbOpenDynaset, {q});
        EXPECT_EQ(rs->RecordCount(), 1) << q.toStdString();
        return rs;
    }

    QVariant value(const QString& q, const QString& field) { return item(q)->Value(field); }

    qint64 userTotal(const char* field) {
        auto rs = users.dbUser->OpenRecordset("SELECT * FROM Benutzer ORDER BY ID");
        return rs->Value(field).toLongLong();
    }

    // The questions of a recordset in the order given by QuestionOrder.
    static QStringList asked(const testengine::TestState& st, dao::Recordset& rs) {
        QStringList out;
        for (int pos : st.QuestionOrder) {
            rs.SetAbsolutePosition(pos);
            out << rs.Value("Q").toString();
        }
        return out;
    }
};

}  // namespace enginetest
