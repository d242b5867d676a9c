// Reading and writing wave files. The files come from users and from old
// databases, so every length is checked against what is really there.
#include <QtEndian>
#include <QtMath>
#include <cstring>

#include "platform/media/Media.h"

namespace media {
namespace {

quint16 u16(const char* p) {
    return qFromLittleEndian<quint16>(p);
}
quint32 u32(const char* p) {
    return qFromLittleEndian<quint32>(p);
}

bool fail(QString* error, const char* text) {
    if (error) *error = QString::fromLatin1(text);
    return false;
}

qint16 alawToLinear(quint8 a) {
    a ^= 0x55;
    int t = (a & 0x0F) << 4;
    const int seg = (a & 0x70) >> 4;
    if (seg == 0)
        t += 8;
    else if (seg == 1)
        t += 0x108;
    else
        t = (t + 0x108) << (seg - 1);
    return qint16((a & 0x80) ? t : -t);
}

qint16 mulawToLinear(quint8 u) {
    u = ~u;
    int t = ((u & 0x0F) << 3) + 0x84;
    t <<= (u & 0x70) >> 4;
    return qint16((u & 0x80) ? (0x84 - t) : (t - 0x84));
}

constexpr quint16 kPcm = 1, kFloat = 3, kAlaw = 6, kMulaw = 7, kExtensible = 0xFFFE;

}  // namespace

bool ParseWav(const QByteArray& file, WavSound& out, QString* error) {
    const char* d = file.constData();
    const qsizetype n = file.size();
    if (n < 12 || std::memcmp(d, "RIFF", 4) != 0 || std::memcmp(d + 8, "WAVE", 4) != 0)
        return fail(error, "not a wave file");

    quint16 tag = 0, channels = 0, bits = 0;
    quint32 rate = 0;
    bool haveFmt = false;
    const char* data = nullptr;
    qsizetype dataSize = 0;
    qsizetype pos = 12;
    while (pos + 8 <= n) {
        const char* id = d + pos;
        const qsizetype size = u32(d + pos + 4);
        const qsizetype body = pos + 8;
        const qsizetype avail = qMin(size, n - body);
        if (std::memcmp(id, "fmt ", 4) == 0) {
            if (avail < 16) return fail(error, "damaged format chunk");
            tag = u16(d + body);
            channels = u16(d + body + 2);
            rate = u32(d + body + 4);
            bits = u16(d + body + 14);
            if (tag == kExtensible) {
                if (avail < 26) return fail(error, "damaged format chunk");
                tag = u16(d + body + 24);  // first two bytes of the sub-format GUID
            }
            haveFmt = true;
        } else if (std::memcmp(id, "data", 4) == 0) {
            data = d + body;
            dataSize = avail;
            break;  // everything after the samples is of no interest
        }
        if (size > n - body) break;
        pos = body + size + (size & 1);
    }
    if (!haveFmt) return fail(error, "no format chunk");
    if (!data) return fail(error, "no sound data");
    if (channels == 0 || channels > 8 || rate == 0 || rate > 384000) return fail(error, "unsupported layout");

    QAudioFormat f;
    f.setSampleRate(int(rate));
    f.setChannelCount(channels);
    QByteArray samples;
    if (tag == kPcm && bits == 8) {
        f.setSampleFormat(QAudioFormat::UInt8);
        samples = QByteArray(data, dataSize);
    } else if (tag == kPcm && bits == 16) {
        f.setSampleFormat(QAudioFormat::Int16);
        samples = QByteArray(data, dataSize & ~qsizetype(1));
    } else if (tag == kPcm && bits == 24) {
        f.setSampleFormat(QAudioFormat::Int32);
        const qsizetype count = dataSize / 3;
        samples.resize(count * 4);
        auto* dst = reinterpret_cast<qint32*>(samples.data());
        for (qsizetype i = 0; i < count; ++i) {
            const auto* s = reinterpret_cast<const quint8*>(data + i * 3);
            dst[i] = qint32(quint32(s[0]) << 8 | quint32(s[1]) << 16 | quint32(s[2]) << 24);
        }
    } else if (tag == kPcm && bits == 32) {
        f.setSampleFormat(QAudioFormat::Int32);
        samples = QByteArray(data, dataSize & ~qsizetype(3));
    } else if (tag == kFloat && bits == 32) {
        f.setSampleFormat(QAudioFormat::Float);
        samples = QByteArray(data, dataSize & ~qsizetype(3));
    } else if (tag == kFloat && bits == 64) {
        f.setSampleFormat(QAudioFormat::Float);
        const qsizetype count = dataSize / 8;
        samples.resize(count * 4);
        auto* dst = reinterpret_cast<float*>(samples.data());
        for (qsizetype i = 0; i < count; ++i) {
            double v;
            std::memcpy(&v, data + i * 8, 8);
            dst[i] = float(v);
        }
    } else if ((tag == kAlaw || tag == kMulaw) && bits == 8) {
        f.setSampleFormat(QAudioFormat::Int16);
        samples.resize(dataSize * 2);
        auto* dst = reinterpret_cast<qint16*>(samples.data());
        for (qsizetype i = 0; i < dataSize; ++i) {
            const auto b = quint8(data[i]);
            dst[i] = tag == kAlaw ? alawToLinear(b) : mulawToLinear(b);
        }
    } else {
        return fail(error, "unsupported sample encoding");
    }
    // Whole frames only.
    const int frame = f.bytesPerFrame();
    samples.truncate(samples.size() - samples.size() % frame);
    out.format = f;
    out.samples = samples;
    return true;
}

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

// Reads one sample as -1..1 (0x80 of 8-bit samples is exactly silence).
float getSample(const QAudioFormat& format, const char* from) {
    switch (format.sampleFormat()) {
        case QAudioFormat::UInt8:
            return (float(*reinterpret_cast<const quint8*>(from)) - 128.0f) / 128.0f;
        case QAudioFormat::Int16: {
            qint16 s;
            std::memcpy(&s, from, 2);
            return float(s) / 32768.0f;
        }
        case QAudioFormat::Int32: {
            qint32 s;
            std::memcpy(&s, from, 4);
            return float(double(s) / 2147483648.0);
        }
        case QAudioFormat::Float: {
            float s;
            std::memcpy(&s, from, 4);
            return s;
        }
        default:
            return 0.0f;
    }
}

}  // namespace

QByteArray ConvertSamples(const WavSound& in, const QAudioFormat& target) {
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
        return getSample(src, s + (frame * sch + qMin(ch, sch - 1)) * sbs);
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

QByteArray MakeWav(const QAudioFormat& format, const QByteArray& samples) {
    const bool isFloat = format.sampleFormat() == QAudioFormat::Float;
    const quint16 channels = quint16(format.channelCount());
    const quint32 rate = quint32(format.sampleRate());
    const quint16 bits = quint16(format.bytesPerSample() * 8);
    const quint16 blockAlign = quint16(format.bytesPerFrame());
    const quint32 size = quint32(samples.size());

    QByteArray out(44, '\0');
    char* h = out.data();
    std::memcpy(h, "RIFF", 4);
    qToLittleEndian<quint32>(36 + size + (size & 1), h + 4);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    qToLittleEndian<quint32>(16, h + 16);
    qToLittleEndian<quint16>(isFloat ? kFloat : kPcm, h + 20);
    qToLittleEndian<quint16>(channels, h + 22);
    qToLittleEndian<quint32>(rate, h + 24);
    qToLittleEndian<quint32>(rate * blockAlign, h + 28);
    qToLittleEndian<quint16>(blockAlign, h + 32);
    qToLittleEndian<quint16>(bits, h + 34);
    std::memcpy(h + 36, "data", 4);
    qToLittleEndian<quint32>(size, h + 40);
    out += samples;
    if (size & 1) out += '\0';
    return out;
}

}  // namespace media
