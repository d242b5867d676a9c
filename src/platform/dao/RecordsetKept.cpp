// The recordset's kept values: the read-ahead window of rows read last and
// the store a long walk reads in one pass, when they are read, how they are
// served and when they are no longer fresh.
#include "platform/Error.h"
#include "platform/dao/RecordsetImpl.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>
#include <QPointer>

#include <algorithm>
#include <limits>
#include <mutex>

namespace dao {

namespace detail {

std::atomic<quint64> actionEpoch{0};

namespace {

// Each key, click or turn of the wheel is an action of its own, even when
// one wake of the event loop delivers several.
class InputWatch : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
            case QEvent::KeyPress:
            case QEvent::KeyRelease:
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
            case QEvent::Wheel:
            case QEvent::Shortcut:
            case QEvent::ContextMenu:
            case QEvent::InputMethod:
            case QEvent::TouchBegin:
            case QEvent::TouchEnd:
            case QEvent::TabletPress:
            case QEvent::TabletRelease:
                NewAction();
                break;
            default:
                break;
        }
        return false;
    }
};

}  // namespace

void watchActions() {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return;
    QAbstractEventDispatcher* loop = QAbstractEventDispatcher::instance(app->thread());
    if (!loop) return;
    static std::mutex guard;
    static QPointer<QAbstractEventDispatcher> watched;
    static QPointer<QObject> input;
    const std::lock_guard lock(guard);
    if (!input) {
        input = new InputWatch(app);
        app->installEventFilter(input);
    }
    if (watched == loop) return;
    watched = loop;
    // Whatever woke the loop (a key, a click, a timer) is a new action; so
    // is going back to wait for one.
    QObject::connect(loop, &QAbstractEventDispatcher::awake, loop, NewAction, Qt::DirectConnection);
    QObject::connect(loop, &QAbstractEventDispatcher::aboutToBlock, loop, NewAction, Qt::DirectConnection);
}

}  // namespace detail

void NewAction() {
    actionEpoch.fetch_add(1, std::memory_order_relaxed);
}

namespace {

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

}  // namespace

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
        while (q.step()) {
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
    // A read starts from what SQLite knows now.
    askedEpoch = actionEpoch.load(std::memory_order_relaxed);
}

void Recordset::Impl::confirmKept(bool strict) {
    // In a transaction the kept values are served only once the file has
    // joined it: what was read before may be older than what the
    // transaction reads and writes.
    c().beforeRead();
    if (!haveKept()) return;
    const quint64 epoch = actionEpoch.load(std::memory_order_relaxed);
    quint64 version = 0;
    if (strict || epoch != askedEpoch) {
        version = currentVersion(c());
        askedEpoch = epoch;
    } else {
        version = snapshotVersion(c());
    }
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

}  // namespace dao
