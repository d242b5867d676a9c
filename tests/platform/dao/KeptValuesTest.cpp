// Values a recordset keeps from earlier reads, while another program commits
// through a connection of its own: never older than what this connection has
// read since, and asked for again when a new user action begins.
#include "DaoTestSupport.h"
#include "platform/dao/UserAction.h"

#include <sqlite3.h>

#include <QFile>
#include <QKeyEvent>
#include <QMouseEvent>

using namespace daotest;

namespace {

class KeptValuesTest : public DaoTest {
protected:
    static constexpr int kRows = 600;
    dao::DatabasePtr db;
    sqlite3* other = nullptr;

    void SetUp() override {
        db = freshDb();
        auto rs = db->OpenRecordset("VOK");
        ws.BeginTrans();
        for (int i = 0; i < kRows; ++i) addItem(rs, q(i));
        ws.CommitTrans();
        ASSERT_EQ(sqlite3_open(QFile::encodeName(path("test.wkd")).constData(), &other), SQLITE_OK);
        sqlite3_busy_timeout(other, 5000);
    }
    void TearDown() override { sqlite3_close(other); }

    static QString q(long i) { return QString("q%1").arg(i, 3, 10, QChar('0')); }

    // Another program sets the points of row i and commits.
    void commitElsewhere(long i, int points) {
        const QByteArray sql =
            QString("UPDATE VOK SET Punkte = %1 WHERE Q = '%2'").arg(points).arg(q(i)).toUtf8();
        ASSERT_EQ(sqlite3_exec(other, sql.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
    }
    int storedPoints(long i) {
        return db->OpenRecordset("SELECT Punkte FROM VOK WHERE Q = ?", dao::dbOpenDynaset, {q(i)})
            ->Value("Punkte")
            .toInt();
    }
    // A walk over the first `to` rows, as a grid fill reads them.
    static void walk(const dao::RecordsetPtr& rs, long to) {
        for (long i = 0; i < to; ++i) {
            rs->SetAbsolutePosition(i);
            rs->Value("Q");
            rs->Value("Punkte");
        }
    }
};

// How a set comes to keep row 200's points: read ahead in a block, in the
// one pass of a long walk, or with the keys.
struct Keeping {
    const char* name;
    QStringList keep;
    long walkTo;
};
const Keeping kKeepings[] = {
    {"read ahead", {}, 150},
    {"long walk", {}, 400},
    {"with the keys", {"Punkte"}, 0},
};

// Once this connection has read another program's commit, a kept value from
// before it is not served, and reading, editing and writing it back does
// not undo the other program's change.
TEST_F(KeptValuesTest, NeverOlderThanWhatTheConnectionHasRead) {
    for (const Keeping& k : kKeepings) {
        SCOPED_TRACE(k.name);
        auto rs = db->OpenRecordset("SELECT * FROM VOK ORDER BY Q", dao::dbOpenDynaset, {}, k.keep);
        walk(rs, k.walkTo);
        rs->SetAbsolutePosition(200);
        const int before = rs->Value("Punkte").toInt();

        commitElsewhere(200, before + 7);
        ASSERT_EQ(storedPoints(200), before + 7);  // this connection reads it
        const int read = rs->Value("Punkte").toInt();
        EXPECT_EQ(read, before + 7);
        rs->Edit();
        rs->SetValue("Punkte", read + 1);
        rs->Update();
        EXPECT_EQ(storedPoints(200), before + 8);
    }
}

// Another program's commit reaches kept values when the next action begins,
// without any read of this connection in between.
TEST_F(KeptValuesTest, ANewActionAsksAgain) {
    const std::pair<const char*, std::function<void()>> kActions[] = {
        {"said by the caller", [] { dao::NewAction(); }},
        {"the event loop wakes", [] { QCoreApplication::processEvents(); }},
        // Two keys read in one wake of the loop: the second is an action of
        // its own.
        {"a key in the same wake",
         [] {
             QObject receiver;
             QKeyEvent key(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
             QCoreApplication::sendEvent(&receiver, &key);
         }},
        // A click begins an action as it goes down, before its release.
        {"a mouse press in the same wake",
         [] {
             QObject receiver;
             QMouseEvent press(QEvent::MouseButtonPress, QPointF(1, 1), QPointF(1, 1), Qt::LeftButton,
                               Qt::LeftButton, Qt::NoModifier);
             QCoreApplication::sendEvent(&receiver, &press);
         }},
    };
    for (const auto& [name, begin] : kActions) {
        SCOPED_TRACE(name);
        auto rs = db->OpenRecordset("SELECT * FROM VOK ORDER BY Q");
        walk(rs, 150);
        rs->SetAbsolutePosition(100);
        const int before = rs->Value("Punkte").toInt();
        commitElsewhere(100, before + 3);
        begin();
        EXPECT_EQ(rs->Value("Punkte").toInt(), before + 3);
    }
}

// The set's own write moves the connection's version on by one; another
// program's commit read by that write moves it on once more, and the kept
// values from before it must go.
TEST_F(KeptValuesTest, OwnWriteAfterAnotherCommitDropsTheKeptValues) {
    // (An edit asks SQLite before it begins.)
    const std::pair<const char*, std::function<void(const dao::RecordsetPtr&)>> kWrites[] = {
        {"add", [](const dao::RecordsetPtr& rs) { addItem(rs, "z added"); }},
        {"delete",
         [](const dao::RecordsetPtr& rs) {
             rs->SetAbsolutePosition(20);
             rs->Delete();
         }},
    };
    for (const auto& [name, write] : kWrites) {
        SCOPED_TRACE(name);
        auto rs = db->OpenRecordset("SELECT * FROM VOK ORDER BY Q");
        walk(rs, 400);
        rs->SetAbsolutePosition(100);
        const int before = rs->Value("Punkte").toInt();
        commitElsewhere(100, before + 7);
        write(rs);
        rs->SetAbsolutePosition(name == std::string("delete") ? 99 : 100);
        EXPECT_EQ(rs->Value("Punkte").toInt(), before + 7);
    }
}

}  // namespace
