// Workspaces: opening and creating databases, and transactions across the
// connections of a workspace's handles.
#include "platform/Error.h"
#include "platform/dao/Connection.h"
#include "platform/dao/File.h"

#include <QFileInfo>
#include <QRandomGenerator>

#include <time.h>
#include <unistd.h>

#include <algorithm>

namespace dao {

using namespace detail;

// ---- workspace ----------------------------------------------------------------

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
    // A transaction left open ends with its workspace, as by Rollback.
    d->dropTransaction();
    for (Database::Impl* h : d->handles) {
        h->workspace = nullptr;
        if (h->core) h->core->workspace = nullptr;
    }
}

Workspace& DBEngine::Workspaces(int index) {
    if (index != 0) raise(3265);
    static Workspace ws;
    return ws;
}

static DatabasePtr wrap(std::shared_ptr<Core> core, Workspace::Impl* ws, const QString& path, bool readOnly) {
    if ((core->handles > 0 || core->savepoints > 0) && core->workspace != ws) raise(3045, path);
    auto impl = std::make_unique<Database::Impl>();
    impl->core = std::move(core);
    impl->path = path;
    impl->readOnly = readOnly;
    impl->workspace = ws;
    impl->core->workspace = ws;
    ++impl->core->handles;
    if (!readOnly) ++impl->core->writers;
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
    if (const QString tooLong = nameWithoutRoomForJournal(path); !tooLong.isEmpty())
        throw wk::Error(3051, tooLong);
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
        // A mark of this file of its own, against which a journal found
        // beside it is held (see LeftoverJournal.h).
        const quint32 mark = QRandomGenerator::system()->bounded(1u, 0x7fffffffu);
        const QString ddl =
            QStringLiteral("PRAGMA user_version = %1;").arg(mark) +
            QStringLiteral(
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
    std::optional<JournalSetAside> aside;
    DatabasePtr db = wrap(openCore(path, exclusive, readOnly, connect, &aside), d.get(), path, readOnly);
    db->impl()->setAside = aside;
    return db;
}
void Workspace::BeginTrans() {
    // Nothing is locked here: a file joins at its first use (join). The
    // files that joined at an outer level get a savepoint for this one; one
    // whose transaction SQLite rolled back has none to put it in, and one
    // refused at its join is not in the transaction.
    const auto levelled = [](const Core& c) { return c.isOpen() && c.savepoints > 0; };
    size_t begun = 0;
    try {
        for (; begun < d->transaction.size(); ++begun) {
            Core& c = *d->transaction[begun];
            if (!levelled(c)) continue;
            if (!c.lostTransaction) c.exec(QStringLiteral("SAVEPOINT wk_trans"));
            ++c.savepoints;
        }
    } catch (...) {
        for (size_t i = 0; i < begun; ++i) {
            Core& c = *d->transaction[i];
            if (!levelled(c)) continue;
            if (!c.lostTransaction)
                sqlite3_exec(c.db, "ROLLBACK TO wk_trans; RELEASE wk_trans", nullptr, nullptr, nullptr);
            --c.savepoints;
        }
        throw;
    }
    ++d->depth;
}

void Workspace::Impl::join(Core& c) {
    // A file this process may write is taken for writing before anything of
    // it is read: it waits for another program's lock instead of being
    // refused at once at its first write, and no other program commits
    // between what the transaction reads and what it writes. A file opened
    // only to be read is read from one state, as a SELECT of plain SQLite
    // reads it: another program's write transaction does not hold it up,
    // and that program's commit waits for this transaction's end. Reads
    // held together (ReadTogether) refuse a join for writing.
    try {
        c.begin(c.writers > 0);
    } catch (const wk::Error& e) {
        // Until the transaction ends; it goes on without this file.
        c.refusedJoin = e;
        transaction.push_back(c.shared_from_this());
        throw;
    }
    c.savepoints = 1;
    try {
        for (; c.savepoints < depth; ++c.savepoints) c.exec(QStringLiteral("SAVEPOINT wk_trans"));
    } catch (...) {
        sqlite3_exec(c.db, "ROLLBACK", nullptr, nullptr, nullptr);
        c.savepoints = 0;
        throw;
    }
    c.workspace = this;
    transaction.push_back(c.shared_from_this());
}

namespace detail {

void Core::enterWorkspaceTransaction() {
    if (lostTransaction) throw *lostTransaction;
    if (refusedJoin) throw *refusedJoin;
    if (workspace && workspace->depth > 0 && savepoints == 0) workspace->join(*this);
}

void Core::beforeRead() {
    // Reads held together (ReadTogether) are one state already.
    if (workspace && workspace->depth > 0 && savepoints == 0 && !refusedJoin && !lostTransaction &&
        sqlite3_get_autocommit(db))
        workspace->join(*this);
}

}  // namespace detail

namespace {

// A commit that fails is rolled back by SQLite: values that recordsets kept
// from inside the transaction must go either way.
struct NoteWriteOnExit {
    ~NoteWriteOnExit() { noteWrite(); }
};

}  // namespace

void Workspace::Impl::endTransaction() {
    depth = 0;
    for (const auto& c : transaction) {
        c->refusedJoin.reset();
        if (c->handles == 0 && c->savepoints == 0 && c->workspace == this) c->workspace = nullptr;
    }
    transaction.clear();
}

void Workspace::Impl::dropTransaction() {
    if (depth == 0 && transaction.empty()) return;
    const NoteWriteOnExit written;
    for (const auto& c : transaction) {
        if (!c->isOpen()) continue;
        for (; c->savepoints > 0; --c->savepoints)
            if (!sqlite3_get_autocommit(c->db))
                sqlite3_exec(c->db,
                             c->savepoints == 1 ? "ROLLBACK" : "ROLLBACK TO wk_trans; RELEASE wk_trans",
                             nullptr, nullptr, nullptr);
        c->lostTransaction.reset();
        c->invalidateCatalogue();
    }
    endTransaction();
}

void Workspace::CommitTrans() {
    if (d->depth == 0) raise(3034);
    const NoteWriteOnExit written;
    // Closing a database rolled back what the transaction held on it: none
    // of the transaction is committed, and it stays until Rollback.
    for (const auto& c : d->transaction) {
        if (c->closedInTransaction) raise(3420);
        // Rolled back by SQLite already: nothing of it is committed, on no
        // file, and the transaction stays until Rollback.
        if (c->isOpen() && c->lostTransaction) throw *c->lostTransaction;
    }
    // Each file commits on its own: one that another program keeps from
    // committing stays open, for a second try or Rollback, and the others
    // keep their own outcome. A commit SQLite rolls back is a lost
    // transaction (Core::fail): nothing after it is committed.
    std::optional<wk::Error> refused;
    for (const auto& c : d->transaction) {
        if (!c->isOpen() || c->savepoints <= 0) continue;
        try {
            c->exec(c->savepoints == 1 ? QStringLiteral("COMMIT") : QStringLiteral("RELEASE wk_trans"));
        } catch (const wk::Error& e) {
            if (c->lostTransaction) throw;
            if (!refused) refused = e;
            continue;
        }
        --c->savepoints;
    }
    if (refused) throw *refused;
    if (--d->depth == 0) d->endTransaction();
}

void Workspace::Rollback() {
    if (d->depth == 0) raise(3034);
    const NoteWriteOnExit written;
    for (const auto& c : d->transaction) {
        if (!c->isOpen() || c->savepoints <= 0) continue;
        // After SQLite rolled back by itself there is nothing left to undo.
        if (!sqlite3_get_autocommit(c->db)) {
            if (c->savepoints == 1) {
                c->exec(QStringLiteral("ROLLBACK"));
            } else {
                c->exec(QStringLiteral("ROLLBACK TO wk_trans"));
                c->exec(QStringLiteral("RELEASE wk_trans"));
            }
        }
        if (--c->savepoints == 0) c->lostTransaction.reset();
        c->invalidateCatalogue();
    }
    if (--d->depth == 0) d->endTransaction();
}

int Workspace::TransactionDepth() const {
    return d->depth;
}

void Workspace::Close() {
    d->dropTransaction();
    for (Database::Impl* h : std::vector<Database::Impl*>(d->handles))
        if (h->open) h->closeHandle();
    d->handles.clear();
}
}  // namespace dao
