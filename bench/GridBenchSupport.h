#pragma once
// What the grid benchmarks share: the database of every grid column, the
// options that show them, and one rebuild of the grid as the program does it.

#include <sqlite3.h>

#include <QFile>
#include <QString>
#include <QStringList>

#include "BenchSupport.h"
#include "overview/GridFiller.h"
#include "platform/grid/Grid.h"
#include "platform/grid/ImageList.h"

namespace benchsupport {

// Shows every column of the vocabulary grid.
inline void showAllGridColumns(dao::Database& db) {
    QStringList show;
    for (int i = 1; i <= 9; ++i) show << QString("GridShowA%1 = 1").arg(i);
    for (const char* k : {"T", "Kategorie", "Explanation", "Tip", "Punkte", "AA", "AR", "AF", "FQ"})
        show << QString("GridShow%1 = 1").arg(k);
    db.Execute("UPDATE OPTIONS SET " + show.join(", "));
}

// items rows with the texts, marks and statistics of all five users that
// the grid's 21 columns show, and those columns shown.
inline void fillAllColumns(dao::Database& db, long items) {
    QStringList cols{"Q", "A1", "A2", "T", "Kategorie", "Explanation", "Tip", "Punkte", "Markiert", "RA1"};
    for (int u = 1; u <= 5; ++u)
        for (const char* p : {"AA", "AR", "AF", "FQ"}) cols << QString("%1%2").arg(p).arg(u);
    QStringList marks;
    for (int i = 0; i < cols.size(); ++i) marks << "?";
    insertRows(db, QString("INSERT INTO VOK (%1) VALUES (%2)").arg(cols.join(", "), marks.join(", ")), items,
               [](long r) {
                   dao::Params p{QString("Frage %1 mit etwas Text").arg(r),
                                 QString("Antwort %1").arg(r),
                                 QString("zweite %1").arg(r % 97),
                                 QString("Thema %1").arg(r % 20),
                                 QString("Kategorie %1").arg(r % 7),
                                 r % 3 ? QVariant(QString("Erklaerung %1").arg(r)) : QVariant(QString()),
                                 QString(),
                                 int(r % 50),
                                 r % 5 == 0,
                                 r % 4 == 0 ? 1 : 0};
                   for (int u = 1; u <= 5; ++u)
                       p << int(r % 13) << int(r % 7) << int(r % 6) << double(r % 100) + 0.25;
                   return p;
               });
    showAllGridColumns(db);
}

// The rows fillAllColumns writes, by one INSERT ... SELECT through a plain
// sqlite3 connection in one transaction, into the closed database at path:
// for a million items the layer's inserts take minutes.
inline void fillAllColumnsBySql(const QString& path, long items) {
    if (items <= 0) return;
    QByteArray cols = "Q, A1, A2, T, Kategorie, Explanation, Tip, Punkte, Markiert, RA1";
    QByteArray vals =
        "printf('Frage %d mit etwas Text', i), printf('Antwort %d', i), printf('zweite %d', i % 97), "
        "printf('Thema %d', i % 20), printf('Kategorie %d', i % 7), "
        "CASE WHEN i % 3 THEN printf('Erklaerung %d', i) ELSE '' END, '', i % 50, "
        "CASE WHEN i % 5 = 0 THEN -1 ELSE 0 END, CASE WHEN i % 4 = 0 THEN 1 ELSE 0 END";
    for (int u = 1; u <= 5; ++u) {
        cols += QByteArray(", AA%1, AR%1, AF%1, FQ%1").replace("%1", QByteArray::number(u));
        vals += ", i % 13, i % 7, i % 6, (i % 100) + 0.25";
    }
    const QByteArray sql =
        "BEGIN; WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < " +
        QByteArray::number(qlonglong(items - 1)) + ") INSERT INTO VOK (" + cols + ") SELECT " + vals +
        " FROM n; COMMIT;";
    sqlite3* db = nullptr;
    char* err = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) !=
            SQLITE_OK ||
        sqlite3_exec(db, sql.constData(), nullptr, nullptr, &err) != SQLITE_OK)
        qFatal("filling %s: %s", qPrintable(path), err ? err : sqlite3_errmsg(db));
    sqlite3_close(db);
}

// One rebuild of g as the program does it, for user 1 with the plain icons.
inline void buildGrid(grid::Grid& g, overview::RecordAccess& records, overview::RecordAccess& options,
                      grid::ImageList& il, int indikatorRand) {
    overview::GridBuildInputs in;
    in.grid = &g;
    in.records = &records;
    in.options = &options;
    in.user = 1;
    in.listIcon = 1;
    in.indikatorRand = indikatorRand;
    in.ilVG = &il;
    in.IL = &il;
    in.getText = [](int id) { return QString("#%1").arg(id); };
    overview::GridFiller(std::move(in)).build();
    g.SetRedraw(true);
    g.SetShowData(true);
}

}  // namespace benchsupport
