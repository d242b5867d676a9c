#pragma once
// Recording an item's spoken sound: the wave-audio device on the file
// NewVok.wav in the program folder (a fresh copy of the template Vok.dat
// each time), then the file stored byte for byte in the item's Sound field.
// The record button of the toolbar records for the current item
// (SingleItemRecording); frmMultipleRecording records every marked item.

#include <QString>
#include <functional>
#include <memory>

#include "platform/dao/Dao.h"
#include "platform/media/Media.h"

namespace overview {

class DialogsHost;

// The device as the recording steps use it: Open on a file, Record, Stop,
// Save into that file, Close. Errors leave ErrorNumber() non-zero and a text
// in ErrorString().
class SoundRecorder {
public:
    virtual ~SoundRecorder() = default;
    virtual bool Open(const QString& path) = 0;
    virtual bool Record() = 0;
    virtual void Stop() = 0;
    virtual bool Save() = 0;
    virtual void Close() = 0;
    virtual int ErrorNumber() const = 0;
    virtual QString ErrorString() const = 0;
};

// The media layer's recorder from the default input device.
class WavSoundRecorder : public SoundRecorder {
public:
    bool Open(const QString& path) override;
    bool Record() override;
    void Stop() override;
    bool Save() override;
    void Close() override;
    int ErrorNumber() const override;
    QString ErrorString() const override;

private:
    media::WavRecorder rec_;
    QString path_;
    int openError_ = 0;
    QString openErrorString_;
};

// Makes the recorder of a recording; WavSoundRecorder unless a test put
// another maker here.
inline std::function<std::unique_ptr<SoundRecorder>()> MakeSoundRecorder;
std::unique_ptr<SoundRecorder> NewSoundRecorder();

// The files in the program folder.
QString RecordingTemplatePath();  // Vok.dat
QString RecordingFilePath();      // NewVok.wav

// The warning of a recording that came out empty (messages 5020 to 5026),
// shown critical under the title of message 5001.
QString RecordingErrorMessage();
void ShowRecordingError();

// Copies the template over NewVok.wav and starts the device on it. An error
// of the device is shown under the title of the step ("FN", "Open",
// "Record") and the steps go on. Without the template nothing can be
// recorded: that is reported and the answer is false, with the device
// untouched.
bool StartRecording(SoundRecorder& rec);
// Stop, Save, Close. Whether the take was saved into NewVok.wav.
bool StopRecording(SoundRecorder& rec);
// Drops a take: the device stopped and closed, NewVok.wav deleted.
void AbandonRecording(SoundRecorder& rec);

// Stores NewVok.wav into Sound of the current record when the take was
// saved and the file holds something; otherwise shows the recording
// warning and the item keeps its sound. NewVok.wav is deleted in both
// cases. Whether a sound was stored.
bool StoreRecording(dao::Recordset& rs, bool saved);

// The record button of the overview toolbar (and Ctrl+R): the first click
// starts recording for the current item, the next stores it into that same
// item, wherever the selection went meanwhile.
class SingleItemRecording {
public:
    explicit SingleItemRecording(DialogsHost& host) : host_(host) {}
    ~SingleItemRecording();

    void cmdOverview1_Record_Click();
    bool IsRecording() const { return IsRecording_; }

private:
    DialogsHost& host_;
    std::unique_ptr<SoundRecorder> MMControl1;
    bool IsRecording_ = false;
    QByteArray item_;  // bookmark of the item the take is for
};

// Sets the icon cell of a grid row to the row icon of the grid recordset's
// current record, with the program option ListIcon.
void RefreshRowIcon(DialogsHost& host, long row);

}  // namespace overview
