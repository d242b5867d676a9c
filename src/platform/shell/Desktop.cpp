// Opening pages and files, the documents folder, the screen, the fonts and
// the start of a further instance.
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QSet>
#include <QStandardPaths>
#include <QUrl>

#include "platform/shell/Shell.h"

namespace shell {

bool OpenDocument(const QString& pathOrUrl) {
    if (pathOrUrl.trimmed().isEmpty()) return false;
    // A scheme of two or more letters makes an address ("https:", "mailto:");
    // everything else is a file, relative paths to the current folder.
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    QUrl url;
    if (!pathOrUrl.startsWith(QLatin1Char('/')) && scheme.match(pathOrUrl).hasMatch())
        url = QUrl(pathOrUrl, QUrl::TolerantMode);
    else
        url = QUrl::fromLocalFile(QFileInfo(pathOrUrl).absoluteFilePath());
    if (!url.isValid()) return false;
    return QDesktopServices::openUrl(url);
}

QString DocumentsFolder() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (dir.isEmpty()) dir = QDir::homePath();
    while (dir.size() > 1 && dir.endsWith(QLatin1Char('/'))) dir.chop(1);
    return dir;
}

int GetColorDepth() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->depth() : 0;
}

QStringList FontFamilies(bool scalableOnly) {
    const QStringList all =
        scalableOnly ? QFontDatabase::families(QFontDatabase::Latin) : QFontDatabase::families();
    QStringList result;
    for (const QString& family : all) {
        if (QFontDatabase::isPrivateFamily(family)) continue;
        if (scalableOnly && !QFontDatabase::isScalable(family)) continue;
        result << family;
    }
    return UniqueFaces(result);
}

QStringList UniqueFaces(const QStringList& families) {
    // A face made by two foundries comes as "C059 [UKWN]" and "C059 [urw]";
    // the user picks the face, and the bare name finds it again.
    static const QRegularExpression foundry(QStringLiteral("\\s*\\[[^\\]]*\\]$"));
    QStringList result;
    QSet<QString> seen;
    for (const QString& family : families) {
        const QString face = QString(family).remove(foundry);
        if (face.isEmpty() || seen.contains(face)) continue;
        seen.insert(face);
        result << face;
    }
    return result;
}

void SubstituteMissingFonts() {
    // Faces of the old platform that files name (the default of a new
    // database is "MS Sans Serif"): the name stays stored, the desktop's own
    // face of the same kind shows it. Arial, Times New Roman and the like
    // are left to fontconfig, which knows metric-compatible faces for them.
    // The faces the desktop's font names really resolve to ("Sans Serif" is
    // no face of its own).
    const QString sans = QFontInfo(QFontDatabase::systemFont(QFontDatabase::GeneralFont)).family();
    const QString mono = QFontInfo(QFontDatabase::systemFont(QFontDatabase::FixedFont)).family();
    QFont serifHint(QStringLiteral("serif"));
    serifHint.setStyleHint(QFont::Serif);
    const QString serif = QFontInfo(serifHint).family();
    const struct {
        const char* face;
        const QString& shownWith;
    } faces[] = {
        {"MS Sans Serif", sans}, {"Microsoft Sans Serif", sans},
        {"MS Shell Dlg", sans},  {"MS Shell Dlg 2", sans},
        {"MS Serif", serif},     {"Fixedsys", mono},
    };
    for (const auto& f : faces) {
        const QString face = QString::fromLatin1(f.face);
        if (f.shownWith.isEmpty() || QFontDatabase::hasFamily(face)) continue;
        if (!QFont::substitutes(face).contains(f.shownWith)) QFont::insertSubstitution(face, f.shownWith);
    }
}

bool StartNewInstance(const QStringList& arguments) {
    const QString program = QCoreApplication::applicationFilePath();
    if (program.isEmpty()) return false;
    return QProcess::startDetached(program, arguments, QDir::currentPath());
}

}  // namespace shell
