#pragma once
// Playing and recording wave sound. A sound is read whole into memory before
// it plays, so the file may be deleted the moment the call returns (the
// temporary-file clean-up does exactly that). Without sound hardware every
// call returns at once and reports failure; nothing waits or crashes.

#include <QAudioFormat>
#include <QByteArray>
#include <QObject>
#include <QString>
#include <memory>

class QAudioSource;
class QBuffer;

namespace media {

// ---- wave files ------------------------------------------------------------

// The samples of a wave file in a form the audio output takes.
struct WavSound {
    QAudioFormat format;
    QByteArray samples;  // interleaved frames in `format`
};

// Reads a RIFF/WAVE file held in memory: PCM of 8, 16, 24 or 32 bits, IEEE
// float, A-law and mu-law, also in the extensible layout. 24-bit PCM is
// widened to 32 bits and the two companded kinds to 16. A data chunk that
// claims more than the file holds is cut to what is there. Returns false,
// with the reason in `error`, for anything else.
bool ParseWav(const QByteArray& file, WavSound& out, QString* error = nullptr);

// A complete wave file (44-byte header and the samples) for PCM or float
// samples in `format`.
QByteArray MakeWav(const QAudioFormat& format, const QByteArray& samples);

// The samples in `target`'s layout: the rate by linear interpolation, the
// channels by taking the first ones or repeating the last, each sample by
// its value. For outputs that do not take a file's own layout.
QByteArray ConvertSamples(const WavSound& in, const QAudioFormat& target);

// ---- playing ---------------------------------------------------------------

// Plays a wave file asynchronously and returns at once. A new sound stops
// the one playing. Returns false (quietly) when the file cannot be read, is
// a database this process has open or a journal of one (unread), is no wave
// file the player understands, or there is no sound output.
bool PlaySound(const QString& path);

// The same for a wave file already in memory.
bool PlaySoundData(const QByteArray& wavFile);

// Stops the sound that plays, if any.
void StopSound();

// True while a sound started by PlaySound is playing.
bool IsPlaying();

// A short warning tone (the old platform's system beep), played beside any
// sound; where there is no sound output, the desktop's bell.
void Beep();

// ---- recording -------------------------------------------------------------

// Records from the default input device into memory and writes the take as
// a wave file: Start, Stop, Save, as the old multimedia control's Record,
// Stop and Save. Errors leave ErrorNumber() non-zero and a text in
// ErrorString() that the caller shows; nothing is thrown.
class WavRecorder : public QObject {
    Q_OBJECT
public:
    enum Error { NoError = 0, NoDevice = 1, DeviceError = 2, NothingRecorded = 3, WriteError = 4 };

    WavRecorder();
    ~WavRecorder() override;

    // Opens the default recording device and starts recording for `path`.
    // A take in progress is dropped first.
    bool Start(const QString& path);
    // Stops recording; the take stays in memory until Save or the next Start.
    void Stop();
    // Writes the take to the path given to Start as a complete wave file that
    // replaces the old one in one step. A take without any sound empties the
    // file instead (so the caller's length test finds it empty) and answers
    // false with NothingRecorded. A database this process has open, or a
    // journal of one, is left as it is (WriteError).
    bool Save();

    bool IsRecording() const;
    qint64 RecordedBytes() const;
    QAudioFormat Format() const { return format_; }
    int ErrorNumber() const { return error_; }
    QString ErrorString() const { return errorString_; }

private:
    void fail(Error e, const QString& text);

    std::unique_ptr<QAudioSource> source_;
    std::unique_ptr<QBuffer> buffer_;
    QByteArray take_;
    QAudioFormat format_;
    QString path_;
    int error_ = NoError;
    QString errorString_;
};

}  // namespace media
