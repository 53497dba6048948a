#pragma once

#include "engine/FormData.h"
#include "engine/RunReport.h"
#include "engine/RunRequest.h"
#include "engine/RunTally.h"

namespace engine {

// How a run is tuned beyond what the window asks (tests and the benchmark).
struct RunOptions {
    // When above 0, caps the page bound of every paged scan (for tests).
    long long pageBoundCap = 0;
    // When set, receives what the run did, also when it fails.
    RunTally* tally = nullptr;
    // When above 0, rows per page of the bulk path (tests use a few, for many pages).
    int bulkPageSize = 0;
    // When above 0, rows per branch transaction of the bulk path.
    int bulkCommitRows = 0;
};

// One download run over the ticked categories (the OK button's click handler does
// this and nothing else). Works on data as request asks, logs to Memo1 and moves
// the gauge through report. Throws the first error; what was written before it
// stays.
void runDownload(const RunRequest& request, RunReport& report, FormData& data,
                 const RunOptions& options = {});

}  // namespace engine
