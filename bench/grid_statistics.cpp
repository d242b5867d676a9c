// After a test, the overview's rows of the items it asked show what it
// stored: changed in place in a grid of 100,000 items, beside a raw sqlite3
// read of the same figures written into the same cells, and beside the full
// rebuild that the program does not do for it.
//   BM_AskedRows_Dao/k  k asked items, spread over the table, given by the
//                       test's bookmarks; the grid is sorted by question,
//                       last first, so that rows no longer follow records:
//                       the items found in the grid's recordset, their rows
//                       found, the four statistics cells (AA1, AR1, AF1, FQ1)
//                       and the error-rate colour of column 1 written
//   BM_AskedRows_Raw/k  sqlite3 doing the same work: the asked items found
//                       among the set's keys (held from its opening) in one
//                       pass, their rows from the "no" cells read once, then
//                       the same four columns of each by rowid, in their
//                       native types, in one read transaction, written into
//                       the same cells with the same colour
//   BM_Rebuild_Dao      opening "Alles" and rebuilding the same grid
//   BM_FindAsked/n/k    finding k asked items in "Alles" over n items alone
//                       (no raw side: positions are the recordset's own)
// Compare the CPU times (counters cpu_ms, raw_cpu_ms, ratio_cpu); the
// machine is shared.
// Measured on this machine class (CPU time, min / median of 3 runs):
//   k = 20      3.07 / 3.17 ms, raw 0.052 / 0.053 ms
//   k = 100     4.52 / 4.66 ms, raw 0.22 / 0.24 ms
//   k = 1000    23.8 / 24.1 ms, raw 3.09 / 3.27 ms
//   k = 10000   378 / 408 ms,   raw 28.3 / 28.5 ms
//   rebuild     582 / 644 ms
// BM_FindAsked (CPU, 3 iterations): before, a look-up each scanning the
// keys up to 4,096 items and a walk above: 100,000/4,000 120 ms,
// 1,000,000/4,000 1,244 ms, 1,000,000/10,000 131 ms; after, one pass over
// the keys with the asked ones in a hash: 3.7 ms, 23.4 ms and 26.9 ms.
// For a few items the time is finding their rows in the sorted grid (the
// 100,000 "no" cells read once, ~3 ms); each item then costs about 20 us,
// the recordset reading its whole row. Beyond 4096 items the bookmarks are
// found in one walk (~110 ms at 100,000), as thousands of look-ups would
// cost more.
// With the raw side doing the same work (finding the items and their rows,
// one read transaction) and the refresh reading in one read transaction
// (dao::ReadTogether) instead of taking and dropping the file's lock per
// item (CPU ms, min / median of 9 runs, before and after interleaved on a
// shared machine; raw of 18):
//   k = 1000    before 29.6 / 37.9, after 18.5 / 22.0; raw 14.0 / 18.7
//   k = 10000   before 261 / 282,   after 99.0 / 115;  raw 75.3 / 86.8
//   rebuild     before 509 / 604,   after 542 / 605 (its walk's read lock
//               now a ReadTogether instead of a workspace transaction)

#include "overview/DaoRecordAccess.h"
#include "overview/GridFiller.h"
#include "overview/GridStatistics.h"
#include "platform/dao/Dao.h"
#include "platform/grid/Grid.h"
#include "platform/grid/ImageList.h"

#include "GridBenchSupport.h"

#include <benchmark/benchmark.h>

#include <sqlite3.h>
#include <QApplication>
#include <QHash>
#include <QTemporaryDir>
#include <QtEndian>
#include <map>
#include <memory>

namespace {

using benchsupport::cpuMs;

constexpr long kItems = 100000;

// The database, its grid built and sorted once, as the overview shows it.
struct Overview {
    QTemporaryDir dir;
    QString path;
    dao::DatabasePtr db;
    dao::RecordsetPtr data;
    grid::ImageList il;
    grid::Grid g;

    Overview() {
        path = dir.filePath("bench.wkd");
        db = benchsupport::newVokDatabase(path, 0, "");
        QStringList cols{"Q", "A1", "T", "Punkte"};
        for (int u = 1; u <= 5; ++u)
            for (const char* p : {"AA", "AR", "AF", "FQ"}) cols << QString("%1%2").arg(p).arg(u);
        QStringList marks;
        for (int i = 0; i < cols.size(); ++i) marks << "?";
        benchsupport::insertRows(
            *db, QString("INSERT INTO VOK (%1) VALUES (%2)").arg(cols.join(", "), marks.join(", ")), kItems,
            [](long r) {
                dao::Params p{QString("Frage %1 mit etwas Text").arg(r), QString("Antwort %1").arg(r),
                              QString("Thema %1").arg(r % 20), int(r % 50)};
                for (int u = 1; u <= 5; ++u)
                    p << int(r % 13) << int(r % 7) << int(r % 6) << double(r % 100) + 0.25;
                return p;
            });
        db->Execute(
            "UPDATE OPTIONS SET GridShowT = 1, GridShowAA = 1, GridShowAR = 1, GridShowAF = 1, "
            "GridShowFQ = 1");
        grid::fillOverviewImages(il);
        g.resize(1000, 700);
        data = db->OpenRecordset("Alles");
        overview::DaoRecordAccess records(data);
        overview::DaoRecordAccess options(db->OpenRecordset("AllOptions"));
        benchsupport::buildGrid(g, records, options, il, 1);
        g.SetSortColumn(1, g.ColumnIndex("Q"));
        g.SetSortOrder(1, grid::SortDescending);
        g.SetSortType(1, grid::SortAuto);
        g.Sort();
    }

    // The bookmarks of k items spread over the table, as a test holds them
    // (from a recordset of its own).
    QSet<QByteArray> asked(long k) {
        auto test = db->OpenRecordset("SELECT * FROM VOK");
        QSet<QByteArray> out;
        for (long i = 0; i < k; ++i) {
            test->SetAbsolutePosition(i * (kItems / k));
            out.insert(test->Bookmark());
        }
        return out;
    }
};

std::unique_ptr<Overview> made;

Overview& overviewOf() {
    if (!made) made = std::make_unique<Overview>();
    return *made;
}

std::map<long, double> rawCpuMs;

// How many items a test asked, for both sides.
void askedCounts(benchmark::internal::Benchmark* b) {
    b->Arg(20)->Arg(100)->Arg(1000)->Arg(4000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(20);
}

// The record position a row's "no" cell names, read digit by digit.
long positionOfRow(const grid::Grid& g, long noColumn, long row) {
    long p = 0;
    for (const QChar c : g.CellText(row, noColumn)) p = p * 10 + (c.unicode() - u'0');
    return p;
}

void BM_AskedRows_Raw(benchmark::State& state) {
    const long k = state.range(0);
    Overview& o = overviewOf();
    const QSet<QByteArray> asked = o.asked(k);
    // The keys of the grid's set in its order, as a program holds them
    // from the moment it shows the set.
    sqlite3* db = nullptr;
    sqlite3_open_v2(o.path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    std::vector<qint64> keys;
    {
        sqlite3_stmt* all = nullptr;
        sqlite3_prepare_v2(db, "SELECT rowid FROM VOK ORDER BY Q, T", -1, &all, nullptr);
        while (sqlite3_step(all) == SQLITE_ROW) keys.push_back(sqlite3_column_int64(all, 0));
        sqlite3_finalize(all);
    }
    const long noColumn = o.g.ColumnIndex("no");
    const long cols[] = {o.g.ColumnIndex("AA1"), o.g.ColumnIndex("AR1"), o.g.ColumnIndex("AF1"),
                         o.g.ColumnIndex("FQ1")};
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT AA1, AR1, AF1, FQ1 FROM VOK WHERE rowid = ?", -1, &st, nullptr);
    double cpu = 0;
    for (auto _ : state) {
        const double c0 = cpuMs();
        // The asked items' positions in one pass over the keys, their rows
        // from the "no" cells read once (the grid is sorted).
        QHash<qint64, long> position;
        for (const QByteArray& b : asked) position.insert(qFromLittleEndian<qint64>(b.constData()), -1);
        for (size_t p = 0; p < keys.size(); ++p)
            if (auto it = position.find(keys[p]); it != position.end()) *it = long(p);
        std::vector<long> rowOf(keys.size(), 0);
        for (long r = 1; r <= o.g.Rows(); ++r) rowOf[size_t(positionOfRow(o.g, noColumn, r))] = r;
        // Their figures in one read transaction.
        o.g.SetRedraw(false);
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        for (auto it = position.cbegin(); it != position.cend(); ++it) {
            if (*it < 0) continue;
            const long row = rowOf[size_t(*it)];
            sqlite3_bind_int64(st, 1, it.key());
            if (sqlite3_step(st) == SQLITE_ROW) {
                for (int c = 0; c < 3; ++c)
                    o.g.SetCellText(row, cols[c], QString::number(sqlite3_column_int64(st, c)));
                const QVariant fq(sqlite3_column_double(st, 3));
                o.g.SetCellText(row, cols[3], overview::errorRateText(fq));
                o.g.SetCellBackColor(row, 1, overview::errorRateColour(fq));
            }
            sqlite3_reset(st);
        }
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        o.g.SetRedraw(true);
        cpu += cpuMs() - c0;
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    rawCpuMs[k] = cpu / double(state.iterations());
    state.counters["cpu_ms"] = rawCpuMs[k];
}
BENCHMARK(BM_AskedRows_Raw)->Apply(askedCounts);

void BM_AskedRows_Dao(benchmark::State& state) {
    const long k = state.range(0);
    Overview& o = overviewOf();
    const QSet<QByteArray> asked = o.asked(k);
    double cpu = 0;
    for (auto _ : state) {
        const double c0 = cpuMs();
        overview::RefreshItemsStatistics(o.g, o.data, asked, 1, 1);
        cpu += cpuMs() - c0;
    }
    const double per = cpu / double(state.iterations());
    state.counters["cpu_ms"] = per;
    state.counters["raw_cpu_ms"] = rawCpuMs[k];
    benchsupport::setRatio(state, per, rawCpuMs[k]);
}
BENCHMARK(BM_AskedRows_Dao)->Apply(askedCounts);

void BM_Rebuild_Dao(benchmark::State& state) {
    Overview& o = overviewOf();
    overview::DaoRecordAccess options(o.db->OpenRecordset("AllOptions"));
    double cpu = 0;
    for (auto _ : state) {
        const double c0 = cpuMs();
        overview::DaoRecordAccess records(o.db->OpenRecordset("Alles"));
        benchsupport::buildGrid(o.g, records, options, o.il, 1);
        cpu += cpuMs() - c0;
    }
    state.counters["cpu_ms"] = cpu / double(state.iterations());
}
BENCHMARK(BM_Rebuild_Dao)->Unit(benchmark::kMillisecond)->Iterations(2);

// Finding the asked items alone, in "Alles" over n items (no raw side:
// positions are the recordset's own).
void BM_FindAsked(benchmark::State& state) {
    const long n = state.range(0), k = state.range(1);
    QTemporaryDir dir;
    auto db = benchsupport::newVokDatabase(dir.filePath("find.wkd"), 0, "");
    benchsupport::insertRows(*db, "INSERT INTO VOK (Q) VALUES (?)", n, [](long r) -> dao::Params {
        return {QString("Frage %1").arg((r * 7919) % 1000003)};
    });
    auto data = db->OpenRecordset("Alles");
    auto test = db->OpenRecordset("SELECT * FROM VOK");
    QSet<QByteArray> asked;
    for (long i = 0; i < k; ++i) {
        test->SetAbsolutePosition(i * (n / k));
        asked.insert(test->Bookmark());
    }
    double cpu = 0;
    size_t found = 0;
    for (auto _ : state) {
        const double c0 = cpuMs();
        found = overview::recordPositionsOf(*data, asked).size();
        cpu += cpuMs() - c0;
    }
    state.counters["found"] = double(found);
    state.counters["cpu_ms"] = cpu / double(state.iterations());
}
BENCHMARK(BM_FindAsked)
    ->Args({100000, 4000})
    ->Args({1000000, 4000})
    ->Args({1000000, 10000})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    return benchsupport::runWidgetBenchmarks(argc, argv, [] { made.reset(); });
}
