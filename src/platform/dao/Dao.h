#pragma once
// The database layer: workspaces, databases, table and field definitions,
// stored queries and dynaset recordsets over SQLite, with the numbered errors
// the rest of the program matches on (wk::Error).
//
// Values travel as QVariant:
//   Null                 -> invalid QVariant (QVariant())
//   Text, Memo (text)    -> QString
//   Memo (bytes)         -> QByteArray
//   Boolean              -> bool (stored as -1 / 0)
//   Byte, Integer, Long  -> int
//   Single, Double, Currency -> double
//   Date                 -> QDateTime (local time, stored as ISO text)
//
// SQL is the program's dialect: SELECT [TOP n], [bracketed names], True/False,
// '...' and "..." literals, LIKE with * ? # [..] [!..], ALTER TABLE ADD/DROP
// COLUMN. Positional parameters are written '?' and passed as Params; user
// text goes there, never into the SQL string.
//
// Every error is a wk::Error carrying the original engine's number.

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace dao {

// Field types, numbered as the original engine numbered them.
enum DataType : int {
    dbBoolean = 1,
    dbByte = 2,
    dbInteger = 3,  // 16-bit signed
    dbLong = 4,     // 32-bit signed
    dbCurrency = 5,
    dbSingle = 6,
    dbDouble = 7,
    dbDate = 8,
    dbText = 10,  // Text(n), n <= 255
    dbLongBinary = 11,
    dbMemo = 12,  // long text or raw bytes
};

// Recordset types. All three are served as dynasets; a snapshot cannot be
// updated.
enum RecordsetType : int {
    dbOpenTable = 1,
    dbOpenDynaset = 2,
    dbOpenSnapshot = 4,
};

// Recordset::EditMode().
enum EditModeType : int {
    dbEditNone = 0,
    dbEditInProgress = 1,
    dbEditAdd = 2,
};

// Creation options and the general sort order. They are accepted for the
// program's sake; SQLite files have one format and are never encrypted.
constexpr int dbVersion30 = 32;
constexpr int dbEncrypt = 2;
inline const QString dbLangGeneral = QStringLiteral(";LANGID=0x0409;CP=1252;COUNTRY=0");

// Size a Text field gets when CreateField is given none.
constexpr int DefaultTextSize = 255;

using Params = QVariantList;

namespace detail {
struct Access;
}

class Field;
class TableDef;
class QueryDef;
class Recordset;
class Database;
class Workspace;

using FieldPtr = std::shared_ptr<Field>;
using TableDefPtr = std::shared_ptr<TableDef>;
using QueryDefPtr = std::shared_ptr<QueryDef>;
using RecordsetPtr = std::shared_ptr<Recordset>;
using DatabasePtr = std::shared_ptr<Database>;

// A field definition: made by TableDef::CreateField, set up, then appended.
// Read back from Database::TableDefs() it describes the stored field and can
// no longer be changed (3219). A Text field made without a size gets
// DefaultTextSize.
class Field {
public:
    Field(QString name, int type, int size);

    const QString& Name() const { return name_; }
    int Type() const { return type_; }
    // Declared size: n for Text(n), 1/2/4/8 for numbers, 0 for Memo.
    int Size() const { return size_; }
    int OrdinalPosition() const { return ordinal_; }

    bool AllowZeroLength() const { return allowZeroLength_; }
    void SetAllowZeroLength(bool allow);
    bool Required() const { return required_; }
    void SetRequired(bool required);
    // A number, a bool, a text or a date (QDateTime); an invalid QVariant for
    // none. Converted to the field's type when the table is appended (a
    // default that does not fit raises 13, 6 or 3163 then); new rows get it
    // from AddNew and from SQL INSERTs alike.
    const QVariant& DefaultValue() const { return default_; }
    void SetDefaultValue(const QVariant& value);

private:
    friend class Database;
    friend class TableDef;
    friend struct detail::Access;
    QString name_;
    int type_;
    int size_;
    int ordinal_ = -1;
    bool allowZeroLength_ = false;
    bool required_ = false;
    QVariant default_;
    bool appended_ = false;
};

// A table definition: made by Database::CreateTableDef, fields appended in
// order, then appended to the database (which creates the table).
class TableDef {
public:
    explicit TableDef(QString name);

    const QString& Name() const { return name_; }
    // Only before the table is appended.
    void SetName(const QString& name);
    FieldPtr CreateField(const QString& name, int type, int size = 0);
    // Fields.Append; a duplicate name raises 3191.
    void Append(const FieldPtr& field);
    // Fields in creation order.
    const std::vector<FieldPtr>& Fields() const { return fields_; }
    int FieldCount() const { return int(fields_.size()); }
    // By name regardless of case; 3265 when there is none.
    FieldPtr GetField(const QString& name) const;
    bool HasField(const QString& name) const;

private:
    friend class Database;
    friend struct detail::Access;
    QString name_;
    std::vector<FieldPtr> fields_;
    bool appended_ = false;
};

class QueryDef {
public:
    QueryDef(QString name, QString sql) : name_(std::move(name)), sql_(std::move(sql)) {}
    const QString& Name() const { return name_; }
    const QString& SQL() const { return sql_; }

private:
    QString name_;
    QString sql_;
};

// A value of a record as ForEachRecord's pass holds it (ReadPassValues).
struct PassValue {
    enum Kind : quint8 {
        Null,     // Value: Null
        Integer,  // a whole-number field's value (Value: that int)
        Boolean,  // a Yes/No field's value as 0 or 1 (Value: that bool)
        Real,     // a floating-point field's value (Value: that double)
        Text,     // a text field's value as plain UTF-8: valid, without NUL or
                  // leading byte-order mark (Value: QString::fromUtf8 of it)
        Length,   // a memo or binary field by its length alone (FieldSize)
        Other,    // anything else; ReadValue reads it
    };
    Kind kind = Other;
    bool ascii = false;  // Text: every byte below 0x80
    qint64 integer = 0;
    double real = 0;
    QByteArrayView text;
};

class Recordset {
public:
    ~Recordset();
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    // Position. Every move raises 3021 when there is no record to move to
    // (including MoveFirst/MoveLast on an empty set); everything raises 3420
    // once the recordset or its database is closed. Moving drops a pending
    // Edit/AddNew. After Delete there is no current record until the next
    // move; MoveNext then goes to the row that followed the deleted one.
    bool Eof() const;
    bool Bof() const;
    void MoveFirst();
    void MoveLast();
    void MoveNext();
    void MovePrevious();
    void Move(long rows);
    long RecordCount() const;
    // 0-based; -1 without a current record. Setting it outside
    // 0 .. RecordCount()-1 raises 3001.
    long AbsolutePosition() const;
    void SetAbsolutePosition(long position);
    QByteArray Bookmark() const;
    void SetBookmark(const QByteArray& bookmark);
    // The positions SetBookmark would go to for these bookmarks, -1 for one
    // it would refuse; the position stays. One pass over the keys.
    std::vector<long> PositionsOfBookmarks(const std::vector<QByteArray>& bookmarks) const;
    // Bookmark of the row changed or added last through this recordset.
    QByteArray LastModified() const;

    // Changes. AddNew puts a new row into the copy buffer (defaults filled);
    // Update writes it and keeps the record that was current before. A row
    // added here appears at the end of the set.
    void AddNew();
    void Edit();
    void Update();
    void CancelUpdate();
    void Delete();
    // Deletes the records at these positions (ascending, each below
    // RecordCount()) in that order, as Delete would one by one, but closes
    // up the positions once. After it there is no current record; MoveNext
    // goes to the row that followed the last one deleted. A row that is gone
    // raises 3167; the rows deleted before it stay deleted.
    void DeletePositions(const std::vector<long>& positions);
    int EditMode() const;

    // Hands each(position, values) the current values of these fields of
    // every record, read now in one pass over the table (in the table's
    // order, not by position), without moving and without the values this
    // recordset read before: a walk that needs a few fields of every record
    // after the set has read many. A record gone meanwhile is not handed.
    // each must not change the database.
    void ForEachRecord(const QStringList& fields,
                       const std::function<void(long position, const QVariantList& values)>& each);

    // Fields. A missing name or index raises 3265; reading without a current
    // record raises 3021; a row deleted through another recordset raises 3167
    // when read. During Edit/AddNew, Value returns the buffer. SetValue needs Edit or AddNew first (3020) and
    // converts like the original: 13 for a non-number into a number field, 6
    // for out of range, 3163 for a text longer than its field, 3315 for ""
    // where zero length is not allowed; on error the field keeps its value.
    QVariant Value(const QString& field) const;
    QVariant Value(int index) const;
    // Value(index) put into `into`; a text is written into the buffer of
    // the text `into` holds, so that a walk reading many texts need not
    // make a new string for each.
    void ReadValue(int index, QVariant& into) const;
    // In a visit of ForEachRecord: the values of these fields of the record,
    // as the pass holds them, without making a QVariant of each (a rebuild
    // reads millions). A value Value would give otherwise is Other: read it
    // with ReadValue. Valid until the visit returns.
    void ReadPassValues(const int* fields, size_t count, PassValue* out) const;
    void SetValue(const QString& field, const QVariant& value);
    void SetValue(int index, const QVariant& value);

    int FieldCount() const;
    QString FieldName(int index) const;
    // -1 when there is no such field (no error).
    int FieldIndex(const QString& name) const;
    int FieldType(int index) const;
    int FieldType(const QString& field) const;
    int FieldDefinedSize(int index) const;
    int FieldDefinedSize(const QString& field) const;
    // Length of the current value in bytes (text: characters), 0 for Null,
    // without loading the value.
    qint64 FieldSize(const QString& field) const;
    qint64 FieldSize(int index) const;
    // First call after Edit/AddNew replaces the value, later ones append.
    void AppendChunk(const QString& field, const QByteArray& data);
    QByteArray GetChunk(const QString& field, qint64 offset, qint64 length) const;

    // Criteria is a WHERE condition in the program's dialect.
    void FindFirst(const QString& criteria, const Params& params = {});
    void FindNext(const QString& criteria, const Params& params = {});
    bool NoMatch() const;

    // Calls visit(position) once for every record, that record then
    // current, in the order the file holds them: a walk over all records
    // without a look-up per record. `fields` are the field numbers the visit
    // reads; they come straight from the pass (large values by their size
    // alone), others are read as usual. A record the pass does not meet
    // (changed meanwhile) is visited after it. The visit must not move,
    // write or call this again; afterwards the position is as before.
    void ForEachRecord(const std::vector<int>& fields, const std::function<void(long position)>& visit);

    // Re-runs the query; keys are taken afresh, position goes to the first row.
    void Requery();
    void Close();
    bool IsOpen() const;
    // The table or query name, or the SQL text it was opened with.
    QString Name() const;

    struct Impl;
    explicit Recordset(std::unique_ptr<Impl> impl);

private:
    friend class ReadTogether;
    std::unique_ptr<Impl> d;
};

// A journal found beside a database file that the file shows was written
// for another file or another state of it: SQLite would have replayed it
// into the file. It no longer lies in SQLite's way, and the file is read as
// it is.
struct JournalSetAside {
    QString database;  // the file, by the name it has in the file system
    QString journal;   // where the journal lay
    // Where it lies now; empty when it could not be moved: it stays where
    // it is, and no change of the file can be saved while it does.
    QString keptAs;
};
// Journals met when a read begins after the opening, handed to `handler`
// from the event loop, each once (the opening's own go to the handle).
void OnJournalSetAside(std::function<void(const JournalSetAside&)> handler);

// A write past the process's file-size limit then fails, and is told as a
// full disk, instead of the kernel ending the program with SIGXFSZ. Called
// once where the program starts; the signal is caught, not ignored, so the
// programs it starts get it as usual.
void KeepRunningAtFileSizeLimit();

class Database : public std::enable_shared_from_this<Database> {
public:
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // The path the database was opened with.
    QString Name() const;

    // Runs one action statement (INSERT, UPDATE, DELETE, CREATE TABLE,
    // DROP TABLE, ALTER TABLE ADD/DROP COLUMN). A failing statement changes
    // nothing. Returns the number of rows affected. A SELECT raises 3065,
    // too few parameters 3061, an unknown table 3078, an unknown column 3061
    // (the original asked for it as a parameter).
    // ALTER TABLE ADD COLUMN takes TEXT(n), MEMO, INTEGER/LONG (both 32-bit),
    // SHORT, BYTE, BIT, DOUBLE, SINGLE, CURRENCY, DATETIME; added text columns
    // accept "" and have no default; they come last in the field order.
    long Execute(const QString& sql, const Params& params = {});
    long RecordsAffected() const;
    // Drops these columns of a table as one change, as ALTER TABLE ... DROP
    // COLUMN would one by one, but rewriting the rows once rather than once
    // per column. A name the table lacks raises 3265 before anything is
    // dropped, unless skipMissing passes it over.
    void DropColumns(const QString& table, const QStringList& columns, bool skipMissing = false);

    // A table name, a stored query's name or a SELECT statement. A plain
    // SELECT [TOP n] * | columns FROM one table [WHERE] [ORDER BY] gives an
    // updatable dynaset; anything else (joins, GROUP BY, DISTINCT,
    // expressions) a read-only set (changes raise 3027). 3078 for an unknown
    // name.
    // A dynaset reads the values of the fields named in `keep` with its keys
    // and serves them from memory while no one else writes (its own writes
    // keep the rest): for a caller that reads those fields of every record
    // right after opening. Names the set lacks are passed over.
    RecordsetPtr OpenRecordset(const QString& source, int type = dbOpenDynaset, const Params& params = {},
                               const QStringList& keep = {});

    TableDefPtr CreateTableDef(const QString& name = {});
    // TableDefs.Append: creates the table with its fields. 3010 when it exists.
    void Append(const TableDefPtr& tableDef);
    // Tables in creation order (the layer's own catalogue is not listed).
    std::vector<TableDefPtr> TableDefs() const;
    // By name regardless of case; 3265 when there is none.
    TableDefPtr GetTableDef(const QString& name) const;
    bool HasTable(const QString& name) const;
    void DeleteTableDef(const QString& name);

    // Stores the query at once (3012 when the name exists).
    QueryDefPtr CreateQueryDef(const QString& name, const QString& sql);
    std::vector<QueryDefPtr> QueryDefs() const;
    QueryDefPtr GetQueryDef(const QString& name) const;
    void DeleteQueryDef(const QString& name);

    // Sets, changes or ("" as new) removes the password; 3031 when old is
    // not the current one. The file keeps a salted verifier only; its content
    // is not encrypted. The program's two passwords are its own constants,
    // passed in by the callers.
    void NewPassword(const QString& oldPassword, const QString& newPassword);

    // Closes the recordsets opened on it, then the file (when no other
    // handle of this process has it open). Further use raises 3420 (also a
    // second Close). Releasing the last DatabasePtr without Close closes the
    // file once its recordsets are gone too. Work of an open transaction on
    // it is rolled back, and CommitTrans then raises 3420.
    void Close();
    bool IsOpen() const;

    // The journal the opening found beside the file that was not written
    // for it as it is (left by a restore or a sync tool): it was set aside,
    // or kept where it lies, and the file opened as it is. None when there
    // was none.
    std::optional<JournalSetAside> SetAside() const;

    struct Impl;
    explicit Database(std::unique_ptr<Impl> impl);
    Impl* impl() const { return d.get(); }

private:
    std::unique_ptr<Impl> d;
};

// A workspace opens databases and runs transactions across the databases it
// opened. DBEngine::Workspaces(0) is the default one.
class Workspace {
public:
    Workspace();
    ~Workspace();
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;

    // 3204 when the file exists; 3044 when the folder does not exist.
    DatabasePtr CreateDatabase(const QString& path, const QString& locale = dbLangGeneral, int options = 0);
    // connect: ";pwd=<password>" or empty. 3024 missing file, 3044 missing
    // folder, 3031 missing or wrong password, 3051 held exclusively by
    // another open (this or another program) or not writable, 3049 for a
    // damaged file, 3343 for a file that is not one of ours, 3026 when the
    // disk is full. Shared opens of one file in one workspace coexist: they
    // share one connection (the file is the same by device and inode,
    // whatever the path), each handle with its own name, read-only flag and
    // recordsets; the password is checked for each. A file one workspace
    // holds is refused to another (3045): a connection has one transaction,
    // and the other's work would go with this one's Rollback.
    DatabasePtr OpenDatabase(const QString& path, bool exclusive = false, bool readOnly = false,
                             const QString& connect = {});
    // Writes a compact copy of source to target; the source stays untouched.
    // 3204 when target exists. The copy keeps the password; connect carries
    // the source's password.
    void CompactDatabase(const QString& source, const QString& target, const QString& locale = dbLangGeneral,
                         int options = 0, const QString& connect = {});

    // Nestable; apply to every database open in this workspace.
    void BeginTrans();
    void CommitTrans();
    void Rollback();
    int TransactionDepth() const;

    // Closes every database opened here.
    void Close();

    struct Impl;
    Impl* impl() const { return d.get(); }

private:
    std::unique_ptr<Impl> d;
};

class DBEngine {
public:
    // Only index 0 exists; 3265 for others.
    static Workspace& Workspaces(int index = 0);
    static Workspace& DefaultWorkspace() { return Workspaces(0); }
    static DatabasePtr OpenDatabase(const QString& path, bool exclusive = false, bool readOnly = false,
                                    const QString& connect = {}) {
        return DefaultWorkspace().OpenDatabase(path, exclusive, readOnly, connect);
    }
    static DatabasePtr CreateDatabase(const QString& path, const QString& locale = dbLangGeneral,
                                      int options = 0) {
        return DefaultWorkspace().CreateDatabase(path, locale, options);
    }
    static void CompactDatabase(const QString& source, const QString& target,
                                const QString& locale = dbLangGeneral, int options = 0,
                                const QString& connect = {}) {
        DefaultWorkspace().CompactDatabase(source, target, locale, options, connect);
    }
};

// Whether path is a database (or one of its journals) that a connection of
// this process has open, by identity, whatever name reaches it. Such a file
// must not be opened by anything else in the process: closing that
// descriptor would drop the connection's locks.
bool IsOpenDatabaseFile(const QString& path);
// Whether a connection of this or another process is at work on the
// database (SQLite's locks on the file or on a -shm index, or this
// program's lock). Asks without disturbing the locks of connections in
// this process.
bool FileInUse(const QString& path);
// Puts the content of the complete closed database `built` (in the same
// folder) in the place of `target`, then removes `built`. An existing
// database is written into (SQLite's backup, under its locks), so that a
// program that has it open sees the whole new content; a new name, or a
// file that is no database, gets `built` by rename. 3045 and nothing
// changed when a connection has target open.
void ReplaceFile(const QString& built, const QString& target);
// Compacts a closed database in place (VACUUM on the file itself), so one
// compact file remains. Returns false
// and touches nothing when the file is open anywhere else or another
// program keeps it busy; raises for other failures, leaving the file as it
// was.
bool CompactInPlace(const QString& path, const QString& connect = {});

// The English description the original engine gives for an error number.
QString ErrorDescription(int number);
// Throws wk::Error(number, ErrorDescription(number)).
[[noreturn]] void Raise(int number);

}  // namespace dao
