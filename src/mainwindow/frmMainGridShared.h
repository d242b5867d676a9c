#pragma once
// Helpers the grid's handlers share: the overview toolbar's buttons found by
// name, and the program options of USER.MDB they read.

#include <QString>

namespace mainwindow {

class frmMain;

// Enables or disables a toolbar button of the overview; a picture key of
// ilVG, when given, becomes its picture. A button not built does nothing.
void setOverviewButton(frmMain& m, const char* name, bool enabled, const QString& pictureKey = {});
// False when the button is disabled or not there.
bool overviewButtonEnabled(const frmMain& m, const char* name);
// A field of USER.MDB's Options as an integer, fallback when unreadable.
int userOption(const char* field, int fallback);

}  // namespace mainwindow
