// Recording into memory, then one complete wave file.
#include <QAudioDevice>
#include <QAudioSource>
#include <QBuffer>
#include <QFile>
#include <QMediaDevices>
#include <QSaveFile>

#include "platform/dao/Dao.h"
#include "platform/media/Media.h"

namespace media {

WavRecorder::WavRecorder() = default;

WavRecorder::~WavRecorder() {
    if (source_) source_->stop();
}

void WavRecorder::fail(Error e, const QString& text) {
    error_ = e;
    errorString_ = text;
}

bool WavRecorder::Start(const QString& path) {
    if (source_) source_->stop();
    source_.reset();
    buffer_.reset();
    take_.clear();
    path_ = path;
    error_ = NoError;
    errorString_.clear();

    const QAudioDevice device = QMediaDevices::defaultAudioInput();
    if (device.isNull()) {
        fail(NoDevice, QStringLiteral("No recording device is available."));
        return false;
    }
    // Speech: 22050 Hz mono in 16 bits, where the device can; its own format otherwise.
    QAudioFormat format;
    format.setSampleRate(22050);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format)) format = device.preferredFormat();
    const auto kind = format.sampleFormat();
    if (!format.isValid() || (kind != QAudioFormat::UInt8 && kind != QAudioFormat::Int16 &&
                              kind != QAudioFormat::Int32 && kind != QAudioFormat::Float)) {
        fail(DeviceError, QStringLiteral("The recording device offers no usable format."));
        return false;
    }
    format_ = format;

    buffer_ = std::make_unique<QBuffer>(&take_);
    buffer_->open(QIODevice::WriteOnly);
    source_ = std::make_unique<QAudioSource>(device, format_);
    source_->start(buffer_.get());
    if (source_->error() != QAudio::NoError) {
        source_.reset();
        fail(DeviceError,
             QStringLiteral("The recording device cannot be opened (%1).").arg(device.description()));
        return false;
    }
    return true;
}

void WavRecorder::Stop() {
    if (!source_) return;
    source_->stop();
    source_.reset();
    if (buffer_) buffer_->close();
}

bool WavRecorder::IsRecording() const {
    return source_ && source_->state() != QAudio::StoppedState;
}

qint64 WavRecorder::RecordedBytes() const {
    return take_.size();
}

bool WavRecorder::Save() {
    Stop();
    if (path_.isEmpty()) {
        fail(WriteError, QStringLiteral("No file was given for the recording."));
        return false;
    }
    // Neither emptied nor replaced: every later change to it would be lost.
    if (dao::IsOpenDatabaseFile(path_)) {
        fail(WriteError, QStringLiteral("The recording cannot be written to %1: the program has it open as "
                                        "a database.")
                             .arg(path_));
        return false;
    }
    const int frame = format_.isValid() ? format_.bytesPerFrame() : 0;
    if (frame == 0 || take_.size() < frame) {
        // An empty take must not pass for a sound: leave an empty file.
        QFile file(path_);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.close();
        if (error_ == NoError) fail(NothingRecorded, QStringLiteral("Nothing was recorded."));
        return false;
    }
    take_.truncate(take_.size() - take_.size() % frame);
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly) || file.write(MakeWav(format_, take_)) < 0 || !file.commit()) {
        fail(WriteError,
             QStringLiteral("The recording cannot be written to %1: %2").arg(path_, file.errorString()));
        return false;
    }
    return true;
}

}  // namespace media
