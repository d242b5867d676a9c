// The item editor's picture and four sounds.
#include "editor/frmEditVok.h"
#include "editor/frmEditVokParts.h"

#include "core/RunState.h"
#include "core/UserFiles.h"
#include "core/modMain.h"
#include "core/modMedia.h"
#include "editor/EditVokHost.h"
#include "editor/frmPic.h"
#include "overview/GridColouring.h"
#include "platform/Error.h"
#include "platform/forms/Twips.h"
#include "platform/grid/Grid.h"
#include "platform/media/Media.h"

namespace editor {

using modMain::GetText;

// ---------------------------------------------------------------- picture and sounds

void frmEditVok::showMediaButtons(int i, bool on) {
    PicBox* pairs[5][2] = {{picSQPlay, picSQDel},
                           {picSTPlay, picSTDel},
                           {picSRPlay, picSRDel},
                           {picSWPlay, picSWDel},
                           {picPicView, picPicDel}};
    pairs[i][0]->setVisible(on);
    pairs[i][1]->setVisible(on);
}

void frmEditVok::redrawRowIcon() {
    try {
        grid::Grid* g = host_.vg1();
        if (!g) return;
        g->SetCellIcon(g->SelectedRow(), g->ColumnIndex(QStringLiteral("icon")), host_.GridIconKey());
    } catch (const wk::Error&) {
    }
}

bool frmEditVok::chooseMediaFile(int titleId, const QString& filter, QString& chosen) {
    try {
        CommonDialog.CancelError = true;
        CommonDialog.FileName.clear();
        CommonDialog.InitDir = runstate::LastMediaFile;
        CommonDialog.DialogTitle = GetText(titleId);
        CommonDialog.Flags = forms::cdlOFNFileMustExist | forms::cdlOFNHideReadOnly;
        CommonDialog.Filter = filter;
        CommonDialog.ShowOpen();
        runstate::LastMediaFile = CommonDialog.InitDir;
    } catch (const wk::Error&) {
        return false;  // cancelled
    }
    chosen = CommonDialog.FileName;
    return !chosen.isEmpty();
}

void frmEditVok::picPic_Click() {
    QString path;
    if (!chooseMediaFile(118, modMedia::PictureFilter(), path)) return;
    // A pipe or a device is refused before anything waits on it; a file
    // that is no picture is not taken, in either mode (it would be stored
    // as one), and the user hears why.
    if (userfiles::RefuseNonRegularSource(path)) return;
    const QPixmap chosen = modMedia::PictureFromFile(path);
    if (chosen.isNull()) return;
    if (NEWVOK) {
        const QPixmap& pm = chosen;
        BildDatei = path;
        imgPicture->setPixmap(
            pm.scaled(imgPicture->contentsRect().size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    } else {
        try {
            dao::Recordset& r = *rs();
            if (!modMedia::FileToField(path, r, QStringLiteral("Bild"))) return;
            const QPixmap pm = modMedia::LoadBlobPicture(r, QStringLiteral("Bild"));
            imgPicture->setPixmap(
                pm.scaled(imgPicture->contentsRect().size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
        } catch (const wk::Error& e) {
            modMain::ShowError(e.number(), e.description(), QString());
            return;
        }
        redrawRowIcon();
    }
    showMediaButtons(4, true);
}

void frmEditVok::attachSound(int i) {
    QString path;
    if (!chooseMediaFile(113, GetText(114), path)) return;
    if (userfiles::RefuseNonRegularSource(path) || userfiles::RefuseHeldSource(path)) return;
    if (NEWVOK) {
        SoundDatei[size_t(i)] = path;
    } else {
        try {
            if (!modMedia::FileToField(path, *rs(), QString::fromLatin1(kSoundFields[i]))) return;
        } catch (const wk::Error& e) {
            modMain::ShowError(e.number(), e.description(), QString());
            return;
        }
        redrawRowIcon();
    }
    showMediaButtons(i, true);
}

void frmEditVok::picPicView_Click() {
    QPixmap pm;
    try {
        if (NEWVOK) {
            if (BildDatei.isEmpty()) return;
            pm = modMedia::PictureFromFile(BildDatei);
        } else {
            if (!modMedia::HasPicture(*rs())) return;
            pm = modMedia::LoadBlobPicture(*rs(), QStringLiteral("Bild"));
        }
    } catch (const wk::Error& e) {
        modMain::ShowError(e.number(), e.description(), QString());
        return;
    }
    if (pm.isNull()) return;  // the chosen file has gone since
    delete frmPic_;
    frmPic_ = new frmPic(this);
    frmPic_->imgVok->setPixmap(pm);
    frmPic_->imgVok->resize(pm.size());
    // 100 twips larger than the picture, centred on the editor, never above
    // or left of the screen's origin.
    const double w = forms::pixelsToTwips(pm.width()) + 100;
    const double h = forms::pixelsToTwips(pm.height()) + 100;
    frmPic_->resize(forms::twipsSize(w, h));
    double left = forms::pixelsToTwips(x()) + forms::pixelsToTwips(width()) / 2.0 - w / 2;
    double top = forms::pixelsToTwips(y()) + forms::pixelsToTwips(height()) / 2.0 - h / 2;
    if (left < 0) left = 0;
    if (top < 0) top = 0;
    frmPic_->move(forms::twipsToPixels(left), forms::twipsToPixels(top));
    frmPic_->Show(forms::vbModal);
}

void frmEditVok::playSound(int i) {
    if (NEWVOK) {
        // Refused when chosen; one put in its place since, the player
        // refuses.
        media::PlaySound(SoundDatei[size_t(i)]);
        return;
    }
    dao::Recordset& r = *rs();
    try {
        switch (i) {
            case 0:
                modMedia::PlayItemSound(r, true);
                break;
            case 1:
                modMedia::PlaySoundTip(r);
                break;
            case 2:
                modMedia::PlaySoundRichtig(r, false);
                break;
            default:
                modMedia::PlaySoundFalsch(r, false);
                break;
        }
    } catch (const wk::Error&) {
        // Playing never reports.
    }
}

void frmEditVok::deleteSound(int i) {
    if (NEWVOK) {
        SoundDatei[size_t(i)].clear();
    } else {
        try {
            dao::Recordset& r = *rs();
            switch (i) {
                case 0:
                    modMedia::ClearSound(r);
                    break;
                case 1:
                    modMedia::ClearSoundTip(r);
                    break;
                case 2:
                    modMedia::ClearSoundRichtig(r);
                    break;
                default:
                    modMedia::ClearSoundFalsch(r);
                    break;
            }
        } catch (const wk::Error& e) {
            modMain::ShowError(e.number(), e.description(), QString());
            return;
        }
        redrawRowIcon();
    }
    showMediaButtons(i, false);
}

void frmEditVok::picPicDel_Click() {
    if (NEWVOK) {
        BildDatei.clear();
    } else {
        try {
            modMedia::ClearPicture(*rs());
        } catch (const wk::Error& e) {
            modMain::ShowError(e.number(), e.description(), QString());
            return;
        }
        redrawRowIcon();
    }
    showMediaButtons(4, false);
    imgPicture->clear();
}

}  // namespace editor
