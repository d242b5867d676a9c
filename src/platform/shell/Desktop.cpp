// Opening pages and files, the documents folder, the screen, the fonts and
// the start of a further instance.
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
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
    return result;
}

bool StartNewInstance(const QStringList& arguments) {
    const QString program = QCoreApplication::applicationFilePath();
    if (program.isEmpty()) return false;
    return QProcess::startDetached(program, arguments, QDir::currentPath());
}

}  // namespace shell
