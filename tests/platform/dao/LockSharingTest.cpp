// The layer's own lock descriptor must be one per file, however the file's
// path is spelled: closing a second descriptor of a file would drop the
// locks SQLite holds on it for the whole process.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

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

// A file is opened once per process: a second handle, by another path and
// in another workspace, shares the connection (SQLite's descriptor and the
// layer's lock), read-only or not.
TEST(LockSharing, OneConnectionPerFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir("sub"));
    const QString path = dir.filePath("sub/kurs.wkd");
    dao::DBEngine::CreateDatabase(path)->Close();

    dao::Workspace other;
    auto first = dao::DBEngine::OpenDatabase(path);
    first->OpenRecordset("SELECT * FROM wk_meta")->Close();
    const int one = DescriptorsOf(path, false);
    EXPECT_EQ(one, 2);
    auto second = other.OpenDatabase(dir.filePath("sub/../sub/kurs.wkd"));
    auto third = other.OpenDatabase(path, false, true);
    second->OpenRecordset("SELECT * FROM wk_meta")->Close();
    third->OpenRecordset("SELECT * FROM wk_meta")->Close();
    EXPECT_EQ(DescriptorsOf(path, false), one);
    other.Close();
    first->Close();
    EXPECT_EQ(DescriptorsOf(path, false), 0);
}
