// The two imports beside the raw sqlite3 work on the same rows:
//   BM_TextImport/lines/existing   ImportTextRows into the grid recordset of
//       a database holding `existing` items, then the theme and category
//       lists refreshed as the program refreshes them after an import;
//       against a raw INSERT of the same rows and columns in one
//       transaction, each question looked up among the questions there
//       before and those added (in memory, as the import does: the table
//       has no index on Q), the values all rows share converted once, and
//       each row's theme and category added to the lists held from before
//       (a lean program does not read every row's again)
//   BM_DbImport/items              ImportFromDB of every item of a source into
//       an empty database, then the lists refreshed; against a raw copy: the
//       same columns read from the source in its order (ORDER BY Q) in their
//       native types, texts as QString, each question looked up as above,
//       inserted into the target in one transaction, each row's theme and
//       category added to the lists held from before
// 1,000,000 lines or items take about a minute with their databases.
// Measured (CPU ms, median of 3; before = the walk per line and the list
// refill per item, which grew with the square of the size):
//   text import into an empty database   2,000 lines 1594 before (140x),
//       4,000 lines 6158 (265x); now 10,000 127 (2.2x), 100,000 1293 (2.2x),
//       1,000,000 14888 (2.5x)
//   100 lines into 10,000 / 100,000 items   781 / 7844 before (864x / 8279x);
//       now 10,000 lines into 100,000 items 229 (3.0x), 100,000 into
//       100,000 1412 (1.8x)
//   database import   1,000 items 464 before (69x), 2,000 1675 (126x); now
//       10,000 151 (2.3x), 100,000 1587 (2.3x), 1,000,000 16574 (2.4x)
// Those ratios were against a raw side that did extra work (an index on Q
// kept up by every INSERT, the shared empty texts and the date converted
// anew on every row) and skipped the lists' refresh on both sides.
// With the baselines made honest (min / median of 3 runs, 1,000,000: of 2;
// machine shared and loaded, interleaved with the build before):
//   text import   10,000: 256 / 262 ms before (2.15-2.47x), 146 / 158 ms
//       after (1.33-1.57x); 100,000: 2157 / 2375 ms (1.89-2.51x) before,
//       1567 / 1649 ms after (1.42-1.44x); 1,000,000: 24.2 / 25.6 s
//       (2.18-2.58x) before, 13.2 / 13.6 s (1.14-1.56x) after; the raw side
//       takes 1.0-1.2 s at 100,000. After = texts bound as UTF-8, dates
//       formatted by hand, whole numbers without a double, the finder told
//       of each added question, and the lists collected in one pass.
// With the raw side adding each row's theme and category to the lists it
// held, instead of reading every row's again (min / median of 3 at
// 100,000, machine heavily loaded): text import 1.92 / 2.10 s against
// 1.30-1.38 s raw (1.47-1.58x); database import 4.63 / 5.18 s against
// 1.90-1.94 s raw (2.43-2.76x).
// With the layer's transactions kept from writing pages into the journal
// before their commit (cache_spill off; peak RSS of the process, one run
// each, interleaved): text import of 100,000 lines 59.6 MB before, 72.8 MB
// after; of 1,000,000 lines 355 MB, 512 MB; database import of 100,000
// items 45.4 MB, 62.7 MB. CPU unchanged within the noise (text import of
// 100,000: 825-888 ms before, 834-870 ms after).
// BM_TextImportPeak/lines and BM_DbImportPeak/items run each import in a
// fresh process (the text import as the wizard runs it: the file into the
// preview grid, then the grid's rows into the database) and report that
// process's peak RSS (VmHWM) as peak_MB; min / median of 3 runs, MB:
//   text import   100,000 lines  before 118.3 / 118.4, after 50.7 / 50.7;
//       1,000,000 lines (35 MB of text) before 938.2 / 938.3, after
//       269.0 / 269.2; with the layer's cache_spill left at SQLite's
//       default, as the rollback journal has it: before 105.4 / 105.5 and
//       778.8 / 785.5, after 37.4 / 37.4 and 112.1 / 112.2
//   database import   100,000 items before 59.8 / 59.8, after 51.8 / 52.0;
//       1,000,000 before 339.2 / 339.5, after 267.1 / 267.5; with the
//       spill: before 42.7 / 42.9 and 149.1 / 149.1, after 38.6 / 38.7 and
//       138.1 / 138.2
// Before = the whole file, its text, its lines and its rows held at once,
// the rows copied out of the grid again for the import, and every question
// of the target held as a text for the duplicate look-up; after = the file
// read a chunk at a time into the grid, the import reading the grid row by
// row, and (in the figures above only) a 32-bit digest per question. The
// digest was left out: with each question held as its text, as the program
// runs (two passes of 3): text import of 100,000 lines 47.9 / 48.0 MB, of
// 1,000,000 217 / 218 MB; database import of 100,000 items 42.7 / 42.8 MB,
// of 1,000,000 149 / 150 MB.
// Each iteration works on a fresh copy of a database made before the clock
// runs; cpu_ms is the layer's CPU time, raw_cpu_ms the raw one, ratio_cpu
// their quotient.
// BM_DbImportSystemCalls/items counts, with strace, the system calls of the
// database import (a child importing every item, less a child that does
// all but the import) and of the raw copy (less a child that only starts),
// per item: syscalls_per_item, raw_syscalls_per_item, ratio_syscalls.

#include <benchmark/benchmark.h>

#include <sqlite3.h>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>

#include "BenchSupport.h"

#include "core/modFunctions.h"
#include "core/modMain.h"
#include "exchange/DbImport.h"
#include "exchange/TextImport.h"
#include "platform/Memory.h"
#include "platform/dao/Dao.h"
#include "platform/grid/Grid.h"
#include "vocabdb/ThemeLists.h"
#include "vocabdb/VokSchema.h"

namespace {

using benchsupport::cpuMs;
using benchsupport::statusKb;

// The columns both imports write, in the order they write them.
QStringList importColumns() {
    QStringList c{"Typ", "Q"};
    for (int i = 1; i <= 9; ++i) c << QString("A%1").arg(i);
    c << "T";
    for (int i = 1; i <= 9; ++i) c << QString("RA%1").arg(i);
    c << "AskAllItems"
      << "MindTheOrder"
      << "ZuletztGelerntAm"
      << "Kategorie"
      << "Explanation"
      << "Markiert"
      << "Tip"
      << "Punkte";
    for (int u = 1; u <= 5; ++u)
        for (const char* p : {"AA", "AR", "AF", "FQ"}) c << QString("%1%2").arg(p).arg(u);
    for (const char* f : {"Bild", "Sound", "SoundTip", "SoundRichtig", "SoundFalsch"}) c << f;
    return c;
}

QByteArray insertSql() {
    const QStringList c = importColumns();
    QStringList marks;
    for (qsizetype i = 0; i < c.size(); ++i) marks << "?";
    return QString("INSERT INTO VOK (%1) VALUES (%2)").arg(c.join(", "), marks.join(", ")).toUtf8();
}

// A vocabulary database of n items "Wort <r>", closed, at path.
void makeDatabase(const QString& path, long n) {
    auto db = benchsupport::newVokDatabase(path, 0, "");
    benchsupport::insertRows(*db,
                             "INSERT INTO VOK (Q, A1, A2, T, Kategorie, Explanation, Punkte, AA1, AR1, FQ1) "
                             "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                             n, [](long r) -> dao::Params {
                                 return {QString("Wort %1").arg(r),
                                         QString("word %1").arg(r),
                                         QString("zweite %1").arg(r % 97),
                                         QString("Thema %1").arg(r % 20),
                                         QString("Kategorie %1").arg(r % 7),
                                         QString("Erklaerung %1").arg(r),
                                         int(r % 50),
                                         int(r % 13),
                                         int(r % 7),
                                         double(r % 100) + 0.25};
                             });
    db->Close();
}

// Made once per size for the whole run.
const QString& templateOf(long n) {
    static QTemporaryDir dir;
    static QHash<long, QString> made;
    auto it = made.find(n);
    if (it == made.end()) {
        const QString path = dir.filePath(QString("items%1.wkd").arg(n));
        makeDatabase(path, n);
        it = made.insert(n, path);
    }
    return *it;
}

QString freshCopy(const QString& from, QTemporaryDir& dir, const char* name) {
    const QString to = dir.filePath(name);
    QFile::remove(to);
    QFile::copy(from, to);
    return to;
}

sqlite3* rawOpen(const QString& path, int flags = SQLITE_OPEN_READWRITE) {
    sqlite3* db = nullptr;
    // SQLite's defaults (rollback journal, synchronous FULL), as the layer
    // runs its connections.
    sqlite3_open_v2(path.toUtf8().constData(), &db, flags, nullptr);
    return db;
}

void bindText(sqlite3_stmt* st, int i, const QString& s) {
    const QByteArray b = s.toUtf8();
    sqlite3_bind_text(st, i, b.constData(), int(b.size()), SQLITE_TRANSIENT);
}

std::vector<QStringList> textRows(long lines) {
    std::vector<QStringList> rows;
    rows.reserve(size_t(lines));
    for (long r = 0; r < lines; ++r)
        rows.push_back({QString("Neu %1").arg(r), QString("new %1").arg(r), QString("Thema %1").arg(r % 30)});
    return rows;
}

// The theme and category lists as the program refreshes them after an
// import: every row's T and Kategorie in the grid's order, each text once
// (regardless of case), into the two lists of the main window.
struct SubjectCombos {
    QComboBox themen, kategorien;
};

void fillSubjectCombos(SubjectCombos& combos, const QStringList& themen, const QStringList& kategorien) {
    combos.themen.clear();
    combos.kategorien.clear();
    combos.themen.addItems(themen);
    combos.kategorien.addItems(kategorien);
    if (combos.themen.count() > 0) combos.themen.setCurrentIndex(0);
    if (combos.kategorien.count() > 0) combos.kategorien.setCurrentIndex(0);
}

// The program's refresh of the lists, on the grid recordset.
exchange::TextImportHooks refreshHooks(const dao::RecordsetPtr& data, SubjectCombos& combos) {
    exchange::TextImportHooks hooks;
    hooks.updateThemes = [&data, &combos] {
        const vocabdb::SubjectLists lists = vocabdb::CollectSubjects(data);
        fillSubjectCombos(combos, lists.themen, lists.kategorien);
    };
    return hooks;
}

// The raw side's lists: those the program showed before the import, read
// before the clock runs (a lean program holds them already), and each new
// text added as its row is inserted, each once regardless of case.
struct RawLists {
    QStringList lists[2];
    QSet<QString> seen[2], texts[2];

    explicit RawLists(sqlite3* db) {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, "SELECT T, Kategorie FROM VOK ORDER BY Q, T", -1, &st, nullptr);
        while (sqlite3_step(st) == SQLITE_ROW)
            for (int c = 0; c < 2; ++c)
                if (sqlite3_column_type(st, c) == SQLITE_TEXT)
                    add(c, QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, c)),
                                             sqlite3_column_bytes(st, c)));
        sqlite3_finalize(st);
    }
    // c: 0 theme, 1 category
    void add(int c, const QString& s) {
        if (s.isEmpty() || texts[c].contains(s)) return;
        texts[c].insert(s);
        const QString key = modFunctions::UCase(s);
        if (seen[c].contains(key)) return;
        seen[c].insert(key);
        lists[c] << s;
    }
    void show(SubjectCombos& combos) const { fillSubjectCombos(combos, lists[0], lists[1]); }
};

// The first key of each question in the grid's order, as the import looks
// duplicates up, and the highest key there is.
QHash<QString, sqlite3_int64> rawQuestions(sqlite3* db, sqlite3_int64& lastKey) {
    QHash<QString, sqlite3_int64> questions;
    sqlite3_stmt* all = nullptr;
    sqlite3_prepare_v2(db, "SELECT Q, rowid FROM VOK ORDER BY Q, T", -1, &all, nullptr);
    while (sqlite3_step(all) == SQLITE_ROW) {
        const sqlite3_int64 key = sqlite3_column_int64(all, 1);
        lastKey = std::max(lastKey, key);
        if (sqlite3_column_type(all, 0) != SQLITE_TEXT) continue;
        const QString q = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(all, 0)),
                                            sqlite3_column_bytes(all, 0));
        if (!questions.contains(q)) questions.insert(q, key);
    }
    sqlite3_finalize(all);
    return questions;
}

// The raw INSERT of the rows the text import writes, with the same values:
// one transaction, each question looked up among the questions there before
// and those added in the run (the answer of a found one read, as the import
// reads it), the values every row shares converted once, then the lists
// refreshed.
double rawTextImport(const QString& path, const std::vector<QStringList>& rows, const QDateTime& now,
                     const QString& category, SubjectCombos& combos) {
    sqlite3* db = rawOpen(path);
    RawLists lists(db);
    const double c0 = cpuMs();
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_int64 lastBefore = 0;
    QHash<QString, sqlite3_int64> questions = rawQuestions(db, lastBefore);
    sqlite3_stmt* ins = nullptr;
    sqlite3_prepare_v2(db, insertSql().constData(), -1, &ins, nullptr);
    sqlite3_stmt* answer = nullptr;
    sqlite3_prepare_v2(db, "SELECT A1 FROM VOK WHERE rowid = ?", -1, &answer, nullptr);
    const QByteArray date = now.toString("yyyy-MM-dd HH:mm:ss").toUtf8();
    const QByteArray categoryText = category.toUtf8();
    long found = 0;
    for (const QStringList& row : rows) {
        if (auto it = questions.constFind(row[0]); it != questions.constEnd()) {
            sqlite3_bind_int64(answer, 1, *it);
            if (sqlite3_step(answer) == SQLITE_ROW) found += sqlite3_column_bytes(answer, 0) + 1;
            sqlite3_reset(answer);
        }
        int k = 1;
        auto shared = [&](const QByteArray& text) {
            sqlite3_bind_text(ins, k++, text.constData(), int(text.size()), SQLITE_STATIC);
        };
        sqlite3_bind_int(ins, k++, 0);
        bindText(ins, k++, row[0]);
        bindText(ins, k++, row[1]);
        for (int i = 2; i <= 9; ++i) sqlite3_bind_text(ins, k++, "", 0, SQLITE_STATIC);
        bindText(ins, k++, row[2]);
        for (int i = 1; i <= 9; ++i) sqlite3_bind_int(ins, k++, 0);
        sqlite3_bind_int(ins, k++, 0);
        sqlite3_bind_int(ins, k++, 0);
        shared(date);
        shared(categoryText);
        sqlite3_bind_text(ins, k++, "", 0, SQLITE_STATIC);
        sqlite3_bind_int(ins, k++, 0);
        sqlite3_bind_text(ins, k++, "", 0, SQLITE_STATIC);
        sqlite3_bind_int(ins, k++, 0);
        for (int s = 0; s < 20; ++s)
            if (s % 4 == 3)
                sqlite3_bind_double(ins, k++, 0.0);  // FQ is a Double
            else
                sqlite3_bind_int(ins, k++, 0);
        for (int m = 0; m < 5; ++m) sqlite3_bind_text(ins, k++, "", 0, SQLITE_STATIC);
        sqlite3_step(ins);
        sqlite3_reset(ins);
        if (!questions.contains(row[0])) questions.insert(row[0], sqlite3_last_insert_rowid(db));
        lists.add(0, row[2]);
        lists.add(1, category);
    }
    sqlite3_finalize(ins);
    sqlite3_finalize(answer);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    lists.show(combos);
    const double ms = cpuMs() - c0;
    benchmark::DoNotOptimize(found);
    sqlite3_close(db);
    return ms;
}

void BM_TextImport(benchmark::State& state) {
    const long lines = state.range(0);
    const long existing = state.range(1);
    const QString& base = templateOf(existing);
    const std::vector<QStringList> rows = textRows(lines);
    const QDateTime now = QDateTime::currentDateTime();
    // The category every imported item gets (the program's "Other" in its
    // language, in title case): a constant for a raw program.
    QString category = modMain::GetText(87).toLower();
    for (qsizetype i = 0; i < category.size(); ++i)
        if (i == 0 || category.at(i - 1).isSpace()) category[i] = category.at(i).toUpper();
    SubjectCombos rawCombos, layerCombos;
    QTemporaryDir work;
    double layer = 0, raw = 0;
    int imported = 0;
    for (auto _ : state) {
        raw += rawTextImport(freshCopy(base, work, "raw.wkd"), rows, now, category, rawCombos);
        auto db = dao::DBEngine::OpenDatabase(freshCopy(base, work, "layer.wkd"), false, false,
                                              ";pwd=" + vocabdb::VokDBPasswort);
        auto data = db->OpenRecordset("Alles");
        const double c0 = cpuMs();
        imported = exchange::ImportTextRows(rows, exchange::TextLayout::QuestionAnswerTheme, "Std", *data, 5,
                                            now, refreshHooks(data, layerCombos))
                       .imported;
        layer += cpuMs() - c0;
        data.reset();
        db->Close();
    }
    if (rawCombos.themen.count() != layerCombos.themen.count() ||
        rawCombos.kategorien.count() != layerCombos.kategorien.count())
        state.SkipWithError("the raw refresh found other lists than the program's");
    const double n = double(state.iterations());
    state.counters["imported"] = imported;
    state.counters["themes"] = layerCombos.themen.count();
    state.counters["cpu_ms"] = layer / n;
    state.counters["raw_cpu_ms"] = raw / n;
    benchsupport::setRatio(state, layer, raw);
}
BENCHMARK(BM_TextImport)
    ->Args({10000, 0})
    ->Args({100000, 0})
    ->Args({10000, 100000})
    ->Args({100000, 100000})
    ->Args({1000000, 0})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// The raw copy of every source item, as ImportFromDB writes it: each
// question looked up among those in the target and those copied before (the
// answer of a found one read), then the lists refreshed.
double rawDbCopy(const QString& srcPath, const QString& dstPath, SubjectCombos& combos) {
    sqlite3* src = rawOpen(srcPath, SQLITE_OPEN_READONLY);
    sqlite3* dst = rawOpen(dstPath);
    RawLists lists(dst);
    const double c0 = cpuMs();
    QStringList cols = importColumns();
    // The statistics are written as 0, not read.
    cols.erase(std::remove_if(cols.begin(), cols.end(),
                              [](const QString& c) {
                                  return c.size() == 3 && (c.startsWith("AA") || c.startsWith("AR") ||
                                                           c.startsWith("AF") || c.startsWith("FQ"));
                              }),
               cols.end());
    const int qColumn = int(cols.indexOf("Q"));
    const int listColumn[2] = {int(cols.indexOf("T")), int(cols.indexOf("Kategorie"))};
    const QByteArray select = ("SELECT " + cols.join(", ") + " FROM VOK ORDER BY Q").toUtf8();
    sqlite3_stmt* read = nullptr;
    sqlite3_prepare_v2(src, select.constData(), -1, &read, nullptr);
    sqlite3_exec(dst, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_int64 lastBefore = 0;
    QHash<QString, sqlite3_int64> questions = rawQuestions(dst, lastBefore);
    sqlite3_stmt* answer = nullptr;
    sqlite3_prepare_v2(dst, "SELECT A1 FROM VOK WHERE rowid = ?", -1, &answer, nullptr);
    sqlite3_stmt* ins = nullptr;
    sqlite3_prepare_v2(dst, insertSql().constData(), -1, &ins, nullptr);
    const int stats = int(importColumns().indexOf("AA1"));
    long found = 0;
    while (sqlite3_step(read) == SQLITE_ROW) {
        if (sqlite3_column_type(read, qColumn) == SQLITE_NULL) continue;
        QString question;
        int k = 1;
        for (int c = 0; c < int(cols.size()); ++c) {
            if (k == stats + 1) {
                for (int s = 0; s < 20; ++s)
                    if (s % 4 == 3)
                        sqlite3_bind_double(ins, k++, 0.0);
                    else
                        sqlite3_bind_int(ins, k++, 0);
            }
            switch (sqlite3_column_type(read, c)) {
                case SQLITE_INTEGER:
                    sqlite3_bind_int64(ins, k++, sqlite3_column_int64(read, c));
                    break;
                case SQLITE_FLOAT:
                    sqlite3_bind_double(ins, k++, sqlite3_column_double(read, c));
                    break;
                case SQLITE_TEXT: {
                    const QString s =
                        QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(read, c)),
                                          sqlite3_column_bytes(read, c));
                    if (c == qColumn) question = s;
                    for (int l = 0; l < 2; ++l)
                        if (c == listColumn[l]) lists.add(l, s);
                    bindText(ins, k++, s);
                    break;
                }
                case SQLITE_BLOB: {
                    const QByteArray b(static_cast<const char*>(sqlite3_column_blob(read, c)),
                                       sqlite3_column_bytes(read, c));
                    sqlite3_bind_blob(ins, k++, b.constData(), int(b.size()), SQLITE_TRANSIENT);
                    break;
                }
                default:
                    sqlite3_bind_null(ins, k++);
            }
        }
        if (auto it = questions.constFind(question); it != questions.constEnd()) {
            sqlite3_bind_int64(answer, 1, *it);
            if (sqlite3_step(answer) == SQLITE_ROW) found += sqlite3_column_bytes(answer, 0) + 1;
            sqlite3_reset(answer);
        }
        sqlite3_step(ins);
        sqlite3_reset(ins);
        if (!questions.contains(question)) questions.insert(question, sqlite3_last_insert_rowid(dst));
    }
    sqlite3_finalize(read);
    sqlite3_finalize(ins);
    sqlite3_finalize(answer);
    sqlite3_exec(dst, "COMMIT", nullptr, nullptr, nullptr);
    lists.show(combos);
    const double ms = cpuMs() - c0;
    benchmark::DoNotOptimize(found);
    sqlite3_close(src);
    sqlite3_close(dst);
    return ms;
}

void BM_DbImport(benchmark::State& state) {
    const long items = state.range(0);
    const QString& source = templateOf(items);
    const QString& empty = templateOf(0);
    SubjectCombos rawCombos, layerCombos;
    QTemporaryDir work;
    double layer = 0, raw = 0;
    int written = 0;
    for (auto _ : state) {
        raw += rawDbCopy(source, freshCopy(empty, work, "raw.wkd"), rawCombos);
        auto db = dao::DBEngine::OpenDatabase(freshCopy(empty, work, "layer.wkd"), false, false,
                                              ";pwd=" + vocabdb::VokDBPasswort);
        auto data = db->OpenRecordset("Alles");
        exchange::ImportSource src = exchange::OpenImportSource(source, "", {});
        QList<long> all;
        for (const exchange::SourceItem& item : exchange::SourceItems(*src.vok)) all << item.position;
        exchange::DbImportHooks hooks;
        hooks.updateThemes = refreshHooks(data, layerCombos).updateThemes;
        const double c0 = cpuMs();
        written = exchange::ImportFromDB(*src.vok, all, *data, 5, hooks).written;
        layer += cpuMs() - c0;
        src.Close();
        data.reset();
        db->Close();
    }
    if (rawCombos.themen.count() != layerCombos.themen.count() ||
        rawCombos.kategorien.count() != layerCombos.kategorien.count())
        state.SkipWithError("the raw refresh found other lists than the program's");
    const double n = double(state.iterations());
    state.counters["written"] = written;
    state.counters["cpu_ms"] = layer / n;
    state.counters["raw_cpu_ms"] = raw / n;
    benchsupport::setRatio(state, layer, raw);
}
BENCHMARK(BM_DbImport)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(1);

// ---- peak memory, each run in a fresh process: one run cannot hide
// another's peak, and nothing the parent made counts.

// A text file of `lines` lines as the text import reads them.
const QString& textFileOf(long lines) {
    static QTemporaryDir dir;
    static QHash<long, QString> made;
    auto it = made.find(lines);
    if (it == made.end()) {
        const QString path = dir.filePath(QString("lines%1.txt").arg(lines));
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        QByteArray chunk;
        for (long r = 0; r < lines; ++r) {
            chunk += QString("Neu %1\tnew %1\tThema %2\r\n").arg(r).arg(r % 30).toUtf8();
            if (chunk.size() > (1 << 20)) {
                f.write(chunk);
                chunk.clear();
            }
        }
        f.write(chunk);
        it = made.insert(lines, path);
    }
    return *it;
}

// The text import as the wizard runs it: the file into the preview grid,
// then every row of the grid into the database.
int childTextImport(const QString& file, const QString& dbPath) {
    auto db = dao::DBEngine::OpenDatabase(dbPath, false, false, ";pwd=" + vocabdb::VokDBPasswort);
    auto data = db->OpenRecordset("Alles");
    grid::Grid g;
    g.AddColumn("Q");
    g.AddColumn("A");
    g.AddColumn("T");
    g.SetRedraw(false);
    exchange::ReadImportFile(
        file, "\t", exchange::TextLayout::QuestionAnswerTheme, false,
        [&g](const QStringList& row) {
            g.AddRow();
            const long r = g.Rows();
            for (int c = 0; c < row.size(); ++c) g.CellDetails(r, c + 1, row.at(c));
        },
        exchange::TextImportBudget(wk::AvailableMemory()));
    g.SetRedraw(true);
    const int n =
        exchange::ImportTextRows(int(g.Rows()),
                                 [&g](int r) {
                                     return QStringList{g.CellText(r, 1), g.CellText(r, 2), g.CellText(r, 3)};
                                 },
                                 exchange::TextLayout::QuestionAnswerTheme, "Std", *data, 5,
                                 QDateTime::currentDateTime(), {})
            .imported;
    data.reset();
    db->Close();
    return n;
}

// `import` false: everything but the import itself (the files opened, the
// source's list read, as the wizard has done before the import begins).
int childDbImport(const QString& source, const QString& dbPath, bool import = true) {
    auto db = dao::DBEngine::OpenDatabase(dbPath, false, false, ";pwd=" + vocabdb::VokDBPasswort);
    auto data = db->OpenRecordset("Alles");
    exchange::ImportSource src = exchange::OpenImportSource(source, "", {});
    QList<long> all;
    for (const exchange::SourceItem& item : exchange::SourceItems(*src.vok)) all << item.position;
    const int n = import ? exchange::ImportFromDB(*src.vok, all, *data, 5, {}).written : 0;
    src.Close();
    data.reset();
    db->Close();
    return n;
}

// In the child: runs one import and prints its count, CPU ms and peak kB.
int runChild(int argc, char** argv) {
    benchsupport::useOffscreenUnlessSet();
    QApplication app(argc, argv);
    const QString kind = argv[2], from = argv[3], into = argv[4];
    const double c0 = cpuMs();
    const int n = kind == "text" ? childTextImport(from, into) : childDbImport(from, into);
    std::printf("%d %f %ld\n", n, cpuMs() - c0, statusKb("VmHWM:"));
    return 0;
}

// One fresh child per iteration; peak_MB is the child's VmHWM.
void runPeak(benchmark::State& state, const char* kind, const QString& from, const QString& base) {
    QTemporaryDir work;
    double peak = 0, cpu = 0;
    long count = 0;
    for (auto _ : state) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {"--peak-child", kind, from, freshCopy(base, work, "peak.wkd")});
        if (!child.waitForFinished(-1) || child.exitCode() != 0) {
            state.SkipWithError("the child failed");
            return;
        }
        const QStringList out = QString::fromUtf8(child.readAllStandardOutput()).split(' ');
        count = out.value(0).toLong();
        cpu = out.value(1).toDouble();
        peak = out.value(2).toDouble() / 1024.0;
    }
    state.counters["count"] = double(count);
    state.counters["cpu_ms"] = cpu;
    state.counters["peak_MB"] = peak;
}

// In the child of the system-call count: the database import through the
// program ("db") or the raw copy ("raw"), whole ("import") or all but the
// import itself ("setup").
int runSyscallChild(char** argv) {
    benchsupport::useOffscreenUnlessSet();
    int argc = 1;
    QApplication app(argc, argv);
    const QString side = argv[2], part = argv[3], from = argv[4], into = argv[5];
    if (side == "db") {
        childDbImport(from, into, part == "import");
    } else if (part == "import") {
        SubjectCombos combos;
        rawDbCopy(from, into, combos);
    }
    return 0;
}

// The system calls of one child run, as strace counts them (every thread);
// -1 when strace is not there or the child failed.
long systemCalls(const QStringList& childArgs) {
    QTemporaryDir dir;
    const QString summary = dir.filePath("calls");
    QProcess strace;
    strace.start("strace", QStringList{"-f", "-c", "-o", summary, QCoreApplication::applicationFilePath(),
                                       "--syscall-child"} +
                               childArgs);
    if (!strace.waitForFinished(-1) || strace.exitCode() != 0) return -1;
    QFile f(summary);
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : f.readAll().split('\n')) {
        // "100.00    0.012345           1     12345       123 total"
        const QList<QByteArray> cols = line.simplified().split(' ');
        if (cols.size() >= 5 && cols.last() == "total") return cols.at(3).toLong();
    }
    return -1;
}

// The database import's own system calls per item, each side's run less
// its run without the import, against the raw copy's.
void BM_DbImportSystemCalls(benchmark::State& state) {
    const long items = state.range(0);
    const QString& source = templateOf(items);
    QTemporaryDir work;
    long layer = 0, raw = 0;
    for (auto _ : state) {
        const auto calls = [&](const char* side, const char* part) {
            return systemCalls({side, part, source, freshCopy(templateOf(0), work, "calls.wkd")});
        };
        const long counts[4] = {calls("db", "import"), calls("db", "setup"), calls("raw", "import"),
                                calls("raw", "setup")};
        if (std::any_of(std::begin(counts), std::end(counts), [](long c) { return c < 0; })) {
            state.SkipWithError("strace is needed, and the children must run");
            return;
        }
        layer = counts[0] - counts[1];
        raw = counts[2] - counts[3];
    }
    state.counters["syscalls_per_item"] = double(layer) / double(items);
    state.counters["raw_syscalls_per_item"] = double(raw) / double(items);
    if (raw > 0) state.counters["ratio_syscalls"] = double(layer) / double(raw);
}
BENCHMARK(BM_DbImportSystemCalls)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);

double minOf(const std::vector<double>& v) {
    return v.empty() ? 0 : *std::min_element(v.begin(), v.end());
}

void BM_TextImportPeak(benchmark::State& state) {
    runPeak(state, "text", textFileOf(state.range(0)), templateOf(0));
}
BENCHMARK(BM_TextImportPeak)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3)
    ->ComputeStatistics("min", minOf);

void BM_DbImportPeak(benchmark::State& state) {
    runPeak(state, "db", templateOf(state.range(0)), templateOf(0));
}
BENCHMARK(BM_DbImportPeak)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3)
    ->ComputeStatistics("min", minOf);

}  // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::string(argv[1]) == "--peak-child") return runChild(argc, argv);
    if (argc == 6 && std::string(argv[1]) == "--syscall-child") return runSyscallChild(argv);
    return benchsupport::runWidgetBenchmarks(argc, argv);
}
