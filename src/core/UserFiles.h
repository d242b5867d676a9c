#pragma once
// Files at names the user chose. What the program writes there must never
// land on a file it holds itself (the open vocabulary database, USER.MDB or
// a journal of either: a rename over one of them loses every later change,
// or the users); and what it reads there must be a regular file, since a
// pipe or a device would keep it waiting for good. And what the user hears
// when a database opens without a journal that lay beside it.

#include <QString>

#include "platform/Error.h"
#include "platform/dao/Dao.h"

namespace userfiles {

// Whether writing at path would write over the open vocabulary database,
// USER.MDB, a journal (-wal, -shm, -journal) of either, or any database this
// process has open. Files are compared by device and inode, a name that does
// not exist yet by its folder's identity and its file name.
bool IsHeldFile(const QString& path);

// Whether path names something that exists and is not a regular file (a
// folder, a pipe, a socket, a device).
bool IsNonRegular(const QString& path);

// "The file cannot be written:", the path, why, and the request to choose
// another name, in the user's language.
QString HeldFileText(const QString& path);
QString NonRegularTargetText(const QString& path);

// "File cannot be opened:", the path and that it is no regular file.
QString NonRegularSourceText(const QString& path);
// "File cannot be opened:", the path and that the program uses it (see
// IsHeldFile).
QString HeldSourceText(const QString& path);

// The notice for a vocabulary database the layer would not open with 3051:
// "File cannot be opened:", that the file is write-protected or in use, and
// what to do about it; or, where the layer says what else is wrong (see
// modMain::IsRefusal), its description.
QString CannotOpenDatabaseText(const wk::Error& e);

// Whether path cannot reach its file because a name on it holds bytes that
// are not UTF-8: Qt reads each such byte as U+FFFD, and that text names no
// file. True only where the folder really holds such a name.
bool IsUnreadableName(const QString& path);
// "File cannot be opened:", the path and that a name on it cannot be read
// and is to be renamed.
QString UnreadableNameText(const QString& path);
// Shows UnreadableNameText and returns true when IsUnreadableName(path);
// else returns false and shows nothing.
bool RefuseUnreadableName(const QString& path);

// Shows NonRegularSourceText and returns true when path names something
// that exists and is not a regular file; else returns false and shows
// nothing.
bool RefuseNonRegularSource(const QString& path);
// The same for a file the program holds: an open database, USER.MDB or a
// journal of either is no picture, sound or text, and reading it would
// cost the connection its locks.
bool RefuseHeldSource(const QString& path);

// "The database has been opened as it is:", the path, and that a journal
// beside it that was not its own was kept under another name, or, where it
// could not be moved, that the database is read only while it lies there.
// In English when asked: USER.MDB opens before a language is chosen.
QString SetAsideJournalText(const dao::JournalSetAside& journal, bool english = false);
// Shows SetAsideJournalText when opening db set a journal aside.
void TellSetAsideJournal(const dao::Database& db, bool english = false);
// Why a database just opened is not taken, and the journal's path: a
// journal beside it that was not its own could not be moved aside, and
// neither the journal nor the file may be written while it lies there.
// Empty when there is none.
QString KeptJournalText(const dao::Database& db, bool english = false);
// From now on, shows it whenever a journal is set aside later in the
// session, in the language chosen then.
void TellJournalsSetAsideLater();

}  // namespace userfiles
