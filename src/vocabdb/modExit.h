#pragma once
// The one way the program ends once the main window is up: the window's
// placement goes into the user's row, both databases are closed, and each is
// compacted in place behind a wait window before the process ends.

#include <QRect>
#include <QString>
#include <functional>

#include "platform/dao/Dao.h"

class QWidget;

namespace vocabdb {

// What the exit needs of the main window.
struct ExitHost {
    QWidget* mainWindow = nullptr;  // placement is read from it, then it hides
    // The recording control gets its "Close" before the end.
    std::function<void()> closeRecorder;
};

// Writes R3, R4, LastWidth, LastHeight (screen pixels, the window's outer
// position and size, the window manager's frame included) and R5 (1 while maximised) into the
// user's current row. Any failure is ignored: the placement is a courtesy.
void SaveWindowPlacement(const dao::RecordsetPtr& rsBenutzer, const QRect& geometry, bool maximised);

// What the compaction step did, for tests.
struct CompactOutcome {
    bool ran = false;     // the vocabulary database was open and closed cleanly
    bool vokOk = false;   // it was compacted
    bool userOk = false;  // same for USER.MDB
};

// Steps after the placement: closes USER.MDB and the vocabulary database
// and, when the latter was open and closed cleanly, compacts it (the file it
// was opened from) and USER.MDB, each in place. A file another process has
// open is left as it is; a failure leaves a file as it was. `beforeCompaction` runs once, only when there is
// something to compact (it hides the main window and shows the wait).
CompactOutcome CloseAndCompactDatabases(const std::function<void()>& beforeCompaction = {});

// The whole exit; ends the process through forms::ui().EndProgram.
[[noreturn]] void CompactDatabasesAndEnd(const ExitHost& host);

}  // namespace vocabdb
