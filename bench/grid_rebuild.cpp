// Rebuilding the vocabulary grid with every column shown, beside a raw
// sqlite3 read of the same columns from the same file.
//   BM_RawSqliteRead/n   the 34 columns the grid reads, in the grid's order
//                        (ORDER BY Q, T), each value in its native type:
//                        texts become QString, numbers stay numbers, Nulls
//                        nothing, media only their length
//   BM_GridRebuild_Dao/n opening the dynaset of "Alles" (which sorts as the
//                        raw read does) and the whole rebuild over it
//   BM_GridFill_Memory   the grid and the filler alone, records in memory
//   BM_DaoOpen           opening the dynaset of "Alles" alone
// Target: open + rebuild within 2x the raw read, 200 MB resident at 100,000.
//
// Until this change the raw read turned every value, numbers and Nulls too,
// into a QString, and the rebuild it was compared with did not sort: the
// ratios below from before are not comparable with the ones it prints now.
//
// The machine is shared and often loaded: compare the CPU times and the
// ratio (counters cpu_ms, raw_cpu_ms, ratio_cpu), not the wall time.
// Measured on this machine class (CPU time, median of 3 runs, all columns,
// honest baseline; 10,000 / 100,000 items):
//   raw read 26 / 302 ms
//   open + rebuild before 132 / 1341 ms (ratio 5.1 / 4.5); after 86 / 918 ms
//   (3.3 / 3.0): the grid's measuring caches no longer use the general
//   string hash, which had cost a quarter of a rebuild
//   the recordset's part alone (BM_DaoWalkAll: open + every field of every
//   row) 58 / 668 ms (2.2 / 2.3); the rest is the grid's own filling and
//   measuring
// Since recordsets keep the values of a long walk, read in one pass over the
// table instead of blocks of random lookups, and name two fields per place
// in their name cache (interleaved with the build before, CPU time, min /
// median of 3 runs; 10,000 / 100,000 items):
//   raw read 26.7-28.9 / 293-308 ms
//   open + rebuild before 89.8 / 90.5 and 940 / 947 ms (ratio 3.2 / 3.2);
//   after 78.8 / 80.1 and 827 / 834 ms (2.9 / 2.8); the program's own peak
//   (filter Rebuild_Dao) ~174 MB, was ~157: the kept values
//   BM_DaoWalkAll before 52.6 / 56.4 and 483 / 576 ms (2.0 / 2.0); after
//   32.4 / 32.8 and 332 / 337 ms (1.2 / 1.1). Of that, opening (BM_DaoOpen,
//   the sorted key query) is ~70 ms and the pass ~180 ms; the rest of the
//   rebuild (~450 ms) is the grid's own filling, measuring and freeing.
// Since the grid keeps each column's texts in one buffer (a span per cell,
// no string per cell to make and free), writes rows not yet set without
// reading them back, fits row heights column by column and numbers by their
// count of digits, and the filler gives fonts once and looks each row icon
// up once (CPU time, min / median of 3 runs before and 5 after; 10,000 /
// 100,000 items):
//   raw read 25.5 / 26.2 and 303 / 307 ms
//   open + rebuild before 72.6 / 74.8 and 792 / 804 ms (ratio 2.9 / 2.7);
//   after 59.8 / 60.6 and 570 / 575 ms (ratio 2.3 / 1.9); interleaved with the
//   build before in one session, 100,000: 767-842 ms before, 566-587 after
//   program's own peak (filter Rebuild_Dao) ~124 MB, was ~177
//   Of the rebuild now two thirds are the recordset (opening ~70 ms, the
//   pass and its values ~320 ms), the grid's storing ~90 ms (mostly copying
//   the texts into its buffers), row heights ~35 ms, colours ~11 ms, the
//   rows ~7 ms, widths ~6 ms.
// Since the raw baselines are as honest as the rest and the rebuild reads
// the records in one pass in the file's order, each filling the row of its
// position (texts decoded into a reused buffer, numbers into the last
// row's values), the grid's text store writes untouched rows without
// reading them, and kept values are checked against SQLite's data version
// (machine shared and loaded; min / median of 4 runs interleaved with the
// build before; ratio of the mins):
//   raw read 34.5 / 35.1 and 372 / 513 ms
//   open + rebuild before 75.3 / 95.0 and 707 / 831 ms (2.18 / 1.90);
//   after 61.7 / 75.3 and 577 / 635 ms (1.78 / 1.52); peak (filter
//   Rebuild_Dao) ~98 MB, was ~123
//   BM_SubjectLists (the theme and category lists, 100,000 items) 100-111
//   ms before, 42-48 ms after (one pass, a plain hash of the texts)
// Since the grid keeps Latin-1 texts a byte a character, the rebuild hands
// it the file's texts without a string made for each, looks and icons take
// room only in columns that have them, row heights of texts that differ
// only in their digits are measured once and a column that neither wraps
// nor has icons gives its line once (CPU time, interleaved with the build
// before; 10,000 / 100,000 items):
//   raw read 34.3-36.3 / 368-402 ms
//   open + rebuild before 59.3 and 587 ms (1.64 / 1.52); after 33.3-47.7
//   and 334-387 ms (0.92-1.34 / 0.83-1.00); peak (filter Rebuild_Dao)
//   ~82 MB, was ~98
//   BM_SubjectLists 30-31 ms
//   1,000,000 items (one run each, the same raw read): raw 3.98 s; the
//   rebuild as it was before the one-pass read 7.38 s (1.85), now 3.50 s
//   (0.88), peak ~504 MB, was ~846
// peak_MB is the high-water mark of everything the run did so far: the raw
// read keeps three million texts, so run with --benchmark_filter=Rebuild_Dao
// for the program's own peak (database made, rebuilt: ~124 MB).

#include "overview/DaoRecordAccess.h"
#include "overview/GridFiller.h"
#include "platform/dao/Dao.h"
#include "platform/grid/Grid.h"
#include "platform/grid/ImageList.h"
#include "vocabdb/ThemeLists.h"
#include "vocabdb/VokSchema.h"

#include "GridBenchSupport.h"

#include <benchmark/benchmark.h>

#include <sqlite3.h>
#include <QApplication>
#include <QHash>
#include <QTemporaryDir>
#include <QVariant>
#include <ctime>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr long kItems = 100000;  // for the filler alone

// The fields the grid reads besides the media, in the grid's order.
QStringList allFields() {
    QStringList f{"Q"};
    for (int i = 1; i <= 9; ++i) f << QString("A%1").arg(i) << QString("RA%1").arg(i);
    for (const char* s :
         {"T", "Kategorie", "Explanation", "Tip", "Punkte", "AA1", "AR1", "AF1", "FQ1", "Markiert"})
        f << s;
    return f;
}

// The media fields, of which the grid reads only the size.
const QStringList kMediaFields{"Bild", "Sound", "SoundTip", "SoundRichtig", "SoundFalsch"};

// Records held in memory, one vector per field, so that the filler's own
// cost shows without a database.
class MemoryRecords : public overview::RecordAccess {
public:
    explicit MemoryRecords(long n) : n_(n) {
        const QStringList f = allFields();
        for (int i = 0; i < f.size(); ++i) index_.insert(f[i], i);
        cols_.resize(size_t(f.size()));
        for (auto& c : cols_) c.resize(size_t(n));
        for (long r = 0; r < n; ++r) {
            auto set = [&](const char* k, QVariant v) {
                cols_[size_t(index_.value(k))][size_t(r)] = std::move(v);
            };
            set("Q", QString("Frage %1 mit etwas Text").arg(r));
            set("A1", QString("Antwort %1").arg(r));
            set("A2", QString("zweite %1").arg(r % 97));
            set("T", QString("Thema %1").arg(r % 20));
            set("Kategorie", QString("Kategorie %1").arg(r % 7));
            set("Explanation", r % 3 ? QVariant(QString("Erklaerung %1").arg(r)) : QVariant(QString()));
            set("Tip", QString());
            set("Punkte", int(r % 50));
            set("Markiert", r % 5 == 0);
            for (int i = 1; i <= 9; ++i)
                set(qPrintable(QString("RA%1").arg(i)), i == 1 && r % 4 == 0 ? 1 : 0);
            set("AA1", int(r % 13));
            set("AR1", int(r % 7));
            set("AF1", int(r % 6));
            set("FQ1", double(r % 100) + 0.25);
        }
    }
    long RecordCount() const override { return n_; }
    void MoveFirst() override { pos_ = 0; }
    void MoveLast() override { pos_ = n_ - 1; }
    long AbsolutePosition() const override { return pos_; }
    void SetAbsolutePosition(long p) override { pos_ = p; }
    QVariant Value(const QString& f) const override {
        auto it = index_.find(f);
        return it == index_.end() ? QVariant() : cols_[size_t(*it)][size_t(pos_)];
    }
    qint64 FieldSize(const QString&) const override { return 0; }

private:
    long n_;
    long pos_ = -1;
    QHash<QString, int> index_;
    std::vector<std::vector<QVariant>> cols_;
};

class OptionsAllShown : public overview::RecordAccess {
public:
    bool wrap = false;
    long RecordCount() const override { return 1; }
    void MoveFirst() override {}
    void MoveLast() override {}
    long AbsolutePosition() const override { return 0; }
    void SetAbsolutePosition(long) override {}
    QVariant Value(const QString& f) const override {
        if (f.startsWith("GridShow")) return 1;
        if (f.startsWith("Zeilenumbruch")) return wrap ? 1 : 0;
        if (f.startsWith("GridWidth")) return 0;
        return QString();
    }
    qint64 FieldSize(const QString&) const override { return 0; }
};

using benchsupport::cpuMs;
using benchsupport::statusKb;

long residentKb() {
    return statusKb("VmRSS:");
}

// One rebuild of g as the program does it, without the error-rate borders.
void buildGrid(grid::Grid& g, overview::RecordAccess& records, overview::RecordAccess& options,
               grid::ImageList& il) {
    benchsupport::buildGrid(g, records, options, il, 0);
    benchmark::DoNotOptimize(g.Rows());
}

void BM_GridFill_Memory(benchmark::State& state) {
    MemoryRecords records(kItems);
    OptionsAllShown options;
    options.wrap = state.range(0) != 0;
    grid::ImageList il;
    grid::fillOverviewImages(il);
    grid::Grid g;
    g.resize(1000, 700);
    const long before = residentKb();
    for (auto _ : state) {
        buildGrid(g, records, options, il);
    }
    state.counters["rows"] = double(g.Rows());
    state.counters["columns"] = double(g.Columns());
    state.counters["rss_MB"] = double(residentKb()) / 1024.0;
    state.counters["grid_MB"] = double(residentKb() - before) / 1024.0;
}
// Argument: 1 = questions, answers and themes wrap (every row measured).
// One database of n items per size for the whole run, made with the
// program's own schema code.
struct BenchDatabase {
    QTemporaryDir dir;
    QString path;
    dao::DatabasePtr db;

    explicit BenchDatabase(long items) {
        path = dir.filePath("bench.wkd");
        db = benchsupport::newVokDatabase(path, 0, "");
        benchsupport::fillAllColumns(*db, items);
    }
};

// Emptied before the application object goes.
std::map<long, std::unique_ptr<BenchDatabase>> madeDatabases;

BenchDatabase& benchDatabase(long items) {
    auto& d = madeDatabases[items];
    if (!d) d = std::make_unique<BenchDatabase>(items);
    return *d;
}

// CPU time of the raw read per size in this run, for the rebuild's ratio.
std::map<long, double> rawReadCpuMs;

void BM_RawSqliteRead(benchmark::State& state) {
    const long items = state.range(0);
    const QByteArray file = benchDatabase(items).path.toUtf8();
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    QStringList cols = allFields();
    for (const QString& m : kMediaFields) cols << "length(" + m + ")";
    const QByteArray sql = ("SELECT " + cols.join(", ") + " FROM VOK ORDER BY Q, T").toUtf8();
    long rows = 0;
    double cpu = 0;
    for (auto _ : state) {
        const double c0 = cpuMs();
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr);
        std::vector<QString> texts;
        texts.reserve(size_t(items) * 16);
        qint64 whole = 0;
        double real = 0;
        rows = 0;
        while (sqlite3_step(st) == SQLITE_ROW) {
            const int n = sqlite3_column_count(st);
            for (int c = 0; c < n; ++c) {
                switch (sqlite3_column_type(st, c)) {
                    case SQLITE_TEXT:
                        texts.push_back(
                            QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, c)),
                                              sqlite3_column_bytes(st, c)));
                        break;
                    case SQLITE_INTEGER:
                        whole += sqlite3_column_int64(st, c);
                        break;
                    case SQLITE_FLOAT:
                        real += sqlite3_column_double(st, c);
                        break;
                    default:
                        break;
                }
            }
            ++rows;
        }
        sqlite3_finalize(st);
        benchmark::DoNotOptimize(texts.data());
        benchmark::DoNotOptimize(whole);
        benchmark::DoNotOptimize(real);
        cpu += cpuMs() - c0;
    }
    sqlite3_close(db);
    rawReadCpuMs[items] = cpu / double(state.iterations());
    state.counters["rows"] = double(rows);
    state.counters["cpu_ms"] = rawReadCpuMs[items];
}
BENCHMARK(BM_RawSqliteRead)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

void BM_GridRebuild_Dao(benchmark::State& state) {
    const long items = state.range(0);
    auto& d = benchDatabase(items);
    overview::DaoRecordAccess options(d.db->OpenRecordset("AllOptions"));
    grid::ImageList il;
    grid::fillOverviewImages(il);
    grid::Grid g;
    g.resize(1000, 700);
    double cpu = 0;
    for (auto _ : state) {
        const double c0 = cpuMs();
        overview::DaoRecordAccess records(d.db->OpenRecordset("Alles"));
        buildGrid(g, records, options, il);
        cpu += cpuMs() - c0;
    }
    const double perBuild = cpu / double(state.iterations());
    const double raw = rawReadCpuMs[items];
    state.counters["rows"] = double(g.Rows());
    state.counters["columns"] = double(g.Columns());
    state.counters["rss_MB"] = double(residentKb()) / 1024.0;
    state.counters["peak_MB"] = double(statusKb("VmHWM:")) / 1024.0;
    state.counters["cpu_ms"] = perBuild;
    state.counters["raw_cpu_ms"] = raw;
    benchsupport::setRatio(state, perBuild, raw);
}
BENCHMARK(BM_GridRebuild_Dao)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// Opening the dynaset of "Alles" alone: the sorted opening query.
void BM_DaoOpen(benchmark::State& state) {
    auto& d = benchDatabase(state.range(0));
    double cpu = 0;
    for (auto _ : state) {
        const double c0 = cpuMs();
        auto rs = d.db->OpenRecordset("Alles");
        benchmark::DoNotOptimize(rs->RecordCount());
        cpu += cpuMs() - c0;
    }
    state.counters["cpu_ms"] = cpu / double(state.iterations());
}
BENCHMARK(BM_DaoOpen)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

// The recordset walk alone: position, one field, and (arg 1) the five
// media sizes a row icon needs.
void BM_DaoWalkOnly(benchmark::State& state) {
    auto& d = benchDatabase(kItems);
    auto rs = d.db->OpenRecordset("Alles");
    const bool sizes = state.range(0) != 0;
    for (auto _ : state) {
        dao::DBEngine::Workspaces(0).BeginTrans();
        const long n = rs->RecordCount();
        qint64 sum = 0;
        for (long i = 0; i < n; ++i) {
            rs->SetAbsolutePosition(i);
            sum += rs->Value("Q").toString().size();
            if (sizes)
                for (const char* f : {"Bild", "Sound", "SoundTip", "SoundRichtig", "SoundFalsch"})
                    sum += rs->FieldSize(f);
        }
        dao::DBEngine::Workspaces(0).CommitTrans();
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_DaoWalkOnly)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(2);

// The walk of every field the raw read takes, values read as the program
// reads them, after opening "Alles": the recordset's share of the rebuild.
void BM_DaoWalkAll(benchmark::State& state) {
    const long items = state.range(0);
    auto& d = benchDatabase(items);
    const QStringList f = allFields();
    double cpu = 0;
    for (auto _ : state) {
        const double c0 = cpuMs();
        auto rs = d.db->OpenRecordset("Alles");
        const long n = rs->RecordCount();
        qint64 sum = 0;
        for (long i = 0; i < n; ++i) {
            rs->SetAbsolutePosition(i);
            for (const QString& name : f) sum += rs->Value(name).isValid();
            for (const QString& name : kMediaFields) sum += rs->FieldSize(name);
        }
        benchmark::DoNotOptimize(sum);
        cpu += cpuMs() - c0;
    }
    const double per = cpu / double(state.iterations());
    state.counters["cpu_ms"] = per;
    state.counters["raw_cpu_ms"] = rawReadCpuMs[items];
    benchsupport::setRatio(state, per, rawReadCpuMs[items]);
}
BENCHMARK(BM_DaoWalkAll)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK(BM_GridFill_Memory)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

// The theme and category lists the program collects from "Alles" when it
// opens a database and after an import.
void BM_SubjectLists(benchmark::State& state) {
    auto& d = benchDatabase(state.range(0));
    auto rs = d.db->OpenRecordset("Alles");
    double cpu = 0;
    for (auto _ : state) {
        const double c0 = cpuMs();
        const vocabdb::SubjectLists lists = vocabdb::CollectSubjects(rs);
        benchmark::DoNotOptimize(lists.themen.size());
        cpu += cpuMs() - c0;
    }
    state.counters["cpu_ms"] = cpu / double(state.iterations());
}
BENCHMARK(BM_SubjectLists)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    return benchsupport::runWidgetBenchmarks(argc, argv, [] { madeDatabases.clear(); });
}
