// Operations the grid calls that other parts of the window provide. Each
// body is empty until its part arrives, and this file goes then.
#include "mainwindow/frmMain.h"

namespace mainwindow {

// The overview toolbar's search button (shows the search dialog); the
// toolbar gives it its body.
void frmMain::cmdOverview1_Search_Click() {}

}  // namespace mainwindow
