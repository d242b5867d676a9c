#pragma once
// What the pieces of the import/export wizard (frmImport*.cpp) share besides
// the form itself.

#include "platform/dao/Dao.h"

namespace exchange {

// The main window's grid recordset; without an open database there is none.
dao::Recordset& need(const dao::RecordsetPtr& rs);

}  // namespace exchange
