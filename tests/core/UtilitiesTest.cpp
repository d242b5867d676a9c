// Folders, random numbers, files, strings and list look-ups.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <map>

#include "core/RunState.h"
#include "core/modFunctions.h"
#include "core/modMain.h"
#include "platform/Error.h"
#include "support/ScriptedInteraction.h"

using namespace modFunctions;
using modMain::RandomInt;

namespace {

void touch(const QString& path) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
}

class EnvGuard {
public:
    explicit EnvGuard(const char* name)
        : name_(name), old_(qgetenv(name)), had_(qEnvironmentVariableIsSet(name)) {}
    ~EnvGuard() {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }

private:
    const char* name_;
    QByteArray old_;
    bool had_;
};

}  // namespace

TEST(ProgramFolder, FollowsWortkisteHome) {
    EnvGuard guard("WORTKISTE_HOME");
    qputenv("WORTKISTE_HOME", "/srv/wk");
    EXPECT_EQ(modMain::ProgramFolder(), "/srv/wk");
    EXPECT_EQ(modMain::GetDBPath(), "/srv/wk/DB/");
    EXPECT_EQ(modMain::GetTempPath(), "/srv/wk/TEMP/");

    qputenv("WORTKISTE_HOME", "/srv/wk//");  // a trailing slash is not doubled
    EXPECT_EQ(modMain::GetTempPath(), "/srv/wk/TEMP/");

    qunsetenv("WORTKISTE_HOME");
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    ASSERT_FALSE(data.isEmpty());
    EXPECT_EQ(modMain::GetDBPath(), data + "/DB/");
}

TEST(RandomInt, KeepsRangeAndFloorRule) {
    wktest::ScriptedUi ui;
    ui.pushRnd(0.0);
    ui.pushRnd(0.999999);
    ui.pushRnd(0.5);
    ui.pushRnd(0.0);
    ui.pushRnd(0.999999);
    ui.pushRnd(0.5);
    ui.pushRnd(0.7);
    EXPECT_EQ(RandomInt(1, 6), 1);
    EXPECT_EQ(RandomInt(1, 6), 6);
    EXPECT_EQ(RandomInt(1, 6), 4);     // 6 * 0.5 + 1
    EXPECT_EQ(RandomInt(-3, -1), -3);  // rounded towards minus infinity
    EXPECT_EQ(RandomInt(-3, -1), -1);
    EXPECT_EQ(RandomInt(-3, -1), -2);  // 3 * 0.5 - 3 = -1.5
    EXPECT_EQ(RandomInt(0, 0), 0);
}

TEST(RandomInt, ValuesOutsideTheUnitRangeStayInRange) {
    wktest::ScriptedUi ui;
    ui.pushRnd(1.0);
    ui.pushRnd(-0.1);
    EXPECT_EQ(RandomInt(1, 6), 1);
    EXPECT_EQ(RandomInt(1, 6), 1);
}

TEST(RandomInt, EveryValueOfTheRangeTurnsUpInATightLoop) {
    wktest::ScriptedUi ui;  // a generator seeded once, drawn many times
    std::map<int, int> seen;
    for (int i = 0; i < 6000; ++i) ++seen[RandomInt(1, 6)];
    ASSERT_EQ(seen.size(), 6u);
    EXPECT_EQ(seen.begin()->first, 1);
    EXPECT_EQ(seen.rbegin()->first, 6);
    for (const auto& [value, count] : seen) EXPECT_GT(count, 800) << value;  // about 1000 each
    for (int i = 0; i < 200; ++i) EXPECT_EQ(RandomInt(0, 0), 0);
}

TEST(RandomInt, OverflowRaises) {
    wktest::ScriptedUi ui;
    ui.pushRnd(0.5);
    try {
        RandomInt(0, 1e12);
        ADD_FAILURE();
    } catch (const wk::Error& e) {
        EXPECT_EQ(e.number(), wk::err::Overflow);
    }
}

TEST(FileExists, SeesOnlyVisibleRegularFiles) {
    QTemporaryDir tmp;
    const QString d = tmp.path();
    QDir(d).mkdir("empty");
    QDir(d).mkdir("full");
    QDir(d).mkdir("hiddenonly");
    touch(d + "/full/kurs.wkd");
    touch(d + "/hiddenonly/.secret");
    touch(d + "/.hidden.wkd");

    EXPECT_TRUE(FileExists(d + "/full/kurs.wkd"));
    EXPECT_FALSE(FileExists(d + "/full/other.wkd"));
    EXPECT_FALSE(FileExists(d + "/.hidden.wkd"));
    EXPECT_FALSE(FileExists(d + "/full"));  // a folder is not a file
    EXPECT_FALSE(FileExists(d + "/empty/"));
    EXPECT_TRUE(FileExists(d + "/full/"));
    EXPECT_FALSE(FileExists(d + "/hiddenonly/"));
    EXPECT_TRUE(FileExists(d + "/full/*.wkd"));
    EXPECT_TRUE(FileExists(d + "/full/k?rs.wkd"));
    EXPECT_FALSE(FileExists(d + "/full/*.txt"));
    EXPECT_FALSE(FileExists(d + "/missing/kurs.wkd"));
    EXPECT_FALSE(FileExists(""));
}

TEST(Strings, RemoveString) {
    EXPECT_EQ(RemoveString("\"/home/anna/kurs.wkd\"", "\""), "/home/anna/kurs.wkd");
    EXPECT_EQ(RemoveString("no quotes", "\""), "no quotes");
    EXPECT_EQ(RemoveString("", "\""), "");
    EXPECT_EQ(RemoveString("a\r\nb\r", "\r"), "a\nb");
    EXPECT_EQ(RemoveString("aabb", "ab"), "ab");  // one pass, left to right
    EXPECT_EQ(RemoveString("Aa", "a"), "A");      // exact comparison
    EXPECT_EQ(RemoveString("text", ""), "text");
}

TEST(Strings, FileNameFromPath) {
    EXPECT_EQ(FileNameFromPath("/a/b.wkd", 1), "b.wkd");
    EXPECT_EQ(FileNameFromPath("b.wkd", 1), "");
    EXPECT_EQ(FileNameFromPath("/a/b/", 1), "");
    EXPECT_EQ(FileNameFromPath("/a/b.wkd", 2), "");
    EXPECT_EQ(FileNameFromPath("", 1), "");
}

TEST(Strings, StripDBExtension) {
    const QString saved = runstate::VokDBDatei;
    const std::pair<const char*, const char*> cases[] = {
        {"FRENCH.WKD", "FRENCH"}, {"A.WKD.WKD", "A"}, {"kurs.wkd", "kurs"}, {"Kurs.WkD", "Kurs"},
        {"NOEXT", "NOEXT"},       {"", ""},           {"my.wkdx", "my"},    {"ALT.WKB", "ALT.WKB"},
    };
    for (const auto& [in, out] : cases) {
        runstate::VokDBDatei = in;
        EXPECT_EQ(StripDBExtension(), out) << in;
    }
    runstate::VokDBDatei = saved;
}

TEST(Strings, UCaseKeepsSharpS) {
    EXPECT_EQ(UCase("straße"), "STRAßE");
    EXPECT_EQ(UCase("äöü abc"), "ÄÖÜ ABC");
    EXPECT_EQ(UCase(""), "");
}

TEST(Lists, FindComboItemByIdRunsHandlersAndRestoresSelection) {
    QComboBox combo;
    combo.addItems({"1: Anna", "3: Ben"});
    combo.setCurrentIndex(0);
    std::vector<int> selections;
    QObject::connect(&combo, &QComboBox::currentIndexChanged, [&](int i) { selections.push_back(i); });

    EXPECT_EQ(FindComboItemByID(combo, "3"), 1);
    EXPECT_EQ(combo.currentIndex(), 0);
    EXPECT_EQ(selections, (std::vector<int>{1, 0}));

    selections.clear();
    EXPECT_EQ(FindComboItemByID(combo, "5"), -1);
    EXPECT_EQ(combo.currentIndex(), 0);
    EXPECT_EQ(selections, (std::vector<int>{1, 0}));

    EXPECT_EQ(FindComboItemByID(combo, "1"), 0);
    EXPECT_EQ(FindComboItemByID(combo, "3:"), -1);  // only the first character is compared

    QComboBox empty;
    EXPECT_EQ(FindComboItemByID(empty, "1"), -1);
    EXPECT_EQ(empty.currentIndex(), -1);
}

TEST(Lists, FindListItemModes) {
    QListWidget list;
    list.addItems({"Arial", "arial", "Times", "Straße"});
    EXPECT_EQ(FindListItem(list, "arial", 2), 1);
    EXPECT_EQ(FindListItem(list, "arial", 1), 0);
    EXPECT_EQ(FindListItem(list, "ARIAL", 2), -1);
    EXPECT_EQ(FindListItem(list, "STRASSE", 1), -1);  // "ß" does not turn into "SS"
    EXPECT_EQ(FindListItem(list, "STRAßE", 1), 3);
    EXPECT_EQ(FindListItem(list, "Times", 3), -1);
    EXPECT_EQ(FindListItem(list, "Courier", 1), -1);
    QListWidget none;
    EXPECT_EQ(FindListItem(none, "Arial", 1), -1);
}

TEST(Lists, FindComboItemIgnoresCaseAndLeavesSelection) {
    QComboBox combo;
    combo.addItems({"Verben", "Andere"});
    combo.setCurrentIndex(0);
    EXPECT_TRUE(FindComboItem(combo, "ANDERE"));
    EXPECT_TRUE(FindComboItem(combo, "verben"));
    EXPECT_FALSE(FindComboItem(combo, "Nomen"));
    EXPECT_EQ(combo.currentIndex(), 0);
    QComboBox empty;
    EXPECT_FALSE(FindComboItem(empty, ""));
}
