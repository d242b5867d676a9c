#pragma once
// The user database USER.MDB: five user slots (table Benutzer) and one row
// of program-wide flags (table Options). Created on first start, opened and
// probed for its layout on every later one; a file of an older layout is
// replaced by a new empty one.

#include <QString>

#include "platform/Error.h"
#include "platform/dao/Dao.h"
#include "vocabdb/FieldDef.h"

namespace modUserDB {

inline constexpr int MaxUsers = 5;
// The user database password (9 characters); not the vocabulary one.
inline const QString UserDBPasswort = QStringLiteral("u8n3xq7rb");
inline const QString UserDBDatei = QStringLiteral("USER.MDB");

vocabdb::FieldList BenutzerFields();
vocabdb::FieldList OptionsFields();
// USER1..USER<maxUsers>, Optionen, AlleBenutzer.
QList<vocabdb::QueryDef> UserQueries(int maxUsers = MaxUsers);

struct UserDB {
    dao::DatabasePtr dbUser;
    // All slots ordered by ID (row k - 1 is slot k).
    dao::RecordsetPtr rsBenutzer;
    // The Options row, current.
    dao::RecordsetPtr rsUserOptionen;
};

// Creates a new file at path with both tables, the queries, the password,
// the Options row and the five empty slots, and opens it. 3204 when the file
// exists. The file is built beside and renamed into place when complete.
UserDB CreateUserDB(const QString& path, const QString& password = UserDBPasswort,
                    dao::Workspace& ws = dao::DBEngine::DefaultWorkspace(), int maxUsers = MaxUsers);

// Opens an existing file with its password and the two recordsets; no probe.
UserDB OpenUserDB(const QString& path, const QString& password = UserDBPasswort,
                  dao::Workspace& ws = dao::DBEngine::DefaultWorkspace());

// Reads Options.MaxStart and Benutzer.LastWidth of the first slot as
// integers. A file lacking either raises 3265; a Null there raises 94.
void ProbeUserDB(const UserDB& u);

// Closes u, deletes the file at path and creates a new one in its place.
// The new file is complete before the old one goes.
UserDB ReplaceUserDB(UserDB& u, const QString& path, const QString& password = UserDBPasswort,
                     dao::Workspace& ws = dao::DBEngine::DefaultWorkspace(), int maxUsers = MaxUsers);

// The whole of start-up's user database step: create when missing,
// otherwise open and probe, and replace a file that fails the probe with
// 3265. Other errors (damaged file, wrong password, Null in the probe) pass
// to the caller with the file untouched.
UserDB OpenOrCreateUserDB(const QString& path, const QString& password = UserDBPasswort,
                          dao::Workspace& ws = dao::DBEngine::DefaultWorkspace(), int maxUsers = MaxUsers);

void Close(UserDB& u);

// Why an existing file could not be opened as the user database, for the
// message start-up ends with; in English, as no language is chosen yet. A
// refusal of the layer (modMain::IsRefusal) is told by its description.
QString WhyUnusable(const wk::Error& e);

}  // namespace modUserDB
