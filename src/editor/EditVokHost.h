#pragma once
// What the item editor needs of the main window. frmMain implements it and
// hands itself to frmEditVok; tests give a small host of their own.

#include <QString>

#include "platform/dao/Dao.h"

namespace grid {
class Grid;
}

namespace editor {

class EditVokHost {
public:
    virtual ~EditVokHost() = default;

    // The grid's working recordset (the data control `data`); its current
    // record is the item of the grid's selected row.
    virtual dao::RecordsetPtr data() = 0;
    // Binds a new recordset to the data control (after an add session).
    virtual void setData(dao::RecordsetPtr rs) = 0;
    // The open vocabulary database and its options record.
    virtual dao::DatabasePtr dbVok() = 0;
    virtual dao::RecordsetPtr rsOptions() = 0;
    // The vocabulary grid, nullptr while there is none.
    virtual grid::Grid* vg1() = 0;
    // Index in IL of the row icon for data's current record.
    virtual int GridIconKey() = 0;
    // Recolours the answer cells of one grid row by their right-answer marks.
    // The default uses the overview's colouring on data().
    virtual void RMC_VGridColorEveryRightInRow(long row);
    virtual void UpdateWindow(const QString& what) = 0;
    virtual void FillVG1() = 0;
};

}  // namespace editor
