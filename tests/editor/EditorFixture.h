#pragma once
// A real vocabulary database made by MakeType4 in a temporary folder, the
// grid recordset on "Alles", a small grid with the overview's column keys,
// and a host that records what the editor asked of the main window.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "core/RunState.h"
#include "core/modMain.h"
#include "editor/EditVokHost.h"
#include "editor/frmEditVok.h"
#include "platform/dao/Dao.h"
#include "platform/forms/Colors.h"
#include "platform/forms/Twips.h"
#include "platform/grid/Grid.h"
#include "support/ScriptedInteraction.h"
#include "vocabdb/ThemeLists.h"
#include "vocabdb/VokSchema.h"

namespace edtest {

class TestHost : public editor::EditVokHost {
public:
    dao::DatabasePtr db;
    dao::RecordsetPtr rs;
    dao::RecordsetPtr options;
    grid::Grid vg;
    bool haveGrid = true;
    int iconKey = 7;
    QStringList updates;
    int fills = 0;
    int setDataCalls = 0;
    std::vector<long> recoloured;

    dao::RecordsetPtr data() override { return rs; }
    void setData(dao::RecordsetPtr r) override {
        ++setDataCalls;
        rs = std::move(r);
    }
    dao::DatabasePtr dbVok() override { return db; }
    dao::RecordsetPtr rsOptions() override { return options; }
    grid::Grid* vg1() override { return haveGrid ? &vg : nullptr; }
    int GridIconKey() override { return iconKey; }
    void RMC_VGridColorEveryRightInRow(long row) override {
        recoloured.push_back(row);
        EditVokHost::RMC_VGridColorEveryRightInRow(row);
    }
    void UpdateWindow(const QString& what) override {
        updates << what;
        if (what == QLatin1String("THEMEN")) {
            const auto lists = vocabdb::CollectSubjects(rs);
            runstate::arrThemen = vocabdb::ListToArray(lists.themen);
            runstate::arrKategorien = vocabdb::ListToArray(lists.kategorien);
        }
    }
    void FillVG1() override { ++fills; }
};

class EditorTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    TestHost host;
    std::unique_ptr<editor::frmEditVok> form;
    wktest::ScriptedUi ui;

    void SetUp() override {
        modMain::SetLanguage(1);
        const QString path = dir.filePath("kurs.wkd");
        auto fresh =
            dao::DBEngine::CreateDatabase(path, vocabdb::VokDBLocale, dao::dbVersion30 + dao::dbEncrypt);
        vocabdb::MakeType4(fresh, "Notiz");
        host.db = dao::DBEngine::OpenDatabase(path, false, false, ";pwd=" + vocabdb::VokDBPasswort);
        host.options = host.db->OpenRecordset("AllOptions");
        reopen();
        runstate::arrThemen = QStringList{QString()};
        runstate::arrKategorien = QStringList{QString()};
        runstate::LastMediaFile.clear();
        QDir().mkpath(modMain::GetTempPath());  // made at start in the program
        ui.setNow(QDateTime(QDate(2026, 3, 4), QTime(10, 11, 12)));
        form = std::make_unique<editor::frmEditVok>(host);
    }

    void TearDown() override {
        form.reset();
        host.rs.reset();
        host.options.reset();
        if (host.db && host.db->IsOpen()) host.db->Close();
    }

    void reopen() { host.rs = host.db->OpenRecordset("Alles"); }

    // Adds a stored item straight to the table (per-slot statistics at 0).
    void storeItem(const QString& q, const QStringList& answers, int typ = 0, const QString& t = "Haus",
                   const QString& kat = "Nomen", const QList<int>& rightMarks = {}) {
        auto r = host.db->OpenRecordset("VOK");
        r->AddNew();
        r->SetValue("Q", q);
        r->SetValue("Typ", typ);
        for (int i = 0; i < answers.size(); ++i) r->SetValue(QString("A%1").arg(i + 1), answers[i]);
        for (int m : rightMarks) r->SetValue(QString("RA%1").arg(m), 1);
        r->SetValue("T", t);
        r->SetValue("Kategorie", kat);
        for (int u = 1; u <= 5; ++u)
            for (const char* p : {"AA", "AR", "AF", "FQ"}) r->SetValue(p + QString::number(u), 0);
        r->Update();
        r->Close();
    }

    // The grid as a build leaves it: one row per record of the recordset,
    // the given keys as columns.
    void buildGrid(const QStringList& keys) {
        host.vg.Clear(true);
        host.vg.AddColumn("icon");
        host.vg.AddColumn("no", {}, 0, -1, -1, false);
        for (const QString& k : keys) host.vg.AddColumn(k);
        const long n = host.rs->RecordCount();
        for (long p = 0; p < n; ++p) {
            host.rs->SetAbsolutePosition(p);
            host.vg.AddRow();
            host.vg.SetCellText(p + 1, 2, QString::number(p));
            for (int c = 0; c < keys.size(); ++c) {
                const QVariant v = host.rs->Value(keys[c]);
                host.vg.SetCellText(p + 1, c + 3, v.isNull() ? QString() : v.toString());
            }
        }
    }

    // Opens the editor on the record at `position`, with that grid row selected.
    void openEdit(long position) {
        host.rs->SetAbsolutePosition(position);
        if (host.vg.Rows() > position) host.vg.SetSelectedRow(position + 1);
        form->NEWVOK = false;
        form->Load();
    }

    void openAdd() {
        form->NEWVOK = true;
        form->Load();
    }

    long itemCount() {
        auto r = host.db->OpenRecordset("SELECT COUNT(*) AS n FROM VOK");
        return r->Value("n").toInt();
    }

    // The one item with that question.
    dao::RecordsetPtr item(const QString& q) {
        auto r = host.db->OpenRecordset("SELECT * FROM VOK WHERE Q = ?", dao::dbOpenDynaset, {q});
        EXPECT_EQ(r->RecordCount(), 1) << q.toStdString();
        return r;
    }

    QString file(const QString& name, const QByteArray& bytes) {
        const QString p = dir.filePath(name);
        QFile f(p);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return p;
    }

    QString pictureFile(const QString& name, int w = 20, int h = 10);
};

}  // namespace edtest
