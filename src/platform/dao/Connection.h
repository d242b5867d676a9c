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
// this process already has, or a new one. *setAside: what became of a
// journal that was not the file's (see LeftoverJournal.h).
std::shared_ptr<Core> openCore(const QString& path, bool exclusive, bool readOnly, const QString& connect,
                               std::optional<JournalSetAside>* setAside = nullptr);

// The file under the name is no longer the one open here.
QString replacedFileMessage(const QString& file);
// Why a file of this name cannot be written (SQLite keeps its journal
// beside it during a write, and that name would be too long); empty when it
// can.
QString nameWithoutRoomForJournal(const QString& path);

// How long a statement waits for another program's lock.
constexpr int kBusyTimeoutMs = 3000;

}  // namespace dao::detail
