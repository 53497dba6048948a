#pragma once

#include "db/SQLConnection.h"

namespace db {

// An explicit transaction on a named connection for the life of this object: it
// starts on construction and is rolled back by the destructor unless commit() was
// called, so that no error, of whatever kind, leaves a transaction open for the
// next call to join silently. The destructor never throws. The connection must
// outlive it.
class Transaction {
  public:
    Transaction(SQLConnection& connection, const TransactionDesc& desc);
    // A transaction as the connection's parameters ask for it (configuredTransaction).
    explicit Transaction(SQLConnection& connection);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // Commits, or rolls back; each throws as the connection's call does. After a
    // commit that succeeded, or any rollback, the destructor does nothing; after a
    // commit that failed it rolls back.
    void commit();
    void rollback();

  private:
    SQLConnection& connection_;
    TransactionDesc desc_;
    bool open_ = true;
};

}  // namespace db
