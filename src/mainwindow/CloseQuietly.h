#pragma once
// Closing a database or recordset whose state is not known.

#include <memory>

#include "platform/Error.h"

namespace mainwindow {

// Closes p when it is open; an error means it is already gone with its
// database.
template <class T>
void closeQuietly(const std::shared_ptr<T>& p) {
    if (!p) return;
    try {
        if (p->IsOpen()) p->Close();
    } catch (const wk::Error&) {
    }
}

}  // namespace mainwindow
