#pragma once
// A journal found beside a file that no running program holds.

#include <QString>

namespace dao::detail {

// Looks through the -wal beside path, as the next connection would replay
// it, without writing into the file. A journal that makes the file sound
// and one of ours stays (a crash of a program leaves such a one, and it
// holds saved changes). Any other is renamed aside, its -shm index
// removed, and the name it now has returned; the file then opens as it
// is. Empty when nothing was set aside, also when another program uses the
// file: its journal is its own. 3051 when a stray journal cannot be moved.
QString setAsideStrayJournal(const QString& path);

}  // namespace dao::detail
