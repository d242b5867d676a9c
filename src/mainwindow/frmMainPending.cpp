// Commands the main bar, the title bar and the keys call but that belong to
// other parts of the window. Each body here does nothing but note that it was
// reached (for the tests of the callers) and is waiting for its own part;
// this file goes when they arrive.
#include "mainwindow/frmMain.h"

namespace mainwindow {

// Waiting for the overview's toolbar and grid menu.
void frmMain::cmdOverview1_New_Click() {
    pendingCalls << QStringLiteral("cmdOverview1_New_Click");
}
void frmMain::cmdOverview1_Record_Click() {
    pendingCalls << QStringLiteral("cmdOverview1_Record_Click");
}
void frmMain::cmdOverview1_GridOptions_Click() {
    pendingCalls << QStringLiteral("cmdOverview1_GridOptions_Click");
}
void frmMain::mnuVGrid_ImportSound_Click() {
    pendingCalls << QStringLiteral("mnuVGrid_ImportSound_Click");
}
void frmMain::mnuVGrid_ImportPic_Click() {
    pendingCalls << QStringLiteral("mnuVGrid_ImportPic_Click");
}

}  // namespace mainwindow
