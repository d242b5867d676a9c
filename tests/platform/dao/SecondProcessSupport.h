#pragma once
// Another process on the same file, as the stock sqlite3 shell, a script or
// a second instance of the program in another session would be.
#include "DaoTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <sys/stat.h>
#include <unistd.h>

namespace daotest {

inline QByteArray bytesOf(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void put(const QString& file, const QByteArray& data) {
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(data), data.size());
}

class SecondProcess : public DaoTest {
protected:
    void SetUp() override {
        if (QStandardPaths::findExecutable("sqlite3").isEmpty()) GTEST_SKIP() << "no sqlite3 shell";
    }

    // The other process: opens the file, runs sql, closes it and ends.
    // It waits `wait` ms for a lock (0: refused where it cannot have it at once).
    static QString shell(const QString& file, const QString& sql, int wait = 5000) {
        QProcess p;
        p.start("sqlite3", {"-cmd", QString(".timeout %1").arg(wait), file, sql});
        EXPECT_TRUE(p.waitForFinished(15000));
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }
    static int countInOtherProcess(const QString& file) {
        return shell(file, "SELECT count(*) FROM VOK;").toInt();
    }

    static ino_t inode(const QString& file) {
        struct stat st {};
        return ::stat(QFile::encodeName(file).constData(), &st) == 0 ? st.st_ino : 0;
    }

    // Whether this process still holds SQLite's shared lock on the file.
    static bool holdsSharedLock(const QString& file) {
        QFile locks("/proc/locks");
        if (!locks.open(QIODevice::ReadOnly)) return false;
        const QByteArray pid = QByteArray::number(qint64(::getpid()));
        const QByteArray ino = ":" + QByteArray::number(quint64(inode(file)));
        for (const QByteArray& line : locks.readAll().split('\n')) {
            const QList<QByteArray> f = line.simplified().split(' ');
            // "1: POSIX ADVISORY READ pid maj:min:inode start end"
            if (f.size() >= 8 && f[1] == "POSIX" && f[4] == pid && f[5].endsWith(ino) && f[6] == "1073741826")
                return true;
        }
        return false;
    }

    dao::DatabasePtr holder;
    dao::RecordsetPtr items;
    int written = 0;

    void openHolder(const QString& name) {
        auto db = freshDb(name);
        db->Close();
        holder = ws.OpenDatabase(path(name));
        items = holder->OpenRecordset("VOK");
    }
    void write(int n) {
        for (int i = 0; i < n; ++i) addItem(items, QString("item %1").arg(written++));
    }

    // The other program: has opened the file, but not read it yet, so it
    // holds no lock that anyone could see.
    static bool startHavingOpened(QProcess& other, const QString& file) {
        other.start("sqlite3", {"-cmd", ".timeout 5000", file});
        if (!other.waitForStarted()) return false;
        const QString target = QFileInfo(file).canonicalFilePath();
        const QString fds = QString("/proc/%1/fd").arg(other.processId());
        return waitFor([&] {
            for (const QString& fd :
                 QDir(fds).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System))
                if (QFileInfo(fds + "/" + fd).symLinkTarget() == target) return true;
            return false;
        });
    }
    // Runs sql in it, then lets it end; its output.
    static QString finish(QProcess& other, const QString& sql) {
        other.write((sql + "\n.quit\n").toUtf8());
        other.closeWriteChannel();
        EXPECT_TRUE(other.waitForFinished(30000));
        EXPECT_EQ(other.exitCode(), 0) << other.readAllStandardError().toStdString();
        return QString::fromUtf8(other.readAllStandardOutput()).trimmed();
    }
    static QString messageOf(const std::function<void()>& fn) {
        try {
            fn();
        } catch (const wk::Error& e) {
            return e.description();
        }
        return {};
    }
};

}  // namespace daotest
