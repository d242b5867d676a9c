// How long an old file with many items takes to climb the whole chain.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include "BenchSupport.h"

#include "upgrade/UpgradeHarness.h"

static void BM_UpgradeKind0From22(benchmark::State& state) {
    const int items = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        upgradetest::Files files;
        const QString path = files.Make(0, "2.2");
        {
            auto db = dao::DBEngine::OpenDatabase(path, false, false, ";pwd=" + upgradetest::Password());
            benchsupport::insertRows(*db, "INSERT INTO VOK (Q, A, T) VALUES (?, ?, ?)", items,
                                     [](long i) -> dao::Params {
                                         return {QString("Frage %1").arg(i), QString("Antwort %1").arg(i),
                                                 QVariant()};
                                     });
            db->Close();
        }
        state.ResumeTiming();
        upgradetest::Opening o;
        if (!o.VokDBOeffnen(path)) state.SkipWithError("upgrade failed");
        o.Close();
    }
    state.SetItemsProcessed(state.iterations() * items);
}
BENCHMARK(BM_UpgradeKind0From22)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    return benchsupport::runBenchmarks(argc, argv);
}
