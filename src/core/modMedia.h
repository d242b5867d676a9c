#pragma once
// Pictures and sounds stored whole, byte for byte, in the MEMO fields of an
// item (Bild, Sound, SoundTip, SoundRichtig, SoundFalsch): storing a file
// into a field and back, the checks and clearing operations, showing a
// stored picture and playing a stored sound through a temporary file in
// TEMP, and the random right and wrong sounds of DATA/RIGHT and DATA/WRONG.

#include <QPixmap>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>

#include "platform/dao/Dao.h"

class QLabel;

namespace modMedia {

// Fields move in pieces of this size.
constexpr qint64 ChunkSize = 32000;

// Where the options come from. The main window points them at the options
// record (ShowSound) and the program options (PlayRight, PlayWrong); while
// unset they answer Null, which counts as "off".
inline std::function<QVariant()> ShowSoundOption;
inline std::function<QVariant()> PlayRightOption;
inline std::function<QVariant()> PlayWrongOption;
// Switches the main window's temporary-file clean-up on; set by the window.
inline std::function<void()> EnableTempCleanup;

// The wave files of DATA/RIGHT and DATA/WRONG, read once by
// LoadSoundLists when the main window loads (file names without folder).
inline QStringList fileRichtig;
inline QStringList fileFalsch;
void LoadSoundLists();
// The "*.wav" files of a folder (any letter case), sorted by name without
// regard to case.
QStringList WaveFilesIn(const QString& folder);

// Copies the shipped right and wrong sounds into DATA/RIGHT and DATA/WRONG
// of the program folder when such a folder is missing, and the recording
// template Vok.dat when it is missing. A folder the user emptied stays
// empty. Returns false when something could not be written.
bool InstallDefaultSounds();

// Replaces the field's value with the bytes of the file and saves the
// record, in one step. A file that cannot be read, or a file for the
// picture field Bild that is no picture the program can show, leaves the
// field as it was and tells the user; the answer is then false. An empty
// file empties the field. Errors of the database pass to the caller, with
// the record's edit cancelled.
bool FileToField(const QString& path, dao::Recordset& rs, const QString& field);

// The picture in the file, read as FileToField reads it; a null pixmap
// after telling the user why the file cannot be taken (unreadable, empty,
// an open database, or no picture the program can show).
QPixmap PictureFromFile(const QString& path);

// Writes the field's bytes into the file, replacing its content. Raises
// wk::Error 75 when the file cannot be written.
void FieldToFile(const QString& path, dao::Recordset& rs, const QString& field);

// A new unique file in `folder` holding the field's bytes; its path.
// Raises wk::Error 75 when no file can be made there.
QString BlobToTempFile(const QString& folder, dao::Recordset& rs, const QString& field);

// The open dialog's filter for pictures: the words of message 119 with
// every format the program can load (PNG included), not only the three of
// the message's own pattern list.
QString PictureFilter();

// The stored picture, through a temporary file that is deleted at once.
// Raises wk::Error 481 when the bytes are no picture.
QPixmap LoadBlobPicture(dao::Recordset& rs, const QString& field);
void ShowBlobPicture(dao::Recordset& rs, const QString& field, QLabel& control);

// A field holds a medium when its stored size is at least 1 (the bytes are
// not read). HasPicture answers false when the field cannot be read; the
// others pass such errors on.
bool HasPicture(dao::Recordset& rs);
bool HasSound(dao::Recordset& rs);
bool HasSoundTip(dao::Recordset& rs);
bool HasSoundRichtig(dao::Recordset& rs);
bool HasSoundFalsch(dao::Recordset& rs);

// Sets the field to the empty text and saves the record, with or without a
// medium in it.
void ClearPicture(dao::Recordset& rs);
void ClearSound(dao::Recordset& rs);
void ClearSoundTip(dao::Recordset& rs);
void ClearSoundRichtig(dao::Recordset& rs);
void ClearSoundFalsch(dao::Recordset& rs);

// The players. Each answers the path of the file it started (a temporary
// file in TEMP for a stored sound, a file of DATA for a right or wrong
// sound) or "" when it played nothing. Playing itself never reports: a
// sound the output cannot play is silence.
QString PlayItemSound(dao::Recordset& rs, bool force);
QString PlaySoundTip(dao::Recordset& rs);
QString PlaySoundRichtig(dao::Recordset& rs, bool fallback);
QString PlaySoundFalsch(dao::Recordset& rs, bool fallback);
// kind "Richtig" or "Falsch"; anything else plays nothing.
QString PlayRightWrong(const QString& kind);

}  // namespace modMedia
