// The freedesktop recently-used list ($XDG_DATA_HOME/recently-used.xbel).
// The file belongs to the desktop and to every other program the user runs,
// so it is copied token by token and only our own bookmark is touched; the
// result replaces the file in one rename.
#include <QBuffer>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include "platform/shell/Shell.h"

namespace shell {
namespace {

const QString kBookmarkNs = QStringLiteral("http://www.freedesktop.org/standards/desktop-bookmarks");
const QString kMimeNs = QStringLiteral("http://www.freedesktop.org/standards/shared-mime-info");

QString recentFile() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/recently-used.xbel");
}

QString nowStamp() {
    return QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz000Z"));
}

QString appName() {
    const QString name = QCoreApplication::applicationName();
    return name.isEmpty() ? QStringLiteral("Wortkiste") : name;
}

// The command line the desktop would use to open the file with us, quoted
// for a shell (the list is read with g_shell_parse_argv).
QString appExec() {
    QString program = QCoreApplication::applicationFilePath();
    if (program.isEmpty()) program = QStringLiteral("wortkiste");
    program.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QStringLiteral("'%1' %u").arg(program);
}

void writeApplication(QXmlStreamWriter& w, int count, const QString& stamp) {
    w.writeEmptyElement(kBookmarkNs, QStringLiteral("application"));
    w.writeAttribute(QStringLiteral("name"), appName());
    w.writeAttribute(QStringLiteral("exec"), appExec());
    w.writeAttribute(QStringLiteral("modified"), stamp);
    w.writeAttribute(QStringLiteral("count"), QString::number(count));
}

void writeMetadata(QXmlStreamWriter& w, const QString& mimeType, const QString& stamp) {
    w.writeStartElement(QStringLiteral("info"));
    w.writeStartElement(QStringLiteral("metadata"));
    w.writeAttribute(QStringLiteral("owner"), QStringLiteral("http://freedesktop.org"));
    w.writeEmptyElement(kMimeNs, QStringLiteral("mime-type"));
    w.writeAttribute(QStringLiteral("type"), mimeType);
    w.writeStartElement(kBookmarkNs, QStringLiteral("applications"));
    writeApplication(w, 1, stamp);
    w.writeEndElement();
    w.writeEndElement();
    w.writeEndElement();
}

void writeNewBookmark(QXmlStreamWriter& w, const QString& href, const QString& mimeType,
                      const QString& stamp) {
    w.writeCharacters(QStringLiteral("  "));
    w.writeStartElement(QStringLiteral("bookmark"));
    w.writeAttribute(QStringLiteral("href"), href);
    w.writeAttribute(QStringLiteral("added"), stamp);
    w.writeAttribute(QStringLiteral("modified"), stamp);
    w.writeAttribute(QStringLiteral("visited"), stamp);
    writeMetadata(w, mimeType, stamp);
    w.writeEndElement();
    w.writeCharacters(QStringLiteral("\n"));
}

bool sameFile(const QString& href, const QString& localPath) {
    const QUrl url(href);
    return url.isLocalFile() && QDir::cleanPath(url.toLocalFile()) == localPath;
}

// Copies `old` into a new list that holds our bookmark for `localPath`.
// Returns false when `old` is not a list we understand.
bool rewrite(const QByteArray& old, const QString& localPath, const QString& mimeType, QByteArray& out) {
    const QString href = QString::fromLatin1(QUrl::fromLocalFile(localPath).toEncoded());
    const QString stamp = nowStamp();
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QXmlStreamWriter w(&buffer);

    if (old.trimmed().isEmpty()) {
        w.writeStartDocument(QStringLiteral("1.0"));
        w.writeCharacters(QStringLiteral("\n"));
        w.writeNamespace(kBookmarkNs, QStringLiteral("bookmark"));
        w.writeNamespace(kMimeNs, QStringLiteral("mime"));
        w.writeStartElement(QStringLiteral("xbel"));
        w.writeAttribute(QStringLiteral("version"), QStringLiteral("1.0"));
        w.writeCharacters(QStringLiteral("\n"));
        writeNewBookmark(w, href, mimeType, stamp);
        w.writeEndElement();
        w.writeEndDocument();
        return true;
    }

    QXmlStreamReader r(old);
    int depth = 0;
    bool rootSeen = false, found = false;
    bool inOurs = false, inApps = false, sawApps = false, sawOurApp = false;
    int oursDepth = 0;
    while (!r.atEnd()) {
        r.readNext();
        if (r.hasError()) return false;
        switch (r.tokenType()) {
            case QXmlStreamReader::StartElement: {
                ++depth;
                if (depth == 1) {
                    if (r.name() != QLatin1String("xbel")) return false;
                    rootSeen = true;
                    // Declare the two namespaces on the root even where the old
                    // list did not, so that our elements get their usual prefixes.
                    bool hasBookmark = false, hasMime = false;
                    for (const auto& ns : r.namespaceDeclarations()) {
                        hasBookmark |= ns.namespaceUri() == kBookmarkNs;
                        hasMime |= ns.namespaceUri() == kMimeNs;
                    }
                    if (!hasBookmark) w.writeNamespace(kBookmarkNs, QStringLiteral("bookmark"));
                    if (!hasMime) w.writeNamespace(kMimeNs, QStringLiteral("mime"));
                    w.writeCurrentToken(r);
                } else if (depth == 2 && !found && r.name() == QLatin1String("bookmark") &&
                           sameFile(r.attributes().value(QLatin1String("href")).toString(), localPath)) {
                    found = inOurs = true;
                    oursDepth = depth;
                    for (const auto& ns : r.namespaceDeclarations())
                        w.writeNamespace(ns.namespaceUri().toString(), ns.prefix().toString());
                    w.writeStartElement(r.namespaceUri().toString(), r.name().toString());
                    for (const auto& a : r.attributes()) {
                        const auto n = a.qualifiedName();
                        if (n == QLatin1String("modified") || n == QLatin1String("visited")) continue;
                        w.writeAttribute(a);
                    }
                    w.writeAttribute(QStringLiteral("modified"), stamp);
                    w.writeAttribute(QStringLiteral("visited"), stamp);
                } else if (inOurs && r.namespaceUri() == kBookmarkNs &&
                           r.name() == QLatin1String("applications")) {
                    inApps = sawApps = true;
                    w.writeCurrentToken(r);
                } else if (inApps && r.namespaceUri() == kBookmarkNs &&
                           r.name() == QLatin1String("application") &&
                           r.attributes().value(QLatin1String("name")) == appName()) {
                    sawOurApp = true;
                    const int count = r.attributes().value(QLatin1String("count")).toInt();
                    w.writeStartElement(kBookmarkNs, QStringLiteral("application"));
                    w.writeAttribute(QStringLiteral("name"), appName());
                    w.writeAttribute(QStringLiteral("exec"), appExec());
                    w.writeAttribute(QStringLiteral("modified"), stamp);
                    w.writeAttribute(QStringLiteral("count"), QString::number(qMax(count, 0) + 1));
                } else {
                    w.writeCurrentToken(r);
                }
                break;
            }
            case QXmlStreamReader::EndElement:
                if (inApps && r.namespaceUri() == kBookmarkNs && r.name() == QLatin1String("applications")) {
                    if (!sawOurApp) writeApplication(w, 1, stamp);
                    inApps = false;
                }
                if (inOurs && depth == oursDepth) {
                    if (!sawApps) writeMetadata(w, mimeType, stamp);
                    inOurs = false;
                }
                if (depth == 1 && !found) writeNewBookmark(w, href, mimeType, stamp);
                w.writeCurrentToken(r);
                --depth;
                break;
            case QXmlStreamReader::StartDocument:
                w.writeCurrentToken(r);
                w.writeCharacters(QStringLiteral("\n"));  // the reader drops the prolog's line break
                break;
            default:
                w.writeCurrentToken(r);
                break;
        }
    }
    if (r.hasError() || !rootSeen) return false;
    w.writeCharacters(QString());
    return !w.hasError();
}

}  // namespace

bool AddToRecentDocs(const QString& path, const QString& mimeType) {
    if (path.isEmpty()) return false;
    const QString list = recentFile();
    QFile in(list);
    if (!in.exists()) return false;  // the desktop keeps no list here
    if (!in.open(QIODevice::ReadOnly)) return false;
    const QByteArray old = in.readAll();
    in.close();

    QByteArray fresh;
    if (!rewrite(old, QDir::cleanPath(QFileInfo(path).absoluteFilePath()), mimeType, fresh)) return false;

    QSaveFile out(list);
    if (!out.open(QIODevice::WriteOnly)) return false;
    out.write(fresh);
    return out.commit();
}

}  // namespace shell
