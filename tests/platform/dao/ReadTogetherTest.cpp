// Reads held together in one read transaction (dao::ReadTogether), as
// another program, the stock sqlite3 shell, sees them.
#include "SecondProcessSupport.h"
#include "platform/dao/ReadTogether.h"

#include <sys/stat.h>

#include <functional>
#include <stdexcept>

using namespace daotest;

namespace {

class ReadsTogether : public SecondProcess {
protected:
    // What the shell makes of sql when it may not wait for a lock: its
    // output, or its error.
    static QString atOnce(const QString& file, const QString& sql) {
        QProcess p;
        p.start("sqlite3", {"-cmd", ".timeout 0", file, sql});
        EXPECT_TRUE(p.waitForFinished(15000));
        return QString::fromUtf8(p.exitCode() == 0 ? p.readAllStandardOutput() : p.readAllStandardError())
            .trimmed();
    }
    QString file() const { return path("t.wkd"); }
    // When and how the file was last written, without opening it: closing
    // a descriptor of it would drop this process's locks.
    QString stamp() const {
        struct stat st {};
        ::stat(QFile::encodeName(file()).constData(), &st);
        return QString("%1 %2.%3").arg(st.st_size).arg(st.st_mtim.tv_sec).arg(st.st_mtim.tv_nsec);
    }
};

}  // namespace

// From its start to its end the file's read lock is held once: another
// program reads, its write is refused at once for want of the lock, and
// nothing of the file changes; after it the lock is gone and the write
// goes through.
TEST_F(ReadsTogether, HoldTheReadLockFromStartToEndAndWriteNothing) {
    openHolder("t.wkd");
    write(3);
    const QString before = stamp();
    {
        const dao::ReadTogether together(*items);
        EXPECT_TRUE(holdsSharedLock(file()));
        items->SetAbsolutePosition(2);
        EXPECT_EQ(items->Value("Q").toString(), "item 2");
        EXPECT_TRUE(holdsSharedLock(file()));
        EXPECT_EQ(atOnce(file(), "SELECT count(*) FROM VOK;"), "3");
        EXPECT_TRUE(atOnce(file(), "INSERT INTO VOK (Q) VALUES ('other');").contains("database is locked"));
        EXPECT_EQ(stamp(), before);
    }
    EXPECT_EQ(stamp(), before);
    EXPECT_FALSE(QFile::exists(file() + "-journal"));
    EXPECT_FALSE(holdsSharedLock(file()));
    EXPECT_EQ(atOnce(file(), "INSERT INTO VOK (Q) VALUES ('other'); SELECT count(*) FROM VOK;"), "4");
}

// However it ends, it leaves no transaction behind: a write after it is in
// the file at once (the shell sees it). Inside a
// workspace transaction it leaves that one to its owner: the Rollback
// takes back what the transaction wrote. A write inside it is refused, not
// kept for its end.
TEST_F(ReadsTogether, LeaveNoTransactionBehindAndATransactionOpenBeforeToItsOwner) {
    struct Case {
        const char* what;
        std::function<void(dao::DatabasePtr&, dao::RecordsetPtr&)> inside;
    };
    const Case cases[] = {
        {"left as it ends", [](dao::DatabasePtr&, dao::RecordsetPtr& rs) { rs->MoveLast(); }},
        {"left by an exception",
         [](dao::DatabasePtr&, dao::RecordsetPtr& rs) {
             rs->MoveFirst();
             throw std::runtime_error("gone");
         }},
        {"its database closed", [](dao::DatabasePtr& db, dao::RecordsetPtr&) { db->Close(); }},
        {"a write tried",
         [](dao::DatabasePtr&, dao::RecordsetPtr& rs) {
             EXPECT_NE(errorOf([&] { addItem(rs, "refused"); }), 0);
             rs->CancelUpdate();
         }},
    };
    openHolder("t.wkd");
    write(3);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        try {
            const dao::ReadTogether together(*items);
            c.inside(holder, items);
        } catch (const std::runtime_error&) {
        }
        if (!holder->IsOpen()) {
            holder = ws.OpenDatabase(file());
            items = holder->OpenRecordset("VOK");
        }
        EXPECT_FALSE(holdsSharedLock(file()));
        write(1);
        EXPECT_EQ(countInOtherProcess(file()), written);
    }

    ws.BeginTrans();
    write(1);
    {
        const dao::ReadTogether together(*items);
        items->MoveFirst();
    }
    ws.Rollback();
    --written;
    EXPECT_EQ(countInOtherProcess(file()), written);
    EXPECT_EQ(holder->OpenRecordset("VOK")->RecordCount(), written);
}
