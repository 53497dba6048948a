#pragma once

#include <string>
#include <vector>

#include "db/Driver.h"
#include "db/Value.h"

namespace db {

// A stored table: field definitions, then rows. The store configuration is one.
//
// The file is JSON text (UTF-8):
//   {"fields": [{"name": "storeid", "type": "string", "size": 20}, ...],
//    "rows":   [["0001", "S01"], ...]}
// Field types: "string" (text of at most size characters), "integer", "float",
// "date" ("yyyy/mm/dd"). A value may be null.
struct TableData {
    std::vector<ColumnInfo> fields;
    std::vector<std::vector<Value>> rows;
};

// Reads a table file whole. Throws db::Error:
//   "Cannot open file "<path>". <system text>"  the file is missing
//   "File "<real path>" cannot be read by user <name>: <system text>"
//                                               it is there but may not be read
//   "Missing data provider or data packet"     the file is empty
//   "Invalid table file "<path>": <reason>"     the content is not a table
TableData loadTableFile(const std::string& path);

// Writes a table file (used by olvarin-storecfg and the tests).
void saveTableFile(const std::string& path, const TableData& table);

}  // namespace db
