// Dynaset recordsets: the row keys are taken when the recordset opens and
// every value is read and written through its key, so positions stay put
// while rows change. Queries that are not a plain selection from one table
// give a read-only set held in memory.
#include "platform/Error.h"
#include "platform/dao/Internal.h"

#include <QHash>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <chrono>
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#include <x86intrin.h>
#endif
#include <limits>
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
    // keptVersion; they are served while that is still the version. Asking
    // costs a read transaction outside a transaction of ours, too much for
    // every value of a walk: an answer holds while the program reads on
    // without a break (each read within kPause of the one before, within
    // kAnswerFor of the asking), so that every pause, wait or user action
    // (and with it every commit another program could have told us of)
    // asks again. Time is read for every value served, so in ticks of the
    // processor's cycle counter where there is one (at 1 GHz or more a tick
    // is at most a nanosecond), else in nanoseconds.
    static quint64 ticks() {
#if defined(__x86_64__) || defined(__i386__)
        return __rdtsc();
#else
        return quint64(std::chrono::steady_clock::now().time_since_epoch().count());
#endif
    }
    static constexpr quint64 kPause = 100'000;        // ticks: at most 100 µs
    static constexpr quint64 kAnswerFor = 1'000'000;  // ticks: at most 1 ms
    quint64 keptVersion = 0;
    quint64 askedAt = 0;
    quint64 lastServed = 0;
    bool haveKept() const {
        return store.valid || !window.keys.empty();
    }
    // Before serving kept values: drops them when another connection has
    // committed since they were read. strict asks SQLite in any case.
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
    void dropStore() {
        store = Store();
    }
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

    ~Impl() override {
        detach();
    }

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
    qint64 size() const {
        return isStatic ? qint64(rows.size()) : qint64(keys.size());
    }
    bool hasCurrent() const {
        return !deletedCurrent && pos >= 0 && pos < size();
    }
    void needCurrent() const {
        if (!hasCurrent()) raise(3021);
    }
    // Field names looked up often (a grid fill reads dozens per row).
    QHash<QString, int> byName;
    // Callers name fields with the same literals again and again: a name at
    // the same address with the same length that still matches the field is
    // that field, without hashing it.
    struct NameSlot {
        const QChar* data = nullptr;
        qsizetype size = -1;
        int index = -1;
    };
    // Two places per address, so that two names a walk reads do not keep
    // pushing each other out.
    mutable std::array<NameSlot, 512> nameSlots{};
    int find(const QString& field) const {
        // Fibonacci hashing of the address: heap blocks share their low bits.
        const quint64 mixed = quint64(quintptr(field.constData())) * 0x9E3779B97F4A7C15ull;
        const size_t at = size_t(mixed >> 55) & ~size_t(1);
        auto matches = [&](const NameSlot& slot) {
            return slot.data == field.constData() && slot.size == field.size() &&
                   slot.index < int(fields.size()) &&
                   (fields[size_t(slot.index)].name == field ||
                    QStringView(fields[size_t(slot.index)].name).compare(field, Qt::CaseInsensitive) == 0);
        };
        if (matches(nameSlots[at])) return nameSlots[at].index;
        if (matches(nameSlots[at + 1])) return nameSlots[at + 1].index;
        auto it = byName.constFind(field);
        const int i = it != byName.constEnd() ? *it : byName.value(field.toCaseFolded(), -1);
        if (i >= 0) {
            // The newer name goes first, the older one moves to the second place.
            nameSlots[at + 1] = nameSlots[at];
            nameSlots[at] = {field.constData(), field.size(), i};
        }
        return i;
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

namespace {

constexpr int kBatch = 256;

// After SQLite's step the processor was found to hold the upper halves of
// its vector registers as in use (on the virtual machines measured; the
// step's own code does not set them). Until they are cleared, every legacy
// SSE instruction that follows, the scalar floating-point code of a walk's
// visit among them, waits on them. Clearing them after each step of a pass
// costs a cycle a record and saved some 30 ms of a rebuild of the grid of
// 100,000 items.
#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("avx"))) void clearUpperHalves() {
    _mm256_zeroupper();
}
bool canClearUpperHalves() {
    static const bool avx = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx") != 0;
    }();
    return avx;
}
#else
void clearUpperHalves() {}
bool canClearUpperHalves() {
    return false;
}
#endif
// currentRow's answer when the row is in the store.
constexpr size_t kInStore = ~size_t(0);

bool isLargeType(int type) {
    return type == dbMemo || type == dbLongBinary;
}

QByteArray keyBytes(qint64 key) {
    QByteArray b(8, '\0');
    qToLittleEndian(key, b.data());
    return b;
}

void bindAll(sqlite3_stmt* st, const Params& params, int first = 1) {
    const int expected = sqlite3_bind_parameter_count(st) - (first - 1);
    if (params.size() < expected) raise(3061, QString::number(expected - params.size()));
    for (int k = 0; k < expected; ++k) bindValue(st, first + k, params[k]);
}

// SQLite's data version of the main database as of the connection's last
// read transaction, with the connection it belongs to.
quint64 snapshotVersion(Core& core) {
    unsigned int version = 0;
    sqlite3_file_control(core.db, "main", SQLITE_FCNTL_DATA_VERSION, &version);
    return (quint64(core.generation) << 32) | version;
}

// The data version as of now: outside a read transaction the counter only
// moves on when one starts, which the pragma does.
quint64 currentVersion(Core& core) {
    if (sqlite3_txn_state(core.db, "main") == SQLITE_TXN_NONE) {
        StatementUse q(core, QStringLiteral("PRAGMA data_version"));
        q.step();
    }
    return snapshotVersion(core);
}

// The figures of a date in the stored form "yyyy-MM-dd HH:mm:ss" as one
// number yyyymmddhhmmss; false for any other text.
bool packStoredDate(const char* t, int n, qint64& out) {
    if (n != 19 || t[4] != '-' || t[7] != '-' || t[10] != ' ' || t[13] != ':' || t[16] != ':') return false;
    qint64 v = 0;
    for (int k = 0; k < 19; ++k) {
        if (k == 4 || k == 7 || k == 10 || k == 13 || k == 16) continue;
        if (t[k] < '0' || t[k] > '9') return false;
        v = v * 10 + (t[k] - '0');
    }
    out = v;
    return true;
}

QVariant unpackStoredDate(qint64 v) {
    const int s = int(v % 100), mi = int(v / 100 % 100), h = int(v / 10000 % 100);
    const int d = int(v / 1000000 % 100), mo = int(v / 100000000 % 100), y = int(v / 10000000000);
    if (auto dt = storedDate(y, mo, d, h, mi, s)) return *dt;
    // Not a time that exists here: read as any other text.
    return valueFromText(QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d", y, mo, d, h, mi, s), dbDate);
}

int typeFromDecl(const char* decl) {
    if (!decl) return 0;
    const QString d = QString::fromUtf8(decl).toUpper();
    const QString w = d.section(QLatin1Char('('), 0, 0).section(QLatin1Char(' '), 0, 0).trimmed();
    if (w == QLatin1String("INTEGER")) return dbLong;
    if (w == QLatin1String("TEXT")) return dbMemo;
    return typeFromSqlWord(w);
}

}  // namespace

// Finds "SELECT [TOP n] cols FROM table [WHERE ...] [ORDER BY ...]" and
// fills the dynaset parts; anything else becomes a static set.
void Recordset::Impl::load(const QString& sql, const Params& p) {
    Core& k = c();
    params = p;
    sourceSql = sql;
    const std::vector<Token> t = tokenize(sql);
    if (t.empty() || !t[0].is("SELECT")) raise(3078, name);

    size_t i = 1;
    std::vector<Token> top;
    if (i + 1 < t.size() && t[i].is("TOP") && t[i + 1].kind == Token::Number) {
        top = {t[i], t[i + 1]};
        i += 2;
    }
    // select list
    bool star = false;
    QStringList columns;
    bool simple = true;
    size_t fromAt = 0;
    for (size_t j = i; j < t.size(); ++j) {
        if (t[j].is("FROM")) {
            fromAt = j;
            break;
        }
    }
    if (fromAt == 0) simple = false;
    if (simple) {
        size_t j = i;
        if ((fromAt == j + 1 && t[j].isPunct("*")) ||
            (fromAt == j + 3 && t[j + 1].isPunct(".") && t[j + 2].isPunct("*"))) {
            star = true;
        } else {
            while (j < fromAt) {
                // [table.]column
                if (j + 2 < fromAt && t[j + 1].isPunct(".")) j += 2;
                if (t[j].kind != Token::Ident && t[j].kind != Token::QuotedIdent) {
                    simple = false;
                    break;
                }
                if (t[j].kind == Token::Ident && (t[j].is("DISTINCT") || t[j].is("TOP"))) {
                    simple = false;
                    break;
                }
                columns << t[j].text;
                ++j;
                if (j < fromAt && !t[j].isPunct(",")) {
                    simple = false;
                    break;
                }
                ++j;
            }
        }
    }
    const TableInfo* info = nullptr;
    size_t restAt = 0;
    Store kept;
    quint64 keptAt = 0;
    if (simple && fromAt + 1 < t.size() &&
        (t[fromAt + 1].kind == Token::Ident || t[fromAt + 1].kind == Token::QuotedIdent)) {
        info = k.findTable(t[fromAt + 1].text);
        restAt = fromAt + 2;
        if (restAt < t.size() && !t[restAt].is("WHERE") && !t[restAt].is("ORDER") && !t[restAt].isPunct(";"))
            simple = false;
        int depth = 0;
        for (size_t j = restAt; j < t.size() && simple; ++j) {
            if (t[j].isPunct("(")) ++depth;
            if (t[j].isPunct(")")) --depth;
            if (depth == 0 && (t[j].is("GROUP") || t[j].is("HAVING") || t[j].is("UNION") || t[j].is("JOIN") ||
                               t[j].is("LIMIT")))
                simple = false;
        }
    } else {
        simple = false;
    }
    if (simple && !info) {
        // Let SQLite name the missing table.
        simple = false;
    }

    if (simple) {
        table = info->name;
        fields.clear();
        if (star) {
            fields = info->columns;
        } else {
            for (const QString& col : columns) {
                const int idx = info->indexOf(col);
                if (idx < 0) raise(3061, QStringLiteral("1"));
                fields.push_back(info->columns[size_t(idx)]);
            }
        }
        std::vector<Token> keyTokens;
        keyTokens.push_back(t[0]);
        keyTokens.insert(keyTokens.end(), top.begin(), top.end());
        keyTokens.push_back({Token::Ident, quoteIdent(table) + QLatin1String(".rowid")});
        // The kept fields come with the keys, read as a pass reads them
        // (named in `wanted` just for the select list: what the walks want
        // starts afresh, even when the query fails).
        wanted.assign(fields.size(), 0);
        for (const QString& f : std::as_const(keep))
            for (size_t j = 0; j < fields.size(); ++j)
                if (fields[j].name.compare(f, Qt::CaseInsensitive) == 0) wanted[j] = 1;
        bool keeping = std::find(wanted.begin(), wanted.end(), 1) != wanted.end();
        if (keeping) {
            keyTokens.push_back({Token::Punct, QStringLiteral(",")});
            keyTokens.push_back({Token::Ident, selectList(true)});
            kept.keepFields(wanted);
            kept.generation = writeGeneration.load(std::memory_order_relaxed);
        }
        wanted.assign(fields.size(), 0);
        keyTokens.insert(keyTokens.end(), t.begin() + qsizetype(fromAt), t.end());
        keySql = render(keyTokens);
        // The filter alone, for reading the rows again in table order.
        std::vector<Token> where;
        int level = 0;
        for (size_t j = restAt; j < t.size(); ++j) {
            if (t[j].isPunct("(")) ++level;
            if (t[j].isPunct(")")) --level;
            if (level == 0 && (t[j].is("ORDER") || t[j].isPunct(";"))) break;
            where.push_back(t[j]);
        }
        whereSql = where.empty() ? QString() : QLatin1Char(' ') + render(where);
        rowSql.clear();
        batchSql.clear();
        isStatic = false;
        keys.clear();
        {
            StatementUse q(k, keySql);
            bindAll(q, params);
            while (q.step()) {
                keys.push_back(sqlite3_column_int64(q, 0));
                if (!keeping) continue;
                const auto row = qint32(keys.size() - 1);
                kept.rowOf.push_back(row);
                // A store that cannot take them all: the fields are read as usual.
                keeping = row < std::numeric_limits<qint32>::max() && keepCells(kept, q, 1, row, 0);
            }
        }
        if (keeping) {
            for (StoreColumn& sc : kept.columns) sc.arena.shrink_to_fit();
            kept.valid = true;
            keptAt = snapshotVersion(k);
        }
    } else {
        isStatic = true;
        updatable = false;
        staticSql = render(t);
        rows.clear();
        fields.clear();
        StatementUse q(k, staticSql);
        bindAll(q, params);
        const int n = sqlite3_column_count(q);
        for (int j = 0; j < n; ++j) {
            ColumnInfo f;
            f.name = QString::fromUtf8(sqlite3_column_name(q, j));
            f.type = typeFromDecl(sqlite3_column_decltype(q, j));
            f.size = defaultSizeOf(f.type);
            fields.push_back(f);
        }
        while (q.step()) {
            std::vector<QVariant> row;
            row.reserve(size_t(n));
            for (int j = 0; j < n; ++j) row.push_back(readValue(q, j, fields[size_t(j)].type));
            rows.push_back(std::move(row));
        }
    }
    window.clear();
    windowGeneration = ~quint64(0);
    lastRead = -2;
    dropStore();
    storeTried = false;
    wanted.assign(fields.size(), 0);
    writeSql.clear();
    nameSlots.fill({});
    byName.clear();
    for (size_t j = fields.size(); j-- > 0;) {
        byName.insert(fields[j].name, int(j));
        byName.insert(fields[j].name.toCaseFolded(), int(j));
    }
    pos = 0;
    deletedCurrent = false;
    window.clear();
    cancelEdit();
    if (kept.valid) {
        for (const int j : kept.present) want(j);
        store = std::move(kept);
        keptReadAt(keptAt, true);
    }
}

void Recordset::Impl::want(int i) {
    if (wanted[size_t(i)]) return;
    wanted[size_t(i)] = 1;
    // A set of one record (the options) is read field by field, each field
    // asked for a new statement and a new read: the first brings them all.
    if (size() <= 1) std::fill(wanted.begin(), wanted.end(), 1);
    const QString cols = selectList();
    rowSql = QStringLiteral("SELECT %1 FROM %2 WHERE rowid = ?").arg(cols, quoteIdent(table));
    QStringList marks;
    for (int m = 0; m < kBatch; ++m) marks << QStringLiteral("?");
    batchSql = QStringLiteral("SELECT rowid, %1 FROM %2 WHERE rowid IN (%3)")
                   .arg(cols, quoteIdent(table), marks.join(QLatin1Char(',')));
    // Read the rows again with the field; a walk goes on reading ahead.
    if (window.keys.size() > 1 && pos >= window.first && pos < window.first + qint64(window.keys.size()))
        lastRead = pos - 1;
    window.clear();
}

// The wanted fields as read with a row: a large value only if it is not
// bytes, with its length and whether it is (or its length alone: the value
// is read through the key when asked for).
QString Recordset::Impl::selectList(bool sizesOnly) const {
    QStringList cols;
    for (size_t j = 0; j < fields.size(); ++j) {
        if (!wanted[j]) continue;
        const QString q = quoteIdent(fields[j].name);
        if (isLargeType(fields[j].type) && sizesOnly)
            cols << QStringLiteral("length(%1)").arg(q);
        else if (isLargeType(fields[j].type))
            cols << QStringLiteral(
                        "CASE WHEN typeof(%1)='blob' THEN NULL ELSE %1 END, length(%1), "
                        "typeof(%1)='blob'")
                        .arg(q);
        else
            cols << q;
    }
    return cols.join(QLatin1String(", "));
}

// One pass in table order (no sort), each row put at its position through
// its key. Rows that left the set meanwhile are skipped; rows that joined
// it are not in the set anyway.
void Recordset::Impl::fillStore() {
    storeTried = true;
    dropStore();
    const quint64 gen = writeGeneration.load(std::memory_order_relaxed);
    std::vector<std::pair<qint64, qint32>> byKey;
    byKey.reserve(keys.size());
    for (size_t p = 0; p < keys.size(); ++p) byKey.emplace_back(keys[p], qint32(p));
    std::sort(byKey.begin(), byKey.end());
    Store s;
    s.rowOf.assign(keys.size(), -1);
    s.keepFields(wanted);
    for (const int j : s.present) s.columns[size_t(j)].kind.reserve(keys.size());
    const QString sql =
        QStringLiteral("SELECT rowid, %1 FROM %2%3").arg(selectList(true), quoteIdent(table), whereSql);
    try {
        StatementUse q(c(), sql);
        bindAll(q, params);
        qint32 row = 0;
        auto next = byKey.begin();
        const bool clearUpper = canClearUpperHalves();
        while (q.step()) {
            if (clearUpper) clearUpperHalves();
            const qint64 key = sqlite3_column_int64(q, 0);
            // A table scan gives the keys in ascending order.
            auto it = next != byKey.end() && next->first == key
                          ? next
                          : std::lower_bound(byKey.begin(), byKey.end(), std::make_pair(key, qint32(-1)));
            if (it == byKey.end() || it->first != key) continue;
            next = it + 1;
            s.rowOf[size_t(it->second)] = row;
            if (!keepCells(s, q, 1, row, keys.size())) return;
            ++row;
        }
    } catch (const wk::Error&) {
        // The blocks read the rows (and raise what is wrong).
        return;
    }
    for (StoreColumn& sc : s.columns) sc.arena.shrink_to_fit();
    s.valid = true;
    s.generation = gen;
    const quint64 version = snapshotVersion(c());
    store = std::move(s);
    keptReadAt(version, true);
}

bool Recordset::Impl::keepCells(Store& s, sqlite3_stmt* q, int col, qint32 row, size_t rows) {
    // A column's numbers, offsets or sizes take room once it has one.
    auto cell = [rows](auto& column, qint32 r) -> auto& {
        if (column.capacity() == 0 && rows > 0) column.reserve(rows + 1);
        column.resize(size_t(r) + 1);
        return column[size_t(r)];
    };
    for (const int j : s.present) {
        StoreColumn& sc = s.columns[size_t(j)];
        const int type = fields[size_t(j)].type;
        const bool large = isLargeType(type);
        const int storage = sqlite3_column_type(q, col);
        char kind = SOther;
        if (large) {
            if (storage != SQLITE_NULL) {
                cell(sc.sizes, row) = sqlite3_column_int64(q, col);
                kind = SBytes;
            } else {
                kind = SNull;
            }
        } else if (storage == SQLITE_NULL) {
            kind = SNull;
        } else if (storage == SQLITE_TEXT && textReadsAlone(type)) {
            const char* text = reinterpret_cast<const char*>(sqlite3_column_text(q, col));
            const int length = sqlite3_column_bytes(q, col);
            qint64 date = 0;
            if (type == dbDate && packStoredDate(text, length, date)) {
                cell(sc.dates, row) = date;
                kind = SDate;
            } else if (plainUtf8(text, length)) {
                // Offsets only for columns that hold texts.
                if (sc.at.empty()) cell(sc.at, row) = 0;
                sc.arena.append(text, length);
                kind = SText;
            }
        } else if (storage != SQLITE_BLOB) {
            switch (type) {
                case dbBoolean:
                    cell(sc.number, row) = sqlite3_column_int64(q, col) != 0;
                    kind = SNumber;
                    break;
                case dbByte:
                case dbInteger:
                case dbLong:
                    cell(sc.number, row) = qint32(sqlite3_column_int64(q, col));
                    kind = SNumber;
                    break;
                case dbSingle:
                case dbDouble:
                case dbCurrency:
                    cell(sc.real, row) = sqlite3_column_double(q, col);
                    kind = SNumber;
                    break;
                default:
                    break;
            }
        }
        if (kind == SOther) sc.other.insert(row, readValue(q, col, type));
        ++col;
        sc.kind.push_back(kind);
        if (!sc.at.empty()) {
            // Offsets past 4 GB of text: give up, the blocks read it.
            if (sc.arena.size() > std::numeric_limits<quint32>::max()) return false;
            sc.at.push_back(quint32(sc.arena.size()));
        }
    }
    return true;
}

void Recordset::Impl::keptReadAt(quint64 version, bool intoStore) {
    if (version != keptVersion) {
        if (intoStore)
            window.clear();
        else
            dropStore();
        keptVersion = version;
    }
    askedAt = lastServed = ticks();
}

void Recordset::Impl::confirmKept(bool strict) {
    if (!haveKept()) return;
    // Unsigned: a counter that went back (another core) asks as well.
    const quint64 now = ticks();
    if (!strict && now - lastServed < kPause && now - askedAt < kAnswerFor) {
        lastServed = now;
        return;
    }
    const quint64 version = currentVersion(c());
    askedAt = lastServed = ticks();
    if (version == keptVersion) return;
    window.clear();
    dropStore();
}

void Recordset::Impl::keptAfterOwnWrite() {
    if (!haveKept()) return;
    const quint64 version = snapshotVersion(c());
    // Inside a transaction the version stays; a commit of our own moves it
    // on by one. Anything else is another connection's commit.
    if (version == keptVersion) return;
    if (version == keptVersion + 1 && sqlite3_get_autocommit(c().db)) {
        keptVersion = version;
        return;
    }
    window.clear();
    dropStore();
}

qint32 Recordset::Impl::storeRow(int i) {
    if (!store.valid) return -1;
    if (store.generation != writeGeneration.load(std::memory_order_relaxed)) {
        dropStore();
        return -1;
    }
    if (!store.columns[size_t(i)].present || !hasCurrent()) return -1;
    return store.rowOf[size_t(pos)];
}

QVariant Recordset::Impl::storeValue(int i, qint32 row) {
    const StoreColumn& sc = store.columns[size_t(i)];
    const int type = fields[size_t(i)].type;
    switch (sc.kind[size_t(row)]) {
        case SNull:
            return QVariant();
        case SNumber:
            if (type == dbBoolean) return QVariant(sc.number[size_t(row)] != 0);
            if (type == dbSingle || type == dbDouble || type == dbCurrency)
                return QVariant(sc.real[size_t(row)]);
            return QVariant(int(sc.number[size_t(row)]));
        case SText: {
            const quint32 at = sc.at[size_t(row)];
            const qsizetype length = qsizetype(sc.at[size_t(row) + 1] - at);
            const QString text =
                length > 0 ? QString::fromUtf8(sc.arena.data() + at, length) : QString(QLatin1String(""));
            return valueFromText(text, type);
        }
        case SBytes:
            return readPendingBytes(i);
        case SDate:
            return unpackStoredDate(sc.dates[size_t(row)]);
        default:
            return sc.other.value(row);
    }
}

void Recordset::Impl::takeRow(sqlite3_stmt* st, int col, size_t row) {
    const size_t width = fields.size();
    for (size_t j = 0; j < width; ++j) {
        const size_t k = row * width + j;
        if (!wanted[j]) {
            window.state[k] = NotRead;
            continue;
        }
        const int type = fields[j].type;
        const char* text = nullptr;
        int length = 0;
        if (sqlite3_column_type(st, col) == SQLITE_TEXT && textReadsAlone(type)) {
            text = reinterpret_cast<const char*>(sqlite3_column_text(st, col));
            length = sqlite3_column_bytes(st, col);
        }
        if (text && plainUtf8(text, length)) {
            window.text[k] = {window.utf8.size(), length};
            window.utf8.append(text, length);
            window.values[k] = QVariant();
            window.state[k] = TextPending;
        } else {
            window.values[k] = readValue(st, col, type);
            window.state[k] = Ready;
        }
        if (isLargeType(type)) {
            window.sizes[k] = sqlite3_column_int64(st, col + 1);
            if (sqlite3_column_int(st, col + 2) != 0) window.state[k] = BytesPending;
            col += 3;
        } else {
            window.sizes[k] = 0;
            col += 1;
        }
    }
    window.loaded[row] = 1;
}

size_t Recordset::Impl::currentRow() {
    needCurrent();
    const qint64 key = keys[size_t(pos)];
    const size_t width = fields.size();
    const quint64 gen = writeGeneration.load(std::memory_order_relaxed);
    auto slot = [&]() -> qint64 {
        const qint64 off = pos - window.first;
        if (off < 0 || off >= qint64(window.keys.size())) return -1;
        if (!window.loaded[size_t(off)] || window.keys[size_t(off)] != key) return -1;
        return off;
    };
    if (windowGeneration == gen) {
        const qint64 off = slot();
        if (off >= 0) {
            lastRead = pos;
            return size_t(off) * width;
        }
    }
    const bool sequential = windowGeneration == gen && pos == lastRead + 1;
    // A walk past its first block reads the rest in one pass.
    if (sequential && !storeTried && window.keys.size() > 1 &&
        pos == window.first + qint64(window.keys.size()) && size() - pos > kBatch) {
        fillStore();
        if (store.valid && store.rowOf[size_t(pos)] >= 0) {
            lastRead = pos;
            return kInStore;
        }
    }
    window.clear();
    windowGeneration = gen;
    lastRead = pos;
    const qint64 rows = sequential && size() - pos > 1 ? std::min<qint64>(kBatch, size() - pos) : 1;
    window.first = pos;
    window.keys.assign(keys.begin() + pos, keys.begin() + pos + rows);
    window.loaded.assign(size_t(rows), 0);
    const size_t cells = size_t(rows) * width;
    window.values.resize(cells);
    window.sizes.resize(cells);
    window.state.resize(cells);
    window.text.resize(cells);
    window.utf8.resize(0);
    if (rows > 1) {
        // Rows come back in key order: find each one's place.
        std::vector<std::pair<qint64, size_t>> order;
        order.reserve(size_t(rows));
        for (qint64 r = 0; r < rows; ++r) order.emplace_back(window.keys[size_t(r)], size_t(r));
        std::sort(order.begin(), order.end());
        StatementUse q(c(), batchSql);
        for (int k = 0; k < kBatch; ++k)
            sqlite3_bind_int64(q, k + 1, keys[size_t(std::min<qint64>(pos + k, size() - 1))]);
        while (q.step()) {
            const qint64 rowid = sqlite3_column_int64(q, 0);
            auto it = std::lower_bound(order.begin(), order.end(), std::make_pair(rowid, size_t(0)));
            if (it != order.end() && it->first == rowid) takeRow(q, 1, it->second);
        }
    } else {
        StatementUse q(c(), rowSql);
        sqlite3_bind_int64(q, 1, key);
        if (q.step()) takeRow(q, 0, 0);
    }
    keptReadAt(snapshotVersion(c()), false);
    const qint64 off = slot();
    if (off < 0) raise(3167);
    return size_t(off) * width;
}

QVariant Recordset::Impl::value(int i) {
    c();
    checkIndex(i);
    if (inPass(i) && !isLargeType(fields[size_t(i)].type))
        return readValue(passRow, passColumn[size_t(i)], fields[size_t(i)].type);
    if (editMode != dbEditNone && buffer[size_t(i)]) {
        const QVariant& v = *buffer[size_t(i)];
        // The buffer holds the stored form; give it back as a read would.
        if (!v.isValid()) return v;
        if (v.typeId() == QMetaType::QByteArray) return v;
        switch (fields[size_t(i)].type) {
            case dbBoolean:
                return QVariant(v.toLongLong() != 0);
            case dbByte:
            case dbInteger:
            case dbLong:
                return QVariant(int(v.toLongLong()));
            case dbDate:
                return QVariant(QDateTime::fromString(v.toString(), QStringLiteral("yyyy-MM-dd HH:mm:ss")));
            default:
                return v;
        }
    }
    if (editMode == dbEditAdd) {
        const QVariant& d = fields[size_t(i)].defaultValue;
        return d;
    }
    if (isStatic) {
        needCurrent();
        return rows[size_t(pos)][size_t(i)];
    }
    want(i);
    confirmKept();
    if (const qint32 row = storeRow(i); row >= 0) return storeValue(i, row);
    const size_t at = currentRow();
    if (at == kInStore) return storeValue(i, store.rowOf[size_t(pos)]);
    const size_t k = at + size_t(i);
    switch (window.state[k]) {
        case NotRead:
            raise(3167);
        case BytesPending:
            return readPendingBytes(i);
        case TextPending: {
            const auto [at, length] = window.text[k];
            const QString text = length > 0 ? QString::fromUtf8(window.utf8.constData() + at, length)
                                            : QString(QLatin1String(""));
            window.values[k] = valueFromText(text, fields[size_t(i)].type);
            window.state[k] = Ready;
            break;
        }
        case Ready:
            break;
    }
    return window.values[k];
}

QVariant Recordset::Impl::readPendingBytes(int i) {
    StatementUse q(c(), QStringLiteral("SELECT %1 FROM %2 WHERE rowid = ?")
                            .arg(quoteIdent(fields[size_t(i)].name), quoteIdent(table)));
    sqlite3_bind_int64(q, 1, keys[size_t(pos)]);
    if (!q.step()) raise(3167);
    return readValue(q, 0, fields[size_t(i)].type);
}

void Recordset::Impl::set(int i, const QVariant& v) {
    c();
    checkIndex(i);
    if (editMode == dbEditNone) raise(3020);
    // Converted (and refused) before anything changes.
    buffer[size_t(i)] = convertForField(fields[size_t(i)], v);
}

qint64 Recordset::Impl::rawSize(int i) {
    checkIndex(i);
    if (inPass(i) && isLargeType(fields[size_t(i)].type))
        return sqlite3_column_int64(passRow, passColumn[size_t(i)]);
    auto sizeOf = [](const QVariant& v) -> qint64 {
        if (!v.isValid()) return 0;
        if (v.typeId() == QMetaType::QByteArray) return v.toByteArray().size();
        if (v.typeId() == QMetaType::QString) return v.toString().size();
        return v.toString().size();
    };
    if (editMode != dbEditNone && buffer[size_t(i)]) return sizeOf(*buffer[size_t(i)]);
    if (editMode == dbEditAdd) return sizeOf(fields[size_t(i)].defaultValue);
    needCurrent();
    if (isStatic) return sizeOf(rows[size_t(pos)][size_t(i)]);
    if (isLargeType(fields[size_t(i)].type)) {
        want(i);
        confirmKept();
        qint32 row = storeRow(i);
        const size_t at = row >= 0 ? kInStore : currentRow();
        if (at != kInStore) return window.sizes[at + size_t(i)];
        if (row < 0) row = store.rowOf[size_t(pos)];
        const StoreColumn& sc = store.columns[size_t(i)];
        return sc.kind[size_t(row)] == SBytes ? sc.sizes[size_t(row)] : 0;
    }
    // length() of a blob reads its size from the record header only.
    StatementUse q(c(), QStringLiteral("SELECT length(%1) FROM %2 WHERE rowid = ?")
                            .arg(quoteIdent(fields[size_t(i)].name), quoteIdent(table)));
    sqlite3_bind_int64(q, 1, keys[size_t(pos)]);
    if (!q.step()) raise(3167);
    return sqlite3_column_int64(q, 0);
}

// ---- Recordset --------------------------------------------------------------------

Recordset::Recordset(std::unique_ptr<Impl> impl) : d(std::move(impl)) {}
Recordset::~Recordset() = default;

bool Recordset::Eof() const {
    d->c();
    return d->size() == 0 || d->pos >= d->size();
}

bool Recordset::Bof() const {
    d->c();
    return d->size() == 0 || d->pos < 0;
}

void Recordset::MoveFirst() {
    d->c();
    if (d->size() == 0) raise(3021);
    d->moved();
    d->pos = 0;
}

void Recordset::MoveLast() {
    d->c();
    if (d->size() == 0) raise(3021);
    d->moved();
    d->pos = d->size() - 1;
}

void Recordset::MoveNext() {
    d->c();
    if (d->deletedCurrent) {
        // The rows after a deleted one moved up by one.
        d->moved();
        return;
    }
    if (Eof()) raise(3021);
    d->moved();
    ++d->pos;
}

void Recordset::MovePrevious() {
    d->c();
    if (d->deletedCurrent) {
        d->moved();
        d->pos = std::max<qint64>(-1, d->pos - 1);
        return;
    }
    if (Bof()) raise(3021);
    d->moved();
    --d->pos;
}

void Recordset::Move(long rows) {
    d->c();
    d->needCurrent();
    d->moved();
    const qint64 target = d->pos + rows;
    d->pos = std::clamp<qint64>(target, -1, d->size());
}

long Recordset::RecordCount() const {
    d->c();
    return long(d->size());
}

long Recordset::AbsolutePosition() const {
    d->c();
    return d->hasCurrent() ? long(d->pos) : -1;
}

void Recordset::SetAbsolutePosition(long position) {
    d->c();
    if (position < 0 || position >= d->size()) raise(3001);
    d->moved();
    d->pos = position;
}

QByteArray Recordset::Bookmark() const {
    d->c();
    d->needCurrent();
    return keyBytes(d->isStatic ? d->pos : d->keys[size_t(d->pos)]);
}

void Recordset::SetBookmark(const QByteArray& bookmark) {
    d->c();
    if (bookmark.size() != 8) raise(3159);
    const qint64 key = qFromLittleEndian<qint64>(bookmark.constData());
    qint64 at = -1;
    if (d->isStatic) {
        if (key >= 0 && key < d->size()) at = key;
    } else {
        auto it = std::find(d->keys.begin(), d->keys.end(), key);
        if (it != d->keys.end()) at = it - d->keys.begin();
    }
    if (at < 0) raise(3159);
    d->moved();
    d->pos = at;
}

std::vector<long> Recordset::PositionsOfBookmarks(const std::vector<QByteArray>& bookmarks) const {
    d->c();
    std::vector<long> out(bookmarks.size(), -1);
    // The asked keys in a hash, then one pass over the set's keys: a look-up
    // each would scan the keys once per bookmark.
    QHash<qint64, long> found;
    for (const QByteArray& b : bookmarks)
        if (b.size() == 8) found.insert(qFromLittleEndian<qint64>(b.constData()), -1);
    const qint64 n = d->size();
    if (d->isStatic) {
        for (auto it = found.begin(); it != found.end(); ++it)
            if (it.key() >= 0 && it.key() < n) it.value() = long(it.key());
    } else {
        qsizetype left = found.size();
        for (size_t i = 0; i < d->keys.size() && left > 0; ++i) {
            const auto it = found.find(d->keys[i]);
            if (it != found.end() && it.value() < 0) {
                it.value() = long(i);
                --left;
            }
        }
    }
    for (size_t i = 0; i < bookmarks.size(); ++i)
        if (bookmarks[i].size() == 8)
            out[i] = found.value(qFromLittleEndian<qint64>(bookmarks[i].constData()), -1);
    return out;
}

QByteArray Recordset::LastModified() const {
    d->c();
    if (!d->haveLastModified) raise(3021);
    return keyBytes(d->lastModified);
}

void Recordset::AddNew() {
    d->c();
    if (!d->updatable) raise(3027);
    d->cancelEdit();
    d->editMode = dbEditAdd;
}

void Recordset::Edit() {
    d->c();
    if (!d->updatable) raise(3027);
    d->needCurrent();
    // Nothing is read here: a row deleted meanwhile raises 3167 on Update
    // (or on reading a field), so a walk that only writes reads nothing.
    // But what it reads during the edit is the row as stored now, whatever
    // another program wrote since the values were kept.
    if (!d->isStatic) d->confirmKept(true);
    d->cancelEdit();
    d->editMode = dbEditInProgress;
    d->editKey = d->keys[size_t(d->pos)];
}

void Recordset::Update() {
    Core& core = d->c();
    if (d->editMode == dbEditNone) raise(3020);
    const bool adding = d->editMode == dbEditAdd;
    QByteArray shape(qsizetype(d->fields.size()) + 1, '\0');
    shape[0] = adding ? 'A' : 'E';
    std::vector<const QVariant*> values;
    values.reserve(d->fields.size());
    for (size_t i = 0; i < d->fields.size(); ++i) {
        const ColumnInfo& f = d->fields[i];
        const bool set = d->buffer[i].has_value();
        if (f.required) {
            const bool willBeNull = set ? !d->buffer[i]->isValid() : (adding && !f.defaultValue.isValid());
            if (willBeNull) raise(3314, f.name);
        }
        if (set) {
            shape[qsizetype(i) + 1] = 1;
            values.push_back(&*d->buffer[i]);
        }
    }
    auto sql = d->writeSql.constFind(shape);
    if (sql == d->writeSql.constEnd()) {
        QStringList names;
        for (size_t i = 0; i < d->fields.size(); ++i)
            if (shape[qsizetype(i) + 1]) names << quoteIdent(d->fields[i].name);
        QString text;
        if (adding && names.isEmpty()) {
            text = QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(quoteIdent(d->table));
        } else if (adding) {
            QStringList marks;
            for (qsizetype i = 0; i < names.size(); ++i) marks << QStringLiteral("?");
            text = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                       .arg(quoteIdent(d->table), names.join(QLatin1String(", ")),
                            marks.join(QLatin1String(", ")));
        } else if (!names.isEmpty()) {
            QStringList sets;
            for (const QString& n : names) sets << n + QLatin1String(" = ?");
            text = QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?")
                       .arg(quoteIdent(d->table), sets.join(QLatin1String(", ")));
        }
        sql = d->writeSql.insert(shape, text);
    }
    // This recordset's own write leaves the rows it has read as they were,
    // except an edited one: the read-ahead stays for a walk that writes.
    const bool windowFresh = d->windowGeneration == writeGeneration.load(std::memory_order_relaxed);
    const bool storeFresh =
        d->store.valid && d->store.generation == writeGeneration.load(std::memory_order_relaxed);
    if (adding) {
        StatementUse q(core, *sql);
        for (size_t i = 0; i < values.size(); ++i) bindValue(q, int(i) + 1, *values[i]);
        q.step();
        const qint64 key = sqlite3_last_insert_rowid(core.db);
        const bool wasAtEnd = d->pos >= d->size();
        d->keys.push_back(key);
        if (d->store.valid) d->store.rowOf.push_back(-1);
        // The record current before AddNew stays current.
        if (wasAtEnd) d->pos = d->size();
        d->lastModified = key;
    } else {
        if (!values.empty()) {
            StatementUse q(core, *sql);
            for (size_t i = 0; i < values.size(); ++i) bindValue(q, int(i) + 1, *values[i]);
            sqlite3_bind_int64(q, int(values.size()) + 1, d->editKey);
            q.step();
            if (sqlite3_changes(core.db) == 0) raise(3167);
        }
        d->lastModified = d->editKey;
        for (size_t r = 0; r < d->window.keys.size(); ++r)
            if (d->window.keys[r] == d->editKey) d->window.loaded[r] = 0;
        if (d->store.valid) {
            const qint64 at = d->hasCurrent() && d->keys[size_t(d->pos)] == d->editKey
                                  ? d->pos
                                  : std::find(d->keys.begin(), d->keys.end(), d->editKey) - d->keys.begin();
            if (at < d->size()) d->store.rowOf[size_t(at)] = -1;
        }
    }
    d->haveLastModified = true;
    noteWrite();
    d->keptAfterOwnWrite();
    if (windowFresh)
        d->windowGeneration = writeGeneration.load(std::memory_order_relaxed);
    else
        d->window.clear();
    if (storeFresh)
        d->store.generation = writeGeneration.load(std::memory_order_relaxed);
    else
        d->dropStore();
    d->cancelEdit();
}

void Recordset::CancelUpdate() {
    d->c();
    if (d->editMode == dbEditNone) raise(3020);
    d->cancelEdit();
}

void Recordset::Delete() {
    Core& core = d->c();
    if (!d->updatable) raise(3027);
    d->needCurrent();
    d->cancelEdit();
    const qint64 key = d->keys[size_t(d->pos)];
    StatementUse q(core, QStringLiteral("DELETE FROM %1 WHERE rowid = ?").arg(quoteIdent(d->table)));
    sqlite3_bind_int64(q, 1, key);
    q.step();
    if (sqlite3_changes(core.db) == 0) raise(3167);
    const bool storeFresh =
        d->store.valid && d->store.generation == writeGeneration.load(std::memory_order_relaxed);
    if (d->store.valid) d->store.rowOf.erase(d->store.rowOf.begin() + d->pos);
    d->keys.erase(d->keys.begin() + d->pos);
    d->deletedCurrent = true;
    d->window.clear();
    noteWrite();
    d->keptAfterOwnWrite();
    if (storeFresh)
        d->store.generation = writeGeneration.load(std::memory_order_relaxed);
    else
        d->dropStore();
}

void Recordset::DeletePositions(const std::vector<long>& positions) {
    Core& core = d->c();
    if (!d->updatable) raise(3027);
    for (size_t i = 0; i < positions.size(); ++i)
        if (positions[i] < 0 || positions[i] >= d->size() || (i > 0 && positions[i] <= positions[i - 1]))
            raise(3001);
    if (positions.empty()) return;
    d->cancelEdit();
    const bool storeFresh =
        d->store.valid && d->store.generation == writeGeneration.load(std::memory_order_relaxed);
    size_t done = 0;
    // Closing up the keys after each row would move the rest of the set
    // every time.
    auto closeUp = [&] {
        if (done == 0) return;
        size_t at = 0, next = 0;
        for (size_t p = 0; p < d->keys.size(); ++p) {
            if (next < done && long(p) == positions[next]) {
                ++next;
                continue;
            }
            d->keys[at] = d->keys[p];
            if (d->store.valid) d->store.rowOf[at] = d->store.rowOf[p];
            ++at;
        }
        d->keys.resize(at);
        if (d->store.valid) d->store.rowOf.resize(at);
        d->pos = positions[done - 1] - long(done - 1);
        d->deletedCurrent = true;
        d->window.clear();
        noteWrite();
        if (storeFresh)
            d->store.generation = writeGeneration.load(std::memory_order_relaxed);
        else
            d->dropStore();
    };
    try {
        StatementUse q(core, QStringLiteral("DELETE FROM %1 WHERE rowid = ?").arg(quoteIdent(d->table)));
        for (const long p : positions) {
            sqlite3_bind_int64(q, 1, d->keys[size_t(p)]);
            q.step();
            if (sqlite3_changes(core.db) == 0) raise(3167);
            sqlite3_reset(q);
            ++done;
        }
    } catch (...) {
        closeUp();
        throw;
    }
    closeUp();
}

void Recordset::ForEachRecord(const QStringList& fields,
                              const std::function<void(long position, const QVariantList& values)>& each) {
    std::vector<int> index;
    for (const QString& f : fields) index.push_back(d->index(f));
    QVariantList values;
    values.resize(fields.size());
    ForEachRecord(index, [&](long position) {
        try {
            for (size_t j = 0; j < index.size(); ++j) values[qsizetype(j)] = d->value(index[j]);
        } catch (const wk::Error& e) {
            if (e.number() == 3167) return;  // gone meanwhile
            throw;
        }
        each(position, values);
    });
}

int Recordset::EditMode() const {
    d->c();
    return d->editMode;
}

QVariant Recordset::Value(const QString& field) const {
    return d->value(d->index(field));
}
QVariant Recordset::Value(int index) const {
    return d->value(index);
}

void Recordset::ReadValue(int index, QVariant& into) const {
    d->c();
    d->checkIndex(index);
    const int type = d->fields[size_t(index)].type;
    if (d->inPass(index)) {
        // Into the value `into` holds when it is of the kind read: no new
        // value made, no text buffer.
        sqlite3_stmt* st = d->passRow;
        const int col = d->passColumn[size_t(index)];
        const int storage = sqlite3_column_type(st, col);
        const int held = into.typeId();
        if ((type == dbText || type == dbMemo) && held == QMetaType::QString && storage == SQLITE_TEXT) {
            const char* u = reinterpret_cast<const char*>(sqlite3_column_text(st, col));
            const qsizetype n = sqlite3_column_bytes(st, col);
            if (u && utf8IntoText(u, n, *static_cast<QString*>(into.data()))) return;
        } else if ((type == dbByte || type == dbInteger || type == dbLong) && held == QMetaType::Int &&
                   storage == SQLITE_INTEGER) {
            *static_cast<int*>(into.data()) = int(sqlite3_column_int64(st, col));
            return;
        } else if ((type == dbSingle || type == dbDouble || type == dbCurrency) &&
                   held == QMetaType::Double && (storage == SQLITE_INTEGER || storage == SQLITE_FLOAT)) {
            *static_cast<double*>(into.data()) = sqlite3_column_double(st, col);
            return;
        } else if (type == dbBoolean && held == QMetaType::Bool &&
                   (storage == SQLITE_INTEGER || storage == SQLITE_FLOAT)) {
            *static_cast<bool*>(into.data()) = sqlite3_column_int64(st, col) != 0;
            return;
        }
    }
    into = d->value(index);
}
void Recordset::ReadPassValues(const int* index, size_t count, PassValue* out) const {
    const bool pass = d->passRow && d->pos == d->passPos && d->editMode == dbEditNone;
    const int known = int(d->fields.size());
    const ColumnInfo* fields = d->fields.data();
    const int* column = d->passColumn.data();
    for (size_t k = 0; k < count; ++k) {
        PassValue& v = out[k];
        v.kind = PassValue::Other;
        const int i = index[k];
        if (!pass || i < 0 || i >= known || column[i] < 0) continue;
        const int type = fields[i].type;
        sqlite3_value* sv = sqlite3_column_value(d->passRow, column[i]);
        if (isLargeType(type)) {
            // The pass holds its length, as FieldSize gives it.
            v.kind = PassValue::Length;
            v.integer = sqlite3_value_int64(sv);
            continue;
        }
        // As readValue reads it, where that needs no conversion.
        const bool whole = type == dbByte || type == dbInteger || type == dbLong;
        const bool real = type == dbSingle || type == dbDouble || type == dbCurrency;
        switch (sqlite3_value_type(sv)) {
            case SQLITE_NULL:
                v.kind = PassValue::Null;
                break;
            case SQLITE_INTEGER:
                if (whole) {
                    v.kind = PassValue::Integer;
                    v.integer = int(sqlite3_value_int64(sv));
                } else if (real) {
                    v.kind = PassValue::Real;
                    v.real = sqlite3_value_double(sv);
                } else if (type == dbBoolean) {
                    v.kind = PassValue::Boolean;
                    v.integer = sqlite3_value_int64(sv) != 0;
                }
                break;
            case SQLITE_FLOAT:
                if (real) {
                    v.kind = PassValue::Real;
                    v.real = sqlite3_value_double(sv);
                }
                break;
            case SQLITE_TEXT:
                if (type == dbText) {
                    const char* u = reinterpret_cast<const char*>(sqlite3_value_text(sv));
                    const qsizetype n = sqlite3_value_bytes(sv);
                    if (u && plainUtf8(u, n, &v.ascii)) {
                        v.kind = PassValue::Text;
                        v.text = QByteArrayView(u, n);
                    }
                }
                break;
            default:
                break;
        }
    }
}

void Recordset::SetValue(const QString& field, const QVariant& value) {
    d->set(d->index(field), value);
}
void Recordset::SetValue(int index, const QVariant& value) {
    d->set(index, value);
}

int Recordset::FieldCount() const {
    d->c();
    return int(d->fields.size());
}

QString Recordset::FieldName(int index) const {
    d->c();
    d->checkIndex(index);
    return d->fields[size_t(index)].name;
}

int Recordset::FieldIndex(const QString& name) const {
    d->c();
    return d->find(name);
}

int Recordset::FieldType(int index) const {
    d->c();
    d->checkIndex(index);
    return d->fields[size_t(index)].type;
}

int Recordset::FieldType(const QString& field) const {
    return FieldType(d->index(field));
}

int Recordset::FieldDefinedSize(int index) const {
    d->c();
    d->checkIndex(index);
    return d->fields[size_t(index)].size;
}

int Recordset::FieldDefinedSize(const QString& field) const {
    return FieldDefinedSize(d->index(field));
}

qint64 Recordset::FieldSize(const QString& field) const {
    d->c();
    return d->rawSize(d->index(field));
}

qint64 Recordset::FieldSize(int index) const {
    d->c();
    return d->rawSize(index);
}

void Recordset::AppendChunk(const QString& field, const QByteArray& data) {
    d->c();
    const int i = d->index(field);
    if (d->editMode == dbEditNone) raise(3020);
    const ColumnInfo& f = d->fields[size_t(i)];
    if (f.type != dbMemo && f.type != dbLongBinary) raise(3259);
    QByteArray value;
    if (d->chunked[size_t(i)] && d->buffer[size_t(i)] && d->buffer[size_t(i)]->isValid())
        value = d->buffer[size_t(i)]->toByteArray();
    // The first chunk after Edit/AddNew replaces the value.
    value.append(data);
    d->buffer[size_t(i)] = QVariant(value);
    d->chunked[size_t(i)] = true;
}

QByteArray Recordset::GetChunk(const QString& field, qint64 offset, qint64 length) const {
    Core& core = d->c();
    const int i = d->index(field);
    if (offset < 0 || length < 0) raise(3001);
    auto slice = [&](const QVariant& v) -> QByteArray {
        if (!v.isValid()) return {};
        const QByteArray b = v.typeId() == QMetaType::QByteArray ? v.toByteArray() : v.toString().toUtf8();
        return b.mid(offset, length);
    };
    if (d->editMode != dbEditNone && d->buffer[size_t(i)]) return slice(*d->buffer[size_t(i)]);
    if (d->editMode == dbEditAdd) return slice(d->fields[size_t(i)].defaultValue);
    d->needCurrent();
    if (d->isStatic) return slice(d->rows[size_t(d->pos)][size_t(i)]);
    const qint64 key = d->keys[size_t(d->pos)];
    const QString column = d->fields[size_t(i)].name;
    {
        StatementUse q(core, QStringLiteral("SELECT typeof(%1) FROM %2 WHERE rowid = ?")
                                 .arg(quoteIdent(column), quoteIdent(d->table)));
        sqlite3_bind_int64(q, 1, key);
        if (!q.step()) raise(3167);
        const QByteArray type(reinterpret_cast<const char*>(sqlite3_column_text(q, 0)));
        if (type == "null") return {};
        if (type != "blob" && type != "text") return slice(d->value(i));
    }
    // Read just the piece asked for.
    sqlite3_blob* blob = nullptr;
    const QByteArray tableName = d->table.toUtf8();
    const QByteArray columnName = column.toUtf8();
    int rc = sqlite3_blob_open(core.db, "main", tableName.constData(), columnName.constData(), key, 0, &blob);
    if (rc != SQLITE_OK) {
        sqlite3_blob_close(blob);
        raiseSqlite(core.db, rc);
    }
    const qint64 total = sqlite3_blob_bytes(blob);
    QByteArray out;
    if (offset < total) {
        const qint64 n = std::min(length, total - offset);
        out.resize(n);
        rc = sqlite3_blob_read(blob, out.data(), int(n), int(offset));
    }
    sqlite3_blob_close(blob);
    if (rc != SQLITE_OK) raiseSqlite(core.db, rc);
    return out;
}

static void find(Recordset::Impl& d, const QString& criteria, const Params& params, qint64 from) {
    Core& core = d.c();
    if (d.isStatic) raise(3251);
    d.moved();
    const QString sql = QStringLiteral("SELECT 1 FROM %1 WHERE (%2) AND rowid = ?")
                            .arg(quoteIdent(d.table), translate(criteria));
    for (qint64 p = std::max<qint64>(from, 0); p < d.size(); ++p) {
        StatementUse q(core, sql);
        const int last = sqlite3_bind_parameter_count(q);
        if (params.size() < last - 1) raise(3061, QString::number(last - 1 - params.size()));
        for (int k = 0; k < last - 1; ++k) bindValue(q, k + 1, params[k]);
        sqlite3_bind_int64(q, last, d.keys[size_t(p)]);
        if (q.step()) {
            d.pos = p;
            d.noMatch = false;
            return;
        }
    }
    d.noMatch = true;
}

void Recordset::FindFirst(const QString& criteria, const Params& params) {
    find(*d, criteria, params, 0);
}

void Recordset::FindNext(const QString& criteria, const Params& params) {
    d->c();
    find(*d, criteria, params, d->hasCurrent() ? d->pos + 1 : (d->deletedCurrent ? d->pos : 0));
}

bool Recordset::NoMatch() const {
    d->c();
    return d->noMatch;
}

void Recordset::ForEachRecord(const std::vector<int>& wanted, const std::function<void(long)>& visit) {
    Core& core = d->c();
    const qint64 kept = d->pos;
    const bool keptDeleted = d->deletedCurrent;
    auto restore = [&] {
        d->moved();
        d->pos = kept;
        d->deletedCurrent = keptDeleted;
    };
    auto byPosition = [&](const std::vector<char>* skip) {
        for (qint64 p = 0; p < d->size(); ++p) {
            if (skip && (*skip)[size_t(p)]) continue;
            d->moved();
            d->pos = p;
            visit(long(p));
        }
    };
    if (d->isStatic || d->passRow) {
        byPosition(nullptr);
        restore();
        return;
    }
    std::vector<int> column(d->fields.size(), -1);
    QStringList list;
    for (int i : wanted) {
        d->checkIndex(i);
        if (column[size_t(i)] >= 0) continue;
        const QString q = quoteIdent(d->fields[size_t(i)].name);
        list << (isLargeType(d->fields[size_t(i)].type) ? QStringLiteral("length(%1)").arg(q) : q);
        column[size_t(i)] = int(list.size());
    }
    // The position of each key: by the key itself where the keys lie close
    // together (rowids mostly do), else by a search among the sorted keys.
    const auto [low, high] = std::minmax_element(d->keys.begin(), d->keys.end());
    const bool dense = !d->keys.empty() && quint64(*high - *low) < 4 * quint64(d->keys.size()) + 1024;
    std::vector<qint32> positionOf;
    std::vector<std::pair<qint64, qint64>> byKey;
    if (dense) {
        positionOf.assign(size_t(*high - *low + 1), -1);
        for (size_t p = 0; p < d->keys.size(); ++p) positionOf[size_t(d->keys[p] - *low)] = qint32(p);
    } else {
        byKey.reserve(d->keys.size());
        for (size_t p = 0; p < d->keys.size(); ++p) byKey.emplace_back(d->keys[p], qint64(p));
        std::sort(byKey.begin(), byKey.end());
    }
    const qint64 lowKey = d->keys.empty() ? 0 : *low;
    std::vector<char> seen(d->keys.size(), 0);
    {
        // Named apart from every other statement of the layer, which may run
        // while this one is on a row.
        StatementUse q(core, QStringLiteral("SELECT rowid AS wk_each%1%2 FROM %3%4")
                                 .arg(list.isEmpty() ? QString() : QStringLiteral(", "),
                                      list.join(QLatin1String(", ")), quoteIdent(d->table), d->whereSql));
        bindAll(q, d->params);
        struct PassEnd {
            Recordset::Impl& d;
            ~PassEnd() {
                d.passRow = nullptr;
                d.passPos = -1;
            }
        } passEnd{*d};
        d->passColumn = column;
        auto next = byKey.begin();
        const bool clearUpper = canClearUpperHalves();
        while (q.step()) {
            if (clearUpper) clearUpperHalves();
            const qint64 key = sqlite3_column_int64(q, 0);
            qint64 position = -1;
            if (dense) {
                if (key >= lowKey && quint64(key - lowKey) < positionOf.size())
                    position = positionOf[size_t(key - lowKey)];
            } else {
                // A table scan gives the keys in ascending order.
                auto it = next != byKey.end() && next->first == key
                              ? next
                              : std::lower_bound(byKey.begin(), byKey.end(), std::make_pair(key, qint64(-1)));
                if (it != byKey.end() && it->first == key) {
                    position = it->second;
                    next = it + 1;
                }
            }
            if (position < 0 || seen[size_t(position)]) continue;
            d->moved();
            d->pos = position;
            d->passRow = q;
            d->passPos = position;
            seen[size_t(position)] = 1;
            visit(long(position));
        }
    }
    byPosition(&seen);
    restore();
}

void Recordset::Requery() {
    d->c();
    const Params p = d->params;
    const QString sql = d->sourceSql;
    d->load(sql, p);
}

void Recordset::Close() {
    d->c();
    d->detach();
}

bool Recordset::IsOpen() const {
    return d->core && d->core->isOpen();
}

QString Recordset::Name() const {
    return d->name;
}

// ---- Database::OpenRecordset --------------------------------------------------------

RecordsetPtr Database::OpenRecordset(const QString& source, int type, const Params& params,
                                     const QStringList& keep) {
    Core& core = d->use();
    QString sql;
    if (const TableInfo* t = core.findTable(source.trimmed())) {
        sql = QStringLiteral("SELECT * FROM [%1]").arg(t->name);
    } else if (auto q = core.findQuery(source.trimmed())) {
        sql = *q;
    } else {
        const std::vector<Token> t = tokenize(source);
        if (t.empty() || !t[0].is("SELECT")) raise(3078, source);
        sql = source;
    }
    auto impl = std::make_unique<Recordset::Impl>();
    impl->core = d->core;
    impl->name = source;
    impl->owner = d.get();
    impl->updatable = type != dbOpenSnapshot && !d->readOnly;
    impl->keep = keep;
    impl->load(sql, params);
    core.recordsets.push_back(impl.get());
    return std::make_shared<Recordset>(std::move(impl));
}

}  // namespace dao
