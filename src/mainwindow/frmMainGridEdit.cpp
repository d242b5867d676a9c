// Editing one field of an item in the grid: a text box over the cell for
// texts and points, a combo box with the existing themes or categories for
// those two columns. The value is stored at once and the cell shows what
// the database kept.
#include <QCursor>
#include <QTableView>

#include "core/RunState.h"
#include "core/RunStateDb.h"
#include "core/modFunctions.h"
#include "core/modMain.h"
#include "mainwindow/SettingsModel.h"
#include "mainwindow/frmMain.h"
#include "mainwindow/frmMainGridShared.h"
#include "overview/GridModel.h"
#include "overview/GridUiRules.h"
#include "platform/Error.h"
#include "platform/forms/Interaction.h"
#include "platform/grid/Grid.h"
#include "testengine/Answers.h"
#include "vocabdb/FontSettings.h"
#include "vocabdb/ThemeLists.h"

namespace mainwindow {

using namespace runstate;
using modMain::GetText;

namespace {

QColor editorBackColour(const grid::Grid& g, long row, long col) {
    const long back = g.CellBackColor(row, col);
    return back == -1 ? g.view()->palette().color(QPalette::Base) : grid::colourFromBGR(back);
}

void setBase(QWidget* w, const QColor& c) {
    QPalette p = w->palette();
    p.setColor(QPalette::Base, c);
    w->setPalette(p);
}

// The record that the selected row shows becomes current; false when there
// is none.
bool selectRowRecord(frmMain& m) {
    const long row = m.vg1->SelectedRow();
    if (!m.data || row < 1 || row > m.vg1->Rows()) return false;
    const long pos = overview::recordPositionOfRow(*m.vg1, row);
    if (pos < 0 || pos >= m.data->RecordCount()) return false;
    if (m.data->AbsolutePosition() != pos) m.data->SetAbsolutePosition(pos);
    return true;
}

void cancelQuietly(const dao::RecordsetPtr& rs) {
    try {
        if (rs->EditMode() != dao::dbEditNone) rs->CancelUpdate();
    } catch (const wk::Error&) {
    }
}

// The grid takes the focus back, and with it its focus handlers close the
// editors; a window without the input focus gets the same effect directly.
void focusGrid(frmMain& m) {
    m.vg1->setFocus(Qt::OtherFocusReason);
    if (m.vg1->view()->hasFocus()) return;
    if (!m.cboVGSubject->isHidden()) m.cboVGSubject_LostFocus();
    m.vg1_GotFocus();
}

// The cell shows the value as the database keeps it.
void showStored(frmMain& m, long row, long col, const QString& field) {
    const QVariant v = m.data->Value(field);
    m.vg1->SetCellText(row, col, v.isValid() ? v.toString() : QString());
}

}  // namespace

void frmMain::vg1_RequestEdit(long lRow, long lCol, int iKeyAscii, bool&) {
    if (RIGHTMOUSEBUTTONDOWN) return;
    if (iKeyAscii != 113) return;
    if (lRow < 1 || lRow > vg1->Rows() || lCol < 1 || lCol > vg1->Columns()) return;
    const QString k = vg1->ColumnKey(lCol);
    if (overview::isReadOnlyKey(k, BenutzerNr)) return;
    const QString text = vg1->CellText(lRow, lCol);
    vg1->EnsureVisible(lRow, lCol);
    const QRect cell = vg1->CellBoundary(lRow, lCol);
    const QColor back = editorBackColour(*vg1, lRow, lCol);

    if (k == QLatin1String("T") || k == QLatin1String("Kategorie")) {
        const QComboBox* list = k == QLatin1String("T") ? cboThemen : cboKategorien;
        cboVGSubject->clear();
        for (int i = 0; i < list->count(); ++i) cboVGSubject->addItem(list->itemText(i));
        const QString face = vocabdb::GetSchriftartT(rsOptions);
        if (!face.isEmpty()) {
            QFont f = cboVGSubject->font();
            f.setFamily(face);
            cboVGSubject->setFont(f);
        }
        // Typing stops at the field's length; a longer stored text is never cut.
        cboVGSubject->lineEdit()->setMaxLength(std::max<int>(overview::fieldLengthForKey(k), text.size()));
        cboVGSubject->setEditText(text);
        cboVGSubject->setGeometry(cell.x(), cell.y(), cell.width(), cboVGSubject->sizeHint().height());
        setBase(cboVGSubject, back);
        setBase(cboVGSubject->lineEdit(), back);
        cboVGSubject->show();
        cboVGSubject->raise();
        cboVGSubject->setFocus(Qt::OtherFocusReason);
        return;
    }

    // Qt's limit also cuts text set by code: never below the text shown.
    const int limit = overview::editLimitForKey(k);
    txtEdit->setMaxLength(limit == 0 ? 32767 : std::max<int>(limit, text.size()));
    txtEdit->setText(text);
    txtEdit->setSelection(0, int(text.size()));
    txtEdit->setFont(vg1->CellFont(lRow, lCol));
    txtEdit->setTextMargins(vg1->CellIndent(lRow, lCol), 0, 0, 0);  // the text stays where the cell drew it
    setBase(txtEdit, back);
    txtEdit->setGeometry(cell);
    txtEdit->show();
    txtEdit->raise();
    txtEdit->setFocus(Qt::OtherFocusReason);
}

void frmMain::txtEdit_KeyPress(int& KeyAscii) {
    if (KeyAscii != 13) return;
    KeyAscii = 0;
    if (txtEdit->isHidden()) return;
    QString text = modFunctions::RemoveString(
        modFunctions::RemoveString(txtEdit->text(), QStringLiteral("\r")), QStringLiteral("\n"));
    if (text != txtEdit->text()) txtEdit->setText(text);

    const long row = vg1->SelectedRow(), col = vg1->SelectedColumn();
    if (col < 1 || col > vg1->Columns()) return;
    const QString k = vg1->ColumnKey(col);
    if (k == QLatin1String("Punkte")) {
        if (!text.isEmpty() && !settings::IsNumeric(text)) {
            forms::ui().MsgBox(GetText(5030), forms::vbExclamation, GetText(40));
            return;
        }
        if (text.isEmpty()) text = QStringLiteral("0");
    }
    try {
        if (!selectRowRecord(*this)) return;
        const QVariant typ = data->Value(QStringLiteral("Typ"));
        text =
            overview::textToStore(k, text, typ.isValid() ? typ.toInt() : 0, testengine::CountAnswers(*data));
        data->Edit();
    } catch (const wk::Error& e) {
        // The record cannot be edited (gone, locked): nothing is stored.
        cancelQuietly(data);
        modMain::ShowError(e.number(), e.description(), QString());
        return;
    }
    try {
        data->SetValue(k, text);
    } catch (const wk::Error&) {
        // Nothing stored: the cell keeps its value, the editor its text.
        cancelQuietly(data);
        return;
    }
    try {
        data->Update();
    } catch (const wk::Error& e) {
        // The record kept its old value; the cell must not show the new one.
        cancelQuietly(data);
        modMain::ShowError(e.number(), e.description(), QString());
        return;
    }
    showStored(*this, row, col, k);
    focusGrid(*this);
}

void frmMain::txtEdit_KeyUp(int KeyCode, int Shift) {
    if (KeyCode == 27) {
        focusGrid(*this);
        return;
    }
    if (Shift == 3) {
        if (KeyCode == 49)
            forms::ui().SendKeys(QStringLiteral("\u00A1"));
        else if (KeyCode == 219)
            forms::ui().SendKeys(QStringLiteral("\u00BF"));
    }
}

void frmMain::txtEdit_Change() {
    BarPopupCursor = QCursor::pos();
    ShowBarPopup(GetText(695), 1, 1, QString());
    tmrBar->start();
}

void frmMain::txtEdit_MouseMove(int, int, int, int) {
    txtEdit_Change();
}

void frmMain::txtEdit_LostFocus() {
    // The editor stays until Enter, Esc or the grid ends it.
}

void frmMain::cboVGSubject_Click() {
    if (cboVGSubject->isHidden()) return;
    QString text = cboVGSubject->currentText();
    if (text.contains(QLatin1Char('\''))) {
        forms::ui().MsgBox(GetText(78), forms::vbExclamation, GetText(40));
        cboVGSubject->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (text.isEmpty()) {
        text = overview::properCase(GetText(87));
        cboVGSubject->setEditText(text);
    }
    const long row = vg1->SelectedRow(), col = vg1->SelectedColumn();
    if (col < 1 || col > vg1->Columns()) return;
    const QString k = vg1->ColumnKey(col);
    try {
        if (!selectRowRecord(*this)) return;
        data->Edit();
        data->SetValue(k, text);
        data->Update();
    } catch (const wk::Error& e) {
        // Nothing stored; the combo stays open with the text.
        cancelQuietly(data);
        modMain::ShowError(e.number(), e.description(), QString());
        cboVGSubject->setFocus(Qt::OtherFocusReason);
        return;
    }
    showStored(*this, row, col, k);

    vocabdb::FillCombo(data, cboThemen, cboKategorien);
    if (k == QLatin1String("T")) {
        QStringList themen;
        vocabdb::ErstelleThemenListe(cboThemen, themen);
        arrThemen = themen;
    } else if (k == QLatin1String("Kategorie")) {
        QStringList kategorien;
        vocabdb::ErstelleKategorienListe(cboKategorien, kategorien);
        arrKategorien = kategorien;
    }
    focusGrid(*this);
}

void frmMain::cboVGSubject_KeyUp(int KeyCode, int) {
    if (KeyCode == 13)
        cboVGSubject_Click();
    else if (KeyCode == 27)
        vg1_CancelEdit();
}

void frmMain::cboVGSubject_LostFocus() {
    cboVGSubject->hide();
}

}  // namespace mainwindow
