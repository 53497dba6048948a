#pragma once

#include <string>

#include "engine/FormData.h"
#include "engine/RunTally.h"
#include "engine/RunView.h"

namespace engine {

// Which path the categories of a run take: the default path, the bulk path, or each
// category its own (see choosePath in engine/PathChoice.h).
enum class BulkDownload { Off, On, Auto };
// On when on, else Off.
constexpr BulkDownload bulkPathIf(bool on) {
    return on ? BulkDownload::On : BulkDownload::Off;
}

// Auto: the bulk path for a category with more than this many rows queued for the
// store, or, for a category read whole, in its branch table.
inline constexpr long long kDefaultBulkThreshold = 1000;

struct RunOptions {
    // When above 0, caps the page bound of every paged scan (for tests).
    long long pageBoundCap = 0;
    // When set, receives what the run did, also when it fails.
    RunTally* tally = nullptr;
    // The bulk path: one query read in pages of hundreds of rows, written in branch
    // transactions of many pages, rows written by key. Off: the protocol exactly as
    // it stands.
    BulkDownload bulk = BulkDownload::Off;
    long long bulkThreshold = kDefaultBulkThreshold;  // for Auto
    // When above 0, rows per page of the bulk path (tests use a few, for many pages).
    int bulkPageSize = 0;
    // When above 0, rows per branch transaction of the bulk path.
    int bulkCommitRows = 0;
};

// One download run over the ticked categories (the OK button's click handler does
// this and nothing else). Reads the window through view, works on data, logs to
// Memo1 through view. Throws the first error; what was written before it stays.
void runDownload(RunView& view, FormData& data, const std::string& storeId,
                 const RunOptions& options = {});

}  // namespace engine
