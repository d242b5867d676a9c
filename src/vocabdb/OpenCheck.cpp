#include "vocabdb/OpenCheck.h"

#include <QDateTime>
#include <QDir>

#include "core/modMain.h"
#include "platform/Error.h"
#include "platform/forms/Interaction.h"
#include "vocabdb/VokSchema.h"

namespace vocabdb {

using modMain::GetText;

namespace {

const QString kVok = QStringLiteral("VOK");
const QString kOptions = QStringLiteral("OPTIONS");

// Message ids.
constexpr int kCannotUse = 5072;
constexpr int kLacks = 5073;
constexpr int kTableWord = 5074;
constexpr int kColumnWord = 5075;
constexpr int kRowWord = 5076;
constexpr int kWarningTitle = 40;

// An old layout lacks dozens of columns; a few tell the story.
constexpr int kNamedAtMost = 8;

void missingColumns(const dao::DatabasePtr& db, const QString& table, const FieldList& wanted,
                    MissingParts& missing) {
    if (!db->HasTable(table)) {
        missing.append({MissingPart::Table, table});
        return;
    }
    const dao::TableDefPtr td = db->GetTableDef(table);
    for (const FieldDef& f : wanted) {
        bool found = false;
        for (const dao::FieldPtr& have : td->Fields())
            if (have->Name().compare(f.name, Qt::CaseInsensitive) == 0) found = true;
        if (!found) missing.append({MissingPart::Column, table + QLatin1Char('.') + f.name});
    }
}

}  // namespace

MissingParts MissingInAnyVersion(const dao::DatabasePtr& db) {
    MissingParts missing;
    for (const QString& t : {kVok, kOptions})
        if (!db->HasTable(t)) missing.append({MissingPart::Table, t});
    if (missing.isEmpty()) {
        auto rs = db->OpenRecordset(kOptions, dao::dbOpenSnapshot);
        if (rs->RecordCount() == 0) missing.append({MissingPart::Row, kOptions});
        rs->Close();
    }
    return missing;
}

MissingParts MissingInCurrentVersion(const dao::DatabasePtr& db) {
    MissingParts missing;
    missingColumns(db, kVok, VokFields(QString(), QDateTime()), missing);
    missingColumns(db, kOptions, OptionsFields(), missing);
    return missing;
}

QString DescribeMissing(const MissingParts& missing) {
    QStringList parts;
    for (const MissingPart& m : missing) {
        if (parts.size() == kNamedAtMost) {
            parts << QStringLiteral("...");
            break;
        }
        const int word = m.kind == MissingPart::Table    ? kTableWord
                         : m.kind == MissingPart::Column ? kColumnWord
                                                         : kRowWord;
        parts << GetText(word) + QLatin1Char(' ') + m.name;
    }
    return parts.join(QStringLiteral(", "));
}

QString UnusableFileText(const QString& path, const MissingParts& missing) {
    const QString list = DescribeMissing(missing);
    return GetText(kCannotUse) + QLatin1Char('\r') + QDir::toNativeSeparators(path) + QStringLiteral("\r\r") +
           GetText(kLacks) + QLatin1Char(' ') + list + (list.endsWith(QLatin1Char('.')) ? "" : ".");
}

void TellUnusable(const QString& path, const MissingParts& missing) {
    forms::ui().MsgBox(UnusableFileText(path, missing), forms::vbExclamation, GetText(kWarningTitle));
}

}  // namespace vocabdb
