// The right and wrong sounds of the DATA folders and the shipped defaults.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "core/UserFiles.h"
#include "core/modMain.h"
#include "core/modMedia.h"
#include "platform/media/Media.h"

namespace modMedia {
namespace {

bool optionOn(const std::function<QVariant()>& option) {
    if (!option) return false;
    const QVariant v = option();
    return v.isValid() && !v.isNull() && v.toDouble() != 0.0;
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QSaveFile out(path);
    return out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size() && out.commit();
}

// Copies the shipped files of a resource folder into `target`.
bool copyResources(const QString& resourceFolder, const QString& target) {
    if (!QDir().mkpath(target)) return false;
    bool ok = true;
    for (const QString& name : QDir(resourceFolder).entryList(QDir::Files, QDir::Name)) {
        QFile in(resourceFolder + QLatin1Char('/') + name);
        ok &= in.open(QIODevice::ReadOnly) && writeFile(target + QLatin1Char('/') + name, in.readAll());
    }
    return ok;
}

}  // namespace

// ---- lists of right and wrong sounds ----------------------------------------

QStringList WaveFilesIn(const QString& folder) {
    return QDir(folder).entryList({QStringLiteral("*.wav")}, QDir::Files, QDir::Name | QDir::IgnoreCase);
}

void LoadSoundLists() {
    const QString home = modMain::ProgramFolder();
    fileRichtig = WaveFilesIn(home + QStringLiteral("/DATA/RIGHT"));
    fileFalsch = WaveFilesIn(home + QStringLiteral("/DATA/WRONG"));
}

bool InstallDefaultSounds() {
    const QString home = modMain::ProgramFolder();
    bool ok = true;
    if (!QFileInfo::exists(home + QStringLiteral("/DATA/RIGHT")))
        ok &= copyResources(QStringLiteral(":/sounds/right"), home + QStringLiteral("/DATA/RIGHT"));
    if (!QFileInfo::exists(home + QStringLiteral("/DATA/WRONG")))
        ok &= copyResources(QStringLiteral(":/sounds/wrong"), home + QStringLiteral("/DATA/WRONG"));
    const QString vok = home + QStringLiteral("/Vok.dat");
    if (!QFileInfo::exists(vok)) {
        QFile in(QStringLiteral(":/sounds/Vok.dat"));
        ok &= QDir().mkpath(home) && in.open(QIODevice::ReadOnly) && writeFile(vok, in.readAll());
    }
    return ok;
}

QString PlayRightWrong(const QString& kind) {
    const QStringList* list = nullptr;
    QString folder;
    bool on = false;
    if (kind == QLatin1String("Richtig")) {
        on = optionOn(PlayRightOption);
        list = &fileRichtig;
        folder = QStringLiteral("/DATA/RIGHT");
    } else if (kind == QLatin1String("Falsch")) {
        on = optionOn(PlayWrongOption);
        list = &fileFalsch;
        folder = QStringLiteral("/DATA/WRONG");
    } else {
        return {};
    }
    if (!on || list->isEmpty()) return {};
    const qint32 index = modMain::RandomInt(0, double(list->size() - 1));
    const QString path = modMain::ProgramFolder() + folder + QLatin1Char('/') + list->at(index);
    // A link to a database the program holds is not opened: that would drop
    // the connection's locks.
    if (userfiles::IsHeldFile(path)) return {};
    media::PlaySound(path);  // not temporary: the clean-up is not switched on
    return path;
}

}  // namespace modMedia
