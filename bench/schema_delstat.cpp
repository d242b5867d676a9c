// Statistics reset and theme lists over 10,000 items.

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include "platform/dao/Dao.h"
#include "vocabdb/DelStat.h"
#include "vocabdb/ThemeLists.h"
#include "vocabdb/VokSchema.h"

namespace {

struct Fixture {
    QTemporaryDir dir;
    dao::DatabasePtr db;
    explicit Fixture(int items) {
        const QString path = dir.filePath("bench.wkd");
        auto fresh = dao::DBEngine::CreateDatabase(path, vocabdb::VokDBLocale, 34);
        vocabdb::MakeType4(fresh, "bench");
        db = dao::DBEngine::OpenDatabase(path, false, false, ";pwd=" + vocabdb::VokDBPasswort);
        auto& ws = dao::DBEngine::DefaultWorkspace();
        ws.BeginTrans();
        for (int i = 0; i < items; ++i)
            db->Execute(
                "INSERT INTO VOK (Q, T, Kategorie, AA3, AR3, AF3, FQ3, Known31) VALUES (?, ?, ?, 5, 3, 2, "
                "40, 1)",
                {QString("q%1").arg(i), QString("Thema %1").arg(i % 40), QString("Kat %1").arg(i % 7)});
        ws.CommitTrans();
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
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
