// Error numbers and texts as the original engine gave them, so that handlers
// and error reports read the same.
#include "platform/Error.h"
#include "platform/dao/Connection.h"
#include "platform/dao/LeftoverJournal.h"
#include "platform/dao/Vfs.h"

#include <QFile>

#include <QHash>

#include <cerrno>

namespace dao {

QString ErrorDescription(int number) {
    static const QHash<int, QString> texts = {
        {6, QStringLiteral("Overflow")},
        {7, QStringLiteral("Out of memory")},
        {13, QStringLiteral("Type mismatch")},
        {94, QStringLiteral("Invalid use of Null")},
        {3000, QStringLiteral("Reserved error (|); there is no message for this error.")},
        {3001, QStringLiteral("Invalid argument.")},
        {3010, QStringLiteral("Table '|' already exists.")},
        {3012, QStringLiteral("Object '|' already exists.")},
        {3020, QStringLiteral("Update or CancelUpdate without AddNew or Edit.")},
        {3021, QStringLiteral("No current record.")},
        {3022, QStringLiteral("The changes you requested to the table were not successful because "
                              "they would create duplicate values in the index, primary key, or "
                              "relationship.")},
        {3024, QStringLiteral("Couldn't find file '|'.")},
        {3026, QStringLiteral("Not enough space on disk.")},
        {3027, QStringLiteral("Can't update. Database or object is read-only.")},
        {3031, QStringLiteral("Not a valid password.")},
        {3034, QStringLiteral("You tried to commit or rollback a transaction without first "
                              "beginning a transaction.")},
        {3043, QStringLiteral("Disk or network error.")},
        {3044, QStringLiteral("'|' isn't a valid path.")},
        {3045, QStringLiteral("Couldn't use '|'; file already in use.")},
        {3049, QStringLiteral("Can't open database '|'. It may not be a database that your "
                              "application recognizes, or the file may be corrupt.")},
        {3051, QStringLiteral("The database engine cannot open the file '|'. It is already opened "
                              "exclusively by another user, or you need permission to view its "
                              "data.")},
        {3061, QStringLiteral("Too few parameters. Expected |.")},
        {3065, QStringLiteral("Cannot execute a select query.")},
        {3075, QStringLiteral("Syntax error in query expression '|'.")},
        {3078, QStringLiteral("The database engine cannot find the input table or query '|'. Make "
                              "sure it exists and that its name is spelled correctly.")},
        {3127, QStringLiteral("The INSERT INTO statement contains the following unknown field "
                              "name: '|'. Make sure you have typed the name correctly, and try "
                              "the operation again.")},
        {3129, QStringLiteral("Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', "
                              "'SELECT', or 'UPDATE'.")},
        {3142, QStringLiteral("Characters found after end of SQL statement.")},
        {3159, QStringLiteral("Not a valid bookmark.")},
        {3163, QStringLiteral("The field is too small to accept the amount of data you attempted "
                              "to add. Try inserting or pasting less data.")},
        {3167, QStringLiteral("Record is deleted.")},
        {3191, QStringLiteral("Can't define field more than once.")},
        {3204, QStringLiteral("Database already exists.")},
        {3219, QStringLiteral("Invalid operation.")},
        {3251, QStringLiteral("Operation is not supported for this type of object.")},
        {3259, QStringLiteral("Invalid field data type.")},
        {3260, QStringLiteral("Couldn't update; currently locked by another session on this "
                              "machine.")},
        {3265, QStringLiteral("Item not found in this collection.")},
        {3314, QStringLiteral("The field '|' can't contain a Null value because the Required "
                              "property for this field is set to True. Enter a value in this "
                              "field.")},
        {3315, QStringLiteral("Field '|' can't be a zero-length string.")},
        {3343, QStringLiteral("Unrecognized database format '|'.")},
        {3380, QStringLiteral("Field '|' already exists in table.")},
        {3264, QStringLiteral("No field defined--cannot append TableDef or Index.")},
        {3290, QStringLiteral("Syntax error in CREATE TABLE statement.")},
        {3292, QStringLiteral("Syntax error in field definition.")},
        {3293, QStringLiteral("Syntax error in ALTER TABLE statement.")},
        {3376, QStringLiteral("Table '|' doesn't exist.")},
        {3420, QStringLiteral("Object invalid or no longer set.")},
    };
    return texts.value(number, QStringLiteral("Application-defined or object-defined error"));
}

void Raise(int number) {
    detail::raise(number);
}

namespace detail {

namespace {

// SQLite reports a write the disk refused as an I/O error; the system's
// reason for the call of this connection that failed tells a full disk (or
// quota, or size limit) from a failing one.
bool diskFull(sqlite3* db) {
    const int e = failedCallErrno(db);
    return e == ENOSPC || e == EDQUOT || e == EFBIG;
}

// A change is refused while a journal that could not be set aside lies
// beside the file: SQLite's own would be written over it.
void refuseBesideKeptJournal(const QString& file) {
    const QString journal = keptJournal(QFile::encodeName(file));
    if (!journal.isEmpty()) throw wk::Error(3051, keptJournalMessage(file, journal));
}

}  // namespace

void raise(int number, const QString& arg) {
    QString text = ErrorDescription(number);
    if (text.contains(QLatin1Char('|'))) text.replace(QLatin1Char('|'), arg);
    throw wk::Error(number, text);
}

void raiseSqlite(sqlite3* db, int rc, const QString& context) {
    const int primary = rc & 0xff;
    const QString msg = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString();
    const char* name = db ? sqlite3_db_filename(db, "main") : nullptr;
    const QString file = name && *name ? QString::fromUtf8(name) : context;
    switch (primary) {
        case SQLITE_FULL:
            raise(3026);
        case SQLITE_NOMEM:
            raise(7);
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
            raise(3049, file);
        case SQLITE_READONLY:
            // SQLite writes no journal beside a name that no longer reaches
            // the file it opened: it would belong to the file there now.
            if (rc == SQLITE_READONLY_DBMOVED) throw wk::Error(3043, replacedFileMessage(file));
            refuseBesideKeptJournal(file);
            // A journal lies beside a file that cannot be written here:
            // SQLite can neither play it back nor read past it.
            if (rc == SQLITE_READONLY_ROLLBACK || rc == SQLITE_READONLY_RECOVERY)
                throw wk::Error(
                    3051, QStringLiteral("The database engine cannot read '%1': the journal file '%2' "
                                         "lies beside it, left by a change that was not completed, "
                                         "and the database cannot be written here to finish or take "
                                         "back that change. Open it where it can be written, or move "
                                         "the journal file elsewhere if it does not belong to it.")
                              .arg(file, file + QLatin1String(rc == SQLITE_READONLY_ROLLBACK ? "-journal"
                                                                                             : "-wal")));
            raise(3027);
        case SQLITE_PERM:
            raise(3051, file);
        case SQLITE_CANTOPEN:
            if (diskFull(db)) raise(3026);
            refuseBesideKeptJournal(file);
            // SQLite opens no journal through a link, and so cannot recover
            // the file from it.
            if (db && sqlite3_system_errno(db) == ELOOP)
                throw wk::Error(3051, QStringLiteral("The database engine cannot open '%1': the journal file "
                                                     "'%1-journal' beside it is a link, which it does not "
                                                     "follow. Put the file the link leads to in its place, "
                                                     "then open the database again.")
                                          .arg(file));
            raise(3051, file);
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            throw wk::Error(3260, QStringLiteral("Couldn't update; another program is using '%1' and did not "
                                                 "let go of it in time. The change was not saved; try "
                                                 "again when that program is done with the file.")
                                      .arg(file));
        case SQLITE_IOERR:
            // A file shorter than its own header says is damaged, whatever
            // failed before.
            if (rc == SQLITE_IOERR_SHORT_READ) raise(3049, file);
            if (diskFull(db)) raise(3026);
            raise(3043);
        case SQLITE_CONSTRAINT:
            if (rc == SQLITE_CONSTRAINT_NOTNULL) {
                QString field = msg.section(QLatin1Char('.'), -1);
                raise(3314, field);
            }
            if (rc == SQLITE_CONSTRAINT_UNIQUE || rc == SQLITE_CONSTRAINT_PRIMARYKEY) raise(3022);
            if (rc == SQLITE_CONSTRAINT_CHECK) {
                if (msg.contains(QLatin1String("wk_size:"))) raise(3163);
                const qsizetype at = msg.indexOf(QLatin1String("wk_empty:"));
                if (at >= 0) raise(3315, msg.mid(at + 9));
            }
            break;
        case SQLITE_ERROR:
            if (msg.startsWith(QLatin1String("no such table")))
                raise(3078, msg.section(QLatin1String(": "), 1));
            // The original asks for a parameter when it meets an unknown name.
            if (msg.startsWith(QLatin1String("no such column"))) raise(3061, QStringLiteral("1"));
            if (msg.contains(QLatin1String("syntax error")) ||
                msg.contains(QLatin1String("unrecognized token")) ||
                msg.contains(QLatin1String("incomplete input")))
                raise(3075, context);
            if (msg.startsWith(QLatin1String("duplicate column name")))
                raise(3380, msg.section(QLatin1String(": "), 1));
            break;
        default:
            break;
    }
    throw wk::Error(3000, QStringLiteral("Database engine error: %1").arg(msg));
}

}  // namespace detail
}  // namespace dao
