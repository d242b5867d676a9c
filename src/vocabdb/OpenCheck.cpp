#include "vocabdb/OpenCheck.h"

#include <QDateTime>

#include "platform/Error.h"
#include "vocabdb/VokSchema.h"

namespace vocabdb {

namespace {

const QString kVok = QStringLiteral("VOK");
const QString kOptions = QStringLiteral("OPTIONS");

void missingColumns(const dao::DatabasePtr& db, const QString& table, const FieldList& wanted,
                    QStringList& missing) {
    if (!db->HasTable(table)) {
        missing << QStringLiteral("table %1").arg(table);
        return;
    }
    const dao::TableDefPtr td = db->GetTableDef(table);
    for (const FieldDef& f : wanted) {
        bool found = false;
        for (const dao::FieldPtr& have : td->Fields())
            if (have->Name().compare(f.name, Qt::CaseInsensitive) == 0) found = true;
        if (!found) missing << QStringLiteral("column %1.%2").arg(table, f.name);
    }
}

}  // namespace

QStringList MissingInAnyVersion(const dao::DatabasePtr& db) {
    QStringList missing;
    for (const QString& t : {kVok, kOptions})
        if (!db->HasTable(t)) missing << QStringLiteral("table %1").arg(t);
    if (missing.isEmpty()) {
        auto rs = db->OpenRecordset(kOptions, dao::dbOpenSnapshot);
        if (rs->RecordCount() == 0) missing << QStringLiteral("the row of table %1").arg(kOptions);
        rs->Close();
    }
    return missing;
}

QStringList MissingInCurrentVersion(const dao::DatabasePtr& db) {
    QStringList missing;
    missingColumns(db, kVok, VokFields(QString(), QDateTime()), missing);
    missingColumns(db, kOptions, OptionsFields(), missing);
    return missing;
}

void RefuseIfMissing(const QStringList& missing, const QString& path) {
    if (missing.isEmpty()) return;
    throw wk::Error(wk::err::CannotOpenDatabase,
                    dao::ErrorDescription(wk::err::CannotOpenDatabase).replace(QLatin1Char('|'), path) +
                        QStringLiteral(" It lacks: %1.").arg(missing.join(QLatin1String(", "))));
}

}  // namespace vocabdb
