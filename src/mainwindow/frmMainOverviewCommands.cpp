// The overview's toolbar buttons and grid-menu entries that open forms: each
// hands over to the operation that brings the form up with its host.
#include "mainwindow/frmMain.h"
#include "mainwindow/frmMainHosts.h"

namespace mainwindow {

void frmMain::cmdOverview1_New_Click() {
    // The button's hint would stay over the window while the editor is up.
    HideBarPopup();
    OpenItemEditor(true);
}

void frmMain::mnuVGrid_Edit_Click() { OpenItemEditor(false); }

void frmMain::cmdOverview1_Search_Click() { OpenSearch(); }

void frmMain::cmdOverview1_Import_Click() { OpenImportWizard(); }

void frmMain::cmdOverview1_GridOptions_Click() { OpenGridOptions(); }

void frmMain::cmdOverview1_Record_Click() {
    RecordCurrentItem();
    IsRecording = IsRecordingItem();  // the button's hint follows it
    applyAccessibleNames();
}

void frmMain::mnuVGrid_Markierte_RecordSound_Click() { RecordMarkedItems(); }

}  // namespace mainwindow
