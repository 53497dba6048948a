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

void Transaction::commit() {
    open_ = false;
    connection_.commit(desc_);
}

void Transaction::rollback() {
    open_ = false;
    connection_.rollback(desc_);
}

}  // namespace db
