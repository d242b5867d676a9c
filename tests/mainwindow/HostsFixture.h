#pragma once
// A program started for real (USER.MDB, a vocabulary database opened through
// the main window) with a few items in the grid, for the tests of what the
// main window lends its editor, wizard and dialogs.

#include <QDir>
#include <QFile>

#include "mainwindow/RoadFixture.h"
#include "platform/grid/Grid.h"

namespace hoststest {

struct Item {
    QString q, a1, t;
};

class Hosts : public roadtest::Road {
protected:
    QString path;

    // Starts as user 1 and opens a database holding `items` through the
    // main window.
    void start(const std::vector<Item>& items) {
        path = makeVokDB("kurs.wkd");
        {
            auto db = openVok(path);
            auto rs = db->OpenRecordset("VOK");
            for (const Item& i : items) {
                rs->AddNew();
                rs->SetValue("Q", i.q);
                rs->SetValue("A1", i.a1);
                rs->SetValue("T", i.t);
                rs->Update();
            }
            db->Close();
        }
        makeUsers({{1, "Ben"}});
        startup::FrmBenutzer f;
        startAs(f, 1);
        main().VokDBOeffnen(path);
        ASSERT_TRUE(runstate::bDBOffen);
        ASSERT_EQ(grid().Rows(), long(items.size()));
    }

    mainwindow::frmMain& main() { return mainwindow::MainForm(); }
    grid::Grid& grid() { return *main().vg1; }

    QString cell(long row, const QString& key) { return grid().CellText(row, grid().ColumnIndex(key)); }

    // The grid row showing question `q`, 0 when none does.
    long rowOf(const QString& q) {
        for (long r = 1; r <= grid().Rows(); ++r)
            if (cell(r, "Q") == q) return r;
        return 0;
    }

    // The stored items' questions, sorted.
    QStringList storedQuestions() {
        auto rs = runstate::dbVok->OpenRecordset("SELECT Q FROM VOK ORDER BY Q");
        QStringList out;
        for (; !rs->Eof(); rs->MoveNext()) out << rs->Value("Q").toString();
        return out;
    }

    QVariant storedField(const QString& q, const QString& field) {
        auto rs = runstate::dbVok->OpenRecordset("SELECT * FROM VOK WHERE Q = ?", dao::dbOpenDynaset, {q});
        return rs->Eof() ? QVariant() : rs->Value(field);
    }
};

}  // namespace hoststest
