#pragma once
// Files at names the user chose. What the program writes there must never
// land on a file it holds itself (the open vocabulary database, USER.MDB or
// a journal of either: a rename over one of them loses every later change,
// or the users); and what it reads there must be a regular file, since a
// pipe or a device would keep it waiting for good.

#include <QString>

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

// Shows NonRegularSourceText and returns true when path names something
// that exists and is not a regular file; else returns false and shows
// nothing.
bool RefuseNonRegularSource(const QString& path);

}  // namespace userfiles
