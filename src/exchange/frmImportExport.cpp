// The wizard's export path: the items and fields to write, their order, the
// separator, and the file.
#include "exchange/frmImport.h"
#include "exchange/frmImportParts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <cmath>

#include "core/RunState.h"
#include "core/UserFiles.h"
#include "core/modMain.h"
#include "exchange/ExportWriter.h"
#include "platform/Error.h"
#include "platform/RegularFile.h"
#include "platform/forms/Captions.h"
#include "platform/forms/Interaction.h"
#include "platform/forms/MousePointer.h"
#include "platform/forms/Twips.h"
#include "platform/grid/Grid.h"
#include "platform/shell/Shell.h"
#include "testengine/Answers.h"

namespace exchange {

using modMain::GetText;

namespace {

// The export lists keep the database's order: by the position in column 2.
void sortByPosition(grid::Grid& g) {
    g.SetSortColumn(1, 2);
    g.SetSortOrder(1, grid::SortAscending);
    g.SetSortType(1, grid::SortNumeric);
    g.Sort();
}

QString percentText(double p) {
    return QString::number(static_cast<long long>(std::floor(p))) + QLatin1Char('%');
}

}  // namespace

// ------------------------------------------------------------------ export

void frmImport::exportStep1() {
    fraB_Export->hide();
    fraC_Export->show();
    forms::ui().DoEvents();
    cmdWeiter->setEnabled(false);
    for (auto* b : {cmdExport_DB_L2R, cmdExport_DB_L2R_A, cmdExport_DB_R2L, cmdExport_DB_R2L_A})
        b->setEnabled(false);
    fillExportItems();
    for (auto* b : {cmdExport_DB_L2R, cmdExport_DB_L2R_A, cmdExport_DB_R2L, cmdExport_DB_R2L_A})
        b->setEnabled(true);
}

void frmImport::fillExportItems() {
    for (grid::Grid* g : {vgExEx, vgExDB}) {
        g->Clear(true);
        g->AddColumn(QStringLiteral("Q"));
        g->AddColumn(QStringLiteral("rsno"), QString(), grid::AlignLeft, -1, -1, false);
    }
    vgExDB->hide();
    vgExDB->SetRedraw(false);
    const QString caption = lblBExport_DB->text();
    lblBExport_DB->setText(GetText(619));
    lblBExport_DB->repaint();
    forms::setMousePointer(forms::vbHourglass);
    dao::RecordsetPtr data = host_.GridRecordset();
    if (data) {
        // The grid recordset stays on the record of the grid's selected row.
        gridPositionBefore_ = data->AbsolutePosition();
        const long count = data->RecordCount();
        for (long r = 1; r <= count; ++r) {
            data->SetAbsolutePosition(r - 1);
            vgExDB->AddRow(-1, QString::number(r - 1));
            vgExDB->CellDetails(r, 1, data->Value(QStringLiteral("Q")).toString(), grid::FormatSingleLine, -1,
                                -1, -1, &questionFont);
            vgExDB->CellDetails(r, 2, QString::number(r - 1));
        }
        if (gridPositionBefore_ >= 0) data->SetAbsolutePosition(gridPositionBefore_);
    }
    forms::setMousePointer(forms::vbDefault);
    lblBExport_DB->setText(caption);
    vgExDB->AutoWidthColumn(QStringLiteral("Q"));
    vgExEx->AutoWidthColumn(QStringLiteral("Q"));
    vgExDB->show();
    vgExDB->SetRedraw(true);
}

void frmImport::moveRow(grid::Grid* from, grid::Grid* to, long row, bool bulk) {
    const QString text = from->CellText(row, 1);
    const QString pos = from->CellText(row, 2);
    to->AddRow(-1, pos);
    const long r = to->Rows();
    to->CellDetails(r, 1, text, grid::FormatSingleLine, -1, -1, -1, &questionFont);
    to->CellDetails(r, 2, pos);
    if (!bulk) {
        for (QPushButton* all : {cmdExport_DB_L2R_A, cmdExport_DB_R2L_A}) all->setAccessibleDescription({});
        sortByPosition(*to);
        vgExDB->AutoWidthColumn(QStringLiteral("Q"));
        vgExEx->AutoWidthColumn(QStringLiteral("Q"));
    }
}

void frmImport::moveSelected(bool toExport) {
    grid::Grid* from = toExport ? vgExDB : vgExEx;
    grid::Grid* to = toExport ? vgExEx : vgExDB;
    for (;;) {
        long i = 0;
        for (long r = 1; r <= from->Rows(); ++r)
            if (from->CellSelected(r, 1)) {
                i = r;
                break;
            }
        if (i == 0) break;
        bool nextSelected = false;
        if (i + 1 <= from->Rows()) nextSelected = from->CellSelected(i + 1, 1);
        moveRow(from, to, i, false);
        from->RemoveRow(i);
        if (i <= from->Rows()) from->SetCellSelected(i, 1, nextSelected);
        if (toExport) cmdWeiter->setEnabled(true);
    }
    if (!toExport) cmdWeiter->setEnabled(vgExEx->Rows() > 0);
    vgExEx->SetShowData(vgExEx->Rows() > 0);
    vgExDB->SetShowData(vgExDB->Rows() > 0);
}

void frmImport::moveAll(bool toExport) {
    grid::Grid* from = toExport ? vgExDB : vgExEx;
    grid::Grid* to = toExport ? vgExEx : vgExDB;
    for (grid::Grid* g : {vgExDB, vgExEx}) {
        g->SetShowData(false);
        g->SetRedraw(false);
    }
    cmdCancel->setEnabled(false);
    if (!toExport) {
        cmdWeiter->setEnabled(false);
        cmdWeiter->repaint();
    }
    forms::setMousePointer(forms::vbHourglass);
    const QString caption = lblBExport_DBI->text();
    lblBExport_DBI->setText(GetText(618));
    lblBExport_DBI->repaint();
    for (long r = 1; r <= from->Rows(); ++r) moveRow(from, to, r, true);
    from->Clear(false);
    cmdCancel->setEnabled(true);
    if (toExport)
        cmdWeiter->setEnabled(true);
    else if (vgExEx->Rows() == 0)
        cmdWeiter->setEnabled(false);
    lblBExport_DBI->setText(caption);
    sortByPosition(*to);
    to->AutoWidthColumn(QStringLiteral("Q"));
    forms::setMousePointer(forms::vbDefault);
    to->SetShowData(true);
    from->SetShowData(false);
    vgExDB->SetRedraw(true);
    vgExEx->SetRedraw(true);
    // Heard where the keys are, on the button, with the list they are in now.
    const long n = to->Rows();
    const QString words = forms::spokenCaption((toExport ? lblBExport_DBI : lblBExport_DB)->text()) +
                          QStringLiteral(": ") + QString::number(n) + QLatin1Char(' ') +
                          GetText(n == 1 ? 377 : 378);
    cmdExport_DB_L2R_A->setAccessibleDescription(toExport ? words : QString());
    cmdExport_DB_R2L_A->setAccessibleDescription(toExport ? QString() : words);
}

void frmImport::cmdExport_DB_L2R_Click() {
    moveSelected(true);
}
void frmImport::cmdExport_DB_R2L_Click() {
    moveSelected(false);
}
void frmImport::cmdExport_DB_L2R_A_Click() {
    moveAll(true);
}
void frmImport::cmdExport_DB_R2L_A_Click() {
    moveAll(false);
}

void frmImport::afterExportMove() {
    cmdWeiter->setEnabled(vgExEx->Rows() > 0);
    vgExEx->SetShowData(vgExEx->Rows() > 0);
    vgExDB->SetShowData(vgExDB->Rows() > 0);
}

void frmImport::vgExDB_DblClick(long row, long /*column*/) {
    if (row < 1 || row > vgExDB->Rows()) return;
    try {
        moveRow(vgExDB, vgExEx, row, false);
        vgExDB->RemoveRow(row);
        afterExportMove();
    } catch (const wk::Error&) {
        // A double click that goes wrong moves nothing further.
    }
}

void frmImport::vgExEx_DblClick(long row, long /*column*/) {
    if (row < 1 || row > vgExEx->Rows()) return;
    try {
        moveRow(vgExEx, vgExDB, row, false);
        vgExEx->RemoveRow(row);
        afterExportMove();
    } catch (const wk::Error&) {
    }
}

void frmImport::cmdExUp_Click() {
    const int i = lstExFields->currentRow();
    if (i > 0) {
        const QSignalBlocker block(lstExFields);
        QListWidgetItem* item = lstExFields->takeItem(i);
        lstExFields->insertItem(i - 1, item);
    }
    lstExFields->setFocus();
}

void frmImport::cmdExDown_Click() {
    const int i = lstExFields->currentRow();
    if (i >= 0 && i < lstExFields->count() - 1) {
        const QSignalBlocker block(lstExFields);
        QListWidgetItem* item = lstExFields->takeItem(i);
        lstExFields->insertItem(i + 1, item);
        lstExFields->setCurrentRow(i + 1);
    }
    lstExFields->setFocus();
}

void frmImport::lstExFields_Click() {
    bool any = false;
    for (int i = 0; i < lstExFields->count(); ++i)
        any = any || lstExFields->item(i)->checkState() == Qt::Checked;
    cmdWeiter->setEnabled(any);
}

void frmImport::cboExSep_Click() {
    switch (cboExSep->currentIndex()) {
        case 0:
            ExportSep = QStringLiteral("\t");
            break;
        case 1:
            ExportSep = QStringLiteral(";");
            break;
        case 2:
            ExportSep = QStringLiteral(",");
            break;
        default:
            break;
    }
}

void frmImport::exportWrite() {
    forms::FileDialog dlg;
    try {
        dlg.CancelError = true;
        const QString docs = shell::DocumentsFolder();
        dlg.InitDir = docs;
        dlg.DialogTitle = GetText(642);
        dlg.Flags = forms::cdlOFNHideReadOnly | forms::cdlOFNFileMustExist;
        const QString ext = ExportFormat == 0 ? QStringLiteral(".txt") : QStringLiteral(".htm");
        dlg.Filter = ExportFormat == 0 ? GetText(643) : GetText(644);
        dlg.FileName = runstate::VokDBName.toLower() + ext;
        for (;;) {
            if (!forms::ui().ShowSave(dlg)) return;
            // A file the program holds, or a pipe or device, is never written
            // over; the dialog comes back for another name.
            if (userfiles::IsHeldFile(dlg.FileName)) {
                forms::ui().MsgBox(userfiles::HeldFileText(dlg.FileName), forms::vbExclamation);
                continue;
            }
            if (wk::KindOfFile(dlg.FileName) == wk::FileKind::Other) {
                forms::ui().MsgBox(userfiles::NonRegularTargetText(dlg.FileName), forms::vbExclamation);
                continue;
            }
            if (dlg.FileName.isEmpty() || !QFileInfo(dlg.FileName).isFile()) break;  // a folder fails below
            // A file of that name is the user's: replaced only when they say
            // so, otherwise the dialog comes back for another name.
            const QString title =
                dlg.FileTitle.isEmpty() ? QFileInfo(dlg.FileName).fileName() : dlg.FileTitle;
            if (forms::ui().MsgBox(GetText(38) + title + " !" + "\r\r" + GetText(39), forms::vbYesNo,
                                   GetText(40)) == forms::vbYes)
                break;
        }
    } catch (const wk::Error&) {
        return;  // cancelled: the page stays for another try
    }
    if (dlg.FileName.isEmpty()) return;
    ExportFileName = dlg.FileName;

    const bool wasText = fraE_Export->isVisibleTo(this);
    fraD_Export->hide();
    fraE_Export->hide();
    fraF_Export->show();
    cmdWeiter->setText(GetText(627));
    cmdWeiter->setEnabled(false);
    cmdCancel->hide();
    cmdExView->setEnabled(false);
    forms::setMousePointer(forms::vbHourglass);
    forms::ui().DoEvents();

    dao::RecordsetPtr data = host_.GridRecordset();
    ExportJob job;
    job.format = ExportFormat == 1 ? exchange::ExportFormat::Html : exchange::ExportFormat::Text;
    job.separator = ExportSep;
    job.header = chkExHeader->isChecked();
    for (long r = 1; r <= vgExEx->Rows(); ++r) job.positions.push_back(vgExEx->CellText(r, 2).toLong());
    for (int i = 0; i < lstExFields->count(); ++i)
        job.fields.append({lstExFields->item(i)->text(), lstExFields->item(i)->checkState() == Qt::Checked});
    job.slot = runstate::BenutzerNr;
    job.dbName = runstate::VokDBName;
    job.progress = [this](long r, long total) {
        lblExStatus->setText(percentText(double(r) / (double(total) / 100.0)));
        lblExStatus->repaint();
        forms::ui().DoEvents();
    };
    // Back to the page before, ready for another try; no per-cent figure
    // stays behind for a file that was not written.
    auto backToPageBefore = [&] {
        forms::setMousePointer(forms::vbDefault);
        lblExStatus->clear();
        fraF_Export->hide();
        (wasText ? fraE_Export : fraD_Export)->show();
        cmdWeiter->setText(GetText(603));
        cmdWeiter->setEnabled(true);
        cmdCancel->show();
    };
    QByteArray content;
    try {
        const int n = testengine::MaxAnswerCount(need(data));
        content = BuildExport(*data, job, n);
    } catch (const wk::Error& e) {
        backToPageBefore();
        modMain::ShowError(e.number(), e.description(), QString());
        return;
    }
    try {
        WriteFileAtomically(ExportFileName, content);
    } catch (const wk::Error&) {
        // A missing folder or a read-only place is the user's to mend, not a
        // fault to report to us.
        backToPageBefore();
        forms::ui().MsgBox(CannotWriteText(ExportFileName), forms::vbExclamation);
        return;
    }
    const long total = long(job.positions.size());
    lblExStatus->setText(QString::number(total) + QLatin1Char(' ') + GetText(total >= 2 ? 629 : 628));
    tellResult(lblExStatus->text());
    cmdExView->setEnabled(true);
    cmdWeiter->setEnabled(true);
    ExportStep = 5;
    forms::setMousePointer(forms::vbDefault);
}

void frmImport::cmdExView_Click() {
    if (ExportFormat != 0 && ExportFormat != 1) return;
    const QString shown = QDir::toNativeSeparators(ExportFileName);
    if (!QFileInfo(ExportFileName).isFile())
        forms::ui().MsgBox(GetText(647) + QLatin1Char('\r') + shown, forms::vbExclamation);
    else if (!shell::OpenDocument(ExportFileName))
        forms::ui().MsgBox(GetText(648) + QLatin1Char('\r') + shown, forms::vbExclamation);
}

}  // namespace exchange
