// Media stored in database fields. A file goes into its field in one step,
// with no event loop running while the record is in edit mode, so no other
// handler can meet the record half written.
#include "core/modMedia.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QLabel>

#include "core/RunState.h"
#include "core/UserFiles.h"
#include "core/modMain.h"
#include "platform/Error.h"
#include "platform/RegularFile.h"
#include "platform/forms/Interaction.h"
#include "platform/media/Media.h"
#include "platform/shell/Shell.h"

namespace modMedia {
namespace {

// The runtime's numbers for these failures.
constexpr int kFileAccessError = 75;
constexpr int kInvalidPicture = 481;

constexpr int kNotRegularFile = 5071;  // message id

const QString kBild = QStringLiteral("Bild");
const QString kSound = QStringLiteral("Sound");
const QString kSoundTip = QStringLiteral("SoundTip");
const QString kSoundRichtig = QStringLiteral("SoundRichtig");
const QString kSoundFalsch = QStringLiteral("SoundFalsch");

// "File cannot be opened:", the file and why.
void tellCannotStore(const QString& path, const QString& reason) {
    QString text;
    try {
        text = modMain::GetText(5050);
    } catch (const wk::Error&) {
        text = QStringLiteral("File cannot be opened:");
    }
    forms::ui().MsgBox(
        text + QLatin1Char('\r') + QDir::toNativeSeparators(path) + QStringLiteral("\r\r") + reason,
        forms::vbExclamation, runstate::ProgName);
}

bool hasMedium(dao::Recordset& rs, const QString& field) {
    return rs.FieldSize(field) >= 1;
}

void clearField(dao::Recordset& rs, const QString& field) {
    rs.Edit();
    try {
        rs.SetValue(field, QString());
        rs.Update();
    } catch (...) {
        rs.CancelUpdate();
        throw;
    }
}

// The common steps of every stored sound: a temporary file, play it, and
// let the clean-up delete it later.
QString playStored(dao::Recordset& rs, const QString& field) {
    const QString path = BlobToTempFile(modMain::GetTempPath(), rs, field);
    media::PlaySound(path);
    if (EnableTempCleanup) EnableTempCleanup();
    return path;
}

// The whole file, or false after telling the user why it cannot be read.
bool readMediaFile(const QString& path, QByteArray& bytes) {
    if (userfiles::RefuseHeldSource(path)) return false;
    // A folder, a pipe or a device is no picture or sound; a pipe would
    // keep the program waiting for good.
    QString why;
    bool notRegular = false;
    if (!wk::ReadRegularFile(path, bytes, &why, &notRegular)) {
        tellCannotStore(path, notRegular ? modMain::GetText(kNotRegularFile) : why);
        return false;
    }
    return true;
}

void tellNoPicture(const QString& path) {
    tellCannotStore(path, modMain::GetText(5079));
}

}  // namespace

// ---- file and field -----------------------------------------------------------

QPixmap PictureFromFile(const QString& path) {
    QByteArray bytes;
    if (!readMediaFile(path, bytes)) return {};
    QPixmap picture;
    if (bytes.isEmpty() || !picture.loadFromData(bytes, QFileInfo(path).suffix().toLatin1())) {
        tellNoPicture(path);
        return {};
    }
    return picture;
}

bool FileToField(const QString& path, dao::Recordset& rs, const QString& field) {
    QByteArray bytes;
    if (!readMediaFile(path, bytes)) return false;
    if (field.compare(kBild, Qt::CaseInsensitive) == 0 && !bytes.isEmpty() &&
        QImage::fromData(bytes).isNull()) {
        tellNoPicture(path);
        return false;
    }

    rs.Edit();
    try {
        if (bytes.isEmpty()) {
            rs.SetValue(field, QString());
        } else {
            for (qint64 at = 0; at < bytes.size(); at += ChunkSize)
                rs.AppendChunk(field, bytes.mid(at, ChunkSize));
        }
        rs.Update();
    } catch (...) {
        rs.CancelUpdate();
        throw;
    }
    return true;
}

void FieldToFile(const QString& path, dao::Recordset& rs, const QString& field) {
    const qint64 size = rs.FieldSize(field);
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw wk::Error(kFileAccessError, QStringLiteral("Path/File access error"));
    for (qint64 at = 0; at < size; at += ChunkSize) {
        const QByteArray chunk = rs.GetChunk(field, at, qMin(ChunkSize, size - at));
        if (out.write(chunk) != chunk.size())
            throw wk::Error(kFileAccessError, QStringLiteral("Path/File access error"));
    }
    if (!out.flush()) throw wk::Error(kFileAccessError, QStringLiteral("Path/File access error"));
}

QString BlobToTempFile(const QString& folder, dao::Recordset& rs, const QString& field) {
    const QString path = shell::CreateTempFile(folder);
    if (path.isEmpty()) throw wk::Error(kFileAccessError, QStringLiteral("Path/File access error"));
    FieldToFile(path, rs, field);
    return path;
}

QString PictureFilter() {
    QString description = modMain::GetText(119).section(QLatin1Char('|'), 0, 0);
    const qsizetype open = description.indexOf(QLatin1Char('('));
    if (open > 0) description = description.left(open).trimmed();
    QStringList patterns;
    for (const QByteArray& format : QImageReader::supportedImageFormats())
        patterns << QStringLiteral("*.") + QString::fromLatin1(format).toLower();
    patterns.removeDuplicates();
    return description + QLatin1Char('|') + patterns.join(QLatin1Char(';'));
}

QPixmap LoadBlobPicture(dao::Recordset& rs, const QString& field) {
    const QString path = BlobToTempFile(modMain::GetTempPath(), rs, field);
    QPixmap picture;
    const bool loaded = picture.load(path);
    QFile::remove(path);
    if (!loaded) throw wk::Error(kInvalidPicture, QStringLiteral("Invalid picture"));
    return picture;
}

void ShowBlobPicture(dao::Recordset& rs, const QString& field, QLabel& control) {
    control.setPixmap(LoadBlobPicture(rs, field));
}

// ---- checks and clearing -----------------------------------------------------------

bool HasPicture(dao::Recordset& rs) {
    try {
        return hasMedium(rs, kBild);
    } catch (const wk::Error&) {
        return false;
    }
}
bool HasSound(dao::Recordset& rs) {
    return hasMedium(rs, kSound);
}
bool HasSoundTip(dao::Recordset& rs) {
    return hasMedium(rs, kSoundTip);
}
bool HasSoundRichtig(dao::Recordset& rs) {
    return hasMedium(rs, kSoundRichtig);
}
bool HasSoundFalsch(dao::Recordset& rs) {
    return hasMedium(rs, kSoundFalsch);
}

void ClearPicture(dao::Recordset& rs) {
    clearField(rs, kBild);
}
void ClearSound(dao::Recordset& rs) {
    clearField(rs, kSound);
}
void ClearSoundTip(dao::Recordset& rs) {
    clearField(rs, kSoundTip);
}
void ClearSoundRichtig(dao::Recordset& rs) {
    clearField(rs, kSoundRichtig);
}
void ClearSoundFalsch(dao::Recordset& rs) {
    clearField(rs, kSoundFalsch);
}

// ---- playing ------------------------------------------------------------------

QString PlayItemSound(dao::Recordset& rs, bool force) {
    // A Null ShowSound counts as not 1.
    bool show = false;
    if (ShowSoundOption) {
        const QVariant v = ShowSoundOption();
        show = v.isValid() && !v.isNull() && v.toInt() == 1;
    }
    if ((show || force) && HasSound(rs)) return playStored(rs, kSound);
    return {};
}

QString PlaySoundTip(dao::Recordset& rs) {
    if (HasSoundTip(rs)) return playStored(rs, kSoundTip);
    return {};
}

QString PlaySoundRichtig(dao::Recordset& rs, bool fallback) {
    if (HasSoundRichtig(rs)) return playStored(rs, kSoundRichtig);
    if (fallback) return PlayRightWrong(QStringLiteral("Richtig"));
    return {};
}

QString PlaySoundFalsch(dao::Recordset& rs, bool fallback) {
    if (HasSoundFalsch(rs)) return playStored(rs, kSoundFalsch);
    if (fallback) return PlayRightWrong(QStringLiteral("Falsch"));
    return {};
}

}  // namespace modMedia
