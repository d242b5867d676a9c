// The wizard's database import path: the conditions that pick the items, the
// source database, its themes, and the import itself.
#include "exchange/frmImport.h"
#include "exchange/frmImportParts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "core/RunState.h"
#include "core/UserFiles.h"
#include "core/modFunctions.h"
#include "core/modMain.h"
#include "exchange/TextImport.h"
#include "exchange/WhereClause.h"
#include "platform/Error.h"
#include "platform/forms/Captions.h"
#include "platform/forms/Colors.h"
#include "platform/forms/Interaction.h"
#include "platform/forms/MousePointer.h"
#include "platform/forms/Twips.h"

namespace exchange {

using modMain::GetText;

namespace {

constexpr quint32 kWhite = 0xFFFFFF;

void setInput(QWidget* w, bool on) {
    w->setEnabled(on);
    forms::setBackColor(w, on ? kWhite : forms::vbButtonFace);
}

}  // namespace

// ------------------------------------------------------------ conditions

void frmImport::setLine(int i, bool on) {
    setInput(cboWhat[i], on);
    setInput(cboComp[i], on);
    setInput(txtBed[i], on);
}

void frmImport::chkBed_Click(int /*index*/) {
    if (chkBed->isChecked()) {
        for (int i = 0; i < 3; ++i) {
            if (cboAndOr[i]) setInput(cboAndOr[i], true);
            setLine(i, true);
        }
        if (cboAndOr[1]->currentIndex() <= 0) {
            setLine(1, false);
            cboAndOr[2]->setCurrentIndex(0);
            setInput(cboAndOr[2], false);
        }
        if (cboAndOr[2]->currentIndex() <= 0) setLine(2, false);
    } else {
        for (int i = 0; i < 3; ++i) {
            if (cboAndOr[i]) setInput(cboAndOr[i], false);
            setLine(i, false);
        }
    }
}

void frmImport::cboAndOr_Click(int index) {
    if (index < 1 || index > 2) return;
    if (cboAndOr[index]->currentIndex() <= 0) {
        setLine(index, false);
        if (index == 1) {
            cboAndOr[2]->setCurrentIndex(0);
            setInput(cboAndOr[2], false);
            setLine(2, false);
        }
    } else {
        setLine(index, true);
        if (index == 1) setInput(cboAndOr[2], true);
    }
}

void frmImport::BuildWhereClause() {
    std::array<ConditionLine, 3> lines;
    for (int i = 0; i < 3; ++i) {
        lines[std::size_t(i)].andOr = cboAndOr[i] ? cboAndOr[i]->currentIndex() : 0;
        lines[std::size_t(i)].what = cboWhat[i]->currentIndex();
        lines[std::size_t(i)].comp = cboComp[i]->currentIndex();
        lines[std::size_t(i)].value = txtBed[i]->text();
    }
    const WhereClause w = exchange::BuildWhereClause(chkBed->isChecked(), lines, runstate::BedWhat,
                                                     runstate::BedAndOr, runstate::BedComp);
    BedValid = w.valid;
    if (!w.valid) {
        forms::ui().MsgBox(GetText(5030), forms::vbExclamation, GetText(40));
        txtBed[w.invalidLine]->setFocus();
        return;
    }
    BedWhere = w.sql;
    BedParams = w.params;
}

// --------------------------------------------------------- database import

void frmImport::cmdB_Import_OpenDB_Click() {
    forms::FileDialog dlg;
    try {
        dlg.CancelError = true;
        dlg.FileName.clear();
        dlg.InitDir = modMain::GetDBPath();
        dlg.DialogTitle = GetText(221);
        dlg.Flags = forms::cdlOFNHideReadOnly | forms::cdlOFNFileMustExist;
        dlg.Filter = GetText(37);
        if (!forms::ui().ShowOpen(dlg)) return;
    } catch (const wk::Error&) {
        return;
    }
    if (userfiles::RefuseNonRegularSource(dlg.FileName)) return;
    if (!dlg.FileName.isEmpty()) txtB_Import_FileName->setText(dlg.FileName);
}

void frmImport::txtB_Import_FileName_Change() {
    const QString t = txtB_Import_FileName->text();
    cmdWeiter->setEnabled(!t.isEmpty() && modFunctions::FileExists(t));
}

bool frmImport::openSourceStep() {
    try {
        BuildWhereClause();
        if (!BedValid) return false;
        Src.Close();
        if (userfiles::RefuseNonRegularSource(txtB_Import_FileName->text())) return false;
        Src = OpenImportSource(txtB_Import_FileName->text(), BedWhere, BedParams);
        const SourceCheck check = CheckImportSource(Src);
        if (check == SourceCheck::OldSchema) {
            forms::ui().MsgBox(GetText(620), forms::vbInformation, GetText(40));
            txtB_Import_FileName->setFocus();
            return false;
        }
        if (check == SourceCheck::Locked) {
            forms::ui().MsgBox(GetText(5060), forms::vbExclamation, forms::EmptyTitle);
            return false;
        }
        lstImport_DB->clear();
        lstImport_Import->clear();
        // Each entry keeps which source item it stands for: two items may
        // share one question.
        for (const SourceItem& item : SourceItems(*Src.vok)) {
            auto* entry = new QListWidgetItem(item.question);
            entry->setData(Qt::UserRole, qlonglong(item.position));
            lstImport_DB->addItem(entry);
        }
    } catch (const wk::Error& e) {
        Src.Close();
        modMain::ShowError(e.number(), e.description(), QStringLiteral("FF91"));
        forms::setMousePointer(forms::vbDefault);
        return false;
    }
    fraB_Import->hide();
    fraC_Import->show();
    cmdWeiter->setEnabled(false);
    cmdBack->show();
    lstImport_DB->setFocus();
    return true;
}

void frmImport::moveListEntries(QListWidget* from, QListWidget* to, bool selectedOnly, bool toImport) {
    for (;;) {
        int row = -1;
        for (int i = 0; i < from->count(); ++i) {
            if (!selectedOnly || from->item(i)->isSelected()) {
                row = i;
                break;
            }
        }
        if (row < 0) break;
        QListWidgetItem* item = from->takeItem(row);
        item->setSelected(false);
        to->addItem(item);
        if (toImport) cmdWeiter->setEnabled(true);
    }
    if (!toImport && lstImport_Import->count() == 0) cmdWeiter->setEnabled(false);
}

void frmImport::cmdImport_L2R_Click() {
    moveListEntries(lstImport_DB, lstImport_Import, true, true);
}
void frmImport::cmdImport_L2Ra_Click() {
    moveListEntries(lstImport_DB, lstImport_Import, false, true);
}
void frmImport::cmdImport_R2L_Click() {
    moveListEntries(lstImport_Import, lstImport_DB, true, false);
}
void frmImport::cmdImport_R2La_Click() {
    moveListEntries(lstImport_Import, lstImport_DB, false, false);
}

void frmImport::lstImport_DB_DblClick() {
    const int i = lstImport_DB->currentRow();
    if (i < 0 || i >= lstImport_DB->count()) return;
    lstImport_Import->addItem(lstImport_DB->takeItem(i));
    cmdWeiter->setEnabled(true);
}

void frmImport::lstImport_Import_DblClick() {
    const int i = lstImport_Import->currentRow();
    if (i < 0 || i >= lstImport_Import->count()) return;
    lstImport_DB->addItem(lstImport_Import->takeItem(i));
    if (lstImport_Import->count() == 0) cmdWeiter->setEnabled(false);
}

void frmImport::importStep2() {
    cmdBack->hide();
    ImportChanged = true;
    cmdWeiter->setText(GetText(623));
    cmdCancel->setText(GetText(624));
    cmdWeiter->setEnabled(false);
    cmdCancel->setEnabled(false);
    fraC_Import->hide();
    fraD_Import_Finish->show();
    ImportFromDB();
    cmdWeiter->setEnabled(true);
    cmdCancel->setEnabled(true);
}

void frmImport::ImportFromDB() {
    QList<long> chosen;
    for (int j = 0; j < lstImport_Import->count(); ++j)
        chosen << long(lstImport_Import->item(j)->data(Qt::UserRole).toLongLong());
    SkippedCount = 0;
    forms::setMousePointer(forms::vbHourglass);
    DbImportHooks hooks;
    hooks.progress = [this](int p) { showProgress(lblDImport_Added, p); };
    hooks.updateThemes = [this] { host_.UpdateWindow(QStringLiteral("THEMEN")); };
    // The mark goes in with the items: the import is one commit, and an
    // import taken back leaves no mark.
    hooks.mark = [this] {
        if (auto opt = host_.OptionsRecord()) MixedMark(*opt);
    };
    int count = 0;
    DbImportResult partial;
    wk::Error markError(0, QString());
    try {
        dao::RecordsetPtr data = host_.GridRecordset();
        const DbImportResult r =
            exchange::ImportFromDB(need(Src.vok), chosen, need(data), runstate::MaxUsers, hooks, &partial);
        markError = r.markError;
        SkippedCount = r.skipped;
        // Items really written: a declined or refused one is not counted.
        count = r.written;
        if (!r.failed.isEmpty()) {
            forms::setMousePointer(forms::vbDefault);
            modMain::ShowError(r.failedError.number(),
                               r.failedError.description() + QStringLiteral(" (") +
                                   r.failed.join(QStringLiteral(", ")) + QLatin1Char(')'),
                               QStringLiteral("FF91"));
        }
    } catch (const wk::Error& e) {
        // The import was taken back as a whole: nothing was written.
        SkippedCount = partial.skipped;
        count = partial.written;
        forms::setMousePointer(forms::vbDefault);
        modMain::ShowError(e.number(), e.description(), QStringLiteral("FF91"));
    }
    forms::setMousePointer(forms::vbDefault);
    lblDImport_Added->setText(count == 1 ? QStringLiteral("1") + GetText(621)
                                         : QString::number(count) + GetText(622));
    tellResult(lblDImport_Added->text());
    if (markError.number() != 0)
        modMain::ShowError(markError.number(), markError.description(), QStringLiteral("FF91"));
}

}  // namespace exchange
