// Export of 10,000 items as text and as HTML from the grid's dynaset, and
// the parsing of a 10,000-line text file for the import preview.
#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QTemporaryDir>
#include <limits>

#include "BenchSupport.h"

#include "core/modMain.h"
#include "exchange/ExportWriter.h"
#include "exchange/TextImport.h"
#include "vocabdb/VokSchema.h"

namespace {

constexpr int kItems = 10000;

struct Fixture {
    QTemporaryDir dir;
    dao::DatabasePtr db;
    dao::RecordsetPtr data;

    Fixture() {
        modMain::TextBasis = 20000;
        vocabdb::MakeType4Options opt;
        opt.otherText = "Other";
        db = benchsupport::newVokDatabase(dir.filePath("bench.wkd"), 0, "bench", opt);
        auto rs = db->OpenRecordset("VOK");
        dao::DBEngine::DefaultWorkspace().BeginTrans();
        for (int i = 0; i < kItems; ++i) {
            rs->AddNew();
            rs->SetValue("Q", QString("Frage <%1> & mehr").arg(i));
            rs->SetValue("A1", QString("answer %1").arg(i));
            rs->SetValue("A2", QString("other %1").arg(i));
            rs->SetValue("T", QString("Thema %1").arg(i % 40));
            for (int u = 1; u <= 5; ++u)
                for (const char* p : {"AA", "AR", "AF", "FQ"}) rs->SetValue(p + QString::number(u), 0);
            rs->SetValue("FQ1", i % 100 + 0.5);
            rs->Update();
        }
        dao::DBEngine::DefaultWorkspace().CommitTrans();
        data = db->OpenRecordset("Alles");
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

exchange::ExportJob job(exchange::ExportFormat format) {
    exchange::ExportJob j;
    j.format = format;
    j.header = true;
    for (long p = 0; p < kItems; ++p) j.positions.push_back(p);
    for (int id : {50, 51, 52, 59, 56, 53}) j.fields.append({modMain::GetText(id), true});
    j.dbName = "BENCH";
    return j;
}

void ExportText(benchmark::State& state) {
    Fixture& f = fixture();
    const auto j = job(exchange::ExportFormat::Text);
    for (auto _ : state) benchmark::DoNotOptimize(exchange::BuildExport(*f.data, j, 2));
    state.counters["items"] = kItems;
}
BENCHMARK(ExportText)->Unit(benchmark::kMillisecond)->Iterations(3);

void ExportHtml(benchmark::State& state) {
    Fixture& f = fixture();
    const auto j = job(exchange::ExportFormat::Html);
    for (auto _ : state) benchmark::DoNotOptimize(exchange::BuildExport(*f.data, j, 2));
    state.counters["items"] = kItems;
}
BENCHMARK(ExportHtml)->Unit(benchmark::kMillisecond)->Iterations(3);

void ParseImportText(benchmark::State& state) {
    QString text;
    for (int i = 0; i < kItems; ++i) text += QString(" Frage %1 ;Antwort %1; Thema\r\n").arg(i);
    QBuffer in;
    in.setData(text.toUtf8());
    in.open(QIODevice::ReadOnly);
    for (auto _ : state) {
        in.seek(0);
        long cells = 0;
        auto p = exchange::ParseImportLines(
            in, ";", exchange::TextLayout::QuestionAnswerTheme, false,
            [&](const QStringList& row) { cells += row.size(); }, std::numeric_limits<qint64>::max());
        benchmark::DoNotOptimize(p.rows + cells);
    }
    state.counters["lines"] = kItems;
}
BENCHMARK(ParseImportText)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    return benchsupport::runBenchmarks(argc, argv);
}
