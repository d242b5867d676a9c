#pragma once
// What the grid benchmarks share: the database of every grid column, the
// options that show them, and one rebuild of the grid as the program does it.

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
