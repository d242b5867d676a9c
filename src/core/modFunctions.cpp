#include "core/modFunctions.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QListWidget>

#include "core/RunState.h"

namespace modFunctions {

namespace {

bool isVisibleFile(const QFileInfo& fi) {
    return fi.isFile() && !fi.isHidden();
}

bool folderHasVisibleFile(const QDir& dir, const QStringList& patterns) {
    if (!dir.exists()) return false;
    // Without QDir::Hidden and QDir::System only visible regular files are listed.
    return !dir.entryList(patterns, QDir::Files).isEmpty();
}

}  // namespace

bool FileExists(const QString& path) {
    if (path.isEmpty()) return false;
    if (path.endsWith(u'/')) return folderHasVisibleFile(QDir(path), {});
    const QFileInfo fi(path);
    const QString name = fi.fileName();
    if (name.contains(u'*') || name.contains(u'?')) return folderHasVisibleFile(fi.dir(), {name});
    return isVisibleFile(fi);
}

QString RemoveString(const QString& text, const QString& part) {
    if (part.isEmpty()) return text;
    QString result = text;
    result.remove(part, Qt::CaseSensitive);
    return result;
}

QString FileNameFromPath(const QString& path, qint16 selector) {
    if (selector != 1) return {};
    const qsizetype slash = path.lastIndexOf(u'/');
    if (slash < 0) return {};
    return path.mid(slash + 1);
}

QString StripDBExtension() {
    const QString& name = runstate::VokDBDatei;
    const qsizetype pos = name.indexOf(QLatin1String(".wkd"), 0, Qt::CaseInsensitive);
    return pos < 0 ? name : name.left(pos);
}

qint16 FindComboItemByID(QComboBox& combo, const QString& key) {
    const int remembered = combo.currentIndex();
    const int n = combo.count();
    for (int i = 0; i < n; ++i) {
        combo.setCurrentIndex(i);
        if (combo.currentText().left(1) == key) {
            combo.setCurrentIndex(remembered);
            return static_cast<qint16>(i);
        }
    }
    if (n > 0) combo.setCurrentIndex(remembered);
    return -1;
}

qint16 FindListItem(const QListWidget& list, const QString& text, qint16 mode) {
    if (mode != 1 && mode != 2) return -1;
    const QString wanted = mode == 1 ? UCase(text) : text;
    for (int i = 0; i < list.count(); ++i) {
        const QString entry = list.item(i)->text();
        if ((mode == 1 ? UCase(entry) : entry) == wanted) return static_cast<qint16>(i);
    }
    return -1;
}

bool FindComboItem(const QComboBox& combo, const QString& text) {
    const QString wanted = UCase(text);
    for (int i = 0; i < combo.count(); ++i)
        if (UCase(combo.itemText(i)) == wanted) return true;
    return false;
}

QString UCase(const QString& s) {
    QString out;
    out.reserve(s.size());
    for (char32_t c : s.toUcs4()) {
        const char32_t u = QChar::toUpper(c);
        if (QChar::requiresSurrogates(u)) {
            out += QChar(QChar::highSurrogate(u));
            out += QChar(QChar::lowSurrogate(u));
        } else {
            out += QChar(static_cast<char16_t>(u));
        }
    }
    return out;
}

}  // namespace modFunctions
