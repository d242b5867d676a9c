#pragma once
// Reads that belong together: one read transaction around them, so that
// they see one state of the file and take SQLite's read lock once instead
// of once per statement.

#include <memory>

namespace dao {

class Recordset;
namespace detail {
struct Core;
}

// While it lives, the reads on the connection of the recordset's file (its
// own, other recordsets', statements') run in one read transaction: BEGIN and a first read when it is made,
// so the lock is held from then on; COMMIT when it goes, ROLLBACK should that fail, so no transaction
// outlives it, whether it goes by an exception or not. It writes nothing, and the connection refuses to write
// while it lives (query_only): a write would otherwise be committed only at its end. Another program can read
// meanwhile; its commit waits for the end (up to the busy timeout). Within a transaction the connection has
// open already, or while its workspace has one open, it does nothing: that transaction holds the reads
// together once the file has joined it, and ends as its owner ends it. Raises what the first read raises,
// and then leaves nothing open.
class ReadTogether {
public:
    explicit ReadTogether(const Recordset& rs);
    ~ReadTogether();
    ReadTogether(const ReadTogether&) = delete;
    ReadTogether& operator=(const ReadTogether&) = delete;

private:
    void end();
    std::shared_ptr<detail::Core> core_;  // null when it began nothing
};

}  // namespace dao
