// Commands the main bar, the title bar and the keys call but that belong to
// other parts of the window. Each body here does nothing but note that it was
// reached (for the tests of the callers) and is waiting for its own part;
// this file goes when they arrive.
#include "mainwindow/frmMain.h"

namespace mainwindow {

// Waiting for the test screen.
void frmMain::imgBarStartTest_Click() {
    pendingCalls << QStringLiteral("imgBarStartTest_Click");
}
void frmMain::imgTestBarCancel_Click() {
    pendingCalls << QStringLiteral("imgTestBarCancel_Click");
}
void frmMain::imgTestBarSolve_MouseUp(int, int, double, double) {
    pendingCalls << QStringLiteral("imgTestBarSolve_MouseUp");
}
bool frmMain::QuestionOpenNow() const {
    return false;
}
bool frmMain::TestFinishedNow() const {
    return false;
}
long frmMain::ShownItemAnswerCount() const {
    return 0;
}

}  // namespace mainwindow
