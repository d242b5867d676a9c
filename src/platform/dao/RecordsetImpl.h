// The recordset's state, shared by its files: the core (open, moves, fields,
// edit, update, delete), its kept values (read-ahead window and store) and
// its walks (passes over the table, deleting by position).
#pragma once

#include "platform/dao/Internal.h"
#include "platform/dao/UserAction.h"

#include <string>

namespace dao {

using namespace detail;

struct Recordset::Impl : RecordsetImplBase {
    std::shared_ptr<Core> core;
    QString name;
    QString sourceSql;
    bool updatable = true;
    bool isStatic = false;

    // dynaset
    QString table;
    QString keySql;
    // Fields whose values the key query reads and keeps in the store: a
    // caller that needs one field of every record (a sum) reads them from
    // memory rather than in a second pass over the same rows.
    QStringList keep;
    QString rowSql;
    Params params;
    std::vector<qint64> keys;

    // static set
    QString staticSql;
    std::vector<std::vector<QVariant>> rows;

    std::vector<ColumnInfo> fields;
    qint64 pos = 0;  // -1 before the first, size() after the last
    bool deletedCurrent = false;

    // Rows read last: consecutive positions from `first`, valid while
    // nothing was written. A plain forward read fetches the following rows
    // with it, so that a walk does not pay one read transaction per record.
    // Large values (pictures, sounds) are not read with the row: the window
    // keeps their size and reads the bytes only when they are asked for.
    // Texts are kept as read and become values when their field is asked
    // for: a walk reads a few of a row's many fields.
    enum CellState : char { Ready, BytesPending, TextPending, NotRead };
    struct Window {
        qint64 first = 0;
        std::vector<qint64> keys;  // per row
        std::vector<char> loaded;  // per row
        // per cell (row * width + field)
        std::vector<QVariant> values;
        std::vector<qint64> sizes;  // length of a Memo / LongBinary value
        std::vector<char> state;
        std::vector<std::pair<qsizetype, qsizetype>> text;  // where in utf8
        QByteArray utf8;
        void clear() {
            keys.clear();
            loaded.clear();
        }
    };
    Window window;
    quint64 windowGeneration = ~quint64(0);
    qint64 lastRead = -2;
    QString batchSql;
    // Fields read with the rows: those asked for so far. A walk reads the
    // same few fields of every record; the others cost nothing to skip.
    std::vector<char> wanted;
    void want(int i);

    // The values of a long walk, read in one pass over the table once the
    // walk goes past its first read-ahead block (by then it has asked for
    // every field it reads per record): only those fields, each in a column
    // of native values, large values by their size alone. Valid while no
    // one else wrote; this recordset's own writes keep it, minus the rows
    // they touched. Filled at most once per opening: a walk beside other
    // writers goes on with the blocks.
    // SBytes: a large value, read through the key when asked for. SDate: a
    // date in the stored form, kept as its figures (yyyymmddhhmmss).
    enum StoreKind : char { SNull, SNumber, SText, SOther, SBytes, SDate };
    struct StoreColumn {
        bool present = false;
        std::vector<char> kind;  // per store row
        std::vector<qint32> number;
        std::vector<double> real;
        std::vector<quint32> at;  // text of row r: arena[at[r], at[r + 1])
        std::string arena;
        std::vector<qint64> sizes;  // Memo / LongBinary
        std::vector<qint64> dates;
        QHash<qint32, QVariant> other;
    };
    struct Store {
        bool valid = false;
        quint64 generation = 0;
        std::vector<qint32> rowOf;  // per position, beside keys: store row or -1
        std::vector<StoreColumn> columns;
        std::vector<int> present;  // the fields with a column, in field order
        void keepFields(const std::vector<char>& which) {
            columns.resize(which.size());
            for (size_t j = 0; j < which.size(); ++j) {
                columns[j].present = which[j] != 0;
                if (which[j]) present.push_back(int(j));
            }
        }
    };
    Store store;
    bool storeTried = false;

    // Another process may commit at any moment, and only SQLite's data
    // version tells. The kept values (window and store) were read at
    // keptVersion and are served while the connection's own version is
    // still that one: any read of the connection (this set's, another
    // set's, a statement's) that saw another commit moves it on. Asking
    // SQLite for commits nobody here has read yet costs a read transaction,
    // so that is done once per user action (actionEpoch: each input event,
    // each wake of the event loop, NewAction), and always before an edit.
    quint64 keptVersion = 0;
    quint64 askedEpoch = ~quint64(0);
    bool haveKept() const { return store.valid || !window.keys.empty(); }
    // Before serving kept values (and before reading any value): joins the
    // workspace's transaction where one is open, then drops what was kept
    // when the connection has seen another commit since it was read, or
    // SQLite knows of one (asked once per action; strict asks in any
    // case).
    void confirmKept(bool strict = false);
    // After reading rows at `version`: what was kept at another version goes.
    void keptReadAt(quint64 version, bool intoStore);
    // After this recordset's own write.
    void keptAfterOwnWrite();
    QString whereSql;
    void fillStore();
    // Puts the wanted fields of the row on statement q (from column col on,
    // as selectList(true) gives them) into store row `row` of s; `rows` is
    // how many rows s will hold, 0 when not known. False when the store
    // cannot take them.
    bool keepCells(Store& s, sqlite3_stmt* q, int col, qint32 row, size_t rows);
    void dropStore() { store = Store(); }
    // Store row of the current record for field i, or -1.
    qint32 storeRow(int i);
    QVariant storeValue(int i, qint32 row);

    // While ForEachRecord runs: its statement on the record at passPos, and
    // per field the column there (-1: not read by the pass).
    sqlite3_stmt* passRow = nullptr;
    qint64 passPos = -1;
    std::vector<int> passColumn;
    bool inPass(int i) const {
        return passRow && pos == passPos && passColumn[size_t(i)] >= 0 && editMode == dbEditNone;
    }

    // INSERT and UPDATE texts by edit mode and the fields set, so that a run
    // of adds does not build the same statement for every row.
    QHash<QByteArray, QString> writeSql;

    // copy buffer of Edit/AddNew
    int editMode = dbEditNone;
    qint64 editKey = 0;
    std::vector<std::optional<QVariant>> buffer;
    std::vector<bool> chunked;

    bool haveLastModified = false;
    qint64 lastModified = 0;
    bool noMatch = true;

    ~Impl() override { detach(); }

    void detach() {
        if (!core) return;
        std::erase(core->recordsets, static_cast<RecordsetImplBase*>(this));
        core.reset();
        dropStore();
    }
    void closeFromDatabase() override {
        core.reset();
        dropStore();
    }

    Core& c() const {
        if (!core || !core->isOpen()) raise(3420);
        return *core;
    }
    qint64 size() const { return isStatic ? qint64(rows.size()) : qint64(keys.size()); }
    bool hasCurrent() const { return !deletedCurrent && pos >= 0 && pos < size(); }
    void needCurrent() const {
        if (!hasCurrent()) raise(3021);
    }
    // Field names looked up often (a grid fill reads dozens per row).
    QHash<QString, int> byName;
    int find(const QString& field) const {
        auto it = byName.constFind(field);
        return it != byName.constEnd() ? *it : byName.value(field.toCaseFolded(), -1);
    }
    int index(const QString& field) const {
        const int i = find(field);
        if (i < 0) raise(3265);
        return i;
    }
    void checkIndex(int i) const {
        if (i < 0 || i >= int(fields.size())) raise(3265);
    }
    void cancelEdit() {
        editMode = dbEditNone;
        buffer.assign(fields.size(), std::nullopt);
        chunked.assign(fields.size(), false);
    }
    void moved() {
        if (editMode != dbEditNone) cancelEdit();
        deletedCurrent = false;
    }

    void load(const QString& sql, const Params& p);
    // Index of the current row's first cell in the window, read as needed.
    size_t currentRow();
    void takeRow(sqlite3_stmt* st, int col, size_t row);
    QVariant readPendingBytes(int i);
    QVariant value(int i);
    QString selectList(bool sizesOnly = false) const;
    void set(int i, const QVariant& v);
    qint64 rawSize(int i);
};

}  // namespace dao

namespace dao::detail {

// Has every input event of the application, and every wake of its event
// loop, begin a new action.
void watchActions();

inline constexpr int kBatch = 256;

// currentRow's answer when the row is in the store.
inline constexpr size_t kInStore = ~size_t(0);

inline bool isLargeType(int type) {
    return type == dbMemo || type == dbLongBinary;
}

inline void bindAll(sqlite3_stmt* st, const Params& params, int first = 1) {
    const int expected = sqlite3_bind_parameter_count(st) - (first - 1);
    if (params.size() < expected) raise(3061, QString::number(expected - params.size()));
    for (int k = 0; k < expected; ++k) bindValue(st, first + k, params[k]);
}

// SQLite's data version of the main database as of the connection's last
// read transaction.
inline quint64 snapshotVersion(Core& core) {
    unsigned int version = 0;
    sqlite3_file_control(core.db, "main", SQLITE_FCNTL_DATA_VERSION, &version);
    return core.versionBase + version;
}

// The data version as of now: outside a read transaction the counter only
// moves on when one starts, which the pragma does.
inline quint64 currentVersion(Core& core) {
    if (sqlite3_txn_state(core.db, "main") == SQLITE_TXN_NONE) {
        StatementUse q(core, QStringLiteral("PRAGMA data_version"));
        q.step();
    }
    return snapshotVersion(core);
}

}  // namespace dao::detail
