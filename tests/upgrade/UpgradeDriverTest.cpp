#include <gtest/gtest.h>

#include "UpgradeHarness.h"

using namespace upgradetest;
using upgrade::UpgradeResult;

namespace {

const QStringList kAddedBy41 = {"ShowOverview", "ShowOptions", "ShowBewertung", "TestMaxFragen",
                                "bTestMaxFragen"};
const QStringList kAddedBy43 = {"ZeigeThemaBeiAbfrage", "ShowFirstLetter", "ZeigeBewertung"};

void AddItem(const QString& path, const QString& q, const QString& t) {
    auto db = dao::DBEngine::OpenDatabase(path, false, false, QStringLiteral(";pwd=") + Password());
    db->Execute(QStringLiteral("INSERT INTO VOK (Q, T) VALUES (?, ?)"), {q, t});
    db->Close();
}

QString VokOnly(const QString& snapshot) {
    // The part of a snapshot that belongs to VOK.
    const int from = snapshot.indexOf(QStringLiteral("TABLE VOK"));
    const int to = snapshot.indexOf(QStringLiteral("\nTABLE "), from + 1);
    return snapshot.mid(from, to < 0 ? -1 : to - from);
}

}  // namespace

class FourToCurrent : public ::testing::TestWithParam<const char*> {};

TEST_P(FourToCurrent, A40FileClimbsToCurrentInOneOpeningAndFillsTheGridOnce) {
    Files files;
    const QString path = files.Make(4, "4.0", QString::fromLatin1(GetParam()));
    AddItem(path, "Haus", "Wohnen");
    const QStringList before = OptionColumns(path);
    const QString vokBefore = VokOnly(Snapshot(path));

    Opening o;
    ASSERT_TRUE(o.VokDBOeffnen(path));

    // Three steps, one nested opening each, and a fourth call that finds 4.3.
    EXPECT_EQ(o.upgradeCalls, 4);
    EXPECT_EQ(o.openings, 4);
    EXPECT_EQ(o.deepest, 3);
    EXPECT_EQ(o.checkDepth, 0);
    EXPECT_EQ(o.filledAt, QStringList{"4.3"});
    EXPECT_TRUE(o.errors.empty());
    ASSERT_FALSE(o.pointers.empty());
    EXPECT_EQ(o.pointers.front(), upgrade::vbHourglass);
    EXPECT_EQ(o.pointers.back(), upgrade::vbDefault);
    // The innermost opening's objects are the ones left bound.
    ASSERT_TRUE(o.dbVok && o.rsOptions && o.data);
    EXPECT_EQ(o.rsOptions->Value(QStringLiteral("AppVersion")).toString(), "4.3");
    o.Close();

    EXPECT_EQ(OptionColumns(path), before + kAddedBy41 + kAddedBy43);
    const std::pair<const char*, int> values[] = {
        {"ShowOverview", 1},   {"ShowOptions", 1},          {"ShowBewertung", 1},   {"TestMaxFragen", 50},
        {"bTestMaxFragen", 0}, {"ZeigeThemaBeiAbfrage", 0}, {"ShowFirstLetter", 0}, {"ZeigeBewertung", 1},
    };
    for (const auto& [field, value] : values) EXPECT_EQ(OptionValue(path, field), QVariant(value)) << field;
    EXPECT_EQ(OptionValue(path, "AppVersion").toString(), "4.3");
    EXPECT_EQ(OptionValue(path, "DBType").toInt(), 4);
    EXPECT_EQ(VokOnly(Snapshot(path)), vokBefore);
}

INSTANTIATE_TEST_SUITE_P(Upgrade, FourToCurrent, ::testing::Values("4.0", "4,0", "4"));

TEST(Upgrade, A41FileGainsOnlyThe43ColumnsAndKeepsItsSettings) {
    Files files;
    const QString path = files.Make(4, "4.1", {}, {{"ShowOverview", 0}, {"TestMaxFragen", 20}});
    const QStringList before = OptionColumns(path);

    Opening o;
    ASSERT_TRUE(o.VokDBOeffnen(path));
    EXPECT_EQ(o.upgradeCalls, 3);
    EXPECT_EQ(o.filledAt, QStringList{"4.3"});
    o.Close();

    EXPECT_EQ(OptionColumns(path), before + kAddedBy43);
    EXPECT_EQ(OptionValue(path, "ShowOverview").toInt(), 0);
    EXPECT_EQ(OptionValue(path, "TestMaxFragen").toInt(), 20);
    EXPECT_EQ(OptionValue(path, "ZeigeBewertung").toInt(), 1);
    EXPECT_EQ(OptionValue(path, "AppVersion").toString(), "4.3");
}

TEST(Upgrade, A42FileTakesOneStep) {
    Files files;
    const QString path = files.Make(4, "4.2", "4,2");
    const QStringList before = OptionColumns(path);
    Opening o;
    ASSERT_TRUE(o.VokDBOeffnen(path));
    EXPECT_EQ(o.upgradeCalls, 2);
    EXPECT_EQ(o.deepest, 1);
    o.Close();
    EXPECT_EQ(OptionColumns(path), before + kAddedBy43);
    EXPECT_EQ(OptionValue(path, "AppVersion").toString(), "4.3");
}

TEST(Upgrade, FilesWhoseVersionSelectsNoStepAreLeftAlone) {
    Files files;
    // The current version, and texts that look like versions but are not.
    for (const char* stored : {"4.3", " 4.2", "4.2 ", "2.10", "4.25", "2"}) {
        const QString path = files.Make(4, "4.2", QString::fromLatin1(stored));
        const QString before = Snapshot(path);
        Opening o;
        ASSERT_TRUE(o.VokDBOeffnen(path)) << stored;
        EXPECT_EQ(o.upgradeCalls, 1) << stored;
        EXPECT_EQ(o.results, std::vector<UpgradeResult>{UpgradeResult::Current});
        EXPECT_EQ(o.pointers, (std::vector<int>{upgrade::vbHourglass, upgrade::vbDefault}));
        EXPECT_EQ(o.filledAt.size(), 1);
        o.Close();
        EXPECT_EQ(Snapshot(path), before) << stored;
    }
}

// A step runs on a connection of its own: while another part of the
// program still has the file open, the step is refused it and reported,
// and the file keeps its version.
TEST(Upgrade, AStepIsRefusedAFileOpenElsewhereInTheProgram) {
    Files files;
    const QString path = files.Make(4, "4.2");
    const QString before = Snapshot(path);
    auto elsewhere = dao::DBEngine::OpenDatabase(path, false, false, QStringLiteral(";pwd=") + Password());

    Opening o;
    EXPECT_FALSE(o.VokDBOeffnen(path));
    ASSERT_EQ(o.errors.size(), 1u);
    EXPECT_EQ(o.errors[0].number, 3045);
    EXPECT_EQ(o.errors[0].location, "Ui37G");
    elsewhere->Close();
    EXPECT_EQ(Snapshot(path), before);
}

TEST(Upgrade, AStepThatFailsHalfwayLeavesTheFileAsItWas) {
    Files files;
    // ShowFirstLetter exists already: the step adds ZeigeThemaBeiAbfrage,
    // then fails at its second statement.
    auto layout = upgrade::OldDatabaseLayout(4, "4.2");
    layout.options << vocabdb::Int("ShowFirstLetter");
    const QString path = files.Make(layout);
    AddItem(path, "Baum", "Natur");
    const QString before = Snapshot(path);

    Opening o;
    EXPECT_FALSE(o.VokDBOeffnen(path));
    EXPECT_EQ(o.results, std::vector<UpgradeResult>{UpgradeResult::Failed});
    ASSERT_EQ(o.errors.size(), 1u);
    EXPECT_EQ(o.errors[0].location, "Ui37G");
    EXPECT_TRUE(o.filledAt.isEmpty());
    EXPECT_EQ(o.checkDepth, 0);
    EXPECT_EQ(o.pointers.back(), upgrade::vbDefault);
    // Closed and cleared, so the caller can go back to what was open before.
    EXPECT_FALSE(o.dbVok);
    EXPECT_FALSE(o.rsOptions);
    EXPECT_FALSE(o.data);
    EXPECT_EQ(Snapshot(path), before);

    // The file can be opened again and fails the same way, not worse.
    Opening again;
    EXPECT_FALSE(again.VokDBOeffnen(path));
    EXPECT_EQ(Snapshot(path), before);
}

TEST(Upgrade, AFailureLateInTheChainKeepsTheStepsThatCompleted) {
    Files files;
    auto layout = upgrade::OldDatabaseLayout(4, "4.0");
    layout.options << vocabdb::Int("ZeigeBewertung");
    const QString path = files.Make(layout);

    Opening o;
    EXPECT_FALSE(o.VokDBOeffnen(path));
    // 4.0 and 4.1 went through; 4.2 failed at its last statement. One
    // message, no grid, every level reports the failure.
    EXPECT_EQ(o.errors.size(), 1u);
    EXPECT_TRUE(o.filledAt.isEmpty());
    EXPECT_EQ(o.results, (std::vector<UpgradeResult>{UpgradeResult::Failed, UpgradeResult::Failed,
                                                     UpgradeResult::Failed}));
    EXPECT_EQ(o.checkDepth, 0);
    EXPECT_FALSE(o.dbVok);
    EXPECT_EQ(OptionValue(path, "AppVersion").toString(), "4.2");
    const QStringList cols = OptionColumns(path);
    EXPECT_TRUE(cols.contains("bTestMaxFragen"));
    EXPECT_FALSE(cols.contains("ZeigeThemaBeiAbfrage"));
    EXPECT_FALSE(cols.contains("ShowFirstLetter"));
}

TEST(Upgrade, AnUnreadableVersionIsReportedAndTheFileRefused) {
    Files files;
    const QString path = files.Make(4, "4.2", {}, {{"AppVersion", QVariant()}});
    const QString before = Snapshot(path);

    Opening o;
    EXPECT_FALSE(o.VokDBOeffnen(path));  // no forms::ProgramEnded: the program goes on
    EXPECT_EQ(o.results, std::vector<UpgradeResult>{UpgradeResult::Refused});
    ASSERT_EQ(o.errors.size(), 1u);
    EXPECT_EQ(o.errors[0].number, upgrade::kInvalidUseOfNull);
    EXPECT_EQ(o.errors[0].location, "Ui37G");
    EXPECT_EQ(o.pointers.back(), upgrade::vbDefault);
    EXPECT_FALSE(o.dbVok);
    EXPECT_FALSE(o.rsOptions);
    EXPECT_EQ(o.checkDepth, 0);
    EXPECT_EQ(Snapshot(path), before);
}

TEST(Upgrade, AnErrorOfTheNestedOpeningIsReportedOnceByTheStepThatMadeIt) {
    Files files;
    const QString path = files.Make(4, "4.1");
    Opening o;
    o.throwAtOpening = 2;
    EXPECT_FALSE(o.VokDBOeffnen(path));
    ASSERT_EQ(o.errors.size(), 1u);
    EXPECT_EQ(o.errors[0].number, 3265);
    EXPECT_FALSE(o.dbVok);
    EXPECT_EQ(o.checkDepth, 0);
    EXPECT_EQ(o.pointers.back(), upgrade::vbDefault);
    // The step itself had completed.
    EXPECT_EQ(OptionValue(path, "AppVersion").toString(), "4.2");
}

TEST(Upgrade, EverythingAStepDidBeforeItFailedIsRolledBack) {
    Files files;
    const QString path = files.Make(4, "4.1");
    AddItem(path, "Haus", "Wohnen");
    AddItem(path, "Baum", "Natur");
    const QString before = Snapshot(path);

    Opening o;
    o.dbVok = dao::DBEngine::OpenDatabase(path, false, false, QStringLiteral(";pwd=") + Password());
    o.rsOptions = o.dbVok->OpenRecordset("AllOptions");
    o.rsOptions->SetAbsolutePosition(0);
    upgrade::UpgradeHost host;
    host.path = path;
    host.password = Password();
    host.db = &o.dbVok;
    host.rsOptions = &o.rsOptions;
    host.data = &o.data;
    int shown = 0;
    host.showError = [&](int, const QString&, const QString&) { ++shown; };
    bool reopened = false;
    host.reopen = [&](const QString&) { return reopened = true; };

    // Columns added and dropped, rows changed and deleted, options written:
    // then the step fails.
    const auto work = [](upgrade::StepContext& ctx) -> upgrade::OptionValues {
        ctx.Execute("ALTER TABLE Vok ADD COLUMN Extra INTEGER");
        ctx.Execute("ALTER TABLE Options DROP COLUMN ShowOptions");
        auto rs = ctx.OpenRowPass();
        rs->MoveLast();
        rs->MoveFirst();
        for (long i = 0; i < rs->RecordCount(); ++i) {
            rs->SetAbsolutePosition(i);
            rs->Edit();
            rs->SetValue("Q", "changed");
            rs->SetValue("Extra", 7);
            rs->Update();
        }
        ctx.Execute("DELETE FROM VOK WHERE T = 'Natur'");
        auto opts = ctx.OpenOptions();
        opts->Edit();
        opts->SetValue("ShowOverview", 0);
        opts->Update();
        EXPECT_FALSE(ctx.ExecuteIgnoringErrors("ALTER TABLE Vok DROP COLUMN NoSuchColumn"));
        ctx.Execute("ALTER TABLE Vok DROP COLUMN NoSuchColumn");
        return {};
    };
    EXPECT_EQ(upgrade::RunStep(host, upgrade::Step::From41, work), UpgradeResult::Failed);
    EXPECT_EQ(shown, 1);
    EXPECT_FALSE(reopened);
    EXPECT_FALSE(o.dbVok);
    EXPECT_EQ(Snapshot(path), before);
}
