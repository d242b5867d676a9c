#pragma once
// Import from another vocabulary database: opening and checking the source,
// listing its questions, copying the chosen items into the open database
// through the grid recordset (with the duplicate question), and the
// "![mixed]" mark on the open database's copyright note.

#include <QString>
#include <QStringList>
#include <functional>

#include "platform/dao/Dao.h"

namespace exchange {

struct ImportSource {
    dao::DatabasePtr db;        // SrcDB
    dao::RecordsetPtr vok;      // SrcVok: "SELECT * FROM VOK" & where & " ORDER BY Q"
    dao::RecordsetPtr options;  // SrcOptions: AllOptions
    void Close();
};

enum class SourceCheck { Ok, OldSchema, Locked };

// Opens the file with the vocabulary-database password and the filtered
// items. Errors of the engine (no file, wrong password, a query it cannot
// run) pass to the caller as wk::Error; nothing stays open then.
ImportSource OpenImportSource(const QString& path, const QString& where, const dao::Params& params);

// OldSchema when the source's DBType is below 4, else Locked when its
// ExportProtection is 1, else Ok.
SourceCheck CheckImportSource(const ImportSource& src);

// The questions of the source's items in query order, one per record; items
// without a question are left out.
QStringList SourceQuestions(dao::Recordset& vok);

// Adds one new record to dst holding the current source item: its own
// fields, zeroed statistics in every slot, its pictures and sounds; the
// table defaults for MultipleAnswers, MCAA and Known. On an error the new
// record is cancelled and the error passes on.
void CopyItem(dao::Recordset& src, dao::Recordset& dst, int maxUsers);

struct DbImportHooks {
    std::function<void(int percent)> progress;  // before each source record
    std::function<void()> updateThemes;         // UpdateWindow("THEMEN") after each item
};

struct DbImportResult {
    int written = 0;
    int skipped = 0;  // duplicates the user declined
};

// Copies every source record whose question equals an entry of chosen, once
// per equal entry, in source order. An existing question (FindRecordByField
// on dst) asks with messages 275-278; No skips it. An error stops the
// import; what was written stays, and the error passes on with the counts in
// *partial.
DbImportResult ImportFromDB(dao::Recordset& src, const QStringList& chosen, dao::Recordset& dst, int maxUsers,
                            const DbImportHooks& hooks, DbImportResult* partial = nullptr);

// Puts "![mixed] " in front of the options record's Copyright unless it
// already holds "![mixed]". A note too long for the mark raises 3163 and
// stays as it was.
void MixedMark(dao::Recordset& options);

}  // namespace exchange
