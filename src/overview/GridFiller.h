#pragma once
// The rebuild of the vocabulary grid from the grid recordset: columns,
// rows, cells, colours, icons, widths and heights, in the order the loading
// window runs it. Windows, labels and buttons are the loading window's.

#include "overview/GridColouring.h"
#include "overview/GridModel.h"

#include <functional>

namespace overview {

struct GridBuildInputs {
    grid::Grid* grid = nullptr;
    RecordAccess* records = nullptr;        // the grid recordset (dynaset of "Alles")
    RecordAccess* options = nullptr;        // the options record (rsOptions)
    int user = 1;                           // BenutzerNr
    int listIcon = 0;                       // USER.MDB Options.ListIcon
    int indikatorRand = 0;                  // USER.MDB Options.IndikatorRand
    const grid::ImageList* ilVG = nullptr;  // bound while columns are added
    const grid::ImageList* IL = nullptr;    // bound for the cells; row icons are its indexes
    std::function<QString(int)> getText;
    // Called with the per-cent figure each time it changes (not per record).
    std::function<void(int percent)> progress;
};

class GridFiller {
public:
    explicit GridFiller(GridBuildInputs in);

    // Clears the grid and builds it anew. Leaves Redraw and ShowData off, as
    // the loading window switches them on once its buttons are set; restores
    // the recordset's position. Errors (wk::Error) pass to the caller.
    void build();

    // What the build used, for the caller and for tests.
    const std::vector<ColumnSpec>& columns() const { return columns_; }
    const GridOptions& options() const { return opts_; }
    // Per-cent figure of record i (0-based) of count: Int((i + 1) / (count / 100)).
    static int percentOf(long i, long count);

private:
    void addColumns();
    void fillRows();
    void setWidths();

    GridBuildInputs in_;
    GridOptions opts_;
    std::vector<ColumnSpec> columns_;
    RightAnswers right_;
    QFont fonts_[5];
};

}  // namespace overview
