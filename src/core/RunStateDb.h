#pragma once
// The database handles of the run state: the user database with its two
// recordsets, and the open vocabulary database with its options record.
// The plain values (names, flags, the current user) are in RunState.h.

#include "platform/dao/Dao.h"

namespace runstate {

inline dao::Workspace* wsUser = nullptr;  // the engine's default workspace
inline dao::DatabasePtr dbUser;           // USER.MDB
// While the start form is shown: all five Benutzer rows ordered by ID; from
// the confirmation on: the current user's one row (query USER<n>).
inline dao::RecordsetPtr rsBenutzer;
inline dao::RecordsetPtr rsUserOptionen;  // the one row of USER.MDB's Options

inline dao::Workspace* wsVok = nullptr;  // workspace of the open vocabulary database
inline dao::DatabasePtr dbVok;           // the open vocabulary database
inline dao::RecordsetPtr rsOptions;      // its OPTIONS row (query AllOptions)

// Lets every handle go: tests start each case from a clean run state.
inline void ResetDatabaseHandles() {
    rsBenutzer.reset();
    rsUserOptionen.reset();
    if (dbUser) {
        try {
            if (dbUser->IsOpen()) dbUser->Close();
        } catch (...) {
        }
    }
    dbUser.reset();
    rsOptions.reset();
    if (dbVok) {
        try {
            if (dbVok->IsOpen()) dbVok->Close();
        } catch (...) {
        }
    }
    dbVok.reset();
    wsUser = nullptr;
    wsVok = nullptr;
}

}  // namespace runstate

#include <QPoint>

namespace runstate {
// Pointer position (screen pixels) at the last step of a window drag; the
// start form and the main window share it.
inline QPoint CursorPos;
}  // namespace runstate
