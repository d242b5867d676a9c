// What the text import really takes in memory, beside what the program
// counts before it reads a file: the figures its memory check rests on.
//   BM_TextImportMemory/lines/kind  a fresh process reads a text file of
//       `lines` lines into the preview grid as the wizard does, then imports
//       the grid's rows into an empty database; the peak resident memory of
//       each step above what the process held before it (VmHWM, reset
//       between the steps) is preview_MB and import_MB, beside what the
//       program counted for them (counted_preview_MB, counted_import_MB,
//       without the import's fixed 4 MB) and the quotients counted / real
//       (ratio_preview, ratio_import).
//       kind 0: "Neu 17<TAB>new 17<TAB>Thema 5", about 30 bytes a line;
//       1: the same layout with texts of 60, 80 and 20 characters;
//       2: Cyrillic texts (two bytes a character in the grid and the file);
//       3: ten cells a line (question and nine answers).
// Measured (3 runs each, min / max, MB; preview + import per row, bytes):
//   kind lines      preview        import         per row    counted / real
//   0    100,000    6.64 / 6.73    13.90 / 14.35  215 - 221  1.29, 1.14
//   0    1,000,000  64.56 / 64.79  125.96 / 126.21 200       1.41, 1.32
//   1    100,000    21.29 / 21.35  32.00 / 32.05  559 - 560  1.54, 1.27
//   1    300,000    76.82 / 77.04  90.55 / 90.68  585 - 586  1.28, 1.34
//   2    100,000    10.31 / 10.54  14.36 / 14.46  259 - 262  1.41, 1.22
//   2    1,000,000  99.15 / 99.18  125.27 / 126.01 235 - 236 1.57, 1.44
//   3    100,000    19.49 / 19.88  13.77 / 14.29  349 - 358  1.30, 1.21
//   3    300,000    59.23 / 59.27  40.03 / 40.08  347       1.33, 1.31
// The import takes more than the preview for short lines: the look-up of
// duplicate questions keeps every question's text in a hash, and the
// recordset a key per new item; SQLite's page cache adds about 2 MB.
// The counting before (a row 2 x (8 bytes a cell + 2 a character) + 64,
// against half of the free memory) asked 2.0 (kind 2) to 3.8 (kind 3)
// times what preview and import took; now 1.3 to 1.5 times, against all
// the free memory but 16 MB.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <fstream>

#include "BenchSupport.h"

#include "exchange/TextImport.h"
#include "platform/dao/Dao.h"
#include "platform/grid/Grid.h"
#include "vocabdb/VokSchema.h"

namespace {

using benchsupport::statusKb;

QByteArray lineOf(long r, int kind) {
    switch (kind) {
        case 1:
            return QString("Frage %1 ").arg(r, 8, 10, QChar('0')).leftJustified(60, 'q').toUtf8() + '\t' +
                   QString("Antwort %1 ").arg(r).leftJustified(80, 'a').toUtf8() + '\t' +
                   QString("Thema %1").arg(r % 30).leftJustified(20, 't').toUtf8() + "\r\n";
        case 2:
            return QString::fromUtf8("Вопрос %1\tответ %1\tтема %2\r\n").arg(r).arg(r % 30).toUtf8();
        case 3: {
            QByteArray line = QString("Frage %1").arg(r).toUtf8();
            for (int a = 1; a <= 9; ++a) line += QString("\tant%1 %2").arg(a).arg(r).toUtf8();
            return line + "\r\n";
        }
        default:
            return QString("Neu %1\tnew %1\tThema %2\r\n").arg(r).arg(r % 30).toUtf8();
    }
}

QString writeText(const QString& path, long lines, int kind) {
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    QByteArray chunk;
    for (long r = 0; r < lines; ++r) {
        chunk += lineOf(r, kind);
        if (chunk.size() > (1 << 20)) {
            f.write(chunk);
            chunk.clear();
        }
    }
    f.write(chunk);
    return path;
}

// Resets the process's peak resident memory to what it holds now.
void resetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// In the child: the preview, then the import, each step's peak above what
// was held before it, in kB, and what the program counted, in bytes.
int runChild(char** argv) {
    benchsupport::useOffscreenUnlessSet();
    int argc = 1;
    QApplication app(argc, argv);
    const QString file = argv[2], dbPath = argv[3];
    const auto layout = QString(argv[4]) == "3" ? exchange::TextLayout::QuestionAnswers
                                                : exchange::TextLayout::QuestionAnswerTheme;
    auto db = dao::DBEngine::OpenDatabase(dbPath, false, false, ";pwd=" + vocabdb::VokDBPasswort);
    auto data = db->OpenRecordset("Alles");
    const int cells = exchange::CellCount(layout);
    grid::Grid g;
    for (int c = 1; c <= cells; ++c) g.AddColumn(QString("C%1").arg(c));

    resetPeak();
    const long before = statusKb("VmRSS:");
    g.SetRedraw(false);
    const exchange::TextPreview p = exchange::ReadImportFile(
        file, "\t", layout, false,
        [&g](const QStringList& row) {
            g.AddRow();
            const long r = g.Rows();
            for (int c = 0; c < row.size(); ++c) g.CellDetails(r, c + 1, row.at(c));
        },
        std::numeric_limits<qint64>::max());
    g.SetRedraw(true);
    const long preview = statusKb("VmHWM:") - before;

    resetPeak();
    const long held = statusKb("VmRSS:");
    const int n = exchange::ImportTextRows(int(g.Rows()),
                                           [&g, cells](int r) {
                                               QStringList row;
                                               for (int c = 1; c <= cells; ++c) row << g.CellText(r, c);
                                               return row;
                                           },
                                           layout, "Std", *data, 5, QDateTime::currentDateTime(), {})
                      .imported;
    const long import = statusKb("VmHWM:") - held;
    std::printf("%d %ld %ld %lld %lld\n", n, preview, import, p.previewBytes, p.importBytes);
    data.reset();
    db->Close();
    return 0;
}

void BM_TextImportMemory(benchmark::State& state) {
    const long lines = state.range(0);
    const int kind = int(state.range(1));
    QTemporaryDir work;
    const QString text = writeText(work.filePath("lines.txt"), lines, kind);
    const QString empty = work.filePath("empty.wkd");
    benchsupport::newVokDatabase(empty, 0, "")->Close();
    QStringList out;
    for (auto _ : state) {
        const QString target = work.filePath("target.wkd");
        QFile::remove(target);
        QFile::copy(empty, target);
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {"--memory-child", text, target, QString::number(kind)});
        if (!child.waitForFinished(-1) || child.exitCode() != 0) {
            state.SkipWithError("the child failed");
            return;
        }
        out = QString::fromUtf8(child.readAllStandardOutput()).simplified().split(' ');
    }
    const double mb = 1024.0, previewMb = out.value(1).toDouble() / mb,
                 importMb = out.value(2).toDouble() / mb;
    const double countedPreview = out.value(3).toDouble() / (mb * mb);
    const double countedImport = out.value(4).toDouble() / (mb * mb);
    state.counters["rows"] = out.value(0).toDouble();
    state.counters["file_MB"] = double(QFile(text).size()) / (mb * mb);
    state.counters["preview_MB"] = previewMb;
    state.counters["import_MB"] = importMb;
    state.counters["counted_preview_MB"] = countedPreview;
    state.counters["counted_import_MB"] = countedImport;
    if (previewMb > 0) state.counters["ratio_preview"] = countedPreview / previewMb;
    if (importMb > 0) state.counters["ratio_import"] = countedImport / importMb;
}
BENCHMARK(BM_TextImportMemory)
    ->Args({100000, 0})
    ->Args({1000000, 0})
    ->Args({100000, 1})
    ->Args({300000, 1})
    ->Args({100000, 2})
    ->Args({1000000, 2})
    ->Args({100000, 3})
    ->Args({300000, 3})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3)
    ->ComputeStatistics("min",
                        [](const std::vector<double>& v) {
                            return v.empty() ? 0 : *std::min_element(v.begin(), v.end());
                        })
    ->ComputeStatistics("max", [](const std::vector<double>& v) {
        return v.empty() ? 0 : *std::max_element(v.begin(), v.end());
    });

}  // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::string(argv[1]) == "--memory-child") return runChild(argv);
    return benchsupport::runWidgetBenchmarks(argc, argv);
}
