#pragma once
// Clearing one user slot's learning statistics in every item.

#include "platform/dao/Dao.h"

namespace vocabdb {

// Sets AA<u>, AR<u>, AF<u>, FQ<u> and Known<u>1..Known<u>6 to 0 in every
// record of data (the grid's working recordset) and nothing else. All or
// nothing: the records are written in one transaction of ws, which is rolled
// back when a record fails. data is left on the record that was current
// before. u must be a slot from 1 to maxUsers (error 9 otherwise).
void DelStat(const dao::RecordsetPtr& data, int u, dao::Workspace& ws = dao::DBEngine::DefaultWorkspace(),
             int maxUsers = 5);

}  // namespace vocabdb
