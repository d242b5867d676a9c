// File-type registration for freedesktop desktops. Every file is rewritten
// only when its content changes, and always as a whole new file, so a start
// that finds everything in place touches nothing.
#include "startup/modRegister.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>

namespace modRegister {
namespace {

const char* const kDefaultGroup = "[Default Applications]";
const char* const kAddedGroup = "[Added Associations]";
const char* const kRemovedGroup = "[Removed Associations]";

QString dataHome() {
    QString dir = qEnvironmentVariable("XDG_DATA_HOME");
    if (dir.isEmpty() || !QDir::isAbsolutePath(dir)) dir = QDir::homePath() + QStringLiteral("/.local/share");
    return dir;
}

// Writes `content` to `path` unless it holds exactly that already. Returns
// false when the file could not be written; `changed` tells whether it was.
bool writeIfChanged(const QString& path, const QByteArray& content, bool& changed) {
    changed = false;
    QFile old(path);
    if (old.open(QIODevice::ReadOnly)) {
        if (old.readAll() == content) return true;
        old.close();
    }
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) return false;
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly)) return false;
    out.write(content);
    if (!out.commit()) return false;
    changed = true;
    return true;
}

// The files an install puts in place (resources/desktop), so that both
// name the same type, icon and menu entry.
QByteArray resource(const char* name) {
    QFile f(QStringLiteral(":/desktop/") + QLatin1String(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Marks an entry a start wrote, so that a later start may replace or
// remove it; an entry without it is the user's or an install's.
const char* const kWrittenMark = "X-Wortkiste-Written-At-Start=true";

// The installed entry, with this program file in its Exec line.
QByteArray desktopEntry(const QString& programPath) {
    QByteArray out;
    for (const QByteArray& line : resource("wortkiste.desktop").split('\n')) {
        if (line.isEmpty()) continue;
        out += line.startsWith("Exec=") ? "Exec=" + DesktopExec(programPath).toUtf8() : line;
        out += '\n';
    }
    return out + kWrittenMark + '\n';
}

// Whether a per-user entry is one a start wrote: it carries the mark, or
// (written before there was one) it is the installed entry but for its Exec.
bool writtenByStart(const QByteArray& entry) {
    QList<QByteArray> lines = entry.split('\n'), installed = resource("wortkiste.desktop").split('\n');
    if (lines.contains(kWrittenMark)) return true;
    auto execOf = [](QList<QByteArray>& l) {
        l.removeAll(QByteArray());
        const auto it =
            std::find_if(l.begin(), l.end(), [](const QByteArray& x) { return x.startsWith("Exec="); });
        if (it == l.end()) return QByteArray();
        const QByteArray exec = *it;
        l.erase(it);
        return exec;
    };
    const QByteArray exec = execOf(lines), installedExec = execOf(installed);
    return !exec.isEmpty() && exec != installedExec && lines == installed;
}

// Whether an entry of the program's name lies in a system data folder
// ($XDG_DATA_DIRS, by default /usr/local/share and /usr/share).
bool installedEntryExists() {
    QString dirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dirs.isEmpty()) dirs = QStringLiteral("/usr/local/share:/usr/share");
    for (const QString& dir : dirs.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        if (QDir::isAbsolutePath(dir) &&
            QFileInfo::exists(dir + QStringLiteral("/applications/") + kDesktopId))
            return true;
    return false;
}

// The per-user entry: this program file's, unless that would shadow an
// entry the user or an install put in place. The desktop takes the
// per-user entry over the installed one of the same name, so a start from a
// build tree would otherwise take over the menu and the files of the
// installed program; an entry an earlier start wrote goes again then.
bool putDesktopEntry(const QString& path, const QString& programPath, bool& changed) {
    changed = false;
    QFile old(path);
    const bool exists = old.exists();
    if (exists && !old.open(QIODevice::ReadOnly)) return false;
    const bool ours = !exists || writtenByStart(old.readAll());
    old.close();
    if (!ours) return true;  // the user's own or a per-user install
    if (installedEntryExists()) {
        if (!exists) return true;
        changed = QFile::remove(path);
        return changed;
    }
    return writeIfChanged(path, desktopEntry(programPath), changed);
}

// Runs a desktop database tool when it is installed; it may not hang the start.
void runTool(const QString& tool, const QString& folder) {
    const QString exe = QStandardPaths::findExecutable(tool);
    if (exe.isEmpty()) return;
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(exe, {folder});
    if (!p.waitForFinished(10000)) {
        p.kill();
        p.waitForFinished(1000);
    }
}

// ---- mimeapps.list ---------------------------------------------------------

struct Line {
    QByteArray text;  // without its end
    QByteArray end;   // "\n", "\r\n" or "" for a last line without one
};

QList<Line> splitLines(const QByteArray& data) {
    QList<Line> lines;
    qsizetype start = 0;
    while (start < data.size()) {
        qsizetype nl = data.indexOf('\n', start);
        if (nl < 0) {
            lines.append({data.mid(start), {}});
            break;
        }
        qsizetype stop = nl;
        if (stop > start && data[stop - 1] == '\r') --stop;
        lines.append({data.mid(start, stop - start), data.mid(stop, nl + 1 - stop)});
        start = nl + 1;
    }
    return lines;
}

bool isGroup(const QByteArray& text) {
    const QByteArray t = text.trimmed();
    return t.startsWith('[') && t.endsWith(']');
}

QByteArray keyOf(const QByteArray& text) {
    const qsizetype eq = text.indexOf('=');
    return eq < 0 ? QByteArray() : text.left(eq).trimmed();
}

QList<QByteArray> valuesOf(const QByteArray& text) {
    QList<QByteArray> out;
    const qsizetype eq = text.indexOf('=');
    for (const QByteArray& v : text.mid(eq + 1).split(';')) {
        const QByteArray t = v.trimmed();
        if (!t.isEmpty()) out << t;
    }
    return out;
}

QByteArray joinValues(const QByteArray& key, const QList<QByteArray>& values) {
    QByteArray text = key + '=';
    for (const QByteArray& v : values) text += v + ';';
    return text;
}

// Index range [begin, end) of the lines after the header of `group`; begin
// is -1 when the group is missing.
std::pair<qsizetype, qsizetype> groupRange(const QList<Line>& lines, const char* group) {
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i].text.trimmed() != group) continue;
        qsizetype end = i + 1;
        while (end < lines.size() && !isGroup(lines[end].text)) ++end;
        return {i + 1, end};
    }
    return {-1, -1};
}

// Makes `id` the first value of `key` in `group`, adding key or group.
void putFirst(QList<Line>& lines, const char* group, const QByteArray& key, const QByteArray& id,
              const QByteArray& eol) {
    auto [begin, end] = groupRange(lines, group);
    if (begin < 0) {
        if (!lines.isEmpty()) {
            if (lines.last().end.isEmpty()) lines.last().end = eol;
            if (!lines.last().text.trimmed().isEmpty()) lines.append({{}, eol});
        }
        lines.append({group, eol});
        lines.append({key + '=' + id + ';', eol});
        return;
    }
    for (qsizetype i = begin; i < end; ++i) {
        if (keyOf(lines[i].text) != key) continue;
        QList<QByteArray> values = valuesOf(lines[i].text);
        if (!values.isEmpty() && values.first() == id && values.count(id) == 1) return;  // in place
        values.removeAll(id);
        values.prepend(id);
        lines[i].text = joinValues(key, values);
        return;
    }
    // After the group's last entry, before blank lines that part groups.
    qsizetype at = end;
    while (at > begin && lines[at - 1].text.trimmed().isEmpty()) --at;
    if (at > 0 && lines[at - 1].end.isEmpty()) lines[at - 1].end = eol;
    lines.insert(at, {key + '=' + id + ';', eol});
}

void removeValue(QList<Line>& lines, const char* group, const QByteArray& key, const QByteArray& id) {
    auto [begin, end] = groupRange(lines, group);
    if (begin < 0) return;
    for (qsizetype i = begin; i < end; ++i) {
        if (keyOf(lines[i].text) != key) continue;
        QList<QByteArray> values = valuesOf(lines[i].text);
        if (!values.contains(id)) continue;
        values.removeAll(id);
        if (values.isEmpty()) {
            lines.removeAt(i);
            --i;
            --end;
        } else {
            lines[i].text = joinValues(key, values);
        }
    }
}

}  // namespace

QString DesktopExec(const QString& programPath) {
    // Inside double quotes the desktop-entry format escapes " ` $ and \ with a
    // backslash; the value itself is a string whose backslashes are doubled
    // once more. A literal % is written %%.
    QString quoted;
    for (const QChar c : programPath) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$'))
            quoted += QStringLiteral("\\\\") + c;
        else if (c == QLatin1Char('\\'))
            quoted += QStringLiteral("\\\\\\\\");
        else if (c == QLatin1Char('%'))
            quoted += QStringLiteral("%%");
        else if (c == QLatin1Char('\n'))
            quoted += QStringLiteral("\\n");
        else if (c == QLatin1Char('\t'))
            quoted += QStringLiteral("\\t");
        else if (c == QLatin1Char('\r'))
            quoted += QStringLiteral("\\r");
        else
            quoted += c;
    }
    return QStringLiteral("\"%1\" %f").arg(quoted);
}

QByteArray WithDefaultApplication(const QByteArray& mimeappsList, const QString& mimeType,
                                  const QString& desktopId) {
    QList<Line> lines = splitLines(mimeappsList);
    const QByteArray eol =
        mimeappsList.contains("\r\n") ? QByteArrayLiteral("\r\n") : QByteArrayLiteral("\n");
    const QByteArray key = mimeType.toUtf8();
    const QByteArray id = desktopId.toUtf8();
    putFirst(lines, kDefaultGroup, key, id, eol);
    putFirst(lines, kAddedGroup, key, id, eol);
    removeValue(lines, kRemovedGroup, key, id);
    QByteArray out;
    for (const Line& l : lines) out += l.text + l.end;
    return out;
}

bool RegisterFileType() {
    return RegisterFileType(QCoreApplication::applicationFilePath());
}

bool RegisterFileType(const QString& programPath) {
    const QString data = dataHome();
    bool ok = true, changed = false;

    bool mimeChanged = false;
    const QByteArray mime = resource("wortkiste.xml");
    ok &= !mime.isEmpty() &&
          writeIfChanged(data + QStringLiteral("/mime/packages/wortkiste.xml"), mime, mimeChanged);

    bool desktopChanged = false;
    ok &= putDesktopEntry(data + QStringLiteral("/applications/") + kDesktopId, programPath, desktopChanged);

    // The user's own choices live in ~/.config/mimeapps.list and win over
    // this file; here only the program's association is kept.
    const QString listPath = data + QStringLiteral("/applications/mimeapps.list");
    QByteArray list;
    {
        QFile f(listPath);
        if (f.exists() && !f.open(QIODevice::ReadOnly)) {
            ok = false;  // a list we cannot read is not overwritten
        } else {
            if (f.isOpen()) list = f.readAll();
            ok &= writeIfChanged(listPath, WithDefaultApplication(list, kMimeType, kDesktopId), changed);
        }
    }

    const QByteArray icon = resource("wortkiste.svg");
    ok &= !icon.isEmpty() &&
          writeIfChanged(data + QStringLiteral("/icons/hicolor/scalable/apps/wortkiste.svg"), icon, changed);

    if (mimeChanged || !QFileInfo::exists(data + QStringLiteral("/mime/mime.cache")))
        runTool(QStringLiteral("update-mime-database"), data + QStringLiteral("/mime"));
    if (desktopChanged || !QFileInfo::exists(data + QStringLiteral("/applications/mimeinfo.cache")))
        runTool(QStringLiteral("update-desktop-database"), data + QStringLiteral("/applications"));
    return ok;
}

}  // namespace modRegister
