// Dynaset recordsets: the row keys are taken when the recordset opens and
// every value is read and written through its key, so positions stay put
// while rows change. Queries that are not a plain selection from one table
// give a read-only set held in memory.
#include "platform/Error.h"
#include "platform/dao/RecordsetImpl.h"

#include <QtEndian>

#include <algorithm>
#include <limits>

namespace dao {

namespace {

QByteArray keyBytes(qint64 key) {
    QByteArray b(8, '\0');
    qToLittleEndian(key, b.data());
    return b;
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
    Core& core = d->c();
    if (!d->updatable) raise(3027);
    d->needCurrent();
    // In a transaction the file is held from here on: what the edit reads
    // is still so when its Update writes.
    core.enterWorkspaceTransaction();
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

void Recordset::Requery() {
    d->c();
    const Params p = d->params;
    const QString sql = d->sourceSql;
    try {
        d->load(sql, p);
    } catch (...) {
        // Rows the set could not read again are none of its rows: those of a
        // transaction taken back must not stay in it, to be met as deleted.
        d->cancelEdit();
        d->keys.clear();
        d->rows.clear();
        d->window.clear();
        d->dropStore();
        d->pos = 0;
        throw;
    }
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
    watchActions();
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
