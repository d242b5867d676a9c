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
// refused to another, whichever opened it first: what the other committed
// would go with this one's Rollback. Once the holder lets go, the other
// opens it.
TEST(LockSharing, AFileHeldInOneWorkspaceIsRefusedToAnother) {
    QTemporaryDir dir;
    const QString path = dir.filePath("kurs.wkd");
    dao::DBEngine::CreateDatabase(path)->Close();
    dao::Workspace own;
    dao::Workspace& main = dao::DBEngine::DefaultWorkspace();
    for (auto [holder, other] : {std::pair{&main, &own}, std::pair{&own, &main}}) {
        auto held = holder->OpenDatabase(path);
        holder->BeginTrans();
        EXPECT_EQ(daotest::errorOf([&] { other->OpenDatabase(dir.filePath("./kurs.wkd")); }), 3045);
        holder->Rollback();
        held->Close();
        EXPECT_EQ(daotest::errorOf([&] { other->OpenDatabase(path)->Close(); }), 0);
    }
}
