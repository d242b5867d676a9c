#pragma once
// The statistics a test stored, brought into the rows of the items it asked,
// cell by cell, as a change to one item is: no rebuild of the grid.

#include <QByteArray>
#include <QSet>
#include <vector>

#include "platform/dao/Dao.h"

namespace grid {
class Grid;
}

namespace overview {

class RecordAccess;

// The rows of the records at these positions show the records' statistics
// of user slot `user` again: the "AA", "AR", "AF" and "FQ" columns the grid
// has, and the error-rate colour of column 1 where the grid shows it
// (indikatorRand not 0). The records are read in one bulk read; the
// recordset's position is kept where it has one; a record that cannot be
// read leaves its row as it was.
void RefreshStatisticsCells(grid::Grid& g, RecordAccess& rs, const std::vector<long>& positions, int user,
                            int indikatorRand);

// The positions in `rs` of the records these bookmarks name, in no order;
// a bookmark `rs` does not hold is left out. Every dynaset over VOK names an
// item by the same bookmark, so a test's bookmarks serve the grid's
// recordset. Its position is kept.
std::vector<long> recordPositionsOf(dao::Recordset& rs, const QSet<QByteArray>& bookmarks);

// RefreshStatisticsCells for the items these bookmarks name in the grid's
// recordset; one that had no current record has none afterwards.
void RefreshItemsStatistics(grid::Grid& g, const dao::RecordsetPtr& rs, const QSet<QByteArray>& bookmarks,
                            int user, int indikatorRand);

}  // namespace overview
