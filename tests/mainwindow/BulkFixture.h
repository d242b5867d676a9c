#pragma once
// A vocabulary database of a few items opened in the main window through
// the start form, with helpers to pick the grid's current item and to read
// what is stored through a connection of its own.

#include <QFile>
#include <QVariantMap>

#include "mainwindow/RoadFixture.h"
#include "overview/GridModel.h"
#include "platform/grid/Grid.h"
#include "platform/grid/ImageList.h"

namespace bulktest {

using Item = QVariantMap;

class Bulk : public roadtest::Road {
protected:
    QString path;

    // Makes the database with these items (field -> value) and opens it as
    // user 1 ("Anna").
    void open(const std::vector<Item>& items) {
        path = makeVokDB("bulk.wkd");
        {
            auto db = openVok(path);
            auto rs = db->OpenRecordset("VOK");
            for (const Item& it : items) {
                rs->AddNew();
                for (int u = 1; u <= 5; ++u)
                    for (const char* p : {"AA", "AR", "AF", "FQ"}) rs->SetValue(p + QString::number(u), 0);
                for (auto f = it.begin(); f != it.end(); ++f) {
                    if (f.value().typeId() == QMetaType::QByteArray)
                        rs->AppendChunk(f.key(), f.value().toByteArray());
                    else
                        rs->SetValue(f.key(), f.value());
                }
                rs->Update();
            }
            db->Close();
        }
        makeUsers({{1, "Anna"}}, 1);
        startup::FrmBenutzer f;
        startAs(f, 1, "\"" + path + "\"");
        ASSERT_TRUE(runstate::bDBOffen);
        ASSERT_EQ(long(items.size()), grid().Rows());
    }

    mainwindow::frmMain& main() { return mainwindow::MainForm(); }
    grid::Grid& grid() { return *main().vg1; }

    // Makes the record shown in `row` the current item, as a click does.
    void select(long row) {
        grid().SetSelectedRow(row);
        main().vg1_SelectionChange(row, grid().ColumnIndex("Q"));
    }

    long rowOfQuestion(const QString& q) {
        const long c = grid().ColumnIndex("Q");
        for (long r = 1; r <= grid().Rows(); ++r)
            if (grid().CellText(r, c) == q) return r;
        return 0;
    }
    QString cell(long row, const QString& key) { return grid().CellText(row, grid().ColumnIndex(key)); }
    QString iconKey(long row) { return main().ilVG->ItemKey(grid().CellIcon(row, 1)); }

    // Every stored item (field -> value), in table order, read afresh.
    std::vector<Item> stored() {
        std::vector<Item> out;
        auto db = openVok(path);
        auto rs = db->OpenRecordset("VOK");
        while (!rs->Eof()) {
            Item it;
            for (int i = 0; i < rs->FieldCount(); ++i) {
                const QString name = rs->FieldName(i);
                if (name == "Bild" || name.startsWith("Sound"))
                    it[name] = rs->FieldSize(name);
                else
                    it[name] = rs->Value(i);
            }
            out.push_back(it);
            rs->MoveNext();
        }
        db->Close();
        return out;
    }
    // The stored field of the item whose question is q.
    QVariant storedOf(const QString& q, const QString& field) {
        for (const Item& it : stored())
            if (it.value("Q").toString() == q) return it.value(field);
        ADD_FAILURE() << "no item " << q.toStdString();
        return {};
    }

    QString writeFile(const QString& name, const QByteArray& bytes) {
        const QString p = home.path() + "/" + name;
        QFile f(p);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return p;
    }
};

inline QByteArray pngBytes() {
    // A 1x1 picture the program can show.
    return QByteArray::fromBase64(
        "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mP8z8BQDwAEhQGAhKmMIQAAAABJRU5ErkJggg==");
}

}  // namespace bulktest
