// The recordset's walks: a pass over the table that visits every record,
// its values read straight from the pass's own statement; deleting by
// position; finding a record by criteria, and records by their bookmarks.
#include "platform/Error.h"
#include "platform/dao/RecordsetImpl.h"

#include <QHash>
#include <QtEndian>

#include <algorithm>

namespace dao {

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
        while (q.step()) {
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

}  // namespace dao
