// Sorting the vocabulary grid by a header click, beside a raw sqlite3
// ORDER BY of the same column:
//   BM_GridSort/<column>/n  what the header click does once the grid is
//       built (every column shown, n items): the sort settings, the sort
//       with the automatic sort type, the stripes laid anew and the right
//       answers painted again from the grid's dynaset, its position kept.
//       Each run sorts the other way round from the one before.
//       column 0: A1, words as a vocabulary holds them (lower and upper
//       case, umlauts, one to three words);
//       column 1: Punkte, a whole-number column
//   the raw side runs SELECT rowid, <column> FROM VOK ORDER BY <column>
//       (descending every other run, as the grid) on its own connection and
//       keeps each row's key and value in its native type (texts as
//       QString, whole numbers as qint64)
// cpu_ms is the layer's CPU time (sort_cpu_ms the sort alone, the rest the
// colours), raw_cpu_ms the raw one, ratio_cpu their quotient.
// Earlier figures in this file were against a decimal column (FQ1) and
// texts "Antwort <n>"; not comparable with these.
// Measured (CPU time, min / median; 100,000: 5 runs before, 3 after;
// 1,000,000: 1 run before, 1-3 after; machine shared and heavily loaded),
// text column / whole-number column:
//   before (stripes written into every cell, the right-answer flags read
//   as a QVariant each): 100,000 361 / 401 ms (1.78-2.12x) and 277 / 286 ms
//   (3.23-3.44x); 1,000,000 6.17 s (2.45x) and 3.73 s (4.82x)
//   after (stripes a rule of the row number, the flags read as whole
//   numbers from the pass): 100,000 314 / 323 ms (1.44-1.63x) and
//   219 / 228 ms (2.09-2.29x); 1,000,000 whole-number column 2.97 / 3.04 s
//   (3.06-3.18x), of it the sort 0.68-0.91 s and the right answers' pass
//   over the table most of the rest
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

// A word or two as a vocabulary holds them, spread over the alphabet.
QString vocabularyText(long r) {
    static const char* const kSyllables[] = {"an",
                                             "be",
                                             "ch",
                                             "de",
                                             "\xc3\xa4"
                                             "r",
                                             "fa",
                                             "ge",
                                             "ha",
                                             "in",
                                             "ja",
                                             "ko",
                                             "la",
                                             "me",
                                             "ne",
                                             "\xc3\xb6"
                                             "l",
                                             "pe",
                                             "qu",
                                             "re",
                                             "sa",
                                             "te",
                                             "\xc3\xbc"
                                             "b",
                                             "ve",
                                             "wa",
                                             "xe",
                                             "yo",
                                             "ze",
                                             "st",
                                             "sch"};
    constexpr quint64 n = sizeof kSyllables / sizeof *kSyllables;
    quint64 h = quint64(r) * 0x9E3779B97F4A7C15ull;
    QString out;
    const int words = 1 + int(h % 7 == 0) + int(h % 11 == 0);
    for (int w = 0; w < words; ++w) {
        if (w) out += QLatin1Char(' ');
        const int parts = 2 + int((h >> 8) % 3);
        for (int i = 0; i < parts; ++i) {
            h = h * 6364136223846793005ull + 1442695040888963407ull;
            out += QString::fromUtf8(kSyllables[(h >> 33) % n]);
        }
        if ((h >> 20) % 4 == 0) out[0] = out[0].toUpper();
    }
    return out;
}

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
                return {vocabularyText(r * 7919 + 1),
                        vocabularyText(r),
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

const char* const kColumns[] = {"A1", "Punkte"};

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
    std::vector<qint64> numbers;
    while (sqlite3_step(st) == SQLITE_ROW) {
        keys.push_back(sqlite3_column_int64(st, 0));
        switch (sqlite3_column_type(st, 1)) {
            case SQLITE_TEXT:
                texts.push_back(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)),
                                                  sqlite3_column_bytes(st, 1)));
                break;
            case SQLITE_INTEGER:
                numbers.push_back(sqlite3_column_int64(st, 1));
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
