#pragma once

#include <set>
#include <string>

#include "engine/FormData.h"
#include "engine/RunReport.h"
#include "engine/RunRequest.h"
#include "engine/RunTally.h"

namespace engine {

// Rows per page of the bulk path.
inline constexpr int kBulkPageSize = 500;

// What a category branch works with during one run.
struct RunContext {
    RunContext(const RunRequest& runRequest, RunReport& runReport, FormData& formData)
        : request(runRequest), report(runReport), data(formData), bulk(runRequest.bulk) {}

    const RunRequest& request;
    RunReport& report;
    FormData& data;
    // When above 0, a lower page bound for every paged scan (tests use it to reach
    // the bound without writing a hundred thousand rows).
    long long pageBoundCap = 0;
    bool bulk = false;  // the path the current category takes: the bulk path or the default
    int bulkPageSize = kBulkPageSize;
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
