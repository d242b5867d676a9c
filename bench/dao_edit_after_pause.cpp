// The first edit after a pause: the idle checkpoint has put every change
// into the main file, and the user changes one item. Whatever the layer
// does at that commit to be able to write a lost journal back later is
// waited for here, so it must grow with the change, not with the file.
//   BM_EditAfterPause/items/uncached   one Edit/Update of a random item of
//       a vocabulary database of `items` items, right after the idle
//       checkpoint; with uncached = 1 the main file's pages were dropped
//       from the page cache first (posix_fadvise, from a child process:
//       a descriptor closed here would drop the layer's locks)
//   counters: edit_ms the wall time of that edit (what the user waits
//       for), next_ms the wall time of a second edit right after it,
//       file_MB the main file's size
// Ten repetitions each; the min and median rows are the figures.
// Measured (wall ms, min / median of 10, two runs interleaved, machine
// shared and loaded; file 22 MB at 100,000 items, 216 MB at 1,000,000):
// before, the whole main file hashed at this commit; after, page 1 and the
// pages the journal's frames would overwrite:
//   100,000 cached      5.4-5.7 / 5.7-5.8  ->  0.27-0.28 / 0.30-0.32
//   100,000 uncached    13.7 / 16.0-18.6   ->  0.51-0.63 / 0.67-0.79
//   1,000,000 cached    45-55 / 46-56      ->  0.23-0.26 / 0.27-0.31
//   1,000,000 uncached  106 / 117-127      ->  0.60-0.63 / 0.72-0.79
// The next edit takes 0.04-0.16 ms before and after.

#include <benchmark/benchmark.h>

#include <sqlite3.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <memory>

#include "BenchSupport.h"

namespace {

// One database per size for the whole run: a million items take a while.
QString databaseOf(long items) {
    static QTemporaryDir dir;
    static std::map<long, QString> made;
    if (auto it = made.find(items); it != made.end()) return it->second;
    const QString file = dir.filePath(QString("items%1.wkd").arg(items));
    benchsupport::newVokDatabase(file)->Close();
    // Filled by hand: the layer's own import would take minutes here.
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(file).constData(), &db);
    const QByteArray sql =
        QByteArray(
            "PRAGMA journal_mode=WAL; BEGIN; "
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ") +
        QByteArray::number(qlonglong(items)) +
        ") INSERT INTO VOK (Q, A1, A2, T, Kategorie, Explanation, Punkte) "
        "SELECT printf('Frage %d mit etwas Text', i), printf('Antwort %d', i), printf('zweite %d', i % 97), "
        "printf('Thema %d', i % 20), printf('Kategorie %d', i % 7), printf('Erklaerung %d zum Wort', i), "
        "i % 50 FROM n; COMMIT; PRAGMA wal_checkpoint(TRUNCATE);";
    char* err = nullptr;
    if (sqlite3_exec(db, sql.constData(), nullptr, nullptr, &err) != SQLITE_OK) qFatal("fill: %s", err);
    sqlite3_close(db);
    made[items] = file;
    return file;
}

// The idle checkpoint, run now rather than a second later.
void runIdleCheckpoint() {
    auto* idle = QCoreApplication::instance()->findChild<QTimer*>("wk_idle_checkpoint");
    for (int i = 0; idle && idle->isActive() && i < 50; ++i) {
        idle->stop();
        QMetaObject::invokeMethod(idle, "timeout");
    }
}

void dropFromPageCache(const QString& file) {
    const QByteArray name = QFile::encodeName(file);
    const pid_t child = ::fork();
    if (child == 0) {
        const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0) ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        ::_exit(0);
    }
    if (child > 0) ::waitpid(child, nullptr, 0);
}

double editMs(dao::Recordset& rs, long at, int points) {
    QElapsedTimer t;
    t.start();
    rs.SetAbsolutePosition(at);
    rs.Edit();
    rs.SetValue("Punkte", points);
    rs.Update();
    return double(t.nsecsElapsed()) / 1e6;
}

void BM_EditAfterPause(benchmark::State& state) {
    const long items = state.range(0);
    const bool uncached = state.range(1) != 0;
    const QString file = databaseOf(items);
    dao::Workspace ws;
    auto db = ws.OpenDatabase(file, false, false, ";pwd=" + vocabdb::VokDBPasswort);
    auto rs = db->OpenRecordset("VOK");
    auto* random = QRandomGenerator::global();
    double edit = 0, next = 0;
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        editMs(*rs, long(random->bounded(quint32(items))), ++round);
        runIdleCheckpoint();
        if (uncached) dropFromPageCache(file);
        state.ResumeTiming();
        const double first = editMs(*rs, long(random->bounded(quint32(items))), ++round);
        state.PauseTiming();
        next = editMs(*rs, long(random->bounded(quint32(items))), ++round);
        edit = first;
        state.SetIterationTime(first / 1e3);
        state.ResumeTiming();
    }
    db->Close();
    state.counters["edit_ms"] = edit;
    state.counters["next_ms"] = next;
    state.counters["file_MB"] = double(QFileInfo(file).size()) / 1e6;
}

double minimum(const std::vector<double>& v) {
    return v.empty() ? 0 : *std::min_element(v.begin(), v.end());
}

BENCHMARK(BM_EditAfterPause)
    ->Args({100000, 0})
    ->Args({100000, 1})
    ->Args({1000000, 0})
    ->Args({1000000, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(10)
    ->ComputeStatistics("min", minimum)
    ->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    return benchsupport::runBenchmarks(argc, argv);
}
