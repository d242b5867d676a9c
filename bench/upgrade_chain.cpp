// How long an old file with many items takes to climb the whole chain.
//   BM_UpgradeKind0From22/n  a kind-0 file from "2.2"
//   BM_UpgradeKind2From21/n  a kind-2 file from "2.1" (answers A1 and A2,
//       every third theme empty) up to the current version, CPU time
//   BM_Step22To30Kind2/n     the step from "2.2" alone on such a file,
//       beside raw sqlite3 doing its work on VOK in one transaction: the 15
//       statistics columns dropped in one copy of the table (declarations
//       kept as they stand), the 30 known-history columns added, then every
//       row of "Alles" (ORDER BY Q, T) read (A1..A9, T) and written with one
//       prepared UPDATE of the fields the step sets (empty answers "", an
//       empty theme "-", the history 0). The raw side leaves out the step's
//       changes to the one row of OPTIONS.
// Measured (CPU time, min / median; machine shared and loaded), 40,000
// items: the chain from 2.1 28.4 / 29.2 s before (2 runs), the step from 2.2
// 26.5 / 27.0 s (92-100x its raw writes of 0.27-0.30 s), about 40 edits of
// one field per row; with one edit per row (each value alone only when the
// row refuses the update; 3 runs) the chain 3.12 / 3.22 s, the step
// 1.42 / 1.42 s; with the columns of a step dropped in one copy of the
// table instead of one rewrite per column (3 runs) the chain 2.42 / 2.44 s,
// the step 0.75 / 0.76 s (1.85-2.13x raw, which drops them the same way).
#include <benchmark/benchmark.h>

#include <sqlite3.h>
#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <map>

#include "BenchSupport.h"

#include "upgrade/Steps.h"
#include "upgrade/UpgradeHarness.h"

namespace {

using benchsupport::cpuMs;

// A kind-2 file of the given version with `items` rows.
QString kind2File(upgradetest::Files& files, const QString& version, long items) {
    auto layout = upgrade::OldDatabaseLayout(2, version);
    if (version == "2.1")
        layout.optionsRow << QPair<QString, QVariant>{"MCAA", 4} << QPair<QString, QVariant>{"InnerType", 1};
    const QString path = files.Make(layout);
    auto db = dao::DBEngine::OpenDatabase(path, false, false, ";pwd=" + upgradetest::Password());
    benchsupport::insertRows(
        *db, "INSERT INTO VOK (Q, A1, A2, T) VALUES (?, ?, ?, ?)", items, [](long i) -> dao::Params {
            return {QString("Frage %1").arg((i * 7919) % 1000003), QString("Antwort %1").arg(i),
                    i % 2 ? QVariant(QString("zweite %1").arg(i)) : QVariant(),
                    i % 3 ? QVariant(QString("Thema %1").arg(i % 20)) : QVariant()};
        });
    db->Close();
    return path;
}

// The column definitions of a CREATE TABLE statement, split at the commas
// that stand outside parentheses and quotes.
QStringList columnDefinitions(const QString& create) {
    const qsizetype open = create.indexOf(QLatin1Char('('));
    const qsizetype close = create.lastIndexOf(QLatin1Char(')'));
    QStringList out;
    QString part;
    int depth = 0;
    QChar quote;
    for (qsizetype i = open + 1; i < close; ++i) {
        const QChar c = create[i];
        if (!quote.isNull()) {
            if (c == quote) quote = QChar();
        } else if (c == '\'' || c == '"') {
            quote = c;
        } else if (c == '(') {
            ++depth;
        } else if (c == ')') {
            --depth;
        } else if (c == ',' && depth == 0) {
            out << part.trimmed();
            part.clear();
            continue;
        }
        part += c;
    }
    out << part.trimmed();
    return out;
}

// Drops the statistics columns StatA1..StatC5 of VOK in one copy of the
// table, keeping every other column's declaration as it stands.
void rawDropStatistics(sqlite3* db) {
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT sql FROM sqlite_schema WHERE name = 'VOK'", -1, &st, nullptr);
    sqlite3_step(st);
    const QString create = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    QStringList defs;
    QStringList names;
    for (const QString& def : columnDefinitions(create)) {
        const QString name = def.section(QLatin1Char(' '), 0, 0);
        if (QRegularExpression(R"(^"?Stat[ABC][1-5]"?$)").match(name).hasMatch()) continue;
        defs << def;
        names << name;
    }
    const QString list = names.join(", ");
    for (const QString& sql :
         {"CREATE TABLE wk_rebuild (" + defs.join(", ") + ")",
          "INSERT INTO wk_rebuild (rowid, " + list + ") SELECT rowid, " + list + " FROM VOK",
          QString("DROP TABLE VOK"), QString("ALTER TABLE wk_rebuild RENAME TO VOK")})
        sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr);
}

// The columns VOK has in the file, by name and declared type.
QStringList vokColumns(const QString& path) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT name, type FROM pragma_table_info('VOK') ORDER BY name", -1, &st, nullptr);
    QStringList out;
    while (sqlite3_step(st) == SQLITE_ROW)
        out << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))) + " " +
                   QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)));
    sqlite3_finalize(st);
    sqlite3_close(db);
    return out;
}

// The step's writes to VOK through the C API, in one transaction.
double rawStep22To30(const QString& path, int maxUsers) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    const double c0 = cpuMs();
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    rawDropStatistics(db);
    QStringList known;
    for (int u = 1; u <= maxUsers; ++u)
        for (int k = 1; k <= 6; ++k) {
            known << QString("Known%1%2").arg(u).arg(k);
            sqlite3_exec(
                db, QString("ALTER TABLE VOK ADD COLUMN %1 INTEGER").arg(known.last()).toUtf8().constData(),
                nullptr, nullptr, nullptr);
        }
    sqlite3_stmt* read = nullptr;
    sqlite3_prepare_v2(db, "SELECT rowid, A1, A2, A3, A4, A5, A6, A7, A8, A9, T FROM VOK ORDER BY Q, T", -1,
                       &read, nullptr);
    // One statement per set of fields written, prepared once.
    std::map<int, sqlite3_stmt*> updates;
    while (sqlite3_step(read) == SQLITE_ROW) {
        int shape = 0;
        for (int c = 1; c <= 10; ++c)
            if (sqlite3_column_type(read, c) == SQLITE_NULL || sqlite3_column_bytes(read, c) == 0)
                shape |= 1 << c;
        sqlite3_stmt*& up = updates[shape];
        if (!up) {
            QStringList sets;
            for (int c = 1; c <= 9; ++c)
                if (shape & (1 << c)) sets << QString("A%1 = ''").arg(c);
            if (shape & (1 << 10)) sets << "T = '-'";
            for (const QString& k : known) sets << k + " = ?";
            sqlite3_prepare_v2(
                db, ("UPDATE VOK SET " + sets.join(", ") + " WHERE rowid = ?").toUtf8().constData(), -1, &up,
                nullptr);
        }
        for (int i = 0; i < known.size(); ++i) sqlite3_bind_int(up, i + 1, 0);
        sqlite3_bind_int64(up, int(known.size()) + 1, sqlite3_column_int64(read, 0));
        sqlite3_step(up);
        sqlite3_reset(up);
    }
    sqlite3_finalize(read);
    for (auto& [shape, st] : updates) sqlite3_finalize(st);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    const double ms = cpuMs() - c0;
    sqlite3_close(db);
    return ms;
}

}  // namespace

static void BM_UpgradeKind0From22(benchmark::State& state) {
    const int items = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        upgradetest::Files files;
        const QString path = files.Make(0, "2.2");
        {
            auto db = dao::DBEngine::OpenDatabase(path, false, false, ";pwd=" + upgradetest::Password());
            benchsupport::insertRows(
                *db, "INSERT INTO VOK (Q, A, T) VALUES (?, ?, ?)", items, [](long i) -> dao::Params {
                    return {QString("Frage %1").arg(i), QString("Antwort %1").arg(i), QVariant()};
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

static void BM_UpgradeKind2From21(benchmark::State& state) {
    const long items = state.range(0);
    double cpu = 0;
    for (auto _ : state) {
        state.PauseTiming();
        upgradetest::Files files;
        const QString path = kind2File(files, "2.1", items);
        state.ResumeTiming();
        const double c0 = cpuMs();
        upgradetest::Opening o;
        if (!o.VokDBOeffnen(path)) state.SkipWithError("upgrade failed");
        o.Close();
        cpu += cpuMs() - c0;
    }
    state.counters["cpu_ms"] = cpu / double(state.iterations());
}
BENCHMARK(BM_UpgradeKind2From21)->Arg(40000)->Unit(benchmark::kMillisecond)->Iterations(1);

static void BM_Step22To30Kind2(benchmark::State& state) {
    const long items = state.range(0);
    double layer = 0, raw = 0;
    for (auto _ : state) {
        state.PauseTiming();
        upgradetest::Files files;
        const QString path = kind2File(files, "2.2", items);
        const QString copy = path + ".raw.wkd";
        QFile::copy(path, copy);
        state.ResumeTiming();
        raw += rawStep22To30(copy, 5);

        upgradetest::Opening o;
        o.dbVok = dao::DBEngine::OpenDatabase(path, false, false, ";pwd=" + upgradetest::Password());
        upgrade::UpgradeHost host;
        host.path = path;
        host.password = upgradetest::Password();
        host.dbType = 2;
        host.maxUsers = 5;
        host.db = &o.dbVok;
        host.rsOptions = &o.rsOptions;
        host.data = &o.data;
        host.reopen = [](const QString&) { return true; };
        const double c0 = cpuMs();
        if (upgrade::RunStep(host, upgrade::Step::From22, upgrade::StepFor(upgrade::Step::From22)) !=
            upgrade::UpgradeResult::Upgraded)
            state.SkipWithError("step failed");
        layer += cpuMs() - c0;
        o.Close();
        if (vokColumns(copy) != vokColumns(path)) state.SkipWithError("the raw side left other columns");
    }
    const double n = double(state.iterations());
    state.counters["cpu_ms"] = layer / n;
    state.counters["raw_cpu_ms"] = raw / n;
    benchsupport::setRatio(state, layer, raw);
}
BENCHMARK(BM_Step22To30Kind2)->Arg(40000)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    return benchsupport::runBenchmarks(argc, argv);
}
