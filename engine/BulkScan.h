#pragma once

#include <functional>
#include <string>

#include "db/ClientDataSet.h"
#include "db/SQLConnection.h"
#include "engine/PagedScan.h"
#include "engine/RunContext.h"
#include "engine/StatementText.h"

namespace engine {

// The bulk path's form of a paged scan: one query over the whole result,
//   SELECT * FROM <from> [WHERE <condition>] [AND <filter>]
// read in pages of hundreds of rows from its one open cursor. A page boundary
// compares no keys, so every row the query gives is read exactly once whatever
// its key holds (characters below the blank, trailing blanks, keys that differ
// only in length), and rows that headquarters inserts or deletes meanwhile cannot
// make the scan pass over a row that was there all along. Texts are stored
// statements for expandStatement() ({store}, {date}).
struct BulkScanSpec {
    std::string from = {};       // the table, or the tables joined
    std::string condition = {};  // always in force; empty: none
    std::string filter = {};     // in force while the date filter is on; empty: none
    std::string key = {};        // the record's key as the statement names it ("A.PROD_ID")
    std::string keyField = {};   // the same key as a field of the result ("PROD_ID")
};

// One bulk scan: what it reads, where the rows go, and how it ends.
struct BulkScan {
    const BulkScanSpec& query;
    StatementValues values;     // for the query's stored texts
    db::ClientDataSet& pages;   // read into, a page at a time; closed afterwards
    db::SQLConnection& writes;  // the branch connection whose transactions hold the writes
    const char* endMessage;     // logged when the scan has ended, as the paged scan does
    bool refreshAfterPage;      // repaint the window after every page
};

// Reads the scan's query a page at a time, running forEachRow on every row (the
// page's current row). The statement is logged once, when it has been opened; the
// gauge follows the paged scan's protocol per page. The rows run in transactions on
// scan.writes (the connection's own options), each committed once it holds
// run.bulkCommitRows rows or more at the end of a page, the last one when the scan
// is done; a failure rolls back the open one and ends the scan. A row the branch
// refuses is undone alone by its statement.
void runBulkScan(RunContext& run, const BulkScan& scan, const std::function<void()>& forEachRow);

// Walks rows (already read) from the first to the end, running forEachRow on each
// current row, run.bulkPageSize rows a transaction on writes (the connection's own
// options); each page is committed before the next begins, then pageCommitted runs.
// A failure rolls the open page back and is thrown: what it held is done again by
// the next run.
void forEachInPages(RunContext& run, db::ClientDataSet& rows, db::SQLConnection& writes,
                    const std::function<void()>& forEachRow,
                    const std::function<void()>& pageCommitted = {});

// The keys of the rows the scan's query gives, without the date filter, as text
// ("SELECT <key> FROM <from> [WHERE <condition>]"): the records a claimed queue
// has at headquarters.
std::string bulkScanKeys(const BulkScanSpec& scan, const StatementValues& values);

}  // namespace engine
