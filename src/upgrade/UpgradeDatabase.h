#pragma once
// Brings a vocabulary database written by an older program up to the
// current schema, one version step per call. The opening of a database
// (frmMain::VokDBOeffnen) calls UpgradeDatabase right after it has bound the
// file; a step rewrites the file, then opens it again through the host's
// reopen, which calls UpgradeDatabase once more. So an old file climbs the
// chain in nested openings and the outermost opening finishes last.
//
// Every step runs in one transaction:
// it either completes with its new version written or leaves the file as it
// was. A failure is reported once, where it happens; the file is then
// closed, the host's database objects are cleared and every level of the
// chain returns Failed, so the outermost opening can go back to the
// database that was open before (or to none).

#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>
#include <QVariant>
#include <functional>

#include "platform/Error.h"
#include "platform/dao/Dao.h"
#include "upgrade/SchemaVersion.h"

namespace upgrade {

// Mouse pointers the upgrade shows (Screen.MousePointer values).
constexpr int vbDefault = 0;
constexpr int vbHourglass = 11;

// Location code of the upgrade's error report.
inline const QString kErrorLocation = QStringLiteral("Ui37G");

// The runtime's error for reading Null into text.
constexpr int kInvalidUseOfNull = 94;
constexpr int kFieldExists = 3380;  // "Field '|' already exists in table."

enum class UpgradeResult {
    Current,   // no step for this version; nothing changed, go on opening
    Upgraded,  // a step ran and the nested opening completed the chain
    Refused,   // the version could not be read; reported, file closed
    Failed,    // a step or a nested opening failed; reported, file closed
};

// True when the opening that called the upgrade may complete.
inline bool OpeningMayGoOn(UpgradeResult r) {
    return r == UpgradeResult::Current || r == UpgradeResult::Upgraded;
}

// What the opening shares with the upgrade. The pointers are the opening's
// own objects (dbVok, rsOptions, the data control's recordset); the upgrade
// closes and replaces what they hold, and clears them after a failure. A
// step opens the file in a workspace of its own (see RunStep), so wsVok is
// not needed here.
struct UpgradeHost {
    QString path;                            // VokDBPfad
    QString password;                        // VokDBPasswort
    int dbType = 0;                          // DBTypeAktuell, as the opening read it
    int maxUsers = 5;                        // MaxUsers
    dao::DatabasePtr* db = nullptr;          // dbVok
    dao::RecordsetPtr* rsOptions = nullptr;  // rsOptions, standing on the options row
    dao::RecordsetPtr* data = nullptr;       // the data control's recordset
    qint16* checkDepth = nullptr;            // Check_Depth; raised while the call runs

    // VokDBOeffnen(path): opens the file again, binds it and runs the
    // upgrade. Returns false when that opening did not complete; whoever
    // failed there has reported it already. A wk::Error it throws is
    // reported by the upgrade.
    std::function<bool(const QString& path)> reopen;
    // Screen.MousePointer.
    std::function<void(int pointer)> setMousePointer;
    // ShowError(number, description, location).
    std::function<void(int number, const QString& description, const QString& location)> showError;
    // GetText(87), the name of the catch-all category ("Other" when unset).
    std::function<QString()> defaultCategory;
    // The clock; the current time when not set.
    std::function<QDateTime()> now;
};

// Option fields a step writes into the OPTIONS row, in order, before the
// frame writes the next AppVersion.
using OptionValues = QList<QPair<QString, QVariant>>;

// What a step works with: its own connection, inside the step's
// transaction, and the helpers for the two error regimes.
class StepContext {
public:
    StepContext(UpgradeHost& host, dao::DatabasePtr db) : host_(host), db_(std::move(db)) {}

    const dao::DatabasePtr& db() const { return db_; }
    int dbType() const { return host_.dbType; }
    int maxUsers() const { return host_.maxUsers; }
    QString defaultCategory() const;
    QDateTime now() const;

    // One statement; an error ends the step.
    void Execute(const QString& sql);
    // One statement whose failure is skipped. Returns whether it ran.
    bool ExecuteIgnoringErrors(const QString& sql);
    // Adds a column that may be there already: only "the column exists"
    // is skipped, every other failure ends the step. Returns whether it ran.
    bool AddColumnUnlessPresent(const QString& sql);
    // Drops these columns of the table, all at once: a column the table
    // lacks ends the step, as its own DROP COLUMN would.
    void DropColumns(const QString& table, const QStringList& columns);
    // Drops each of these columns that can be dropped, passing over the
    // rest, as ExecuteIgnoringErrors of each DROP COLUMN would.
    void DropColumnsIgnoringErrors(const QString& table, const QStringList& columns);

    // The options row: AllOptions, at position 0, installed as rsOptions.
    dao::RecordsetPtr OpenOptions();
    // Alles as a dynaset installed as the data control's recordset; the
    // recordset that row passes walk.
    dao::RecordsetPtr OpenRowPass();
    // Closes the recordsets the step holds before it drops columns. The
    // transaction keeps its connection.
    void CloseRecordsets();

    // The row pass every step uses: Alles installed as the data control's
    // recordset, then each position from 0 to the row count (read once)
    // minus 1 is set and handed to row. With ignoreErrors the moves and
    // positioning are skipped when they fail (row must ignore its own
    // errors); without, an empty table simply has no rows to visit. The
    // recordset stays open as the data control's.
    void ForEachRow(bool ignoreErrors, const std::function<void(dao::Recordset&)>& row);

private:
    UpgradeHost& host_;
    dao::DatabasePtr db_;
};

// Runs f; a wk::Error it raises is dropped, unless SQLite gave up the
// step's transaction with it: then the step cannot go on and the error is
// passed on. Returns whether f completed.
template <class F>
bool IgnoringErrors(F&& f) {
    try {
        f();
        return true;
    } catch (const wk::Error& e) {
        if (e.endedTransaction()) throw;
        return false;
    }
}

// One row of a pass with errors ignored: Edit, each write and Update fail
// alone; a row whose Update fails keeps what it held.
void UpdateRowIgnoringErrors(dao::Recordset& rs, const OptionValues& values);

// The same outcome as one Edit, write and Update per value with errors
// ignored, in one Edit and Update where the row takes them all: a value the
// field refuses is left out, and when the row refuses the Update, each value
// is tried again on its own.
void UpdateRowEachValueAlone(dao::Recordset& rs, const OptionValues& values);

// Edit, the writes in order, Update; the first error ends the step.
void UpdateRow(dao::Recordset& rs, const OptionValues& values);

// A step's own work: its statements and row passes. Returns the option
// values for the frame to write with the new version.
using StepFunction = std::function<OptionValues(StepContext&)>;

// The function that performs a step; empty for Step::None.
StepFunction StepFor(Step step);

// Runs one step in its frame: closes what the opening bound, opens the file
// again in a transaction of its own, runs the step, writes its option
// values and the next version, commits and calls host.reopen.
UpgradeResult RunStep(UpgradeHost& host, Step step, const StepFunction& work);

// The driver: reads the version from *host.rsOptions, runs at most one
// step and shows the busy pointer meanwhile.
//
// The opening uses it like this (after binding dbVok, rsOptions, the data
// control's recordset and DBTypeAktuell, and refusing a newer file):
//
//     UpgradeHost host{.path = VokDBPfad, .password = VokDBPasswort,
//                      .dbType = DBTypeAktuell, .db = &dbVok, ...};
//     if (!OpeningMayGoOn(UpgradeDatabase(host))) {
//         // Reported already. Only the outermost opening (Check_Depth back
//         // at 0) goes back to the database open before, or to none.
//         return false;
//     }
//     ... the rest of the opening; the grid is filled only at Check_Depth 0.
UpgradeResult UpgradeDatabase(UpgradeHost& host);

// Reads OPTIONS.AppVersion of rs's current row as text. Raises 3265 when
// the column is missing and 94 when it holds Null.
QString ReadAppVersion(const dao::RecordsetPtr& rs);

}  // namespace upgrade
