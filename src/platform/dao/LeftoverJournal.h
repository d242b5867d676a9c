#pragma once
// Journals found beside a database file that this process has open. SQLite
// replays a rollback journal it finds beside the file (and reads a
// write-ahead journal found there) whenever a read begins, and the guard
// lets it, unless the file itself shows that the journal was written for
// another file or another state of it (see LeftoverJournal.cpp): such a one
// is set aside under a name of its own, and the file is read as it is.

#include "platform/dao/Dao.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace dao::detail {

enum class JournalVerdict { Seen, Hidden };
// Judges the journal at `path` ("<file>-journal" or "<file>-wal") that
// SQLite found beside a file, for the layer's VFS: Seen leaves it to
// SQLite; Hidden tells SQLite there is none, the journal having been set
// aside (or kept where it lies) and told.
JournalVerdict judgeJournal(const QByteArray& path);
// Whether SQLite may create the rollback journal at `path`: not over one
// the guard could not set aside.
bool mayCreateJournal(const QByteArray& path);

// What the guard did with a journal beside the file `name` (its name in
// the file system) since this was last asked, if anything; the journal is
// then no longer told to the handler of OnJournalSetAside.
std::optional<JournalSetAside> takeSetAside(const QByteArray& name);

// The journal beside the file `name` that the guard could not set aside,
// while it lies there; empty when there is none. Nothing may be written to
// the file meanwhile: SQLite's own journal would be written over a rollback
// journal, and another program would apply either kind.
QString keptJournal(const QByteArray& name);
// Why a change of `file` cannot be saved while keptJournal() names one.
QString keptJournalMessage(const QString& file, const QString& journal);

}  // namespace dao::detail
