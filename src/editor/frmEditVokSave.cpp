// The item editor's OK in both modes: the checks before adding, adding, and the
// empty form for the next item.
#include "editor/frmEditVok.h"
#include "editor/frmEditVokParts.h"

#include "core/RunState.h"
#include "core/modMain.h"
#include "core/modMedia.h"
#include "editor/EditVokHost.h"
#include "editor/EditVokRules.h"
#include "platform/Error.h"
#include "platform/forms/Captions.h"
#include "platform/forms/Colors.h"
#include "platform/forms/Keys.h"
#include "platform/forms/Twips.h"
#include "platform/media/Media.h"

namespace editor {

using modMain::GetText;

// ---------------------------------------------------------------- OK in both modes

bool frmEditVok::checkBeforeAdd() {
    // Texts set by code (special characters) may pass the typing limit, and
    // OK by F8 comes before the leaving checks; the database would refuse
    // such a value, so say so and keep everything the user typed.
    auto warn = [this](int msg, QWidget* focus) {
        forms::ui().MsgBox(GetText(msg), forms::vbExclamation, GetText(40));
        focus->setFocus();
        return false;
    };
    const dao::RecordsetPtr r = rs();
    auto tooLong = [&](const QString& field, const QString& text) {
        const int size = r->FieldDefinedSize(field);
        return size > 0 && text.size() > size;
    };
    if (tooLong(QStringLiteral("Q"), txtQ->text())) return warn(90, txtQ);
    for (int i = 1; i <= 9; ++i)
        if (tooLong(QStringLiteral("A%1").arg(i), txtA(i)->text())) return warn(90, txtA(i));
    if (cboThema->currentText().size() > SubjectMaxLength) return warn(89, cboThema);
    if (cboKategorie->currentText().size() > SubjectMaxLength) return warn(89, cboKategorie);
    if (tooLong(QStringLiteral("Explanation"), txtExplanation->text())) return warn(90, txtExplanation);
    if (tooLong(QStringLiteral("Tip"), txtTip->text())) return warn(90, txtTip);
    if (!PointsValue(txtPunkte->text())) {
        forms::ui().MsgBox(GetText(572), forms::vbExclamation, GetText(40));
        txtPunkte->selectAll();
        txtPunkte->setFocus();
        return false;
    }
    return true;
}

void frmEditVok::cmdOK_Click() {
    if (!NEWVOK) {
        host_.UpdateWindow(QStringLiteral("THEMEN"));
        Unload();
        return;
    }
    if (saving_) return;
    try {
        if (modMain::FindRecordByField(QStringLiteral("Q"), rs(), txtQ->text())) {
            const QString prompt = DuplicatePrompt(GetText(276), txtQ->text(), GetText(277),
                                                   asText(modMain::GefundenA1), GetText(278));
            if (forms::ui().MsgBox(prompt, forms::vbYesNo, GetText(275)) == forms::vbNo) {
                txtQ->setFocus();
                return;
            }
        }
        if (!checkBeforeAdd()) return;
        addItem();
    } catch (const wk::Error& e) {
        modMain::ShowError(e.number(), e.description(), QString());
    }
}

void frmEditVok::addItem() {
    saving_ = true;
    cmdOK->setEnabled(false);
    dao::Recordset& r = *rs();
    r.AddNew();
    try {
        LetzteEingabe.Typ = EditTyp;
        r.SetValue("Typ", EditTyp);
        r.SetValue("Q", txtQ->text());
        for (int i = 1; i <= 9; ++i) {
            r.SetValue(QStringLiteral("A%1").arg(i), txtA(i)->text());
            r.SetValue(QStringLiteral("RA%1").arg(i), chkA(i)->isChecked() ? 1 : 0);
        }
        r.SetValue("AskAllItems", chkAskAllItems->isEnabled() && chkAskAllItems->isChecked() ? 1 : 0);
        r.SetValue("MindTheOrder", chkMindTheOrder->isEnabled() && chkMindTheOrder->isChecked() ? 1 : 0);
        r.SetValue("ZuletztGelerntAm", forms::ui().Now());
        const QString other = GetText(87);
        LetzteEingabe.Thema = cboThema->currentText();
        r.SetValue("T", SubjectToStore(cboThema->currentText(), other));
        LetzteEingabe.Kategorie = cboKategorie->currentText();
        r.SetValue("Kategorie", SubjectToStore(cboKategorie->currentText(), other));
        r.SetValue("Explanation", txtExplanation->text());
        r.SetValue("Tip", txtTip->text());
        r.SetValue("Punkte", *PointsValue(txtPunkte->text()));
        for (int u = 1; u <= runstate::MaxUsers; ++u)
            for (const char* stat : {"AA", "AR", "AF", "FQ"}) r.SetValue(stat + QString::number(u), 0);
        r.Update();
    } catch (...) {
        // Nothing of the item is stored; the form keeps what was typed.
        r.CancelUpdate();
        saving_ = false;
        CheckOkEnabled();
        throw;
    }
    r.SetBookmark(r.LastModified());

    // The row is stored; a medium that cannot be read leaves the ones before
    // it stored and is reported by FileToField.
    try {
        if (!BildDatei.isEmpty()) modMedia::FileToField(BildDatei, r, QStringLiteral("Bild"));
        for (int i = 0; i < 4; ++i)
            if (!SoundDatei[i].isEmpty())
                modMedia::FileToField(SoundDatei[i], r, QString::fromLatin1(kSoundFields[i]));
    } catch (const wk::Error& e) {
        modMain::ShowError(e.number(), e.description(), QString());
    }
    saving_ = false;

    host_.UpdateWindow(QStringLiteral("THEMEN"));
    fillCombo(cboThema, runstate::arrThemen.isEmpty() ? QStringList{QString()} : runstate::arrThemen);
    fillCombo(cboKategorie,
              runstate::arrKategorien.isEmpty() ? QStringList{QString()} : runstate::arrKategorien);
    cboThema->setEditText(LetzteEingabe.Thema);
    cboKategorie->setEditText(LetzteEingabe.Kategorie);
    resetForNext();
}

void frmEditVok::resetForNext() {
    txtQ->setText(QString());
    txtExplanation->setText(QString());
    txtTip->setText(QString());
    txtPunkte->setText(QStringLiteral("0"));
    for (int m = 0; m <= 4; ++m) showMediaButtons(m, false);
    imgPicture->clear();
    for (int i = 1; i <= 9; ++i) {
        txtA(i)->setText(QString());
        chkA(i)->setChecked(false);
        chkA(i)->setEnabled(false);
    }
    ColorEmptyFields();
    cmdCancel->show();
    cmdCancel->setEnabled(true);
    cmdOK->setText(GetText(570));
    cmdOK->setEnabled(false);
    lblBF7->hide();
    BildDatei.clear();
    for (QString& s : SoundDatei) s.clear();
    optTyp_Click(LetzteEingabe.Typ);
}

void frmEditVok::cmdCancel_Click() {
    Unload();
}

}  // namespace editor
