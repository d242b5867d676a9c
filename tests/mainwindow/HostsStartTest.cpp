// What the main window sets up at its load for the sound players and the
// temporary files.
#include <QDir>

#include "core/modMedia.h"
#include "mainwindow/HostsFixture.h"
#include "mainwindow/MainHosts.h"

using namespace hoststest;

namespace {

class HostsStart : public Hosts {
protected:
    void setProgramOption(const char* field, int value) {
        runstate::rsUserOptionen->Edit();
        runstate::rsUserOptionen->SetValue(QString::fromLatin1(field), value);
        runstate::rsUserOptionen->Update();
    }
};

TEST_F(HostsStart, RightAndWrongSoundsPlayOnlyWhileTheirOptionIsOn) {
    modMedia::fileRichtig.clear();
    modMedia::fileFalsch.clear();
    start({{"Apfel", "apple", "Obst"}});
    // The start installed the shipped sounds and the window read their lists.
    EXPECT_FALSE(modMedia::fileRichtig.isEmpty());
    EXPECT_FALSE(modMedia::fileFalsch.isEmpty());
    EXPECT_TRUE(QFile::exists(home.path() + "/Vok.dat"));
    EXPECT_EQ(main().fileRichtigPath, home.path() + "/DATA/RIGHT");

    setProgramOption("PlayRight", 1);
    setProgramOption("PlayWrong", 0);
    const QString right = modMedia::PlayRightWrong("Richtig");
    EXPECT_TRUE(right.startsWith(home.path() + "/DATA/RIGHT/")) << right.toStdString();
    EXPECT_EQ(modMedia::PlayRightWrong("Falsch"), QString());

    setProgramOption("PlayRight", 0);
    setProgramOption("PlayWrong", 1);
    EXPECT_EQ(modMedia::PlayRightWrong("Richtig"), QString());
    EXPECT_TRUE(modMedia::PlayRightWrong("Falsch").startsWith(home.path() + "/DATA/WRONG/"));

    // Without the program options (no user database) nothing plays.
    const dao::RecordsetPtr kept = runstate::rsUserOptionen;
    runstate::rsUserOptionen.reset();
    EXPECT_EQ(modMedia::PlayRightWrong("Falsch"), QString());
    runstate::rsUserOptionen = kept;
}

TEST_F(HostsStart, ItemSoundFollowsTheDatabasesOptionAndSwitchesTheCleanUpOn) {
    start({{"Apfel", "apple", "Obst"}});
    auto rs = runstate::dbVok->OpenRecordset("VOK");
    const QString wav = home.path() + "/DATA/RIGHT/" + modMedia::fileRichtig.value(0);
    ASSERT_TRUE(modMedia::FileToField(wav, *rs, "Sound"));

    auto setShowSound = [](int v) {
        runstate::rsOptions->Edit();
        runstate::rsOptions->SetValue("ShowSound", v);
        runstate::rsOptions->Update();
    };
    setShowSound(0);
    EXPECT_EQ(modMedia::PlayItemSound(*rs, false), QString());

    main().killer->stop();
    setShowSound(1);
    const QString played = modMedia::PlayItemSound(*rs, false);
    EXPECT_TRUE(played.startsWith(QDir(modMain::GetTempPath()).absolutePath())) << played.toStdString();
    // The temporary file goes with the next tick of the clean-up.
    EXPECT_TRUE(main().killer->isActive());

    // With the database closed the option reads as Null: "off".
    rs.reset();
    mainwindow::VokDBSchliessen(main());
    EXPECT_FALSE(modMedia::ShowSoundOption().isValid());
}

TEST_F(HostsStart, StartServicesMakeAMissingTempFolder) {
    start({{"Apfel", "apple", "Obst"}});
    ASSERT_TRUE(QDir(modMain::GetTempPath()).removeRecursively());
    main().StartServices();
    EXPECT_TRUE(QDir(modMain::GetTempPath()).exists());
}

}  // namespace
