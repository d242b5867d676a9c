#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>
#include <QXmlStreamReader>
#include <cstdio>
#include <cstdlib>

#include "platform/shell/Shell.h"

// ---- child process ---------------------------------------------------------
// Started with WK_LOCK_CHILD set, this test program does not run its tests:
// it tries the named lock, prints "locked" or "busy" and, when it got the
// lock, holds it until the file WK_LOCK_CHILD_STOP appears (or a minute).
namespace {
struct LockChild {
    LockChild() {
        const char* name = std::getenv("WK_LOCK_CHILD");
        if (!name) return;
        const bool ok = shell::AcquireInstanceLock(QString::fromUtf8(name));
        std::printf("%s\n", ok ? "locked" : "busy");
        std::fflush(stdout);
        if (ok) {
            const QString stop = qEnvironmentVariable("WK_LOCK_CHILD_STOP");
            for (int i = 0; i < 3000 && !QFile::exists(stop); ++i) QThread::msleep(20);
        }
        _exit(0);
    }
} lockChild;

QProcessEnvironment childEnv(const QString& name, const QString& stopFile) {
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("WK_LOCK_CHILD"), name);
    env.insert(QStringLiteral("WK_LOCK_CHILD_STOP"), stopFile);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), shell::LockFolder());
    return env;
}

// Starts a child on `name` and returns its first answer.
QString startChild(QProcess& p, const QString& name, const QString& stopFile) {
    p.setProcessEnvironment(childEnv(name, stopFile));
    p.start(QCoreApplication::applicationFilePath(), {});
    if (!p.waitForStarted(10000)) return QStringLiteral("not started");
    while (!p.canReadLine())
        if (!p.waitForReadyRead(20000)) return QStringLiteral("no answer");
    return QString::fromUtf8(p.readLine()).trimmed();
}

QString uniqueName(const char* what) {
    return QStringLiteral("%1 test %2_APPLICATION_MUTEX")
        .arg(QLatin1String(what))
        .arg(QCoreApplication::applicationPid());
}

class ShellLock : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        stop = tmp.filePath(QStringLiteral("stop"));
    }
    QTemporaryDir tmp;
    QString stop;
};
}  // namespace

TEST_F(ShellLock, HeldByAnotherProcessUntilItIsKilled) {
    const QString name = uniqueName("killed");
    QProcess holder;
    ASSERT_EQ(startChild(holder, name, stop), "locked");
    EXPECT_FALSE(shell::AcquireInstanceLock(name));
    EXPECT_FALSE(shell::AcquireInstanceLock(name)) << "a refused attempt must not take the lock later";

    holder.kill();  // SIGKILL: no clean-up runs in the holder
    ASSERT_TRUE(holder.waitForFinished(10000));
    EXPECT_TRUE(shell::AcquireInstanceLock(name));

    // Now this process holds it: another process is refused, and gets it
    // once this process gives it back.
    QProcess second;
    EXPECT_EQ(startChild(second, name, stop), "busy");
    second.waitForFinished(10000);
    shell::ReleaseInstanceLock(name);
    QProcess third;
    EXPECT_EQ(startChild(third, name, stop), "locked");
    QFile(stop).open(QIODevice::WriteOnly);
    EXPECT_TRUE(third.waitForFinished(10000));
}

TEST_F(ShellLock, ReleasedWhenTheHolderEndsNormallyAndNamesAreDistinct) {
    const QString first = QStringLiteral(" 4.3") + uniqueName("");
    const QString second = QStringLiteral("Wortkiste 4.3") + uniqueName("");
    QProcess holder;
    ASSERT_EQ(startChild(holder, first, stop), "locked");
    EXPECT_TRUE(shell::AcquireInstanceLock(second)) << "a lock of another name is free";
    EXPECT_FALSE(shell::AcquireInstanceLock(first));
    // Each test process has its own runtime folder, so parallel tests never
    // meet each other's locks.
    EXPECT_EQ(shell::LockFolder(), qEnvironmentVariable("XDG_RUNTIME_DIR"));
    EXPECT_TRUE(QFileInfo(shell::LockFolder()).isDir());
    EXPECT_FALSE(QDir(shell::LockFolder()).entryList({QStringLiteral("*4.3*.lock")}, QDir::Files).isEmpty());

    QFile(stop).open(QIODevice::WriteOnly);
    ASSERT_TRUE(holder.waitForFinished(10000));
    EXPECT_EQ(holder.exitCode(), 0);
    EXPECT_TRUE(shell::AcquireInstanceLock(first));
    EXPECT_TRUE(shell::AcquireInstanceLock(first)) << "taking a lock we hold answers true";
    shell::ReleaseInstanceLock(first);
    shell::ReleaseInstanceLock(second);
}

TEST_F(ShellLock, NewInstanceIsStartedDetached) {
    // The new instance is this test program in its child role; that it runs
    // shows in the lock it takes.
    const QString name = uniqueName("detached");
    qputenv("WK_LOCK_CHILD", name.toUtf8());
    qputenv("WK_LOCK_CHILD_STOP", stop.toUtf8());
    const QByteArray oldRuntime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", shell::LockFolder().toUtf8());
    const bool started = shell::StartNewInstance();
    qunsetenv("WK_LOCK_CHILD");
    qunsetenv("WK_LOCK_CHILD_STOP");
    qputenv("XDG_RUNTIME_DIR", oldRuntime);
    ASSERT_TRUE(started);

    QElapsedTimer t;
    t.start();
    bool refused = false;
    // Wait until the child holds the lock (we must not take it first).
    while (t.elapsed() < 20000 && !refused) {
        QDir dir(shell::LockFolder());
        if (!dir.entryList({QStringLiteral("*detached*")}, QDir::Files).isEmpty()) {
            refused = !shell::AcquireInstanceLock(name);
            if (!refused) shell::ReleaseInstanceLock(name);  // we won the race; retry
        }
        if (!refused) QThread::msleep(20);
    }
    EXPECT_TRUE(refused);
    QFile(stop).open(QIODevice::WriteOnly);
    t.restart();
    bool got = false;
    while (t.elapsed() < 20000 && !(got = shell::AcquireInstanceLock(name))) QThread::msleep(20);
    EXPECT_TRUE(got);
    shell::ReleaseInstanceLock(name);
}

// ---- temporary files -------------------------------------------------------

TEST(ShellTemp, NamesAreUniqueCreatedAndInsideTheFolder) {
    QTemporaryDir tmp;
    const QString folder = tmp.path() + QStringLiteral("/TEMP");
    ASSERT_TRUE(QDir().mkpath(folder));
    QSet<QString> seen;
    for (int i = 0; i < 300; ++i) {
        const QString path =
            shell::CreateTempFile(folder + QLatin1Char('/'), i % 2 ? QStringLiteral("wkfoo") : QString());
        ASSERT_FALSE(path.isEmpty());
        EXPECT_FALSE(seen.contains(path));
        seen.insert(path);
        const QFileInfo fi(path);
        EXPECT_TRUE(fi.isFile());
        EXPECT_EQ(fi.size(), 0);
        EXPECT_EQ(fi.absolutePath(), QFileInfo(folder).absoluteFilePath());
        EXPECT_TRUE(fi.fileName().endsWith(QLatin1String(".tmp")));
        if (i % 2) {
            EXPECT_TRUE(fi.fileName().startsWith(QLatin1String("wkf")));
            EXPECT_FALSE(fi.fileName().startsWith(QLatin1String("wkfo")));
        }
    }
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 300);
}

TEST(ShellTemp, MissingFolderGivesNoName) {
    QTemporaryDir tmp;
    EXPECT_EQ(shell::CreateTempFile(tmp.filePath(QStringLiteral("nothere"))), QString());
    EXPECT_EQ(shell::CreateTempFile(QString()), QString());
    EXPECT_FALSE(QFileInfo::exists(tmp.filePath(QStringLiteral("nothere"))));
    if (geteuid() != 0) {  // root writes everywhere
        ASSERT_TRUE(QFile::setPermissions(tmp.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        EXPECT_EQ(shell::CreateTempFile(tmp.path()), QString());
        QFile::setPermissions(tmp.path(),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
}

// ---- desktop ---------------------------------------------------------------

namespace {
class UrlCatcher : public QObject {
    Q_OBJECT
public slots:
    void open(const QUrl& url) { urls << url; }

public:
    QList<QUrl> urls;
};
}  // namespace

TEST(ShellDesktop, OpenDocumentHandsOverOneUrl) {
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "open");
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
    QTemporaryDir tmp;
    const QString odd = tmp.filePath(QStringLiteral("my \"list\" & 'more' #1.txt"));
    QFile(odd).open(QIODevice::WriteOnly);

    EXPECT_TRUE(shell::OpenDocument(QStringLiteral("https://wortkiste.example.org/help?x=1")));
    EXPECT_TRUE(shell::OpenDocument(odd));
    EXPECT_FALSE(shell::OpenDocument(QStringLiteral("   ")));
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));

    ASSERT_EQ(catcher.urls.size(), 2);
    EXPECT_EQ(catcher.urls[0].toString(), QStringLiteral("https://wortkiste.example.org/help?x=1"));
    EXPECT_TRUE(catcher.urls[1].isLocalFile());
    EXPECT_EQ(catcher.urls[1].toLocalFile(), odd);
}

TEST(ShellDesktop, ScreenFoldersAndFonts) {
    EXPECT_GT(shell::GetColorDepth(), 8);  // the offscreen screen is 32 bits

    const QString docs = shell::DocumentsFolder();
    EXPECT_TRUE(QDir::isAbsolutePath(docs));
    EXPECT_FALSE(docs.endsWith(QLatin1Char('/')));

    const QStringList all = shell::FontFamilies();
    const QStringList scalable = shell::FontFamilies(true);
    ASSERT_FALSE(all.isEmpty());
    ASSERT_FALSE(scalable.isEmpty());  // DejaVu is installed with the program
    for (const QString& f : scalable) {
        EXPECT_TRUE(all.contains(f)) << f.toStdString();
        EXPECT_TRUE(QFontDatabase::isScalable(f)) << f.toStdString();
    }
    EXPECT_EQ(QSet<QString>(all.begin(), all.end()).size(), all.size());
}

TEST(ShellDesktop, FacesOfSeveralFoundriesAreListedOnce) {
    EXPECT_EQ(
        shell::UniqueFaces({"C059 [UKWN]", "DejaVu Sans", "C059 [urw]", "Nimbus Sans [urw]", "DejaVu Sans"}),
        (QStringList{"C059", "DejaVu Sans", "Nimbus Sans"}));
    for (const QString& face : shell::FontFamilies(true))
        EXPECT_FALSE(face.contains('[')) << face.toStdString();
}

TEST(ShellDesktop, TheOldPlatformsFacesShowWithTheDesktopsOwn) {
    shell::SubstituteMissingFonts();
    shell::SubstituteMissingFonts();  // once is enough, twice does no harm
    const QString sans = QFontInfo(QFontDatabase::systemFont(QFontDatabase::GeneralFont)).family();
    ASSERT_FALSE(QFontDatabase::hasFamily("MS Sans Serif"));
    EXPECT_EQ(QFontInfo(QFont("MS Sans Serif", 8)).family(), sans);
    EXPECT_EQ(QFont("MS Sans Serif").family(), "MS Sans Serif");  // the name itself is kept
}

// ---- recent documents ------------------------------------------------------

namespace {
class ShellRecent : public ::testing::Test {
protected:
    void SetUp() override {
        list = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
               QStringLiteral("/recently-used.xbel");
        QDir().mkpath(QFileInfo(list).absolutePath());
        QFile::remove(list);
        doc = tmp.filePath(QStringLiteral("Französisch 1.wkd"));
    }
    void TearDown() override { QFile::remove(list); }
    void writeList(const QByteArray& text) {
        QFile f(list);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    QByteArray readList() {
        QFile f(list);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // Bookmarks by href, and the count of our application in ours.
    QStringList hrefs(int* ourCount = nullptr) {
        QXmlStreamReader r(readList());
        QStringList out;
        QString current;
        while (!r.atEnd()) {
            r.readNext();
            if (!r.isStartElement()) continue;
            if (r.name() == QLatin1String("bookmark")) {
                current = r.attributes().value(QLatin1String("href")).toString();
                out << current;
            }
            if (ourCount && r.name() == QLatin1String("application") &&
                r.attributes().value(QLatin1String("name")) == QCoreApplication::applicationName() &&
                QUrl(current).toLocalFile() == doc)
                *ourCount = r.attributes().value(QLatin1String("count")).toInt();
        }
        EXPECT_FALSE(r.hasError()) << r.errorString().toStdString();
        return out;
    }
    QTemporaryDir tmp;
    QString list, doc;
};

const QByteArray kOtherList =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<xbel version=\"1.0\"\n"
    "      xmlns:bookmark=\"http://www.freedesktop.org/standards/desktop-bookmarks\"\n"
    "      xmlns:mime=\"http://www.freedesktop.org/standards/shared-mime-info\"\n>\n"
    "  <bookmark href=\"file:///home/u/notes.txt\" added=\"2026-01-01T10:00:00.000000Z\" "
    "modified=\"2026-01-01T10:00:00.000000Z\" visited=\"2026-01-01T10:00:00.000000Z\">\n"
    "    <info>\n      <metadata owner=\"http://freedesktop.org\">\n"
    "        <mime:mime-type type=\"text/plain\"/>\n"
    "        <bookmark:applications>\n"
    "          <bookmark:application name=\"gedit\" exec=\"&apos;gedit %u&apos;\" "
    "modified=\"2026-01-01T10:00:00.000000Z\" count=\"3\"/>\n"
    "        </bookmark:applications>\n      </metadata>\n    </info>\n  </bookmark>\n"
    "</xbel>";
}  // namespace

TEST_F(ShellRecent, NothingWhereTheDesktopKeepsNoList) {
    EXPECT_FALSE(shell::AddToRecentDocs(doc));
    EXPECT_FALSE(QFile::exists(list));
}

TEST_F(ShellRecent, AddsOnceKeepsOtherEntriesAndReplacesTheFile) {
    writeList(kOtherList);
    struct stat before {};
    ASSERT_EQ(::stat(QFile::encodeName(list).constData(), &before), 0);

    ASSERT_TRUE(shell::AddToRecentDocs(doc));
    struct stat after {};
    ASSERT_EQ(::stat(QFile::encodeName(list).constData(), &after), 0);
    EXPECT_NE(before.st_ino, after.st_ino) << "the list must be replaced by rename, not rewritten in place";

    int count = 0;
    QStringList h = hrefs(&count);
    ASSERT_EQ(h.size(), 2);
    EXPECT_EQ(h[0], QStringLiteral("file:///home/u/notes.txt"));
    EXPECT_EQ(QUrl(h[1]).toLocalFile(), doc);
    EXPECT_EQ(count, 1);
    const QByteArray text = readList();
    EXPECT_TRUE(text.contains("name=\"gedit\""));
    EXPECT_TRUE(text.contains("count=\"3\""));
    EXPECT_TRUE(text.contains("application/x-wortkiste"));

    // The same file again: still one bookmark, used twice.
    ASSERT_TRUE(shell::AddToRecentDocs(doc));
    h = hrefs(&count);
    EXPECT_EQ(h.size(), 2);
    EXPECT_EQ(count, 2);
}

TEST_F(ShellRecent, EmptyListIsStartedAndDamagedListIsLeftAlone) {
    writeList("");
    ASSERT_TRUE(shell::AddToRecentDocs(doc));
    int count = 0;
    EXPECT_EQ(hrefs(&count).size(), 1);
    EXPECT_EQ(count, 1);

    const QByteArray damaged = kOtherList.left(kOtherList.size() / 2);
    writeList(damaged);
    EXPECT_FALSE(shell::AddToRecentDocs(doc));
    EXPECT_EQ(readList(), damaged);
    EXPECT_EQ(QDir(QFileInfo(list).absolutePath())
                  .entryList({QStringLiteral("recently-used*")}, QDir::Files)
                  .size(),
              1)
        << "no half-written file may be left beside the list";
}

#include "ShellTest.moc"
