#pragma once
// What the two imports share: the whole run is one transaction (a crash or a
// failing database leaves the file as it was before the import), an item
// whose values the table refuses is skipped and the rest go on, and the
// window gets its events often enough to stay live without paying for them
// on every one of a hundred thousand rows.

#include <QElapsedTimer>

#include "platform/dao/Dao.h"

namespace exchange::importrun {

// Errors that refuse one item's values (too long, not allowed empty, out of
// range, not a number, required); anything else is the database failing.
bool IsItemError(int number);

// Lets pending events run at the first call and then about every 40 ms.
class EventPacer {
public:
    void operator()();

private:
    QElapsedTimer since_;
};

// Begins the transaction on construction; Commit() makes the rows durable.
// Leaving without Commit() takes every row of the run back and re-reads
// dst's keys, so that it holds no rows that are gone.
class Transaction {
public:
    explicit Transaction(dao::Recordset& dst);
    ~Transaction();
    void Commit();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

private:
    dao::Recordset& dst_;
    bool open_ = true;
};

}  // namespace exchange::importrun
