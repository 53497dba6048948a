#pragma once

#include <optional>
#include <string>
#include <vector>

#include "db/Error.h"

// What a branch table's columns must keep of headquarters' for a row to be copied
// into it: the one statement of these rules, read by the download before it copies
// and by the set-up check.
namespace engine {

// The first column where a copy by position goes wrong.
struct ColumnMismatch {
    // In the set-up check's words: "column 5 is CONTACT, headquarters has TEL there",
    // or "column 9 NOTE comes after headquarters' last column TEL".
    std::string finding;
    bool pastHeadquartersLast = false;  // the second kind: the names agree as far as both go
};

// A copy by position fills the branch's N columns from the first N of
// headquarters' row, so those must be the same columns in the same order (more
// after them do no harm). The first difference, or nothing when they agree.
std::optional<ColumnMismatch> positionMismatch(const std::vector<std::string>& branch,
                                               const std::vector<std::string>& headquarters);

// A copy by name fills every branch column from headquarters' column of the same
// name (letter case aside): the branch's columns headquarters does not have.
std::vector<std::string> missingByName(const std::vector<std::string>& branch,
                                       const std::vector<std::string>& headquarters);

// A branch table whose columns headquarters' rows cannot fill: no row of it is
// copied, and the run ends, since every later row would be copied wrongly too.
class SchemaMismatch : public db::Error {
  public:
    explicit SchemaMismatch(const std::string& message) : db::Error(message) {}
};

}  // namespace engine
