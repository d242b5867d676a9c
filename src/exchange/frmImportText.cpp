// The wizard's text import path: the file, its format and separator, the
// preview, and the import itself.
#include "exchange/frmImport.h"
#include "exchange/frmImportParts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "core/RunState.h"
#include "core/UserFiles.h"
#include "core/modFunctions.h"
#include "core/modMain.h"
#include "exchange/TextImport.h"
#include "platform/Error.h"
#include "platform/Memory.h"
#include "platform/forms/Interaction.h"
#include "platform/forms/MousePointer.h"
#include "platform/forms/Twips.h"
#include "platform/grid/Grid.h"

namespace exchange {

using modMain::GetText;

namespace {

// Message ids of the refusals for want of memory.
constexpr int kNoMemoryForFile = 5090;
constexpr int kFileTooLarge = 5091;
constexpr int kNoMemoryForImport = 5092;

}  // namespace

// ------------------------------------------------------------- text import

// The per-cent label of an import, set only when its text changes.
void frmImport::showProgress(QLabel* label, int percent) {
    const QString text = QString::number(percent) + QLatin1Char('%');
    if (label->text() != text) label->setText(text);
}

void frmImport::cmdTXTImportFile_Click() {
    forms::FileDialog dlg;
    try {
        dlg.CancelError = true;
        dlg.InitDir = modMain::GetDBPath();
        dlg.DialogTitle = GetText(662);
        dlg.Flags = forms::cdlOFNHideReadOnly | forms::cdlOFNFileMustExist;
        dlg.Filter = QStringLiteral("*.*|*.*");
        if (!forms::ui().ShowOpen(dlg)) return;
    } catch (const wk::Error&) {
        return;
    }
    if (userfiles::RefuseNonRegularSource(dlg.FileName) || userfiles::RefuseHeldSource(dlg.FileName)) return;
    if (!dlg.FileName.isEmpty()) txtB_TXTImport_FileName->setText(dlg.FileName);
}

bool frmImport::textPathUsable() const {
    // A folder name on the way to the file (typed up to its slash) is no
    // file yet: reading it would put an error box under every keystroke.
    // A database the program holds is no text.
    const QString t = txtB_TXTImport_FileName->text();
    return t.size() >= 4 && modFunctions::FileExists(t) && !QFileInfo(t).isDir() && !userfiles::IsHeldFile(t);
}

void frmImport::txtB_TXTImport_FileName_Change() {
    if (!textPathUsable()) {
        userfiles::RefuseHeldSource(txtB_TXTImport_FileName->text());
        chkB_TXTImport_Header->hide();
        vgB_TXTImport->SetShowData(false);
        cmdWeiter->setEnabled(false);
        lblB_TXTImport->setText(QStringLiteral("-"));
        return;
    }
    ShowTXTImportPreview();
    chkB_TXTImport_Header->show();
    vgB_TXTImport->SetShowData(true);
    // The rows read before an error can be imported; a file refused for
    // its size has none.
    cmdWeiter->setEnabled(!previewRefused_);
}

void frmImport::cboB_TXTImport_Format_Click() {
    if (textPathUsable()) rereadTextPreview();
}
void frmImport::cboB_TXTImport_Separator_Click() {
    if (textPathUsable()) rereadTextPreview();
}
void frmImport::chkB_TXTImport_Header_Click() {
    if (textPathUsable()) rereadTextPreview();
}

void frmImport::rereadTextPreview() {
    ShowTXTImportPreview();
    // The path was usable: Next is on unless the file was refused.
    cmdWeiter->setEnabled(!previewRefused_);
}

void frmImport::ShowTXTImportPreview() {
    forms::setMousePointer(forms::vbHourglass);
    const QString sep = cboB_TXTImport_Separator->currentIndex() == 0
                            ? QStringLiteral("\t")
                            : cboB_TXTImport_Separator->currentText();
    const auto layout = cboB_TXTImport_Format->currentIndex() == 1 ? TextLayout::QuestionAnswers
                                                                   : TextLayout::QuestionAnswerTheme;
    vgB_TXTImport->Clear(true);
    vgB_TXTImport->AddColumn(QStringLiteral("Q"), GetText(60));
    if (layout == TextLayout::QuestionAnswerTheme) {
        vgB_TXTImport->AddColumn(QStringLiteral("A"), GetText(51));
        vgB_TXTImport->AddColumn(QStringLiteral("T"), GetText(52));
    } else {
        for (int i = 1; i <= 9; ++i) vgB_TXTImport->AddColumn(QStringLiteral("A%1").arg(i), GetText(60 + i));
    }
    // The rows go into the grid as they are read: the grid is all the
    // program holds of the file. The rows are counted with what their
    // import will take, so that a file shown can be imported.
    previewRefused_ = false;
    previewImportBytes_ = 0;
    TextPreview p;
    vgB_TXTImport->SetRedraw(false);
    try {
        p = ReadImportFile(
            txtB_TXTImport_FileName->text(), sep, layout, chkB_TXTImport_Header->isChecked(),
            [this](const QStringList& row) {
                vgB_TXTImport->AddRow();
                const long r = vgB_TXTImport->Rows();
                for (int c = 0; c < row.size(); ++c) vgB_TXTImport->CellDetails(r, c + 1, row.at(c));
                previewImportBytes_ += ImportRowBytes(row.at(0));
            },
            TextImportBudget(wk::AvailableMemory()));
    } catch (const wk::Error& e) {
        if (e.number() == kOutOfMemory) {
            // Part of a file is not offered for import as if it were all.
            vgB_TXTImport->Clear(false);
            previewImportBytes_ = 0;
            vgB_TXTImport->SetRedraw(true);
            previewRefused_ = true;
            lblB_TXTImport->setText(QStringLiteral("-"));
            forms::setMousePointer(forms::vbDefault);
            forms::ui().MsgBox(GetText(kNoMemoryForFile) + QLatin1Char('\r') +
                                   QDir::toNativeSeparators(txtB_TXTImport_FileName->text()) +
                                   QStringLiteral("\r\r") + GetText(kFileTooLarge),
                               forms::vbExclamation, runstate::ProgName);
            return;
        }
        vgB_TXTImport->SetRedraw(true);
        forms::setMousePointer(forms::vbDefault);
        modMain::ShowError(e.number(), e.description(), QStringLiteral("HT4i"));
        return;
    }
    vgB_TXTImport->SetRedraw(true);
    const int n = p.counted - p.skipped;
    lblB_TXTImport->setText(QString::number(n) + QLatin1Char(' ') + GetText(n < 2 ? 377 : 378));
    forms::setMousePointer(forms::vbDefault);
}

void frmImport::textImportStep1() {
    ImportStep = 2;
    fraB_TXTImport->hide();
    fraC_TXTImport->show();
    cmdWeiter->setEnabled(false);
    cmdCancel->setEnabled(false);

    const auto layout = cboB_TXTImport_Format->currentIndex() == 1 ? TextLayout::QuestionAnswers
                                                                   : TextLayout::QuestionAnswerTheme;
    bool needed = false;
    for (long r = 1; r <= vgB_TXTImport->Rows() && !needed; ++r)
        needed = layout == TextLayout::QuestionAnswers || vgB_TXTImport->CellText(r, 3).isEmpty();
    if (needed) {
        DefaultThema.clear();
        while (DefaultThema.isEmpty())
            DefaultThema = forms::ui().InputBox(GetText(675) + QStringLiteral("\r\n\r\n") + GetText(676),
                                                GetText(677), GetText(87));
    }
    ImportTXTFile();
}

void frmImport::ImportTXTFile() {
    const auto layout = cboB_TXTImport_Format->currentIndex() == 1 ? TextLayout::QuestionAnswers
                                                                   : TextLayout::QuestionAnswerTheme;
    const int cells = CellCount(layout);
    const long count = vgB_TXTImport->Rows();
    // The rows are read from the grid one at a time, not copied first.
    const auto rowAt = [this, cells](int r) {
        QStringList row;
        for (int c = 1; c <= cells; ++c)
            row << (c <= vgB_TXTImport->Columns() ? vgB_TXTImport->CellText(r, c) : QString());
        return row;
    };
    TextImportHooks hooks;
    hooks.progress = [this](int p) { showProgress(lblC_TXTProgress, p); };
    hooks.updateThemes = [this] { host_.UpdateWindow(QStringLiteral("THEMEN")); };
    TextImportResult result;
    try {
        // What the rows take to import must be free before the first is written.
        if (kImportBaseBytes + previewImportBytes_ > TextImportBudget(wk::AvailableMemory()))
            throw wk::Error(kOutOfMemory, QStringLiteral("Out of memory"));
        result = ImportTextRows(int(count), rowAt, layout, DefaultThema, need(host_.GridRecordset()),
                                runstate::MaxUsers, forms::ui().Now(), hooks, &result);
    } catch (const wk::Error& e) {
        // The import was taken back as a whole: nothing was written.
        if (e.number() == kOutOfMemory)
            forms::ui().MsgBox(GetText(kNoMemoryForImport), forms::vbExclamation, runstate::ProgName);
        else
            modMain::ShowError(e.number(), e.description(), QStringLiteral("HT4i"));
    }
    if (!result.failed.isEmpty()) {
        QStringList which;
        for (int r : result.failed) which << QString::number(r);
        modMain::ShowError(result.failedError.number(),
                           result.failedError.description() + QStringLiteral(" (") +
                               which.join(QStringLiteral(", ")) + QLatin1Char(')'),
                           QStringLiteral("HT4i"));
    }
    if (!result.tooLong.isEmpty()) {
        QStringList which;
        for (int r : result.tooLong) which << QString::number(r);
        modMain::ShowError(wk::err::FieldTooSmall,
                           dao::ErrorDescription(wk::err::FieldTooSmall) + QStringLiteral(" (") +
                               which.join(QStringLiteral(", ")) + QLatin1Char(')'),
                           QStringLiteral("HT4i"));
    }
    lblC_TXTProgress->setText(result.imported == 1 ? QStringLiteral("1") + GetText(621)
                                                   : QString::number(result.imported) + GetText(622));
    tellResult(lblC_TXTProgress->text());
    cmdWeiter->setText(GetText(623));
    cmdWeiter->setEnabled(true);
    cmdCancel->hide();
}

}  // namespace exchange
