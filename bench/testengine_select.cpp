// Selecting a test over 10,000 items: the query with the not-known filter
// and the error-rate order, the points sum, and the random order drawn by
// rejection.

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include "BenchSupport.h"

#include "platform/dao/Dao.h"
#include "testengine/Selection.h"
#include "vocabdb/VokSchema.h"

namespace {

struct Fixture {
    QTemporaryDir dir;
    dao::DatabasePtr db;
    dao::RecordsetPtr rsOptions;
    explicit Fixture(int items) {
        db = benchsupport::newVokDatabase(dir.filePath("bench.wkd"), 34);
        benchsupport::insertRows(*db,
                                 "INSERT INTO VOK (Q, A1, T, Punkte, AA1, AR1, AF1, FQ1, Known11, Known12) "
                                 "VALUES (?, ?, ?, ?, 4, 2, 2, ?, ?, 1)",
                                 items, [](long i) -> dao::Params {
                                     return {QString("q%1").arg(i), QString("a%1; b%1").arg(i),
                                             QString("Thema %1").arg(i % 20), int(i % 5), double(i % 101),
                                             int(i % 2)};
                                 });
        rsOptions = db->OpenRecordset("AllOptions");
    }
};

// Selects the test items with opt for user 1 in every iteration.
void selectRepeatedly(benchmark::State& state, Fixture& f, const testengine::SelectionOptions& opt) {
    testengine::TestState st;
    dao::RecordsetPtr dataTest;
    for (auto _ : state) {
        auto out = testengine::SelectTestItems(st, *f.db, *f.rsOptions, opt, 1, false, dataTest);
        benchmark::DoNotOptimize(out);
    }
    state.counters["selected"] = double(st.QuestionOrder.size());
}

void BM_SelectLeastKnown10k(benchmark::State& state) {
    Fixture f(10000);
    testengine::SelectionOptions opt;
    opt.Abfragereihenfolge = 1;
    opt.DontAskTheKnown = true;
    opt.KnownWieOft = 2;
    selectRepeatedly(state, f, opt);
}
BENCHMARK(BM_SelectLeastKnown10k)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_SelectMixedOneTheme10k(benchmark::State& state) {
    Fixture f(10000);
    testengine::SelectionOptions opt;
    opt.Abfragereihenfolge = 0;
    opt.Auswahl = 2;
    opt.AuswahlThema = "Thema 3";
    selectRepeatedly(state, f, opt);
}
BENCHMARK(BM_SelectMixedOneTheme10k)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_RandomOrder(benchmark::State& state) {
    const int n = int(state.range(0));
    for (auto _ : state) benchmark::DoNotOptimize(testengine::BuildQuestionOrder(n, false));
}
BENCHMARK(BM_RandomOrder)->Arg(100)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    return benchsupport::runBenchmarks(argc, argv);
}
