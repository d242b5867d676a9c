#pragma once
// What the benchmarks share: CPU time of the process, a new vocabulary
// database made with the program's own schema code, rows written in one
// transaction, the layer-against-raw-sqlite3 ratio and the run itself.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QString>
#include <QtGlobal>

#include <algorithm>
#include <ctime>
#include <functional>

#include "platform/Memory.h"
#include "platform/dao/Dao.h"
#include "vocabdb/VokSchema.h"

namespace benchsupport {

// CPU time of the whole process in ms: the machine is shared, so wall time
// says little.
inline double cpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// A new type-4 vocabulary database at path, opened with its password.
inline dao::DatabasePtr newVokDatabase(const QString& path, int createOptions = 0,
                                       const QString& copyright = QStringLiteral("bench"),
                                       const vocabdb::MakeType4Options& opt = {}) {
    vocabdb::MakeType4(dao::DBEngine::CreateDatabase(path, vocabdb::VokDBLocale, createOptions), copyright,
                       opt);
    return dao::DBEngine::OpenDatabase(path, false, false, ";pwd=" + vocabdb::VokDBPasswort);
}

// Executes sql once per row 0..rows-1 with paramsOf(row), in one transaction.
inline void insertRows(dao::Database& db, const QString& sql, long rows,
                       const std::function<dao::Params(long)>& paramsOf) {
    auto& ws = dao::DBEngine::DefaultWorkspace();
    ws.BeginTrans();
    for (long r = 0; r < rows; ++r) db.Execute(sql, paramsOf(r));
    ws.CommitTrans();
}

// A figure of this process from /proc/self/status in kB ("VmRSS:",
// "VmHWM:"); 0 when it is not there.
inline long statusKb(const char* key) {
    return long(std::max<qint64>(0, wk::detail::procKb("/proc/self/status", key) / 1024));
}

// The counter ratio_cpu: the layer's CPU time over the raw sqlite3 one.
inline void setRatio(benchmark::State& state, double layerMs, double rawMs) {
    if (rawMs > 0 && layerMs > 0) state.counters["ratio_cpu"] = layerMs / rawMs;
}

// The offscreen platform unless the caller chose one: benchmarks run
// without a display.
inline void useOffscreenUnlessSet() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
}

// The benchmarks' main after the application object is made.
inline int runBenchmarks(int& argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// main of a benchmark that needs widgets: on the offscreen platform unless
// the caller chose one; beforeAppGoes frees what must go before the
// application object.
inline int runWidgetBenchmarks(int argc, char** argv, const std::function<void()>& beforeAppGoes = {}) {
    useOffscreenUnlessSet();
    QApplication app(argc, argv);
    const int rc = runBenchmarks(argc, argv);
    if (beforeAppGoes) beforeAppGoes();
    return rc;
}

}  // namespace benchsupport
