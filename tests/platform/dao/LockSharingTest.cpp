// The layer's own lock descriptor must be one per file, however the file's
// path is spelled: closing a second descriptor of a file would drop the
// locks SQLite holds on it for the whole process.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "DaoTestSupport.h"
#include "platform/Error.h"
#include "platform/dao/Dao.h"
#include "platform/dao/Internal.h"

#include <sqlite3.h>
#include <unistd.h>

#include "support/ProcessLocks.h"

namespace {

// Descriptors of this process that point at `path` (read-only ones only,
// or all).
int DescriptorsOf(const QString& path, bool readOnlyOnly = true) {
    const QString target = QFileInfo(path).canonicalFilePath();
    int n = 0;
    for (const QString& fd :
         QDir("/proc/self/fd").entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System)) {
        if (QFileInfo(QStringLiteral("/proc/self/fd/") + fd).symLinkTarget() != target) continue;
        QFile info(QStringLiteral("/proc/self/fdinfo/") + fd);
        if (!info.open(QIODevice::ReadOnly)) continue;
        for (const QByteArray& line : info.readAll().split('\n'))
            if (line.startsWith("flags:") &&
                (!readOnlyOnly || (line.mid(6).trimmed().toInt(nullptr, 8) & 3) == 0))
                ++n;
    }
    return n;
}
int ReadOnlyDescriptorsOf(const QString& path) {
    return DescriptorsOf(path);
}

}  // namespace

TEST(LockSharing, OneLockDescriptorPerFileWhateverThePath) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir("sub"));
    const QString path = dir.filePath("sub/kurs.wkd");
    dao::DBEngine::CreateDatabase(path)->Close();

    auto first = dao::DBEngine::OpenDatabase(path);
    auto second = dao::DBEngine::OpenDatabase(dir.filePath("sub/../sub/kurs.wkd"));
    EXPECT_EQ(ReadOnlyDescriptorsOf(path), 1);

    // An exclusive open of the same file by a third spelling is refused and
    // leaves the shared descriptor as it was.
    try {
        dao::DBEngine::OpenDatabase(dir.filePath("sub/./kurs.wkd"), true);
        FAIL() << "opened exclusively while open";
    } catch (const wk::Error& e) {
        EXPECT_EQ(e.number(), wk::err::FileLocked);
    }
    second->Close();
    EXPECT_EQ(ReadOnlyDescriptorsOf(path), 1);
    first->Execute("CREATE TABLE T (x LONG)");
    first->Close();
    EXPECT_EQ(ReadOnlyDescriptorsOf(path), 0);
}

// A file is opened once per process: a second handle of the workspace, by
// another path, read-only or not, shares the connection (SQLite's
// descriptor and the layer's lock).
TEST(LockSharing, OneConnectionPerFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir("sub"));
    const QString path = dir.filePath("sub/kurs.wkd");
    dao::DBEngine::CreateDatabase(path)->Close();

    auto first = dao::DBEngine::OpenDatabase(path);
    first->OpenRecordset("SELECT * FROM wk_meta")->Close();
    const int one = DescriptorsOf(path, false);
    EXPECT_EQ(one, 2);
    auto second = dao::DBEngine::OpenDatabase(dir.filePath("sub/../sub/kurs.wkd"));
    auto third = dao::DBEngine::OpenDatabase(path, false, true);
    second->OpenRecordset("SELECT * FROM wk_meta")->Close();
    third->OpenRecordset("SELECT * FROM wk_meta")->Close();
    EXPECT_EQ(DescriptorsOf(path, false), one);
    second->Close();
    third->Close();
    first->Close();
    EXPECT_EQ(DescriptorsOf(path, false), 0);
}

// One connection has one transaction, so a file one workspace holds is
// refused to another, whichever opened it first, and also while its handle
// is let go without Close but its transaction is open: what the other
// committed would go with this one's Rollback, or stay uncommitted in it.
// The holder's CommitTrans commits its work whether its handle is still
// there or not; then the other opens the file.
TEST(LockSharing, AFileHeldInOneWorkspaceIsRefusedToAnother) {
    QTemporaryDir dir;
    const QString path = dir.filePath("kurs.wkd");
    {
        auto db = dao::DBEngine::CreateDatabase(path);
        db->Execute("CREATE TABLE T (x LONG)");
        db->Close();
    }
    // What another program sees.
    auto committedRows = [&] {
        sqlite3* raw = nullptr;
        int n = -1;
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, SQLITE_OPEN_READONLY, nullptr) ==
            SQLITE_OK)
            sqlite3_exec(
                raw, "SELECT count(*) FROM T",
                [](void* out, int, char** v, char**) { return *static_cast<int*>(out) = atoi(v[0]), 0; }, &n,
                nullptr);
        sqlite3_close(raw);
        return n;
    };
    dao::Workspace own;
    dao::Workspace& main = dao::DBEngine::DefaultWorkspace();
    int rows = 0;
    for (auto [holder, other] : {std::pair{&main, &own}, std::pair{&own, &main}}) {
        for (const bool released : {false, true}) {
            SCOPED_TRACE(released ? "handle released" : "handle open");
            auto held = holder->OpenDatabase(path);
            holder->BeginTrans();
            held->Execute("INSERT INTO T (x) VALUES (1)");
            auto rs = held->OpenRecordset("T");  // keeps the connection
            if (released) held.reset();
            EXPECT_EQ(daotest::errorOf([&] { other->OpenDatabase(dir.filePath("./kurs.wkd")); }), 3045);
            EXPECT_EQ(daotest::errorOf([&] { holder->CommitTrans(); }), 0);
            EXPECT_EQ(committedRows(), ++rows);
            rs.reset();
            if (held) held->Close();
            EXPECT_EQ(daotest::errorOf([&] { other->OpenDatabase(path)->Close(); }), 0);
        }
    }
    // A workspace that goes with its transaction open takes it back.
    dao::RecordsetPtr left;
    {
        dao::Workspace gone;
        auto db = gone.OpenDatabase(path);
        gone.BeginTrans();
        db->Execute("INSERT INTO T (x) VALUES (1)");
        left = db->OpenRecordset("T");
    }
    EXPECT_EQ(daotest::errorOf([&] { main.OpenDatabase(path)->Close(); }), 0);
    EXPECT_EQ(committedRows(), rows);
}

// A transaction the connection was in before the workspace began its own
// is not the workspace's to end: a write of the workspace's transaction is
// refused rather than left in it as if it were saved.
TEST(LockSharing, CommitTransNeverReturnsForWorkThatIsNotCommitted) {
    QTemporaryDir dir;
    auto db = dao::DBEngine::CreateDatabase(dir.filePath("kurs.wkd"));
    db->Execute("CREATE TABLE T (x LONG)");
    sqlite3* connection = db->impl()->use().db;
    dao::Workspace& ws = dao::DBEngine::DefaultWorkspace();
    sqlite3_exec(connection, "BEGIN", nullptr, nullptr, nullptr);
    ws.BeginTrans();
    EXPECT_NE(daotest::errorOf([&] { db->Execute("INSERT INTO T (x) VALUES (1)"); }), 0);
    ws.CommitTrans();
    sqlite3_exec(connection, "ROLLBACK", nullptr, nullptr, nullptr);
    EXPECT_EQ(db->OpenRecordset("SELECT count(*) AS n FROM T")->Value("n").toInt(), 0);
    db->Close();
}

// The open file and its journal, by whatever name reaches them, are never
// opened elsewhere in the process: closing that descriptor would drop the
// locks SQLite holds in the middle of a transaction. Known as open (to the
// player, the recorder, the text import), and refused as a database.
TEST(LockSharing, TheOpenFileIsKnownByAnyName) {
    QTemporaryDir dir;
    const QString file = dir.filePath("kurs.wkd");
    auto db = dao::DBEngine::CreateDatabase(file);
    db->Execute("CREATE TABLE T (x LONG)");
    dao::DBEngine::CreateDatabase(dir.filePath("other.wkd"))->Close();
    dao::Workspace& ws = dao::DBEngine::DefaultWorkspace();
    ws.BeginTrans();
    db->Execute("INSERT INTO T (x) VALUES (1)");
    const QString named = dir.filePath("take-wal"), journal = dir.filePath("journal.bak");
    ASSERT_EQ(::link(QFile::encodeName(file).constData(), QFile::encodeName(named).constData()), 0);
    ASSERT_EQ(
        ::link(QFile::encodeName(file + "-journal").constData(), QFile::encodeName(journal).constData()), 0);
    ASSERT_TRUE(wktest::HoldsPosixLock(file));
    struct Case {
        QString path;
        bool open;
    };
    const Case cases[] = {
        {file, true},
        {named, true},  // a link whose name ends like a journal
        {file + "-journal", true},
        {journal, true},
        {file + "-wal", true},  // by its name: a journal to be
        {dir.filePath("other.wkd"), false},
        {dir.filePath("other.wkd-wal"), false},
        {dir.filePath("take"), false},
    };
    for (const Case& c : cases) EXPECT_EQ(dao::IsOpenDatabaseFile(c.path), c.open) << c.path.toStdString();
    for (const QString& j : {file + "-journal", journal})
        EXPECT_EQ(daotest::errorOf([&] { dao::DBEngine::OpenDatabase(j); }), 3045) << j.toStdString();
    EXPECT_TRUE(wktest::HoldsPosixLock(file));
    ws.CommitTrans();
    EXPECT_EQ(db->OpenRecordset("T")->RecordCount(), 1);
    db->Close();
}

// A database closed in the middle of a transaction takes back what the
// transaction did on it: CommitTrans never says that was saved, and the
// transaction stays until Rollback. Another handle of the file keeps it.
TEST(LockSharing, ClosingADatabaseTakesItsPartOfTheTransactionBack) {
    QTemporaryDir dir;
    const QString file = dir.filePath("kurs.wkd");
    dao::DBEngine::CreateDatabase(file)->Execute("CREATE TABLE T (x LONG)");
    dao::Workspace& ws = dao::DBEngine::DefaultWorkspace();
    for (const bool secondHandle : {false, true}) {
        SCOPED_TRACE(secondHandle ? "another handle open" : "the only handle");
        auto db = dao::DBEngine::OpenDatabase(file);
        auto other = secondHandle ? dao::DBEngine::OpenDatabase(file) : dao::DatabasePtr();
        ws.BeginTrans();
        db->Execute("INSERT INTO T (x) VALUES (1)");
        db->Close();
        EXPECT_EQ(daotest::errorOf([&] { ws.CommitTrans(); }), secondHandle ? 0 : 3420);
        EXPECT_EQ(ws.TransactionDepth(), secondHandle ? 0 : 1);
        if (ws.TransactionDepth() > 0) ws.Rollback();
        if (other) other->Close();
    }
    auto db = dao::DBEngine::OpenDatabase(file);
    EXPECT_EQ(db->OpenRecordset("T")->RecordCount(), 1);
    db->Close();
}
