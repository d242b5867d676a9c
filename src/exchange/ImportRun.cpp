#include "exchange/ImportRun.h"

#include "platform/Error.h"
#include "platform/forms/Interaction.h"

namespace exchange::importrun {

bool IsItemError(int number) {
    switch (number) {
        case 6:   // overflow
        case 13:  // type mismatch
        case wk::err::FieldTooSmall:
        case 3314:  // required field without a value
        case 3315:  // zero length not allowed
            return true;
        default:
            return false;
    }
}

void EventPacer::operator()() {
    if (since_.isValid() && since_.elapsed() < 40) return;
    since_.start();
    forms::ui().DoEvents();
}

Transaction::Transaction(dao::Recordset& dst) : dst_(dst) {
    dao::DBEngine::Workspaces(0).BeginTrans();
}

void Transaction::Commit() {
    // A commit that fails is taken back like any other failure.
    dao::DBEngine::Workspaces(0).CommitTrans();
    open_ = false;
}

Transaction::~Transaction() {
    if (!open_) return;
    try {
        if (dst_.EditMode() != dao::dbEditNone) dst_.CancelUpdate();
    } catch (...) {
    }
    try {
        dao::DBEngine::Workspaces(0).Rollback();
    } catch (...) {
    }
    try {
        dst_.Requery();
    } catch (...) {
    }
}

}  // namespace exchange::importrun
