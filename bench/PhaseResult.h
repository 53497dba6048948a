#pragma once

#include <string>

namespace bench {

// What one timed download gave.
struct PhaseResult {
    long long rows = 0;         // rows the download copied
    long long writes = 0;       // INSERT and UPDATE statements sent
    double seconds = 0;         // the whole download
    double pageSeconds = 0;     // page SELECTs: prepare, open, fetch, close
    double keyedSeconds = 0;    // keyed SELECTs on the branch
    double writeSeconds = 0;    // INSERT/UPDATE (with their commits when autocommitted)
    double commitSeconds = 0;   // commits of explicit transactions (bulk pages, the limit's one)
    double prepareSeconds = 0;  // of which preparing statements (all kinds)
    long peakRssKiB = 0;        // peak resident set while it ran
    long long branchPageWrites = 0;  // pages written to the branch file while it ran

    double pageWritesPerRow() const { return rows > 0 ? double(branchPageWrites) / rows : 0; }

    double rowsPerSecond() const { return seconds > 0 ? rows / seconds : 0; }
    double pageShare() const { return seconds > 0 ? pageSeconds / seconds : 0; }
};

}  // namespace bench
