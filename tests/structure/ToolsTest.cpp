// The README and the tools work from a fresh clone: every file of tools/
// they name is in the repository, and no tool reaches above it.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>

namespace {

QString readText(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

TEST(Repository, ToolsNameOnlyFilesOfTheRepository) {
    const QDir root(QStringLiteral(WK_SOURCE_DIR));
    QStringList files{QStringLiteral("README.md")};
    for (const QString& t : QDir(root.filePath("tools")).entryList(QDir::Files)) files << "tools/" + t;
    const QRegularExpression named(QStringLiteral("tools/[A-Za-z0-9_.-]+[A-Za-z0-9_-]"));
    const QRegularExpression above(QStringLiteral(R"(\.\./|"\.\."|'\.\.')"));
    int checked = 0;
    for (const QString& file : files) {
        const QString text = readText(root.filePath(file));
        ASSERT_FALSE(text.isEmpty()) << file.toStdString();
        for (auto it = named.globalMatch(text); it.hasNext();) {
            const QString path = it.next().captured();
            EXPECT_TRUE(QFile::exists(root.filePath(path)))
                << file.toStdString() << " names " << path.toStdString();
            ++checked;
        }
        if (file.startsWith("tools/")) {
            EXPECT_FALSE(above.match(text).hasMatch())
                << file.toStdString() << " reaches above the repository";
        }
    }
    EXPECT_GE(checked, 3);  // the README names the screenshot tool and its session script
}

}  // namespace
