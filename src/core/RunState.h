#pragma once
// Process-wide run state that every form reads. Only plain values live here;
// the database handles are kept beside the database code.

#include <QString>
#include <QStringList>

#include "core/modMain.h"

namespace runstate {

inline QString ProgName = QStringLiteral("Wortkiste");
inline QString ProgVersion = QStringLiteral("4.3");  // program and schema version
inline qint16 MaxUsers = 5;                          // user slots

inline QString UserDBPfad;      // path of USER.MDB
inline QString UserDBPasswort;  // set by the start-up sequence
inline QString VokDBPasswort;   // set by the start-up sequence

inline qint16 BenutzerNr = 0;  // current user slot, 1 to 5
inline QString BenutzerName;

using modMain::TextBasis;  // language base of the message table

inline bool bDBOffen = false;  // a vocabulary database is open
inline QString VokDBPfad;      // its full path
inline QString VokDBDatei;     // its file name, upper case
inline QString VokDBName;      // its display name
inline qint16 DBTypeAktuell = 0;
inline QString NeuDBCopyright;  // note for the next new database

inline QStringList arrThemen;      // copies of the theme list, from 0
inline QStringList arrKategorien;  // and of the category list

// Folder the picture and sound open dialogs start in; read back after each.
inline QString LastMediaFile;

inline bool bProgEnde = false;  // the program is closing

// Word tables of the condition builder, filled at start.
inline QStringList BedWhat;
inline QStringList BedAndOr;
inline QStringList BedComp;

}  // namespace runstate
