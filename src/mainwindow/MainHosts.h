#pragma once
// What the new-database, exit and change-of-user code needs of the main
// window, taken from the window itself, so its own operations forward in one
// line.

#include <functional>

#include "vocabdb/VokDBNeu.h"
#include "vocabdb/modExit.h"

namespace mainwindow {

class frmMain;

// Closes the open vocabulary database, ignoring any error, and shows the
// no-database state.
void VokDBSchliessen(frmMain& f);

vocabdb::NewDBHost NewDBHostFor(frmMain& f);
vocabdb::ExitHost ExitHostFor(frmMain& f);

// The main bar's new-database command: the main window is disabled and the
// note dialog shown.
void ShowNewDBDialog(frmMain& f);

}  // namespace mainwindow

namespace mainwindow {

// The change of user by a double click on the user name: the restart
// marker, a new instance, then the exit of this one. When the new instance
// cannot be started this one stays.
void ChangeUser(frmMain& f, const std::function<bool()>& startInstance = {});

}  // namespace mainwindow
