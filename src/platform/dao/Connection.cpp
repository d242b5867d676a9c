// The connection of this process to a file (Core): opening and checking it,
// statements, errors, closing, and the catalogue kept inside the file.
#include "platform/dao/Connection.h"
#include "platform/Error.h"
#include "platform/dao/File.h"
#include "platform/dao/LeftoverJournal.h"
#include "platform/dao/Vfs.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QMap>
#include <QRandomGenerator>
#include <QtEndian>

#include <unistd.h>
#include <cstring>

namespace dao::detail {

bool StatementUse::step() {
    if (!begun_) {
        begun_ = true;
        forgetFailedCall();
        if (core_.readOnly || sqlite3_stmt_readonly(st_))
            core_.beforeRead();
        else
            core_.beforeWrite();
    }
    const int rc = sqlite3_step(st_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    core_.fail(sqlite3_extended_errcode(core_.db), QString::fromUtf8(sqlite3_sql(st_)));
}

Core::~Core() {
    close();
}

void Core::checkOpen() const {
    if (!db) raise(3420);
}

void Core::connect() {
    const QByteArray native = QFile::encodeName(path);
    const int flags = (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX;
    const int rc = sqlite3_open_v2(native.constData(), &db, flags, layerVfs());
    if (rc != SQLITE_OK) {
        sqlite3_close_v2(db);
        db = nullptr;
        raise(rc == SQLITE_NOTADB || rc == SQLITE_CORRUPT ? 3049 : 3051, path);
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    if (!collator) {
        collator = std::make_unique<QCollator>(QLocale(QLocale::English, QLocale::UnitedStates));
        collator->setCaseSensitivity(Qt::CaseInsensitive);
    }
    installFunctions(db, collator.get());
}

void Core::fail(int rc, const QString& context) {
    try {
        raiseSqlite(db, rc, context);
    } catch (const wk::Error& e) {
        if (db && savepoints > 0 && sqlite3_get_autocommit(db) && !lostTransaction) {
            // SQLite gave up the whole transaction. The work after this
            // must not be committed on its own: every later write of the
            // transaction is refused, until Rollback ends it. The error
            // says so, so that no caller passes over it as a failure of
            // one value.
            wk::Error lost = e;
            lost.setEndedTransaction();
            lostTransaction = lost;
            throw lost;
        }
        throw;
    }
}

void Core::close() {
    if (!db) return;
    for (RecordsetImplBase* rs : std::vector<RecordsetImplBase*>(recordsets)) rs->closeFromDatabase();
    recordsets.clear();
    if (savepoints > 0) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        closedInTransaction = true;
    }
    savepoints = 0;
    lostTransaction.reset();
    for (sqlite3_stmt* st : std::as_const(statements)) sqlite3_finalize(st);
    statements.clear();
    sqlite3_close_v2(db);
    db = nullptr;
    lock.reset();
}

bool Core::idle() const {
    return db && busy.isEmpty() && savepoints == 0 && sqlite3_get_autocommit(db);
}

namespace {

quint32 newMark() {
    return QRandomGenerator::system()->bounded(1u, 0x7fffffffu);
}

}  // namespace

void Core::putPageOneFirstIntoJournal() {
    quint32 version = 0;
    {
        StatementUse q(*this, QStringLiteral("PRAGMA user_version"));
        if (q.step()) version = quint32(sqlite3_column_int(q, 0));
    }
    if (version == 0) version = newMark();
    exec(QStringLiteral("PRAGMA user_version = %1").arg(version));
    mark = version;
    pageOneInJournal = true;
}

void Core::markFile() {
    atomically([] {});
}

void Core::begin(bool toWrite) {
    pageOneInJournal = false;
    if (toWrite && !readOnly) {
        exec(QStringLiteral("BEGIN IMMEDIATE"));
        return;
    }
    exec(QStringLiteral("BEGIN"));
    try {
        exec(QStringLiteral("SELECT count(*) FROM sqlite_schema"));
    } catch (...) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

void Core::commit() {
    try {
        exec(QStringLiteral("COMMIT"));
    } catch (...) {
        // Refused by another program's lock, SQLite keeps the transaction
        // open; the next statement would write into it, and its work would
        // be acknowledged and then lost.
        if (db && !sqlite3_get_autocommit(db)) sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        invalidateCatalogue();
        throw;
    }
}

void Core::reopenIfCopiedOver() {
    const quint64 action = actionEpoch.load(std::memory_order_relaxed);
    if (action == markAskedAt || !idle()) return;
    markAskedAt = action;
    uchar bytes[4];
    // A file too short to say: SQLite finds out what is wrong with it.
    if (::pread(lock->fd(), bytes, sizeof bytes, 60) != ssize_t(sizeof bytes)) return;
    const quint32 now = qFromBigEndian<quint32>(bytes);
    if (now == mark) return;
    mark = now;
    reopen();
}

void Core::reopen() {
    for (sqlite3_stmt* st : std::as_const(statements)) sqlite3_finalize(st);
    statements.clear();
    sqlite3_close_v2(db);
    db = nullptr;
    versionBase += quint64(1) << 32;
    invalidateCatalogue();
    connect();
}

sqlite3_stmt* Core::cachedStatement(const QString& sql) {
    checkOpen();
    sqlite3_stmt* st = statements.value(sql);
    return st ? st : prepare(sql);
}

void Core::beforeWrite() {
    enterWorkspaceTransaction();
    // (A statement on its own is made a transaction where it may write
    // much: see Database::Execute.)
    if (!sqlite3_get_autocommit(db)) {
        if (!pageOneInJournal) putPageOneFirstIntoJournal();
    } else if (mark == 0) {
        markFile();
    }
}

sqlite3_stmt* Core::prepare(const QString& sql) {
    // Statements with pasted values would pile up; drop the idle ones now
    // and then.
    if (statements.size() >= 256) {
        for (auto it = statements.begin(); it != statements.end();) {
            if (busy.contains(*it)) {
                ++it;
            } else {
                sqlite3_finalize(*it);
                it = statements.erase(it);
            }
        }
    }
    sqlite3_stmt* st = nullptr;
    const void* tail = nullptr;
    const int rc =
        sqlite3_prepare16_v3(db, sql.utf16(), int(sql.size() * 2), SQLITE_PREPARE_PERSISTENT, &st, &tail);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(st);
        fail(sqlite3_extended_errcode(db), sql);
    }
    // One statement at a time, as the original ran them.
    const qsizetype used =
        tail ? static_cast<const QChar*>(tail) - reinterpret_cast<const QChar*>(sql.utf16()) : 0;
    if (!st || (tail && !sql.mid(used).trimmed().isEmpty())) {
        sqlite3_finalize(st);
        raise(3142);
    }
    statements.insert(sql, st);
    return st;
}

void Core::exec(const QString& sql) {
    checkOpen();
    forgetFailedCall();
    char* err = nullptr;
    const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &err);
    sqlite3_free(err);
    if (rc != SQLITE_OK) fail(sqlite3_extended_errcode(db), sql);
}

bool isCatalogueName(const QString& name) {
    return name.compare(kFields, Qt::CaseInsensitive) == 0 ||
           name.compare(kQueries, Qt::CaseInsensitive) == 0 ||
           name.compare(kMeta, Qt::CaseInsensitive) == 0 ||
           name.compare(QLatin1String("wk_tables"), Qt::CaseInsensitive) == 0 ||
           name.startsWith(QLatin1String("sqlite_"), Qt::CaseInsensitive);
}

namespace {

// A column the catalogue does not know (made by another tool): its type is
// read from the declared SQL type.
ColumnInfo inferColumn(const QString& name, const QString& decl, bool notNull) {
    ColumnInfo c;
    c.name = name;
    const QString d = decl.toUpper();
    const QString word = d.section(QLatin1Char('('), 0, 0).section(QLatin1Char(' '), 0, 0).trimmed();
    int type = typeFromSqlWord(word);
    if (word == QLatin1String("INTEGER")) type = dbLong;
    if (word == QLatin1String("TEXT")) type = dbMemo;
    if (type == 0) type = dbMemo;
    c.type = type;
    c.size = defaultSizeOf(type);
    if (type == dbText) {
        const int open = d.indexOf(QLatin1Char('('));
        const int close = d.indexOf(QLatin1Char(')'));
        bool ok = false;
        const int n = open > 0 && close > open ? d.mid(open + 1, close - open - 1).toInt(&ok) : 0;
        c.size = ok && n > 0 && n <= 255 ? n : DefaultTextSize;
    }
    c.allowZeroLength = isTextType(type);
    c.required = notNull;
    return c;
}

}  // namespace

void Core::loadCatalogue(bool force) {
    checkOpen();
    int version = 0;
    {
        StatementUse q(*this, QStringLiteral("PRAGMA schema_version"));
        if (q.step()) version = sqlite3_column_int(q, 0);
    }
    if (!force && version == catalogueSchema) return;

    struct Known {
        QString name;
        qint64 order;
    };
    QMap<QString, qint64> tableOrder;  // lower-case name -> creation order
    {
        StatementUse q(*this, QStringLiteral("SELECT name, rowid FROM wk_tables"));
        while (q.step())
            tableOrder.insert(readValue(q, 0, dbText).toString().toLower(), sqlite3_column_int64(q, 1));
    }
    std::vector<Known> names;
    {
        StatementUse q(*this, QStringLiteral("SELECT name, rowid FROM sqlite_schema WHERE type = 'table' "
                                             "ORDER BY rowid"));
        while (q.step()) {
            const QString n = readValue(q, 0, dbText).toString();
            if (isCatalogueName(n)) continue;
            // Tables of the catalogue first, in their order; others after.
            const qint64 known = tableOrder.value(n.toLower(), -1);
            names.push_back({n, known >= 0 ? known : (qint64(1) << 40) + sqlite3_column_int64(q, 1)});
        }
    }
    std::stable_sort(names.begin(), names.end(),
                     [](const Known& a, const Known& b) { return a.order < b.order; });

    std::vector<TableInfo> result;
    for (const Known& k : names) {
        TableInfo t;
        t.name = k.name;
        QHash<QString, ColumnInfo> declared;
        {
            StatementUse q(*this, QStringLiteral("SELECT name, type, size, allow_zero_length, required, "
                                                 "default_value FROM wk_fields WHERE tbl = ?"));
            bindValue(q, 1, k.name);
            while (q.step()) {
                ColumnInfo c;
                c.name = readValue(q, 0, dbText).toString();
                c.type = sqlite3_column_int(q, 1);
                c.size = sqlite3_column_int(q, 2);
                c.allowZeroLength = sqlite3_column_int(q, 3) != 0;
                c.required = sqlite3_column_int(q, 4) != 0;
                c.defaultValue = readValue(q, 5, c.type);
                declared.insert(c.name.toLower(), c);
            }
        }
        {
            StatementUse q(*this, QStringLiteral("SELECT name, type, \"notnull\" FROM pragma_table_info(?)"));
            bindValue(q, 1, k.name);
            while (q.step()) {
                const QString name = readValue(q, 0, dbText).toString();
                auto it = declared.find(name.toLower());
                if (it != declared.end()) {
                    ColumnInfo c = *it;
                    c.name = name;
                    t.columns.push_back(c);
                } else {
                    t.columns.push_back(
                        inferColumn(name, readValue(q, 1, dbText).toString(), sqlite3_column_int(q, 2) != 0));
                }
            }
        }
        result.push_back(std::move(t));
    }
    tables = std::move(result);
    catalogueSchema = version;
}

const TableInfo* Core::findTable(const QString& name) {
    loadCatalogue();
    for (const TableInfo& t : tables)
        if (t.name.compare(name, Qt::CaseInsensitive) == 0) return &t;
    return nullptr;
}

std::optional<QString> Core::findQuery(const QString& name) {
    StatementUse q(*this, QStringLiteral("SELECT name, sql FROM wk_queries ORDER BY rowid"));
    while (q.step())
        if (readValue(q, 0, dbText).toString().compare(name, Qt::CaseInsensitive) == 0)
            return readValue(q, 1, dbText).toString();
    return std::nullopt;
}

QString passwordVerifier(const QString& salt, const QString& password) {
    QByteArray data = salt.toUtf8() + '\0' + password.toUtf8();
    // Many rounds make guessing from a copied verifier slower; the content
    // itself is not encrypted.
    for (int i = 0; i < 2000; ++i) data = QCryptographicHash::hash(data, QCryptographicHash::Sha256);
    return QString::fromLatin1(data.toHex());
}

namespace {
QString passwordFromConnect(const QString& connect, bool* given) {
    *given = false;
    for (const QString& part : connect.split(QLatin1Char(';'))) {
        const int eq = part.indexOf(QLatin1Char('='));
        if (eq < 0) continue;
        if (part.left(eq).trimmed().compare(QLatin1String("pwd"), Qt::CaseInsensitive) == 0) {
            *given = true;
            return part.mid(eq + 1);
        }
    }
    return {};
}

}  // namespace

QVariant metaValue(Core& core, const QString& key) {
    StatementUse q(core, QStringLiteral("SELECT value FROM wk_meta WHERE key = ?"));
    bindValue(q, 1, key);
    if (q.step()) return readValue(q, 0, dbText);
    return {};
}

void setMeta(Core& core, const QString& key, const QVariant& value) {
    if (!value.isValid()) {
        StatementUse q(core, QStringLiteral("DELETE FROM wk_meta WHERE key = ?"));
        bindValue(q, 1, key);
        q.step();
        return;
    }
    StatementUse q(core, QStringLiteral("INSERT OR REPLACE INTO wk_meta (key, value) VALUES (?, ?)"));
    bindValue(q, 1, key);
    bindValue(q, 2, value);
    q.step();
}

const char* const kFormat = "wortkiste-dao 1";

QString replacedFileMessage(const QString& file) {
    return QStringLiteral(
               "Disk or network error. Another program replaced or moved '%1' while it was open here; "
               "the change was not saved. Close the file and open it again to go on working with it.")
        .arg(file);
}

QString nameWithoutRoomForJournal(const QString& path) {
    const QFileInfo fi(path);
    const long longest = ::pathconf(QFile::encodeName(fi.absolutePath()).constData(), _PC_NAME_MAX);
    const qsizetype suffix = qsizetype(qstrlen("-journal"));
    if (longest <= 0 || QFile::encodeName(fi.fileName()).size() + suffix <= longest) return {};
    return QStringLiteral(
               "The database engine cannot save changes to '%1': its name is too long. Changes are saved "
               "through a journal file named after it, and that name would be longer than the %2 characters "
               "the folder allows. Give the file a name of at most %3 characters.")
        .arg(path)
        .arg(longest)
        .arg(longest - suffix);
}

bool folderExists(const QString& path) {
    const QFileInfo fi(path);
    return fi.absoluteDir().exists();
}

namespace {

bool isHex(const QString& text, qsizetype minLength, qsizetype maxLength) {
    if (text.size() < minLength || text.size() > maxLength) return false;
    for (QChar c : text)
        if (!((c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
              (c >= QLatin1Char('a') && c <= QLatin1Char('f'))))
            return false;
    return true;
}

bool pagesHoldTogether(Core& core) {
    sqlite3_stmt* st = nullptr;
    bool ok = false;
    if (sqlite3_prepare_v2(core.db, "PRAGMA quick_check(1)", -1, &st, nullptr) == SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW) {
        const char* text = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        ok = text && qstrcmp(text, "ok") == 0;
    }
    sqlite3_finalize(st);
    return ok;
}

// 3031 for a missing or wrong password. A verifier this layer did not write
// (bytes flipped in it) or pages that do not hold together are damage, and
// damage is reported as such.
void checkPassword(Core& core, const QString& connect, const QString& path) {
    const QString hash = metaValue(core, QStringLiteral("password")).toString();
    if (hash.isEmpty()) return;
    bool given = false;
    const QString pwd = passwordFromConnect(connect, &given);
    const QString salt = metaValue(core, QStringLiteral("salt")).toString();
    if (given && passwordVerifier(salt, pwd) == hash) return;
    if (!isHex(hash, 64, 64) || !isHex(salt, 2, 32) || !pagesHoldTogether(core)) raise(3049, path);
    raise(3031);
}

}  // namespace

std::shared_ptr<Core> openCore(const QString& path, bool exclusive, bool readOnly, const QString& connect,
                               std::optional<JournalSetAside>* setAside) {
    if (path.isEmpty()) raise(3024, path);
    const QFileInfo fi(path);
    if (!fi.exists()) {
        if (!folderExists(path)) raise(3044, path);
        raise(3024, path);
    }
    if (fi.isDir()) raise(3044, path);
    const QString canonical = fi.canonicalFilePath();
    const QByteArray native = QFile::encodeName(canonical);
    const bool writable = ::access(native.constData(), W_OK) == 0 &&
                          ::access(QFile::encodeName(fi.absolutePath()).constData(), W_OK) == 0;

    const QString tooLong = nameWithoutRoomForJournal(canonical);
    if (!readOnly && !tooLong.isEmpty()) throw wk::Error(3051, tooLong);

    std::shared_ptr<FileLock> lock = FileLock::acquire(canonical, exclusive);
    if (auto shared = lock->core.lock(); shared && shared->isOpen()) {
        if (!readOnly && (!writable || shared->readOnly)) raise(3051, path);
        checkPassword(*shared, connect, path);
        return shared;
    }

    auto core = std::make_shared<Core>();
    core->path = path;
    // One connection serves every handle: it writes wherever it may.
    core->readOnly = !writable;
    core->lock = lock;

    // A file that is not an SQLite database at all.
    char header[64] = {};
    if (::pread(core->lock->fd(), header, sizeof header, 0) != ssize_t(sizeof header) ||
        memcmp(header, "SQLite format 3", 16) != 0)
        raise(3343, path);
    if (!readOnly && !writable) raise(3051, path);
    // Written with the write-ahead journal (by an earlier version, or by
    // another program).
    const bool writeAhead = header[18] == 2 || header[19] == 2;
    core->connect();
    core->mark = qFromBigEndian<quint32>(reinterpret_cast<const uchar*>(header) + 60);
    core->markAskedAt = actionEpoch.load(std::memory_order_relaxed);

    try {
        bool ours = false;
        {
            StatementUse q(*core,
                           QStringLiteral("SELECT count(*) FROM sqlite_schema WHERE type = 'table' AND "
                                          "name IN ('wk_meta', 'wk_fields', 'wk_tables', 'wk_queries')"));
            ours = q.step() && sqlite3_column_int(q, 0) == 4;
        }
        // What the first read did with a journal that was not the file's.
        if (setAside) *setAside = takeSetAside(native);
        // The mark as SQLite's recovery left it.
        core->markAskedAt = ~quint64(0);
        core->reopenIfCopiedOver();
        if (!ours || metaValue(*core, QStringLiteral("format")).toString() != QLatin1String(kFormat))
            raise(3343, path);
        // Only a file known to be ours is switched to the rollback journal,
        // which leaves nothing beside it between commits. Another program
        // that keeps it in write-ahead mode must let go of it first.
        if (writeAhead && !core->readOnly) {
            sqlite3_busy_timeout(core->db, 0);
            const int rc = sqlite3_exec(core->db, "PRAGMA journal_mode=DELETE", nullptr, nullptr, nullptr);
            sqlite3_busy_timeout(core->db, kBusyTimeoutMs);
            bool alone = false;
            if (rc == SQLITE_OK) {
                StatementUse q(*core, QStringLiteral("PRAGMA journal_mode"));
                alone = q.step() && readValue(q, 0, dbText).toString() == QLatin1String("delete");
            }
            if (!alone) raise(3045, path);
        }
        checkPassword(*core, connect, path);
        core->loadCatalogue(true);
    } catch (const wk::Error& e) {
        core->close();
        // Damage shows up as engine errors without a number of their own.
        if (e.number() == 3000) raise(3049, path);
        throw;
    }
    lock->core = core;
    return core;
}

}  // namespace dao::detail
