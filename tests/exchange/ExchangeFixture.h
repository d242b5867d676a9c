#pragma once
// A fresh vocabulary database in a temporary folder with the grid's
// recordset over "Alles", English messages and the word tables the start-up
// sequence builds.

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "core/RunState.h"
#include "core/modMain.h"
#include "platform/Error.h"
#include "platform/dao/Dao.h"
#include "support/ScriptedInteraction.h"
#include "vocabdb/VokSchema.h"

namespace exchangetest {

inline QString pwd() {
    return ";pwd=" + vocabdb::VokDBPasswort;
}

// Sets one field of the options record of the vocabulary database at path.
inline void setOptionOf(const QString& path, const QString& field, const QVariant& v) {
    auto s = dao::DBEngine::OpenDatabase(path, false, false, pwd());
    auto o = s->OpenRecordset("AllOptions");
    o->MoveFirst();
    o->Edit();
    o->SetValue(field, v);
    o->Update();
    s->Close();
}

inline void buildWordTables() {
    runstate::BedWhat = QStringList{"Q", "A", "T", "FQ"};
    runstate::BedAndOr = QStringList{"<Ende>", " AND ", " OR "};
    runstate::BedComp = QStringList{" = ", " < ", " > ", " NOT LIKE ", " LIKE "};
}

struct Item {
    Item(QString q_, QStringList a = {}, QVariant t_ = {}, QVariant fq_ = 0.0)
        : q(std::move(q_)), answers(std::move(a)), t(std::move(t_)), fq(std::move(fq_)) {}
    QString q;
    QStringList answers;
    QVariant t;
    QVariant fq;
};

class ExchangeDB : public ::testing::Test {
protected:
    QTemporaryDir dir;
    dao::DatabasePtr db;
    dao::RecordsetPtr data;  // the grid recordset

    static QString makeFile(const QString& path, const QString& copyright = "Notiz") {
        auto fresh =
            dao::DBEngine::CreateDatabase(path, vocabdb::VokDBLocale, dao::dbVersion30 + dao::dbEncrypt);
        vocabdb::MakeType4Options opt;
        opt.otherText = "Other";
        vocabdb::MakeType4(fresh, copyright, opt);
        return path;
    }

    void SetUp() override {
        modMain::TextBasis = 20000;
        runstate::BenutzerNr = 1;
        buildWordTables();
        db = dao::DBEngine::OpenDatabase(makeFile(dir.filePath("main.wkd")), false, false, pwd());
        data = db->OpenRecordset("Alles");
    }
    void TearDown() override {
        data.reset();
        if (db && db->IsOpen()) db->Close();
    }

    static void addTo(const dao::DatabasePtr& d, const Item& it) {
        auto rs = d->OpenRecordset("VOK");
        rs->AddNew();
        rs->SetValue("Q", it.q);
        for (int i = 0; i < it.answers.size(); ++i) rs->SetValue(QString("A%1").arg(i + 1), it.answers[i]);
        if (it.t.isValid()) rs->SetValue("T", it.t);
        for (int u = 1; u <= 5; ++u)
            for (const char* p : {"AA", "AR", "AF", "FQ"}) rs->SetValue(p + QString::number(u), 0);
        rs->SetValue("FQ1", it.fq);
        rs->Update();
        rs->Close();
    }
    void add(const Item& it) {
        addTo(db, it);
        data->Requery();
    }

    QByteArray readFile(const QString& path) {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
        return f.readAll();
    }
    void writeFile(const QString& path, const QByteArray& bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
};

}  // namespace exchangetest
