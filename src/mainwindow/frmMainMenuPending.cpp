// Stand-ins for what the toolbar and the grid menu call in forms and
// handlers that other parts of the window bring: each waits for its part
// and goes when that part arrives.
#include "mainwindow/frmMain.h"
#include "overview/GridModel.h"
#include "platform/grid/Grid.h"
#include "platform/grid/ImageList.h"

namespace mainwindow {

// The item editor (frmEditVok) in edit mode, with its error reporting.
void frmMain::mnuVGrid_Edit_Click() {}

// The item editor (frmEditVok) in add mode.
void frmMain::cmdOverview1_New_Click() {
    pendingCalls << QStringLiteral("cmdOverview1_New_Click");
}

// Search (frmSearch).
void frmMain::cmdOverview1_Search_Click() {}

// The import/export wizard (frmImport).
void frmMain::cmdOverview1_Import_Click() {}

// Recording of the current item's sound.
void frmMain::cmdOverview1_Record_Click() {
    pendingCalls << QStringLiteral("cmdOverview1_Record_Click");
}

// Grid options (frmGridOptions).
void frmMain::cmdOverview1_GridOptions_Click() {
    pendingCalls << QStringLiteral("cmdOverview1_GridOptions_Click");
}

// Recording for the marked items (frmMultipleRecording), then FillVG1.
void frmMain::mnuVGrid_Markierte_RecordSound_Click() {}

// The grid's selection change; until it arrives the row's record is made
// current here.
void frmMain::vg1_SelectionChange(long Row, long) {
    if (!data || Row < 1 || Row > vg1->Rows()) return;
    data->SetAbsolutePosition(overview::recordPositionOfRow(*vg1, Row));
    mnuVGrid->setEnabled(true);
    SetOverviewButton(cmdOverview1_Delete, true);
    SetOverviewButton(cmdOverview1_Record, true, ilVG->Picture(QStringLiteral("Recorde")));
    SetOverviewButton(cmdOverview1_SoundImport, true, ilVG->Picture(QStringLiteral("ImportSounde")));
    SetOverviewButton(cmdOverview1_ImportPic, true, ilVG->Picture(QStringLiteral("ImportPice")));
}

}  // namespace mainwindow
