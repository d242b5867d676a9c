// Reads held together in one read transaction (dao::ReadTogether), as the
// stock sqlite3 shell sees them from another process.
#include "SecondProcessSupport.h"
#include "platform/dao/ReadTogether.h"

#include <sys/stat.h>

#include <stdexcept>

using namespace daotest;

namespace {

class ReadsTogether : public SecondProcess {
protected:
    // The shell's output for sql when it may not wait for a lock, or its error.
    static QString atOnce(const QString& file, const QString& sql) {
        QProcess p;
        p.start("sqlite3", {"-cmd", ".timeout 0", file, sql});
        EXPECT_TRUE(p.waitForFinished(15000));
        return QString::fromUtf8(p.exitCode() == 0 ? p.readAllStandardOutput() : p.readAllStandardError())
            .trimmed();
    }
    QString file() const { return path("t.wkd"); }
    // When and how the file was last written, read without opening it:
    // closing a descriptor of it would drop this process's locks.
    QString stamp() const {
        struct stat st {};
        ::stat(QFile::encodeName(file()).constData(), &st);
        return QString("%1 %2.%3").arg(st.st_size).arg(st.st_mtim.tv_sec).arg(st.st_mtim.tv_nsec);
    }
};

}  // namespace

// From its start to its end the read lock is held: another program reads, and
// its write is refused at once. A write inside is refused too, not kept for
// the end. However it ends, even when its first read is refused, it has
// written nothing and leaves no transaction behind: a write after it is in
// the file at once.
TEST_F(ReadsTogether, HoldTheReadLockUntilTheirEndAndLeaveNoTransactionBehind) {
    const struct {
        const char* what;
        std::function<void(dao::DatabasePtr&, dao::RecordsetPtr&)> inside;
        bool firstReadRefused = false;  // another program holds the file for itself meanwhile
    } cases[] = {
        {"left as it ends",
         [&](dao::DatabasePtr&, dao::RecordsetPtr& rs) {
             EXPECT_TRUE(holdsSharedLock(file()));
             rs->SetAbsolutePosition(2);
             EXPECT_EQ(rs->Value("Q").toString(), "item 2");
             EXPECT_EQ(atOnce(file(), "SELECT count(*) FROM VOK;"), "3");
             EXPECT_TRUE(
                 atOnce(file(), "INSERT INTO VOK (Q) VALUES ('other');").contains("database is locked"));
         }},
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
        {"its first read refused", [](dao::DatabasePtr&, dao::RecordsetPtr&) {}, true},
    };
    openHolder("t.wkd");
    write(3);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString before = stamp();
        QProcess other;
        if (c.firstReadRefused) {
            other.start("sqlite3", {file()});
            other.write("BEGIN EXCLUSIVE; SELECT 'mine';\n");
            ASSERT_TRUE(other.waitForReadyRead(20000));
        }
        try {
            const dao::ReadTogether together(*items);
            EXPECT_FALSE(c.firstReadRefused);
            c.inside(holder, items);
        } catch (const std::runtime_error&) {
        } catch (const wk::Error& e) {
            EXPECT_TRUE(c.firstReadRefused && e.number() == 3260) << e.what();
        }
        if (c.firstReadRefused) finish(other, "ROLLBACK;");
        EXPECT_EQ(stamp(), before);
        if (!holder->IsOpen()) {
            holder = ws.OpenDatabase(file());
            items = holder->OpenRecordset("VOK");
        }
        EXPECT_FALSE(holdsSharedLock(file()));
        write(1);
        EXPECT_EQ(countInOtherProcess(file()), written);
    }
}

// Within a workspace transaction it leaves that one to its owner's Rollback,
// whether the file has joined it yet or joins it inside.
TEST_F(ReadsTogether, LeaveATransactionOpenBeforeToItsOwner) {
    openHolder("t.wkd");
    write(3);
    for (const bool joined : {true, false}) {
        SCOPED_TRACE(joined ? "written before" : "written inside");
        ws.BeginTrans();
        if (joined) write(1);
        {
            const dao::ReadTogether together(*items);
            items->MoveFirst();
            if (!joined) write(1);
        }
        ws.Rollback();
        written = 3;
        EXPECT_EQ(countInOtherProcess(file()), 3);
        EXPECT_EQ(holder->OpenRecordset("VOK")->RecordCount(), 3);
    }
    // A transaction begun while reads are held together reads on in them.
    const dao::ReadTogether together(*items);
    ws.BeginTrans();
    items->MoveFirst();
    EXPECT_EQ(items->Value("Q").toString(), "item 0");
    ws.Rollback();
}
