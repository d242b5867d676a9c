// The Database object: its handles, table and query definitions, passwords
// and Execute of the dialect's statements.
#include "platform/Error.h"
#include "platform/dao/Connection.h"

#include <QRandomGenerator>

namespace dao {

using namespace detail;

// ---- database -------------------------------------------------------------------

Core& Database::Impl::use() const {
    if (!open || !core || !core->isOpen()) raise(3420);
    return *core;
}

void Database::Impl::needWritable() const {
    use();
    if (readOnly) raise(3027);
}

void Database::Impl::detach() {
    if (!open) return;
    open = false;
    if (core && !readOnly) --core->writers;
    if (core && --core->handles == 0 && core->savepoints == 0) core->workspace = nullptr;
    if (workspace) std::erase(workspace->handles, this);
    workspace = nullptr;
}

void Database::Impl::closeHandle() {
    if (!open) return;
    std::shared_ptr<Core> keep = core;
    Core& c = *keep;
    for (RecordsetImplBase* rs : std::vector<RecordsetImplBase*>(c.recordsets)) {
        if (rs->owner != this) continue;
        rs->closeFromDatabase();
        std::erase(c.recordsets, rs);
    }
    detach();
    // The last handle closes the connection, unless recordsets of a handle
    // released without Close still use it.
    if (c.handles == 0 && c.recordsets.empty()) c.close();
}

Database::Database(std::unique_ptr<Impl> impl) : d(std::move(impl)) {}
Database::~Database() {
    d->detach();
}

QString Database::Name() const {
    return d->path;
}

bool Database::IsOpen() const {
    return d->open && d->core && d->core->isOpen();
}

std::optional<JournalSetAside> Database::SetAside() const {
    return d->setAside;
}

void Database::Close() {
    d->use();
    d->closeHandle();
}

long Database::RecordsAffected() const {
    return d->core->recordsAffected;
}

TableDefPtr Database::CreateTableDef(const QString& name) {
    d->use();
    return std::make_shared<TableDef>(name);
}

static void insertField(Core& core, const QString& table, const ColumnInfo& c) {
    StatementUse q(
        core, QStringLiteral("INSERT OR REPLACE INTO wk_fields (tbl, name, type, size, "
                             "allow_zero_length, required, default_value) VALUES (?, ?, ?, ?, ?, ?, ?)"));
    bindValue(q, 1, table);
    bindValue(q, 2, c.name);
    bindValue(q, 3, c.type);
    bindValue(q, 4, c.size);
    bindValue(q, 5, c.allowZeroLength ? 1 : 0);
    bindValue(q, 6, c.required ? 1 : 0);
    bindValue(q, 7, c.defaultValue);
    q.step();
}

static QString columnDdl(const ColumnInfo& c) {
    QString s = quoteIdent(c.name) + QLatin1Char(' ') + sqlTypeOf(c.type, c.size);
    if (c.required) s += QLatin1String(" NOT NULL");
    if (c.defaultValue.isValid()) s += QLatin1String(" DEFAULT ") + sqlLiteral(c.defaultValue);
    // Size and zero-length rules hold for SQL statements (and other tools)
    // too; the constraint names tell raiseSqlite which error it is.
    const QString col = quoteIdent(c.name);
    if (c.type == dbText)
        s += QStringLiteral(" CONSTRAINT %1 CHECK (typeof(%2) <> 'text' OR length(%2) <= %3)")
                 .arg(quoteIdent(QLatin1String("wk_size:") + c.name), col)
                 .arg(c.size);
    if (isTextType(c.type) && !c.allowZeroLength)
        s += QStringLiteral(" CONSTRAINT %1 CHECK (%2 IS NULL OR length(%2) > 0)")
                 .arg(quoteIdent(QLatin1String("wk_empty:") + c.name), col);
    return s;
}

void Database::Append(const TableDefPtr& td) {
    Core& core = d->use();
    d->needWritable();
    if (!td || td->name_.isEmpty() || isCatalogueName(td->name_)) raise(3001);
    if (td->appended_) raise(3012, td->name_);
    if (td->fields_.empty()) raise(3264);
    if (core.findTable(td->name_)) raise(3010, td->name_);
    if (core.findQuery(td->name_)) raise(3012, td->name_);

    std::vector<ColumnInfo> columns;
    for (const FieldPtr& f : td->fields_) {
        ColumnInfo c;
        c.name = f->name_;
        c.type = f->type_;
        c.size = f->size_;
        c.allowZeroLength = isTextType(c.type) && f->allowZeroLength_;
        c.required = f->required_;
        if (f->default_.isValid()) {
            // Stored in the field's own form; a default that does not fit is refused now.
            ColumnInfo loose = c;
            loose.allowZeroLength = true;
            c.defaultValue = convertForField(loose, f->default_);
        }
        columns.push_back(c);
    }
    QStringList defs;
    for (const ColumnInfo& c : columns) defs << columnDdl(c);
    core.atomically([&] {
        core.exec(QStringLiteral("CREATE TABLE %1 (%2)")
                      .arg(quoteIdent(td->name_), defs.join(QLatin1String(", "))));
        {
            StatementUse q(core, QStringLiteral("INSERT INTO wk_tables (name) VALUES (?)"));
            bindValue(q, 1, td->name_);
            q.step();
        }
        for (const ColumnInfo& c : columns) insertField(core, td->name_, c);
    });
    core.invalidateCatalogue();
    noteWrite();
    td->appended_ = true;
    for (const FieldPtr& f : td->fields_) f->appended_ = true;
}

namespace detail {
struct Access {
    static void seal(TableDef& td) {
        td.appended_ = true;
        for (const FieldPtr& f : td.fields_) f->appended_ = true;
    }
};
}  // namespace detail

static TableDefPtr toTableDef(const TableInfo& t) {
    auto td = std::make_shared<TableDef>(t.name);
    for (const ColumnInfo& c : t.columns) {
        auto f = std::make_shared<Field>(c.name, c.type, c.size);
        f->SetAllowZeroLength(c.allowZeroLength);
        f->SetRequired(c.required);
        f->SetDefaultValue(c.defaultValue);
        td->Append(f);
    }
    // Read-only copies: changing them would not reach the file.
    Access::seal(*td);
    return td;
}

std::vector<TableDefPtr> Database::TableDefs() const {
    Core& core = d->use();
    core.loadCatalogue();
    std::vector<TableDefPtr> out;
    for (const TableInfo& t : core.tables) out.push_back(toTableDef(t));
    return out;
}

TableDefPtr Database::GetTableDef(const QString& name) const {
    const TableInfo* t = d->use().findTable(name);
    if (!t) raise(3265);
    return toTableDef(*t);
}

bool Database::HasTable(const QString& name) const {
    return d->use().findTable(name) != nullptr;
}

static void dropTable(Core& core, const QString& name) {
    const TableInfo* t = core.findTable(name);
    if (!t) raise(3265);
    const QString exact = t->name;
    core.atomically([&] {
        core.exec(QStringLiteral("DROP TABLE %1").arg(quoteIdent(exact)));
        StatementUse a(core, QStringLiteral("DELETE FROM wk_tables WHERE name = ?"));
        bindValue(a, 1, exact);
        a.step();
        StatementUse b(core, QStringLiteral("DELETE FROM wk_fields WHERE tbl = ?"));
        bindValue(b, 1, exact);
        b.step();
    });
    core.invalidateCatalogue();
    noteWrite();
}

void Database::DeleteTableDef(const QString& name) {
    d->needWritable();
    dropTable(d->use(), name);
}

QueryDefPtr Database::CreateQueryDef(const QString& name, const QString& sql) {
    Core& core = d->use();
    const QString translated = translate(sql);
    {
        // Refuse what would fail later, as the original checked on creation.
        sqlite3_stmt* st = nullptr;
        const int rc =
            sqlite3_prepare16_v2(core.db, translated.utf16(), int(translated.size() * 2), &st, nullptr);
        sqlite3_finalize(st);
        if (rc != SQLITE_OK) raiseSqlite(core.db, rc, sql);
    }
    auto q = std::make_shared<QueryDef>(name, sql);
    if (name.isEmpty()) return q;
    if (core.findQuery(name) || core.findTable(name)) raise(3012, name);
    d->needWritable();
    StatementUse ins(core, QStringLiteral("INSERT INTO wk_queries (name, sql) VALUES (?, ?)"));
    bindValue(ins, 1, name);
    bindValue(ins, 2, sql);
    ins.step();
    noteWrite();
    return q;
}

std::vector<QueryDefPtr> Database::QueryDefs() const {
    std::vector<QueryDefPtr> out;
    StatementUse q(d->use(), QStringLiteral("SELECT name, sql FROM wk_queries ORDER BY rowid"));
    while (q.step())
        out.push_back(std::make_shared<QueryDef>(readValue(q, 0, dbText).toString(),
                                                 readValue(q, 1, dbText).toString()));
    return out;
}

QueryDefPtr Database::GetQueryDef(const QString& name) const {
    for (auto& q : QueryDefs())
        if (q->Name().compare(name, Qt::CaseInsensitive) == 0) return q;
    raise(3265);
}

void Database::DeleteQueryDef(const QString& name) {
    const QString exact = GetQueryDef(name)->Name();
    d->needWritable();
    StatementUse q(d->use(), QStringLiteral("DELETE FROM wk_queries WHERE name = ?"));
    bindValue(q, 1, exact);
    q.step();
    noteWrite();
}

void Database::NewPassword(const QString& oldPassword, const QString& newPassword) {
    Core& core = d->use();
    d->needWritable();
    const QString hash = metaValue(core, QStringLiteral("password")).toString();
    if (hash.isEmpty()) {
        if (!oldPassword.isEmpty()) raise(3031);
    } else if (passwordVerifier(metaValue(core, QStringLiteral("salt")).toString(), oldPassword) != hash) {
        raise(3031);
    }
    core.atomically([&] {
        if (newPassword.isEmpty()) {
            setMeta(core, QStringLiteral("password"), {});
            setMeta(core, QStringLiteral("salt"), {});
        } else {
            const QString salt = QString::number(QRandomGenerator::system()->generate64(), 16) +
                                 QString::number(QRandomGenerator::system()->generate64(), 16);
            setMeta(core, QStringLiteral("salt"), salt);
            setMeta(core, QStringLiteral("password"), passwordVerifier(salt, newPassword));
        }
    });
}

// ---- Execute --------------------------------------------------------------------

namespace {

struct Parser {
    const std::vector<Token>& t;
    size_t i = 0;
    const QString& sql;
    bool atEnd() const { return i >= t.size() || (t[i].isPunct(";") && i + 1 == t.size()); }
    const Token& peek() const {
        if (i >= t.size()) raise(3075, sql);
        return t[i];
    }
    bool accept(const char* word) {
        if (i < t.size() && t[i].is(word)) {
            ++i;
            return true;
        }
        return false;
    }
    bool acceptPunct(const char* p) {
        if (i < t.size() && t[i].isPunct(p)) {
            ++i;
            return true;
        }
        return false;
    }
    QString name() {
        const Token& k = peek();
        if (k.kind != Token::Ident && k.kind != Token::QuotedIdent) raise(3075, sql);
        ++i;
        return k.text;
    }
    // type [(n)] [NOT NULL]
    ColumnInfo column() {
        ColumnInfo c;
        c.name = name();
        const Token& tw = peek();
        if (tw.kind != Token::Ident) raise(3292);
        c.type = typeFromSqlWord(tw.text);
        if (c.type == 0) raise(3292);
        ++i;
        c.size = defaultSizeOf(c.type);
        if (acceptPunct("(")) {
            if (i >= t.size() || t[i].kind != Token::Number) raise(3292);
            const int n = t[i++].text.toInt();
            if (!acceptPunct(")")) raise(3292);
            if (c.type == dbText) {
                if (n <= 0 || n > 255) raise(3001);
                c.size = n;
            }
        }
        if (accept("NOT")) {
            if (!accept("NULL")) raise(3292);
            c.required = true;
        }
        // Columns made by SQL accept the empty text: the program writes ""
        // into columns it has just added.
        c.allowZeroLength = isTextType(c.type);
        return c;
    }
};

}  // namespace

namespace {

// Whether a table can be rebuilt from the catalogue without losing anything:
// every column is declared there (so the new declarations are the old
// ones), no index, trigger or view hangs on it, and its rows are known by
// a plain rowid.
bool rebuildsFromCatalogue(Core& core, const TableInfo& t) {
    {
        StatementUse q(core, QStringLiteral("SELECT count(*) FROM wk_fields WHERE tbl = ?"));
        bindValue(q, 1, t.name);
        if (!q.step() || sqlite3_column_int64(q, 0) != qint64(t.columns.size())) return false;
    }
    {
        StatementUse q(core, QStringLiteral("SELECT count(*) FROM sqlite_schema WHERE type <> 'table' AND "
                                            "lower(tbl_name) = lower(?)"));
        bindValue(q, 1, t.name);
        if (!q.step() || sqlite3_column_int64(q, 0) != 0) return false;
    }
    StatementUse q(core, QStringLiteral("SELECT count(*) FROM pragma_table_info(?) WHERE pk > 0"));
    bindValue(q, 1, t.name);
    return q.step() && sqlite3_column_int64(q, 0) == 0;
}

}  // namespace

void Database::DropColumns(const QString& table, const QStringList& columns, bool skipMissing) {
    Core& core = d->use();
    d->needWritable();
    const TableInfo* t = core.findTable(table);
    if (!t) raise(3078, table);
    std::vector<bool> dropped(t->columns.size(), false);
    for (const QString& column : columns) {
        const int idx = t->indexOf(column);
        if (idx >= 0)
            dropped[size_t(idx)] = true;
        else if (!skipMissing)
            raise(3265);
    }
    QStringList drop;
    std::vector<ColumnInfo> kept;
    for (size_t i = 0; i < t->columns.size(); ++i)
        dropped[i] ? void(drop << t->columns[i].name) : kept.push_back(t->columns[i]);
    if (drop.isEmpty()) return;

    const QString name = t->name;
    // SQLite's DROP COLUMN rewrites every row; for several columns one copy
    // into a table declared without them is the same change at the cost of
    // one.
    const bool rebuild = drop.size() > 1 && !kept.empty() && rebuildsFromCatalogue(core, *t);
    core.atomically([&] {
        if (rebuild) {
            const QString fresh = quoteIdent(QStringLiteral("wk_rebuild"));
            QStringList defs;
            QStringList names;
            for (const ColumnInfo& c : kept) {
                defs << columnDdl(c);
                names << quoteIdent(c.name);
            }
            const QString list = names.join(QLatin1String(", "));
            core.exec(QStringLiteral("CREATE TABLE %1 (%2)").arg(fresh, defs.join(QLatin1String(", "))));
            core.exec(QStringLiteral("INSERT INTO %1 (rowid, %2) SELECT rowid, %2 FROM %3")
                          .arg(fresh, list, quoteIdent(name)));
            core.exec(QStringLiteral("DROP TABLE %1").arg(quoteIdent(name)));
            core.exec(QStringLiteral("ALTER TABLE %1 RENAME TO %2").arg(fresh, quoteIdent(name)));
        } else {
            for (const QString& column : drop)
                core.exec(QStringLiteral("ALTER TABLE %1 DROP COLUMN %2")
                              .arg(quoteIdent(name), quoteIdent(column)));
        }
        for (const QString& column : drop) {
            StatementUse q(core, QStringLiteral("DELETE FROM wk_fields WHERE tbl = ? AND name = ?"));
            bindValue(q, 1, name);
            bindValue(q, 2, column);
            q.step();
        }
    });
    core.invalidateCatalogue();
    noteWrite();
    core.recordsAffected = 0;
}

long Database::Execute(const QString& sql, const Params& params) {
    Core& core = d->use();
    const std::vector<Token> tokens = tokenize(sql);
    if (tokens.empty()) raise(3129);
    Parser p{tokens, 0, sql};

    if (tokens[0].is("ALTER")) {
        d->needWritable();
        p.i = 1;
        if (!p.accept("TABLE")) raise(3293);
        const TableInfo* t = core.findTable(p.name());
        if (!t) raise(3078, tokens[2].text);
        const QString table = t->name;
        if (p.accept("ADD")) {
            p.accept("COLUMN");
            ColumnInfo c = p.column();
            if (!p.atEnd()) raise(3292);
            if (t->indexOf(c.name) >= 0) raise(3380, c.name);
            c.required = false;  // SQLite cannot add a NOT NULL column to filled rows.
            core.atomically([&] {
                core.exec(
                    QStringLiteral("ALTER TABLE %1 ADD COLUMN %2").arg(quoteIdent(table), columnDdl(c)));
                insertField(core, table, c);
            });
        } else if (p.accept("DROP")) {
            p.accept("COLUMN");
            const QString col = p.name();
            if (!p.atEnd()) raise(3293);
            const int idx = t->indexOf(col);
            if (idx < 0) raise(3265);
            const QString exact = t->columns[size_t(idx)].name;
            core.atomically([&] {
                core.exec(QStringLiteral("ALTER TABLE %1 DROP COLUMN %2")
                              .arg(quoteIdent(table), quoteIdent(exact)));
                StatementUse q(core, QStringLiteral("DELETE FROM wk_fields WHERE tbl = ? AND name = ?"));
                bindValue(q, 1, table);
                bindValue(q, 2, exact);
                q.step();
            });
        } else {
            raise(3293);
        }
        core.invalidateCatalogue();
        noteWrite();
        core.recordsAffected = 0;
        return 0;
    }
    if (tokens[0].is("CREATE") && tokens.size() > 1 && tokens[1].is("TABLE")) {
        p.i = 2;
        auto td = CreateTableDef(p.name());
        if (!p.acceptPunct("(")) raise(3290);
        do {
            ColumnInfo c = p.column();
            auto f = td->CreateField(c.name, c.type, c.size);
            f->SetRequired(c.required);
            f->SetAllowZeroLength(c.allowZeroLength);
            td->Append(f);
        } while (p.acceptPunct(","));
        if (!p.acceptPunct(")") || !p.atEnd()) raise(3290);
        Append(td);
        core.recordsAffected = 0;
        return 0;
    }
    if (tokens[0].is("DROP") && tokens.size() > 1 && tokens[1].is("TABLE")) {
        d->needWritable();
        p.i = 2;
        const QString name = p.name();
        if (!p.atEnd()) raise(3075, sql);
        if (!core.findTable(name)) raise(3376, name);
        dropTable(core, name);
        core.recordsAffected = 0;
        return 0;
    }
    if (tokens[0].is("SELECT")) raise(3065);

    const QString translated = render(tokens);
    const bool writes = !sqlite3_stmt_readonly(core.cachedStatement(translated));
    if (writes) d->needWritable();
    auto run = [&] {
        StatementUse q(core, translated);
        const int expected = sqlite3_bind_parameter_count(q);
        if (params.size() < expected) raise(3061, QString::number(expected - params.size()));
        for (int k = 0; k < expected; ++k) bindValue(q, k + 1, params[k]);
        while (q.step()) {
        }
        core.recordsAffected = long(sqlite3_changes(core.db));
    };
    // One statement may change every row, and a large change goes into the
    // file before its commit: its journal must begin with page 1.
    if (writes && core.idle())
        core.atomically(run);
    else
        run();
    if (writes) {
        noteWrite();
        if (tokens[0].is("CREATE") || tokens[0].is("DROP")) core.invalidateCatalogue();
    }
    return core.recordsAffected;
}

}  // namespace dao
