#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "startup/modRegister.h"

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& data) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

// Undoes the quoting of a desktop entry's Exec value (string escapes first,
// then the quoting rule) and returns the arguments.
QStringList execArguments(const QString& value) {
    QString s;
    for (int i = 0; i < value.size(); ++i) {
        if (value[i] == QLatin1Char('\\') && i + 1 < value.size()) {
            const QChar n = value[++i];
            s += n == QLatin1Char('s')    ? QChar(' ')
                 : n == QLatin1Char('n')  ? QChar('\n')
                 : n == QLatin1Char('t')  ? QChar('\t')
                 : n == QLatin1Char('r')  ? QChar('\r')
                 : n == QLatin1Char('\\') ? QChar('\\')
                                          : (s += QLatin1Char('\\'), n);
        } else {
            s += value[i];
        }
    }
    QStringList args;
    QString cur;
    bool quoted = false, any = false;
    for (int i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (quoted) {
            if (c == QLatin1Char('\\') && i + 1 < s.size())
                cur += s[++i];
            else if (c == QLatin1Char('"'))
                quoted = false;
            else
                cur += c;
        } else if (c == QLatin1Char('"')) {
            quoted = any = true;
        } else if (c == QLatin1Char(' ')) {
            if (any) args << cur;
            cur.clear();
            any = false;
        } else {
            cur += c;
            any = true;
        }
    }
    if (any) args << cur;
    for (QString& a : args) a.replace(QStringLiteral("%%"), QStringLiteral("%"));
    return args;
}

class Register : public ::testing::Test {
protected:
    void SetUp() override {
        data = qEnvironmentVariable("XDG_DATA_HOME");
        ASSERT_FALSE(data.isEmpty());
        ASSERT_TRUE(data.startsWith(QDir::tempPath())) << "tests must never touch the user's data folder";
        QDir(data).removeRecursively();
        // The system's data folders, where an install puts its entry: the
        // test's own, so that an installed program does not count.
        system = data + "-system";
        QDir(system).removeRecursively();
        keptDirs = qgetenv("XDG_DATA_DIRS");
        qputenv("XDG_DATA_DIRS", ("/nonexistent/share:" + system).toUtf8());
    }
    void TearDown() override {
        QDir(system).removeRecursively();
        qputenv("XDG_DATA_DIRS", keptDirs);
    }
    QString data, system;
    QByteArray keptDirs;
    QString desktop() const { return data + "/applications/wortkiste.desktop"; }
    QString mimeXml() const { return data + "/mime/packages/wortkiste.xml"; }
    QString mimeapps() const { return data + "/applications/mimeapps.list"; }
    QString icon() const { return data + "/icons/hicolor/scalable/apps/wortkiste.svg"; }
};

ino_t inode(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

}  // namespace

TEST_F(Register, WritesTheFilesUnderTheDataFolderAndRepeatsIdentically) {
    const QString program = "/opt/Vok Trainer/bin/wortkiste";
    ASSERT_TRUE(modRegister::RegisterFileType(program));

    const QString entry = QString::fromUtf8(readAll(desktop()));
    EXPECT_TRUE(entry.startsWith("[Desktop Entry]\n"));
    EXPECT_TRUE(entry.contains("\nType=Application\n"));
    EXPECT_TRUE(entry.contains("\nMimeType=application/x-wortkiste;\n"));
    EXPECT_TRUE(entry.contains("\nIcon=wortkiste\n"));
    EXPECT_TRUE(entry.contains("\nExec=\"/opt/Vok Trainer/bin/wortkiste\" %f\n")) << entry.toStdString();
    // Shown in the desktop's menus, among the programs for learning.
    EXPECT_FALSE(entry.contains("NoDisplay")) << entry.toStdString();
    EXPECT_FALSE(entry.contains("Hidden")) << entry.toStdString();
    EXPECT_TRUE(entry.contains("\nCategories=Education;Languages;\n")) << entry.toStdString();

    const QByteArray mime = readAll(mimeXml());
    EXPECT_TRUE(mime.contains("type=\"application/x-wortkiste\""));
    EXPECT_TRUE(mime.contains("<glob pattern=\"*.wkd\""));
    EXPECT_TRUE(readAll(mimeapps()).contains("application/x-wortkiste=wortkiste.desktop;"));
    EXPECT_TRUE(readAll(icon()).startsWith("<svg"));
    if (!QStandardPaths::findExecutable("update-mime-database").isEmpty()) {
        // The tool ran: the type is known to the desktop, with its glob.
        EXPECT_TRUE(readAll(data + "/mime/globs2").contains("application/x-wortkiste:*.wkd"));
    }

    // The next start finds everything in place and replaces no file.
    const QStringList files = {desktop(), mimeXml(), mimeapps(), icon()};
    QList<QByteArray> before;
    QList<ino_t> inodes;
    for (const QString& f : files) {
        before << readAll(f);
        inodes << inode(f);
    }
    ASSERT_TRUE(modRegister::RegisterFileType(program));
    for (int i = 0; i < files.size(); ++i) {
        EXPECT_EQ(readAll(files[i]), before[i]) << files[i].toStdString();
        EXPECT_EQ(inode(files[i]), inodes[i]) << files[i].toStdString();
    }

    // A moved program is registered anew at its next start.
    ASSERT_TRUE(modRegister::RegisterFileType("/usr/local/bin/wortkiste"));
    EXPECT_TRUE(readAll(desktop()).contains("\nExec=\"/usr/local/bin/wortkiste\" %f\n"));
}

TEST_F(Register, ExecLineQuotesEveryAwkwardPath) {
    for (const QString& path : {QStringLiteral("/a b/wortkiste"), QStringLiteral("/x/\"q\"/w`k$HOME"),
                                QStringLiteral("/back\\slash/100%/wk"), QStringLiteral("/plain/wk")}) {
        const QString exec = modRegister::DesktopExec(path);
        EXPECT_EQ(execArguments(exec), (QStringList{path, "%f"})) << exec.toStdString();
    }
    EXPECT_EQ(modRegister::DesktopExec("/x/\"q\""), "\"/x/\\\\\"q\\\\\"\" %f");
    EXPECT_EQ(modRegister::DesktopExec("/b\\s"), "\"/b\\\\\\\\s\" %f");
}

TEST_F(Register, MimeappsListKeepsEveryOtherEntry) {
    const QByteArray old =
        "# my settings\n"
        "[Default Applications]\n"
        "text/plain=org.gnome.gedit.desktop;\n"
        "application/x-wortkiste=other.desktop;\n"
        "\n"
        "[Added Associations]\n"
        "image/png=eog.desktop;gimp.desktop;\n"
        "\n"
        "[Removed Associations]\n"
        "application/x-wortkiste=wortkiste.desktop;foo.desktop;\n"
        "text/html=bad.desktop;\n";
    writeAll(mimeapps(), old);
    ASSERT_TRUE(modRegister::RegisterFileType("/opt/wk/wortkiste"));
    const QByteArray expected =
        "# my settings\n"
        "[Default Applications]\n"
        "text/plain=org.gnome.gedit.desktop;\n"
        "application/x-wortkiste=wortkiste.desktop;other.desktop;\n"
        "\n"
        "[Added Associations]\n"
        "image/png=eog.desktop;gimp.desktop;\n"
        "application/x-wortkiste=wortkiste.desktop;\n"
        "\n"
        "[Removed Associations]\n"
        "application/x-wortkiste=foo.desktop;\n"
        "text/html=bad.desktop;\n";
    EXPECT_EQ(readAll(mimeapps()), expected);
    ASSERT_TRUE(modRegister::RegisterFileType("/opt/wk/wortkiste"));
    EXPECT_EQ(readAll(mimeapps()), expected);
}

TEST(RegisterList, GroupsAreAddedAndOddFilesSurvive) {
    using modRegister::WithDefaultApplication;
    const QString mime = "application/x-wortkiste", id = "wortkiste.desktop";
    EXPECT_EQ(WithDefaultApplication("", mime, id),
              "[Default Applications]\napplication/x-wortkiste=wortkiste.desktop;\n\n"
              "[Added Associations]\napplication/x-wortkiste=wortkiste.desktop;\n");
    // No final line end, Windows line ends and a last value without ';'.
    EXPECT_EQ(WithDefaultApplication("[Default Applications]\r\nx/y=a.desktop", mime, id),
              "[Default Applications]\r\nx/y=a.desktop\r\napplication/x-wortkiste=wortkiste.desktop;\r\n\r\n"
              "[Added Associations]\r\napplication/x-wortkiste=wortkiste.desktop;\r\n");
    // Our id listed twice and not first: once, first.
    EXPECT_EQ(WithDefaultApplication(
                  "[Added Associations]\napplication/x-wortkiste = a.desktop;wortkiste.desktop;"
                  "wortkiste.desktop;\n[Default Applications]\napplication/x-wortkiste=wortkiste.desktop;\n",
                  mime, id),
              "[Added Associations]\napplication/x-wortkiste=wortkiste.desktop;a.desktop;\n"
              "[Default Applications]\napplication/x-wortkiste=wortkiste.desktop;\n");
}

TEST_F(Register, UnreadableListIsNotReplaced) {
    // Something in the list's place that cannot be read as a file (root
    // reads every file, so a folder stands in for an unreadable one).
    ASSERT_TRUE(QDir().mkpath(mimeapps() + "/keep"));
    EXPECT_FALSE(modRegister::RegisterFileType("/opt/wk/wortkiste"));
    EXPECT_TRUE(QFileInfo(mimeapps() + "/keep").isDir());
    EXPECT_TRUE(QFile::exists(desktop())) << "the other files are still written";
    EXPECT_TRUE(QFile::exists(mimeXml()));
}

// An installed entry is never shadowed by one a start writes: none is
// written while the system has one, an earlier start's goes then, and an
// entry the user or a per-user install put in place is never replaced.
TEST_F(Register, NoStartShadowsAnInstalledEntry) {
    QFile installedFile(":/desktop/wortkiste.desktop");
    ASSERT_TRUE(installedFile.open(QIODevice::ReadOnly));
    const QByteArray installed = installedFile.readAll();
    const QByteArray written =  // by a start from a build tree, before entries were marked
        QByteArray(installed).replace("Exec=wortkiste %f", "Exec=\"/src/build/wortkiste\" %f");
    ASSERT_NE(written, installed);
    const QByteArray own = "[Desktop Entry]\nType=Application\nName=My Wortkiste\nExec=/opt/wk %f\n";
    struct Case {
        const char* what;
        bool systemEntry;
        QByteArray before;  // the per-user entry, empty for none
        QByteArray after;   // empty: none; "new": this start's
    };
    const Case cases[] = {
        {"installed, none per user", true, "", ""},
        {"installed, a start's marked one", true, "new", ""},
        {"installed, a start's from before the mark", true, written, ""},
        {"installed for this user alone", false, installed, installed},
        {"the user's own", false, own, own},
        {"nothing installed, a start's from before the mark", false, written, "new"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QDir(data).removeRecursively();
        QDir(system).removeRecursively();
        QByteArray fresh;
        if (c.before == "new" || c.after == "new") {
            ASSERT_TRUE(modRegister::RegisterFileType("/usr/bin/wortkiste-new"));
            fresh = readAll(desktop());
            ASSERT_TRUE(fresh.contains("Exec=\"/usr/bin/wortkiste-new\" %f"));
            QDir(data).removeRecursively();
        }
        if (!c.before.isEmpty()) writeAll(desktop(), c.before == "new" ? fresh : c.before);
        if (c.systemEntry) writeAll(system + "/applications/wortkiste.desktop", installed);
        EXPECT_TRUE(modRegister::RegisterFileType("/usr/bin/wortkiste-new"));
        if (c.after.isEmpty())
            EXPECT_FALSE(QFile::exists(desktop()));
        else
            EXPECT_EQ(readAll(desktop()), c.after == "new" ? fresh : c.after);
        // The file type stays the program's either way.
        EXPECT_TRUE(readAll(mimeapps()).contains("application/x-wortkiste=wortkiste.desktop;"));
    }
}
