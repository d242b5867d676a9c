// Keys and mouse over the vocabulary grid: marking, deleting, editing,
// searching and listening to the current item, and the hover hint.
#include <QCursor>

#include "core/RunState.h"
#include "core/RunStateDb.h"
#include "core/modMain.h"
#include "core/modMedia.h"
#include "mainwindow/frmMain.h"
#include "mainwindow/frmMainGridShared.h"
#include "overview/DaoRecordAccess.h"
#include "overview/GridColouring.h"
#include "overview/GridModel.h"
#include "overview/GridUiRules.h"
#include "platform/Error.h"
#include "platform/forms/Interaction.h"
#include "platform/forms/Keys.h"
#include "platform/grid/Grid.h"
#include "platform/grid/ImageList.h"

namespace mainwindow {

using namespace runstate;
using modMain::GetText;

namespace {

void toggleMark(frmMain& m) {
    try {
        if (!m.data || m.data->AbsolutePosition() < 0) return;
        m.data->Edit();
        m.data->SetValue(QStringLiteral("Markiert"), !m.data->Value(QStringLiteral("Markiert")).toBool());
        m.data->Update();
        const long row = m.vg1->SelectedRow();
        if (row < 1 || row > m.vg1->Rows()) return;
        overview::DaoRecordAccess rs(m.data);
        m.vg1->SetCellIcon(row, 1, overview::GridIconKey(rs, userOption("ListIcon", 1), *m.IL));
    } catch (const wk::Error&) {
        try {
            if (m.data->EditMode() != dao::dbEditNone) m.data->CancelUpdate();
        } catch (const wk::Error&) {
        }
    }
}

// The Delete button's state; before the toolbar exists, whether there is an
// item to delete.
bool deleteAllowed(const frmMain& m) {
    if (m.findChild<QWidget*>(QStringLiteral("cmdOverview1_Delete")))
        return overviewButtonEnabled(m, "cmdOverview1_Delete");
    return bDBOffen && m.data && m.vg1->Rows() > 0;
}

// The Delete key's own delete: the item of the selected row, then the
// selection moves on to the row that took its place.
void deleteSelectedItem(frmMain& m) {
    if (!deleteAllowed(m)) return;
    if (forms::ui().MsgBox(GetText(5045), forms::vbYesNo, GetText(5048)) != forms::vbYes) return;
    const long pos = m.data->AbsolutePosition();
    if (pos < 0) return;
    const long r = overview::rowOfRecordPosition(*m.vg1, pos);
    if (r < 1) return;
    const long colour = m.vg1->CellBackColor(r, 2);

    if (!deleteRecordAndRow(m, pos, r, colour, QString())) return;
    m.UpdateWindow(QStringLiteral("THEMEN"));
    m.UpdateWindow(QStringLiteral("lblbcount"));

    try {
        if (m.vg1->Rows() == 0) {
            // Hidden with the focus, the grid would hand it on to the next
            // control in the Tab order; the toolbar takes it below.
            if (QWidget* f = m.focusWidget(); f && m.vg1->isAncestorOf(f)) f->clearFocus();
            m.vg1->hide();
            setOverviewButton(m, "cmdOverview1_Search", false);
            setOverviewButton(m, "cmdOverview1_Delete", false);
            setOverviewButton(m, "cmdOverview1_Record", false, grid::keys::RecordDisabled);
            setOverviewButton(m, "cmdOverview1_SoundImport", false, grid::keys::ImportSoundDisabled);
            setOverviewButton(m, "cmdOverview1_ImportPic", false, grid::keys::ImportPicDisabled);
            m.mnuVGrid->setEnabled(false);
            m.FocusWork();
        }
        if (r > 2) m.vg1->EnsureVisible(r - 2, 2);
        if (r <= m.vg1->Rows()) {
            m.vg1->SetSelectedRow(r);
            m.vg1->SetSelectedColumn(1);
        }
        m.vg1_SelectionChange(r, 1);
        // The last row went: no row is selected, so no item may stay current
        // (the list rebuild left the recordset on its last record).
        if (r > m.vg1->Rows()) overview::leaveNoItemCurrent(*m.data);
    } catch (const wk::Error&) {
    }
}

}  // namespace

void frmMain::vg1_KeyDown(int KeyCode, int Shift) {
    if (KeyCode == 'F' && Shift == forms::vbCtrlMask) {
        cmdOverview1_Search_Click();
        return;
    }
    switch (KeyCode) {
        case forms::vbKeySpace:
            toggleMark(*this);
            break;
        case forms::vbKeyDelete:
            deleteSelectedItem(*this);
            break;
        case forms::vbKeyF2: {
            bool cancel = false;
            vg1_RequestEdit(vg1->SelectedRow(), vg1->SelectedColumn(), forms::vbKeyF2, cancel);
            break;
        }
        case forms::vbKeyF3:
            cmdOverview1_Search_Click();
            break;
        case forms::vbKeyF5:
            if (!vg1->isHidden() && data) {
                try {
                    if (data->AbsolutePosition() >= 0) modMedia::PlayItemSound(*data, true);
                } catch (const wk::Error&) {
                }
            }
            break;
        default:
            break;
    }
}

void frmMain::vg1_DblClick(long lRow, long lCol) {
    bool cancel = false;
    vg1_RequestEdit(lRow, lCol, 113, cancel);
}

void frmMain::vg1_MouseMove(int, int, int, int) {
    BarPopupCursor = QCursor::pos();
    const bool newEnabled = findChild<QWidget*>(QStringLiteral("cmdOverview1_New"))
                                ? overviewButtonEnabled(*this, "cmdOverview1_New")
                                : bDBOffen;
    ShowBarPopup(GetText(430), newEnabled ? 1 : 0, long(twips(imgBarNewDB->x())), QString());
}

}  // namespace mainwindow
