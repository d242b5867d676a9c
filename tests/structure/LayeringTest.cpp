// The sources depend in one direction only: each folder below src/ may
// include its own headers and those of the folders beneath it, never one
// above. The order is written down here once; the build (CMakeLists.txt)
// links the libraries along the same order.
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QTextStream>
#include <map>
#include <set>
#include <vector>

namespace {

// Each folder with the folders it builds on directly. A folder may use
// everything beneath those as well. Entries only name folders listed before
// them, so the order cannot go round in a circle.
const std::vector<std::pair<QString, std::vector<QString>>> kLayers = {
    {"platform", {}},  // the shared error type
    {"platform/dao", {"platform"}},
    {"platform/forms", {"platform"}},
    {"platform/dialogs", {"platform/forms"}},
    {"platform/grid", {"platform/forms"}},  // its key events carry the forms layer's codes
    {"platform/media", {"platform/dao"}},   // files the layer holds are not read
    {"platform/shell", {"platform"}},
    {"core", {"platform/dao", "platform/dialogs", "platform/grid", "platform/media", "platform/shell"}},
    {"vocabdb", {"core"}},
    {"overview", {"vocabdb"}},
    {"testengine", {"vocabdb"}},
    {"upgrade", {"vocabdb"}},
    {"editor", {"overview"}},
    {"exchange", {"testengine"}},
    {"mainwindow", {"editor", "exchange", "upgrade"}},
    {"startup", {"mainwindow"}},
    {"app", {"startup"}},
};

// folder -> every folder it may include (itself and all beneath it).
std::map<QString, std::set<QString>> allowedIncludes() {
    std::map<QString, std::set<QString>> allowed;
    for (const auto& [folder, below] : kLayers) {
        std::set<QString> reach{folder};
        for (const QString& b : below) {
            auto it = allowed.find(b);
            if (it != allowed.end()) reach.insert(it->second.begin(), it->second.end());
        }
        allowed[folder] = reach;
    }
    return allowed;
}

QString srcDir() {
    return QStringLiteral(WK_SOURCE_DIR "/src");
}

struct Include {
    QString file;  // relative to src/
    int line;
    QString target;  // as written
};

// The folder a path below src/ belongs to ("platform/dao/Dao.h" ->
// "platform/dao"); empty for a bare name such as a generated moc file.
QString folderOf(const QString& path) {
    const int slash = path.lastIndexOf('/');
    return slash < 0 ? QString() : path.left(slash);
}

std::vector<Include> projectIncludes(const QString& root) {
    static const QRegularExpression inc(QStringLiteral(R"re(^\s*#\s*include\s*"([^"]+)")re"));
    std::vector<Include> found;
    QDirIterator it(root, {"*.cpp", "*.h"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) {
            ADD_FAILURE() << "cannot read " << path.toStdString();
            continue;
        }
        const QString rel = QDir(root).relativeFilePath(path);
        QTextStream in(&f);
        int n = 0;
        while (!in.atEnd()) {
            ++n;
            const auto m = inc.match(in.readLine());
            if (m.hasMatch()) found.push_back({rel, n, m.captured(1)});
        }
    }
    return found;
}

// Every include that leaves its file's folder for one not beneath it.
std::vector<QString> wrongWay(const std::vector<Include>& includes) {
    const auto allowed = allowedIncludes();
    std::vector<QString> wrong;
    for (const Include& i : includes) {
        const QString to = folderOf(i.target);
        if (to.isEmpty()) continue;
        const QString from = folderOf(i.file);
        const auto it = allowed.find(from);
        if (it == allowed.end() || !it->second.count(to))
            wrong.push_back(QStringLiteral("%1:%2 includes %3").arg(i.file).arg(i.line).arg(i.target));
    }
    return wrong;
}

std::string joined(const std::vector<QString>& lines) {
    QString all;
    for (const QString& l : lines) all += l + '\n';
    return all.toStdString();
}

TEST(Layering, TheOrderOnlyBuildsOnWhatComesBefore) {
    std::set<QString> seen;
    for (const auto& [folder, below] : kLayers) {
        for (const QString& b : below)
            EXPECT_TRUE(seen.count(b)) << folder.toStdString() << " on " << b.toStdString();
        EXPECT_TRUE(seen.insert(folder).second) << folder.toStdString() << " listed twice";
    }
}

TEST(Layering, EverySourceFolderHasItsPlace) {
    const auto allowed = allowedIncludes();
    std::set<QString> missing;
    for (const Include& i : projectIncludes(srcDir()))
        if (!allowed.count(folderOf(i.file))) missing.insert(folderOf(i.file));
    for (const QString& m : missing)
        ADD_FAILURE() << "src/" << m.toStdString() << " is not in the layer table";
}

TEST(Layering, NoIncludePointsUp) {
    const auto includes = projectIncludes(srcDir());
    ASSERT_GT(includes.size(), 500u) << "the sources were not found below " << srcDir().toStdString();
    const auto wrong = wrongWay(includes);
    EXPECT_TRUE(wrong.empty()) << joined(wrong);
}

TEST(Layering, TheCheckSeesAnIncludeThatPointsUp) {
    const std::vector<Include> sample = {
        {"vocabdb/VokSchema.cpp", 3, "core/modMain.h"},                     // down: fine
        {"editor/frmEditVok.cpp", 4, "overview/GridModel.h"},               // down: fine
        {"core/modMain.cpp", 5, "mainwindow/frmMain.h"},                    // up
        {"overview/GridModel.cpp", 6, "editor/frmEditVok.h"},               // sideways into a layer above
        {"platform/forms/Form.cpp", 7, "platform/dialogs/CommonDialog.h"},  // up inside the platform
        {"platform/dao/Dao.cpp", 8, "Dao.moc"},                             // generated, no folder
    };
    const auto wrong = wrongWay(sample);
    ASSERT_EQ(wrong.size(), 3u) << joined(wrong);
    EXPECT_EQ(wrong[0], "core/modMain.cpp:5 includes mainwindow/frmMain.h");
    EXPECT_EQ(wrong[1], "overview/GridModel.cpp:6 includes editor/frmEditVok.h");
    EXPECT_EQ(wrong[2], "platform/forms/Form.cpp:7 includes platform/dialogs/CommonDialog.h");
}

// The build links along the same order: a library names only libraries of
// folders beneath its own, and no linker setting papers over a circle.
TEST(Layering, TheBuildLinksOnlyDownwards) {
    QFile f(QStringLiteral(WK_SOURCE_DIR "/CMakeLists.txt"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly | QIODevice::Text));
    const QString cmake = QString::fromUtf8(f.readAll());
    EXPECT_FALSE(cmake.contains("LINK_INTERFACE_MULTIPLICITY"));

    static const QRegularExpression lib(
        QStringLiteral(R"(wk_add_library\(\s*(wk_\w+)\s+src/([\w/]+)([^)]*)\))"));
    std::map<QString, QString> folderOfLib;
    std::vector<std::pair<QString, QStringList>> links;
    for (auto it = lib.globalMatch(cmake); it.hasNext();) {
        const auto m = it.next();
        folderOfLib[m.captured(1)] = m.captured(2);
        links.push_back({m.captured(2), m.captured(3).split(QRegularExpression("\\s+"), Qt::SkipEmptyParts)});
    }
    ASSERT_GE(links.size(), 14u);
    const auto allowed = allowedIncludes();
    for (const auto& [folder, deps] : links) {
        ASSERT_TRUE(allowed.count(folder)) << folder.toStdString();
        for (const QString& d : deps) {
            if (!d.startsWith("wk_") || d == "wk_resources") continue;
            ASSERT_TRUE(folderOfLib.count(d)) << d.toStdString();
            EXPECT_TRUE(allowed.at(folder).count(folderOfLib[d]))
                << "src/" << folder.toStdString() << " links " << d.toStdString();
        }
    }
}

}  // namespace
