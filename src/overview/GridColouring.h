#pragma once
// Colours laid over the vocabulary grid: the zebra stripes, the right
// answers of multiple-choice items, and the stripes again below a removed
// row. Each row's record is the one its hidden "no" cell names.

#include <QtGlobal>
#include <vector>

namespace grid {
class Grid;
}

namespace overview {

class RecordAccess;

// Right-answer flags of the answer columns per row, gathered by a build
// (bit i set when the record's "RA" & i is 1), so that the colouring that
// ends the build needs no second walk of the recordset. Index: row - 1.
using RightAnswers = std::vector<quint16>;

// Paints every answer cell green whose record's "R" & key is 1 and whose
// text is not "-"; other cells keep their colour. Puts the recordset back on
// the selected row's record. With `known`, the flags come from there.
void RMC_VGridColorEveryRight(grid::Grid& g, RecordAccess& rs, const RightAnswers* known = nullptr);

// The same for one row, giving the other answer cells the colour of the
// row's question cell (column 3). The recordset's position is kept.
void RMC_VGridColorEveryRightInRow(grid::Grid& g, RecordAccess& rs, long row);

// Zebra shading: every odd row &HE0E0E0 from column 1 (indikatorRand 0) or 2;
// with start column 1 the even rows get the default colour there. With
// reset, every cell from the start column first gets the default colour.
// Ends with RMC_VGridColorEveryRight.
void VGridColorEverySecondCell(grid::Grid& g, RecordAccess& rs, int indikatorRand, bool reset,
                               const RightAnswers* known = nullptr);

// After row `row` was removed: the rows from it downward take the stripes
// again, the first one `colour` (the removed row's column-2 colour). Column 1
// is left alone. Switches redraw off while it paints and on at the end.
void VGridRestripeFromRow(grid::Grid& g, RecordAccess& rs, long row, long colour);

}  // namespace overview
