#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include "core/modMain.h"
#include "core/modMedia.h"
#include "platform/media/Media.h"
#include "support/ScriptedInteraction.h"

namespace {

void touch(const QString& path, const QByteArray& data = "RIFF") {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class MediaSounds : public ::testing::Test {
protected:
    void SetUp() override {
        home = modMain::ProgramFolder();
        QDir(home + "/DATA").removeRecursively();
        QFile::remove(home + "/Vok.dat");
        modMedia::fileRichtig.clear();
        modMedia::fileFalsch.clear();
        modMedia::PlayRightOption = [this] { return right; };
        modMedia::PlayWrongOption = [this] { return wrong; };
    }
    void TearDown() override {
        modMedia::PlayRightOption = nullptr;
        modMedia::PlayWrongOption = nullptr;
    }
    wktest::ScriptedInteraction ui;
    wktest::InteractionGuard uiGuard{ui};
    QString home;
    QVariant right = true, wrong = -1;
};

}  // namespace

TEST_F(MediaSounds, DefaultsAreInstalledWhereMissingAndPlayable) {
    ASSERT_TRUE(modMedia::InstallDefaultSounds());
    const QStringList rights = modMedia::WaveFilesIn(home + "/DATA/RIGHT");
    const QStringList wrongs = modMedia::WaveFilesIn(home + "/DATA/WRONG");
    ASSERT_GE(rights.size(), 1);
    ASSERT_GE(wrongs.size(), 1);
    for (const QString& f : rights + wrongs) {
        const QString dir = rights.contains(f) ? "/DATA/RIGHT/" : "/DATA/WRONG/";
        media::WavSound w;
        ASSERT_TRUE(media::ParseWav(readAll(home + dir + f), w)) << f.toStdString();
        EXPECT_GT(w.samples.size(), 1000) << f.toStdString();
        EXPECT_TRUE(QFileInfo(home + dir + f).isWritable()) << "copied files belong to the user";
    }
    media::WavSound templ;
    ASSERT_TRUE(media::ParseWav(readAll(home + "/Vok.dat"), templ));
    EXPECT_TRUE(templ.samples.isEmpty());

    // A folder the user emptied stays empty; a lost template comes back; a
    // changed template is left alone.
    for (const QString& f : rights) QFile::remove(home + "/DATA/RIGHT/" + f);
    QFile::remove(home + "/Vok.dat");
    touch(home + "/DATA/WRONG/mine.wav", "user's own");
    ASSERT_TRUE(modMedia::InstallDefaultSounds());
    EXPECT_TRUE(modMedia::WaveFilesIn(home + "/DATA/RIGHT").isEmpty());
    EXPECT_TRUE(QFile::exists(home + "/Vok.dat"));
    EXPECT_EQ(readAll(home + "/DATA/WRONG/mine.wav"), "user's own");
    touch(home + "/Vok.dat", "changed");
    ASSERT_TRUE(modMedia::InstallDefaultSounds());
    EXPECT_EQ(readAll(home + "/Vok.dat"), "changed");
}

TEST_F(MediaSounds, ListsHoldOnlyTheWaveFilesOfTheirFolder) {
    touch(home + "/DATA/RIGHT/a.wav");
    touch(home + "/DATA/RIGHT/B.WAV");
    touch(home + "/DATA/RIGHT/notes.txt");
    touch(home + "/DATA/RIGHT/.hidden.wav");
    QDir().mkpath(home + "/DATA/RIGHT/folder.wav");
    touch(home + "/DATA/WRONG/x.wav");
    modMedia::LoadSoundLists();
    EXPECT_EQ(modMedia::fileRichtig, (QStringList{"a.wav", "B.WAV"}));
    EXPECT_EQ(modMedia::fileFalsch, QStringList{"x.wav"});

    // Every file can be drawn and nothing else is.
    QSet<QString> drawn;
    for (int i = 0; i < 200; ++i) {
        const QString p = modMedia::PlayRightWrong("Richtig");
        ASSERT_FALSE(p.isEmpty());
        drawn.insert(p);
    }
    EXPECT_EQ(drawn, (QSet<QString>{home + "/DATA/RIGHT/a.wav", home + "/DATA/RIGHT/B.WAV"}));
    ui.pushRnd(0.0);
    ui.pushRnd(0.999);
    EXPECT_EQ(modMedia::PlayRightWrong("Richtig"), home + "/DATA/RIGHT/a.wav");
    EXPECT_EQ(modMedia::PlayRightWrong("Richtig"), home + "/DATA/RIGHT/B.WAV");
    EXPECT_EQ(modMedia::PlayRightWrong("Falsch"), home + "/DATA/WRONG/x.wav");

    // The lists are read once: a file added later waits for the next load.
    touch(home + "/DATA/WRONG/y.wav");
    for (int i = 0; i < 20; ++i) EXPECT_EQ(modMedia::PlayRightWrong("Falsch"), home + "/DATA/WRONG/x.wav");
}

TEST_F(MediaSounds, NothingPlaysWhenOffEmptyOrUnknown) {
    touch(home + "/DATA/RIGHT/a.wav");
    QDir().mkpath(home + "/DATA/WRONG");
    modMedia::LoadSoundLists();
    ASSERT_TRUE(modMedia::fileFalsch.isEmpty());
    EXPECT_EQ(modMedia::PlayRightWrong("Falsch"), QString()) << "empty folder";
    EXPECT_EQ(modMedia::PlayRightWrong("richtig"), QString()) << "the kind is compared exactly";
    EXPECT_EQ(modMedia::PlayRightWrong("Other"), QString());

    for (const QVariant& off : {QVariant(), QVariant(0), QVariant(false)}) {
        right = off;
        ui.pushRnd(0.5);
        EXPECT_EQ(modMedia::PlayRightWrong("Richtig"), QString());
        EXPECT_EQ(ui.Rnd(), 0.5) << "no random number is drawn for nothing";
    }
    modMedia::PlayRightOption = nullptr;
    EXPECT_EQ(modMedia::PlayRightWrong("Richtig"), QString()) << "no options record: off";
    right = 1;
    modMedia::PlayRightOption = [this] { return right; };
    EXPECT_FALSE(modMedia::PlayRightWrong("Richtig").isEmpty());
}
