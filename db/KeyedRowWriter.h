#pragma once

#include <string>
#include <vector>

#include "db/Driver.h"
#include "db/SQLConnection.h"
#include "db/Value.h"

namespace db {

// Writes whole rows into one table by its key, inserting or overwriting:
//   UPDATE OR INSERT INTO <table> (<writable columns>) VALUES (?, ...) MATCHING (<key>)
// prepared once and reused for as long as the connection stays open. Each row runs
// in the connection's current unit of work (its open transaction, or on its own).
// The connection must outlive the writer.
class KeyedRowWriter {
  public:
    KeyedRowWriter(SQLConnection& connection, std::string table, std::string keyColumn);

    // Every column of the table in its order, computed ones included (they are
    // never written); read from the table itself on first use.
    const std::vector<ColumnInfo>& columns();

    // Writes one row: values[i] is the value of columns()[i], converted as a field
    // of that column converts what it is given. A value that does not convert, or a
    // row the database refuses, throws db::Error of the kind Refused: within a
    // transaction, only that row is undone.
    void write(const std::vector<Value>& values);

  private:
    const std::string& statementText();

    SQLConnection& connection_;
    std::string table_;
    std::string keyColumn_;
    std::vector<ColumnInfo> columns_;
    bool columnsRead_ = false;
    std::string statementText_;  // built once, with the columns
};

}  // namespace db
