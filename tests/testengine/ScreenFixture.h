#pragma once
// The main window with a real vocabulary database and USER.MDB, opened the
// way the program opens them, ready to run a test through its handlers.

#include <QVariantMap>

#include "mainwindow/RoadFixture.h"
#include "platform/forms/Colors.h"
#include "platform/grid/Grid.h"
#include "testengine/frmHint.h"

namespace screentest {

using mainwindow::frmMain;
using mainwindow::MainForm;

class Screen : public roadtest::Road {
protected:
    QString path;
    std::vector<QVariantMap> items_;
    QVariantMap options_;
    std::map<int, int> language_;  // user 1's language when set: 0 German, 1 English

    // Items are added in this order; the default test order is by question.
    void item(const QString& q, QVariantMap fields = {}) {
        fields["Q"] = q;
        items_.push_back(fields);
    }
    void option(const QString& field, const QVariant& v) { options_[field] = v; }

    // Makes the database, the user and opens both as user 1.
    void open(const QString& fileName = QStringLiteral("test.wkd")) {
        path = makeVokDB(fileName);
        auto db = openVok(path);
        auto rs = db->OpenRecordset("VOK");
        for (const auto& it : items_) {
            rs->AddNew();
            for (int u = 1; u <= 5; ++u)
                for (const char* p : {"AA", "AR", "AF", "FQ"}) rs->SetValue(p + QString::number(u), 0);
            for (auto f = it.begin(); f != it.end(); ++f) rs->SetValue(f.key(), f.value());
            rs->Update();
        }
        auto o = db->OpenRecordset("OPTIONS");
        o->Edit();
        for (auto f = options_.begin(); f != options_.end(); ++f) o->SetValue(f.key(), f.value());
        o->Update();
        db->Close();
        makeUsers({{1, "Ben"}}, 1, language_);
        startup::FrmBenutzer f;
        startAs(f, 1, "\"" + path + "\"");
        ASSERT_TRUE(runstate::bDBOffen);
    }

    frmMain& m() { return MainForm(); }
    testengine::TestState& st() { return MainForm().testState; }

    void setOpt(const QString& field, const QVariant& v) {
        runstate::rsOptions->Edit();
        runstate::rsOptions->SetValue(field, v);
        runstate::rsOptions->Update();
    }
    void solve() { m().imgTestBarSolve_MouseUp(1, 0, 1, 1); }
    void type(int box, const QString& text) { m().txtTestA(box)->setText(text); }
    QString question() { return m().lblTestQ->text(); }
    quint32 colour(QWidget* w) { return forms::backColor(w); }

    // A VOK value read afresh from the file.
    QVariant stored(const QString& q, const QString& field) {
        auto rs = runstate::dbVok->OpenRecordset("SELECT * FROM VOK WHERE Q=?", dao::dbOpenDynaset, {q});
        return rs->Value(field);
    }
};

}  // namespace screentest
