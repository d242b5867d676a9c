#pragma once
// Journals found beside a database file that this process has open. SQLite
// replays a rollback journal it finds beside the file (and reads a
// write-ahead journal found there) whenever a read begins. A journal that
// was written for another state of the file (an old one restored by a
// backup, one of another copy of the file, one beside a file renamed over
// the name) would break the file: such a one is set aside under a name of
// its own instead, and the file is read as it is.

#include <QByteArray>
#include <QString>

namespace dao::detail {

// The name of the SQLite VFS through which every connection of the layer
// opens its file: SQLite's own, but asked first about a journal it finds.
const char* journalGuardVfs();

// What a leftover rollback journal is to the file beside it, judged by
// page 1: the journal holds it as it was when its transaction began, and
// the file holds it either unchanged or as that transaction's commit wrote
// it, its change counter (bytes 24..27) one on. The user version (bytes
// 60..63) is a random mark the layer gives every file it makes, so that a
// journal of another file is not taken for this one's by its counter.
enum class JournalVerdict {
    Belongs,  // replayed by SQLite
    Stray,    // written for another state of the file, or cannot be told
    NotHot,   // nothing to replay (its header was never completed)
};
// `fileHeader`: the first 100 bytes of the database file.
JournalVerdict judgeRollbackJournal(const QByteArray& fileHeader, const QByteArray& journal);

// "<journal>.set-aside", or with a number when that name is taken; empty
// when it could not be moved. Nothing is overwritten.
QString moveAside(const QByteArray& journal);

// Where the guard put a journal it found beside the file `name` (its name
// in the file system), since this was last asked; empty when none.
QString takeSetAside(const QByteArray& name);

}  // namespace dao::detail
