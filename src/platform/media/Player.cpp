// Asynchronous playing from memory. One player for sounds (a new sound stops
// the last, as the old platform's asynchronous call did) and one for the
// beep, so that a beep never cuts a sound short.
#include <QApplication>
#include <QAudioDevice>
#include <QAudioSink>
#include <QBuffer>
#include <QFile>
#include <QMediaDevices>
#include <QPointer>
#include <QTimer>
#include <QtMath>
#include <cstring>

#include "platform/media/Media.h"

namespace media {
namespace {

// Writes one sample, -1..1, in `format`.
void putSample(const QAudioFormat& format, char* to, float v) {
    v = qBound(-1.0f, v, 1.0f);
    switch (format.sampleFormat()) {
        case QAudioFormat::UInt8:
            *reinterpret_cast<quint8*>(to) = quint8(qRound(v * 127.0f) + 128);
            break;
        case QAudioFormat::Int16: {
            const qint16 s = qint16(qRound(v * 32767.0f));
            std::memcpy(to, &s, 2);
            break;
        }
        case QAudioFormat::Int32: {
            const qint32 s = qint32(qRound64(double(v) * 2147483647.0));
            std::memcpy(to, &s, 4);
            break;
        }
        case QAudioFormat::Float:
            std::memcpy(to, &v, 4);
            break;
        default:
            break;
    }
}

// Converts the samples to `target` (rate by linear interpolation, channels
// by taking the first or repeating the last, encoding by value).
QByteArray convert(const WavSound& in, const QAudioFormat& target) {
    const QAudioFormat& src = in.format;
    const int sch = src.channelCount(), tch = target.channelCount();
    const int sbs = src.bytesPerSample(), tbs = target.bytesPerSample();
    const qsizetype frames = in.samples.size() / src.bytesPerFrame();
    if (frames == 0) return {};
    const double step = double(src.sampleRate()) / target.sampleRate();
    const qsizetype outFrames = qMax<qsizetype>(1, qsizetype(frames / step));
    QByteArray out(outFrames * target.bytesPerFrame(), '\0');
    const char* s = in.samples.constData();
    auto sample = [&](qsizetype frame, int ch) {
        return src.normalizedSampleValue(s + (frame * sch + qMin(ch, sch - 1)) * sbs);
    };
    for (qsizetype f = 0; f < outFrames; ++f) {
        const double at = f * step;
        const qsizetype i = qMin<qsizetype>(qsizetype(at), frames - 1);
        const qsizetype j = qMin<qsizetype>(i + 1, frames - 1);
        const float frac = float(at - double(i));
        for (int c = 0; c < tch; ++c) {
            const float v = sample(i, c) * (1.0f - frac) + sample(j, c) * frac;
            putSample(target, out.data() + (f * tch + c) * tbs, v);
        }
    }
    return out;
}

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
            data_ = convert(sound, preferred);
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
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QByteArray bytes = file.readAll();
    file.close();
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
