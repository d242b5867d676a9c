// Asynchronous playing from memory. One player for sounds (a new sound stops
// the last, as the old platform's asynchronous call did) and one for the
// beep, so that a beep never cuts a sound short.
#include <QApplication>
#include <QAudioDevice>
#include <QAudioSink>
#include <QBuffer>
#include <QMediaDevices>
#include <QPointer>
#include <QTimer>
#include <QtMath>

#include "platform/RegularFile.h"
#include "platform/dao/Dao.h"
#include "platform/media/Media.h"

namespace media {
namespace {

class Player : public QObject {
public:
    // False when nothing can be played; the old sound is stopped either way.
    bool play(const WavSound& sound) {
        stop();
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (device.isNull() || sound.samples.isEmpty()) return false;

        data_ = sound.samples;
        QAudioFormat format = sound.format;
        if (!device.isFormatSupported(format)) {
            QAudioFormat preferred = device.preferredFormat();
            if (!preferred.isValid()) return false;
            data_ = ConvertSamples(sound, preferred);
            format = preferred;
        }
        buffer_ = new QBuffer(this);
        buffer_->setData(data_);
        buffer_->open(QIODevice::ReadOnly);
        sink_ = new QAudioSink(device, format, this);
        QAudioSink* sink = sink_;
        // Idle means the buffer is drained into the output, not that the
        // output has played it: stopping at once would cut off the end of
        // a short sound. Wait for what the output may still hold.
        connect(sink_, &QAudioSink::stateChanged, this, [this, sink, format](QAudio::State state) {
            if (sink != sink_ || state != QAudio::IdleState) return;
            const int ms = int(format.durationForBytes(sink->bufferSize()) / 1000) + 250;
            QTimer::singleShot(ms, this, [this, sink] {
                if (sink == sink_ && sink->state() == QAudio::IdleState) stop();
            });
        });
        sink_->start(buffer_);
        if (sink_->error() != QAudio::NoError) {
            stop();
            return false;
        }
        return true;
    }

    void stop() {
        if (sink_) {
            QAudioSink* sink = sink_;
            sink_ = nullptr;
            sink->disconnect(this);
            sink->stop();
            sink->deleteLater();  // may be called from the sink's own signal
        }
        if (buffer_) {
            buffer_->deleteLater();
            buffer_ = nullptr;
        }
        data_.clear();
    }

    bool playing() const { return !sink_.isNull(); }

private:
    QPointer<QAudioSink> sink_;
    QPointer<QBuffer> buffer_;
    QByteArray data_;
};

// The players live as long as the application object: they are Qt objects
// and must go before it.
Player* player(int which) {
    static QPointer<Player> players[2];
    if (!players[which] && QCoreApplication::instance()) {
        players[which] = new Player;
        players[which]->setParent(QCoreApplication::instance());
    }
    return players[which];
}

}  // namespace

bool PlaySoundData(const QByteArray& wavFile) {
    WavSound sound;
    Player* p = player(0);
    if (!p) return false;
    if (!ParseWav(wavFile, sound)) {
        p->stop();
        return false;
    }
    return p->play(sound);
}

bool PlaySound(const QString& path) {
    // An open database or a journal of it is no sound, and reading it here
    // would drop the locks its connection holds on it.
    if (dao::IsOpenDatabaseFile(path)) return false;
    // Never waits on a pipe or a device named like a sound.
    QByteArray bytes;
    if (!wk::ReadRegularFile(path, bytes)) return false;
    return PlaySoundData(bytes);
}

void StopSound() {
    if (Player* p = player(0)) p->stop();
}

bool IsPlaying() {
    Player* p = player(0);
    return p && p->playing();
}

void Beep() {
    // 880 Hz for 120 ms, faded in and out so that it does not click.
    WavSound tone;
    tone.format.setSampleRate(22050);
    tone.format.setChannelCount(1);
    tone.format.setSampleFormat(QAudioFormat::Int16);
    const int n = 22050 * 120 / 1000;
    tone.samples.resize(n * 2);
    auto* s = reinterpret_cast<qint16*>(tone.samples.data());
    for (int i = 0; i < n; ++i) {
        const double fade = qMin(1.0, qMin(i, n - 1 - i) / 200.0);
        s[i] = qint16(qRound(std::sin(2.0 * M_PI * 880.0 * i / 22050.0) * 12000.0 * fade));
    }
    Player* p = player(1);
    if (!p || !p->play(tone)) QApplication::beep();
}

}  // namespace media
