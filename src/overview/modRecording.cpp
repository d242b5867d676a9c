#include "overview/modRecording.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "core/UserFiles.h"
#include "core/modMain.h"
#include "core/modMedia.h"
#include "overview/DaoRecordAccess.h"
#include "overview/GridModel.h"
#include "overview/GridUiRules.h"
#include "overview/OverviewDialogsHost.h"
#include "platform/Error.h"
#include "platform/forms/Interaction.h"
#include "platform/grid/Grid.h"
#include "platform/grid/ImageList.h"

namespace overview {

// ---- the device ------------------------------------------------------------

bool WavSoundRecorder::Open(const QString& path) {
    path_ = path;
    openError_ = 0;
    openErrorString_.clear();
    if (!QFileInfo(path).isFile()) {
        openError_ = 1;
        openErrorString_ =
            QStringLiteral("The file %1 cannot be opened.").arg(QDir::toNativeSeparators(path));
        return false;
    }
    return true;
}

bool WavSoundRecorder::Record() {
    openError_ = 0;
    return rec_.Start(path_);
}

void WavSoundRecorder::Stop() {
    rec_.Stop();
}

bool WavSoundRecorder::Save() {
    return rec_.Save();
}

void WavSoundRecorder::Close() {}

int WavSoundRecorder::ErrorNumber() const {
    return openError_ ? openError_ : rec_.ErrorNumber();
}

QString WavSoundRecorder::ErrorString() const {
    return openError_ ? openErrorString_ : rec_.ErrorString();
}

std::unique_ptr<SoundRecorder> NewSoundRecorder() {
    if (MakeSoundRecorder) return MakeSoundRecorder();
    return std::make_unique<WavSoundRecorder>();
}

// ---- the steps -------------------------------------------------------------

QString RecordingTemplatePath() {
    return modMain::ProgramFolder() + QStringLiteral("/Vok.dat");
}

QString RecordingFilePath() {
    return modMain::ProgramFolder() + QStringLiteral("/NewVok.wav");
}

QString RecordingErrorMessage() {
    using modMain::GetText;
    const QString cr = QStringLiteral("\r");
    return GetText(5020) + cr + GetText(5021) + cr + GetText(5022) + cr + GetText(5023) + cr + cr +
           GetText(5024) + cr + GetText(5025) + cr + GetText(5026);
}

void ShowRecordingError() {
    forms::ui().MsgBox(RecordingErrorMessage(), forms::vbCritical, modMain::GetText(5001));
}

bool StartRecording(SoundRecorder& rec) {
    const QString tpl = RecordingTemplatePath();
    const QString file = RecordingFilePath();
    if (!QFileInfo(tpl).isFile()) {
        modMain::ShowError(53, QStringLiteral("File not found: %1").arg(QDir::toNativeSeparators(tpl)),
                           QStringLiteral("FN"));
        return false;
    }
    // Neither may be (a link to) a database the program holds: the copy would
    // open it, which drops the connection's locks, or write over it.
    for (const QString& path : {tpl, file}) {
        if (userfiles::IsHeldFile(path)) {
            modMain::ShowError(
                75, QStringLiteral("Path/File access error: %1").arg(QDir::toNativeSeparators(path)),
                QStringLiteral("FN"));
            return false;
        }
    }
    if (QFileInfo::exists(file)) QFile::remove(file);
    if (!QFile::copy(tpl, file)) {
        modMain::ShowError(75,
                           QStringLiteral("Path/File access error: %1").arg(QDir::toNativeSeparators(file)),
                           QStringLiteral("FN"));
        return false;
    }
    // The copy keeps the template's read-only flag; the device writes into it.
    QFile::setPermissions(file, QFile::permissions(file) | QFileDevice::WriteOwner);

    // Errors of the device are shown and the steps go on, as the user knows it.
    if (!rec.Open(file) || rec.ErrorNumber() != 0)
        forms::ui().MsgBox(rec.ErrorString(), forms::vbOKOnly, QStringLiteral("Open"));
    if (!rec.Record() || rec.ErrorNumber() != 0)
        forms::ui().MsgBox(rec.ErrorString(), forms::vbOKOnly, QStringLiteral("Record"));
    return true;
}

bool StopRecording(SoundRecorder& rec) {
    rec.Stop();
    const bool saved = rec.Save();
    rec.Close();
    return saved;
}

void AbandonRecording(SoundRecorder& rec) {
    rec.Stop();
    rec.Close();
    QFile::remove(RecordingFilePath());
}

bool StoreRecording(dao::Recordset& rs, bool saved) {
    const QString file = RecordingFilePath();
    const QFileInfo info(file);
    bool stored = false;
    if (saved && info.isFile() && info.size() > 0) {
        try {
            stored = modMedia::FileToField(file, rs, QStringLiteral("Sound"));
        } catch (const wk::Error& e) {
            modMain::ShowError(e.number(), e.description(), QString());
        }
    } else {
        ShowRecordingError();
    }
    // The take is the only file a recording leaves in the program folder
    // (the recorder writes through a save file that removes its own
    // temporary); whatever else lies there is not the recording's to delete.
    QFile::remove(file);
    return stored;
}

void RefreshRowIcon(DialogsHost& host, long row) {
    grid::Grid& g = host.vg1();
    const grid::ImageList* images = g.imageList();
    if (!images || row < 1 || row > g.Rows() || g.Columns() < 1) return;
    const QVariant listIcon = host.ProgramOptionsRecord()->Value(QStringLiteral("ListIcon"));
    DaoRecordAccess rs(host.GridRecordset());
    g.SetCellIcon(row, 1, GridIconKey(rs, listIcon.isValid() ? listIcon.toInt() : 0, *images));
}

// ---- the record button -----------------------------------------------------

SingleItemRecording::~SingleItemRecording() {
    if (IsRecording_ && MMControl1) AbandonRecording(*MMControl1);
}

void SingleItemRecording::cmdOverview1_Record_Click() {
    using B = DialogsHost::Button;
    if (host_.vg1().SelectedRow() < 1) {
        // No item to take the sound: a take in progress is dropped rather than
        // left running with its button switched off.
        if (IsRecording_) {
            IsRecording_ = false;
            if (MMControl1) AbandonRecording(*MMControl1);
        }
        host_.SetOverviewButton(B::Record, false, grid::keys::RecordDisabled);
        host_.SetOverviewButton(B::SoundImport, false, grid::keys::ImportSoundDisabled);
        host_.SetOverviewButton(B::ImportPic, false, grid::keys::ImportPicDisabled);
        return;
    }
    dao::RecordsetPtr rs = host_.GridRecordset();
    if (!IsRecording_) {
        // The user may move in the grid while speaking; the take belongs to
        // the item shown when the recording started.
        try {
            item_ = rs->Bookmark();
        } catch (const wk::Error& e) {
            modMain::ShowError(e.number(), e.description(), QString());
            return;
        }
        MMControl1 = NewSoundRecorder();
        if (!StartRecording(*MMControl1)) return;
        host_.SetOverviewButton(B::Record, true, grid::keys::Stop);
        IsRecording_ = true;
        return;
    }
    IsRecording_ = false;
    const bool saved = StopRecording(*MMControl1);
    host_.SetOverviewButton(B::Record, true, grid::keys::RecordEnabled);
    const long current = rs->AbsolutePosition();
    try {
        rs->SetBookmark(item_);
    } catch (const wk::Error&) {
        // The item was deleted while recording: the take has no place to go.
        QFile::remove(RecordingFilePath());
        return;
    }
    if (StoreRecording(*rs, saved))
        RefreshRowIcon(host_, rowOfRecordPosition(host_.vg1(), rs->AbsolutePosition()));
    // The grid's current record is the selected row's again.
    try {
        if (current >= 0) rs->SetAbsolutePosition(current);
    } catch (const wk::Error&) {
    }
}

}  // namespace overview
