// Walking 10,000 records of a 20-column table and changing one field in
// each with Edit/Update, through the database layer and, beside it, with the
// same work done by raw sqlite3 calls: the keys in the same order, then one
// committed UPDATE per row, with SQLite's defaults (rollback journal,
// synchronous FULL) as the layer runs its connections. Each Update is
// durable when it returns, so each row waits for the disk: the program's
// own walks that change many records are one transaction (see
// overview_bulk); this one measures the layer's cost per commit.
// Counters per walk: cpu_ms and wall_ms of the layer, raw_cpu_ms and
// raw_wall_ms, ratio_cpu and ratio_wall (layer / raw). Both files are
// walked in each iteration, the side that goes first alternating.
// Measured on this machine class (CPU time): before (6abce7d) 153 ms against
// 124 ms raw; the walk writes, so the row window does not change it much.
// Since an edit asks SQLite's data version before it starts (another
// program's commit is seen) and kept values are checked against it (machine
// shared and loaded; min / median of 3 runs interleaved with the build
// before): 113 / 128 ms before, 123 / 133 ms after, raw 94-113 ms.
// With the write-ahead journal, when the layer watched it at every edit (min /
// median of 3, interleaved): 180 / 182 ms before, 199 / 210 ms after, raw
// 121-148.
// With the rollback journal and synchronous FULL on both sides, timed on the
// wall (min / median of 3, two passes): 10.0 / 14.2 s and 10.6 / 11.2 s
// against the raw 9.9 / 14.0 s and 10.4 / 11.0 s, ratio_wall 0.97 to 1.02.
#include "platform/dao/Dao.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <vector>

#include "BenchSupport.h"

namespace {

using benchsupport::cpuMs;

constexpr int kRows = 10000;

QString makeFile(const QTemporaryDir& dir, const char* name) {
    const QString file = dir.filePath(name);
    dao::Workspace ws;
    auto db = ws.CreateDatabase(file);
    auto td = db->CreateTableDef("VOK");
    auto text = [&](const QString& n, int size) {
        auto f = td->CreateField(n, dao::dbText, size);
        f->SetAllowZeroLength(true);
        td->Append(f);
    };
    text("Q", 240);
    for (int i = 1; i <= 9; ++i) {
        text("A" + QString::number(i), 240);
        auto ra = td->CreateField("RA" + QString::number(i), dao::dbInteger);
        ra->SetDefaultValue(0);
        td->Append(ra);
    }
    td->Append(td->CreateField("Punkte", dao::dbLong));
    db->Append(td);
    auto rs = db->OpenRecordset("VOK");
    ws.BeginTrans();
    for (int i = 0; i < kRows; ++i) {
        rs->AddNew();
        rs->SetValue("Q", QString("question %1").arg(i));
        rs->SetValue("A1", QString("answer %1").arg(i));
        rs->SetValue("Punkte", 0);
        rs->Update();
    }
    ws.CommitTrans();
    db->Close();
    return file;
}

struct Times {
    double cpu = 0, wall = 0;
};

// One walk through the layer, its recordset opened anew as the program does.
Times layerWalk(dao::Database& db, int round) {
    QElapsedTimer t;
    t.start();
    const double c0 = cpuMs();
    auto rs = db.OpenRecordset("SELECT * FROM VOK ORDER BY Q");
    rs->MoveFirst();
    while (!rs->Eof()) {
        rs->Edit();
        rs->SetValue("Punkte", round);
        rs->Update();
        rs->MoveNext();
    }
    return {cpuMs() - c0, double(t.nsecsElapsed()) / 1e6};
}

// The same walk by hand: keys first, then one committed UPDATE per row.
Times rawWalk(sqlite3* db, int round, bool* failed) {
    QElapsedTimer t;
    t.start();
    const double c0 = cpuMs();
    std::vector<sqlite3_int64> keys;
    sqlite3_stmt* sel = nullptr;
    sqlite3_prepare_v2(db, "SELECT rowid FROM VOK ORDER BY Q", -1, &sel, nullptr);
    while (sqlite3_step(sel) == SQLITE_ROW) keys.push_back(sqlite3_column_int64(sel, 0));
    sqlite3_finalize(sel);
    sqlite3_stmt* upd = nullptr;
    sqlite3_prepare_v2(db, "UPDATE VOK SET Punkte = ? WHERE rowid = ?", -1, &upd, nullptr);
    for (sqlite3_int64 k : keys) {
        sqlite3_bind_int(upd, 1, round);
        sqlite3_bind_int64(upd, 2, k);
        *failed |= sqlite3_step(upd) != SQLITE_DONE || sqlite3_changes(db) != 1;
        sqlite3_reset(upd);
    }
    sqlite3_finalize(upd);
    *failed |= keys.size() != size_t(kRows);
    return {cpuMs() - c0, double(t.nsecsElapsed()) / 1e6};
}

// Each iteration walks both files, the side that goes first alternating:
// every commit waits for the disk, which others share.
void WalkEditUpdate(benchmark::State& state) {
    QTemporaryDir dir;
    dao::Workspace ws;
    auto db = ws.OpenDatabase(makeFile(dir, "walk.wkd"));
    sqlite3* raw = nullptr;
    sqlite3_open(QFile::encodeName(makeFile(dir, "raw.wkd")).constData(), &raw);
    int round = 0;
    bool failed = false;
    Times layer, lean;
    for (auto _ : state) {
        ++round;
        Times l, r;
        if (round % 2) {
            l = layerWalk(*db, round);
            r = rawWalk(raw, round, &failed);
        } else {
            r = rawWalk(raw, round, &failed);
            l = layerWalk(*db, round);
        }
        layer.cpu += l.cpu;
        layer.wall += l.wall;
        lean.cpu += r.cpu;
        lean.wall += r.wall;
    }
    sqlite3_close(raw);
    if (failed) state.SkipWithError("an update failed");
    const double n = double(state.iterations());
    state.counters["records"] = kRows;
    state.counters["cpu_ms"] = layer.cpu / n;
    state.counters["wall_ms"] = layer.wall / n;
    state.counters["raw_cpu_ms"] = lean.cpu / n;
    state.counters["raw_wall_ms"] = lean.wall / n;
    benchsupport::setRatio(state, layer.cpu, lean.cpu);
    if (lean.wall > 0) state.counters["ratio_wall"] = layer.wall / lean.wall;
}
BENCHMARK(WalkEditUpdate)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    return benchsupport::runBenchmarks(argc, argv);
}
