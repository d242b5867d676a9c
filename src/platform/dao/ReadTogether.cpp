// One read transaction around reads that belong together (ReadTogether.h).
#include "platform/dao/ReadTogether.h"

#include "platform/dao/RecordsetImpl.h"

namespace dao {

ReadTogether::ReadTogether(const Recordset& rs) {
    detail::Core& core = rs.d->c();
    // In a transaction, or in a workspace's that the file may join at its
    // next write, the reads are that transaction's or each their own.
    if (!sqlite3_get_autocommit(core.db) || (core.workspace && core.workspace->depth > 0)) return;
    core.exec(QStringLiteral("BEGIN"));
    core_ = rs.d->core;
    try {
        core.exec(QStringLiteral("PRAGMA query_only = 1"));
        detail::StatementUse first(core, QStringLiteral("SELECT count(*) FROM sqlite_schema"));
        first.step();
    } catch (...) {
        end();
        throw;
    }
}

ReadTogether::~ReadTogether() {
    end();
}

void ReadTogether::end() {
    if (!core_ || !core_->isOpen()) return;
    sqlite3* db = core_->db;
    if (!sqlite3_get_autocommit(db) && sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_exec(db, "PRAGMA query_only = 0", nullptr, nullptr, nullptr);
    core_.reset();
}

}  // namespace dao
