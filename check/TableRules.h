#pragma once

#include <string>
#include <vector>

#include "check/Catalog.h"
#include "check/DownloadTables.h"

namespace check {

enum class Side { Branch, Headquarters };

// "branch" or "headquarters".
const char* sideName(Side side);

// One thing wrong with a table, and what to do about it.
struct TableProblem {
    Side side;
    std::string finding;
    std::string remedy;
};

// What is wrong with a download table: either side missing it, the branch's columns
// against headquarters' by the table's rule, a TRAN_CODE column on either side of a
// table joined with its queue, a text date column on either side that is not text
// long enough for its pattern, floating-point columns in a mirrored branch table,
// and date and time columns of headquarters' bill tables that may be null. Empty
// columns mean the database has no such table. The expected columns always come
// from headquarters' table of the same name.
std::vector<TableProblem> tableProblems(const DownloadTable& table, const TableColumns& branch,
                                        const TableColumns& headquarters);

// What is wrong with a wait queue at headquarters: missing, without a column the
// download names, or without an active index starting with STORE_ID (storeIndices:
// the names of those it has).
std::vector<TableProblem> queueProblems(const WaitQueue& queue, const TableColumns& columns,
                                        const std::vector<std::string>& storeIndices);

}  // namespace check
