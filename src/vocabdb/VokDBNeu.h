#pragma once
// Creating a new, empty vocabulary database: the save dialog in DB, the
// question before an existing file is replaced, the current schema with the
// note of NeuDBCopyright, and the opening of the new file.

#include <QString>
#include <functional>

namespace vocabdb {

// What the creation needs of the main window.
struct NewDBHost {
    // Closes the open vocabulary database and shows the no-database state
    // (VokDBSchliessen). Called only when the open file is the one replaced.
    std::function<void()> closeOpenDatabase;
    // VokDBOeffnen; true when the file is now the open database.
    std::function<bool(const QString&)> openDatabase;
};

// The main window's VokDBNeu. The new file is built beside the chosen name
// and takes that name only when complete, so a failed creation leaves an
// existing file, and the database open before, as they were.
void VokDBNeu(const NewDBHost& host);

// Whether `path` names the file of the open vocabulary database.
bool IsOpenDatabaseFile(const QString& path);

}  // namespace vocabdb
