#pragma once
// What the parts of the layer share about opening a connection: the file's
// own settings table, and the hooks that every connection installs.

#include "platform/dao/Internal.h"

#include <memory>

namespace dao::detail {

extern const char* const kFormat;

bool folderExists(const QString& path);
QVariant metaValue(Core& core, const QString& key);
void setMeta(Core& core, const QString& key, const QVariant& value);

// The connection to an existing file, checked to be one of ours: the one
// this process already has, or a new one. *setAside: where a journal that
// was not the file's went (see setAsideStrayJournal).
std::shared_ptr<Core> openCore(const QString& path, bool exclusive, bool readOnly, const QString& connect,
                               QString* setAside = nullptr);

// Every commit of every write path passes here: one that would go into a
// journal no longer under the file's name is turned into a rollback.
int refuseCommitIntoLostJournal(void* p);
// After each commit: the main file is brought up to date shortly.
int afterCommit(void* p, sqlite3*, const char*, int frames);
// `change`: a change was being saved when the loss showed.
QString lostJournalMessage(const QString& file, bool kept, bool change = true);
// The file under the name is no longer the one open here.
QString replacedFileMessage(const QString& file, bool change);

// How long a statement waits for another program's lock.
constexpr int kBusyTimeoutMs = 3000;

}  // namespace dao::detail
