// Sorting the vocabulary grid by a header click, beside a raw sqlite3
// ORDER BY of the same column:
//   BM_GridSort/<column>/n  what the header click does once the grid is
//       built (every column shown, n items): the sort settings, the sort
//       with the automatic sort type, the stripes laid anew and the right
//       answers painted again from the grid's dynaset, its position kept.
//       Each run sorts the other way round from the one before.
//       column 0: A1, a text column in no particular order;
//       column 1: FQ1, a number column
//   the raw side runs SELECT rowid, <column> FROM VOK ORDER BY <column>
//       (descending every other run, as the grid) on its own connection and
//       keeps each row's key and value in its native type (texts as
//       QString, numbers as double)
// cpu_ms is the layer's CPU time (sort_cpu_ms the sort alone, the rest the
// colours), raw_cpu_ms the raw one, ratio_cpu their quotient.
// Measured (CPU time, min / median of 3 runs, 1 before and 2 after at
// 1,000,000; machine shared and loaded), text column / number column:
//   before: 10,000 125 / 127 ms (11.9-12.2x) and 80 / 81 ms (11.2-11.3x);
//   100,000 1.50 / 1.51 s (13.2-14.1x) and 1.03 / 1.05 s (13.9-14.2x);
//   1,000,000 16.5 s (13.2x) and 11.6 s (12.8x). Two thirds of it the
//   right answers read again row by row through the grid's dynaset, which
//   fetched every record alone with all the fields it had read for the
//   grid; the rest a collation key for every cell and up to four date
//   parses of every word.
//   after (collation keys only for cells that sort as text, no date parse
//   of what cannot be a date, the right answers read in one pass over the
//   table): 10,000 23 / 24 ms (2.0-2.1x) and 20 / 21 ms (2.5-2.7x);
//   100,000 238 / 242 ms (2.1-2.2x) and 214 / 214 ms (2.8x);
//   1,000,000 2.91 / 3.02 s (2.4-2.5x) and 2.45 / 2.47 s (3.0-3.1x)

#include <benchmark/benchmark.h>

#include <sqlite3.h>
#include <QApplication>
#include <QTemporaryDir>
#include <map>
#include <memory>
#include <vector>

#include "GridBenchSupport.h"

#include "overview/DaoRecordAccess.h"
#include "overview/GridColouring.h"
#include "overview/GridFiller.h"
#include "platform/dao/Dao.h"
#include "platform/grid/Grid.h"
#include "platform/grid/ImageList.h"

namespace {

using benchsupport::cpuMs;

// A database with every grid column shown and the grid built over it.
struct SortFixture {
    QTemporaryDir dir;
    QString path;
    dao::DatabasePtr db;
    dao::RecordsetPtr data;
    grid::ImageList il;
    grid::Grid g;

    explicit SortFixture(long items) {
        path = dir.filePath("bench.wkd");
        db = benchsupport::newVokDatabase(path, 0, "");
        QStringList cols{"Q",      "A1",       "A2",  "T",   "Kategorie", "Explanation",
                         "Punkte", "Markiert", "Typ", "RA1", "RA2"};
        for (const char* p : {"AA1", "AR1", "AF1", "FQ1"}) cols << p;
        QStringList marks;
        for (int i = 0; i < cols.size(); ++i) marks << "?";
        benchsupport::insertRows(
            *db, QString("INSERT INTO VOK (%1) VALUES (%2)").arg(cols.join(", "), marks.join(", ")), items,
            [](long r) -> dao::Params {
                return {QString("Frage %1").arg((r * 7919) % 1000003),
                        QString("Antwort %1").arg((r * 104729) % 999983),
                        QString("zweite %1").arg(r % 97),
                        QString("Thema %1").arg(r % 20),
                        QString("Kategorie %1").arg(r % 7),
                        r % 3 ? QVariant(QString("Erklaerung %1").arg(r)) : QVariant(QString()),
                        int(r % 50),
                        r % 5 == 0,
                        r % 4 == 0 ? 1 : 0,
                        r % 4 == 0 ? 1 : 0,
                        r % 8 == 0 ? 1 : 0,
                        int(r % 13),
                        int(r % 7),
                        int(r % 6),
                        double((r * 37) % 100) + 0.25};
            });
        benchsupport::showAllGridColumns(*db);

        grid::fillOverviewImages(il);
        g.resize(1000, 700);
        data = db->OpenRecordset("Alles", dao::dbOpenDynaset);
        overview::DaoRecordAccess records(data);
        overview::DaoRecordAccess options(db->OpenRecordset("AllOptions"));
        benchsupport::buildGrid(g, records, options, il, 1);
        data->SetAbsolutePosition(0);
    }
};

// Emptied before the application object goes.
std::map<long, std::unique_ptr<SortFixture>> fixtures;
SortFixture& fixture(long items) {
    auto& f = fixtures[items];
    if (!f) f = std::make_unique<SortFixture>(items);
    return *f;
}

const char* const kColumns[] = {"A1", "FQ1"};

double rawOrderBy(const QString& path, const char* column, bool descending, long* rows) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    const QByteArray sql =
        QByteArray("SELECT rowid, ") + column + " FROM VOK ORDER BY " + column + (descending ? " DESC" : "");
    const double c0 = cpuMs();
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr);
    std::vector<qint64> keys;
    std::vector<QString> texts;
    std::vector<double> numbers;
    while (sqlite3_step(st) == SQLITE_ROW) {
        keys.push_back(sqlite3_column_int64(st, 0));
        switch (sqlite3_column_type(st, 1)) {
            case SQLITE_TEXT:
                texts.push_back(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)),
                                                  sqlite3_column_bytes(st, 1)));
                break;
            case SQLITE_INTEGER:
            case SQLITE_FLOAT:
                numbers.push_back(sqlite3_column_double(st, 1));
                break;
            default:
                break;
        }
    }
    sqlite3_finalize(st);
    const double ms = cpuMs() - c0;
    sqlite3_close(db);
    benchmark::DoNotOptimize(texts.data());
    benchmark::DoNotOptimize(numbers.data());
    *rows = long(keys.size());
    return ms;
}

void BM_GridSort(benchmark::State& state) {
    const char* column = kColumns[state.range(0)];
    SortFixture& f = fixture(state.range(1));
    grid::Grid& g = f.g;
    const long col = g.ColumnIndex(QString::fromLatin1(column));
    double layer = 0, raw = 0, sortOnly = 0;
    long rawRows = 0;
    for (auto _ : state) {
        // As frmMain.vg1_ColumnClick, less the header icons.
        const bool descending = g.SortColumn(1) == col && g.SortOrder(1) == grid::SortAscending;
        raw += rawOrderBy(f.path, column, descending, &rawRows);
        const double c0 = cpuMs();
        g.SetRedraw(false);
        g.SetSortColumn(1, col);
        g.SetSortOrder(1, descending ? grid::SortDescending : grid::SortAscending);
        g.SetSortType(1, grid::SortAuto);
        g.Sort();
        const double c1 = cpuMs();
        sortOnly += c1 - c0;
        overview::DaoRecordAccess rs(f.data);
        const long keep = f.data->AbsolutePosition();
        overview::VGridColorEverySecondCell(g, rs, 1, true);
        if (keep >= 0 && keep < f.data->RecordCount()) f.data->SetAbsolutePosition(keep);
        g.SetRedraw(true);
        layer += cpuMs() - c0;
    }
    const double n = double(state.iterations());
    state.counters["rows"] = double(g.Rows());
    state.counters["raw_rows"] = double(rawRows);
    state.counters["cpu_ms"] = layer / n;
    state.counters["sort_cpu_ms"] = sortOnly / n;
    state.counters["raw_cpu_ms"] = raw / n;
    benchsupport::setRatio(state, layer, raw);
}
BENCHMARK(BM_GridSort)
    ->ArgsProduct({{0, 1}, {10000, 100000, 1000000}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(4);

}  // namespace

int main(int argc, char** argv) {
    return benchsupport::runWidgetBenchmarks(argc, argv, [] { fixtures.clear(); });
}
