// Opening a vocabulary database that has a journal left beside it, as a
// killed program leaves one (ten items added after the last checkpoint),
// at 100,000 and 1,000,000 items with every grid column filled: through
// the layer, which first looks through the journal to see that it gives a
// sound file of its own, and by raw sqlite3 calls, which open the file and
// read its schema through the journal as any program would. The layer's
// open of the same file without a journal is beside them. Each pass starts
// from a fresh copy of the pair (the copy is not timed); "cold" passes drop
// the copy from the page cache first, as after a restart.
// Counters: wall_ms and cpu_ms per open; mb, the file's size.
// Measured on this machine class (Release, wall time, mean of 5, load 6 to
// 9; 25.6 MB and 256.6 MB): without the look through the journal the open
// took 2.3 to 3.4 ms, as without a journal; with it, 140 ms (461 ms cold)
// at 100,000 items and 1.42 s (4.7 s cold) at 1,000,000, nearly all of it
// PRAGMA quick_check. The raw open reads no more than the schema: 1 ms.
#include "platform/dao/Dao.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>

#include <map>

#include "BenchSupport.h"
#include "GridBenchSupport.h"

namespace {

using benchsupport::cpuMs;

QTemporaryDir* sharedDir = nullptr;

// A closed file of `items` items and, beside it, the same file with a
// journal a killed program left; made once per size.
QString templateFile(long items) {
    static std::map<long, QString> made;
    if (!sharedDir) sharedDir = new QTemporaryDir;
    if (auto it = made.find(items); it != made.end()) return it->second;
    const QString file = sharedDir->filePath(QString("items%1.wkd").arg(items));
    {
        auto db = benchsupport::newVokDatabase(file);
        benchsupport::fillAllColumns(*db, items);
        db->Close();
    }
    const QString crashed = sharedDir->filePath(QString("crashed%1.wkd").arg(items));
    QFile::copy(file, crashed);
    sqlite3* raw = nullptr;
    sqlite3_open(QFile::encodeName(crashed).constData(), &raw);
    sqlite3_exec(raw,
                 "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 10) "
                 "INSERT INTO VOK (Q, A1) SELECT 'after ' || i, 'answer' FROM n;",
                 nullptr, nullptr, nullptr);
    sqlite3_db_config(raw, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    sqlite3_close(raw);
    QFile::remove(crashed + "-shm");
    made[items] = file;
    return file;
}

void copyInto(const QString& from, const QString& to, bool cold) {
    QFile::remove(to);
    QFile::copy(from, to);
    const int fd = ::open(QFile::encodeName(to).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    if (cold) {
        ::fdatasync(fd);
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    }
    ::close(fd);
}

// A fresh copy at dir/kurs.wkd: the file alone, or with the left journal.
QString freshCopy(const QTemporaryDir& dir, long items, bool journal, bool cold) {
    const QString file = templateFile(items);
    const QString to = dir.filePath("kurs.wkd");
    for (const char* s : {"-wal", "-shm", "-wal.set-aside"}) QFile::remove(to + s);
    if (!journal) {
        copyInto(file, to, cold);
        return to;
    }
    const QString crashed = sharedDir->filePath(QString("crashed%1.wkd").arg(items));
    copyInto(crashed, to, cold);
    copyInto(crashed + "-wal", to + "-wal", cold);
    return to;
}

void report(benchmark::State& state, double wall, double cpu) {
    state.counters["wall_ms"] = wall / double(state.iterations());
    state.counters["cpu_ms"] = cpu / double(state.iterations());
}

// state.range(0): items; range(1): 1 with the journal; range(2): 1 cold.
void DaoOpen(benchmark::State& state) {
    QTemporaryDir dir;
    double wall = 0, cpu = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QString file = freshCopy(dir, state.range(0), state.range(1) != 0, state.range(2) != 0);
        state.ResumeTiming();
        QElapsedTimer t;
        t.start();
        const double c0 = cpuMs();
        auto db = dao::DBEngine::OpenDatabase(file, false, false, ";pwd=" + vocabdb::VokDBPasswort);
        cpu += cpuMs() - c0;
        wall += double(t.nsecsElapsed()) / 1e6;
        state.PauseTiming();
        if (!db->SetAsideJournal().isEmpty()) state.SkipWithError("the journal was set aside");
        db->Close();
        state.counters["mb"] = double(QFileInfo(file).size()) / 1e6;
        state.ResumeTiming();
    }
    report(state, wall, cpu);
}

// What any program does to open the file: open it and read its schema,
// through the journal.
void RawOpen(benchmark::State& state) {
    QTemporaryDir dir;
    double wall = 0, cpu = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QString file = freshCopy(dir, state.range(0), true, state.range(2) != 0);
        state.ResumeTiming();
        QElapsedTimer t;
        t.start();
        const double c0 = cpuMs();
        sqlite3* db = nullptr;
        sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_exec(db, "PRAGMA journal_mode=WAL; SELECT count(*) FROM sqlite_schema;", nullptr, nullptr,
                     nullptr);
        cpu += cpuMs() - c0;
        wall += double(t.nsecsElapsed()) / 1e6;
        state.PauseTiming();
        sqlite3_close(db);
        state.ResumeTiming();
    }
    report(state, wall, cpu);
}

void Sizes(benchmark::internal::Benchmark* b, bool withClean) {
    for (long items : {100000L, 1000000L})
        for (long cold : {0L, 1L}) {
            if (withClean) b->Args({items, 0, cold});
            b->Args({items, 1, cold});
        }
}

BENCHMARK(DaoOpen)
    ->Apply([](benchmark::internal::Benchmark* b) { Sizes(b, true); })
    ->ArgNames({"items", "journal", "cold"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->UseRealTime();
BENCHMARK(RawOpen)
    ->Apply([](benchmark::internal::Benchmark* b) { Sizes(b, false); })
    ->ArgNames({"items", "journal", "cold"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    return benchsupport::runBenchmarks(argc, argv);
}
