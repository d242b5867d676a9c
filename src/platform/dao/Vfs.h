#pragma once
// The VFS through which every connection of the layer opens its files:
// SQLite's own, with SQLite's questions about a journal beside a file put
// to the journal guard first (LeftoverJournal.h), and the error number of
// a file operation that failed kept for telling why it failed.

namespace dao::detail {

// Its name, for sqlite3_open_v2.
const char* layerVfs();

// The system's error number of the write, truncation, sync or opening
// that failed through the layer's VFS since forgetFailedCall(), 0 when
// none failed. SQLite's own record of a file's last error outlives the
// statement it came from; this one is forgotten when a statement begins.
int failedCallErrno();
void forgetFailedCall();

}  // namespace dao::detail
