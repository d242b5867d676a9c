#pragma once
// Import from another vocabulary database: opening and checking the source,
// listing its questions, copying the chosen items into the open database
// through the grid recordset (with the duplicate question), and the
// "![mixed]" mark on the open database's copyright note.

#include <QString>
#include <QStringList>
#include <functional>

#include "platform/Error.h"
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

// A source item as the item lists show it: its question and its position in
// the source's query, which tells two items with one question apart.
struct SourceItem {
    QString question;
    long position = -1;
};

// The source's items in query order, one per record; items without a
// question are left out.
QList<SourceItem> SourceItems(dao::Recordset& vok);
// Their questions alone.
QStringList SourceQuestions(dao::Recordset& vok);

struct DbImportHooks {
    std::function<void(int percent)> progress;  // before each source record
    std::function<void()> updateThemes;         // UpdateWindow("THEMEN") once, when items were written
    // After the items, in the same transaction: the mixed mark. Refused
    // values (a note too long for it) leave the items and are kept in
    // markError.
    std::function<void()> mark;
};

struct DbImportResult {
    int written = 0;                      // items really written
    int skipped = 0;                      // duplicates the user declined
    QStringList failed;                   // questions of items whose values the table refused
    wk::Error failedError{0, QString()};  // the first of those refusals
    wk::Error markError{0, QString()};    // why the mark was refused (number 0: it was not)
};

// Copies the source items at the chosen positions (SourceItem::position),
// each once, in source order, then the mark, all in one transaction. An existing question
// (FindRecordByField on dst, also for items written before in this run) asks
// with messages 275-278; No skips it. An item whose values dst refuses is
// left out and listed in failed; any other error takes back every item of
// the run and passes on with the counts in *partial (written 0).
DbImportResult ImportFromDB(dao::Recordset& src, const QList<long>& chosen, dao::Recordset& dst, int maxUsers,
                            const DbImportHooks& hooks, DbImportResult* partial = nullptr);

// Puts "![mixed] " in front of the options record's Copyright unless it
// already holds "![mixed]". A note too long for the mark raises 3163 and
// stays as it was.
void MixedMark(dao::Recordset& options);

}  // namespace exchange
