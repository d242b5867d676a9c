// Working on the vocabulary grid of the main window: selection, sorting,
// widths, in-place editing, the column menu and the grid's keys, over real
// databases opened the way the program opens them.
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTableView>

#include "mainwindow/RoadFixture.h"
#include "overview/GridModel.h"
#include "platform/grid/Grid.h"
#include "platform/grid/ImageList.h"
#include "support/Access.h"

using namespace roadtest;
using mainwindow::MainForm;
using wktest::CallKind;

namespace {

using Fields = std::map<QString, QVariant>;

class GridUi : public Road {
protected:
    QString path;

    void SetUp() override {
        Road::SetUp();
        path = makeVokDB("kurs.wkd");
    }

    void add(const Fields& f) {
        auto db = openVok(path);
        auto rs = db->OpenRecordset("VOK");
        rs->AddNew();
        for (const auto& [k, v] : f) rs->SetValue(k, v);
        rs->Update();
        db->Close();
    }

    // Starts the program as slot `slot` with the database open.
    mainwindow::frmMain& open(int slot = 1, const Fields& userOptions = {}) {
        makeUsers({{slot, "Anna"}});
        if (!userOptions.empty()) {
            auto db = dao::DBEngine::OpenDatabase(home.path() + "/USER.MDB", false, false,
                                                  ";pwd=" + modUserDB::UserDBPasswort);
            auto rs = db->OpenRecordset("Options");
            rs->Edit();
            for (const auto& [k, v] : userOptions) rs->SetValue(k, v);
            rs->Update();
            db->Close();
        }
        startup::FrmBenutzer f;
        startAs(f, slot, path);
        EXPECT_TRUE(runstate::bDBOffen);
        return MainForm();
    }

    grid::Grid& g() { return *MainForm().vg1; }
    long col(const QString& key) { return g().ColumnIndex(key); }
    QString cell(long row, const QString& key) { return g().CellText(row, col(key)); }

    // The stored value of field for the item whose question is q.
    QVariant stored(const QString& q, const QString& field) {
        auto db = openVok(path);
        auto rs = db->OpenRecordset("SELECT * FROM VOK WHERE Q = ?", dao::dbOpenDynaset, {q});
        const QVariant v = rs->Eof() ? QVariant(QStringLiteral("<none>")) : rs->Value(field);
        db->Close();
        return v;
    }
    long items() {
        auto db = openVok(path);
        auto rs = db->OpenRecordset("SELECT * FROM VOK");
        const long n = rs->RecordCount();
        db->Close();
        return n;
    }
    long rowOf(const QString& q) {
        for (long r = 1; r <= g().Rows(); ++r)
            if (cell(r, "Q") == q) return r;
        return 0;
    }
    void select(long row, const QString& key) {
        g().SetSelectedRow(row);
        g().SetSelectedColumn(col(key));
    }
    // F2 on the cell, then the typed text and Enter.
    void editCell(long row, const QString& key, const QString& text) {
        auto& m = MainForm();
        select(row, key);
        m.vg1_KeyDown(113, 0);
        ASSERT_FALSE(m.txtEdit->isHidden()) << key.toStdString();
        m.txtEdit->setText(text);
        int k = 13;
        m.txtEdit_KeyPress(k);
        EXPECT_EQ(k, 0);
    }
    QString current(const QString& field) { return MainForm().data->Value(field).toString(); }
};

TEST_F(GridUi, SelectingARowMakesItsItemCurrentAlsoAfterAHeaderSort) {
    add({{"Q", "b"}, {"T", "x"}});
    add({{"Q", "a"}, {"T", "z"}});
    add({{"Q", "c"}, {"T", "y"}});
    auto& m = open();
    ASSERT_EQ(g().Rows(), 3);
    g().SetSelectedRow(2);
    EXPECT_EQ(current("Q"), "b");

    m.vg1_ColumnClick(col("T"));  // ascending by theme: b, c, a
    EXPECT_EQ(cell(1, "Q"), "b");
    EXPECT_EQ(cell(3, "Q"), "a");
    for (long r : {3L, 1L, 2L}) {
        g().SetSelectedRow(r);
        EXPECT_EQ(current("Q"), cell(r, "Q")) << r;
    }
    // A click on the icon column moves the selection to the question.
    m.vg1_SelectionChange(3, 1);
    EXPECT_EQ(g().SelectedColumn(), 3);
    EXPECT_EQ(current("Q"), "a");
}

TEST_F(GridUi, HeaderClickSortsAndTogglesTheOrderWithItsIcon) {
    add({{"Q", "b"}, {"T", "x"}, {"Kategorie", "k2"}});
    add({{"Q", "a"}, {"T", "z"}, {"Kategorie", "k1"}});
    add({{"Q", "c"}, {"T", "y"}, {"Kategorie", "k3"}});
    auto& m = open();
    const auto& il = *m.ilVG;
    m.vg1_ColumnClick(1);  // the icon column does not sort
    EXPECT_EQ(cell(1, "Q"), "a");

    m.vg1_ColumnClick(col("T"));
    EXPECT_EQ(g().SortOrder(1), grid::SortAscending);
    EXPECT_EQ(g().ColumnHeaderIcon("T"), il.ItemIndex("sort_asc"));
    EXPECT_EQ((QStringList{cell(1, "T"), cell(2, "T"), cell(3, "T")}), (QStringList{"x", "y", "z"}));
    m.vg1_ColumnClick(col("T"));
    EXPECT_EQ(g().ColumnHeaderIcon("T"), il.ItemIndex("sort_desc"));
    EXPECT_EQ((QStringList{cell(1, "T"), cell(2, "T"), cell(3, "T")}), (QStringList{"z", "y", "x"}));
    // Another column after a descending sort sorts ascending; the old header
    // loses its icon.
    m.vg1_ColumnClick(col("Kategorie"));
    EXPECT_EQ(g().ColumnHeaderIcon("Kategorie"), il.ItemIndex("sort_asc"));
    EXPECT_EQ(g().ColumnHeaderIcon("T"), il.ItemIndex("Empty"));
    EXPECT_EQ(cell(1, "Kategorie"), "k1");
    // The stripes follow the new order: every odd row shaded from column 2.
    EXPECT_EQ(g().CellBackColor(1, col("Q")), overview::colour::Stripe);
    EXPECT_NE(g().CellBackColor(2, col("Q")), overview::colour::Stripe);
}

TEST_F(GridUi, WidthsAreStoredOncePerColumnAndTheIconColumnKeepsItsWidth) {
    add({{"Q", "a"}});
    auto& m = open(3);
    bool cancel = false;
    m.vg1_ColumnWidthChanging(1, 80, cancel);
    EXPECT_TRUE(cancel);
    cancel = false;
    m.vg1_ColumnWidthChanging(col("Q"), 80, cancel);
    EXPECT_FALSE(cancel);

    m.vg1_ColumnWidthChanged(col("FQ3"), 77);
    m.vg1_ColumnWidthChanged(col("Q"), 210);
    m.vg1_ColumnWidthChanged(col("no"), 33);  // not stored anywhere
    EXPECT_EQ(optionsValue(path, "GridWidthFQ").toInt(), 77);
    EXPECT_EQ(optionsValue(path, "GridWidthQ").toInt(), 210);
    m.FillVG1();
    EXPECT_EQ(g().ColumnWidth("FQ3"), 77);
    EXPECT_EQ(g().ColumnWidth("Q"), 210);
}

TEST_F(GridUi, EditedQuestionIsStoredAndShownAndAnEmptiedOneBecomesADash) {
    add({{"Q", "Haus"}, {"A1", "house"}});
    add({{"Q", "Baum"}, {"A1", "tree"}});
    auto& m = open();
    const long r = rowOf("Haus");
    editCell(r, "Q", "Haus\r\nund Hof");
    EXPECT_EQ(stored("Hausund Hof", "A1").toString(), "house");
    EXPECT_EQ(cell(r, "Q"), "Hausund Hof");
    EXPECT_TRUE(m.txtEdit->isHidden());

    editCell(rowOf("Baum"), "Q", "");
    EXPECT_EQ(stored("-", "A1").toString(), "tree");
    EXPECT_EQ(cell(rowOf("-"), "Q"), "-");
}

TEST_F(GridUi, EmptiedAnswersFollowTheDashRules) {
    add({{"Q", "drei"}, {"A1", "a"}, {"A2", "b"}, {"A3", "c"}});
    add({{"Q", "frei"}, {"A1", "x"}, {"Typ", 0}});
    add({{"Q", "wahl"}, {"A1", "y"}, {"Typ", 1}});
    open();
    const long r = rowOf("drei");
    editCell(r, "A2", "");
    EXPECT_EQ(stored("drei", "A2").toString(), "-");
    editCell(r, "A3", "");
    EXPECT_EQ(stored("drei", "A3").toString(), "");
    editCell(r, "A5", "");
    EXPECT_EQ(stored("drei", "A5").toString(), "");
    editCell(r, "A1", "");
    EXPECT_EQ(stored("drei", "A1").toString(), "-");
    EXPECT_EQ(cell(r, "A1"), "-");
    editCell(rowOf("frei"), "A1", "");
    EXPECT_EQ(stored("frei", "A1").toString(), "-");
    editCell(rowOf("wahl"), "A1", "");
    EXPECT_EQ(stored("wahl", "A1").toString(), "");
}

TEST_F(GridUi, PointsMustBeNumericAndAnEmptyTextStoresZero) {
    add({{"Q", "p"}, {"Punkte", 5}});
    setOption(path, "GridShowPunkte", 1);
    auto& m = open();
    select(1, "Punkte");
    m.vg1_KeyDown(113, 0);
    EXPECT_EQ(m.txtEdit->maxLength(), 6);
    EXPECT_EQ(m.txtEdit->text(), "5");
    m.txtEdit->setText("zehn");
    ui.pushMsgBox(forms::vbOK);
    int k = 13;
    m.txtEdit_KeyPress(k);
    EXPECT_EQ(ui.last(CallKind::MsgBox).prompt, modMain::GetText(5030));
    EXPECT_EQ(ui.last(CallKind::MsgBox).title, modMain::GetText(40));
    EXPECT_FALSE(m.txtEdit->isHidden());
    EXPECT_EQ(stored("p", "Punkte").toInt(), 5);

    editCell(1, "Punkte", "");
    EXPECT_EQ(stored("p", "Punkte").toInt(), 0);
    EXPECT_EQ(cell(1, "Punkte"), "0");
    editCell(1, "Punkte", "42");
    EXPECT_EQ(stored("p", "Punkte").toInt(), 42);
}

TEST_F(GridUi, ThemeComboStoresAsTypedRefusesQuotesAndFillsEmptyWithOther) {
    add({{"Q", "a"}, {"T", "Tiere"}});
    add({{"Q", "b"}, {"T", "Farben"}});
    auto& m = open();
    const long r = rowOf("a");
    select(r, "T");
    m.vg1_KeyDown(113, 0);
    ASSERT_FALSE(m.cboVGSubject->isHidden());
    EXPECT_TRUE(m.txtEdit->isHidden());
    EXPECT_EQ(m.cboVGSubject->count(), 2);
    EXPECT_EQ(m.cboVGSubject->currentText(), "Tiere");
    EXPECT_EQ(m.cboVGSubject->lineEdit()->maxLength(), 50);

    m.cboVGSubject->setEditText("l'eau");
    ui.pushMsgBox(forms::vbOK);
    m.cboVGSubject_KeyUp(13, 0);
    EXPECT_EQ(ui.last(CallKind::MsgBox).prompt, modMain::GetText(78));
    EXPECT_EQ(ui.last(CallKind::MsgBox).title, modMain::GetText(40));
    EXPECT_EQ(stored("a", "T").toString(), "Tiere");
    EXPECT_FALSE(m.cboVGSubject->isHidden());

    m.cboVGSubject->setEditText("pflanzen");
    m.cboVGSubject_KeyUp(13, 0);
    EXPECT_EQ(stored("a", "T").toString(), "pflanzen");
    EXPECT_EQ(cell(r, "T"), "pflanzen");
    EXPECT_TRUE(m.cboVGSubject->isHidden());
    EXPECT_GE(m.cboThemen->findText("pflanzen"), 0);
    EXPECT_LT(m.cboThemen->findText("Tiere"), 0);
    EXPECT_TRUE(runstate::arrThemen.contains("pflanzen"));

    select(r, "Kategorie");
    m.vg1_KeyDown(113, 0);
    m.cboVGSubject->setEditText("");
    m.cboVGSubject_KeyUp(13, 0);
    EXPECT_EQ(stored("a", "Kategorie").toString(), "Other");
    EXPECT_TRUE(runstate::arrKategorien.contains("Other"));

    // Esc leaves field and cell alone.
    select(r, "T");
    m.vg1_KeyDown(113, 0);
    m.cboVGSubject->setEditText("weg");
    m.cboVGSubject_KeyUp(27, 0);
    EXPECT_TRUE(m.cboVGSubject->isHidden());
    EXPECT_EQ(stored("a", "T").toString(), "pflanzen");
}

TEST_F(GridUi, NoEditorForReadOnlyColumnsOtherKeysOrAHeldRightButton) {
    add({{"Q", "a"}, {"A1", "b"}});
    auto& m = open(2);
    bool cancel = false;
    for (const char* k : {"AA2", "AR2", "AF2", "FQ2"}) {
        m.vg1_DblClick(1, col(k));
        EXPECT_TRUE(m.txtEdit->isHidden()) << k;
    }
    m.vg1_DblClick(1, 1);
    EXPECT_TRUE(m.txtEdit->isHidden());
    m.vg1_RequestEdit(1, col("Q"), 32, cancel);
    m.vg1_RequestEdit(1, col("Q"), 13, cancel);
    EXPECT_TRUE(m.txtEdit->isHidden());
    m.RIGHTMOUSEBUTTONDOWN = true;
    m.vg1_RequestEdit(1, col("Q"), 113, cancel);
    EXPECT_TRUE(m.txtEdit->isHidden());
    m.RIGHTMOUSEBUTTONDOWN = false;
    m.vg1_DblClick(1, col("A1"));
    EXPECT_FALSE(m.txtEdit->isHidden());
    EXPECT_EQ(m.txtEdit->text(), "b");
    EXPECT_EQ(m.txtEdit->selectedText(), "b");
    EXPECT_FALSE(cancel);

    // Esc drops the typed text.
    g().SetSelectedRow(1);
    g().SetSelectedColumn(col("A1"));
    m.txtEdit->setText("c");
    m.txtEdit_KeyUp(27, 0);
    EXPECT_TRUE(m.txtEdit->isHidden());
    EXPECT_EQ(stored("a", "A1").toString(), "b");
    EXPECT_EQ(cell(1, "A1"), "b");
}

TEST_F(GridUi, CtrlShiftTypesInvertedMarks) {
    add({{"Q", "a"}});
    auto& m = open();
    m.txtEdit_KeyUp(49, 3);
    m.txtEdit_KeyUp(219, 3);
    m.txtEdit_KeyUp(49, 2);
    ASSERT_EQ(ui.count(CallKind::SendKeys), 2);
    EXPECT_EQ(ui.calls(CallKind::SendKeys)[0].keys, QString::fromUtf8("¡"));
    EXPECT_EQ(ui.calls(CallKind::SendKeys)[1].keys, QString::fromUtf8("¿"));
}

TEST_F(GridUi, ColumnMenuHidesAtOnceAndShowsThroughARebuild) {
    add({{"Q", "a"}, {"Explanation", "weil"}});
    auto& m = open(2);
    ui.pushPopupDismiss();
    m.vg1_HeaderRightClick(5, 5);
    EXPECT_EQ(ui.last(CallKind::PopupMenu).formName, "mnuVGrid_Ansicht");
    EXPECT_TRUE(m.menuItem("mnuVGrid_Ansicht_FQ")->isChecked());
    EXPECT_FALSE(m.menuItem("mnuVGrid_Ansicht_Explanation")->isChecked());
    EXPECT_TRUE(m.menuItem("mnuVGrid_Ansicht_Begriff_1")->isChecked());

    m.mnuVGrid_Ansicht_FQ_Click();
    EXPECT_EQ(optionsValue(path, "GridShowFQ").toInt(), 0);
    ASSERT_TRUE(g().ColumnExists("FQ2"));
    EXPECT_FALSE(g().ColumnVisible("FQ2"));
    m.FillVG1();
    EXPECT_FALSE(g().ColumnExists("FQ2"));

    m.menuItem("mnuVGrid_Ansicht_FQ")->trigger();  // through the menu: on again
    EXPECT_TRUE(m.menuItem("mnuVGrid_Ansicht_FQ")->isChecked());
    EXPECT_EQ(optionsValue(path, "GridShowFQ").toInt(), -1);
    EXPECT_TRUE(g().ColumnExists("FQ2"));

    m.mnuVGrid_Ansicht_Explanation_Click();
    EXPECT_EQ(optionsValue(path, "GridShowExplanation").toInt(), -1);
    ASSERT_TRUE(g().ColumnExists("Explanation"));
    EXPECT_EQ(cell(1, "Explanation"), "weil");
}

TEST_F(GridUi, HeaderMenuEntryActsWhileTheGridMenuIsOff) {
    add({{"Q", "a"}, {"Tip", "leicht"}});
    auto& m = open();
    m.vg1_LostFocus();
    EXPECT_FALSE(m.mnuVGrid->isEnabled());
    ui.pushPopupChoice("mnuVGrid_Ansicht_Tip");
    m.vg1_HeaderRightClick(5, 5);
    EXPECT_TRUE(ui.last(CallKind::PopupMenu).entries.contains("mnuVGrid_Ansicht_Tip"));
    EXPECT_EQ(optionsValue(path, "GridShowTip").toInt(), -1);
    ASSERT_TRUE(g().ColumnExists("Tip"));
    EXPECT_EQ(cell(1, "Tip"), "leicht");
    EXPECT_TRUE(m.menuItem("mnuVGrid_Ansicht_Tip")->isChecked());
    EXPECT_FALSE(m.mnuVGrid->isEnabled());
}

TEST_F(GridUi, HoverHintsOfTheGridAndTheTextEditor) {
    add({{"Q", "a"}});
    auto& m = open();
    m.vg1_MouseMove(0, 0, 10, 10);
    EXPECT_EQ(m.lblBarPopup->text(), modMain::GetText(430));
    EXPECT_EQ(m.lblBarPopup2->text(), "");
    EXPECT_TRUE(m.tmrBar->isActive());
    m.HideBarPopup();
    select(1, "Q");
    m.vg1_KeyDown(113, 0);
    EXPECT_EQ(m.lblBarPopup->text(), modMain::GetText(695));
}

TEST_F(GridUi, SpaceTogglesTheMarkAndTheRowIcon) {
    add({{"Q", "a"}});
    auto& m = open();
    g().SetSelectedRow(1);
    const int before = g().CellIcon(1, 1);
    m.vg1_KeyDown(32, 0);
    EXPECT_TRUE(stored("a", "Markiert").toBool());
    EXPECT_EQ(g().CellIcon(1, 1), m.IL->ItemIndex("Checked"));
    m.vg1_KeyDown(32, 1);
    EXPECT_FALSE(stored("a", "Markiert").toBool());
    EXPECT_EQ(g().CellIcon(1, 1), before);
}

TEST_F(GridUi, DeleteAfterASortRemovesTheItemShownInTheRow) {
    add({{"Q", "a"}, {"T", "z"}});
    add({{"Q", "b"}, {"T", "x"}});
    add({{"Q", "c"}, {"T", "y"}});
    add({{"Q", "d"}, {"T", "w"}});
    auto& m = open();
    m.vg1_ColumnClick(col("T"));  // d, b, c, a
    ASSERT_EQ(cell(2, "Q"), "b");
    g().SetSelectedRow(2);

    ui.pushMsgBox(forms::vbNo);
    m.vg1_KeyDown(46, 0);
    EXPECT_EQ(ui.last(CallKind::MsgBox).prompt, modMain::GetText(5045));
    EXPECT_EQ(ui.last(CallKind::MsgBox).title, modMain::GetText(5048));
    EXPECT_EQ(items(), 4);
    EXPECT_EQ(g().Rows(), 4);

    ui.pushMsgBox(forms::vbYes);
    m.vg1_KeyDown(46, 2);  // Ctrl+Delete deletes too
    EXPECT_EQ(items(), 3);
    EXPECT_EQ(stored("b", "Q").toString(), "<none>");
    EXPECT_EQ(g().Rows(), 3);
    EXPECT_EQ(cell(2, "Q"), "c");
    EXPECT_EQ(current("Q"), "c");
    EXPECT_EQ(m.lblBCount->text(), "3 " + modMain::GetText(378));
    // Every row still finds its own record.
    for (long r = 1; r <= 3; ++r) {
        g().SetSelectedRow(r);
        EXPECT_EQ(current("Q"), cell(r, "Q")) << r;
    }
    // Stripes laid again from the removed row down.
    EXPECT_EQ(g().CellBackColor(1, col("Q")), overview::colour::Stripe);
    EXPECT_NE(g().CellBackColor(2, col("Q")), overview::colour::Stripe);
    EXPECT_EQ(g().CellBackColor(3, col("Q")), overview::colour::Stripe);
}

TEST_F(GridUi, DeletingTheLastRowLeavesNoItemCurrent) {
    add({{"Q", "a"}});
    add({{"Q", "b"}});
    add({{"Q", "c"}});
    auto& m = open();
    g().SetSelectedRow(3);
    ui.pushMsgBox(forms::vbYes);
    m.vg1_KeyDown(46, 0);
    EXPECT_EQ(g().Rows(), 2);
    EXPECT_EQ(m.data->AbsolutePosition(), -1);
    EXPECT_FALSE(g().isHidden());
    EXPECT_TRUE(m.mnuVGrid->isEnabled());
    // Space now changes nothing.
    m.vg1_KeyDown(32, 0);
    EXPECT_FALSE(stored("a", "Markiert").toBool());
    EXPECT_FALSE(stored("b", "Markiert").toBool());
}

// Whatever row a delete by key or by menu removes, the row the grid then
// shows as current holds the item Space and "Check" mark; with no row
// current, no item is, and Space marks nothing.
TEST_F(GridUi, AfterADeleteTheRowShownCurrentIsTheItemCommandsActOn) {
    const struct {
        const char* how;
        int items;
        long row;
        bool byMenu;
    } cases[] = {
        {"key: first of three", 3, 1, false}, {"key: second-last", 3, 2, false},
        {"key: last", 3, 3, false},           {"menu: first of three", 3, 1, true},
        {"menu: second-last", 3, 2, true},    {"menu: last, leaving row 1", 2, 2, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        roadtest::resetRunState();
        QFile::remove(path);
        path = makeVokDB("kurs.wkd");
        for (int i = 0; i < c.items; ++i) add({{"Q", QString(QChar('a' + i))}});
        auto& m = open();
        select(c.row, "Q");
        ui.pushMsgBox(forms::vbYes);
        c.byMenu ? m.mnuVGrid_Del_Click() : wktest::keyTo(g().view(), Qt::Key_Delete);
        ASSERT_EQ(items(), c.items - 1);
        const long shown = g().SelectedRow();
        wktest::keyTo(g().view(), Qt::Key_Space, Qt::NoModifier, " ");
        if (shown < 1) {
            EXPECT_EQ(m.data->AbsolutePosition(), -1);
            for (long r = 1; r <= g().Rows(); ++r)
                EXPECT_FALSE(stored(cell(r, "Q"), "Markiert").toBool()) << r;
            continue;
        }
        EXPECT_EQ(current("Q"), cell(shown, "Q"));
        EXPECT_TRUE(stored(cell(shown, "Q"), "Markiert").toBool());
        m.mnuVGrid_Markieren_Click();
        EXPECT_FALSE(stored(cell(shown, "Q"), "Markiert").toBool());
    }
}

TEST_F(GridUi, DeletingTheOnlyItemHidesTheGrid) {
    add({{"Q", "a"}, {"T", "nur"}});
    auto& m = open();
    g().SetSelectedRow(1);
    ui.pushMsgBox(forms::vbYes);
    m.vg1_KeyDown(46, 0);
    EXPECT_EQ(items(), 0);
    EXPECT_EQ(g().Rows(), 0);
    EXPECT_TRUE(g().isHidden());
    EXPECT_FALSE(m.mnuVGrid->isEnabled());
    EXPECT_EQ(m.cboThemen->count(), 0);
    // Nothing left: Delete neither asks nor deletes.
    m.vg1_KeyDown(46, 0);
    EXPECT_EQ(ui.count(CallKind::MsgBox), 1);
}

TEST_F(GridUi, AnEditOfARecordGoneElsewhereIsNotShownAsStored) {
    add({{"Q", "a"}, {"A1", "alt"}});
    add({{"Q", "b"}});
    auto& m = open();
    const long r = rowOf("a");
    {
        auto db = openVok(path);
        db->Execute("DELETE FROM VOK WHERE Q = 'a'");
        db->Close();
    }
    select(r, "A1");
    m.vg1_KeyDown(113, 0);
    m.txtEdit->setText("neu");
    ui.pushMsgBox(forms::vbOK);
    int k = 13;
    m.txtEdit_KeyPress(k);
    EXPECT_TRUE(ui.last(CallKind::MsgBox).prompt.contains("3167"));
    EXPECT_EQ(cell(r, "A1"), "alt");
    EXPECT_FALSE(m.txtEdit->isHidden());
    EXPECT_EQ(m.data->EditMode(), dao::dbEditNone);

    // Deleting it reports the failure and keeps the row.
    ui.pushMsgBox(forms::vbYes);
    ui.pushMsgBox(forms::vbOK);
    m.vg1_KeyDown(46, 0);
    EXPECT_EQ(ui.count(CallKind::MsgBox), 3);
    EXPECT_TRUE(ui.last(CallKind::MsgBox).prompt.contains("3167"));
    EXPECT_EQ(g().Rows(), 2);
    EXPECT_EQ(items(), 1);
}

TEST_F(GridUi, F5PlaysTheItemsOwnSoundOnlyWhileTheGridIsShown) {
    add({{"Q", "a"}, {"Sound", QByteArray("RIFF\x24\0\0\0WAVEfmt ", 16)}});
    add({{"Q", "b"}});
    auto& m = open();
    const QString temp = modMain::GetTempPath();
    auto files = [&] { return QDir(temp).entryList(QDir::Files).size(); };
    const auto before = files();
    g().SetSelectedRow(rowOf("b"));
    m.vg1_KeyDown(116, 0);
    EXPECT_EQ(files(), before);
    g().SetSelectedRow(rowOf("a"));
    m.vg1->hide();
    m.vg1_KeyDown(116, 0);
    EXPECT_EQ(files(), before);
    m.vg1->show();
    m.vg1_KeyDown(116, 0);
    EXPECT_EQ(files(), before + 1);
}

TEST_F(GridUi, HighlightFollowsTheSelectionAndGivesTheOldRowItsColourBack) {
    add({{"Q", "a"}});
    add({{"Q", "b"}});
    add({{"Q", "c"}});
    auto& m = open(1, {{"HighlightActiveRow", 1}});
    const long stripe2 = g().CellBackColor(2, col("Q"));
    g().SetSelectedRow(2);
    EXPECT_EQ(g().CellBackColor(2, col("Q")), overview::colour::Highlight);
    EXPECT_EQ(g().CellBackColor(2, 1), overview::errorRateColour(0.0));  // the indicator stays
    EXPECT_EQ(m.LastHighlightRow, 2);
    g().SetSelectedRow(1);
    EXPECT_EQ(g().CellBackColor(2, col("Q")), stripe2);
    EXPECT_EQ(g().CellBackColor(1, col("Q")), overview::colour::Highlight);
    // Selecting the same row again repaints nothing.
    g().SetCellBackColor(1, col("A1"), 0x123456);
    m.vg1_SelectionChange(1, col("Q"));
    EXPECT_EQ(g().CellBackColor(1, col("A1")), 0x123456);
}

TEST_F(GridUi, HighlightedChoiceItemKeepsItsRightAnswersGreen) {
    add({{"Q", "a"}});
    add({{"Q", "b"}, {"Typ", 1}, {"A1", "ja"}, {"A2", "nein"}, {"RA1", 1}});
    add({{"Q", "c"}});
    open(1, {{"HighlightActiveRow", 1}});
    const long r = rowOf("b");
    const long stripe = g().CellBackColor(r, col("Q"));
    ASSERT_EQ(g().CellBackColor(r, col("A1")), overview::colour::LightGreen);
    g().SetSelectedRow(r);
    EXPECT_EQ(g().CellBackColor(r, col("A1")), overview::colour::LightGreen);
    EXPECT_EQ(g().CellBackColor(r, col("A2")), overview::colour::Highlight);
    g().SetSelectedRow(rowOf("a"));
    EXPECT_EQ(g().CellBackColor(r, col("A1")), overview::colour::LightGreen);
    EXPECT_EQ(g().CellBackColor(r, col("A2")), stripe);
    EXPECT_EQ(g().CellBackColor(r, col("Q")), stripe);
}

}  // namespace
