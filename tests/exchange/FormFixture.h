#pragma once
// The wizard over a real database, with a host that records what the main
// window is asked to do.

#include "ExchangeFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <memory>

#include "core/RunStateDb.h"
#include "exchange/frmImport.h"
#include "platform/forms/Colors.h"
#include "platform/forms/Twips.h"
#include "platform/grid/Grid.h"
#include "vocabdb/ThemeLists.h"

namespace exchangetest {

class FakeHost : public exchange::ImportHost {
public:
    dao::RecordsetPtr data, options;
    QStringList updates;
    int rebuilds = 0;
    dao::RecordsetPtr GridRecordset() override { return data; }
    dao::RecordsetPtr OptionsRecord() override { return options; }
    void UpdateWindow(const QString& what) override {
        updates << what;
        if (what == "THEMEN") vocabdb::FillCombo(data, &cboThemen, &cboKategorien);
    }
    QStringList themes() const {
        QStringList out;
        for (int i = 0; i < cboThemen.count(); ++i) out << cboThemen.itemText(i);
        return out;
    }
    QStringList categories() const {
        QStringList out;
        for (int i = 0; i < cboKategorien.count(); ++i) out << cboKategorien.itemText(i);
        return out;
    }
    QComboBox cboThemen, cboKategorien;
    void FillVG1() override { ++rebuilds; }
};

class WizardTest : public ExchangeDB {
protected:
    FakeHost host;
    std::unique_ptr<exchange::frmImport> form;

    void SetUp() override {
        ExchangeDB::SetUp();
        runstate::VokDBName = "KURS";
        host.data = data;
        host.options = db->OpenRecordset("AllOptions");
        host.options->MoveFirst();
    }
    void TearDown() override {
        form.reset();
        host.data.reset();
        host.options.reset();
        runstate::dbVok.reset();
        runstate::UserDBPfad.clear();
        ExchangeDB::TearDown();
    }
    void open() { form = std::make_unique<exchange::frmImport>(host); }
    bool shown(QWidget* w) { return !w->isHidden(); }
    void setOption(const QString& field, const QVariant& v) {
        host.options->Edit();
        host.options->SetValue(field, v);
        host.options->Update();
    }
};

}  // namespace exchangetest
