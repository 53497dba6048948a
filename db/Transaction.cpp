#include "db/Transaction.h"

namespace db {

Transaction::Transaction(SQLConnection& connection, const TransactionDesc& desc)
    : connection_(connection), desc_(desc) {
    connection_.startTransaction(desc_);
}

Transaction::Transaction(SQLConnection& connection)
    : Transaction(connection, connection.configuredTransaction()) {}

Transaction::~Transaction() {
    if (!open_ || !connection_.inTransaction()) return;
    try {
        connection_.rollback(desc_);
    } catch (...) {
        // Nothing of it was committed; the server undoes it when the attachment ends.
    }
}

void Transaction::commit() {
    // Finished only once the server took the commit: a refused commit leaves the
    // transaction to the destructor, which rolls it back, so that nothing of it is
    // left open for the next statement to join.
    connection_.commit(desc_);
    open_ = false;
}

void Transaction::rollback() {
    open_ = false;
    connection_.rollback(desc_);
}

}  // namespace db
