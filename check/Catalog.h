#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "db/SQLConnection.h"

namespace check {

// A column as Firebird's system tables describe it.
struct ColumnMeta {
    std::string name;
    std::string typeName;   // as DDL writes it: "VARCHAR(10)", "NUMERIC(12,2)", "DATE"
    bool text = false;      // CHAR or VARCHAR
    bool floating = false;  // FLOAT or DOUBLE PRECISION
    bool temporal = false;  // DATE, TIME or TIMESTAMP
    int characters = 0;     // text only: the length in characters
    bool nullable = true;
    bool filledByDatabase = false;  // a default, an identity or a computed value
};

// A table's columns in position order; empty when the database has no such table.
using TableColumns = std::vector<ColumnMeta>;

// The position (0-based) of a column by its name, -1 when there is none.
int columnIndex(const TableColumns& columns, const std::string& name);

// What the check reads of one database's structure, through one of the program's
// named connections. Reads with SELECTs on the system tables only. The connection
// must outlive the catalog; every call opens it on first use and throws db::Error
// as the connection and the database report them.
class Catalog {
  public:
    explicit Catalog(db::SQLConnection& connection) : connection_(connection) {}

    // RDB$RELATION_FIELDS ordered by RDB$FIELD_POSITION, types from RDB$FIELDS.
    // Read once per table.
    const TableColumns& columns(const std::string& table);
    // The names of the active indices of the table whose first segment is column.
    std::vector<std::string> indicesLeadingWith(const std::string& table,
                                                const std::string& column);
    // The names of the table's foreign-key constraints.
    std::vector<std::string> foreignKeys(const std::string& table);

    // Rows of a queue for a store and the oldest of their QUEUED_AT ("yyyy/mm/dd
    // hh:nn:ss", empty when no row waits or withQueuedAt is false).
    struct Backlog {
        int64_t rows = 0;
        std::string oldestQueuedAt;
    };
    Backlog backlog(const std::string& queue, const std::string& storeId, bool withQueuedAt);
    // The first store ids (at most limit, in order) that a queue holds rows for.
    std::vector<std::string> queuedStoreIds(const std::string& queue, int limit);

  private:
    std::vector<std::string> names(const std::string& sql);

    db::SQLConnection& connection_;
    std::map<std::string, TableColumns> columns_;
};

}  // namespace check
