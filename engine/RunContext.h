#pragma once

#include <optional>
#include <set>
#include <string>

#include "engine/FormData.h"
#include "engine/RunReport.h"
#include "engine/RunRequest.h"
#include "engine/RunTally.h"

namespace engine {

// Rows per page of the bulk path.
inline constexpr int kBulkPageSize = 500;
// Rows the bulk path writes in one branch transaction before it commits: every
// commit flushes the transaction's data and index pages with synchronous writes,
// and a later one writes the same index pages again, so fewer commits mean fewer
// writes per row. A failure loses at most this much work, which the next run
// makes good.
inline constexpr int kBulkCommitRows = 100000;

// What a category branch works with during one run.
struct RunContext {
    RunContext(const RunRequest& runRequest, RunReport& runReport, FormData& formData)
        : request(runRequest), report(runReport), data(formData) {}

    const RunRequest& request;
    RunReport& report;
    FormData& data;
    // When above 0, a lower page bound for every paged scan (tests use it to reach
    // the bound without writing a hundred thousand rows).
    long long pageBoundCap = 0;
    bool bulk = false;  // the bulk path for the category being run (see choosePath)
    // The store's rows in the category's wait queue, when the path choice counted them
    // (up to its threshold and one); unset otherwise.
    std::optional<long long> queuedRows{};
    int bulkPageSize = kBulkPageSize;
    int bulkCommitRows = kBulkCommitRows;
    // What the run did so far, and the category being run (its index).
    RunTally tally{};
    int category = 0;
    // The branch tables whose columns this run has found headquarters' rows can fill.
    std::set<std::string, std::less<>> columnsVerified{};

    void log(const std::string& line) { report.appendLog(line); }
    CategoryTally& counts() {
        return tally.categories[static_cast<size_t>(category) % tally.categories.size()];
    }

    // The gauge protocol: a result of count rows sets the maximum and starts at 0;
    // every row handled steps it by one before it is handled.
    void startGauge(int count) {
        gaugeMax_ = count;
        gaugeValue_ = 0;
        report.setGauge(gaugeValue_, gaugeMax_);
    }
    void stepGauge() { report.setGauge(++gaugeValue_, gaugeMax_); }

  private:
    int gaugeMax_ = 0;
    int gaugeValue_ = 0;
};

}  // namespace engine
