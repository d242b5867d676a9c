// The main window's operations that open the item editor, the import
// wizard, the grid options, the search and the sound recording, over a real
// database and the grid the window built from it.
#include <QTemporaryDir>

#include "core/modMain.h"
#include "editor/frmEditVok.h"
#include "exchange/frmImport.h"
#include "mainwindow/HostsFixture.h"
#include "mainwindow/MainHosts.h"
#include "mainwindow/frmMainHosts.h"
#include "overview/frmGridOptions.h"
#include "overview/frmSearch.h"
#include "overview/modRecording.h"
#include "platform/grid/ImageList.h"

using namespace hoststest;
using wktest::CallKind;

namespace {

const std::vector<Item> kThree = {
    {"Apfel", "apple", "Obst"}, {"Baum", "tree", "Natur"}, {"Zebra", "zebra", "Tiere"}};

class HostsDialogs : public Hosts {};

TEST_F(HostsDialogs, NewItemFromTheEditorAppearsInTheRebuiltGrid) {
    start(kThree);
    const dao::RecordsetPtr before = main().data;
    ui.pushModal([](QWidget& w) {
        auto& e = dynamic_cast<editor::frmEditVok&>(w);
        EXPECT_TRUE(e.NEWVOK);
        e.txtQ->setText("Haus");
        e.txtA(1)->setText("house");
        e.cboThema->setEditText("Wohnen");
        ASSERT_TRUE(e.cmdOK->isEnabled());
        e.cmdOK_Click();
        e.cmdCancel_Click();
    });
    main().OpenItemEditor(true);

    EXPECT_EQ(storedQuestions(), QStringList({"Apfel", "Baum", "Haus", "Zebra"}));
    ASSERT_EQ(grid().Rows(), 4);
    const long r = rowOf("Haus");
    ASSERT_GT(r, 0);
    EXPECT_EQ(cell(r, "A1"), "house");
    EXPECT_EQ(cell(r, "T"), "Wohnen");
    // The grid reads a fresh recordset that holds the new item.
    EXPECT_NE(main().data, before);
    EXPECT_EQ(main().data->RecordCount(), 4);
    // The new theme is in the window's theme list.
    EXPECT_GE(main().cboThemen->findText("Wohnen"), 0);
    EXPECT_EQ(main().lblBCount->text().left(2), "4 ");

    // The same editor, opened again to edit, works on the recordset the add
    // session left behind.
    grid().SetSelectedRow(r);
    ui.pushModal([](QWidget& w) {
        auto& e = dynamic_cast<editor::frmEditVok&>(w);
        EXPECT_EQ(e.txtQ->text(), "Haus");
        e.txtA(1)->setText("home");
        e.cmdOK_Click();
    });
    main().OpenItemEditor(false);
    EXPECT_EQ(storedField("Haus", "A1").toString(), "home");
    EXPECT_EQ(cell(r, "A1"), "home");
}

TEST_F(HostsDialogs, EditorEditsTheSelectedRowsItemAfterAHeaderSort) {
    start(kThree);
    grid::Grid& g = grid();
    g.SetSortColumn(1, g.ColumnIndex("Q"));
    g.SetSortOrder(1, grid::SortDescending);
    g.SetSortType(1, grid::SortStringNoCase);
    g.Sort();
    ASSERT_EQ(cell(1, "Q"), "Zebra");
    g.SetSelectedRow(1);
    main().data->SetAbsolutePosition(0);  // elsewhere: the opening must put it right

    QString shown;
    ui.pushModal([&](QWidget& w) {
        auto& e = dynamic_cast<editor::frmEditVok&>(w);
        EXPECT_FALSE(e.NEWVOK);
        shown = e.txtQ->text();
        e.txtQ->setText("Zebu");
        e.txtA(1)->setText("zebu");
        e.cmdOK_Click();
    });
    main().OpenItemEditor(false);

    EXPECT_EQ(shown, "Zebra");
    EXPECT_EQ(storedQuestions(), QStringList({"Apfel", "Baum", "Zebu"}));
    EXPECT_EQ(storedField("Zebu", "A1").toString(), "zebu");
    EXPECT_EQ(storedField("Apfel", "A1").toString(), "apple");
    EXPECT_EQ(cell(1, "Q"), "Zebu");
    EXPECT_EQ(cell(1, "A1"), "zebu");
    EXPECT_EQ(cell(rowOf("Apfel"), "A1"), "apple");
}

TEST_F(HostsDialogs, RowWhoseRecordIsGoneIsReportedAndNoEditorOpens) {
    start(kThree);
    grid().SetCellText(2, grid().ColumnIndex("no"), "99");
    grid().SetSelectedRow(2);
    ui.pushMsgBox(forms::vbOK);
    main().OpenItemEditor(false);
    EXPECT_EQ(ui.count(CallKind::ShowModal), 0);
    const auto box = ui.last(CallKind::MsgBox);
    EXPECT_EQ(box.title, "SFEV02");
    EXPECT_EQ(box.style, forms::vbCritical | forms::vbOKOnly);
    EXPECT_EQ(storedQuestions(), QStringList({"Apfel", "Baum", "Zebra"}));
}

TEST_F(HostsDialogs, EditorWithoutASelectedRowOrDatabaseShowsNothing) {
    start(kThree);
    grid().SetSelectedRow(0);
    // Any form shown would be an unscripted modal and fail here.
    main().OpenItemEditor(false);
    EXPECT_EQ(ui.count(CallKind::ShowModal), 0);

    mainwindow::VokDBSchliessen(main());
    ASSERT_FALSE(runstate::bDBOffen);
    main().OpenItemEditor(true);
    main().OpenImportWizard();
    main().OpenGridOptions();
    main().OpenSearch();
    main().RecordCurrentItem();
    main().RecordMarkedItems();
    EXPECT_EQ(ui.count(CallKind::ShowModal), 0);
    EXPECT_EQ(ui.count(CallKind::MsgBox), 0);
}

TEST_F(HostsDialogs, TextImportThroughTheWizardFillsTheGrid) {
    start(kThree);
    QTemporaryDir dir;
    const QString file = dir.filePath("neu.txt");
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("Haus;house;Wohnen\r\nTisch;table;Wohnen\r\n");
    }
    ui.pushModal([&](QWidget& w) {
        auto& wiz = dynamic_cast<exchange::frmImport&>(w);
        wiz.optChoice_DblClick(2);
        wiz.cboB_TXTImport_Separator->setCurrentIndex(2);  // ";"
        wiz.txtB_TXTImport_FileName->setText(file);
        ASSERT_EQ(wiz.vgB_TXTImport->Rows(), 2);
        wiz.cmdWeiter_Click();  // imports
        EXPECT_EQ(wiz.lblC_TXTProgress->text(), "2" + modMain::GetText(622));
        wiz.cmdWeiter_Click();  // finishes
        EXPECT_TRUE(wiz.Unloaded());
    });
    main().OpenImportWizard();

    EXPECT_EQ(storedQuestions(), QStringList({"Apfel", "Baum", "Haus", "Tisch", "Zebra"}));
    ASSERT_EQ(grid().Rows(), 5);
    EXPECT_EQ(cell(rowOf("Tisch"), "A1"), "table");
    EXPECT_EQ(cell(rowOf("Haus"), "T"), "Wohnen");
    EXPECT_GE(main().cboThemen->findText("Wohnen"), 0);
}

TEST_F(HostsDialogs, GridOptionsStoreTheChangeAndRebuild) {
    start(kThree);
    ui.pushModal([](QWidget& w) {
        auto& o = dynamic_cast<overview::frmGridOptions&>(w);
        o.txtSchriftgroesse->setText("17");
        o.txtSchriftgroesse_LostFocus();
        o.cmdOK_Click();
    });
    main().OpenGridOptions();

    EXPECT_EQ(runstate::rsOptions->Value("Schriftgroesse").toString(), "17");
    // Only the rebuild gives the question column the new font.
    EXPECT_EQ(grid().ColumnFont("Q").pointSize(), 17);
    EXPECT_EQ(grid().Rows(), 3);
}

TEST_F(HostsDialogs, SearchFindsARowAndMakesItsRecordCurrent) {
    start(kThree);
    overview::SearchRow = 0;
    overview::SearchCol = 0;
    long hit = 0;
    ui.pushModal([&](QWidget& w) {
        auto& s = dynamic_cast<overview::frmSearch&>(w);
        s.txtS->setText("TREE");
        s.FindNext();
        hit = s.hitRow();
        EXPECT_EQ(grid().CellBackColor(hit, s.hitColumn()), overview::SearchHitColour);
        s.reject();
    });
    main().OpenSearch();

    ASSERT_GT(hit, 0);
    EXPECT_EQ(cell(hit, "Q"), "Baum");
    EXPECT_EQ(main().data->Value("Q").toString(), "Baum");
}

// A wave-audio device that is not there.
class NoDevice : public overview::SoundRecorder {
public:
    bool Open(const QString&) override { return false; }
    bool Record() override { return false; }
    void Stop() override {}
    bool Save() override { return false; }
    void Close() override {}
    int ErrorNumber() const override { return 263; }
    QString ErrorString() const override { return QStringLiteral("no wave-audio device"); }
};

class HostsRecording : public Hosts {
protected:
    void TearDown() override {
        overview::MakeSoundRecorder = nullptr;
        Hosts::TearDown();
    }
};

TEST_F(HostsRecording, RecordingWithoutADeviceReportsTheRecordingError) {
    start(kThree);
    overview::MakeSoundRecorder = [] { return std::make_unique<NoDevice>(); };
    const long row = rowOf("Baum");
    grid().SetSelectedRow(row);
    main().data->SetAbsolutePosition(0);

    ui.pushMsgBox(forms::vbOK);  // Open
    ui.pushMsgBox(forms::vbOK);  // Record
    main().RecordCurrentItem();
    EXPECT_TRUE(main().IsRecordingItem());
    EXPECT_EQ(ui.last(CallKind::MsgBox).title, "Record");
    auto& buttons = mainwindow::HostsOf(main()).dialogs.buttons;
    EXPECT_EQ(buttons[overview::DialogsHost::Button::Record].pictureKey, grid::keys::Stop);

    ui.pushMsgBox(forms::vbOK);
    main().RecordCurrentItem();
    EXPECT_FALSE(main().IsRecordingItem());
    const auto box = ui.last(CallKind::MsgBox);
    EXPECT_EQ(box.prompt, overview::RecordingErrorMessage());
    EXPECT_EQ(box.style, forms::vbCritical);
    EXPECT_EQ(box.title, modMain::GetText(5001));
    EXPECT_EQ(storedField("Baum", "Sound").toByteArray(), QByteArray());
    EXPECT_FALSE(QFile::exists(overview::RecordingFilePath()));
    EXPECT_EQ(grid().Rows(), 3);
}

TEST_F(HostsRecording, RecordingOfMarkedItemsRebuildsTheGridAfterwards) {
    start(kThree);
    overview::MakeSoundRecorder = [] { return std::make_unique<NoDevice>(); };
    // Nothing is marked: the run ends at once; the grid is built anew.
    grid().SetCellText(1, grid().ColumnIndex("Q"), "stale");
    ui.answerAllMsgBoxes(forms::vbOK);
    ui.pushModal([](QWidget& w) {
        auto* f = dynamic_cast<QDialog*>(&w);
        ASSERT_NE(f, nullptr);
        if (f->isVisible()) f->reject();
    });
    main().RecordMarkedItems();
    EXPECT_EQ(ui.last(CallKind::ShowModal).formName, "frmMultipleRecording");
    EXPECT_EQ(rowOf("stale"), 0);
    EXPECT_EQ(grid().Rows(), 3);
}

}  // namespace
