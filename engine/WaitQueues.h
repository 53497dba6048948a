#pragma once

#include <cstdint>
#include <functional>

#include "db/ClientDataSet.h"
#include "db/SQLQuery.h"
#include "engine/BulkDeletions.h"
#include "engine/BulkScan.h"
#include "engine/Categories.h"
#include "engine/PagedScan.h"
#include "engine/RunContext.h"

namespace engine {

// The statements of a store's wait queue, as stored texts for expandStatement():
// claim, read, apply and remove the deletions (D1 to D4); claim the changes, page
// through them and remove them (U1 to U4).
struct QueueStatements {
    const char* claimDeletions;   // D1
    const char* readDeletions;    // D2
    const char* removeDeletions;  // D4
    const char* claimChanges;     // U1
    const char* removeChanges;    // U4
};

// What became of one claimed change.
enum class ChangeOutcome { Arrived, NotWritten };

// The log note of a record that was not written and stays queued.
inline constexpr const char* kStaysQueued = " and stays queued";

// A store's wait queue, how its claimed records are read, and how they are written.
struct WaitQueue {
    const CategoryTable& category;  // its queue, the key naming a record, the record's table
    QueueStatements statements;
    PagedScanSpec changeScan;    // the claimed changes joined with their records
    BulkScanSpec bulkScan;       // the same on the bulk path
    KeyedDeletion bulkDeletion;  // applyDeletion's statements on the bulk path
    db::ClientDataSet& changes;  // the dataset the update scan reads into
    db::SQLConnection& writes;   // the bulk path's branch transactions of the update pass
    // Deletes the record of the row claimed for deletion (CDS_Source2's current row).
    std::function<void(db::ClientDataSet& claimed)> applyDeletion;
    // Writes the record of the update scan's current row; says whether it arrived.
    std::function<ChangeOutcome()> writeChange;
};

// The wait-queue protocol: the deletion pass, then the update pass, then the
// removal of the handled claims.
// - applyDeletion runs for every row claimed for deletion (CDS_Source2's current
//   row). A deletion the branch refuses is logged as a refused row; its claim goes
//   back to waiting and the pass goes on.
// - writeChange runs for every row of the update scan (changes' current row)
//   and says whether the record arrived. The claims of the records that did not
//   arrive go back to waiting once the scan has ended, and so do those of records
//   headquarters has but the scan did not reach (one log line each), so the removal
//   takes only what arrived and the next run claims the rest again.
// - When the scan stops at its page bound the claimed changes it never reached stay
//   claimed: the removal is skipped and one log line says so.
// - When headquarters' columns cannot fill the branch's (SchemaMismatch), every
//   claimed change goes back to waiting and the error ends the run.
// On the bulk path a store with nothing in the queue costs headquarters one probe
// (engine/QueueProbe.h): the update pass's end message is logged and nothing else
// is sent. Otherwise the deletions run queue.bulkDeletion instead of applyDeletion,
// in pages of one transaction each on the target (deleteClaimedInPages), and the
// update pass reads the bulk scan, its changes in transactions on queue.writes. Either way the
// claims are removed at headquarters only after the branch's last commit of the pass.
void runWaitQueue(RunContext& run, const WaitQueue& queue);

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
