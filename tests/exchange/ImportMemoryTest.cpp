// The text import's memory check: what the control groups leave the process,
// and what a file's rows are counted at beside what they were measured to take.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <functional>
#include <map>

#include "exchange/TextImport.h"
#include "platform/Memory.h"

using namespace exchange;

namespace {

constexpr qint64 MB = qint64(1) << 20;

const char* const kMountV2 =
    "30 23 0:26 / /sys/fs/cgroup rw,nosuid shared:4 - "
    "cgroup2 cgroup2 rw,nsdelegate\n";
const char* const kMountHybrid =
    "35 31 0:32 / /sys/fs/cgroup/memory rw,relatime shared:9 - cgroup cgroup "
    "rw,memory\n"
    "41 31 0:38 / /sys/fs/cgroup/unified rw,relatime - cgroup2 cgroup2 rw\n";

QByteArray number(qint64 n) {
    return QByteArray::number(n) + '\n';
}

}  // namespace

// The limit of the process's own control group, or of a group above it,
// less what the group holds but for page cache the kernel may drop, bounds
// what the process may take; the machine's free memory bounds it where no
// group is tighter.
TEST(ImportMemory, TheControlGroupsLeaveTheProcessTheirLimitLessWhatTheyHold) {
    const QString v2 = "sys/fs/cgroup/user.slice/app.scope/";
    const QString v1 = "sys/fs/cgroup/memory/job/7/";
    const struct {
        const char* what;
        std::map<QString, QByteArray> files;  // below the root, besides MemAvailable of 8 GB
        qint64 left;
    } cases[] = {
        {"v2, its own group, page cache dropped first",
         {{"proc/self/mountinfo", kMountV2},
          {"proc/self/cgroup", "0::/user.slice/app.scope\n"},
          {v2 + "memory.max", number(500 * MB)},
          {v2 + "memory.current", number(300 * MB)},
          {v2 + "memory.stat", "anon 200\nfile 80\ninactive_file " + QByteArray::number(50 * MB) + "\n"}},
         250 * MB},
        {"v2, a group above it tighter",
         {{"proc/self/mountinfo", kMountV2},
          {"proc/self/cgroup", "0::/user.slice/app.scope\n"},
          {v2 + "memory.max", "max\n"},
          {v2 + "memory.current", number(100 * MB)},
          {"sys/fs/cgroup/user.slice/memory.max", number(400 * MB)},
          {"sys/fs/cgroup/user.slice/memory.current", number(350 * MB)}},
         50 * MB},
        {"v1 beside a v2 mount without the controller",
         {{"proc/self/mountinfo", kMountHybrid},
          {"proc/self/cgroup", "9:name=systemd:/\n4:memory:/job/7\n0::/\n"},
          {v1 + "memory.limit_in_bytes", number(1024 * MB)},
          {v1 + "memory.usage_in_bytes", number(700 * MB)},
          {v1 + "memory.stat", "cache 5\ntotal_inactive_file " + QByteArray::number(100 * MB) + "\n"},
          {"sys/fs/cgroup/unified/memory.current", number(9000 * MB)}},
         424 * MB},
        {"v1 without a limit",
         {{"proc/self/mountinfo", kMountHybrid},
          {"proc/self/cgroup", "4:memory:/job/7\n"},
          {v1 + "memory.limit_in_bytes", "9223372036854771712\n"},
          {v1 + "memory.usage_in_bytes", number(700 * MB)}},
         8192 * MB},
        {"a container's own group at the mount's top",
         {{"proc/self/mountinfo", "30 23 0:26 /docker/abc /sys/fs/cgroup rw - cgroup2 cgroup2 rw\n"},
          {"proc/self/cgroup", "0::/docker/abc\n"},
          {"sys/fs/cgroup/memory.max", number(300 * MB)},
          {"sys/fs/cgroup/memory.current", number(100 * MB)}},
         200 * MB},
        {"more held than the limit",
         {{"proc/self/mountinfo", kMountV2},
          {"proc/self/cgroup", "0::/user.slice/app.scope\n"},
          {v2 + "memory.max", number(100 * MB)},
          {v2 + "memory.current", number(120 * MB)}},
         0},
        {"no control groups", {}, 8192 * MB},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir root;
        auto put = [&](const QString& rel, const QByteArray& text) {
            ASSERT_TRUE(QDir(root.path()).mkpath(QFileInfo(rel).path()));
            QFile f(root.filePath(rel));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(text);
        };
        put("proc/meminfo", "MemTotal:       16777216 kB\nMemAvailable:    8388608 kB\n");
        for (const auto& [rel, text] : c.files) put(rel, text);
        EXPECT_EQ(wk::detail::availableMemoryUnder(root.path()), c.left);
    }
}

// A row is counted at no less than it took in the preview and the import, and
// at no more than 1.6 times: the least and the most per row that
// bench/exchange_import_memory.cpp measured for each kind of line it reads.
TEST(ImportMemory, ARowIsCountedAtWhatItWasMeasuredToTakeWithRoomToSpare) {
    const struct {
        const char* what;
        std::function<QString(long)> line;
        TextLayout layout;
        double least, most;  // preview and import, bytes a row
    } kinds[] = {
        {"short", [](long r) { return QString("Neu %1\tnew %1\tThema %2").arg(r).arg(r % 30); },
         TextLayout::QuestionAnswerTheme, 199, 222},
        {"long",
         [](long r) {
             return QString("Frage %1 ").arg(r, 8, 10, QChar('0')).leftJustified(60, 'q') + '\t' +
                    QString("Antwort %1 ").arg(r).leftJustified(80, 'a') + '\t' +
                    QString("Thema %1").arg(r % 30).leftJustified(20, 't');
         },
         TextLayout::QuestionAnswerTheme, 558, 587},
        {"Cyrillic",
         [](long r) { return QString::fromUtf8("Вопрос %1\tответ %1\tтема %2").arg(r).arg(r % 30); },
         TextLayout::QuestionAnswerTheme, 235, 263},
        {"ten cells",
         [](long r) {
             QString line = QString("Frage %1").arg(r);
             for (int a = 1; a <= 9; ++a) line += QString("\tant%1 %2").arg(a).arg(r);
             return line;
         },
         TextLayout::QuestionAnswers, 346, 359},
    };
    for (const auto& k : kinds) {
        SCOPED_TRACE(k.what);
        QByteArray text;
        for (long r = 500000; r < 501000; ++r) text += k.line(r).toUtf8() + "\r\n";
        QBuffer in(&text);
        in.open(QIODevice::ReadOnly);
        const TextPreview p = ParseImportLines(
            in, "\t", k.layout, false, [](const QStringList&) {}, std::numeric_limits<qint64>::max());
        ASSERT_EQ(p.rows, 1000);
        const double perRow = double(p.previewBytes + p.importBytes) / p.rows;
        EXPECT_GE(perRow, k.most);
        EXPECT_LE(perRow, 1.6 * k.least);
    }
}
