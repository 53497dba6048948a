#pragma once

#include <optional>
#include <string>
#include <vector>

#include "db/Driver.h"
#include "db/SQLConnection.h"
#include "db/Value.h"

namespace db {

// One change a client dataset recorded: a row inserted, or a row modified with
// the values it had when read (oldValues) and those it has now.
struct RowChange {
    enum class Kind { Inserted, Modified } kind;
    std::vector<Value> oldValues;  // empty for an insert
    std::vector<Value> newValues;
};

// The table a dataset's command text updates: the name after its first FROM, as
// the database stores it (a quoted name as it stands, an unquoted one upper-cased);
// empty when there is none.
std::string tableToUpdate(const std::string& commandText);

// The write-back of a client dataset's changes to its table (the dataset's
// provider and resolver): an INSERT of every writable column for an inserted row;
// for a modified one an UPDATE of the changed columns, the row located by all its
// old values but BLOBs and long ones (IS NULL for a null), which must reach exactly
// one row. Names are written as the connection's dialect writes them.
//
// Transactions: one change runs in the connection's current unit of work; several
// share a transaction of their own, so that a failure past maxErrors undoes them
// all; an update that might reach several rows (not located by the whole primary
// key) runs in a transaction of its own. A change the database refuses is counted,
// with its message; a failure of the link or the database is thrown, nothing of the
// apply committed that was not committed already.
class DataSetResolver {
  public:
    // columns: the dataset's columns, in the order of the changes' values.
    DataSetResolver(SQLConnection& connection, std::vector<ColumnInfo> columns,
                    const std::string& table);

    struct Result {
        int failures = 0;
        std::vector<bool> written;        // per change: written (false for all when undone)
        std::vector<std::string> errors;  // the failures' messages, in order
    };
    // maxErrors: the number of failures after which the apply stops (0: the first;
    // below 0: never); past it the apply's own transaction is rolled back.
    Result apply(const std::vector<RowChange>& changes, int maxErrors);

  private:
    struct WriteStatement {
        std::string sql;
        std::vector<BoundParam> params;
    };
    std::string name(const std::string& column) const;
    WriteStatement insertStatement(const RowChange& change, const std::string& table) const;
    std::optional<WriteStatement> updateStatement(const RowChange& change,
                                                  const std::string& table) const;
    void applyChange(const RowChange& change, const std::string& table);
    bool locatesAtMostOneRow(const RowChange& change) const;
    TransactionDesc ownTransaction() const;
    void executeChange(const WriteStatement& statement);

    SQLConnection& connection_;
    std::vector<ColumnInfo> columns_;
    std::string table_;  // as the dialect writes it
};

}  // namespace db
