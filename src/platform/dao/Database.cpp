// Connections, the catalogue kept inside each file, workspaces and
// databases.
#include "platform/Error.h"
#include "platform/dao/Internal.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QMap>
#include <QPointer>
#include <QRandomGenerator>
#include <QThread>
#include <QTimer>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>

#include <map>
#include <mutex>

namespace dao::detail {

// ---- file locks -------------------------------------------------------------
// The original refused a file that another program held exclusively. SQLite
// has no such notion, so the layer takes a flock() on the file: shared for a
// normal open, exclusive for an exclusive one. One descriptor per file and
// process, closed only after the last connection to the file, because closing
// any descriptor of a file drops the process's POSIX locks that SQLite holds.

class FileLock {
public:
    FileLock(QString path, int fd, bool exclusive) : path_(std::move(path)), fd_(fd), exclusive_(exclusive) {}
    ~FileLock();
    int fd() const { return fd_; }
    bool exclusive() const { return exclusive_; }
    static std::shared_ptr<FileLock> acquire(const QString& path, bool exclusive);
    // Whether a connection of this process has the file open.
    static bool held(const QString& path);
    // The connection of this process to the file, once it is open: a second
    // opening shares it instead of opening another one.
    std::weak_ptr<Core> core;

private:
    QString path_;  // the registry key: device and inode
    int fd_;
    bool exclusive_;
};

namespace {
// Never destroyed: a database held by a static object of the program is
// released during exit, after function-local statics made later are gone.
std::mutex& lockMutex() {
    static auto* m = new std::mutex;
    return *m;
}
std::map<QString, std::weak_ptr<FileLock>>& lockRegistry() {
    static auto* r = new std::map<QString, std::weak_ptr<FileLock>>;
    return *r;
}

QString fileKey(const struct stat& st) {
    return QStringLiteral("%1:%2").arg(quint64(st.st_dev)).arg(quint64(st.st_ino));
}
}  // namespace

FileLock::~FileLock() {
    std::lock_guard g(lockMutex());
    auto& reg = lockRegistry();
    auto it = reg.find(path_);
    if (it != reg.end() && it->second.expired()) reg.erase(it);
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
}

bool FileLock::held(const QString& path) {
    std::lock_guard g(lockMutex());
    struct stat now {};
    if (::stat(QFile::encodeName(path).constData(), &now) != 0) return false;
    const auto it = lockRegistry().find(fileKey(now));
    return it != lockRegistry().end() && !it->second.expired();
}

std::shared_ptr<FileLock> FileLock::acquire(const QString& path, bool exclusive) {
    std::lock_guard g(lockMutex());
    auto& reg = lockRegistry();
    const QByteArray native = QFile::encodeName(path);
    // Keyed by the file itself, not its name: the same file reached by
    // another path must share the one descriptor, and a file deleted and
    // made anew under the same name is another file.
    struct stat now {};
    if (::stat(native.constData(), &now) != 0) raise(3051, path);
    const QString key = fileKey(now);
    if (auto it = reg.find(key); it != reg.end()) {
        if (auto existing = it->second.lock()) {
            if (exclusive || existing->exclusive()) raise(3051, path);
            return existing;
        }
    }
    // A pipe or a device is no database; opening it never waits, and what
    // is opened must be the file looked at.
    if (!S_ISREG(now.st_mode)) raise(3343, path);
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) raise(3051, path);
    struct stat opened {};
    if (::fstat(fd, &opened) != 0 || opened.st_dev != now.st_dev || opened.st_ino != now.st_ino) {
        ::close(fd);
        raise(3051, path);
    }
    if (::flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
        ::close(fd);
        raise(3051, path);
    }
    auto lock = std::make_shared<FileLock>(key, fd, exclusive);
    reg[key] = lock;
    return lock;
}

// ---- connection -------------------------------------------------------------

FileState FileState::of(const QByteArray& path) {
    FileState f;
    struct stat st {};
    if (path.isEmpty() || ::stat(path.constData(), &st) != 0) return f;
    f.dev = quint64(st.st_dev);
    f.ino = quint64(st.st_ino);
    f.size = qint64(st.st_size);
    f.mtimeNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    f.ctimeNs = qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    return f;
}

bool StatementUse::step() {
    const int rc = sqlite3_step(st_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    core_.fail(sqlite3_extended_errcode(core_.db), QString::fromUtf8(sqlite3_sql(st_)));
}

Core::~Core() {
    close();
    forgetCheckpoint(this);
}

void Core::checkOpen() const {
    if (!db) raise(3420);
}

namespace {

constexpr off_t kLockRange = 0x40000000;  // SQLite's pending byte
constexpr off_t kShmLocks = 120;          // first lock byte of the -shm index
// SQLite's own rule for writing the journal back during a long run of
// changes, kept when the layer takes over the commit notice.
constexpr int kAutoCheckpointFrames = 1000;

// Whether another process holds one of SQLite's locks in the range; asked
// through a descriptor that stays open, so this process's locks stay too.
bool lockedByOthers(int fd, off_t start, off_t length) {
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = start;
    fl.l_len = length;
    return ::fcntl(fd, F_GETLK, &fl) == 0 && fl.l_type != F_UNLCK;
}

// Every commit of every write path passes here: one that would go into a
// journal no longer under the file's name is turned into a rollback.
int refuseCommitIntoLostJournal(void* p) {
    auto* core = static_cast<Core*>(p);
    if (core->journalIntact()) return 0;
    core->journalLost = true;
    return 1;
}

// After each commit: the main file is brought up to date shortly.
int afterCommit(void* p, sqlite3*, const char*, int frames) {
    auto* core = static_cast<Core*>(p);
    core->unsaved = true;
    if (frames >= kAutoCheckpointFrames) core->checkpoint();
    if (core->unsaved) scheduleCheckpoint(core);
    return SQLITE_OK;
}

// `change`: a change was being saved when the loss showed.
QString lostJournalMessage(const QString& file, bool kept, bool change = true) {
    if (!change)
        return QStringLiteral(
                   "Disk or network error. The journal of '%1' was removed or replaced by another "
                   "program; changes saved shortly before may be lost.")
            .arg(file);
    if (kept)
        return QStringLiteral(
                   "Disk or network error. The journal of '%1' was removed or replaced by another "
                   "program; the change was not saved.")
            .arg(file);
    return QStringLiteral(
               "Disk or network error. The journal of '%1' was removed or replaced by another "
               "program; the change was not saved, and changes saved shortly before it may be "
               "lost.")
        .arg(file);
}

}  // namespace

QByteArray Core::mainName() const {
    const char* main = db ? sqlite3_db_filename(db, "main") : nullptr;
    return main && *main ? QByteArray(main) : QFile::encodeName(path);
}

void Core::recordJournal() {
    journal = FileState();
    index = FileState();
    journalLost = false;
    if (readOnly || !db) return;
    const QByteArray main = mainName();
    journal = FileState::of(QByteArray(sqlite3_filename_wal(sqlite3_db_filename(db, "main"))));
    index = FileState::of(main + "-shm");
    mainFile = FileState::of(main);
}

bool Core::journalIntact() const {
    if (!journal.exists() || !db) return true;
    return FileState::of(QByteArray(sqlite3_filename_wal(sqlite3_db_filename(db, "main")))).sameFile(journal);
}

void Core::connect() {
    const QByteArray native = QFile::encodeName(path);
    const int flags = (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX;
    const int rc = sqlite3_open_v2(native.constData(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_close_v2(db);
        db = nullptr;
        raise(rc == SQLITE_NOTADB || rc == SQLITE_CORRUPT ? 3049 : 3051, path);
    }
    ++generation;
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, 3000);
    if (!collator) {
        collator = std::make_unique<QCollator>(QLocale(QLocale::English, QLocale::UnitedStates));
        collator->setCaseSensitivity(Qt::CaseInsensitive);
    }
    installFunctions(db, collator.get());
    sqlite3_commit_hook(db, &refuseCommitIntoLostJournal, this);
    sqlite3_wal_hook(db, &afterCommit, this);
}

bool Core::checkpoint() {
    if (!db || readOnly) return true;
    int log = -1, copied = -1;
    if (sqlite3_wal_checkpoint_v2(db, "main", SQLITE_CHECKPOINT_PASSIVE, &log, &copied) != SQLITE_OK)
        return false;
    mainFile = FileState::of(mainName());
    if (log == copied) unsaved = false;
    return !unsaved;
}

bool Core::saveToMainFile() {
    if (!db) return true;
    // A statement or transaction of this connection holds the journal; the
    // timer comes back.
    if (!busy.isEmpty() || savepoints > 0) return false;
    if (!journalIntact()) {
        // Removed or replaced while the program sat idle: what can be kept
        // goes into the main file now, before anyone else writes it, and
        // the next change goes into a journal of its own.
        journalLost = true;
        // What cannot be kept is reported to the next use instead.
        if (keepLostJournal()) reconnectIfJournalLost();
        return true;
    }
    return checkpoint();
}

bool Core::keepLostJournal() {
    if (!unsaved) return true;
    if (!db || readOnly || !lock) return false;
    // The old journal is still open here, but its pages may only go into a
    // main file that no one else has written since this connection did, and
    // that no one else uses now: another process may have begun afresh on
    // it without them.
    const QByteArray main = mainName();
    if (!(FileState::of(main) == mainFile)) return false;
    if (lockedByOthers(lock->fd(), kLockRange, 512)) return false;
    for (const auto& [name, mine] : {std::pair{main + "-wal", journal}, std::pair{main + "-shm", index}}) {
        const FileState now = FileState::of(name);
        if (now.exists() && !now.sameFile(mine)) return false;
    }
    return checkpoint();
}

void Core::reconnectIfJournalLost() {
    if (!journalLost || !db || !busy.isEmpty() || savepoints > 0) return;
    const bool tell = !keepLostJournal() && !journalLossReported;
    journalLossReported = false;
    for (sqlite3_stmt* st : std::as_const(statements)) sqlite3_finalize(st);
    statements.clear();
    // The old connection neither checkpoints nor deletes anything on its
    // way out: the journal under that name now belongs to someone else.
    sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    sqlite3_close_v2(db);
    db = nullptr;
    journalLost = false;
    // What the old journal held is in the main file now, or out of reach.
    unsaved = false;
    connect();
    exec(QStringLiteral("PRAGMA journal_mode=WAL"));
    exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
    invalidateCatalogue();
    loadCatalogue(true);
    recordJournal();
    if (tell) throw wk::Error(3043, lostJournalMessage(path, false, false));
}

void Core::fail(int rc, const QString& context) {
    if (rc == SQLITE_CONSTRAINT_COMMITHOOK && journalLost) {
        journalLossReported = true;
        throw wk::Error(3043, lostJournalMessage(path, keepLostJournal()));
    }
    try {
        raiseSqlite(db, rc, context);
    } catch (const wk::Error& e) {
        if (db && savepoints > 0 && sqlite3_get_autocommit(db)) {
            // SQLite gave up the whole transaction. The work after this
            // must not be committed on its own: it goes into savepoints
            // begun again, which only Rollback ends.
            if (!lostTransaction) lostTransaction = e;
            for (int i = 0; i < savepoints; ++i)
                sqlite3_exec(db, "SAVEPOINT wk_trans", nullptr, nullptr, nullptr);
        }
        throw;
    }
}

void Core::close() {
    if (!db) return;
    forgetCheckpoint(this);
    for (RecordsetImplBase* rs : std::vector<RecordsetImplBase*>(recordsets)) rs->closeFromDatabase();
    recordsets.clear();
    if (savepoints > 0) sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    savepoints = 0;
    lostTransaction.reset();
    for (sqlite3_stmt* st : std::as_const(statements)) sqlite3_finalize(st);
    statements.clear();
    if (!journalIntact()) {
        journalLost = true;
        keepLostJournal();
        sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    }
    sqlite3_close_v2(db);
    db = nullptr;
    lock.reset();
}

sqlite3_stmt* Core::statement(const QString& sql) {
    checkOpen();
    reconnectIfJournalLost();
    if (sqlite3_stmt* st = statements.value(sql)) return st;
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
    reconnectIfJournalLost();
    char* err = nullptr;
    const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &err);
    sqlite3_free(err);
    if (rc != SQLITE_OK) fail(sqlite3_extended_errcode(db), sql);
}

// ---- the idle checkpoint -------------------------------------------------------
// One single-shot timer for the whole process, in the application's thread.
// It fires a second after a commit finds it idle, so the main file is never
// much more than a second behind; a checkpoint that another reader keeps
// from finishing is tried again a second later.

namespace {

constexpr int kIdleCheckpointMs = 1000;

struct CheckpointTimer {
    QPointer<QTimer> timer;
    std::vector<Core*> pending;
};

CheckpointTimer& checkpointTimer() {
    static auto* t = new CheckpointTimer;
    return *t;
}

void runPendingCheckpoints() {
    auto& t = checkpointTimer();
    std::vector<Core*> cores;
    cores.swap(t.pending);
    for (Core* core : cores) {
        core->checkpointScheduled = false;
        bool done = false;
        try {
            done = core->saveToMainFile();
        } catch (const wk::Error&) {
            // A connection that could not start afresh: its next use
            // reports that.
            done = true;
        }
        if (!done && !core->checkpointScheduled) {
            core->checkpointScheduled = true;
            t.pending.push_back(core);
        }
    }
    if (!t.pending.empty() && t.timer) t.timer->start(kIdleCheckpointMs);
}

}  // namespace

void scheduleCheckpoint(Core* core) {
    // Already waiting for the timer, which runs while anything waits: the
    // usual case in a run of commits, so nothing else is asked.
    if (core->checkpointScheduled) return;
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread()) return;
    auto& t = checkpointTimer();
    core->checkpointScheduled = true;
    t.pending.push_back(core);
    if (!t.timer) {
        t.timer = new QTimer(app);
        t.timer->setSingleShot(true);
        QObject::connect(t.timer, &QTimer::timeout, app, &runPendingCheckpoints);
    }
    if (!t.timer->isActive()) t.timer->start(kIdleCheckpointMs);
}

void forgetCheckpoint(Core* core) {
    if (!core->checkpointScheduled) return;
    core->checkpointScheduled = false;
    std::erase(checkpointTimer().pending, core);
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

bool folderExists(const QString& path) {
    const QFileInfo fi(path);
    return fi.absoluteDir().exists();
}

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

// The connection to an existing file, checked to be one of ours: the one
// this process already has, or a new one.
std::shared_ptr<Core> openCore(const QString& path, bool exclusive, bool readOnly, const QString& connect) {
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
    char header[16] = {};
    if (::pread(core->lock->fd(), header, sizeof header, 0) != ssize_t(sizeof header) ||
        memcmp(header, "SQLite format 3", 16) != 0)
        raise(3343, path);
    if (!readOnly && !writable) raise(3051, path);

    core->connect();

    try {
        bool ours = false;
        {
            StatementUse q(*core,
                           QStringLiteral("SELECT count(*) FROM sqlite_schema WHERE type = 'table' AND "
                                          "name IN ('wk_meta', 'wk_fields', 'wk_tables', 'wk_queries')"));
            ours = q.step() && sqlite3_column_int(q, 0) == 4;
        }
        if (!ours || metaValue(*core, QStringLiteral("format")).toString() != QLatin1String(kFormat))
            raise(3343, path);
        // Only a file known to be ours is switched to its journal mode.
        if (!core->readOnly) {
            core->exec(QStringLiteral("PRAGMA journal_mode=WAL"));
            core->exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
        }
        checkPassword(*core, connect, path);
        core->loadCatalogue(true);
        core->recordJournal();
    } catch (const wk::Error& e) {
        core->close();
        // Damage shows up as engine errors without a number of their own.
        if (e.number() == 3000) raise(3049, path);
        throw;
    }
    lock->core = core;
    return core;
}

}  // namespace

}  // namespace dao::detail

namespace dao {

using namespace detail;

// ---- files in use ------------------------------------------------------------
// SQLite holds POSIX locks on a database (the shared range above 1 GiB) and
// on its -shm index (byte 120 on) for as long as a connection in WAL mode is
// open. F_GETLK reports only other processes' locks. The descriptor opened
// for asking is closed again, which would drop this process's own locks on
// the file: so it is asked only about files no connection here has open.

namespace {

bool lockedElsewhere(const QByteArray& file, off_t start, off_t length, bool alsoFlock) {
    const int fd = ::open(file.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    bool held = lockedByOthers(fd, start, length);
    // Another instance of this program holds its flock() on the file.
    if (!held && alsoFlock) held = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    ::close(fd);
    return held;
}

bool syncPath(const QByteArray& path, bool directory) {
    const int fd = ::open(path.constData(), (directory ? O_RDONLY | O_DIRECTORY : O_RDONLY) | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

void removeJournals(const QString& path) {
    for (const char* suffix : {"-wal", "-shm", "-journal"}) QFile::remove(path + QLatin1String(suffix));
}

// Journals beside a name that gets a new file belong to the file that was
// there (or is gone): applied to the new one they would damage it. When
// someone still uses them nothing may be touched.
void clearLeftoverJournals(const QString& path) {
    if (FileInUse(path)) raise(3045, path);
    removeJournals(path);
}

}  // namespace

bool IsOpenDatabaseFile(const QString& path) {
    QString base = path;
    for (const char* suffix : {"-wal", "-shm", "-journal"})
        if (base.endsWith(QLatin1String(suffix))) base.chop(int(qstrlen(suffix)));
    return FileLock::held(base);
}

bool FileInUse(const QString& path) {
    if (FileLock::held(path)) return true;
    const QByteArray native = QFile::encodeName(path);
    if (lockedElsewhere(native, kLockRange, 512, true)) return true;
    return lockedElsewhere(QFile::encodeName(path + QLatin1String("-shm")), kShmLocks, 16, false);
}

// ---- workspace ----------------------------------------------------------------

std::vector<std::shared_ptr<Core>> Workspace::Impl::cores() const {
    std::vector<std::shared_ptr<Core>> out;
    for (const Database::Impl* h : handles)
        if (h->open && h->core && h->core->isOpen() &&
            std::find(out.begin(), out.end(), h->core) == out.end())
            out.push_back(h->core);
    return out;
}

namespace {
// Dates are stored as local time. Without TZ the C library looks at
// /etc/localtime again for every conversion, which made reading the dates of
// a large table cost more than reading the table; naming the zone file once
// keeps the same zone and lets the library keep it loaded.
void FixTimeZoneLookup() {
    static const bool done = [] {
        if (qEnvironmentVariableIsEmpty("TZ") && QFileInfo::exists(QStringLiteral("/etc/localtime"))) {
            qputenv("TZ", ":/etc/localtime");
            tzset();
        }
        return true;
    }();
    (void)done;
}
}  // namespace

Workspace::Workspace() : d(std::make_unique<Impl>()) {
    FixTimeZoneLookup();
}
Workspace::~Workspace() {
    for (Database::Impl* h : d->handles) h->workspace = nullptr;
}

Workspace& DBEngine::Workspaces(int index) {
    if (index != 0) raise(3265);
    static Workspace ws;
    return ws;
}

static DatabasePtr wrap(std::shared_ptr<Core> core, Workspace::Impl* ws, const QString& path, bool readOnly) {
    auto impl = std::make_unique<Database::Impl>();
    impl->core = std::move(core);
    impl->path = path;
    impl->readOnly = readOnly;
    impl->workspace = ws;
    ++impl->core->handles;
    ws->handles.push_back(impl.get());
    return std::make_shared<Database>(std::move(impl));
}

DatabasePtr Workspace::CreateDatabase(const QString& path, const QString& locale, int options) {
    Q_UNUSED(options);
    if (path.isEmpty()) raise(3044, path);
    const QFileInfo fi(path);
    if (fi.exists()) raise(3204);
    if (!folderExists(path)) raise(3044, path);
    if (::access(QFile::encodeName(fi.absolutePath()).constData(), W_OK) != 0) raise(3051, path);
    clearLeftoverJournals(path);

    {
        sqlite3* db = nullptr;
        const QByteArray native = QFile::encodeName(path);
        int rc = sqlite3_open_v2(native.constData(), &db,
                                 SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_EXCLUSIVE, nullptr);
        auto fail = [&](int number) {
            sqlite3_close_v2(db);
            QFile::remove(path);
            raise(number, path);
        };
        if (rc != SQLITE_OK) fail(rc == SQLITE_CANTOPEN ? 3044 : 3051);
        const QString ddl =
            QStringLiteral(
                "PRAGMA journal_mode=WAL;"
                "BEGIN;"
                "CREATE TABLE wk_meta (key TEXT PRIMARY KEY, value);"
                "CREATE TABLE wk_tables (name TEXT NOT NULL UNIQUE);"
                "CREATE TABLE wk_fields (tbl TEXT NOT NULL, name TEXT NOT NULL, type INTEGER NOT NULL, "
                "size INTEGER NOT NULL, allow_zero_length INTEGER NOT NULL, required INTEGER NOT NULL, "
                "default_value, PRIMARY KEY (tbl, name));"
                "CREATE TABLE wk_queries (name TEXT NOT NULL UNIQUE, sql TEXT NOT NULL);"
                "INSERT INTO wk_meta VALUES ('format', '%1');"
                "INSERT INTO wk_meta VALUES ('locale', '%2');"
                "COMMIT;")
                .arg(QLatin1String(kFormat), QString(locale).replace(QLatin1Char('\''), QLatin1String("''")));
        if (sqlite3_exec(db, ddl.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK) fail(3051);
        sqlite3_close_v2(db);
    }
    return wrap(openCore(path, false, false, {}), d.get(), path, false);
}

DatabasePtr Workspace::OpenDatabase(const QString& path, bool exclusive, bool readOnly,
                                    const QString& connect) {
    return wrap(openCore(path, exclusive, readOnly, connect), d.get(), path, readOnly);
}

void Workspace::CompactDatabase(const QString& source, const QString& target, const QString& locale,
                                int options, const QString& connect) {
    Q_UNUSED(locale);
    Q_UNUSED(options);
    if (target.isEmpty()) raise(3044, target);
    if (QFileInfo::exists(target)) raise(3204);
    if (!folderExists(target)) raise(3044, target);
    Workspace own;
    DatabasePtr db = own.OpenDatabase(source, false, true, connect);
    const QString canonicalSource = QFileInfo(source).canonicalFilePath();
    const QString canonicalTarget = QFileInfo(QFileInfo(target).absolutePath()).canonicalFilePath() +
                                    QLatin1Char('/') + QFileInfo(target).fileName();
    if (canonicalSource == canonicalTarget) raise(3204);
    try {
        StatementUse q(db->impl()->use(), QStringLiteral("VACUUM INTO ?"));
        bindValue(q, 1, target);
        q.step();
    } catch (...) {
        db->Close();
        QFile::remove(target);
        throw;
    }
    db->Close();
    // The caller deletes the source next; the copy must be on disk first.
    const int fd = ::open(QFile::encodeName(target).constData(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// ---- replacing and compacting files in place ------------------------------------
// Other programs may have a file open without holding any lock yet; they
// write through the file they opened. So a file is never swapped by a rename
// under them: new content goes into the file itself, under SQLite's locks,
// and every other connection either waits or sees the whole new content.

namespace {

bool hasSqliteHeader(const QByteArray& path) {
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    char header[16] = {};
    const bool ok = ::pread(fd, header, sizeof header, 0) == ssize_t(sizeof header) &&
                    memcmp(header, "SQLite format 3", 16) == 0;
    ::close(fd);
    return ok;
}

int pragmaNumber(sqlite3* db, const char* sql, int* rc) {
    sqlite3_stmt* st = nullptr;
    int value = 0;
    *rc = sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
    if (*rc == SQLITE_OK) {
        *rc = sqlite3_step(st);
        if (*rc == SQLITE_ROW) {
            value = sqlite3_column_int(st, 0);
            *rc = SQLITE_OK;
        }
    }
    sqlite3_finalize(st);
    return value;
}

// Copies the closed database `built` into the database file `target` with
// SQLite's backup, under its locks. False, with nothing changed, when target
// is no database SQLite can read.
bool writeInto(const QString& built, const QString& target) {
    sqlite3* src = nullptr;
    sqlite3* dst = nullptr;
    struct Closer {
        sqlite3*& a;
        sqlite3*& b;
        ~Closer() {
            sqlite3_close_v2(a);
            sqlite3_close_v2(b);
        }
    } closer{src, dst};
    if (sqlite3_open_v2(QFile::encodeName(built).constData(), &src, SQLITE_OPEN_READWRITE, nullptr) !=
        SQLITE_OK)
        raiseSqlite(src, sqlite3_extended_errcode(src), built);
    sqlite3_extended_result_codes(src, 1);
    if (sqlite3_open_v2(QFile::encodeName(target).constData(), &dst, SQLITE_OPEN_READWRITE, nullptr) !=
        SQLITE_OK)
        raise(3051, target);
    sqlite3_extended_result_codes(dst, 1);
    sqlite3_busy_timeout(dst, 3000);

    int rc = SQLITE_OK;
    const int targetPage = pragmaNumber(dst, "PRAGMA page_size", &rc);
    if ((rc & 0xff) == SQLITE_NOTADB || (rc & 0xff) == SQLITE_CORRUPT) return false;
    if (rc != SQLITE_OK) raiseSqlite(dst, rc, target);
    const int builtPage = pragmaNumber(src, "PRAGMA page_size", &rc);
    if (rc != SQLITE_OK) raiseSqlite(src, rc, built);
    // A journal file keeps its page size: the copy takes the target's.
    if (targetPage != builtPage) {
        const QByteArray sql = QByteArray("PRAGMA journal_mode=DELETE; PRAGMA page_size=") +
                               QByteArray::number(targetPage) + "; VACUUM; PRAGMA journal_mode=WAL;";
        if ((rc = sqlite3_exec(src, sql.constData(), nullptr, nullptr, nullptr)) != SQLITE_OK)
            raiseSqlite(src, sqlite3_extended_errcode(src), built);
    }

    sqlite3_backup* backup = sqlite3_backup_init(dst, "main", src, "main");
    if (!backup) raiseSqlite(dst, sqlite3_extended_errcode(dst), target);
    rc = sqlite3_backup_step(backup, -1);
    sqlite3_backup_finish(backup);
    switch (rc & 0xff) {
        case SQLITE_DONE:
            break;
        case SQLITE_NOTADB:
        case SQLITE_CORRUPT:
            return false;
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            raise(3045, target);
        default:
            raiseSqlite(dst, rc, target);
    }
    // The new content in the file itself, not only in its journal.
    sqlite3_wal_checkpoint_v2(dst, "main", SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
    return true;
}

}  // namespace

void ReplaceFile(const QString& built, const QString& target) {
    if (!QFileInfo::exists(built)) raise(3024, built);
    if (FileInUse(target)) raise(3045, target);
    const QByteArray from = QFile::encodeName(built);
    const QByteArray to = QFile::encodeName(target);
    if (!syncPath(from, false)) raise(3043);
    struct stat st {};
    const bool present = ::stat(to.constData(), &st) == 0;
    if (present && S_ISREG(st.st_mode) && hasSqliteHeader(to) && writeInto(built, target)) {
        QFile::remove(built);
        removeJournals(built);
        return;
    }
    // No database under the name (or none SQLite can read): no connection
    // can be at work on it, and the complete file takes its place.
    clearLeftoverJournals(target);
    if (present) {
        if (::rename(from.constData(), to.constData()) != 0) raise(3051, target);
    } else if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) != 0) {
        // Another program made a file under the name meanwhile.
        if (errno == EEXIST) raise(3045, target);
        if (errno != EINVAL || ::rename(from.constData(), to.constData()) != 0) raise(3051, target);
    }
    syncPath(QFile::encodeName(QFileInfo(target).absolutePath()), true);
}

bool CompactInPlace(const QString& path, const QString& connect) {
    if (!QFileInfo::exists(path)) raise(3024, path);
    // A file another program is at work on is left to it: the VACUUM would
    // keep its writes waiting and grow its journal to the size of the file.
    if (FileInUse(path)) return false;
    Workspace own;
    DatabasePtr db;
    try {
        db = own.OpenDatabase(path, false, false, connect);
    } catch (const wk::Error& e) {
        if (e.number() == 3051 || e.number() == 3260) return false;
        throw;
    }
    Core& core = db->impl()->use();
    try {
        // Everything in the journal goes along: VACUUM reads through it.
        core.exec(QStringLiteral("VACUUM"));
    } catch (const wk::Error& e) {
        db->Close();
        if (e.number() == 3260) return false;
        throw;
    }
    // The file shrinks once its journal is written back.
    core.checkpoint();
    db->Close();
    return true;
}

void Workspace::BeginTrans() {
    for (const auto& c : d->cores()) {
        c->exec(QStringLiteral("SAVEPOINT wk_trans"));
        ++c->savepoints;
    }
    ++d->depth;
}

namespace {

// A commit the journal check refuses is rolled back by SQLite: values that
// recordsets kept from inside the transaction must go either way.
struct NoteWriteOnExit {
    ~NoteWriteOnExit() { noteWrite(); }
};

}  // namespace

void Workspace::CommitTrans() {
    if (d->depth == 0) raise(3034);
    const NoteWriteOnExit written;
    for (const auto& c : d->cores()) {
        if (c->savepoints <= 0) continue;
        // Rolled back by SQLite already: nothing of it is committed, and
        // the transaction stays until Rollback.
        if (c->lostTransaction) throw *c->lostTransaction;
        try {
            c->exec(QStringLiteral("RELEASE wk_trans"));
        } catch (const wk::Error& e) {
            // A commit that fails is rolled back, though its savepoint
            // stays: a second CommitTrans must not report the empty rest
            // as saved.
            if (c->isOpen() && c->savepoints == 1 && sqlite3_txn_state(c->db, nullptr) != SQLITE_TXN_WRITE &&
                !c->lostTransaction)
                c->lostTransaction = e;
            throw;
        }
        --c->savepoints;
    }
    --d->depth;
}

void Workspace::Rollback() {
    if (d->depth == 0) raise(3034);
    const NoteWriteOnExit written;
    for (const auto& c : d->cores()) {
        if (c->savepoints <= 0) continue;
        // After SQLite rolled back by itself there is nothing left to undo.
        if (!sqlite3_get_autocommit(c->db)) {
            c->exec(QStringLiteral("ROLLBACK TO wk_trans"));
            c->exec(QStringLiteral("RELEASE wk_trans"));
        }
        if (--c->savepoints == 0) c->lostTransaction.reset();
        c->invalidateCatalogue();
    }
    --d->depth;
}

int Workspace::TransactionDepth() const {
    return d->depth;
}

void Workspace::Close() {
    for (Database::Impl* h : std::vector<Database::Impl*>(d->handles))
        if (h->open) h->closeHandle();
    d->handles.clear();
    d->depth = 0;
}

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
    if (core) --core->handles;
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
    StatementUse q(core, translated);
    if (!sqlite3_stmt_readonly(q)) d->needWritable();
    const int expected = sqlite3_bind_parameter_count(q);
    if (params.size() < expected) raise(3061, QString::number(expected - params.size()));
    for (int k = 0; k < expected; ++k) bindValue(q, k + 1, params[k]);
    while (q.step()) {
    }
    core.recordsAffected = long(sqlite3_changes(core.db));
    if (!sqlite3_stmt_readonly(q)) {
        noteWrite();
        if (tokens[0].is("CREATE") || tokens[0].is("DROP")) core.invalidateCatalogue();
    }
    return core.recordsAffected;
}

}  // namespace dao
