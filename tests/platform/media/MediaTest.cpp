#include <gtest/gtest.h>

#include <QAudioDevice>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMediaDevices>
#include <QTemporaryDir>
#include <QtEndian>
#include <cstring>

#include "platform/dao/Dao.h"
#include "platform/media/Media.h"

namespace {

QAudioFormat fmt(int rate, int channels, QAudioFormat::SampleFormat kind) {
    QAudioFormat f;
    f.setSampleRate(rate);
    f.setChannelCount(channels);
    f.setSampleFormat(kind);
    return f;
}

// A hand-made wave file: format tag, bits, and raw data bytes.
QByteArray rawWav(quint16 tag, quint16 channels, quint32 rate, quint16 bits, const QByteArray& data,
                  const QByteArray& extraChunk = {}, qint64 claimedSize = -1) {
    QByteArray fmtBody(16, '\0');
    qToLittleEndian<quint16>(tag, fmtBody.data());
    qToLittleEndian<quint16>(channels, fmtBody.data() + 2);
    qToLittleEndian<quint32>(rate, fmtBody.data() + 4);
    qToLittleEndian<quint32>(rate * channels * bits / 8, fmtBody.data() + 8);
    qToLittleEndian<quint16>(quint16(channels * bits / 8), fmtBody.data() + 12);
    qToLittleEndian<quint16>(bits, fmtBody.data() + 14);
    auto chunk = [](const char* id, const QByteArray& body, qint64 size) {
        QByteArray c(id, 4);
        QByteArray len(4, '\0');
        qToLittleEndian<quint32>(quint32(size < 0 ? body.size() : size), len.data());
        c += len + body;
        if ((body.size() & 1) && size < 0) c += '\0';  // a cut file has no pad
        return c;
    };
    QByteArray body = "WAVE" + extraChunk + chunk("fmt ", fmtBody, -1) + chunk("data", data, claimedSize);
    QByteArray len(4, '\0');
    qToLittleEndian<quint32>(quint32(body.size()), len.data());
    return "RIFF" + len + body;
}

QByteArray tone16(int frames) {
    QByteArray s(frames * 2, '\0');
    auto* p = reinterpret_cast<qint16*>(s.data());
    for (int i = 0; i < frames; ++i) p[i] = qint16((i * 997) % 20000 - 10000);
    return s;
}

void pump(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

}  // namespace

TEST(MediaWav, WrittenFilesReadBackUnchanged) {
    for (auto kind : {QAudioFormat::UInt8, QAudioFormat::Int16, QAudioFormat::Int32, QAudioFormat::Float}) {
        const QAudioFormat f = fmt(11025, 2, kind);
        QByteArray samples(f.bytesPerFrame() * 101, '\0');
        for (int i = 0; i < samples.size(); ++i) samples[i] = char(i * 7);
        if (kind == QAudioFormat::Float)  // keep the floats finite
            for (int i = 0; i < samples.size() / 4; ++i) {
                const float v = float(i % 50) / 50.0f - 0.5f;
                std::memcpy(samples.data() + i * 4, &v, 4);
            }
        const QByteArray file = media::MakeWav(f, samples);
        EXPECT_EQ(file.size(), 44 + samples.size());
        media::WavSound w;
        QString error;
        ASSERT_TRUE(media::ParseWav(file, w, &error)) << error.toStdString();
        EXPECT_EQ(w.format, f);
        EXPECT_EQ(w.samples, samples);
    }
}

TEST(MediaWav, OtherEncodingsAreWidened) {
    // 24-bit PCM: three bytes a sample become the top of a 32-bit sample.
    const QByteArray pcm24("\x01\x02\x03\xff\xff\x7f", 6);
    media::WavSound w;
    ASSERT_TRUE(media::ParseWav(rawWav(1, 1, 8000, 24, pcm24), w));
    EXPECT_EQ(w.format.sampleFormat(), QAudioFormat::Int32);
    ASSERT_EQ(w.samples.size(), 8);
    const auto* s32 = reinterpret_cast<const qint32*>(w.samples.constData());
    EXPECT_EQ(s32[0], 0x03020100);
    EXPECT_EQ(s32[1], 0x7fffff00);

    // A-law and mu-law to 16 bits, checked at known code points.
    ASSERT_TRUE(media::ParseWav(rawWav(6, 1, 8000, 8, QByteArray("\xd5\x55\x2a", 3)), w));
    ASSERT_EQ(w.format.sampleFormat(), QAudioFormat::Int16);
    auto* s16 = reinterpret_cast<const qint16*>(w.samples.constData());
    EXPECT_EQ(s16[0], 8);
    EXPECT_EQ(s16[1], -8);
    EXPECT_EQ(s16[2], -32256);
    ASSERT_TRUE(media::ParseWav(rawWav(7, 1, 8000, 8, QByteArray("\xff\x80\x00", 3)), w));
    s16 = reinterpret_cast<const qint16*>(w.samples.constData());
    EXPECT_EQ(s16[0], 0);
    EXPECT_EQ(s16[1], 32124);
    EXPECT_EQ(s16[2], -32124);
}

TEST(MediaWav, OddChunksTruncatedDataAndForeignFiles) {
    // An odd-sized chunk before "fmt " is padded; the reader must skip the pad.
    const QByteArray list = QByteArray("LIST", 4) + QByteArray("\x03\0\0\0abc\0", 8);
    media::WavSound w;
    ASSERT_TRUE(media::ParseWav(rawWav(1, 1, 8000, 16, tone16(10), list), w));
    EXPECT_EQ(w.samples, tone16(10));

    // A data chunk that claims more than the file holds gives what is there,
    // cut to whole frames.
    QByteArray data = tone16(10);
    data.chop(1);
    ASSERT_TRUE(media::ParseWav(rawWav(1, 1, 8000, 16, data, {}, 100000), w));
    EXPECT_EQ(w.samples, tone16(9));

    QString error;
    EXPECT_FALSE(media::ParseWav(QByteArray("GIF89a this is no sound"), w, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(media::ParseWav(QByteArray(), w));
    EXPECT_FALSE(media::ParseWav(rawWav(2, 1, 8000, 4, QByteArray(16, 'x')), w)) << "ADPCM is not read";
    EXPECT_FALSE(media::ParseWav(rawWav(1, 0, 8000, 16, tone16(4)), w)) << "no channels";
    EXPECT_FALSE(media::ParseWav(media::MakeWav(fmt(8000, 1, QAudioFormat::Int16), {}).left(36), w))
        << "no data chunk";
}

TEST(MediaPlay, AFileDeletedRightAfterTheCallDoesNoHarm) {
    QTemporaryDir tmp;
    const QString path = tmp.filePath(QStringLiteral("A1B2.tmp"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(media::MakeWav(fmt(22050, 1, QAudioFormat::Int16), tone16(22050 / 4)));
    }
    const bool hasOutput = !QMediaDevices::defaultAudioOutput().isNull();
    const bool started = media::PlaySound(path);
    ASSERT_TRUE(QFile::remove(path));
    EXPECT_EQ(started, hasOutput);
    pump(100);
    // A new sound replaces the first; stopping ends it.
    EXPECT_EQ(media::PlaySoundData(media::MakeWav(fmt(8000, 2, QAudioFormat::UInt8), QByteArray(8000, 'x'))),
              hasOutput);
    media::Beep();
    pump(50);
    media::StopSound();
    EXPECT_FALSE(media::IsPlaying());
    pump(50);

    EXPECT_FALSE(media::PlaySound(path)) << "the file is gone";
    EXPECT_FALSE(media::PlaySound(tmp.path())) << "a folder is no sound";
    EXPECT_FALSE(media::PlaySoundData("not a wave file"));
    EXPECT_FALSE(media::IsPlaying());
}

TEST(MediaRecord, WithoutADeviceTheRecorderFailsWithAReason) {
    if (!QMediaDevices::defaultAudioInput().isNull()) GTEST_SKIP() << "this machine has a microphone";
    QTemporaryDir tmp;
    const QString path = tmp.filePath(QStringLiteral("NewVok.wav"));
    {
        QFile f(path);  // the copy of the recording template
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(media::MakeWav(fmt(22050, 1, QAudioFormat::Int16), {}));
    }
    media::WavRecorder rec;
    EXPECT_FALSE(rec.Start(path));
    EXPECT_EQ(rec.ErrorNumber(), media::WavRecorder::NoDevice);
    EXPECT_FALSE(rec.ErrorString().isEmpty());
    EXPECT_FALSE(rec.IsRecording());
    rec.Stop();
    EXPECT_FALSE(rec.Save());
    EXPECT_EQ(QFile(path).size(), 0) << "an empty take must not look like a sound";
    EXPECT_EQ(rec.RecordedBytes(), 0);
}

// A take is never written over a database the program has open, nor an
// empty one, by whatever name: every change after it would be lost.
TEST(MediaRecord, ADatabaseTheProgramHasOpenIsNotWrittenOver) {
    QTemporaryDir tmp;
    const QString path = tmp.filePath(QStringLiteral("kurs.wkd"));
    const QString link = tmp.filePath(QStringLiteral("take-wal"));
    auto db = dao::DBEngine::CreateDatabase(path);
    db->Execute(QStringLiteral("CREATE TABLE T (x LONG)"));
    ASSERT_TRUE(QFile::link(path, link));
    const qint64 size = QFileInfo(path).size();
    for (const QString& name : {path, link}) {
        media::WavRecorder rec;
        rec.Start(name);
        rec.Stop();
        EXPECT_FALSE(rec.Save()) << name.toStdString();
        EXPECT_EQ(rec.ErrorNumber(), media::WavRecorder::WriteError);
        EXPECT_EQ(QFileInfo(path).size(), size);
    }
    EXPECT_EQ(db->Execute(QStringLiteral("INSERT INTO T (x) VALUES (1)")), 1);
    db->Close();
}

TEST(MediaRecord, WithADeviceATakeBecomesAWaveFile) {
    if (QMediaDevices::defaultAudioInput().isNull()) GTEST_SKIP() << "no recording device here";
    QTemporaryDir tmp;
    const QString path = tmp.filePath(QStringLiteral("NewVok.wav"));
    media::WavRecorder rec;
    ASSERT_TRUE(rec.Start(path)) << rec.ErrorString().toStdString();
    EXPECT_TRUE(rec.IsRecording());
    pump(400);
    rec.Stop();
    EXPECT_FALSE(rec.IsRecording());
    ASSERT_TRUE(rec.Save()) << rec.ErrorString().toStdString();
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    media::WavSound w;
    ASSERT_TRUE(media::ParseWav(f.readAll(), w));
    EXPECT_EQ(w.format, rec.Format());
    EXPECT_GT(w.samples.size(), 0);
    EXPECT_EQ(w.samples.size(), rec.RecordedBytes());
}

TEST(MediaPlay, ASoundEndsByItself) {
    if (QMediaDevices::defaultAudioOutput().isNull()) GTEST_SKIP() << "no sound output here";
    ASSERT_TRUE(media::PlaySoundData(media::MakeWav(fmt(8000, 1, QAudioFormat::Int16), tone16(800))));
    QElapsedTimer t;
    t.start();
    while (media::IsPlaying() && t.elapsed() < 5000) pump(20);
    EXPECT_FALSE(media::IsPlaying());
}

TEST(MediaWav, ConversionForAnOutputOfAnotherLayout) {
    // Mono 16-bit at 8000 Hz to stereo float at 16000 Hz: twice the frames,
    // both channels alike, values scaled to -1..1 and interpolated between.
    media::WavSound in;
    in.format = fmt(8000, 1, QAudioFormat::Int16);
    const qint16 src[] = {0, 16384, -32768, 32767};
    in.samples = QByteArray(reinterpret_cast<const char*>(src), sizeof src);
    const QAudioFormat target = fmt(16000, 2, QAudioFormat::Float);
    const QByteArray out = media::ConvertSamples(in, target);
    ASSERT_EQ(out.size(), 8 * 2 * 4);
    const auto* f = reinterpret_cast<const float*>(out.constData());
    for (int i = 0; i < 8; ++i) EXPECT_FLOAT_EQ(f[2 * i], f[2 * i + 1]) << i;
    EXPECT_NEAR(f[0], 0.0f, 1e-4);
    EXPECT_NEAR(f[2], 0.25f, 1e-3);  // halfway between 0 and 0.5
    EXPECT_NEAR(f[4], 0.5f, 1e-3);
    EXPECT_NEAR(f[8], -1.0f, 1e-3);

    // Stereo 8-bit down to mono 16-bit at the same rate keeps the first channel.
    in.format = fmt(8000, 2, QAudioFormat::UInt8);
    in.samples = QByteArray("\xff\x00\x80\x00", 4);
    const QByteArray mono = media::ConvertSamples(in, fmt(8000, 1, QAudioFormat::Int16));
    ASSERT_EQ(mono.size(), 4);
    const auto* m = reinterpret_cast<const qint16*>(mono.constData());
    EXPECT_GT(m[0], 32000);
    EXPECT_EQ(m[1], 0);
    EXPECT_TRUE(
        media::ConvertSamples(media::WavSound{fmt(8000, 1, QAudioFormat::Int16), {}}, target).isEmpty());
}
