#pragma once
// The user actions the database layer hears of: values recordsets keep from
// earlier reads are checked against other programs' commits when a new one
// begins.

namespace dao {

// A new user action begins: kept values ask SQLite again whether another
// program has committed before they are served. Happens by itself for each
// input event the application receives (a key, a click, the wheel; one
// wake of the event loop may bring several) and whenever the event loop
// wakes or goes back to wait; tests call it to say that the user's next
// step has come.
void NewAction();

}  // namespace dao
