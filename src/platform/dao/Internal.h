#pragma once
// Shared internals of the database layer. Only the layer's own sources
// include this (and with it sqlite3.h).

#include "platform/dao/Dao.h"

#include <QCollator>
#include <QHash>
#include <QSet>
#include <QStringView>

#include <sqlite3.h>

#include <atomic>
#include <memory>
#include <optional>
#include <vector>

namespace dao::detail {

// Bumped by every write through any connection of this process, so that
// recordsets know when a row they hold in memory may be stale.
extern std::atomic<quint64> writeGeneration;
inline void noteWrite() {
    writeGeneration.fetch_add(1, std::memory_order_relaxed);
}

[[noreturn]] void raise(int number, const QString& arg = {});
[[noreturn]] void raiseSqlite(sqlite3* db, int rc, const QString& context = {});

// ---- values -------------------------------------------------------------

struct ColumnInfo {
    QString name;
    int type = dbText;
    int size = DefaultTextSize;
    bool allowZeroLength = false;
    bool required = false;
    QVariant defaultValue;
};

struct TableInfo {
    QString name;
    std::vector<ColumnInfo> columns;
    int indexOf(const QString& column) const;
};

bool isTextType(int type);
bool isNumberType(int type);
int defaultSizeOf(int type);
// Declared SQL type for a column of the given DAO type (gives the affinity the
// stock shell sees).
QString sqlTypeOf(int type, int size);
// Converts a value for storing in a field; throws 13, 6, 3163, 3315.
QVariant convertForField(const ColumnInfo& column, const QVariant& value);
// Binds a value converted by convertForField (or any parameter).
void bindValue(sqlite3_stmt* st, int index, const QVariant& value);
// Reads a column as the program sees it, given the field's DAO type.
QVariant readValue(sqlite3_stmt* st, int col, int type);
// Whether readValue of a value stored as text depends on the text alone,
// and what it gives then; lets a reader keep the text and convert later.
bool textReadsAlone(int type);
QVariant valueFromText(const QString& text, int type);
// The local date and time a text "yyyy-MM-dd HH:mm:ss" with these figures
// stands for, as valueFromText reads it; none where that is no valid time.
std::optional<QDateTime> storedDate(int y, int mo, int d, int h, int mi, int s);
// Valid UTF-8 without a byte-order mark or NUL, which SQLite and QString
// decode alike.
bool plainUtf8(const char* p, qsizetype n);
// Decodes plain UTF-8 (see plainUtf8) into text, reusing its buffer; false
// and text unchanged for anything else.
bool utf8IntoText(const char* p, qsizetype n, QString& text);
QString dateToText(const QDateTime& dt);
// Literal for a DDL DEFAULT clause.
QString sqlLiteral(const QVariant& value);

// ---- SQL dialect --------------------------------------------------------

QString quoteIdent(const QString& name);

struct Token {
    enum Kind { Ident, QuotedIdent, String, Number, Param, Punct, Date } kind;
    QString text;                     // identifier name, string value or punctuation
    bool is(const char* word) const;  // bare identifier, case-insensitive
    bool isPunct(const char* p) const { return kind == Punct && text == QLatin1String(p); }
};
std::vector<Token> tokenize(const QString& sql);
// Writes tokens back as SQLite SQL (True/False, literals, [names], & and
// TOP n -> LIMIT n).
QString render(const std::vector<Token>& tokens);
QString translate(const QString& sql);
// Maps a type word of the dialect's DDL to a DAO type (INTEGER is Long here,
// as in the original's SQL); 0 when unknown.
int typeFromSqlWord(const QString& word);

bool jetLike(QStringView text, QStringView pattern);

// Installs the NOCASE collation and the LIKE function on a connection.
void installFunctions(sqlite3* db, QCollator* collator);

// ---- connection ---------------------------------------------------------

class FileLock;

struct RecordsetImplBase {
    virtual ~RecordsetImplBase() = default;
    virtual void closeFromDatabase() = 0;
};

// One open connection with its catalogue and statement cache. Database and
// its recordsets share it; it closes when the last of them lets go.
struct Core {
    sqlite3* db = nullptr;
    QString path;
    bool readOnly = false;
    std::unique_ptr<QCollator> collator;
    std::shared_ptr<FileLock> lock;
    QHash<QString, sqlite3_stmt*> statements;
    QSet<sqlite3_stmt*> busy;
    std::vector<RecordsetImplBase*> recordsets;
    std::vector<TableInfo> tables;
    int catalogueSchema = -1;
    long recordsAffected = 0;
    int savepoints = 0;
    Workspace::Impl* workspace = nullptr;
    // The -wal file this connection writes into, as it was at open. Another
    // process that believes it is the file's last user deletes it; writing on
    // into the deleted file would lose every later change, so commits are
    // refused once it is gone or replaced (see journalIntact).
    quint64 journalDev = 0;
    quint64 journalIno = 0;
    bool journalKnown = false;
    bool journalLost = false;
    // Counts reconnections: statements prepared on an earlier connection are
    // finalized then, so nothing may keep one beyond the cache above.
    quint64 connection = 0;
    // Sole user (SQLite's exclusive locking mode): no other connection may
    // read or write while this one is open.
    bool sole = false;

    ~Core();
    bool isOpen() const { return db != nullptr; }
    void checkOpen() const;
    void close();
    // Opens db on path with the layer's settings; raises on failure.
    void connect();
    void recordJournal();
    bool journalIntact() const;
    // After a refused commit: a fresh connection with a journal of its own,
    // taken when no statement or transaction still needs the old one.
    void reconnectIfJournalLost();

    // Prepared once, reset after each use by StatementUse.
    sqlite3_stmt* statement(const QString& sql);
    void exec(const QString& sql);
    // Runs fn inside a savepoint: all or nothing.
    template <class F>
    void atomically(F&& fn);

    void loadCatalogue(bool force = false);
    const TableInfo* findTable(const QString& name);
    std::optional<QString> findQuery(const QString& name);
    void invalidateCatalogue() { catalogueSchema = -1; }
};

// Resets a cached statement when leaving the scope, so no read transaction
// stays open between calls.
class StatementUse {
public:
    StatementUse(Core& core, const QString& sql) : core_(core), st_(core.statement(sql)) {
        core_.busy.insert(st_);
    }
    ~StatementUse() {
        sqlite3_reset(st_);
        sqlite3_clear_bindings(st_);
        core_.busy.remove(st_);
    }
    sqlite3_stmt* get() const { return st_; }
    operator sqlite3_stmt*() const { return st_; }
    // Steps; SQLITE_ROW -> true, SQLITE_DONE -> false, else raises.
    bool step();

private:
    Core& core_;
    sqlite3_stmt* st_;
};

template <class F>
void Core::atomically(F&& fn) {
    exec(QStringLiteral("SAVEPOINT wk_atomic"));
    try {
        fn();
    } catch (...) {
        sqlite3_exec(db, "ROLLBACK TO wk_atomic; RELEASE wk_atomic", nullptr, nullptr, nullptr);
        invalidateCatalogue();
        throw;
    }
    exec(QStringLiteral("RELEASE wk_atomic"));
}

// Catalogue table names.
inline const QString kFields = QStringLiteral("wk_fields");
inline const QString kQueries = QStringLiteral("wk_queries");
inline const QString kMeta = QStringLiteral("wk_meta");
bool isCatalogueName(const QString& name);

QString passwordVerifier(const QString& salt, const QString& password);

}  // namespace dao::detail

namespace dao {
struct Database::Impl {
    std::shared_ptr<detail::Core> core;
};

struct Workspace::Impl {
    std::vector<std::weak_ptr<detail::Core>> cores;
    int depth = 0;
    void forget(detail::Core* core);
};
}  // namespace dao
