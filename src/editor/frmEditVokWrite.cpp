// The item editor when it edits: each change goes through to the record and
// the grid at once; Enter moves on; leaving a box checks it.
#include "editor/frmEditVok.h"
#include "editor/frmEditVokParts.h"

#include "core/RunState.h"
#include "core/modMain.h"
#include "editor/EditVokHost.h"
#include "editor/EditVokRules.h"
#include "overview/DaoRecordAccess.h"
#include "overview/GridColouring.h"
#include "platform/Error.h"
#include "platform/forms/Captions.h"
#include "platform/forms/Colors.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Keys.h"
#include "platform/forms/Twips.h"
#include "platform/grid/Grid.h"
#include "platform/media/Media.h"

namespace editor {

using modMain::GetText;

// ---------------------------------------------------------------- write-through

void frmEditVok::setGridCell(const QString& key, const QString& text) {
    try {
        grid::Grid* g = host_.vg1();
        if (!g) return;
        const long row = g->SelectedRow();
        g->SetCellText(row, g->ColumnIndex(key), text);
    } catch (const wk::Error&) {
        // A column the grid does not show, or no selected row.
    }
}

int frmEditVok::writeField(const QString& field, const QVariant& value, const QString& cellText) {
    dao::Recordset& r = *rs();
    try {
        r.Edit();
        r.SetValue(field, value);
        r.Update();
    } catch (const wk::Error& e) {
        // The record keeps the value it had.
        try {
            r.CancelUpdate();
        } catch (const wk::Error&) {
        }
        if (e.number() != wk::err::FieldTooSmall) modMain::ShowError(e.number(), e.description(), QString());
        return e.number();
    }
    setGridCell(field, cellText);
    return 0;
}

// A text the field cannot hold (only code-set text passes the typing limit):
// the box takes the stored value back, with a beep.
static void putStoredBack(QLineEdit* box, const dao::RecordsetPtr& r, const QString& field) {
    forms::ui().Beep();
    box->setText(asText(r->Value(field)));
}

void frmEditVok::txtQ_Change() {
    setBack(txtQ, !txtQ->text().isEmpty());
    if (!NEWVOK && !txtQ->text().isEmpty()) {
        if (writeField(QStringLiteral("Q"), txtQ->text(), txtQ->text()) == wk::err::FieldTooSmall) {
            putStoredBack(txtQ, rs(), QStringLiteral("Q"));
            return;
        }
    }
    CheckOkEnabled();
}

void frmEditVok::txtA_Change(int Index) {
    QLineEdit* box = txtA(Index);
    const bool filled = !box->text().isEmpty();
    setBack(box, filled);
    if (!filled)
        chkA(Index)->setEnabled(false);
    else if (EditTyp == 1)
        chkA(Index)->setEnabled(true);
    if (!NEWVOK) {
        const QString field = QStringLiteral("A%1").arg(Index);
        dao::Recordset& r = *rs();
        try {
            r.Edit();
            r.SetValue(field, box->text());
        } catch (const wk::Error& e) {
            try {
                r.CancelUpdate();
            } catch (const wk::Error&) {
            }
            if (e.number() == wk::err::FieldTooSmall) {
                // Runs this handler again with the stored value.
                putStoredBack(box, rs(), field);
                return;
            }
            modMain::ShowError(e.number(), e.description(), QStringLiteral("hga7"));
            return;
        }
        try {
            r.Update();
        } catch (const wk::Error& e) {
            try {
                r.CancelUpdate();
            } catch (const wk::Error&) {
            }
            modMain::ShowError(e.number(), e.description(), QStringLiteral("hga7"));
            return;
        }
        setGridCell(field, box->text());
    }
    answerCountRule();
    CheckOkEnabled();
}

void frmEditVok::answerCountRule() {
    QStringList answers;
    for (QLineEdit* a : txtA) answers << a->text();
    if (HasSeveralAnswers(answers)) {
        chkAskAllItems->setEnabled(true);
        chkMindTheOrder->setEnabled(chkAskAllItems->isChecked());
    } else {
        chkAskAllItems->setEnabled(false);
        chkMindTheOrder->setEnabled(false);
    }
}

void frmEditVok::cboThema_Change() {
    const QString t = cboThema->currentText();
    setBack(cboThema, !t.isEmpty());
    // A theme too long for its field is refused when the box is left.
    if (!NEWVOK) writeField(QStringLiteral("T"), t, t);
}

void frmEditVok::cboKategorie_Change() {
    const QString t = cboKategorie->currentText();
    setBack(cboKategorie, !t.isEmpty());
    if (!NEWVOK) writeField(QStringLiteral("Kategorie"), t, t);
}

void frmEditVok::txtExplanation_Change() {
    setBack(txtExplanation, !txtExplanation->text().isEmpty());
    if (NEWVOK) return;
    if (writeField(QStringLiteral("Explanation"), txtExplanation->text(), txtExplanation->text()) ==
        wk::err::FieldTooSmall)
        putStoredBack(txtExplanation, rs(), QStringLiteral("Explanation"));
}

void frmEditVok::txtTip_Change() {
    setBack(txtTip, !txtTip->text().isEmpty());
    if (NEWVOK) return;
    if (writeField(QStringLiteral("Tip"), txtTip->text(), txtTip->text()) == wk::err::FieldTooSmall)
        putStoredBack(txtTip, rs(), QStringLiteral("Tip"));
}

void frmEditVok::txtPunkte_Change() {
    if (NEWVOK) return;
    const QString text = txtPunkte->text();
    // A text that is no number is refused when the box is left; the record
    // keeps its points meanwhile.
    if (const auto v = PointsValue(text))
        writeField(QStringLiteral("Punkte"), *v, text.isEmpty() ? QStringLiteral("0") : text);
}

void frmEditVok::chkA_Click(int Index) {
    if (!NEWVOK) {
        dao::Recordset& r = *rs();
        try {
            r.Edit();
            r.SetValue(QStringLiteral("RA%1").arg(Index), chkA(Index)->isChecked() ? 1 : 0);
            r.Update();
        } catch (const wk::Error& e) {
            try {
                r.CancelUpdate();
            } catch (const wk::Error&) {
            }
            modMain::ShowError(e.number(), e.description(), QString());
        }
        try {
            if (grid::Grid* g = host_.vg1()) {
                long row = g->SelectedRow();
                if (row > 0) host_.RMC_VGridColorEveryRightInRow(row);
            }
        } catch (const wk::Error&) {
        }
    }
    CheckOkEnabled();
}

void frmEditVok::chkAskAllItems_Click() {
    if (!NEWVOK) writeField(QStringLiteral("AskAllItems"), chkAskAllItems->isChecked() ? 1 : 0, {});
    chkMindTheOrder->setEnabled(chkAskAllItems->isChecked());
}

void frmEditVok::chkMindTheOrder_Click() {
    if (!NEWVOK) writeField(QStringLiteral("MindTheOrder"), chkMindTheOrder->isChecked() ? 1 : 0, {});
}

// ---------------------------------------------------------------- Enter chain

void frmEditVok::enterTo(QWidget* target) {
    // A target that cannot take the focus passes it on along the chain.
    while (target && !(target->isEnabled() && !target->isHidden())) {
        if (const int i = chkA.indexOf(target))
            target = i < 9 ? static_cast<QWidget*>(txtA(i + 1)) : cboThema;
        else if (target == chkAskAllItems || target == chkMindTheOrder)
            target = cboThema;
        else
            target = nullptr;  // OK while it is off: the focus stays
    }
    if (target) target->setFocus();
}

void frmEditVok::txtQ_KeyPress(int& KeyAscii) {
    if (KeyAscii != 13) return;
    KeyAscii = 0;
    enterTo(txtA(1));
}

void frmEditVok::txtA_KeyPress(int Index, int& KeyAscii) {
    if (KeyAscii != 13) return;
    KeyAscii = 0;
    if (Index < 9)
        enterTo(EditTyp == 0 ? static_cast<QWidget*>(txtA(Index + 1)) : chkA(Index));
    else if (EditTyp != 0)
        enterTo(cboThema);
    else
        enterTo(chkAskAllItems->isEnabled() ? static_cast<QWidget*>(chkAskAllItems) : cboThema);
}

void frmEditVok::chkA_KeyPress(int Index, int& KeyAscii) {
    if (KeyAscii == 13) {
        KeyAscii = 0;
        enterTo(Index < 9 ? static_cast<QWidget*>(txtA(Index + 1)) : cboThema);
    }
    CheckOkEnabled();
}

void frmEditVok::chkAskAllItems_KeyPress(int& KeyAscii) {
    if (KeyAscii != 13) return;
    KeyAscii = 0;
    enterTo(chkMindTheOrder->isEnabled() ? static_cast<QWidget*>(chkMindTheOrder) : cboThema);
}

void frmEditVok::chkMindTheOrder_KeyPress(int& KeyAscii) {
    if (KeyAscii != 13) return;
    KeyAscii = 0;
    enterTo(cboThema);
}

void frmEditVok::cboThema_KeyPress(int& KeyAscii) {
    if (KeyAscii != 13) return;
    KeyAscii = 0;
    enterTo(cboKategorie);
}

void frmEditVok::cboKategorie_KeyPress(int& KeyAscii) {
    if (KeyAscii != 13) return;
    KeyAscii = 0;
    enterTo(txtExplanation);
}

void frmEditVok::txtExplanation_KeyPress(int& KeyAscii) {
    if (KeyAscii != 13) return;
    KeyAscii = 0;
    enterTo(txtTip);
}

void frmEditVok::txtTip_KeyPress(int& KeyAscii) {
    if (KeyAscii != 13) return;
    KeyAscii = 0;
    enterTo(txtPunkte);
}

void frmEditVok::txtPunkte_KeyPress(int& KeyAscii) {
    if (KeyAscii != 13) return;
    KeyAscii = 0;
    enterTo(cmdOK);
}

// ---------------------------------------------------------------- leaving checks

void frmEditVok::subjectLeaving(QComboBox* cbo) {
    if (cbo->currentText().isEmpty()) cbo->setEditText(GetText(87));
    if (cbo->currentText().size() > SubjectMaxLength) {
        forms::ui().MsgBox(GetText(89), forms::vbExclamation, GetText(40));
        cbo->setFocus();
    }
}

void frmEditVok::cboThema_LostFocus() {
    subjectLeaving(cboThema);
}

void frmEditVok::cboKategorie_LostFocus() {
    subjectLeaving(cboKategorie);
}

void frmEditVok::txtPunkte_LostFocus() {
    if (txtPunkte->text().isEmpty()) txtPunkte->setText(QStringLiteral("0"));
    // Also a number too large for the field is refused here.
    if (!PointsValue(txtPunkte->text())) {
        forms::ui().MsgBox(GetText(572), forms::vbExclamation, GetText(40));
        // The whole text, so that typing replaces it.
        txtPunkte->selectAll();
        txtPunkte->setFocus();
    }
}

}  // namespace editor
