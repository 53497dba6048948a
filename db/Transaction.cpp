#include "db/Transaction.h"

namespace db {

Transaction::Transaction(SQLConnection& connection, const TransactionDesc& desc)
    : connection_(connection), desc_(desc) {
    connection_.startTransaction(desc_);
}

Transaction::~Transaction() {
    if (!open_ || !connection_.inTransaction()) return;
    try {
        connection_.rollback(desc_);
    } catch (...) {
        // Nothing of it was committed; the server undoes it when the attachment ends.
    }
}

// A commit the database refuses (a commit trigger, a deferred constraint) leaves
// the transaction active: the destructor then rolls it back.
void Transaction::commit() {
    connection_.commit(desc_);
    open_ = false;
}

void Transaction::rollback() {
    open_ = false;
    connection_.rollback(desc_);
}

}  // namespace db
