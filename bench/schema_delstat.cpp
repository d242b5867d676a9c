// Statistics reset and theme lists over 10,000 items.

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include "BenchSupport.h"

#include "platform/dao/Dao.h"
#include "vocabdb/DelStat.h"
#include "vocabdb/ThemeLists.h"
#include "vocabdb/VokSchema.h"

namespace {

struct Fixture {
    QTemporaryDir dir;
    dao::DatabasePtr db;
    explicit Fixture(int items) {
        db = benchsupport::newVokDatabase(dir.filePath("bench.wkd"), 34);
        benchsupport::insertRows(
            *db,
            "INSERT INTO VOK (Q, T, Kategorie, AA3, AR3, AF3, FQ3, Known31) VALUES (?, ?, ?, 5, 3, 2, 40, 1)",
            items, [](long i) -> dao::Params {
                return {QString("q%1").arg(i), QString("Thema %1").arg(i % 40), QString("Kat %1").arg(i % 7)};
            });
    }
};

void BM_DelStat10k(benchmark::State& state) {
    Fixture f(10000);
    auto data = f.db->OpenRecordset("Alles");
    for (auto _ : state) vocabdb::DelStat(data, 3);
}
BENCHMARK(BM_DelStat10k)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_CollectSubjects10k(benchmark::State& state) {
    Fixture f(10000);
    auto data = f.db->OpenRecordset("Alles");
    for (auto _ : state) benchmark::DoNotOptimize(vocabdb::CollectSubjects(data));
}
BENCHMARK(BM_CollectSubjects10k)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    return benchsupport::runBenchmarks(argc, argv);
}
