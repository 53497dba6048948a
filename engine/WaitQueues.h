#pragma once

#include <cstdint>
#include <functional>

#include "db/ClientDataSet.h"
#include "db/SQLQuery.h"
#include "engine/KeysetScan.h"
#include "engine/PagedScan.h"
#include "engine/RunContext.h"

namespace engine {

// The statements of a store's wait queue, as stored texts for expandStatement():
// claim, read, apply and remove the deletions (D1 to D4); claim the changes, page
// through them and remove them (U1 to U4).
struct QueueStatements {
    const char* claimDeletions;    // D1
    const char* readDeletions;     // D2
    const char* removeDeletions;   // D4
    const char* claimChanges;      // U1
    const char* removeChanges;     // U4
};

// What became of one claimed change.
enum class ChangeOutcome { Arrived, NotWritten };

// The log note of a record that was not written and stays queued.
inline constexpr const char* kStaysQueued = " and stays queued";

// The wait-queue protocol: the deletion pass, then the update pass whose scan is
// given, then the removal of the handled claims. applyDeletion runs for every row
// claimed for deletion (CDS_Source2's current row); forEachChange for every row of
// the update scan, and says whether the record arrived. The claimed rows of the
// records that did not arrive (keyColumn of the scan's row names the record) go
// back to waiting once the scan has ended, so the removal takes only what arrived
// and the next run claims the rest again. When the scan stops at its page bound
// the claimed changes it never reached stay claimed: the removal is skipped and one
// log line says so.
// On the bulk path the update pass reads bulkScan's keyset pages instead, each
// page's changes in one transaction on pageTransaction when that is set.
void runWaitQueue(RunContext& run, const char* queueTable, const char* keyColumn,
                  const QueueStatements& statements, db::ClientDataSet& changePages,
                  const PagedScanSpec& changeScan, const KeysetScanSpec& bulkScan,
                  db::SQLConnection* pageTransaction,
                  const std::function<void(db::ClientDataSet& claimed)>& applyDeletion,
                  const std::function<ChangeOutcome()>& forEachChange);

// Runs a statement of the protocol on the source: close CDS_Source2, give it the
// text, execute it. Returns the number of rows it affected.
uint64_t executeOnSource(RunContext& run, const std::string& statement);
// Runs a statement text on a statement object (closed, cleared, given the text as
// its one line, executed); returns the rows it affected.
uint64_t executeText(db::SQLQuery& query, const std::string& text);
// Runs a statement on the target through SQL_TQuery; returns the rows it affected.
uint64_t executeOnTarget(RunContext& run, const std::string& statement);

// The branches of products, vendors and customers: in All a paged scan of the
// whole table (with the optional date filter), in Changed the store's wait queue,
// in Specified nothing.
void downloadProducts(RunContext& run);
void downloadVendors(RunContext& run);
void downloadCustomers(RunContext& run);

}  // namespace engine
