// Edit mode: loading the grid's current item, writing each changed field at
// once into the record and its grid cell, refused values, and closing.

#include "EditorFixture.h"
#include "support/QtPrinters.h"

using namespace edtest;

namespace {

const QStringList kColumns = {"Q", "A1", "A2", "A3", "T", "Kategorie", "Punkte", "Tip"};

}  // namespace

class EditModeTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        storeItem("Apfel", {"apple"}, 0, "Obst", "Nomen");
        storeItem("Baum", {"tree", "", "wood"}, 0, "Natur", "Nomen", {2});
        storeItem("Farbe?", {"rot", "grün", "blau"}, 1, "Farben", "Quiz", {1, 3});
        reopen();
        buildGrid(kColumns);
    }

    QVariant stored(long position, const QString& field) {
        auto r = host.db->OpenRecordset("Alles");
        r->SetAbsolutePosition(position);
        return r->Value(field);
    }
    QString cell(long row, const QString& key) { return host.vg.CellText(row, host.vg.ColumnIndex(key)); }
};

TEST_F(EditModeTest, LoadShowsTheItemAndItsMode) {
    openEdit(0);  // Apfel
    EXPECT_EQ(form->lblBAddVok->text(), "Edit question");
    EXPECT_EQ(form->cmdOK->text(), "O&K");
    EXPECT_TRUE(form->cmdOK->isEnabled());
    EXPECT_FALSE(form->lblBF7->isHidden());
    EXPECT_TRUE(form->cmdCancel->isHidden());
    EXPECT_TRUE(form->optTypAt(0)->isHidden());
    EXPECT_TRUE(form->lblBTyp->isHidden());
    EXPECT_EQ(form->txtQ->text(), "Apfel");
    EXPECT_EQ(form->txtA(1)->text(), "apple");
    EXPECT_EQ(form->cboThema->currentText(), "Obst");
    EXPECT_EQ(form->cboKategorie->currentText(), "Nomen");
    EXPECT_EQ(form->txtPunkte->text(), "0");
    EXPECT_FALSE(form->chkAskAllItems->isHidden());
    EXPECT_FALSE(form->chkMindTheOrder->isEnabled());  // AskAllItems is 0
    EXPECT_EQ(form->txtA(1)->width(), forms::twipsToPixels(2415));
    EXPECT_TRUE(form->picPicView->isHidden());
    EXPECT_TRUE(form->picSQPlay->isHidden());
    EXPECT_TRUE(form->imgPicture->pixmap().isNull());
    // Loading wrote nothing different.
    EXPECT_EQ(stored(0, "Q").toString(), "Apfel");
    EXPECT_EQ(stored(0, "T").toString(), "Obst");
    EXPECT_EQ(cell(1, "Q"), "Apfel");
}

TEST_F(EditModeTest, VocabularyItemLosesItsRightAnswerMarks) {
    openEdit(1);  // Baum, RA2 = 1
    for (int i = 1; i <= 9; ++i) {
        EXPECT_FALSE(form->chkA(i)->isChecked());
        EXPECT_FALSE(form->chkA(i)->isEnabled());
    }
    EXPECT_EQ(stored(1, "RA2").toInt(), 0);
    // Two answers: ask-for-all is on offer.
    EXPECT_TRUE(form->chkAskAllItems->isEnabled());
}

TEST_F(EditModeTest, MultipleChoiceItemLaysOutItsMarks) {
    openEdit(2);  // Farbe?, answers 1..3, RA1 and RA3
    EXPECT_EQ(form->EditTyp, 1);
    for (int i = 1; i <= 9; ++i) {
        EXPECT_EQ(form->chkA(i)->isEnabled(), i <= 3) << i;
        EXPECT_EQ(form->txtA(i)->width(), forms::twipsToPixels(1935));
    }
    EXPECT_TRUE(form->chkA(1)->isChecked());
    EXPECT_FALSE(form->chkA(2)->isChecked());
    EXPECT_TRUE(form->chkA(3)->isChecked());
    EXPECT_TRUE(form->chkAskAllItems->isHidden());
    EXPECT_TRUE(form->chkMindTheOrder->isHidden());
    EXPECT_EQ(stored(2, "RA1").toInt(), 1);
    EXPECT_EQ(stored(2, "RA3").toInt(), 1);

    // Ticking a mark stores it and recolours the row.
    host.recoloured.clear();
    form->chkA(2)->setChecked(true);
    EXPECT_EQ(stored(2, "RA2").toInt(), 1);
    ASSERT_EQ(host.recoloured.size(), 1u);
    EXPECT_EQ(host.recoloured[0], 3);
    EXPECT_EQ(host.vg.CellBackColor(3, host.vg.ColumnIndex("A2")), 0x80FF80);

    // An emptied answer switches its mark off; filling it switches it on.
    form->txtA(2)->setText("");
    EXPECT_FALSE(form->chkA(2)->isEnabled());
    form->txtA(2)->setText("gelb");
    EXPECT_TRUE(form->chkA(2)->isEnabled());
}

TEST_F(EditModeTest, EveryKeystrokeIsStoredWithItsGridCell) {
    openEdit(0);
    form->txtA(2)->setText("f");
    EXPECT_EQ(stored(0, "A2").toString(), "f");
    EXPECT_EQ(cell(1, "A2"), "f");
    form->txtA(2)->setText("fr");
    form->txtA(2)->setText("fru");
    EXPECT_EQ(stored(0, "A2").toString(), "fru");
    EXPECT_EQ(cell(1, "A2"), "fru");

    // A column the grid does not show changes nothing and reports nothing.
    form->txtA(7)->setText("seven");
    EXPECT_EQ(stored(0, "A7").toString(), "seven");
    form->txtExplanation->setText("Kernobst");
    EXPECT_EQ(stored(0, "Explanation").toString(), "Kernobst");
    form->txtTip->setText("A...");
    EXPECT_EQ(cell(1, "Tip"), "A...");
    form->cboThema->setEditText("Früchte");
    EXPECT_EQ(stored(0, "T").toString(), "Früchte");
    EXPECT_EQ(cell(1, "T"), "Früchte");
    form->cboKategorie->setEditText("Subst");
    EXPECT_EQ(stored(0, "Kategorie").toString(), "Subst");
    EXPECT_EQ(ui.count(wktest::CallKind::MsgBox), 0);

    form->chkAskAllItems->setEnabled(true);
    form->chkAskAllItems->setChecked(true);
    EXPECT_EQ(stored(0, "AskAllItems").toInt(), 1);
    EXPECT_TRUE(form->chkMindTheOrder->isEnabled());
    form->chkMindTheOrder->setChecked(true);
    EXPECT_EQ(stored(0, "MindTheOrder").toInt(), 1);
}

TEST_F(EditModeTest, ClearedQuestionKeepsItsLastValue) {
    openEdit(0);
    form->txtQ->setText("");
    EXPECT_EQ(stored(0, "Q").toString(), "Apfel");
    EXPECT_EQ(forms::backColor(form->txtQ), 0xE0E0E0u);
    EXPECT_FALSE(form->cmdOK->isEnabled());
    EXPECT_TRUE(form->lblBF7->isHidden());
    form->txtQ->setText("A");
    EXPECT_EQ(stored(0, "Q").toString(), "A");
    EXPECT_EQ(cell(1, "Q"), "A");
}

TEST_F(EditModeTest, PointsStoreZeroWhenEmptyAndRefuseText) {
    openEdit(0);
    form->txtPunkte->setText("25");
    EXPECT_EQ(stored(0, "Punkte").toInt(), 25);
    form->txtPunkte->setText("");
    EXPECT_EQ(stored(0, "Punkte").toInt(), 0);
    EXPECT_EQ(cell(1, "Punkte"), "0");
    form->txtPunkte_LostFocus();
    EXPECT_EQ(form->txtPunkte->text(), "0");

    // Text that is no number never reaches the record; leaving says so.
    form->txtPunkte->setText("7");
    form->txtPunkte->setText("7x");
    EXPECT_EQ(stored(0, "Punkte").toInt(), 7);
    EXPECT_EQ(ui.count(wktest::CallKind::MsgBox), 0);
    ui.pushMsgBox(forms::vbOK);
    form->txtPunkte_LostFocus();
    EXPECT_EQ(ui.last(wktest::CallKind::MsgBox).prompt, "Please enter a numeric value >=0 !");
    // Too large for the field: refused the same way.
    form->txtPunkte->setText("9e9999");
    EXPECT_EQ(stored(0, "Punkte").toInt(), 7);
    ui.pushMsgBox(forms::vbOK);
    form->txtPunkte_LostFocus();
    EXPECT_EQ(ui.count(wktest::CallKind::MsgBox), 2);
    // Negative and fractional points are refused before they are stored.
    for (const QString bad : {"-5", "2.5"}) {
        form->txtPunkte->setText(bad);
        EXPECT_EQ(stored(0, "Punkte").toInt(), 7) << bad.toStdString();
    }
}

TEST_F(EditModeTest, OverlongThemeIsReportedOnLeavingAndNeverStored) {
    openEdit(0);
    form->cboThema->setEditText(QString(50, 'a'));
    EXPECT_EQ(stored(0, "T").toString(), QString(50, 'a'));
    form->cboThema->setEditText(QString(51, 'a'));
    EXPECT_EQ(stored(0, "T").toString(), QString(50, 'a'));
    EXPECT_EQ(ui.count(wktest::CallKind::MsgBox), 0);  // no unhandled 3163
    ui.pushMsgBox(forms::vbOK);
    form->cboThema_LostFocus();
    EXPECT_EQ(ui.last(wktest::CallKind::MsgBox).prompt, "Maximum length of this field is 50 !");
    EXPECT_EQ(form->cboThema->currentText().size(), 51);

    // An empty category becomes "Other" on leaving, and is stored.
    form->cboKategorie->setEditText("");
    form->cboKategorie_LostFocus();
    EXPECT_EQ(stored(0, "Kategorie").toString(), "Other");
}

TEST_F(EditModeTest, AnswerTooLongForItsFieldTakesTheStoredValueBack) {
    openEdit(0);
    form->txtA(1)->setText(QString(240, 'x'));
    EXPECT_EQ(stored(0, "A1").toString(), QString(240, 'x'));
    // Only text set by code gets past the typing limit.
    form->txtA(1)->setText(QString(240, 'x') + "é");
    EXPECT_EQ(form->txtA(1)->text(), QString(240, 'x'));
    EXPECT_EQ(stored(0, "A1").toString(), QString(240, 'x'));
    EXPECT_EQ(ui.count(wktest::CallKind::Beep), 1);
    form->txtQ->setText(QString(241, 'q'));
    EXPECT_EQ(form->txtQ->text(), "Apfel");
    EXPECT_EQ(stored(0, "Q").toString(), "Apfel");
}

TEST_F(EditModeTest, OkRefreshesListsAndClosesWithoutRebuild) {
    openEdit(1);
    form->cmdOK_Click();
    EXPECT_FALSE(form->isLoaded());
    EXPECT_EQ(host.updates, QStringList{"THEMEN"});
    EXPECT_EQ(host.fills, 0);
    EXPECT_EQ(host.setDataCalls, 0);

    openEdit(1);
    int esc = 27;
    form->Form_KeyPress(esc);
    EXPECT_FALSE(form->isLoaded());
    EXPECT_EQ(host.fills, 0);
}

TEST_F(EditModeTest, WorksWithoutAGrid) {
    host.haveGrid = false;
    openEdit(2);
    form->txtA(1)->setText("rosa");
    form->chkA(2)->setChecked(true);
    EXPECT_EQ(stored(2, "A1").toString(), "rosa");
    EXPECT_EQ(stored(2, "RA2").toInt(), 1);
}

TEST_F(EditModeTest, NullFieldsLeaveTheirControlsEmpty) {
    host.db->Execute("UPDATE VOK SET T = NULL, Tip = NULL, A1 = NULL WHERE Q = 'Apfel'");
    reopen();
    openEdit(0);
    EXPECT_EQ(form->cboThema->currentText(), "");
    EXPECT_EQ(form->txtTip->text(), "");
    EXPECT_EQ(form->txtA(1)->text(), "");
    EXPECT_TRUE(stored(0, "T").isNull());  // loading did not invent a theme
}

TEST_F(EditorTest, EditWithoutACurrentRecordIsReportedAndCloses) {
    // An empty database: the grid recordset has no current record.
    ui.pushMsgBox(forms::vbOK);
    form->NEWVOK = false;
    form->Load();
    EXPECT_FALSE(form->isLoaded());
    EXPECT_EQ(ui.last(wktest::CallKind::MsgBox).style, forms::vbCritical);
    EXPECT_TRUE(ui.last(wktest::CallKind::MsgBox).prompt.contains("3021"));
    EXPECT_EQ(host.fills, 0);
}
