#pragma once
// Shared internals of the database layer, for its own sources and for
// tests that reach into it (through File.h). With it comes sqlite3.h,
// which nothing else in the program includes.

#include "platform/Error.h"
#include "platform/dao/Dao.h"
#include "platform/dao/Vfs.h"

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

// Bumped when a user action begins (NewAction, an input event, the event
// loop waking): kept values ask SQLite for other programs' commits again.
extern std::atomic<quint64> actionEpoch;

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
bool plainUtf8(const char* p, qsizetype n, bool* ascii = nullptr);
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
    // The Database handle it was opened through: closing that handle closes
    // it, closing another handle of the same file does not.
    const void* owner = nullptr;
};

// The one connection of this process to a file, with its catalogue and
// statement cache. Every Database handle opened on the file shares it, and
// so do their recordsets; it closes when the last open handle is closed and
// none of its recordsets is left, or when the last of them lets go.
struct Core : std::enable_shared_from_this<Core> {
    sqlite3* db = nullptr;
    QString path;  // as it was first opened
    // The connection cannot write (file or folder not writable); a
    // read-only handle on a writable file shares a writing connection.
    bool readOnly = false;
    std::unique_ptr<QCollator> collator;
    std::shared_ptr<FileLock> lock;
    QHash<QString, sqlite3_stmt*> statements;
    QSet<sqlite3_stmt*> busy;
    std::vector<RecordsetImplBase*> recordsets;
    std::vector<TableInfo> tables;
    int catalogueSchema = -1;
    long recordsAffected = 0;
    // Joined to its workspace's transaction: its levels, the outermost the
    // connection's own transaction (BEGIN ... COMMIT), the others
    // savepoints in it.
    int savepoints = 0;
    int handles = 0;  // open Database handles on this connection
    // Of them, those not opened read-only: a transaction takes the file for
    // writing where one of them may write it.
    int writers = 0;
    // The workspace whose handles have it open, or whose transaction is
    // open on it. A connection has one transaction: a second workspace's
    // work would land in the first one's savepoints and go with its
    // Rollback, or stay uncommitted in them, so the file is refused to it.
    Workspace::Impl* workspace = nullptr;
    // A transaction that SQLite rolled back by itself (full disk, I/O
    // error): every later write of the workspace's transaction on this
    // connection is refused with this error, and CommitTrans raises it,
    // until Rollback; nothing after it is committed piecemeal.
    std::optional<wk::Error> lostTransaction;
    // Why the connection could not join the workspace's open transaction
    // (another program's lock, after the wait): its later writes in that
    // transaction are refused with it at once, without another wait.
    std::optional<wk::Error> refusedJoin;
    // Closed while a transaction of its workspace held work on it: that work
    // was rolled back, and CommitTrans must not report it saved.
    bool closedInTransaction = false;
    // The file's mark (its user version, see LeftoverJournal.cpp) as this
    // connection last read or wrote it, and the user action at which the
    // file under the connection was last asked for it.
    quint32 mark = 0;
    quint64 markAskedAt = ~quint64(0);
    // Added to SQLite's data version: a connection opened anew counts from
    // the start again.
    quint64 versionBase = 0;

    ~Core();
    bool isOpen() const { return db != nullptr; }
    void checkOpen() const;
    // Rolls back what a transaction still holds, closes the recordsets and
    // the connection.
    void close();
    // Opens db on path with the layer's settings; raises on failure.
    void connect();
    // Closes the connection while it is idle and opens it anew: nothing
    // SQLite kept of the file (pages, its schema) is used again.
    void reopen();
    // Whether no statement or transaction of this connection is under way.
    bool idle() const;
    // Raises the error for a failed statement, after noting what SQLite
    // rolled back by itself.
    [[noreturn]] void fail(int rc, const QString& context);
    // Writes page 1 with the file's mark (a new one where it has none): the
    // first page a transaction's journal holds is then the header whose mark
    // and change counter tell, should the journal be left behind, which file
    // and which state of it it was written for (a large transaction writes
    // pages into the file before its commit would have put page 1 into the
    // journal). Called before a transaction's first write.
    void putPageOneFirstIntoJournal();
    // Gives an unmarked file its mark, in a commit of its own: before the
    // first change made outside a transaction.
    void markFile();
    // When a new user action has begun and the connection is idle: reads the
    // mark of the file under it (8 bytes), and opens the connection anew
    // when it has changed. Another program may have copied another database
    // over it in place, with a change counter that SQLite takes for its
    // own: nothing the connection kept of the old file is then read as the
    // new one's.
    void reopenIfCopiedOver();
    // Begins a transaction. One that may write takes the write lock now
    // (BEGIN IMMEDIATE, waiting its turn): one that read first and then
    // wanted to write would be refused by SQLite at once while another
    // program writes. One that only reads takes its read lock now, so that
    // it reads one state of the file from here on.
    void begin(bool toWrite);
    // Before the connection writes: it joins the transaction of its
    // workspace, if one is open (refused with the error of a transaction
    // SQLite rolled back by itself); a write of its own gives the file its
    // mark first, one in a transaction puts page 1 first into the journal.
    void beforeWrite();
    // Before the connection reads, a statement or a value kept from an
    // earlier read: it joins the transaction of its workspace, if one is
    // open, so that what the transaction reads is one state of the file,
    // and what it changes is still so when it writes. A file the
    // transaction could not have, or lost, is read as it is.
    void beforeRead();
    // Joins the transaction open in its workspace, if any: for writing
    // where a handle of this process may write the file, to read only
    // otherwise. Raises the error of a transaction SQLite rolled back, or
    // the refusal of the lock; a refused join leaves nothing begun.
    void enterWorkspaceTransaction();
    // Page 1 is in the journal of the transaction open now.
    bool pageOneInJournal = false;
    // Commits the transaction; when the commit fails (a full disk, another
    // program's lock), nothing of it stays open behind the caller.
    void commit();

    // The statement for sql, prepared on the first use and kept; reset
    // after each use by StatementUse.
    sqlite3_stmt* cachedStatement(const QString& sql);
    sqlite3_stmt* prepare(const QString& sql);
    void exec(const QString& sql);
    // Runs fn inside a savepoint: all or nothing.
    template <class F>
    void atomically(F&& fn);

    void loadCatalogue(bool force = false);
    const TableInfo* findTable(const QString& name);
    std::optional<QString> findQuery(const QString& name);
    void invalidateCatalogue() { catalogueSchema = -1; }
};

// A cached statement in use: reset when leaving the scope, so no read
// transaction stays open between calls.
class StatementUse {
public:
    // Opens the connection anew first where another program copied another
    // file over it (Core::reopenIfCopiedOver); reads and writes nothing.
    StatementUse(Core& core, const QString& sql) : core_(core) {
        core_.reopenIfCopiedOver();
        st_ = core_.cachedStatement(sql);
        core_.busy.insert(st_);
    }
    ~StatementUse() {
        sqlite3_reset(st_);
        sqlite3_clear_bindings(st_);
        core_.busy.remove(st_);
    }
    StatementUse(const StatementUse&) = delete;
    StatementUse& operator=(const StatementUse&) = delete;
    sqlite3_stmt* get() const { return st_; }
    operator sqlite3_stmt*() const { return st_; }
    // Steps; SQLITE_ROW -> true, SQLITE_DONE -> false, else raises. The
    // first step does first what its transaction needs (Core::beforeRead,
    // Core::beforeWrite): it may wait for another program's lock there.
    bool step();

private:
    Core& core_;
    sqlite3_stmt* st_ = nullptr;
    bool begun_ = false;
};

template <class F>
void Core::atomically(F&& fn) {
    enterWorkspaceTransaction();
    const bool outermost = sqlite3_get_autocommit(db);
    if (outermost)
        begin(true);
    else
        exec(QStringLiteral("SAVEPOINT wk_atomic"));
    try {
        if (!pageOneInJournal) putPageOneFirstIntoJournal();
        fn();
    } catch (...) {
        sqlite3_exec(db, outermost ? "ROLLBACK" : "ROLLBACK TO wk_atomic; RELEASE wk_atomic", nullptr,
                     nullptr, nullptr);
        invalidateCatalogue();
        throw;
    }
    if (outermost)
        commit();
    else
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
// One handle of a database: its own name, read-only flag and recordsets, on
// the connection every handle of the same file shares.
struct Database::Impl {
    std::shared_ptr<detail::Core> core;
    QString path;
    bool readOnly = false;
    bool open = true;
    Workspace::Impl* workspace = nullptr;
    std::optional<JournalSetAside> setAside;
    // The connection, for a handle that is still open; 3420 otherwise.
    detail::Core& use() const;
    // Checks that this handle may write (3027).
    void needWritable() const;
    // Closes the recordsets opened through this handle and the handle; the
    // connection closes with its last handle.
    void closeHandle();
    // No longer open: leaves the connection and the workspace.
    void detach();
};

struct Workspace::Impl {
    std::vector<Database::Impl*> handles;
    int depth = 0;
    // The connections that joined the open transaction, each once, at its
    // first write: a handle let go without Close leaves its work in the
    // transaction. A connection only read from is not in it, and locks
    // nothing for it.
    std::vector<std::shared_ptr<detail::Core>> transaction;
    // Begins the connection's transaction (BEGIN IMMEDIATE, waiting its
    // turn) and a savepoint for each level inside; nothing stays begun when
    // that is refused.
    void join(detail::Core& c);
    // Rolls back what the transaction holds, at every level.
    void dropTransaction();
    // No transaction open any more: its connections are free for others.
    void endTransaction();
};
}  // namespace dao
