#pragma once
// The VFS through which every connection of the layer opens its files:
// SQLite's own, with SQLite's questions about a journal beside a file put
// to the journal guard first (LeftoverJournal.h), the lock SQLite holds on
// each database file as it takes and gives it back, and the error number
// of the file operation that failed, with the file it failed on.

#include <QByteArray>

struct sqlite3;

namespace dao::detail {

// Its name, for sqlite3_open_v2.
const char* layerVfs();

// The system's error number of the file operation that failed last on a
// file of this connection (its database, a journal beside it, or a
// temporary file) since forgetFailedCall(); 0 when none did. SQLite's own
// record of a file's last error outlives the statement it came from; this
// one is forgotten when a statement begins.
int failedCallErrno(sqlite3* db);
void forgetFailedCall();

// The strongest of SQLite's locks that a connection of this process holds
// on the database file `name` (as SQLite names it), as the layer's VFS saw
// SQLite take it: SQLITE_LOCK_NONE .. SQLITE_LOCK_EXCLUSIVE; -1 where no
// connection has the file open through this VFS.
int sqliteLockOn(const QByteArray& name);

}  // namespace dao::detail
