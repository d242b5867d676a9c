#pragma once
// How much more memory this process may take. Linux hands out memory it may
// not have and ends the process later, so work that grows with a file asks
// here first rather than waiting for std::bad_alloc, which a limit of the
// process (ulimit -v) raises but a full machine or a full control group
// does not.

#include <sys/resource.h>

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <algorithm>
#include <limits>

namespace wk {

// The most the process may take from now on, in bytes, when a test sets
// it (-1: no such bound).
inline qint64 MemoryCeilingForTests = -1;

namespace detail {

constexpr qint64 kNoBound = std::numeric_limits<qint64>::max();

// The content of a small file of /proc or /sys; empty when it cannot be read.
inline QByteArray fileText(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A "Key:   123 kB" line of a /proc file, in bytes; -1 when it is missing.
inline qint64 procKb(const QString& file, const QByteArray& key) {
    for (const QByteArray& line : fileText(file).split('\n'))
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLongLong() * 1024;
    return -1;
}

// What a limit of the process leaves beside what it has taken already.
inline qint64 leftUnder(int resource, qint64 taken) {
    rlimit l{};
    if (::getrlimit(resource, &l) != 0 || l.rlim_cur == RLIM_INFINITY || taken < 0) return kNoBound;
    return std::max<qint64>(0, qint64(l.rlim_cur) - taken);
}

// The number a control group's file holds; -1 for "max" or none.
inline qint64 groupNumber(const QString& file) {
    bool ok = false;
    const qint64 n = fileText(file).trimmed().toLongLong(&ok);
    return ok && n >= 0 ? n : -1;
}

// The value of a "key value" line of a memory.stat file; 0 when missing.
inline qint64 statValue(const QString& file, const QByteArray& key) {
    for (const QByteArray& line : fileText(file).split('\n'))
        if (line.startsWith(key + ' ')) return line.mid(key.size() + 1).trimmed().toLongLong();
    return 0;
}

// A path of /proc/self/mountinfo with its escapes (\040 for a blank) undone.
inline QString unescapeMount(const QByteArray& field) {
    QByteArray out;
    for (qsizetype i = 0; i < field.size(); ++i) {
        bool octal = false;
        const int code = field[i] == '\\' ? field.mid(i + 1, 3).toInt(&octal, 8) : 0;
        if (octal && i + 3 < field.size()) {
            out += char(code);
            i += 3;
        } else {
            out += field[i];
        }
    }
    return QString::fromUtf8(out);
}

// Where a control group hierarchy with the memory controller is mounted,
// and the names of its files.
struct MemoryHierarchy {
    QString mount;  // the mount point
    QString top;    // the group the mount shows at its top
    const char* limit;
    const char* used;
    QByteArray reclaimable;  // the memory.stat line of page cache it may drop
};

// What the memory controller lets the process's own control group (as
// /proc/self/cgroup names it) and every group above it still take: the
// limit less what the group uses, page cache the kernel can drop without
// writing (inactive_file) not counted as used. The least of them; kNoBound
// without a limit. cgroup v2 (memory.max, memory.current) and v1
// (memory.limit_in_bytes, memory.usage_in_bytes), as the machine mounts
// them; every file is read under `root`.
inline qint64 controlGroupLeft(const QString& root) {
    MemoryHierarchy v2{{}, {}, "memory.max", "memory.current", "inactive_file"};
    MemoryHierarchy v1{{}, {}, "memory.limit_in_bytes", "memory.usage_in_bytes", "total_inactive_file"};
    for (const QByteArray& line : fileText(root + "/proc/self/mountinfo").split('\n')) {
        // id parent device top mount-point options [optional...] - type source super-options
        const QList<QByteArray> f = line.split(' ');
        const qsizetype dash = f.indexOf("-");
        if (dash < 5 || dash + 3 >= f.size()) continue;
        MemoryHierarchy* h = nullptr;
        if (f[dash + 1] == "cgroup2") h = &v2;
        if (f[dash + 1] == "cgroup" && f[dash + 3].split(',').contains("memory")) h = &v1;
        if (h && h->mount.isEmpty()) {
            h->mount = unescapeMount(f[4]);
            h->top = unescapeMount(f[3]);
        }
    }
    qint64 left = kNoBound;
    for (const QByteArray& line : fileText(root + "/proc/self/cgroup").split('\n')) {
        // hierarchy:controllers:group
        const qsizetype a = line.indexOf(':'), b = line.indexOf(':', a + 1);
        if (a < 0 || b < 0) continue;
        const QByteArray controllers = line.mid(a + 1, b - a - 1);
        const MemoryHierarchy* h = nullptr;
        if (line.left(a) == "0" && controllers.isEmpty()) h = &v2;
        if (controllers.split(',').contains("memory")) h = &v1;
        if (!h || h->mount.isEmpty()) continue;
        // The group below the mount's top; one outside it is seen at the top.
        const QString group = QString::fromUtf8(line.mid(b + 1));
        const QString top = h->top == QLatin1String("/") ? QString() : h->top;
        const QStringList below = group == top || group.startsWith(top + QLatin1Char('/'))
                                      ? group.mid(top.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts)
                                      : QStringList();
        for (qsizetype n = below.size(); n >= 0; --n) {
            const QString dir = root + h->mount + QLatin1Char('/') + below.mid(0, n).join(QLatin1Char('/'));
            const qint64 limit = groupNumber(dir + QLatin1Char('/') + QLatin1String(h->limit));
            const qint64 used = groupNumber(dir + QLatin1Char('/') + QLatin1String(h->used));
            if (limit < 0 || used < 0) continue;
            const qint64 reclaimable = statValue(dir + QStringLiteral("/memory.stat"), h->reclaimable);
            left = std::min(left, std::max<qint64>(0, limit - std::max<qint64>(0, used - reclaimable)));
        }
    }
    return left;
}

// AvailableMemory with every file read under `root`.
inline qint64 availableMemoryUnder(const QString& root) {
    qint64 free = procKb(root + QStringLiteral("/proc/meminfo"), "MemAvailable:");
    if (free < 0) free = kNoBound;
    free = std::min(free, controlGroupLeft(root));
    const QString status = root + QStringLiteral("/proc/self/status");
    free = std::min(free, leftUnder(RLIMIT_AS, procKb(status, "VmSize:")));
    free = std::min(free, leftUnder(RLIMIT_DATA, procKb(status, "VmData:")));
    return free;
}

}  // namespace detail

// What the system has free (MemAvailable), what the control groups of the
// process still allow and what its own limits (RLIMIT_AS, RLIMIT_DATA)
// still allow, whichever is least.
inline qint64 AvailableMemory() {
    qint64 free = detail::availableMemoryUnder(QString());
    if (MemoryCeilingForTests >= 0) free = std::min(free, MemoryCeilingForTests);
    return free;
}

}  // namespace wk
