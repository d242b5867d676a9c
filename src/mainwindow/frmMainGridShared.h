#pragma once
// Helpers the grid's handlers share: the overview toolbar's buttons found by
// name, and the program options of USER.MDB they read.

#include <QString>
#include <functional>

namespace mainwindow {

class frmMain;

// Enables or disables a toolbar button of the overview; a picture key of
// ilVG, when given, becomes its picture. A button not built does nothing.
void setOverviewButton(frmMain& m, const char* name, bool enabled, const QString& pictureKey = {});
// False when the button is disabled or not there.
bool overviewButtonEnabled(const frmMain& m, const char* name);
// A field of USER.MDB's Options as an integer, fallback when unreadable.
int userOption(const char* field, int fallback);
// Deletes the current record, which stands at position pos and in row r (0:
// no row shows it), then its row: the positions after it move up by one and
// the rows from r get their stripes anew, r's old colour first. The record
// goes first, so a delete that fails keeps the row; then the error is shown
// with helpContext and the result is false. With onNoCurrent, "no current
// record" calls it instead of showing an error.
bool deleteRecordAndRow(frmMain& m, long pos, long r, long colour, const QString& helpContext,
                        const std::function<void()>& onNoCurrent = {});

}  // namespace mainwindow
