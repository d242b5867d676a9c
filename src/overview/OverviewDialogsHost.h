#pragma once
// What the overview's dialogs (grid options, search, sound recording) use of
// the main window. frmMain implements it; tests give their own.

#include <QString>

#include "platform/dao/Dao.h"

class QWidget;

namespace grid {
class Grid;
}

namespace overview {

class DialogsHost {
public:
    virtual ~DialogsHost() = default;

    // The OPTIONS row of the open vocabulary database, current (rsOptions).
    virtual dao::RecordsetPtr OptionsRecord() = 0;
    // The Options row of USER.MDB, current (rsUserOptionen).
    virtual dao::RecordsetPtr ProgramOptionsRecord() = 0;
    // The dynaset over "Alles" behind the grid (data.Recordset).
    virtual dao::RecordsetPtr GridRecordset() = 0;
    // The vocabulary grid.
    virtual grid::Grid& vg1() = 0;
    // The complete rebuild of the grid.
    virtual void FillVG1() = 0;
    // The grid's selection handler: the row's record becomes the current
    // record of GridRecordset(), and what follows the selected row follows.
    virtual void vg1_SelectionChange(long row, long column) = 0;

    enum class Button { Record, SoundImport, ImportPic };
    // Enables or disables a toolbar button of the current item and gives it
    // the picture of ilVG under pictureKey ("Recordd", "Recorde", "Stop",
    // "ImportSoundd", "ImportPicd").
    virtual void SetOverviewButton(Button b, bool enabled, const QString& pictureKey) = 0;

    // The main window: owner of the dialogs, and where the search window
    // places itself. May be nullptr.
    virtual QWidget* MainWindow() = 0;
};

}  // namespace overview
