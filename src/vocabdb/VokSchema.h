#pragma once
// The current vocabulary database (kind 4, schema "4.3"): tables VOK and
// OPTIONS, the stored queries, and MakeType4, which writes them into a new
// empty file.

#include <QDateTime>
#include <QString>

#include "platform/dao/Dao.h"
#include "vocabdb/FieldDef.h"

namespace vocabdb {

inline constexpr int MaxUsers = 5;
inline constexpr int CurrentDBType = 4;
inline const QString SchemaVersion = QStringLiteral("4.3");

// The password of every vocabulary database (12 characters).
inline const QString VokDBPasswort = QStringLiteral("k4r7wq2m9zt5");

// Collating order and locale used when a vocabulary database is created or
// compacted.
inline const QString VokDBLocale = QStringLiteral(";LANGID=0x0409;CP=1252;COUNTRY=0");

// Field lists in creation order. otherText is the default theme and category
// (message 87 in the interface language); created is the fixed default of
// ZuletztGelerntAm.
FieldList VokFields(const QString& otherText, const QDateTime& created, int maxUsers = MaxUsers);
FieldList OptionsFields(const QString& progVersion = SchemaVersion, int maxUsers = MaxUsers);
QList<QueryDef> VokQueries();

// Message 87 ("Andere" / "Other") in the current interface language.
QString DefaultOtherText();

struct MakeType4Options {
    QString otherText = DefaultOtherText();  // default of T and Kategorie
    QString progVersion = SchemaVersion;     // AppVersion of the row
    QString password = VokDBPasswort;
    int maxUsers = MaxUsers;
    QDateTime created;  // default of ZuletztGelerntAm; invalid = now
};

// Builds tables VOK and OPTIONS, the stored queries and the one OPTIONS row
// (Copyright = neuDBCopyright) in dbVok, the empty file just created, then
// sets the password and closes dbVok. Errors of the engine pass to the
// caller; the file is then as far as it was built.
void MakeType4(const dao::DatabasePtr& dbVok, const QString& neuDBCopyright,
               const MakeType4Options& opt = {});

}  // namespace vocabdb
