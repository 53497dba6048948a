#pragma once

#include <functional>
#include <string>

#include "db/ClientDataSet.h"
#include "db/SQLConnection.h"
#include "engine/PagedScan.h"
#include "engine/RunContext.h"
#include "engine/StatementText.h"

namespace engine {

// The bulk path's form of a paged scan: pages ordered by the table's key, each
// starting after the last key of the page before,
//   SELECT FIRST <n> * FROM <from> WHERE <condition> [AND <filter>] [AND <key> > '<last>']
//   ORDER BY <key>
// so a page costs the same wherever it falls, and rows that headquarters inserts
// or deletes meanwhile cannot make the scan pass over a row that was there all
// along. Texts are stored statements for expandStatement() ({store}, {date}).
struct KeysetScanSpec {
    std::string from = {};  // the table, or the tables joined
    std::string condition = {};  // always in force; empty: none
    std::string filter = {};     // in force while the date filter is on; empty: none
    std::string key = {};        // the ordering key as the statement names it ("A.PROD_ID")
    std::string keyField = {};   // the same key as a field of the result ("PROD_ID")
};

// Rows per page of the bulk path.
inline constexpr int kKeysetPageSize = 500;

// Reads keyset pages into pages until a page comes back short, running forEachRow
// on every row (the page's current row). Each page's statement is logged before
// it is tested, the gauge and refresh follow the paged scan's protocol, and the
// end message of paged is logged at the end. When pageTransaction is set, every
// page's rows run in one transaction on it, committed when the page is done (a
// failure rolls the page back and ends the scan).
void runKeysetScan(RunContext& run, db::ClientDataSet& pages, const PagedScanSpec& paged,
                   const KeysetScanSpec& keyset, const StatementValues& values,
                   db::SQLConnection* pageTransaction, const std::function<void()>& forEachRow);

}  // namespace engine
