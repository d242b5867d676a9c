// Selecting a test, beside the raw sqlite3 query of the same keys and points
// in the same order:
//   BM_Select/<option>/<items>  SelectTestItems for user 1: the query, the
//       points sum and the question order
//   the raw side runs the same WHERE, ORDER BY and TOP (as LIMIT) through
//       the C API (SELECT rowid, Punkte ...), keeps the keys, sums the
//       points and makes the question order: the positions in turn, for a
//       mixed order shuffled (Fisher-Yates over a std::mt19937), as the
//       layer must. Its connection stays open from run to run as the
//       layer's does, without a mutex as the layer's, its statement prepared
//       once; a run whose keys or points differ from the layer's is an error
//   options: 0 all items, mixed order; 1 least known first, known ones left
//       out (K = 2); 2 one theme, mixed; 3 marked items, least known first
//   BM_RandomOrder/n             the random order alone
// cpu_ms is the layer's CPU time, raw_cpu_ms the raw one, ratio_cpu their
// quotient.
// Against an earlier raw side that opened a new connection for each run:
// measured (ratio, median of 3, options 0/1/2/3): 100,000 items 3.30 / 3.09 /
// 2.09 / 3.07 before, 1.10 / 1.27 / 1.71 / 1.29 after (the points summed in
// one query instead of a read of every record); 1,000,000 items 1.04 / 1.28 /
// 1.84 / 1.21. Options 0 and 2 were then in fact least known first.
// With options 0 and 2 in mixed order (CPU time, min / median of 3, the raw
// side shuffling too): before, drawing free slots until one hits, option 0
// 10,000 3.8 / 3.9 ms (1.27-1.30x), 100,000 48 / 50 ms (1.94-2.04x),
// 1,000,000 562 / 569 ms (2.49-2.61x); option 2 (a twentieth of the items)
// 1.20-1.38x, 1.99-2.07x, 2.21-2.52x. After, a Fisher-Yates shuffle: option
// 0 2.2 / 2.2 ms (0.66-0.70x), 28 / 28 ms (1.14x), 305 / 308 ms (1.18-1.22x);
// option 2 1.10-1.18x, 1.92-2.03x, 2.09-2.14x: there the second pass over
// the table for the points sum, not the order, is what the raw side lacks.
// Against the raw side as it is now (CPU time of the layer, min / median of
// 3 runs, the ratio's range in the same runs), before: the points summed by
// a second query over the same WHERE; after: kept with the keys, summed
// from memory.
//   option  items      before                      after
//   0          10,000    2.1 /   2.1 ms 1.00-1.22x    2.6 /   2.8 ms 1.17-1.55x
//   0         100,000   27.7 /  27.8 ms 1.31-1.33x   28.2 /  28.4 ms 1.32-1.33x
//   0       1,000,000    290 /   293 ms 1.33-1.41x    290 /   290 ms 1.33-1.34x
//   1          10,000    9.5 /  10.4 ms 1.30-1.42x    6.2 /   6.3 ms 1.12-1.17x
//   1         100,000   81.8 /  82.3 ms 1.27-1.29x   70.8 /  71.2 ms 1.09-1.10x
//   1       1,000,000    954 /   962 ms 1.23-1.26x    824 /   856 ms 1.09-1.12x
//   2          10,000    2.1 /   2.9 ms 1.79-2.27x    1.2 /   1.3 ms 1.20-1.37x
//   2         100,000   25.8 /  27.3 ms 2.03-2.17x   14.7 /  14.8 ms 1.09-1.10x
//   2       1,000,000    284 /   285 ms 2.06-2.08x    149 /   150 ms 1.08-1.09x
//   3          10,000    5.2 /   6.5 ms 1.31-1.34x    4.2 /   4.4 ms 1.08-1.19x
//   3         100,000   61.5 /  62.0 ms 1.33-1.34x   51.1 /  52.4 ms 1.08-1.11x
//   3       1,000,000    690 /   697 ms 1.28-1.30x    628 /   675 ms 1.10-1.25x
// At 10,000 items the table fits SQLite's cache, so a second pass cost
// less than reading each kept value through the recordset does.

#include <benchmark/benchmark.h>

#include <sqlite3.h>
#include <QCoreApplication>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <map>
#include <memory>
#include <numeric>
#include <random>

#include "BenchSupport.h"

#include "platform/dao/Dao.h"
#include "testengine/Selection.h"
#include "vocabdb/VokSchema.h"

namespace {

using benchsupport::cpuMs;

// The raw side's own connection, open for as long as the layer's and with
// its settings (no mutex), its statements prepared once as the layer keeps
// its own: a fresh connection per run would read the schema and every page
// anew, work the layer does not repeat.
struct RawConnection {
    sqlite3* db = nullptr;
    std::map<QByteArray, sqlite3_stmt*> statements;
    explicit RawConnection(const QString& path) {
        sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
    }
    ~RawConnection() {
        for (auto& [sql, st] : statements) sqlite3_finalize(st);
        sqlite3_close(db);
    }
    sqlite3_stmt* statement(const QByteArray& sql) {
        sqlite3_stmt*& st = statements[sql];
        if (!st) sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr);
        return st;
    }
};

struct Fixture {
    QTemporaryDir dir;
    QString path;
    dao::DatabasePtr db;
    dao::RecordsetPtr rsOptions;
    std::unique_ptr<RawConnection> raw;
    explicit Fixture(long items) {
        path = dir.filePath("bench.wkd");
        db = benchsupport::newVokDatabase(path, 34);
        benchsupport::insertRows(
            *db,
            "INSERT INTO VOK (Q, A1, T, Punkte, Markiert, AA1, AR1, AF1, FQ1, Known11, Known12) "
            "VALUES (?, ?, ?, ?, ?, 4, 2, 2, ?, ?, 1)",
            items, [](long i) -> dao::Params {
                return {QString("q%1").arg((i * 7919) % 1000003),
                        QString("a%1; b%1").arg(i),
                        QString("Thema %1").arg(i % 20),
                        int(i % 5),
                        i % 3 == 0,
                        double(i % 101),
                        int(i % 2)};
            });
        rsOptions = db->OpenRecordset("AllOptions");
        raw = std::make_unique<RawConnection>(path);
    }
};

// Emptied before the application object goes.
std::map<long, std::unique_ptr<Fixture>> fixtures;
Fixture& fixture(long items) {
    auto& f = fixtures[items];
    if (!f) f = std::make_unique<Fixture>(items);
    return *f;
}

testengine::SelectionOptions optionsOf(int which) {
    testengine::SelectionOptions opt;
    switch (which) {
        case 1:
            opt.Abfragereihenfolge = 1;
            opt.DontAskTheKnown = true;
            opt.KnownWieOft = 2;
            break;
        case 2:
            opt.Auswahl = 2;
            opt.AuswahlThema = "Thema 3";
            opt.Abfragereihenfolge = 0;
            break;
        case 3:
            opt.Auswahl = 1;
            opt.Abfragereihenfolge = 1;
            break;
        default:
            opt.Abfragereihenfolge = 0;
            break;
    }
    return opt;
}

struct RawResult {
    long keys = 0;
    qint64 points = 0;
};

// The same selection with the C API: the keys in order, the points sum and
// the question order (shuffled for a mixed order).
double rawSelect(RawConnection& raw, const testengine::SelectionOptions& opt, RawResult* result) {
    const testengine::SelectionQuery q = testengine::BuildSelectionQuery(opt, 1, false);
    QString sql = q.sql;
    QString limit;
    static const QRegularExpression top(QStringLiteral("^SELECT TOP (\\d+) "));
    if (const auto m = top.match(sql); m.hasMatch()) {
        limit = " LIMIT " + m.captured(1);
        sql.replace(0, m.capturedLength(), "SELECT ");
    }
    sql.replace("SELECT * FROM", "SELECT rowid, Punkte FROM").replace("= True", "= -1");
    sql += limit;
    const QByteArray text = sql.toUtf8();
    const double c0 = cpuMs();
    sqlite3_stmt* st = raw.statement(text);
    for (int i = 0; i < int(q.params.size()); ++i) {
        const QByteArray t = q.params[i].toString().toUtf8();
        sqlite3_bind_text(st, i + 1, t.constData(), int(t.size()), SQLITE_TRANSIENT);
    }
    std::vector<qint64> order;
    qint64 points = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
        order.push_back(sqlite3_column_int64(st, 0));
        points += sqlite3_column_int64(st, 1);
    }
    sqlite3_reset(st);
    sqlite3_clear_bindings(st);
    std::vector<int> positions(order.size());
    std::iota(positions.begin(), positions.end(), 0);
    if (opt.Abfragereihenfolge == 0) {
        static std::mt19937 random(7);
        for (size_t i = positions.size(); i > 1; --i)
            std::swap(positions[i - 1], positions[std::uniform_int_distribution<size_t>(0, i - 1)(random)]);
    }
    const double ms = cpuMs() - c0;
    benchmark::DoNotOptimize(positions.data());
    result->keys = long(order.size());
    result->points = points;
    return ms;
}

void BM_Select(benchmark::State& state) {
    Fixture& f = fixture(state.range(1));
    const testengine::SelectionOptions opt = optionsOf(int(state.range(0)));
    testengine::TestState st;
    dao::RecordsetPtr dataTest;
    double layer = 0, raw = 0;
    RawResult result;
    for (auto _ : state) {
        raw += rawSelect(*f.raw, opt, &result);
        const double c0 = cpuMs();
        auto out = testengine::SelectTestItems(st, *f.db, *f.rsOptions, opt, 1, false, dataTest);
        layer += cpuMs() - c0;
        benchmark::DoNotOptimize(out);
    }
    // Both sides must have done the same selection for the ratio to mean anything.
    if (long(st.QuestionOrder.size()) != result.keys || st.SetPoints != result.points) {
        state.SkipWithError("the raw side selected other items than the layer");
        return;
    }
    const double n = double(state.iterations());
    state.counters["selected"] = double(st.QuestionOrder.size());
    state.counters["cpu_ms"] = layer / n;
    state.counters["raw_cpu_ms"] = raw / n;
    benchsupport::setRatio(state, layer, raw);
}
BENCHMARK(BM_Select)
    ->ArgsProduct({{0, 1, 2, 3}, {10000, 100000, 1000000}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

void BM_RandomOrder(benchmark::State& state) {
    const int n = int(state.range(0));
    for (auto _ : state) benchmark::DoNotOptimize(testengine::BuildQuestionOrder(n, false));
}
BENCHMARK(BM_RandomOrder)->Arg(100)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rc = benchsupport::runBenchmarks(argc, argv);
    fixtures.clear();
    return rc;
}
