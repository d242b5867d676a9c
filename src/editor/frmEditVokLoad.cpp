// The item editor: loading the form and an item, and the form's own events.
#include "editor/frmEditVok.h"
#include "editor/frmEditVokParts.h"

#include <QCursor>
#include <QFocusEvent>
#include <QFont>
#include <QMouseEvent>

#include "core/RunState.h"
#include "core/modMain.h"
#include "core/modMedia.h"
#include "editor/EditVokHost.h"
#include "editor/frmPic.h"
#include "overview/DaoRecordAccess.h"
#include "platform/Error.h"
#include "platform/forms/Accessible.h"
#include "platform/forms/Captions.h"
#include "platform/forms/Colors.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Keys.h"
#include "platform/forms/Twips.h"
#include "platform/grid/Grid.h"
#include "platform/media/Media.h"
#include "vocabdb/FontSettings.h"

namespace editor {

using modMain::GetText;

// ---------------------------------------------------------------- loading

void frmEditVok::fillCombo(QComboBox* cbo, const QStringList& items) {
    cbo->clear();
    const QString text = cbo->currentText();
    // Adding entries leaves the text as it is, as the original's list did.
    const QSignalBlocker block(cbo);
    for (const QString& s : items) cbo->addItem(s);
    cbo->setCurrentIndex(-1);
    cbo->setEditText(text);
}

void frmEditVok::Form_Load() {
    buildControls();
    forms::ApplyCaptions(this, GetText, false);
    forms::plainTextLabels(this);
    nameControls();

    bErsteAktivierung = true;
    for (QString& s : SoundDatei) s.clear();
    BildDatei.clear();
    saving_ = false;

    const dao::RecordsetPtr options = host_.rsOptions();
    auto setFamily = [](QWidget* w, const QString& family) {
        if (family.isEmpty()) return;
        QFont f = w->font();
        f.setFamily(family);
        w->setFont(f);
    };
    setFamily(cboThema, vocabdb::GetSchriftartT(options));
    setFamily(cboKategorie, vocabdb::GetSchriftartT(options));
    setFamily(txtQ, vocabdb::GetSchriftart(options));
    for (QLineEdit* a : txtA) setFamily(a, vocabdb::GetSchriftartA(options));

    fillCombo(cboThema, runstate::arrThemen.isEmpty() ? QStringList{QString()} : runstate::arrThemen);
    fillCombo(cboKategorie,
              runstate::arrKategorien.isEmpty() ? QStringList{QString()} : runstate::arrKategorien);

    const QList<PicBox*> actions = {picSQPlay, picSQDel,  picSTPlay, picSTDel,   picSRPlay,
                                    picSRDel,  picSWPlay, picSWDel,  picPicView, picPicDel};
    if (NEWVOK) {
        lblBAddVok->setText(GetText(550));
        chkAskAllItems->setChecked(false);
        chkAskAllItems->setEnabled(false);
        chkMindTheOrder->setChecked(false);
        chkMindTheOrder->setEnabled(false);
        if (cboThema->count() > 0) cboThema->setCurrentIndex(0);
        txtPunkte->setText(QStringLiteral("0"));
        for (PicBox* b : actions) b->hide();
        for (int i = 1; i <= 9; ++i) {
            txtA(i)->setText(QString());
            chkA(i)->setChecked(false);
        }
        ColorEmptyFields();
        cmdCancel->show();
        cmdCancel->setEnabled(true);
        cmdOK->setText(GetText(570));
        cmdOK->setEnabled(false);
        lblBF7->setVisible(cmdOK->isEnabled());
        optTyp_Click(0);  // also checks its button
    } else {
        try {
            loadItem();
        } catch (const wk::Error& e) {
            // No item to edit (no current record, a damaged row): say so and close.
            modMain::ShowError(e.number(), e.description(), QString());
            Unload();
            return;
        }
    }
    // In vocabulary style the disabled right-answer boxes lie under the
    // widened answers; keep them out of sight there.
    for (int i = 1; i <= 9; ++i) chkA(i)->setVisible(EditTyp != 0);
    // Without a title bar the heading names the window.
    setAccessibleName(lblBAddVok->text());
}

// Names for assistive tools where no label of its own names a control.
void frmEditVok::nameControls() {
    // One label stands for nine answer boxes: each is named with its number,
    // and its right-answer box ("1") as the answer it marks right.
    const QString right = forms::spokenCaption(GetText(54)).toLower();
    for (int i = 1; i <= 9; ++i) {
        txtA(i)->setAccessibleName(forms::spokenCaption(lblBA->text()) + QLatin1Char(' ') +
                                   QString::number(i));
        chkA(i)->setAccessibleName(GetText(60 + i) + QLatin1Char(' ') + right);
    }
    // The buttons beside a sound or the picture act on what their row's
    // label names.
    const struct {
        QLabel* row;
        PicBox* play;
        PicBox* del;
    } rows[] = {{Label1, picSQPlay, picSQDel},
                {Label3, picSTPlay, picSTDel},
                {Label4, picSRPlay, picSRDel},
                {Label2, picSWPlay, picSWDel},
                {lblBPic, picPicView, picPicDel}};
    for (const auto& r : rows) {
        const QString row = forms::spokenCaption(r.row->text()) + QLatin1String(", ");
        r.play->setAccessibleName(row + forms::spokenCaption(GetText(r.row == lblBPic ? 58 : 689)));
        r.del->setAccessibleName(row + forms::spokenCaption(GetText(104)));
    }
    forms::nameBox(vb, GetText(197));
}

// Edit mode: the controls take the grid's current record.
void frmEditVok::loadItem() {
    const QList<PicBox*> actions = {picSQPlay, picSQDel,  picSTPlay, picSTDel,   picSRPlay,
                                    picSRDel,  picSWPlay, picSWDel,  picPicView, picPicDel};
    dao::Recordset& r = *rs();
    lblBAddVok->setText(GetText(551));
    // A Null in these integers counts as their default 0.
    chkAskAllItems->setChecked(r.Value("AskAllItems").toInt() == 1);
    chkMindTheOrder->setChecked(r.Value("MindTheOrder").toInt() == 1);
    chkMindTheOrder->setEnabled(chkAskAllItems->isChecked());
    txtQ->setText(asText(r.Value("Q")));
    auto tolerant = [](auto&& step) {
        try {
            step();
        } catch (const wk::Error&) {
        }
    };
    for (int i = 1; i <= 9; ++i) {
        tolerant([&] { txtA(i)->setText(asText(r.Value(QStringLiteral("A%1").arg(i)))); });
        tolerant([&] { chkA(i)->setChecked(r.Value(QStringLiteral("RA%1").arg(i)).toInt() == 1); });
    }
    tolerant([&] { cboThema->setEditText(asText(r.Value("T"))); });
    tolerant([&] { cboKategorie->setEditText(asText(r.Value("Kategorie"))); });
    tolerant([&] { txtExplanation->setText(asText(r.Value("Explanation"))); });
    tolerant([&] { txtTip->setText(asText(r.Value("Tip"))); });
    tolerant([&] { txtPunkte->setText(asText(r.Value("Punkte"))); });
    for (PicBox* b : actions) b->hide();
    ColorEmptyFields();
    showMediaButtons(0, modMedia::HasSound(r));
    showMediaButtons(1, modMedia::HasSoundTip(r));
    showMediaButtons(2, modMedia::HasSoundRichtig(r));
    showMediaButtons(3, modMedia::HasSoundFalsch(r));
    const bool hasPicture = modMedia::HasPicture(r);
    showMediaButtons(4, hasPicture);
    imgPicture->clear();
    if (hasPicture) {
        try {
            const QPixmap pm = modMedia::LoadBlobPicture(r, QStringLiteral("Bild"));
            imgPicture->setPixmap(
                pm.scaled(imgPicture->contentsRect().size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
        } catch (const wk::Error&) {
            // Stored bytes that are no picture: the preview stays empty.
        }
    }
    cmdCancel->hide();
    cmdCancel->setEnabled(false);
    cmdOK->setText(GetText(573));
    cmdOK->setEnabled(true);
    lblBF7->setVisible(cmdOK->isEnabled());
    optTypAt(0)->hide();
    optTypAt(1)->hide();
    lblBTyp->hide();
    EditTyp = qint16(r.Value("Typ").toInt());
    if (EditTyp == 0) {
        for (int i = 1; i <= 9; ++i) {
            chkA(i)->setChecked(false);
            chkA(i)->setEnabled(false);
            txtA(i)->resize(forms::twipsToPixels(2415), txtA(i)->height());
        }
        chkAskAllItems->show();
        chkMindTheOrder->show();
    } else {
        for (int i = 1; i <= 9; ++i) {
            tolerant([&] { chkA(i)->setChecked(r.Value(QStringLiteral("RA%1").arg(i)).toInt() == 1); });
            chkA(i)->setEnabled(!txtA(i)->text().isEmpty());
            txtA(i)->resize(forms::twipsToPixels(1935), txtA(i)->height());
        }
        chkAskAllItems->hide();
        chkMindTheOrder->hide();
    }
}

void frmEditVok::Form_Activate() {
    if (bErsteAktivierung) {
        txtQ->setFocus();
        bErsteAktivierung = false;
    }
}

void frmEditVok::Form_KeyPress(int& KeyAscii) {
    if (KeyAscii == 27 && vb && vb->isHidden()) Unload();
}

void frmEditVok::Form_KeyUp(int& KeyCode, int /*Shift*/) {
    if (KeyCode == 119 && cmdOK && cmdOK->isEnabled()) cmdOK_Click();
}

void frmEditVok::fraEditVok_MouseDown(int /*Button*/, int /*Shift*/, double X, double Y) {
    bWindowDrag = true;
    GrabX = std::lround(X);
    GrabY = std::lround(Y);
}

void frmEditVok::fraEditVok_MouseMove(int /*Button*/, int /*Shift*/, double /*X*/, double /*Y*/) {
    if (!bWindowDrag || isMaximized() || isMinimized()) return;
    const QPoint c = QCursor::pos();
    const double left = c.x() * forms::TwipsPerPixelX - GrabX;
    const double top = c.y() * forms::TwipsPerPixelY - GrabY;
    move(forms::twipsToPixels(left), y());
    move(x(), forms::twipsToPixels(top));
}

void frmEditVok::fraEditVok_MouseUp(int /*Button*/, int /*Shift*/, double /*X*/, double /*Y*/) {
    bWindowDrag = false;
}

void frmEditVok::imgPicture_Click() {
    picPicView_Click();
}

void frmEditVok::Form_Unload(int& /*Cancel*/) {
    if (vb) vb->hide();
    if (!NEWVOK) return;
    // New items are shown in the order of the stored query.
    if (const dao::DatabasePtr db = host_.dbVok())
        host_.setData(db->OpenRecordset(QStringLiteral("Alles"), dao::dbOpenDynaset));
    host_.UpdateWindow(QStringLiteral("THEMEN"));
    host_.FillVG1();
}

bool frmEditVok::eventFilter(QObject* watched, QEvent* e) {
    const bool mouse = e->type() == QEvent::MouseButtonPress || e->type() == QEvent::MouseMove ||
                       e->type() == QEvent::MouseButtonRelease;
    if (watched == fraEditVok && mouse) {
        auto* me = static_cast<QMouseEvent*>(e);
        const auto twips = [me](bool x) {
            return (x ? me->position().x() : me->position().y()) * forms::TwipsPerPixelX;
        };
        switch (e->type()) {
            case QEvent::MouseButtonPress:
                fraEditVok_MouseDown(int(me->button()), forms::vbShiftState(me->modifiers()), twips(true),
                                     twips(false));
                return true;
            case QEvent::MouseMove:
                fraEditVok_MouseMove(int(me->buttons()), forms::vbShiftState(me->modifiers()), twips(true),
                                     twips(false));
                return true;
            case QEvent::MouseButtonRelease:
                fraEditVok_MouseUp(int(me->button()), forms::vbShiftState(me->modifiers()), twips(true),
                                   twips(false));
                return true;
            default:
                break;
        }
    } else if (watched == imgPicture && e->type() == QEvent::MouseButtonRelease) {
        imgPicture_Click();
        return true;
    } else if (e->type() == QEvent::FocusOut) {
        // Opening the list or a menu, or another window becoming active, is
        // no leaving of the field.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(e)->reason();
        if (reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason)
            return forms::Form::eventFilter(watched, e);
        if (watched == cboThema) cboThema_LostFocus();
        if (watched == cboKategorie) cboKategorie_LostFocus();
        if (watched == txtPunkte) txtPunkte_LostFocus();
    } else if (e->type() == QEvent::MouseButtonDblClick) {
        // Shift held while double-clicking selects text instead. The state is
        // the event's own: a remembered Shift-down goes stale when Shift is
        // released outside the box (Shift+Tab away).
        const bool shift = static_cast<QMouseEvent*>(e)->modifiers().testFlag(Qt::ShiftModifier);
        if (shift && (watched == txtQ || txtA.indexOf(watched))) return forms::Form::eventFilter(watched, e);
        if (watched == txtQ) {
            txtQ_DblClick();
            return true;
        }
        if (const int i = txtA.indexOf(watched)) {
            txtA_DblClick(i);
            return true;
        }
    }
    return forms::Form::eventFilter(watched, e);
}

}  // namespace editor
