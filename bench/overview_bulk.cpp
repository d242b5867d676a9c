// Deleting the checked items, beside raw sqlite3 doing the same rows:
//   BM_DeleteChecked/n  CountMarked and DeleteMarked over the grid's
//       dynaset of "Alles" as the program holds it (opened and walked over
//       every field by the grid's rebuild before), n items of which every
//       tenth is checked, in one transaction
//   the raw side counts the checked rows and deletes them by one
//       statement in one transaction, as a lean program would
//   BM_CheckAll/n       SetMarks(true) over the same dynaset, beside one
//       raw UPDATE of Markiert
// Each run works on a fresh copy of the database, made outside the timing.
// cpu_ms is the layer's CPU time, raw_cpu_ms the raw one, ratio_cpu their
// quotient.
// Measured (CPU time, min / median of 3 runs, 2 at 1,000,000; machine
// shared and loaded):
//   DeleteChecked before (a walk starting again at the first record after
//   every deletion, each revisit read from SQLite alone): 10,000 items
//   30.6 / 32.6 s against 7.3 / 7.7 ms raw (3,900-4,500x); larger sizes not
//   run (quadratic). After (the marks read in one pass, the rows deleted by
//   key, the set closed up once): 10,000 7.5 / 7.9 ms (0.96-1.09x);
//   100,000 123 / 130 ms (1.04-1.25x); 1,000,000 1.45 / 1.47 s (0.85x)
//   CheckAll (linear before and after, unchanged): 10,000 1.11-1.17x before,
//   1.15-1.62x after; 100,000 1.03-1.19x before, 1.14-1.22x after;
//   1,000,000 1.04-1.09x after
//   Those ratios were against a raw side that read every mark and deleted
//   or updated row by row in grid order. Against one statement (CPU, min /
//   median of 3 at 100,000, machine heavily loaded): DeleteChecked 303 /
//   305 ms against 118-134 ms raw (2.27-2.56x); CheckAll 1.96 / 1.98 s
//   against 0.51-0.54 s raw (3.68-4.06x)
// With the rollback journal, whose transactions spill out of SQLite's page
// cache, CheckAll in grid order (CPU, 3 runs interleaved with the build
// before): 100,000 744-822 ms against 550-683 ms before; in the order the
// file holds the records: 456-530 ms; 1,000,000 (one run each) 13.4 s in
// grid order, 5.3 s in file order, 7.3-8.7 s before.

#include <benchmark/benchmark.h>

#include <sqlite3.h>
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <map>
#include <memory>
#include <vector>

#include "BenchSupport.h"

#include "overview/BulkOps.h"
#include "platform/dao/Dao.h"

namespace {

using benchsupport::cpuMs;

struct Template {
    QTemporaryDir dir;
    QString path;
    explicit Template(long items) {
        path = dir.filePath("template.wkd");
        auto db = benchsupport::newVokDatabase(path);
        benchsupport::insertRows(*db, "INSERT INTO VOK (Q, A1, T, Markiert) VALUES (?, ?, ?, ?)", items,
                                 [](long i) -> dao::Params {
                                     return {QString("Frage %1").arg((i * 7919) % 1000003),
                                             QString("Antwort %1").arg(i), QString("Thema %1").arg(i % 20),
                                             i % 10 == 3};
                                 });
        db->Close();
    }
};

// Emptied before the application object goes.
std::map<long, std::unique_ptr<Template>> templates;
Template& templateOf(long items) {
    auto& t = templates[items];
    if (!t) t = std::make_unique<Template>(items);
    return *t;
}

// A fresh copy of the template, its path.
QString freshCopy(long items, QTemporaryDir& dir) {
    const QString path = dir.filePath("bench.wkd");
    QFile::remove(path);
    QFile::copy(templateOf(items).path, path);
    return path;
}

// The grid's dynaset as a rebuild leaves it: every field of every record
// read once, in one read transaction.
dao::RecordsetPtr gridRecordset(dao::Database& db) {
    auto rs = db.OpenRecordset("Alles", dao::dbOpenDynaset);
    auto& ws = dao::DBEngine::DefaultWorkspace();
    ws.BeginTrans();
    for (long p = 0; p < rs->RecordCount(); ++p) {
        rs->SetAbsolutePosition(p);
        for (int f = 0; f < rs->FieldCount(); ++f) benchmark::DoNotOptimize(rs->Value(f));
    }
    ws.CommitTrans();
    return rs;
}

sqlite3* openRaw(const QString& path) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    return db;
}

// A count and one statement, as a lean program deletes the checked rows.
double rawDelete(const QString& path, long* deleted) {
    sqlite3* db = openRaw(path);
    const double c0 = cpuMs();
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT count(*) FROM VOK WHERE Markiert <> 0", -1, &st, nullptr);
    sqlite3_step(st);
    const long count = long(sqlite3_column_int64(st, 0));
    sqlite3_finalize(st);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_exec(db, "DELETE FROM VOK WHERE Markiert <> 0", nullptr, nullptr, nullptr);
    *deleted = sqlite3_changes(db);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    const double ms = cpuMs() - c0;
    sqlite3_close(db);
    benchmark::DoNotOptimize(count);
    return ms;
}

double rawCheckAll(const QString& path) {
    sqlite3* db = openRaw(path);
    const double c0 = cpuMs();
    sqlite3_exec(db, "UPDATE VOK SET Markiert = -1", nullptr, nullptr, nullptr);
    const double ms = cpuMs() - c0;
    sqlite3_close(db);
    return ms;
}

void BM_DeleteChecked(benchmark::State& state) {
    const long items = state.range(0);
    QTemporaryDir dir;
    double layer = 0, raw = 0;
    long deleted = 0, rawDeleted = 0;
    for (auto _ : state) {
        const QString path = freshCopy(items, dir);
        raw += rawDelete(path, &rawDeleted);

        const QString again = freshCopy(items, dir);
        auto db = dao::DBEngine::OpenDatabase(again, false, false, ";pwd=" + vocabdb::VokDBPasswort);
        auto rs = gridRecordset(*db);
        const double c0 = cpuMs();
        const long c = overview::bulk::CountMarked(*rs);
        deleted = c > 0 ? overview::bulk::DeleteMarked(*rs, dao::DBEngine::DefaultWorkspace()) : 0;
        layer += cpuMs() - c0;
        rs->Close();
        db->Close();
    }
    const double n = double(state.iterations());
    state.counters["deleted"] = double(deleted);
    state.counters["raw_deleted"] = double(rawDeleted);
    state.counters["cpu_ms"] = layer / n;
    state.counters["raw_cpu_ms"] = raw / n;
    benchsupport::setRatio(state, layer, raw);
}
BENCHMARK(BM_DeleteChecked)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

void BM_CheckAll(benchmark::State& state) {
    const long items = state.range(0);
    QTemporaryDir dir;
    double layer = 0, raw = 0;
    for (auto _ : state) {
        const QString path = freshCopy(items, dir);
        raw += rawCheckAll(path);

        const QString again = freshCopy(items, dir);
        auto db = dao::DBEngine::OpenDatabase(again, false, false, ";pwd=" + vocabdb::VokDBPasswort);
        auto rs = gridRecordset(*db);
        const double c0 = cpuMs();
        overview::bulk::SetMarks(*rs, dao::DBEngine::DefaultWorkspace(), true);
        layer += cpuMs() - c0;
        rs->Close();
        db->Close();
    }
    const double n = double(state.iterations());
    state.counters["cpu_ms"] = layer / n;
    state.counters["raw_cpu_ms"] = raw / n;
    benchsupport::setRatio(state, layer, raw);
}
BENCHMARK(BM_CheckAll)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rc = benchsupport::runBenchmarks(argc, argv);
    templates.clear();
    return rc;
}
