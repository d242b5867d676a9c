#include <gtest/gtest.h>
#include <unistd.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>

#include "core/modMain.h"
#include "core/modMedia.h"
#include "platform/Error.h"
#include "platform/dao/Dao.h"
#include "platform/media/Media.h"
#include "support/ProcessLocks.h"
#include "support/ScriptedInteraction.h"
#include "support/StuckPipe.h"

namespace {

QByteArray randomBytes(qsizetype n, quint32 seed) {
    QRandomGenerator g(seed);
    QByteArray b(n, '\0');
    for (qsizetype i = 0; i < n; ++i) b[i] = char(g.bounded(256));
    return b;
}

// A 24-bit BMP of exactly 70,000 bytes: 100 x 233 pixels of noise and a
// tail the reader skips.
QByteArray bmp70000() {
    const int w = 100, h = 233, row = 300;
    QByteArray b = randomBytes(70000, 7);
    char* p = b.data();
    std::memcpy(p, "BM", 2);
    qToLittleEndian<quint32>(70000, p + 2);
    qToLittleEndian<quint32>(0, p + 6);
    qToLittleEndian<quint32>(54, p + 10);
    qToLittleEndian<quint32>(40, p + 14);
    qToLittleEndian<qint32>(w, p + 18);
    qToLittleEndian<qint32>(h, p + 22);
    qToLittleEndian<quint16>(1, p + 26);
    qToLittleEndian<quint16>(24, p + 28);
    qToLittleEndian<quint32>(0, p + 30);
    qToLittleEndian<quint32>(row * h, p + 34);
    for (int i = 38; i < 54; ++i) p[i] = 0;
    return b;
}

// A wave file of exactly 1 MiB with noise for samples.
QByteArray wav1MiB() {
    QAudioFormat f;
    f.setSampleRate(22050);
    f.setChannelCount(1);
    f.setSampleFormat(QAudioFormat::Int16);
    return media::MakeWav(f, randomBytes(1048576 - 44, 11));
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class MediaFields : public ::testing::Test {
protected:
    void SetUp() override {
        ui.answerAllMsgBoxes(forms::vbOK);
        temp = modMain::GetTempPath();
        QDir(temp).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(temp));
        db = ws.CreateDatabase(dir.filePath("media.wkd"));
        auto td = db->CreateTableDef("VOK");
        auto add = [&](const QString& n, int type, int size = 0) {
            auto f = td->CreateField(n, type, size);
            f->SetAllowZeroLength(true);
            td->Append(f);
        };
        add("Q", dao::dbText, 240);
        for (const char* m : {"Bild", "Sound", "SoundTip", "SoundRichtig", "SoundFalsch"})
            add(m, dao::dbMemo);
        db->Append(td);
        rs = db->OpenRecordset("VOK");
        rs->AddNew();
        rs->SetValue("Q", "Haus");
        rs->Update();
        rs->MoveFirst();
        modMedia::EnableTempCleanup = [this] { ++cleanups; };
        modMedia::ShowSoundOption = [this] { return showSound; };
        modMedia::PlayRightOption = [this] { return playRight; };
        modMedia::PlayWrongOption = [this] { return playWrong; };
    }
    void TearDown() override {
        modMedia::EnableTempCleanup = nullptr;
        modMedia::ShowSoundOption = nullptr;
        modMedia::PlayRightOption = nullptr;
        modMedia::PlayWrongOption = nullptr;
        modMedia::fileRichtig.clear();
        modMedia::fileFalsch.clear();
        rs.reset();
        if (db) db->Close();
    }
    QString file(const QString& name, const QByteArray& bytes) {
        const QString p = dir.filePath(name);
        QFile f(p);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return p;
    }
    QStringList tempFiles() const { return QDir(temp).entryList(QDir::Files); }
    // The field as stored, read back through a fresh recordset.
    QByteArray stored(const QString& field) {
        auto r = db->OpenRecordset("VOK");
        r->MoveFirst();
        return r->GetChunk(field, 0, r->FieldSize(field));
    }

    wktest::ScriptedInteraction ui;
    wktest::InteractionGuard uiGuard{ui};
    QTemporaryDir dir;
    dao::Workspace ws;
    dao::DatabasePtr db;
    dao::RecordsetPtr rs;
    QString temp;
    int cleanups = 0;
    QVariant showSound = 0, playRight = 0, playWrong = 0;
};

}  // namespace

TEST_F(MediaFields, PictureAndSoundRoundTripByteForByte) {
    const QByteArray picture = bmp70000();
    ASSERT_FALSE(QImage::fromData(picture).isNull()) << "the test picture must be a picture";
    const QByteArray sound = wav1MiB();
    ASSERT_EQ(sound.size(), 1048576);

    ASSERT_TRUE(modMedia::FileToField(file("p.bmp", picture), *rs, "Bild"));
    ASSERT_TRUE(modMedia::FileToField(file("s.wav", sound), *rs, "Sound"));
    EXPECT_EQ(rs->EditMode(), dao::dbEditNone) << "the record is saved";
    EXPECT_EQ(ui.count(wktest::CallKind::MsgBox), 0);
    EXPECT_EQ(rs->FieldSize("Bild"), 70000);
    EXPECT_EQ(rs->FieldSize("Sound"), 1048576);
    EXPECT_EQ(stored("Bild"), picture);
    EXPECT_EQ(stored("Sound"), sound);

    // Back out through unique temporary files in TEMP.
    const QString p1 = modMedia::BlobToTempFile(temp, *rs, "Bild");
    const QString p2 = modMedia::BlobToTempFile(temp, *rs, "Sound");
    EXPECT_NE(p1, p2);
    EXPECT_EQ(QFileInfo(p1).absolutePath(), QDir(temp).absolutePath());
    EXPECT_EQ(readAll(p1), picture);
    EXPECT_EQ(readAll(p2), sound);

    // FieldToFile replaces what the file held.
    const QString target = file("old.bin", randomBytes(2000000, 3));
    modMedia::FieldToFile(target, *rs, "Bild");
    EXPECT_EQ(readAll(target), picture);
    EXPECT_THROW(modMedia::FieldToFile(dir.filePath("no/such/folder/x"), *rs, "Bild"), wk::Error);
    try {
        modMedia::BlobToTempFile(dir.filePath("missing"), *rs, "Bild");
        ADD_FAILURE() << "no temporary file can be made in a missing folder";
    } catch (const wk::Error& e) {
        EXPECT_EQ(e.number(), 75);
    }
}

TEST_F(MediaFields, ChunkEdgesAndEmptyFiles) {
    for (qsizetype n :
         {qsizetype(1), qsizetype(31999), qsizetype(32000), qsizetype(32001), qsizetype(64000)}) {
        const QByteArray bytes = randomBytes(n, quint32(n));
        ASSERT_TRUE(modMedia::FileToField(file("s.bin", bytes), *rs, "SoundTip"));
        EXPECT_EQ(stored("SoundTip"), bytes) << n;
        EXPECT_TRUE(modMedia::HasSoundTip(*rs));
    }
    // An empty file leaves the field empty, even where a sound was.
    ASSERT_TRUE(modMedia::FileToField(file("empty.wav", {}), *rs, "SoundTip"));
    EXPECT_FALSE(modMedia::HasSoundTip(*rs));
    EXPECT_EQ(rs->Value("SoundTip").toString(), QString(""));
    EXPECT_FALSE(rs->Value("SoundTip").isNull());
}

TEST_F(MediaFields, UnreadableFileOrNoPictureLeavesTheFieldAsItWas) {
    const QByteArray picture = bmp70000();
    ASSERT_TRUE(modMedia::FileToField(file("p.bmp", picture), *rs, "Bild"));

    EXPECT_FALSE(modMedia::FileToField(dir.filePath("gone.bmp"), *rs, "Bild"));
    ASSERT_EQ(ui.count(wktest::CallKind::MsgBox), 1);
    EXPECT_TRUE(ui.calls(wktest::CallKind::MsgBox)[0].prompt.contains("File cannot be opened:"));
    EXPECT_TRUE(ui.calls(wktest::CallKind::MsgBox)[0].prompt.contains(dir.filePath("gone.bmp")));
    EXPECT_FALSE(modMedia::FileToField(dir.path(), *rs, "Bild")) << "a folder is no file";
    EXPECT_EQ(ui.count(wktest::CallKind::MsgBox), 2);
    {
        // Nor is a pipe, and nothing waits for it.
        wktest::StuckPipe pipe(dir.filePath("pipe.wav"));
        ASSERT_TRUE(pipe.made());
        EXPECT_FALSE(modMedia::FileToField(pipe.path(), *rs, "Sound"));
        EXPECT_EQ(ui.calls(wktest::CallKind::MsgBox).back().prompt,
                  "File cannot be opened:\r" + pipe.path() +
                      "\r\rThis is not a regular file but a folder, a pipe or a device.");
        EXPECT_TRUE(modMedia::PictureFromFile(pipe.path()).isNull());
        EXPECT_EQ(ui.count(wktest::CallKind::MsgBox), 4) << "the picture's refusal is said too";
        EXPECT_FALSE(media::PlaySound(pipe.path()));
        EXPECT_FALSE(pipe.waited());
    }

    // A file that is no picture is refused for Bild only.
    const QString text = file("notes.jpg", "this is not a picture at all");
    EXPECT_FALSE(modMedia::FileToField(text, *rs, "Bild"));
    ASSERT_EQ(ui.count(wktest::CallKind::MsgBox), 5);
    EXPECT_TRUE(ui.calls(wktest::CallKind::MsgBox)[4].prompt.contains("not a picture"));
    EXPECT_EQ(rs->EditMode(), dao::dbEditNone);
    EXPECT_EQ(stored("Bild"), picture);
    EXPECT_TRUE(modMedia::FileToField(text, *rs, "Sound"));
    EXPECT_EQ(stored("Sound"), QByteArray("this is not a picture at all"));

    // A database error cancels the edit and reaches the caller.
    try {
        modMedia::FileToField(text, *rs, "NoSuchField");
        ADD_FAILURE();
    } catch (const wk::Error& e) {
        EXPECT_EQ(e.number(), 3265);
    }
    EXPECT_EQ(rs->EditMode(), dao::dbEditNone);
}

TEST_F(MediaFields, PictureIsShownWithoutLeavingAFile) {
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    for (const char* format : {"PNG", "JPG", "BMP", "GIF"}) {
        QByteArray bytes;
        QBuffer buf(&bytes);
        buf.open(QIODevice::WriteOnly);
        if (!image.save(&buf, format)) continue;  // a format without its plugin
        ASSERT_TRUE(modMedia::FileToField(file(QString("p.") + format, bytes), *rs, "Bild")) << format;
        QLabel label;
        modMedia::ShowBlobPicture(*rs, "Bild", label);
        EXPECT_EQ(label.pixmap().size(), QSize(40, 30)) << format;
        EXPECT_TRUE(tempFiles().isEmpty()) << format;
    }
    // Bytes that are no picture (put there by another program) raise 481.
    rs->Edit();
    rs->SetValue("Bild", QByteArray("garbage"));
    rs->Update();
    try {
        modMedia::LoadBlobPicture(*rs, "Bild");
        ADD_FAILURE();
    } catch (const wk::Error& e) {
        EXPECT_EQ(e.number(), 481);
    }
    EXPECT_TRUE(tempFiles().isEmpty());
}

TEST_F(MediaFields, ChecksAndClearing) {
    EXPECT_FALSE(modMedia::HasPicture(*rs));
    EXPECT_FALSE(modMedia::HasSound(*rs));
    EXPECT_FALSE(modMedia::HasSoundRichtig(*rs));
    EXPECT_FALSE(modMedia::HasSoundFalsch(*rs));
    for (const char* f : {"Bild", "Sound", "SoundTip", "SoundRichtig", "SoundFalsch"})
        ASSERT_TRUE(modMedia::FileToField(file("x", bmp70000()), *rs, f));
    EXPECT_TRUE(modMedia::HasPicture(*rs) && modMedia::HasSound(*rs) && modMedia::HasSoundTip(*rs) &&
                modMedia::HasSoundRichtig(*rs) && modMedia::HasSoundFalsch(*rs));

    modMedia::ClearPicture(*rs);
    modMedia::ClearSound(*rs);
    modMedia::ClearSoundTip(*rs);
    modMedia::ClearSoundRichtig(*rs);
    modMedia::ClearSoundFalsch(*rs);
    modMedia::ClearSound(*rs);  // nothing there: still saved, still ""
    auto again = db->OpenRecordset("VOK");
    again->MoveFirst();
    for (const char* f : {"Bild", "Sound", "SoundTip", "SoundRichtig", "SoundFalsch"}) {
        EXPECT_EQ(again->FieldSize(f), 0) << f;
        EXPECT_FALSE(again->Value(f).isNull()) << f << " is the empty text, not Null";
    }

    // Without the fields: HasPicture answers false, the others raise.
    auto plain = db->OpenRecordset("SELECT Q FROM VOK");
    plain->MoveFirst();
    EXPECT_FALSE(modMedia::HasPicture(*plain));
    EXPECT_THROW(modMedia::HasSound(*plain), wk::Error);
}

TEST_F(MediaFields, StoredSoundsPlayThroughTemp) {
    const QByteArray sound = wav1MiB();
    ASSERT_TRUE(modMedia::FileToField(file("s.wav", sound), *rs, "Sound"));

    // ShowSound 0 or Null: nothing, TEMP and the clean-up untouched.
    for (const QVariant& off : {QVariant(0), QVariant()}) {
        showSound = off;
        EXPECT_EQ(modMedia::PlayItemSound(*rs, false), QString());
        EXPECT_TRUE(tempFiles().isEmpty());
        EXPECT_EQ(cleanups, 0);
    }
    const QString forced = modMedia::PlayItemSound(*rs, true);
    ASSERT_FALSE(forced.isEmpty());
    EXPECT_EQ(readAll(forced), sound);
    EXPECT_EQ(cleanups, 1);
    // The clean-up deletes the file at once; the sound plays on from memory.
    ASSERT_TRUE(QFile::remove(forced));
    showSound = 1;
    EXPECT_FALSE(modMedia::PlayItemSound(*rs, false).isEmpty());
    EXPECT_EQ(tempFiles().size(), 1);
    EXPECT_EQ(cleanups, 2);

    // Tip: only with a tip sound.
    EXPECT_EQ(modMedia::PlaySoundTip(*rs), QString());
    media::StopSound();
}

TEST_F(MediaFields, RightAndWrongSoundsFallBackOnlyWhenAsked) {
    const QString home = modMain::ProgramFolder();
    QDir(home + "/DATA").removeRecursively();
    QDir().mkpath(home + "/DATA/RIGHT");
    QDir().mkpath(home + "/DATA/WRONG");
    QFile::copy(file("r.wav", "r"), home + "/DATA/RIGHT/r.wav");
    QFile::copy(file("w.wav", "w"), home + "/DATA/WRONG/w.wav");
    modMedia::LoadSoundLists();

    // No own sound, fallback asked, option off: nothing.
    EXPECT_EQ(modMedia::PlaySoundRichtig(*rs, true), QString());
    playRight = 1;
    EXPECT_EQ(modMedia::PlaySoundRichtig(*rs, true), home + "/DATA/RIGHT/r.wav");
    EXPECT_EQ(cleanups, 0) << "a DATA sound is no temporary file";
    // No fallback: nothing, even with the option on.
    playWrong = 1;
    EXPECT_EQ(modMedia::PlaySoundFalsch(*rs, false), QString());
    EXPECT_EQ(modMedia::PlaySoundFalsch(*rs, true), home + "/DATA/WRONG/w.wav");

    // The item's own sound wins over the folder.
    ASSERT_TRUE(modMedia::FileToField(file("own.wav", "own"), *rs, "SoundFalsch"));
    const QString own = modMedia::PlaySoundFalsch(*rs, true);
    EXPECT_EQ(QFileInfo(own).absolutePath(), QDir(temp).absolutePath());
    EXPECT_EQ(readAll(own), QByteArray("own"));
    EXPECT_EQ(cleanups, 1);
}

// The open database or its journal, under its name or one of its own,
// chosen as a picture or sound in the middle of a transaction: refused
// unread with the plain refusal, so its connection keeps its locks; the
// player itself refuses them too.
TEST_F(MediaFields, TheOpenDatabaseIsNotReadAsAMedium) {
    const QString self = dir.filePath("media.wkd");
    const QString journal = dir.filePath("journal.wav");
    const QString named = dir.filePath("take-wal");
    ws.BeginTrans();
    db->Execute("UPDATE VOK SET Sound = Sound");
    ASSERT_EQ(
        ::link(QFile::encodeName(self + "-journal").constData(), QFile::encodeName(journal).constData()), 0);
    ASSERT_EQ(::link(QFile::encodeName(self).constData(), QFile::encodeName(named).constData()), 0);
    ASSERT_TRUE(wktest::HoldsPosixLock(self));
    for (const QString& held : {self, self + "-journal", journal, named}) {
        SCOPED_TRACE(held.toStdString());
        ui.pushMsgBox(forms::vbOK);
        EXPECT_FALSE(modMedia::FileToField(held, *rs, "Sound"));
        EXPECT_EQ(ui.last(wktest::CallKind::MsgBox).prompt,
                  "File cannot be opened:\r" + held +
                      "\r\rWortkiste is using this file: it is the open vocabulary database, the user "
                      "database USER.MDB or one of their journal files.");
        media::PlaySound(held);
        EXPECT_TRUE(wktest::HoldsPosixLock(self));
    }
    ws.Rollback();
    EXPECT_EQ(ui.count(wktest::CallKind::MsgBox), 4);
    EXPECT_FALSE(rs->Value("Sound").isValid());

    // Nor a right sound of the program folder that is a link to it.
    const QString right = modMain::ProgramFolder() + "/DATA/RIGHT";
    QDir(right).removeRecursively();
    QDir().mkpath(right);
    ASSERT_EQ(::link(QFile::encodeName(self).constData(), QFile::encodeName(right + "/r.wav").constData()),
              0);
    modMedia::LoadSoundLists();
    playRight = 1;
    EXPECT_EQ(modMedia::PlaySoundRichtig(*rs, true), QString());
    QDir(right).removeRecursively();
}
