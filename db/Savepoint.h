#pragma once

#include <string>

#include "db/SQLConnection.h"

namespace db {

// A savepoint in the connection's open explicit transaction, so that one unit of
// work within it (a record, a bill) can be kept or undone alone while the
// transaction goes on:
//   SAVEPOINT <name> / RELEASE SAVEPOINT <name> / ROLLBACK TO SAVEPOINT <name>
// each prepared once per connection. Setting a savepoint of a name already set
// replaces the earlier one, so units of work may reuse one name in turn. The
// destructor does nothing: what was neither kept nor undone goes with the
// transaction. Each call throws as the connection's statements do.
class Savepoint {
  public:
    Savepoint(SQLConnection& connection, std::string name);

    void release();   // keeps what ran since the savepoint was set
    void rollback();  // undoes what ran since; the transaction stays open

  private:
    void run(const std::string& statement);

    SQLConnection& connection_;
    std::string name_;
};

}  // namespace db
