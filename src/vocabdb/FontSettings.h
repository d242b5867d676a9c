#pragma once
// Fonts of the item fields as stored in the options record of the open
// vocabulary database. The getters never fail: no record, a missing field or
// Null gives "".

#include <QString>

#include "platform/dao/Dao.h"

namespace vocabdb {

QString GetSchriftart(const dao::RecordsetPtr& rsOptions);
QString GetSchriftgroesse(const dao::RecordsetPtr& rsOptions);
QString GetSchriftartA(const dao::RecordsetPtr& rsOptions);
QString GetSchriftgroesseA(const dao::RecordsetPtr& rsOptions);
QString GetSchriftartT(const dao::RecordsetPtr& rsOptions);
QString GetSchriftgroesseT(const dao::RecordsetPtr& rsOptions);
QString GetSchriftartRest(const dao::RecordsetPtr& rsOptions);
QString GetSchriftgroesseRest(const dao::RecordsetPtr& rsOptions);

}  // namespace vocabdb
