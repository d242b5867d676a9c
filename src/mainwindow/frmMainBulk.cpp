// The grid menu's operations on all items and on the marked items, the
// duplicate search and the removal of blanks.
#include "core/RunState.h"
#include "core/RunStateDb.h"
#include "core/modMain.h"
#include "mainwindow/frmMain.h"
#include "overview/BulkOps.h"
#include "overview/GridModel.h"
#include "platform/Error.h"
#include "platform/forms/Interaction.h"
#include "platform/forms/MousePointer.h"
#include "platform/grid/Grid.h"
#include "vocabdb/DelStat.h"

namespace mainwindow {

using namespace runstate;
namespace bulk = overview::bulk;

namespace {

dao::Workspace& vokWorkspace() {
    return wsVok ? *wsVok : dao::DBEngine::DefaultWorkspace();
}

}  // namespace

// A walk that fails has put every item back; the user learns why, and the
// grid is rebuilt either way so that it shows what is stored.
void frmMain::runBulk(const std::function<void()>& walk, bool rebuild) {
    if (!data) return;
    // What a closed question box uncovered is painted before the walk holds
    // the event loop (painted here, so that no other event runs meanwhile).
    if (isVisible()) repaint();
    try {
        // The hourglass while the items are written, gone before any message.
        forms::BusyCursor busy;
        walk();
    } catch (const wk::Error& e) {
        modMain::ShowError(e.number(), e.description(), QString());
    }
    if (rebuild) FillVG1();
}

void frmMain::mnuVGrid_CheckAll_Click() {
    runBulk([this] { bulk::SetMarks(*data, vokWorkspace(), true); });
}

void frmMain::mnuVGrid_UncheckAll_Click() {
    runBulk([this] { bulk::SetMarks(*data, vokWorkspace(), false); });
}

void frmMain::mnuVGrid_Alle_SoundDel_Click() {
    runBulk([this] { bulk::ClearSounds(*data, vokWorkspace(), bulk::Items::All); });
}

void frmMain::mnuVGrid_Markierte_SoundDel_Click() {
    runBulk([this] { bulk::ClearSounds(*data, vokWorkspace(), bulk::Items::Marked); });
}

void frmMain::mnuVGrid_Alle_DelPic_Click() {
    runBulk([this] { bulk::ClearPictures(*data, vokWorkspace(), bulk::Items::All); });
}

void frmMain::mnuVGrid_Markierte_DelPic_Click() {
    runBulk([this] { bulk::ClearPictures(*data, vokWorkspace(), bulk::Items::Marked); });
}

void frmMain::mnuVGrid_Alle_DelStat_Click() {
    runBulk([this] { vocabdb::DelStat(data, BenutzerNr, vokWorkspace(), MaxUsers); });
}

void frmMain::mnuVGrid_Markierte_DelStat_Click() {
    runBulk([this] { bulk::ClearMarkedStatistics(*data, vokWorkspace(), BenutzerNr); });
}

void frmMain::mnuVGrid_Alle_Tausche_Click() {
    runBulk([this] { bulk::ExchangeQuestionAnswer(*data, vokWorkspace(), bulk::Items::All); });
}

void frmMain::mnuVGrid_Markierte_Tausche_Click() {
    runBulk([this] { bulk::ExchangeQuestionAnswer(*data, vokWorkspace(), bulk::Items::Marked); });
}

void frmMain::mnuVGrid_Alle_RenameT_Click() {
    renameTheme(false);
}

void frmMain::mnuVGrid_Markierte_RenameT_Click() {
    renameTheme(true);
}

void frmMain::renameTheme(bool marked) {
    if (!data) return;
    QString proposal;
    try {
        const QVariant t = data->Value(QStringLiteral("T"));
        if (t.isValid()) proposal = t.toString();
    } catch (const wk::Error&) {
    }
    int size = 0;
    try {
        size = data->FieldDefinedSize(QStringLiteral("T"));
    } catch (const wk::Error&) {
    }
    QString theme;
    for (;;) {
        theme = forms::ui().InputBox(modMain::GetText(116), modMain::GetText(117), proposal);
        if (theme.isEmpty()) return;
        if (theme.contains(QLatin1Char('\''))) {
            forms::ui().MsgBox(modMain::GetText(78), forms::vbExclamation | forms::vbOKOnly,
                               modMain::GetText(40));
            continue;
        }
        if (modMain::FitsField(theme, size)) break;
        // Asked again with what was typed, to be shortened.
        proposal = theme;
    }
    runBulk([&] {
        bulk::RenameTheme(*data, vokWorkspace(), marked ? bulk::Items::Marked : bulk::Items::All, theme);
        UpdateWindow(QStringLiteral("THEMEN"));
    });
}

void frmMain::mnuVGrid_Markierte_Del_Click() {
    if (!data) return;
    long c = 0;
    try {
        forms::BusyCursor busy;
        c = bulk::CountMarked(*data);
    } catch (const wk::Error& e) {
        modMain::ShowError(e.number(), e.description(), QString());
        return;
    }
    if (c == 0) return;
    const QString text = modMain::GetText(5046) + QString::number(c) + modMain::GetText(c == 1 ? 5049 : 5047);
    if (forms::ui().MsgBox(text, forms::vbYesNo, modMain::GetText(5048)) != forms::vbYes) return;
    runBulk([this] {
        bulk::DeleteMarked(*data, vokWorkspace());
        refreshSubjectLists();
    });
}

void frmMain::mnuVGrid_FindDuplicates_Click() {
    QStringList texts;
    long qcol = 0;
    if (vg1->ColumnExists(QStringLiteral("Q"))) {
        qcol = vg1->ColumnIndex(QStringLiteral("Q"));
        for (long r = 1; r <= vg1->Rows(); ++r) texts << vg1->CellText(r, qcol);
    }
    const long i = bulk::FindDuplicate(texts);
    if (i < 0) {
        forms::ui().MsgBox(modMain::GetText(678), forms::vbOKOnly, QString());
        return;
    }
    const long row = i + 1;
    vg1->EnsureVisible(row, qcol);
    vg1->SetSelectedRow(row);
    vg1_SelectionChange(row, qcol);
}

void frmMain::mnuVGrid_Alle_DelSpaces_Click() {
    if (!data) return;
    const QString text = modMain::GetText(132) + QStringLiteral("\r\n\r\n") + modMain::GetText(133);
    if (forms::ui().MsgBox(text, forms::vbYesNo, QString()) != forms::vbYes) return;
    runBulk([this] { bulk::DeleteSpaces(*data, vokWorkspace()); });
}

}  // namespace mainwindow
