#pragma once
// Real databases for the overview's dialogs: a vocabulary database made by
// MakeType4 and a USER.MDB in a temporary folder, a grid, and a main-window
// stand-in that records what the dialogs ask of it.

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <utility>
#include <vector>

#include "core/modMain.h"
#include "overview/OverviewDialogsHost.h"
#include "platform/dao/Dao.h"
#include "platform/grid/Grid.h"
#include "platform/grid/ImageList.h"
#include "startup/modUserDB.h"
#include "vocabdb/VokSchema.h"

namespace dialogstest {

struct ButtonCall {
    overview::DialogsHost::Button button;
    bool enabled;
    QString picture;
};

class Host : public overview::DialogsHost {
public:
    dao::RecordsetPtr options, program, items;
    grid::Grid grid;
    grid::ImageList images;
    QWidget* main = nullptr;
    int rebuilds = 0;
    std::vector<std::pair<long, long>> selections;
    std::vector<ButtonCall> buttons;

    Host() { grid::fillOverviewImages(images); }

    dao::RecordsetPtr OptionsRecord() override { return options; }
    dao::RecordsetPtr ProgramOptionsRecord() override { return program; }
    dao::RecordsetPtr GridRecordset() override { return items; }
    grid::Grid& vg1() override { return grid; }
    void FillVG1() override { ++rebuilds; }
    void vg1_SelectionChange(long row, long column) override {
        selections.emplace_back(row, column);
        // As the main window does: the row's record becomes current.
        if (items && grid.ColumnExists("no")) {
            const long p = grid.CellText(row, grid.ColumnIndex("no")).toLong();
            if (p >= 0 && p < items->RecordCount()) items->SetAbsolutePosition(p);
        }
    }
    void SetOverviewButton(Button b, bool enabled, const QString& pictureKey) override {
        buttons.push_back({b, enabled, pictureKey});
    }
    QWidget* MainWindow() override { return main; }
};

class DialogsTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    dao::DatabasePtr db;
    modUserDB::UserDB user;
    Host host;

    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        modMain::SetLanguage(1);
        const QString path = dir.filePath("words.wkd");
        auto fresh = dao::DBEngine::CreateDatabase(path, vocabdb::VokDBLocale);
        vocabdb::MakeType4(fresh, "");
        db = dao::DBEngine::OpenDatabase(path, false, false, ";pwd=" + vocabdb::VokDBPasswort);
        user = modUserDB::CreateUserDB(dir.filePath("USER.MDB"));
        host.options = db->OpenRecordset("OPTIONS");
        host.program = user.rsUserOptionen;
    }
    void TearDown() override {
        host.items.reset();
        host.options.reset();
        host.program.reset();
        modUserDB::Close(user);
        if (db && db->IsOpen()) db->Close();
    }

    // The values as stored, read through a fresh recordset.
    QVariant stored(const QString& field) {
        auto rs = db->OpenRecordset("OPTIONS");
        return rs->Value(field);
    }
    QVariant storedProgram(const QString& field) {
        auto rs = user.dbUser->OpenRecordset("Options");
        return rs->Value(field);
    }
    void setOption(const QString& field, const QVariant& v) {
        auto rs = db->OpenRecordset("OPTIONS");
        rs->Edit();
        rs->SetValue(field, v);
        rs->Update();
    }
    void setProgram(const QString& field, const QVariant& v) {
        auto rs = user.dbUser->OpenRecordset("Options");
        rs->Edit();
        rs->SetValue(field, v);
        rs->Update();
    }

    // Adds an item with its statistics at 0.
    void addItem(const QString& q, const QVariant& a1, bool marked, const QByteArray& sound = {}) {
        auto rs = db->OpenRecordset("VOK");
        rs->AddNew();
        rs->SetValue("Q", q);
        if (a1.isValid()) rs->SetValue("A1", a1);
        rs->SetValue("Markiert", marked);
        for (int u = 1; u <= 5; ++u)
            for (const char* p : {"AA", "AR", "AF", "FQ"}) rs->SetValue(p + QString::number(u), 0);
        if (!sound.isEmpty()) rs->AppendChunk("Sound", sound);
        rs->Update();
        rs->Close();
    }

    // The grid's recordset over "Alles" and one grid row per record, with
    // the icon, "no" and "Q" columns.
    void openItems() {
        host.items = db->OpenRecordset("Alles");
        grid::Grid& g = host.grid;
        g.Clear(true);
        g.SetImageList(&host.images);
        g.AddColumn("icon", {}, 0, -1, 20, true, true);
        g.AddColumn("no", {}, 0, -1, -1, false);
        g.AddColumn("Q", "Word/Question");
        const long n = host.items->RecordCount();
        for (long p = 0; p < n; ++p) {
            host.items->SetAbsolutePosition(p);
            g.AddRow();
            g.SetCellText(p + 1, 2, QString::number(p));
            g.SetCellText(p + 1, 3, host.items->Value("Q").toString());
        }
    }
};

}  // namespace dialogstest
