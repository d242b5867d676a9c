#pragma once
// A fresh vocabulary database made by MakeType4 in a temporary folder, and
// small helpers to fill it.

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "platform/dao/Dao.h"
#include "vocabdb/VokSchema.h"

namespace vocabtest {

inline QString pwd() {
    return ";pwd=" + vocabdb::VokDBPasswort;
}

class VocabDB : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path;
    dao::DatabasePtr db;

    // Creates the file the way a new database is made, and opens it.
    void make(const QString& copyright = "Notiz", const QString& otherText = "Other",
              const QDateTime& created = {}) {
        path = dir.filePath(QString("v%1.wkd").arg(++made_));
        auto fresh =
            dao::DBEngine::CreateDatabase(path, vocabdb::VokDBLocale, dao::dbVersion30 + dao::dbEncrypt);
        vocabdb::MakeType4Options opt;
        opt.otherText = otherText;
        opt.created = created;
        vocabdb::MakeType4(fresh, copyright, opt);
        db = dao::DBEngine::OpenDatabase(path, false, false, pwd());
    }

    void SetUp() override { make(); }
    void TearDown() override {
        if (db && db->IsOpen()) db->Close();
    }

    // Adds an item the way the editor does: the per-slot counters at 0.
    void addItem(const QString& q, const QVariant& t = {}, const QVariant& kat = {}) {
        auto rs = db->OpenRecordset("VOK");
        rs->AddNew();
        rs->SetValue("Q", q);
        // Not given: the field keeps its default.
        if (t.isValid()) rs->SetValue("T", t);
        if (kat.isValid()) rs->SetValue("Kategorie", kat);
        for (int u = 1; u <= 5; ++u)
            for (const char* p : {"AA", "AR", "AF", "FQ"}) rs->SetValue(p + QString::number(u), 0);
        rs->Update();
        rs->Close();
    }

private:
    int made_ = 0;
};

}  // namespace vocabtest
