// Rebuilding the vocabulary grid from 100,000 items with every column shown.
// BM_GridFill_Memory measures the grid and the filler alone (records held in
// memory); the figures beside a raw read of the same columns follow in the
// database benchmarks.

#include "overview/GridFiller.h"
#include "platform/grid/Grid.h"
#include "platform/grid/ImageList.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QHash>
#include <QVariant>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr long kItems = 100000;

QStringList allFields() {
    QStringList f{"Q", "T", "Kategorie", "Explanation", "Tip", "Punkte", "Markiert"};
    for (int i = 1; i <= 9; ++i) f << QString("A%1").arg(i) << QString("RA%1").arg(i);
    for (const char* s : {"AA1", "AR1", "AF1", "FQ1"}) f << s;
    return f;
}

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

long residentKb() {
    std::ifstream s("/proc/self/status");
    std::string line;
    while (std::getline(s, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return 0;
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
        overview::GridBuildInputs in;
        in.grid = &g;
        in.records = &records;
        in.options = &options;
        in.user = 1;
        in.listIcon = 1;
        in.ilVG = &il;
        in.IL = &il;
        in.getText = [](int id) { return QString("#%1").arg(id); };
        overview::GridFiller(std::move(in)).build();
        g.SetRedraw(true);
        g.SetShowData(true);
        benchmark::DoNotOptimize(g.Rows());
    }
    state.counters["rows"] = double(g.Rows());
    state.counters["columns"] = double(g.Columns());
    state.counters["rss_MB"] = double(residentKb()) / 1024.0;
    state.counters["grid_MB"] = double(residentKb() - before) / 1024.0;
}
// Argument: 1 = questions, answers and themes wrap (every row measured).
BENCHMARK(BM_GridFill_Memory)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
