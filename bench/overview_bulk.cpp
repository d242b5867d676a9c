// Deleting the checked items, beside raw sqlite3 doing the same rows:
//   BM_DeleteChecked/n  CountMarked and DeleteMarked over the grid's
//       dynaset of "Alles" as the program holds it (opened and walked over
//       every field by the grid's rebuild before), n items of which every
//       tenth is checked, in one transaction
//   the raw side reads Markiert of every row in one pass and counts the
//       checked ones among the keys, then in one transaction deletes each
//       checked row by its key (one prepared DELETE ... WHERE rowid = ?),
//       in the order of the same keys (the layer, too, reads the values in
//       one pass and keeps them for both walks)
//   BM_CheckAll/n       SetMarks(true) over the same dynaset, beside raw
//       per-key UPDATEs of Markiert in the same order and transaction
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

#include <benchmark/benchmark.h>

#include <sqlite3.h>
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <algorithm>
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

// The keys of "Alles" in its order, as the dynaset holds them (a bookmark
// is the key).
std::vector<qint64> keysOfAlles(const QString& path) {
    auto db = dao::DBEngine::OpenDatabase(path, false, false, ";pwd=" + vocabdb::VokDBPasswort);
    std::vector<qint64> keys;
    auto rs = db->OpenRecordset("Alles", dao::dbOpenDynaset);
    for (long p = 0; p < rs->RecordCount(); ++p) {
        rs->SetAbsolutePosition(p);
        keys.push_back(qFromLittleEndian<qint64>(rs->Bookmark().constData()));
    }
    rs->Close();
    db->Close();
    return keys;
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

// Markiert of every row in one pass, by key.
std::vector<std::pair<qint64, bool>> rawMarks(sqlite3* db) {
    std::vector<std::pair<qint64, bool>> marks;
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT rowid, Markiert FROM VOK", -1, &st, nullptr);
    while (sqlite3_step(st) == SQLITE_ROW)
        marks.emplace_back(sqlite3_column_int64(st, 0),
                           sqlite3_column_type(st, 1) != SQLITE_NULL && sqlite3_column_int64(st, 1) != 0);
    sqlite3_finalize(st);
    // A table scan gives its keys in ascending order already.
    return marks;
}

bool markedIn(const std::vector<std::pair<qint64, bool>>& marks, qint64 key) {
    auto it = std::lower_bound(marks.begin(), marks.end(), std::make_pair(key, false));
    return it != marks.end() && it->first == key && it->second;
}

double rawDelete(const QString& path, const std::vector<qint64>& keys, long* deleted) {
    sqlite3* db = openRaw(path);
    const double c0 = cpuMs();
    long count = 0;
    const auto marks = rawMarks(db);
    for (qint64 k : keys) count += markedIn(marks, k);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* del = nullptr;
    sqlite3_prepare_v2(db, "DELETE FROM VOK WHERE rowid = ?", -1, &del, nullptr);
    long n = 0;
    for (qint64 k : keys) {
        if (!markedIn(marks, k)) continue;
        sqlite3_bind_int64(del, 1, k);
        sqlite3_step(del);
        sqlite3_reset(del);
        ++n;
    }
    sqlite3_finalize(del);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    const double ms = cpuMs() - c0;
    sqlite3_close(db);
    benchmark::DoNotOptimize(count);
    *deleted = n;
    return ms;
}

double rawCheckAll(const QString& path, const std::vector<qint64>& keys) {
    sqlite3* db = openRaw(path);
    const double c0 = cpuMs();
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* up = nullptr;
    sqlite3_prepare_v2(db, "UPDATE VOK SET Markiert = ? WHERE rowid = ?", -1, &up, nullptr);
    for (qint64 k : keys) {
        sqlite3_bind_int(up, 1, -1);
        sqlite3_bind_int64(up, 2, k);
        sqlite3_step(up);
        sqlite3_reset(up);
    }
    sqlite3_finalize(up);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
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
        const std::vector<qint64> keys = keysOfAlles(path);
        raw += rawDelete(path, keys, &rawDeleted);

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
        const std::vector<qint64> keys = keysOfAlles(path);
        raw += rawCheckAll(path, keys);

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
